// vul_th.cpp -- theory function: model value of every fitted bin of one spectrum.
//
// Everything that does not depend on time is settled once per call, in a plan; the bins
// then go in blocks, signal by signal, each form one tight loop that allocates and parses
// nothing. The bins of a spectrum are evenly spaced, so exponentials, the Gaussian and the
// cosine follow exact recurrences (a constant factor, a factor that itself shrinks by a
// constant factor, a rotation), re-seeded from the library at every block start so that
// rounding cannot build up; forms without a recurrence use vector math. Plans are written
// before the bins are evaluated and only read while they are, and every block works in rows
// of its own thread, so disjoint bin ranges of prepared spectra may run on several threads.
#include "vul_th.h"

#include <algorithm>
#include <array>
#include <cfloat>
#include <cmath>
#include <complex>
#include <cstring>
#include <span>
#include <vector>

#include "fit_records.h"
#include "relax.h"
#include "relax_local.h"
#include "sig_forms.h"
#include "vmath.h"
#include "vul_map.h"

namespace {

using K = SigKernel;

constexpr int omni_args = 10;  // the table lookup may read up to 9 rates; unused ones stay 0

// Bins per block, and the recurrences interleaved in one (lane j serves bins j, j + lanes,
// ...): each lane takes block / lanes steps from its seed, which bounds the rounding.
constexpr int block = 256;
constexpr int lanes = 16;
static_assert(block % lanes == 0);

#define TH_INLINE inline __attribute__((always_inline))

// Four doubles as one value: a register of the wide set, two of SSE2. The recurrences keep
// their lanes in such values, so each step is a few multiplications on registers. Every
// function that takes or returns one is inlined, so no call passes one (which the compiler
// would warn about where AVX is off).
#pragma GCC diagnostic ignored "-Wpsabi"
typedef double V4 __attribute__((vector_size(32), may_alias));
constexpr int vn = lanes / 4;  // V4 values per step of all lanes
TH_INLINE V4 ld(const double* p)
{
    V4 v;
    std::memcpy(&v, p, sizeof v);
    return v;
}
TH_INLINE void st(double* p, V4 v) { std::memcpy(p, &v, sizeof v); }
TH_INLINE V4 splat(double x) { return V4{x, x, x, x}; }

// ---- recurrences ------------------------------------------------------------------------

// A time as an unevaluated sum hi + lo, exact to far below a double's rounding.
struct DTime {
    double hi, lo;
};

// t0 + k bw, exact but for the last rounding of lo.
DTime time_at(double t0, double bw, int k)
{
    const double kd = k;
    const double p = kd * bw;
    const double pe = std::fma(kd, bw, -p);
    const double s = t0 + p;
    const double v = s - t0;
    return {s, pe + ((t0 - (s - v)) + (p - v))};
}

// exp(-r t): lane j of a block starts at x0 q^j, each lane steps by q^lanes.
struct Geo {
    double r = 0;
    double step = 1;
    std::array<double, lanes> lane{};
};

void geo_plan(Geo& g, double r, double bw)
{
    g.r = r;
    const double q = std::exp(-(r * bw));
    g.lane[0] = 1;
    for (int j = 1; j < lanes; ++j) g.lane[j] = g.lane[j - 1] * q;
    g.step = std::exp(-(r * (bw * lanes)));
}

// Lane seeds x[0..lanes) of exp(-r t) from T on, false when the block must go to the
// library instead: a seed that overflows, or that underflows while the values still grow.
TH_INLINE bool geo_seed(const Geo& g, DTime T, double* x)
{
    const double a = g.r * T.hi;
    double x0 = std::exp(-a);
    if (std::isfinite(x0)) x0 -= x0 * (std::fma(g.r, T.hi, -a) + g.r * T.lo);
    const bool ok = std::isfinite(x0) && g.step >= DBL_MIN && std::isfinite(g.step) &&
                    g.lane[lanes - 1] >= DBL_MIN && std::isfinite(g.lane[lanes - 1]) &&
                    (x0 >= DBL_MIN || g.step <= 1);
    for (int j = 0; j < lanes; ++j) x[j] = x0 * g.lane[j];
    return ok;
}

// x[i] = exp(-r t[i]) for i < nn, T being t[0] exactly.
TH_INLINE void geo_fill(const Geo& g, DTime T, const double* t, double* x, int nn)
{
    if (!geo_seed(g, T, x)) {
        for (int i = 0; i < nn; ++i) x[i] = -(g.r * t[i]);
        vm_exp(x, x, nn);
        return;
    }
    const V4 q = splat(g.step);
    V4 v[vn];
    for (int k = 0; k < vn; ++k) v[k] = ld(x + 4 * k);
    for (int i = lanes; i < nn; i += lanes)
        for (int k = 0; k < vn; ++k) {
            v[k] = v[k] * q;
            st(x + i + 4 * k, v[k]);
        }
}

// cos and sin of w t + p: lane j of a block starts rotated by j w bw, each lane turns by
// lanes w bw per step.
struct Rot {
    double w = 0, p = 0;
    double sc = 1, ss = 0;
    std::array<double, lanes> lc{}, ls{};
};

void rot_plan(Rot& r, double w, double p, double bw)
{
    r.w = w;
    r.p = p;
    const double a = w * bw;
    const double ca = std::cos(a), sa = std::sin(a);
    r.lc[0] = 1;
    r.ls[0] = 0;
    for (int j = 1; j < lanes; ++j) {
        r.lc[j] = r.lc[j - 1] * ca - r.ls[j - 1] * sa;
        r.ls[j] = r.ls[j - 1] * ca + r.lc[j - 1] * sa;
    }
    r.sc = std::cos(a * lanes);
    r.ss = std::sin(a * lanes);
}

// Lane seeds c, s[0..lanes) of cos and sin of w t + p from T on. The phase is formed
// exactly, since a phase of a thousand radians would otherwise lose 1e-13 to rounding.
TH_INLINE void rot_seed(const Rot& r, DTime T, double* c, double* s)
{
    const double ph = r.w * T.hi;
    const double x = ph + r.p;
    const double v = x - ph;
    const double lo = std::fma(r.w, T.hi, -ph) + r.w * T.lo + ((ph - (x - v)) + (r.p - v));
    const double cx = std::cos(x), sx = std::sin(x);
    const double c0 = cx - sx * lo, s0 = sx + cx * lo;
    for (int j = 0; j < lanes; ++j) {
        c[j] = c0 * r.lc[j] - s0 * r.ls[j];
        s[j] = s0 * r.lc[j] + c0 * r.ls[j];
    }
}

// One step of every lane of a rotation.
TH_INLINE void rot_step(V4* vc, V4* vs, V4 sc, V4 ss)
{
    for (int k = 0; k < vn; ++k) {
        const V4 c1 = vc[k] * sc - vs[k] * ss;
        vs[k] = vs[k] * sc + vc[k] * ss;
        vc[k] = c1;
    }
}

// c[i] (and s[i] unless s is null) = cos (sin) of w t[i] + p for i < nn.
TH_INLINE void rot_fill(const Rot& r, DTime T, double* c, double* s, int nn)
{
    double c0[lanes], s0[lanes];
    rot_seed(r, T, c0, s0);
    const V4 sc = splat(r.sc), ss = splat(r.ss);
    V4 vc[vn], vs[vn];
    for (int k = 0; k < vn; ++k) {
        vc[k] = ld(c0 + 4 * k);
        vs[k] = ld(s0 + 4 * k);
        st(c + 4 * k, vc[k]);
        if (s != nullptr) st(s + 4 * k, vs[k]);
    }
    for (int i = lanes; i < nn; i += lanes) {
        rot_step(vc, vs, sc, ss);
        for (int k = 0; k < vn; ++k) {
            st(c + i + 4 * k, vc[k]);
            if (s != nullptr) st(s + i + 4 * k, vs[k]);
        }
    }
}

// exp(-k t^2), k >= 0. With T the block's start, lane j starts at
// G0 A^j d_j (G0 = exp(-k T^2), A = exp(-2 k T bw), d_j = exp(-k j^2 bw^2)) and steps by
// R_j = AL e_j (AL = exp(-2 k T bw lanes), e_j = exp(-k (2 lanes j bw^2 + lanes^2 bw^2))),
// which itself shrinks by cc = exp(-2 k lanes^2 bw^2) per step.
struct Gau {
    double k = 0, bw = 0;
    double l = 0, c = 1;  // k = c l^2, the width l as the formula takes it
    double cc = 1;
    std::array<double, lanes> d{}, e{};
};

// exp(-c (l t)^2) with c 1 or 1/2.
void gau_plan(Gau& g, double l, double c, double bw)
{
    const double k = c == 1 ? l * l : l * l / 2;
    g.k = k;
    g.l = l;
    g.c = c;
    g.bw = bw;
    const double lbw = lanes * bw;
    double arg[2 * lanes], val[2 * lanes];
    for (int j = 0; j < lanes; ++j) {
        const double jbw = j * bw;
        arg[j] = -(k * (jbw * jbw));
        arg[lanes + j] = -(k * (2 * lbw * jbw + lbw * lbw));
    }
    vm_exp(arg, val, 2 * lanes);
    for (int j = 0; j < lanes; ++j) {
        g.d[j] = val[j];
        g.e[j] = val[lanes + j];
    }
    g.cc = std::exp(-(2 * k * (lbw * lbw)));
}

// Lane seeds x[0..lanes) of exp(-k t^2) from T on and their steps r, false when the block
// must go to the library instead: before time zero the factors grow and may overflow.
TH_INLINE bool gau_seed(const Gau& g, DTime T, double* x, double* r)
{
    const double k = g.k, bw = g.bw;
    if (!(T.hi >= 0) || !(k >= 0) || !std::isfinite(k)) return false;
    double arg[4] = {-(k * (T.hi * T.hi)), -(2 * k * T.hi * bw), -(2 * k * T.hi * (lanes * bw)), 0};
    vm_exp(arg, arg, 3);
    const double g0 = arg[0], a = arg[1], al = arg[2];
    double aj = 1;
    for (int j = 0; j < lanes; ++j) {
        x[j] = g0 * aj * g.d[j];
        r[j] = al * g.e[j];
        aj *= a;
    }
    return true;
}

// One step of every lane of the Gaussian: the value by its step, the step by cc.
TH_INLINE void gau_step(V4* vx, V4* vr, V4 cc)
{
    for (int m = 0; m < vn; ++m) {
        vx[m] = vx[m] * vr[m];
        vr[m] = vr[m] * cc;
    }
}

// x[i] = exp(-k t[i]^2) for i < nn.
TH_INLINE void gau_fill(const Gau& g, DTime T, const double* t, double* x, int nn)
{
    double r[lanes];
    if (!gau_seed(g, T, x, r)) {
        // As the formula reads: l t squared, which stays finite where l squared may not.
        for (int i = 0; i < nn; ++i) {
            const double u = g.l * t[i];
            x[i] = -(u * u) * g.c;
        }
        vm_exp(x, x, nn);
        return;
    }
    const V4 cc = splat(g.cc);
    V4 vx[vn], vr[vn];
    for (int m = 0; m < vn; ++m) {
        vx[m] = ld(x + 4 * m);
        vr[m] = ld(r + 4 * m);
    }
    for (int i = lanes; i < nn; i += lanes) {
        gau_step(vx, vr, cc);
        for (int m = 0; m < vn; ++m) st(x + i + 4 * m, vx[m]);
    }
}

// g[i] = exp(-r t[i]) cos(w t[i] + p) (gauss: exp(-k t[i]^2) cos(w t[i] + p)), both
// recurrences in one loop; c is scratch for a block that goes to the library.
template <bool gauss>
TH_INLINE void damped_cos_fill(const Geo& ge, const Gau& ga, const Rot& ro, DTime T,
                               const double* t, double* g, double* c, int nn)
{
    double x0[lanes], r0[lanes], c0[lanes], s0[lanes];
    const bool ok = gauss ? gau_seed(ga, T, x0, r0) : geo_seed(ge, T, x0);
    if (!ok) {
        if constexpr (gauss) gau_fill(ga, T, t, g, nn);
        else geo_fill(ge, T, t, g, nn);
        rot_fill(ro, T, c, nullptr, nn);
        for (int i = 0; i < nn; ++i) g[i] = g[i] * c[i];
        return;
    }
    rot_seed(ro, T, c0, s0);
    const V4 q = splat(gauss ? ga.cc : ge.step), sc = splat(ro.sc), ss = splat(ro.ss);
    V4 vx[vn], vr[vn], vc[vn], vs[vn];
    for (int k = 0; k < vn; ++k) {
        vx[k] = ld(x0 + 4 * k);
        if constexpr (gauss) vr[k] = ld(r0 + 4 * k);
        vc[k] = ld(c0 + 4 * k);
        vs[k] = ld(s0 + 4 * k);
        st(g + 4 * k, vx[k] * vc[k]);
    }
    for (int i = lanes; i < nn; i += lanes) {
        if constexpr (gauss) {
            gau_step(vx, vr, q);
        } else {
            for (int k = 0; k < vn; ++k) vx[k] = vx[k] * q;
        }
        rot_step(vc, vs, sc, ss);
        for (int k = 0; k < vn; ++k) st(g + i + 4 * k, vx[k] * vc[k]);
    }
}

// ---- plans ------------------------------------------------------------------------------

// One signal with everything but time settled, its recurrences set up for the spectrum's
// bin width.
struct SigPlan {
    SigKernel kernel = K::none;
    int kas = 0;             // amplitude code: > 0 closes a term
    bool scale_a = false;    // group T with a negative amplitude code
    double a = 1;            // amplitude x(jas)*R
    double freq = 0;         // frequency, rotating-frame shift applied
    double w = 0;            // refcon(1)*freq
    double p0 = 0;           // phase in radians, phi/refcon(2)
    double lam = 0, hop = 0, q = 0;
    std::array<double, omni_args> xomni{};
    // gzz: field frequency as an angular one, and its closed form's constants
    double omega = 0, w2 = 0, hop2 = 0, s2 = 0, pre = 0, hyp = 0;
    Geo geo;
    Rot rot;
    Gau gau;
    PolzzPlan zz;  // the tables' forms, settled for the call
    LfpolPlan lf;
};

// Spectrum-level values of one call.
struct SpecPlan {
    bool rawform = false;        // firstraw > 0: muon decay, norm and background
    double n0 = 1, tau = 0, b = 0;
    double ap1 = 2, am1 = 0, abp1 = 2, abm1 = 0;  // alpha+1, alpha-1, alpha*beta+1, -1
    double t0 = 0, bw = 0;       // bin ib sits at t0 + (ib - 1) bw
    int off = 0;                 // i_loc_0(ifit - 1)
    Geo decay;                   // exp(-t/tau)
    int nsig = 0;
    std::vector<SigPlan> sig;    // [0, nsig); grows to the largest count and stays
};

std::array<SpecPlan, max_spectra_arrays + 1> plans;  // [ifit] as last prepared

void plan_spectrum(SpecPlan& p, int ifit, bool& rotating, bool& imaginary, double& r,
                   double& phoff)
{
    const int type = i_fit_ctl.i_fit(ifit_type, ifit);
    const bool raw = (type == 0);
    rotating = std::abs(type) > 3;
    imaginary = type < -3;
    const double bw_ns = 1000.0 * r_fit_ctl.r_fit(rfit_tbin, ifit);
    const Vulmapi& m = vulmapi;

    p.rawform = m.firstraw > 0;
    p.n0 = 1;
    p.b = 0;
    p.ap1 = 2, p.am1 = 0, p.abp1 = 2, p.abm1 = 0;
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
    p.bw = r_fit_ctl.r_fit(rfit_tbin, ifit);
    p.t0 = double(r_fit_ctl.r_fit(rfit_t1, ifit));
    if (m.klt0 < 0) p.t0 += xv(m.jlt0);
    p.off = i_fit_ctl.i_loc_0(ifit - 1);
    if (p.rawform) geo_plan(p.decay, 1 / p.tau, p.bw);
}

// The recurrences a form needs, for bin width bw.
void plan_steps(SigPlan& s, double bw)
{
    switch (s.kernel) {
    case K::gzz_lf:
    case K::gzz_zf: {
        const double f = s.kernel == K::gzz_lf ? s.freq : s.q;
        s.omega = 6.2831854820251465 * f;
        s.w2 = s.omega * s.omega;
        s.hop2 = s.hop * s.hop;
        s.s2 = s.w2 + s.hop2;
        s.pre = 2 * s.lam * s.lam / (s.s2 * s.s2);
        s.hyp = std::hypot(s.hop, s.omega);
        geo_plan(s.geo, s.hop, bw);
        rot_plan(s.rot, s.omega, 0, bw);
        return;
    }
    case K::polzz_lf:
    case K::polzz_zf:
        s.zz = polzz_plan(s.lam, s.hop, s.kernel == K::polzz_lf ? s.freq : s.q);
        return;
    case K::lfpol: s.lf = lfpol_plan(s.lam, s.freq); return;
    case K::exp: geo_plan(s.geo, s.lam, bw); return;
    case K::gzf: gau_plan(s.gau, s.lam, 0.5, bw); return;
    case K::gen_zf: s.lam = std::fabs(s.lam); return;   // even in the rate, as gen_zf
    case K::exp_cos: geo_plan(s.geo, s.lam, bw); break;
    case K::gauss_cos: gau_plan(s.gau, s.lam, 1, bw); break;
    case K::abragam:
    case K::cos:
    case K::cmplx_re:
    case K::cmplx_im:
    case K::stretch_cos: break;
    default: return;
    }
    rot_plan(s.rot, s.w, s.p0, bw);  // the oscillating forms
}

void plan_signal(SigPlan& s, int i, bool rotating, bool imaginary, double r, double phoff,
                 double bw, int ifit)
{
    const Vulmapi& m = vulmapi;
    const int kas = m.kas(i), kph = m.kph(i), kfr = m.kfr(i), krl = m.krl(i), khp = m.khp(i);
    s.kas = kas;
    s.a = (kas != 0) ? xv(m.jas(i)) * r : 1.0;
    s.freq = 0;
    if (m.jfr(i) != 0) {
        s.freq = xv(m.jfr(i));
        if (rotating && kas > 0) s.freq -= r_fit_ctl.r_fit(rfit_rrf, ifit);
    }
    double phi = 0;
    s.q = 0;
    if (kph != 0) {
        s.q = xv(m.jph(i));
        if (kph > 0) phi = (kas > 0) ? s.q + phoff : s.q;
    }
    if (imaginary && kas > 0 && !(krl == 0 && khp != 0)) phi -= 90;
    s.lam = (m.jrl(i) != 0) ? xv(m.jrl(i)) : 0.0;
    s.hop = (m.jhp(i) != 0) ? xv(m.jhp(i)) : 0.0;
    s.xomni.fill(0);
    if (krl == 0 && khp == 0)
        for (int j = 1; j <= m.n_omni(i) && j <= 5; ++j) s.xomni[j - 1] = xv(m.k_omni(j, i));
    const SigForm& f = sig_form({kph, kfr, krl, khp, m.n_omni(i), imaginary});
    s.kernel = f.kernel;
    s.scale_a = kas < 0 && f.scaled;
    s.w = refcon.refcon(1) * s.freq;
    s.p0 = phi / refcon.refcon(2);
    plan_steps(s, bw);
}

// ---- one block --------------------------------------------------------------------------

// Work rows of one block, on the stack of the thread that evaluates it. The rows are
// padded so that no two start a multiple of 4096 bytes apart, where the processor would
// take a load from one for a store to the other.
constexpr int row = block + 16;
struct Rows {
    alignas(64) double t[row];              // times
    alignas(64) double e[row];              // decay factor
    alignas(64) double s[row];              // running sum
    alignas(64) double f[row];              // running product of factors
    alignas(64) double g[row];              // the signal
    alignas(64) double u[row], v[row];      // scratch
    alignas(64) double c[row], sn[row];     // cosine and sine
};

// The bins of a block: n of them from bin index kb (bin kb + 1), nn = n rounded up to
// whole lanes; T is the exact time of the first.
struct Blk {
    int kb, n, nn;
    DTime T;
};

// S = S + E A G F for a term (E only in the raw form, F only when a factor waits; a first
// term adds to 0, so -0 becomes +0); one loop per case.
template <bool raw, bool one>
TH_INLINE void add_term(double* sum, bool first, const double* e, double a, const double* g,
                        const double* f, int nn)
{
    const double s0 = 0;
    for (int i = 0; i < nn; ++i) {
        double v = a;
        if constexpr (raw) v = e[i] * a;
        v = v * g[i];
        if constexpr (!one) v = v * f[i];
        sum[i] = (first ? s0 : sum[i]) + v;
    }
}

// F = G F for a factor (times A in group T; F reads as 1 when no factor waits).
template <bool scaled, bool one>
TH_INLINE void mul_factor(double* f, double a, const double* g, int nn)
{
    for (int i = 0; i < nn; ++i) {
        double v = g[i];
        if constexpr (scaled) v = a * v;
        if constexpr (!one) v = v * f[i];
        f[i] = v;
    }
}

// g[i] = fn(t[i]) for the block's real bins; the padding reads as 0.
template <class Fn>
TH_INLINE void each(double* g, const double* t, const Blk& b, Fn fn)
{
    for (int i = 0; i < b.n; ++i) g[i] = fn(t[i]);
    for (int i = b.n; i < b.nn; ++i) g[i] = 0;
}

// x[i] = (l t[i])^p for i < nn.
TH_INLINE void pow_fill(double l, double p, const double* t, double* x, int nn)
{
    for (int i = 0; i < nn; ++i) x[i] = l * t[i];
    vm_pow(x, p, x, nn);
}

// The dynamic Kubo-Toyabe closed form of gzz at every bin: exp(-hop t) and the rotation
// by the recurrences, then one vector exp. Near t = 0 (|hop - i w| t below 1) the bracket
// cancels to a small part of its terms and would magnify the recurrences' last bits; those
// bins, the series among them, are gzz's own.
TH_INLINE void gzz_block(const SigPlan& s, const Blk& b, Rows& w, double* g)
{
    const int nn = b.nn;
    geo_fill(s.geo, b.T, w.t, w.u, nn);
    rot_fill(s.rot, b.T, w.c, w.sn, nn);
    const double hop = s.hop, omega = s.omega, s2 = s.s2, dw = s.w2 - s.hop2, pre = s.pre;
    for (int i = 0; i < nn; ++i)
        g[i] = -(pre * relax_detail::gzz_bracket(s2, dw, hop, omega, w.t[i], w.u[i], w.c[i], w.sn[i]));
    vm_exp(g, g, nn);
    const double f = s.kernel == K::gzz_lf ? s.freq : s.q;
    for (int i = 0; i < b.n; ++i)
        if (s.hyp * std::fabs(w.t[i]) < 1) g[i] = gzz(w.t[i], s.lam, s.hop, f);
}

// Values G of one signal at the block's bins into g (the padding included).
TH_INLINE void form_block(const SigPlan& s, const Blk& b, Rows& w, double* g)
{
    const int nn = b.nn;
    const double* t = w.t;
    switch (s.kernel) {
    case K::omni: {
        const std::span<const double> rates = std::span(s.xomni).subspan(1);
        each(g, t, b, [&](double u) { return omni_pol(u, s.xomni[0], rates); });
        return;
    }
    case K::abragam: {  // finite at hop = 0, where it is the Gaussian form
        const double sigma2 = 2 * s.lam * s.lam;
        for (int i = 0; i < nn; ++i) w.u[i] = -(s.hop * t[i]);
        vm_exp(w.u, w.v, nn);
        for (int i = 0; i < nn; ++i) {
            const double d = -w.u[i];
            w.v[i] = (w.v[i] - 1 + d) / (d * d);
        }
        for (int i = 0; i < b.n; ++i)
            if (std::fabs(w.u[i]) < 0.1) w.v[i] = relax_detail::abragam_phi(-w.u[i]);
        for (int i = 0; i < nn; ++i) g[i] = -sigma2 * t[i] * t[i] * w.v[i];
        vm_exp(g, g, nn);
        break;
    }
    case K::gauss_cos: damped_cos_fill<true>(s.geo, s.gau, s.rot, b.T, t, g, w.c, nn); return;
    case K::cos: rot_fill(s.rot, b.T, g, nullptr, nn); return;
    case K::cmplx_re:
    case K::cmplx_im: {
        for (int i = 0; i < b.n; ++i) {
            const std::complex<float> z = g_cmplx(static_cast<float>(s.hop * t[i]));
            w.u[i] = z.real();
            w.v[i] = z.imag();
        }
        for (int i = b.n; i < nn; ++i) w.u[i] = w.v[i] = 0;
        rot_fill(s.rot, b.T, w.c, w.sn, nn);
        if (s.kernel == K::cmplx_re)
            for (int i = 0; i < nn; ++i) g[i] = w.u[i] * w.c[i] - w.v[i] * w.sn[i];
        else
            for (int i = 0; i < nn; ++i) g[i] = w.v[i] * w.c[i] + w.u[i] * w.sn[i];
        return;
    }
    case K::stretch_cos:
    case K::stretch:
        pow_fill(s.lam, s.hop, t, g, nn);
        for (int i = 0; i < nn; ++i) g[i] = -g[i];
        vm_exp(g, g, nn);
        if (s.kernel == K::stretch) return;
        break;
    case K::exp_cos: damped_cos_fill<false>(s.geo, s.gau, s.rot, b.T, t, g, w.c, nn); return;
    case K::j0: each(g, t, b, [&](double u) { return ::j0(s.w * u); }); return;
    case K::gzz_lf:
    case K::gzz_zf: gzz_block(s, b, w, g); return;
    case K::polzz_lf:
    case K::polzz_zf: each(g, t, b, [&](double u) { return polzz_at(s.zz, u); }); return;
    case K::lfpol: each(g, t, b, [&](double u) { return lfpol_at(s.lf, u); }); return;
    case K::gzf:
        gau_fill(s.gau, b.T, t, g, nn);
        for (int i = 0; i < nn; ++i) {
            const double x = s.lam * t[i];
            g[i] = relax_detail::kt_static(x * x, g[i]);
        }
        return;
    case K::gen_zf:
        pow_fill(s.lam, s.hop, t, w.u, nn);
        for (int i = 0; i < nn; ++i) g[i] = -w.u[i] / s.hop;
        vm_exp(g, g, nn);
        for (int i = 0; i < nn; ++i) g[i] = relax_detail::kt_static(w.u[i], g[i]);
        return;
    case K::exp: geo_fill(s.geo, b.T, t, g, nn); return;
    case K::power: pow_fill(s.lam, s.hop, t, g, nn); return;
    case K::spin_glass: {
        // At a + b = 0 (t = 0, or no width) b / sqrt(a + b) tends to 0 and the form to 1,
        // where the formula gives 0/0.
        const double l2 = s.lam * s.lam, qq = s.q;
        for (int i = 0; i < nn; ++i) {
            const double a = 4 * (1 - qq) * l2 * t[i] / s.hop;
            const double bb = qq * l2 * t[i] * t[i];
            const double ab = a + bb;
            const double rab = std::sqrt(ab);
            w.c[i] = (ab == 0) ? 0.0 : bb / rab;
            w.u[i] = -std::sqrt(a);
            w.v[i] = -rab;
        }
        vm_exp(w.u, w.u, nn);
        vm_exp(w.v, w.v, nn);
        for (int i = 0; i < nn; ++i) g[i] = (w.u[i] + 2 * (1 - w.c[i]) * w.v[i]) / 3;
        return;
    }
    default:
        for (int i = 0; i < nn; ++i) g[i] = 0;
        return;
    }
    // The other oscillating forms: envelope times cos(w t + phi).
    rot_fill(s.rot, b.T, w.c, nullptr, nn);
    for (int i = 0; i < nn; ++i) g[i] = g[i] * w.c[i];
}

// Where the values of a block go: single precision into bin_th (then `after` may look at
// them), or double precision into y for whoever asked.
struct Out {
    float* th = nullptr;  // th[ib] is bin ib's place
    double* y = nullptr;  // y[ib - first] is bin ib's value
    int first = 0;
    VulThAfter after = nullptr;
    void* ctx = nullptr;
};

// Bins ib1..ib2 of a prepared spectrum, block by block. Every bin sees the same
// operations in the same order whichever range it was asked in.
TH_INLINE void run_blocks(const SpecPlan& p, int ib1, int ib2, const Out& out)
{
    Rows w;
    // Blocks lie at whole multiples of `block` bins from bin 1, and a block always starts
    // from its first bin, so a bin's value does not depend on the range it was asked in.
    for (int ib0 = ib1; ib0 <= ib2;) {
        const int skip = (ib0 - 1) % block;  // bins of the block before the range
        const int kb = ib0 - 1 - skip;
        const int n = std::min(block - skip, ib2 - ib0 + 1);
        const Blk b{kb, skip + n, (skip + n + lanes - 1) / lanes * lanes, time_at(p.t0, p.bw, kb)};
        const int nn = b.nn;
        for (int i = 0; i < nn; ++i) w.t[i] = p.t0 + double(kb + i) * p.bw;
        if (p.rawform) geo_fill(p.decay, b.T, w.t, w.e, nn);
        bool s_zero = true;  // no term yet: the sum reads as 0 everywhere
        bool f_one = true;   // no factor waiting: f reads as 1 everywhere
        for (int k = 0; k < p.nsig; ++k) {
            const SigPlan& sg = p.sig[k];
            double* g = w.g;
            form_block(sg, b, w, g);
            const double a = sg.a;
            if (sg.kas > 0) {  // closes a term: S = S + E A G F
                if (p.rawform && f_one) add_term<true, true>(w.s, s_zero, w.e, a, g, w.f, nn);
                else if (p.rawform) add_term<true, false>(w.s, s_zero, w.e, a, g, w.f, nn);
                else if (f_one) add_term<false, true>(w.s, s_zero, w.e, a, g, w.f, nn);
                else add_term<false, false>(w.s, s_zero, w.e, a, g, w.f, nn);
                s_zero = false;
                f_one = true;
            } else {  // a factor of the next term, scaled by A in group T
                if (sg.scale_a && f_one) mul_factor<true, true>(w.f, a, g, nn);
                else if (sg.scale_a) mul_factor<true, false>(w.f, a, g, nn);
                else if (f_one) mul_factor<false, true>(w.f, a, g, nn);
                else mul_factor<false, false>(w.f, a, g, nn);
                f_one = false;
            }
        }
        if (s_zero) std::fill_n(w.s, nn, 0.0);
        // The spectrum's form, N0 Y, for the bins asked for.
        const double* e = w.e + skip;
        const double* sum = w.s + skip;
        double* y = out.y != nullptr ? out.y + (ib0 - out.first) : w.u;
        if (p.rawform)
            for (int i = 0; i < n; ++i) y[i] = p.n0 * ((p.b + e[i]) + sum[i]);
        else
            for (int i = 0; i < n; ++i)
                y[i] = p.n0 * (0.0 + (p.abp1 * sum[i] - p.am1) / (p.ap1 - p.abm1 * sum[i]));
        if (out.y == nullptr) {
            float* th = out.th + ib0;
            for (int i = 0; i < n; ++i) th[i] = static_cast<float>(y[i]);
            if (out.after != nullptr) out.after(out.ctx, ib0, n);
        }
        ib0 += n;
    }
}

VM_WIDE_TARGET void run_blocks_wide(const SpecPlan& p, int ib1, int ib2, const Out& out)
{
    run_blocks(p, ib1, ib2, out);
}

void run_blocks_base(const SpecPlan& p, int ib1, int ib2, const Out& out)
{
    run_blocks(p, ib1, ib2, out);
}

void run(const SpecPlan& p, int ib1, int ib2, const Out& out)
{
    if (vm_wide()) run_blocks_wide(p, ib1, ib2, out);
    else run_blocks_base(p, ib1, ib2, out);
}

}  // namespace

int vul_th_form(int kfr, int krl, int khp, int kph, int n_omni, bool imaginary)
{
    return static_cast<int>(sig_form({kph, kfr, krl, khp, n_omni, imaginary}).kernel);
}

bool vul_th_form_scaled(int form)
{
    return sig_kernel_scaled(static_cast<SigKernel>(form));
}

void vul_th_prepare(int ifit)
{
    if (ifit < 1 || ifit > max_spectra_arrays) return;
    SpecPlan& p = plans[ifit];
    bool rotating = false, imaginary = false;
    double r = 1, phoff = 0;
    plan_spectrum(p, ifit, rotating, imaginary, r, phoff);
    p.nsig = used_signals();
    if (int(p.sig.size()) < p.nsig) p.sig.resize(p.nsig);
    for (int i = 1; i <= p.nsig; ++i)
        plan_signal(p.sig[i - 1], i, rotating, imaginary, r, phoff, p.bw, ifit);
}

void vul_th_range(int ifit, int ib1, int ib2, VulThAfter after, void* ctx)
{
    ib1 = std::max(ib1, 1);  // no bin before the first
    if (ib2 < ib1 || ifit < 1 || ifit > max_spectra_arrays) return;
    const SpecPlan& p = plans[ifit];
    // Never write past bin_th, whatever the ranges handed in.
    const int last = std::min(ib2, max_theory_points - p.off);
    if (last < ib1) return;
    Out out;
    out.th = fitdata.bin_th_data() + p.off - 1;  // th[ib] is bin_th(off + ib)
    out.after = after;
    out.ctx = ctx;
    run(p, ib1, last, out);
}

void vul_th_values(int ifit, int ib1, int n, double* y)
{
    if (ib1 < 1 || n < 1 || ifit < 1 || ifit > max_spectra_arrays) return;
    Out out;
    out.y = y;
    out.first = ib1;
    run(plans[ifit], ib1, ib1 + n - 1, out);
}

void vul_th(int ifit, int ib1, int ib2)
{
    if (ib2 < std::max(ib1, 1) || ifit < 1 || ifit > max_spectra_arrays) return;
    vul_th_prepare(ifit);
    vul_th_range(ifit, ib1, ib2, nullptr, nullptr);
}
