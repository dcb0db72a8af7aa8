// minstatus_test.cpp -- MINUIT's state in the best-fit table and the short table's text.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "ask.h"
#include "fit_records.h"
#include "fit_loop.h"
#include "minstatus.h"
#include "minuit.h"

namespace {

// 292 plus independent Gaussians: parameter k at k with width k/10.
void fcn292(int, double*, double& f, double* x, int, void*)
{
    double sum = 292;
    for (int k = 1; k <= 5; ++k) {
        const double d = (x[k] - k) / (0.1 * k);
        sum += d * d;
    }
    f = sum;
}

constexpr int unit = 41;  // MINUIT's printout, thrown away

// A fresh MINUIT writing nowhere.
void fresh_minuit()
{
    const std::string path =
        testing::TempDir() + "minstatus_minuit_" + std::to_string(::getpid()) + ".out";
    ASSERT_EQ(fio_open(unit, path), 0);
    mn_set_migrad(mnmigr);
    mninit(5, unit, 7);
}

// The lines minstatus prints.
std::vector<std::string> printed()
{
    // One file per process: ctest runs the cases of this file side by side.
    const std::string path =
        testing::TempDir() + "minstatus_" + std::to_string(::getpid()) + ".out";
    std::vector<std::string> out;
    if (fio_open(unit, path) != 0) return out;
    minstatus(unit);
    fio_close(unit);
    std::FILE* f = std::fopen(path.c_str(), "r");
    char buf[256];
    while (f != nullptr && std::fgets(buf, sizeof buf, f) != nullptr) {
        std::string s(buf);
        if (!s.empty() && s.back() == '\n') s.pop_back();
        out.push_back(s);
    }
    if (f != nullptr) std::fclose(f);
    std::remove(path.c_str());
    return out;
}

TEST(Minstatus, StoresAndPrintsTheFit)
{
    fresh_minuit();
    int ierr = 0;
    mnparm(1, "Alpha", 0.5, 0.1, 0, 0, ierr);
    mnparm(2, "Beta", 1.5, 0.1, 0, 10, ierr);
    mnparm(3, "Gamma", 3, 0, 0, 0, ierr);   // fixed: shows number, name and value only
    mnparm(4, "Delta", 3.5, 0.1, 0, 0, ierr);
    mnparm(5, "Eps", 5.5, 0.1, 0, 0, ierr);
    bestfit.ndata = 150;
    bestfit.xllim(3) = -7;                  // a fixed parameter keeps its line's limits
    int code = 0;
    mnexcm(fcn292, "MIGRAD", nullptr, 0, code, nullptr);
    ASSERT_EQ(code, 0);

    minstatus(0);  // store only
    EXPECT_NEAR(bestfit.fmin, 292, 1e-4);
    EXPECT_EQ(bestfit.npari, 4);
    EXPECT_EQ(bestfit.nparx, 5);
    EXPECT_EQ(bestfit.xname(1).trimmed(), "Alpha");
    EXPECT_NEAR(bestfit.xbest(4), 4, 1e-3);
    EXPECT_NEAR(bestfit.xerr(4), 0.4, 1e-3);
    EXPECT_EQ(bestfit.xulim(2), 10);
    EXPECT_EQ(bestfit.xllim(3), -7);

    const auto lines = printed();
    ASSERT_EQ(lines.size(), 7u);
    EXPECT_EQ(lines[0].substr(0, 41), " Chi Squared = 292.  Reduced = 2.  EDM = ");
    EXPECT_EQ(lines[1],
              "    Name         Value       Error     PosError  NegError  Lower  Upper  gCC");
    EXPECT_EQ(lines[4], "  3 Gamma        3.0000000" + std::string(54, ' '));
    EXPECT_EQ(lines[3].substr(0, 20), "  2 Beta         2.0");
    EXPECT_EQ(lines[3].substr(27, 3), " 0.");
    EXPECT_EQ(lines[3].substr(59, 14), "0.     10.    ");  // limits, left-aligned

    bestfit.ndata = 4;  // no degrees of freedom left: chi-square over 1
    EXPECT_EQ(printed().at(0).substr(0, 43), " Chi Squared = 292.  Reduced = 292.  EDM = ");
}

// Steeper below the minimum than above it: MINOS errors +0.1 and -0.04.
void lopsided(int, double*, double& f, double* x, int, void*)
{
    const double d = (x[1] - 1) / (x[1] < 1 ? 0.04 : 0.1);
    f = 5 + d * d;
}

// Before any minimisation MINUIT knows no minimum: fmin and istat read 0. After MINOS
// the negative error is kept as its magnitude, both are shown, and the parabolic error
// is the larger of MINUIT's two.
TEST(Minstatus, NoMinimumYetThenMinos)
{
    fresh_minuit();
    int ierr = 0;
    mnparm(1, "Lop", 1.3, 0.05, 0, 0, ierr);
    bestfit.fmin = 99;
    bestfit.istat = 3;
    bestfit.ndata = 10;
    minstatus(0);
    EXPECT_EQ(bestfit.fmin, 0.0);
    EXPECT_EQ(bestfit.istat, 0);
    EXPECT_EQ(bestfit.xerrp(1), 0.0);

    int code = 0;
    mnexcm(lopsided, "MIGRAD", nullptr, 0, code, nullptr);
    mnexcm(lopsided, "MINOS", nullptr, 0, code, nullptr);
    ASSERT_EQ(code, 0);
    minstatus(0);
    EXPECT_NEAR(bestfit.xerrp(1), 0.1, 1e-4);
    EXPECT_NEAR(bestfit.xerrm(1), 0.04, 1e-4);
    std::string name;
    double value = 0, error = 0, lower = 0, upper = 0, plus = 0, minus = 0, parab = 0, gcc = 0;
    int internal = 0;
    mnpout(1, name, value, error, lower, upper, internal);
    mnerrs(1, plus, minus, parab, gcc);
    EXPECT_LT(minus, 0);
    EXPECT_EQ(bestfit.xerr(1), std::max(error, parab));

    const auto lines = printed();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[2].substr(0, 26), "  1 Lop          1.0000000");
    EXPECT_EQ(lines[2].substr(36, 21), "   0.100000  0.040000");
}

}  // namespace
