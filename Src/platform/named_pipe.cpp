// The platform-neutral part of the pipe client.
#include "platform/named_pipe.h"

#include <utility>

namespace platform {
namespace {

bool IsPlainName(const std::string& name) {
    if (name.empty() || name == "." || name == "..") return false;
    for (char c : name) {
        if (c == '/' || c == '\\' || c == '\0') return false;
    }
    return true;
}

}  // namespace

std::string PipeNameFromPath(const std::string& pipePath) {
    static const char kPrefix[] = "\\\\";
    static const char kPipe[] = "\\pipe\\";
    if (pipePath.compare(0, 2, kPrefix) != 0) return {};
    const size_t pipe = pipePath.find(kPipe, 2);
    if (pipe == std::string::npos || pipe == 2) return {};
    std::string name = pipePath.substr(pipe + sizeof kPipe - 1);
    return IsPlainName(name) ? name : std::string();
}

PipeClient::~PipeClient() { Close(); }

PipeClient::PipeClient(PipeClient&& other) noexcept : m_handle(std::exchange(other.m_handle, -1)) {}

PipeClient& PipeClient::operator=(PipeClient&& other) noexcept {
    if (this != &other) {
        Close();
        m_handle = std::exchange(other.m_handle, -1);
    }
    return *this;
}

}  // namespace platform
