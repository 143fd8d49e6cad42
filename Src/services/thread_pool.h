// A fixed pool of worker threads running tasks from one first-in-first-out
// queue. A task is a function and its argument; the pool reports nothing back.
//
// Every queued task holds one signal once it is released (AddTask releases
// at once, AddTaskDeferred waits for ReleaseDeferred or Finish); a worker takes
// one signal and then the task at the front of the queue. Finish closes the
// pool and returns once every worker has run what was queued before it and
// ended. Destruction joins every worker: a task still running is waited for.
//
// A worker that runs out of signals polls for a new one for a short bounded
// time before it sleeps, and a release wakes only as many sleeping workers
// as it brings signals: a steady flow of short tasks is handed over without
// a sleep and a wake-up per task.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

typedef void (*ThreadPoolTaskFn)(void* argument);

class clTHREADPOOL_QUEUE {
public:
    virtual ~clTHREADPOOL_QUEUE() = default;
    // Queues and releases one task; a null function means the default one.
    // False when there is no function or the pool is closed.
    virtual bool AddTask(void* argument, ThreadPoolTaskFn function) = 0;
    // Queues one task to be released later.
    virtual bool AddTaskDeferred(void* argument, ThreadPoolTaskFn function) = 0;
    // Releases every task queued by AddTaskDeferred since the last release.
    virtual void ReleaseDeferred() = 0;
    // Closes the pool, lets every worker end and waits for them.
    virtual void Finish() = 0;
    // Runs the next released task on the calling thread, as a worker would,
    // when one is waiting for a worker; false when none is. A thread that
    // waits for its own tasks helps with them instead of sleeping.
    virtual bool RunQueuedTask() = 0;
};

class clTHREADPOOL_QUEUE_IMP : public clTHREADPOOL_QUEUE {
public:
    // threadCount workers when it lies in 2..100, otherwise one. discard is
    // called by the destructor for every entry still queued; defaultTask
    // stands in for a null task function.
    clTHREADPOOL_QUEUE_IMP(int32_t threadCount, ThreadPoolTaskFn discard, ThreadPoolTaskFn defaultTask);
    ~clTHREADPOOL_QUEUE_IMP() override;
    clTHREADPOOL_QUEUE_IMP(const clTHREADPOOL_QUEUE_IMP&) = delete;
    clTHREADPOOL_QUEUE_IMP& operator=(const clTHREADPOOL_QUEUE_IMP&) = delete;

    bool AddTask(void* argument, ThreadPoolTaskFn function) override;
    bool AddTaskDeferred(void* argument, ThreadPoolTaskFn function) override;
    void ReleaseDeferred() override;
    void Finish() override;
    bool RunQueuedTask() override;

    // Workers started.
    int32_t GetThreadCount() const { return m_threadCount; }
    // Workers inside their loop.
    int32_t GetRunningCount();

    static constexpr int32_t kMinThreads = 2;
    static constexpr int32_t kMaxThreads = 100;

private:
    struct Entry {
        ThreadPoolTaskFn function;  // null: the stop marker
        void* argument;
    };
    // The queue: a ring that grows (doubling) only when it is full, so that
    // a steady flow of tasks allocates nothing.
    class Ring {
    public:
        bool empty() const { return m_count == 0; }
        const Entry& front() const { return m_slots[m_head]; }
        void pop_front() {
            m_head = (m_head + 1) % m_slots.size();
            --m_count;
        }
        void push_back(const Entry& e) {
            if (m_count == m_slots.size()) Grow();
            m_slots[(m_head + m_count) % m_slots.size()] = e;
            ++m_count;
        }

    private:
        void Grow() {
            std::vector<Entry> bigger(m_slots.empty() ? 16 : m_slots.size() * 2);
            for (size_t i = 0; i < m_count; ++i) bigger[i] = m_slots[(m_head + i) % m_slots.size()];
            m_slots.swap(bigger);
            m_head = 0;
        }
        std::vector<Entry> m_slots;
        size_t m_head = 0;
        size_t m_count = 0;
    };

    bool Queue(void* argument, ThreadPoolTaskFn function, bool deferred);
    // Wakes up to n sleeping workers; called without the lock, with the
    // sleepers counted under it.
    void Wake(uint64_t n, int32_t sleeping);
    // Under the lock: a worker has something to do (a task, the stop marker
    // or stopping).
    bool Ready() const;
    void WorkerLoop();
    // Runs a task taken from the queue; an escaping exception is dropped.
    static void RunTask(const Entry& task);
    void JoinWorkers();

    std::mutex m_lock;
    std::condition_variable m_wake;     // signals, the stop marker or stopping
    std::condition_variable m_started;  // a worker entered its loop
    bool m_stopping = false;
    bool m_closed = false;
    // Polled without the lock by a worker before it sleeps; changed under it.
    std::atomic<bool> m_ending{false};  // Finish or the destructor has begun
    std::atomic<uint64_t> m_signals{0};
    int32_t m_sleeping = 0;             // workers blocked on m_wake
    int32_t m_threadCount = 0;
    int32_t m_runningCount = 0;
    int32_t m_deferredCount = 0;
    ThreadPoolTaskFn m_discardFunction;
    ThreadPoolTaskFn m_defaultFunction;
    Ring m_queue;
    std::vector<std::thread> m_threads;
};

// A new pool, or null when it cannot be built (no memory, no thread started).
std::unique_ptr<clTHREADPOOL_QUEUE> CreateThreadPoolQueue(int32_t threadCount, ThreadPoolTaskFn discard,
                                                          ThreadPoolTaskFn defaultTask);

// The processors this process may run on; 1 when that cannot be read.
int GetProcessorCount();
// For tests and benchmarks: a count above 0 is what GetProcessorCount
// answers from then on; 0 gives the machine's count back.
void SetProcessorCountOverride(int count);
