// dialog_test.cpp -- the "ROZUDE: " dialog driven through standard input in a child
// process (QUIT and batch errors stop it), with the null device as the default.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include "../fit/dialog_run.h"
#include "ask.h"
#include "pgadapter.h"
#include "plot_local.h"

namespace {

// The state of a fresh process, whatever earlier tests in this one left.
void fresh_state()
{
    dopltl = Dopltl{};
    r_rozude_par = RRozudePar{};
    l_rozude_par = LRozudePar{};
    rozude_priv = RozudePriv{};
    rozude_status = RozudeStatus{};
}

DialogResult run_fresh(const std::function<void()>& body, const std::string& input,
                       bool tty = false)
{
    return run_dialog(
        [&] {
            fresh_state();
            body();
        },
        input, tty);
}

// Runs rozude over two points (one marker, one line point), then writes the buffer count
// and the status, and whatever `after` shows. Drawing calls go to the screen as "  pg...".
DialogResult run_rozude(const std::string& input, const std::function<void()>& after = {},
                        bool tty = false, bool trace = false)
{
    return run_fresh(
        [&] {
            ::setenv("PGPLOT_DEV", "/null", 1);
            if (trace)
                pg_trace = [](std::string_view c) { fio_write(6, "('  ',A)", {c}); };
            doplch(1.0f, 2.0f, 5);
            doplpt(3.0f, 4.0f);
            rozude();
            pg_trace = nullptr;
            fio_write(6, "(' npt',I3,' status',I3)", {dopltl.npt, rozude_status.npt});
            if (after) after();
        },
        input, tty);
}

// rozude over two line points once `prepare` has chosen the device, then the points left.
DialogResult run_two_points(const std::function<void()>& prepare, const std::string& input,
                            bool tty)
{
    return run_fresh(
        [&] {
            prepare();
            doplpt(1, 1);
            doplpt(2, 2);
            rozude();
            fio_write(6, "(' npt',I3)", {dopltl.npt});
        },
        input, tty);
}

bool has(const std::string& out, const std::string& part)
{
    return out.find(part) != std::string::npos;
}

// An empty line draws; a second one leaves and empties the buffer.
TEST(Dialog, EmptyLineDrawsThenLeaves)
{
    const DialogResult r = run_rozude("\n\n", {}, false, true);
    EXPECT_EQ(r.status, 0);
    // No device is named and there is no display: the drawing says so.
    EXPECT_TRUE(r.out.starts_with("ROZUDE: \n"
                                  " No plot device is open: set PGPLOT_DEV, or use HARDCOPY\n"
                                  "  pgopen \"/null\"\n"))
        << r.out;
    EXPECT_TRUE(r.out.ends_with("  pgclos\nROZUDE: \n npt  0 status  0\n")) << r.out;
}

// KEEP and NEXT leave with the points; EXIT empties; QUIT ends the process with 0.
TEST(Dialog, LeavingKeepsOrEmpties)
{
    const struct { const char* in; const char* tail; } cases[] = {
        {"KEEP\n", " npt  2 status  2\n"},
        {"NEXT\n", " npt  2 status  2\n"},
        {"EXIT\n", " npt  0 status  0\n"},
        {"E\n", " npt  0 status  0\n"},
        {"QUIT\n", "ROZUDE: QUIT\n"},
    };
    for (const auto& c : cases) {
        const DialogResult r = run_rozude(c.in);
        EXPECT_EQ(r.status, 0) << c.in;
        EXPECT_TRUE(r.out.ends_with(c.tail)) << c.in << r.out;
    }
}

// Abbreviations resolve in table order; each row shows the line its command writes.
TEST(Dialog, AbbreviationsInTableOrder)
{
    const struct { const char* in; const char* shows; } cases[] = {
        {"H 3\nE\n", "Plot Height (\") now 3"},
        {"HA\n?\n/null\nE\n", "Format? (filename/devicetype): "},
        {"T\n\nE\n", " Present Title:"},
        {"P 0.2\nE\n", "Point size (\") now 0.2"},
        {"D\n/null\nE\n", "Format? (filename/device): "},
        {"C 0.3\nE\n", "Character size (\") now 0.3"},
        {"L\nn\nn\nE\n", "Logarithmic X Scale? "},
        {"A\ny\nn\nE\n", "Plot X-axis? "},
        {"R\nE\n", "ROZUDE: R\nROZUDE: E"},
        {"W 7\nE\n", "Plot Width (\") now 7"},
    };
    for (const auto& c : cases) {
        const DialogResult r = run_rozude(c.in);
        EXPECT_EQ(r.status, 0) << c.in;
        EXPECT_TRUE(has(r.out, c.shows)) << c.in << "\n" << r.out;
    }
}

// Limits, sizes, ticks, corner and font: the message of each, and the settings it leaves
// as r(1) to r(7), r(11), r(9), r(10) and the font.
void show_settings()
{
    const auto& r = r_rozude_par.r;
    fio_list(6, {r[1], r[2], r[3], r[4], r[5], r[6], r[7], r[11], r[9], r[10], rozude_priv.font});
}

TEST(Dialog, SettingCommands)
{
    using S = std::array<float, 11>;
    const struct { const char* in; const char* says; S state; } cases[] = {
        {"X_LIMITS 5,1", "X limits changed to 0, 0", {0, 0, 0, 0, 0, 0, 10, .25f, 1, 1, 1}},
        {"X_LIMITS 0,5", "X limits changed to 0, 5", {0, 0, 0, 5, 0, 0, 10, .25f, 1, 1, 1}},
        {"X_LIMITS 5", "X limits changed to 5, 0", {0, 0, 5, 0, 0, 0, 10, .25f, 1, 1, 1}},
        {"X_LIMITS -2,-3", "X limits changed to 0, 0", {0, 0, 0, 0, 0, 0, 10, .25f, 1, 1, 1}},
        {"Y_LIMITS 1,4", "Y limits changed to 1, 4", {0, 0, 0, 0, 1, 4, 10, .25f, 1, 1, 1}},
        {"CHARSIZE 0.01", "Character size (\") now 0.25", {0, 0, 0, 0, 0, 0, 10, .25f, 1, 1, 1}},
        {"CHARSIZE 0.02", "Character size (\") now 0.02", {0, 0, 0, 0, 0, 0, 10, .02f, 1, 1, 1}},
        {"WIDTH -1", "Plot Width (\") now 10", {0, 0, 0, 0, 0, 0, 10, .25f, 1, 1, 1}},
        {"TICS 2,0.5", "Tic intervals on X and Y axes (0.0=default): 2, 0.5",
         {2, .5f, 0, 0, 0, 0, 10, .25f, 1, 1, 1}},
        {"MARGINS -1,2", "Lower left corner of plot now at (X,Y) = -1, 2",
         {0, 0, 0, 0, 0, 0, 10, .25f, -1, 2, 1}},
        {"FONT 2.5", "Using italic font", {0, 0, 0, 0, 0, 0, 10, .25f, 1, 1, 3}},
        {"FONT 7", "Using standard font", {0, 0, 0, 0, 0, 0, 10, .25f, 1, 1, 1}},
        {"FONT 1.4", "Using standard font", {0, 0, 0, 0, 0, 0, 10, .25f, 1, 1, 1}},
        {"FONT 1.5", "Using roman font", {0, 0, 0, 0, 0, 0, 10, .25f, 1, 1, 2}},
        {"FONT 4", "Using script font", {0, 0, 0, 0, 0, 0, 10, .25f, 1, 1, 4}},
    };
    for (const auto& c : cases) {
        const DialogResult r = run_rozude(std::string(c.in) + "\nE\n", show_settings);
        const S& v = c.state;
        const std::string want = fio_list_format(
            {v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7], v[8], v[9], int(v[10])})[0];
        EXPECT_TRUE(has(r.out, std::string("  ") + c.says + " \n")) << c.in << "\n" << r.out;
        EXPECT_TRUE(r.out.ends_with(want + "\n")) << c.in << "\n" << r.out << want;
    }
}

// The buffer after the dialog: one line per point, code as an integer.
void show_points()
{
    for (int k = 1; k <= dopltl.npt; ++k)
        fio_list(6, {dopltx.xset[k], doplty.yset[k], iptyp_int(dopltl.lset[k])});
}

// ADD: a line starts with its first point twice (colour 1, then blank); characters and
// integer codes as typed; X and Y both 0 end the entry whatever the code.
TEST(Dialog, AddPoints)
{
    const struct { const char* in; const char* points; } cases[] = {
        {"ADD\ny\n1,2\n3,4\n0,0\nKEEP\n",
         "   1.  2. 5\n   3.  4. 538976288\n   1.  2. -1\n   1.  2. 538976288\n"
         "   3.  4. 538976288\n"},
        {"ADD\nn\ny\n5,6,x\n0,0\nKEEP\n",
         "   1.  2. 5\n   3.  4. 538976288\n   5.  6. 538976376\n"},
        {"ADD\nn\nn\n7,8,3\n9,9\n0,0,9\nKEEP\n",
         "   1.  2. 5\n   3.  4. 538976288\n   7.  8. 3\n   9.  9. 0\n"},
    };
    for (const auto& c : cases) {
        const DialogResult r = run_rozude(c.in, show_points);
        EXPECT_TRUE(r.out.ends_with(c.points)) << c.in << "\n" << r.out;
    }
    const DialogResult r = run_fresh(
        [] {
            doplmx(3);
            doplpt(1, 1);
            doplpt(2, 2);
            rozude();   // the buffer holds maxpt - 1 points: ADD asks nothing
        },
        "ADD\nKEEP\n");
    EXPECT_EQ(r.out, "ROZUDE: ADD\nROZUDE: KEEP\n");
}

// LOGSCALE and INVSCALE: the truncation question for values without a logarithm, and
// one scale kind of an axis switching the other off.
TEST(Dialog, ScaleQuestions)
{
    const auto show = [] {
        const auto& l = l_rozude_par.l;
        fio_list(6, {l[5], l[6], l[7], l[8]});
    };
    const struct { const char* in; const char* asks; const char* state; } cases[] = {
        {"L\ny\ny\nE\n", "Logarithmic Y Scale? ", " T T F F"},
        {"INVSCALE\ny\nn\nL\ny\nn\nE\n", "Inverse Y Scale? ", " T F F F"},
        {"L\ny\nn\nINVSCALE\nn\ny\nE\n", "Inverse X Scale? ", " T F F T"},
    };
    for (const auto& c : cases) {
        const DialogResult r = run_rozude(c.in, show);
        EXPECT_TRUE(has(r.out, c.asks)) << c.in << r.out;
        EXPECT_FALSE(has(r.out, "Truncate")) << c.in << r.out;
        EXPECT_TRUE(r.out.ends_with(std::string(c.state) + "\n")) << c.in << r.out;
    }
    const DialogResult r = run_fresh(
        [] {
            doplpt(0, 1);
            doplpt(2, -3);
            rozude();
            const auto& l = l_rozude_par.l;
            fio_list(6, {l[5], l[6]});
        },
        "L\ny\nn\ny\ny\nE\n");
    EXPECT_EQ(r.out,
              "ROZUDE: L\nLogarithmic X Scale? y\n"
              "There are zero or negative X values.  Truncate? n\n"
              "Logarithmic Y Scale? y\n"
              "There are zero or negative Y values.  Truncate? y\nROZUDE: E\n  F T\n");
}

// BOX sets the hardcopy size whatever width was set before.
TEST(Dialog, BoxSetsTheSize)
{
    const auto show = [] {
        fio_list(6, {l_rozude_par.l[3], r_rozude_par.r[7], r_rozude_par.r[8]});
    };
    EXPECT_TRUE(run_rozude("WIDTH 9\nBOX\ny\nE\n", show).out.ends_with(" T  7.25  6.\n"));
    EXPECT_TRUE(run_rozude("BOX\nn\nE\n", show).out.ends_with(" F  10.  8.\n"));
}

// TITLE and LABELS show the present texts and replace only with an answer that has
// something in it.
TEST(Dialog, TitleAndLabels)
{
    const DialogResult r = run_fresh(
        [] {
            doplpt(1, 1);
            doplpt(2, 2);
            hlab(9, "TIME [\xB5s]");
            rozude();
            const auto& p = rozude_priv;
            fio_list(6, {"[", rozude_text(p.stitle, p.nttl), "][",
                         rozude_text(p.sxlab, p.nlbx), "][", rozude_text(p.sylab, p.nlby),
                         "]"});
        },
        "TITLE\nRun 5\nTITLE\n \nLABELS\n\nAsymmetry\nE\n");
    EXPECT_EQ(r.out,
              "ROZUDE: TITLE\n Present Title:\n\nReplacement? Run 5\n"
              "ROZUDE: TITLE\n Present Title:\n Run 5\nReplacement?  \n"
              "ROZUDE: LABELS\n Present X Label:\n TIME [\xB5s]\nReplacement? \n"
              " Present Y Label: \n\nReplacement? Asymmetry\nROZUDE: E\n"
              " [Run 5][TIME [\xB5s]][Asymmetry]\n");
}

// DB_DUMP: title, labels, one line per point with the code as an integer (-1 for a blank
// or a character code), two empty lines; an empty line after it leaves.
TEST(Dialog, DbDump)
{
    const std::string db = ::testing::TempDir() + "rozude_" + std::to_string(::getpid()) + ".db";
    std::filesystem::remove(db);
    const DialogResult r = run_fresh(
        [] {
            titlpl(6, "Run 12");
            hlab(9, "TIME [\xB5s]");
            doplch(0.125f, -2.5f, 5);
            doplpt(1.0f, 1e-8f);
            doplch(3.0f, 4.0f, "x");
            doplch(5.0f, 6.0f, -7);
            rozude();
            fio_write(6, "(' npt',I3)", {dopltl.npt});
        },
        "DB_DUMP\n" + db + "\n\n");
    EXPECT_TRUE(r.out.ends_with("ROZUDE: \n npt  0\n")) << r.out;
    std::ifstream f(db);
    const std::string text{std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
    EXPECT_EQ(text,
              " TITLE\n Run 12\n LABELS\n TIME [\xB5s]\n\n\n DATA X Y TYP\n"
              "       0.1250000,,,      -2.5000000,,,      5,,, \n"
              "       1.0000000,,,    9.9999999E-9,,,     -1,,, \n"
              "       3.0000000,,,       4.0000000,,,     -1,,, \n"
              "       5.0000000,,,       6.0000000,,,     -7,,, \n\n\n");
    // Without a file name: back at the prompt, the plot counted as changed.
    const DialogResult none = run_rozude("DB_DUMP\n\n\nKEEP\n", {}, false, true);
    EXPECT_TRUE(has(none.out, "DB file to contain the point: \nROZUDE: \n No plot device is open"))
        << none.out;
    EXPECT_TRUE(none.out.ends_with(" npt  2 status  2\n")) << none.out;
}

// Commands that leave the plot as drawn: an empty line after them leaves the dialog.
TEST(Dialog, WhatCountsAsUnchanged)
{
    const struct { const char* in; const char* tail; } cases[] = {
        {"REMEMBER\n\n", " npt  0 status  0\n"},
        {"RECALL 1\nmy.init\n\n", " npt  0 status  0\n"},
        {"HARDCOPY\n/null\n\n", " npt  0 status  0\n"},
        {"HARDCOPY\n/bogus\n\n", " npt  0 status  0\n"},   // no device: still "drawn"
        {"EDGR\n\nE\n", " npt  0 status  0\n"},             // changed: the empty line draws
        {"CAPTION\nTEXT\nE\n", " npt  0 status  0\n"},      // batch: nothing at all
    };
    for (const auto& c : cases) {
        const DialogResult r = run_rozude(c.in, {}, false, true);
        EXPECT_TRUE(r.out.ends_with(c.tail)) << c.in << r.out;
        const bool draws = std::string_view(c.in).starts_with("H") ||
                           std::string_view(c.in).starts_with("E");
        EXPECT_EQ(has(r.out, "pgopen"), draws) << c.in << r.out;
    }
}

// Fewer than two points: the note, the single point's coordinates, the dialog all the same.
TEST(Dialog, FewPointsNote)
{
    const DialogResult r = run_fresh(
        [] {
            doplpt(1.5f, 2e-5f);
            rozude();
        },
        "E\n");
    EXPECT_EQ(r.out,
              "\n\n\n ***** ROZUDE called with only  1  point(s).   Not worth plotting.  "
              "Points are:\n\n\n                    X =   1.500000    ,    Y =  0.2000000E-04\n"
              "ROZUDE: E\n");
}

// rozude_next: draws and empties; the refused count is reported after the plot.
TEST(Dialog, NextDrawsAtOnce)
{
    const DialogResult r = run_fresh(
        [] {
            ::setenv("PGPLOT_DEV", "/null", 1);
            doplmx(3);
            for (int i = 0; i < 5; ++i) doplch(float(i), 1.0f, 2);
            const bool drawn = rozude_next();
            fio_list(6, {drawn, dopltl.npt, dopltl.ignpt, rozude_status.npt});
        },
        "");
    EXPECT_EQ(r.out, " Too many points!      3 points plotted,       2 ignored.\n  T 0 0 0\n");
}

// The line the script or the user gives next, as the next question reads it.
void show_next_answer()
{
    FText<20> w;
    ask1("Next? ", Val{"20S", w.c});
    fio_write(6, "(' next [',A,']')", {w.trimmed()});
}

int count_of(const std::string& out, const std::string& part)
{
    int n = 0;
    for (auto p = out.find(part); p != std::string::npos; p = out.find(part, p + 1)) ++n;
    return n;
}

// A drawing the program starts by itself (rozude_next) on a device that cannot open, in
// batch and at a terminal: one message (the backend's, or ours for the missing folder), no
// question, no dialog, nothing read; the drawing and its points are given up.
TEST(Dialog, NextWithoutDeviceGivesUp)
{
    const std::string missing = ::testing::TempDir() + "rozude_" + std::to_string(::getpid()) +
                                "_missing/plot.png";
    const struct { std::string dev, says; } devices[] = {
        {"/bogus", "giza - ERROR"},
        {missing + "/png",
         " Cannot write the plot file " + missing + " (No such file or directory)\n"},
    };
    for (const auto& d : devices)
        for (const bool tty : {false, true}) {
            const DialogResult r = run_fresh(
                [&] {
                    ::setenv("PGPLOT_DEV", d.dev.c_str(), 1);
                    doplpt(1, 1);
                    doplpt(2, 2);
                    const bool drawn = rozude_next();
                    fio_list(6, {drawn, dopltl.npt, rozude_status.npt});
                    show_next_answer();
                },
                "KEEP\n", tty);
            const std::string row = d.dev + (tty ? " at a terminal" : " in batch") + "\n" + r.out;
            EXPECT_EQ(r.status, 0) << row;
            EXPECT_EQ(count_of(r.out, d.says), 1) << row;
            EXPECT_FALSE(has(r.out, "Format?")) << row;
            EXPECT_FALSE(has(r.out, "ROZUDE:")) << row;
            EXPECT_TRUE(has(r.out, "  F 0 0\nNext? ")) << row;
            EXPECT_TRUE(r.out.ends_with(" next [KEEP]\n")) << row;
        }
}

// The dialog's own drawing when the default device fails: in batch it gives up with the
// backend's one message and the next script line is the next command; at a terminal the
// user is asked for another device.
TEST(Dialog, NoDefaultDeviceAsksOnlyAtATerminal)
{
    const auto on_bogus = [](const std::string& input, bool tty) {
        return run_two_points([] { ::setenv("PGPLOT_DEV", "/bogus", 1); }, input, tty);
    };
    const DialogResult batch = on_bogus("\nKEEP\n", false);
    EXPECT_EQ(count_of(batch.out, "giza - ERROR"), 1) << batch.out;
    EXPECT_FALSE(has(batch.out, "Format?")) << batch.out;
    EXPECT_TRUE(batch.out.ends_with("ROZUDE: KEEP\n npt  2\n")) << batch.out;
    const DialogResult typed = on_bogus("\n/null\nKEEP\n", true);
    EXPECT_TRUE(has(typed.out, "Format? (filename/devicetype): ")) << typed.out;
    EXPECT_FALSE(has(typed.out, "Unrecognized")) << typed.out;   // /null answered it
    EXPECT_TRUE(typed.out.ends_with(" npt  2\n")) << typed.out;
}

// At a terminal: the device list before the device question, "?" listing again, and the
// caption's questions.
TEST(Dialog, InteractiveDeviceAndCaption)
{
    const DialogResult r = run_rozude("HARDCOPY\n?\n/null\nCAPTION\nHello\n0.3\n15\nKEEP\n",
                                      [] {
                                          const auto& p = rozude_priv;
                                          fio_list(6, {p.capt.trimmed(), p.nchcpt, p.chscpt,
                                                       p.angcpt});
                                      },
                                      true);
    EXPECT_EQ(r.status, 0);
    const auto first = r.out.find("Interactive devices:");
    ASSERT_NE(first, std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Interactive devices:", first + 1), std::string::npos) << r.out;
    EXPECT_TRUE(has(r.out, "Enter a line of Caption: ")) << r.out;
    EXPECT_TRUE(has(r.out, "Character size (\"): ")) << r.out;
    EXPECT_TRUE(has(r.out, "Angle: ")) << r.out;
    EXPECT_TRUE(has(r.out, " Position 1st character w/cursor & hit any key but CR:\n")) << r.out;
    EXPECT_TRUE(r.out.ends_with(" Hello 5  0.300000012  15.\n")) << r.out;
}

// A device name longer than its 132 characters is cut there, and the cut is said with the
// name it leaves; one that fits is taken without a word, in batch and at a terminal.
TEST(Dialog, LongDeviceNameCutIsSaid)
{
    const std::string fits = "/null" + std::string(127, ' ');   // 132 characters
    const std::string longer = "/null" + std::string(135, ' ') + "/png";
    for (const bool tty : {false, true}) {
        const DialogResult cut = run_rozude("DEVICE\n" + longer + "\nEXIT\n", nullptr, tty);
        EXPECT_EQ(cut.status, 0) << cut.out;
        EXPECT_EQ(count_of(cut.out, " *** Device name longer than 132 characters cut to: /null\n"),
                  1) << cut.out;
        EXPECT_FALSE(has(cut.out, "giza - ERROR")) << cut.out;   // the cut name opened
        const DialogResult one_over = run_rozude("DEVICE\n" + fits + "x\nEXIT\n", nullptr, tty);
        EXPECT_EQ(count_of(one_over.out, "cut to:"), 1) << one_over.out;   // 133 characters
        const DialogResult fit = run_rozude("DEVICE\n" + fits + "\nEXIT\n", nullptr, tty);
        EXPECT_FALSE(has(fit.out, "cut to:")) << fit.out;
    }
}

// A virtual X display for the window device, while the test runs; its number is empty
// when no Xvfb could be started. Under load a server may be slow to say its number, or die
// on the way, and then a fresh one is tried. It does not reset when a client leaves, so the
// next child's window finds it listening at once.
class VirtualDisplay {
public:
    VirtualDisplay()
    {
        if (::access("/usr/bin/Xvfb", X_OK) != 0) return;
        for (int attempt = 0; attempt < 5 && number_.empty(); ++attempt) start();
    }
    ~VirtualDisplay() { stop(); }
    const std::string& number() const { return number_; }

private:
    void start()
    {
        int fds[2];
        if (::pipe(fds) != 0) return;
        pid_ = ::fork();
        if (pid_ == 0) {
            ::close(fds[0]);
            const int out = ::open(log_of(::getpid()).c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0644);
            ::dup2(out, 1);
            ::dup2(out, 2);
            const std::string fd = std::to_string(fds[1]);
            ::execl("/usr/bin/Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-noreset", "-screen",
                    "0", "1024x768x24", "-nolisten", "tcp", static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(fds[1]);
        char buf[16] = {};
        const bool said = read_number(fds[0], buf, sizeof buf - 1);
        ::close(fds[0]);
        const std::string socket = "/tmp/.X11-unix/X" + std::to_string(std::atoi(buf));
        for (int i = 0; said && i < 100 && ::access(socket.c_str(), F_OK) != 0; ++i)
            ::usleep(50000);
        ::usleep(200000);   // a server that lost the race for its number is gone by now
        if (said && ::access(socket.c_str(), F_OK) == 0 && alive())
            number_ = ":" + std::to_string(std::atoi(buf));
        else
            stop();
    }
    // The number the server writes once it listens, within a minute; false when it died
    // first. Whole once nothing more follows at once.
    bool read_number(int fd, char* buf, std::size_t size)
    {
        std::size_t got = 0;
        for (int waited = 0; waited < 60000 && got < size; waited += 50) {
            pollfd p{fd, POLLIN, 0};
            if (::poll(&p, 1, 50) > 0) {
                const ssize_t n = ::read(fd, buf + got, size - got);
                if (n <= 0) break;
                got += static_cast<std::size_t>(n);
            } else if (got > 0 || !alive()) {
                break;
            }
        }
        return got > 0;
    }
    // False once the server has ended (and was reaped: its number is no longer ours to
    // signal).
    bool alive()
    {
        if (!reaped_ && ::waitpid(pid_, nullptr, WNOHANG) != 0) reaped_ = true;
        return !reaped_;
    }
    void stop()
    {
        if (pid_ <= 0) return;
        if (!reaped_) {
            ::kill(pid_, SIGTERM);
            ::waitpid(pid_, nullptr, 0);
        }
        std::filesystem::remove(log_of(pid_));
        pid_ = -1;
        reaped_ = false;
    }
    // Where the server's messages go while it runs.
    static std::string log_of(pid_t pid)
    {
        return ::testing::TempDir() + "xvfb_" + std::to_string(pid);
    }

    pid_t pid_ = -1;
    bool reaped_ = false;
    std::string number_;
};

// With a display and no device named, plots go to a window. At its close the user is asked
// for RETURN: at a terminal the plot stays on the screen until then, and whatever is typed
// at that prompt is its answer, the whole line and nothing more (the plot library's own
// prompt read one byte: "q" left an empty line that closed the dialog, "EXIT" left "XIT").
// Every line is typed ahead at once, so the lines after the prompt's wait for the dialog.
// In batch nothing is asked and no line of the answers is taken.
TEST(Dialog, WindowDeviceLeavesTheAnswersAlone)
{
    const VirtualDisplay xvfb;
    if (xvfb.number().empty()) GTEST_SKIP() << "no Xvfb here";
    const auto on_window = [&](const std::string& input, bool tty) {
        return run_two_points(
            [&] {
                ::unsetenv("PGPLOT_DEV");
                ::setenv("DISPLAY", xvfb.number().c_str(), 1);
                pg_trace = [](std::string_view c) {
                    if (c.starts_with("pgopen")) fio_write(6, "(A)", {c});
                };
            },
            input, tty);
    };
    const DialogResult batch = on_window("\nKEEP\n", false);
    EXPECT_EQ(batch.out, "ROZUDE: \npgopen \"/xw\"\nROZUDE: KEEP\n npt  2\n");
    for (const char* typed_at_prompt : {"", "q", "EXIT", "x_limits 3,4"}) {
        const DialogResult typed =
            on_window(std::string("\n") + typed_at_prompt + "\nKEEP\n", true);
        const std::string row = std::string("typed [") + typed_at_prompt + "]\n" + typed.out;
        EXPECT_EQ(count_of(typed.out, " Press RETURN for next page: "), 1) << row;
        EXPECT_TRUE(has(typed.out, "pgopen \"/xw\"\n Press RETURN for next page: ROZUDE: ")) << row;
        EXPECT_FALSE(has(typed.out, "Unrecognized")) << row;
        EXPECT_FALSE(has(typed.out, "limits changed")) << row;
        EXPECT_TRUE(typed.out.ends_with("ROZUDE:  npt  2\n")) << row;   // KEEP, not EOF or EXIT
    }
}

}  // namespace
