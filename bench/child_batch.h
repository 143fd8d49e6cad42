// Copies of a job run at once, each in a child process of its own, started
// together once every child is set up; each child's result comes back
// through a pipe of its own. The parent counts only the children it started
// and waits on each child's own pipe, so that a child that never started, or
// ended before it was set up, never keeps the parent waiting.
#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstddef>
#include <string>
#include <type_traits>
#include <vector>

namespace bench {

// A child's side of the common start: it says it is set up, then waits for
// the word to go.
struct StartPipe {
    int ready = -1;  // the child's own pipe to the parent
    int go = -1;     // shared by every child of the batch
    bool said = false;

    // True when the job may start: the parent said go (or there is no pipe).
    bool ReadyAndWait() {
        if (ready < 0) return true;
        said = true;
        char byte = 1;
        return write(ready, &byte, 1) == 1 && read(go, &byte, 1) == 1;
    }
};

template <class Result>
struct Batch {
    std::vector<Result> results;  // each child's, in order; all Result{} unless every child started
    double seconds = 0;           // from the start to the last result
};

namespace detail {

// Reads size bytes; false when the pipe ends first.
inline bool ReadWhole(int fd, void* data, size_t size) {
    for (size_t done = 0; done < size;) {
        const ssize_t got = read(fd, static_cast<char*>(data) + done, size - done);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return false;
        done += static_cast<size_t>(got);
    }
    return true;
}

}  // namespace detail

// Runs job(index, start) in `count` child processes at once; the job calls
// start.ReadyAndWait() once it is set up and starts only when that is true.
// Result is sent back whole (trivially copyable), Result{} meaning a failed
// job; a child that could not be started or that ended before it said it was
// set up fails the whole batch.
template <class Result, class Job>
Batch<Result> RunBatchInChildren(int count, Job job) {
    static_assert(std::is_trivially_copyable_v<Result>, "a result crosses a pipe");
    Batch<Result> batch;
    batch.results.assign(static_cast<size_t>(count), Result{});
    int go[2] = {-1, -1};
    if (pipe(go) != 0) return batch;
    struct Child {
        pid_t pid = -1;
        int from = -1;  // its pipe: a byte when it is set up, then its result
    };
    std::vector<Child> children;
    for (int index = 0; index < count; ++index) {
        int fds[2] = {-1, -1};
        if (pipe(fds) != 0) break;
        const pid_t pid = fork();
        if (pid == 0) {
            // Only this child's own pipe and the reading end of the word to go.
            close(fds[0]);
            close(go[1]);
            for (const Child& earlier : children) close(earlier.from);
            StartPipe start{fds[1], go[0]};
            const Result result = job(index, start);
            char byte = 1;  // a job that failed before its start still says it is set up
            if (!start.said && write(fds[1], &byte, 1) != 1) _exit(1);
            _exit(write(fds[1], &result, sizeof result) == ssize_t(sizeof result) ? 0 : 1);
        }
        close(fds[1]);
        if (pid < 0) {
            close(fds[0]);
            break;
        }
        children.push_back({pid, fds[0]});
    }
    // Each started child is set up or has ended: a read on its own pipe
    // returns either way.
    size_t ready = 0;
    for (const Child& child : children) {
        char byte = 0;
        if (detail::ReadWhole(child.from, &byte, 1)) ++ready;
    }
    const auto begin = std::chrono::steady_clock::now();
    // The parent keeps the reading end open while it writes: a batch whose
    // children have all ended gets no SIGPIPE.
    const std::string word(children.size(), '\1');
    const bool said = write(go[1], word.data(), word.size()) == ssize_t(word.size());
    close(go[1]);
    close(go[0]);
    for (size_t i = 0; i < children.size(); ++i) {
        Result result{};
        if (detail::ReadWhole(children[i].from, &result, sizeof result)) batch.results[i] = result;
    }
    batch.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
    for (const Child& child : children) {
        close(child.from);
        int status = 0;
        while (waitpid(child.pid, &status, 0) < 0 && errno == EINTR) {
        }
    }
    if (ready < static_cast<size_t>(count) || !said) batch.results.assign(static_cast<size_t>(count), Result{});
    return batch;
}

}  // namespace bench
