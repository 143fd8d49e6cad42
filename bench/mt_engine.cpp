// Throughput of the multi-threaded error-diffusion engine against the inline
// path: routines 103 and 109 through the halftoner (stand-in linearisation
// library, its example file) on the photo-like CMYK page, one page of
// kPageLines lines (its bench::kLines distinct lines cycled) per iteration:
// one inch at 720 dpi. The pages are bench::kWidth pixels wide, and
// kJobWidth, the JV33 job's line (1.6 m at 720 dpi): a line's hand-offs
// weigh less on a longer line. The engine lives for one page, and its start
// and end (workers started and joined, buffers set up) take about a
// millisecond here; on a page of 64 lines that was an eighth of the page,
// where a printed page has thousands of lines.
//
// Counters: mpx_per_s (megapixels per second). The label is a hash of every
// line the page delivered: equal for every worker count of a routine and
// width. The stage figures bound the pipeline: it runs no faster than one
// line's conversion, nor than one channel's kernel.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "halftone/error_diffusion_lanes.h"
#include "halftone/halftone.h"
#include "halftone/mt_engine.h"
#include "job/varn_prn.h"
#include "photo_page.h"
#include "smoke.h"
#include "platform/dynamic_library.h"
#include "services/thread_pool.h"

namespace {

using bench::kLines;
using bench::kWidth;
constexpr int kPageLines = 720;
constexpr int kJobWidth = 45354;

// The halftoner of a CMYK job `width` pixels wide, the engine off: the
// benchmark drives the engine itself.
struct Setup {
    std::unique_ptr<CVarnPrn> job;
    std::unique_ptr<CHalftone> halftone;
    std::vector<std::vector<uint8_t>> lines;  // the page, each line as long as the halftoner reads
    int width;

    explicit Setup(int32_t routine, int pageWidth = kWidth) : width(pageWidth) {
        static const bool loaded = [] {
            platform::DynamicLibrary epl;
            const bool ok = epl.LoadFile(KELMORA_EPL_PATH);
            if (ok) epl.KeepLoadedForProcess();
            return ok;
        }();
        if (!loaded) return;
        job = std::make_unique<CVarnPrn>(nullptr, 1, nullptr);
        job->m_strEplPath = KELMORA_EPL_EXAMPLE;
        job->m_iPrinterModell = 700;
        job->m_iOutputColorMode = 4;
        job->m_iResolutionX = job->m_iResolutionY = 720;
        job->m_iImageWidth = job->m_iOutWidthPixel = width;
        job->m_iImageHeight = job->m_iOutHeightPixel = kPageLines;
        job->m_iTotalInkLimit = 300;
        job->m_iHalftoneThreadCount = 0;
        halftone = std::make_unique<CHalftone>(job.get());
        halftone->HalftoneRoutine = routine;
        if (halftone->InitJob(job.get()) != 0) {
            halftone.reset();
            return;
        }
        for (const auto& source : width == kWidth ? bench::Page() : bench::PhotoPage(width, kLines)) {
            lines.emplace_back(halftone->InputLineBytes(), 0);
            std::copy(source.begin(), source.end(), lines.back().begin());
        }
    }
    size_t OutBytes() const { return size_t(job->m_iOutChannels) * size_t(job->m_iBytesPerChannel); }
};

uint64_t Fnv(uint64_t hash, const uint8_t* bytes, size_t n) {
    for (size_t i = 0; i < n; ++i) hash = (hash ^ bytes[i]) * 1099511628211ull;
    return hash;
}

// pinned: the hash every worker count of the routine must give (0: none yet).
void Report(benchmark::State& state, int width, uint64_t hash, uint64_t& pinned) {
    state.counters["mpx_per_s"] = benchmark::Counter(static_cast<double>(state.iterations()) * width * kPageLines / 1e6,
                                                     benchmark::Counter::kIsRate);
    if (pinned == 0) pinned = hash;
    bench::LabelHash(state, hash, pinned);
}

// The page inline, as a job with the engine switched off runs it; a page
// state.range(0) pixels wide.
void Inline(benchmark::State& state, int32_t routine) {
    Setup s(routine, static_cast<int>(state.range(0)));
    if (!s.halftone) return state.SkipWithError("set-up failed");
    uint64_t hash = 0;
    for (auto _ : state) {
        hash = 14695981039346656037ull;
        s.halftone->InitPage(s.job.get());
        for (int i = 0; i < kPageLines; ++i) {
            s.job->m_pCurrentLine = s.lines[size_t(i % kLines)].data();
            if (s.halftone->ProcessLine(s.job.get()) != 0) return state.SkipWithError("line refused");
            hash = Fnv(hash, s.job->m_pOutLine, s.OutBytes());
        }
        s.halftone->ExitPage(s.job.get());
    }
    uint64_t any = 0;
    Report(state, s.width, hash, any);
}

// The page through an engine of state.range(0) halftone workers, a page
// state.range(1) pixels wide.
void Engine(benchmark::State& state, int32_t routine) {
    SetProcessorCountOverride(kMthMaxWorkers);
    MTH_ResetGlobals();
    Setup s(routine, static_cast<int>(state.range(1)));
    if (!s.halftone) return state.SkipWithError("set-up failed");
    const DiffusionRoutine& r = *FindDiffusionRoutine(routine);
    MthHalftoneFunction kernel = r.streams == 3 ? HalftoneLineVDS3 : r.streams == 2 ? HalftoneLineVDS2 : HalftoneLineSE1;
    uint64_t hash = 0;
    for (auto _ : state) {
        hash = 14695981039346656037ull;
        s.halftone->InitPage(s.job.get());
        auto mth = MTH_Create();
        mth->m_pfnHalftone = kernel;
        if (MTH_Init(mth.get(), s.job.get(), s.halftone.get(), nullptr, s.halftone->m_Diffusion.PaddedWidth(),
                     r.bitsPerPixel, 1, 0, 0, 0, static_cast<int32_t>(state.range(0)), 3, 0, kPageLines) != 0)
            return state.SkipWithError("engine not started");
        for (int i = 0; i < kPageLines + 2; ++i) {
            int32_t status = 0;
            s.job->m_pCurrentLine = s.lines[size_t(std::min(i, kPageLines - 1) % kLines)].data();
            if (CalculateHalftoneLine(mth.get(), s.job.get(), s.halftone.get(), s.halftone->m_Diffusion.ErrorLines(), i,
                                      &status) != 0)
                return state.SkipWithError("line refused");
            if (status != HALF_LINE_PENDING) hash = Fnv(hash, s.job->m_pOutLine, s.OutBytes());
        }
        mth.reset();
        s.halftone->ExitPage(s.job.get());
    }
    static std::map<std::pair<int32_t, int>, uint64_t> engineHashes;
    Report(state, s.width, hash, engineHashes[{routine, s.width}]);
    SetProcessorCountOverride(0);
    MTH_ResetGlobals();
}

// The pipeline's stages alone, on this thread: one line's conversion (kernel
// 0) and one channel of one line (a halftone task) reading the converted
// values, on the error lines (kernel 1) or in vector lanes where the
// processor has them (kernel 2), or reading the levels the conversion made
// (kernel 3, as the engine runs it: in lanes for two and three streams); the
// conversion with the levels of all four channels is the conversion
// worker's share (kernel 4; plain CMYK straight into the levels). Kernels 5 and 6: two and four channels of one
// line at once, side by side in one register, as the line call runs the
// tasks it takes where the lanes are AVX2 or wider.
void Stages(benchmark::State& state, int32_t routine) {
    Setup s(routine);
    if (!s.halftone) return state.SkipWithError("set-up failed");
    s.halftone->InitPage(s.job.get());
    const DiffusionRoutine& r = *FindDiffusionRoutine(routine);
    const int32_t w = s.halftone->m_Diffusion.PaddedWidth();
    std::vector<int32_t> values(size_t(w) * 4, 0);
    std::vector<uint8_t> out(size_t(s.job->m_iBytesPerChannel), 0);
    const int64_t stage = state.range(0);
    // The page's lines converted, for the kernels.
    std::vector<std::vector<int32_t>> converted;
    for (const auto& line : s.lines) {
        converted.emplace_back(size_t(w) * 4, 0);
        ConversionTask t{s.halftone.get(), line.data(), 4, converted.back().data(), 4, 0, w, 1, 1,
                         s.halftone->m_pfnPixelConverter, nullptr, nullptr, 0};
        ConvertPixelSpan(&t);
    }
    // The lane form's tables and cells, as the engine makes them.
    std::vector<uint16_t> codes(size_t(kMaxLevel + 1) * 4);
    std::vector<uint8_t> random(kRandomTableSize + kLaneRandomPad);
    std::vector<int16_t> cells(4 * (size_t(w) + 2) * kChannelLanes, 0);
    BuildLaneLevelCodes(r.streams, s.halftone->m_aDotSizeTable.table, codes.data());
    std::copy_n(s.halftone->m_pRandomTable.get(), kRandomTableSize, random.begin());
    std::copy_n(s.halftone->m_pRandomTable.get(), kLaneRandomPad, random.begin() + kRandomTableSize);
    const ChannelLanes lanes{ErrorDiffusion::WidestLanes(), codes.data(), random.data()};
    // Without lanes on this processor kernels 2 and 3 run as kernel 1.
    const bool laneForm = (stage == 2 || (stage == 3 && r.streams > 1)) && lanes.set != DiffusionLanes::None;
    if ((stage == 2 || (stage == 3 && r.streams > 1)) && !laneForm) state.SetLabel("no vector lanes");
    if (stage >= 5 && (r.streams < 2 || lanes.set < DiffusionLanes::Avx2))
        return state.SkipWithError("no pair kernel for this routine or processor");
    std::vector<std::vector<uint16_t>> levels;
    if (stage >= 3) {  // for kernels 3 to 5
        for (const auto& line : converted) {
            levels.emplace_back(size_t(w) * 4);
            SplitChannelLevels(line.data(), 4, w, levels.back().data(), size_t(w));
        }
    }
    size_t y = 0;
    for (auto _ : state) {
        const size_t at = y++ % s.lines.size();
        const uint8_t* line = s.lines[at].data();
        if (stage >= 5) {
            const int together = stage == 5 ? 2 : 4;
            HalftoneTask t[4] = {};
            HalftoneTask* tasks[4] = {&t[0], &t[1], &t[2], &t[3]};
            for (int c = 0; c < together; ++c) {
                t[c].converted = converted[at].data() + c;
                t[c].stride = 4;
                t[c].width = w;
                t[c].out = out.data();
                t[c].direction = 1;
                for (int k = 0; k < 3; ++k)
                    t[c].errorLine[k] = s.halftone->m_Diffusion.ErrorLines() + ((3 * c + k) * (size_t(w) + 2)) + 1;
                t[c].noise = s.halftone->m_pNoiseTable.get();
                t[c].random = s.halftone->m_pRandomTable.get();
                for (int k = 0; k < 3; ++k) t[c].dotSizeTable[k] = s.halftone->m_aDotSizeTable.table[k];
                t[c].lanes = &lanes;
                t[c].laneCells = cells.data() + size_t(c) * (size_t(w) + 2) * kChannelLanes;
                t[c].levels = levels[at].data() + size_t(c) * w;
            }
            (r.streams == 3 ? HalftoneLinesVDS3 : HalftoneLinesVDS2)(tasks, together);
        } else if (stage == 0 || stage == 4) {
            ConversionTask t{s.halftone.get(), line, 4, values.data(), 4, 0, w, 1, 1,
                             s.halftone->m_pfnPixelConverter, nullptr, nullptr, 0};
            // The conversion worker makes plain CMYK levels straight away.
            if (stage == 0 || !ConvertCmykSpanToLevels(&t, levels[at].data(), size_t(w))) {
                ConvertPixelSpan(&t);
                if (stage == 4) SplitChannelLevels(values.data(), 4, w, levels[at].data(), size_t(w));
            }
        } else {
            HalftoneTask t{};
            t.converted = converted[at].data();
            t.stride = 4;
            t.width = w;
            t.out = out.data();
            t.direction = 1;
            for (int k = 0; k < 3; ++k) t.errorLine[k] = s.halftone->m_Diffusion.ErrorLines() + (k * (size_t(w) + 2)) + 1;
            t.noise = s.halftone->m_pNoiseTable.get();
            t.random = s.halftone->m_pRandomTable.get();
            for (int k = 0; k < 3; ++k) t.dotSizeTable[k] = s.halftone->m_aDotSizeTable.table[k];
            if (laneForm) {
                t.lanes = &lanes;
                t.laneCells = cells.data();
            }
            if (stage == 3) t.levels = levels[at].data();
            (r.streams == 3 ? HalftoneLineVDS3 : r.streams == 2 ? HalftoneLineVDS2 : HalftoneLineSE1)(&t);
        }
        benchmark::DoNotOptimize(values.data());
        benchmark::DoNotOptimize(out.data());
    }
    state.counters["mpx_per_s"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * w / 1e6, benchmark::Counter::kIsRate);
}

}  // namespace

BENCHMARK_CAPTURE(Stages, Routine103_VDS3_CMYK, 103)->ArgName("kernel")->DenseRange(0, 6);
BENCHMARK_CAPTURE(Stages, Routine106_VDS2_CMYK, 106)->ArgName("kernel")->DenseRange(1, 6);
BENCHMARK_CAPTURE(Stages, Routine109_SE1_CMYK, 109)->ArgName("kernel")->Arg(0)->Arg(1)->Arg(2)->Arg(3)->Arg(4);
BENCHMARK_CAPTURE(Inline, Routine103_VDS3_CMYK, 103)->ArgName("width")->Arg(kWidth)->Arg(kJobWidth)
    ->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(Engine, Routine103_VDS3_CMYK, 103)->ArgNames({"workers", "width"})
    ->ArgsProduct({{1, 2, 4, 8}, {kWidth, kJobWidth}})->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(Inline, Routine109_SE1_CMYK, 109)->ArgName("width")->Arg(kWidth)->Arg(kJobWidth)
    ->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(Engine, Routine109_SE1_CMYK, 109)->ArgNames({"workers", "width"})
    ->ArgsProduct({{1, 2, 4, 8}, {kWidth, kJobWidth}})->Unit(benchmark::kMillisecond)->UseRealTime();

BENCHMARK_MAIN();
