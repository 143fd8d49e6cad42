// Side by side in one run: the end-to-end JV33 job through the plug-in
// library (e2e_run.h, on the calling thread) against the gutenprint library's
// dithers on the same page, its error diffusion ("Floyd") and EvenTone, with
// one dot size (against the job's fixed dots, routine 109) and three (against
// its variable dots, routine 103).
//
// Counters: ns_per_px (nanoseconds per pixel, all four channels),
// ns_per_px_ch and px_per_s; each gutenprint row also kelmora_ns_per_px (the
// job's processor time per pixel, the job run once per dot mode) and ratio
// (the job's time per pixel over the dither's).
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <gutenprint/gutenprint.h>
// The dither and channel interfaces of the library (its driver-side headers).
#include <gutenprint/channel.h>
#include <gutenprint/dither.h>

#include "e2e_run.h"
#include "photo_page.h"
#include "smoke.h"

namespace {

// The job's page: its width and its cycled lines.
int Width() { return bench::JobWidth(bench::kJV33VariableDots); }
const std::vector<std::vector<uint8_t>>& Page() {
    static const auto page = bench::PhotoPage(Width(), bench::kLines);
    return page;
}

// The JV33 job of one dot mode, run once in this process.
const bench::Result& Job(const bench::BenchJob& job) {
    static std::map<const bench::BenchJob*, bench::Result> done;
    auto it = done.find(&job);
    if (it == done.end()) it = done.emplace(&job, bench::RunInChild(job)).first;
    return it->second;
}

// The job's processor time per pixel, or 0 when it failed (with the error).
double JobNsPerPixel(benchmark::State& state, const bench::BenchJob& job) {
    const bench::Result& r = Job(job);
    if (r.status != 0) {
        state.SkipWithError(("JV33 job failed (" + std::to_string(r.status) + ")").c_str());
        return 0;
    }
    return r.cpuSeconds * 1e9 / (double(r.width) * r.height);
}

void Kelmora(benchmark::State& state, const bench::BenchJob* job) {
    for (auto _ : state) {
        state.SetIterationTime(Job(*job).seconds);
    }
    const double ns = JobNsPerPixel(state, *job);
    if (ns <= 0) return;
    state.counters["ns_per_px"] = ns;
    state.counters["ns_per_px_ch"] = ns / 4;
    state.counters["px_per_s"] = 1e9 / ns;
    bench::LabelHash(state, Job(*job).hash, job->smokeHash);
}

// The page as gutenprint reads it: rows of 16-bit CMYK values.
int ImageWidth(stp_image_t*) { return Width(); }
int ImageHeight(stp_image_t*) { return bench::kLines; }
stp_image_status_t ImageRow(stp_image_t*, unsigned char*, size_t, int) { return STP_IMAGE_STATUS_OK; }
const char* ImageName(stp_image_t*) { return "bench"; }

struct VarsDeleter {
    void operator()(stp_vars_t* v) const { stp_vars_destroy(v); }
};

void Dither(benchmark::State& state, const char* algorithm, int dotSizes) {
    const int width = Width();
    static const bool initialised = stp_init() == 0;
    if (!initialised) {
        state.SkipWithError("stp_init failed");
        return;
    }
    stp_image_t image;
    std::memset(&image, 0, sizeof image);
    image.width = ImageWidth;
    image.height = ImageHeight;
    image.get_row = ImageRow;
    image.get_appname = ImageName;

    std::unique_ptr<stp_vars_t, VarsDeleter> vars(stp_vars_create());
    stp_vars_t* v = vars.get();
    stp_set_string_parameter(v, "DitherAlgorithm", algorithm);
    stp_set_string_parameter(v, "STPIOutputType", "KCMY");
    // gutenprint's channel numbers: K 0, C 1, M 2, Y 3.
    const int channelOf[4] = {STP_ECOLOR_C, STP_ECOLOR_M, STP_ECOLOR_Y, STP_ECOLOR_K};
    for (int c = 0; c < 4; ++c) stp_channel_add(v, static_cast<unsigned>(c), 0, 1.0);
    stp_channel_initialize(v, &image, 4);
    stp_dither_init(v, &image, width, 720, 720);

    const double oneSize[] = {1.0};
    const double threeSizes[] = {0.3, 0.6, 1.0};
    const int bits = dotSizes == 1 ? 1 : 2;
    const size_t rowBytes = static_cast<size_t>((width + 7) / 8) * bits;
    std::vector<std::vector<unsigned char>> out(4, std::vector<unsigned char>(rowBytes));
    for (int c = 0; c < 4; ++c) stp_dither_add_channel(v, out[c].data(), static_cast<unsigned>(c), 0);
    for (int c = 0; c < 4; ++c)
        stp_dither_set_inks_simple(v, c, dotSizes, dotSizes == 1 ? oneSize : threeSizes, 1.0, 1.0);

    const bench::ColourTables& colour = bench::Colour();
    const auto& page = Page();
    int row = 0;
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        const std::vector<uint8_t>& line = page[static_cast<size_t>(row) % page.size()];
        unsigned short* in = stp_channel_get_input(v);
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < 4; ++c)
                in[x * 4 + channelOf[c]] = static_cast<unsigned short>(
                    colour.linearise[colour.inputMap[line[static_cast<size_t>(x) * 4 + c]]] * 16);
        unsigned zeroMask = 0;
        stp_channel_convert(v, &zeroMask);
        for (auto& o : out) std::memset(o.data(), 0, o.size());
        stp_dither(v, row, 0, static_cast<int>(zeroMask), nullptr);
        ++row;
        benchmark::DoNotOptimize(out[0].data());
        benchmark::ClobberMemory();
    }
    const double ns = std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - start).count();
    const double pixels = static_cast<double>(state.iterations()) * width;
    if (pixels > 0) {
        state.counters["ns_per_px"] = ns / pixels;
        state.counters["ns_per_px_ch"] = ns / (pixels * 4);
        state.counters["px_per_s"] = pixels / (ns * 1e-9);
        const double ours = JobNsPerPixel(state, dotSizes == 1 ? bench::kJV33FixedDots : bench::kJV33VariableDots);
        if (ours > 0) {
            state.counters["kelmora_ns_per_px"] = ours;
            state.counters["ratio"] = ours / (ns / pixels);
        }
    }
    // Share of cyan pixels with a dot on the last line, which shows the dither
    // ran; a line of several bits per pixel holds one bit plane after another.
    const size_t planeBytes = static_cast<size_t>(width + 7) / 8;
    size_t dots = 0;
    for (size_t i = 0; i < planeBytes; ++i) {
        unsigned any = 0;
        for (int plane = 0; plane < bits; ++plane) any |= out[0][plane * planeBytes + i];
        dots += static_cast<size_t>(__builtin_popcount(any));
    }
    state.counters["cyan_dots"] = static_cast<double>(dots) / width;
}

}  // namespace

// The job first: its figures are then ready for the ratios.
BENCHMARK_CAPTURE(Kelmora, Kelmora_JV33_VariableDots, &bench::kJV33VariableDots)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kSecond);
BENCHMARK_CAPTURE(Kelmora, Kelmora_JV33_FixedDots, &bench::kJV33FixedDots)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kSecond);
BENCHMARK_CAPTURE(Dither, Gutenprint_Floyd_1bit, "Floyd", 1)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(Dither, Gutenprint_Floyd_3sizes, "Floyd", 3)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(Dither, Gutenprint_EvenTone_1bit, "EvenTone", 1)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(Dither, Gutenprint_EvenTone_3sizes, "EvenTone", 3)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
