// buffer_test.cpp -- the point buffer, its codes, the settings doors and the label rule.
#include <gtest/gtest.h>

#include <string>

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

// A capacity above the arrays still holds 10000 points and refuses the rest.
TEST_F(Buffer, CapacityAboveTheArraysIsBounded)
{
    rozude_buff(20000);
    for (int i = 0; i < rozude_max_points + 7; ++i) rozude_point(1.0f, 2.0f);
    EXPECT_EQ(dopltl.npt, rozude_max_points);
    EXPECT_EQ(dopltl.ignpt, 7);
}

// The same four bytes as characters and as a little-endian integer; the integer 5 and the
// character 5 are different codes.
TEST_F(Buffer, CodesAreFourBytesTwoWays)
{
    doplch(0.0f, 0.0f, 5);
    rozude_char(0.0f, 0.0f, "5");
    doplpt(0.0f, 0.0f);
    doplch(0.0f, 0.0f, -1);
    EXPECT_EQ(iptyp_int(dopltl.lset[1]), 5);
    EXPECT_EQ(dopltl.lset[2], (Iptyp{'5', ' ', ' ', ' '}));
    EXPECT_EQ(iptyp_int(dopltl.lset[2]), 0x20202035);
    EXPECT_EQ(iptyp_int(dopltl.lset[3]), 0x20202020);
    EXPECT_EQ(dopltl.lset[4], (Iptyp{'\xff', '\xff', '\xff', '\xff'}));
}

TEST_F(Buffer, SettingDoors)
{
    const auto& r = r_rozude_par.r;
    EXPECT_EQ(r[7], 10.0f);   // the defaults of a fresh process
    EXPECT_EQ(r[11], 0.25f);
    EXPECT_EQ(r[12], 0.125f);
    setlim(5.0f, 1.0f, 0.0f, 10.0f);   // X refused (not rising), Y taken
    EXPECT_EQ(r[3], 0.0f);
    EXPECT_EQ(r[4], 0.0f);
    EXPECT_EQ(r[5], 0.0f);
    EXPECT_EQ(r[6], 10.0f);
    rozude_limits(-1.0f, 2.0f, 3.0f, 3.0f);
    EXPECT_EQ(r[3], -1.0f);
    EXPECT_EQ(r[4], 2.0f);
    EXPECT_EQ(r[6], 10.0f);
    chsize(0.0f, 0.2f);                // a size of 0 is kept
    EXPECT_EQ(r[11], 0.25f);
    EXPECT_EQ(r[12], 0.2f);
    rozude_char_size(-1.0f, 0.3f);
    EXPECT_EQ(r[11], 0.25f);
    EXPECT_EQ(r[12], 0.3f);
    ccdim(-3.0f, 4.0f);                // unchecked
    rozude_margins(0.0f, -2.0f);
    EXPECT_EQ(r[7], -3.0f);
    EXPECT_EQ(r[8], 4.0f);
    EXPECT_EQ(r[9], 0.0f);
    EXPECT_EQ(r[10], -2.0f);
    doaxes(false, true);
    EXPECT_FALSE(l_rozude_par.l[1]);
    EXPECT_TRUE(l_rozude_par.l[2]);
}

// The label rule: count, trailing blanks and NULs, the field's limit, negative counts.
struct LabelCase {
    char which;          // 'X' hlab, 'Y' vlab, 'T' titlpl
    int n;
    std::string text;
    std::string want;
};

std::string label_of(char which)
{
    const auto& p = rozude_priv;
    if (which == 'X') return std::string(rozude_text(p.sxlab, p.nlbx));
    if (which == 'Y') return std::string(rozude_text(p.sylab, p.nlby));
    return std::string(rozude_text(p.stitle, p.nttl));
}

TEST_F(Buffer, LabelRule)
{
    const std::string sixty(60, 'y');
    const LabelCase cases[] = {
        {'X', 12, "TIMEsignal   ", "TIMEsignal"},
        {'X', 12, "ABCDEFGHI   ", "ABCDEFGHI"},
        {'Y', 60, sixty, std::string(40, 'y')},
        {'T', -3, "Title", ""},
        {'T', 8, std::string("Run 7\0\0\0", 8), "Run 7"},
        {'X', 1001, "abc", ""},                       // above 1000 the count is 0
        {'X', 150, std::string(150, 'x'), std::string(100, 'x')},
        {'T', 3, "abc", "abc"},
        {'Y', 2, "ab  ", "ab"},
    };
    for (const LabelCase& c : cases) {
        if (c.which == 'X') hlab(c.n, c.text);
        if (c.which == 'Y') vlab(c.n, c.text);
        if (c.which == 'T') titlpl(c.n, c.text);
        EXPECT_EQ(label_of(c.which), c.want) << c.which << " " << c.n << " [" << c.text << "]";
    }
}

// titlpl blanks the whole title first; hlab copies only its count.
TEST_F(Buffer, TitleIsBlankedLabelIsNot)
{
    titlpl(10, "0123456789");
    titlpl(3, "abc");
    EXPECT_EQ(rozude_priv.stitle.trimmed(), "abc");
    hlab(10, "0123456789");
    hlab(3, "abc");
    EXPECT_EQ(rozude_priv.sxlab.trimmed(), "abc3456789");
    EXPECT_EQ(label_of('X'), "abc");
}

}  // namespace
