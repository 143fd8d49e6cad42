// prnhost's own log collector: when no log collector serves the pipe folder,
// prnhost serves a private pipe folder of its process for the length of the
// job, so that it can show the plug-in's log lines that say why a job failed.
#pragma once

#include <memory>
#include <string>

namespace prnhost {

class PrivateLog {
public:
    PrivateLog();
    // Stops the collector and removes its pipe folder.
    ~PrivateLog();
    PrivateLog(const PrivateLog&) = delete;
    PrivateLog& operator=(const PrivateLog&) = delete;

    // Starts the collector unless one already serves the pipe folder (whose
    // lines stay there) or the platform has none; the plug-in's log then goes
    // to the private folder (KELMORA_PIPE_DIR). False when it did not start.
    bool Start();
    // Stops the collector and prints the lines of level maxLevel or lower
    // (0 errors, 1000 warnings, 2000 information, 3000 detail) to standard
    // error, as "prnhost: log: <level>: <module>: <message>".
    void StopAndPrint(int maxLevel);

private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace prnhost
