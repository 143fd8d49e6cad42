// The stand-in linearisation library, through the table it exports.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "halftone/epl_interface.h"
#include "platform/dynamic_library.h"
#include "platform/temp_folder.h"

using namespace platform;

namespace {

class EplStandInTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_library.LoadFile(KELMORA_EPL_PATH)) << m_library.Error();
        epl = m_library.Function<GetEPLInterfaceFn>("GetEPLInterface")();
        lastError = m_library.Function<const char* (*)()>(EPL_ERROR_TEXT_ENTRY);
        ASSERT_NE(epl, nullptr);
        ASSERT_NE(lastError, nullptr);
    }

    std::string File(const std::string& body) { return m_folder.Write("job.lin", "EPLSTANDIN 1\n" + body); }

    // Runs BuildLut into 16 fresh curves.
    int32_t Build(const std::string& path) {
        EplBuildRecord record;
        std::memset(&record, 0, sizeof record);
        for (int s = 0; s < EPL_CURVE_COUNT; ++s) pointers[s] = curves[s].data();
        record.curves = {pointers.data(), pointers.data() + EPL_CURVE_COUNT, pointers.data() + EPL_CURVE_COUNT};
        return epl->BuildLut(path.c_str(), &record);
    }

    static int Neutral(int v) { return static_cast<int>(std::trunc(v * 4095.0 / 255.0 + 0.5)); }

    DynamicLibrary m_library;
    TempFolder m_folder;
    EPLInterface* epl = nullptr;
    const char* (*lastError)() = nullptr;
    std::array<std::array<uint16_t, EPL_CURVE_SIZE>, EPL_CURVE_COUNT> curves{};
    std::array<uint16_t*, EPL_CURVE_COUNT> pointers{};
};

uint16_t GridValue(const EplFileData& data, size_t i) {
    uint16_t v;
    std::memcpy(&v, data.bytes + EPL_RGB_GRID_OFFSET + 2 * i, sizeof v);
    return v;
}

}  // namespace

TEST_F(EplStandInTest, BuildsTheFilesCurvesAndNeutralOnesForTheRest) {
    const std::string path = File("kind 13  # comment\ncurve 0 3 0 0 128 2048 255 4095\ncurve 5 2 10 100 20 300\n");
    EXPECT_EQ(Build(path), 13);
    EXPECT_EQ(curves[0][0], 0);
    EXPECT_EQ(curves[0][64], 1024);
    EXPECT_EQ(curves[0][128], 2048);
    EXPECT_EQ(curves[0][191], 3063);  // 2048 + 2047 * 63 / 127 = 3063.4
    EXPECT_EQ(curves[0][255], 4095);
    EXPECT_EQ(curves[5][0], 100);
    EXPECT_EQ(curves[5][15], 200);
    EXPECT_EQ(curves[5][255], 300);
    for (int s : {1, 2, 3, 4, 6, 15}) {
        for (int v = 0; v < 256; ++v) ASSERT_EQ(curves[s][v], Neutral(v)) << s << " " << v;
    }
}

TEST_F(EplStandInTest, MalformedFilesFailWithTheirLine) {
    const std::pair<std::string, std::string> cases[] = {
        {"kind 1\ncurve 0 2 10 0 10 5\n", "line 3: curve x values must increase"},
        {"kind 1\ncurve 0 1 0 5000\n", "line 3: curve y 5000 is outside 0..4095"},
        {"kind 1\nrgbgrid 37\n", "rgbgrid node count 37 is outside 2..36"},
        {"kind 1\nrgbgrid 2\n0 0 0\n", "unexpected end of file"},
        {"kind 1.5\n", "kind must be an integer"},
        {"curve 0 1 0 0\n", "no \"kind\" line"},
        {"kind 1\nlut 3\n", "unknown keyword \"lut\""},
        {"kind 1\nscreen 1 1 1 0 0\n", "screen channel 1 given without channel 0"},
    };
    for (const auto& [body, message] : cases) {
        EXPECT_EQ(Build(File(body)), -3) << body;
        EXPECT_NE(std::string(lastError()).find(message), std::string::npos) << body << " -> " << lastError();
    }
    EXPECT_EQ(Build(m_folder.Write("other.lin", "PLIN binary")), -3);
    EXPECT_EQ(Build(m_folder.Path() + "missing.lin"), -2);
    EXPECT_EQ(Build(m_folder.Path()), -2);  // a folder is not read as a file
    EXPECT_NE(std::string(lastError()).find("is not a file"), std::string::npos) << lastError();

    EplFileHandle handle = &handle;
    EXPECT_EQ(epl->OpenFile(File("kind x").c_str(), nullptr, nullptr, nullptr, nullptr, nullptr, &handle), -3);
    EXPECT_EQ(handle, nullptr);
}

TEST_F(EplStandInTest, RefusesRecordsItCannotFill) {
    const std::string path = File("kind 1\n");
    EXPECT_EQ(epl->BuildLut(path.c_str(), nullptr), -1);
    EplBuildRecord record;
    std::memset(&record, 0, sizeof record);
    EXPECT_EQ(epl->BuildLut(path.c_str(), &record), -1);

    auto data = std::make_unique<EplFileData>();
    std::memset(data.get(), 0, sizeof(EplFileData));
    EplFileHandle handle = nullptr;
    ASSERT_EQ(epl->OpenFile(path.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr, &handle), 0);
    EXPECT_EQ(epl->FillFileData(data.get(), handle), -1);  // not prepared with its tag
    epl->ReleaseFile(path.c_str(), handle);
    EXPECT_EQ(epl->FillFileData(data.get(), nullptr), -1);
}

TEST_F(EplStandInTest, FillsTheRgbGridOrTheNeutralOne) {
    auto data = std::make_unique<EplFileData>();
    const auto fill = [&](const std::string& path) {
        std::memset(data.get(), 0, sizeof(EplFileData));
        const uint32_t tag = EPL_FILE_DATA_TAG;
        std::memcpy(data->bytes, &tag, sizeof tag);
        int32_t values[5] = {-1, -1, -1, -1, -1};
        EplFileHandle handle = nullptr;
        ASSERT_EQ(epl->OpenFile(path.c_str(), &values[0], &values[1], &values[2], &values[3], &values[4], &handle),
                  0);
        EXPECT_EQ(values[4], 0);
        EXPECT_EQ(epl->FillFileData(data.get(), handle), 0);
        epl->ReleaseFile(path.c_str(), handle);
    };

    std::string grid = "kind 1\nrgbgrid 2\n";
    for (int i = 0; i < 8; ++i) grid += std::to_string(i * 3) + " " + std::to_string(i * 3 + 1) + " " + std::to_string(65535 - i) + "\n";
    fill(File(grid));
    const uint16_t header[] = {2, 12, 6, 3, 0, 12, 6, 3, 18, 15, 9, 21};
    for (size_t i = 0; i < 12; ++i) EXPECT_EQ(GridValue(*data, i), header[i]) << i;
    for (size_t i = 0; i < 8; ++i) {
        EXPECT_EQ(GridValue(*data, 12 + 3 * i), 3 * i);
        EXPECT_EQ(GridValue(*data, 14 + 3 * i), 65535 - i);
    }

    fill(File("kind 1\n"));
    EXPECT_EQ(GridValue(*data, 0), 5);
    EXPECT_EQ(GridValue(*data, 12 + 3 * 124 + 2), 65535);  // node (4, 4, 4)
    EXPECT_EQ(GridValue(*data, 12 + 3 * 1 + 2), 16383);     // node (0, 0, 1): trunc(63.75 * 257)
}

TEST_F(EplStandInTest, DeliversScreeningMatricesInTwoCalls) {
    const std::string path = File(
        "kind 1\n"
        "screen 0 2 1\n 0 128\n 192 64\n 32\n"
        "screen 1 1 2 tile 3 4\n 7\n 1 2\n 3 4\n");
    EplScreeningData data;
    std::memset(&data, 0, sizeof data);
    ASSERT_EQ(epl->GetScreeningData(path.c_str(), &data), 0);
    ASSERT_EQ(data.channelCount, 2);
    EXPECT_EQ(data.channel[0].size1, 2);
    EXPECT_EQ(data.channel[0].size2, 1);
    EXPECT_EQ(data.channel[0].kind, 0);
    EXPECT_EQ(data.channel[1].kind, EPL_SCREEN_KIND_TILED);
    EXPECT_EQ(data.channel[1].tileSize1, 3);
    EXPECT_EQ(data.channel[1].tileSize2, 4);

    std::vector<uint8_t> a0(4), b0(1), a1(1), b1(4);
    data.channel[0].matrixA = a0.data();
    data.channel[0].matrixB = b0.data();
    data.channel[1].matrixA = a1.data();
    data.channel[1].matrixB = b1.data();
    ASSERT_EQ(epl->GetScreeningData(path.c_str(), &data), 0);
    EXPECT_EQ(a0, (std::vector<uint8_t>{0, 128, 192, 64}));
    EXPECT_EQ(b0, (std::vector<uint8_t>{32}));
    EXPECT_EQ(a1, (std::vector<uint8_t>{7}));
    EXPECT_EQ(b1, (std::vector<uint8_t>{1, 2, 3, 4}));

    data.channel[1].matrixB = nullptr;
    EXPECT_EQ(epl->GetScreeningData(path.c_str(), &data), -1);

    // No screening data, or a file of another format (a spot file): no channels.
    for (const char* text : {"kind 1\n", "SPT2\x01\x02 binary"}) {
        EplScreeningData none;
        std::memset(&none, 0, sizeof none);
        none.channelCount = 9;
        EXPECT_EQ(epl->GetScreeningData(File(text).c_str(), &none), 0) << text;
        EXPECT_EQ(none.channelCount, 0) << text;
    }
    EXPECT_EQ(epl->GetScreeningData("/nowhere/job.spt", &data), -2);
    EXPECT_EQ(epl->GetScreeningData(path.c_str(), nullptr), -1);
}

TEST_F(EplStandInTest, ExampleFileServesEveryEntry) {
    EXPECT_EQ(Build(KELMORA_EPL_EXAMPLE), 1);
    EXPECT_EQ(curves[3][128], 1800);
    EplScreeningData data;
    std::memset(&data, 0, sizeof data);
    EXPECT_EQ(epl->GetScreeningData(KELMORA_EPL_EXAMPLE, &data), 0);
    EXPECT_EQ(data.channelCount, 4);
}
