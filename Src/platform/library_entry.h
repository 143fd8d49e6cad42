// The plug-in library's entry: the platform calls these when the library is
// loaded into a process and when it leaves it (DllMain on Windows, a
// constructor and destructor pair elsewhere). The plug-in library defines
// them; they must not throw.
#pragma once

// moduleHandle identifies the loaded library: its HMODULE on Windows, its
// load address elsewhere.
void PluginProcessAttach(void* moduleHandle);
void PluginProcessDetach();
