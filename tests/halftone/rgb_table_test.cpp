#include "halftone/rgb_table.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>
#include <functional>
#include <memory>
#include <vector>

#include "halftone/fixtures/epl_fixture.h"
#include "platform/temp_folder.h"

using namespace platform;

namespace {

using Node = std::array<uint16_t, 3>;
using NodeFn = std::function<Node(int, int, int)>;

uint16_t Level(int n, int i) { return static_cast<uint16_t>(std::trunc(255.0 / (n - 1) * i * 257)); }

void Put(EplFileData& data, size_t index, uint16_t v) {
    std::memcpy(data.bytes + EPL_RGB_GRID_OFFSET + 2 * index, &v, sizeof v);
}

// A record with a grid of n nodes per axis laid out red slowest; a grid too
// large for the record gets its node count only.
std::unique_ptr<EplFileData> GridRecord(int n, const NodeFn& node) {
    auto data = std::make_unique<EplFileData>();
    std::memset(data.get(), 0, sizeof(EplFileData));
    Put(*data, 0, static_cast<uint16_t>(n));
    if (EPL_RGB_GRID_HEADER_VALUES + size_t{3} * n * n * n > EPL_RGB_GRID_CAPACITY) return data;
    const uint16_t r = static_cast<uint16_t>(3 * n * n), g = static_cast<uint16_t>(3 * n), b = 3;
    const uint16_t header[] = {r, g, b, 0, r, g, b, static_cast<uint16_t>(r + g), static_cast<uint16_t>(r + b),
                               static_cast<uint16_t>(g + b), static_cast<uint16_t>(r + g + b)};
    for (size_t i = 0; i < 11; ++i) Put(*data, 1 + i, header[i]);
    size_t at = EPL_RGB_GRID_HEADER_VALUES;
    for (int i = 0; i < n; ++i) {
        for (int j = 0; j < n; ++j) {
            for (int k = 0; k < n; ++k) {
                for (uint16_t v : node(i, j, k)) Put(*data, at++, v);
            }
        }
    }
    return data;
}

NodeFn Neutral(int n) {
    return [n](int i, int j, int k) { return Node{Level(n, i), Level(n, j), Level(n, k)}; };
}

struct Table {
    Table() : bytes(kEplRgbTableSize, 0xAB) {}
    std::array<int, 3> At(int r, int g, int b) const {
        const size_t i = (size_t(r) << 16 | size_t(g) << 8 | size_t(b)) * 3;
        return {bytes[i], bytes[i + 1], bytes[i + 2]};
    }
    bool Untouched() const { return bytes[0] == 0xAB && bytes[kEplRgbTableSize - 1] == 0xAB; }
    std::vector<uint8_t> bytes;
};

int32_t Build(Table& table, int n, const NodeFn& node) {
    return BuildEplRgbTable(table.bytes.data(), *GridRecord(n, node));
}

std::string EplFolder(const char* libraryPath) { return FolderOfPath(libraryPath); }

// Searching by module name prefers a library already in the process; tests
// that search must not meet another test's library there.
::testing::AssertionResult NoOtherEplLoaded(const char* expected) {
    const std::string loaded = FindLoadedLibrary("epl.dll");
    if (loaded.empty() || loaded == std::string(expected)) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "another libepl.so is loaded in this process: " << loaded;
}

}  // namespace

TEST(RgbGrid, RefusesGridsOfTheWrongSize) {
    Table table;
    for (int n : {0, 2, 37, 257}) {
        EXPECT_EQ(Build(table, n, Neutral(n)), -1) << n;
    }
    EXPECT_EQ(BuildEplRgbTable(nullptr, *GridRecord(4, Neutral(4))), -1);
    EXPECT_TRUE(table.Untouched());
}

TEST(RgbGrid, RefusesCornersOutsideTheGrid) {
    Table table;
    auto data = GridRecord(4, [](int i, int j, int k) { return Node{Level(4, k), Level(4, j), Level(4, i)}; });
    Put(*data, 11, 3 * 16 + 3 * 4 + 3 + 3 * 64);  // corner 111 one layer too far
    EXPECT_EQ(BuildEplRgbTable(table.bytes.data(), *data), -1);
    EXPECT_TRUE(table.Untouched());
}

TEST(RgbGrid, NeutralGridLeavesTheJobWithoutATable) {
    Table table;
    for (int n : {3, 4, 5, 17, 36}) EXPECT_EQ(Build(table, n, Neutral(n)), -1) << n;
    EXPECT_TRUE(table.Untouched());
}

TEST(RgbGrid, ReproducesALinearMappingOverTheWholeCube) {
    // Red and blue swapped, green inverted: linear, so tetrahedral
    // interpolation is exact in every cell, up to the top byte 255.
    const int n = 4;
    Table table;
    const auto swapped = [](int i, int j, int k) {
        return Node{Level(n, k), static_cast<uint16_t>(65535 - Level(n, j)), Level(n, i)};
    };
    ASSERT_EQ(Build(table, n, swapped), 0);
    size_t at = 0;
    for (int r = 0; r < 256; ++r) {
        for (int g = 0; g < 256; ++g) {
            for (int b = 0; b < 256; ++b, at += 3) {
                if (table.bytes[at] != b || table.bytes[at + 1] != 255 - g || table.bytes[at + 2] != r) {
                    FAIL() << r << "," << g << "," << b << " -> " << int(table.bytes[at]) << ","
                           << int(table.bytes[at + 1]) << "," << int(table.bytes[at + 2]);
                }
            }
        }
    }
}

TEST(RgbGrid, InterpolatesInsideTheTetrahedronOfTheColour) {
    // Neutral 3-node grid whose centre node is pushed to white. The colour
    // (64, 32, 16) lies in the tetrahedron 000-100-110-111 with fractions
    // 0.50196, 0.25098, 0.12549: red = 0.37647 * 32767 + 0.12549 * 65535
    // = 20559.8 -> 80, green = 0.12549 * 32767 + 8224 = 12335.9 -> 48,
    // blue = 8224 -> 32. Trilinear weighting would give about (66, 34, 18).
    const int n = 3;
    Table table;
    const auto whiteCentre = [](int i, int j, int k) {
        return i == 1 && j == 1 && k == 1 ? Node{65535, 65535, 65535} : Neutral(n)(i, j, k);
    };
    ASSERT_EQ(Build(table, n, whiteCentre), 0);
    EXPECT_EQ(table.At(64, 32, 16), (std::array<int, 3>{80, 48, 32}));
    EXPECT_EQ(table.At(16, 32, 64), (std::array<int, 3>{32, 48, 80}));
    EXPECT_EQ(table.At(0, 0, 0), (std::array<int, 3>{0, 0, 0}));
    EXPECT_EQ(table.At(255, 255, 255), (std::array<int, 3>{255, 255, 255}));
    EXPECT_EQ(table.At(128, 128, 128), (std::array<int, 3>{255, 255, 255}));
}

TEST(ApplyRgbLut, ReplacesTheFirstThreeBytesOfEachPixel) {
    const int n = 4;
    Table table;
    ASSERT_EQ(Build(table, n, [](int i, int j, int k) { return Node{Level(n, k), Level(n, j), Level(n, i)}; }), 0);
    std::vector<uint8_t> line = {1, 2, 3, 99, 10, 20, 30, 98, 255, 0, 7, 97};
    EXPECT_EQ(ApplyRgbLut(2, line.data(), 4, table.bytes.data()), 0);
    EXPECT_EQ(line, (std::vector<uint8_t>{3, 2, 1, 99, 30, 20, 10, 98, 255, 0, 7, 97}));

    const std::vector<uint8_t> before = line;
    EXPECT_EQ(ApplyRgbLut(3, line.data(), 4, nullptr), 0);
    EXPECT_EQ(ApplyRgbLut(3, nullptr, 4, table.bytes.data()), 0);
    EXPECT_EQ(line, before);
}

TEST(LoadEplRgbTable, BuildsTheTableFromTheStandInLibrary) {
    ASSERT_TRUE(NoOtherEplLoaded(KELMORA_EPL_PATH));
    TempFolder folder;
    std::string text = "EPLSTANDIN 1\nkind 1\nrgbgrid 3\n";
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            for (int k = 0; k < 3; ++k)
                text += std::to_string(65535 - Level(3, i)) + " " + std::to_string(Level(3, j)) + " " +
                        std::to_string(Level(3, k)) + "\n";
    const std::string inverting = folder.Write("inverting.lin", text);
    const std::string plain = folder.Write("plain.lin", "EPLSTANDIN 1\nkind 1\n");
    const std::string broken = folder.Write("broken.lin", "EPLSTANDIN 1\nkind 1\nrgbgrid 3\n1 2 3\n");
    const LibrarySearchFolders folders{EplFolder(KELMORA_EPL_PATH), ""};

    Table table;
    EXPECT_EQ(LoadEplRgbTable(table.bytes.data(), plain, folders), -1);
    EXPECT_EQ(LoadEplRgbTable(table.bytes.data(), broken, folders), -1);
    EXPECT_EQ(LoadEplRgbTable(table.bytes.data(), folder.Path() + "missing.lin", folders), -1);
    EXPECT_EQ(LoadEplRgbTable(nullptr, inverting, folders), -1);
    EXPECT_TRUE(table.Untouched());

    ASSERT_EQ(LoadEplRgbTable(table.bytes.data(), KELMORA_EPL_EXAMPLE, folders), 0);
    EXPECT_GT(table.At(128, 128, 128)[0], 128);
    ASSERT_EQ(LoadEplRgbTable(table.bytes.data(), inverting, folders), 0);
    EXPECT_EQ(table.At(0, 0, 0), (std::array<int, 3>{255, 0, 0}));
    EXPECT_EQ(table.At(255, 255, 255), (std::array<int, 3>{0, 255, 255}));

    TempFolder empty;
    if (FindLoadedLibrary("epl.dll").empty()) {
        EXPECT_EQ(LoadEplRgbTable(table.bytes.data(), inverting, {empty.Path(), empty.Path()}), -2);
    }
}

TEST(LoadEplRgbTable, MissingEntriesFailInsteadOfBeingCalled) {
    ASSERT_TRUE(NoOtherEplLoaded(KELMORA_EPL_FIXTURE_PATH));
    DynamicLibrary fixture;
    ASSERT_TRUE(fixture.LoadFile(KELMORA_EPL_FIXTURE_PATH)) << fixture.Error();
    EplFixtureState* state = fixture.Function<EplFixtureStateFn>("EplFixtureGetState")();
    const auto reset = fixture.Function<EplFixtureResetFn>("EplFixtureReset");
    const LibrarySearchFolders folders{EplFolder(KELMORA_EPL_FIXTURE_PATH), ""};
    Table table;

    reset();
    state->gridNodes = 257;
    EXPECT_EQ(LoadEplRgbTable(table.bytes.data(), "any.lin", folders), -1);
    state->table.FillFileData = nullptr;
    EXPECT_EQ(LoadEplRgbTable(table.bytes.data(), "any.lin", folders), -4);
    reset();
    state->table.ReleaseFile = nullptr;
    EXPECT_EQ(LoadEplRgbTable(table.bytes.data(), "any.lin", folders), -4);
    reset();
    state->table.OpenFile = nullptr;
    EXPECT_EQ(LoadEplRgbTable(table.bytes.data(), "any.lin", folders), -4);
    reset();
    state->returnNullInterface = true;
    EXPECT_EQ(LoadEplRgbTable(table.bytes.data(), "any.lin", folders), -4);
    EXPECT_TRUE(table.Untouched());
    reset();
}

TEST(LoadEplRgbTable, LibraryWithoutTheEntryGivesMinusThree) {
    ASSERT_TRUE(NoOtherEplLoaded(KELMORA_EPL_NOENTRY_PATH));
    Table table;
    EXPECT_EQ(LoadEplRgbTable(table.bytes.data(), "any.lin", {EplFolder(KELMORA_EPL_NOENTRY_PATH), ""}), -3);
}
