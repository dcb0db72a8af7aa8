// kt_dyn.h -- Kubo-Toyabe physics computed from its integrals: the static functions in a
// longitudinal field and the dynamic (strong-collision) function, for the theory and for
// the table generator. Normalised units throughout: tn = delta t, on = omega_L / delta
// (angular), hn = nu / delta.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <functional>
#include <vector>

namespace ktdyn {

// Below this field the static forms cancel to the zero-field function within 1e-8.
inline constexpr double zero_field = 1e-4;

// Integral of f over [a, b] by 8-point Gauss-Legendre on pieces no longer than
// `piece`: exact for polynomials of degree 15 on each piece.
double integrate(const std::function<double(double)>& f, double a, double b, double piece);

// The zero-field static functions.
double kt_static_gauss_zf(double tn);
double kt_static_lorentz_zf(double tn);

// Static Gaussian and Lorentzian KT in the field on at the times tn (increasing from 0).
std::vector<double> kt_static_gauss(const std::vector<double>& tn, double on);
std::vector<double> kt_static_lorentz(const std::vector<double>& tn, double on);

// The static function on the grid k h (k = 0..n-1): shape 'g' Gaussian, 'l' Lorentzian.
std::vector<double> static_on_grid(char shape, double on, double h, std::size_t n);

// The strong-collision solution at hop rate nu on the grid k h, given the static function
// gs there (one step of kt_dynamic's extrapolation).
std::vector<double> strong_collision_grid(const std::vector<double>& gs, double h, double nu);

// The dynamic function at t_k = k h (k = 0..n-1) at hop rate hn.
std::vector<double> kt_dynamic(char shape, double on, double hn, double h, std::size_t n);

// The dynamic function as a curve up to tmax: solver step dt/fine, refined so
// that nu h stays below 0.25 (the error of fast hopping grows with nu h).
struct DynCurve {
    double h = 0;
    std::vector<double> g;   // at k h
};
DynCurve kt_dynamic_curve(char shape, double on, double hn, double dt, int fine, double tmax);

// Cubic (4-point) interpolation in values y on the grid k h.
inline double grid_at(const std::vector<double>& y, double h, double t)
{
    const std::size_t n = y.size();
    if (n < 4) return y.empty() ? 0 : y.back();
    const double q = t / h;
    long k = long(std::floor(q)) - 1;
    k = std::max(0L, std::min(k, long(n) - 4));
    const double s = q - double(k);
    const double* p = &y[std::size_t(k)];
    return p[0] * (s - 1) * (s - 2) * (s - 3) / -6 + p[1] * s * (s - 2) * (s - 3) / 2 +
           p[2] * s * (s - 1) * (s - 3) / -2 + p[3] * s * (s - 1) * (s - 2) / 6;
}

}  // namespace ktdyn
