// Nothing is allocated per line: the jobs of the cross-platform check run in
// this process, and after the first line of the page has come out, the
// halftoners (inline, engine, planar pool, screening), the line writers and
// the raster emitter with its layer spool files allocate nothing until the
// page closes. This program counts every allocation through its own
// operator new.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <new>
#include <string>
#include <vector>

#include "image.h"
#include "job/varn_prn.h"
#include "platform/dynamic_library.h"
#include "services/spool_writer.h"
#include "support/scratch_folder.h"
#include "ticket_store.h"
#include "ticket_text.h"

namespace {

std::atomic<bool> g_counting{false};
std::atomic<long> g_allocations{0};

void* Allocate(std::size_t size, std::size_t alignment = 0) {
    if (g_counting.load(std::memory_order_relaxed)) g_allocations.fetch_add(1, std::memory_order_relaxed);
    if (size == 0) size = 1;
    void* p = alignment > alignof(std::max_align_t) ? std::aligned_alloc(alignment, (size + alignment - 1) / alignment * alignment)
                                                    : std::malloc(size);
    return p;
}

// Out of line, so that the compiler does not pair a new with free().
__attribute__((noinline)) void Release(void* p) noexcept { std::free(p); }

}  // namespace

void* operator new(std::size_t size) {
    if (void* p = Allocate(size)) return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) {
    if (void* p = Allocate(size)) return p;
    throw std::bad_alloc();
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void* operator new(std::size_t size, std::align_val_t a) {
    if (void* p = Allocate(size, std::size_t(a))) return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size, std::align_val_t a) {
    if (void* p = Allocate(size, std::size_t(a))) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { Release(p); }
void operator delete[](void* p) noexcept { Release(p); }
void operator delete(void* p, std::size_t) noexcept { Release(p); }
void operator delete[](void* p, std::size_t) noexcept { Release(p); }
void operator delete(void* p, std::align_val_t) noexcept { Release(p); }
void operator delete[](void* p, std::align_val_t) noexcept { Release(p); }
void operator delete(void* p, std::size_t, std::align_val_t) noexcept { Release(p); }
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept { Release(p); }

namespace {

namespace fs = std::filesystem;

const fs::path kJobs = fs::path(KELMORA_SOURCE_ROOT) / ".ci" / "cross-platform";

// Counts the line records that reach the host.
int CountLines(void* lines, uint32_t tag, const uint8_t*, uint32_t) {
    if (tag == SPLTAG_DATA) ++*static_cast<int*>(lines);
    return 0;
}

struct LineJob {
    const char* job;  // folder of .ci/cross-platform
    int threads;      // "HalftoneThreadCount"
};

void PrintTo(const LineJob& job, std::ostream* os) { *os << job.job << ", thread count " << job.threads; }

class LineAllocations : public testing::TestWithParam<LineJob> {
protected:
    static void SetUpTestSuite() {
        platform::DynamicLibrary epl;
        ASSERT_TRUE(epl.LoadFile((fs::path(KELMORA_PLUGIN_PATH).parent_path() / "libepl.so").string())) << epl.Error();
        epl.KeepLoadedForProcess();
    }
};

TEST_P(LineAllocations, NoneAfterThePagesFirstLine) {
    const fs::path job = kJobs / GetParam().job;
    ScratchFolder folder;
    std::ofstream(folder.File("DaVav.ini")) << "[Special]\nHalftoneThreadCount=" << GetParam().threads << "\n";
    std::string linearisation;
    for (const auto& file : fs::directory_iterator(job)) {
        if (file.path().extension() == ".lin") linearisation = file.path().string();
    }
    hostkit::TicketStore store(1);
    hostkit::LoadTicketFile((job / "ticket.txt").string(), store);
    prnhost::Image image;
    std::string error;
    ASSERT_TRUE(prnhost::ReadImage((job / "image.pam").string(), image, error)) << error;
    hostkit::ReadTicketText("[system]\nSystem/InstallFolder = \"" + folder.Path() + "\"\nSystem/Folders/Temp = \"" +
                                folder.Path() + "\"\n[job]\nOutput/Prn/Linearization/BPLPath = \"" + linearisation +
                                "\"\nProcess/OutWidthPixel = " + std::to_string(image.width) +
                                "\nProcess/OutHeightPixel = " + std::to_string(image.height) +
                                "\nProcess/Components = " + std::to_string(image.channels) + "\n",
                            store);
    std::unique_ptr<CVarnPrn> printJob = CVarnPrn::Create(store.ticket(), 1, nullptr);
    ASSERT_TRUE(printJob);
    int linesOut = 0;
    ASSERT_EQ(printJob->OpenJob(&CountLines, &linesOut), 0);
    ASSERT_EQ(printJob->OpenPage(), 0);
    const size_t rowBytes = image.RowBytes();
    std::vector<uint8_t> line((rowBytes + 31) / 32 * 32, 0);
    long perLine = 0;
    for (int y = 0; y < image.height; ++y) {
        std::copy_n(image.pixels.begin() + ptrdiff_t(size_t(y) * rowBytes), rowBytes, line.begin());
        g_allocations = 0;
        // From the line after the page's first line came out: the engine
        // brings it out with the third input line; a layered page spools
        // every line from the first.
        g_counting = linesOut > 0 || y > 2;
        const int r = printJob->WriteLine(line.data());
        g_counting = false;
        ASSERT_EQ(r, 0) << "line " << y;
        perLine += g_allocations;
        EXPECT_EQ(g_allocations, 0) << "line " << y;
        if (g_allocations != 0) break;
    }
    EXPECT_EQ(printJob->ClosePage(), 0);
    EXPECT_EQ(printJob->CloseJob(), 0);
    EXPECT_EQ(perLine, 0);
}

INSTANTIATE_TEST_SUITE_P(EveryFamily, LineAllocations,
                         testing::Values(LineJob{"jv33", 0}, LineJob{"jv33", 4}, LineJob{"jv33-screening", 0},
                                         LineJob{"jv3", 0}, LineJob{"jv4-artwork", 4}, LineJob{"ts300p", 0},
                                         LineJob{"ts300p-bmykbm", 4}, LineJob{"tx500", 0}, LineJob{"ts500", 4},
                                         LineJob{"jfx200-cmyk", 0}, LineJob{"jfx200-spot", 4},
                                         LineJob{"jfx500-clear", 4}, LineJob{"jv300-cmyk", 0},
                                         LineJob{"jv300-white", 4}, LineJob{"jv400", 0}, LineJob{"jv400-white", 4},
                                         LineJob{"jv5", 0}, LineJob{"jv5", 4}, LineJob{"jv5-screening", 0},
                                         LineJob{"ricoh-pro", 4}, LineJob{"ujf-605-spooled", 0},
                                         LineJob{"ujf-605-two-layers", 4}, LineJob{"ujf-x042", 4}),
                         [](const testing::TestParamInfo<LineJob>& row) {
                             std::string name = std::string(row.param.job) + "_" + std::to_string(row.param.threads);
                             for (char& c : name) c = c == '-' ? '_' : c;
                             return name;
                         });

}  // namespace
