// Curve fitters that turn a handful of control points into dense tables.
//
// CSpline: a natural cubic spline through points on the 8-bit scale, sampled
// into a 4096-entry 12-bit table (dot-size tables, variable-dot level curves).
// Its Solve/Evaluate pair works on any scale, so 12- and 16-bit curve fillers
// reuse it.
//
// CConstrainedCurve: a constrained cubic spline (piecewise cubics whose slopes
// are chosen so that the curve never overshoots its points) through integer-x
// points, sampled into a table of doubles indexed by x (visual correction).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// One control point of a CSpline, both values on the 0..255 scale.
struct SplinePoint {
    int32_t x;
    int32_t y;
};

class CSpline {
public:
    static constexpr int kTableSize = 4096;
    static constexpr int kMaxValue = 4095;

    CSpline() = default;
    virtual ~CSpline() = default;

    // Turns each y into 255 - y in place and reports whether all points lie in
    // 0..255. Stops at the first point outside that range (the points before
    // it are already inverted, it and the ones after are not). False and no
    // change for fewer than 2 points.
    static bool CheckPoints(int n, SplinePoint* points);

    // Fits the points (already prepared by CheckPoints) and fills out[4096].
    // Points outside 0..255 are tolerated: every write stays inside the table
    // and every value inside 0..4095. Returns false, leaving out untouched,
    // for fewer than 2 points or x values that do not strictly increase.
    bool FillTable(int n, const SplinePoint* points, uint16_t* out);

    // Computes the second derivatives and interval coefficients of the natural
    // cubic spline through (x[i], y[i]), i = 0..n-1. Any number of points from
    // 2 up is accepted. False (and nothing to evaluate) for fewer than 2
    // points or x values that do not strictly increase. The tension only
    // affects Evaluate; every caller passes 0.
    bool Solve(int n, const double* x, const double* y, double tension);

    // The spline at t. Outside the solved range the first or last interval's
    // cubic is extended; 0 when nothing has been solved.
    double Evaluate(double t, double tension) const;

    // Evaluate for t values that never decrease (a table filled from its
    // start): keeps the interval of the last call instead of searching for
    // it. Gives Evaluate's values exactly.
    class Sweep {
    public:
        explicit Sweep(const CSpline& spline) : m_spline(spline) {}
        double At(double t);

    private:
        const CSpline& m_spline;
        size_t m_k = 0;
    };

    // The value map of the 8-bit scale: trunc(v * 4095 / 255 + 0.5).
    static int64_t MapByte(int32_t v);

private:
    double EvaluateInterval(size_t k, double t, double tension) const;

    // Point values and per-interval coefficients, indexed from 0.
    std::vector<double> m_x;
    std::vector<double> m_y;
    std::vector<double> m_m;  // second derivatives
    std::vector<double> m_a;  // cubic term weighted by w^3 (left end)
    std::vector<double> m_b;  // linear term weighted by u (right end)
    std::vector<double> m_c;  // linear term weighted by w (left end)
    std::vector<double> m_d;  // cubic term weighted by u^3 (right end)
};

// Constrained cubic spline through integer-x points.
class CConstrainedCurve {
public:
    struct Point {
        int32_t x;
        double y;
    };

    // Empties the point list / releases its storage.
    void Init();
    void Free();

    // Replaces y of the point with this x, or appends a new point.
    void AddPoint(int32_t x, double y);

    // Sorts the points by x and fills out[x] for every integer x from the
    // first to the last point's x. Only entries 0..count-1 are written; x
    // values outside the table are skipped. Fewer than 2 points: nothing.
    void Build(double* out, size_t count);

    const std::vector<Point>& Points() const { return m_points; }

private:
    std::vector<Point> m_points;
};
