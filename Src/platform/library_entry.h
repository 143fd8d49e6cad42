// Process attach and detach of the plug-in library. The plug-in implements
// both; the platform calls them when the library is loaded into a process
// and when it is unloaded (a constructor/destructor pair on POSIX, DllMain on
// Windows). moduleHandle identifies the library's own module (null when the
// platform cannot tell).
#pragma once

void PluginProcessAttach(void* moduleHandle);
void PluginProcessDetach();
