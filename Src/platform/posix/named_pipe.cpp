#include "platform/named_pipe.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/system.h"

namespace platform {
namespace {

// A writer blocked this long on a server that stopped reading gives up.
constexpr int kSendTimeoutSeconds = 5;

// The socket's file path for a pipe path; empty when it cannot be built.
std::string SocketPath(const std::string& pipePath) {
    const std::string name = PipeNameFromPath(pipePath);
    if (name.empty()) return {};
    std::string path = PipeFolder() + "/" + name;
    if (path.size() >= sizeof(sockaddr_un{}.sun_path)) return {};
    return path;
}

}  // namespace

std::string PipeFolder() {
    const char* folder = std::getenv("KELMORA_PIPE_DIR");
    if (folder && *folder) return folder;
    const char* temp = std::getenv("TMPDIR");
    std::string base = (temp && *temp) ? temp : "/tmp";
    return base + "/kelmora-pipes-" + std::to_string(getuid());
}

void PipeClient::Close() {
    if (m_handle < 0) return;
    const int fd = static_cast<int>(m_handle);
    shutdown(fd, SHUT_RDWR);
    close(fd);
    m_handle = -1;
}

bool PipeClient::Wait(const std::string& pipePath, unsigned /*timeoutMs*/) {
    // A socket takes clients as long as its server listens: there is no
    // instance to wait for. No socket file means no server, at once; a server
    // whose queue is full shows as Busy at Open.
    const std::string path = SocketPath(pipePath);
    if (path.empty()) return false;
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISSOCK(info.st_mode);
}

PipeStatus PipeClient::Open(const std::string& pipePath, PipeClient* out) {
    if (!out) return PipeStatus::Failed;
    const std::string path = SocketPath(pipePath);
    if (path.empty()) return PipeStatus::Failed;
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) return PipeStatus::Failed;
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.c_str(), path.size());
    if (connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        const int error = errno;
        close(fd);
        return error == EAGAIN ? PipeStatus::Busy : PipeStatus::Failed;
    }
    // Connected: writes block from here on, within the send time-out.
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    timeval timeout{kSendTimeoutSeconds, 0};
    setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout);
    out->Close();
    out->m_handle = fd;
    return PipeStatus::Ok;
}

PipeStatus PipeClient::Write(const void* data, size_t size) {
    if (m_handle < 0 || (!data && size > 0)) return PipeStatus::Failed;
    const char* bytes = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t n = send(static_cast<int>(m_handle), bytes, size, MSG_NOSIGNAL);
        if (n < 0) {
            if (errno == EINTR) continue;
            if (errno == EPIPE || errno == ECONNRESET || errno == ENOTCONN) return PipeStatus::Broken;
            return PipeStatus::Failed;
        }
        bytes += n;
        size -= static_cast<size_t>(n);
    }
    return PipeStatus::Ok;
}

}  // namespace platform
