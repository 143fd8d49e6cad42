// The logcollector program, run as its own process on a private pipe folder.
#include <gtest/gtest.h>

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "support/scratch_folder.h"
#include "platform/named_pipe.h"
#include "services/logger.h"

extern char** environ;

namespace {

// A started program; killed and reaped on destruction if still running.
class Program {
public:
    explicit Program(std::vector<std::string> args) {
        args.insert(args.begin(), LOGCOLLECTOR_PROGRAM);
        std::vector<char*> argv;
        for (std::string& a : args) argv.push_back(&a[0]);
        argv.push_back(nullptr);
        if (posix_spawn(&m_pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) m_pid = -1;
    }
    ~Program() {
        if (m_pid > 0) {
            kill(m_pid, SIGKILL);
            waitpid(m_pid, nullptr, 0);
        }
    }
    bool Started() const { return m_pid > 0; }
    // Exit status after the signal (or none: -1 when it was not a normal exit).
    int Wait(int signal = 0) {
        if (m_pid <= 0) return -1;
        if (signal) kill(m_pid, signal);
        int status = 0;
        waitpid(m_pid, &status, 0);
        m_pid = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

private:
    pid_t m_pid = -1;
};

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
    Program collector({"-o", out});
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
    EXPECT_EQ(collector.Wait(SIGTERM), 0);

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

TEST(LogCollectorProgram, RefusesASecondCollectorAndUnknownArguments) {
    ScratchFolder pipes(true);
    Program first({"-o", "/dev/null"});
    ASSERT_TRUE(WaitForFile(pipes.File("ZorAvudurad")));
    EXPECT_EQ(Program({"-o", "/dev/null"}).Wait(), 1);
    EXPECT_EQ(Program({"--bogus"}).Wait(), 2);
    EXPECT_EQ(Program({"-o", pipes.File("no/such/file")}).Wait(), 1);
    EXPECT_EQ(first.Wait(SIGINT), 0);
    EXPECT_TRUE(std::filesystem::is_empty(pipes.Path()));
}

}  // namespace
