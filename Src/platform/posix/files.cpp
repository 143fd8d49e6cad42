#include "platform/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#if defined(__linux__)
#include <sys/xattr.h>
#endif

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <exception>
#include <utility>
#include <vector>

#include "platform/dynamic_library.h"
#include "platform/files_internal.h"

namespace platform {

namespace {

// A descriptor closed when it goes.
struct Descriptor {
    int fd = -1;
    explicit Descriptor(int opened = -1) : fd(opened) {}
    ~Descriptor() {
        if (fd >= 0) close(fd);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
};

FileIdentity IdentityOfStat(const struct stat& st) {
    FileIdentity identity;
    identity.exists = true;
    identity.device = static_cast<uint64_t>(st.st_dev);
    identity.inode = static_cast<uint64_t>(st.st_ino);
    identity.size = static_cast<uint64_t>(st.st_size);
    identity.modified = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    return identity;
}

// The folder's entries reach the disk too (best effort: what was renamed is done).
void SyncFolderOf(const std::string& path) {
    const std::string folder = FolderOfPath(path);
    const Descriptor dir(open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.fd >= 0) fsync(dir.fd);
}

using Attributes = std::vector<std::pair<std::string, std::string>>;

// The extended attributes of an open file (an ACL is one), sorted by name: 0,
// or the system's error number. A file system without them has none.
int ReadAttributes(int fd, Attributes* out) {
    out->clear();
#if defined(__linux__)
    const auto none = [](int error) { return error == ENOTSUP || error == ENOSYS ? 0 : error; };
    std::string names;
    for (;;) {
        const ssize_t size = flistxattr(fd, nullptr, 0);
        if (size < 0) return none(errno);
        names.assign(static_cast<size_t>(size), '\0');
        const ssize_t got = size > 0 ? flistxattr(fd, &names[0], names.size()) : 0;
        if (got >= 0) {
            names.resize(static_cast<size_t>(got));
            break;
        }
        if (errno != ERANGE) return none(errno);  // ERANGE: one was added meanwhile
    }
    for (size_t at = 0; at < names.size();) {
        const size_t end = std::min(names.find('\0', at), names.size());
        const std::string name = names.substr(at, end - at);
        at = end + 1;
        if (name.empty()) continue;
        std::string value;
        for (;;) {
            const ssize_t size = fgetxattr(fd, name.c_str(), nullptr, 0);
            if (size < 0 && errno == ENODATA) break;  // removed meanwhile
            if (size < 0) return none(errno);
            value.assign(static_cast<size_t>(size), '\0');
            const ssize_t got = size > 0 ? fgetxattr(fd, name.c_str(), &value[0], value.size()) : 0;
            if (got >= 0) {
                value.resize(static_cast<size_t>(got));
                out->emplace_back(name, value);
                break;
            }
            if (errno == ENODATA) break;
            if (errno != ERANGE) return none(errno);
        }
    }
    std::sort(out->begin(), out->end());
#else
    (void)fd;
#endif
    return 0;
}

// 0 when the new file has the old one's extended attributes and no others,
// kReplaceAttributes when not, or the system's error number.
int CheckSameAttributes(int oldFd, int newFd) {
    try {
        Attributes before, after;
        if (const int error = ReadAttributes(oldFd, &before); error != 0) return error;
        if (const int error = ReadAttributes(newFd, &after); error != 0) return error;
        return before == after ? 0 : kReplaceAttributes;
    } catch (const std::exception&) {  // no memory for them
        return ENOMEM;
    }
}

// Copies the file at from into a new file named beside it: 0 with *copy set,
// or the system's error number (nothing left).
int CopyAside(const std::string& from, std::string* copy) {
    const Descriptor in(open(from.c_str(), O_RDONLY | O_NOCTTY | O_CLOEXEC));
    struct stat st {};
    if (in.fd < 0 || fstat(in.fd, &st) != 0) return errno;
    if (!S_ISREG(st.st_mode)) return S_ISDIR(st.st_mode) ? EISDIR : kReplaceNotRegular;
    int fd = -1;
    const int made = MakeBeside(from, ".old", copy, [&fd](const std::string& name) {
        fd = open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        return fd >= 0;
    });
    if (made != 0) return made;
    const Descriptor out(fd);
    int error = 0;
    char buffer[65536];
    for (;;) {
        const ssize_t n = read(in.fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (n < 0) error = errno;
            break;
        }
        for (ssize_t done = 0; done < n && error == 0;) {
            const ssize_t w = write(out.fd, buffer + done, static_cast<size_t>(n - done));
            if (w < 0 && errno == EINTR) continue;
            if (w <= 0) error = w < 0 ? errno : EIO;
            if (w > 0) done += w;
        }
        if (error != 0) break;
    }
    if (error == 0 && fchmod(out.fd, st.st_mode & 0777) != 0) error = errno;
    if (error == 0 && fsync(out.fd) != 0) error = errno;
    if (error != 0) {
        unlink(copy->c_str());
        copy->clear();
    }
    return error;
}

// link() fails so where the file system has no hard links.
bool NoHardLinks(int error) {
    return error == EPERM || error == EOPNOTSUPP || error == ENOTSUP || error == ENOSYS || error == EMLINK ||
           error == EXDEV;
}

}  // namespace

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

FileIdentity IdentityOfFile(std::FILE* file) {
    struct stat st {};
    if (!file || fstat(fileno(file), &st) != 0) return FileIdentity();
    return IdentityOfStat(st);
}

FileIdentity IdentityOfPath(const std::string& path) {
    struct stat st {};
    if (path.empty() || stat(path.c_str(), &st) != 0) return FileIdentity();
    return IdentityOfStat(st);
}

int FileReplacement::Begin(const std::string& path) {
    Discard();
    DropBackup();
    m_published = false;
    m_hadFile = false;
    m_path = path;
    m_target.clear();
    if (path.empty()) return ENOENT;

    // The file the name leads to now, opened as this process would write it:
    // one it may not write is refused here, whatever its permissions say to
    // another user.
    const Descriptor old(open(path.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    struct stat st {};
    if (old.fd < 0) {
        const int error = errno;
        struct stat link {};
        // Nothing under the name: a new file. A link that leads nowhere is
        // refused as it stands.
        if (error != ENOENT || lstat(path.c_str(), &link) == 0) return error;
        m_target = path;
    } else {
        if (fstat(old.fd, &st) != 0) return errno;
        if (S_ISDIR(st.st_mode)) return EISDIR;
        if (!S_ISREG(st.st_mode)) return kReplaceNotRegular;
        if (st.st_nlink > 1) return kReplaceHardLinks;
        // Only root gives a file to another user.
        if (st.st_uid != geteuid() && geteuid() != 0) return kReplaceOtherOwner;
        char* real = realpath(path.c_str(), nullptr);
        if (!real) return errno;
        m_target = real;
        std::free(real);
        struct stat there {};
        if (stat(m_target.c_str(), &there) != 0) return errno;
        if (there.st_dev != st.st_dev || there.st_ino != st.st_ino) return kReplaceChanged;
        m_hadFile = true;
    }

    int fd = -1;
    const int made = MakeBeside(m_target, ".tmp", &m_temp, [&fd](const std::string& name) {
        fd = open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        return fd >= 0;
    });
    if (made != 0) return made;
    Descriptor temp(fd);
    int error = 0;
    if (m_hadFile) {
        // The old file's owner, group and permissions (without set-id bits),
        // then its extended attributes, which the new one must have as well.
        struct stat now {};
        if (fstat(temp.fd, &now) != 0) {
            error = errno;
        } else if ((now.st_uid != st.st_uid || now.st_gid != st.st_gid) && fchown(temp.fd, st.st_uid, st.st_gid) != 0) {
            error = kReplaceOtherOwner;
        } else if (fchmod(temp.fd, st.st_mode & 0777) != 0) {
            error = errno;
        } else {
            error = CheckSameAttributes(old.fd, temp.fd);
        }
    }
    if (error == 0 && !(m_stream = fdopen(temp.fd, "wb"))) error = errno ? errno : EIO;
    if (error != 0) {
        unlink(m_temp.c_str());
        m_temp.clear();
        return error;
    }
    temp.fd = -1;  // the stream's now
    return 0;
}

int FileReplacement::KeepReplaced() {
    DropBackup();
    if (m_temp.empty() || m_stream) return EBADF;
    struct stat st {};
    if (stat(m_target.c_str(), &st) != 0) {
        if (errno != ENOENT) return errno;
        m_hadFile = false;  // gone meanwhile: taking back removes the new file
        return 0;
    }
    if (S_ISDIR(st.st_mode)) return EISDIR;
    if (!S_ISREG(st.st_mode)) return kReplaceNotRegular;
    m_hadFile = true;
    int linkError = 0;
    const int made = MakeBeside(m_target, ".old", &m_backup, [this, &linkError](const std::string& name) {
        if (link(m_target.c_str(), name.c_str()) == 0) return true;
        linkError = errno;
        return false;
    });
    // Where the file system has no hard links, a copy stands in.
    if (made != 0 && NoHardLinks(linkError)) return CopyAside(m_target, &m_backup);
    return made;
}

int FileReplacement::Publish(const FileIdentity* expected) {
    if (const int refused = ReadyToPublish(expected); refused != 0) return refused;
    if (rename(m_temp.c_str(), m_target.c_str()) != 0) {
        const int error = errno;
        Discard();
        return error;
    }
    m_temp.clear();
    SyncFolderOf(m_target);
    m_published = true;
    return 0;
}

int FileReplacement::TakeBack() {
    if (!m_published) return 0;
    m_published = false;
    int error = 0;
    if (!m_backup.empty()) {
        if (rename(m_backup.c_str(), m_target.c_str()) == 0) {
            m_backup.clear();
        } else {
            error = errno;
        }
    } else if (m_hadFile) {
        error = ENOENT;  // the old file was not kept
    } else if (unlink(m_target.c_str()) != 0 && errno != ENOENT) {
        error = errno;
    }
    SyncFolderOf(m_target);
    return error;
}

}  // namespace platform
