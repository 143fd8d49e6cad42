// The plug-in context that the host holds between calls: it owns the pipe
// logger that every job of the context logs through.
#pragma once

#include <cstdarg>
#include <string>

#include "host/host_records.h"
#include "base/log_interface.h"
#include "services/logger.h"

class PLUGINCONTEXT : public clLogFullInterface {
public:
    PLUGINCONTEXT() = default;
    ~PLUGINCONTEXT() override = default;
    PLUGINCONTEXT(const PLUGINCONTEXT&) = delete;
    PLUGINCONTEXT& operator=(const PLUGINCONTEXT&) = delete;

    // Each forwards to the embedded logger while the context's logging is
    // enabled; with it off they do nothing, IsEnabled gives false and
    // GetLevel 0.
    void LogV(int level, const char* format, va_list args) override;
    void Log(int level, const char* format, ...) override KELMORA_PRINTF(3, 4);
    bool IsEnabled(int level) override;
    int GetLevel() override;
    void SetLevel(int level) override;
    void LogModuleV(const char* module, int level, const char* format, va_list args) override;
    void LogModule(const char* module, int level, const char* format, ...) KELMORA_PRINTF(4, 5);

    // Starts the logger for a job (firstJob set: always) or for a
    // printer-information call (only when the module is named in the
    // ticket's "Debug/Plugins/Output/LogModule" list), then sets its level
    // from the ticket. Once on, the logger stays on; later calls only set the
    // level again.
    void InitLogger(const Ticket* ticket, bool firstJob);

    // The logger that the context's jobs log through.
    CLogger& Logger() { return m_Logger; }
    bool LoggingEnabled() const { return m_bEnabled != 0; }

private:
    CLogger m_Logger;
    uint8_t m_bEnabled = 0;
};

// The base name of a module file without its extension: the text after the
// last '/' (or, when there is none, the last '\\'), cut at its last '.'.
std::string ModuleBaseName(const std::string& path);
