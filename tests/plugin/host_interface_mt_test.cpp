// The host may ask for the plug-in's name from several threads at once.
#include "plugin/host_interface.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

namespace {

TEST(PluginName, IsTheSameTextForHostThreadsAskingAtOnce) {
    constexpr int kThreads = 8;
    std::vector<std::string> names(kThreads);
    std::vector<std::thread> threads;
    for (int i = 0; i < kThreads; ++i) {
        threads.emplace_back([&names, i] {
            for (int round = 0; round < 200; ++round) names[i] = PrnBase::GetName();
        });
    }
    for (std::thread& thread : threads) thread.join();
    EXPECT_FALSE(names[0].empty());
    for (const std::string& name : names) EXPECT_EQ(name, names[0]);
}

}  // namespace
