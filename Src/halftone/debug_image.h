// The optional debug-image library ("DbgOut.dll"): when the driver settings
// ask for debug images, the halftoner hands it the contone input lines and
// the halftoned lines of each page and the library writes them as images.
// Its one export, GetDbgInterface, returns a table of plain functions; the
// halftoner uses entries 4 (open an image), 5 (write one line) and 6 (close).
// The record and the table are shared with the library (built with the same
// compiler and standard library).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/dynamic_library.h"

constexpr const char* kDbgOutModuleName = "DbgOut.dll";
constexpr const char* kDbgInterfaceEntry = "GetDbgInterface";

// Codes of the image records.
enum : uint32_t {
    DBG_COMPRESSION_PACKBITS = 32773,
    DBG_COMPRESSION_DEFLATE = 32946,
    DBG_LAYOUT_PLANES = 4,  // the record describes an image of its own
    DBG_COLOR_RGB = 37,
    DBG_COLOR_CMYK = 4,
    DBG_COLOR_CMYKOG = 8,
    DBG_COLOR_CMYKRGB = 17,
    DBG_COLOR_CMYKRGB_75 = 75,
    DBG_COLOR_SPOT_BASE = 43,  // 43 + n: CMYK and n spot channels, n 1 to 8
};

// Description of one debug image (120 bytes).
struct DbgImageInfo {
    uint32_t width = 0;        // pixels
    uint32_t height = 0;       // lines
    uint32_t lineLength = 0;   // halftone images: bytes of one channel row
    float resolutionX = 0.0f;  // dpi
    float resolutionY = 0.0f;
    uint32_t compression = 0;
    uint8_t oneFilePerChannel = 0;
    uint32_t colorCode = 0;      // contone images: the channels of a pixel
    uint32_t bitsPerSample = 0;  // 8 contone; 1 or 2 halftone
    uint32_t spare1 = 0;
    uint32_t spare2 = 0;
    uint32_t layoutCode = 0;     // halftone images: the channel rows of a line
    uint32_t pageNumber = 0;
    std::string folder;
    std::string filePath;
};
static_assert(sizeof(void*) != 8 || sizeof(DbgImageInfo) == 120, "debug image record layout");

using DbgImageHandle = void*;

// The library's table; entries are counted from 0.
struct DbgInterface {
    void* entries0to3[4];
    DbgImageHandle (*OpenImage)(const DbgImageInfo* info);                // 4: null when refused
    int32_t (*WriteLine)(DbgImageHandle image, const uint8_t* line);    // 5: 0 when written
    int32_t (*CloseImage)(DbgImageHandle image);                        // 6: 0 when complete
};
static_assert(offsetof(DbgInterface, OpenImage) == 4 * sizeof(void*), "entry 4");
static_assert(offsetof(DbgInterface, CloseImage) == 6 * sizeof(void*), "entry 6");

using GetDbgInterfaceFn = DbgInterface* (*)();

// The loaded library and its table. Move-less; unloads when destroyed.
class DebugImageLibrary {
public:
    // Loads the library by module name and fetches its table; false, with
    // the reason in error, when the library, its entry or its table is
    // missing (nothing stays loaded then).
    bool Load(std::string& error);
    void Unload();
    bool IsLoaded() const { return m_pInterface != nullptr; }

    DbgImageHandle Open(const DbgImageInfo& info) const;
    void Write(DbgImageHandle image, const uint8_t* line) const;
    void Close(DbgImageHandle image) const;

private:
    platform::DynamicLibrary m_Module;
    const DbgInterface* m_pInterface = nullptr;
};

// The contone image's colour code for an input colour mode a set-up reads
// and the spot-colour count (0: no code).
uint32_t DbgContoneColorCode(int32_t inputColorMode, int32_t spotColorCount);
