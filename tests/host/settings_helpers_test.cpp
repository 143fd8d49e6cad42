// Ticket and model helpers of the settings reader.
#include "host/settings_helpers.h"

#include <gtest/gtest.h>

#include "platform/codepage.h"
#include "base/mbcs.h"
#include "host/ticket.h"
#include "ticket_store.h"
#include "ticket_text.h"

namespace {

using hostkit::TicketStore;

constexpr uint32_t kJob = 5;

std::string FolderOf(const char* value) {
    TicketStore store(kJob);
    store.Set(0, 0, "System/Folders/ApplicationFolder", std::string(value));
    std::string out = "old";
    GetSystemFolderPath(out, store.ticket(), "System/Folders/ApplicationFolder");
    return out;
}

TEST(SystemFolderPath, TurnsBackslashesAndDropsTheFinalSeparator) {
    EXPECT_EQ(FolderOf("D:\\Data\\"), "D:/Data");
    EXPECT_EQ(FolderOf("D:\\Prog\\Host"), "D:/Prog/Host");
    EXPECT_EQ(FolderOf("/opt/host//"), "/opt/host/");
    EXPECT_EQ(FolderOf(""), "");
    TicketStore empty;
    std::string out = "old";
    GetSystemFolderPath(out, empty.ticket(), "System/Folders/ApplicationFolder");
    EXPECT_EQ(out, "");
}

TEST(SystemFolderPath, LeavesADoubleByteCharacterEndingInABackslashWhole) {
    const unsigned saved = platform::ActiveCodePage();
    ASSERT_TRUE(platform::SetActiveCodePage(932));
    RebuildLeadByteTable();
    // 0x95 0x5C is one character whose trail byte equals '\'.
    EXPECT_EQ(FolderOf("D:\\\x95\\"), "D:/\x95\\");
    EXPECT_EQ(FolderOf("D:\\\x95\\\\"), "D:/\x95\\");
    platform::SetActiveCodePage(saved);
    RebuildLeadByteTable();
}

TEST(SetTicketIntAt, WritesOneElement) {
    TicketStore store(kJob);
    hostkit::ReadTicketText("[job]\nL[] = 1\nL[] = 2\n", store);
    EXPECT_TRUE(SetTicketIntAt(store.ticket(), 3, kJob, "L", 9, 1));
    EXPECT_TRUE(SetTicketIntAt(store.ticket(), 3, kJob, "L", 10, -2));
    EXPECT_EQ(*store.Find(3, kJob, "L"), (hostkit::Elements{1, 9, 10}));
    EXPECT_FALSE(SetTicketIntAt(store.ticket(), 3, kJob, "L", 1, 7));
    EXPECT_FALSE(SetTicketIntAt(nullptr, 3, kJob, "L", 1, 0));
}

TEST(UsesScreeningFile, ModeSixAlwaysModeSevenOnlyOnTheLaserModels) {
    EXPECT_TRUE(UsesScreeningFile(6, 700));
    EXPECT_TRUE(UsesScreeningFile(6, 0));
    for (int model : {572, 573, 576, 590, 608, 2500, 2503, 2505, 3001, 3005}) {
        EXPECT_TRUE(UsesScreeningFile(7, model)) << model;
    }
    for (int model : {571, 574, 575, 609, 2499, 2504, 2506, 3000, 3006, 700}) {
        EXPECT_FALSE(UsesScreeningFile(7, model)) << model;
    }
    EXPECT_FALSE(UsesScreeningFile(5, 572));
    EXPECT_FALSE(UsesScreeningFile(0, 572));
}

bool SpecialSubType(const char* job) {
    TicketStore store(kJob);
    hostkit::ReadTicketText(job, store);
    return IsSpecialInputSubType(store.ticket(), kJob);
}

TEST(IsSpecialInputSubType, SubTypesOfTheSetUnlessTheModelIsExcluded) {
    EXPECT_TRUE(SpecialSubType("[job]\nInput/SubType = 82\nOutput/Prn/Printer/Model = 700\n"));
    EXPECT_TRUE(SpecialSubType("[job]\nInput/SubType = 88\n"));
    EXPECT_FALSE(SpecialSubType("[job]\nInput/SubType = 84\n"));
    EXPECT_FALSE(SpecialSubType("[job]\nInput/SubType = 87\nOutput/Prn/Printer/Model = 9031\n"));
    EXPECT_FALSE(SpecialSubType("[job]\nInput/SubType = 83\nOutput/Prn/Printer/Model = 9020\n"));
    EXPECT_FALSE(SpecialSubType("[job]\nOutput/Prn/Printer/Model = 700\n"));
    EXPECT_FALSE(IsSpecialInputSubType(nullptr, kJob));
}

TEST(IsModel3001Group, ExactlyTheFourModels) {
    TicketStore store(kJob);
    for (int model : {3001, 3002, 3004, 3006}) {
        store.Set(3, kJob, "Output/Prn/Printer/Model", model);
        EXPECT_TRUE(IsModel3001Group(store.ticket(), kJob)) << model;
    }
    for (int model : {3000, 3003, 3005, 3007}) {
        store.Set(3, kJob, "Output/Prn/Printer/Model", model);
        EXPECT_FALSE(IsModel3001Group(store.ticket(), kJob)) << model;
    }
    store.Erase(3, kJob, "Output/Prn/Printer/Model");
    EXPECT_FALSE(IsModel3001Group(store.ticket(), kJob));
}

}  // namespace
