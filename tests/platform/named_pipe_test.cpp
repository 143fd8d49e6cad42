#include "platform/named_pipe.h"

#include <gtest/gtest.h>

namespace {

TEST(NamedPipe, PipePathsNameAPlainFileInThePipeFolder) {
    EXPECT_EQ(platform::PipeNameFromPath("\\\\.\\pipe\\Server.log"), "Server.log");
    EXPECT_EQ(platform::PipeNameFromPath("\\\\HOST\\pipe\\ZorAvudurad"), "ZorAvudurad");
    for (const char* bad : {"", "Server", "\\\\.\\pipe\\", "\\\\\\pipe\\x", "\\\\.\\pipe\\a/b", "\\\\.\\pipe\\..",
                            "\\\\.\\tube\\x", "//./pipe/x"}) {
        EXPECT_EQ(platform::PipeNameFromPath(bad), "") << bad;
    }
}

TEST(NamedPipe, AMissingPipeCannotBeWaitedForOpenedOrWritten) {
    const std::string missing = "\\\\.\\pipe\\kelmora-no-such-pipe";
    EXPECT_FALSE(platform::PipeClient::Wait(missing, 10));
    EXPECT_FALSE(platform::PipeClient::Wait("not a pipe", 10));
    platform::PipeClient client;
    EXPECT_EQ(platform::PipeClient::Open(missing, &client), platform::PipeStatus::Failed);
    EXPECT_EQ(platform::PipeClient::Open(missing, nullptr), platform::PipeStatus::Failed);
    EXPECT_FALSE(client.IsOpen());
    EXPECT_EQ(client.Write("x", 1), platform::PipeStatus::Failed);
}

}  // namespace
