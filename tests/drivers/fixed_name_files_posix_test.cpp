// The files read by a fixed name from the current folder are read only when
// they are regular files: a pipe under the name would block the job for ever.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <thread>

#include "cutting/print_and_cut.h"
#include "drivers/tx500.h"
#include "drivers/ujf605.h"
#include "halftone/spot_file.h"
#include "job/varn_prn.h"
#include "support/current_folder.h"
#include "support/scratch_folder.h"

namespace {

// Runs `body` in a child process: true when it ends within `limit` with no
// failure of its own (the child prints what failed); a child that is still
// running then is killed.
::testing::AssertionResult RunsInAChildWithin(const std::function<void()>& body, std::chrono::milliseconds limit) {
    std::fflush(nullptr);
    const pid_t child = fork();
    if (child < 0) return ::testing::AssertionFailure() << "cannot start a child process";
    if (child == 0) {
        const ::testing::TestResult& result = *::testing::UnitTest::GetInstance()->current_test_info()->result();
        const int before = result.total_part_count();
        body();
        std::fflush(nullptr);
        _exit(result.total_part_count() > before ? 1 : 0);
    }
    const auto end = std::chrono::steady_clock::now() + limit;
    int status = 0;
    pid_t done = 0;
    while ((done = waitpid(child, &status, WNOHANG)) == 0 && std::chrono::steady_clock::now() < end) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    if (done == 0) {
        kill(child, SIGKILL);
        waitpid(child, &status, 0);
        return ::testing::AssertionFailure() << "still running after " << limit.count() << " ms";
    }
    if (done < 0 || !WIFEXITED(status)) return ::testing::AssertionFailure() << "the child process crashed";
    if (WEXITSTATUS(status) != 0) return ::testing::AssertionFailure() << "failed in the child process (above)";
    return ::testing::AssertionSuccess();
}

}  // namespace

TEST(FixedNameFiles, APipeUnderTheNameIsLeftUnread) {
    ScratchFolder folder;
    const CurrentFolder inFolder(folder.Path());
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
        // A read that blocks fails the case instead of hanging the program.
        EXPECT_TRUE(RunsInAChildWithin(c.read, std::chrono::seconds(10))) << c.name;
    }
}
