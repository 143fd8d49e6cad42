// An event that stays set until it is reset: one thread resets it and hands
// work out, another sets it when the work is done, and the first waits for
// it. Setting it publishes everything the setting thread wrote before to the
// thread that returns from Wait.
//
// A waiter polls the state for a short bounded time before it blocks on the
// condition variable, and Set only takes the lock and notifies when a waiter
// has blocked: a hand-off of a few microseconds costs no sleep and no
// wake-up.
#pragma once

#include <atomic>
#include <condition_variable>
#include <mutex>

#include "services/spin_wait.h"

class ManualResetEvent {
public:
    explicit ManualResetEvent(bool set = false) : m_state(set ? kSet : kReset) {}
    ManualResetEvent(const ManualResetEvent&) = delete;
    ManualResetEvent& operator=(const ManualResetEvent&) = delete;

    // A waiter that returns may destroy the event at once: without a blocked
    // waiter the exchange is Set's last touch, and with one Set notifies
    // under the lock, which the waiter needs before it can return.
    void Set() {
        int state = kReset;
        if (m_state.compare_exchange_strong(state, kSet, std::memory_order_acq_rel)) return;
        if (state == kSet) return;
        std::lock_guard<std::mutex> hold(m_lock);
        m_state.store(kSet, std::memory_order_release);
        m_changed.notify_all();
    }
    // Resets a set event; a waiter that is blocked stays blocked.
    void Reset() {
        int state = kSet;
        m_state.compare_exchange_strong(state, kReset, std::memory_order_acq_rel);
    }
    // Returns once the event is set (at once when it already is).
    void Wait() {
        if (SpinWaitFor([this] { return IsSet(); })) return;
        std::unique_lock<std::mutex> hold(m_lock);
        for (;;) {
            int state = m_state.load(std::memory_order_acquire);
            if (state == kSet) return;
            // Tell Set that it has someone to wake; a Set in between is seen
            // by the next round.
            if (state == kReset &&
                !m_state.compare_exchange_strong(state, kBlocked, std::memory_order_acq_rel)) {
                continue;
            }
            m_changed.wait(hold);
        }
    }
    bool IsSet() const { return m_state.load(std::memory_order_acquire) == kSet; }

private:
    static constexpr int kReset = 0;
    static constexpr int kSet = 1;
    static constexpr int kBlocked = 2;  // not set, and a waiter sleeps on the condition variable

    std::atomic<int> m_state;
    std::mutex m_lock;
    std::condition_variable m_changed;
};
