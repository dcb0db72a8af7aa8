// kt_reference_test.cpp -- polzz on the generator's default tables against
// strong-collision solutions computed here by other means: inversion of the
// Laplace transform on a Talbot contour (zero field, and longitudinal field at
// long times), and a plain trapezoid march of the renewal equation with its own
// static function (longitudinal field). Points half-way between grid points, past
// the table's last time, across the fast-hopping limit and past the last slab.

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <string>
#include <vector>

#include "../../tools/kt_tablegen.h"
#include "kt_dyn.h"
#include "relax.h"
#include "../fit/tbl_scratch.h"

namespace {

using cd = std::complex<double>;
constexpr double pi = std::numbers::pi;

// ---- Laplace transforms of the static functions ------------------------------------

// Where the continued fraction below converges fast enough.
bool far_out(cd p) { return p.real() >= 0 && (std::abs(p) > 7 || p.real() > 2.5); }

// p + lo/(p + (lo+1)/(p + ...)), deep enough for 1e-10 where far_out(p).
cd fraction(cd p, int lo)
{
    cd d = p;
    for (int k = std::min(300, 40 + int(2000 / std::norm(p))); k >= lo; --k) d = p + double(k) / d;
    return d;
}

// F(p) = int_0^inf exp(-p t - t^2/2) dt = 1/fraction(p, 1) away from the
// origin, the power series near it, and the reflection F(p) + F(-p) =
// sqrt(2 pi) e^(p^2/2) in the left half-plane.
cd mills(cd p)
{
    if (p.real() < 0) return std::sqrt(2 * pi) * std::exp(p * p / 2.0) - mills(-p);
    if (far_out(p)) return 1.0 / fraction(p, 1);
    cd sum = 0, pk = 1;                              // (-p)^k / k!
    double mk[2] = {std::sqrt(pi / 2), 1.0};         // int t^k e^(-t^2/2), k even and odd
    for (int k = 0; k < 260; ++k) {
        sum += pk * mk[k % 2];
        mk[k % 2] *= k + 1;
        pk *= -p / double(k + 1);
    }
    return sum;
}

// Zero-field Gaussian: 1/(3p) + (2/3) p (1 - p F(p)); 1 - p F from the same
// fraction where p F is near 1.
cd g0_gauss(cd p)
{
    cd rest;
    if (far_out(p)) {
        const cd e = 1.0 / fraction(p, 2);
        rest = e / (p + e);
    } else {
        rest = 1.0 - p * mills(p);
    }
    return 1.0 / (3.0 * p) + 2.0 / 3.0 * p * rest;
}

cd g0_lorentz(cd p) { return 1.0 / (3.0 * p) + 2.0 / 3.0 * p / ((p + 1.0) * (p + 1.0)); }

// Gaussian in the field w (angular, in units of delta):
// (1 - 2/w^2)/p + (2/w^2) L[e^(-t^2/2) cos wt] + (2/w^3) L[e^(-t^2/2) sin wt]/p.
cd g0_gauss_lf(cd p, double w)
{
    if (w < 1e-6) return g0_gauss(p);
    const cd i(0, 1), fm = mills(p - i * w), fp = mills(p + i * w);
    const double a = 2 / (w * w);
    return (1 - a) / p + a * (fm + fp) / 2.0 + 2 / (w * w * w) / p * (fm - fp) / (2.0 * i);
}

// Lorentzian in the field w: the transforms of 1 - j1(wt) e^-t / w - (j0(wt) e^-t - 1)/w^2
// - (1 + 1/w^2) int_0^t j0(wu) e^-u du, with L[j0(wt)](s) = atan(w/s)/w and
// L[j1(wt)](s) = (1 - (s/w) atan(w/s))/w, taken at s = p + 1.
cd g0_lorentz_lf(cd p, double w)
{
    if (w < 1e-6) return g0_lorentz(p);
    const cd s = p + 1.0, a = std::atan(w / s);
    const cd j0 = a / w, j1 = (1.0 - s / w * a) / w;
    return 1.0 / p - j1 / w - (j0 - 1.0 / p) / (w * w) - (1 + 1 / (w * w)) * j0 / p;
}

// The strong-collision function at t from g0 by the fixed Talbot rule with M nodes:
// G(s) = g0(s + nu) / (1 - nu g0(s + nu)).
template <class G0>
double talbot(G0 g0, double nu, double t, int m = 32)
{
    auto lap = [&](cd s) {
        const cd g = g0(s + nu);
        if (!std::isfinite(g.real()) || !std::isfinite(g.imag())) return cd(-1 / nu);
        return g / (1.0 - nu * g);
    };
    const double r = 2.0 * m / (5.0 * t);
    double sum = 0.5 * (lap(cd(r)) * std::exp(r * t)).real();
    for (int k = 1; k < m; ++k) {
        const double th = k * pi / m, ct = std::cos(th) / std::sin(th);
        const cd s = r * th * cd(ct, 1.0);
        sum += (std::exp(t * s) * lap(s) * cd(1.0, th + (th * ct - 1) * ct)).real();
    }
    return r / m * sum;
}

// ---- the renewal equation marched in time ----------------------------------------

// The static functions in zero field: Gaussian ('g') 1/3 + (2/3)(1 - t^2) e^(-t^2/2),
// Lorentzian ('l') 1/3 + (2/3)(1 - t) e^-t.
double static_zf(char shape, double t)
{
    if (shape == 'l') return 1.0 / 3 + 2.0 / 3 * (1 - t) * std::exp(-t);
    return 1.0 / 3 + 2.0 / 3 * (1 - t * t) * std::exp(-t * t / 2);
}

// The static function in the field w at t = k h: the closed form, its integral
// summed by Simpson's rule. Gaussian ('g'): 1 - (2/w^2)(1 - e^(-t^2/2) cos wt)
// + (2/w^3) int_0^t e^(-u^2/2) sin(wu) du; Lorentzian ('l'): 1 - j1(wt) e^-t / w
// - (j0(wt) e^-t - 1)/w^2 - (1 + 1/w^2) int_0^t j0(wu) e^-u du.
std::vector<double> static_lf(char shape, double w, double h, std::size_t n)
{
    std::vector<double> g(n);
    const int sub = 2 * std::max(1, int(std::ceil(w * h / 0.2)));
    const double hs = h / sub;
    double integral = 0;
    auto j0 = [](double x) { return std::fabs(x) < 1e-4 ? 1 - x * x / 6 : std::sin(x) / x; };
    auto j1 = [](double x) {
        return std::fabs(x) < 1e-2 ? x / 3 - x * x * x / 30 : std::sin(x) / (x * x) - std::cos(x) / x;
    };
    auto f = [&](double u) {
        return shape == 'l' ? j0(w * u) * std::exp(-u) : std::exp(-u * u / 2) * std::sin(w * u);
    };
    for (std::size_t k = 0; k < n; ++k) {
        const double t = h * double(k);
        if (k > 0) {
            double s = 0;
            for (int j = 0; j <= sub; ++j) s += (j == 0 || j == sub ? 1 : j % 2 ? 4 : 2) * f(t - h + j * hs);
            integral += s * hs / 3;
        }
        if (shape == 'l') {
            const double e = std::exp(-t);
            g[k] = w < 1e-3 ? static_zf('l', t)
                            : 1 - j1(w * t) * e / w - (j0(w * t) * e - 1) / (w * w) - (1 + 1 / (w * w)) * integral;
        } else {
            g[k] = w < 1e-6 ? static_zf('g', t)
                            : 1 - 2 / (w * w) * (1 - std::exp(-t * t / 2) * std::cos(w * t)) +
                                  2 / (w * w * w) * integral;
        }
    }
    return g;
}

// G(t) = K(t) + nu int_0^t K(u) G(t - u) du, K = g_s e^(-nu u), by the trapezoid
// rule on h and h/2 combined (Richardson), at t = k h.
std::vector<double> march(char shape, double w, double nu, double h, std::size_t n)
{
    auto once = [&](double step, std::size_t count) {
        std::vector<double> k = static_lf(shape, w, step, count), g(count);
        for (std::size_t i = 0; i < count; ++i) k[i] *= std::exp(-nu * step * double(i));
        const std::size_t reach = nu > 0 ? std::size_t(40 / (nu * step)) + 2 : count;
        for (std::size_t i = 0; i < count; ++i) {
            if (i == 0) {
                g[0] = k[0];
                continue;
            }
            double s = i < reach ? 0.5 * k[i] * g[0] : 0;
            for (std::size_t m = 1; m < i && m < reach; ++m) s += k[m] * g[i - m];
            g[i] = (k[i] + nu * step * s) / (1 - nu * step * 0.5 * k[0]);
        }
        return g;
    };
    const std::vector<double> g1 = once(h, n), g2 = once(h / 2, 2 * n - 1);
    std::vector<double> g(n);
    for (std::size_t i = 0; i < n; ++i) g[i] = (4 * g2[2 * i] - g1[i]) / 3;
    return g;
}

// ---- sampling ------------------------------------------------------------------

double polzz_n(double tn, double hn, double fq)
{
    const double delta = 0.8;   // any width: the table is in normalised units
    double g, d1, d2, d3;
    polzz(tn / delta, delta, hn * delta, fq * delta, g, d1, d2, d3);
    return g;
}

// Hop rates half-way (in ln hn) between the hop points of a table, a few in its
// first, linear interval, and past the fast-hopping limit up to 1000.
std::vector<double> mid_hops(const ktgen::DynSpec& s)
{
    std::vector<double> h{0.0, 0.3 * s.hmin, 0.77 * s.hmin};
    const double step = std::log(10.0) / s.per_decade;
    for (double x = std::log(s.hmin) + step / 2; x < std::log(s.hmax); x += step) h.push_back(std::exp(x));
    for (double x : {0.999, 1.0, 1.001, 1.7, 4.0, 10.0}) h.push_back(s.hmax * x);
    h.push_back(1000);
    return h;
}

// Times half-way between the time points of a table (every stride1-th of the first
// region, every stride-th beyond), then on to 100.
std::vector<double> mid_times(const ktgen::DynSpec& s, int stride, int stride1 = 0)
{
    std::vector<double> t;
    for (double x = s.dt1 / 2; x < s.t2; x += (stride1 > 0 ? stride1 : stride) * s.dt1) t.push_back(x);
    for (double x = s.t2 + s.dt2 / 2; x < s.tmax; x += stride * s.dt2) t.push_back(x);
    for (double x : {s.tmax - 1e-4, s.tmax, s.tmax + 1e-4}) t.push_back(x);
    for (double x = s.tmax + 0.37; x <= 100; x += 2.13 * stride) t.push_back(x);
    t.push_back(100);
    return t;
}

struct Worst {
    double err = 0, tn = 0, hn = 0, fq = 0;
    void take(double e, double t, double h, double q = 0)
    {
        if (e > err) *this = {e, t, h, q};
    }
};

// polzz at the normalised time tn for one hop rate and field, the call settled once.
struct Polzz {
    static constexpr double delta = 0.8;
    PolzzPlan plan;
    Polzz(double hn, double fq) : plan(polzz_plan(delta, hn * delta, fq * delta)) {}
    double operator()(double tn) const { return polzz_at(plan, tn / delta); }
};

// The largest change of polzz across the switches between its forms: the
// fast-hopping limit, the table's last time and (with a field axis) the field
// where the high-field form takes over, each crossed at many points.
double worst_step(const ktgen::DynSpec& s, const std::vector<double>& qs)
{
    const double eps = 1e-7;
    double step = 0;
    for (double fq : qs) {
        const Polzz above(s.hmax * (1 + eps), fq), below(s.hmax * (1 - eps), fq);
        for (double tn = 0.013; tn < 100; tn *= 1.37)   // across hn = hmax
            step = std::max(step, std::fabs(above(tn) - below(tn)));
        for (double hn = 0.003; hn < s.hmax; hn *= 1.41) {   // across the last time
            const Polzz at(hn, fq);
            step = std::max(step, std::fabs(at(s.tmax + eps) - at(s.tmax - eps)));
        }
    }
    if (s.nslab > 0) {
        const double qend = s.nslab * s.dq;
        for (double hn = 0.003; hn < 2 * s.hmax; hn *= 1.41) {
            const Polzz above(hn, qend * (1 + eps)), below(hn, qend * (1 - eps));
            for (double tn = 0.013; tn < 100; tn *= 1.37) step = std::max(step, std::fabs(above(tn) - below(tn)));
        }
    }
    return step;
}

// Zero field, Gaussian and Lorentzian, on each default table.
TEST(KtReference, ZeroFieldDefaultTables)
{
    for (char shape : {'g', 'l'}) {
        const ktgen::DynSpec s = ktgen::dyn_defaults(shape);
        const std::string p = tmp_path(std::string("kt_zf_") + shape + ".tbl");
        ASSERT_TRUE(ktgen::write_dyn_table(p, s));
        std::string why;
        ASSERT_TRUE(read_rlx_tbl(p, &why)) << why;
        Worst w;
        const std::vector<double> times = mid_times(s, 3);
        for (double hn : mid_hops(s)) {
            Worst wh;
            for (double tn : times) {
                double ref;
                if (hn == 0) ref = static_zf(shape, tn);
                else ref = shape == 'g' ? talbot(g0_gauss, hn, tn) : talbot(g0_lorentz, hn, tn);
                wh.take(std::fabs(polzz_n(tn, hn, 0) - ref), tn, hn);
            }
            w.take(wh.err, wh.tn, wh.hn);
        }
        std::printf("zero field %c: worst %.2e at tn %.3f hn %.4f\n", shape, w.err, w.tn, w.hn);
        EXPECT_LE(w.err, 2e-3) << shape;
        const double step = worst_step(s, {0.0});
        std::printf("zero field %c: largest step across a switch %.2e\n", shape, step);
        EXPECT_LE(step, 1e-3) << shape;
    }
}

// A table cut short (--tmax 8): its slowly hopping columns have not reached their
// last, single exponential there (the Lorentzian's still rise back from the static
// dip), and the continuation past the end must still follow the function.
TEST(KtReference, ShortTimeAxisContinues)
{
    for (char shape : {'g', 'l'}) {
        ktgen::DynSpec s = ktgen::dyn_defaults(shape);
        s.tmax = 8;
        const std::string p = tmp_path(std::string("kt_short_") + shape + ".tbl");
        ASSERT_TRUE(ktgen::write_dyn_table(p, s));
        std::string why;
        ASSERT_TRUE(read_rlx_tbl(p, &why)) << why;
        Worst w;
        for (double hn : mid_hops(s)) {
            if (hn == 0 || hn >= s.hmax) continue;   // static, or no table
            const Polzz g(hn, 0);
            for (double tn = s.tmax + 0.05; tn <= 100; tn += 1.37) {
                const double ref = shape == 'g' ? talbot(g0_gauss, hn, tn) : talbot(g0_lorentz, hn, tn);
                w.take(std::fabs(g(tn) - ref), tn, hn);
            }
        }
        std::printf("short table %c: worst %.2e past its end, at tn %.3f hn %.4f\n", shape, w.err, w.tn, w.hn);
        EXPECT_LE(w.err, 2.5e-3) << shape;
    }
}

// The reference in a longitudinal field: the march up to tm (where the
// oscillation may lie outside the Talbot contour), the Talbot rule beyond.
std::vector<double> reference_lf(char shape, double fq, double hn, const std::vector<double>& times, double tm)
{
    const double w = 2 * pi * fq;
    std::vector<double> out;
    std::vector<double> g;
    double h = std::min({0.01, 0.2 / std::max(w, 1e-9), 0.02 / std::max(hn, 1e-9)});
    for (double t : times) {
        if (t < tm || hn == 0) {
            if (g.empty()) {
                g = hn == 0 ? static_lf(shape, w, h, std::size_t(times.back() / h) + 3)
                            : march(shape, w, hn, h, std::size_t(tm / h) + 3);
            }
            out.push_back(ktdyn::grid_at(g, h, t));
        } else if (shape == 'l') {
            out.push_back(talbot([&](cd x) { return g0_lorentz_lf(x, w); }, hn, t));
        } else {
            out.push_back(talbot([&](cd x) { return g0_gauss_lf(x, w); }, hn, t));
        }
    }
    return out;
}

// Where the reference may leave the march for the Talbot rule. The Gaussian's
// oscillation is gone by tn = 4 (e^(-tn^2/2)); past hn = 100 it is damped before
// the contour misses it. The Lorentzian's part besides its slowest pole falls
// about as 2 e^(-(hn+1) tn)/(1 + w^2 tn): the march goes on until that is 1e-6.
double march_end(char shape, double fq, double hn)
{
    if (shape == 'g') return hn >= 100 ? 0.0 : hn > 5 ? 1.0 : 4.0;
    const double w2 = std::pow(2 * pi * fq, 2);
    double t = 0;
    while (2 * std::exp(-(hn + 1) * t) / (1 + w2 * t) > 1e-6) t += 0.01 / (hn + 1);
    return t;
}

// A longitudinal field on the default field-axis table of a shape: half-way
// between slabs, between the last slab and the high-field form, and on to q/delta = 20,
// at q and -q, delta and -delta. Within 800000 values no grid of this interpolation
// gets to 1e-3: the worst of each region is held to the figure --help and the help
// file give (low field q/delta < 0.2, the field axis above it, past the last time, the
// high-field form).
void field_axis_default_table(char shape, const double (&limit)[4])
{
    const ktgen::DynSpec s = ktgen::dyn_defaults(shape, true);
    const std::string p = tmp_path(std::string("kt_lf_") + shape + ".tbl");
    ASSERT_TRUE(ktgen::write_dyn_table(p, s));
    std::string why;
    ASSERT_TRUE(read_rlx_tbl(p, &why)) << why;
    const double qend = s.nslab * s.dq;
    std::vector<double> qs;
    for (int k : {0, 1, 2, 4, 8, 15, 26, 40, 61}) qs.push_back((k + 0.5) * s.dq);
    for (double x : {-0.5, -1e-6, 0.0, 1e-6, 0.5}) qs.push_back(qend + x * s.dq);
    for (double x : {3.0, 5.0, 10.0, 20.0}) qs.push_back(x);
    const std::vector<double> hops{0.0, 0.004, 0.0355, 0.355, 1.12, 3.55, 11.2, 35.5, 99.9, 100.1, 1000.0};
    // every time of the first region: the oscillation of a field is largest early
    const std::vector<double> times = mid_times(s, 5, 1);
    Worst reg[4];
    int uneven = 0;
    for (double fq : qs)
        for (double hn : hops) {
            const std::vector<double> ref = reference_lf(shape, fq, hn, times, march_end(shape, fq, hn));
            const Polzz g(hn, fq);
            const PolzzPlan mirror = polzz_plan(-Polzz::delta, hn * Polzz::delta, -fq * Polzz::delta);
            for (std::size_t i = 0; i < times.size(); ++i) {
                const double v = g(times[i]);
                uneven += v != polzz_at(mirror, times[i] / Polzz::delta);
                const int r = fq >= qend ? 3 : times[i] > s.tmax ? 2 : fq < 0.2 ? 0 : 1;
                reg[r].take(std::fabs(v - ref[i]), times[i], hn, fq);
            }
        }
    EXPECT_EQ(uneven, 0);
    const char* names[4] = {"q/delta below 0.2", "q/delta 0.2 to the last slab", "past the last time",
                            "the high-field form"};
    for (int r = 0; r < 4; ++r) {
        std::printf("field axis %c, %s: worst %.2e at tn %.3f hn %.4f q %.4f\n", shape, names[r], reg[r].err,
                    reg[r].tn, reg[r].hn, reg[r].fq);
        EXPECT_LE(reg[r].err, limit[r]) << names[r];
    }
    const double step = worst_step(s, {0.3, 1.1, 2.5, 6.0});
    std::printf("field axis %c: largest step across a switch %.2e\n", shape, step);
    EXPECT_LE(step, 1e-3);
}

TEST(KtReference, FieldAxisDefaultTable) { field_axis_default_table('g', {3.4e-3, 2.7e-3, 2.6e-3, 1.4e-3}); }

// The Lorentzian shape with a field axis: past its last slab and at fast hopping no
// closed form holds, and the values there come from the call's own solution.
TEST(KtReference, LorentzianFieldAxisDefaultTable)
{
    field_axis_default_table('l', {2.2e-3, 3.0e-3, 2.2e-3, 1e-4});
}

// The help file's text, its lines joined by single blanks.
std::string help_text()
{
    std::ifstream f(std::filesystem::weakly_canonical(KAVRIN_TEST_DATA "/../../../help/users.hlp"));
    std::string all, word;
    while (f >> word) all += (all.empty() ? "" : " ") + word;
    return all;
}

// gzz, the closed approximation, against the strong-collision function: the
// figures the help file gives for it, measured (largest difference over tn 0..20).
TEST(KtReference, ClosedApproximationWhereItHolds)
{
    auto worst = [](double hn, double fq) {
        std::vector<double> times;
        for (double tn = 0.05; tn <= 20; tn += 0.05) times.push_back(tn);
        const std::vector<double> ref = reference_lf('g', fq, hn, times, march_end('g', fq, hn));
        double e = 0;
        for (std::size_t i = 0; i < times.size(); ++i)
            e = std::max(e, std::fabs(gzz(times[i], 1.0, hn, fq) - ref[i]));
        return e;
    };
    struct Figure {
        double hn, fq;
        const char* text;   // as the help file states it
        double lo, hi;
    };
    const Figure figures[] = {
        {0.3, 0, "0.17 at h/lam = 0.3", 0.15, 0.19},       {1, 0, "0.059 at 1", 0.053, 0.065},
        {3, 0, "0.022 at 3", 0.020, 0.024},                {10, 0, "0.003 at 10", 0.0025, 0.0035},
        {50, 0, "below 1e-3 from h/lam = 50 on", 0, 1e-3},
        {0.1, 10, "from a field nu/lam = 10 on", 0, 1e-3},
        {1, 10, "from a field nu/lam = 10 on", 0, 1e-3},
        {10, 10, "from a field nu/lam = 10 on", 0, 1e-3},
    };
    const std::string help = help_text();
    for (const Figure& f : figures) {
        EXPECT_NE(help.find(f.text), std::string::npos) << f.text;
        const double e = worst(f.hn, f.fq);
        std::printf("gzz at hn %g q/Delta %g: %.2e\n", f.hn, f.fq, e);
        EXPECT_GE(e, f.lo) << f.text;
        EXPECT_LE(e, f.hi) << f.text;
    }
}

// lfpol on each default longitudinal-field table against the static function
// computed here: half-way between field rows and time points, past the last
// row (the analytic high-field form) and past the last time. The Gaussian is
// within 1e-3 everywhere; the Lorentzian's high-field form is not below on = 68,
// and the figures are the ones the generator's --help and the help file give.
TEST(KtReference, LongitudinalFieldDefaultTables)
{
    struct Band {
        double on_from;
        double limit;
    };
    for (char shape : {'g', 'l'}) {
        const ktgen::LfSpec s = ktgen::lf_defaults(shape);
        const std::string p = tmp_path(std::string("kt_lfs_") + shape + ".tbl");
        ASSERT_TRUE(ktgen::write_lf_table(p, s));
        std::string why;
        ASSERT_TRUE(read_lf_tbl(p, &why)) << why;
        const double on_end = (s.nrow - 1) * s.dw, t_end = (s.nt - 1) * s.dt;
        // the bands of the field and their limits, lowest field first
        const std::vector<Band> bands = shape == 'g' ? std::vector<Band>{{0, 1e-3}}
                                                     : std::vector<Band>{{0, 2.3e-3}, {on_end, 2.9e-3},
                                                                         {20, 2.4e-3}, {68, 1e-3}};
        std::vector<double> ons;
        for (double x : {0.0, 0.5, 1.5, 3.5, 6.5, 10.5, 17.5, 27.5, 40.5, 54.5}) {
            const double on = x * s.dw;
            if (on < on_end) ons.push_back(on + (x == 0 ? 0.37 * s.dw : 0));
        }
        for (double on : {on_end - 0.5 * s.dw, on_end, on_end * 1.01, on_end * 1.5, 20.0, 40.0, 68.0, 100.0})
            ons.push_back(on);
        std::vector<double> times;
        for (double tn = s.dt / 2; tn < t_end; tn += 3 * s.dt) times.push_back(tn);
        for (double tn : {t_end - 1e-4, t_end + 1e-4, t_end + 0.77, 15.3, 30.0}) times.push_back(tn);
        std::vector<Worst> worst(bands.size());
        for (double on : ons) {
            const double h = std::min(0.01, 0.2 / std::max(on, 1e-9));
            const std::vector<double> ref = static_lf(shape, on, h, std::size_t(30 / h) + 4);
            std::size_t b = 0;
            while (b + 1 < bands.size() && on >= bands[b + 1].on_from) ++b;
            for (double tn : times) {
                double g, d1, d2;
                for (double delta : {0.6, -0.6}) {   // even in the width and in the field
                    lfpol(tn / 0.6, delta, on * 0.6 / (2 * pi) * (delta > 0 ? 1 : -1), g, d1, d2);
                    worst[b].take(std::fabs(g - ktdyn::grid_at(ref, h, tn)), tn, 0, on);
                }
            }
        }
        for (std::size_t b = 0; b < bands.size(); ++b) {
            std::printf("lf %c from on = %g: worst %.2e at tn %.3f on %.3f\n", shape, bands[b].on_from,
                        worst[b].err, worst[b].tn, worst[b].fq);
            EXPECT_LE(worst[b].err, bands[b].limit) << shape << " from on = " << bands[b].on_from;
        }
    }
}

}  // namespace
