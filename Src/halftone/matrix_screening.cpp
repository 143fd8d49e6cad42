// Routine 51: matrix screening from spot files, by phase. The routines share
// one frame: the ink values of a line are computed into a row first (four,
// five or six per pixel, or one for a separation printed in black), then each
// plane walks its channel's matrix over the row.
#include "halftone/matrix_screening.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <exception>
#include <new>

#include "halftone/halftone.h"
#include "halftone/threshold_matrix.h"
#include "job/varn_prn.h"

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

// -------------------------------------------------------------------------
// Ink values

// The screening limiter (the halftoner's constants) over cyan, magenta,
// yellow, black and, for six channels, light cyan and light magenta (0 for
// four channels). The full divisor needs black, yellow, a cyan and a magenta.
void LimitScreenInk(const CHalftone& h, int32_t* v, int32_t limit) {
    if (limit >= kInkLimitNone) return;
    const int32_t s = v[0] + v[1] + v[2] + v[3] + v[4] + v[5];
    const int32_t e = s - limit;
    if (s <= limit || s <= h.m_iLimitSumThreshold || e < 1) return;
    const bool all = v[3] != 0 && v[2] != 0 && (v[0] != 0 || v[4] != 0) && (v[1] != 0 || v[5] != 0);
    const int32_t d = all ? h.m_iLimitDivisorAll : (v[3] != 0 ? h.m_iLimitDivisorBlack : h.m_iLimitDivisorNoBlack);
    const int32_t f = int32_t(int64_t(h.m_iLimitColorFactor) * e / s);
    for (int c : {0, 1, 2, 4, 5}) {
        if (v[c] > 0) v[c] -= v[c] * f / d;
    }
    if (v[3] > 0) v[3] -= int32_t(int64_t(h.m_iLimitBlackFactor) * e / s) * v[3] / d;
}

// Planes, values and spot channels of the line.
struct LineShape {
    int planes = 4;           // planes screened
    int valuesPerPixel = 4;
    int spotChannel[7] = {0, 1, 2, 3, 0, 1, 3};  // spot channel of each plane
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
        const int black[4] = {3, 0, 1, 2};
        std::copy(black, black + 4, shape.spotChannel);
    }
    return shape;
}

int32_t InputStride(const CVarnPrn& job) {
    const int32_t n = job.m_iComponents > 0 ? job.m_iComponents : job.m_iInputColorMode;
    return n > 0 ? n : 4;
}

// The ink values of every pixel of the line: kN (four or six) per pixel.
template <int kN>
void FillInkValuesOf(const CHalftone& h, const CVarnPrn& job, ScreeningState& st, const uint8_t* in) {
    const int32_t stride = InputStride(job);
    const int32_t scale = job.m_iScaleX > 0 ? job.m_iScaleX : 1;
    constexpr int n = kN;
    constexpr bool six = kN == 6;
    const bool blackFirst = !six && job.m_iOutputColorMode == 13;
    int32_t* out = st.values.data();
    int32_t v[6] = {};
    const uint8_t* last = nullptr;
    for (int32_t x = 0, k = 0; x < st.width; ++x, out += n) {
        if (k == 0) {
            const uint8_t* p = in;
            in += stride;
            if (blackFirst && last && std::memcmp(p, last, 4) == 0) {
                // the same pixel again: the values are those of the last one
            } else if ((p[0] | p[1] | p[2] | p[3]) == 0) {
                std::fill(v, v + 6, 0);
                last = p;
            } else {
                const auto map = [&h](int m, uint8_t b) { return Clamp12(h.m_aInputMap[m][b]); };
                if (six) {
                    v[0] = map(22, p[0]);
                    v[1] = map(23, p[1]);
                    v[2] = map(2, p[2]);
                    v[3] = map(3, p[3]);
                    v[4] = map(14, p[0]);
                    v[5] = map(15, p[1]);
                } else {
                    for (int c = 0; c < 4; ++c) v[c] = map(c, p[c]);
                    v[4] = v[5] = 0;
                }
                LimitScreenInk(h, v, h.m_iInkLimit);
                if (blackFirst) {
                    const int32_t c = v[0], m = v[1], y = v[2];
                    v[0] = v[3];
                    v[1] = c;
                    v[2] = m;
                    v[3] = y;
                }
                last = p;
            }
        }
#pragma GCC unroll 6
        for (int c = 0; c < kN; ++c) out[c] = v[c];
        if (++k == scale) k = 0;
    }
}

void FillInkValues(const CHalftone& h, const CVarnPrn& job, ScreeningState& st, const uint8_t* in,
                   const LineShape& shape) {
    if (shape.valuesPerPixel == 6) return FillInkValuesOf<6>(h, job, st, in);
    FillInkValuesOf<4>(h, job, st, in);
}

// One value per pixel: the black byte through input map 3.
void FillGrayValues(const CHalftone& h, const CVarnPrn& job, ScreeningState& st, const uint8_t* in) {
    const int32_t stride = InputStride(job);
    const int32_t scale = job.m_iScaleX > 0 ? job.m_iScaleX : 1;
    int32_t value = 0;
    for (int32_t x = 0, k = 0; x < st.width; ++x) {
        if (k == 0) {
            value = (in[0] | in[1] | in[2] | in[3]) == 0 ? 0 : Clamp12(h.m_aInputMap[kMapBlack][in[3]]);
            in += stride;
        }
        st.values[size_t(x)] = value;
        if (++k == scale) k = 0;
    }
}

// Five values per pixel through the installed converter.
void FillFiveValues(CHalftone& h, const CVarnPrn& job, ScreeningState& st, const uint8_t* in) {
    const int32_t stride = InputStride(job);
    const int32_t scale = job.m_iScaleX > 0 ? job.m_iScaleX : 1;
    int32_t v[8] = {};
    int32_t* out = st.values.data();
    for (int32_t x = 0, k = 0; x < st.width; ++x, out += 5) {
        if (k == 0) {
            std::fill(v, v + 8, 0);
            h.m_pfnPixelConverter(&h, in, v);
            for (int c = 0; c < 5; ++c) v[c] = Clamp12(v[c]);
            in += stride;
        }
        std::copy(v, v + 5, out);
        if (++k == scale) k = 0;
    }
}

// -------------------------------------------------------------------------
// Walking the matrices

inline void SetBit(uint8_t* plane, int32_t x) { plane[x >> 3] |= uint8_t(0x80u >> (x & 7)); }

// The cells of a type-2 matrix under one line: its row, repeated across.
void CellRowType2(const SpotChannel& ch, int32_t line, int32_t width, uint8_t* cells) {
    const uint8_t* row = ch.matrix.data() + size_t(line % ch.size2) * size_t(ch.size1);
    for (int32_t x = 0; x < width; x += ch.size1) std::memcpy(cells + x, row, size_t(std::min(ch.size1, width - x)));
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
        std::memcpy(cells + x, row + q, size_t(n));
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

// The dots of one channel: pixel x where its value v is not 0 and the level
// of v reaches the cell; each byte of the plane made in a register.
template <int kPixels>
inline uint32_t ThresholdByte(const uint8_t* levels, const int32_t* values, size_t step, const uint8_t* cells,
                              int32_t n) {
    uint32_t byte = 0;
#pragma GCC unroll 8
    for (int32_t k = 0; k < (kPixels > 0 ? kPixels : n); ++k) {
        const int32_t v = values[size_t(k) * step];
        byte |= uint32_t((v != 0) & (levels[size_t(v)] >= cells[k])) << (7 - k);
    }
    return byte;
}

void ThresholdBits(const int32_t* values, int step, const uint8_t* cells, int32_t width, uint8_t* plane) {
    const uint8_t* levels = ScreeningLevels().data();
    const size_t stride = size_t(step);
    int32_t x0 = 0;
    for (; x0 + 8 <= width; x0 += 8) {
        plane[x0 >> 3] |= uint8_t(ThresholdByte<8>(levels, values + size_t(x0) * stride, stride, cells + x0, 8));
    }
    if (x0 < width) {
        plane[x0 >> 3] |= uint8_t(ThresholdByte<0>(levels, values + size_t(x0) * stride, stride, cells + x0, width - x0));
    }
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

bool AllocateValues(ScreeningState& st, int valuesPerPixel) {
    try {
        const size_t padded = (size_t(std::max(st.width, 0)) + 7) / 8 * 8;
        st.values.assign(padded * size_t(valuesPerPixel), 0);
        st.cells.assign(padded, 0);
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
        return AllocateValues(*st, 5) ? 0 : -1;
    }
    const int perPixel = (r.form == Form::Gray || r.form == Form::GrayDotFilm) ? 1 : (st->channels >= 6 ? 6 : 4);
    if (!AllocateValues(*st, perPixel)) return -1;
    if (r.form == Form::DotFilm || r.form == Form::GrayDotFilm) return DotFilmInitJob(h, job, *st);
    return 0;
}

int32_t Line(CHalftone* h, CVarnPrn* job, const RoutineInfo& r) {
    ScreeningState* st = State(h);
    uint8_t* out = job->m_pOutLine;
    const uint8_t* in = h->InputLine();
    if (!st || !st->spot || !out || !in || st->values.empty()) {
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
        FillGrayValues(*h, *job, *st, in);
        const int sc = SeparationChannel(*job);
        uint8_t* plane = planeAt(BlackPlane(*st, *job));
        if (r.form == Form::Gray) {
            CellRow(spot, sc, line, st->width, cells);
            ThresholdBits(st->values.data(), 1, cells, st->width, plane);
        } else {
            DotFilmChannel(*h, *st, spot, sc, st->values.data(), 1, sc, plane);
        }
    } else {
        const LineShape shape = ShapeFor(*st, *job, r.form == Form::Five);
        if (r.form == Form::Five) {
            FillFiveValues(*h, *job, *st, in);
        } else {
            FillInkValues(*h, *job, *st, in, shape);
        }
        const int n = shape.valuesPerPixel;
        for (int p = 0; p < shape.planes; ++p) {
            const int32_t* values = st->values.data() + p;
            const int sc = shape.spotChannel[p];
            if (r.form == Form::DotFilm) {
                DotFilmChannel(*h, *st, spot, sc, values, n, p, planeAt(BlackPlane(*st, *job)));
            } else {
                CellRow(spot, sc, line, st->width, cells);
                ThresholdBits(values, n, cells, st->width, planeAt(p));
            }
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
        const int32_t type = ReadSpots(this, job, m_pScreening->spot);
        if (type < 0) {
            job->Log(LOG_ERROR, "Screening: Can't open SPT file, ReadSpots returns %d on file \"%s\"", type,
                     job->m_strScreeningFile.c_str());
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
