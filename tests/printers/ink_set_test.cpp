#include "printers/ink_set.h"

#include <gtest/gtest.h>

TEST(InkSetCodeForWhiteMode, GivesEveryWhiteModesCodeWithAndWithoutWhiteInk) {
    struct Case {
        int32_t mode;
        int32_t withWhiteInk;
        int32_t withoutWhiteInk;
    };
    const Case cases[] = {
        {0, 419, 422},  {1, 420, 420},  {2, 421, 421},  {3, 422, 422},  {4, 419, 422},
        {5, 460, 460},  {6, 419, 422},  {7, 419, 422},  {8, 419, 422},  {9, 464, 464},
        {10, 419, 422}, {-1, 419, 422}, {INT32_MIN, 419, 422}, {INT32_MAX, 419, 422},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(InkSetCodeForWhiteMode(c.mode, true), c.withWhiteInk) << c.mode;
        EXPECT_EQ(InkSetCodeForWhiteMode(c.mode, false), c.withoutWhiteInk) << c.mode;
    }
}
