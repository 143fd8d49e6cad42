// Matrix-screening speed: routine 51's line step through the halftoner, ink
// values included, for type-2 and type-10 spot files (written by spotgen's
// writer into the temporary folder) on the photo-like page, 10,800 pixels
// wide. The stand-in linearisation library is loaded first, as a host's
// plug-in finds it.
//
// Counters: ns_per_px_ch (nanoseconds per pixel and channel) and px_per_s.
#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "halftone/halftone.h"
#include "job/varn_prn.h"
#include "photo_page.h"
#include "platform/dynamic_library.h"
#include "spotgen/spot_writer.h"

namespace {

struct NoLog : clLogFullInterface {
    void LogV(int, const char*, va_list) override {}
    void Log(int, const char*, ...) override {}
    bool IsEnabled(int) override { return false; }
    int GetLevel() override { return 0; }
    void SetLevel(int) override {}
    void LogModuleV(const char*, int, const char*, va_list) override {}
};

void Screening(benchmark::State& state, bool pythagorean, uint32_t size1, uint32_t size2, int inkLimit) {
    static platform::DynamicLibrary epl;
    if (!epl.IsLoaded() && !epl.LoadFile(KELMORA_EPL_PATH)) {
        state.SkipWithError("no linearisation library");
        return;
    }
    const std::string spot = (std::filesystem::temp_directory_path() /
                              ("kelmora_bench_" + std::to_string(size1) + "_" + std::to_string(size2) + ".spt"))
                                 .string();
    if (!spotgen::WriteFile(spot, spotgen::Encode(spotgen::Generate(pythagorean, false, size1, size2)))) {
        state.SkipWithError("spot file not written");
        return;
    }
    NoLog log;
    CVarnPrn job(nullptr, 1, &log);
    job.m_strEplPath = KELMORA_EPL_EXAMPLE;
    job.m_strScreeningFile = spot;
    job.m_iPrinterModell = 700;
    job.m_iOutputColorMode = 4;
    job.m_iResolutionX = job.m_iResolutionY = 720;
    job.m_iImageWidth = job.m_iOutWidthPixel = bench::kWidth;
    job.m_iOutChannels = 4;
    job.m_iTotalInkLimit = inkLimit;
    CHalftone halftone(&job);
    halftone.HalftoneRoutine = HALF_ROUTINE_SCREENING;
    if (halftone.InitJob(&job) != 0 || halftone.InitPage(&job) != 0) {
        state.SkipWithError("set-up failed");
        return;
    }
    const auto& page = bench::Page();
    std::vector<std::vector<uint8_t>> lines;
    for (const auto& line : page) {
        lines.push_back(line);
        lines.back().resize(std::max(line.size(), halftone.InputLineBytes()), 0);
    }
    size_t y = 0;
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        job.m_pCurrentLine = lines[y].data();
        y = (y + 1) % lines.size();
        if (halftone.ProcessLine(&job) != 0) {
            state.SkipWithError("line refused");
            break;
        }
        benchmark::DoNotOptimize(job.m_pOutLine);
        benchmark::ClobberMemory();
    }
    const double ns = std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - start).count();
    const double pixels = static_cast<double>(state.iterations()) * bench::kWidth;
    if (pixels > 0) {
        state.counters["ns_per_px_ch"] = ns / (pixels * 4);
        state.counters["px_per_s"] = pixels / (ns * 1e-9);
    }
    halftone.ExitPage(&job);
    halftone.ExitJob(&job);
    std::filesystem::remove(spot);
}

}  // namespace

// A total-ink limit of 300 % leaves the page's inks as they are; at 100 %
// the limiter cuts about half of its inked pixels.
BENCHMARK_CAPTURE(Screening, Routine51_Type2_16x16, false, 16, 16, 300)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(Screening, Routine51_Type10_16x9, true, 16, 9, 300)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(Screening, Routine51_Type10_181x73, true, 181, 73, 300)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(Screening, Routine51_Type2_16x16_Limit100, false, 16, 16, 100)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(Screening, Routine51_Type10_16x9_Limit100, true, 16, 9, 100)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
