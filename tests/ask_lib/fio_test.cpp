// fio_test.cpp -- layouts, free-form lines and units, against the Fortran runtime's output.
// The expected lines of the layout table were produced by gfortran 12 for the same layout
// and values (reals as double, 'f' as REAL*4).

#include <gtest/gtest.h>

#include <cstdio>
#include <limits>
#include <string>
#include <vector>

#include "fio.h"

namespace {

constexpr double inf = std::numeric_limits<double>::infinity();
const double nan = std::numeric_limits<double>::quiet_NaN();

struct LayoutCase {
    const char* layout;
    std::vector<FVal> vals;
    std::vector<std::string> want;
};

const LayoutCase layout_cases[] = {
    {"(I5)", {42}, {"   42"}},
    {"(I5)", {-42}, {"  -42"}},
    {"(I3)", {1234}, {"***"}},
    {"(I3)", {-99}, {"-99"}},
    {"(I3)", {-100}, {"***"}},
    {"(I5.3)", {7}, {"  007"}},
    {"(I5.3)", {-7}, {" -007"}},
    {"(I3.0)", {0}, {"   "}},
    {"(I0)", {-42}, {"-42"}},
    {"(I0)", {0}, {"0"}},
    {"(SP,I4,SS,I4)", {5, 5}, {"  +5   5"}},
    {"(I1)", {10}, {"*"}},
    {"(I12)", {-2147483647}, {" -2147483647"}},
    {"(F12.4)", {3.5}, {"      3.5000"}},
    {"(F8.3)", {-3.14159}, {"  -3.142"}},
    {"(F4.2)", {0.125}, {"0.12"}},
    {"(F4.2)", {0.375}, {"0.38"}},
    {"(F5.1)", {0.25}, {"  0.2"}},
    {"(F6.3)", {-0.0001}, {"-0.000"}},
    {"(F4.3)", {0.5}, {".500"}},
    {"(F4.3)", {-0.5}, {"****"}},
    {"(F10.3)", {10000000000.0}, {"**********"}},
    {"(F0.3)", {3.25}, {"3.250"}},
    {"(F0.3)", {0.5}, {".500"}},
    {"(F0.3)", {-0.5}, {"-.500"}},
    {"(F8.2)", {-0.001}, {"   -0.00"}},
    {"(F10.0)", {2.5}, {"        2."}},
    {"(F10.0)", {3.5}, {"        4."}},
    {"(F6.2)", {99.995}, {"100.00"}},
    {"(F6.2)", {999.999}, {"******"}},
    {"(F5.2)", {0.0}, {" 0.00"}},
    {"(F5.2)", {-0.0}, {"-0.00"}},
    {"(F20.15)", {0.1f}, {"   0.100000001490116"}},
    {"(F12.6)", {3.14159265f}, {"    3.141593"}},
    {"(2P,F10.3)", {1.5}, {"   150.000"}},
    {"(-1P,F10.3)", {1.5}, {"     0.150"}},
    {"(-2P,F10.4)", {12.5}, {"    0.1250"}},
    {"(1P,F10.3)", {-0.25}, {"    -2.500"}},
    {"(F10.3)", {inf}, {"  Infinity"}},
    {"(F10.3)", {-inf}, {" -Infinity"}},
    {"(F10.3)", {nan}, {"       NaN"}},
    {"(F4.1)", {inf}, {" Inf"}},
    {"(F5.1)", {-inf}, {" -Inf"}},
    {"(F2.1)", {nan}, {"**"}},
    {"(E12.4)", {12345.678}, {"  0.1235E+05"}},
    {"(E12.4)", {-0.000123456}, {" -0.1235E-03"}},
    {"(E10.4)", {1.0}, {"0.1000E+01"}},
    {"(E9.4)", {1.0}, {".1000E+01"}},
    {"(E9.4)", {-1.0}, {"*********"}},
    {"(E12.4)", {1e+100}, {"  0.1000+101"}},
    {"(E12.4)", {-1e-100}, {" -0.1000E-99"}},
    {"(E12.4)", {0.0}, {"  0.0000E+00"}},
    {"(E12.4)", {9.99996}, {"  0.1000E+02"}},
    {"(E15.7E3)", {1.5e-05}, {" 0.1500000E-004"}},
    {"(E12.4E1)", {1500000000000.0}, {"************"}},
    {"(E12.3)", {1e-310}, {"   0.100-309"}},
    {"(1PE12.4)", {12345.678}, {"  1.2346E+04"}},
    {"(1PE12.4)", {0.0}, {"  0.0000E+00"}},
    {"(1P,E12.4,E12.4)", {-0.5, 99.9999}, {" -5.0000E-01  1.0000E+02"}},
    {"(2PE12.4)", {12345.678}, {"  12.346E+03"}},
    {"(-1PE12.4)", {12345.678}, {"  0.0123E+06"}},
    {"(ES12.4)", {12345.678}, {"  1.2346E+04"}},
    {"(ES12.4)", {0.0}, {"  0.0000E+00"}},
    {"(ES10.3E3)", {-6.02e+23}, {"**********"}},
    {"(D12.4)", {2.5}, {"  0.2500D+01"}},
    {"(E13.5)", {0.1f}, {"  0.10000E+00"}},
    {"(1P,3E12.4)", {1.0, -2.0, 3e-07}, {"  1.0000E+00 -2.0000E+00  3.0000E-07"}},
    {"(E12.4)", {inf}, {"    Infinity"}},
    {"(E12.4)", {nan}, {"         NaN"}},
    {"(G12.4)", {0.0}, {"   0.000    "}},
    {"(G12.4)", {1.0}, {"   1.000    "}},
    {"(G12.4)", {9999.6}, {"  0.1000E+05"}},
    {"(G12.4)", {9999.4}, {"   9999.    "}},
    {"(G12.4)", {0.09999}, {"  0.9999E-01"}},
    {"(G12.4)", {0.099996}, {"  0.1000    "}},
    {"(G12.4)", {-123.456}, {"  -123.5    "}},
    {"(G12.4)", {1234.5}, {"   1234.    "}},
    {"(G12.4)", {0.1}, {"  0.1000    "}},
    {"(1PG12.4)", {123456.0}, {"  1.2346E+05"}},
    {"(1PG12.4)", {12.0}, {"   12.00    "}},
    {"(1PG12.4)", {0.001}, {"  1.0000E-03"}},
    {"(G10.3)", {5}, {"         5"}},
    {"(G10.3)", {"ab"}, {"        ab"}},
    {"(G14.5E3)", {1.5}, {"   1.5000     "}},
    {"(G14.5E3)", {1.5e-07}, {"  0.15000E-006"}},
    {"(G15.7)", {0.1f}, {"  0.1000000    "}},
    {"(G13.6)", {-1000000.0}, {"-0.100000E+07"}},
    {"(G13.6)", {999999.4}, {"  999999.    "}},
    {"(G6.4)", {1.0}, {"******"}},
    {"(G12.4)", {true}, {"           T"}},
    {"(G8.2)", {0.5}, {"0.50    "}},
    {"(A)", {"abc"}, {"abc"}},
    {"(A5)", {"ab"}, {"   ab"}},
    {"(A2)", {"xyz"}, {"xy"}},
    {"(A5,'|',A2,'|')", {"ab", "xyz"}, {"   ab|xy|"}},
    {"('[',A,5X,']')", {"ab"}, {"[ab     ]"}},
    {"('[',A,5X)", {"ab"}, {"[ab"}},
    {"(A,T10,A,TL3,A)", {"abc", "def", "X"}, {"abc      Xef"}},
    {"(T5,A,T2,A)", {"abc", "Z"}, {" Z  abc"}},
    {"(A,TR3,A)", {"a", "b"}, {"a   b"}},
    {"(1X,'it''s',\"q\"\"d\")", {}, {" it'sq\"d"}},
    {"(3Habc,I2)", {5}, {"abc 5"}},
    {"(3A1)", {"x", "y", "z"}, {"xyz"}},
    {"(L3,L2)", {true, false}, {"  T F"}},
    {"(2X,A)", {"hi"}, {"  hi"}},
    {"(10X)", {}, {""}},
    {"(A,X,A)", {"a", "b"}, {"a b"}},
    {"(TL5,A)", {"abc"}, {"abc"}},
    {"(A,T1,A)", {"abcdef", "XY"}, {"XYcdef"}},
    {"(1X,3I4)", {1, 2, 3, 4, 5, 6, 7}, {"    1   2   3", "    4   5   6", "    7"}},
    {"(1X,'a',2(I2,'b'))", {1, 2, 3, 4, 5}, {" a 1b 2b", " 3b 4b", " 5b"}},
    {"(1X,I2,:,'x')", {1}, {"  1"}},
    {"(1X,I2,'x')", {1}, {"  1x"}},
    {"(1X,'a',2(I2,'b'),'c')", {1}, {" a 1b"}},
    {"(/)", {}, {"", ""}},
    {"(//)", {}, {"", "", ""}},
    {"()", {}, {""}},
    {"('a',/,'b')", {}, {"a", "b"}},
    {"(2(1X,2(I1,'-')),'|')", {1, 2, 3, 4}, {" 1-2- 3-4-|"}},
    {"(I2,2(I3,'.'))", {1, 2, 3, 4, 5, 6, 7}, {" 1  2.  3.", "  4.  5.", "  6.  7."}},
    {"(1X,2(A,I2),:/)", {"a", 1, "b", 2, "c", 3}, {" a 1b 2", "", "c 3"}},
    {"(1X,A)", {"a", "b", "c"}, {" a", " b", " c"}},
    {"(1X,3/,'y')", {}, {"", "", "", "y"}},
    {"(I3/I3)", {1, 2}, {"  1", "  2"}},
    {"(1X,2(F6.2))", {1.0, 2.0, 3.0}, {"   1.00  2.00", "  3.00"}},
    {"(1X,1P,E10.3/E10.3)", {1.0, 2.0}, {"  1.000E+00", " 2.000E+00"}},
    {"(1X,1PE10.3,(F8.3))", {1.0, 2.0, 3.0}, {"  1.000E+00  20.000", "  30.000"}},
    {"(' x=',I3)", {}, {" x="}},
    {"(1x,a,i5,f12.4)", {"abc", 12, 3.5}, {" abc   12      3.5000"}},
    {"(1X, I 5 , F 8 . 2)", {3, 1.25}, {"     3    1.25"}},
};

TEST(Layout, MatchesFortranRuntime)
{
    for (const LayoutCase& c : layout_cases)
        EXPECT_EQ(fio_format(c.layout, FVals(c.vals)), c.want) << "layout " << c.layout;
}

// Values of another kind than their field are converted rather than refused.
TEST(Layout, ConvertsValueKinds)
{
    const FText<6> ab("ab");
    const FText<3> x("x");
    const LayoutCase cases[] = {
        {"(I5)", {2.5}, {"    2"}},             {"(I5)", {-2.6}, {"   -3"}},
        {"(I5)", {nan}, {"*****"}},             {"(I3)", {"abc"}, {"***"}},
        {"(F8.3)", {7}, {"   7.000"}},          {"(E10.3)", {-2}, {"-0.200E+01"}},
        {"(A)", {12}, {"12"}},                  {"(A6)", {1.5f}, {"   1.5"}},
        {"(A4,'|')", {ab}, {"ab  |"}},          {"(A,'|')", {x}, {"x  |"}},
        {"(A)", {'q'}, {"q"}},                  {"(I20)", {~0ULL}, {" 9223372036854775807"}},
        {"(I20)", {-9223372036854775807LL - 1}, {"-9223372036854775808"}},
        {"(I5)", {1e300}, {"*****"}},           {"(L2)", {0}, {" F"}},
        {"(F8.2)", {}, {""}},                   {"('x')", {1}, {"x"}},  // no field: values dropped
    };
    for (const LayoutCase& c : cases)
        EXPECT_EQ(fio_format(c.layout, FVals(c.vals)), c.want) << "layout " << c.layout;
}

TEST(Layout, FirstLineAndOpenEnd)
{
    EXPECT_EQ(fio_format1("(1X,I2/1X,I2)", {1, 2}), "  1");
    EXPECT_EQ(fio_format("(' Answer >',$)"), std::vector<std::string>{" Answer >"});
    EXPECT_EQ(fio_format1("(1X,A,'-',A4)", {std::string("ab"), std::string_view("cdefg")}), " ab-cdef");
}

// Free-form lines follow the runtime's rules: a leading blank, at most 9 significant digits
// for reals of either width, and a new line before an item that would reach column 80.
TEST(FreeForm, Items)
{
    struct Case { std::vector<FVal> vals; std::vector<std::string> want; };
    const Case cases[] = {
        {{1.0}, {"   1."}},                    {{0.0}, {"   0."}},
        {{-1.0}, {"  -1."}},                   {{-0.25}, {"  -0.25"}},
        {{3.5f}, {"   3.5"}},                  {{0.1f}, {"   0.100000001"}},
        {{0.1}, {"   0.1"}},                   {{1.0 / 3.0}, {"   0.333333333"}},
        {{2.0 / 3.0}, {"   0.666666667"}},     {{123456789.0}, {"   123456789."}},
        {{999999999.6}, {"   1.E+09"}},        {{1.5e10}, {"   1.5E+10"}},
        {{1e-4}, {"   0.0001"}},               {{1.25e-5}, {"   1.25E-05"}},
        {{-1e100}, {"  -1.E+100"}},            {{1e8}, {"   100000000."}},
        {{2.19714f}, {"   2.19713998"}},       {{inf}, {"   Infinity"}},
        {{42}, {"  42"}},                      {{-7}, {"  -7"}},
        {{true, false}, {"  T F"}},            {{"abc", 5}, {" abc 5"}},
        {{"N =", 3, " x=", 2.5}, {" N = 3 x=  2.5"}},
        {{}, {""}},                            {{""}, {" "}},
        {{" ", "ab"}, {"  ab"}},
    };
    for (const Case& c : cases) EXPECT_EQ(fio_list_format(FVals(c.vals)), c.want);
}

TEST(FreeForm, BreaksBeforeColumn80)
{
    const std::string t78(78, 'a'), t80(80, 'b');
    // 1 + 78 = 79 columns fit; one more character would make 80
    EXPECT_EQ(fio_list_format({t78}), std::vector<std::string>{" " + t78});
    EXPECT_EQ(fio_list_format({t78, "c"}), (std::vector<std::string>{" " + t78, " c"}));
    // an item longer than a line goes whole on a line of its own
    EXPECT_EQ(fio_list_format({t80, 7}), (std::vector<std::string>{" " + t80, "  7"}));
    // a blank item makes the line non-empty, so a long text after it starts a new line
    EXPECT_EQ(fio_list_format({" ", t80}), (std::vector<std::string>{"  ", " " + t80}));
    std::vector<FVal> many(30, FVal(12345));
    const auto lines = fio_list_format(FVals(many));
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].size(), 79u);  // 13 items of 6 columns after the leading blank
    EXPECT_EQ(lines[2], std::string(" ") + " 12345 12345 12345 12345");
}

// ---- Units ---------------------------------------------------------------------------------

class Units : public ::testing::Test {
protected:
    std::string dir;
    void SetUp() override
    {
        char tmpl[] = "/tmp/fio_testXXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir = tmpl;
    }
    void TearDown() override
    {
        for (int u = 10; u <= 99; ++u) fio_close(u);
        std::system(("rm -rf " + dir).c_str());
    }
    std::string path(const char* name) const { return dir + "/" + name; }
    std::string slurp(const char* name) const
    {
        std::string s;
        if (std::FILE* f = std::fopen(path(name).c_str(), "rb")) {
            int ch;
            while ((ch = std::fgetc(f)) != EOF) s += static_cast<char>(ch);
            std::fclose(f);
        }
        return s;
    }
    void spit(const char* name, const std::string& s) const
    {
        std::FILE* f = std::fopen(path(name).c_str(), "wb");
        std::fwrite(s.data(), 1, s.size(), f);
        std::fclose(f);
    }
};

TEST_F(Units, StandardUnitsAndRange)
{
    EXPECT_TRUE(fio_is_open(0));
    EXPECT_TRUE(fio_is_open(5));
    EXPECT_TRUE(fio_is_open(6));
    EXPECT_EQ(fio_file(6), stdout);
    EXPECT_FALSE(fio_is_open(-1));
    EXPECT_FALSE(fio_is_open(100));
    EXPECT_EQ(fio_open(100, path("x")), EBADF);
    EXPECT_EQ(fio_write(42, "(A)", {"x"}), EBADF);
    EXPECT_EQ(fio_list(42, {"x"}), EBADF);
    EXPECT_EQ(fio_write(5, "(A)", {"x"}), EBADF);
    FText<4> rec("zz");
    EXPECT_EQ(fio_read(42, rec), 1);
    EXPECT_EQ(fio_read(6, rec), 1);
}

TEST_F(Units, OpenStatus)
{
    EXPECT_EQ(fio_open(20, path("none"), FStatus::old), ENOENT);
    EXPECT_FALSE(fio_is_open(20));
    EXPECT_EQ(fio_open(20, path("new") + "   ", FStatus::new_file), 0);  // trailing blanks go
    EXPECT_EQ(fio_name(20), path("new"));
    fio_close(20);
    EXPECT_EQ(fio_open(20, path("new"), FStatus::new_file), EEXIST);
    EXPECT_EQ(fio_open(20, dir, FStatus::unknown), EISDIR);
    EXPECT_EQ(fio_open(20, path("new"), FStatus::old), 0);
    fio_close(20);
    fio_close(20);  // twice is harmless
}

TEST_F(Units, WriteThenReadRecords)
{
    ASSERT_EQ(fio_open(11, path("a.txt")), 0);
    fio_write(11, "(1X,A,I5,F12.4)", {"abc", 12, 3.5});
    fio_write(11, "(A,$)", {"open"});
    fio_write(11, "(A)", {"ed"});
    fio_list(11, {"N =", 3});
    fio_close(11);
    EXPECT_EQ(slurp("a.txt"), " abc   12      3.5000\nopened\n N = 3\n");

    ASSERT_EQ(fio_open(11, path("a.txt"), FStatus::old), 0);
    FText<8> rec;
    EXPECT_EQ(fio_read(11, rec), 0);
    EXPECT_EQ(rec.full(), " abc   1");  // cut to the field
    EXPECT_EQ(fio_read(11, rec), 0);
    EXPECT_EQ(rec.full(), "opened  ");  // padded with blanks
    std::string line;
    EXPECT_EQ(fio_read_line(11, line), 0);
    EXPECT_EQ(line, " N = 3");
    EXPECT_EQ(fio_read(11, rec), -1);
    EXPECT_TRUE(rec.blank());
    EXPECT_EQ(fio_read(11, rec), -1);
}

TEST_F(Units, RecordEndings)
{
    spit("crlf.txt", "one\r\n\ntwo");  // CR LF, an empty record, a last line without its end
    ASSERT_EQ(fio_open(12, path("crlf.txt"), FStatus::old), 0);
    std::string line;
    EXPECT_EQ(fio_read_line(12, line), 0);
    EXPECT_EQ(line, "one");
    EXPECT_EQ(fio_read_line(12, line), 0);
    EXPECT_EQ(line, "");
    EXPECT_EQ(fio_read_line(12, line), 0);
    EXPECT_EQ(line, "two");
    EXPECT_EQ(fio_read_line(12, line), -1);
}

// An existing file opened UNKNOWN is only rewritten where the first write starts.
TEST_F(Units, UnknownKeepsFileUntilWritten)
{
    spit("old.txt", "first\nsecond\nthird\n");
    ASSERT_EQ(fio_open(13, path("old.txt")), 0);
    fio_close(13);
    EXPECT_EQ(slurp("old.txt"), "first\nsecond\nthird\n");

    ASSERT_EQ(fio_open(13, path("old.txt")), 0);
    FText<10> rec;
    EXPECT_EQ(fio_read(13, rec), 0);
    fio_write(13, "(A)", {"new"});
    fio_close(13);
    EXPECT_EQ(slurp("old.txt"), "first\nnew\n");

    ASSERT_EQ(fio_open(13, path("old.txt")), 0);
    fio_write(13, "(A)", {"x"});
    fio_rewind(13);
    EXPECT_EQ(fio_read(13, rec), 0);
    EXPECT_EQ(rec.trimmed(), "x");
    fio_rewind(13);
    fio_write(13, "(A)", {"again"});
    fio_close(13);
    EXPECT_EQ(slurp("old.txt"), "again\n");
}

TEST_F(Units, FreeUnitInEitherDirection)
{
    ASSERT_EQ(fio_open(82, path("c1")), 0);
    EXPECT_EQ(fio_free_unit(82, 70), 81);
    ASSERT_EQ(fio_open(83, path("c2")), 0);
    EXPECT_EQ(fio_free_unit(83, 99), 84);
    EXPECT_EQ(fio_free_unit(82, 83), -1);
    EXPECT_EQ(fio_free_unit(5, 6), -1);
    EXPECT_EQ(fio_free_unit(98, 120), 98);
    // the fixed units are taken by number only, never by a search
    EXPECT_EQ(fio_free_unit(1, 19), 1);
    EXPECT_EQ(fio_free_unit(2, 19), 4);
    EXPECT_EQ(fio_free_unit(81, 70), 81);
    ASSERT_EQ(fio_open(81, path("c3")), 0);
    EXPECT_EQ(fio_free_unit(81, 70), 79);
    EXPECT_EQ(fio_free_unit(7, 7), -1);
    fio_close_all();
    EXPECT_FALSE(fio_is_open(82));
    EXPECT_TRUE(fio_is_open(6));  // the standard streams stay for a last message
}

}  // namespace

// ---- Texts on one line -------------------------------------------------------------------

struct OneLineCase {
    const char* what;
    std::string in;
    FOneLine how;
    FCharset cs;
    std::string want;
};

const OneLineCase one_line_cases[] = {
    {"line breaks", "X\n$touch P #\r\n@f", FOneLine::stored, FCharset::latin1, "X $touch P #  @f"},
    {"line breaks shown", "X\n$t\r\n@f", FOneLine::shown, FCharset::latin1, "X^J$t^M^J@f"},
    {"NUL, ESC, BEL, BS, DEL", std::string("a\0b\x1b[2J\a\b\x7f", 10), FOneLine::stored,
     FCharset::latin1, "a b [2J   "},
    {"the same shown", std::string("a\0b\x1b[2J\a\b\x7f", 10), FOneLine::shown, FCharset::latin1,
     "a^@b^[[2J^G^H^?"},
    {"TAB is blank in a file, kept when shown", "a\tb", FOneLine::stored, FCharset::latin1, "a b"},
    {"TAB shown", "a\tb", FOneLine::shown, FCharset::latin1, "a\tb"},
    {"C1 CSI and NEL", "x\x9b" "31m\x85y", FOneLine::stored, FCharset::latin1, "x 31m y"},
    {"C1 shown", "x\x9b" "31m\x85y", FOneLine::shown, FCharset::latin1, "xM-^[31mM-^Ey"},
    {"Latin-1 micro, plus-minus, e acute", "\xb5s \xb1 \xe9", FOneLine::stored, FCharset::latin1,
     "\xb5s \xb1 \xe9"},
    {"UTF-8 text stays in a file", "\xc2\xb5 \xe2\x82\xac", FOneLine::stored, FCharset::latin1,
     "\xc2\xb5 \xe2\x82\xac"},
    {"UTF-8 text stays when shown", "\xe2\x82\xac", FOneLine::shown, FCharset::latin1, "\xe2\x82\xac"},
    {"UTF-8 text at a byte terminal", "\xe2\x82\xac", FOneLine::shown_8bit, FCharset::latin1,
     "\xe2M-^B\xac"},
    {"UTF-8 C1 (U+009B) is a control", "\xc2\x9b" "31m", FOneLine::stored, FCharset::latin1,
     "\xc2 31m"},
    {"code page 437 letters at 128..159", "\x80\x9b", FOneLine::stored, FCharset::cp437, "\x80\x9b"},
    {"code page 437 still blanks C0", "a\nb\x1b", FOneLine::stored, FCharset::cp437, "a b "},
    {"plain text", "'quoted' \"@!$\\?,", FOneLine::stored, FCharset::latin1, "'quoted' \"@!$\\?,"},
};

TEST(OneLine, Cases)
{
    for (const OneLineCase& c : one_line_cases) {
        FMadeIn set(c.cs);
        EXPECT_EQ(fio_one_line(c.in, c.how), c.want) << c.what;
    }
}

// Every line written passes there: a text with line breaks stays on its line in a file, and
// the log (unit 2) shows the controls made visible.
TEST_F(Units, TextsStayOnTheirLine)
{
    const std::string title = "T\n$touch X #\r\n@evil\x1b]0;x\a\x9b" + std::string(500, 'w');
    ASSERT_EQ(fio_open(13, path("ans.txt")), 0);
    fio_write(13, "(1X,A)", {title});
    fio_write(13, "(A,'|',A)", {"a\nb", "\xb5\xb1"});
    fio_close(13);
    EXPECT_EQ(slurp("ans.txt"), " T $touch X #  @evil ]0;x  " + std::string(500, 'w') + "\n" +
                                    "a b|\xb5\xb1\n");
    ASSERT_EQ(fio_open(2, path("log.txt")), 0);
    fio_write(2, "(1X,A)", {title.substr(0, 30)});
    fio_close(2);
    EXPECT_EQ(slurp("log.txt"), " T^J$touch X #^M^J@evil^[]0;x^GM-^[wwww\n");
}
