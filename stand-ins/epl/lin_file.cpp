#include "lin_file.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

namespace epl_standin {
namespace {

constexpr const char* kMagic = "EPLSTANDIN";
constexpr const char* kVersion = "1";
constexpr std::streamoff kMaxFileBytes = 64 << 20;

struct Token {
    std::string text;
    int line;
};

struct ParseError {
    std::string message;
};

std::vector<Token> Tokenize(const std::string& text) {
    std::vector<Token> tokens;
    int line = 1;
    size_t i = 0;
    while (i < text.size()) {
        const char c = text[i];
        if (c == '\n') {
            ++line;
            ++i;
        } else if (c == '#') {
            while (i < text.size() && text[i] != '\n') ++i;
        } else if (c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v') {
            ++i;
        } else {
            const size_t start = i;
            while (i < text.size() && text[i] != '#' && !std::isspace(static_cast<unsigned char>(text[i]))) ++i;
            tokens.push_back({text.substr(start, i - start), line});
        }
    }
    return tokens;
}

class Parser {
public:
    explicit Parser(std::vector<Token> tokens) : m_tokens(std::move(tokens)) {}

    LinFile Parse() {
        LinFile file;
        for (int s = 0; s < kCurveCount; ++s) {
            for (int v = 0; v < kCurveSize; ++v) file.curves[s][v] = NeutralCurveValue(v);
        }
        Expect(kMagic, "the file must start with \"EPLSTANDIN 1\"");
        Expect(kVersion, "only format version 1 is known");

        bool curveSeen[kCurveCount] = {};
        bool screenSeen[kMaxScreenChannels] = {};
        std::vector<ScreenChannel> screens(kMaxScreenChannels);
        while (m_pos < m_tokens.size()) {
            const Token& keyword = m_tokens[m_pos++];
            if (keyword.text == "kind") {
                if (file.kind != 0) Fail(keyword, "\"kind\" given twice");
                file.kind = static_cast<int32_t>(Int("kind", 1, INT32_MAX));
            } else if (keyword.text == "curve") {
                const int slot = static_cast<int>(Int("curve slot", 0, kCurveCount - 1));
                if (curveSeen[slot]) Fail(keyword, "curve slot " + std::to_string(slot) + " given twice");
                curveSeen[slot] = true;
                ReadCurve(file.curves[slot]);
            } else if (keyword.text == "rgbgrid") {
                if (file.gridNodes != 0) Fail(keyword, "\"rgbgrid\" given twice");
                ReadGrid(file);
            } else if (keyword.text == "screen") {
                const int channel = static_cast<int>(Int("screen channel", 0, kMaxScreenChannels - 1));
                if (screenSeen[channel]) Fail(keyword, "screen channel " + std::to_string(channel) + " given twice");
                screenSeen[channel] = true;
                ReadScreen(screens[channel]);
            } else {
                Fail(keyword, "unknown keyword \"" + keyword.text + "\"");
            }
        }
        if (file.kind == 0) throw ParseError{"the file has no \"kind\" line"};

        int channels = 0;
        while (channels < kMaxScreenChannels && screenSeen[channels]) ++channels;
        for (int c = channels; c < kMaxScreenChannels; ++c) {
            if (screenSeen[c]) {
                throw ParseError{"screen channel " + std::to_string(c) + " given without channel " +
                                 std::to_string(channels)};
            }
        }
        screens.resize(static_cast<size_t>(channels));
        file.screens = std::move(screens);
        return file;
    }

private:
    [[noreturn]] void Fail(const Token& at, const std::string& what) const {
        throw ParseError{"line " + std::to_string(at.line) + ": " + what};
    }

    const Token& Take(const std::string& what) {
        if (m_pos >= m_tokens.size()) throw ParseError{"unexpected end of file, expected " + what};
        return m_tokens[m_pos++];
    }

    void Expect(const char* text, const std::string& why) {
        const Token& t = Take(text);
        if (t.text != text) Fail(t, why);
    }

    int64_t Int(const std::string& what, int64_t lo, int64_t hi) {
        const Token& t = Take(what);
        int64_t value = 0;
        const char* first = t.text.data();
        const char* last = first + t.text.size();
        const auto [end, ec] = std::from_chars(first, last, value);
        if (ec != std::errc() || end != last) Fail(t, what + " must be an integer, not \"" + t.text + "\"");
        if (value < lo || value > hi) {
            Fail(t, what + " " + t.text + " is outside " + std::to_string(lo) + ".." + std::to_string(hi));
        }
        return value;
    }

    bool PeekIs(const char* text) const { return m_pos < m_tokens.size() && m_tokens[m_pos].text == text; }

    void ReadCurve(std::array<uint16_t, kCurveSize>& curve) {
        const int n = static_cast<int>(Int("curve point count", 1, kCurveSize));
        std::vector<int> xs(static_cast<size_t>(n)), ys(static_cast<size_t>(n));
        for (int i = 0; i < n; ++i) {
            const size_t xAt = m_pos;
            xs[i] = static_cast<int>(Int("curve x", 0, 255));
            ys[i] = static_cast<int>(Int("curve y", 0, 4095));
            if (i > 0 && xs[i] <= xs[i - 1]) Fail(m_tokens[xAt], "curve x values must increase");
        }
        for (int v = 0; v < kCurveSize; ++v) {
            if (v <= xs.front()) {
                curve[v] = static_cast<uint16_t>(ys.front());
            } else if (v >= xs.back()) {
                curve[v] = static_cast<uint16_t>(ys.back());
            } else {
                size_t k = 0;
                while (xs[k + 1] < v) ++k;
                const double f = static_cast<double>(v - xs[k]) / (xs[k + 1] - xs[k]);
                curve[v] = static_cast<uint16_t>(std::trunc(ys[k] + (ys[k + 1] - ys[k]) * f + 0.5));
            }
        }
    }

    void ReadGrid(LinFile& file) {
        const int n = static_cast<int>(Int("rgbgrid node count", 2, kMaxGridNodes));
        const size_t values = static_cast<size_t>(n) * n * n * 3;
        file.grid.resize(values);
        for (size_t i = 0; i < values; ++i) file.grid[i] = static_cast<uint16_t>(Int("rgbgrid value", 0, 65535));
        file.gridNodes = n;
    }

    void ReadScreen(ScreenChannel& channel) {
        channel.size1 = static_cast<int32_t>(Int("screen size1", 1, kMaxScreenSize));
        channel.size2 = static_cast<int32_t>(Int("screen size2", 1, kMaxScreenSize));
        if (PeekIs("tile")) {
            ++m_pos;
            channel.tiled = true;
            channel.tile1 = static_cast<int32_t>(Int("screen tile size1", 1, kMaxScreenSize));
            channel.tile2 = static_cast<int32_t>(Int("screen tile size2", 1, kMaxScreenSize));
        }
        ReadMatrix(channel.matrixA, channel.size1);
        ReadMatrix(channel.matrixB, channel.size2);
    }

    void ReadMatrix(std::vector<uint8_t>& matrix, int32_t size) {
        const size_t cells = static_cast<size_t>(size) * static_cast<size_t>(size);
        matrix.resize(cells);
        for (size_t i = 0; i < cells; ++i) matrix[i] = static_cast<uint8_t>(Int("screen threshold", 0, 255));
    }

    std::vector<Token> m_tokens;
    size_t m_pos = 0;
};

}  // namespace

uint16_t NeutralCurveValue(int v) { return static_cast<uint16_t>(std::trunc(v * 4095.0 / 255.0 + 0.5)); }

ParseResult ParseLinFile(const char* path) {
    ParseResult result;
    if (!path || !*path) {
        result.error = kErrArgument;
        result.message = "no linearisation file named";
        return result;
    }
    std::error_code ec;
    if (std::filesystem::exists(path, ec) && !std::filesystem::is_regular_file(path, ec)) {
        result.error = kErrOpen;
        result.message = std::string("\"") + path + "\" is not a file";
        return result;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        result.error = kErrOpen;
        result.message = std::string("cannot open \"") + path + "\"";
        return result;
    }
    in.seekg(0, std::ios::end);
    const std::streamoff size = in.tellg();
    in.seekg(0, std::ios::beg);
    if (size < 0 || size > kMaxFileBytes) {
        result.error = kErrMalformed;
        result.message = std::string("\"") + path + "\" is not a linearisation file of this library (too large)";
        return result;
    }
    std::string text(static_cast<size_t>(size), '\0');
    if (!in.read(text.data(), size)) {
        result.error = kErrOpen;
        result.message = std::string("cannot read \"") + path + "\"";
        return result;
    }
    try {
        result.file = Parser(Tokenize(text)).Parse();
    } catch (const ParseError& e) {
        result.error = kErrMalformed;
        result.message = std::string(path) + ": " + e.message;
    }
    return result;
}

}  // namespace epl_standin
