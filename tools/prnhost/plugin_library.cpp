#include "plugin_library.h"

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "platform/module.h"

#if !defined(_WIN32)
#include <dlfcn.h>
#include <stdlib.h>
#endif

namespace prnhost {
namespace {
#if defined(_WIN32)
constexpr const char* kSeparators = "\\/:";
#else
constexpr const char* kSeparators = "/";
#endif

// The file that holds the code at address, as the loader found it.
std::string LoadedFile(const platform::DynamicLibrary& library, void* address) {
#if defined(_WIN32)
    (void)address;
    return library.Path();  // loaded by its full path
#else
    Dl_info info{};
    if (!address || !dladdr(address, &info) || !info.dli_fname || !*info.dli_fname) return library.Path();
    char* real = realpath(info.dli_fname, nullptr);
    const std::string file = real ? real : info.dli_fname;
    free(real);
    return file;
#endif
}
}  // namespace

std::string DefaultPluginPath() {
#if defined(_WIN32)
    const char* file = "kelmora.dll";
#else
    const char* file = "kelmora.so";
#endif
    const std::string folder = platform::HostExecutableFolder();
    return folder.empty() ? file : folder + "/" + file;
}

bool PluginLibrary::Load(const std::string& path, std::string& error) {
    // A bare name that is a file here is that file, not a name for the loader to search.
    file_.clear();
    std::string file = path;
    std::error_code failed;
    if (path.find_first_of(kSeparators) == std::string::npos && std::filesystem::is_regular_file(path, failed)) {
        file = std::string(".") + kSeparators[0] + path;
    }
    if (!library_.LoadFile(file)) {
        // A folder here is what the user meant, not a name for the loader to search for.
        if (std::filesystem::is_directory(path, failed)) {
            error = "cannot load the plug-in " + path + ": it is a folder, not a library: name the plug-in file in it";
            return false;
        }
        error = "cannot load the plug-in " + path + ": " + library_.Error();
        return false;
    }
    auto getInterface = library_.Function<PrnInterface* (*)(uint32_t)>("GetInterface");
    if (!getInterface) {
        error = path + " is not a plug-in: it has no GetInterface";
        return false;
    }
    file_ = LoadedFile(library_, library_.Symbol("GetInterface"));
    table_ = getInterface(kPrnInterfaceRequest);
    if (!table_) {
        error = path + ": GetInterface gave no interface table";
        return false;
    }
    const PrnInterface& t = *table_;
    if (!t.GetVersion || !t.GetName || !t.CreateContext || !t.Terminate || !t.GetPrinterInfo || !t.OpenJob ||
        !t.CloseJob || !t.OpenPage || !t.WriteLine || !t.ClosePage || !t.Abort) {
        error = path + ": the interface table lacks a host function";
        table_ = nullptr;
        return false;
    }
    uint32_t major = 0;
    uint32_t minor = 0;
    if (t.GetVersion(&major, &minor) != 0 || major != 1) {
        error = path + ": interface version " + std::to_string(major) + "." + std::to_string(minor) +
                " is not 1.x";
        table_ = nullptr;
        return false;
    }
    return true;
}

bool RecordFile::Open(const std::string& path, std::string& error) { return file_.Create(path, error); }

int RecordFile::Write(void* context, uint32_t tag, const uint8_t* data, uint32_t size) {
    auto* self = static_cast<RecordFile*>(context);
    if (!self || !self->file_.Stream() || (size > 0 && !data)) return 3;
    uint8_t header[8];
    for (int i = 0; i < 4; ++i) {
        header[i] = static_cast<uint8_t>(tag >> (8 * i));
        header[4 + i] = static_cast<uint8_t>(size >> (8 * i));
    }
    if (!self->file_.Write(header, sizeof header) || !self->file_.Write(data, size)) return 3;
    ++self->records_;
    return 0;
}

}  // namespace prnhost
