// The JV5 line: halftoner routines, page header and full-length raster
// lines, driven through the family's hooks and decoded back.
#include "drivers/jv5.h"

#include <gtest/gtest.h>

#include "drivers/family_test_support.h"
#include "drivers/jv4.h"

namespace {

using prndecode::Command;

// Eight channels: output colour mode 8 with its linearisation file.
const std::string kEight = std::string("Output/Prn/Printer/Model = 678\nOutput/Prn/Printer/OutputColorMode = 8\n") +
                           "Output/Prn/Linearization/BPLPath = \"" + KELMORA_EIGHT_COLOUR_LIN + "\"\n";
// Its error diffusion reads CMYKOG pictures.
const std::string kEightDiffused = kEight + "Output/Prn/Printer/InputColorMode = 6\nProcess/Components = 6\n";

class JV5Test : public FamilyTest {
protected:
    // Model 677 (four colours) at 720 x 720 dpi, fixed dots, 8 passes.
    CVarnPrn& Open(const std::string& extra = "") {
        writer = CapturingWriter();
        return OpenTicket(FamilyJobTicket(677, 720, 720, 1, 8) + ExampleLinearisation() + extra);
    }
    std::vector<Command> PageHeader(const std::string& extra = "") {
        Open(extra);
        EXPECT_EQ(JV5_OpenPage(job.get()), 0);
        EXPECT_EQ(Last().tag, SPLTAG_PAGE_HEADER);
        return Commands(Last());
    }
    uint32_t QP(const std::string& extra, const char* field) { return Find(PageHeader(extra), "QP").Value(field); }
};

TEST_F(JV5Test, RoutineFollowsDotSizeResolutionAndChannels) {
    struct Case {
        std::string settings;
        int channels, routine, bitsPerPixel;
        uint32_t dotMode;
        bool fine;
    };
    const Case cases[] = {
        {"", 4, 109, 1, 17, false},                                                      // fixed dots
        {"Output/Prn/Specific/DotSize = 2\n", 4, 106, 2, 1, true},                       // variable, fine
        {"Output/Prn/Specific/DotSize = 0\nOutput/Prn/Printer/ResolutionX = 540.0\n", 4, 103, 2, 1, false},
        {"Output/Prn/Specific/DotSize = 0\nOutput/Prn/Printer/ResolutionY = 1440.0\n", 4, 106, 2, 1, false},
        {"Output/Prn/Specific/DotSize = 0\nOutput/Prn/Printer/ResolutionX = 1440.0\n"
         "Output/Prn/Printer/ResolutionY = 1440.0\n", 4, 109, 1, 18, false},             // above 720 x 1440
        {kEightDiffused, 8, 111, 1, 17, false},
        {kEightDiffused + "Output/Prn/Specific/DotSize = 2\n",
         8, 108, 2, 1, true},
        {kEightDiffused + "Output/Prn/Specific/DotSize = 0\n"
         "Output/Prn/Printer/ResolutionX = 540.0\n", 8, 105, 2, 1, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.settings);
        Open(c.settings);
        log.lines.clear();
        ASSERT_EQ(JV5_OpenJob(job.get()), 0);
        EXPECT_EQ(writer.records.at(0).data, (std::vector<uint8_t>{'Q', 'E', 0}));
        EXPECT_EQ(job->m_pfnOpenPage, &JV5_OpenPage);
        EXPECT_TRUE(log.Has(3000, "JV5_InitHalftone " + std::to_string(c.channels) + " channels"));
        EXPECT_EQ(job->m_iOutChannels, c.channels);
        EXPECT_EQ(job->m_pHalftone->HalftoneRoutine, c.routine);
        EXPECT_EQ(job->m_pHalftone->m_iBitsPerPixel, c.bitsPerPixel);
        EXPECT_EQ(job->m_pHalftone->m_iDotMode, c.dotMode);
        EXPECT_EQ(log.Has(1000, "JV5_InitHalftone Variable Fine"), c.fine);
    }
}

TEST_F(JV5Test, ScreeningTakesFourOneBitChannelsOnAnEightColourModel) {
    Open(kEight + "Output/Prn/Specific/DotSize = 2\n");
    job->m_iHalftoneMode = 6;
    JV5_InitHalftone(job.get());  // the set-up, whether or not the job finds screens (the example jobs print)
    EXPECT_TRUE(log.Has(3000, "JV5_InitHalftone 8 channels"));
    ASSERT_NE(job->m_pHalftone, nullptr);
    EXPECT_EQ(job->m_pHalftone->HalftoneRoutine, 51);
    EXPECT_EQ(job->m_iOutChannels, 4);
    EXPECT_EQ(job->m_pHalftone->m_iBitsPerPixel, 1);
    EXPECT_EQ(job->m_pHalftone->m_iDotMode, 17u);  // the dot-size-1 rule at 720 x 720 dpi
}

TEST_F(JV5Test, JobStartFailuresAreReported) {
    EXPECT_EQ(JV5_OpenJob(nullptr), -1);
    EXPECT_EQ(JV5_InitHalftone(nullptr), -1);
    Open();
    writer.failWith = 3;
    EXPECT_EQ(JV5_OpenJob(job.get()), 3);
    EXPECT_TRUE(log.Has(0, "JV5_OpenJob return error code 3"));
    EXPECT_EQ(job->m_pHalftone, nullptr);

    writer = CapturingWriter();
    OpenTicket(FamilyJobTicket(677, 720, 720, 1, 8));  // no linearisation file
    EXPECT_EQ(JV5_OpenJob(job.get()), -2);
    EXPECT_TRUE(log.Has(0, "JV5_OpenJob JV5_InitHalftone return error code -2"));
}

// Model 678 at 720 x 1080 dpi, variable dots (code 1), 16 passes hi-speed,
// heaters 45 and 65 (above 60: 0), dryer 1 minute, vacuum 2, roll media cut.
TEST_F(JV5Test, PageHeaderByteForByte) {
    Open(R"(
Output/Prn/Printer/Model = 678
Output/Prn/Printer/ResolutionY = 1080.0
Output/Prn/Specific/DotSize = 2
Output/Prn/Specific/PrintQuality = 216
Output/Prn/Specific/Dryer/Time = 1
Output/Prn/Media/Spec/VacuumPower = 2
Output/Prn/Media/Spec/TypeID = 20
Output/Prn/Specific/PrintDirection = 1
Output/Prn/Cutting/Mode = 1
)");
    job->m_vHeatersCelsius = {45, 65};
    ASSERT_EQ(JV5_OpenPage(job.get()), 0);
    const std::vector<uint8_t> expected = {
        'Q', 'K', 7,  45,   0,    0xFF, 0xFF, 0xFF, 0xFF, 0xFF,                      // third heater: none
        'Q', '@', 0,                                                                 //
        'Q', 'C', 11, 0xFF, 1,    0xFF, 60,   0,    0xFF, 3,    0xFF, 0, 0xFF, 0,    // cut, 60 s, vacuum 3
        'Q', 'P', 10, 1,    0x38, 0x04, 0xD0, 0x02, 16,   1,    1,    0xFF, 0xFF,    // media 20: 0xFF
        'P', 'B', 1,  1};
    ASSERT_EQ(writer.records.size(), 1u);
    EXPECT_EQ(Last().data, expected);
    EXPECT_EQ(job->m_pfnPrintLine, &JV5_WriteLine);
    EXPECT_EQ(job->m_pfnClosePage, &JV400_ClosePage);
    EXPECT_TRUE(log.Has(2000, "JV5_OpenPage"));
    EXPECT_FALSE(log.Has(1000, "Number of passes adjusted to printer's range"));  // 16 fits 12 to 48
}

TEST_F(JV5Test, PassesComeFromThePassModeAndKeepToThePrintersRange) {
    EXPECT_EQ(QP("Output/Prn/Specific/PrintQuality = 208\n", "p4"), 8u);
    EXPECT_EQ(QP("Output/Prn/Specific/PrintQuality = 208\n", "p5"), 1u);
    EXPECT_EQ(QP("", "p5"), 0u);

    // Four colours at 1440 dpi down the page: 8 to 32 passes.
    EXPECT_EQ(QP("Output/Prn/Printer/ResolutionY = 1440.0\nOutput/Prn/Specific/PrintQuality = 4\n", "p4"), 8u);
    EXPECT_TRUE(log.Has(1000, "Number of passes adjusted to printer's range"));
    EXPECT_EQ(QP("Output/Prn/Printer/ResolutionY = 1440.0\nOutput/Prn/Specific/PrintQuality = 64\n", "p4"), 32u);
    EXPECT_TRUE(log.Has(1000, "Number of passes adjusted to printer's range"));
    log.lines.clear();
    for (const char* y : {"540.0", "900.0"}) {
        EXPECT_EQ(QP(std::string("Output/Prn/Printer/ResolutionY = ") + y + "\nOutput/Prn/Specific/PrintQuality = 1\n",
                     "p4"),
                  1u);
        EXPECT_FALSE(log.Has(1000, "Number of passes adjusted to printer's range")) << y;
    }
}

TEST_F(JV5Test, EveryPlaneGoesOutFullLengthInThePrintersOrder) {
    Open("Output/Prn/Printer/Model = 678\nOutput/Prn/Specific/DotSize = 2\n");
    ASSERT_EQ(JV5_OpenPage(job.get()), 0);
    SetHalftonedLine(8, 10);
    for (int p = 0; p < 8; ++p) {
        if (p == 5) continue;  // light magenta stays blank
        for (int i = 0; i < 3 + p; ++i) Plane(p)[i] = uint8_t(0x11 * (p + 1) + i);
    }
    ASSERT_EQ(JV5_WriteLine(job.get()), 0);
    const auto commands = Commands(Last());
    ASSERT_EQ(commands.size(), 17u);
    const int planes[] = {3, 1, 0, 2, 5, 4, 7, 6};
    const uint8_t codes[] = {0, 1, 2, 4, 17, 18, 255, 254};
    for (size_t i = 0; i < 8; ++i) {
        const Command& qd = commands[2 * i];
        EXPECT_EQ(qd.colour, codes[i]);
        EXPECT_EQ(qd.bitsPerPixel, 2);
        EXPECT_EQ(qd.count, 10);
        EXPECT_EQ(qd.row, std::vector<uint8_t>(Plane(planes[i]), Plane(planes[i]) + 10)) << "plane " << planes[i];
        EXPECT_TRUE(commands[2 * i + 1].IsPlaneEnd());
    }
    EXPECT_TRUE(commands.back().IsLineEnd());
    // The blank plane: ten zero bytes packed to one repeat packet.
    const std::vector<uint8_t> blank = {'Q', 'D', 7, 17, 1, 2, 10, 0, 1, 0, 0xF7, 0x00, 'Q', 'R', 1, 0};
    EXPECT_NE(std::search(Last().data.begin(), Last().data.end(), blank.begin(), blank.end()), Last().data.end());

    // Four colours send the first four of the order.
    Open();
    ASSERT_EQ(JV5_OpenPage(job.get()), 0);
    SetHalftonedLine(4, 3);
    ASSERT_EQ(JV5_WriteLine(job.get()), 0);
    std::vector<uint8_t> sent;
    for (const auto& c : Commands(Last())) {
        if (c.isRaster) sent.push_back(c.colour);
    }
    EXPECT_EQ(sent, (std::vector<uint8_t>{0, 1, 2, 4}));
    EXPECT_EQ(Commands(Last()).at(0).bitsPerPixel, 1);
}

TEST_F(JV5Test, HeatersOfAShortListAndFailures) {
    Open();
    job->m_vHeatersCelsius = {55, 62};
    ASSERT_EQ(JV5_OpenPage(job.get()), 0);
    EXPECT_EQ(Commands(Last()).at(0).params, (std::vector<uint8_t>{55, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(JV400_ClosePage(job.get()), 0);
    EXPECT_EQ(JV5_WriteLine(job.get()), -1);  // no page object

    // A plane beyond the 16-bit count of "QD" fails the line with a message
    // (the line writer sends whole planes, so it is never cut to fit).
    ASSERT_EQ(JV5_OpenPage(job.get()), 0);
    const size_t records = writer.records.size();
    SetHalftonedLine(4, 70000);
    EXPECT_EQ(JV5_WriteLine(job.get()), -1);
    EXPECT_EQ(writer.records.size(), records);
    EXPECT_NE(ErrorMessage().find("65535"), std::string::npos) << ErrorMessage();

    writer.failWith = 3;
    EXPECT_EQ(JV5_WriteLine(job.get()), -1);
    SetHalftonedLine(4, 4);
    EXPECT_EQ(JV5_WriteLine(job.get()), -3);
    EXPECT_EQ(JV5_OpenPage(job.get()), -3);
    EXPECT_TRUE(log.Has(0, "JV5_OpenPage return error code 3"));
    EXPECT_EQ(job->m_pDriver, nullptr);

    // A resolution the 16-bit fields of "QP" cannot carry is refused, not cut.
    Open("Output/Prn/Printer/ResolutionX = 72000.0\n");
    EXPECT_EQ(JV5_OpenPage(job.get()), -1);
    EXPECT_TRUE(writer.records.empty());
    EXPECT_EQ(job->m_pDriver, nullptr);
    EXPECT_EQ(ErrorMessage(), "JV5_OpenPage: Resolution 72000 x 720 dpi not supported");
}

}  // namespace
