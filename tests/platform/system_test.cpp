// Clocks, local time, processors and the machine's name.
#include "platform/system.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <ctime>

namespace {

TEST(System, LocalTimeAgreesWithTheCRuntime) {
    for (int attempt = 0; attempt < 3; ++attempt) {
        const std::time_t before = std::time(nullptr);
        const platform::LocalTime now = platform::GetLocalTime();
        const std::time_t after = std::time(nullptr);
        if (before / 60 != after / 60) continue;  // a minute turned over in between
        const std::tm expected = *std::localtime(&before);
        EXPECT_EQ(now.year, expected.tm_year + 1900);
        EXPECT_EQ(now.month, expected.tm_mon + 1);
        EXPECT_EQ(now.day, expected.tm_mday);
        EXPECT_EQ(now.hour, expected.tm_hour);
        EXPECT_EQ(now.minute, expected.tm_min);
        EXPECT_GE(now.millisecond, 0);
        EXPECT_LE(now.millisecond, 999);
        return;
    }
    FAIL() << "the minute kept turning over";
}

TEST(System, CountersAndProcessorsAreConsistent) {
    EXPECT_GT(platform::PerformanceFrequency(), 0);
    const int64_t counter = platform::PerformanceCounter();
    const uint64_t ticks = platform::TickCountMs();
    platform::SleepMs(2);
    EXPECT_GT(platform::PerformanceCounter(), counter);
    EXPECT_GE(platform::TickCountMs(), ticks);

    const int processors = platform::ProcessorCount();
    EXPECT_GE(processors, 1);
    EXPECT_GE(platform::ProcessAffinityCount(), 1);
    EXPECT_LE(platform::ProcessAffinityCount(), processors);
}

TEST(System, ComputerNameFitsItsLimit) {
    std::string name = "unchanged";
    ASSERT_TRUE(platform::GetComputerName(&name));
    EXPECT_FALSE(name.empty());
    EXPECT_LE(name.size(), platform::kMaxComputerName);
    EXPECT_FALSE(platform::GetComputerName(nullptr));
}

TEST(System, ErrorTextIsTheSystemsTextOfTheNumber) {
    for (const int error : {ENOENT, EACCES, ENOSPC, EIO}) EXPECT_EQ(platform::ErrorText(error), std::strerror(error));
    EXPECT_EQ(platform::ErrorText(0), "unknown error");
    EXPECT_FALSE(platform::ErrorText(123456).empty());
}

}  // namespace
