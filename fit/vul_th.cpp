// vul_th.cpp -- theory function: model value of every fitted bin of one spectrum.
// Everything that does not depend on time is settled once per call; the bin loop only
// evaluates the chosen forms, so it allocates and parses nothing.
#include "vul_th.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <complex>
#include <span>

#include "fit_records.h"
#include "relax.h"

namespace {

enum Form : int {
    f_omni = 1, f_abragam, f_gauss_cos, f_cos, f_cmplx_re, f_cmplx_im, f_stretch_cos, f_exp_cos,
    f_j0, f_gzz_lf, f_polzz_lf, f_lfpol, f_gzf, f_gen_zf, f_gzz_zf, f_polzz_zf,
    f_exp, f_stretch, f_power, f_spin_glass,
};

constexpr int omni_args = 10;  // the table lookup may read up to 9 rates; unused ones stay 0

// One signal with everything but time settled.
struct SigPlan {
    int form = 0;
    int kas = 0;             // amplitude code: > 0 closes a term
    bool scale_a = false;    // group T with a negative amplitude code
    double a = 1;            // amplitude x(jas)*R
    double nu = 0;           // frequency, rotating-frame shift applied
    double w = 0;            // refcon(1)*nu
    double p0 = 0;           // phase in radians, phi/refcon(2)
    double lam = 0, h = 0, q = 0;
    std::array<double, omni_args> xomni{};
};

std::array<SigPlan, max_signals + 1> plans;  // [1..nsig] of the current call

// Work rows of one block of bins: time, decay factor, running sum and product, signal.
constexpr int block = 256;
struct BlockRows {
    std::array<double, block> t, e, s, f, g;
};
BlockRows w;

// Value of parameter number j; numbers the value table does not hold read as 0.
double xv(int j)
{
    return (j >= 1 && j <= max_parnum) ? vulmapr.x_vul(j) : 0.0;
}

// Spin-glass form with order parameter Q. At a + b = 0 (t = 0, or no width) the
// term b / sqrt(a + b) tends to 0 and the form to 1, where the formula gives 0/0.
double spin_glass(double t, double lam, double h, double qq)
{
    const double l2 = lam * lam;
    const double a = 4 * (1 - qq) * l2 * t / h;
    const double b = qq * l2 * t * t;
    const double ab = a + b;
    const double rb = (ab == 0) ? 0.0 : b / std::sqrt(ab);
    return (std::exp(-std::sqrt(a)) + 2 * (1 - rb) * std::exp(-std::sqrt(ab))) / 3;
}

// g[i] = fn(t[i]) for one block of bins.
template <class Fn>
void each(double* g, const double* t, int n, Fn fn)
{
    for (int i = 0; i < n; ++i) g[i] = fn(t[i]);
}

// Values G of one signal at the n times of a block. The plan is copied so that the
// compiler keeps its fields in registers while g is written.
void form_block(const SigPlan& plan, const double* t, double* g, int n)
{
    const SigPlan s = plan;
    switch (s.form) {
    case f_omni: {
        const std::span<const double> rates = std::span(s.xomni).subspan(1);
        each(g, t, n, [&](double u) { return omni_pol(u, s.xomni[0], rates); });
        break;
    }
    case f_abragam:  // finite at h = 0, where it is the Gaussian form
        each(g, t, n, [&](double u) {
            return kt_abragam(2 * s.lam * s.lam, s.h, u) * std::cos(s.w * u + s.p0);
        });
        break;
    case f_gauss_cos:
        each(g, t, n, [&](double u) {
            const double lt = s.lam * u;
            return std::exp(-(lt * lt)) * std::cos(s.w * u + s.p0);
        });
        break;
    case f_cos: each(g, t, n, [&](double u) { return std::cos(s.w * u + s.p0); }); break;
    case f_cmplx_re:
    case f_cmplx_im: {
        const bool re = s.form == f_cmplx_re;
        each(g, t, n, [&](double u) {
            const std::complex<float> z = g_cmplx(static_cast<float>(s.h * u));
            const double zr = z.real(), zi = z.imag();
            const double ph = s.w * u + s.p0;
            const double c = std::cos(ph), sn = std::sin(ph);
            return re ? zr * c - zi * sn : zi * c + zr * sn;
        });
        break;
    }
    case f_stretch_cos:
        each(g, t, n, [&](double u) {
            return std::exp(-std::pow(s.lam * u, s.h)) * std::cos(s.w * u + s.p0);
        });
        break;
    case f_exp_cos:
        each(g, t, n, [&](double u) { return std::exp(-(s.lam * u)) * std::cos(s.w * u + s.p0); });
        break;
    case f_j0: each(g, t, n, [&](double u) { return ::j0(s.w * u); }); break;
    case f_gzz_lf: each(g, t, n, [&](double u) { return gzz(u, s.lam, s.h, s.nu); }); break;
    case f_polzz_lf: {
        const PolzzPlan zz = polzz_plan(s.lam, s.h, s.nu);
        each(g, t, n, [&](double u) { return polzz_at(zz, u); });
        break;
    }
    case f_lfpol: {
        const LfpolPlan lf = lfpol_plan(s.lam, s.nu);
        each(g, t, n, [&](double u) { return lfpol_at(lf, u); });
        break;
    }
    case f_gzf: each(g, t, n, [&](double u) { return gzf(u, s.lam); }); break;
    case f_gen_zf: each(g, t, n, [&](double u) { return gen_zf(u, s.lam, s.h); }); break;
    case f_gzz_zf: each(g, t, n, [&](double u) { return gzz(u, s.lam, s.h, s.q); }); break;
    case f_polzz_zf: {
        const PolzzPlan zz = polzz_plan(s.lam, s.h, s.q);
        each(g, t, n, [&](double u) { return polzz_at(zz, u); });
        break;
    }
    case f_exp: each(g, t, n, [&](double u) { return std::exp(-(s.lam * u)); }); break;
    case f_stretch:
        each(g, t, n, [&](double u) { return std::exp(-std::pow(s.lam * u, s.h)); });
        break;
    case f_power: each(g, t, n, [&](double u) { return std::pow(s.lam * u, s.h); }); break;
    case f_spin_glass:
        each(g, t, n, [&](double u) { return spin_glass(u, s.lam, s.h, s.q); });
        break;
    default: each(g, t, n, [](double) { return 0.0; }); break;
    }
}

// Spectrum-level values of one call.
struct SpecPlan {
    bool rawform = false;        // firstraw > 0: muon decay, norm and background
    double n0 = 1, tau = 0, b = 0;
    double ap1 = 2, am1 = 0, abp1 = 2, abm1 = 0;  // alpha+1, alpha-1, alpha*beta+1, -1
};

SpecPlan plan_spectrum(int ifit, bool& rotating, bool& imaginary, double& r, double& phoff)
{
    SpecPlan p;
    const int type = i_fit_ctl.i_fit(ifit_type, ifit);
    const bool raw = (type == 0);
    rotating = std::abs(type) > 3;
    imaginary = type < -3;
    const double bw_ns = 1000.0 * r_fit_ctl.r_fit(rfit_tbin, ifit);
    const Vulmapi& m = vulmapi;

    p.rawform = m.firstraw > 0;
    p.tau = (m.klt0 > 0) ? xv(m.jlt0) : double(muon_lifetime);
    r = (m.jrasy > 0) ? xv(m.jrasy) : 1.0;
    phoff = (m.jrpha > 0) ? xv(m.jrpha) : 0.0;
    // A raw spectrum loads norm and background, any other alpha and beta; a spectrum
    // that meets the other form than its type keeps that form's neutral values.
    if (raw) {
        p.b = (m.jbkgd > 0) ? xv(m.jbkgd) : 0.0;
        if (m.jnorm > 0) {
            p.n0 = xv(m.jnorm) * bw_ns;
            if (m.knorm < 0 && m.firstraw > 0 && m.firstraw != m.jnorm) p.n0 *= xv(m.firstraw);
        }
    } else {
        const double alpha = (m.jnorm > 0) ? xv(m.jnorm) : 1.0;
        const double beta = (m.jbeta > 0) ? xv(m.jbeta) : 1.0;
        p.ap1 = alpha + 1;
        p.am1 = alpha - 1;
        p.abp1 = alpha * beta + 1;
        p.abm1 = alpha * beta - 1;
    }
    return p;
}

void plan_signal(SigPlan& s, int i, bool rotating, bool imaginary, double r, double phoff,
                 int ifit)
{
    const Vulmapi& m = vulmapi;
    const int kas = m.kas(i), kph = m.kph(i), kfr = m.kfr(i), krl = m.krl(i), khp = m.khp(i);
    s = SigPlan{};
    s.kas = kas;
    if (kas != 0) s.a = xv(m.jas(i)) * r;
    if (m.jfr(i) != 0) {
        s.nu = xv(m.jfr(i));
        if (rotating && kas > 0) s.nu -= r_fit_ctl.r_fit(rfit_rrf, ifit);
    }
    double phi = 0;
    if (kph != 0) {
        s.q = xv(m.jph(i));
        if (kph > 0) phi = (kas > 0) ? s.q + phoff : s.q;
    }
    if (imaginary && kas > 0 && !(krl == 0 && khp != 0)) phi -= 90;
    if (m.jrl(i) != 0) s.lam = xv(m.jrl(i));
    if (m.jhp(i) != 0) s.h = xv(m.jhp(i));
    if (krl == 0 && khp == 0)
        for (int j = 1; j <= m.n_omni(i) && j <= 5; ++j) s.xomni[j - 1] = xv(m.k_omni(j, i));
    s.form = vul_th_form(kfr, krl, khp, kph, m.n_omni(i), imaginary);
    s.scale_a = kas < 0 && vul_th_form_scaled(s.form);
    s.w = refcon.refcon(1) * s.nu;
    s.p0 = phi / refcon.refcon(2);
}

}  // namespace

int vul_th_form(int kfr, int krl, int khp, int kph, int n_omni, bool imaginary)
{
    if (krl == 0 && khp == 0 && n_omni > 0) return f_omni;
    if (kfr > 0) {
        if (krl < 0) return khp > 0 ? f_abragam : f_gauss_cos;
        if (krl == 0) {
            if (khp == 0) return f_cos;
            return imaginary ? f_cmplx_im : f_cmplx_re;
        }
        return khp > 0 ? f_stretch_cos : f_exp_cos;
    }
    if (kfr < 0) {
        if (krl == 0 && khp == 0) return f_j0;
        if (khp != 0) return kph > 0 ? f_gzz_lf : f_polzz_lf;
        return f_lfpol;
    }
    if (krl < 0) {
        if (khp == 0) return f_gzf;
        if (khp < 0) return f_gen_zf;
        return kph > 0 ? f_gzz_zf : f_polzz_zf;
    }
    if (khp == 0) return f_exp;
    if (khp > 0) return f_stretch;
    return kph == 0 ? f_power : f_spin_glass;
}

bool vul_th_form_scaled(int form)
{
    return form == f_omni || (form >= f_j0 && form <= f_polzz_zf);
}

void vul_th(int ifit, int ib1, int ib2)
{
    ib1 = std::max(ib1, 1);  // no bin before the first
    if (ib2 < ib1 || ifit < 1 || ifit > max_spectra_arrays) return;
    bool rotating = false, imaginary = false;
    double r = 1, phoff = 0;
    const SpecPlan p = plan_spectrum(ifit, rotating, imaginary, r, phoff);
    const int nsig = used_signals();
    for (int i = 1; i <= nsig; ++i) plan_signal(plans[i], i, rotating, imaginary, r, phoff, ifit);

    const double tbin = r_fit_ctl.r_fit(rfit_tbin, ifit);
    double t = double(r_fit_ctl.r_fit(rfit_t1, ifit)) + (ib1 - 2) * tbin;
    if (vulmapi.klt0 < 0) t += xv(vulmapi.jlt0);

    // Never write past bin_th, whatever the ranges handed in.
    const int off = i_fit_ctl.i_loc_0(ifit - 1);
    const int last = std::min(ib2, max_theory_points - off);
    float* th = fitdata.bin_th_data() + off - 1;  // th[ib] is bin_th(off + ib)

    // Bins go in blocks, signal by signal, so that each form runs as one tight loop; every
    // bin still sees the same operations in the same order.
    for (int ib0 = ib1; ib0 <= last; ib0 += block) {
        const int n = std::min(block, last - ib0 + 1);
        for (int i = 0; i < n; ++i) {
            t += tbin;
            w.t[i] = t;
            w.s[i] = 0;
            w.f[i] = 1;
        }
        for (int i = 0; i < n; ++i) w.e[i] = p.rawform ? std::exp(-w.t[i] / p.tau) : 1.0;
        for (int k = 1; k <= nsig; ++k) {
            const SigPlan& sg = plans[k];
            form_block(sg, w.t.data(), w.g.data(), n);
            const double a = sg.a;
            if (sg.scale_a)
                for (int i = 0; i < n; ++i) w.g[i] = a * w.g[i];
            else if (sg.kas > 0)
                for (int i = 0; i < n; ++i) w.g[i] = w.e[i] * a * w.g[i];
            if (sg.kas > 0) {
                for (int i = 0; i < n; ++i) {
                    w.s[i] += w.g[i] * w.f[i];
                    w.f[i] = 1;
                }
            } else {
                for (int i = 0; i < n; ++i) w.f[i] = w.g[i] * w.f[i];
            }
        }
        for (int i = 0; i < n; ++i) {
            double s = w.s[i];
            if (!p.rawform) s = (p.abp1 * s - p.am1) / (p.ap1 - p.abm1 * s);
            const double y = (p.rawform ? p.b + w.e[i] : 0.0) + s;
            th[ib0 + i] = static_cast<float>(p.n0 * y);
        }
    }
}
