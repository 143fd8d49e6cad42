#include "prndump/mrl_decode.h"

#include <gtest/gtest.h>

#include "prndump/decode_error.h"
#include "prndump/unpack_bits.h"
#include "stream_samples.h"

namespace {

using namespace samples;
using prndecode::DecodeError;
using prndecode::DecodeMrl;

TEST(UnpackBits, FollowsThePacketHeaders) {
    const Bytes packed = B({0x02, 1, 2, 3, 0x80, 0xFE, 9, 0x81, 0});
    Bytes expected = B({1, 2, 3, 9, 9, 9});
    expected.insert(expected.end(), 128, 0);
    EXPECT_EQ(prndecode::UnpackAllBits(packed.data(), packed.size()), expected);

    Bytes out;
    EXPECT_EQ(prndecode::UnpackBits(packed.data(), packed.size(), 6, out), 7u);
    EXPECT_EQ(out, B({1, 2, 3, 9, 9, 9}));
}

TEST(UnpackBits, RefusesTruncatedOrOvershootingData) {
    const Bytes literal = B({0x05, 1, 2});
    EXPECT_THROW(prndecode::UnpackAllBits(literal.data(), literal.size()), DecodeError);
    const Bytes repeat = B({0xFE});
    EXPECT_THROW(prndecode::UnpackAllBits(repeat.data(), repeat.size()), DecodeError);
    Bytes out;
    const Bytes run = B({0xFD, 7});  // four bytes
    EXPECT_THROW(prndecode::UnpackBits(run.data(), run.size(), 3, out), DecodeError);
    out.clear();
    EXPECT_THROW(prndecode::UnpackBits(run.data(), run.size(), 5, out), DecodeError);
}

TEST(MrlDecode, ReadsAPageHeaderAndRasterLine) {
    const auto header = DecodeMrl(kJv33PageHeader);
    ASSERT_EQ(header.size(), 4u);
    EXPECT_EQ(header[0].name, "QK");
    EXPECT_EQ(header[0].Value("p1"), 40u);
    EXPECT_EQ(header[2].Value("p3"), 999u);
    EXPECT_EQ(header[2].Value("p5"), 3u);
    EXPECT_EQ(header[3].lengthByte, 11);
    EXPECT_EQ(header[3].Value("yres"), 720u);
    EXPECT_EQ(header[3].Value("p8"), 6u);
    for (const auto& command : header) EXPECT_TRUE(command.issues.empty()) << prndecode::FormatCommand(command);
    EXPECT_EQ(prndecode::FormatCommand(header[3]), "QP[11] p1=17 yres=720 xres=720 p4=4 p5=1 p6=1 p7=2 p8=6");

    const auto line = DecodeMrl(Jv33Line0());
    ASSERT_EQ(line.size(), 5u);
    EXPECT_TRUE(line[0].isRaster);
    EXPECT_EQ(line[0].row, B({0xF0, 0x0F}));
    EXPECT_EQ(line[2].compression, 1);
    EXPECT_EQ(line[2].dataSize, 2u);
    EXPECT_EQ(line[2].row, Bytes(4, 0xFF));
    EXPECT_TRUE(line[3].IsPlaneEnd());
    EXPECT_TRUE(line[4].IsLineEnd());
    EXPECT_EQ(prndecode::FormatCommand(line[2]),
              "QD[7] colour=1(M) compression=1 bpp=1 count=4 lines=1 + 2 packed bytes");
}

TEST(MrlDecode, ReadsClassicAndLayeredForms) {
    const Bytes classic = B({0x1B, '@', 'M', 'A', 0, 0, 1, 0xFF, 'M', 'G', 'J', 'o', 'b', ' ', ' ', ' ', ' ', ' ', ' ',
                             ' ', ' ', ' ', ' ', ' ', ' ', ' ', 'M', 'W', 0x56, 0x34, 0x12, 0x1B, 'i', 0, 1, 1, 3, 0,
                             1, 0, 0xFE, 0x55, 0x0D, 0x0A, 0x0C});
    const auto commands = DecodeMrl(classic);
    ASSERT_EQ(commands.size(), 8u);
    EXPECT_EQ(commands[1].Value("magnitude"), 255u);
    EXPECT_EQ(commands[2].text, "Job             ");
    EXPECT_EQ(commands[3].Value("p1"), 0x123456u);
    EXPECT_EQ(commands[4].name, "ESC i");
    EXPECT_EQ(commands[4].row, B({0x55, 0x55, 0x55}));
    EXPECT_TRUE(commands[5].IsPlaneEnd());
    EXPECT_TRUE(commands[6].IsLineEnd());
    EXPECT_EQ(commands[7].name, "FF");

    // The layered "QD" carries the size of the data that follows and a layer code.
    const auto layered = DecodeMrl(B({'Q', 'D', 10, 2, 1, 1, 6, 0, 1, 0, 2, 0, 3, 0xFB, 0x11, 'Q', 'R', 1, 1}));
    ASSERT_EQ(layered.size(), 2u);
    EXPECT_EQ(layered[0].layer, 3);
    EXPECT_EQ(layered[0].row, Bytes(6, 0x11));
    EXPECT_TRUE(layered[0].issues.empty());
}

// The JV5 page header ends with a 10-byte "QP" (0xFF last) and "PB".
TEST(MrlDecode, ReadsTheShortQPAndPB) {
    const auto commands = DecodeMrl(B({'Q', 'P', 10, 1, 0xA0, 0x05, 0xD0, 0x02, 8, 1, 0, 2, 0xFF, 'P', 'B', 1, 1}));
    ASSERT_EQ(commands.size(), 2u);
    EXPECT_EQ(prndecode::FormatCommand(commands[0]), "QP[10] p1=1 yres=1440 xres=720 p4=8 p5=1 p6=0 p7=2");
    EXPECT_TRUE(commands[0].issues.empty());
    EXPECT_EQ(commands[1].Value("p1"), 1u);
    EXPECT_TRUE(commands[1].issues.empty());
}

TEST(MrlDecode, ReadsTheFlatbedPageEndsAndLayerHeaders) {
    const auto commands = DecodeMrl(B({'M', 'Z', 3, 0, 'I', 'n', 'k', 'M', 'U', 0, 0x58, 0x02, 0x10, 0x20, 0x01,
                                       'M', 'V', 1, 9, 0, 0, 'P', 'D', 4, 2, 3, 2, 1,
                                       'Q', 'V', 9, 1, 10, 10, 20, 20, 30, 30, 40, 40, 'M', 'Z', 0, 0}));
    ASSERT_EQ(commands.size(), 6u);
    EXPECT_EQ(commands[0].text, "Ink");
    EXPECT_EQ(commands[1].Value("yres"), 600u);
    EXPECT_EQ(commands[1].Value("feed"), 0x012010u);
    EXPECT_EQ(commands[2].Value("count"), 9u);
    EXPECT_EQ(commands[3].Value("p2"), 3u);
    EXPECT_EQ(commands[4].Value("mode"), 1u);
    EXPECT_EQ(commands[4].Value("p9"), 40u);
    EXPECT_EQ(commands[5].text, "");
    for (const auto& c : commands) EXPECT_TRUE(c.issues.empty()) << c.name;
    EXPECT_THROW(DecodeMrl(B({'M', 'Z', 5, 0, 'a'})), prndecode::DecodeError);
}

TEST(MrlDecode, FlagsFixedBytesThatDifferFromTheForm) {
    const auto commands = DecodeMrl(B({'Q', 'K', 7, 1, 2, 3, 0xFF, 0x00, 0xFF, 0xFF, 'Q', 'Z', 2, 9, 9, 'Q', 'E', 0}));
    ASSERT_EQ(commands.size(), 3u);
    ASSERT_EQ(commands[0].issues.size(), 1u);
    EXPECT_NE(commands[0].issues[0].find("byte 4"), std::string::npos) << commands[0].issues[0];
    EXPECT_EQ(commands[1].issues, std::vector<std::string>{"unknown command form"});
    EXPECT_EQ(commands[2].name, "QE");
    // A raster command covers one line.
    const auto twoLines = DecodeMrl(B({'Q', 'D', 7, 0, 0, 1, 1, 0, 2, 0, 0xFF}));
    EXPECT_EQ(twoLines[0].issues.size(), 1u);
}

TEST(MrlDecode, ReadsTheCommandsOfTheJV4Line) {
    const auto commands = DecodeMrl(B({'M', 'E', 1, 0, 0xFF, 'M', 'M', 1, 0, 1, 'M', 'Y', 16, 'M', 'E', 0, 1, 0}));
    ASSERT_EQ(commands.size(), 4u);
    EXPECT_EQ(commands[0].Value("xdoubled"), 1u);
    EXPECT_EQ(commands[1].Value("thin"), 1u);
    EXPECT_EQ(commands[2].Value("ink"), 16u);
    for (size_t i = 0; i < 3; ++i) EXPECT_TRUE(commands[i].issues.empty()) << commands[i].name;
    EXPECT_EQ(commands[3].issues.size(), 1u);  // the third byte of "ME" is 0xFF
}

TEST(MrlDecode, RefusesWhatItCannotFrame) {
    const std::vector<Bytes> broken = {
        B({'Q', 'E', 0, 0x99}),                            // unknown byte
        B({'M', 'Z', 1}),                                  // fixed form of unknown length
        B({'Q', 'P', 11, 17, 0xD0}),                       // parameters cut short
        B({'Q', 'C'}),                                     // no length byte
        B({0x1B, 'x'}),                                    // unknown ESC command
        B({'Q', 'D', 7, 2, 0, 1, 5, 0, 1, 0, 1, 2}),       // raw data cut short
        B({'Q', 'D', 7, 2, 1, 1, 5, 0, 1, 0, 0xF9, 0}),    // packed data overshoots the count
        B({'Q', 'D', 7, 2, 3, 1, 1, 0, 1, 0, 0}),          // unknown compression
        B({'Q', 'D', 10, 2, 0, 1, 1, 0, 1, 0, 9, 0, 0, 1}),  // data size past the record
    };
    for (const Bytes& bytes : broken) {
        EXPECT_THROW(DecodeMrl(bytes), DecodeError) << testing::PrintToString(bytes);
    }
    try {
        DecodeMrl(B({'Q', 'E', 0, 'Q', 'E', 0, 0x99}));
    } catch (const DecodeError& e) {
        EXPECT_NE(std::string(e.what()).find("offset 6"), std::string::npos) << e.what();
    }
}

}  // namespace
