// polzz.cpp -- the dynamic Kubo-Toyabe function from the relaxation-function
// table, with its analytic forms at high field, fast hopping and long times.
//
// A call is settled once (polzz_plan: which form, the hop and slab positions,
// the long-time decay) and then evaluated per time (polzz_at).

#include <cmath>
#include <complex>

#include "relax.h"
#include "relax_local.h"

using namespace relax_detail;

namespace {

using cplx = std::complex<double>;

constexpr double two_pi = 2 * 3.1415927410125732;   // pi held in single precision

// T(i, j, s): time point i, hop point j, slab s.
inline double at_t(const PolzzPlan& p, int i, int j, int s)
{
    return tbldat((s - 1) * p.nt * p.nh + (i - 1) * p.nh + j);
}

// The hop-interpolated value at time point i of slab s; past the last hop
// point the last interval's line is extended rather than read beyond it.
double hop_value(const PolzzPlan& p, int i, int s)
{
    if (p.ih < p.nh) return p.bh * at_t(p, i, p.ih, s) + p.ah * at_t(p, i, p.ih + 1, s);
    const double last = at_t(p, i, p.nh, s);
    return last + p.ah * (last - at_t(p, i, p.nh - 1, s));
}

// Normalised time of time point i.
double time_of(int i)
{
    const int i5 = tblpai(5);
    return i < i5 ? (i - 1) * double(tblpar(1)) : tblpar(2) + (i - i5) * double(tblpar(3));
}

// One pass inside the table (slab s).
double inside(const PolzzPlan& p, double tn, int s)
{
    const int nt = p.nt, i5 = tblpai(5);
    const bool medium = sp(tn) > tblpar(2);
    double dtau, u;
    int base;
    if (medium) {
        dtau = tblpar(3);
        u = (tn - tblpar(2)) / dtau;
        base = i5;
    } else {
        dtau = tblpar(1);
        u = tn / dtau;
        base = 1;
    }
    const int ui = trunc_in(u, 0, nt);
    double at = u - ui;
    int it = ui + base;
    if (it > nt) {                     // extrapolate from the last point instead
        at += it - nt;
        it = nt;
    }
    const double bt = 1 - at;
    const double dtm = it == i5 ? dtau / 2 : dtau;
    const int ih = p.ih;
    const double p0 = at_t(p, it, ih, s);
    const bool next_t = it + 1 <= nt;
    const double slope = next_t ? (at_t(p, it + 1, ih, s) - p0) / dtau
                                : (p0 - at_t(p, it - 1, ih, s)) / dtm;
    const double now = p0 + at * dtau * slope;
    auto along = [&](int j) {
        return next_t ? bt * at_t(p, it, j, s) + at * at_t(p, it + 1, j, s)
                      : at_t(p, it, j, s) + at * dtau * slope;
    };
    if (ih + 1 <= p.nh) {
        if (p.slow) return now + p.ah * (at_t(p, it, ih + 1, s) - p0);
        return p.bh * now + p.ah * along(ih + 1);
    }
    return now + p.ah * (now - along(ih - 1));
}

// The decay rate of slab s past the table's last time: there the strong-collision
// function decays as its slowest pole, one exponential, which the last points of
// each hop column already follow. The rate is the log-slope over about the last
// 4 in tn of the two hop columns, interpolated in the hop rate as the values
// are. *last receives the last value.
double tail_rate(const PolzzPlan& p, int s, double* last)
{
    const int nt = p.nt;
    const double tend = time_of(nt);
    int ib = nt - 1;
    while (ib > 1 && tend - time_of(ib) < 4) --ib;
    const double span = tend - time_of(ib);
    auto column = [&](int j) {
        const double pe = at_t(p, nt, j, s), pb = at_t(p, ib, j, s);
        // flat, rising or through zero: hold the level
        return pe > 0 && pb > pe ? std::log(pb / pe) / span : 0.0;
    };
    *last = hop_value(p, nt, s);
    double k;
    if (p.ih < p.nh) {
        k = p.bh * column(p.ih) + p.ah * column(p.ih + 1);
    } else {
        const double kl = column(p.nh);
        k = kl + p.ah * (kl - column(p.nh - 1));
    }
    return std::fmax(k, 0.0);
}

// The roots p of p^3 + c2 p^2 + c1 p + c0 whose real root lies in [0, nu]
// (Q(0) <= 0 <= Q(nu)), and the residues N(p)/Q'(p) with N = p^2 + n1 p + n0;
// the exponents are p - nu.
PoleSum three_poles(double c2, double c1, double c0, double n1, double n0, double nu, bool gauss)
{
    auto q = [&](double x) { return ((x + c2) * x + c1) * x + c0; };
    double lo = 0, hi = nu, x = nu;
    for (int k = 0; k < 200 && hi - lo > 1e-15 * (1 + hi); ++k) {
        const double dq = (3 * x + 2 * c2) * x + c1;
        double nx = dq != 0 ? x - q(x) / dq : lo - 1;
        if (!(nx > lo && nx < hi)) nx = (lo + hi) / 2;   // Newton kept inside the bracket
        if (q(nx) > 0) hi = nx;
        else lo = nx;
        if (std::fabs(nx - x) < 1e-15 * (1 + std::fabs(x))) {
            x = nx;
            break;
        }
        x = nx;
    }
    // The other two: p^2 + b p + c with b = c2 + x, c = c1 + x b.
    const double b = c2 + x, c = c1 + x * b;
    const cplx d = std::sqrt(cplx(b * b - 4 * c, 0));
    const cplx roots[3] = {cplx(x, 0), (-b + d) / 2.0, (-b - d) / 2.0};
    PoleSum ps;
    ps.n = 3;
    ps.gauss_pair = gauss;
    for (int k = 0; k < 3; ++k) {
        const cplx p = roots[k];
        const cplx dq = (3.0 * p + 2 * c2) * p + c1;
        ps.s[k] = p - nu;
        ps.r[k] = ((p + n1) * p + n0) / dq;
    }
    return ps;
}

// The Gaussian high-field form: the static function in a field on taken as
// (1 - a) + a e^(-tn^2/2) cos(on tn), a = 2/on^2 - 2/on^4, whose e^(-tn^2/2) is left out of
// the strong-collision solution (three poles) and put back on its oscillating pair.
PoleSum gauss_high(double on, double hn)
{
    const double w = 1 / (on * on), a = 2 * w - 2 * w * w, o2 = on * on;
    return three_poles(-hn, o2, -hn * (1 - a) * o2, 0, (1 - a) * o2, hn, true);
}

// The zero-field Lorentzian strong-collision function, exact: its static
// transform 1/(3p) + (2/3) p/(p+1)^2 makes the solution three poles.
PoleSum lorentz_zero_field(double hn)
{
    return three_poles(2 - hn, 1 - 2 * hn / 3, -hn / 3, 2.0 / 3, 1.0 / 3, hn, false);
}

// The closed forms: motional narrowing, the square-root and Abragam forms, and
// the Lorentzian high-field and fast-hopping forms.
enum : int { c_exp = 0, c_sqrt, c_abragam, c_lor_high_slow, c_lor_high_fast, c_lor_fast_lf };

double closed_at(const PolzzPlan& p, int form, double on, double tn, double t)
{
    const double hn = p.hn;
    switch (form) {
    case c_sqrt: return std::exp(-2 * std::sqrt(tn / hn));
    case c_abragam: return kt_abragam(p.sigma2, p.h, t);
    case c_lor_high_slow: {
        const double a = kt_x(on);
        return a * std::exp(-tn) * kt_w(on * tn) + (1 - a) * std::exp(-a * hn * tn);
    }
    case c_lor_high_fast: {
        const double a = kt_x(on) / 2;
        return a * std::exp(-tn) * kt_w(on * tn) + (1 - a) * std::exp(-tn / std::sqrt(1 + on * on / (hn * hn)));
    }
    case c_lor_fast_lf: {
        const double a = kt_x(on) / 2;
        return a * kt_w(on * tn) + (1 - a) * std::exp(-tn / std::sqrt(1 + on * on / (hn * hn)));
    }
    default: return std::exp(-p.rate * tn);
    }
}

// The high-field form at the field where it takes over (in the gap after the last slab).
double high_at(const PolzzPlan& p, double tn, double t)
{
    return p.poles.n > 0 ? p.poles.at(tn) : closed_at(p, p.form, p.on_high, tn, t);
}

// A hop rate for the pole forms: negative as none, NaN kept.
double nonneg(double x) { return x < 0 ? 0.0 : x; }

}  // namespace

double PoleSum::at(double tn) const
{
    double g = 0;
    for (int k = 0; k < n; ++k) {
        const double v = (r[k] * std::exp(s[k] * tn)).real();
        g += k > 0 && gauss_pair ? v * std::exp(-tn * tn / 2) : v;
    }
    return g;
}

PolzzPlan polzz_plan(double delta, double h, double q)
{
    PolzzPlan p;
    if (!tbl_loaded.rlx) {
        relax_notice(tbl_loaded.told_rlx,
                     "*** POLZZ: no relaxation-function table has been read; G = 1 used");
        return p;
    }
    p.delta = delta;
    const int code = tblpai(4);
    const int nslab = tblpai(1) == 3 ? tblpai(6) : 1;
    const bool third = tblpai(1) == 3 && q > 0;
    const bool lorentz = code == 1;
    double fn = 0;
    int s0 = 0;
    bool high = false;
    if (third) {
        fn = std::fabs(q / delta);      // even in the field, whatever sign delta has
        const double c = fn / tblpar(10);
        high = !(c < nslab);
        s0 = trunc_in(c, 0, nslab - 1);
        // The function is even in the field: from zero field to the second slab
        // it moves with q^2 rather than q.
        p.df = high ? 0 : s0 == 0 ? c * c : c - s0;
    }
    double hn = h / delta;
    if (code == 3) hn = std::fmin(sp(hn), tblpar(9) - 0.01f);
    const bool fast = sp(hn) >= tblpar(9);
    const double on = two_pi * fn;
    p.hn = hn;
    p.on = on;
    p.code = code;

    if (high) {
        p.kind = PolzzPlan::closed;
        if (lorentz) {
            p.form = hn <= 1 ? c_lor_high_slow : c_lor_high_fast;
        } else {
            p.kind = PolzzPlan::pole;
            p.poles = gauss_high(on, nonneg(hn));
        }
        return p;
    }
    if (fast) {
        p.kind = PolzzPlan::closed;
        p.form = c_exp;
        if (code == 11) {
            p.form = c_sqrt;
        } else if (tblpar(12) > 0) {
            p.form = c_abragam;   // sigma^2/(delta hn)^2 (e^-d - 1 + d), d = h t
            p.sigma2 = tblpar(12);
            p.h = h;
        } else if (lorentz) {
            if (on <= 1) {
                p.kind = PolzzPlan::pole;
                p.poles = lorentz_zero_field(nonneg(hn));
            } else {
                p.form = c_lor_fast_lf;
            }
        } else {
            // Motional narrowing; the field slows it as 1/(1 + on^2/hn^2).
            p.rate = (2 / hn) / (1 + on * on / (hn * hn));
            if (third && s0 == nslab - 1) {
                // past the last slab: towards the high-field form where it takes over
                p.kind = PolzzPlan::blend;
                p.poles = gauss_high(two_pi * nslab * tblpar(10), hn);
            }
        }
        return p;
    }

    p.kind = PolzzPlan::table;
    p.nt = tblpai(2);
    p.nh = tblpai(3);
    const double lnh = hn > 0 ? std::log(hn) : -1e10;
    p.slow = sp(lnh) < tblpar(6);
    if (p.slow) {
        p.ih = 1;
        p.ah = hn / tblpar(8);
    } else {
        const double u = (lnh - tblpar(6)) / tblpar(5);
        const int ui = trunc_in(u, 0, p.nh - 2);
        p.ih = ui + 2;
        p.ah = u - ui;
    }
    p.bh = 1 - p.ah;
    p.s1 = s0 + 1;
    p.s2 = s0 + 2;
    if (third && p.s2 > nslab) {
        // Between the last slab and the field where the high-field form takes
        // over: combine the last slab with that form there.
        p.s2 = nslab;
        p.to_high = true;
        p.on_high = two_pi * nslab * tblpar(10);
        if (lorentz) p.form = hn <= 1 ? c_lor_high_slow : c_lor_high_fast;
        else p.poles = gauss_high(p.on_high, nonneg(hn));
    }
    p.tend = tblpar(4);
    p.k1 = tail_rate(p, p.s1, &p.p1);
    if (third) p.k2 = tail_rate(p, p.s2, &p.p2);
    if (!third) p.df = 0;
    return p;
}

double polzz_at(const PolzzPlan& p, double t)
{
    const double tn = p.delta * t;
    if (!(tn > 0)) return std::isnan(tn) ? tn : 1.0;
    switch (p.kind) {
    case PolzzPlan::one: return 1;
    case PolzzPlan::closed: return closed_at(p, p.form, p.on, tn, t);
    case PolzzPlan::pole: return p.poles.at(tn);
    case PolzzPlan::blend: return (1 - p.df) * std::exp(-p.rate * tn) + p.df * p.poles.at(tn);
    case PolzzPlan::table: break;
    }
    if (sp(tn) >= p.tend) {
        const double over = tn - p.tend;
        if (p.code == 11 && p.on == 0) {
            const double hn = p.hn;
            return hn > 1 ? std::exp(-2 * std::sqrt(tn / hn))
                          : (std::exp(-2 * tn * hn / 3) + 2 * (1 - tn) * std::exp(-tn)) / 3;
        }
        const double g1 = p.p1 * std::exp(-p.k1 * over);
        if (p.df == 0) return g1;
        const double g2 = p.to_high ? high_at(p, tn, t) : p.p2 * std::exp(-p.k2 * over);
        return (1 - p.df) * g1 + p.df * g2;
    }
    const double g1 = inside(p, tn, p.s1);
    if (p.df == 0) return g1;
    const double g2 = p.to_high ? high_at(p, tn, t) : inside(p, tn, p.s2);
    return (1 - p.df) * g1 + p.df * g2;
}

void polzz(double t, double delta, double h, double q, double& g, double& d1, double& d2,
           double& d3)
{
    d1 = d2 = d3 = 0;
    g = 1;
    if (!tbl_loaded.rlx) {
        polzz_plan(delta, h, q);   // the notice
        return;
    }
    const double tn = delta * t;
    if (!(tn > 0)) {
        if (std::isnan(tn)) g = tn;
        return;
    }
    g = polzz_at(polzz_plan(delta, h, q), t);
}
