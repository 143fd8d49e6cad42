// make_sample_image as its own process.
#include <gtest/gtest.h>

#include <signal.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "support/program_run.h"
#include "support/scratch_folder.h"

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
        testprogram::Process child({{MAKE_SAMPLE_IMAGE_PROGRAM, out, "4", "4000", "4000"}});
        ASSERT_TRUE(child.Started());
        while (!child.Ended()) {  // the program ends by itself, held or not
            if (beside(true).empty()) {
                std::this_thread::sleep_for(std::chrono::microseconds(200));
                continue;
            }
            held = child.Hold() && !beside(true).empty();
            if (held) child.Signal(SIGINT);
            child.Resume();
            break;
        }
        const testprogram::Outcome ended = child.Wait();
        if (held) {
            EXPECT_EQ(ended.signal, SIGINT) << ended.status << ": " << ended.output;
            EXPECT_EQ(beside(false), std::vector<std::string>{});
            EXPECT_FALSE(std::filesystem::exists(out));
        }
        std::filesystem::remove(out);
    }
    EXPECT_TRUE(held) << "the temporary file was never seen";
}

}  // namespace
