// Replacing a file whole: the name holds its old bytes or all the new ones,
// and nothing of the replacement is left beside it.
#include "platform/files.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <functional>
#include <iterator>

#include "platform/system.h"
#include "support/scratch_folder.h"

namespace {

// Sets the tests' hook for as long as it lives.
struct BeforeReplaceHook {
    explicit BeforeReplaceHook(std::function<void(const std::string&)> hook) {
        platform::SetTestBeforeReplace(std::move(hook));
    }
    ~BeforeReplaceHook() { platform::SetTestBeforeReplace(nullptr); }
};

// The name of this process's attempt-th temporary file beside path.
std::string TemporaryName(const std::string& path, int attempt) {
    return path + "." + std::to_string(platform::CurrentProcessId()) + "-" + std::to_string(attempt) + ".tmp";
}

TEST(FileReplacement, PutsTheNewBytesUnderTheNameOrLeavesItAsItWas) {
    ScratchFolder folder;
    const std::string path = folder.File("a.ini");
    const std::string victim = folder.File("victim");
    const auto identity = [&] { return platform::IdentityOfPath(path); };
    const struct {
        const char* what;
        std::function<void()> prepare;
        std::function<platform::FileIdentity()> expected;  // empty: not checked
        std::function<void(const std::string&)> meanwhile;  // after the bytes are written
        int code;
        std::string after;  // under the name; "" for nothing or a folder
        int left;           // files in the folder afterwards
    } cases[] = {
        {"no file yet", [] {}, nullptr, nullptr, 0, "new", 1},
        {"a file", [&] { WriteWholeFile(path, "old"); }, nullptr, nullptr, 0, "new", 1},
        {"unchanged since it was read", [&] { WriteWholeFile(path, "old"); }, identity, nullptr, 0, "new", 1},
        {"still missing", [] {}, identity, nullptr, 0, "new", 1},
        {"saved by someone else meanwhile", [&] { WriteWholeFile(path, "old"); }, identity,
         [&](const std::string&) { WriteWholeFile(path, "theirs"); }, platform::kReplaceChanged, "theirs", 1},
        {"made by someone else meanwhile", [] {}, identity,
         [&](const std::string&) { WriteWholeFile(path, "theirs"); }, platform::kReplaceChanged, "theirs", 1},
        // Files under the first temporary names (another user's links to a
        // file of theirs): not opened, not removed.
        {"its temporary names taken",
         [&] {
             WriteWholeFile(victim, "precious");
             for (int attempt = 0; attempt < 2; ++attempt) {
                 std::error_code linked;
                 std::filesystem::create_hard_link(victim, TemporaryName(path, attempt), linked);
                 if (linked) WriteWholeFile(TemporaryName(path, attempt), "precious");
             }
         },
         nullptr, nullptr, 0, "new", 4},
        {"a folder under the name", [&] { std::filesystem::create_directory(path); }, nullptr, nullptr, EISDIR, "", 1},
        {"a missing folder", [&] { std::filesystem::remove(folder.Path()); }, nullptr, nullptr, ENOENT, "", 0},
    };
    for (const auto& c : cases) {
        std::filesystem::remove_all(folder.Path());
        std::filesystem::create_directory(folder.Path());
        c.prepare();
        const platform::FileIdentity read = c.expected ? c.expected() : platform::FileIdentity();
        BeforeReplaceHook hook(c.meanwhile);
        EXPECT_EQ(platform::ReplaceFileContents(path, "new", 3, c.expected ? &read : nullptr), c.code) << c.what;
        EXPECT_EQ(std::filesystem::is_regular_file(path) ? ReadWholeFile(path) : "", c.after) << c.what;
        std::error_code missing;
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.Path(), missing), {}), c.left) << c.what;
        if (std::filesystem::exists(victim)) {
            EXPECT_EQ(ReadWholeFile(victim), "precious") << c.what;
        }
    }
    std::filesystem::create_directory(folder.Path());
}

}  // namespace
