// The production line step and kernels against a plain reference written
// from the algorithm's text: one stream at a time, image columns explicit, no
// templates, no packing tricks. Any difference in a single output byte, error
// cell or random index fails.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "error_diffusion_test_util.h"
#include "halftone/error_diffusion.h"

using namespace edtest;

namespace {

struct RefStreamState {
    int carry = 0;
    int counter = 0;
};

// One stream at one pixel; x is the image column, rtl the scan direction.
bool RefStep(int level, int n, int x, bool rtl, std::vector<int32_t>& line, RefStreamState& st, uint16_t& index,
             bool third, const NoiseTable& noise, const uint8_t* random) {
    const int cur = x + 1;
    const int behind = rtl ? cur + 1 : cur - 1;
    const int next = rtl ? cur - 1 : cur + 1;
    int P = 0;
    int S = st.carry;
    if (level != 0) {
        index = static_cast<uint16_t>(index + 1);
        P = noise.value[level][random[index]];
        S = st.carry + level;
    }
    bool fired = false;
    if (S < 0) {
        S = 0;
    } else if (S > 2047) {
        fired = true;
        S = S <= 4095 ? S - 4095 : 0;
    }
    if (level < 96 && S > 0) {
        if (st.counter > static_cast<int8_t>(random[index])) {
            st.counter = 0;
            S = S + (2047 - S) / kHighlightDivisor[level / 16];
            if (n % 2 == 1) {
                index = static_cast<uint16_t>(index + 1);
                line[cur] -= random[index] * 32;
            }
        } else {
            st.counter = st.counter + 1;
        }
    } else {
        st.counter = 0;
    }
    int h, q;
    if (third) {
        h = (2 * S) / 3;  // C++ division truncates toward zero
        q = S / 6;
    } else {
        h = static_cast<int>(std::floor(S / 2.0));
        q = static_cast<int>(std::floor(S / 4.0));
    }
    if (S != 0) {
        line[behind] += S - q - h;
        line[cur] += q - P;
        st.carry = h + P + line[next];
    } else {
        st.carry = line[next];
    }
    line[next] = 0;
    return fired;
}

std::vector<int> StreamOrder(int streams) {
    if (streams == 3) return {1, 0, 2};
    if (streams == 2) return {1, 0};
    return {0};
}

int RefCode(int streams, const bool fired[3]) {
    if (streams == 1) return fired[0] ? 1 : 0;
    if (streams == 3 && fired[2]) return 3;
    if (fired[1]) return 2;
    return fired[0] ? 1 : 0;
}

void RefPut(std::vector<uint8_t>& out, size_t offset, int bits, int x, int code) {
    if (bits == 2)
        out[offset + x / 4] |= static_cast<uint8_t>(code << (6 - 2 * (x % 4)));
    else
        out[offset + x / 8] |= static_cast<uint8_t>(code << (7 - x % 8));
}

// The inline routine, straight from its description.
struct RefInline {
    const DiffusionRoutine& routine;
    int W, scale, bpp;
    bool third;
    const uint16_t* const* tables;
    std::vector<std::vector<int32_t>> lines;
    uint16_t index = 0;
    bool reverse = false;

    RefInline(const DiffusionRoutine& r, int imageWidth, int scaleX, int bytesPerPixel, bool thirdSplit,
              const uint16_t* const* dotTables)
        : routine(r), W((imageWidth + 7) / 8 * 8), scale(scaleX), bpp(bytesPerPixel), third(thirdSplit),
          tables(dotTables), lines(3 * r.channels, std::vector<int32_t>(W + 2, 0)) {}

    std::vector<uint8_t> Line(const std::vector<uint8_t>& input) {
        const int bits = routine.bitsPerPixel;
        const size_t bytesPerChannel = static_cast<size_t>(W) * bits / 8;
        std::vector<uint8_t> out(bytesPerChannel * routine.channels, 0);
        const bool rtl = reverse;
        reverse = !reverse;
        int pixel = rtl ? W / scale - 1 : 0;
        int32_t conv[8] = {0, 0, 0, 0, 0, 0, 0, 0};
        std::vector<RefStreamState> states(3 * routine.channels);
        for (int n = 0; n < W; ++n) {
            const int x = rtl ? W - 1 - n : n;
            if (scale == 1 || n % scale == 0) {
                ScaleConverter(nullptr, &input[static_cast<size_t>(std::max(pixel, 0)) * bpp], conv);
                pixel += rtl ? -1 : 1;
            }
            for (int c = 0; c < routine.channels; ++c) {
                const int v = std::min(std::max(conv[c], 0), 4095);
                bool fired[3] = {false, false, false};
                for (int s : StreamOrder(routine.streams)) {
                    const int level = routine.streams == 1 ? v : tables[s][v];
                    fired[s] = RefStep(level, n, x, rtl, lines[3 * c + s], states[3 * c + s], index, third,
                                       Tables().noise, Tables().random.get());
                }
                RefPut(out, c * bytesPerChannel, bits, x, RefCode(routine.streams, fired));
            }
        }
        return out;
    }
};

struct Geometry {
    int32_t routine;
    int imageWidth;
    int scaleX;
    int resolutionX;
    int resolutionY;
};

void PrintTo(const Geometry& g, std::ostream* os) {
    *os << "routine " << g.routine << ", width " << g.imageWidth << ", scale " << g.scaleX << ", "
        << g.resolutionX << "x" << g.resolutionY << " dpi";
}

class InlineAgainstReference : public ::testing::TestWithParam<Geometry> {};

TEST_P(InlineAgainstReference, PagesMatchByteForByte) {
    const Geometry g = GetParam();
    const DiffusionRoutine& routine = *FindDiffusionRoutine(g.routine);
    const TestDotTables dots;
    const int bpp = 4;
    const int inputPixels = ((g.imageWidth + 7) / 8 * 8 + g.scaleX - 1) / g.scaleX;

    // The vector-lane step where the processor has it, and the plain one.
    for (bool lanes : {true, false}) {
        ErrorDiffusion::AllowLanes(lanes);
        ErrorDiffusion ed;
        ASSERT_EQ(ed.InitJob(routine, g.imageWidth, g.scaleX, g.resolutionX, g.resolutionY, bpp), kDiffusionOk);
        ErrorDiffusion::AllowLanes(true);
        ASSERT_EQ(ed.SetTables(&Tables().noise, Tables().random.get(), dots.pointers), kDiffusionOk);
        std::vector<uint8_t> out(ed.OutLineBytes());

        for (int page = 0; page < 2; ++page) {
            ed.InitPage();
            RefInline ref(routine, g.imageWidth, g.scaleX, bpp, ed.ThirdSplit(), dots.pointers);
            const auto input = SyntheticPage(inputPixels, 7, bpp, 11 + page);
            for (size_t y = 0; y < input.size(); ++y) {
                ASSERT_EQ(ed.HalftoneLine(input[y].data(), input[y].size(), out.data(), out.size(), ScaleConverter,
                                          nullptr),
                          kDiffusionOk);
                ASSERT_EQ(out, ref.Line(input[y])) << "lanes " << ed.UsesLanes() << " page " << page << " line " << y;
                ASSERT_EQ(ed.m_nRandomIndex, ref.index);
            }
            for (int c = 0; c < routine.channels; ++c)
                for (int s = 0; s < routine.streams; ++s)
                    for (size_t cell = 0; cell < ed.ErrorLineCells(); ++cell)
                        ASSERT_EQ(ed.ErrorCell(c, s, cell), ref.lines[3 * c + s][cell])
                            << "lanes " << ed.UsesLanes() << " channel " << c << " stream " << s << " cell " << cell;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    AllRoutines, InlineAgainstReference,
    ::testing::Values(Geometry{103, 64, 1, 720, 720}, Geometry{103, 61, 3, 1440, 720}, Geometry{105, 37, 2, 1440, 720},
                      Geometry{105, 40, 1, 720, 720}, Geometry{106, 64, 1, 1440, 720}, Geometry{106, 45, 4, 720, 720},
                      Geometry{108, 50, 3, 720, 720}, Geometry{109, 64, 1, 720, 720}, Geometry{109, 29, 3, 1440, 720},
                      Geometry{111, 71, 2, 1440, 720}, Geometry{111, 16, 1, 720, 1440}));

// The channel kernel from its description: values by image column.
std::vector<uint8_t> RefKernel(int streams, int bits, const std::vector<int32_t>& values, bool rtl, bool third,
                               const uint16_t* const* tables, std::vector<std::vector<int32_t>>& lines,
                               uint16_t& index) {
    const int W = static_cast<int>(values.size());
    std::vector<uint8_t> out((W * bits + 7) / 8, 0);
    RefStreamState states[3];
    for (int n = 0; n < W; ++n) {
        const int x = rtl ? W - 1 - n : n;
        const int v = std::min(std::max(values[x], 0), 4095);
        bool fired[3] = {false, false, false};
        for (int s : StreamOrder(streams)) {
            const int level = streams == 1 ? v : tables[s][v];
            fired[s] = RefStep(level, n, x, rtl, lines[s], states[s], index, third, Tables().noise,
                               Tables().random.get());
        }
        RefPut(out, 0, bits, x, RefCode(streams, fired));
    }
    return out;
}

TEST(KernelsAgainstReference, LinesMatchInBothDirectionsAnyWidthAndAcrossTheIndexWrap) {
    const TestDotTables dots;
    uint32_t seed = 99;
    for (int kernel = 0; kernel < 3; ++kernel) {
        const int streams = kernel == 0 ? 1 : kernel == 1 ? 2 : 3;
        const int bits = streams == 1 ? 1 : 2;
        auto run = kernel == 0 ? HalftoneLineSE1 : kernel == 1 ? HalftoneLineVDS2 : HalftoneLineVDS3;
        for (int width : {1, 5, 8, 13, 64, 203}) {
            for (int third = 0; third < 2; ++third) {
                std::vector<std::vector<int32_t>> refLines(3, std::vector<int32_t>(width + 2, 0));
                std::vector<std::vector<int32_t>> lines = refLines;
                uint16_t refIndex = 65500;
                HalftoneTask task{};
                task.randomIndex = refIndex;
                for (int y = 0; y < 6; ++y) {
                    const bool rtl = y % 2 == 1;
                    // Interleave the channel with two others, as the engine's converted lines do.
                    std::vector<int32_t> values(width), interleaved(3 * width, -7);
                    for (int x = 0; x < width; ++x) {
                        seed = seed * 1664525u + 1013904223u;
                        values[x] = x % 11 == 0 ? 0 : static_cast<int32_t>((seed >> 8) % 4400) - 150;
                        if (y == 3) values[x] = 30 + x % 7;  // highlights for the aid
                        interleaved[3 * x + 1] = values[x];
                    }
                    std::vector<uint8_t> out((width * bits + 7) / 8, 0);
                    const int first = rtl ? width - 1 : 0;
                    task.converted = &interleaved[3 * first + 1];
                    task.stride = rtl ? -3 : 3;
                    task.width = width;
                    task.thirdSplit = third;
                    task.out = &out[static_cast<size_t>(first * bits / 8)];
                    task.direction = rtl ? -1 : 1;
                    task.reverse = rtl;
                    for (int s = 0; s < 3; ++s) task.errorLine[s] = &lines[s][first + 1];
                    task.noise = &Tables().noise;
                    task.random = Tables().random.get();
                    for (int s = 0; s < 3; ++s) task.dotSizeTable[s] = dots.pointers[s];
                    ASSERT_EQ(run(&task), 0);
                    const auto expected = RefKernel(streams, bits, values, rtl, streams != 2 && third, dots.pointers,
                                                    refLines, refIndex);
                    ASSERT_EQ(out, expected) << "streams " << streams << " width " << width << " line " << y;
                    ASSERT_EQ(lines, refLines);
                    ASSERT_EQ(task.randomIndex, refIndex);
                }
            }
        }
    }
}

}  // namespace

// Pins the output of a wide photo-like page for each routine so that a
// change of shared data (noise, random table) or of the step shows up even
// when the reference above would change with it.
TEST(ErrorDiffusionOutput, WidePagesKeepTheirChecksums) {
    const TestDotTables dots;
    const struct {
        int32_t routine;
        uint64_t hash;
    } pinned[] = {{103, 4282305611955279566ull}, {105, 2917693451298193428ull}, {106, 7560354278768661819ull},
                  {108, 9037439253740905751ull}, {109, 356697999917605684ull},  {111, 16730197320010379660ull}};
    for (const auto& p : pinned) {
      for (bool lanes : {true, false}) {
        ErrorDiffusion::AllowLanes(lanes);
        ErrorDiffusion ed;
        ASSERT_EQ(ed.InitJob(*FindDiffusionRoutine(p.routine), 1203, 1, 1440, 720, 4), kDiffusionOk);
        ErrorDiffusion::AllowLanes(true);
        ASSERT_EQ(ed.SetTables(&Tables().noise, Tables().random.get(), dots.pointers), kDiffusionOk);
        ed.InitPage();
        const auto input = SyntheticPage(1208, 40, 4, 5);
        std::vector<uint8_t> out(ed.OutLineBytes());
        uint64_t hash = Fnv1a({});
        for (const auto& line : input) {
            ASSERT_EQ(ed.HalftoneLine(line.data(), line.size(), out.data(), out.size(), ScaleConverter, nullptr),
                      kDiffusionOk);
            hash = Fnv1a(out, hash);
        }
        EXPECT_EQ(hash, p.hash) << "routine " << p.routine << " lanes " << ed.UsesLanes();
      }
    }
}
