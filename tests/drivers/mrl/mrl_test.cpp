#include "drivers/mrl/mrl.h"

#include <gtest/gtest.h>

#include <climits>
#include <random>
#include <string>

#include "drivers/mrl/packbits.h"
#include "base/byte_buffer.h"
#include "base/text_error.h"
#include "prndump/mrl_decode.h"

namespace {

Bytes B(std::initializer_list<int> values) {
    Bytes out;
    for (int v : values) out.push_back(uint8_t(v));
    return out;
}

// Two letters followed by the given bytes.
Bytes Cmd(const char* letters, std::initializer_list<int> rest) {
    Bytes out{uint8_t(letters[0]), uint8_t(letters[1])};
    for (int v : rest) out.push_back(uint8_t(v));
    return out;
}

Bytes Cat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& part : parts) out.insert(out.end(), part.begin(), part.end());
    return out;
}

TEST(MrlFields, AreLittleEndianAndTruncatedToTheirWidth) {
    EXPECT_EQ(MRL_AppendWord(0x1234), B({0x34, 0x12}));
    EXPECT_EQ(MRL_Bytes24(0xAA010203), B({0x03, 0x02, 0x01}));
    Bytes out{0x99};
    MRL_AppendLE32(out, 0x01020304);
    MRL_Field32(out, 0xA0B0C0D0);
    MRL_Field16(out, 0xBEEF);
    MRL_AppendWord(out, 0x0102);
    EXPECT_EQ(out, B({0x99, 4, 3, 2, 1, 0xD0, 0xC0, 0xB0, 0xA0, 0xEF, 0xBE, 0x02, 0x01}));
    // Byte fields take the low 8 bits of the value given.
    EXPECT_EQ(MRL("XY", mrl::u8(0x1FE), mrl::u8(uint32_t(-2))), Cmd("XY", {2, 0xFE, 0xFE}));
}

TEST(MrlBuilders, LayOutTheLengthPrefixedCommands) {
    EXPECT_EQ(MRL_IV_QE(), B({0x51, 0x45, 0x00}));
    EXPECT_EQ(MRL_QR(1), B({0x51, 0x52, 0x01, 0x01}));
    EXPECT_EQ(MRL_QR(0), Cmd("QR", {1, 0}));
    EXPECT_EQ(MRL_QC(1, 2, 0x0304, 5, 6), Cmd("QC", {11, 0xFF, 1, 2, 0x04, 0x03, 5, 6, 0xFF, 0x00, 0xFF, 0x00}));
    EXPECT_EQ(MRL_QK(40, 0xFF, 0), Cmd("QK", {7, 40, 0xFF, 0, 0xFF, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(MRL_IV_QK(1, 2, 3, 4), Cmd("QK", {8, 1, 2, 3, 0xFF, 0xFF, 0xFF, 0xFF, 4}));
    EXPECT_EQ(MRL_QP(17, 1080, 720, 8, 1, 1, 2, 6),
              Cmd("QP", {11, 17, 0x38, 0x04, 0xD0, 0x02, 8, 1, 1, 2, 0xFF, 6}));
    EXPECT_EQ(MRL_IV_QP(1, 720, 1440, 4, 5, 6, 7, 8, 9, 10),
              Cmd("QP", {12, 1, 0xD0, 0x02, 0xA0, 0x05, 4, 5, 6, 7, 8, 9, 10}));
    EXPECT_EQ(MRL_IV_QP12(1, 720, 540, 4, 5, 6, 7, 8, 9, 10, 11),
              Cmd("QP", {13, 1, 0xD0, 0x02, 0x1C, 0x02, 4, 5, 6, 7, 8, 9, 10, 11}));
    EXPECT_EQ(MRL_IV_QX(7, 0x01020304), Cmd("QX", {5, 7, 4, 3, 2, 1}));
    EXPECT_EQ(MRL_IV_QT(1, 5000), Cmd("QT", {5, 1, 0x88, 0x13, 0, 0}));
    EXPECT_EQ(MRL_IV_PI(1), Cmd("PI", {1, 1}));
    EXPECT_EQ(MRL_PL(1, 2, 1, 1), Cmd("PL", {4, 1, 2, 1, 1}));
    EXPECT_EQ(MRL_IV_PH(), Cmd("PH", {2, 0xFF, 0xFF}));
    EXPECT_EQ(MRL_IV_GT(128), Cmd("GT", {1, 128}));
    EXPECT_EQ(MRL_IV_GS(1, 2, 0x0304, 0x05060708, 0x090A0B0C, true, 9),
              Cmd("GS", {16, 1, 2, 4, 3, 8, 7, 6, 5, 0x0C, 0x0B, 0x0A, 0x09, 0, 0, 0, 9}));
    EXPECT_EQ(MRL_IV_GS(1, 2, 3, 4, 5, false, 6),
              Cmd("GS", {16, 1, 2, 3, 0, 4, 0, 0, 0, 5, 0, 0, 0, 0xFF, 0xFF, 0xFF, 6}));
    EXPECT_EQ(MRL_IV_GR(), Cat({Cmd("GR", {18, 1, 0}), Bytes(16, 0x01)}));
    EXPECT_EQ(MRL_IV_GR_Zero(), Cat({Cmd("GR", {18, 0, 0}), Bytes(16, 0x01)}));
    EXPECT_EQ(MRL_QD(0x12, 1, 2, 0x0150), Cmd("QD", {7, 0x12, 1, 2, 0x50, 0x01, 1, 0}));
    EXPECT_EQ(MRL_Q_At(), Cmd("Q@", {0}));
    EXPECT_EQ(MRL_QD_WithLayer(0x12, 1, 2, 0x0150, 0x20, 2),
              Cmd("QD", {10, 0x12, 1, 2, 0x50, 0x01, 1, 0, 0x20, 0, 2}));
    EXPECT_EQ(MRL_QY(1, 0x00012345), Cmd("QY", {5, 1, 0x45, 0x23, 0x01, 0}));
    EXPECT_EQ(MRL_QZ(1, 2, 3, 15, 0), Cmd("QZ", {5, 1, 2, 3, 15, 0}));
    EXPECT_THROW(MRL_QD_WithLayer(0, 1, 1, 100, 0x10000, 0), TextError);
}

TEST(MrlBuilders, QaSendsSignAndLimitedMagnitude) {
    EXPECT_EQ(MRL_QA(-300, 255), Cmd("QA", {3, 1, 0xFF, 0x00}));
    EXPECT_EQ(MRL_QA(7, 255), Cmd("QA", {3, 0, 0x07, 0x00}));
    EXPECT_EQ(MRL_QA(-300, 9999), Cmd("QA", {3, 1, 0x2C, 0x01}));
    EXPECT_EQ(MRL_QA(INT_MIN, 9999), Cmd("QA", {3, 1, 0x0F, 0x27}));
}

TEST(MrlBuilders, LayOutTheClassicCommandsAndControlCodes) {
    EXPECT_EQ(MRL_ESC_At(), B({0x1B, 0x40}));
    EXPECT_EQ(MRL_ESC_i(4, 0, true, 0x0203), B({0x1B, 0x69, 4, 0, 2, 0x03, 0x02, 1, 0}));
    EXPECT_EQ(MRL_ESC_i(4, 1, false, 9), B({0x1B, 0x69, 4, 1, 1, 9, 0, 1, 0}));
    EXPECT_EQ(MRL_CR(), B({0x0D}));
    EXPECT_EQ(MRL_LF(), B({0x0A}));
    EXPECT_EQ(MRL_FF(), B({0x0C}));
    EXPECT_EQ(MRL_MA(-300), Cmd("MA", {0x00, 0x00, 0x01, 0xFF}));
    EXPECT_EQ(MRL_MA(7), Cmd("MA", {0x00, 0x00, 0x00, 0x07}));
    EXPECT_EQ(MRL_MA(255), Cmd("MA", {0, 0, 0, 255}));
    EXPECT_EQ(MRL_MA(-256), Cmd("MA", {0, 0, 1, 255}));
    EXPECT_EQ(MRL_MA(INT_MIN), Cmd("MA", {0, 0, 1, 255}));
    EXPECT_EQ(MRL_MC(3), Cmd("MC", {3}));
    EXPECT_EQ(MRL_MD(0x0102, 0x0304), Cmd("MD", {2, 1, 4, 3}));
    EXPECT_EQ(MRL_MJ(5), Cmd("MJ", {5, 0xFF, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(MRL_MK(1, 2), Cmd("MK", {0xFF, 1, 2, 0xFF, 0xFF}));
    EXPECT_EQ(MRL_MP(1, 2, 3, 4, 0x0506, 0x0708), Cmd("MP", {1, 2, 3, 4, 6, 5, 8, 7, 0xFF}));
    EXPECT_EQ(MRL_MW(0x7F123456), Cmd("MW", {0x56, 0x34, 0x12}));
    EXPECT_EQ(MRL_SO(1, 2, 0), Cmd("SO", {1, 2, 0, 0xFF, 0xFF, 0xFF}));
}

TEST(MrlBuilders, MgSendsSixteenBlankPaddedCharacters) {
    const Bytes longName = MRL_MG("ABCDEFGHIJKLMNOPQRST");
    EXPECT_EQ(std::string(longName.begin(), longName.end()), "MGABCDEFGHIJKLMNOP");
    const Bytes shortName = MRL_MG("Job");
    EXPECT_EQ(std::string(shortName.begin(), shortName.end()), "MGJob             ");
}

TEST(MrlBuilders, PlaneCountsBeyondSixteenBitsAreRefused) {
    EXPECT_EQ(MRL_QD(0, 0, 1, 0xFFFF).size(), 10u);
    EXPECT_THROW(MRL_QD(0, 0, 1, 0x10000), TextError);
    EXPECT_THROW(MRL_ESC_i(0, 0, false, 70000), TextError);
    ByteBuffer out;
    ByteBuffer scratch;
    const Bytes plane(0x10001, 0x55);
    try {
        AppendPlaneRecord(out, scratch, RasterForm::Q, 2, false, plane.data(), plane.size());
        FAIL() << "a plane of 65537 bytes was accepted";
    } catch (const TextError& e) {
        EXPECT_NE(std::string(e.what()).find("65537"), std::string::npos) << e.what();
    }
    EXPECT_EQ(out.size(), 0u);
}

TEST(MrlComposites, FeedAdjustGivesMaOnlyWhenItDiffersFromOne) {
    EXPECT_TRUE(MRL_MA_FromFeedAdjust(1.0).empty());
    EXPECT_EQ(MRL_MA_FromFeedAdjust(1.0012), MRL_MA(12));
    EXPECT_EQ(MRL_MA_FromFeedAdjust(0.9995), MRL_MA(-5));
    EXPECT_EQ(MRL_MA_FromFeedAdjust(1.00005), MRL_MA(1));  // halves round away from zero
    EXPECT_EQ(MRL_MA_FromFeedAdjust(1.5), MRL_MA(5000));   // sent as 255
}

TEST(MrlComposites, ResolutionCodeFollowsTheProductOfTheResolutions) {
    EXPECT_EQ(MRL_ResolutionCode(360 * 540, 1, 0), 1);
    EXPECT_EQ(MRL_ResolutionCode(360 * 720, 1, 0), 33);
    EXPECT_EQ(MRL_ResolutionCode(360 * 720, 2, 0), 16);
    EXPECT_EQ(MRL_ResolutionCode(720 * 720, 1, 0), 2);
    EXPECT_EQ(MRL_ResolutionCode(720 * 720, 2, 0), 17);
    EXPECT_EQ(MRL_ResolutionCode(720 * 1440, 1, 0), 49);
    EXPECT_EQ(MRL_ResolutionCode(720 * 1440, 3, 0), 17);
    EXPECT_EQ(MRL_ResolutionCode(1440 * 1440, 1, 0), 50);
    EXPECT_EQ(MRL_ResolutionCode(1440 * 1440, 2, 0), 50);
    EXPECT_EQ(MRL_ResolutionCode(720 * 720, 3, 6), 2);
}

TEST(MrlComposites, SoForWhiteInkOnlyOnClass17WithWhite) {
    EXPECT_EQ(MRL_SO_ForWhiteInk(17, 420, 1, 0), MRL_SO(1, 1, 0));
    for (int code : {419, 421, 460, 464}) EXPECT_EQ(MRL_SO_ForWhiteInk(17, code, 2, 1), MRL_SO(1, 2, 1)) << code;
    EXPECT_TRUE(MRL_SO_ForWhiteInk(17, 422, 1, 0).empty());
    EXPECT_TRUE(MRL_SO_ForWhiteInk(0, 420, 1, 0).empty());
    EXPECT_EQ(MRL_SO_ForWhiteInk(17, 420, 5, 2), MRL_SO(1, 0xFF, 0xFF));
    EXPECT_EQ(MRL_SO_ForWhiteInk(17, 420, -1, -1), MRL_SO(1, 0xFF, 0xFF));
}

TEST(MrlComposites, OverPlottingLevelsChooseModeAndPl) {
    const OverPlotting none = MRL_IV_PL_OverPlottingForLevel(0);
    EXPECT_EQ(none.overPlottingMode, 0);
    EXPECT_TRUE(none.command.empty());
    EXPECT_TRUE(MRL_IV_PL_OverPlottingForLevel(4).command.empty());
    const OverPlotting one = MRL_IV_PL_OverPlottingForLevel(1);
    EXPECT_EQ(one.overPlottingMode, 1);
    EXPECT_EQ(one.command, MRL_PL(1, 2, 0, 0xFF));
    EXPECT_EQ(MRL_IV_PL_OverPlottingForLevel(2).command, MRL_PL(1, 2, 1, 0xFF));
    const OverPlotting three = MRL_IV_PL_OverPlottingForLevel(3);
    EXPECT_EQ(three.overPlottingMode, 3);
    EXPECT_EQ(three.mode, -2);
    EXPECT_EQ(three.command, MRL_PL(1, 2, 0xFE, 0xFF));
}

// A page header as the JV33 line writes one decodes back to its commands.
TEST(MrlBuilders, DecodeBackToTheirFields) {
    const Bytes header = Cat({MRL_QK(40, 0xFF, 0xFF), MRL_Q_At(), MRL_QA(-12, 255), MRL_QC(1, 0xFF, 999, 0xFF, 3),
                              MRL_QP(17, 720, 720, 4, 1, 1, 2, 6), MRL_PL(1, 2, 1, 1), MRL_IV_QP12(1, 720, 540, 4, 5, 6, 7, 8, 9, 10, 11),
                              MRL_IV_GS(1, 2, 3, 4, 5, true, 6), MRL_IV_GR(), MRL_MA(-300), MRL_MG("Job"), MRL_MW(0x123456),
                              MRL_SO(1, 2, 0), MRL_MK(1, 2), MRL_MP(1, 2, 3, 4, 5, 6), MRL_ESC_At(), MRL_FF()});
    const auto commands = prndecode::DecodeMrl(header);
    std::vector<std::string> names;
    for (const auto& command : commands) {
        names.push_back(command.name);
        EXPECT_TRUE(command.issues.empty()) << prndecode::FormatCommand(command);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"QK", "Q@", "QA", "QC", "QP", "PL", "QP", "GS", "GR", "MA", "MG", "MW",
                                               "SO", "MK", "MP", "ESC @", "FF"}));
    EXPECT_EQ(commands[2].Value("magnitude"), 12u);
    EXPECT_EQ(commands[6].Value("p11"), 11u);
}

// Raster plane records of random planes come back as the trimmed planes.
TEST(MrlRaster, PlaneRecordsDecodeBackToThePlanes) {
    for (RasterForm form : {RasterForm::Q, RasterForm::Classic}) {
        std::mt19937 rng(form == RasterForm::Q ? 11 : 12);
        ByteBuffer out;
        ByteBuffer scratch;
        constexpr size_t kBytes = 300;
        for (int line = 0; line < 200; ++line) {
            out.Resize(0);
            std::vector<Bytes> planes(4, Bytes(kBytes, 0));
            for (Bytes& plane : planes) {
                const size_t used = std::uniform_int_distribution<size_t>(0, kBytes)(rng);
                const int style = std::uniform_int_distribution<int>(0, 2)(rng);
                for (size_t i = 0; i < used; ++i) {
                    plane[i] = style == 0 ? 0 : style == 1 ? uint8_t(rng()) : uint8_t(i / 40 % 2 ? 0xFF : 0x00);
                }
            }
            for (size_t p = 0; p < planes.size(); ++p) {
                const size_t n = TrimmedPlaneLength(planes[p].data(), kBytes);
                AppendPlaneRecord(out, scratch, form, uint8_t(p), line % 2 == 1, planes[p].data(), n);
            }
            AppendLineEnd(out, form);

            const auto commands = prndecode::DecodeMrl(out.data(), out.size());
            size_t next = 0;
            for (size_t p = 0; p < planes.size(); ++p) {
                const size_t n = TrimmedPlaneLength(planes[p].data(), kBytes);
                if (n == 0) continue;
                ASSERT_LT(next + 1, commands.size());
                const auto& record = commands[next];
                ASSERT_TRUE(record.isRaster);
                EXPECT_EQ(record.colour, p);
                EXPECT_EQ(record.bitsPerPixel, line % 2 == 1 ? 2 : 1);
                EXPECT_EQ(record.count, n);
                EXPECT_EQ(record.row, Bytes(planes[p].begin(), planes[p].begin() + long(n)));
                // Packed only where that is shorter.
                EXPECT_EQ(record.compression == 1, PackBitsEncode(record.row).size() < n);
                EXPECT_TRUE(commands[next + 1].IsPlaneEnd());
                next += 2;
            }
            ASSERT_EQ(commands.size(), next + 1);
            EXPECT_TRUE(commands.back().IsLineEnd());
        }
    }
}

TEST(MrlRaster, BlankPlanesSendOnlyTheLineEnd) {
    ByteBuffer out;
    ByteBuffer scratch;
    const Bytes blank(64, 0);
    EXPECT_EQ(TrimmedPlaneLength(blank.data(), blank.size()), 0u);
    // The trim ends at the last inked byte wherever it lies among the words.
    for (size_t bytes = 1; bytes <= 80; ++bytes) {
        for (size_t last = 0; last < bytes; ++last) {
            Bytes plane(bytes, 0);
            plane[last] = 0x40;
            plane[0] |= 1;
            ASSERT_EQ(TrimmedPlaneLength(plane.data(), bytes), last + 1) << bytes << " bytes";
        }
    }
    AppendPlaneRecord(out, scratch, RasterForm::Q, 2, false, blank.data(), 0);
    AppendLineEnd(out, RasterForm::Q);
    EXPECT_EQ(Bytes(out.begin(), out.end()), B({0x51, 0x52, 0x01, 0x01}));
    out.Resize(0);
    AppendPlaneRecord(out, scratch, RasterForm::Classic, 2, false, blank.data(), 0);
    AppendLineEnd(out, RasterForm::Classic);
    EXPECT_EQ(Bytes(out.begin(), out.end()), B({0x0A}));
}

TEST(MrlRaster, PlaneRecordBytesAreExact) {
    ByteBuffer out;
    ByteBuffer scratch;
    const Bytes zeros(10, 0);  // never trimmed here: the count is the caller's
    AppendPlaneRecord(out, scratch, RasterForm::Q, 0x11, true, zeros.data(), zeros.size());
    EXPECT_EQ(Bytes(out.begin(), out.end()), Cat({MRL_QD(0x11, 1, 2, 10), B({0xF7, 0x00}), MRL_QR(0)}));
    // A row that packs into as many bytes as it has goes out raw.
    out.Resize(0);
    const Bytes even{1, 1, 1, 2};
    AppendPlaneRecord(out, scratch, RasterForm::Q, 2, false, even.data(), even.size());
    EXPECT_EQ(Bytes(out.begin(), out.end()), Cat({MRL_QD(2, 0, 1, 4), even, MRL_QR(0)}));
    out.Resize(0);
    const Bytes raw{1, 2, 3};
    AppendPlaneRecord(out, scratch, RasterForm::Classic, 4, false, raw.data(), raw.size());
    EXPECT_EQ(Bytes(out.begin(), out.end()), Cat({MRL_ESC_i(4, 0, false, 3), raw, MRL_CR()}));
}

}  // namespace
