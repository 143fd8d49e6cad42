#include "base/input_file.h"

#include <filesystem>
#include <memory>
#include <exception>
#include <system_error>

#include "base/assertion.h"

namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

}  // namespace

bool IsRegularFile(const std::string& path) {
    if (path.empty()) return false;
    std::error_code ec;
    return std::filesystem::is_regular_file(path, ec);
}

bool IsReadableFile(const std::string& path) {
    if (!IsRegularFile(path)) return false;
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    return file != nullptr;
}

bool ReadFileBytes(const std::string& path, std::vector<char>& out) {
    out.clear();
    if (!IsRegularFile(path)) return false;
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
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

InputFile::~InputFile() {
    if (m_file) std::fclose(m_file);
}

void InputFile::Open(const std::string& path) {
    if (m_file) std::fclose(m_file);
    m_file = IsRegularFile(path) ? std::fopen(path.c_str(), "rb") : nullptr;
    m_path = path;
}

bool InputFile::IsEof() {
    if (!m_file) return false;
    const int c = std::fgetc(m_file);
    if (c == EOF) return false;
    std::ungetc(c, m_file);
    return true;
}

void InputFile::GetChar(uint8_t* out) {
    if (!out) return;
    if (!m_file) {
        *out = ' ';
        return;
    }
    const int c = std::fgetc(m_file);
    *out = c == EOF ? 0 : static_cast<uint8_t>(c);
}

uint64_t InputFile::Read(uint8_t* buffer, uint64_t n) {
    if (!m_file || !buffer) return 0;
    const uint64_t nBytesRead = std::fread(buffer, 1, n, m_file);
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
