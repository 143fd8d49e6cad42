#include "base/format.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
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

TEST(ParseDouble, ReadsAsPercentLfInTheCLocaleAndRefusesNonFiniteNumbers) {
    const struct {
        const char* text;
        double value;
        size_t used;  // 0: no number
    } cases[] = {{"  12.5 m", 12.5, 6}, {"-3e2,", -300, 4},   {"+.5", 0.5, 3},    {"0x1p4 ", 16, 5},
                 {"0xg", 0, 1},        {"1.5m", 1.5, 3},     {"\t7", 7, 2},     {"--1", 0, 0},
                 {"+-1", 0, 0},        {"m", 0, 0},          {"", 0, 0},        {"inf", 0, 0},
                 {"-infinity", 0, 0},  {"nan", 0, 0},        {"1e400", 0, 0},   {"-1e400", 0, 0}};
    for (const auto& c : cases) {
        const char* end = c.text + std::strlen(c.text);
        double value = -99;
        const char* after = ParseDouble(c.text, end, value);
        if (c.used == 0) {
            EXPECT_EQ(after, nullptr) << c.text;
            EXPECT_EQ(value, -99) << c.text;
        } else {
            ASSERT_NE(after, nullptr) << c.text;
            EXPECT_EQ(value, c.value) << c.text;
            EXPECT_EQ(static_cast<size_t>(after - c.text), c.used) << c.text;
        }
    }
    // Agrees with strtod of the "C" locale on finite numbers.
    std::mt19937 rng(5);
    std::uniform_real_distribution<double> mantissa(-1000, 1000);
    std::uniform_int_distribution<int> exponent(-300, 300);
    for (int i = 0; i < 2000; ++i) {
        char text[64];
        std::snprintf(text, sizeof text, "%.*ge%d", 1 + i % 17, mantissa(rng), exponent(rng));
        char* strtodEnd = nullptr;
        const double expected = std::strtod(text, &strtodEnd);
        double value = 0;
        const char* after = ParseDouble(text, text + std::strlen(text), value);
        if (!std::isfinite(expected) || (expected != 0 && std::fabs(expected) < 2.3e-308)) continue;
        ASSERT_NE(after, nullptr) << text;
        EXPECT_EQ(value, expected) << text;
        EXPECT_EQ(after, strtodEnd) << text;
    }
}

TEST(ParseInt32, ReadsAsPercentDAndRefusesOverflow) {
    const struct {
        const char* text;
        bool read;
        int32_t value;
    } cases[] = {{" 42x", true, 42},          {"-2147483648", true, INT32_MIN}, {"+2147483647", true, INT32_MAX},
                 {"2147483648", false, 0},    {"-2147483649", false, 0},       {"x1", false, 0},
                 {"", false, 0}};
    for (const auto& c : cases) {
        int32_t value = 0;
        const bool read = ParseInt32(c.text, c.text + std::strlen(c.text), value) != nullptr;
        EXPECT_EQ(read, c.read) << c.text;
        if (read) {
            EXPECT_EQ(value, c.value) << c.text;
        }
    }
}

TEST(FormatFixed, WritesAsPrintfInTheCLocale) {
    for (double v : {19.9, -0.00005, 0.0, 1234567.891, -1e20, 0.125}) {
        char expected[128];
        std::snprintf(expected, sizeof expected, "%.4f", v);
        EXPECT_EQ(FormatFixed(v, 4), expected);
    }
    EXPECT_EQ(FormatFixed(2.5, 0), "2");
    EXPECT_EQ(FormatFixed(1e300, 2).size(), 304u);
}

TEST(FormatGeneral, WritesAsPrintfGInTheCLocale) {
    for (double v : {720.0, 540.5, 359.96, 1234567.0, 0.0001234, -2.5e-7, 1e21}) {
        char expected[128];
        std::snprintf(expected, sizeof expected, "%.6g", v);
        EXPECT_EQ(FormatGeneral(v, 6), expected);
    }
}

namespace {

// A C++ locale whose numbers use a decimal comma and grouping.
struct CommaPunct : std::numpunct<char> {
    char do_decimal_point() const override { return ','; }
    char do_thousands_sep() const override { return '.'; }
    std::string do_grouping() const override { return "\3"; }
};

}  // namespace

TEST(LocaleFreeNumbers, WriteTheCForms) {
    EXPECT_EQ(FormatDecimal(-2147483648LL), "-2147483648");
    EXPECT_EQ(FormatFixed(19.9, 4), "19.9000");
    EXPECT_EQ(FormatFixed(0.0, 4), "0.0000");
    EXPECT_EQ(FormatFixed(-0.25, 1), "-0.2");  // as printf rounds: to even
    EXPECT_EQ(FormatFixed(1e300, 0).size(), 301u);
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
    if (commaC) {
        EXPECT_EQ(StringF("%.1f", 0.5), "0,5");  // the C functions follow it
    }
    std::setlocale(LC_NUMERIC, previousC.c_str());
    std::locale::global(previous);
}
