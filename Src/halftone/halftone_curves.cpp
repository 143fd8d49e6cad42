// The halftoner's linearisation tables, the extra-channel input maps, the
// dot-size tables of the printer model and the choice of pixel converter.
#include <algorithm>
#include <cmath>
#include <vector>

#include "printers/ink_set.h"
#include "printers/model_predicates.h"
#include "halftone/halftone.h"
#include "halftone/matrix_screening.h"
#include "base/spline.h"
#include "job/varn_prn.h"

namespace {

bool InRange(int32_t v, int32_t first, int32_t last) { return v >= first && v <= last; }

// The models of the roll printers with their own curve sets.
bool IsModelGroupA(int32_t m) { return InRange(m, 673, 676) || m == 726 || m == 727; }
bool IsModelGroupB(int32_t m) {
    switch (m) {
        case 677: case 678: case 681: case 682: case 685: case 686: case 689: case 690: return true;
        default: return false;
    }
}
bool IsModelGroupC(int32_t m) { return InRange(m, 691, 696) || InRange(m, 700, 717) || InRange(m, 7077, 7080); }

constexpr int32_t kInkTypeFourColorDark = 526;
constexpr int kExtraMap = 18;
constexpr int kBlackMap = 3;
constexpr int kWhiteChannel = 7;  // the visual-correction channel of the white ink

// The largest drop of the job's dot-size setting, in picolitres.
double MaxPicoliter(int32_t dotSize, int32_t x, int32_t y) {
    switch (dotSize) {
        case 0: return x == 1440 ? 6.2 : (x == 720 && y >= 1080 ? 14.0 : 19.5);
        case 1: return x == 1440 ? 6.2 : (static_cast<int64_t>(x) * y < 518400 ? 19.5 : 14.0);
        case 2: return x == 1440 ? 6.2 : 14.0;
        case 4: return 14.0;
        case 5: return 6.2;
        default: return 19.5;
    }
}

void FillDotCurve(std::vector<DotCurvePoint>& points, uint16_t* table) {
    std::vector<SplinePoint> spline(points.size());
    for (size_t i = 0; i < points.size(); ++i) spline[i] = {points[i].x, points[i].y};
    const int n = static_cast<int>(spline.size());
    CSpline::CheckPoints(n, spline.data());
    CSpline().FillTable(n, spline.data(), table);
}

}  // namespace

// ---------------------------------------------------------------------------
// Linearisation tables

bool CHalftone::BuildLinCurves(const double* percentages, int n) {
    if (!percentages || n < 1 || n > kLinTableSlots) return false;
    const int tables = std::max(n, kLinTablesMin);
    m_pLinTableStorage.reset(new uint16_t[static_cast<size_t>(tables) * kLinTableSize]());
    std::fill(std::begin(m_apLinTable), std::end(m_apLinTable), nullptr);
    for (int c = 0; c < tables; ++c) {
        uint16_t* table = m_pLinTableStorage.get() + static_cast<size_t>(c) * kLinTableSize;
        m_apLinTable[c] = table;
        if (c >= n) continue;  // tables the build does not name stay empty
        const double f = std::min(percentages[c] / 100.0, 1.0);
        if (!(f > 0.0)) continue;
        for (int i = 0; i < kLinTableSize; ++i) table[i] = static_cast<uint16_t>(i * f + 0.5);
    }
    return true;
}

bool CHalftone::BuildUniformLinCurves(double percent) {
    const double p[kLinTablesMin] = {percent, percent, percent, percent, percent, percent, percent, percent};
    return BuildLinCurves(p, kLinTablesMin);
}

void CHalftone::InitLinCurvePercent(double p, int32_t w, int32_t routine) {
    if (w < 8) w = 100;
    else if (w < 10) w = 10;
    else if (w > 200) w = 200;
    const double f = std::min(w * p / 100.0, 100.0);
    const double second = routine == HALF_ROUTINE_SCREENING ? f : p;
    const double curves[kLinTablesMin] = {p, p, p, p, second, second, f, f};
    BuildLinCurves(curves, kLinTablesMin);
}

void CHalftone::InitLinCurve(CVarnPrn* job, const double* percentages, int n) {
    const int32_t x = job->m_iResolutionX;
    const int32_t y = job->m_iResolutionY;
    const double v = MaxPicoliter(job->m_iDotSize, x, y);
    job->Log(LOG_WARNING, "CHalftone::InitLinCurve J-TECK J-NEXT MaxPicoliter=%lf", v);

    // Without a resolution there is nothing to scale by.
    double p = x > 0 && y > 0 ? 5.6862e8 / (static_cast<double>(x) * v * y) : 100.0;
    if (p > 100.0) {
        job->Log(LOG_WARNING, "CHalftone::InitLinCurve NOT ENOUGH: ~%d%% of maximum physical ink coverage",
                 static_cast<int>(std::lround(10000.0 / p)));
        p = 100.0;
    } else {
        job->Log(LOG_WARNING, "CHalftone::InitLinCurve Pre-linearization at ~%d%%", static_cast<int>(std::lround(p)));
    }
    double curves[kLinTablesMin] = {};
    for (int c = 0; c < kLinTablesMin && c < n && percentages; ++c) curves[c] = percentages[c] * p / 100.0;
    BuildLinCurves(curves, kLinTablesMin);
}

void CHalftone::SelectLinCurve(CVarnPrn* job, int32_t routine) {
    const int32_t model = job->m_iPrinterModell;
    if (IsModelGroupA(model)) {
        const double p = routine != HALF_ROUTINE_SCREENING && job->m_iResolutionY == 2400 ? 62.5 : 100.0;
        InitLinCurvePercent(p, job->m_iWhiteLevel, routine);
        InitChannelMaps(job);
    } else if (IsModelGroupB(model)) {
        if (job->m_iInkType == kInkTypeFourColorDark) {
            static constexpr double kPercent[8] = {30, 30, 50, 50, 30, 30, 50, 50};
            InitLinCurve(job, kPercent, 8);
        } else {
            BuildUniformLinCurves(100.0);
        }
    } else if (IsModelGroupC(model)) {
        double p = 100.0;
        if (job->m_iDotSize == 0 && job->m_iResolutionY == 1440) p = job->m_iResolutionX == 720 ? 80.0 : 40.0;
        if (job->m_iOutputColorMode == 7) {
            BuildUniformLinCurves(p);
        } else {
            InitLinCurvePercent(p, job->m_iWhiteLevel, routine);
            InitChannelMaps(job);
        }
    } else {
        BuildUniformLinCurves(100.0);
    }
}

// ---------------------------------------------------------------------------
// Extra-channel input maps

void CHalftone::InitChannelMaps(CVarnPrn* job) {
    const uint8_t* vcc = job && job->m_bVisualCorrectionLoaded ? job->m_VisualCorrection.GetMap(kWhiteChannel) : nullptr;
    for (int i = 0; i < kInputMapSize; ++i) {
        m_aInputMap[kExtraMap][i] = m_aInputMap[kBlackMap][vcc ? vcc[i] : i];
    }
}

void CHalftone::InitVCCWhiteMimaki(CVarnPrn* job, int k, bool flood) {
    if (k < 0 || kExtraMap + k >= kInputMapCount) {
        if (job) job->Log(LOG_ERROR, "CHalftone::InitVCCWhiteMimaki: no input map %d", kExtraMap + k);
        return;
    }
    uint16_t* target = m_aInputMap[kExtraMap + k];
    const uint16_t* curve =
        job && job->m_bVisualCorrectionLoaded ? job->m_VisualCorrection.GetCurve(kWhiteChannel) : nullptr;
    const char* text;
    if (curve) {
        std::copy_n(curve, kInputMapSize, target);
        bool neutral = true;
        for (int i = 0; i < kInputMapSize; ++i) neutral = neutral && target[i] == CSpline::MapByte(i);
        text = neutral ? "CHalftone::InitVCCWhiteMimaki has VCC but white is neutral"
                       : "CHalftone::InitVCCWhiteMimaki has white VCC";
    } else if (flood) {
        for (int i = 0; i < kInputMapSize; ++i) target[i] = static_cast<uint16_t>(CSpline::MapByte(i));
        text = "CHalftone::InitVCCWhiteMimaki has no VCC (Flood)";
    } else {
        std::copy_n(m_aInputMap[kBlackMap], kInputMapSize, target);
        text = "CHalftone::InitVCCWhiteMimaki has no VCC (Linearized)";
    }
    if (job) job->Log(LOG_WARNING, "%s", text);
}

// ---------------------------------------------------------------------------
// Dot-size tables and pixel converters

int32_t CHalftone::InitModelHalftoneTables(CVarnPrn* job, int dotSizeCount) {
    m_aDotSizeTable = DotSizeTables{};
    return ::InitModelHalftoneTables(job->m_iPrinterModell, dotSizeCount, job->m_iResolutionX,
                                     static_cast<int32_t>(m_iDotMode), m_aDotSizeTable, FillDotCurve);
}

int32_t CHalftone::GetChannelLayout(CVarnPrn* job) const {
    return ChannelLayoutFor(GetInkSetClass(job->m_iPrinterModell), GetInkSetCode(job, 0), job->m_iOutputColorMode,
                            HalftoneRoutine);
}

int32_t CHalftone::GetInputLayout(CVarnPrn* job) {
    return InputLayoutFor(GetInkSetClass(job->m_iPrinterModell), job->m_iOutputColorMode);
}

void CHalftone::SelectPixelConverter(CVarnPrn* job) {
    const int32_t mode = job->m_iOutputColorMode;
    const int32_t code = GetInkSetCode(job, 0);
    // Five-channel screening converts five values for every ink-set class,
    // never eight into its five-value row.
    if (HalftoneRoutine == HALF_ROUTINE_SCREENING && m_pScreening && m_pScreening->channels == 5) {
        m_pfnPixelConverter = PixelConverterForLayout(ScreeningLayoutForInkSetCode(code));
        return;
    }
    // Class 17 without a white ink-set code keeps its converter for the
    // colour modes that have no layout of their own.
    if (GetInkSetClass(job->m_iPrinterModell) == 17 && (code < 419 || code > 421) && mode != 4 && mode != 6 &&
        mode != 7)
        return;
    if (PixelConverter converter = PixelConverterForLayout(GetChannelLayout(job))) m_pfnPixelConverter = converter;
}
