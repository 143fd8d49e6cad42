#include "cutting/mgl_generator.h"

#include <cmath>
#include <map>
#include <string_view>
#include <vector>

#include "base/format.h"
#include "base/log_interface.h"
#include "base/rounding.h"
#include "base/text_error.h"
#include "cutting/cutmarks.h"
#include "cutting/job_info.h"

namespace {

constexpr double kFlattenTolerance = 0.5;  // plotter units
constexpr double kMaxCoordinate = 2147483647.0;
constexpr double kPlotterUnitsPerMm = 1016.0 / 25.4;
constexpr double kFrameToleranceMm = 1.0;
// Operators not cut are logged by name up to this many; the rest in one line.
constexpr size_t kMaxNamedUncutOperators = 64;
// Refused lines are named up to this many; the rest are counted in one notice.
constexpr size_t kMaxNamedRefusedLines = 20;

// A point the command text can hold; else the file is refused.
CutPoint Checked(CutPoint point) {
    if (!(std::fabs(point.x) <= kMaxCoordinate && std::fabs(point.y) <= kMaxCoordinate)) {
        throw TextError("AI file coordinates out of range");
    }
    return point;
}

void AppendPoint(std::string& out, const char* command, CutPoint point, const char* end) {
    out += command;
    out += FormatRoundedInt(point.x);
    out += ',';
    out += FormatRoundedInt(point.y);
    out += end;
}

// How far a cut point lies outside a rectangle, in plotter units.
class Frame {
public:
    Frame(CutPoint a, CutPoint b)
        : m_low{std::fmin(a.x, b.x), std::fmin(a.y, b.y)}, m_high{std::fmax(a.x, b.x), std::fmax(a.y, b.y)} {}
    double Outside(CutPoint p) const {
        const double dx = std::fmax(0.0, std::fmax(m_low.x - p.x, p.x - m_high.x));
        const double dy = std::fmax(0.0, std::fmax(m_low.y - p.y, p.y - m_high.y));
        return std::hypot(dx, dy);
    }

private:
    CutPoint m_low, m_high;
};

void Warn(ILogger* logger, const std::string& text) {
    if (logger) logger->LogWarning(text.c_str());
}

}  // namespace

std::string FormatRoundedInt(double value) { return std::to_string(RoundToInt32(value)); }

void Mimaki_MGL_IIC_Generator::Notice(const std::string& text) {
    Warn(m_pLogger, "Mimaki_MGL_IIC_Generator: " + text);
    if (!m_pJobInfo) return;
    std::string info = "Contour cut: " + text;
    m_pJobInfo->AddInfoMessage(info);
}

void Mimaki_MGL_IIC_Generator::GenerateInto(std::string& out) {
    out.clear();
    out.reserve(0x100000);
    Generate(out);
}

void Mimaki_MGL_IIC_Generator::Generate(std::string& out) {
    if (!m_pJobInfo) throw TextError("Mimaki_MGL_IIC_Generator: no job information");
    double barLength = 0.0;
    double barWidth = 0.0;
    double margin = 0.0;
    if (m_pCutmarks) {
        barLength = m_pCutmarks->GetBarLengthPt();
        barWidth = m_pCutmarks->GetBarWidthPt();
        margin = m_pCutmarks->GetMarginPt();
    }
    const double width = m_pJobInfo->GetImageWidthPt();
    const double height = m_pJobInfo->GetImageHeightPt();

    PSPointsToHPPlotterUnitCoordinateSystemConverter converter;
    converter.SetOffset(margin - barWidth / 2, barLength);
    converter.SetPageExtent(width + 2 * margin - barWidth, height + 2 * barLength - barWidth);

    double feed = m_pJobInfo->GetFeedMarginPt();
    if (barLength > feed) feed = barLength;
    feed += height + 2 * barLength - barWidth;

    const int mode = m_pJobInfo->GetCutMode();
    out += "IN;\n";
    out += "ZB1;\n";
    out += mode == 5 ? "JA1;\n" : "JA0;\n";
    if (m_pCutmarks) {
        AppendPoint(out, "JS", converter.GetScaledPageExtent(), ";\n");
        out += "JD5,5;\n";
    }
    if (!m_pContents || m_pContents->IsEmpty()) throw TextError("AI file is empty");

    // The picture's own frame, without the marks around it.
    const Frame frame(converter.TransformPair(0, 0), converter.TransformPair(width, height));
    double outside = 0.0;  // the farthest cut point outside it
    CutPoint current;
    CutPoint subpathStart;
    // A current point: a move since the path began, not ended by a painting
    // operator since. A line or curve without one is refused: the blade would
    // cut from wherever it last stood.
    bool inSubpath = false;
    const AdobeIllustratorFileContentsCommand* painted = nullptr;  // what ended the last path
    bool cutPath = false;
    // The path being read: its text runs from pathText to the end of out; it
    // ends at the next move or painting operator. A refused line drops it,
    // and what follows up to the next move, from the cut.
    struct OpenPath {
        size_t text = 0;
        CutPoint from;  // the pen before it
        double outside = 0.0;
        bool cut = false;
    } path;
    path.text = out.size();
    bool skipping = false;
    const auto endPath = [&]() {
        outside = std::fmax(outside, path.outside);
        cutPath = cutPath || path.cut;
        path = OpenPath{out.size(), current, 0.0, false};
    };
    const auto dropPath = [&]() {
        out.resize(path.text);
        current = path.from;
        inSubpath = false;
        path = OpenPath{out.size(), current, 0.0, false};
        skipping = true;
    };
    std::vector<CutPoint> curve;
    std::map<std::string_view, size_t> uncut;
    size_t refusedLines = 0;
    const auto reach = [&](CutPoint p) { path.outside = std::fmax(path.outside, frame.Outside(p)); };
    const auto cutTo = [&](CutPoint to) {
        reach(current);
        reach(to);
        AppendPoint(out, "PD", to, ";\n");
        current = to;
        path.cut = true;
    };
    const auto cutCurve = [&](CutPoint t1, CutPoint t2, CutPoint t3) {
        curve.clear();
        FlattenBezier(current, t1, t2, t3, kFlattenTolerance, curve);
        for (const CutPoint& point : curve) {
            reach(point);
            AppendPoint(out, "PD", point, ";");
        }
        out += '\n';
        current = t3;
        path.cut = true;
    };
    const auto refuse = [&](size_t line, const std::string& refusal) {
        if (++refusedLines <= kMaxNamedRefusedLines) {
            Notice(StringF("AI file line %zu: %s; the path of that line is not cut", line, refusal.c_str()));
        }
        dropPath();
    };
    for (const auto& command : m_pContents->Commands()) {
        if (!command->m_strRefusal.empty()) {
            refuse(command->m_iLine, command->m_strRefusal);
            continue;
        }
        const std::string& op = command->m_strOperator;
        const std::vector<double>& v = command->m_vOperands;
        const AiPathOperator* step = FindAiPathOperator(op);
        if (skipping && !(step && step->step == AiPathStep::Move && v.size() >= step->operands)) continue;
        skipping = false;
        if (!step) {
            if (v.size() >= 2) ++uncut[op];
            continue;
        }
        if (v.size() < step->operands) {
            Warn(m_pLogger, StringF("Mimaki_MGL_IIC_Generator: \"%s\" with %zu operands skipped",
                                    EscapeControlBytes(op).c_str(), v.size()));
            continue;
        }
        const bool draws = step->step != AiPathStep::Move && step->step != AiPathStep::Close &&
                           step->step != AiPathStep::End;
        if (draws && !inSubpath) {
            // Both are path operators: letters, nothing to escape.
            const std::string why = painted ? StringF("no \"m\" since \"%s\" on line %zu ended the path",
                                                      painted->m_strOperator.c_str(), painted->m_iLine)
                                            : std::string("no \"m\" before it");
            refuse(command->m_iLine, "\"" + op + "\" has no current point (" + why + ")");
            continue;
        }
        const auto point = [&](size_t i) { return Checked(converter.TransformPair(v[i], v[i + 1])); };
        switch (step->step) {
            case AiPathStep::Move:
                endPath();
                current = subpathStart = point(0);
                inSubpath = true;
                AppendPoint(out, "PU", current, ";\n");
                break;
            case AiPathStep::Line:
                cutTo(point(0));
                break;
            case AiPathStep::Curve:
                cutCurve(point(0), point(2), point(4));
                break;
            case AiPathStep::CurveFromCurrent:
                cutCurve(current, point(0), point(2));
                break;
            case AiPathStep::CurveToEnd: {
                const CutPoint end = point(2);
                cutCurve(point(0), end, end);
                break;
            }
            case AiPathStep::Close:
                if (inSubpath && (current.x != subpathStart.x || current.y != subpathStart.y)) cutTo(subpathStart);
                endPath();
                if (inSubpath) painted = command.get();
                inSubpath = false;
                break;
            case AiPathStep::End:
                endPath();
                if (inSubpath) painted = command.get();
                inSubpath = false;
                break;
        }
        if (out.size() > kMglMaxTextBytes) throw TextError("MGL cut data too large");
    }
    endPath();
    if (refusedLines > kMaxNamedRefusedLines) {
        Notice(StringF("%zu more AI file lines refused; their paths are not cut",
                       refusedLines - kMaxNamedRefusedLines));
    }

    size_t named = 0, otherNames = 0, otherCount = 0;
    for (const auto& [name, count] : uncut) {
        if (named++ < kMaxNamedUncutOperators) {
            Warn(m_pLogger, StringF("Mimaki_MGL_IIC_Generator: operator \"%s\" not cut (%zu times)",
                                    EscapeControlBytes(name).c_str(), count));
        } else {
            ++otherNames;
            otherCount += count;
        }
    }
    if (otherNames > 0) {
        Warn(m_pLogger, StringF("Mimaki_MGL_IIC_Generator: %zu more operators not cut (%zu times)", otherNames,
                                otherCount));
    }
    if (!cutPath) throw TextError("AI file does not contain any cut path");
    const double outsideMm = outside / kPlotterUnitsPerMm;
    if (outsideMm > kFrameToleranceMm) Notice(StringF("the cut reaches %.1f mm outside the picture", outsideMm));

    if (mode == 5) {
        AppendPoint(out, "PU", current, ";\n");
        out += "JP" + FormatRoundedInt(converter.ScaleLength(feed)) + ";\n";
    } else {
        out += "!PG" + FormatRoundedInt(feed * 127 / 360) + ";\n";
    }
    out += "JE;\n";
}
