// The tools' output files. A file appears under its name only once it is
// complete: it is written to a temporary file created exclusively beside it,
// synced, and renamed over the name when the writer commits, all through
// platform::FileReplacement (so a file that a new one cannot stand in for,
// one with a second hard link, an ACL or another owner, is refused, also
// when it becomes one while the output is written, and a file that changed
// meanwhile is not replaced; one that a run which may still go on keeps
// under a second name is refused naming that name); the
// temporary file is removed when the writer discards it, is destroyed, or the
// program ends on one of the signals of RemoveTemporariesOnSignals. The
// decision is taken on the opened file: a name that is (or leads to) a
// device, a FIFO or the program's standard output is written in place; a
// symbolic link keeps its name, the file it leads to is replaced.
//
// An output never replaces a file the program reads: RefuseOverwrite names
// the input it would replace, compared as files (device and inode), not as
// names.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "platform/files.h"

namespace toolfile {

class OutputFile {
public:
    OutputFile() = default;
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Opens the output (its temporary file, or the name itself when it is
    // written in place); false with a message naming the reason.
    bool Create(const std::string& path, std::string& error);
    // The name as the caller gave it.
    const std::string& Path() const { return path_; }
    // The open file; null when none is open.
    std::FILE* Stream() const { return file_; }
    // Writes bytes; false (the reason kept for Finish) when the file refused them.
    bool Write(const void* data, size_t size);
    // Finish, Publish and Keep: the file is under its name; false with a message.
    bool Commit(std::string& error);
    // Commit in steps, so that files written together appear together (see
    // PublishTogether): Finish flushes, syncs and closes (removing the
    // temporary file on a failure); KeepReplaced keeps the file that Publish
    // will replace; Publish renames the finished file over the name; TakeBack
    // puts the replaced file back, Keep drops it.
    bool Finish(std::string& error);
    bool KeepReplaced(std::string& error);
    bool Publish(std::string& error);
    // False with a message when the old file could not be put back (or the
    // new one removed); the message names the file that holds the old bytes,
    // and that file stays (neither Keep nor the destructor removes it). A
    // file saved under the name after Publish is no file of this run's: it
    // stays.
    bool TakeBack(std::string& error);
    void Keep();
    // Whether Publish renames a file over the name (not written in place,
    // not discarded).
    bool Replaces() const;
    // The second names of the file that runs killed while they replaced it
    // had left, and that Create or Publish removed (see FileReplacement).
    const std::vector<platform::RemovedLeftover>& RemovedLeftovers() const {
        return replacement_.RemovedLeftovers();
    }
    // Closes and removes the temporary file.
    void Discard();
    // "" or, after a write failed, a message with the system's reason.
    std::string WriteError() const;

private:
    std::FILE* file_ = nullptr;
    platform::FileReplacement replacement_;
    bool inPlace_ = false;
    std::string path_;  // as the user named it
    int slot_ = -1;     // the temporary's place in the list the signal handler removes
    int errno_ = 0;     // the first failed write's reason
};

// Puts finished output files under their names all together or not at all:
// each is finished, the files they replace are kept (all but the one renamed
// last, which nothing takes back), and only then renamed over, one after
// another, with the signals of RemoveTemporariesOnSignals held back from the
// first rename to the last; when one cannot be put in place, those already
// renamed are taken back. False with a message: "cannot keep the old <name>
// while the outputs are put in place: <reason>" when a file to be replaced
// could not be kept.
bool PublishTogether(const std::vector<OutputFile*>& files, std::string& error);

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

// Opens the null device on each of the standard descriptors (0, 1, 2) that
// is closed, so that no file of the program takes its number; a program that
// writes outputs calls it first. Standard output gets it for reading only:
// what the program prints there still fails ("Bad file descriptor"), and an
// output that names standard output while it was closed is refused
// ("standard output is closed").
void OpenClosedStandardFiles();

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

// Holds those signals back while it lives (one at a time), then ends the
// program on the one that came meanwhile: what is made and put on the list,
// or taken off it, in that time is removed or kept as the list says after.
class HeldSignals {
public:
    HeldSignals();
    ~HeldSignals();
    HeldSignals(const HeldSignals&) = delete;
    HeldSignals& operator=(const HeldSignals&) = delete;
};

}  // namespace toolfile
