// What the file services share between their platform-neutral part and each
// platform's (not part of the platform interface).
#pragma once

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/files.h"

namespace platform {

// The kinds of file a replacement makes beside its target: their suffix, and
// whether a lock marks the name while its maker holds it (see FileReplacement).
struct NameKind {
    const char* suffix;
    bool marked;
};
constexpr NameKind kTemporaryName{".tmp", false};
constexpr NameKind kBackupName{".old", false};
constexpr NameKind kMarkedBackupName{".old", true};

// The name of the attempt-th try at a file of this process beside target:
// "<target>.kelmora-<pid>-<n><suffix>" ("kelmora-lock-" for a marked name),
// or, when that is too long for the folder, ".kelmora-<pid>-<n><suffix>" in
// target's folder.
std::string NameBeside(const std::string& target, int attempt, bool shortName, NameKind kind);

// How many names FileReplacement tries before it gives up (EEXIST).
constexpr int kNameAttempts = 100;

// The names beside their targets that this process's replacements hold now
// (a process-wide list, for every thread): a name of this process's id that
// is not on it was left by an ended process that had the same id. A name is
// held from before it is made until its replacement no longer names it, or
// ends (a backup that is kept then is no longer held: a kept file). A name
// is held when one on the list has its file name in the same folder, however
// each spells the folder.
void HoldName(const std::string& name);
// Takes name off the list and clears it (nothing for an empty name).
void ReleaseName(std::string& name);
bool NameHeld(const std::string& name);

// Makes a file of this process beside target under the first free name
// (make returns false with errno set when it could not): 0 with *name set
// and held (see HoldName), or the system's error number.
template <typename Make>
int MakeBeside(const std::string& target, NameKind kind, std::string* name, Make make) {
    bool shortName = false;
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        *name = NameBeside(target, attempt, shortName, kind);
        HoldName(*name);
        if (make(*name)) return 0;
        const int error = errno;
        std::string tried = *name;
        ReleaseName(tried);
        if (error == ENAMETOOLONG && !shortName) {
            shortName = true;
            attempt = -1;
        } else if (error != EEXIST) {
            name->clear();
            return error;
        }
    }
    name->clear();
    return EEXIST;
}

// The identity of the file under path itself (a symbolic link not followed).
FileIdentity IdentityOfName(const std::string& path);

// The tests' seams (see files.h): each a no-op without them.
void NoteTestSync(bool folder);
void NoteTestCreatedMode(unsigned mode);
bool TestNoHardLinks();
bool TestNoRenameNoReplace();
int TestLockError();
TestReplaceCall TestReplaceCallSet();

// The lock that marks a second name of a file (see FileReplacement): the
// byte that stands for a marked name of NameBeside's form, to be added to a
// base far past any file's bytes; false for another name.
bool MarkOfName(const std::string& path, uint64_t* mark);

// Whether the run that made a marked name beside the open file (descriptor
// or handle) holds it now, as its mark tells: 1 held, 0 not, -1 when that
// cannot be told (each platform's).
int NameMarked(intptr_t file, const std::string& name);

// Whether the process that made a name beside a file (its id in the name)
// may still be writing it: one of this process's id when a replacement of
// this process holds the name, another while it runs (or may not be looked
// at).
bool MakerMayRun(const std::string& name, uint32_t process);

// Runs the tests' hook of SetTestBeforeReplace, if one is set.
void RunTestBeforeReplace(const std::string& path);

// How many of size bytes the tests' write limit lets through (all without
// one); notes the size for SetTestWriteSizes.
size_t GrantTestWrite(size_t size);

}  // namespace platform
