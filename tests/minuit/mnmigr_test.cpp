// The program's MIGRAD step: its edge cases, its messages, and the DELGAM = 0 update.

#include <cmath>

#include "fit_loop.h"
#include "mn_test.h"

namespace {

int calls = 0;

void quad2(int, double[], double& f, double x[], int, void*)
{
    ++calls;
    const double a = x[1] - 1, b = x[2] + 2;
    f = 4 * a * a + 2 * a * b + 3 * b * b;
}

void rosenbrock(int, double[], double& f, double x[], int, void*)
{
    f = 100 * std::pow(x[2] - x[1] * x[1], 2) + std::pow(1 - x[1], 2);
}

// (x - 3)^2, except a false low value exactly at the start point 0: no line search from
// there can improve, while the derivatives around it point to 3.
void trap(int, double[], double& f, double x[], int, void*)
{
    f = x[1] == 0.0 ? -1.0 : (x[1] - 3) * (x[1] - 3);
}

// f = x y with its exact gradient: from (0, 1) the first step runs along x, over which the
// gradient changes only in y, so DELGAM is exactly 0.
void saddle(int, double grad[], double& f, double x[], int iflag, void*)
{
    f = x[1] * x[2];
    if (iflag == 2) {
        grad[1] = x[2];
        grad[2] = x[1];
    }
}

void prepare_quad2()
{
    mn7min.apsi = 0.1;
    mn7cnv.nfcnmx = 1000;
}

}  // namespace

class Migrad : public MnTest {};

TEST_F(Migrad, NoVariableParametersNoOutputNoChange)
{
    int ier;
    mnparm(1, "k", 2, 0, 0, 0, ier);   // a constant only
    const std::size_t m = out().size();
    const Mn7min before = mn7min;
    const Mn7cnv cbefore = mn7cnv;
    calls = 0;
    mnmigr(quad2, nullptr);
    EXPECT_EQ(out_from(m), "");
    EXPECT_EQ(calls, 0);
    EXPECT_EQ(mn7min.amin, before.amin);
    EXPECT_EQ(mn7cnv.nfcn, cbefore.nfcn);
    EXPECT_EQ(mn7tit.cstatu.str(), "RESET");
}

TEST_F(Migrad, StartLineForApsiOneTenthAndFinalLimit)
{
    define(1, "a", 0, 0.1);
    define(2, "b", 0, 0.1);
    const std::size_t m = out().size();
    EXPECT_EQ(command(quad2, "MIGRAD"), 0);
    const std::string o = out_from(m);
    EXPECT_TRUE(contains(o, "\n START MIGRAD MINIMIZATION.  STRATEGY 1.  CONVERGENCE WHEN EDM .LT. 0.50E-03\n")) << o;
    EXPECT_EQ(mn7min.apsi, 0.1);
    EXPECT_LT(mn7min.edm, 0.00005);
    EXPECT_TRUE(contains(o, "\n\n MIGRAD MINIMIZATION HAS CONVERGED.\n")) << o;
    EXPECT_TRUE(contains(o, "\n\n MIGRAD WILL VERIFY CONVERGENCE AND ERROR MATRIX.\n")) << o;
    EXPECT_EQ(mn7tit.cstatu.str(), "CONVERGED");
    EXPECT_EQ(mn7tit.cfrom.str(), "MIGRAD");
    EXPECT_EQ(mn7flg.isw[4], 1);
    EXPECT_EQ(mn7flg.isw[2], 3);
}

TEST_F(Migrad, StrategyOneAccurateStartSkipsVerification)
{
    define(1, "a", 0, 0.1);
    define(2, "b", 0, 0.1);
    command(quad2, "MIGRAD");
    command(quad2, "HESSE");
    ASSERT_EQ(mn7flg.isw[2], 3);
    mn7ext.u[1] = 1.5;                 // move away, keep the accurate matrix
    mnexin(mn7int.x.data());
    mnamin(quad2, nullptr);
    const std::size_t m = out().size();
    prepare_quad2();
    mnmigr(quad2, nullptr);
    const std::string o = out_from(m);
    EXPECT_TRUE(contains(o, "MIGRAD MINIMIZATION HAS CONVERGED.")) << o;
    EXPECT_FALSE(contains(o, "WILL VERIFY")) << o;
    EXPECT_EQ(mn7flg.isw[2], 3);
    EXPECT_NEAR(mn7ext.u[1], 1, 1e-6);
}

TEST_F(Migrad, StrategyTwoStartsWithHessianAndAlwaysVerifies)
{
    define(1, "a", 0, 0.1);
    define(2, "b", 0, 0.1);
    EXPECT_EQ(command(quad2, "SETSTRAT", {2}), 0);
    const std::size_t m = out().size();
    EXPECT_EQ(command(quad2, "MIGRAD"), 0);
    const std::string o = out_from(m);
    // The first table already has the accurate matrix from the Hessian at the start.
    const auto first = o.find("FCN=");
    ASSERT_NE(first, std::string::npos) << o;
    EXPECT_TRUE(contains(o.substr(first, 200), "ERROR MATRIX ACCURATE")) << o;
    EXPECT_TRUE(contains(o, "WILL VERIFY")) << o;
    EXPECT_NEAR(mn7ext.u[1], 1, 1e-6);
    EXPECT_NEAR(mn7ext.u[2], -2, 1e-6);
}

TEST_F(Migrad, StrategyZeroWithoutImprovementRetriesWithStrategyOne)
{
    define(1, "x", 0, 0.1);
    EXPECT_EQ(command(trap, "SETSTRAT", {0}), 0);
    const std::size_t m = out().size();
    command(trap, "MIGRAD");
    const std::string o = out_from(m);
    EXPECT_TRUE(contains(o, "\n MIGRAD FAILS TO FIND IMPROVEMENT\n")) << o;
    EXPECT_TRUE(contains(o, "\n MIGRAD FAILS WITH STRATEGY=0.   WILL TRY WITH STRATEGY=1.\n")) << o;
    EXPECT_EQ(mn7cnv.istrat, 1);
    // It restarted with a full Hessian: the table after the message comes from that restart.
    EXPECT_LT(o.find("WILL TRY WITH STRATEGY=1."), o.rfind("FCN="));
}

TEST_F(Migrad, CallLimitEndsWithoutConvergence)
{
    define(1, "x", -1.2, 0.1);
    define(2, "y", 1.0, 0.1);
    const std::size_t m = out().size();
    EXPECT_EQ(command(rosenbrock, "MIGRAD", {20}), 4);
    const std::string o = out_from(m);
    EXPECT_TRUE(contains(o, "\n CALL LIMIT EXCEEDED IN MIGRAD.\n")) << o;
    EXPECT_TRUE(contains(o, "\n MIGRAD TERMINATED WITHOUT CONVERGENCE.\n")) << o;
    EXPECT_EQ(mn7tit.cstatu.str(), "CALL LIMIT");
    EXPECT_EQ(mn7flg.isw[1], 1);
    EXPECT_EQ(mn7flg.isw[4], -1);
}

// Mended: with DELGAM = 0 the update is skipped instead of dividing by zero. A matrix of
// infinities and NaNs would give a NaN Newton step, a failed line search and a restart;
// with the mend the search keeps descending the unbounded saddle until the call limit.
TEST_F(Migrad, UnchangedDerivativeAlongStepKeepsTheMatrix)
{
    define(1, "x", 0, 0.1);
    define(2, "y", 1, 0.1);
    EXPECT_EQ(command(saddle, "SETGRA", {1}), 0);
    EXPECT_EQ(command(saddle, "SETSTRAT", {0}), 0);
    const std::size_t m = out().size();
    EXPECT_EQ(command(saddle, "MIGRAD", {40}), 4);
    const std::string o = out_from(m);
    EXPECT_FALSE(contains(o, "FAILS TO FIND IMPROVEMENT")) << o;
    EXPECT_TRUE(contains(o, "CALL LIMIT EXCEEDED IN MIGRAD.")) << o;
    EXPECT_LT(mn7min.amin, -1e3);
    for (int k = 1; k <= 3; ++k) EXPECT_TRUE(std::isfinite(mn7var.vhmat[k])) << k;
    EXPECT_TRUE(std::isfinite(mn7min.dcovar));
}

TEST_F(Migrad, PrintLevelMinusOneIsSilent)
{
    define(1, "a", 0, 0.1);
    define(2, "b", 0, 0.1);
    command(quad2, "SETPRI", {-1});
    const std::size_t m = out().size();
    EXPECT_EQ(command(quad2, "MIGRAD"), 0);
    EXPECT_EQ(out_from(m), "");
}

TEST_F(Migrad, CallLimitCountsOnlyThisCall)
{
    define(1, "x", -1.2, 0.1);
    define(2, "y", 1.0, 0.1);
    command(rosenbrock, "MIGRAD", {30});
    const int before = mn7cnv.nfcn;
    ASSERT_GT(before, 30);
    EXPECT_EQ(command(rosenbrock, "MIGRAD", {30}), 4);
    EXPECT_GE(mn7cnv.nfcn - before, 30);
    EXPECT_LT(mn7cnv.nfcn - before, 60);
}

TEST_F(Migrad, WarningsCanBeSilencedAndAreKept)
{
    define(1, "x", 0, 0.1);
    EXPECT_EQ(command(trap, "SETNOW"), 0);
    std::size_t m = out().size();
    int ier;
    mnparm(2, "y", 5, 0.1, 0, 1, ier);          // brought back inside: a warning
    EXPECT_FALSE(contains(out_from(m), "MINUIT WARNING")) << out_from(m);
    m = out().size();
    EXPECT_EQ(command(trap, "SHOWAR"), 0);
    const std::string o = out_from(m);
    EXPECT_TRUE(contains(o, "   CALLS  ORIGIN         MESSAGE\n")) << o;
    EXPECT_TRUE(contains(o, "       0  PARAM DEF      VARIABLE   2 BROUGHT BACK INSIDE LIMITS.\n")) << o;
}

// Beale's function from (1, 1): f does not depend on x there (no slope, no curvature),
// while df/dy = 27.75. Strategy 2 begins with HESSE, which stopped at x's zero second
// derivative and left y's gradient uncomputed at 0: MIGRAD then saw an all-zero gradient
// and reported convergence at f = 14.2. Now every derivative is known and it reaches the
// minimum (3, 0.5), as strategy 1 does.
namespace {
void beale(int, double[], double& f, double x[], int, void*)
{
    const double a = x[1], b = x[2];
    f = std::pow(1.5 - a + a * b, 2) + std::pow(2.25 - a + a * b * b, 2)
        + std::pow(2.625 - a + a * b * b * b, 2);
}
}  // namespace

TEST_F(Migrad, FlatFirstParameterDoesNotStopStrategyTwo)
{
    for (int strategy : {2, 1}) {
        mninit(5, mn_test_unit, 7);
        define(1, "x", 1, 0.1);
        define(2, "y", 1, 0.1);
        ASSERT_EQ(command(beale, "SETSTRAT", {static_cast<double>(strategy)}), 0);
        const std::size_t m = out().size();
        EXPECT_EQ(command(beale, "MIGRAD"), 0) << strategy;
        EXPECT_NEAR(value(1), 3, 0.01) << strategy << out_from(m);
        EXPECT_NEAR(value(2), 0.5, 0.003) << strategy;
        EXPECT_LT(mn7min.amin, 1e-5) << strategy;
    }
}

// HESSE alone at that point: the matrix fails, but both derivatives are computed.
TEST_F(Migrad, HesseWithAZeroSecondDerivativeStillGivesEveryGradient)
{
    define(1, "x", 1, 0.1);
    define(2, "y", 1, 0.1);
    EXPECT_EQ(command(beale, "HESSE"), 4);
    EXPECT_EQ(mn7flg.isw[2], 1);
    EXPECT_NEAR(mn7der.grd[1], 0, 1e-9);
    EXPECT_NEAR(mn7der.grd[2], 27.75, 0.01);
    EXPECT_GT(mn7der.g2[2], 0);
}
