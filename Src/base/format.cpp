#include "base/format.h"

#include <charconv>
#include <cmath>
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

namespace {

bool IsCSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// Leading white space and one optional sign; the start of the digits.
const char* SkipSpaceAndSign(const char* p, const char* end, bool& negative) {
    while (p < end && IsCSpace(*p)) ++p;
    negative = false;
    if (p < end && (*p == '+' || *p == '-')) {
        negative = *p == '-';
        ++p;
    }
    return p;
}

}  // namespace

const char* ScanDouble(const char* text, const char* end, double& value, bool& finite) {
    if (!text || !end || end < text) return nullptr;
    bool negative = false;
    const char* p = SkipSpaceAndSign(text, end, negative);
    if (p == end || *p == '+' || *p == '-') return nullptr;  // from_chars would take a second '-'
    double parsed = 0.0;
    std::from_chars_result result{p, std::errc::invalid_argument};
    if (end - p > 2 && p[0] == '0' && (p[1] == 'x' || p[1] == 'X') && p[2] != '+' && p[2] != '-') {
        result = std::from_chars(p + 2, end, parsed, std::chars_format::hex);
    }
    // Without hexadecimal digits after it, "0x" reads as the number 0.
    if (result.ec == std::errc::invalid_argument) result = std::from_chars(p, end, parsed, std::chars_format::general);
    if (result.ec == std::errc::invalid_argument) return nullptr;
    finite = result.ec == std::errc() && std::isfinite(parsed);
    value = !finite ? 0.0 : negative ? -parsed : parsed;
    return result.ptr;
}

const char* ParseDouble(const char* text, const char* end, double& value) {
    double parsed = 0.0;
    bool finite = false;
    const char* after = ScanDouble(text, end, parsed, finite);
    if (!after || !finite) return nullptr;
    value = parsed;
    return after;
}

const char* ParseInt32(const char* text, const char* end, int32_t& value) {
    if (!text || !end || end < text) return nullptr;
    bool negative = false;
    const char* p = SkipSpaceAndSign(text, end, negative);
    uint32_t magnitude = 0;
    const auto result = std::from_chars(p, end, magnitude);
    if (result.ec != std::errc()) return nullptr;
    if (magnitude > (negative ? 2147483648u : 2147483647u)) return nullptr;
    value = negative ? static_cast<int32_t>(0u - magnitude) : static_cast<int32_t>(magnitude);
    return result.ptr;
}

std::string FormatDecimal(int64_t value) {
    char buffer[24];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

namespace {

// A double through std::to_chars (never the locale); precision 0 to 64.
std::string DoubleText(double value, std::chars_format form, int precision) {
    char buffer[400 + 64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, form,
                                      precision < 0 ? 0 : precision > 64 ? 64 : precision);
    if (result.ec != std::errc()) return std::string();
    return std::string(buffer, result.ptr);
}

}  // namespace

std::string FormatFixed(double value, int decimals) { return DoubleText(value, std::chars_format::fixed, decimals); }

std::string FormatGeneral(double value, int precision) {
    return DoubleText(value, std::chars_format::general, precision < 1 ? 1 : precision);
}

std::string EscapeControlBytes(std::string_view text) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte != 0x7F) {
            out += c;
            continue;
        }
        out += "\\x";
        out += kHex[byte >> 4];
        out += kHex[byte & 15];
    }
    return out;
}
