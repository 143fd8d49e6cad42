// Whole jobs through the plug-in library, as a host runs them: kelmora.so
// loaded by path, its GetInterface table, a host-kit ticket store, photo-like
// CMYK lines made on the fly and a null write sink that counts and hashes the
// stream. Each job runs in a child process of its own, so that its peak
// resident memory is its own. Shared by the end-to-end benchmark and the
// side-by-side comparison with the gutenprint library.
//
// The including program defines KELMORA_EPL_PATH, KELMORA_PLUGIN_PATH and
// KELMORA_ROOT. KELMORA_BENCH_SMOKE=1 makes every job a small page.
#pragma once

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

#include "child_batch.h"
#include "host_job.h"
#include "photo_page.h"
#include "platform/dynamic_library.h"
#include "plugin_library.h"
#include "prndump/line_counter.h"
#include "smoke.h"
#include "ticket_store.h"
#include "ticket_text.h"

namespace bench {

struct BenchJob {
    const char* ticket;    // from the repository root
    const char* settings;  // [job] lines on top of it
    int dpi;               // the ticket's resolution
    int threads;           // "HalftoneThreadCount"
    int metres;            // page length
    uint64_t smokeHash;    // of the small page
    int lines = 0;         // a long page of this many narrow lines instead of the metres
    int pixelsWide = 0;    // a picture of this many pixels by
    int pixelsHigh = 0;    // this many lines instead of the metres
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
    bool started = false;         // the job got as far as its start
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

// The page of a job: 1.6 m wide and as many metres long as the job asks, or a small page in a
// smoke run; a long page is one inch wide and its lines long (a tenth of them
// in a smoke run). Its lines are PhotoPage(JobWidth(job), kLines), cycled.
inline int JobWidth(const BenchJob& job) {
    if (job.lines > 0) return kLongPageWidth;
    if (job.pixelsWide > 0 && !Smoke()) return job.pixelsWide;
    return Smoke() ? 1200 : int(1600 / 25.4 * job.dpi);
}
inline int JobHeight(const BenchJob& job) {
    if (job.lines > 0) return Smoke() ? job.lines / 10 : job.lines;
    if (job.pixelsHigh > 0 && !Smoke()) return job.pixelsHigh;
    return Smoke() ? 30 * job.metres : int(1000 / 25.4 * job.dpi) * job.metres;
}

inline double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
}

inline double ResidentMb() {
    long pages = 0, resident = 0;
    std::ifstream("/proc/self/statm") >> pages >> resident;
    return double(resident) * double(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

inline std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The job in this (child) process: it says it is set up, and starts when the
// parent says go.
inline Result RunJob(const BenchJob& job, const std::string& folder, StartPipe& startPipe) {
    Result result;
    result.width = JobWidth(job);
    result.height = JobHeight(job);
    const int mediaHeight = job.lines > 0 ? int(result.height * 25.4 / job.dpi) + 100  // millimetres
                                          : 1000 * job.metres + 100;
    const auto lines = PhotoPage(result.width, kLines);
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
    std::ofstream(folder + "/DaVav.ini") << "[Special]\nHalftoneThreadCount=" << job.threads << "\n";
    hostkit::TicketStore store(1);
    hostkit::ReadTicketText(ReadFile(std::string(KELMORA_ROOT) + "/" + job.ticket) + "\n[system]\nSystem/InstallFolder = \"" + folder +
                                "\"\n[job]\nOutput/Prn/Linearization/BPLPath = \"" + KELMORA_ROOT +
                                "/examples/cmyk.lin\"\nOutput/Prn/Media/Size/Height = " +
                                std::to_string(mediaHeight) + ".0\n" + job.settings,
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

    result.started = true;
    if (!startPipe.ReadyAndWait()) return result;
    Sink sink;
    sink.countLines = job.lines > 0;
    PLUGINCONTEXT* context = nullptr;
    JobContext* opened = nullptr;
    uint32_t pageInfo = 1;
    const double before = ResidentMb();
    const auto start = std::chrono::steady_clock::now();
    const double cpuStart = CpuSeconds();
    const char* step = "CreateContext";
    int r = api.CreateContext(&context, "bench");
    if (r == 0) r = api.OpenJob(context, store.ticket(), 1, &opened, &Sink::Write, &sink), step = "OpenJob";
    if (r == 0) r = api.OpenPage(context, &pageInfo, nullptr, opened), step = "OpenPage";
    for (int y = 0; r == 0 && y < layout.calls; ++y) {
        r = api.WriteLine(context, opened, calls[size_t(y) % calls.size()].data());
        step = "WriteLine";
    }
    if (r == 0) r = api.ClosePage(context, opened), step = "ClosePage";
    if (opened) {
        const int closed = api.CloseJob(context, opened);
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

// `count` copies of the job at once, each in a child process of its own
// with a folder of its own, started together once all are set up
// (child_batch.h). The wall clock runs from the start to the last result.
inline Batch<Result> RunJobsInChildren(const BenchJob& job, int count) {
    std::vector<std::string> folders;
    for (int i = 0; i < count; ++i) {
        char folder[] = "/tmp/kelmora-bench-XXXXXX";
        folders.push_back(mkdtemp(folder) ? folder : "");
    }
    Batch<Result> batch = RunBatchInChildren<Result>(count, [&](int index, StartPipe& start) {
        const std::string& folder = folders[static_cast<size_t>(index)];
        return folder.empty() ? Result{} : RunJob(job, folder, start);
    });
    for (const std::string& folder : folders) {
        if (folder.empty()) continue;
        std::remove((folder + "/DaVav.ini").c_str());
        rmdir(folder.c_str());
    }
    return batch;
}

// The job in a child process.
inline Result RunInChild(const BenchJob& job) { return RunJobsInChildren(job, 1).results.front(); }

// The sample JV33 ticket on 1.6 m x 1 m at 720 x 720 dpi, on the calling
// thread: variable dots (routine 103) and fixed dots (routine 109).
constexpr const char* kJV33Ticket = "examples/jv33.ticket";
constexpr BenchJob kJV33VariableDots{kJV33Ticket, "", 720, 0, 1, 0x776931993486A37Bull};
constexpr BenchJob kJV33FixedDots{kJV33Ticket, "Output/Prn/Specific/DotSize = 1\n", 720, 0, 1, 0xE36C6383C7554858ull};

}  // namespace bench
