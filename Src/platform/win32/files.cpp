#include "platform/files.h"

#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <sys/types.h>

#include <cerrno>
#include <vector>

#include "platform/files_internal.h"
#include "win32_support.h"

// After windows.h (win32_support.h).
#include <aclapi.h>

namespace platform {

namespace {

// A handle closed when it goes.
struct Handle {
    HANDLE handle = INVALID_HANDLE_VALUE;
    explicit Handle(HANDLE opened) : handle(opened) {}
    ~Handle() {
        if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    bool Valid() const { return handle != INVALID_HANDLE_VALUE; }
};

int LastErrno() { return win32::ErrnoFromError(GetLastError()); }

FileIdentity IdentityOfHandle(HANDLE handle) {
    BY_HANDLE_FILE_INFORMATION info {};
    if (handle == INVALID_HANDLE_VALUE || !GetFileInformationByHandle(handle, &info)) return FileIdentity();
    FileIdentity identity;
    identity.exists = true;
    identity.device = info.dwVolumeSerialNumber;
    identity.inode = (static_cast<uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    identity.size = (static_cast<uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    identity.modified = static_cast<int64_t>((static_cast<uint64_t>(info.ftLastWriteTime.dwHighDateTime) << 32) |
                                             info.ftLastWriteTime.dwLowDateTime);
    // The change time, which the handle's file information leaves out.
    FILE_BASIC_INFO basic {};
    if (GetFileInformationByHandleEx(handle, FileBasicInfo, &basic, sizeof basic)) {
        identity.changed = basic.ChangeTime.QuadPart;
    }
    return identity;
}

// The system's replace call (or the tests' play of it): 0 or its error code.
DWORD Replace(const std::string& target, const std::string& temp, const std::string& backup) {
    if (const TestReplaceCall call = TestReplaceCallSet()) return call(target, temp, backup);
    return ReplaceFileA(target.c_str(), temp.c_str(), backup.c_str(), 0, nullptr, nullptr) ? 0 : GetLastError();
}

// The code of a replacement's failed call: the replace call's own failures
// and sharing violations mean that another program holds the file.
int ReplaceCode(DWORD error) {
    switch (error) {
        case ERROR_UNABLE_TO_REMOVE_REPLACED:
        case ERROR_UNABLE_TO_MOVE_REPLACEMENT:
        case ERROR_UNABLE_TO_MOVE_REPLACEMENT_2:
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION: return kReplaceHeldOpen;
        default: return win32::ErrnoFromError(error);
    }
}

// The code of a failed rename or replace over target.
int FailedOver(const std::string& target, DWORD error) {
    const DWORD attributes = GetFileAttributesA(target.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) return EISDIR;
    return ReplaceCode(error);
}

// Whether the new file has the old one's owner (a new file gets the owner
// this process gives its files): 0 when it has (or the file system keeps no
// owners), kReplaceOtherOwner when not.
int CheckSameOwner(HANDLE oldFile, HANDLE newFile) {
    PSID oldOwner = nullptr;
    PSID newOwner = nullptr;
    PSECURITY_DESCRIPTOR oldHeld = nullptr;
    PSECURITY_DESCRIPTOR newHeld = nullptr;
    int result = 0;
    if (GetSecurityInfo(oldFile, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &oldOwner, nullptr, nullptr, nullptr,
                        &oldHeld) == ERROR_SUCCESS &&
        oldOwner) {
        const bool same = GetSecurityInfo(newFile, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &newOwner, nullptr,
                                          nullptr, nullptr, &newHeld) == ERROR_SUCCESS &&
                          newOwner && EqualSid(oldOwner, newOwner);
        result = same ? 0 : kReplaceOtherOwner;
    }
    if (oldHeld) LocalFree(oldHeld);
    if (newHeld) LocalFree(newHeld);
    return result;
}

// The path of the opened file (its links followed), without the "\\?\"
// prefix where a plain path names it.
bool FinalPath(HANDLE file, std::string* path) {
    std::vector<char> buffer(MAX_PATH + 1);
    for (;;) {
        const DWORD n = GetFinalPathNameByHandleA(file, buffer.data(), static_cast<DWORD>(buffer.size()),
                                                  FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
        if (n == 0) return false;
        if (n < buffer.size()) {
            path->assign(buffer.data(), n);
            break;
        }
        buffer.resize(n + 1);
    }
    if (path->compare(0, 8, "\\\\?\\UNC\\") == 0) {
        *path = "\\\\" + path->substr(8);
    } else if (path->compare(0, 4, "\\\\?\\") == 0 && path->size() >= 6 && (*path)[5] == ':') {
        path->erase(0, 4);
    }
    return true;
}

// Opens the file at path as Begin does: to write it, and shared with all.
HANDLE OpenToReplace(const std::string& path) {
    return CreateFileA(path.c_str(), GENERIC_WRITE | READ_CONTROL, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                       nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

// Creates an empty file of ours under a free name: false with errno set.
bool CreateNew(const std::string& name, HANDLE* handle) {
    *handle = CreateFileA(name.c_str(), GENERIC_WRITE | READ_CONTROL, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                          nullptr);
    if (*handle != INVALID_HANDLE_VALUE) return true;
    errno = LastErrno();
    return false;
}

// Reserves a free backup name beside target with an empty file of ours,
// for the replace call to move the old file to: 0 with *backup set and
// *reserved that file's identity, or the system's error number.
int ReserveBackup(const std::string& target, std::string* backup, FileIdentity* reserved) {
    HANDLE handle = INVALID_HANDLE_VALUE;
    const int made = MakeBeside(target, kBackupName, backup,
                                [&handle](const std::string& name) { return CreateNew(name, &handle); });
    if (made != 0) return made;
    CloseHandle(handle);
    *reserved = IdentityOfName(*backup);
    return 0;
}

}  // namespace

OpenToRead OpenRegularFileToRead(const std::string& path, std::FILE** file, int* error) {
    *file = nullptr;
    *error = 0;
    if (path.empty()) {
        *error = ENOENT;
        return OpenToRead::kFailed;
    }
    std::FILE* opened = std::fopen(path.c_str(), "rb");
    if (!opened) {
        *error = errno;
        // A folder does not open as a file at all.
        const DWORD attributes = GetFileAttributesA(path.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
            return OpenToRead::kNotRegular;
        }
        return OpenToRead::kFailed;
    }
    const HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(opened)));
    struct _stat64 st {};
    if (_fstat64(_fileno(opened), &st) != 0 || (st.st_mode & _S_IFMT) != _S_IFREG ||
        GetFileType(handle) != FILE_TYPE_DISK) {
        std::fclose(opened);
        return OpenToRead::kNotRegular;
    }
    *file = opened;
    return OpenToRead::kOpened;
}

int SyncFile(std::FILE* file) {
    if (!file) return EBADF;
    if (std::fflush(file) != 0) return errno ? errno : EIO;
    const HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file)));
    if (!FlushFileBuffers(handle)) return win32::ErrnoFromError(GetLastError());
    NoteTestSync(false);  // counted where the system synced
    return 0;
}

FileIdentity IdentityOfFile(std::FILE* file) {
    if (!file) return FileIdentity();
    return IdentityOfHandle(reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file))));
}

FileIdentity IdentityOfPath(const std::string& path) {
    if (path.empty()) return FileIdentity();
    const Handle file(CreateFileA(path.c_str(), FILE_READ_ATTRIBUTES,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    return IdentityOfHandle(file.handle);
}

// No marks here: the process ids tell (see FileReplacement).
int NameMarked(intptr_t, const std::string&) { return -1; }

FileIdentity IdentityOfName(const std::string& path) {
    if (path.empty()) return FileIdentity();
    const Handle file(CreateFileA(path.c_str(), FILE_READ_ATTRIBUTES,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    return IdentityOfHandle(file.handle);
}

void FileReplacement::CloseFiles() {
    // Nothing held between the steps (see CheckStillReplaceable).
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

    // The file the name leads to now (links followed), opened as this process
    // would write it: a read-only one is refused here.
    Handle old(OpenToReplace(path));
    if (!old.Valid()) {
        const DWORD error = GetLastError();
        const DWORD attributes = GetFileAttributesA(path.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) return EISDIR;
        // Nothing under the name: a new file. A link that leads nowhere is
        // refused as it stands.
        if (error != ERROR_FILE_NOT_FOUND || attributes != INVALID_FILE_ATTRIBUTES) return ReplaceCode(error);
        m_target = path;
    } else {
        BY_HANDLE_FILE_INFORMATION info {};
        if (GetFileType(old.handle) != FILE_TYPE_DISK) return kReplaceNotRegular;
        if (!GetFileInformationByHandle(old.handle, &info)) return LastErrno();
        if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return EISDIR;
        if (!FinalPath(old.handle, &m_target)) return LastErrno();
        m_seen = IdentityOfHandle(old.handle);
        if (info.nNumberOfLinks > 1) {
            // Names that interrupted runs left for it go; the user's stay.
            if (const int refused = RemoveLeftoversReopened(&old.handle, &info); refused != 0) return refused;
            m_seen = IdentityOfHandle(old.handle);
        }
        m_hadFile = true;
    }

    HANDLE handle = INVALID_HANDLE_VALUE;
    const int made = MakeBeside(m_target, kTemporaryName, &m_temp,
                                [&handle](const std::string& name) { return CreateNew(name, &handle); });
    if (made != 0) return made;
    const int owner = m_hadFile ? CheckSameOwner(old.handle, handle) : 0;
    const int fd = owner == 0 ? _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_WRONLY | _O_BINARY) : -1;
    if (fd < 0) CloseHandle(handle);
    if (fd < 0 || !(m_stream = _fdopen(fd, "wb"))) {
        const int error = owner != 0 ? owner : fd < 0 ? EMFILE : (errno ? errno : EIO);
        if (fd >= 0) _close(fd);
        DeleteFileA(m_temp.c_str());
        ReleaseName(m_temp);
        return error;
    }
    return 0;
}

int FileReplacement::RemoveLeftoversReopened(void* file, void* information) {
    HANDLE* handle = static_cast<HANDLE*>(file);
    auto* info = static_cast<BY_HANDLE_FILE_INFORMATION*>(information);
    // A name of a file goes only when no handle holds the file.
    CloseHandle(*handle);
    *handle = INVALID_HANDLE_VALUE;
    const int busy = RemoveLeftovers();
    *handle = OpenToReplace(m_target);
    if (*handle == INVALID_HANDLE_VALUE) return LastErrno();
    const FileIdentity now = IdentityOfHandle(*handle);
    if (now.device != m_seen.device || now.inode != m_seen.inode) return kReplaceChanged;
    if (busy != 0) return busy;
    if (!GetFileInformationByHandle(*handle, info)) return LastErrno();
    return info->nNumberOfLinks > 1 ? kReplaceHardLinks : 0;
}

int FileReplacement::CheckStillReplaceable() {
    if (!m_hadFile) return 0;  // put in place without replacing
    // Opened again (a file held open through the job could not be saved
    // over by anyone else), and still the file Begin saw.
    Handle old(OpenToReplace(m_target));
    if (!old.Valid()) {
        const DWORD error = GetLastError();
        const int code = FailedOver(m_target, error);
        return code != EISDIR && error == ERROR_FILE_NOT_FOUND ? kReplaceChanged : code;
    }
    BY_HANDLE_FILE_INFORMATION info {};
    if (GetFileType(old.handle) != FILE_TYPE_DISK) return kReplaceNotRegular;
    if (!GetFileInformationByHandle(old.handle, &info)) return LastErrno();
    if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return EISDIR;
    const FileIdentity opened = IdentityOfHandle(old.handle);
    if (opened.device != m_seen.device || opened.inode != m_seen.inode) return kReplaceChanged;
    if (info.nNumberOfLinks > 1) {
        const size_t removed = m_removed.size();
        if (const int refused = RemoveLeftoversReopened(&old.handle, &info); refused != 0) return refused;
        // The names removed moved its change time; nothing else may have.
        if (m_removed.size() > removed) m_seen.changed = IdentityOfHandle(old.handle).changed;
    }
    // Unchanged: its bytes, links, attributes and security.
    return IdentityOfHandle(old.handle) != m_seen ? kReplaceChanged : 0;
}

int FileReplacement::KeepReplaced() {
    DropBackup();
    if (m_temp.empty() || m_stream) return EBADF;
    m_keepBackup = true;
    if (!m_hadFile) return 0;  // taking back removes the new file
    if (const int refused = CheckStillReplaceable(); refused != 0) return refused;
    // The name the replace call moves the old file to: ours until then.
    return ReserveBackup(m_target, &m_backup, &m_backupFile);
}

int FileReplacement::Publish(const FileIdentity* expected) {
    if (const int refused = ReadyToPublish(expected); refused != 0) return refused;
    if (!m_hadFile) {
        // Not over a file made there meanwhile.
        if (!MoveFileExA(m_temp.c_str(), m_target.c_str(), MOVEFILE_WRITE_THROUGH)) {
            const DWORD error = GetLastError();
            Discard();
            const int code = FailedOver(m_target, error);
            // A file made where none was expected: the name no longer leads to it.
            return code == EEXIST && expected ? kReplaceChanged : code;
        }
        ReleaseName(m_temp);
        m_placed = IdentityOfName(m_target);
        m_published = true;
        return 0;
    }
    // The replace call keeps the old file's attributes, security and streams
    // on the new one, and moves the old file to a backup name: without one,
    // a failure to move the new file in leaves neither under the name.
    if (m_backup.empty()) {
        if (const int made = ReserveBackup(m_target, &m_backup, &m_backupFile); made != 0) {
            Discard();
            return made;
        }
    }
    const DWORD error = Replace(m_target, m_temp, m_backup);
    if (error == 0) {
        ReleaseName(m_temp);
        m_placed = IdentityOfName(m_target);
        if (m_keepBackup) {
            m_backupFile = IdentityOfName(m_backup);  // the old file now
        } else {
            DeleteFileA(m_backup.c_str());
            ReleaseName(m_backup);
        }
        m_published = true;
        return 0;
    }
    if (error == ERROR_UNABLE_TO_MOVE_REPLACEMENT_2 &&
        MoveFileExA(m_backup.c_str(), m_target.c_str(), MOVEFILE_WRITE_THROUGH)) {
        // The old file went to the backup name and the new one stayed the
        // temporary: the old one is back.
        ReleaseName(m_backup);
    } else {
        // The backup name goes only while it is still the empty file that
        // reserved it (nothing moved, as ERROR_UNABLE_TO_MOVE_REPLACEMENT and
        // ERROR_UNABLE_TO_REMOVE_REPLACED say); anything else there (the old
        // file that could not be moved back, or on a share the only copy of
        // it after any failure) is kept there and named.
        const FileIdentity there = IdentityOfName(m_backup);
        if (there == m_backupFile) DeleteFileA(m_backup.c_str());
        if (there == m_backupFile || !there.exists) {
            ReleaseName(m_backup);
        } else {
            m_backupHoldsOld = true;
            m_backupFile = there;
        }
    }
    Discard();
    return FailedOver(m_target, error);
}

int FileReplacement::TakeBack() {
    if (!m_published) return 0;
    m_published = false;
    // Only the file this run put there goes: one saved over it meanwhile
    // stays, and the old file then stays under its backup name.
    const DWORD attributes = GetFileAttributesA(m_target.c_str());
    const FileIdentity there = IdentityOfName(m_target);
    const int other = !there.exists || (m_placed.exists && there == m_placed) ? 0
                      : attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) ? EISDIR
                                                                                                        : kReplaceSavedOver;
    if (!m_backup.empty()) {
        int error = other;
        if (error == 0 && (IdentityOfName(m_backup) != m_backupFile || !m_backupFile.exists)) error = kReplaceChanged;
        if (error == 0 &&
            !MoveFileExA(m_backup.c_str(), m_target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
            error = LastErrno();
        }
        if (error != 0) {
            m_backupHoldsOld = true;  // the only copy of the old file now
            return error;
        }
        ReleaseName(m_backup);
        return 0;
    }
    if (m_hadFile) return ENOENT;  // the old file was not kept
    if (other != 0) return other;
    if (!DeleteFileA(m_target.c_str()) && GetLastError() != ERROR_FILE_NOT_FOUND) return LastErrno();
    return 0;
}

}  // namespace platform
