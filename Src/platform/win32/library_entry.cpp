// The library entry on Windows: DllMain tells the plug-in of process attach
// and detach, and reports success for every reason.
#include "platform/library_entry.h"

#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID /*reserved*/) {
    if (reason == DLL_PROCESS_ATTACH) {
        PluginProcessAttach(instance);
    } else if (reason == DLL_PROCESS_DETACH) {
        PluginProcessDetach();
    }
    return TRUE;
}
