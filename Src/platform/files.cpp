// The platform-neutral part of the file services: replacing a file's
// contents through a temporary file beside it.
#include "platform/files.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "platform/system.h"
#include "platform/temp_file.h"

namespace platform {

namespace {

// A name beside path that no other process, and no other call of this one,
// uses at the same time.
std::string TemporaryNameBeside(const std::string& path) {
    static std::atomic<unsigned> counter{0};
    return path + "." + std::to_string(CurrentProcessId()) + "-" + std::to_string(++counter) + ".tmp";
}

}  // namespace

int ReplaceFileContents(const std::string& path, const void* data, size_t size) {
    if (path.empty()) return ENOENT;
    // A link keeps pointing where the user made it point.
    std::string target = path;
    std::error_code ec;
    if (std::filesystem::is_symlink(path, ec)) {
        const std::filesystem::path resolved = std::filesystem::canonical(path, ec);
        if (ec) return ec.value() ? ec.value() : ENOENT;
        target = resolved.string();
    }
    const std::string temp = TemporaryNameBeside(target);
    TempFile file;
    int error = file.Create(temp, false, 0);
    if (error != 0) return error;
    errno = 0;
    if (size > 0 && file.Write(data, size) != size) error = errno ? errno : EIO;
    if (error == 0) error = file.Sync();
    file.Close();
    if (error == 0) error = RenameOver(temp, target);
    if (error != 0) std::remove(temp.c_str());
    return error;
}

}  // namespace platform
