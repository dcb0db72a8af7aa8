// kt_dyn.cpp -- the static Kubo-Toyabe functions from their closed forms with one integral
// each, and the strong-collision equation solved on a grid.

#include "kt_dyn.h"

#include <functional>

namespace ktdyn {

// Integral of f over [a, b] by 8-point Gauss-Legendre on pieces no longer than
// `piece`: exact for polynomials of degree 15 on each piece.
double integrate(const std::function<double(double)>& f, double a, double b, double piece)
{
    static const double x[4] = {0.1834346424956498, 0.5255324099163290, 0.7966664774136267,
                                0.9602898564975363};
    static const double w[4] = {0.3626837833783620, 0.3137066458778873, 0.2223810344533745,
                                0.1012285362903763};
    if (!(b > a)) return 0;
    const int n = std::max(1, int(std::ceil((b - a) / piece)));
    const double h = (b - a) / n;
    double sum = 0;
    for (int i = 0; i < n; ++i) {
        const double c = a + (i + 0.5) * h, r = h / 2;
        for (int k = 0; k < 4; ++k) sum += w[k] * r * (f(c - r * x[k]) + f(c + r * x[k]));
    }
    return sum;
}

namespace {

// Spherical Bessel functions j0, j1, by their series where the closed forms cancel.
double sph_j0(double x)
{
    if (std::fabs(x) < 1e-3) return 1 - x * x / 6;
    return std::sin(x) / x;
}
double sph_j1(double x)
{
    if (std::fabs(x) < 0.1) {
        const double x2 = x * x;
        return x / 3 * (1 - x2 / 10 * (1 - x2 / 28 * (1 - x2 / 54)));
    }
    return std::sin(x) / (x * x) - std::cos(x) / x;
}

// One static LF function at the times tn (increasing from 0): with its
// zero-field form below zero_field, else form(t, int_0^t f(u) du).
template <class Zf, class F, class Form>
std::vector<double> static_lf(const std::vector<double>& tn, double on, Zf zf, F f, Form form)
{
    std::vector<double> g(tn.size());
    const double piece = 0.25 / (1 + on);
    double integral = 0, prev = 0;
    for (std::size_t i = 0; i < tn.size(); ++i) {
        if (on < zero_field) {
            g[i] = zf(tn[i]);
            continue;
        }
        integral += integrate(f, prev, tn[i], piece);
        prev = tn[i];
        g[i] = form(tn[i], integral);
    }
    return g;
}

// (1 - e^-z)/z and (1 - (1+z) e^-z)/z^2, by series near z = 0.
void expo_weights(double z, double& e1, double& e2)
{
    if (z < 0.1) {
        double t1 = 1, t2 = 0.5, s1 = 0, s2 = 0;   // (-z)^k/(k+1)!, (-z)^k (k+1)/(k+2)!
        double p = 1, fac1 = 1, fac2 = 2;
        for (int k = 0; k < 14; ++k) {
            t1 = p / fac1;
            t2 = p * (k + 1) / fac2;
            s1 += t1;
            s2 += t2;
            p *= -z;
            fac1 *= k + 2;
            fac2 *= k + 3;
        }
        e1 = s1;
        e2 = s2;
        return;
    }
    const double e = std::exp(-z);
    e1 = (1 - e) / z;
    e2 = (1 - (1 + z) * e) / (z * z);
}

}  // namespace

// ---- static Kubo-Toyabe functions in a longitudinal field -------------------------

double kt_static_gauss_zf(double tn)
{
    return 1.0 / 3 + 2.0 / 3 * (1 - tn * tn) * std::exp(-tn * tn / 2);
}

double kt_static_lorentz_zf(double tn) { return 1.0 / 3 + 2.0 / 3 * (1 - tn) * std::exp(-tn); }

// Static Gaussian KT in the field on:
// G = 1 - (2/on^2)(1 - e^(-tn^2/2) cos(on tn)) + (2/on^3) int_0^tn e^(-u^2/2) sin(on u) du.
std::vector<double> kt_static_gauss(const std::vector<double>& tn, double on)
{
    return static_lf(
        tn, on, kt_static_gauss_zf,
        [on](double u) { return std::exp(-u * u / 2) * std::sin(on * u); },
        [on](double t, double integral) {
            return 1 - 2 / (on * on) * (1 - std::exp(-t * t / 2) * std::cos(on * t)) +
                   2 / (on * on * on) * integral;
        });
}

// Static Lorentzian KT in the field on:
// G = 1 - j1(on tn) e^-tn / on - (j0(on tn) e^-tn - 1) / on^2
//       - (1 + 1/on^2) int_0^tn j0(on u) e^-u du.
std::vector<double> kt_static_lorentz(const std::vector<double>& tn, double on)
{
    return static_lf(
        tn, on, kt_static_lorentz_zf, [on](double u) { return sph_j0(on * u) * std::exp(-u); },
        [on](double t, double integral) {
            const double e = std::exp(-t);
            return 1 - sph_j1(on * t) * e / on - (sph_j0(on * t) * e - 1) / (on * on) -
                   (1 + 1 / (on * on)) * integral;
        });
}

// ---- dynamic Kubo-Toyabe function (strong collisions) ------------------------------

// Solves g(t) = gs(t) e^(-nu t) + nu int_0^t g(t - u) gs(u) e^(-nu u) du on the grid
// t_k = k h, given gs there. Product trapezoid rule: the factor e^(-nu u) is
// integrated exactly and gs(u) g(t-u) linearly, so fast hopping costs no finer grid.
std::vector<double> strong_collision_grid(const std::vector<double>& gs, double h, double nu)
{
    const std::size_t n = gs.size();
    std::vector<double> g(n);
    if (n == 0) return g;
    if (!(nu > 0)) return gs;
    double e1, e2;
    expo_weights(nu * h, e1, e2);
    const double A = h * (e1 - e2), B = h * e2;
    std::vector<double> a(n), c(n);   // e^(-nu m h) gs_m and e^(-nu (m-1) h) gs_m
    for (std::size_t m = 0; m < n; ++m) {
        a[m] = std::exp(-nu * h * double(m)) * gs[m];
        c[m] = m == 0 ? 0 : std::exp(-nu * h * double(m - 1)) * gs[m];
    }
    const double denom = 1 - nu * A;
    // Past nu u = 40 the kernel is below 1e-17 of its start: fast hopping costs
    // a short sum, not the whole history.
    const std::size_t reach = std::size_t(std::min(double(n), 40 / (nu * h) + 2));
    // The history sum is the table's whole cost: the weights A a_m + B c_m once, the
    // solution kept backwards (gr[n-1-j] = g_j) so that both run forwards, and four
    // partial sums so that the additions need not wait for each other.
    std::vector<double> wt(n), gr(n);
    for (std::size_t m = 0; m < n; ++m) wt[m] = A * a[m] + B * c[m];
    g[0] = gs[0];
    gr[n - 1] = g[0];
    for (std::size_t k = 1; k < n; ++k) {
        const std::size_t mend = std::min(k, reach);
        const double* x = wt.data() + 1;
        const double* y = gr.data() + (n - k);   // y[i] = g_(k-1-i)
        const std::size_t len = mend > 0 ? mend - 1 : 0;
        double s0 = 0, s1 = 0, s2 = 0, s3 = 0;
        std::size_t i = 0;
        for (; i + 4 <= len; i += 4) {
            s0 += x[i] * y[i];
            s1 += x[i + 1] * y[i + 1];
            s2 += x[i + 2] * y[i + 2];
            s3 += x[i + 3] * y[i + 3];
        }
        for (; i < len; ++i) s0 += x[i] * y[i];
        double sum = (s0 + s1) + (s2 + s3);
        if (k < reach) sum += B * c[k] * g[0];
        g[k] = (a[k] + nu * sum) / denom;
        gr[n - 1 - k] = g[k];
    }
    return g;
}

// The static function on a grid: kind 'g' Gaussian, 'l' Lorentzian.
std::vector<double> static_on_grid(char shape, double on, double h, std::size_t n)
{
    std::vector<double> t(n);
    for (std::size_t k = 0; k < n; ++k) t[k] = h * double(k);
    return shape == 'l' ? kt_static_lorentz(t, on) : kt_static_gauss(t, on);
}

// The dynamic function at t_k = k h (k = 0..n-1): the product trapezoid on h and
// h/2, combined by Richardson extrapolation (its error falls as h^2).
std::vector<double> kt_dynamic(char shape, double on, double hn, double h, std::size_t n)
{
    const std::vector<double> gs2 = static_on_grid(shape, on, h / 2, 2 * n - 1);
    std::vector<double> gs1(n);
    for (std::size_t k = 0; k < n; ++k) gs1[k] = gs2[2 * k];
    const std::vector<double> g1 = strong_collision_grid(gs1, h, hn);
    const std::vector<double> g2 = strong_collision_grid(gs2, h / 2, hn);
    std::vector<double> g(n);
    for (std::size_t k = 0; k < n; ++k) g[k] = (4 * g2[2 * k] - g1[k]) / 3;
    return g;
}

// The curve's grid: solver step dt/fine, finer where nu h would exceed 0.25.
DynCurve kt_dynamic_curve(char shape, double on, double hn, double dt, int fine, double tmax)
{
    const int m = std::max(fine, int(std::ceil(hn * dt / 0.25)));
    DynCurve c;
    c.h = dt / m;
    c.g = kt_dynamic(shape, on, hn, c.h, std::size_t(std::ceil(std::max(tmax, 0.0) / c.h)) + 4);
    return c;
}

}  // namespace ktdyn
