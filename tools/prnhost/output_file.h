// A file that appears under its name only once it is complete: it is written
// to a temporary file created exclusively beside it, renamed over the name
// when the writer commits, and removed otherwise: when the writer discards
// it, is destroyed, or the program ends on SIGINT, SIGTERM, SIGHUP or SIGPIPE.
// A name that is a device or a FIFO is written in place instead.
#pragma once

#include <cstdio>
#include <string>

namespace prnhost {

class OutputFile {
public:
    OutputFile() = default;
    ~OutputFile() { Discard(); }
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Creates the temporary file beside path; false with a message.
    bool Create(const std::string& path, std::string& error);
    // The open temporary file; null when none is open.
    std::FILE* Stream() const { return file_; }
    // Writes bytes; false (the reason kept for Commit) when the file refused them.
    bool Write(const void* data, size_t size);
    // Flushes and closes the file and renames it over the name; false with a
    // message naming the system's reason (the temporary file is then removed).
    bool Commit(std::string& error);
    // Commit in two steps, so that files written together appear together:
    // Finish flushes and closes (removing the temporary file on a failure),
    // Publish renames the finished file over the name.
    bool Finish(std::string& error);
    bool Publish(std::string& error);
    // Closes and removes the temporary file.
    void Discard();
    // "" or, after a write failed, a message with the system's reason.
    std::string WriteError() const;

    const std::string& Path() const { return path_; }

private:
    std::FILE* file_ = nullptr;
    std::string path_;
    std::string temp_;
    int slot_ = -1;     // the temporary's place in the list the signal handler removes
    int errno_ = 0;     // the first failed write's reason
};

// Makes SIGINT, SIGTERM, SIGHUP and SIGPIPE remove every temporary file of an
// uncommitted OutputFile, and every path kept by RemoveOnSignal, before the
// program ends; SIGXFSZ is ignored, so that a write past a file-size limit
// fails with the system's reason instead of ending the program.
void RemoveTemporariesOnSignals();

// Keeps a file or an empty folder for removal on those signals (in the
// order they were kept) until ForgetOnSignal; -1 when the list is full.
int RemoveOnSignal(const std::string& path);
void ForgetOnSignal(int slot);

}  // namespace prnhost
