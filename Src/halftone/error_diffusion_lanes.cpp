#include "halftone/error_diffusion_lanes.h"

#include <algorithm>
#include <cstring>

#if defined(__x86_64__) || defined(_M_X64) || defined(__i386__) || defined(_M_IX86)
#define ED_LANES_X86 1
#include <tmmintrin.h>
#if defined(_MSC_VER)
#include <intrin.h>
#endif
#endif

LaneLayout LaneLayoutFor(int streams, int channels) {
    const int perChannel = streams == 1 ? 1 : streams == 2 ? 2 : 4;
    return {perChannel, std::max(1, channels * perChannel / 8)};
}

uint16_t LaneLevelCode(int32_t level) {
    level = std::min(std::max(level, 0), kMaxLevel);
    int multiplier;
    if (level == 0 || level == kMaxLevel)
        multiplier = 0;
    else if (level < 64)
        multiplier = 15;
    else
        multiplier = NoiseBandMultiplier(level);
    return static_cast<uint16_t>(level | multiplier << 12);
}

void BuildLaneLevelCodes(int streams, const uint16_t* const* dotSizeTables, uint16_t* codes) {
    static const int order[4][4] = {{0, 0, 0, 0}, {0, 0, 0, 0}, {1, 0, 0, 0}, {1, 0, 2, -1}};
    const int perChannel = LaneLayoutFor(streams, 8).lanesPerChannel;
    for (int v = 0; v <= kMaxLevel; ++v) {
        for (int i = 0; i < perChannel; ++i) {
            const int s = order[streams][i];
            int32_t level = 0;
            if (streams == 1) level = v;
            else if (s >= 0) level = dotSizeTables[s][v];
            codes[v * perChannel + i] = LaneLevelCode(level);
        }
    }
}

#if ED_LANES_X86

#if defined(_MSC_VER) && !defined(__clang__)
#define ED_LANES_TARGET
#define ED_LANES_INLINE __forceinline
#else
#define ED_LANES_TARGET __attribute__((target("ssse3")))
#define ED_LANES_INLINE inline __attribute__((always_inline, target("ssse3")))
#endif

bool LanesSupported() {
#if defined(_MSC_VER) && !defined(__clang__)
    int info[4];
    __cpuid(info, 1);
    return (info[2] & (1 << 9)) != 0;
#else
    return __builtin_cpu_supports("ssse3");
#endif
}

namespace {

// (x * M) >> 16 with an arithmetic shift, as the 16-bit multiply-high does.
constexpr int32_t MulHigh(int32_t x, int32_t m) {
    return (x * m) >= 0 ? (x * m) >> 16 : -((-(x * m) + 65535) >> 16);
}
// Truncating division of 16-bit lanes by 3 (of 2S) and 6 (of S) through the
// multiply-high, for every S the split meets (-2047 to 2047).
constexpr bool SplitsAreExact() {
    for (int32_t s = -kFireThreshold; s <= kFireThreshold; ++s) {
        if (MulHigh(2 * s, 21846) + (s < 0 ? 1 : 0) != 2 * s / 3) return false;
        if (MulHigh(s, 10923) + (s < 0 ? 1 : 0) != s / 6) return false;
    }
    return true;
}
static_assert(SplitsAreExact(), "third split by multiply-high");

// Multiply-high factors of the highlight divisors 3, 3, 4, 5, 6, 7, padded.
alignas(16) const int16_t kLaneAidReciprocal[8] = {21846, 21846, 16384, 13108, 10923, 9363, 0, 0};

struct LaneState {
    __m128i carry, counter, behind, current;
};

ED_LANES_INLINE __m128i PrefixSum(__m128i x) {
    x = _mm_add_epi16(x, _mm_slli_si128(x, 2));
    x = _mm_add_epi16(x, _mm_slli_si128(x, 4));
    return _mm_add_epi16(x, _mm_slli_si128(x, 8));
}

// Lane i of the result: window byte at the lane's offset.
ED_LANES_INLINE __m128i PickBytes(__m128i window, __m128i offsets) {
    return _mm_shuffle_epi8(window, _mm_or_si128(offsets, _mm_set1_epi16(static_cast<int16_t>(0x8000))));
}

// One register of lanes at one pixel. row points at the register's cells in
// the pixel's row; rowStep is the distance between rows in the scan direction.
// Returns the lanes that fired.
template <bool kThirdSplit>
ED_LANES_INLINE __m128i LaneStep(LaneState& st, __m128i code, int16_t* row, ptrdiff_t rowStep, bool odd,
                                 uint32_t& index, const uint8_t* random, const NoiseTable& noise) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i one = _mm_set1_epi16(1);
    const __m128i level = _mm_and_si128(code, _mm_set1_epi16(0x0FFF));
    const __m128i multiplier = _mm_srli_epi16(code, 12);

    // Random index of each lane: one step for every lane up to it with a level.
    const __m128i offsets = PrefixSum(_mm_srli_epi16(_mm_cmpgt_epi16(level, zero), 15));
    const uint8_t* window = random + (index & 0xFFFF);
    const __m128i windowBytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(window));
    __m128i randomValue = PickBytes(windowBytes, offsets);
    uint32_t advance = static_cast<uint32_t>(_mm_extract_epi16(offsets, 7));

    // Threshold.
    const __m128i raw = _mm_add_epi16(st.carry, level);
    const __m128i fired = _mm_cmpgt_epi16(raw, _mm_set1_epi16(kFireThreshold));
    const __m128i over = _mm_cmpgt_epi16(raw, _mm_set1_epi16(kMaxLevel));
    const __m128i firedSum = _mm_andnot_si128(over, _mm_sub_epi16(raw, _mm_set1_epi16(kMaxLevel)));
    __m128i sum = _mm_or_si128(_mm_and_si128(fired, firedSum), _mm_andnot_si128(fired, _mm_max_epi16(raw, zero)));

    // Highlight aid, for lanes below level 96 with a positive sum. On odd
    // pixels a lane that takes it moves the index for the lanes after it,
    // which may change whether they take it: the moves are settled round by
    // round (each round fixes at least one more lane; one or two rounds
    // nearly always do).
    // A positive sum that did not fire is the raw sum itself (1 to 2047), so
    // the zone and the aid's addition are taken from the raw sum, beside the
    // threshold rather than after it.
    __m128i current = st.current;
    const __m128i zone = _mm_and_si128(_mm_cmplt_epi16(level, _mm_set1_epi16(kHighlightLevels)),
                                       _mm_andnot_si128(fired, _mm_cmpgt_epi16(raw, zero)));
    {
        __m128i aid = _mm_and_si128(zone, _mm_cmpgt_epi16(st.counter, randomValue));
        if (odd) {
            __m128i moved = _mm_srli_epi16(aid, 15);
            __m128i movedBefore = PrefixSum(moved);  // moves up to and including each lane
            __m128i shifts = _mm_slli_si128(movedBefore, 2);
            randomValue = PickBytes(windowBytes, _mm_add_epi16(offsets, shifts));
            aid = _mm_and_si128(zone, _mm_cmpgt_epi16(st.counter, randomValue));
            for (;;) {
                const __m128i nowMoved = _mm_srli_epi16(aid, 15);
                if (_mm_movemask_epi8(_mm_cmpeq_epi16(nowMoved, moved)) == 0xFFFF) break;
                moved = nowMoved;
                movedBefore = PrefixSum(moved);
                shifts = _mm_slli_si128(movedBefore, 2);
                randomValue = PickBytes(windowBytes, _mm_add_epi16(offsets, shifts));
                aid = _mm_and_si128(zone, _mm_cmpgt_epi16(st.counter, randomValue));
            }
            // A moving lane takes the next random value (its offset + 1, at
            // most 16) off its own cell.
            const __m128i next = _mm_add_epi16(_mm_add_epi16(offsets, shifts), one);
            const __m128i high = _mm_loadu_si128(reinterpret_cast<const __m128i*>(window + 16));
            const __m128i beyond = _mm_cmpgt_epi16(next, _mm_set1_epi16(15));
            const __m128i taken = _mm_or_si128(_mm_andnot_si128(beyond, PickBytes(windowBytes, next)),
                                               _mm_and_si128(beyond, PickBytes(high, _mm_sub_epi16(next, _mm_set1_epi16(16)))));
            current = _mm_sub_epi16(current, _mm_and_si128(aid, _mm_slli_epi16(taken, 5)));
            advance += static_cast<uint32_t>(_mm_extract_epi16(movedBefore, 7));
        }
        st.counter = _mm_and_si128(_mm_add_epi16(st.counter, one), _mm_andnot_si128(aid, zone));
        const __m128i band = _mm_min_epi16(_mm_srli_epi16(level, 4), _mm_set1_epi16(7));
        const __m128i bandBytes = _mm_add_epi16(_mm_mullo_epi16(band, _mm_set1_epi16(0x0202)), _mm_set1_epi16(0x0100));
        const __m128i reciprocal =
            _mm_shuffle_epi8(_mm_load_si128(reinterpret_cast<const __m128i*>(kLaneAidReciprocal)), bandBytes);
        const __m128i added = _mm_mulhi_epi16(_mm_sub_epi16(_mm_set1_epi16(kFireThreshold), raw), reciprocal);
        sum = _mm_add_epi16(sum, _mm_and_si128(aid, added));
    }
    index += advance;

    // Noise: rows 64 to 4094 are the flat row times the band multiplier;
    // rows 1 to 63 are looked up.
    __m128i noiseValue = _mm_mullo_epi16(
        _mm_sub_epi16(_mm_slli_epi16(randomValue, 4), _mm_set1_epi16(64)), multiplier);
    const __m128i irregular = _mm_cmpeq_epi16(multiplier, _mm_set1_epi16(15));
    if (_mm_movemask_epi8(irregular) != 0) {
        // Only irregular lanes (levels below 64) index the table; the others
        // read row 0, since 9 x 4095 would not fit in a lane.
        alignas(16) int16_t entry[8];
        const __m128i tableRow = _mm_mullo_epi16(_mm_and_si128(irregular, level), _mm_set1_epi16(kNoiseColumns));
        _mm_store_si128(reinterpret_cast<__m128i*>(entry), _mm_add_epi16(tableRow, randomValue));
        const int16_t* table = &noise.value[0][0];
        const __m128i looked = _mm_setr_epi16(table[entry[0]], table[entry[1]], table[entry[2]], table[entry[3]],
                                              table[entry[4]], table[entry[5]], table[entry[6]], table[entry[7]]);
        noiseValue = _mm_or_si128(_mm_and_si128(irregular, looked), _mm_andnot_si128(irregular, noiseValue));
    }

    // Split and distribution.
    __m128i half, quarter;
    if (kThirdSplit) {
        const __m128i negative = _mm_srai_epi16(sum, 15);
        half = _mm_sub_epi16(_mm_mulhi_epi16(_mm_add_epi16(sum, sum), _mm_set1_epi16(21846)), negative);
        quarter = _mm_sub_epi16(_mm_mulhi_epi16(sum, _mm_set1_epi16(10923)), negative);
    } else {
        half = _mm_srai_epi16(sum, 1);
        quarter = _mm_srai_epi16(sum, 2);
    }
    const __m128i kept = _mm_andnot_si128(_mm_cmpeq_epi16(sum, zero), noiseValue);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(row - rowStep),
                    _mm_add_epi16(st.behind, _mm_sub_epi16(_mm_sub_epi16(sum, quarter), half)));
    st.behind = _mm_sub_epi16(_mm_add_epi16(current, quarter), kept);
    st.current = zero;
    st.carry = _mm_add_epi16(_mm_add_epi16(half, kept),
                             _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + rowStep)));
    return fired;
}

// One converted value, read on its own: the converter has just stored the
// values one by one, and a wider read spanning several of those stores (as a
// vectorising compiler would make of the clamps) waits for them to reach the
// cache instead of taking them from the store buffer.
inline int32_t ReadConverted(const int32_t* values, int c) {
    return static_cast<const volatile int32_t*>(values)[c];
}

// Dot codes of a register's channels, in the first lane of each channel:
// the largest of the fired lanes' codes (stream 1 -> 2, stream 0 -> 1,
// stream 2 -> 3).
template <int kPerChannel>
ED_LANES_INLINE __m128i LaneCodes(__m128i fired) {
    if (kPerChannel == 1) return _mm_srli_epi16(fired, 15);
    if (kPerChannel == 2) {
        const __m128i w = _mm_and_si128(fired, _mm_setr_epi16(2, 1, 2, 1, 2, 1, 2, 1));
        return _mm_max_epi16(w, _mm_srli_epi32(w, 16));
    }
    const __m128i w = _mm_and_si128(fired, _mm_setr_epi16(2, 1, 3, 0, 2, 1, 3, 0));
    const __m128i pairs = _mm_max_epi16(w, _mm_srli_epi64(w, 16));
    return _mm_max_epi16(pairs, _mm_srli_epi64(pairs, 32));
}

template <int kStreams, bool kThirdSplit, int kChannels, int kStep>
ED_LANES_TARGET void LaneLine_(const LaneLine& line, uint16_t& randomIndex) {
    constexpr int kPerChannel = kStreams == 1 ? 1 : kStreams == 2 ? 2 : 4;
    constexpr int kRegisters = kChannels * kPerChannel / 8 > 0 ? kChannels * kPerChannel / 8 : 1;
    constexpr int kLanes = kRegisters * 8;
    constexpr int kBits = kStreams == 1 ? 1 : 2;
    constexpr int kPerByte = 8 / kBits;
    constexpr int kChannelsPerRegister = 8 / kPerChannel;
    // Everything the loop reads from line, in locals: the stores into the
    // cells would otherwise make the compiler read them again every pixel.
    const int32_t width = line.width;
    const ptrdiff_t rowStep = kStep * kLanes;
    const uint8_t* const random = line.random;
    const NoiseTable& noise = *line.noise;
    const uint16_t* const levelCodes = line.levelCodes;
    const uint8_t* const input = line.input;
    const ptrdiff_t inputBytesPerPixel = line.inputBytesPerPixel;
    const ptrdiff_t bytesPerChannel = line.bytesPerChannel;
    const DiffusionPixelConverter convert = line.convert;
    CHalftone* const halftone = line.halftone;
    uint32_t index = randomIndex;

    int16_t* row = line.cells + (kStep < 0 ? width : 1) * kLanes;
    LaneState st[kRegisters];
    for (int r = 0; r < kRegisters; ++r) {
        st[r].carry = _mm_setzero_si128();
        st[r].counter = _mm_setzero_si128();
        st[r].behind = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row - rowStep + 8 * r));
        st[r].current = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + 8 * r));
    }
    uint8_t* out = line.outLine + (kStep < 0 ? bytesPerChannel - 1 : 0);

    // Input pixels: groups of scaleX output pixels counted from the scan
    // start; a right-to-left line whose width is not a multiple of the scale
    // ends on a partial group that repeats pixel 0 rather than reading before
    // the line.
    const int32_t scale = line.scaleX;
    ptrdiff_t pixel = kStep < 0 ? width / scale - 1 : 0;
    int32_t groupLeft = 0;
    int32_t converted[8] = {0, 0, 0, 0, 0, 0, 0, 0};
    __m128i codes[kRegisters];
    for (int r = 0; r < kRegisters; ++r) codes[r] = _mm_setzero_si128();

    for (int32_t n = 0; n < width; n += kPerByte) {
        __m128i acc[kRegisters];
        for (int r = 0; r < kRegisters; ++r) acc[r] = _mm_setzero_si128();
        for (int k = 0; k < kPerByte; ++k) {
            if (groupLeft == 0) {
                convert(halftone, input + (pixel < 0 ? 0 : pixel) * inputBytesPerPixel, converted);
                pixel += kStep;
                groupLeft = scale;
                auto at = [&](int c) {
                    const int32_t value = ReadConverted(converted, c);
                    const int32_t v = value < 0 ? 0 : value > kMaxLevel ? kMaxLevel : value;
                    return levelCodes + v * kPerChannel;
                };
                for (int r = 0; r < kRegisters; ++r) {
                    if (kPerChannel == 4) {
                        uint64_t a, b;
                        std::memcpy(&a, at(2 * r), 8);
                        std::memcpy(&b, at(2 * r + 1), 8);
                        codes[r] = _mm_set_epi64x(static_cast<int64_t>(b), static_cast<int64_t>(a));
                    } else if (kPerChannel == 2) {
                        uint32_t w[4];
                        for (int i = 0; i < 4; ++i) std::memcpy(&w[i], at(4 * r + i), 4);
                        codes[r] = _mm_setr_epi32(static_cast<int32_t>(w[0]), static_cast<int32_t>(w[1]),
                                                  static_cast<int32_t>(w[2]), static_cast<int32_t>(w[3]));
                    } else if (kChannels == 8) {
                        codes[r] = _mm_setr_epi16(*at(0), *at(1), *at(2), *at(3), *at(4), *at(5), *at(6), *at(7));
                    } else {
                        codes[r] = _mm_setr_epi16(*at(0), *at(1), *at(2), *at(3), 0, 0, 0, 0);
                    }
                }
            }
            --groupLeft;
            const bool odd = (k & 1) != 0;  // n is a multiple of 8
            for (int r = 0; r < kRegisters; ++r) {
                const __m128i fired =
                    LaneStep<kThirdSplit>(st[r], codes[r], row + 8 * r, rowStep, odd, index, random, noise);
                const __m128i code = LaneCodes<kPerChannel>(fired);
                acc[r] = kStep > 0 ? _mm_or_si128(_mm_slli_epi16(acc[r], kBits), code)
                                   : _mm_or_si128(_mm_srli_epi16(acc[r], kBits), _mm_slli_epi16(code, 8 - kBits));
            }
            row += rowStep;
        }
        alignas(16) uint16_t bytes[kLanes];
        for (int r = 0; r < kRegisters; ++r) _mm_store_si128(reinterpret_cast<__m128i*>(bytes + 8 * r), acc[r]);
        for (int c = 0; c < kChannels; ++c) {
            const int r = c / kChannelsPerRegister, lane = (c % kChannelsPerRegister) * kPerChannel;
            out[c * bytesPerChannel] = static_cast<uint8_t>(bytes[8 * r + lane]);
        }
        out += kStep;
    }
    for (int r = 0; r < kRegisters; ++r) {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(row - rowStep + 8 * r), st[r].behind);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(row + 8 * r), _mm_setzero_si128());
    }
    randomIndex = static_cast<uint16_t>(index);
}

template <int kStreams, bool kThirdSplit>
void LaneLineChannels(int channels, bool rightToLeft, const LaneLine& line, uint16_t& index) {
    if (channels == 8) {
        if (rightToLeft) LaneLine_<kStreams, kThirdSplit, 8, -1>(line, index);
        else LaneLine_<kStreams, kThirdSplit, 8, 1>(line, index);
    } else {
        if (rightToLeft) LaneLine_<kStreams, kThirdSplit, 4, -1>(line, index);
        else LaneLine_<kStreams, kThirdSplit, 4, 1>(line, index);
    }
}

}  // namespace

void RunLaneLine(int streams, bool thirdSplit, int channels, bool rightToLeft, const LaneLine& line,
                 uint16_t& index) {
    switch (streams * 2 + (thirdSplit ? 1 : 0)) {
        case 2: LaneLineChannels<1, false>(channels, rightToLeft, line, index); break;
        case 3: LaneLineChannels<1, true>(channels, rightToLeft, line, index); break;
        case 4:
        case 5: LaneLineChannels<2, false>(channels, rightToLeft, line, index); break;
        case 6: LaneLineChannels<3, false>(channels, rightToLeft, line, index); break;
        case 7: LaneLineChannels<3, true>(channels, rightToLeft, line, index); break;
        default: break;
    }
}

#else  // not x86: the scalar step runs

bool LanesSupported() { return false; }
void RunLaneLine(int, bool, int, bool, const LaneLine&, uint16_t&) {}

#endif
