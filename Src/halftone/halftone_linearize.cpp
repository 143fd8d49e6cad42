// The line linearisers of the planar routine: pixel-interleaved input bytes
// into pixel-interleaved 12-bit words through the input maps, a total-ink
// limiter and the linearisation tables. Each member reads a fixed number of
// bytes and writes a fixed number of words per pixel.
#include <algorithm>

#include "halftone/halftone.h"
#include "halftone/ink_limit.h"

namespace {

template <int kBytes>
bool AllZero(const uint8_t* p) {
    uint8_t any = 0;
    for (int i = 0; i < kBytes; ++i) any |= p[i];
    return any == 0;
}

// Runs pixel(src, out) on every step-th pixel of count; all-zero pixels give
// all-zero words without a look-up.
template <int kBytes, int kWords, typename Pixel>
int32_t LinearizeLoop(const uint8_t* src, int32_t count, int32_t step, uint16_t* out, Pixel pixel) {
    if (!src || !out) return 0;
    if (step < 1) step = 1;
    for (int32_t i = 0; i < count; i += step, src += kBytes, out += kWords) {
        if (AllZero<kBytes>(src)) {
            std::fill_n(out, kWords, uint16_t{0});
        } else {
            pixel(src, out);
        }
    }
    return 0;
}

inline uint16_t Word(int32_t v) { return static_cast<uint16_t>(std::clamp(v, 0, 0xFFFF)); }

}  // namespace

// Shorthands of the members below: value of map m at byte b, table c at v.
#define MAP(m, b) static_cast<int32_t>(m_aInputMap[m][b])
#define T(c, v) static_cast<uint16_t>(Lin(c, v))

int32_t CHalftone::LinearizeNone(const uint8_t*, int32_t, int32_t, uint16_t*) { return 0; }

// Values 0-3 through maps 0-3.
#define CMYK_VALUES(s) {MAP(0, s[0]), MAP(1, s[1]), MAP(2, s[2]), MAP(3, s[3]), 0, 0, 0, 0}
// Values 0-5 with cyan and magenta split into their dark and light shares.
#define LIGHT_VALUES(s) {MAP(22, s[0]), MAP(23, s[1]), MAP(2, s[2]), MAP(3, s[3]), MAP(14, s[0]), MAP(15, s[1]), 0, 0}

int32_t CHalftone::LinearizeLine4A(const uint8_t* src, int32_t count, int32_t step, uint16_t* out) {
    return LinearizeLoop<4, 4>(src, count, step, out, [this](const uint8_t* s, uint16_t* o) {
        int32_t v[8] = CMYK_VALUES(s);
        InkLimit_CMYK(v, m_iInkLimit);
        for (int c = 0; c < 4; ++c) o[c] = T(c, v[c]);
    });
}

int32_t CHalftone::LinearizeLine5A(const uint8_t* src, int32_t count, int32_t step, uint16_t* out) {
    return LinearizeLoop<5, 6>(src, count, step, out, [this](const uint8_t* s, uint16_t* o) {
        int32_t v[8] = CMYK_VALUES(s);
        v[4] = s[4] * 16;
        InkLimit_CMYK(v, m_iInkLimit);
        for (int c = 0; c < 4; ++c) o[c] = T(c, v[c]);
        o[4] = o[5] = T(4, v[4]);
    });
}

int32_t CHalftone::LinearizeLine5B(const uint8_t* src, int32_t count, int32_t step, uint16_t* out) {
    return LinearizeLine5A(src, count, step, out);
}

int32_t CHalftone::LinearizeLine5C(const uint8_t* src, int32_t count, int32_t step, uint16_t* out) {
    return LinearizeLoop<5, 6>(src, count, step, out, [this](const uint8_t* s, uint16_t* o) {
        int32_t v[8] = CMYK_VALUES(s);
        v[4] = MAP(18, s[4]);
        InkLimit_CMYK(v, m_iInkLimit);
        for (int c = 0; c < 4; ++c) o[c] = T(c, v[c]);
        o[4] = o[5] = T(4, v[4]);
    });
}

int32_t CHalftone::LinearizeLine6A(const uint8_t* src, int32_t count, int32_t step, uint16_t* out) {
    return LinearizeLoop<6, 6>(src, count, step, out, [this](const uint8_t* s, uint16_t* o) {
        int32_t v[8] = CMYK_VALUES(s);
        v[4] = MAP(14, s[4]);
        v[5] = MAP(15, s[5]);
        InkLimitSix(v, m_iInkLimit);
        for (int c = 0; c < 6; ++c) o[c] = T(c, v[c]);
    });
}

int32_t CHalftone::LinearizeLine6B(const uint8_t* src, int32_t count, int32_t step, uint16_t* out) {
    return LinearizeLoop<6, 6>(src, count, step, out, [this](const uint8_t* s, uint16_t* o) {
        int32_t v[8] = CMYK_VALUES(s);
        v[4] = s[4] * 16;
        v[5] = s[5] * 16;
        InkLimit_CMYK(v, m_iInkLimit);
        for (int c = 0; c < 6; ++c) o[c] = T(c, v[c]);
    });
}

int32_t CHalftone::LinearizeLine6C(const uint8_t* src, int32_t count, int32_t step, uint16_t* out) {
    return LinearizeLoop<6, 8>(src, count, step, out, [this](const uint8_t* s, uint16_t* o) {
        int32_t v[8] = CMYK_VALUES(s);
        v[4] = s[4] * 16;
        v[5] = s[5] * 16;
        InkLimit_CMYK(v, m_iInkLimit);
        for (int c = 0; c < 4; ++c) o[c] = T(c, v[c]);
        o[4] = o[5] = T(4, v[4]);
        o[6] = o[7] = T(5, v[5]);
    });
}

int32_t CHalftone::LinearizeLine6D(const uint8_t* src, int32_t count, int32_t step, uint16_t* out) {
    return LinearizeLoop<6, 6>(src, count, step, out, [this](const uint8_t* s, uint16_t* o) {
        int32_t v[8] = CMYK_VALUES(s);
        v[4] = MAP(18, s[4]);
        v[5] = s[5] * 16;
        InkLimit_CMYK(v, m_iInkLimit);
        for (int c = 0; c < 6; ++c) o[c] = T(c, v[c]);
    });
}

int32_t CHalftone::LinearizeLine6E(const uint8_t* src, int32_t count, int32_t step, uint16_t* out) {
    return LinearizeLoop<6, 8>(src, count, step, out, [this](const uint8_t* s, uint16_t* o) {
        int32_t v[8] = CMYK_VALUES(s);
        v[4] = MAP(18, s[4]);
        v[5] = s[5] * 16;
        InkLimit_CMYK(v, m_iInkLimit);
        for (int c = 0; c < 4; ++c) o[c] = T(c, v[c]);
        o[4] = o[5] = T(4, v[4]);
        o[6] = o[7] = T(5, v[5]);
    });
}

int32_t CHalftone::LinearizeLine6F(const uint8_t* src, int32_t count, int32_t step, uint16_t* out) {
    return LinearizeLoop<4, 6>(src, count, step, out, [this](const uint8_t* s, uint16_t* o) {
        int32_t v[8] = LIGHT_VALUES(s);
        InkLimit_CMYKcm(v, m_iInkLimit);
        for (int c = 0; c < 6; ++c) o[c] = T(c, v[c]);
    });
}

int32_t CHalftone::LinearizeLine6G(const uint8_t* src, int32_t count, int32_t step, uint16_t* out) {
    return LinearizeLoop<5, 8>(src, count, step, out, [this](const uint8_t* s, uint16_t* o) {
        int32_t v[8] = LIGHT_VALUES(s);
        v[6] = MAP(18, s[4]);
        InkLimit_CMYKcm(v, m_iInkLimit);
        for (int c = 0; c < 4; ++c) o[c] = T(c, v[c]);
        o[4] = T(4, Lin(4, v[4]));
        o[5] = T(5, v[5]);
        o[6] = o[7] = Word(v[6]);
    });
}

int32_t CHalftone::LinearizeLine7A(const uint8_t* src, int32_t count, int32_t step, uint16_t* out) {
    return LinearizeLoop<7, 8>(src, count, step, out, [this](const uint8_t* s, uint16_t* o) {
        int32_t v[8] = CMYK_VALUES(s);
        v[4] = MAP(14, s[4]);
        v[5] = MAP(15, s[5]);
        v[6] = MAP(18, s[6]);
        InkLimitSix(v, m_iInkLimit);
        for (int c = 0; c < 6; ++c) o[c] = T(c, v[c]);
        o[6] = o[7] = T(6, v[6]);
    });
}

int32_t CHalftone::LinearizeLine7B(const uint8_t* src, int32_t count, int32_t step, uint16_t* out) {
    return LinearizeLoop<7, 8>(src, count, step, out, [this](const uint8_t* s, uint16_t* o) {
        int32_t v[8] = CMYK_VALUES(s);
        v[4] = MAP(18, s[4]);
        v[5] = s[5] * 16;
        v[6] = s[6] * 16;
        InkLimit_CMYK(v, m_iInkLimit);
        for (int c = 0; c < 4; ++c) o[c] = T(c, v[c]);
        o[4] = o[5] = T(4, v[4]);
        o[6] = T(5, v[5]);
        o[7] = T(6, v[6]);
    });
}

int32_t CHalftone::LinearizeLine7C(const uint8_t* src, int32_t count, int32_t step, uint16_t* out) {
    return LinearizeLoop<5, 8>(src, count, step, out, [this](const uint8_t* s, uint16_t* o) {
        int32_t v[8] = LIGHT_VALUES(s);
        v[6] = s[4] * 16;
        InkLimit_CMYKcm(v, m_iInkLimit);
        for (int c = 0; c < 6; ++c) o[c] = T(c, v[c]);
        o[6] = o[7] = T(6, v[6]);
    });
}

int32_t CHalftone::LinearizeLine7D(const uint8_t* src, int32_t count, int32_t step, uint16_t* out) {
    return LinearizeLoop<5, 8>(src, count, step, out, [this](const uint8_t* s, uint16_t* o) {
        int32_t v[8] = LIGHT_VALUES(s);
        v[6] = MAP(18, s[4]);
        InkLimit_CMYKcm(v, m_iInkLimit);
        for (int c = 0; c < 6; ++c) o[c] = T(c, v[c]);
        o[6] = o[7] = T(6, v[6]);
    });
}

int32_t CHalftone::LinearizeLine8A(const uint8_t* src, int32_t count, int32_t step, uint16_t* out) {
    return LinearizeLoop<6, 8>(src, count, step, out, [this](const uint8_t* s, uint16_t* o) {
        int32_t v[8] = LIGHT_VALUES(s);
        v[6] = s[4] * 16;
        v[7] = s[5] * 16;
        InkLimit_CMYKcm(v, m_iInkLimit);
        for (int c = 0; c < 8; ++c) o[c] = T(c, v[c]);
    });
}

int32_t CHalftone::LinearizeLine8B(const uint8_t* src, int32_t count, int32_t step, uint16_t* out) {
    return LinearizeLoop<6, 8>(src, count, step, out, [this](const uint8_t* s, uint16_t* o) {
        int32_t v[8] = LIGHT_VALUES(s);
        v[6] = MAP(18, s[4]);
        v[7] = s[5] * 16;
        InkLimit_CMYKcm(v, m_iInkLimit);
        for (int c = 0; c < 8; ++c) o[c] = T(c, v[c]);
    });
}

// Value 6 is the white, value 7 the silver: white only where there is no
// silver; both count in the limit by their mean and are never reduced.
int32_t CHalftone::LinearizeLine8C(const uint8_t* src, int32_t count, int32_t step, uint16_t* out) {
    return LinearizeLoop<6, 8>(src, count, step, out, [this](const uint8_t* s, uint16_t* o) {
        int32_t v[8] = LIGHT_VALUES(s);
        v[7] = MAP(19, s[5]);
        v[6] = v[7] == 0 ? MAP(18, s[4]) : 0;
        InkLimitLight(v, m_iInkLimit, (v[6] + v[7]) / 2);
        for (int c = 0; c < 8; ++c) o[c] = T(c, v[c]);
    });
}

#undef CMYK_VALUES
#undef LIGHT_VALUES
#undef MAP
#undef T

namespace {

// The pixel each lineariser reads (its LinearizeLoop's byte count), kept
// beside the functions: the picture check and the set-up both go by it.
struct LinearizerRow {
    LinearizeFunction function;
    PixelInput input;
};
constexpr PixelInput kCmyk(int32_t bytes) { return {4, bytes}; }
const LinearizerRow kLinearizers[] = {
    {&CHalftone::LinearizeLine4A, kCmyk(4)}, {&CHalftone::LinearizeLine5A, kCmyk(5)},
    {&CHalftone::LinearizeLine5B, kCmyk(5)}, {&CHalftone::LinearizeLine5C, kCmyk(5)},
    {&CHalftone::LinearizeLine6A, {6, 6}},   {&CHalftone::LinearizeLine6B, kCmyk(6)},
    {&CHalftone::LinearizeLine6C, kCmyk(6)}, {&CHalftone::LinearizeLine6D, kCmyk(6)},
    {&CHalftone::LinearizeLine6E, kCmyk(6)}, {&CHalftone::LinearizeLine6F, kCmyk(4)},
    {&CHalftone::LinearizeLine6G, kCmyk(5)}, {&CHalftone::LinearizeLine7A, {6, 7}},
    {&CHalftone::LinearizeLine7B, kCmyk(7)}, {&CHalftone::LinearizeLine7C, kCmyk(5)},
    {&CHalftone::LinearizeLine7D, kCmyk(5)}, {&CHalftone::LinearizeLine8A, kCmyk(6)},
    {&CHalftone::LinearizeLine8B, kCmyk(6)}, {&CHalftone::LinearizeLine8C, kCmyk(6)},
};

}  // namespace

const PixelInput* FindLinearizeInput(LinearizeFunction function) {
    for (const LinearizerRow& row : kLinearizers) {
        if (row.function == function) return &row.input;
    }
    return nullptr;
}

const std::vector<int32_t>& InputColorModesRead() {
    static const std::vector<int32_t> modes = [] {
        // Error diffusion and matrix screening read CMYK, or CMYKOG for the
        // eight-ink converter (DiffusionInputColorMode).
        std::vector<int32_t> read = {4, 6};
        for (const LinearizerRow& row : kLinearizers) read.push_back(row.input.colorMode);
        std::sort(read.begin(), read.end());
        read.erase(std::unique(read.begin(), read.end()), read.end());
        return read;
    }();
    return modes;
}

bool CHalftone::SetLinearizeFunction(LinearizeFunction function) {
    const bool known = FindLinearizeInput(function) != nullptr;
    m_pfnLinearize = known ? function : &CHalftone::LinearizeNone;
    return known;
}
