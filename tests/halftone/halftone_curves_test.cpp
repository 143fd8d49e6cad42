#include <gtest/gtest.h>

#include <vector>

#include "halftone/halftone.h"
#include "base/spline.h"
#include "halftone_test_support.h"

namespace {

class CurvesTest : public ::testing::Test {
protected:
    CurvesTest() : job(nullptr, 1, &log), halftone(&job) {}

    // The percentage that built table c, read back from its last entry.
    double Percent(int c) const { return halftone.m_apLinTable[c][4095] * 100.0 / 4095.0; }
    std::vector<int> Percents() const {
        std::vector<int> out;
        for (int c = 0; c < 8; ++c) out.push_back(static_cast<int>(Percent(c) + 0.5));
        return out;
    }

    httest::JobLog log;
    CVarnPrn job;
    CHalftone halftone;
};

}  // namespace

TEST_F(CurvesTest, TablesScaleByTheirPercentageCappedAtFull) {
    const double p[3] = {50, 150, -5};
    ASSERT_TRUE(halftone.BuildLinCurves(p, 3));
    EXPECT_EQ(halftone.m_apLinTable[0][1], 1);     // trunc(0.5 + 0.5)
    EXPECT_EQ(halftone.m_apLinTable[0][4095], 2048);
    for (int i : {0, 1, 2047, 4095}) EXPECT_EQ(halftone.m_apLinTable[1][i], i);  // 150 % builds 100 %
    EXPECT_EQ(halftone.m_apLinTable[2][4095], 0);  // no ink
    // Tables the build does not name exist and print nothing.
    for (int c = 3; c < 8; ++c) {
        ASSERT_NE(halftone.m_apLinTable[c], nullptr);
        EXPECT_EQ(halftone.m_apLinTable[c][4095], 0);
    }
    EXPECT_EQ(halftone.m_apLinTable[8], nullptr);

    EXPECT_FALSE(halftone.BuildLinCurves(p, 0));
    EXPECT_FALSE(halftone.BuildLinCurves(p, 17));
    EXPECT_EQ(halftone.m_apLinTable[0][4095], 2048);  // a refused build leaves the tables
}

TEST_F(CurvesTest, PreLinearisationByDropVolume) {
    job.m_iResolutionX = 720;
    job.m_iResolutionY = 720;
    job.m_iDotSize = 1;  // 14 pl at 720 x 720
    const double p[2] = {100, 50};
    halftone.InitLinCurve(&job, p, 2);
    EXPECT_TRUE(log.Has(LOG_WARNING, "CHalftone::InitLinCurve J-TECK J-NEXT MaxPicoliter=14.000000"));
    EXPECT_TRUE(log.Has(LOG_WARNING, "CHalftone::InitLinCurve Pre-linearization at ~78%"));
    EXPECT_EQ(Percents(), (std::vector<int>{78, 39, 0, 0, 0, 0, 0, 0}));

    // 19.5 pl at 360 x 360 dpi cover 225 %: the tables stay at their percentages.
    job.m_iResolutionX = 360;
    job.m_iResolutionY = 360;
    job.m_iDotSize = 3;
    halftone.InitLinCurve(&job, p, 2);
    EXPECT_TRUE(log.Has(LOG_WARNING, "CHalftone::InitLinCurve NOT ENOUGH: ~44% of maximum physical ink coverage"));
    EXPECT_EQ(Percents()[0], 100);

    // A job without a resolution builds the percentages as they are.
    job.m_iResolutionX = 0;
    halftone.InitLinCurve(&job, p, 2);
    EXPECT_EQ(Percents()[1], 50);
}

TEST_F(CurvesTest, WhiteLevelScalesTheWhiteTablesWithinItsBounds) {
    struct Case {
        int32_t level;
        int32_t routine;
        std::vector<int> percents;
    };
    const Case cases[] = {
        {50, 103, {80, 80, 80, 80, 80, 80, 40, 40}},
        {50, 51, {80, 80, 80, 80, 40, 40, 40, 40}},
        {5, 103, {80, 80, 80, 80, 80, 80, 80, 80}},   // below 8 counts as 100
        {9, 103, {80, 80, 80, 80, 80, 80, 8, 8}},     // 8 to 10 counts as 10
        {300, 103, {80, 80, 80, 80, 80, 80, 100, 100}},  // 200 % of 80, capped
    };
    for (const Case& t : cases) {
        halftone.InitLinCurvePercent(80, t.level, t.routine);
        EXPECT_EQ(Percents(), t.percents) << t.level << " " << t.routine;
    }
}

TEST_F(CurvesTest, ModelChoosesItsCurves) {
    job.m_iResolutionX = 720;
    job.m_iResolutionY = 2400;
    job.m_iWhiteLevel = 100;
    job.m_iPrinterModell = 673;
    halftone.SelectLinCurve(&job, 103);
    EXPECT_EQ(halftone.m_apLinTable[0][4095], 2559);  // 62.5 % at 2400 dpi
    halftone.SelectLinCurve(&job, 51);
    EXPECT_EQ(Percents()[0], 100);

    job.m_iPrinterModell = 700;
    job.m_iResolutionX = 1440;
    job.m_iResolutionY = 1440;
    job.m_iDotSize = 0;
    job.m_iOutputColorMode = 7;
    halftone.SelectLinCurve(&job, 103);
    EXPECT_EQ(Percents(), std::vector<int>(8, 40));

    job.m_iPrinterModell = 677;
    job.m_iInkType = 526;
    job.m_iResolutionX = 360;
    job.m_iResolutionY = 360;
    halftone.SelectLinCurve(&job, 103);
    EXPECT_EQ(Percents(), (std::vector<int>{30, 30, 50, 50, 30, 30, 50, 50}));  // 19.5 pl reach full coverage

    job.m_iPrinterModell = 7000;
    halftone.SelectLinCurve(&job, 103);
    EXPECT_EQ(Percents(), std::vector<int>(8, 100));
}

TEST_F(CurvesTest, ExtraChannelMapFollowsBlackThroughTheWhiteCorrection) {
    for (int i = 0; i < 256; ++i) halftone.m_aInputMap[3][i] = static_cast<uint16_t>(i * 10);
    halftone.InitChannelMaps(&job);
    EXPECT_EQ(halftone.m_aInputMap[18][77], 770);

    job.m_VisualCorrection.Allocate();
    for (int i = 0; i < 256; ++i) job.m_VisualCorrection.Map(7)[i] = static_cast<uint8_t>(255 - i);
    job.m_VisualCorrection.loaded = 1;
    job.m_bVisualCorrectionLoaded = true;
    halftone.InitChannelMaps(&job);
    EXPECT_EQ(halftone.m_aInputMap[18][0], 2550);
    EXPECT_EQ(halftone.m_aInputMap[18][255], 0);
}

TEST_F(CurvesTest, WhiteCorrectionMapsAndTheirMessages) {
    for (int i = 0; i < 256; ++i) halftone.m_aInputMap[3][i] = static_cast<uint16_t>(i * 10);
    halftone.InitVCCWhiteMimaki(&job, 1, false);
    EXPECT_EQ(halftone.m_aInputMap[19][100], 1000);
    EXPECT_TRUE(log.Has(LOG_WARNING, "CHalftone::InitVCCWhiteMimaki has no VCC (Linearized)"));
    halftone.InitVCCWhiteMimaki(&job, 0, true);
    EXPECT_EQ(halftone.m_aInputMap[18][255], 4095);
    EXPECT_EQ(halftone.m_aInputMap[18][1], 16);
    EXPECT_TRUE(log.Has(LOG_WARNING, "CHalftone::InitVCCWhiteMimaki has no VCC (Flood)"));

    job.m_VisualCorrection.Allocate();
    job.m_VisualCorrection.SetIdentity(7);
    job.m_VisualCorrection.loaded = 1;
    job.m_bVisualCorrectionLoaded = true;
    halftone.InitVCCWhiteMimaki(&job, 0, false);
    EXPECT_TRUE(log.Has(LOG_WARNING, "CHalftone::InitVCCWhiteMimaki has VCC but white is neutral"));
    job.m_VisualCorrection.Curve(7)[10] = 7;
    halftone.InitVCCWhiteMimaki(&job, 2, false);
    EXPECT_EQ(halftone.m_aInputMap[20][10], 7);
    EXPECT_TRUE(log.Has(LOG_WARNING, "CHalftone::InitVCCWhiteMimaki has white VCC"));

    halftone.InitVCCWhiteMimaki(&job, 8, false);  // map 26 does not exist
    EXPECT_TRUE(log.Has(LOG_ERROR, "CHalftone::InitVCCWhiteMimaki: no input map 26"));
}
