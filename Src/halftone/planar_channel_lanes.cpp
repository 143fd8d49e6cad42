#include "halftone/planar_channel_lanes.h"

#include <cstring>

#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#define PLANAR_LANES_X86 1
#include <immintrin.h>
#endif

namespace {

constexpr int32_t kAidBelow = 96;
constexpr int32_t kRegularNoiseFrom = 64;  // noise rows 64 to 4094 are flat: (random - 4) x 16

}  // namespace

uint16_t PlanarAidFactor(int32_t amount) {
    if (amount < 0 || amount >= kAidBelow) return 0;
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
            const bool regular = a >= kRegularNoiseFrom && a < kNoiseLevels - 1;
            e.noise[lane] = regular ? static_cast<int16_t>(16 * NoiseBandMultiplier(a)) : 0;
            if (a > 0 && a < kRegularNoiseFrom) e.irregular = 1;
        }
        e.advance = static_cast<uint16_t>(offset);
    }
}

#if PLANAR_LANES_X86

#define PLANAR_TARGET __attribute__((target("avx2,popcnt")))

bool PlanarLanesSupported() { return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("popcnt"); }

namespace {

template <int kDir>
PLANAR_TARGET void LaneLine(const PlanarLaneLine& line, uint16_t& randomIndex) {
    const int64_t P = (static_cast<int64_t>(line.width) + 7) / 8 * 8;
    if (P == 0) return;
    const ptrdiff_t cells = static_cast<ptrdiff_t>(P) + 2;
    int32_t* const row1 = line.rows + cells;
    int32_t* const row0 = line.rows;
    int32_t* const row2 = line.rows + 2 * cells;
    // The first pixel does not read its own cell, which keeps what it holds:
    // the line adds to it afterwards. The cell behind it takes the rest.
    const ptrdiff_t start = kDir > 0 ? 1 : static_cast<ptrdiff_t>(P);
    const int32_t kept1 = row1[start], kept0 = row0[start], kept2 = row2[start];
    __m128i behindCell = _mm_setr_epi32(row1[start - kDir], row0[start - kDir], row2[start - kDir], 0);
    __m128i carry = _mm_setzero_si128();    // running error of each lane
    __m128i counter = _mm_setzero_si128();  // pixels since the aid last fired

    const __m128i zero = _mm_setzero_si128();
    const __m128i one = _mm_set1_epi32(1), two = _mm_set1_epi32(2), three = _mm_set1_epi32(3);
    const __m128i four = _mm_set1_epi32(4);
    const __m128i threshold = _mm_set1_epi32(2047), full = _mm_set1_epi32(4095);
    const uint8_t* const random = line.random;
    const int16_t* const noise = &line.noise->value[0][0];
    const PlanarLaneEntry* const table = line.table;
    uint32_t index = randomIndex;
    uint32_t excluded = 0;  // the large dot fired at the last pixel that decided

    const ptrdiff_t stride = static_cast<ptrdiff_t>(line.channels);
    const uint32_t repeat = line.repeat;
    ptrdiff_t value = kDir > 0 ? 0 : static_cast<ptrdiff_t>(P / repeat) - 1;
    uint32_t groupLeft = 0;
    const PlanarLaneEntry* e = table;
    ptrdiff_t p = start;
    uint8_t* out = line.output + (kDir > 0 ? 0 : P / 4 - 1);
    for (int64_t n = 0; n < P; n += 4, out += kDir) {
        uint32_t byte = 0;
#pragma GCC unroll 4
        for (int k = 0; k < 4; ++k) {
            if (groupLeft == 0) {
                const int32_t raw = static_cast<int16_t>(line.input[(value < 0 ? 0 : value) * stride]);
                e = table + (raw < 0 ? 0 : (raw > kNoiseLevels - 1 ? kNoiseLevels - 1 : raw));
                value += kDir;
                groupLeft = repeat;
            }
            --groupLeft;
            const bool odd = (k & 1) != 0;  // n is even

            const __m128i pick = _mm_load_si128(reinterpret_cast<const __m128i*>(e->pick));
            const __m128i amount = _mm_cvtepi16_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(e->amount)));
            const __m128i factor = _mm_cvtepu16_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(e->aid)));
            const __m128i noiseScale = _mm_cvtepi16_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(e->noise)));
            const __m128i window = _mm_loadu_si128(reinterpret_cast<const __m128i*>(random + index));
            __m128i r = _mm_shuffle_epi8(window, pick);
            __m128i w = _mm_mullo_epi32(_mm_sub_epi32(r, four), noiseScale);

            // Threshold: below 0 -> 0; above 2047 a dot and s - 4095, or 0 above 4095.
            const __m128i sum = _mm_add_epi32(carry, amount);
            const __m128i dot = _mm_cmpgt_epi32(sum, threshold);
            const __m128i negative = _mm_cmplt_epi32(sum, zero);
            __m128i err = _mm_blendv_epi8(_mm_max_epi32(sum, zero), _mm_min_epi32(_mm_sub_epi32(sum, full), zero), dot);
            // The aid, for amounts below 96 whose sum is 1 to 2047: it lifts
            // the error by (2047 - e) / divisor when the counter passes the
            // random value.
            const __m128i zone =
                _mm_andnot_si128(dot, _mm_and_si128(_mm_cmpgt_epi32(factor, zero), _mm_cmpgt_epi32(sum, zero)));
            const __m128i lifted =
                _mm_add_epi32(sum, _mm_srli_epi32(_mm_mullo_epi32(_mm_sub_epi32(threshold, sum), factor), 16));
            __m128i fire = _mm_and_si128(zone, _mm_cmpgt_epi32(counter, r));
            __m128i cellTaken = zero;
            uint32_t moved = 0;
            if (odd) {
                // Each lane at the moves 1 and 2 too; lane 1 moves when lane 0
                // fires, lane 2 by the lanes 0 and 1 that fire.
                const __m128i r1 = _mm_shuffle_epi8(window, _mm_add_epi8(pick, one));
                const __m128i r2 = _mm_shuffle_epi8(window, _mm_add_epi8(pick, two));
                const __m128i r3 = _mm_shuffle_epi8(window, _mm_add_epi8(pick, three));
                const __m128i fire1 = _mm_and_si128(zone, _mm_cmpgt_epi32(counter, r1));
                const __m128i fire2 = _mm_and_si128(zone, _mm_cmpgt_epi32(counter, r2));
                const __m128i lane0 = _mm_shuffle_epi32(fire, 0x00);
                const __m128i second = _mm_blendv_epi8(fire, fire1, lane0);
                const __m128i lane1 = _mm_shuffle_epi32(second, 0x55);
                const __m128i byOne = _mm_xor_si128(lane0, lane1);
                const __m128i byTwo = _mm_and_si128(lane0, lane1);
                const __m128i third = _mm_blendv_epi8(_mm_blendv_epi8(fire, fire1, byOne), fire2, byTwo);
                const __m128i move1 = _mm_blend_epi16(_mm_blend_epi16(zero, lane0, 0x0C), byOne, 0x30);
                const __m128i move2 = _mm_blend_epi16(zero, byTwo, 0x30);
                fire = _mm_blend_epi16(_mm_blend_epi16(fire, second, 0x0C), third, 0x30);
                r = _mm_blendv_epi8(_mm_blendv_epi8(r, r1, move1), r2, move2);
                const __m128i w1 = _mm_mullo_epi32(_mm_sub_epi32(r1, four), noiseScale);
                const __m128i w2 = _mm_mullo_epi32(_mm_sub_epi32(r2, four), noiseScale);
                w = _mm_blendv_epi8(_mm_blendv_epi8(w, w1, move1), w2, move2);
                // A lane that fires takes the next random value x 32 off its cell.
                const __m128i next = _mm_blendv_epi8(_mm_blendv_epi8(r1, r2, move1), r3, move2);
                cellTaken = _mm_and_si128(_mm_slli_epi32(next, 5), fire);
                moved = static_cast<uint32_t>(__builtin_popcount(
                    static_cast<unsigned>(_mm_movemask_ps(_mm_castsi128_ps(fire)))));
            }
            counter = _mm_and_si128(_mm_add_epi32(counter, one), _mm_andnot_si128(fire, zone));
            err = _mm_blendv_epi8(err, lifted, fire);
            if (e->irregular) {
                alignas(16) int32_t picked[4];
                _mm_store_si128(reinterpret_cast<__m128i*>(picked), r);
                w = _mm_setr_epi32(noise[e->amount[0] * kNoiseColumns + picked[0]],
                                   noise[e->amount[1] * kNoiseColumns + picked[1]],
                                   noise[e->amount[2] * kNoiseColumns + picked[2]], 0);
            }
            // With no error a lane passes nothing on, not even its weight.
            const __m128i weight = _mm_andnot_si128(_mm_cmpeq_epi32(err, zero), w);
            const __m128i ahead = _mm_srai_epi32(err, 1);
            const __m128i below = _mm_srai_epi32(err, 2);
            const __m128i rest = _mm_add_epi32(behindCell, _mm_sub_epi32(_mm_sub_epi32(err, ahead), below));
            row1[p - kDir] = _mm_cvtsi128_si32(rest);
            row0[p - kDir] = _mm_extract_epi32(rest, 1);
            row2[p - kDir] = _mm_extract_epi32(rest, 2);
            behindCell = _mm_sub_epi32(_mm_sub_epi32(below, weight), cellTaken);
            const __m128i nextCells = _mm_setr_epi32(row1[p + kDir], row0[p + kDir], row2[p + kDir], 0);
            carry = _mm_add_epi32(_mm_add_epi32(nextCells, ahead), weight);
            index = (index + e->advance + moved) & 0xFFFFu;

            // Codes: curve 1 writes 2 and sets the exclusion (a negative sum
            // keeps it), curve 0 writes 1 when not excluded, curve 2 writes 3.
            const uint32_t dots = static_cast<uint32_t>(_mm_movemask_ps(_mm_castsi128_ps(dot)));
            const uint32_t below0 = static_cast<uint32_t>(_mm_movemask_ps(_mm_castsi128_ps(negative))) & 1u;
            const uint32_t large = dots & 1u, small = (dots >> 1) & 1u, top = (dots >> 2) & 1u;
            excluded = large | (below0 & excluded);
            const uint32_t code = (large << 1) | (small & (excluded ^ 1u)) | (top * 3u);
            byte |= code << (kDir > 0 ? 6 - 2 * k : 2 * k);
            p += kDir;
        }
        *out = static_cast<uint8_t>(byte);
    }
    // p is the margin cell past the last pixel: read and cleared.
    row1[p - kDir] = _mm_cvtsi128_si32(behindCell);
    row0[p - kDir] = _mm_extract_epi32(behindCell, 1);
    row2[p - kDir] = _mm_extract_epi32(behindCell, 2);
    row1[p] = row0[p] = row2[p] = 0;
    row1[start] += kept1;
    row0[start] += kept0;
    row2[start] += kept2;
    randomIndex = static_cast<uint16_t>(index);
}

}  // namespace

void RunPlanarLaneLine(bool rightToLeft, const PlanarLaneLine& line, uint16_t& randomIndex) {
    if (rightToLeft) LaneLine<-1>(line, randomIndex);
    else LaneLine<1>(line, randomIndex);
}

#else

bool PlanarLanesSupported() { return false; }
void RunPlanarLaneLine(bool, const PlanarLaneLine&, uint16_t&) {}

#endif
