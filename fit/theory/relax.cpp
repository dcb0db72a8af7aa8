// relax.cpp -- Kubo-Toyabe relaxation functions: static in zero field, the
// generalised power form, the dynamic closed approximation and the static LF table.

#include "relax.h"

#include <cmath>

#include "relax_local.h"

using namespace relax_detail;

double gzf(double t, double delta)
{
    const double x = delta * t;
    const double x2 = x * x;
    return kt_static(x2, std::exp(-x2 / 2));
}

double gen_zf(double t, double lam, double p)
{
    const double y = std::pow(std::fabs(lam) * t, p);   // even in the rate, as gzf is
    return kt_static(y, std::exp(-y / p));
}

double kt_abragam(double sigma2, double h, double t)
{
    return std::exp(-sigma2 * t * t * abragam_phi(h * t));
}

// Gamma = 2 delta^2 Re[(z - 1 + e^-z) / s^2] with s = nu - i omega and z = s t.
// Written out it divides by (omega^2 + nu^2)^2, which loses every digit as
// |z| falls; there the series t^2 sum (-z)^k / (k+2)! takes over.
double gzz(double t, double delta, double nu, double f)
{
    const double omega = 6.2831854820251465 * f;
    const double w2 = omega * omega, n2 = nu * nu;
    double gam;
    if (std::hypot(nu, omega) * std::fabs(t) < 0.1) {
        const std::complex<double> z(nu * t, -omega * t);
        std::complex<double> sum = 0, term = 0.5;
        for (int k = 0; k < 10; ++k) {
            sum += term;
            term *= -z / double(k + 3);
        }
        gam = 2 * delta * delta * t * t * sum.real();
    } else {
        const double e = std::exp(-nu * t);
        const double s2 = w2 + n2;
        gam = 2 * delta * delta / (s2 * s2) *
              gzz_bracket(s2, w2 - n2, nu, omega, t, e, std::cos(omega * t), std::sin(omega * t));
    }
    return std::exp(-gam);
}

namespace {

// T(i, r): time point i of field row r.
inline double lf_at(int nt, int i, int r) { return lftbl_dat((r - 1) * nt + i); }

}  // namespace

LfpolPlan lfpol_plan(double delta, double f)
{
    LfpolPlan p;
    if (!tbl_loaded.lf) {
        relax_notice(tbl_loaded.told_lf,
                     "*** LFPOL: no longitudinal-field table has been read; G = 1 used");
        return p;
    }
    p.ok = true;
    p.delta = std::fabs(delta);   // even in the width and in the field
    const double omega = 6.28318530718 * std::fabs(f);
    const double on = omega / p.delta;
    p.on = on;
    p.gauss = lftbl_ctl(1) != 0;
    if (on >= lftbl_par(4)) {
        p.high = true;
        if (!p.gauss) {
            p.a = kt_x(on);
        } else {
            const double q = 1 / (on * on);
            p.a = 2 * q - 2 * q * q;
        }
        return p;
    }
    p.nt = lftbl_pai(2);
    const int nrow = lftbl_pai(3);
    const double b = on / lftbl_par(3);
    const int i0 = trunc_in(b, 0, nrow - 2);
    p.af = std::fmin(b - i0, 1.0);       // rows end: hold the last row
    p.r = i0 + 1;
    p.step = lftbl_ctl(2) != 0 ? lftbl_par(1) / (1 + on / 2) : double(lftbl_par(1));
    return p;
}

double lfpol_at(const LfpolPlan& p, double t)
{
    const double tn = p.delta * t;
    if (!(tn > 0)) return std::isnan(tn) ? tn : 1.0;
    if (!p.ok) return 1;
    if (p.high) {
        const double theta = p.on * tn;
        if (!p.gauss) return p.a * std::exp(-tn) * kt_w(theta) + (1 - p.a);
        return p.a * std::exp(-tn * tn / 2) * std::cos(theta) + (1 - p.a);
    }
    const int nt = p.nt, r = p.r;
    const double c = tn / p.step;
    const int ci = trunc_in(c, 0, nt);
    const double at = c - ci;
    const int it = ci + 1 > nt ? nt : ci + 1;
    if (it < nt) {
        const double v = lf_at(nt, it, r);
        return v + at * (lf_at(nt, it + 1, r) - v) + p.af * (lf_at(nt, it, r + 1) - v);
    }
    return p.af * lf_at(nt, nt, r + 1) + (1 - p.af) * lf_at(nt, nt, r);
}

void lfpol(double t, double delta, double f, double& g, double& d1, double& d2)
{
    d1 = 0;
    d2 = 0;
    g = 1;
    const double tn = std::fabs(delta) * t;
    if (!(tn > 0)) {
        if (std::isnan(tn)) g = tn;
        return;
    }
    g = lfpol_at(lfpol_plan(delta, f), t);
}
