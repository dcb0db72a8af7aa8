// vulfit.h -- the fitting program's main routine, its MINUIT command loop, the title and
// parameter lines that open every fit, and the fit status collected from MINUIT.
#pragma once

#include "minuit.h"

// The whole program: start-up, then fits one after the other with the program's own
// objective function. Never returns (defined beside main).
[[noreturn]] void MAIN__();

// The process around it: the signal handlers with their messages and exit codes.
void vulfit_signals();

// The parts of MAIN__, for callers (tests) that bring their own objective function.
void vulfit_startup();               // version line, constants, units, log file, MINUIT
void vulfit_restart(mnfcn fcn);      // restart point: title, parameters, set-up, settings
void vulfit_loop(mnfcn fcn);         // "MINUIT> " lines until END (returns) or a stop

// MINUIT's printout goes to unit lun from now on.
void minsetout(int lun);

// The title and parameter lines of a fit (stops the process on fatal parameter errors).
void midata();

// MINUIT's state into bestfit; lun 1 or more also prints the short table there.
void minstatus(int lun);
