// dirade_test.cpp -- objective function: hand-computed chi-squares, fitted ranges, the
// per-spectrum cap, the gradient, replot counting, the hint and the status file.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <limits>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

#include "dirade.h"
#include "fio.h"
#include "fit_fixture.h"
#include "fit_theory.h"
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

namespace {

// ---- the chi-square pass: its sum, its threads ------------------------------------------

// Spectrum j's chi-square as it is defined: residuals from the single-precision values in
// extended precision, added one by one in bin order, rounded to double after each addition.
double literal_chisq(int j)
{
    double s = 0;
    const int off = i_fit_ctl.i_loc_0(j - 1);
    for (int ib = std::max(fitbins.jj_bin(1, j), 1); ib <= fitbins.jj_bin(2, j); ++ib) {
        const long double r = (static_cast<long double>(fitdata.bin_th(off + ib)) - fitdata.bin(off + ib)) /
                              fitdata.err(off + ib);
        s = static_cast<double>(s + r * r);
    }
    return s;
}

// Three long raw spectra and two asymmetry spectra (100000 bins, ranges that start and end
// inside blocks and jobs), with noisy data, and two short ones: the sums of the long spectra
// agree with the literal ones within 1e-12, those of spectra of up to 1024 bins are the
// literal sums, and the theory and every sum are the same bits on 1, 2, 3 and 8 threads,
// with either vector set.
class DiradePass : public ::testing::Test {
protected:
    static constexpr int nspec = 7;
    Pars x{};
    void SetUp() override
    {
        clear_fit();
        add_par(x, 1, 5.0);    // norm
        add_par(x, 2, 0.02);   // background
        add_par(x, 3, 20.0);   // phase
        add_par(x, 4, 0.23);   // asymmetry
        add_par(x, 5, 7.3);    // frequency
        add_par(x, 6, 0.6);    // rate
        add_par(x, 7, 1.05);   // alpha
        add_par(x, 8, 0.4);    // Gaussian width
        add_signal({3, 4, 5, 6, 0});
        add_signal({0, 4, 0, -8, 0});
        for (int j = 0; j < 3; ++j) add_spectrum(0, 30000, 0.000625f, 0.00125f, {1, 2});
        for (int j = 0; j < 2; ++j) add_spectrum(2, 5000, 0.0025f, 0.005f, {7});
        add_spectrum(2, 1100, 0.0025f, 0.005f, {7});
        add_spectrum(2, 1100, 0.0025f, 0.005f, {7});
        fitbins.jj_bin(1, 1) = 37;
        fitbins.jj_bin(2, 1) = 29001;
        fitbins.jj_bin(1, 4) = 300;
        fitbins.jj_bin(1, 6) = 50;   // 1024 bins: one job, the literal sum
        fitbins.jj_bin(2, 6) = 1073;
        fitbins.jj_bin(1, 7) = 50;   // 1025 bins: two jobs
        fitbins.jj_bin(2, 7) = 1074;
        for (int j = 1; j <= nspec; ++j)
            for (int k = 1; k <= i_fit_ctl.i_fit(ifit_nbins, j); ++k) {
                const double wiggle = std::sin(12.9898 * (k + 1000 * j));
                const float b = j <= 3 ? float(1000 * std::exp(-k * 0.00125 / 2.2) + 30 * wiggle)
                                       : float(0.2 * std::cos(0.3 * k) + 0.02 * wiggle);
                set_data(j, k, b, j <= 3 ? std::sqrt(std::fabs(b)) + 1 : 0.02f);
            }
    }
    void TearDown() override
    {
        workers_limit(0);
        vm_select(true);
    }
};

TEST_F(DiradePass, LiteralSumAndThreadCounts)
{
    const int all = i_fit_ctl.i_loc_0(nspec);
    for (const bool wide : {false, true}) {
        vm_select(wide);
        std::vector<float> th_first;
        std::vector<double> sums_first;
        for (const int threads : {1, 2, 3, 8}) {
            workers_limit(threads);
            const double f = dirade_chisq(x.data());
            std::vector<double> sums{f};
            double lit_total = 0;
            for (int j = 1; j <= nspec; ++j) {
                const double lit = literal_chisq(j);
                lit_total += lit;
                EXPECT_LE(std::fabs(bestfit.fbest_sp(j) - lit), 1e-12 * lit) << "spectrum " << j;
                if (j == 6) {
                    EXPECT_EQ(bestfit.fbest_sp(j), lit);
                }
                sums.push_back(bestfit.fbest_sp(j));
            }
            EXPECT_LE(std::fabs(f - lit_total), 1e-12 * lit_total);
            const std::vector<float> th(fitdata.bin_th_data(), fitdata.bin_th_data() + all);
            if (threads == 1) {
                th_first = th;
                sums_first = sums;
                continue;
            }
            EXPECT_TRUE(th == th_first) << threads << " threads";
            for (std::size_t k = 0; k < sums.size(); ++k)
                EXPECT_EQ(std::bit_cast<std::uint64_t>(sums[k]), std::bit_cast<std::uint64_t>(sums_first[k]))
                    << threads << " threads, sum " << k;
        }
    }
}

// The tables' one-time notices, reached from every thread at once, come once each.
TEST_F(DiradePass, TableNoticesOnceFromThreads)
{
    tbl_loaded = {};
    add_par(x, 9, 0.3);
    fitpar.nsig = 0;
    add_signal({0, 4, -5, -9, 0});     // lfpol: longitudinal-field table
    add_signal({-3, 4, 0, -9, 5});     // polzz: relaxation table
    add_signal({0, 4, 0, 0, 0, 9});    // OMNI table
    workers_limit(8);
    testing::internal::CaptureStdout();
    dirade_chisq(x.data());
    dirade_chisq(x.data());
    fio_flush_all();
    const std::string out = testing::internal::GetCapturedStdout();
    for (const char* text : {"LFPOL: no longitudinal-field table", "POLZZ: no relaxation-function table",
                             "OMNI_POL: no OMNI table"}) {
        const std::size_t at = out.find(text);
        EXPECT_NE(at, std::string::npos) << text;
        EXPECT_EQ(out.find(text, at + 1), std::string::npos) << text;
    }
    EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 3) << out;
}

}  // namespace
