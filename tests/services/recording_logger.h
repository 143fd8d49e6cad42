// A clLogFullInterface that keeps every message it is given.
#pragma once

#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "base/log_interface.h"

class RecordingLogger : public clLogFullInterface {
public:
    struct Line {
        int level;
        std::string text;
        bool operator==(const Line& o) const { return level == o.level && text == o.text; }
        friend void PrintTo(const Line& line, std::ostream* out) { *out << line.level << ": " << line.text; }
    };

    void LogV(int level, const char* format, va_list args) override {
        if (!IsEnabled(level)) return;
        std::string text;
        FormatStringV(text, format, args);
        lines.push_back(Line{level, std::move(text)});
    }
    void Log(int level, const char* format, ...) override {
        va_list args;
        va_start(args, format);
        LogV(level, format, args);
        va_end(args);
    }
    bool IsEnabled(int level) override { return level / 1000 <= maxLevel; }
    int GetLevel() override { return maxLevel; }
    void SetLevel(int level) override { maxLevel = level; }
    void LogModuleV(const char*, int level, const char* format, va_list args) override {
        std::string text;
        FormatStringV(text, format, args);
        lines.push_back(Line{level, std::move(text)});
    }

    int maxLevel = 4;
    std::vector<Line> lines;
};
