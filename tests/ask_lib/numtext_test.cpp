// numtext_test.cpp -- number texts of reports and cards, character for character.

#include <gtest/gtest.h>

#include <limits>
#include <string>

#include "numtext.h"

namespace {

struct EncCase {
    float value;
    int ndig, width, just, nsig;
    const char* want;  // the whole field
    int want_nsig;
};

// The documented examples first, then the paths they leave out.
const EncCase enc_cases[] = {
    {1.0f, 6, 9, 2, 7, "       1.", 2},
    {-1234.567f, 6, 9, 2, 7, "-1234.567", 9},
    {0.05f, 6, 9, 2, 7, "     0.05", 4},
    {0.0f, 6, 9, 2, 7, "        0", 1},
    {5000000.0f, 6, 9, 2, 7, " 5000000.", 8},
    {0.00025f, 6, 9, 2, 7, "   2.5E-4", 6},
    {1.0e10f, 6, 9, 2, 7, "    1.E10", 5},
    {123.456f, 1, 12, -1, 6, "1.23456E2   ", 9},
    {10.0f, 1, 12, -1, 6, "10          ", 2},
    {3.14159265f, 1, 12, -1, 6, "3.141593    ", 8},
    // zero in each justification
    {0.0f, 6, 9, -1, 7, "0        ", 1},
    {0.0f, 6, 9, 0, 7, "    0    ", 1},
    {0.0f, 6, 12, 0, 7, "      0     ", 1},
    // centring puts the odd blank to the right; 1 loses its point below just 2
    {1.0f, 6, 9, 0, 7, "    1    ", 1},
    {2.5f, 6, 12, 0, 7, "    2.5     ", 3},
    {-0.445f, 6, 9, 1, 7, "   -0.445", 6},
    // keep-zeros mode stops removing at |nsig| characters
    {1.5f, 6, 12, -1, -4, "1.50        ", 4},
    {1.5f, 6, 12, -1, 4, "1.5         ", 3},
    // e = -3 still fixed, e = -4 exponent form; negative exponent form
    {0.00125f, 6, 12, 1, 7, "     0.00125", 7},
    {-2.5e-7f, 6, 12, 1, 7, "     -2.5E-7", 7},
    {1.0e-20f, 6, 12, -1, 3, "1.E-20      ", 6},
    // the ends of the single range convert without overflow
    {3.4028235e38f, 6, 12, 1, 7, "  3.40282E38", 10},
    {-3.4028235e38f, 6, 9, 1, 7, "-3.402E38", 9},
    {1.0e-45f, 6, 12, 1, 7, "  1.4013E-45", 10},
};

TEST(Encdx, Table)
{
    for (const EncCase& c : enc_cases) {
        std::string buf(static_cast<std::size_t>(c.width) + 3, '#');
        int nsig = c.nsig;
        encdx(c.value, buf, c.ndig, c.width, c.just, nsig);
        EXPECT_EQ(buf.substr(0, static_cast<std::size_t>(c.width)), c.want) << c.value;
        EXPECT_EQ(buf.substr(static_cast<std::size_t>(c.width)), "###") << c.value;  // untouched
        EXPECT_EQ(nsig, c.want_nsig) << c.value;
    }
}

TEST(Encdx, NotFiniteAndNarrowBuffer)
{
    std::string buf(12, '#');
    int nsig = 7;
    encdx(std::numeric_limits<float>::infinity(), buf, 6, 9, 1, nsig);
    EXPECT_EQ(buf, "      Inf###");
    encdx(-std::numeric_limits<float>::infinity(), buf, 6, 9, -1, nsig);
    EXPECT_EQ(buf, "-Inf     ###");
    encdx(std::numeric_limits<float>::quiet_NaN(), buf, 6, 9, 1, nsig);
    EXPECT_EQ(buf, "      NaN###");
    EXPECT_EQ(nsig, 3);
    std::string small(4, '#');
    nsig = 7;
    encdx(-1234.567f, small, 6, 9, 2, nsig);  // a field wider than the buffer is cut to it
    EXPECT_EQ(small, "-123");
}

struct DblCase {
    double value;
    int iwid, ndp;
    const char* f;  // dbltoch_f, trailing blanks dropped
    const char* v;  // dbltoch_v
};

const DblCase dbl_cases[] = {
    {3.14159, 10, 4, "    3.1416", "3.1416"},
    {-0.001234, 10, 4, "   -0.0012", "-0.0012"},
    {0.0001234, 10, 4, " 1.2340E-4", "1.234E-4"},
    {123456.789, 10, 3, " 123456.79", "123456.79"},
    {2.5e9, 12, 3, "    2.500E+9", "2.5E+9"},
    {1.0, 40, 20, "              1.0000000000000000", "1."},
    {0.5, 3, 5, " 1.", "1."},
    {0.0, 10, 4, "    0.0000", "0."},
    {3.14, 10, 4, "    3.1400", "3.14"},
    {-1.0, 10, 3, "    -1.000", "-1."},
    {1.5e5, 8, 3, " 150000.", "150000."},                    // no decimal fits,
    {-0.0001, 10, 2, "  -1.00E-4", "-1.E-4"},
    {-0.001, 8, 2, "   -0.00", "-0."},                    // keeps its sign
    {9.99996e-5, 12, 3, "   10.000E-5", "10.E-5"},         // mantissa carried to 10
    {9.9999, 6, 4, " 10.00", "10."},                       // carry: one decimal fewer
    {1.23e-12, 12, 4, "  1.2300E-12", "1.23E-12"},
    {1.0e105, 14, 3, "    1.000E+105", "1.E+105"},
    {1999999999.4, 14, 1, "  1999999999.4", "1999999999.4"},
    {2.0e9, 14, 1, "        2.0E+9", "2.E+9"},
    {0.1, 32, 16, "              0.1000000000000000", "0.1"},
    {12345.0, 6, 2, " 1.E+4", "1.E+4"},                    // no room for 2 decimals,
    {1.0e10, 5, 3, " E+10", " E+10"},                     // too narrow: the exponent wins,
    {7.0, 3, 0, " 7.", "7."},
    // the ends of the double range: no overflow in the scaling or the integer parts
    {1.7976931348623157e308, 10, 4, " 1.80E+308", "1.8E+308"},
    {-1.7976931348623157e308, 32, 4, "                    -1.7977E+308", "-1.7977E+308"},
    {4.9406564584124654e-324, 32, 4, "                     4.9407E-324", "4.9407E-324"},
    {1.7976931348623157e308, 3, 4, "308", "308"},          // the exponent ends at iwid
};

TEST(Dbltoch, Table)
{
    for (const DblCase& c : dbl_cases) {
        EXPECT_EQ(dbltoch_f(c.value, c.iwid, c.ndp).trimmed(), c.f) << c.value;
        EXPECT_EQ(dbltoch_v(c.value, c.iwid, c.ndp).trimmed(), c.v) << c.value;
    }
}

TEST(Dbltoch, NotFinite)
{
    const double vals[] = {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(),
                           -std::numeric_limits<double>::infinity()};
    for (double x : vals) {
        EXPECT_EQ(dbltoch_f(x, 10, 4).full(), "NAN" + std::string(29, ' '));
        EXPECT_EQ(dbltoch_v(x, 10, 4).full(), "NAN" + std::string(29, ' '));
    }
}

TEST(Dbltoch, SingleWidened)
{
    EXPECT_EQ(realtoch_f(0.1f, 20, 15).trimmed(), "   0.100000001490116");
    EXPECT_EQ(realtoch_v(2.19714f, 12, 8).trimmed(), "2.19713998");
    EXPECT_EQ(realtoch_v(0.5f, 10, 4).trimmed(), "0.5");
}

struct BtdCase {
    int value, nchar;
    char fill;
    const char* want;  // the first 12 characters of the buffer
    int ndig;
    bool wide;
};

TEST(Btd, Table)
{
    const BtdCase cases[] = {
        {-42, 6, ' ', "   -42######", 3, false},
        {1234567, 3, ' ', "567#########", 7, false},
        {0, 6, ' ', "      ######", 0, false},
        {-42, 6, '0', "000-42######", 3, false},
        {0, 0, ' ', "############", 0, false},             // nothing at all
        {-42, 0, ' ', "-42#########", 3, false},
        {-42, 2, ' ', "42##########", 3, false},           // no room: lowest digits, no sign
        {-2147483647 - 1, 11, ' ', "-2147483648#", 11, false},
        {2147483647, 0, ' ', "2147483647##", 10, false},
        {5, 13, '*', "***********5", 1, true},             // at most 12 places
    };
    for (const BtdCase& c : cases) {
        std::string buf(14, '#');
        int ndig = -1;
        EXPECT_EQ(btd(c.value, buf, c.nchar, ndig, c.fill), c.wide) << c.value;
        EXPECT_EQ(buf.substr(0, 12), c.want) << c.value;
        EXPECT_EQ(buf.substr(12), "##") << c.value;
        EXPECT_EQ(ndig, c.ndig) << c.value;
    }
    std::string tiny(2, '#');
    int ndig = 0;
    btd(12345, tiny, 6, ndig, ' ');  // never past the buffer
    EXPECT_EQ(tiny, "45");
}

TEST(Rshc, OverlappingAndBounded)
{
    std::string b = "abcdef";
    rshc(2, 3, b);
    EXPECT_EQ(b, "ababcf");
    std::string c = "abcdef";
    rshc(4, 4, c);  // only what fits is moved
    EXPECT_EQ(c, "abcdab");
    std::string d = "abc";
    rshc(1, 10, d);
    EXPECT_EQ(d, "aab");
}

}  // namespace
