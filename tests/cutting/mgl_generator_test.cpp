#include "cutting/mgl_generator.h"

#include <iterator>
#include <random>
#include <utility>

#include "base/input_file.h"
#include "base/text_error.h"
#include "cut_test_support.h"
#include "cutting/cutmarks.h"
#include "host/ticket.h"
#include "mgl_decode.h"

namespace {

using mgl::Command;

class FixedMarks : public IMimakiCutmarksGeneratorInfo {
public:
    FixedMarks(double length, double width, double margin) : m_length(length), m_width(width), m_margin(margin) {}
    double GetBarLengthPt() override { return m_length; }
    double GetBarWidthPt() override { return m_width; }
    double GetMarginPt() override { return m_margin; }

private:
    double m_length, m_width, m_margin;
};

class MglTest : public CutJobTest {
protected:
    MglTest() {
        Image(100, 100);
        job.m_dBottomFeed = 0.0;
        job.m_iCuttingMode = 1;
        generator.SetIJobInfo(&view);
        generator.SetContents(&contents);
    }

    void Lines(std::initializer_list<const char*> lines) {
        AdobeIllustratorFileReader reader;
        reader.SetContents(&contents);
        for (const char* line : lines) reader.ProcessLine(line);
    }

    std::string Generate() {
        std::string out;
        generator.GenerateInto(out);
        return out;
    }

    // The message of what Generate throws, and the text it left.
    std::string Failure(std::string* text = nullptr) {
        std::string out;
        try {
            generator.GenerateInto(out);
        } catch (const TextError& e) {
            if (text) *text = out;
            return e.what();
        }
        return "no throw";
    }

    AdobeIllustratorFileContents contents;
    Mimaki_MGL_IIC_Generator generator;
};

TEST_F(MglTest, SquareWithoutMarksGivesTheWorkedText) {
    Lines({"0 0 m", "100 0 l", "100 100 l", "0 100 l", "0 0 l"});
    EXPECT_EQ(Generate(), "IN;\nZB1;\nJA0;\nPU1411,0;\nPD1411,1411;\nPD0,1411;\nPD0,0;\nPD1411,0;\n!PG35;\nJE;\n");
}

TEST_F(MglTest, MarksPlaceThePathsAndSizeTheFrame) {
    PSPointsToHPPlotterUnitCoordinateSystemConverter converter;
    const CutPoint origin = converter.TransformPair(0, 0);
    EXPECT_EQ(origin.x, 0.0);  // the default extent is (1.0, 0)
    EXPECT_DOUBLE_EQ(origin.y, 0.0);
    EXPECT_DOUBLE_EQ(converter.ScaleLength(72), 1016.0);

    FixedMarks marks(30, 2, 10);
    generator.SetIMimakiCutmarksGeneratorInfo(&marks);
    Image(500, 300);
    Lines({"0 0 m", "500 300 l"});
    const std::vector<Command> commands = mgl::Decode(Generate());
    ASSERT_GE(commands.size(), 7u);
    EXPECT_EQ(commands[3], (Command{"JS", {5052, 7310}}));
    EXPECT_EQ(commands[4], (Command{"JD", {5, 5}}));
    EXPECT_EQ(commands[5], (Command{"PU", {4628, 127}}));
    // (358 - 300 - 30, 500 + 9) points.
    EXPECT_EQ(commands[6], (Command{"PD", {395, 7183}}));
    // Feed: the bar length outgrows the zero bottom feed: 30 + 358 points.
    EXPECT_EQ(commands[7], (Command{"!PG", {137}}));
}

TEST_F(MglTest, NumbersRoundHalfAwayFromZero) {
    EXPECT_EQ(FormatRoundedInt(-0.5), "-1");
    EXPECT_EQ(FormatRoundedInt(2.5), "3");
    EXPECT_EQ(FormatRoundedInt(-2.4), "-2");
    EXPECT_EQ(FormatRoundedInt(1e12), "2147483647");

    Image(100, 360);
    Lines({"0 0 m", "1 1 l"});
    EXPECT_EQ(mgl::Decode(Generate()).at(5), (Command{"!PG", {127}}));
}

TEST_F(MglTest, ModeFiveFeedsWithAPenUpAndJp) {
    job.m_iCuttingMode = 5;
    job.m_dBottomFeed = -1.0;  // counts as 10 mm
    Lines({"0 0 m", "100 0 l", "50 50 l"});
    const std::string text = Generate();
    EXPECT_EQ(text.substr(0, 15), "IN;\nZB1;\nJA1;\nP");
    // Feed 10 mm + 100 pt in plotter units: 400 + 1411.1.
    const std::string tail = "PD706,706;\nPU706,706;\nJP1811;\nJE;\n";
    EXPECT_EQ(text.substr(text.size() - tail.size()), tail);
}

TEST_F(MglTest, CurvesRepeatTheCurrentPointOnOneLine) {
    Lines({"0 0 m", "0 0 50 100 100 0 c", "0 0 l"});
    const std::string text = Generate();
    const size_t start = text.find("PD1411,0;PD");
    ASSERT_NE(start, std::string::npos) << text;
    const std::string curveLine = text.substr(start, text.find('\n', start) - start);
    const auto points = mgl::Decode(curveLine);
    EXPECT_GT(points.size(), 10u);
    EXPECT_EQ(points.back(), (Command{"PD", {1411, 1411}}));
}

TEST_F(MglTest, FilesWithoutCutPathsAreRefused) {
    std::string header;
    EXPECT_EQ(Failure(&header), "AI file is empty");
    EXPECT_EQ(header, "IN;\nZB1;\nJA0;\n");
    Lines({"0 0 m", "h", "5 5 m"});
    EXPECT_EQ(Failure(), "AI file does not contain any cut path");
}

TEST_F(MglTest, CommandsWithTooFewOperandsAreSkippedAndLogged) {
    RecordingCutLogger logger;
    generator.SetLogger(&logger);
    // Given straight to the generator: the reader refuses such lines.
    using Given = std::pair<std::string, std::vector<double>>;
    for (Given c : {Given{"m", {0, 0}}, {"l", {5}}, {"c", {1, 2, 3, 4}}, {"l", {100, 0}}}) {
        contents.AddCommand(c.second, c.first);
    }
    const auto commands = mgl::Decode(Generate());
    EXPECT_EQ(commands[3], (Command{"PU", {1411, 0}}));
    EXPECT_EQ(commands[4], (Command{"PD", {1411, 1411}}));
    ASSERT_EQ(logger.lines.size(), 2u);
    EXPECT_EQ(logger.lines[0].level, LOG_WARNING);
    EXPECT_EQ(logger.lines[0].text, "Mimaki_MGL_IIC_Generator: \"l\" with 1 operands skipped");
}

TEST_F(MglTest, OperatorsNotCutAndCutsOutsideThePictureAreLogged) {
    const std::string prefix = "Mimaki_MGL_IIC_Generator: ";
    // Every pen command of a text.
    const auto cuts = [](const std::string& text) {
        std::vector<Command> pens;
        for (const Command& c : mgl::Decode(text)) {
            if (c.name == "PU" || c.name == "PD") pens.push_back(c);
        }
        return pens;
    };
    const auto refused = [](int line, const std::string& what) {
        return "AI file line " + std::to_string(line) + ": " + what + "; the path of that line is not cut";
    };
    const struct {
        std::initializer_list<const char*> lines;
        std::vector<std::string> warnings;
        std::vector<Command> pens = {};  // when given, every PU and PD
        int mode = 1;
    } cases[] = {
        {{"0 0 m", "100 100 l", "2 w", "1 mul"}, {}},
        {{"0 0 m", "50 50 l", "1 2 3 xx", "1 2", "0.5 0.5 xx", "-1 0 yy"},
         {"operator \"\" not cut (1 times)", "operator \"xx\" not cut (2 times)",
          "operator \"yy\" not cut (1 times)"}},
        // 2 points (0.7 mm) beyond the edge pass; 3 points, a line from outside
        // and a curve that bulges out do not, and are still cut.
        {{"0 0 m", "102 50 l", "50 102 l"}, {}},
        {{"0 0 m", "103 50 l"}, {"the cut reaches 1.1 mm outside the picture"}},
        {{"-10 -10 m", "0 0 l", "0 100 l"}, {"the cut reaches 5.0 mm outside the picture"}},
        {{"0 0 m", "-40 0 -40 100 0 100 c"}, {"the cut reaches 10.6 mm outside the picture"}},
        {{"0 0 m", "1 1 v", "1 1 1 y", "1 1 1 1 l", "0 0 m", "1 1 l"},
         {refused(2, "\"v\" takes 4 numbers, not 2"), refused(3, "\"y\" takes 4 numbers, not 3"),
          refused(4, "\"l\" takes 2 numbers, not 4")}},
        // Names are escaped as the ticket's texts are.
        {{"0 0 m", "1 1 l", "1 2 x\x1b\x7f"}, {"operator \"x\\x1B\\x7F\" not cut (1 times)"}},
        {{"0 0 m", "10 0 l", "S", "1e400\x01 5 l"}, {refused(4, "\"1e400\\x01\" is not a number")}},
        // S ends its path: a refused line after it does not take it back.
        {{"0 0 m", "10 0 l", "S", "5 l", "50 0 m", "60 0 l"},
         {refused(4, "\"l\" takes 2 numbers, not 1")},
         {{"PU", {1411, 0}}, {"PD", {1411, 141}}, {"PU", {1411, 706}}, {"PD", {1411, 847}}}},
        // The pen goes back to where the cut left it.
        {{"0 0 m", "10 0 l", "20 0 m", "30 0 l", "30 0 30 l"},
         {refused(5, "\"l\" takes 2 numbers, not 3")},
         {{"PU", {1411, 0}}, {"PD", {1411, 141}}, {"PU", {1411, 141}}},
         5},
        // The farthest reach is reported.
        {{"0 0 m", "-40 0 -40 100 0 100 c", "50 50 m", "103 50 l"},
         {"the cut reaches 10.6 mm outside the picture"}},
        // A line with a number that is no finite double is named; the path it
        // stands in is not cut, up to the next move.
        {{"0 0 m", "10 0 l", "s", "20 0 m", "30 0 l", "30 nan l", "40 0 l", "s", "50 0 m", "60 0 l"},
         {"AI file line 6: \"nan\" is not a finite number; the path of that line is not cut"}},
        {{"0 0 m", "10 0 l 1e400 5 l", "20 0 m 30 0 l"},
         {"AI file line 2: \"1e400\" is not a finite number; the path of that line is not cut"}},
        // A line or curve with no current point (moves the reader does not take are none) is refused: it
        // would cut from wherever the blade stood.
        {{"10 0 l", "20 0 l", "50 0 m", "60 0 l"}, {refused(1, "\"l\" has no current point (no \"m\" before it)")},
         {{"PU", {1411, 706}}, {"PD", {1411, 847}}}},
        {{"10 10m", "10 0 10 100 0 0 c", "50 0 m", "60 0 l"},
         {refused(2, "\"c\" has no current point (no \"m\" before it)")},
         {{"PU", {1411, 706}}, {"PD", {1411, 847}}}},
        {{"0 0 m", "10 0 l", "S", "10 10 M", "20 0 l", "50 0 m", "60 0 l"},
         {refused(5, "\"l\" has no current point (no \"m\" since \"S\" on line 3 ended the path)"),
          "operator \"M\" not cut (1 times)"},
         {{"PU", {1411, 0}}, {"PD", {1411, 141}}, {"PU", {1411, 706}}, {"PD", {1411, 847}}}},
        {{"0 0 m", "10 0 l", "0 10 l", "f", "10 10 moveto", "5 5 9 9 v 10 10 5 5 y"},
         {refused(6, "\"v\" has no current point (no \"m\" since \"f\" on line 4 ended the path)"),
          "operator \"moveto\" not cut (1 times)"},
         {{"PU", {1411, 0}}, {"PD", {1411, 141}}, {"PD", {1270, 0}}, {"PD", {1411, 0}}}},
        // A painting operator after another closes nothing: the path is gone.
        {{"0 0 m", "10 0 l", "N", "f", "F"}, {}, {{"PU", {1411, 0}}, {"PD", {1411, 141}}}},
    };
    for (const auto& c : cases) {
        RecordingCutLogger logger;
        generator.SetLogger(&logger);
        AdobeIllustratorFileContents file;
        generator.SetContents(&file);
        AdobeIllustratorFileReader reader;
        reader.SetContents(&file);
        for (const char* line : c.lines) reader.ProcessLine(line);
        job.m_iCuttingMode = c.mode;
        std::string text;
        EXPECT_NO_THROW(text = Generate()) << *c.lines.begin();
        if (!c.pens.empty()) {
            EXPECT_EQ(cuts(text), c.pens) << *c.lines.begin();
        }
        std::vector<std::string> warnings;
        for (const auto& line : logger.lines) {
            EXPECT_EQ(line.level, LOG_WARNING);
            warnings.push_back(line.text.substr(prefix.size()));
        }
        EXPECT_EQ(warnings, c.warnings) << *c.lines.begin();
        // Refused lines and cuts outside the picture reach every host.
        std::vector<std::string> notices, info;
        for (const std::string& w : c.warnings) {
            if (w.rfind("AI file line", 0) == 0 || w.rfind("the cut reaches", 0) == 0) {
                notices.push_back("Contour cut: " + w);
            }
        }
        Ticket_GetStringArray(store.ticket(), TICKET_SCOPE_JOB, kJobId, "Process/InfoMessage", info);
        EXPECT_EQ(info, notices) << *c.lines.begin();
        store.Erase(TICKET_SCOPE_JOB, kJobId, "Process/InfoMessage");
    }
    // What the refused paths leave: the paths before and after them, whole.
    job.m_iCuttingMode = 1;
    generator.SetLogger(nullptr);
    generator.SetContents(&contents);
    Lines({"0 0 m", "10 0 l", "s", "20 0 m", "30 0 l", "30 nan l", "40 0 l", "s", "50 0 m", "60 0 l"});
    EXPECT_EQ(cuts(Generate()), (std::vector<Command>{{"PU", {1411, 0}}, {"PD", {1411, 141}}, {"PD", {1411, 0}},
                                                      {"PU", {1411, 706}}, {"PD", {1411, 847}}}));
    // Past 64 names the rest are summed up in one line.
    RecordingCutLogger logger;
    generator.SetLogger(&logger);
    AdobeIllustratorFileContents many;
    generator.SetContents(&many);
    AdobeIllustratorFileReader reader;
    reader.SetContents(&many);
    reader.ProcessLine("0 0 m");
    reader.ProcessLine("1 1 l");
    for (int i = 0; i < 70; ++i) reader.ProcessLine("1 2 op" + std::to_string(100 + i));
    Generate();
    ASSERT_EQ(logger.lines.size(), 65u);
    EXPECT_EQ(logger.lines.back().text, prefix + "6 more operators not cut (6 times)");
    // Past 20 refused lines the rest are counted in one notice.
    AdobeIllustratorFileContents refusals;
    generator.SetContents(&refusals);
    reader.SetContents(&refusals);
    for (int i = 0; i < 25; ++i) reader.ProcessLine("1 l");
    reader.ProcessLine("0 0 m 1 1 l");
    logger.lines.clear();
    Generate();
    ASSERT_EQ(logger.lines.size(), 21u);
    EXPECT_EQ(logger.lines.back().text, prefix + "5 more AI file lines refused; their paths are not cut");
}

TEST_F(MglTest, CoordinatesBeyondTheCommandTextAreRefused) {
    Lines({"0 0 m", "1e9 0 l"});
    EXPECT_EQ(Failure(), "AI file coordinates out of range");
}

TEST_F(MglTest, TextIsBounded) {
    AdobeIllustratorFileReader reader;
    reader.SetContents(&contents);
    reader.ProcessLine("0 0 m");
    for (int i = 0; i < 40; ++i) reader.ProcessLine("-1e8 1e8 1e8 1e8 0 0 c");
    EXPECT_EQ(Failure(), "MGL cut data too large");
}

}  // namespace

namespace {

// Hostile cut files: random lines of numbers, operators and bytes, read and
// turned into MGL. Each ends in text or a TextError, never anything else.
TEST_F(MglTest, RandomFilesEndInTextOrAMessage) {
    std::mt19937 rng(20);
    const char* pieces[] = {"m", "l", "c", "h", "L", "1e308", "-1e9", "nan", "inf", "0x1p3", "%", "(", ")",
                            "Ln", "\t", " ", "  ", "12.5", "-0", "7", "1e-320", "\r", "\n", "\x80", "\xff"};
    std::uniform_int_distribution<int> pick(0, static_cast<int>(std::size(pieces)) - 1);
    std::uniform_real_distribution<double> coordinate(-2000, 2000);
    int texts = 0;
    for (int file = 0; file < 1000; ++file) {
        std::string text = "%%Note: AI_ParserStart\n";
        for (int line = 0; line < 40; ++line) {
            for (int k = 0; k < 8; ++k) {
                text += k % 2 ? std::to_string(coordinate(rng)) : pieces[pick(rng)];
                text += ' ';
            }
            text += "\n";
        }
        AdobeIllustratorFileContents fileContents;
        AdobeIllustratorFileReader reader;
        struct TextStream : IInputStream {
            std::string s;
            size_t i = 0;
            bool IsEof() override { return i < s.size(); }
            void GetChar(uint8_t* out) override { *out = static_cast<uint8_t>(s[i++]); }
            uint64_t Read(uint8_t*, uint64_t) override { return 0; }
        } stream;
        stream.s = text;
        reader.SetInputStream(&stream);
        reader.SetContents(&fileContents);
        reader.Read();
        generator.SetContents(&fileContents);
        std::string out;
        try {
            generator.GenerateInto(out);
            ++texts;
            EXPECT_NO_THROW(mgl::Decode(out));
        } catch (const TextError&) {
        }
        store.Erase(TICKET_SCOPE_JOB, kJobId, "Process/InfoMessage");  // each file is a job of its own
        store.ClearCalls();
    }
    EXPECT_GT(texts, 0);
}

}  // namespace
