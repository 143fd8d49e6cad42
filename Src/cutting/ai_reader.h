// The reader of the host's Adobe Illustrator cut file: the text lines between
// "%%Note: AI_ParserStart" and "%%Note: AI_ParserStop" become an ordered list
// of commands, each an operator with its numeric operands; and the flattening
// of cubic Bezier curves into straight segments.
//
// Lines are read as PostScript reads them: "%" ends a line's data wherever it
// stands; strings "( ... )" (with their escapes and nesting) and "< ... >",
// arrays "[ ... ]", procedures "{ ... }" and dictionaries "<< ... >>" are
// objects of their own, which may run over several lines, and numbers in them
// feed no operator; "/name" is a name, not an operator. A number is a whole
// word that parses entirely as one; a number too small for a double reads as
// 0. A path operator takes exactly the numbers since the operator before it
// on its line; any other operator takes whatever stands before it. Of the
// numbers before an operator a command keeps no more than a path operator
// takes (kAiMaxOperands); the others are only counted, for the refusal that
// names them, so that a line's numbers take no memory beyond that.
//
// The file is outside input. The reader refuses, with a TextError, a file
// without a cut section, a file longer than kAiMaxFileBytes, a line of the
// cut section longer than kAiMaxLineLength and more than kAiMaxCommands
// commands, so that no file makes it read or hold without bound.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class IInputStream;
class LineReader;

inline constexpr const char* kAiParserStart = "%%Note: AI_ParserStart";
inline constexpr const char* kAiParserStop = "%%Note: AI_ParserStop";
inline constexpr uint64_t kAiMaxFileBytes = uint64_t{256} << 20;
inline constexpr size_t kAiMaxLineLength = 64 * 1024;
inline constexpr size_t kAiMaxCommands = size_t{1} << 20;
// The most numbers a path operator takes (a curve's three points).
inline constexpr size_t kAiMaxOperands = 6;

// What a path operator of the Illustrator format does to the path.
enum class AiPathStep {
    Move,              // x y: pen up to the point, a new subpath starts there
    Line,              // x y: pen down to the point
    Curve,             // x1 y1 x2 y2 x3 y3
    CurveFromCurrent,  // x2 y2 x3 y3: the first control point is the current point
    CurveToEnd,        // x1 y1 x3 y3: the second control point is the end point
    Close,             // painting that closes the path: pen down to the subpath's first point
    End,               // painting that leaves the path open: it ends, nothing is cut
};

struct AiPathOperator {
    const char* name;
    AiPathStep step;
    size_t operands;  // the numbers it takes, exactly
};

// The path operator of that name, or null for any other operator.
const AiPathOperator* FindAiPathOperator(std::string_view name);

class AdobeIllustratorFileContentsCommand {
public:
    AdobeIllustratorFileContentsCommand(std::vector<double> operands, std::string op, size_t line = 0)
        : m_vOperands(std::move(operands)), m_strOperator(std::move(op)), m_iLine(line) {}
    virtual ~AdobeIllustratorFileContentsCommand() = default;

    // The numbers before the operator, the first kAiMaxOperands of them when
    // the reader made the command.
    std::vector<double> m_vOperands;
    std::string m_strOperator;
    // The line of the file the command stands on, counted from 1 (0: unknown).
    size_t m_iLine = 0;
    // Not empty for a line refused whole: what is wrong with it, the file's
    // words quoted with their control bytes escaped ("\"nan\" is not a finite
    // number", "\"l\" takes 2 numbers, not 1"). Such a command stands for the
    // line and has no operator or operands.
    std::string m_strRefusal;
};

class AdobeIllustratorFileContents {
public:
    AdobeIllustratorFileContents() = default;
    virtual ~AdobeIllustratorFileContents() = default;
    AdobeIllustratorFileContents(const AdobeIllustratorFileContents&) = delete;
    AdobeIllustratorFileContents& operator=(const AdobeIllustratorFileContents&) = delete;

    // Moves both into a new command at the end of the list.
    virtual void AddCommand(std::vector<double>& operands, std::string& op, size_t line = 0);
    // A line refused whole, with what is wrong with it.
    void AddRefusedLine(size_t line, std::string refusal);
    virtual bool IsEmpty() const { return m_vCommands.empty(); }

    const std::vector<std::unique_ptr<AdobeIllustratorFileContentsCommand>>& Commands() const { return m_vCommands; }

private:
    std::vector<std::unique_ptr<AdobeIllustratorFileContentsCommand>> m_vCommands;
};

class AdobeIllustratorFileReader {
public:
    AdobeIllustratorFileReader();
    virtual ~AdobeIllustratorFileReader();
    AdobeIllustratorFileReader(const AdobeIllustratorFileReader&) = delete;
    AdobeIllustratorFileReader& operator=(const AdobeIllustratorFileReader&) = delete;

    // Neither is owned.
    virtual void SetInputStream(IInputStream* stream);
    virtual void SetContents(AdobeIllustratorFileContents* contents);
    // Reads the cut section into the contents; without a stop marker what was
    // read stays. Throws TextError for a file without the start marker (named
    // as PDF-based when it is one) and for input beyond the limits above. An
    // object still open at the section's end refuses the line it began on.
    virtual void Read();
    virtual void SetJobTicketFilter(bool on) { m_bJobTicketMode = on; }
    // The ids of the "QOR_JobTicketID" comments (only in job-ticket mode).
    virtual void GetJobTicketIDs(std::vector<int32_t>& out);
    // One line of the cut section: a comment, or the commands of the line for
    // the contents: every operator on the line with the numbers before it
    // (numbers after the last operator make a command without one). A line
    // holding a number that is no finite double, or a path operator whose
    // numbers are not exactly its operands (too few, too many, or a word that
    // is no number among them), adds no command but a refused line. An object
    // left open goes on on the next line. Lines are numbered from the file's
    // first line when Read calls this, else in the order of the calls.
    virtual void ProcessLine(const std::string& line);

    // The input limit; tests lower it.
    void SetMaxInputBytes(uint64_t bytes) { m_maxInputBytes = bytes; }

private:
    IInputStream* m_pStream = nullptr;
    AdobeIllustratorFileContents* m_pContents = nullptr;
    std::unique_ptr<LineReader> m_pLineReader;
    bool m_bJobTicketMode = false;
    std::vector<int32_t> m_vJobTicketIDs;
    uint64_t m_maxInputBytes = kAiMaxFileBytes;
    size_t m_iLine = 0;  // the line ProcessLine reads

    // The object that runs on from one line to the next, if any: strings
    // nested in "(", a "<" string, and "[", "{" and "<<" nested in each other.
    size_t m_iStringDepth = 0;
    bool m_bHexString = false;
    size_t m_iNesting = 0;
    size_t m_iObjectLine = 0;  // the line the outermost open object began on
    std::string m_strObjectOpener;
};

struct CutPoint {
    double x = 0.0;
    double y = 0.0;
};

// Deepest subdivision of FlattenBezier: 2^24 segments at most. Curves within a
// plotter's reach need no more than 17 levels, curves within the 32-bit range
// of the command text no more than 18.
inline constexpr int kFlattenMaxDepth = 24;

// Appends the polyline of the cubic curve p0, p1, p2, p3 to out: p0, the
// midpoints of the subdivided pieces in curve order, p3. A piece is split in
// two while its flatness exceeds tolerance, up to kFlattenMaxDepth levels; a
// piece whose flatness is not a finite number is not split.
void FlattenBezier(CutPoint p0, CutPoint p1, CutPoint p2, CutPoint p3, double tolerance, std::vector<CutPoint>& out);
