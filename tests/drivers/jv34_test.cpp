// The JV34/TS34 line's page and line steps: print modes from the model's
// table, the 13-byte "QP", the scan-dry code and the refusals.
#include "drivers/jv34.h"

#include <gtest/gtest.h>

#include "drivers/family_test_support.h"
#include "drivers/jv33.h"

namespace {

const std::string kJv34Job = FamilyJobTicket(7077, 540, 720, 2, 5472041);

class JV34Test : public FamilyTest {
protected:
    CVarnPrn& Open(const std::string& extra = "") {
        writer = CapturingWriter();
        return OpenTicket(kJv34Job + extra);
    }
};

TEST(JV34DotMode, IsVariableUnlessTheFixedDotSizeIsChosen) {
    EXPECT_EQ(JV34_GetDotMode(720, 1080, 2, 0, 1), 1);
    EXPECT_EQ(JV34_GetDotMode(720, 1080, 1, 6, 1), 1);  // no screening rule here
    EXPECT_EQ(JV34_GetDotMode(720, 1080, 3, 0, 1), 16);
    EXPECT_EQ(JV34_GetDotMode(720, 720, 3, 0, 1), 17);
    EXPECT_EQ(JV34_GetDotMode(1440, 1440, 3, 0, 100), 18);
}

TEST_F(JV34Test, HalftonerDotsComeFromTheDotSizeTable) {
    Open(ExampleLinearisation() + "Output/Prn/Printer/ResolutionX = 720.0\nOutput/Prn/Printer/ResolutionY = 1080.0\n");
    ASSERT_EQ(JV34_OpenJob(job.get()), 0);
    EXPECT_EQ(Last().tag, SPLTAG_JOB_HEADER);
    EXPECT_EQ(job->m_pfnOpenPage, &JV34_OpenPage);
    EXPECT_TRUE(log.Has(3000, "JV34_InitHalftone 4 channels"));
    EXPECT_EQ(job->m_pHalftone->HalftoneRoutine, 106);  // "Variable" at 720 x 1080 dpi
    EXPECT_EQ(job->m_pHalftone->m_iBitsPerPixel, 2);
    EXPECT_EQ(job->m_pHalftone->m_iDotMode, 1u);

    Open(ExampleLinearisation() +
         "Output/Prn/Printer/ResolutionX = 720.0\nOutput/Prn/Printer/ResolutionY = 1080.0\nOutput/Prn/Specific/DotSize = 3\n");
    ASSERT_EQ(JV34_OpenJob(job.get()), 0);
    EXPECT_EQ(job->m_pHalftone->HalftoneRoutine, 109);  // "Fixed dot"
    EXPECT_EQ(job->m_pHalftone->m_iBitsPerPixel, 1);
    EXPECT_EQ(job->m_pHalftone->m_iDotMode, 16u);

    // Screening is not a mode of this line: halftone mode 6 still diffuses.
    Open(ExampleLinearisation() + "Output/Prn/Specific/DotSize = 3\n");
    job->m_iHalftoneMode = 6;
    ASSERT_EQ(JV34_InitHalftone(job.get(), 16), 0);
    EXPECT_EQ(job->m_pHalftone->HalftoneRoutine, 109);
}

TEST_F(JV34Test, DotSizeMissingFromTheTableFailsTheJobStartWithAMessage) {
    Open(ExampleLinearisation() + "Output/Prn/Specific/DotSize = 7\n");
    EXPECT_EQ(JV34_OpenJob(job.get()), -2);
    EXPECT_EQ(ErrorMessage(), "JV34_InitHalftone: Dot size 7 not in table for printer 7077");
    EXPECT_TRUE(log.Has(0, "JV34_OpenJob JV34_InitHalftone return error code -2"));
    EXPECT_EQ(job->m_pHalftone, nullptr);
    EXPECT_EQ(JV34_OpenJob(nullptr), -1);
}

TEST_F(JV34Test, PageHeaderTakesPassesFromTheModelsPrintModeTable) {
    Open(R"(
Output/Prn/Specific/Dryer/TimePerScan = 12.5
Output/Prn/Specific/Dryer/Time = 1
Output/Prn/Specific/LogicalSeek = 1
Output/Prn/Media/Spec/VacuumPower = 5
Output/Prn/Specific/PrintDirection = 0
)");
    ASSERT_EQ(JV34_OpenPage(job.get()), 0);
    const std::vector<uint8_t> expected = {
        'Q', 'K', 7,  0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,                            //
        'Q', '@', 0,                                                                       //
        'Q', 'C', 11, 0xFF, 0,    125,  60,   0,    0xFF, 0,    0xFF, 0, 0xFF, 0,         // scan dry 12.5 s, 60 s
        'Q', 'P', 13, 1,    0xD0, 0x02, 0x1C, 0x02, 4,    1,    0,    1, 1,    0, 0, 0xFF};  // 540 x 720, 4 pass HS
    ASSERT_EQ(writer.records.size(), 1u);
    EXPECT_EQ(Last().tag, SPLTAG_PAGE_HEADER);
    EXPECT_EQ(Last().data, expected);
    EXPECT_EQ(job->m_pfnPrintLine, &JV34_WriteLine);
    EXPECT_EQ(job->m_pfnClosePage, &JV33_ClosePage);

    Open("Output/Prn/Specific/Dryer/TimePerScan = 25.0\n");
    ASSERT_EQ(JV34_OpenPage(job.get()), 0);
    EXPECT_EQ(Commands(Last()).at(2).Value("p2"), 0xFFu);
}

TEST_F(JV34Test, PrintModeMissingFromTheTableFailsThePageWithAMessage) {
    // 540 x 720 dpi at 4 passes exists for the four-colour 7077 only.
    Open("Output/Prn/Printer/Model = 7078\n");
    EXPECT_EQ(JV34_OpenPage(job.get()), -1);
    EXPECT_TRUE(writer.records.empty());
    EXPECT_EQ(ErrorMessage(), "JV34_OpenPage: Print mode 5472041 not in table for printer 7078");
    EXPECT_EQ(job->m_pDriver, nullptr);
    EXPECT_EQ(JV34_WriteLine(job.get()), -1);  // no line goes out without its header
    EXPECT_EQ(job->m_pfnClosePage, &JV33_ClosePage);
    EXPECT_EQ(JV33_ClosePage(job.get()), 0);
}

TEST_F(JV34Test, TablesFollowTheModel) {
    // 360 x 360 dpi exists only in the TS34 tables, 1440 x 720 only for the non-four-colour models.
    Open("Output/Prn/Printer/Model = 7079\nOutput/Prn/Specific/PrintQuality = 3636010\n");
    EXPECT_EQ(JV34_OpenPage(job.get()), 0);
    Open("Output/Prn/Printer/Model = 7080\nOutput/Prn/Specific/PrintQuality = 1472080\n");
    EXPECT_EQ(JV34_OpenPage(job.get()), 0);
    Open("Output/Prn/Printer/Model = 7077\nOutput/Prn/Specific/PrintQuality = 1472080\n");
    EXPECT_EQ(JV34_OpenPage(job.get()), -1);
}

}  // namespace
