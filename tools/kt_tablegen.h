// kt_tablegen.h -- the physics and file writing of the table generator: static
// and dynamic Kubo-Toyabe functions computed from their integrals, and the four table files.
//
// Header-only so that the generator and its tests share one copy. Normalised
// units throughout: tn = delta t, on = omega_L / delta (angular), hn = nu / delta.
#pragma once

#include <algorithm>
#include <atomic>
#include <cmath>
#include <complex>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <numbers>
#include <string>
#include <thread>
#include <vector>

namespace ktgen {

// ---- quadrature ----------------------------------------------------------------

// Integral of f over [a, b] by 8-point Gauss-Legendre on pieces no longer than
// `piece`: exact for polynomials of degree 15 on each piece.
inline double integrate(const std::function<double(double)>& f, double a, double b, double piece)
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

// ---- static Kubo-Toyabe functions in a longitudinal field -------------------------

// Below this field the forms cancel to the zero-field function within 1e-8.
inline constexpr double zero_field = 1e-4;

inline double kt_static_gauss_zf(double tn)
{
    return 1.0 / 3 + 2.0 / 3 * (1 - tn * tn) * std::exp(-tn * tn / 2);
}

inline double kt_static_lorentz_zf(double tn) { return 1.0 / 3 + 2.0 / 3 * (1 - tn) * std::exp(-tn); }

// Spherical Bessel functions j0, j1, by their series where the closed forms cancel.
inline double sph_j0(double x)
{
    if (std::fabs(x) < 1e-3) return 1 - x * x / 6;
    return std::sin(x) / x;
}
inline double sph_j1(double x)
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

// Static Gaussian KT in the field on:
// G = 1 - (2/on^2)(1 - e^(-tn^2/2) cos(on tn)) + (2/on^3) int_0^tn e^(-u^2/2) sin(on u) du.
inline std::vector<double> kt_static_gauss(const std::vector<double>& tn, double on)
{
    return static_lf(
        tn, on, kt_static_gauss_zf, [on](double u) { return std::exp(-u * u / 2) * std::sin(on * u); },
        [on](double t, double integral) {
            return 1 - 2 / (on * on) * (1 - std::exp(-t * t / 2) * std::cos(on * t)) +
                   2 / (on * on * on) * integral;
        });
}

// Static Lorentzian KT in the field on:
// G = 1 - j1(on tn) e^-tn / on - (j0(on tn) e^-tn - 1) / on^2
//       - (1 + 1/on^2) int_0^tn j0(on u) e^-u du.
inline std::vector<double> kt_static_lorentz(const std::vector<double>& tn, double on)
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

// (1 - e^-z)/z and (1 - (1+z) e^-z)/z^2, by series near z = 0.
inline void expo_weights(double z, double& e1, double& e2)
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

// Solves g(t) = gs(t) e^(-nu t) + nu int_0^t g(t - u) gs(u) e^(-nu u) du on the grid
// t_k = k h, given gs there. Product trapezoid rule: the factor e^(-nu u) is
// integrated exactly and gs(u) g(t-u) linearly, so fast hopping costs no finer grid.
inline std::vector<double> strong_collision_grid(const std::vector<double>& gs, double h, double nu)
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
inline std::vector<double> static_on_grid(char shape, double on, double h, std::size_t n)
{
    std::vector<double> t(n);
    for (std::size_t k = 0; k < n; ++k) t[k] = h * double(k);
    return shape == 'l' ? kt_static_lorentz(t, on) : kt_static_gauss(t, on);
}

// The dynamic function at t_k = k h (k = 0..n-1): the product trapezoid on h and
// h/2, combined by Richardson extrapolation (its error falls as h^2).
inline std::vector<double> kt_dynamic(char shape, double on, double hn, double h, std::size_t n)
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

// The dynamic function as a curve up to tmax: solver step dt/fine, refined so
// that nu h stays below 0.25 (the error of fast hopping grows with nu h).
struct DynCurve {
    double h = 0;
    std::vector<double> g;   // at k h
};
inline DynCurve kt_dynamic_curve(char shape, double on, double hn, double dt, int fine, double tmax)
{
    const int m = std::max(fine, int(std::ceil(hn * dt / 0.25)));
    DynCurve c;
    c.h = dt / m;
    c.g = kt_dynamic(shape, on, hn, c.h, std::size_t(std::ceil(std::max(tmax, 0.0) / c.h)) + 4);
    return c;
}

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

// ---- the table files --------------------------------------------------------------------

// A sequential record file: each record framed by its byte count.
class RecWriter {
public:
    explicit RecWriter(const std::string& path) : f_(std::fopen(path.c_str(), "wb")) {}
    ~RecWriter() { if (f_ != nullptr) std::fclose(f_); }
    RecWriter(const RecWriter&) = delete;
    RecWriter& operator=(const RecWriter&) = delete;
    bool ok() const { return f_ != nullptr && good_; }

    void bytes(const void* p, std::size_t n)
    {
        put32(std::uint32_t(n));
        if (f_ != nullptr && n > 0 && std::fwrite(p, 1, n, f_) != n) good_ = false;
        put32(std::uint32_t(n));
    }
    void text(const std::string& s, std::size_t width)
    {
        std::string t = s.substr(0, width);
        t.resize(width, ' ');
        bytes(t.data(), width);
    }
    void ints(const std::vector<std::int32_t>& v) { words(v.data(), v.size()); }
    void reals(const std::vector<float>& v) { words(v.data(), v.size()); }
    bool close()
    {
        if (f_ == nullptr) return false;
        const bool shut = std::fclose(f_) == 0;
        f_ = nullptr;
        return good_ && shut;
    }

private:
    void put32(std::uint32_t v)
    {
        const unsigned char b[4] = {static_cast<unsigned char>(v), static_cast<unsigned char>(v >> 8),
                                    static_cast<unsigned char>(v >> 16),
                                    static_cast<unsigned char>(v >> 24)};
        if (f_ != nullptr && std::fwrite(b, 1, 4, f_) != 4) good_ = false;
    }
    template <class T>
    void words(const T* p, std::size_t n)
    {
        std::vector<unsigned char> b(4 * n);
        for (std::size_t i = 0; i < n; ++i) {
            std::uint32_t w;
            std::memcpy(&w, p + i, 4);
            for (int k = 0; k < 4; ++k) b[4 * i + std::size_t(k)] = static_cast<unsigned char>(w >> (8 * k));
        }
        bytes(b.data(), b.size());
    }
    std::FILE* f_;
    bool good_ = true;
};

// Longitudinal-field table: rows at on = (r-1) dw, r = 1..nrow, each with nt
// times tn = (i-1) dt (divided by 1 + on/2 when scaled); high-field limit (nrow-1) dw.
struct LfSpec {
    char shape = 'g';
    double dt = 0.04;
    int nt = 243;
    double dw = 0.2;
    int nrow = 41;
    bool scaled = false;
};

// The default grid of each shape, within the table's 10001 values. The Gaussian's
// field curvature and its missing cross term set a fine field step; its high-field
// form is within 6e-4 from on = 5.1, where the rows end, and its time axis ends at
// tn = 4.6, where the function has settled. The Lorentzian high-field form is
// within 1e-3 only from on = 68, beyond any table of this size: its rows go as far
// as the field and time steps allow (on = 12.1, where that form is 2.9e-3 off)
// and its time axis to tn = 8.85.
inline LfSpec lf_defaults(char shape)
{
    LfSpec s;
    s.shape = shape;
    if (shape == 'l') {
        s.dt = 0.05;
        s.nt = 178;
        s.dw = 0.22;
        s.nrow = 56;
    } else {
        s.dt = 0.04;
        s.nt = 116;
        s.dw = 0.06;
        s.nrow = 86;
    }
    return s;
}

inline bool write_lf_table(const std::string& path, const LfSpec& s)
{
    std::vector<float> data;
    data.reserve(std::size_t(s.nt) * std::size_t(s.nrow));
    for (int r = 1; r <= s.nrow; ++r) {
        const double on = (r - 1) * s.dw;
        const double step = s.scaled ? s.dt / (1 + on / 2) : s.dt;
        std::vector<double> t(std::size_t(s.nt));
        for (int i = 0; i < s.nt; ++i) t[std::size_t(i)] = i * step;
        const auto g = s.shape == 'l' ? kt_static_lorentz(t, on) : kt_static_gauss(t, on);
        for (double v : g) data.push_back(float(v));
    }
    std::vector<std::int32_t> pai(16, 0);
    pai[0] = s.scaled ? -2 : 2;
    pai[1] = s.nt;
    pai[2] = s.nrow;
    std::vector<float> par(16, 0.0f);
    par[0] = float(s.dt);
    par[2] = float(s.dw);
    par[3] = float((s.nrow - 1) * s.dw);
    RecWriter w(path);
    // Characters 5 to 8 of the title mark the shape ("ic G" Gaussian).
    w.text(s.shape == 'l' ? "Static Lorentzian Kubo-Toyabe in LF" : "Static Gaussian Kubo-Toyabe in LF",
           80);
    w.ints(pai);
    w.reals(par);
    w.reals(data);
    return w.close();
}

// Relaxation-function table: times (i-1) dt1 up to t2 (point i5), then steps dt2
// up to tmax; hop point 1 at hn = 0, points 2..nh at hmin ... hmax evenly in ln hn;
// with nslab > 0, slabs at q/delta = (s-1) dq (q an ordinary frequency, on = 2 pi q/delta).
struct DynSpec {
    char shape = 'g';
    double dt1 = 0.05, t2 = 5, dt2 = 0.1, tmax = 20;
    double hmin = 0.01, hmax = 100;
    int per_decade = 20;
    int nslab = 0;
    double dq = 0.05;
    int fine = 4;        // solver steps per dt1
};

// The default grid of each shape, without or with a field axis. The field axis
// reaches q/delta = 2.52, from where the high-field form is accurate; its
// hop axis is coarser to keep the table within its 800000 values.
inline DynSpec dyn_defaults(char shape, bool field = false)
{
    DynSpec s;
    s.shape = shape;
    if (field) {
        s.nslab = 63;
        s.dq = 0.04;
        s.per_decade = 10;
    }
    return s;
}

// The time points of a relaxation table and the index of the second region.
inline std::vector<double> dyn_times(const DynSpec& s, int& i5)
{
    std::vector<double> t;
    const long n1 = std::lround(s.t2 / s.dt1);
    for (long i = 0; i <= n1; ++i) t.push_back(double(i) * s.dt1);
    i5 = int(t.size());
    const long n2 = std::lround((s.tmax - s.t2) / s.dt2);
    for (long i = 1; i <= n2; ++i) t.push_back(s.t2 + double(i) * s.dt2);
    return t;
}

inline std::vector<double> dyn_hops(const DynSpec& s)
{
    std::vector<double> h{0.0};
    const double step = std::log(10.0) / s.per_decade;
    const long n = std::lround(std::log(s.hmax / s.hmin) / step);
    for (long j = 0; j <= n; ++j) h.push_back(s.hmin * std::exp(double(j) * step));
    return h;
}

inline bool write_dyn_table(const std::string& path, const DynSpec& s, std::string* why = nullptr)
{
    int i5 = 0;
    const std::vector<double> t = dyn_times(s, i5);
    const std::vector<double> hop = dyn_hops(s);
    const int nt = int(t.size()), nh = int(hop.size()), ns = std::max(1, s.nslab);
    if (double(nt) * nh * ns > 800000) {
        if (why != nullptr) *why = "the table would hold more than 800000 values";
        return false;
    }
    std::vector<float> data(std::size_t(nt) * std::size_t(nh) * std::size_t(ns));
    // Every (slab, hop) column is solved apart and fills its own values: the columns
    // go to as many threads as the machine has.
    std::atomic<int> next{0};
    auto work = [&] {
        for (int col; (col = next++) < ns * nh;) {
            const int sl = col / nh + 1, j = col % nh + 1;
            const double on = s.nslab > 0 ? 2 * std::numbers::pi * (sl - 1) * s.dq : 0.0;
            const DynCurve c = kt_dynamic_curve(s.shape, on, hop[std::size_t(j - 1)], s.dt1, s.fine, s.tmax);
            for (int i = 1; i <= nt; ++i)
                data[std::size_t((sl - 1) * nt * nh + (i - 1) * nh + (j - 1))] =
                    float(grid_at(c.g, c.h, t[std::size_t(i - 1)]));
        }
    };
    {
        std::vector<std::jthread> crew(std::clamp(std::thread::hardware_concurrency(), 1u, 16u) - 1);
        for (auto& th : crew) th = std::jthread(work);
        work();
    }
    std::vector<std::int32_t> pai(16, 0);
    pai[0] = s.nslab > 0 ? 3 : 2;
    pai[1] = nt;
    pai[2] = nh;
    pai[3] = s.shape == 'l' ? 1 : 2;
    pai[4] = i5;
    pai[5] = s.nslab > 0 ? s.nslab : 0;
    std::vector<float> par(16, 0.0f);
    par[0] = float(s.dt1);
    par[1] = float(s.t2);
    par[2] = float(s.dt2);
    par[3] = float(t.back());
    par[4] = float(std::log(10.0) / s.per_decade);
    par[5] = float(std::log(s.hmin));
    par[7] = float(s.hmin);
    par[8] = float(hop.back());
    par[9] = float(s.dq);
    RecWriter w(path);
    std::string title = std::string("Dynamic ") + (s.shape == 'l' ? "Lorentzian" : "Gaussian") +
                        " Kubo-Toyabe, strong collisions" + (s.nslab > 0 ? ", LF axis" : ", ZF");
    w.text(title, 80);
    w.ints(pai);
    w.reals(par);
    w.reals(data);
    if (!w.close()) {
        if (why != nullptr) *why = "cannot write " + path;
        return false;
    }
    return true;
}

// Complex table: n points Z(x) at x = (k-1) dx.
inline bool write_cmplx_table(const std::string& path, int n, double dx,
                              const std::function<std::complex<double>(double)>& z)
{
    std::vector<float> re(static_cast<std::size_t>(n)), im(static_cast<std::size_t>(n));
    for (int k = 0; k < n; ++k) {
        const std::complex<double> v = z(k * dx);
        re[std::size_t(k)] = float(v.real());
        im[std::size_t(k)] = float(v.imag());
    }
    RecWriter w(path);
    unsigned char head[8];
    const std::int32_t n32 = n;
    const float dx32 = float(dx);
    std::uint32_t a, b;
    std::memcpy(&a, &n32, 4);
    std::memcpy(&b, &dx32, 4);
    for (int k = 0; k < 4; ++k) {
        head[k] = static_cast<unsigned char>(a >> (8 * k));
        head[4 + k] = static_cast<unsigned char>(b >> (8 * k));
    }
    w.bytes(head, 8);
    w.reals(re);
    w.reals(im);
    return w.close();
}

// OMNI table: axis values per axis, the function of one grid point's coordinates.
struct OmniAxis {
    std::string label;
    std::vector<double> x;
};

inline bool write_omni_table(const std::string& path, const std::string& title,
                             const std::string& ylabel, const std::vector<OmniAxis>& axes,
                             const std::vector<float>& values)
{
    RecWriter w(path);
    w.ints({std::int32_t(axes.size()), 0, 0, 0});
    std::vector<std::int32_t> len;
    std::vector<float> xs;
    for (const auto& a : axes) {
        len.push_back(std::int32_t(a.x.size()));
        for (double v : a.x) xs.push_back(float(v));
    }
    w.ints(len);
    std::string t = title.substr(0, 80);
    t.resize(80, ' ');
    std::string yl = ylabel.substr(0, 80);
    yl.resize(80, ' ');
    w.text(t + yl, 160);
    std::string labels;
    for (const auto& a : axes) {
        std::string l = a.label.substr(0, 80);
        l.resize(80, ' ');
        labels += l;
    }
    w.text(labels, labels.size());
    w.reals(xs);
    w.reals(values);
    return w.close();
}

}  // namespace ktgen
