// vul_pri_test.cpp -- the results dialogs on the report's fixture fit: what the views show
// in each mode, the parameter and bin-range changes as MINUIT and the records see them,
// WRITE and IND_VAR. The dialog runs in a child process fed through a pipe, so every
// prompt shows with its answer.
#include <gtest/gtest.h>
#include <unistd.h>

#include <functional>
#include <string>

#include "dialog_run.h"
#include "fit_theory.h"
#include "minuit.h"
#include "report_fixture.h"
#include "vul_pri.h"
#include "vul_prt.h"

namespace {

constexpr int mn_unit = 41;  // MINUIT's own printout, thrown away

// MINUIT knows every parameter line of the fixture with its error as step and its limits.
void minuit_from_records(const Pars& x)
{
    const std::string path =
        testing::TempDir() + "vul_pri_minuit_" + std::to_string(::getpid()) + ".out";
    ASSERT_EQ(fio_open(mn_unit, path), 0);
    mninit(5, mn_unit, 7);
    for (int i = 1; i <= bestfit.nxpar; ++i) {
        const int p = bestfit.xparn(i);
        int err = 0;
        mnparm(p, bestfit.xname(p).full(), x[p], bestfit.xerr(p), bestfit.xllim(p),
               bestfit.xulim(p), err);
    }
}

// What MINUIT holds for parameter p: value, step, limits, and whether it is variable.
std::string minuit_par(int p)
{
    std::string name;
    double v = 0, e = 0, lo = 0, hi = 0;
    int internal = 0;
    mnpout(p, name, v, e, lo, hi, internal);
    return fio_format1("(' =MN',I3,1X,A,4G13.5,L2)", {p, name, v, e, lo, hi, internal > 0});
}

// Lines of out that start with prefix, each with its line end.
std::string lines_from(const std::string& out, const std::string& prefix)
{
    std::string r;
    for (std::size_t pos = 0; pos < out.size();) {
        std::size_t end = out.find('\n', pos);
        if (end == std::string::npos) end = out.size();
        const std::string line = out.substr(pos, end - pos);
        if (line.rfind(prefix, 0) == 0) r += line + "\n";
        pos = end + 1;
    }
    return r;
}

class VulPri : public InFolder {
protected:
    void SetUp() override
    {
        InFolder::SetUp();
        report_fit(x);
        bestfit.ndata = vul_fitted_points();
        changeparn = 0;
        // A change computes the chi-square at once; the fixture's signals have a table form
        // without a table, whose one notice a real fit has given long before.
        tbl_loaded.told_rlx = true;
        std::fflush(nullptr);
    }
    // vul_pri(mode) on the fixture with MINUIT set up; then `after` (in the child).
    DialogResult run(int mode, const std::string& input, const std::function<void()>& after = {})
    {
        return run_dialog(
            [&] {
                minuit_from_records(x);
                vul_pri(mode, bestfit.npari, x.data());
                fio_write(fio_stdout, "(' =left')");
                if (after) after();
            },
            input);
    }
    Pars x{};
};

// ---- views -----------------------------------------------------------------------------

// Each mode's prompt, and what the views show there: the long spectrum lines with a fit
// (results, status), the short ones without (guess, change); QUALITY nothing at the guess;
// the guess and modify banners under MAPPING.
TEST_F(VulPri, ViewsByMode)
{
    const struct { int mode; const char* input; const char* want; } cases[] = {
        {1, "MAPPING\nQUALITY\nSPECTRUM\nSP 2\nSIGNAL\nDESCRIBE\nFAKEDATA\n\n",
         "vul_pri_results.txt"},
        {0, "M\nQ\nSPECTRUM 0\nSIG 2\n\n", "vul_pri_guess.txt"},
        {2, "MAP\nQUALITY\nSPEC 3\n\n", "vul_pri_status.txt"},
    };
    for (const auto& c : cases) {
        const DialogResult r = run(c.mode, c.input);
        EXPECT_EQ(r.status, 0) << c.want;
        EXPECT_EQ(r.out, fixture(c.want)) << c.want;
    }
}

// SPECTRUM with a number beyond the fitted spectra shows them all, as SIGNAL does.
TEST_F(VulPri, SpectrumBeyondTheCount)
{
    EXPECT_EQ(lines_from(run(0, "SPECTRUM 9\n\n").out, " SPECTRUM"),
              " SPECTRUM  1:\n SPECTRUM  2:\n");
}

// SIGNAL takes its two numbers rounded; a signal or spectrum out of range means all. A
// later signal is joined as the signal before it asks (Asy 0: multiplied), and with a
// relative slot the signals stand under every spectrum but imaginary halves.
TEST_F(VulPri, SignalSelection)
{
    fitpar.ifitsg(sg_asy, 1) = 0;  // signal 1 now multiplies what follows
    const struct { const char* args; const char* want; } cases[] = {
        {"", " Signal  1:\n Multiplied by Signal  2:\n"},
        {"9", " Signal  1:\n Multiplied by Signal  2:\n"},
        {"1.5", " Multiplied by Signal  2:\n"},
        {"2,-1", " Multiplied by Signal  2:\n"},
        {"0,2", " Signal  1:\n Multiplied by Signal  2:\n"},
    };
    for (const auto& c : cases) {
        const DialogResult r = run(1, std::string("SIGNAL ") + c.args + "\n\n");
        std::string heads = lines_from(r.out, " Signal") + lines_from(r.out, " Multiplied") +
                            lines_from(r.out, " Plus");
        EXPECT_EQ(heads, c.want) << c.args;
        EXPECT_EQ(lines_from(r.out, " SPECTRUM"), "") << c.args;
    }
    fitpar.ifitsp(sp_rasy, 2) = 3;  // spectrum 2 scales the asymmetries: per spectrum
    fitpar.ifitsp(sp_rasy, 3) = 3;
    EXPECT_EQ(lines_from(run(1, "SIGNAL 2\n\n").out, " "),
              " SPECTRUM  1:\n"
              " Multiplied by Signal  2:\n"
              " (2)   A:   Asymmetry at t=0        = ( 0.24870000 +/- 0.00320)\n"
              " (6)   RLX: Sigma or Delta (us^-1)  = 0.35        \n"
              " (6)   HOP: Hop Rate (microsec^-1)  = 0.35        \n"
              " SPECTRUM  2:\n"
              " Multiplied by Signal  2:\n"
              " (2)   A:   Asymmetry at t=0        = ( 0.24870000 +/- 0.00320) * (1.35541+/-0.0021)\n"
              " (6)   RLX: Sigma or Delta (us^-1)  = 0.35        \n"
              " (6)   HOP: Hop Rate (microsec^-1)  = 0.35        \n"
              " Expressions:\n"
              "  1. (202) 2*ASY\n"
              "  2. (201) FREQ/2\n"
              " =left\n");
    EXPECT_EQ(lines_from(run(1, "SIGNAL 1,3\n\n").out, " SPECTRUM"), " SPECTRUM  3:\n");
}

// ---- parameter changes -------------------------------------------------------------------

// The change dialog as MINUIT and the records see it afterwards. Parameter 4 is a phase
// shown reduced (370.5 as 10.5), 6 a constant, 3 limited to 0..10.
TEST_F(VulPri, ParameterChanges)
{
    const struct { const char* what; int changeparn; const char* input; int p; const char* want; } cases[] = {
        {"empty answer: shown value, error as step, limits", 0, "4\n\n0\n\n\n", 4,
         " =MN  4 PHASE        10.500       2.5000       0.0000       0.0000     T\n"},
        {"a step of 0 makes a constant", 0, "2\n,0\n0\n\n\n", 2,
         " =MN  2 ASY         0.24870       0.0000       0.0000       0.0000     F\n"},
        {"only the upper limit", 0, "3\n,,,5\n0\n\n\n", 3,
         " =MN  3 FREQ         1.3554      0.21000E-02   0.0000       5.0000     T\n"},
        {"a constant stays one after a new value", 0, "6\n0.5\n0\n\n\n", 6,
         " =MN  6 DELTA       0.50000       0.0000       0.0000       0.0000     F\n"},
        {"CH 3 opens on parameter 3, then asks", 3, "1.5\n0\nn\n\n", 3,
         " =MN  3 FREQ         1.5000      0.21000E-02   0.0000       10.000     T\n"},
        {"beyond npx asked again, negative lists", 0, "7\n-1\n1\n2,0.1,0.5,3\n0\n\n\n", 1,
         " =MN  1 ALPHA        2.0000      0.10000      0.50000       3.0000     T\n"},
    };
    for (const auto& c : cases) {
        changeparn = c.changeparn;
        const DialogResult r = run(3, c.input, [&] {
            fio_write(fio_stdout, "(' =x',F10.4,' changeparn',I3)", {x[c.p], changeparn});
            fio_write(fio_stdout, "(A)", {minuit_par(c.p)});
        });
        EXPECT_EQ(r.status, 0) << c.what;
        EXPECT_EQ(lines_from(r.out, " =MN"), c.want) << c.what << "\n" << r.out;
        EXPECT_NE(r.out.find(" changeparn  0"), std::string::npos) << c.what;
    }
}

// The prompts of one change: CH 3 asks no number for its first parameter; 0 leads to the
// bin-range question and no to the CHANGE> prompt; beyond npx is asked again silently;
// a negative number lists every parameter line.
TEST_F(VulPri, ChangeDialogText)
{
    changeparn = 3;
    const DialogResult r = run(3, "\n7\n-1\n0\nn\n\n");
    EXPECT_EQ(r.out,
              "          *** MODIFYING PARAMETERS ***\n"
              " X(3)   FREQ        1.35541     +/-  0.210E-02  [  0.00    < X <   10.0    ]\n"
              "   New  X  [, dX, Xmin, Xmax] > \n"
              "Modify which parameter (number) > 7\n"
              "Modify which parameter (number) > -1\n"
              " X(1)   ALPHA     =   1.02130     +/-   0.101E-01\n"
              " X(2)   ASY       =  0.248700     +/-   0.320E-02\n"
              " X(3)   FREQ      =   1.35541     +/-   0.210E-02\n"
              " X(4)   PHASE     =   10.5000     +/-    2.50    \n"
              " X(5)   RELAXATION= -0.123457     +/-   0.120E-01\n"
              " X(6)   DELTA     =  0.350000     +/-    0.00    \n"
              "Modify which parameter (number) > 0\n"
              "Change fitted Bin Range(s)? n\n"
              "CHANGE> \n"
              " =left\n");
}

// Expressions shown after a change follow the new value (2*ASY with ASY 0.3).
TEST_F(VulPri, ExpressionsFollowAChange)
{
    const DialogResult r = run(1, "CHANGE\n2\n0.3\n0\nn\nSPECTRUM 2\n\n");
    EXPECT_EQ(lines_from(r.out, " (202)"),
              " (202) Alp: Alpha (rel N for Asy)   = 0.6          (Expr 1)\n");
}

// New fitted ranges: a first bin is kept at least four bins before the end and never
// before bin 1, a last bin not above the first leaves it, and a kept last bin below a new
// first one goes to the end of the spectrum. The points are counted anew, the best
// chi-square becomes 1e20 and the change starts again.
TEST_F(VulPri, BinRanges)
{
    i_fit_ctl.i_fit(ifit_nbins, 3) = 3;  // a tiny imaginary half, to see the lower bound
    fitbins.jj_bin(2, 3) = 3;
    fitbins.jj_bin(2, 1) = 60;
    const DialogResult r = run(3, "0\ny\n1000,5\n30,20\n2,3\n0\nn\n\n", [] {
        fio_write(fio_stdout, "(' =ranges',6I5,' ndata',I5,' fmin',1PE16.8)",
                  {fitbins.jj_bin(1, 1), fitbins.jj_bin(2, 1), fitbins.jj_bin(1, 2),
                   fitbins.jj_bin(2, 2), fitbins.jj_bin(1, 3), fitbins.jj_bin(2, 3),
                   bestfit.ndata, bestfit.fmin});
    });
    EXPECT_EQ(r.out,
              "          *** MODIFYING PARAMETERS ***\n"
              "Modify which parameter (number) > 0\n"
              "Change fitted Bin Range(s)? y\n"
              " Spectrum 1(  100 bins):  Range now    1 to   60+  -- New Range > 1000,5\n"
              " Spectrum 2(   50 bins):  Range now    1 to   50+  -- New Range > 30,20\n"
              " Spectrum 3(    3 bins):  Range now    1 to    3+  -- New Range > 2,3\n"
              "          *** MODIFYING PARAMETERS ***\n"
              "Modify which parameter (number) > 0\n"
              "Change fitted Bin Range(s)? n\n"
              "CHANGE> \n"
              " =left\n"
              " =ranges   97  100   30   50    1    3 ndata   28 fmin  1.00000002E+20\n");
}

// ---- plot ----------------------------------------------------------------------------------

// PLot goes straight into the plot dialog and back; PLOT from a prompt comes back to it.
TEST_F(VulPri, PlotDialog)
{
    online = 1;  // the plot dialog is the keyboard's
    EXPECT_EQ(run(4, "\n").out, "PLOT_FIT> \n =left\n");
    EXPECT_EQ(run(2, "PLOT\n\n\n").out, "STATUS> PLOT\nPLOT_FIT> \nSTATUS> \n =left\n");
}

// ---- answer file and independent variables ---------------------------------------------

// WRITE shows the old name, and an empty answer keeps it; a long name is kept whole.
TEST_F(VulPri, WriteAnswerFile)
{
    const std::string long_name = "a_rather_long_answer_file_name_of_fifty_chars.ans";
    ASSERT_EQ(long_name.size(), 49u);
    const DialogResult r = run(1, "WRITE\n\nW\n" + long_name + "\n\n", [] {
        fio_write(fio_stdout, "(' =name ',A)", {filenames.nameout.trimmed()});
    });
    EXPECT_EQ(lines_from(r.out, "  Input"),
              "  Input file was  fit.dat                                 \n"
              "  Input file was  fit.dat                                 \n");
    EXPECT_EQ(lines_from(r.out, " =name"), " =name " + long_name + "\n");
    EXPECT_NE(slurp("fit.dat").find("SIGNAL "), std::string::npos);
    EXPECT_NE(slurp(long_name).find("SIGNAL "), std::string::npos);
}

// IND_VAR drops the earlier list; an empty answer ends the new one, ten end it by itself.
TEST_F(VulPri, IndependentVariables)
{
    auto after = [] {
        for (int i = 1; i <= indvar.nindvar; ++i)
            fio_write(fio_stdout, "(' =var ',A,3F8.3)",
                      {indvar.viname(i), indvar.vival(i), indvar.viep(i), indvar.viem(i)});
        fio_write(fio_stdout, "(' =count',I3)", {indvar.nindvar});
    };
    EXPECT_EQ(lines_from(run(1, "IND_VAR\n\n\n", after).out, " ="), " =left\n =count  0\n");
    EXPECT_EQ(lines_from(run(1, "I\nB_EXT,2*50,0.5,0.25\nTEMP,4.2\n\n\n", after).out, " ="),
              " =left\n"
              " =var B_EXT      100.000   0.500   0.250\n"
              " =var TEMP         4.200   0.000   0.000\n"
              " =count  2\n");
    std::string ten = "IND_VAR\n";
    for (int i = 1; i <= 10; ++i) ten += "V" + std::to_string(i) + "," + std::to_string(i) + "\n";
    const DialogResult r = run(1, ten + "\n", after);
    EXPECT_EQ(lines_from(r.out, " =count"), " =count 10\n");
    EXPECT_EQ(lines_from(r.out, "RESULTS>"), "RESULTS> IND_VAR\nRESULTS> \n");
}

}  // namespace
