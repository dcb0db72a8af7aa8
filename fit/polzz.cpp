// polzz.cpp -- the dynamic Kubo-Toyabe function from the relaxation-function
// table, with its analytic forms at high field, fast hopping and long times.

#include <cmath>

#include "relax.h"
#include "relax_local.h"

using namespace relax_detail;

namespace {

constexpr double two_pi = 2 * 3.1415927410125732;   // pi held in single precision

// Where a call sits on the table, shared by both slab passes.
struct ZzPos {
    int nt = 0, nh = 0;
    int ih = 1;             // hop point below hn, 1..nh
    double ah = 0, bh = 1;  // hop fraction and its complement
    bool slow = false;      // inside the linear first hop interval
};

// T(i, j, s): time point i, hop point j, slab s.
inline double at_t(const ZzPos& p, int i, int j, int s)
{
    return tbldat((s - 1) * p.nt * p.nh + (i - 1) * p.nh + j);
}

// The hop-interpolated value at time point i of slab s; past the last hop
// point the last interval's line is extended rather than read beyond it.
double hop_value(const ZzPos& p, int i, int s)
{
    if (p.ih < p.nh) return p.bh * at_t(p, i, p.ih, s) + p.ah * at_t(p, i, p.ih + 1, s);
    const double last = at_t(p, i, p.nh, s);
    return last + p.ah * (last - at_t(p, i, p.nh - 1, s));
}

// One pass inside the table (slab s).
double inside(const ZzPos& p, double tn, bool medium, int s)
{
    const int nt = p.nt, i5 = tblpai(5);
    double dtau, u;
    int base;
    if (medium) {
        dtau = tblpar(3);
        u = (tn - tblpar(2)) / dtau;
        base = i5;
    } else {
        dtau = tblpar(1);
        u = tn / dtau;
        base = 1;
    }
    const int ui = trunc_in(u, 0, nt);
    double at = u - ui;
    int it = ui + base;
    if (it > nt) {                     // extrapolate from the last point instead
        at += it - nt;
        it = nt;
    }
    const double bt = 1 - at;
    const double dtm = it == i5 ? dtau / 2 : dtau;
    const int ih = p.ih;
    const double p0 = at_t(p, it, ih, s);
    const bool next_t = it + 1 <= nt;
    const double slope = next_t ? (at_t(p, it + 1, ih, s) - p0) / dtau
                                : (p0 - at_t(p, it - 1, ih, s)) / dtm;
    const double now = p0 + at * dtau * slope;
    auto along = [&](int j) {
        return next_t ? bt * at_t(p, it, j, s) + at * at_t(p, it + 1, j, s)
                      : at_t(p, it, j, s) + at * dtau * slope;
    };
    if (ih + 1 <= p.nh) {
        if (p.slow) return now + p.ah * (at_t(p, it, ih + 1, s) - p0);
        return p.bh * now + p.ah * along(ih + 1);
    }
    return now + p.ah * (now - along(ih - 1));
}

}  // namespace

void polzz(double t, double delta, double h, double q, double& g, double& d1, double& d2,
           double& d3)
{
    d1 = d2 = d3 = 0;
    g = 1;
    if (!tbl_loaded.rlx) {
        relax_notice(tbl_loaded.told_rlx,
                     "*** POLZZ: no relaxation-function table has been read; G = 1 used");
        return;
    }
    const int code = tblpai(4);
    const int nslab = tblpai(1) == 3 ? tblpai(6) : 1;
    const bool third = tblpai(1) == 3 && q > 0;
    double fn = 0, df = 0;
    int s0 = 0;
    bool high = false;
    if (third) {
        fn = std::fabs(q / delta);      // even in the field, whatever sign delta has
        const double c = fn / tblpar(10);
        high = !(c < tblpai(6));
        s0 = trunc_in(c, 0, nslab - 1);
        df = high ? 0 : c - s0;
    }
    const double tn = delta * t;
    if (!(tn > 0)) {
        if (std::isnan(tn)) g = tn;
        return;
    }
    double hn = h / delta;
    if (code == 3) hn = std::fmin(sp(hn), tblpar(9) - 0.01f);
    const bool fast = sp(hn) >= tblpar(9);

    ZzPos p;
    p.nt = tblpai(2);
    p.nh = tblpai(3);
    if (!fast) {
        const double lnh = hn > 0 ? std::log(hn) : -1e10;
        p.slow = sp(lnh) < tblpar(6);
        if (p.slow) {
            p.ih = 1;
            p.ah = hn / tblpar(8);
        } else {
            const double u = (lnh - tblpar(6)) / tblpar(5);
            const int ui = trunc_in(u, 0, p.nh - 2);
            p.ih = ui + 2;
            p.ah = u - ui;
        }
        p.bh = 1 - p.ah;
    }
    const bool longt = sp(tn) >= tblpar(4);
    const bool medium = sp(tn) > tblpar(2);
    const bool lorentz = code == 1;

    if (high) {
        const double on = two_pi * fn, th = on * tn;
        if (hn <= 1) {
            double a;
            if (lorentz) {
                a = kt_x(on);
                g = a * std::exp(-tn) * kt_w(th) + (1 - a) * std::exp(-a * hn * tn);
            } else {
                const double r = 1 / (on * on);
                a = 2 * r - 2 * r * r;
                g = a * std::exp(-tn * tn / 2) * std::cos(th) + (1 - a) * std::exp(-a * hn * tn);
            }
        } else if (lorentz) {
            const double a = kt_x(on) / 2;
            g = a * std::exp(-tn) * kt_w(th) +
                (1 - a) * std::exp(-tn / std::sqrt(1 + on * on / (hn * hn)));
        } else {
            g = std::exp(-(2 * tn / hn) / (1 + on * on / (hn * hn)));
        }
        return;
    }
    if (fast) {
        if (code == 11) {
            g = std::exp(-2 * std::sqrt(tn / hn));
        } else if (tblpar(12) > 0) {
            g = kt_abragam(tblpar(12), h, t);   // sigma^2/(delta hn)^2 (e^-d - 1 + d), d = h t
        } else {
            const double on = two_pi * fn;
            if (on <= 1) {
                g = lorentz ? std::exp(-tn) : std::exp(-2 * tn / hn);
            } else if (!lorentz) {
                g = std::exp(-2 * tn / hn);
            } else {
                const double a = kt_x(on) / 2;
                g = a * kt_w(on * tn) +
                    (1 - a) * std::exp(-tn / std::sqrt(1 + on * on / (hn * hn)));
            }
        }
        return;
    }
    const int s1 = s0 + 1, s2 = s0 + 2 > nslab ? nslab : s0 + 2;   // the last slab holds
    if (longt) {
        const double over = tn - tblpar(4);
        if (third && fn > 0) {
            const double pl = (1 - df) * hop_value(p, p.nt, s1) + df * hop_value(p, p.nt, s2);
            const double on = two_pi * fn;
            double b;
            if (lorentz) b = double(0.62f) * kt_x(on);
            else if (on <= 2.5) b = 1 / (1 + (2 * on / 3) * (2 * on / 3));
            else b = 2 / (on * on) - 2 / (on * on * on * on);
            g = pl * std::exp(-b * hn * over);
            return;
        }
        if (code == 11) {
            g = hn > 1 ? std::exp(-2 * std::sqrt(tn / hn))
                       : (std::exp(-2 * tn * hn / 3) + 2 * (1 - tn) * std::exp(-tn)) / 3;
            return;
        }
        const double pl = hop_value(p, p.nt, 1);
        g = hn < 1 ? pl * std::exp(-2 * over * hn / 3) : pl * std::exp(-over / hn);
        return;
    }
    if (!third) {
        g = inside(p, tn, medium, 1);
        return;
    }
    g = (1 - df) * inside(p, tn, medium, s1) + df * inside(p, tn, medium, s2);
}
