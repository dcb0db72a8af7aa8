// int_round_test.cpp -- the two clamps of the whole-number helpers: the whole int range for
// the spectrum dialog, the construction and the results dialogs, 1e9 for the plot's bins.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "int_round.h"

TEST(IntRound, EachFamilyKeepsItsClamp)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    struct Case {
        double x;
        int nint, trunc, nint_room, trunc_room;
    };
    const Case cases[] = {
        {2.5, 3, 2, 3, 2},
        {-2.5, -3, -2, -3, -2},
        {0.49999999999999994, 0, 0, 0, 0},
        {-0.7, -1, 0, -1, 0},
        {1e9 + 0.6, 1000000001, 1000000000, 1000000000, 1000000000},
        {-1e9 - 0.6, -1000000001, -1000000000, -1000000000, -1000000000},
        {3e9, 2147483647, 2147483647, 1000000000, 1000000000},
        {-3e9, -2147483647, -2147483647, -1000000000, -1000000000},
        {inf, 2147483647, 2147483647, 1000000000, 1000000000},
        {-inf, -2147483647, -2147483647, -1000000000, -1000000000},
        {nan, 0, 0, 0, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(nint(c.x), c.nint) << c.x;
        EXPECT_EQ(trunc_int(c.x), c.trunc) << c.x;
        EXPECT_EQ(nint_room(c.x), c.nint_room) << c.x;
        EXPECT_EQ(trunc_room(c.x), c.trunc_room) << c.x;
    }
}
