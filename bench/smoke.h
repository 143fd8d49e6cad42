// The benchmarks' smoke run: KELMORA_BENCH_SMOKE=1 in the environment makes
// each program run small pages once, untimed, and fail (an error line) where
// a hash is not the pinned one.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace bench {

inline bool Smoke() {
    const char* value = std::getenv("KELMORA_BENCH_SMOKE");
    return value && std::strcmp(value, "0") != 0 && *value;
}

// The hash as the benchmark's label; in a smoke run, an error unless it is
// the pinned one.
inline void LabelHash(benchmark::State& state, uint64_t hash, uint64_t pinned) {
    char label[64];
    std::snprintf(label, sizeof label, "hash %016llx", static_cast<unsigned long long>(hash));
    if (Smoke() && hash != pinned) {
        std::snprintf(label, sizeof label, "hash %016llx, pinned %016llx", static_cast<unsigned long long>(hash),
                      static_cast<unsigned long long>(pinned));
        state.SkipWithError(label);
        return;
    }
    state.SetLabel(label);
}

}  // namespace bench
