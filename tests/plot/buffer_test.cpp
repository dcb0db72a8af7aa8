// buffer_test.cpp -- the point buffer, its codes, the settings doors and the label rule.
#include <gtest/gtest.h>

#include "plot_local.h"

namespace {

// Every test starts from the settings of a fresh process and an empty buffer.
class Buffer : public ::testing::Test {
protected:
    void SetUp() override
    {
        dopltl = Dopltl{};
        r_rozude_par = RRozudePar{};
        l_rozude_par = LRozudePar{};
        rozude_priv = RozudePriv{};
    }
};

TEST_F(Buffer, FullBufferCountsRefusedPoints)
{
    doplmx(3);
    for (int i = 1; i <= 5; ++i) doplch(float(i), float(i), 5);
    EXPECT_EQ(dopltl.npt, 3);
    EXPECT_EQ(dopltl.ignpt, 2);
    EXPECT_EQ(dopltx.xset[3], 3.0f);
}

}  // namespace
