// relax_local.h -- helpers shared by the relaxation and table functions of the theory room.
// Only relax.cpp, polzz.cpp, tblpol.cpp and the theory (vul_th.cpp) include it.
#pragma once

#include <atomic>
#include <cfloat>
#include <cmath>
#include <mutex>
#include <string_view>

#include "tell.h"

namespace relax_detail {

// A double as the single-precision value it is compared with; out-of-range
// values become infinities rather than undefined conversions.
inline float sp(double x)
{
    if (x > FLT_MAX) return HUGE_VALF;
    if (x < -FLT_MAX) return -HUGE_VALF;
    return static_cast<float>(x);
}

// Integer part (truncation) of v limited to lo..hi; NaN gives lo. The limits
// keep every table index inside its table whatever the arguments were.
inline int trunc_in(double v, int lo, int hi)
{
    if (!(v > lo)) return lo;
    if (v >= hi) return hi;
    return static_cast<int>(v);
}

// X(on) = oi (1 + oi^2) atan(on) - oi^2 with oi = 1/on. Removable singularity
// at on = 0 (limit 2/3); below 0.1 its even series avoids the cancellation.
inline double kt_x(double on)
{
    if (std::fabs(on) < 0.1) {
        const double w = on * on;
        double sum = 0, pw = 1;
        for (int k = 0; k < 8; ++k, pw *= -w) sum += pw * 2.0 / ((2 * k + 1) * (2 * k + 3));
        return sum;
    }
    const double oi = 1 / on;
    return oi * (1 + oi * oi) * std::atan(on) - oi * oi;
}

// W(theta) = k cos(theta) - (k^2/2) sin(theta) with k = 1/(1 + theta/2).
inline double kt_w(double theta)
{
    const double k = 1 / (1 + theta / 2);
    return k * std::cos(theta) - k * k / 2 * std::sin(theta);
}

// (e^-d - 1 + d) / d^2, its limit 1/2 - d/6 + ... near d = 0.
inline double abragam_phi(double d)
{
    if (std::fabs(d) < 0.1) {
        double sum = 0, term = 0.5;   // (-d)^k / (k+2)!
        for (int k = 0; k < 10; ++k) {
            sum += term;
            term *= -d / (k + 3);
        }
        return sum;
    }
    return (std::exp(-d) - 1 + d) / (d * d);
}

// 1/3 + (2/3)(1 - y) e: the static Kubo-Toyabe shape of gzf and gen_zf, y the scaled time
// squared (or to the power), e its damping.
inline double kt_static(double y, double e)
{
    return 0.3333333333333333 + 0.6666666666666666 * (1 - y) * e;
}

// The bracket of gzz's closed form, (w^2 + nu^2) nu t + (w^2 - nu^2)(1 - e cos) - 2 nu w e sin,
// with s2 = w^2 + nu^2, dw = w^2 - nu^2, e = exp(-nu t) and c, s the cosine and sine of w t.
inline double gzz_bracket(double s2, double dw, double nu, double omega, double t, double e,
                          double c, double s)
{
    return s2 * nu * t + dw * (1 - e * c) - 2 * nu * omega * e * s;
}

// Writes a one-line notice on the screen unless told says it has been written; sets told.
// The theory's threads may get here together: one of them writes, and one notice at a time.
inline void relax_notice(bool& told, std::string_view text)
{
    if (std::atomic_ref<bool>(told).exchange(true)) return;
    static std::mutex screen;
    const std::lock_guard<std::mutex> lock(screen);
    tell0(text);
}

}  // namespace relax_detail
