#include <gtest/gtest.h>

#include <map>
#include <set>

#include "catalogue/varn_printer.h"

TEST(InkTypes, HoldOneRecordPerIdWithTheCategoryOfItsCode) {
    CVarnPrinterParams params;
    CVarnPrinter catalogue(params);
    ASSERT_EQ(catalogue.m_mapInkTypes.size(), 161u);
    const std::map<int32_t, std::set<std::string>> textsOfCode = {
        {-1, {"", "keine"}}, {1, {"Dye"}}, {2, {"Pigmentiert", "Toner"}}, {3, {"Solvent"}},
        {4, {"UV"}}, {5, {"user defined"}}, {6, {"Gel"}}, {7, {"Latex"}},
        {8, {"Dye Sublimation "}}, {9, {"Solvent UV"}}, {10, {"Ceramic"}}};
    for (const auto& [id, ink] : catalogue.m_mapInkTypes) {
        EXPECT_EQ(ink.nID, id);
        EXPECT_FALSE(ink.strName.empty()) << id;
        ASSERT_EQ(textsOfCode.count(ink.nCategory), 1u) << id;
        EXPECT_EQ(textsOfCode.at(ink.nCategory).count(ink.strCategory), 1u) << id << " " << ink.strCategory;
    }

    EXPECT_EQ(catalogue.GetInkType(245).strName, "EPSON UltraChrome GS3");  // the later row wins
    const INKTYPE& none = catalogue.GetInkType(-1);
    EXPECT_EQ(none.strName, "keine");
    EXPECT_EQ(none.strCategory, "");
    EXPECT_EQ(none.nCategory, -1);
    EXPECT_EQ(catalogue.GetInkType(440).strName, "UV CMYK");
    EXPECT_EQ(catalogue.GetInkType(440).strCategory, "keine");
    EXPECT_EQ(catalogue.GetInkType(440).nCategory, -1);
    EXPECT_EQ(catalogue.GetInkType(401).strName, "UV CMYK");
    EXPECT_EQ(catalogue.GetInkType(401).strCategory, "UV");
    EXPECT_EQ(catalogue.GetInkType(401).nCategory, 4);
    EXPECT_EQ(catalogue.GetInkType(247).strCategory, "Dye Sublimation ");
    EXPECT_EQ(catalogue.GetInkType(2).strCategory, "Toner");
    EXPECT_EQ(catalogue.GetInkType(701).strName, "UV ink 701");
    EXPECT_EQ(catalogue.m_mapInkTypes.size(), 161u);  // the lookups above found every id
}

TEST(InkTypes, NameEveryInkTheModelsUse) {
    CVarnPrinterParams params;
    CVarnPrinter catalogue(params);
    for (int32_t id = 501; id <= 541; ++id) EXPECT_EQ(catalogue.m_mapInkTypes.count(id), 1u) << id;
    for (const auto& [number, model] : catalogue.m_mapPrinterModels) {
        for (uint32_t id : model.listInks) {
            EXPECT_EQ(catalogue.m_mapInkTypes.count(static_cast<int32_t>(id)), 1u) << number << " uses " << id;
        }
    }

    INKTYPE& missing = catalogue.GetInkType(9999);  // inserted empty: the export relies on a record
    EXPECT_TRUE(missing.strName.empty());
    EXPECT_EQ(missing.nCategory, 0);
    EXPECT_EQ(catalogue.m_mapInkTypes.size(), 162u);
}
