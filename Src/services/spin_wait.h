// Waiting that costs little: a thread that waits for a hand-off polls only
// when its recent waits ended within what a sleep and a wake-up cost, and
// then for no longer than that; otherwise it blocks at once. A thread that
// polls past a hand-off that comes late would spend more than blocking
// costs, and one that blocks before a hand-off that comes soon pays the
// wake-up on top of the wait.
//
// What a hand-off costs is measured as the process runs: the thread that
// makes work ready stamps the time, and a thread woken from a block tells
// how long it took to run again (on an idle machine tens of microseconds, on
// a busy one as long as the scheduler lets it wait).
#pragma once

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>

#include "platform/cpu_relax.h"

// Nanoseconds of the steady clock.
inline int64_t SpinClockNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// The process-wide estimate of a sleep and a wake-up, from the wake-ups seen.
class HandOffCost {
public:
    static constexpr int64_t kLeastNs = 2'000;
    static constexpr int64_t kMostNs = 50'000;  // a poll never runs longer

    static int64_t Ns() { return Estimate().load(std::memory_order_relaxed); }
    // A thread that blocked ran again `latencyNs` after it was made ready.
    static void Observe(int64_t latencyNs) {
        std::atomic<int64_t>& e = Estimate();
        const int64_t old = e.load(std::memory_order_relaxed);
        const int64_t seen = std::clamp<int64_t>(latencyNs, kLeastNs, kMostNs);
        e.store(old + (seen - old) / 8, std::memory_order_relaxed);
    }

private:
    static std::atomic<int64_t>& Estimate() {
        static std::atomic<int64_t> estimate{20'000};
        return estimate;
    }
};

// A waiter's recent waits (how long until its hand-off came). Threads that
// share one may record at once; an update lost then only blurs the history.
class WaitHistory {
public:
    // The poll's length before a block: the hand-off cost when the waits
    // came within it, else 0.
    int64_t SpinNs() const {
        const int64_t cost = HandOffCost::Ns();
        return m_typicalNs.load(std::memory_order_relaxed) <= cost ? cost : 0;
    }
    void Record(int64_t waitedNs) {
        const int64_t old = m_typicalNs.load(std::memory_order_relaxed);
        m_typicalNs.store(old + (std::max<int64_t>(waitedNs, 0) - old) / 4, std::memory_order_relaxed);
    }

private:
    std::atomic<int64_t> m_typicalNs{0};
};

// Polls ready() for up to limitNs; true once it answers true.
template <typename Ready>
bool SpinWaitFor(Ready ready, int64_t limitNs) {
    if (ready()) return true;
    if (limitNs <= 0) return false;
    const int64_t end = SpinClockNs() + limitNs;
    for (;;) {
        for (int i = 0; i < 16; ++i) {
            platform::CpuRelax();
            if (ready()) return true;
        }
        if (SpinClockNs() >= end) return ready();
    }
}

// The time a wait ended for the history: when the work was made ready
// (readyAtNs, stamped by the thread that made it so) where that came after
// the wait began, else now. A waiter that blocked also reports its wake-up.
inline int64_t WaitEnded(int64_t startNs, int64_t readyAtNs, bool blocked) {
    const int64_t now = SpinClockNs();
    if (readyAtNs < startNs || readyAtNs > now) return now - startNs;
    if (blocked) HandOffCost::Observe(now - readyAtNs);
    return readyAtNs - startNs;
}
