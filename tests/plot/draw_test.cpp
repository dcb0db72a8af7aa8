// draw_test.cpp -- one drawing of the buffer, seen through the calls it makes on the plot
// library (the adapter's trace) and in the files it writes.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
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

// ---- pictures, read back pixel by pixel ------------------------------------------------------

// A PNG picture as rows of RGB bytes. The plot library writes no plainer raster, so a small
// script of the tests decodes it; an empty picture when that failed.
struct Picture {
    int w = 0, h = 0;
    std::vector<unsigned char> rgb;

    bool has(int x, int y) const { return x >= 0 && y >= 0 && x < w && y < h; }
    const unsigned char* at(int x, int y) const { return &rgb[3 * (std::size_t(y) * w + x)]; }
    // Anything but the white page, the grey edges of lines included.
    bool ink(int x, int y) const
    {
        return has(x, y) && std::min({at(x, y)[0], at(x, y)[1], at(x, y)[2]}) < 200;
    }
    // Black: frame, ticks, zero lines, numbers and labels.
    bool dark(int x, int y) const
    {
        return has(x, y) && std::max({at(x, y)[0], at(x, y)[1], at(x, y)[2]}) < 128;
    }
    // Colour 2, which these pictures give their data.
    bool red(int x, int y) const
    {
        return has(x, y) && at(x, y)[0] > 160 && at(x, y)[1] < 110 && at(x, y)[2] < 110;
    }
};

Picture read_png(const std::string& png)
{
    Picture pic;
    const std::string ppm = png + ".ppm";
    const std::string cmd = std::string("python3 " KAVRIN_TEST_DATA "/png_to_ppm.py '") + png +
                            "' '" + ppm + "'";
    if (std::system(cmd.c_str()) != 0) return pic;
    std::ifstream f(ppm, std::ios::binary);
    std::string magic;
    int maxval = 0;
    f >> magic >> pic.w >> pic.h >> maxval;
    f.get();
    pic.rgb.resize(3 * std::size_t(std::max(pic.w, 0)) * std::size_t(std::max(pic.h, 0)));
    f.read(reinterpret_cast<char*>(pic.rgb.data()), std::streamsize(pic.rgb.size()));
    if (magic != "P6" || maxval != 255 || !f) pic = Picture{};
    std::filesystem::remove(ppm);
    return pic;
}

// A PostScript file turned into pixels by the PostScript interpreter (at the PNG device's
// 94 pixels an inch); an empty picture when there is none.
Picture read_ps(const std::string& ps)
{
    const std::string png = ps + ".png";
    const std::string cmd = "gs -q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=png16m -r94 "
                            "-dTextAlphaBits=1 -dGraphicsAlphaBits=1 -sOutputFile='" +
                            png + "' '" + ps + "' >'" + ps + ".log' 2>&1";
    if (std::system(cmd.c_str()) != 0) return {};
    Picture pic = read_png(png);
    std::filesystem::remove(png);
    std::filesystem::remove(ps + ".log");
    return pic;
}

// The frame in pixels: the outermost rows and columns that an unbroken run of ink crosses
// for more than half the picture (a dashed zero line never makes such a run; a marker drawn
// on the frame does not break it).
struct Frame {
    int left = -1, right = -1, top = -1, bottom = -1;
};

Frame frame_of(const Picture& p)
{
    const auto longest = [&](int n, auto dark_at) {
        int best = 0;
        for (int k = 0, run = 0; k < n; ++k) best = std::max(best, run = dark_at(k) ? run + 1 : 0);
        return best;
    };
    Frame f;
    for (int y = 0; y < p.h; ++y)
        if (longest(p.w, [&](int x) { return p.ink(x, y); }) > p.w / 2) {
            if (f.top < 0) f.top = y;
            f.bottom = y;
        }
    for (int x = 0; x < p.w; ++x)
        if (longest(p.h, [&](int y) { return p.ink(x, y); }) > p.h / 2) {
            if (f.left < 0) f.left = x;
            f.right = x;
        }
    return f;
}

// World coordinates to pixels, from the frame and the window the drawing set (in double:
// a window may span all the floats there are).
struct Mapping {
    Frame f;
    double x1 = 0, x2 = 1, y1 = 0, y2 = 1;
    int px(double x) const { return int(std::lround(f.left + (x - x1) / (x2 - x1) * width())); }
    int py(double y) const { return int(std::lround(f.bottom - (y - y1) / (y2 - y1) * height())); }
    double width() const { return f.right - f.left; }
    double height() const { return f.bottom - f.top; }
};

Mapping mapping_of(const Frame& f, const std::string& swin)
{
    Mapping m{f};
    std::sscanf(swin.c_str(), "pgswin %lf %lf %lf %lf", &m.x1, &m.x2, &m.y1, &m.y2);
    return m;
}

using Kind = bool (Picture::*)(int, int) const;   // &Picture::ink, ::dark or ::red

// Pixels of a kind in a rectangle (both corners included, in any order).
int count_in(const Picture& p, Kind kind, int xa, int ya, int xb, int yb)
{
    int n = 0;
    for (int y = std::min(ya, yb); y <= std::max(ya, yb); ++y)
        for (int x = std::min(xa, xb); x <= std::max(xa, xb); ++x) n += (p.*kind)(x, y) ? 1 : 0;
    return n;
}

// Dark pixels 3 pixels inside and 3 pixels outside each edge of the frame, along the edge
// (left, right, bottom, top): ticks that point inward show inside only.
struct EdgeTicks {
    std::array<int, 4> in{}, out{};
};

EdgeTicks edge_ticks(const Picture& p, const Frame& f)
{
    const int t = f.top + 6, b = f.bottom - 6, l = f.left + 6, r = f.right - 6;
    EdgeTicks e;
    for (const int d : {3, -3}) {   // inside, then outside
        auto& n = d > 0 ? e.in : e.out;
        n[0] = count_in(p, &Picture::dark, f.left + d, t, f.left + d, b);
        n[1] = count_in(p, &Picture::dark, f.right - d, t, f.right - d, b);
        n[2] = count_in(p, &Picture::dark, l, f.bottom - d, r, f.bottom - d);
        n[3] = count_in(p, &Picture::dark, l, f.top + d, r, f.top + d);
    }
    return e;
}

// Pixels of a kind more than a pixel outside the frame.
int outside_frame(const Picture& p, const Frame& f, Kind kind)
{
    return count_in(p, kind, 0, 0, p.w - 1, f.top - 2) +
           count_in(p, kind, 0, f.bottom + 2, p.w - 1, p.h - 1) +
           count_in(p, kind, 0, f.top - 1, f.left - 2, f.bottom + 1) +
           count_in(p, kind, f.right + 2, f.top - 1, p.w - 1, f.bottom + 1);
}

void expect_ticks_inward(const Picture& p, const Frame& f)
{
    static constexpr const char* edge[4] = {"left", "right", "bottom", "top"};
    const EdgeTicks e = edge_ticks(p, f);
    for (int k = 0; k < 4; ++k) {
        EXPECT_GE(e.in[k], 4) << "no ticks inside the " << edge[k] << " edge";
        EXPECT_EQ(e.out[k], 0) << "ink outside the " << edge[k] << " edge";
    }
}

// Titles outside ASCII: the same text typed at a UTF-8 terminal or made in Latin-1 draws
// the same picture as that text written in the plot library's own escapes (Greek letters by
// their keys; a letter with an accent as its mark set small and raised, or lowered for the
// cedilla, after as many small blanks, backspaces over them and the letter); the library's
// markup characters "_ ^ { }" are drawn as themselves; a character the library has no form
// for (sharp s, ae here) is one visible "?"; the picture is not blanked after any of them.
TEST_F(Draw, TitlesOutsideAsciiDrawAsTheLibrarysEscapes)
{
    const auto draw = [](std::string_view title, FCharset cs) {
        const std::string png = scratch("title.png");
        std::filesystem::remove(png);
        ::setenv("PGPLOT_DEV", (png + "/png").c_str(), 1);
        rozude_clear();
        doplpt(0, 0);
        doplpt(1, 1);
        titlpl(static_cast<int>(title.size()), title);
        const FMadeIn made(cs);
        EXPECT_EQ(rozude_draw(), DrawEnd::drawn) << title;
        return png;
    };
    // The same file is the same picture: the rows compare files, the marks below pixels.
    const auto bytes = [&](std::string_view title, FCharset cs) {
        std::ifstream f(draw(title, cs), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(f), {});
    };
    const struct { const char* title; FCharset cs; const char* escapes; } rows[] = {
        {"G\xC3\xA9 \xCF\x83 \xCE\xBB \xCE\x94 \xC3\xBC end", FCharset::latin1,
         "G\\u \\(2216)\\b\\b\\de \\gs \\gl \\gD \\u\\u  ..\\b\\b\\b\\b\\d\\du end"},
        {"G\xE9 \xE8 \xB5 \xB1 \xFC end", FCharset::latin1,
         "G\\u \\(2216)\\b\\b\\de \\u `\\b\\b\\de \\gm \\(2233) \\u\\u  ..\\b\\b\\b\\b\\d\\du end"},
        {"G\x82 \xE5 \xE6 end", FCharset::cp437,
         "G\\u \\(2216)\\b\\b\\de \\gs \\gm end"},
        {"M\xC3\xBCller \xC3\xB1 \xC3\xA7 end", FCharset::latin1,
         "M\\u\\u  ..\\b\\b\\b\\b\\d\\duller \\u\\u  ~\\b\\b\\b\\d\\dn \\d ,\\b\\b\\uc end"},
        {"\xC3\x96 \xC3\x91 \xC3\x87 end", FCharset::latin1,
         "\\u\\u  \\(0229)\\(0229)\\b\\b\\b\\b\\d\\dO \\u\\u  ~\\b\\b\\b\\d\\dN \\d ,\\b\\b\\uC end"},
        {"\xE2 \xC5 \xFF end", FCharset::latin1,
         "\\u \\^\\b\\b\\da \\u\\u  \\(2218)\\b\\b\\b\\d\\dA \\u\\u  ..\\b\\b\\b\\b\\d\\dy end"},
        {"run_12 x^2 {a} \xBD \xAA \xB4 \xDF \xE6 end", FCharset::latin1,
         "run\\_12 x\\^2 \\{a\\} \\u1\\d/\\d2\\u \\ua\\d \\(2216) ? ? end"},
    };
    const std::string plain = bytes("G end", FCharset::latin1);
    ASSERT_FALSE(plain.empty()) << "no picture";
    for (const auto& r : rows) {
        const std::string got = bytes(r.title, r.cs);
        ASSERT_FALSE(got.empty()) << r.escapes;
        EXPECT_TRUE(got == bytes(r.escapes, FCharset::latin1)) << r.escapes;
        EXPECT_FALSE(got == plain) << r.escapes;   // the letters are drawn
    }
    // Each kind of mark is ink of its own (the library's combining accents draw as blanks),
    // and the text after it is drawn: the letter with it and "end" inks more than the letter
    // alone and "end".
    const auto ink = [&](std::string_view t) {
        const Picture p = read_png(draw(std::string(t) + " end", FCharset::latin1));
        EXPECT_GT(p.w, 0) << "the picture of " << t << " could not be read";
        return count_in(p, &Picture::dark, 0, 0, p.w - 1, p.h - 1);
    };
    const struct { const char* with; const char* without; } marks[] = {
        {"\xE9", "e"}, {"\xFC", "u"}, {"\xE7", "c"}, {"\xD6", "O"},
    };
    for (const auto& m : marks) EXPECT_GT(ink(m.with), ink(m.without)) << m.with;
}

// Data, frame, ticks, zero line and labels where they belong: red markers at the points and
// red nowhere far from them (or outside the frame), ticks inward on all four edges, the
// dashed line Y = 0 across the frame and not beyond it, the labels and title around it.
// The Latin-1 bytes of the title must not blank what is drawn after it.
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
    EXPECT_EQ(call_of("pgmtxt"), "pgmtxt \"B\" 3.2 0.5 0.5 \"TIME [\xB5s]\"");
    const Picture pic = read_png(png);
    ASSERT_GT(pic.w, 0) << "the picture could not be read";
    const Frame f = frame_of(pic);
    ASSERT_GT(f.right - f.left, pic.w / 2);
    ASSERT_GT(f.bottom - f.top, pic.h / 2);
    const Mapping m = mapping_of(f, call_of("pgswin"));
    for (int i = 0; i <= 40; ++i) {
        const float t = 0.25f * i;
        const int x = m.px(t), y = m.py(std::cos(t));
        EXPECT_GT(count_in(pic, &Picture::red, x - 8, y - 8, x + 8, y + 8), 10) << "t = " << t;
        // Above and below the point's bar and marker, its column has no data colour.
        EXPECT_EQ(count_in(pic, &Picture::red, x, f.top + 2, x, y - 30), 0) << "t = " << t;
        EXPECT_EQ(count_in(pic, &Picture::red, x, y + 30, x, f.bottom - 2), 0) << "t = " << t;
    }
    EXPECT_EQ(outside_frame(pic, f, &Picture::red), 0);
    expect_ticks_inward(pic, f);
    const int y0 = m.py(0.0f);
    const int dashes = count_in(pic, &Picture::ink, f.left + 2, y0, f.right - 2, y0);
    EXPECT_GT(dashes, (f.right - f.left) / 4) << "no line Y = 0";
    EXPECT_LT(dashes, (f.right - f.left) * 9 / 10) << "the line Y = 0 is not dashed";
    EXPECT_EQ(count_in(pic, &Picture::ink, f.right + 2, y0 - 1, f.right + 16, y0 + 1), 0);
    EXPECT_GT(count_in(pic, &Picture::dark, f.left, 0, f.right, f.top - 4), 50) << "title";
    EXPECT_GT(count_in(pic, &Picture::dark, 0, f.top, f.left - 4, f.bottom), 50) << "Y numbers";
    EXPECT_GT(count_in(pic, &Picture::dark, f.left, f.bottom + 4, f.right, pic.h - 1), 50)
        << "X numbers and label";
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
        "pgsch 1.96077",
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
        "pgsch 1.96077", "pgsci 1", "pgpt1 2 2 2.14748e+09", "pgsci 1",
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
        "pgdraw 2 4", "pgsch 1.96077",
    };
    EXPECT_EQ(point_calls(), want);
}

// Viewports: with labels, without, and a hardcopy whose width setting is lowered to the
// page for this and later hardcopies.
TEST_F(Draw, ViewportAndHardcopyPage)
{
    doplpt(1, 1);
    rozude_draw();
    EXPECT_EQ(call_of("pgvsiz"), "pgvsiz 1.2 8.12504 1.3 5.75003");
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
    EXPECT_EQ(call_of("pgsch", 4), "pgsch 2.66665");
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
        if (c.starts_with("pgmtxt \"B\" 1.4")) numbers.push_back(c);
    const std::vector<std::string> want = {
        "pgmtxt \"B\" 1.4 0.982412 0.5 \"10\\u-2\"",
        "pgmtxt \"B\" 1.4 0.555468 0.5 \"10\\u-1\"",
        "pgmtxt \"B\" 1.4 0.128523 0.5 \"1\"",
    };
    EXPECT_EQ(numbers, want);
}

// Exactly one reversed axis, drawn and read back: an inverse X scale (X' = -log10 X falls
// to the right), or a fixed low Y limit above the automatic high end. Both axes keep
// their ticks on their own edges pointing inward (the plot library drew the other axis's
// ticks on the opposite edge, outward), the dashed zero lines stop at the frame (they ran
// some 14 pixels past it), and the points sit where the window puts them.
TEST_F(Draw, OneReversedAxisKeepsTicksAndZeroLinesInside)
{
    struct ReversedCase {
        const char* what;
        bool inverse_x;
        float ylo;                     // fixed low Y limit, 0: automatic
        float yshift;                  // added to every Y
        std::array<bool, 2> zero;      // a zero line X = 0, Y = 0 inside the window
    };
    const ReversedCase cases[] = {
        {"inverse X", true, 0.0f, 0.0f, {true, true}},
        {"Y from 2 down to -0.8", false, 2.0f, -2.0f, {false, true}},
    };
    for (const ReversedCase& c : cases) {
        SetUp();
        const std::string png = scratch("reversed.png");
        std::filesystem::remove(png);
        ::setenv("PGPLOT_DEV", (png + "/png").c_str(), 1);
        for (int i = 0; i <= 40; ++i) {
            const float t = 0.5f + 0.25f * i;
            doplch(t, std::cos(t) + c.yshift, 1);
        }
        l_rozude_par.l[7] = c.inverse_x;
        r_rozude_par.r[5] = c.ylo;
        EXPECT_EQ(rozude_draw(), DrawEnd::drawn) << c.what;
        const Mapping m0 = mapping_of(Frame{}, call_of("pgswin"));
        EXPECT_NE(m0.x1 > m0.x2, m0.y1 > m0.y2) << c.what << ": not one reversed axis";
        const Picture pic = read_png(png);
        ASSERT_GT(pic.w, 0) << c.what;
        const Frame f = frame_of(pic);
        const Mapping m = mapping_of(f, call_of("pgswin"));
        SCOPED_TRACE(c.what);
        expect_ticks_inward(pic, f);
        if (c.zero[1]) {   // the line Y = 0: across, dashed, not beyond either end
            const int y0 = m.py(0.0f);
            EXPECT_GT(count_in(pic, &Picture::ink, f.left + 2, y0, f.right - 2, y0), m.width() / 4);
            EXPECT_EQ(count_in(pic, &Picture::ink, f.right + 2, y0 - 1, f.right + 16, y0 + 1), 0);
            EXPECT_EQ(count_in(pic, &Picture::ink, f.left - 8, y0 - 1, f.left - 2, y0 + 1), 0);
        }
        if (c.zero[0]) {   // the line X = 0: up and down, not beyond either end
            const int x0 = m.px(0.0f);
            const int line = count_in(pic, &Picture::ink, x0, f.top + 2, x0, f.bottom - 2);
            EXPECT_GT(line, m.height() / 4);
            EXPECT_EQ(count_in(pic, &Picture::ink, x0 - 1, f.top - 16, x0 + 1, f.top - 2), 0);
            EXPECT_EQ(count_in(pic, &Picture::ink, x0 - 1, f.bottom + 2, x0 + 1, f.bottom + 6), 0);
        }
        for (int i = 0; i <= 40; i += 4) {
            const float t = 0.5f + 0.25f * i;
            const float x = c.inverse_x ? -std::log10(t) : t, y = std::cos(t) + c.yshift;
            if (y < std::min(m.y1, m.y2) || y > std::max(m.y1, m.y2)) continue;   // cut off
            const int px = m.px(x), py = m.py(y);
            EXPECT_GT(count_in(pic, &Picture::red, px - 8, py - 8, px + 8, py + 8), 10) << t;
        }
        EXPECT_EQ(outside_frame(pic, f, &Picture::red), 0);
    }
}

// Values near the largest single-precision number: the range is formed in double, the
// window held at the largest float, and every point is drawn inside the frame (the range
// overflowed to infinity and the window fell back to 0..1, showing none).
TEST_F(Draw, ValuesNearTheFloatLimitStayVisible)
{
    const std::string png = scratch("huge.png");
    std::filesystem::remove(png);
    ::setenv("PGPLOT_DEV", (png + "/png").c_str(), 1);
    const float big = 3e38f;
    std::vector<std::array<float, 2>> pts;
    for (int i = 0; i <= 10; ++i) pts.push_back({float(i), (i % 2 ? big : -big) * (i / 10.0f)});
    pts.push_back({5.0f, std::numeric_limits<float>::max()});
    pts.push_back({5.5f, -std::numeric_limits<float>::max()});
    for (const auto& p : pts) doplch(p[0], p[1], 1);
    EXPECT_EQ(rozude_draw(), DrawEnd::drawn);
    EXPECT_EQ(call_of("pgswin"), "pgswin 0 11 -3.40282e+38 3.40282e+38");
    const Picture pic = read_png(png);
    ASSERT_GT(pic.w, 0);
    const Frame f = frame_of(pic);
    const Mapping m = mapping_of(f, call_of("pgswin"));
    for (const auto& p : pts) {
        const int px = m.px(p[0]), py = m.py(p[1]);
        EXPECT_GT(count_in(pic, &Picture::red, px - 8, py - 8, px + 8, py + 8), 5) << p[1];
    }
    const int y0 = m.py(0.0f);   // the middle of the frame
    EXPECT_NEAR(y0, (f.top + f.bottom) / 2, 2);
}

// A reversed axis beside an axis whose window spans nearly all the floats: the reversed
// axis's ticks reach in from the other axis's edges by a share of that span, which has no
// float value (the ticks ran as long lines across the whole picture).
TEST_F(Draw, ReversedAxisBesideTheWidestWindowKeepsShortTicks)
{
    struct WideCase {
        const char* what;
        bool inverse_x;   // X reversed, Y the wide axis
        float ylo;        // fixed low Y limit above the automatic high end: Y reversed
    };
    const WideCase cases[] = {
        {"inverse X beside Y of +-3e38", true, 0.0f},
        {"Y from 2 down beside X of +-3e38", false, 2.0f},
    };
    for (const WideCase& c : cases) {
        SetUp();
        SCOPED_TRACE(c.what);
        const std::string png = scratch("wide.png");
        std::filesystem::remove(png);
        ::setenv("PGPLOT_DEV", (png + "/png").c_str(), 1);
        for (int i = 0; i <= 20; ++i) {
            const float t = 0.5f + 0.5f * i;
            const float wide = (i % 2 ? 3e38f : -3e38f) * (i / 20.0f);
            if (c.inverse_x) doplch(t, wide, 1);
            else doplch(wide, std::cos(t), 1);
        }
        l_rozude_par.l[7] = c.inverse_x;
        r_rozude_par.r[5] = c.ylo;
        EXPECT_EQ(rozude_draw(), DrawEnd::drawn);
        const Picture pic = read_png(png);
        ASSERT_GT(pic.w, 0);
        const Frame f = frame_of(pic);
        const Mapping m = mapping_of(f, call_of("pgswin"));
        EXPECT_NE(m.x1 > m.x2, m.y1 > m.y2) << "not one reversed axis";
        expect_ticks_inward(pic, f);
        // Away from the edges only the dashed zero lines may be black.
        const int x0 = m.px(0.0), y0 = m.py(0.0);
        int stray = 0;
        for (int y = f.top + 20; y <= f.bottom - 20; ++y)
            for (int x = f.left + 20; x <= f.right - 20; ++x)
                if (std::abs(x - x0) > 2 && std::abs(y - y0) > 2 && pic.dark(x, y)) ++stray;
        EXPECT_EQ(stray, 0) << "black lines across the frame";
    }
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

// ---- the texts around the frame, measured in the drawn pixels ---------------------------

// Runs of inked rows (or columns) in a rectangle: each run is one line of text across it.
struct Band {
    int from, to;
};

std::vector<Band> bands(const Picture& p, bool rows, int xa, int ya, int xb, int yb)
{
    std::vector<Band> out;
    const int n0 = rows ? ya : xa, n1 = rows ? yb : xb;
    for (int k = n0; k <= n1; ++k) {
        const bool inked = rows ? count_in(p, &Picture::ink, xa, k, xb, k) > 0
                                : count_in(p, &Picture::ink, k, ya, k, yb) > 0;
        if (!inked) continue;
        if (!out.empty() && out.back().to == k - 1) out.back().to = k;
        else out.push_back({k, k});
    }
    return out;
}

std::string bands_text(const std::vector<Band>& b)
{
    std::string s;
    for (const Band& x : b) s += " " + std::to_string(x.from) + ".." + std::to_string(x.to);
    return s;
}

// The axis numbers of one line, as pieces separated by blank columns (rows for the Y axis).
int pieces(const Picture& p, const Band& b, bool yaxis, int lo, int hi)
{
    return int(yaxis ? bands(p, true, b.from, lo, b.to, hi).size()
                     : bands(p, false, lo, b.from, hi, b.to).size());
}

// Every text of a labelled plot lies inside the picture with a margin and apart from the
// others, on the PNG device at three sizes and on PostScript turned into pixels: nothing in
// the picture's margin; above the frame the title alone; below it the numbers, a blank gap,
// the X label; left of it the label, a gap, the numbers; the numbers of an axis apart from
// each other and from the corner number of the other axis. The frame is the only ink that
// crosses from one band to the next.
TEST_F(Draw, TextsStayInsideThePictureAndApart)
{
    struct Size { float inches; int w, h; const char* dev; };
    const Size sizes[] = {
        {6.8f, 640, 480, "png"}, {0.0f, 800, 600, "png"}, {17.0f, 1600, 1200, "png"},
        {0.0f, 0, 0, "ps"},
    };
    for (const Size& s : sizes) {
        SCOPED_TRACE(std::string(s.dev) + " " + std::to_string(s.w) + "x" + std::to_string(s.h));
        const std::string file = scratch((std::string("layout.") + s.dev).c_str());
        std::filesystem::remove(file);
        ::setenv("PGPLOT_DEV", (file + "/" + s.dev).c_str(), 1);
        pg_test_paper_width = s.inches;
        rozude_clear();
        for (int i = 0; i <= 100; ++i) doplpt(0.1f * i, 0.25f * std::cos(0.6f * i));
        hlab(9, "TIME [\xB5s]");
        vlab(9, "Asymmetry");
        titlpl(40, "Run 1234 T=5.0K B=100G  fit of the asymmetry");
        const DrawEnd end = rozude_draw();
        pg_test_paper_width = 0.0f;
        ASSERT_EQ(end, DrawEnd::drawn);
        const Picture pic = std::string(s.dev) == "png" ? read_png(file) : read_ps(file);
        if (pic.w == 0 && std::string(s.dev) == "ps") {
            std::printf("[  SKIPPED ] no PostScript interpreter to turn %s into pixels\n",
                        file.c_str());
            continue;
        }
        ASSERT_GT(pic.w, 0) << "the picture could not be read";
        if (s.w > 0) {
            EXPECT_EQ(pic.w, s.w);
            EXPECT_EQ(pic.h, s.h);
        }
        const Frame f = frame_of(pic);
        ASSERT_GT(f.right - f.left, pic.w / 2);
        ASSERT_GT(f.bottom - f.top, pic.h / 2);
        const int m = std::max(3, pic.h / 100);   // the picture's margin
        EXPECT_EQ(count_in(pic, &Picture::ink, 0, 0, pic.w - 1, m - 1), 0) << "top margin";
        EXPECT_EQ(count_in(pic, &Picture::ink, 0, pic.h - m, pic.w - 1, pic.h - 1), 0)
            << "bottom margin";
        EXPECT_EQ(count_in(pic, &Picture::ink, 0, 0, m - 1, pic.h - 1), 0) << "left margin";
        EXPECT_EQ(count_in(pic, &Picture::ink, pic.w - m, 0, pic.w - 1, pic.h - 1), 0)
            << "right margin";
        const auto above = bands(pic, true, 0, 0, pic.w - 1, f.top - 2);
        EXPECT_EQ(above.size(), 1u) << "rows above the frame:" << bands_text(above);
        const auto below = bands(pic, true, 0, f.bottom + 2, pic.w - 1, pic.h - 1);
        ASSERT_EQ(below.size(), 2u) << "rows below the frame:" << bands_text(below);
        const auto left = bands(pic, false, 0, f.top, f.left - 2, f.bottom);
        ASSERT_EQ(left.size(), 2u) << "columns left of the frame:" << bands_text(left);
        // Numbers: several, each apart; the X numbers clear of the Y numbers' columns.
        EXPECT_GE(pieces(pic, below[0], false, 0, pic.w - 1), 4) << "X numbers run together";
        EXPECT_GE(pieces(pic, left[1], true, 0, pic.h - 1), 4) << "Y numbers run together";
        EXPECT_EQ(count_in(pic, &Picture::ink, left[1].from, f.bottom + 2, left[1].to,
                           below[0].to), 0)
            << "a Y number meets the X numbers";
        // The label is one line of text, wider than it is tall; the title beside nothing.
        EXPECT_GT(below[1].from - below[0].to, 2) << "X label on the numbers";
        EXPECT_GT(left[1].from - left[0].to, 2) << "Y label on the numbers";
        EXPECT_GT(f.top - 2 - above[0].to, 2) << "title on the frame";
    }
}
