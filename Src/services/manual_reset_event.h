// An event that stays set until it is reset, on a mutex and a condition
// variable: one thread resets it and hands work out, another sets it when the
// work is done, and the first waits for it. Setting it publishes everything
// the setting thread wrote before to the thread that returns from Wait.
#pragma once

#include <condition_variable>
#include <mutex>

class ManualResetEvent {
public:
    explicit ManualResetEvent(bool set = false) : m_set(set) {}
    ManualResetEvent(const ManualResetEvent&) = delete;
    ManualResetEvent& operator=(const ManualResetEvent&) = delete;

    // Notifies under the lock: a waiter that returns may destroy the event
    // at once, and Set touches nothing after the lock is released.
    void Set() {
        std::lock_guard<std::mutex> hold(m_lock);
        m_set = true;
        m_changed.notify_all();
    }
    void Reset() {
        std::lock_guard<std::mutex> hold(m_lock);
        m_set = false;
    }
    // Returns once the event is set (at once when it already is).
    void Wait() {
        std::unique_lock<std::mutex> hold(m_lock);
        m_changed.wait(hold, [this] { return m_set; });
    }
    bool IsSet() {
        std::lock_guard<std::mutex> hold(m_lock);
        return m_set;
    }

private:
    std::mutex m_lock;
    std::condition_variable m_changed;
    bool m_set;
};
