#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "catalogue/varn_printer.h"

namespace {

std::vector<uint32_t> Offered(const CVarnPrinter& catalogue, uint32_t oemId) {
    std::vector<uint32_t> ids;
    int32_t count = catalogue.GetPrinterIdList(ids, oemId);
    EXPECT_EQ(count, static_cast<int32_t>(ids.size()));
    return ids;
}

}  // namespace

TEST(OfferList, OffersEveryModelOnceUnderOem0AndASubsetUnderOem11) {
    CVarnPrinterParams params;
    CVarnPrinter catalogue(params);
    EXPECT_TRUE(catalogue.IsListInitDone());

    std::vector<uint32_t> all = Offered(catalogue, 0);
    ASSERT_EQ(all.size(), 156u);
    EXPECT_EQ(all.front(), 665u);
    EXPECT_EQ(all.back(), 7091u);
    EXPECT_EQ(std::set<uint32_t>(all.begin(), all.end()).size(), all.size());
    EXPECT_EQ(Offered(catalogue, kEveryOEM), all);

    std::vector<uint32_t> oem11 = Offered(catalogue, 11);
    ASSERT_EQ(oem11.size(), 53u);
    EXPECT_EQ(std::vector<uint32_t>(oem11.begin(), oem11.begin() + 4), (std::vector<uint32_t>{665, 666, 667, 664}));
    EXPECT_EQ(oem11.back(), 7070u);
    auto next = all.begin();  // a subset, in offer order
    for (uint32_t id : oem11) {
        next = std::find(next, all.end(), id);
        ASSERT_NE(next, all.end()) << id;
    }

    for (uint32_t oemId : {6u, 28u, 1u, 12345u}) EXPECT_TRUE(Offered(catalogue, oemId).empty()) << oemId;

    std::vector<uint32_t> held{1, 2};
    EXPECT_EQ(catalogue.GetPrinterIdList(held, 11), 55);
    EXPECT_EQ(held[0], 1u);
    EXPECT_EQ(held[2], 665u);
}

TEST(OfferList, GivesEachOfferedModelItsOemIdsAndLeavesTheOthersWithout) {
    CVarnPrinterParams params;
    CVarnPrinter catalogue(params);
    for (const PRINTERLISTITEM& item : catalogue.m_listPrinters) {
        const std::vector<uint32_t>& oems = catalogue.GetModel(static_cast<int32_t>(item.nPrnID)).vecOEMIDs;
        EXPECT_TRUE(oems == (std::vector<uint32_t>{0, 11}) || oems == (std::vector<uint32_t>{0})) << item.nPrnID;
        EXPECT_EQ(item.vecOEMIDs, oems) << item.nPrnID;
    }
    for (int32_t never : {657, 662, 668, 672, 718, 719, 720, 721, 722, 724, 725, 728, 729, 730, 731}) {
        EXPECT_TRUE(catalogue.GetModel(never).vecOEMIDs.empty()) << never;
    }
}
