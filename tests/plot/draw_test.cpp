// draw_test.cpp -- one drawing of the buffer, seen through the calls it makes on the plot
// library (the adapter's trace) and in the files it writes.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <limits>
#include <string>
#include <vector>

#include <unistd.h>

#include "ask.h"
#include "pgadapter.h"
#include "plot_local.h"

namespace {

// A file name of this test process only (several builds may run their tests at once).
std::string scratch(const char* name)
{
    return ::testing::TempDir() + "rozude_" + std::to_string(::getpid()) + "_" + name;
}

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

    // The calls from the first pass (its "pgsci 1" after the labels) to "pgebuf".
    static std::vector<std::string> point_calls()
    {
        std::vector<std::string> v;
        bool on = false;
        for (std::size_t k = 0; k < calls.size(); ++k) {
            if (calls[k] == "pgebuf") break;
            if (!on && calls[k] == "pgsci 1" && k > 0 && calls[k - 1].starts_with("pgsch"))
                on = true;
            if (on) v.push_back(calls[k]);
        }
        return v;
    }
    static std::string call_of(std::string_view name, int nth = 1)
    {
        for (const auto& c : calls)
            if (c.starts_with(name) && --nth == 0) return c;
        return "";
    }
};

TEST_F(Draw, PngShowsDataAxesAndLabels)
{
    const std::string png = scratch("draw.png");
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
    titlpl(30, "Run 1234 F=1 \xB1 0.5 G\xE9");
    EXPECT_EQ(rozude_draw(), DrawEnd::drawn);
    EXPECT_GT(std::filesystem::file_size(png), 5000u);
    EXPECT_EQ(call_of("pgmtxt"), "pgmtxt \"B\" 2 0.5 0.5 \"TIME [\xB5s]\"");
}

// Both passes: lines from blank points, colours from negative codes, markers by table,
// character markers, and where each point's code differs from its predecessor's.
TEST_F(Draw, PointPasses)
{
    doplch(1, 1, -3);   // dot in colour 3
    doplpt(2, 2);       // starts a line: dot
    doplpt(3, 1);       // segment
    doplpt(4, 2);       // segment
    doplch(5, 1, -12);  // colour 1 beyond 8
    doplch(6, 2, 7);    // marker 3 in colour 8, twice, no line
    doplch(7, 2, 7);
    doplch(8, 1, "5");  // the character 5 as the marker
    doplch(9, 1, 5);    // marker 12 in colour 6
    doplch(9, 2, -2);
    doplch(9, 3, -2);   // same negative code: another dot
    rozude_draw();
    const std::vector<std::string> want = {
        "pgsci 1",
        "pgsci 3", "pgmove 1 1", "pgpt1 1 1 -1",
        "pgmove 2 2", "pgpt1 2 2 -1", "pgdraw 3 1", "pgdraw 4 2",
        "pgsci 1", "pgmove 5 1", "pgpt1 5 1 -1",
        "pgmove 6 2", "pgpt1 6 2 -1",
        "pgmove 8 1", "pgpt1 8 1 -1",
        "pgmove 9 1", "pgpt1 9 1 -1",
        "pgsci 2", "pgmove 9 2", "pgpt1 9 2 -1", "pgpt1 9 3 -1",
        "pgsch 1.47058",
        "pgsci 8", "pgpt1 6 2 3", "pgsci 1",
        "pgsci 8", "pgpt1 7 2 3", "pgsci 1",
        "pgpt1 8 1 53",
        "pgsci 6", "pgpt1 9 1 12", "pgsci 1",
    };
    EXPECT_EQ(point_calls(), want);
}

// The extreme codes: the most negative one is colour 1 (its magnitude has no integer),
// the largest a marker of that number in colour 1.
TEST_F(Draw, ExtremeCodes)
{
    doplch(1, 1, std::numeric_limits<std::int32_t>::min());
    doplch(2, 2, std::numeric_limits<std::int32_t>::max());
    rozude_draw();
    const std::vector<std::string> want = {
        "pgsci 1", "pgsci 1", "pgmove 1 1", "pgpt1 1 1 -1", "pgmove 2 2", "pgpt1 2 2 -1",
        "pgsch 1.47058", "pgsci 1", "pgpt1 2 2 2.14748e+09", "pgsci 1",
    };
    EXPECT_EQ(point_calls(), want);
}

// A point size below 0.005 inch, or terse, draws every marker as a dot.
TEST_F(Draw, DotsForTinyPointsAndTerse)
{
    for (const bool terse : {false, true}) {
        SetUp();
        if (terse) l_rozude_par.l[4] = true;
        else chsize(0.0f, 0.004f);
        doplch(1, 1, 3);
        doplch(2, 2, "x");
        rozude_draw();
        const auto v = point_calls();
        ASSERT_GE(v.size(), 2u);
        EXPECT_EQ(v[v.size() - 2], "pgpt1 1 1 -1") << terse;
        EXPECT_EQ(v.back(), "pgpt1 2 2 -1") << terse;
    }
}

// The world window: the data range with its margins, fixed ends, logarithmic and inverse
// axes, one point, an empty buffer.
struct WindowCase {
    const char* what;
    std::vector<std::array<float, 2>> pts;
    std::array<float, 4> limits;   // r(3)..r(6)
    int log_x, inv_x;
    const char* rnge_x;            // the first pgrnge call
    const char* swin;
};

TEST_F(Draw, WorldWindow)
{
    const WindowCase cases[] = {
        {"plain", {{1, 2}, {9, 4}}, {0, 0, 0, 0}, 0, 0, "pgrnge 1 9 0.2 9.8",
         "pgswin 0.2 9.8 1.8 4.2"},
        {"one point widened", {{2, 3}}, {0, 0, 0, 0}, 0, 0, "pgrnge 1.99999 2.00001 1.99999 2.00001",
         "pgswin 1.99999 2.00001 2.99999 3.00001"},
        {"empty buffer: slot 1", {}, {0, 0, 0, 0}, 0, 0, "pgrnge -1e-05 1.001e-05 -1.2001e-05 1.2011e-05",
         "pgswin -1.2001e-05 1.2011e-05 -1.2001e-05 1.2011e-05"},
        {"high end fixed", {{1, 2}, {9, 4}}, {0, 5, 0, 0}, 0, 0, "pgrnge 1 9 0.2 9.8",
         "pgswin 0.2 5 1.8 4.2"},
        {"equal fixed ends: automatic", {{1, 2}, {9, 4}}, {2, 2, 0, 10}, 0, 0,
         "pgrnge 1 9 0.2 9.8", "pgswin 0.2 9.8 1.8 10"},
        {"log X from the smallest positive", {{0.5f, 1}, {100, 2}}, {0, 0, 0, 0}, 1, 0,
         "pgrnge 0.5 100 0 109.95", "pgswin -0.30103 2.0412 0.9 2.1"},
        {"inverse X", {{0.5f, 1}, {100, 2}}, {0, 0, 0, 0}, 0, 1, "pgrnge 0.5 100 0 109.95",
         "pgswin 0.30103 -2.0412 0.9 2.1"},
        {"non-finite values left out", {{NAN, 1}, {1, 2}, {9, 4}, {5, INFINITY}},
         {0, 0, 0, 0}, 0, 0, "pgrnge 1 9 0.2 9.8", "pgswin 0.2 9.8 0.7 4.3"},
        {"log X, nothing positive", {{-2, 1}, {-1, 2}}, {0, 0, 0, 0}, 1, 0,
         "pgrnge -2 -1 -2.1 -0.9", "pgswin 20 21 0.9 2.1"},
    };
    for (const WindowCase& c : cases) {
        SetUp();
        for (const auto& p : c.pts) doplpt(p[0], p[1]);
        for (int k = 0; k < 4; ++k) r_rozude_par.r[3 + k] = c.limits[k];
        l_rozude_par.l[5] = c.log_x != 0;
        l_rozude_par.l[7] = c.inv_x != 0;
        rozude_draw();
        EXPECT_EQ(call_of("pgrnge"), c.rnge_x) << c.what;
        EXPECT_EQ(call_of("pgswin"), c.swin) << c.what;
        const char* xbox = c.log_x || c.inv_x ? "pgbox \"BCLNTS\" 0 0 \" \" 0 0"
                                              : "pgbox \"BCNTS\" 0 0 \" \" 0 0";
        EXPECT_EQ(call_of("pgbox"), xbox) << c.what;
    }
}

// One point far from zero: the 1e-5 widening is lost in single precision, which would
// leave the window empty; the range is widened by its own size instead.
TEST_F(Draw, OnePointFarFromZeroStillHasAWindow)
{
    doplch(1000.0f, 5000.0f, 3);
    rozude_draw();
    EXPECT_EQ(call_of("pgswin"), "pgswin 999.988 1000.01 4999.94 5000.06");
}

// Zero, negative and non-finite values never reach the plot library on a logarithmic
// axis; a skipped point breaks the line it was on.
TEST_F(Draw, NoLogarithmOfNonPositiveReachesThePlot)
{
    doplpt(1, 1);
    doplpt(-1, 2);
    doplpt(10, 3);
    doplpt(100, 4);
    doplch(0, 5, 4);
    doplch(std::nanf(""), 6, 4);
    l_rozude_par.l[5] = true;
    rozude_draw();
    for (const auto& c : calls) {
        EXPECT_EQ(c.find("nan"), std::string::npos) << c;
        EXPECT_EQ(c.find("inf"), std::string::npos) << c;
    }
    const std::vector<std::string> want = {
        "pgsci 1", "pgmove 0 1", "pgpt1 0 1 -1", "pgmove 1 3", "pgpt1 1 3 -1",
        "pgdraw 2 4", "pgsch 1.47058",
    };
    EXPECT_EQ(point_calls(), want);
}

// Viewports: with labels, without, and a hardcopy whose width setting is lowered to the
// page for this and later hardcopies.
TEST_F(Draw, ViewportAndHardcopyPage)
{
    doplpt(1, 1);
    rozude_draw();
    EXPECT_EQ(call_of("pgvsiz"), "pgvsiz 0.8 8.12504 0.8 5.75003");
    calls.clear();
    l_rozude_par.l[3] = false;
    titlpl(5, "Title");
    rozude_draw();
    EXPECT_EQ(call_of("pgvsiz"), "pgvsiz 0.375 8.12504 0.375 6.27503");
    EXPECT_EQ(call_of("pgmtxt"), "");

    const std::string ps = scratch("hard.ps");
    const std::string answers = scratch("answers");
    std::ofstream(answers) << ps << "/ps\n";
    ASSERT_EQ(fio_open(31, answers, FStatus::old), 0);
    set_ask_indir(1, 31);
    calls.clear();
    rozude_priv.hardcopy = true;
    rozude_draw();
    set_ask_indir(0, 0);
    fio_close(31);
    EXPECT_FALSE(rozude_priv.hardcopy);
    EXPECT_EQ(rozude_priv.devname.trimmed(), ps + "/ps");
    EXPECT_NEAR(r_rozude_par.r[7], 7.50014f, 1e-5);   // the page is 8.50014 inches wide
    EXPECT_NEAR(r_rozude_par.r[8], 5.37510f, 1e-5);
    EXPECT_EQ(call_of("pgvsiz"), "pgvsiz 1 7.50014 1 5.3751");
    EXPECT_GT(std::filesystem::file_size(ps), 1000u);
}

// The caption: on a device without a cursor its position stays; drawn at its world point.
TEST_F(Draw, CaptionWithoutCursorKeepsItsPlace)
{
    doplpt(1, 1);
    auto& p = rozude_priv;
    p.capt = "Fig. 1";
    p.nchcpt = 6;
    p.chscpt = 0.34f;
    p.angcpt = 30.0f;
    p.xcpt = 0.5f;
    p.ycpt = 0.75f;
    p.do_caption = true;
    rozude_draw();
    EXPECT_FALSE(p.do_caption);
    EXPECT_EQ(call_of("pgcurs"), "pgcurs");
    EXPECT_EQ(call_of("pgsch", 4), "pgsch 1.99999");
    EXPECT_EQ(call_of("pgptxt"), "pgptxt 0.5 0.75 30 0 \"Fig. 1\"");
}

// The backend numbers a reversed axis as if it were not: an inverse axis (always
// reversed) is numbered here as the logarithm of 1/X, high values of 1/X on the left.
TEST_F(Draw, ReversedAxisNumberedHere)
{
    doplpt(0.5f, 1);
    doplpt(100, 2);
    l_rozude_par.l[7] = true;
    rozude_draw();
    std::vector<std::string> numbers;
    for (const auto& c : calls)
        if (c.starts_with("pgmtxt \"B\" 1.2")) numbers.push_back(c);
    const std::vector<std::string> want = {
        "pgmtxt \"B\" 1.2 0.982412 0.5 \"10\\u-2\"",
        "pgmtxt \"B\" 1.2 0.555468 0.5 \"10\\u-1\"",
        "pgmtxt \"B\" 1.2 0.128523 0.5 \"1\"",
    };
    EXPECT_EQ(numbers, want);
}

// A tick interval of a billionth of the range would keep the backend ticking for ever.
TEST_F(Draw, TinyTickIntervalStillDraws)
{
    doplpt(0, 0);
    doplpt(10, 10);
    r_rozude_par.r[1] = 1e-9f;
    r_rozude_par.r[2] = 1e-7f;
    EXPECT_EQ(rozude_draw(), DrawEnd::drawn);
    EXPECT_EQ(call_of("pgbox"), "pgbox \"BCNTS\" 1e-09 0 \" \" 0 0");
}

// Devices: the default when nothing is named, a file that cannot be written, "?".
TEST_F(Draw, DeviceOpening)
{
    ::unsetenv("PGPLOT_DEV");
    const char* disp = std::getenv("DISPLAY");
    const std::string saved = disp ? disp : "";
    ::unsetenv("DISPLAY");
    const int id = pg_open(" ");
    EXPECT_GT(id, 0);
    if (id > 0) pg_clos();
    EXPECT_EQ(calls.front(), "pgopen \"/null\"");
    EXPECT_LE(pg_open("/no/such/dir/plot.png/png"), 0);
    EXPECT_LE(pg_open("?"), 0);
    if (disp) ::setenv("DISPLAY", saved.c_str(), 1);
}

}  // namespace
