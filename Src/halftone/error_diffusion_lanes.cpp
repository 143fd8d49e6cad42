#include "halftone/error_diffusion_lanes.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>

#if defined(__x86_64__) || defined(_M_X64) || defined(__i386__) || defined(_M_IX86)
#define ED_LANES_X86 1
#include <immintrin.h>
#if defined(_MSC_VER)
#include <intrin.h>
#endif
#endif

namespace {

uint16_t ComputeLaneLevelCode(int32_t level) {
    int multiplier;
    if (level == 0 || level == kMaxLevel)
        multiplier = 0;
    else if (level < kNoiseLowLevels)
        multiplier = 15;
    else
        multiplier = NoiseBandMultiplier(level);
    return static_cast<uint16_t>(level | multiplier << 12);
}

}  // namespace

// Every job and every engine page looks a code up for each level of each
// stream, so the codes are worked out once.
uint16_t LaneLevelCode(int32_t level) {
    static const auto codes = [] {
        std::array<uint16_t, kMaxLevel + 1> all{};
        for (int32_t v = 0; v <= kMaxLevel; ++v) all[v] = ComputeLaneLevelCode(v);
        return all;
    }();
    return codes[std::min(std::max(level, 0), kMaxLevel)];
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

void SplitChannelLevels(const int32_t* values, int32_t channels, int32_t count, uint16_t* levels,
                        size_t levelStride) {
    int32_t x = 0;
#if defined(__SSE2__) || defined(_M_X64)
    // Four channels at a time, eight pixels: each half a 4 x 4 transpose,
    // saturated to 16 bits and clamped. The reader is another core, so rows
    // that start on 16 bytes are written past this core's cache.
    if (channels % 4 == 0 && count >= 8) {
        const bool stream = reinterpret_cast<uintptr_t>(levels) % 16 == 0 && levelStride % 8 == 0;
        const __m128i zero = _mm_setzero_si128(), top = _mm_set1_epi16(kMaxLevel);
        for (; x + 8 <= count; x += 8) {
            for (int32_t g = 0; g < channels; g += 4) {
                __m128i rows[2][4];
                for (int half = 0; half < 2; ++half) {
                    const int32_t* pixel = values + static_cast<size_t>(x + 4 * half) * channels + g;
                    __m128i a[4];
                    for (int k = 0; k < 4; ++k)
                        a[k] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pixel + static_cast<size_t>(k) * channels));
                    const __m128i t0 = _mm_unpacklo_epi32(a[0], a[1]), t1 = _mm_unpacklo_epi32(a[2], a[3]);
                    const __m128i t2 = _mm_unpackhi_epi32(a[0], a[1]), t3 = _mm_unpackhi_epi32(a[2], a[3]);
                    rows[half][0] = _mm_unpacklo_epi64(t0, t1);
                    rows[half][1] = _mm_unpackhi_epi64(t0, t1);
                    rows[half][2] = _mm_unpacklo_epi64(t2, t3);
                    rows[half][3] = _mm_unpackhi_epi64(t2, t3);
                }
                for (int c = 0; c < 4; ++c) {
                    const __m128i level = _mm_min_epi16(_mm_max_epi16(_mm_packs_epi32(rows[0][c], rows[1][c]), zero), top);
                    __m128i* to = reinterpret_cast<__m128i*>(levels + static_cast<size_t>(g + c) * levelStride + x);
                    if (stream) _mm_stream_si128(to, level);
                    else _mm_storeu_si128(to, level);
                }
            }
        }
        if (stream) _mm_sfence();
    }
#endif
    for (int32_t c = 0; c < channels; ++c) {
        const int32_t* value = values + static_cast<size_t>(x) * channels + c;
        uint16_t* level = levels + static_cast<size_t>(c) * levelStride;
        for (int32_t i = x; i < count; ++i, value += channels)
            level[i] = static_cast<uint16_t>(std::min(std::max(*value, 0), kMaxLevel));
    }
}

#if ED_LANES_X86

#if defined(_MSC_VER) && !defined(__clang__)
#define ED_TARGET_SSSE3
#define ED_TARGET_AVX2
#define ED_TARGET_AVX512
#define ED_INLINE_SSSE3 __forceinline
#define ED_INLINE_AVX2 __forceinline
#define ED_INLINE_AVX512 __forceinline
#else
#define ED_TARGET_SSSE3 __attribute__((target("ssse3")))
#define ED_TARGET_AVX2 __attribute__((target("avx2,popcnt")))
#define ED_INLINE_SSSE3 inline __attribute__((always_inline, target("ssse3")))
#define ED_INLINE_AVX2 inline __attribute__((always_inline, target("avx2,popcnt")))
#define ED_TARGET_AVX512 __attribute__((target("avx2,popcnt,avx512f,avx512vl,avx512bw")))
#define ED_INLINE_AVX512 inline __attribute__((always_inline, target("avx2,popcnt,avx512f,avx512vl,avx512bw")))
#endif

DiffusionLanes SupportedLanes() {
#if defined(_MSC_VER) && !defined(__clang__)
    int info[4];
    __cpuid(info, 1);
    if ((info[2] & (1 << 9)) == 0) return DiffusionLanes::None;
    const bool osSavesYmm = (info[2] & (1 << 27)) != 0 && (info[2] & (1 << 28)) != 0 && (_xgetbv(0) & 6) == 6;
    const bool popcnt = (info[2] & (1 << 23)) != 0;
    __cpuidex(info, 7, 0);
    if (!osSavesYmm || !popcnt || (info[1] & (1 << 5)) == 0) return DiffusionLanes::Ssse3;
    // AVX-512 F, BW and VL, with the mask and upper register state saved.
    const unsigned avx512 = (1u << 16) | (1u << 30) | (1u << 31);
    const bool osSavesZmm = (_xgetbv(0) & 0xE6) == 0xE6;
    return osSavesZmm && (static_cast<unsigned>(info[1]) & avx512) == avx512 ? DiffusionLanes::Avx512
                                                                            : DiffusionLanes::Avx2;
#else
    if (!__builtin_cpu_supports("ssse3")) return DiffusionLanes::None;
    // The AVX2 steps count lanes with POPCNT too.
    if (!__builtin_cpu_supports("avx2") || !__builtin_cpu_supports("popcnt")) return DiffusionLanes::Ssse3;
    return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
                   __builtin_cpu_supports("avx512vl")
               ? DiffusionLanes::Avx512
               : DiffusionLanes::Avx2;
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

// Multiply-high factors of the highlight divisors 3, 3, 4, 5, 6, 7 (21846,
// 21846, 16384, 13108, 10923, 9363), padded to 8: their low bytes, then their
// high bytes.
alignas(16) const uint8_t kLaneAidReciprocal[16] = {0x56, 0x56, 0x00, 0x34, 0xAB, 0x93, 0, 0,
                                                    0x55, 0x55, 0x40, 0x33, 0x2A, 0x24, 0, 0};

// The number of bits set among the low four.
constexpr uint32_t LaneCount4(uint32_t bits) { return static_cast<uint32_t>(0x4332322132212110ull >> (4 * bits)) & 15; }

// Random-window shuffle control of a pixel of four lanes, by the lanes that
// have a level (bit i for lane i): each lane's offset counts the lanes up to
// and including it that have one; the high byte 0x80 clears the lane's upper
// byte. The idle lanes 4 to 7 read offset 0.
struct QuadPickTable {
    alignas(16) uint16_t pick[16][8];
};
constexpr QuadPickTable MakeQuadPicks() {
    QuadPickTable table{};
    for (uint32_t bits = 0; bits < 16; ++bits) {
        for (uint32_t lane = 0; lane < 8; ++lane) {
            const uint32_t upTo = lane < 4 ? bits & ((2u << lane) - 1) : 0;
            table.pick[bits][lane] = static_cast<uint16_t>(0x8000 | LaneCount4(upTo));
        }
    }
    return table;
}
constexpr QuadPickTable kQuadPicks = MakeQuadPicks();

template <class P>
struct LaneState {
    typename P::V carry, counter, behind, current;
};

// 8 lanes of 16 bits in an SSE register.
struct V128 {
    using V = __m128i;
    static constexpr int kLanes = 8;
    static constexpr uint32_t kAllLanes = 0xFFFF;    // Movemask of all lanes
    static constexpr uint32_t kLaneBits = 0xAAAA;    // its bit 2i + 1 stands for lane i
    static ED_INLINE_SSSE3 V Zero() { return _mm_setzero_si128(); }
    static ED_INLINE_SSSE3 V Set(int16_t x) { return _mm_set1_epi16(x); }
    static ED_INLINE_SSSE3 V Pattern(int16_t a, int16_t b, int16_t c, int16_t d) {
        return _mm_setr_epi16(a, b, c, d, a, b, c, d);
    }
    static ED_INLINE_SSSE3 V Add(V a, V b) { return _mm_add_epi16(a, b); }
    static ED_INLINE_SSSE3 V Sub(V a, V b) { return _mm_sub_epi16(a, b); }
    static ED_INLINE_SSSE3 V And(V a, V b) { return _mm_and_si128(a, b); }
    static ED_INLINE_SSSE3 V AndNot(V a, V b) { return _mm_andnot_si128(a, b); }
    static ED_INLINE_SSSE3 V Or(V a, V b) { return _mm_or_si128(a, b); }
    static ED_INLINE_SSSE3 V CmpGt(V a, V b) { return _mm_cmpgt_epi16(a, b); }
    static ED_INLINE_SSSE3 V CmpEq(V a, V b) { return _mm_cmpeq_epi16(a, b); }
    static ED_INLINE_SSSE3 V Max(V a, V b) { return _mm_max_epi16(a, b); }
    static ED_INLINE_SSSE3 V Min(V a, V b) { return _mm_min_epi16(a, b); }
    static ED_INLINE_SSSE3 V MulHi(V a, V b) { return _mm_mulhi_epi16(a, b); }
    static ED_INLINE_SSSE3 V MulLo(V a, V b) { return _mm_mullo_epi16(a, b); }
    static ED_INLINE_SSSE3 V Shuffle(V table, V control) { return _mm_shuffle_epi8(table, control); }
    // The window moved on by N bytes, its next bytes following.
    template <int N> static ED_INLINE_SSSE3 V Advance(V window, V after) { return _mm_alignr_epi8(after, window, N); }
    template <int N> static ED_INLINE_SSSE3 V Srli(V a) { return _mm_srli_epi16(a, N); }
    template <int N> static ED_INLINE_SSSE3 V Srai(V a) { return _mm_srai_epi16(a, N); }
    template <int N> static ED_INLINE_SSSE3 V Slli(V a) { return _mm_slli_epi16(a, N); }
    template <int N> static ED_INLINE_SSSE3 V Srli32(V a) { return _mm_srli_epi32(a, N); }
    template <int N> static ED_INLINE_SSSE3 V Srli64(V a) { return _mm_srli_epi64(a, N); }
    static ED_INLINE_SSSE3 uint32_t Movemask(V a) { return static_cast<uint32_t>(_mm_movemask_epi8(a)); }
    static ED_INLINE_SSSE3 V LoadU(const int16_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }
    static ED_INLINE_SSSE3 void StoreU(int16_t* p, V a) { _mm_storeu_si128(reinterpret_cast<__m128i*>(p), a); }
    static ED_INLINE_SSSE3 void Store(int16_t* p, V a) { _mm_store_si128(reinterpret_cast<__m128i*>(p), a); }
    static ED_INLINE_SSSE3 V Load(const int16_t* p) { return _mm_load_si128(reinterpret_cast<const __m128i*>(p)); }
    static ED_INLINE_SSSE3 V Blend(V mask, V a, V b) { return _mm_or_si128(_mm_andnot_si128(mask, a), _mm_and_si128(mask, b)); }
    // The lanes whose bit is set in bits (bit 2i + 1 for lane i, as Movemask
    // gives them) as all-ones lanes.
    static ED_INLINE_SSSE3 V FromMaskBits(uint32_t bits) {
        const V lane = _mm_setr_epi16(2, 8, 32, 128, 512, 2048, 8192, -32768);
        return _mm_cmpeq_epi16(_mm_and_si128(_mm_set1_epi16(static_cast<int16_t>(bits)), lane), lane);
    }
    static ED_INLINE_SSSE3 V FromLanes(const int16_t* l) {
        return _mm_setr_epi16(l[0], l[1], l[2], l[3], l[4], l[5], l[6], l[7]);
    }
    // table[index] for the first kUsed lanes, 0 for the others.
    template <int kUsed>
    static ED_INLINE_SSSE3 V Gather(const int16_t* table, V index) {
        alignas(16) int16_t at[kLanes];
        _mm_store_si128(reinterpret_cast<__m128i*>(at), index);
        int16_t looked[kLanes] = {};
        for (int i = 0; i < kUsed && i < kLanes; ++i) looked[i] = table[at[i]];
        return FromLanes(looked);
    }
    static ED_INLINE_SSSE3 V AidReciprocals() {
        return _mm_load_si128(reinterpret_cast<const __m128i*>(kLaneAidReciprocal));
    }
    // Inclusive running sums within each 128-bit half.
    static ED_INLINE_SSSE3 V HalfPrefix(V x) {
        x = _mm_add_epi16(x, _mm_slli_si128(x, 2));
        x = _mm_add_epi16(x, _mm_slli_si128(x, 4));
        return _mm_add_epi16(x, _mm_slli_si128(x, 8));
    }
    // Lanes 0 to 3 from four values, the others zero.
    static ED_INLINE_SSSE3 V LoadLow(const int16_t* p) { return _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)); }
    // Bit i: lane i is all ones (each lane all ones or all zeros).
    static ED_INLINE_SSSE3 uint32_t LaneBits(V a) {
        return static_cast<uint32_t>(_mm_movemask_epi8(_mm_packs_epi16(a, _mm_setzero_si128())));
    }
    static ED_INLINE_SSSE3 V CarryHalves(V x) { return x; }
    static ED_INLINE_SSSE3 uint32_t HalfTotals(V prefix) { return static_cast<uint32_t>(_mm_extract_epi16(prefix, 7)); }
    static ED_INLINE_SSSE3 uint32_t LowerTotal(V) { return 0; }
    static ED_INLINE_SSSE3 uint32_t Last(V a) { return static_cast<uint32_t>(_mm_extract_epi16(a, 7)); }
    static ED_INLINE_SSSE3 V LoadWindow(const uint8_t* p, uint32_t) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }
    // One random index for the register, its cells in one row.
    static constexpr bool kGrouped = false;
    using Index = uint32_t;
    using Apart = int;
};

// 16 lanes of 16 bits in an AVX2 register; byte shuffles and shifts work in
// each 128-bit half, so each half reads its own random window.
struct V256 {
    using V = __m256i;
    static constexpr int kLanes = 16;
    static constexpr uint32_t kAllLanes = 0xFFFFFFFFu;
    static constexpr uint32_t kLaneBits = 0xAAAAAAAAu;
    static ED_INLINE_AVX2 V Zero() { return _mm256_setzero_si256(); }
    static ED_INLINE_AVX2 V Set(int16_t x) { return _mm256_set1_epi16(x); }
    static ED_INLINE_AVX2 V Pattern(int16_t a, int16_t b, int16_t c, int16_t d) {
        return _mm256_setr_epi16(a, b, c, d, a, b, c, d, a, b, c, d, a, b, c, d);
    }
    static ED_INLINE_AVX2 V Add(V a, V b) { return _mm256_add_epi16(a, b); }
    static ED_INLINE_AVX2 V Sub(V a, V b) { return _mm256_sub_epi16(a, b); }
    static ED_INLINE_AVX2 V And(V a, V b) { return _mm256_and_si256(a, b); }
    static ED_INLINE_AVX2 V AndNot(V a, V b) { return _mm256_andnot_si256(a, b); }
    static ED_INLINE_AVX2 V Or(V a, V b) { return _mm256_or_si256(a, b); }
    static ED_INLINE_AVX2 V CmpGt(V a, V b) { return _mm256_cmpgt_epi16(a, b); }
    static ED_INLINE_AVX2 V CmpEq(V a, V b) { return _mm256_cmpeq_epi16(a, b); }
    static ED_INLINE_AVX2 V Max(V a, V b) { return _mm256_max_epi16(a, b); }
    static ED_INLINE_AVX2 V Min(V a, V b) { return _mm256_min_epi16(a, b); }
    static ED_INLINE_AVX2 V MulHi(V a, V b) { return _mm256_mulhi_epi16(a, b); }
    static ED_INLINE_AVX2 V MulLo(V a, V b) { return _mm256_mullo_epi16(a, b); }
    static ED_INLINE_AVX2 V Shuffle(V table, V control) { return _mm256_shuffle_epi8(table, control); }
    template <int N> static ED_INLINE_AVX2 V Advance(V window, V after) { return _mm256_alignr_epi8(after, window, N); }
    template <int N> static ED_INLINE_AVX2 V Srli(V a) { return _mm256_srli_epi16(a, N); }
    template <int N> static ED_INLINE_AVX2 V Srai(V a) { return _mm256_srai_epi16(a, N); }
    template <int N> static ED_INLINE_AVX2 V Slli(V a) { return _mm256_slli_epi16(a, N); }
    template <int N> static ED_INLINE_AVX2 V Srli32(V a) { return _mm256_srli_epi32(a, N); }
    template <int N> static ED_INLINE_AVX2 V Srli64(V a) { return _mm256_srli_epi64(a, N); }
    static ED_INLINE_AVX2 uint32_t Movemask(V a) { return static_cast<uint32_t>(_mm256_movemask_epi8(a)); }
    static ED_INLINE_AVX2 V LoadU(const int16_t* p) { return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p)); }
    static ED_INLINE_AVX2 void StoreU(int16_t* p, V a) { _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), a); }
    static ED_INLINE_AVX2 void Store(int16_t* p, V a) { _mm256_store_si256(reinterpret_cast<__m256i*>(p), a); }
    static ED_INLINE_AVX2 V Load(const int16_t* p) { return _mm256_load_si256(reinterpret_cast<const __m256i*>(p)); }
    static ED_INLINE_AVX2 V Blend(V mask, V a, V b) { return _mm256_blendv_epi8(a, b, mask); }
    static ED_INLINE_AVX2 V FromMaskBits(uint32_t bits) {
        const V lane = _mm256_setr_epi16(2, 8, 32, 128, 512, 2048, 8192, -32768, 2, 8, 32, 128, 512, 2048, 8192, -32768);
        const V spread = _mm256_set_m128i(_mm_set1_epi16(static_cast<int16_t>(bits >> 16)),
                                          _mm_set1_epi16(static_cast<int16_t>(bits)));
        return _mm256_cmpeq_epi16(_mm256_and_si256(spread, lane), lane);
    }
    // table[index] for each lane, by two 8-lane gathers of 32 bits whose low
    // halves are the values (the index is at most 575 here, so the upper
    // halves stay inside the table).
    template <int>
    static ED_INLINE_AVX2 V Gather(const int16_t* table, V index) {
        const int* base = reinterpret_cast<const int*>(table);
        const __m256i low = _mm256_i32gather_epi32(base, _mm256_cvtepi16_epi32(_mm256_castsi256_si128(index)), 2);
        const __m256i high = _mm256_i32gather_epi32(base, _mm256_cvtepi16_epi32(_mm256_extracti128_si256(index, 1)), 2);
        const __m256i packed =
            _mm256_packs_epi32(_mm256_srai_epi32(_mm256_slli_epi32(low, 16), 16), _mm256_srai_epi32(_mm256_slli_epi32(high, 16), 16));
        return _mm256_permute4x64_epi64(packed, 0xD8);
    }
    static ED_INLINE_AVX2 V AidReciprocals() {
        return _mm256_broadcastsi128_si256(_mm_load_si128(reinterpret_cast<const __m128i*>(kLaneAidReciprocal)));
    }
    static ED_INLINE_AVX2 V HalfPrefix(V x) {
        x = _mm256_add_epi16(x, _mm256_slli_si256(x, 2));
        x = _mm256_add_epi16(x, _mm256_slli_si256(x, 4));
        return _mm256_add_epi16(x, _mm256_slli_si256(x, 8));
    }
    // Adds the lower half's last lane to every lane of the upper half.
    static ED_INLINE_AVX2 V CarryHalves(V x) {
        const V last = _mm256_shuffle_epi8(x, _mm256_set1_epi16(0x0F0E));
        return _mm256_add_epi16(x, _mm256_permute2x128_si256(last, last, 0x08));
    }
    static ED_INLINE_AVX2 uint32_t HalfTotals(V prefix) {
        return static_cast<uint32_t>(_mm256_extract_epi16(prefix, 7)) +
               static_cast<uint32_t>(_mm256_extract_epi16(prefix, 15));
    }
    static ED_INLINE_AVX2 uint32_t Last(V a) { return static_cast<uint32_t>(_mm256_extract_epi16(a, 15)); }
    // The lower half's steps, where the upper half's window starts.
    static ED_INLINE_AVX2 uint32_t LowerTotal(V prefix) { return static_cast<uint32_t>(_mm256_extract_epi16(prefix, 7)); }
    static ED_INLINE_AVX2 V LoadWindow(const uint8_t* p, uint32_t lowerTotal) {
        const __m128i low = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const __m128i high = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + lowerTotal));
        return _mm256_inserti128_si256(_mm256_castsi128_si256(low), high, 1);
    }
    static constexpr bool kGrouped = false;
    using Index = uint32_t;
    using Apart = int;
};

// Two channels of the engine side by side in the 8 lanes of an SSE
// register, channel g in lanes 4g to 4g + 3, where it has its streams alone.
// Each runs what the one-channel register runs for it, with its own random
// index and its own cells (lanes 0 to 3 of its rows; lanes 4 to 7 stay idle
// at 0). The index holds channel g's in bits 32g to 32g + 31 (a line moves an
// index by far less than 2^32). A channel's random window is 8 bytes (its
// offsets stay below 8: at most 2 + 3 on the windows 0 to 2 bytes on), in
// bytes 8g to 8g + 7 of the register.
struct V128Pair : V128 {
    static constexpr bool kGrouped = true;
    using Index = uint64_t;
    // How far the second channel's cells are from the first's, in bytes.
    using Apart = intptr_t;
    static constexpr uint32_t IndexOf(uint64_t index, int g) { return static_cast<uint32_t>(index >> (32 * g)); }
    static constexpr uint64_t MakeIndex(uint32_t first, uint32_t second) { return first | static_cast<uint64_t>(second) << 32; }
    template <class T>
    static T* Second(T* first, intptr_t apart) {
        return reinterpret_cast<T*>(reinterpret_cast<intptr_t>(first) + apart);
    }
    static ED_INLINE_SSSE3 V TwoQuads(const void* first, const void* second) {
        const __m128i low = _mm_loadl_epi64(static_cast<const __m128i*>(first));
        return _mm_castpd_si128(_mm_loadh_pd(_mm_castsi128_pd(low), static_cast<const double*>(second)));
    }
    static ED_INLINE_SSSE3 V Window(const uint8_t* random, uint64_t index, int k, uint32_t) {
        return TwoQuads(random + (index & 0xFFFF) + k, random + ((index >> 32) & 0xFFFF) + k);
    }
    // A byte-shuffle control for a channel's four lanes (byte numbers of
    // lanes 0 to 3, or 0x8080 for none), for each channel.
    static ED_INLINE_SSSE3 V GroupControl(int16_t a, int16_t b, int16_t c, int16_t d) {
        return _mm_setr_epi16(a, b, c, d, Next(a), Next(b), Next(c), Next(d));
    }
    static constexpr int16_t Next(int16_t control) {
        return control == static_cast<int16_t>(0x8080) ? control : static_cast<int16_t>(control + 0x0808);
    }
    // x in the second channel's lanes, 0 in the first's.
    static ED_INLINE_SSSE3 V OddGroups(int16_t x) { return _mm_setr_epi16(0, 0, 0, 0, x, x, x, x); }
    static ED_INLINE_SSSE3 V LoadCells(const int16_t* p, intptr_t apart) { return TwoQuads(p, Second(p, apart)); }
    static ED_INLINE_SSSE3 void StoreCells(int16_t* p, intptr_t apart, V a) {
        _mm_storel_epi64(reinterpret_cast<__m128i*>(p), a);
        _mm_storeh_pd(reinterpret_cast<double*>(Second(p, apart)), _mm_castsi128_pd(a));
    }
};

// By the lanes of a pair's pixel that have a level (bits 4g to 4g + 3 for
// channel g's): the random-window shuffle control, each channel's lanes as
// kQuadPicks has them moved to its 8 bytes, and the index steps of both
// channels.
struct PairPickTable {
    alignas(16) uint16_t pick[256][8];
    uint64_t steps[256];
};
constexpr PairPickTable MakePairPicks() {
    PairPickTable table{};
    for (uint32_t bits = 0; bits < 256; ++bits) {
        for (uint32_t lane = 0; lane < 8; ++lane)
            table.pick[bits][lane] =
                static_cast<uint16_t>(kQuadPicks.pick[(bits >> (lane & 4)) & 15][lane % 4] + 8 * (lane / 4));
        table.steps[bits] = V128Pair::MakeIndex(LaneCount4(bits & 15), LaneCount4(bits >> 4));
    }
    return table;
}
constexpr PairPickTable kPairPicks = MakePairPicks();

#if defined(_MSC_VER) && !defined(__clang__)
#define ED_POPCOUNT __popcnt
#else
#define ED_POPCOUNT __builtin_popcount
#endif

namespace ssse3 {
#define ED_STEP_INLINE ED_INLINE_SSSE3
#define ED_STEP_TARGET ED_TARGET_SSSE3
#include "halftone/error_diffusion_lanes_step.inc"
}  // namespace ssse3

namespace avx2 {
#define ED_STEP_INLINE ED_INLINE_AVX2
#define ED_STEP_TARGET ED_TARGET_AVX2
#define ED_STEP_POPCOUNT ED_POPCOUNT
#define ED_STEP_GATHER 1
#include "halftone/error_diffusion_lanes_step.inc"
}  // namespace avx2

namespace avx512 {
#define ED_STEP_INLINE ED_INLINE_AVX512
#define ED_STEP_TARGET ED_TARGET_AVX512
#define ED_STEP_POPCOUNT ED_POPCOUNT
#define ED_STEP_WORD_PERMUTE 1
#define ED_STEP_GATHER 1
#include "halftone/error_diffusion_lanes_step.inc"
}  // namespace avx512

template <int kStreams, bool kThirdSplit>
void LaneLineFor(DiffusionLanes lanes, int channels, bool rightToLeft, const LaneLine& line, uint16_t& index) {
    // Wide registers pay where a pixel has 16 lanes or more; narrower pixels
    // still take the wider encoding and its instructions where there are.
    const bool wide = kStreams > 1 && channels * (kStreams == 2 ? 2 : 4) >= 16;
    switch (lanes) {
        case DiffusionLanes::Avx512:
            if (wide) avx512::LaneLineChannels<V256, kStreams, kThirdSplit>(channels, rightToLeft, line, index);
            else avx512::LaneLineChannels<V128, kStreams, kThirdSplit>(channels, rightToLeft, line, index);
            break;
        case DiffusionLanes::Avx2:
            if (wide) avx2::LaneLineChannels<V256, kStreams, kThirdSplit>(channels, rightToLeft, line, index);
            else avx2::LaneLineChannels<V128, kStreams, kThirdSplit>(channels, rightToLeft, line, index);
            break;
        default: ssse3::LaneLineChannels<V128, kStreams, kThirdSplit>(channels, rightToLeft, line, index); break;
    }
}

template <int kStreams, bool kThirdSplit>
void LaneChannelFor(DiffusionLanes lanes, bool rightToLeft, const LaneLine& line, const int32_t* values,
                    ptrdiff_t valueStride, const uint16_t* levels, uint16_t& index) {
    switch (lanes) {
        case DiffusionLanes::Avx512:
            avx512::LaneChannelDirection<V128, kStreams, kThirdSplit>(rightToLeft, line, values, valueStride, levels, index);
            break;
        case DiffusionLanes::Avx2:
            avx2::LaneChannelDirection<V128, kStreams, kThirdSplit>(rightToLeft, line, values, valueStride, levels, index);
            break;
        default:
            ssse3::LaneChannelDirection<V128, kStreams, kThirdSplit>(rightToLeft, line, values, valueStride, levels, index);
            break;
    }
}

template <int kStreams, bool kThirdSplit>
bool LanePairFor(DiffusionLanes lanes, bool rightToLeft, const LanePairLine& line) {
    switch (lanes) {
        case DiffusionLanes::Avx512: avx512::LanePairDirection<kStreams, kThirdSplit>(rightToLeft, line); return true;
        case DiffusionLanes::Avx2: avx2::LanePairDirection<kStreams, kThirdSplit>(rightToLeft, line); return true;
        default: return false;
    }
}

}  // namespace

bool RunLanePair(DiffusionLanes lanes, int streams, bool thirdSplit, bool rightToLeft, const LanePairLine& line) {
    switch (streams * 2 + (thirdSplit ? 1 : 0)) {
        case 4:
        case 5: return LanePairFor<2, false>(lanes, rightToLeft, line);
        case 6: return LanePairFor<3, false>(lanes, rightToLeft, line);
        case 7: return LanePairFor<3, true>(lanes, rightToLeft, line);
        default: return false;
    }
}

void RunLaneChannel(DiffusionLanes lanes, int streams, bool thirdSplit, bool rightToLeft, const LaneLine& line,
                    const int32_t* values, ptrdiff_t valueStride, uint16_t& index, const uint16_t* levels) {
    switch (streams * 2 + (thirdSplit ? 1 : 0)) {
        case 2: LaneChannelFor<1, false>(lanes, rightToLeft, line, values, valueStride, levels, index); break;
        case 3: LaneChannelFor<1, true>(lanes, rightToLeft, line, values, valueStride, levels, index); break;
        case 4:
        case 5: LaneChannelFor<2, false>(lanes, rightToLeft, line, values, valueStride, levels, index); break;
        case 6: LaneChannelFor<3, false>(lanes, rightToLeft, line, values, valueStride, levels, index); break;
        case 7: LaneChannelFor<3, true>(lanes, rightToLeft, line, values, valueStride, levels, index); break;
        default: break;
    }
}

void RunLaneLine(DiffusionLanes lanes, int streams, bool thirdSplit, int channels, bool rightToLeft,
                 const LaneLine& line, uint16_t& index) {
    switch (streams * 2 + (thirdSplit ? 1 : 0)) {
        case 2: LaneLineFor<1, false>(lanes, channels, rightToLeft, line, index); break;
        case 3: LaneLineFor<1, true>(lanes, channels, rightToLeft, line, index); break;
        case 4:
        case 5: LaneLineFor<2, false>(lanes, channels, rightToLeft, line, index); break;
        case 6: LaneLineFor<3, false>(lanes, channels, rightToLeft, line, index); break;
        case 7: LaneLineFor<3, true>(lanes, channels, rightToLeft, line, index); break;
        default: break;
    }
}

#else  // not x86: the plain step runs

DiffusionLanes SupportedLanes() { return DiffusionLanes::None; }
void RunLaneLine(DiffusionLanes, int, bool, int, bool, const LaneLine&, uint16_t&) {}
void RunLaneChannel(DiffusionLanes, int, bool, bool, const LaneLine&, const int32_t*, ptrdiff_t, uint16_t&,
                    const uint16_t*) {}
bool RunLanePair(DiffusionLanes, int, bool, bool, const LanePairLine&) { return false; }

#endif
