// The pool's hand-off cost: one "line" queues one small task per worker
// deferred, releases them together and waits on one event per task, as the
// planar halftoner does. The task itself does almost nothing (work:0) or
// spins for a few microseconds (work:20), so the figure is the round trip:
// the wake-ups of the workers and the wake-up of the caller.
#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "services/manual_reset_event.h"
#include "services/thread_pool.h"

namespace {

struct Task {
    ManualResetEvent event;
    int64_t work = 0;
    volatile uint64_t sink = 0;
};

void RunTask(void* argument) {
    auto* task = static_cast<Task*>(argument);
    uint64_t x = 1;
    for (int64_t i = 0; i < task->work; ++i) x = x * 6364136223846793005ull + 1442695040888963407ull;
    task->sink = x;
    task->event.Set();
}

void RoundTrip(benchmark::State& state) {
    const int32_t threads = static_cast<int32_t>(state.range(0));
    auto pool = CreateThreadPoolQueue(threads, nullptr, nullptr);
    std::vector<std::unique_ptr<Task>> tasks;
    for (int32_t i = 0; i < threads; ++i) {
        tasks.push_back(std::make_unique<Task>());
        tasks.back()->work = state.range(1) * 100;  // about a microsecond per 100
    }
    for (auto _ : state) {
        for (auto& task : tasks) {
            task->event.Reset();
            if (!pool->AddTaskDeferred(task.get(), &RunTask)) RunTask(task.get());
        }
        pool->ReleaseDeferred();
        for (auto& task : tasks) task->event.Wait();
    }
    pool->Finish();
    state.SetItemsProcessed(state.iterations());
}

}  // namespace

BENCHMARK(RoundTrip)
    ->ArgNames({"threads", "work"})
    ->Args({2, 0})
    ->Args({4, 0})
    ->Args({4, 20})
    ->Args({8, 0})
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime();

BENCHMARK_MAIN();
