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

#include "base/format.h"
#include "platform/dynamic_library.h"
#include "platform/files.h"
#include "platform/module.h"
#include "platform/system.h"

#if defined(_WIN32)
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <direct.h>
#include <io.h>
#include <windows.h>
#define TOOLFILE_UNLINK _unlink
#define TOOLFILE_RMDIR _rmdir
#define TOOLFILE_FDOPEN _fdopen
#define TOOLFILE_CLOSE _close
#else
#include <unistd.h>
#define TOOLFILE_UNLINK unlink
#define TOOLFILE_RMDIR rmdir
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

// While files are being put in place together, a signal waits for the last
// of them (see PublishTogether): the one that came is kept here.
std::atomic<int> g_holding{0};
std::atomic<int> g_heldSignal{0};

// Standard output was closed when the program started: its number holds the
// null device opened for reading, which takes no write.
bool g_standardOutputWasClosed = false;

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
    if (g_holding.load()) {
        g_heldSignal.store(signal);
        if (g_holding.load()) return;  // the publisher raises it when its files are in place
        if (g_heldSignal.exchange(0) == 0) return;  // it has just done so
    }
    for (int i = 0; i < kSlots; ++i) {
        if (g_used[i].load() && TOOLFILE_UNLINK(g_paths[i]) != 0) TOOLFILE_RMDIR(g_paths[i]);
    }
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}


// A name in a message, its control bytes escaped.
std::string Named(const std::string& path) { return EscapeControlBytes(path); }

std::string Cannot(const std::string& path, int code, const platform::ReplaceFailure& failure = {}) {
    return "cannot write " + Named(path) + ": " + platform::ReplaceErrorText(code, path, failure, Named);
}

#if !defined(_WIN32)
// Whether path names standard output (/dev/stdout, /proc/self/fd/1,
// /dev/fd/1, or a link that leads to one of them), as a name: once standard
// output was closed the file behind it is the null device.
bool NamesStandardOutput(const std::string& path) {
    const std::string own = "/proc/" + std::to_string(platform::CurrentProcessId()) + "/fd/1";
    std::string name = path;
    for (int hop = 0; hop < 40; ++hop) {
        const std::string folder = platform::FolderOfPath(name);
        char* real = realpath(folder.empty() ? "." : folder.c_str(), nullptr);
        if (!real) return false;
        const std::string spelt = std::string(real) + "/" + name.substr(folder.size());
        std::free(real);
        if (spelt == own) return true;
        struct stat st {};
        if (lstat(name.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return false;
        char target[4096];
        const ssize_t n = readlink(name.c_str(), target, sizeof target - 1);
        if (n <= 0) return false;
        target[n] = '\0';
        name = target[0] == '/' ? std::string(target) : folder + target;
    }
    return false;
}

// A device, a FIFO or standard output, opened for writing in place; -1 with
// errno 0 for a regular file or a name yet to be created (both replaced),
// -1 with errno set when it cannot be written.
int OpenInPlace(const std::string& path) {
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
    if (!g_standardOutputWasClosed && fstat(STDOUT_FILENO, &out) == 0 && opened.st_dev == out.st_dev &&
        opened.st_ino == out.st_ino) {
        // Standard output as the shell set it up: its offset, its appending.
        close(fd);
        return fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 3);
    }
    if (!S_ISREG(opened.st_mode)) return fd;
    close(fd);
    errno = 0;
    return -1;
}
#else
// A device (NUL, CON) or a pipe, opened for writing in place; -1 with errno
// 0 for a file on a disk or a name yet to be created (both replaced), -1 with
// errno set when it cannot be written. Decided on the opened handle.
int OpenInPlace(const std::string& path) {
    const HANDLE handle = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    errno = 0;
    if (handle == INVALID_HANDLE_VALUE) return -1;  // the replacement tells why
    if (GetFileType(handle) == FILE_TYPE_DISK) {
        CloseHandle(handle);
        return -1;
    }
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_WRONLY | _O_BINARY);
    if (fd < 0) {
        CloseHandle(handle);
        errno = EMFILE;
    }
    return fd;
}
#endif

}  // namespace

int RemoveOnSignal(const std::string& path) { return Claim(path); }

void ForgetOnSignal(int slot) { Release(slot); }

HeldSignals::HeldSignals() { g_holding.store(1); }

HeldSignals::~HeldSignals() {
    g_holding.store(0);
    if (const int signal = g_heldSignal.exchange(0)) RemoveAndReraise(signal);
}

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

void OpenClosedStandardFiles() {
    for (int fd = 0; fd <= 2; ++fd) {
#if defined(_WIN32)
        if (_get_osfhandle(fd) >= 0) continue;
        const int null = _open("NUL", fd == 2 ? _O_WRONLY : _O_RDONLY);
        if (null >= 0 && null != fd) {
            _dup2(null, fd);
            _close(null);
        }
#else
        if (fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
        // The lowest free number: this one. Standard output's is opened for
        // reading, so that what is printed to it fails as it would closed.
        const int null = open("/dev/null", fd == 2 ? O_WRONLY : O_RDONLY);
        if (null >= 0 && null != fd) {
            dup2(null, fd);
            close(null);
        }
#endif
        if (fd == 1) g_standardOutputWasClosed = true;
    }
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
    inPlace_ = false;
#if !defined(_WIN32)
    if (g_standardOutputWasClosed && NamesStandardOutput(path)) {
        error = "cannot write " + Named(path) + ": standard output is closed";
        return false;
    }
#endif
    const int fd = OpenInPlace(path);
    if (fd >= 0) {
        file_ = TOOLFILE_FDOPEN(fd, "wb");
        if (!file_) {
            const int reason = errno ? errno : EIO;
            TOOLFILE_CLOSE(fd);
            error = Cannot(path, reason);
            return false;
        }
        inPlace_ = true;
        return true;
    }
    if (errno != 0) {
        error = Cannot(path, errno);
        return false;
    }
    int code = 0;
    {
        // A signal between the temporary file's creation and its place in
        // the list would leave it behind.
        const HeldSignals held;
        code = replacement_.Begin(path);
        if (code == 0) slot_ = Claim(replacement_.TemporaryPath());
    }
    if (code != 0) {
        error = Cannot(path, code, replacement_.Failure());
        return false;
    }
    file_ = replacement_.Stream();
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
        error = "cannot write " + Named(path_) + ": it is not open";
        return false;
    }
    int reason = 0;
    errno = 0;
    if (inPlace_) {
        if (std::fflush(file_) != 0) reason = errno ? errno : EIO;
        errno = 0;
        if (std::fclose(file_) != 0 && reason == 0) reason = errno ? errno : EIO;
    } else {
        // The temporary file is on the disk before its name is: a power cut
        // never leaves an empty file under the name.
        reason = replacement_.Finish();
    }
    file_ = nullptr;
    if (errno_ == 0) errno_ = reason;
    if (errno_ != 0) {
        error = WriteError();
        Discard();
        return false;
    }
    return true;
}

bool OutputFile::KeepReplaced(std::string& error) {
    if (!Replaces()) return true;
    if (const int code = replacement_.KeepReplaced(); code != 0) {
        // A refusal (the file changed, another run may be writing it, a folder
        // took its name) is the output's; the rest, the backup's.
        const bool refused = code < 0 || code == EISDIR;
        error = refused ? Cannot(path_, code, replacement_.Failure())
                           : "cannot keep the old " + Named(path_) +
                                 " while the outputs are put in place: " + platform::ReplaceErrorText(code);
        Discard();
        return false;
    }
    return true;
}

bool OutputFile::Replaces() const { return !inPlace_ && !replacement_.TemporaryPath().empty(); }

bool OutputFile::Publish(std::string& error) {
    if (!Replaces()) return true;  // written in place, or nothing to put
    const int code = replacement_.Publish();
    Release(slot_);
    if (code != 0) {
        error = Cannot(path_, code, replacement_.Failure());
        return false;
    }
    return true;
}

bool OutputFile::TakeBack(std::string& error) {
    const bool hadOld = !replacement_.BackupPath().empty();
    if (const int code = replacement_.TakeBack(); code != 0) {
        const std::string reason = platform::ReplaceErrorText(code, path_, replacement_.Failure(), Named);
        error = hadOld ? "cannot put the old " + Named(path_) + " back: " + reason
                       : "cannot remove the new " + Named(path_) + ": " + reason;
        return false;
    }
    return true;
}

void OutputFile::Keep() { replacement_.DropBackup(); }

std::string OutputFile::WriteError() const {
    return errno_ ? "writing " + Named(path_) + " failed: " + platform::ErrorText(errno_) : std::string();
}

void OutputFile::Discard() {
    if (file_ && inPlace_) std::fclose(file_);
    file_ = nullptr;
    replacement_.Discard();
    Release(slot_);
}

bool PublishTogether(const std::vector<OutputFile*>& files, std::string& error) {
    for (OutputFile* file : files) {
        if (file->Stream() && !file->Finish(error)) return false;
    }
    // From here on the outputs are all new or all as they were. Nothing is
    // taken back after the last rename: the file it replaces is not kept.
    const HeldSignals held;
    size_t last = files.size();
    while (last > 0 && !files[last - 1]->Replaces()) --last;
    for (size_t i = 0; i + 1 < last; ++i) {
        if (!files[i]->KeepReplaced(error)) return false;
    }
    for (size_t i = 0; i < files.size(); ++i) {
        if (files[i]->Publish(error)) continue;
        while (i-- > 0) {
            std::string lost;
            if (!files[i]->TakeBack(lost)) error += "; " + lost;
        }
        return false;
    }
    for (OutputFile* file : files) file->Keep();
    return true;
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
            return output.role + " " + Named(output.path) + " is " + input.role + " " + Named(input.path) +
                   ": it would be overwritten";
        }
    }
    return std::string();
}

}  // namespace toolfile
