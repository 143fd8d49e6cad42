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
#include <vector>

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
// itself (device and inode; volume and file index on Windows), its size, its
// last modification and its last change (which every write, link, chmod,
// chown and attribute change moves, and which no one can set back). Equal
// identities: the same file, unchanged as far as its size and times tell.
struct FileIdentity {
    bool exists = false;
    uint64_t device = 0;
    uint64_t inode = 0;
    uint64_t size = 0;
    int64_t modified = 0;  // in the system's finest unit
    int64_t changed = 0;   // the same

    bool operator==(const FileIdentity& other) const {
        return exists == other.exists && device == other.device && inode == other.inode && size == other.size &&
               modified == other.modified && changed == other.changed;
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
    kReplaceBusy = -6,         // another run of a program replacing it is under way
    kReplaceAttributeValues = -7,  // an ACL or extended attributes a new file would have otherwise
    kReplaceHeldOpen = -8,     // another program holds it (Windows: it cannot be moved or replaced now)
    kReplaceSavedOver = -9,    // a take-back found another file under the name, which stays
};

// The reason of a replacement's code, to follow "cannot write <name>: ".
std::string ReplaceErrorText(int code);

// A name that a run of this program left beside a file it replaced (its
// temporary or backup, see below), removed because it was a second name of
// the very file and no run holds it any longer: nothing was lost with it.
struct RemovedLeftover {
    std::string path;
    uint32_t process = 0;  // the id of the process that made it
};

// What a failed replacement leaves to be told besides its code: the second
// name that a run which may still go on holds (kReplaceBusy), and the name
// under which the old file's bytes are kept when they are no longer under
// their own (empty: none), or that they could not be kept there (lost: the
// backup was removed or replaced meanwhile).
struct ReplaceFailure {
    RemovedLeftover blocking;
    std::string kept;
    bool lost = false;
};

// The reason of code with what failure tells, to follow "cannot write
// <name>: ", each name as named spells it: for kReplaceBusy "<leftover> is a
// second name of it that process <id> may still be writing; if no run is
// under way, remove <leftover>", and, when the old file is kept elsewhere,
// "...; the old <name> is kept as <kept>" (lost: "...; the old <name> could
// not be kept").
std::string ReplaceErrorText(int code, const std::string& name, const ReplaceFailure& failure,
                             std::string (*named)(const std::string&));

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
// extended attributes that the new file would not have or would have with
// other values (one that the new file only gains, as a folder's default ACL,
// is no reason). On Windows the system's replace call keeps the file's
// attributes and security; the same refusals apply. The temporary of an
// existing file is created readable by its owner alone and then given the
// old file's owner and permissions; a new file has the permissions the
// process's umask leaves.
//
// Every step is decided on the opened file, not on the name before it. The
// old file stays open from Begin to Publish (on Windows, where an open file
// cannot be saved over by others, it is opened again); just before the
// rename the refusals are made again on it, and the name must still lead to
// that very file, unchanged (its size and times). Where no file stood at
// Begin, the new file is put in place by a call that does not replace: a
// file made there meanwhile is left and reported. The moment between that
// last check and the rename remains: no system offers to rename only over a
// given file.
//
// The temporary and backup files are named "<target>.kelmora-<pid>-<n>.tmp"
// and "<target>.kelmora-<pid>-<n>.old", or "<target>.kelmora-lock-<pid>-<n>.old"
// for a backup that a lock marks (".kelmora-..." in the target's folder where
// the long name is too long), with the id of the process that made them: the
// word "kelmora-" tells them from the user's own names ("out.prn.2026-11.old"
// is the user's). A run killed between its steps can leave one of them as a
// second hard link of the file: Begin (and the check before the rename)
// removes such a name when no run holds it, and refuses with kReplaceBusy
// (see Failure) while one may; a second name of any other form is the user's,
// and refused as any hard link (kReplaceHardLinks).
//
// How a later run tells whether a name is still held, the name itself says.
// Before it makes a backup (a second name of the file until the rename), a
// run takes a lock that marks it: a write lock of one byte of the file, far
// past its bytes, that stands for the name (Linux's open file description
// locks, which the system drops when the run ends however it ends), and the
// name gets the "kelmora-lock-" form. Such a name is held while that very
// lock stands (a write lock of that one byte: a reader's lock over it is
// none), and is an ended run's when none does, whatever process now has its
// id; where that cannot be told (the lock call fails, or another lock over
// the byte hides it) the id tells. Where the lock cannot be taken for any
// reason but another run's mark (a file system without such locks, a
// reader's lock over the byte), and on Windows, the backup gets the plain
// form; so does the temporary, a second name only for the moment of the link
// that stands in for a rename that cannot refuse to replace. For the plain
// form the id tells, whatever locks a later run could test: a name of
// another process's id is held while that process runs (or may not be
// looked at), one of this process's id while a replacement of this process
// holds it. Any other file, of these forms or not, is never removed.
class FileReplacement {
public:
    FileReplacement() = default;
    // Removes the temporary file and a backup of the replaced file (not put
    // back), unless the backup is the only copy of the old file (a TakeBack
    // that failed): that one stays, no longer held by this process (see
    // KeptByEndedRuns).
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
    // The leftovers of interrupted runs that Begin and Publish removed, to be
    // logged; kept until the next Begin.
    const std::vector<RemovedLeftover>& RemovedLeftovers() const { return m_removed; }
    // What the last failed step leaves to be told (see ReplaceFailure).
    ReplaceFailure Failure() const;

    // Flushes, syncs and closes the temporary file: 0 or the system's error
    // number (the temporary file is then removed).
    int Finish();
    // Keeps the file that Publish will replace under another name (a second
    // hard link, or a synced copy with its permissions where the file system
    // has none) until TakeBack or DropBackup. 0 or a code, before anything
    // was renamed.
    int KeepReplaced();
    // Renames the finished temporary file over the target, when the file
    // there is still the one Begin saw and may still be replaced (the
    // refusals of Begin, kReplaceChanged otherwise); with expected, the name
    // must also lead to that file (kReplaceChanged otherwise). Where no file
    // stood at Begin, one made meanwhile is not replaced (EEXIST, or
    // kReplaceChanged with expected). 0 or a
    // code; on a failure the temporary file is removed and the target left
    // as it was; on Windows, when the system's replace call moved the old
    // file aside and it cannot be moved back, it stays under BackupPath and
    // is not removed.
    int Publish(const FileIdentity* expected = nullptr);
    // After Publish: the replaced file back under its name (KeepReplaced), or
    // the new file removed where there was none, while the name still leads
    // to the new file as Publish left it (kReplaceSavedOver otherwise: the
    // file there stays). 0 or a code (the backup then stays, under
    // BackupPath, and nothing removes it: not DropBackup, not the
    // destructor).
    int TakeBack();
    // The backup of the replaced file; after a failed TakeBack or Publish,
    // the name under which the old file is kept (empty when there is none).
    const std::string& BackupPath() const { return m_backup; }
    // Removes the backup (unless it is the only copy of the old file): the
    // new file stays.
    void DropBackup();
    // Closes and removes the temporary file.
    void Discard();

private:
    // 0 when the finished temporary file may be renamed over the target: it
    // is finished, the file is still what Begin saw, and the name still leads
    // to expected (when given). Else the code, and the temporary file is
    // removed.
    int ReadyToPublish(const FileIdentity* expected);
    // The refusals of Begin made again on the file still open (its leftover
    // names removed again): 0 or the code. Each platform's.
    int CheckStillReplaceable();
    // Removes the names that interrupted runs left for the open old file
    // (file: its descriptor, whose locks tell which names a run holds; -1
    // where none is open): 0, kReplaceBusy while such a run may go on, or the
    // system's error number.
    int RemoveLeftovers(intptr_t file = -1);
    // Windows: RemoveLeftovers with the file (*file, a HANDLE) closed, then
    // opened again: 0, or the code (kReplaceHardLinks when names remain);
    // *information its BY_HANDLE_FILE_INFORMATION.
    int RemoveLeftoversReopened(void* file, void* information);
    // Closes the old file and the temporary's second handle (each platform's).
    void CloseFiles();

    std::string m_path;      // as the caller named it
    std::string m_target;    // what is renamed over
    std::string m_temp;
    std::string m_backup;
    std::FILE* m_stream = nullptr;
    intptr_t m_old = -1;          // the old file, open from Begin to Publish (descriptor or handle)
    intptr_t m_tempFile = -1;     // the temporary, open beside m_stream until Publish
    FileIdentity m_seen;          // the old file as Begin saw it (and as our backup link left it)
    FileIdentity m_placed;        // the new file as Publish left it under the name
    FileIdentity m_backupFile;    // the file m_backup named when it was made
    RemovedLeftover m_blocking;   // the second name that made the last step kReplaceBusy
    std::vector<RemovedLeftover> m_removed;
    bool m_hadFile = false;       // a file stood under the name at Begin
    bool m_published = false;
    bool m_backupLinked = false;  // m_backup is a second hard link of the old file
    bool m_keepBackup = false;    // KeepReplaced asked for the backup
    bool m_backupHoldsOld = false;  // the backup name is not ours to remove: the only copy of the old file, or
                                    // what someone put there meanwhile
};

// Puts size bytes under path through a FileReplacement (with expected, only
// while the name leads to that file). 0, or a code (the temporary file is then
// removed and the file at path left as it was). The leftovers of interrupted
// runs it removed are added to *removed, when given, whatever the outcome;
// what a failure leaves to be told is put in *failure, when given.
// The writes count against SetTestWriteLimit.
int ReplaceFileContents(const std::string& path, const void* data, size_t size,
                        const FileIdentity* expected = nullptr, std::vector<RemovedLeftover>* removed = nullptr,
                        ReplaceFailure* failure = nullptr);

// The files beside path, named "<file>.kelmora-<pid>-<n>.old" (or
// "kelmora-lock-"), that replacements which no longer go on kept (not empty:
// the old bytes of a file that a failed replacement left there), in no
// particular order; those of this process too, once their replacement ended.
// Read only: nothing is removed.
std::vector<RemovedLeftover> KeptByEndedRuns(const std::string& path);

// For tests only: called with the name being replaced when its temporary
// file is written and synced, before the name is checked and the file
// renamed over it (empty: no longer).
void SetTestBeforeReplace(std::function<void(const std::string& path)> hook);

// For tests only: what the replacements did, counted while set (null: no
// longer): the system's syncs of a file's bytes (a temporary file's), syncs
// of a folder after a rename, and the permissions the last temporary file
// had when it was created.
struct TestReplaceTrace {
    int temporarySyncs = 0;
    int folderSyncs = 0;
    unsigned createdMode = 0;
};
void SetTestReplaceTrace(TestReplaceTrace* trace);

// For tests only: link() fails as on a file system without hard links while set.
void SetTestNoHardLinks(bool none);

// For tests only: the rename that does not replace fails as on a file system
// without it (EINVAL, as NFS answers) while set.
void SetTestNoRenameNoReplace(bool none);

// For tests only: the lock calls that mark a run's second names and test
// them fail with this error number while it is set (ENOLCK as on a file
// system without them; 0: no longer).
void SetTestLockError(int error);

// For tests only (Windows): plays the system's replace call on the names
// (the backup name empty for none): 0 for success, else the system's error
// code that the call would leave. Null: the system's own call.
using TestReplaceCall = unsigned long (*)(const std::string& replaced, const std::string& replacement,
                                          const std::string& backup);
void SetTestReplaceCall(TestReplaceCall call);

}  // namespace platform
