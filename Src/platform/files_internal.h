// What the file services share between their platform-neutral part and each
// platform's (not part of the platform interface).
#pragma once

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/files.h"

namespace platform {

// The name of the attempt-th try at a file of this process beside target:
// "<target>.<pid>-<n><suffix>", or, when that is too long for the folder,
// ".<pid>-<n><suffix>" in target's folder.
std::string NameBeside(const std::string& target, int attempt, bool shortName, const char* suffix);

// How many names FileReplacement tries before it gives up (EEXIST).
constexpr int kNameAttempts = 100;

// Makes a file of this process beside target under the first free name
// (make returns false with errno set when it could not): 0 with *name set,
// or the system's error number.
template <typename Make>
int MakeBeside(const std::string& target, const char* suffix, std::string* name, Make make) {
    bool shortName = false;
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        *name = NameBeside(target, attempt, shortName, suffix);
        if (make(*name)) return 0;
        const int error = errno;
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

// Whether name (a file name, no folder) has the form of a file that NameBeside
// makes beside a target named targetName: true with *process the id of the
// process that made it.
bool IsNameBeside(const std::string& name, const std::string& targetName, uint32_t* process);

// The identity of the file under path itself (a symbolic link not followed).
FileIdentity IdentityOfName(const std::string& path);

// The tests' seams (see files.h): each a no-op without them.
void NoteTestSync(bool folder);
void NoteTestCreatedMode(unsigned mode);
bool TestNoHardLinks();
TestReplaceCall TestReplaceCallSet();

// Runs the tests' hook of SetTestBeforeReplace, if one is set.
void RunTestBeforeReplace(const std::string& path);

// How many of size bytes the tests' write limit lets through (all without
// one); notes the size for SetTestWriteSizes.
size_t GrantTestWrite(size_t size);

}  // namespace platform
