// dirade.h -- the objective function MINUIT calls for every function value, and the
// routines of the set-up, reports and dialogs that it hands over to.
#pragma once

#include <string_view>

#include "minuit.h"

// The program's own flags (mnfcn's from mn_flag_own on), which reach dirade through
// MINUIT's CALL: the loop's PE, CH and PL. In batch they only compute the chi-square.
enum DiradeFlag : int {
    flag_peek = 5,     // PEek: "STATUS>"
    flag_change = 6,   // CHange: "CHANGE>"
    flag_plot = 7,     // PLot: the plot dialog of the fit
};
static_assert(int(flag_peek) == int(mn_flag_own));

// MINUIT's calling order: npar variable parameters, grad[p] and x[p] by parameter number
// p = 1..100 ([0] unused), f the function value (set for every call that computes one),
// flag: mn_flag_setup or below set-up, then MINUIT's MnFlag, then DiradeFlag.
void dirade(int npar, double* grad, double& f, double* x, int flag, void* futil);

// The chi-square of every fitted spectrum against the theory at x: bestfit.fbest_sp and
// bin_th are rewritten; fmin takes the sum when it is 0 or below. Returns the sum.
double dirade_chisq(const double* x);

// The chi-square last computed when it was computed at the parameter values x[1..n] (by
// number, MINUIT's own values); false when it was not, or none was since the set-up.
bool dirade_chisq_at(const double* x, int n, double& f);

// What dirade keeps between calls, for the whole process (not per fit).
struct DiradeKeep {
    bool first_call = true;  // the hint and the status clock's start are still due
    float hours_last = 0;    // processor hours at the first call or the last status report
    float hours_acc = 0;     // hours accumulated by status reports
};
inline DiradeKeep dirade_keep;

// Processor seconds of the process (user plus system); tests may put their own clock here.
float dirade_cpu_seconds();
inline float (*dirade_clock)() = dirade_cpu_seconds;

// ---- what dirade hands over to (each written with its own step) -------------------------

// Set-up dialog at "DIRADE>" (flag 1 or below): true when the call goes on to the
// chi-square (interactive), false when it returns without a function value (batch).
bool dirade_setup(int npar, double* x);
// Reports and dialogs, mode one of PrtMode (vul_prt.h).
void vul_prt(int mode, int npar, double* x);
// Plot of the fit; a negative mode redraws during the minimisation without a dialog.
void vul_plt(int mode, const double* x);
// Answer file and table-row file.
void vul_ini();
// MINUIT's state into bestfit; printed on unit lun when lun is 1 or more.
void minstatus(int lun);
// One parameter card on unit.
void mnformat(int unit, int p, std::string_view label, double value, double step, double lower,
              double upper, std::string_view remark);
