// The library loader on POSIX systems: dlopen, dlsym, dlclose.
#include "platform/dynamic_library.h"

#include "platform/module.h"

#include <dirent.h>
#include <dlfcn.h>
#include <link.h>
#include <limits.h>
#include <stdlib.h>
#include <strings.h>
#include <unistd.h>

#include <algorithm>
#include <memory>
#include <vector>

namespace platform {
namespace {

bool EndsWithNoCase(const std::string& s, const char* suffix) {
    const std::string tail(suffix);
    return s.size() >= tail.size() && strcasecmp(s.c_str() + s.size() - tail.size(), tail.c_str()) == 0;
}

std::string BaseName(const std::string& path) {
    const size_t pos = path.find_last_of('/');
    return pos == std::string::npos ? path : path.substr(pos + 1);
}

std::string RealPath(const std::string& path) {
    struct Free {
        void operator()(char* p) const { free(p); }
    };
    std::unique_ptr<char, Free> resolved(realpath(path.c_str(), nullptr));
    return resolved ? std::string(resolved.get()) : path;
}

std::string WithSlash(std::string folder) {
    if (!folder.empty() && folder.back() != '/') folder += '/';
    return folder;
}

}  // namespace

LibrarySearchFolders DefaultLibrarySearchFolders() {
    return {WithSlash(PluginModuleFolder()), WithSlash(HostExecutableFolder())};
}

std::string LibraryFileName(const std::string& moduleName) {
    const std::string base = BaseName(moduleName);
    if (!EndsWithNoCase(base, ".dll")) return base;
    return "lib" + base.substr(0, base.size() - 4) + ".so";
}

std::string FindLoadedLibrary(const std::string& moduleName) {
    struct Search {
        std::string wanted;
        std::string found;
    } search{LibraryFileName(moduleName), {}};
    dl_iterate_phdr(
        [](dl_phdr_info* info, size_t, void* data) -> int {
            auto* s = static_cast<Search*>(data);
            if (!info->dlpi_name || !*info->dlpi_name) return 0;
            if (strcasecmp(BaseName(info->dlpi_name).c_str(), s->wanted.c_str()) != 0) return 0;
            s->found = info->dlpi_name;
            return 1;
        },
        &search);
    return search.found.empty() ? std::string() : RealPath(search.found);
}

bool UnloadLibraryEverywhere(const std::string& moduleName) {
    // Each round gives one reference back: a look-up without loading takes
    // one more, and two closes drop two. The loader refuses the second close
    // of a library it never unloads (one the program was linked with); one
    // marked to stay for good ends the rounds by their count.
    constexpr int kMostRounds = 4096;
    for (int round = 0; round < kMostRounds; ++round) {
        const std::string path = FindLoadedLibrary(moduleName);
        if (path.empty()) return true;
        void* handle = dlopen(path.c_str(), RTLD_LAZY | RTLD_NOLOAD);
        if (!handle) return false;
        dlclose(handle);
        if (dlclose(handle) != 0) return false;
    }
    return FindLoadedLibrary(moduleName).empty();
}

std::string FindLibraryInFolder(const std::string& folder, const std::string& moduleName) {
    const std::string wanted = LibraryFileName(moduleName);
    const std::string dir = WithSlash(folder.empty() ? std::string(".") : folder);
    struct CloseDir {
        void operator()(DIR* d) const { closedir(d); }
    };
    std::unique_ptr<DIR, CloseDir> d(opendir(dir.c_str()));
    if (!d) return {};
    std::vector<std::string> matches;
    while (const dirent* entry = readdir(d.get())) {
        if (strcasecmp(entry->d_name, wanted.c_str()) == 0) matches.emplace_back(entry->d_name);
    }
    if (matches.empty()) return {};
    const auto exact = std::find(matches.begin(), matches.end(), wanted);
    if (exact != matches.end()) return dir + *exact;
    std::sort(matches.begin(), matches.end());
    return dir + matches.front();
}

bool DynamicLibrary::LoadFile(const std::string& path) {
    Unload();
    // dlopen would take an empty name for the main program.
    if (path.empty()) {
        m_error = "No library file given";
        return false;
    }
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char* why = dlerror();
        m_error = why ? why : ("Cannot load '" + path + "'");
        return false;
    }
    m_handle = handle;
    m_path = RealPath(path);
    m_error.clear();
    return true;
}

void* DynamicLibrary::Symbol(const char* name) const {
    if (!m_handle || !name) return nullptr;
    dlerror();
    void* address = dlsym(m_handle, name);
    if (!address) {
        const char* why = dlerror();
        m_error = why ? why : (std::string("Symbol '") + name + "' not found");
    }
    return address;
}

void DynamicLibrary::Unload() {
    if (m_handle) dlclose(m_handle);
    m_handle = nullptr;
    m_path.clear();
}

}  // namespace platform
