// printf-style formatting into std::string.
#pragma once

#include <cstdarg>
#include <cstdint>
#include <string>
#include <string_view>

#if defined(__MINGW32__)
// mingw-w64's C++ runtime formats as C99 says (%zu, %lld), not as msvcrt does.
#define KELMORA_PRINTF(fmt, args) __attribute__((format(gnu_printf, fmt, args)))
#elif defined(__GNUC__)
#define KELMORA_PRINTF(fmt, args) __attribute__((format(printf, fmt, args)))
#else
#define KELMORA_PRINTF(fmt, args)
#endif

// Longest text FormatString produces; a longer one is cut to this many characters.
constexpr size_t kFormatStringMax = 43008;
// Longest text AppendFormat appends; a longer one appends nothing.
constexpr size_t kAppendFormatMax = 1023;

// Replaces out by the formatted text.
void FormatString(std::string& out, const char* format, ...) KELMORA_PRINTF(2, 3);
void FormatStringV(std::string& out, const char* format, va_list args);
// Appends the formatted text when it has 1 to 1023 characters.
void AppendFormat(std::string& out, const char* format, ...) KELMORA_PRINTF(2, 3);

// The formatted text as a new string (FormatString's rules).
std::string StringF(const char* format, ...) KELMORA_PRINTF(1, 2);

// Numbers in text as the "C" locale reads and writes them, whatever locale
// the process runs in (the global locale is never changed).
//
// ParseDouble reads a number at text as "%lf" does: leading white space, an
// optional sign, decimal digits with an optional fraction and exponent, or
// "0x" hexadecimal digits. It returns the position just after the number, or
// null when no finite number stands there: "inf", "nan" and values outside
// the range of a double count as none.
const char* ParseDouble(const char* text, const char* end, double& value);
// The same scan for readers that must tell a bad number from no number: the
// position after what "%lf" reads, with finite false (and value 0) for
// "inf", "nan" and values beyond the range of a double; null only when no
// number stands there.
const char* ScanDouble(const char* text, const char* end, double& value, bool& finite);
// The same for a 32-bit integer as "%d" reads it; null also when it overflows.
const char* ParseInt32(const char* text, const char* end, int32_t& value);
// value with the given number of decimals, as "%.*f" writes it ("%.4lf" is 4).
std::string FormatFixed(double value, int decimals);
// Numbers as text in the C locale's form, whatever locale the process runs
// under: a point before the decimals, no grouping.
// The integer as "%d" writes it.
std::string FormatDecimal(int64_t value);
// value in general notation with up to `precision` significant digits, as
// "%.*g" writes it (no trailing zeros, no point for whole numbers).
std::string FormatGeneral(double value, int precision);

// Text from outside (a ticket, a file name) made safe for a message or a log
// line: every control byte (below 0x20, and 0x7F) becomes "\xNN" with two
// upper-case hex digits; all other bytes stay as they are.
std::string EscapeControlBytes(std::string_view text);
