#include "halftone/variable_dot.h"

#include <algorithm>
#include <cmath>

#include "base/text_error.h"

namespace {

// Truncation toward zero, as the curve rules write it.
int32_t Trunc(double v) { return static_cast<int32_t>(std::trunc(v)); }

uint16_t ClampCurve(double v, int32_t maxValue) {
    if (!(v > 0.0)) return 0;
    return static_cast<uint16_t>(std::min(v, static_cast<double>(maxValue)));
}

// Leading values above 0, up to max of them.
std::vector<double> PositiveList(const float* values, int max) {
    std::vector<double> list;
    for (int i = 0; i < max && values[i] > 0.0f; ++i) list.push_back(static_cast<double>(values[i]));
    return list;
}

[[noreturn]] void Fail(const char* what) { throw TextError(std::string("PlanarChannel_VDS_Parameters: ") + what); }

}  // namespace

// ======================= PlanarChannel_VDS_Parameters =======================

PlanarChannel_VDS_Parameters::PlanarChannel_VDS_Parameters(const VdsDotCodes* codeMap) {
    for (int k = 0; k < kVdsCurveCount; ++k) dotCodes[static_cast<size_t>(k)] = static_cast<uint8_t>(k + 1);
    if (codeMap) dotCodes = *codeMap;
}

PlanarChannel_VDS_Parameters::PlanarChannel_VDS_Parameters(const VdsDotSetDescriptor& descriptor,
                                                           const VdsDotCodes* codeMap)
    : PlanarChannel_VDS_Parameters(nullptr) {
    std::vector<double> vecDotVal = PositiveList(descriptor.dotVal, 7);
    if (!vecDotVal.empty()) {
        const double largest = vecDotVal.back();
        for (double& d : vecDotVal) d /= largest;
    }
    const std::vector<double> vecTransition = PositiveList(descriptor.transition, 6);
    if (vecDotVal.size() < 2) Fail("vecDotVal.size() < 2");
    if (vecTransition.size() + 1 != vecDotVal.size()) Fail("vecTransition.size() + 1  != vecDotVal.size()");

    CBuildDotLut builder(12);
    builder.SetDotValues(vecDotVal);
    builder.SetTransitions(vecTransition);
    if (!builder.CalcDotLut()) Fail("CBuildDotLut::CalcDotLut() failed");
    std::vector<const uint16_t*> pvecLuts;
    if (!builder.GetCurves(pvecLuts)) Fail("CBuildDotLut::GetCurves() failed");
    if (pvecLuts.size() != vecDotVal.size()) Fail("pvecLuts.size() != vecDotVal.size()");
    for (size_t k = 0; k < pvecLuts.size(); ++k) std::copy_n(pvecLuts[k], kVdsCurveSize, levelCurves[k].begin());
    if (codeMap) dotCodes = *codeMap;
}

std::unique_ptr<PlanarChannel_VDS_Parameters> PlanarChannel_VDS_Parameters::CreateDefault(const VdsDotCodes* codeMap) {
    return std::make_unique<PlanarChannel_VDS_Parameters>(codeMap);
}

namespace {

// Fits a curve through points on the 0..255 scale; a failed fit leaves it as it was.
void FillFromBytePoints(std::vector<SplinePoint> points, uint16_t* curve) {
    const int n = static_cast<int>(points.size());
    CSpline::CheckPoints(n, points.data());  // the fit runs on whatever it left
    CSpline spline;
    spline.FillTable(n, points.data(), curve);
}

}  // namespace

std::unique_ptr<PlanarChannel_VDS_Parameters> PlanarChannel_VDS_Parameters::CreateFromWaveform(
    const VdsWaveformRecord& record, const VdsDotCodes* codeMap) {
    auto p = std::make_unique<PlanarChannel_VDS_Parameters>();
    int sizes = 0;
    for (int k = 0; k < 7; ++k) {
        for (const VdsWaveformPoint& point : record.points[k]) {
            if (point.x != 0 || point.y != 0) sizes = k + 1;
        }
    }
    for (int k = 0; k < sizes; ++k) {
        int count = 0;
        for (int i = 0; i < 10; ++i) {
            if (record.points[k][i].x != 0 || record.points[k][i].y != 0) count = i + 1;
        }
        std::vector<SplinePoint> points;
        for (int i = 0; i < count; ++i) points.push_back({record.points[k][i].x, record.points[k][i].y});
        FillFromBytePoints(std::move(points), p->levelCurves[static_cast<size_t>(k)].data());
    }
    if (codeMap) p->dotCodes = *codeMap;
    return p;
}

std::unique_ptr<PlanarChannel_VDS_Parameters> PlanarChannel_VDS_Parameters::CreateFromPoints(
    const std::array<std::vector<int32_t>, 3>& xPos, const std::array<std::vector<int32_t>, 3>& yPos) {
    auto p = std::make_unique<PlanarChannel_VDS_Parameters>();
    for (size_t c = 0; c < 3; ++c) {
        const size_t n = xPos[c].size();
        if (n > kMaxPoints) Fail("xPos[c].size() > 260");
        if (yPos[c].size() < n) Fail("yPos[c].size() < xPos[c].size()");
        std::vector<SplinePoint> points(n);
        for (size_t i = 0; i < n; ++i) points[i] = {xPos[c][i], yPos[c][i]};
        FillFromBytePoints(std::move(points), p->levelCurves[c].data());
    }
    return p;
}

// ================================ CSplineDot ================================

bool CSplineDot::FillTable12(std::vector<SplinePoint>& points, uint16_t* curve, int32_t from) {
    return Fill(points, curve, 4095, from);
}

bool CSplineDot::FillTable16(std::vector<SplinePoint>& points, uint16_t* curve, int32_t from) {
    return Fill(points, curve, 65535, from);
}

bool CSplineDot::Fill(std::vector<SplinePoint>& taken, uint16_t* curve, int32_t maxValue, int32_t from) {
    std::vector<SplinePoint> points;
    points.swap(taken);
    const size_t n = points.size();
    if (n < 2 || !curve) return false;
    std::vector<double> xs(n), ys(n);
    for (size_t i = 0; i < n; ++i) {
        const int64_t y = int64_t{maxValue} - points[i].y;
        if (points[i].x < 0 || points[i].x > maxValue || y > maxValue) return false;
        xs[i] = points[i].x;
        ys[i] = static_cast<double>(y);
    }
    if (!m_spline.Solve(static_cast<int>(n), xs.data(), ys.data(), 0.0)) return false;

    const int32_t first = points.front().x;
    const int32_t last = points.back().x;
    // The curve is filled inverted (as the spline sees it), then turned back.
    const auto store = [maxValue](double v) { return static_cast<uint16_t>(maxValue - ClampCurve(v, maxValue)); };
    from = std::max(from, 0);
    for (int32_t t = from; t < first; ++t) curve[t] = store(ys.front());
    CSpline::Sweep sweep(m_spline);
    for (int32_t t = std::max(first, from); t < last; ++t) curve[t] = store(std::floor(sweep.At(t) + 0.5));
    for (int32_t t = std::max(last, from); t <= maxValue; ++t) curve[t] = store(ys.back());
    return true;
}

// =============================== CBuildDotLut ===============================

CBuildDotLut::CBuildDotLut(int bits) : m_bits(bits == 16 ? 16 : 12), m_maxValue(bits == 16 ? 65535 : 4095) {}

void CBuildDotLut::SetDotValues(const std::vector<double>& dotValues) {
    if (dotValues.empty()) return;
    m_dotValues = dotValues;
    m_dotCount = static_cast<int>(dotValues.size());
    m_controlPoints.assign(dotValues.size(), Points{{0, 0}});
    m_curves.clear();
    for (size_t k = 0; k < dotValues.size(); ++k) {
        m_curves.push_back(std::make_unique<uint16_t[]>(static_cast<size_t>(m_maxValue) + 1));
    }
    m_calculated = false;
}

void CBuildDotLut::SetTransitions(const std::vector<double>& transitions) { m_transitions = transitions; }

bool CBuildDotLut::GetCurves(std::vector<const uint16_t*>& curves) const {
    if (!m_calculated) return false;
    curves.clear();
    for (const auto& curve : m_curves) curves.push_back(curve.get());
    return true;
}

bool CBuildDotLut::Fill(const Points& points, uint16_t* curve, int32_t from) {
    Points copy = points;
    CSplineDot spline;
    return m_bits == 16 ? spline.FillTable16(copy, curve, from) : spline.FillTable12(copy, curve, from);
}

bool CBuildDotLut::CalcDotLut() {
    if (m_dotCount < 2 || m_dotCount > 7) return true;  // nothing to compute: GetCurves fails
    // The sizes grow strictly up to 1.0 and every size but the largest has
    // its transition; anything else has no curves.
    for (int k = 0; k < m_dotCount; ++k) {
        const double d = m_dotValues[static_cast<size_t>(k)];
        if (!(d > 0.0) || d > 1.0 || (k > 0 && !(d > m_dotValues[static_cast<size_t>(k - 1)]))) return false;
    }
    if (static_cast<int>(m_transitions.size()) < m_dotCount - 1) return false;
    m_knees.clear();
    m_calculated = false;
    for (int k = 0; k < m_dotCount; ++k) m_controlPoints[static_cast<size_t>(k)] = Points{{0, 0}};

    if (!FirstCurve()) return false;
    if (m_dotCount >= 3 && !SecondCurve()) return false;
    for (int k = 2; k <= m_dotCount - 2; ++k) {
        if (!MiddleCurve(k)) return false;
    }
    TopCurve();
    return true;
}

bool CBuildDotLut::FirstCurve() {
    const int32_t M = m_maxValue;
    const int32_t S = Trunc(M * 0.05);
    const double d0 = m_dotValues[0];
    const int32_t B = Trunc((d0 - d0 * m_transitions[0] / 100.0) * M);
    if (B < 1) return false;
    const int32_t n = static_cast<int32_t>(std::ceil(static_cast<double>(B) / S));
    const int32_t step = std::min(B / n, S);

    Points& points = m_controlPoints[0];
    for (int32_t i = 1; i <= n; ++i) points.push_back({i * step, Trunc(i * step / d0 + 0.5)});
    const int32_t straightEnd = n * step;
    const double q = d0 + 0.3 > 1.0 ? (1.0 - d0) * 0.5 + d0 : d0 + 0.3;
    points.push_back({Trunc(M * q), M});
    points.push_back({M, M});
    if (!Fill(points, Curve(0))) return false;
    m_knees.push_back(static_cast<uint32_t>(straightEnd));

    const int32_t saturation = Saturation(0);
    if (saturation < 0 || !KneeSearch(0, std::min(saturation + 64, M), false)) return false;

    uint16_t* curve = Curve(0);
    for (int32_t x = 0; x < straightEnd; ++x) {
        const double c = curve[x];
        curve[x] = ClampCurve(std::trunc(c + x - c * d0), M);
    }
    return true;
}

bool CBuildDotLut::SecondCurve() {
    const int32_t M = m_maxValue;
    const int32_t S = Trunc(M * 0.05);
    const double d0 = m_dotValues[0];
    const double d1 = m_dotValues[1];
    const int32_t B = Trunc((d1 - d1 * m_transitions[1] / 100.0) * M);
    m_knees.push_back(static_cast<uint32_t>(std::max(B, 0)));
    const int32_t K0 = static_cast<int32_t>(m_knees[0]);
    const int32_t span = B - K0;
    if (span < 1) return false;
    const int32_t n = static_cast<int32_t>(std::ceil(static_cast<double>(span) / S));
    const int32_t step = span / n;

    const uint16_t* curve0 = Curve(0);
    Points& points = m_controlPoints[1];
    points.push_back({K0, 0});
    for (int32_t j = 1; j <= n; ++j) {
        const int32_t x = K0 + j * step;
        points.push_back({x, Trunc((x - curve0[x] * d0) / (d1 - d0) + 0.5)});
    }
    const int32_t straightEnd = K0 + n * step;
    points.push_back({std::min(Trunc((d1 * 0.5 + d1) * M), M), M});
    points.push_back({M, M});

    int32_t K = Saturation(1);
    if (K < 0) return false;
    K += 64;
    if (K > M) K = Trunc(M * 0.95);
    if (!KneeSearch(1, K, false)) return false;

    uint16_t* curve1 = Curve(1);
    for (int32_t x = K0; x < straightEnd; ++x) {
        const double c0 = curve0[x];
        const double c1 = curve1[x];
        curve1[x] = ClampCurve(c1 + std::trunc((x - ((c0 - c1) * d0 + c1 * d1)) / (d1 - d0)), M);
    }
    return true;
}

double CBuildDotLut::Coverage(int j, int32_t x) const {
    double c = 0.0;
    for (int i = 0; i < j; ++i) {
        c += (static_cast<double>(Curve(i)[x]) - Curve(i + 1)[x]) * m_dotValues[static_cast<size_t>(i)];
    }
    return c + Curve(j)[x] * m_dotValues[static_cast<size_t>(j)];
}

bool CBuildDotLut::MiddleCurve(int k) {
    const int32_t M = m_maxValue;
    const int32_t S = Trunc(M * 0.05);
    const size_t uk = static_cast<size_t>(k);
    const double dk = m_dotValues[uk];
    const double dPrev = m_dotValues[uk - 1];
    const int32_t B = Trunc((dk - dk * m_transitions[uk] / 100.0) * M);
    const int32_t start = static_cast<int32_t>(m_knees[uk - 1]);
    const int32_t span = B - start;
    if (span < 1) return false;
    const int32_t n = static_cast<int32_t>(std::ceil(static_cast<double>(span) / S));
    const int32_t step = span / n;

    Points& points = m_controlPoints[uk];
    points.push_back({start, 0});
    for (int32_t j = 1; j <= n; ++j) {
        const int32_t x = start + j * step;
        const double below = Coverage(k - 1, x);
        if (k >= 3 && below > x) continue;
        points.push_back({x, Trunc((x - below) / (dk - dPrev) + 0.5)});
    }
    const int32_t straightEnd = points.back().x;
    m_knees.push_back(static_cast<uint32_t>(straightEnd));
    points.push_back({std::min(Trunc(((1.0 - dk) * 0.5 + dk) * M), M), M});
    points.push_back({M, M});

    int32_t K = Trunc((m_transitions[uk] / 100.0 + dk) * M);
    if (k == 2 && K > M - 1) K = m_bits == 16 ? 62258 : 3891;
    if (!KneeSearch(k, K, k >= 3)) return false;

    uint16_t* curve = Curve(k);
    for (int32_t x = start; x < straightEnd; ++x) {
        const double v = curve[x] + std::trunc((x - Coverage(k, x)) / (dk - dPrev));
        if (v > 0.0) curve[x] = ClampCurve(v, M);
    }
    return true;
}

void CBuildDotLut::TopCurve() {
    const int32_t M = m_maxValue;
    const int n = m_dotCount;
    const int p = n - 2;
    const double dp = m_dotValues[static_cast<size_t>(p)];
    // Coverage the curves below the top leave over at x.
    const auto left = [&](int32_t x) {
        if (n == 2) return x - Curve(0)[x] * m_dotValues[0];
        if (n == 3) {
            return x - Curve(1)[x] * m_dotValues[1] - (static_cast<double>(Curve(0)[x]) - Curve(1)[x]) * m_dotValues[0];
        }
        return x - Coverage(p, x);
    };
    int32_t start = static_cast<int32_t>(m_knees[static_cast<size_t>(p)]);
    for (int32_t x = 0; x <= M; ++x) {
        const bool below = n <= 3 ? left(x) < -3.0 : x - Curve(p)[x] * dp < -2.0;
        if (below) {
            start = x;
            break;
        }
    }
    uint16_t* top = Curve(n - 1);
    std::fill(top, top + M + 1, uint16_t{0});
    for (int32_t x = std::max(start, 0); x <= M; ++x) {
        const double v = left(x) / (1.0 - dp);
        top[x] = v >= 0.0 ? ClampCurve(std::trunc(v + 0.5), M) : 0;
    }
    m_calculated = true;
}

bool CBuildDotLut::KneeSearch(int k, int32_t start, bool stepBeforeFit) {
    Points& points = m_controlPoints[static_cast<size_t>(k)];
    const size_t knee = points.size() - 2;
    const int32_t lowest = points[knee - 1].x + 1;
    int32_t K = std::min(start, m_maxValue - 1);
    uint16_t* curve = Curve(k);
    for (;;) {
        if (stepBeforeFit) --K;
        if (K < lowest) return false;
        points[knee].x = K;
        // Only the tail from K decides; the whole curve is filled once found.
        if (!Fill(points, curve, K)) return false;
        if (std::all_of(curve + K, curve + m_maxValue + 1, [this](uint16_t v) { return v >= m_maxValue; })) {
            return Fill(points, curve);
        }
        if (!stepBeforeFit) --K;
    }
}

int32_t CBuildDotLut::Saturation(int k) {
    Points points = m_controlPoints[static_cast<size_t>(k)];
    const double factor = m_bits == 16 ? 65535.0 / 4095.0 : 1.0;
    if (m_bits == 16) {
        for (size_t i = 1; i < points.size(); ++i) {
            points[i].x = Trunc(points[i].x / factor);
            points[i].y = Trunc(points[i].y / factor);
        }
    }
    const size_t knee = points.size() - 2;
    const int32_t lowest = points[knee - 1].x + 1;
    std::vector<uint16_t> curve(4096);
    CSplineDot spline;
    for (int32_t x = points[knee].x - 1; x >= lowest; --x) {
        points[knee].x = x;
        Points copy = points;
        if (!spline.FillTable12(copy, curve.data(), x)) return -1;
        if (std::all_of(curve.begin() + x, curve.end(), [](uint16_t v) { return v >= 4095; })) {
            return Trunc(x * factor + 0.5);
        }
    }
    return -1;
}
