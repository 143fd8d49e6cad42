// The files read by a fixed name from the current folder are read only when
// they are regular files: a pipe under the name would block the job for ever.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <functional>

#include "cutting/print_and_cut.h"
#include "drivers/tx500.h"
#include "drivers/ujf605.h"
#include "halftone/spot_file.h"
#include "job/varn_prn.h"
#include "support/scratch_folder.h"

TEST(FixedNameFiles, APipeUnderTheNameIsLeftUnread) {
    ScratchFolder folder;
    const std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::current_path(folder.Path());
    CVarnPrn job(nullptr, 1, nullptr);
    SpotData spots;
    const struct {
        const char* name;
        std::function<void()> read;  // and what it makes of no file
    } cases[] = {
        {kColorCodeOverrideFile, [] { EXPECT_EQ(Tx500_Intern().m_aColorCodes[3], 0); }},
        {"UJF_EnableDeleteOnClose.txt", [&] { EXPECT_TRUE(UJF_Intern(&job).m_bDeleteOnClose); }},
        {kDefaultSpotFile, [&] { EXPECT_EQ(ReadSpotFile(nullptr, &job, kDefaultSpotFile, spots), SPOT_ERR_OPEN); }},
        {"WorkaroundMissingCutData.txt", [&] { EXPECT_FALSE(printandcut::ReportMissingCutData(&job, "none")); }},
    };
    for (const auto& c : cases) {
        ASSERT_EQ(mkfifo(c.name, 0600), 0) << c.name;
        alarm(10);  // a read that blocks ends the program instead of hanging it
        c.read();
        alarm(0);
    }
    std::filesystem::current_path(previous);
}
