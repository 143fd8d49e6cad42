// Replacing a file whole keeps what the file is (its links, permissions,
// owner and attributes) or leaves it alone.
#include "platform/files.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <functional>
#include <iterator>

#include "support/scratch_folder.h"

namespace {

constexpr uid_t kNobody = 65534;

TEST(FileReplacement, KeepsWhatTheFileIsOrLeavesItAlone) {
    ScratchFolder folder;
    ASSERT_EQ(chmod(folder.Path().c_str(), 0777), 0);
    const std::string path = folder.File("a.ini");
    const std::string real = folder.File("real.ini");
    const uid_t self = geteuid();
    const struct {
        const char* what;
        std::function<void()> prepare;  // changes the file "old" under the name
        bool asNobody;                  // the replacement runs as another user (as root only)
        int code;
        std::string bytes;  // what the file the name leads to holds afterwards
        mode_t mode;        // and its permissions
        uid_t owner;
    } cases[] = {
        {"a symbolic link: the file it leads to is replaced",
         [&] {
             std::filesystem::rename(path, real);
             std::filesystem::create_symlink("real.ini", path);
         },
         false, 0, "new", 0644, self},
        {"set-id bits are not copied", [&] { chmod(path.c_str(), 06750); }, false, 0, "new", 0750, self},
        {"a second hard link", [&] { std::filesystem::create_hard_link(path, real); }, false,
         platform::kReplaceHardLinks, "old", 0644, self},
        {"an extended attribute",
         [&] { ASSERT_EQ(setxattr(path.c_str(), "user.note", "mine", 4, 0), 0) << "user attributes in /tmp"; },
         false, platform::kReplaceAttributes, "old", 0644, self},
        // As root only: another user's files.
        {"another user's file, replaced by root", [&] { chown(path.c_str(), kNobody, kNobody); }, false, 0, "new",
         0644, kNobody},
        {"another user's file", [&] { chmod(path.c_str(), 0666); }, true, platform::kReplaceOtherOwner, "old", 0666,
         self},
        {"a file this user may not write", [] {}, true, EACCES, "old", 0644, self},
    };
    for (const auto& c : cases) {
        if ((c.asNobody || c.owner != self) && self != 0) continue;
        for (const auto& entry : std::filesystem::directory_iterator(folder.Path())) std::filesystem::remove(entry);
        WriteWholeFile(path, "old");
        ASSERT_EQ(chmod(path.c_str(), 0644), 0);
        c.prepare();
        const std::string target = std::filesystem::is_symlink(path) ? real : path;
        int code = -100;
        if (c.asNobody) {
            // In a child, as nobody; the code comes back as its exit status.
            const pid_t pid = fork();
            if (pid == 0) {
                if (setgid(kNobody) != 0 || setuid(kNobody) != 0) _exit(100);
                _exit(platform::ReplaceFileContents(path, "new", 3) + 10);
            }
            int status = 0;
            ASSERT_EQ(waitpid(pid, &status, 0), pid);
            code = WIFEXITED(status) ? WEXITSTATUS(status) - 10 : -100;
        } else {
            code = platform::ReplaceFileContents(path, "new", 3);
        }
        EXPECT_EQ(code, c.code) << c.what;
        EXPECT_EQ(ReadWholeFile(target), c.bytes) << c.what;
        struct stat st {};
        ASSERT_EQ(stat(target.c_str(), &st), 0) << c.what;
        EXPECT_EQ(st.st_mode & 07777, c.mode) << c.what;
        EXPECT_EQ(st.st_uid, c.owner) << c.what;
        EXPECT_EQ(std::filesystem::is_symlink(path), target == real) << c.what;
        // Nothing of the replacement is left beside the file.
        const long names = 1 + (target == real || c.code == platform::kReplaceHardLinks);
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.Path()), {}), names) << c.what;
    }
}

}  // namespace
