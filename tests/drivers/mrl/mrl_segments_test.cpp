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
