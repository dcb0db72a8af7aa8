// vul_prt.h -- the fit report in the log (initial guess and results) and the one entry
// through which the objective function reaches the report and the results dialogs.
#pragma once

#include <array>

#include "fit_records.h"

// Values and errors by parameter number as the parameter lines read them ([p] is
// parameter p; [0] unused).
struct ParVals {
    std::array<double, max_minuit_par + 1> xx{};
    std::array<double, max_minuit_par + 1> dx{};
};

// What the report and the results dialogs are called for.
enum PrtMode : int {
    prt_guess = 0,     // after an interactive set-up: the initial-guess report, "GUESS>"
    prt_results = 1,   // the final call: the results report, "RESULTS>"
    prt_status = 2,    // PEek and the last chance to plot: "STATUS>"
    prt_change = 3,    // CHange: "CHANGE>", straight into the parameter change
    prt_plot = 4,      // PLot: the plot dialog of the fit only
};

// prt_guess and prt_results: the report, then (interactive) the results dialogs; the others
// the dialogs only. npar and x as MINUIT passed them ([p] is parameter p); a value changed
// in the dialogs is written back into x.
void vul_prt(int mode, int npar, double* x);

// The report of prt_guess or prt_results on the print unit. A MINOS error of 0 in bestfit
// becomes the parabolic error and stays so.
void vul_prb(int mode, int npar, const double* x);

// What every report and dialog shows: zero MINOS errors replaced in bestfit, errors the
// larger of parabolic and mean MINOS, phases of signal and RPha slots reduced to -90..360
// (a phase numbered npx itself keeps its value), then vul_premap of the values.
void vul_prep_values(const double* x, ParVals& v);

// Points the chi-square sums over: the bins of spectrum j's fitted range that carry a
// weight (a bin with the no-weight error is no point); 0 for no such spectrum.
int vul_spectrum_points(int j);
// The same over every fitted spectrum: what the degrees of freedom are counted from.
int vul_fitted_points();

// Highest MINUIT parameter number in use, as the parameter lines check numbers.
int vul_npx();

// Some fitted spectrum has a relative phase or asymmetry slot.
bool vul_anyrel();

// ---- the pieces of the report that the results dialogs show on the screen -----------------

// The form of the fitted function, with the number of fitted spectra.
void vul_fit_form(int lun);
// sqrt(2 chi2) - sqrt(2 ndf - 1), the second root in single precision; 99999.99 when chi2
// is not above 0 or ndf is not above 0.
double vul_deviations(double chi2, int ndf);
// The parameter lines of the spectrum just mapped (type |i_fit(1)|), of signal s under it,
// and the expressions block.
void vul_spectrum_lines(int lun, int npx, const ParVals& v, int type);
void vul_signal_lines(int lun, int npx, const ParVals& v, int s);
void vul_expressions(int lun);
