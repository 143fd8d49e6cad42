// Helpers shared by the Win32 services (not part of the platform interface).
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <string>

namespace platform {
namespace win32 {

// The module (DLL or executable) that holds this code.
HMODULE ThisModule();

// Full long path of a loaded module (the executable for null); empty when
// the system cannot tell.
std::string ModuleFileName(HMODULE module);

// The path with a final '\\' unless it already ends in a separator.
std::string WithSeparator(std::string folder);

// "text of the error (error N)" for a Win32 error code.
std::string ErrorText(DWORD error);

// The C runtime's error number (errno) closest to a Win32 error code.
int ErrnoFromError(DWORD error);

}  // namespace win32
}  // namespace platform
