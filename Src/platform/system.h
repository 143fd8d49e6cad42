// Clocks, local time, thread and machine identity, processor counts, sleep.
#pragma once

#include <cstdint>
#include <string>

namespace platform {

// Milliseconds from an arbitrary start, never going backwards.
uint64_t TickCountMs();

// A high-resolution counter and its ticks per second, for timing logs.
int64_t PerformanceCounter();
int64_t PerformanceFrequency();

struct LocalTime {
    int year;
    int month;   // 1..12
    int day;     // 1..31
    int hour;
    int minute;
    int second;
    int millisecond;
};

LocalTime GetLocalTime();

// The operating system's id of the calling thread.
uint32_t CurrentThreadId();
// The operating system's id of this process.
uint32_t CurrentProcessId();
// Whether a process of that id runs now (one this process may not look at
// counts as running).
bool ProcessRunning(uint32_t id);

// For tests only: the system's look at a process fails as it does for one
// of another user (EPERM) while set.
void SetTestProcessOfAnotherUser(bool other);

// The machine's name, at most kMaxComputerName characters; false when it
// cannot be read, and then name is left as it was.
constexpr size_t kMaxComputerName = 15;
bool GetComputerName(std::string* name);

// Processors of the machine; at least 1.
int ProcessorCount();
// Processors the current process may run on; 0 when that cannot be read.
int ProcessAffinityCount();

void SleepMs(unsigned milliseconds);

// The system's text for an error number (errno's values), as strerror gives
// it but safe to call from any thread at once; "unknown error" for 0.
std::string ErrorText(int error);

}  // namespace platform
