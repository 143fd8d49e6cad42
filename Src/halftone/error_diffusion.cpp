#include "halftone/error_diffusion.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>

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

// The order in which a pixel runs its streams, by stream count.
constexpr int kStreamOrder[4][3] = {{0, 0, 0}, {0, 0, 0}, {1, 0, 0}, {1, 0, 2}};

// Running state of one stream along a line.
struct StreamState {
    int32_t carry = 0;    // error carried to the next pixel
    int32_t counter = 0;  // highlight counter
};

// Error cells only ever add bounded amounts, but a margin cell that no line
// reads back keeps adding: let it wrap instead of overflowing.
inline void AddToCell(int32_t& cell, int32_t amount) {
    cell = static_cast<int32_t>(static_cast<uint32_t>(cell) + static_cast<uint32_t>(amount));
}

inline int32_t ClampLevel(int32_t value) { return std::min(std::max(value, 0), kMaxLevel); }

// One stream at one pixel: cell is the current pixel's error cell, step the
// scan direction (+1 or -1). Returns whether the stream fired.
template <bool kThirdSplit>
inline bool Diffuse(int32_t level, bool oddPixel, int32_t* cell, ptrdiff_t step, StreamState& s,
                    uint16_t& index, const NoiseTable& noise, const uint8_t* random) {
    int32_t sum = s.carry;
    int32_t noiseValue = 0;
    if (level != 0) {
        ++index;
        noiseValue = noise.value[level][random[index]];
        sum += level;
    }
    bool fired = false;
    if (sum < 0) {
        sum = 0;
    } else if (sum > kFireThreshold) {
        fired = true;
        sum = sum <= kMaxLevel ? sum - kMaxLevel : 0;
    }
    if (level < kHighlightLevels && sum > 0) {
        if (s.counter > static_cast<int8_t>(random[index])) {
            s.counter = 0;
            sum += (kFireThreshold - sum) / kHighlightDivisor[level >> 4];
            if (oddPixel) {
                ++index;
                AddToCell(cell[0], -32 * static_cast<int32_t>(random[index]));
            }
        } else {
            ++s.counter;
        }
    } else {
        s.counter = 0;
    }
    if (sum != 0) {
        int32_t half, quarter;
        if (kThirdSplit) {
            half = 2 * sum / 3;
            quarter = sum / 6;
        } else {
            half = sum >> 1;
            quarter = sum >> 2;
        }
        AddToCell(cell[-step], sum - quarter - half);
        AddToCell(cell[0], quarter - noiseValue);
        s.carry = half + noiseValue + cell[step];
    } else {
        s.carry = cell[step];
    }
    cell[step] = 0;
    return fired;
}

// The dot code of a pixel from the streams that fired, each stream's bit at
// its own position: VDS2 -> 2 over 1, VDS3 -> 3 over 2 over 1.
template <int kStreams>
inline uint32_t DotCode(const bool fired[3]) {
    if (kStreams == 1) return fired[0] ? 1u : 0u;
    if (kStreams == 3 && fired[2]) return 3u;
    if (fired[1]) return 2u;
    return fired[0] ? 1u : 0u;
}

// Packs dot codes into bytes in scan order; the leftmost pixel of a byte
// takes its highest bits whichever way the line runs.
template <int kBits>
class CodePacker {
public:
    static constexpr int kPerByte = 8 / kBits;
    CodePacker() = default;
    // out is the byte of the first scanned pixel, firstPosition its place in
    // that byte (0 the leftmost).
    CodePacker(uint8_t* out, int step, int firstPosition) : m_out(out), m_step(step), m_position(firstPosition) {}
    void Put(uint32_t code) {
        m_acc |= code << (8 - kBits - kBits * m_position);
        m_position += m_step;
        if (m_position == kPerByte || m_position < 0) {
            *m_out |= static_cast<uint8_t>(m_acc);
            m_acc = 0;
            m_out += m_step;
            m_position = m_step > 0 ? 0 : kPerByte - 1;
        }
    }
    // Writes a byte the line left unfinished.
    void Flush() {
        if (m_acc != 0) *m_out |= static_cast<uint8_t>(m_acc);
        m_acc = 0;
    }

private:
    uint8_t* m_out = nullptr;
    int m_step = 1;
    int m_position = 0;
    uint32_t m_acc = 0;
};

template <int kStreams, bool kThirdSplit>
int RunKernel(HalftoneTask* task) {
    if (!task || !task->converted || !task->out || !task->noise || !task->random || task->width < 1 ||
        (task->direction != 1 && task->direction != -1))
        return kKernelBadTask;
    for (int s = 0; s < kStreams; ++s)
        if (!task->errorLine[s] || (kStreams > 1 && !task->dotSizeTable[s])) return kKernelBadTask;

    constexpr int kBits = kStreams == 1 ? 1 : 2;
    const ptrdiff_t step = task->direction;
    const int32_t width = task->width;
    const NoiseTable& noise = *task->noise;
    const uint8_t* random = task->random;
    uint16_t index = task->randomIndex;
    StreamState state[3];
    int32_t* cell[3] = {task->errorLine[0], task->errorLine[1], task->errorLine[2]};
    const int32_t* value = task->converted;
    CodePacker<kBits> packer(task->out, task->direction,
                             step > 0 ? 0 : (width - 1) % CodePacker<kBits>::kPerByte);

    for (int32_t n = 0; n < width; ++n, value += task->stride) {
        const int32_t v = ClampLevel(*value);
        const bool odd = (n & 1) != 0;
        bool fired[3] = {false, false, false};
        for (int i = 0; i < kStreams; ++i) {
            const int s = kStreamOrder[kStreams][i];
            const int32_t level = kStreams == 1 ? v : std::min<int32_t>(task->dotSizeTable[s][v], kMaxLevel);
            fired[s] = Diffuse<kThirdSplit>(level, odd, cell[s], step, state[s], index, noise, random);
            cell[s] += step;
        }
        packer.Put(DotCode<kStreams>(fired));
    }
    packer.Flush();
    task->randomIndex = index;
    return 0;
}

}  // namespace

int HalftoneLineVDS2(HalftoneTask* task) { return RunKernel<2, false>(task); }

int HalftoneLineVDS3(HalftoneTask* task) {
    if (task && task->thirdSplit) return RunKernel<3, true>(task);
    return RunKernel<3, false>(task);
}

int HalftoneLineSE1(HalftoneTask* task) {
    if (task && task->thirdSplit) return RunKernel<1, true>(task);
    return RunKernel<1, false>(task);
}

// ---------------------------------------------------------------------------
// The inline line step.

namespace {

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

template <int kStreams, bool kThirdSplit, int kChannels>
void RunInlineLine(const InlineLine& line, bool rightToLeft, uint16_t& index) {
    constexpr int kBits = kStreams == 1 ? 1 : 2;
    const int step = rightToLeft ? -1 : 1;
    const int32_t width = line.width;
    const NoiseTable& noise = *line.noise;
    const uint8_t* random = line.random;

    StreamState state[kChannels][3];
    int32_t* cell[kChannels][3];
    CodePacker<kBits> packers[kChannels];
    for (int c = 0; c < kChannels; ++c) {
        for (int s = 0; s < kStreams; ++s)
            cell[c][s] = line.errorLines + (3 * c + s) * line.lineCells + (rightToLeft ? width : 1);
        uint8_t* out = line.outLine + c * line.bytesPerChannel + (rightToLeft ? line.bytesPerChannel - 1 : 0);
        packers[c] = CodePacker<kBits>(out, step, rightToLeft ? CodePacker<kBits>::kPerByte - 1 : 0);
    }

    // Input pixels: groups of scaleX output pixels counted from the scan
    // start. A right-to-left line whose width is not a multiple of the scale
    // ends on a partial group; it repeats pixel 0 rather than reading before
    // the line.
    int32_t inputPixel = rightToLeft ? width / line.scaleX - 1 : 0;
    int32_t converted[8] = {0, 0, 0, 0, 0, 0, 0, 0};
    int32_t groupLeft = 0;

    for (int32_t n = 0; n < width; ++n) {
        if (groupLeft == 0) {
            line.convert(line.halftone, line.input + std::max(inputPixel, 0) * line.inputBytesPerPixel, converted);
            inputPixel += step;
            groupLeft = line.scaleX;
        }
        --groupLeft;
        const bool odd = (n & 1) != 0;
        for (int c = 0; c < kChannels; ++c) {
            const int32_t v = ClampLevel(converted[c]);
            bool fired[3] = {false, false, false};
            for (int i = 0; i < kStreams; ++i) {
                const int s = kStreamOrder[kStreams][i];
                const int32_t level = kStreams == 1 ? v : std::min<int32_t>(line.dotSizeTables[s][v], kMaxLevel);
                fired[s] = Diffuse<kThirdSplit>(level, odd, cell[c][s], step, state[c][s], index, noise, random);
                cell[c][s] += step;
            }
            packers[c].Put(DotCode<kStreams>(fired));
        }
    }
    for (CodePacker<kBits>& packer : packers) packer.Flush();
}

template <int kStreams, bool kThirdSplit>
void RunInlineLine(const InlineLine& line, int channels, bool rightToLeft, uint16_t& index) {
    if (channels == 8)
        RunInlineLine<kStreams, kThirdSplit, 8>(line, rightToLeft, index);
    else
        RunInlineLine<kStreams, kThirdSplit, 4>(line, rightToLeft, index);
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
    m_bytesPerChannel = m_width / 8 * (routine.streams == 1 ? 1 : 2);
    m_inputBytesPerPixel = inputBytesPerPixel;
    m_thirdSplit = routine.streams != 2 && resolutionX > resolutionY;

    const size_t cells = 3 * static_cast<size_t>(m_channels) * ErrorLineCells();
    m_errorLines.reset(new (std::nothrow) int32_t[cells]);
    if (!m_errorLines) {
        m_routine = nullptr;
        return kDiffusionNoErrorLines;
    }
    std::memset(m_errorLines.get(), 0, cells * sizeof(int32_t));
    m_nRandomIndex = 0;
    m_bReverseLine = 0;
    return kDiffusionOk;
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
    return kDiffusionOk;
}

void ErrorDiffusion::InitPage() {
    if (m_errorLines)
        std::memset(m_errorLines.get(), 0, 3 * static_cast<size_t>(m_channels) * ErrorLineCells() * sizeof(int32_t));
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

    std::memset(outLine, 0, OutLineBytes());
    const bool rightToLeft = m_bReverseLine != 0;
    m_bReverseLine = rightToLeft ? 0 : 1;

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

void ErrorDiffusion::ExitJob() {
    m_errorLines.reset();
    m_routine = nullptr;
    m_width = 0;
    m_bytesPerChannel = 0;
    m_channels = 0;
}
