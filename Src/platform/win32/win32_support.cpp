#include "win32_support.h"

#include <cerrno>
#include <vector>

namespace platform {
namespace win32 {

namespace {

// The longest path the system hands back (in characters, with the final zero).
constexpr DWORD kMaxPath = 32768;

// Expands short (8.3) components; the path as it stands when that fails.
std::string LongPath(const std::string& path) {
    const DWORD needed = GetLongPathNameA(path.c_str(), nullptr, 0);
    if (needed == 0) return path;
    std::string result(needed, '\0');
    const DWORD n = GetLongPathNameA(path.c_str(), &result[0], needed);
    if (n == 0 || n >= needed) return path;
    result.resize(n);
    return result;
}

}  // namespace

HMODULE ThisModule() {
    static const HMODULE module = [] {
        HMODULE found = nullptr;
        GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                           reinterpret_cast<LPCSTR>(&ThisModule), &found);
        return found;
    }();
    return module;
}

std::string ModuleFileName(HMODULE module) {
    std::vector<char> buffer(MAX_PATH);
    for (;;) {
        const DWORD size = static_cast<DWORD>(buffer.size());
        const DWORD n = GetModuleFileNameA(module, buffer.data(), size);
        if (n == 0) return std::string();
        // A name that filled the whole buffer may have been cut short.
        if (n < size) return LongPath(std::string(buffer.data(), n));
        if (size >= kMaxPath) return std::string();
        buffer.resize(size * 2);
    }
}

std::string WithSeparator(std::string folder) {
    if (!folder.empty() && folder.back() != '\\' && folder.back() != '/') folder += '\\';
    return folder;
}

std::string ErrorText(DWORD error) {
    char* message = nullptr;
    const DWORD n = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                       FORMAT_MESSAGE_IGNORE_INSERTS,
                                   nullptr, error, 0, reinterpret_cast<LPSTR>(&message), 0, nullptr);
    std::string text = n && message ? std::string(message, n) : std::string("system error");
    if (message) LocalFree(message);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ' || text.back() == '.')) {
        text.pop_back();
    }
    return text + " (error " + std::to_string(error) + ")";
}

int ErrnoFromError(DWORD error) {
    switch (error) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_INVALID_DRIVE:
        case ERROR_BAD_NETPATH:
        case ERROR_BAD_NET_NAME: return ENOENT;
        case ERROR_ACCESS_DENIED:
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION:
        case ERROR_WRITE_PROTECT: return EACCES;
        case ERROR_FILE_EXISTS:
        case ERROR_ALREADY_EXISTS: return EEXIST;
        case ERROR_INVALID_NAME:
        case ERROR_INVALID_PARAMETER:
        case ERROR_DIRECTORY: return EINVAL;
        case ERROR_FILENAME_EXCED_RANGE: return ENAMETOOLONG;
        case ERROR_TOO_MANY_OPEN_FILES: return EMFILE;
        case ERROR_NOT_ENOUGH_MEMORY:
        case ERROR_OUTOFMEMORY: return ENOMEM;
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL: return ENOSPC;
        case ERROR_CANT_RESOLVE_FILENAME: return ELOOP;
        default: return EIO;
    }
}

}  // namespace win32
}  // namespace platform
