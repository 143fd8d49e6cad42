// The JV300 variable-dot data: every curve set is a valid set of three
// level curves, the larger dots start later, and the "SB53" dot sets build.
#include "drivers/jv300/jv300_vds.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

// The first 12-bit input at which a curve leaves 0.
int Start(const PlanarChannel_VDS_Parameters::Curve& curve) {
    return int(std::find_if(curve.begin(), curve.end(), [](uint16_t v) { return v != 0; }) - curve.begin());
}

TEST(JV300VariableDots, CurveSetsRiseFromNoneToFullAndLargerDotsStartLater) {
    using Builder = std::unique_ptr<PlanarChannel_VDS_Parameters> (*)();
    for (Builder build : {JV300_VdsCurves_DotSize3, JV300_VdsCurves_DotSize4, JV300_VdsCurves_DotSize5,
                          JV300_VdsCurves_DotSize6, JV300_VdsCurves_2Dots}) {
        const auto p = build();
        ASSERT_TRUE(p);
        for (int k = 0; k < 3; ++k) {
            const auto& c = p->levelCurves[size_t(k)];
            EXPECT_EQ(c[0], 0) << k;
            EXPECT_EQ(c[4095], 4095) << k;
            EXPECT_LE(*std::max_element(c.begin(), c.end()), 4095) << k;
        }
        EXPECT_LT(Start(p->levelCurves[0]), Start(p->levelCurves[1]));
        EXPECT_LT(Start(p->levelCurves[1]), Start(p->levelCurves[2]));
        for (int k = 3; k < kVdsCurveCount; ++k) EXPECT_EQ(Start(p->levelCurves[size_t(k)]), 4096) << k;
    }
    // Each dot size has a set of its own.
    EXPECT_NE(JV300_VdsCurves_DotSize3()->levelCurves, JV300_VdsCurves_DotSize4()->levelCurves);
    EXPECT_NE(JV300_VdsCurves_DotSize5()->levelCurves, JV300_VdsCurves_DotSize6()->levelCurves);
}

TEST(JV300VariableDots, Sb53DotSetsBuildUnderTheirNames) {
    EXPECT_STREQ(JV300_Sb53DotSet(4).name, "SB53 WF4 - 7.8pl, 18.8pl, 36.6pl");
    EXPECT_STREQ(JV300_Sb53DotSet(9).name, "SB53 WF5 - 4.5pl, 8.1pl, 28.8pl");
    // Dot sizes 3 and 6: the same drops under two names.
    EXPECT_STRNE(JV300_Sb53DotSet(3).name, JV300_Sb53DotSet(6).name);
    EXPECT_TRUE(std::equal(std::begin(JV300_Sb53DotSet(3).dotVal), std::end(JV300_Sb53DotSet(3).dotVal),
                           std::begin(JV300_Sb53DotSet(6).dotVal)));
    for (int dotSize = 3; dotSize <= 6; ++dotSize) {
        const PlanarChannel_VDS_Parameters p(JV300_Sb53DotSet(dotSize));
        EXPECT_EQ(p.levelCurves[2][4095], 4095) << dotSize;
    }
}

}  // namespace
