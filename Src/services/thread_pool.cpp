#include "services/thread_pool.h"

#include <atomic>
#include <new>
#include <system_error>
#include <utility>

#include "platform/system.h"
#include "services/spin_wait.h"

clTHREADPOOL_QUEUE_IMP::clTHREADPOOL_QUEUE_IMP(int32_t threadCount, ThreadPoolTaskFn discard,
                                               ThreadPoolTaskFn defaultTask)
    : m_discardFunction(discard), m_defaultFunction(defaultTask) {
    const int32_t wanted = (threadCount >= kMinThreads && threadCount <= kMaxThreads) ? threadCount : 1;
    m_threads.reserve(static_cast<size_t>(wanted));
    for (int32_t i = 0; i < wanted; ++i) {
        try {
            m_threads.emplace_back(&clTHREADPOOL_QUEUE_IMP::WorkerLoop, this);
        } catch (const std::system_error&) {
            break;  // the pool works with the workers that did start
        }
    }
    std::unique_lock<std::mutex> hold(m_lock);
    m_threadCount = static_cast<int32_t>(m_threads.size());
    m_started.wait(hold, [this] { return m_runningCount >= m_threadCount; });
}

clTHREADPOOL_QUEUE_IMP::~clTHREADPOOL_QUEUE_IMP() {
    Ring left;
    {
        std::lock_guard<std::mutex> hold(m_lock);
        m_stopping = true;
        m_ending = true;
        std::swap(left, m_queue);
    }
    m_wake.notify_all();
    for (; !left.empty(); left.pop_front()) {
        if (m_discardFunction) m_discardFunction(left.front().argument);
    }
    JoinWorkers();
}

int32_t clTHREADPOOL_QUEUE_IMP::GetRunningCount() {
    std::lock_guard<std::mutex> hold(m_lock);
    return m_runningCount;
}

bool clTHREADPOOL_QUEUE_IMP::Queue(void* argument, ThreadPoolTaskFn function, bool deferred) {
    if (!function) function = m_defaultFunction;
    if (!function) return false;
    int32_t sleeping = 0;
    {
        std::lock_guard<std::mutex> hold(m_lock);
        if (m_closed || m_stopping) return false;
        m_queue.push_back(Entry{function, argument});
        if (deferred) {
            ++m_deferredCount;
            return true;
        }
        ++m_signals;
        sleeping = m_sleeping;
    }
    Wake(1, sleeping);
    return true;
}

void clTHREADPOOL_QUEUE_IMP::Wake(uint64_t n, int32_t sleeping) {
    if (sleeping <= 0 || n == 0) return;
    if (n >= static_cast<uint64_t>(sleeping)) {
        m_wake.notify_all();
        return;
    }
    for (uint64_t i = 0; i < n; ++i) m_wake.notify_one();
}

bool clTHREADPOOL_QUEUE_IMP::Ready() const {
    return m_stopping || m_signals > 0 || (!m_queue.empty() && !m_queue.front().function);
}

bool clTHREADPOOL_QUEUE_IMP::AddTask(void* argument, ThreadPoolTaskFn function) {
    return Queue(argument, function, false);
}

bool clTHREADPOOL_QUEUE_IMP::AddTaskDeferred(void* argument, ThreadPoolTaskFn function) {
    return Queue(argument, function, true);
}

void clTHREADPOOL_QUEUE_IMP::ReleaseDeferred() {
    uint64_t released = 0;
    int32_t sleeping = 0;
    {
        std::lock_guard<std::mutex> hold(m_lock);
        if (m_deferredCount <= 0) return;
        released = static_cast<uint64_t>(m_deferredCount);
        m_signals += released;
        m_deferredCount = 0;
        sleeping = m_sleeping;
    }
    Wake(released, sleeping);
}

void clTHREADPOOL_QUEUE_IMP::Finish() {
    {
        std::lock_guard<std::mutex> hold(m_lock);
        if (!m_closed) {
            m_closed = true;
            m_ending = true;
            m_queue.push_back(Entry{nullptr, nullptr});
            m_signals += static_cast<uint64_t>(m_deferredCount > 0 ? m_deferredCount : 0);
            m_deferredCount = 0;
        }
    }
    m_wake.notify_all();
    JoinWorkers();
}

void clTHREADPOOL_QUEUE_IMP::JoinWorkers() {
    for (std::thread& t : m_threads) {
        if (t.joinable() && t.get_id() != std::this_thread::get_id()) t.join();
    }
}

void clTHREADPOOL_QUEUE_IMP::WorkerLoop() {
    std::unique_lock<std::mutex> hold(m_lock);
    ++m_runningCount;
    m_started.notify_all();
    for (;;) {
        if (!Ready()) {
            hold.unlock();
            SpinWaitFor([this] { return m_signals.load() > 0 || m_ending.load(); });
            hold.lock();
            // The stop marker stays at the front, so every worker finds it.
            if (!Ready()) {
                ++m_sleeping;
                m_wake.wait(hold, [this] { return Ready(); });
                --m_sleeping;
            }
        }
        if (m_stopping) break;
        if (m_queue.empty()) {
            // A signal without a task: nothing to do, but the worker stays.
            if (m_signals > 0) --m_signals;
            continue;
        }
        const Entry task = m_queue.front();
        if (!task.function) break;
        m_queue.pop_front();
        --m_signals;
        hold.unlock();
        RunTask(task);
        hold.lock();
    }
    --m_runningCount;
}

void clTHREADPOOL_QUEUE_IMP::RunTask(const Entry& task) {
    try {
        task.function(task.argument);
    } catch (...) {
        // The task's owner learns the outcome through its own signalling.
    }
}

bool clTHREADPOOL_QUEUE_IMP::RunQueuedTask() {
    if (m_signals.load() == 0) return false;
    Entry task{};
    {
        std::lock_guard<std::mutex> hold(m_lock);
        if (m_stopping || m_signals == 0 || m_queue.empty() || !m_queue.front().function) return false;
        task = m_queue.front();
        m_queue.pop_front();
        --m_signals;
    }
    RunTask(task);
    return true;
}

std::unique_ptr<clTHREADPOOL_QUEUE> CreateThreadPoolQueue(int32_t threadCount, ThreadPoolTaskFn discard,
                                                          ThreadPoolTaskFn defaultTask) {
    try {
        auto pool = std::make_unique<clTHREADPOOL_QUEUE_IMP>(threadCount, discard, defaultTask);
        if (pool->GetThreadCount() == 0) return nullptr;
        return pool;
    } catch (...) {
        return nullptr;
    }
}

namespace {
std::atomic<int> g_processorCountOverride{0};
}  // namespace

void SetProcessorCountOverride(int count) { g_processorCountOverride = count > 0 ? count : 0; }

int GetProcessorCount() {
    if (const int forced = g_processorCountOverride; forced > 0) return forced;
    const int n = platform::ProcessAffinityCount();
    return n > 0 ? n : 1;
}
