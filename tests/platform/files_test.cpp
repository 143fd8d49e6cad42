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

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>
#endif

namespace {

#ifndef _WIN32
struct stat Stat(const std::string& path) {
    struct stat st {};
    stat(path.c_str(), &st);
    return st;
}

// Gives folder a default ACL that lets user 65534 read and write what is made
// in it, so that a new file there gains an access ACL: false where the file
// system keeps no ACLs.
bool GiveDefaultAcl(const std::string& folder) {
    struct Entry {
        uint16_t tag, perm;
        uint32_t id;
    };
    const uint32_t version = 2, anyone = 0xFFFFFFFF;
    const Entry entries[] = {{0x01, 6, anyone}, {0x02, 6, 65534}, {0x04, 4, anyone}, {0x10, 6, anyone},
                             {0x20, 4, anyone}};
    std::string value(reinterpret_cast<const char*>(&version), 4);
    for (const Entry& e : entries) value.append(reinterpret_cast<const char*>(&e), sizeof e);
    return setxattr(folder.c_str(), "system.posix_acl_default", value.data(), value.size(), 0) == 0;
}
#else
// The replace call's documented outcomes, played on the files (see
// platform::SetTestReplaceCall). Nothing moved, with or without a backup
// name; without one the replaced file is gone.
unsigned long NothingMoved(const std::string& replaced, const std::string&, const std::string& backup) {
    if (backup.empty()) DeleteFileA(replaced.c_str());
    return ERROR_UNABLE_TO_MOVE_REPLACEMENT;
}
// The old file moved to the backup name, the new one still the temporary.
unsigned long OldMovedAside(const std::string& replaced, const std::string&, const std::string& backup) {
    if (backup.empty()) {
        DeleteFileA(replaced.c_str());
    } else {
        MoveFileExA(replaced.c_str(), backup.c_str(), MOVEFILE_REPLACE_EXISTING);
    }
    return ERROR_UNABLE_TO_MOVE_REPLACEMENT_2;
}
// The same, and another file takes the name at once.
unsigned long OldMovedAsideNameTaken(const std::string& replaced, const std::string& replacement,
                                     const std::string& backup) {
    const unsigned long error = OldMovedAside(replaced, replacement, backup);
    WriteWholeFile(replaced, "theirs");
    return error;
}
#endif

// An id that no process has now: the id of a run that has ended.
uint32_t EndedProcess() {
    uint32_t id = 999996;
    while (platform::ProcessRunning(id)) id += 4;
    return id;
}

// The name of the n-th backup that process id makes beside path.
std::string BackupName(const std::string& path, uint32_t process, int n) {
    return path + "." + std::to_string(process) + "-" + std::to_string(n) + ".old";
}

// The same name, whichever separators it is written with.
bool SameName(const std::string& a, const std::string& b) {
    return std::filesystem::path(a).lexically_normal() == std::filesystem::path(b).lexically_normal();
}

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
    const auto old = [&] { WriteWholeFile(path, "old"); };
    const uint32_t ended = EndedProcess();
    std::vector<platform::RemovedLeftover> removed;  // by the row's replacement
    platform::TestReplaceTrace trace, traceBefore;   // and what it did (before the rename)
    // The replacement's steps one by one, with the backup kept: the rename's
    // code, then after (called with it) the code of the step after.
    const auto keepingTheOld = [&](std::function<int(platform::FileReplacement&)> after) {
        return [&path, after] {
            platform::FileReplacement r;
            if (const int begun = r.Begin(path); begun != 0) return begun;
            std::fputs("new", r.Stream());
            if (const int finished = r.Finish(); finished != 0) return finished;
            if (const int kept = r.KeepReplaced(); kept != 0) return kept;
            if (const int published = r.Publish(); published != 0) return published;
            return after(r);
        };
    };
#ifndef _WIN32
    const uid_t owner = geteuid() == 0 ? 65534 : geteuid();  // only root gives a file away
    const std::string note = "user.note";
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
        std::function<int()> run;     // in place of ReplaceFileContents
    } cases[] = {
        {"no file yet", [] {}, nullptr, nullptr, 0, "new", 1, nullptr, nullptr},
        {"a file", old, nullptr, nullptr, 0, "new", 1, nullptr, nullptr},
        {"unchanged since it was read", old, identity, nullptr, 0, "new", 1, nullptr, nullptr},
        {"saved by someone else meanwhile", old, identity,
         [&](const std::string&) { WriteWholeFile(path, "theirs"); }, platform::kReplaceChanged, "theirs", 1, nullptr,
         nullptr},
        {"made by someone else meanwhile", [] {}, identity,
         [&](const std::string&) { WriteWholeFile(path, "theirs"); }, platform::kReplaceChanged, "theirs", 1, nullptr,
         nullptr},
        // Where no file stood, one made meanwhile is not replaced.
        {"made meanwhile where none stood", [] {}, nullptr,
         [&](const std::string&) { WriteWholeFile(path, "theirs"); }, EEXIST, "theirs", 1, nullptr, nullptr},
        // A save of the same size whose time is set back: the change time tells.
        {"saved meanwhile with its time set back", old, identity,
         [&](const std::string&) {
             const auto time = std::filesystem::last_write_time(path);
             WriteWholeFile(path, "OLD");
             std::filesystem::last_write_time(path, time);
         },
         platform::kReplaceChanged, "OLD", 1, nullptr, nullptr},
        // A second name made meanwhile would keep the old bytes.
        {"linked meanwhile", old, nullptr,
         [&](const std::string&) { std::filesystem::create_hard_link(path, folder.File("second")); },
         platform::kReplaceHardLinks, "old", 2, nullptr, nullptr},
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
         nullptr, nullptr, 0, "new", 4, nullptr, nullptr},
        {"a folder under the name", [&] { std::filesystem::create_directory(path); }, nullptr, nullptr, EISDIR, "", 1,
         nullptr, nullptr},
        {"a missing folder", [&] { std::filesystem::remove(folder.Path()); }, nullptr, nullptr, ENOENT, "", 0,
         nullptr, nullptr},
        // A backup of a run that ended is a second name of the very file:
        // removed, and told. Another file of that form, or a backup of a run
        // that goes on, is not removed.
        {"a backup an ended run left",
         [&] {
             old();
             std::filesystem::create_hard_link(path, BackupName(path, ended, 3));
             WriteWholeFile(BackupName(path, ended, 4), "kept");
         },
         nullptr, nullptr, 0, "new", 2,
         [&] {
             ASSERT_EQ(removed.size(), 1u);
             EXPECT_TRUE(SameName(removed[0].path, BackupName(path, ended, 3))) << removed[0].path;
             EXPECT_EQ(removed[0].process, ended);
             EXPECT_EQ(ReadWholeFile(BackupName(path, ended, 4)), "kept");
         },
         nullptr},
        {"a backup of a run that goes on",
         [&] {
             old();
             std::filesystem::create_hard_link(path, BackupName(path, platform::CurrentProcessId(), 7));
         },
         nullptr, nullptr, platform::kReplaceBusy, "old", 2, [&] { EXPECT_TRUE(removed.empty()); }, nullptr},
        // A take-back that fails keeps the old file under the backup name,
        // whatever comes after.
        {"the old file kept when it cannot be put back", old, nullptr, nullptr, 0, "", 2,
         [&] { EXPECT_EQ(ReadWholeFile(BackupName(path, platform::CurrentProcessId(), 0)), "old"); },
         keepingTheOld([&](platform::FileReplacement& r) {
             std::filesystem::remove(path);
             std::filesystem::create_directory(path);
             WriteWholeFile(path + "/x", "x");
             EXPECT_NE(r.TakeBack(), 0);
             EXPECT_TRUE(SameName(r.BackupPath(), BackupName(path, platform::CurrentProcessId(), 0)));
             r.DropBackup();
             EXPECT_TRUE(SameName(r.BackupPath(), BackupName(path, platform::CurrentProcessId(), 0)));
             return 0;
         })},
#ifndef _WIN32
        // What the file is stays: a link keeps leading to it, and it keeps its
        // permissions (not its set-id bits) and its owner.
        {"through a symbolic link",
         [&] {
             WriteWholeFile(folder.File("real.ini"), "old");
             std::filesystem::create_symlink("real.ini", path);
         },
         nullptr, nullptr, 0, "new", 2, [&] { EXPECT_TRUE(std::filesystem::is_symlink(path)); }, nullptr},
        {"set-id bits", [&] { old(); chmod(path.c_str(), 06750); }, nullptr, nullptr, 0, "new", 1,
         [&] { EXPECT_EQ(Stat(path).st_mode & 07777, 06750u & 0777); }, nullptr},
        {"another user's file, replaced by root", [&] { old(); chown(path.c_str(), owner, -1); },
         nullptr, nullptr, 0, "new", 1, [&] { EXPECT_EQ(Stat(path).st_uid, owner); }, nullptr},
        // Private from the start; synced before the rename, its folder after.
        {"a file of its owner's and group's", [&] { old(); chmod(path.c_str(), 0640); }, nullptr,
         [&](const std::string&) { traceBefore = trace; }, 0, "new", 1,
         [&] {
             EXPECT_EQ(trace.createdMode, 0600u);
             EXPECT_EQ(Stat(path).st_mode & 0777, 0640u);
             EXPECT_EQ(traceBefore.temporarySyncs, 1);
             EXPECT_EQ(traceBefore.folderSyncs, 0);
             EXPECT_EQ(trace.folderSyncs, 1);
         },
         nullptr},
        {"a new file", [] {}, nullptr, nullptr, 0, "new", 1,
         [&] {
             const mode_t mask = umask(0);
             umask(mask);
             EXPECT_EQ(trace.createdMode, 0666u & ~mask);
         },
         nullptr},
        // Changes made between the checks and the rename are seen.
        {"made private meanwhile", old, nullptr, [&](const std::string&) { chmod(path.c_str(), 0600); },
         platform::kReplaceChanged, "old", 1, [&] { EXPECT_EQ(Stat(path).st_mode & 0777, 0600u); }, nullptr},
        {"an attribute added meanwhile", old, nullptr,
         [&](const std::string&) { ASSERT_EQ(setxattr(path.c_str(), note.c_str(), "mine", 4, 0), 0); },
         platform::kReplaceAttributes, "old", 1, nullptr, nullptr},
        // What the new file gains (the folder's default ACL, or another
        // attribute where the file system keeps no ACLs) is no reason.
        {"the folder's default ACL gained", [&] { old(); GiveDefaultAcl(folder.Path()); }, nullptr,
         [&](const std::string& name) {
             char acl[256];
             if (getxattr(folder.Path().c_str(), "system.posix_acl_default", acl, sizeof acl) < 0) {
                 ASSERT_EQ(setxattr(TemporaryName(name, 0).c_str(), "user.gained", "x", 1, 0), 0);
             }
         },
         0, "new", 1, nullptr, nullptr},
        // An ACL of its own that a new file would have with other values.
        {"an ACL of its own", [&] {
             old();
             ASSERT_TRUE(GiveDefaultAcl(folder.Path())) << "ACLs in the test folder";
             std::vector<char> acl(256);
             const ssize_t size =
                 getxattr(folder.Path().c_str(), "system.posix_acl_default", acl.data(), acl.size());
             ASSERT_GT(size, 12);
             acl[14] = 4;  // the other user may only read it
             ASSERT_EQ(setxattr(path.c_str(), "system.posix_acl_access", acl.data(), size, 0), 0);
         },
         nullptr, nullptr, platform::kReplaceAttributeValues, "old", 1, nullptr, nullptr},
        // Where the file system has no hard links, a copy with the file's
        // permissions stands in, and is what the take-back puts back.
        {"a copy for a backup", [&] { old(); chmod(path.c_str(), 0640); platform::SetTestNoHardLinks(true); },
         nullptr, nullptr, 0, "old", 1, [&] { EXPECT_EQ(Stat(path).st_mode & 0777, 0640u); },
         keepingTheOld([](platform::FileReplacement& r) {
             EXPECT_EQ(Stat(r.BackupPath()).st_mode & 0777, 0640u);
             EXPECT_EQ(Stat(r.BackupPath()).st_nlink, 1u);
             return r.TakeBack();
         })},
#else
        // The replace call's failures: the old file under its name, or kept
        // under the backup name when it cannot be moved back.
        {"the replace call moves nothing", [&] { old(); platform::SetTestReplaceCall(NothingMoved); }, nullptr,
         nullptr, EIO, "old", 1, nullptr, nullptr},
        {"the replace call moves the old file only",
         [&] { old(); platform::SetTestReplaceCall(OldMovedAside); }, nullptr, nullptr, EIO, "old", 1, nullptr, nullptr},
        {"the old file cannot be moved back",
         [&] { old(); platform::SetTestReplaceCall(OldMovedAsideNameTaken); }, nullptr, nullptr, EIO, "theirs", 2,
         [&] { EXPECT_EQ(ReadWholeFile(BackupName(path, platform::CurrentProcessId(), 0)), "old"); }, nullptr},
#endif
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::filesystem::remove_all(folder.Path());
        std::filesystem::create_directory(folder.Path());
        removed.clear();
        trace = traceBefore = platform::TestReplaceTrace();
        platform::SetTestReplaceTrace(&trace);
        c.prepare();
        const platform::FileIdentity read = c.expected ? c.expected() : platform::FileIdentity();
        {
            BeforeReplaceHook hook(c.meanwhile);
            EXPECT_EQ(c.run ? c.run() : platform::ReplaceFileContents(path, "new", 3, c.expected ? &read : nullptr,
                                                                      &removed),
                      c.code)
                << c.what;
        }
        platform::SetTestReplaceTrace(nullptr);
        platform::SetTestNoHardLinks(false);
        platform::SetTestReplaceCall(nullptr);
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
