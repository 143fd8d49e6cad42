#include "halftone/error_diffusion.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <limits>
#include <new>

#include "halftone/error_diffusion_lanes.h"

const DiffusionRoutine kDiffusionRoutines[6] = {
    {103, "MimakiSE1VDS3_CMYK", 3, 4, 2, 1},
    {105, "MimakiSE1VDS3_CMYKcm12", 3, 8, 2, 2},
    {106, "MimakiSE1VDS2_CMYK", 2, 4, 2, 1},
    {108, "MimakiSE1VDS2_CMYKcm12", 2, 8, 2, 2},
    {109, "MimakiSE1_CMYK", 1, 4, 1, 1},
    {111, "MimakiSE1_CMYKcm12", 1, 8, 1, 2},
};

const DiffusionRoutine* FindDiffusionRoutine(int32_t number) {
    for (const DiffusionRoutine& routine : kDiffusionRoutines)
        if (routine.number == number) return &routine;
    return nullptr;
}

const char* DiffusionResultText(int32_t result) {
    switch (result) {
        case kDiffusionOk: return "error diffusion: OK";
        case kDiffusionNoOutLine: return "error diffusion: out of memory for the output line";
        case kDiffusionNoErrorLines: return "error diffusion: out of memory for the error lines";
        case kDiffusionBadGeometry: return "error diffusion: invalid width, horizontal scale or input pixel size";
        case kDiffusionMissingTables: return "error diffusion: noise, random or dot-size table missing";
        case kDiffusionBadLine: return "error diffusion: line not set up, or input or output line missing or too short";
        default: return "error diffusion: unknown result";
    }
}

namespace {

#if defined(_MSC_VER)
#define ED_ALWAYS_INLINE __forceinline
#else
#define ED_ALWAYS_INLINE inline __attribute__((always_inline))
#endif

// The order in which a pixel runs its streams, by stream count.
constexpr int kStreamOrder[4][3] = {{0, 0, 0}, {0, 0, 0}, {1, 0, 0}, {1, 0, 2}};

// (x * kAidReciprocal[level / 16]) >> 16 equals x / kHighlightDivisor[level / 16]
// for every x the highlight aid divides (0 to 2046) and every level below 96.
constexpr int32_t kAidReciprocal[6] = {21846, 21846, 16384, 13108, 10923, 9363};

constexpr bool AidReciprocalsAreExact() {
    constexpr int32_t divisors[6] = {3, 3, 4, 5, 6, 7};  // kHighlightDivisor[0..5]
    for (int d = 0; d < 6; ++d)
        for (int32_t x = 0; x <= kFireThreshold; ++x)
            if (((x * kAidReciprocal[d]) >> 16) != x / divisors[d]) return false;
    return true;
}
static_assert(AidReciprocalsAreExact(), "highlight aid reciprocals");

// Error cells only ever add bounded amounts, but a margin cell that no line
// reads back keeps adding: let it wrap instead of overflowing.
ED_ALWAYS_INLINE int32_t WrapAdd(int32_t a, int32_t b) {
    return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}

ED_ALWAYS_INLINE int32_t ClampLevel(int32_t value) { return value < 0 ? 0 : value > kMaxLevel ? kMaxLevel : value; }

// One stream running along a line. The cell behind the current pixel and the
// current pixel's own cell are kept here until the line has no further share
// for them; the cell ahead is read (and cleared) into the carry.
struct StreamRun {
    int32_t carry;    // error carried to the current pixel
    int32_t counter;  // highlight counter
    int32_t behind;   // value of the cell behind, still missing the current pixel's share
    int32_t current;  // what the current pixel's cell held before this line reached it
};

// cell points at the cell of the first pixel of the scan.
template <int kStep>
ED_ALWAYS_INLINE void StartRun(StreamRun& run, const int32_t* cell) {
    run.carry = 0;
    run.counter = 0;
    run.behind = cell[-kStep];
    run.current = cell[0];
}

// cell points at the margin past the last pixel of the scan.
template <int kStep>
ED_ALWAYS_INLINE void FinishRun(const StreamRun& run, int32_t* cell) {
    cell[-kStep] = run.behind;
    cell[0] = 0;  // read into the carry that the line end drops
}

// One stream at one pixel: cell is the pixel's error cell, level L, the
// pixel's parity in the scan, the shared random index. Returns 1 when the
// stream fires. Selections are written as masks: which way they go depends
// on the image, and mispredicted branches would cost more than the step.
template <bool kThirdSplit, int kStep>
ED_ALWAYS_INLINE uint32_t Diffuse(StreamRun& run, int32_t* cell, int32_t level, bool oddPixel, uint32_t& index,
                                  const int16_t* noise, const uint8_t* random) {
    // A level of 0 takes no random value; its noise row is all zero.
    index += level != 0;
    const int32_t randomValue = random[index & 0xFFFF];
    const int32_t noiseValue = noise[level * kNoiseColumns + randomValue];

    // Threshold: below 0 -> 0; above 2047 a dot and S - 4095, or 0 above 4095.
    const int32_t raw = run.carry + level;
    const int32_t firedMask = (kFireThreshold - raw) >> 31;
    const int32_t overMask = (kMaxLevel - raw) >> 31;
    const int32_t firedSum = (raw - kMaxLevel) & ~overMask;
    const int32_t clampedSum = raw & ~(raw >> 31);
    int32_t sum = (firedSum & firedMask) | (clampedSum & ~firedMask);

    int32_t current = run.current;
    if (level < kHighlightLevels) {
        // Whether a highlight pixel takes the aid is as good as random: the
        // aid is worked out on every one and selected, with no branch.
        const bool zone = sum > 0;
        const bool aid = zone && run.counter > randomValue;
        run.counter = zone && !aid ? run.counter + 1 : 0;
        const int32_t added = ((kFireThreshold - sum) * kAidReciprocal[level >> 4]) >> 16;
        sum += aid ? added : 0;
        if (oddPixel) {
            const int32_t taken = random[(index + 1) & 0xFFFF];
            index += aid;
            current = WrapAdd(current, aid ? -32 * taken : 0);
        }
    } else {
        run.counter = 0;
    }

    int32_t half, quarter;
    if (kThirdSplit) {
        half = 2 * sum / 3;
        quarter = sum / 6;
    } else {
        half = sum >> 1;
        quarter = sum >> 2;
    }
    // A sum of 0 passes nothing on and drops the noise.
    const int32_t kept = noiseValue & -static_cast<int32_t>(sum != 0);
    cell[-kStep] = WrapAdd(run.behind, sum - quarter - half);
    run.behind = WrapAdd(current, quarter - kept);
    run.current = 0;
    run.carry = half + kept + cell[kStep];
    return static_cast<uint32_t>(-firedMask);
}

// The dot code of a pixel from the streams that fired: VDS2 -> 2 over 1,
// VDS3 -> 3 over 2 over 1, SE1 -> 1.
template <int kStreams>
ED_ALWAYS_INLINE uint32_t DotCode(const uint32_t fired[3]) {
    if (kStreams == 1) return fired[0];
    uint32_t code = fired[0];
    code = fired[1] ? 2u : code;
    if (kStreams == 3) code = fired[2] ? 3u : code;
    return code;
}

// Runs the streams of one channel at one pixel in their order; returns the code.
template <int kStreams, bool kThirdSplit, int kStep>
ED_ALWAYS_INLINE uint32_t ChannelPixel(StreamRun* runs, int32_t* const* cells, int32_t value,
                                       const uint16_t* const* levels, bool odd, uint32_t& index,
                                       const int16_t* noise, const uint8_t* random) {
    const int32_t v = ClampLevel(value);
    uint32_t fired[3] = {0, 0, 0};
#pragma GCC unroll 3
    for (int i = 0; i < kStreams; ++i) {
        const int s = kStreamOrder[kStreams][i];
        const int32_t level = kStreams == 1 ? v : std::min<int32_t>(levels[s][v], kMaxLevel);
        fired[s] = Diffuse<kThirdSplit, kStep>(runs[s], cells[s], level, odd, index, noise, random);
    }
    return DotCode<kStreams>(fired);
}

// Adds a pixel's code to a byte being packed in scan order; the leftmost
// pixel of a byte always takes its highest bits.
template <int kBits, int kStep>
ED_ALWAYS_INLINE uint32_t Pack(uint32_t acc, uint32_t code) {
    return kStep > 0 ? (acc << kBits) | code : (acc >> kBits) | (code << (8 - kBits));
}

template <int kStreams, bool kThirdSplit, int kStep, typename Value>
void RunKernel(HalftoneTask& task, const Value* value, ptrdiff_t stride) {
    constexpr int kBits = kStreams == 1 ? 1 : 2;
    constexpr int kPerByte = 8 / kBits;
    const int32_t width = task.width;
    const int16_t* noise = &task.noise->value[0][0];
    const uint8_t* random = task.random;
    const uint16_t* const* levels = task.dotSizeTable;
    uint32_t index = task.randomIndex;
    StreamRun runs[3];
    int32_t* cells[3] = {task.errorLine[0], task.errorLine[1], task.errorLine[2]};
    for (int s = 0; s < kStreams; ++s) StartRun<kStep>(runs[s], cells[s]);
    uint8_t* out = task.out;
    int32_t n = 0;

#define ED_KERNEL_PIXEL(code)                                                                                     \
    const uint32_t code = ChannelPixel<kStreams, kThirdSplit, kStep>(runs, cells, *value, levels, (n & 1) != 0, \
                                                                     index, noise, random);                      \
    value += stride;                                                                                              \
    for (int s = 0; s < kStreams; ++s) cells[s] += kStep;                                                         \
    ++n

    // Right to left, a width that is not a multiple of the byte's pixels
    // starts inside the first byte.
    if (kStep < 0 && width % kPerByte != 0) {
        for (int position = width % kPerByte - 1; position >= 0; --position) {
            ED_KERNEL_PIXEL(code);
            *out |= static_cast<uint8_t>(code << (8 - kBits - kBits * position));
        }
        out += kStep;
    }
    while (n + kPerByte <= width) {
        uint32_t acc = 0;
#pragma GCC unroll 8
        for (int k = 0; k < kPerByte; ++k) {
            ED_KERNEL_PIXEL(code);
            acc = Pack<kBits, kStep>(acc, code);
        }
        *out |= static_cast<uint8_t>(acc);
        out += kStep;
    }
    for (int position = 0; n < width; ++position) {  // left to right: the rest of the last byte
        ED_KERNEL_PIXEL(code);
        *out |= static_cast<uint8_t>(code << (8 - kBits - kBits * position));
    }
#undef ED_KERNEL_PIXEL

    for (int s = 0; s < kStreams; ++s) FinishRun<kStep>(runs[s], cells[s]);
    task.randomIndex = static_cast<uint16_t>(index);
}

// Lane position of each stream in the lane form: the order the streams run.
constexpr int kLanePosition[4][3] = {{0, 0, 0}, {0, 0, 0}, {1, 0, 0}, {1, 0, 2}};

// The task's cells from its error lines, with the page's first line
// (laneSync 1).
template <int kStreams>
void CellsFromErrorLines(const HalftoneTask& task) {
    if (!(task.laneSync & 1)) return;
    const size_t rows = static_cast<size_t>(task.width) + 2;
    // errorLine[s] points at the first scanned pixel's cell.
    const ptrdiff_t first = task.direction < 0 ? task.width : 1;
    std::memset(task.laneCells, 0, rows * kChannelLanes * sizeof(int16_t));
    for (int s = 0; s < kStreams; ++s) {
        const int32_t* line = task.errorLine[s] - first;
        int16_t* lane = task.laneCells + kLanePosition[kStreams][s];
        for (size_t i = 0; i < rows; ++i) lane[i * kChannelLanes] = static_cast<int16_t>(line[i]);
    }
}

// And back into the error lines after the page's last line (laneSync 2).
template <int kStreams>
void CellsToErrorLines(const HalftoneTask& task) {
    if (!(task.laneSync & 2)) return;
    const size_t rows = static_cast<size_t>(task.width) + 2;
    const ptrdiff_t first = task.direction < 0 ? task.width : 1;
    for (int s = 0; s < kStreams; ++s) {
        int32_t* line = task.errorLine[s] - first;
        const int16_t* lane = task.laneCells + kLanePosition[kStreams][s];
        for (size_t i = 0; i < rows; ++i) line[i] = lane[i * kChannelLanes];
    }
}

// The task's line in the lane form, with its cells moved in from errorLine
// and back as laneSync asks.
template <int kStreams>
void RunLaneKernel(HalftoneTask& task, bool third) {
    const int32_t width = task.width;
    const bool rightToLeft = task.direction < 0;
    CellsFromErrorLines<kStreams>(task);
    const int32_t bytes = width / (kStreams == 1 ? 8 : 4);
    const LaneLine line{nullptr, 0, task.out - (rightToLeft ? bytes - 1 : 0), bytes, width, 1, task.laneCells,
                        task.lanes->levelCodes, task.lanes->random, task.noise, nullptr, nullptr};
    const ptrdiff_t stride = rightToLeft ? -task.stride : task.stride;
    const int32_t* values = task.converted - (rightToLeft ? static_cast<ptrdiff_t>(width - 1) * stride : 0);
    RunLaneChannel(task.lanes->set, kStreams, third, rightToLeft, line, values, stride, task.randomIndex,
                   task.levels);
    CellsToErrorLines<kStreams>(task);
}

// The kernel on the error lines, reading value[i * stride] for the i-th
// scanned pixel.
template <int kStreams, typename Value>
void RunKernelOn(HalftoneTask& task, bool third, const Value* value, ptrdiff_t stride) {
    if (task.direction > 0) {
        if (third) RunKernel<kStreams, true, 1>(task, value, stride);
        else RunKernel<kStreams, false, 1>(task, value, stride);
    } else {
        if (third) RunKernel<kStreams, true, -1>(task, value, stride);
        else RunKernel<kStreams, false, -1>(task, value, stride);
    }
}

// Whether a kernel can run the task.
template <int kStreams>
bool TaskRuns(const HalftoneTask* task) {
    if (!task || !task->converted || !task->out || !task->noise || !task->random || task->width < 1 ||
        (task->direction != 1 && task->direction != -1))
        return false;
    for (int s = 0; s < kStreams; ++s)
        if (!task->errorLine[s] || (kStreams > 1 && !task->dotSizeTable[s])) return false;
    return true;
}

// Whether the task runs in the lane form.
bool LaneFormRuns(const HalftoneTask& task) {
    return task.laneCells && task.lanes && task.lanes->set != DiffusionLanes::None && task.lanes->levelCodes &&
           task.lanes->random && task.width % 8 == 0;
}

template <int kStreams>
int DispatchKernel(HalftoneTask* task) {
    if (!TaskRuns<kStreams>(task)) return kKernelBadTask;
    // Two dot sizes always split by shifts.
    const bool third = kStreams != 2 && task->thirdSplit;
    if (LaneFormRuns(*task)) {
        RunLaneKernel<kStreams>(*task, third);
        return 0;
    }
    if (task->levels)
        RunKernelOn<kStreams>(*task, third, task->levels + (task->direction > 0 ? 0 : task->width - 1), task->direction);
    else
        RunKernelOn<kStreams>(*task, third, task->converted, task->stride);
    return 0;
}

// Tasks of one line side by side, two at a time, where all run in the lane
// form on one set of AVX2 lanes or wider and read levels; the rest, or all
// of them otherwise, one by one.
template <int kStreams>
int DispatchLines(HalftoneTask* const* tasks, int count) {
    if (!tasks || count < 0) return kKernelBadTask;
    bool grouped = true;
    for (int k = 0; k < count; ++k) {
        const HalftoneTask* t = tasks[k];
        const HalftoneTask* a = tasks[0];
        if (!TaskRuns<kStreams>(t)) return kKernelBadTask;
        grouped = grouped && LaneFormRuns(*t) && t->levels && t->lanes == a->lanes &&
                  t->lanes->set >= DiffusionLanes::Avx2 && t->width == a->width && t->direction == a->direction &&
                  t->thirdSplit == a->thirdSplit && t->noise == a->noise;
    }
    int k = 0;
    for (; grouped && count - k >= 2; k += 2) {
        const HalftoneTask& a = *tasks[k];
        const bool rightToLeft = a.direction < 0;
        const int32_t bytes = a.width / 4;
        LanePairLine line{a.width, bytes, a.lanes->levelCodes, a.lanes->random, a.noise, {}, {}, {}, {}};
        for (int g = 0; g < 2; ++g) {
            HalftoneTask& t = *tasks[k + g];
            CellsFromErrorLines<kStreams>(t);
            line.cells[g] = t.laneCells;
            line.out[g] = t.out - (rightToLeft ? bytes - 1 : 0);
            line.levels[g] = t.levels;
            line.index[g] = &t.randomIndex;
        }
        if (!RunLanePair(a.lanes->set, kStreams, kStreams != 2 && a.thirdSplit, rightToLeft, line)) break;
        for (int g = 0; g < 2; ++g) CellsToErrorLines<kStreams>(*tasks[k + g]);
    }
    for (; k < count; ++k) DispatchKernel<kStreams>(tasks[k]);
    return 0;
}

}  // namespace

int HalftoneLineVDS2(HalftoneTask* task) { return DispatchKernel<2>(task); }
int HalftoneLineVDS3(HalftoneTask* task) { return DispatchKernel<3>(task); }
int HalftoneLineSE1(HalftoneTask* task) { return DispatchKernel<1>(task); }
int HalftoneLinesVDS2(HalftoneTask* const* tasks, int count) { return DispatchLines<2>(tasks, count); }
int HalftoneLinesVDS3(HalftoneTask* const* tasks, int count) { return DispatchLines<3>(tasks, count); }

// ---------------------------------------------------------------------------
// The inline line step.

namespace {

std::atomic<int> g_laneLimit{static_cast<int>(DiffusionLanes::Avx512)};

struct InlineLine {
    const uint8_t* input;
    int32_t inputBytesPerPixel;
    uint8_t* outLine;
    int32_t bytesPerChannel;
    int32_t width;
    int32_t scaleX;
    int32_t* errorLines;
    size_t lineCells;
    const NoiseTable* noise;
    const uint8_t* random;
    const uint16_t* const* dotSizeTables;
    DiffusionPixelConverter convert;
    CHalftone* halftone;
};

template <int kStreams, bool kThirdSplit, int kChannels, int kStep>
void RunInlineLine(const InlineLine& line, uint32_t& index) {
    constexpr int kBits = kStreams == 1 ? 1 : 2;
    constexpr int kPerByte = 8 / kBits;
    const int32_t width = line.width;
    const int16_t* noise = &line.noise->value[0][0];
    const uint8_t* random = line.random;
    const uint16_t* const* levels = line.dotSizeTables;

    // The error lines of every stream advance together: one cell pointer per
    // stream, all moved by the same step.
    StreamRun runs[kChannels][3];
    int32_t* cells[kChannels][3];
    for (int c = 0; c < kChannels; ++c) {
        for (int s = 0; s < kStreams; ++s) {
            cells[c][s] = line.errorLines + (3 * c + s) * line.lineCells + (kStep < 0 ? width : 1);
            StartRun<kStep>(runs[c][s], cells[c][s]);
        }
    }
    // Every byte of the line is written once, in scan order.
    uint8_t* out = line.outLine + (kStep < 0 ? line.bytesPerChannel - 1 : 0);

    // Input pixels: groups of scaleX output pixels counted from the scan
    // start. A right-to-left line whose width is not a multiple of the scale
    // ends on a partial group; it repeats pixel 0 rather than reading before
    // the line.
    const int32_t scale = line.scaleX;
    ptrdiff_t pixel = kStep < 0 ? width / scale - 1 : 0;
    int32_t converted[8] = {0, 0, 0, 0, 0, 0, 0, 0};
    int32_t groupLeft = 0;

    for (int32_t n = 0; n < width; n += kPerByte) {
        uint32_t acc[kChannels] = {};
#pragma GCC unroll 8
        for (int k = 0; k < kPerByte; ++k) {
            if (groupLeft == 0) {
                line.convert(line.halftone, line.input + (pixel < 0 ? 0 : pixel) * line.inputBytesPerPixel, converted);
                pixel += kStep;
                groupLeft = scale;
            }
            --groupLeft;
            const bool odd = (k & 1) != 0;  // n is a multiple of 8
#pragma GCC unroll 8
            for (int c = 0; c < kChannels; ++c) {
                const uint32_t code = ChannelPixel<kStreams, kThirdSplit, kStep>(runs[c], cells[c], converted[c],
                                                                                 levels, odd, index, noise, random);
                acc[c] = Pack<kBits, kStep>(acc[c], code);
#pragma GCC unroll 3
                for (int s = 0; s < kStreams; ++s) cells[c][s] += kStep;
            }
        }
        for (int c = 0; c < kChannels; ++c) out[c * line.bytesPerChannel] = static_cast<uint8_t>(acc[c]);
        out += kStep;
    }
    for (int c = 0; c < kChannels; ++c)
        for (int s = 0; s < kStreams; ++s) FinishRun<kStep>(runs[c][s], cells[c][s]);
}

template <int kStreams, bool kThirdSplit>
void RunInlineLine(const InlineLine& line, int channels, bool rightToLeft, uint16_t& randomIndex) {
    uint32_t index = randomIndex;
    if (channels == 8) {
        if (rightToLeft) RunInlineLine<kStreams, kThirdSplit, 8, -1>(line, index);
        else RunInlineLine<kStreams, kThirdSplit, 8, 1>(line, index);
    } else {
        if (rightToLeft) RunInlineLine<kStreams, kThirdSplit, 4, -1>(line, index);
        else RunInlineLine<kStreams, kThirdSplit, 4, 1>(line, index);
    }
    randomIndex = static_cast<uint16_t>(index);
}

}  // namespace

int32_t ErrorDiffusion::InitJob(const DiffusionRoutine& routine, int32_t imageWidth, int32_t scaleX,
                                int32_t resolutionX, int32_t resolutionY, int32_t inputBytesPerPixel) {
    ExitJob();
    if (imageWidth < 1 || imageWidth > std::numeric_limits<int32_t>::max() - 16 || scaleX < 1 ||
        inputBytesPerPixel < 1 || (routine.channels != 4 && routine.channels != 8) || routine.streams < 1 ||
        routine.streams > 3)
        return kDiffusionBadGeometry;
    m_routine = &routine;
    m_width = (imageWidth + 7) / 8 * 8;
    m_scaleX = scaleX;
    m_channels = routine.channels;
    m_bytesPerChannel = BytesPerChannelFor(routine, imageWidth);
    m_inputBytesPerPixel = inputBytesPerPixel;
    m_thirdSplit = routine.streams != 2 && resolutionX > resolutionY;

    const size_t cells = 3 * static_cast<size_t>(m_channels) * ErrorLineCells();
    m_errorLines.reset(new (std::nothrow) int32_t[cells]);
    if (!m_errorLines) {
        m_routine = nullptr;
        return kDiffusionNoErrorLines;
    }
    std::memset(m_errorLines.get(), 0, cells * sizeof(int32_t));

    m_lanes = WidestLanes();
    if (m_lanes != DiffusionLanes::None) {
        const LaneLayout layout = LaneLayoutFor(routine.streams, m_channels);
        m_laneCount = static_cast<size_t>(layout.Lanes());
        const size_t laneCells = m_laneCount * ErrorLineCells();
        m_laneCells.reset(new (std::nothrow) int16_t[laneCells]);
        m_laneLevelCodes.reset(new (std::nothrow) uint16_t[(kMaxLevel + 1) * layout.lanesPerChannel]);
        m_laneRandom.reset(new (std::nothrow) uint8_t[kRandomTableSize + kLaneRandomPad]);
        if (!m_laneCells || !m_laneLevelCodes || !m_laneRandom) {
            ExitJob();
            return kDiffusionNoErrorLines;
        }
        std::memset(m_laneCells.get(), 0, laneCells * sizeof(int16_t));
    }
    m_nRandomIndex = 0;
    m_bReverseLine = 0;
    return kDiffusionOk;
}

int32_t ErrorDiffusion::BytesPerChannelFor(const DiffusionRoutine& routine, int32_t imageWidth) {
    if (imageWidth < 1 || imageWidth > std::numeric_limits<int32_t>::max() - 16) return 0;
    return (imageWidth + 7) / 8 * routine.bitsPerPixel;
}

int32_t ErrorDiffusion::SetTables(const NoiseTable* noise, const uint8_t* random,
                                  const uint16_t* const dotSizeTables[3]) {
    m_noise = nullptr;
    m_random = nullptr;
    for (const uint16_t*& table : m_dotSizeTables) table = nullptr;
    if (!noise || !random) return kDiffusionMissingTables;
    const int streams = m_routine ? m_routine->streams : 1;
    if (streams > 1) {
        if (!dotSizeTables) return kDiffusionMissingTables;
        for (int s = 0; s < streams; ++s)
            if (!dotSizeTables[s]) return kDiffusionMissingTables;
        std::copy(dotSizeTables, dotSizeTables + streams, m_dotSizeTables);
    }
    m_noise = noise;
    m_random = random;
    if (m_lanes != DiffusionLanes::None) {
        BuildLaneLevelCodes(streams, m_dotSizeTables, m_laneLevelCodes.get());
        std::memcpy(m_laneRandom.get(), random, kRandomTableSize);
        std::memcpy(m_laneRandom.get() + kRandomTableSize, random, kLaneRandomPad);
    }
    return kDiffusionOk;
}

void ErrorDiffusion::InitPage() {
    if (m_errorLines)
        std::memset(m_errorLines.get(), 0, 3 * static_cast<size_t>(m_channels) * ErrorLineCells() * sizeof(int32_t));
    if (m_laneCells) std::memset(m_laneCells.get(), 0, m_laneCount * ErrorLineCells() * sizeof(int16_t));
    m_nRandomIndex = 0;
    m_bReverseLine = 0;
}

size_t ErrorDiffusion::InputBytesNeeded() const {
    if (!m_routine) return 0;
    const size_t pixels = (static_cast<size_t>(m_width) + m_scaleX - 1) / m_scaleX;
    return pixels * static_cast<size_t>(m_inputBytesPerPixel);
}

int32_t ErrorDiffusion::HalftoneLine(const uint8_t* input, size_t inputBytes, uint8_t* outLine, size_t outBytes,
                                     DiffusionPixelConverter convert, CHalftone* halftone) {
    if (!m_routine || !m_errorLines || !m_noise || !m_random ||
        (m_routine->streams > 1 && !m_dotSizeTables[m_routine->streams - 1]) || !convert || !input ||
        inputBytes < InputBytesNeeded() || !outLine || outBytes < OutLineBytes())
        return kDiffusionBadLine;

    const bool rightToLeft = m_bReverseLine != 0;
    m_bReverseLine = rightToLeft ? 0 : 1;

    if (m_lanes != DiffusionLanes::None) {
        const LaneLine lanes{input,         m_inputBytesPerPixel,    outLine,  m_bytesPerChannel,
                             m_width,       m_scaleX,                m_laneCells.get(), m_laneLevelCodes.get(),
                             m_laneRandom.get(), m_noise,            convert,  halftone};
        RunLaneLine(m_lanes, m_routine->streams, m_thirdSplit, m_channels, rightToLeft, lanes, m_nRandomIndex);
        return kDiffusionOk;
    }
    const InlineLine line{input,   m_inputBytesPerPixel, outLine,       m_bytesPerChannel, m_width,
                          m_scaleX, m_errorLines.get(),   ErrorLineCells(), m_noise,       m_random,
                          m_dotSizeTables, convert,      halftone};
    switch (m_routine->streams * 2 + (m_thirdSplit ? 1 : 0)) {
        case 2: RunInlineLine<1, false>(line, m_channels, rightToLeft, m_nRandomIndex); break;
        case 3: RunInlineLine<1, true>(line, m_channels, rightToLeft, m_nRandomIndex); break;
        case 4: RunInlineLine<2, false>(line, m_channels, rightToLeft, m_nRandomIndex); break;
        case 6: RunInlineLine<3, false>(line, m_channels, rightToLeft, m_nRandomIndex); break;
        case 7: RunInlineLine<3, true>(line, m_channels, rightToLeft, m_nRandomIndex); break;
        default: return kDiffusionBadLine;
    }
    return kDiffusionOk;
}

int32_t ErrorDiffusion::ErrorCell(int channel, int stream, size_t cell) const {
    if (!m_routine || channel < 0 || channel >= m_channels || stream < 0 || stream >= m_routine->streams ||
        cell >= ErrorLineCells())
        return 0;
    if (m_lanes == DiffusionLanes::None) return m_errorLines[(3 * channel + stream) * ErrorLineCells() + cell];
    // Lanes of a channel hold its streams in processing order: 1, 0, 2.
    const int position = m_routine->streams == 1 ? 0 : stream == 1 ? 0 : stream == 0 ? 1 : 2;
    const int perChannel = LaneLayoutFor(m_routine->streams, m_channels).lanesPerChannel;
    return m_laneCells[cell * m_laneCount + channel * perChannel + position];
}

void ErrorDiffusion::LimitLanes(DiffusionLanes widest) { g_laneLimit = static_cast<int>(widest); }

DiffusionLanes ErrorDiffusion::WidestLanes() {
    return static_cast<DiffusionLanes>(std::min(g_laneLimit.load(), static_cast<int>(SupportedLanes())));
}

void ErrorDiffusion::ExitJob() {
    m_laneCells.reset();
    m_laneLevelCodes.reset();
    m_laneRandom.reset();
    m_lanes = DiffusionLanes::None;
    m_laneCount = 0;
    m_errorLines.reset();
    m_routine = nullptr;
    m_width = 0;
    m_bytesPerChannel = 0;
    m_channels = 0;
}
