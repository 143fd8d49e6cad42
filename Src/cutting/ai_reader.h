// The reader of the host's Adobe Illustrator cut file: the text lines between
// "%%Note: AI_ParserStart" and "%%Note: AI_ParserStop" become an ordered list
// of commands, each an operator with its numeric operands; and the flattening
// of cubic Bezier curves into straight segments.
//
// The file is outside input. The reader refuses, with a TextError, a file
// longer than kAiMaxFileBytes, a line of the cut section longer than
// kAiMaxLineLength and more than kAiMaxCommands commands, so that no file
// makes it read or hold without bound.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class IInputStream;
class LineReader;

inline constexpr const char* kAiParserStart = "%%Note: AI_ParserStart";
inline constexpr const char* kAiParserStop = "%%Note: AI_ParserStop";
inline constexpr uint64_t kAiMaxFileBytes = uint64_t{256} << 20;
inline constexpr size_t kAiMaxLineLength = 64 * 1024;
inline constexpr size_t kAiMaxCommands = size_t{1} << 20;

class AdobeIllustratorFileContentsCommand {
public:
    AdobeIllustratorFileContentsCommand(std::vector<double> operands, std::string op, size_t line = 0)
        : m_vOperands(std::move(operands)), m_strOperator(std::move(op)), m_iLine(line) {}
    virtual ~AdobeIllustratorFileContentsCommand() = default;

    std::vector<double> m_vOperands;
    std::string m_strOperator;
    // The line of the file the command stands on, counted from 1 (0: unknown).
    size_t m_iLine = 0;
    // Not empty for a line refused whole: the text of its number that is no
    // finite double ("nan", "inf", "1e400"). Such a command stands for the
    // line and has no operator or operands.
    std::string m_strRefusedNumber;
};

class AdobeIllustratorFileContents {
public:
    AdobeIllustratorFileContents() = default;
    virtual ~AdobeIllustratorFileContents() = default;
    AdobeIllustratorFileContents(const AdobeIllustratorFileContents&) = delete;
    AdobeIllustratorFileContents& operator=(const AdobeIllustratorFileContents&) = delete;

    // Moves both into a new command at the end of the list.
    virtual void AddCommand(std::vector<double>& operands, std::string& op, size_t line = 0);
    // A line refused whole for a number that is no finite double.
    void AddRefusedLine(size_t line, std::string number);
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
    // Reads the cut section into the contents. Without a start marker nothing
    // is read; without a stop marker what was read stays. Throws TextError for
    // input beyond the limits above.
    virtual void Read();
    virtual void SetJobTicketFilter(bool on) { m_bJobTicketMode = on; }
    // The ids of the "QOR_JobTicketID" comments (only in job-ticket mode).
    virtual void GetJobTicketIDs(std::vector<int32_t>& out);
    // One line of the cut section: a comment, or the commands of the line for
    // the contents: every operator on the line with the numbers before it
    // (numbers after the last operator make a command without one). A line
    // holding a number that is no finite double adds no command but a
    // refused line. Lines are numbered from the file's first line when Read
    // calls this, else in the order of the calls.
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
