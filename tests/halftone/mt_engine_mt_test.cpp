// The multi-threaded error-diffusion engine: its line statuses and
// deliveries, its bytes against the channel kernels run one line after the
// other on this thread, with any number of workers, and its workers' life.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "halftone/halftone.h"
#include "halftone/mt_engine.h"
#include "halftone_test_support.h"
#include "platform/dynamic_library.h"
#include "support/processor_override.h"

namespace {

constexpr int kWidth = 37;  // padded to 40

using Processors = testsupport::ProcessorOverride;

// A page's input: line y, pixel x, byte b.
std::vector<std::vector<uint8_t>> InputPage(int lines, size_t lineBytes, int bytesPerPixel) {
    std::vector<std::vector<uint8_t>> page(static_cast<size_t>(lines), std::vector<uint8_t>(lineBytes, 0));
    for (int y = 0; y < lines; ++y)
        for (int x = 0; x < kWidth && size_t(x + 1) * bytesPerPixel <= lineBytes; ++x)
            for (int b = 0; b < bytesPerPixel; ++b)
                page[y][size_t(x) * bytesPerPixel + b] = static_cast<uint8_t>((x * 29 + y * 71 + b * 53) % 256);
    return page;
}

class Engine : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_epl.LoadFile(KELMORA_EPL_PATH)) << m_epl.Error();
        ASSERT_EPL_LIBRARY_IS(KELMORA_EPL_PATH);
        job = NewJob(&log);
    }
    static std::unique_ptr<CVarnPrn> NewJob(clLogFullInterface* logger) {
        auto j = std::make_unique<CVarnPrn>(nullptr, 1, logger);
        j->m_strEplPath = KELMORA_EPL_EXAMPLE;
        j->m_iPrinterModell = 677;
        j->m_iOutputColorMode = 4;
        j->m_iResolutionX = 720;
        j->m_iResolutionY = 360;  // the third split where the routine has it
        j->m_iImageWidth = kWidth;
        j->m_iOutWidthPixel = kWidth;
        j->m_iTotalInkLimit = 260;
        return j;
    }
    void TearDown() override {
        halftone.reset();
        job.reset();
    }

    void Start(int32_t routine, int lines, int components = 0, int scaleX = 1) {
        job->m_iComponents = components;
        job->m_iScaleX = scaleX;
        job->m_iImageHeight = lines;
        job->m_iOutHeightPixel = lines;
        halftone = std::make_unique<CHalftone>(job.get());
        halftone->HalftoneRoutine = routine;
        ASSERT_EQ(halftone->InitJob(job.get()), 0);
    }
    int BytesPerPixel() const { return halftone->m_Diffusion.InputBytesPerPixel(); }
    size_t OutBytes() const { return size_t(job->m_iOutChannels) * size_t(job->m_iBytesPerChannel); }

    // The page through the routine, as the job drives it: n + 2 line calls
    // when the engine runs, n inline. Every delivered line, in order.
    // crowded: every line call finds the machine crowded, so that workers
    // take channels two at a time where the kernel runs them side by side.
    std::vector<std::vector<uint8_t>> RoutinePage(const std::vector<std::vector<uint8_t>>& input,
                                                  std::vector<int32_t>* statuses = nullptr,
                                                  bool* engine = nullptr, bool crowded = false) {
        return RoutinePageOf(*job, *halftone, input, statuses, engine, crowded);
    }
    static std::vector<std::vector<uint8_t>> RoutinePageOf(CVarnPrn& j, CHalftone& h,
                                                           const std::vector<std::vector<uint8_t>>& input,
                                                           std::vector<int32_t>* statuses, bool* engine,
                                                           bool crowded = false) {
        CVarnPrn* job = &j;
        CHalftone* halftone = &h;
        const size_t outBytes = size_t(j.m_iOutChannels) * size_t(j.m_iBytesPerChannel);
        std::vector<std::vector<uint8_t>> out;
        job->m_iLineCount = 0;
        EXPECT_EQ(halftone->InitPage(job), 0);
        if (engine) *engine = halftone->m_pMTH != nullptr;
        const int n = static_cast<int>(input.size());
        const int calls = halftone->m_pMTH ? n + 2 : n;
        for (int i = 0; i < calls; ++i) {
            job->m_pCurrentLine = input[std::min(i, n - 1)].data();
            if (crowded && halftone->m_pMTH) halftone->m_pMTH->m_Half.crowded = 8;
            const int32_t status = halftone->ProcessLine(job);
            if (statuses) statuses->push_back(status);
            if (status == 0 || status == HALF_LINE_READY || status == HALF_LINE_AGAIN)
                out.emplace_back(job->m_pOutLine, job->m_pOutLine + outBytes);
            ++job->m_iLineCount;
        }
        EXPECT_EQ(halftone->ExitPage(job), 0);
        return out;
    }

    // The engine's page worked out without it: each line converted, then each
    // channel through the kernel with its own random index, lines alternating
    // in direction from left to right.
    std::vector<std::vector<uint8_t>> ReferencePage(const std::vector<std::vector<uint8_t>>& input) {
        const DiffusionRoutine& routine = *FindDiffusionRoutine(halftone->HalftoneRoutine);
        const int32_t w = halftone->m_Diffusion.PaddedWidth();
        const int32_t ch = routine.channels;
        const size_t cells = size_t(w) + 2;
        const size_t bpc = size_t(job->m_iBytesPerChannel);
        std::vector<int32_t> errors(3 * size_t(ch) * cells, 0);
        std::vector<uint16_t> index(size_t(ch), 0);
        std::vector<std::vector<uint8_t>> out;
        halftone->InitPage(job.get());  // the page's converter
        halftone->m_pMTH.reset();
        for (size_t y = 0; y < input.size(); ++y) {
            std::vector<uint8_t> copy(input[y].begin(), input[y].begin() + halftone->m_Diffusion.InputBytesNeeded());
            copy.resize(copy.size() + 8, 0);
            std::vector<int32_t> values(size_t(w) * ch, 0);
            ConversionTask conversion{halftone.get(), copy.data(), BytesPerPixel(), values.data(), ch, 0, w,
                                      job->m_iScaleX, 1, halftone->m_pfnPixelConverter, nullptr, nullptr, 0};
            EXPECT_EQ(ConvertPixelSpan(&conversion), 0);
            const bool ltr = y % 2 == 0 || job->m_iHalftoneMode == 4;
            std::vector<uint8_t> line(bpc * ch, 0);
            for (int32_t c = 0; c < ch; ++c) {
                HalftoneTask t{};
                t.converted = values.data() + (ltr ? 0 : size_t(w - 1) * ch) + c;
                t.stride = ltr ? ch : -ch;
                t.width = w;
                t.thirdSplit = job->m_iResolutionX > job->m_iResolutionY;
                t.out = line.data() + c * bpc + (ltr ? 0 : bpc - 1);
                t.direction = ltr ? 1 : -1;
                for (int s = 0; s < 3; ++s) t.errorLine[s] = errors.data() + (3 * c + s) * cells + (ltr ? 1 : w);
                t.randomIndex = index[c];
                t.noise = halftone->m_pNoiseTable.get();
                t.random = halftone->m_pRandomTable.get();
                for (int s = 0; s < 3; ++s) t.dotSizeTable[s] = halftone->m_aDotSizeTable.table[s];
                const int r = routine.streams == 3   ? HalftoneLineVDS3(&t)
                              : routine.streams == 2 ? HalftoneLineVDS2(&t)
                                                     : HalftoneLineSE1(&t);
                EXPECT_EQ(r, 0);
                index[c] = t.randomIndex;
            }
            out.push_back(line);
        }
        return out;
    }

    platform::DynamicLibrary m_epl;
    httest::JobLog log;
    std::unique_ptr<CVarnPrn> job;
    std::unique_ptr<CHalftone> halftone;
};

}  // namespace

TEST_F(Engine, PagesMatchTheKernelsLineByLineWhateverTheWorkerCount) {
    struct Case {
        int32_t routine;
        int components;
        int scaleX;
    };
    const Case cases[] = {{103, 0, 1}, {105, 5, 1}, {106, 0, 3}, {108, 6, 1}, {109, 0, 1},
                          {111, 6, 3}, {105, 0, 2}, {111, 5, 1}};
    for (const Case& k : cases) {
        SCOPED_TRACE("routine " + std::to_string(k.routine) + ", components " + std::to_string(k.components) +
                     ", scale " + std::to_string(k.scaleX));
        Start(k.routine, 9, k.components, k.scaleX);
        if (HasFatalFailure()) return;
        const auto input = InputPage(9, halftone->InputLineBytes(), BytesPerPixel());
        const auto reference = ReferencePage(input);
        for (const auto& [processors, crowded] : {std::pair{2, false}, std::pair{12, false}, std::pair{12, true}}) {
            Processors cap(processors);
            bool engine = false;
            const auto page = RoutinePage(input, nullptr, &engine, crowded);
            ASSERT_TRUE(engine);
            EXPECT_EQ(page, reference) << processors << " processors" << (crowded ? ", crowded" : "");
        }
        size_t dots = 0;
        for (const auto& line : reference) dots += size_t(std::count_if(line.begin(), line.end(), [](uint8_t b) { return b != 0; }));
        EXPECT_GT(dots, 0u);
    }
    EXPECT_EQ(MTH_RunningHalftoneWorkers(), 0);
    EXPECT_EQ(MTH_RunningConversionWorkers(), 0);
}

TEST_F(Engine, StatusesDeliverEveryLineInOrderAndDrainAtThePageEnd) {
    Processors cap(4);
    for (int n : {3, 4, 10}) {
        SCOPED_TRACE("lines " + std::to_string(n));
        Start(103, n);
        if (HasFatalFailure()) return;
        const auto input = InputPage(n, halftone->InputLineBytes(), 4);
        std::vector<int32_t> statuses;
        std::vector<const uint8_t*> lines;
        job->m_iLineCount = 0;
        ASSERT_EQ(halftone->InitPage(job.get()), 0);
        ASSERT_TRUE(halftone->m_pMTH);
        std::vector<std::vector<uint8_t>> page;
        for (int i = 0; i < n + 2; ++i) {
            job->m_pCurrentLine = input[std::min(i, n - 1)].data();
            statuses.push_back(halftone->ProcessLine(job.get()));
            if (statuses.back() != HALF_LINE_PENDING) {
                lines.push_back(job->m_pOutLine);
                page.emplace_back(job->m_pOutLine, job->m_pOutLine + OutBytes());
            }
            ++job->m_iLineCount;
        }
        std::vector<int32_t> want(size_t(n + 2), HALF_LINE_READY);
        want[0] = want[1] = HALF_LINE_PENDING;
        want[size_t(n - 1)] = want[size_t(n)] = HALF_LINE_AGAIN;
        EXPECT_EQ(statuses, want);
        for (size_t k = 1; k < lines.size(); ++k) EXPECT_NE(lines[k], lines[k - 1]) << "delivery " << k;

        // A call past the page's end fails, and then again as a repeat.
        int32_t status = 0;
        EXPECT_EQ(CalculateHalftoneLine(halftone->m_pMTH.get(), job.get(), halftone.get(),
                                        halftone->m_Diffusion.ErrorLines(), n + 2, &status),
                  MTH_ERR_LINE_INDEX);
        EXPECT_EQ(status, HALF_LINE_PENDING);
        EXPECT_EQ(halftone->ExitPage(job.get()), 0);
        EXPECT_EQ(page, ReferencePage(input));
    }
}

TEST_F(Engine, ARepeatedFailureIsLoggedOnceAndPrintsNothing) {
    Processors cap(4);
    Start(109, 5);
    if (HasFatalFailure()) return;
    const auto input = InputPage(5, halftone->InputLineBytes(), 4);
    ASSERT_EQ(halftone->InitPage(job.get()), 0);
    ASSERT_TRUE(halftone->m_pMTH);
    job->m_pCurrentLine = input[0].data();
    job->m_iLineCount = 7;  // past n + 1
    EXPECT_EQ(halftone->ProcessLine(job.get()), HALF_LINE_PENDING);
    EXPECT_EQ(halftone->ProcessLine(job.get()), HALF_LINE_PENDING);
    const std::string text = "MimakiSE1_CMYK:HALF_PROCESS: MTH CalculateHalftoneLine failed, error=1003";
    EXPECT_EQ(std::count_if(log.lines.begin(), log.lines.end(), [&](const auto& l) { return l.text == text; }), 1);

    int32_t status = 0;
    job->m_iScaleX = 0;
    MTH_CONTEXT* mth = halftone->m_pMTH.get();
    int32_t* errors = halftone->m_Diffusion.ErrorLines();
    EXPECT_EQ(CalculateHalftoneLine(mth, job.get(), halftone.get(), errors, 0, &status), MTH_ERR_ARGUMENT);
    EXPECT_EQ(CalculateHalftoneLine(mth, job.get(), halftone.get(), errors, 0, &status), MTH_ERR_REPEATED);
    job->m_iScaleX = 1;
    EXPECT_EQ(CalculateHalftoneLine(mth, nullptr, halftone.get(), errors, 0, &status), MTH_ERR_NO_JOB);
    EXPECT_EQ(CalculateHalftoneLine(mth, job.get(), halftone.get(), errors, 0, nullptr), MTH_ERR_REPEATED);
    EXPECT_EQ(halftone->ExitPage(job.get()), 0);
}

TEST_F(Engine, WhereTheEngineCannotRunThePageRunsInline) {
    Processors cap(4);
    // A horizontal scale above 4.
    Start(103, 6, 0, 5);
    if (HasFatalFailure()) return;
    auto input = InputPage(6, halftone->InputLineBytes(), 4);
    std::vector<int32_t> statuses;
    bool engine = true;
    RoutinePage(input, &statuses, &engine);
    EXPECT_FALSE(engine);
    EXPECT_TRUE(log.Has("MimakiSE1VDS3_CMYK:HALF_OPENPAGE: init MTH failed, error=1002; using normal halftoning instead"));
    EXPECT_EQ(statuses, std::vector<int32_t>(6, 0));

    // Pages of one and two lines, the feed resampler, the settings, one processor.
    for (int lines : {1, 2}) {
        Start(106, lines);
        RoutinePage(InputPage(lines, halftone->InputLineBytes(), 4), nullptr, &engine);
        EXPECT_FALSE(engine) << lines << " lines";
    }
    Start(106, 6);
    input = InputPage(6, halftone->InputLineBytes(), 4);
    job->m_bPaperFeedResample = 1;
    RoutinePage(input, nullptr, &engine);
    EXPECT_FALSE(engine);
    job->m_bPaperFeedResample = 0;
    job->m_iHalftoneThreadCount = 0;
    RoutinePage(input, nullptr, &engine);
    EXPECT_FALSE(engine);
    job->m_iHalftoneThreadCount = -1;
    {
        Processors one(1);
        RoutinePage(input, nullptr, &engine);
        EXPECT_FALSE(engine);
    }
    RoutinePage(input, nullptr, &engine);
    EXPECT_TRUE(engine);
    EXPECT_TRUE(log.Has("MimakiSE1VDS2_CMYK:HALF_OPENPAGE: using Multi Threaded Halftoning (MTH)"));
}

TEST_F(Engine, HalftoneMode4RunsEveryLineLeftToRight) {
    Processors cap(4);
    Start(105, 6, 6);
    if (HasFatalFailure()) return;
    job->m_iHalftoneMode = 4;
    const auto input = InputPage(6, halftone->InputLineBytes(), 6);
    const auto reference = ReferencePage(input);
    EXPECT_EQ(RoutinePage(input), reference);
    job->m_iHalftoneMode = 0;
    EXPECT_NE(RoutinePage(input), reference);
}

namespace {

// A kernel that marks its channel's line with the channel's first converted
// value and the direction, so deliveries can be told apart by content.
int MarkingKernel(HalftoneTask* t) {
    const int bytes = t->width / 4;  // two bits per pixel
    uint8_t* first = t->direction > 0 ? t->out : t->out - (bytes - 1);
    std::memset(first, (*t->converted & 0x7F) | (t->direction < 0 ? 0x80 : 0), size_t(bytes));
    return 0;
}

// n lines of a marked page (line y's pixels all hold byte y + 1; channel c
// converts to map c, that byte, table c) through an engine of `workers` with
// `kernel`, the host pausing `hostPause` before each odd line call: every
// line must arrive in order, marked with its own value and direction.
void MarkedPageArrivesInOrder(CVarnPrn* job, CHalftone* halftone, int n, int workers, MthHalftoneFunction kernel,
                              std::chrono::microseconds hostPause) {
    std::vector<std::vector<uint8_t>> input;
    for (int y = 0; y < n; ++y) input.emplace_back(halftone->InputLineBytes(), static_cast<uint8_t>(y + 1));
    auto mth = MTH_Create();
    ASSERT_TRUE(mth);
    mth->m_pfnHalftone = kernel;
    ASSERT_EQ(MTH_Init(mth.get(), job, halftone, nullptr, 40, 2, 1, 0, 0, 0, workers, 3, 0, n), 0);
    std::vector<int32_t> errors(3 * 4 * 42, 0);
    std::vector<std::vector<uint8_t>> planes(4, std::vector<uint8_t>(size_t(job->m_iBytesPerChannel)));
    uint8_t* targets[4] = {planes[0].data(), planes[1].data(), planes[2].data(), planes[3].data()};
    uint8_t toggle = 0;
    int delivered = 0;
    std::vector<int32_t> statuses;
    for (int i = 0; i < n + 2; ++i) {
        if (i % 2 == 1) std::this_thread::sleep_for(hostPause);
        int32_t status = 0;
        ASSERT_EQ(CalculateHalftoneLine(mth.get(), job, halftone, errors.data(), i, &status, &toggle,
                                        input[size_t(std::min(i, n - 1))].data(), targets),
                  0);
        statuses.push_back(status);
        if (status == HALF_LINE_PENDING) continue;
        const int y = delivered++;
        for (int c = 0; c < 4; ++c) {
            const uint8_t want = static_cast<uint8_t>((httest::Via(c, y + 1, c) & 0x7F) | (y % 2 ? 0x80 : 0));
            EXPECT_EQ(planes[size_t(c)], std::vector<uint8_t>(planes[0].size(), want))
                << n << " lines, line " << y << " channel " << c;
        }
    }
    EXPECT_EQ(delivered, n);
    EXPECT_EQ(statuses.back(), HALF_LINE_READY);
    EXPECT_EQ(statuses[size_t(n - 1)], HALF_LINE_AGAIN);
    EXPECT_EQ(MTH_Exit(mth.get()), 0);
    MTH_FreeBuffers(mth.get());
}

// The marking kernel, slower than the line call polls for on odd values.
int SlowMarkingKernel(HalftoneTask* t) {
    if (*t->converted & 1) std::this_thread::sleep_for(std::chrono::milliseconds(2));
    return MarkingKernel(t);
}

// The marking kernel held up 5 ms on a worker; channels that the line call
// runs itself are counted.
thread_local bool t_lineCall = false;
std::atomic<int> g_lineCallChannels{0};
int HeldUpWorkerKernel(HalftoneTask* t) {
    if (t_lineCall) ++g_lineCallChannels;
    else std::this_thread::sleep_for(std::chrono::milliseconds(5));
    return MarkingKernel(t);
}

}  // namespace

TEST_F(Engine, CallerLinesReceiveEveryLineByContentWithAnyKernel) {
    Processors cap(12);
    Start(103, 10);
    if (HasFatalFailure()) return;
    httest::MarkMapsAndTables(*halftone);
    halftone->InitPage(job.get());
    halftone->m_pMTH.reset();
    for (int n : {3, 4, 10}) {
        SCOPED_TRACE(std::to_string(n) + " lines");
        MarkedPageArrivesInOrder(job.get(), halftone.get(), n, n % 3 + 1, MarkingKernel, std::chrono::microseconds{0});
    }
    // Idle workers and a waiting line call poll for a while, then sleep: a
    // host or a kernel slower than that still gets every line.
    SCOPED_TRACE("slow host, slow kernel");
    MarkedPageArrivesInOrder(job.get(), halftone.get(), 10, 2, SlowMarkingKernel, std::chrono::milliseconds(2));
    // A worker held up: the waiting line call runs the channels no worker
    // has taken.
    SCOPED_TRACE("held-up worker");
    t_lineCall = true;
    g_lineCallChannels = 0;
    MarkedPageArrivesInOrder(job.get(), halftone.get(), 10, 1, HeldUpWorkerKernel, std::chrono::microseconds{0});
    t_lineCall = false;
    EXPECT_GT(g_lineCallChannels.load(), 0);
}

TEST_F(Engine, AChannelLineTooShortForItsPixelsIsRefused) {
    Processors cap(2);
    Start(103, 4);
    if (HasFatalFailure()) return;
    // 40 pixels of two bits need 10 bytes of every channel's line.
    auto tooShort = MTH_Create();
    ASSERT_TRUE(tooShort);
    EXPECT_EQ(MTH_Init(tooShort.get(), job.get(), halftone.get(), nullptr, 40, 2, 1, 0, 0, 0, 1, 3, 9, 4),
              MTH_ERR_ARGUMENT);
    auto fits = MTH_Create();
    ASSERT_TRUE(fits);
    EXPECT_EQ(MTH_Init(fits.get(), job.get(), halftone.get(), nullptr, 40, 2, 1, 0, 0, 0, 1, 3, 10, 4), 0);
}

// The crowded count after a line of four tasks: up for a line the line call
// ran all itself, down for one the workers ran all, from 0 to 8.
TEST(EngineCrowdedCount, FollowsWhoRanTheLinesTasks) {
    const struct {
        int32_t crowded, ranHere, after;
    } rows[] = {
        {0, 4, 1}, {3, 4, 4}, {7, 4, 8}, {8, 4, 8},  // all by the line call
        {0, 0, 0}, {1, 0, 0}, {8, 0, 7},             // all by the workers
        {0, 1, 0}, {5, 2, 5}, {8, 3, 8},             // shared
    };
    for (const auto& row : rows) {
        EXPECT_EQ(MthCrowdedAfterLine(row.crowded, row.ranHere, 4), row.after)
            << "crowded " << row.crowded << ", ran here " << row.ranHere;
    }
}

TEST_F(Engine, EnginesShareTheProcessorCapAndLeaveNoWorkers) {
    Processors cap(2);
    Start(103, 8);
    if (HasFatalFailure()) return;
    const auto input = InputPage(8, halftone->InputLineBytes(), 4);
    const auto reference = ReferencePage(input);

    // Another engine takes the cap; this page starts with one worker and
    // grows once the other is gone.
    auto other = MTH_Create();
    ASSERT_EQ(MTH_Init(other.get(), job.get(), halftone.get(), nullptr, 40, 2, 1, 0, 0, 0, 0, 3, 0, 8), 0);
    EXPECT_EQ(MTH_RunningHalftoneWorkers(), 2);
    job->m_iLineCount = 0;
    ASSERT_EQ(halftone->InitPage(job.get()), 0);
    ASSERT_TRUE(halftone->m_pMTH);
    EXPECT_EQ(MTH_RunningHalftoneWorkers(), 3);
    std::vector<std::vector<uint8_t>> page;
    for (int i = 0; i < 10; ++i) {
        if (i == 4) {
            other.reset();
            EXPECT_EQ(MTH_RunningHalftoneWorkers(), 1);
        }
        job->m_pCurrentLine = input[size_t(std::min(i, 7))].data();
        if (halftone->ProcessLine(job.get()) != HALF_LINE_PENDING)
            page.emplace_back(job->m_pOutLine, job->m_pOutLine + OutBytes());
        ++job->m_iLineCount;
    }
    EXPECT_EQ(MTH_RunningHalftoneWorkers(), 2);
    EXPECT_EQ(halftone->ExitPage(job.get()), 0);
    EXPECT_EQ(page, reference);
    EXPECT_EQ(MTH_RunningHalftoneWorkers(), 0);
}

TEST_F(Engine, ManyEnginesRunAndStopCleanlyEvenMidPage) {
    Processors cap(8);
    Start(105, 6, 6);
    if (HasFatalFailure()) return;
    const auto input = InputPage(6, halftone->InputLineBytes(), 6);
    for (int k = 0; k < 200; ++k) {
        job->m_iLineCount = 0;
        ASSERT_EQ(halftone->InitPage(job.get()), 0);
        ASSERT_TRUE(halftone->m_pMTH);
        // Some pages end early: the job closed mid-page.
        const int calls = k % 3 == 0 ? k % 8 : 8;
        for (int i = 0; i < calls; ++i) {
            job->m_pCurrentLine = input[size_t(std::min(i, 5))].data();
            halftone->ProcessLine(job.get());
            ++job->m_iLineCount;
        }
        if (k % 5 == 0) {
            halftone->ExitJob(job.get());
            ASSERT_EQ(halftone->InitJob(job.get()), 0);
        } else {
            halftone->ExitPage(job.get());
        }
    }
    EXPECT_EQ(MTH_RunningHalftoneWorkers(), 0);
    EXPECT_EQ(MTH_RunningConversionWorkers(), 0);
}

TEST_F(Engine, JobsOnTwoThreadsGiveTheirOwnBytes) {
    Processors cap(3);
    Start(108, 7, 5);
    if (HasFatalFailure()) return;
    const auto input = InputPage(7, halftone->InputLineBytes(), 5);
    const auto reference = ReferencePage(input);
    // A second job of the same set-up, run on another thread at the same time.
    httest::JobLog otherLog;
    auto otherJob = NewJob(&otherLog);
    otherJob->m_iComponents = 5;
    otherJob->m_iImageHeight = otherJob->m_iOutHeightPixel = 7;
    auto other = std::make_unique<CHalftone>(otherJob.get());
    other->HalftoneRoutine = 108;
    ASSERT_EQ(other->InitJob(otherJob.get()), 0);
    for (int k = 0; k < 5; ++k) {
        std::vector<std::vector<uint8_t>> second;
        std::thread t([&] { second = RoutinePageOf(*otherJob, *other, input, nullptr, nullptr); });
        EXPECT_EQ(RoutinePage(input), reference);
        t.join();
        EXPECT_EQ(second, reference);
    }
    EXPECT_EQ(MTH_RunningHalftoneWorkers(), 0);
}
