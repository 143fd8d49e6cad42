#include "platform/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace platform {

OpenToRead OpenRegularFileToRead(const std::string& path, std::FILE** file, int* error) {
    *file = nullptr;
    *error = 0;
    if (path.empty()) {
        *error = ENOENT;
        return OpenToRead::kFailed;
    }
    // Without waiting: a FIFO opens at once (and is refused below).
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        *error = errno;
        return OpenToRead::kFailed;
    }
    struct stat st {};
    if (fstat(fd, &st) != 0) {
        *error = errno;
        close(fd);
        return OpenToRead::kFailed;
    }
    if (!S_ISREG(st.st_mode)) {
        close(fd);
        return OpenToRead::kNotRegular;
    }
    const int flags = fcntl(fd, F_GETFL);
    if (flags == -1 || fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) == -1 || !(*file = fdopen(fd, "rb"))) {
        *error = errno;
        close(fd);
        return OpenToRead::kFailed;
    }
    return OpenToRead::kOpened;
}

int SyncFile(std::FILE* file) {
    if (!file) return EBADF;
    if (std::fflush(file) != 0 || fsync(fileno(file)) != 0) return errno ? errno : EIO;
    return 0;
}

int RenameOver(const std::string& from, const std::string& to) {
    // The file keeps the permissions (and, where allowed, the owner) of the
    // one it replaces; a new one may be read by all, as a file the runtime
    // creates usually is.
    struct stat old {};
    if (stat(to.c_str(), &old) == 0) {
        // A file this process may not write is not replaced either.
        if (access(to.c_str(), W_OK) != 0) return errno;
        if (chown(from.c_str(), old.st_uid, old.st_gid) != 0) {
            // Only root gives files away: otherwise the file stays ours.
        }
        if (chmod(from.c_str(), old.st_mode & 07777) != 0) return errno;
    } else if (chmod(from.c_str(), 0644) != 0) {
        return errno;
    }
    if (rename(from.c_str(), to.c_str()) != 0) return errno;
    // The new name itself reaches the disk with the folder.
    const size_t slash = to.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : to.substr(0, slash);
    const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        fsync(fd);  // best effort: the rename itself is done
        close(fd);
    }
    return 0;
}

}  // namespace platform
