// "DaVav.ini" under several processes at once, and a file that the job may
// write but not read.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "services/driver_settings.h"
#include "recording_logger.h"
#include "support/scratch_folder.h"

namespace {

// Runs job in a child process; its exit status (-1 when it did not exit).
template <typename Job>
int InChild(Job job) {
    const pid_t pid = fork();
    if (pid == 0) _exit(job());
    int status = 0;
    if (pid < 0 || waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
}

// Eight jobs at once, round after round, on one installation folder whose
// file of 2000 user lines lacks a key: the key and its comment are added
// exactly once, every user line stays as it was (and the file its
// permissions), and every job reads the user's values.
TEST(DriverIniProcesses, EightJobsAtOnceKeepEveryUserLineAndReadTheUsersValues) {
    ScratchFolder folder;
    const std::string path = folder.File(kDriverIniName);
    std::string notes, extras;
    for (int i = 0; i < 1000; ++i) notes += "; note " + std::to_string(i) + " of the user's\n";
    for (int i = 0; i < 1000; ++i) extras += "UserKey" + std::to_string(i) + " = " + std::to_string(i) + "\n";
    const std::string head = notes + "[DebugTif]\nWriteInputTiff=0\nWriteInputTiffSep=0\nWriteOutputTiff=1\n"
                                     "WriteOutputTiffSep=0\n[Special]\nHalftoneThreadCount=0\nUseTimeForRandom=1\n";
    const std::string user = head + extras;
    const std::string expected = notes + "; set AutoCleaning = 1 to enable AutoCleaning\n" +
                                 head.substr(notes.size()) + extras + " AutoCleaning=0\n";
    constexpr int kJobs = 8;
    constexpr int kRounds = 6;
    for (int round = 0; round < kRounds; ++round) {
        WriteWholeFile(path, user);
        ASSERT_EQ(chmod(path.c_str(), 0640), 0);
        // The jobs start together when the pipe closes.
        int start[2];
        ASSERT_EQ(pipe(start), 0);
        std::vector<pid_t> jobs;
        for (int j = 0; j < kJobs; ++j) {
            const pid_t pid = fork();
            ASSERT_GE(pid, 0);
            if (pid == 0) {
                close(start[1]);
                char c;
                while (read(start[0], &c, 1) > 0) {
                }
                const DriverSettings s = ReadDriverSettings(folder.Path(), nullptr);
                _exit(s.m_iHalftoneThreadCount == 0 && s.m_bUseTimeForRandom == 1 && s.m_bWriteOutputTiff == 1 ? 0
                                                                                                               : 1);
            }
            jobs.push_back(pid);
        }
        close(start[0]);
        close(start[1]);
        int readTheUsersValues = 0;
        for (const pid_t pid : jobs) {
            int status = 0;
            ASSERT_EQ(waitpid(pid, &status, 0), pid);
            readTheUsersValues += WIFEXITED(status) && WEXITSTATUS(status) == 0;
        }
        EXPECT_EQ(readTheUsersValues, kJobs) << "round " << round;
        // Compared whole, without a diff of two thousand lines.
        const std::string got = ReadWholeFile(path);
        EXPECT_TRUE(got == expected) << "round " << round << ": " << got.size() << " bytes, " << expected.size()
                                     << " expected";
        struct stat st {};
        ASSERT_EQ(stat(path.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0640u) << "round " << round;
    }
    // No temporary file is left beside it.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.Path()), {}), 1);
}

// A file the job may write but not read, or read but not write, is left as it
// is: the defaults or the values read, and the log says why. So is a file
// that a new one cannot stand in for: with a second name, an extended
// attribute, or another user's (the job not root); the log names the keys it
// lacks. The folder lets the job put a file in its place. As root, whom
// permissions do not stop, the job runs as nobody.
TEST(DriverIniProcesses, AFileThatCannotBeReadOrWrittenIsLeftAlone) {
    ScratchFolder folder;
    const std::string path = folder.File(kDriverIniName);
    const std::string user = "[Special]\nHalftoneThreadCount=0\n";
    constexpr uid_t kNobody = 65534;
    const bool asNobody = geteuid() == 0;
    ASSERT_EQ(chmod(folder.Path().c_str(), 0777), 0);
    const auto leftAlone = [&](const std::string& why) {
        return "ReadIniSettings: \"" + path + "\" is left as it is (" + why +
               "); the keys it lacks take their defaults: WriteInputTiff, WriteInputTiffSep, WriteOutputTiff, "
               "WriteOutputTiffSep, UseTimeForRandom, AutoCleaning";
    };
    const struct {
        mode_t mode;
        std::function<void()> prepare;
        bool theJobs;  // the job's user owns the file
        int threadCount;
        std::string said;
    } cases[] = {
        {0200, [] {}, true, -1,
         "ReadIniSettings: \"" + path + "\" cannot be opened (Permission denied); default settings used"},
        {0444, [] {}, true, 0,
         "ReadIniSettings: cannot write \"" + path + "\" (Permission denied); its missing keys are not added"},
        {0666, [&] { std::filesystem::create_hard_link(path, folder.File("second.ini")); }, true, 0,
         leftAlone("it has more than one name (hard links), which a new file would split")},
        {0666, [&] { ASSERT_EQ(setxattr(path.c_str(), "user.note", "mine", 4, 0), 0) << "user attributes in /tmp"; },
         true, 0, leftAlone("it has an ACL or extended attributes, which a new file would lose")},
        {0666, [] {}, false, 0,
         leftAlone("it belongs to another user or group, which a new file could not keep")},
    };
    for (const auto& c : cases) {
        if (!c.theJobs && !asNobody) continue;  // another user's file cannot be made here
        for (const auto& entry : std::filesystem::directory_iterator(folder.Path())) std::filesystem::remove(entry);
        WriteWholeFile(path, user);
        ASSERT_EQ(chmod(path.c_str(), c.mode), 0);
        c.prepare();
        if (asNobody && c.theJobs) {
            ASSERT_EQ(chown(path.c_str(), kNobody, kNobody), 0);
        }
        const int result = InChild([&] {
            if (asNobody && (setgid(kNobody) != 0 || setuid(kNobody) != 0)) return 2;
            RecordingLogger log;
            const DriverSettings s = ReadDriverSettings(folder.Path(), &log);
            return s.m_iHalftoneThreadCount == c.threadCount &&
                           log.lines == std::vector<RecordingLogger::Line>{{1000, c.said}}
                       ? 0
                       : 1;
        });
        if (result == 2) GTEST_SKIP() << "this process cannot run a job as another user";
        EXPECT_EQ(result, 0) << c.said;
        ASSERT_EQ(chmod(path.c_str(), 0600), 0);
        EXPECT_EQ(ReadWholeFile(path), user) << c.said;
        struct stat st {};
        ASSERT_EQ(stat(path.c_str(), &st), 0);
        EXPECT_EQ(st.st_uid, asNobody && c.theJobs ? kNobody : geteuid()) << c.said;
        const long names = std::filesystem::exists(folder.File("second.ini")) ? 2 : 1;
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.Path()), {}), names) << c.said;
    }
}

}  // namespace
