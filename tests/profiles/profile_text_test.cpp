// Profile text lines: which points are written and how they are numbered.
#include "profiles/profile_text.h"

#include <gtest/gtest.h>
#include <sstream>

using orvex::math::Point2d;

TEST(ProfileText, ValidPointsOnlyWithASharedSequence)
{
    const Point2d points[] = {{0.0, 1.5}, {-1.0, 2.0}, {12.25, -3.0}, {7.0, 9.0}};
    std::ostringstream out;
    const auto first = orvex::next_profile_sequence();
    orvex::write_profile_text(out, points, 3, first); // the fourth point lies beyond n
    EXPECT_EQ(out.str(), std::to_string(first) + " 0 1.5\n" + std::to_string(first) + " 12.25 -3\n");

    // A profile without valid points still uses up its number.
    std::ostringstream empty;
    const auto second = orvex::next_profile_sequence();
    orvex::write_profile_text(empty, points + 1, 1, second);
    EXPECT_TRUE(empty.str().empty());
    EXPECT_EQ(orvex::next_profile_sequence(), second + 1);
}
