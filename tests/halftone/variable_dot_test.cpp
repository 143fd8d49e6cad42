#include "halftone/variable_dot.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <string>

#include "base/text_error.h"

namespace {

using Curve = PlanarChannel_VDS_Parameters::Curve;

std::string ThrownText(const std::function<void()>& build) {
    try {
        build();
    } catch (const TextError& e) {
        return e.what();
    }
    return "(nothing thrown)";
}

bool Monotone(const uint16_t* c, int n) {
    for (int x = 1; x < n; ++x) {
        if (c[x] < c[x - 1]) return false;
    }
    return true;
}

bool AllZero(const Curve& c) {
    return std::all_of(c.begin(), c.end(), [](uint16_t v) { return v == 0; });
}

}  // namespace

TEST(VariableDotCurves, StraightPartOfTheFirstCurveFollowsTheSmallestDot) {
    // 7.6 / 26.1 with 40 %: B = 715, four steps of 178, straight points up to 712.
    const double d0 = 7.6 / 26.1;
    CBuildDotLut lut(12);
    lut.SetDotValues({d0, 16.4 / 26.1, 1.0});
    lut.SetTransitions({40, 40});
    ASSERT_TRUE(lut.CalcDotLut());
    ASSERT_GE(lut.Knees().size(), 1u);
    EXPECT_EQ(lut.Knees()[0], 712u);
    std::vector<const uint16_t*> curves;
    ASSERT_TRUE(lut.GetCurves(curves));
    ASSERT_EQ(curves.size(), 3u);
    // The curve passes through (x, x / d0) at each straight point; below 712
    // the straight-part correction adds x - curve * d0 (a fraction here).
    for (int x : {178, 356, 534}) {
        const double through = std::trunc(x / d0 + 0.5);
        EXPECT_EQ(curves[0][x], static_cast<uint16_t>(std::trunc(through + x - through * d0))) << x;
    }
    EXPECT_EQ(curves[0][712], static_cast<uint16_t>(std::trunc(712 / d0 + 0.5)));
    // The three sizes together lay down the ink asked for: curve 1 counts
    // the large-or-medium share, curve 0 - curve 1 the small ones.
    for (int x = 0; x < 4096; x += 5) {
        const double covered = (curves[0][x] - curves[1][x]) * d0 + (curves[1][x] - curves[2][x]) * (16.4 / 26.1) +
                               curves[2][x];
        EXPECT_NEAR(covered, x, 0.02 * 4095) << x;
    }
}

TEST(VariableDotCurves, TwoDotSetGivesASaturatingFirstCurveAndTheRestToTheTop) {
    const VdsDotSetDescriptor wf1{"WF1 2dots - 8.6pl, 18.0pl", {8.6f, 18.0f}, {40}};
    PlanarChannel_VDS_Parameters p(wf1);
    const double d0 = static_cast<double>(8.6f) / static_cast<double>(18.0f);

    const Curve& c0 = p.levelCurves[0];
    EXPECT_TRUE(Monotone(c0.data(), 4096));
    const auto knee = std::find(c0.begin(), c0.end(), 4095);
    ASSERT_NE(knee, c0.end());
    EXPECT_TRUE(std::all_of(knee, c0.end(), [](uint16_t v) { return v == 4095; }));
    EXPECT_NEAR(c0[300], 300 / d0, 2.0);  // rises as x / d0

    // The top curve: 0 before its start, then what the small dots leave over.
    CBuildDotLut lut(12);
    lut.SetDotValues({d0, 1.0});
    lut.SetTransitions({40});
    ASSERT_TRUE(lut.CalcDotLut());
    int start = static_cast<int>(lut.Knees()[0]);
    for (int x = 0; x < 4096; ++x) {
        if (x - c0[x] * d0 < -3) {
            start = x;
            break;
        }
    }
    const Curve& top = p.levelCurves[1];
    for (int x = 0; x < 4096; ++x) {
        const double v = (x - c0[x] * d0) / (1 - d0);
        const int expected = x < start || v < 0 ? 0 : static_cast<int>(std::trunc(v + 0.5));
        ASSERT_EQ(top[x], expected) << x;
    }
    EXPECT_EQ(top[4095], 4095);
    for (int k = 2; k < kVdsCurveCount; ++k) EXPECT_TRUE(AllZero(p.levelCurves[k])) << k;
}

TEST(VariableDotCurves, BadDotSetsThrowTheirTexts) {
    EXPECT_EQ(ThrownText([] { PlanarChannel_VDS_Parameters p(VdsDotSetDescriptor{"x", {0.0f, 18.0f}, {40}}); }),
              "PlanarChannel_VDS_Parameters: vecDotVal.size() < 2");
    EXPECT_EQ(ThrownText([] { PlanarChannel_VDS_Parameters p(VdsDotSetDescriptor{"x", {7, 16, 26}, {40}}); }),
              "PlanarChannel_VDS_Parameters: vecTransition.size() + 1  != vecDotVal.size()");
    // Sizes that do not grow have no curves; nor has a first knee on the end point.
    EXPECT_EQ(ThrownText([] { PlanarChannel_VDS_Parameters p(VdsDotSetDescriptor{"x", {7, 10}, {40}}); }),
              "PlanarChannel_VDS_Parameters: CBuildDotLut::CalcDotLut() failed");
    EXPECT_EQ(ThrownText([] { PlanarChannel_VDS_Parameters p(VdsDotSetDescriptor{"x", {18, 8.6f}, {40}}); }),
              "PlanarChannel_VDS_Parameters: CBuildDotLut::CalcDotLut() failed");
}

// Knees from the straight parts (B = d (1 - T / 100) M cut into steps of at
// most 204; the second curve's knee is its B), curves that fill up to 4095 and
// together lay down the ink asked for; a smallest dot above 70 % of the
// largest puts the first knee point halfway between it and the end.
TEST(VariableDotCurves, DotSetsGiveTheirKneesAndCoverTheInput) {
    struct Case {
        std::vector<double> dots, transitions;
        std::vector<uint32_t> knees;
    };
    for (const Case& c : {Case{{0.2, 0.4, 0.7, 1.0}, {40, 40, 40}, {489, 982, 1718}},
                          Case{{0.75, 1.0}, {40}, {1840}}}) {
        const size_t n = c.dots.size();
        CBuildDotLut lut(12);
        lut.SetDotValues(c.dots);
        lut.SetTransitions(c.transitions);
        ASSERT_TRUE(lut.CalcDotLut()) << n;
        EXPECT_EQ(lut.Knees(), c.knees);
        std::vector<const uint16_t*> curves;
        ASSERT_TRUE(lut.GetCurves(curves));
        ASSERT_EQ(curves.size(), n);
        const double d0 = c.dots[0];
        EXPECT_EQ(curves[0][c.knees[0]], static_cast<uint16_t>(std::trunc(c.knees[0] / d0 + 0.5)));
        // Coverage of the curves 0..j at x: each size's share times its dot.
        const auto coverage = [&](size_t j, int x) {
            double sum = curves[j][x] * c.dots[j];
            for (size_t k = 0; k < j; ++k) sum += (curves[k][x] - curves[k + 1][x]) * c.dots[k];
            return sum;
        };
        EXPECT_TRUE(Monotone(curves[0], 4096));
        for (size_t k = 0; k < n; ++k) EXPECT_EQ(curves[k][4095], 4095) << k;
        for (int x = 0; x < 4096; x += 5) EXPECT_NEAR(coverage(n - 1, x), x, 0.02 * 4095) << n << ", " << x;
        if (n < 4) continue;
        // A middle curve's corrected straight part: the curves up to it fall
        // short of x by less than its dot's step over the one below.
        for (int x = int(c.knees[1]); x < int(c.knees[2]); ++x) {
            EXPECT_LT(x - coverage(2, x), c.dots[2] - c.dots[1] + 1e-9) << x;
        }
        // The top curve of four or more: what the others leave, from the
        // first x at which the curve below it overshoots by more than 2.
        int start = static_cast<int>(c.knees[n - 2]);
        for (int x = 0; x < 4096; ++x) {
            if (x - curves[n - 2][x] * c.dots[n - 2] < -2) {
                start = x;
                break;
            }
        }
        for (int x = 0; x < 4096; ++x) {
            const double v = (x - coverage(n - 2, x)) / (1 - c.dots[n - 2]);
            ASSERT_EQ(curves[n - 1][x], x < start || v < 0 ? 0 : static_cast<int>(std::trunc(v + 0.5))) << x;
        }
    }
}

TEST(VariableDotParameters, WaveformFillsOneCurvePerUsedBlock) {
    const VdsWaveformRecord waveform5{
        "Waveform 5 2 dots - 4.7pl   8.3pl",
        {4.7f, 8.3f},
        {{{0, 0}, {12, 22}, {25, 44}, {37, 65}, {49, 87}, {62, 109}, {74, 131}, {86, 152}, {246, 255}, {255, 255}},
         {{0, 0}, {87, 0}, {100, 3}, {125, 21}, {151, 51}, {177, 92}, {203, 141}, {229, 196}, {242, 225}, {255, 255}}}};
    const VdsDotCodes codes{2};
    auto p = PlanarChannel_VDS_Parameters::CreateFromWaveform(waveform5, &codes);
    EXPECT_EQ(p->levelCurves[0][0], 0);
    EXPECT_EQ(p->levelCurves[0][86 * 4095 / 255], 152 * 4095 / 255 + 1);  // through its points
    EXPECT_EQ(p->levelCurves[0][4095], 4095);
    EXPECT_EQ(p->levelCurves[1][1000], 0);  // flat up to (87, 0)
    EXPECT_EQ(p->levelCurves[1][4095], 4095);
    for (int k = 2; k < kVdsCurveCount; ++k) EXPECT_TRUE(AllZero(p->levelCurves[k])) << k;
    EXPECT_EQ(p->dotCodes[0], 2);
    EXPECT_EQ(p->dotCodes[1], 0);
}

TEST(VariableDotParameters, DefaultHoldsOnlyTheCodes) {
    auto p = PlanarChannel_VDS_Parameters::CreateDefault();
    for (int k = 0; k < kVdsCurveCount; ++k) {
        EXPECT_EQ(p->dotCodes[k], k + 1);
        EXPECT_TRUE(AllZero(p->levelCurves[k]));
    }
    const VdsDotCodes white{1};
    EXPECT_EQ(PlanarChannel_VDS_Parameters::CreateDefault(&white)->dotCodes, white);
}

TEST(VariableDotParameters, PointListsUpTo260PointsAreFitted) {
    std::array<std::vector<int32_t>, 3> x, y;
    for (int i = 0; i < 260; ++i) {
        x[0].push_back(i * 255 / 259);
        y[0].push_back(i * 255 / 259);
    }
    x[0].erase(std::unique(x[0].begin(), x[0].end()), x[0].end());  // x must grow
    y[0].resize(x[0].size());
    for (size_t i = 0; i < x[0].size(); ++i) y[0][i] = x[0][i];
    auto p = PlanarChannel_VDS_Parameters::CreateFromPoints(x, y);
    EXPECT_EQ(p->levelCurves[0][2048], 2048);
    EXPECT_TRUE(AllZero(p->levelCurves[1]));

    std::array<std::vector<int32_t>, 3> many, few;
    many[1].assign(261, 0);
    few[1].assign(261, 0);
    EXPECT_EQ(ThrownText([&] { PlanarChannel_VDS_Parameters::CreateFromPoints(many, few); }),
              "PlanarChannel_VDS_Parameters: xPos[c].size() > 260");
    many[2].assign(3, 0);
    few[2].assign(2, 0);
    many[1].clear();
    EXPECT_EQ(ThrownText([&] { PlanarChannel_VDS_Parameters::CreateFromPoints(many, few); }),
              "PlanarChannel_VDS_Parameters: yPos[c].size() < xPos[c].size()");

    std::array<std::vector<int32_t>, 3> full;
    for (int i = 0; i < 260; ++i) full[2].push_back(i);  // 260 points pass the limit
    EXPECT_NO_THROW(PlanarChannel_VDS_Parameters::CreateFromPoints(full, full));
}

TEST(VariableDotSpline, FillerTakesThePointsOverAndRefusesPointsOffTheGrid) {
    std::vector<uint16_t> curve(4096, 7);
    std::vector<SplinePoint> points{{0, 0}, {4095, 4095}};
    EXPECT_TRUE(CSplineDot().FillTable12(points, curve.data()));
    EXPECT_TRUE(points.empty());
    EXPECT_EQ(curve[1234], 1234);
    points = {{0, 0}, {4096, 4095}};
    EXPECT_FALSE(CSplineDot().FillTable12(points, curve.data()));
    EXPECT_TRUE(points.empty());
    EXPECT_EQ(curve[1234], 1234);  // untouched
    std::vector<uint16_t> wide(65536);
    points = {{0, 0}, {65535, 65535}};
    EXPECT_TRUE(CSplineDot().FillTable16(points, wide.data()));
    EXPECT_EQ(wide[40000], 40000);
}
