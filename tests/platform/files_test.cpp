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

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

#ifndef _WIN32
struct stat Stat(const std::string& path) {
    struct stat st {};
    stat(path.c_str(), &st);
    return st;
}
#endif

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
#ifndef _WIN32
    const uid_t owner = geteuid() == 0 ? 65534 : geteuid();  // only root gives a file away
#endif
    const struct {
        const char* what;
        std::function<void()> prepare;
        std::function<platform::FileIdentity()> expected;  // empty: not checked
        std::function<void(const std::string&)> meanwhile;  // after the bytes are written
        int code;
        std::string after;  // under the name; "" for nothing or a folder
        int left;           // files in the folder afterwards
        std::function<void()> check;  // what else must hold afterwards
    } cases[] = {
        {"no file yet", [] {}, nullptr, nullptr, 0, "new", 1, nullptr},
        {"a file", [&] { WriteWholeFile(path, "old"); }, nullptr, nullptr, 0, "new", 1, nullptr},
        {"unchanged since it was read", [&] { WriteWholeFile(path, "old"); }, identity, nullptr, 0, "new", 1, nullptr},
        {"saved by someone else meanwhile", [&] { WriteWholeFile(path, "old"); }, identity,
         [&](const std::string&) { WriteWholeFile(path, "theirs"); }, platform::kReplaceChanged, "theirs", 1, nullptr},
        {"made by someone else meanwhile", [] {}, identity,
         [&](const std::string&) { WriteWholeFile(path, "theirs"); }, platform::kReplaceChanged, "theirs", 1, nullptr},
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
         nullptr, nullptr, 0, "new", 4, nullptr},
        {"a folder under the name", [&] { std::filesystem::create_directory(path); }, nullptr, nullptr, EISDIR, "", 1,
         nullptr},
        {"a missing folder", [&] { std::filesystem::remove(folder.Path()); }, nullptr, nullptr, ENOENT, "", 0,
         nullptr},
#ifndef _WIN32
        // What the file is stays: a link keeps leading to it, and it keeps its
        // permissions (not its set-id bits) and its owner.
        {"through a symbolic link",
         [&] {
             WriteWholeFile(folder.File("real.ini"), "old");
             std::filesystem::create_symlink("real.ini", path);
         },
         nullptr, nullptr, 0, "new", 2, [&] { EXPECT_TRUE(std::filesystem::is_symlink(path)); }},
        {"set-id bits", [&] { WriteWholeFile(path, "old"); chmod(path.c_str(), 06750); }, nullptr, nullptr, 0, "new", 1,
         [&] { EXPECT_EQ(Stat(path).st_mode & 07777, 06750u & 0777); }},
        {"another user's file, replaced by root", [&] { WriteWholeFile(path, "old"); chown(path.c_str(), owner, -1); },
         nullptr, nullptr, 0, "new", 1, [&] { EXPECT_EQ(Stat(path).st_uid, owner); }},
#endif
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
        if (c.check) c.check();
        if (std::filesystem::exists(victim)) {
            EXPECT_EQ(ReadWholeFile(victim), "precious") << c.what;
        }
    }
    std::filesystem::create_directory(folder.Path());
}

}  // namespace
