// vul_pri.h -- the results dialogs "GUESS>", "RESULTS>", "STATUS>" and "CHANGE>": the fit
// on the screen, parameter and fitted-range changes, the answer file, independent variables.
#pragma once

// mode 0 after the initial guess, 1 after the results, 2 PEek and the last chance to plot,
// 3 CHange (straight into the parameter change), 4 PLot (only the plot dialog). npar and x
// as MINUIT passed them to the objective function ([p] is parameter p): a parameter
// redefined here takes its new value in x and in MINUIT. Returns at an empty command line.
// Reached through vul_prt, and only when the program runs interactively.
void vul_pri(int mode, int npar, double* x);

// FAKEDATA: says there is no such utility.
void fake_data();
