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
#include <vector>

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

// A sum of up to three exponentials Re(r_k e^(s_k tn)), the last two of them
// optionally damped by exp(-tn^2/2): the pole form of a strong-collision
// solution whose Laplace transform is a ratio of polynomials.
struct PoleSum {
    int n = 0;
    std::complex<double> s[3], r[3];
    bool gauss_pair = false;
    double at(double tn) const;
};

// A strong-collision function solved for one call: its slowest pole r e^(s tn),
// which is all of it from tn = tcut on, and before that the rest on a grid of step h.
struct FieldSolution {
    double s = 0, r = 0, h = 0, tcut = 0;
    std::vector<double> rest;   // G - r e^(s tn) at k h
    double at(double tn) const;
};

// Everything of one polzz call that does not depend on time. Only read once made,
// so any number of plans may be evaluated at once on different threads.
struct PolzzPlan {
    enum Kind : std::uint8_t { one, closed, pole, blend, field, table } kind = one;
    double delta = 0;           // tn = delta t
    double hn = 0, on = 0;      // normalised hop rate and angular field
    int code = 0;               // line-shape code of the table
    RlxTblHead tbl;             // the table's header as this plan read it
    // closed forms (fast hopping): G = exp(-rate tn) unless code 11 or Abragam
    double rate = 0, sigma2 = 0, h = 0;
    PoleSum poles;              // the pole form (high field, exact zero-field Lorentzian)
    FieldSolution lor;          // the Lorentzian in a field where the table holds nothing
    // inside the table
    int nt = 0, nh = 0, ih = 1;
    double ah = 0, bh = 1;
    bool slow = false;
    int s1 = 1, s2 = 1;         // the two slabs, combined with weight df
    double df = 0;
    bool to_high = false;       // the second slab is the high-field form (past the last slab)
    int form = 0;               // which closed form
    // past the table's last time: the last values and log-slopes of both slabs
    double tend = 0, p1 = 0, p2 = 0, k1 = 0, k2 = 0;
};
PolzzPlan polzz_plan(double delta, double h, double q);
double polzz_at(const PolzzPlan& plan, double t);

// The same split for lfpol: the field row and high-field constants once per call.
struct LfpolPlan {
    bool ok = false, high = false, gauss = false;
    double delta = 0, on = 0, a = 0;
    int nt = 0, r = 1;
    double af = 0, step = 1;
};
LfpolPlan lfpol_plan(double delta, double f);
double lfpol_at(const LfpolPlan& plan, double t);

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
