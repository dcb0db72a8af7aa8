// dirade.h -- the objective function MINUIT calls for every function value.
#pragma once

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
