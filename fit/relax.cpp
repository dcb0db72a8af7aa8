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
    return 0.3333333333333333 + 0.6666666666666666 * (1 - x2) * std::exp(-x2 / 2);
}

double gen_zf(double t, double lam, double p)
{
    const double y = std::pow(lam * t, p);
    return 0.3333333333333333 + 0.6666666666666666 * (1 - y) * std::exp(-y / p);
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
              (s2 * nu * t + (w2 - n2) * (1 - e * std::cos(omega * t)) -
               2 * nu * omega * e * std::sin(omega * t));
    }
    return std::exp(-gam);
}

namespace {

// T(i, r): time point i of field row r.
inline double lf_at(int nt, int i, int r) { return lftbl_dat((r - 1) * nt + i); }

}  // namespace

void lfpol(double t, double delta, double f, double& g, double& d1, double& d2)
{
    d1 = 0;
    d2 = 0;
    g = 1;
    const double omega = 6.28318530718 * std::fabs(f);   // the function is even in the field
    const double tn = delta * t;
    if (!(tn > 0)) {
        if (std::isnan(tn)) g = tn;
        return;
    }
    if (!tbl_loaded.lf) {
        relax_notice(tbl_loaded.told_lf,
                     "*** LFPOL: no longitudinal-field table has been read; G = 1 used");
        return;
    }
    const double on = omega / std::fabs(delta);
    if (on >= lftbl_par(4)) {
        const double theta = on * tn;
        double a, d, w;
        if (lftbl_ctl(1) == 0) {
            a = kt_x(on);
            d = std::exp(-tn);
            w = kt_w(theta);
        } else {
            const double q = 1 / (on * on);
            a = 2 * q - 2 * q * q;
            d = std::exp(-tn * tn / 2);
            w = std::cos(theta);
        }
        g = a * d * w + (1 - a);
        return;
    }
    const int nt = lftbl_pai(2), nrow = lftbl_pai(3);
    const double b = on / lftbl_par(3);
    int i0 = trunc_in(b, 0, nrow - 2);
    double af = b - i0;
    if (af > 1) af = 1;                  // rows end: hold the last row
    const int r = i0 + 1;
    const double s = lftbl_ctl(2) != 0 ? lftbl_par(1) / (1 + on / 2) : double(lftbl_par(1));
    const double c = tn / s;
    const int ci = trunc_in(c, 0, nt);
    const double at = c - ci;
    const int it = ci + 1 > nt ? nt : ci + 1;
    if (it < nt) {
        const double p = lf_at(nt, it, r);
        g = p + at * (lf_at(nt, it + 1, r) - p) + af * (lf_at(nt, it, r + 1) - p);
    } else {
        g = af * lf_at(nt, nt, r + 1) + (1 - af) * lf_at(nt, nt, r);
    }
}
