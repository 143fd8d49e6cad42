#include "private_log.h"

#ifdef PRNHOST_HAVE_COLLECTOR
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <thread>
#include <vector>

#include "log_collector.h"
#include "output_file.h"
#include "platform/named_pipe.h"
#endif

namespace prnhost {

#ifdef PRNHOST_HAVE_COLLECTOR
namespace {

// True when a log collector takes clients on the pipe folder's control pipe.
bool CollectorRuns() {
    platform::PipeClient probe;
    const platform::PipeStatus status =
        platform::PipeClient::Open(std::string("\\\\.\\pipe\\") + LogCollector::kControlPipe, &probe);
    return status == platform::PipeStatus::Ok || status == platform::PipeStatus::Busy;
}

// "date time,sequence,level,thread,module,computer,message": the level,
// module and message of one line; false for a line of another shape.
bool SplitLine(const std::string& line, int& level, std::string& module, std::string& message) {
    size_t start = 0;
    std::string fields[6];
    for (std::string& field : fields) {
        const size_t comma = line.find(',', start);
        if (comma == std::string::npos) return false;
        field = line.substr(start, comma - start);
        start = comma + 1;
    }
    char* end = nullptr;
    level = static_cast<int>(std::strtol(fields[2].c_str(), &end, 10));
    if (fields[2].empty() || *end) return false;
    module = fields[4];
    message = line.substr(start);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r')) message.pop_back();
    return true;
}

// Six letters or digits for a folder name, as mkdtemp chooses them.
std::string RandomLetters() {
    static const char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    static std::mt19937_64 engine = [] {
        uint64_t seed = uint64_t(std::chrono::steady_clock::now().time_since_epoch().count()) ^ uint64_t(getpid());
        try {
            seed ^= uint64_t(std::random_device()()) << 32;
        } catch (const std::exception&) {
            // the clock and the process id alone
        }
        return std::mt19937_64(seed);
    }();
    std::string letters;
    for (int i = 0; i < 6; ++i) letters += kLetters[engine() % (sizeof kLetters - 1)];
    return letters;
}

}  // namespace

struct PrivateLog::State {
    std::string folder;
    std::string oldPipeFolder;
    bool hadPipeFolder = false;
    std::FILE* lines = nullptr;
    std::unique_ptr<LogCollector> collector;
    std::thread thread;
    std::vector<int> kept;  // what a signal removes: the pipes, then the folder

    // Puts the folder's pipes (each under its staging name and its own: the
    // control pipe, then the plug-in's log "Server") and the folder itself on
    // the signal handler's list, before any of them is made.
    void KeepForSignal(const std::string& name) {
        for (const std::string& pipe : {LogCollector::StagingName(0), std::string(LogCollector::kControlPipe),
                                        LogCollector::StagingName(1), std::string("Server.log")}) {
            kept.push_back(toolfile::RemoveOnSignal(name + "/" + pipe));
        }
        kept.push_back(toolfile::RemoveOnSignal(name));
    }
    void ForgetForSignal() {
        for (int slot : kept) toolfile::ForgetOnSignal(slot);
        kept.clear();
    }
    void Stop() {
        if (thread.joinable()) {
            collector->Stop();
            thread.join();
        }
    }
    ~State() {
        Stop();
        collector.reset();  // removes its pipes
        if (hadPipeFolder) {
            setenv("KELMORA_PIPE_DIR", oldPipeFolder.c_str(), 1);
        } else {
            unsetenv("KELMORA_PIPE_DIR");
        }
        std::error_code ignored;
        if (!folder.empty()) std::filesystem::remove_all(folder, ignored);
        ForgetForSignal();  // only once they are gone
        if (lines) std::fclose(lines);
    }
};

PrivateLog::PrivateLog() = default;
PrivateLog::~PrivateLog() = default;

bool PrivateLog::Start() {
    if (state_ || CollectorRuns()) return false;
    const char* temp = std::getenv("TMPDIR");
    const std::string prefix = std::string(temp && *temp ? temp : "/tmp") + "/prnhost-log-";
    auto state = std::make_unique<State>();
    const char* old = std::getenv("KELMORA_PIPE_DIR");
    state->hadPipeFolder = old != nullptr;
    if (old) state->oldPipeFolder = old;
    // A signal at any moment of the set-up leaves nothing behind: what it
    // makes is on the handler's list before it is made.
    for (int attempt = 0; attempt < 100 && state->folder.empty(); ++attempt) {
        const std::string name = prefix + RandomLetters();
        // Held until the name is known to be ours: a signal meanwhile never
        // removes another run's folder of the same name.
        const toolfile::HeldSignals held;
        state->KeepForSignal(name);
        if (mkdir(name.c_str(), 0700) == 0) {
            state->folder = name;
        } else {
            const int reason = errno;
            state->ForgetForSignal();
            if (reason != EEXIST) return false;
        }
    }
    if (state->folder.empty()) return false;
    state->lines = std::tmpfile();
    if (!state->lines) return false;
    state->collector = std::make_unique<LogCollector>(state->lines);
    std::string error;
    if (!state->collector->Listen(state->folder, &error)) return false;
    setenv("KELMORA_PIPE_DIR", state->folder.c_str(), 1);
    LogCollector* collector = state->collector.get();
    state->thread = std::thread([collector] { collector->Run(); });
    state_ = std::move(state);
    return true;
}

void PrivateLog::StopAndPrint(int maxLevel) {
    if (!state_) return;
    state_->Stop();
    std::FILE* lines = state_->lines;
    std::fflush(lines);
    std::rewind(lines);
    std::string line;
    for (int c; (c = std::fgetc(lines)) != EOF;) {
        line.push_back(static_cast<char>(c));
        if (c != '\n') continue;
        int level = 0;
        std::string module, message;
        if (SplitLine(line, level, module, message) && level <= maxLevel) {
            std::fprintf(stderr, "prnhost: log: %d: %s: %s\n", level, module.c_str(), message.c_str());
        }
        line.clear();
    }
    state_.reset();
}

#else
// No log collector on this platform: the plug-in's log goes where it goes.
struct PrivateLog::State {};
PrivateLog::PrivateLog() = default;
PrivateLog::~PrivateLog() = default;
bool PrivateLog::Start() { return false; }
void PrivateLog::StopAndPrint(int) {}
#endif

}  // namespace prnhost
