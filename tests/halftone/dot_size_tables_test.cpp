#include "halftone/dot_size_tables.h"

#include <gtest/gtest.h>

#include <vector>

#include "base/text_error.h"

namespace {

// Records the points each curve was fitted through and fills the table with
// a marker: the curve's point count in every entry.
struct RecordingFill {
    std::vector<std::vector<DotCurvePoint>> curves;
    DotCurveFill Fill() {
        return [this](std::vector<DotCurvePoint>& points, uint16_t* table) {
            curves.push_back(points);
            points.clear();  // the fitter may change its copy
            for (size_t i = 0; i < DotSizeTables::kEntries; ++i) table[i] = static_cast<uint16_t>(curves.back().size());
        };
    }
};

void ExpectWellFormed(const std::vector<DotCurvePoint>& points) {
    ASSERT_GE(points.size(), 2u);
    EXPECT_EQ(points.front().x, 0);
    EXPECT_EQ(points.front().y, 0);
    EXPECT_EQ(points.back().x, 255);
    for (size_t i = 1; i < points.size(); ++i) {
        EXPECT_LT(points[i - 1].x, points[i].x);
        EXPECT_LE(points[i - 1].y, points[i].y);  // more ink never means fewer dots
        EXPECT_LE(points[i].y, 255);
    }
}

std::vector<DotCurvePoint> FirstCurve(int32_t model, int dots, int32_t xdpi, int32_t dotMode) {
    RecordingFill rec;
    DotSizeTables tables;
    InitModelHalftoneTables(model, dots, xdpi, dotMode, tables, rec.Fill());
    return rec.curves.empty() ? std::vector<DotCurvePoint>() : rec.curves[0];
}

}  // namespace

TEST(DotCurves, ModelsChooseTheirControlPoints) {
    using S = DotCurveSource;
    EXPECT_EQ(SelectDotCurves(654, 2, 720), S::TwoDotTable1);
    EXPECT_EQ(SelectDotCurves(699, 3, 720), S::CurvesB);
    EXPECT_EQ(SelectDotCurves(673, 3, 720), S::CurvesD);
    EXPECT_EQ(SelectDotCurves(727, 3, 720), S::CurvesD);
    EXPECT_EQ(SelectDotCurves(690, 2, 720), S::TwoDotTable2);
    EXPECT_EQ(SelectDotCurves(677, 3, 720), S::CurvesC);
    EXPECT_EQ(SelectDotCurves(691, 2, 1439), S::TwoDotTable3);
    EXPECT_EQ(SelectDotCurves(7080, 2, 1440), S::TwoDotTable4);
    EXPECT_EQ(SelectDotCurves(717, 3, 1440), S::CurvesA);
    EXPECT_EQ(SelectDotCurves(679, 2, 720), S::None);
    EXPECT_EQ(SelectDotCurves(718, 3, 720), S::None);
    EXPECT_EQ(SelectDotCurves(7000, 3, 720), S::None);
    EXPECT_EQ(SelectDotCurves(654, 1, 720), S::None);
    EXPECT_EQ(SelectDotCurves(654, 4, 720), S::None);
}

TEST(DotCurves, DotModeSeventeenHasItsOwnThreeDotSet) {
    const auto mode17 = FirstCurve(654, 3, 720, 17);
    const auto other = FirstCurve(654, 3, 720, 1);
    ASSERT_EQ(mode17.size(), 5u);
    EXPECT_EQ(mode17[1].y, 76);
    ASSERT_EQ(other.size(), 6u);
    EXPECT_EQ(other[1].y, 75);
}

TEST(DotCurves, EveryControlPointSetRisesFromZeroToFullInk) {
    for (const TwoDotCurveTable* t : {&kTwoDotTable1, &kTwoDotTable2, &kTwoDotTable3, &kTwoDotTable4}) {
        RecordingFill rec;
        DotSizeTables tables;
        InitDotSizeTables2(*t, tables, rec.Fill());
        ASSERT_EQ(rec.curves.size(), 2u);
        for (const auto& c : rec.curves) ExpectWellFormed(c);
    }
    DotCurveLists lists;
    auto check = [&lists] {
        RecordingFill rec;
        DotSizeTables tables;
        InitDotSizeTables3(lists, tables, rec.Fill());
        ASSERT_EQ(rec.curves.size(), 3u);
        for (const auto& c : rec.curves) ExpectWellFormed(c);
    };
    InitDotCurvesA(lists);
    check();
    InitDotCurvesB(lists, 17);
    check();
    InitDotCurvesB(lists, 0);
    check();
    InitDotCurvesC(lists);
    check();
    InitDotCurvesD(lists);
    check();
}

TEST(DotSizeTables, TwoDotCurvesEndAtTheirLastNonZeroX) {
    RecordingFill rec;
    DotSizeTables tables;
    ASSERT_EQ(InitModelHalftoneTables(700, 2, 720, 0, tables, rec.Fill()), 1);
    ASSERT_EQ(rec.curves.size(), 2u);
    EXPECT_EQ(rec.curves[0].size(), 6u);
    EXPECT_EQ(rec.curves[1].size(), 7u);
    EXPECT_EQ(tables.count, 2);
    EXPECT_EQ(tables.table[0][0], 6);
    EXPECT_EQ(tables.table[1][4095], 7);
    EXPECT_EQ(tables.table[2], nullptr);
}

TEST(DotSizeTables, ThreeTablesShareOneAllocationThatSurvivesAMove) {
    RecordingFill rec;
    DotSizeTables tables;
    ASSERT_EQ(InitModelHalftoneTables(673, 3, 720, 0, tables, rec.Fill()), 1);
    ASSERT_EQ(tables.count, 3);
    EXPECT_EQ(tables.table[0], tables.storage.get());
    EXPECT_EQ(tables.table[1], tables.table[0] + 4096);
    EXPECT_EQ(tables.table[2], tables.table[1] + 4096);
    EXPECT_EQ(tables.table[2][4095], 7);  // curve D's third curve has 7 points

    DotSizeTables moved = std::move(tables);
    EXPECT_EQ(moved.table[1], moved.storage.get() + 4096);
    EXPECT_EQ(moved.table[1][0], 7);
}

TEST(DotSizeTables, ModelsWithoutTablesGetNone) {
    RecordingFill rec;
    DotSizeTables tables;
    EXPECT_EQ(InitModelHalftoneTables(7085, 3, 720, 0, tables, rec.Fill()), 0);
    // The UJF-605 models have three-dot curves only: a two-dot job gets no
    // tables and is told so, rather than tables it never received.
    EXPECT_EQ(InitModelHalftoneTables(674, 2, 720, 0, tables, rec.Fill()), 0);
    EXPECT_TRUE(rec.curves.empty());
    EXPECT_EQ(tables.count, 0);
    EXPECT_EQ(tables.table[0], nullptr);
}

TEST(DotSizeTables, CurveListsOfUnequalLengthAreRefused) {
    DotCurveLists lists;
    InitDotCurvesA(lists);
    lists.y[1].pop_back();
    RecordingFill rec;
    DotSizeTables tables;
    EXPECT_THROW(InitDotSizeTables3(lists, tables, rec.Fill()), TextError);
    EXPECT_TRUE(rec.curves.empty());
}
