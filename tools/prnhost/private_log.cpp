#include "private_log.h"

#ifdef PRNHOST_HAVE_COLLECTOR
#include <cstdio>
#include <cstdlib>
#include <filesystem>
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

}  // namespace

struct PrivateLog::State {
    std::string folder;
    std::string oldPipeFolder;
    bool hadPipeFolder = false;
    std::FILE* lines = nullptr;
    std::unique_ptr<LogCollector> collector;
    std::thread thread;
    std::vector<int> kept;  // what a signal removes: the pipes, then the folder

    void Stop() {
        if (thread.joinable()) {
            collector->Stop();
            thread.join();
        }
    }
    ~State() {
        for (int slot : kept) toolfile::ForgetOnSignal(slot);
        Stop();
        collector.reset();  // removes its pipes
        if (hadPipeFolder) {
            setenv("KELMORA_PIPE_DIR", oldPipeFolder.c_str(), 1);
        } else {
            unsetenv("KELMORA_PIPE_DIR");
        }
        std::error_code ignored;
        if (!folder.empty()) std::filesystem::remove_all(folder, ignored);
        if (lines) std::fclose(lines);
    }
};

PrivateLog::PrivateLog() = default;
PrivateLog::~PrivateLog() = default;

bool PrivateLog::Start() {
    if (state_ || CollectorRuns()) return false;
    const char* temp = std::getenv("TMPDIR");
    std::string pattern = std::string(temp && *temp ? temp : "/tmp") + "/prnhost-log-XXXXXX";
    if (!mkdtemp(pattern.data())) return false;
    auto state = std::make_unique<State>();
    state->folder = pattern;
    const char* old = std::getenv("KELMORA_PIPE_DIR");
    state->hadPipeFolder = old != nullptr;
    if (old) state->oldPipeFolder = old;
    state->lines = std::tmpfile();
    if (!state->lines) return false;
    state->collector = std::make_unique<LogCollector>(state->lines);
    std::string error;
    if (!state->collector->Listen(state->folder, &error)) return false;
    // The plug-in's pipes (its log is "Server"), then the folder.
    for (const char* name : {LogCollector::kControlPipe, "Server.log", ""}) {
        state->kept.push_back(toolfile::RemoveOnSignal(*name ? state->folder + "/" + name : state->folder));
    }
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
