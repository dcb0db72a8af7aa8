// setup_test.cpp -- the set-up dialog at "DIRADE>" and the storing of fitted spectra, run
// in-process in batch: answers come from a caller's unit, runs from a fake spectrum dialog.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <complex>
#include <cstdio>
#include <deque>
#include <filesystem>
#include <fstream>
#include <string>

#include "../../../tools/kt_tablegen.h"
#include "ask.h"
#include "fit_fixture.h"
#include "fit_reports.h"
#include "fit_spectra.h"
#include "fit_theory.h"
#include "run_records.h"
#include "setup.h"

namespace {

namespace fs = std::filesystem;

constexpr int answer_unit = 41;
constexpr int log_unit = 2;

fs::path scratch_dir()
{
    const fs::path d = fs::temp_directory_path() / ("kavrin_setup_" + std::to_string(getpid()));
    fs::create_directories(d);
    return d;
}

std::string slurp(const fs::path& p)
{
    std::ifstream f(p);
    return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

// One run as the spectrum dialog would leave it: the real half holds value + k/1000 at bin k,
// the imaginary half (type 4) value + 100 + k/1000; every error is `error`, of the imaginary
// half `imag_error` when that is not 0.
struct FakeRun {
    int type = 2;
    int npk = 100;
    float t1 = 0.05f, tbin = 0.01f;
    float value = 10, error = 1;
    const char* title = "Run 1234: test";
    float imag_error = 0;
};
std::deque<FakeRun> fake_runs;
int fake_calls = 0;

int fake_getspect(std::span<char>)
{
    ++fake_calls;
    const FakeRun r = fake_runs.empty() ? FakeRun{} : fake_runs.front();
    if (!fake_runs.empty()) fake_runs.pop_front();
    ispectctrl.type(1) = r.type;
    copy_spect_column(1, 2);
    ispectctrl.npk = r.npk;
    spectimes.t1 = r.t1;
    spectimes.tbin = r.tbin;
    spectimes.t2 = r.t1 + float(r.npk - 1) * r.tbin;
    const int halves = r.type > 3 ? 2 : 1;
    for (int h = 0; h < halves; ++h)
        for (int k = 1; k <= r.npk; ++k) {
            fitdata.bin_in(h * r.npk + k) = r.value + 100.0f * float(h) + float(k) / 1000.0f;
            fitdata.err_in(h * r.npk + k) = h == 1 && r.imag_error != 0 ? r.imag_error : r.error;
        }
    cspectctrl.title = r.title;
    return 0;
}

class Setup : public ::testing::Test {
protected:
    fs::path dir = scratch_dir();

    void SetUp() override
    {
        fs::create_directories(dir);
        std::ofstream(dir / "stdin").close();  // batch, whoever runs us: input from a file
        ASSERT_NE(std::freopen((dir / "stdin").c_str(), "r", stdin), nullptr);
        clear_fit();
        fileio.lun(2) = log_unit;
        ASSERT_EQ(fio_open(log_unit, (dir / "log").string()), 0);
        spect_dialog = fake_getspect;
        fake_runs.clear();
        fake_calls = 0;
        filenames.namedf.fill(FText<80>{});
        mntitle.minuit_title = "my fit";
        setup_begin();
    }
    void TearDown() override
    {
        set_ask_indir(0, 0);
        fio_close(answer_unit);
        fio_close(log_unit);
        fs::remove_all(dir);
    }

    // The following answers come from these lines, as from an answer file.
    void answers(const std::string& text)
    {
        std::ofstream(dir / "answers") << text;
        ASSERT_EQ(fio_open(answer_unit, (dir / "answers").string(), FStatus::old), 0);
        set_ask_indir(1, answer_unit);
    }
    std::string log()
    {
        fio_flush_all();
        return slurp(dir / "log");
    }
    // A stored spectrum of n bins already filling the packed arrays up to `used`.
    void occupy(int used)
    {
        const int j = ++i_fit_ctl.nspec;
        i_fit_ctl.i_loc_0(j) = used;
        i_fit_ctl.i_fit(ifit_type, j) = 2;
    }
};

const float no_args[n_slots] = {};

// ---- SPECTRUM: records, complex halves, limits --------------------------------------------

TEST_F(Setup, TwoSpectraFollowEachOther)
{
    fake_runs = {{.npk = 100}, {.npk = 50, .value = 30}};
    answers("run1\nrun2\n");
    const float a[n_slots] = {5, 6};
    ASSERT_TRUE(store_spectrum(a));
    ASSERT_TRUE(store_spectrum(a));
    fitpar.nsig = 1;
    ASSERT_TRUE(setup_close(nullptr));
    EXPECT_EQ(i_fit_ctl.nspec, 2);
    EXPECT_EQ(i_fit_ctl.i_loc_0(1), 100);
    EXPECT_EQ(i_fit_ctl.i_loc_0(2), 150);
    EXPECT_EQ(fitbins.jj_bin(2, 1), 100);
    EXPECT_EQ(fitbins.jj_bin(2, 2), 50);
    EXPECT_EQ(i_fit_ctl.i_fit(ifit_nbins, 2), 50);
    EXPECT_EQ(bestfit.ndata, 150);
    EXPECT_EQ(bestfit.fmin, 1e20);
    EXPECT_FLOAT_EQ(fitdata.bin(101), 30.001f);
    EXPECT_EQ(fitpar.ifitsp(1, 2), 5);
    EXPECT_EQ(filenames.namedf(2).trimmed(), "run2");
    EXPECT_FLOAT_EQ(r_fit_ctl.r_fit(rfit_tbin, 1), 0.01f);
    EXPECT_NE(log().find("\n\n Spectrum 2: Run #Run 1234: test\n\n\n"
                         "     50 bins from T_1 =  0.050 to T_2 =  0.540, T_BIN = 0.010000 microsec.\n"),
              std::string::npos);
}

TEST_F(Setup, ComplexSpectrumStoresTwoHalvesAndOneExpression)
{
    fake_runs = {{.type = 4, .npk = 400}};
    Pars x{};
    add_par(x, 1, 0.5, "x");
    answers("2*x\nrrf_run\n");
    const float a[n_slots] = {5, 6, 0, 0, 0, 0, 201};
    ASSERT_TRUE(store_spectrum(a));
    EXPECT_EQ(expressions.nexpr, 1);
    EXPECT_EQ(expressions.jexpr(1), 201);
    EXPECT_EQ(expressions.sexpr(1).trimmed(), "2*x");
    EXPECT_EQ(i_fit_ctl.nspec, 2);
    EXPECT_EQ(i_fit_ctl.i_loc_0(1), 400);
    EXPECT_EQ(i_fit_ctl.i_loc_0(2), 800);
    EXPECT_EQ(i_fit_ctl.i_fit(ifit_type, 1), 4);
    EXPECT_EQ(i_fit_ctl.i_fit(ifit_type, 2), -4);
    EXPECT_EQ(fitpar.ifitsp(7, 2), 201);
    EXPECT_FLOAT_EQ(fitdata.bin(400), 10.4f);
    EXPECT_FLOAT_EQ(fitdata.bin(401), 110.001f);  // the imaginary half
    EXPECT_TRUE(filenames.namedf(2).blank());
    const std::string l = log();
    EXPECT_NE(l.find(" Spectrum 1: Run #"), std::string::npos);
    EXPECT_NE(l.find(" Spectrum 2: Run #"), std::string::npos);
}

TEST_F(Setup, FullArraysCutOrRefuseWithAMessage)
{
    struct Case { int used, type, npk; bool stored; int n; const char* msg; };
    const Case cases[] = {
        {262000, 2, 300, true, 144, " *** Spectrum  2 cut from    300 to    144 bins: no room for more ***"},
        {262143, 2, 300, false, 0, " *** Spectrum  2 not stored: all 262144 packed points are in use ***"},
        {261844, 4, 400, true, 150, " *** Spectrum  2 cut from    400 to    150 bins: no room for more ***"},
        {0, 2, 1, false, 0, " *** Spectrum  2 has      1 packed bin(s); not stored ***"},
    };
    for (const Case& c : cases) {
        SetUp();
        occupy(c.used);
        fake_runs = {{.type = c.type, .npk = c.npk}};
        answers("run\n");
        testing::internal::CaptureStdout();
        EXPECT_EQ(store_spectrum(no_args), c.stored) << c.msg;
        fio_flush_all();
        const std::string out = testing::internal::GetCapturedStdout();
        EXPECT_NE(out.find(c.msg), std::string::npos) << out;
        EXPECT_NE(log().find(c.msg), std::string::npos) << c.msg;
        EXPECT_EQ(i_fit_ctl.nspec, 1 + (c.stored ? (c.type == 4 ? 2 : 1) : 0)) << c.msg;
        if (c.stored) {
            EXPECT_EQ(fitbins.jj_bin(2, 2), c.n) << c.msg;
            EXPECT_LE(i_fit_ctl.i_loc_0(i_fit_ctl.nspec), max_fit_points) << c.msg;
        }
        if (c.type == 4) {  // both halves cut alike; the imaginary one still from its own half
            EXPECT_EQ(fitbins.jj_bin(2, 3), c.n);
            EXPECT_FLOAT_EQ(fitdata.bin(c.used + c.n + 1), 110.001f);
        }
        TearDown();
    }
}

// The 100th is refused before its file name is read (a failed step: a batch run stops).
TEST_F(Setup, NinetyNineSpectraAtMost)
{
    i_fit_ctl.nspec = 99;
    testing::internal::CaptureStdout();
    EXPECT_FALSE(store_spectrum(no_args));
    fio_flush_all();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "\n *** Only 99 SPECTRA allowed! ***\n\n");
    EXPECT_NE(log().find("\n *** Only 99 SPECTRA allowed! ***\n"), std::string::npos);
    EXPECT_EQ(fake_calls, 0);

    // A complex spectrum needs both places or takes none.
    i_fit_ctl.nspec = 98;
    fake_runs = {{.type = 4, .npk = 10}};
    answers("run\n");
    EXPECT_FALSE(store_spectrum(no_args));
    EXPECT_EQ(i_fit_ctl.nspec, 98);
}

// A spectrum cut to the room left reports and records where its kept bins end (here at
// t1 + 143 bins: the fake run's last time is that of its last bin).
TEST_F(Setup, CutSpectrumShowsTheKeptRange)
{
    occupy(262000);
    fake_runs = {{.npk = 300, .t1 = 0.05f, .tbin = 0.01f}};
    answers("run\n");
    testing::internal::CaptureStdout();
    ASSERT_TRUE(store_spectrum(no_args));
    fio_flush_all();
    testing::internal::GetCapturedStdout();
    EXPECT_NE(log().find("    144 bins from T_1 =  0.050 to T_2 =  1.480, T_BIN = 0.010000"),
              std::string::npos) << log();
    EXPECT_NEAR(r_fit_ctl.r_fit(rfit_t2, 2), 0.05 + 143 * 0.01, 1e-5);
}

// A spectrum refused after its line took an expression does not keep it.
TEST_F(Setup, RefusedSpectrumDropsItsExpressions)
{
    i_fit_ctl.nspec = 98;  // room for one more fitted spectrum, not for a complex one's two
    fake_runs = {{.type = 4, .npk = 10}};
    answers("2*PI\nrun\n");
    const float a[n_slots] = {5, 6, 0, 0, 0, 0, 201};
    testing::internal::CaptureStdout();
    EXPECT_FALSE(store_spectrum(a));  // refused: a batch run stops there
    fio_flush_all();
    EXPECT_TRUE(testing::internal::GetCapturedStdout().ends_with("\n *** Only 99 SPECTRA allowed! ***\n\n"));
    EXPECT_EQ(i_fit_ctl.nspec, 98);
    EXPECT_EQ(expressions.nexpr, 0);

    i_fit_ctl.nspec = 1;  // and one with a single bin
    fake_runs = {{.npk = 1}};
    answers("3*PI\nrun\n");
    testing::internal::CaptureStdout();
    EXPECT_FALSE(store_spectrum(a));
    fio_flush_all();
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(expressions.nexpr, 0);
}

TEST_F(Setup, FitTitleFromTheFirstSpectrum)
{
    mntitle.minuit_title = "TITLE";
    fake_runs = {{.title = "Run 77: silver"}, {.title = "Run 78: gold"}};
    answers("a\nb\n");
    store_spectrum(no_args);
    store_spectrum(no_args);
    EXPECT_EQ(mntitle.minuit_title.trimmed(), "Run 77: silver");
    EXPECT_EQ(sptitles.sptitle(2).trimmed(), "Run 78: gold");
}

// ---- ADD_SPEC: averaging and refusals -----------------------------------------------------

TEST_F(Setup, AddSpecAveragesByInverseVariance)
{
    fake_runs = {{.npk = 300, .value = 10, .error = 1}, {.npk = 300, .value = 20, .error = 2}};
    answers("first\nsecond\n");
    ASSERT_TRUE(store_spectrum(no_args));
    ASSERT_TRUE(store_add_spec());
    EXPECT_EQ(i_fit_ctl.nspec, 1);
    EXPECT_NEAR(fitdata.bin(1), (10.001 + 0.25 * 20.001) / 1.25, 1e-5);
    EXPECT_FLOAT_EQ(fitdata.err(300), 1.0f / std::sqrt(1.25f));
    EXPECT_EQ(filenames.namedf(1).trimmed(), "first");
    EXPECT_NE(log().find("\n\n Add to   1: Run #"), std::string::npos);
}

TEST_F(Setup, AddSpecToAComplexSpectrumKeepsTheHalvesApart)
{
    fake_runs = {{.type = 4, .npk = 10, .value = 10}, {.type = 4, .npk = 10, .value = 10}};
    answers("a\nb\n");
    ASSERT_TRUE(store_spectrum(no_args));
    ASSERT_TRUE(store_add_spec());
    EXPECT_EQ(i_fit_ctl.nspec, 2);
    EXPECT_FLOAT_EQ(fitdata.bin(3), 10.003f);
    EXPECT_FLOAT_EQ(fitdata.bin(13), 110.003f);
    EXPECT_FLOAT_EQ(fitdata.err(13), 1.0f / std::sqrt(2.0f));
    const std::string l = log();
    EXPECT_NE(l.find(" Add to   1: Run #"), std::string::npos);
    EXPECT_NE(l.find(" Add to   2: Run #"), std::string::npos);
}

// Bins without weight are no fitted points: the imaginary half of a modulus spectrum counts
// nothing, also after ADD_SPEC averaged a second modulus run into it (two weightless bins
// stay weightless), and a narrowed range counts only its weighted bins.
TEST_F(Setup, WeightlessBinsAreNoFittedPoints)
{
    const FakeRun modulus{.type = 4, .npk = 147, .imag_error = no_weight_err};
    fake_runs = {modulus, modulus};
    answers("a\nb\n");
    ASSERT_TRUE(store_spectrum(no_args));
    ASSERT_TRUE(store_add_spec());
    fitpar.nsig = 1;
    ASSERT_TRUE(setup_close(nullptr));
    EXPECT_EQ(bestfit.ndata, 147);
    EXPECT_EQ(vul_spectrum_points(2), 0);
    EXPECT_EQ(fitdata.err(148), no_weight_err);
    EXPECT_FLOAT_EQ(fitdata.err(147), 1.0f / std::sqrt(2.0f));

    const int gaps[] = {1, 10, 11, 50, 147};  // weightless bins of the real half
    for (int k : gaps) fitdata.err(k) = no_weight_err;
    fitbins.jj_bin(1, 1) = 10;
    fitbins.jj_bin(2, 1) = 100;
    int inside = 0;
    for (int k : gaps) inside += k >= 10 && k <= 100;
    EXPECT_EQ(vul_spectrum_points(1), 100 - 10 + 1 - inside);
    EXPECT_EQ(vul_fitted_points(), 100 - 10 + 1 - inside);
    EXPECT_EQ(vul_spectrum_points(3), 0);  // no such spectrum
}

// A full packed array cannot make ADD_SPEC drop or half-average a run: it needs no room.
TEST_F(Setup, AddSpecIntoAFullArrayAveragesEveryBin)
{
    occupy(max_fit_points - 300);
    fake_runs = {{.npk = 300, .value = 10}, {.npk = 300, .value = 20}};
    answers("a\nb\n");
    ASSERT_TRUE(store_spectrum(no_args));
    ASSERT_EQ(i_fit_ctl.i_loc_0(2), max_fit_points);
    ASSERT_TRUE(store_add_spec());
    EXPECT_FLOAT_EQ(fitdata.bin(max_fit_points), 15.3f);
    EXPECT_FLOAT_EQ(fitdata.bin(max_fit_points - 299), 15.001f);
}

TEST_F(Setup, AddSpecRefusesWhatDoesNotFit)
{
    struct Case { FakeRun added; const char* msg; };
    const Case cases[] = {
        {{.type = 3}, " *** ADD_SPEC: type       3 differs from       2 of spectrum  1; run not added ***"},
        {{.npk = 99}, " *** ADD_SPEC: bin count      99 differs from     100 of spectrum  1; run not added ***"},
        {{.t1 = 0.06f},
         " *** ADD_SPEC: first time   0.060000 us differs from   0.050000 us of spectrum  1; run not added ***"},
        {{.tbin = 0.02f},
         " *** ADD_SPEC: bin width   0.020000 us differs from   0.010000 us of spectrum  1; run not added ***"},
    };
    for (const Case& c : cases) {
        SetUp();
        fake_runs = {FakeRun{}, c.added};
        answers("a\nb\n");
        ASSERT_TRUE(store_spectrum(no_args));
        testing::internal::CaptureStdout();
        EXPECT_FALSE(store_add_spec()) << c.msg;
        fio_flush_all();
        EXPECT_NE(testing::internal::GetCapturedStdout().find(c.msg), std::string::npos) << c.msg;
        EXPECT_FLOAT_EQ(fitdata.bin(1), 10.001f) << c.msg;
        EXPECT_EQ(i_fit_ctl.nspec, 1);
        TearDown();
    }
}

TEST_F(Setup, AddSpecWithoutASpectrumAsksNothing)
{
    testing::internal::CaptureStdout();
    EXPECT_FALSE(store_add_spec());
    fio_flush_all();
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "\n *** ADD_SPEC: no spectrum yet to add a run to ***\n\n");
    EXPECT_EQ(fake_calls, 0);
}

// ---- the dialog ---------------------------------------------------------------------------

TEST_F(Setup, DialogDefinesSignalsAndSpectraAndEndsAtTheEmptyLine)
{
    answers("SIGNAL 1, 2, 3.7, -4.7, 1e20\n2*PI\nSP 5, 6\nrun\nO\nfit.ans\nI\nTemp, 10, 0.1, 0.2\n"
            "Field,100\n\nR 5,2\n\nSIGNAL 9\n");
    double x[max_minuit_par + 1] = {};
    EXPECT_FALSE(dirade_setup(0, x));  // batch: no function value
    EXPECT_EQ(fitpar.nsig, 1);
    EXPECT_EQ(fitpar.ifitsg(3, 1), 3);
    EXPECT_EQ(fitpar.ifitsg(4, 1), -4);
    EXPECT_EQ(fitpar.ifitsg(5, 1), 2147483647);  // beyond any table, never undefined
    EXPECT_EQ(expressions.jexpr(1), 2147483647);
    EXPECT_EQ(i_fit_ctl.nspec, 1);
    EXPECT_EQ(fitpar.ifitsp(2, 1), 6);
    EXPECT_EQ(filenames.nameout.trimmed(), "fit.ans");
    EXPECT_EQ(indvar.nindvar, 2);
    EXPECT_EQ(indvar.viname(1).trimmed(), "Temp");
    EXPECT_EQ(indvar.viem(1), 0.2);
    EXPECT_EQ(indvar.vival(2), 100);
    EXPECT_TRUE(replot.on);
    EXPECT_EQ(replot.interval, 5);
    EXPECT_EQ(replot.maxcount, 2);
    EXPECT_EQ(bestfit.ndata, 100);

    // The next set-up starts empty.
    answers("SIGNAL 1\nSPECTRUM 2\nrun\n\n");
    dirade_setup(0, x);
    EXPECT_EQ(fitpar.nsig, 1);
    EXPECT_EQ(i_fit_ctl.nspec, 1);
    EXPECT_EQ(indvar.nindvar, 0);
    EXPECT_EQ(expressions.nexpr, 0);
}

// Expressions entered later may use what earlier ones assigned, and labels at their
// parameter lines' values: each is accepted where it is entered.
TEST_F(Setup, ExpressionsUseLabelsAndEarlierAssignments)
{
    Pars x{};
    add_par(x, 1, 0.25, "Asy");
    add_par(x, 2, 3, "Frq");
    answers("T = 2*Asy\nT*Frq\n");
    const float a[n_slots] = {0, 201, 202};
    setup_signal(a);
    ASSERT_EQ(expressions.nexpr, 2);
    EXPECT_EQ(vulmapr.x_vul(201), 0.5);
    EXPECT_EQ(vulmapr.x_vul(202), 1.5);
}

TEST_F(Setup, ExpressionsOfSignalsInSlotOrder)
{
    Pars x{};
    add_par(x, 1, 0.5, "A");
    add_par(x, 2, 1.5, "B");
    add_par(x, 3, 2.5, "C");
    answers("A+B\n-C\n");
    const float a[n_slots] = {0, 201, 0, -202};
    setup_signal(a);
    EXPECT_EQ(expressions.nexpr, 2);
    EXPECT_EQ(expressions.jexpr(2), 202);
    EXPECT_EQ(expressions.sexpr(1).trimmed(), "A+B");
    EXPECT_EQ(expressions.nchexpr(2), 2);
}

TEST_F(Setup, ReplotAsksForMissingNumbers)
{
    answers("R\n4\n0\nSIGNAL 1\nSPECTRUM 2\nrun\n\n");
    dirade_setup(0, nullptr);
    EXPECT_EQ(replot.interval, 4);
    EXPECT_EQ(replot.maxcount, 0);
    EXPECT_FALSE(replot.on);
}

TEST_F(Setup, TableQuestionsReadEachKindOncePerSetUp)
{
    const std::string cmplx = (dir / "g.tbl").string(), lf = (dir / "lf.tbl").string();
    ASSERT_TRUE(ktgen::write_cmplx_table(cmplx, 16, 0.1, [](double x) { return std::complex<double>(x, -x); }));
    ktgen::LfSpec s;
    s.nt = 10;
    s.nrow = 3;
    ASSERT_TRUE(ktgen::write_lf_table(lf, s));
    // The second question of each kind names a file that does not exist: only the name changes.
    answers(cmplx + "\nnone1\n" + lf + "\nnone2\n");
    const float c[n_slots] = {0, 2, 3, 0, 5}, l[n_slots] = {0, 2, -3, 4};
    testing::internal::CaptureStdout();
    setup_signal(c);
    setup_signal(c);
    setup_signal(l);
    setup_signal(l);
    fio_flush_all();
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(filenames.nametbl(3).trimmed(), "none1");
    EXPECT_EQ(filenames.nametbl(2).trimmed(), "none2");
    EXPECT_EQ(g_cmplx_tbl.n, 16);
    EXPECT_NE(out.find("          Title of Relaxation-Function TABLE:\n "), std::string::npos) << out;
    EXPECT_EQ(out.find("Title of", out.find("Title of") + 1), std::string::npos) << out;  // LF only

    // A new set-up asks and reads again.
    setup_begin();
    answers("none3\n");
    EXPECT_EXIT(setup_signal(c), testing::ExitedWithCode(1), "");
}

TEST_F(Setup, OmniSlotsTurnEveryLaterQuestionIntoTheOmniOne)
{
    const std::string omni = (dir / "omni.tbl").string();
    ASSERT_TRUE(ktgen::write_omni_table(omni, "omni title", "P", {{"t", {0, 1, 2}}}, {1, 0.5f, 0.25f}));
    answers(omni + "\nlater\nthird\n");
    const float first[n_slots] = {1, 2, 3, 4, 0, 7}, plain[n_slots] = {0, 2, 3, 0, 5};
    const float none[n_slots] = {1, 2};
    setup_signal(first);
    setup_signal(plain);  // would be the complex question without the OMNI rule
    EXPECT_EQ(filenames.nametbl(3).trimmed(), "later");
    EXPECT_EQ(omni_tbl_size.ndim, 1);
    setup_signal(none);   // also a signal that needs no table gets the question
    EXPECT_EQ(filenames.nametbl(3).trimmed(), "third");
}

TEST_F(Setup, SignalsBeyondOneHundredAreIgnored)
{
    const float a[n_slots] = {1};
    for (int i = 0; i < 101; ++i) setup_signal(a);
    EXPECT_EQ(fitpar.nsig, 100);
}

// ---- fatal stops in batch -----------------------------------------------------------------

using SetupDeath = Setup;

// The screen into the death test's view (it watches standard error).
void screen_to_stderr() { ::dup2(STDERR_FILENO, STDOUT_FILENO); }

TEST_F(SetupDeath, HundredAndFirstExpressionStops)
{
    expressions.nexpr = 100;
    const float a[n_slots] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 300};
    const char* msg = "\n\n \\*\\*\\*\\* DIRADE cannot store more than100 Expressions to Evaluate! "
                      "\\*\\*\\*\\*\n\n";
    EXPECT_EXIT((screen_to_stderr(), store_spectrum(a)), testing::ExitedWithCode(1), msg);
    EXPECT_EXIT((screen_to_stderr(), setup_signal(a)), testing::ExitedWithCode(1), msg);
}

// The reader gets the 40-character answer as an 80-character name, so its message shows
// the name with the blanks up to 80 between the quotes.
TEST_F(SetupDeath, TableMessageShowsTheAnswerAsAnEightyCharacterName)
{
    struct Case { float slots[n_slots]; const char* who; };
    const Case cases[] = {
        {{0, 2, -3, 4}, "GET_LF_TBL"},
        {{1, 2, 3, 4, 0, 7}, "GET_OMNI_TBL"},
    };
    const std::string name = "no_such.tbl", quoted = '"' + name + std::string(69, ' ') + '"';
    for (const Case& c : cases) {
        const std::string want =
            "     *** " + std::string(c.who) + " ***  Cannot read     2-dim Table " + quoted;
        std::string re;  // the exact line, as a regular expression
        for (const char ch : want) {
            if (std::string_view("\\^$.|?*+()[]{}").find(ch) != std::string_view::npos) re += '\\';
            re += ch;
        }
        answers(name + "\n");
        lftbl_pai(1) = 2;  // what a missing file leaves in the records
        omni_tbl_size.ndim = 2;
        EXPECT_EXIT((screen_to_stderr(), setup_signal(c.slots)), testing::ExitedWithCode(1),
                    "\n" + re + "\n")
            << c.who;
        set_ask_indir(0, 0);
        fio_close(answer_unit);
    }
}

// An expression is evaluated where it is entered, with the labels at their parameter
// lines' values and the expressions before it: one that gives no value, or a value that
// is no finite number, stops a batch run with the evaluator's message (when it has one)
// and the refusal (on standard error too).
TEST_F(SetupDeath, ExpressionThatDoesNotEvaluateStopsABatchRun)
{
    Pars x{};
    add_par(x, 1, 0.25, "Asy");
    struct Case { const char* answers; int slot; const char* text; bool evaluator_says; };
    const Case cases[] = {
        {"Asy*\n", 201, "Asy\\*", true},                // unfinished
        {"Asy*Nothing\n", 202, "Asy\\*Nothing", true},   // a name nobody defined
        {"Asy+\n", 300, "Asy\\+", true},
        {"sqrt(-Asy)\n", 201, "sqrt\\(-Asy\\)", false},        // NaN
        {"1/(Asy-0.25)\n", 202, "1/\\(Asy-0.25\\)", false},    // infinite
        {"log(Asy-0.25)\n", 203, "log\\(Asy-0.25\\)", false},
    };
    for (const Case& c : cases) {
        answers(c.answers);
        const float a[n_slots] = {0, static_cast<float>(c.slot)};
        const std::string re = std::string(c.evaluator_says ? "EVAL: .*\n" : "") +
                               " \\*\\*\\* Expression for " + std::to_string(c.slot) +
                               " does not evaluate with the initial parameter values: " + c.text;
        EXPECT_EXIT((screen_to_stderr(), setup_signal(a)), testing::ExitedWithCode(1), re)
            << c.answers;
        set_ask_indir(0, 0);
        fio_close(answer_unit);
    }
}

TEST_F(SetupDeath, FailedStepsStopABatchRunWithTheirMessage)
{
    struct Case { const char* input; const char* msg; };
    const Case cases[] = {
        {"ADD_SPEC\n", "no spectrum yet to add a run to"},
        {"SIGNAL 1\n\n", "ERROR!   There are no spectra defined!"},
        {"SPECTRUM 1\nrun\n\n", "ERROR!   There are no signals defined!"},
        {"SIGNAL 1\nBOGUS\n", "Unrecognized Command"},
        {"IND_VAR\nA,1\nB,2\nC,3\nD,4\nE,5\nF,6\nG,7\nH,8\nI,9\nJ,10\nIND_VAR\nK,11\n",
         "Only 10 Independent Variables allowed! \\*\\*\\*\n\n\\*\\*\\* Only 10"},
    };
    for (const Case& c : cases) {
        answers(c.input);
        EXPECT_EXIT(
            {
                screen_to_stderr();
                dirade_setup(0, nullptr);
            },
            testing::ExitedWithCode(1), c.msg)
            << c.input;
        set_ask_indir(0, 0);
        fio_close(answer_unit);
    }
}

}  // namespace
