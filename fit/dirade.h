// dirade.h -- the objective function MINUIT calls for every function value.
#pragma once

// MINUIT's calling order: npar variable parameters, grad[p] and x[p] by parameter number
// p = 1..100 ([0] unused), f the function value (set for every call that computes one),
// flag: 1 or below set-up, 2 gradient wanted, 3 end of fit, 4 evaluation, 5 PE, 6 CH, 7 PL.
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
