#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "halftone/halftone.h"
#include "halftone_test_support.h"

using httest::Via;

namespace {

struct Member {
    const char* name;
    LinearizeFunction function;
    int bytes;
    std::vector<int32_t> words;  // for the pixel 1, 2, 3, 4, 5, 6, 7
};

class LinearizeTest : public ::testing::Test {
protected:
    LinearizeTest() { httest::MarkMapsAndTables(halftone); }

    std::vector<uint16_t> Run(LinearizeFunction f, const std::vector<uint8_t>& src, int count, int step, size_t words) {
        halftone.SetLinearizeFunction(f);
        std::vector<uint16_t> out(words, 0xEEEE);
        halftone.Linearize(src.data(), count, step, out.data());
        return out;
    }

    CHalftone halftone{nullptr};
};

// Words of the plain and light-ink value sets (bytes 1 to 4).
const int32_t c = Via(0, 1, 0), m = Via(1, 2, 1), y = Via(2, 3, 2), k = Via(3, 4, 3);
const int32_t dc = Via(22, 1, 0), dm = Via(23, 2, 1), lc = Via(14, 1, 4), lm = Via(15, 2, 5);

const std::vector<Member>& Members() {
    static const std::vector<Member> members = {
        {"4A", &CHalftone::LinearizeLine4A, 4, {c, m, y, k}},
        {"5A", &CHalftone::LinearizeLine5A, 5, {c, m, y, k, 84, 84}},  // 5 x 16 through table 4
        {"5B", &CHalftone::LinearizeLine5B, 5, {c, m, y, k, 84, 84}},
        {"5C", &CHalftone::LinearizeLine5C, 5, {c, m, y, k, Via(18, 5, 4), Via(18, 5, 4)}},
        {"6A", &CHalftone::LinearizeLine6A, 6, {c, m, y, k, Via(14, 5, 4), Via(15, 6, 5)}},
        {"6B", &CHalftone::LinearizeLine6B, 6, {c, m, y, k, 84, 101}},
        {"6C", &CHalftone::LinearizeLine6C, 6, {c, m, y, k, 84, 84, 101, 101}},
        {"6D", &CHalftone::LinearizeLine6D, 6, {c, m, y, k, Via(18, 5, 4), 101}},
        {"6E", &CHalftone::LinearizeLine6E, 6, {c, m, y, k, Via(18, 5, 4), Via(18, 5, 4), 101, 101}},
        {"6F", &CHalftone::LinearizeLine6F, 4, {dc, dm, y, k, lc, lm}},
        // Table 4 twice on the light cyan; the white without a table.
        {"6G", &CHalftone::LinearizeLine6G, 5, {dc, dm, y, k, lc + 4, lm, 1805, 1805}},
        {"7A", &CHalftone::LinearizeLine7A, 7,
         {c, m, y, k, Via(14, 5, 4), Via(15, 6, 5), Via(18, 7, 6), Via(18, 7, 6)}},
        {"7B", &CHalftone::LinearizeLine7B, 7, {c, m, y, k, Via(18, 5, 4), Via(18, 5, 4), 101, 118}},
        {"7C", &CHalftone::LinearizeLine7C, 5, {dc, dm, y, k, lc, lm, 86, 86}},
        {"7D", &CHalftone::LinearizeLine7D, 5, {dc, dm, y, k, lc, lm, Via(18, 5, 6), Via(18, 5, 6)}},
        {"8A", &CHalftone::LinearizeLine8A, 6, {dc, dm, y, k, lc, lm, 86, 103}},
        {"8B", &CHalftone::LinearizeLine8B, 6, {dc, dm, y, k, lc, lm, Via(18, 5, 6), 103}},
        // Silver (map 19 of byte 6) present: no white.
        {"8C", &CHalftone::LinearizeLine8C, 6, {dc, dm, y, k, lc, lm, 6, Via(19, 6, 7)}},
    };
    return members;
}

}  // namespace

TEST_F(LinearizeTest, EachMemberReadsItsMapsAndWritesItsWords) {
    const std::vector<uint8_t> pixel{1, 2, 3, 4, 5, 6, 7};
    for (const Member& member : Members()) {
        const std::vector<uint16_t> out = Run(member.function, pixel, 1, 1, member.words.size() + 1);
        EXPECT_EQ(std::vector<int32_t>(out.begin(), out.end() - 1), member.words) << member.name;
        EXPECT_EQ(out.back(), 0xEEEE) << member.name << " writes past its words";
    }
}

// The set-up and the picture check go by what the installing code knows of a
// lineariser: the bytes it steps by (a second pixel right after the first
// gives the same words) and the colours it reads; any other function is no
// lineariser.
TEST_F(LinearizeTest, InstallingKnowsThePixelEachMemberReads) {
    for (const Member& member : Members()) {
        const PixelInput* input = FindLinearizeInput(member.function);
        ASSERT_NE(input, nullptr) << member.name;
        EXPECT_EQ(input->bytes, member.bytes) << member.name;
        const bool orangeGreen = std::string(member.name) == "6A" || std::string(member.name) == "7A";
        EXPECT_EQ(input->colorMode, orangeGreen ? 6 : 4) << member.name;
        std::vector<uint8_t> two{1, 2, 3, 4, 5, 6, 7};
        two.resize(size_t(input->bytes));
        two.insert(two.end(), two.begin(), two.end());
        const size_t words = member.words.size();
        const std::vector<uint16_t> out = Run(member.function, two, 2, 1, 2 * words);
        EXPECT_TRUE(std::equal(out.begin(), out.begin() + long(words), out.begin() + long(words))) << member.name;
        EXPECT_EQ(halftone.LinearizeInput(), input) << member.name;
    }
    EXPECT_FALSE(halftone.SetLinearizeFunction(&CHalftone::LinearizeNone));
    EXPECT_EQ(halftone.LinearizeInput(), nullptr);
}

TEST_F(LinearizeTest, EmptyPixelsGiveZeroWordsWithoutATableLookUp) {
    // Table c sends 0 to c: a word of 0 means no look-up happened.
    for (const Member& member : Members()) {
        const std::vector<uint8_t> pixel(static_cast<size_t>(member.bytes), 0);
        const std::vector<uint16_t> out = Run(member.function, pixel, 1, 1, member.words.size());
        EXPECT_EQ(out, std::vector<uint16_t>(member.words.size(), 0)) << member.name;
    }
}

TEST_F(LinearizeTest, StepConvertsConsecutiveSourcePixels) {
    // Count 5, step 2: pixels 0, 2 and 4 of the line are the first three source pixels.
    const std::vector<uint8_t> src{1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3, 9, 9, 9, 9};
    const std::vector<uint16_t> out = Run(&CHalftone::LinearizeLine4A, src, 5, 2, 13);
    for (int p = 0; p < 3; ++p) EXPECT_EQ(out[4 * p], Via(0, p + 1, 0)) << p;
    EXPECT_EQ(out[12], 0xEEEE);
}

TEST_F(LinearizeTest, WhiteOnlyWithoutSilverAndBothCountInTheLimit) {
    halftone.m_aInputMap[19][0] = 0;
    const std::vector<uint16_t> white = Run(&CHalftone::LinearizeLine8C, {1, 2, 3, 4, 5, 0}, 1, 1, 8);
    EXPECT_EQ(white[6], Via(18, 5, 6));
    EXPECT_EQ(white[7], 7);  // silver 0 through table 7

    // Full colours at 200 %: the silver's half share cuts them further.
    for (int map : {2, 3, 14, 15, 18, 19, 22, 23}) {
        for (int b = 0; b < kInputMapSize; ++b) halftone.m_aInputMap[map][b] = static_cast<uint16_t>(b * 16);
    }
    halftone.m_iInkLimit = 8190;
    const std::vector<uint16_t> plain = Run(&CHalftone::LinearizeLine8C, {255, 255, 255, 0, 0, 0}, 1, 1, 8);
    const std::vector<uint16_t> silver = Run(&CHalftone::LinearizeLine8C, {255, 255, 255, 0, 0, 255}, 1, 1, 8);
    EXPECT_LT(silver[2], plain[2]);
    EXPECT_EQ(silver[7], 4080 + 7);  // never reduced
}
