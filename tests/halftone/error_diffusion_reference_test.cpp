// The production line step and kernels against a plain reference written
// from the algorithm's text: one stream at a time, image columns explicit, no
// lanes, no packing tricks. Any difference in a single output byte, error cell
// or random index fails.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "error_diffusion_test_util.h"
#include "halftone/error_diffusion.h"
#include "halftone/error_diffusion_lanes.h"

using namespace edtest;

namespace {

const DiffusionLanes kAllLanes[] = {DiffusionLanes::Avx512, DiffusionLanes::Avx2, DiffusionLanes::Ssse3,
                                    DiffusionLanes::None};

struct RefStreamState {
    int carry = 0;
    int counter = 0;
};

// Moves of the random index by the highlight aid, counted by the reference.
int g_aidMoves = 0;

// One stream at one pixel; x is the image column, rtl the scan direction.
bool RefStep(int level, int n, int x, bool rtl, std::vector<int32_t>& line, RefStreamState& st, uint16_t& index,
             bool third, const NoiseTable& noise, const uint8_t* random) {
    const int cur = x + 1, behind = rtl ? cur + 1 : cur - 1, next = rtl ? cur - 1 : cur + 1;
    int P = 0, S = st.carry;
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
                ++g_aidMoves;
            }
        } else {
            st.counter = st.counter + 1;
        }
    } else {
        st.counter = 0;
    }
    // Truncating division for the third split; halves and quarters round down.
    const int h = third ? 2 * S / 3 : static_cast<int>(std::floor(S / 2.0));
    const int q = third ? S / 6 : static_cast<int>(std::floor(S / 4.0));
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
    int mostMovesAtOnce = 0;  // by the aid, at one pixel

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
            const int movesBefore = g_aidMoves;
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
            mostMovesAtOnce = std::max(mostMovesAtOnce, g_aidMoves - movesBefore);
        }
        return out;
    }
};

struct Geometry {
    int32_t routine;
    int imageWidth, scaleX, resolutionX, resolutionY;
    int lines;            // per page; two pages
    uint64_t pinnedHash;  // of every output line of both pages, 0 for none
};

void PrintTo(const Geometry& g, std::ostream* os) {
    *os << "routine " << g.routine << ", width " << g.imageWidth << ", scale " << g.scaleX << ", "
        << g.resolutionX << "x" << g.resolutionY << " dpi";
}

class InlineAgainstReference : public ::testing::TestWithParam<Geometry> {};

// Every step this processor runs (AVX-512, AVX2 and SSSE3 lanes, the plain
// one) gives the reference's bytes, random index and error cells on two
// pages. The wide pages also pin the reference's own output, so that a
// change of shared data (noise, random table) shows up even though the
// reference would follow it.
TEST_P(InlineAgainstReference, PagesMatchByteForByte) {
    const Geometry g = GetParam();
    const DiffusionRoutine& routine = *FindDiffusionRoutine(g.routine);
    const TestDotTables dots;
    const int inputPixels = ((g.imageWidth + 7) / 8 * 8 + g.scaleX - 1) / g.scaleX;
    for (DiffusionLanes lanes : kAllLanes) {
        ErrorDiffusion::LimitLanes(lanes);
        ErrorDiffusion ed;
        ASSERT_EQ(ed.InitJob(routine, g.imageWidth, g.scaleX, g.resolutionX, g.resolutionY, 4), kDiffusionOk);
        ErrorDiffusion::LimitLanes(DiffusionLanes::Avx512);
        ASSERT_EQ(ed.SetTables(&Tables().noise, Tables().random.get(), dots.pointers), kDiffusionOk);
        SCOPED_TRACE(testing::Message() << "lanes " << static_cast<int>(ed.Lanes()));
        std::vector<uint8_t> out(ed.OutLineBytes());
        uint64_t hash = Fnv1a({});
        for (int page = 0; page < 2; ++page) {
            ed.InitPage();
            RefInline ref(routine, g.imageWidth, g.scaleX, 4, ed.ThirdSplit(), dots.pointers);
            for (const auto& line : SyntheticPage(inputPixels, g.lines, 4, 11 + page)) {
                ASSERT_EQ(ed.HalftoneLine(line.data(), line.size(), out.data(), out.size(), ScaleConverter, nullptr),
                          kDiffusionOk);
                ASSERT_EQ(out, ref.Line(line)) << "page " << page;
                ASSERT_EQ(ed.m_nRandomIndex, ref.index);
                hash = Fnv1a(out, hash);
            }
            for (int c = 0; c < routine.channels; ++c)
                for (int s = 0; s < routine.streams; ++s)
                    for (size_t cell = 0; cell < ed.ErrorLineCells(); ++cell)
                        ASSERT_EQ(ed.ErrorCell(c, s, cell), ref.lines[3 * c + s][cell])
                            << "channel " << c << " stream " << s << " cell " << cell;
        }
        if (g.pinnedHash != 0) {
            EXPECT_EQ(hash, g.pinnedHash);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    AllRoutines, InlineAgainstReference,
    ::testing::Values(Geometry{103, 64, 1, 720, 720, 7, 0}, Geometry{103, 61, 3, 1440, 720, 7, 0},
                      Geometry{105, 37, 2, 1440, 720, 7, 0}, Geometry{105, 40, 1, 720, 720, 7, 0},
                      Geometry{106, 64, 1, 1440, 720, 7, 0}, Geometry{106, 45, 4, 720, 720, 7, 0},
                      Geometry{108, 50, 3, 720, 720, 7, 0}, Geometry{109, 64, 1, 720, 720, 7, 0},
                      Geometry{109, 29, 3, 1440, 720, 7, 0}, Geometry{111, 71, 2, 1440, 720, 7, 0},
                      Geometry{111, 16, 1, 720, 1440, 7, 0},
                      // Groups of input pixels that straddle the steps'
                      // blocks of 64 output pixels.
                      Geometry{109, 200, 3, 1440, 720, 7, 0}, Geometry{105, 150, 3, 720, 720, 7, 0},
                      Geometry{103, 333, 5, 1440, 720, 7, 0}, Geometry{108, 140, 7, 720, 720, 7, 0},
                      Geometry{103, 1203, 1, 1440, 720, 20, 3872015237229231911ull},
                      Geometry{105, 1203, 1, 1440, 720, 20, 1209803902707524816ull},
                      Geometry{106, 1203, 1, 1440, 720, 20, 11891968413415623301ull},
                      Geometry{108, 1203, 1, 1440, 720, 20, 989834774414289856ull},
                      Geometry{109, 1203, 1, 1440, 720, 20, 1454120654938626390ull},
                      Geometry{111, 1203, 1, 1440, 720, 20, 5000534794025977166ull}),
    [](const ::testing::TestParamInfo<Geometry>& row) {
        const Geometry& g = row.param;
        return "Routine" + std::to_string(g.routine) + "Width" + std::to_string(g.imageWidth) + "Scale" +
               std::to_string(g.scaleX) + "At" + std::to_string(g.resolutionX) + "x" + std::to_string(g.resolutionY);
    });

// Highlights where every stream of every channel is near the start of its
// dot-size curve, or just left it with error to spend: many lanes take the aid
// on one pixel, and their moves shift the random values of the lanes after
// them. The reference pins that some pixels see five moves and more.
TEST(InlineAgainstReference, ManyLanesTakingTheAidAtOnce) {
    const TestDotTables dots;
    const int kPixels = 601;
    for (int32_t number : {103, 105, 106, 108, 109, 111}) {
        SCOPED_TRACE(testing::Message() << "routine " << number);
        const DiffusionRoutine& routine = *FindDiffusionRoutine(number);
        // Input values whose levels are low on stream 0 (1, 2), stream 1 (52,
        // 53) or stream 2 (127, 128), and white.
        const std::vector<uint8_t> light = routine.streams == 3   ? std::vector<uint8_t>{0, 1, 2, 52, 53, 127, 128}
                                           : routine.streams == 2 ? std::vector<uint8_t>{0, 1, 2, 52, 53}
                                                                  : std::vector<uint8_t>{0, 1, 2, 3};
        // Lines hold the width rounded up to whole output bytes.
        const size_t lineBytes = static_cast<size_t>((kPixels + 7) / 8 * 8) * 4;
        std::vector<std::vector<uint8_t>> page(24, std::vector<uint8_t>(lineBytes));
        uint32_t seed = 7;
        for (auto& line : page) {
            for (auto& byte : line) {
                seed = seed * 1664525u + 1013904223u;
                byte = light[(seed >> 16) % light.size()];
            }
        }
        for (DiffusionLanes lanes : kAllLanes) {
            ErrorDiffusion::LimitLanes(lanes);
            ErrorDiffusion ed;
            ASSERT_EQ(ed.InitJob(routine, kPixels, 1, 1440, 720, 4), kDiffusionOk);
            ErrorDiffusion::LimitLanes(DiffusionLanes::Avx512);
            ASSERT_EQ(ed.SetTables(&Tables().noise, Tables().random.get(), dots.pointers), kDiffusionOk);
            SCOPED_TRACE(testing::Message() << "lanes " << static_cast<int>(ed.Lanes()));
            std::vector<uint8_t> out(ed.OutLineBytes());
            ed.InitPage();
            RefInline ref(routine, kPixels, 1, 4, ed.ThirdSplit(), dots.pointers);
            for (const auto& line : page) {
                ASSERT_EQ(ed.HalftoneLine(line.data(), line.size(), out.data(), out.size(), ScaleConverter, nullptr),
                          kDiffusionOk);
                ASSERT_EQ(out, ref.Line(line));
                ASSERT_EQ(ed.m_nRandomIndex, ref.index);
            }
            EXPECT_GE(ref.mostMovesAtOnce, routine.streams * routine.channels >= 12 ? 5 : 3);
        }
    }
}

// The most moves of the random index by the aid on one pixel of RefKernel.
int g_kernelMostMoves = 0;

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
        const int movesBefore = g_aidMoves;
        for (int s : StreamOrder(streams))
            fired[s] = RefStep(streams == 1 ? v : tables[s][v], n, x, rtl, lines[s], states[s], index, third,
                               Tables().noise, Tables().random.get());
        g_kernelMostMoves = std::max(g_kernelMostMoves, g_aidMoves - movesBefore);
        RefPut(out, 0, bits, x, RefCode(streams, fired));
    }
    return out;
}

// The kernels on the error lines and, where the processor has them, in each
// set of vector lanes on cells of their own (taken from the error lines with
// the first line and given back with the last), reading the converted
// values or the levels that the engine's conversion makes of them.
TEST(KernelsAgainstReference, LinesMatchInBothDirectionsAnyWidthAndAcrossTheIndexWrap) {
    const TestDotTables dots;
    int (*const kernels[])(HalftoneTask*) = {HalftoneLineSE1, HalftoneLineVDS2, HalftoneLineVDS3};
    constexpr int kLines = 6;
    for (DiffusionLanes set : kAllLanes) {
        if (static_cast<int>(set) > static_cast<int>(ErrorDiffusion::WidestLanes())) continue;
        uint32_t seed = 99;
        for (int streams = 1; streams <= 3; ++streams) {
            const int bits = streams == 1 ? 1 : 2;
            std::vector<uint16_t> codes(4096 * 4);
            BuildLaneLevelCodes(streams, dots.pointers, codes.data());
            std::vector<uint8_t> random(Tables().random.get(), Tables().random.get() + kRandomTableSize);
            random.insert(random.end(), random.begin(), random.begin() + kLaneRandomPad);
            const ChannelLanes lanes{set, codes.data(), random.data()};
            for (int width : {1, 5, 8, 13, 64, 203, 208}) {
                for (int variant = 0; variant < 4; ++variant) {
                    const int third = variant & 1;
                    const bool madeBefore = variant >= 2;
                    SCOPED_TRACE(testing::Message() << "lanes " << static_cast<int>(set) << " streams " << streams
                                                    << " width " << width << " third " << third << " levels made before "
                                                    << madeBefore);
                    std::vector<std::vector<int32_t>> refLines(3, std::vector<int32_t>(width + 2, 0)),
                        lines = refLines;
                    std::vector<int16_t> cells((width + 2) * kChannelLanes, 99);
                    HalftoneTask task{};
                    uint16_t refIndex = task.randomIndex = 65500;
                    if (set != DiffusionLanes::None) {
                        task.lanes = &lanes;
                        task.laneCells = cells.data();
                    }
                    for (int y = 0; y < kLines; ++y) {
                        const bool rtl = y % 2 == 1;
                        // The channel interleaved with two others, as in the engine's converted lines.
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
                        task.noise = &Tables().noise;
                        task.random = Tables().random.get();
                        task.laneSync = (y == 0 ? 1 : 0) | (y == kLines - 1 ? 2 : 0);
                        // Levels of all three channels, as the engine's conversion makes them;
                        // the converted line then holds nothing the kernel may read.
                        std::vector<uint16_t> levels(3 * static_cast<size_t>(width), 0xFFFF);
                        if (madeBefore) {
                            SplitChannelLevels(interleaved.data(), 3, width, levels.data(), static_cast<size_t>(width));
                            std::fill(interleaved.begin(), interleaved.end(), 4000);
                            task.levels = levels.data() + width;
                        }
                        for (int s = 0; s < 3; ++s) {
                            task.errorLine[s] = &lines[s][first + 1];
                            task.dotSizeTable[s] = dots.pointers[s];
                        }
                        ASSERT_EQ(kernels[streams - 1](&task), 0);
                        ASSERT_EQ(out, RefKernel(streams, bits, values, rtl, streams != 2 && third, dots.pointers,
                                                 refLines, refIndex))
                            << "line " << y;
                        ASSERT_EQ(task.randomIndex, refIndex);
                    }
                    EXPECT_EQ(lines, refLines);
                }
            }
        }
    }
}

// Highlights on a channel kernel in lanes: values whose levels are low on
// stream 0, 1 or 2 (many of them 1 to 63) or white, mixed, so that two and
// three streams of one odd pixel take the aid and shift the values of the
// streams after them.
TEST(KernelsAgainstReference, StreamsOfOnePixelTakingTheAidTogether) {
    const TestDotTables dots;
    const std::vector<int32_t> light = {0, 8, 16, 32, 820, 832, 848, 2032, 2048};
    if (ErrorDiffusion::WidestLanes() == DiffusionLanes::None) GTEST_SKIP() << "needs vector lanes, which this processor lacks";
    for (DiffusionLanes set : kAllLanes) {
        if (set == DiffusionLanes::None || static_cast<int>(set) > static_cast<int>(ErrorDiffusion::WidestLanes())) continue;
        for (int streams = 2; streams <= 3; ++streams) {
            SCOPED_TRACE(testing::Message() << "lanes " << static_cast<int>(set) << " streams " << streams);
            std::vector<uint16_t> codes(4096 * 4);
            BuildLaneLevelCodes(streams, dots.pointers, codes.data());
            std::vector<uint8_t> random(Tables().random.get(), Tables().random.get() + kRandomTableSize);
            random.insert(random.end(), random.begin(), random.begin() + kLaneRandomPad);
            const ChannelLanes lanes{set, codes.data(), random.data()};
            const int width = 208;
            std::vector<std::vector<int32_t>> refLines(3, std::vector<int32_t>(width + 2, 0)), lines = refLines;
            std::vector<int16_t> cells((width + 2) * kChannelLanes, 0);
            uint16_t refIndex = 0;
            uint32_t seed = 5;
            g_kernelMostMoves = 0;
            for (int y = 0; y < 60; ++y) {
                const bool rtl = y % 2 == 1;
                std::vector<int32_t> values(width);
                for (int32_t& value : values) {
                    seed = seed * 1664525u + 1013904223u;
                    value = light[(seed >> 16) % light.size()];
                }
                std::vector<uint8_t> out(width / 4, 0);
                HalftoneTask task{};
                task.randomIndex = refIndex;
                task.converted = &values[rtl ? width - 1 : 0];
                task.stride = rtl ? -1 : 1;
                task.width = width;
                task.out = &out[rtl ? out.size() - 1 : 0];
                task.direction = rtl ? -1 : 1;
                task.noise = &Tables().noise;
                task.random = Tables().random.get();
                task.lanes = &lanes;
                task.laneCells = cells.data();
                task.laneSync = (y == 0 ? 1 : 0) | (y == 59 ? 2 : 0);
                for (int s = 0; s < 3; ++s) {
                    task.errorLine[s] = &lines[s][rtl ? width : 1];
                    task.dotSizeTable[s] = dots.pointers[s];
                }
                ASSERT_EQ((streams == 3 ? HalftoneLineVDS3 : HalftoneLineVDS2)(&task), 0);
                ASSERT_EQ(out, RefKernel(streams, 2, values, rtl, false, dots.pointers, refLines, refIndex)) << "line " << y;
                ASSERT_EQ(task.randomIndex, refIndex);
            }
            EXPECT_EQ(lines, refLines);
            EXPECT_EQ(g_kernelMostMoves, streams);
        }
    }
}

// Channels run two at a time in one register (four or three tasks given at
// once run as pairs and one alone), or alone, line by line in any mix (a
// channel keeps its cells in one form for all): every channel gives the
// reference's bytes, random index and error lines. The channels differ
// (noise, highlights with the aid, white, full) and their indices wrap at
// different pixels.
struct SideBySide {
    DiffusionLanes set;
    int streams, third, width;
    // per line: '4' all four given at once, 'p' two pairs, 'm' a pair and
    // two alone, '3' three given at once, 'a' each alone
    const char* runs;
};

const char* LanesName(DiffusionLanes set) {
    switch (set) {
        case DiffusionLanes::Avx512: return "AVX512";
        case DiffusionLanes::Avx2: return "AVX2";
        case DiffusionLanes::Ssse3: return "SSSE3";
        case DiffusionLanes::None: break;
    }
    return "NoLanes";
}

std::string SideBySideName(const SideBySide& row) {
    return std::string(LanesName(row.set)) + "Streams" + std::to_string(row.streams) + "Third" +
           std::to_string(row.third) + "Width" + std::to_string(row.width);
}

void PrintTo(const SideBySide& row, std::ostream* os) { *os << SideBySideName(row) << " " << row.runs; }

class ChannelsSideBySide : public ::testing::TestWithParam<SideBySide> {};

TEST_P(ChannelsSideBySide, RunTwoAtATimeOrAloneLineByLine) {
    const SideBySide& row = GetParam();
    if (static_cast<int>(row.set) > static_cast<int>(ErrorDiffusion::WidestLanes()))
        GTEST_SKIP() << "needs " << LanesName(row.set) << " lanes, which this processor lacks";
    const TestDotTables dots;
    constexpr int kChannels = 4;
    const int width = row.width;
    std::vector<uint16_t> codes(4096 * 4);
    BuildLaneLevelCodes(row.streams, dots.pointers, codes.data());
    std::vector<uint8_t> random(Tables().random.get(), Tables().random.get() + kRandomTableSize);
    random.insert(random.end(), random.begin(), random.begin() + kLaneRandomPad);
    const ChannelLanes lanes{row.set, codes.data(), random.data()};
    std::vector<std::vector<std::vector<int32_t>>> refLines(
        kChannels, std::vector<std::vector<int32_t>>(3, std::vector<int32_t>(width + 2, 0)));
    auto lines = refLines;
    std::vector<std::vector<int16_t>> cells(kChannels, std::vector<int16_t>((width + 2) * kChannelLanes, 77));
    uint16_t refIndex[kChannels] = {65530, 3, 40000, 65535};
    HalftoneTask task[kChannels] = {};
    uint32_t seed = 17;
    const int lineCount = static_cast<int>(std::strlen(row.runs));
    for (int y = 0; y < lineCount; ++y) {
        const bool rtl = y % 2 == 1;
        std::vector<std::vector<int32_t>> values(kChannels, std::vector<int32_t>(width));
        std::vector<uint16_t> levels(kChannels * static_cast<size_t>(width));
        std::vector<std::vector<uint8_t>> out(kChannels, std::vector<uint8_t>(width / 4, 0));
        for (int c = 0; c < kChannels; ++c) {
            for (int x = 0; x < width; ++x) {
                seed = seed * 1664525u + 1013904223u;
                const int32_t noise = static_cast<int32_t>((seed >> 8) % 4400) - 150;
                const int32_t light[] = {0, 8, 16, 32, 820, 2032};
                values[c][x] = c == 0 ? noise : c == 1 ? light[(seed >> 16) % 6] : c == 2 ? (x % 9 ? 0 : 60) : 4095 - x % 3;
                levels[static_cast<size_t>(c) * width + x] = static_cast<uint16_t>(std::min(std::max(values[c][x], 0), 4095));
            }
            HalftoneTask& t = task[c];
            if (y == 0) t.randomIndex = refIndex[c];
            t.converted = &values[c][rtl ? width - 1 : 0];
            t.stride = rtl ? -1 : 1;
            t.width = width;
            t.thirdSplit = row.third;
            t.out = &out[c][rtl ? out[c].size() - 1 : 0];
            t.direction = rtl ? -1 : 1;
            t.noise = &Tables().noise;
            t.random = Tables().random.get();
            t.lanes = &lanes;
            t.laneCells = cells[c].data();
            t.levels = levels.data() + static_cast<size_t>(c) * width;
            t.laneSync = (y == 0 ? 1 : 0) | (y == lineCount - 1 ? 2 : 0);
            for (int s = 0; s < 3; ++s) {
                t.errorLine[s] = &lines[c][s][rtl ? width : 1];
                t.dotSizeTable[s] = dots.pointers[s];
            }
        }
        auto alone = row.streams == 3 ? HalftoneLineVDS3 : HalftoneLineVDS2;
        auto together = row.streams == 3 ? HalftoneLinesVDS3 : HalftoneLinesVDS2;
        HalftoneTask* all[] = {&task[2], &task[0], &task[3], &task[1]};
        switch (row.runs[y]) {
            case '4': ASSERT_EQ(together(all, 4), 0); break;
            case '3': ASSERT_EQ(together(all, 3), 0); ASSERT_EQ(alone(&task[1]), 0); break;
            case 'p': ASSERT_EQ(together(all, 2), 0); ASSERT_EQ(together(all + 2, 2), 0); break;
            case 'm': ASSERT_EQ(together(all + 1, 2), 0); ASSERT_EQ(alone(&task[2]), 0); ASSERT_EQ(alone(&task[1]), 0); break;
            default: for (HalftoneTask& t : task) ASSERT_EQ(alone(&t), 0);
        }
        for (int c = 0; c < kChannels; ++c) {
            ASSERT_EQ(out[c], RefKernel(row.streams, 2, values[c], rtl, row.streams != 2 && row.third, dots.pointers,
                                        refLines[c], refIndex[c]))
                << "channel " << c << " line " << y << " (" << row.runs[y] << ")";
            ASSERT_EQ(task[c].randomIndex, refIndex[c]) << "channel " << c << " line " << y;
        }
    }
    EXPECT_EQ(lines, refLines);
}

INSTANTIATE_TEST_SUITE_P(
    KernelsAgainstReference, ChannelsSideBySide,
    ::testing::Values(SideBySide{DiffusionLanes::Avx2, 3, 0, 208, "4pa4mp34"},
                      SideBySide{DiffusionLanes::Avx2, 3, 1, 64, "p4m3a4pa"},
                      SideBySide{DiffusionLanes::Avx2, 2, 0, 208, "a4mp3pp4"},
                      SideBySide{DiffusionLanes::Avx512, 3, 0, 208, "4pa4mp34"},
                      SideBySide{DiffusionLanes::Avx512, 3, 1, 208, "m4ap3p4a"},
                      SideBySide{DiffusionLanes::Avx512, 2, 0, 8, "p4a4m3ap"}),
    [](const ::testing::TestParamInfo<SideBySide>& row) { return SideBySideName(row.param); });

}  // namespace
