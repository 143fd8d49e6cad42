#include "base/format.h"

#include <gtest/gtest.h>

#include <clocale>
#include <locale>

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

namespace {

// A C++ locale whose numbers use a decimal comma and grouping.
struct CommaPunct : std::numpunct<char> {
    char do_decimal_point() const override { return ','; }
    char do_thousands_sep() const override { return '.'; }
    std::string do_grouping() const override { return "\3"; }
};

}  // namespace

TEST(LocaleFreeNumbers, WriteAndReadTheCForms) {
    EXPECT_EQ(FormatDecimal(-2147483648LL), "-2147483648");
    EXPECT_EQ(FormatFixed(19.9, 4), "19.9000");
    EXPECT_EQ(FormatFixed(0.0, 4), "0.0000");
    EXPECT_EQ(FormatFixed(-0.25, 1), "-0.2");  // as printf rounds: to even
    EXPECT_EQ(FormatFixed(1e300, 0).size(), 301u);
    double v = 7;
    EXPECT_TRUE(ParseDecimal("19.9000", v));
    EXPECT_EQ(v, 19.9);
    EXPECT_TRUE(ParseDecimal("-3", v));
    EXPECT_EQ(v, -3.0);
    for (const char* bad : {"", "1,5", "1.5x", " 1", "+", "1e3"}) {
        v = 7;
        EXPECT_FALSE(ParseDecimal(bad, v)) << bad;
        EXPECT_EQ(v, 7.0);
    }
}

TEST(LocaleFreeNumbers, IgnoreADecimalCommaLocale) {
    const std::locale previous = std::locale::global(std::locale(std::locale::classic(), new CommaPunct));
    std::string previousC = std::setlocale(LC_NUMERIC, nullptr);
    bool commaC = false;
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "German_Germany.1252"}) {
        if (std::setlocale(LC_NUMERIC, name)) {
            commaC = true;
            break;
        }
    }
    EXPECT_EQ(FormatFixed(19.9, 4), "19.9000");
    EXPECT_EQ(FormatDecimal(12345), "12345");
    double v = 0;
    EXPECT_TRUE(ParseDecimal("0.1000", v));
    EXPECT_EQ(v, 0.1);
    if (commaC) {
        EXPECT_EQ(StringF("%.1f", 0.5), "0,5");  // the C functions follow it
    }
    std::setlocale(LC_NUMERIC, previousC.c_str());
    std::locale::global(previous);
}
