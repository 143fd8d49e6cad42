#include "platform/temp_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <memory>
#include <new>
#include <utility>

#include "platform/temp_file_stream.h"

namespace platform {

int TempFile::Create(const std::string& path, bool deleteOnClose, size_t bufferSize, bool exclusive) {
    Close();
    if (path.empty()) return ENOENT;
    // A symbolic link in place of the file is refused rather than followed.
    const int how = exclusive ? O_EXCL : O_TRUNC;
    const int fd = open(path.c_str(), O_RDWR | O_CREAT | how | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) return errno;
    // Removed from its folder at once: the open file lives until it is closed,
    // even when the process ends without closing it.
    if (deleteOnClose && unlink(path.c_str()) != 0) {
        const int error = errno;
        close(fd);
        return error;
    }
    std::unique_ptr<Stream> stream(new (std::nothrow) Stream);
    if (stream && bufferSize > 0) stream->buffer.reset(new (std::nothrow) char[bufferSize]);
    if (!stream || (bufferSize > 0 && !stream->buffer)) {
        close(fd);
        return ENOMEM;
    }
    stream->file = fdopen(fd, "wb+");
    if (!stream->file) {
        const int error = errno;
        close(fd);
        return error;
    }
    if (bufferSize > 0) setvbuf(stream->file, stream->buffer.get(), _IOFBF, bufferSize);
    m_stream = std::move(stream);
    return 0;
}

bool TempFile::Seek(int64_t position) {
    return m_stream && position >= 0 && fseeko(m_stream->file, static_cast<off_t>(position), SEEK_SET) == 0;
}

int64_t TempFile::Tell() {
    if (!m_stream) return -1;
    return static_cast<int64_t>(ftello(m_stream->file));
}

}  // namespace platform
