// Whole jobs through the plug-in library, as a host runs them: kelmora.so
// loaded by path, its GetInterface table, a host-kit ticket store, photo-like
// CMYK lines made on the fly and a null write sink that counts and hashes the
// stream. Each job runs in a child process of its own, so that its peak
// resident memory is its own.
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
// KELMORA_BENCH_SMOKE=1 runs small pages instead (the long pages at a tenth
// of their length, without --long_page_lines) and fails a job whose hash is
// not the pinned one (the CI's smoke run).
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "host_job.h"
#include "photo_page.h"
#include "platform/dynamic_library.h"
#include "plugin_library.h"
#include "prndump/line_counter.h"
#include "smoke.h"
#include "ticket_store.h"
#include "ticket_text.h"

namespace {

struct JobSpec {
    const char* ticket;    // from the repository root
    const char* settings;  // [job] lines on top of it
    int dpi;               // the ticket's resolution
    int threads;           // "HalftoneThreadCount"
    int metres;            // page length
    uint64_t smokeHash;    // of the small page
    int lines = 0;         // a long page of this many narrow lines instead of the metres
};

constexpr int kLongPageWidth = 720;  // pixels: one inch at 720 dpi

struct Result {
    int status = -1;
    double seconds = 0;
    double cpuSeconds = 0;
    uint64_t bytes = 0;
    uint64_t hash = 0;
    double rssMb = 0;
    int width = 0;
    int height = 0;
    long peakKb = 0;
    long long printedLines = -1;  // of a long page: the raster lines decoded from the stream
    int pages = 0;                // of a long page: the pages ended in the stream
    char decodeError[160] = {};
};

// FNV-1a over eight bytes at a time (the tail zero-padded), so that the
// sink costs the job little.
struct Sink {
    uint64_t bytes = 0;
    uint64_t hash = 1469598103934665603ull;
    void Add(const uint8_t* data, size_t n) {
        size_t i = 0;
        for (; i + 8 <= n; i += 8) {
            uint64_t w;
            std::memcpy(&w, data + i, 8);
            hash = (hash ^ w) * 1099511628211ull;
        }
        if (i < n) {
            uint64_t w = 0;
            std::memcpy(&w, data + i, n - i);
            hash = (hash ^ w) * 1099511628211ull;
        }
        bytes += n;
    }

    // Counts the raster lines as they come (long pages).
    bool countLines = false;
    prndecode::LineCounter lines;

    static int Write(void* self, uint32_t tag, const uint8_t* data, uint32_t size) {
        auto* sink = static_cast<Sink*>(self);
        const uint8_t head[8] = {uint8_t(tag),  uint8_t(tag >> 8),  uint8_t(tag >> 16),  uint8_t(tag >> 24),
                                 uint8_t(size), uint8_t(size >> 8), uint8_t(size >> 16), uint8_t(size >> 24)};
        sink->Add(head, 8);
        sink->Add(data, size);
        if (sink->countLines) sink->lines.Record(tag, data, size);
        return 0;
    }
};

double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
}

double ResidentMb() {
    long pages = 0, resident = 0;
    std::ifstream("/proc/self/statm") >> pages >> resident;
    return double(resident) * double(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The job in this (child) process.
Result RunJob(const JobSpec& spec, const std::string& folder) {
    Result result;
    const bool smoke = bench::Smoke();
    result.width = smoke ? 1200 : int(1600 / 25.4 * spec.dpi);                  // 1.6 m
    result.height = smoke ? 30 * spec.metres : int(1000 / 25.4 * spec.dpi) * spec.metres;  // 1 m
    int mediaHeight = 1000 * spec.metres + 100;  // millimetres
    if (spec.lines > 0) {
        result.width = kLongPageWidth;
        result.height = smoke ? spec.lines / 10 : spec.lines;
        mediaHeight = int(result.height * 25.4 / spec.dpi) + 100;
    }
    const auto lines = bench::PhotoPage(result.width, bench::kLines);
    // The plug-in finds the stand-in linearisation library among the loaded ones.
    platform::DynamicLibrary epl;
    if (!epl.LoadFile(KELMORA_EPL_PATH)) {
        std::fprintf(stderr, "%s\n", epl.Error().c_str());
        return result;
    }
    epl.KeepLoadedForProcess();
    prnhost::PluginLibrary plugin;
    std::string error;
    if (!plugin.Load(KELMORA_PLUGIN_PATH, error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return result;
    }
    const PrnInterface& api = plugin.Table();
    std::ofstream(folder + "/DaVav.ini") << "[Special]\nHalftoneThreadCount=" << spec.threads << "\n";
    hostkit::TicketStore store(1);
    hostkit::ReadTicketText(ReadFile(std::string(KELMORA_ROOT) + "/" + spec.ticket) + "\n[system]\nSystem/InstallFolder = \"" + folder +
                                "\"\n[job]\nOutput/Prn/Linearization/BPLPath = \"" + KELMORA_ROOT +
                                "/examples/cmyk.lin\"\nOutput/Prn/Media/Size/Height = " +
                                std::to_string(mediaHeight) + ".0\n" + spec.settings,
                            store);
    prnhost::ImageInfo info;
    info.width = result.width;
    info.height = result.height;
    info.channels = 4;
    info.colorSpace = "cmyk";
    prnhost::LineLayout layout;
    if (!prnhost::PrepareJobInput(info, store, layout, error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return result;
    }
    std::vector<std::vector<uint8_t>> calls;
    for (const auto& line : lines) {
        calls.emplace_back(layout.callBytes, 0);
        std::copy(line.begin(), line.end(), calls.back().begin());
    }

    Sink sink;
    sink.countLines = spec.lines > 0;
    PLUGINCONTEXT* context = nullptr;
    JobContext* job = nullptr;
    uint32_t pageInfo = 1;
    const double before = ResidentMb();
    const auto start = std::chrono::steady_clock::now();
    const double cpuStart = CpuSeconds();
    const char* step = "CreateContext";
    int r = api.CreateContext(&context, "bench");
    if (r == 0) r = api.OpenJob(context, store.ticket(), 1, &job, &Sink::Write, &sink), step = "OpenJob";
    if (r == 0) r = api.OpenPage(context, &pageInfo, nullptr, job), step = "OpenPage";
    for (int y = 0; r == 0 && y < layout.calls; ++y) {
        r = api.WriteLine(context, job, calls[size_t(y) % calls.size()].data());
        step = "WriteLine";
    }
    if (r == 0) r = api.ClosePage(context, job), step = "ClosePage";
    if (job) {
        const int closed = api.CloseJob(context, job);
        if (r == 0) r = closed;
    }
    if (context) api.Terminate(&context);
    result.cpuSeconds = CpuSeconds() - cpuStart;
    result.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    result.rssMb = double(usage.ru_maxrss) / 1024.0 - before;
    result.peakKb = usage.ru_maxrss;
    if (r != 0) {
        std::fprintf(stderr, "%s failed (%d)\n", step, r);
        const hostkit::Elements* message = store.Find(TICKET_SCOPE_JOB, 1, "Output/ErrorMessage");
        if (message && !message->empty()) std::fprintf(stderr, "%s\n", std::get<std::string>(message->front()).c_str());
    }
    result.status = r;
    result.bytes = sink.bytes;
    result.hash = sink.hash;
    if (sink.countLines) {
        result.printedLines = sink.lines.Lines();
        result.pages = sink.lines.Pages();
        std::snprintf(result.decodeError, sizeof result.decodeError, "%s", sink.lines.Error().c_str());
    }
    return result;
}

// The job in a child process; its result comes back through a pipe.
Result RunInChild(const JobSpec& spec) {
    char folder[] = "/tmp/kelmora-bench-XXXXXX";
    Result result;
    if (!mkdtemp(folder)) return result;
    int fds[2];
    if (pipe(fds) != 0) return result;
    const pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        const Result r = RunJob(spec, folder);
        const ssize_t written = write(fds[1], &r, sizeof r);
        _exit(written == ssize_t(sizeof r) ? 0 : 1);
    }
    close(fds[1]);
    if (pid > 0) {
        if (read(fds[0], &result, sizeof result) != ssize_t(sizeof result)) result.status = -1;
        int status = 0;
        waitpid(pid, &status, 0);
    }
    close(fds[0]);
    std::remove((std::string(folder) + "/DaVav.ini").c_str());
    rmdir(folder);
    return result;
}

void Job(benchmark::State& state, JobSpec spec) {
    Result r;
    for (auto _ : state) {
        r = RunInChild(spec);
        state.SetIterationTime(r.seconds);
    }
    if (r.status != 0) return state.SkipWithError(("job failed (" + std::to_string(r.status) + ")").c_str());
    if (r.decodeError[0]) return state.SkipWithError((std::string("stream: ") + r.decodeError).c_str());
    if (spec.lines > 0 && (r.printedLines != r.height || r.pages != 1)) {
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
    if (spec.lines > 0) {
        state.counters["lines"] = double(r.printedLines);
        state.counters["peak_kb"] = double(r.peakKb);
    }
    bench::LabelHash(state, r.hash, spec.smokeHash);
}

}  // namespace

#define KELMORA_JOB(name, ...) \
    BENCHMARK_CAPTURE(Job, name, JobSpec{__VA_ARGS__})->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond)

// The sample ticket: variable dots (routine 103), and fixed dots (routine 109).
constexpr const char* kJV33 = "examples/jv33.ticket";
constexpr const char* kFixedDots = "Output/Prn/Specific/DotSize = 1\n";
KELMORA_JOB(JV33_Inline_1m, kJV33, "", 720, 0, 1, 0x776931993486A37Bull);
KELMORA_JOB(JV33_Inline_2m, kJV33, "", 720, 0, 2, 0xD9D32D5AD4449989ull);
KELMORA_JOB(JV33_Engine4_1m, kJV33, "", 720, 4, 1, 0xDF16E0B85F3728C5ull);
KELMORA_JOB(JV33_Engine4_2m, kJV33, "", 720, 4, 2, 0xDF1D188F26C55BF2ull);
KELMORA_JOB(JV33_FixedDots_Inline_1m, kJV33, kFixedDots, 720, 0, 1, 0xE36C6383C7554858ull);
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

// The long pages: the JV33 sample ticket inline and through the engine, the
// JV300 job inline and on a pool, each of `lines` lines.
void RegisterLongPages(int lines, const uint64_t (&smokeHashes)[4]) {
    const struct {
        const char* name;
        JobSpec spec;
    } cases[] = {
        {"JV33_Inline", {kJV33, "", 720, 0, 0, smokeHashes[0], lines}},
        {"JV33_Engine4", {kJV33, "", 720, 4, 0, smokeHashes[1], lines}},
        {"JV300_Inline", {kJV300, kJV300On160, 720, 0, 0, smokeHashes[2], lines}},
        {"JV300_Pool4", {kJV300, kJV300On160, 720, 4, 0, smokeHashes[3], lines}},
    };
    for (const auto& c : cases) {
        const std::string name = std::string("LongPage/") + c.name + "/" + std::to_string(lines);
        benchmark::RegisterBenchmark(name.c_str(), Job, c.spec)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);
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
    return 0;
}
