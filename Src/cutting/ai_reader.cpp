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

}  // namespace

void AdobeIllustratorFileContents::AddCommand(std::vector<double>& operands, std::string& op, size_t line) {
    m_vCommands.push_back(
        std::make_unique<AdobeIllustratorFileContentsCommand>(std::move(operands), std::move(op), line));
}

void AdobeIllustratorFileContents::AddRefusedLine(size_t line, std::string number) {
    auto command = std::make_unique<AdobeIllustratorFileContentsCommand>(std::vector<double>(), std::string(), line);
    command->m_strRefusedNumber = std::move(number);
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

    const std::string start = kAiParserStart;
    const std::string stop = kAiParserStop;
    std::string line;
    bool inSection = false;
    size_t number = 0;      // of the line just read
    char previousEnd = 0;   // what ended the line before it
    const auto count = [&]() {
        // The LF of a CR LF pair reads as an empty line of its own.
        const char end = m_pLineReader->LastLineEnd();
        if (!(line.empty() && previousEnd == '\r' && end == '\n')) ++number;
        previousEnd = end;
    };
    while (m_pLineReader->HasMore()) {
        if (!inSection) {
            // Lines before the section are only compared with the marker.
            const size_t length = m_pLineReader->ReadLine(line, start.size() + 1);
            count();
            inSection = length == line.size() && line == start;
            continue;
        }
        if (m_pLineReader->ReadLine(line, kAiMaxLineLength) > line.size()) throw TextError("AI file line too long");
        count();
        if (line == stop) return;
        if (line.empty()) continue;
        m_iLine = number - 1;  // ProcessLine counts it
        ProcessLine(line);
    }
    if (bounded.Exceeded()) throw TextError("AI file too large");
}

void AdobeIllustratorFileReader::ProcessLine(const std::string& rawLine) {
    if (!m_pContents) return;
    ++m_iLine;
    size_t first = 0;
    size_t last = rawLine.size();
    while (first < last && IsBlank(rawLine[first])) ++first;
    while (last > first && IsBlank(rawLine[last - 1])) --last;
    const std::string line = rawLine.substr(first, last - first);

    if (line.empty() || line[0] == '%') {
        const size_t key = line.find(kJobTicketIdKey);
        if (m_bJobTicketMode && key != std::string::npos && line.size() - key > kJobTicketIdOffset) {
            int32_t id = 0;
            const char* text = line.data() + key + kJobTicketIdOffset;
            if (ParseInt32(text, line.data() + line.size(), id)) m_vJobTicketIDs.push_back(id);
        }
        return;
    }

    // Every operator of the line with the numbers before it. A number is
    // followed by text up to the next blank or tab, which is stepped over;
    // the operator is the whole word after the numbers: "lineto" is never "l".
    struct Command {
        std::vector<double> operands;
        std::string op;
    };
    std::vector<Command> commands;
    std::vector<double> operands;
    const char* const end = line.data() + line.size();
    const char* p = line.data();
    const bool layerLine = m_bJobTicketMode && line.find("Ln") != std::string::npos;
    for (;;) {
        double value = 0.0;
        bool finite = true;
        const char* number = p;
        while (number < end && (IsBlank(*number) || (*number >= '\t' && *number <= '\r'))) ++number;
        const char* after = ScanDouble(p, end, value, finite);
        const char* word = after;
        while (word && word < end && !IsBlank(*word)) ++word;
        // A word that only begins like "inf" or "nan" is a name, not a number.
        const bool numeric = after && (after == word || (*number >= '0' && *number <= '9') || *number == '.' ||
                                       *number == '+' || *number == '-');
        if (after && numeric && !finite) {
            if (m_pContents->Commands().size() >= kAiMaxCommands) throw TextError("AI file holds too many commands");
            m_pContents->AddRefusedLine(m_iLine, std::string(number, word));
            return;
        }
        if (after && numeric) {
            operands.push_back(value);
            p = word < end ? word + 1 : end;
            continue;
        }
        while (p < end && IsBlank(*p)) ++p;
        if (p == end) break;
        const char* name = p;
        while (p < end && !IsBlank(*p)) ++p;
        commands.push_back({std::move(operands), std::string(name, p)});
        operands.clear();
        if (layerLine) {
            // A layer line is one command named after the layer.
            const size_t open = line.find('(');
            const size_t close = line.rfind(')');
            if (open != std::string::npos && close != std::string::npos && close > open) {
                commands.back().op = "Ln@" + line.substr(open + 1, close - open - 1);
                commands.back().operands.push_back(0.0);
                p = end;
                break;
            }
        }
    }
    if (commands.empty() || !operands.empty()) commands.push_back({std::move(operands), std::string()});

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
