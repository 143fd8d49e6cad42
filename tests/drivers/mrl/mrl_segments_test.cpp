#include "drivers/mrl/mrl_segments.h"

#include <gtest/gtest.h>

#include "job/varn_prn.h"

namespace {

TEST(JobOptionValue, KeepsRoundedValuesInRangeAndMarksMissingOnes) {
    const std::vector<double> heaters = {45.4, 19.4, 19.6, -1.0, 60.0, 50.4, -1.4};
    EXPECT_EQ(GetJobOptionValue(heaters, 0, 60), 45);
    EXPECT_EQ(GetJobOptionValue(heaters, 1, 60), 0);     // 19 is below 20
    EXPECT_EQ(GetJobOptionValue(heaters, 2, 60), 20);    // rounds up into range
    EXPECT_EQ(GetJobOptionValue(heaters, 3, 60), 0xFF);  // the printer's own setting
    EXPECT_EQ(GetJobOptionValue(heaters, 4, 50), 0);     // above the maximum
    EXPECT_EQ(GetJobOptionValue(heaters, 5, 50), 50);
    EXPECT_EQ(GetJobOptionValue(heaters, 6, 50), 0xFF);  // -1.4 rounds to -1
    EXPECT_EQ(GetJobOptionValue(heaters, 7, 50), 0xFF);  // no such heater
    EXPECT_EQ(GetJobOptionValue({}, 0, 50), 0xFF);
}

TEST(ParameterCodes, StayInTheirFieldsAtTheEdges) {
    EXPECT_EQ(MRL_DryerTimeCode(-1), -1);
    EXPECT_EQ(MRL_DryerTimeCode(17), 999);         // 1020 s, capped
    EXPECT_EQ(MRL_DryerTimeCode(INT32_MAX), 999);  // no overflow on the way
    EXPECT_EQ(MRL_VacuumCode(0), 0xFF);
    EXPECT_EQ(MRL_MediaTypeCode(20), 0xFF);

    EXPECT_EQ(MRL_TenthsCode(12.5, 0, 199), 125);
    EXPECT_EQ(MRL_TenthsCode(-0.05, 0, 199), 0);  // truncates toward zero
    EXPECT_EQ(MRL_TenthsCode(19.99, 0, 199), 199);
    EXPECT_EQ(MRL_TenthsCode(25.0, 0, 199), 0xFF);
    EXPECT_EQ(MRL_TenthsCode(-3.0, 0, 199), 0xFF);
    EXPECT_EQ(MRL_TenthsCode(6553.7, 0, 199), 0xFF);  // 65537 tenths must not wrap to 1
}

TEST(FeedCorrectionSegment, IsEmptyAtFactorOneAndLimitedTo255) {
    CVarnPrn job(nullptr, 1, nullptr);
    job.m_dPaperFeedAdjust = 1.0;
    EXPECT_TRUE(MRL_QA_Segment(&job).empty());
    EXPECT_TRUE(MRL_QA_Segment(nullptr).empty());

    job.m_dPaperFeedAdjust = 1.00005;  // rounds half away from zero to 1
    EXPECT_EQ(MRL_QA_Segment(&job), (Bytes{'Q', 'A', 3, 0, 1, 0}));
    job.m_dPaperFeedAdjust = 0.97;  // -300, sent as its limit
    EXPECT_EQ(MRL_QA_Segment(&job), (Bytes{'Q', 'A', 3, 1, 0xFF, 0}));
}

}  // namespace

namespace {

TEST(JobCommands, FeedAdjustBecomesMaOnlyWhenItCorrectsSomething) {
    CVarnPrn job(nullptr, 1, nullptr);
    job.m_dPaperFeedAdjust = 1.0;
    EXPECT_TRUE(MRL_MA_FromJob(&job).empty());
    job.m_dPaperFeedAdjust = 1.0012;
    EXPECT_EQ(MRL_MA_FromJob(&job), MRL_MA(12));
    job.m_dPaperFeedAdjust = 0.9995;
    EXPECT_EQ(MRL_MA_FromJob(&job), MRL_MA(-5));
    EXPECT_TRUE(MRL_MA_FromJob(nullptr).empty());
}

TEST(JobCommands, WhiteInkSoOnlyForWhitePrintingClass17Models) {
    CVarnPrn job(nullptr, 1, nullptr);
    job.m_iPrinterModell = 693;  // ink-set class 17
    job.m_iWhiteMode = 1;        // code 420
    job.m_iWhiteLevel = 2;
    job.m_iWhiteOrder = 1;
    EXPECT_EQ(MRL_SO_ForWhiteInk(&job), MRL_SO(1, 2, 1));
    job.m_iWhiteLevel = 5;  // out of range: the printer's own setting
    job.m_iWhiteOrder = -1;
    EXPECT_EQ(MRL_SO_ForWhiteInk(&job), MRL_SO(1, 0xFF, 0xFF));
    job.m_iWhiteMode = 3;  // no white: code 422
    EXPECT_TRUE(MRL_SO_ForWhiteInk(&job).empty());
    job.m_iWhiteMode = 1;
    job.m_iPrinterModell = 700;  // not class 17
    EXPECT_TRUE(MRL_SO_ForWhiteInk(&job).empty());
}

}  // namespace

namespace {

TEST(ParameterCodes, NewerMappersFollowTheirRanges) {
    EXPECT_EQ(MRL_DryerTimeCode(0), 0);
    EXPECT_EQ(MRL_DryerTimeCodeInRange(4, 5, 600), -1);  // below the minimum
    EXPECT_EQ(MRL_DryerTimeCodeInRange(5, 5, 600), 300);
    EXPECT_EQ(MRL_DryerTimeCodeInRange(11, 5, 600), 600);  // capped
    EXPECT_EQ(GetJobOptionValueInRange({15.0, 14.4, 71.0}, 0, 15, 70), 15);
    EXPECT_EQ(GetJobOptionValueInRange({15.0, 14.4, 71.0}, 1, 15, 70), 0);
    EXPECT_EQ(GetJobOptionValueInRange({15.0, 14.4, 71.0}, 2, 15, 70), 0);
    EXPECT_EQ(MRL_TenthsCode(2.5, 0, 50), 25);
    EXPECT_EQ(MRL_TenthsCode(5.1, 0, 50), 0xFF);
    EXPECT_EQ(ClampToByte(-1), 0);
    EXPECT_EQ(ClampToByte(254), 254);
    EXPECT_EQ(ClampToByte(1000), 255);
    EXPECT_EQ(MRL_FeedCorrection(1.5, 9999), 5000);
    EXPECT_EQ(MRL_FeedCorrection(0.0, 9999), -9999);
    EXPECT_EQ(MRL_FeedCorrection(1.00005, 255), 1);  // half away from zero
}

TEST(DotModeCode, SwitchesAtTheResolutionBoundaries) {
    struct Case {
        int64_t P;
        int dotSize, halftoneMode, code;
    };
    const Case cases[] = {
        {486000, 1, 0, 16},  {486001, 1, 0, 17},  {1036800, 1, 0, 17}, {1036801, 1, 0, 18},
        {777600, 2, 0, 1},   {777601, 2, 0, 18},  {360 * 360, 3, 0, 16}, {1440 * 1440, 4, 0, 17},
        {360 * 360, 5, 0, 18}, {1036800, 7, 0, 1}, {1036801, 7, 0, 18},
        {720 * 1440, 5, 6, 17},  // matrix screening follows dot size 1
        {360 * 360, 2, 6, 16},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(MRL_DotModeCode(c.P, c.dotSize, c.halftoneMode), c.code)
            << c.P << " dots, size " << c.dotSize << ", mode " << c.halftoneMode;
    }
}

TEST(ColorCodeInkMap, NamesBuiltInCodesOverridesAndUnknownCodesInHex) {
    const ColorCodeName overrides[] = {{0x30, "W"}, {5, ""}, {1, "Mg"}, {0, nullptr}};
    ColorCodeInkMap map = MakeColorCodeInkMap(overrides);
    EXPECT_EQ(GetColorCodeName(map, 0x26), "k");
    EXPECT_EQ(GetColorCodeName(map, 0x3A), "3A");
    EXPECT_EQ(GetColorCodeName(map, 0x30), "W");
    EXPECT_EQ(GetColorCodeName(map, 5), "5");  // removed
    EXPECT_EQ(GetColorCodeName(map, 1), "Mg");
    SetColorCodeName(map, 0x30, nullptr);
    EXPECT_EQ(GetColorCodeName(map, 0x30), "30");
    EXPECT_EQ(MakeColorCodeInkMap(nullptr).size(), 8u);
}

TEST(PageSegments, PatternAndWideFeedCorrectionFollowTheJob) {
    CVarnPrn job(nullptr, 1, nullptr);
    EXPECT_TRUE(MRL_QZ_FromJob(&job).empty());
    job.m_bPatternPrinting = true;
    job.m_iPatternEdge = 2;
    job.m_iPatternScale = 4;
    EXPECT_EQ(MRL_QZ_FromJob(&job), (Bytes{'Q', 'Z', 5, 1, 2, 4, 15, 0}));
    job.m_iPatternEdge = 3;
    job.m_iPatternScale = 7;
    EXPECT_EQ(MRL_QZ_FromJob(&job), (Bytes{'Q', 'Z', 5, 1, 0, 0, 15, 0}));
    job.m_iPatternEdge = -1;  // out of range as an unsigned value too
    EXPECT_EQ(MRL_QZ_FromJob(&job), (Bytes{'Q', 'Z', 5, 1, 0, 0, 15, 0}));

    job.m_dPaperFeedAdjust = 1.0;
    EXPECT_TRUE(MRL_QA_FeedAdjust(&job).empty());
    job.m_dPaperFeedAdjust = 0.9;  // -1000: over the narrow limit, within the wide one
    EXPECT_EQ(MRL_QA_FeedAdjust(&job), (Bytes{'Q', 'A', 3, 1, 0xE8, 0x03}));
    EXPECT_EQ(MRL_QA_Segment(&job), (Bytes{'Q', 'A', 3, 1, 0xFF, 0x00}));
    job.m_dPaperFeedAdjust = 3.0;
    EXPECT_EQ(MRL_QA_FeedAdjust(&job), (Bytes{'Q', 'A', 3, 0, 0x0F, 0x27}));  // 9999
}

}  // namespace
