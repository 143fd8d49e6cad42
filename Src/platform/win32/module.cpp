#include "platform/module.h"

#include "win32_support.h"

namespace platform {
namespace {

// The folder part of a path without its final separator; a drive's root
// keeps it ("C:\"), as "C:" alone would name the drive's current folder.
std::string FolderOf(const std::string& path) {
    const size_t pos = path.find_last_of("\\/");
    if (pos == std::string::npos) return std::string();
    if (pos == 2 && path[1] == ':') return path.substr(0, 3);
    return path.substr(0, pos);
}

}  // namespace

std::string PluginModuleFileName() { return win32::ModuleFileName(win32::ThisModule()); }

std::string PluginModuleFolder() { return FolderOf(PluginModuleFileName()); }

std::string HostExecutablePath() { return win32::ModuleFileName(nullptr); }

std::string HostExecutableFolder() { return FolderOf(HostExecutablePath()); }

}  // namespace platform
