// Variable-dot parameters of the planar channel halftoners: per channel one
// level curve per dot size (which share of the pixels gets a dot of at least
// that size, as a function of the 12-bit ink value) and the 2-bit code each
// dot size is written with.
//
// A family builds one parameter set per ink set and dot mode, from a dot-set
// descriptor (drop volumes and transition percentages, through the curve
// builder CBuildDotLut), from a waveform record of control points, from point
// vectors, or empty with only a code map, and hands it to the channel
// factories through its PlanarHalfConfig. The channel halftoners copy the
// curves when the halftoner's job starts, so a parameter set must live until
// CHalftone::InitJob has returned. Failures throw TextError.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "base/spline.h"

// The base of every parameter set; a bare one means "no dot-size data".
struct PlanarChannelParameters {
    virtual ~PlanarChannelParameters() = default;
};

constexpr int kVdsCurveCount = 15;
constexpr int kVdsCurveSize = 4096;

// The code map handed to the constructors: the dot code of each dot size.
using VdsDotCodes = std::array<uint8_t, kVdsCurveCount>;

// A named dot set of the families' static data. Volumes in picolitres,
// smallest first, and transition percentages, one per dot size but the
// largest; each list ends at the first value that is not above 0.
struct VdsDotSetDescriptor {
    const char* name;
    float dotVal[7];
    float transition[6];
};

// A waveform record of the families' static data: per dot size a block of
// ten (x, y) points on the 0..255 scale. A block of zeros holds no dot size;
// within a block the points run to the last one that is not (0, 0).
struct VdsWaveformPoint {
    uint8_t x;
    uint8_t y;
};
struct VdsWaveformRecord {
    const char* name;
    float dotSize[7];  // descriptive only
    VdsWaveformPoint points[7][10];
};

struct PlanarChannel_VDS_Parameters : PlanarChannelParameters {
    using Curve = std::array<uint16_t, kVdsCurveSize>;

    // All curves 0 and the codes 1..15; then the code map, when given.
    explicit PlanarChannel_VDS_Parameters(const VdsDotCodes* codeMap = nullptr);
    // The curves of a dot set through CBuildDotLut.
    explicit PlanarChannel_VDS_Parameters(const VdsDotSetDescriptor& descriptor,
                                          const VdsDotCodes* codeMap = nullptr);

    static std::unique_ptr<PlanarChannel_VDS_Parameters> CreateDefault(const VdsDotCodes* codeMap = nullptr);
    static std::unique_ptr<PlanarChannel_VDS_Parameters> CreateFromWaveform(const VdsWaveformRecord& record,
                                                                            const VdsDotCodes* codeMap = nullptr);
    // Curves 0, 1 and 2 through the points (xPos[c][i], yPos[c][i]), 0..255.
    static std::unique_ptr<PlanarChannel_VDS_Parameters> CreateFromPoints(
        const std::array<std::vector<int32_t>, 3>& xPos, const std::array<std::vector<int32_t>, 3>& yPos);

    static constexpr size_t kMaxPoints = 260;

    std::array<Curve, kVdsCurveCount> levelCurves{};
    VdsDotCodes dotCodes{};
};

// A cubic spline through dot-curve points on the 12-bit (or 16-bit) grid.
// The fillers take the point list over and leave it empty, also on failure.
class CSplineDot {
public:
    virtual ~CSplineDot() = default;
    // from > 0 fills only curve[from] onwards (a search that checks a tail
    // of the curve); the entries before it are left as they were.
    bool FillTable12(std::vector<SplinePoint>& points, uint16_t* curve /* [4096] */, int32_t from = 0);
    bool FillTable16(std::vector<SplinePoint>& points, uint16_t* curve /* [65536] */, int32_t from = 0);

private:
    bool Fill(std::vector<SplinePoint>& points, uint16_t* curve, int32_t maxValue, int32_t from);
    CSpline m_spline;
};

// Builds the level curves of a dot set: the smallest dot size rises first,
// each larger one takes over where the smaller ones saturate.
class CBuildDotLut {
public:
    explicit CBuildDotLut(int bits);

    // Relative dot sizes, the largest 1.0; an empty list is ignored.
    void SetDotValues(const std::vector<double>& dotValues);
    // Transition percentages, one per dot size but the largest.
    void SetTransitions(const std::vector<double>& transitions);
    // False when a curve cannot be built (a knee search leaves its bounds).
    bool CalcDotLut();
    // The curves in dot-size order, still owned by the builder; false until
    // CalcDotLut has computed them.
    bool GetCurves(std::vector<const uint16_t*>& curves) const;

    const std::vector<uint32_t>& Knees() const { return m_knees; }
    int32_t MaxValue() const { return m_maxValue; }

private:
    using Points = std::vector<SplinePoint>;

    bool Fill(const Points& points, uint16_t* curve, int32_t from = 0);
    bool FirstCurve();
    bool SecondCurve();
    bool MiddleCurve(int k);
    void TopCurve();
    // Moves the knee point (the one before the end point) left from start
    // until curve k is full from the knee on; false when it leaves the
    // bounds (the point before the knee + 1, maxValue - 1).
    bool KneeSearch(int k, int32_t start, bool stepBeforeFit);
    // The knee x from which curve k is full, scaled to the builder's grid;
    // -1 when none is found within the bounds.
    int32_t Saturation(int k);
    // Coverage of the curves 0..j at x.
    double Coverage(int j, int32_t x) const;
    uint16_t* Curve(int k) { return m_curves[static_cast<size_t>(k)].get(); }
    const uint16_t* Curve(int k) const { return m_curves[static_cast<size_t>(k)].get(); }

    int m_bits;
    int32_t m_maxValue;
    int m_dotCount = 0;
    std::vector<double> m_dotValues;
    std::vector<std::unique_ptr<uint16_t[]>> m_curves;
    std::vector<Points> m_controlPoints;
    bool m_calculated = false;
    std::vector<uint32_t> m_knees;
    std::vector<double> m_transitions;
};
