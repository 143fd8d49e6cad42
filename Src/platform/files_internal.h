// What the file services share between their platform-neutral part and each
// platform's (not part of the platform interface).
#pragma once

#include <cstddef>
#include <string>

namespace platform {

// The name of the attempt-th try at a file of this process beside target:
// "<target>.<pid>-<n><suffix>", or, when that is too long for the folder,
// ".<pid>-<n><suffix>" in target's folder.
std::string NameBeside(const std::string& target, int attempt, bool shortName, const char* suffix);

// How many names FileReplacement tries before it gives up (EEXIST).
constexpr int kNameAttempts = 100;

// Runs the tests' hook of SetTestBeforeReplace, if one is set.
void RunTestBeforeReplace(const std::string& path);

// How many of size bytes the tests' write limit lets through (all without
// one); notes the size for SetTestWriteSizes.
size_t GrantTestWrite(size_t size);

}  // namespace platform
