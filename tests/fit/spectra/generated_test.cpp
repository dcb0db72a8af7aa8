// generated_test.cpp -- spectra built from run files of the run-file generator, whose
// Poisson counts follow N0 e^(-t/tau) (1 + A P(t)) + B with known N0, A, P, tau and B:
// each spectrum type must give back the generated signal within its error bars.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>

#include "getrun.h"
#include "makespect.h"
#include "run_file.h"
#include "run_records.h"

namespace {

constexpr double two_pi = 6.283185307179586;
constexpr double tau = 2.19714;

// Common run: bins of 10 ns, t0 at bin 100, good from 102, background bins 5-90.
constexpr double n0 = 3000, asym = 0.2, bkg = 4, lambda = 0.3;

// The run-file generator the build names (KAVRIN_RUNGEN); empty when it was not built.
std::string generator()
{
#ifdef KAVRIN_RUNGEN
    const std::filesystem::path p = KAVRIN_RUNGEN;
    return std::filesystem::exists(p) ? p.string() : std::string();
#else
    return std::string();
#endif
}

// Generates a run with the extra options and loads it; false when it could not.
bool load_generated(const std::string& tag, const std::string& options)
{
    const std::string gen = generator();
    if (gen.empty()) return false;
    const std::string path = run_path("gen_" + tag);
    char common[256];
    std::snprintf(common, sizeof common,
                  " --nbins 1100 --fsperbin 7 --t0 100 --good1 102 --good2 1099 --bkgd1 5 "
                  "--bkgd2 90 --n0 %g --asym %g --bkg %g --lambda %g --model exp ",
                  n0, asym, bkg, lambda);
    const std::string said = path + ".out";
    const std::string cmd = gen + common + options + " " + path + " >'" + said + "'";
    const int rc = std::system(cmd.c_str());
    std::remove(said.c_str());
    if (rc != 0) return false;
    FText<80> name(path);
    testing::internal::CaptureStdout();
    const int r = getrun(name.span());
    testing::internal::GetCapturedStdout();
    std::remove(path.c_str());
    return r == 0;
}

void settings(int type, std::initializer_list<int> hists)
{
    ispectctrl.i_ctl.fill(0);
    rspectctrl.r_ctl.fill(0.0f);
    ispectctrl.type() = type;
    int s = 1;
    for (int h : hists) ispectctrl.jhist(s++) = h;
}

int build()
{
    testing::internal::CaptureStdout();
    int ierr = 1;
    makespect(ierr);
    testing::internal::GetCapturedStdout();
    return ierr;
}

double time_of(int i) { return spectimes.t1 + (i - 1) * static_cast<double>(spectimes.tbin); }

// Chi-square per bin of values [first, first + n) against want(t).
double chi2_per_bin(int first, int n, const std::function<double(double)>& want)
{
    double s = 0;
    for (int i = 1; i <= n; ++i) {
        const double r = (fitdata.bin_in(first + i - 1) - want(time_of(i))) /
                         fitdata.err_in(first + i - 1);
        s += r * r;
    }
    return s / n;
}

double signal(double t, double f, double phase_deg = 0)
{
    return asym * std::cos(two_pi * f * t + phase_deg * two_pi / 360) * std::exp(-lambda * t);
}

}  // namespace

#define NEED_GENERATOR(tag, opts) \
    if (!load_generated(tag, opts)) GTEST_SKIP() << "run-file generator not built"

// Single-histogram asymmetry: the precession A cos(2 pi f t) e^(-lambda t) comes back,
// and the counts above background give back N0.
TEST(Generated, SingleHistogramAsymmetry)
{
    NEED_GENERATOR("one", "--nhist 1 --freq 12");
    settings(1, {1});
    ASSERT_EQ(build(), 0);
    const int npk = ispectctrl.npk;
    ASSERT_EQ(npk, 998);
    const double chi2 = chi2_per_bin(1, npk, [](double t) { return signal(t, 12); });
    EXPECT_NEAR(chi2, 1.0, 0.15);
    const double a = spectimes.t1 - 0.005, c = spectimes.t2 + 0.005;
    const double sum_want = n0 * tau / 0.01 * (std::exp(-a / tau) - std::exp(-c / tau));
    EXPECT_NEAR(rspectctrl.sum(1) / sum_want, 1.0, 0.01);
}

// Forward and backward counters in antiphase: (F - B) / (F + B) is A P(t) and F / B is
// (1 + A P) / (1 - A P), each within its propagated error; packed by 4.
TEST(Generated, TwoHistogramAsymmetryAndRatio)
{
    NEED_GENERATOR("two", "--nhist 2 --freq 3");
    settings(2, {1, 2});
    rspectctrl.r_ctl(rctl_width, 1) = 0.04f;
    ASSERT_EQ(build(), 0);
    const int npk = ispectctrl.npk;
    // a 40-ns packed bin averages the 3-MHz signal by sinc(pi 3 0.04)
    const double damp = std::sin(M_PI * 0.12) / (M_PI * 0.12);
    EXPECT_NEAR(chi2_per_bin(1, npk, [&](double t) { return damp * signal(t, 3); }), 1.0, 0.2);

    settings(3, {1, 2});
    rspectctrl.r_ctl(rctl_width, 1) = 0.04f;
    ASSERT_EQ(build(), 0);
    EXPECT_NEAR(chi2_per_bin(1, npk,
                             [&](double t) {
                                 const double p = damp * signal(t, 3);
                                 return (1 + p) / (1 - p);
                             }),
                1.0, 0.2);
}

// Four counters 90 degrees apart precessing at 10.3 MHz, seen in a frame turning at
// 10 MHz: real and imaginary parts precess at the difference frequency, 0.3 MHz.
TEST(Generated, RotatingFrameDifferenceFrequency)
{
    NEED_GENERATOR("four", "--nhist 4 --freq 10.3");
    // the generator's phases are 0, 90, 180, 270 degrees: x, -y, -x, y
    settings(4, {1, 3, 4, 2});
    rspectctrl.r_ctl(rctl_rrf, 1) = 10.0f;
    rspectctrl.r_ctl(rctl_final, 1) = 0.1f;
    ASSERT_EQ(build(), 0);
    const int npk = ispectctrl.npk;
    ASSERT_GE(npk, 90);
    const double damp = std::sin(M_PI * 0.03) / (M_PI * 0.03);  // a 0.1-us bin at 0.3 MHz
    const double re = chi2_per_bin(1, npk, [&](double t) { return damp * signal(t, 0.3); });
    const double im = chi2_per_bin(npk + 1, npk, [&](double t) { return damp * signal(t, 0.3, -90); });
    EXPECT_NEAR(re, 1.0, 0.35);
    EXPECT_NEAR(im, 1.0, 0.35);
    // and the precession is there: a signal at rest does not fit
    EXPECT_GT(chi2_per_bin(1, npk, [&](double t) { return damp * signal(t, 0.0); }), 5.0);
}
