// The CJV300 line's page: pulled-back layers and print and cut, on jobs read
// from tickets and started as the host starts them; the records are decoded
// back.
#include "cutting/cjv300.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "drivers/jv300/jv300_test_support.h"
#include "prndump/plane_images.h"
#include "platform/system.h"
#include "print_and_cut_test_support.h"
#include "support/scratch_folder.h"
#include "support/temp_file_limits.h"

namespace {

using namespace jv300test;

// A generator that writes no rows and has the bar length it is given.
class FixedMarks : public MimakiCutmarksGenerator {
public:
    explicit FixedMarks(int32_t barLength) : m_barLength(barLength) {}
    double GetBarLengthPt() override { return 0; }
    double GetBarWidthPt() override { return 0; }
    double GetMarginPt() override { return 0; }
    void EmitMarks(bool) override {}
    int32_t GetBarLengthHundredths() override { return m_barLength; }
    int32_t GetMarginPx() override { return 0; }

private:
    int32_t m_barLength;
};

class CJV300Test : public JV300Test {
protected:
    CJV300Test() : cwd(folder.Path()) { std::ofstream(folder.File("cut.ai"), std::ios::binary) << kSquareCutFile; }

    // A white-ink CJV300 job (model 7019, WF3 dots) with pulled-back printing
    // and cutting mode 7 (the cut flag tells header A from B) and a dry time
    // of 5 minutes; printAndCut adds print tags with marks on a 2-inch image.
    CJV300_Intern& Start(const std::string& extra, bool printAndCut = false) {
        JobShape s;
        s.model = 7019;
        s.outputMode = 6;
        s.white = true;
        s.dotSize = 3;
        s.extra = "Output/Prn/Specific/PulledBackPrint = 1\nOutput/Prn/Cutting/Mode = 7\n"
                  "Output/Prn/Specific/Dryer/Time = 5\n"
                  "Process/ContourCut/ICUT/AI_FileName = \"" + TicketPath(folder.File("cut.ai")) + "\"\n" +
                  std::string(printAndCut ? "ContourCutting/PrintAndCutDeviceHandlesCutMarks = 1\n"
                                            "[printer 7019]\nOutput/Prn/Info/Option/ID[] = 86\n[job]\n"
                                          : "") +
                  extra;
        Open(s);
        job->m_iHalftoneThreadCount = 0;
        EXPECT_EQ(CJV300_OpenJob(job.get()), 0) << ErrorMessage();
        job->m_iImageWidth = job->m_iOutHeightPixel = 1440;
        CJV300_Intern* driver = CJV300_Intern::Of(job.get());
        if (!driver) throw std::runtime_error("no driver");
        writer.records.clear();
        return *driver;
    }
    // One line of every plane through the page's print hook; the records stay.
    void Line() {
        SetHalftonedLine(job->m_iOutChannels, 8);
        std::memset(line.data(), 0x55, line.size());
        EXPECT_EQ(job->m_pfnPrintLine(job.get()), 0) << ErrorMessage();
    }
    // Page open, one line, page end.
    void Page() {
        ASSERT_EQ(InternPageHook1(job.get()), 0) << ErrorMessage();
        Line();
        EXPECT_EQ(InternPageHook2(job.get()), 0) << ErrorMessage();
    }

    // "A", "B" or "C" by the "QC" of a page header.
    static std::string HeaderKind(const std::vector<Command>& commands) {
        const auto& qc = Find(commands, "QC");
        if (qc.Value("p1") == 1) return "A";
        return qc.Value("p3") == 0xFFFF ? "C" : "B";
    }
    // The records since the job start, one entry each, runs of raster records folded.
    std::vector<std::string> Table() const {
        std::vector<std::string> table;
        for (const auto& r : writer.records) {
            std::string entry;
            switch (r.tag) {
                case SPLTAG_PAGE_HEADER: entry = "HEADER " + HeaderKind(Commands(r)); break;
                case SPLTAG_CUT_PAGE_OPEN: entry = "CUT_OPEN"; break;
                case SPLTAG_CUT_PAGE_SETUP: entry = "CUT_SETUP " + HeaderKind(Commands(r)); break;
                case SPLTAG_PAGE_END: entry = "END"; break;
                case SPLTAG_CUT_DATA: entry = "CUT_DATA"; break;
                case SPLTAG_CUT_JOB: entry = "CUT_JOB"; break;
                case 0: entry = std::string(r.data.begin(), r.data.end()); break;
                case SPLTAG_DATA: {
                    const auto commands = Commands(r);
                    if (!commands.empty() && commands[0].name == "QE") {
                        EXPECT_EQ(commands[1].name, "PH");
                        entry = "INIT " + HeaderKind(commands);
                    } else {
                        entry = "rows";
                    }
                    break;
                }
                default: entry = "?"; break;
            }
            if (entry != "rows" || table.empty() || table.back() != "rows") table.push_back(entry);
        }
        return table;
    }
    // The images of the page (one per layer) and the colour codes of each.
    std::vector<std::vector<uint8_t>> LayerColours() const {
        std::vector<prndecode::Record> records;
        for (const auto& r : writer.records) records.push_back({r.tag, 0, r.data});
        std::vector<std::vector<uint8_t>> colours;
        for (const auto& image : prndecode::AssemblePages(records)) {
            colours.emplace_back();
            for (const auto& plane : image.planes) colours.back().push_back(plane.colour);
        }
        return colours;
    }

    ScratchFolder folder;
    WorkingFolder cwd;
};

const std::vector<uint8_t> kColour = {2, 1, 4, 0, 0x12, 0x11};
const std::vector<uint8_t> kWhite = {0xFE, 0xFF};

TEST_F(CJV300Test, PulledBackOnlyWithWhiteOrSilver) {
    EXPECT_TRUE(Start("").m_bPulledBack);
    JobShape s;
    s.model = 7019;
    s.outputMode = 6;
    s.extra = "Output/Prn/Specific/PulledBackPrint = 1\n";
    Open(s);
    ASSERT_EQ(CJV300_OpenJob(job.get()), 0);
    EXPECT_FALSE(JV300_Intern::Of(job.get())->m_bPulledBack);
}

TEST_F(CJV300Test, RecordTableWithoutPulledBackLayers) {
    Start("Output/Prn/Specific/PulledBackPrint = 0\n");
    Page();
    EXPECT_EQ(Table(), (std::vector<std::string>{"HEADER A", "rows", "END"}));
    EXPECT_EQ(Commands(writer.records[0])[0].name, "GR");
    EXPECT_EQ(Names(Last()), (std::vector<std::string>{"QE", "GT"}));

    CJV300_Intern& d = Start("Output/Prn/Specific/PulledBackPrint = 0\n", true);
    ASSERT_EQ(InternPageHook1(job.get()), 0) << ErrorMessage();
    const size_t top = writer.records.size() - 3;
    EXPECT_GT(top, 0u);
    EXPECT_NE(d.m_pCutmarks, nullptr);
    Line();
    ASSERT_EQ(InternPageHook2(job.get()), 0) << ErrorMessage();
    EXPECT_EQ(Table(), (std::vector<std::string>{"HEADER A", "CUT_OPEN", "CUT_SETUP C", "rows", "END", "CUT_DATA",
                                                 "CUT_JOB"}));
    EXPECT_EQ(writer.records.size(), 3 + top + 1 + top + 3);  // marks above and below the line
    const auto markCommands = Commands(writer.records[3]);
    const auto mark = Raster(markCommands);
    ASSERT_EQ(mark.size(), 1u);
    EXPECT_EQ(mark[0]->colour, 0);
    EXPECT_EQ(mark[0]->bitsPerPixel, 2);
    EXPECT_EQ(mark[0]->row[0], 0xFF) << prndecode::FormatCommand(*mark[0]);  // code 3, unconverted
    EXPECT_EQ(d.m_pCut, nullptr);     // freed at page end
    EXPECT_EQ(d.m_pCutmarks, nullptr);
    EXPECT_EQ(d.m_bPrintAndCut, 0);

    // An option list the job refuses offers no print and cut, and says so.
    Start("Output/Prn/Specific/PulledBackPrint = 0\n[printer 7019]\nOutput/Prn/Info/Option/ID[] = \"86\"\n[job]\n");
    const auto notes = Strings("Process/InfoMessage");
    ASSERT_FALSE(notes.empty());
    EXPECT_NE(notes.back().find("ignored; the job prints without cut marks and without cut"), std::string::npos);
}

TEST_F(CJV300Test, RecordTableOfThePulledBackModes) {
    struct Case {
        int order, mode;
        std::vector<std::string> table;
        std::vector<std::vector<uint8_t>> layers;
    };
    const std::vector<std::string> oneLayer = {"HEADER B", "rows", "PulledBack Layer1", "INIT A", "rows", "END"};
    const Case cases[] = {
        {0, 1, oneLayer, {kWhite, kColour}},
        {1, 2, oneLayer, {kColour, kWhite}},
        {4, 3,
         {"HEADER B", "rows", "PulledBack Layer1", "INIT B", "rows", "PulledBack Layer2", "INIT A", "rows", "END"},
         {kColour, kWhite, kColour}},
        {5, 0, {"HEADER A", "rows", "END"}, {kWhite}},  // mode 4: white alone, nothing pulled back
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.order);
        CJV300_Intern& d = Start("Output/Prn/Specific/White/Order = " + std::to_string(c.order) + "\n");
        Page();
        EXPECT_EQ(d.m_iPulledBackMode, c.mode);
        EXPECT_EQ(Table(), c.table);
        auto layers = LayerColours();
        for (auto& l : layers) std::sort(l.begin(), l.end());
        auto want = c.layers;
        for (auto& l : want) std::sort(l.begin(), l.end());
        EXPECT_EQ(layers, want);
        EXPECT_FALSE(Has(Commands(writer.records[0]), "PL")) << "pulled back: no over-plotting";
    }
    EXPECT_TRUE(log.Has(3000, "CJV300_OpenPage PulledBack => Setting up page init sequences per layer"));
    EXPECT_TRUE(log.Has(3000, "CJV300_OpenPage Layer 2 done"));

    // Print and cut with two pulled-back layers: the last one carries C.
    Start("Output/Prn/Specific/White/Order = 4\n", true);
    Page();
    EXPECT_EQ(Table(), (std::vector<std::string>{"HEADER B", "CUT_OPEN", "CUT_SETUP B", "rows", "PulledBack Layer1",
                                                 "INIT B", "rows", "PulledBack Layer2", "INIT C", "rows", "END",
                                                 "CUT_DATA", "CUT_JOB"}));
}

TEST_F(CJV300Test, LayerSpoolFiles) {
    // Without a temporary folder they lie in the current directory while the page is open.
    CJV300_Intern& d = Start("Output/Prn/Specific/White/Order = 4\n");
    ASSERT_EQ(InternPageHook1(job.get()), 0);
    EXPECT_NE(d.m_aLayerTemp[1].m_pSpoolFile, nullptr);
    // Named by the layer, the process and a number the page's layers share.
    const std::string name = d.m_aLayerTemp[1].m_strFileName;
    EXPECT_EQ(name.rfind("CJV300_Intern_Layer_2_" + std::to_string(platform::CurrentProcessId()) + "_", 0), 0u) << name;
    EXPECT_EQ(name.substr(name.size() - 4), ".wyx");
    EXPECT_EQ(d.m_aLayerTemp[0].m_strFileName, "CJV300_Intern_Layer_1" + name.substr(21)) << name;
    // A layer that got no line is still played back, with a note.
    EXPECT_EQ(InternPageHook2(job.get()), 0);
    EXPECT_EQ(d.m_aLayerTemp[1].m_pSpoolFile, nullptr);
    const auto notes = Strings("Process/InfoMessage");
    EXPECT_NE(std::find(notes.begin(), notes.end(), "Layer 1 has no image data"), notes.end());
    EXPECT_NE(std::find(notes.begin(), notes.end(), "Layer 2 has no image data"), notes.end());
    EXPECT_EQ(Table(), (std::vector<std::string>{"HEADER B", "PulledBack Layer1", "INIT B", "PulledBack Layer2",
                                                 "INIT A", "END"}));

    // A folder that does not exist: the page fails and keeps no layer; the
    // folder's control bytes are escaped in the message.
    const std::string missing = TicketPath(folder.File("none"));
    Start("[system]\nSystem/Folders/Temp = \"" + missing + "\\x1b[2J\"\n[job]\n");
    EXPECT_EQ(InternPageHook1(job.get()), -1);
    const std::string failure =
        "CJV300_Intern::OpenPage: EmitterOpenPage: Creating " + missing + "\\x1B[2J/CJV300_Intern_Layer_1_";
    EXPECT_EQ(ErrorMessage().rfind(failure, 0), 0u) << ErrorMessage();
    EXPECT_TRUE(writer.records.empty());
    EXPECT_EQ(CJV300_Intern::Of(job.get())->m_aLayerTemp[0].m_pSpoolFile, nullptr);
}

// A full disk under the layers (the family's fault runs check its messages):
// a layer the first line reached no more is not said to have no image data.
// The messages name the layer's file, the temporary folder's control bytes escaped.
TEST_F(CJV300Test, AFullDiskLeavesNoLayerCalledEmpty) {
    const struct { std::string temp, named; } cases[] = {  // the ticket's temporary folder, as the messages name it
        {"", ""},
#ifndef _WIN32  // Windows takes no control bytes in a name
        {"[system]\nSystem/Folders/Temp = \"" + TicketPath(folder.File("t")) + "\\x1bmp\"\n[job]\n",
         folder.File("t\\x1Bmp/")},
#endif
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.temp);
        if (!c.temp.empty()) std::filesystem::create_directory(folder.File("t\x1bmp"));
        Start("Output/Prn/Specific/White/Order = 4\n" + c.temp);
        ASSERT_EQ(InternPageHook1(job.get()), 0) << ErrorMessage();
        testsupport::WriteLimit full(0);
        SetHalftonedLine(job->m_iOutChannels, 8);
        std::memset(line.data(), 0x55, line.size());
        const std::string failed = ": Layer 1: Spool file IO failed (cannot write \"" + c.named + "CJV300_Intern_Layer_1_";
        EXPECT_EQ(job->m_pfnPrintLine(job.get()), -1);
        EXPECT_EQ(ErrorMessage().rfind("CJV300_WriteLine" + failed, 0), 0u) << ErrorMessage();
        EXPECT_EQ(InternPageHook2(job.get()), -int(eSPOOLFILE2_IO_FAILED));
        EXPECT_EQ(ErrorMessage().rfind("CJV300_ClosePage" + failed, 0), 0u) << ErrorMessage();
        for (const std::string& note : Strings("Process/InfoMessage")) EXPECT_EQ(note.find("no image data"), note.npos);
    }
}

TEST_F(CJV300Test, PageEndFailuresEndThePage) {
    // The bottom marks fail: no layer, no page end, no cut records.
    Start("Output/Prn/Specific/White/Order = 4\n", true);
    ASSERT_EQ(InternPageHook1(job.get()), 0);
    const size_t opened = writer.records.size();
    writer.failWith = 6;
    writer.failTag = SPLTAG_DATA;
    EXPECT_EQ(InternPageHook2(job.get()), -1);
    EXPECT_EQ(ErrorMessage(), "Spool file write fail");
    EXPECT_EQ(writer.records.size(), opened);

    // A layer's playback fails: that failure ends the page.
    Start("Output/Prn/Specific/White/Order = 0\n", true);
    writer.failWith = 0;
    ASSERT_EQ(InternPageHook1(job.get()), 0);
    Line();
    EXPECT_EQ(Table().back(), "rows");
    job->m_bPrintTagOperation = false;  // no trailing marks
    CJV300_Intern::Of(job.get())->m_bPrintAndCut = 0;
    writer.failFrom = writer.records.size() + 2;  // the layer's name and init sequence go out
    writer.failWith = 6;
    writer.failTag = 0;
    EXPECT_EQ(InternPageHook2(job.get()), -6);
    EXPECT_EQ(Table().back(), "INIT C");
    EXPECT_NE(ErrorMessage().find("CJV300_ClosePage: Layer 1"), std::string::npos) << ErrorMessage();

    // The cut set-up fails: no page header.
    Start("", true);
    job->m_iOutHeightPixel = 0;
    EXPECT_EQ(InternPageHook1(job.get()), -1);
    EXPECT_EQ(ErrorMessage(), "MimakiCutmarksGenerator_Imp no image");
    EXPECT_TRUE(writer.records.empty());
    EXPECT_TRUE(log.Has(0, "CJV300_OpenPage return error code -1"));
}

TEST_F(CJV300Test, FeedReserveAndDryTimeOfTheCutJob) {
    for (int bar : {0, 3979}) {
        SCOPED_TRACE(bar);
        CJV300_Intern& d = Start("Output/Prn/Cutting/Mode = 6\nOutput/Prn/Specific/PulledBackPrint = 0\n", true);
        ASSERT_EQ(InternPageHook1(job.get()), 0);
        d.m_pCutmarks.reset();
        if (bar != 0) d.m_pCutmarks = std::make_unique<FixedMarks>(bar);
        d.m_pCut->SetIMimakiCutmarksGeneratorInfo(d.m_pCutmarks.get());
        ASSERT_EQ(InternPageHook2(job.get()), 0) << ErrorMessage();
        const auto end = Commands(*std::find_if(writer.records.begin(), writer.records.end(),
                                                [](const CapturedRecord& r) { return r.tag == SPLTAG_PAGE_END; }));
        ASSERT_EQ(end.size(), 4u);
        // 150 mm, plus half the bar (19.895 mm) with marks, at 720 dpi.
        EXPECT_EQ(end[0].Value("p2"), bar ? 4816u : 4252u);
        EXPECT_EQ(end[1].colour, 4);
        EXPECT_EQ(end[1].row, (std::vector<uint8_t>{0x40}));
        EXPECT_EQ(end[2].name, "QE");
        EXPECT_EQ(end[3].name, "GT");
        EXPECT_TRUE(log.Has(3000, std::string("CJV300_ClosePage Generating feed reserve ") + (bar ? "4816" : "4252") +
                                      " pixel"));
    }
    for (int dry : {0, 300}) {
        Start("Output/Prn/Specific/Dryer/Time = " + std::to_string(dry) + "\n", true);
        ASSERT_EQ(InternPageHook1(job.get()), 0);
        ASSERT_EQ(InternPageHook2(job.get()), 0) << ErrorMessage();
        const auto& cutJob = Last().data;
        const size_t data = writer.records[writer.records.size() - 2].data.size();
        const auto gs = Find(prndecode::DecodeMrl(cutJob.data(), cutJob.size() - data), "GS");
        EXPECT_EQ(gs.Value("p7"), dry ? 255u : 0u) << dry;
        EXPECT_EQ(gs.Value("p6"), dry ? 0u : 0xFFu) << dry;
        EXPECT_EQ(gs.Value("p1"), 1u);
    }
}

TEST_F(CJV300Test, MissingCutDataAndPagesOpenedTwice) {
    const std::string noFile = "Process/ContourCut/ICUT/AI_FileName = \"" + TicketPath(folder.File("none.ai")) + "\"\n";
    CJV300_Intern& d = Start(noFile, true);
    ASSERT_EQ(InternPageHook1(job.get()), 0);
    ASSERT_EQ(InternPageHook1(job.get()), 0);  // the first page's cut objects are freed (owned)
    EXPECT_NE(d.m_pCut.get(), nullptr);
    EXPECT_EQ(InternPageHook2(job.get()), -1);
    EXPECT_EQ(ErrorMessage().rfind("No cut data: ", 0), 0u);
    EXPECT_EQ(Last().tag, SPLTAG_PAGE_END);

    WriteWholeFile(folder.File("WorkaroundMissingCutData.txt"), "");
    Start(noFile, true);
    ASSERT_EQ(InternPageHook1(job.get()), 0);
    EXPECT_EQ(InternPageHook2(job.get()), 0);
    EXPECT_TRUE(writer.records[writer.records.size() - 2].data.empty());
    EXPECT_EQ(Names(Last()), (std::vector<std::string>{"QE", "GT"}));
    EXPECT_EQ(JV300_Print(nullptr, nullptr, 0), -1);
}

}  // namespace
