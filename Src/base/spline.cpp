#include "base/spline.h"

#include <algorithm>
#include <cmath>

namespace {

// Clamps a double into 0..4095 and rounds half up, as the table fillers store it.
uint16_t ToTableValue(double v) {
    const double r = std::floor(v + 0.5);
    if (!(r > 0.0)) return 0;  // also catches NaN
    if (r >= CSpline::kMaxValue) return CSpline::kMaxValue;
    return static_cast<uint16_t>(r);
}

uint16_t ClampToTable(int64_t v) {
    return static_cast<uint16_t>(std::clamp<int64_t>(v, 0, CSpline::kMaxValue));
}

}  // namespace

int64_t CSpline::MapByte(int32_t v) {
    return static_cast<int64_t>(std::trunc(static_cast<double>(v) * 4095.0 / 255.0 + 0.5));
}

bool CSpline::CheckPoints(int n, SplinePoint* points) {
    if (n < 2 || !points) return false;
    for (int i = 0; i < n; ++i) {
        SplinePoint& p = points[i];
        if (p.x < 0 || p.x > 255 || p.y < 0 || p.y > 255) return false;
        p.y = 255 - p.y;
    }
    return true;
}

bool CSpline::Solve(int n, const double* x, const double* y, double /*tension*/) {
    m_x.clear();
    if (n < 2 || !x || !y) return false;
    for (int i = 0; i + 1 < n; ++i) {
        if (!(x[i + 1] > x[i])) return false;
    }
    const size_t count = static_cast<size_t>(n);
    std::vector<double> h(count - 1), d(count - 1);
    for (size_t i = 0; i + 1 < count; ++i) {
        h[i] = x[i + 1] - x[i];
        d[i] = (y[i + 1] - y[i]) / h[i];
    }

    // Tridiagonal system for the inner second derivatives, M = 0 at both ends
    // (natural spline), solved by forward elimination and back substitution.
    std::vector<double> m(count, 0.0);
    if (count > 2) {
        const size_t inner = count - 2;
        std::vector<double> diag(inner), rhs(inner);
        for (size_t k = 0; k < inner; ++k) {
            const size_t i = k + 1;
            diag[k] = 2.0 * (h[i - 1] + h[i]);
            rhs[k] = 6.0 * (d[i] - d[i - 1]);
        }
        for (size_t k = 1; k < inner; ++k) {
            const double factor = h[k] / diag[k - 1];  // sub-diagonal of row k is h[k]
            diag[k] -= factor * h[k];                   // super-diagonal of row k-1 is h[k]
            rhs[k] -= factor * rhs[k - 1];
        }
        m[inner] = rhs[inner - 1] / diag[inner - 1];
        for (size_t k = inner - 1; k-- > 0;) {
            m[k + 1] = (rhs[k] - h[k + 1] * m[k + 2]) / diag[k];
        }
    }

    m_x.assign(x, x + n);
    m_y.assign(y, y + n);
    m_m = m;
    m_a.assign(count - 1, 0.0);
    m_b.assign(count - 1, 0.0);
    m_c.assign(count - 1, 0.0);
    m_d.assign(count - 1, 0.0);
    for (size_t i = 0; i + 1 < count; ++i) {
        const double h2 = h[i] * h[i] / 6.0;
        m_a[i] = m[i] * h2;
        m_d[i] = m[i + 1] * h2;
        m_c[i] = y[i] - m[i] * h2;
        m_b[i] = y[i + 1] - m[i + 1] * h2;
    }
    return true;
}

double CSpline::Evaluate(double t, double tension) const {
    if (m_x.size() < 2) return 0.0;
    // Interval k with x[k] <= t < x[k+1], the end intervals extended outwards.
    const auto it = std::upper_bound(m_x.begin(), m_x.end(), t);
    size_t k = it == m_x.begin() ? 0 : static_cast<size_t>(it - m_x.begin()) - 1;
    return EvaluateInterval(std::min(k, m_x.size() - 2), t, tension);
}

double CSpline::Sweep::At(double t) {
    const std::vector<double>& x = m_spline.m_x;
    if (x.size() < 2) return 0.0;
    while (m_k + 2 < x.size() && x[m_k + 1] <= t) ++m_k;
    return m_spline.EvaluateInterval(m_k, t, 0.0);
}

double CSpline::EvaluateInterval(size_t k, double t, double tension) const {
    const double u = (t - m_x[k]) / (m_x[k + 1] - m_x[k]);
    const double w = 1.0 - u;
    double left = w * w * w * m_a[k];
    double right = u * u * u * m_d[k];
    if (tension != 0.0) {
        left /= u * tension + 1.0;
        right /= w * tension + 1.0;
    }
    return left + right + w * m_c[k] + u * m_b[k];
}

bool CSpline::FillTable(int n, const SplinePoint* points, uint16_t* out) {
    if (n < 2 || !points || !out) return false;
    std::vector<double> xs(static_cast<size_t>(n)), ys(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) {
        xs[static_cast<size_t>(i)] = static_cast<double>(MapByte(points[i].x));
        ys[static_cast<size_t>(i)] = static_cast<double>(MapByte(points[i].y));
    }
    if (!Solve(n, xs.data(), ys.data(), 0.0)) return false;

    const int64_t first = MapByte(points[0].x);
    const int64_t last = MapByte(points[n - 1].x);
    const int64_t fitFrom = std::clamp<int64_t>(first, 0, kTableSize);
    const int64_t fitTo = std::clamp<int64_t>(last, 0, kTableSize);
    for (int64_t t = 0; t < fitFrom; ++t) out[t] = ClampToTable(MapByte(points[0].y));
    Sweep sweep(*this);
    for (int64_t t = fitFrom; t < fitTo; ++t) out[t] = ToTableValue(sweep.At(static_cast<double>(t)));
    for (int64_t t = fitTo; t < kTableSize; ++t) out[t] = ClampToTable(MapByte(points[n - 1].y));
    for (int t = 0; t < kTableSize; ++t) out[t] = static_cast<uint16_t>(kMaxValue - out[t]);
    return true;
}

void CConstrainedCurve::Init() { m_points.clear(); }

void CConstrainedCurve::Free() { std::vector<Point>().swap(m_points); }

void CConstrainedCurve::AddPoint(int32_t x, double y) {
    for (Point& p : m_points) {
        if (p.x == x) {
            p.y = y;
            return;
        }
    }
    m_points.push_back({x, y});
}

namespace {

// Solves the 4 x 4 system a (columns 0-3) = rhs (column 4) by Gaussian
// elimination with partial pivoting. A zero pivot stops the elimination and
// leaves the solution at 0.
void SolveCubic(double a[4][5], double solution[4]) {
    for (int i = 0; i < 4; ++i) solution[i] = 0.0;
    for (int col = 0; col < 4; ++col) {
        int pivot = col;
        for (int row = col + 1; row < 4; ++row) {
            if (std::fabs(a[row][col]) > std::fabs(a[pivot][col])) pivot = row;
        }
        if (a[pivot][col] == 0.0) return;
        if (pivot != col) {
            for (int k = 0; k < 5; ++k) std::swap(a[col][k], a[pivot][k]);
        }
        for (int row = col + 1; row < 4; ++row) {
            const double factor = a[row][col] / a[col][col];
            for (int k = col; k < 5; ++k) a[row][k] -= factor * a[col][k];
        }
    }
    for (int row = 3; row >= 0; --row) {
        double sum = a[row][4];
        for (int k = row + 1; k < 4; ++k) sum -= a[row][k] * solution[k];
        solution[row] = sum / a[row][row];
    }
}

}  // namespace

void CConstrainedCurve::Build(double* out, size_t count) {
    const size_t n = m_points.size();
    if (n < 2) return;
    std::sort(m_points.begin(), m_points.end(), [](const Point& l, const Point& r) { return l.x < r.x; });

    const auto dx = [this](size_t i) {
        return static_cast<double>(m_points[i + 1].x) - static_cast<double>(m_points[i].x);
    };
    const auto dy = [this](size_t i) { return m_points[i + 1].y - m_points[i].y; };

    std::vector<double> slope(n, 0.0);
    if (n == 2) {
        slope[0] = slope[1] = dy(0) / dx(0);
    } else {
        for (size_t k = 1; k + 1 < n; ++k) {
            const double left = dy(k - 1);
            const double right = dy(k);
            if (left == 0.0 || right == 0.0 || (left > 0.0) != (right > 0.0)) {
                slope[k] = 0.0;
            } else {
                slope[k] = 2.0 / (dx(k) / right + dx(k - 1) / left);
            }
        }
        slope[0] = 1.5 * dy(0) / dx(0) - slope[1] / 2.0;
        slope[n - 1] = 1.5 * dy(n - 2) / dx(n - 2) - slope[n - 2] / 2.0;
    }

    const int64_t size = static_cast<int64_t>(count);
    for (size_t i = 0; i + 1 < n; ++i) {
        const double x0 = m_points[i].x;
        const double x1 = m_points[i + 1].x;
        double system[4][5] = {
            {x0 * x0 * x0, x0 * x0, x0, 1.0, m_points[i].y},
            {x1 * x1 * x1, x1 * x1, x1, 1.0, m_points[i + 1].y},
            {3.0 * x0 * x0, 2.0 * x0, 1.0, 0.0, slope[i]},
            {3.0 * x1 * x1, 2.0 * x1, 1.0, 0.0, slope[i + 1]},
        };
        double c[4];
        SolveCubic(system, c);
        const int64_t from = std::clamp<int64_t>(m_points[i].x, 0, size);
        const int64_t to = std::clamp<int64_t>(m_points[i + 1].x, 0, size);
        for (int64_t x = from; x < to; ++x) {
            const double v = static_cast<double>(x);
            out[x] = c[0] * v * v * v + c[1] * v * v + c[2] * v + c[3];
        }
    }
    const int64_t lastX = m_points[n - 1].x;
    if (lastX >= 0 && lastX < size) out[lastX] = m_points[n - 1].y;
}
