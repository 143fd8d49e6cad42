// The log collector behind the plug-in's pipe logger (POSIX). It listens on
// the pipe "ZorAvudurad" in a pipe folder; a client that sends
// "createlog,<name>" makes it serve the pipe "<name>.log", and every byte that
// arrives there is written unchanged to the output, flushed line by line.
// Lines from different clients are never interleaved.
#pragma once

#include <atomic>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class LogCollector {
public:
    // out receives the log bytes; it is not owned. onWriteFailure, when
    // given, hears the system's reason of every write or flush of out that
    // fails (the bytes of that write may be lost).
    explicit LogCollector(std::FILE* out, std::function<void(int reason)> onWriteFailure = {});
    // Closes every connection and removes the pipes it created.
    ~LogCollector();
    LogCollector(const LogCollector&) = delete;
    LogCollector& operator=(const LogCollector&) = delete;

    // Creates the folder when it is missing and starts listening there. False
    // with a message when the folder or the pipe cannot be set up, or another
    // collector already serves that folder.
    bool Listen(const std::string& folder, std::string* error);

    // Serves clients until Stop, then takes in whatever clients had sent by then.
    void Run();
    // Safe from any thread and from a signal handler.
    void Stop();

    // "createlog" requests served so far.
    int CreatelogCount() const { return m_createlogs.load(); }

    static constexpr const char* kControlPipe = "ZorAvudurad";

    // The name in the pipe folder under which this process sets up the n-th
    // pipe a collector creates (0 for the control pipe of Listen, then one
    // for each "createlog" served) before moving it into place: a program
    // that removes the pipes on a signal keeps these names too.
    static std::string StagingName(unsigned n);

private:
    struct Listener {
        int fd;
        std::string path;
        bool control;
    };
    struct Client {
        int fd;
        bool control;
        std::string pending;
    };

    bool AddListener(const std::string& name, bool control, std::string* error);
    // Accepts every waiting client and reads what every client has sent.
    void ServeReady();
    void AcceptAll(const Listener& listener);
    // False when the client is finished and must be closed.
    bool ReadClient(Client& client);
    void FinishClient(Client& client);
    void HandleControl(const std::string& message);
    void EmitLines(std::string& pending, bool all);
    // Writes bytes to the output and flushes them.
    void Emit(const char* bytes, size_t size);

    std::FILE* m_out;
    std::function<void(int reason)> m_onWriteFailure;
    std::string m_folder;
    std::vector<Listener> m_listeners;
    std::vector<Client> m_clients;
    int m_wake[2] = {-1, -1};
    std::atomic<int> m_createlogs{0};
    unsigned m_tempCounter = 0;
};
