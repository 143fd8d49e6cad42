// Logging interfaces. Levels: 0 error, 1000 warning, 2000 information,
// 3000 detail, 4000 debug; a logger with maximum level m writes a message of
// level L when L / 1000 is at most m.
#pragma once

#include <cstdarg>
#include <string>

#include "base/format.h"

enum LogLevel : int {
    LOG_ERROR = 0,
    LOG_WARNING = 1000,
    LOG_INFO = 2000,
    LOG_DETAIL = 3000,
    LOG_DEBUG = 4000,
};

class clLogInterface {
public:
    virtual ~clLogInterface() = default;
};

class clLogSimpleInterface : public clLogInterface {};

// What the job object and every subsystem log through.
class clLogFullInterface : public clLogSimpleInterface {
public:
    virtual void LogV(int level, const char* format, va_list args) = 0;
    virtual void Log(int level, const char* format, ...) KELMORA_PRINTF(3, 4) = 0;
    virtual bool IsEnabled(int level) = 0;
    virtual int GetLevel() = 0;
    virtual void SetLevel(int level) = 0;
    virtual void LogModuleV(const char* module, int level, const char* format, va_list args) = 0;
};

class clLogAdministrativeInterface : public clLogFullInterface {
public:
    virtual void Open(unsigned maxLevel, const char* module, const char* pipeName, const char* server) = 0;
};

// The logging interface of the halftoner and the cut drivers.
class ILogger {
public:
    virtual ~ILogger() = default;
    virtual void Log(int level, const char* text) = 0;
    virtual int GetLevel() = 0;
    virtual void SetLevel(int level) = 0;
    virtual bool IsEnabled(int level) = 0;
    virtual clLogFullInterface* GetLogger() = 0;
    virtual void LogError(const char* text) = 0;
    virtual void LogWarning(const char* text) = 0;
    virtual void LogInfo(const char* text) = 0;
    virtual void LogTraceString(std::string text) = 0;
    virtual void LogTrace(const char* text) = 0;
    virtual void LogDebug(const char* text) = 0;
};
