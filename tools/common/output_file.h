// The tools' output files. A file appears under its name only once it is
// complete: it is written to a temporary file created exclusively beside it,
// synced, and renamed over the name when the writer commits; it is removed
// when the writer discards it, is destroyed, or the program ends on one of
// the signals of RemoveTemporariesOnSignals. The decision is taken on the
// opened file: a name that is (or leads to) a device, a FIFO or the
// program's standard output is written in place; a symbolic link keeps its
// name, the file it leads to is replaced.
//
// An output never replaces a file the program reads: RefuseOverwrite names
// the input it would replace, compared as files (device and inode), not as
// names.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace toolfile {

class OutputFile {
public:
    OutputFile() = default;
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Opens the output (its temporary file, or the name itself when it is
    // written in place); false with a message naming the system's reason.
    bool Create(const std::string& path, std::string& error);
    // The open file; null when none is open.
    std::FILE* Stream() const { return file_; }
    // Writes bytes; false (the reason kept for Finish) when the file refused them.
    bool Write(const void* data, size_t size);
    // Finish, Publish and Keep: the file is under its name; false with a message.
    bool Commit(std::string& error);
    // Commit in steps, so that files written together appear together:
    // Finish flushes, syncs and closes (removing the temporary file on a
    // failure); Publish renames the finished file over the name, holding on to
    // the file it replaced until Keep drops it or TakeBack puts it back.
    bool Finish(std::string& error);
    bool Publish(std::string& error);
    void TakeBack();
    void Keep();
    // Closes and removes the temporary file.
    void Discard();
    // "" or, after a write failed, a message with the system's reason.
    std::string WriteError() const;


private:
    std::FILE* file_ = nullptr;
    std::string path_;    // as the user named it
    std::string target_;  // the file renamed over (a link's target)
    std::string temp_;
    std::string old_;     // a second name of the file that Publish replaced
    bool published_ = false;
    bool replaced_ = false;  // Publish put it over a file
    int slot_ = -1;       // the temporary's place in the list the signal handler removes
    int oldSlot_ = -1;
    int errno_ = 0;       // the first failed write's reason
};

// Writes a whole file through an OutputFile; false with a message.
bool WriteWholeFile(const std::string& path, const void* data, size_t size, std::string& error);

// A file named on the command line, with what it is to the program:
// {"--out", "o.prn"}, {"the job's ticket", "t.txt"}.
struct NamedFile {
    std::string role;
    std::string path;
};

// "" when output names none of the inputs nor the running program itself,
// else "<role> <path> is <input role> <path>: it would be overwritten". Two
// names are one file when they reach the same device and inode (or, for a
// file that does not exist yet, the same name in the same folder). A device,
// FIFO or socket is written in place and replaces nothing.
std::string RefuseOverwrite(const NamedFile& output, const std::vector<NamedFile>& inputs);

// True when both names reach one regular file, or one name yet to be created.
bool SameFile(const std::string& a, const std::string& b);

// Makes SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGALRM, SIGUSR1 and SIGUSR2 remove
// every temporary file of an uncommitted OutputFile, and every path kept by
// RemoveOnSignal, before the program ends. SIGXFSZ is ignored, and so is
// SIGPIPE unless endOnPipe (a lister whose reader went away ends, as
// `prndump FILE | head` expects; its temporaries are removed too): a write
// to a closed pipe or past a file-size limit then fails with the system's
// reason, which the program reports.
void RemoveTemporariesOnSignals(bool endOnPipe = false);

// Keeps a file or an empty folder for removal on those signals (in the
// order they were kept) until ForgetOnSignal; -1 when the list is full.
int RemoveOnSignal(const std::string& path);
void ForgetOnSignal(int slot);

}  // namespace toolfile
