// The pipe client on Windows: WaitNamedPipeA, CreateFileA and WriteFile on a
// named pipe "\\<server>\pipe\<name>".
#include "platform/named_pipe.h"

#include "platform/system.h"
#include "win32_support.h"

namespace platform {
namespace {

// A writer blocked this long on a server that stopped reading gives up.
constexpr DWORD kSendTimeoutMs = 5000;
// The most one WriteFile call is given.
constexpr size_t kMaxChunk = 1u << 30;

HANDLE AsHandle(intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }

PipeStatus StatusFromError(DWORD error) {
    switch (error) {
        case ERROR_BROKEN_PIPE:
        case ERROR_NO_DATA:  // the server is closing its end
        case ERROR_PIPE_NOT_CONNECTED: return PipeStatus::Broken;
        default: return PipeStatus::Failed;
    }
}

class Event {
public:
    Event() : m_handle(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}
    ~Event() {
        if (m_handle) CloseHandle(m_handle);
    }
    Event(const Event&) = delete;
    Event& operator=(const Event&) = delete;
    HANDLE Get() const { return m_handle; }

private:
    HANDLE m_handle;
};

}  // namespace

std::string PipeFolder() { return "\\\\.\\pipe"; }

void PipeClient::Close() {
    if (m_handle < 0) return;
    CloseHandle(AsHandle(m_handle));
    m_handle = -1;
}

bool PipeClient::Wait(const std::string& pipePath, unsigned timeoutMs) {
    if (PipeNameFromPath(pipePath).empty()) return false;
    // Returns at once when no instance of the pipe exists; waits only while
    // every instance is busy. 0 would mean the server's default time-out.
    if (WaitNamedPipeA(pipePath.c_str(), timeoutMs > 0 ? timeoutMs : 1)) return true;
    // Every instance stayed busy: the pipe exists, and Open says Busy.
    return GetLastError() == ERROR_SEM_TIMEOUT;
}

PipeStatus PipeClient::Open(const std::string& pipePath, PipeClient* out) {
    if (!out || PipeNameFromPath(pipePath).empty()) return PipeStatus::Failed;
    // Overlapped, so that a write can give up on a server that stopped reading.
    const HANDLE pipe =
        CreateFileA(pipePath.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
    if (pipe == INVALID_HANDLE_VALUE) {
        return GetLastError() == ERROR_PIPE_BUSY ? PipeStatus::Busy : PipeStatus::Failed;
    }
    if (GetFileType(pipe) != FILE_TYPE_PIPE) {
        CloseHandle(pipe);
        return PipeStatus::Failed;
    }
    out->Close();
    out->m_handle = reinterpret_cast<intptr_t>(pipe);
    return PipeStatus::Ok;
}

PipeStatus PipeClient::Write(const void* data, size_t size) {
    if (m_handle < 0 || (!data && size > 0)) return PipeStatus::Failed;
    if (size == 0) return PipeStatus::Ok;
    const HANDLE pipe = AsHandle(m_handle);
    Event done;
    if (!done.Get()) return PipeStatus::Failed;
    const char* bytes = static_cast<const char*>(data);
    while (size > 0) {
        OVERLAPPED overlapped{};
        overlapped.hEvent = done.Get();
        const DWORD chunk = static_cast<DWORD>(size < kMaxChunk ? size : kMaxChunk);
        DWORD written = 0;
        if (!WriteFile(pipe, bytes, chunk, nullptr, &overlapped)) {
            const DWORD error = GetLastError();
            if (error != ERROR_IO_PENDING) return StatusFromError(error);
            if (WaitForSingleObject(done.Get(), kSendTimeoutMs) != WAIT_OBJECT_0) {
                CancelIo(pipe);
                // The cancelled write must end before its OVERLAPPED goes.
                GetOverlappedResult(pipe, &overlapped, &written, TRUE);
                return PipeStatus::Failed;
            }
        }
        if (!GetOverlappedResult(pipe, &overlapped, &written, FALSE)) return StatusFromError(GetLastError());
        if (written == 0) return PipeStatus::Failed;
        bytes += written;
        size -= written;
    }
    return PipeStatus::Ok;
}

}  // namespace platform
