// fit_fixture.h -- small synthetic fits written straight into the fit records.
// Every test starts with clear_fit(); parameters live in the caller's 1-based array.
#pragma once

#include <algorithm>
#include <array>
#include <string_view>

#include "fit_records.h"

using Slots = std::array<int, n_slots>;
using Pars = std::array<double, max_minuit_par + 1>;  // [p] is parameter p; [0] unused

// No signals, spectra, expressions or parameter lines; mapping tables cleared.
inline void clear_fit()
{
    fit_records_new_setup();
    fitpar.ifitsp.fill(0);
    fitpar.ifitsg.fill(0);
    i_fit_ctl.i_fit.fill(0);
    r_fit_ctl.r_fit.fill(0);
    bestfit.nxpar = 0;
    bestfit.nparx = 0;
    bestfit.fmin = 0;
    bestfit.xparn.fill(0);
    vulmapr.x_vul.fill(0);
    online = 0;
    fileio.lun.fill(0);
}

// Parameter p of value v and label name as an accepted parameter line.
inline void add_par(Pars& x, int p, double v, std::string_view name = "")
{
    x[p] = v;
    bestfit.xname(p) = name;
    bestfit.xbest(p) = v;
    bestfit.xparn(++bestfit.nxpar) = p;
    bestfit.nparx = std::max(bestfit.nparx, p);
}

// A fitted spectrum of n bins from t1 in steps tbin (us), all bins fitted; its number.
inline int add_spectrum(int type, int n, float t1, float tbin, const Slots& slots)
{
    const int j = ++i_fit_ctl.nspec;
    i_fit_ctl.i_fit(ifit_type, j) = type;
    i_fit_ctl.i_fit(ifit_nbins, j) = n;
    i_fit_ctl.i_loc_0(j) = i_fit_ctl.i_loc_0(j - 1) + n;
    r_fit_ctl.r_fit(rfit_t1, j) = t1;
    r_fit_ctl.r_fit(rfit_tbin, j) = tbin;
    r_fit_ctl.r_fit(rfit_t2, j) = t1 + float(n - 1) * tbin;
    fitbins.jj_bin(1, j) = 1;
    fitbins.jj_bin(2, j) = n;
    std::copy(slots.begin(), slots.end(), fitpar.ifitsp.col(j));
    return j;
}

inline int add_signal(const Slots& slots)
{
    const int s = ++fitpar.nsig;
    std::copy(slots.begin(), slots.end(), fitpar.ifitsg.col(s));
    return s;
}

// Bin k (from 1) of fitted spectrum j in the packed arrays.
inline int packed(int j, int k) { return i_fit_ctl.i_loc_0(j - 1) + k; }
