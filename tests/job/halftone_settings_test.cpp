// Halftoning mode and the search for the screening file.
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "job/job_test_support.h"

namespace {

namespace fs = std::filesystem;

class HalftoneSettings : public JobTest {
protected:
    void SetUp() override {
        fs::create_directories(libraryDir);
        fs::create_directories(screeningDir);
        Ticket(kMinimalJob);
        store.Set(3, kJobId, "Output/Prn/Linearization/BPLPath", (libraryDir / "job.epl").string());
        // The screening folder given with a backslash at its end.
        store.Set(0, 0, "System/Folders/SPT", screeningDir.string() + "\\");
    }
    void TearDown() override { fs::remove_all(root); }
    void Touch(const fs::path& path) { std::ofstream(path) << "SPT2"; }

    fs::path root = TempPath("");
    fs::path libraryDir = root / "lib";
    fs::path screeningDir = root / "spt";
};

TEST_F(HalftoneSettings, MatrixModeFindsTheModelFileBesideTheLinearisationFileFirst) {
    store.Set(3, kJobId, "Output/Prn/BPL/HalftoneMode", 6);
    Touch(screeningDir / "700_720x720dpi.spt");
    ASSERT_EQ(Read(), 0);
    EXPECT_EQ(fs::path(job->m_strScreeningFile), screeningDir / "700_720x720dpi.spt");

    Touch(libraryDir / "700_720x720dpi.spt");
    ASSERT_EQ(Read(), 0);
    EXPECT_EQ(fs::path(job->m_strScreeningFile), libraryDir / "700_720x720dpi.spt");
    EXPECT_TRUE(log.Has("\tHalftoning mode\t= 6"));
}

TEST_F(HalftoneSettings, MissingScreeningFileFailsTheJob) {
    store.Set(3, kJobId, "Output/Prn/BPL/HalftoneMode", 6);
    store.Set(3, kJobId, "Output/Prn/BPL/ScreeningFile", std::string("Custom.spt"));
    EXPECT_EQ(Read(), -2);
    EXPECT_EQ(job->m_strScreeningFile, "Custom.spt");
    EXPECT_TRUE(log.Has(0, "FATAL ERROR: Screening file \"Custom.spt\" not found"));
    Touch(screeningDir / "Custom.spt");
    EXPECT_EQ(Read(), 0);
}

TEST_F(HalftoneSettings, ModesWithoutMatrixNeedNoFile) {
    store.Set(3, kJobId, "Output/Prn/BPL/HalftoneMode", 7);
    ASSERT_EQ(Read(), 0);
    EXPECT_TRUE(job->m_strScreeningFile.empty());
    store.Erase(3, kJobId, "Output/Prn/BPL/HalftoneMode");
    ASSERT_EQ(Read(), 0);
    EXPECT_EQ(job->m_iHalftoneMode, 0);
    EXPECT_EQ(job->m_iHalftoneVersion, 1);
}

}  // namespace
