#include "halftone/pixel_converters.h"

#include <algorithm>
#include <cstring>

#include "halftone/error_diffusion.h"
#include "halftone/halftone.h"
#include "halftone/ink_limit.h"
#include "halftone/matrix_screening.h"

namespace {

enum Map { kMapC = 0, kMapM = 1, kMapY = 2, kMapK = 3, kMapLightC = 14, kMapLightM = 15, kMapLightK = 17,
           kMapExtra = 18, kMapDarkC = 22, kMapDarkM = 23, kMapDarkK = 25 };

inline int32_t In(const CHalftone* h, int map, uint8_t byte) { return h->m_aInputMap[map][byte]; }
inline int32_t Flood(const CHalftone* h) { return h->m_aInputMap[kMapExtra][255]; }

inline bool Empty4(const uint8_t* p) { return (p[0] | p[1] | p[2] | p[3]) == 0; }
inline bool Empty5(const uint8_t* p) { return (p[0] | p[1] | p[2] | p[3] | p[4]) == 0; }
inline bool Empty6(const uint8_t* p) { return (p[0] | p[1] | p[2] | p[3] | p[4] | p[5]) == 0; }

inline void Zero(int32_t* v, int first, int last) {
#pragma GCC unroll 8
    for (int c = first; c <= last; ++c) v[c] = 0;
}

inline void MapCMYK(const CHalftone* h, const uint8_t* p, int32_t* v) {
    v[0] = In(h, kMapC, p[0]);
    v[1] = In(h, kMapM, p[1]);
    v[2] = In(h, kMapY, p[2]);
    v[3] = In(h, kMapK, p[3]);
}

// Cyan and magenta split into their dark and light shares.
inline void MapCMYKcm(const CHalftone* h, const uint8_t* p, int32_t* v) {
    v[0] = In(h, kMapDarkC, p[0]);
    v[4] = In(h, kMapLightC, p[0]);
    v[1] = In(h, kMapDarkM, p[1]);
    v[5] = In(h, kMapLightM, p[1]);
    v[2] = In(h, kMapY, p[2]);
    v[3] = In(h, kMapK, p[3]);
}

inline void Linearize(const CHalftone* h, int32_t* v, int first, int last) {
#pragma GCC unroll 8
    for (int c = first; c <= last; ++c) v[c] = h->Lin(c, v[c]);
}

// Colours (with the light shares) through their maps and the limiter; the
// extra channels stay out of the limit.
template <bool kLight>
inline void MapAndLimit(const CHalftone* h, const uint8_t* p, int32_t* v) {
    if (kLight) {
        MapCMYKcm(h, p, v);
        InkLimit_CMYKcm(v, h->m_iInkLimit);
    } else {
        MapCMYK(h, p, v);
        InkLimit_CMYK(v, h->m_iInkLimit);
    }
}

// Positions 0-3 (or 0-5) and the extra value through table 6, once into
// position 6 or into both 6 and 7.
template <bool kLight, bool kTwo>
inline void FinishWithExtra(const CHalftone* h, int32_t* v, int32_t extra) {
    Linearize(h, v, 0, kLight ? 5 : 3);
    v[6] = h->Lin(6, extra);
    if (kTwo) v[7] = v[6];
}

// An extra channel from input byte 4 through map 18 or from the flood level,
// in one position or two; limited without it.
template <bool kLight, bool kTwo, bool kFlood>
void ConvertWithExtra(CHalftone* h, const uint8_t* p, int32_t* v) {
    if (Empty5(p)) {
        Zero(v, 0, kLight ? 5 : 3);
        v[6] = 0;
        if (kTwo) v[7] = 0;
        return;
    }
    MapAndLimit<kLight>(h, p, v);
    FinishWithExtra<kLight, kTwo>(h, v, kFlood ? Flood(h) : In(h, kMapExtra, p[4]));
}

// The flood level prints on every pixel, the colours only where there is ink.
// The four-colour forms test four input bytes, the light-ink forms five.
template <bool kLight, bool kTwo>
void ConvertFullWhite(CHalftone* h, const uint8_t* p, int32_t* v) {
    if (kLight ? Empty5(p) : Empty4(p)) {
        Zero(v, 0, kLight ? 5 : 3);
        v[6] = h->Lin(6, Flood(h));
        if (kTwo) v[7] = v[6];
        return;
    }
    MapAndLimit<kLight>(h, p, v);
    FinishWithExtra<kLight, kTwo>(h, v, Flood(h));
}

// The four inks of a CMYK pixel: a blank pixel is tested as one word.
inline void ConvertCMYK(const CHalftone* h, const uint8_t* p, int32_t* v) {
    uint32_t inks;
    std::memcpy(&inks, p, sizeof inks);
    if (inks == 0) return Zero(v, 0, 3);
    MapCMYK(h, p, v);
    InkLimit_CMYK(v, h->m_iInkLimit);
    Linearize(h, v, 0, 3);
}

// ConvertCMYK through the line's tables: a pixel that the limit leaves
// alone (no limit, or a sum within it) takes its values from them.
inline void ConvertCMYK(const CHalftone* h, const CmykLineTables& t, const uint8_t* p, int32_t* v) {
    uint32_t inks;
    std::memcpy(&inks, p, sizeof inks);
    if (inks == 0) return Zero(v, 0, 3);
    const int32_t limit = h->m_iInkLimit;
    if (limit < kInkLimitNone) {
        MapCMYK(h, p, v);
        if (ink_limit::Excess(v[0] + v[1] + v[2] + v[3], limit) != 0) {
            InkLimit_CMYK(v, limit);
            return Linearize(h, v, 0, 3);
        }
    }
#pragma GCC unroll 4
    for (int c = 0; c < 4; ++c) v[c] = t.value[c][p[c]];
}

}  // namespace

void ConvertPixel_CMYK(CHalftone* h, const uint8_t* p, int32_t* v) { ConvertCMYK(h, p, v); }

void PrepareCmykLineTables(const CHalftone* h, CmykLineTables& tables) {
    for (int c = 0; c < 4; ++c) {
        for (int b = 0; b < 256; ++b) tables.value[c][b] = h->Lin(c, In(h, kMapC + c, uint8_t(b)));
    }
}

void ConvertPixel_CMYKPrepared(CHalftone* h, const uint8_t* p, int32_t* v) { ConvertCMYK(h, h->m_CmykLineTables, p, v); }

void ConvertPixel_CMYKcm(CHalftone* h, const uint8_t* p, int32_t* v) {
    if (Empty4(p)) return Zero(v, 0, 5);
    MapCMYKcm(h, p, v);
    InkLimit_CMYKcm(v, h->m_iInkLimit);
    Linearize(h, v, 0, 5);
}

void ConvertPixel_CMYKcmk(CHalftone* h, const uint8_t* p, int32_t* v) {
    if (Empty4(p)) return Zero(v, 0, 6);
    MapCMYKcm(h, p, v);
    v[3] = In(h, kMapDarkK, p[3]);
    v[6] = In(h, kMapLightK, p[3]);
    InkLimit_CMYKcmk(v, h->m_iInkLimit, p);
    Linearize(h, v, 0, 6);
}

void ConvertPixel_CMYKWW(CHalftone* h, const uint8_t* p, int32_t* v) {
    if (Empty6(p)) {
        Zero(v, 0, 3);
        Zero(v, 6, 7);
        return;
    }
    MapCMYK(h, p, v);
    v[6] = In(h, kMapExtra, p[4]);
    v[7] = In(h, kMapExtra, p[5]);
    InkLimit_CMYKWW(v, h->m_iInkLimit);
    Linearize(h, v, 0, 3);
    Linearize(h, v, 6, 7);
}

void ConvertPixel_CMYKcmWW(CHalftone* h, const uint8_t* p, int32_t* v) {
    if (Empty6(p)) return Zero(v, 0, 7);
    MapCMYKcm(h, p, v);
    v[6] = In(h, kMapExtra, p[4]);
    v[7] = In(h, kMapExtra, p[5]);
    InkLimit_CMYKcmWW(v, h->m_iInkLimit);
    Linearize(h, v, 0, 7);
}

void ConvertPixel_CMYKW(CHalftone* h, const uint8_t* p, int32_t* v) { ConvertWithExtra<false, false, false>(h, p, v); }
void ConvertPixel_CMYKcmW(CHalftone* h, const uint8_t* p, int32_t* v) { ConvertWithExtra<true, false, false>(h, p, v); }
void ConvertPixel_CMYKFloodW(CHalftone* h, const uint8_t* p, int32_t* v) { ConvertWithExtra<false, false, true>(h, p, v); }
void ConvertPixel_CMYKcmFloodW(CHalftone* h, const uint8_t* p, int32_t* v) { ConvertWithExtra<true, false, true>(h, p, v); }
void ConvertPixel_CMYKFullW(CHalftone* h, const uint8_t* p, int32_t* v) { ConvertFullWhite<false, false>(h, p, v); }
void ConvertPixel_CMYKcmFullW(CHalftone* h, const uint8_t* p, int32_t* v) { ConvertFullWhite<true, false>(h, p, v); }
void ConvertPixel_CMYKW2(CHalftone* h, const uint8_t* p, int32_t* v) { ConvertWithExtra<false, true, false>(h, p, v); }
void ConvertPixel_CMYKcmW2(CHalftone* h, const uint8_t* p, int32_t* v) { ConvertWithExtra<true, true, false>(h, p, v); }
void ConvertPixel_CMYKFloodW2(CHalftone* h, const uint8_t* p, int32_t* v) { ConvertWithExtra<false, true, true>(h, p, v); }
void ConvertPixel_CMYKcmFloodW2(CHalftone* h, const uint8_t* p, int32_t* v) { ConvertWithExtra<true, true, true>(h, p, v); }
void ConvertPixel_CMYKFullW2(CHalftone* h, const uint8_t* p, int32_t* v) { ConvertFullWhite<false, true>(h, p, v); }
void ConvertPixel_CMYKcmFullW2(CHalftone* h, const uint8_t* p, int32_t* v) { ConvertFullWhite<true, true>(h, p, v); }

void ConvertPixel_CMYKcm6(CHalftone* h, const uint8_t* p, int32_t* v) {
    if (Empty6(p)) return Zero(v, 0, 5);
    MapCMYK(h, p, v);
    v[4] = In(h, kMapLightC, p[4]);
    v[5] = In(h, kMapLightM, p[5]);
    const InkLimitConstants k{h->m_iLimitSumThreshold, h->m_iLimitDivisorNoBlack, h->m_iLimitDivisorBlack,
                              h->m_iLimitDivisorAll,   h->m_iLimitColorFactor,    h->m_iLimitBlackFactor};
    InkLimit_CMYKcm6(v, h->m_iInkLimit, k);
    Linearize(h, v, 0, 5);
}

void ConvertPixel_KToMY(CHalftone* h, const uint8_t* p, int32_t* v) {
    if (Empty4(p)) {
        v[1] = 0;
        v[2] = 0;
        return;
    }
    const int32_t k = 13 * p[3];
    v[1] = h->Lin(1, k / 2);
    v[2] = h->Lin(2, k);
}

void InkLimit_CMYKcmk(int32_t* v, int32_t limit, const uint8_t* pixel) {
    using namespace ink_limit;
    if (limit >= kInkLimitNone) return;
    const auto sum = [v] { return v[0] + v[1] + v[2] + v[3] + v[4] + v[5] + v[6]; };
    const int32_t s = sum();
    const int32_t e = s - limit;
    if (e <= 0 || s <= 0) return;
    const int32_t d = pixel[3] == 0 ? 4946 : (pixel[0] != 0 && pixel[1] != 0 && pixel[2] != 0 ? 4095 : 3480);
    const int32_t f = Share(e, 4946, s);
    if (f > 0) {
        ReduceColor(v[0], f, d);
        ReduceColor(v[1], f, d);
        ReduceColor(v[2], f, d);
        ReduceColor(v[4], f, d);
        ReduceColor(v[5], f, d);
    }
    if (pixel[3] != 0) {
        ReduceBlack(v[3], e, s, d, 1949);
        ReduceBlack(v[6], e, s, d, 1615);
    }
    const auto lose = [](int32_t& x, int32_t amount) { x = x > amount ? x - amount : 0; };
    int32_t t = sum() - limit;
    if (t > 5) {
        lose(v[4], t / 4);
        lose(v[5], t / 4);
        lose(v[6], t / 4);
        lose(v[2], t / 4);
    }
    t = sum() - limit;
    if (t > 5) lose(v[2], t);
    t = sum() - limit;
    if (t > 5) {
        lose(v[0], t / 3);
        lose(v[1], t / 3);
        lose(v[3], t / 3);
    }
}

PixelConverter PixelConverterForLayout(int32_t layout) {
    static constexpr PixelConverter kConverters[kChannelLayoutCount] = {
        ConvertPixel_KToMY,          ConvertPixel_CMYK,          ConvertPixel_CMYKcm,
        ConvertPixel_CMYKcmk,        ConvertPixel_CMYK,          ConvertPixel_CMYKWW,
        ConvertPixel_CMYKcmWW,       ConvertPixel_ScreenCMYKW,   ConvertPixel_CMYKW,
        ConvertPixel_CMYKcmW,        ConvertPixel_ScreenCMYKW_FullWhite, ConvertPixel_CMYKFloodW,
        ConvertPixel_CMYKcmFloodW,   ConvertPixel_ScreenCMYKW_FloodWhite, ConvertPixel_CMYKFullW,
        ConvertPixel_CMYKcmFullW,    ConvertPixel_CMYKW2,        ConvertPixel_CMYKcmW2,
        ConvertPixel_CMYKFloodW2,    ConvertPixel_CMYKcmFloodW2, ConvertPixel_CMYKFullW2,
        ConvertPixel_CMYKcmFullW2,   ConvertPixel_CMYKcm6,
    };
    return layout >= 0 && layout < kChannelLayoutCount ? kConverters[layout] : nullptr;
}

int32_t DiffusionInputColorMode(int32_t inkSetClass, int32_t outputColorMode) {
    return ChannelLayoutFor(inkSetClass, 0, outputColorMode, 0) == 22 ? 6 : 4;
}

int32_t ChannelLayoutFor(int32_t inkSetClass, int32_t code, int32_t mode, int32_t routine) {
    // By ink-set code 419 / 420 / 421, else the plain layouts.
    const auto byCode = [code, mode](int32_t w419, int32_t w420, int32_t w421, int32_t mode4, int32_t other) {
        switch (code) {
            case 419: return mode == 4 ? w419 : w419 + 1;
            case 420: return mode == 4 ? w420 : w420 + 1;
            case 421: return mode == 4 ? w421 : w421 + 1;
            default: return mode == 4 ? mode4 : other;
        }
    };
    switch (inkSetClass) {
        case 0:
            switch (mode) {
                case 4: return 1;
                case 7: return 3;
                case 8: return 22;
                default: return 2;
            }
        case 2: return mode == 4 ? 5 : 6;
        case 16:
            if (routine == HALF_ROUTINE_SCREENING) {
                switch (code) {
                    case 419: return 7;
                    case 420: return 10;
                    case 421: return 13;
                    default: return 1;
                }
            }
            return byCode(8, 11, 14, 1, 2);
        case 17:
            if (code == 419 || code == 420 || code == 421) return byCode(16, 18, 20, 1, 2);
            switch (mode) {
                case 4: return 1;
                case 6: return 2;
                case 7: return 3;
                default: return 0;
            }
        default: return 1;
    }
}

int32_t InputLayoutFor(int32_t inkSetClass, int32_t mode) {
    if (mode == 7 || mode == 8) return mode;
    switch (inkSetClass) {
        case 0: return mode;
        case 2: return 35;
        case 16: return 33;
        case 17: return 35;
        default: return 6;
    }
}

namespace {

// The converter a span runs: the task's, else the layout's, else CMYK.
PixelConverter SpanConverter(const ConversionTask& task) {
    const PixelConverter convert = task.convert ? task.convert : PixelConverterForLayout(task.layout);
    return convert ? convert : ConvertPixel_CMYK;
}

}  // namespace

int32_t ConvertPixelSpan(ConversionTask* task) {
    if (!task || !task->halftone || !task->input || !task->converted || task->scale < 1 || task->channels < 1 ||
        task->channels > 8 || task->start < 0 || task->start % task->scale != 0 || task->inputBytesPerPixel < 1)
        return -1;
    const PixelConverter convert = SpanConverter(*task);
    const uint8_t* in = task->input;
    int32_t* out = task->converted;
    const size_t valueBytes = sizeof(int32_t) * static_cast<size_t>(task->channels);
    // Converters may write all eight positions: convert into a full pixel
    // and keep the task's channels of it. A converter writes the same
    // positions for every pixel, so the ones it leaves alone stay as the
    // span's first pixel found them.
    if (convert == ConvertPixel_CMYK && task->scale == 1 && task->channels == 4) {
        // The common case through the span's own tables, without the call per pixel.
        CmykLineTables tables;
        PrepareCmykLineTables(task->halftone, tables);
        for (int32_t x = task->start; x < task->end; ++x, out += 4, in += task->inputBytesPerPixel)
            ConvertCMYK(task->halftone, tables, in, out);
        return 0;
    }
    int32_t values[8] = {};
    std::memcpy(values, out, valueBytes);
    for (int32_t x = task->start; x < task->end; ++x, out += task->channels) {
        if (task->scale != 1 && x % task->scale != 0) {
            std::memcpy(out, out - task->channels, valueBytes);
        } else {
            convert(task->halftone, in, values);
            std::memcpy(out, values, valueBytes);
            in += task->inputBytesPerPixel;
        }
    }
    return 0;
}

bool ConvertCmykSpanToLevels(const ConversionTask* task, uint16_t* levels, size_t levelStride) {
    if (!task || !task->halftone || !task->input || !levels || task->channels != 4 || task->scale != 1 ||
        task->start < 0 || task->end < task->start || task->inputBytesPerPixel < 4)
        return false;
    if (SpanConverter(*task) != ConvertPixel_CMYK) return false;
    const auto level = [](int32_t v) { return static_cast<uint16_t>(std::min(std::max(v, 0), kMaxLevel)); };
    CmykLineTables tables;
    PrepareCmykLineTables(task->halftone, tables);
    // Without a limit a pixel that has ink takes its levels from the tables.
    uint16_t tableLevels[4][256];
    for (int c = 0; c < 4; ++c)
        for (int b = 0; b < 256; ++b) tableLevels[c][b] = level(tables.value[c][b]);
    const bool limited = task->halftone->m_iInkLimit < kInkLimitNone;
    const uint8_t* in = task->input;
    uint16_t* row[4];
    for (int c = 0; c < 4; ++c) row[c] = levels + static_cast<size_t>(c) * levelStride + task->start;
    const int32_t count = task->end - task->start;
    for (int32_t i = 0; i < count; ++i, in += task->inputBytesPerPixel) {
        uint32_t inks;
        std::memcpy(&inks, in, sizeof inks);
        if (inks != 0 && !limited) {
#pragma GCC unroll 4
            for (int c = 0; c < 4; ++c) row[c][i] = tableLevels[c][in[c]];
        } else {
            int32_t v[4];
            ConvertCMYK(task->halftone, tables, in, v);
#pragma GCC unroll 4
            for (int c = 0; c < 4; ++c) row[c][i] = level(v[c]);
        }
    }
    return true;
}
