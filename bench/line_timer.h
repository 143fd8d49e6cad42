// The rate counters of the halftoning benchmarks, one page line per
// iteration: ns_per_px_ch (nanoseconds per pixel and output channel) and
// px_per_s (pixels per second).
#pragma once

#include <benchmark/benchmark.h>

#include <chrono>

#include "photo_page.h"

namespace bench {

// Timed around the whole loop by the steady clock: the library's own rate
// counters would print nanoseconds with a seconds unit.
class LineTimer {
public:
    LineTimer() : m_start(std::chrono::steady_clock::now()) {}
    void Report(benchmark::State& state, int channels) const {
        const double ns = std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - m_start).count();
        const double pixels = static_cast<double>(state.iterations()) * kWidth;
        if (pixels <= 0) return;
        state.counters["ns_per_px_ch"] = ns / (pixels * channels);
        state.counters["px_per_s"] = pixels / (ns * 1e-9);
    }

private:
    std::chrono::steady_clock::time_point m_start;
};

}  // namespace bench
