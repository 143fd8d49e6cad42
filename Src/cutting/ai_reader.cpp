#include "cutting/ai_reader.h"

#include <cmath>
#include <cstring>

#include "base/format.h"
#include "base/input_file.h"
#include "base/text_error.h"

namespace {

// Passes at most a given number of bytes of another stream on, and notes
// whether the stream had more.
class BoundedStream : public IInputStream {
public:
    BoundedStream(IInputStream* stream, uint64_t limit) : m_stream(stream), m_left(limit) {}

    bool IsEof() override {
        if (!m_stream->IsEof()) return false;
        if (m_left == 0) {
            m_bExceeded = true;
            return false;
        }
        return true;
    }
    void GetChar(uint8_t* out) override {
        if (m_left > 0) --m_left;
        m_stream->GetChar(out);
    }
    uint64_t Read(uint8_t* buffer, uint64_t n) override {
        const uint64_t read = m_stream->Read(buffer, n < m_left ? n : m_left);
        m_left -= read;
        return read;
    }
    bool Exceeded() const { return m_bExceeded; }

private:
    IInputStream* m_stream;
    uint64_t m_left;
    bool m_bExceeded = false;
};

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

constexpr const char* kJobTicketIdKey = "QOR_JobTicketID";
// The id stands after the key and two separator characters.
constexpr size_t kJobTicketIdOffset = 17;

constexpr AiPathOperator kPathOperators[] = {
    {"m", AiPathStep::Move, 2},
    {"l", AiPathStep::Line, 2},
    {"L", AiPathStep::Line, 2},
    {"c", AiPathStep::Curve, 6},
    {"C", AiPathStep::Curve, 6},
    {"v", AiPathStep::CurveFromCurrent, 4},
    {"V", AiPathStep::CurveFromCurrent, 4},
    {"y", AiPathStep::CurveToEnd, 4},
    {"Y", AiPathStep::CurveToEnd, 4},
    {"f", AiPathStep::Close, 0},
    {"F", AiPathStep::Close, 0},
    {"s", AiPathStep::Close, 0},
    {"b", AiPathStep::Close, 0},
    {"B", AiPathStep::Close, 0},
    {"n", AiPathStep::Close, 0},
    {"S", AiPathStep::End, 0},
    {"N", AiPathStep::End, 0},
};

constexpr bool KeepsEveryPathOperand() {
    for (const AiPathOperator& op : kPathOperators) {
        if (op.operands > kAiMaxOperands) return false;
    }
    return true;
}
static_assert(KeepsEveryPathOperand(), "a command keeps every number a path operator takes");

// PostScript's white space and delimiters.
bool IsWhite(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\0'; }
bool IsDelimiter(char c) {
    return c == '(' || c == ')' || c == '<' || c == '>' || c == '[' || c == ']' || c == '{' || c == '}' ||
           c == '/' || c == '%';
}
bool IsRegular(char c) { return !IsWhite(c) && !IsDelimiter(c); }

// Words quoted in a message: control bytes escaped, a long one cut.
constexpr size_t kQuotedMax = 64;
std::string Quoted(std::string_view text) {
    std::string out = "\"" + EscapeControlBytes(text.substr(0, kQuotedMax)) + "\"";
    if (text.size() > kQuotedMax) out += "...";
    return out;
}

int DigitValue(char c, bool hex) {
    if (c >= '0' && c <= '9') return c - '0';
    if (hex && c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (hex && c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// For a number beyond a double's range: true when it lies too close to zero
// rather than too far from it. The order of its leading digit plus its
// exponent tells which, whatever the digits are.
bool TooSmall(const char* p, const char* end) {
    if (p < end && (*p == '+' || *p == '-')) ++p;
    const bool hex = end - p > 1 && p[0] == '0' && (p[1] == 'x' || p[1] == 'X');
    if (hex) p += 2;
    long long order = 0;  // of the leading digit, in digits
    bool point = false, leading = false;
    for (; p < end; ++p) {
        if (*p == '.') {
            point = true;
            continue;
        }
        const int digit = DigitValue(*p, hex);
        if (digit < 0) break;
        if (!leading && digit != 0) {
            leading = true;
            if (point) --order;
        } else if (!leading && point) {
            --order;
        } else if (leading && !point) {
            ++order;
        }
    }
    if (!leading) return true;
    long long exponent = 0;
    if (p < end && (*p == (hex ? 'p' : 'e') || *p == (hex ? 'P' : 'E'))) {
        ++p;
        const bool negative = p < end && *p == '-';
        if (p < end && (*p == '+' || *p == '-')) ++p;
        for (; p < end && *p >= '0' && *p <= '9'; ++p) {
            if (exponent < 1000000000) exponent = exponent * 10 + (*p - '0');
        }
        if (negative) exponent = -exponent;
    }
    return order * (hex ? 4 : 1) + exponent < 0;
}

enum class WordKind {
    Number,     // the whole word is a finite number (or one too small, read as 0)
    NotFinite,  // the whole word is a number, but none a double holds: inf, nan, 1e400
    NotNumber,  // it begins as a number would, but is none: 100abc, --100, 100,5
    Name,       // an operator
};

WordKind ReadWord(const char* word, const char* end, double& value) {
    const auto first = static_cast<unsigned char>(*word);
    bool finite = true;
    if (first > ' ' && ScanDouble(word, end, value, finite) == end) {
        if (finite) return WordKind::Number;
        const bool outOfRange = (first >= '0' && first <= '9') || first == '.' ||
                                (end - word > 1 && ((word[1] >= '0' && word[1] <= '9') || word[1] == '.'));
        if (!outOfRange || !TooSmall(word, end)) return WordKind::NotFinite;
        value = 0.0;
        return WordKind::Number;
    }
    if ((first >= '0' && first <= '9') || first == '+' || first == '-' || first == '.' || first < ' ' ||
        first >= 0x7F) {
        return WordKind::NotNumber;
    }
    return WordKind::Name;
}

}  // namespace

const AiPathOperator* FindAiPathOperator(std::string_view name) {
    for (const AiPathOperator& op : kPathOperators) {
        if (name == op.name) return &op;
    }
    return nullptr;
}

void AdobeIllustratorFileContents::AddCommand(std::vector<double>& operands, std::string& op, size_t line) {
    m_vCommands.push_back(
        std::make_unique<AdobeIllustratorFileContentsCommand>(std::move(operands), std::move(op), line));
}

void AdobeIllustratorFileContents::AddRefusedLine(size_t line, std::string refusal) {
    auto command = std::make_unique<AdobeIllustratorFileContentsCommand>(std::vector<double>(), std::string(), line);
    command->m_strRefusal = std::move(refusal);
    m_vCommands.push_back(std::move(command));
}

AdobeIllustratorFileReader::AdobeIllustratorFileReader() : m_pLineReader(std::make_unique<LineReader>(nullptr)) {}

AdobeIllustratorFileReader::~AdobeIllustratorFileReader() = default;

void AdobeIllustratorFileReader::SetInputStream(IInputStream* stream) {
    m_pStream = stream;
    m_pLineReader->SetStream(stream);
}

void AdobeIllustratorFileReader::SetContents(AdobeIllustratorFileContents* contents) { m_pContents = contents; }

void AdobeIllustratorFileReader::GetJobTicketIDs(std::vector<int32_t>& out) {
    out.clear();
    if (m_bJobTicketMode) out = m_vJobTicketIDs;
}

void AdobeIllustratorFileReader::Read() {
    if (!m_pStream || !m_pContents) return;
    BoundedStream bounded(m_pStream, m_maxInputBytes);
    m_pLineReader->SetStream(&bounded);
    struct RestoreStream {
        LineReader* reader;
        IInputStream* stream;
        ~RestoreStream() { reader->SetStream(stream); }
    } restore{m_pLineReader.get(), m_pStream};
    m_iStringDepth = 0;
    m_bHexString = false;
    m_iNesting = 0;

    const std::string start = kAiParserStart;
    const std::string stop = kAiParserStop;
    std::string line;
    bool inSection = false;
    bool pdf = false;
    size_t number = 0;      // of the line just read
    char previousEnd = 0;   // what ended the line before it
    const auto count = [&]() {
        // The LF of a CR LF pair reads as an empty line of its own.
        const char end = m_pLineReader->LastLineEnd();
        if (!(line.empty() && previousEnd == '\r' && end == '\n')) ++number;
        previousEnd = end;
    };
    // An object still open where the section ends refuses the line it began on.
    const auto endSection = [&]() {
        if (m_iStringDepth == 0 && !m_bHexString && m_iNesting == 0) return;
        if (m_pContents->Commands().size() >= kAiMaxCommands) throw TextError("AI file holds too many commands");
        m_pContents->AddRefusedLine(m_iObjectLine,
                                    Quoted(m_strObjectOpener) + " is not closed, nothing after it is read");
        m_iStringDepth = 0;
        m_bHexString = false;
        m_iNesting = 0;
    };
    while (m_pLineReader->HasMore()) {
        if (!inSection) {
            // Lines before the section are only compared with the marker.
            const size_t length = m_pLineReader->ReadLine(line, start.size() + 1);
            count();
            if (number == 1) pdf = line.compare(0, 5, "%PDF-") == 0;
            inSection = length == line.size() && line == start;
            continue;
        }
        if (m_pLineReader->ReadLine(line, kAiMaxLineLength) > line.size()) throw TextError("AI file line too long");
        count();
        if (line == stop) return endSection();
        if (line.empty()) continue;
        m_iLine = number - 1;  // ProcessLine counts it
        ProcessLine(line);
    }
    if (bounded.Exceeded()) throw TextError("AI file too large");
    if (!inSection && pdf) throw TextError("AI file is PDF-based: no cut section (no line \"%%Note: AI_ParserStart\")");
    if (!inSection) throw TextError("AI file has no cut section (no line \"%%Note: AI_ParserStart\")");
    endSection();
}

void AdobeIllustratorFileReader::ProcessLine(const std::string& rawLine) {
    if (!m_pContents) return;
    ++m_iLine;
    size_t first = 0;
    size_t last = rawLine.size();
    while (first < last && IsBlank(rawLine[first])) ++first;
    while (last > first && IsBlank(rawLine[last - 1])) --last;
    const std::string line = rawLine.substr(first, last - first);

    const bool inObject = m_iStringDepth > 0 || m_bHexString || m_iNesting > 0;
    if (!inObject && (line.empty() || line[0] == '%')) {
        const size_t key = line.find(kJobTicketIdKey);
        if (m_bJobTicketMode && key != std::string::npos && line.size() - key > kJobTicketIdOffset) {
            int32_t id = 0;
            const char* text = line.data() + key + kJobTicketIdOffset;
            if (ParseInt32(text, line.data() + line.size(), id)) m_vJobTicketIDs.push_back(id);
        }
        return;
    }

    // Every operator of the line with the numbers before it. What stands
    // between two operators is numbers, words that are no number and objects;
    // only numbers are operands, but a path operator refuses the line unless
    // it has its numbers and nothing else.
    struct Command {
        std::vector<double> operands;
        std::string op;
    };
    std::vector<Command> commands;
    std::vector<double> operands;
    size_t items = 0;      // since the last operator
    std::string notNumber;  // the first item since then that is no number
    std::string refusal;
    bool layerDone = false;  // a layer line's command is made; the rest is not read
    const bool layerLine = m_bJobTicketMode && line.find("Ln") != std::string::npos;
    const char* const begin = line.data();
    const char* const end = begin + line.size();
    const char* objectStart = begin;  // of the outermost object on this line
    const auto item = [&](const char* from, const char* to) {
        ++items;
        if (notNumber.empty()) notNumber.assign(from, to);
    };
    // An object's end: an item when it was the outermost one.
    const auto objectEnd = [&](const char* to) {
        if (m_iStringDepth == 0 && !m_bHexString && m_iNesting == 0 && !layerDone) item(objectStart, to);
    };
    const auto objectBegin = [&](const char* at, size_t length) {
        if (m_iStringDepth > 0 || m_bHexString || m_iNesting > 0) return;
        objectStart = at;
        m_iObjectLine = m_iLine;
        m_strObjectOpener.assign(at, length);
    };
    const char* p = begin;
    while (p < end) {
        if (m_iStringDepth > 0) {
            for (; p < end && m_iStringDepth > 0; ++p) {
                if (*p == '\\') {
                    if (p + 1 < end) ++p;  // at the line's end it joins the lines
                } else if (*p == '(') {
                    ++m_iStringDepth;
                } else if (*p == ')') {
                    --m_iStringDepth;
                }
            }
            if (m_iStringDepth == 0) objectEnd(p);
            continue;
        }
        if (m_bHexString) {
            while (p < end && *p != '>') ++p;
            if (p == end) break;
            m_bHexString = false;
            objectEnd(++p);
            continue;
        }
        const char c = *p;
        if (IsWhite(c)) {
            ++p;
            continue;
        }
        if (c == '%') break;
        if (c == '(') {
            objectBegin(p, 1);
            m_iStringDepth = 1;
            ++p;
            continue;
        }
        const bool dictionary = p + 1 < end && p[1] == c && (c == '<' || c == '>');
        if (c == '[' || c == '{' || (dictionary && c == '<')) {
            objectBegin(p, dictionary ? 2 : 1);
            ++m_iNesting;
            p += dictionary ? 2 : 1;
            continue;
        }
        if (c == '<') {
            objectBegin(p, 1);
            m_bHexString = true;
            ++p;
            continue;
        }
        if (c == ']' || c == '}' || c == ')' || c == '>') {
            const char* closer = p;
            p += dictionary ? 2 : 1;
            if (m_iNesting > 0 && c != ')' && (c != '>' || dictionary)) {
                --m_iNesting;
                objectEnd(p);
            } else if (m_iNesting == 0 && !layerDone) {
                item(closer, p);  // closes nothing
            }
            continue;
        }
        const char* word = p;
        if (c == '/') {
            ++p;
            if (p < end && *p == '/') ++p;
        }
        while (p < end && IsRegular(*p)) ++p;
        if (m_iNesting > 0 || layerDone) continue;
        if (c == '/') {
            item(word, p);
            continue;
        }
        double value = 0.0;
        switch (ReadWord(word, p, value)) {
            case WordKind::Number:
                ++items;
                if (operands.size() < kAiMaxOperands) operands.push_back(value);
                continue;
            case WordKind::NotFinite:
                if (refusal.empty()) refusal = Quoted(std::string_view(word, p - word)) + " is not a finite number";
                item(word, p);
                continue;
            case WordKind::NotNumber:
                item(word, p);
                continue;
            case WordKind::Name:
                break;
        }
        const std::string_view name(word, p - word);
        const AiPathOperator* path = FindAiPathOperator(name);
        if (path && refusal.empty()) {
            if (!notNumber.empty()) {
                refusal = Quoted(notNumber) + " is not a number";
            } else if (items != path->operands) {
                refusal = Quoted(name) + " takes " +
                          (path->operands ? std::to_string(path->operands) + " numbers" : "no numbers") +
                          ", not " + std::to_string(items);
            }
        }
        commands.push_back({std::move(operands), std::string(name)});
        operands.clear();
        items = 0;
        notNumber.clear();
        if (layerLine) {
            // A layer line is one command named after the layer.
            const size_t open = line.find('(');
            const size_t close = line.rfind(')');
            if (open != std::string::npos && close != std::string::npos && close > open) {
                commands.back().op = "Ln@" + line.substr(open + 1, close - open - 1);
                commands.back().operands.push_back(0.0);
                layerDone = true;
            }
        }
    }
    if (commands.empty() || !operands.empty()) commands.push_back({std::move(operands), std::string()});

    if (!refusal.empty()) {
        if (m_pContents->Commands().size() >= kAiMaxCommands) throw TextError("AI file holds too many commands");
        m_pContents->AddRefusedLine(m_iLine, std::move(refusal));
        return;
    }
    if (m_pContents->Commands().size() + commands.size() > kAiMaxCommands) {
        throw TextError("AI file holds too many commands");
    }
    for (Command& command : commands) m_pContents->AddCommand(command.operands, command.op, m_iLine);
}

namespace {

CutPoint Mid(CutPoint a, CutPoint b) { return {(a.x + b.x) / 2, (a.y + b.y) / 2}; }

double AxisTerm(double p0, double p1, double p2, double p3) {
    const double u = 3 * p1 - 2 * p0 - p3;
    const double w = 3 * p2 - 2 * p3 - p0;
    return std::fmax(u * u, w * w);
}

void Subdivide(CutPoint p0, CutPoint p1, CutPoint p2, CutPoint p3, double tolerance, int depth,
               std::vector<CutPoint>& out) {
    const CutPoint q0 = Mid(p0, p1);
    const CutPoint q1 = Mid(p1, p2);
    const CutPoint q2 = Mid(p2, p3);
    const CutPoint r0 = Mid(q0, q1);
    const CutPoint r1 = Mid(q1, q2);
    const CutPoint m = Mid(r0, r1);
    const double flatness =
        0.25 * std::sqrt(AxisTerm(p0.x, p1.x, p2.x, p3.x) + AxisTerm(p0.y, p1.y, p2.y, p3.y));
    if (depth < kFlattenMaxDepth && std::isfinite(flatness) && flatness > tolerance) {
        Subdivide(p0, q0, r0, m, tolerance, depth + 1, out);
        out.push_back(m);
        Subdivide(m, r1, q2, p3, tolerance, depth + 1, out);
    } else {
        out.push_back(m);
    }
}

}  // namespace

void FlattenBezier(CutPoint p0, CutPoint p1, CutPoint p2, CutPoint p3, double tolerance, std::vector<CutPoint>& out) {
    out.push_back(p0);
    Subdivide(p0, p1, p2, p3, tolerance, 0, out);
    out.push_back(p3);
}
