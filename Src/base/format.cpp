#include "base/format.h"

#include <charconv>
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

std::string FormatDecimal(int64_t value) {
    char buffer[24];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

std::string FormatFixed(double value, int decimals) {
    if (decimals < 0) decimals = 0;
    if (decimals > 17) decimals = 17;
    // Room for the largest double written out in full (309 digits) and its decimals.
    char buffer[352];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
    if (result.ec != std::errc()) return std::string();
    return std::string(buffer, result.ptr);
}

bool ParseDecimal(std::string_view text, double& value) {
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    if (text.empty()) return false;
    double parsed = 0.0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), parsed, std::chars_format::fixed);
    if (result.ec != std::errc() || result.ptr != text.data() + text.size()) return false;
    value = parsed;
    return true;
}
