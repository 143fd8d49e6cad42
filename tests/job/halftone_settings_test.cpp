// Halftoning mode and the search for the screening file.
#include <cstdio>
#include <filesystem>
#include <fstream>

#ifndef _WIN32
#include <sys/stat.h>
#endif

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

// The job fails telling the user why, in "Output/ErrorMessage" and the log:
// nothing under the name in either folder, or something that is no file.
TEST_F(HalftoneSettings, MissingScreeningFileFailsTheJob) {
    store.Set(3, kJobId, "Output/Prn/BPL/HalftoneMode", 6);
    store.Set(3, kJobId, "Output/Prn/BPL/ScreeningFile", std::string("Custom.spt"));
    // The job spells the folders with '/'.
    const std::string custom = (screeningDir / "Custom.spt").generic_string();
    const struct {
        const char* what;
        void (*make)(const std::string& path);
        std::string fault;
    } cases[] = {
        {"nothing", [](const std::string&) {},
         "\"Custom.spt\" not found in \"" + libraryDir.generic_string() + "/\" or \"" + screeningDir.generic_string() +
             "/\""},
        {"a folder", [](const std::string& path) { fs::create_directory(path); },
         "\"" + custom + "\" is not a regular file"},
#ifndef _WIN32
        {"a FIFO", [](const std::string& path) { ASSERT_EQ(mkfifo(path.c_str(), 0600), 0); },
         "\"" + custom + "\" is not a regular file"},
#endif
    };
    for (const auto& c : cases) {
        fs::remove_all(custom);
        c.make(custom);
        store.Erase(3, kJobId, "Output/ErrorMessage");
        EXPECT_EQ(Read(), -2) << c.what;
        EXPECT_EQ(job->m_strScreeningFile, "Custom.spt") << c.what;
        // A file in neither folder is logged as not found; anything else under the name with its fault.
        const std::string logged = std::string(c.what) == "nothing" ? "\"Custom.spt\" not found" : c.fault;
        EXPECT_TRUE(log.Has(0, "FATAL ERROR: Screening file " + logged)) << c.what;
        ASSERT_NE(Key("Output/ErrorMessage"), nullptr) << c.what;
        EXPECT_EQ(std::get<std::string>(Key("Output/ErrorMessage")->at(0)), "Reredir.uze: Screening file " + c.fault)
            << c.what;
    }
    fs::remove_all(custom);
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
