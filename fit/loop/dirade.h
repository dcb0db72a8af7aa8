// dirade.h -- the objective function MINUIT calls for every function value.
#pragma once

// MINUIT's calling order: npar variable parameters, grad[p] and x[p] by parameter number
// p = 1..100 ([0] unused), f the function value (set for every call that computes one),
// flag: 1 or below set-up, 2 gradient wanted, 3 end of fit, 4 evaluation, 5 PE, 6 CH, 7 PL.
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
