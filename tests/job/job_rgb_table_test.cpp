// A job whose ticket names a printer calibration gets the RGB table of its
// linearisation file, when the linearisation library can be loaded.
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "job/job_test_support.h"
#include "platform/dynamic_library.h"

namespace {

class JobRgbTable : public JobTest {
protected:
    void SetUp() override {
        // A 3-node grid that inverts every channel.
        std::ofstream file(eplPath);
        file << "EPLSTANDIN 1\nkind 4\nrgbgrid 3\n";
        const int level[3] = {0, 32767, 65535};
        for (int r = 0; r < 3; ++r)
            for (int g = 0; g < 3; ++g)
                for (int b = 0; b < 3; ++b)
                    file << 65535 - level[r] << " " << 65535 - level[g] << " " << 65535 - level[b] << "\n";
        file.close();
        Ticket(kMinimalJob);
        store.Set(3, kJobId, "Output/Prn/Linearization/BPLPath", eplPath);
        store.Set(3, kJobId, "Output/Prn/Linearization/Printercalibration", std::string("inverted"));
    }
    void TearDown() override { std::remove(eplPath.c_str()); }

    std::string eplPath = TempPath(".epl");
};

TEST_F(JobRgbTable, LoadedLibraryGivesTheJobItsTable) {
    platform::DynamicLibrary library;  // already loaded: the search finds it first
    ASSERT_TRUE(library.LoadFile(KELMORA_EPL_PATH));
    ASSERT_EQ(Read(), 0);
    ASSERT_TRUE(job->m_bEplRgbTableLoaded);
    const uint8_t* table = job->m_pEplRgbTable.get();
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(table[0], 255);
    const size_t white = (size_t{255} * 65536 + 255 * 256 + 255) * 3;
    EXPECT_EQ(table[white], 0);
    const size_t red = size_t{255} * 65536 * 3;
    EXPECT_EQ(table[red], 0);
    EXPECT_EQ(table[red + 1], 255);
}

TEST_F(JobRgbTable, WithoutTheLibraryTheJobReadsOnWithoutATable) {
    ASSERT_EQ(Read(), 0);
    EXPECT_FALSE(job->m_bEplRgbTableLoaded);
    EXPECT_EQ(job->m_pEplRgbTable, nullptr);
    EXPECT_TRUE(log.HasPrefix("\tNo RGB table from the linearisation library"));
}

TEST_F(JobRgbTable, NoCalibrationNoTable) {
    platform::DynamicLibrary library;
    ASSERT_TRUE(library.LoadFile(KELMORA_EPL_PATH));
    store.Erase(3, kJobId, "Output/Prn/Linearization/Printercalibration");
    ASSERT_EQ(Read(), 0);
    EXPECT_FALSE(job->m_bEplRgbTableLoaded);
}

}  // namespace
