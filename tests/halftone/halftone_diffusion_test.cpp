// Error-diffusion routines 103 to 111 run through the halftoner with the
// stand-in linearisation library and its example file.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "halftone/halftone.h"
#include "halftone_test_support.h"
#include "platform/dynamic_library.h"
#include "ticket_store.h"
#include "ticket_text.h"

using namespace platform;

namespace {

constexpr int kWidth = 37;  // not a multiple of 8

class DiffusionRoutineTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_epl.LoadFile(KELMORA_EPL_PATH)) << m_epl.Error();
        ASSERT_EPL_LIBRARY_IS(KELMORA_EPL_PATH);
        job = httest::ExampleJob(&log, 677, kWidth);
        job->m_iOutHeightPixel = 6;
        job->m_iTotalInkLimit = 300;
        job->m_iHalftoneThreadCount = 0;  // these pages run inline
    }
    void TearDown() override {
        halftone.reset();
        job.reset();
    }

    int32_t Start(int32_t routine) {
        halftone = std::make_unique<CHalftone>(job.get());
        halftone->HalftoneRoutine = routine;
        return halftone->InitJob(job.get());
    }

    // A page of lines whose pixels run through a gradient; bytesPerPixel bytes each.
    std::vector<uint8_t> Page(int bytesPerPixel, int lines = 6) {
        std::vector<uint8_t> out;
        EXPECT_EQ(halftone->InitPage(job.get()), 0);
        std::vector<uint8_t> line(halftone->InputLineBytes(), 0);
        for (int y = 0; y < lines; ++y) {
            for (int x = 0; x < kWidth; ++x) {
                for (int c = 0; c < bytesPerPixel; ++c) {
                    line[x * bytesPerPixel + c] = static_cast<uint8_t>((x * 7 + y * 13 + c * 50) % 256);
                }
            }
            job->m_pCurrentLine = line.data();
            EXPECT_EQ(halftone->ProcessLine(job.get()), 0);
            out.insert(out.end(), job->m_pOutLine,
                       job->m_pOutLine + static_cast<size_t>(job->m_iOutChannels) * job->m_iBytesPerChannel);
        }
        EXPECT_EQ(halftone->ExitPage(job.get()), 0);
        return out;
    }

    DynamicLibrary m_epl;
    httest::JobLog log;
    std::unique_ptr<CVarnPrn> job;
    std::unique_ptr<CHalftone> halftone;
};

}  // namespace

TEST_F(DiffusionRoutineTest, EachRoutineSetsItsLineAndHalftonesDeterministically) {
    struct Case {
        int32_t routine;
        const char* name;
        int32_t channels;
        int32_t bitsPerPixel;
    };
    const Case cases[] = {{103, "MimakiSE1VDS3_CMYK", 4, 2},     {105, "MimakiSE1VDS3_CMYKcm12", 8, 2},
                          {106, "MimakiSE1VDS2_CMYK", 4, 2},     {108, "MimakiSE1VDS2_CMYKcm12", 8, 2},
                          {109, "MimakiSE1_CMYK", 4, 1},         {111, "MimakiSE1_CMYKcm12", 8, 1}};
    for (const Case& t : cases) {
        SCOPED_TRACE(t.name);
        ASSERT_EQ(Start(t.routine), 0);
        EXPECT_TRUE(log.Has(LOG_DETAIL, std::string(t.name) + ": init job"));
        EXPECT_EQ(job->m_iOutChannels, t.channels);
        EXPECT_EQ(job->m_iBytesPerChannel, 5 * t.bitsPerPixel);  // 40 pixels per channel row
        EXPECT_EQ(halftone->m_iBitsPerPixel, t.bitsPerPixel);
        EXPECT_EQ(halftone->m_iInkLimit, 12285);

        const std::vector<uint8_t> first = Page(4);
        EXPECT_NE(first, std::vector<uint8_t>(first.size(), 0));
        EXPECT_EQ(Page(4), first);  // a new page starts afresh
        ASSERT_EQ(halftone->ExitJob(job.get()), 0);
        EXPECT_TRUE(log.Has(LOG_DETAIL, std::string(t.name) + ": exit job"));
    }
}

TEST_F(DiffusionRoutineTest, BlankPagesStayBlankAndFullPagesAreInkedEverywhere) {
    for (int32_t routine : {103, 106, 109}) {
        ASSERT_EQ(Start(routine), 0);
        std::vector<uint8_t> line(halftone->InputLineBytes(), 0);
        ASSERT_EQ(halftone->InitPage(job.get()), 0);
        job->m_pCurrentLine = line.data();
        ASSERT_EQ(halftone->ProcessLine(job.get()), 0);
        const size_t bytes = static_cast<size_t>(job->m_iOutChannels) * job->m_iBytesPerChannel;
        EXPECT_EQ(std::vector<uint8_t>(job->m_pOutLine, job->m_pOutLine + bytes), std::vector<uint8_t>(bytes, 0));

        // Cyan alone at full: every pixel of the cyan row gets a dot, the others none.
        for (int x = 0; x < kWidth; ++x) line[4 * x] = 255;
        for (int y = 0; y < 4; ++y) {
            ASSERT_EQ(halftone->ProcessLine(job.get()), 0);
            const int bits = halftone->m_iBitsPerPixel;
            for (int x = 0; x < kWidth; ++x) {
                const uint8_t byte = job->m_pOutLine[x * bits / 8];
                const int code = (byte >> (8 - bits * (x % (8 / bits) + 1))) & ((1 << bits) - 1);
                EXPECT_NE(code, 0) << routine << " line " << y << " pixel " << x;
            }
            for (size_t b = static_cast<size_t>(job->m_iBytesPerChannel); b < bytes; ++b) EXPECT_EQ(job->m_pOutLine[b], 0);
        }
        halftone->ExitPage(job.get());
        halftone->ExitJob(job.get());
    }
}

TEST_F(DiffusionRoutineTest, ThirdSplitOnlyForWiderThanHighResolutionsAndNotForTwoDotSizes) {
    const auto pageAt = [this](int32_t routine, int32_t resolutionX) {
        job->m_iResolutionX = resolutionX;
        EXPECT_EQ(Start(routine), 0);
        return Page(4);
    };
    EXPECT_NE(pageAt(103, 1440), pageAt(103, 720));
    EXPECT_NE(pageAt(109, 1440), pageAt(109, 720));
    EXPECT_EQ(pageAt(106, 1440), pageAt(106, 720));  // this model's two-dot curves do not depend on it
}

TEST_F(DiffusionRoutineTest, EightChannelRoutinesReadTheJobsComponentsAndChooseTheirConverterPerPage) {
    job->m_iComponents = 6;
    ASSERT_EQ(Start(105), 0);
    EXPECT_EQ(halftone->InputLineBytes(), size_t{40 * 6});
    EXPECT_EQ(halftone->m_pfnPixelConverter, &ConvertPixel_CMYKcm);
    job->m_iPrinterModell = 657;  // ink-set class 2: two white channels from bytes 4 and 5
    Page(6, 1);
    EXPECT_EQ(halftone->m_pfnPixelConverter, &ConvertPixel_CMYKWW);
    EXPECT_TRUE(log.Has(LOG_DETAIL, "MimakiSE1VDS3_CMYKcm12:HALF_OPENPAGE: check MTH"));
}

TEST_F(DiffusionRoutineTest, ConvertersWiderThanThePixelReadNothingPastTheLine) {
    // Flood white on four-byte pixels: the converter also tests a fifth byte,
    // the next pixel's first. At the last padded pixel that byte must still
    // lie inside the line the halftoner asks for, not in what follows it.
    job->m_iPrinterModell = 693;
    job->m_iWhiteMode = 1;
    job->m_iComponents = 4;
    ASSERT_EQ(Start(111), 0);
    ASSERT_EQ(halftone->InitPage(job.get()), 0);
    ASSERT_EQ(halftone->m_pfnPixelConverter, &ConvertPixel_CMYKFloodW2);
    std::vector<uint8_t> memory(halftone->InputLineBytes() + 8, 0);
    std::fill(memory.begin() + static_cast<ptrdiff_t>(halftone->InputLineBytes()), memory.end(), 255);
    job->m_pCurrentLine = memory.data();
    ASSERT_EQ(halftone->ProcessLine(job.get()), 0);
    const size_t bytes = static_cast<size_t>(job->m_iOutChannels) * job->m_iBytesPerChannel;
    EXPECT_EQ(std::vector<uint8_t>(job->m_pOutLine, job->m_pOutLine + bytes), std::vector<uint8_t>(bytes, 0));
}

TEST_F(DiffusionRoutineTest, TotalInkLimitsOutsideZeroToFourHundredActAsTheNearestEnd) {
    for (const auto& [given, held] : {std::pair<int, int>{-50, 0}, std::pair<int, int>{900, 400}}) {
        job->m_iTotalInkLimit = held;
        ASSERT_EQ(Start(103), 0);
        const std::vector<uint8_t> expected = Page(4);
        job->m_iTotalInkLimit = given;
        ASSERT_EQ(Start(103), 0);
        EXPECT_EQ(Page(4), expected) << given;
    }
}

TEST_F(DiffusionRoutineTest, ModelsWithoutDotSizeTablesRefuseTheDotSizeRoutines) {
    job->m_iPrinterModell = 673;  // has three-dot curves only
    EXPECT_EQ(Start(106), kDiffusionMissingTables);
    EXPECT_TRUE(log.Has(LOG_ERROR, "MimakiSE1VDS2_CMYK: init job: printer model 673 has no dot-size tables for 2 dot sizes"));
    EXPECT_EQ(Start(103), 0);
    job->m_iPrinterModell = 7000;
    EXPECT_EQ(Start(103), kDiffusionMissingTables);
    EXPECT_EQ(Start(109), 0);  // one bit needs none

    job->m_iImageWidth = 0;
    EXPECT_EQ(Start(109), kDiffusionBadGeometry);
    // A line after a failed job start is refused, not run.
    std::vector<uint8_t> line(64, 1);
    job->m_pCurrentLine = line.data();
    EXPECT_LT(halftone->ProcessLine(job.get()), 0);
}

TEST(DiffusionJobFromTicket, ReachesItsFirstLineWithTheLinearisationFilesCurves) {
    DynamicLibrary epl;
    ASSERT_TRUE(epl.LoadFile(KELMORA_EPL_PATH)) << epl.Error();
    ASSERT_EPL_LIBRARY_IS(KELMORA_EPL_PATH);
    hostkit::TicketStore store(1);
    hostkit::ReadTicketText(std::string(R"(
[job]
Output/Prn/Printer/Model = 700
Output/Prn/Printer/OutputColorMode = 4
Output/Prn/Linearization/BPLPath = ")") + KELMORA_EPL_EXAMPLE + R"("
Output/Prn/Linearization/TotalInk = 280
Output/Prn/Linearization/Printercalibration = "press"
Output/Prn/Printer/ResolutionX = 720.0
Output/Prn/Printer/ResolutionY = 720.0
Process/OutWidthPixel = 64
Process/OutHeightPixel = 4
Output/Prn/Media/Size/Width = 1000.0
Output/Prn/Media/Size/Height = 2000.0
)",
                           store);
    httest::JobLog log;
    std::unique_ptr<CVarnPrn> job = CVarnPrn::Create(store.ticket(), 1, &log);
    ASSERT_TRUE(job->m_bTicketRead);
    ASSERT_EQ(job->m_iImageWidth, 64);
    job->m_iHalftoneThreadCount = 0;  // the line runs inline

    auto halftone = std::make_unique<CHalftone>(job.get());
    halftone->HalftoneRoutine = 103;
    ASSERT_EQ(halftone->InitJob(job.get()), 0);
    // The file's black curve (0, 128 -> 1800, 255 -> 3600); the other maps neutral.
    EXPECT_EQ(halftone->m_aInputMap[3][255], 3600);
    EXPECT_EQ(halftone->m_aInputMap[3][128], 1800);
    EXPECT_EQ(halftone->m_aInputMap[0][255], 4095);
    EXPECT_EQ(halftone->m_aInputMap[18][255], 3600);  // the extra map follows black
    EXPECT_EQ(halftone->m_iInkLimit, 11466);
    EXPECT_EQ(halftone->m_apLinTable[0][4095], 4095);
    ASSERT_TRUE(job->m_bEplRgbTableLoaded);  // the file's RGB grid is not neutral

    ASSERT_EQ(halftone->InitPage(job.get()), 0);
    std::vector<uint8_t> line(halftone->InputLineBytes(), 128);
    job->m_pCurrentLine = line.data();
    ASSERT_EQ(halftone->ProcessLine(job.get()), 0);
    const size_t bytes = static_cast<size_t>(job->m_iOutChannels) * job->m_iBytesPerChannel;
    EXPECT_NE(std::vector<uint8_t>(job->m_pOutLine, job->m_pOutLine + bytes), std::vector<uint8_t>(bytes, 0));
    EXPECT_EQ(halftone->ExitPage(job.get()), 0);
    EXPECT_EQ(halftone->ExitJob(job.get()), 0);
    halftone.reset();
}
