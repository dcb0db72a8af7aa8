// mnformat_test.cpp -- the parameter card's exact layout.
#include <gtest/gtest.h>

#include <string>

#include "dirade.h"
#include "fio.h"

namespace {

std::string card(int p, std::string_view label, double v, double step, double lo, double hi,
                 std::string_view remark)
{
    testing::internal::CaptureStdout();
    mnformat(fio_stdout, p, label, v, step, lo, hi, remark);
    fio_flush_all();
    return testing::internal::GetCapturedStdout();
}

struct CardCase {
    int p;
    const char* label;
    double v, step, lo, hi;
    const char* remark;
    const char* want;
};
constexpr CardCase card_cases[] = {
    {3, "ASY", 0.25, 0.01, 0, 0, "free",
     "         3  ASY            0.25      0.01         0         0   'free'\n"},
    {12, "FREQ      ", 1, 0.5, -2, 2, "  ",  // a whole number keeps its point; blank remark
     "        12  FREQ             1.       0.5       -2.        2.   \n"},
};

TEST(Mnformat, CardLayout)
{
    for (const CardCase& c : card_cases)
        EXPECT_EQ(card(c.p, c.label, c.v, c.step, c.lo, c.hi, c.remark), c.want) << c.label;
}

}  // namespace
