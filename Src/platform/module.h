// The files of the running code: the plug-in module that holds this code (a
// shared library, or the executable it is linked into) and the host's
// executable. Paths are absolute; an empty string means the system could not
// tell.
#pragma once

#include <string>

namespace platform {

// Full path of the plug-in module's own file.
std::string PluginModuleFileName();
// The folder of that file, without a final separator.
std::string PluginModuleFolder();

// Full path of the host process's executable.
std::string HostExecutablePath();
// The folder of the host executable, without a final separator.
std::string HostExecutableFolder();

}  // namespace platform
