#include "services/thread_pool.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "services/manual_reset_event.h"

namespace {

// Generous limit for anything a test waits for: reaching it is a failure, not a hang.
constexpr auto kPatience = std::chrono::seconds(60);

// Counts arrivals; Wait returns once the expected number arrived.
class Latch {
public:
    explicit Latch(int expected) : m_expected(expected) {}
    void Arrive() {
        std::lock_guard<std::mutex> hold(m_lock);
        ++m_arrived;
        m_changed.notify_all();
    }
    bool Wait() {
        std::unique_lock<std::mutex> hold(m_lock);
        return m_changed.wait_for(hold, kPatience, [this] { return m_arrived >= m_expected; });
    }
    int Arrived() {
        std::lock_guard<std::mutex> hold(m_lock);
        return m_arrived;
    }

private:
    std::mutex m_lock;
    std::condition_variable m_changed;
    int m_expected;
    int m_arrived = 0;
};

void ArriveTask(void* latch) { static_cast<Latch*>(latch)->Arrive(); }

// Arrives, then waits for every other task of the barrier: the tasks can only
// finish when that many workers run at the same time.
struct Barrier {
    explicit Barrier(int n) : arrived(n), done(n) {}
    Latch arrived;
    Latch done;
    std::atomic<bool> failed{false};
};

void BarrierTask(void* argument) {
    auto* barrier = static_cast<Barrier*>(argument);
    barrier->arrived.Arrive();
    if (!barrier->arrived.Wait()) barrier->failed = true;
    barrier->done.Arrive();
}

bool RunBarrier(clTHREADPOOL_QUEUE& pool, int n) {
    Barrier barrier(n);
    for (int i = 0; i < n; ++i) {
        if (!pool.AddTask(&barrier, BarrierTask)) return false;
    }
    return barrier.done.Wait() && !barrier.failed;
}

clTHREADPOOL_QUEUE_IMP& Imp(const std::unique_ptr<clTHREADPOOL_QUEUE>& pool) {
    return static_cast<clTHREADPOOL_QUEUE_IMP&>(*pool);
}

TEST(ThreadPool, StartsTwoToAHundredWorkersAndOneForAnyOtherCount) {
    for (const int requested : {1, 0, -1, 101, 2, 100}) {
        auto pool = CreateThreadPoolQueue(requested, nullptr, nullptr);
        ASSERT_NE(pool, nullptr);
        const int expected = (requested >= 2 && requested <= 100) ? requested : 1;
        EXPECT_EQ(Imp(pool).GetThreadCount(), expected) << requested;
        EXPECT_EQ(Imp(pool).GetRunningCount(), expected) << requested;
        // That many tasks really run side by side.
        EXPECT_TRUE(RunBarrier(*pool, expected)) << requested;
        pool->Finish();
        EXPECT_EQ(Imp(pool).GetRunningCount(), 0);
    }
}

TEST(ThreadPool, DeferredTasksWaitForTheirRelease) {
    std::atomic<int> discarded{0};
    static std::atomic<int>* s_discarded;
    s_discarded = &discarded;
    {
        auto pool = CreateThreadPoolQueue(4, [](void*) { ++*s_discarded; }, nullptr);
        Latch ran(3);
        pool->ReleaseDeferred();  // nothing deferred: nothing happens
        for (int i = 0; i < 3; ++i) ASSERT_TRUE(pool->AddTaskDeferred(&ran, ArriveTask));
        // Never released, these are still queued when the pool goes.
        for (int i = 0; i < 2; ++i) ASSERT_TRUE(pool->AddTaskDeferred(&ran, ArriveTask));
        pool.reset();
        EXPECT_EQ(ran.Arrived(), 0);
        EXPECT_EQ(discarded.load(), 5);
    }
    auto pool = CreateThreadPoolQueue(4, nullptr, nullptr);
    Latch ran(6);
    for (int line = 0; line < 2; ++line) {
        for (int channel = 0; channel < 3; ++channel) ASSERT_TRUE(pool->AddTaskDeferred(&ran, ArriveTask));
        pool->ReleaseDeferred();
    }
    EXPECT_TRUE(ran.Wait());
    // Finish releases what is still deferred before it closes.
    Latch late(2);
    pool->AddTaskDeferred(&late, ArriveTask);
    pool->AddTaskDeferred(&late, ArriveTask);
    pool->Finish();
    EXPECT_EQ(late.Arrived(), 2);
}

TEST(ThreadPool, RefusesTasksWithoutFunctionOrAfterFinish) {
    Latch ran(1);
    static Latch* s_ran;
    s_ran = &ran;
    auto plain = CreateThreadPoolQueue(2, nullptr, nullptr);
    EXPECT_FALSE(plain->AddTask(nullptr, nullptr));
    EXPECT_FALSE(plain->AddTaskDeferred(nullptr, nullptr));

    auto withDefault = CreateThreadPoolQueue(2, nullptr, [](void*) { s_ran->Arrive(); });
    EXPECT_TRUE(withDefault->AddTask(nullptr, nullptr));
    EXPECT_TRUE(ran.Wait());
    withDefault->Finish();
    EXPECT_FALSE(withDefault->AddTask(&ran, ArriveTask));
    EXPECT_FALSE(withDefault->AddTaskDeferred(&ran, ArriveTask));
    withDefault->Finish();  // a second Finish is harmless
    EXPECT_EQ(Imp(withDefault).GetRunningCount(), 0);
}

TEST(ThreadPool, AThrowingTaskDoesNotEndItsWorker) {
    auto pool = CreateThreadPoolQueue(1, nullptr, nullptr);
    Latch ran(2);
    for (int i = 0; i < 2; ++i) {
        pool->AddTask(nullptr, [](void*) { throw std::runtime_error("task failed"); });
        pool->AddTask(&ran, ArriveTask);
    }
    EXPECT_TRUE(ran.Wait());
    EXPECT_EQ(Imp(pool).GetRunningCount(), 1);
}

TEST(ThreadPool, DestructionDiscardsQueuedEntriesAndWaitsForTheRunningTask) {
    struct State {
        Latch started{1};
        Latch gate{1};
        std::atomic<bool> finished{false};
        std::vector<void*> discarded;
    };
    static State* s;
    State state;
    s = &state;
    auto pool = CreateThreadPoolQueue(1, [](void* argument) {
        s->discarded.push_back(argument);
        if (s->discarded.size() == 3) s->gate.Arrive();  // the running task may end now
    }, nullptr);
    pool->AddTask(nullptr, [](void*) {
        s->started.Arrive();
        s->gate.Wait();
        s->finished = true;
    });
    ASSERT_TRUE(state.started.Wait());
    int a, b, c;
    pool->AddTask(&a, ArriveTask);
    pool->AddTask(&b, ArriveTask);
    pool->AddTaskDeferred(&c, ArriveTask);
    pool.reset();
    EXPECT_TRUE(state.finished);
    EXPECT_EQ(state.discarded, (std::vector<void*>{&a, &b, &c}));

    // After Finish only the stop marker is left, with its null argument.
    state.discarded.clear();
    pool = CreateThreadPoolQueue(1, [](void* argument) { s->discarded.push_back(argument); }, nullptr);
    pool->Finish();
    pool.reset();
    EXPECT_EQ(state.discarded, (std::vector<void*>{nullptr}));
}

TEST(ThreadPool, RunsManyTasksFromSeveralProducersAndStaysAtFullStrength) {
    constexpr int kWorkers = 6;
    constexpr int kProducers = 4;
    constexpr int kTasksEach = 5000;
    auto pool = CreateThreadPoolQueue(kWorkers, nullptr, nullptr);
    Latch ran(kProducers * kTasksEach);
    std::vector<std::thread> producers;
    for (int p = 0; p < kProducers; ++p) {
        producers.emplace_back([&pool, &ran, p] {
            for (int i = 0; i < kTasksEach; ++i) {
                if (p % 2 == 0) {
                    pool->AddTask(&ran, ArriveTask);
                } else {
                    pool->AddTaskDeferred(&ran, ArriveTask);
                    if (i % 3 == 2) pool->ReleaseDeferred();
                }
            }
            pool->ReleaseDeferred();
        });
    }
    for (std::thread& t : producers) t.join();
    EXPECT_TRUE(ran.Wait());
    EXPECT_EQ(ran.Arrived(), kProducers * kTasksEach);
    // Idle spells and bursts leave every worker in place.
    for (int round = 0; round < 3; ++round) EXPECT_TRUE(RunBarrier(*pool, kWorkers));
    EXPECT_EQ(Imp(pool).GetRunningCount(), kWorkers);
    pool->Finish();
    EXPECT_EQ(Imp(pool).GetRunningCount(), 0);
}

TEST(ThreadPool, AWaitingCallerRunsReleasedTasksButNeitherDeferredOnesNorTheStopMarker) {
    struct Gate {
        Latch started{1};
        Latch open{1};
    };
    static Gate* s_gate;
    Gate gate;
    s_gate = &gate;
    auto pool = CreateThreadPoolQueue(1, nullptr, nullptr);
    EXPECT_FALSE(pool->RunQueuedTask());
    // The only worker is held, so what is queued behind it waits.
    pool->AddTask(nullptr, [](void*) {
        s_gate->started.Arrive();
        s_gate->open.Wait();
    });
    ASSERT_TRUE(gate.started.Wait());
    static std::thread::id s_ranOn;
    const auto recordThread = [](void* latch) {
        s_ranOn = std::this_thread::get_id();
        static_cast<Latch*>(latch)->Arrive();
    };
    Latch ran(2);
    pool->AddTaskDeferred(&ran, recordThread);
    EXPECT_FALSE(pool->RunQueuedTask());
    pool->ReleaseDeferred();
    EXPECT_TRUE(pool->RunQueuedTask());
    EXPECT_EQ(s_ranOn, std::this_thread::get_id());
    EXPECT_EQ(ran.Arrived(), 1);
    EXPECT_FALSE(pool->RunQueuedTask());  // its signal went with it
    pool->AddTask(&ran, ArriveTask);
    gate.open.Arrive();
    EXPECT_TRUE(ran.Wait());
    pool->Finish();
    EXPECT_FALSE(pool->RunQueuedTask());
}

// As the planar halftoner hands out a line: one deferred task per channel,
// released together, the caller helping and then waiting on each channel's
// event; some lines come after an idle spell long enough for every worker
// to fall asleep.
TEST(ThreadPool, LinesHandedOutWithEventsRunEveryChannelOncePerLine) {
    constexpr int kChannels = 4;
    constexpr int kLines = 3000;
    struct Channel {
        ManualResetEvent done;
        int runs = 0;  // written by whichever thread runs the task
    };
    Channel channels[kChannels];
    const auto run = [](void* argument) {
        auto* channel = static_cast<Channel*>(argument);
        ++channel->runs;
        channel->done.Set();
    };
    for (const int workers : {1, 2, 4, 8}) {
        auto pool = CreateThreadPoolQueue(workers, nullptr, nullptr);
        for (Channel& c : channels) c.runs = 0;
        for (int line = 0; line < kLines; ++line) {
            for (Channel& c : channels) {
                c.done.Reset();
                ASSERT_TRUE(pool->AddTaskDeferred(&c, run));
            }
            pool->ReleaseDeferred();
            if (line % 2 == 0) {
                while (pool->RunQueuedTask()) {
                }
            }
            for (Channel& c : channels) c.done.Wait();
            for (const Channel& c : channels) ASSERT_EQ(c.runs, line + 1) << workers << " workers, line " << line;
            if (line % 500 == 499) std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        pool->Finish();
    }
}

}  // namespace
