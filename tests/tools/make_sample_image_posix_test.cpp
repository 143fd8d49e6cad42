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

namespace fs = std::filesystem;

// The names in the folder other than the output's own.
std::vector<std::string> Others(const std::string& folder, const std::string& name) {
    std::vector<std::string> names;
    std::error_code failed;
    for (const auto& entry : fs::directory_iterator(folder, failed)) {
        if (entry.path().filename() != name) names.push_back(entry.path().filename().string());
    }
    return names;
}

// Whether a file beside the output's name holds bytes: the picture is being written.
bool Writing(const std::string& folder, const std::string& name) {
    for (const std::string& other : Others(folder, name)) {
        std::error_code gone;
        if (fs::file_size(folder + "/" + other, gone) > 0 && !gone) return true;
    }
    return false;
}

// A signal while the picture is written: the temporary file beside its name
// goes, and the program ends on the signal. The program is held (SIGSTOP)
// once its temporary file grows, so that the signal surely finds it there.
TEST(MakeSampleImage, ASignalWhileThePictureIsWrittenLeavesNoTemporaryFile) {
    ScratchFolder folder;
    const std::string out = folder.File("sample.pam");
    bool held = false;
    for (int attempt = 0; attempt < 5 && !held; ++attempt) {
        std::vector<std::string> args = {MAKE_SAMPLE_IMAGE_PROGRAM, out, "4", "4000", "4000"};
        std::vector<char*> argv;
        for (std::string& a : args) argv.push_back(&a[0]);
        argv.push_back(nullptr);
        pid_t child = -1;
        ASSERT_EQ(posix_spawn(&child, argv[0], nullptr, nullptr, argv.data(), environ), 0);
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        int status = 0;
        bool ended = false;
        while (!held && !ended && std::chrono::steady_clock::now() < until) {
            if (Writing(folder.Path(), "sample.pam")) {
                kill(child, SIGSTOP);
                ASSERT_EQ(waitpid(child, &status, WUNTRACED), child);
                ended = !WIFSTOPPED(status);
                held = !ended && Writing(folder.Path(), "sample.pam");
                if (held) kill(child, SIGINT);
                kill(child, SIGCONT);
                break;
            }
            ended = waitpid(child, &status, WNOHANG) == child;
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        if (!ended && !held && std::chrono::steady_clock::now() >= until) kill(child, SIGKILL);
        if (!ended) {
            ASSERT_EQ(waitpid(child, &status, 0), child);
        }
        if (held) {
            EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGINT) << status;
            EXPECT_EQ(Others(folder.Path(), "sample.pam"), std::vector<std::string>{});
            EXPECT_FALSE(fs::exists(out));
        }
        fs::remove(out);
    }
    EXPECT_TRUE(held) << "the temporary file was never seen";
}

}  // namespace
