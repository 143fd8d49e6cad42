#include "services/logger.h"

#include "platform/system.h"
#include "base/format.h"

namespace {

constexpr const char* kCollectorPipe = "ZorAvudurad";
constexpr unsigned kHandshakeWaitMs = 20;

std::string MachineName() {
    std::string name = "ThisComputer";
    platform::GetComputerName(&name);
    return name;
}

}  // namespace

CLogger::CLogger() : m_strComputerName(MachineName()) {}

CLogger::CLogger(std::string computerName) : m_strComputerName(std::move(computerName)) {}

void CLogger::Open(unsigned maxLevel, const char* module, const char* pipeName, const char* server) {
    if (!module || !pipeName || !server) return;
    std::lock_guard<std::mutex> hold(m_Lock);
    if (m_bOpened) return;
    m_strModule = module;
    m_iMaxLevel = static_cast<int>(maxLevel);
    m_strServer = server;
    m_strPipeName = pipeName;
    m_strLogPipePath = StringF("\\\\%s\\pipe\\%s.log", server, pipeName);
    m_Pipe.SetPipePath(m_strLogPipePath);
    CreateLog();
    m_bOpened = true;
}

void CLogger::CreateLog() {
    CClientPipeInstance collector(StringF("\\\\%s\\pipe\\%s", m_strServer.c_str(), kCollectorPipe));
    collector.Write("createlog," + m_strPipeName);
    platform::SleepMs(kHandshakeWaitMs);
}

bool CLogger::IsEnabled(int level) { return level / 1000 <= m_iMaxLevel.load(); }

int CLogger::GetLevel() { return m_iMaxLevel.load(); }

void CLogger::SetLevel(int level) { m_iMaxLevel = level; }

unsigned CLogger::GetRetriesLeft() {
    std::lock_guard<std::mutex> hold(m_Lock);
    return m_uRetriesLeft;
}

void CLogger::LogV(int level, const char* format, va_list args) {
    if (!format || !IsEnabled(level)) return;
    WriteLine(m_strModule.c_str(), level, format, args);
}

void CLogger::Log(int level, const char* format, ...) {
    va_list args;
    va_start(args, format);
    LogV(level, format, args);
    va_end(args);
}

void CLogger::LogModuleV(const char* module, int level, const char* format, va_list args) {
    if (!module || !format) return;
    WriteLine(module, level, format, args);
}

void CLogger::WriteLine(const char* module, int level, const char* format, va_list args) {
    if (!m_bOpened || !module || !format) return;
    platform::SleepMs(1);
    // The caller's message is formatted on its own, so that a '%' in the
    // module or computer name stays a '%'.
    std::string message;
    FormatStringV(message, format, args);

    std::lock_guard<std::mutex> hold(m_Lock);
    const platform::LocalTime t = platform::GetLocalTime();
    std::string line = StringF("%02d/%02d/%04d %02d:%02d:%02d.%03d,%u,%u,%d,", t.day, t.month, t.year, t.hour,
                               t.minute, t.second, t.millisecond, m_uSequence++, static_cast<unsigned>(level),
                               static_cast<int>(platform::CurrentThreadId()));
    line += module;
    line += ',';
    line += m_strComputerName;
    line += ',';
    line += message;
    line += "\r\n";
    while (m_uRetriesLeft > 0) {
        if (m_Pipe.Write(line)) {
            m_uRetriesLeft = kMaxRetries;
            return;
        }
        --m_uRetriesLeft;
        CreateLog();
    }
}
