// The inline line step of error diffusion with every stream of a pixel in
// one 16-bit lane of SSE (8 lanes) or AVX2 (16 lanes) registers, used by
// ErrorDiffusion when the processor has SSSE3. Same output, byte for byte, as
// the plain step.
//
// Lanes: each channel takes 1 (one dot size), 2 (streams 1, 0) or 4 (streams
// 1, 0, 2 and an idle lane) lanes in processing order, channel after channel,
// 8 lanes per SSE register. The error cells are kept interleaved: row i (0 to
// W + 1) holds cell i of every lane, so one load or store moves a register's
// cells of one column.
#pragma once

#include <cstddef>
#include <cstdint>

#include "halftone/error_diffusion.h"

// Bytes that follow the random table in the lanes' copy: its first bytes
// again, so that the windows read from any index (up to 48 bytes on) run
// across the wrap.
constexpr size_t kLaneRandomPad = 64;

struct LaneLayout {
    int lanesPerChannel;  // 1, 2 or 4
    int registers;        // 8 lanes each
    int Lanes() const { return registers * 8; }
};
constexpr LaneLayout LaneLayoutFor(int streams, int channels) {
    const int perChannel = streams == 1 ? 1 : streams == 2 ? 2 : 4;
    const int registers = channels * perChannel / 8;
    return {perChannel, registers > 1 ? registers : 1};
}

// Lane code of a level: the level in bits 0 to 11 and its noise multiplier in
// bits 12 to 15 (0 for levels 0 and 4095, 15 for the levels 1 to 63 whose noise
// row is irregular).
uint16_t LaneLevelCode(int32_t level);

// Fills codes[v * lanesPerChannel + i] for every value v (0 to 4095) and lane i
// of a channel. dotSizeTables is unused for one stream.
void BuildLaneLevelCodes(int streams, const uint16_t* const* dotSizeTables, uint16_t* codes);

// The widest lanes this processor runs.
DiffusionLanes SupportedLanes();

struct LaneLine {
    const uint8_t* input;
    int32_t inputBytesPerPixel;
    uint8_t* outLine;
    int32_t bytesPerChannel;
    int32_t width;  // a multiple of 8
    int32_t scaleX;
    int16_t* cells;            // (width + 2) rows of Lanes() cells
    const uint16_t* levelCodes;  // from BuildLaneLevelCodes
    const uint8_t* random;       // kRandomTableSize + kLaneRandomPad bytes
    const NoiseTable* noise;
    DiffusionPixelConverter convert;
    CHalftone* halftone;
};

// One line in the given direction with lanes up to the given set (not None);
// index is the shared random index.
void RunLaneLine(DiffusionLanes lanes, int streams, bool thirdSplit, int channels, bool rightToLeft,
                 const LaneLine& line, uint16_t& index);

// The levels of every channel of a converted span, as the kernels read them
// in place of the values: channel c's value of pixel x (values[x * channels
// + c]) clamped to 0 to kMaxLevel, at levels[c * levelStride + x]. The
// engine's conversion hands them on in this form: a quarter of the values'
// bytes pass to the worker of one channel of four, and the values stay with
// the conversion.
void SplitChannelLevels(const int32_t* values, int32_t channels, int32_t count, uint16_t* levels,
                        size_t levelStride);

// One channel of a line for the engine's kernels, in 8 lanes (the lanes of
// LaneLayoutFor(streams, 1)): values[i * valueStride] is the channel's value
// of pixel i from the left edge, or, where levels is given, levels[i] is its
// level (0 to kMaxLevel) and values is unused; line.input, convert and
// halftone are unused, line.bytesPerChannel is the channel's bytes of the
// line.
void RunLaneChannel(DiffusionLanes lanes, int streams, bool thirdSplit, bool rightToLeft, const LaneLine& line,
                    const int32_t* values, ptrdiff_t valueStride, uint16_t& index,
                    const uint16_t* levels = nullptr);

// Two channels of a line for the engine's kernels, run side by side in the
// lanes of one SSE register, each with its own random index.
struct LanePairLine {
    int32_t width;  // a multiple of 8
    int32_t bytesPerChannel;
    const uint16_t* levelCodes;  // from BuildLaneLevelCodes for the streams
    const uint8_t* random;       // kRandomTableSize + kLaneRandomPad bytes
    const NoiseTable* noise;
    int16_t* cells[2];          // each channel's cells, as RunLaneChannel keeps them
    uint8_t* out[2];            // each channel's line
    const uint16_t* levels[2];  // each channel's levels, one a pixel from the left edge
    uint16_t* index[2];         // each channel's random index
};

// Two channels of a line at once, each as RunLaneChannel gives it from its
// levels and on its cells: a channel may run alone on one line and beside
// another on the next. False, with nothing done, for lanes narrower than
// AVX2 or one dot stream.
bool RunLanePair(DiffusionLanes lanes, int streams, bool thirdSplit, bool rightToLeft, const LanePairLine& line);
