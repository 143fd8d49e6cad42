#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "base/input_file.h"
#include "base/text_error.h"
#include "cutting/ai_reader.h"

namespace {

// Bytes of a string as an input stream; endless repeats the last byte forever.
class StringStream : public IInputStream {
public:
    explicit StringStream(std::string text, bool endless = false) : m_text(std::move(text)), m_endless(endless) {}
    bool IsEof() override { return m_endless || m_pos < m_text.size(); }
    void GetChar(uint8_t* out) override {
        *out = static_cast<uint8_t>(m_pos < m_text.size() ? m_text[m_pos] : m_text.back());
        ++m_pos;
    }
    uint64_t Read(uint8_t*, uint64_t) override { return 0; }
    size_t Position() const { return m_pos; }

private:
    std::string m_text;
    bool m_endless;
    size_t m_pos = 0;
};

struct Parsed {
    std::string op;
    std::vector<double> operands;
    bool operator==(const Parsed& o) const { return op == o.op && operands == o.operands; }
};

std::ostream& operator<<(std::ostream& os, const Parsed& p) {
    os << '"' << p.op << "\" (";
    for (double v : p.operands) os << v << ' ';
    return os << ')';
}

// A refused line shows as "refused" and its number.
std::vector<Parsed> Commands(const AdobeIllustratorFileContents& contents) {
    std::vector<Parsed> out;
    for (const auto& c : contents.Commands()) {
        out.push_back({c->m_strRefusal.empty() ? c->m_strOperator : "refused " + c->m_strRefusal,
                       c->m_vOperands});
    }
    return out;
}

// *line: the number of the last command's line.
std::vector<Parsed> ReadText(const std::string& text, AdobeIllustratorFileReader* reader = nullptr, size_t* line = nullptr) {
    StringStream stream(text);
    AdobeIllustratorFileContents contents;
    AdobeIllustratorFileReader own;
    if (!reader) reader = &own;
    reader->SetInputStream(&stream);
    reader->SetContents(&contents);
    reader->Read();
    if (line && !contents.IsEmpty()) *line = contents.Commands().back()->m_iLine;
    return Commands(contents);
}

std::string ReadFailure(const std::string& text) {
    try {
        ReadText(text);
    } catch (const TextError& e) {
        return e.what();
    }
    return "no throw";
}

std::string Section(const std::string& body, const std::string& eol = "\n") {
    return "%!PS-Adobe-3.0" + eol + "%%Note: AI_ParserStart" + eol + body + "%%Note: AI_ParserStop" + eol +
           "9 9 l" + eol;
}

TEST(AiReaderLine, OperandsAndOperator) {
    std::string numbers;  // more numbers than any operator takes
    for (int i = 1; i <= 30000; ++i) numbers += std::to_string(i % 10) + " ";
    const struct {
        std::string line;
        std::vector<Parsed> expected;
    } cases[] = {
        {"100.5 200 m", {{"m", {100.5, 200}}}},
        {"1 2 3 4 5 6 c", {{"c", {1, 2, 3, 4, 5, 6}}}},
        {"h", {{"h", {}}}},
        {"% 1 2 l", {}},
        {" \t ", {}},
        {" \t10 20 l \t", {{"l", {10, 20}}}},
        {"10,20 l", {{"refused \"10,20\" is not a number", {}}}},
        // The operator is the whole word after the operands.
        {"5 lineto", {{"lineto", {5}}}},
        {"1 0 0 1 0 0 concat", {{"concat", {1, 0, 0, 1, 0, 0}}}},
        {"2 mul", {{"mul", {2}}}},
        {"Lb", {{"Lb", {}}}},
        {"1 2  L", {{"L", {1, 2}}}},
        {"1.5m", {{"", {}}}},
        {"1 2", {{"", {1, 2}}}},
        {"-3.5e2 +4 m", {{"m", {-350, 4}}}},
        {"0x10 0 m", {{"m", {16, 0}}}},
        // Mended: the scan goes on after the number, so a second blank or a
        // tab does not read a number twice or drop the rest of the line.
        {"10  20 l", {{"l", {10, 20}}}},
        {"10\t20 l", {{"l", {10, 20}}}},
        // Mended: every operator on a line is a command.
        {"100 100 l 10 100 l", {{"l", {100, 100}}, {"l", {10, 100}}}},
        {"1 2 l 3", {{"l", {1, 2}}, {"", {3}}}},
        // Mended: a non-finite or overflowing number refuses the whole line.
        {"inf 2 l", {{"refused \"inf\" is not a finite number", {}}}},
        {"0 0 m 1 nan l", {{"refused \"nan\" is not a finite number", {}}}},
        {"1 1e400 l", {{"refused \"1e400\" is not a finite number", {}}}},
        {"1 -1e400 l", {{"refused \"-1e400\" is not a finite number", {}}}},
        {"infill 1 2 l", {{"infill", {}}, {"l", {1, 2}}}},
        // Mended: a path operator takes exactly its numbers, each a whole word.
        {"100 l", {{"refused \"l\" takes 2 numbers, not 1", {}}}},
        {"5 10 10 m", {{"refused \"m\" takes 2 numbers, not 3", {}}}},
        {"1 S", {{"refused \"S\" takes no numbers, not 1", {}}}},
        {"0 0 m --100 100 l", {{"refused \"--100\" is not a number", {}}}},
        {"\xE2\x88\x92" "100 100 l", {{"refused \"\xE2\x88\x92" "100\" is not a number", {}}}},
        {"\xEF\xBC\x91\xEF\xBC\x90 100 l", {{"refused \"\xEF\xBC\x91\xEF\xBC\x90\" is not a number", {}}}},
        {"100,5 100 l", {{"refused \"100,5\" is not a number", {}}}},
        {"100abc 100 l", {{"refused \"100abc\" is not a number", {}}}},
        {"1e-400 -2e-999 m 0x1p-2000 7 l", {{"m", {0, 0}}, {"l", {0, 7}}}},
        // Mended: comments, strings, arrays, procedures and names are read as
        // PostScript reads them; numbers in them feed no operator.
        {"100 100 l % was 5 5 l", {{"l", {100, 100}}}},
        {"(to 500 500 l now) Tx", {{"Tx", {}}}},
        {"(a \\) (b 1 2 l) c%) Tx (5%) Tx <3 4 l> Tx 7 8 l", {{"Tx", {}}, {"Tx", {}}, {"Tx", {}}, {"l", {7, 8}}}},
        {"[1 2 l] {3 4 m {5 6 l}} <</A 1 2 l>> d 7 8 l", {{"d", {}}, {"l", {7, 8}}}},
        {"/m {moveto} def 1 0 m", {{"def", {}}, {"m", {1, 0}}}},
        {"(x) 1 2 l", {{"refused \"(x)\" is not a number", {}}}},
        // An object among a path operator's numbers refuses the line, as it would stop PostScript.
        {"] 10 20 l", {{"refused \"]\" is not a number", {}}}},
        {"/x 10 20 l", {{"refused \"/x\" is not a number", {}}}},
        // A command keeps the numbers a path operator can take; the rest are counted for the refusal.
        {numbers + "xx", {{"xx", {1, 2, 3, 4, 5, 6}}}},
        {numbers, {{"", {1, 2, 3, 4, 5, 6}}}},
        {numbers + "l", {{"refused \"l\" takes 2 numbers, not 30000", {}}}},
    };
    for (const auto& c : cases) {
        AdobeIllustratorFileContents contents;
        AdobeIllustratorFileReader reader;
        reader.SetContents(&contents);
        reader.ProcessLine(c.line);
        EXPECT_EQ(Commands(contents), c.expected) << c.line.substr(0, 80);
    }
}

TEST(AiReaderLine, JobTicketModeCollectsIdsAndLayerNames) {
    AdobeIllustratorFileContents contents;
    AdobeIllustratorFileReader reader;
    reader.SetContents(&contents);
    reader.ProcessLine("%QOR_JobTicketID: 42");
    reader.ProcessLine("(Layer 1) Ln");
    std::vector<int32_t> ids{7};
    reader.GetJobTicketIDs(ids);
    EXPECT_TRUE(ids.empty());
    EXPECT_EQ(Commands(contents), (std::vector<Parsed>{{"Ln", {}}}));

    reader.SetJobTicketFilter(true);
    reader.ProcessLine("%QOR_JobTicketID: 42");
    reader.ProcessLine("%QOR_JobTicketID: ");   // nothing after the separators
    reader.ProcessLine("%%QOR_JobTicketID=:-7");
    reader.ProcessLine("(Layer 1) Ln");
    reader.GetJobTicketIDs(ids);
    EXPECT_EQ(ids, (std::vector<int32_t>{42, -7}));
    EXPECT_EQ(Commands(contents).back(), (Parsed{"Ln@Layer 1", {0.0}}));
}

TEST(AiReaderFile, ReadsOnlyBetweenTheExactMarkers) {
    const std::vector<Parsed> expected = {{"m", {0, 0}}, {"l", {10, 0}}, {"h", {}}};
    EXPECT_EQ(ReadText(Section("0 0 m\n\n10 0 l\nh\n")), expected);
    EXPECT_EQ(ReadText(Section("0 0 m\r\n\r\n10 0 l\r\nh\r\n", "\r\n")), expected);
    // Without the exact start marker (a trailing blank, another case) a file
    // has no cut section, and says so.
    const std::string none = "AI file has no cut section (no line \"%%Note: AI_ParserStart\")";
    for (const char* text : {"%%Note: AI_ParserStart \n0 0 m\n1 1 l\n", "%%note: AI_ParserStart\n0 0 m\n", ""}) {
        EXPECT_EQ(ReadFailure(text), none) << text;
    }
    EXPECT_EQ(ReadFailure("%PDF-1.6\n%\xE2\xE3\xCF\xD3\n1 0 obj\n"),
              "AI file is PDF-based: no cut section (no line \"%%Note: AI_ParserStart\")");
    // Objects run on over lines; one never closed refuses the line it began on.
    EXPECT_EQ(ReadText(Section("(a\\\n1 2 l) Tx\n/p {\n3 4 l\n} def 5 6 l\n")),
              (std::vector<Parsed>{{"", {}}, {"Tx", {}}, {"", {}}, {"", {}}, {"def", {}}, {"l", {5, 6}}}));
    EXPECT_EQ(ReadText(Section("0 0 m\n10 0 l {\n%%Note: AI_ParserStart\n")),
              (std::vector<Parsed>{{"m", {0, 0}}, {"l", {10, 0}}, {"", {}},
                                   {"refused \"{\" is not closed, nothing after it is read", {}}}));
    // An object never closed is named by the line it began on, whatever
    // opens or closes inside it on later lines.
    const struct { std::string body; size_t line; const char* opener; } unclosed[] = {
        {"0 0 m\n10 0 l (a\n1 2 l\n(b) c\n", 4, "("},
        {"{\n/p {\n} def\n\n", 3, "{"},
        {"(x) Tx\n[1 2] d\n\n{ 3 4 l\n} def {\n", 7, "{"},
        {"0 0 m\r\n\r\n<< /A (\r\n) >>\r\n(\\\r\n1 2 l\r\n", 7, "("},
    };
    for (const auto& c : unclosed) {
        size_t line = 0;
        const std::vector<Parsed> read = ReadText(Section(c.body), nullptr, &line);
        ASSERT_FALSE(read.empty()) << c.body;
        EXPECT_EQ(read.back().op, "refused \"" + std::string(c.opener) + "\" is not closed, nothing after it is read");
        EXPECT_EQ(line, c.line) << c.body;
    }
    // Without the stop marker what was read stays.
    EXPECT_EQ(ReadText("%%Note: AI_ParserStart\n0 0 m\n10 0 l"), (std::vector<Parsed>{{"m", {0, 0}}, {"l", {10, 0}}}));
    // Lines are numbered in the file, a CR LF pair ending one line.
    StringStream crlf(Section("0 0 m\r\n\r\n1 nan l\r\n", "\r\n"));
    AdobeIllustratorFileContents numbered;
    AdobeIllustratorFileReader reader;
    reader.SetInputStream(&crlf);
    reader.SetContents(&numbered);
    reader.Read();
    ASSERT_EQ(numbered.Commands().size(), 2u);
    EXPECT_EQ(numbered.Commands()[0]->m_iLine, 3u);
    EXPECT_EQ(numbered.Commands()[1]->m_iLine, 5u);
    // A long line before the section is stepped over.
    EXPECT_EQ(ReadText(std::string(200000, 'x') + "\n" + Section("1 2 m\n")), (std::vector<Parsed>{{"m", {1, 2}}}));
}

TEST(AiReaderFile, RefusesInputBeyondItsLimits) {
    try {
        ReadText(Section(std::string(kAiMaxLineLength + 1, '1') + "\n"));
        FAIL() << "no throw";
    } catch (const TextError& e) {
        EXPECT_STREQ(e.what(), "AI file line too long");
    }
    EXPECT_NO_THROW(ReadText(Section(std::string(kAiMaxLineLength, ' ') + "\n")));

    // An endless stream without a line end (a device named as the cut file).
    StringStream endless("%%Note: AI_ParserStart\n0 0 m\n1", true);
    AdobeIllustratorFileContents contents;
    AdobeIllustratorFileReader reader;
    reader.SetMaxInputBytes(1 << 16);
    reader.SetInputStream(&endless);
    reader.SetContents(&contents);
    EXPECT_THROW(reader.Read(), TextError);
    StringStream endlessBefore("x", true);
    reader.SetInputStream(&endlessBefore);
    try {
        reader.Read();
        FAIL() << "no throw";
    } catch (const TextError& e) {
        EXPECT_STREQ(e.what(), "AI file too large");
    }
    EXPECT_LE(endlessBefore.Position(), size_t{1} << 16);

    AdobeIllustratorFileReader counting;
    AdobeIllustratorFileContents many;
    counting.SetContents(&many);
    for (size_t i = 0; i < kAiMaxCommands; ++i) counting.ProcessLine("h");
    EXPECT_THROW(counting.ProcessLine("h"), TextError);
    EXPECT_EQ(many.Commands().size(), kAiMaxCommands);
}

std::vector<CutPoint> Flatten(CutPoint p0, CutPoint p1, CutPoint p2, CutPoint p3, double tolerance = 0.5) {
    std::vector<CutPoint> out;
    FlattenBezier(p0, p1, p2, p3, tolerance, out);
    return out;
}

CutPoint Bezier(const CutPoint (&p)[4], double t) {
    const double s = 1 - t;
    const double a = s * s * s, b = 3 * s * s * t, c = 3 * s * t * t, d = t * t * t;
    return {a * p[0].x + b * p[1].x + c * p[2].x + d * p[3].x, a * p[0].y + b * p[1].y + c * p[2].y + d * p[3].y};
}

double DistanceToSegment(CutPoint p, CutPoint a, CutPoint b) {
    const double dx = b.x - a.x, dy = b.y - a.y;
    const double len2 = dx * dx + dy * dy;
    double t = len2 > 0 ? ((p.x - a.x) * dx + (p.y - a.y) * dy) / len2 : 0.0;
    t = t < 0 ? 0 : (t > 1 ? 1 : t);
    return std::hypot(p.x - (a.x + t * dx), p.y - (a.y + t * dy));
}

TEST(FlattenBezier, StraightCurvesGiveStartMidpointAndEnd) {
    const auto points = Flatten({0, 0}, {1, 1}, {2, 2}, {3, 3});
    ASSERT_EQ(points.size(), 3u);
    EXPECT_EQ(points[1].x, 1.5);
    EXPECT_EQ(points[1].y, 1.5);
}

TEST(FlattenBezier, PolylineStaysWithinTheToleranceOfTheCurve) {
    const CutPoint curves[][4] = {
        {{0, 0}, {33.3, 100}, {66.7, 100}, {100, 0}},  // the arch: x advances evenly, y does not
        {{0, 0}, {4000, 9000}, {-3000, 9000}, {5000, 0}},
        {{10, 10}, {10, 10}, {900, -700}, {0, 0}},
    };
    for (const auto& curve : curves) {
        const auto points = Flatten(curve[0], curve[1], curve[2], curve[3]);
        EXPECT_GT(points.size(), 3u);
        EXPECT_EQ(points.front().x, curve[0].x);
        EXPECT_EQ(points.back().y, curve[3].y);
        for (int i = 0; i <= 2000; ++i) {
            const CutPoint p = Bezier(curve, i / 2000.0);
            double nearest = 1e300;
            for (size_t k = 1; k < points.size(); ++k) {
                nearest = std::fmin(nearest, DistanceToSegment(p, points[k - 1], points[k]));
            }
            EXPECT_LE(nearest, 0.5) << "t = " << i / 2000.0;
        }
    }
}

TEST(FlattenBezier, EndsOnInfiniteAndHugeInput) {
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_LE(Flatten({0, 0}, {inf, 0}, {0, -inf}, {1, 1}).size(), 3u);
    EXPECT_LE(Flatten({0, 0}, {NAN, 0}, {0, 0}, {1, 1}).size(), 5u);
    EXPECT_LE(Flatten({0, 0}, {1e300, 1e300}, {-1e300, 1e300}, {1, 1}).size(), 3u);
    // The whole 32-bit range of the command text needs no more than 18 levels.
    const double far = 2147483647.0;
    EXPECT_LE(Flatten({-far, -far}, {far, far}, {-far, far}, {far, -far}).size(), (size_t{1} << 18) + 1);
}

}  // namespace
