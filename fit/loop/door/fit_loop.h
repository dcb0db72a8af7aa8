// fit_loop.h -- the loop room as the rest of the program sees it: the main routine with its
// MINUIT command loop, the objective function that MINUIT calls, and the program's MIGRAD
// step (fit_mnmigr), which the engine's own tests set as the program does.
#pragma once

#include "../dirade.h"
#include "../mnmigr.h"
#include "../vulfit.h"
