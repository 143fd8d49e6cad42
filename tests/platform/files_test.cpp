// Replacing a file whole: the name holds its old bytes or all the new ones,
// and nothing of the replacement is left beside it.
#include "platform/files.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <functional>
#include <iterator>
#include <memory>

#include "platform/system.h"
#include "support/scratch_folder.h"

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>
#else
#include <windows.h>
#endif

namespace {

#ifndef _WIN32
struct stat Stat(const std::string& path) {
    struct stat st {};
    stat(path.c_str(), &st);
    return st;
}

// Sets a POSIX ACL (which) on file letting user 65534 have perm: false where there are no ACLs.
bool SetAcl(const std::string& file, const char* which, uint16_t perm) {
    const struct { uint16_t tag, perm; uint32_t id; } entries[] = {
        {0x01, 6, ~0u}, {0x02, perm, 65534}, {0x04, 4, ~0u}, {0x10, 6, ~0u}, {0x20, 4, ~0u}};
    std::string value("\x02\0\0\0", 4);
    for (const auto& e : entries) value.append(reinterpret_cast<const char*>(&e), sizeof e);
    return setxattr(file.c_str(), which, value.data(), value.size(), 0) == 0;
}
#else
// The replace call failing with kError: the old file moved to the backup name
// or not (without one it is gone), then another file taking the name or not.
template <bool kMoved, bool kTaken, unsigned long kError = kMoved ? ERROR_UNABLE_TO_MOVE_REPLACEMENT_2
                                                                 : ERROR_UNABLE_TO_MOVE_REPLACEMENT>
unsigned long FailedReplace(const std::string& replaced, const std::string&, const std::string& backup) {
    if (backup.empty()) DeleteFileA(replaced.c_str());
    if (!backup.empty() && kMoved) MoveFileExA(replaced.c_str(), backup.c_str(), MOVEFILE_REPLACE_EXISTING);
    if (kTaken) WriteWholeFile(replaced, "theirs");
    return kError;
}

// Another program holding the file open, as the replace call finds it.
template <unsigned long kError>
unsigned long HeldOpen(const std::string&, const std::string&, const std::string&) { return kError; }
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
    return path + ".kelmora-" + std::to_string(platform::CurrentProcessId()) + "-" + std::to_string(attempt) + ".tmp";
}

TEST(FileReplacement, PutsTheNewBytesUnderTheNameOrLeavesItAsItWas) {
    ScratchFolder folder;
    const std::string path = folder.File("a.ini");
    const std::string victim = folder.File("victim");
    const auto identity = [&] { return platform::IdentityOfPath(path); };
    const auto old = [&] { WriteWholeFile(path, "old"); };
    const auto backup = [&](uint32_t id, int n, bool marked = true) {  // the n-th backup name of process id
        return path + ".kelmora-" + (marked ? "lock-" : "") + std::to_string(id) + "-" + std::to_string(n) + ".old";
    };
#ifndef _WIN32
    const std::string kept = backup(platform::CurrentProcessId(), 0);
#else
    const std::string kept = backup(platform::CurrentProcessId(), 0, false);  // no marks here
#endif
    uint32_t ended = 999996;  // the id of no process now: a run that has ended
    while (platform::ProcessRunning(ended)) ended += 4;
    std::vector<platform::RemovedLeftover> removed;  // by the row's replacement
    platform::ReplaceFailure failure;                // and what its failure tells
    const auto said = [&](int code) {                // as a message says it
        return platform::ReplaceErrorText(code, path, failure, [](const std::string& name) { return name; });
    };
    std::unique_ptr<platform::FileReplacement> other;  // another replacement of this process, under way
    platform::TestReplaceTrace trace, traceBefore;   // and what it did (before the rename)
    std::function<int()> run;  // set by a row in place of ReplaceFileContents: the steps, the backup kept
    const auto stepByStep = [&](std::function<int(platform::FileReplacement&)> after) {
        run = [&path, after] {
            platform::FileReplacement r;
            int code = r.Begin(path);
            if (code == 0) std::fputs("new", r.Stream()), code = r.Finish();
            if (code == 0) code = r.KeepReplaced();
            return code != 0 || (code = r.Publish()) != 0 ? code : after(r);
        };
    };
#ifndef _WIN32
    const uid_t owner = geteuid() == 0 ? 65534 : geteuid();  // only root gives a file away
    const mode_t mask = umask(0);
    umask(mask);
    bool acls = false;  // the folder has a default ACL
    const auto otherHolds = [&] {  // the old file, and the backup name kept by another replacement of this process
        old(), other = std::make_unique<platform::FileReplacement>();
        ASSERT_EQ(other->Begin(path) || other->Finish() || other->KeepReplaced(), 0);
    };
    const auto keptUnmarked = [&](platform::FileReplacement& r) {  // under the name whose maker's id tells
        EXPECT_EQ(std::filesystem::path(r.BackupPath()), backup(platform::CurrentProcessId(), 0, false));
        return r.TakeBack();
    };
    const auto lockError = [&](int error) {  // while the lock calls fail so
        return [&, error] { old(), platform::SetTestLockError(error), stepByStep(keptUnmarked); };
    };
    int locker = -1;  // another open file of the old one, with a lock of type over every mark
    const auto lockedOver = [&](short type) {
        return [&, type] {
            old(), std::filesystem::create_hard_link(path, backup(ended, 3)), stepByStep(keptUnmarked);
            struct flock lock {};
            lock.l_type = type, lock.l_whence = SEEK_SET, lock.l_start = off_t{1} << 40;  // to the end of all
            ASSERT_EQ(fcntl(locker = open(path.c_str(), O_RDWR), F_OFD_SETLK, &lock), 0);
        };
    };
#else
    HANDLE held = INVALID_HANDLE_VALUE;  // another program's handle on the file
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
        {"made meanwhile where none stood", [] {}, nullptr, [&](const std::string&) { WriteWholeFile(path, "theirs"); },
         EEXIST, "theirs", 1, nullptr},
        // A save of the same size with its time set back: the change time tells.
        {"saved meanwhile with its time set back", old, identity, [&](const std::string&) {
             const auto time = std::filesystem::last_write_time(path);
             WriteWholeFile(path, "OLD"), std::filesystem::last_write_time(path, time);
         }, platform::kReplaceChanged, "OLD", 1, nullptr},
        {"linked meanwhile", old, nullptr, [&](auto&) { std::filesystem::create_hard_link(path, path + "2"); },
         platform::kReplaceHardLinks, "old", 2, nullptr},
        // A second name without the program's word is the user's, as a dated backup is.
        {"a second name of the user's", [&] {
             old(), std::filesystem::create_hard_link(path, path + "." + std::to_string(ended) + "-11.old");
         }, nullptr, nullptr, platform::kReplaceHardLinks, "old", 2, nullptr},
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
        // An ended run's backup (a second name of the file) is removed and told; not another file, nor a live run's.
        {"a backup an ended run left", [&] {
             old(), std::filesystem::create_hard_link(path, backup(ended, 3)), WriteWholeFile(backup(ended, 4), "kept");
         }, nullptr, nullptr, 0, "new", 2, [&] {
             ASSERT_EQ(removed.size(), 1u);
             EXPECT_TRUE(std::filesystem::path(removed[0].path) == backup(ended, 3) && removed[0].process == ended);
         }},
        // Where no lock marks the names, the id tells: this process's unless one of its replacements holds it.
        {"a backup of this process's id that none of its replacements holds", [&] {
             old(), std::filesystem::create_hard_link(path, backup(platform::CurrentProcessId(), 7));
             platform::SetTestLockError(ENOLCK);
         }, nullptr, nullptr, 0, "new", 1, [&] { EXPECT_EQ(removed.size(), 1u); }},
        {"a backup of another user's run", [&] {
             old(), std::filesystem::create_hard_link(path, backup(ended, 3));
             platform::SetTestProcessOfAnotherUser(true), platform::SetTestLockError(ENOLCK);
         }, nullptr, nullptr, platform::kReplaceBusy, "old", 2,
         [&] { EXPECT_EQ(std::filesystem::path(failure.blocking.path), backup(ended, 3)); }},
        // Where the rename cannot refuse to replace (NFS), a link and an unlink stand in: no second name stays.
        {"no file yet, without a rename that does not replace", [] { platform::SetTestNoRenameNoReplace(true); },
         nullptr, nullptr, 0, "new", 1, nullptr},
        // A file saved under the name after the rename is not the run's to take back.
        {"saved over before the take-back", [&] {
             old(), stepByStep([&](platform::FileReplacement& r) { return WriteWholeFile(path, "theirs"), r.TakeBack(); });
         }, nullptr, nullptr, platform::kReplaceSavedOver, "theirs", 2, [&] { EXPECT_EQ(ReadWholeFile(kept), "old"); }},
        {"saved over the new file before the take-back", [&] {
             stepByStep([&](platform::FileReplacement& r) { return WriteWholeFile(path, "theirs"), r.TakeBack(); });
         }, nullptr, nullptr, platform::kReplaceSavedOver, "theirs", 1, nullptr},
        // A take-back that fails keeps the old file under the backup name, whatever comes after.
        {"the old file kept when it cannot be put back", [&] {
             old(), stepByStep([&](platform::FileReplacement& r) {
                 std::filesystem::remove(path), std::filesystem::create_directories(path + "/x");
                 EXPECT_NE(r.TakeBack(), 0);
                 r.DropBackup();
                 return std::filesystem::path(r.BackupPath()) == kept ? 0 : -1;  // where the old file is kept
             });
         }, nullptr, nullptr, 0, "", 2, [&] { EXPECT_EQ(ReadWholeFile(kept), "old"); }},
        // One whose backup was replaced meanwhile names none, and leaves that file.
        {"the backup replaced before the take-back", [&] {
             old(), stepByStep([&](platform::FileReplacement& r) {
                 std::filesystem::remove(kept), WriteWholeFile(kept, "theirs");
                 const int code = r.TakeBack();
                 return failure = r.Failure(), code;
             });
         }, nullptr, nullptr, platform::kReplaceChanged, "new", 2, [&] {
             EXPECT_EQ(ReadWholeFile(kept), "theirs");
             EXPECT_EQ(said(platform::kReplaceChanged),
                       "it changed while it was being replaced; the old " + path + " could not be kept");
         }},
#ifndef _WIN32
        // A run's mark tells that it holds a name, whatever process has the id.
        {"a backup that another replacement of this process holds", otherHolds, nullptr, nullptr,
         platform::kReplaceBusy, "old", 3, [&] {
             EXPECT_EQ(said(platform::kReplaceBusy), kept + " is a second name of it that process " +
                       std::to_string(platform::CurrentProcessId()) + " may still be writing; if no run is under way, "
                       "remove " + kept);
         }},
        {"a backup that another replacement of this process holds, without locks",
         [&] { otherHolds(), platform::SetTestLockError(ENOLCK); }, nullptr, nullptr, platform::kReplaceBusy, "old", 3,
         nullptr},
        {"a backup of a running process that marks none",
         [&] { old(), std::filesystem::create_hard_link(path, backup(getppid(), 0)); }, nullptr, nullptr, 0, "new", 1,
         [&] { EXPECT_EQ(removed.size(), 1u); }},
        {"a backup of a running process that could not mark it",
         [&] { old(), std::filesystem::create_hard_link(path, backup(getppid(), 0, false)); }, nullptr, nullptr,
         platform::kReplaceBusy, "old", 2, nullptr},
        // A lock call that fails but for another run's mark: the name that the id tells.
        {"a backup where the file system keeps no locks", lockError(ENOLCK), nullptr, nullptr, 0, "old", 1, nullptr},
        {"a backup whose lock call fails otherwise", lockError(EIO), nullptr, nullptr, 0, "old", 1, nullptr},
        // Another's lock over the marks is none (an ended run's marked name goes).
        {"a reader's lock over the marks", lockedOver(F_RDLCK), nullptr, nullptr, 0, "old", 1, [&] { close(locker); }},
        {"a writer's lock over the marks", lockedOver(F_WRLCK), nullptr, nullptr, 0, "old", 1, [&] { close(locker); }},
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
        // Private from the start; synced before the rename, its folder after.
        {"a file of its owner's and group's", [&] { old(), chmod(path.c_str(), 0640); }, nullptr,
         [&](const std::string&) { traceBefore = trace; }, 0, "new", 1, [&] {
             EXPECT_EQ(trace.createdMode, 0600u);
             EXPECT_EQ(std::make_pair(traceBefore.temporarySyncs, traceBefore.folderSyncs), std::make_pair(1, 0));
             EXPECT_EQ(trace.folderSyncs, 1);
         }},
        {"a new file", [] {}, nullptr, nullptr, 0, "new", 1, [&] { EXPECT_EQ(trace.createdMode, 0666u & ~mask); }},
        // Changes made between the checks and the rename are seen.
        {"made private meanwhile", old, nullptr, [&](const std::string&) { chmod(path.c_str(), 0600); },
         platform::kReplaceChanged, "old", 1, [&] { EXPECT_EQ(Stat(path).st_mode & 0777, 0600u); }},
        {"made private as an ended run's name goes", old, nullptr, [&](const std::string&) {
             std::filesystem::create_hard_link(path, backup(ended, 5)), chmod(path.c_str(), 0600);
         }, platform::kReplaceChanged, "old", 1, [&] { EXPECT_EQ(Stat(path).st_mode & 0777, 0600u); }},
        {"an attribute added meanwhile", old, nullptr,
         [&](const std::string&) { ASSERT_EQ(setxattr(path.c_str(), "user.note", "mine", 4, 0), 0); },
         platform::kReplaceAttributes, "old", 1, nullptr},
        // What the new file gains (the folder's default ACL, or another attribute where the file system
        // keeps no ACLs) is no reason; an ACL of its own that a new file would have with other values is.
        {"the folder's default ACL gained", [&] { old(), acls = SetAcl(folder.Path(), "system.posix_acl_default", 6); },
         nullptr, [&](const std::string& name) {
             ASSERT_TRUE(acls || setxattr(TemporaryName(name, 0).c_str(), "user.gained", "x", 1, 0) == 0);
         }, 0, "new", 1, nullptr},
        {"an ACL of its own", [&] {  // where the other user may only read it
             old();
             ASSERT_TRUE(SetAcl(folder.Path(), "system.posix_acl_default", 6)) << "ACLs in the test folder";
             ASSERT_TRUE(SetAcl(path, "system.posix_acl_access", 4));
         }, nullptr, nullptr, platform::kReplaceAttributeValues, "old", 1, nullptr},
        // Without hard links a copy with the file's permissions stands in, and the take-back puts it back.
        {"a copy for a backup", [&] {
             old(), chmod(path.c_str(), 0640), platform::SetTestNoHardLinks(true);
             stepByStep([](platform::FileReplacement& r) {
                 EXPECT_EQ(Stat(r.BackupPath()).st_mode & 0777, 0640u);
                 EXPECT_EQ(Stat(r.BackupPath()).st_nlink, 1u);
                 return r.TakeBack();
             });
         }, nullptr, nullptr, 0, "old", 1, [&] { EXPECT_EQ(Stat(path).st_mode & 0777, 0640u); }},
#else
        // The replace call's failures (another program holds it): the old file under its name, or the backup's.
        {"the replace call moves nothing", [&] { old(), platform::SetTestReplaceCall(FailedReplace<false, false>); },
         nullptr, nullptr, platform::kReplaceHeldOpen, "old", 1, nullptr},
        {"the replace call moves the old one", [&] { old(), platform::SetTestReplaceCall(FailedReplace<true, false>); },
         nullptr, nullptr, platform::kReplaceHeldOpen, "old", 1, [&] { EXPECT_EQ(failure.kept, ""); }},
        {"the old file cannot be moved back", [&] { old(), platform::SetTestReplaceCall(FailedReplace<true, true>); },
         nullptr, nullptr, platform::kReplaceHeldOpen, "theirs", 2, [&] {
             EXPECT_EQ(ReadWholeFile(kept), "old");
             EXPECT_EQ(std::filesystem::path(failure.kept), kept);
             EXPECT_EQ(said(platform::kReplaceHeldOpen),
                       "another program holds it open; the old " + path + " is kept as " + failure.kept);
         }},
        {"a sharing violation", [&] { old(), platform::SetTestReplaceCall(HeldOpen<ERROR_SHARING_VIOLATION>); },
         nullptr, nullptr, platform::kReplaceHeldOpen, "old", 1, nullptr},
        {"a lock violation", [&] { old(), platform::SetTestReplaceCall(HeldOpen<ERROR_LOCK_VIOLATION>); },
         nullptr, nullptr, platform::kReplaceHeldOpen, "old", 1, nullptr},
        {"the replaced file cannot be removed", [&] {
             old(), platform::SetTestReplaceCall(HeldOpen<ERROR_UNABLE_TO_REMOVE_REPLACED>);
         }, nullptr, nullptr, platform::kReplaceHeldOpen, "old", 1, nullptr},
        // Another failure after the old file moved (on a share): the backup name holds it, and stays.
        {"the replace call fails otherwise", [&] {
             old(), platform::SetTestReplaceCall(FailedReplace<true, false, ERROR_ACCESS_DENIED>);
         }, nullptr, nullptr, EACCES, "", 1, [&] {
             EXPECT_EQ(ReadWholeFile(kept), "old");
             EXPECT_EQ(said(EACCES), platform::ErrorText(EACCES) + "; the old " + path + " is kept as " + failure.kept);
         }},
        {"held open by another program at the start", [&] {
             old(), held = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
         }, nullptr, nullptr, platform::kReplaceHeldOpen, "old", 1, [&] { CloseHandle(held); }},
#endif
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::filesystem::remove_all(folder.Path());
        std::filesystem::create_directory(folder.Path());
        failure = {};
        removed.clear(), platform::SetTestReplaceTrace(&(trace = traceBefore = platform::TestReplaceTrace()));
        c.prepare();
        const platform::FileIdentity read = c.expected ? c.expected() : platform::FileIdentity();
        BeforeReplaceHook hook(c.meanwhile);
        EXPECT_EQ(run ? run()
                      : platform::ReplaceFileContents(path, "new", 3, c.expected ? &read : nullptr, &removed, &failure),
                  c.code);
        run = nullptr, platform::SetTestReplaceTrace(nullptr), platform::SetTestNoHardLinks(false);
        platform::SetTestReplaceCall(nullptr), platform::SetTestNoRenameNoReplace(false);
        platform::SetTestProcessOfAnotherUser(false), platform::SetTestLockError(0);
        EXPECT_EQ(std::filesystem::is_regular_file(path) ? ReadWholeFile(path) : "", c.after) << c.what;
        std::error_code missing;
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.Path(), missing), {}), c.left) << c.what;
        if (c.check) c.check();
        other.reset();
        if (std::filesystem::exists(victim)) {
            EXPECT_EQ(ReadWholeFile(victim), "precious") << c.what;
        }
    }
    std::filesystem::create_directory(folder.Path());
}

}  // namespace
