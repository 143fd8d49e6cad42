// A bounded spin before a thread blocks: a hand-off that comes within a few
// tens of microseconds is taken without a sleep and a wake-up, and a thread
// that waits longer stops polling and blocks, so an idle waiter does not
// keep a core busy.
#pragma once

#include <chrono>
#include <thread>

#include "platform/cpu_relax.h"

// How long a waiter polls before it blocks.
constexpr std::chrono::microseconds kSpinWaitLimit{50};

// Polls ready() until it answers true (true) or the limit has passed (false).
template <typename Ready>
bool SpinWaitFor(Ready ready, std::chrono::microseconds limit = kSpinWaitLimit) {
    if (ready()) return true;
    const auto end = std::chrono::steady_clock::now() + limit;
    for (;;) {
        for (int i = 0; i < 16; ++i) {
            platform::CpuRelax();
            if (ready()) return true;
        }
        if (std::chrono::steady_clock::now() >= end) return ready();
        // Another thread that wants this core gets it: on a loaded machine
        // the poll gives way instead of taking a share from real work.
        std::this_thread::yield();
        if (ready()) return true;
    }
}
