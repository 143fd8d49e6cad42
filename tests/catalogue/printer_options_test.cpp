#include "catalogue/printer_options.h"

#include <gtest/gtest.h>

namespace {

std::vector<uint32_t> Ids(const OptionList& options) {
    std::vector<uint32_t> ids;
    for (const PRINTOPTION& o : options) ids.push_back(o.nID);
    return ids;
}

const PRINTOPTION& Group(const OptionList& options, uint32_t id) {
    for (const PRINTOPTION& o : options) {
        if (o.nID == id) return o;
    }
    throw std::runtime_error("no group " + std::to_string(id));
}

std::vector<uint32_t> MediaIds(const PRINTERMODEL& m, uint32_t tray) {
    std::vector<uint32_t> ids;
    for (const TRAYMEDIA& t : m.listTrayMedia) {
        if (t.vecTrays.at(0) == tray) ids.push_back(t.nMediaID);
    }
    return ids;
}

}  // namespace

TEST(OptionBuilders, BuildTheWhiteAndMetallicContourCutLineOnAnEmptyList) {
    OptionList options;
    AddJV300Options(options, true, true, true);
    EXPECT_EQ(Ids(options), (std::vector<uint32_t>{3, 87, 86, 1, 9, 11, 54, 55, 56, 96, 102, 100, 130}));
    EXPECT_EQ(Group(options, 3).listValues.size(), 4u);  // contour-cut modes
    EXPECT_EQ(Group(options, 3).listValues[1].nValue1, 5u);
    const PRINTOPTION& order = Group(options, 55);
    ASSERT_EQ(order.listValues.size(), 4u);
    EXPECT_EQ(order.listValues[2].nIndex, 755u);
    EXPECT_EQ(order.listValues[3].nIndex, 754u);
    EXPECT_EQ(Group(options, 56).nDefault, 7u);
    EXPECT_EQ(Group(options, 56).listValues[0].strName, " 10%");
    EXPECT_EQ(Group(options, 56).listValues[10].strName, "100% (Normal)");
    EXPECT_EQ(Group(options, 100).nDefault, 10u);
    EXPECT_EQ(Group(options, 130).nDefault, 4u);
    EXPECT_TRUE(Group(options, 130).listValues.empty());
    EXPECT_EQ(Group(options, 87).strName, "Print&Cut device handles cut marks");
    EXPECT_EQ(Group(options, 102).listValues[0].nIndex, 422u);
    for (const PRINTOPTION& o : options) {
        for (const PRINTOPTIONVALUE& v : o.listValues) {
            EXPECT_EQ(v.nValue2, -1);
            EXPECT_EQ(v.nStep, -1);
            EXPECT_EQ(v.nFactor, -1);
        }
    }
}

TEST(OptionBuilders, ReshapeAListTakenOverInsteadOfAppendingASecondCopy) {
    OptionList options;
    AddJV300Options(options, true, true, true);
    AddJV300Options(options, true, true, true);  // everything seen: nothing new, 87 dropped
    EXPECT_EQ(Ids(options), (std::vector<uint32_t>{3, 86, 1, 9, 11, 54, 55, 56, 96, 102, 100, 130}));
    AddJV300Options(options, false, true, false);  // white and metallic removed
    EXPECT_EQ(Ids(options), (std::vector<uint32_t>{3, 86, 1, 9, 11}));
    AddJV300Options(options, true, false, false);  // white appended once
    EXPECT_EQ(Ids(options), (std::vector<uint32_t>{3, 86, 1, 9, 11, 54, 55, 56, 96}));
    AddJV300Options(options, true, false, false);
    EXPECT_EQ(Ids(options).size(), 9u);

    OptionList jv5;
    AddJV5Options(jv5);
    AddJV5Options(jv5);  // always appends
    EXPECT_EQ(Ids(jv5), (std::vector<uint32_t>{3, 1, 9, 19, 11, 3, 1, 9, 19, 11}));
    const PRINTOPTIONVALUE& dry = Group(jv5, 19).listValues.at(0);
    EXPECT_EQ(Group(jv5, 19).nDefault, 300u);
    EXPECT_EQ(dry.nIndex, 19u);
    EXPECT_EQ(dry.nValue2, 16);
    EXPECT_EQ(dry.nStep, 1);
    EXPECT_EQ(dry.nFactor, 1);
    EXPECT_EQ(Group(jv5, 9).listValues.size(), 6u);

    OptionList jv3;
    AddJV3Options(jv3, true);
    EXPECT_EQ(Ids(jv3), (std::vector<uint32_t>{3, 1, 9, 19, 11, 54, 55, 56, 96}));
    EXPECT_EQ(Group(jv3, 56).listValues.size(), 3u);
    RemoveOptionById(jv3, 56);
    RemoveOptionById(jv3, 4711);
    EXPECT_EQ(Ids(jv3), (std::vector<uint32_t>{3, 1, 9, 19, 11, 54, 55, 96}));
    const KeptOptions kept = KeepOptionsById(jv3, {1});
    EXPECT_TRUE(kept.whiteSeen);
    EXPECT_FALSE(kept.metallicSeen);
    EXPECT_EQ(Ids(jv3), (std::vector<uint32_t>{1}));
}

TEST(TrayBuilders, GiveRollAndCutSheetMediaByWidthClass) {
    PRINTERMODEL m;
    SetCJV30Trays(m, 0);
    EXPECT_EQ(MediaIds(m, 9), (std::vector<uint32_t>{819, 821, 820, 822}));
    EXPECT_EQ(MediaIds(m, 1), (std::vector<uint32_t>{253, 254, 412, 260}));
    EXPECT_EQ(m.listTrayMedia[0].vecTrays, (std::vector<uint32_t>{9, kAbsent}));
    EXPECT_EQ(m.listTrayMedia[0].nMarginTop, 4000);
    EXPECT_EQ(m.listTrayMedia.back().nMarginBottom, 9850);
    ASSERT_EQ(m.listTrays.size(), 2u);
    EXPECT_EQ(m.listTrays[0].strName, "Roll");
    EXPECT_EQ(m.listTrays[0].nRoll, 1u);
    EXPECT_EQ(m.listTrays[1].strName, "Cut Sheet");
    EXPECT_EQ(m.vecDefaultMediaIDs, (std::vector<uint32_t>{819, 253}));
    EXPECT_EQ(m.nDefaultTray, 9u);

    SetCJV30Trays(m, 3);  // replaces the trays wholesale
    EXPECT_EQ(MediaIds(m, 1), (std::vector<uint32_t>{855, 25, 253, 254, 412, 260}));
    EXPECT_EQ(MediaIds(m, 9).size(), 17u);  // 811, then 853 to the end
    EXPECT_EQ(m.listTrays.size(), 2u);

    SetJV3Trays(m, 3);  // the widest JV3: its own roll table from 804, then the CJV30 one from 811
    EXPECT_EQ(MediaIds(m, 9), (std::vector<uint32_t>{850, 804, 860, 805, 806, 807, 861, 811, 853, 812, 813, 825, 862,
                                                     814, 815, 816, 817, 818, 823, 863, 819, 821, 820, 822}));
    EXPECT_EQ(MediaIds(m, 1), (std::vector<uint32_t>{854, 25, 253, 254, 412, 260}));
    EXPECT_EQ(m.vecDefaultMediaIDs, (std::vector<uint32_t>{850, 25}));

    SetWidthClassTrays(m, 10, {1, 2, 3, 4}, {5, 6, 7, 8});
    EXPECT_EQ(MediaIds(m, 9).front(), 979u);
    EXPECT_EQ(MediaIds(m, 9)[1], 804u);
    EXPECT_EQ(m.listTrayMedia.back().nMarginBottom, 8);

    SetAutomaticTray(m, 3, {0, 0, 0, 0}, 982);
    EXPECT_EQ(m.listTrayMedia.size(), 18u);
    EXPECT_EQ(MediaIds(m, 0).front(), 982u);
    ASSERT_EQ(m.listTrays.size(), 1u);
    EXPECT_EQ(m.listTrays[0].strName, "Automatic");
    EXPECT_EQ(m.vecDefaultMediaIDs, (std::vector<uint32_t>{982}));
    EXPECT_EQ(m.nDefaultTray, 0u);

    // A width class or variant the tables lack leaves the trays as they are.
    SetWidthClassTrays(m, 12, {1, 2, 3, 4}, {5, 6, 7, 8});
    SetAutomaticTray(m, 4, {0, 0, 0, 0}, 983);
    EXPECT_EQ(m.listTrayMedia.size(), 18u);
    EXPECT_EQ(MediaIds(m, 0).front(), 982u);
    EXPECT_EQ(m.vecDefaultMediaIDs, (std::vector<uint32_t>{982}));
}
