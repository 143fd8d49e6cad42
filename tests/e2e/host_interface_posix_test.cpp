// The host interface of the built plug-in library, driven through its table
// the way a host drives it.
#include "e2e_support.h"

#include <filesystem>

#include "platform/dynamic_library.h"
#include "platform/resources.h"

namespace {

using e2e::Collector;
using e2e::Host;

constexpr const char* kPlugin = KELMORA_PLUGIN_PATH;
constexpr const char* kTestPlugin = KELMORA_E2E_PLUGIN_PATH;

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

TEST(HostInterface, GivesTheTableOnlyForBit31WithElevenSlotsFilled) {
    platform::DynamicLibrary library;
    ASSERT_TRUE(library.LoadFile(kPlugin)) << library.Error();
    auto getInterface = library.Function<PrnInterface* (*)(uint32_t)>("GetInterface");
    ASSERT_NE(getInterface, nullptr);
    EXPECT_EQ(getInterface(0x7FFFFFFF), nullptr);
    EXPECT_EQ(getInterface(0), nullptr);
    PrnInterface* table = getInterface(0x80000000);
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(getInterface(0xFFFFFFFF), table);
    void* const* slots = reinterpret_cast<void* const*>(table);
    for (int i = 0; i < kPrnInterfaceSlots; ++i) EXPECT_EQ(slots[i] != nullptr, i <= 10) << "slot " << i;

    uint32_t major = 7, minor = 7;
    EXPECT_EQ(table->GetVersion(&major, &minor), 0);
    EXPECT_EQ(major, 1u);
    EXPECT_EQ(minor, 0u);
    EXPECT_EQ(table->GetVersion(nullptr, &minor), -1);
    EXPECT_STREQ(table->GetName(), KELMORA_DISPLAY_NAME_TEXT);
    EXPECT_EQ(table->CreateContext(nullptr, nullptr), -1);
}

TEST(HostInterface, RefusesMissingArgumentsWithTheirCodes) {
    Collector collector;
    Host host(kTestPlugin);
    ASSERT_TRUE(host.loaded);
    const PrnInterface& api = host.api();
    host.Ticket(e2e::FamilyJob(kE2EPlain, 8, 2));

    EXPECT_EQ(api.Terminate(nullptr), 0);
    PLUGINCONTEXT* none = nullptr;
    EXPECT_EQ(api.Terminate(&none), 0);

    JobContext* job = nullptr;
    EXPECT_EQ(api.OpenJob(nullptr, nullptr, 1, nullptr, nullptr, nullptr), -1);
    ASSERT_EQ(host.CreateContext(), 0);
    PLUGINCONTEXT* ctx = host.context;
    Ticket* ticket = host.store.ticket();
    EXPECT_EQ(api.OpenJob(ctx, nullptr, 1, &job, &Host::Write, &host), -2);
    EXPECT_EQ(api.OpenJob(ctx, ticket, 1, nullptr, &Host::Write, &host), -3);
    EXPECT_EQ(api.OpenJob(ctx, ticket, 1, &job, nullptr, &host), -4);
    EXPECT_EQ(api.OpenJob(ctx, ticket, 1, &job, &Host::Write, nullptr), -5);
    EXPECT_EQ(job, nullptr);
    EXPECT_TRUE(host.records.empty());

    // Printer information with a missing context or ticket is refused, not a crash.
    EXPECT_EQ(api.GetPrinterInfo(nullptr, ticket, 1), -1);
    EXPECT_EQ(api.GetPrinterInfo(ctx, nullptr, 1), -1);

    ASSERT_EQ(host.OpenJob(), 0);
    JobContext* open = host.job;
    for (PFN_PRN_JOBCALL call : {api.CloseJob, api.ClosePage, api.Abort}) {
        EXPECT_EQ(call(nullptr, open), -1);
        EXPECT_EQ(call(ctx, nullptr), -2);
    }
    const uint32_t info = 1;
    EXPECT_EQ(api.OpenPage(nullptr, &info, nullptr, open), -1);
    EXPECT_EQ(api.OpenPage(ctx, &info, nullptr, nullptr), -2);
    const size_t recordsBefore = host.records.size();
    EXPECT_EQ(api.OpenPage(ctx, nullptr, nullptr, open), -3);
    EXPECT_EQ(host.records.size(), recordsBefore) << "a refused OpenPage leaves the job untouched";
    const std::vector<uint8_t> line = e2e::PatternLine(8, 0);
    EXPECT_EQ(api.WriteLine(ctx, nullptr, line.data()), -1);
    EXPECT_EQ(api.WriteLine(ctx, open, nullptr), -1);
    EXPECT_EQ(host.CloseJob(), 0);
    host.Terminate();

    // The logger starts before the ticket is checked.
    EXPECT_TRUE(Contains(collector.StopAndRead(), ",kelmora_e2e,")) << "module name";
}

TEST(HostInterface, StartsTheLoggerBeforeRefusingAMissingTicket) {
    Collector collector;
    Host host(kPlugin);
    ASSERT_EQ(host.CreateContext(), 0);
    JobContext* job = nullptr;
    EXPECT_EQ(host.api().OpenJob(host.context, nullptr, 1, &job, &Host::Write, &host), -2);
    host.Terminate();
    const std::string log = collector.StopAndRead();
    EXPECT_TRUE(Contains(log, ",kelmora,")) << log;
    EXPECT_TRUE(Contains(log, "Initialize (First Job)\r\n")) << log;
    EXPECT_TRUE(Contains(log, "OpenJob: invalid pointer to Ticket\r\n")) << log;
}

TEST(HostInterface, RefusesModel7020WithItsNameAndNoRecord) {
    Collector collector;
    Host host(kPlugin);
    host.Ticket(e2e::FamilyJob(7020, 8, 2));
    host.Ticket("[job]\nOutput/Prn/Printer/ModelName = \"CJV300-160 Plus\"\n");
    ASSERT_EQ(host.CreateContext(), 0);
    EXPECT_EQ(host.OpenJob(), -2);
    EXPECT_TRUE(host.records.empty());
    EXPECT_EQ(host.JobString("Output/ErrorMessage"),
              "Reredir.uze: Printer model \"CJV300-160 Plus\" not supported yet (model number 7020)");
    EXPECT_EQ(host.JobString("Output/Progress/Message"), "OutputPlugIn: OpenJob failed");
    ASSERT_NE(host.job, nullptr) << "the job stays with the host until CloseJob";

    // CloseJob releases it and ends the stream.
    EXPECT_EQ(host.CloseJob(), 0);
    EXPECT_EQ(host.Tags(), (std::vector<uint32_t>{SPLTAG_CLOSE_JOB, SPLTAG_EOF}));
    EXPECT_EQ(host.store.Find(TICKET_SCOPE_JOB, 1, "Output/Progress/Message"), nullptr);
    host.Terminate();
    const std::string log = collector.StopAndRead();
    EXPECT_TRUE(Contains(log, "CVarnPrn::OpenJob: Unsupported Printer Model (7020)! ***\r\n")) << log;
}

TEST(HostInterface, AnExceptionWhileReadingTheSettingsLeavesNothingToFree) {
    Collector collector;
    Host host(kTestPlugin);
    host.Ticket(e2e::FamilyJob(kE2EPlain, 8, 2));
    // A head height on a printer that has none ends the settings reader with an exception.
    host.Ticket("[job]\nOutput/Prn/Specific/Head/UseValue = 1\n");
    ASSERT_EQ(host.CreateContext(), 0);
    host.job = reinterpret_cast<JobContext*>(&host);  // whatever the host held before
    EXPECT_EQ(host.OpenJob(), -99);
    EXPECT_EQ(host.job, nullptr);
    EXPECT_EQ(host.api().CloseJob(host.context, host.job), -2);
    EXPECT_TRUE(host.records.empty());
}

// Settings a new user gets wrong: the job opens, prints and says why where the
// host shows it, instead of failing with -99 (a folder read as a file) or
// printing with a wrapped height (a footer past the 32-bit range).
TEST(HostInterface, SettingsThatCannotBeUsedAreReportedAndTheJobPrints) {
    Collector collector;
    ScratchFolder folder;
    std::filesystem::create_directory(folder.File("curves.vcf"));
    struct Case {
        std::string extra;
        std::string error;  // "Process/ErrorMessage", or empty
    };
    const Case cases[] = {
        {"CMM/UseVisualCorrection = 1\nCMM/VisualCorrection = \"" + folder.File("curves.vcf") + "\"\n",
         "Printer linearization cannot be processed (curves.vcf)"},
        {"CMM/UseVisualCorrection = 1\nCMM/VisualCorrection = \"" + folder.File("missing.vcf") + "\"\n",
         "Printer linearization cannot be processed (missing.vcf)"},
        {"Process/FooterHeight = 2147483647\n", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.extra);
        Host host(kTestPlugin);
        host.Ticket(e2e::FamilyJob(kE2EPlain, 8, 2));
        host.Ticket("[job]\n" + c.extra);
        ASSERT_EQ(host.CreateContext(), 0);
        ASSERT_EQ(host.OpenJob(), 0);
        EXPECT_EQ(host.JobString("Process/ErrorMessage"), c.error);
        ASSERT_EQ(host.OpenPage(), 0);
        for (int y = 0; y < 2; ++y) ASSERT_EQ(host.WriteLine(e2e::PatternLine(8, y)), 0);
        ASSERT_EQ(host.ClosePage(), 0);
        EXPECT_EQ(host.CloseJob(), 0);
        EXPECT_EQ(host.Lines().size(), 2u);
    }
}

TEST(HostInterface, PrinterInformationForAnOemWithoutPrintersLogsOnlyForNamedModules) {
    {
        Collector collector;
        Host host(kPlugin);
        host.Ticket("[system]\nSystem/OEMID = 3\n");
        ASSERT_EQ(host.CreateContext(), 0);
        EXPECT_EQ(host.api().GetPrinterInfo(host.context, host.store.ticket(), 1), 0);
        host.api().Terminate(&host.context);
        host.context = nullptr;
        EXPECT_EQ(collector.StopAndRead(), "") << "the module is not named in Debug/Plugins/Output/LogModule";
    }
    Collector collector;
    Host host(kPlugin);
    host.Ticket("[system]\nSystem/OEMID = 3\nDebug/Plugins/Output/LogModule[] = \"other\"\n"
                "Debug/Plugins/Output/LogModule[] = \"kelmora\"\n"
                "Debug/Plugins/Output/LogLevel[] = 0\nDebug/Plugins/Output/LogLevel[] = 3\n");
    ASSERT_EQ(host.CreateContext(), 0);
    EXPECT_EQ(host.api().GetPrinterInfo(host.context, host.store.ticket(), 1), 0);
    host.Terminate();
    const std::string log = collector.StopAndRead();
    EXPECT_TRUE(Contains(log, "Initialize (GetOutputInfo)\r\n")) << log;
    EXPECT_TRUE(Contains(log, "GetPrnInfoXML::Start\r\n")) << "level 3 from the module's own element: " << log;
}

}  // namespace
