#include "base/input_file.h"

#include "base/assertion.h"

InputFile::~InputFile() {
    if (m_file) std::fclose(m_file);
}

void InputFile::Open(const std::string& path) {
    if (m_file) std::fclose(m_file);
    m_file = std::fopen(path.c_str(), "rb");
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
    size_t length = 0;
    while (HasMore()) {
        uint8_t c = 0;
        m_stream->GetChar(&c);
        if (c == '\n' || c == '\r') break;
        if (length < maxKept) out.push_back(static_cast<char>(c));
        ++length;
    }
    return length;
}
