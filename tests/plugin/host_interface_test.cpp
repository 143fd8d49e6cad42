// The parts of the host interface that the end-to-end tests cannot reach:
// the progress throttle, the module state and the module name.
#include "plugin/host_interface.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "catalogue/prn_info_xml.h"
#include "platform/library_entry.h"
#include "plugin/plugin_context.h"
#include "ticket_store.h"

namespace {

TEST(Progress, ReportsAtOneAtEveryFifthPercentAndAfterJumpsOrFiveSeconds) {
    // p rising 1, 2, 3, ... within one second.
    std::vector<int32_t> reported;
    int32_t last = 0;
    for (int32_t p = 1; p <= 23; ++p) {
        if (ProgressReportDue(p, last, 900, 0)) {
            reported.push_back(p);
            last = p;
        }
    }
    EXPECT_EQ(reported, (std::vector<int32_t>{1, 5, 10, 15, 20}));

    EXPECT_TRUE(ProgressReportDue(13, 8, 100, 0)) << "five above the last report";
    EXPECT_FALSE(ProgressReportDue(12, 8, 4999, 0));
    EXPECT_TRUE(ProgressReportDue(12, 8, 5000, 0)) << "five whole seconds";
    EXPECT_TRUE(ProgressReportDue(12, 8, 4000, -1000)) << "across the clock's wrap";
    EXPECT_FALSE(ProgressReportDue(10, 10, 60000, 0)) << "a percent that does not rise";
    EXPECT_FALSE(ProgressReportDue(5, 10, 60000, 0));
}

TEST(ModuleState, KeepsTheTableUntilTheLastDetach) {
    EXPECT_EQ(GetInterface(kPrnInterfaceRequest), nullptr) << "not attached";
    PluginProcessAttach(nullptr);
    PrnInterface* table = GetInterface(kPrnInterfaceRequest);
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(table->WriteLine, &PrnBase::WriteLine);
    PluginProcessAttach(nullptr);
    EXPECT_EQ(GetInterface(kPrnInterfaceRequest), table);
    PluginProcessDetach();
    EXPECT_EQ(GetInterface(kPrnInterfaceRequest), table);
    PluginProcessDetach();
    EXPECT_EQ(GetInterface(kPrnInterfaceRequest), nullptr);
    PluginProcessDetach();  // one too many does no harm
}

TEST(ModuleName, IsTheFileNameWithoutFolderAndExtension) {
    EXPECT_EQ(ModuleBaseName("/opt/rip/plugins/kelmora.so"), "kelmora");
    EXPECT_EQ(ModuleBaseName("C:\\RIP\\PlugIns\\Kelmora.dll"), "Kelmora");
    EXPECT_EQ(ModuleBaseName("/a.b/kelmora.1.so"), "kelmora.1");
    EXPECT_EQ(ModuleBaseName("/a.b/kelmora"), "kelmora");
    EXPECT_EQ(ModuleBaseName(""), "");
}

void ThrowingSetItems(void*, uint32_t, uint32_t, TicketArrayItem*) { throw std::runtime_error("host failure"); }

TEST(PrinterInformation, AnExceptionOfTheHostAnswersMinus99WithNoCatalogueLeft) {
    hostkit::TicketStore store;
    Ticket ticket = *store.ticket();
    ticket.SetItems = &ThrowingSetItems;
    PLUGINCONTEXT* context = nullptr;
    ASSERT_EQ(PrnBase::CreateContext(&context, ""), 0);
    EXPECT_EQ(PrnBase::GetPrinterInfo(context, &ticket, 1), -99);
    EXPECT_EQ(g_CurrentVarnPrinter, nullptr);
    EXPECT_EQ(PrnBase::GetPrinterInfo(context, store.ticket(), 1), 156);
    EXPECT_EQ(PrnBase::Terminate(&context), 0);
}

}  // namespace
