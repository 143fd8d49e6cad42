// Serpentine error diffusion with random noise for halftone routines 103 to
// 111: each channel's 12-bit ink value runs through one, two or three dot
// streams (one dot-size table each) and comes out as packed 1- or 2-bit dot
// codes.
//
// Two ways of running a line share the same per-stream step:
// - ErrorDiffusion::HalftoneLine, the inline line step of the routines: it
//   converts the input pixels and runs every channel of a pixel before the
//   next pixel, with one random index for all channels and streams;
// - the channel kernels HalftoneLineVDS2/VDS3/SE1, run by the multi-threaded
//   engine on one HalftoneTask per channel, each with its own random index;
//   where the engine gives a task lane cells, its channel's streams run in
//   the vector lanes of the inline step, one channel to a register.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "halftone/error_diffusion_tables.h"

class CHalftone;
class CVarnPrn;

// The routines that halftone by error diffusion.
struct DiffusionRoutine {
    int32_t number;       // HalftoneRoutine
    const char* name;     // the routine's name in its log texts
    int streams;          // dot streams (and dot-size tables) per channel: 3, 2 or 1
    int channels;         // output channels: 4 or 8
    int bitsPerPixel;     // 2 (dot codes 0 to 3) or 1
    int converterLayout;  // channel-layout code of the converter installed at init job
};
extern const DiffusionRoutine kDiffusionRoutines[6];
// The routine of a HalftoneRoutine number, or null when it is not one of them.
const DiffusionRoutine* FindDiffusionRoutine(int32_t number);

// Levels and sums of the per-stream step.
constexpr int32_t kMaxLevel = 4095;
constexpr int32_t kFireThreshold = 2047;  // a sum above it fires a dot

// Vector instruction sets of the inline step: none (the plain step), SSSE3
// (8 lanes), AVX2 (16 lanes where a pixel has that many streams) or AVX-512
// (the AVX2 lanes in its encoding: twice the registers, three-input logic).
enum class DiffusionLanes : int { None = 0, Ssse3 = 1, Avx2 = 2, Avx512 = 3 };

// What the vector-lane form of the channel kernels reads, shared by the
// tasks of a page: the lanes to run, the lane codes of every value (from
// BuildLaneLevelCodes for the kernel's streams) and the random table followed
// by kLaneRandomPad of its first bytes.
struct ChannelLanes {
    DiffusionLanes set;
    const uint16_t* levelCodes;
    const uint8_t* random;
};

// Lanes per error cell of a channel in the vector-lane kernels.
constexpr int32_t kChannelLanes = 8;

// One channel of one line for the multi-threaded engine.
struct HalftoneTask {
    const int32_t* converted;         // the channel's value of the first scanned pixel
    int32_t stride;                   // values between pixels in scan order (+/- channels)
    int32_t width;                    // pixels in the line
    int32_t thirdSplit;               // 2/3, 1/6 split (x resolution above y resolution)
    uint8_t* out;                     // output byte of the first scanned pixel
    int32_t direction;                // +1 left to right, -1 right to left
    int32_t reverse;                  // set on right-to-left lines
    int32_t* errorLine[7];            // per dot stream: cell of the first scanned pixel
    uint16_t randomIndex;             // kept by the task from line to line
    const NoiseTable* noise;
    const uint8_t* random;            // kRandomTableSize values 0 to 8
    const uint16_t* dotSizeTable[3];  // 4096 levels each; table s feeds stream s
    uint32_t lineNumber;
    int32_t channel;
    CHalftone* halftone;
    void* caller;
    CVarnPrn* job;
    // The vector-lane form, for a width that is a multiple of 8: the
    // channel's error cells kept as width + 2 rows of kChannelLanes 16-bit
    // lanes (streams in the order they run, row x + 1 for column x) in place
    // of errorLine. Null: the kernel runs on errorLine.
    const ChannelLanes* lanes;
    int16_t* laneCells;
    // The channel's levels of the line, made with its conversion (one a
    // pixel from the left edge, as SplitChannelLevels makes them); null: the
    // kernel reads converted.
    const uint16_t* levels;
    int32_t laneSync;                 // 1: laneCells from errorLine first; 2: back into it after; 3: both
    int32_t state;                    // 0 idle, 1 ready, 2 taken, 3 done
};

// Result of a kernel given a task it cannot run (missing pointers, a width
// below 1, a direction other than +/-1).
constexpr int kKernelBadTask = -1;

// Channel kernels: one channel of one line; 0, or kKernelBadTask.
int HalftoneLineVDS2(HalftoneTask* task);  // streams 1, 0; dot codes 2 and 1
int HalftoneLineVDS3(HalftoneTask* task);  // streams 1, 0, 2; dot codes 2, 1, 3
int HalftoneLineSE1(HalftoneTask* task);   // the value itself is the level; 1 bit

// Channels of one line at once, the same bytes as the channel kernel run on
// each: two at a time side by side in the vector lanes, each with its own
// random index, where all the tasks run in lanes of AVX2 or wider and
// read levels; else one after the other. 0, or kKernelBadTask (with nothing
// run) when a task is bad.
int HalftoneLinesVDS2(HalftoneTask* const* tasks, int count);
int HalftoneLinesVDS3(HalftoneTask* const* tasks, int count);

// Converts one input pixel into up to eight 12-bit values (positions 0 cyan,
// 1 magenta, 2 yellow, 3 black, 4 light cyan, 5 light magenta, 6 and 7 extra).
using DiffusionPixelConverter = void (*)(CHalftone* halftone, const uint8_t* pixel, int32_t* converted);

// Results of ErrorDiffusion.
enum DiffusionResult : int32_t {
    kDiffusionOk = 0,
    kDiffusionNoOutLine = -1,         // the output line could not be allocated
    kDiffusionNoErrorLines = -2,      // the error lines could not be allocated
    kDiffusionBadGeometry = -3,       // width, scale or input bytes per pixel out of range
    kDiffusionMissingTables = -4,     // noise, random or dot-size table missing
    kDiffusionBadLine = -6,           // no converter, input or output line shorter than the line needs
};
const char* DiffusionResultText(int32_t result);

// The inline state of one error-diffusion routine for one job: geometry,
// error lines, the random index and the serpentine toggle. The halftoner owns
// it; its routine functions call InitJob, SetTables, InitPage and HalftoneLine
// and keep the output line, the converter, logging and timing.
class ErrorDiffusion {
public:
    // Geometry of the job and the error lines (3 lines per channel of
    // PaddedWidth() + 2 cells, cleared). 0, kDiffusionBadGeometry or
    // kDiffusionNoErrorLines.
    int32_t InitJob(const DiffusionRoutine& routine, int32_t imageWidth, int32_t scaleX,
                    int32_t resolutionX, int32_t resolutionY, int32_t inputBytesPerPixel);
    // The tables every line reads; they stay the caller's and must outlive
    // the job. Dot-size tables are needed for two and three dot streams (the
    // first `streams` of them). 0 or kDiffusionMissingTables.
    int32_t SetTables(const NoiseTable* noise, const uint8_t* random, const uint16_t* const dotSizeTables[3]);
    // Page start: error lines cleared, random index 0, first line left to right.
    void InitPage();
    // One line: halftones every pixel of the padded width in the serpentine
    // direction into the first OutLineBytes() bytes of outLine (each written
    // once, nothing to clear first) and flips the toggle. input holds the
    // line's pixels of InputBytesPerPixel() bytes; it needs InputBytesNeeded()
    // bytes. 0, or kDiffusionBadLine with nothing written.
    int32_t HalftoneLine(const uint8_t* input, size_t inputBytes, uint8_t* outLine, size_t outBytes,
                         DiffusionPixelConverter convert, CHalftone* halftone);
    // Frees the error lines.
    void ExitJob();

    // Bytes of one channel's row of the output line: ceil(width / 8) for one
    // bit per pixel, twice that for two; 0 for a width below 1. The routine
    // allocates the output line (channels x this) before calling InitJob.
    static int32_t BytesPerChannelFor(const DiffusionRoutine& routine, int32_t imageWidth);

    const DiffusionRoutine* Routine() const { return m_routine; }
    int32_t PaddedWidth() const { return m_width; }  // image width rounded up to a multiple of 8
    int32_t BytesPerChannel() const { return m_bytesPerChannel; }
    size_t OutLineBytes() const { return static_cast<size_t>(m_bytesPerChannel) * m_channels; }
    int32_t InputBytesPerPixel() const { return m_inputBytesPerPixel; }
    size_t InputBytesNeeded() const;
    bool ThirdSplit() const { return m_thirdSplit; }
    // The error lines of the multi-threaded engine: stream s of channel c owns
    // line 3c + s of ErrorLineCells() cells; column x owns cell x + 1.
    int32_t* ErrorLines() { return m_errorLines.get(); }
    size_t ErrorLineCells() const { return static_cast<size_t>(m_width) + 2; }
    // A cell of the inline step's error line of a channel's stream, wherever
    // the step keeps it.
    int32_t ErrorCell(int channel, int stream, size_t cell) const;

    // The widest vector lanes that jobs set up from now on may use (all the
    // processor has by default; tests lower it to run every step).
    static void LimitLanes(DiffusionLanes widest);
    // The widest lanes allowed now on this processor.
    static DiffusionLanes WidestLanes();
    DiffusionLanes Lanes() const { return m_lanes; }

    uint16_t m_nRandomIndex = 0;  // one index for all channels and streams; runs on across lines
    uint8_t m_bReverseLine = 0;   // 0: the next line runs left to right

private:
    const DiffusionRoutine* m_routine = nullptr;
    int32_t m_width = 0;
    int32_t m_scaleX = 1;
    int32_t m_channels = 0;
    int32_t m_bytesPerChannel = 0;
    int32_t m_inputBytesPerPixel = 0;
    bool m_thirdSplit = false;
    std::unique_ptr<int32_t[]> m_errorLines;
    const NoiseTable* m_noise = nullptr;
    const uint8_t* m_random = nullptr;
    const uint16_t* m_dotSizeTables[3] = {nullptr, nullptr, nullptr};
    // The vector-lane step's own tables and interleaved 16-bit error cells.
    DiffusionLanes m_lanes = DiffusionLanes::None;
    size_t m_laneCount = 0;
    std::unique_ptr<int16_t[]> m_laneCells;
    std::unique_ptr<uint16_t[]> m_laneLevelCodes;
    std::unique_ptr<uint8_t[]> m_laneRandom;
};
