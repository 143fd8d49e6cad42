#include "platform/system.h"

#include <sched.h>
#include <signal.h>
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <thread>

namespace platform {

uint64_t TickCountMs() {
    using namespace std::chrono;
    return static_cast<uint64_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

int64_t PerformanceCounter() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<int64_t>(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

int64_t PerformanceFrequency() { return 1000000000; }

LocalTime GetLocalTime() {
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    const time_t seconds = ts.tv_sec;
    tm parts{};
    localtime_r(&seconds, &parts);
    return LocalTime{parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday, parts.tm_hour,
                     parts.tm_min,         parts.tm_sec,     static_cast<int>(ts.tv_nsec / 1000000)};
}

uint32_t CurrentThreadId() { return static_cast<uint32_t>(syscall(SYS_gettid)); }

uint32_t CurrentProcessId() { return static_cast<uint32_t>(getpid()); }

namespace {
std::atomic<bool> g_anotherUsers{false};
}  // namespace

void SetTestProcessOfAnotherUser(bool other) { g_anotherUsers = other; }

bool ProcessRunning(uint32_t id) {
    if (id == 0 || id > static_cast<uint32_t>(INT32_MAX)) return false;
    const int answer = g_anotherUsers ? (errno = EPERM, -1) : kill(static_cast<pid_t>(id), 0);
    // One this process may not signal runs, as another user's.
    return answer == 0 || errno == EPERM;
}

bool GetComputerName(std::string* name) {
    if (!name) return false;
    char host[256] = {};
    if (gethostname(host, sizeof host - 1) != 0 || host[0] == '\0') return false;
    std::string text(host);
    // The short host name, as the machine is known on its own network.
    const size_t dot = text.find('.');
    if (dot != std::string::npos && dot > 0) text.resize(dot);
    if (text.size() > kMaxComputerName) text.resize(kMaxComputerName);
    *name = text;
    return true;
}

int ProcessorCount() {
    const long n = sysconf(_SC_NPROCESSORS_ONLN);
    return n > 0 ? static_cast<int>(n) : 1;
}

int ProcessAffinityCount() {
    cpu_set_t set;
    CPU_ZERO(&set);
    if (sched_getaffinity(0, sizeof set, &set) != 0) return 0;
    return CPU_COUNT(&set);
}

void SleepMs(unsigned milliseconds) { std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds)); }

namespace {

// strerror_r comes in two forms: the GNU one returns the text, the POSIX one
// fills the buffer and returns 0.
[[maybe_unused]] const char* ErrorTextOf(const char* text, const char*) { return text; }
[[maybe_unused]] const char* ErrorTextOf(int result, const char* buffer) { return result == 0 ? buffer : nullptr; }

}  // namespace

std::string ErrorText(int error) {
    if (error == 0) return "unknown error";
    char buffer[256] = {};
    const char* text = ErrorTextOf(strerror_r(error, buffer, sizeof buffer), buffer);
    return text && *text ? std::string(text) : "error " + std::to_string(error);
}

}  // namespace platform
