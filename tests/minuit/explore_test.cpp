// SCAN, SEEK, IMPROVE, MNCONTOUR and CONTOUR on functions with known minima and contours.

#include <cmath>

#include "mn_test.h"

namespace {

// Correlated quadratic in two parameters, minimum at (1, -2).
void quad2(int, double[], double& f, double x[], int, void*)
{
    const double a = x[1] - 1, b = x[2] + 2;
    f = 4 * a * a + 2 * a * b + 3 * b * b;
}

void wells(int, double[], double& f, double x[], int, void*)
{
    f = std::pow(x[1] * x[1] - 1, 2) + 0.3 * x[1];
}

}  // namespace

class Explore : public MnTest {};

TEST_F(Explore, ScanFindsTheGridMinimumAndPlotsEveryPoint)
{
    define(1, "a", 0, 0.1);
    define(2, "b", -2, 0.1);
    const std::size_t m = out().size();
    EXPECT_EQ(command(quad2, "SCAN", {1, 41, -2, 4}), 0);
    const std::string o = out_from(m);
    EXPECT_TRUE(contains(o, "\n SCAN OF PARAMETER NO.  1,  a\n")) << o;
    EXPECT_NEAR(value(1), 1.0, 1e-12);       // -2 + 20 * 0.15
    EXPECT_EQ(value(2), -2);                  // held
    EXPECT_NEAR(mn7min.amin, 0, 1e-20);
    std::size_t marks = 0;
    std::istringstream lines(o);
    for (std::string ln; std::getline(lines, ln);)
        if (contains(ln, "  I")) marks += std::count(ln.begin(), ln.end(), '*');
    EXPECT_EQ(marks, 41u) << o;                // points do not overlap here
}

TEST_F(Explore, SeekLandsNearTheMinimum)
{
    define(1, "a", 3, 1);
    define(2, "b", 0, 1);
    EXPECT_EQ(command(quad2, "SEEK", {2000, 3}), 0);
    EXPECT_NEAR(value(1), 1, 0.3);
    EXPECT_NEAR(value(2), -2, 0.3);
    EXPECT_EQ(mn7tit.cfrom.str(), "SEEK");
    EXPECT_EQ(command(quad2, "MIGRAD"), 0);
    EXPECT_NEAR(value(1), 1, 5e-3);
}

TEST_F(Explore, ImproveLeavesTheHigherWell)
{
    define(1, "x", 0.9, 0.1);
    EXPECT_EQ(command(wells, "MIGRAD"), 0);
    ASSERT_GT(value(1), 0.5);
    const std::size_t m = out().size();
    EXPECT_EQ(command(wells, "IMPROVE"), 0);
    EXPECT_TRUE(contains(out_from(m), "\n IMPROVE HAS FOUND A TRULY NEW MINIMUM\n"));
    EXPECT_LT(value(1), -0.9);
    // From the lower well there is nothing better.
    const std::size_t m2 = out().size();
    EXPECT_EQ(command(wells, "IMPROVE"), 0);
    EXPECT_TRUE(contains(out_from(m2), "\n IMPROVE HAS RETURNED TO REGION OF ORIGINAL MINIMUM\n"));
    EXPECT_LT(value(1), -0.9);
}

TEST_F(Explore, MncontourPointsLieOnTheExactEllipse)
{
    define(1, "a", 0, 0.1);
    define(2, "b", 0, 0.1);
    EXPECT_EQ(command(quad2, "MIGRAD", {0, 0.001}), 0);
    double xp[12], yp[12];
    int ierrf = 0;
    mncont(quad2, 1, 2, 12, xp, yp, ierrf, nullptr);
    ASSERT_EQ(ierrf, 12);
    for (int p = 0; p < ierrf; ++p) {
        const double a = xp[p] - 1, b = yp[p] + 2;
        EXPECT_NEAR(4 * a * a + 2 * a * b + 3 * b * b, 1.0, 0.01) << p;
    }
    EXPECT_NEAR(value(1), 1, 1e-4);           // back at the minimum
    EXPECT_EQ(command(quad2, "MNCONTOUR", {1, 2, 8}), 0);
    EXPECT_EQ(command(quad2, "MNCONTOUR", {1, 3}), 4);
}

TEST_F(Explore, ContourMapBandsAroundTheMinimum)
{
    define(1, "a", 1, 0.1);
    define(2, "b", -2, 0.1);
    command(quad2, "MIGRAD", {0, 0.001});
    command(quad2, "HESSE");
    const std::size_t m = out().size();
    EXPECT_EQ(command(quad2, "CONTOUR", {1, 2, 2, 5}), 0);
    const std::string o = out_from(m);
    // 5 x 5 cells over two errors each way: the middle row passes through the minimum.
    const auto r = o.find("  I", o.find("DIGIT N"));
    ASSERT_NE(r, std::string::npos) << o;
    std::vector<std::string> rows;
    for (std::size_t at = r; rows.size() < 5; at = o.find("  I", at + 1))
        rows.push_back(o.substr(at + 3, 5));
    EXPECT_EQ(rows[2][2], '0') << o;
    EXPECT_NE(rows[0][0], '0') << o;
    EXPECT_NEAR(value(1), 1, 1e-4);
}
