#include "log_collector.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

#include "base/format.h"
#include "platform/named_pipe.h"
#include "platform/system.h"

namespace {

constexpr size_t kMaxControlMessage = 1024;
// A client that sends this much without a line end is passed on as it is.
constexpr size_t kMaxPendingLine = 1 << 20;

bool FillAddress(const std::string& path, sockaddr_un* address) {
    *address = sockaddr_un{};
    address->sun_family = AF_UNIX;
    if (path.size() >= sizeof address->sun_path) return false;
    std::memcpy(address->sun_path, path.c_str(), path.size());
    return true;
}

// True when some process accepts connections at the path.
bool IsServed(const std::string& path) {
    sockaddr_un address;
    if (!FillAddress(path, &address)) return false;
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) return false;
    const bool served = connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0 ||
                        errno == EAGAIN;
    close(fd);
    return served;
}

// The system's reason for the last failure on path, the path's control bytes escaped.
std::string ErrorText(const std::string& what, const std::string& path) {
    const int reason = errno;
    return what + " " + EscapeControlBytes(path) + ": " + platform::ErrorText(reason);
}

}  // namespace

LogCollector::LogCollector(std::FILE* out, std::function<void(int reason)> onWriteFailure)
    : m_out(out), m_onWriteFailure(std::move(onWriteFailure)) {
    if (pipe2(m_wake, O_CLOEXEC | O_NONBLOCK) != 0) m_wake[0] = m_wake[1] = -1;
}

LogCollector::~LogCollector() {
    for (Client& client : m_clients) close(client.fd);
    for (Listener& listener : m_listeners) {
        close(listener.fd);
        unlink(listener.path.c_str());
    }
    for (int fd : m_wake) {
        if (fd >= 0) close(fd);
    }
}

bool LogCollector::Listen(const std::string& folder, std::string* error) {
    std::string ignored;
    if (!error) error = &ignored;
    if (m_wake[0] < 0) {
        *error = "cannot create the wake-up pipe";
        return false;
    }
    if (folder.empty()) {
        *error = "no pipe folder";
        return false;
    }
    if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
        *error = ErrorText("cannot create", folder);
        return false;
    }
    struct stat info {};
    if (stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
        *error = EscapeControlBytes(folder) + " is not a folder";
        return false;
    }
    m_folder = folder;
    return AddListener(kControlPipe, true, error);
}

std::string LogCollector::StagingName(unsigned n) {
    return "." + std::to_string(getpid()) + "." + std::to_string(n) + ".tmp";
}

bool LogCollector::AddListener(const std::string& name, bool control, std::string* error) {
    const std::string path = m_folder + "/" + name;
    for (const Listener& listener : m_listeners) {
        if (listener.path == path) return true;
    }
    // Bound and listening under a private name first, then moved into place,
    // so that a client never finds the pipe before it accepts connections.
    const std::string temp = m_folder + "/" + StagingName(m_tempCounter++);
    sockaddr_un address;
    if (!FillAddress(path, &address) || !FillAddress(temp, &address)) {
        *error = "pipe path too long: " + EscapeControlBytes(path);
        return false;
    }
    if (IsServed(path)) {
        *error = "another process already serves " + EscapeControlBytes(path);
        return false;
    }
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) {
        *error = ErrorText("cannot create a socket for", path);
        return false;
    }
    unlink(temp.c_str());
    if (bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 || listen(fd, 64) != 0 ||
        rename(temp.c_str(), path.c_str()) != 0) {
        *error = ErrorText("cannot serve", path);
        close(fd);
        unlink(temp.c_str());
        return false;
    }
    m_listeners.push_back(Listener{fd, path, control});
    return true;
}

void LogCollector::Stop() {
    if (m_wake[1] >= 0) {
        const char byte = 1;
        [[maybe_unused]] const ssize_t n = write(m_wake[1], &byte, 1);
    }
}

void LogCollector::Run() {
    for (;;) {
        std::vector<pollfd> fds;
        fds.push_back(pollfd{m_wake[0], POLLIN, 0});
        for (const Listener& listener : m_listeners) fds.push_back(pollfd{listener.fd, POLLIN, 0});
        for (const Client& client : m_clients) fds.push_back(pollfd{client.fd, POLLIN, 0});
        if (poll(fds.data(), fds.size(), -1) < 0 && errno != EINTR) break;
        const bool stopping = (fds[0].revents & POLLIN) != 0;
        ServeReady();
        if (stopping) {
            // Clients may still be connecting or sending: take in what is there.
            ServeReady();
            break;
        }
    }
    for (Client& client : m_clients) {
        FinishClient(client);
        close(client.fd);
    }
    m_clients.clear();
}

void LogCollector::ServeReady() {
    // New listeners may be added while serving: walk by index.
    for (size_t i = 0; i < m_listeners.size(); ++i) AcceptAll(m_listeners[i]);
    for (size_t i = 0; i < m_clients.size();) {
        if (ReadClient(m_clients[i])) {
            ++i;
            continue;
        }
        FinishClient(m_clients[i]);
        close(m_clients[i].fd);
        m_clients.erase(m_clients.begin() + static_cast<long>(i));
    }
}

void LogCollector::AcceptAll(const Listener& listener) {
    for (;;) {
        const int fd = accept4(listener.fd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd < 0) {
            if (errno == EINTR) continue;
            return;
        }
        m_clients.push_back(Client{fd, listener.control, {}});
    }
}

bool LogCollector::ReadClient(Client& client) {
    char buffer[65536];
    for (;;) {
        const ssize_t n = read(client.fd, buffer, sizeof buffer);
        if (n == 0) return false;
        if (n < 0) {
            if (errno == EINTR) continue;
            if (errno != EAGAIN) return false;
            // A client sends its request in one write and waits before it
            // closes: the log pipe is served from now, not from the close, so
            // that the client's first line finds it.
            if (client.control && !client.pending.empty()) {
                HandleControl(client.pending);
                client.pending.clear();
            }
            return true;
        }
        client.pending.append(buffer, static_cast<size_t>(n));
        if (client.control) {
            if (client.pending.size() > kMaxControlMessage) {
                client.pending.clear();
                return false;
            }
        } else {
            EmitLines(client.pending, client.pending.size() > kMaxPendingLine);
        }
    }
}

void LogCollector::FinishClient(Client& client) {
    if (client.control) {
        HandleControl(client.pending);
    } else {
        EmitLines(client.pending, true);
    }
    client.pending.clear();
}

void LogCollector::HandleControl(const std::string& message) {
    static const std::string kCreate = "createlog,";
    if (message.compare(0, kCreate.size(), kCreate) != 0) return;
    std::string name = message.substr(kCreate.size());
    while (!name.empty() && (name.back() == '\0' || name.back() == '\r' || name.back() == '\n')) name.pop_back();
    if (platform::PipeNameFromPath("\\\\.\\pipe\\" + name) != name) {
        std::fprintf(stderr, "logcollector: refused log name \"%s\"\n", EscapeControlBytes(name).c_str());
        return;
    }
    std::string error;
    if (AddListener(name + ".log", false, &error)) {
        ++m_createlogs;
    } else {
        std::fprintf(stderr, "logcollector: %s\n", error.c_str());
    }
}

void LogCollector::EmitLines(std::string& pending, bool all) {
    size_t start = 0;
    for (size_t end; (end = pending.find('\n', start)) != std::string::npos; start = end + 1) {
        Emit(pending.data() + start, end + 1 - start);
    }
    if (all && start < pending.size()) {
        Emit(pending.data() + start, pending.size() - start);
        start = pending.size();
    }
    pending.erase(0, start);
}

void LogCollector::Emit(const char* bytes, size_t size) {
    errno = 0;
    bool written = std::fwrite(bytes, 1, size, m_out) == size;
    if (written) {
        errno = 0;
        written = std::fflush(m_out) == 0;
    }
    if (!written && m_onWriteFailure) m_onWriteFailure(errno != 0 ? errno : EIO);
}
