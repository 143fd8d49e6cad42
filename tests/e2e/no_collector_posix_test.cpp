// A job through the built plug-in with no log collector running.
#include <sys/resource.h>

#include "e2e_support.h"

namespace {

double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// With no log collector, a job does not wait for one: the logger's handshake
// pauses are all the time it spends beyond its own work (polling for the
// collector costs seconds).
TEST(NoCollector, AJobDoesNotWaitForOne) {
    ScratchFolder noCollector(true);
    e2e::Host host{KELMORA_E2E_PLUGIN_PATH};
    ASSERT_TRUE(host.loaded);
    host.Ticket(e2e::FamilyJob(kE2EPlain, 64, 200) + "[system]\nDebug/Level = 3\n");
    const auto start = std::chrono::steady_clock::now();
    const double cpu = CpuSeconds();
    ASSERT_EQ(host.CreateContext(), 0);
    ASSERT_EQ(host.OpenJob(), 0);
    ASSERT_EQ(host.OpenPage(), 0);
    for (int y = 0; y < 200; ++y) ASSERT_EQ(host.WriteLine(e2e::PatternLine(64, y)), 0);
    ASSERT_EQ(host.ClosePage(), 0);
    ASSERT_EQ(host.CloseJob(), 0);
    host.Terminate();
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_LT(wall - (CpuSeconds() - cpu), 1.0) << wall << " s wall";
}

}  // namespace
