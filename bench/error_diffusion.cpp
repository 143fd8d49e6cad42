// Error-diffusion speed: the inline line step of routines 103 to 111 (colour
// conversion included) and the channel kernels of the multi-threaded engine,
// on a photo-like synthetic CMYK page 10,800 pixels wide.
//
// Counters: ns_per_px_ch (nanoseconds per pixel and output channel) and
// px_per_s (pixels per second).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <vector>

#include "halftone/error_diffusion.h"
#include "line_timer.h"
#include "photo_page.h"

namespace {

using bench::Colour;
using bench::ColourTables;
using bench::kWidth;
using bench::LineTimer;
using bench::Page;

// The colour tables, built before any benchmark runs. Reached through a
// function-local static, they would cost every converter call a test of its
// guard and, for the set-up inlined behind it, the saving of six registers.
const ColourTables& g_colour = Colour();

void ConvertCMYK(CHalftone*, const uint8_t* pixel, int32_t* converted) {
    const ColourTables& t = g_colour;
    converted[0] = t.linearise[t.inputMap[pixel[0]]];
    converted[1] = t.linearise[t.inputMap[pixel[1]]];
    converted[2] = t.linearise[t.inputMap[pixel[2]]];
    converted[3] = t.linearise[t.inputMap[pixel[3]]];
}

void ConvertCMYKcm(CHalftone*, const uint8_t* pixel, int32_t* converted) {
    const ColourTables& t = g_colour;
    converted[0] = t.linearise[t.darkShare[pixel[0]]];
    converted[4] = t.linearise[std::min(t.lightShare[pixel[0]], 4095)];
    converted[1] = t.linearise[t.darkShare[pixel[1]]];
    converted[5] = t.linearise[std::min(t.lightShare[pixel[1]], 4095)];
    converted[2] = t.linearise[t.inputMap[pixel[2]]];
    converted[3] = t.linearise[t.inputMap[pixel[3]]];
}

// Dot-size tables through control points of a three-size printer, joined by
// straight lines (8-bit control points scaled to 12 bits).
struct DotTables {
    std::vector<uint16_t> table[3];
    const uint16_t* pointers[3];
    DotTables() {
        const std::vector<std::pair<int, int>> curves[3] = {
            {{0, 0}, {54, 203}, {63, 229}, {93, 255}, {255, 255}},
            {{0, 0}, {42, 0}, {76, 28}, {102, 86}, {127, 144}, {153, 196}, {186, 240}, {255, 254}},
            {{0, 0}, {132, 0}, {178, 39}, {204, 102}, {229, 176}, {255, 255}},
        };
        for (int s = 0; s < 3; ++s) {
            table[s].resize(4096);
            const auto& points = curves[s];
            for (int v = 0; v < 4096; ++v) {
                const double x = v / 16.0;
                size_t i = 1;
                while (i + 1 < points.size() && points[i].first < x) ++i;
                const double x0 = points[i - 1].first, x1 = points[i].first;
                const double y0 = points[i - 1].second, y1 = points[i].second;
                const double y = y0 + (y1 - y0) * (x - x0) / (x1 - x0);
                table[s][v] = static_cast<uint16_t>(std::min(4095.0, std::max(0.0, y * 16.0)));
            }
            pointers[s] = table[s].data();
        }
    }
};

struct SharedTables {
    NoiseTable noise;
    std::unique_ptr<uint8_t[]> random = BuildRandomTable(false);
    DotTables dots;
    SharedTables() { BuildNoiseTable(noise); }
};
const SharedTables& Tables() {
    static const SharedTables tables;
    return tables;
}

// The routine's inline line step, one page line per iteration, with the
// widest lanes the processor has or with narrower ones (the plain step at
// None), to compare the steps.
void InlineLine(benchmark::State& state, int32_t routineNumber, DiffusionLanes widest = DiffusionLanes::Avx512) {
    const DiffusionRoutine& routine = *FindDiffusionRoutine(routineNumber);
    ErrorDiffusion ed;
    ErrorDiffusion::LimitLanes(widest);
    const int32_t initResult = ed.InitJob(routine, kWidth, 1, 1440, 720, 4);
    ErrorDiffusion::LimitLanes(DiffusionLanes::Avx512);
    if (initResult != kDiffusionOk ||
        ed.SetTables(&Tables().noise, Tables().random.get(), Tables().dots.pointers) != kDiffusionOk) {
        state.SkipWithError("set-up failed");
        return;
    }
    ed.InitPage();
    std::vector<uint8_t> out(ed.OutLineBytes());
    const DiffusionPixelConverter convert = routine.channels == 8 ? ConvertCMYKcm : ConvertCMYK;
    const auto& page = Page();
    size_t y = 0;
    const LineTimer timer;
    for (auto _ : state) {
        const auto& line = page[y];
        y = (y + 1) % page.size();
        if (ed.HalftoneLine(line.data(), line.size(), out.data(), out.size(), convert, nullptr) != kDiffusionOk) {
            state.SkipWithError("line refused");
            return;
        }
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    timer.Report(state, routine.channels);
}

// One channel kernel of the engine over the converted page, channel by channel.
void KernelLine(benchmark::State& state, int32_t routineNumber, int (*kernel)(HalftoneTask*)) {
    const DiffusionRoutine& routine = *FindDiffusionRoutine(routineNumber);
    const int channels = routine.channels;
    const DiffusionPixelConverter convert = channels == 8 ? ConvertCMYKcm : ConvertCMYK;
    // Converted lines as the engine holds them: channels per pixel, pixel after pixel.
    std::vector<std::vector<int32_t>> converted;
    for (const auto& line : Page()) {
        std::vector<int32_t> values(static_cast<size_t>(kWidth) * channels, 0);
        int32_t pixel[8] = {0, 0, 0, 0, 0, 0, 0, 0};
        for (int x = 0; x < kWidth; ++x) {
            convert(nullptr, &line[static_cast<size_t>(x) * 4], pixel);
            std::copy(pixel, pixel + channels, &values[static_cast<size_t>(x) * channels]);
        }
        converted.push_back(std::move(values));
    }
    const size_t cells = kWidth + 2;
    std::vector<int32_t> errors(3 * channels * cells, 0);
    const int bytesPerChannel = kWidth * routine.bitsPerPixel / 8;
    std::vector<uint8_t> out(static_cast<size_t>(bytesPerChannel) * channels);
    std::vector<HalftoneTask> tasks(channels);
    for (int c = 0; c < channels; ++c) {
        HalftoneTask& t = tasks[c];
        t = HalftoneTask{};
        t.width = kWidth;
        t.thirdSplit = 1;
        t.noise = &Tables().noise;
        t.random = Tables().random.get();
        t.channel = c;
        for (int s = 0; s < 3; ++s) t.dotSizeTable[s] = Tables().dots.pointers[s];
    }
    size_t y = 0;
    bool rightToLeft = false;
    const LineTimer timer;
    for (auto _ : state) {
        const std::vector<int32_t>& line = converted[y];
        y = (y + 1) % converted.size();
        std::fill(out.begin(), out.end(), 0);
        for (int c = 0; c < channels; ++c) {
            HalftoneTask& t = tasks[c];
            const int first = rightToLeft ? kWidth - 1 : 0;
            t.converted = &line[static_cast<size_t>(first) * channels + c];
            t.stride = rightToLeft ? -channels : channels;
            t.direction = rightToLeft ? -1 : 1;
            t.reverse = rightToLeft;
            t.out = &out[static_cast<size_t>(c) * bytesPerChannel + (rightToLeft ? bytesPerChannel - 1 : 0)];
            for (int s = 0; s < 3; ++s) t.errorLine[s] = &errors[(3 * c + s) * cells + first + 1];
            kernel(&t);
        }
        rightToLeft = !rightToLeft;
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    timer.Report(state, channels);
}

}  // namespace

BENCHMARK_CAPTURE(InlineLine, Routine103_VDS3_CMYK, 103)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(InlineLine, Routine105_VDS3_CMYKcm12, 105)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(InlineLine, Routine106_VDS2_CMYK, 106)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(InlineLine, Routine108_VDS2_CMYKcm12, 108)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(InlineLine, Routine109_SE1_CMYK, 109)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(InlineLine, Routine111_SE1_CMYKcm12, 111)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(InlineLine, PlainStep_Routine103_VDS3_CMYK, 103, DiffusionLanes::None)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(InlineLine, PlainStep_Routine106_VDS2_CMYK, 106, DiffusionLanes::None)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(InlineLine, PlainStep_Routine109_SE1_CMYK, 109, DiffusionLanes::None)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(InlineLine, Avx2_Routine103_VDS3_CMYK, 103, DiffusionLanes::Avx2)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(InlineLine, Avx2_Routine109_SE1_CMYK, 109, DiffusionLanes::Avx2)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(InlineLine, Ssse3_Routine103_VDS3_CMYK, 103, DiffusionLanes::Ssse3)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(KernelLine, Routine103_HalftoneLineVDS3, 103, HalftoneLineVDS3)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(KernelLine, Routine106_HalftoneLineVDS2, 106, HalftoneLineVDS2)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(KernelLine, Routine109_HalftoneLineSE1, 109, HalftoneLineSE1)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
