// Separations a job prints, and the printer spot inks it uses.
#include "job/job_test_support.h"

namespace {

class Separations : public JobTest {
protected:
    void SetUp() override {
        Ticket(kMinimalJob);
        Ticket("[job]\nProcess/PrintSeparations = 1\n");
    }
    std::vector<int> Index() {
        EXPECT_EQ(Read(), 0);
        return job->m_vSeparationIndex;
    }
};

TEST_F(Separations, NothingIsReadUnlessSeparatedPrintingIsAsked) {
    Ticket("[job]\nProcess/PrintSeparations = 2\nInput/Colors[] = \"Cyan\"\n");
    EXPECT_TRUE(Index().empty());
    EXPECT_FALSE(job->m_bPrintSeparations);
    EXPECT_TRUE(job->m_vDotCreatorIDs.empty());
}

TEST_F(Separations, InputColoursAloneChooseTheirProcessScreen) {
    Ticket("[job]\nInput/Colors[] = \"Cyan\"\nInput/Colors[] = \"Spot 1\"\n");
    EXPECT_EQ(Index(), (std::vector<int>{0, 3}));
    EXPECT_TRUE(log.Has("\t\tCYAN"));
    EXPECT_TRUE(log.Has("\t\tSPOT 1"));
}

TEST_F(Separations, UnmatchedNamesFallBackToTheProcessScreens) {
    for (const char* name : {"A", "B", "C", "D", "E", "F"}) {
        store.Append(3, kJobId, "Process/SeparationNames", std::string(name));
    }
    EXPECT_EQ(Index(), (std::vector<int>{0, 1, 2, 3, 3, 3}));
    // The made-up dot-creator ids were written back.
    ASSERT_NE(Key("Process/ColorsforDotcreatorID"), nullptr);
    EXPECT_EQ(Key("Process/ColorsforDotcreatorID")->size(), 6u);
}

TEST_F(Separations, WalkPassesOverInputColoursWithoutASeparation) {
    Ticket(R"(
[job]
Input/Colors[] = "Cyan"
Input/Colors[] = "Magenta"
Input/Colors[] = "Spot"
Process/SeparationNames[] = "CYAN"
Process/SeparationNames[] = "SPOT"
Process/ColorsforDotcreatorID[] = 0
Process/ColorsforDotcreatorID[] = 3
)");
    EXPECT_EQ(Index(), (std::vector<int>{0, 3}));
    EXPECT_TRUE(log.Has("SPOT->3"));
}

// More separation names than input colours: the names become the input
// colours only when there are exactly as many colours as dot-creator ids.
TEST_F(Separations, NamesAreReplacedOnlyWhenColoursAndIdsAreAsMany) {
    struct Case {
        int names, ids;
        bool replaced;
    };
    for (const Case& c : {Case{3, 2, true}, Case{3, 3, false}, Case{3, 1, false}, Case{2, 2, false}}) {
        SetUp();
        for (const char* erase : {"Process/SeparationNames", "Process/ColorsforDotcreatorID"}) {
            store.Erase(3, kJobId, erase);
        }
        Ticket("[job]\nInput/Colors[] = \"Cyan\"\nInput/Colors[] = \"Black\"\n");
        std::vector<std::string> names;
        for (int i = 0; i < c.names; ++i) {
            names.push_back("Name " + std::to_string(i));
            store.Append(3, kJobId, "Process/SeparationNames", names.back());
        }
        for (int i = 0; i < c.ids; ++i) store.Append(3, kJobId, "Process/ColorsforDotcreatorID", 3 - i);
        Index();
        const auto expected = c.replaced ? std::vector<std::string>{"Cyan", "Black"} : names;
        EXPECT_EQ(Strings("Process/SeparationNames"), expected) << c.names << " names, " << c.ids << " ids";
        EXPECT_EQ(job->m_vSeparationNames.size(), expected.size());
    }
}

TEST_F(Separations, TooFewDotCreatorIdsAreRebuilt) {
    Ticket(R"(
[job]
Input/Colors[] = "Cyan"
Input/Colors[] = "Magenta"
Input/Colors[] = "Yellow"
Process/SeparationNames[] = "CYAN"
Process/SeparationNames[] = "MAGENTA"
Process/SeparationNames[] = "YELLOW"
Process/ColorsforDotcreatorID[] = 2
)");
    EXPECT_EQ(Index(), (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(Key("Process/ColorsforDotcreatorID"), nullptr);
}

using SpotSeparation = JobTest;

TEST_F(SpotSeparation, KernelWhiteDecidesByWhiteMode) {
    Ticket(R"(
[job]
Output/Prn/Specific/White/GenerationPerformedByKernel = 1
Output/Prn/Specific/White/Mode = 3
Process/PrinterSpotSeparations[] = "WHITE_INK"
)");
    CVarnPrn& j = NewJob();
    EXPECT_FALSE(j.JobHasPrinterSpotSeparation("WHITE_INK"));
    EXPECT_TRUE(log.Has(1000, "CVarnPrn::JobHasPrinterSpotSeparation KERNEL White Mode OFF"));
    store.Set(3, kJobId, "Output/Prn/Specific/White/Mode", 1);
    EXPECT_TRUE(j.JobHasPrinterSpotSeparation("WHITE_INK"));
}

TEST_F(SpotSeparation, SeparationsMatchWholeNamesDefinitionsMatchParts) {
    Ticket(R"(
[job]
Process/PrinterSpotSeparations[] = "WHITE_INK_2"
Input/ValidSpotColorDefinition[] = "METALLIC_INK silver"
)");
    CVarnPrn& j = NewJob();
    EXPECT_FALSE(j.JobHasPrinterSpotSeparation("WHITE_INK"));
    EXPECT_TRUE(j.JobHasPrinterSpotSeparation("WHITE_INK_2"));
    EXPECT_TRUE(j.JobHasPrinterSpotSeparation("METALLIC_INK"));
    EXPECT_TRUE(log.Has(1000, "CVarnPrn::JobHasPrinterSpotSeparation: White in simple/tiled Job with ID 1"));
}

TEST_F(SpotSeparation, NestingJobAsksItsChildren) {
    Ticket(R"(
[job]
Input/FileType = 4096
General/ChildIDs[] = 7
General/ChildIDs[] = 8
Process/PrinterSpotSeparations[] = "WHITE_INK"
)");
    store.LogCalls();
    // The nesting job's own list is not consulted; its children (whom this
    // store does not hold) are asked in order.
    EXPECT_FALSE(NewJob().JobHasPrinterSpotSeparation("WHITE_INK"));
    std::vector<uint32_t> asked;
    for (const auto& call : store.calls()) {
        if (call.key == "Process/PrinterSpotSeparations") asked.push_back(call.id);
    }
    EXPECT_EQ(asked, (std::vector<uint32_t>{7, 8}));
}

}  // namespace
