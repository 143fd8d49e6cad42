// String resources of the plug-in module.
#include "platform/resources.h"

#include <gtest/gtest.h>

namespace {

TEST(StringResources, DisplayAndShortNames) {
    const std::string display = platform::LoadStringResource(101);
    EXPECT_FALSE(display.empty());
    EXPECT_LE(display.size(), 127u);  // the host's name buffer holds 127 characters
    EXPECT_EQ(platform::LoadStringResource(102), "Kelmora");
    EXPECT_EQ(platform::LoadStringResource(103), "");
    EXPECT_EQ(platform::LoadStringResource(0), "");
}

}  // namespace
