// vmath_ulp_check.cpp -- vm_exp and vm_pow on every vector set this processor has, against the
// C library's long-double functions: within 1 ulp, the special values as the C library gives
// them, every length of a partial lane group, in place or not, nothing written past the end.
// A plain program (no test framework), so scripts/aarch64_qemu.sh runs it on AArch64 too.
#include <cmath>
#include <cstdio>
#include <limits>
#include <vector>

#include "vmath.h"

namespace {

int failures = 0;

// Distance from y to the exact value r in units of the last place of the double nearest r.
long double ulps(double y, long double r)
{
    const double rd = static_cast<double>(r);
    if (std::isnan(rd) || std::isinf(rd) || rd == 0) return (y == rd || (std::isnan(y) && std::isnan(rd))) ? 0 : 1e30L;
    const double up = std::nextafter(std::fabs(rd), std::numeric_limits<double>::infinity());
    return std::fabs(static_cast<long double>(y) - r) / (static_cast<long double>(up) - std::fabs(rd));
}

void check(const char* what, const std::vector<double>& x, double p, bool is_pow)
{
    constexpr double guard = -12345.5;
    for (const bool in_place : {false, true}) {
        std::vector<double> y(x.size() + 1, guard);
        if (in_place) std::copy(x.begin(), x.end(), y.begin());
        const double* src = in_place ? y.data() : x.data();
        if (is_pow) vm_pow(src, p, y.data(), int(x.size()));
        else vm_exp(src, y.data(), int(x.size()));
        if (y.back() != guard) {
            std::printf("%s %s: %zu values, written past the end\n", vm_name(), what, x.size());
            ++failures;
        }
        for (std::size_t i = 0; i < x.size(); ++i) {
            const long double r = is_pow ? powl(x[i], p) : expl(x[i]);
            const long double e = ulps(y[i], r);
            if (!(e <= 1)) {
                std::printf("%s %s(%.17g%s%.17g) = %.17g, want %.20Lg (%.3Lg ulp)\n", vm_name(), what,
                            x[i], is_pow ? ", " : "", is_pow ? p : 0.0, y[i], r, e);
                ++failures;
            }
        }
    }
}

}  // namespace

int main()
{
    const double inf = std::numeric_limits<double>::infinity();
    std::vector<double> args;
    for (int k = -7460; k <= 7100; k += 7) args.push_back(0.1 * k + 1e-3 * (k % 11));
    for (const double v : {0.0, -0.0, 1e-300, -1e-300, 709.78, -745.1, 710.0, -746.0, inf, -inf})
        args.push_back(v);
    std::vector<double> bases;
    for (int k = 1; k <= 3000; ++k) bases.push_back(1e-3 * k * k / 7.0);
    for (const double v : {0.0, 1.0, 1e-310, 1e300, inf}) bases.push_back(v);

    for (const bool wide : {false, true}) {
        vm_select(wide);
        check("exp", args, 0, false);
        for (const double p : {0.5, 1.7, -0.8, 2.0, 0.123, -3.0}) check("pow", bases, p, true);
        for (std::size_t n = 0; n <= 9; ++n) {  // every partial group of lanes
            check("exp", std::vector<double>(args.begin(), args.begin() + long(n)), 0, false);
            check("pow", std::vector<double>(bases.begin() + 5, bases.begin() + 5 + long(n)), 1.7, true);
        }
        std::printf("%s: exp and pow within 1 ulp\n", vm_name());
    }
    vm_select(true);
    return failures == 0 ? 0 : 1;
}
