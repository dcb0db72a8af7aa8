// The commands' numbers as their descriptions give them (HESSE's call limit, MINOS's limit per
// parameter, SCAN's point count, MNCONTOUR without parameter numbers), the final call after
// CALL 3, limit warnings, and IMPROVE's random search.

#include <cmath>

#include "mn_test.h"

namespace {

int flag3_calls = 0;

// Correlated quadratic in three parameters, minimum at (1, -2, 3).
void quad3(int, double[], double& f, double x[], int iflag, void*)
{
    if (iflag == 3) ++flag3_calls;
    const double a = x[1] - 1, b = x[2] + 2, c = x[3] - 3;
    f = 4 * a * a + 2 * a * b + 3 * b * b + c * c + a * c;
}

// A bowl about the origin (errors 1) with a deeper narrow well at (2, 2): no point three
// errors out along an axis lies in the well's basin, a point of the box around them may.
void bowl_and_well(int, double[], double& f, double x[], int, void*)
{
    const double r2 = (x[1] - 2) * (x[1] - 2) + (x[2] - 2) * (x[2] - 2);
    f = x[1] * x[1] + x[2] * x[2] - 20 * std::exp(-r2 / 0.5);
}

std::size_t count_of(const std::string& text, const std::string& part)
{
    std::size_t n = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
    return n;
}

}  // namespace

class Rules : public MnTest {
protected:
    void SetUp() override
    {
        MnTest::SetUp();
        flag3_calls = 0;
    }
    void define3()
    {
        define(1, "a", 0, 0.1);
        define(2, "b", 0, 0.1);
        define(3, "c", 0, 0.1);
    }
};

// A CALL with flag 3 is the final call: END at the same minimum does not repeat it.
TEST_F(Rules, CallThreeCountsAsTheFinalCall)
{
    define3();
    command(quad3, "MIGRAD");
    EXPECT_EQ(command(quad3, "CALL", {3}), 0);
    EXPECT_EQ(flag3_calls, 1);
    EXPECT_EQ(command(quad3, "END"), 10);
    EXPECT_EQ(flag3_calls, 1);
    command(quad3, "SETPAR", {1, 2});
    command(quad3, "MIGRAD");
    EXPECT_EQ(command(quad3, "RETURN"), 12);
    EXPECT_EQ(flag3_calls, 2);
}

// HESSE [maxcalls] stops at its limit with the diagonal estimate; without it HESSE completes.
TEST_F(Rules, HesseKeepsItsCallLimit)
{
    define3();
    command(quad3, "MIGRAD");
    const int n0 = mn7cnv.nfcn;
    std::size_t m = out().size();
    EXPECT_EQ(command(quad3, "HESSE", {4}), 4);
    EXPECT_LE(mn7cnv.nfcn - n0, 6);
    std::string o = out_from(m);
    EXPECT_TRUE(contains(o, "\n CALL LIMIT EXCEEDED IN HESSE.\n")) << o;
    EXPECT_TRUE(contains(o, "\n  MNHESS FAILS AND WILL RETURN DIAGONAL MATRIX.\n")) << o;
    EXPECT_TRUE(contains(o, " FROM HESSE     STATUS=CALL LIMIT")) << o;
    EXPECT_EQ(mn7flg.isw[2], 1);
    EXPECT_EQ(command(quad3, "HESSE"), 0);
    EXPECT_EQ(mn7flg.isw[2], 3);
    EXPECT_EQ(command(quad3, "HESSE", {1000}), 0);
}

// MINOS [maxcalls] bounds each parameter on its own, not the command as a whole.
TEST_F(Rules, MinosCallLimitIsPerParameter)
{
    define3();
    command(quad3, "MIGRAD", {0, 0.001});
    int most = 0, total = 0;
    for (int k = 1; k <= 3; ++k) {
        const int n0 = mn7cnv.nfcn;
        command(quad3, "MINOS", {0, static_cast<double>(k)});
        most = std::max(most, mn7cnv.nfcn - n0);
        total += mn7cnv.nfcn - n0;
    }
    ASSERT_LT(most + 10, total);
    EXPECT_EQ(command(quad3, "MINOS", {static_cast<double>(most + 10)}), 0);
    for (int k = 1; k <= 3; ++k) {
        double ep, em, eparab, gcc;
        mnerrs(k, ep, em, eparab, gcc);
        EXPECT_NEAR(ep, eparab, 0.01 * eparab) << k;
        EXPECT_NEAR(em, -eparab, 0.01 * eparab) << k;
    }
    const std::size_t m = out().size();
    EXPECT_EQ(command(quad3, "MINOS", {5, 2}), 4);
    const std::string o = out_from(m);
    EXPECT_TRUE(contains(o, "\n ============== CALL LIMIT EXCEEDED FOR NEGATIVE ERROR OF PARAMETER  2\n"))
        << o;
    EXPECT_EQ(mn7tit.cstatu.str(), "FAILURE");
}

// SCAN takes 40 points unless told, and never more than 100.
TEST_F(Rules, ScanPointCounts)
{
    define3();
    command(quad3, "MIGRAD");
    struct Row { std::vector<double> args; int calls; };
    const Row rows[] = {{{1}, 40}, {{1, 0}, 40}, {{1, 7}, 7}, {{1, 500}, 100}, {{1, 1}, 2}};
    for (const Row& r : rows) {
        const int n0 = mn7cnv.nfcn;
        EXPECT_EQ(command(quad3, "SCAN", r.args), 0);
        EXPECT_EQ(mn7cnv.nfcn - n0, r.calls) << r.args.size();
    }
}

// With exactly two variable parameters MNCONTOUR needs no parameter numbers.
TEST_F(Rules, MncontourOfTheOnlyTwo)
{
    define3();
    command(quad3, "FIX", {3});
    command(quad3, "MIGRAD");
    const std::size_t m = out().size();
    EXPECT_EQ(command(quad3, "MNCONTOUR"), 0);
    EXPECT_TRUE(contains(out_from(m), " CONTOUR OF FCN = AMIN + UP IN PARAMETERS  1 (a) AND  2 (b),  20 POINTS"))
        << out_from(m);
    command(quad3, "RELEASE", {3});
    EXPECT_EQ(command(quad3, "MNCONTOUR"), 4);
}

// A start value at its limit is warned about once, where it is defined; a value set beyond
// a limit by a command is warned about under that command's name.
TEST_F(Rules, LimitWarningsOnceAndUnderTheirOrigin)
{
    define(1, "a", 2, 0.1, 2, 0);
    define(2, "b", 0, 0.1);
    define(3, "c", 0, 0.1);
    command(quad3, "CALL", {4});
    command(quad3, "MIGRAD");
    const std::string o = out();
    EXPECT_EQ(count_of(o, "VARIABLE   1 IS AT ITS UPPER ALLOWED LIMIT."), 1u) << o;
    EXPECT_EQ(count_of(o, " MINUIT WARNING IN PARAM DEF\n ============== PARAMETER LIMITS WERE REVERSED.\n"), 1u) << o;
    EXPECT_FALSE(contains(o, "WARNING IN CLEAR")) << o;
    const std::size_t m = out().size();
    command(quad3, "SETPAR", {1, 5});
    EXPECT_TRUE(contains(out_from(m), " MINUIT WARNING IN SETPAR\n"
                                      " ============== VARIABLE   1 BROUGHT BACK INSIDE LIMITS.\n"))
        << out_from(m);
}

// IMPROVE finds a lower minimum away from the axes through the present one.
TEST_F(Rules, ImproveSearchesTheWholeBox)
{
    define(1, "x", 0.3, 0.1);
    define(2, "y", -0.2, 0.1);
    EXPECT_EQ(command(bowl_and_well, "MIGRAD"), 0);
    ASSERT_NEAR(value(1), 0, 1e-3);
    ASSERT_NEAR(error(1), 1, 0.01);
    const std::size_t m = out().size();
    EXPECT_EQ(command(bowl_and_well, "IMPROVE"), 0);
    EXPECT_TRUE(contains(out_from(m), "\n IMPROVE HAS FOUND A TRULY NEW MINIMUM\n")) << out_from(m);
    EXPECT_NEAR(value(1), 2, 0.1);
    EXPECT_NEAR(value(2), 2, 0.1);
    EXPECT_LT(mn7min.amin, -10);
}

namespace {

void parabola(int, double[], double& f, double x[], int, void*) { f = 4 * (x[1] - 1) * (x[1] - 1); }

// Poisson -2 ln L of 9 counts: the crossings are not symmetric about the minimum.
void poisson9(int, double[], double& f, double x[], int, void*)
{
    f = 2 * (x[1] - 9 * std::log(x[1]));
}

// Gaussian -ln L of a fixed sample in mean and width (UP 0.5): the width's profile is skewed.
void gauss_nll(int, double[], double& f, double x[], int, void*)
{
    constexpr double sample[] = {4.1, 5.3, 4.8, 6.0, 5.5, 4.4, 5.1, 4.9, 5.7, 5.2, 4.6, 5.0};
    f = static_cast<double>(std::size(sample)) * std::log(x[2]);
    for (double s : sample) f += (s - x[1]) * (s - x[1]) / (2 * x[2] * x[2]);
}

}  // namespace

// The crossing search spends few calls: one per crossing of a parabola, a handful when the
// rise is far from parabolic.
TEST_F(Rules, MinosCrossingsAreCheap)
{
    struct Row { mnfcn f; double start, step, up; int most; };
    const Row rows[] = {{parabola, 0, 0.1, 1, 2}, {poisson9, 5, 1, 1, 6}, {gauss_nll, 4, 0.5, 0.5, 95}};
    for (const Row& r : rows) {
        mninit(5, mn_test_unit, 7);
        define(1, "p", r.start, r.step);
        if (r.f == gauss_nll) define(2, "w", 1, 0.2, 0.01, 10);
        command(r.f, "SETERR", {r.up});
        EXPECT_EQ(command(r.f, "MIGRAD", {0, 0.001}), 0);
        const int n0 = mn7cnv.nfcn;
        EXPECT_EQ(command(r.f, "MINOS"), 0);
        EXPECT_LE(mn7cnv.nfcn - n0, r.most) << r.most;
    }
}

// SIMPLEX [maxcalls] [tolerance] stops once EDM is below tolerance x UP (0.1 x UP unless told).
TEST_F(Rules, SimplexToleranceIsInUnitsOfUp)
{
    define3();
    struct Row { std::vector<double> args; double up; const char* line; };
    const Row rows[] = {
        {{}, 1, " START SIMPLEX MINIMIZATION.    CONVERGENCE WHEN EDM .LT.  0.10E+00\n"},
        {{0, 0.5}, 0.5, " START SIMPLEX MINIMIZATION.    CONVERGENCE WHEN EDM .LT.  0.25E+00\n"},
        {{1000, 0.02}, 1, " START SIMPLEX MINIMIZATION.    CONVERGENCE WHEN EDM .LT.  0.20E-01\n"},
    };
    for (const Row& r : rows) {
        command(quad3, "SETERR", {r.up});
        command(quad3, "SETPAR", {1, 0});
        const std::size_t m = out().size();
        EXPECT_EQ(command(quad3, "SIMPLEX", r.args), 0);
        EXPECT_TRUE(contains(out_from(m), r.line)) << out_from(m);
        EXPECT_LT(mn7min.edm, r.args.size() == 2 ? r.args[1] * r.up : 0.1 * r.up);
    }
}

// The status lines of the parameter tables: FROM with its 8-character name, two blanks,
// STATUS= with its 10-character word, the calls I6 and the total I9.
TEST_F(Rules, StatusLineLayout)
{
    define3();
    command(quad3, "MIGRAD");
    const std::size_t m = out().size();
    command(quad3, "HESSE");
    const std::string o = out_from(m);
    const auto at = o.find(" FROM HESSE     STATUS=OK        ");
    ASSERT_NE(at, std::string::npos) << o;
    const std::string line = o.substr(at, o.find('\n', at) - at);
    EXPECT_EQ(line.substr(33), MnLine().i(mn7cnv.nfcn - mn7cnv.nfcnfr, 6).a(" CALLS")
                                   .i(mn7cnv.nfcn, 9).a(" TOTAL").s) << line;
    EXPECT_TRUE(contains(o, "\n                     EDM=")) << o;
    EXPECT_TRUE(contains(o, "    STRATEGY= 1      ERROR MATRIX ACCURATE\n")) << o;
}

// MINOS [maxcalls] [parno ...]: a zero in the list names no parameter, so MINOS 0, 0, 3 is
// parameter 3 alone.
TEST_F(Rules, MinosListSkipsZeros)
{
    define3();
    command(quad3, "MIGRAD");
    EXPECT_EQ(command(quad3, "MINOS", {0, 0, 3}), 0);
    for (int k = 1; k <= 3; ++k) {
        double ep, em, eparab, gcc;
        mnerrs(k, ep, em, eparab, gcc);
        EXPECT_EQ(ep != 0, k == 3) << k;
    }
}

namespace {

// Undefined beyond 2 and infinite below -1: a scan across both must still plot.
void edged(int, double[], double& f, double x[], int, void*)
{
    const double u = x[1];
    f = u > 2 ? std::nan("") : (u < -1 ? HUGE_VAL : u * u);
}

}  // namespace

TEST_F(Rules, ScanPlotSkipsValuesFcnCannotGive)
{
    define(1, "u", 0.5, 0.1);
    const std::size_t m = out().size();
    EXPECT_EQ(command(edged, "SCAN", {1, 31, -3, 3}), 0);
    const std::string o = out_from(m);
    EXPECT_TRUE(contains(o, "\n SCAN OF PARAMETER NO.  1,  u\n")) << o;
    EXPECT_NEAR(value(1), 0, 1e-12);
    EXPECT_EQ(mn7min.amin, 0);
    // The frame spans the finite values, so the minimum sits on the bottom row.
    const auto axis = o.find("  I+");
    ASSERT_NE(axis, std::string::npos) << o;
    const auto bottom = o.rfind('\n', o.rfind('\n', axis) - 1);
    EXPECT_NE(o.substr(bottom, axis - bottom).find('*'), std::string::npos) << o;
}

// SCAN [parno] [numpts] [from] [to]: an absent "to" is 0, so from -3 alone scans -3 to 0.
TEST_F(Rules, ScanRangeFromTheNumbers)
{
    define3();
    command(quad3, "MIGRAD");
    struct Row { std::vector<double> args; double lo, hi; };
    const Row rows[] = {{{1, 7, -3}, -3, 0}, {{1, 7, -2, 4}, -2, 4}, {{1, 7, 4, -2}, 0, 0}};
    for (const Row& r : rows) {
        command(quad3, "SETPAR", {1, 1});
        command(quad3, "SCAN", r.args);
        if (r.lo < r.hi) {
            EXPECT_DOUBLE_EQ(mn7rpt.xpt[1], r.lo) << r.args.size();
            EXPECT_DOUBLE_EQ(mn7rpt.xpt[7], r.hi) << r.args.size();
        } else {  // the default, two errors about the value
            EXPECT_NEAR(mn7rpt.xpt[1] + mn7rpt.xpt[7], 2.0, 1e-9);
        }
    }
}
