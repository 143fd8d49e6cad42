#include "halftone/epl_proxy.h"

#include <gtest/gtest.h>

#include <vector>

#include "halftone/fixtures/epl_fixture.h"
#include "halftone/recording_logger.h"
#include "platform/temp_folder.h"

using namespace platform;

namespace {

// The test library, loaded by the test itself to reach its state; the proxy
// then loads the same file from its folder.
class EplProxyTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_fixture.LoadFile(KELMORA_EPL_FIXTURE_PATH)) << m_fixture.Error();
        m_fixture.Function<EplFixtureResetFn>("EplFixtureReset")();
        state = m_fixture.Function<EplFixtureStateFn>("EplFixtureGetState")();
    }

    // Builds with a CMYK job's usual settings, changed by the arguments.
    int32_t Build(int32_t outputMode, const std::string& eplPath = "/data/lin/job.epl",
                  int32_t clcJob = 0, int32_t clcNonincremental = 0, const std::string& vcPath = "") {
        EPLProxy proxy(&logger, FolderOfPath(KELMORA_EPL_FIXTURE_PATH));
        return proxy.BuildLuts(1.8, 250, vcPath, limits.data(), limits.size(), clcJob,
                               clcNonincremental, eplPath, outputMode, curves);
    }

    DynamicLibrary m_fixture;
    EplFixtureState* state = nullptr;
    RecordingLogger logger;
    std::vector<int32_t> limits = {9000, 8000, 7000, 6000, 5000, 4000, 0, 12000};
    EplCurveSets curves;
};

}  // namespace

TEST_F(EplProxyTest, HandsTheJobSettingsToTheLibraryAndReturnsItsCurves) {
    EXPECT_EQ(Build(4, "/data/lin/job.epl", 30, 60, "/data/vc.txt"), 1);
    ASSERT_EQ(state->buildCalls, 1);
    const EplBuildRecord& r = state->lastRecord;
    EXPECT_EQ(std::vector<int32_t>(r.inkLimitPerChannel, r.inkLimitPerChannel + 4),
              (std::vector<int32_t>{9000, 8000, 7000, 6000}));
    EXPECT_EQ(r.inkLimitChannel4And5[0], 5000);
    EXPECT_EQ(r.inkLimitChannel4And5[1], 4000);
    EXPECT_EQ(r.inkLimitAll, 250);
    EXPECT_EQ(r.gamma, 1.8);
    EXPECT_EQ(state->lastEplPath, "/data/lin/job.epl");
    EXPECT_EQ(state->lastVisualCorrectionPath, "/data/vc.txt");
    EXPECT_EQ(r.clcValue, 60);
    EXPECT_EQ(state->lastClcTempPath, "/data/lin/CLCtmp.clc");
    for (int32_t v : r.inkLimitExtra) EXPECT_EQ(v, 0);
    EXPECT_EQ(r.reserved72, 0);
    EXPECT_EQ(r.reserved180, 0);

    // Set s holds library curves 4s .. 4s+3, each 256 values.
    for (size_t set = 0; set < 4; ++set) {
        ASSERT_EQ(curves[set].size(), 1024u);
        for (size_t i = 0; i < 1024; i += 37) EXPECT_EQ(curves[set][i], set * 1024 + i) << set << " " << i;
    }
}

TEST_F(EplProxyTest, ChannelsFourAndFiveHaveTheirOwnPlaceAndTheJobsLimitsStayAsGiven) {
    const std::vector<int32_t> given = limits;
    EXPECT_EQ(Build(4), 1);
    const EplBuildRecord& r = state->lastRecord;
    EXPECT_EQ(r.inkLimitChannel4And5[0], 5000);
    EXPECT_EQ(r.inkLimitChannel4And5[1], 4000);
    for (int32_t v : r.inkLimitExtra) EXPECT_EQ(v, 0);
    EXPECT_EQ(limits, given);  // channel 6's 0 is passed on as it is: no input colour mode has a seventh channel

    // Channels past the job's list count as 10000.
    limits.resize(5);
    EXPECT_EQ(Build(4), 1);
    EXPECT_EQ(state->lastRecord.inkLimitChannel4And5[0], 5000);
    EXPECT_EQ(state->lastRecord.inkLimitChannel4And5[1], 10000);
}

TEST_F(EplProxyTest, ColorCalibrationValueAndTemporaryFile) {
    EXPECT_EQ(Build(4, "/data/lin/job.epl", 0, 80), 1);
    EXPECT_EQ(state->lastRecord.clcValue, 0);
    EXPECT_EQ(state->lastClcTempPath, "<null>");
    EXPECT_EQ(state->lastVisualCorrectionPath, "<null>");

    EXPECT_EQ(Build(4, "C:\\lin\\job.epl", 30, 50), 1);
    EXPECT_EQ(state->lastRecord.clcValue, 30);
    EXPECT_EQ(state->lastClcTempPath, "C:\\lin\\CLCtmp.clc");

    EXPECT_EQ(Build(4, "job.epl", 30, 51), 1);
    EXPECT_EQ(state->lastRecord.clcValue, 51);
    EXPECT_EQ(state->lastClcTempPath, "job.eplCLCtmp.clc");
}

TEST_F(EplProxyTest, LibraryFailureIsPassedOnAndLogged) {
    for (int32_t failure : {0, -7}) {
        state->buildResult = failure;
        EXPECT_EQ(Build(4), failure);
        EXPECT_TRUE(logger.Has(LOG_ERROR, "EPLProxy::BuildLut: BuildLut failed with error " + std::to_string(failure)));
    }
    EXPECT_TRUE(curves[0].empty());
}

TEST_F(EplProxyTest, KindMustMatchTheOutputColorMode) {
    state->buildResult = 1;  // kind 4
    EXPECT_EQ(Build(6), EPL_RESULT_KIND_MISMATCH);
    EXPECT_TRUE(logger.Has(LOG_ERROR, "EPLProxy::BuildLuts: invalid EPL linearization mode CLIN_ ( expected 6 get 4)"));
    EXPECT_TRUE(curves[0].empty());

    // Mode 76 needs a kind that no result reports.
    for (int32_t result = 1; result < 40; ++result) {
        state->buildResult = result;
        EXPECT_EQ(Build(76), EPL_RESULT_KIND_MISMATCH) << result;
    }

    // Pairs of output colour mode and library result that belong together.
    const std::pair<int32_t, int32_t> matching[] = {{4, 10}, {999, 1}, {35, 7}, {162, 9}, {140, 18}, {75, 26}};
    for (const auto& [mode, result] : matching) {
        state->buildResult = result;
        EXPECT_EQ(Build(mode), result) << mode << " " << result;
    }
    state->buildResult = 18;
    EXPECT_EQ(Build(133), EPL_RESULT_KIND_MISMATCH);
    EXPECT_EQ(Build(141), EPL_RESULT_KIND_MISMATCH);
}

TEST_F(EplProxyTest, MissingPiecesOfTheLibraryFailWithTheirMessages) {
    state->table.BuildLut = nullptr;
    EXPECT_EQ(Build(4), EPL_RESULT_NO_BUILDLUT);
    EXPECT_TRUE(logger.Has(LOG_ERROR, "EPLProxy::BuildLut(): m_pEPLInterface!=NULL, but m_pEPLInterface->BuildLut==NULL!"));

    state->returnNullInterface = true;
    EXPECT_EQ(Build(4), EPL_RESULT_NO_LIBRARY);
    EXPECT_TRUE(logger.Has(LOG_ERROR, "EPLProxy::LoadDLL(): Dynamic library could be loaded, and entry point "
                                      "'GetEPLInterface' was found, but when calling it, NULL got returned!"));

    RecordingLogger noEntryLog;
    EplCurveSets out;
    EPLProxy noEntry(&noEntryLog, FolderOfPath(KELMORA_EPL_NOENTRY_PATH));
    EXPECT_EQ(noEntry.BuildLuts(1.0, 100, "", limits.data(), limits.size(), 0, 0, "x.epl", 4, out),
              EPL_RESULT_NO_LIBRARY);
    EXPECT_TRUE(noEntryLog.Has(LOG_ERROR, "EPLProxy::LoadDLL(): Dynamic library could be loaded, but entry point "
                                          "'GetEPLInterface' could not be found!"));

    TempFolder empty;
    RecordingLogger missingLog;
    EPLProxy missing(&missingLog, empty.Path());
    EXPECT_EQ(missing.BuildLuts(1.0, 100, "", limits.data(), limits.size(), 0, 0, "x.epl", 4, out),
              EPL_RESULT_NO_LIBRARY);
    EXPECT_TRUE(missingLog.Has(LOG_ERROR, "EPLProxy::LoadDLL('epl.dll'): Dynamic Library could not be loaded!"));
    EXPECT_EQ(missing.Interface(), nullptr);
}

TEST_F(EplProxyTest, LibraryDirectoryIsThatOfTheLoadedLibrary) {
    std::string directory;
    GetEplDirectory(directory);
    const std::string loaded = FindLoadedLibrary("EPL.dll");
    EXPECT_EQ(directory, FolderOfPath(loaded));

    // The proxy without a directory of its own finds the library there.
    EPLProxy proxy(&logger);
    proxy.LoadDLL();
    EXPECT_NE(proxy.Interface(), nullptr);
}
