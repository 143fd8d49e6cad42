// The host's product information read from the system keys.
#include "host/product_info.h"

#include <gtest/gtest.h>

#include <string>

#include "ticket_store.h"
#include "ticket_text.h"

namespace {

TEST(ProductInfo, ReadsEverySystemProductKeyOnceAtCreation) {
    hostkit::TicketStore store;
    hostkit::ReadTicketText(
        "[system]\n"
        "System/Product/Name = \"Host RIP\"\n"
        "System/Product/BuildTypeString = \"Release\"\n"
        "System/Product/BuildType = 2\n"
        "System/Product/MajorVersion = 4\n"
        "System/Product/MinorVersion = 1\n"
        "System/Product/PatchlevelVersion = 3\n"
        "System/Product/BuildNumber = 1234\n"
        "System/Product/BuildDateTime = \"2020-05-01 12:00\"\n"
        "System/Product/BuildComputer = \"BUILD7\"\n"
        "System/Product/SubversionRevisionNumber = 98765\n",
        store);
    std::unique_ptr<IProductInfo> info = CreateProductInfoTicket(store.ticket());
    store.LogCalls();
    hostkit::ReadTicketText("[system]\nSystem/Product/MajorVersion = 9\n", store);

    EXPECT_STREQ(info->GetSource(), "Server(ticket)");
    EXPECT_STREQ(info->GetName(), "Host RIP");
    EXPECT_STREQ(info->GetBuildTypeString(), "Release");
    EXPECT_EQ(info->GetBuildType(), 2);
    EXPECT_EQ(info->GetMajorVersion(), 4);  // read at creation, not asked again
    EXPECT_EQ(info->GetMinorVersion(), 1);
    EXPECT_EQ(info->GetPatchlevelVersion(), 3);
    EXPECT_EQ(info->GetBuildNumber(), 1234);
    EXPECT_STREQ(info->GetBuildDateTime(), "2020-05-01 12:00");
    EXPECT_STREQ(info->GetBuildComputer(), "BUILD7");
    EXPECT_EQ(info->GetSubversionRevisionNumber(), 98765);
    EXPECT_TRUE(store.calls().empty());
}

TEST(ProductInfo, UnservedKeysStayEmptyOrZero) {
    hostkit::TicketStore store;
    store.Set(0, 0, "System/Product/MajorVersion", 5);
    store.Set(0, 0, "System/Product/MinorVersion", std::string("7"));  // wrong type: not served
    std::unique_ptr<IProductInfo> info = CreateProductInfoTicket(store.ticket());
    EXPECT_STREQ(info->GetSource(), "Server(ticket)");
    EXPECT_EQ(info->GetMajorVersion(), 5);
    EXPECT_EQ(info->GetMinorVersion(), 0);
    EXPECT_EQ(info->GetBuildNumber(), 0);
    EXPECT_STREQ(info->GetName(), "");
}

TEST(ProductInfo, NullTicketGivesNoTicketAccess) {
    std::unique_ptr<IProductInfo> info = CreateProductInfoTicket(nullptr);
    EXPECT_STREQ(info->GetSource(), "Server(no ticket access)");
    EXPECT_EQ(info->GetMajorVersion(), 0);
    EXPECT_STREQ(info->GetName(), "");
}

}  // namespace
