#include "platform/named_pipe.h"

#include <gtest/gtest.h>

#include "../plugin/scratch_folder.h"

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

}  // namespace
