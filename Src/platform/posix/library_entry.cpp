// The library entry on POSIX systems: the plug-in hears of its library being
// loaded and unloaded through a constructor and destructor of this object.
#include "platform/library_entry.h"

#include <dlfcn.h>

namespace {

void* ThisLibrary() {
    Dl_info info{};
    if (!dladdr(reinterpret_cast<void*>(&ThisLibrary), &info)) return nullptr;
    return info.dli_fbase;
}

__attribute__((constructor)) void OnLoad() { PluginProcessAttach(ThisLibrary()); }

__attribute__((destructor)) void OnUnload() { PluginProcessDetach(); }

}  // namespace
