// polzz.cpp -- the dynamic Kubo-Toyabe function from the relaxation-function
// table, with its analytic forms at high field, fast hopping and long times.
//
// A call is settled once (polzz_plan: which form, the hop and slab positions,
// the long-time decay) and then evaluated per time (polzz_at).

#include <cmath>
#include <complex>
#include <vector>

#include "kt_dyn.h"
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
double time_of(const RlxTblHead& tb, int i)
{
    const int i5 = tb.i5;
    return i < i5 ? (i - 1) * double(tb.dt1) : tb.t2 + (i - i5) * double(tb.dt2);
}

// One pass inside the table (slab s).
double inside(const PolzzPlan& p, double tn, int s)
{
    const int nt = p.nt, i5 = p.tbl.i5;
    const bool medium = sp(tn) > p.tbl.t2;
    double dtau, u;
    int base;
    if (medium) {
        dtau = p.tbl.dt2;
        u = (tn - p.tbl.t2) / dtau;
        base = i5;
    } else {
        dtau = p.tbl.dt1;
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
//
// A table shorter than the default may end before a slowly hopping column gets
// there (a Lorentzian one still rises back from its static dip at tn = 8): below
// hn = 1 the rate is at least hn (1 - Gs)(1 - 0.11 hn^2), Gs the static column's
// last value. hn (1 - Gs) is the slowest pole to first order in hn; the true rate
// falls below it by a share that grows as hn^2 (0.1 hn^2 for the Gaussian, 0.08 hn^2
// for the Lorentzian in zero field), so a column that does decay keeps its own slope.
double tail_rate(const PolzzPlan& p, int s, double* last)
{
    const int nt = p.nt;
    const double tend = time_of(p.tbl, nt);
    int ib = nt - 1;
    while (ib > 1 && tend - time_of(p.tbl, ib) < 4) --ib;
    const double span = tend - time_of(p.tbl, ib);
    const double kept = 1 - at_t(p, nt, 1, s);
    auto column = [&](int j) {
        const double pe = at_t(p, nt, j, s), pb = at_t(p, ib, j, s);
        // flat, rising, through zero or no span to take a slope over: hold the level
        const double k = pe > 0 && pb > pe && span > 0 ? std::log(pb / pe) / span : 0.0;
        const double hj = j <= 1 ? 0.0 : std::exp(p.tbl.lnh2 + (j - 2) * double(p.tbl.dlnh));
        return hj < 1 ? std::fmax(k, hj * kept * (1 - 0.11 * hj * hj)) : k;
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

// (1 - atan(z)/z)/z^2, by its series where the difference cancels.
double lor_phi(double z)
{
    if (z < 1e-2) {
        const double z2 = z * z;
        return 1.0 / 3 - z2 * (1.0 / 5 - z2 * (1.0 / 7 - z2 / 9));
    }
    return (1 - std::atan(z) / z) / (z * z);
}

// The transform g0(p) of the static Lorentzian function in the field w, for real
// p > 0, written so that it stays exact down to w = 0: with z = w/(p+1) and
// phi = lor_phi(z), g0 = (p + z^2 phi)/(p (p+1)) + (1 - p) phi/(p (p+1)^2).
double lor_g0(double p, double w)
{
    const double z = w / (p + 1), phi = lor_phi(z);
    return (p + z * z * phi) / (p * (p + 1)) + (1 - p) * phi / (p * (p + 1) * (p + 1));
}

// The Lorentzian strong-collision function in the field w (angular, in units of delta)
// at the hop rate nu, which no closed form gives. Its transform g0(p)/(1 - nu g0(p)),
// p = s + nu, has one real pole in p in (0, nu); the rest of the function falls about
// as 2 e^(-(nu+1) tn)/(1 + w^2 tn), so it is solved on a grid up to where that is 1e-5:
// in full (the generator's own solver) or, where nu << w^2, to first order in the hops
// that follow the first one, G - r e^(s tn) = Gs e^(-nu tn) - r e^(s tn)(1 - nu int_0^tn Gs e^(-p u) du),
// whose error is about 0.8 nu/w^2.
FieldSolution lorentz_field(double w, double nu)
{
    FieldSolution f;
    if (!(w >= 0) || !(nu >= 0)) {
        f.s = f.r = std::nan("");
        return f;
    }
    w = std::fmin(w, 1e12);   // the field has decoupled everything long before
    if (nu > 1e-100) {   // below, hops change nothing a double holds
        double lo = 0, hi = nu;
        for (int k = 0; k < 200 && hi - lo > 1e-15 * hi; ++k) {
            const double m = (lo + hi) / 2;
            (nu * lor_g0(m, w) > 1 ? lo : hi) = m;
        }
        // The residue 1/(-nu^2 g0'(p)) as -p/(nu L), L = d ln g0 / d ln p, which
        // stays finite however small p is.
        const double p = (lo + hi) / 2, e = 1e-5;
        const double L = (std::log(lor_g0(p * (1 + e), w)) - std::log(lor_g0(p * (1 - e), w))) /
                         std::log((1 + e) / (1 - e));
        f.s = p - nu;
        f.r = -p / (nu * L);
    } else {
        nu = 0;
        f.r = (1 + w * w) * lor_phi(w);   // the static function's long-time value
    }
    double lo = 0, hi = 60;                // (nu+1) T + ln(1 + w^2 T) = ln(2e5)
    for (int k = 0; k < 60; ++k) {
        const double m = (lo + hi) / 2;
        ((nu + 1) * m + std::log1p(w * w * m) < std::log(2e5) ? lo : hi) = m;
    }
    f.tcut = hi;
    const double want = std::fmin(0.2 / (1 + w), hi / 32);
    const std::size_t n = std::size_t(std::fmin(std::ceil(hi / std::fmin(want, 0.25 / nu)), 4000)) + 4;
    f.h = hi / double(n - 4);
    const double h = f.h;
    f.rest.resize(n);
    if (nu > 1.25e-4 * w * w) {
        const std::vector<double> g = ktdyn::kt_dynamic('l', w, nu, h, n);
        for (std::size_t k = 0; k < n; ++k) f.rest[k] = g[k] - f.r * std::exp(f.s * h * double(k));
        return f;
    }
    const std::vector<double> gs = ktdyn::static_on_grid('l', w, h / 2, 2 * n - 1);
    const double p = f.s + nu;
    auto y = [&](std::size_t i) { return gs[i] * std::exp(-p * h / 2 * double(i)); };
    double integral = 0;
    for (std::size_t k = 0; k < n; ++k) {
        if (k > 0) integral += h / 6 * (y(2 * k - 2) + 4 * y(2 * k - 1) + y(2 * k));
        const double t = h * double(k);
        f.rest[k] = gs[2 * k] * std::exp(-nu * t) - f.r * std::exp(f.s * t) * (1 - nu * integral);
    }
    return f;
}

// The closed forms: motional narrowing, the square-root and Abragam forms.
enum : int { c_exp = 0, c_sqrt, c_abragam };

double closed_at(const PolzzPlan& p, int form, double tn, double t)
{
    switch (form) {
    case c_sqrt: return std::exp(-2 * std::sqrt(tn / p.hn));
    case c_abragam: return kt_abragam(p.sigma2, p.h, t);
    default: return std::exp(-p.rate * tn);
    }
}

// The high-field form at the field where it takes over (in the gap after the last slab).
double high_at(const PolzzPlan& p, double tn)
{
    return p.code == rlx_lorentz ? p.lor.at(tn) : p.poles.at(tn);
}

// A hop rate for the pole forms and the field solution: negative as none, NaN
// kept, and past 1e9 (where nothing changes any more) held there.
double nonneg(double x) { return x < 0 ? 0.0 : x > 1e9 ? 1e9 : x; }

}  // namespace

double FieldSolution::at(double tn) const
{
    const double g = r * std::exp(s * tn);
    return tn < tcut ? g + ktdyn::grid_at(rest, h, tn) : g;
}

double PoleSum::at(double tn) const
{
    const double damp = gauss_pair ? std::exp(-tn * tn / 2) : 1;
    double g = 0;
    for (int k = 0; k < n; ++k) {
        const double v = (r[k] * std::exp(s[k] * tn)).real();
        g += k > 0 && gauss_pair ? v * damp : v;
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
    // Even in the width and in the field: a fit that steps across 0 sees the same
    // physics on both sides, and a field's sign is only its direction.
    delta = std::fabs(delta);
    p.delta = delta;
    p.tbl = rlx_tbl_head();
    const RlxTblHead& tb = p.tbl;
    const int code = tb.code;
    const int nslab = tb.slabs ? tb.nslab : 1;
    const bool third = tb.slabs && std::fabs(q) > 0;
    const bool lorentz = code == rlx_lorentz;
    double fn = 0;
    int s0 = 0;
    bool high = false;
    if (third) {
        // past 1e11 (an infinite field, or no width) the field has long decoupled everything
        fn = std::fmin(std::fabs(q / delta), 1e11);
        const double c = fn / tb.dq;
        high = !(c < nslab);
        s0 = trunc_in(c, 0, nslab - 1);
        // The function is even in the field: from zero field to the second slab
        // it moves with q^2 rather than q.
        p.df = high ? 0 : s0 == 0 ? c * c : c - s0;
    }
    double hn = h / delta;
    if (code == rlx_hop_held) hn = std::fmin(sp(hn), tb.hn_fast - 0.01f);
    const bool fast = sp(hn) >= tb.hn_fast;
    const double on = two_pi * fn;
    const double on_high = two_pi * nslab * tb.dq;   // where the high-field form takes over
    p.hn = hn;
    p.on = on;
    p.code = code;

    if (high) {
        if (lorentz) {
            p.kind = PolzzPlan::field;
            p.lor = lorentz_field(on, nonneg(hn));
        } else {
            p.kind = PolzzPlan::pole;
            p.poles = gauss_high(on, nonneg(hn));
        }
        return p;
    }
    if (fast) {
        p.kind = PolzzPlan::closed;
        p.form = c_exp;
        if (code == rlx_sqrt) {
            p.form = c_sqrt;
        } else if (tb.sigma2 > 0) {
            p.form = c_abragam;   // sigma^2/(delta hn)^2 (e^-d - 1 + d), d = h t
            p.sigma2 = tb.sigma2;
            p.h = h;
        } else if (lorentz) {
            if (third) {
                p.kind = PolzzPlan::field;
                p.lor = lorentz_field(on, nonneg(hn));
            } else {
                p.kind = PolzzPlan::pole;
                p.poles = lorentz_zero_field(nonneg(hn));
            }
        } else {
            // Motional narrowing; the field slows it as 1/(1 + on^2/hn^2).
            p.rate = (2 / hn) / (1 + on * on / (hn * hn));
            if (third && s0 == nslab - 1) {
                // past the last slab: towards the high-field form where it takes over
                p.kind = PolzzPlan::blend;
                p.poles = gauss_high(on_high, nonneg(hn));
            }
        }
        return p;
    }

    p.kind = PolzzPlan::table;
    p.nt = tb.nt;
    p.nh = tb.nh;
    const double lnh = hn > 0 ? std::log(hn) : -1e10;
    p.slow = sp(lnh) < tb.lnh2;
    if (p.slow) {
        p.ih = 1;
        p.ah = hn / tb.hn2;
    } else {
        const double u = (lnh - tb.lnh2) / tb.dlnh;
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
        if (lorentz) p.lor = lorentz_field(on_high, nonneg(hn));
        else p.poles = gauss_high(on_high, nonneg(hn));
    }
    p.tend = tb.tend;
    p.k1 = tail_rate(p, p.s1, &p.p1);
    if (third) p.k2 = tail_rate(p, p.s2, &p.p2);
    return p;
}

double polzz_at(const PolzzPlan& p, double t)
{
    const double tn = p.delta * t;
    if (!(tn > 0)) return std::isnan(tn) ? tn : 1.0;
    switch (p.kind) {
    case PolzzPlan::one: return 1;
    case PolzzPlan::closed: return closed_at(p, p.form, tn, t);
    case PolzzPlan::pole: return p.poles.at(tn);
    case PolzzPlan::field: return p.lor.at(tn);
    case PolzzPlan::blend: return (1 - p.df) * std::exp(-p.rate * tn) + p.df * p.poles.at(tn);
    case PolzzPlan::table: break;
    }
    if (sp(tn) >= p.tend) {
        const double over = tn - p.tend;
        if (p.code == rlx_sqrt && p.on == 0) {
            const double hn = p.hn;
            return hn > 1 ? std::exp(-2 * std::sqrt(tn / hn))
                          : (std::exp(-2 * tn * hn / 3) + 2 * (1 - tn) * std::exp(-tn)) / 3;
        }
        const double g1 = p.p1 * std::exp(-p.k1 * over);
        if (p.df == 0) return g1;
        const double g2 = p.to_high ? high_at(p, tn) : p.p2 * std::exp(-p.k2 * over);
        return (1 - p.df) * g1 + p.df * g2;
    }
    const double g1 = inside(p, tn, p.s1);
    if (p.df == 0) return g1;
    const double g2 = p.to_high ? high_at(p, tn) : inside(p, tn, p.s2);
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
    const double tn = std::fabs(delta) * t;
    if (!(tn > 0)) {
        if (std::isnan(tn)) g = tn;
        return;
    }
    g = polzz_at(polzz_plan(delta, h, q), t);
}
