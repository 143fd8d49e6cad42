// Planar error diffusion speed: the channel kernels (one channel row per
// iteration; VDS3Pair: the rows of two channels together, as on the calling
// thread) and routine 118 through the halftoner on a four-channel page,
// inline and on pools of 1, 2, 4 and 8 threads, on the photo-like synthetic
// CMYK page 10,800 pixels wide.
//
// Counters: ns_per_px_ch (nanoseconds per pixel and output channel) and
// px_per_s (pixels per second).
#include <benchmark/benchmark.h>

#include <cstdarg>
#include <memory>
#include <vector>

#include "halftone/halftone.h"
#include "halftone/planar_channel.h"
#include "job/varn_prn.h"
#include "line_timer.h"
#include "photo_page.h"
#include "smoke.h"
#include "platform/dynamic_library.h"

namespace {

using bench::kWidth;
using bench::LineTimer;

const PlanarChannel_VDS_Parameters& Sb53() {
    static const PlanarChannel_VDS_Parameters p(VdsDotSetDescriptor{"SB53 WF3", {7.6f, 16.4f, 26.1f}, {40, 40}});
    return p;
}

// Cyan of the page as 12-bit values, one line per page line.
const std::vector<std::vector<uint16_t>>& CyanValues() {
    static const auto values = [] {
        const bench::ColourTables& t = bench::Colour();
        std::vector<std::vector<uint16_t>> lines;
        for (const auto& line : bench::Page()) {
            std::vector<uint16_t> v(kWidth);
            for (int x = 0; x < kWidth; ++x) v[x] = static_cast<uint16_t>(t.linearise[t.inputMap[line[x * 4]]]);
            lines.push_back(std::move(v));
        }
        return lines;
    }();
    return values;
}

void Kernel(benchmark::State& state, PlanarChannelFactory factory, int bits) {
    const auto& lines = CyanValues();
    auto channel = factory(nullptr, &Sb53());
    const uint16_t number = 0;
    channel->InitJob(1, kWidth, 1, false, &number);
    channel->InitPage();
    std::vector<uint8_t> row((kWidth + 7) / 8 * bits);
    CPlanarLineRequest request;
    request.output = row.data();
    request.outputSize = row.size();
    size_t y = 0;
    LineTimer timer;
    for (auto _ : state) {
        request.input = lines[y].data();
        channel->ProcessLine(request);
        benchmark::DoNotOptimize(row.data());
        y = (y + 1) % lines.size();
    }
    timer.Report(state, 1);
}

// Two VDS3 channels (cyan and magenta of the page) halftoned together, as
// the planar halftoner does on the calling thread.
void KernelPair(benchmark::State& state) {
    static const auto lines = [] {
        const bench::ColourTables& t = bench::Colour();
        std::vector<std::vector<uint16_t>> pairs;
        for (const auto& line : bench::Page()) {
            std::vector<uint16_t> v(size_t(kWidth) * 2);
            for (size_t i = 0; i < v.size(); ++i) v[i] = static_cast<uint16_t>(t.linearise[t.inputMap[line[(i / 2) * 4 + i % 2]]]);
            pairs.push_back(std::move(v));
        }
        return pairs;
    }();
    std::unique_ptr<CPlanarOneChannel> channels[2] = {CreatePlanarOne_SE1_VDS3(nullptr, &Sb53()),
                                                      CreatePlanarOne_SE1_VDS3(nullptr, &Sb53())};
    std::vector<uint8_t> rows[2];
    CPlanarLineRequest requests[2];
    for (uint16_t c = 0; c < 2; ++c) {
        channels[c]->InitJob(2, kWidth, 1, false, &c);
        channels[c]->InitPage();
        rows[c].resize((kWidth + 7) / 8 * 2);
        requests[c].output = rows[c].data();
        requests[c].outputSize = rows[c].size();
    }
    size_t y = 0;
    LineTimer timer;
    for (auto _ : state) {
        for (int c = 0; c < 2; ++c) requests[c].input = lines[y].data() + c;
        if (!CPlanarOne_SE1::ProcessLinePair(*channels[0], requests[0], *channels[1], requests[1])) {
            for (int c = 0; c < 2; ++c) channels[c]->ProcessLine(requests[c]);  // no SIMD lanes here
        }
        benchmark::DoNotOptimize(rows[0].data());
        y = (y + 1) % lines.size();
    }
    timer.Report(state, 2);
}

class SilentLog : public clLogFullInterface {
public:
    void LogV(int, const char*, va_list) override {}
    void Log(int, const char*, ...) override {}
    bool IsEnabled(int) override { return false; }
    int GetLevel() override { return 0; }
    void SetLevel(int) override {}
    void LogModuleV(const char*, int, const char*, va_list) override {}
};

// Routine 118 as a family sets it up: CMYK, variable dots of the SB53 set on
// every channel, the stand-in linearisation library loaded first.
void Routine118(benchmark::State& state) {
    platform::DynamicLibrary epl;
    if (!epl.LoadFile(KELMORA_EPL_PATH)) {
        state.SkipWithError("the stand-in linearisation library is missing");
        return;
    }
    SilentLog log;
    CVarnPrn job(nullptr, 1, &log);
    job.m_strEplPath = KELMORA_EPL_EXAMPLE;
    job.m_iOutputColorMode = 4;
    job.m_iResolutionX = job.m_iResolutionY = 720;
    job.m_iImageWidth = job.m_iOutWidthPixel = kWidth;
    job.m_iOutHeightPixel = bench::kLines;
    job.m_iTotalInkLimit = 300;
    job.m_iOutChannels = 4;
    auto halftone = std::make_unique<CHalftone>(&job);
    halftone->HalftoneRoutine = HALF_ROUTINE_PLANAR;
    halftone->m_iBitsPerPixel = 2;
    const double limits[4] = {100, 100, 100, 100};
    halftone->BuildLinCurves(limits, 4);
    halftone->SetLinearizeFunction(&CHalftone::LinearizeLine4A);
    PlanarHalfConfig config;
    config.job = &job;
    config.threadCount = static_cast<int32_t>(state.range(0));
    config.channelTypes.assign(4, PlanarChannelType{CreatePlanarOne_SE1_VDS3, &Sb53()});
    halftone->m_pPlanarHalf = CPlanarHalf::Create(config);
    if (halftone->InitJob(&job) != 0 || halftone->InitPage(&job) != 0) {
        state.SkipWithError("routine 118 did not start");
        return;
    }
    std::vector<std::vector<uint8_t>> lines;
    for (const auto& line : bench::Page()) {
        lines.push_back(line);
        lines.back().resize(std::max(line.size(), halftone->InputLineBytes()), 0);
    }
    size_t y = 0;
    size_t done = 0;
    uint64_t hash = 1469598103934665603ull;
    const size_t outBytes = size_t(job.m_iBytesPerChannel) * 4;
    LineTimer timer;
    for (auto _ : state) {
        job.m_pCurrentLine = lines[y].data();
        benchmark::DoNotOptimize(halftone->ProcessLine(&job));
        if (done++ < lines.size()) {
            for (size_t i = 0; i < outBytes; ++i) hash = (hash ^ job.m_pOutLine[i]) * 1099511628211ull;
        }
        y = (y + 1) % lines.size();
    }
    timer.Report(state, 4);
    // The same lines on every pool size.
    static uint64_t firstHash = 0;
    if (firstHash == 0) firstHash = hash;
    bench::LabelHash(state, hash, firstHash);
    halftone->ExitPage(&job);
    halftone->ExitJob(&job);
}

}  // namespace

BENCHMARK_CAPTURE(Kernel, NDS, CreatePlanarOne_SE1_NDS, 1)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(Kernel, VDS2, CreatePlanarOne_SE1_VDS2, 2)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(Kernel, VDS3, CreatePlanarOne_SE1_VDS3, 2)->Unit(benchmark::kMicrosecond);
BENCHMARK(KernelPair)->Name("Kernel/VDS3Pair")->Unit(benchmark::kMicrosecond);
// 0: inline on the calling thread; 1 to 8: pools of that many threads.
BENCHMARK(Routine118)->ArgName("threads")->Arg(0)->Arg(1)->Arg(2)->Arg(4)->Arg(8)->Unit(benchmark::kMicrosecond)->UseRealTime();

BENCHMARK_MAIN();
