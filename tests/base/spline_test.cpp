#include "base/spline.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <initializer_list>
#include <vector>

namespace {

using Table = std::array<uint16_t, 4096>;

// Runs the callers' sequence: check the points, then fill whatever it said.
Table FillFromPoints(std::vector<SplinePoint> points) {
    Table out{};
    CSpline spline;
    CSpline::CheckPoints(static_cast<int>(points.size()), points.data());
    EXPECT_TRUE(spline.FillTable(static_cast<int>(points.size()), points.data(), out.data()));
    return out;
}

int64_t Map(int v) { return CSpline::MapByte(v); }

// A constrained curve through the points (added in the given order), built
// into a table of size entries that starts at -1.
std::vector<double> Curve(std::initializer_list<CConstrainedCurve::Point> points, size_t size) {
    CConstrainedCurve curve;
    for (const auto& p : points) curve.AddPoint(p.x, p.y);
    std::vector<double> out(size, -1.0);
    curve.Build(out.data(), out.size());
    return out;
}

}  // namespace

TEST(SplineCheckPoints, InvertsValidPointsAndStopsAtTheFirstOutOfRange) {
    SplinePoint one[] = {{10, 20}};
    EXPECT_FALSE(CSpline::CheckPoints(1, one));
    EXPECT_EQ(one[0].y, 20);

    SplinePoint good[] = {{0, 0}, {128, 100}, {255, 255}};
    EXPECT_TRUE(CSpline::CheckPoints(3, good));
    EXPECT_EQ(good[1].y, 155);

    SplinePoint bad[] = {{0, 10}, {300, 20}, {255, 30}};
    EXPECT_FALSE(CSpline::CheckPoints(3, bad));
    EXPECT_EQ(bad[0].y, 245);
    EXPECT_EQ(bad[1].y, 20);
    EXPECT_EQ(bad[2].y, 30);
}

TEST(SplineFillTable, TwoEndPointsGiveTheIdentity) {
    const Table out = FillFromPoints({{0, 0}, {255, 255}});
    for (int t = 0; t < 4096; ++t) ASSERT_EQ(out[t], t) << t;
}

TEST(SplineFillTable, HoldsTheEndValuesOutsideThePoints) {
    const Table out = FillFromPoints({{51, 40}, {200, 180}});
    for (int t = 0; t < 819; ++t) ASSERT_EQ(out[t], Map(40)) << t;
    for (int t = static_cast<int>(Map(200)); t < 4096; ++t) ASSERT_EQ(out[t], Map(180)) << t;
}

TEST(SplineFillTable, PassesThroughEveryPointOnTheTwelveBitScale) {
    const std::vector<SplinePoint> points = {{0, 0}, {40, 90}, {100, 150}, {170, 200}, {255, 255}};
    const Table out = FillFromPoints(points);
    for (const SplinePoint& p : points) EXPECT_EQ(out[Map(p.x)], Map(p.y)) << p.x;
    // A rising set of points stays rising between them (no wild oscillation).
    for (int t = 1; t < 4096; ++t) ASSERT_GE(out[t] + 2, out[t - 1]) << t;
}

TEST(SplineFillTable, OutOfRangePointsStayInsideTheTable) {
    // CheckPoints refuses these, and callers fill the table all the same.
    const Table out = FillFromPoints({{0, 0}, {128, 128}, {300, 400}});
    for (int t = 0; t < 4096; ++t) ASSERT_LE(out[t], 4095) << t;
    EXPECT_EQ(out[0], 0);
}

TEST(SplineFillTable, RefusesPointsThatDoNotIncrease) {
    Table out;
    out.fill(7);
    CSpline spline;
    const SplinePoint same[] = {{10, 0}, {10, 255}};
    EXPECT_FALSE(spline.FillTable(2, same, out.data()));
    const SplinePoint backwards[] = {{200, 0}, {100, 255}, {255, 0}};
    EXPECT_FALSE(spline.FillTable(3, backwards, out.data()));
    EXPECT_FALSE(spline.FillTable(1, same, out.data()));
    for (uint16_t v : out) ASSERT_EQ(v, 7);
}

TEST(SplineFillTable, AcceptsMoreThanAHundredPoints) {
    std::vector<SplinePoint> points;
    for (int x = 0; x <= 255; ++x) points.push_back({x, x});
    const Table out = FillFromPoints(points);
    for (int t = 0; t < 4096; ++t) ASSERT_NEAR(out[t], t, 1) << t;
}

TEST(SplineSolve, IsANaturalSplineWithContinuousSlopeAndCurvature) {
    const double x[] = {0, 300, 1000, 1800, 4095};
    const double y[] = {0, 900, 1500, 3300, 4095};
    CSpline spline;
    ASSERT_TRUE(spline.Solve(5, x, y, 0.0));
    const double e = 1e-3;
    const auto slope = [&](double t) { return (spline.Evaluate(t + e, 0) - spline.Evaluate(t - e, 0)) / (2 * e); };
    const auto curvature = [&](double t, double side) {
        const double a = t + side * e, b = t + side * 2 * e, c = t + side * 3 * e;
        return (spline.Evaluate(a, 0) - 2 * spline.Evaluate(b, 0) + spline.Evaluate(c, 0)) / (e * e);
    };
    for (int i = 0; i < 5; ++i) EXPECT_NEAR(spline.Evaluate(x[i], 0), y[i], 1e-9);
    for (int i = 1; i < 4; ++i) {
        EXPECT_NEAR(slope(x[i] - 10 * e), slope(x[i] + 10 * e), 1e-3) << i;
        EXPECT_NEAR(curvature(x[i], -1), curvature(x[i], 1), 1e-5) << i;
    }
    EXPECT_NEAR(curvature(x[0], 1), 0.0, 1e-5);
    EXPECT_NEAR(curvature(x[4], -1), 0.0, 1e-5);
}

TEST(SplineSweep, GivesEvaluatesValuesForRisingArgumentsIncludingBeyondTheEnds) {
    const double x[] = {10, 11, 40, 41.5, 300, 4000};
    const double y[] = {0, 900, 20, 3000, 100, 4095};
    CSpline spline;
    ASSERT_TRUE(spline.Solve(6, x, y, 0.0));
    CSpline::Sweep sweep(spline);
    for (double t = -5; t < 4100; t += 0.5) ASSERT_EQ(sweep.At(t), spline.Evaluate(t, 0.0)) << t;
}

TEST(ConstrainedCurve, AddingTheSameXTwiceKeepsTheLaterValue) {
    CConstrainedCurve curve;
    curve.AddPoint(100, 1.0);
    curve.AddPoint(200, 2.0);
    curve.AddPoint(100, 3.0);
    ASSERT_EQ(curve.Points().size(), 2u);
    EXPECT_EQ(curve.Points()[0].x, 100);
    EXPECT_EQ(curve.Points()[0].y, 3.0);
    curve.Init();
    EXPECT_TRUE(curve.Points().empty());
}

TEST(ConstrainedCurve, TwoPointsGiveAStraightLine) {
    const std::vector<double> out = Curve({{4095, 4095.0}, {0, 0.0}}, 4096);
    for (int x = 0; x < 4096; ++x) ASSERT_NEAR(out[x], x, 1e-6) << x;
}

TEST(ConstrainedCurve, SlopesFollowTheConstrainedRule) {
    // Interior slope: harmonic mean 2 / (20/10 + 10/10) = 2/3; end slopes
    // 1.5 * 1 - 1/3 = 7/6 and 1.5 * 0.5 - 1/3 = 5/12 (Hermite values below).
    const std::vector<double> out = Curve({{10, 10.0}, {0, 0.0}, {30, 20.0}}, 40);
    EXPECT_NEAR(out[0], 0.0, 1e-9);
    EXPECT_NEAR(out[5], 5.625, 1e-9);
    EXPECT_NEAR(out[10], 10.0, 1e-9);
    EXPECT_NEAR(out[20], 15.625, 1e-9);
    EXPECT_EQ(out[30], 20.0);
    EXPECT_EQ(out[31], -1.0);
}

TEST(ConstrainedCurve, ALocalMaximumIsFlatAndNotOvershot) {
    const std::vector<double> out = Curve({{0, 0.0}, {10, 10.0}, {20, 0.0}}, 21);
    // First interval: value 0 slope 1.5 at 0, value 10 slope 0 at 10.
    EXPECT_NEAR(out[5], 6.875, 1e-9);
    for (double v : out) EXPECT_LE(v, 10.0 + 1e-9);
    EXPECT_NEAR(out[9], out[11], 1e-9);
}

TEST(ConstrainedCurve, WritesOnlyInsideTheTable) {
    std::vector<double> out = Curve({{-100, -100.0}, {5000, 5000.0}}, 4096);
    for (int x = 0; x < 4096; ++x) ASSERT_NEAR(out[x], x, 1e-6) << x;

    CConstrainedCurve single;
    single.AddPoint(5, 1.0);
    single.Build(out.data(), out.size());
    EXPECT_NEAR(out[5], 5.0, 1e-6);
}
