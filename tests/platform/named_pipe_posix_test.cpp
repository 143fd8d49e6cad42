// Pipes as sockets in the pipe folder.
#include "platform/named_pipe.h"

#include <gtest/gtest.h>

#include "support/scratch_folder.h"

namespace {

TEST(NamedPipe, ThePipeFolderComesFromTheEnvironment) {
    ScratchFolder pipes(true);
    EXPECT_EQ(platform::PipeFolder(), pipes.Path());
}

TEST(NamedPipe, APlainFileWhereThePipeShouldBeIsNoPipe) {
    ScratchFolder pipes(true);
    WriteWholeFile(pipes.File("plain"), "");
    platform::PipeClient client;
    EXPECT_FALSE(platform::PipeClient::Wait("\\\\.\\pipe\\plain", 10));
    EXPECT_EQ(platform::PipeClient::Open("\\\\.\\pipe\\plain", &client), platform::PipeStatus::Failed);
    EXPECT_FALSE(client.IsOpen());
}

}  // namespace
