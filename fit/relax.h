// relax.h -- relaxation functions: Kubo-Toyabe forms, analytic and tabulated,
// and the OMNI and complex table lookups. All of them are called per bin.
//
// Times in microseconds, widths and rates in 1/us, frequencies in MHz. None of
// these functions allocates, prints (but for one notice when a table is
// missing) or keeps anything from one call to the next.
#pragma once

#include <complex>
#include <cstdint>
#include <span>

#include "rlx_tables.h"

// Static Gaussian Kubo-Toyabe function in zero field, width delta.
double gzf(double t, double delta);

// The same with the power p in place of 2: p = 2 is gzf at delta = lam,
// p = 1 the Lorentzian Kubo-Toyabe function.
double gen_zf(double t, double lam, double p);

// Dynamic Gaussian Kubo-Toyabe function in a longitudinal field f (closed
// approximation): width delta, hop rate nu. Finite at nu = 0 and f = 0 (the
// limit exp(-delta^2 t^2)); f = 0 gives the Abragam form.
double gzz(double t, double delta, double nu, double f);

// exp(-sigma2 (e^-h t - 1 + h t) / h^2), the Abragam form, with its limit
// exp(-sigma2 t^2 / 2) at h = 0. The Gaussian-width form is kt_abragam(2 lam^2, h, t).
double kt_abragam(double sigma2, double h, double t);

// Static Kubo-Toyabe function in a longitudinal field f, width delta, from the
// longitudinal-field table; beyond the table's high-field limit an analytic
// form. g receives the polarization; d1 and d2 are set to 0. The field's sign
// does not matter. With no table read: g = 1 and a one-time notice.
void lfpol(double t, double delta, double f, double& g, double& d1, double& d2);

// Dynamic Kubo-Toyabe function from the relaxation-function table: width
// delta, hop rate h, third-axis value q (a longitudinal field in MHz, or
// whatever the table's third axis holds). g receives the polarization; d1, d2,
// d3 are set to 0. With no table read: g = 1 and a one-time notice.
void polzz(double t, double delta, double h, double q, double& g, double& d1, double& d2,
           double& d3);

// OMNI table function: the first axis is r1 t, axis i (2..ndim) is
// rates[i-2] / r1. Axes beyond rates.size() take coordinate 0 (their low end).
// r1 t <= 0 gives 1; with no table read, 1.
double omni_pol(double t, double r1, std::span<const double> rates);

// N-dimensional lookup in the OMNI table, first order from the lower corner
// without cross terms. xxx[ix-1] is the coordinate of axis ix (missing ones
// read as 0). if_out = 1 when some coordinate was clamped to its axis; then
// j_out[ix-1] = -ix (low end) or +ix (high end); entries of unclamped axes and
// entries beyond j_out.size() are left alone.
void lookup_tbl(std::span<const double> xxx, double& y, std::int32_t& if_out,
                std::span<std::int32_t> j_out);

// The complex table at x, linear between its points; (0, 0) at and beyond its
// last abscissa and with no table read. Below 0 the first interval's line is
// followed down to -dx and held there.
std::complex<float> g_cmplx(float x);
