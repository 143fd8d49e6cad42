// Byte input over a file, and a line reader on top of any byte input.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

struct FileCloser {
    void operator()(std::FILE* file) const noexcept { std::fclose(file); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// A file opened to be read, or why it was not.
struct OpenedFile {
    enum Fault { kNone, kNotRegular, kCannotOpen };
    FilePtr file;      // null unless opened
    Fault fault = kNone;
    int error = 0;     // the system's error number, for kCannotOpen

    explicit operator bool() const { return file != nullptr; }
    // Nothing at all under the name.
    bool Missing() const;
    // Why the file was not opened, to follow its quoted name: "is not a
    // regular file" or "cannot be opened (<the system's reason>)"; empty when
    // it was.
    std::string Reason() const;
};

// Opens a file to read its bytes (links followed). Whether it is a regular
// file is decided on the opened file, and the open never waits: a folder, a
// FIFO or a device under the name is refused as kNotRegular, whatever was
// there when the caller looked.
OpenedFile OpenFileToRead(const std::string& path);

// True when the path names a regular file that opens for reading.
bool IsReadableFile(const std::string& path);

// The whole content of a regular file. False, with out empty, when the path
// is not a readable regular file or a read fails; never throws.
bool ReadFileBytes(const std::string& path, std::vector<char>& out);

class IInputStream {
public:
    virtual ~IInputStream() = default;
    // True while at least one more byte can be read.
    virtual bool IsEof() = 0;
    virtual void GetChar(uint8_t* out) = 0;
    virtual uint64_t Read(uint8_t* buffer, uint64_t n) = 0;
};

class InputFile : public IInputStream {
public:
    InputFile() = default;
    ~InputFile() override;
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    bool IsEof() override;
    // The next byte; ' ' when the file is not open.
    void GetChar(uint8_t* out) override;
    // Up to n bytes; a short read is reported as a failed assertion.
    uint64_t Read(uint8_t* buffer, uint64_t n) override;

    // Opens the file for reading in byte mode (closing one already open); a
    // path that is not a regular file (see OpenFileToRead) leaves it closed.
    void Open(const std::string& path);
    bool IsOpen() const { return m_file != nullptr; }
    const std::string& Path() const { return m_path; }
    // Why the last Open left the file closed, to follow its quoted name (see
    // OpenedFile::Reason); empty when it opened.
    const std::string& OpenFailure() const { return m_openFailure; }

private:
    FilePtr m_file;
    std::string m_path;
    std::string m_openFailure;
};

class LineReader {
public:
    explicit LineReader(IInputStream* stream) : m_stream(stream) {}
    ~LineReader() { m_stream = nullptr; }

    void SetStream(IInputStream* stream) { m_stream = stream; }
    bool HasMore() { return m_stream && m_stream->IsEof(); }
    // Reads up to the next '\n' or '\r', which is consumed and not stored: a
    // CR LF pair yields the line and then an empty line.
    void ReadLine(std::string& out);
    // The same, but keeps at most maxKept characters of the line in out and
    // steps over the rest; returns the line's whole length, so a result above
    // out.size() tells that the line was longer.
    size_t ReadLine(std::string& out, size_t maxKept);
    // What ended the last line read: '\n', '\r', or 0 for the end of the input.
    char LastLineEnd() const { return m_lastEnd; }

private:
    IInputStream* m_stream;
    char m_lastEnd = 0;
};
