#include "output_file.h"

#include <fcntl.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <system_error>

#if defined(_WIN32)
#include <direct.h>
#include <io.h>
#include <process.h>
#define PRNHOST_GETPID _getpid
#define PRNHOST_UNLINK _unlink
#define PRNHOST_RMDIR _rmdir
#define PRNHOST_OPEN _open
#define PRNHOST_FLAGS (_O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY)
#define PRNHOST_FDOPEN _fdopen
#define PRNHOST_CLOSE _close
#else
#include <unistd.h>
#define PRNHOST_GETPID getpid
#define PRNHOST_UNLINK unlink
#define PRNHOST_RMDIR rmdir
#define PRNHOST_OPEN open
#define PRNHOST_FLAGS (O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC)
#define PRNHOST_FDOPEN fdopen
#define PRNHOST_CLOSE close
#endif

namespace prnhost {
namespace {

// The temporary files that a signal removes: fixed storage, so that the
// handler reads no memory that is being allocated or freed.
constexpr int kSlots = 8;
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

void Release(int slot) {
    if (slot >= 0) g_used[slot].store(false);
}

extern "C" void RemoveAndReraise(int signal) {
    for (int i = 0; i < kSlots; ++i) {
        if (g_used[i].load() && PRNHOST_UNLINK(g_paths[i]) != 0) PRNHOST_RMDIR(g_paths[i]);
    }
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

std::string Reason(int error) { return error ? std::strerror(error) : "unknown error"; }

}  // namespace

int RemoveOnSignal(const std::string& path) { return Claim(path); }

void ForgetOnSignal(int slot) { Release(slot); }

void RemoveTemporariesOnSignals() {
    std::signal(SIGINT, RemoveAndReraise);
    std::signal(SIGTERM, RemoveAndReraise);
#if defined(SIGHUP)
    std::signal(SIGHUP, RemoveAndReraise);
#endif
#if defined(SIGPIPE)
    std::signal(SIGPIPE, RemoveAndReraise);
#endif
#if defined(SIGXFSZ)
    // A file-size limit then fails the write ("File too large"), which is reported and cleaned up.
    std::signal(SIGXFSZ, SIG_IGN);
#endif
}

bool OutputFile::Create(const std::string& path, std::string& error) {
    Discard();
    std::error_code failed;
    const std::filesystem::file_status status = std::filesystem::status(path, failed);
    if (std::filesystem::is_directory(status)) {
        error = "cannot write the output file " + path + ": " + Reason(EISDIR);
        return false;
    }
    if (std::filesystem::exists(status) && !std::filesystem::is_regular_file(status)) {
        // A device or a FIFO is written in place: a temporary renamed over it would replace the node.
        file_ = std::fopen(path.c_str(), "wb");
        if (!file_) {
            error = "cannot write the output file " + path + ": " + Reason(errno);
            return false;
        }
        path_ = path;
        errno_ = 0;
        return true;
    }
    const std::string base = path + "." + std::to_string(PRNHOST_GETPID()) + "-";
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string temp = base + std::to_string(attempt) + ".tmp";
        const int fd = PRNHOST_OPEN(temp.c_str(), PRNHOST_FLAGS, 0666);
        if (fd < 0) {
            const int reason = errno;
            if (reason == EEXIST) continue;
            error = "cannot write the output file " + path + ": " + Reason(reason);
            return false;
        }
        const int slot = Claim(temp);
        file_ = PRNHOST_FDOPEN(fd, "wb");
        if (!file_) {
            const int reason = errno;
            PRNHOST_CLOSE(fd);
            PRNHOST_UNLINK(temp.c_str());
            Release(slot);
            error = "cannot write the output file " + path + ": " + Reason(reason);
            return false;
        }
        path_ = path;
        temp_ = std::move(temp);
        slot_ = slot;
        errno_ = 0;
        return true;
    }
    error = "cannot write the output file " + path + ": no free temporary name beside it";
    return false;
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

bool OutputFile::Commit(std::string& error) { return Finish(error) && Publish(error); }

bool OutputFile::Finish(std::string& error) {
    if (!file_) {
        error = "cannot write the output file " + path_ + ": it is not open";
        return false;
    }
    errno = 0;
    const bool flushed = std::fflush(file_) == 0;
    int reason = flushed ? 0 : (errno ? errno : EIO);
    errno = 0;
    const bool closed = std::fclose(file_) == 0;
    if (!closed && reason == 0) reason = errno ? errno : EIO;
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
    std::error_code renamed;
    std::filesystem::rename(temp_, path_, renamed);
    if (renamed) {
        error = "cannot write the output file " + path_ + ": " + renamed.message();
        Discard();
        return false;
    }
    Release(slot_);
    slot_ = -1;
    temp_.clear();
    return true;
}

std::string OutputFile::WriteError() const {
    return errno_ ? "writing the output file " + path_ + " failed: " + Reason(errno_) : std::string();
}

void OutputFile::Discard() {
    if (file_) std::fclose(file_);
    file_ = nullptr;
    if (!temp_.empty()) PRNHOST_UNLINK(temp_.c_str());
    Release(slot_);
    slot_ = -1;
    temp_.clear();
}

}  // namespace prnhost
