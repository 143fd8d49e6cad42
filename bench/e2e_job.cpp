// Whole jobs through the plug-in library, as a host runs them (e2e_run.h),
// each in a child process of its own.
//
// The jobs: the sample JV33 ticket (routine 103) on 1.6 m x 1 m and 1.6 m x
// 2 m at 720 x 720 dpi, inline ("HalftoneThreadCount=0") and through the
// engine ("HalftoneThreadCount=4"), with fixed dots (routine 109), and the
// Tx500 ticket's planar halftoning at 600 dpi inline and on a pool, and the
// JV300 job (routine 118, three dot sizes) with thread count 0 and a pool.
//
// Counters: seconds (wall clock), cpu_s (processor time of all threads),
// mpx_per_s (megapixels per second of wall clock), cpu_ns_per_px, out_mb
// (stream bytes), rss_mb (peak resident memory above the process before
// OpenJob); the label is the stream's hash.
//
// Long pages ("LongPage/..."): a narrow picture (one inch) of 10,000 lines on
// the JV33 inline and through the engine and on the JV300 inline and on a
// pool; --long_page_lines=N adds each at N lines (1000000 for the million-line
// pages). Their sink decodes the stream as it comes and counts the raster
// lines the printer is sent: a job that prints fewer or more lines than the
// host sent fails. Extra counters: lines (printed), peak_kb (the child's peak
// resident kilobytes).
//
// Jobs at once ("Concurrent/N", N = 1, 4, 8): N copies of the JV33 job on a
// 14,400 x 7,200 CMYK picture, each in a child process, started together,
// inline and through the engine (the default thread count), in the order
// inline, engine, engine, inline. Counters per job kind: wall seconds (start
// to the last job's end), cpu seconds (all jobs' user + system time); the
// ratios engine / inline. The program ends with a table of every figure, the
// machine's load average beside it.
//
// KELMORA_BENCH_SMOKE=1 runs small pages instead (the long pages at a tenth
// of their length, without --long_page_lines) and fails a job whose hash is
// not the pinned one (the CI's smoke run).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>

#include "e2e_run.h"
#include "smoke.h"

namespace {

using bench::BenchJob;
using bench::Result;

void Job(benchmark::State& state, BenchJob job) {
    Result r;
    for (auto _ : state) {
        r = bench::RunInChild(job);
        state.SetIterationTime(r.seconds);
    }
    if (r.status != 0) return state.SkipWithError(("job failed (" + std::to_string(r.status) + ")").c_str());
    if (r.decodeError[0]) return state.SkipWithError((std::string("stream: ") + r.decodeError).c_str());
    if (job.lines > 0 && (r.printedLines != r.height || r.pages != 1)) {
        return state.SkipWithError((std::to_string(r.printedLines) + " lines printed on " + std::to_string(r.pages) +
                                    " pages, " + std::to_string(r.height) + " sent on one")
                                       .c_str());
    }
    const double mpx = double(r.width) * r.height / 1e6;
    state.counters["seconds"] = r.seconds;
    state.counters["cpu_s"] = r.cpuSeconds;
    state.counters["mpx_per_s"] = mpx / r.seconds;
    state.counters["cpu_ns_per_px"] = r.cpuSeconds * 1e3 / mpx;
    state.counters["out_mb"] = double(r.bytes) / 1e6;
    state.counters["rss_mb"] = r.rssMb;
    if (job.lines > 0) {
        state.counters["lines"] = double(r.printedLines);
        state.counters["peak_kb"] = double(r.peakKb);
    }
    bench::LabelHash(state, r.hash, job.smokeHash);
}

// The jobs-at-once figures by job count, for the closing table.
struct Figures {
    double wall[2] = {};  // inline, engine
    double cpu[2] = {};
    double load = 0;      // one-minute load average before the runs
};
std::map<int, Figures>& ConcurrentFigures() {
    static std::map<int, Figures> figures;
    return figures;
}

// The job kinds of "Concurrent/N": inline, and through the engine.
constexpr BenchJob kConcurrentJobs[2] = {
    {bench::kJV33Ticket, "", 720, 0, 1, 0x776931993486A37Bull, 0, 14400, 7200},
    {bench::kJV33Ticket, "", 720, -1, 1, 0xDF16E0B85F3728C5ull, 0, 14400, 7200},
};

void Concurrent(benchmark::State& state, int jobs) {
    Figures f;
    double load[1] = {0};
    if (getloadavg(load, 1) == 1) f.load = load[0];
    uint64_t hashes[2] = {};
    const int rounds = bench::Smoke() ? 2 : 4;
    for (auto _ : state) {
        for (int round = 0; round < rounds; ++round) {
            const int kind = round == 1 || round == 2 ? 1 : 0;
            const auto batch = bench::RunJobsInChildren(kConcurrentJobs[kind], jobs);
            f.wall[kind] += batch.seconds;
            for (const Result& r : batch.results) {
                if (r.status != 0) return state.SkipWithError(("job failed (" + std::to_string(r.status) + ")").c_str());
                if (hashes[kind] == 0) hashes[kind] = r.hash;
                const uint64_t want = bench::Smoke() ? kConcurrentJobs[kind].smokeHash : hashes[kind];
                if (r.hash != want) return state.SkipWithError("a job's stream differs from its kind's other jobs'");
                f.cpu[kind] += r.cpuSeconds;
            }
        }
        state.SetIterationTime(f.wall[0] + f.wall[1]);
    }
    for (int kind = 0; kind < 2; ++kind) {
        f.wall[kind] /= rounds / 2;
        f.cpu[kind] /= rounds / 2;
    }
    state.counters["inline_s"] = f.wall[0];
    state.counters["engine_s"] = f.wall[1];
    state.counters["inline_cpu_s"] = f.cpu[0];
    state.counters["engine_cpu_s"] = f.cpu[1];
    state.counters["wall_ratio"] = f.wall[1] / f.wall[0];
    state.counters["cpu_ratio"] = f.cpu[1] / f.cpu[0];
    char label[64];
    std::snprintf(label, sizeof label, "hashes %016llx %016llx", static_cast<unsigned long long>(hashes[0]),
                  static_cast<unsigned long long>(hashes[1]));
    state.SetLabel(label);
    ConcurrentFigures()[jobs] = f;
}

// The table of the jobs-at-once figures and the goals they are held to.
void PrintConcurrentTable() {
    const std::map<int, Figures>& figures = ConcurrentFigures();
    if (figures.empty()) return;
    std::printf("\nJobs at once (JV33 job, 14,400 x 7,200 CMYK each; seconds; ratio = engine / inline)\n");
    std::printf("%4s %10s %10s %7s %10s %10s %7s %6s\n", "jobs", "inline", "engine", "ratio", "inline cpu",
                "engine cpu", "ratio", "load");
    for (const auto& [jobs, f] : figures) {
        std::printf("%4d %10.2f %10.2f %7.2f %10.2f %10.2f %7.2f %6.1f\n", jobs, f.wall[0], f.wall[1],
                    f.wall[1] / f.wall[0], f.cpu[0], f.cpu[1], f.cpu[1] / f.cpu[0], f.load);
    }
    const auto goal = [&figures](int jobs, const char* what, double value, double most) {
        if (figures.count(jobs)) std::printf("%-52s %5.2f (at most %.2f)\n", what, value, most);
    };
    if (figures.count(1)) {
        const Figures& one = figures.at(1);
        goal(1, "one job: engine processor time / inline", one.cpu[1] / one.cpu[0], 1.3);
        goal(1, "one job: engine wall time / inline", one.wall[1] / one.wall[0], 0.5);
    }
    if (figures.count(4)) goal(4, "4 jobs at once: engine wall time / inline", figures.at(4).wall[1] / figures.at(4).wall[0], 1.0);
    if (figures.count(8)) goal(8, "8 jobs at once: engine wall time / inline", figures.at(8).wall[1] / figures.at(8).wall[0], 1.05);
}

}  // namespace

#define KELMORA_RUN(name, ...) \
    BENCHMARK_CAPTURE(Job, name, __VA_ARGS__)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond)
#define KELMORA_JOB(name, ...) KELMORA_RUN(name, BenchJob{__VA_ARGS__})

// The sample ticket: variable dots (routine 103), and fixed dots (routine 109).
constexpr const char* kJV33 = bench::kJV33Ticket;
KELMORA_RUN(JV33_Inline_1m, bench::kJV33VariableDots);
KELMORA_JOB(JV33_Inline_2m, kJV33, "", 720, 0, 2, 0xD9D32D5AD4449989ull);
KELMORA_JOB(JV33_Engine4_1m, kJV33, "", 720, 4, 1, 0xDF16E0B85F3728C5ull);
KELMORA_JOB(JV33_Engine4_2m, kJV33, "", 720, 4, 2, 0xDF1D188F26C55BF2ull);
KELMORA_RUN(JV33_FixedDots_Inline_1m, bench::kJV33FixedDots);
// Planar halftoning (the Tx500 example ticket at 600 dpi, VDS3 channels),
// on the calling thread and on a pool of 4.
KELMORA_JOB(Tx500_Planar_Inline_1m, "examples/tx500.ticket", "", 600, 0, 1, 0x29472E7765147049ull);
KELMORA_JOB(Tx500_Planar_Pool4_1m, "examples/tx500.ticket", "", 600, 4, 1, 0x29472E7765147049ull);
// The JV300-160 (model 7015, CMYK) on the JV300 job of the cross-platform
// check: routine 118 with three dot sizes, thread count 0 and a pool of 4.
constexpr const char* kJV300 = ".ci/cross-platform/jv300-cmyk/ticket.txt";
constexpr const char* kJV300On160 = "Output/Prn/Printer/Model = 7015\nOutput/Prn/Media/Size/Width = 1610.0\n";
KELMORA_JOB(JV300_Inline_1m, kJV300, kJV300On160, 720, 0, 1, 0xD649ABD4607B7E29ull);
KELMORA_JOB(JV300_Inline_2m, kJV300, kJV300On160, 720, 0, 2, 0x5F828E2D6208C44Dull);
KELMORA_JOB(JV300_Pool4_1m, kJV300, kJV300On160, 720, 4, 1, 0xD649ABD4607B7E29ull);
KELMORA_JOB(JV300_Pool4_2m, kJV300, kJV300On160, 720, 4, 2, 0x5F828E2D6208C44Dull);

// Jobs at once.
BENCHMARK_CAPTURE(Concurrent, 1, 1)->Name("Concurrent/1")->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);
BENCHMARK_CAPTURE(Concurrent, 4, 4)->Name("Concurrent/4")->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);
BENCHMARK_CAPTURE(Concurrent, 8, 8)->Name("Concurrent/8")->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

// The long pages: the JV33 sample ticket inline and through the engine, the
// JV300 job inline and on a pool, each of `lines` lines.
void RegisterLongPages(int lines, const uint64_t (&smokeHashes)[4]) {
    const struct {
        const char* name;
        BenchJob job;
    } cases[] = {
        {"JV33_Inline", {kJV33, "", 720, 0, 0, smokeHashes[0], lines}},
        {"JV33_Engine4", {kJV33, "", 720, 4, 0, smokeHashes[1], lines}},
        {"JV300_Inline", {kJV300, kJV300On160, 720, 0, 0, smokeHashes[2], lines}},
        {"JV300_Pool4", {kJV300, kJV300On160, 720, 4, 0, smokeHashes[3], lines}},
    };
    for (const auto& c : cases) {
        const std::string name = std::string("LongPage/") + c.name + "/" + std::to_string(lines);
        benchmark::RegisterBenchmark(name.c_str(), Job, c.job)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);
    }
}

int main(int argc, char** argv) {
    int longLines = 0;
    int kept = 1;
    for (int i = 1; i < argc; ++i) {
        const char* flag = "--long_page_lines=";
        if (std::strncmp(argv[i], flag, std::strlen(flag)) == 0) {
            char* end = nullptr;
            const long value = std::strtol(argv[i] + std::strlen(flag), &end, 10);
            longLines = value > 0 && value <= 100000000 && *end == '\0' ? int(value) : 0;
            if (longLines == 0) {
                std::fprintf(stderr, "%s: a number of lines from 1 to 100000000, please\n", argv[i]);
                return 1;
            }
        } else {
            argv[kept++] = argv[i];
        }
    }
    argc = kept;
    argv[argc] = nullptr;
    RegisterLongPages(10000, {0x93325B665DD5F2D4ull, 0x2C430AC5FB03A2F3ull, 0x1BCC3FCF284FAD67ull, 0x1BCC3FCF284FAD67ull});
    if (longLines > 0 && !bench::Smoke()) RegisterLongPages(longLines, {0, 0, 0, 0});
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    PrintConcurrentTable();
    return 0;
}
