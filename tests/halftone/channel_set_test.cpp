#include "halftone/channel_set.h"

#include <gtest/gtest.h>

#include "base/text_error.h"

TEST(ChannelSet, CmykJobWithWhiteAndClearSpotColours) {
    const ChannelCodeString codes = GetChannelSetName(4, {"WHITE_INK", "CLEAR_INK"});
    EXPECT_EQ(codes, (ChannelCodeString{10, 11, 12, 13, 100, 101}));
    EXPECT_EQ(ChannelCodesToString(codes), "CMYKWV");
    EXPECT_EQ(CountChannelCode(codes, kChannelWhite), 1u);
    EXPECT_EQ(CountChannelCode(codes, kChannelMetallic), 0u);
    EXPECT_EQ(CountChannelCode(ChannelCodeString(), kChannelWhite), 0u);
}

TEST(ChannelSet, ProcessColourCountsAndUnknownNames) {
    EXPECT_EQ(ChannelCodesToString(GetChannelSetName(3, {})), "RGB");
    EXPECT_EQ(ChannelCodesToString(GetChannelSetName(6, {"METALLIC_INK", "WHITE_INK2"})), "CMYKOGTw");
    EXPECT_EQ(ChannelCodesToString(GetChannelSetName(7, {})), "CMYKRGB");
    EXPECT_EQ(GetChannelSetName(5, {}), ChannelCodeString(5, kChannelUnknown));
    EXPECT_EQ(ChannelCodesToString(GetChannelSetName(5, {})), "NNNNN");
    EXPECT_EQ(GetChannelSetName(4, {"GOLD_INK", "white_ink"}).substr(4), (ChannelCodeString{127, 127}));
    EXPECT_TRUE(GetChannelSetName(0, {}).empty());
    EXPECT_TRUE(GetChannelSetName(-3, {}).empty());
    EXPECT_THROW(GetChannelSetName(1 << 30, {}), TextError);
}

TEST(ChannelSet, LettersParseAndRenderBothWays) {
    const std::string letters = "CMYKORGBvcmykorgbWVTw1234";
    const ChannelCodeString codes = ParseChannelLetters(letters);
    EXPECT_EQ(codes, (ChannelCodeString{10, 11, 12, 13, 14, 15, 16, 17, 18, 30, 31, 32, 33,
                                        34, 35, 36, 37, 100, 101, 102, 103, 110, 111, 112, 113}));
    EXPECT_EQ(ChannelCodesToString(codes), letters);

    EXPECT_EQ(ParseChannelLetters("P"), ChannelCodeString{104});
    EXPECT_EQ(ChannelCodesToString(ChannelCodeString{104}), "N");
    EXPECT_EQ(ParseChannelLetters("?x "), (ChannelCodeString{127, 127, 127}));
    EXPECT_EQ(ChannelCodesToString(ChannelCodeString{0, 19, 0xFFFFFFFFu}), "NNN");
}
