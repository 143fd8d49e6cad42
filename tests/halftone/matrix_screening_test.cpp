// Routine 51 through the halftoner with the stand-in library, on spot files
// written by spotgen's writer; every plane is checked against a model of the
// screen worked out here independently of the routine's walk.
#include "halftone/matrix_screening.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <memory>
#include <random>
#include <vector>

#include "halftone/halftone.h"
#include "halftone_test_support.h"
#include "platform/dynamic_library.h"
#include "spotgen/spot_writer.h"
#include "support/scratch_folder.h"

namespace {

constexpr int kWidth = 48;

// The cell of a type-10 screen at pixel x of line y, from the geometry of the
// Pythagorean tiling: A tiles (a x a) at the lattice points i (-a, b) + j (b, a),
// each with its B tile (b x b) right below it.
// With tiles lower than their matrices (A tiles a wide and ta high, B tiles
// b wide and tb high) the lattice points are i (-a, tb) + j (b, ta), and a
// tile shows its matrix's first rows.
uint8_t TiledCell(int a, int b, int ta, int tb, const std::vector<uint8_t>& matrixA,
                  const std::vector<uint8_t>& matrixB, int x, int y) {
    for (int i = -40; i <= 40; ++i) {
        for (int j = -40; j <= 40; ++j) {
            const int ox = -a * i + b * j, oy = tb * i + ta * j;
            const int dx = x - ox, dy = y - oy;
            if (dx >= 0 && dx < a && dy >= 0 && dy < ta) return matrixA[size_t(dy * a + dx)];
            if (dx >= 0 && dx < b && dy >= ta && dy < ta + tb) return matrixB[size_t((dy - ta) * b + dx)];
        }
    }
    ADD_FAILURE() << "pixel " << x << ", " << y << " lies in no tile";
    return 0;
}
uint8_t TiledCell(const spotgen::Channel& ch, int x, int y) {
    const int a = int(ch.size1), b = int(ch.size2);
    return TiledCell(a, b, a, b, ch.a, ch.b, x, y);
}

class ScreeningTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_epl.LoadFile(KELMORA_EPL_PATH)) << m_epl.Error();
        ASSERT_EPL_LIBRARY_IS(KELMORA_EPL_PATH);
        job = httest::ExampleJob(&log, 700, kWidth);
        job->m_iOutChannels = 4;
        job->m_iPageCount = 1;
    }

    // Starts routine 51 on the file; byte b of every channel gives 16 b.
    int32_t Start(const spotgen::SpotFile& file) {
        spot = file;
        job->m_strScreeningFile = folder.File("job.spt");
        EXPECT_TRUE(spotgen::WriteFile(job->m_strScreeningFile, spotgen::Encode(file)));
        halftone = std::make_unique<CHalftone>(job.get());
        halftone->HalftoneRoutine = HALF_ROUTINE_SCREENING;
        const int32_t r = halftone->InitJob(job.get());
        for (int m = 0; m < kInputMapCount; ++m) {
            for (int b = 0; b < kInputMapSize; ++b) halftone->m_aInputMap[m][b] = uint16_t(16 * b);
        }
        return r;
    }
    // One line of identical pixels; the planes it gave.
    std::vector<uint8_t> Line(std::vector<uint8_t> pixel) {
        std::vector<uint8_t> line(halftone->InputLineBytes(), 0);
        const size_t stride = pixel.size();
        for (size_t x = 0; x * stride + stride <= line.size() && x < kWidth; ++x) {
            std::copy(pixel.begin(), pixel.end(), line.begin() + ptrdiff_t(x * stride));
        }
        return Run(line);
    }
    std::vector<uint8_t> Run(const std::vector<uint8_t>& line) {
        job->m_pCurrentLine = line.data();
        EXPECT_EQ(halftone->ProcessLine(job.get()), 0);
        return std::vector<uint8_t>(job->m_pOutLine, job->m_pOutLine + size_t(job->m_iOutChannels) * Plane());
    }
    size_t Plane() const { return size_t(job->m_iBytesPerChannel); }
    bool Bit(const std::vector<uint8_t>& planes, int p, int x) const {
        return (planes[size_t(p) * Plane() + size_t(x / 8)] & (0x80 >> (x % 8))) != 0;
    }
    bool Empty(const std::vector<uint8_t>& planes, int p) const {
        for (size_t i = 0; i < Plane(); ++i) {
            if (planes[size_t(p) * Plane() + i]) return false;
        }
        return true;
    }

    ScratchFolder folder;
    platform::DynamicLibrary m_epl;
    httest::JobLog log;
    std::unique_ptr<CVarnPrn> job;
    std::unique_ptr<CHalftone> halftone;
    spotgen::SpotFile spot;
};

}  // namespace

TEST(ScreeningLevels, RoundAndSaturateAtTheTop) {
    const auto& t = ScreeningLevels();
    EXPECT_EQ(t[4080], 255);
    EXPECT_EQ(t[4095], 255);
    EXPECT_EQ(t[4079], 254);
    EXPECT_EQ(t[8], 0);
    EXPECT_EQ(t[9], 1);
    for (int v = 1; v < 4096; ++v) EXPECT_LE(t[size_t(v - 1)], t[size_t(v)]);
}

TEST_F(ScreeningTest, TypeTwoRepeatsItsMatrixAcrossAndDown) {
    ASSERT_EQ(Start(spotgen::Generate(false, false, 8, 4)), 0);
    EXPECT_TRUE(log.Has(LOG_DETAIL, "Screening: Chunky (Epson)"));
    EXPECT_TRUE(log.Has(LOG_DETAIL, "Screening: Type 2, bpp=1, file=" + job->m_strScreeningFile));
    ASSERT_EQ(halftone->InitPage(job.get()), 0);
    for (int y = 0; y < 9; ++y) {
        const auto planes = Line({128, 0, 0, 0});  // cyan at level 128
        for (int x = 0; x < kWidth; ++x) {
            EXPECT_EQ(Bit(planes, 0, x), 128 >= spot.channel[0].a[size_t((y % 4) * 8 + x % 8)]) << x << "," << y;
        }
        for (int p = 1; p < 4; ++p) EXPECT_TRUE(Empty(planes, p));
    }
}

TEST_F(ScreeningTest, ACellOfZeroPrintsEveryInkAndNoInkNeverPrints) {
    spotgen::SpotFile zeros = spotgen::Generate(false, false, 4, 4);
    for (auto& ch : zeros.channel) std::fill(ch.a.begin(), ch.a.end(), 0);
    ASSERT_EQ(Start(zeros), 0);
    halftone->m_aInputMap[0][1] = 1;  // the least ink: level 0
    ASSERT_EQ(halftone->InitPage(job.get()), 0);
    std::vector<uint8_t> line(halftone->InputLineBytes(), 0);
    for (int x = 0; x < kWidth; x += 2) line[size_t(x) * 4] = 1;
    const auto planes = Run(line);
    for (int x = 0; x < kWidth; ++x) EXPECT_EQ(Bit(planes, 0, x), x % 2 == 0) << x;
}

TEST_F(ScreeningTest, InputMapValuesBeyondTwelveBitsPrintAsFullInk) {
    ASSERT_EQ(Start(spotgen::Generate(false, false, 4, 4)), 0);
    halftone->m_aInputMap[0][200] = 0xFFFF;
    ASSERT_EQ(halftone->InitPage(job.get()), 0);
    for (int y = 0; y < 4; ++y) {
        const auto planes = Line({200, 0, 0, 0});
        for (int x = 0; x < kWidth; ++x) EXPECT_TRUE(Bit(planes, 0, x)) << x << ", " << y;
    }
}

TEST_F(ScreeningTest, TypeTenFollowsItsTilingOnEveryLineAndAcrossPages) {
    const std::pair<uint32_t, uint32_t> sizes[] = {{8, 3}, {13, 5}, {16, 9}, {7, 6}, {10, 1}, {3, 8}, {5, 5}};
    for (const auto& [a, b] : sizes) {
        ASSERT_EQ(Start(spotgen::Generate(true, false, a, b)), 0);
        const int lines = int(2 * (a + b) + 3);
        std::vector<std::vector<uint8_t>> page;
        for (int pageNo = 0; pageNo < 2; ++pageNo) {  // the tiling runs on into the second page
            ASSERT_EQ(halftone->InitPage(job.get()), 0);
            for (int y = 0; y < lines; ++y) page.push_back(Line({0, 0, 0, 128}));
            ASSERT_EQ(halftone->ExitPage(job.get()), 0);
        }
        for (int y = 0; y < int(page.size()); ++y) {
            for (int x = 0; x < kWidth; ++x) {
                ASSERT_EQ(Bit(page[size_t(y)], 3, x), 128 >= TiledCell(spot.channel[3], x, y))
                    << a << "/" << b << " at " << x << "," << y;
                if (x + int(b) < kWidth && y + int(a) < int(page.size())) {
                    EXPECT_EQ(Bit(page[size_t(y)], 3, x), Bit(page[size_t(y + int(a))], 3, x + int(b)));
                }
            }
        }
        EXPECT_EQ(halftone->ExitJob(job.get()), 0);
        EXPECT_TRUE(log.Has(LOG_DETAIL, "Type10_CMYK: exit job"));
    }
}

TEST_F(ScreeningTest, SeparationsInBlackPrintThePageSeparationIntoTheBlackPlane) {
    job->m_bPrintSeparations = true;
    job->m_bSeparationsBlack = true;
    job->m_vSeparationIndex = {1};
    ASSERT_EQ(Start(spotgen::Generate(false, false, 8, 4)), 0);
    ASSERT_EQ(halftone->InitPage(job.get()), 0);
    const auto planes = Line({200, 0, 0, 128});
    for (int x = 0; x < kWidth; ++x) EXPECT_EQ(Bit(planes, 3, x), 128 >= spot.channel[1].a[size_t(x % 8)]) << x;
    for (int p = 0; p < 3; ++p) EXPECT_TRUE(Empty(planes, p));
    EXPECT_TRUE(log.Has(LOG_DETAIL, "Type2_CMYK_Gray: init page"));
}

TEST_F(ScreeningTest, OutputColourModeThirteenPutsBlackFirst) {
    job->m_iOutputColorMode = 13;
    ASSERT_EQ(Start(spotgen::Generate(true, false, 8, 3)), 0);
    ASSERT_EQ(halftone->InitPage(job.get()), 0);
    const auto planes = Line({0, 0, 0, 255});
    EXPECT_FALSE(Empty(planes, 0));
    for (int x = 0; x < kWidth; ++x) EXPECT_EQ(Bit(planes, 0, x), 255 >= TiledCell(spot.channel[3], x, 0));
    for (int p = 1; p < 4; ++p) EXPECT_TRUE(Empty(planes, p));
}

TEST_F(ScreeningTest, DotFilmPicksItsMatrixByRatioSetsEdgesAndRestartsItsTiling) {
    job->m_iMediaTypeID = 999;
    for (const auto& [x, y, w, h] : {std::array<int, 4>{360, 720, 257, 257}, {720, 720, 257, 257},
                                     {1440, 720, 367, 179}}) {
        job->m_iResolutionX = x;
        job->m_iResolutionY = y;
        ASSERT_EQ(Start(spotgen::Generate(true, false, 8, 3)), 0);
        EXPECT_EQ(halftone->m_iMatrixWidth, w);
        EXPECT_EQ(halftone->m_iMatrixHeight, h);
    }
    halftone->SetGrayAsOneBit(true);  // every inked pixel stores its level, no matrix test
    ASSERT_EQ(halftone->InitPage(job.get()), 0);
    std::vector<uint8_t> line(halftone->InputLineBytes(), 0);
    line[5 * 4] = 100;  // one cyan pixel at x = 5, level 100, between blank pixels: an edge
    const auto planes = Run(line);
    for (int px = 0; px < kWidth; ++px) EXPECT_EQ(Bit(planes, 3, px), px == 5) << px;
    for (int p = 0; p < 3; ++p) EXPECT_TRUE(Empty(planes, p));
    EXPECT_EQ(halftone->m_pScreening->spot->lineCounter, 1);
    // Pixels at both ends of the row are edges too: outside the row counts as blank.
    std::fill(line.begin(), line.end(), 0);
    line[0] = 100;
    line[size_t(kWidth - 1) * 4] = 100;
    const auto ends = Run(line);
    for (int px = 0; px < kWidth; ++px) EXPECT_EQ(Bit(ends, 3, px), px == 0 || px == kWidth - 1) << px;
    ASSERT_EQ(halftone->InitPage(job.get()), 0);
    EXPECT_EQ(halftone->m_pScreening->spot->lineCounter, 0);  // dot film starts its tiling per page
    EXPECT_TRUE(log.Has(LOG_DETAIL, "Type10_CMYK_DotFilm: init page"));
}

TEST_F(ScreeningTest, DotFilmRoundsItsLevelsOntoTheMatrixScale) {
    // Black at 4080 through the descending curve of a 3.16 % limit gives 145,
    // level 9 in the byte row; 9 x 4095 / 255 = 144.53 is 145 on the matrix's
    // scale, so a cell of 145 is set. A full row has edges only at its ends.
    job->m_iMediaTypeID = 999;
    job->m_aiInkLimitPerChannel[3] = 316;
    const int width = 257;
    job->m_iImageWidth = job->m_iOutWidthPixel = width;
    ASSERT_EQ(Start(spotgen::Generate(true, false, 8, 3)), 0);
    ASSERT_EQ(halftone->InitPage(job.get()), 0);
    const int w = halftone->m_iMatrixWidth;
    std::vector<uint8_t> line(halftone->InputLineBytes(), 0);
    for (int x = 0; x < width; ++x) line[size_t(x) * 4 + 3] = 255;
    int cellsOf145 = 0;
    for (int y = 0; y < halftone->m_iMatrixHeight; ++y) {
        const auto planes = Run(line);
        const uint16_t* row = halftone->m_pThresholdMatrix.data() + size_t(y) * size_t(w);
        for (int x = 1; x + 1 < width; ++x) {
            cellsOf145 += row[x % w] == 145;
            ASSERT_EQ(Bit(planes, 3, x), row[x % w] <= 145) << x << ", " << y;
        }
    }
    EXPECT_GT(cellsOf145, 0);
}

TEST_F(ScreeningTest, FiveChannelsScreenWhiteOnTheBlackMatrixWithTheConverterOfTheInkSetCode) {
    job->m_iPrinterModell = 693;  // ink-set class 17
    job->m_iOutChannels = 5;
    job->m_iComponents = 5;
    job->m_iWhiteMode = 2;  // ink-set code 421: flood white
    ASSERT_EQ(Start(spotgen::Generate(true, false, 7, 6)), 0);
    ASSERT_EQ(halftone->InitPage(job.get()), 0);
    EXPECT_EQ(halftone->m_pfnPixelConverter, &ConvertPixel_ScreenCMYKW_FloodWhite);
    const auto planes = Line({0, 0, 0, 0, 0});  // no colour: white still prints
    for (int p = 0; p < 4; ++p) EXPECT_TRUE(Empty(planes, p));
    const int32_t white = ScreeningLevels()[size_t(halftone->Lin(4, halftone->m_aInputMap[3][255]))];
    for (int x = 0; x < kWidth; ++x) EXPECT_EQ(Bit(planes, 4, x), white >= TiledCell(spot.channel[3], x, 0)) << x;

    for (const auto& [mode, converter] : {std::pair<int, PixelConverter>{1, ConvertPixel_ScreenCMYKW_FullWhite},
                                          {3, ConvertPixel_CMYK}}) {
        job->m_iWhiteMode = mode;
        halftone->SelectPixelConverter(job.get());
        EXPECT_EQ(halftone->m_pfnPixelConverter, converter) << mode;
    }
}

TEST_F(ScreeningTest, AShortSpotFileFailsTheJobStart) {
    std::vector<uint8_t> bytes = spotgen::Encode(spotgen::Generate(true, false, 8, 3));
    bytes.resize(60);
    job->m_strScreeningFile = folder.File("short.spt");
    ASSERT_TRUE(spotgen::WriteFile(job->m_strScreeningFile, bytes));
    halftone = std::make_unique<CHalftone>(job.get());
    halftone->HalftoneRoutine = HALF_ROUTINE_SCREENING;
    EXPECT_EQ(halftone->InitJob(job.get()), -1);
    EXPECT_TRUE(log.Has(LOG_ERROR, "Screening: Can't open SPT file, ReadSpots returns -2 on file \"" +
                                       job->m_strScreeningFile + "\""));
}

TEST_F(ScreeningTest, ALinearisationFileWithScreensScreensFromTheLibrary) {
    halftone = std::make_unique<CHalftone>(job.get());
    halftone->HalftoneRoutine = HALF_ROUTINE_SCREENING;
    job->m_strScreeningFile = folder.File("screens.lin");
    std::string text = "EPLSTANDIN 1\nkind 1\n";
    for (int c = 0; c < 4; ++c) {
        text += "screen " + std::to_string(c) + " 3 2" + (c == 1 ? " tile 2 1" : "") + "\n";
        for (int i = 0; i < 13; ++i) text += std::to_string(10 * c + i) + " ";
        text += "\n";
    }
    {
        std::ofstream(job->m_strScreeningFile) << text;
    }
    ASSERT_EQ(halftone->InitJob(job.get()), 0);
    const SpotData& loaded = *halftone->m_pScreening->spot;
    EXPECT_EQ(loaded.type, SPOT_TYPE_PYTHAGOREAN);
    EXPECT_EQ(loaded.channel[1].matrixA, (std::vector<uint8_t>{10, 11, 12, 13, 14, 15, 16, 17, 18}));
    EXPECT_EQ(loaded.channel[1].matrixB, (std::vector<uint8_t>{19, 20, 21, 22}));
    EXPECT_EQ(loaded.channel[1].t1, 2);  // the tile sizes of a tiled channel
    EXPECT_EQ(loaded.channel[1].t2, 1);
    EXPECT_EQ(loaded.channel[0].t1, 3);
    EXPECT_EQ(loaded.channel[0].t2, 2);
    // Tiles lower than their matrices (channel 1: A tiles 3 wide and 2 high,
    // B tiles 2 wide and 1 high): every pixel takes the cell of its tile.
    for (int m = 0; m < kInputMapCount; ++m) {
        for (int b = 0; b < kInputMapSize; ++b) halftone->m_aInputMap[m][b] = uint16_t(16 * b);
    }
    ASSERT_EQ(halftone->InitPage(job.get()), 0);
    for (int y = 0; y < 20; ++y) {
        const auto planes = Line({0, 11, 0, 0});
        for (int x = 0; x < kWidth; ++x) {
            ASSERT_EQ(Bit(planes, 1, x), 11 >= TiledCell(3, 2, 2, 1, loaded.channel[1].matrixA, loaded.channel[1].matrixB, x, y))
                << x << "," << y;
        }
    }

    // Without screens, and for a spot file, the spot file is read.
    for (const char* file : {KELMORA_EPL_EXAMPLE_NO_SCREENS, ""}) {
        job->m_strScreeningFile = *file ? std::string(file) : folder.File("job.spt");
        ASSERT_TRUE(spotgen::WriteFile(folder.File("job.spt"), spotgen::Encode(spotgen::Generate(false, false, 8, 4))));
        halftone = std::make_unique<CHalftone>(job.get());
        halftone->HalftoneRoutine = HALF_ROUTINE_SCREENING;
        EXPECT_EQ(halftone->InitJob(job.get()), *file ? -1 : 0) << file;  // a .lin file is no spot file
    }
}

TEST_F(ScreeningTest, DotFilmScalesTheInputMapsToTheChannelLimitsWithinTwelveBits) {
    ASSERT_EQ(Start(spotgen::Generate(true, false, 8, 3)), 0);  // plain media: the maps as built
    halftone->ExitJob(job.get());
    halftone = std::make_unique<CHalftone>(job.get());
    halftone->HalftoneRoutine = HALF_ROUTINE_SCREENING;
    ASSERT_EQ(halftone->InitJob(job.get()), 0);
    std::vector<uint16_t> maps[2];
    for (int c = 0; c < 2; ++c) maps[c].assign(halftone->m_aInputMap[c], halftone->m_aInputMap[c] + kInputMapSize);

    job->m_iMediaTypeID = 4099;
    job->m_aiInkLimitPerChannel[0] = 5000;  // half: every entry doubled, at most 4095
    job->m_aiInkLimitPerChannel[1] = 0;     // no limit rather than a division by zero
    halftone = std::make_unique<CHalftone>(job.get());
    halftone->HalftoneRoutine = HALF_ROUTINE_SCREENING;
    ASSERT_EQ(halftone->InitJob(job.get()), 0);
    for (int i = 1; i < kInputMapSize; ++i) {
        EXPECT_EQ(halftone->m_aInputMap[0][i], std::min(2 * maps[0][size_t(i)], 4095)) << i;
        EXPECT_EQ(halftone->m_aInputMap[1][i], maps[1][size_t(i)]) << i;
    }
}

namespace {

// The screening limiter worked out by its formula: the excess E of the sum S
// over the limit cuts each colour x by x (4928 E / S) / D and black k by
// k (1632 E / S) / D, D 4096 with every ink, 3776 with black, else 4928; a
// value cut below 0 (a limit under 100 %) has no ink left.
std::vector<int32_t> LimitedByFormula(std::vector<int32_t> v, int32_t limit) {
    int32_t s = 0;
    for (int32_t x : v) s += x;
    const int32_t e = s - limit;
    if (limit >= 16380 || s <= limit || s <= 4095 || e < 1) return v;
    const bool six = v.size() == 6;
    const bool cyan = v[0] != 0 || (six && v[4] != 0), magenta = v[1] != 0 || (six && v[5] != 0);
    const int32_t d = v[3] != 0 && v[2] != 0 && cyan && magenta ? 4096 : (v[3] != 0 ? 3776 : 4928);
    const int32_t f = 4928 * e / s, g = 1632 * e / s;
    for (size_t c = 0; c < v.size(); ++c) v[c] = std::max(0, v[c] - v[c] * (c == 3 ? g : f) / d);
    return v;
}

}  // namespace

TEST_F(ScreeningTest, TheInkLimitCutsEachInkByItsShareOfTheExcessAtEveryLimit) {
    std::mt19937 rng(5);
    // Six channels; and a horizontal scale of 3, which repeats each pixel.
    for (const auto& [channels, scale] : {std::pair<int, int>{4, 1}, {6, 1}, {4, 3}}) {
        job->m_iOutChannels = channels;
        job->m_iScaleX = scale;
        ASSERT_EQ(Start(spotgen::Generate(false, false, 16, 1)), 0);
        ASSERT_EQ(halftone->InitPage(job.get()), 0);
        // Light cyan and light magenta screen on the cyan and magenta matrices.
        const int spotChannel[6] = {0, 1, 2, 3, 0, 1};
        for (int32_t limit : {0, 2047, 4095, 8190, 12285, 16000, 16380}) {
            halftone->m_iInkLimit = limit;
            for (int y = 0; y < 8; ++y) {
                std::vector<uint8_t> line(halftone->InputLineBytes(), 0);
                for (auto& b : line) b = rng() % 4 == 0 ? 0 : uint8_t(rng());
                const auto planes = Run(line);
                for (int x = 0; x < kWidth; ++x) {
                    const uint8_t* p = &line[size_t(x / scale * 4)];
                    std::vector<int32_t> v = {16 * p[0], 16 * p[1], 16 * p[2], 16 * p[3]};
                    if (channels == 6) v.insert(v.end(), {16 * p[0], 16 * p[1]});
                    v = LimitedByFormula(v, limit);
                    for (int c = 0; c < channels; ++c) {
                        const bool dot = v[size_t(c)] != 0 && ScreeningLevels()[size_t(v[size_t(c)])] >=
                                                                  spot.channel[spotChannel[c]].a[size_t(x % 16)];
                        ASSERT_EQ(Bit(planes, c, x), dot) << "channel " << c << " pixel " << x << " limit " << limit;
                    }
                }
            }
        }
    }
}
