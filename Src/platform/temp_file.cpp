// The platform-neutral part of temporary files: the buffered C stream over
// the file that each platform's Create opens.
#include "platform/temp_file.h"

#include <atomic>
#include <cerrno>
#include <mutex>

#include "platform/files.h"
#include "platform/files_internal.h"
#include "platform/temp_file_stream.h"

namespace platform {

namespace {
// Bytes left before writes (reads) fail; negative: no limit.
std::atomic<int64_t> g_writeLimit{-1};
std::atomic<int64_t> g_readLimit{-1};
// Where the sizes of writes go (null: nowhere).
std::mutex g_writeSizesLock;
std::vector<size_t>* g_writeSizes = nullptr;
std::atomic<bool> g_notingWriteSizes{false};  // spares writes the lock when no test asked

void NoteWriteSize(size_t size) {
    if (!g_notingWriteSizes.load(std::memory_order_relaxed)) return;
    std::lock_guard<std::mutex> hold(g_writeSizesLock);
    if (g_writeSizes) g_writeSizes->push_back(size);
}

// How many of size bytes a limit lets through (all without a limit).
size_t TakeFromLimit(std::atomic<int64_t>& limit, size_t size) {
    int64_t left = limit.load();
    while (left >= 0) {
        const int64_t granted = left < static_cast<int64_t>(size) ? left : static_cast<int64_t>(size);
        if (limit.compare_exchange_weak(left, left - granted)) return static_cast<size_t>(granted);
    }
    return size;
}
}  // namespace

size_t GrantTestWrite(size_t size) {
    NoteWriteSize(size);
    return TakeFromLimit(g_writeLimit, size);
}

void SetTestWriteLimit(int64_t bytes) { g_writeLimit.store(bytes < 0 ? -1 : bytes); }

void SetTestReadLimit(int64_t bytes) { g_readLimit.store(bytes < 0 ? -1 : bytes); }

void SetTestWriteSizes(std::vector<size_t>* sizes) {
    std::lock_guard<std::mutex> hold(g_writeSizesLock);
    g_writeSizes = sizes;
    g_notingWriteSizes.store(sizes != nullptr);
}

TempFile::TempFile() = default;
TempFile::~TempFile() { Close(); }

void TempFile::Close() {
    if (!m_stream) return;
    std::fclose(m_stream->file);
    m_stream.reset();
}

size_t TempFile::Write(const void* data, size_t size) {
    if (!m_stream || size == 0) return 0;
    const size_t granted = GrantTestWrite(size);
    const size_t written = granted ? std::fwrite(data, 1, granted, m_stream->file) : 0;
    if (granted < size) {
        m_stream->full = true;
        errno = ENOSPC;
    }
    return written;
}

size_t TempFile::Read(void* data, size_t size) {
    if (!m_stream) return 0;
    m_stream->readError = 0;
    if (size == 0) return 0;
    const size_t granted = TakeFromLimit(g_readLimit, size);
    errno = 0;
    const size_t got = granted ? std::fread(data, 1, granted, m_stream->file) : 0;
    if (got < granted && std::ferror(m_stream->file)) {
        m_stream->readError = errno != 0 ? errno : EIO;
        std::clearerr(m_stream->file);  // a later seek may read again
    } else if (got < size && got == granted) {
        m_stream->readError = EIO;  // cut short by the tests' read limit
    }
    return got;
}

int TempFile::ReadError() const { return m_stream ? m_stream->readError : 0; }

bool TempFile::Flush() {
    if (!m_stream) return false;
    if (m_stream->full) {
        errno = ENOSPC;
        return false;
    }
    return std::fflush(m_stream->file) == 0;
}

int TempFile::Sync() {
    if (!m_stream) return EBADF;
    if (m_stream->full) return ENOSPC;
    return SyncFile(m_stream->file);
}

}  // namespace platform
