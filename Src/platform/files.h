// Files the plug-in reads and the files it writes in place of a user's:
// opening to read with the decision taken on the opened file (never on the
// path before it), and replacing a file whole: a temporary file beside it,
// written, synced, then renamed over it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>

namespace platform {

enum class OpenToRead { kOpened, kNotRegular, kFailed };

// Opens an existing file to read its bytes. The open does not wait on a FIFO
// (or anything else) under the name; the opened file is then kept only when
// it is a regular file: kOpened with *file set (the caller closes it),
// kNotRegular for a folder, FIFO or device, kFailed with *error the system's
// error number.
OpenToRead OpenRegularFileToRead(const std::string& path, std::FILE** file, int* error);

// Writes the stream's buffer and the system's copy of the file to the disk:
// 0, or the system's error number.
int SyncFile(std::FILE* file);

// Which file a name leads to at one moment, and what it holds: the file
// itself (device and inode; volume and file index on Windows), its size and
// its last modification. Equal identities: the same file, unchanged as far
// as its size and time tell.
struct FileIdentity {
    bool exists = false;
    uint64_t device = 0;
    uint64_t inode = 0;
    uint64_t size = 0;
    int64_t modified = 0;  // in the system's finest unit

    bool operator==(const FileIdentity& other) const {
        return exists == other.exists && device == other.device && inode == other.inode && size == other.size &&
               modified == other.modified;
    }
    bool operator!=(const FileIdentity& other) const { return !(*this == other); }
};

// The identity of an opened file; exists is false when the system cannot tell.
FileIdentity IdentityOfFile(std::FILE* file);
// The identity of the file that path leads to now (links followed); exists
// is false when nothing is there.
FileIdentity IdentityOfPath(const std::string& path);

// Why a file is not replaced, besides the system's error numbers (which are
// positive): the file would stop being what it is, or is not what the caller
// read.
enum ReplaceRefusal : int {
    kReplaceChanged = -1,      // the name no longer leads to the file expected
    kReplaceOtherOwner = -2,   // its owner or group, which a new file could not take
    kReplaceHardLinks = -3,    // it has other names, which would keep the old bytes
    kReplaceAttributes = -4,   // an ACL or extended attributes a new file would not have
    kReplaceNotRegular = -5,   // a device, FIFO or socket: nothing to replace
};

// The reason of a replacement's code, to follow "cannot write <name>: ".
std::string ReplaceErrorText(int code);

// Replaces the file that a name leads to with new bytes, as one step for
// anyone who reads it: the bytes go to a temporary file created exclusively
// beside the file (another name when one is taken; a short name in the same
// folder when the long one is too long), are synced to the disk, and the
// temporary is renamed over the file, whose folder is then synced. A
// symbolic link keeps its name; the file it leads to is replaced. The new
// file takes the old one's permissions (never its set-id bits) and owner; a
// file that a new one cannot stand in for is left as it is: one this process
// may not write, one of another owner or group that this process cannot give
// the new file, one with more than one hard link, one with an ACL or
// extended attributes that the new file would not have (so the folder's own
// defaults are kept). On Windows the system's replace call keeps the file's
// attributes and security; the same refusals apply.
//
// Every step is decided on the opened file, not on the name before it.
class FileReplacement {
public:
    FileReplacement() = default;
    // Removes the temporary file and a backup of the replaced file (not put back).
    ~FileReplacement();
    FileReplacement(const FileReplacement&) = delete;
    FileReplacement& operator=(const FileReplacement&) = delete;

    // Checks the file at path (when there is one) and creates the temporary
    // file: 0, or a code (the system's error number or a ReplaceRefusal).
    int Begin(const std::string& path);
    // The temporary file, open for writing; null outside Begin and Finish.
    std::FILE* Stream() const { return m_stream; }
    const std::string& TemporaryPath() const { return m_temp; }
    // The file replaced: the name, or the file its links lead to.
    const std::string& Target() const { return m_target; }

    // Flushes, syncs and closes the temporary file: 0 or the system's error
    // number (the temporary file is then removed).
    int Finish();
    // Keeps the file that Publish will replace under another name (a second
    // hard link, or a synced copy where the file system has none) until
    // TakeBack or DropBackup. 0 or a code, before anything was renamed.
    int KeepReplaced();
    // Renames the finished temporary file over the target. With expected, the
    // name must still lead to that file (kReplaceChanged otherwise). 0 or a
    // code; on a failure the temporary file is removed and the target left as
    // it was.
    int Publish(const FileIdentity* expected = nullptr);
    // After Publish: the replaced file back under its name (KeepReplaced), or
    // the new file removed where there was none. 0 or the system's error
    // number (the backup then stays, under BackupPath).
    int TakeBack();
    const std::string& BackupPath() const { return m_backup; }
    // Removes the backup: the new file stays.
    void DropBackup();
    // Closes and removes the temporary file.
    void Discard();

private:
    // 0 when the finished temporary file may be renamed over the target: it
    // is finished, and the name still leads to expected (when given; the
    // temporary file is removed when not). Else the code.
    int ReadyToPublish(const FileIdentity* expected);

    std::string m_path;      // as the caller named it
    std::string m_target;    // what is renamed over
    std::string m_temp;
    std::string m_backup;
    std::FILE* m_stream = nullptr;
    bool m_hadFile = false;  // a file stood under the name at Begin
    bool m_published = false;
};

// Puts size bytes under path through a FileReplacement (with expected, only
// while the name leads to that file). 0, or a code (the temporary file is then
// removed and the file at path left as it was). The writes count against
// SetTestWriteLimit.
int ReplaceFileContents(const std::string& path, const void* data, size_t size,
                        const FileIdentity* expected = nullptr);

// For tests only: called with the name being replaced when its temporary
// file is written and synced, before the name is checked and the file
// renamed over it (empty: no longer).
void SetTestBeforeReplace(std::function<void(const std::string& path)> hook);

}  // namespace platform
