#include "plugin/plugin_context.h"

#include "platform/module.h"
#include "host/job_ticket.h"
#include "host/ticket.h"

namespace {

constexpr const char* kLogModuleKey = "Debug/Plugins/Output/LogModule";
constexpr const char* kLogLevelKey = "Debug/Plugins/Output/LogLevel";
constexpr const char* kDebugLevelKey = "Debug/Level";

}  // namespace

std::string ModuleBaseName(const std::string& path) {
    size_t cut = path.rfind('/');
    if (cut == std::string::npos) cut = path.rfind('\\');
    std::string name = cut == std::string::npos ? path : path.substr(cut + 1);
    const size_t dot = name.rfind('.');
    if (dot != std::string::npos) name.erase(dot);
    return name;
}

void PLUGINCONTEXT::LogV(int level, const char* format, va_list args) {
    if (m_bEnabled) m_Logger.LogV(level, format, args);
}

void PLUGINCONTEXT::Log(int level, const char* format, ...) {
    if (!m_bEnabled) return;
    va_list args;
    va_start(args, format);
    m_Logger.LogV(level, format, args);
    va_end(args);
}

bool PLUGINCONTEXT::IsEnabled(int level) { return m_bEnabled && m_Logger.IsEnabled(level); }

int PLUGINCONTEXT::GetLevel() { return m_bEnabled ? m_Logger.GetLevel() : 0; }

void PLUGINCONTEXT::SetLevel(int level) {
    if (m_bEnabled) m_Logger.SetLevel(level);
}

void PLUGINCONTEXT::LogModuleV(const char* module, int level, const char* format, va_list args) {
    if (m_bEnabled) m_Logger.LogModuleV(module, level, format, args);
}

void PLUGINCONTEXT::LogModule(const char* module, int level, const char* format, ...) {
    if (!m_bEnabled) return;
    va_list args;
    va_start(args, format);
    m_Logger.LogModuleV(module, level, format, args);
    va_end(args);
}

void PLUGINCONTEXT::InitLogger(const Ticket* ticket, bool firstJob) {
    int32_t index = 0;
    if (!m_bEnabled) {
        const std::string module = ModuleBaseName(platform::PluginModuleFileName());
        if (!firstJob) {
            if (!ticket) return;
            index = FindTicketStringIndex(ticket, TICKET_SCOPE_SYSTEM, 0, kLogModuleKey, module);
            if (index < 0) return;  // the logger stays off
        }
        m_Logger.Open(3, module.c_str(), "Server", ".");
        m_Logger.SetLevel(3);
        m_Logger.Log(LOG_DETAIL, "Initialize (%s)", firstJob ? "First Job" : "GetOutputInfo");
        m_bEnabled = 1;
    }
    if (!ticket) return;
    // An absent value reads as -1, like a negative one.
    int32_t level = GetTicketIntAt(ticket, TICKET_SCOPE_SYSTEM, 0, kLogLevelKey, index, -1);
    if (level < 0) level = GetTicketInt(ticket, TICKET_SCOPE_SYSTEM, 0, kDebugLevelKey, -1);
    m_Logger.SetLevel(level >= 0 ? level : 1);
}
