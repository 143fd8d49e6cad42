#include "platform/files.h"

#include <fcntl.h>
#include <stdio.h>
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
    identity.changed = static_cast<int64_t>(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec;
    return identity;
}

// fsync(), which the tests count (a folder's apart): 0 or the system's error number.
int Sync(int fd, bool folder) {
    if (fsync(fd) != 0) return errno ? errno : EIO;
    NoteTestSync(folder);
    return 0;
}

// The folder's entries reach the disk too (best effort: what was renamed is done).
void SyncFolderOf(const std::string& path) {
    const std::string folder = FolderOfPath(path);
    const Descriptor dir(open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.fd >= 0) Sync(dir.fd, true);
}

// link(), or its failure where the file system has no hard links (the tests').
int Link(const std::string& from, const std::string& to) {
    if (TestNoHardLinks()) {
        errno = EPERM;
        return -1;
    }
    return link(from.c_str(), to.c_str());
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

// 0 when the new file has every extended attribute of the old one with the
// same value (others that it gains, as a folder's default ACL, are no
// reason); kReplaceAttributes when it lacks one, kReplaceAttributeValues when
// it has one with another value, or the system's error number.
int CheckSameAttributes(int oldFd, int newFd) {
    try {
        Attributes before, after;
        if (const int error = ReadAttributes(oldFd, &before); error != 0) return error;
        if (const int error = ReadAttributes(newFd, &after); error != 0) return error;
        int refused = 0;
        for (const auto& [name, value] : before) {
            const auto it = std::lower_bound(after.begin(), after.end(), std::make_pair(name, std::string()));
            if (it == after.end() || it->first != name) return kReplaceAttributes;
            if (it->second != value) refused = kReplaceAttributeValues;
        }
        return refused;
    } catch (const std::exception&) {  // no memory for them
        return ENOMEM;
    }
}

// Copies the file at from into a new file named beside it: 0 with *copy set,
// or the system's error number (nothing left).
// The file copied must be expected (the same file).
int CopyAside(const std::string& from, const FileIdentity& expected, std::string* copy) {
    const Descriptor in(open(from.c_str(), O_RDONLY | O_NOCTTY | O_CLOEXEC));
    struct stat st {};
    if (in.fd < 0 || fstat(in.fd, &st) != 0) return errno;
    if (!S_ISREG(st.st_mode)) return S_ISDIR(st.st_mode) ? EISDIR : kReplaceNotRegular;
    if (st.st_dev != expected.device || st.st_ino != expected.inode) return kReplaceChanged;
    int fd = -1;
    const int made = MakeBeside(from, kBackupName, copy, [&fd](const std::string& name) {
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
    if (error == 0) error = Sync(out.fd, false);
    if (error == 0) {
        struct stat after {};
        if (fstat(in.fd, &after) != 0) error = errno;
        // The file copied must be the one replaced, whole.
        if (error == 0 && (after.st_dev != expected.device || after.st_ino != expected.inode ||
                           IdentityOfStat(after) != IdentityOfStat(st))) {
            error = kReplaceChanged;
        }
    }
    if (error != 0) {
        unlink(copy->c_str());
        ReleaseName(*copy);
    }
    return error;
}

// Where the marks of second names lie in a file: far past any file's bytes,
// so that no reader or writer of them ever meets one.
constexpr off_t kMarkBase = static_cast<off_t>(1) << 50;

// The place of a marked name's mark in its file; false for a name that no
// mark stands for.
bool MarkPlace(const std::string& name, off_t* place) {
    uint64_t mark = 0;
    if (!MarkOfName(name, &mark)) return false;
    *place = kMarkBase + static_cast<off_t>(mark);
    return true;
}

#if defined(F_OFD_SETLK) && defined(F_OFD_GETLK)
// The open file description lock call (command) on the one byte at place
// with a lock of type, or the tests' failure: 0 or the system's error
// number; *lock as the call leaves it.
int LockByte(int fd, int command, short type, off_t place, struct flock* lock) {
    *lock = {};
    lock->l_type = type;
    lock->l_whence = SEEK_SET;
    lock->l_start = place;
    lock->l_len = 1;
    if (const int played = TestLockError()) return played;
    return fcntl(fd, command, lock) == 0 ? 0 : errno;
}
#endif

// The mark of a marked name on fd's file taken (on) or given up: 0, or the
// system's error number (ENOLCK where no lock can stand for it: no file, no
// such locks).
int Mark(int fd, const std::string& name, bool on) {
#if defined(F_OFD_SETLK) && defined(F_OFD_GETLK)
    off_t place = 0;
    struct flock lock {};
    if (fd < 0 || !MarkPlace(name, &place)) return ENOLCK;
    return LockByte(fd, F_OFD_SETLK, on ? F_WRLCK : F_UNLCK, place, &lock);
#else
    (void)fd, (void)name, (void)on;
    return ENOLCK;
#endif
}

// Marks a marked name on fd's file, then makes it with make(): true; false
// with errno EEXIST when another run's mark holds it (the next name is
// tried), ENOLCK when no mark can stand for it here (see KeepReplaced), or
// make's own.
template <typename Make>
bool MakeMarked(int fd, const std::string& name, Make make) {
    if (const int error = Mark(fd, name, true); error != 0) {
        // Only another run's mark holds the name: any other failure (a
        // reader's lock over the byte, a file system without such locks)
        // says that no mark can stand for it.
        errno = (error == EAGAIN || error == EACCES) && NameMarked(fd, name) > 0 ? EEXIST : ENOLCK;
        return false;
    }
    if (make()) return true;
    const int error = errno;
    Mark(fd, name, false);
    errno = error;
    return false;
}

// link() fails so where the file system has no hard links.
bool NoHardLinks(int error) {
    return error == EPERM || error == EOPNOTSUPP || error == ENOTSUP || error == ENOSYS || error == EMLINK ||
           error == EXDEV;
}

// Renames from to a name where no file stands: EEXIST, and nothing changed,
// when one does. Where the file system can neither rename so nor link, the
// name is looked at just before a plain rename.
int RenameNoReplaceOrError(const std::string& from, const std::string& to) {
#if defined(__linux__) && defined(RENAME_NOREPLACE)
    const int renamed = TestNoRenameNoReplace()
                            ? (errno = EINVAL, -1)
                            : renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE);
    if (renamed == 0) return 0;
    if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP && errno != EOPNOTSUPP) return errno;
#endif
    // While both names lead to the file, the temporary's is a second name
    // of it, which its maker's id tells as held.
    if (Link(from, to) == 0) {
        // The temporary's name goes: it would stay a second name of the file.
        unlink(from.c_str());
        return 0;
    }
    if (!NoHardLinks(errno)) return errno;
    struct stat st {};
    if (lstat(to.c_str(), &st) == 0) return EEXIST;
    if (errno != ENOENT) return errno;
    return rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

// The same, a folder under the name told as such.
int RenameNoReplace(const std::string& from, const std::string& to) {
    const int error = RenameNoReplaceOrError(from, to);
    struct stat st {};
    if (error == EEXIST && lstat(to.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return EISDIR;
    return error;
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
    if (std::fflush(file) != 0) return errno ? errno : EIO;
    return Sync(fileno(file), false);
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

int NameMarked(intptr_t file, const std::string& name) {
#if defined(F_OFD_SETLK) && defined(F_OFD_GETLK)
    off_t place = 0;
    struct flock lock {};
    // A reader's look, which a reader's lock does not answer; what answers
    // is a mark only as a write lock of that one byte.
    if (file < 0 || !MarkPlace(name, &place) ||
        LockByte(static_cast<int>(file), F_OFD_GETLK, F_RDLCK, place, &lock) != 0) {
        return -1;
    }
    if (lock.l_type == F_UNLCK) return 0;
    return lock.l_type == F_WRLCK && lock.l_start == place && lock.l_len == 1 ? 1 : -1;
#else
    (void)file, (void)name;
    return -1;
#endif
}

FileIdentity IdentityOfName(const std::string& path) {
    struct stat st {};
    if (path.empty() || lstat(path.c_str(), &st) != 0) return FileIdentity();
    return IdentityOfStat(st);
}

void FileReplacement::CloseFiles() {
    if (m_old >= 0) close(static_cast<int>(m_old));
    if (m_tempFile >= 0) close(static_cast<int>(m_tempFile));
    m_old = -1;
    m_tempFile = -1;
}

int FileReplacement::Begin(const std::string& path) {
    Discard();
    DropBackup();
    ReleaseName(m_backup);
    m_backupHoldsOld = false;
    m_published = false;
    m_hadFile = false;
    m_path = path;
    m_target.clear();
    m_seen = FileIdentity();
    m_placed = FileIdentity();
    m_backupFile = FileIdentity();
    m_blocking = RemovedLeftover();
    m_removed.clear();
    if (path.empty()) return ENOENT;

    // The file the name leads to now, opened as this process would write it:
    // one it may not write is refused here, whatever its permissions say to
    // another user.
    Descriptor old(open(path.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
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
        char* real = realpath(path.c_str(), nullptr);
        if (!real) return errno;
        m_target = real;
        std::free(real);
        m_seen = IdentityOfStat(st);
        if (st.st_nlink > 1) {
            // Names that interrupted runs left for it go; the user's stay.
            if (const int busy = RemoveLeftovers(old.fd); busy != 0) return busy;
            if (fstat(old.fd, &st) != 0) return errno;
            if (st.st_nlink > 1) return kReplaceHardLinks;
            m_seen = IdentityOfStat(st);
        }
        // Only root gives a file to another user.
        if (st.st_uid != geteuid() && geteuid() != 0) return kReplaceOtherOwner;
        struct stat there {};
        if (stat(m_target.c_str(), &there) != 0) return errno;
        if (there.st_dev != st.st_dev || there.st_ino != st.st_ino) return kReplaceChanged;
        m_hadFile = true;
    }

    // The temporary of an existing file is its owner's alone until it has
    // the old file's owner and permissions.
    int fd = -1;
    const mode_t mode = m_hadFile ? 0600 : 0666;
    const int made = MakeBeside(m_target, kTemporaryName, &m_temp, [&fd, mode](const std::string& name) {
        fd = open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
        return fd >= 0;
    });
    if (made != 0) return made;
    Descriptor temp(fd);
    int error = 0;
    struct stat now {};
    if (fstat(temp.fd, &now) != 0) error = errno;
    if (error == 0) NoteTestCreatedMode(now.st_mode & 07777);
    if (error == 0 && m_hadFile) {
        // The old file's owner, group and permissions (without set-id bits),
        // then its extended attributes, which the new one must have as well.
        if ((now.st_uid != st.st_uid || now.st_gid != st.st_gid) && fchown(temp.fd, st.st_uid, st.st_gid) != 0) {
            error = kReplaceOtherOwner;
        } else if (fchmod(temp.fd, st.st_mode & 0777) != 0) {
            error = errno;
        } else {
            error = CheckSameAttributes(old.fd, temp.fd);
        }
    }
    // Kept open for the check before the rename, and to know the new file by after it.
    if (error == 0 && (m_tempFile = fcntl(temp.fd, F_DUPFD_CLOEXEC, 0)) < 0) error = errno;
    if (error == 0 && !(m_stream = fdopen(temp.fd, "wb"))) error = errno ? errno : EIO;
    if (error != 0) {
        CloseFiles();
        unlink(m_temp.c_str());
        ReleaseName(m_temp);
        return error;
    }
    temp.fd = -1;  // the stream's now
    if (m_hadFile) {
        m_old = old.fd;
        old.fd = -1;
    }
    return 0;
}

int FileReplacement::CheckStillReplaceable() {
    if (!m_hadFile) return 0;  // put in place without replacing
    if (m_old < 0 || m_tempFile < 0) return EBADF;
    const int oldFd = static_cast<int>(m_old);
    struct stat st {}, temp {};
    if (fstat(oldFd, &st) != 0 || fstat(static_cast<int>(m_tempFile), &temp) != 0) return errno;
    if (!S_ISREG(st.st_mode)) return kReplaceNotRegular;
    const nlink_t ours = m_backupLinked ? 2 : 1;  // this run's backup is one name more
    if (st.st_nlink > ours) {
        const size_t removed = m_removed.size();
        if (const int busy = RemoveLeftovers(m_old); busy != 0) return busy;
        if (fstat(oldFd, &st) != 0) return errno;
        if (st.st_nlink > ours) return kReplaceHardLinks;
        // The names removed moved its change time; nothing else may have.
        if (m_removed.size() > removed) m_seen.changed = IdentityOfStat(st).changed;
    }
    if (st.st_uid != temp.st_uid || st.st_gid != temp.st_gid) return kReplaceOtherOwner;
    // Its permissions as the new file has them: a chmod meanwhile is not undone.
    if ((st.st_mode & 0777) != (temp.st_mode & 0777)) return kReplaceChanged;
    if (const int refused = CheckSameAttributes(oldFd, static_cast<int>(m_tempFile)); refused != 0) return refused;
    // Unchanged (its bytes, permissions, links, attributes), and still
    // under the name (a folder there told as such).
    struct stat there {};
    if (stat(m_target.c_str(), &there) == 0 && S_ISDIR(there.st_mode)) return EISDIR;
    if (IdentityOfStat(st) != m_seen || stat(m_target.c_str(), &there) != 0 || there.st_dev != st.st_dev ||
        there.st_ino != st.st_ino) {
        return kReplaceChanged;
    }
    return 0;
}

int FileReplacement::KeepReplaced() {
    DropBackup();
    if (m_temp.empty() || m_stream) return EBADF;
    if (!m_hadFile) return 0;  // taking back removes the new file
    if (const int refused = CheckStillReplaceable(); refused != 0) return refused;
    int linkError = 0;
    const auto link = [this, &linkError](const std::string& name) {
        if (Link(m_target, name) == 0) return true;
        linkError = errno;
        return false;
    };
    // Marked as held before it is made: no run takes it for an ended one's.
    // Where no mark can stand for it, the plain form, which the id tells.
    const int fd = static_cast<int>(m_old);
    int made = MakeBeside(m_target, kMarkedBackupName, &m_backup, [&](const std::string& name) {
        return MakeMarked(fd, name, [&] { return link(name); });
    });
    if (made == ENOLCK) made = MakeBeside(m_target, kBackupName, &m_backup, link);
    // Where the file system has no hard links, a copy stands in.
    if (made != 0 && NoHardLinks(linkError)) {
        const int copied = CopyAside(m_target, m_seen, &m_backup);
        if (copied == 0) m_backupFile = IdentityOfName(m_backup);
        return copied;
    }
    if (made != 0) return made;
    m_backupLinked = true;
    // The link is of the file Begin saw, and moved only its change time.
    struct stat st {};
    const FileIdentity backup = IdentityOfName(m_backup);
    m_backupFile = backup;
    if (fstat(static_cast<int>(m_old), &st) != 0) return errno;
    FileIdentity now = IdentityOfStat(st);
    now.changed = m_seen.changed;
    if (now != m_seen || backup.device != m_seen.device || backup.inode != m_seen.inode) {
        DropBackup();
        return kReplaceChanged;
    }
    m_seen.changed = IdentityOfStat(st).changed;
    return 0;
}

int FileReplacement::Publish(const FileIdentity* expected) {
    if (const int refused = ReadyToPublish(expected); refused != 0) return refused;
    // The new file as it goes under the name, for a take-back: the rename
    // moves only its change time.
    struct stat placed {};
    m_placed = fstat(static_cast<int>(m_tempFile), &placed) == 0 ? IdentityOfStat(placed) : FileIdentity();
    const int error = m_hadFile ? (rename(m_temp.c_str(), m_target.c_str()) == 0 ? 0 : errno)
                                : RenameNoReplace(m_temp, m_target);
    if (error != 0) {
        Discard();
        // A file made where none was expected: the name no longer leads to it.
        return error == EEXIST && expected ? kReplaceChanged : error;
    }
    // The backup link as a take-back must find it: the rename (and any name
    // removed before it) moved its change time.
    struct stat backup {};
    if (m_backupLinked) {
        m_backupFile = fstat(static_cast<int>(m_old), &backup) == 0 ? IdentityOfStat(backup) : FileIdentity();
    }
    CloseFiles();
    ReleaseName(m_temp);
    SyncFolderOf(m_target);
    m_published = true;
    return 0;
}

int FileReplacement::TakeBack() {
    if (!m_published) return 0;
    m_published = false;
    // Only the file this run put there goes: one saved over it meanwhile
    // stays, and the old file then stays under its backup name.
    struct stat there {};
    const bool present = lstat(m_target.c_str(), &there) == 0;
    FileIdentity now = IdentityOfStat(there);
    now.changed = m_placed.changed;
    const bool ours = present && m_placed.exists && now == m_placed;
    const int other = !present || ours ? 0 : S_ISDIR(there.st_mode) ? EISDIR : kReplaceSavedOver;
    int error = 0;
    if (!m_backup.empty()) {
        if (other != 0) {
            error = other;
        } else if (IdentityOfName(m_backup) != m_backupFile || !m_backupFile.exists) {
            error = kReplaceChanged;
        } else if (rename(m_backup.c_str(), m_target.c_str()) != 0) {
            error = errno;
        }
        if (error == 0) {
            ReleaseName(m_backup);
        } else {
            m_backupHoldsOld = true;  // the only copy of the old file now
        }
    } else if (m_hadFile) {
        error = ENOENT;  // the old file was not kept
    } else if (other != 0) {
        error = other;
    } else if (present && unlink(m_target.c_str()) != 0 && errno != ENOENT) {
        error = errno;
    }
    SyncFolderOf(m_target);
    return error;
}

}  // namespace platform
