// dirade_bench.cpp -- nanoseconds per fitted bin of one flag-4 evaluation of the
// objective function, for three typical set-ups. Run it on an optimised build.
#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstdio>

#include "dirade.h"
#include "fit_records.h"

namespace {

using Slots = std::array<int, n_slots>;
std::array<double, max_minuit_par + 1> x{};
std::array<double, max_minuit_par + 1> grad{};

void par(int p, double v)
{
    x[p] = v;
    bestfit.xparn(++bestfit.nxpar) = p;
    bestfit.nparx = std::max(bestfit.nparx, p);
}

void spectrum(int type, int n, float tbin, const Slots& slots)
{
    const int j = ++i_fit_ctl.nspec;
    i_fit_ctl.i_fit(ifit_type, j) = type;
    i_fit_ctl.i_fit(ifit_nbins, j) = n;
    i_fit_ctl.i_loc_0(j) = i_fit_ctl.i_loc_0(j - 1) + n;
    r_fit_ctl.r_fit(rfit_t1, j) = 0.5f * tbin;
    r_fit_ctl.r_fit(rfit_tbin, j) = tbin;
    fitbins.jj_bin(1, j) = 1;
    fitbins.jj_bin(2, j) = n;
    std::copy(slots.begin(), slots.end(), fitpar.ifitsp.col(j));
    for (int k = 1; k <= n; ++k) {  // data near the theory's scale, errors never 0
        const int at = i_fit_ctl.i_loc_0(j - 1) + k;
        fitdata.bin(at) = type == 0 ? 1000.0f * std::exp(-float(k) * tbin / 2.2f) : 0.1f;
        fitdata.err(at) = type == 0 ? std::sqrt(fitdata.bin(at)) + 1 : 0.02f;
    }
}

void signal(const Slots& slots)
{
    std::copy(slots.begin(), slots.end(), fitpar.ifitsg.col(++fitpar.nsig));
}

void fresh()
{
    fit_records_new_setup();
    bestfit.nxpar = 0;
    bestfit.nparx = 0;
    bestfit.fmin = 1e20;
}

void measure(const char* name)
{
    long bins = 0;
    for (int j = 1; j <= i_fit_ctl.nspec; ++j) bins += fitbins.jj_bin(2, j) - fitbins.jj_bin(1, j) + 1;
    double f = 0;
    dirade(4, grad.data(), f, x.data(), 4, nullptr);  // warm up
    int reps = 0;
    const auto t0 = std::chrono::steady_clock::now();
    double elapsed = 0;
    do {
        x[1] += 1e-9;  // a new point each time, as MINUIT asks
        dirade(4, grad.data(), f, x.data(), 4, nullptr);
        ++reps;
        elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    } while (elapsed < 1.0);
    std::printf("%-58s %7ld bins  %8.2f ns/bin  (%d calls, chi2 %.6g)\n", name, bins,
                elapsed * 1e9 / (double(reps) * double(bins)), reps, f);
}

}  // namespace

int main()
{
    // (a) 4 two-histogram asymmetry spectra of 2048 bins: Gaussian-damped cosine plus an
    // exponential background term; alpha free.
    fresh();
    par(1, 10.0);  // phase
    par(2, 0.2);   // asymmetry
    par(3, 13.5);  // frequency
    par(4, 0.4);   // Gaussian width
    par(5, 0.05);  // background asymmetry
    par(6, 0.1);   // its rate
    par(7, 1.02);  // alpha
    signal({1, 2, 3, -4, 0});
    signal({0, 5, 0, 6, 0});
    for (int j = 0; j < 4; ++j) spectrum(2, 2048, 0.005f, {7});
    measure("(a) 4 x 2048 asymmetry, Gaussian cos + exponential");

    // (b) 2 spectra of 8192 bins, dynamic Kubo-Toyabe in a longitudinal field (gzz).
    fresh();
    par(1, 1.0);   // phase slot, positive: analytic form
    par(2, 0.22);  // asymmetry
    par(3, 0.5);   // longitudinal field, MHz
    par(4, 0.35);  // width
    par(5, 0.8);   // hop rate
    signal({1, 2, -3, -4, 5});
    for (int j = 0; j < 2; ++j) spectrum(2, 8192, 0.0025f, {});
    measure("(b) 2 x 8192 asymmetry, gzz in longitudinal field");

    // (c) 8 raw spectra of 16384 bins, exponential-damped cosine.
    fresh();
    par(1, 5.0);   // norm, counts per ns
    par(2, 0.02);  // background
    par(3, 20.0);  // phase
    par(4, 0.23);  // asymmetry
    par(5, 7.3);   // frequency
    par(6, 0.6);   // rate
    signal({3, 4, 5, 6, 0});
    for (int j = 0; j < 8; ++j) spectrum(0, 16384, 0.00125f, {1, 2});
    measure("(c) 8 x 16384 raw, exponential-damped cosine");
    return 0;
}
