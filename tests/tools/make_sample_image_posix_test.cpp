// make_sample_image as its own process.
#include <gtest/gtest.h>

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "support/scratch_folder.h"

extern char** environ;

namespace {

// A signal while the picture is written: the temporary file beside its name
// goes, and the program ends on the signal. The program is held (SIGSTOP)
// once that file grows, so that the signal surely finds it there.
TEST(MakeSampleImage, ASignalWhileThePictureIsWrittenLeavesNoTemporaryFile) {
    ScratchFolder folder;
    const std::string out = folder.File("sample.pam");
    const auto beside = [&folder, &out](bool grown) {  // the files beside the output's name (that hold bytes)
        std::vector<std::string> names;
        std::error_code gone;
        for (const auto& entry : std::filesystem::directory_iterator(folder.Path(), gone)) {
            if (entry.path() != out && (!grown || entry.file_size(gone) > 0)) names.push_back(entry.path().string());
        }
        return names;
    };
    bool held = false;
    for (int attempt = 0; attempt < 5 && !held; ++attempt) {
        std::string args[] = {MAKE_SAMPLE_IMAGE_PROGRAM, out, "4", "4000", "4000"};
        char* argv[] = {args[0].data(), args[1].data(), args[2].data(), args[3].data(), args[4].data(), nullptr};
        pid_t child = -1;
        ASSERT_EQ(posix_spawn(&child, argv[0], nullptr, nullptr, argv, environ), 0);
        int status = 0;
        while (waitpid(child, &status, WNOHANG) == 0) {  // the program ends by itself, held or not
            if (beside(true).empty()) {
                std::this_thread::sleep_for(std::chrono::microseconds(200));
                continue;
            }
            kill(child, SIGSTOP);
            held = waitpid(child, &status, WUNTRACED) == child && WIFSTOPPED(status) && !beside(true).empty();
            if (held) kill(child, SIGINT);
            kill(child, SIGCONT);
            if (!WIFSTOPPED(status) || waitpid(child, &status, 0) == child) break;
        }
        if (held) {
            EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGINT) << status;
            EXPECT_EQ(beside(false), std::vector<std::string>{});
            EXPECT_FALSE(std::filesystem::exists(out));
        }
        std::filesystem::remove(out);
    }
    EXPECT_TRUE(held) << "the temporary file was never seen";
}

}  // namespace
