// tablegen_cli_test.cpp -- the table generator as a program: its help, each
// kind of table read back by the fitting program, and refused options.

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <complex>
#include <cstdio>
#include <filesystem>
#include <string>

#include "relax.h"
#include "../fit/tbl_scratch.h"

namespace {

// Everything left to read from f.
std::string rest_of(std::FILE* f)
{
    std::string b;
    char buf[4096];
    for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, f)) > 0;) b.append(buf, n);
    return b;
}

// The bytes of a file; none if it cannot be opened.
std::string bytes_of(const std::string& path)
{
    std::string b;
    if (std::FILE* f = std::fopen(path.c_str(), "rb")) {
        b = rest_of(f);
        std::fclose(f);
    }
    return b;
}

// Runs the generator with args; its exit status, and its standard output in *out.
int run(const std::string& args, std::string* out = nullptr)
{
    const std::string cmd =
        std::string(KAVRIN_TABLEGEN) + " " + args + " 2>'" + tmp_path("tablegen_said") + "'";
    std::FILE* p = popen(cmd.c_str(), "r");
    if (p == nullptr) return -1;
    const std::string said = rest_of(p);
    if (out != nullptr) *out += said;
    const int st = pclose(p);
    return WIFEXITED(st) ? WEXITSTATUS(st) : -1;
}

TEST(TablegenCli, HelpStatesTheAccuracy)
{
    std::string out;
    EXPECT_EQ(run("--help", &out), 0);
    EXPECT_NE(out.find("Usage: kavrin_tablegen KIND -o FILE"), std::string::npos);
    EXPECT_NE(out.find("Accuracy"), std::string::npos);
    EXPECT_NE(out.find("within 1e-5 of the converged solution"), std::string::npos);
    // the figures the reference tests measure (tests/ktref)
    for (const char* figure :
         {"lf gauss           8.2e-4", "2.3e-3 in the table (on < 12.1)", "2.9e-3 at on = 12.1, 2.4e-3 at 20",
          "below 1e-3 only from on = 68", "dyn, zero field    6.5e-4",
          "dyn gauss --lf     3.4e-3 at q/Delta < 0.2, 2.7e-3 at 0.2..2.52, 2.6e-3",
          "past tn = 20, 1.4e-3 from 2.52 on", "dyn lorentz --lf   2.2e-3 at q/Delta < 0.2, 3.0e-3 at 0.2..2.52",
          "2.2e-3 past tn = 20, 1e-4 from 2.52 on"})
        EXPECT_NE(out.find(figure), std::string::npos) << figure;
    EXPECT_NE(out.find("solver steps per dt1 (4;"), std::string::npos);
}

// What the generator says on standard error about a table that ends early, in
// time or in field: where the fitting program's continuation is what --help states.
TEST(TablegenCli, ShortAxesAreNoted)
{
    auto said = [] { return bytes_of(tmp_path("tablegen_said")); };
    const std::string t = tmp_path("short.tbl");
    ASSERT_EQ(run("dyn -o " + t + " --tmax 6 --hmax 1 --per-decade 2 --lf-slabs 3"), 0);
    const std::string notes = said();
    EXPECT_NE(notes.find("note: the time axis ends at tn = 6;"), std::string::npos) << notes;
    EXPECT_NE(notes.find("note: the field axis ends at q/Delta = 0.15;"), std::string::npos) << notes;
    ASSERT_EQ(run("dyn -o " + t + " --hmax 1 --per-decade 2 --lf"), 0);
    EXPECT_EQ(said(), "");
}

// The defaults --help names are the ones the generator uses.
TEST(TablegenCli, DefaultsAreTheStatedOnes)
{
    const std::string a = tmp_path("dflt.tbl"), b = tmp_path("named.tbl");
    const std::string small = " --tmax 6 --hmax 1 --per-decade 2";
    ASSERT_EQ(run("dyn -o " + a + small), 0);
    ASSERT_EQ(run("dyn -o " + b + small + " --fine 4 --dt1 0.05 --t2 5 --dt2 0.1 --hmin 0.01"), 0);
    EXPECT_FALSE(bytes_of(a).empty());
    EXPECT_EQ(bytes_of(a), bytes_of(b));
    for (const char* named : {" --dt 0.04 --nt 116 --dw 0.06 --rows 86",
                              " --shape lorentz --dt 0.05 --nt 178 --dw 0.22 --rows 56"}) {
        const std::string shape = std::string(named).find("lorentz") != std::string::npos ? " --shape lorentz" : "";
        ASSERT_EQ(run("lf -o " + a + shape), 0);
        ASSERT_EQ(run("lf -o " + b + named), 0);
        EXPECT_FALSE(bytes_of(a).empty());
        EXPECT_EQ(bytes_of(a), bytes_of(b)) << named;
    }
}

TEST(TablegenCli, EveryKindReadsBack)
{
    const std::string lf = tmp_path("lf.tbl"), lfl = tmp_path("lfl.tbl"), dyn = tmp_path("dyn.tbl");
    const std::string cx = tmp_path("c.tbl"), om = tmp_path("o.tbl");
    ASSERT_EQ(run("lf -o " + lf + " --scaled"), 0);
    ASSERT_TRUE(read_lf_tbl(lf));
    EXPECT_EQ(lftbl_ctl(1), 1);
    EXPECT_EQ(lftbl_ctl(2), 1);
    EXPECT_EQ(lftbl_pai(2), 116);                   // the default Gaussian grid
    EXPECT_EQ(lftbl_pai(3), 86);
    EXPECT_EQ(lftbl_par(3), 0.06f);
    ASSERT_EQ(run("lf --shape lorentz -o " + lfl), 0);
    ASSERT_TRUE(read_lf_tbl(lfl));
    EXPECT_EQ(lftbl_ctl(1), 0);
    EXPECT_EQ(lftbl_pai(2), 178);                   // the default Lorentzian grid
    EXPECT_EQ(lftbl_pai(3), 56);
    EXPECT_EQ(lftbl_par(4), float(55 * 0.22));
    ASSERT_EQ(run("dyn -o " + dyn + " --tmax 8 --per-decade 4 --lf-slabs 3"), 0);
    std::string why;
    ASSERT_TRUE(read_rlx_tbl(dyn, &why)) << why;
    EXPECT_EQ(tblpai(1), 3);
    EXPECT_EQ(tblpai(6), 3);
    // --lf: the default field axis, 63 slabs of 0.04 (a short, coarse table here)
    ASSERT_EQ(run("dyn -o " + dyn + " --lf --tmax 6 --hmax 1 --per-decade 2"), 0);
    ASSERT_TRUE(read_rlx_tbl(dyn, &why)) << why;
    EXPECT_EQ(tblpai(6), 63);
    EXPECT_EQ(tblpar(10), 0.04f);
    ASSERT_EQ(run("complex --func onesided --n 100 --dx 0.05 -o " + cx), 0);
    ASSERT_TRUE(read_g_cmplx(cx));
    EXPECT_NEAR(g_cmplx(0.25f).imag(), 2 / 3.14159265, 1e-5);   // (e^(i pi/2) - 1)/(i pi/2)
    ASSERT_EQ(run("omni --func static-lf --axis 0:10:101 --axis 0:5:11 -o " + om), 0);
    ASSERT_TRUE(read_omni_tbl(om, &why)) << why;
    const double rates[1] = {0.0};
    EXPECT_NEAR(omni_pol(1.0, 1.0, rates), 1.0 / 3, 1e-6);        // zero field at delta t = 1
}

// The one-sided complex table by default: (e^(2 pi i x) - 1)/(2 pi i x) falls only as
// 1/x, so the table ends on one of its zeros, where the cut to 0 is below 1e-4, and
// is still followed between its points.
TEST(TablegenCli, OneSidedComplexTableEndsOnAZero)
{
    auto z = [](double x) {
        const double a = 2 * 3.14159265358979324 * x;
        return std::abs((std::exp(std::complex<double>(0, a)) - 1.0) / a);
    };
    const std::string cx = tmp_path("onesided.tbl");
    ASSERT_EQ(run("complex --func onesided -o " + cx), 0);
    ASSERT_TRUE(read_g_cmplx(cx));
    const float xmax = g_cmplx_tbl.xmax;
    EXPECT_EQ(g_cmplx_tbl.n, 2048);
    EXPECT_GE(xmax, 20.47f);                 // no shorter than before
    EXPECT_LT(z(xmax), 1e-4) << xmax;
    EXPECT_LT(std::abs(g_cmplx(std::nextafter(xmax, 0.0f))), 1e-4f);
    EXPECT_EQ(std::abs(g_cmplx(xmax)), 0.0f);
    double worst = 0;
    for (double x = 0.0031; x < xmax; x += 0.0637) {
        const std::complex<float> g = g_cmplx(float(x));
        const double a = 2 * 3.14159265358979324 * double(float(x));
        const std::complex<double> want = (std::exp(std::complex<double>(0, a)) - 1.0) /
                                          std::complex<double>(0, a);
        worst = std::max(worst, std::abs(std::complex<double>(g) - want));
    }
    EXPECT_LT(worst, 2e-4);
}

TEST(TablegenCli, RefusedOptions)
{
    const std::string f = tmp_path("x.tbl");
    for (const char* args : {"", "lf", "lf -o", "nosuch -o x", "lf --rows 100 -o x", "lf --dt abc -o x",
                             "dyn --hmin 0 -o x", "complex --n 3000 -o x", "omni --axis 1:0:5 -o x",
                             "omni --func dyn --axis 0:1:5 -o x", "lf --bogus -o x"}) {
        SCOPED_TRACE(args);
        EXPECT_EQ(run(args), 2);
    }
    EXPECT_EQ(run("lf -o /nonexistent_dir/x.tbl"), 1);
}

}  // namespace
