// The test-only printer family of the end-to-end tests and its model numbers.
#pragma once

#include <cstdint>

constexpr int32_t kE2EFirstModel = 9900;
constexpr int32_t kE2ELastModel = 9909;

constexpr int32_t kE2EPlain = 9900;               // header, pages, lines; the job's own close-job record
constexpr int32_t kE2EOpenJobFails = 9901;        // writes its header, then fails with -7
constexpr int32_t kE2EWithCloseJob = 9902;        // ends the job itself: a data record "family end"
constexpr int32_t kE2EPrintFailsAtLine3 = 9903;   // the print step of page line 3 fails with -7
constexpr int32_t kE2EPrintThrows = 9904;         // the print step throws
constexpr int32_t kE2EOpenPageFails = 9905;       // the OpenPage hook fails with -5
constexpr int32_t kE2ESlowLines = 9906;           // like kE2EPlain, but each line takes 10 ms more
constexpr int32_t kE2EPageEndLost = 9907;         // the ClosePage hook writes no page end and fails with -7
constexpr int32_t kE2EPageEndFails = 9908;        // the ClosePage hook writes its page end, then fails with -7
constexpr int32_t kE2EPageEndRefused = 9909;      // the host refuses the page end (a record without its data); the hook succeeds

// Installs the family in the dispatch (the test library does so when loaded).
void InstallE2EFamily();
