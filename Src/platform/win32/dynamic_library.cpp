// The library loader on Windows: LoadLibraryExA, GetProcAddress, FreeLibrary.
#include "platform/dynamic_library.h"

#include "platform/module.h"
#include "win32_support.h"

namespace platform {
namespace {

std::string BaseName(const std::string& path) {
    const size_t pos = path.find_last_of("\\/");
    return pos == std::string::npos ? path : path.substr(pos + 1);
}

}  // namespace

LibrarySearchFolders DefaultLibrarySearchFolders() {
    return {win32::WithSeparator(PluginModuleFolder()), win32::WithSeparator(HostExecutableFolder())};
}

std::string LibraryFileName(const std::string& moduleName) { return BaseName(moduleName); }

std::string FindLoadedLibrary(const std::string& moduleName) {
    const std::string name = LibraryFileName(moduleName);
    if (name.empty()) return std::string();
    const HMODULE module = GetModuleHandleA(name.c_str());
    return module ? win32::ModuleFileName(module) : std::string();
}

bool UnloadLibraryEverywhere(const std::string& moduleName) {
    // Each round gives one reference back. The loader keeps a library the
    // program was linked with whatever the count: the rounds end by their
    // count.
    constexpr int kMostRounds = 4096;
    const std::string name = LibraryFileName(moduleName);
    if (name.empty()) return true;
    for (int round = 0; round < kMostRounds; ++round) {
        const HMODULE module = GetModuleHandleA(name.c_str());
        if (!module) return true;
        if (!FreeLibrary(module)) return false;
    }
    return GetModuleHandleA(name.c_str()) == nullptr;
}

std::string FindLibraryInFolder(const std::string& folder, const std::string& moduleName) {
    const std::string wanted = LibraryFileName(moduleName);
    // A wildcard would match other files.
    if (wanted.empty() || wanted.find_first_of("*?") != std::string::npos) return std::string();
    const std::string dir = win32::WithSeparator(folder.empty() ? std::string(".") : folder);
    WIN32_FIND_DATAA entry;
    const HANDLE search = FindFirstFileA((dir + wanted).c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE) return std::string();
    std::string found;
    do {
        // Only the long name counts, not a short (8.3) alias that happens to match.
        if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && lstrcmpiA(entry.cFileName, wanted.c_str()) == 0) {
            found = dir + entry.cFileName;
        }
    } while (found.empty() && FindNextFileA(search, &entry));
    FindClose(search);
    return found;
}

bool DynamicLibrary::LoadFile(const std::string& path) {
    Unload();
    if (path.empty()) {
        m_error = "No library file given";
        return false;
    }
    std::string target = path;
    const DWORD needed = GetFullPathNameA(path.c_str(), 0, nullptr, nullptr);
    if (needed > 0) {
        std::string full(needed, '\0');
        const DWORD n = GetFullPathNameA(path.c_str(), needed, &full[0], nullptr);
        if (n > 0 && n < needed) target = full.substr(0, n);
    }
    // No message box for a missing or broken file: the caller reports it.
    DWORD oldMode = 0;
    SetThreadErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX, &oldMode);
    // The library's own dependencies are looked for in its folder first.
    const HMODULE module = LoadLibraryExA(target.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    const DWORD error = GetLastError();
    SetThreadErrorMode(oldMode, nullptr);
    if (!module) {
        m_error = "Cannot load '" + path + "': " + win32::ErrorText(error);
        return false;
    }
    m_handle = module;
    m_path = win32::ModuleFileName(module);
    if (m_path.empty()) m_path = target;
    m_error.clear();
    return true;
}

void* DynamicLibrary::Symbol(const char* name) const {
    if (!m_handle || !name) return nullptr;
    const FARPROC address = GetProcAddress(static_cast<HMODULE>(m_handle), name);
    if (!address) {
        m_error = std::string("Symbol '") + name + "' not found in '" + m_path + "': " + win32::ErrorText(GetLastError());
        return nullptr;
    }
    return reinterpret_cast<void*>(address);
}

void DynamicLibrary::Unload() {
    if (m_handle) FreeLibrary(static_cast<HMODULE>(m_handle));
    m_handle = nullptr;
    m_path.clear();
}

}  // namespace platform
