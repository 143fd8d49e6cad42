// The job cycle of the job object with scripted family hooks and a scripted
// halftoner.
#include <gtest/gtest.h>

#include <deque>
#include <map>
#include <set>
#include <numeric>

#include "catalogue/varn_printer.h"
#include "halftone/halftone.h"
#include "job/job_test_support.h"
#include "plugin/job_cycle_dispatch.h"

namespace {

// What the hooks and the halftoner saw; one per test.
struct Trace {
    std::vector<int32_t> printedPageLines;
    std::vector<std::vector<uint8_t>> printedBytes;
    std::vector<int32_t> halftonedPageLines;
    std::vector<const uint8_t*> halftonedPointers;
    std::deque<int32_t> answers;  // the halftoner's line results, in turn (then 0)
    size_t printBytes = 0;        // bytes the print hook copies from the current line
    int printResult = 0;
    int closePageResult = 0;
    int closePages = 0;
    std::vector<uint32_t> records;
};
Trace* g_trace = nullptr;

int PrintLine(CVarnPrn* job) {
    g_trace->printedPageLines.push_back(job->m_iPageLine);
    g_trace->printedBytes.emplace_back(job->m_pCurrentLine, job->m_pCurrentLine + g_trace->printBytes);
    return g_trace->printResult;
}

int ClosePage(CVarnPrn*) {
    ++g_trace->closePages;
    return g_trace->closePageResult;
}

int OpenPage(CVarnPrn* job) {
    job->m_pfnPrintLine = PrintLine;
    job->m_pfnClosePage = ClosePage;
    return 0;
}

int Write(void* trace, uint32_t tag, const uint8_t*, uint32_t) {
    static_cast<Trace*>(trace)->records.push_back(tag);
    return 0;
}

// Reads the whole input pixel of every line it takes, as a halftoner does.
class ScriptedHalftone : public CHalftone {
public:
    explicit ScriptedHalftone(CVarnPrn* job) : CHalftone(job) {}
    int32_t Process(CVarnPrn* job, int32_t phase) override {
        if (phase != HALF_PROCESS) return 0;
        const size_t bytes = static_cast<size_t>(job->m_iOutWidthPixel) * job->m_iInputColorMode;
        sum += std::accumulate(job->m_pCurrentLine, job->m_pCurrentLine + bytes, 0u);
        g_trace->halftonedPageLines.push_back(job->m_iPageLine);
        g_trace->halftonedPointers.push_back(job->m_pCurrentLine);
        if (g_trace->answers.empty()) return 0;
        const int32_t answer = g_trace->answers.front();
        g_trace->answers.pop_front();
        return answer;
    }
    unsigned sum = 0;
};

class Cycle : public JobTest {
protected:
    Cycle() { g_trace = &trace; }
    ~Cycle() override { g_trace = nullptr; }

    // A job of width x height CMYK pixels whose page is open.
    CVarnPrn& PageOpen(int width, int height, bool halftoner = true) {
        CVarnPrn& j = NewJob();
        j.m_iOutWidthPixel = j.m_iImageWidth = width;
        j.m_iOutHeightPixel = j.m_iImageHeight = height;
        j.m_iInputColorMode = 4;
        j.m_iComponents = 4;
        j.m_pfnWritePrnData = &Write;
        j.m_pWritePrnContext = &trace;
        j.m_pfnOpenPage = OpenPage;
        if (halftoner) j.m_pHalftone = std::make_unique<ScriptedHalftone>(&j);
        EXPECT_EQ(j.OpenPage(), 0);
        return j;
    }
    std::vector<uint8_t> Line(int width, uint8_t first = 0) {
        std::vector<uint8_t> line(static_cast<size_t>(width) * 4 + 32);
        std::iota(line.begin(), line.end(), first);
        return line;
    }

    Trace trace;
};

TEST_F(Cycle, PrintsOnlyFinishedLinesAndRunsALineAgainWhileAsked) {
    CVarnPrn& j = PageOpen(4, 4);
    trace.answers = {HALF_LINE_PENDING, HALF_LINE_PENDING, HALF_LINE_READY, HALF_LINE_AGAIN, HALF_LINE_AGAIN,
                     HALF_LINE_READY};
    const auto line = Line(4);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(j.WriteLine(line.data()), 0);
    // The last line runs the step again while asked; page lines count input lines only.
    EXPECT_EQ(trace.halftonedPageLines, (std::vector<int32_t>{1, 2, 3, 4, 4, 4}));
    EXPECT_EQ(trace.printedPageLines, (std::vector<int32_t>{3, 4, 4, 4}));
    EXPECT_EQ(j.m_iLineCount, 6);
}

TEST_F(Cycle, CropsLinesAndColumnsButFeedsTheHalftonerWhileItAsksAgain) {
    // Lines 2 and 3 of 4 printed, 2 pixels of CMYK and a further channel cut at the left.
    CVarnPrn& j = PageOpen(4, 4);
    j.m_iComponents = 5;
    j.m_bCropping = 1;
    j.m_iCropTop = 1;
    j.m_iImageHeight = 2;
    j.m_iCropLeft = 2;
    trace.printBytes = 8;
    trace.answers = {0, HALF_LINE_AGAIN, HALF_LINE_AGAIN, 0};
    std::vector<std::vector<uint8_t>> lines;
    for (uint8_t i = 0; i < 4; ++i) lines.push_back(Line(4, static_cast<uint8_t>(100 * i)));
    for (const auto& line : lines) EXPECT_EQ(j.WriteLine(line.data()), 0);
    // Line 3, the last printed one, is stepped again while the halftoner asks;
    // line 4 lies below the printed range.
    EXPECT_EQ(trace.halftonedPageLines, (std::vector<int32_t>{2, 3, 3, 3}));
    // The halftoner reads a copy of the visible part, never the host's memory.
    const uint8_t* seen = trace.halftonedPointers[0];
    EXPECT_TRUE(seen < lines[1].data() || seen >= lines[1].data() + lines[1].size());
    EXPECT_EQ(trace.printedBytes[0], std::vector<uint8_t>(lines[1].begin() + 10, lines[1].begin() + 18));
    EXPECT_EQ(j.m_pCurrentLine, lines[3].data()) << "the line pointer is restored";
}

TEST_F(Cycle, PassesFailuresOfTheLineStepBack) {
    CVarnPrn& j = PageOpen(4, 8);
    const auto line = Line(4);
    trace.answers = {-5};
    EXPECT_EQ(j.WriteLine(line.data()), -5) << "a halftoner failure unchanged";
    EXPECT_TRUE(log.Has(0, "CVarnPrn::WriteLine: Halftoning ErrorCode = -5"));
    EXPECT_TRUE(trace.printedPageLines.empty());

    j.m_iScaleY = 2;
    trace.printResult = -9;
    EXPECT_EQ(j.WriteLine(line.data()), -2) << "the second repetition after a failed print";
    EXPECT_EQ(j.WriteLine(nullptr), -1);

    j.m_pfnPrintLine = nullptr;
    EXPECT_EQ(j.WriteLine(line.data()), -3);
    EXPECT_TRUE(log.Has(0, "CVarnPrn::WriteLine: invalid pointer to print function"));
}

TEST_F(Cycle, ClosePageFlushesTheResamplerAndPassesTheFamilysFailureOn) {
    CVarnPrn& j = NewJob();
    j.m_iOutWidthPixel = j.m_iImageWidth = 4;
    j.m_iOutHeightPixel = j.m_iImageHeight = 21;
    j.m_iInputColorMode = 4;
    j.m_pfnOpenPage = OpenPage;
    j.m_pHalftone = std::make_unique<ScriptedHalftone>(&j);
    j.m_bPaperFeedResample = 1;
    j.m_dPaperFeedAdjust = 1.05;
    // Opening the page twice leaves one resampler.
    ASSERT_EQ(j.OpenPage(), 0);
    ASSERT_EQ(j.OpenPage(), 0);
    ASSERT_NE(j.m_pLineScaler, nullptr);
    // No component count: lines still hold whole input pixels for the halftoner.
    EXPECT_EQ(j.m_iComponents, 0);
    const auto line = Line(4);
    for (int i = 0; i < 10; ++i) EXPECT_EQ(j.WriteLine(line.data()), 0);
    trace.closePageResult = -4;  // the page-end record was refused
    EXPECT_EQ(j.ClosePage(), -4);
    EXPECT_EQ(trace.printedPageLines.size(), 21u) << "the resampler fills the page";
    EXPECT_EQ(j.m_pLineScaler, nullptr);
    EXPECT_EQ(j.m_bPageOpen, 0u);
    EXPECT_TRUE(log.Has(0, "CVarnPrn::ClosePage: error (ignored)"));

    j.m_pfnClosePage = nullptr;
    EXPECT_EQ(j.ClosePage(), 0);
    EXPECT_TRUE(log.Has(0, "CVarnPrn::ClosePage: Invalid pointer to ClosePage function"));
}

TEST_F(Cycle, TheTicketSwitchesTheHalftonersGreyAsOneBitModeOn) {
    EXPECT_FALSE(PageOpen(4, 4).m_pHalftone->m_bGrayAsOneBit);
    Ticket("[job]\nInput/FileType = 11\n");
    EXPECT_TRUE(PageOpen(4, 4).m_pHalftone->m_bGrayAsOneBit);
    Ticket("[job]\nInput/FileType = 3\nWorkflow/Onebit/GrayAsMonoBit = 1\n");
    EXPECT_TRUE(PageOpen(4, 4).m_pHalftone->m_bGrayAsOneBit);
}

// ---------------------------------------------------------------------------
// OpenJob, CloseJob and the dispatch

int g_openJobs = 0;
int SuppressingOpenJob(CVarnPrn* job) {
    ++g_openJobs;
    job->m_bSuppressCloseJobRecord = true;  // leaves the open-job record suppressed as well
    return 0;
}

class Dispatch : public Cycle {
protected:
    ~Dispatch() override { SetTestPrinterFamily(0, 0, nullptr, nullptr); }
};

TEST_F(Dispatch, ServesExactlyTheListedModelNumbers) {
    const std::set<int32_t> unserved = {679, 680, 683, 684, 687, 688, 718, 719, 720, 721, 722, 723, 724, 725,
                                        7020, 7026, 7032, 7038, 7044, 7050};
    for (int32_t model = 600; model <= 7100; ++model) {
        const bool listed = ((model >= 654 && model <= 747) || (model >= 7000 && model <= 7091)) && !unserved.count(model);
        EXPECT_EQ(FindPrinterFamily(model) != nullptr, listed) << model;
    }
    EXPECT_FALSE(SetTestPrinterFamily(700, 700, "x", SuppressingOpenJob)) << "a production row";
    EXPECT_FALSE(SetTestPrinterFamily(9991, 9990, "x", SuppressingOpenJob)) << "an empty range";
    EXPECT_TRUE(SetTestPrinterFamily(7020, 7020, "x", SuppressingOpenJob)) << "a number no family serves";
    EXPECT_TRUE(SetTestPrinterFamily(0, 0, nullptr, nullptr));
    EXPECT_EQ(FindPrinterFamily(7020), nullptr);
}

// Each family serves exactly the output colour modes its catalogued models
// offer the host: none offered is refused at OpenJob, none served is offered
// by no model of the family.
TEST_F(Dispatch, EachFamilyServesTheOutputColourModesItsModelsOffer) {
    const CVarnPrinter catalogue{CVarnPrinterParams{}};
    std::map<const OutputColorModes*, std::set<int32_t>> offered;
    for (const auto& [model, record] : catalogue.m_mapPrinterModels) {
        const PrinterFamilyRow* family = FindPrinterFamily(model);
        if (!family) continue;
        ASSERT_NE(family->outputColorModes, nullptr) << model;
        for (const COLORMODE& mode : record.listColorModes) {
            EXPECT_TRUE(family->outputColorModes->Serves(int32_t(mode.nValue))) << model << " " << mode.strName;
            offered[family->outputColorModes].insert(int32_t(mode.nValue));
        }
    }
    for (const auto& [modes, values] : offered) {
        std::string list;
        for (int32_t v : values) list += (list.empty() ? "" : ", ") + std::to_string(v);
        EXPECT_EQ(modes->List(), list);
    }
}

// OpenJob takes for each served model exactly the output colour modes that
// its catalogue row offers the host (a four-colour model none of its
// family's six- or eight-ink modes); a family of no catalogued model keeps
// its own list (here: none, any mode goes).
TEST_F(Dispatch, TakesExactlyTheOutputColourModesTheModelsCatalogueRowOffers) {
    const CVarnPrinter catalogue{CVarnPrinterParams{}};
    int served = 0;
    for (const auto& [model, record] : catalogue.m_mapPrinterModels) {
        if (!FindPrinterFamily(model)) continue;
        ++served;
        std::set<int32_t> offered;
        for (const COLORMODE& mode : record.listColorModes) offered.insert(int32_t(mode.nValue));
        for (int32_t mode = 0; mode <= 255; ++mode) {
            EXPECT_EQ(TakesOutputColorMode(model, mode), offered.count(mode) == 1) << model << ", mode " << mode;
        }
    }
    EXPECT_EQ(served, 164);
    ASSERT_TRUE(SetTestPrinterFamily(9990, 9990, "x", SuppressingOpenJob));
    EXPECT_TRUE(TakesOutputColorMode(9990, 13));
}

TEST_F(Dispatch, TheSuppressionFlagsKeepTheFrameRecordsOut) {
    ASSERT_TRUE(SetTestPrinterFamily(9990, 9990, "CVarnPrn::OpenJob: Printer Model Test(%d)", SuppressingOpenJob));
    Ticket(kMinimalJob);
    Ticket("[job]\nOutput/Prn/Printer/Model = 9990\n");
    ASSERT_EQ(Read(), 0);
    job->m_bTicketRead = 1;
    EXPECT_EQ(job->OpenJob(&Write, &trace), 0);
    EXPECT_EQ(g_openJobs, 1);
    EXPECT_TRUE(log.Has(3000, "CVarnPrn::OpenJob: Printer Model Test(9990)"));
    EXPECT_EQ(job->CloseJob(), 0);
    EXPECT_EQ(trace.records, (std::vector<uint32_t>{SPLTAG_EOF}));

    job->m_bTicketRead = 0;
    EXPECT_EQ(job->OpenJob(&Write, &trace), -2) << "settings not read";
    CVarnPrn ticketless(nullptr, 1, &log);
    EXPECT_EQ(ticketless.OpenJob(&Write, &trace), -1);
}

// Lines whose buffers would pass 2^31 bytes are refused before any family
// starts: the host's line (width x bytes per pixel), its planar band, and
// the line of a picture placed so far right that it passes them (told by placement and page).
TEST_F(Dispatch, LinesNeedingBuffersOfMoreThanTwoGigabytesAreRefusedBeforeTheFamily) {
    ASSERT_TRUE(SetTestPrinterFamily(9990, 9990, "CVarnPrn::OpenJob: Printer Model Test(%d)", SuppressingOpenJob));
    struct Case {
        int32_t width, components, format, lines;
        bool fits;
        std::string mm = "", margin = "", line = "";  // page width for a picture placed at its right edge
    };
    for (const Case& c : {Case{536870911, 4, 0, 1, true}, Case{536870912, 4, 0, 1, false},
                          Case{100000, 4, 1, 2684, true}, Case{100000, 4, 1, 5369, false},
                          Case{120, 4, 0, 1, true, "208000"},
                          Case{120, 4, 0, 1, false, "208100", "536922459", "536922579"},
                          Case{120, 4, 0, 1, false, "832319.8", "2147483269", "2147483389"}}) {
        const std::string P = "Output/Prn/", keys = c.mm.empty() ? "" : P + "ImagePos/Mode = 8\n" + P +
            "Printer/ResolutionX = 65535.0\n" + P + "Media/Size/Width = " + c.mm +
            (c.mm.find('.') == std::string::npos ? ".0\n" : "\n");
        Ticket(kMinimalJob);
        Ticket("[job]\nOutput/Prn/Printer/Model = 9990\n" + keys);
        ASSERT_EQ(Read(), 0);
        job->m_bTicketRead = 1;
        job->m_iOutWidthPixel = job->m_iImageWidth = c.width;
        job->m_iComponents = c.components;
        job->m_iInputFormat = c.format;
        job->m_iInputNumOfLines = c.lines;
        g_openJobs = 0;
        store.Erase(TICKET_SCOPE_JOB, kJobId, "Output/ErrorMessage");
        EXPECT_EQ(job->OpenJob(&Write, &trace), c.fits ? 0 : -2) << c.width;
        EXPECT_EQ(g_openJobs, c.fits ? 1 : 0) << c.width;
        const std::string error = c.mm.empty()
            ? "Reredir.uze: Image width of " + std::to_string(c.width) + " pixels too large"
            : "Reredir.uze: \"" + P + "ImagePos/Mode\" = 8 places the picture of 120 pixels across " + c.margin +
                  " pixels from the left of page 1 (\"" + P + "Media/Size/Width\" = " + c.mm + " mm at \"" + P +
                  "Printer/ResolutionX\" = 65535 dpi): its lines of " + c.line +
                  " pixels need buffers of more than 2 GB";
        EXPECT_EQ(Strings("Output/ErrorMessage"),
                  c.fits ? std::vector<std::string>{} : std::vector<std::string>{error});
        job->CloseJob();
    }
}

}  // namespace
