// tablegen_test.cpp -- accuracy of the table generator against independent
// values, and of polzz and lfpol on the tables it writes.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <numbers>
#include <string>
#include <vector>

#include "../../../tools/kt_tablegen.h"
#include "kt_dyn.h"
#include "relax.h"
#include "tbl_scratch.h"

namespace {

using namespace ktgen;
using namespace ktdyn;
constexpr double pi = std::numbers::pi;

double gl(const std::function<double(double)>& f, double a, double b, double piece)
{
    return integrate(f, a, b, piece);
}

// The static Gaussian function straight from its definition: the muon spin
// precesses about the sum of a Gaussian local field (unit width per component)
// and the applied field on along z.
double gauss_by_definition(double tn, double on)
{
    auto rayleigh = [&](double bz) {
        return gl([&](double rho) {
                      const double z = bz + on, b2 = rho * rho + z * z, b = std::sqrt(b2);
                      const double c2 = b2 > 0 ? z * z / b2 : 1;
                      return rho * std::exp(-rho * rho / 2) * (c2 + (1 - c2) * std::cos(b * tn));
                  },
                  0, 9, 0.05);
    };
    return gl([&](double bz) { return std::exp(-bz * bz / 2) / std::sqrt(2 * pi) * rayleigh(bz); }, -9, 9,
              0.05);
}

// The long-time value of a static LF function: the mean of cos^2 of the angle
// between field and z. Lorentzian radial density (4/pi) b^2/(1+b^2)^2 taken
// with b = tan(phi), which makes it (4/pi) sin^2(phi) on [0, pi/2).
double lorentz_mean_cos2(double on)
{
    return gl([&](double phi) {
                  const double b = std::tan(phi);
                  const double inner = gl([&](double mu) {
                                              const double z = b * mu + on;
                                              const double b2 = b * b + 2 * b * mu * on + on * on;
                                              return b2 > 0 ? z * z / b2 / 2 : 0.5;
                                          },
                                          -1, 1, 0.05);
                  return 4 / pi * std::sin(phi) * std::sin(phi) * inner;
              },
              0, pi / 2 - 1e-9, 0.01);
}

TEST(TableGen, StaticGaussianMatchesItsDefinition)
{
    const std::vector<double> t{0.3, 1.7, 4.0};
    for (double on : {0.0, 0.4, 4.0}) {
        const std::vector<double> g = kt_static_gauss(t, on);
        for (std::size_t i = 0; i < t.size(); ++i) {
            SCOPED_TRACE(testing::Message() << "tn " << t[i] << " on " << on);
            EXPECT_NEAR(g[i], gauss_by_definition(t[i], on), 1e-9);
        }
    }
}

TEST(TableGen, StaticLorentzianLimits)
{
    const std::vector<double> t{0.0, 0.5, 1.0, 2.0, 5.0, 40.0};
    const std::vector<double> zf = kt_static_lorentz(t, 0.0), small = kt_static_lorentz(t, 2e-4);
    for (std::size_t i = 0; i < t.size(); ++i) {
        SCOPED_TRACE(t[i]);
        EXPECT_NEAR(zf[i], kt_static_lorentz_zf(t[i]), 1e-15);
        EXPECT_NEAR(small[i], zf[i], 1e-7);   // the field form joins the zero-field one
    }
    for (double on : {0.5, 2.0, 8.0}) {
        SCOPED_TRACE(on);
        EXPECT_NEAR(kt_static_lorentz({40.0}, on)[0], lorentz_mean_cos2(on), 1e-4);
        EXPECT_NEAR(kt_static_lorentz({0.0}, on)[0], 1.0, 1e-12);
    }
}

// g_s = 1/3 + 2/3 e^(-lam t) has a strong-collision solution in closed form:
// poles of g_s(p) / (1 - nu g_s(p)) at 3p^2 + 3(lam - nu) p - nu lam = 0, p = s + nu.
double toy_exact(double lam, double nu, double t)
{
    const double b = 3 * (lam - nu), disc = std::sqrt(b * b + 12 * nu * lam);
    double g = 0;
    for (double p : {(-b + disc) / 6, (-b - disc) / 6})
        g += (3 * p + lam) / (6 * p + 3 * lam - 3 * nu) * std::exp((p - nu) * t);
    return g;
}

TEST(TableGen, StrongCollisionSolverOnAClosedFormCase)
{
    const double lam = 1.3, h = 0.0125;
    for (double nu : {0.2, 1.0, 7.0, 80.0}) {
        const std::size_t n = 801;
        std::vector<double> gs1(n), gs2(2 * n - 1);
        for (std::size_t k = 0; k < gs2.size(); ++k) gs2[k] = 1.0 / 3 + 2.0 / 3 * std::exp(-lam * h / 2 * k);
        for (std::size_t k = 0; k < n; ++k) gs1[k] = gs2[2 * k];
        const auto g1 = strong_collision_grid(gs1, h, nu), g2 = strong_collision_grid(gs2, h / 2, nu);
        double worst = 0;
        for (std::size_t k = 0; k < n; ++k)
            worst = std::max(worst, std::fabs((4 * g2[2 * k] - g1[k]) / 3 - toy_exact(lam, nu, h * k)));
        SCOPED_TRACE(nu);
        EXPECT_LT(worst, 2e-6);
    }
}

TEST(TableGen, DynamicLimits)
{
    const double h = 0.0125;
    const std::size_t n = 1601;   // tn up to 20
    for (char shape : {'g', 'l'})
        for (double on : {0.0, 2.0}) {
            SCOPED_TRACE(testing::Message() << shape << " on " << on);
            const auto st = static_on_grid(shape, on, h, n);
            const auto d0 = kt_dynamic(shape, on, 0.0, h, n), d1 = kt_dynamic(shape, on, 1e-7, h, n);
            for (std::size_t k = 0; k < n; k += 40) {
                EXPECT_NEAR(d0[k], st[k], 1e-14);
                EXPECT_NEAR(d1[k], st[k], 1e-6);
            }
        }
    // Fast hopping: the motional-narrowing limit exp(-2 tn/hn).
    for (double hn : {30.0, 100.0}) {
        const auto g = kt_dynamic('g', 0.0, hn, h, n);
        double worst = 0;
        for (std::size_t k = 0; k < n; ++k) worst = std::max(worst, std::fabs(g[k] - std::exp(-2 * h * k / hn)));
        SCOPED_TRACE(hn);
        EXPECT_LT(worst, 3 / (hn * hn));
    }
}

TEST(TableGen, DynamicSolutionConverges)
{
    for (double hn : {0.05, 0.5, 2.0, 10.0, 30.0, 60.0, 100.0})
        for (double on : {0.0, 3.0}) {
            const auto c = kt_dynamic_curve('g', on, hn, 0.05, 4, 10.0);
            const auto fine = kt_dynamic_curve('g', on, hn, 0.05, 16, 10.0);
            double worst = 0;
            for (double t = 0; t < 10; t += 0.0173)
                worst = std::max(worst, std::fabs(grid_at(c.g, c.h, t) - grid_at(fine.g, fine.h, t)));
            SCOPED_TRACE(testing::Message() << "hn " << hn << " on " << on);
            EXPECT_LT(worst, 5e-6);
        }
}

// polzz on a generated table, between its grid points, against the solution.
TEST(TableGen, PolzzOnAGeneratedTable)
{
    const std::string p = tmp_path("dyn.tbl");
    DynSpec s;
    s.tmax = 10;
    ASSERT_TRUE(write_dyn_table(p, s));
    std::string why;
    ASSERT_TRUE(read_rlx_tbl(p, &why)) << why;
    double worst = 0, g, d1, d2, d3;
    for (double hn : {0.0, 0.004, 0.013, 0.037, 0.29, 0.8, 3.3, 17.0, 77.0, 140.0}) {
        const auto ref = kt_dynamic_curve('g', 0.0, hn, 0.05, 4, 10.0);
        for (double tn = 0.0137; tn < 9.9; tn += 0.0731) {
            polzz(tn / 1.7, 1.7, hn * 1.7, 0.0, g, d1, d2, d3);
            worst = std::max(worst, std::fabs(g - grid_at(ref.g, ref.h, tn)));
        }
    }
    std::printf("polzz interpolation: worst %.2e\n", worst);
    EXPECT_LT(worst, 1.1e-3);   // the figure --help gives
}

// The same with a field axis on the default grid (hop points and slab step as --help
// states them): slabs at q/delta = 0, 0.05, ... 0.5.
TEST(TableGen, PolzzOnAGeneratedFieldTable)
{
    const std::string p = tmp_path("dynlf.tbl");
    DynSpec s;
    s.tmax = 8;
    s.nslab = 11;
    ASSERT_TRUE(write_dyn_table(p, s));
    std::string why;
    ASSERT_TRUE(read_rlx_tbl(p, &why)) << why;
    ASSERT_EQ(tblpai(1), 3);
    double worst = 0, g, d1, d2, d3;
    for (double fq : {0.0, 0.13, 0.27, 0.47})
        for (double hn : {0.0, 0.03, 0.6, 4.0}) {
            const auto ref = kt_dynamic_curve('g', 2 * pi * fq, hn, 0.05, 4, 8.0);
            for (double tn = 0.0137; tn < 7.9; tn += 0.0731) {
                polzz(tn / 1.3, 1.3, hn * 1.3, fq * 1.3, g, d1, d2, d3);
                worst = std::max(worst, std::fabs(g - grid_at(ref.g, ref.h, tn)));
            }
        }
    std::printf("polzz field-axis interpolation: worst %.2e\n", worst);
    EXPECT_LT(worst, 5e-3);
}

TEST(TableGen, LfpolOnAGeneratedTable)
{
    for (char shape : {'g', 'l'}) {
        const std::string p = tmp_path(std::string("lf_") + shape + ".tbl");
        const LfSpec s = lf_defaults(shape);
        ASSERT_TRUE(write_lf_table(p, s));
        ASSERT_TRUE(read_lf_tbl(p));
        ASSERT_EQ(lftbl_ctl(1), shape == 'g' ? 1 : 0);
        double worst = 0, g, d1, d2;
        for (double on = 0; on < 14; on += 0.0637) {
            std::vector<double> t;
            for (double tn = 0.0137; tn < 14; tn += 0.0731) t.push_back(tn);
            const auto ref = shape == 'g' ? kt_static_gauss(t, on) : kt_static_lorentz(t, on);
            for (std::size_t i = 0; i < t.size(); ++i) {
                lfpol(t[i] / 0.6, 0.6, on * 0.6 / 6.28318530718, g, d1, d2);
                worst = std::max(worst, std::fabs(g - ref[i]));
            }
        }
        std::printf("lfpol %c interpolation: worst %.2e\n", shape, worst);
        EXPECT_LT(worst, shape == 'g' ? 8.2e-4 : 3e-3);   // --help: 8.2e-4, 2.9e-3
    }
}

}  // namespace

namespace {

// The static Lorentzian function in zero field, written here: the reference for gen_zf
// at power 1, whatever the sign of its rate.
double lorentz_zf(double x) { return 1.0 / 3 + 2.0 / 3 * (1 - x) * std::exp(-x); }

}  // namespace

// Every width-parametrised function is even in its width, and the field functions in
// their field: the same value at -Delta, and a slope of opposite sign on the other
// side, so that a fit stepping across 0 meets neither a flat function nor NaN.
TEST(TableGen, EvenInWidthAndField)
{
    const std::string lf = tmp_path("even_lf.tbl"), dyn = tmp_path("even_dyn.tbl");
    const std::string om = tmp_path("even_omni.tbl");
    ASSERT_TRUE(write_lf_table(lf, lf_defaults('g')));
    ASSERT_TRUE(read_lf_tbl(lf));
    DynSpec ds;
    ds.tmax = 8;
    ds.nslab = 11;
    ds.per_decade = 5;
    ASSERT_TRUE(write_dyn_table(dyn, ds));
    std::string why;
    ASSERT_TRUE(read_rlx_tbl(dyn, &why)) << why;
    std::vector<OmniAxis> axes{{"tn", {}}, {"on", {}}};
    for (int i = 0; i <= 100; ++i) axes[0].x.push_back(0.1 * i);
    for (int i = 0; i <= 10; ++i) axes[1].x.push_back(0.5 * i);
    std::vector<float> values;
    for (double on : axes[1].x)
        for (double v : kt_static_gauss(axes[0].x, on)) values.push_back(float(v));
    ASSERT_TRUE(write_omni_table(om, "static LF", "G", axes, values));
    ASSERT_TRUE(read_omni_tbl(om, &why)) << why;

    const double t = 1.3, h = 0.5, f = 0.05;   // f: MHz, on = 2 pi f/Delta
    struct Form {
        const char* name;
        std::function<double(double)> g;   // of the width
    };
    const std::vector<Form> forms{
        {"gzf", [&](double d) { return gzf(t, d); }},
        {"gen_zf", [&](double d) { return gen_zf(t, d, 1.0); }},
        {"gen_zf p 1.5", [&](double d) { return gen_zf(t, d, 1.5); }},
        {"gzz", [&](double d) { return gzz(t, d, h, f); }},
        {"lfpol", [&](double d) { double g, a, b; lfpol(t, d, f, g, a, b); return g; }},
        {"polzz zf", [&](double d) { double g, a, b, c; polzz(t, d, h, 0.0, g, a, b, c); return g; }},
        {"polzz lf", [&](double d) { double g, a, b, c; polzz(t, d, h, f, g, a, b, c); return g; }},
        {"omni", [&](double d) { const double r[1] = {0.4}; return omni_pol(t, d, r); }},
    };
    const double e = 1e-4;
    for (const Form& fm : forms) {
        SCOPED_TRACE(fm.name);
        for (double d : {0.7, 1e-3, 0.31}) {
            EXPECT_TRUE(std::isfinite(fm.g(-d)));
            EXPECT_NEAR(fm.g(-d), fm.g(d), 1e-12) << d;
        }
        // slopes on both sides of 0 (Delta t = +-0.91), mirror images
        const double right = (fm.g(0.7 + e) - fm.g(0.7 - e)) / (2 * e);
        const double left = (fm.g(-0.7 + e) - fm.g(-0.7 - e)) / (2 * e);
        EXPECT_GT(std::fabs(right), 0.05);
        EXPECT_NEAR(left, -right, 1e-6);
        // across 0: the central difference of an even function vanishes
        EXPECT_NEAR((fm.g(e) - fm.g(-e)) / (2 * e), 0.0, 1e-9);
    }
    EXPECT_NEAR(gen_zf(t, -0.7, 1.0), lorentz_zf(0.7 * t), 1e-12);
    // the fields: a negative field is the field's other direction, not zero field
    for (double q : {0.013, 0.05, 0.13, 0.37, 0.9}) {
        SCOPED_TRACE(q);
        double gp, gm, a, b, c;
        polzz(t, 0.7, h, q, gp, a, b, c);
        polzz(t, 0.7, h, -q, gm, a, b, c);
        EXPECT_EQ(gp, gm);
        lfpol(t, 0.7, q, gp, a, b);
        lfpol(t, 0.7, -q, gm, a, b);
        EXPECT_EQ(gp, gm);
        EXPECT_EQ(gzz(t, 0.7, h, q), gzz(t, 0.7, h, -q));
    }
}
