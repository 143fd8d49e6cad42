// The JV4 line's job, page and line steps and the two shared page ends,
// through their hooks; every record is decoded back.
#include "drivers/jv4.h"

#include <gtest/gtest.h>

#include "drivers/family_test_support.h"
#include "spotgen/spot_writer.h"
#include "support/scratch_folder.h"

namespace {

using prndecode::Command;

std::vector<std::string> NamesOf(const std::vector<Command>& commands) {
    std::vector<std::string> names;
    for (const auto& c : commands) names.push_back(c.name);
    return names;
}

class JV4Test : public FamilyTest {
protected:
    CVarnPrn& Open(int x, int y, int dotSize, int quality, const std::string& extra = "") {
        writer = CapturingWriter();
        return OpenTicket(FamilyJobTicket(698, x, y, dotSize, quality) + extra);
    }
    std::vector<Command> PageHeader() {
        EXPECT_EQ(JV4_OpenPage(job.get()), 0);
        EXPECT_EQ(Last().tag, SPLTAG_PAGE_HEADER);
        return Commands(Last());
    }
};

}  // namespace

TEST_F(JV4Test, ArtworkQualitiesPrintTheBlackPlaneAlone) {
    for (const int quality : {19, 23}) {
        Open(720, 720, 1, quality, ExampleLinearisation());
        ASSERT_EQ(JV4_OpenJob(job.get()), 0);
        EXPECT_EQ(writer.records.at(0).data, std::vector<uint8_t>{0x0C});
        EXPECT_EQ(job->m_pHalftone->HalftoneRoutine, 109);
        EXPECT_EQ(job->m_pHalftone->m_iDotMode, 2u);  // 720 x 720 in the dot-size-1 column
        const auto header = PageHeader();
        EXPECT_EQ(NamesOf(header),
                  (std::vector<std::string>{"ESC @", "MD", "MP", "ME", "MW", "MY", "MM", "MG"}));  // no "MC"
        EXPECT_EQ(Find(header, "MP").Value("p1"), 16u);
        const Command& mm = Find(header, "MM");
        EXPECT_EQ(mm.params, (std::vector<uint8_t>{1, uint8_t(quality == 23 ? 1 : 0), 1}));
        EXPECT_TRUE(log.Has(1000, std::string("JV4_OpenPage: ArtworkMode active: Quality=") +
                                      (quality == 23 ? "High" : "Standard") + ", Density=Thin"));
        SetHalftonedLine(4, 4);
        for (int p = 0; p < 4; ++p) Plane(p)[0] = 0x80;
        ASSERT_EQ(JV4_WriteLine(job.get()), 0);
        const auto commands = Commands(Last());
        const auto raster = Raster(commands);
        ASSERT_EQ(raster.size(), 1u);
        EXPECT_EQ(raster[0]->colour, 0);  // black
    }
}

TEST_F(JV4Test, QualitiesFromFourHundredAdjustTheResolution) {
    Open(720, 720, 2, 408, ExampleLinearisation());
    ASSERT_EQ(JV4_OpenJob(job.get()), 0);
    EXPECT_EQ(job->m_pHalftone->HalftoneRoutine, 106);  // x doubled, variable dot
    auto header = PageHeader();
    EXPECT_EQ(Find(header, "ME").params, (std::vector<uint8_t>{1, 0, 0xFF}));
    EXPECT_EQ(Find(header, "MP").Value("p1"), 8u);
    EXPECT_EQ(Find(header, "MD").Value("p1"), 720u);  // the job's own resolution
    EXPECT_EQ(Find(header, "MD").Value("p2"), 720u);
    EXPECT_EQ(Find(header, "MC").Value("p1"), 17u);
    EXPECT_TRUE(log.Has(2000, "JV4_OpenPage"));

    Open(720, 1440, 2, 604);
    const JV4PrintQuality q = JV4_DecodePrintQuality(job.get());
    EXPECT_EQ(q.resolutionY, 720);
    EXPECT_EQ(q.yLimited, 1);
    header = PageHeader();
    EXPECT_EQ(Find(header, "MP").Value("p1"), 132u);  // 4 passes, hi-speed
    EXPECT_EQ(Find(header, "ME").params, (std::vector<uint8_t>{0, 1, 0xFF}));
}

TEST_F(JV4Test, InkTypesColourCodesAndScreening) {
    Open(720, 720, 2, 8, "Output/Prn/Specific/InkType = 502\n");
    EXPECT_EQ(Find(PageHeader(), "MY").params, std::vector<uint8_t>{16});
    job->m_iInkType = 0;
    EXPECT_EQ(Find(PageHeader(), "MY").params, std::vector<uint8_t>{0xFF});

    // Output colour mode 8: six of the eight planes, the last two as 5 and 6.
    job->m_iOutputColorMode = 8;
    SetHalftonedLine(8, 2);
    ASSERT_EQ(JV4_OpenPage(job.get()), 0);
    for (int p = 0; p < 8; ++p) Plane(p)[0] = 1;
    ASSERT_EQ(JV4_WriteLine(job.get()), 0);
    const auto commands = Commands(Last());
    std::vector<uint8_t> colours;
    for (const Command* r : Raster(commands)) colours.push_back(r->colour);
    EXPECT_EQ(colours, (std::vector<uint8_t>{2, 1, 4, 0, 5, 6}));

    ScratchFolder folder;
    Open(720, 720, 2, 8, ExampleLinearisation() + "Output/Prn/Printer/Model = 699\n");
    job->m_iHalftoneMode = 6;
    job->m_strScreeningFile = folder.File("699_720x720dpi.spt");
    ASSERT_TRUE(spotgen::WriteFile(job->m_strScreeningFile, spotgen::Encode(spotgen::Generate(true, false, 8, 3))));
    ASSERT_EQ(JV4_InitHalftone(job.get()), 0);
    EXPECT_EQ(job->m_pHalftone->HalftoneRoutine, 51);
    EXPECT_EQ(job->m_iOutChannels, 4);
}

TEST_F(JV4Test, BothPageEndsWriteTheirRecordWithOrWithoutAPageObject) {
    Open(720, 720, 2, 8);
    for (int (*close)(CVarnPrn*) : {JV4_ClosePage, JV400_ClosePage}) {
        const std::vector<uint8_t> end = close == JV4_ClosePage ? std::vector<uint8_t>{0x0C}
                                                                : std::vector<uint8_t>{'Q', 'E', 0};
        for (const bool withPage : {true, false}) {
            if (withPage) {
                ASSERT_EQ(JV4_OpenPage(job.get()), 0);
            }
            EXPECT_EQ(close(job.get()), 0);
            EXPECT_EQ(job->m_pDriver, nullptr);
            EXPECT_EQ(Last().tag, SPLTAG_PAGE_END);
            EXPECT_EQ(Last().data, end);
        }
        EXPECT_EQ(close(nullptr), -1);
    }
    MrlPageBuffer::Attach(job.get());  // another line's page object goes too
    EXPECT_EQ(JV400_ClosePage(job.get()), 0);
    EXPECT_EQ(job->m_pDriver, nullptr);
    writer.failWith = 5;
    EXPECT_EQ(JV4_ClosePage(job.get()), -5);
}
