// chars_test.cpp -- trimming, squeezing, upper-casing and byte copies on blank-padded texts.

#include <gtest/gtest.h>

#include <string>

#include "chars.h"
#include "ftext.h"

namespace {

using namespace std::string_literals;

struct TrimCase {
    std::string text;
    int start, stop, ch;  // trimstart, trimstop, chtrim
};

TEST(Chars, TrimPositions)
{
    const TrimCase cases[] = {
        {"   ", 3, 0, 1},          // all blank: its length, 0, 1
        {"\0 \0"s, 3, 0, 1},       // NUL counts as blank
        {"ab  ", 1, 2, 2},         {"  ab", 3, 4, 4},
        {"   x", 4, 4, 4},         // the last position is never searched: length
        {"  x ", 3, 3, 3},         {"x", 1, 1, 1},
        {"a\0\0"s, 1, 1, 1},       {"", 0, 0, 1},
    };
    for (const TrimCase& c : cases) {
        EXPECT_EQ(trimstart(c.text), c.start) << '"' << c.text << '"';
        EXPECT_EQ(trimstop(c.text), c.stop) << '"' << c.text << '"';
        EXPECT_EQ(chtrim(c.text), c.ch) << '"' << c.text << '"';
    }
}

// The count is bounded by the text itself, so a wild count cannot read past it.
TEST(Chars, TrimBlnkCount)
{
    struct Case { int n; std::string text; int want; };
    const Case cases[] = {
        {1001, "abc", 0}, {-5, "abc", 0},      // out of range: 0 without looking
        {3, "ab ", 2},    {2, "abc", 2},       {5, "a\0 "s, 1},  // count past the end: its length
        {0, "abc", 0},    {3, "   ", 0},
    };
    for (const Case& c : cases) {
        int n = c.n;
        trim_blnk(n, c.text);
        EXPECT_EQ(n, c.want) << c.n << " '" << c.text << "'";
    }
    std::string big(1000, ' ');
    big[999] = 'z';
    int n = 1000;
    trim_blnk(n, big);
    EXPECT_EQ(n, 1000);  // byte 1000 is examined
    big += "q";
    n = 1001;
    trim_blnk(n, big);
    EXPECT_EQ(n, 0);
}

TEST(Chars, ChtrimBlnkTurnsTrailingNulsToSpaces)
{
    std::string t = "AB\0\0 "s;
    int n = -1;
    chtrim_blnk(n, t);
    EXPECT_EQ(n, 2);
    EXPECT_EQ(t, "AB   ");
    std::string inner = "A\0B\0"s;
    chtrim_blnk(n, inner);
    EXPECT_EQ(n, 3);
    EXPECT_EQ(inner, "A\0B "s);  // only the NULs passed on the way
}

TEST(Chars, Nospaces)
{
    struct Case { std::string in; int kept; std::string out; };
    const Case cases[] = {
        {" a b,c ", 4, "ab,c   "},
        {"a\0b\0"s, 2, "ab  "},
        {"    ", 1, "    "},
        {"xyz", 3, "xyz"},
    };
    for (Case c : cases) {
        EXPECT_EQ(nospaces(c.in), c.kept);
        EXPECT_EQ(c.in, c.out);
    }
}

TEST(Chars, Upper)
{
    std::string t = "abcdef";
    case_upper(3, t);
    EXPECT_EQ(t, "ABCdef");
    std::string s = "x_1b\xB5z{";
    str_upper(s);
    EXPECT_EQ(s, "X_1B\xB5Z{");  // micro sign and '{' stay
    FText<4> f("ab");
    case_upper(100, f);  // never past the field
    EXPECT_EQ(f.full(), "AB  ");
    case_upper(-2, t);
    EXPECT_EQ(t, "ABCdef");
}

TEST(Chars, CopyAndFill)
{
    std::string to = "......";
    movec(0, "abc", to);
    setc(0, to, 'x');
    EXPECT_EQ(to, "......");  // n = 0 changes nothing
    movec(3, "abc", to);
    EXPECT_EQ(to, "abc...");
    movec(99, "xy", to);  // bounded by the shorter buffer
    EXPECT_EQ(to, "xyc...");
    setc(2, to, '-');
    EXPECT_EQ(to, "--c...");
    sets(4, to, "qrs");
    EXPECT_EQ(to, "qqqq..");
    sets(1, to, "");
    EXPECT_EQ(to, " qqq..");
    setc(10, to, '=');
    EXPECT_EQ(to, "======");
}

}  // namespace
