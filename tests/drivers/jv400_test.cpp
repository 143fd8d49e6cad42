// The JV400 line: planar halftoner set-up, page header and raster lines,
// driven through the family's hooks on a job read from a ticket and decoded
// back from the records it wrote.
#include "drivers/jv400.h"

#include <gtest/gtest.h>

#include "drivers/family_test_support.h"
#include "drivers/jv4.h"

namespace {

using prndecode::Command;

// The eight-colour example linearisation file (output colour mode 8).
std::string EightColourLinearisation() {
    return std::string("Output/Prn/Linearization/BPLPath = \"") + KELMORA_EIGHT_COLOUR_LIN + "\"\n";
}

class JV400Test : public FamilyTest {
protected:
    // Model 728 (CMYK) at 600 x 600 dpi, fixed dots, 8 passes.
    CVarnPrn& Open(const std::string& extra = "") {
        writer = CapturingWriter();
        return OpenTicket(FamilyJobTicket(728, 600, 600, 1, 8) + ExampleLinearisation() + extra);
    }
    std::vector<Command> PageHeader(const std::string& extra = "") {
        Open(extra);
        EXPECT_EQ(JV400_OpenPage(job.get()), 0);
        EXPECT_EQ(Last().tag, SPLTAG_PAGE_HEADER);
        return Commands(Last());
    }
};

TEST(JV400DotMode, FixedDotsByResolutionVariableOtherwise) {
    EXPECT_EQ(JV400_DotModeCode(600, 600, 1), 0);
    EXPECT_EQ(JV400_DotModeCode(600, 1200, 1), 0);
    EXPECT_EQ(JV400_DotModeCode(1200, 1200, 1), 18);
    EXPECT_EQ(JV400_DotModeCode(900, 900, 1), 17);
    EXPECT_EQ(JV400_DotModeCode(1200, 600, 1), 17);
    EXPECT_EQ(JV400_DotModeCode(600, 600, 2), 1);
    EXPECT_EQ(JV400_DotModeCode(1200, 1200, 0), 1);
}

// Each image type: channels, debug colour code, the colour code of every
// channel as the line writer sends it, one-bit planar halftoning.
TEST_F(JV400Test, ImageTypesGiveChannelsDebugCodesAndColourCodes) {
    struct Case {
        int model, outputMode, components, channels, debugCode;
        const char* name;
        std::vector<uint8_t> codes;
    };
    const Case cases[] = {
        {728, 4, 4, 4, 4, "CMYK", {2, 1, 4, 0}},
        {730, 4, 5, 6, 57, "CMYK+W", {2, 1, 4, 0, 254, 255}},
        {746, 8, 7, 8, 47, "CMYKOG+W", {2, 1, 4, 0, 5, 6, 254, 255}},  // RICOH Pro with white
        {729, 8, 6, 6, 8, "CMYKOG", {2, 1, 4, 0, 5, 6}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Open((c.outputMode == 8 ? EightColourLinearisation() : "") + "Output/Prn/Printer/Model = " +
             std::to_string(c.model) + "\nOutput/Prn/Printer/OutputColorMode = " + std::to_string(c.outputMode) +
             "\nProcess/Components = " + std::to_string(c.components) +
             "\nOutput/Prn/Printer/InputColorMode = " + (c.outputMode == 8 ? "6" : "4") + "\n");
        ASSERT_EQ(JV400_OpenJob(job.get()), 0);
        EXPECT_EQ(writer.records.at(0).data, (std::vector<uint8_t>{'Q', 'E', 0}));
        EXPECT_FALSE(job->m_bSuppressOpenJobRecord);
        EXPECT_EQ(job->m_pfnOpenPage, &JV400_OpenPage);
        EXPECT_TRUE(log.Has(3000, std::string("JV400_InitHalftone: Image type = ") + c.name));
        EXPECT_EQ(job->m_iOutChannels, c.channels);
        EXPECT_EQ(job->m_iHalftoneDebugLayout, c.debugCode);
        EXPECT_EQ(job->m_pHalftone->HalftoneRoutine, 118);
        EXPECT_EQ(job->m_pHalftone->m_iBitsPerPixel, 1);
        EXPECT_EQ(job->m_pHalftone->m_iDotMode, 0u);
        for (const auto& type : job->m_pHalftone->m_pPlanarHalf->Config().channelTypes) {
            EXPECT_EQ(type.factory, &CreatePlanarOne_SE1_NDS);
        }

        ASSERT_EQ(JV400_OpenPage(job.get()), 0);
        SetHalftonedLine(c.channels, 5);
        for (int p = 0; p < c.channels; ++p) Plane(p)[p % 5] = uint8_t(0x80 >> p);
        ASSERT_EQ(JV400_WriteLine(job.get()), 0);
        std::vector<uint8_t> codes;
        for (const auto& command : Commands(Last())) {
            if (!command.isRaster) continue;
            codes.push_back(command.colour);
            EXPECT_EQ(command.bitsPerPixel, 1);
            EXPECT_EQ(command.row.size(), size_t(codes.size() - 1) % 5 + 1);  // trailing zero bytes dropped
        }
        EXPECT_EQ(codes, c.codes);
    }
}

TEST_F(JV400Test, JobStartFailures) {
    Open("Output/Prn/Printer/OutputColorMode = 6\n");
    EXPECT_EQ(JV400_OpenJob(job.get()), -2);
    EXPECT_TRUE(log.Has(0, "JV400_InitHalftone: Image type = unknown (6)"));
    EXPECT_TRUE(log.Has(0, "JV400_OpenJob JV400_InitHalftone return error code -2"));
    EXPECT_EQ(job->m_pHalftone, nullptr);
    EXPECT_EQ(JV400_OpenJob(nullptr), -1);

    Open();
    writer.failWith = 3;
    EXPECT_EQ(JV400_OpenJob(job.get()), 3);
    EXPECT_TRUE(log.Has(0, "JV400_OpenJob return error code 3"));

    // White ink is read from a fifth byte per pixel: a CMYK line is refused
    // rather than read across its pixels.
    Open("Output/Prn/Printer/Model = 730\nProcess/Components = 4\n");
    EXPECT_EQ(JV400_OpenJob(job.get()), -2);
    EXPECT_EQ(ErrorMessage(), "JV400_InitHalftone: Image type CMYK+W needs 5 channels per pixel, the job has 4");
    EXPECT_EQ(job->m_pHalftone, nullptr);
}

TEST_F(JV400Test, FixedDotsAt600DpiSendCodeZeroAndTheResolutionClassOfTheInks) {
    const Command qp = Find(PageHeader(), "QP");
    EXPECT_EQ(qp.lengthByte, 12);
    EXPECT_EQ(qp.Value("p1"), 0u);   // dot mode
    EXPECT_EQ(qp.Value("p9"), 0u);   // resolution class without white ink
    EXPECT_EQ(Find(PageHeader("Output/Prn/Printer/Model = 730\n"), "QP").Value("p9"), 2u);
    EXPECT_EQ(Find(PageHeader("Output/Prn/Printer/ResolutionX = 1200.0\n"), "QP").Value("p9"), 2u);
}

TEST_F(JV400Test, VariableDotsTakeTheDefaultSetAt1200DpiAndThePointListsOtherwise) {
    Open("Output/Prn/Printer/Model = 730\nProcess/Components = 5\nOutput/Prn/Specific/DotSize = 2\n"
         "Output/Prn/Printer/ResolutionX = 1200.0\nOutput/Prn/Printer/ResolutionY = 1200.0\n");
    ASSERT_EQ(JV400_OpenJob(job.get()), 0);
    EXPECT_EQ(job->m_pHalftone->m_iBitsPerPixel, 2);
    EXPECT_EQ(job->m_pHalftone->m_iDotMode, 1u);
    for (const auto& type : job->m_pHalftone->m_pPlanarHalf->Config().channelTypes) {
        EXPECT_EQ(type.factory, &CreatePlanarOne_SE1_VDS1);
    }

    Open("Output/Prn/Printer/Model = 730\nProcess/Components = 5\nOutput/Prn/Specific/DotSize = 2\n"
         "Output/Prn/Printer/ResolutionY = 1200.0\n");
    ASSERT_EQ(JV400_OpenJob(job.get()), 0);
    const auto& types = job->m_pHalftone->m_pPlanarHalf->Config().channelTypes;
    ASSERT_EQ(types.size(), 6u);
    for (size_t c = 0; c < 6; ++c) {
        EXPECT_EQ(types[c].factory, c < 4 ? &CreatePlanarOne_SE1_VDS3 : &CreatePlanarOne_SE1_VDS1) << c;
    }

    // The sets themselves: the default one is code 2 and fourteen zeros with
    // empty curves; the point lists rise in dot-size order to full coverage.
    const JV400ChannelSetup fine = JV400_ChannelSetup(4, 2, 1, 1200, 1200);
    const auto* defaults = dynamic_cast<const PlanarChannel_VDS_Parameters*>(fine.types[0].parameters);
    ASSERT_NE(defaults, nullptr);
    EXPECT_EQ(defaults->dotCodes, (VdsDotCodes{2}));
    EXPECT_EQ(defaults->levelCurves[0][4095], 0);
    const JV400ChannelSetup points = JV400_ChannelSetup(4, 0, 1, 600, 1200);
    const auto* three = dynamic_cast<const PlanarChannel_VDS_Parameters*>(points.types[0].parameters);
    ASSERT_NE(three, nullptr);
    EXPECT_EQ(points.types.size(), 4u);
    EXPECT_EQ(points.parameters.size(), 1u);  // one set shared by the colour channels
    for (int d = 0; d < 3; ++d) {
        EXPECT_EQ(three->levelCurves[size_t(d)][0], 0) << d;
        EXPECT_GT(three->levelCurves[size_t(d)][4095], 4000) << d;
    }
    EXPECT_GT(three->levelCurves[0][1000], three->levelCurves[1][1000]);  // small dots come in first
    EXPECT_EQ(three->levelCurves[2][1000], 0);
    EXPECT_EQ(dynamic_cast<PlanarChannel_VDS_Parameters*>(JV400_CreateVdsParams(1).get()), nullptr);
}

TEST_F(JV400Test, Models740And741TakeTheirOwnInkPercentages) {
    // trunc(4095 x f + 0.5) for 85, 80, 100, 80 and for 70, 60, 100, 60 per cent.
    const struct {
        int model;
        std::vector<int32_t> fullScale;
    } rows[] = {
        {740, {3481, 3276, 4095, 3276}},
        {741, {3481, 3276, 4095, 3276}},
        {742, {2867, 2457, 4095, 2457}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << "model " << row.model);
        Open("Output/Prn/Printer/Model = " + std::to_string(row.model) + "\n");
        ASSERT_EQ(JV400_OpenJob(job.get()), 0);
        ASSERT_TRUE(job->m_pHalftone);
        std::vector<int32_t> fullScale;
        for (int c = 0; c < 4; ++c) fullScale.push_back(job->m_pHalftone->Lin(c, 4095));
        EXPECT_EQ(fullScale, row.fullScale);
    }
}

// Model 728 at 900 x 900 dpi, fixed dots (code 17), 4 passes hi-speed,
// heaters 40, 45, 50 and 12, dryer 2.55 s per scan, vacuum 2, feed +0.12 %
// (the printer corrects the feed itself: option 11).
TEST_F(JV400Test, PageHeaderByteForByte) {
    Open(R"(
[printer 728]
Output/Prn/Info/Option/ID[] = 11
[job]
Output/Prn/Printer/ResolutionX = 900.0
Output/Prn/Printer/ResolutionY = 900.0
Output/Prn/Specific/PrintQuality = 204
Output/Prn/Specific/Dryer/TimePerScan = 2.55
Output/Prn/Media/Spec/VacuumPower = 2
Output/Prn/Media/Spec/TypeID = 3
Output/Prn/Media/Spec/FeedAdjust = 1.0012
Output/Prn/Specific/PrintDirection = 1
)");
    job->m_vHeatersCelsius = {40, 45, 50, 12};
    ASSERT_EQ(JV400_OpenPage(job.get()), 0);
    const std::vector<uint8_t> expected = {
        'Q', 'K', 8,  40,   45, 50,   0xFF, 0xFF, 0xFF, 0xFF, 12,                      // heaters
        'Q', '@', 0,                                                                   //
        'Q', 'A', 3,  0,    12, 0,                                                     // feed +12
        'Q', 'C', 11, 0xFF, 0,  25,   0xFF, 0xFF, 0xFF, 2,    0xFF, 0, 0xFF, 0,       // dryer 25, vacuum 2
        'Q', 'P', 12, 17,   0x84, 0x03, 0x84, 0x03, 4, 1, 1, 3, 0xFF, 2, 0};         // 900 x 900, class 2
    ASSERT_EQ(writer.records.size(), 1u);
    EXPECT_EQ(Last().data, expected);
    EXPECT_EQ(job->m_pfnPrintLine, &JV400_WriteLine);
    EXPECT_EQ(job->m_pfnClosePage, &JV400_ClosePage);
    EXPECT_TRUE(log.Has(3000, "MRL_III_PL_OverPlotting !JV400_PrinterHasWhite"));
    EXPECT_TRUE(log.Has(2000, "JV400_OpenPage"));
}

TEST_F(JV400Test, HeaterDryerAndVacuumBytesKeepToTheirRanges) {
    Open("Output/Prn/Specific/Dryer/TimePerScan = 10.0\nOutput/Prn/Media/Spec/VacuumPower = 5\n");
    job->m_vHeatersCelsius = {40, 45, 50, 25};
    ASSERT_EQ(JV400_OpenPage(job.get()), 0);
    const auto header = Commands(Last());
    EXPECT_EQ(Find(header, "QK").params, (std::vector<uint8_t>{40, 45, 50, 0xFF, 0xFF, 0xFF, 0xFF, 0}));
    EXPECT_EQ(Find(header, "QC").Value("p2"), 255u);  // 10.0 s is beyond 9.9
    EXPECT_EQ(Find(header, "QC").Value("p5"), 255u);  // four vacuum levels only
    EXPECT_EQ(JV400_VacuumCode(1), 3);
    EXPECT_EQ(JV400_VacuumCode(4), 0);
    EXPECT_EQ(JV400_VacuumCode(0), 0xFF);
}

TEST_F(JV400Test, WhiteOverPlottingFollowsTheInkSetAndTheWhiteOrder) {
    const std::string white = "Output/Prn/Printer/Model = 747\nOutput/Prn/Specific/White/Mode = 1\n";
    auto header = PageHeader(white + "Output/Prn/Specific/White/Order = 1\n");
    EXPECT_EQ(header.back().name, "PL");
    EXPECT_EQ(header.back().params, (std::vector<uint8_t>{1, 2, 1, 0xFF}));
    EXPECT_TRUE(log.Has(3000, "MRL_III_PL_OverPlotting level=2 mode=1 characteristic=-1"));
    EXPECT_EQ(PageHeader(white + "Output/Prn/Specific/White/Order = 3\n").back().params,
              (std::vector<uint8_t>{1, 2, 0xFF, 0xFF}));

    header = PageHeader("Output/Prn/Printer/Model = 747\nOutput/Prn/Specific/White/Mode = 3\n");  // code 422
    EXPECT_EQ(header.back().name, "QP");
    EXPECT_TRUE(log.Has(3000, "MRL_III_PL_OverPlotting NONE"));
}

TEST_F(JV400Test, BlankPlanesAreLeftOutAndTheOthersTrimmed) {
    Open("Output/Prn/Printer/Model = 730\nOutput/Prn/Specific/DotSize = 2\n");
    ASSERT_EQ(JV400_OpenPage(job.get()), 0);
    SetHalftonedLine(6, 40);
    ASSERT_EQ(JV400_WriteLine(job.get()), 0);
    EXPECT_EQ(Last().data, (std::vector<uint8_t>{'Q', 'R', 1, 1}));  // an all-blank line

    Plane(0)[3] = 0x40;
    Plane(4)[0] = 0xC0;
    Plane(5)[39] = 0x01;
    ASSERT_EQ(JV400_WriteLine(job.get()), 0);
    const auto commands = Commands(Last());
    const auto raster = Raster(commands);
    ASSERT_EQ(raster.size(), 3u);
    const uint8_t colours[] = {2, 254, 255};
    const std::vector<uint8_t> rows[] = {{0, 0, 0, 0x40}, {0xC0}, [] {
                                             std::vector<uint8_t> r(40, 0);
                                             r[39] = 1;
                                             return r;
                                         }()};
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(raster[i]->colour, colours[i]);
        EXPECT_EQ(raster[i]->bitsPerPixel, 2);
        EXPECT_EQ(raster[i]->row, rows[i]);
    }
    EXPECT_EQ(commands.size(), 7u);  // three planes with their ends, the line end
}

TEST_F(JV400Test, PageEndWritesQEAndFreesThePageObject) {
    Open();
    EXPECT_EQ(JV400_WriteLine(job.get()), -1);  // no page yet
    ASSERT_EQ(JV400_OpenPage(job.get()), 0);
    EXPECT_EQ(JV400_ClosePage(job.get()), 0);
    EXPECT_EQ(job->m_pDriver, nullptr);
    EXPECT_EQ(Last().tag, SPLTAG_PAGE_END);
    EXPECT_EQ(Last().data, (std::vector<uint8_t>{'Q', 'E', 0}));
    EXPECT_EQ(JV400_WriteLine(job.get()), -1);

    writer.failWith = 3;
    EXPECT_EQ(JV400_OpenPage(job.get()), -3);
    EXPECT_TRUE(log.Has(0, "JV400_OpenPage return error code 3"));
    EXPECT_EQ(job->m_pDriver, nullptr);  // a failed page leaves no page object

    Open("Output/Prn/Printer/ResolutionY = 70000.0\n");
    EXPECT_EQ(JV400_OpenPage(job.get()), -1);
    EXPECT_EQ(ErrorMessage(), "JV400_OpenPage: Resolution 600 x 70000 dpi not supported");
}

}  // namespace
