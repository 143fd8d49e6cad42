// Temporary files on Windows: CreateFileA (temporary, sequential scan,
// delete-on-close when asked) under a fully buffered C stream.
#include "platform/temp_file.h"

#include <fcntl.h>
#include <io.h>

#include <cerrno>
#include <cstdio>
#include <new>
#include <utility>

#include "platform/temp_file_stream.h"
#include "win32_support.h"

namespace platform {

int TempFile::Create(const std::string& path, bool deleteOnClose, size_t bufferSize, bool exclusive) {
    Close();
    if (path.empty()) return ENOENT;
    // A symbolic link or junction in place of the file is refused rather than
    // followed; an exclusive creation meets it as a name that is taken.
    const DWORD attributes = exclusive ? INVALID_FILE_ATTRIBUTES : GetFileAttributesA(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) return ELOOP;

    std::unique_ptr<Stream> stream(new (std::nothrow) Stream);
    if (stream && bufferSize > 0) stream->buffer.reset(new (std::nothrow) char[bufferSize]);
    if (!stream || (bufferSize > 0 && !stream->buffer)) return ENOMEM;

    // Not shared: nobody else opens the file while it is ours. Closing the
    // last handle removes a delete-on-close file, also when the process ends.
    // A file kept after closing is no temporary file for the system (one may
    // be renamed over a user's file).
    const DWORD flags = FILE_FLAG_SEQUENTIAL_SCAN |
                        (deleteOnClose ? FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE : FILE_ATTRIBUTE_NORMAL);
    const HANDLE handle = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, 0, nullptr,
                                      exclusive ? CREATE_NEW : CREATE_ALWAYS, flags, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return win32::ErrnoFromError(GetLastError());
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_RDWR | _O_BINARY);
    if (fd < 0) {
        CloseHandle(handle);
        return EMFILE;
    }
    stream->file = _fdopen(fd, "wb+");
    if (!stream->file) {
        const int error = errno;
        _close(fd);
        return error ? error : EIO;
    }
    if (bufferSize > 0) std::setvbuf(stream->file, stream->buffer.get(), _IOFBF, bufferSize);
    m_stream = std::move(stream);
    return 0;
}

bool TempFile::Seek(int64_t position) {
    return m_stream && position >= 0 && _fseeki64(m_stream->file, position, SEEK_SET) == 0;
}

int64_t TempFile::Tell() {
    if (!m_stream) return -1;
    return _ftelli64(m_stream->file);
}

}  // namespace platform
