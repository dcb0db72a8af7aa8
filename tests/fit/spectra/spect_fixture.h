// spect_fixture.h -- small runs put straight into the run records, for the tests of
// the spectrum construction and dialog.
#pragma once

#include <cmath>
#include <functional>

#include "run_records.h"
#include "titles.h"

// One histogram's header; counts come from a function of the row (1-based).
struct HistSpec {
    int nbins = 100;
    int code = 7;        // 10 ns
    int t0 = 10;
    int good1 = 12, good2 = 99;
    int bkg1 = 1, bkg2 = 8;
};

inline void set_hist(int j, const HistSpec& s, const std::function<double(int)>& counts)
{
    histhdrs.nbins(j) = s.nbins;
    histhdrs.fsperbin(j) = s.code;
    histhdrs.t0_bin(j) = s.t0;
    histhdrs.t0_ps(j) = 0;
    histhdrs.goodbin1(j) = s.good1;
    histhdrs.goodbin2(j) = s.good2;
    histhdrs.bkgd1(j) = s.bkg1;
    histhdrs.bkgd2(j) = s.bkg2;
    const int rows = std::min(s.nbins, max_hist_bins);
    for (int k = 1; k <= rows; ++k)
        histograms.ih(k, j) = static_cast<int>(std::lround(counts(k)));
}

// Both settings columns zero: every value from the "file".
inline void clear_settings()
{
    ispectctrl.i_ctl.fill(0);
    ispectctrl.npk = 0;
    rspectctrl.r_ctl.fill(0.0f);
}

// A run of n histograms, settings cleared, the plain ASCII signs ("us") in the lines.
inline void new_run(int n, int run_number = 1234)
{
    runheader.nHists = n;
    runheader.runNumber = run_number;
    clear_settings();
    set_characters(0);
}

// Expected counts of a decaying, precessing muon signal per raw bin of width dt (us)
// at time t (us): n0 e^(-t/tau) (1 + a cos(2 pi f t + phase)) + b.
inline double musr_counts(double t, double n0, double b, double a, double f, double phase = 0.0,
                          double tau = 2.19714)
{
    constexpr double two_pi = 6.283185307179586;
    return n0 * std::exp(-t / tau) * (1.0 + a * std::cos(two_pi * f * t + phase)) + b;
}
