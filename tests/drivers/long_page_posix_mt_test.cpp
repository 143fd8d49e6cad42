// A long page keeps to the memory of a short one: the JV33 inline and through
// the multi-threaded engine, the JV300 (planar halftoning, three dot sizes)
// inline and on a pool. The peak resident size (VmHWM, reset through
// /proc/self/clear_refs) of a page ten times as long stays within 1 MB, and
// every line sent is printed.
// Sanitizer builds keep freed memory aside, so they skip the comparison.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "drivers/family_test_support.h"
#include "prndump/line_counter.h"
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

// Counts the lines the job prints and keeps nothing of them.
struct CountingWriter {
    prndecode::LineCounter lines;
    static int Write(void* context, uint32_t tag, const uint8_t* data, uint32_t size) {
        static_cast<CountingWriter*>(context)->lines.Record(tag, data, size);
        return 0;
    }
};

const std::string kJV33 = FamilyJobTicket(700, 720, 720, 2, 8);
const std::string kJV300 = FamilyJobTicket(7015, 720, 720, 4, 7272080);  // routine 118, three dot sizes

class LongPage : public FamilyTest {
protected:
    // Prints one page of `lines` lines; the peak resident kilobytes of the page.
    long PagePeak(const std::string& ticket, int lines, bool engine) {
        CountingWriter counter;
        CVarnPrn& j = OpenTicket(ticket + ExampleLinearisation() +
                                 "Process/OutWidthPixel = " + std::to_string(kWidth) + "\n" +
                                 "Process/OutHeightPixel = " + std::to_string(lines) + "\n");
        j.m_bTicketRead = 1;
        j.m_iHalftoneThreadCount = engine ? -1 : 0;
        testsupport::ProcessorOverride cap(engine ? 4 : 1);
        std::vector<uint8_t> hostLine((size_t(kWidth) * 4 + 31) / 32 * 32, 0);
        if (!ResetPeak()) return -1;
        EXPECT_EQ(j.OpenJob(&CountingWriter::Write, &counter), 0);
        j.m_iLineCount = 0;
        EXPECT_EQ(j.OpenPage(), 0);
        for (int y = 0; y < lines; ++y) {
            for (size_t i = 0; i < hostLine.size(); ++i) hostLine[i] = uint8_t(i * 37 + size_t(y) * 11);
            EXPECT_EQ(j.WriteLine(hostLine.data()), 0);
        }
        EXPECT_EQ(j.ClosePage(), 0);
        EXPECT_EQ(j.CloseJob(), 0);
        job.reset();
        EXPECT_EQ(counter.lines.Lines(), lines) << counter.lines.Error();
        EXPECT_EQ(counter.lines.Pages(), 1);
        return PeakKb();
    }

    void ExpectNoGrowth(const std::string& ticket) {
        for (const bool engine : {false, true}) {
            PagePeak(ticket, 100, engine);  // warms the allocator and the pools
            const long shortPage = PagePeak(ticket, 1000, engine);
            const long longPage = PagePeak(ticket, 10000, engine);
            if (shortPage < 0 || longPage < 0) GTEST_SKIP() << "no peak resident size to read";
            EXPECT_LE(longPage, shortPage + 1024) << (engine ? "threaded" : "inline") << ": " << shortPage
                                                  << " kB, then " << longPage << " kB";
            std::printf("%s: peak %ld kB at 1000 lines, %ld kB at 10000 lines\n", engine ? "threaded" : "inline",
                        shortPage, longPage);
        }
    }
};

}  // namespace

TEST_F(LongPage, PeakMemoryOfAJv33PageDoesNotGrowWithItsLength) {
#ifdef KELMORA_SANITIZED
    GTEST_SKIP() << "sanitizers hold freed memory";
#endif
    ExpectNoGrowth(kJV33);
}

TEST_F(LongPage, PeakMemoryOfAJv300PageDoesNotGrowWithItsLength) {
#ifdef KELMORA_SANITIZED
    GTEST_SKIP() << "sanitizers hold freed memory";
#endif
    ExpectNoGrowth(kJV300);
}
