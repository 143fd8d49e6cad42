#include "platform/files.h"

#include <io.h>
#include <sys/stat.h>
#include <sys/types.h>

#include <cerrno>

#include "win32_support.h"

namespace platform {

OpenToRead OpenRegularFileToRead(const std::string& path, std::FILE** file, int* error) {
    *file = nullptr;
    *error = 0;
    if (path.empty()) {
        *error = ENOENT;
        return OpenToRead::kFailed;
    }
    std::FILE* opened = std::fopen(path.c_str(), "rb");
    if (!opened) {
        *error = errno;
        // A folder does not open as a file at all.
        const DWORD attributes = GetFileAttributesA(path.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
            return OpenToRead::kNotRegular;
        }
        return OpenToRead::kFailed;
    }
    const HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(opened)));
    struct _stat64 st {};
    if (_fstat64(_fileno(opened), &st) != 0 || (st.st_mode & _S_IFMT) != _S_IFREG ||
        GetFileType(handle) != FILE_TYPE_DISK) {
        std::fclose(opened);
        return OpenToRead::kNotRegular;
    }
    *file = opened;
    return OpenToRead::kOpened;
}

int SyncFile(std::FILE* file) {
    if (!file) return EBADF;
    if (std::fflush(file) != 0) return errno ? errno : EIO;
    const HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file)));
    if (!FlushFileBuffers(handle)) return win32::ErrnoFromError(GetLastError());
    return 0;
}

int RenameOver(const std::string& from, const std::string& to) {
    if (!MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        return win32::ErrnoFromError(GetLastError());
    }
    return 0;
}

}  // namespace platform
