// parse_test.cpp -- answer parsing: type strings, tokens, field reading, conversions.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <complex>
#include <cstdint>
#include <limits>
#include <string>

#include "parse.h"

namespace {

// Every test starts from the process's initial parse settings.
class Parse : public testing::Test {
protected:
    void SetUp() override
    {
        parse_set_delims(",");
        parse_set_ignore("[]");
        parse_set_default(0.0);
    }
    void TearDown() override { SetUp(); }
};

// Reads one field of line into v; returns the error flag.
int read1(std::string_view line, const Val& v, bool keep = false)
{
    parse(line);
    int error = -1;
    parsevalue(v, keep, error);
    return error;
}

std::string text(const FText<4>& f) { return std::string(f.full()); }

TEST(ParseType, CountAndCode)
{
    struct TypeCase { const char* type; int code; int count; };
    const TypeCase cases[] = {
        {"I", 6, 1}, {"  I", 6, 1}, {"12A", 2, 12}, {"22d", 8, 22}, {"3x", 0, 3},
        {"0A", 2, 0}, {"10W", 10, 10}, {"S", 1, 1}, {"c", 9, 1}, {"2Rxyz", 7, 2}, {"", 0, 1},
        {"99999999999999I", 6, 1 << 30},
    };
    for (const auto& c : cases) {
        int code = -1, count = -1;
        gettype(c.type, code, count);
        EXPECT_EQ(code, c.code) << c.type;
        EXPECT_EQ(count, c.count) << c.type;
    }
}

TEST(ParseToken, SplitsAtDelimitersKeepsInnerBlanks)
{
    struct TokCase { const char* line; const char* delims; const char* tokens; };
    // tokens: the successive token texts joined by "|"
    const TokCase cases[] = {
        {"1 2, 3", ",", "1 2|3|"},
        {",5", ",", "|5|"},
        {"'a, b' c,d", ",", "a, b|c|d"},
        {"'it''s',x", ",", "it''s|x|"},
        {"'ab'cd", ",", "ab|cd|"},
        {"a;b,c", ",;", "a|b|c"},
        {"MIGRAD 1000,0.1", " ", "MIGRAD|1000,0.1|"},
    };
    for (const auto& c : cases) {
        std::array<char, 40> buf;
        put_text(buf, c.line);
        std::string got;
        int pos = 1;
        for (int t = 0; t < 3; ++t) {
            int first = 0, last = 0;
            gettoken(buf, c.delims, "", pos, first, last);
            if (t > 0) got += '|';
            got.append(buf.data() + first - 1, static_cast<std::size_t>(last - first + 1));
        }
        EXPECT_EQ(got, c.tokens) << c.line;
    }
}

TEST(ParseToken, NulEndsTheLineForGood)
{
    std::array<char, 12> buf;
    put_text(buf, std::string_view("a,b\0,c", 6));
    int pos = 1, first = 0, last = 0;
    std::string got;
    for (int t = 0; t < 4; ++t) {
        gettoken(buf, ",", "", pos, first, last);
        got += std::string(buf.data() + first - 1, static_cast<std::size_t>(last - first + 1)) + "|";
    }
    EXPECT_EQ(got, "a|b|||");

    // A closing quote in the line's last position closes the token.
    std::array<char, 5> q;
    put_text(q, "'abc'");
    pos = 1;
    gettoken(q, ",", "", pos, first, last);
    EXPECT_EQ(std::string(q.data() + first - 1, static_cast<std::size_t>(last - first + 1)), "abc");
}

TEST(ParseDeathTest, CountBeyondTheVariableStoresNothingOutside)
{
    struct { std::int32_t v[2]; std::int32_t guard; } s{{0, 0}, 7};
    EXPECT_DEBUG_DEATH(read1("1,2,3", Val{"3I", s.v}), "");   // the caller's error
    EXPECT_EQ(s.guard, 7);
}

TEST_F(Parse, TextFields)
{
    FText<4> a("zzzz");
    EXPECT_EQ(read1("'it''s'", Val{"4A", a}), 0);
    EXPECT_EQ(text(a), "it's");
    read1("abcdefg", Val{"4A", a});
    EXPECT_EQ(text(a), "abcd");
    read1("", Val{"4A", a}, true);
    EXPECT_EQ(text(a), "abcd");          // kept
    read1("", Val{"4A", a});
    EXPECT_EQ(text(a), "    ");
    read1("[x]", Val{"4S", a});           // no ignored characters in text fields
    EXPECT_EQ(text(a), "[x] ");
    read1("it''s", Val{"4A", a});         // doubled quotes also outside quotes
    EXPECT_EQ(text(a), "it's");
    read1("ab", Val{"2A", a});            // only the count is written
    EXPECT_EQ(text(a), "ab's");
}

TEST_F(Parse, NumericFields)
{
    std::array<std::int32_t, 2> iv{9, 9};
    EXPECT_EQ(read1("[1.5, -2.5]", Val{"2I", iv}), 0);
    EXPECT_EQ(iv, (std::array<std::int32_t, 2>{2, -3}));
    read1("7", Val{"2I", iv});
    EXPECT_EQ(iv, (std::array<std::int32_t, 2>{7, 0}));
    read1(",5", Val{"2I", iv});
    EXPECT_EQ(iv, (std::array<std::int32_t, 2>{0, 5}));
    read1(", 8", Val{"2I", iv}, true);
    EXPECT_EQ(iv, (std::array<std::int32_t, 2>{0, 8}));
    iv = {9, 9};
    EXPECT_EQ(read1("2.49,2 3", Val{"2I", iv}), 0);
    EXPECT_EQ(iv, (std::array<std::int32_t, 2>{2, 6}));   // adjacent numbers multiply

    std::int16_t m = 0;
    read1("70000", Val{"M", m});
    EXPECT_EQ(m, 4464);
    std::complex<float> c;
    read1("2*3", Val{"C", c});
    EXPECT_EQ(c, std::complex<float>(6.0f, 0.0f));
    float r = 0;
    read1("0.1", Val{"R", r});
    EXPECT_EQ(r, 0.1f);
    std::int16_t k = 0;
    read1("sqrt(-1)", Val{"K", k});
    EXPECT_EQ(k, 1);                       // NaN is not 0
}

TEST_F(Parse, DefaultAppliesToEmptyNumericFields)
{
    parse_set_defaultd(-0.25);
    double d = 1;
    std::int32_t i = 1, l = 0;
    parse(",,");
    int err = 0;
    parsevalue(Val{"D", d}, false, err);
    parsevalue(Val{"I", i}, false, err);
    parsevalue(Val{"L", l}, false, err);
    EXPECT_EQ(d, -0.25);
    EXPECT_EQ(i, 0);
    EXPECT_EQ(l, 1);
}

TEST_F(Parse, WordFieldSplitsAtBlanksOnly)
{
    FText<10> w;
    std::array<double, 2> d{};
    parse("MIGRAD 1000,0.1");
    int err = 0;
    parsevalue(Val{"10W", w}, false, err);
    parsevalue(Val{"2D", d}, false, err);
    EXPECT_EQ(w.str(), "MIGRAD");
    EXPECT_EQ(d, (std::array<double, 2>{1000.0, 0.1}));
    EXPECT_EQ(parse_delims(), ",");       // restored after the W field
    parse("MIGRAD 1000 0.1");
    parsevalue(Val{"10W", w}, false, err);
    parsevalue(Val{"2D", d}, false, err);
    EXPECT_EQ(d[0], 100.0);               // one field: 1000 times 0.1
}

TEST_F(Parse, FailedTokenFlagsErrorOthersStillRead)
{
    std::array<std::int32_t, 3> iv{1, 1, 1};
    testing::internal::CaptureStdout();
    EXPECT_EQ(read1("4,nosuch,6", Val{"3I", iv}), 1);
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_NE(out.find("EVAL: nosuch is not defined"), std::string::npos);
    EXPECT_EQ(iv, (std::array<std::int32_t, 3>{4, 1, 6}));
    std::int32_t a = 0, b = 0;
    parse("1,2");
    int err = 0;
    parsevalue(Val{"x", a}, false, err);   // unknown letter: consumed, nothing stored
    parsevalue(Val{"I", b}, false, err);
    EXPECT_EQ(a, 0);
    EXPECT_EQ(b, 2);
}

TEST_F(Parse, IntegerConversionsSaturate)
{
    struct SatCase { const char* expr; std::int32_t i; std::int16_t m; };
    const SatCase cases[] = {
        {"1e10", 2147483647, 32767}, {"-1e10", -2147483647 - 1, -32768},
        {"sqrt(-1)", -2147483647 - 1, -32768}, {"1/0", 2147483647, 32767},
        {"2147483647.4", 2147483647, -1}, {"2147483647.5", 2147483647, 32767},
        {"-2147483648.4", -2147483647 - 1, 0}, {"0.49999999999999994", 0, 0},
        {"-2.5", -3, -3}, {"65535", 65535, -1},
    };
    for (const auto& c : cases) {
        std::int32_t i = 0;
        std::int16_t m = 0;
        read1(c.expr, Val{"I", i});
        read1(c.expr, Val{"M", m});
        EXPECT_EQ(i, c.i) << c.expr;
        EXPECT_EQ(m, c.m) << c.expr;
    }
}

TEST_F(Parse, DelimiterAndIgnoreSets)
{
    parse_delete_delim(',');
    EXPECT_EQ(parse_delims(), ",");        // the last delimiter stays
    parse_add_delim(';');
    parse_delete_delim(',');
    EXPECT_EQ(parse_delims(), ";");
    parse_set_delims("0123456789");
    parse_add_delim('x');                  // an eleventh replaces the tenth
    EXPECT_EQ(parse_delims(), "012345678x");
    parse_push_delims(" ");
    EXPECT_EQ(parse_delims(), " ");
    parse_pop_delims();
    EXPECT_EQ(parse_delims(), "012345678x");
    parse_set_delims(",");

    parse_delete_ignore('[');
    parse_delete_ignore(']');
    EXPECT_EQ(parse_ignores(), "");        // may be emptied
    parse_add_ignore('~');
    std::int32_t i = 0;
    read1("~5", Val{"I", i});
    EXPECT_EQ(i, 5);
    parse_set_ignore("[]");
    parse_add_ignore('~');
    testing::internal::CaptureStdout();
    parse_write_ignore();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), " ASK ignored characters are now [[]~]\n");
}

TEST(ParseElements, StoreAndFetchStayInside)
{
    std::array<std::byte, 8> buf{};
    setvali(-7, buf, 2);
    EXPECT_EQ(getvali(buf, 2), -7);
    setvali(5, buf, 3);                    // outside: nothing
    EXPECT_EQ(getvali(buf, 3), 0);
    setvalc({1.5f, -2.0f}, buf, 1);
    EXPECT_EQ(getvalc(buf, 1), std::complex<float>(1.5f, -2.0f));
    setvalm(300, buf, 4);
    EXPECT_EQ(getvalm(buf, 4), 300);
    buf[0] = std::byte{0};
    trimzero_vala(buf, 1, ' ');
    EXPECT_EQ(getvala(buf, 1), ' ');
    trimzero_vals(buf, 1, 'x');            // not NUL: unchanged
    EXPECT_EQ(getvals(buf, 1), ' ');
}

}  // namespace
