#include "halftone/bit_converters.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

std::vector<uint8_t> Convert(clBIT_CONVERTER& converter, std::vector<uint8_t> line) {
    uint8_t* data = line.data();
    uint64_t length = line.size();
    converter.Convert(&data, &length);
    return std::vector<uint8_t>(data, data + length);
}

// The four 2-bit codes of a byte, most significant first.
std::vector<int> Codes(uint8_t b) { return {b >> 6, (b >> 4) & 3, (b >> 2) & 3, b & 3}; }

}  // namespace

TEST(VariableDotConverter, RemapsEachCodeByTheResolution) {
    clVDS2_CONVERTER at720(720);
    clVDS2_CONVERTER at1440(1440);
    EXPECT_EQ(Convert(at720, {0x1B}), std::vector<uint8_t>{0x2C});
    EXPECT_EQ(Convert(at1440, {0x1B}), std::vector<uint8_t>{0x1C});
    clVDS2_CONVERTER at1439(1439);
    EXPECT_EQ(Convert(at1439, {0x1B}), std::vector<uint8_t>{0x2C});

    // Every byte: each 2-bit field is mapped on its own.
    const int below[4] = {0, 2, 3, 0};
    const int from1440[4] = {0, 1, 3, 0};
    for (int b = 0; b < 256; ++b) {
        const auto in = Codes(static_cast<uint8_t>(b));
        const auto low = Codes(Convert(at720, {static_cast<uint8_t>(b)})[0]);
        const auto high = Codes(Convert(at1440, {static_cast<uint8_t>(b)})[0]);
        for (int f = 0; f < 4; ++f) {
            EXPECT_EQ(low[f], below[in[f]]) << b;
            EXPECT_EQ(high[f], from1440[in[f]]) << b;
        }
    }
    EXPECT_DOUBLE_EQ(at720.GetSizeFactor(), 1.0);
}

TEST(VariableDotConverter, LeavesCallersBytesAndReusesItsBuffer) {
    clVDS2_CONVERTER converter(720);
    std::vector<uint8_t> line = {0x1B, 0xFF, 0x55, 0x00};
    const std::vector<uint8_t> original = line;

    uint8_t* data = line.data();
    uint64_t length = line.size();
    converter.Convert(&data, &length);
    EXPECT_NE(data, line.data());
    EXPECT_EQ(line, original);
    EXPECT_EQ(length, 4u);
    const std::vector<uint8_t> first(data, data + length);
    const uint8_t* buffer = data;

    data = line.data();
    length = line.size();
    converter.Convert(&data, &length);
    EXPECT_EQ(data, buffer);
    EXPECT_EQ(std::vector<uint8_t>(data, data + length), first);
}

TEST(BitConverters, NullOrEmptyInputAndTheBaseConverterChangeNothing) {
    clVDS2_CONVERTER vds(720);
    clBIT_CONVERTER base;
    uint8_t byte = 0x1B;
    for (clBIT_CONVERTER* converter : {static_cast<clBIT_CONVERTER*>(&vds), &base}) {
        uint8_t* data = &byte;
        uint64_t length = converter == &base ? 1 : 0;
        converter->Convert(&data, &length);
        EXPECT_EQ(data, &byte);
        EXPECT_EQ(length, converter == &base ? 1u : 0u);
        EXPECT_EQ(byte, 0x1B);
    }
    uint8_t* data = nullptr;
    uint64_t length = 5;
    vds.Convert(&data, &length);
    EXPECT_EQ(data, nullptr);
    EXPECT_EQ(length, 5u);
    vds.Convert(nullptr, &length);
    vds.Convert(&data, nullptr);
}
