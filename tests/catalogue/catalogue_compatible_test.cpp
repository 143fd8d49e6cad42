#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <map>

#include "catalogue/varn_printer.h"

namespace {

std::list<int32_t> CompatibleWith(const CVarnPrinter& catalogue, int32_t printerModel) {
    std::list<int32_t> group;
    EXPECT_EQ(catalogue.GetCompatiblePrinters(printerModel, group), 1) << printerModel;
    return group;
}

}  // namespace

TEST(CompatiblePrinters, KeepTheGroupsOfThisCataloguesModelsInOrder) {
    CVarnPrinterParams params;
    CVarnPrinter catalogue(params);
    ASSERT_EQ(catalogue.m_listCompatiblePrinters.size(), 33u);
    EXPECT_EQ(catalogue.m_listCompatiblePrinters.front().size(), 19u);
    EXPECT_EQ(catalogue.m_listCompatiblePrinters.back(), (std::list<int32_t>{741, 740}));
    std::map<int32_t, int> groupsHolding;
    size_t entries = 0;
    for (const std::list<int32_t>& group : catalogue.m_listCompatiblePrinters) {
        entries += group.size();
        for (int32_t printerModel : group) ++groupsHolding[printerModel];
    }
    EXPECT_EQ(entries, 167u);
    for (const auto& [printerModel, count] : groupsHolding) {
        bool twice = printerModel == 715 || printerModel == 716 || printerModel == 717;
        EXPECT_EQ(count, twice ? 2 : 1) << printerModel;
    }

    std::list<int32_t> wide = CompatibleWith(catalogue, 715);
    ASSERT_EQ(wide.size(), 24u);
    EXPECT_EQ(std::list<int32_t>(wide.begin(), std::next(wide.begin(), 3)), (std::list<int32_t>{691, 692, 693}));
    EXPECT_EQ(CompatibleWith(catalogue, 717), wide);
    EXPECT_EQ(CompatibleWith(catalogue, 7071), (std::list<int32_t>{7071}));
    EXPECT_EQ(CompatibleWith(catalogue, 7077), (std::list<int32_t>{7077, 7079}));
    EXPECT_EQ(CompatibleWith(catalogue, 7080), (std::list<int32_t>{7078, 7080}));
    EXPECT_EQ(CompatibleWith(catalogue, 7057), (std::list<int32_t>{7057, 7064, 7058, 7065, 7059, 7066, 7062, 7069,
                                                                   7060, 7067, 7061, 7068, 7063, 7070}));
}

TEST(CompatiblePrinters, CoverEveryOfferedModelAndNoneOfTheOldFlatbeds) {
    CVarnPrinterParams params;
    CVarnPrinter catalogue(params);
    std::list<int32_t> untouched{1, 2};
    for (int32_t printerModel : {718, 719, 720, 721, 722, 724, 725}) {
        EXPECT_EQ(catalogue.GetCompatiblePrinters(printerModel, untouched), 0) << printerModel;
    }
    EXPECT_EQ(untouched, (std::list<int32_t>{1, 2}));
    for (const PRINTERLISTITEM& item : catalogue.m_listPrinters) {
        std::list<int32_t> group = CompatibleWith(catalogue, static_cast<int32_t>(item.nPrnID));
        EXPECT_NE(std::find(group.begin(), group.end(), static_cast<int32_t>(item.nPrnID)), group.end());
    }
}
