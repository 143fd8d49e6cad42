// The ILogger that the halftoner and the cut drivers log through, forwarding
// to the job's logger (its m_pLogger, looked up on every call). Without a job
// or a job logger nothing is written, IsEnabled is false and GetLevel 0.
#pragma once

#include <string>

#include "base/log_interface.h"

template <typename Job>
class JobLoggerAdapter : public ILogger {
public:
    explicit JobLoggerAdapter(Job* job) : m_pJob(job) {}

    void Log(int level, const char* text) override {
        if (clLogFullInterface* logger = GetLogger(); logger && text) logger->Log(level, "%s", text);
    }
    int GetLevel() override {
        clLogFullInterface* logger = GetLogger();
        return logger ? logger->GetLevel() : 0;
    }
    void SetLevel(int level) override {
        if (clLogFullInterface* logger = GetLogger()) logger->SetLevel(level);
    }
    bool IsEnabled(int level) override {
        clLogFullInterface* logger = GetLogger();
        return logger && logger->IsEnabled(level);
    }
    clLogFullInterface* GetLogger() override { return m_pJob ? m_pJob->m_pLogger : nullptr; }
    void LogError(const char* text) override { Log(LOG_ERROR, text); }
    void LogWarning(const char* text) override { Log(LOG_WARNING, text); }
    void LogInfo(const char* text) override { Log(LOG_INFO, text); }
    void LogTraceString(std::string text) override { LogTrace(text.c_str()); }
    void LogTrace(const char* text) override { Log(LOG_DETAIL, text); }
    void LogDebug(const char* text) override { Log(LOG_DEBUG, text); }

private:
    Job* m_pJob;
};

// Over the job object; its members are instantiated where CVarnPrn is complete.
class CVarnPrn;
using CVarnPrn2ILoggerAdapter = JobLoggerAdapter<CVarnPrn>;
