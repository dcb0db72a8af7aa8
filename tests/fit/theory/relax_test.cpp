// relax_test.cpp -- the closed-form relaxation functions: known values, limits
// at the removable singularities, and the identities between the forms.

#include <gtest/gtest.h>

#include <cmath>

#include "relax.h"

namespace {

double abragam_ref(double s2, double h, double t)
{
    return std::exp(-(s2 / (h * h)) * (std::exp(-h * t) - 1 + h * t));
}

struct KtCase { double x; double want; };
constexpr KtCase gzf_cases[] = {
    {0.0, 1.0},
    {0.5, 0.7745817846},
    {1.0, 1.0 / 3},
    {std::sqrt(3.0), 0.0358264531},   // the minimum
    {30.0, 1.0 / 3},                  // the 1/3 plateau
};

TEST(Gzf, KnownValues)
{
    for (const auto& c : gzf_cases) {
        SCOPED_TRACE(c.x);
        EXPECT_NEAR(gzf(c.x / 2, 2.0), c.want, 1e-10);   // depends on delta t only
    }
    const double m = std::sqrt(3.0);
    EXPECT_LT(gzf(m, 1.0), gzf(m - 1e-3, 1.0));
    EXPECT_LT(gzf(m, 1.0), gzf(m + 1e-3, 1.0));
}

TEST(GenZf, PowerTwoIsGzfAndPowerOneIsLorentzian)
{
    for (double t : {0.0, 0.1, 0.7, 1.3, 2.9, 8.0}) {
        SCOPED_TRACE(t);
        EXPECT_NEAR(gen_zf(t, 1.7, 2.0), gzf(t, 1.7), 1e-14);
        const double x = 1.7 * t;
        EXPECT_NEAR(gen_zf(t, 1.7, 1.0), 1.0 / 3 + 2.0 / 3 * (1 - x) * std::exp(-x), 1e-14);
    }
}

TEST(Gzz, ZeroFieldIsAbragam)
{
    for (double nu : {0.3, 1.0, 5.0, 40.0})
        for (double t : {0.05, 0.4, 1.0, 3.0, 9.0}) {
            SCOPED_TRACE(testing::Message() << "nu " << nu << " t " << t);
            EXPECT_NEAR(gzz(t, 1.2, nu, 0.0), abragam_ref(2 * 1.2 * 1.2, nu, t), 1e-12);
            EXPECT_NEAR(kt_abragam(2 * 1.2 * 1.2, nu, t), abragam_ref(2 * 1.2 * 1.2, nu, t), 1e-12);
        }
}

// Where the written formula divides zero by zero the limit comes back, and it
// joins the formula smoothly as the hop rate and field leave zero.
TEST(Gzz, LimitsAtZeroHopAndField)
{
    for (double t : {0.0, 0.3, 1.0, 2.5}) {
        SCOPED_TRACE(t);
        EXPECT_NEAR(gzz(t, 0.8, 0.0, 0.0), std::exp(-0.64 * t * t), 1e-15);
        EXPECT_NEAR(kt_abragam(2.0, 0.0, t), std::exp(-t * t), 1e-15);
        EXPECT_NEAR(gzz(t, 0.8, 1e-9, 0.0), std::exp(-0.64 * t * t), 1e-9);
        const double w = 6.2831854820251465 * 0.05;   // nu = 0, field only
        EXPECT_NEAR(gzz(t, 0.8, 0.0, 0.05), std::exp(-2 * 0.64 / (w * w) * (1 - std::cos(w * t))),
                    1e-12);
    }
    // Either side of the switch to the series.
    for (double nu : {0.0999, 0.1001})
        EXPECT_NEAR(gzz(1.0, 1.0, nu, 0.0), abragam_ref(2.0, nu, 1.0), 1e-13);
    EXPECT_NEAR(gzz(1.0, 1.0, 0.05, 0.012), gzz(1.0, 1.0, 0.05 + 1e-7, 0.012), 1e-6);
    EXPECT_NEAR(gzz(1.0, 1.0, 0.07, 0.0112), gzz(1.0, 1.0, 0.07, 0.0113), 1e-4);
}

TEST(Gzz, FieldAndHoppingTogether)
{
    // The closed form at a generic point, written out by hand.
    const double t = 1.3, d = 0.9, nu = 0.7, f = 0.4;
    const double w = 6.2831854820251465 * f, e = std::exp(-nu * t);
    const double s2 = w * w + nu * nu;
    const double gam = 2 * d * d / (s2 * s2) *
                       (s2 * nu * t + (w * w - nu * nu) * (1 - e * std::cos(w * t)) -
                        2 * nu * w * e * std::sin(w * t));
    EXPECT_NEAR(gzz(t, d, nu, f), std::exp(-gam), 1e-15);
    EXPECT_NEAR(gzz(t, d, nu, -f), gzz(t, d, nu, f), 1e-15);   // even in the field
}

}  // namespace
