// The Tx500/TS500 lines: the colour-code override file, the job start and
// its refusals, the page header byte by byte, the raster lines and the job end.
#include "drivers/tx500.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "drivers/family_test_support.h"
#include "support/scratch_folder.h"

namespace {

namespace fs = std::filesystem;

// 600 x 600 dpi, 4 passes: a row of the four-colour table (and of the other).
const std::string kTx500Job = FamilyJobTicket(7073, 600, 600, 2, 6060040);

// Runs the test in a folder of its own, with or without an override file,
// and goes back to the previous folder afterwards.
class InScratchFolder {
public:
    InScratchFolder() : m_previous(fs::current_path()) { fs::current_path(m_folder.Path()); }
    ~InScratchFolder() { fs::current_path(m_previous); }
    void WriteOverride(const std::string& text) const {
        std::ofstream(m_folder.File(kColorCodeOverrideFile), std::ios::binary) << text;
    }

private:
    ScratchFolder m_folder;
    fs::path m_previous;
};

std::vector<int32_t> Codes(const Tx500_Intern& driver) {
    return std::vector<int32_t>(std::begin(driver.m_aColorCodes), std::end(driver.m_aColorCodes));
}

class Tx500Test : public FamilyTest {
protected:
    CVarnPrn& Open(const std::string& extra = "") {
        writer = CapturingWriter();
        return OpenTicket(kTx500Job + extra);
    }
    // A job with its driver object, as the job start leaves it, without a halftoner.
    Tx500_Intern& Driver(int planes = 4, int bytesPerPlane = 8) {
        auto driver = std::make_unique<Tx500_Intern>();
        SetHalftonedLine(planes, bytesPerPlane);
        Tx500_Intern& ref = *driver;
        job->m_pDriver = std::move(driver);
        return ref;
    }
};

TEST(Tx500ColorCodes, ComeFromTheOverrideFileInTheCurrentFolder) {
    InScratchFolder folder;
    EXPECT_EQ(Codes(Tx500_Intern()), (std::vector<int32_t>{2, 1, 4, 0, 18, 17}));

    folder.WriteOverride("1112040102\n");  // the bytes 02, 01, 04, 12, 11, 00
    EXPECT_EQ(Codes(Tx500_Intern()), (std::vector<int32_t>{2, 1, 4, 18, 17, 0}));
    folder.WriteOverride("  0xFFEEDDCCBBAA99");  // bytes above the sixth are not used
    EXPECT_EQ(Codes(Tx500_Intern()), (std::vector<int32_t>{0x99, 0xAA, 0xBB, 0xCC, 0xDD, 0xEE}));

    folder.WriteOverride("green");
    EXPECT_EQ(Codes(Tx500_Intern()), (std::vector<int32_t>{2, 1, 4, 0, 18, 17}));
    folder.WriteOverride("");
    EXPECT_EQ(Codes(Tx500_Intern()), (std::vector<int32_t>{2, 1, 4, 0, 18, 17}));
}

TEST_F(Tx500Test, JobRunsThroughItsHooksWithTheOverridesCodes) {
    InScratchFolder folder;
    folder.WriteOverride("1112040102");
    Open(ExampleLinearisation());
    job->m_bSuppressCloseJobRecord = true;
    ASSERT_EQ(Tx500_OpenJob(job.get()), 0);
    ASSERT_EQ(writer.records.size(), 1u);
    EXPECT_EQ(Last().tag, SPLTAG_JOB_HEADER);
    EXPECT_EQ(Last().data, (std::vector<uint8_t>{'Q', 'E', 0}));
    EXPECT_FALSE(job->m_bSuppressOpenJobRecord || job->m_bSuppressCloseJobRecord);
    EXPECT_EQ(job->m_pfnOpenPage, &InternPageHook0);
    EXPECT_TRUE(log.Has(3000, "CMYKLcLm_ColorCode[plane 3] = 0x12"));

    // "Variable": two dot sizes.
    EXPECT_EQ(job->m_pHalftone->HalftoneRoutine, 118);
    EXPECT_EQ(job->m_pHalftone->m_iBitsPerPixel, 2);
    EXPECT_EQ(job->m_pHalftone->m_iDotMode, 2u);
    EXPECT_EQ(job->m_pHalftone->m_pPlanarHalf->Config().channelTypes[0].factory, &CreatePlanarOne_SE1_VDS2);
    EXPECT_STREQ(Tx500_VariableDotSet(536).name, "SB310 WF1 2dots - 6.4pl, 21.5pl");
    EXPECT_STREQ(Tx500_VariableDotSet(0).name, "SB300 WF1 2dots - 6.6pl, 24.3pl");

    // The page through the job's hooks: header, a line with the file's codes, page end.
    ASSERT_EQ(InternPageHook0(job.get()), 0);
    EXPECT_EQ(Last().tag, SPLTAG_PAGE_HEADER);
    EXPECT_EQ(job->m_pfnClosePage, &InternPageHook1);
    std::fill_n(job->m_pOutLine + 3 * job->m_iBytesPerChannel, 2, uint8_t(0xC0));
    ASSERT_EQ(Tx500_WriteLine(job.get()), 0);
    const auto commands = Commands(Last());
    ASSERT_EQ(commands.size(), 3u);
    EXPECT_EQ(commands[0].colour, 18);  // plane 3 under the file's code
    EXPECT_EQ(commands[0].bitsPerPixel, 2);
    EXPECT_EQ(commands[0].row, (std::vector<uint8_t>{0xC0, 0xC0}));
    ASSERT_EQ(InternPageHook1(job.get()), 0);
    EXPECT_EQ(Last().tag, SPLTAG_PAGE_END);
    EXPECT_EQ(Last().data, (std::vector<uint8_t>{'Q', 'E', 0}));

    // The job end: the close-job record once, the driver deleted.
    const size_t before = writer.records.size();
    ASSERT_EQ(job->m_pfnCloseJob(job.get()), 0);
    ASSERT_EQ(writer.records.size(), before + 1);
    EXPECT_EQ(Last().tag, SPLTAG_CLOSE_JOB);
    EXPECT_EQ(job->m_pDriver, nullptr);
    EXPECT_EQ(InternPageHook0(job.get()), -1);

    Open(ExampleLinearisation() + "Output/Prn/Specific/DotSize = 3\n");
    ASSERT_EQ(Tx500_OpenJob(job.get()), 0);
    EXPECT_EQ(job->m_pHalftone->m_iBitsPerPixel, 1);
    EXPECT_EQ(job->m_pHalftone->m_pPlanarHalf->Config().channelTypes[3].factory, &CreatePlanarOne_SE1_NDS);
}

TEST_F(Tx500Test, PageHeaderBytesAsWorkedOutByHand) {
    Open("Output/Prn/Specific/DotSize = 3\n");
    Tx500_Intern& driver = Driver();
    job->m_vHeatersCelsius = {45, 55, 70};
    job->m_dPaperFeedAdjust = 1.5;
    job->m_dDryTimePerScan = 2.5;
    job->m_iVacuumPower = 2;
    job->m_iMediaTypeID = 3;
    job->m_bLogicalSeek = true;
    job->m_iPrintDirection = 1;
    job->m_iCuttingMode = 1;
    ASSERT_EQ(Tx500_OpenPage(&driver, job.get()), 0);
    const std::vector<uint8_t> expected = {
        'Q', 'K', 8,  45,   55,   0,    0xFF, 0xFF, 0xFF, 0xFF, 0xFF,                 // 70 is above a Tx500's 60
        'Q', '@', 0,                                                                  //
        'Q', 'A', 3,  0,    0x88, 0x13,                                               // 5000
        'Q', 'C', 11, 0xFF, 1,    25,   0xFF, 0xFF, 0xFF, 2,    0xFF, 0, 0xFF, 0,     // cut, 2.5 s, vacuum 2
        'Q', 'P', 13, 18,   0x58, 0x02, 0x58, 0x02, 4,    0,    1,    3, 1, 1, 0, 0};  // 600 x 600, 4 passes
    ASSERT_EQ(writer.records.size(), 1u);
    EXPECT_EQ(Last().tag, SPLTAG_PAGE_HEADER);
    EXPECT_EQ(Last().data, expected);
    EXPECT_EQ(job->m_pfnPrintLine, &Tx500_WriteLine);

    // A TS500 takes 70 for its third heater; a feed of 1.0 sends no "QA".
    Open("Output/Prn/Printer/Model = 7075\n");
    job->m_vHeatersCelsius = {45, 55, 70};
    ASSERT_EQ(Tx500_OpenPage(&Driver(), job.get()), 0);
    EXPECT_EQ(Names(Last()), (std::vector<std::string>{"QK", "Q@", "QC", "QP"}));
    EXPECT_EQ(Commands(Last())[0].params[2], 70);
    // The "QP" dot code of each dot size.
    for (const auto& [dotSize, code] : {std::pair{2, 1u}, {3, 18u}, {4, 17u}, {5, 16u}, {6, 0u}}) {
        job->m_iDotSize = dotSize;
        ASSERT_EQ(Tx500_OpenPage(&Driver(), job.get()), 0);
        EXPECT_EQ(Commands(Last())[3].Value("p1"), code) << "dot size " << dotSize;
    }
}

TEST_F(Tx500Test, PrintModeComesFromTheModelsTable) {
    // 300 x 300 dpi at 1 pass is a four-colour mode only.
    Open("Output/Prn/Specific/PrintQuality = 3030010\n");
    EXPECT_EQ(Tx500_OpenPage(&Driver(), job.get()), 0);
    Open("Output/Prn/Specific/PrintQuality = 3030010\nOutput/Prn/Printer/Model = 7074\n");
    EXPECT_EQ(Tx500_OpenPage(&Driver(), job.get()), -1);
    EXPECT_TRUE(writer.records.empty());
    EXPECT_EQ(ErrorMessage(), "Tx500_Intern::OpenPage Print mode 3030010 not in table for printer 7074");
}

TEST_F(Tx500Test, LinesCarryOneRecordPerNonBlankPlane) {
    Open();
    Tx500_Intern& driver = Driver(6, 300);
    ASSERT_EQ(Tx500_WriteLine(job.get()), 0);
    EXPECT_EQ(Last().tag, SPLTAG_DATA);
    EXPECT_EQ(Last().data, (std::vector<uint8_t>{'Q', 'R', 1, 1}));  // a blank line

    std::fill_n(Plane(0), 300, uint8_t(0x55));  // packs
    Plane(5)[1] = 0x80;                          // raw, trimmed
    ASSERT_EQ(Tx500_WriteLine(job.get()), 0);
    EXPECT_EQ(Names(Last()), (std::vector<std::string>{"QD", "QR", "QD", "QR", "QR"}));
    const auto commands = Commands(Last());
    EXPECT_EQ(commands[0].colour, 2);
    EXPECT_EQ(commands[0].compression, 1);
    EXPECT_EQ(commands[0].bitsPerPixel, 1);
    EXPECT_EQ(commands[0].row, std::vector<uint8_t>(300, 0x55));
    EXPECT_EQ(commands[2].colour, 17);
    EXPECT_EQ(commands[2].compression, 0);
    EXPECT_EQ(commands[2].row, (std::vector<uint8_t>{0, 0x80}));

    // A write failure is the line's failure.
    writer.failWith = 5;
    EXPECT_EQ(Tx500_WriteLine(job.get()), -5);
    EXPECT_EQ(ErrorMessage(), "Tx500_WriteLine return error code 5");
    driver.m_bVariableDot = true;
    job->m_iOutChannels = 7;
    EXPECT_EQ(Tx500_WriteLine(job.get()), -1);
    job->m_pDriver.reset();
    EXPECT_EQ(Tx500_WriteLine(job.get()), -1);
}

}  // namespace
