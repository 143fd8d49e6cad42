#include "printers/print_modes.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <set>
#include <string>
#include <tuple>
#include <vector>

namespace {

std::vector<PRINTMODE> Rows(const PRINTMODE* table) {
    std::vector<PRINTMODE> rows;
    for (; table->printModeId != 0; ++table) rows.push_back(*table);
    return rows;
}

std::vector<DOTSIZEMODE> Rows(const DOTSIZEMODE* table) {
    std::vector<DOTSIZEMODE> rows;
    for (; table->name != nullptr; ++table) rows.push_back(*table);
    return rows;
}

// The id rule, written out independently of the tables' generator.
uint32_t ExpectedId(const PRINTMODE& r) {
    auto part = [](uint32_t dpi) { return dpi < 1000 ? dpi / 10 : dpi / 100; };
    return part(r.resolutionX) * 100000 + part(r.resolutionY) * 1000 + r.passes * 10u + r.hiSpeedScan;
}

std::string ExpectedName(const PRINTMODE& r) {
    return std::to_string(r.passes) + " Pass" + (r.hiSpeedScan ? " (Hi-Speed Scan)" : "");
}

using Block = std::pair<uint16_t, uint16_t>;
Block BlockOf(const PRINTMODE& r) { return {r.resolutionX, r.resolutionY}; }

// Rows of a table whose block is not the one given.
std::vector<PRINTMODE> Without(const PRINTMODE* table, Block block) {
    std::vector<PRINTMODE> rows;
    for (const PRINTMODE& r : Rows(table)) {
        if (BlockOf(r) != block) rows.push_back(r);
    }
    return rows;
}

bool SameRows(const std::vector<PRINTMODE>& a, const std::vector<PRINTMODE>& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (std::tie(a[i].printModeId, a[i].resolutionX, a[i].resolutionY, a[i].passes, a[i].hiSpeedScan) !=
                std::tie(b[i].printModeId, b[i].resolutionX, b[i].resolutionY, b[i].passes, b[i].hiSpeedScan) ||
            std::strcmp(a[i].name, b[i].name) != 0) {
            return false;
        }
    }
    return true;
}

const std::map<std::string, size_t> kRowCounts = {
    {"PrintModeTable_TS300P_4C", 21}, {"PrintModeTable_TS300P", 21},     {"PrintModeTable_Tx500_4C", 30},
    {"PrintModeTable_TS500_4C", 30},  {"PrintModeTable_Tx500", 37},      {"PrintModeTable_TS500", 34},
    {"PrintModeTable_UJF6042", 72},   {"PrintModeTable_UJF3042", 70},    {"PrintModeTable_JV34_4C", 40},
    {"PrintModeTable_JV34", 48},      {"PrintModeTable_TS34_4C", 52},    {"PrintModeTable_TS34", 63},
    {"PrintModeTable_JFX200", 14},    {"PrintModeTable_JFX200_Spot", 14}, {"PrintModeTable_JFX500", 56},
    {"PrintModeTable_JFX500_Spot", 45}, {"PrintModeTable_JV300_4C", 87}, {"PrintModeTable_JV300", 92},
    {"PrintModeTable_CJV300_4C", 85}, {"PrintModeTable_CJV300", 81},
};

}  // namespace

TEST(PrintModeTables, HoldTheirRowCountsAnd992RowsInAll) {
    size_t total = 0;
    std::set<std::string> names;
    for (const auto& t : AllPrintModeTables()) {
        ASSERT_EQ(kRowCounts.count(t.name), 1u) << t.name;
        EXPECT_EQ(Rows(t.table).size(), kRowCounts.at(t.name)) << t.name;
        total += Rows(t.table).size();
        names.insert(t.name);
    }
    EXPECT_EQ(names.size(), 20u);
    EXPECT_EQ(total, 992u);
}

TEST(PrintModeTables, EveryRowFollowsTheIdAndNameRulesAndNoIdRepeats) {
    for (const auto& t : AllPrintModeTables()) {
        std::set<uint32_t> ids;
        for (const PRINTMODE& r : Rows(t.table)) {
            EXPECT_EQ(r.printModeId, ExpectedId(r)) << t.name << " " << r.name;
            EXPECT_EQ(std::string(r.name), ExpectedName(r)) << t.name << " " << r.printModeId;
            EXPECT_LE(r.hiSpeedScan, 1) << t.name;
            EXPECT_GT(r.passes, 0) << t.name;
            EXPECT_TRUE(ids.insert(r.printModeId).second) << t.name << " repeats " << r.printModeId;
        }
    }
}

TEST(PrintModeTables, RowsStandInResolutionBlocksNormalBeforeHiSpeedByRisingPasses) {
    for (const auto& t : AllPrintModeTables()) {
        const std::vector<PRINTMODE> rows = Rows(t.table);
        std::set<Block> finished;
        for (size_t i = 1; i < rows.size(); ++i) {
            const PRINTMODE& a = rows[i - 1];
            const PRINTMODE& b = rows[i];
            if (BlockOf(a) != BlockOf(b)) {
                EXPECT_TRUE(finished.insert(BlockOf(a)).second) << t.name << ": block split";
                EXPECT_EQ(finished.count(BlockOf(b)), 0u) << t.name << ": block split";
                continue;
            }
            EXPECT_LE(a.hiSpeedScan, b.hiSpeedScan) << t.name << " " << a.printModeId;
            if (a.hiSpeedScan == b.hiSpeedScan) {
                EXPECT_LT(a.passes, b.passes) << t.name << " " << a.printModeId;
            }
        }
    }
}

TEST(PrintModeTables, TablesDescribedFromOthersMatchThem) {
    EXPECT_TRUE(SameRows(Rows(PrintModeTable_TS500_4C), Rows(PrintModeTable_Tx500_4C)));
    EXPECT_TRUE(SameRows(Rows(PrintModeTable_TS500), Without(PrintModeTable_Tx500, {300, 450})));
    EXPECT_TRUE(SameRows(Rows(PrintModeTable_UJF3042), Without(PrintModeTable_UJF6042, {1800, 1800})));

    const auto single = Rows(PrintModeTable_JFX200);
    const auto spot = Rows(PrintModeTable_JFX200_Spot);
    ASSERT_EQ(single.size(), spot.size());
    for (size_t i = 0; i < single.size(); ++i) {
        EXPECT_EQ(BlockOf(spot[i]), BlockOf(single[i]));
        EXPECT_EQ(spot[i].passes, 2 * single[i].passes);
        EXPECT_EQ(spot[i].hiSpeedScan, single[i].hiSpeedScan);
    }

    // TS34 tables: their own leading blocks, then every block of the JV34 table.
    auto tail = [](const PRINTMODE* table, size_t n) {
        auto rows = Rows(table);
        return std::vector<PRINTMODE>(rows.end() - static_cast<std::ptrdiff_t>(n), rows.end());
    };
    EXPECT_TRUE(SameRows(tail(PrintModeTable_TS34_4C, 40), Rows(PrintModeTable_JV34_4C)));
    EXPECT_TRUE(SameRows(tail(PrintModeTable_TS34, 48), Rows(PrintModeTable_JV34)));
}

TEST(FindPrintMode, FindsTheWorkedExampleIds) {
    struct Case {
        const PRINTMODE* table;
        int32_t id;
        uint16_t x, y;
        uint8_t passes;
        const char* name;
    };
    const Case cases[] = {
        {PrintModeTable_JV34_4C, 7214161, 720, 1440, 16, "16 Pass (Hi-Speed Scan)"},
        {PrintModeTable_TS300P_4C, 3636010, 360, 360, 1, "1 Pass"},
        {PrintModeTable_UJF6042, 1818240, 1800, 1800, 24, "24 Pass"},  // hundreds from 1000 dpi
        {PrintModeTable_Tx500, 6012641, 600, 1200, 64, "64 Pass (Hi-Speed Scan)"},
        {PrintModeTable_UJF6042, 1030160, 1080, 300, 16, "16 Pass"},  // 1080 dpi gives 10
        {PrintModeTable_JV300_4C, 7214081, 720, 1440, 8, "8 Pass (Hi-Speed Scan)"},
        {PrintModeTable_JV34_4C, 5472041, 540, 720, 4, "4 Pass (Hi-Speed Scan)"},
        {PrintModeTable_JV34, 1414320, 1440, 1440, 32, "32 Pass"},
    };
    for (const Case& c : cases) {
        const PRINTMODE* r = FindPrintMode(c.table, c.id);
        ASSERT_NE(r, nullptr) << c.id;
        EXPECT_EQ(r->resolutionX, c.x) << c.id;
        EXPECT_EQ(r->resolutionY, c.y) << c.id;
        EXPECT_EQ(r->passes, c.passes) << c.id;
        EXPECT_STREQ(r->name, c.name);
    }
}

TEST(FindPrintMode, GivesNullForIdsTheTableLacks) {
    EXPECT_EQ(FindPrintMode(PrintModeTable_TS300P, 3636010), nullptr);  // six-colour TS300P: no 1 pass
    EXPECT_EQ(FindPrintMode(PrintModeTable_UJF3042, 1818240), nullptr);
    EXPECT_EQ(FindPrintMode(PrintModeTable_JV300, 0), nullptr);
    EXPECT_EQ(FindPrintMode(PrintModeTable_JV300, -1), nullptr);

    const PRINTMODE empty[] = {{0, 0, 0, 0, 0, nullptr}};
    EXPECT_EQ(FindPrintMode(empty, 0), nullptr);
    EXPECT_EQ(FindPrintMode(empty, 3636010), nullptr);
    EXPECT_EQ(FindPrintMode(nullptr, 3636010), nullptr);
}

TEST(PrintModeTableForModel, ChoosesByFamilyAndColourCount) {
    const std::vector<std::pair<int32_t, const PRINTMODE*>> cases = {
        {7000, PrintModeTable_JV300_4C},   {7001, PrintModeTable_JV300},
        {7017, PrintModeTable_JV300},      {7018, PrintModeTable_CJV300_4C},
        {7019, PrintModeTable_CJV300},     {7051, PrintModeTable_CJV300},
        {7052, PrintModeTable_UJF6042},    {7070, PrintModeTable_UJF6042},
        {7071, PrintModeTable_TS300P_4C},  {7072, PrintModeTable_TS300P},
        {7073, PrintModeTable_Tx500_4C},   {7074, PrintModeTable_Tx500},
        {7075, PrintModeTable_Tx500_4C},   {7076, PrintModeTable_Tx500},
        {7077, PrintModeTable_JV34_4C},    {7078, PrintModeTable_JV34},
        {7079, PrintModeTable_TS34_4C},    {7080, PrintModeTable_TS34},
        {7081, PrintModeTable_JFX200},     {7082, PrintModeTable_JFX200_Spot},
        {7084, PrintModeTable_JFX200_Spot}, {7085, PrintModeTable_JFX500},
        {7086, PrintModeTable_JFX500_Spot}, {7091, PrintModeTable_JFX500_Spot},
        {691, nullptr},                    {7092, nullptr},
        {6999, nullptr},                   {-1, nullptr},
    };
    for (const auto& [model, table] : cases) EXPECT_EQ(PrintModeTableForModel(model), table) << model;

    // The same id means a mode on a four-colour TS300P and none on a six-colour one.
    EXPECT_NE(FindPrintMode(PrintModeTableForModel(7071), 3636010), nullptr);
    EXPECT_EQ(FindPrintMode(PrintModeTableForModel(7072), 3636010), nullptr);
}

TEST(DotSizeTables, HoldTheirRowsWithUniqueIdsAndVariableRowsNamedSo) {
    const std::map<std::string, std::vector<uint32_t>> ids = {
        {"DotSizeTable_TS300P", {2, 3, 4, 5, 6}},
        {"DotSizeTable_Tx500", {2, 3, 5}},
        {"DotSizeTable_UJFx042", {2, 3, 4, 5, 6, 7, 8}},
        {"DotSizeTable_JV34", {2, 3}},
        {"DotSizeTable_JFX", {2, 3, 4, 5, 6}},
        {"DotSizeTable_JFX500", {7, 8, 9, 10, 11, 12, 13}},
    };
    for (const auto& t : AllDotSizeTables()) {
        std::vector<uint32_t> got;
        for (const DOTSIZEMODE& r : Rows(t.table)) {
            got.push_back(r.dotSizeId);
            EXPECT_EQ(r.variableDot, std::strncmp(r.name, "Variable", 8) == 0) << t.name << " " << r.name;
        }
        EXPECT_EQ(got, ids.at(t.name)) << t.name;
    }
    EXPECT_STREQ(FindDotSizeEntry(DotSizeTable_UJFx042, 3)->name, "Variable 7pl-21pl-35pl");
    EXPECT_STREQ(FindDotSizeEntry(DotSizeTable_JFX500, 13)->name, "Fixed Large dot");
    EXPECT_STREQ(FindDotSizeEntry(DotSizeTable_TS300P, 5)->name, "Fixed Medium dot");
}

TEST(FindDotSizeEntry, GivesNullForMissingIdsAndEmptyTables) {
    EXPECT_EQ(FindDotSizeEntry(DotSizeTable_Tx500, 4), nullptr);
    EXPECT_EQ(FindDotSizeEntry(DotSizeTable_JFX, 7), nullptr);
    const DOTSIZEMODE empty[] = {{nullptr, 0, false}};
    EXPECT_EQ(FindDotSizeEntry(empty, 0), nullptr);
    EXPECT_EQ(FindDotSizeEntry(nullptr, 2), nullptr);
}

TEST(DotSizeTableForModel, ChoosesTheFamilysTable) {
    EXPECT_EQ(DotSizeTableForModel(7052), DotSizeTable_UJFx042);
    EXPECT_EQ(DotSizeTableForModel(7072), DotSizeTable_TS300P);
    EXPECT_EQ(DotSizeTableForModel(7075), DotSizeTable_Tx500);
    EXPECT_EQ(DotSizeTableForModel(7079), DotSizeTable_JV34);
    EXPECT_EQ(DotSizeTableForModel(7084), DotSizeTable_JFX);
    EXPECT_EQ(DotSizeTableForModel(7085), DotSizeTable_JFX500);
    EXPECT_EQ(DotSizeTableForModel(7000), nullptr);
    EXPECT_EQ(DotSizeTableForModel(654), nullptr);
}
