#include "halftone/dot_size_tables.h"

#include <initializer_list>

#include "base/text_error.h"

const TwoDotCurveTable kTwoDotTable1 = {{
    {{0, 0}, {31, 67}, {51, 108}, {102, 179}, {178, 238}, {255, 255}},
    {{0, 0}, {51, 0}, {127, 50}, {178, 118}, {255, 255}},
}};
const TwoDotCurveTable kTwoDotTable2 = {{
    {{0, 0}, {28, 67}, {46, 108}, {92, 179}, {160, 238}, {255, 255}},
    {{0, 0}, {51, 0}, {124, 50}, {174, 118}, {255, 255}},
}};
const TwoDotCurveTable kTwoDotTable3 = {{
    {{0, 0}, {25, 67}, {51, 134}, {102, 216}, {153, 244}, {255, 254}},
    {{0, 0}, {51, 0}, {127, 59}, {153, 97}, {178, 134}, {205, 176}, {255, 255}},
}};
const TwoDotCurveTable kTwoDotTable4 = {{
    {{0, 0}, {25, 88}, {51, 172}, {77, 216}, {127, 242}, {255, 254}},
    {{0, 0}, {51, 0}, {127, 78}, {153, 112}, {178, 147}, {205, 185}, {255, 255}},
}};

namespace {

using Points = std::initializer_list<DotCurvePoint>;

void SetCurve(DotCurveLists& lists, int c, Points points) {
    lists.x[c].clear();
    lists.y[c].clear();
    for (const DotCurvePoint& p : points) {
        lists.x[c].push_back(p.x);
        lists.y[c].push_back(p.y);
    }
}

void SetCurves(DotCurveLists& lists, Points c0, Points c1, Points c2) {
    SetCurve(lists, 0, c0);
    SetCurve(lists, 1, c1);
    SetCurve(lists, 2, c2);
}

// Points of one curve of a two-curve table: up to its last pair with a non-zero x.
std::vector<DotCurvePoint> CurvePoints(const int32_t (&pairs)[10][2]) {
    int count = 0;
    for (int i = 0; i < 10; ++i) {
        if (pairs[i][0] != 0) count = i + 1;
    }
    std::vector<DotCurvePoint> points;
    for (int i = 0; i < count; ++i) points.push_back({pairs[i][0], pairs[i][1]});
    return points;
}

void Allocate(DotSizeTables& out, int count) {
    out.storage.reset(new uint16_t[DotSizeTables::kEntries * count]());
    for (int t = 0; t < 3; ++t) {
        out.table[t] = t < count ? out.storage.get() + DotSizeTables::kEntries * t : nullptr;
    }
    out.count = count;
}

bool InRange(int32_t model, int32_t first, int32_t last) { return model >= first && model <= last; }

}  // namespace

void InitDotCurvesA(DotCurveLists& lists) {
    SetCurves(lists, {{0, 0}, {54, 203}, {63, 229}, {93, 255}, {255, 255}},
              {{0, 0}, {42, 0}, {76, 28}, {102, 86}, {127, 144}, {153, 196}, {186, 240}, {255, 254}},
              {{0, 0}, {132, 0}, {178, 39}, {204, 102}, {229, 176}, {255, 255}});
}

void InitDotCurvesB(DotCurveLists& lists, int32_t dotMode) {
    if (dotMode == 17) {
        SetCurves(lists, {{0, 0}, {24, 76}, {51, 140}, {167, 251}, {255, 255}},
                  {{0, 0}, {25, 0}, {76, 37}, {102, 82}, {153, 187}, {178, 225}, {255, 254}},
                  {{0, 0}, {118, 0}, {178, 51}, {230, 184}, {255, 255}});
    } else {
        SetCurves(lists, {{0, 0}, {24, 75}, {59, 178}, {76, 224}, {100, 255}, {255, 255}},
                  {{0, 0}, {66, 0}, {90, 25}, {102, 54}, {128, 132}, {153, 204}, {178, 233}, {255, 254}},
                  {{0, 0}, {152, 0}, {178, 44}, {230, 184}, {255, 255}});
    }
}

void InitDotCurvesC(DotCurveLists& lists) {
    SetCurves(lists, {{0, 0}, {65, 203}, {76, 229}, {113, 255}, {255, 255}},
              {{0, 0}, {56, 0}, {88, 26}, {102, 57}, {153, 178}, {204, 246}, {255, 254}},
              {{0, 0}, {140, 0}, {183, 38}, {229, 168}, {255, 255}});
}

void InitDotCurvesD(DotCurveLists& lists) {
    SetCurves(lists, {{0, 0}, {25, 130}, {51, 218}, {76, 255}, {255, 255}},
              {{0, 0}, {27, 0}, {76, 66}, {102, 130}, {128, 188}, {170, 237}, {255, 254}},
              {{0, 0}, {110, 0}, {153, 31}, {178, 77}, {204, 133}, {229, 193}, {255, 255}});
}

void InitDotSizeTables2(const TwoDotCurveTable& curves, DotSizeTables& out, const DotCurveFill& fill) {
    Allocate(out, 2);
    for (int c = 0; c < 2; ++c) {
        std::vector<DotCurvePoint> points = CurvePoints(curves.points[c]);
        fill(points, out.table[c]);
    }
}

void InitDotSizeTables3(const DotCurveLists& curves, DotSizeTables& out, const DotCurveFill& fill) {
    for (int c = 0; c < 3; ++c) {
        if (curves.x[c].size() != curves.y[c].size()) {
            throw TextError("InitDotSizeTables3: curve " + std::to_string(c) + " has " +
                            std::to_string(curves.x[c].size()) + " x values but " +
                            std::to_string(curves.y[c].size()) + " y values");
        }
    }
    Allocate(out, 3);
    for (int c = 0; c < 3; ++c) {
        std::vector<DotCurvePoint> points;
        for (size_t i = 0; i < curves.x[c].size(); ++i) points.push_back({curves.x[c][i], curves.y[c][i]});
        fill(points, out.table[c]);
    }
}

DotCurveSource SelectDotCurves(int32_t model, int dotSizeCount, int32_t resolutionX) {
    if (dotSizeCount != 2 && dotSizeCount != 3) return DotCurveSource::None;
    const bool two = dotSizeCount == 2;
    if (InRange(model, 654, 672) || InRange(model, 697, 699)) {
        return two ? DotCurveSource::TwoDotTable1 : DotCurveSource::CurvesB;
    }
    if (InRange(model, 673, 676) || model == 726 || model == 727) {
        // These models have no two-dot curves: a two-dot job gets no tables.
        return two ? DotCurveSource::None : DotCurveSource::CurvesD;
    }
    switch (model) {
        case 677: case 678: case 681: case 682: case 685: case 686: case 689: case 690:
            return two ? DotCurveSource::TwoDotTable2 : DotCurveSource::CurvesC;
        default: break;
    }
    if (InRange(model, 691, 696) || InRange(model, 700, 717) || InRange(model, 7077, 7080)) {
        if (!two) return DotCurveSource::CurvesA;
        return resolutionX >= 1440 ? DotCurveSource::TwoDotTable4 : DotCurveSource::TwoDotTable3;
    }
    return DotCurveSource::None;
}

int InitModelHalftoneTables(int32_t model, int dotSizeCount, int32_t resolutionX, int32_t dotMode,
                            DotSizeTables& out, const DotCurveFill& fill) {
    DotCurveLists lists;
    switch (SelectDotCurves(model, dotSizeCount, resolutionX)) {
        case DotCurveSource::None: return 0;
        case DotCurveSource::TwoDotTable1: InitDotSizeTables2(kTwoDotTable1, out, fill); return 1;
        case DotCurveSource::TwoDotTable2: InitDotSizeTables2(kTwoDotTable2, out, fill); return 1;
        case DotCurveSource::TwoDotTable3: InitDotSizeTables2(kTwoDotTable3, out, fill); return 1;
        case DotCurveSource::TwoDotTable4: InitDotSizeTables2(kTwoDotTable4, out, fill); return 1;
        case DotCurveSource::CurvesA: InitDotCurvesA(lists); break;
        case DotCurveSource::CurvesB: InitDotCurvesB(lists, dotMode); break;
        case DotCurveSource::CurvesC: InitDotCurvesC(lists); break;
        case DotCurveSource::CurvesD: InitDotCurvesD(lists); break;
    }
    InitDotSizeTables3(lists, out, fill);
    return 1;
}
