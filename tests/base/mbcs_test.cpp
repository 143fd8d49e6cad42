#include "base/mbcs.h"

#include <gtest/gtest.h>

#include "platform/codepage.h"

namespace {

// Runs a test body with the Japanese double-byte code page active.
class ShiftJis : public ::testing::Test {
protected:
    void SetUp() override {
        saved_ = platform::ActiveCodePage();
        ASSERT_TRUE(platform::SetActiveCodePage(932));
        RebuildLeadByteTable();
    }
    void TearDown() override {
        platform::SetActiveCodePage(saved_);
        RebuildLeadByteTable();
    }
    unsigned saved_ = 1252;
};

// 0x95 0x5C is one double-byte character whose trail byte equals '\\'.
const std::string kTrailBackslash = "a\x95\\b\\";

TEST_F(ShiftJis, ReplaceLeavesTrailBytesEqualToTheCharacterAlone) {
    std::string s = kTrailBackslash;
    ReplaceCharMbcs(s, '\\', '/');
    EXPECT_EQ(s, "a\x95\\b/");
}

TEST_F(ShiftJis, SearchesNeverReportATrailByte) {
    EXPECT_EQ(RFindCharMbcs(kTrailBackslash, '\\', -1), 4);
    EXPECT_EQ(RFindCharMbcs(kTrailBackslash, '\\', 3), -1);
    EXPECT_EQ(FindLastOfMbcs(kTrailBackslash, "/\\", 2), -1);
    EXPECT_EQ(FindLastOfMbcs(kTrailBackslash, "a/\\", 2), 0);
}

TEST_F(ShiftJis, LastCharPosIsMinusOneWhenTheStringEndsInATrailByte) {
    EXPECT_EQ(LastCharPosMbcs("ab"), 1);
    EXPECT_EQ(LastCharPosMbcs("a\x95\\"), -1);
    EXPECT_EQ(LastCharPosMbcs(""), -1);
    EXPECT_TRUE(ActiveLeadByteTable().isMultiByte);
    EXPECT_TRUE(ActiveLeadByteTable().isLeadByte[0xE0]);
    EXPECT_FALSE(ActiveLeadByteTable().isLeadByte[0xA0]);
}

// The lead-byte ranges 0x81-0x9F and 0xE0-0xFC, each end included: a
// backslash after a lead byte is that character's trail byte, never a folder
// separator; after the bytes just outside the ranges it is one.
TEST_F(ShiftJis, EveryLeadByteRangeEndsAtItsLastByte) {
    for (uint8_t lead : {0x81, 0x9F, 0xE0, 0xFC}) {
        const std::string path = std::string("C:\\a") + char(lead) + "\\b";
        std::string slashed = path;
        ReplaceCharMbcs(slashed, '\\', '/');
        EXPECT_EQ(slashed, std::string("C:/a") + char(lead) + "\\b") << int(lead);
        EXPECT_EQ(RFindCharMbcs(path, '\\', -1), 2) << int(lead);
        EXPECT_EQ(LastCharPosMbcs(path.substr(0, 6)), -1) << int(lead);  // ends inside the character
    }
    for (uint8_t single : {0x80, 0xA0, 0xDF, 0xFD}) {
        std::string slashed = std::string("C:\\a") + char(single) + "\\b";
        ReplaceCharMbcs(slashed, '\\', '/');
        EXPECT_EQ(slashed, std::string("C:/a") + char(single) + "/b") << int(single);
    }
}

TEST(SingleByteCodePage, FunctionsWorkByteByByte) {
    ASSERT_FALSE(ActiveLeadByteTable().isMultiByte);
    std::string s = kTrailBackslash;
    ReplaceCharMbcs(s, '\\', '/');
    EXPECT_EQ(s, "a\x95/b/");
    EXPECT_EQ(RFindCharMbcs(kTrailBackslash, '\\', 3), 2);
    EXPECT_EQ(LastCharPosMbcs("a\x95\\"), 2);
}

TEST(SingleByteCodePage, UnknownCodePagesAreRefused) {
    EXPECT_FALSE(platform::SetActiveCodePage(12345));
    EXPECT_FALSE(BuildLeadByteTable(12345).isMultiByte);
}

}  // namespace
