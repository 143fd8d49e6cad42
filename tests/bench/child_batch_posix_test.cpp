// The benchmarks' jobs at once, each in a child process (bench/child_batch.h).
#include "child_batch.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

namespace {

struct Outcome {
    int status = -1;  // -1: the job failed or never reported
};

struct Case {
    const char* name;
    int endsEarly;          // the child that ends before it is set up, or -1
    int failsBeforeStart;   // the child whose job fails before it says it is set up, or -1
    std::string outcomes;   // each child's status, as the batch reports it
};

void PrintTo(const Case& c, std::ostream* out) { *out << c.name; }

class ChildBatch : public testing::TestWithParam<Case> {};

// A batch of three children run in a watchdog process that an alarm ends, so
// that a parent waiting for ever fails the test instead of hanging it; the
// watchdog's process group (the batch's children with it) is then ended.
TEST_P(ChildBatch, CountsOnlyTheChildrenThatStartedAndNeverWaitsForEver) {
    const Case& c = GetParam();
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    const pid_t watchdog = fork();
    ASSERT_GE(watchdog, 0);
    if (watchdog == 0) {
        setpgid(0, 0);
        close(fds[0]);
        alarm(30);
        const auto batch = bench::RunBatchInChildren<Outcome>(3, [&c](int index, bench::StartPipe& start) {
            if (index == c.endsEarly) _exit(3);
            if (index == c.failsBeforeStart) return Outcome{};
            return start.ReadyAndWait() ? Outcome{index} : Outcome{};
        });
        std::string text;
        for (const Outcome& outcome : batch.results) text += std::to_string(outcome.status) + " ";
        _exit(write(fds[1], text.data(), text.size()) == ssize_t(text.size()) ? 0 : 1);
    }
    close(fds[1]);
    setpgid(watchdog, watchdog);
    int status = 0;
    const pid_t ended = waitpid(watchdog, &status, 0);
    kill(-watchdog, SIGKILL);  // children a faulty batch left waiting
    ASSERT_EQ(ended, watchdog);
    fcntl(fds[0], F_SETFL, O_NONBLOCK);
    std::string text;
    char buffer[64];
    for (ssize_t got; (got = read(fds[0], buffer, sizeof buffer)) > 0;) text.append(buffer, size_t(got));
    close(fds[0]);
    EXPECT_TRUE(WIFEXITED(status)) << "ended by signal " << (WIFSIGNALED(status) ? WTERMSIG(status) : 0)
                                   << " (14: the batch waited for a child for ever)";
    EXPECT_EQ(text, c.outcomes);
}

INSTANTIATE_TEST_SUITE_P(
    Children, ChildBatch,
    testing::Values(Case{"EveryChildStarts", -1, -1, "0 1 2 "},
                    // Set up as far as it got: it still counts as started.
                    Case{"OneJobFailsBeforeItsStart", -1, 1, "0 -1 2 "},
                    // It never says it is set up: the batch fails, and ends.
                    Case{"OneChildEndsBeforeItIsSetUp", 1, -1, "-1 -1 -1 "}),
    [](const testing::TestParamInfo<Case>& param) { return std::string(param.param.name); });

}  // namespace
