// kt_tablegen.h -- the table generator's file writing: the four table files, the
// relaxation table's columns solved on as many threads as the machine has. The physics
// is the theory's own (fit/theory/kt_dyn.h).
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

#include "fit_theory.h"

namespace ktgen {

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
        const auto g =
            s.shape == 'l' ? ktdyn::kt_static_lorentz(t, on) : ktdyn::kt_static_gauss(t, on);
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
            const double hn = hop[std::size_t(j - 1)];
            const ktdyn::DynCurve c = ktdyn::kt_dynamic_curve(s.shape, on, hn, s.dt1, s.fine, s.tmax);
            for (int i = 1; i <= nt; ++i)
                data[std::size_t((sl - 1) * nt * nh + (i - 1) * nh + (j - 1))] =
                    float(ktdyn::grid_at(c.g, c.h, t[std::size_t(i - 1)]));
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
