#include "halftone/planar_channel.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <string>

#include "base/text_error.h"

namespace {

constexpr int32_t kMaxAmount = kNoiseLevels - 1;
constexpr int32_t kThreshold = 2047;
constexpr int32_t kFull = 4095;
constexpr int32_t kAidAbove = 4000;  // NDS and VDS1 also near full ink

// Codes of VDS3: small, large (curve 1) and top (curve 2).
constexpr uint8_t kVds3Codes[3] = {1, 2, 3};

// The running state of one dot size's diffusion along a line.
struct Stream {
    int32_t* cell;     // error cell of the current pixel
    int32_t e;         // running error
    uint32_t counter;  // pixels since the highlight aid last fired
};

enum StepResult { kNegative = -1, kNoDot = 0, kDot = 1 };

// One pixel of one stream on amount a (0 to 4095): threshold, highlight aid,
// error split. odd: the pixel's ordinal in the line is odd. Written without
// branches on the error, which is as good as random.
template <int kDir, bool kAspect, bool kAidHigh>
inline StepResult Step(Stream& s, int32_t a, bool odd, uint16_t& randomIndex, const NoiseTable& weights,
                       const uint8_t* random) {
    // A zero amount takes no random step; its weights row is all 0.
    randomIndex = static_cast<uint16_t>(randomIndex + (a != 0));
    const int32_t w = weights.value[a][random[randomIndex]];
    int32_t e = s.e + a;
    const bool negative = e < 0;
    const bool dot = e > kThreshold;
    s.counter = negative ? 0 : s.counter;
    e = negative ? 0 : e;
    e = dot ? (e <= kFull ? e - kFull : 0) : e;
    if ((a < kHighlightLevels || (kAidHigh && a > kAidAbove)) && e > 0) {
        if (s.counter > random[randomIndex]) {
            s.counter = 0;
            // Near full ink the aid only resets its counter.
            if (a < kHighlightLevels) e += (kThreshold - e) / kHighlightDivisor[a >> 4];
            if (odd) {
                ++randomIndex;
                *s.cell -= random[randomIndex] * 32;
            }
        } else {
            ++s.counter;
        }
    } else {
        s.counter = 0;
    }
    // With no error the pixel passes nothing on, not even its weight.
    const int32_t wz = e != 0 ? w : 0;
    const int32_t ahead = kAspect ? (2 * e) / 3 : e >> 1;
    const int32_t below = kAspect ? e / 6 : e >> 2;
    int32_t* cell = s.cell;
    cell[-kDir] += e - ahead - below;
    cell[0] += below - wz;
    cell += kDir;
    s.e = *cell + ahead + wz;
    *cell = 0;
    s.cell = cell;
    return static_cast<StepResult>(static_cast<int>(dot) - static_cast<int>(negative));
}

inline int32_t Amount(uint16_t raw) {
    const int32_t v = static_cast<int16_t>(raw);
    return v < 0 ? 0 : (v > kMaxAmount ? kMaxAmount : v);
}

const PlanarChannel_VDS_Parameters& RequireParameters(const PlanarChannelParameters* parameters, const char* name) {
    const auto* vds = dynamic_cast<const PlanarChannel_VDS_Parameters*>(parameters);
    if (!vds) throw TextError(std::string(name) + ": missing pParameters");
    return *vds;
}

// The code m at pixel j (0 to 3) of a byte: m x 64, m x 16, m x 4, m.
std::array<uint8_t, 4> CodeMasks(uint8_t m) {
    return {static_cast<uint8_t>(m << 6), static_cast<uint8_t>(m << 4), static_cast<uint8_t>(m << 2), m};
}

}  // namespace

CPlanarOne_SE1::CPlanarOne_SE1(CPlanarHalf* owner, Kind kind, const PlanarChannelParameters* parameters,
                               const char* name)
    : CPlanarOneChannel(owner), m_kind(kind), m_rows(kind == kVDS3 ? 3 : (kind == kVDS2 ? 2 : 1)) {
    m_pWeights = std::make_unique<NoiseTable>();
    BuildNoiseTable(*m_pWeights);
    m_pRandomTable = std::make_unique<uint8_t[]>(kRandomTableSize + kPlanarLaneRandomPad);
    FillRandomTable(m_pRandomTable.get(), 1);
    std::memcpy(m_pRandomTable.get() + kRandomTableSize, m_pRandomTable.get(), kPlanarLaneRandomPad);
    if (kind == kNDS) return;

    const PlanarChannel_VDS_Parameters& p = RequireParameters(parameters, name);
    if (kind == kVDS3) {
        for (int k = 0; k < 3; ++k) m_masks[static_cast<size_t>(k)] = CodeMasks(kVds3Codes[k]);
    } else {
        for (int k = 0; k < (kind == kVDS1 ? 1 : 2); ++k) m_masks[static_cast<size_t>(k)] = CodeMasks(p.dotCodes[static_cast<size_t>(k)]);
    }
    if (kind == kVDS2 || kind == kVDS3) {
        m_curves.resize(static_cast<size_t>(m_rows) * kVdsCurveSize);
        for (int k = 0; k < m_rows; ++k) {
            const auto& curve = p.levelCurves[static_cast<size_t>(k)];
            std::transform(curve.begin(), curve.end(), m_curves.begin() + k * kVdsCurveSize,
                           [](uint16_t v) { return static_cast<uint16_t>(std::min<int32_t>(v, kMaxAmount)); });
        }
    }
    if (kind == kVDS3) {
        m_pLaneTable = std::make_unique<PlanarLaneEntry[]>(kNoiseLevels);
        BuildPlanarLaneTable(m_curves.data(), m_curves.data() + kVdsCurveSize, m_curves.data() + 2 * kVdsCurveSize,
                             m_pLaneTable.get());
        UseLanes(true);
    }
}

void CPlanarOne_SE1::UseLanes(bool on) { m_useLanes = on && m_pLaneTable && PlanarLanesSupported(); }

int CPlanarOne_SE1::InitJob(uint32_t channels, uint32_t width, uint32_t repeat, bool aspect,
                            const uint16_t* channelNumber) {
    m_channels = std::max(channels, 1u);
    m_width = width;
    m_repeat = std::max(repeat, 1u);
    m_aspect = aspect;
    m_channelNumber = channelNumber ? *channelNumber : 0;
    m_randomIndex = m_channelNumber;
    // One row of P + 2 cells per dot size (VDS1 sizes two and uses one).
    const size_t blocks = (static_cast<size_t>(width) + 7) / 8;
    const size_t sizedRows = m_kind == kNDS ? 1 : static_cast<size_t>(std::max(m_rows, 2));
    const size_t margins = m_kind == kVDS1 ? 8 : sizedRows * 8;
    m_errorRows.Allocate(blocks * 32 * sizedRows + margins);
    return 0;
}

int CPlanarOne_SE1::InitPage() {
    m_randomIndex = m_channelNumber;
    m_reverse = false;
    m_errorRows.ZeroFill();
    return 0;
}

const int32_t* CPlanarOne_SE1::ErrorRow(int r) const {
    const size_t cells = (static_cast<size_t>(m_width) + 7) / 8 * 8 + 2;
    return reinterpret_cast<const int32_t*>(m_errorRows.data()) + static_cast<size_t>(r) * cells;
}

uint64_t CPlanarOne_SE1::ProcessLine(CPlanarLineRequest& request) {
    try {
        const uint64_t blocks = (static_cast<uint64_t>(m_width) + 7) / 8;
        const uint64_t needed = m_kind == kNDS ? blocks : 2 * blocks;
        if (needed > request.outputSize) throw TextError("Output buffer too small");
        const size_t cells = static_cast<size_t>(blocks) * 8 + 2;
        if (!request.input || !request.output || m_errorRows.size() < cells * static_cast<size_t>(m_rows) * 4) {
            throw TextError("line without input, output or error rows");
        }
        std::memset(request.output, 0, static_cast<size_t>(request.outputSize));

        const bool rightToLeft = m_reverse;
        m_reverse = !m_reverse;
        if (RunsLanes()) {
            RunPlanarLaneLine(rightToLeft, LaneLine(request), m_randomIndex);
            const uint64_t written = request.outputSize;
            request.Done(true);  // the request may be gone from here on
            return written;
        }
#define PLANAR_LINE(kind)                                                                    \
    if (rightToLeft) {                                                                       \
        m_aspect ? Line<kind, -1, true>(request.input, request.output)                       \
                 : Line<kind, -1, false>(request.input, request.output);                     \
    } else {                                                                                 \
        m_aspect ? Line<kind, 1, true>(request.input, request.output)                        \
                 : Line<kind, 1, false>(request.input, request.output);                      \
    }
        switch (m_kind) {
            case kNDS: PLANAR_LINE(kNDS) break;
            case kVDS1: PLANAR_LINE(kVDS1) break;
            case kVDS2: PLANAR_LINE(kVDS2) break;
            case kVDS3: PLANAR_LINE(kVDS3) break;
        }
#undef PLANAR_LINE
        const uint64_t written = request.outputSize;
        request.Done(true);  // the request may be gone from here on
        return written;
    } catch (...) {
        request.Done(false);
        return 0;
    }
}

PlanarLaneLine CPlanarOne_SE1::LaneLine(const CPlanarLineRequest& request) {
    // The random table may have been written since it was built.
    uint8_t* random = m_pRandomTable.get();
    std::memcpy(random + kRandomTableSize, random, kPlanarLaneRandomPad);
    return PlanarLaneLine{request.input,  m_channels, m_repeat, m_width, request.output,
                          reinterpret_cast<int32_t*>(m_errorRows.data()), random, m_pWeights.get(),
                          m_pLaneTable.get()};
}

bool CPlanarOne_SE1::ProcessLinePair(CPlanarOneChannel& first, CPlanarLineRequest& firstRequest,
                                     CPlanarOneChannel& second, CPlanarLineRequest& secondRequest) {
    auto* a = dynamic_cast<CPlanarOne_SE1*>(&first);
    auto* b = dynamic_cast<CPlanarOne_SE1*>(&second);
    if (!a || !b || a == b || !a->RunsLanes() || !b->RunsLanes()) return false;
    if (a->m_width != b->m_width || a->m_channels != b->m_channels || a->m_repeat != b->m_repeat ||
        a->m_reverse != b->m_reverse) {
        return false;
    }
    // Anything a single line would refuse goes the single way, which reports it.
    const uint64_t needed = 2 * ((static_cast<uint64_t>(a->m_width) + 7) / 8);
    const size_t cells = static_cast<size_t>(needed) * 4 + 2;
    for (const CPlanarLineRequest* r : {&firstRequest, &secondRequest}) {
        if (needed > r->outputSize || !r->input || !r->output) return false;
    }
    for (const CPlanarOne_SE1* c : {a, b}) {
        if (c->m_errorRows.size() < cells * 3 * 4) return false;
    }
    std::memset(firstRequest.output, 0, static_cast<size_t>(firstRequest.outputSize));
    std::memset(secondRequest.output, 0, static_cast<size_t>(secondRequest.outputSize));
    const bool rightToLeft = a->m_reverse;
    a->m_reverse = b->m_reverse = !rightToLeft;
    const PlanarLaneLine lines[2] = {a->LaneLine(firstRequest), b->LaneLine(secondRequest)};
    RunPlanarLanePair(rightToLeft, lines, a->m_randomIndex, b->m_randomIndex);
    firstRequest.Done(true);  // either request may be gone from here on
    secondRequest.Done(true);
    return true;
}

template <CPlanarOne_SE1::Kind kKind, int kDir, bool kAspect>
void CPlanarOne_SE1::Line(const uint16_t* input, uint8_t* output) {
    constexpr int kStreams = kKind == kVDS3 ? 3 : (kKind == kVDS2 ? 2 : 1);
    constexpr bool kAidHigh = kKind == kNDS || kKind == kVDS1;
    const int64_t P = (static_cast<int64_t>(m_width) + 7) / 8 * 8;
    const size_t cells = static_cast<size_t>(P) + 2;
    int32_t* rows = reinterpret_cast<int32_t*>(m_errorRows.data());

    // Stream s diffuses level curve s (NDS and VDS1: the value itself).
    Stream streams[kStreams];
    for (int s = 0; s < kStreams; ++s) {
        int32_t* row = rows + static_cast<size_t>(s) * cells;
        streams[s] = Stream{kDir > 0 ? row + 1 : row + P, 0, 0};
    }
    const NoiseTable& weights = *m_pWeights;
    const uint8_t* random = m_pRandomTable.get();
    const uint16_t* curves = m_curves.data();
    uint16_t randomIndex = m_randomIndex;

    // Values in groups of `repeat` pixels counted from the scan start; a
    // right-to-left line whose width is no multiple of the repeat ends on a
    // partial group, which takes the line's first value.
    const uint32_t repeat = m_repeat;
    const ptrdiff_t stride = static_cast<ptrdiff_t>(m_channels);
    ptrdiff_t value = kDir > 0 ? 0 : static_cast<ptrdiff_t>(P / repeat) - 1;
    uint32_t groupLeft = 0;
    int32_t v = 0;
    bool excluded = false;  // VDS2, VDS3: the large dot fired at the last pixel that decided

    // Every byte of the row is made in a register and written once, in scan order.
    constexpr int kPerByte = kKind == kNDS ? 8 : 4;
    uint8_t* out = output + (kDir > 0 ? 0 : P / kPerByte - 1);
    for (int64_t n = 0; n < P; n += kPerByte, out += kDir) {
        uint32_t byte = 0;
#pragma GCC unroll 8
        for (int k = 0; k < kPerByte; ++k) {
            if (groupLeft == 0) {
                v = Amount(input[(value < 0 ? 0 : value) * stride]);
                value += kDir;
                groupLeft = repeat;
            }
            --groupLeft;
            const bool odd = (k & 1) != 0;  // n is even
            const size_t j = static_cast<size_t>(kDir > 0 ? k : kPerByte - 1 - k);  // the pixel's place in its byte
            if constexpr (kKind == kNDS) {
                const bool dot = Step<kDir, kAspect, kAidHigh>(streams[0], v, odd, randomIndex, weights, random) == kDot;
                byte |= dot ? 0x80u >> j : 0u;
            } else if constexpr (kKind == kVDS1) {
                const bool dot = Step<kDir, kAspect, kAidHigh>(streams[0], v, odd, randomIndex, weights, random) == kDot;
                byte |= dot ? m_masks[0][j] : 0u;
            } else {
                const StepResult large = Step<kDir, kAspect, kAidHigh>(streams[1], curves[kVdsCurveSize + v], odd,
                                                                       randomIndex, weights, random);
                // A negative large result leaves the exclusion as it was.
                excluded = large == kDot || (large == kNegative && excluded);
                byte |= large == kDot ? m_masks[1][j] : 0u;
                const bool small =
                    Step<kDir, kAspect, kAidHigh>(streams[0], curves[v], odd, randomIndex, weights, random) == kDot;
                byte |= small && !excluded ? m_masks[0][j] : 0u;
                if constexpr (kKind == kVDS3) {
                    const bool top = Step<kDir, kAspect, kAidHigh>(streams[2], curves[2 * kVdsCurveSize + v], odd,
                                                                   randomIndex, weights, random) == kDot;
                    byte |= top ? m_masks[2][j] : 0u;
                }
            }
        }
        *out = static_cast<uint8_t>(byte);
    }
    m_randomIndex = randomIndex;
}

std::unique_ptr<CPlanarOneChannel> CreatePlanarOne_SE1_NDS(CPlanarHalf* owner, const PlanarChannelParameters*) {
    return std::make_unique<CPlanarOne_SE1_NDS>(owner);
}

std::unique_ptr<CPlanarOneChannel> CreatePlanarOne_SE1_VDS1(CPlanarHalf* owner,
                                                            const PlanarChannelParameters* parameters) {
    return std::make_unique<CPlanarOne_SE1_VDS1>(owner, parameters);
}

std::unique_ptr<CPlanarOneChannel> CreatePlanarOne_SE1_VDS2(CPlanarHalf* owner,
                                                            const PlanarChannelParameters* parameters) {
    return std::make_unique<CPlanarOne_SE1_VDS2>(owner, parameters);
}

std::unique_ptr<CPlanarOneChannel> CreatePlanarOne_SE1_VDS3(CPlanarHalf* owner,
                                                            const PlanarChannelParameters* parameters) {
    return std::make_unique<CPlanarOne_SE1_VDS3>(owner, parameters);
}
