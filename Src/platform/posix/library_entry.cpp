// Library entry on POSIX: the loader runs the constructor when the plug-in
// library is loaded and the destructor when it is unloaded. Linked only into
// the plug-in shared library.
#include "platform/library_entry.h"

#include <dlfcn.h>

namespace {

void ModuleAnchor() {}

__attribute__((constructor)) void OnLibraryLoad() {
    Dl_info info{};
    void* handle = nullptr;
    if (dladdr(reinterpret_cast<void*>(&ModuleAnchor), &info)) handle = info.dli_fbase;
    PluginProcessAttach(handle);
}

__attribute__((destructor)) void OnLibraryUnload() { PluginProcessDetach(); }

}  // namespace
