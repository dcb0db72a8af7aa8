// vul_plt_test.cpp -- the plot of the fit: bins and groups, conversions by plot type, the
// printer plot in the log, the DB file and the "PLOT_FIT>" dialog's commands.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cmath>
#include <csignal>
#include <sstream>
#include <string>

#include "dialog_run.h"
#include "fit_loop.h"
#include "fit_spectra.h"
#include "fit_theory.h"
#include "plot.h"
#include "report_fixture.h"
#include "vul_plt.h"

namespace {

// The dialog's settings as at the start of the process; drawings go to the null device.
void fresh_plot()
{
    ::setenv("PGPLOT_DEV", "/null", 1);
    vulplt = Vulplt{};
    dopltl.npt = 0;
    dopltl.ignpt = 0;
}

// An asymmetry spectrum of 8 bins from 0.1 us in steps of 0.1 us, one signal of constant
// asymmetry 0.2 (so the theory is 0.2 in every bin); bins alternate around it.
void asy_fit(Pars& x)
{
    clear_fit();
    fresh_plot();
    set_characters(0);
    fileio.lun(2) = 2;
    fileio.lun(3) = 6;
    mntitle.minuit_title = "Plot test";
    add_par(x, 1, 0.2, "A");
    add_signal({0, 1, 0, 0, 0, 0, 0, 0, 0, 0});
    const int j = add_spectrum(2, 8, 0.1f, 0.1f, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
    sptitles.sptitle(j) = "  17: Ag TF [1 vs 2] ASY";
    const float data[] = {0.15f, 0.25f, 0.18f, 0.26f, 0.30f, 0.30f, 0.05f, 0.07f};
    for (int k = 1; k <= 8; ++k) {
        fitdata.bin(packed(j, k)) = data[k - 1];
        fitdata.err(packed(j, k)) = k <= 4 ? 0.05f : 0.02f;
    }
}

// A count spectrum (Norm 2, Bkgd 3, lifetime 4) whose data are its own theory.
void count_fit(Pars& x, int n, int lt0slot)
{
    clear_fit();
    fresh_plot();
    set_characters(0);
    add_par(x, 2, 50.0, "N0");
    add_par(x, 3, 0.02, "BG");
    add_par(x, 4, 2.2, "TAU");
    add_par(x, 5, 0.01, "DT");
    const int j = add_spectrum(0, n, 0.0f, 0.01f, {2, 3, 0, 0, lt0slot, 0, 0, 0, 0, 0});
    vul_premap(x.data());
    vul_map(j, x.data());
    vul_th(j, 1, n);
    for (int k = 1; k <= n; ++k) {
        fitdata.bin(packed(j, k)) = fitdata.bin_th(packed(j, k));
        fitdata.err(packed(j, k)) = std::sqrt(fitdata.bin_th(packed(j, k)));
    }
}

// Lines " =P x y code" for every point of the plot buffer.
void report_buffer()
{
    for (int i = 1; i <= dopltl.npt; ++i)
        fio_write(fio_stdout, "(' =P',2F11.6,I11)",
                  {dopltx.xset[std::size_t(i)], doplty.yset[std::size_t(i)],
                   iptyp_int(dopltl.lset[std::size_t(i)])});
    fio_write(fio_stdout, "(' =S',I4,I4,I4,L2)", {vulplt.jsp, vulplt.isym, vulplt.nplots,
                                                   vulplt.changed});
}

// A fresh folder for a test's files, removed again at the end of the test.
struct Scratch {
    explicit Scratch(const std::string& name)
        : dir(testing::TempDir() + "/" + name + "_" + std::to_string(::getpid()))
    {
        std::filesystem::remove_all(dir);
        std::filesystem::create_directories(dir);
    }
    ~Scratch() { std::filesystem::remove_all(dir); }
    std::string at(const std::string& file) const { return dir + "/" + file; }
    std::string dir;
};

// The lines of out that start with prefix.
std::string lines_of(const std::string& out, const std::string& prefix)
{
    std::istringstream in(out);
    std::string r;
    for (std::string line; std::getline(in, line);)
        if (line.starts_with(prefix)) r += line + "\n";
    return r;
}

int count_lines(const std::string& out, const std::string& prefix)
{
    int n = 0;
    for (std::size_t p = 0; (p = out.find("\n" + prefix, p)) != std::string::npos; ++p) ++n;
    return n + (out.rfind(prefix, 0) == 0 ? 1 : 0);
}

// The dialog run interactively in a child, input from a pipe.
DialogResult dialog(Pars& x, const std::string& input, bool show_buffer = true)
{
    return run_dialog(
        [&] {
            online = 1;
            vul_plt(0, x.data());
            if (show_buffer) report_buffer();
        },
        input);
}

// The same with the log on log.txt in the current folder, and more to do after it.
DialogResult logged_dialog(Pars& x, const std::string& input, const std::function<void()>& more)
{
    return run_dialog(
        [&] {
            online = 1;
            fio_open(2, "log.txt");
            vul_plt(0, x.data());
            more();
            fio_close(2);
        },
        input);
}

// ---- bins and groups ---------------------------------------------------------------------

struct BinCase {
    const char* what;
    float tmin, tmax, tpac;
    int ipl1, ipl2, npac;
};

TEST(VulPltBins, RangeAndGrouping)
{
    clear_fit();
    add_spectrum(2, 100, 0.05f, 0.02f, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
    const BinCase cases[] = {
        {"whole spectrum, groups of 3", 0, 0, 60, 1, 100, 3},
        {"tmax at the first bins: four bins", 0, 0.06f, 0, 1, 4, 1},
        {"tmin inside", 0.5f, 0, 0, 23, 100, 1},
        {"tmax rounds to its bin", 0, 1.0f, 0, 1, 49, 1},
        {"11 bins in groups of 3: the last group starts at 10", 0, 0.25f, 60, 1, 10, 3},
        {"group width rounds half away from zero", 0, 0, 30, 1, 100, 2},
        {"tmax below 0 is to the end", 0, -1, 0, 1, 100, 1},
        {"tmin past the end: nothing", 5.0f, 0, 0, 248, 100, 1},
        {"huge numbers stay in range", 1e30f, 1e30f, 1e30f, 1000000000, 100, 1000000000},
    };
    for (const BinCase& c : cases) {
        const PlotBins b = vul_plt_bins(1, c.tmin, c.tmax, c.tpac);
        EXPECT_EQ(b.ipl1, c.ipl1) << c.what;
        EXPECT_EQ(b.ipl2, c.ipl2) << c.what;
        EXPECT_EQ(b.npac, c.npac) << c.what;
    }
}

// ---- the printer plot (batch: no dialog, the log gets it) -----------------------------------

class PrinterPlot : public InFolder {};

TEST_F(PrinterPlot, BatchCallWritesTheLogAndReturns)
{
    Pars x{};
    asy_fit(x);
    vulplt.tpac = 200;  // groups of two bins
    ASSERT_EQ(fio_open(2, "log.txt"), 0);
    vul_plt(0, x.data());
    fio_close(2);
    EXPECT_EQ(slurp("log.txt"), fixture("plot_printer_asy.log"));
    EXPECT_EQ(dopltl.npt, 0);  // nothing went to the plot package
    EXPECT_EQ(vulplt.iprpl, dest_plot);
}

// One group with a zero error and the theory on it: no range; the point lands mid-row.
TEST_F(PrinterPlot, EmptyRangeStillPlots)
{
    Pars x{};
    asy_fit(x);
    for (int k = 1; k <= 8; ++k) fitdata.bin(packed(1, k)) = 0.2f, fitdata.err(packed(1, k)) = 1e-30f;
    vulplt.tmax = 0.1f, vulplt.tpac = 400;  // bins 1..4, one group
    ASSERT_EQ(fio_open(2, "log.txt"), 0);
    vul_plt(0, x.data());
    fio_close(2);
    const std::string log = slurp("log.txt");
    const std::string row = "|" + std::string(51, ' ') + "-" + std::string(52, ' ') + "|";
    EXPECT_NE(log.find("9  0.25000  0.2000      " + row + "\n"), std::string::npos) << log;
}

// ---- the dialog ------------------------------------------------------------------------------

// An empty line computes, a second one draws (the dialog of the plot package), a third
// leaves. The points: marker, error bar between two colour points, then the theory line.
TEST(VulPltDialog, ComputeDrawLeave)
{
    Pars x{};
    asy_fit(x);
    DialogResult r = dialog(x, "TIMES 0,0,200\n\n\n\n");
    EXPECT_EQ(r.status, 0) << r.out;
    // drawn: the buffer belongs to the plot package now (its EXIT empties it)
    EXPECT_EQ(lines_of(r.out, " =S"), " =S   1   1   0 F\n") << r.out;

    r = dialog(x, "TIMES 0,0,200\n\nEXIT\n");
    std::string want;
    const char* groups[][4] = {{"0.150000", "0.200000", "0.164645", "0.235355"},
                               {"0.350000", "0.220000", "0.184645", "0.255355"},
                               {"0.550000", "0.300000", "0.285858", "0.314142"},
                               {"0.750000", "0.060000", "0.045858", "0.074142"}};
    const std::string blank = "  538976288";  // the code "    " read as an integer
    for (const auto& g : groups) {
        const std::string at = std::string(" =P   ") + g[0] + "   ";
        want += at + g[1] + "          1\n" + at + g[1] + "         -2\n";
        want += at + g[2] + blank + "\n" + at + g[3] + blank + "\n";
        want += at + g[1] + "         -2\n";
    }
    for (const auto& g : groups) want += std::string(" =P   ") + g[0] + "   0.200000" + blank + "\n";
    EXPECT_EQ(lines_of(r.out, " =P"), want) << r.out;
    EXPECT_EQ(lines_of(r.out, " =S"), " =S   1   1   1 F\n") << r.out;
}

// Nothing computed and nothing changed: the first empty line leaves.
TEST(VulPltDialog, EmptyLineAtOnceLeaves)
{
    Pars x{};
    asy_fit(x);
    const DialogResult r = dialog(x, "\nTIMES\n\n");
    EXPECT_EQ(lines_of(r.out, " =S"), " =S   1   0   0 F\n") << r.out;
}

// SPECTRUM 0 of four asks which one, again while the answer is above four; of one it
// chooses it without a question. Symbols: 0 picks nplots modulo 19 per computation.
TEST(VulPltDialog, SpectrumQuestionAndSymbols)
{
    Pars x{};
    asy_fit(x);
    for (int j = 2; j <= 4; ++j) {
        add_spectrum(2, 8, 0.1f, 0.1f, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
        for (int k = 1; k <= 8; ++k) {
            fitdata.bin(packed(j, k)) = fitdata.bin(packed(1, k));
            fitdata.err(packed(j, k)) = fitdata.err(packed(1, k));
        }
    }
    DialogResult r = dialog(x, "SPECTRUM 0\n5\n3\nEXIT\n");
    EXPECT_NE(r.out.find(" Of  4,  Which Spectrum shall we plot? 5\n"
                         " Of  4,  Which Spectrum shall we plot? 3\n"), std::string::npos) << r.out;
    EXPECT_EQ(lines_of(r.out, " =S"), " =S   3   0   0 T\n") << r.out;

    r = dialog(x, "SPECTRUM 1,7\n\nSPECTRUM 2\n\nEXIT\n");
    const std::string pts = lines_of(r.out, " =P");
    // marker 7 with colour 8; the second computation's marker 2 with colour 3
    EXPECT_EQ(pts.substr(0, 74), " =P   0.100000   0.150000          7\n =P   0.100000   0.150000         -8\n");
    EXPECT_NE(pts.find(" =P   0.100000   0.150000          2\n =P   0.100000   0.150000         -3\n"),
              std::string::npos) << pts;
    EXPECT_EQ(lines_of(r.out, " =S"), " =S   2   2   2 F\n") << r.out;

    clear_fit();
    asy_fit(x);
    r = dialog(x, "SPECTRUM 9\nEXIT\n");
    EXPECT_EQ(r.out.find("Which Spectrum"), std::string::npos) << r.out;
    EXPECT_EQ(lines_of(r.out, " =S"), " =S   1   0   0 T\n") << r.out;
}

// POL_SPEC without a number asks; an empty answer divides by 1. With a number: by it.
TEST(VulPltDialog, PolarizationDividesByMaximum)
{
    Pars x{};
    asy_fit(x);
    DialogResult r = dialog(x, "POL_SPEC\n\n\nEXIT\n");
    EXPECT_NE(r.out.find(" Max. Asymmetry? "), std::string::npos) << r.out;
    EXPECT_NE(r.out.find(" =P   0.100000   0.150000          1\n"), std::string::npos) << r.out;
    r = dialog(x, "POL_SPEC 0.25\n\nEXIT\n");
    EXPECT_NE(r.out.find(" =P   0.100000   0.600000          1\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find(" =P   0.800000   0.800000  538976288\n =S"),
              std::string::npos) << r.out;  // the theory 0.2 / 0.25
}

// An asymmetry spectrum with Alpha: the corrected asymmetry; the fit error has no theory.
TEST(VulPltDialog, AlphaCorrectionAndFitError)
{
    Pars x{};
    asy_fit(x);
    add_par(x, 6, 1.2, "ALPHA");
    fitpar.ifitsp(sp_norm, 1) = 6;
    DialogResult r = dialog(x, "ASY_SPEC\n\nEXIT\n");
    // (2.2 * 0.15 + 0.2) / (0.2 * 0.15 + 2.2)
    EXPECT_NE(r.out.find(" =P   0.100000   0.237668          1\n"), std::string::npos) << r.out;
    r = dialog(x, "ERR_SPEC\n\nEXIT\n");
    EXPECT_EQ(count_lines(r.out, " =P"), 8 * 5) << r.out;  // no theory line
}

// A count spectrum whose data are its theory: ASY_SPEC and ERR_SPEC give 0, RAW_SPEC the
// counts per nanosecond; a negative L/T0 slot shifts the plotted times only.
TEST(VulPltDialog, CountSpectrumConversions)
{
    Pars x{};
    count_fit(x, 4, 0);
    const float c1 = fitdata.bin(1) / 10.0f;  // 10 ns bins
    DialogResult r = run_dialog(
        [&] {
            online = 1;
            vul_plt(0, x.data());
            // RAW_SPEC points 1..24, ASY_SPEC 25..48 (its theory 45..48), ERR_SPEC 49..68
            const auto& y = doplty.yset;
            const bool zero_asy = std::fabs(y[25]) < 1e-5 && std::fabs(y[48]) < 1e-5;
            fio_write(fio_stdout, "(' =raw',L2,' =asy',L2)",
                      {std::fabs(y[1] - c1) < 1e-5f * c1, zero_asy});
            fio_write(fio_stdout, "(' =err',G13.6,I4)", {y[49], dopltl.npt});
        },
        "RAW_SPEC\n\nASY_SPEC\n\nERR_SPEC\n\nEXIT\n");
    EXPECT_NE(r.out.find(" =raw T =asy T"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find(" =err  0.00000      68"), std::string::npos) << r.out;

    count_fit(x, 4, -5);
    r = dialog(x, "RAW\n\nEXIT\n");
    EXPECT_NE(r.out.find(" =S   1   1   1 F"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find(" =P   0.000000"), std::string::npos) << r.out;  // 0.01 us later
    EXPECT_NE(r.out.find(" =P   0.010000"), std::string::npos) << r.out;
}

// DB_DUMP: the file gets the title, labels and one row per group; declined, nothing.
TEST(VulPltDialog, DbFile)
{
    Pars x{};
    asy_fit(x);
    const Scratch dir("vul_plt_db");
    const std::string path = dir.at("fit.db");
    const DialogResult r =
        dialog(x, "TIMES 0,0,200\nASY\nDB_DUMP\ny\n" + path + "\n\nDB_DUMP\nn\n\nEXIT\n");
    EXPECT_EQ(slurp(path),
              "TITLE\n"
              "Plot test                                         \n"
              "LABELS\n"
              "TIME [us]\n"
              "Corrected Asymmetry\n"
              "\n"
              "DATA T SIGNAL\n"  // single-precision values as they widen
              "0.15000001, 0., , 0.2, 0.035355, , \n"
              "0.34999999, 0., , 0.22, 0.035355, , \n"
              "0.55000001, 0., , 0.30000001, 0.014142, , \n"
              "0.75, 0., , 0.06, 0.014142, , \n"
              "\n"
              "\n") << r.out;
    // the declined dump computed for the plot package
    EXPECT_EQ(lines_of(r.out, " =S"), " =S   1   1   1 F\n") << r.out;
}

// The plot dialog's own DB_DUMP (under DUMP) while the fit's DB file is armed: both files
// are written whole, each on its own unit.
TEST(VulPltDialog, DbFileWithThePlotDialogsDumpBetween)
{
    Pars x{};
    asy_fit(x);
    const Scratch dir("vul_plt_db2");
    const std::string fit_db = dir.at("fit.db"), plot_db = dir.at("plot.db");
    const DialogResult r = dialog(x, "TIMES 0,0,200\nASY\nDB_DUMP\ny\n" + fit_db +
                                         "\nDUMP\nDB_DUMP\n" + plot_db + "\nEXIT\n\nEXIT\n");
    const std::string fit_text = slurp(fit_db), plot_text = slurp(plot_db);
    EXPECT_TRUE(fit_text.starts_with("TITLE\nPlot test")) << fit_text;
    EXPECT_EQ(count_lines(fit_text, "0."), 4) << fit_text;  // the four groups
    EXPECT_TRUE(fit_text.ends_with("0.06, 0.014142, , \n\n\n")) << fit_text;
    EXPECT_TRUE(plot_text.starts_with(" TITLE\n")) << plot_text;
    EXPECT_NE(plot_text.find("\n DATA X Y TYP\n"), std::string::npos) << plot_text;
    EXPECT_TRUE(plot_text.ends_with(",,, \n\n\n")) << plot_text;
}

// A DB file armed and then given up (PRINTER, another DB_DUMP, EXIT) is not written, and the
// dialog says so: no empty file takes its name, an old file stays as it was.
TEST(VulPltDialog, ArmedDbFileGivenUp)
{
    Pars x{};
    asy_fit(x);
    const Scratch dir("vul_plt_db3");
    const std::string a = dir.at("a.db"), b = dir.at("b.db"), old = dir.at("old.db");
    std::ofstream(old) << "old dump\n";
    const DialogResult r = dialog(x, "DB_DUMP\ny\n" + a + "\nPRINTER\nn\nDB_DUMP\ny\n" + old +
                                         "\nDB_DUMP\ny\n" + b + "\nEXIT\n");
    EXPECT_EQ(lines_of(r.out, " DB file"), " DB file " + a + " not written\n DB file " + old +
                                               " not written\n DB file " + b + " not written\n")
        << r.out;
    EXPECT_FALSE(std::filesystem::exists(a));
    EXPECT_FALSE(std::filesystem::exists(b));
    EXPECT_EQ(slurp(old), "old dump\n");
    EXPECT_EQ(r.status, 0);
}

// A DB file that cannot be written whole (a full disk, made by a file-size limit) is not
// written at all, and the dialog says why.
TEST(VulPltDialog, DbFileOnAFullDisk)
{
    Pars x{};
    asy_fit(x);
    const Scratch dir("vul_plt_db4");
    const std::string path = dir.at("fit.db");
    std::ofstream(path) << "old dump\n";
    const DialogResult r = run_dialog(
        [&] {
            std::signal(SIGXFSZ, SIG_IGN);
            const rlimit lim{60, 60};
            ::setrlimit(RLIMIT_FSIZE, &lim);
            online = 1;
            vul_plt(0, x.data());
        },
        "DB_DUMP\ny\n" + path + "\n\nEXIT\n");
    EXPECT_NE(r.out.find("  Could not write file " + path + " (File too large)\n"), std::string::npos)
        << r.out;
    EXPECT_EQ(slurp(path), "old dump\n");
    EXPECT_EQ(r.status, 0);
}

// PRINTER arms the log for one computation; the next one goes to the plot package.
TEST_F(PrinterPlot, DialogArmsOneComputation)
{
    Pars x{};
    asy_fit(x);
    const DialogResult r = logged_dialog(x, "PRINTER\ny\n\nASY\n\nEXIT\n", report_buffer);
    EXPECT_EQ(count_lines(slurp("log.txt"), "9 "), 8);
    EXPECT_EQ(lines_of(r.out, " =S"), " =S   1   1   1 F\n") << r.out;
}

// A redraw during the fit draws at once, with no question, and leaves the buffer empty.
TEST(VulPltRedraw, DrawsWithoutDialog)
{
    Pars x{};
    asy_fit(x);
    vulplt.tpac = 200;
    online = 1;
    vul_plt(-1, x.data());
    EXPECT_EQ(dopltl.npt, 0);
    EXPECT_EQ(vulplt.nplots, 0);
    EXPECT_EQ(vulplt.isym, 1);
    EXPECT_FALSE(vulplt.changed);
    online = 0;
}

// REPLOT 5,2 on a default device that cannot open: the first redraw gives up with the
// backend's one message and reads nothing, and replotting stops, so twenty calls try it
// once; the next line of the input is still there for the next question.
TEST(VulPltRedraw, NoDeviceStopsReplotting)
{
    Pars x{};
    asy_fit(x);
    const DialogResult r = run_dialog(
        [&] {
            ::setenv("PGPLOT_DEV", "/bogus", 1);
            online = 0;
            replot = Replot{5, 2, true, 0, 0};
            Pars grad{};
            double f = 0;
            for (int n = 1; n <= 20; ++n) dirade(1, grad.data(), f, x.data(), 4, nullptr);
            fio_write(fio_stdout, "(' =R',L2,2I3)", {replot.on, replot.done, dopltl.npt});
            FText<10> next;
            ask1("Next? ", Val{"10S", next.c});
        },
        "MINOS\n");
    EXPECT_EQ(r.out,
              "%giza - ERROR - giza_open_device: Unknown device, device not opened\n"
              " =R F  1  0\nNext? MINOS\n");
}

// A spectrum number left from a fit with more spectra plots spectrum 1; no spectra at all,
// nothing is computed.
TEST(VulPltRedraw, StaleSpectrumNumber)
{
    Pars x{};
    asy_fit(x);
    vulplt.jsp = 7;
    vulplt.changed = true;
    vul_plt(-1, x.data());
    EXPECT_EQ(vulplt.jsp, 1);
    EXPECT_EQ(vulplt.prev_jsp, 1);
    i_fit_ctl.nspec = 0;
    vulplt.prev_jsp = 0;
    vul_plt(-1, x.data());
    EXPECT_EQ(vulplt.prev_jsp, 0);
}

// PRINTER armed and the dialog left by EXIT: the redraw still draws, the log stays empty,
// and the next dialog starts disarmed.
TEST_F(PrinterPlot, RedrawIgnoresAnArmedDestination)
{
    Pars x{};
    asy_fit(x);
    const DialogResult r = logged_dialog(x, "PRINTER\ny\nEXIT\nEXIT\n", [&] {
        fio_write(fio_stdout, "(' =armed',I2)", {vulplt.iprpl});
        vul_plt(-1, x.data());
        fio_write(fio_stdout, "(' =drawn',I2,I3)", {vulplt.nplots, dopltl.npt});
        vul_plt(0, x.data());
        fio_write(fio_stdout, "(' =armed',I2)", {vulplt.iprpl});
    });
    EXPECT_EQ(lines_of(r.out, " ="), " =armed 1\n =drawn 0  0\n =armed 0\n") << r.out;
    EXPECT_EQ(slurp("log.txt"), "");
}

// DUMP lists the groups' sums on the screen and the fit arrays; settings stay.
TEST(VulPltDialog, Dump)
{
    Pars x{};
    asy_fit(x);
    const DialogResult r = dialog(x, "TIMES 0,0,200\nDUMP\n\n", false);
    EXPECT_NE(r.out.find(" BIN [ 0.150000 us] =  0.400000     +/- 0.707E-01\n"), std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find(" R_FIT array is"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("    1: 0.200000     "), std::string::npos) << r.out;
    EXPECT_EQ(r.status, 0);
}

}  // namespace
