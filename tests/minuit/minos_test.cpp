// MINOS errors against crossings known in closed form or by bisection of the profile.

#include <cmath>
#include <functional>
#include <vector>

#include "mn_test.h"

namespace {

// Correlated quadratic: MINOS errors equal the parabolic ones, sqrt(UP V_ii).
void quad3(int, double[], double& f, double x[], int, void*)
{
    const double a = x[1] - 1, b = x[2] + 2, c = x[3] - 3;
    f = 4 * a * a + 2 * a * b + 3 * b * b + c * c + a * c;
}

// Poisson -2 ln L of 9 counts in one rate: 2 (lambda - 9 ln lambda), minimum at 9.
constexpr double counts = 9;
void poisson(int, double[], double& f, double x[], int, void*)
{
    f = 2 * (x[1] - counts * std::log(x[1]));
}

// Root of g on [lo, hi] by bisection (g changes sign there).
double bisect(const std::function<double(double)>& g, double lo, double hi)
{
    for (int k = 0; k < 200; ++k) {
        const double mid = 0.5 * (lo + hi);
        ((g(lo) < 0) == (g(mid) < 0) ? lo : hi) = mid;
    }
    return 0.5 * (lo + hi);
}

// Gaussian sample: the profile of mu (sigma minimised) has its crossing in closed form.
constexpr double sample[] = {4.1, 5.3, 4.8, 6.0, 5.5, 4.4, 5.1, 4.9, 5.7, 5.2, 4.6, 5.0};
constexpr int nsample = static_cast<int>(std::size(sample));
void gauss_nll(int, double[], double& f, double x[], int, void*)
{
    f = nsample * std::log(x[2]);
    for (double s : sample) f += (s - x[1]) * (s - x[1]) / (2 * x[2] * x[2]);
}

// Two wells; the one near +1 is higher by about 0.6, across a barrier lower than UP.
void wells(int, double[], double& f, double x[], int, void*)
{
    f = std::pow(x[1] * x[1] - 1, 2) + 0.3 * x[1];
}

}  // namespace

class Minos : public MnTest {};

TEST_F(Minos, QuadraticGivesParabolicErrors)
{
    define(1, "a", 0, 0.1);
    define(2, "b", 0, 0.1);
    define(3, "c", 0, 0.1);
    EXPECT_EQ(command(quad3, "MIGRAD", {0, 0.001}), 0);
    EXPECT_EQ(command(quad3, "MINOS"), 0);
    for (int k = 1; k <= 3; ++k) {
        double ep, em, eparab, gcc;
        mnerrs(k, ep, em, eparab, gcc);
        EXPECT_NEAR(ep, eparab, 0.01 * eparab) << k;
        EXPECT_NEAR(em, -eparab, 0.01 * eparab) << k;
    }
    EXPECT_EQ(mn7tit.cstatu.str(), "SUCCESSFUL");
    EXPECT_NEAR(value(1), 1, 1e-5);          // back at the minimum
    const std::string o = out();
    EXPECT_TRUE(contains(o, "\n  EXT PARAMETER                  PARABOLIC           MINOS ERRORS\n"
                            "  NO.   NAME           VALUE         ERROR      NEGATIVE      POSITIVE\n"))
        << o;
}

TEST_F(Minos, PoissonCrossingsAreAsymmetric)
{
    define(1, "lambda", 5, 1, 0.1, 100);
    EXPECT_EQ(command(poisson, "MIGRAD", {0, 0.001}), 0);
    EXPECT_EQ(command(poisson, "MINOS", {0, 1}), 0);
    const double fmin = 2 * (counts - counts * std::log(counts));
    auto rise = [&](double l) { return 2 * (l - counts * std::log(l)) - fmin - 1; };
    const double hi = bisect(rise, counts, 3 * counts), lo = bisect(rise, 0.5, counts);
    double ep, em, eparab, gcc;
    mnerrs(1, ep, em, eparab, gcc);
    EXPECT_NEAR(ep, hi - counts, 0.01);
    EXPECT_NEAR(em, lo - counts, 0.01);
    EXPECT_GT(ep, -em);
}

TEST_F(Minos, ProfileOverOtherParameters)
{
    double mean = 0, var = 0;
    for (double s : sample) mean += s / nsample;
    for (double s : sample) var += (s - mean) * (s - mean) / nsample;
    define(1, "mu", 4, 0.5);
    define(2, "sigma", 1, 0.2, 0.01, 10);
    command(gauss_nll, "SETERR", {0.5});
    EXPECT_EQ(command(gauss_nll, "MIGRAD", {0, 0.001}), 0);
    EXPECT_EQ(command(gauss_nll, "MINOS", {0, 1}), 0);
    // (n/2) ln(1 + d^2/s^2) = 1/2
    const double d = std::sqrt(var * (std::exp(1.0 / nsample) - 1));
    double ep, em, eparab, gcc;
    mnerrs(1, ep, em, eparab, gcc);
    EXPECT_NEAR(ep, d, 0.005 * d);
    EXPECT_NEAR(em, -d, 0.005 * d);
    mnerrs(2, ep, em, eparab, gcc);
    EXPECT_EQ(ep, 0);                        // only parameter 1 was asked for
}

TEST_F(Minos, NotMinimisedFirstRunsMigrad)
{
    define(1, "a", 0, 0.1);
    define(2, "b", 0, 0.1);
    define(3, "c", 0, 0.1);
    const std::size_t m = out().size();
    EXPECT_EQ(command(quad3, "MINOS"), 0);
    const std::string o = out_from(m);
    EXPECT_TRUE(contains(o, "\n FUNCTION MUST BE MINIMIZED BEFORE CALLING MINOS\n")) << o;
    EXPECT_TRUE(contains(o, "MIGRAD MINIMIZATION HAS CONVERGED.")) << o;
    EXPECT_NEAR(value(2), -2, 5e-3);         // MIGRAD's default tolerance
}

TEST_F(Minos, NewMinimumRestartsFromIt)
{
    define(1, "x", 0.9, 0.1);
    EXPECT_EQ(command(wells, "MIGRAD"), 0);
    ASSERT_GT(value(1), 0.5);
    const std::size_t m = out().size();
    command(wells, "MINOS");
    const std::string o = out_from(m);
    EXPECT_TRUE(contains(o, "\n NEW MINIMUM FOUND.  GO BACK TO MINIMIZATION STEP.\n")) << o;
    EXPECT_LT(value(1), -0.9);
    double fmin, fedm, up;
    int npari, nparx, istat;
    mnstat(fmin, fedm, up, npari, nparx, istat);
    EXPECT_LT(fmin, -0.25);
    double ep, em, eparab, gcc;
    mnerrs(1, ep, em, eparab, gcc);
    EXPECT_GT(ep, 0);
    EXPECT_LT(em, 0);
}

// MINOS errors belong to one minimum, one set of free parameters and one set of limits:
// after MIGRAD, MINOS and FIX 2, MIGRAD the errors of the fit with b free were still
// reported. Each row runs its commands after MIGRAD and MINOS of quad3 and says whether
// the MINOS errors are still there.
TEST_F(Minos, ErrorsDroppedWhenTheMinimumOrTheFreeSetChanges)
{
    struct Step { const char* word; std::vector<double> args; };
    struct Case { const char* what; std::vector<Step> steps; bool kept; };
    const Case cases[] = {
        {"FIX, MIGRAD", {{"FIX", {2}}, {"MIGRAD", {}}}, false},
        {"FIX", {{"FIX", {2}}}, false},
        {"FIX, MINOS, RELEASE", {{"FIX", {2}}, {"MINOS", {}}, {"RELEASE", {2}}}, false},
        {"FIX, MINOS, RESTORE", {{"FIX", {2}}, {"MINOS", {}}, {"RESTORE", {}}}, false},
        {"SETLIM", {{"SETLIM", {1, -10, 10}}}, false},
        {"SETLIM removed", {{"SETLIM", {1, -10, 10}}, {"MIGRAD", {}}, {"MINOS", {}}, {"SETLIM", {1}}}, false},
        {"MIGRAD", {{"MIGRAD", {}}}, false},
        {"SIMPLEX from a moved point", {{"SETPAR", {1, 1.5}}, {"SIMPLEX", {}}}, false},
        {"SIMPLEX finding nothing lower", {{"SIMPLEX", {}}}, true},
        {"SETPAR", {{"SETPAR", {1, 1.5}}}, false},
        {"HESSE", {{"HESSE", {}}}, true},
        {"CALL 5", {{"CALL", {5}}}, true},
        {"SHOW", {{"SHOWPAR", {}}}, true},
        {"MINOS of one", {{"MINOS", {0, 1}}}, true},
    };
    for (const Case& c : cases) {
        mninit(5, mn_test_unit, 7);
        define(1, "a", 0, 0.1);
        define(2, "b", 0, 0.1);
        define(3, "c", 0, 0.1);
        ASSERT_EQ(command(quad3, "MIGRAD"), 0) << c.what;
        ASSERT_EQ(command(quad3, "MINOS"), 0) << c.what;
        for (const Step& s : c.steps) command(quad3, s.word, s.args);
        for (int k = 1; k <= 3; ++k) {
            double ep, em, eparab, gcc;
            mnerrs(k, ep, em, eparab, gcc);
            if (c.kept && k != 2) {
                EXPECT_GT(ep, 0) << c.what << " parameter " << k;
                EXPECT_LT(em, 0) << c.what << " parameter " << k;
            } else if (!c.kept) {
                EXPECT_EQ(ep, 0) << c.what << " parameter " << k;
                EXPECT_EQ(em, 0) << c.what << " parameter " << k;
            }
        }
    }
}
