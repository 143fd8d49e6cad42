#include "plugin_library.h"

#include <cerrno>
#include <cstring>

#include "platform/module.h"

namespace prnhost {

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
    if (!library_.LoadFile(path)) {
        error = "cannot load the plug-in " + path + ": " + library_.Error();
        return false;
    }
    auto getInterface = library_.Function<PrnInterface* (*)(uint32_t)>("GetInterface");
    if (!getInterface) {
        error = path + " is not a plug-in: it has no GetInterface";
        return false;
    }
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

RecordFile::~RecordFile() {
    if (file_) std::fclose(file_);
}

bool RecordFile::Open(const std::string& path, std::string& error) {
    file_ = std::fopen(path.c_str(), "wb");
    if (!file_) {
        error = "cannot write the output file " + path + ": " + std::strerror(errno);
        return false;
    }
    path_ = path;
    return true;
}

bool RecordFile::Close(std::string& error) {
    if (!file_) return true;
    const bool closed = std::fclose(file_) == 0;
    file_ = nullptr;
    if (failed_ || !closed) {
        error = "writing the output file " + path_ + " failed";
        return false;
    }
    return true;
}

int RecordFile::Write(void* context, uint32_t tag, const uint8_t* data, uint32_t size) {
    auto* self = static_cast<RecordFile*>(context);
    if (!self || !self->file_ || (size > 0 && !data)) return 3;
    uint8_t header[8];
    for (int i = 0; i < 4; ++i) {
        header[i] = static_cast<uint8_t>(tag >> (8 * i));
        header[4 + i] = static_cast<uint8_t>(size >> (8 * i));
    }
    bool ok = std::fwrite(header, 1, sizeof header, self->file_) == sizeof header;
    if (ok && size > 0) ok = std::fwrite(data, 1, size, self->file_) == size;
    if (!ok) {
        self->failed_ = true;
        return 3;
    }
    ++self->records_;
    return 0;
}

}  // namespace prnhost
