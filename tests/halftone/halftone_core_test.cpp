#include "halftone/halftone.h"

#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "halftone/fixtures/epl_fixture.h"
#include "halftone/matrix_screening.h"
#include "halftone/rgb_table.h"
#include "spotgen/spot_writer.h"
#include "support/scratch_folder.h"
#include "halftone_test_support.h"
#include "platform/dynamic_library.h"
#include "platform/temp_folder.h"
#ifdef PRNHOST_HAVE_TIFF
#include "image.h"
#endif

using namespace platform;

namespace {

// A CMYK job at 720 dpi on model 700 whose linearisation library is the test
// library (loaded first, so the halftoner finds it among the loaded ones).
class HalftoneCoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_epl.LoadFile(KELMORA_EPL_FIXTURE_PATH)) << m_epl.Error();
        ASSERT_EPL_LIBRARY_IS(KELMORA_EPL_FIXTURE_PATH);
        m_epl.Function<EplFixtureResetFn>("EplFixtureReset")();
        epl = m_epl.Function<EplFixtureStateFn>("EplFixtureGetState")();
        job = std::make_unique<CVarnPrn>(nullptr, 1, &log);
        job->m_iPrinterModell = 700;
        job->m_iOutputColorMode = 4;
        job->m_iResolutionX = 720;
        job->m_iResolutionY = 720;
        job->m_iImageWidth = 20;
        job->m_iOutWidthPixel = 20;
        job->m_iOutHeightPixel = 2;
        job->m_iTotalInkLimit = 400;
    }
    void TearDown() override {
        halftone.reset();
        job.reset();
    }

    CHalftone& New(int32_t routine) {
        halftone = std::make_unique<CHalftone>(job.get());
        halftone->HalftoneRoutine = routine;
        return *halftone;
    }

    // Halftones one page of lines; the output lines one after the other.
    std::vector<uint8_t> Page(const std::vector<std::vector<uint8_t>>& lines) {
        std::vector<uint8_t> out;
        EXPECT_EQ(halftone->InitPage(job.get()), 0);
        for (const auto& line : lines) {
            job->m_pCurrentLine = line.data();
            EXPECT_EQ(halftone->ProcessLine(job.get()), 0);
            const size_t bytes = static_cast<size_t>(job->m_iOutChannels) * job->m_iBytesPerChannel;
            out.insert(out.end(), job->m_pOutLine, job->m_pOutLine + bytes);
        }
        EXPECT_EQ(halftone->ExitPage(job.get()), 0);
        return out;
    }

    // A line of the job's width with slack for the halftoner's look-ahead.
    std::vector<uint8_t> Line(std::vector<uint8_t> pixel) const {
        std::vector<uint8_t> line(halftone ? std::max(halftone->InputLineBytes(), size_t{256}) : 256, 0);
        for (int x = 0; x < job->m_iImageWidth; ++x) std::copy(pixel.begin(), pixel.end(), &line[pixel.size() * x]);
        return line;
    }

    DynamicLibrary m_epl;
    EplFixtureState* epl = nullptr;
    httest::JobLog log;
    std::unique_ptr<CVarnPrn> job;
    std::unique_ptr<CHalftone> halftone;
};

}  // namespace

TEST_F(HalftoneCoreTest, InitJobRefusesWithoutJobRoutineOrCurves) {
    EXPECT_EQ(New(109).InitJob(nullptr), HALF_ERR_NO_JOB);

    EXPECT_EQ(New(HALF_ROUTINE_UNSET).InitJob(job.get()), HALF_ERR_NO_ROUTINE);
    EXPECT_EQ(epl->buildCalls, 0);  // before the library is asked

    epl->buildResult = 0;
    EXPECT_EQ(New(109).InitJob(job.get()), HALF_ERR_NO_CURVES);
    EXPECT_TRUE(log.Has(LOG_ERROR, "EPLProxy::BuildLut: BuildLut failed with error 0"));

    epl->buildResult = 2;  // a six-colour linearisation for a CMYK job
    EXPECT_EQ(New(109).InitJob(job.get()), HALF_ERR_NO_CURVES);
    EXPECT_TRUE(log.Has(LOG_ERROR, "EPLProxy::BuildLuts: invalid EPL linearization mode CLIN_ ( expected 4 get 6)"));

    epl->table.BuildLut = nullptr;
    EXPECT_EQ(New(109).InitJob(job.get()), HALF_ERR_NO_CURVES);
}

TEST_F(HalftoneCoreTest, LibraryCurvesFillTheFourSetsOfInputMaps) {
    ASSERT_EQ(New(109).BuildLuts(job.get()), 1);
    // The test library's curve s holds s * 256 + v at v.
    const std::pair<int, int> mapAndCurve[] = {{0, 0}, {3, 3}, {14, 4}, {17, 7}, {18, 8}, {21, 11}, {22, 12}, {25, 15}};
    for (auto [map, curve] : mapAndCurve) {
        EXPECT_EQ(halftone->m_aInputMap[map][0], curve * 256) << map;
        EXPECT_EQ(halftone->m_aInputMap[map][255], curve * 256 + 255) << map;
    }
    EXPECT_EQ(halftone->m_aInputMap[4][10], 0);  // maps 4 to 13 are not the library's
    EXPECT_EQ(epl->lastRecord.inkLimitAll, job->m_iInkLimitAll);
}

TEST_F(HalftoneCoreTest, RoutinesItDoesNotHaveFailEveryPhase) {
    New(107).InitJob(job.get());
    EXPECT_TRUE(log.Has(LOG_ERROR, "CHalftone invalid halftone mode (107)"));
    for (int32_t phase : {HALF_OPENJOB, HALF_OPENPAGE, HALF_PROCESS, HALF_CLOSEPAGE, HALF_CLOSEJOB}) {
        EXPECT_EQ(halftone->Run(job.get(), phase), HALF_ERR_INVALID_ROUTINE) << phase;
    }
}

TEST_F(HalftoneCoreTest, ScreeningTakesTheLibraryMatricesOrItsErrorOrElseTheSpotFile) {
    ScratchFolder folder;
    job->m_strScreeningFile = folder.File("job.spt");
    ASSERT_TRUE(spotgen::WriteFile(job->m_strScreeningFile, spotgen::Encode(spotgen::Generate(false, false, 8, 4))));
    const auto spotType = [this] { return halftone->m_pScreening ? halftone->m_pScreening->spot->type : 0; };
    // No screening entry, or no channels: the spot file.
    for (int channels : {4, 0}) {
        if (channels == 0) epl->table.GetScreeningData = m_epl.Function<EplFixtureScreeningEntryFn>("EplFixtureScreeningEntry")();
        epl->screeningChannels = channels;
        ASSERT_EQ(New(HALF_ROUTINE_SCREENING).InitJob(job.get()), 0) << channels;
        EXPECT_EQ(spotType(), SPOT_TYPE_RECTANGULAR);
    }
    epl->screeningChannels = 4;
    ASSERT_EQ(New(HALF_ROUTINE_SCREENING).InitJob(job.get()), 0);
    ASSERT_EQ(spotType(), SPOT_TYPE_PYTHAGOREAN);
    const SpotChannel& c2 = halftone->m_pScreening->spot->channel[2];
    EXPECT_EQ(c2.size1, 2);
    EXPECT_EQ(c2.t1, 2);
    EXPECT_EQ(c2.matrixA, (std::vector<uint8_t>{20, 20, 20, 20}));
    EXPECT_EQ(c2.matrixB, (std::vector<uint8_t>{202}));
    epl->screeningTile = 2;  // as large as the matrix: taken
    ASSERT_EQ(New(HALF_ROUTINE_SCREENING).InitJob(job.get()), 0);
    EXPECT_EQ(spotType(), SPOT_TYPE_PYTHAGOREAN);
    // Data that cannot screen fails the job, naming what is wrong.
    const struct {
        int channels, tile, size2;
        const char* fault;
    } unusable[] = {
        {3, 0, 1, "has 3 channels, 4 are needed"},
        {4, 0, 0, "has a size of 0 in channel 0 (matrices 2 and 0, tiles 2 and 0)"},
        {4, 3, 1, "has tiles larger than the matrices in channel 0 (tiles 3 and 1, matrices 2 and 1)"},
    };
    for (const auto& u : unusable) {
        epl->screeningChannels = u.channels;
        epl->screeningTile = u.tile;
        epl->screeningSize2 = u.size2;
        EXPECT_EQ(New(HALF_ROUTINE_SCREENING).InitJob(job.get()), -1) << u.fault;
        EXPECT_TRUE(log.Has(LOG_ERROR, std::string("ReadEplScreening: the library's screening data ") + u.fault))
            << u.fault;
    }
    epl->screeningChannels = 4;
    epl->screeningTile = 0;
    epl->screeningSize2 = 1;
    // An installed library that fails is not replaced by the spot file.
    for (const auto& [report, fill, result] : {std::array<int32_t, 3>{-7, 0, -7}, {0, -1, -4}}) {
        epl->screeningResult = report;
        epl->screeningFillResult = fill;
        EXPECT_EQ(New(HALF_ROUTINE_SCREENING).InitJob(job.get()), -1);
        EXPECT_TRUE(log.Has(LOG_ERROR, StringF("Screening: Can't open SPT file, ReadSpots returns %d on file \"%s\"",
                                               result, job->m_strScreeningFile.c_str())));
        // What the user is told.
        std::unique_ptr<SpotData> spots;
        std::string fault;
        EXPECT_EQ(ReadSpots(nullptr, job.get(), spots, &fault), result);
        EXPECT_EQ(fault, StringF("\"%s\" cannot be read by the linearisation library (error %d)",
                                 job->m_strScreeningFile.c_str(), result));
    }
}

TEST_F(HalftoneCoreTest, JobEndFreesTheOutputLine) {
    ASSERT_EQ(New(103).InitJob(job.get()), 0);
    EXPECT_NE(job->m_pOutLine, nullptr);
    EXPECT_EQ(halftone->ExitJob(job.get()), 0);
    EXPECT_EQ(job->m_pOutLine, nullptr);
    EXPECT_EQ(halftone->m_apLinTable[0], nullptr);
    EXPECT_EQ(halftone->ExitJob(job.get()), 0);  // twice does no harm

    // A halftoner dropped without its job end does not leave the job pointing at its line.
    ASSERT_EQ(New(103).InitJob(job.get()), 0);
    halftone.reset();
    EXPECT_EQ(job->m_pOutLine, nullptr);
}

TEST_F(HalftoneCoreTest, RgbCorrectionWorksOnACopyOncePerCall) {
    // The table swaps red and blue.
    job->m_pEplRgbTable.reset(new uint8_t[kEplRgbTableSize]);
    for (size_t rgb = 0; rgb < (size_t{1} << 24); ++rgb) {
        uint8_t* e = job->m_pEplRgbTable.get() + rgb * 3;
        e[0] = static_cast<uint8_t>(rgb);
        e[1] = static_cast<uint8_t>(rgb >> 8);
        e[2] = static_cast<uint8_t>(rgb >> 16);
    }
    // CMYK pixels, and CMYK with a spot channel that the correction steps over and leaves as it is.
    const std::tuple<int32_t, std::vector<uint8_t>, std::vector<uint8_t>> rows[] = {
        {109, {200, 40, 0, 0}, {0, 40, 200, 0}}, {111, {200, 40, 0, 0, 90}, {0, 40, 200, 0, 90}}};
    for (const auto& [routine, pixel, swappedPixel] : rows) {
        job->m_iComponents = int32_t(pixel.size());
        job->m_bEplRgbTableLoaded = true;
        ASSERT_EQ(New(routine).InitJob(job.get()), 0) << routine;

        const std::vector<uint8_t> line = Line(pixel);
        const std::vector<uint8_t> before = line;
        // The same line twice, as vertical scaling runs it: corrected once each time.
        const std::vector<uint8_t> corrected = Page({line, line});
        EXPECT_EQ(line, before);

        // The swapped line without correction gives the same dots.
        job->m_bEplRgbTableLoaded = false;
        const std::vector<uint8_t> swapped = Line(swappedPixel);
        EXPECT_EQ(Page({swapped, swapped}), corrected) << routine;
        EXPECT_NE(Page({line, line}), corrected);
    }
}

TEST_F(HalftoneCoreTest, PageTimingWithoutTimeLogsNoThroughput) {
    ASSERT_EQ(New(109).InitJob(job.get()), 0);
    Page({});
    EXPECT_TRUE(log.Has(LOG_DETAIL, "Halftoning Time      =    0 sec"));
    EXPECT_TRUE(log.Has(LOG_DETAIL, "Kilobytes per Second = 0"));
    EXPECT_TRUE(log.Has(LOG_DETAIL, "MimakiSE1_CMYK: exit page"));
}

TEST_F(HalftoneCoreTest, NoDebugLibraryUnlessTheSettingsAskAndNoneWhenItIsMissing) {
    New(109);
    EXPECT_FALSE(halftone->m_DbgOut.IsLoaded());
    EXPECT_EQ(halftone->m_pDbgHalftoneInfo, nullptr);

    job->m_bWriteOutputTiff = 1;  // the library is neither loaded nor beside the test
    ASSERT_EQ(New(109).InitJob(job.get()), 0);
    EXPECT_FALSE(halftone->m_DbgOut.IsLoaded());
    EXPECT_TRUE(log.HasPrefix("CHalftone::InitDebugOutput: no debug images, \"DbgOut.dll\" not available"));
    Page({Line({10, 10, 10, 10})});
    EXPECT_EQ(halftone->m_hDbgHalftoneImage, nullptr);
}

#if defined(KELMORA_DBGOUT_PATH) && defined(PRNHOST_HAVE_TIFF)
TEST_F(HalftoneCoreTest, DebugImagesDecodeBackToTheLinesOfThePage) {
    DynamicLibrary dbgOut;
    ASSERT_TRUE(dbgOut.LoadFile(KELMORA_DBGOUT_PATH)) << dbgOut.Error();
    TempFolder folder;
    job->m_strInstallFolder = folder.Path();
    job->m_strOutputFilePath = "/spool/job7.prn";
    job->m_iPageCount = 1;
    job->m_bWriteInputTiff = 1;

    // Input only: the contone image line by line; the halftone record is never opened.
    ASSERT_EQ(New(109).InitJob(job.get()), 0);
    ASSERT_TRUE(halftone->m_pDbgHalftoneInfo);
    const std::vector<uint8_t> first = Line({0, 80, 160, 240}), second = Line({255, 0, 0, 7});
    Page({first, second});
    EXPECT_FALSE(std::ifstream(folder.Path() + "job7_p1_halftone.tif").good());
    prnhost::Image contone;
    std::string error;
    ASSERT_TRUE(prnhost::ReadTiff(folder.Path() + "job7_p1_contone.tif", contone, error)) << error;
    ASSERT_EQ(contone.width, 20);
    ASSERT_EQ(contone.height, 2);
    ASSERT_EQ(contone.channels, 4);
    EXPECT_TRUE(std::equal(first.begin(), first.begin() + 80, contone.Row(0)));
    EXPECT_TRUE(std::equal(second.begin(), second.begin() + 80, contone.Row(1)));

    // Output too: the halftone image holds the page's dots, one sample per channel.
    job->m_bWriteOutputTiff = 1;
    ASSERT_EQ(New(109).InitJob(job.get()), 0);
    const std::vector<uint8_t> dots = Page({first, second});
    prnhost::Image halftoned;
    ASSERT_TRUE(prnhost::ReadTiff(folder.Path() + "job7_p1_halftone.tif", halftoned, error)) << error;
    ASSERT_EQ(halftoned.channels, 4);
    const size_t rowBytes = static_cast<size_t>(job->m_iBytesPerChannel);
    for (int y = 0; y < 2; ++y) {
        for (int c = 0; c < 4; ++c) {
            for (int x = 0; x < 20; ++x) {
                const uint8_t byte = dots[(y * 4 + c) * rowBytes + x / 8];
                const int bit = (byte >> (7 - x % 8)) & 1;
                ASSERT_EQ(halftoned.Row(y)[x * 4 + c], bit ? 255 : 0) << y << " " << c << " " << x;
            }
        }
    }
    halftone->ExitJob(job.get());
    EXPECT_FALSE(halftone->m_DbgOut.IsLoaded());
}
#endif
