// The logcollector program, run as its own process on a private pipe folder.
#include <gtest/gtest.h>

#include <signal.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "support/program_run.h"
#include "support/scratch_folder.h"
#include "platform/named_pipe.h"
#include "services/logger.h"

namespace {

using testprogram::Stream;

// The collector with the arguments.
testprogram::Command Collector(const std::vector<std::string>& arguments) {
    std::vector<std::string> all = {LOGCOLLECTOR_PROGRAM};
    all.insert(all.end(), arguments.begin(), arguments.end());
    return testprogram::Command(all);
}

bool WaitForFile(const std::string& path) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!std::filesystem::exists(path)) {
        if (std::chrono::steady_clock::now() > until) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

TEST(LogCollectorProgram, ServesRequestedLogsWritesTheirBytesUnchangedAndCleansUp) {
    ScratchFolder pipes(true);
    ScratchFolder output;
    const std::string out = output.File("log.txt");
    testprogram::Process collector(Collector({"-o", out}));
    ASSERT_TRUE(collector.Started());
    ASSERT_TRUE(WaitForFile(pipes.File("ZorAvudurad")));

    CLogger logger("PC");
    logger.Open(3, "M", "Job", ".");
    logger.Log(0, "hello");
    EXPECT_EQ(logger.GetRetriesLeft(), CLogger::kMaxRetries);
    {
        platform::PipeClient raw;
        ASSERT_EQ(platform::PipeClient::Open("\\\\.\\pipe\\Job.log", &raw), platform::PipeStatus::Ok);
        EXPECT_EQ(raw.Write("raw\r\n\x80\x00 no line end", 18), platform::PipeStatus::Ok);
    }
    // A name that leaves the pipe folder is refused; the request after it is served.
    for (const std::string request : {"createlog,../evil", "createlog,Second"}) {
        platform::PipeClient control;
        ASSERT_EQ(platform::PipeClient::Open("\\\\.\\pipe\\ZorAvudurad", &control), platform::PipeStatus::Ok);
        EXPECT_EQ(control.Write(request.data(), request.size()), platform::PipeStatus::Ok);
    }
    ASSERT_TRUE(WaitForFile(pipes.File("Second.log")));
    EXPECT_FALSE(std::filesystem::exists(pipes.Path() + "/../evil.log"));
    EXPECT_EQ(collector.Stop(SIGTERM).status, 0);

    std::string text = ReadWholeFile(out);
    const std::string rawBytes("raw\r\n\x80\x00 no line end", 18);
    const size_t at = text.find(rawBytes);
    ASSERT_NE(at, std::string::npos);
    text.erase(at, rawBytes.size());
    // What is left is the logger's one line.
    EXPECT_EQ(text.find("\r\n"), text.size() - 2) << text;
    EXPECT_NE(text.find(",M,PC,hello\r\n"), std::string::npos) << text;
    EXPECT_TRUE(std::filesystem::is_empty(pipes.Path())) << "pipes left behind";
}

// What it refuses, and a log it cannot write: each ends in failure, said once.
TEST(LogCollectorProgram, RefusesASecondCollectorAndUnknownArguments) {
    ScratchFolder pipes(true);
    testprogram::Process first(Collector({"-o", "/dev/null"}));
    ASSERT_TRUE(WaitForFile(pipes.File("ZorAvudurad")));
    ScratchFolder output;
    const struct {
        std::vector<std::string> arguments;
        std::vector<std::pair<int, Stream>> files;  // what its descriptors lead to
        bool serves;  // in a pipe folder of its own, a client's lines, then SIGTERM
        int status;
        std::string said;  // once
    } cases[] = {
        {{"-o", "/dev/null"}, {}, false, 1, "logcollector: another process already serves "},
        {{"--bogus"}, {}, false, 2, "usage: logcollector"},
        {{"-o", pipes.File("no/such/file")}, {}, false, 1,
         "logcollector: cannot write " + pipes.File("no/such/file") + ": No such file or directory\n"},
        {{}, {{1, Stream::Write(output.File("out.txt"))}}, true, 0, "logcollector: listening in "},
        {{"-o", "/dev/full"}, {}, true, 1, "logcollector: cannot write /dev/full: No space left on device\n"},
        {{}, {{1, Stream::FullDevice()}}, true, 1,
         "logcollector: cannot write standard output: No space left on device\n"},
        {{}, {{1, Stream::Closed()}}, true, 1, "logcollector: cannot write standard output: Bad file descriptor\n"},
        // With standard input closed too, the first pipe the collector opens would take both numbers.
        {{}, {{0, Stream::Closed()}, {1, Stream::Closed()}}, true, 1,
         "logcollector: cannot write standard output: Bad file descriptor\n"},
    };
    for (const auto& c : cases) {
        testprogram::Command command = Collector(c.arguments);
        for (const auto& [descriptor, stream] : c.files) command.With(descriptor, stream);
        testprogram::Outcome run;
        if (c.serves) {
            ScratchFolder own(true);
            testprogram::Process collector(command);
            ASSERT_TRUE(WaitForFile(own.File("ZorAvudurad")));
            CLogger logger("PC");
            logger.Open(3, "M", "Job", ".");
            for (const char* line : {"one", "two"}) logger.Log(0, "%s", line);
            // One that cannot write its lines ends by itself.
            for (int i = 0; i < 6000 && c.status != 0 && !collector.Ended(); ++i) {
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            }
            EXPECT_EQ(collector.Ended(), c.status != 0) << testprogram::Shown(command.arguments);
            run = collector.Stop(SIGTERM);
        } else {
            run = testprogram::Run(command);
        }
        const std::string shown = testprogram::Shown(command.arguments);
        EXPECT_EQ(run.status, c.status) << shown << "\n" << run.output;
        EXPECT_NE(run.output.find(c.said), std::string::npos) << shown << "\n" << run.output;
        EXPECT_EQ(run.output.find(c.said), run.output.rfind(c.said)) << shown << "\n" << run.output;
    }
    EXPECT_NE(ReadWholeFile(output.File("out.txt")).find(",M,PC,two\r\n"), std::string::npos);
    EXPECT_EQ(first.Stop(SIGINT).status, 0);
    EXPECT_TRUE(std::filesystem::is_empty(pipes.Path()));
}

}  // namespace
