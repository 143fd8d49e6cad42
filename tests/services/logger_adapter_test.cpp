#include "services/logger_adapter.h"

#include <gtest/gtest.h>

#include "recording_logger.h"

namespace {

struct FakeJob {
    clLogFullInterface* m_pLogger = nullptr;
};

using Line = RecordingLogger::Line;

TEST(JobLoggerAdapter, ForwardsEachKindOfMessageAtItsLevel) {
    RecordingLogger log;
    FakeJob job{&log};
    JobLoggerAdapter<FakeJob> adapter(&job);
    ILogger& logger = adapter;
    logger.LogError("e 100%d");
    logger.LogWarning("w");
    logger.LogInfo("i");
    logger.LogTrace("t");
    logger.LogTraceString(std::string("ts"));
    logger.LogDebug("d");
    logger.Log(1234, "any");
    logger.Log(0, nullptr);
    EXPECT_EQ(log.lines, (std::vector<Line>{
                             {0, "e 100%d"}, {1000, "w"}, {2000, "i"}, {3000, "t"}, {3000, "ts"}, {4000, "d"},
                             {1234, "any"}}));

    logger.SetLevel(2);
    EXPECT_EQ(log.maxLevel, 2);
    EXPECT_EQ(logger.GetLevel(), 2);
    EXPECT_TRUE(logger.IsEnabled(2999));
    EXPECT_FALSE(logger.IsEnabled(3000));
    EXPECT_EQ(logger.GetLogger(), &log);

    // The job's logger is looked up on every call.
    RecordingLogger other;
    job.m_pLogger = &other;
    logger.LogInfo("moved");
    EXPECT_EQ(other.lines, (std::vector<Line>{{2000, "moved"}}));
}

TEST(JobLoggerAdapter, WithoutJobOrLoggerDoesNothing) {
    FakeJob job;
    for (JobLoggerAdapter<FakeJob> adapter : {JobLoggerAdapter<FakeJob>(nullptr), JobLoggerAdapter<FakeJob>(&job)}) {
        adapter.LogError("lost");
        adapter.SetLevel(4);
        EXPECT_EQ(adapter.GetLevel(), 0);
        EXPECT_FALSE(adapter.IsEnabled(0));
        EXPECT_EQ(adapter.GetLogger(), nullptr);
    }
}

}  // namespace
