// The pipe logger against a log collector running on a private pipe folder.
#include "services/logger.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <regex>
#include <thread>

#include "collector_runner.h"
#include "platform/system.h"
#include "support/scratch_folder.h"

namespace {

struct LogLine {
    unsigned sequence;
    unsigned level;
    std::string thread;
    std::string module;
    std::string computer;
    std::string message;
};

// Splits collector output into lines, checking the fixed part of each.
std::vector<LogLine> ParseLines(const std::string& text) {
    static const std::regex kLine(
        R"((\d\d)/(\d\d)/(\d{4}) (\d\d):(\d\d):(\d\d)\.(\d{3}),(\d+),(\d+),(-?\d+),([^,]*),([^,]*),(.*))");
    std::vector<LogLine> lines;
    size_t start = 0;
    for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
        const std::string line = text.substr(start, end - start);
        std::smatch m;
        EXPECT_TRUE(std::regex_match(line, m, kLine)) << line;
        if (m.empty()) continue;
        EXPECT_GE(std::stoi(m[1]), 1);
        EXPECT_LE(std::stoi(m[2]), 12);
        lines.push_back(LogLine{static_cast<unsigned>(std::stoul(m[8])), static_cast<unsigned>(std::stoul(m[9])),
                                m[10], m[11], m[12], m[13]});
    }
    EXPECT_EQ(start, text.size()) << "text after the last line end";
    return lines;
}

void LogModule(CLogger& logger, const char* module, int level, const char* format, ...) {
    va_list args;
    va_start(args, format);
    logger.LogModuleV(module, level, format, args);
    va_end(args);
}

class PipeLogger : public ::testing::Test {
protected:
    void StartCollector(CollectorRunner& collector) {
        std::string error;
        ASSERT_TRUE(collector.Start(&error)) << error;
    }

    ScratchFolder pipes{true};
};

TEST_F(PipeLogger, HandshakesThenWritesFilteredLinesInTheLineFormat) {
    CollectorRunner collector;
    StartCollector(collector);
    CLogger logger("PC%s%n");
    logger.Log(0, "before open");  // dropped
    logger.Open(3, "Mod%dule", "Server", ".");
    logger.Log(2000, "%d%%", 50);
    EXPECT_TRUE(std::filesystem::exists(pipes.File("Server.log")));
    logger.Log(4000, "debug is above level 3");
    LogModule(logger, "Other", 4000, "module %s", "lines are not filtered");
    logger.Log(3999, "detail, with, commas");
    logger.Log(2000, nullptr);
    const std::string tid = std::to_string(static_cast<int>(platform::CurrentThreadId()));

    const std::vector<LogLine> lines = ParseLines(collector.Stop());
    // One handshake, or a few more when the collector's thread was slow to
    // serve the log pipe (nothing waits for it): each line arrives once.
    EXPECT_GE(collector.CreatelogCount(), 1);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].sequence, 0u);
    EXPECT_EQ(lines[0].level, 2000u);
    EXPECT_EQ(lines[0].thread, tid);
    EXPECT_EQ(lines[0].module, "Mod%dule");
    EXPECT_EQ(lines[0].computer, "PC%s%n");
    EXPECT_EQ(lines[0].message, "50%");
    EXPECT_EQ(lines[1].sequence, 1u);
    EXPECT_EQ(lines[1].module, "Other");
    EXPECT_EQ(lines[1].level, 4000u);
    EXPECT_EQ(lines[1].message, "module lines are not filtered");
    EXPECT_EQ(lines[2].sequence, 2u);
    EXPECT_EQ(lines[2].message, "detail, with, commas");
}

TEST_F(PipeLogger, OpensOnceAndOnlyWithAllNames) {
    CollectorRunner collector;
    StartCollector(collector);
    CLogger logger("PC");
    logger.Open(3, nullptr, "Server", ".");
    EXPECT_FALSE(logger.IsOpen());
    logger.Open(3, "M", "Server", ".");
    logger.Open(4, "N", "Other", ".");
    EXPECT_EQ(logger.GetLevel(), 3);
    EXPECT_TRUE(logger.IsEnabled(3999));
    EXPECT_FALSE(logger.IsEnabled(4000));
    logger.Log(0, "x");
    EXPECT_FALSE(std::filesystem::exists(pipes.File("Other.log"))) << "the second Open asked for no pipe";
    const std::vector<LogLine> lines = ParseLines(collector.Stop());
    EXPECT_GE(collector.CreatelogCount(), 1);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].module, "M");
}

TEST_F(PipeLogger, TenFailedAttemptsSilenceTheLoggerForGood) {
    CLogger logger("PC");
    logger.Open(3, "M", "Server", ".");
    logger.Log(0, "nobody listens");
    EXPECT_EQ(logger.GetRetriesLeft(), 0u);

    CollectorRunner collector;
    StartCollector(collector);
    logger.Log(0, "still nobody");
    EXPECT_EQ(collector.Stop(), "");
    EXPECT_EQ(collector.CreatelogCount(), 0);  // not even a handshake
}

TEST_F(PipeLogger, ABrokenPipeIsReopenedForTheNextLine) {
    CLogger logger("PC");
    auto first = std::make_unique<CollectorRunner>();
    StartCollector(*first);
    logger.Open(3, "M", "Server", ".");
    logger.Log(0, "one");
    ASSERT_EQ(ParseLines(first->Stop()).size(), 1u);
    first.reset();

    CollectorRunner second;
    StartCollector(second);
    logger.Log(0, "two");
    EXPECT_EQ(logger.GetRetriesLeft(), CLogger::kMaxRetries);
    const std::vector<LogLine> lines = ParseLines(second.Stop());
    EXPECT_GE(second.CreatelogCount(), 1);  // as above
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].sequence, 1u);
    EXPECT_EQ(lines[0].message, "two");
}

TEST_F(PipeLogger, WorkerThreadsShareItWithoutTornLinesOrRepeatedNumbers) {
    CollectorRunner collector;
    StartCollector(collector);
    CLogger logger("PC");
    logger.Open(3, "M", "Server", ".");
    constexpr int kThreads = 8;
    constexpr int kLines = 25;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&logger, t] {
            for (int i = 0; i < kLines; ++i) {
                logger.SetLevel(3);
                logger.Log(2000, "thread %d line %d %s", t, i, std::string(300, 'x').c_str());
            }
        });
    }
    for (std::thread& t : threads) t.join();

    const std::vector<LogLine> lines = ParseLines(collector.Stop());
    ASSERT_EQ(lines.size(), static_cast<size_t>(kThreads * kLines));
    std::vector<unsigned> sequences;
    std::vector<int> next(kThreads, 0);
    for (const LogLine& line : lines) {
        sequences.push_back(line.sequence);
        int t = -1;
        int i = -1;
        ASSERT_EQ(std::sscanf(line.message.c_str(), "thread %d line %d", &t, &i), 2) << line.message;
        ASSERT_TRUE(t >= 0 && t < kThreads);
        EXPECT_EQ(i, next[t]++) << "lines of one thread out of order";
        EXPECT_EQ(line.message.size(), line.message.find('x') + 300);
    }
    std::sort(sequences.begin(), sequences.end());
    for (size_t k = 0; k < sequences.size(); ++k) EXPECT_EQ(sequences[k], k);
}

}  // namespace
