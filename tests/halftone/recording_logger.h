// An ILogger that keeps every line, for tests that check log texts.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "base/log_interface.h"

class RecordingLogger : public ILogger {
public:
    struct Line {
        int level;
        std::string text;
    };

    void Log(int level, const char* text) override { lines.push_back({level, text ? text : ""}); }
    int GetLevel() override { return 4; }
    void SetLevel(int) override {}
    bool IsEnabled(int) override { return true; }
    clLogFullInterface* GetLogger() override { return nullptr; }
    void LogError(const char* text) override { Log(LOG_ERROR, text); }
    void LogWarning(const char* text) override { Log(LOG_WARNING, text); }
    void LogInfo(const char* text) override { Log(LOG_INFO, text); }
    void LogTraceString(std::string text) override { Log(LOG_DETAIL, text.c_str()); }
    void LogTrace(const char* text) override { Log(LOG_DETAIL, text); }
    void LogDebug(const char* text) override { Log(LOG_DEBUG, text); }

    bool Has(int level, const std::string& text) const {
        for (const Line& l : lines) {
            if (l.level == level && l.text == text) return true;
        }
        return false;
    }

    std::vector<Line> lines;
};
