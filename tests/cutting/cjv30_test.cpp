// The CJV30 print-and-cut line's page steps on a job read from a ticket, with
// the real cut code: the records are decoded back.
#include "cutting/cjv30.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

#include "drivers/family_test_support.h"
#include "mgl_decode.h"
#include "print_and_cut_test_support.h"
#include "support/scratch_folder.h"
#ifdef AI2MGL_PATH
#include "support/program_run.h"
#endif

namespace {

using prndecode::Command;

class CJV30Test : public FamilyTest {
protected:
    CJV30Test() : cwd(folder.Path()) { std::ofstream(folder.File("cut.ai"), std::ios::binary) << kSquareCutFile; }

    // A 2 x 2 inch image at x by y dpi with variable dots (dot size 2) or fixed ones.
    CVarnPrn& Open(const std::string& extra, int x = 720, int y = 720, int dotSize = 2) {
        writer = CapturingWriter();
        const std::string cutFile =
            withCutFile ? "Process/ContourCut/ICUT/AI_FileName[] = \"" + TicketPath(folder.File("cut.ai")) + "\"\n" : "";
        OpenTicket(FamilyJobTicket(703, x, y, dotSize, 8) + "System/Product/MajorVersion = 5\n" + cutFile + extra);
        job->m_iImageWidth = 2 * x;
        job->m_iImageHeight = 2 * y;
        return *job;
    }
    // The options of a print-and-cut job: print tags (option 86) and marks.
    static std::string PrintAndCut(bool marks = true) {
        return std::string("ContourCutting/PrintAndCutDeviceHandlesCutMarks = ") + (marks ? "1" : "0") +
               "\n[printer 703]\nOutput/Prn/Info/Option/ID[] = 86\n[job]\n";
    }
    CJV30PageHelper& Page() { return *CJV30PageHelper::Of(job.get()); }

    std::vector<uint32_t> Tags() const {
        std::vector<uint32_t> tags;
        for (const auto& r : writer.records) tags.push_back(r.tag);
        return tags;
    }
    // The first record with the tag; a missing one fails the test and reads as empty.
    const CapturedRecord& Record(uint32_t tag) const {
        for (const auto& r : writer.records) {
            if (r.tag == tag) return r;
        }
        ADD_FAILURE() << "no record tagged 0x" << std::hex << tag;
        static const CapturedRecord none;
        return none;
    }
    // A page of one line whose first plane holds a dot.
    int PrintOneLine() {
        SetHalftonedLine(4, 8);
        Plane(0)[0] = 0xC0;
        return CJV30_WriteLine(job.get());
    }

    ScratchFolder folder;
    WorkingFolder cwd;
    bool withCutFile = true;
};

// The tags in order with runs of raster records folded into one DATA entry.
std::vector<uint32_t> Folded(const std::vector<uint32_t>& tags) {
    std::vector<uint32_t> out;
    for (uint32_t t : tags) {
        if (out.empty() || t != SPLTAG_DATA || out.back() != SPLTAG_DATA) out.push_back(t);
    }
    return out;
}

TEST_F(CJV30Test, JobStartIsTheJv33One) {
    Open(ExampleLinearisation());
    ASSERT_EQ(CJV30_OpenJob(job.get()), 0);
    EXPECT_EQ(job->m_pfnOpenPage, &CJV30_OpenPage);
    EXPECT_EQ(job->m_pHalftone->HalftoneRoutine, 103);
    EXPECT_TRUE(log.Has(3000, "CJV30_InitHalftone 4 channels"));
    EXPECT_TRUE(log.Has(2000, "CJV30_OpenJob"));
}

TEST_F(CJV30Test, RecordOrderWithAndWithoutPrintTags) {
    Open(PrintAndCut());
    ASSERT_EQ(CJV30_OpenPage(job.get()), 0);
    const size_t leading = writer.records.size() - 3;
    EXPECT_GT(leading, 0u);
    ASSERT_EQ(PrintOneLine(), 0);
    ASSERT_EQ(CJV30_ClosePage(job.get()), 0);
    EXPECT_EQ(job->m_pDriver, nullptr);
    EXPECT_EQ(Folded(Tags()), (std::vector<uint32_t>{SPLTAG_PAGE_HEADER, SPLTAG_CUT_PAGE_OPEN, SPLTAG_CUT_PAGE_SETUP,
                                                     SPLTAG_DATA, SPLTAG_PAGE_END, SPLTAG_CUT_DATA, SPLTAG_CUT_JOB}));
    EXPECT_TRUE(Record(SPLTAG_CUT_PAGE_OPEN).data.empty());
    // The header starts with "GR"; the host's copy drops the cut flag and the dry time.
    const auto header = Commands(Record(SPLTAG_PAGE_HEADER));
    ASSERT_FALSE(header.empty());
    EXPECT_EQ(header.front().name, "GR");
    const auto copy = Commands(Record(SPLTAG_CUT_PAGE_SETUP));
    EXPECT_EQ(copy.size(), header.size());
    EXPECT_EQ(Find(copy, "QC").Value("p3"), 0xFFFFu);
    EXPECT_EQ(Find(copy, "QP").params, Find(header, "QP").params);
    // Trailing marks as many as leading ones, the cut job framing the cut data.
    EXPECT_EQ(writer.records.size(), 3 + leading + 1 + leading + 3);
    const auto& cutData = Record(SPLTAG_CUT_DATA).data;
    ASSERT_GT(cutData.size(), 8u);
    EXPECT_EQ(std::vector<uint8_t>(cutData.begin(), cutData.begin() + 4), (std::vector<uint8_t>{'G', 'T', 1, 0x80}));
    const auto& cutJob = Record(SPLTAG_CUT_JOB).data;
    ASSERT_GT(cutJob.size(), cutData.size());
    EXPECT_TRUE(std::equal(cutData.begin(), cutData.end(), cutJob.end() - std::ptrdiff_t(cutData.size())));
    const auto frame = prndecode::DecodeMrl(cutJob.data(), cutJob.size() - cutData.size());
    ASSERT_EQ(frame.size(), 3u);
    EXPECT_EQ(frame[0].name, "QE");
    EXPECT_EQ(frame[1].name, "GR");
    EXPECT_EQ(frame[2].name, "GS");
    EXPECT_EQ(frame[2].Value("p1"), 1u);  // marks
    EXPECT_GT(frame[2].Value("p3"), 0u);  // their bar length

    Open(PrintAndCut() + "Output/PrintTagOperation = 4\n");
    ASSERT_EQ(CJV30_OpenPage(job.get()), 0);
    ASSERT_EQ(PrintOneLine(), 0);
    ASSERT_EQ(CJV30_ClosePage(job.get()), 0);
    EXPECT_EQ(Folded(Tags()), (std::vector<uint32_t>{SPLTAG_PAGE_HEADER, SPLTAG_DATA, SPLTAG_PAGE_END}));
    EXPECT_EQ(writer.records.size(), 1 + leading + 1 + 1);  // no trailing marks

    // An option list the job refuses offers no print tags, and its warning says so.
    store.SetElements(TICKET_SCOPE_PRINTER_INFO, 703, "Output/Prn/Info/Option/ID", {std::string("86")});
    store.Erase(TICKET_SCOPE_JOB, kJobId, "Output/PrintTagOperation");
    Open(ExampleLinearisation());
    ASSERT_EQ(CJV30_OpenJob(job.get()), 0);
    EXPECT_FALSE(job->m_bPrintTagOperation);
    const std::string warning = "Ticket key \"Output/Prn/Info/Option/ID\" element 0 is stored as text but read as "
                                "integer; the list is ignored; the job prints without cut marks and without cut";
    EXPECT_EQ(Strings("Process/InfoMessage"), std::vector<std::string>{warning});
}

TEST_F(CJV30Test, ImageRecordsMoveRightOfTheMarks) {
    Open(PrintAndCut(false));
    ASSERT_EQ(CJV30_OpenPage(job.get()), 0);
    EXPECT_EQ(Page().m_pGenerator, nullptr);
    EXPECT_EQ(Page().m_iMargin, 0);
    ASSERT_EQ(PrintOneLine(), 0);
    EXPECT_EQ(Names(Last()), (std::vector<std::string>{"QD", "QR", "QR"}));

    Page().m_iMargin = 64;  // two bits per pixel: the printer moves the row by 128
    SetHalftonedLine(4, 8);
    Plane(0)[0] = 0xC0;
    Plane(2)[3] = 0x30;
    ASSERT_EQ(CJV30_WriteLine(job.get()), 0);
    const auto commands = Commands(Last());
    EXPECT_EQ(Names(Last()), (std::vector<std::string>{"QY", "QD", "QR", "QY", "QD", "QR", "QR"}));
    EXPECT_EQ(commands[0].Value("flag"), 1u);
    EXPECT_EQ(commands[0].Value("value"), 128u);
    EXPECT_EQ(commands[4].colour, 4);  // yellow; the blank planes get nothing
}

TEST_F(CJV30Test, CuttingModeSixFeedsPastTheImageAndSevenOnlyCuts) {
    Open("Output/Prn/Cutting/Mode = 6\n");
    ASSERT_EQ(CJV30_OpenPage(job.get()), 0);
    EXPECT_EQ(Find(Commands(Last()), "QC").Value("p1"), 1u);
    ASSERT_EQ(CJV30_ClosePage(job.get()), 0);
    const auto end = Commands(Last());
    ASSERT_EQ(end.size(), 3u);
    EXPECT_EQ(end[0].name, "QX");
    EXPECT_EQ(end[0].Value("p1"), 1u);
    EXPECT_EQ(end[0].Value("p2"), 4252u);
    EXPECT_EQ(end[1].colour, 4);
    EXPECT_EQ(end[1].compression, 0);
    EXPECT_EQ(end[1].row, (std::vector<uint8_t>{0x40}));
    EXPECT_EQ(end[2].name, "QE");

    Open("Output/Prn/Cutting/Mode = 7\n");
    ASSERT_EQ(CJV30_OpenPage(job.get()), 0);
    EXPECT_EQ(Find(Commands(Last()), "QC").Value("p1"), 1u);
    ASSERT_EQ(CJV30_ClosePage(job.get()), 0);
    EXPECT_EQ(Names(Last()), (std::vector<std::string>{"QE"}));

    // With marks the feed adds half the bar length.
    Open(PrintAndCut() + "Output/Prn/Cutting/Mode = 6\n");
    ASSERT_EQ(CJV30_OpenPage(job.get()), 0);
    const int32_t bar = Page().m_pGenerator->GetBarLengthHundredths();
    ASSERT_EQ(CJV30_ClosePage(job.get()), 0);
    EXPECT_EQ(Commands(Record(SPLTAG_PAGE_END)).at(0).Value("p2"),
              uint32_t(std::lround((bar / 200.0 + 150.0) * 720 * 10 / 254.0)));
}

TEST_F(CJV30Test, DryTimeOfTheCutJob) {
    for (int dry : {300, -1}) {
        Open(PrintAndCut(false) + "Output/Prn/Specific/Dryer/Time = " + std::to_string(dry) + "\n");
        ASSERT_EQ(CJV30_OpenPage(job.get()), 0);
        ASSERT_EQ(CJV30_ClosePage(job.get()), 0);
        const auto& cutJob = Record(SPLTAG_CUT_JOB).data;
        const size_t cutData = Record(SPLTAG_CUT_DATA).data.size();
        ASSERT_GE(cutJob.size(), cutData);
        const auto gs = Find(prndecode::DecodeMrl(cutJob.data(), cutJob.size() - cutData), "GS");
        EXPECT_EQ(gs.Value("p1"), 0u);  // no marks: no bar
        EXPECT_EQ(gs.Value("p3"), 0u);
        EXPECT_EQ(gs.Value("p7"), dry > 0 ? 255u : 0u) << dry;
        EXPECT_EQ(gs.Value("p6"), dry > 0 ? 0u : 0xFFu) << dry;  // 0x00 bytes when set
    }
}

TEST_F(CJV30Test, MissingCutDataFailsThePage) {
    withCutFile = false;
    Open(PrintAndCut());
    ASSERT_EQ(CJV30_OpenPage(job.get()), 0);
    EXPECT_EQ(CJV30_ClosePage(job.get()), -1);
    EXPECT_EQ(Last().tag, SPLTAG_PAGE_END);  // written; no cut records
    EXPECT_EQ(ErrorMessage(), "No cut data: AI file name is missing");

    // A page whose cut object is gone has no cut data either.
    withCutFile = true;
    Open(PrintAndCut());
    ASSERT_EQ(CJV30_OpenPage(job.get()), 0);
    Page().m_pCut.reset();
    EXPECT_EQ(CJV30_ClosePage(job.get()), -1);
    EXPECT_EQ(ErrorMessage(), "No cut data: No cut driver for the page");
    const auto tags = Tags();
    EXPECT_EQ(std::count(tags.begin(), tags.end(), SPLTAG_CUT_DATA), 0);

    // A cut object that the page open could not make: the page end names why.
    Open(PrintAndCut());
    job->m_iPrinterModell = 718;
    ASSERT_EQ(CJV30_OpenPage(job.get()), 0);
    EXPECT_EQ(CJV30_ClosePage(job.get()), -1);
    EXPECT_EQ(ErrorMessage(),
              "No cut data: No cut driver for the page (CreateMimakiCutDriver internal error, see Server.log)");
}

TEST_F(CJV30Test, WithTheWorkaroundFileMissingCutDataOnlyInforms) {
    withCutFile = false;
    WriteWholeFile(folder.File("WorkaroundMissingCutData.txt"), "");
    Open(PrintAndCut());
    ASSERT_EQ(CJV30_OpenPage(job.get()), 0);
    EXPECT_EQ(CJV30_ClosePage(job.get()), 0);
    EXPECT_EQ(Strings("Process/InfoMessage"), (std::vector<std::string>{"No cut data: AI file name is missing"}));
    EXPECT_EQ(ErrorMessage(), "");
    EXPECT_TRUE(Record(SPLTAG_CUT_DATA).data.empty());
    EXPECT_EQ(Names(Record(SPLTAG_CUT_JOB)), (std::vector<std::string>{"QE"}));
}

TEST_F(CJV30Test, MarkFailures) {
    // Too small for marks: the leading marks fail the page.
    Open(PrintAndCut());
    job->m_iImageWidth = 700;
    EXPECT_EQ(CJV30_OpenPage(job.get()), -1);
    EXPECT_EQ(ErrorMessage(), "Less than 50mm distance between cut marks");
    EXPECT_TRUE(log.Has(0, "CJV30_OpenPage return error code -1"));
    EXPECT_EQ(job->m_pDriver, nullptr);

    // A failed trailing mark: neither page end nor print tags.
    Open(PrintAndCut());
    ASSERT_EQ(CJV30_OpenPage(job.get()), 0);
    const size_t before = writer.records.size();
    writer.failWith = 5;
    writer.failTag = SPLTAG_DATA;
    EXPECT_EQ(CJV30_ClosePage(job.get()), -1);
    EXPECT_EQ(ErrorMessage(), "Spool file write fail");
    EXPECT_EQ(writer.records.size(), before);
    EXPECT_EQ(CJV30_ClosePage(job.get()), -1);  // no page object any more
}

// A mark row too long for one plane record's 16-bit count fails the row
// instead of going out with a wrapped count.
TEST_F(CJV30Test, AMarkRowLongerThanOneRecordFailsTheRow) {
    Open(PrintAndCut());
    ASSERT_EQ(CJV30_OpenPage(job.get()), 0);
    const size_t before = writer.records.size();
    const std::vector<uint8_t> row(70000, 0xC0);
    EXPECT_EQ(CJV30_PrintCutmarksLine(job.get(), row.data(), uint32_t(row.size())), -1);
    EXPECT_EQ(writer.records.size(), before);
}

TEST_F(CJV30Test, MarksStayCodeThreeOnAConvertedVariableDotPage) {
    Open(PrintAndCut(), 720, 1080, 2);
    ASSERT_EQ(CJV30_OpenPage(job.get()), 0);
    ASSERT_NE(Page().m_pConverter, nullptr);
    size_t marked = 0;
    for (size_t i = 3; i < writer.records.size(); ++i) {
        const auto commands = Commands(writer.records[i]);
        for (const Command* qd : Raster(commands)) {
            EXPECT_EQ(qd->colour, 0);
            EXPECT_EQ(qd->bitsPerPixel, 2);
            for (uint8_t byte : qd->row) {
                for (int shift = 0; shift < 8; shift += 2) {
                    const int code = (byte >> shift) & 3;
                    EXPECT_TRUE(code == 0 || code == 3);
                    marked += code == 3;
                }
            }
        }
    }
    EXPECT_GT(marked, 0u);
}

// A cut file of every Illustrator path operator (L, C, v, V, y, Y, closed by
// f, F, s, b, B, n, left open by S and N, with operators that cut nothing)
// cuts exactly as its outline written in m, l and c alone, through a CJV30
// job and through ai2mgl; only the operators not cut are logged, each once.
TEST_F(CJV30Test, EveryIllustratorPathOperatorCutsAsItsMoveLineAndCurveForm) {
    using Cut = std::pair<std::string, std::vector<std::string>>;  // cut data, warnings
    using Route = std::function<Cut(const std::string& ai, bool marks)>;
    std::vector<std::pair<std::string, Route>> routes = {{"CJV30 job", [&](const std::string& ai, bool marks) {
        // Removed first: the Windows run-time refuses to copy over a file.
        std::filesystem::remove(folder.File("cut.ai"));
        std::filesystem::copy_file(ai, folder.File("cut.ai"));
        Open(PrintAndCut(marks));
        job->m_iImageWidth = job->m_iImageHeight = 2000;  // the file's 200 points
        log.lines.clear();
        EXPECT_EQ(CJV30_OpenPage(job.get()), 0);
        EXPECT_EQ(CJV30_ClosePage(job.get()), 0) << ErrorMessage();
        Cut cut{std::string(Record(SPLTAG_CUT_DATA).data.begin(), Record(SPLTAG_CUT_DATA).data.end()), {}};
        for (const auto& logged : log.lines) {
            if (logged.level == LOG_WARNING) cut.second.push_back(logged.text);
        }
        return cut;
    }}};
#ifdef AI2MGL_PATH
    routes.emplace_back("ai2mgl", [&](const std::string& ai, bool marks) {
        const std::string out = folder.File("ai2mgl.cut");
        testprogram::Command command(
            {AI2MGL_PATH, "--ai", ai, "--width", "2000", "--height", "2000", "--dpi", "720", "--out", out});
        if (marks) command.arguments.insert(command.arguments.end() - 2, "--marks");
        const testprogram::Outcome run = testprogram::Run(command.With(1, testprogram::Stream::Kept()));
        EXPECT_EQ(run.status, 0) << testprogram::Shown(command.arguments);
        Cut cut{ReadWholeFile(out), {}};
        std::istringstream lines(run.output);
        for (std::string text; std::getline(lines, text);) cut.second.push_back(text.substr(text.find(": M") + 2));
        return cut;
    });
#endif
    const std::string samples = KELMORA_CUT_SAMPLES;
    for (const auto& [name, run] : routes) {
        for (const bool marks : {false, true}) {
            const std::string route = name + (marks ? " with marks" : "");
            const Cut every = run(samples + "/all_operators.ai", marks);
            const Cut mlc = run(samples + "/all_operators_mlc.ai", marks);
            EXPECT_EQ(every.first, mlc.first) << route;
            const auto commands = mgl::Decode(mgl::Unframe({mlc.first.begin(), mlc.first.end()}));
            EXPECT_EQ(std::count_if(commands.begin(), commands.end(), [](auto& c) { return c.name == "PU"; }), 9)
                << route;  // one per subpath
            EXPECT_EQ(every.second, (std::vector<std::string>{
                                        "Mimaki_MGL_IIC_Generator: operator \"concat\" not cut (1 times)",
                                        "Mimaki_MGL_IIC_Generator: operator \"k\" not cut (2 times)"}))
                << route;
            EXPECT_TRUE(mlc.second.empty()) << route;
        }
    }
}

}  // namespace
