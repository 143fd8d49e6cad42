#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <tuple>

#include "catalogue/varn_printer.h"

namespace {

using Pattern = std::tuple<int, int, uint32_t, int>;  // edit width, edit height, form type, size limit

void ExpectSize(const CVarnPrinter& catalogue, int32_t id, const char* name, int32_t width, int32_t length,
                Pattern pattern) {
    const MEDIASIZE& size = catalogue.m_mapMediaSizes.at(id);
    EXPECT_EQ(size.strName, name) << id;
    EXPECT_EQ(size.nWidth, width) << id;
    EXPECT_EQ(size.nLength, length) << id;
    EXPECT_EQ(Pattern(size.bEditWidth, size.bEditHeight, size.nFormType, size.bSizeLimit), pattern) << id;
}

}  // namespace

TEST(MediaSizes, HoldEveryIdOnceWithTheirColumnPatterns) {
    CVarnPrinterParams params;
    CVarnPrinter catalogue(params);
    ASSERT_EQ(catalogue.m_mapMediaSizes.size(), 756u);
    std::map<uint32_t, int> forms;
    std::map<Pattern, int> patterns;
    for (const auto& [id, size] : catalogue.m_mapMediaSizes) {
        EXPECT_EQ(static_cast<int32_t>(size.nID), id);
        EXPECT_GT(size.nWidth, 0) << id;
        EXPECT_GT(size.nLength, 0) << id;
        ++forms[size.nFormType];
        ++patterns[Pattern(size.bEditWidth, size.bEditHeight, size.nFormType, size.bSizeLimit)];
    }
    EXPECT_EQ(forms, (std::map<uint32_t, int>{{3, 302}, {5, 454}}));
    EXPECT_EQ(patterns, (std::map<Pattern, int>{{{0, 0, 5, 0}, 394}, {{0, 1, 3, 0}, 210}, {{1, 1, 3, 0}, 62},
                                                {{0, 0, 3, 0}, 30}, {{0, 0, 5, 1}, 27}, {{0, 1, 5, 0}, 26},
                                                {{1, 1, 5, 0}, 7}}));

    ExpectSize(catalogue, 45, "74 inch", 187960, 1500000, {1, 1, 3, 0});
    ExpectSize(catalogue, 16, "52 inch", 132080, 5000000, {0, 1, 3, 0});
    ExpectSize(catalogue, 396, "User-defined max. 13 x 52in", 33020, 132100, {0, 0, 5, 1});
    ExpectSize(catalogue, 868, "3300 x 6600 mm", 330000, 660000, {0, 1, 5, 0});  // not its repeat
    ExpectSize(catalogue, 193, "Letter (8.5 x 11 in)", 21590, 27940, {0, 0, 5, 0});
    ExpectSize(catalogue, 760, "305 x 1000 mm", 30500, 100000, {0, 1, 5, 0});
    ExpectSize(catalogue, 2121, "Envelope 3.125\"x6.25\" LEF", 15875, 7938, {0, 0, 5, 0});  // stored the other way
    ExpectSize(catalogue, 286, "432 x 15000 mm", 43200, 1500000, {0, 0, 5, 0});  // 15 m is no roll yet
    ExpectSize(catalogue, 872, "1206 mm", 120600, 1500000, {0, 1, 3, 0});
    ExpectSize(catalogue, 2056, "64 x 600 inch", 162560, 1524000, {0, 1, 3, 0});
    ExpectSize(catalogue, 60, "122 inch", 309880, 5000000, {0, 1, 3, 0});  // a late add
}

TEST(MediaSizes, NameOneSizeByOemAndRestrictOems6And28) {
    for (uint32_t oemId : {0u, 6u, 10u, 11u, 28u, kEveryOEM}) {
        CVarnPrinterParams params;
        params.nOEMID = oemId;
        CVarnPrinter catalogue(params);
        EXPECT_EQ(catalogue.m_nMediaListVersion, 4u);
        EXPECT_EQ(catalogue.m_mapMediaSizes.size(), 756u);
        EXPECT_EQ(catalogue.m_mapMediaSizes.at(248).strName, oemId == 10 ? "13 x 22 inch" : "13 x 22 inch (Canon)");
        size_t restricted = oemId == 6 ? 65 : oemId == 28 ? 27 : 0;
        EXPECT_EQ(catalogue.m_bOEMMediaRestricted, restricted != 0) << oemId;
        EXPECT_EQ(catalogue.m_setOEMMediaIDs.size(), restricted) << oemId;
        for (int32_t id : catalogue.m_setOEMMediaIDs) EXPECT_EQ(catalogue.m_mapMediaSizes.count(id), 1u) << id;
    }
}

TEST(MediaSizes, CoverEveryMediaIdOfTheModels) {
    CVarnPrinterParams params;
    CVarnPrinter catalogue(params);
    for (const auto& [number, model] : catalogue.m_mapPrinterModels) {
        for (const TRAYMEDIA& media : model.listTrayMedia) {
            EXPECT_EQ(catalogue.m_mapMediaSizes.count(static_cast<int32_t>(media.nMediaID)), 1u) << number;
        }
        for (uint32_t id : model.vecDefaultMediaIDs) {
            EXPECT_EQ(catalogue.m_mapMediaSizes.count(static_cast<int32_t>(id)), 1u) << number;
        }
    }
}

TEST(MediaSizeAdder, KeepsTheFirstDefinitionAndRoundsHalvesAwayFromZero) {
    CVarnPrinterParams params;
    CVarnPrinter catalogue(params, CVarnPrinter::EmptyTag{});
    catalogue.AddMediaSize(7, "first", 7937.5, 1, -0.5, 1, 3, 0);
    catalogue.AddMediaSize(7, "second", 100.0, 0, 100.0, 0, 5, 1);
    const MEDIASIZE& size = catalogue.m_mapMediaSizes.at(7);
    EXPECT_EQ(size.strName, "first");
    EXPECT_EQ(size.nWidth, 7938);
    EXPECT_EQ(size.nLength, -1);
    EXPECT_EQ(size.nFormType, 3u);

    catalogue.AddMediaSize(8, "huge", 1e12, 0, -1e12, 0, 5, 0);
    EXPECT_EQ(catalogue.m_mapMediaSizes.at(8).nWidth, INT32_MAX);
    EXPECT_EQ(catalogue.m_mapMediaSizes.at(8).nLength, INT32_MIN);

    catalogue.AddMediaSize(0, "never", 1.0, 0, 1.0, 0, 5, 0);  // an unfilled record already reads id 0
    EXPECT_TRUE(catalogue.m_mapMediaSizes.at(0).strName.empty());
}
