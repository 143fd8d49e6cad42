#include "platform/named_pipe.h"

#include <gtest/gtest.h>

#include "../plugin/scratch_folder.h"
#include "platform/system.h"

namespace {

TEST(NamedPipe, PipePathsNameAPlainFileInThePipeFolder) {
    EXPECT_EQ(platform::PipeNameFromPath("\\\\.\\pipe\\Server.log"), "Server.log");
    EXPECT_EQ(platform::PipeNameFromPath("\\\\HOST\\pipe\\ZorAvudurad"), "ZorAvudurad");
    for (const char* bad : {"", "Server", "\\\\.\\pipe\\", "\\\\\\pipe\\x", "\\\\.\\pipe\\a/b", "\\\\.\\pipe\\..",
                            "\\\\.\\tube\\x", "//./pipe/x"}) {
        EXPECT_EQ(platform::PipeNameFromPath(bad), "") << bad;
    }
    ScratchFolder pipes(true);
    EXPECT_EQ(platform::PipeFolder(), pipes.Path());
}

TEST(NamedPipe, AMissingPipeCannotBeWaitedForOpenedOrWritten) {
    ScratchFolder pipes(true);
    EXPECT_FALSE(platform::PipeClient::Wait("\\\\.\\pipe\\none", 10));
    EXPECT_FALSE(platform::PipeClient::Wait("not a pipe", 10));
    platform::PipeClient client;
    EXPECT_EQ(platform::PipeClient::Open("\\\\.\\pipe\\none", &client), platform::PipeStatus::Failed);
    EXPECT_EQ(platform::PipeClient::Open("\\\\.\\pipe\\none", nullptr), platform::PipeStatus::Failed);
    // A plain file where the pipe should be is no pipe either.
    WriteWholeFile(pipes.File("plain"), "");
    EXPECT_FALSE(platform::PipeClient::Wait("\\\\.\\pipe\\plain", 10));
    EXPECT_EQ(platform::PipeClient::Open("\\\\.\\pipe\\plain", &client), platform::PipeStatus::Failed);
    EXPECT_FALSE(client.IsOpen());
    EXPECT_EQ(client.Write("x", 1), platform::PipeStatus::Failed);
}

TEST(System, NamesTimesAndCountsAreInRange) {
    std::string name = "unchanged";
    if (platform::GetComputerName(&name)) {
        EXPECT_FALSE(name.empty());
        EXPECT_LE(name.size(), platform::kMaxComputerName);
    }
    EXPECT_FALSE(platform::GetComputerName(nullptr));
    const platform::LocalTime t = platform::GetLocalTime();
    EXPECT_TRUE(t.month >= 1 && t.month <= 12 && t.day >= 1 && t.day <= 31 && t.hour < 24 && t.minute < 60 &&
                t.second <= 60 && t.millisecond < 1000 && t.year >= 2024);
    EXPECT_GE(platform::ProcessorCount(), 1);
    EXPECT_GE(platform::ProcessAffinityCount(), 1);
    EXPECT_GT(platform::PerformanceFrequency(), 0);
    const uint64_t before = platform::TickCountMs();
    EXPECT_GE(platform::TickCountMs(), before);
}

}  // namespace
