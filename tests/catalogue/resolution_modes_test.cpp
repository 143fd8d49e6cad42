#include <gtest/gtest.h>

#include <set>
#include <string>

#include "catalogue/resolution_tables.h"

namespace {

const std::vector<uint32_t> kNoDotSizes;

// Every slot is -1 or its own index, and each pass mode is allowed at one
// resolution at least.
void ExpectSlotsSound(const PRINTERMODEL& m) {
    std::set<uint32_t> used;
    for (const RESOLUTION& r : m.listResolutions) {
        ASSERT_EQ(r.vecPassModes.size(), m.listPassModes.size());
        for (size_t i = 0; i < r.vecPassModes.size(); ++i) {
            if (r.vecPassModes[i] == kAbsent) continue;
            EXPECT_EQ(r.vecPassModes[i], i);
            used.insert(r.vecPassModes[i]);
        }
    }
    EXPECT_FALSE(used.empty());
}

}  // namespace

TEST(ResolutionsFromATable, GiveOnePassModePerRowAndSlotsByRow) {
    PRINTERMODEL m;
    m.SetPrintModesFromTable(PrintModeTable_JV300_4C, kDotSizes_JV300Family, InkPreLimits_JV300Family, 720, 720);
    EXPECT_EQ(m.listPassModes.size(), 87u);
    ExpectSlotsSound(m);
    ASSERT_EQ(m.listResolutions.size(), 7u);
    EXPECT_EQ(m.listResolutions[0].dResolutionX, 360.0);
    // Ids 4 and 128 are the fourth and fifth dot sizes.
    EXPECT_EQ(m.listResolutions[0].vecValidDotSizes, (std::vector<uint32_t>{3, 4, kAbsent, kAbsent, kAbsent}));
    ASSERT_EQ(m.listDotSizes.size(), 5u);
    EXPECT_EQ(m.listDotSizes[4].strName, "Normal");
    EXPECT_EQ(m.listDotSizes[4].nValue, 128u);
    ASSERT_EQ(m.listInkPreLimits.size(), 7u);
    EXPECT_EQ(m.listInkPreLimits[3].nResolutionX, 720u);
    EXPECT_EQ(m.listInkPreLimits[3].vecLimits, (std::vector<double>{80, 80, 80, 80}));
    EXPECT_EQ(m.dDefaultResolutionX, 720.0);

    m.SetPrintModesFromTable(PrintModeTable_JV34_4C, kDotSizes_JV34, InkPreLimits_JV34, 720, 720);
    EXPECT_EQ(m.listPassModes[0].strName, "2 Pass");
    EXPECT_EQ(m.listPassModes[0].nValue, 5472020u);  // 540 x 720, 2 passes
    EXPECT_EQ(m.listDotSizes.size(), 2u);
}

TEST(ResolutionsFromATable, LeaveOutWhatTheirSideTablesLack) {
    PRINTERMODEL m;
    m.SetPrintModesFromTable(PrintModeTable_TS34_4C, kDotSizes_TS34, InkPreLimits_TS34, 720, 720);
    ExpectSlotsSound(m);
    EXPECT_EQ(m.listResolutions.size(), 10u);
    EXPECT_EQ(m.listInkPreLimits.size(), 7u);  // none at 360 dpi
    for (const INKPRELIMIT& p : m.listInkPreLimits) EXPECT_NE(p.nResolutionX, 360u);

    // No per-resolution row: empty list. An id the dot-size table lacks is
    // skipped and the list still padded. A pre-limit row of -1 only: nothing.
    const DOTSIZEROW perResolution[] = {{360, 360, {2, 4, 5, 0xFFFF, 0, 0, 0, 0}}, {0, 0, {0}}};
    const INKPRELIMITROW preLimits[] = {{360, 360, {-1, -1, -1, -1, -1, -1, -1, -1}}, {0, 0, {0}}};
    m.SetPrintModesFromTable(PrintModeTable_TS34_4C, {DotSizeTable_Tx500, perResolution}, preLimits, 360, 360);
    EXPECT_EQ(m.listResolutions[0].vecValidDotSizes, (std::vector<uint32_t>{0, 2, kAbsent}));
    EXPECT_EQ(m.listResolutions[1].vecValidDotSizes, kNoDotSizes);
    EXPECT_TRUE(m.listInkPreLimits.empty());
}

TEST(FixedPassModeSets, FollowTheNamingRuleAndAllowOnlyTheirOwnSlots) {
    for (const PASSMODESET* set : {&kPassModes_JV3_4C, &kPassModes_JV3, &kPassModes_JV400_4C, &kPassModes_JV400,
                                   &kPassModes_JV5_4C, &kPassModes_JV5, &kPassModes_UJF605,
                                   &kPassModes_OldFlatbed, &kPassModes_UJF8366}) {
        PRINTERMODEL m;
        SetPassModeSet(m, *set, 527);
        ExpectSlotsSound(m);
        for (const PASSMODE& p : m.listPassModes) {
            const int n = std::stoi(p.strName);
            const bool hiSpeed = p.strName.find("(Hi-Speed Scan)") != std::string::npos;
            EXPECT_EQ(p.strName, std::to_string(n) + " Pass" + (hiSpeed ? " (Hi-Speed Scan)" : ""));
            EXPECT_EQ(p.nValue, static_cast<uint32_t>(hiSpeed ? 200 + n : n)) << p.strName;
        }
    }
    PRINTERMODEL jv4;
    SetPassModeSet(jv4, kPassModes_JV4);
    ExpectSlotsSound(jv4);
    EXPECT_EQ(jv4.listPassModes.size(), 18u);
    EXPECT_EQ(jv4.listPassModes[12].nValue, jv4.listPassModes[10].nValue);  // 608 twice, as given
}

TEST(FixedPassModeSets, OfferTheJV400s600By900OnlyWithLX100Ink) {
    PRINTERMODEL m;
    m.AddDotSize("Variable", 0);
    m.SetPassModes(PassModeLine::JV400, PassModeVariant::FourColor, 527);
    ASSERT_EQ(m.listResolutions.size(), 5u);
    EXPECT_EQ(m.listResolutions[0].dResolutionX, 600.0);
    EXPECT_EQ(m.listResolutions[0].vecPassModes[6], 6u);
    m.SetPassModes(PassModeLine::JV400, PassModeVariant::Other, 528);
    ASSERT_EQ(m.listResolutions.size(), 4u);
    EXPECT_EQ(m.listResolutions[0].dResolutionX, 900.0);
    EXPECT_EQ(m.listResolutions[0].vecPassModes[8], 8u);
    EXPECT_EQ(m.listResolutions[0].vecPassModes[6], kAbsent);
    EXPECT_EQ(m.listDotSizes.size(), 1u);  // dot sizes untouched
    EXPECT_EQ(m.dDefaultResolutionY, 900.0);
}

TEST(ResolutionDisplay, RoundsHalfUp) {
    EXPECT_EQ(DisplayDpi(359.5), 360);
    EXPECT_EQ(DisplayDpi(359.4), 359);
}
