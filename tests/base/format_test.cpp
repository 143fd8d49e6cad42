#include "base/format.h"

#include <gtest/gtest.h>

TEST(FormatString, ReplacesContentsAndGrowsPastTheFirstBuffer) {
    std::string s = "old";
    FormatString(s, "%d-%s", 7, "x");
    EXPECT_EQ(s, "7-x");
    const std::string long_text(10000, 'a');
    FormatString(s, "%s!", long_text.c_str());
    EXPECT_EQ(s, long_text + "!");
}

TEST(FormatString, CutsAt43008Characters) {
    const std::string huge(50000, 'z');
    std::string s;
    FormatString(s, "%s", huge.c_str());
    EXPECT_EQ(s.size(), 43008u);
    EXPECT_EQ(s, huge.substr(0, 43008));
}

TEST(AppendFormat, AppendsOnlyTextsOfOneTo1023Characters) {
    std::string s = "a";
    AppendFormat(s, "%s", "");
    EXPECT_EQ(s, "a");
    AppendFormat(s, "%03d", 5);
    EXPECT_EQ(s, "a005");
    AppendFormat(s, "%s", std::string(1023, 'b').c_str());
    EXPECT_EQ(s.size(), 4u + 1023u);
    AppendFormat(s, "%s", std::string(1024, 'c').c_str());
    EXPECT_EQ(s.size(), 4u + 1023u);
}
