// Temporary files at a path the caller chooses (in the job's temporary
// folder): created afresh for reading and writing, private to this process,
// fully buffered, and removed by the system when closed unless kept.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace platform {

// '/' on POSIX; the Windows version spells paths with '\\'.
#ifdef _WIN32
constexpr char kPathSeparator = '\\';
#else
constexpr char kPathSeparator = '/';
#endif

class TempFile {
public:
    TempFile();
    ~TempFile();
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;

    // Creates (replacing any file at the path) and opens the file with a
    // buffer of bufferSize bytes. 0 on success, else the system's error number.
    // An exclusive creation never opens a file that is there already: it
    // fails with EEXIST and leaves that file as it is.
    int Create(const std::string& path, bool deleteOnClose, size_t bufferSize, bool exclusive = false);
    bool IsOpen() const { return m_stream != nullptr; }
    // Closes the file; one created with deleteOnClose is gone afterwards.
    void Close();

    // Both give the number of bytes transferred.
    size_t Write(const void* data, size_t size);
    size_t Read(void* data, size_t size);
    // Why the last Read gave fewer bytes than asked for: the system's error
    // number of a read that failed, 0 when it met the end of the file.
    int ReadError() const;
    bool Flush();
    // Flushes and writes the file through to the disk: 0, or the system's
    // error number (ENOSPC after a write cut short by the test limit).
    int Sync();
    // Positions are byte offsets from the start of the file.
    bool Seek(int64_t position);
    int64_t Tell();  // -1 on failure

private:
    struct Stream;
    std::unique_ptr<Stream> m_stream;
};

// For tests only: after `bytes` more bytes, every temporary-file write of
// this process fails as on a full disk (fewer bytes written, errno ENOSPC)
// and so does every flush of a file whose write was cut short; a negative
// value lifts the limit (the default).
void SetTestWriteLimit(int64_t bytes);
// For tests only: after `bytes` more bytes, every temporary-file read of
// this process fails as on a damaged disk (fewer bytes read, ReadError EIO);
// a negative value lifts the limit (the default).
void SetTestReadLimit(int64_t bytes);
// For tests only: the size of every temporary-file write of this process
// from now on is appended to *sizes (null: no longer).
void SetTestWriteSizes(std::vector<size_t>* sizes);

}  // namespace platform
