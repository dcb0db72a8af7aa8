// vul_map_test.cpp -- parameter mapping: first raw norm, indirect slots, expressions,
// and the exact warnings of the slot check.
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "eval.h"
#include "fio.h"
#include "fit_fixture.h"
#include "vul_map.h"

namespace {

class VulMap : public ::testing::Test {
protected:
    Pars x{};
    void SetUp() override { clear_fit(); }
    std::string check()
    {
        testing::internal::CaptureStdout();
        vul_checkmap(x.data());
        fio_flush_all();
        return testing::internal::GetCapturedStdout();
    }
};

// The first raw spectrum's norm is never relative; other raw spectra keep their sign;
// an asymmetry spectrum files slot 2 as beta and has no first raw norm.
TEST_F(VulMap, FirstRawNorm)
{
    add_spectrum(0, 4, 0, 1, {-3, 11, 12, 13, 14});
    add_spectrum(2, 4, 0, 1, {7, 8});
    add_spectrum(0, 4, 0, 1, {-9, 5});
    vul_premap(x.data());
    vul_map(3, x.data());
    EXPECT_EQ(vulmapi.firstraw, 3);
    EXPECT_EQ(vulmapi.knorm, -9);
    EXPECT_EQ(vulmapi.jnorm, 9);
    EXPECT_EQ(vulmapi.kbkgd, 5);
    vul_map(1, x.data());
    EXPECT_EQ(vulmapi.knorm, 3);
    EXPECT_EQ(vulmapi.kbkgd, 11);
    EXPECT_EQ(vulmapi.krpha, 12);
    EXPECT_EQ(vulmapi.krasy, 13);
    EXPECT_EQ(vulmapi.klt0, 14);
    vul_map(2, x.data());
    EXPECT_EQ(vulmapi.firstraw, 0);
    EXPECT_EQ(vulmapi.knorm, 7);
    EXPECT_EQ(vulmapi.kbeta, 8);
    EXPECT_EQ(vulmapi.jbeta, 8);
    EXPECT_EQ(vulmapi.kbkgd, 11);  // the pair that does not apply keeps the last mapping
}

// 101..110 read the spectrum's slot; a negative signal slot forces a negative code, a
// positive one passes the spectrum slot's sign; OMNI slots drop signs and empty slots.
TEST_F(VulMap, IndirectAndOmniSlots)
{
    add_spectrum(2, 4, 0, 1, {1, 2, 3, 4, 5, 12, -13, 0, 0, 0});
    add_signal({-106, 107, 106, 104, 0, 0, -21, 0, 107, 22});
    vul_premap(x.data());
    vul_map(1, x.data());
    EXPECT_EQ(vulmapi.kph(1), -12);
    EXPECT_EQ(vulmapi.jph(1), 12);
    EXPECT_EQ(vulmapi.kas(1), -13);
    EXPECT_EQ(vulmapi.jas(1), 13);
    EXPECT_EQ(vulmapi.kfr(1), 12);
    EXPECT_EQ(vulmapi.krl(1), 4);
    EXPECT_EQ(vulmapi.khp(1), 0);
    EXPECT_EQ(vulmapi.n_omni(1), 3);
    EXPECT_EQ(vulmapi.k_omni(1, 1), 21);
    EXPECT_EQ(vulmapi.k_omni(2, 1), 13);
    EXPECT_EQ(vulmapi.k_omni(3, 1), 22);
    EXPECT_EQ(vulmapi.nindirect, 5);
    int k = 0, j = 0;
    map1par(-106, 1, k, j);
    EXPECT_EQ(k, -12);
    map1par(107, 1, k, j);
    EXPECT_EQ(k, -13);
    map1par(-4, 1, k, j);
    EXPECT_EQ(k, -4);
    EXPECT_EQ(j, 4);
}

// Labels become variables (G20.12), expressions follow in order and may use earlier
// assignments; a failing expression keeps its last value. Without expressions only
// 1..nparx are copied.
TEST_F(VulMap, ExpressionsAndValueTable)
{
    add_par(x, 1, 0.25, "A1");
    add_par(x, 3, 2.0, "B");
    vulmapr.x_vul(4) = -1;
    vul_premap(x.data());
    EXPECT_EQ(vulmapr.x_vul(1), 0.25);
    EXPECT_EQ(vulmapr.x_vul(3), 2.0);
    EXPECT_EQ(vulmapr.x_vul(4), -1);  // beyond nparx

    expressions.nexpr = 3;
    expressions.jexpr(1) = 201;
    expressions.sexpr(1) = "2*A1";
    expressions.jexpr(2) = 250;
    expressions.sexpr(2) = "C = A1 + B";
    expressions.jexpr(3) = 300;
    expressions.sexpr(3) = "C*10";
    vul_premap(x.data());
    EXPECT_EQ(vulmapr.x_vul(201), 0.5);
    EXPECT_EQ(vulmapr.x_vul(250), 2.25);
    EXPECT_EQ(vulmapr.x_vul(300), 22.5);
    x[1] = 1.0 / 3;  // labels pass through 12 significant digits
    vul_premap(x.data());
    EXPECT_EQ(vulmapr.x_vul(201), 2 * 0.333333333333);
    EXPECT_EQ(vulmapr.x_vul(1), 1.0 / 3);

    expressions.sexpr(1) = "2*NOSUCH";
    testing::internal::CaptureStdout();
    vul_premap(x.data());
    fio_flush_all();
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_NE(out.find("EVAL: NOSUCH is not defined"), std::string::npos) << out;
    EXPECT_FALSE(vul_premap(x.data()));  // said so to its caller too
    EXPECT_EQ(vulmapr.x_vul(201), 2 * 0.333333333333);
}

// Every evaluation sets the labels afresh, whatever an expression assigned to them the
// time before, and a label renamed between evaluations is the one defined.
TEST_F(VulMap, LabelsSetAtEveryEvaluation)
{
    add_par(x, 1, 0.25, "A1");
    expressions.nexpr = 2;
    expressions.jexpr(1) = 201;
    expressions.sexpr(1) = "A1";
    expressions.jexpr(2) = 202;
    expressions.sexpr(2) = "A1 = 5";
    for (int call = 1; call <= 2; ++call) {
        vul_premap(x.data());
        EXPECT_EQ(vulmapr.x_vul(201), 0.25) << call;
        EXPECT_EQ(vulmapr.x_vul(202), 5.0) << call;
    }
    bestfit.xname(1) = "RENAMED";
    expressions.sexpr(2) = "4*RENAMED";
    vul_premap(x.data());
    EXPECT_EQ(vulmapr.x_vul(202), 1.0);
}

// A label names a variable only as one identifier; a parameter whose label does not is
// left out of the expressions' variables, silently, at every evaluation (its line warned
// once), while the other labels and the expressions work as before.
TEST_F(VulMap, LabelsThatAreNoNamesAreLeftOut)
{
    struct Case { const char* label; bool name; };
    constexpr Case cases[] = {
        {"Asy", true}, {"x_1", true}, {"$v", true}, {"A2    ", true}, {"exp", true},
        {"2bad", false}, {"A B", false}, {"", false}, {"A-B", false}, {"A=1", false},
        {"(A)", false}, {".TRUE.", false}, {"1e3", false},
    };
    for (const Case& c : cases) EXPECT_EQ(vul_label_is_name(c.label), c.name) << c.label;

    add_par(x, 1, 0.25, "Asy");
    add_par(x, 2, 3.0, "2bad");
    add_par(x, 3, 7.0, "A B");
    expressions.nexpr = 1;
    expressions.jexpr(1) = 201;
    expressions.sexpr(1) = "2*Asy";
    testing::internal::CaptureStdout();
    bool all = true;
    for (int call = 1; call <= 3; ++call) all = vul_premap(x.data()) && all;
    fio_flush_all();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_TRUE(all);
    EXPECT_EQ(vulmapr.x_vul(201), 0.5);
    EXPECT_EQ(vulmapr.x_vul(2), 3.0);  // its value still serves its own slots
}

// Exact warnings; spectrum slots accept defined numbers below 300 only, signal slots up
// to 300; 101..105 are invalid in signals, 106..110 point to nothing when a spectrum's
// slot is empty; 104 still maps. The check fills the value table afterwards.
TEST_F(VulMap, CheckWarnings)
{
    add_par(x, 1, 0.5, "P1");
    add_par(x, 2, 0.1, "P2");
    expressions.nexpr = 1;
    expressions.jexpr(1) = 300;
    expressions.sexpr(1) = "P1+1";
    add_spectrum(2, 4, 0, 1, {1, 300, -7, 0, 0, 2, 0, 0, 0, 0});
    add_spectrum(2, 4, 0, 1, {1, 0, 0, 0, 0, 2, 2, 0, 0, 0});
    add_signal({2, 300, 0, 0, 0, 0, 0, 0, 0, 0});
    add_signal({104, -106, 107, 301, 150, 0, 0, 0, 0, 0});
    const std::string out = check();
    EXPECT_EQ(out,
              " ** MAPPING ERROR **  Spectrum  1  parameter   300  is invalid!\n"
              " ** MAPPING ERROR **  Spectrum  1  parameter    -7  is invalid!\n"
              " ** MAPPING ERROR **  Signal  2  parameter   104  is invalid!\n"
              " ** MAPPING ERROR **  Signal  2  parameter   107  points to nothing!\n"
              " ** MAPPING ERROR **  Signal  2  parameter   301  is invalid!\n"
              " ** MAPPING ERROR **  Signal  2  parameter   150  is invalid!\n");
    EXPECT_EQ(vulmapr.x_vul(300), 1.5);
    EXPECT_EQ(vulmapr.x_vul(1), 0.5);
    vul_map(1, x.data());
    EXPECT_EQ(vulmapi.krl(2), 301);  // passed on as it stands; its value reads as 0
    EXPECT_EQ(vulmapi.kph(2), 0);   // 104 -> spectrum slot 4, empty
    vul_map(2, x.data());
    EXPECT_EQ(vulmapi.kfr(2), 2);
}

// The warning goes to the log as well once the log unit is set.
TEST_F(VulMap, WarningAlsoInLog)
{
    const std::string path =
        testing::TempDir() + "vul_map_log_" + std::to_string(::getpid()) + ".txt";
    ASSERT_EQ(fio_open(2, path), 0);
    fileio.lun(2) = 2;
    testing::internal::CaptureStdout();
    badmap("Signal", 2, 107, "points to nothing");
    fio_flush_all();
    const std::string screen = testing::internal::GetCapturedStdout();
    fio_close(2);
    fileio.lun(2) = 0;
    const char* want = " ** MAPPING ERROR **  Signal  2  parameter   107  points to nothing!\n";
    EXPECT_EQ(screen, want);
    std::FILE* f = std::fopen(path.c_str(), "r");
    ASSERT_NE(f, nullptr);
    char buf[200] = {};
    const std::size_t n = std::fread(buf, 1, sizeof buf - 1, f);
    std::fclose(f);
    EXPECT_EQ(std::string(buf, n), want);
}

}  // namespace
