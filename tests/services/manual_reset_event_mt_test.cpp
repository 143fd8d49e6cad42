#include "services/manual_reset_event.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

namespace {

TEST(ManualResetEvent, StaysSetUntilResetAndWakesAWaiterThatHasBlocked) {
    ManualResetEvent event;
    EXPECT_FALSE(event.IsSet());
    event.Set();
    event.Set();
    EXPECT_TRUE(event.IsSet());
    event.Wait();  // set: returns at once, and again
    event.Wait();
    event.Reset();
    EXPECT_FALSE(event.IsSet());
    EXPECT_TRUE(ManualResetEvent(true).IsSet());

    // The setter comes long after the waiter has stopped polling and blocked.
    std::atomic<bool> returned{false};
    int payload = 0;
    std::thread waiter([&] {
        event.Wait();
        EXPECT_EQ(payload, 42);  // what the setter wrote before Set is seen
        returned = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_FALSE(returned);
    payload = 42;
    event.Set();
    waiter.join();
    EXPECT_TRUE(returned);
    EXPECT_TRUE(event.IsSet());
}

// The waiter destroys each event as soon as its Wait returns, with the
// setter sometimes quick (caught while polling) and sometimes late (the
// waiter asleep): the setter must not touch the event afterwards.
TEST(ManualResetEvent, AWaiterMayDestroyTheEventAsSoonAsWaitReturns) {
    constexpr int kRounds = 2000;
    std::atomic<ManualResetEvent*> handed{nullptr};
    std::thread setter([&] {
        for (int i = 0; i < kRounds; ++i) {
            ManualResetEvent* event;
            while (!(event = handed.exchange(nullptr))) std::this_thread::yield();
            if (i % 200 == 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
            event->Set();
        }
    });
    for (int i = 0; i < kRounds; ++i) {
        auto event = std::make_unique<ManualResetEvent>();
        handed = event.get();
        event->Wait();
    }
    setter.join();
}

}  // namespace
