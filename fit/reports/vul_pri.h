// vul_pri.h -- the results dialogs "GUESS>", "RESULTS>", "STATUS>" and "CHANGE>": the fit
// on the screen, parameter and fitted-range changes, the answer file, independent variables.
#pragma once

// mode one of PrtMode (vul_prt.h): prt_guess "GUESS>", prt_results "RESULTS>", prt_status
// "STATUS>", prt_change (straight into the parameter change), prt_plot (only the plot
// dialog). npar and x
// as MINUIT passed them to the objective function ([p] is parameter p): a parameter
// redefined here takes its new value in x and in MINUIT. Returns at an empty command line.
// Reached through vul_prt, and only when the program runs interactively.
void vul_pri(int mode, int npar, double* x);

// FAKEDATA: says there is no such utility.
void fake_data();
