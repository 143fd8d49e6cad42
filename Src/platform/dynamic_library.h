// Run-time loading of shared libraries (the linearisation library "epl.dll",
// the debug-image library "DbgOut.dll").
//
// Callers name a library by its Windows module name, as the rest of the
// system does. LibraryFileName() is the one place that turns such a name into
// this platform's file name; on Linux "Name.dll" becomes "libName.so"
// ("epl.dll" -> "libepl.so", "DbgOut.dll" -> "libDbgOut.so"); a name without
// the ".dll" ending is used as it stands. File names are matched without
// regard to case, as on Windows: "EPL.dll" finds "libepl.so" and "libEPL.so".
//
// A library named without a folder is searched for in this order:
//   1. a library of that name already loaded into the process;
//   2. the plug-in module's own folder;
//   3. the host executable's folder.
#pragma once

#include <string>
#include <vector>

namespace platform {

// The folders searched after the already-loaded libraries. An empty folder is
// skipped.
struct LibrarySearchFolders {
    std::string pluginFolder;
    std::string hostFolder;
};

// The plug-in module's folder and the host executable's folder, each ending in
// a separator (empty when unknown).
LibrarySearchFolders DefaultLibrarySearchFolders();

// This platform's file name for a Windows module name (see above).
std::string LibraryFileName(const std::string& moduleName);

// Full path of a library with this module name that is already loaded into
// the process; empty when none is.
std::string FindLoadedLibrary(const std::string& moduleName);

// Full path of the file in folder whose name matches the module name without
// regard to case (an exact match wins); empty when there is none.
std::string FindLibraryInFolder(const std::string& folder, const std::string& moduleName);

// The files that a load of the module name by name (Load below) may take from
// the folders, in the order it tries them: at most one per folder, an empty
// folder skipped. The libraries already loaded are not among them.
std::vector<std::string> FindLibraryInFolders(const std::string& moduleName, const LibrarySearchFolders& folders);

// The folder part of a path, up to and including its last '/' or '\\'; empty
// when the path has neither.
std::string FolderOfPath(const std::string& path);

// Unloads every library of this module name that the process holds, however
// often it was loaded and whether or not its handles were given up by
// KeepLoadedForProcess(). For a program that loads libraries of one name from
// several folders one after another (the tests); true when none is left.
bool UnloadLibraryEverywhere(const std::string& moduleName);

// One loaded library. Move-only; unloads on destruction unless
// KeepLoadedForProcess() was called.
class DynamicLibrary {
public:
    DynamicLibrary() = default;
    ~DynamicLibrary();
    DynamicLibrary(DynamicLibrary&& other) noexcept;
    DynamicLibrary& operator=(DynamicLibrary&& other) noexcept;
    DynamicLibrary(const DynamicLibrary&) = delete;
    DynamicLibrary& operator=(const DynamicLibrary&) = delete;

    // Loads by module name with the search order above. The name may also
    // carry a folder ("dir/epl.dll"): then only that folder is searched.
    bool Load(const std::string& moduleName, const LibrarySearchFolders& folders);
    bool Load(const std::string& moduleName) { return Load(moduleName, DefaultLibrarySearchFolders()); }

    // Loads the module name from one folder only (matched without regard to case).
    bool LoadFromFolder(const std::string& folder, const std::string& moduleName);

    // Loads exactly this file.
    bool LoadFile(const std::string& path);

    // Address of an exported symbol; null when not loaded or not found.
    void* Symbol(const char* name) const;

    template <typename Fn>
    Fn Function(const char* name) const {
        return reinterpret_cast<Fn>(Symbol(name));
    }

    void Unload();

    // Gives the handle up without unloading: the library stays loaded for
    // the rest of the process. Runs from destructors at the end of every job:
    // it only forgets the handle, and cannot fail.
    void KeepLoadedForProcess() noexcept;

    bool IsLoaded() const { return m_handle != nullptr; }
    // Full path of the loaded file.
    const std::string& Path() const { return m_path; }
    // Why the last Load or Symbol failed.
    const std::string& Error() const { return m_error; }

private:
    void* m_handle = nullptr;
    std::string m_path;
    mutable std::string m_error;
};

}  // namespace platform
