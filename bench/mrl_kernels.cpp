// The printer language's per-line kernels on rows of a 1.6 m wide page at
// 720 dpi (45,354 pixels, two bits per pixel: 11,339 bytes per plane):
// PackBitsEncode and PackBitsCompressLine (with the trailing-zero trim) on
// halftoned rows and on all-zero planes, the "QD" raster emitter, and the
// JV33 line writer, each per line.
//
// Counters: mb_per_s (megabytes of input per second of processor time; the
// time columns give the time per line); the label is a hash of what one pass
// over the rows produced.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "base/byte_buffer.h"
#include "drivers/jv33_shared.h"
#include "drivers/mrl/mrl.h"
#include "drivers/mrl/mrl_page_buffer.h"
#include "drivers/mrl/packbits.h"
#include "drivers/mrl/qd_emitter.h"
#include "job/varn_prn.h"
#include "photo_page.h"
#include "services/spool_writer.h"
#include "smoke.h"

namespace {

constexpr int kPixels = 45354;
constexpr size_t kPlaneBytes = (size_t(kPixels) * 2 + 7) / 8;
constexpr int kPlanes = 4;
constexpr int kRows = 16;

uint64_t Fnv(uint64_t hash, const uint8_t* bytes, size_t n) {
    for (size_t i = 0; i < n; ++i) hash = (hash ^ bytes[i]) * 1099511628211ull;
    return hash;
}
constexpr uint64_t kFnvStart = 1469598103934665603ull;

// Halftoned lines of four planes: the photo page's channels through a
// 4 x 4 ordered dither to two-bit dot codes (blank margins included).
const std::vector<std::vector<uint8_t>>& HalftonedLines() {
    static const auto lines = [] {
        static const int kOrder[16] = {0, 8, 2, 10, 12, 4, 14, 6, 3, 11, 1, 9, 15, 7, 13, 5};
        const auto page = bench::PhotoPage(kPixels, kRows);
        std::vector<std::vector<uint8_t>> out(kRows, std::vector<uint8_t>(kPlaneBytes * kPlanes, 0));
        for (int y = 0; y < kRows; ++y) {
            for (int c = 0; c < kPlanes; ++c) {
                uint8_t* plane = out[size_t(y)].data() + size_t(c) * kPlaneBytes;
                for (int x = 0; x < kPixels; ++x) {
                    const int v = page[size_t(y)][size_t(x) * 4 + size_t(c)] * 3 + kOrder[(y & 3) * 4 + (x & 3)] * 48;
                    const int code = v / 255 > 3 ? 3 : v / 255;
                    plane[size_t(x) / 4] |= uint8_t(code << (6 - 2 * (x & 3)));
                }
            }
        }
        return out;
    }();
    return lines;
}

void Rate(benchmark::State& state, size_t bytesPerIteration, uint64_t hash, uint64_t pinned) {
    state.counters["mb_per_s"] = benchmark::Counter(double(state.iterations()) * double(bytesPerIteration) / 1e6,
                                                    benchmark::Counter::kIsRate);
    bench::LabelHash(state, hash, pinned);
}

// One plane per iteration.
void Encode(benchmark::State& state) {
    const auto& lines = HalftonedLines();
    std::vector<uint8_t> out(PackBitsMaxSize(kPlaneBytes));
    uint64_t hash = kFnvStart;
    for (size_t i = 0; i < size_t(kRows) * kPlanes; ++i) {
        hash = Fnv(hash, out.data(), PackBitsEncode(out.data(), lines[i / kPlanes].data() + (i % kPlanes) * kPlaneBytes, kPlaneBytes));
    }
    size_t i = 0;
    for (auto _ : state) {
        const uint8_t* plane = lines[(i / kPlanes) % kRows].data() + (i % kPlanes) * kPlaneBytes;
        benchmark::DoNotOptimize(PackBitsEncode(out.data(), plane, kPlaneBytes));
        ++i;
    }
    Rate(state, kPlaneBytes, hash, 0x5336D26B6C267785ull);
}

// One plane per iteration, trimmed first: halftoned rows (range 0) or all-zero planes (range 1).
void CompressLine(benchmark::State& state) {
    const bool zero = state.range(0) == 1;
    const auto& lines = HalftonedLines();
    const std::vector<uint8_t> blank(kPlaneBytes, 0);
    ByteBuffer scratch;
    auto planeAt = [&](size_t i) {
        return zero ? blank.data() : lines[(i / kPlanes) % kRows].data() + (i % kPlanes) * kPlaneBytes;
    };
    auto compress = [&](const uint8_t* plane, size_t& n) {
        n = TrimmedPlaneLength(plane, kPlaneBytes);
        return n != 0 && PackBitsCompressLine(scratch, plane, n);
    };
    uint64_t hash = kFnvStart;
    for (size_t i = 0; i < size_t(kRows) * kPlanes; ++i) {
        size_t n = 0;
        hash = compress(planeAt(i), n) ? Fnv(hash, scratch.data(), scratch.size()) : Fnv(hash, planeAt(i), n);
    }
    size_t i = 0;
    for (auto _ : state) {
        size_t n = 0;
        benchmark::DoNotOptimize(compress(planeAt(i++), n));
    }
    Rate(state, kPlaneBytes, hash, zero ? 0x14650FB0739D0383ull : 0x5336D26B6C267785ull);
}

// Counts and hashes what the emitter writes.
struct NullWriter : ISPOOL_FILE_WRITER {
    uint64_t hash = kFnvStart;
    uint64_t records = 0;
    uint32_t Write(uint32_t, const uint8_t* data, uint64_t size) override {
        if (records++ < uint64_t(kRows)) hash = Fnv(hash, data, size_t(size));
        return 0;
    }
};

// One line of four planes per iteration through the "QD" emitter.
void Emitter(benchmark::State& state) {
    const auto& lines = HalftonedLines();
    NullWriter writer;
    MRL_QD_ImageData_Emitter emitter(MRL_QD_ImageData_Emitter::Flavour::V);
    emitter.SetColorCodes(std::vector<uint32_t>{2, 1, 4, 0});
    emitter.SetTwoBitsPerPixel(true);
    emitter.SetCompression(true);
    emitter.SetLineWidth(kPixels);
    emitter.AddLayer(&writer, "bench");
    emitter.AssignAllPlanesToLayer0();
    emitter.ReserveLineBuffer(PackBitsMaxSize(kPlaneBytes) * kPlanes + 256);
    for (int y = 0; y < 2 * kRows; ++y) emitter.EmitImageDataLine(lines[size_t(y) % kRows].data(), kPlaneBytes);
    size_t i = 0;
    for (auto _ : state) emitter.EmitImageDataLine(lines[i++ % kRows].data(), kPlaneBytes);
    Rate(state, kPlaneBytes * kPlanes, writer.hash, 0x82A7A0DAEBB4C705ull);
}

// The host's write callback of the line writer's job.
int NullHost(void* context, uint32_t, const uint8_t* data, uint32_t size) {
    auto* writer = static_cast<NullWriter*>(context);
    return int(writer->Write(0, data, size));
}

// One line of four planes per iteration through the JV33 line writer.
void Jv33LineWriter(benchmark::State& state) {
    auto lines = HalftonedLines();
    NullWriter writer;
    CVarnPrn job(nullptr, 1, nullptr);
    job.m_pfnWritePrnData = &NullHost;
    job.m_pWritePrnContext = &writer;
    job.m_iOutChannels = kPlanes;
    job.m_iBytesPerChannel = int32_t(kPlaneBytes);
    MrlPageBuffer* page = MrlPageBuffer::Attach(&job);
    page->m_bTwoBitsPerPixel = 1;
    for (size_t i = 0; i < size_t(2 * kRows); ++i) {
        job.m_pOutLine = lines[i % kRows].data();
        if (jv33::WriteLine(&job, "bench", false) != 0) return state.SkipWithError("line refused");
    }
    size_t i = 0;
    for (auto _ : state) {
        job.m_pOutLine = lines[i++ % kRows].data();
        if (jv33::WriteLine(&job, "bench", false) != 0) return state.SkipWithError("line refused");
    }
    MrlPageBuffer::Detach(&job);
    Rate(state, kPlaneBytes * kPlanes, writer.hash, 0x7615012F0CABBB15ull);
}

}  // namespace

BENCHMARK(Encode);
BENCHMARK(CompressLine)->ArgName("zero")->Arg(0)->Arg(1);
BENCHMARK(Emitter);
BENCHMARK(Jv33LineWriter);

BENCHMARK_MAIN();
