#include "halftone/error_diffusion.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <vector>

#include "error_diffusion_test_util.h"
#include "halftone/error_diffusion_lanes.h"

using namespace edtest;

namespace {

// One channel line through a kernel, values by image column, with the given
// random table; returns the packed bytes.
struct KernelRun {
    std::vector<uint8_t> random = std::vector<uint8_t>(kRandomTableSize, 4);  // column 4: no noise
    std::vector<std::vector<int32_t>> lines;
    std::vector<uint16_t> tables[3];
    uint16_t index = 0;

    explicit KernelRun(int width) : lines(3, std::vector<int32_t>(width + 2, 0)) {
        for (auto& t : tables) t.assign(4096, 0);
    }
    HalftoneTask Task(const std::vector<int32_t>& values, std::vector<uint8_t>& out, bool rtl, bool third, int bits) {
        const int width = static_cast<int>(values.size());
        const int first = rtl ? width - 1 : 0;
        HalftoneTask task{};
        task.converted = &values[first];
        task.stride = rtl ? -1 : 1;
        task.width = width;
        task.thirdSplit = third;
        task.out = &out[first * bits / 8];
        task.direction = rtl ? -1 : 1;
        for (int s = 0; s < 3; ++s) {
            task.errorLine[s] = &lines[s][first + 1];
            task.dotSizeTable[s] = tables[s].data();
        }
        task.randomIndex = index;
        task.noise = &Tables().noise;
        task.random = random.data();
        return task;
    }
    std::vector<uint8_t> Run(int (*kernel)(HalftoneTask*), const std::vector<int32_t>& values, bool rtl,
                             bool third = false, int bits = 1) {
        std::vector<uint8_t> out((values.size() * bits + 7) / 8, 0);
        HalftoneTask task = Task(values, out, rtl, third, bits);
        EXPECT_EQ(kernel(&task), 0);
        index = task.randomIndex;
        return out;
    }
};

using Cells = std::vector<int32_t>;

// Lines worked by hand. "fire" is the error line of four pixels of 3000
// without noise (random column 4): S = 3000, 2452, 2178 fire, 2041 does not;
// negative sums are halved and quartered toward minus infinity.
const Cells kFire{-273, -684, -889, 31, 510, 0};
const Cells kIdle(6, 0);

struct HandCase {
    const char* what;
    int (*kernel)(HalftoneTask*);
    std::vector<int32_t> values;
    bool rtl, third;
    std::array<uint16_t, 3> tableLevel;  // every entry of dot-size table s
    uint8_t randomFill;
    std::vector<std::pair<int, uint8_t>> randomAt;
    std::vector<uint8_t> out;
    std::vector<Cells> lines;  // error lines of streams 0, 1, ... after the line
    uint16_t index;
    std::pair<int, int32_t> presetCell = {0, 0};  // stream 0's cell left by the line before
};

TEST(ErrorDiffusionKernel, HandWorkedLines) {
    const std::vector<int32_t> fire(4, 3000);
    const HandCase cases[] = {
        {"shifts round down", HalftoneLineSE1, fire, false, false, {}, 4, {}, {0xE0}, {kFire}, 4},
        {"right to left mirrors the cells, margin included", HalftoneLineSE1, fire, true, false, {}, 4, {},
         {0x70}, {{0, 510, 31, -889, -684, -273}}, 4},
        // S = 3000 -> -1095, 2270 -> -1825, 1784 (no dot), 4189 (dot, error dropped).
        {"third split truncates; sums above 4095 drop their error", HalftoneLineSE1, fire, false, true, {}, 4, {},
         {0xD0}, {{-183, -487, -6, 297, 0, 0}}, 4},
        {"2047 is no dot", HalftoneLineSE1, {2047}, false, false, {}, 4, {}, {0x00}, {{513, 511, 0}}, 1},
        {"2048 is a dot", HalftoneLineSE1, {2048}, false, false, {}, 4, {}, {0x80}, {{-511, -512, 0}}, 1},
        // Level 40 (divisor 4, noise -40 at random 0); the aid of pixel 1 takes
        // random entry 3 (2) off that pixel's cell: 8 levels + aids at 1, 3, 5, 7.
        {"highlight aid", HalftoneLineSE1, std::vector<int32_t>(8, 40), false, false, {}, 0, {{3, 2}}, {0x00},
         {{10, 182, 174, 258, 269, 273, 274, 275, 197, 0}}, 12},
        // Pixel 1: S = 100, counter 0 -> 1; pixel 2: S = 50 + (2047 - 50) / 3.
        {"level 0 takes no random value but gets the aid on carried error", HalftoneLineSE1, {0, 0, 0, 0}, false,
         false, {}, 0, {}, {0x00}, {{0, 25, 205, 268, 89, 0}}, 0, {2, 100}},
        {"two sizes both firing: code 2, and stream 0 takes its error; no third split", HalftoneLineVDS2, fire,
         false, true, {3000, 3000, 0}, 4, {}, {0xA8}, {kFire, kFire}, 8},
        {"two sizes, small only", HalftoneLineVDS2, fire, false, false, {3000, 0, 0}, 4, {}, {0x54}, {kFire, kIdle}, 4},
        {"three sizes, large only", HalftoneLineVDS3, fire, false, false, {0, 0, 3000}, 4, {}, {0xFC},
         {kIdle, kIdle, kFire}, 4},
        {"three sizes, all firing: code 3", HalftoneLineVDS3, fire, false, false, {3000, 3000, 3000}, 4, {}, {0xFC},
         {kFire, kFire, kFire}, 12},
        {"three sizes, small and medium: code 2", HalftoneLineVDS3, fire, false, false, {3000, 3000, 0}, 4, {},
         {0xA8}, {kFire, kFire, kIdle}, 8},
    };
    for (const HandCase& c : cases) {
        SCOPED_TRACE(c.what);
        KernelRun run(static_cast<int>(c.values.size()));
        std::fill(run.random.begin(), run.random.end(), c.randomFill);
        for (const auto& at : c.randomAt) run.random[at.first] = at.second;
        for (int s = 0; s < 3; ++s) run.tables[s].assign(4096, c.tableLevel[s]);
        run.lines[0][c.presetCell.first] = c.presetCell.second;
        const int bits = c.kernel == HalftoneLineSE1 ? 1 : 2;
        EXPECT_EQ(run.Run(c.kernel, c.values, c.rtl, c.third, bits), c.out);
        for (size_t s = 0; s < c.lines.size(); ++s) EXPECT_EQ(run.lines[s], c.lines[s]) << "stream " << s;
        EXPECT_EQ(run.index, c.index);
    }
}

TEST(ErrorDiffusionKernel, ClampsValuesAndTableLevelsTo12Bits) {
    KernelRun clamped(6), plain(6);
    clamped.tables[0].assign(4096, 65535);
    plain.tables[0].assign(4096, 4095);
    const std::vector<int32_t> wild{-900, 5000, 70000, 4095, -1, 2100};
    const std::vector<int32_t> tame{0, 4095, 4095, 4095, 0, 2100};
    EXPECT_EQ(clamped.Run(HalftoneLineSE1, wild, false), plain.Run(HalftoneLineSE1, tame, false));
    EXPECT_EQ(clamped.Run(HalftoneLineVDS2, wild, true, false, 2), plain.Run(HalftoneLineVDS2, wild, true, false, 2));
    EXPECT_EQ(clamped.lines, plain.lines);
}

// The levels the engine's conversion hands each channel: every channel
// count, widths on and off the 8 pixels a step, rows that start on 16 bytes
// and rows that do not, values far outside 12 bits.
TEST(ErrorDiffusionKernel, ChannelLevelsAreTheValuesOfEachChannelClamped) {
    const int32_t wild[] = {-2147483647 - 1, -70000, -1, 0, 1, 2047, 4095, 4096, 32767, 32768, 70000, 2147483647};
    uint32_t seed = 7;
    for (int32_t channels : {1, 3, 4, 6, 8}) {
        for (int32_t count : {1, 7, 8, 9, 16, 37, 64}) {
            for (size_t shift : {0, 1}) {
                SCOPED_TRACE(testing::Message() << channels << " channels, " << count << " pixels, shift " << shift);
                std::vector<int32_t> values(static_cast<size_t>(channels * count));
                for (int32_t& v : values) {
                    seed = seed * 1664525u + 1013904223u;
                    v = seed % 3 == 0 ? wild[(seed >> 8) % 12] : static_cast<int32_t>((seed >> 8) % 4200) - 50;
                }
                const size_t stride = static_cast<size_t>(count) + 8 + shift;
                std::vector<uint16_t> storage(stride * channels + 16, 0xABCD);
                uint16_t* levels = storage.data() + shift;
                SplitChannelLevels(values.data(), channels, count, levels, stride);
                for (int32_t c = 0; c < channels; ++c) {
                    for (int32_t x = 0; x < count; ++x)
                        ASSERT_EQ(levels[c * stride + x], std::clamp(values[x * channels + c], 0, 4095)) << c << " " << x;
                    for (size_t x = count; x < stride; ++x) ASSERT_EQ(levels[c * stride + x], 0xABCD);  // past the span
                }
            }
        }
    }
}

TEST(ErrorDiffusionKernel, RefusesTasksItCannotRun) {
    KernelRun run(4);
    const std::vector<int32_t> values(4, 100);
    std::vector<uint8_t> out(1);
    HalftoneTask task = run.Task(values, out, false, false, 1);
    EXPECT_EQ(HalftoneLineSE1(nullptr), kKernelBadTask);
    EXPECT_EQ(HalftoneLineSE1(&task), 0);
    task.dotSizeTable[1] = nullptr;
    EXPECT_EQ(HalftoneLineSE1(&task), 0);  // one dot size needs no tables
    EXPECT_EQ(HalftoneLineVDS3(&task), kKernelBadTask);
    for (auto spoil : {+[](HalftoneTask& t) { t.direction = 0; }, +[](HalftoneTask& t) { t.width = 0; },
                       +[](HalftoneTask& t) { t.noise = nullptr; }, +[](HalftoneTask& t) { t.errorLine[0] = nullptr; }}) {
        HalftoneTask bad = task;
        spoil(bad);
        EXPECT_EQ(HalftoneLineSE1(&bad), kKernelBadTask);
    }
}

// ---------------------------------------------------------------------------
// The inline line step.

struct Job {
    ErrorDiffusion ed;
    TestDotTables dots;
    std::vector<uint8_t> out;
    Job(int32_t routine, int width, int scale = 1, int resX = 720, int resY = 720) {
        EXPECT_EQ(ed.InitJob(*FindDiffusionRoutine(routine), width, scale, resX, resY, 4), kDiffusionOk);
        EXPECT_EQ(ed.SetTables(&Tables().noise, Tables().random.get(), dots.pointers), kDiffusionOk);
        ed.InitPage();
        out.resize(ed.OutLineBytes());
    }
    int32_t Line(const std::vector<uint8_t>& input, DiffusionPixelConverter convert = ScaleConverter) {
        return ed.HalftoneLine(input.data(), input.size(), out.data(), out.size(), convert, nullptr);
    }
};

std::vector<const uint8_t*> g_converted;  // pixels handed to RecordingConverter, in order
const uint8_t* g_fullPixels[2];           // pixels it turns into 4095 on every channel

void RecordingConverter(CHalftone*, const uint8_t* pixel, int32_t* converted) {
    g_converted.push_back(pixel);
    const bool full = pixel == g_fullPixels[0] || pixel == g_fullPixels[1];
    converted[0] = full ? 4095 : 0;
}

TEST(ErrorDiffusionLine, SerpentineGroupsScaledPixelsFromTheScanStartAndNeverReadsBeforeTheLine) {
    // 13 pixels pad to 16; a scale of 3 leaves a partial group of one pixel.
    Job job(109, 13, 3);
    ASSERT_EQ(job.ed.InputBytesNeeded(), 6u * 4);
    std::vector<uint8_t> input(job.ed.InputBytesNeeded(), 0);
    g_fullPixels[0] = &input[0];
    g_fullPixels[1] = &input[4 * 4];
    auto pixels = [&] {
        std::vector<long> index;
        for (const uint8_t* p : g_converted) index.push_back((p - input.data()) / 4);
        g_converted.clear();
        return index;
    };

    // Left to right: pixels 0 to 5, pixel 0 serves x 0-2 and pixel 4 x 12-14.
    ASSERT_EQ(job.Line(input, RecordingConverter), kDiffusionOk);
    EXPECT_EQ(pixels(), (std::vector<long>{0, 1, 2, 3, 4, 5}));
    EXPECT_EQ(job.out[0], 0xE0);
    EXPECT_EQ(job.out[1], 0x0E);

    // Right to left: groups start at x 15, so pixel 4 serves x 13-15 and the
    // last, partial group (x 0) repeats pixel 0.
    ASSERT_EQ(job.Line(input, RecordingConverter), kDiffusionOk);
    EXPECT_EQ(pixels(), (std::vector<long>{4, 3, 2, 1, 0, 0}));
    EXPECT_EQ(job.out[0], 0xF0);
    EXPECT_EQ(job.out[1], 0x07);

    ASSERT_EQ(job.Line(input, RecordingConverter), kDiffusionOk);
    EXPECT_EQ(pixels().front(), 0);
    ASSERT_EQ(job.Line(input, RecordingConverter), kDiffusionOk);
    EXPECT_EQ(pixels().front(), 4);
    // A new page starts left to right again.
    job.ed.InitPage();
    ASSERT_EQ(job.Line(input, RecordingConverter), kDiffusionOk);
    EXPECT_EQ(pixels().front(), 0);
    // The other channels stay 0: nothing in them.
    EXPECT_TRUE(std::all_of(job.out.begin() + 2, job.out.end(), [](uint8_t b) { return b == 0; }));
}

TEST(ErrorDiffusionLine, PagesAreDeterministicAndEachPageRestartsTheRandomIndex) {
    for (int32_t routine : {103, 108, 109}) {
        Job job(routine, 300, 2, 1440, 720);
        const auto page = SyntheticPage(152, 12, 4, 3);
        auto run = [&] {
            std::vector<std::vector<uint8_t>> out;
            for (const auto& line : page) {
                EXPECT_EQ(job.Line(line), kDiffusionOk);
                out.push_back(job.out);
            }
            return out;
        };
        const auto first = run();
        EXPECT_NE(job.ed.m_nRandomIndex, 0);
        const auto continued = run();  // no new page: errors and index run on
        job.ed.InitPage();
        EXPECT_EQ(job.ed.m_nRandomIndex, 0);
        EXPECT_EQ(run(), first) << routine;
        EXPECT_NE(continued, first) << routine;
    }
}

void FlatConverter(CHalftone*, const uint8_t* pixel, int32_t* converted) {
    for (int c = 0; c < 8; ++c) converted[c] = pixel[0] ? 4095 : 0;
}

TEST(ErrorDiffusionLine, ZeroLinesStayEmptyAndFullLinesFillWithTheLargestDot) {
    for (const DiffusionRoutine& routine : kDiffusionRoutines) {
        Job job(routine.number, 45, 1, 1440, 720);
        const std::vector<uint8_t> zero(job.ed.InputBytesNeeded(), 0), full(job.ed.InputBytesNeeded(), 1);
        for (int y = 0; y < 4; ++y) {
            ASSERT_EQ(job.Line(zero, FlatConverter), kDiffusionOk);
            EXPECT_TRUE(std::all_of(job.out.begin(), job.out.end(), [](uint8_t b) { return b == 0; }));
        }
        EXPECT_EQ(job.ed.m_nRandomIndex, 0);
        // One dot size: every bit; two: the medium dot (code 2); three: the large (code 3).
        const uint8_t expected = routine.streams == 2 ? 0xAA : 0xFF;
        for (int y = 0; y < 4; ++y) {
            ASSERT_EQ(job.Line(full, FlatConverter), kDiffusionOk);
            EXPECT_TRUE(std::all_of(job.out.begin(), job.out.end(), [&](uint8_t b) { return b == expected; }))
                << routine.name << " line " << y;
        }
    }
}

// Channel 0 takes a 12-bit level from the first two input bytes.
void LevelConverter(CHalftone*, const uint8_t* pixel, int32_t* converted) {
    converted[0] = pixel[0] | pixel[1] << 8;
}

// Share of pixels in a block of the page whose code in channel 0 is `code`.
struct Coverage {
    double page = 0, lowestBlock = 1, highestBlock = 0;
};
Coverage MeasureCoverage(int32_t routine, int level, int code, const uint16_t* const tables[3]) {
    constexpr int kWidth = 512, kLines = 512, kBlock = 64;
    ErrorDiffusion ed;
    EXPECT_EQ(ed.InitJob(*FindDiffusionRoutine(routine), kWidth, 1, 720, 720, 4), kDiffusionOk);
    EXPECT_EQ(ed.SetTables(&Tables().noise, Tables().random.get(), tables), kDiffusionOk);
    ed.InitPage();
    std::vector<uint8_t> input(ed.InputBytesNeeded(), 0), out(ed.OutLineBytes());
    for (size_t i = 0; i < input.size(); i += 4) {
        input[i] = static_cast<uint8_t>(level & 0xFF);
        input[i + 1] = static_cast<uint8_t>(level >> 8);
    }
    const int bits = FindDiffusionRoutine(routine)->bitsPerPixel;
    std::vector<int> blocks((kWidth / kBlock) * (kLines / kBlock), 0);
    for (int y = 0; y < kLines; ++y) {
        EXPECT_EQ(ed.HalftoneLine(input.data(), input.size(), out.data(), out.size(), LevelConverter, nullptr),
                  kDiffusionOk);
        for (int x = 0; x < kWidth; ++x) {
            const int shift = 8 - bits - (x % (8 / bits)) * bits;
            const int value = (out[x * bits / 8] >> shift) & ((1 << bits) - 1);
            if (value == code) ++blocks[(y / kBlock) * (kWidth / kBlock) + x / kBlock];
        }
    }
    Coverage result;
    for (int count : blocks) {
        const double share = static_cast<double>(count) / (kBlock * kBlock);
        result.page += share / blocks.size();
        result.lowestBlock = std::min(result.lowestBlock, share);
        result.highestBlock = std::max(result.highestBlock, share);
    }
    return result;
}

TEST(ErrorDiffusionLine, FlatTintsCoverTheirShareEvenlyOnEveryStream) {
    // Each stream on its own: its table is the identity, the others are 0.
    std::vector<uint16_t> identity(4096), zero(4096, 0);
    for (int v = 0; v < 4096; ++v) identity[v] = static_cast<uint16_t>(v);
    const struct {
        int32_t routine;
        int stream;
        int code;
    } cases[] = {{109, 0, 1}, {106, 0, 1}, {106, 1, 2}, {103, 0, 1}, {103, 1, 2}, {103, 2, 3}};
    for (const auto& c : cases) {
        const uint16_t* tables[3] = {zero.data(), zero.data(), zero.data()};
        tables[c.stream] = identity.data();
        for (int level : {205, 1024, 2048, 3276, 3890}) {
            const Coverage coverage = MeasureCoverage(c.routine, level, c.code, tables);
            const double tint = level / 4095.0;
            SCOPED_TRACE(testing::Message() << c.routine << " stream " << c.stream << " level " << level);
            EXPECT_NEAR(coverage.page, tint, 0.0075);
            EXPECT_NEAR(coverage.lowestBlock, tint, 0.0125);
            EXPECT_NEAR(coverage.highestBlock, tint, 0.0125);
        }
    }
}

TEST(ErrorDiffusionLine, HighlightsGetDotsEverywhere) {
    // Below level 96 the aid adds error to lone pixels: coverage stays near
    // the tint and no 64 x 64 block is left empty or crowded.
    for (int level : {8, 40, 90}) {
        const Coverage coverage = MeasureCoverage(109, level, 1, nullptr);
        const double tint = level / 4095.0;
        EXPECT_NEAR(coverage.page, tint, 0.25 * tint) << level;
        EXPECT_GT(coverage.lowestBlock, 0.0) << level;
        EXPECT_LT(coverage.highestBlock, 2 * tint + 0.003) << level;
    }
}

TEST(ErrorDiffusionSetUp, BadGeometryMissingTablesAndShortLinesAreRefused) {
    const DiffusionRoutine& vds3 = *FindDiffusionRoutine(103);
    EXPECT_EQ(FindDiffusionRoutine(107), nullptr);
    ErrorDiffusion ed;
    EXPECT_EQ(ed.InitJob(vds3, 0, 1, 720, 720, 4), kDiffusionBadGeometry);
    EXPECT_EQ(ed.InitJob(vds3, 100, 0, 720, 720, 4), kDiffusionBadGeometry);
    EXPECT_EQ(ed.InitJob(vds3, 100, 1, 720, 720, 0), kDiffusionBadGeometry);
    EXPECT_EQ(ed.InitJob(vds3, 0x7FFFFFFF, 1, 720, 720, 4), kDiffusionBadGeometry);
    std::vector<uint8_t> input(1024, 0), out(1024, 0xEE);
    auto line = [&](size_t inBytes, size_t outBytes, const uint8_t* in = nullptr,
                    DiffusionPixelConverter convert = ScaleConverter) {
        return ed.HalftoneLine(in ? in : input.data(), inBytes, out.data(), outBytes, convert, nullptr);
    };
    EXPECT_EQ(line(input.size(), out.size()), kDiffusionBadLine);  // no job

    ASSERT_EQ(ed.InitJob(vds3, 100, 1, 720, 720, 4), kDiffusionOk);
    EXPECT_EQ(ed.PaddedWidth(), 104);
    EXPECT_EQ(ed.BytesPerChannel(), 26);
    EXPECT_EQ(ErrorDiffusion::BytesPerChannelFor(*FindDiffusionRoutine(109), 100), 13);
    EXPECT_EQ(ErrorDiffusion::BytesPerChannelFor(vds3, 0), 0);
    const TestDotTables dots;
    const uint16_t* twoTables[3] = {dots.pointers[0], dots.pointers[1], nullptr};
    EXPECT_EQ(ed.SetTables(nullptr, Tables().random.get(), dots.pointers), kDiffusionMissingTables);
    EXPECT_EQ(ed.SetTables(&Tables().noise, Tables().random.get(), twoTables), kDiffusionMissingTables);
    EXPECT_EQ(line(input.size(), out.size()), kDiffusionBadLine);  // no tables
    ASSERT_EQ(ed.SetTables(&Tables().noise, Tables().random.get(), dots.pointers), kDiffusionOk);

    const size_t need = ed.InputBytesNeeded();
    EXPECT_EQ(line(need - 1, out.size()), kDiffusionBadLine);
    EXPECT_EQ(line(need, ed.OutLineBytes() - 1), kDiffusionBadLine);
    EXPECT_EQ(line(need, out.size(), input.data(), nullptr), kDiffusionBadLine);
    EXPECT_EQ(out[0], 0xEE);  // refused lines write nothing and keep the direction
    EXPECT_EQ(ed.m_bReverseLine, 0);
    EXPECT_EQ(line(need, out.size()), kDiffusionOk);
    EXPECT_EQ(out[0], 0);

    // One bit per pixel needs no dot-size tables.
    ErrorDiffusion se1;
    ASSERT_EQ(se1.InitJob(*FindDiffusionRoutine(111), 9, 1, 720, 720, 6), kDiffusionOk);
    EXPECT_EQ(se1.SetTables(&Tables().noise, Tables().random.get(), nullptr), kDiffusionOk);
    EXPECT_EQ(se1.OutLineBytes(), 16u);
    EXPECT_EQ(se1.InputBytesNeeded(), 16u * 6);
}

}  // namespace
