#include "base/input_file.h"

#include <cerrno>
#include <cstring>
#include <exception>

#include "base/assertion.h"
#include "platform/files.h"
#include "platform/system.h"

bool OpenedFile::Missing() const { return fault == kCannotOpen && error == ENOENT; }

std::string OpenedFile::Reason() const {
    switch (fault) {
        case kNone: return std::string();
        case kNotRegular: return "is not a regular file";
        case kCannotOpen: break;
    }
    return "cannot be opened (" + platform::ErrorText(error) + ")";
}

OpenedFile OpenFileToRead(const std::string& path) {
    OpenedFile opened;
    std::FILE* file = nullptr;
    switch (platform::OpenRegularFileToRead(path, &file, &opened.error)) {
        case platform::OpenToRead::kOpened: opened.file.reset(file); break;
        case platform::OpenToRead::kNotRegular: opened.fault = OpenedFile::kNotRegular; break;
        case platform::OpenToRead::kFailed: opened.fault = OpenedFile::kCannotOpen; break;
    }
    return opened;
}

bool IsReadableFile(const std::string& path) { return static_cast<bool>(OpenFileToRead(path)); }

bool ReadFileBytes(const std::string& path, std::vector<char>& out) {
    out.clear();
    const FilePtr file = OpenFileToRead(path).file;
    if (!file) return false;
    try {
        char chunk[65536];
        size_t n = 0;
        while ((n = std::fread(chunk, 1, sizeof chunk, file.get())) > 0) out.insert(out.end(), chunk, chunk + n);
    } catch (const std::exception&) {  // no memory for the content
        out = std::vector<char>();
        return false;
    }
    if (std::ferror(file.get())) {
        out.clear();
        return false;
    }
    return true;
}

InputFile::~InputFile() = default;

void InputFile::Open(const std::string& path) {
    m_file.reset();
    OpenedFile opened = OpenFileToRead(path);
    m_file = std::move(opened.file);
    m_openFailure = opened.Reason();
    m_path = path;
}

bool InputFile::IsEof() {
    if (!m_file) return false;
    const int c = std::fgetc(m_file.get());
    if (c == EOF) return false;
    std::ungetc(c, m_file.get());
    return true;
}

void InputFile::GetChar(uint8_t* out) {
    if (!out) return;
    if (!m_file) {
        *out = ' ';
        return;
    }
    const int c = std::fgetc(m_file.get());
    *out = c == EOF ? 0 : static_cast<uint8_t>(c);
}

uint64_t InputFile::Read(uint8_t* buffer, uint64_t n) {
    if (!m_file || !buffer) return 0;
    const uint64_t nBytesRead = std::fread(buffer, 1, n, m_file.get());
    if (nBytesRead != n) ReportAssertion("nBytesRead==nBytes", "Src\\InputFile", 66);
    return nBytesRead;
}

void LineReader::ReadLine(std::string& out) { ReadLine(out, out.max_size()); }

size_t LineReader::ReadLine(std::string& out, size_t maxKept) {
    out.clear();
    m_lastEnd = 0;
    size_t length = 0;
    while (HasMore()) {
        uint8_t c = 0;
        m_stream->GetChar(&c);
        if (c == '\n' || c == '\r') {
            m_lastEnd = static_cast<char>(c);
            break;
        }
        if (length < maxKept) out.push_back(static_cast<char>(c));
        ++length;
    }
    return length;
}
