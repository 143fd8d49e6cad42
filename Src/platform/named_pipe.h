// Client end of a named pipe, addressed as "\\<server>\pipe\<name>".
//
// On Windows this is a named pipe. Elsewhere a pipe is an AF_UNIX stream
// socket called <name> in the pipe folder: the folder named by the
// environment variable KELMORA_PIPE_DIR, or "kelmora-pipes-<user id>" in the
// temporary folder. The server part of the path is not used there: every pipe
// is local.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace platform {

enum class PipeStatus {
    Ok,
    Busy,    // the server exists but cannot take another client now
    Broken,  // the server end has gone
    Failed,  // any other failure (no such pipe, bad path, I/O error)
};

// The folder that holds the pipes of this machine.
std::string PipeFolder();

// The pipe's name ("<name>" of "\\<server>\pipe\<name>"); empty when the path
// is not a pipe path or the name is not a plain file name.
std::string PipeNameFromPath(const std::string& pipePath);

// An open client connection; closed (disconnected) on destruction.
class PipeClient {
public:
    PipeClient() = default;
    ~PipeClient();
    PipeClient(PipeClient&& other) noexcept;
    PipeClient& operator=(PipeClient&& other) noexcept;
    PipeClient(const PipeClient&) = delete;
    PipeClient& operator=(const PipeClient&) = delete;

    bool IsOpen() const { return m_handle >= 0; }
    void Close();

    // False at once when the pipe does not exist (no server); true when it
    // exists. On Windows it waits up to timeoutMs while every instance is
    // busy (true, and Open then says Busy); a socket has no instances, and a
    // server whose queue is full shows as Busy at Open.
    static bool Wait(const std::string& pipePath, unsigned timeoutMs);
    // Connects to the pipe.
    static PipeStatus Open(const std::string& pipePath, PipeClient* out);
    // Writes all size bytes. A vanished server gives Broken and never raises a
    // signal; a server that takes nothing in for a few seconds gives Failed.
    PipeStatus Write(const void* data, size_t size);

private:
    // A file descriptor, or a Windows HANDLE; -1 when closed.
    intptr_t m_handle = -1;
};

}  // namespace platform
