// The JV3 line's job, page and line steps through their hooks; every record
// is decoded back.
#include "drivers/jv3.h"

#include <gtest/gtest.h>

#include <cstdint>

#include "drivers/family_test_support.h"
#include "drivers/jv4.h"

namespace {

using prndecode::Command;

class JV3Test : public FamilyTest {
protected:
    CVarnPrn& Open(int model, int x, int y, int dotSize, int quality, const std::string& extra = "") {
        writer = CapturingWriter();
        return OpenTicket(FamilyJobTicket(model, x, y, dotSize, quality) + extra);
    }
    std::vector<Command> PageHeader() {
        EXPECT_EQ(JV3_OpenPage(job.get()), 0);
        EXPECT_EQ(Last().tag, SPLTAG_PAGE_HEADER);
        return Commands(Last());
    }
};

}  // namespace

// A ticket's resolution may be as large as 32 bits hold: the product of the
// two is taken in 64 bits (found by the job fuzz target).
TEST_F(JV3Test, TheLargestResolutionsGiveTheLargestCode) {
    CVarnPrn& j = Open(654, 720, 720, 2, 8);
    j.m_iResolutionX = 765;
    j.m_iResolutionY = INT32_MAX;
    EXPECT_EQ(JV3_ResolutionCode(j), 50);
    j.m_iResolutionX = j.m_iResolutionY = INT32_MAX;
    EXPECT_EQ(JV3_ResolutionCode(j), 50);
}

TEST_F(JV3Test, JobStartSendsAFormFeedAndPicksTheRoutineByResolutionCode) {
    struct Case {
        int model, x, y, dotSize;
        int channels, routine, bitsPerPixel;
        uint32_t dotMode;
    };
    const Case cases[] = {
        {654, 720, 1440, 2, 4, 106, 2, 17}, {657, 720, 1440, 2, 8, 108, 2, 17},  // class 2: eight channels
        {654, 720, 720, 2, 4, 103, 2, 17},  {654, 1440, 1440, 2, 4, 109, 1, 50},
        {655, 360, 360, 1, 4, 109, 1, 1},  // class 0 with CMYK output: four channels
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.model << " " << c.x << "x" << c.y << " dot " << c.dotSize);
        Open(c.model, c.x, c.y, c.dotSize, 8, ExampleLinearisation());
        ASSERT_EQ(JV3_OpenJob(job.get()), 0);
        ASSERT_EQ(writer.records.size(), 1u);
        EXPECT_EQ(Last().tag, SPLTAG_JOB_HEADER);
        EXPECT_EQ(Last().data, std::vector<uint8_t>{0x0C});
        EXPECT_FALSE(job->m_bSuppressOpenJobRecord);
        EXPECT_EQ(job->m_pfnOpenPage, &JV3_OpenPage);
        EXPECT_EQ(job->m_iOutChannels, c.channels);
        EXPECT_EQ(job->m_pHalftone->HalftoneRoutine, c.routine);
        EXPECT_EQ(job->m_pHalftone->m_iBitsPerPixel, c.bitsPerPixel);
        EXPECT_EQ(job->m_pHalftone->m_iDotMode, c.dotMode);
        EXPECT_TRUE(log.Has(3000, "JV3_InitHalftone " + std::to_string(c.channels) + " channels"));
    }
    EXPECT_TRUE(log.Has(2000, "JV3_OpenJob"));

    EXPECT_EQ(JV3_OpenJob(nullptr), -1);
    Open(654, 720, 720, 2, 8);  // no linearisation: the halftoner cannot start
    EXPECT_EQ(JV3_OpenJob(job.get()), -2);
    EXPECT_TRUE(log.Has(0, "JV3_OpenJob JV3_InitHalftone return error code -2"));
}

TEST_F(JV3Test, PageHeaderIsTheFixedFormSequence) {
    Open(654, 720, 720, 2, 212);
    job->m_vHeatersCelsius = {60.0, 61.0};
    job->m_iVacuumPower = 3;
    job->m_iMediaTypeID = 20;
    job->m_iDryTime = 2;
    job->m_iCuttingMode = 1;
    job->m_strJobName = "A job name longer than sixteen";
    const auto header = PageHeader();
    std::vector<std::string> names;
    for (const auto& c : header) names.push_back(c.name);
    EXPECT_EQ(names, (std::vector<std::string>{"MK", "ESC @", "MD", "MP", "MW", "MC", "MG", "MJ"}));
    EXPECT_EQ(Find(header, "MK").Value("p1"), 60u);
    EXPECT_EQ(Find(header, "MK").Value("p2"), 0u);  // above 60
    EXPECT_EQ(Find(header, "MD").Value("p1"), 720u);
    const Command& mp = Find(header, "MP");
    EXPECT_EQ(mp.Value("p1"), 140u);  // 12 passes (minimum 4, no cap at 720 dpi), hi-speed
    EXPECT_EQ(mp.Value("p2"), 1u);
    EXPECT_EQ(mp.Value("p3"), 0xFFu);
    EXPECT_EQ(mp.Value("p4"), 1u);
    EXPECT_EQ(mp.Value("p6"), 120u);
    EXPECT_EQ(Find(header, "MW").Value("p1"), uint32_t(job->m_iImageWidth));
    EXPECT_EQ(Find(header, "MC").Value("p1"), 17u);
    EXPECT_EQ(Find(header, "MG").text, "A job name longe");
    EXPECT_EQ(Find(header, "MJ").Value("p1"), 0u);  // vacuum 3
    EXPECT_TRUE(log.Has(2000, "JV3_OpenPage"));
    EXPECT_EQ(job->m_pfnClosePage, &JV4_ClosePage);

    Open(655, 720, 1440, 2, 2);  // six colours at 1440 dpi: at least 16 passes
    EXPECT_EQ(Find(PageHeader(), "MP").Value("p1"), 16u);
    EXPECT_TRUE(log.Has(1000, "Number of passes adjusted to printer's range"));
}

TEST_F(JV3Test, LinesAreEscIRecordsEndedByLineFeed) {
    Open(654, 720, 720, 2, 8);
    ASSERT_EQ(JV3_OpenPage(job.get()), 0);
    SetHalftonedLine(4, 8);
    ASSERT_EQ(JV3_WriteLine(job.get()), 0);
    EXPECT_EQ(Last().data, std::vector<uint8_t>{0x0A});  // a blank line is LF alone
    EXPECT_EQ(Last().tag, SPLTAG_DATA);

    Plane(1)[2] = 0x5A;
    Plane(3)[0] = 0xFF;
    ASSERT_EQ(JV3_WriteLine(job.get()), 0);
    const auto commands = Commands(Last());
    const auto raster = Raster(commands);
    ASSERT_EQ(raster.size(), 2u);
    EXPECT_EQ(raster[0]->colour, 1);
    EXPECT_EQ(raster[0]->bitsPerPixel, 2);  // code 17: two bits per pixel
    EXPECT_EQ(raster[0]->row, (std::vector<uint8_t>{0, 0, 0x5A}));
    EXPECT_EQ(raster[1]->colour, 0);
    EXPECT_EQ(commands[1].name, "CR");
    EXPECT_TRUE(commands.back().IsLineEnd());

    // Five-channel screening sends the fifth plane as 0xFF and 0xFD.
    job->m_iHalftoneMode = 6;
    SetHalftonedLine(5, 4);
    Plane(4)[1] = 0x81;
    ASSERT_EQ(JV3_WriteLine(job.get()), 0);
    const auto screened = Commands(Last());
    const auto records = Raster(screened);
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0]->colour, 0xFF);
    EXPECT_EQ(records[1]->colour, 0xFD);
    EXPECT_EQ(records[1]->row, (std::vector<uint8_t>{0, 0x81}));

    job->m_pDriver.reset();
    EXPECT_EQ(JV3_WriteLine(job.get()), -1);
}
