#include "halftone/planar_channel_lanes.h"

#include <cstring>

#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#define PLANAR_LANES_X86 1
#include <immintrin.h>
#endif

uint16_t PlanarAidFactor(int32_t amount) {
    if (amount < 0 || amount >= kHighlightLevels) return 0;
    const uint32_t divisor = static_cast<uint32_t>(kHighlightDivisor[amount >> 4]);
    return static_cast<uint16_t>((65536u + divisor - 1) / divisor);
}

void BuildPlanarLaneTable(const uint16_t* curve0, const uint16_t* curve1, const uint16_t* curve2,
                          PlanarLaneEntry* table) {
    const uint16_t* const laneCurves[3] = {curve1, curve0, curve2};  // processing order
    for (int v = 0; v < kNoiseLevels; ++v) {
        PlanarLaneEntry& e = table[v];
        std::memset(&e, 0, sizeof e);
        std::memset(e.pick, 0x80, sizeof e.pick);
        int offset = 0;
        for (int lane = 0; lane < 3; ++lane) {
            const int32_t a = laneCurves[lane][v];
            offset += a != 0;
            e.pick[4 * lane] = static_cast<uint8_t>(offset);
            e.amount[lane] = static_cast<int16_t>(a);
            e.aid[lane] = PlanarAidFactor(a);
            // Noise rows from kNoiseLowLevels to 4094 are flat: (random - 4) x 16.
            const bool regular = a >= kNoiseLowLevels && a < kNoiseLevels - 1;
            e.noise[lane] = regular ? static_cast<int16_t>(16 * NoiseBandMultiplier(a)) : 0;
            if (a > 0 && a < kNoiseLowLevels) e.irregular = 1;
        }
        e.advance = static_cast<uint16_t>(offset);
    }
}

#if PLANAR_LANES_X86

#define PLANAR_TARGET __attribute__((target("avx2,popcnt")))

bool PlanarLanesSupported() { return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("popcnt"); }

namespace {

// One channel's side of the lanes: its rows, values, output and scalar state.
struct ChannelSide {
    int32_t* row1;
    int32_t* row0;
    int32_t* row2;
    int32_t kept1, kept0, kept2;
    const uint16_t* in;
    const PlanarLaneEntry* e;
    const uint8_t* random;
    uint8_t* out;
    uint32_t index;
    uint32_t excluded;  // the large dot fired at the last pixel that decided
    uint32_t byte;
};

template <bool kPair>
PLANAR_TARGET inline __m256i Halves(__m128i low, __m128i high) {
    return kPair ? _mm256_inserti128_si256(_mm256_castsi128_si256(low), high, 1) : _mm256_zextsi128_si256(low);
}

template <bool kPair>
PLANAR_TARGET inline __m256i Words(const int16_t* low, const int16_t* high) {
    const __m128i a = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(low));
    return _mm256_cvtepi16_epi32(kPair ? _mm_unpacklo_epi64(a, _mm_loadl_epi64(reinterpret_cast<const __m128i*>(high)))
                                       : a);
}

template <bool kPair>
PLANAR_TARGET inline __m256i UnsignedWords(const uint16_t* low, const uint16_t* high) {
    const __m128i a = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(low));
    return _mm256_cvtepu16_epi32(kPair ? _mm_unpacklo_epi64(a, _mm_loadl_epi64(reinterpret_cast<const __m128i*>(high)))
                                       : a);
}

// The cells at x of the rows in lane order (curve 1, 0, 2, none), of each side.
template <bool kPair>
PLANAR_TARGET inline __m256i CellsAt(const ChannelSide* side, ptrdiff_t x) {
    const __m128i a = _mm_setr_epi32(side[0].row1[x], side[0].row0[x], side[0].row2[x], 0);
    if (!kPair) return _mm256_zextsi128_si256(a);
    return Halves<true>(a, _mm_setr_epi32(side[1].row1[x], side[1].row0[x], side[1].row2[x], 0));
}

template <bool kPair>
PLANAR_TARGET inline void StoreCells(ChannelSide* side, ptrdiff_t x, __m256i v) {
    const __m128i a = _mm256_castsi256_si128(v);
    side[0].row1[x] = _mm_cvtsi128_si32(a);
    side[0].row0[x] = _mm_extract_epi32(a, 1);
    side[0].row2[x] = _mm_extract_epi32(a, 2);
    if (kPair) {
        const __m128i b = _mm256_extracti128_si256(v, 1);
        side[1].row1[x] = _mm_cvtsi128_si32(b);
        side[1].row0[x] = _mm_extract_epi32(b, 1);
        side[1].row2[x] = _mm_extract_epi32(b, 2);
    }
}

// Lines of one channel (lanes 0 to 3) or two channels in step (lanes 4 to 7
// the second). kSingle: one output pixel per value.
template <int kDir, bool kSingle, bool kPair>
PLANAR_TARGET void LaneLines(const PlanarLaneLine* lines, uint16_t* const* randomIndexes) {
    constexpr int kSides = kPair ? 2 : 1;
    const PlanarLaneLine& line = lines[0];  // the geometry of both
    const int64_t P = (static_cast<int64_t>(line.width) + 7) / 8 * 8;
    if (P == 0) return;
    const ptrdiff_t cells = static_cast<ptrdiff_t>(P) + 2;
    const ptrdiff_t stride = static_cast<ptrdiff_t>(line.channels);
    // The first pixel does not read its own cell, which keeps what it holds:
    // the line adds to it afterwards. The cell behind it takes the rest.
    const ptrdiff_t start = kDir > 0 ? 1 : static_cast<ptrdiff_t>(P);
    ChannelSide side[kSides];
    for (int c = 0; c < kSides; ++c) {
        ChannelSide& s = side[c];
        s.row0 = lines[c].rows;
        s.row1 = lines[c].rows + cells;
        s.row2 = lines[c].rows + 2 * cells;
        s.kept1 = s.row1[start];
        s.kept0 = s.row0[start];
        s.kept2 = s.row2[start];
        s.in = lines[c].input + (kDir > 0 ? 0 : (P - 1) * stride);
        s.e = lines[c].table;
        s.random = lines[c].random;
        s.out = lines[c].output + (kDir > 0 ? 0 : P / 4 - 1);
        s.index = *randomIndexes[c];
        s.excluded = 0;
    }
    __m256i behindCell = CellsAt<kPair>(side, start - kDir);
    __m256i carry = _mm256_setzero_si256();    // running error of each lane
    __m256i counter = _mm256_setzero_si256();  // pixels since the aid last fired

    const __m256i zero = _mm256_setzero_si256();
    const __m256i one = _mm256_set1_epi32(1), two = _mm256_set1_epi32(2), three = _mm256_set1_epi32(3);
    const __m256i four = _mm256_set1_epi32(4);
    const __m256i threshold = _mm256_set1_epi32(2047), full = _mm256_set1_epi32(4095);
    const int16_t* const noise = &line.noise->value[0][0];

    const uint32_t repeat = line.repeat;
    ptrdiff_t value = kDir > 0 ? 0 : static_cast<ptrdiff_t>(P / repeat) - 1;
    uint32_t groupLeft = 0;
    ptrdiff_t p = start;
    for (int64_t n = 0; n < P; n += 4) {
        for (ChannelSide& s : side) s.byte = 0;
#pragma GCC unroll 4
        for (int k = 0; k < 4; ++k) {
            if (kSingle) {
                for (int c = 0; c < kSides; ++c) {
                    const int32_t raw = static_cast<int16_t>(*side[c].in);
                    side[c].in += kDir * stride;
                    side[c].e = lines[c].table + (raw < 0 ? 0 : (raw > kNoiseLevels - 1 ? kNoiseLevels - 1 : raw));
                }
            } else {
                // Values in groups of `repeat` pixels counted from the scan
                // start; a partial group at the end of a right-to-left line
                // takes the line's first value.
                if (groupLeft == 0) {
                    for (int c = 0; c < kSides; ++c) {
                        const int32_t raw = static_cast<int16_t>(lines[c].input[(value < 0 ? 0 : value) * stride]);
                        side[c].e = lines[c].table + (raw < 0 ? 0 : (raw > kNoiseLevels - 1 ? kNoiseLevels - 1 : raw));
                    }
                    value += kDir;
                    groupLeft = repeat;
                }
                --groupLeft;
            }
            const bool odd = (k & 1) != 0;  // n is even
            const PlanarLaneEntry* const ea = side[0].e;
            const PlanarLaneEntry* const eb = side[kSides - 1].e;

            const __m256i pick = Halves<kPair>(_mm_load_si128(reinterpret_cast<const __m128i*>(ea->pick)),
                                               _mm_load_si128(reinterpret_cast<const __m128i*>(eb->pick)));
            const __m256i amount = Words<kPair>(ea->amount, eb->amount);
            const __m256i factor = UnsignedWords<kPair>(ea->aid, eb->aid);
            const __m256i noiseScale = Words<kPair>(ea->noise, eb->noise);
            const __m256i window = Halves<kPair>(
                _mm_loadu_si128(reinterpret_cast<const __m128i*>(side[0].random + side[0].index)),
                _mm_loadu_si128(reinterpret_cast<const __m128i*>(side[kSides - 1].random + side[kSides - 1].index)));
            __m256i r = _mm256_shuffle_epi8(window, pick);
            __m256i w = _mm256_mullo_epi32(_mm256_sub_epi32(r, four), noiseScale);

            // Threshold: below 0 -> 0; above 2047 a dot and s - 4095, or 0 above 4095.
            const __m256i sum = _mm256_add_epi32(carry, amount);
            const __m256i dot = _mm256_cmpgt_epi32(sum, threshold);
            const __m256i negative = _mm256_cmpgt_epi32(zero, sum);
            __m256i err = _mm256_blendv_epi8(_mm256_max_epi32(sum, zero),
                                             _mm256_min_epi32(_mm256_sub_epi32(sum, full), zero), dot);
            // The aid, for amounts below 96 whose sum is 1 to 2047: it lifts
            // the error by (2047 - e) / divisor when the counter passes the
            // random value.
            const __m256i zone = _mm256_andnot_si256(
                dot, _mm256_and_si256(_mm256_cmpgt_epi32(factor, zero), _mm256_cmpgt_epi32(sum, zero)));
            const __m256i lifted = _mm256_add_epi32(
                sum, _mm256_srli_epi32(_mm256_mullo_epi32(_mm256_sub_epi32(threshold, sum), factor), 16));
            __m256i fire = _mm256_and_si256(zone, _mm256_cmpgt_epi32(counter, r));
            __m256i cellTaken = zero;
            uint32_t firedLanes = 0;
            if (odd) {
                // Each lane at the moves 1 and 2 too; lane 1 moves when lane 0
                // fires, lane 2 by the lanes 0 and 1 that fire.
                const __m256i r1 = _mm256_shuffle_epi8(window, _mm256_add_epi8(pick, one));
                const __m256i r2 = _mm256_shuffle_epi8(window, _mm256_add_epi8(pick, two));
                const __m256i r3 = _mm256_shuffle_epi8(window, _mm256_add_epi8(pick, three));
                const __m256i fire1 = _mm256_and_si256(zone, _mm256_cmpgt_epi32(counter, r1));
                const __m256i fire2 = _mm256_and_si256(zone, _mm256_cmpgt_epi32(counter, r2));
                const __m256i lane0 = _mm256_shuffle_epi32(fire, 0x00);
                const __m256i second = _mm256_blendv_epi8(fire, fire1, lane0);
                const __m256i lane1 = _mm256_shuffle_epi32(second, 0x55);
                const __m256i byOne = _mm256_xor_si256(lane0, lane1);
                const __m256i byTwo = _mm256_and_si256(lane0, lane1);
                const __m256i third = _mm256_blendv_epi8(_mm256_blendv_epi8(fire, fire1, byOne), fire2, byTwo);
                const __m256i move1 = _mm256_blend_epi16(_mm256_blend_epi16(zero, lane0, 0x0C), byOne, 0x30);
                const __m256i move2 = _mm256_blend_epi16(zero, byTwo, 0x30);
                fire = _mm256_blend_epi16(_mm256_blend_epi16(fire, second, 0x0C), third, 0x30);
                r = _mm256_blendv_epi8(_mm256_blendv_epi8(r, r1, move1), r2, move2);
                const __m256i w1 = _mm256_mullo_epi32(_mm256_sub_epi32(r1, four), noiseScale);
                const __m256i w2 = _mm256_mullo_epi32(_mm256_sub_epi32(r2, four), noiseScale);
                w = _mm256_blendv_epi8(_mm256_blendv_epi8(w, w1, move1), w2, move2);
                // A lane that fires takes the next random value x 32 off its cell.
                const __m256i next = _mm256_blendv_epi8(_mm256_blendv_epi8(r1, r2, move1), r3, move2);
                cellTaken = _mm256_and_si256(_mm256_slli_epi32(next, 5), fire);
                firedLanes = static_cast<uint32_t>(_mm256_movemask_ps(_mm256_castsi256_ps(fire)));
            }
            counter = _mm256_and_si256(_mm256_add_epi32(counter, one), _mm256_andnot_si256(fire, zone));
            err = _mm256_blendv_epi8(err, lifted, fire);
            if (ea->irregular | eb->irregular) {
                // Noise rows 1 to 63 have values of their own: looked up,
                // kept in registers (a round trip through memory stalls).
                const __m128i ra = _mm256_castsi256_si128(r);
                const __m128i wa = _mm_setr_epi32(noise[ea->amount[0] * kNoiseColumns + _mm_cvtsi128_si32(ra)],
                                                  noise[ea->amount[1] * kNoiseColumns + _mm_extract_epi32(ra, 1)],
                                                  noise[ea->amount[2] * kNoiseColumns + _mm_extract_epi32(ra, 2)], 0);
                if constexpr (kPair) {
                    const __m128i rb = _mm256_extracti128_si256(r, 1);
                    const __m128i wb = _mm_setr_epi32(noise[eb->amount[0] * kNoiseColumns + _mm_cvtsi128_si32(rb)],
                                                      noise[eb->amount[1] * kNoiseColumns + _mm_extract_epi32(rb, 1)],
                                                      noise[eb->amount[2] * kNoiseColumns + _mm_extract_epi32(rb, 2)], 0);
                    w = Halves<true>(wa, wb);
                } else {
                    w = Halves<false>(wa, wa);
                }
            }
            // With no error a lane passes nothing on, not even its weight.
            const __m256i weight = _mm256_andnot_si256(_mm256_cmpeq_epi32(err, zero), w);
            const __m256i ahead = _mm256_srai_epi32(err, 1);
            const __m256i below = _mm256_srai_epi32(err, 2);
            StoreCells<kPair>(side, p - kDir,
                       _mm256_add_epi32(behindCell, _mm256_sub_epi32(_mm256_sub_epi32(err, ahead), below)));
            behindCell = _mm256_sub_epi32(_mm256_sub_epi32(below, weight), cellTaken);
            carry = _mm256_add_epi32(_mm256_add_epi32(CellsAt<kPair>(side, p + kDir), ahead), weight);

            // Codes: curve 1 writes 2 and sets the exclusion (a negative sum
            // keeps it), curve 0 writes 1 when not excluded, curve 2 writes 3.
            const uint32_t dots = static_cast<uint32_t>(_mm256_movemask_ps(_mm256_castsi256_ps(dot)));
            const uint32_t negatives = static_cast<uint32_t>(_mm256_movemask_ps(_mm256_castsi256_ps(negative)));
            for (int c = 0; c < kSides; ++c) {
                ChannelSide& s = side[c];
                const uint32_t d = dots >> (4 * c), large = d & 1u, small = (d >> 1) & 1u, top = (d >> 2) & 1u;
                s.index = (s.index + s.e->advance +
                           static_cast<uint32_t>(__builtin_popcount((firedLanes >> (4 * c)) & 15u))) & 0xFFFFu;
                s.excluded = large | ((negatives >> (4 * c)) & s.excluded & 1u);
                const uint32_t code = (large << 1) | (small & (s.excluded ^ 1u)) | (top * 3u);
                s.byte |= code << (kDir > 0 ? 6 - 2 * k : 2 * k);
            }
            p += kDir;
        }
        for (ChannelSide& s : side) {
            *s.out = static_cast<uint8_t>(s.byte);
            s.out += kDir;
        }
    }
    // p is the margin cell past the last pixel: read and cleared.
    StoreCells<kPair>(side, p - kDir, behindCell);
    for (int c = 0; c < kSides; ++c) {
        ChannelSide& s = side[c];
        s.row1[p] = s.row0[p] = s.row2[p] = 0;
        s.row1[start] += s.kept1;
        s.row0[start] += s.kept0;
        s.row2[start] += s.kept2;
        *randomIndexes[c] = static_cast<uint16_t>(s.index);
    }
}

template <bool kPair>
void RunLines(bool rightToLeft, const PlanarLaneLine* lines, uint16_t* const* randomIndexes) {
    if (lines[0].repeat == 1) {
        rightToLeft ? LaneLines<-1, true, kPair>(lines, randomIndexes) : LaneLines<1, true, kPair>(lines, randomIndexes);
    } else {
        rightToLeft ? LaneLines<-1, false, kPair>(lines, randomIndexes)
                    : LaneLines<1, false, kPair>(lines, randomIndexes);
    }
}

}  // namespace

void RunPlanarLaneLine(bool rightToLeft, const PlanarLaneLine& line, uint16_t& randomIndex) {
    uint16_t* const indexes[1] = {&randomIndex};
    RunLines<false>(rightToLeft, &line, indexes);
}

void RunPlanarLanePair(bool rightToLeft, const PlanarLaneLine (&lines)[2], uint16_t& firstIndex,
                       uint16_t& secondIndex) {
    uint16_t* const indexes[2] = {&firstIndex, &secondIndex};
    RunLines<true>(rightToLeft, lines, indexes);
}

#else

bool PlanarLanesSupported() { return false; }
void RunPlanarLaneLine(bool, const PlanarLaneLine&, uint16_t&) {}
void RunPlanarLanePair(bool, const PlanarLaneLine (&)[2], uint16_t&, uint16_t&) {}

#endif
