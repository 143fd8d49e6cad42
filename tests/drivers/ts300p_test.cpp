// The TS300P line: job start and its refusals, the halftoner's dot sets,
// the page header byte by byte, the lines through the emitter and the job end.
#include "drivers/ts300p.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "drivers/family_test_support.h"

namespace {

// 360 x 360 dpi, 1 pass: a row of the four-colour table only.
const std::string kTs300pJob = FamilyJobTicket(7071, 360, 360, 2, 3636010);

// Ticket lines that give a job the six-colour example linearisation file.
std::string SixColourLinearisation() {
    return std::string("Output/Prn/Linearization/BPLPath = \"") + KELMORA_SOURCE_ROOT + "/examples/bmykbm.lin\"\n";
}

class TS300PTest : public FamilyTest {
protected:
    CVarnPrn& Open(const std::string& extra = "") {
        writer = CapturingWriter();
        return OpenTicket(kTs300pJob + extra);
    }
    // A job with its driver object, as the job start leaves it, without a halftoner.
    TS300P_Intern& Driver(int channels = 4, int bytesPerPlane = 8) {
        auto driver = std::make_unique<TS300P_Intern>(*job);
        driver->m_pEmitter->SetTwoBitsPerPixel(false);
        driver->m_pEmitter->SetColorCodes(std::vector<uint32_t>{2, 1, 4, 0, 18, 17}.data(), size_t(channels));
        SetHalftonedLine(channels, bytesPerPlane);
        TS300P_Intern& ref = *driver;
        job->m_pDriver = std::move(driver);
        return ref;
    }
    const std::vector<PlanarChannelType>& ChannelTypes() const {
        return job->m_pHalftone->m_pPlanarHalf->Config().channelTypes;
    }
};

TEST_F(TS300PTest, JobRunsThroughItsHooksAndEndsWithTheDriverDeleted) {
    Open(ExampleLinearisation() + "Output/Prn/Specific/DotSize = 4\n");
    job->m_bSuppressCloseJobRecord = true;
    ASSERT_EQ(TS300P_OpenJob(job.get()), 0);
    EXPECT_EQ(Last().tag, SPLTAG_JOB_HEADER);
    EXPECT_EQ(Last().data, (std::vector<uint8_t>{'Q', 'E', 0}));
    EXPECT_FALSE(job->m_bSuppressOpenJobRecord || job->m_bSuppressCloseJobRecord);
    EXPECT_EQ(job->m_pfnOpenPage, &InternPageHook1);
    EXPECT_TRUE(log.Has(3000, "TS300P_InitHalftone RasterDataChannelDescription: CMYK"));

    // "Fixed Small dot": one bit, one dot size.
    EXPECT_EQ(job->m_pHalftone->HalftoneRoutine, 118);
    EXPECT_EQ(job->m_pHalftone->m_iBitsPerPixel, 1);
    EXPECT_EQ(job->m_iOutChannels, 4);
    EXPECT_EQ(ChannelTypes()[3].factory, &CreatePlanarOne_SE1_NDS);
    EXPECT_EQ(dynamic_cast<TS300P_Intern&>(*job->m_pDriver).m_pEmitter->GetBitsPerPixel(), 1);

    ASSERT_EQ(InternPageHook1(job.get()), 0);
    EXPECT_EQ(Last().tag, SPLTAG_PAGE_HEADER);
    EXPECT_EQ(Commands(Last()).back().Value("p1"), 18u);  // the "QP" dot code
    ASSERT_EQ(InternPageHook2(job.get()), 0);
    EXPECT_EQ(Last().tag, SPLTAG_PAGE_END);
    EXPECT_EQ(Last().data, (std::vector<uint8_t>{'Q', 'E', 0}));

    const size_t before = writer.records.size();
    ASSERT_EQ(job->m_pfnCloseJob(job.get()), 0);
    ASSERT_EQ(writer.records.size(), before + 1);
    EXPECT_EQ(Last().tag, SPLTAG_CLOSE_JOB);
    EXPECT_TRUE(Last().data.empty());
    EXPECT_EQ(job->m_pDriver, nullptr);
    EXPECT_EQ(InternPageHook1(job.get()), -1);
}

TEST_F(TS300PTest, VariableDotsTakeTheirDotSetByResolution) {
    struct Case {
        int dotSize, x, y;
        const char* set;
        PlanarChannelFactory factory;
    };
    const Case cases[] = {
        {3, 720, 1080, "SB410 WF2 3dots - 4.7pl, 11.2pl, 17.8pl", &CreatePlanarOne_SE1_VDS3},
        {2, 720, 1080, "SB410 WF2 2dots - 4.7pl, 11.2pl", &CreatePlanarOne_SE1_VDS2},
        {2, 720, 720, "SB410 WF2 3dots - 4.7pl, 11.2pl, 17.8pl", &CreatePlanarOne_SE1_VDS3},
        {2, 540, 360, "SB410 WF1 3dots - 5.6pl, 13.0pl, 25.0pl", &CreatePlanarOne_SE1_VDS3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.set);
        Open(ExampleLinearisation() + "Output/Prn/Specific/DotSize = " + std::to_string(c.dotSize) +
             "\nOutput/Prn/Printer/ResolutionX = " + std::to_string(c.x) +
             ".0\nOutput/Prn/Printer/ResolutionY = " + std::to_string(c.y) + ".0\n");
        EXPECT_STREQ(TS300P_VariableDotSet(*job).name, c.set);
        ASSERT_EQ(TS300P_OpenJob(job.get()), 0);
        EXPECT_EQ(job->m_pHalftone->m_iBitsPerPixel, 2);
        EXPECT_EQ(ChannelTypes()[0].factory, c.factory);
        EXPECT_EQ(dynamic_cast<TS300P_Intern&>(*job->m_pDriver).m_pEmitter->GetBitsPerPixel(), 2);
    }
}

TEST_F(TS300PTest, LightChannelsFollowTheFirstPreLimits) {
    Open(SixColourLinearisation() + "Output/Prn/Printer/Model = 7072\nOutput/Prn/Printer/OutputColorMode = 6\n"
                                  "Output/Prn/Specific/InkPreLimit/InkPreLimit1 = \"80\"\n"
                                  "Output/Prn/Specific/InkPreLimit/InkPreLimit2 = \"70\"\n");
    ASSERT_EQ(TS300P_OpenJob(job.get()), 0);
    EXPECT_TRUE(log.Has(3000, "TS300P_InitHalftone: Image type = BMYKbm"));
    EXPECT_EQ(job->m_iOutChannels, 6);
    EXPECT_EQ(job->m_iHalftoneDebugLayout, 45);
    const double percent[6] = {80, 70, 100, 100, 80, 70};
    for (int c = 0; c < 6; ++c) {
        EXPECT_EQ(job->m_pHalftone->Lin(c, 4095), int32_t(4095 * percent[c] / 100 + 0.5)) << "channel " << c;
    }
}

TEST_F(TS300PTest, PageHeaderBytesAsWorkedOutByHand) {
    Open("Output/Prn/Specific/PrintQuality = 7272080\n"  // 720 x 720 dpi, 8 passes
         "Output/Prn/Printer/ResolutionX = 720.0\nOutput/Prn/Printer/ResolutionY = 720.0\n"
         "Output/Prn/Specific/DotSize = 4\n");
    TS300P_Intern& driver = Driver();
    job->m_vHeatersCelsius = {45, 55, 100};
    job->m_dPaperFeedAdjust = 1.0;
    job->m_iDryTime = 1;
    job->m_dDryTimePerScan = 2.5;
    job->m_iVacuumPower = 1;
    job->m_iMediaTypeID = 2;
    job->m_bLogicalSeek = true;
    job->m_iPrintDirection = 0;
    job->m_iCuttingMode = 1;
    ASSERT_EQ(TS300P_OpenPage(&driver, job.get()), 0);
    const std::vector<uint8_t> expected = {
        'Q', 'K', 8,  0xFF, 45,   55,   0xFF, 0xFF, 0xFF, 0xFF, 100,                     // 255 first, heater 2 last
        'Q', '@', 0,                                                                     //
        'Q', 'A', 3,  0,    0,    0,                                                     // feed 1.0 still sent
        'Q', 'C', 11, 0xFF, 1,    25,   60,   0,    0xFF, 3,    0xFF, 0, 0xFF, 0,        // cut, 2.5 s, 60 s, vacuum 1
        'Q', 'P', 18, 18,   0xD0, 0x02, 0xD0, 0x02, 8,    0,    0,    2, 1,    2,    0,  // 720 x 720, class 2
        0xFF, 0xFF, 0, 0, 0, 0};
    ASSERT_EQ(writer.records.size(), 1u);
    EXPECT_EQ(Last().tag, SPLTAG_PAGE_HEADER);
    EXPECT_EQ(Last().data, expected);
    EXPECT_TRUE(Commands(Last()).back().issues.empty());  // prndump knows the 18-byte "QP"

    // Heater 0 out of 20..50, a feed of 1.5, resolution class 1 below 720 dpi.
    job->m_vHeatersCelsius = {55, 55, 100};
    job->m_dPaperFeedAdjust = 1.5;
    job->m_iResolutionX = 540;
    job->m_iPrintQuality = 5436040;
    ASSERT_EQ(TS300P_OpenPage(&driver, job.get()), 0);
    const auto commands = Commands(Last());
    EXPECT_EQ(commands[0].params[1], 0);
    EXPECT_EQ(commands[2].params, (std::vector<uint8_t>{0, 0x88, 0x13}));  // 5000
    EXPECT_EQ(commands[4].Value("p9"), 1u);

    // The "QP" dot code of each dot size.
    for (const auto& [dotSize, code] : {std::pair{2, 1u}, {3, 1u}, {4, 18u}, {5, 17u}, {6, 16u}, {7, 0u}}) {
        job->m_iDotSize = dotSize;
        ASSERT_EQ(TS300P_OpenPage(&driver, job.get()), 0);
        EXPECT_EQ(Commands(Last())[4].Value("p1"), code) << "dot size " << dotSize;
    }
}

TEST_F(TS300PTest, PrintModeComesFromTheModelsTable) {
    Open();
    ASSERT_EQ(TS300P_OpenPage(&Driver(), job.get()), 0);

    Open("Output/Prn/Printer/Model = 7072\n");
    EXPECT_EQ(TS300P_OpenPage(&Driver(), job.get()), -1);
    EXPECT_TRUE(writer.records.empty());
    EXPECT_EQ(ErrorMessage(), "TS300P_Intern::OpenPage Print mode 3636010 not in table for printer 7072");
}

TEST_F(TS300PTest, LinesGoThroughTheEmitterWithoutQY) {
    Open();
    TS300P_Intern& driver = Driver();
    ASSERT_EQ(TS300P_OpenPage(&driver, job.get()), 0);
    ASSERT_EQ(TS300P_WriteLine(job.get()), 0);
    EXPECT_EQ(Last().tag, SPLTAG_DATA);
    EXPECT_EQ(Last().data, (std::vector<uint8_t>{'Q', 'R', 1, 1}));  // a blank line

    Plane(0)[0] = 0x80;
    Plane(3)[7] = 0x01;
    ASSERT_EQ(TS300P_WriteLine(job.get()), 0);
    EXPECT_EQ(Names(Last()), (std::vector<std::string>{"QD", "QR", "QD", "QR", "QR"}));
    EXPECT_EQ(Commands(Last())[2].colour, 0);
    EXPECT_EQ(Commands(Last())[2].row, (std::vector<uint8_t>{0, 0, 0, 0, 0, 0, 0, 1}));
}

int g_failErrno = 0;
int FailingWrite(void*, uint32_t, const uint8_t*, uint32_t) {
    errno = g_failErrno;
    return eSPOOLFILE2_IO_FAILED;
}

TEST_F(TS300PTest, LineFailuresReachTheUsersMessage) {
    Open();
    job->m_pfnWritePrnData = &FailingWrite;
    Driver().m_pEmitter->AssignAllPlanesToLayer0();
    g_failErrno = ENOSPC;
    EXPECT_EQ(TS300P_WriteLine(job.get()), -1);
    EXPECT_EQ(ErrorMessage(), std::string("Writing Layer 0: ") + std::strerror(ENOSPC));

    // A broken contract of the emitter (no bits per pixel yet).
    job->m_pfnWritePrnData = &CapturingWriter::Write;
    job->m_pDriver = std::make_unique<TS300P_Intern>(*job);
    EXPECT_EQ(TS300P_WriteLine(job.get()), -1);
    EXPECT_EQ(ErrorMessage(), "Internal error TS300P_Print: EmitImageDataLine: m_vecColorCodes.empty()");

    job->m_pDriver.reset();
    EXPECT_EQ(TS300P_WriteLine(job.get()), -1);
}

}  // namespace
