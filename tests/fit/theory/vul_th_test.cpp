// vul_th_test.cpp -- theory function: the form table by slot signs, terms and products,
// raw and asymmetry forms, complex and rotating-frame spectra, time axis, limits.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <numbers>
#include <vector>

#include "fit_fixture.h"
#include "relax.h"
#include "vmath.h"
#include "vul_map.h"
#include "vul_th.h"

namespace {

// Elements 1, 2, ... of a 1-based record array.
template <class A>
void set1(A& a, std::initializer_list<float> v)
{
    int i = 1;
    for (float f : v) a(i++) = f;
}

// A complex table of three points dx apart.
void load_cmplx_table(float dx)
{
    g_cmplx_tbl.n = 3;
    g_cmplx_tbl.dx = dx;
    g_cmplx_tbl.xmax = 2 * dx;
    set1(g_cmplx_tbl.pol_r, {1.0f, 0.5f, 0.25f});
    set1(g_cmplx_tbl.pol_i, {0.0f, 0.25f, 0.5f});
    tbl_loaded.cmplx = true;
}

// ---- form table: the first matching row wins --------------------------------------

struct FormCase {
    int kfr, krl, khp, kph, n_omni;
    bool imag;
    int row;
};
constexpr FormCase form_cases[] = {
    {1, 0, 0, 0, 1, false, 1},   {-1, 0, 0, 5, 2, false, 1}, {0, 0, 0, 0, 3, false, 1},  // OMNI first
    {1, 0, 0, 0, 0, false, 4},   {1, -1, 0, 0, 2, false, 3},  // table slots need krl = khp = 0
    {1, -1, 1, 0, 0, false, 2},  {1, -1, 0, 0, 0, false, 3},  {1, -1, -1, 7, 0, false, 3},
    {1, 0, 1, 0, 0, false, 5},   {1, 0, -1, 0, 0, false, 5},  {1, 0, 1, 0, 0, true, 6},
    {1, 0, -1, 0, 0, true, 6},   {1, 0, 0, 0, 0, true, 4},    {1, 1, 1, 0, 0, false, 7},
    {1, 1, 0, 0, 0, false, 8},   {1, 1, -1, 0, 0, false, 8},  {-1, 0, 0, 0, 0, false, 9},
    {-1, 0, 0, -3, 0, false, 9}, {-1, 1, 1, 1, 0, false, 10}, {-1, 0, -1, 1, 0, false, 10},
    {-1, -1, 1, 0, 0, false, 11}, {-1, -1, 1, -1, 0, false, 11}, {-1, -1, 0, 1, 0, false, 12},
    {-1, 1, 0, 0, 0, false, 12}, {0, -1, 0, 0, 0, false, 13},  {0, -1, 0, 4, 0, false, 13},
    {0, -1, -1, 0, 0, false, 14}, {0, -1, -1, 2, 0, false, 14}, {0, -1, 1, 1, 0, false, 15},
    {0, -1, 1, 0, 0, false, 16}, {0, -1, 1, -1, 0, false, 16}, {0, 0, 0, 0, 0, false, 17},
    {0, 1, 0, 0, 0, false, 17},  {0, 1, 0, -2, 0, true, 17},  {0, 1, 1, 0, 0, false, 18},
    {0, 0, 1, 0, 0, false, 18},  {0, 1, -1, 0, 0, false, 19}, {0, 0, -1, 0, 0, false, 19},
    {0, 1, -1, 1, 0, false, 20}, {0, 0, -1, -1, 0, false, 20},
};

TEST(VulThForm, RowsBySlotSigns)
{
    for (const FormCase& c : form_cases)
        EXPECT_EQ(vul_th_form(c.kfr, c.krl, c.khp, c.kph, c.n_omni, c.imag), c.row)
            << "kfr " << c.kfr << " krl " << c.krl << " khp " << c.khp << " kph " << c.kph
            << " n_omni " << c.n_omni << (c.imag ? " imaginary" : "");
    for (int row = 1; row <= 20; ++row)
        EXPECT_EQ(vul_th_form_scaled(row), row == 1 || (row >= 9 && row <= 16)) << row;
}

// ---- values of one closing signal ------------------------------------------------------

// Parameters of the value cases: 1 phase (deg), 2 amplitude, 3 frequency, 4 relaxation,
// 5 hop or power, 6..7 table slots.
constexpr double ph = 30, fr = 1.3, lam = 0.7, hop = 1.9;

// Parameters 1 to 6 of the value cases: phase, amplitude 1, frequency, relaxation, hop,
// and a phase-slot value q for the forms that read one.
void signal_pars(Pars& x, double phase_deg, double freq, double relax, double hop_rate, double q)
{
    const double v[] = {phase_deg, 1.0, freq, relax, hop_rate, q};
    for (int p = 1; p <= 6; ++p) add_par(x, p, v[p - 1]);
}

class VulThValues : public ::testing::Test {
protected:
    Pars x{};
    void SetUp() override
    {
        clear_fit();
        signal_pars(x, ph, fr, lam, hop, 0.8);
        add_par(x, 7, 1.6);
        add_spectrum(2, 8, 0.05f, 0.1f, {});  // alpha = beta = 1: theory = the signal
    }
    // Theory of bin k after mapping; also records the bin's time.
    float theory(int k)
    {
        vul_premap(x.data());
        vul_map(1, x.data());
        vul_th(1, 1, 8);
        return fitdata.bin_th(packed(1, k));
    }
    static double t_of(int k) { return double(0.05f) + (k - 1) * double(0.1f); }
};

double phase(double t, double nu, double phi)
{
    return 2 * std::numbers::pi * nu * t + phi * std::numbers::pi / 180;
}

struct ValueCase {
    const char* name;
    Slots slots;
    std::function<double(double)> g;
    std::vector<int> even{};   // parameters whose sign the form ignores (widths, fields)
};

TEST_F(VulThValues, EachFormAtItsSlots)
{
    auto cmplx = [](double t) { return g_cmplx(float(hop * t)); };
    load_cmplx_table(2);
    // OMNI table of two axes: rate * t on {0, 1}, ratio on {0, 4}; axis 1 runs fastest.
    omni_tbl_size.ndim = 2;
    omni_tbl_size.nbins_tbl(1) = 2;
    omni_tbl_size.nbins_tbl(2) = 2;
    omni_tbl_locx.ntot = 4;
    omni_tbl_locx.loc_x0_tbl(1) = 0;
    omni_tbl_locx.loc_x0_tbl(2) = 2;
    set1(omni_tbl_bins.x_tbl, {0, 1, 0, 4});
    set1(omni_tbl_data.y_tbl, {1.0f, 0.5f, 0.8f, 0.2f});
    tbl_loaded.omni = true;
    const std::array<double, 1> rate = {1.6};
    const ValueCase cases[] = {
        {"abragam", {1, 2, 3, -4, 5},
         [](double t) {
             return std::exp(-(2 * lam * lam / (hop * hop)) * (std::exp(-hop * t) - 1 + hop * t)) *
                    std::cos(phase(t, fr, ph));
         }},
        {"gauss cos", {1, 2, 3, -4, 0},
         [](double t) { return std::exp(-(lam * t) * (lam * t)) * std::cos(phase(t, fr, ph)); }},
        {"gauss cos, variant hop", {1, 2, 3, -4, -5},
         [](double t) { return std::exp(-(lam * t) * (lam * t)) * std::cos(phase(t, fr, ph)); }},
        {"cos", {1, 2, 3, 0, 0}, [](double t) { return std::cos(phase(t, fr, ph)); }},
        {"complex real", {1, 2, 3, 0, 5},
         [&](double t) {
             const auto z = cmplx(t);
             return z.real() * std::cos(phase(t, fr, ph)) - z.imag() * std::sin(phase(t, fr, ph));
         }},
        {"stretched cos", {1, 2, 3, 4, 5},
         [](double t) { return std::exp(-std::pow(lam * t, hop)) * std::cos(phase(t, fr, ph)); }},
        {"exp cos", {1, 2, 3, 4, 0},
         [](double t) { return std::exp(-lam * t) * std::cos(phase(t, fr, ph)); }},
        {"bessel", {0, 2, -3, 0, 0}, [](double t) { return ::j0(2 * std::numbers::pi * fr * t); }},
        {"gzz lf", {1, 2, -3, -4, 5}, [](double t) { return gzz(t, lam, hop, fr); }},
        {"polzz lf", {0, 2, -3, -4, 5},
         [](double t) {
             double g, a, b, c;
             polzz(t, lam, hop, fr, g, a, b, c);
             return g;
         },
         {3, 4}},
        {"lfpol", {0, 2, -3, -4, 0},
         [](double t) {
             double g, a, b;
             lfpol(t, lam, fr, g, a, b);
             return g;
         },
         {3, 4}},
        {"gzf", {0, 2, 0, -4, 0}, [](double t) { return gzf(t, lam); }, {4}},
        {"gen_zf", {0, 2, 0, -4, -5}, [](double t) { return gen_zf(t, lam, hop); }, {4}},
        {"gzz zf, q from the phase slot", {6, 2, 0, -4, 5},
         [](double t) { return gzz(t, lam, hop, 0.8); }},
        {"polzz zf", {-6, 2, 0, -4, 5},
         [](double t) {
             double g, a, b, c;
             polzz(t, lam, hop, 0.8, g, a, b, c);
             return g;
         },
         {4, 6}},
        {"exp", {0, 2, 0, 4, 0}, [](double t) { return std::exp(-lam * t); }},
        {"stretched", {0, 2, 0, 4, 5}, [](double t) { return std::exp(-std::pow(lam * t, hop)); }},
        {"power", {0, 2, 0, 4, -5}, [](double t) { return std::pow(lam * t, hop); }},
        {"spin glass", {6, 2, 0, 4, -5},
         [](double t) {
             const double q = 0.8, a = 4 * (1 - q) * lam * lam * t / hop, b = q * lam * lam * t * t;
             return (std::exp(-std::sqrt(a)) +
                     2 * (1 - b / std::sqrt(a + b)) * std::exp(-std::sqrt(a + b))) / 3;
         }},
        {"omni", {0, 2, 0, 0, 0, 6, 0, 7},
         [&](double t) { return omni_pol(t, 0.8, rate); }, {6}},
    };
    for (const ValueCase& c : cases) {
        fitpar.nsig = 0;
        add_signal(c.slots);
        for (int k = 1; k <= 8; ++k) {
            const double want = c.g(t_of(k));
            EXPECT_NEAR(theory(k), want, 2e-7 * std::max(1.0, std::fabs(want))) << c.name << " bin " << k;
        }
        for (int p : c.even) {
            float plus[9];
            for (int k = 1; k <= 8; ++k) plus[k] = theory(k);
            x[std::size_t(p)] = -x[std::size_t(p)];
            for (int k = 1; k <= 8; ++k) EXPECT_EQ(theory(k), plus[k]) << c.name << " -x(" << p << ") bin " << k;
            x[std::size_t(p)] = -x[std::size_t(p)];
        }
    }
}

// Removable singularities give their limits: the spin glass at t = 0 is 1, and the
// Abragam form at hop rate 0 is the Gaussian one.
TEST_F(VulThValues, LimitsAtZero)
{
    r_fit_ctl.r_fit(rfit_t1, 1) = 0;
    add_signal({6, 2, 0, 4, -5});
    EXPECT_EQ(theory(1), 1.0f);
    EXPECT_TRUE(std::isfinite(theory(2)));

    fitpar.nsig = 0;
    add_signal({1, 2, 3, -4, 5});
    x[5] = 0;
    for (int k = 1; k <= 8; ++k) {
        const double t = (k - 1) * double(0.1f);
        const double want = std::exp(-(lam * t) * (lam * t)) * std::cos(phase(t, fr, ph));
        EXPECT_NEAR(theory(k), want, 2e-7) << k;
    }
}

// ---- terms, products and the spectrum forms ------------------------------------------

class VulThSpectra : public ::testing::Test {
protected:
    Pars x{};
    void SetUp() override { clear_fit(); }
    void run(int j, int ib1, int ib2)
    {
        vul_premap(x.data());
        vul_map(j, x.data());
        vul_th(j, ib1, ib2);
    }
    float th(int j, int k) { return fitdata.bin_th(packed(j, k)); }
};

constexpr float t1 = 0.1f, tb = 0.02f;
double tk(int k) { return double(t1) + (k - 1) * double(tb); }
const double tau = double(2.19714f);

// No signals: N0 (B + e^-t/tau), N0 = norm * bin width in ns; a closing signal adds
// e^-t/tau A G; a relative norm multiplies by the first raw spectrum's norm.
TEST_F(VulThSpectra, RawForm)
{
    add_par(x, 1, 3.0);    // norm per ns
    add_par(x, 2, 0.5);    // background
    add_par(x, 3, 0.25);   // amplitude
    add_par(x, 4, 0.9);    // relative norm of spectrum 2
    add_spectrum(0, 4, t1, tb, {1, 2});
    add_spectrum(0, 4, t1, tb, {-4, 2});
    run(1, 1, 4);
    const double n0 = 3.0 * (1000.0 * double(tb));
    for (int k = 1; k <= 4; ++k)
        EXPECT_FLOAT_EQ(th(1, k), float(n0 * (0.5 + std::exp(-tk(k) / tau)))) << k;

    add_signal({0, 3, 0, 0, 0});  // exp(-0 t) = 1: G = 1
    run(1, 1, 4);
    for (int k = 1; k <= 4; ++k)
        EXPECT_FLOAT_EQ(th(1, k), float(n0 * (0.5 + std::exp(-tk(k) / tau) * 1.25))) << k;
    run(2, 1, 4);
    for (int k = 1; k <= 4; ++k)
        EXPECT_FLOAT_EQ(th(2, k), float(n0 * 0.9 * (0.5 + std::exp(-tk(k) / tau) * 1.25))) << k;
}

// S' = ((ab+1) S - (a-1)) / ((a+1) - (ab-1) S); the identity at alpha = beta = 1.
TEST_F(VulThSpectra, AsymmetryCorrection)
{
    add_par(x, 1, 0.2);  // amplitude
    add_par(x, 2, 1.2);  // alpha
    add_par(x, 3, 0.9);  // beta
    add_signal({0, 1, 0, 0, 0});
    add_spectrum(2, 2, t1, tb, {2, 3});
    add_spectrum(3, 2, t1, tb, {2, 0});
    add_spectrum(2, 2, t1, tb, {0, 0});
    const double s = 0.2, a = 1.2, b = 0.9;
    run(1, 1, 2);
    EXPECT_FLOAT_EQ(th(1, 1), float(((a * b + 1) * s - (a - 1)) / ((a + 1) - (a * b - 1) * s)));
    run(2, 1, 2);
    EXPECT_FLOAT_EQ(th(2, 2), float(((a + 1) * s - (a - 1)) / ((a + 1) - (a - 1) * s)));
    run(3, 1, 2);
    EXPECT_FLOAT_EQ(th(3, 1), 0.2f);
}

// Factors (amplitude code 0 or negative) multiply into the next closing signal; group T
// factors are scaled by their amplitude, the others not; trailing factors add nothing.
TEST_F(VulThSpectra, TermsAndProducts)
{
    add_par(x, 1, 0.5);  // amplitude of the factor
    add_par(x, 2, 0.2);  // amplitude of the closing signal
    add_par(x, 3, 0.7);  // rate
    add_par(x, 4, 0.3);  // amplitude of a second term
    add_spectrum(2, 3, t1, tb, {});
    add_signal({0, -1, 0, -3, 0});  // gzf factor, scaled by 0.5
    add_signal({0, 2, 0, 0, 0});    // closes: 0.2
    add_signal({0, -1, 0, 3, 0});   // exp factor, not scaled
    add_signal({0, 4, 0, 0, 0});    // closes: 0.3
    add_signal({0, 0, 0, 3, 0});    // trailing factor: nothing
    run(1, 1, 3);
    for (int k = 1; k <= 3; ++k) {
        const double t = tk(k);
        EXPECT_FLOAT_EQ(th(1, k), float(0.2 * 0.5 * gzf(t, 0.7) + 0.3 * std::exp(-0.7 * t))) << k;
    }
}

// The imaginary pass lowers a closing signal's phase by 90 degrees (cos -> sin), but not
// that of a complex-table signal, which takes the imaginary part instead; the rotating
// frame shifts closing signals only; the phase offset and RAsy apply to closing signals.
TEST_F(VulThSpectra, ComplexAndRotatingFrame)
{
    add_par(x, 1, 20.0);  // phase
    add_par(x, 2, 0.25);  // amplitude
    add_par(x, 3, 5.0);   // frequency
    add_par(x, 4, 10.0);  // phase offset
    add_par(x, 5, 0.8);   // asymmetry scale
    add_par(x, 6, 0.3);   // factor's frequency
    add_spectrum(4, 3, t1, tb, {0, 0, 4, 5});
    add_spectrum(-4, 3, t1, tb, {0, 0, 4, 5});
    r_fit_ctl.r_fit(rfit_rrf, 1) = 4.5f;
    r_fit_ctl.r_fit(rfit_rrf, 2) = 4.5f;
    add_signal({0, 0, 6, 0, 0});  // factor cos(2 pi 0.3 t), unshifted
    add_signal({1, 2, 3, 0, 0});  // closing cosine
    const double nu = 5.0 - double(4.5f);
    for (int j = 1; j <= 2; ++j) {
        run(j, 1, 3);
        for (int k = 1; k <= 3; ++k) {
            const double t = tk(k);
            const double p = phase(t, nu, 30);
            const double g = (j == 1 ? std::cos(p) : std::sin(p)) * std::cos(phase(t, 0.3, 0));
            EXPECT_NEAR(th(j, k), 0.25 * 0.8 * g, 1e-7) << j << " " << k;
        }
    }

    load_cmplx_table(1);
    add_par(x, 7, 2.0);  // table rate
    fitpar.nsig = 0;
    add_signal({1, 2, 3, 0, 7});
    run(2, 1, 3);
    for (int k = 1; k <= 3; ++k) {
        const double t = tk(k), p = phase(t, nu, 30);
        const auto z = g_cmplx(float(2.0 * t));
        EXPECT_NEAR(th(2, k), 0.25 * 0.8 * (z.imag() * std::cos(p) + z.real() * std::sin(p)), 1e-7);
    }
}

// Slot 5: a negative code shifts time zero, a positive one sets the lifetime; the time
// of bin ib is t1 + (ib - 1) tbin; ib2 < ib1 writes nothing.
TEST_F(VulThSpectra, TimeAxisAndLifetime)
{
    add_par(x, 1, 3.0);
    add_par(x, 2, 0.05);  // time shift
    add_par(x, 3, 2.5);   // lifetime
    add_spectrum(0, 6, t1, tb, {1, 0, 0, 0, -2});
    add_spectrum(0, 6, t1, tb, {1, 0, 0, 0, 3});
    const double n0 = 3.0 * 1000.0 * double(tb);
    run(1, 3, 5);
    for (int k = 3; k <= 5; ++k)
        EXPECT_FLOAT_EQ(th(1, k), float(n0 * std::exp(-(tk(k) + 0.05) / tau))) << k;
    run(2, 2, 2);
    EXPECT_FLOAT_EQ(th(2, 2), float(n0 * std::exp(-tk(2) / 2.5)));

    fitdata.bin_th(packed(2, 4)) = -7;
    run(2, 4, 3);
    EXPECT_EQ(th(2, 4), -7.0f);
}

}  // namespace

namespace {

// Numbers the value table does not hold (above 300) read as 0, and no range handed in
// writes outside bin_th.
TEST(VulThBounds, OutOfTableNumbersAndRanges)
{
    clear_fit();
    Pars x{};
    add_par(x, 1, 0.5);
    add_signal({0, 301, 0, 0, 0});
    add_signal({0, 1, 0, 0, 0});
    add_spectrum(2, 4, 0, 1, {-350});
    vul_premap(x.data());
    vul_map(1, x.data());
    vul_th(1, -3, 2);
    // S = 0 + 0.5 and alpha = 0: (0.5 + 1) / (1 + 0.5)
    EXPECT_EQ(fitdata.bin_th(packed(1, 1)), 1.0f);
    EXPECT_EQ(fitdata.bin_th(packed(1, 2)), 1.0f);
    vul_th(1, max_theory_points - 1, max_theory_points + 1000);
    EXPECT_EQ(fitdata.bin_th(max_theory_points), 1.0f);
}

}  // namespace

namespace {

// Long ranges run in blocks; every bin across the block edges keeps its own time.
TEST(VulThBlocks, BinsAcrossBlockEdges)
{
    clear_fit();
    Pars x{};
    add_par(x, 1, 0.3);   // amplitude
    add_par(x, 2, 0.9);   // rate
    add_par(x, 3, 2.0);   // frequency
    add_signal({0, 0, 3, 0, 0});  // factor cos(2 pi 2 t)
    add_signal({0, 1, 0, 2, 0});  // closes: 0.3 exp(-0.9 t)
    const int n = 700;
    add_spectrum(2, n, 0.01f, 0.004f, {});
    vul_premap(x.data());
    vul_map(1, x.data());
    vul_th(1, 3, n);
    for (int k = 3; k <= n; ++k) {
        const double t = double(0.01f) + (k - 1) * double(0.004f);
        const double want = std::cos(2 * std::numbers::pi * 2.0 * t) * 0.3 * std::exp(-0.9 * t);
        ASSERT_NEAR(fitdata.bin_th(packed(1, k)), want, 1e-7) << k;
    }
}

}  // namespace

namespace {

// ---- long spectra against extended-precision references, bin by bin -------------------
//
// Exponentials, the Gaussian and the cosine run by recurrences from block to block; the
// references below are the formulas themselves, each bin on its own, in long double. Every
// bin of 20000 (past 25 us, phases past 2000 radians, across 78 block edges) must agree
// within 1e-13 of the signal's scale, with either vector set.

using LD = long double;
constexpr double d_ph = 30, d_fr = 13.5, d_lam = 0.4, d_hop = 1.9, d_q = 0.8;
constexpr int d_bins = 20000;
constexpr float d_t1 = 0.0025f, d_tb = 0.00125f;

// Time of bin k (from 1), exactly.
LD t_ld(int k) { return LD(double(d_t1)) + LD(k - 1) * LD(double(d_tb)); }
// The oscillating forms' phase, with the model's own angular frequency and phase.
LD phase_ld(LD t)
{
    const double w = refcon.refcon(1) * d_fr, p = d_ph / refcon.refcon(2);
    return LD(w) * t + LD(p);
}

LD gzz_ld(LD t, LD delta, LD nu, double f)
{
    const LD omega = LD(6.2831854820251465 * f);
    const LD w2 = omega * omega, n2 = nu * nu, s2 = w2 + n2, e = expl(-nu * t);
    const LD gam = 2 * delta * delta / (s2 * s2) *
                   (s2 * nu * t + (w2 - n2) * (1 - e * cosl(omega * t)) - 2 * nu * omega * e * sinl(omega * t));
    return expl(-gam);
}

struct DriftCase {
    const char* name;
    Slots slots;
    std::function<LD(int k)> g;    // the signal at bin k
    std::function<LD(int k)> env;  // the scale its error is measured against
};

class VulThDrift : public ::testing::Test {
protected:
    Pars x{};
    void SetUp() override
    {
        clear_fit();
        signal_pars(x, d_ph, d_fr, d_lam, d_hop, d_q);
        add_spectrum(2, d_bins, d_t1, d_tb, {});  // alpha = beta = 1: theory = the signal
    }
    void TearDown() override { vm_select(true); }
    std::vector<double> values(int ib1, int n)
    {
        vul_premap(x.data());
        vul_map(1, x.data());
        vul_th_prepare(1);
        std::vector<double> y(static_cast<std::size_t>(n));
        vul_th_values(1, ib1, n, y.data());
        return y;
    }
};

TEST_F(VulThDrift, EveryFormOverLongSpectra)
{
    g_cmplx_tbl.n = 3;  // a short complex table: the form is the table times the rotation
    g_cmplx_tbl.dx = 10;
    g_cmplx_tbl.xmax = 20;
    set1(g_cmplx_tbl.pol_r, {1.0f, 0.5f, 0.25f});
    set1(g_cmplx_tbl.pol_i, {0.0f, 0.25f, 0.5f});
    tbl_loaded.cmplx = true;
    auto one = [](int) { return LD(1); };
    auto cos_k = [](int k) { return cosl(phase_ld(t_ld(k))); };
    auto exp_k = [](int k) { return expl(-LD(d_lam) * t_ld(k)); };
    auto gauss_k = [](int k) { return expl(-(LD(d_lam) * t_ld(k)) * (LD(d_lam) * t_ld(k))); };
    auto stretch_k = [](int k) { return expl(-powl(LD(d_lam) * t_ld(k), LD(d_hop))); };
    auto abragam_k = [](int k) {
        const LD t = t_ld(k), h = d_hop, l = d_lam;
        return expl(-(2 * l * l / (h * h)) * (expl(-h * t) - 1 + h * t));
    };
    auto gzf_k = [](int k) {
        const LD x2 = (LD(d_lam) * t_ld(k)) * (LD(d_lam) * t_ld(k));
        return 1 / LD(3) + 2 / LD(3) * (1 - x2) * expl(-x2 / 2);
    };
    auto gen_zf_k = [](int k) {
        const LD y = powl(LD(d_lam) * t_ld(k), LD(d_hop));
        return 1 / LD(3) + 2 / LD(3) * (1 - y) * expl(-y / LD(d_hop));
    };
    auto spin_k = [](int k) {
        const LD t = t_ld(k), l2 = LD(d_lam) * d_lam, q = d_q;
        const LD a = 4 * (1 - q) * l2 * t / LD(d_hop), b = q * l2 * t * t;
        return (expl(-sqrtl(a)) + 2 * (1 - b / sqrtl(a + b)) * expl(-sqrtl(a + b))) / 3;
    };
    const DriftCase cases[] = {
        {"cos", {1, 2, 3, 0, 0}, cos_k, one},
        {"exp cos", {1, 2, 3, 4, 0}, [&](int k) { return exp_k(k) * cos_k(k); }, exp_k},
        {"gauss cos", {1, 2, 3, -4, 0}, [&](int k) { return gauss_k(k) * cos_k(k); }, gauss_k},
        {"stretched cos", {1, 2, 3, 4, 5}, [&](int k) { return stretch_k(k) * cos_k(k); }, stretch_k},
        {"abragam", {1, 2, 3, -4, 5}, [&](int k) { return abragam_k(k) * cos_k(k); }, abragam_k},
        {"complex real", {1, 2, 3, 0, 5},
         [&](int k) {
             const double t = double(d_t1) + double(k - 1) * double(d_tb);
             const auto z = g_cmplx(float(d_hop * t));
             return LD(z.real()) * cos_k(k) - LD(z.imag()) * sinl(phase_ld(t_ld(k)));
         },
         one},
        {"bessel, its argument as the model rounds it", {0, 2, -3, 0, 0},
         [](int k) {
             const double t = double(d_t1) + double(k - 1) * double(d_tb);
             return LD(j0l(LD(refcon.refcon(1) * d_fr * t)));
         },
         one},
        {"gzz lf", {1, 2, -3, -4, 5}, [](int k) { return gzz_ld(t_ld(k), d_lam, d_hop, d_fr); },
         [](int k) { return gzz_ld(t_ld(k), d_lam, d_hop, d_fr); }},
        {"gzz zf", {6, 2, 0, -4, 5}, [](int k) { return gzz_ld(t_ld(k), d_lam, d_hop, d_q); },
         [](int k) { return gzz_ld(t_ld(k), d_lam, d_hop, d_q); }},
        {"gzf", {0, 2, 0, -4, 0}, gzf_k, gzf_k},
        {"gen_zf", {0, 2, 0, -4, -5}, gen_zf_k, [&](int k) { return fabsl(gen_zf_k(k)) + 1e-3L; }},
        {"exp", {0, 2, 0, 4, 0}, exp_k, exp_k},
        {"stretched", {0, 2, 0, 4, 5}, stretch_k, stretch_k},
        {"power", {0, 2, 0, 4, -5}, [](int k) { return powl(LD(d_lam) * t_ld(k), LD(d_hop)); },
         [](int k) { return powl(LD(d_lam) * t_ld(k), LD(d_hop)); }},
        {"spin glass", {6, 2, 0, 4, -5}, spin_k, spin_k},
    };
    for (const bool wide : {false, true}) {
        vm_select(wide);
        for (const DriftCase& c : cases) {
            fitpar.nsig = 0;
            add_signal(c.slots);
            const std::vector<double> y = values(1, d_bins);
            double worst = 0;
            int at = 0;
            for (int k = 1; k <= d_bins; ++k) {
                const double err = double(fabsl(LD(y[std::size_t(k - 1)]) - c.g(k)) / c.env(k));
                if (!(err <= worst)) worst = err, at = k;
            }
            EXPECT_LE(worst, 1e-13) << c.name << (wide ? " (wide)" : " (SSE2)") << ", worst at bin " << at;
            // A range that starts and ends inside blocks gets the same bits.
            const std::vector<double> part = values(250, 300);
            for (int k = 250; k < 550; ++k)
                ASSERT_EQ(part[std::size_t(k - 250)], y[std::size_t(k - 1)]) << c.name << " bin " << k;
        }
    }
}

// Raw spectra (decay, norm, background, a time-zero shift or a lifetime of their own) and
// an asymmetry spectrum with alpha and beta, over 16384 bins each, against the whole model
// in extended precision.
TEST_F(VulThDrift, SpectrumFormsOverLongSpectra)
{
    clear_fit();
    add_par(x, 1, 5.0);    // norm, counts per ns
    add_par(x, 2, 0.02);   // background
    add_par(x, 3, 20.0);   // phase
    add_par(x, 4, 0.23);   // asymmetry
    add_par(x, 5, 7.3);    // frequency
    add_par(x, 6, 0.6);    // rate
    add_par(x, 7, 0.013);  // time-zero shift
    add_par(x, 8, 2.3);    // lifetime
    add_par(x, 9, 1.2);    // alpha
    add_par(x, 10, 0.9);   // beta
    add_signal({3, 4, 5, 6, 0});
    const int n = 16384;
    const float t1 = 0.000625f, tb = 0.00125f;
    add_spectrum(0, n, t1, tb, {1, 2});
    add_spectrum(0, n, t1, tb, {1, 2, 0, 0, -7});
    add_spectrum(0, n, t1, tb, {1, 2, 0, 0, 8});
    add_spectrum(2, n, t1, tb, {9, 10});
    const double w = refcon.refcon(1) * 7.3, p = 20.0 / refcon.refcon(2);
    const LD n0 = LD(5.0 * (1000.0 * double(tb)));
    for (const bool wide : {false, true}) {
        vm_select(wide);
        for (int j = 1; j <= 4; ++j) {
            vul_premap(x.data());
            vul_map(j, x.data());
            vul_th_prepare(j);
            std::vector<double> y(n);
            vul_th_values(j, 1, n, y.data());
            const double t0 = j == 2 ? double(t1) + 0.013 : double(t1);
            const LD tau = j == 3 ? LD(2.3) : LD(double(muon_lifetime));
            double worst = 0;
            for (int k = 1; k <= n; ++k) {
                const LD t = LD(t0) + LD(k - 1) * LD(double(tb));
                const LD g = 0.23L * expl(-0.6L * t) * cosl(LD(w) * t + LD(p));
                LD want, scale;
                if (j <= 3) {
                    const LD e = expl(-t / tau);
                    want = n0 * (0.02L + e * (1 + g));
                    scale = n0 * (0.02L + e * (1 + 0.23L));
                } else {
                    const LD a = 1.2L, b = 0.9L;
                    want = ((a * b + 1) * g - (a - 1)) / ((a + 1) - (a * b - 1) * g);
                    scale = 1;
                }
                worst = std::max(worst, double(fabsl(LD(y[std::size_t(k - 1)]) - want) / scale));
            }
            EXPECT_LE(worst, 1e-13) << "spectrum " << j << (wide ? " (wide)" : " (SSE2)");
        }
    }
}

// Gaussian forms whose width squared overflows (above 1.3e154): the formula, which squares
// the width times the time, still gives exp(-(l t)^2) = 1 at t = 0 exactly and 0 after it,
// not 0 * infinity; ordinary widths are checked over spectra that start before time zero.
TEST_F(VulThDrift, GaussianFormsAtHugeWidths)
{
    struct Case {
        const char* name;
        Slots slots;
        double lam;
        float t1;
        std::function<LD(LD t, LD lam)> g;
    };
    auto gauss = [](LD t, LD l) { return expl(-(l * t) * (l * t)) * cosl(phase_ld(t)); };
    auto gzf = [](LD t, LD l) {
        const LD x2 = (l * t) * (l * t);
        return x2 == 0 ? LD(1) : 1 / LD(3) + 2 / LD(3) * (1 - x2) * expl(-x2 / 2);
    };
    const Case cases[] = {
        {"gauss cos, huge width", {1, 2, 3, -4, 0}, 1e160, 0.0f, gauss},
        {"gauss cos, huge negative width", {1, 2, 3, -4, 0}, -1e160, 0.0f, gauss},
        {"gauss cos from before time zero", {1, 2, 3, -4, 0}, 0.4, -0.5f, gauss},
        {"gzf from before time zero", {0, 2, 0, -4, 0}, 0.4, -0.5f, gzf},
    };
    for (const bool wide : {false, true}) {
        vm_select(wide);
        for (const Case& c : cases) {
            clear_fit();
            signal_pars(x, d_ph, d_fr, c.lam, d_hop, d_q);
            add_spectrum(2, 600, c.t1, d_tb, {});
            add_signal(c.slots);
            const std::vector<double> y = values(1, 600);
            for (int k = 1; k <= 600; ++k) {
                const LD t = LD(double(c.t1)) + LD(k - 1) * LD(double(d_tb));
                const LD want = c.g(t, c.lam);
                ASSERT_LE(fabsl(LD(y[std::size_t(k - 1)]) - want), 1e-13L)
                    << c.name << (wide ? " (wide)" : " (SSE2)") << ", bin " << k << ": " << y[std::size_t(k - 1)];
            }
        }
    }
}

// gzz's closed form cancels near time zero (its bracket falls as (w t)^2 while its terms do
// not), which magnifies any error of exp(-nu t), cos and sin there: with a wide field
// distribution the function is already small where the cancellation still bites, and each
// bin must keep 1e-13 of its own value wherever that value is 1e-3 or more.
TEST_F(VulThDrift, GzzNearTimeZeroAtLargeWidths)
{
    struct Case {
        const char* name;
        Slots slots;
        double delta, nu, f;
    };
    const Case cases[] = {
        {"zero field, width 50", {6, 2, 0, -4, 5}, 50, 1.5, 0.5},
        {"zero field, width 30", {6, 2, 0, -4, 5}, 30, 1.5, 0.5},
        {"longitudinal field, width 50", {1, 2, -3, -4, 5}, 50, 1.5, 0.7},
        {"longitudinal field, width 20, slow hops", {1, 2, -3, -4, 5}, 20, 0.2, 2.5},
    };
    for (const bool wide : {false, true}) {
        vm_select(wide);
        for (const Case& c : cases) {
            clear_fit();
            signal_pars(x, d_ph, c.f, c.delta, c.nu, c.f);
            add_spectrum(2, 3000, 0.0f, 0.001f, {});
            add_signal(c.slots);
            const std::vector<double> y = values(1, 3000);
            double worst = 0;
            int at = 0;
            for (int k = 1; k <= 3000; ++k) {
                const LD want = gzz_ld(LD(k - 1) * LD(double(0.001f)), c.delta, c.nu, c.f);
                const double err = double(fabsl(LD(y[std::size_t(k - 1)]) - want) / std::max(want, 1e-3L));
                if (err > worst) worst = err, at = k;
            }
            EXPECT_LE(worst, 1e-13) << c.name << (wide ? " (wide)" : " (SSE2)") << ", worst at bin " << at;
        }
    }
}

}  // namespace

