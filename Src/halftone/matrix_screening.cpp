// Routine 51: matrix screening from spot files, by phase. The routines share
// one frame: the ink values of a line are computed first (four, five or six
// per pixel, or one for a separation printed in black) into a row of dot
// codes per plane (dot film: into a row of values), then each plane walks its
// channel's matrix over its row.
#include "halftone/matrix_screening.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <exception>
#include <new>

#include "halftone/halftone.h"
#include "halftone/threshold_matrix.h"
#include "job/varn_prn.h"

#if defined(__SSE2__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 2)
#define KELMORA_SCREEN_SSE2 1
#include <emmintrin.h>
#else
#define KELMORA_SCREEN_SSE2 0
#endif

namespace {

constexpr int32_t kMaxInk = 4095;
constexpr int kMapBlack = 3;

// -------------------------------------------------------------------------
// Tables

// round(b x 4095 / 255): a byte level on the 12-bit scale of the threshold matrix.
const std::array<uint16_t, 256>& DotFilmLevels() {
    static const std::array<uint16_t, 256> table = [] {
        std::array<uint16_t, 256> t{};
        for (int b = 0; b < 256; ++b) t[size_t(b)] = uint16_t((b * 4095 * 2 + 255) / 510);
        return t;
    }();
    return table;
}

inline int32_t Clamp12(int32_t v) { return v < 0 ? 0 : (v > kMaxInk ? kMaxInk : v); }

// The dot code of an ink value: 0 for no ink, else its threshold level + 1,
// so that a pixel prints exactly where its code is above the matrix cell.
const std::array<uint16_t, 4096>& DotCodes() {
    static const std::array<uint16_t, 4096> table = [] {
        std::array<uint16_t, 4096> t{};
        const auto& levels = ScreeningLevels();
        for (size_t v = 1; v < t.size(); ++v) t[v] = uint16_t(levels[v] + 1);
        return t;
    }();
    return table;
}

// The rows of codes and cells run on to a multiple of kCodeBlock pixels; the
// cells have kCellSlack bytes more, for the block copies of short runs.
constexpr int32_t kCodeBlock = 16;
constexpr int32_t kCellSlack = 16;

// Planes, values and spot channels of the line.
struct LineShape {
    int planes = 4;           // planes screened
    int valuesPerPixel = 4;
    int spotChannel[7] = {0, 1, 2, 3, 0, 1, 3};  // spot channel of each plane
    int planeOf[6] = {0, 1, 2, 3, 4, 5};         // plane of each value
};

LineShape ShapeFor(const ScreeningState& st, const CVarnPrn& job, bool fiveChannels) {
    LineShape shape;
    if (fiveChannels) {
        shape.planes = shape.valuesPerPixel = 5;
        shape.spotChannel[4] = 4;  // white on the copy of the black matrix
        return shape;
    }
    if (st.channels >= 6) {
        shape.planes = shape.valuesPerPixel = 6;
    } else if (job.m_iOutputColorMode == 13) {
        // Black first: black, cyan, magenta, yellow.
        const int black[4] = {3, 0, 1, 2};
        const int planeOf[4] = {1, 2, 3, 0};
        std::copy(black, black + 4, shape.spotChannel);
        std::copy(planeOf, planeOf + 4, shape.planeOf);
    }
    return shape;
}

int32_t InputStride(const CVarnPrn& job) {
    const int32_t n = job.m_iComponents > 0 ? job.m_iComponents : job.m_iInputColorMode;
    return n > 0 ? n : 4;
}

// -------------------------------------------------------------------------
// Ink values

// The screening limiter cuts the values of a pixel whose ink sum S exceeds
// the limit and 4095 by its excess E: each colour x > 0 loses x F / D, black
// k > 0 loses k G / D, with F = colour factor x E / S, G = black factor x E / S
// and D the divisor of the pixel's inks (all of black, yellow, a cyan and a
// magenta; black; no black). F and G depend on S alone: a table by S, made
// once for the job's limit, holds them (0 where S is not cut, which leaves the
// values as they are). The division by D is a multiply by its reciprocal and a
// shift.
constexpr int kReciprocalShift = 37;
constexpr uint64_t Reciprocal(int32_t d) {
    return ((uint64_t(1) << kReciprocalShift) + uint64_t(d) - 1) / uint64_t(d);
}
// The largest product divided: a 12-bit value times F (G is smaller).
constexpr uint64_t kMaxReductionProduct = uint64_t(kMaxInk) * uint64_t(CHalftone::m_iLimitColorFactor);
// With r = ceil(2^k / d) and x = q d + rest: x r / 2^k = q + rest / d + x (r d - 2^k) / (d 2^k),
// and the last term stays below 1 / d while x (r d - 2^k) < 2^k, so the
// shifted product is q for every x up to the largest product.
constexpr bool ReciprocalIsExact(int32_t d) {
    const uint64_t r = Reciprocal(d);
    const uint64_t excess = r * uint64_t(d) - (uint64_t(1) << kReciprocalShift);
    return excess * kMaxReductionProduct < (uint64_t(1) << kReciprocalShift) && kMaxReductionProduct <= ~uint64_t(0) / r;
}
static_assert(ReciprocalIsExact(CHalftone::m_iLimitDivisorAll) && ReciprocalIsExact(CHalftone::m_iLimitDivisorBlack) &&
                  ReciprocalIsExact(CHalftone::m_iLimitDivisorNoBlack),
              "limiter reciprocals");
static_assert(CHalftone::m_iLimitBlackFactor <= CHalftone::m_iLimitColorFactor, "black share below the colour share");

// Reciprocals by divisor index: 0 all inks, 1 black, 2 no black.
constexpr uint64_t kDivisorReciprocal[3] = {Reciprocal(CHalftone::m_iLimitDivisorAll),
                                            Reciprocal(CHalftone::m_iLimitDivisorBlack),
                                            Reciprocal(CHalftone::m_iLimitDivisorNoBlack)};

// x - x share / D, where shareR is share x the reciprocal of D; a value the
// cut would take below 0 (a limit under 100 %) has no ink left.
inline int32_t Reduce(int32_t x, uint64_t shareR) {
    const int32_t r = x - int32_t((uint64_t(x) * shareR) >> kReciprocalShift);
    return r < 0 ? 0 : r;
}

// The colour and black shares by ink sum for the limit, made when the limit
// differs from the one the table holds (the table is allocated at job start).
void PrepareLimitShares(ScreeningState& st, int32_t limit) {
    if (st.sharesLimit == limit) return;
    for (size_t s = 0; s < st.limitShares.size(); ++s) {
        const int32_t sum = int32_t(s);
        const int32_t e = sum - limit;
        uint32_t shares = 0;
        if (sum > limit && sum > CHalftone::m_iLimitSumThreshold && e >= 1) {
            shares = uint32_t(int64_t(CHalftone::m_iLimitColorFactor) * e / sum) |
                     uint32_t(int64_t(CHalftone::m_iLimitBlackFactor) * e / sum) << 16;
        }
        st.limitShares[s] = shares;
    }
    st.sharesLimit = limit;
}

// What a line's pixels are converted with: the input maps of its values
// (within 12 bits) and the limiter's shares (nullptr: no limit).
struct InkTables {
    const InkMaps& map;
    const uint32_t* shares;
    int32_t uncut;  // the largest sum the limiter leaves as it is
};

// The input maps of the values: cyan, magenta, yellow, black; with six
// values the dark shares of cyan and magenta, yellow, black and the light
// shares of cyan and magenta.
constexpr int kMapsOf4[4] = {0, 1, 2, 3};
constexpr int kMapsOf6[6] = {22, 23, 2, 3, 14, 15};

template <int kN>
InkTables PrepareInkTables(const CHalftone& h, ScreeningState& st) {
    for (int c = 0; c < kN; ++c) {
        const uint16_t* map = h.m_aInputMap[kN == 6 ? kMapsOf6[c] : kMapsOf4[c]];
        for (int b = 0; b < kInputMapSize; ++b) st.inkMaps[size_t(c)][size_t(b)] = std::min<uint16_t>(map[b], kMaxInk);
    }
    if (h.m_iInkLimit >= kInkLimitNone) return {st.inkMaps, nullptr, 0};
    PrepareLimitShares(st, h.m_iInkLimit);
    return {st.inkMaps, st.limitShares.data(), std::max(h.m_iInkLimit, CHalftone::m_iLimitSumThreshold)};
}

// The kN ink values of a pixel (cyan, magenta, yellow, black and, for six,
// light cyan and light magenta); a pixel whose four bytes are 0 has none.
template <int kN, bool kLimit>
inline void InkOf(const InkTables& t, const uint8_t* p, int32_t* v) {
    if ((p[0] | p[1] | p[2] | p[3]) == 0) {
#pragma GCC unroll 6
        for (int c = 0; c < kN; ++c) v[c] = 0;
        return;
    }
    constexpr int kSource[6] = {0, 1, 2, 3, 0, 1};  // the byte each value comes from
    int32_t s = 0;
#pragma GCC unroll 6
    for (int c = 0; c < kN; ++c) {
        v[c] = t.map[size_t(c)][p[kSource[c]]];
        s += v[c];
    }
    if (!kLimit || s <= t.uncut) return;
    const uint32_t shares = t.shares[s];
    const bool cyan = kN == 6 ? (v[0] | v[4]) != 0 : v[0] != 0;
    const bool magenta = kN == 6 ? (v[1] | v[5]) != 0 : v[1] != 0;
    const int divisor = v[3] == 0 ? 2 : int(!(cyan && magenta && v[2] != 0));
    const uint64_t r = kDivisorReciprocal[divisor];
    const uint64_t colour = uint64_t(shares & 0xFFFF) * r;
    const uint64_t black = uint64_t(shares >> 16) * r;
#pragma GCC unroll 6
    for (int c = 0; c < kN; ++c) v[c] = Reduce(v[c], c == 3 ? black : colour);
}

// Every pixel's values of the line, each handed to store(x, values); with a
// horizontal scale factor a pixel is read at every scale-th position and its
// values repeated in between.
template <int kN, bool kLimit, class Store>
inline void ForEachPixel(const InkTables& t, const uint8_t* in, int32_t stride, int32_t width, int32_t scale,
                         Store store) {
    int32_t v[kN];
    if (scale <= 1) {
        for (int32_t x = 0; x < width; ++x, in += stride) {
            InkOf<kN, kLimit>(t, in, v);
            store(x, v);
        }
        return;
    }
    for (int32_t x = 0; x < width; in += stride) {
        InkOf<kN, kLimit>(t, in, v);
        for (const int32_t end = std::min(x + scale, width); x < end; ++x) store(x, v);
    }
}

template <int kN, class Store>
void ForEachPixel(const CHalftone& h, const CVarnPrn& job, ScreeningState& st, const uint8_t* in, Store store) {
    const InkTables t = PrepareInkTables<kN>(h, st);
    const int32_t stride = InputStride(job);
    const int32_t scale = job.m_iScaleX > 0 ? job.m_iScaleX : 1;
    if (t.shares) {
        ForEachPixel<kN, true>(t, in, stride, st.width, scale, store);
    } else {
        ForEachPixel<kN, false>(t, in, stride, st.width, scale, store);
    }
}

// The dot codes of the line, plane after plane (of the plane's row length).
template <int kN>
void FillInkCodes(const CHalftone& h, const CVarnPrn& job, ScreeningState& st, const uint8_t* in,
                  const LineShape& shape) {
    const uint16_t* code = DotCodes().data();
    uint16_t* planes[kN];
    for (int c = 0; c < kN; ++c) planes[c] = st.codes.data() + size_t(shape.planeOf[c]) * st.codeRow;
    ForEachPixel<kN>(h, job, st, in, [&](int32_t x, const int32_t* v) {
#pragma GCC unroll 6
        for (int c = 0; c < kN; ++c) planes[c][x] = code[v[c]];
    });
}

// The ink values of the line for dot film, kN per pixel in plane order.
template <int kN>
void FillInkValues(const CHalftone& h, const CVarnPrn& job, ScreeningState& st, const uint8_t* in,
                   const LineShape& shape) {
    int32_t* values = st.values.data();
    ForEachPixel<kN>(h, job, st, in, [&](int32_t x, const int32_t* v) {
        int32_t* out = values + size_t(x) * kN;
#pragma GCC unroll 6
        for (int c = 0; c < kN; ++c) out[shape.planeOf[c]] = v[c];
    });
}

// One value per pixel: the black byte through input map 3 (0 for a pixel
// whose four bytes are 0), handed to store(x, value).
template <class Store>
void ForEachGrayValue(const CHalftone& h, const CVarnPrn& job, const ScreeningState& st, const uint8_t* in,
                      Store store) {
    const int32_t stride = InputStride(job);
    const int32_t scale = job.m_iScaleX > 0 ? job.m_iScaleX : 1;
    int32_t value = 0;
    for (int32_t x = 0, k = 0; x < st.width; ++x) {
        if (k == 0) {
            value = (in[0] | in[1] | in[2] | in[3]) == 0 ? 0 : Clamp12(h.m_aInputMap[kMapBlack][in[3]]);
            in += stride;
        }
        store(x, value);
        if (++k == scale) k = 0;
    }
}

// Five values per pixel through the installed converter, as dot codes of
// planes 0 to 4.
void FillFiveCodes(CHalftone& h, const CVarnPrn& job, ScreeningState& st, const uint8_t* in) {
    const int32_t stride = InputStride(job);
    const int32_t scale = job.m_iScaleX > 0 ? job.m_iScaleX : 1;
    const uint16_t* code = DotCodes().data();
    uint16_t codes[5] = {};
    for (int32_t x = 0, k = 0; x < st.width; ++x) {
        if (k == 0) {
            int32_t v[8] = {};
            h.m_pfnPixelConverter(&h, in, v);
            for (int c = 0; c < 5; ++c) codes[c] = code[Clamp12(v[c])];
            in += stride;
        }
        for (int c = 0; c < 5; ++c) st.codes[size_t(c) * st.codeRow + size_t(x)] = codes[c];
        if (++k == scale) k = 0;
    }
}

// -------------------------------------------------------------------------
// Walking the matrices

inline void SetBit(uint8_t* plane, int32_t x) { plane[x >> 3] |= uint8_t(0x80u >> (x & 7)); }

// Copies n cells of a matrix row to the line's cells; a short run is moved
// as one block of kCellSlack where the matrix holds that many bytes from
// src on (the cells of the line have that slack behind them).
inline void CopyCells(uint8_t* dst, const uint8_t* src, int32_t n, const uint8_t* srcEnd) {
    if (n <= kCellSlack && srcEnd - src >= kCellSlack) {
        std::memcpy(dst, src, kCellSlack);
    } else {
        std::memcpy(dst, src, size_t(n));
    }
}

// The cells of a type-2 matrix under one line: its row, repeated across.
void CellRowType2(const SpotChannel& ch, int32_t line, int32_t width, uint8_t* cells) {
    const int32_t n = std::min(ch.size1, width);
    std::memcpy(cells, ch.matrix.data() + size_t(line % ch.size2) * size_t(ch.size1), size_t(n));
    // Doubling what is there: the row repeats every size1 cells.
    for (int32_t done = n; done < width;) {
        const int32_t more = std::min(done / ch.size1 * ch.size1, width - done);
        std::memcpy(cells + done, cells, size_t(more));
        done += more;
    }
}

// Where a line starts in the Pythagorean tiling of A tiles (t1 x t1, matrix
// A) and B tiles (t2 x t2, matrix B): the channel's stored state moves on to
// the tile the line starts in.
void StartTileLine(SpotChannel& ch, int32_t line) {
    bool reenter = false;
    if (ch.kind == SPOT_TILE_A) {
        if (ch.rows >= ch.t1) {
            if (ch.phase >= ch.size2) {
                ch.originX += ch.size2;
                ch.originY += ch.t1;
            }
            reenter = true;
        }
    } else if (ch.rows >= ch.t2) {
        const int32_t x = ch.originX - ch.size1;
        if (ch.size2 + x < 1) {
            ch.originX = ch.size2 + x;
            ch.originY += ch.t2 + ch.t1;
        } else {
            ch.originX = x;
            ch.originY += ch.t2;
        }
        reenter = true;
    }
    if (reenter) {
        ch.kind = line - ch.originY < ch.t1 ? SPOT_TILE_A : SPOT_TILE_B;
        ch.rows = ch.kind == SPOT_TILE_A ? line - ch.originY : line - ch.originY - ch.t1;
        ch.phase = -ch.originX;
    }
}

// v within 0 to n - 1. A tiling of square tiles always lies there; a
// library's tile sizes smaller than its matrices need not, and then the
// screen repeats rather than leave its matrix.
inline int32_t Wrap(int32_t v, int32_t n) {
    if (v >= 0 && v < n) return v;
    const int32_t m = v % n;
    return m < 0 ? m + n : m;
}

// The cells of a channel's type-10 matrices under one line, copied tile row
// by tile row. The tile changes along the line work on copies; only the line
// start moves the stored state.
void CellRowType10(SpotChannel& ch, int32_t line, int32_t width, uint8_t* cells) {
    StartTileLine(ch, line);
    uint8_t kind = ch.kind;
    int32_t originY = ch.originY;
    const uint8_t* endA = ch.matrixA.data() + ch.matrixA.size();
    const uint8_t* endB = ch.matrixB.data() + ch.matrixB.size();
    const auto rowOf = [&ch](uint8_t k, int32_t r) {
        return k == SPOT_TILE_A ? ch.matrixA.data() + size_t(Wrap(r, ch.t1)) * size_t(ch.size1)
                                : ch.matrixB.data() + size_t(Wrap(r, ch.t2)) * size_t(ch.size2);
    };
    const uint8_t* row = rowOf(kind, ch.rows);
    int32_t q = Wrap(ch.phase, kind == SPOT_TILE_A ? ch.size1 : ch.size2);
    ++ch.rows;
    for (int32_t x = 0; x < width;) {
        const int32_t rowLength = kind == SPOT_TILE_A ? ch.size1 : ch.size2;
        if (q >= rowLength) {  // the next tile starts at this pixel
            originY += kind == SPOT_TILE_A ? -ch.t2 : ch.t1;
            kind = line - originY < ch.t1 ? SPOT_TILE_A : SPOT_TILE_B;
            row = rowOf(kind, kind == SPOT_TILE_A ? line - originY : line - originY - ch.t1);
            q = 0;
            continue;
        }
        const int32_t n = std::min(rowLength - q, width - x);
        CopyCells(cells + x, row + q, n, kind == SPOT_TILE_A ? endA : endB);
        x += n;
        q += n;
    }
}

// The cells under one line of spot channel sc (type 2: of the halftoner's
// line counter; type 10: of the spot record's).
void CellRow(SpotData& spot, int sc, int32_t line, int32_t width, uint8_t* cells) {
    if (spot.type == SPOT_TYPE_PYTHAGOREAN) {
        CellRowType10(spot.channel[sc], spot.lineCounter, width, cells);
    } else {
        CellRowType2(spot.channel[sc], line, width, cells);
    }
}

// Byte b with its bits in reverse order: the first pixel of eight is the top bit.
constexpr std::array<uint8_t, 256> kBitReversed = [] {
    std::array<uint8_t, 256> t{};
    for (int b = 0; b < 256; ++b) {
        int r = 0;
        for (int i = 0; i < 8; ++i) r |= ((b >> i) & 1) << (7 - i);
        t[size_t(b)] = uint8_t(r);
    }
    return t;
}();

// The dots of one plane: pixel x where its dot code is above its cell. The
// codes and cells run on to a multiple of kCodeBlock pixels (codes of 0
// there), which the plane's bytes hold.
void ThresholdCodes(const uint16_t* codes, const uint8_t* cells, int32_t width, uint8_t* plane) {
#if KELMORA_SCREEN_SSE2
    const __m128i zero = _mm_setzero_si128();
    for (int32_t x = 0; x < width; x += kCodeBlock) {
        const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(cells + x));
        const __m128i lo = _mm_cmpgt_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(codes + x)),
                                           _mm_unpacklo_epi8(c, zero));
        const __m128i hi = _mm_cmpgt_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(codes + x + 8)),
                                           _mm_unpackhi_epi8(c, zero));
        const uint32_t bits = uint32_t(_mm_movemask_epi8(_mm_packs_epi16(lo, hi)));
        plane[x >> 3] = kBitReversed[bits & 0xFF];
        plane[(x >> 3) + 1] = kBitReversed[bits >> 8];
    }
#else
    for (int32_t x = 0; x < width; x += 8) {
        uint32_t byte = 0;
        for (int k = 0; k < 8; ++k) byte |= uint32_t(codes[x + k] > cells[x + k]) << (7 - k);
        plane[x >> 3] = uint8_t(byte);
    }
#endif
}

// -------------------------------------------------------------------------
// The routines' frame

enum class Form { Colour, Gray, DotFilm, GrayDotFilm, Five };

struct RoutineInfo {
    const char* name;
    Form form;
};

ScreeningState* State(CHalftone* h) { return h->m_pScreening.get(); }

int BlackPlane(const ScreeningState& st, const CVarnPrn& job) {
    return job.m_iOutputColorMode == 13 || st.singleChannel ? 0 : 3;
}

// The spot channel of the page's separation.
int SeparationChannel(const CVarnPrn& job) {
    const size_t page = job.m_iPageCount > 0 ? size_t(job.m_iPageCount - 1) : 0;
    if (page < job.m_vSeparationIndex.size()) {
        const int index = job.m_vSeparationIndex[page];
        if (index >= 0 && index < 4) return index;
    }
    return 3;
}

// The line's rows: dot codes of every plane screened (dot film: ink values,
// valuesPerPixel per pixel), the cells and the limiter's shares.
bool AllocateRows(ScreeningState& st, int valuesPerPixel, bool dotFilm) {
    try {
        const size_t padded = (size_t(std::max(st.width, 0)) + kCodeBlock - 1) / kCodeBlock * kCodeBlock;
        st.codeRow = padded;
        if (dotFilm) {
            st.values.assign(padded * size_t(valuesPerPixel), 0);
        } else {
            st.codes.assign(padded * size_t(valuesPerPixel), 0);
        }
        st.cells.assign(padded + kCellSlack, 0);
        st.limitShares.assign(size_t(6 * kMaxInk + 1), 0);
        st.sharesLimit = -1;
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

// Dot film's job start: the threshold matrix, the input maps scaled to the
// channels' ink limits and the descending curve.
int32_t DotFilmInitJob(CHalftone* h, CVarnPrn* job, ScreeningState& st) {
    if (h->LoadThresholdMatrix(job) != 0) return -1;
    const auto limit = [job](int c) {
        const int32_t l = job->m_aiInkLimitPerChannel[size_t(c)];
        return l > 0 ? l : 10000;  // no limit rather than a division by zero
    };
    for (int c = 0; c < 4; ++c) {
        for (int i = 1; i < kInputMapSize; ++i) {
            const int64_t scaled = int64_t(h->m_aInputMap[c][i]) * 10000 / limit(c);
            h->m_aInputMap[c][i] = uint16_t(std::min<int64_t>(scaled, kMaxInk));
        }
    }
    const double b = limit(3) / 100.0 * 40.95;
    try {
        st.curve.assign(4096, 0);
        for (int k = 1; k < 4096; ++k) st.curve[size_t(k)] = uint16_t(std::lround(4095.0 - (k - 1) * (4095.0 - b) / 4095.0));
        st.byteRow.assign((size_t(std::max(st.width, 0)) + 7) / 8 * 8 + 2, 0);
    } catch (const std::bad_alloc&) {
        return -1;
    }
    return 0;
}

// The dot-film line step: the byte row of channel c into dots of the plane.
void DotFilmStep(const CHalftone& h, const ScreeningState& st, int c, uint8_t* plane) {
    const int32_t w = h.m_iMatrixWidth;
    const int32_t hgt = h.m_iMatrixHeight;
    const int32_t offset = (c == 0 || c == 2 || c == 5) ? (w == 257 ? 128 : 59) : 0;
    const uint16_t* row = h.m_pThresholdMatrix.data() + size_t((offset + st.lineCounter) % hgt) * size_t(w);
    const uint8_t* b = st.byteRow.data() + 1;  // b[-1] and b[width] are the zero margins
    const auto& level = DotFilmLevels();
    for (int32_t x = 0, col = 0; x < st.width; ++x) {
        const int v = b[x];
        if (v != 0 && (level[size_t(v)] >= row[col] || v - b[x - 1] > 1 || v - b[x + 1] > 1)) SetBit(plane, x);
        if (++col == w) col = 0;
    }
}

// One channel of dot film: its screen into the byte row (each dot the level
// of the descending curve; with grey as one bit every inked pixel its own
// level), then the byte row into dots of the plane through the threshold
// matrix's row of channel c.
void DotFilmChannel(const CHalftone& h, ScreeningState& st, SpotData& spot, int sc, const int32_t* values, int step,
                    int c, uint8_t* plane) {
    std::fill(st.byteRow.begin(), st.byteRow.end(), 0);
    uint8_t* b = st.byteRow.data() + 1;
    const auto& levels = ScreeningLevels();
    const uint16_t* curve = st.curve.data();
    const uint8_t* cells = st.cells.data();
    CellRow(spot, sc, st.lineCounter, st.width, st.cells.data());
    for (int32_t x = 0; x < st.width; ++x, values += step) {
        const int32_t v = *values;
        if (v == 0) continue;
        if (h.m_bGrayAsOneBit) {
            b[x] = levels[size_t(v)];
        } else if (levels[size_t(v)] >= cells[x]) {
            b[x] = levels[curve[v]];
        }
    }
    DotFilmStep(h, st, c, plane);
}

int32_t InitJob(CHalftone* h, CVarnPrn* job, const RoutineInfo& r) {
    job->Log(LOG_DETAIL, "%s: init job", r.name);
    h->m_iBitsPerPixel = 1;
    ScreeningState* st = State(h);
    if (!st) return -1;
    if (r.form == Form::Five) {
        h->m_iInkLimit = int32_t(std::clamp(job->m_iTotalInkLimit, 0, 400) * 40.95);
        if (!st->spot) {
            job->Log(LOG_ERROR, "%s: init job !m_pSpotDataEx", r.name);
            return -1;
        }
        st->spotEx = CopySpotDataEx(*st->spot);
        h->SelectLinCurve(job, HALF_ROUTINE_SCREENING);
        return AllocateRows(*st, 5, false) ? 0 : -1;
    }
    const int perPixel = (r.form == Form::Gray || r.form == Form::GrayDotFilm) ? 1 : (st->channels >= 6 ? 6 : 4);
    const bool dotFilm = r.form == Form::DotFilm || r.form == Form::GrayDotFilm;
    if (!AllocateRows(*st, perPixel, dotFilm)) return -1;
    return dotFilm ? DotFilmInitJob(h, job, *st) : 0;
}

int32_t Line(CHalftone* h, CVarnPrn* job, const RoutineInfo& r) {
    ScreeningState* st = State(h);
    uint8_t* out = job->m_pOutLine;
    const uint8_t* in = h->InputLine();
    if (!st || !st->spot || !out || !in || (st->values.empty() && st->codes.empty())) {
        job->Log(LOG_ERROR, "%s: line without a successful job start", r.name);
        return -1;
    }
    if (st->width <= 0) return 0;
    SpotData& spot = r.form == Form::Five ? *st->spotEx : *st->spot;
    if (r.form == Form::Five && !h->m_pfnPixelConverter) {
        job->Log(LOG_ERROR, "%s: line without a pixel converter", r.name);
        return -1;
    }
    h->StartLine(4 * uint64_t(st->width));
    std::memset(out, 0, size_t(std::max(st->channels, 4)) * st->bytesPerPlane);
    const int32_t line = st->lineCounter;
    const auto planeAt = [&](int p) { return out + size_t(p) * st->bytesPerPlane; };
    uint8_t* cells = st->cells.data();

    if (r.form == Form::Gray || r.form == Form::GrayDotFilm) {
        const int sc = SeparationChannel(*job);
        uint8_t* plane = planeAt(BlackPlane(*st, *job));
        if (r.form == Form::Gray) {
            const uint16_t* code = DotCodes().data();
            uint16_t* codes = st->codes.data();
            ForEachGrayValue(*h, *job, *st, in, [&](int32_t x, int32_t v) { codes[x] = code[v]; });
            CellRow(spot, sc, line, st->width, cells);
            ThresholdCodes(codes, cells, st->width, plane);
        } else {
            int32_t* values = st->values.data();
            ForEachGrayValue(*h, *job, *st, in, [&](int32_t x, int32_t v) { values[x] = v; });
            DotFilmChannel(*h, *st, spot, sc, values, 1, sc, plane);
        }
    } else if (r.form == Form::DotFilm) {
        const LineShape shape = ShapeFor(*st, *job, false);
        const int n = shape.valuesPerPixel;
        if (n == 6) {
            FillInkValues<6>(*h, *job, *st, in, shape);
        } else {
            FillInkValues<4>(*h, *job, *st, in, shape);
        }
        for (int p = 0; p < shape.planes; ++p) {
            DotFilmChannel(*h, *st, spot, shape.spotChannel[p], st->values.data() + p, n, p,
                           planeAt(BlackPlane(*st, *job)));
        }
    } else {
        const LineShape shape = ShapeFor(*st, *job, r.form == Form::Five);
        if (r.form == Form::Five) {
            FillFiveCodes(*h, *job, *st, in);
        } else if (shape.valuesPerPixel == 6) {
            FillInkCodes<6>(*h, *job, *st, in, shape);
        } else {
            FillInkCodes<4>(*h, *job, *st, in, shape);
        }
        for (int p = 0; p < shape.planes; ++p) {
            CellRow(spot, shape.spotChannel[p], line, st->width, cells);
            ThresholdCodes(st->codes.data() + size_t(p) * st->codeRow, cells, st->width, planeAt(p));
        }
    }
    ++spot.lineCounter;
    ++st->lineCounter;
    h->EndLine(job);
    return 0;
}

int32_t Run(CHalftone* h, CVarnPrn* job, int32_t phase, const RoutineInfo& r) {
    if (!h || !job) return -1;
    switch (phase) {
        case HALF_OPENJOB: return InitJob(h, job, r);
        case HALF_OPENPAGE:
            job->Log(LOG_DETAIL, "%s: init page", r.name);
            if (r.form == Form::Five) h->SelectPixelConverter(job);
            if ((r.form == Form::DotFilm || r.form == Form::GrayDotFilm) && State(h) && State(h)->spot) {
                SpotData& spot = *State(h)->spot;
                spot.lineCounter = 0;
                for (int c = 0; c < kSpotChannels; ++c) spot.channel[c].RestartTiling();
            }
            return 0;
        case HALF_CLOSEJOB:
            job->Log(LOG_DETAIL, "%s: exit job", r.name);
            h->ExitHalfScreen(job);
            return 0;
        case HALF_CLOSEPAGE:
            job->Log(LOG_DETAIL, "%s: exit page", r.name);
            return 0;
        default: break;
    }
    try {
        return Line(h, job, r);
    } catch (const std::exception&) {
    }
    const ScreeningState* st = State(h);
    job->Log(LOG_ERROR, "Exception line %d", st && st->spot ? st->spot->lineCounter : 0);
    return HALF_ERR_EXCEPTION;
}

bool SeparationsInBlack(const CVarnPrn& job) { return job.m_bPrintSeparations && job.m_bSeparationsBlack; }

int32_t SpotType(CHalftone* h) { return State(h) && State(h)->spot ? State(h)->spot->type : SPOT_TYPE_NONE; }

// Five-channel converters' shared part: the colours through maps 0-3, the
// limiter and tables 0-3, white through table 4.
void ScreenCMYKW(CHalftone* h, const uint8_t* p, int32_t* v, int32_t white) {
    for (int c = 0; c < 4; ++c) v[c] = h->m_aInputMap[c][p[c]];
    InkLimit_CMYK(v, h->m_iInkLimit);
    for (int c = 0; c < 4; ++c) v[c] = h->Lin(c, v[c]);
    v[4] = h->Lin(4, white);
}

}  // namespace

const std::array<uint8_t, 4096>& ScreeningLevels() {
    static const std::array<uint8_t, 4096> table = [] {
        std::array<uint8_t, 4096> t{};
        for (int v = 0; v < 4096; ++v) t[size_t(v)] = v >= 4080 ? 255 : uint8_t((v * 255 * 2 + 4095) / 8190);
        return t;
    }();
    return table;
}

bool IsDotFilmMedia(int32_t id) { return id == 999 || id == 4099 || id == 4104; }

const char* ScreeningLayoutName(int32_t param) {
    switch (param) {
        case 0: return "Chunky (Epson)";
        case 1: return "Planar (Hp)";
        case 2: return "Byte planar (Oki)";
        default: return "Illegal value!!!";
    }
}

int32_t Type2_CMYK(CHalftone* h, CVarnPrn* job, int32_t phase) {
    if (job && SeparationsInBlack(*job)) return Type2_CMYK_Gray(h, job, phase);
    return Run(h, job, phase, {"Type2_CMYK", Form::Colour});
}

int32_t Type10_CMYK(CHalftone* h, CVarnPrn* job, int32_t phase) {
    if (SpotType(h) == SPOT_TYPE_RECTANGULAR) return Type2_CMYK(h, job, phase);
    if (job && SeparationsInBlack(*job)) {
        return IsDotFilmMedia(job->m_iMediaTypeID) ? Type10_CMYK_Gray_DotFilm(h, job, phase)
                                                   : Type10_CMYK_Gray(h, job, phase);
    }
    if (job && IsDotFilmMedia(job->m_iMediaTypeID)) return Type10_CMYK_DotFilm(h, job, phase);
    return Run(h, job, phase, {"Type10_CMYK", Form::Colour});
}

int32_t Type10_CMYK_DotFilm(CHalftone* h, CVarnPrn* job, int32_t phase) {
    return Run(h, job, phase, {"Type10_CMYK_DotFilm", Form::DotFilm});
}
int32_t Type10_CMYK_Gray(CHalftone* h, CVarnPrn* job, int32_t phase) {
    return Run(h, job, phase, {"Type10_CMYK_Gray", Form::Gray});
}
int32_t Type10_CMYK_Gray_DotFilm(CHalftone* h, CVarnPrn* job, int32_t phase) {
    return Run(h, job, phase, {"Type10_CMYK_Gray_DotFilm", Form::GrayDotFilm});
}
int32_t Type2_CMYK_Gray(CHalftone* h, CVarnPrn* job, int32_t phase) {
    return Run(h, job, phase, {"Type2_CMYK_Gray", Form::Gray});
}
int32_t Type10_CMYKW(CHalftone* h, CVarnPrn* job, int32_t phase) {
    return Run(h, job, phase, {"Type10_CMYKW", Form::Five});
}
int32_t Type2_CMYKW(CHalftone* h, CVarnPrn* job, int32_t phase) {
    return Run(h, job, phase, {"Type2_CMYKW", Form::Five});
}

void ConvertPixel_ScreenCMYKW(CHalftone* h, const uint8_t* p, int32_t* v) {
    if ((p[0] | p[1] | p[2] | p[3] | p[4]) == 0) {
        std::fill(v, v + 5, 0);
        return;
    }
    ScreenCMYKW(h, p, v, h->m_aInputMap[kMapBlack][p[4]]);
}

void ConvertPixel_ScreenCMYKW_FullWhite(CHalftone* h, const uint8_t* p, int32_t* v) {
    if ((p[0] | p[1] | p[2] | p[3] | p[4]) == 0) {
        std::fill(v, v + 5, 0);
        return;
    }
    ScreenCMYKW(h, p, v, h->m_aInputMap[kMapBlack][255]);
}

void ConvertPixel_ScreenCMYKW_FloodWhite(CHalftone* h, const uint8_t* p, int32_t* v) {
    if ((p[0] | p[1] | p[2] | p[3]) == 0) {
        std::fill(v, v + 4, 0);
        v[4] = h->Lin(4, h->m_aInputMap[kMapBlack][255]);
        return;
    }
    ScreenCMYKW(h, p, v, h->m_aInputMap[kMapBlack][255]);
}

int32_t ScreeningLayoutForInkSetCode(int32_t code) {
    switch (code) {
        case 419: return 7;
        case 420: return 10;
        case 421: return 13;
        default: return 1;
    }
}

// ---------------------------------------------------------------------------
// The halftoner's side

int32_t CHalftone::LoadThresholdMatrix(CVarnPrn* job) {
    try {
        ThresholdMatrix matrix = ::LoadThresholdMatrix(job->m_iResolutionX, job->m_iResolutionY);
        m_pThresholdMatrix = std::move(matrix.values);
        m_iMatrixWidth = matrix.width;
        m_iMatrixHeight = matrix.height;
        return 0;
    } catch (const std::exception& e) {
        job->Log(LOG_ERROR, "CHalftone::LoadThresholdMatrix: %s", e.what());
        return -1;
    }
}

int32_t CHalftone::ScreeningInitJob(CVarnPrn* job) {
    m_iInkLimit = int32_t(std::clamp(job->m_iTotalInkLimit, 0, 400) * 40.95);
    ScreeningState& st = *m_pScreening;
    st.singleChannel = job->m_iOutChannels == 1;
    st.channels = std::max(job->m_iOutChannels, 4);
    st.width = std::max(job->m_iImageWidth, 0);
    st.bytesPerPlane = (size_t(st.width) + 31) / 32 * 4 * size_t(std::max(m_iBitsPerPixel, 1));
    st.lineCounter = 0;
    st.values.clear();
    if (!AllocateOutLine(job, size_t(st.channels) * st.bytesPerPlane)) return -1;
    job->m_iBytesPerChannel = int32_t(st.bytesPerPlane);
    job->m_iOutChannels = st.channels;
    // The widest pixel read is five bytes; the line holds every input pixel.
    const int32_t scale = job->m_iScaleX > 0 ? job->m_iScaleX : 1;
    const size_t pixels = (size_t(st.width) + size_t(scale) - 1) / size_t(scale);
    ReserveInputLineBytes(pixels * size_t(InputStride(*job)) + 5);
    return 0;
}

void CHalftone::ExitHalfScreen(CVarnPrn* job) {
    try {
        m_pScreening.reset();
        m_pThresholdMatrix = {};
        m_iSpotType = SPOT_TYPE_NONE;
    } catch (...) {
        if (job) job->Log(LOG_WARNING, "CHalftone::ExitHalfScreen: exception");
    }
}

int32_t CHalftone::Screening(CVarnPrn* job, int32_t phase) {
    if (!job) return HALF_ERR_NO_JOB;
    if (phase == HALF_OPENJOB) {
        job->Log(LOG_DETAIL, "Screening: init job");
        m_pScreening.reset(new (std::nothrow) ScreeningState());
        if (!m_pScreening) return -1;
        std::string fault;
        const int32_t type = ReadSpots(this, job, m_pScreening->spot, &fault);
        if (type < 0) {
            job->Log(LOG_ERROR, "Screening: Can't open SPT file, ReadSpots returns %d on file \"%s\"", type,
                     job->m_strScreeningFile.c_str());
            if (!fault.empty()) job->SetErrorMessage("Reredir.uze: Screening file " + fault);
            m_pScreening.reset();
            return -1;
        }
        m_iSpotType = type;
        job->Log(LOG_DETAIL, "Screening: %s", ScreeningLayoutName(m_iScreeningParam));
        if (ScreeningInitJob(job) != 0) return -1;
        job->Log(LOG_DETAIL, "Screening: Type %d, bpp=%d, file=%s", type, m_iBitsPerPixel,
                 job->m_strScreeningFile.c_str());
    }
    const bool five = m_pScreening && m_pScreening->channels == 5;
    if (five) return m_iSpotType == SPOT_TYPE_PYTHAGOREAN ? Type10_CMYKW(this, job, phase) : Type2_CMYKW(this, job, phase);
    return m_iSpotType == SPOT_TYPE_PYTHAGOREAN ? Type10_CMYK(this, job, phase) : Type2_CMYK(this, job, phase);
}
