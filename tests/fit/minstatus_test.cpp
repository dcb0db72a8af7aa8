// minstatus_test.cpp -- MINUIT's state in the best-fit table and the short table's text.

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "ask.h"
#include "fit_records.h"
#include "vulfit.h"

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

std::vector<std::string> lines_of(const char* path)
{
    std::vector<std::string> out;
    std::FILE* f = std::fopen(path, "r");
    char buf[256];
    while (f != nullptr && std::fgets(buf, sizeof buf, f) != nullptr) {
        std::string s(buf);
        if (!s.empty() && s.back() == '\n') s.pop_back();
        out.push_back(s);
    }
    if (f != nullptr) std::fclose(f);
    return out;
}

TEST(Minstatus, StoresAndPrintsTheFit)
{
    constexpr int unit = 41;
    const char* path = "minstatus_test.out";
    ASSERT_EQ(fio_open(unit, "/dev/null"), 0);
    mninit(5, unit, 7);
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

    ASSERT_EQ(fio_open(unit, path), 0);
    minstatus(unit);
    fio_close(unit);
    const auto lines = lines_of(path);
    ASSERT_EQ(lines.size(), 7u);
    EXPECT_EQ(lines[0].substr(0, 41), " Chi Squared = 292.  Reduced = 2.  EDM = ");
    EXPECT_EQ(lines[1],
              "    Name         Value       Error     PosError  NegError  Lower  Upper  gCC");
    EXPECT_EQ(lines[4], "  3 Gamma        3.0000000" + std::string(54, ' '));
    EXPECT_EQ(lines[3].substr(0, 20), "  2 Beta         2.0");
    EXPECT_EQ(lines[3].substr(27, 3), " 0.");
    EXPECT_EQ(lines[3].substr(59, 14), "0.     10.    ");  // limits, left-aligned
    std::remove(path);
}

}  // namespace
