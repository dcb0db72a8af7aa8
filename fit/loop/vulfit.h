// vulfit.h -- the fitting program's main routine and its MINUIT command loop.
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
