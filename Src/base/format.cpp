#include "base/format.h"

#include <cstdio>

void FormatStringV(std::string& out, const char* format, va_list args) {
    out.clear();
    if (!format) return;
    char local[2048];
    va_list copy;
    va_copy(copy, args);
    const int n = std::vsnprintf(local, sizeof local, format, copy);
    va_end(copy);
    if (n < 0) return;
    if (static_cast<size_t>(n) < sizeof local) {
        out.assign(local, static_cast<size_t>(n));
        return;
    }
    const size_t kept = static_cast<size_t>(n) < kFormatStringMax ? static_cast<size_t>(n) : kFormatStringMax;
    std::string text(static_cast<size_t>(n) + 1, '\0');
    va_copy(copy, args);
    std::vsnprintf(&text[0], text.size(), format, copy);
    va_end(copy);
    text.resize(kept);
    out.swap(text);
}

void FormatString(std::string& out, const char* format, ...) {
    va_list args;
    va_start(args, format);
    FormatStringV(out, format, args);
    va_end(args);
}

void AppendFormat(std::string& out, const char* format, ...) {
    if (!format) return;
    char buffer[kAppendFormatMax + 1];
    va_list args;
    va_start(args, format);
    const int n = std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    if (n >= 1 && static_cast<size_t>(n) <= kAppendFormatMax) out.append(buffer, static_cast<size_t>(n));
}

std::string StringF(const char* format, ...) {
    std::string out;
    va_list args;
    va_start(args, format);
    FormatStringV(out, format, args);
    va_end(args);
    return out;
}
