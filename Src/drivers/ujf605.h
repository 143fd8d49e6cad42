// The UJF-605 line: flatbed printers (models 673 to 676, 726 and 727) that
// speak the classic command set (ESC "i" raster records, line feeds, "M"
// commands). White and colour inks print as two layers: layer 0 goes to the
// host as the lines arrive, layer 1 waits in a spool file and is played after
// layer 0 is closed. The driver object lives for one page.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "base/byte_buffer.h"
#include "drivers/mrl/mrl.h"
#include "drivers/output_color_modes.h"
#include "job/family_object.h"
#include "services/spool_file.h"
#include "services/spool_writer.h"

class CVarnPrn;

// The delete-on-close switch, read from the current folder by every page's
// driver object: an integer, 0 keeps the layer spool file.
inline constexpr const char* kDeleteOnCloseSwitchFile = "UJF_EnableDeleteOnClose.txt";

// One of the page's two layers.
struct UJF_LayerBuffer {
    ByteBuffer pending;                     // command bytes of the current line
    ISPOOL_FILE_WRITER* writer = nullptr;   // host writer or spool file; null when there is none
    uint32_t owedFeeds = 0;                 // line feeds before the layer's next record
    bool used = false;                      // the layer printed something on this page
    bool usedSlot[8] = {};                  // per colour slot
};

class UJF_Intern : public FamilyObject {
public:
    // Reads the delete-on-close switch from the current folder and picks the colour codes and names
    // by the model's ink-set class.
    explicit UJF_Intern(CVarnPrn* job);
    ~UJF_Intern() override;

    UJF_LayerBuffer m_Layers[2];
    ByteBuffer m_Packing;  // PackBits scratch
    PFN_WRITEPRNDATA_WRAPPER m_HostWriter;
    std::unique_ptr<SPOOL_FILE_TEMP> m_pSpoolFile;
    uint32_t m_BitsPerPixel = 1;
    int32_t m_ColorCodes[8] = {};
    char m_ColorSetName[9] = {};  // one letter per colour slot
    bool m_bDeleteOnClose = true;
};

// Raster record without a length byte: ESC "i", colour code, compressed flag,
// bits per pixel, 16-bit data length, 16-bit 1.
Bytes UJF_RasterCommand(uint8_t colour, uint8_t compressed, uint8_t bitsPerPixel, size_t length);
// "MP", quality, 1, media-type code, six bytes 0xFF.
Bytes UJF_MP(uint8_t quality, uint8_t mediaCode);
// "MU", 0, 16-bit vertical resolution, 24-bit feed in lines.
Bytes UJF_MU(uint16_t yDpi, uint32_t feedLines);
// "MV", a byte, 24-bit line count.
Bytes UJF_MV(uint8_t p1, uint32_t lines);
// "MZ", 16-bit text length, the text.
Bytes UJF_MZ(const std::string& text);

// Dot-mode code from p = x dpi x y dpi, the dot-size id and the halftone
// mode (6 is screening); 96 means two bits per pixel.
int32_t UJF_ResolutionMode(int64_t p, int32_t dotSize, int32_t halftoneMode);

// Job start: form feed as job header, halftoner set-up. 0, -1 without a job,
// the writer's code when the header cannot be written, -2 when the
// halftoner set-up fails.
// The output colour modes of the UJF-605 line: CMYK, CMYKcm.
extern const OutputColorModes UJF_OutputColorModes;
int UJF_OpenJob(CVarnPrn* job);
// Halftoner set-up for the dot-mode code: 0 or -1.
int UJF_InitHalftone(CVarnPrn* job, int32_t dotMode);

// Page hooks. OpenPage: 0, -1 when the spool file cannot be made, minus the
// writer's code when the header cannot be written. WriteLine: 0, or -1 with
// the error message. ClosePage: 0, or minus the failing code with the error message.
int UJF_OpenPage(CVarnPrn* job);
int UJF_WriteLine(CVarnPrn* job);
int UJF_ClosePage(CVarnPrn* job);
