// The benchmarks' jobs at once, each in a child process (bench/child_batch.h).
#include "child_batch.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <string>

namespace {

struct Outcome {
    int status = -1;  // -1: the job failed or never reported
};

struct Case {
    const char* name;
    int endsEarly;         // the child that ends before it is set up, or -1
    int failsBeforeStart;  // the child whose job fails before it says it is set up, or -1
    std::string outcomes;  // each child's status, as the batch reports it
};

void PrintTo(const Case& c, std::ostream* out) { *out << c.name; }

class ChildBatch : public testing::TestWithParam<Case> {};

TEST_P(ChildBatch, CountsOnlyTheChildrenThatStartedAndNeverWaitsForEver) {
    const Case& c = GetParam();
    alarm(30);  // a batch that waits for ever ends the program instead of hanging it
    const auto batch = bench::RunBatchInChildren<Outcome>(3, [&c](int index, bench::StartPipe& start) {
        if (index == c.endsEarly) _exit(3);
        if (index == c.failsBeforeStart) return Outcome{};
        return start.ReadyAndWait() ? Outcome{index} : Outcome{};
    });
    alarm(0);
    std::string outcomes;
    for (const Outcome& outcome : batch.results) outcomes += std::to_string(outcome.status) + " ";
    EXPECT_EQ(outcomes, c.outcomes);
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
