// A job logger for tests: it keeps every line it is given, with its level.
#pragma once

#include <algorithm>
#include <cstdarg>
#include <string>
#include <vector>

#include "base/format.h"
#include "base/log_interface.h"

// In a namespace of its own: test programs hold other loggers of this name.
namespace testsupport {

struct LoggedLine {
    int level;
    std::string text;
};

class RecordingLogger : public clLogFullInterface {
public:
    void LogV(int lineLevel, const char* format, va_list args) override {
        std::string text;
        FormatStringV(text, format, args);
        lines.push_back({lineLevel, text});
    }
    void Log(int lineLevel, const char* format, ...) override {
        va_list args;
        va_start(args, format);
        LogV(lineLevel, format, args);
        va_end(args);
    }
    bool IsEnabled(int asked) override { return asked / 1000 <= level; }
    int GetLevel() override { return level; }
    void SetLevel(int newLevel) override { level = newLevel; }
    void LogModuleV(const char*, int lvl, const char* format, va_list args) override { LogV(lvl, format, args); }

    bool Has(const std::string& text) const {
        return std::any_of(lines.begin(), lines.end(), [&](const LoggedLine& l) { return l.text == text; });
    }
    bool Has(int lvl, const std::string& text) const {
        return std::any_of(lines.begin(), lines.end(),
                           [&](const LoggedLine& l) { return l.level == lvl && l.text == text; });
    }
    bool HasPrefix(const std::string& prefix) const {
        return std::any_of(lines.begin(), lines.end(),
                           [&](const LoggedLine& l) { return l.text.compare(0, prefix.size(), prefix) == 0; });
    }

    int level = 3;
    std::vector<LoggedLine> lines;
};

}  // namespace testsupport
