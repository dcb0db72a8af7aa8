// report_vul_prt_test.cpp -- the fit report of the initial guess and of the results.
#include <gtest/gtest.h>

#include "report_fixture.h"
#include "vul_prt.h"

namespace {

// Two raw spectra (the second relative to the first, with its own asymmetry factor and a
// time-zero shift), a signal with a phase offset and a multiplying relaxation signal.
void raw_fit(Pars& x)
{
    report_fit(x);
    fitpar.nsig = 0;
    i_fit_ctl.nspec = 0;
    expressions.nexpr = 0;
    bestfit.nxpar = 0;
    filenames.nameout = "";
    const struct { int p; const char* name; double v, err, ep, em; } pars[] = {
        {1, "N0", 512.5, 1.5, 0, 0},   {2, "BG", 0.0125, 0.0005, 0, 0},
        {3, "TH", -100, 5, 0, 0},      {4, "PHI", -80, 4, 0, 0},
        {5, "TAU", 2.19714, 0, 0, 0},  {6, "A", 0.21, 0.003, 0.004, 0},
        {7, "RN", 0.98, 0.01, 0, 0},   {8, "R", 1.05, 0.02, 0, 0},
        {9, "DT0", 0.002, 0.001, 0, 0}, {10, "NU", 13.55, 0.01, 0, 0},
        {11, "SIG", 0.31, 0.02, 0, 0}, {12, "LAM", 0.05, 0.01, 0, 0},
        {13, "BETA", 1.8, 0.2, 0, 0},  {14, "PH2", 370, 1, 0, 0},
    };
    for (const auto& p : pars) report_par(x, p.p, p.name, p.v, p.err, p.ep, p.em);
    bestfit.npari = 13;
    add_spectrum(0, 200, 0.01f, 0.005f, {1, 2, 3, 0, 5, 0, 0, 0, 0, 0});
    add_spectrum(1, 200, 0.01f, 0.005f, {-7, 2, 14, 8, -9, 0, 0, 0, 0, 0});
    fitbins.jj_bin(1, 2) = 11, fitbins.jj_bin(2, 2) = 190;
    i_fit_ctl.i_fit(7, 1) = 5, i_fit_ctl.i_fit(11, 1) = 40;
    add_signal({4, 6, 10, 11, 0, 0, 0, 0, 0, 0});
    add_signal({0, 0, 0, 12, 13, 0, 0, 0, 0, 0});
    bestfit.fmin = 0;
}

class VulPrb : public InFolder {
protected:
    std::string report(int mode)
    {
        EXPECT_EQ(fio_open(2, "log.txt"), 0);
        vul_prb(mode, bestfit.npari, x.data());
        fio_close(2);
        return slurp("log.txt");
    }
    Pars x{};
};

// A fit with a complex spectrum and expressions: the initial guess has no fit form, no
// chi-square and no spectrum blocks; the signal lines are written once.
TEST_F(VulPrb, GuessAndResults)
{
    report_fit(x);
    EXPECT_EQ(report(0), fixture("report_guess.log"));
    EXPECT_EQ(report(1), fixture("report_results.log"));
}

// Raw spectra with relative phase and asymmetry slots: signals under every spectrum, phases
// reduced (but not the one numbered npx), MINOS errors of 0 replaced for good, no
// chi-square gives the 99999.99 difference.
TEST_F(VulPrb, RawSpectraPerSpectrumSignals)
{
    raw_fit(x);
    EXPECT_EQ(report(1), fixture("report_raw.log"));
    EXPECT_EQ(bestfit.xerrm(6), 0.003);
    EXPECT_EQ(bestfit.xerrp(1), 1.5);
    EXPECT_EQ(x[3], -100);  // the caller's values are not touched
}

// The dispatcher: the report for modes 0 and 1, nothing yet for the dialog modes.
TEST_F(VulPrb, Dispatch)
{
    report_fit(x);
    for (int mode = 2; mode <= 4; ++mode) {
        ASSERT_EQ(fio_open(2, "log.txt"), 0);
        vul_prt(mode, bestfit.npari, x.data());
        fio_close(2);
        EXPECT_EQ(slurp("log.txt"), "") << mode;
    }
    ASSERT_EQ(fio_open(2, "log.txt"), 0);
    vul_prt(1, bestfit.npari, x.data());
    fio_close(2);
    EXPECT_EQ(slurp("log.txt"), fixture("report_results.log"));
}

}  // namespace
