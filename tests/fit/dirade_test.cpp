// dirade_test.cpp -- objective function: hand-computed chi-squares, fitted ranges, the
// per-spectrum cap, the gradient, replot counting, the hint and the status file.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <limits>
#include <sstream>
#include <string>
#include <unistd.h>

#include "dirade.h"
#include "fio.h"
#include "fit_fixture.h"
#include "minuit.h"

namespace {

// Spectrum j's data: value and error of bin k.
void set_data(int j, int k, float b, float e)
{
    fitdata.bin(packed(j, k)) = b;
    fitdata.err(packed(j, k)) = e;
}

class Dirade : public ::testing::Test {
protected:
    Pars x{};
    Pars grad{};
    void SetUp() override { clear_fit(); }
    double call(int flag)
    {
        double f = -1;
        dirade(bestfit.npari, grad.data(), f, x.data(), flag, nullptr);
        return f;
    }
};

// Amplitude 0.25, alpha = beta = 1: theory 0.25 in every bin. Residuals -2, 2, 0 and
// for the second spectrum 2 and -4, so chi-squares 8 and 20.
TEST_F(Dirade, HandComputedChisq)
{
    add_par(x, 1, 0.25);
    add_signal({0, 1, 0, 0, 0});
    add_spectrum(2, 3, 0.1f, 0.01f, {});
    add_spectrum(3, 2, 0.1f, 0.01f, {});
    set_data(1, 1, 0.5f, 0.125f);
    set_data(1, 2, 0.125f, 0.0625f);
    set_data(1, 3, 0.25f, 0.5f);
    set_data(2, 1, 0.0f, 0.125f);
    set_data(2, 2, 1.25f, 0.25f);
    EXPECT_EQ(call(4), 28.0);
    EXPECT_EQ(bestfit.fbest_sp(1), 8.0);
    EXPECT_EQ(bestfit.fbest_sp(2), 20.0);
    EXPECT_EQ(bestfit.fmin, 28.0);  // fmin was 0: it takes the sum
    EXPECT_EQ(fitdata.bin_th(packed(2, 2)), 0.25f);

    bestfit.fmin = 3;
    EXPECT_EQ(call(7), 28.0);  // batch: flag 7 only computes
    EXPECT_EQ(bestfit.fmin, 3.0);
}

// A raw spectrum: N0 (B + e^-t/tau) against counts with sqrt errors, summed by hand.
TEST_F(Dirade, RawSpectrumChisq)
{
    add_par(x, 1, 2.0);   // counts per ns
    add_par(x, 2, 0.3);   // background
    add_spectrum(0, 3, 0.5f, 0.1f, {1, 2});
    const double counts[] = {0, 190.0, 185.0, 170.0};
    double want = 0;
    for (int k = 1; k <= 3; ++k) {
        const double t = double(0.5f) + (k - 1) * double(0.1f);
        const float th = float(2.0 * 100.0 * (0.3 + std::exp(-t / double(2.19714f))));
        const float e = float(std::sqrt(counts[k]));
        set_data(1, k, float(counts[k]), e);
        const long double r = (static_cast<long double>(th) - float(counts[k])) / e;
        want += double(r * r);
    }
    EXPECT_DOUBLE_EQ(call(4), want);
    EXPECT_GT(want, 1.0);
}

// 120.5 + 80.25: theory 0 without signals, so each bin adds (b/e)^2.
TEST_F(Dirade, SumsOfSpectra)
{
    add_spectrum(2, 3, 0, 1, {});
    add_spectrum(2, 3, 0, 1, {});
    const float r1[] = {10, 4.5f, 0.5f}, r2[] = {8, -4, 0.5f};
    for (int k = 1; k <= 3; ++k) {
        set_data(1, k, r1[k - 1], 1);
        set_data(2, k, r2[k - 1], 1);
    }
    EXPECT_EQ(call(4), 200.75);
    EXPECT_EQ(bestfit.fbest_sp(1), 120.5);
    EXPECT_EQ(bestfit.fbest_sp(2), 80.25);
}

// Only the fitted range counts; a not-a-number or overflowing spectrum adds exactly 1e33.
TEST_F(Dirade, FittedRangeAndCap)
{
    add_spectrum(2, 30, 0, 1, {});
    for (int k = 1; k <= 30; ++k) set_data(1, k, 1, 1);
    fitbins.jj_bin(1, 1) = 10;
    fitbins.jj_bin(2, 1) = 20;
    EXPECT_EQ(call(4), 11.0);

    add_spectrum(2, 2, 0, 1, {});
    set_data(2, 1, 0, 1);
    set_data(2, 2, 0, 1);
    add_par(x, 1, std::numeric_limits<double>::quiet_NaN());
    add_signal({0, 1, 0, 0, 0});  // NaN amplitude: NaN theory in both spectra
    EXPECT_EQ(call(4), 2e33);
    EXPECT_EQ(bestfit.fbest_sp(1), 1e33);
    EXPECT_EQ(bestfit.fbest_sp(2), 1e33);

    fitpar.nsig = 0;
    set_data(2, 1, 3e38f, 1e-30f);  // a residual of 3e68: far above the cap
    EXPECT_EQ(call(4), 11.0 + 1e33);
    EXPECT_EQ(bestfit.fbest_sp(2), 1e33);
}

// Flag 2 clears the gradient up to the highest parameter number, also past a gap in the
// numbering of the parameter lines.
TEST_F(Dirade, GradientClearedUpToHighestNumber)
{
    add_par(x, 1, 0);
    add_par(x, 5, 0);
    grad.fill(7);
    call(2);
    for (int p = 1; p <= 5; ++p) EXPECT_EQ(grad[p], 0) << p;
    EXPECT_EQ(grad[6], 7);
    grad.fill(7);
    call(4);
    EXPECT_EQ(grad[1], 7);
}

// REPLOT 5, 2: a redraw at the 5th and 10th call, none after.
TEST_F(Dirade, ReplotCounting)
{
    replot = Replot{5, 2, true, 0, 0};
    for (int n = 1; n <= 20; ++n) {
        call(4);
        EXPECT_EQ(replot.done, n < 5 ? 0 : n < 10 ? 1 : 2) << n;
    }
    EXPECT_EQ(replot.calls, 0);
    replot = Replot{};
}

float fake_seconds = 0;
float fake_clock() { return fake_seconds; }

std::string slurp(const char* path)
{
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// The hint once per process (interactive only); the status file after more than one
// processor hour since the first call, with the accumulated hours and fmin.
TEST_F(Dirade, HintAndStatusFile)
{
    const std::filesystem::path dir = std::filesystem::path(testing::TempDir()) / "dirade_status";
    std::filesystem::create_directories(dir);
    const std::filesystem::path here = std::filesystem::current_path();
    std::filesystem::current_path(dir);
    std::filesystem::remove("FIT.T");
    dirade_clock = fake_clock;
    dirade_keep = DiradeKeep{};  // as at the start of the process

    online = 1;
    fake_seconds = 1800;  // first call at half an hour
    testing::internal::CaptureStdout();
    call(4);
    call(4);
    fio_flush_all();
    const std::string screen = testing::internal::GetCapturedStdout();
    EXPECT_EQ(screen, "          Enter MINUIT Commands (use readahead if needed):\n");

    fake_seconds = 1800 + 3600;  // exactly one hour later: not more than one
    call(4);
    EXPECT_FALSE(std::filesystem::exists("FIT.T"));
    // One card per accepted line, with MINUIT's label and limits and the largest error.
    int ierr = 0;
    mninit(5, 6, 7);
    mnparm(2, "ASY", 0.25, 0.01, 0, 0, ierr);
    ASSERT_EQ(ierr, 0);
    add_par(x, 2, 0.25, "OLDNAME");
    bestfit.xerr(2) = 0.01;
    bestfit.xerrp(2) = 0.02;
    bestfit.xerrm(2) = 0.015;
    bestfit.fmin = 12.5;
    fake_seconds = 1800 + 3600 + 36;
    call(4);
    EXPECT_EQ(slurp("FIT.T"),
              " KAVRIN status report after   1.01 hours:\n\n\n"
              " Chi Squared =   12.50000      for\n\n"
              "         2  ASY            0.25      0.02         0         0   \n");

    dirade_clock = dirade_cpu_seconds;
    std::filesystem::current_path(here);
}

}  // namespace

namespace {

// MINUIT drives the objective function: a spectrum made from known parameters is fitted
// back from a displaced start.
TEST(DiradeWithMinuit, SimplexRecoversTheModel)
{
    clear_fit();
    Pars x{};
    add_par(x, 1, 0.2);   // asymmetry
    add_par(x, 2, 1.5);   // frequency
    add_par(x, 3, 0.3);   // rate
    add_signal({0, 1, 2, 3, 0});
    const int n = 200;
    add_spectrum(2, n, 0.01f, 0.02f, {});
    double f = 0;
    Pars grad{};
    dirade(3, grad.data(), f, x.data(), 4, nullptr);
    for (int k = 1; k <= n; ++k) {
        fitdata.bin(packed(1, k)) = fitdata.bin_th(packed(1, k));
        fitdata.err(packed(1, k)) = 0.01f;
    }

    int ierr = 0;
    mninit(5, 6, 7);
    mnparm(1, "ASY", 0.15, 0.01, 0, 0, ierr);
    mnparm(2, "FREQ", 1.5, 0, 0, 0, ierr);  // fixed
    mnparm(3, "RATE", 0.45, 0.05, 0, 0, ierr);
    const double args[] = {2000, 1e-6};
    testing::internal::CaptureStdout();
    mnexcm(dirade, "SIMPLEX", args, 2, ierr, nullptr);
    fio_flush_all();
    testing::internal::GetCapturedStdout();
    std::string name;
    double v = 0, e = 0, lo = 0, hi = 0;
    int iu = 0;
    mnpout(1, name, v, e, lo, hi, iu);
    EXPECT_NEAR(v, 0.2, 1e-3);
    mnpout(3, name, v, e, lo, hi, iu);
    EXPECT_NEAR(v, 0.3, 3e-3);
    double fmin = 0, edm = 0, up = 0;
    int npari = 0, nparx = 0, istat = 0;
    mnstat(fmin, edm, up, npari, nparx, istat);
    EXPECT_LT(fmin, 0.05);
    EXPECT_EQ(npari, 2);
}

}  // namespace

namespace {

// A status file that cannot be written is reported and the fit goes on.
TEST(DiradeStatus, UnwritableFileIsReported)
{
    clear_fit();
    const std::filesystem::path dir = std::filesystem::path(testing::TempDir()) / "dirade_nofile";
    std::filesystem::create_directories(dir / "FIT.T");  // a directory in the file's place
    const std::filesystem::path here = std::filesystem::current_path();
    std::filesystem::current_path(dir);
    dirade_keep = DiradeKeep{false, 0.5f, 0};
    fake_seconds = 3 * 3600;
    dirade_clock = fake_clock;
    Pars x{}, grad{};
    double f = -1;
    testing::internal::CaptureStdout();
    dirade(0, grad.data(), f, x.data(), 4, nullptr);
    fio_flush_all();
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              " DIRADE: cannot write the status file FIT.T (Is a directory)\n");
    EXPECT_EQ(f, 0.0);
    EXPECT_EQ(dirade_keep.hours_last, 3.0f);  // the next try is an hour away
    dirade_clock = dirade_cpu_seconds;
    std::filesystem::current_path(here);
}

}  // namespace
