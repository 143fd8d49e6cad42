// The programs the tests start, POSIX only (files *_posix_test.cpp and the
// tests the Windows build leaves out). The argument vector reaches the program
// as it is, with no shell between to split or expand it, so that a path of
// any letters (spaces, commas, quotes, letters outside ASCII) stays one
// argument. Standard output and error are captured together unless a test
// says otherwise; a started program that the test leaves running is killed
// and reaped when its object goes.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <utility>
#include <vector>

extern char** environ;

namespace testprogram {

// What one descriptor of the program leads to.
struct Stream {
    enum class Kind { kCaptured, kKept, kRead, kWrite, kAppend, kFullDevice, kClosed };
    Kind kind = Kind::kCaptured;
    std::string path;  // a path relative to the program's working folder starts there

    // Into the text the outcome gives (standard output and error by default).
    static Stream Captured() { return {}; }
    // As this process has it.
    static Stream Kept() { return {Kind::kKept, {}}; }
    static Stream Read(std::string path) { return {Kind::kRead, std::move(path)}; }
    // Created, or emptied first.
    static Stream Write(std::string path) { return {Kind::kWrite, std::move(path)}; }
    // Created, or written after what it holds.
    static Stream Append(std::string path) { return {Kind::kAppend, std::move(path)}; }
    // Every write fails as on a full disk.
    static Stream FullDevice() { return {Kind::kFullDevice, "/dev/full"}; }
    static Stream Closed() { return {Kind::kClosed, {}}; }
};

struct Command {
    // Not explicit: a command is written as its arguments.
    Command(std::vector<std::string> programAndArguments, std::string workingFolder = {},
            std::vector<std::string> variables = {})
        : arguments(std::move(programAndArguments)), folder(std::move(workingFolder)),
          environment(std::move(variables)) {}

    std::vector<std::string> arguments;  // the program's path first
    std::string folder;                  // its working folder; empty: this process's
    std::vector<std::string> environment;  // "NAME=value" over this process's environment
    // The descriptors the program starts with (one entry each: With replaces),
    // set up in this order once it is in its folder. Any other
    // descriptor (standard input) is this process's, unless it is closed on exec.
    std::vector<std::pair<int, Stream>> files = {{1, Stream::Captured()}, {2, Stream::Captured()}};
    // Runs in the child after the files, just before the program starts. The
    // test process may run threads: system calls only, on data made before
    // the start (no allocation, no lock).
    std::function<void()> setUp;

    Command& With(int descriptor, Stream stream) {
        for (auto& file : files) {
            if (file.first == descriptor) return file.second = std::move(stream), *this;
        }
        files.emplace_back(descriptor, std::move(stream));
        return *this;
    }
};

// How a program ended, and its own peak memory (not its siblings').
struct Outcome {
    int status = -1;     // exit status; -1 when a signal ended it or it could not be started
    int signal = 0;      // the signal that ended it
    std::string output;  // what it wrote to the captured descriptors
    long peakKilobytes = 0;  // resident
};

// The arguments as one line, for a test's messages.
inline std::string Shown(const std::vector<std::string>& arguments) {
    std::string line;
    for (const std::string& argument : arguments) line += (line.empty() ? "" : " ") + argument;
    return line;
}

// A started program.
class Process {
public:
    explicit Process(const Command& command) { Start(command); }
    ~Process() {
        if (pid_ > 0 && !ended_) {
            kill(pid_, SIGKILL);
            Reap(0);
        }
        if (captured_ >= 0) close(captured_);
    }
    Process(Process&& other) noexcept
        : pid_(std::exchange(other.pid_, -1)), captured_(std::exchange(other.captured_, -1)), ended_(other.ended_),
          status_(other.status_), usage_(other.usage_) {}
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;
    Process& operator=(Process&&) = delete;

    pid_t Id() const { return pid_; }
    bool Started() const { return pid_ > 0; }
    // True when the signal was sent.
    bool Signal(int signal) const { return pid_ > 0 && !ended_ && kill(pid_, signal) == 0; }

    // Waits for its end.
    Outcome Wait() {
        if (pid_ <= 0) return Outcome{-1, 0, "the program could not be started", 0};
        if (!ended_ && Reap(0) != 1) return Outcome{-1, 0, "the program's end was not seen", 0};
        Outcome outcome;
        if (WIFEXITED(status_)) outcome.status = WEXITSTATUS(status_);
        if (WIFSIGNALED(status_)) outcome.signal = WTERMSIG(status_);
        outcome.peakKilobytes = usage_.ru_maxrss;
        char buffer[65536];
        for (off_t at = 0; captured_ >= 0;) {
            const ssize_t got = pread(captured_, buffer, sizeof buffer, at);
            if (got < 0 && errno == EINTR) continue;
            if (got <= 0) break;
            outcome.output.append(buffer, static_cast<size_t>(got));
            at += got;
        }
        return outcome;
    }
    Outcome Stop(int signal) {
        Signal(signal);
        return Wait();
    }
    // True once it has ended (Wait then says how), without waiting.
    bool Ended() { return ended_ || Reap(WNOHANG) == 1; }
    // Stops it (SIGSTOP) until Resume; false when it ended first.
    bool Hold() { return Signal(SIGSTOP) && Reap(WUNTRACED) == 0; }
    void Resume() { Signal(SIGCONT); }

private:
    void Start(const Command& command) {
        if (command.arguments.empty()) return;
        // Everything the child uses is made here: after fork it only makes system calls.
        std::vector<char*> argv;
        for (const std::string& argument : command.arguments) argv.push_back(const_cast<char*>(argument.c_str()));
        argv.push_back(nullptr);
        const auto name = [](const std::string& variable) { return variable.substr(0, variable.find('=')); };
        std::vector<std::string> variables;
        for (char** e = environ; *e; ++e) {
            bool replaced = false;
            for (const std::string& given : command.environment) replaced = replaced || name(*e) == name(given);
            if (!replaced) variables.push_back(*e);
        }
        variables.insert(variables.end(), command.environment.begin(), command.environment.end());
        std::vector<char*> envp;
        for (const std::string& variable : variables) envp.push_back(const_cast<char*>(variable.c_str()));
        envp.push_back(nullptr);
        if ((captured_ = CaptureFile()) < 0) return;
        pid_ = fork();
        if (pid_ != 0) return;
        if (!command.folder.empty() && chdir(command.folder.c_str()) != 0) _exit(126);
        for (const auto& [descriptor, stream] : command.files) {
            if (!SetUpFile(descriptor, stream)) _exit(126);
        }
        if (command.setUp) command.setUp();
        execve(argv[0], argv.data(), envp.data());
        _exit(127);
    }

    // An unnamed file of this process (closed at the program's start) for the captured text.
    static int CaptureFile() {
        std::string path = (std::filesystem::temp_directory_path() / "kelmora-output-XXXXXX").string();
        const int fd = mkostemp(&path[0], O_CLOEXEC);
        if (fd >= 0) unlink(path.c_str());
        return fd;
    }

    // In the child: descriptor leads where stream says.
    bool SetUpFile(int descriptor, const Stream& stream) const {
        using Kind = Stream::Kind;
        if (stream.kind == Kind::kKept) return true;
        if (stream.kind == Kind::kClosed) return close(descriptor) == 0 || errno == EBADF;
        if (stream.kind == Kind::kCaptured) return dup2(captured_, descriptor) == descriptor;
        const int flags = stream.kind == Kind::kRead     ? O_RDONLY
                          : stream.kind == Kind::kWrite  ? O_WRONLY | O_CREAT | O_TRUNC
                          : stream.kind == Kind::kAppend ? O_WRONLY | O_CREAT | O_APPEND
                                                         : O_WRONLY;
        const int fd = open(stream.path.c_str(), flags | O_CLOEXEC, 0600);
        if (fd < 0) return false;
        if (fd == descriptor) return fcntl(fd, F_SETFD, 0) == 0;
        const bool moved = dup2(fd, descriptor) == descriptor;
        close(fd);
        return moved;
    }

    // Takes in the child's end: 1 when it ended, 0 when it has not (or,
    // with WUNTRACED, it stopped), -1 when the wait failed.
    int Reap(int options) {
        int status = 0;
        rusage usage{};
        pid_t got;
        do {
            got = wait4(pid_, &status, options, &usage);
        } while (got < 0 && errno == EINTR);
        if (got < 0) return -1;
        if (got != pid_ || WIFSTOPPED(status)) return 0;
        ended_ = true;
        status_ = status;
        usage_ = usage;
        return 1;
    }

    pid_t pid_ = -1;
    int captured_ = -1;
    bool ended_ = false;
    int status_ = 0;
    rusage usage_{};
};

// Starts the program and waits for its end.
inline Outcome Run(const Command& command) { return Process(command).Wait(); }

}  // namespace testprogram
