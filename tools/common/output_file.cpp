#include "output_file.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "platform/dynamic_library.h"
#include "platform/files.h"
#include "platform/module.h"
#include "platform/system.h"

#if defined(_WIN32)
#include <io.h>
#include <process.h>
#define TOOLFILE_UNLINK _unlink
#define TOOLFILE_RMDIR _rmdir
#define TOOLFILE_OPEN _open
#define TOOLFILE_FLAGS (_O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY)
#define TOOLFILE_FDOPEN _fdopen
#define TOOLFILE_CLOSE _close
#include <direct.h>
#else
#include <unistd.h>
#define TOOLFILE_UNLINK unlink
#define TOOLFILE_RMDIR rmdir
#define TOOLFILE_OPEN open
#define TOOLFILE_FLAGS (O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC)
#define TOOLFILE_FDOPEN fdopen
#define TOOLFILE_CLOSE close
#endif

namespace toolfile {
namespace {

// The files that a signal removes: fixed storage, so that the handler reads
// no memory that is being allocated or freed.
constexpr int kSlots = 12;
constexpr size_t kMaxPath = 4096;
char g_paths[kSlots][kMaxPath];
std::atomic<bool> g_used[kSlots];

int Claim(const std::string& path) {
    if (path.size() >= kMaxPath) return -1;
    for (int i = 0; i < kSlots; ++i) {
        if (g_used[i].load()) continue;
        std::memcpy(g_paths[i], path.c_str(), path.size() + 1);
        g_used[i].store(true);
        return i;
    }
    return -1;
}

void Release(int& slot) {
    if (slot >= 0) g_used[slot].store(false);
    slot = -1;
}

extern "C" void RemoveAndReraise(int signal) {
    for (int i = 0; i < kSlots; ++i) {
        if (g_used[i].load() && TOOLFILE_UNLINK(g_paths[i]) != 0) TOOLFILE_RMDIR(g_paths[i]);
    }
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

std::string Reason(int error) { return platform::ErrorText(error); }

// Runs make(name) on fresh names beside target until it succeeds (true) or
// fails for another reason than a name taken (false, errno kept): first
// "<target>.<pid>-<n>.tmp", where that is too long ".tmp-<pid>-<n>" in the
// same folder.
template <typename Make>
bool FreshName(const std::string& target, std::string& name, Make make) {
    const std::string pid = std::to_string(platform::CurrentProcessId());
    bool shortName = false;
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = shortName ? platform::FolderOfPath(target) + ".tmp-" + pid + "-" + std::to_string(attempt)
                         : target + "." + pid + "-" + std::to_string(attempt) + ".tmp";
        if (make(name)) return true;
        if (errno == ENAMETOOLONG && !shortName) {
            shortName = true;
            --attempt;
        } else if (errno != EEXIST) {
            return false;
        }
    }
    errno = EEXIST;
    return false;
}

#if !defined(_WIN32)
// A device, a FIFO or standard output, opened for writing in place; -1 with
// errno 0 for a regular file (target then the file it is, through links, and
// mode its permissions), -1 with errno set when it cannot be written.
int OpenInPlace(const std::string& path, std::string& target, int& mode) {
    target = path;
    const int fd = open(path.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
    struct stat opened {}, out {};
    if (fd < 0) {
        // A name that does not exist yet is created, unless it is a dangling
        // link or in /dev, which holds devices only (a misspelt /dev/null).
        if (errno == ENOENT && lstat(path.c_str(), &opened) != 0) {
            const std::string folder = platform::FolderOfPath(path);
            char* real = realpath(folder.empty() ? "." : folder.c_str(), nullptr);
            errno = real && (std::strcmp(real, "/dev") == 0 || std::strncmp(real, "/dev/", 5) == 0) ? ENODEV : 0;
            std::free(real);
        }
        return -1;
    }
    if (fstat(fd, &opened) != 0) {
        const int reason = errno;
        close(fd);
        errno = reason;
        return -1;
    }
    if (fstat(STDOUT_FILENO, &out) == 0 && opened.st_dev == out.st_dev && opened.st_ino == out.st_ino) {
        // Standard output as the shell set it up: its offset, its appending.
        close(fd);
        return fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 3);
    }
    if (!S_ISREG(opened.st_mode)) return fd;
    close(fd);
    mode = static_cast<int>(opened.st_mode & 07777);
    char* real = realpath(path.c_str(), nullptr);
    if (!real) return -1;
    target = real;
    std::free(real);
    errno = 0;
    return -1;
}
#endif

}  // namespace

int RemoveOnSignal(const std::string& path) { return Claim(path); }

void ForgetOnSignal(int slot) { Release(slot); }

void RemoveTemporariesOnSignals(bool endOnPipe) {
    for (const int signal : {SIGINT, SIGTERM}) std::signal(signal, RemoveAndReraise);
#if !defined(_WIN32)
    for (const int signal : {SIGHUP, SIGQUIT, SIGALRM, SIGUSR1, SIGUSR2}) std::signal(signal, RemoveAndReraise);
    std::signal(SIGPIPE, endOnPipe ? RemoveAndReraise : SIG_IGN);
    std::signal(SIGXFSZ, SIG_IGN);
#else
    (void)endOnPipe;  // no SIGPIPE
#endif
}

OutputFile::~OutputFile() {
    Discard();
    Keep();
}

bool OutputFile::Create(const std::string& path, std::string& error) {
    Discard();
    Keep();
    path_ = path;
    errno_ = 0;
    int fd = -1;
    [[maybe_unused]] int mode = -1;  // the permissions of the file replaced
#if defined(_WIN32)
    std::error_code failed;
    const std::filesystem::file_status status = std::filesystem::status(path, failed);
    target_ = path;
    errno = std::filesystem::is_directory(status) ? EISDIR : 0;
    if (std::filesystem::exists(status) && !std::filesystem::is_regular_file(status) && !errno) {
        fd = _open(path.c_str(), _O_WRONLY | _O_BINARY);
    }
#else
    fd = OpenInPlace(path, target_, mode);
#endif
    if (fd < 0 && errno == 0) {
        const bool made = FreshName(target_, temp_, [&fd](const std::string& name) {
            fd = TOOLFILE_OPEN(name.c_str(), TOOLFILE_FLAGS, 0666);
            return fd >= 0;
        });
        if (!made) temp_.clear();
        if (made) slot_ = Claim(temp_);
#if !defined(_WIN32)
        if (made && mode >= 0) fchmod(fd, static_cast<mode_t>(mode));
#endif
    }
    if (fd >= 0) file_ = TOOLFILE_FDOPEN(fd, "wb");
    if (!file_) {
        const int reason = errno ? errno : EIO;
        if (fd >= 0) TOOLFILE_CLOSE(fd);
        Discard();
        error = "cannot write " + path + ": " + Reason(reason);
        return false;
    }
    return true;
}

bool OutputFile::Write(const void* data, size_t size) {
    if (!file_ || errno_ != 0) return false;
    errno = 0;
    if (size > 0 && std::fwrite(data, 1, size, file_) != size) {
        errno_ = errno ? errno : EIO;
        return false;
    }
    return true;
}

bool OutputFile::Commit(std::string& error) {
    if (!Finish(error) || !Publish(error)) return false;
    Keep();
    return true;
}

bool OutputFile::Finish(std::string& error) {
    if (!file_) {
        error = "cannot write " + path_ + ": it is not open";
        return false;
    }
    int reason = 0;
    const auto check = [&reason](bool done) {
        if (!done && reason == 0) reason = errno ? errno : EIO;
    };
    errno = 0;
    check(std::fflush(file_) == 0);
    // A temporary file is on the disk before its name is: a power cut never
    // leaves an empty file under the name.
    if (!temp_.empty()) {
        const int synced = platform::SyncFile(file_);
        if (synced != 0 && reason == 0) reason = synced;
    }
    check(std::fclose(file_) == 0);
    file_ = nullptr;
    if (errno_ == 0) errno_ = reason;
    if (errno_ != 0) {
        error = WriteError();
        Discard();
        return false;
    }
    return true;
}

bool OutputFile::Publish(std::string& error) {
    if (temp_.empty()) return true;  // written in place
    std::error_code failed;
    replaced_ = std::filesystem::exists(target_, failed);
#if !defined(_WIN32)
    // A second name of the file it replaces, for TakeBack.
    const auto link2 = [this](const std::string& name) { return link(target_.c_str(), name.c_str()) == 0; };
    if (!replaced_ || !FreshName(target_, old_, link2)) old_.clear();
    if (!old_.empty()) oldSlot_ = Claim(old_);
#endif
    std::error_code renamed;
    std::filesystem::rename(temp_, target_, renamed);
    if (renamed) {
        error = "cannot write " + path_ + ": " + renamed.message();
        Discard();
        Keep();
        return false;
    }
#if !defined(_WIN32)
    // The folder's new entry reaches the disk too.
    const std::string folder = platform::FolderOfPath(target_);
    const int dir = open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_CLOEXEC);
    if (dir >= 0) {
        fsync(dir);
        close(dir);
    }
#endif
    Release(slot_);
    temp_.clear();
    published_ = true;
    return true;
}

void OutputFile::TakeBack() {
    if (!published_) return;
    if (!replaced_) {
        TOOLFILE_UNLINK(target_.c_str());
    } else if (!old_.empty() && std::rename(old_.c_str(), target_.c_str()) == 0) {
        old_.clear();
    }
    published_ = false;
    Keep();
}

void OutputFile::Keep() {
    if (!old_.empty()) TOOLFILE_UNLINK(old_.c_str());
    old_.clear();
    Release(oldSlot_);
    published_ = false;
}

std::string OutputFile::WriteError() const {
    return errno_ ? "writing " + path_ + " failed: " + Reason(errno_) : std::string();
}

void OutputFile::Discard() {
    if (file_) std::fclose(file_);
    file_ = nullptr;
    if (!temp_.empty()) TOOLFILE_UNLINK(temp_.c_str());
    Release(slot_);
    temp_.clear();
}

bool WriteWholeFile(const std::string& path, const void* data, size_t size, std::string& error) {
    OutputFile file;
    if (!file.Create(path, error)) return false;
    file.Write(data, size);
    return file.Commit(error);
}

bool SameFile(const std::string& a, const std::string& b) {
    namespace fs = std::filesystem;
    std::error_code failed;
    const fs::file_status sa = fs::status(a, failed);
    const fs::file_status sb = fs::status(b, failed);
    if (fs::is_regular_file(sa) && fs::is_regular_file(sb)) return fs::equivalent(a, b, failed) && !failed;
    if (fs::exists(sa) || fs::exists(sb) || fs::is_symlink(fs::symlink_status(a, failed)) ||
        fs::is_symlink(fs::symlink_status(b, failed))) {
        return false;
    }
    // Neither is there yet: the same name in the same folder.
    const fs::path pa = fs::weakly_canonical(fs::absolute(a, failed), failed);
    const fs::path pb = fs::weakly_canonical(fs::absolute(b, failed), failed);
    return !failed && pa == pb;
}

std::string RefuseOverwrite(const NamedFile& output, const std::vector<NamedFile>& inputs) {
    std::vector<NamedFile> all = inputs;
    all.push_back({"the running program", platform::HostExecutablePath()});
    std::error_code failed;
    for (const NamedFile& input : all) {
        if (std::filesystem::exists(input.path, failed) && SameFile(output.path, input.path)) {
            return output.role + " " + output.path + " is " + input.role + " " + input.path +
                   ": it would be overwritten";
        }
    }
    return std::string();
}

}  // namespace toolfile
