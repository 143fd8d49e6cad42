// A file that appears under its name only once it is complete: it is written
// to a temporary file created exclusively beside it, renamed over the name
// when the writer commits, and removed otherwise: when the writer discards
// it, is destroyed, or the program ends on SIGINT or SIGTERM.
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

// Makes SIGINT and SIGTERM remove every temporary file of an uncommitted
// OutputFile, and every path kept by RemoveOnSignal, before the program ends.
void RemoveTemporariesOnSignals();

// Keeps a file or an empty folder for removal on SIGINT or SIGTERM (in the
// order they were kept) until ForgetOnSignal; -1 when the list is full.
int RemoveOnSignal(const std::string& path);
void ForgetOnSignal(int slot);

}  // namespace prnhost
