// Fits with answers known in closed form: values, errors, covariance, with limits, fixed
// parameters and both error definitions.

#include <array>
#include <cmath>

#include "mn_test.h"

namespace {

// Straight line y = a + b t, ten points with unit-free errors 0.1 and a wiggle in the data.
constexpr int npt = 10;
double line_t(int i) { return i; }
double line_y(int i) { return 1.0 + 2.0 * i + 0.1 * std::sin(7.0 * i); }
constexpr double line_sigma = 0.1;

void line_chi2(int, double[], double& f, double x[], int, void*)
{
    f = 0;
    for (int i = 0; i < npt; ++i) {
        const double r = (line_y(i) - x[1] - x[2] * line_t(i)) / line_sigma;
        f += r * r;
    }
}

using M2 = std::array<std::array<double, 2>, 2>;
M2 inverse(const M2& h)
{
    const double det = h[0][0] * h[1][1] - h[0][1] * h[1][0];
    return {{{h[1][1] / det, -h[0][1] / det}, {-h[1][0] / det, h[0][0] / det}}};
}

// Normal equations: value and covariance of (a, b).
struct LineFit { std::array<double, 2> p; M2 cov; };
LineFit line_exact()
{
    M2 h{};
    std::array<double, 2> r{};
    const double w = 1.0 / (line_sigma * line_sigma);
    for (int i = 0; i < npt; ++i) {
        const double d[2] = {1.0, line_t(i)};
        for (int j = 0; j < 2; ++j) {
            r[j] += d[j] * line_y(i) * w;
            for (int k = 0; k < 2; ++k) h[j][k] += d[j] * d[k] * w;
        }
    }
    const M2 c = inverse(h);
    return {{c[0][0] * r[0] + c[0][1] * r[1], c[1][0] * r[0] + c[1][1] * r[1]}, c};
}

// Gaussian sample; -ln L in mu and sigma, whose minimum and errors are known for UP 0.5.
constexpr double sample[] = {4.1, 5.3, 4.8, 6.0, 5.5, 4.4, 5.1, 4.9, 5.7, 5.2, 4.6, 5.0};
constexpr int nsample = static_cast<int>(std::size(sample));
void gauss_nll(int, double[], double& f, double x[], int, void*)
{
    const double mu = x[1], sg = x[2];
    f = nsample * std::log(sg);
    for (double s : sample) f += (s - mu) * (s - mu) / (2 * sg * sg);
}

void rosenbrock(int, double[], double& f, double x[], int, void*)
{
    f = 100 * std::pow(x[2] - x[1] * x[1], 2) + std::pow(1 - x[1], 2);
}

// Correlated quadratic in three parameters, minimum at (1, -2, 3); the third is a constant
// shift when fixed.
void quad3(int, double[], double& f, double x[], int, void*)
{
    const double a = x[1] - 1, b = x[2] + 2, c = x[3] - 3;
    f = 4 * a * a + 2 * a * b + 3 * b * b + c * c + a * c;
}

}  // namespace

class Fits : public MnTest {};

TEST_F(Fits, LinearLeastSquaresGivesNormalEquationAnswer)
{
    define(1, "a", 0, 0.1);
    define(2, "b", 0, 0.1);
    EXPECT_EQ(command(line_chi2, "MIGRAD"), 0);
    EXPECT_EQ(command(line_chi2, "HESSE"), 0);
    const LineFit ex = line_exact();
    EXPECT_NEAR(value(1), ex.p[0], 1e-6);
    EXPECT_NEAR(value(2), ex.p[1], 1e-7);
    EXPECT_NEAR(error(1), std::sqrt(ex.cov[0][0]), 1e-4 * std::sqrt(ex.cov[0][0]));
    EXPECT_NEAR(error(2), std::sqrt(ex.cov[1][1]), 1e-4 * std::sqrt(ex.cov[1][1]));
    double emat[4];
    mnemat(emat, 2);
    for (int i = 0; i < 2; ++i)
        for (int j = 0; j < 2; ++j)
            EXPECT_NEAR(emat[i * 2 + j], ex.cov[i][j], 1e-4 * std::fabs(ex.cov[i][j])) << i << j;
    double fmin, fedm, up;
    int npari, nparx, istat;
    mnstat(fmin, fedm, up, npari, nparx, istat);
    EXPECT_EQ(istat, 3);
    EXPECT_EQ(npari, 2);
    EXPECT_EQ(nparx, 2);
    EXPECT_LT(fedm, 1e-10);
    double ep, em, eparab, gcc;
    mnerrs(1, ep, em, eparab, gcc);
    const double rho = ex.cov[0][1] / std::sqrt(ex.cov[0][0] * ex.cov[1][1]);
    EXPECT_NEAR(gcc, std::fabs(rho), 1e-4);  // two parameters: global = |individual|
    EXPECT_EQ(ep, 0);
    EXPECT_EQ(em, 0);
}

TEST_F(Fits, GaussianLikelihoodWithUpHalf)
{
    double mean = 0, var = 0;
    for (double s : sample) mean += s / nsample;
    for (double s : sample) var += (s - mean) * (s - mean) / nsample;
    const double sg = std::sqrt(var);
    define(1, "mu", 4, 0.5);
    define(2, "sigma", 1, 0.2, 0.01, 10);
    EXPECT_EQ(command(gauss_nll, "SETERR", {0.5}), 0);
    EXPECT_EQ(command(gauss_nll, "MIGRAD", {0, 0.001}), 0);
    EXPECT_EQ(command(gauss_nll, "HESSE"), 0);
    EXPECT_NEAR(value(1), mean, 1e-5);
    EXPECT_NEAR(value(2), sg, 1e-4);  // a thousandth of its error
    EXPECT_NEAR(error(1), sg / std::sqrt(nsample), 1e-3 * sg / std::sqrt(nsample));
    EXPECT_NEAR(error(2), sg / std::sqrt(2.0 * nsample), 2e-3 * sg / std::sqrt(2.0 * nsample));
    // With UP 1 the same fit gives errors larger by sqrt(2).
    const double e1 = error(1);
    EXPECT_EQ(command(gauss_nll, "SETERR", {1}), 0);
    EXPECT_EQ(command(gauss_nll, "HESSE"), 0);
    EXPECT_NEAR(error(1), e1 * std::sqrt(2.0), 1e-3 * e1);
}

TEST_F(Fits, RosenbrockReachesOneOne)
{
    define(1, "x", -1.2, 0.1);
    define(2, "y", 1.0, 0.1);
    EXPECT_EQ(command(rosenbrock, "MIGRAD", {0, 0.0001}), 0);
    EXPECT_NEAR(value(1), 1.0, 1e-3);
    EXPECT_NEAR(value(2), 1.0, 2e-3);
    double fmin, fedm, up;
    int npari, nparx, istat;
    mnstat(fmin, fedm, up, npari, nparx, istat);
    EXPECT_LT(fmin, 1e-6);
}

TEST_F(Fits, LimitsInsideLeaveTheAnswerOutsidePinToTheBound)
{
    define(1, "a", 0, 0.1, -5, 5);    // minimum of the line fit lies inside
    define(2, "b", 0, 0.1, 0, 10);
    EXPECT_EQ(command(line_chi2, "MIGRAD", {0, 0.001}), 0);
    const LineFit ex = line_exact();
    EXPECT_NEAR(value(1), ex.p[0], 1e-4);
    EXPECT_NEAR(value(2), ex.p[1], 1e-5);
    EXPECT_NEAR(error(1), std::sqrt(ex.cov[0][0]), 2e-3 * std::sqrt(ex.cov[0][0]));
    // Upper bound below the free minimum of b (about 1.99): b ends at the bound.
    define(1, "a", 0, 0.1);
    define(2, "b", 0, 0.1, 0, 1.5);
    command(line_chi2, "MIGRAD");
    EXPECT_NEAR(value(2), 1.5, 1e-3);
    EXPECT_LT(value(2), 1.5);
    std::string name;
    double v, e, lo, hi;
    int iint;
    mnpout(2, name, v, e, lo, hi, iint);
    EXPECT_EQ(lo, 0);
    EXPECT_EQ(hi, 1.5);
    EXPECT_EQ(iint, 2);
}

TEST_F(Fits, FixedParametersStayAndTheMatrixIsConditional)
{
    define(1, "a", 0, 0.1);
    define(2, "b", 0, 0.1);
    define(3, "c", 3, 0.1);
    EXPECT_EQ(command(quad3, "MIGRAD"), 0);
    EXPECT_NEAR(value(1), 1, 1e-5);
    EXPECT_NEAR(value(2), -2, 1e-5);
    EXPECT_NEAR(value(3), 3, 1e-5);
    // Fixing c keeps the matrix of a and b given c: twice the inverse of their Hessian block.
    EXPECT_EQ(command(quad3, "FIX", {3}), 0);
    double emat[4];
    mnemat(emat, 2);
    const M2 hinv = inverse({{{8, 2}, {2, 6}}});
    for (int i = 0; i < 2; ++i)
        for (int j = 0; j < 2; ++j) EXPECT_NEAR(emat[i * 2 + j], 2 * hinv[i][j], 1e-4) << i << j;
    // Held at c = 4, a and b move by -H^-1 times the c-terms of the gradient, (1, 0).
    EXPECT_EQ(command(quad3, "SETPAR", {3, 4}), 0);
    EXPECT_EQ(command(quad3, "MIGRAD"), 0);
    EXPECT_EQ(value(3), 4);
    EXPECT_NEAR(value(1), 1 - hinv[0][0], 1e-4);
    EXPECT_NEAR(value(2), -2 - hinv[1][0], 1e-4);
    std::string name;
    double v, e, lo, hi;
    int iint;
    mnpout(3, name, v, e, lo, hi, iint);
    EXPECT_EQ(iint, 0);
    EXPECT_EQ(e, 0);
    EXPECT_EQ(command(quad3, "RELEASE", {3}), 0);
    mnpout(3, name, v, e, lo, hi, iint);
    EXPECT_EQ(iint, 3);
    EXPECT_EQ(command(quad3, "MIGRAD"), 0);
    EXPECT_NEAR(value(3), 3, 1e-4);
    // A constant (step 0) is never variable.
    define(4, "k", 7, 0);
    mnpout(4, name, v, e, lo, hi, iint);
    EXPECT_EQ(iint, 0);
    EXPECT_EQ(v, 7);
}

namespace {

// A precession signal without noise: the minimum is the truth with chi-square 0. From the
// start below, the first Newton step overshoots far into rising ground, so the line search
// must pull back by large factors.
constexpr double truth[6] = {0, 0.22, 0.35, 1.36, 0.3, 0.02};
double precession(const double* x, double t)
{
    return x[1] * std::exp(-x[2] * t) * std::cos(2 * M_PI * x[3] * t + x[4]) + x[5];
}
void precession_chi2(int, double[], double& f, double x[], int, void*)
{
    f = 0;
    for (int i = 0; i < 200; ++i) {
        const double t = 0.05 * i, sg = 0.01 * std::exp(0.05 * t);
        const double r = (precession(truth, t) - precession(x, t)) / sg;
        f += r * r;
    }
}

}  // namespace

TEST_F(Fits, SteepStartStillConverges)
{
    define(1, "asy", 0.2, 0.02, 0, 0.5);
    define(2, "lambda", 0.5, 0.05);
    define(3, "nu", 1.3, 0.05);
    define(4, "phi", 0, 0.1);
    define(5, "bkg", 0, 0.01);
    EXPECT_EQ(command(precession_chi2, "MIGRAD"), 0);
    for (int k = 1; k <= 5; ++k) EXPECT_NEAR(value(k), truth[k], 1e-4 * (1 + truth[k])) << k;
    EXPECT_LT(mn7min.amin, 1e-4);
}

namespace {

void undefined_everywhere(int, double[], double& f, double[], int, void*) { f = std::nan(""); }

}  // namespace

// A function without any defined value makes every minimiser fail, never the parameters NaN.
TEST_F(Fits, UndefinedFunctionFailsAndLeavesParametersAlone)
{
    define(1, "x", 0.7, 0.3);
    define(2, "y", -2, 0.1, -5, 5);
    command(undefined_everywhere, "SETPRI", {-1});
    for (const char* w : {"MIGRAD", "HESSE", "SIMPLEX", "MINIMIZE"}) {
        EXPECT_EQ(command(undefined_everywhere, w), 4) << w;
        EXPECT_EQ(value(1), 0.7) << w;
        EXPECT_NEAR(value(2), -2, 1e-12) << w;
    }
}
