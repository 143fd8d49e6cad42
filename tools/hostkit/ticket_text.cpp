#include "ticket_text.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <sstream>

#include "base/format.h"
#include "base/input_file.h"
#include "base/text_error.h"
#include "output_file.h"
#include "platform/system.h"

namespace hostkit {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

std::string Trim(const std::string& s) {
    size_t begin = 0, end = s.size();
    while (begin < end && IsBlank(s[begin])) ++begin;
    while (end > begin && IsBlank(s[end - 1])) --end;
    return s.substr(begin, end - begin);
}

bool IsValidKey(const std::string& key) {
    if (key.empty()) return false;
    for (char c : key) {
        if (IsBlank(c) || c == '\n' || c == '[' || c == ']' || c == '"' || c == '#' || c == '=') return false;
    }
    return true;
}

const char* SectionName(uint32_t scope) {
    switch (scope) {
        case TICKET_SCOPE_SYSTEM: return "system";
        case TICKET_SCOPE_JOB: return "job";
        case TICKET_SCOPE_PRINTER_INFO: return "printer";
        case TICKET_SCOPE_HOST_PRINTER: return "host-printer";
        default: return nullptr;
    }
}

// ---- writing ----

std::string FormatDouble(double value) {
    char buffer[40];
    for (int precision = 1; precision <= 17; ++precision) {
        std::snprintf(buffer, sizeof buffer, "%.*g", precision, value);
        if (std::strtod(buffer, nullptr) == value) break;
    }
    std::string text(buffer);
    if (text.find_first_of(".eE") == std::string::npos) text += ".0";
    return text;
}

std::string QuoteText(const std::string& key, const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        switch (c) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\n': out += "\\n"; break;
            case '\t': out += "\\t"; break;
            case '\r': out += "\\r"; break;
            case '\0': throw TextError("ticket text: the text of key \"" + key + "\" holds a NUL byte");
            default:
                if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) {
                    char octal[8];
                    std::snprintf(octal, sizeof octal, "\\%03o", static_cast<unsigned>(static_cast<unsigned char>(c)));
                    out += octal;
                } else {
                    out += c;
                }
        }
    }
    return out + "\"";
}

std::string FormatValue(const std::string& key, const TicketValue& value) {
    switch (TypeOf(value)) {
        case TICKET_TYPE_INT32: return std::to_string(std::get<int32_t>(value));
        case TICKET_TYPE_DOUBLE: {
            const double d = std::get<double>(value);
            if (!std::isfinite(d)) {
                throw TextError("ticket text: key \"" + key + "\" holds a number that is not finite");
            }
            return FormatDouble(d);
        }
        case TICKET_TYPE_STRING: return QuoteText(key, std::get<std::string>(value));
        default:
            throw TextError("ticket text: key \"" + key + "\" holds a value of type " +
                            std::to_string(TypeOf(value)) + ", which the text form cannot hold");
    }
}

// ---- reading ----

struct Parser {
    const std::string& text;
    uint32_t jobId;
    TicketMap parsed;
    int line = 0;

    [[noreturn]] void Fail(const std::string& message) const {
        // The message quotes the ticket's text: its control bytes are shown escaped.
        throw TextError("line " + std::to_string(line) + ": " + EscapeControlBytes(message));
    }

    // Only blanks or a comment may follow a value or a section header.
    void ExpectEnd(const std::string& rest) const {
        const std::string tail = Trim(rest);
        if (!tail.empty() && tail[0] != '#') Fail("unexpected text \"" + tail + "\" after the value");
    }

    TicketId ParseSection(const std::string& content, const std::string& rest) {
        ExpectEnd(rest);
        std::istringstream words(content);
        std::string name, number, extra;
        words >> name >> number >> extra;
        const bool numbered = name == "printer" || name == "host-printer";
        const bool plain = name == "system" || name == "job";
        if (!extra.empty() || (plain && !number.empty()) || (!plain && !numbered)) {
            Fail("unknown section [" + content + "]");
        }
        if (name == "system") return TicketId{TICKET_SCOPE_SYSTEM, 0};
        if (name == "job") return TicketId{TICKET_SCOPE_JOB, jobId};
        bool digits = !number.empty() && number.size() <= 10;
        for (char c : number) digits = digits && IsDigit(c);
        const unsigned long long id = digits ? std::strtoull(number.c_str(), nullptr, 10) : 0;
        if (!digits || id > UINT32_MAX) Fail("section [" + content + "] needs a number from 0 to 4294967295");
        const uint32_t scope = name == "printer" ? static_cast<uint32_t>(TICKET_SCOPE_PRINTER_INFO)
                                                 : static_cast<uint32_t>(TICKET_SCOPE_HOST_PRINTER);
        return TicketId{scope, static_cast<uint32_t>(id)};
    }

    // A quoted text starting at value[0] == '"'; returns the text, rest := what follows it.
    std::string ParseQuoted(const std::string& value, std::string& rest) const {
        std::string out;
        size_t i = 1;
        while (true) {
            if (i >= value.size()) Fail("unterminated quote");
            char c = value[i++];
            if (c == '"') break;
            if (c == '\0') Fail("a text cannot hold a NUL byte");
            if (c != '\\') {
                out += c;
                continue;
            }
            if (i >= value.size()) Fail("unterminated quote");
            c = value[i++];
            unsigned code = 0;
            switch (c) {
                case 'n': out += '\n'; continue;
                case 't': out += '\t'; continue;
                case 'r': out += '\r'; continue;
                case 'a': out += '\a'; continue;
                case 'b': out += '\b'; continue;
                case 'f': out += '\f'; continue;
                case 'v': out += '\v'; continue;
                case '\\': case '"': case '\'': case '?': out += c; continue;
                case 'x': {
                    int digits = 0;
                    while (digits < 2 && i < value.size() && std::isxdigit(static_cast<unsigned char>(value[i]))) {
                        const char h = value[i++];
                        code = code * 16 + (IsDigit(h) ? h - '0' : (h | 0x20) - 'a' + 10);
                        ++digits;
                    }
                    if (digits == 0) Fail("\\x needs a hex digit");
                    break;
                }
                default:
                    if (c < '0' || c > '7') Fail(std::string("unknown escape \\") + c);
                    code = static_cast<unsigned>(c - '0');
                    for (int digits = 1; digits < 3 && i < value.size() && value[i] >= '0' && value[i] <= '7';
                         ++digits) {
                        code = code * 8 + static_cast<unsigned>(value[i++] - '0');
                    }
                    if (code > 255) Fail("octal escape above \\377");
            }
            if (code == 0) Fail("a text cannot hold a NUL byte");
            out += static_cast<char>(code);
        }
        rest = value.substr(i);
        return out;
    }

    static bool IsInteger(const std::string& s) {
        size_t i = (s[0] == '+' || s[0] == '-') ? 1 : 0;
        if (i == s.size()) return false;
        for (; i < s.size(); ++i) {
            if (!IsDigit(s[i])) return false;
        }
        return true;
    }

    // [sign] digits [. digits] [e [sign] digits], with a point or an exponent.
    static bool IsDecimal(const std::string& s) {
        size_t i = (s[0] == '+' || s[0] == '-') ? 1 : 0;
        size_t mantissa = 0;
        while (i < s.size() && IsDigit(s[i])) ++i, ++mantissa;
        const bool point = i < s.size() && s[i] == '.';
        if (point) {
            ++i;
            while (i < s.size() && IsDigit(s[i])) ++i, ++mantissa;
        }
        if (mantissa == 0) return false;
        bool exponent = false;
        if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
            ++i;
            if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
            size_t digits = 0;
            while (i < s.size() && IsDigit(s[i])) ++i, ++digits;
            if (digits == 0) return false;
            exponent = true;
        }
        return i == s.size() && (point || exponent);
    }

    TicketValue ParseValue(const std::string& value) const {
        if (value.empty()) Fail("missing value after '='");
        std::string rest;
        if (value[0] == '"') {
            std::string textValue = ParseQuoted(value, rest);
            ExpectEnd(rest);
            return textValue;
        }
        const size_t comment = value.find('#');
        const std::string token = Trim(value.substr(0, comment));
        if (token.empty()) Fail("missing value after '='");
        errno = 0;
        if (IsInteger(token)) {
            const long long v = std::strtoll(token.c_str(), nullptr, 10);
            if (errno == ERANGE || v < INT32_MIN || v > INT32_MAX) Fail("integer " + token + " out of range");
            return static_cast<int32_t>(v);
        }
        if (IsDecimal(token)) {
            const double d = std::strtod(token.c_str(), nullptr);
            if (!std::isfinite(d)) Fail("number " + token + " out of range");
            return d;
        }
        Fail("cannot read the value " + token + " (expected an integer, a number or a \"text\")");
    }

    void Run() {
        TicketKeys* section = nullptr;
        // A UTF-8 byte-order mark, as some editors save, is skipped; UTF-16 text is refused by name.
        size_t start = text.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
        if (text.compare(0, 2, "\xFF\xFE") == 0 || text.compare(0, 2, "\xFE\xFF") == 0) {
            line = 1;
            Fail("the text begins with a UTF-16 byte-order mark: save it as UTF-8");
        }
        while (start <= text.size()) {
            size_t end = text.find('\n', start);
            if (end == std::string::npos) end = text.size();
            const std::string raw = text.substr(start, end - start);
            start = end + 1;
            ++line;
            const std::string content = Trim(raw);
            if (content.empty() || content[0] == '#') continue;
            if (content[0] == '[') {
                const size_t close = content.find(']');
                if (close == std::string::npos) Fail("section header without ']'");
                section = &parsed[ParseSection(Trim(content.substr(1, close - 1)), content.substr(close + 1))];
                continue;
            }
            const size_t equals = content.find('=');
            if (equals == std::string::npos) Fail("expected 'key = value'");
            std::string key = Trim(content.substr(0, equals));
            bool append = false;
            if (key.size() >= 2 && key.compare(key.size() - 2, 2, "[]") == 0) {
                append = true;
                key = Trim(key.substr(0, key.size() - 2));
            }
            if (!IsValidKey(key)) Fail("invalid key \"" + key + "\"");
            if (!section) Fail("key \"" + key + "\" outside a section");
            TicketValue value = ParseValue(Trim(content.substr(equals + 1)));
            Elements& elements = (*section)[key];
            if (!append) elements.clear();
            elements.push_back(std::move(value));
        }
    }
};

}  // namespace

std::string WriteTicketText(const TicketStore& store) {
    std::string out;
    for (const auto& ticket : store.tickets()) {
        const TicketId& id = ticket.first;
        const char* name = SectionName(id.scope);
        if (!name) throw TextError("ticket text: scope " + std::to_string(id.scope) + " has no section");
        if (!out.empty()) out += '\n';
        out += '[';
        out += name;
        if (id.scope == TICKET_SCOPE_PRINTER_INFO || id.scope == TICKET_SCOPE_HOST_PRINTER) {
            out += ' ' + std::to_string(id.id);
        }
        out += "]\n";
        for (const auto& entry : ticket.second) {
            const std::string& key = entry.first;
            if (!IsValidKey(key)) throw TextError("ticket text: key \"" + key + "\" cannot be written");
            const bool list = entry.second.size() > 1;
            for (const TicketValue& value : entry.second) {
                out += key + (list ? "[] = " : " = ") + FormatValue(key, value) + '\n';
            }
        }
    }
    return out;
}

void ReadTicketText(const std::string& text, TicketStore& store) {
    Parser parser{text, store.jobId(), {}};
    parser.Run();
    for (auto& ticket : parser.parsed) {
        store.AddTicket(ticket.first.scope, ticket.first.id);
        for (auto& entry : ticket.second) {
            store.SetElements(ticket.first.scope, ticket.first.id, entry.first, std::move(entry.second));
        }
    }
}

void LoadTicketFile(const std::string& path, TicketStore& store) {
    const OpenedFile opened = OpenFileToRead(path);
    if (opened.fault == OpenedFile::kNotRegular) throw TextError("the ticket file \"" + path + "\" is not a regular file");
    if (!opened) throw TextError("cannot open the ticket file \"" + path + "\": " + platform::ErrorText(opened.error ? opened.error : EIO));
    std::FILE* const file = opened.file.get();
    std::string content;
    char buffer[65536];
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, file)) > 0;) content.append(buffer, n);
    if (std::ferror(file)) {
        throw TextError("cannot read the ticket file \"" + path + "\": " + platform::ErrorText(errno ? errno : EIO));
    }
    try {
        ReadTicketText(content, store);
    } catch (const TextError& error) {
        throw TextError(path + ": " + error.what());
    }
}

void SaveTicketFile(const std::string& path, const TicketStore& store) {
    const std::string text = WriteTicketText(store);
    std::string error;
    if (!toolfile::WriteWholeFile(path, text.data(), text.size(), error)) throw TextError(error);
}

}  // namespace hostkit
