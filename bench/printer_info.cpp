// The printer-information call as a host makes it: kelmora.so loaded by
// path, its GetInterface table, and a fresh host-kit ticket store with OEM id
// 0 for each call, which the call fills with every offered printer.
//
// The time column gives the milliseconds per call (wall clock of the call
// alone); the printers counter the call's answer; the label is a hash of
// the filled ticket's text.
#include <benchmark/benchmark.h>

#include <chrono>
#include <string>

#include "plugin_library.h"
#include "smoke.h"
#include "ticket_store.h"
#include "ticket_text.h"

namespace {

void PrinterInfo(benchmark::State& state) {
    prnhost::PluginLibrary plugin;
    std::string error;
    if (!plugin.Load(KELMORA_PLUGIN_PATH, error)) return state.SkipWithError(error.c_str());
    const PrnInterface& api = plugin.Table();
    PLUGINCONTEXT* context = nullptr;
    if (api.CreateContext(&context, "bench") != 0) return state.SkipWithError("no context");
    int printers = 0;
    uint64_t hash = 1469598103934665603ull;
    {
        hostkit::TicketStore store(1);
        hostkit::ReadTicketText("[system]\nSystem/OEMID = 0\n", store);
        printers = api.GetPrinterInfo(context, store.ticket(), 1);
        for (unsigned char c : hostkit::WriteTicketText(store)) hash = (hash ^ c) * 1099511628211ull;
    }
    for (auto _ : state) {
        state.PauseTiming();
        hostkit::TicketStore store(1);
        hostkit::ReadTicketText("[system]\nSystem/OEMID = 0\n", store);
        state.ResumeTiming();
        const auto start = std::chrono::steady_clock::now();
        benchmark::DoNotOptimize(api.GetPrinterInfo(context, store.ticket(), 1));
        state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    api.Terminate(&context);
    if (printers != 156) return state.SkipWithError(("printers: " + std::to_string(printers)).c_str());
    state.counters["printers"] = printers;
    bench::LabelHash(state, hash, 0x23ADAF73EC07E890ull);
}

}  // namespace

BENCHMARK(PrinterInfo)->UseManualTime()->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
