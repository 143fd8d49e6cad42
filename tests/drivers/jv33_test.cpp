// The JV33 line's page and line steps, driven through their hooks on a job
// read from a ticket; every record is decoded back.
#include "drivers/jv33.h"

#include <gtest/gtest.h>

#include <array>

#include "drivers/family_test_support.h"
#include "drivers/mrl/mrl_page_buffer.h"
#include "spotgen/spot_writer.h"
#include "support/scratch_folder.h"

namespace {

using prndecode::Command;

const std::string kJv33Job = FamilyJobTicket(700, 720, 720, 1, 8);

class JV33Test : public FamilyTest {
protected:
    CVarnPrn& Open(const std::string& extra = "") {
        writer = CapturingWriter();
        return OpenTicket(kJv33Job + extra);
    }

    // Opens a page and returns the decoded header.
    std::vector<Command> PageHeader(const std::string& extra = "") {
        Open(extra);
        EXPECT_EQ(JV33_OpenPage(job.get()), 0);
        EXPECT_EQ(writer.records.size(), 1u);
        EXPECT_EQ(Last().tag, SPLTAG_PAGE_HEADER);
        return Commands(Last());
    }
    uint32_t QP(const std::string& extra, const char* field) { return Find(PageHeader(extra), "QP").Value(field); }
};

TEST(JV33DotMode, FollowsDotSizeResolutionAndHalftoneVersion) {
    struct Case {
        int x, y, dotSize, halftoneMode, version, expected;
    };
    const Case cases[] = {
        {720, 720, 2, 0, 1, 1},      {720, 720, 1, 0, 1, 17},     {720, 720, 2, 6, 1, 17},  // screening: fixed dots
        {540, 900, 1, 0, 1, 16},     {540, 901, 1, 0, 1, 17},     {360, 720, 1, 0, 1, 16},
        {721, 720, 1, 0, 100, 18},   {1440, 1440, 1, 0, 101, 17}, {541, 540, 1, 0, 1, 16},
        {720, 541, 1, 0, 1, 17},     {720, 721, 1, 0, 1, 16},     {720, 1080, 1, 0, 1, 16},
        {720, 1081, 1, 0, 1, 17},    {720, 1440, 1, 0, 500, 17},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CJV30_GetDotMode(c.x, c.y, c.dotSize, c.halftoneMode, c.version), c.expected)
            << c.x << " x " << c.y << " dot size " << c.dotSize << " mode " << c.halftoneMode << " version "
            << c.version;
    }
}

TEST_F(JV33Test, JobStartWritesTheHeaderAndSetsUpTheHalftoner) {
    Open(ExampleLinearisation());
    ASSERT_EQ(JV33_OpenJob(job.get()), 0);
    ASSERT_EQ(writer.records.size(), 1u);
    EXPECT_EQ(Last().tag, SPLTAG_JOB_HEADER);
    EXPECT_EQ(Last().data, (std::vector<uint8_t>{'Q', 'E', 0}));
    EXPECT_FALSE(job->m_bSuppressOpenJobRecord);
    EXPECT_EQ(job->m_pfnOpenPage, &JV33_OpenPage);
    ASSERT_NE(job->m_pHalftone, nullptr);
    EXPECT_EQ(job->m_pHalftone->HalftoneRoutine, 109);
    EXPECT_EQ(job->m_pHalftone->m_iBitsPerPixel, 1);
    EXPECT_EQ(job->m_pHalftone->m_iDotMode, 17u);
    EXPECT_EQ(job->m_iOutChannels, 4);
    EXPECT_TRUE(log.Has(3000, "JV33_OpenJob..."));
    EXPECT_TRUE(log.Has(3000, "JV33_InitHalftone 4 channels"));
    EXPECT_TRUE(log.Has(2000, "JV33_OpenJob"));
}

TEST_F(JV33Test, HalftonerRoutineFollowsInksDotsAndResolution) {
    struct Case {
        const char* settings;
        int channels, routine, bitsPerPixel;
        uint32_t dotMode;
    };
    const Case cases[] = {
        {"Output/Prn/Printer/Model = 693\n", 8, 111, 1, 17},  // white-ink model: eight channels
        {"Output/Prn/Printer/Model = 693\nOutput/Prn/Printer/ResolutionY = 1080.0\nOutput/Prn/Specific/DotSize = 2\n",
         8, 108, 2, 1},
        {"Output/Prn/Printer/Model = 691\nOutput/Prn/Printer/ResolutionX = 540.0\nOutput/Prn/Specific/DotSize = 2\n",
         4, 103, 2, 1},
        {"Output/Prn/Printer/ResolutionY = 1440.0\nOutput/Prn/Specific/DotSize = 2\n", 4, 106, 2, 1},
        {"Output/Prn/Printer/Model = 696\nOutput/Prn/Printer/ResolutionX = 540.0\nOutput/Prn/Specific/DotSize = 2\n",
         8, 105, 2, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.settings);
        Open(ExampleLinearisation() + c.settings);
        EXPECT_EQ(JV33_OpenJob(job.get()), 0);
        ASSERT_NE(job->m_pHalftone, nullptr);
        EXPECT_EQ(job->m_iOutChannels, c.channels);
        EXPECT_EQ(job->m_pHalftone->HalftoneRoutine, c.routine);
        EXPECT_EQ(job->m_pHalftone->m_iBitsPerPixel, c.bitsPerPixel);
        EXPECT_EQ(job->m_pHalftone->m_iDotMode, c.dotMode);
    }
}

TEST_F(JV33Test, JobStartFailuresAreReported) {
    EXPECT_EQ(JV33_OpenJob(nullptr), -1);
    EXPECT_EQ(JV33_InitHalftone(nullptr, 1), -1);

    Open(ExampleLinearisation());
    writer.failWith = 3;
    EXPECT_EQ(JV33_OpenJob(job.get()), 3);
    EXPECT_TRUE(log.Has(0, "JV33_OpenJob return error code 3"));
    EXPECT_EQ(job->m_pHalftone, nullptr);  // no halftoner without the job header
    EXPECT_EQ(job->m_pfnOpenPage, &JV33_OpenPage);

    Open("Output/Prn/Linearization/BPLPath = \"/nowhere/job.lin\"\n");
    EXPECT_EQ(JV33_OpenJob(job.get()), -2);
    EXPECT_TRUE(log.Has(0, "JV33_OpenJob JV33_InitHalftone return error code -2"));
    EXPECT_EQ(writer.records.size(), 1u);  // the job header went out
}

TEST_F(JV33Test, PageHeaderCarriesTheJobSettingsByteForByte) {
    Open(R"(
Output/Prn/Specific/PrintQuality = 204
Output/Prn/Specific/Heaters/Celsius[] = 40.0
Output/Prn/Specific/Heaters/Celsius[] = 30.0
Output/Prn/Specific/Heaters/UseValue[] = 1
Output/Prn/Specific/Heaters/UseValue[] = 0
Output/Prn/Specific/Dryer/Time = 20
Output/Prn/Media/Spec/VacuumPower = 2
Output/Prn/Media/Spec/TypeID = 3
Output/Prn/Specific/PrintDirection = 1
Output/Prn/Cutting/Mode = 1
)");
    ASSERT_EQ(JV33_OpenPage(job.get()), 0);
    const std::vector<uint8_t> expected = {
        'Q', 'K', 7,  40,   0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,                          // heaters 40, printer's, -
        'Q', '@', 0,                                                                     //
        'Q', 'C', 11, 0xFF, 1,    0xFF, 0xE7, 0x03, 0xFF, 3,    0xFF, 0, 0xFF, 0,       // cut, 999 s, vacuum 3
        'Q', 'P', 11, 17,   0xD0, 0x02, 0xD0, 0x02, 4,    1,    1,    3, 0xFF, 6};      // 4 passes hi-speed
    ASSERT_EQ(writer.records.size(), 1u);
    EXPECT_EQ(Last().tag, SPLTAG_PAGE_HEADER);
    EXPECT_EQ(Last().data, expected);
    EXPECT_EQ(job->m_pfnPrintLine, &JV33_WriteLine);
    EXPECT_EQ(job->m_pfnClosePage, &JV33_ClosePage);
    EXPECT_TRUE(log.Has(2000, "JV33_OpenPage"));
}

// The printer cuts only roll media (source 9) and only when cutting is on:
// sheets are never cut, whatever the cutting mode.
TEST_F(JV33Test, CutFlagOnlyForRollMediaWithCuttingOn) {
    struct Case {
        int source, cutting;
        uint32_t flag;
    };
    for (const Case& c : {Case{9, 1, 1}, Case{9, 0, 0}, Case{1, 1, 0}, Case{2, 1, 0}, Case{0, 1, 0}}) {
        const auto header = PageHeader("Output/Prn/Specific/MediaSource = " + std::to_string(c.source) +
                                       "\nOutput/Prn/Cutting/Mode = " + std::to_string(c.cutting) + "\n");
        EXPECT_EQ(Find(header, "QC").Value("p1"), c.flag) << "source " << c.source << " cutting " << c.cutting;
    }
}

TEST_F(JV33Test, FeedCorrectionAndWhiteOverPrintFrameTheHeader) {
    // The printer corrects the feed itself (option 11), so the job sends "QA".
    const std::string white = R"(
[printer 693]
Output/Prn/Info/Option/ID[] = 11
[job]
Output/Prn/Printer/Model = 693
Output/Prn/Media/Spec/FeedAdjust = 1.0012
Output/Prn/Specific/White/Mode = 1
Output/Prn/Specific/White/Order = 1
)";
    auto header = PageHeader(white);
    std::vector<std::string> names;
    for (const auto& c : header) names.push_back(c.name);
    EXPECT_EQ(names, (std::vector<std::string>{"QK", "Q@", "QA", "QC", "QP", "PL"}));
    EXPECT_EQ(Find(header, "QA").params, (std::vector<uint8_t>{0, 12, 0}));
    EXPECT_EQ(Find(header, "PL").params, (std::vector<uint8_t>{1, 2, 1, 1}));

    EXPECT_EQ(Find(PageHeader(white + "Output/Prn/Specific/White/Order = 5\n"), "PL").params,
              (std::vector<uint8_t>{1, 2, 0xFF, 1}));

    header = PageHeader(white + "Output/Prn/Specific/White/Mode = 3\nOutput/Prn/Media/Spec/FeedAdjust = 1.0\n");
    EXPECT_EQ(header.back().name, "QP");  // no white ink: no "PL"
    EXPECT_EQ(header[2].name, "QC");      // factor 1.0: no "QA"

    // A model without white ink never over-prints.
    EXPECT_EQ(PageHeader("Output/Prn/Specific/White/Mode = 1\n").back().name, "QP");
}

TEST_F(JV33Test, PassesAreHeldToThePrintersRange) {
    // Model 700 is a four-colour model: at 720 dpi at least 4 passes, at most 16.
    EXPECT_EQ(QP("Output/Prn/Specific/PrintQuality = 2\n", "p4"), 4u);
    EXPECT_TRUE(log.Has(1000, "Number of passes adjusted to printer's range"));
    EXPECT_EQ(QP("Output/Prn/Specific/PrintQuality = 20\n", "p4"), 16u);
    EXPECT_EQ(QP("Output/Prn/Specific/PrintQuality = 216\n", "p5"), 1u);  // hi-speed kept
    EXPECT_EQ(QP("Output/Prn/Printer/ResolutionY = 900.0\nOutput/Prn/Specific/PrintQuality = 2\n", "p4"), 2u);
    EXPECT_EQ(QP("Output/Prn/Printer/ResolutionY = 540.0\nOutput/Prn/Specific/PrintQuality = 2\n", "p4"), 2u);
    // Model 692 has more colours: at least 720 / 90 = 8.
    EXPECT_EQ(QP("Output/Prn/Printer/Model = 692\nOutput/Prn/Specific/PrintQuality = 2\n", "p4"), 8u);
}

// The last "QP" byte: 6 up to 540 dpi across or up to 720 x 720 dpi, else 8.
TEST_F(JV33Test, LastQPByteFollowsTheResolution) {
    for (const auto& [x, y, last] : {std::array<int, 3>{540, 1080, 6}, {720, 720, 6}, {720, 1080, 8}}) {
        const std::string dpi = "Output/Prn/Printer/ResolutionX = " + std::to_string(x) +
                                ".0\nOutput/Prn/Printer/ResolutionY = " + std::to_string(y) + ".0\n";
        EXPECT_EQ(QP(dpi, "p8"), uint32_t(last)) << x << " x " << y;
    }
}

TEST_F(JV33Test, VariableDotsAt720x1080UseTwoBitsAndTheConverter) {
    const auto header = PageHeader(R"(
Output/Prn/Printer/Model = 693
Output/Prn/Printer/ResolutionY = 1080.0
Output/Prn/Specific/DotSize = 2
)");
    const Command& qp = Find(header, "QP");
    EXPECT_EQ(qp.Value("p1"), 1u);  // variable dot
    EXPECT_EQ(qp.Value("yres"), 1080u);
    EXPECT_EQ(qp.Value("p8"), 8u);

    // Codes 0, 1, 2, 3 reach the printer as 0, 2, 3, 0; the trimmed count
    // stays that of the halftoned plane.
    SetHalftonedLine(8, 4);
    Plane(0)[0] = 0x1B;
    Plane(0)[1] = 0xC0;
    ASSERT_EQ(JV33_WriteLine(job.get()), 0);
    const auto commands = Commands(Last());
    const auto raster = Raster(commands);
    ASSERT_EQ(raster.size(), 1u);
    EXPECT_EQ(raster[0]->bitsPerPixel, 2);
    EXPECT_EQ(raster[0]->row, (std::vector<uint8_t>{0x2C, 0x00}));
}

TEST_F(JV33Test, BlankLineIsOnlyTheLineEnd) {
    Open();
    ASSERT_EQ(JV33_OpenPage(job.get()), 0);
    SetHalftonedLine(4, 32);
    ASSERT_EQ(JV33_WriteLine(job.get()), 0);
    EXPECT_EQ(Last().tag, SPLTAG_DATA);
    EXPECT_EQ(Last().data, (std::vector<uint8_t>{'Q', 'R', 1, 1}));
}

TEST_F(JV33Test, EveryPlaneDecodesBackToItsHalftonedBytes) {
    Open("Output/Prn/Printer/Model = 693\n");  // white ink: eight planes
    ASSERT_EQ(JV33_OpenPage(job.get()), 0);
    SetHalftonedLine(8, 40);
    for (int p = 0; p < 8; ++p) {
        if (p == 2) continue;  // yellow stays blank
        for (int i = 0; i < 30 - p; ++i) Plane(p)[i] = p % 2 ? 0xAA : uint8_t(i * 7 + p + 1);  // runs or noise
    }
    ASSERT_EQ(JV33_WriteLine(job.get()), 0);
    const auto commands = Commands(Last());
    const uint8_t codes[] = {2, 1, 4, 0, 0x12, 0x11, 0xFE, 0xFF};
    size_t next = 0;
    for (int p = 0; p < 8; ++p) {
        if (p == 2) continue;
        const Command& qd = commands.at(next);
        EXPECT_TRUE(qd.isRaster);
        EXPECT_EQ(qd.colour, codes[p]);
        EXPECT_EQ(qd.compression, p % 2 ? 1 : 0) << "packed only where shorter, plane " << p;
        EXPECT_EQ(qd.row, std::vector<uint8_t>(Plane(p), Plane(p) + 30 - p)) << "plane " << p;
        EXPECT_TRUE(commands.at(next + 1).IsPlaneEnd());
        next += 2;
    }
    ASSERT_EQ(commands.size(), next + 1);
    EXPECT_TRUE(commands.back().IsLineEnd());
}

TEST_F(JV33Test, ScreeningHalftonesFiveChannelsAndSendsTheFifthTwice) {
    Open(ExampleLinearisation() + "Output/Prn/Printer/Model = 693\n");
    job->m_iHalftoneMode = 6;
    job->m_iComponents = 5;  // CMYK and white
    job->m_iWhiteMode = 1;   // ink-set code 420: full white under the colours
    ScratchFolder folder;
    job->m_strScreeningFile = folder.File("693_720x720dpi.spt");
    ASSERT_TRUE(spotgen::WriteFile(job->m_strScreeningFile, spotgen::Encode(spotgen::Generate(true, false, 8, 3))));
    EXPECT_EQ(JV33_InitHalftone(job.get(), 17), 0);
    ASSERT_NE(job->m_pHalftone, nullptr);
    EXPECT_TRUE(log.Has(3000, "JV33_InitHalftone 8 channels"));
    EXPECT_EQ(job->m_pHalftone->HalftoneRoutine, 51);
    EXPECT_EQ(job->m_iOutChannels, 5);  // the white plane is the fifth
    EXPECT_EQ(job->m_pHalftone->m_iBitsPerPixel, 1);
    EXPECT_EQ(job->m_pHalftone->m_iDotMode, 0u);  // left as the halftoner made it

    // A halftoned line of five-byte pixels: white goes out twice, as the halftoner made it.
    ASSERT_EQ(JV33_OpenPage(job.get()), 0);
    ASSERT_EQ(job->m_pHalftone->InitPage(job.get()), 0);
    std::vector<uint8_t> input(job->m_pHalftone->InputLineBytes(), 0);
    for (size_t i = 0; i + 5 <= input.size() && i < 5 * 64; i += 5) input[i + 4] = uint8_t(i);
    job->m_pCurrentLine = input.data();
    ASSERT_EQ(job->m_pHalftone->ProcessLine(job.get()), 0);
    ASSERT_EQ(JV33_WriteLine(job.get()), 0);
    const auto screenedLine = Commands(Last());
    const auto screened = Raster(screenedLine);
    ASSERT_EQ(screened.size(), 2u);
    const uint8_t* white = job->m_pOutLine + 4 * size_t(job->m_iBytesPerChannel);
    for (const Command* record : screened) {
        EXPECT_EQ(record->row, std::vector<uint8_t>(white, white + record->row.size()));
    }
    EXPECT_EQ(screened[0]->colour, 0xFE);
    EXPECT_EQ(screened[1]->colour, 0xFF);

    SetHalftonedLine(5, 8);
    for (int p = 0; p < 5; ++p) Plane(p)[p] = uint8_t(0x11 * (p + 1));
    ASSERT_EQ(JV33_WriteLine(job.get()), 0);
    const auto commands = Commands(Last());
    const auto raster = Raster(commands);
    ASSERT_EQ(raster.size(), 6u);
    const uint8_t codes[] = {2, 1, 4, 0, 0xFE, 0xFF};
    const int planes[] = {0, 1, 2, 3, 4, 4};
    for (size_t i = 0; i < 6; ++i) {
        EXPECT_EQ(raster[i]->colour, codes[i]);
        EXPECT_EQ(raster[i]->row, std::vector<uint8_t>(Plane(planes[i]), Plane(planes[i]) + planes[i] + 1));
    }
}

TEST_F(JV33Test, PlaneLongerThanItsCountFieldFailsTheLineWithAMessage) {
    Open();
    ASSERT_EQ(JV33_OpenPage(job.get()), 0);
    SetHalftonedLine(4, 70000);
    Plane(1)[69999] = 1;
    EXPECT_EQ(JV33_WriteLine(job.get()), -1);
    EXPECT_EQ(writer.records.size(), 1u);  // the page header only
    EXPECT_NE(ErrorMessage().find("65535"), std::string::npos) << ErrorMessage();

    Plane(1)[69999] = 0;  // trimmed to fit, the next line goes out
    Plane(1)[65534] = 1;
    EXPECT_EQ(JV33_WriteLine(job.get()), 0);
    const auto commands = Commands(Last());
    EXPECT_EQ(Raster(commands).at(0)->count, 65535);
}

TEST_F(JV33Test, PageEndWritesQEAndFreesThePage) {
    Open();
    EXPECT_EQ(JV33_WriteLine(job.get()), -1);  // no page yet
    EXPECT_TRUE(writer.records.empty());
    ASSERT_EQ(JV33_OpenPage(job.get()), 0);
    ASSERT_NE(job->m_pDriver, nullptr);
    EXPECT_EQ(JV33_ClosePage(job.get()), 0);
    EXPECT_EQ(job->m_pDriver, nullptr);
    EXPECT_EQ(Last().tag, SPLTAG_PAGE_END);
    EXPECT_EQ(Last().data, (std::vector<uint8_t>{'Q', 'E', 0}));
    EXPECT_EQ(JV33_WriteLine(job.get()), -1);
}

TEST_F(JV33Test, WriterFailuresReachTheJobAsNegativeResults) {
    Open();
    writer.failWith = 3;
    EXPECT_EQ(JV33_OpenPage(job.get()), -3);
    EXPECT_TRUE(log.Has(0, "JV33_OpenPage return error code 3"));
    EXPECT_EQ(job->m_pDriver, nullptr);  // the failed page is not left behind

    writer.failWith = 0;
    ASSERT_EQ(JV33_OpenPage(job.get()), 0);
    SetHalftonedLine(4, 4);
    writer.failWith = 3;
    EXPECT_EQ(JV33_WriteLine(job.get()), -3);
    writer.failWith = -1;  // a negative host answer is the writer's code 64
    EXPECT_EQ(JV33_ClosePage(job.get()), -64);
    EXPECT_EQ(job->m_pDriver, nullptr);
}

TEST_F(JV33Test, ResolutionBeyondTheHeaderFieldsIsRefused) {
    Open("Output/Prn/Printer/ResolutionX = 70000.0\n");
    EXPECT_EQ(JV33_OpenPage(job.get()), -1);
    EXPECT_TRUE(writer.records.empty());
    EXPECT_EQ(job->m_pDriver, nullptr);
    EXPECT_EQ(ErrorMessage(), "JV33_OpenPage: Resolution 70000 x 720 dpi not supported");
}

}  // namespace
