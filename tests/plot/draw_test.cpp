// draw_test.cpp -- one drawing of the buffer, seen through the calls it makes on the plot
// library (the adapter's trace) and in the files it writes.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "pgadapter.h"
#include "plot_local.h"

namespace {

std::vector<std::string> calls;
void record(std::string_view c) { calls.emplace_back(c); }

// Fresh settings, an empty buffer, the null device, every call recorded.
class Draw : public ::testing::Test {
protected:
    void SetUp() override
    {
        dopltl = Dopltl{};
        dopltx = Dopltx{};
        doplty = Doplty{};
        r_rozude_par = RRozudePar{};
        l_rozude_par = LRozudePar{};
        rozude_priv = RozudePriv{};
        ::setenv("PGPLOT_DEV", "/null", 1);
        calls.clear();
        pg_trace = record;
    }
    void TearDown() override { pg_trace = nullptr; }

    // The recorded calls from the first one starting with `from` (the point passes start
    // with "pgsci 1" after the labels' "pgsch").
    static std::vector<std::string> calls_of(std::string_view prefix)
    {
        std::vector<std::string> v;
        for (const auto& c : calls)
            if (c.starts_with(prefix)) v.push_back(c);
        return v;
    }
};

TEST_F(Draw, PngShowsDataAxesAndLabels)
{
    const std::string png = ::testing::TempDir() + "rozude_draw.png";
    std::filesystem::remove(png);
    ::setenv("PGPLOT_DEV", (png + "/png").c_str(), 1);
    for (int i = 0; i <= 40; ++i) {
        const float t = 0.25f * i;
        doplch(t, std::cos(t), 1);
        doplch(t, std::cos(t), -2);
        doplpt(t, std::cos(t) - 0.1f);
        doplpt(t, std::cos(t) + 0.1f);
        doplch(t, std::cos(t), -2);
    }
    for (int i = 0; i <= 100; ++i) doplpt(0.1f * i, std::cos(0.1f * i));
    hlab(9, "TIME [\xB5s]");
    vlab(9, "Asymmetry");
    titlpl(12, "Run 1234 F=1");
    EXPECT_EQ(rozude_draw(), DrawEnd::drawn);
    EXPECT_GT(std::filesystem::file_size(png), 5000u);
}

}  // namespace
