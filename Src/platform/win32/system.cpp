#include "win32_support.h"

// windows.h names GetComputerNameA/W through a macro of this name.
#undef GetComputerName

#include "platform/system.h"

#include <atomic>
#include <cstring>
#include <string>

namespace platform {

uint64_t TickCountMs() { return GetTickCount64(); }

int64_t PerformanceCounter() {
    LARGE_INTEGER value;
    QueryPerformanceCounter(&value);
    return value.QuadPart;
}

int64_t PerformanceFrequency() {
    LARGE_INTEGER value;
    QueryPerformanceFrequency(&value);
    return value.QuadPart;
}

LocalTime GetLocalTime() {
    SYSTEMTIME t;
    ::GetLocalTime(&t);
    return LocalTime{t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond, t.wMilliseconds};
}

uint32_t CurrentThreadId() { return GetCurrentThreadId(); }

uint32_t CurrentProcessId() { return GetCurrentProcessId(); }

namespace {
std::atomic<bool> g_anotherUsers{false};
}  // namespace

void SetTestProcessOfAnotherUser(bool other) { g_anotherUsers = other; }

bool ProcessRunning(uint32_t id) {
    if (id == 0) return false;
    const HANDLE process = g_anotherUsers ? (SetLastError(ERROR_ACCESS_DENIED), nullptr)
                                          : OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id);
    if (!process) return GetLastError() == ERROR_ACCESS_DENIED;
    DWORD code = 0;
    const bool running = !GetExitCodeProcess(process, &code) || code == STILL_ACTIVE;
    CloseHandle(process);
    return running;
}

bool GetComputerName(std::string* name) {
    if (!name) return false;
    char buffer[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD size = sizeof buffer;
    if (!GetComputerNameA(buffer, &size) || size == 0) return false;
    *name = std::string(buffer, size < kMaxComputerName ? size : kMaxComputerName);
    return true;
}

int ProcessorCount() {
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    return info.dwNumberOfProcessors > 0 ? static_cast<int>(info.dwNumberOfProcessors) : 1;
}

int ProcessAffinityCount() {
    DWORD_PTR process = 0;
    DWORD_PTR system = 0;
    if (!GetProcessAffinityMask(GetCurrentProcess(), &process, &system)) return 0;
    int count = 0;
    for (; process; process &= process - 1) ++count;
    return count;
}

void SleepMs(unsigned milliseconds) { Sleep(milliseconds); }

std::string ErrorText(int error) {
    if (error == 0) return "unknown error";
    char buffer[256] = {};
    if (strerror_s(buffer, sizeof buffer, error) != 0 || !*buffer) return "error " + std::to_string(error);
    return buffer;
}

}  // namespace platform
