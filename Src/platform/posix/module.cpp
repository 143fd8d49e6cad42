#include "platform/module.h"

#include <dlfcn.h>
#include <link.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

namespace platform {
namespace {

// Any function of this module: its address tells which loaded object holds the code.
void ModuleAnchor() {}

std::string Canonical(const char* path) {
    char* real = realpath(path, nullptr);
    if (!real) return path;
    std::string result(real);
    std::free(real);
    return result;
}

std::string FolderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return std::string();
    return slash == 0 ? std::string("/") : path.substr(0, slash);
}

}  // namespace

std::string HostExecutablePath() {
    std::vector<char> buffer(256);
    while (buffer.size() <= (1u << 16)) {
        const ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (n < 0) return std::string();
        if (static_cast<size_t>(n) < buffer.size()) return std::string(buffer.data(), static_cast<size_t>(n));
        buffer.resize(buffer.size() * 2);
    }
    return std::string();
}

std::string HostExecutableFolder() { return FolderOf(HostExecutablePath()); }

std::string PluginModuleFileName() {
    Dl_info info;
    struct link_map* map = nullptr;
    if (!dladdr1(reinterpret_cast<void*>(&ModuleAnchor), &info, reinterpret_cast<void**>(&map), RTLD_DL_LINKMAP)) {
        return std::string();
    }
    // The main program's entry has no name: the code is linked into the executable.
    if (!map || !map->l_name || map->l_name[0] == '\0') return HostExecutablePath();
    return Canonical(map->l_name);
}

std::string PluginModuleFolder() { return FolderOf(PluginModuleFileName()); }

}  // namespace platform
