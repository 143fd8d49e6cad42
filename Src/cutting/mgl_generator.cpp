#include "cutting/mgl_generator.h"

#include <cmath>
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

// Operands that each cut operator needs.
size_t OperandsNeeded(const std::string& op) {
    if (op == "m" || op == "l") return 2;
    if (op == "c") return 6;
    return 0;
}

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

}  // namespace

std::string FormatRoundedInt(double value) { return std::to_string(RoundToInt32(value)); }

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

    CutPoint current;
    bool cutPath = false;
    std::vector<CutPoint> curve;
    for (const auto& command : m_pContents->Commands()) {
        const std::string& op = command->m_strOperator;
        const std::vector<double>& v = command->m_vOperands;
        const size_t needed = OperandsNeeded(op);
        if (needed == 0) continue;
        if (v.size() < needed) {
            if (m_pLogger) {
                m_pLogger->LogWarning(StringF("Mimaki_MGL_IIC_Generator: \"%s\" with %zu operands skipped",
                                              op.c_str(), v.size())
                                          .c_str());
            }
            continue;
        }
        if (op == "m" || op == "l") {
            current = Checked(converter.TransformPair(v[0], v[1]));
            AppendPoint(out, op == "m" ? "PU" : "PD", current, ";\n");
            cutPath = cutPath || op == "l";
        } else {
            const CutPoint t1 = Checked(converter.TransformPair(v[0], v[1]));
            const CutPoint t2 = Checked(converter.TransformPair(v[2], v[3]));
            const CutPoint t3 = Checked(converter.TransformPair(v[4], v[5]));
            curve.clear();
            FlattenBezier(current, t1, t2, t3, kFlattenTolerance, curve);
            for (const CutPoint& point : curve) AppendPoint(out, "PD", point, ";");
            out += '\n';
            current = t3;
            cutPath = true;
        }
        if (out.size() > kMglMaxTextBytes) throw TextError("MGL cut data too large");
    }
    if (!cutPath) throw TextError("AI file does not contain any cut path");

    if (mode == 5) {
        AppendPoint(out, "PU", current, ";\n");
        out += "JP" + FormatRoundedInt(converter.ScaleLength(feed)) + ";\n";
    } else {
        out += "!PG" + FormatRoundedInt(feed * 127 / 360) + ";\n";
    }
    out += "JE;\n";
}
