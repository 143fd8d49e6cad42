// A long JV33 page keeps to the memory of a short one, inline and through the
// multi-threaded engine: the peak resident size (VmHWM, reset through
// /proc/self/clear_refs) of a page ten times as long stays within 1 MB.
// Sanitizer builds keep freed memory aside, so they skip the comparison.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "drivers/family_test_support.h"
#include "support/processor_override.h"

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define KELMORA_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define KELMORA_SANITIZED 1
#endif
#endif

namespace {

constexpr int kWidth = 1000;

// Peak resident kilobytes since the last reset; -1 where the system does not say.
long PeakKb() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0) return std::stol(line.substr(6));
    }
    return -1;
}
bool ResetPeak() { return bool(std::ofstream("/proc/self/clear_refs") << "5"); }

// Counts what the job writes and keeps nothing of it.
struct CountingWriter {
    uint64_t bytes = 0;
    static int Write(void* context, uint32_t, const uint8_t*, uint32_t size) {
        static_cast<CountingWriter*>(context)->bytes += size;
        return 0;
    }
};

class LongPage : public FamilyTest {
protected:
    // Prints one page of `lines` lines; the peak resident kilobytes of the page.
    long PagePeak(int lines, bool engine) {
        CountingWriter counter;
        CVarnPrn& j = OpenTicket(FamilyJobTicket(700, 720, 720, 2, 8) + ExampleLinearisation() +
                                 "Process/OutWidthPixel = " + std::to_string(kWidth) + "\n" +
                                 "Process/OutHeightPixel = " + std::to_string(lines) + "\n");
        j.m_bTicketRead = 1;
        j.m_iHalftoneThreadCount = engine ? -1 : 0;
        testsupport::ProcessorOverride cap(engine ? 4 : 1);
        std::vector<uint8_t> line((size_t(kWidth) * 4 + 31) / 32 * 32, 0);
        if (!ResetPeak()) return -1;
        EXPECT_EQ(j.OpenJob(&CountingWriter::Write, &counter), 0);
        j.m_iLineCount = 0;
        EXPECT_EQ(j.OpenPage(), 0);
        for (int y = 0; y < lines; ++y) {
            for (size_t i = 0; i < line.size(); ++i) line[i] = uint8_t(i * 37 + size_t(y) * 11);
            EXPECT_EQ(j.WriteLine(line.data()), 0);
        }
        EXPECT_EQ(j.ClosePage(), 0);
        EXPECT_EQ(j.CloseJob(), 0);
        job.reset();
        EXPECT_GT(counter.bytes, uint64_t(lines) * 4);
        return PeakKb();
    }
};

}  // namespace

TEST_F(LongPage, PeakMemoryOfAJv33PageDoesNotGrowWithItsLength) {
#ifdef KELMORA_SANITIZED
    GTEST_SKIP() << "sanitizers hold freed memory";
#endif
    for (const bool engine : {false, true}) {
        PagePeak(100, engine);  // warms the allocator and the pools
        const long shortPage = PagePeak(1000, engine);
        const long longPage = PagePeak(10000, engine);
        if (shortPage < 0 || longPage < 0) GTEST_SKIP() << "no peak resident size to read";
        EXPECT_LE(longPage, shortPage + 1024) << (engine ? "engine" : "inline") << ": " << shortPage << " kB, then "
                                              << longPage << " kB";
        std::printf("%s: peak %ld kB at 1000 lines, %ld kB at 10000 lines\n", engine ? "engine" : "inline", shortPage,
                    longPage);
    }
}
