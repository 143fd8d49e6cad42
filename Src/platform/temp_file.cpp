// The platform-neutral part of temporary files: the buffered C stream over
// the file that each platform's Create opens.
#include "platform/temp_file.h"

#include "platform/temp_file_stream.h"

namespace platform {

TempFile::TempFile() = default;
TempFile::~TempFile() { Close(); }

void TempFile::Close() {
    if (!m_stream) return;
    std::fclose(m_stream->file);
    m_stream.reset();
}

size_t TempFile::Write(const void* data, size_t size) {
    if (!m_stream || size == 0) return 0;
    return std::fwrite(data, 1, size, m_stream->file);
}

size_t TempFile::Read(void* data, size_t size) {
    if (!m_stream || size == 0) return 0;
    return std::fread(data, 1, size, m_stream->file);
}

bool TempFile::Flush() { return m_stream && std::fflush(m_stream->file) == 0; }

}  // namespace platform
