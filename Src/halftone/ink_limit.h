// Total-ink limiters: they cut the 12-bit ink values of one pixel back when
// their sum exceeds the job's limit (in 12-bit units; 16380, four times
// 4095, or more switches limiting off). Values are reduced, never raised,
// and never go below 0. Each form differs in the values it sums, the divisor
// it picks and how it reduces light inks.
//
// Positions inside a pixel: 0 cyan, 1 magenta, 2 yellow, 3 black, 4 light
// cyan (or fifth value), 5 light magenta (or sixth value), 6 and 7 extra
// channels (light black in the seven-ink set).
#pragma once

#include <cstdint>

constexpr int32_t kInkLimitNone = 16380;

namespace ink_limit {

constexpr int32_t kSumThreshold = 4095;
constexpr int32_t kColorFactor = 4325;
constexpr int32_t kBlackFactor = 1615;
constexpr int32_t kDivisorNoBlack = 4342;
constexpr int32_t kDivisorFullColor = 3645;
constexpr int32_t kDivisorBlack = 3420;

inline int32_t Share(int32_t e, int32_t factor, int32_t s) {
    return static_cast<int32_t>(static_cast<int64_t>(e) * factor / s);
}
// x - x * F / D for a value above 0, not below 0.
inline void ReduceColor(int32_t& x, int32_t f, int32_t d) {
    if (x > 0) {
        x -= x * f / d;
        if (x < 0) x = 0;
    }
}
// Light inks lose twice the share of the dark ones.
inline void ReduceLight(int32_t& x, int32_t f, int32_t d) {
    if (x > 0) {
        x -= 2 * x * f / d;
        if (x < 0) x = 0;
    }
}
// K - (E * factor / S) * K / D for a value above 0, not below 0.
inline void ReduceBlack(int32_t& k, int32_t e, int32_t s, int32_t d, int32_t factor) {
    if (k > 0) {
        k -= Share(e, factor, s) * k / d;
        if (k < 0) k = 0;
    }
}
// The excess E of sum s over limit, or 0 when nothing is to be cut.
inline int32_t Excess(int32_t s, int32_t limit) {
    if (limit >= kInkLimitNone || s <= kSumThreshold) return 0;
    const int32_t e = s - limit;
    return e > 0 ? e : 0;
}
inline int32_t Divisor(bool black, bool fullColor) {
    return !black ? kDivisorNoBlack : (fullColor ? kDivisorFullColor : kDivisorBlack);
}

}  // namespace ink_limit

namespace ink_limit {

// Masks of positions: bit p stands for position p.
constexpr unsigned kCMY = 0x07, kK = 0x08, kLights = 0x30, kExtras = 0xC0;

// One limiter form: the positions it sums (plus an extra value that is never
// reduced), those reduced like the colours, those reduced as light inks, and
// the further positions that must be inked for the full-colour divisor. The
// light-ink forms accept a light cyan or magenta for its dark ink there.
template <unsigned kSummed, unsigned kColors, unsigned kLight, unsigned kFullAlso>
inline void LimitForm(int32_t* v, int32_t limit, int32_t extra) {
    int32_t s = extra;
#pragma GCC unroll 8
    for (unsigned p = 0; p < 8; ++p) {
        if (kSummed & (1u << p)) s += v[p];
    }
    const int32_t e = Excess(s, limit);
    if (e == 0) return;
    bool full = kLight ? (v[0] != 0 || v[4] != 0) && (v[1] != 0 || v[5] != 0) && v[2] != 0
                       : v[0] != 0 && v[1] != 0 && v[2] != 0;
#pragma GCC unroll 8
    for (unsigned p = 0; p < 8; ++p) {
        if (kFullAlso & (1u << p)) full = full && v[p] != 0;
    }
    const int32_t d = Divisor(v[3] != 0, full);
    const int32_t f = Share(e, kColorFactor, s);
#pragma GCC unroll 8
    for (unsigned p = 0; p < 8; ++p) {
        if (kColors & (1u << p)) ReduceColor(v[p], f, d);
        if (kLight & (1u << p)) ReduceLight(v[p], f, d);
    }
    ReduceBlack(v[3], e, s, d, kBlackFactor);
}

}  // namespace ink_limit

// Cyan, magenta, yellow, black.
inline void InkLimit_CMYK(int32_t* v, int32_t limit) {
    using namespace ink_limit;
    LimitForm<kCMY | kK, kCMY, 0, 0>(v, limit, 0);
}

// Positions 0-3, 6 and 7; the two extra channels reduce like the colours.
inline void InkLimit_CMYKWW(int32_t* v, int32_t limit) {
    using namespace ink_limit;
    LimitForm<kCMY | kK | kExtras, kCMY | kExtras, 0, kExtras>(v, limit, 0);
}

// Light inks: positions 0-5, plus an extra value that counts in the sum and
// is never reduced (0 for none).
inline void InkLimitLight(int32_t* v, int32_t limit, int32_t extra) {
    using namespace ink_limit;
    LimitForm<kCMY | kK | kLights, kCMY, kLights, 0>(v, limit, extra);
}

// Cyan, magenta, yellow, black, light cyan, light magenta.
inline void InkLimit_CMYKcm(int32_t* v, int32_t limit) { InkLimitLight(v, limit, 0); }

// Positions 0-7: the light-ink form with both extra channels summed and
// reduced like the colours.
inline void InkLimit_CMYKcmWW(int32_t* v, int32_t limit) {
    using namespace ink_limit;
    LimitForm<0xFF, kCMY | kExtras, kLights, kExtras>(v, limit, 0);
}

// Six values (cyan, magenta, yellow, black, fifth, sixth), the fifth and
// sixth reduced like the colours.
inline void InkLimitSix(int32_t* v, int32_t limit) {
    using namespace ink_limit;
    LimitForm<kCMY | kK | kLights, kCMY | kLights, 0, 0>(v, limit, 0);
}

// The limiter constants of the halftoner that InkLimit_CMYKcm6 reads.
struct InkLimitConstants {
    int32_t sumThreshold;
    int32_t divisorNoBlack;
    int32_t divisorBlack;
    int32_t divisorAll;
    int32_t colorFactor;
    int32_t blackFactor;
};

// Positions 0-5 with the halftoner's constants.
inline void InkLimit_CMYKcm6(int32_t* v, int32_t limit, const InkLimitConstants& k) {
    using namespace ink_limit;
    if (limit >= kInkLimitNone) return;
    const int32_t s = v[0] + v[1] + v[2] + v[3] + v[4] + v[5];
    if (s <= k.sumThreshold || s <= 0) return;
    const int32_t e = s - limit;
    if (e <= 0) return;
    const int32_t d = (v[0] != 0 && v[1] != 0 && v[2] != 0 && v[3] != 0) ? k.divisorAll
                      : v[3] != 0                                         ? k.divisorBlack
                                                                          : k.divisorNoBlack;
    const int32_t f = Share(e, k.colorFactor, s);
    ReduceColor(v[0], f, d);
    ReduceColor(v[1], f, d);
    ReduceColor(v[2], f, d);
    ReduceColor(v[4], f, d);
    ReduceColor(v[5], f, d);
    ReduceBlack(v[3], e, s, d, k.blackFactor);
}

// Positions 0-6 of the seven-ink set (6 is light black), with the input
// bytes deciding the divisor; a residue above 5 is then taken off in three
// rounds.
void InkLimit_CMYKcmk(int32_t* v, int32_t limit, const uint8_t* pixel);
