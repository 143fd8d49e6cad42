// The platform-neutral part of the library loader.
#include "platform/dynamic_library.h"

#include <utility>

namespace platform {

std::string FolderOfPath(const std::string& path) {
    const size_t pos = path.find_last_of("/\\");
    return pos == std::string::npos ? std::string() : path.substr(0, pos + 1);
}

std::vector<std::string> FindLibraryInFolders(const std::string& moduleName, const LibrarySearchFolders& folders) {
    std::vector<std::string> files;
    for (const std::string* folder : {&folders.pluginFolder, &folders.hostFolder}) {
        if (folder->empty()) continue;
        std::string file = FindLibraryInFolder(*folder, moduleName);
        if (!file.empty()) files.push_back(std::move(file));
    }
    return files;
}

DynamicLibrary::~DynamicLibrary() { Unload(); }

DynamicLibrary::DynamicLibrary(DynamicLibrary&& other) noexcept
    : m_handle(std::exchange(other.m_handle, nullptr)),
      m_path(std::move(other.m_path)),
      m_error(std::move(other.m_error)) {}

DynamicLibrary& DynamicLibrary::operator=(DynamicLibrary&& other) noexcept {
    if (this != &other) {
        Unload();
        m_handle = std::exchange(other.m_handle, nullptr);
        m_path = std::move(other.m_path);
        m_error = std::move(other.m_error);
    }
    return *this;
}

void DynamicLibrary::KeepLoadedForProcess() noexcept {
    m_handle = nullptr;
    m_path.clear();
}

bool DynamicLibrary::Load(const std::string& moduleName, const LibrarySearchFolders& folders) {
    Unload();
    const std::string folder = FolderOfPath(moduleName);
    if (!folder.empty()) return LoadFromFolder(folder, moduleName.substr(folder.size()));

    const std::string loaded = FindLoadedLibrary(moduleName);
    if (!loaded.empty() && LoadFile(loaded)) return true;
    for (const std::string& file : FindLibraryInFolders(moduleName, folders)) {
        if (LoadFile(file)) return true;
    }
    m_error = "Dynamic library '" + moduleName + "' (" + LibraryFileName(moduleName) +
              ") was not found among the loaded libraries, in the plug-in folder '" + folders.pluginFolder +
              "' or in the host folder '" + folders.hostFolder + "'";
    return false;
}

bool DynamicLibrary::LoadFromFolder(const std::string& folder, const std::string& moduleName) {
    Unload();
    const std::string path = FindLibraryInFolder(folder, moduleName);
    if (path.empty()) {
        m_error = "No file matching '" + LibraryFileName(moduleName) + "' in '" + folder + "'";
        return false;
    }
    return LoadFile(path);
}

}  // namespace platform
