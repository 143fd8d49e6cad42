// The pipe logger: formats each message as one text line and sends it to the
// log collector's pipe on the same machine.
//
// Line format (CR LF ended):
//   dd/mm/yyyy hh:mm:ss.mmm,<sequence>,<level>,<thread id>,<module>,<computer>,<message>
// Open runs the handshake: "createlog,<pipe name>" to the collector's pipe
// "ZorAvudurad"; lines then go to the pipe "<pipe name>.log". A line that
// cannot be written is retried after a new handshake; ten failures in a row
// silence the logger for good.
//
// Worker threads share the plug-in context's logger: lines and counters are
// written under one lock.
#pragma once

#include <atomic>
#include <cstdarg>
#include <mutex>
#include <string>

#include "base/log_interface.h"
#include "services/pipe_client.h"

class CLogger : public clLogAdministrativeInterface {
public:
    // The computer name comes from the platform, "ThisComputer" when it cannot be read.
    CLogger();
    explicit CLogger(std::string computerName);
    ~CLogger() override = default;
    CLogger(const CLogger&) = delete;
    CLogger& operator=(const CLogger&) = delete;

    void LogV(int level, const char* format, va_list args) override;
    void Log(int level, const char* format, ...) override KELMORA_PRINTF(3, 4);
    bool IsEnabled(int level) override;
    int GetLevel() override;
    void SetLevel(int level) override;
    void LogModuleV(const char* module, int level, const char* format, va_list args) override;

    // Works once, and only with all three texts given.
    void Open(unsigned maxLevel, const char* module, const char* pipeName, const char* server) override;

    bool IsOpen() const { return m_bOpened.load(); }
    // Write attempts left before the logger falls silent (10 after every success).
    unsigned GetRetriesLeft();

    static constexpr unsigned kMaxRetries = 10;

private:
    void CreateLog();
    void WriteLine(const char* module, int level, const char* format, va_list args);

    std::mutex m_Lock;  // guards everything below but the level and the open flag
    unsigned m_uSequence = 0;
    std::atomic<int> m_iMaxLevel{0};
    unsigned m_uRetriesLeft = kMaxRetries;
    std::atomic<bool> m_bOpened{false};
    std::string m_strModule;
    std::string m_strServer;
    std::string m_strComputerName;
    std::string m_strPipeName;
    std::string m_strLogPipePath;
    CClientPipeInstance m_Pipe;
};
