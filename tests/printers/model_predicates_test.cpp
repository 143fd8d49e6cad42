#include "printers/model_predicates.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace {

// How many model numbers from 0 to 10000 the predicate holds for.
template <typename Predicate>
int CountModels(Predicate predicate) {
    int n = 0;
    for (int32_t m = 0; m <= 10000; ++m) n += predicate(m) ? 1 : 0;
    return n;
}

int CountClass(int32_t inkSetClass) {
    return CountModels([inkSetClass](int32_t m) { return GetInkSetClass(m) == inkSetClass; });
}

}  // namespace

TEST(GetInkSetClass, SortsEveryListedModelIntoItsClass) {
    EXPECT_EQ(CountClass(17), 33);
    EXPECT_EQ(CountClass(2), 4);
    EXPECT_EQ(CountClass(16), 4);
    EXPECT_EQ(GetInkSetClass(7011), 17);
    EXPECT_EQ(GetInkSetClass(7010), 0);
    EXPECT_EQ(GetInkSetClass(7012), 0);
    EXPECT_EQ(GetInkSetClass(7064), 17);  // last of the list
    EXPECT_EQ(GetInkSetClass(672), 2);
    EXPECT_EQ(GetInkSetClass(673), 16);
    EXPECT_TRUE(JV400_PrinterHasWhite(730));
    EXPECT_FALSE(JV400_PrinterHasWhite(728));
}

TEST(IsFourColorModel, HoldsForExactlyTheFiftyFourColourVariants) {
    EXPECT_EQ(CountModels(IsFourColorModel), 50);
    EXPECT_TRUE(IsFourColorModel(7000));
    EXPECT_FALSE(IsFourColorModel(7001));
    EXPECT_FALSE(IsFourColorModel(7003));
    EXPECT_TRUE(IsFourColorModel(7085));
    EXPECT_FALSE(IsFourColorModel(7086));
}

TEST(ModelPredicates, SmallRules) {
    EXPECT_EQ(CountModels(IsPrinterModel740Or741), 2);
    EXPECT_TRUE(IsPrinterModel740Or741(741));
    EXPECT_TRUE(IsMultiBitDotSize(1));
    EXPECT_FALSE(IsMultiBitDotSize(128));
}

TEST(HasSpecialInk, ModeDecidesUnlessZeroThenTheSeparation) {
    for (bool separation : {false, true}) {
        EXPECT_FALSE(HasSpecialInk(3, separation));  // mode 3: never, whatever the separations
        EXPECT_TRUE(HasSpecialInk(1, separation));
        EXPECT_TRUE(HasSpecialInk(-1, separation));
        EXPECT_EQ(HasSpecialInk(0, separation), separation);
    }
}

TEST(ReadInkPreLimit, ReadsUpToTheFirstValueNotAboveZero) {
    std::map<std::string, std::string> ticket;
    std::vector<std::string> asked;
    const JobStringReader reader = [&](const std::string& key) {
        asked.push_back(key);
        auto it = ticket.find(key);
        return it == ticket.end() ? std::string() : it->second;
    };
    const std::string key = "Output/Prn/Specific/InkPreLimit/InkPreLimit";

    ticket = {{key + "1", "80"}, {key + "2", "0"}, {key + "3", "70"}};
    EXPECT_EQ(ReadInkPreLimit(reader), std::vector<double>{80.0});
    EXPECT_EQ(asked, (std::vector<std::string>{key + "1", key + "2"}));

    ticket.clear();
    for (int i = 1; i <= 9; ++i) ticket[key + std::to_string(i)] = std::to_string(10 * i) + ".5";
    EXPECT_EQ(ReadInkPreLimit(reader).size(), 8u);  // never more than eight
    EXPECT_DOUBLE_EQ(ReadInkPreLimit(reader)[7], 80.5);

    ticket = {{key + "1", "  95.5%"}, {key + "2", "+12"}, {key + "3", "-4"}};
    EXPECT_EQ(ReadInkPreLimit(reader), (std::vector<double>{95.5, 12.0}));

    ticket = {{key + "1", "abc"}};
    EXPECT_TRUE(ReadInkPreLimit(reader).empty());
    ticket.clear();
    EXPECT_TRUE(ReadInkPreLimit(reader).empty());
    EXPECT_TRUE(ReadInkPreLimit(JobStringReader()).empty());  // a job without a ticket
}

TEST(ClampPassesToPrinterRange, RaisesToTheMinimumAndCapsAtTwiceItOutside540And720) {
    int32_t passes = 2;
    EXPECT_TRUE(ClampPassesToPrinterRange(passes, 720, 654));  // four-colour: 720 / 180
    EXPECT_EQ(passes, 4);
    passes = 32;
    EXPECT_FALSE(ClampPassesToPrinterRange(passes, 720, 654));  // no cap at 720 dpi
    EXPECT_EQ(passes, 32);
    passes = 32;
    EXPECT_TRUE(ClampPassesToPrinterRange(passes, 1440, 654));
    EXPECT_EQ(passes, 16);
    passes = 100;
    EXPECT_FALSE(ClampPassesToPrinterRange(passes, 540, 655));
    passes = 5;
    EXPECT_TRUE(ClampPassesToPrinterRange(passes, 540, 655));  // other models: 540 / 90
    EXPECT_EQ(passes, 6);
    passes = 24;
    EXPECT_FALSE(ClampPassesToPrinterRange(passes, 1080, 655));
}

TEST(ClampPassesToPrinterRangeEx, LeavesFiveFortyAndNineHundredAloneAndCapsAtFourTimes) {
    for (int32_t y : {540, 900}) {
        int32_t passes = 0;
        EXPECT_FALSE(ClampPassesToPrinterRangeEx(passes, y, 655));
        EXPECT_EQ(passes, 0);
    }
    int32_t passes = 4;
    EXPECT_TRUE(ClampPassesToPrinterRangeEx(passes, 1080, 655));
    EXPECT_EQ(passes, 12);
    passes = 60;
    EXPECT_TRUE(ClampPassesToPrinterRangeEx(passes, 1080, 655));
    EXPECT_EQ(passes, 48);
    passes = 30;
    EXPECT_FALSE(ClampPassesToPrinterRangeEx(passes, 1080, 655));
    EXPECT_EQ(passes, 30);
    passes = 30;
    EXPECT_TRUE(ClampPassesToPrinterRangeEx(passes, 1080, 654));  // four-colour: 6 to 24
    EXPECT_EQ(passes, 24);
}
