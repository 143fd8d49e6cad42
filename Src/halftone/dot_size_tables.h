// Dot-size tables of error diffusion with two or three dot sizes: one
// 4096-entry table of 12-bit levels per dot size, fitted through control
// points that the printer model and the dot-size count choose.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

// A control point on the 8-bit scale: x the ink level, y the table's value.
struct DotCurvePoint {
    int32_t x;
    int32_t y;
};

// Built-in two-curve table: 2 curves of 10 (x, y) pairs each; a curve's points
// end at its last pair with a non-zero x, the pairs after it are (0, 0).
struct TwoDotCurveTable {
    int32_t points[2][10][2];
};
extern const TwoDotCurveTable kTwoDotTable1;  // models 654 to 672, 697 to 699
extern const TwoDotCurveTable kTwoDotTable2;  // models 677, 678, 681, 682, 685, 686, 689, 690
extern const TwoDotCurveTable kTwoDotTable3;  // 691 to 696, 700 to 717, 7077 to 7080 below 1440 dpi
extern const TwoDotCurveTable kTwoDotTable4;  // the same models from 1440 dpi on

// Three curves of control points, as x lists and y lists.
struct DotCurveLists {
    std::vector<int32_t> x[3];
    std::vector<int32_t> y[3];
};
void InitDotCurvesA(DotCurveLists& lists);
void InitDotCurvesB(DotCurveLists& lists, int32_t dotMode);  // dot mode 17 has a set of its own
void InitDotCurvesC(DotCurveLists& lists);
void InitDotCurvesD(DotCurveLists& lists);

// The curve fitter: fills all 4096 entries of table from the points. It gets a
// copy of the points of one curve and may change it.
using DotCurveFill = std::function<void(std::vector<DotCurvePoint>& points, uint16_t* table)>;

// Up to three tables of 4096 values in one allocation. Movable; the table
// pointers stay valid when the object is moved.
struct DotSizeTables {
    static constexpr size_t kEntries = 4096;
    std::unique_ptr<uint16_t[]> storage;
    uint16_t* table[3] = {nullptr, nullptr, nullptr};
    int count = 0;
};

// Tables 0 and 1 from a two-curve table.
void InitDotSizeTables2(const TwoDotCurveTable& curves, DotSizeTables& out, const DotCurveFill& fill);
// Tables 0, 1 and 2 from three curves; lists of unequal length throw TextError.
void InitDotSizeTables3(const DotCurveLists& curves, DotSizeTables& out, const DotCurveFill& fill);

// Which control points a printer model uses with a dot-size count.
enum class DotCurveSource {
    None,
    TwoDotTable1,
    TwoDotTable2,
    TwoDotTable3,
    TwoDotTable4,
    CurvesA,
    CurvesB,  // by the halftoner's dot mode
    CurvesC,
    CurvesD,
};
DotCurveSource SelectDotCurves(int32_t printerModel, int dotSizeCount, int32_t resolutionX);

// Builds the model's dot-size tables into out: 1 when it built them, 0 when
// the model has none for that dot-size count (out is then left empty).
int InitModelHalftoneTables(int32_t printerModel, int dotSizeCount, int32_t resolutionX,
                            int32_t dotMode, DotSizeTables& out, const DotCurveFill& fill);
