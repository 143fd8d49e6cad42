// The stand-in's linearisation file: parsed into memory in one go. The text
// format is described in README.md beside this file.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace epl_standin {

constexpr int kCurveCount = 16;
constexpr int kCurveSize = 256;
constexpr int kMaxGridNodes = 36;      // 12 + 3 * 36^3 u16 values fit the file data record
constexpr int kMaxScreenChannels = 8;
constexpr int kMaxScreenSize = 1024;

struct ScreenChannel {
    int32_t size1 = 0;
    int32_t size2 = 0;
    bool tiled = false;
    int32_t tile1 = 0;
    int32_t tile2 = 0;
    std::vector<uint8_t> matrixA;  // size1 * size1
    std::vector<uint8_t> matrixB;  // size2 * size2
};

struct LinFile {
    int32_t kind = 0;
    // Curve per build-record slot; slots the file leaves out are neutral.
    std::array<std::array<uint16_t, kCurveSize>, kCurveCount> curves{};
    int gridNodes = 0;              // 0: the file has no RGB grid
    std::vector<uint16_t> grid;     // gridNodes^3 * 3 values, red slowest
    std::vector<ScreenChannel> screens;  // empty: no screening data
};

// Error codes of the stand-in's entries.
enum : int32_t {
    kErrArgument = -1,    // null or inconsistent argument or record
    kErrOpen = -2,        // the file cannot be opened
    kErrMalformed = -3,   // the file breaks the format
    kErrNoData = -4,      // the file holds no data of the kind asked for
};

struct ParseResult {
    std::optional<LinFile> file;
    int32_t error = 0;
    std::string message;
};

ParseResult ParseLinFile(const char* path);

// The neutral curve: byte v to trunc(v * 4095 / 255 + 0.5).
uint16_t NeutralCurveValue(int v);

}  // namespace epl_standin
