// Printer options, head height, special inks and output identity.
#include "base/format.h"
#include "host/ticket.h"
#include "job/job_test_support.h"

namespace {

using Options = JobTest;

TEST_F(Options, HeatersWithoutUseFlagTakeThePrintersSetting) {
    Ticket(kMinimalJob);
    Ticket(R"(
[job]
Output/Prn/Specific/Heaters/Celsius[] = 40.0
Output/Prn/Specific/Heaters/Celsius[] = 35.0
Output/Prn/Specific/Heaters/Celsius[] = -1.0
Output/Prn/Specific/Heaters/UseValue[] = 1
Output/Prn/Specific/Heaters/UseValue[] = 0
Output/Prn/Specific/Heaters/UseValue[] = 1
)");
    ASSERT_EQ(Read(), 0);
    EXPECT_EQ(job->m_vHeatersCelsius, (std::vector<double>{40.0, -1.0, -1.0}));
    EXPECT_TRUE(log.Has("\tHeaters celsius = [ 40 PRN Prn ]"));
}

// Every list the job reads keeps the one rule: a number of the other numeric
// type that the list's type holds exactly is taken as that value, anything
// else refuses the list, which is named with the element in the user's
// messages (every heater then takes the printer's own setting, no printer
// option counts as offered).
TEST_F(Options, ListsOfAnotherTypeAreToldAndKeepEveryElementInItsPlace) {
    const std::string heaters = "Output/Prn/Specific/Heaters/", x = "x";
    const struct {
        std::string key;  // a job key, or a key of the printer's (model 700) when it has "Info/"
        hostkit::Elements elements;
        const char* field;  // what the job read of it
        std::string read;
        std::string info;  // what "Process/InfoMessage" says of the element, when anything
    } cases[] = {
        {heaters + "Celsius", {40.0, 35, 30.5}, "heaters", "40 35 30.5", ""},
        {heaters + "Celsius", {40.0, x, 30.5}, "heaters", "", "element 1 is stored as text but read as real number"},
        {heaters + "UseValue", {1, 1.0, 0}, "heaters", "40 35 -1", ""},
        {heaters + "UseValue", {x, 1, 1}, "heaters", "-1 -1 -1", "element 0 is stored as text but read as integer"},
        {heaters + "UseValue", {1, 0.5, 1}, "heaters", "-1 -1 -1",
         "element 1 is stored as real number but read as integer"},
        {"Output/Prn/Specific/UserTypesTIL", {3, x}, "til", "", "element 1 is stored as text but read as integer"},
        {"Output/Prn/Linearization/InkLimitPerChannel", {8000, 7000.0, 6000, 5000}, "inks", "8000 7000 6000 5000",
         ""},
        {"Output/Prn/Linearization/InkLimitPerChannel", {8000, 7000, 6000.5, 5000}, "inks", "1 2 3 4",
         "element 2 is stored as real number but read as integer"},
        {"Output/Prn/Info/Option/ID", {5, 86.0}, "tag", "1", ""},
        {"Output/Prn/Info/Option/ID", {std::string("86"), 86}, "tag", "0",
         "element 0 is stored as text but read as integer"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.key + " " + c.read);
        Ticket(kMinimalJob);
        store.SetElements(TICKET_SCOPE_JOB, kJobId, heaters + "Celsius", {40.0, 35.0, -1.0});
        store.SetElements(TICKET_SCOPE_JOB, kJobId, heaters + "UseValue", {1, 1, 1});
        const bool printers = c.key.find("/Info/") != std::string::npos;
        store.SetElements(printers ? TICKET_SCOPE_PRINTER_INFO : TICKET_SCOPE_JOB, printers ? 700 : kJobId, c.key,
                          c.elements);
        NewJob().m_aiInkLimitPerChannel = {1, 2, 3, 4};
        ASSERT_EQ(job->ReadInfoFromTicket(), 0);
        std::string read;
        const auto add = [&read](double v) { read += (read.empty() ? "" : " ") + StringF("%g", v); };
        if (c.field == std::string("heaters")) for (double v : job->m_vHeatersCelsius) add(v);
        if (c.field == std::string("til")) for (int v : job->m_vUserTypesTIL) add(v);
        if (c.field == std::string("inks")) for (size_t i = 0; i < 4; ++i) add(job->m_aiInkLimitPerChannel[i]);
        if (c.field == std::string("tag")) add(job->m_bPrintTagOperation);
        EXPECT_EQ(read, c.read);
        const std::string info = "Ticket key \"" + c.key + "\" " + c.info + "; the list is ignored";
        EXPECT_EQ(Strings("Process/InfoMessage"), c.info.empty() ? std::vector<std::string>{}
                                                                  : std::vector<std::string>{info});
        store.Erase(printers ? TICKET_SCOPE_PRINTER_INFO : TICKET_SCOPE_JOB, printers ? 700 : kJobId, c.key);
        store.Erase(TICKET_SCOPE_JOB, kJobId, "Process/InfoMessage");
    }
}

class HeadHeight : public JobTest {
protected:
    void SetUp() override {
        Ticket(kMinimalJob);
        Ticket(R"(
[printer 700]
Output/Prn/Info/Head/HeightMMMinMediaAlarm = 0.5
Output/Prn/Info/Head/HeightMMMin = 1.0
Output/Prn/Info/Head/HeightMMMax = 3.0
Output/Prn/Info/Head/HeightMMInSteps[] = 1.5
Output/Prn/Info/Head/HeightMMInSteps[] = 2.0
Output/Prn/Info/Head/HeightMMInSteps[] = 3.0
[job]
Output/Prn/Specific/Head/UseValue = 1
Output/Prn/Specific/Head/Height = 2.0
)");
    }
    int ReadExpectingNoAbort() {
        try {
            return Read();
        } catch (const JobSettingsAbort& e) {
            ADD_FAILURE() << "aborted with " << e.Code();
            return 1;
        }
    }
};

TEST_F(HeadHeight, HeightsThePrinterCannotTakeAbortTheJob) {
    struct Case {
        const char* ticket;
        const char* message;
    } cases[] = {
        {"[job]\nOutput/Prn/Specific/Head/Height = 2.5\n",
         "\tGap/Head Height not available = [2.5000mm, 2.0000mm ]. Stop."},
        {"[job]\nOutput/Prn/Specific/Head/Height = 3.5\n",
         "\tGap/Head Height out of bound for this printer = [1.0000 , 3.0000 ]. Stop."},
        {"[printer 700]\nOutput/Prn/Info/Head/HeightMMMinMediaAlarm = -1.0\n",
         "\tJobticket contains a head height parameter on a printer without head height support. Stop."},
        // An image wider than the medium: the refused job keeps no crop notice.
        {"[job]\nProcess/OutWidthPixel = 30000\n[printer 700]\nOutput/Prn/Info/Head/HeightMMMinMediaAlarm = -1.0\n",
         "\tJobticket contains a head height parameter on a printer without head height support. Stop."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.ticket);
        SetUp();
        Ticket(c.ticket);
        log.lines.clear();
        try {
            Read();
            ADD_FAILURE() << "no abort";
        } catch (const JobSettingsAbort& e) {
            EXPECT_EQ(e.Code(), -1);
        }
        EXPECT_TRUE(log.Has(1000, c.message));
        EXPECT_EQ(Strings("Process/InfoMessage"), std::vector<std::string>{});
    }
}

TEST_F(HeadHeight, AvailableHeightNeedsAMediaThickness) {
    EXPECT_EQ(ReadExpectingNoAbort(), -7);
    EXPECT_TRUE(log.Has(1000, "\tNo Media thickness to check Gap/Head height. Stop"));

    // The thickness counts a million times over: any real one reaches the alarm.
    Ticket("[job]\nOutput/Prn/Media/MediaThickness = 0.0000018\n");
    EXPECT_EQ(ReadExpectingNoAbort(), -6);
    EXPECT_TRUE(log.Has(1000, "\tGap/Head to Media distance (0.2000mm) reached minimum. Stop."));

    Ticket("[job]\nOutput/Prn/Media/MediaThickness = 0.0000001\n");
    EXPECT_EQ(ReadExpectingNoAbort(), 0);
    EXPECT_EQ(job->m_dHeadHeight, 2.0);
}

TEST_F(Options, InkTypeAndCopyCountCorrections) {
    Ticket(kMinimalJob);
    Ticket(R"(
[job]
Output/Prn/Specific/InkType = 268435461
Output/CopyCount = 0
)");
    ASSERT_EQ(Read(), 0);
    EXPECT_EQ(job->m_iInkType, 5);
    EXPECT_TRUE(log.Has(1000, "\tadjust ink type for user defined ink"));
    EXPECT_EQ(job->m_iCopyCount, 1);

    Ticket("[job]\nOutput/CopyCount = 4\n");
    ASSERT_EQ(Read(), 0);
    EXPECT_EQ(job->m_iCopyCount, 4);
    Ticket("[job]\nOutput/ActivateCopyCount = 0\n");
    ASSERT_EQ(Read(), 0);
    EXPECT_EQ(job->m_iCopyCount, 1);
}

TEST_F(Options, OutputNamesFromTheOutputFilePath) {
    Ticket(kMinimalJob);
    Ticket(R"([job]
Process/OutputFilePath = "X:\\out\\job.a.prn"
)");
    ASSERT_EQ(Read(), 0);
    EXPECT_EQ(job->m_strJobBaseName, "job.a");
    EXPECT_EQ(job->m_strOutputBaseName, "job.a");
    EXPECT_EQ(job->m_strOutputFolder, "X:/out");
    EXPECT_EQ(job->m_strOutputFilePath, "X:\\out\\job.a.prn");

    Ticket("[job]\nProcess/OutputFilePath = \"plain.prn\"\n");
    ASSERT_EQ(Read(), 0);
    EXPECT_EQ(job->m_strJobBaseName, "plain");
    EXPECT_EQ(job->m_strOutputFolder, "");
}

TEST_F(Options, DeviceTagBetweenBrackets) {
    Ticket(kMinimalJob);
    const struct {
        const char* description;
        int portType;
        const char* tag;
    } cases[] = {
        {"Printer [A1] hall", 256, "A1"},
        {"Printer [] hall", 256, ""},
        {"Printer A1] hall", 512, ""},
        {"Printer [A1] hall", 1024, ""},
    };
    for (const auto& c : cases) {
        store.Set(3, kJobId, "Output/Prn/Config/Description", std::string(c.description));
        store.Set(3, kJobId, "Port/Type", c.portType);
        ASSERT_EQ(Read(), 0);
        EXPECT_EQ(job->m_strDeviceTag, c.tag) << c.description;
    }
}

TEST_F(Options, WhiteModeTenKeepsItsLayerUnderKernelWhite) {
    Ticket(kMinimalJob);
    Ticket(R"(
[job]
Output/Prn/Specific/White/Mode = 10
Output/Prn/Specific/White/GenerationPerformedByKernel = 1
Output/Prn/Info/Color/SpotColors[] = "WHITE_INK"
)");
    ASSERT_EQ(Read(), 0);
    EXPECT_EQ(job->m_iWhiteMode, 0);
    EXPECT_TRUE(job->m_bMode10Layer);
    EXPECT_TRUE(log.Has("\tDetected White Generation by Kernel --> White mode:= 0"));
    EXPECT_EQ(job->m_iSpotColorCount, 1);
    EXPECT_TRUE(log.Has(0, "\tColor Components are zero for a printer with spotcolor inks. Please update your server."));
}

TEST_F(Options, PrintTagOperationOnlyForPrintersWithOption86) {
    Ticket(kMinimalJob);
    Ticket("[job]\nOutput/PrintTagOperation = 1\n");
    ASSERT_EQ(Read(), 0);
    EXPECT_FALSE(job->m_bPrintTagOperation);
    Ticket("[printer 700]\nOutput/Prn/Info/Option/ID[] = 86\n");
    ASSERT_EQ(Read(), 0);
    EXPECT_TRUE(job->m_bPrintTagOperation);
    Ticket("[job]\nOutput/PrintTagOperation = 4\n");
    ASSERT_EQ(Read(), 0);
    EXPECT_FALSE(job->m_bPrintTagOperation);
}

TEST_F(Options, VacuumFromThePrinterOptionForOem5) {
    Ticket(kMinimalJob);
    Ticket(R"(
[system]
System/OEMID = 5
[printer 700]
Output/Prn/Info/Option/ID[] = 5
Output/Prn/Info/Option/ID[] = 9
Output/Prn/Info/Option/NumOfSup[] = 3
Output/Prn/Info/Option/NumOfSup[] = 4
Output/Prn/Info/Option/Default[] = 0
Output/Prn/Info/Option/Default[] = 2
Output/Prn/Info/Option/Sup/Value1[] = 10
Output/Prn/Info/Option/Sup/Value1[] = 11
Output/Prn/Info/Option/Sup/Value1[] = 12
Output/Prn/Info/Option/Sup/Value1[] = 20
Output/Prn/Info/Option/Sup/Value1[] = 21
Output/Prn/Info/Option/Sup/Value1[] = 22
Output/Prn/Info/Option/Sup/Value1[] = 23
)");
    ASSERT_EQ(Read(), 0);
    EXPECT_EQ(job->m_iVacuumPower, 22);
    ASSERT_NE(Key("Output/Prn/Media/Spec/VacuumPower"), nullptr);
    EXPECT_EQ(std::get<int32_t>(Key("Output/Prn/Media/Spec/VacuumPower")->at(0)), 22);
    EXPECT_EQ(job->GetPrinterOptionValue(5), 10);
    EXPECT_EQ(job->GetPrinterOptionValue(42), 0);

    // A value in the ticket stays.
    Ticket("[job]\nOutput/Prn/Media/Spec/VacuumPower = 3\n");
    ASSERT_EQ(Read(), 0);
    EXPECT_EQ(job->m_iVacuumPower, 3);
}

TEST_F(Options, LibraryPrinterOptionsReadTextValues) {
    Ticket(kMinimalJob);
    Ticket("[job]\nOutput/Prn/Specific/MetaEPL/Blower = \"2\"\nOutput/Prn/Specific/MetaEPL/Mirror = 1\n");
    ASSERT_EQ(Read(), 0);
    EXPECT_EQ(job->m_iMetaBlower, 2);
    EXPECT_EQ(job->m_iMetaFeedAfterPrint, 1);
    EXPECT_TRUE(log.Has("\tMirror = On"));
    Ticket("[job]\nOutput/Prn/Specific/MetaEPL/Blower = \"7\"\n");
    ASSERT_EQ(Read(), 0);
    EXPECT_EQ(job->m_iMetaBlower, 7);
}

}  // namespace
