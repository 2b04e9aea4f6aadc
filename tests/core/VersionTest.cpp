#include "core/Version.h"

#include <gtest/gtest.h>

TEST(VersionTest, ParsesThreeNumbersAndKeepsAnyText) {
    const Version& plugin = Version::Plugin();
    EXPECT_EQ(plugin.GetString(), "1.3.0");
    EXPECT_EQ(plugin.GetMajor(), 1);
    EXPECT_EQ(plugin.GetMinor(), 3);
    EXPECT_EQ(plugin.GetRelease(), 0);

    const Version other("12.04.7-beta");
    EXPECT_EQ(other.GetMajor(), 12);
    EXPECT_EQ(other.GetMinor(), 4);
    EXPECT_EQ(other.GetRelease(), 7);

    const Version broken("two.0");
    EXPECT_EQ(broken.GetString(), "two.0");
}
