// The MGL command generator: the cut paths of the Illustrator file become the
// plotter text of the cutting unit (short letter commands, each ended by ";"),
// in plotter units of 1/1016 inch, the picture turned a quarter turn and
// placed against the registration marks when the device reads printed marks.
//
// Cut are the path operators of the Illustrator format: "m" (pen up, a new
// subpath), "l" and "L" (lines), "c" and "C" (curves), "v" and "V" (curves
// whose first control point is the current point), "y" and "Y" (curves whose
// second control point is the end point); the painting operators "f", "F",
// "s", "b", "B" and "n" close the subpath with a line to its first point where
// it is open ("S" and "N" leave it open). Curves are flattened to within half
// a plotter unit. Other operators with two or more numbers are counted and
// logged as warnings, one line per name. A line the reader refused (a number
// that is no finite double, a path operator without exactly its numbers, an
// object never closed), and a line or curve with no current point (no "m"
// before it, or none since a painting operator ended the path), is not cut,
// nor is the rest of the path it stands in: the text since the path's move or
// the last painting operator is taken back and the commands up to the next
// move are passed over, so no later segment cuts from a point the file did
// not give. That (by line number for the first 20 lines, then counted in one
// notice), and a cut that reaches more than 1 mm outside the picture, is a
// warning in the log and in the job's "Process/InfoMessage" ("Contour cut:
// ..."), so that every host shows it.
#pragma once

#include <cstdint>
#include <string>

#include "cutting/ai_reader.h"

class IJobInfo;
class ILogger;
class IMimakiCutmarksGeneratorInfo;

// The generator refuses to write more text than this ("MGL cut data too large").
inline constexpr size_t kMglMaxTextBytes = size_t{64} << 20;

// A number of the command text: rounded half away from zero, clamped to 32
// bits, in decimal.
std::string FormatRoundedInt(double value);

class IPointTransformation {
public:
    virtual ~IPointTransformation() = default;
};

// PostScript points to plotter units: (x, y) goes to
// ((extent y - y - offset y) * s, (x + offset x) * s).
class PSPointsToHPPlotterUnitCoordinateSystemConverter : public IPointTransformation {
public:
    virtual void TransformInPlace(CutPoint& point) const { point = Transform(point); }
    virtual void SetScale(double scale) { m_dScale = scale; }
    virtual void SetOffset(double x, double y) {
        m_dOffsetX = x;
        m_dOffsetY = y;
    }
    virtual void SetPageExtent(double x, double y) {
        m_dExtentX = x;
        m_dExtentY = y;
    }
    virtual CutPoint TransformPair(double x, double y) const {
        return {(m_dExtentY - y - m_dOffsetY) * m_dScale, (x + m_dOffsetX) * m_dScale};
    }
    virtual CutPoint Transform(CutPoint point) const { return TransformPair(point.x, point.y); }
    virtual double ScaleLength(double length) const { return length * m_dScale; }
    // (extent y, extent x) in plotter units.
    virtual CutPoint GetScaledPageExtent() const { return {m_dExtentY * m_dScale, m_dExtentX * m_dScale}; }

private:
    double m_dScale = 1016.0 / 72.0;
    double m_dOffsetX = 0.0;
    double m_dOffsetY = 0.0;
    double m_dExtentX = 1.0;
    double m_dExtentY = 0.0;
};

class IMimaki_MGL_Generator {
public:
    virtual ~IMimaki_MGL_Generator() = default;
    virtual void SetIJobInfo(IJobInfo* jobInfo) = 0;
    virtual void SetContents(AdobeIllustratorFileContents* contents) = 0;
    // Null when the device reads no printed marks.
    virtual void SetIMimakiCutmarksGeneratorInfo(IMimakiCutmarksGeneratorInfo* info) = 0;
    // Empties out, reserves 1 MiB and generates into it.
    virtual void GenerateInto(std::string& out) = 0;
    // Appends the text of the whole cut job; throws TextError "AI file is
    // empty", "AI file does not contain any cut path", "AI file coordinates
    // out of range" or "MGL cut data too large" (the text so far stays in out).
    virtual void Generate(std::string& out) = 0;
};

class Mimaki_MGL_IIC_Generator : public IMimaki_MGL_Generator {
public:
    Mimaki_MGL_IIC_Generator() = default;
    ~Mimaki_MGL_IIC_Generator() override { m_pJobInfo = nullptr; }

    void SetIJobInfo(IJobInfo* jobInfo) override { m_pJobInfo = jobInfo; }
    void SetContents(AdobeIllustratorFileContents* contents) override { m_pContents = contents; }
    void SetIMimakiCutmarksGeneratorInfo(IMimakiCutmarksGeneratorInfo* info) override { m_pCutmarks = info; }
    void GenerateInto(std::string& out) override;
    void Generate(std::string& out) override;

    // Where skipped and uncut commands and a cut outside the picture are
    // reported (warnings); optional.
    void SetLogger(ILogger* logger) { m_pLogger = logger; }

private:
    // A warning in the log and in the job's info messages.
    void Notice(const std::string& text);

    IJobInfo* m_pJobInfo = nullptr;
    AdobeIllustratorFileContents* m_pContents = nullptr;
    IMimakiCutmarksGeneratorInfo* m_pCutmarks = nullptr;
    ILogger* m_pLogger = nullptr;
};
