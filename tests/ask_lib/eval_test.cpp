// eval_test.cpp -- the expression evaluator: values, precedence, errors, the variable table.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "eval.h"
#include "fio.h"

namespace {

// A table holding only E and PI, as after the first evaluation.
void fresh_table()
{
    evalinit();
    evaltab.count = 0;
    evaldefine("E", std::exp(1.0));
    evaldefine("PI", 4.0 * std::atan(1.0));
}

// Evaluates expr; returns what it wrote on the screen.
std::string run(std::string_view expr, bool& ok, double& v)
{
    testing::internal::CaptureStdout();
    ok = eval(expr, v);
    return testing::internal::GetCapturedStdout();
}

struct ValueCase { const char* expr; double want; };

const double pi = 4.0 * std::atan(1.0);
const double e1 = std::exp(1.0);

// Each row: an expression and its exact value.
const ValueCase value_cases[] = {
    {"2 PI", 2 * pi}, {"2PI", 2 * pi}, {"2e", 2 * e1}, {"2e3", 2000.0}, {"1.5.3", 1.5 * 0.3},
    {"2d3", 2000.0}, {"2D-3", 0.002}, {"1.5E+2", 150.0}, {".5", 0.5}, {"3.", 3.0},
    {"2 3**2", 36.0}, {"2**3**2", 64.0}, {"2(3+4)", 14.0}, {"3 4 5", 60.0},
    {"-2**2", -4.0}, {"-2*3", -6.0}, {"2*(-3)", -6.0}, {"2**(-1)", 0.5}, {"-2-3", -5.0},
    {"10-4-3", 3.0}, {"8/4/2", 1.0}, {"1+2*3", 7.0}, {"sin 2", std::sin(2.0)},
    {"sin(2)", std::sin(2.0)}, {"sin(cos 1)", std::sin(std::cos(1.0))},
    {"2 sin 1", 2 * std::sin(1.0)}, {"log10(1000)", 3.0}, {"exp(0)", 1.0},
    {"(2 > 1) + 1", 2.0}, {"2 > 1 + 1", 0.0}, {"1 & 0", 0.0}, {"5 | 0", 1.0}, {"!0", 1.0},
    {".TRUE.", 1.0}, {".false.", 0.0}, {"1 == 1", 1.0}, {"1 .eq. 1", 1.0}, {"1 .Ne. 2", 1.0},
    {"2 >= 2", 1.0}, {"2 <= 1", 0.0}, {"1 < 2", 1.0}, {"3 .GT. 4", 0.0},
    {"1 .and. .not. 0", 1.0}, {"0 .or. 0", 0.0}, {"1 & 1 | 0", 1.0},
    {"anint(-2.5)", -3.0}, {"anint(2.5)", 3.0}, {"anint(0.49999999999999994)", 0.0},
    {"anint(4503599627370497)", 4503599627370497.0}, {"aint(-2.7)", -2.0},
    {"abs(-3)", 3.0}, {"min(4)", 4.0}, {"max 5", 5.0}, {"((((1))))", 1.0},
};

TEST(EvalValue, ExamplesAndPrecedence)
{
    fresh_table();
    for (const auto& c : value_cases) {
        double v = -99.0;
        bool ok = false;
        const std::string out = run(c.expr, ok, v);
        EXPECT_TRUE(ok) << c.expr << "\n" << out;
        EXPECT_EQ(v, c.want) << c.expr;
        EXPECT_EQ(out, "") << c.expr;
    }
}

TEST(EvalValue, DomainErrorsGiveNanSilently)
{
    fresh_table();
    for (const char* expr : {"sqrt(-1)", "log(-1)", "0/0"}) {
        double v = 0.0;
        bool ok = false;
        EXPECT_EQ(run(expr, ok, v), "") << expr;
        EXPECT_TRUE(ok && std::isnan(v)) << expr;
    }
    double v = 0.0;
    bool ok = false;
    run("1/0", ok, v);
    EXPECT_TRUE(ok && std::isinf(v));
}

struct ErrorCase { const char* expr; const char* msg; };

// Each row: an expression that fails and the message it gives.
const ErrorCase error_cases[] = {
    {"2**-1", "EVAL: Invalid expression."},
    {"2*-3", "EVAL: Invalid expression."},
    {"1 = 1", "EVAL: Invalid expression."},
    {"", "EVAL: Invalid expression."},
    {"()", "EVAL: Invalid expression."},
    {"x = ", "EVAL: Invalid expression."},
    {"min(1,2)", "EVAL: Invalid expression."},
    {"sin cos 1", "EVAL: Invalid expression."},
    {"1 < 2 < 3", "EVAL: Invalid expression."},
    {"!!1", "EVAL: Invalid expression."},
    {"+1", "EVAL: Invalid expression."},
    {"sin", "EVAL: Invalid Expression."},
    {"(*)", "EVAL: Invalid Expression."},
    {"(1+2", "EVAL: mismatched parenthesis"},
    {"1)+2", "EVAL: mismatched parenthesis"},
    {"SIN(1)", "EVAL: SIN is not defined"},
    {"nosuch+1", "EVAL: nosuch is not defined"},
    {"1e999", "EVAL: 1e999 is not a valid number"},
    {"2^3", "EVAL: invalid text starting ^3"},
    {"1 +\t2", "EVAL: invalid text starting \t2"},
    {"1 + .", "EVAL: invalid text starting ."},
    {"3 # a long tail of text", "EVAL: invalid text starting # a long ta"},
    {"1 != 2", "EVAL: Invalid expression."},
};

TEST(EvalError, MessagesExactly)
{
    fresh_table();
    for (const auto& c : error_cases) {
        double v = 7.0;
        bool ok = true;
        const std::string out = run(c.expr, ok, v);
        EXPECT_FALSE(ok) << c.expr;
        EXPECT_EQ(v, 7.0) << c.expr;
        std::string msg(c.msg);
        msg.resize(80, ' ');
        // the 80-column message fills its free-form line; the quoted text follows on the next
        EXPECT_EQ(out, " " + msg + "\n  \"" + c.expr + "\"\n") << c.expr;
    }
}

TEST(EvalToken, Kinds)
{
    struct TokCase { const char* text; EvalTok kind; int last; };
    const TokCase cases[] = {
        {"  x1_$ y", EvalTok::ident, 6}, {"=", EvalTok::assign, 1}, {"==", EvalTok::eq, 2},
        {".le.", EvalTok::le, 4}, {".Not.x", EvalTok::not_, 5}, {"**", EvalTok::power, 2},
        {"2e", EvalTok::number, 1}, {"2e+", EvalTok::number, 1}, {"2e+5x", EvalTok::number, 4},
        {"\xB5s", EvalTok::ident, 2}, {"\xC2\xB5s", EvalTok::ident, 3},
        {"\xC2x", EvalTok::invalid, 1}, {"^", EvalTok::invalid, 1}, {"   ", EvalTok::end, 3},
    };
    for (const auto& c : cases) {
        EvalTok kind = EvalTok::invalid;
        int pos = 1, first = 0, last = 0;
        evaltoken(kind, c.text, pos, first, last);
        EXPECT_EQ(kind, c.kind) << c.text;
        EXPECT_EQ(last, c.last) << c.text;
        EXPECT_EQ(pos, c.last + 1) << c.text;
    }
}

TEST(EvalVariables, AssignmentCaseAndHiding)
{
    fresh_table();
    double v = 0.0;
    ASSERT_TRUE(eval("x = 3*4", v));
    EXPECT_EQ(v, 12.0);
    ASSERT_TRUE(eval("X+1", v));
    EXPECT_EQ(v, 13.0);
    ASSERT_TRUE(eval("x+1", v));
    EXPECT_EQ(v, 13.0);
    ASSERT_TRUE(eval("sin = 0.5", v));
    ASSERT_TRUE(eval("sin(2)", v));       // the variable hides the function
    EXPECT_EQ(v, 1.0);
    ASSERT_TRUE(eval("\xB5s = 2", v));     // micro, Latin-1 and UTF-8, in names
    ASSERT_TRUE(eval("\xC2\xB5x = 3", v));
    ASSERT_TRUE(eval("\xB5s \xC2\xB5x", v));
    EXPECT_EQ(v, 6.0);
    EXPECT_EQ(evaltab.count, 6);
    EXPECT_EQ(evaltab.name[3].str(), "X");
}

TEST(EvalVariables, InitAddsEAndPiOnce)
{
    fresh_table();
    evaldefine("PI", 3.0);
    evalinit();                           // already done: PI stays
    double v = 0.0;
    ASSERT_TRUE(evallookup("pi", v));
    EXPECT_EQ(v, 3.0);
    ASSERT_TRUE(evallookup("e", v));
    EXPECT_EQ(v, 2.718281828459045);
}

TEST(EvalVariables, LongNamesAndFullTable)
{
    fresh_table();
    const std::string long40 = "abcdefghijklmnopqrstuvwxyz0123456789ABCD";
    double v = 0.0;
    ASSERT_TRUE(eval(long40 + " = 5", v));
    ASSERT_TRUE(evallookup(long40.substr(0, 32) + "zzz", v));
    EXPECT_EQ(v, 5.0);
    EXPECT_EQ(evaltab.name[3].str(), "ABCDEFGHIJKLMNOPQRSTUVWXYZ012345");
    while (evaltab.count < eval_max_vars)
        ASSERT_TRUE(evaldefine("V" + std::to_string(evaltab.count), 1.0));
    EXPECT_FALSE(evaldefine("ONEMORE", 1.0));
    bool ok = true;
    const std::string out = run("newname = 2", ok, v);
    EXPECT_FALSE(ok);
    EXPECT_EQ(v, 2.0);                    // the result is delivered even so
    EXPECT_EQ(out.substr(0, 37), " EVAL: could not define newname      ");
    ASSERT_TRUE(eval("pi = 3", v));       // redefining still works
    ASSERT_TRUE(evallookup("PI", v));
    EXPECT_EQ(v, 3.0);
}

TEST(EvalVariables, ClearIsCaseExactAndClosesUp)
{
    fresh_table();
    evaldefine("A", 1);
    evaldefine("B", 2);
    evaldefine("C", 3);
    EXPECT_FALSE(evalclear("b"));
    EXPECT_TRUE(evalclear("B"));
    EXPECT_EQ(evaltab.count, 4);
    EXPECT_EQ(evaltab.name[4].str(), "C");
    EXPECT_EQ(evaltab.value[4], 3.0);
    double v;
    EXPECT_FALSE(evallookup("B", v));
}

TEST(EvalLength, At253TokensAndNotBeyond)
{
    fresh_table();
    std::string e253 = "1";
    for (int i = 0; i < 126; ++i) e253 += "+1";   // 253 tokens
    double v = 0.0;
    ASSERT_TRUE(eval(e253, v));
    EXPECT_EQ(v, 127.0);
    bool ok = true;
    const std::string out = run(e253 + " 2", ok, v);
    EXPECT_FALSE(ok);
    EXPECT_EQ(out.substr(0, 29), " EVAL: expression is too long");
    ASSERT_TRUE(eval("y = " + e253, v));          // the name and sign are not counted
}

TEST(EvalFunctions, NamesAreLowerCaseExactly)
{
    int f = 0;
    EXPECT_TRUE(evalisfun("log10", f));
    EXPECT_EQ(f, 12);
    EXPECT_TRUE(evalisfun("abs", f));
    EXPECT_EQ(f, 18);
    EXPECT_FALSE(evalisfun("Sin", f));
    EXPECT_FALSE(evalisfun("sinx", f));
}

// A file name of this process alone: test binaries of several trees may run at once.
std::string tmp_path(const std::string& name)
{
    return testing::TempDir() + "eval_test_" + std::to_string(getpid()) + "_" + name;
}

std::string file_text(const std::string& path)
{
    std::ifstream f(path);
    return std::string(std::istreambuf_iterator<char>(f), {});
}

std::uint64_t bits(double v)
{
    std::uint64_t b;
    std::memcpy(&b, &v, sizeof b);
    return b;
}

// Saves the table, empties it, loads it back: every value must return bit for bit
// (every NaN as a NaN), also with a variable SQRT hiding the function of that name.
void expect_round_trip(const std::vector<double>& values, int flag)
{
    fresh_table();
    for (std::size_t i = 0; i < values.size(); ++i)
        ASSERT_TRUE(evaldefine("V" + std::to_string(i), values[i]));
    const std::string path = tmp_path("round_trip");
    evalsave(path, flag);
    evaltab.count = 0;
    ASSERT_TRUE(evaldefine("SQRT", 4.0));
    if (flag == 0) {
        evalload(path);
    } else {
        // the "\= " lines replay as answer-line commands: evaluate what follows the mark
        std::ifstream f(path);
        double v;
        for (std::string line; std::getline(f, line);) ASSERT_TRUE(eval(line.substr(2), v)) << line;
    }
    ASSERT_EQ(evaltab.count, static_cast<int>(values.size()) + 3);
    for (std::size_t i = 0; i < values.size(); ++i) {
        double v = 0.0;
        ASSERT_TRUE(evallookup("V" + std::to_string(i), v));
        if (std::isnan(values[i])) EXPECT_TRUE(std::isnan(v)) << i;
        else EXPECT_EQ(bits(v), bits(values[i])) << i << " " << values[i];
    }
    std::remove(path.c_str());
}

TEST(EvalFiles, SaveLoadRoundTripsEveryDouble)
{
    using L = std::numeric_limits<double>;
    const std::vector<double> edges = {
        0.0, -0.0, 1.0, -1.0, 0.1, 1.0 / 3.0, 2.0 / 3.0, L::max(), -L::max(), L::min(),
        L::denorm_min(), -L::denorm_min(), 1e-300, 1e300, 1e100, 1e-100, 9.999999999999999e99,
        1e99, 1e-99, 0.09999999999999999, 1e17, 99999999999999984.0, 123456789012345678.0,
        L::infinity(), -L::infinity(), L::quiet_NaN(), L::epsilon(), 4503599627370497.0,
    };
    expect_round_trip(edges, 0);
    expect_round_trip(edges, 1);
    std::mt19937_64 rng(20261210);
    for (int round = 0; round < 8; ++round) {
        std::vector<double> values;
        while (values.size() < 253) {              // the table full with E, PI, SQRT
            const std::uint64_t b = rng();
            double v;
            std::memcpy(&v, &b, sizeof v);
            values.push_back(v);
        }
        expect_round_trip(values, round % 2);
    }
}

TEST(EvalFiles, LineLayouts)
{
    fresh_table();
    evaldefine("X", 3.0);
    const std::string path = tmp_path("layout");
    evalsave(path, 0);
    EXPECT_EQ(file_text(path),
              "E                               =   2.7182818284590451    \n"
              "PI                              =   3.1415926535897931    \n"
              "X                               =   3.0000000000000000    \n");
    evalclear("E");
    evalclear("PI");
    evaldefine("Y", 1e-300);
    evalsave(path, 1);
    EXPECT_EQ(file_text(path),
              "\\= X                               =   3.0000000000000000    \n"
              "\\= Y                               = 0.10000000000000000E-299\n");
    testing::internal::CaptureStdout();
    evaldump();
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              " X                               =   3.0000000000000000    \n"
              " Y                               =  0.10000000000000000-299\n");
    std::remove(path.c_str());
}

TEST(EvalFiles, FailuresAreReported)
{
    fresh_table();
    const std::string path = tmp_path("bad");
    {
        std::ofstream f(path);
        f << "A = 1\nB = nosuch\nC = 3\n";
    }
    testing::internal::CaptureStdout();
    evalload(path);
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_NE(out.find(" EVAL: nosuch is not defined"), std::string::npos);
    EXPECT_NE(out.find("\n Error in variable definition file " + path + "\n"), std::string::npos) << out;
    double v = 0.0;
    EXPECT_TRUE(evallookup("A", v));       // lines before the failure keep their effect
    EXPECT_FALSE(evallookup("C", v));

    testing::internal::CaptureStdout();
    evalload(testing::TempDir() + "no_such_dir/none");
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              " Error in variable definition file " + testing::TempDir() + "no_such_dir/none\n");
    testing::internal::CaptureStdout();
    evalsave(testing::TempDir() + "no_such_dir/none", 0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              " Error in variable definition file " + testing::TempDir() + "no_such_dir/none\n");

    std::vector<int> opened;
    for (int u = 1; u <= 19; ++u)
        if (!fio_is_open(u) && fio_open(u, "/dev/null", FStatus::old) == 0) opened.push_back(u);
    testing::internal::CaptureStdout();
    evalsave(path, 0);
    evalload(path);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              " No available handles --- can't save variables\n"
              " No available handles --- can't load variables\n");
    for (int u : opened) fio_close(u);
    std::remove(path.c_str());
}

}  // namespace
