// fit_loop.h -- the loop room as the rest of the program sees it: the main routine with its
// MINUIT command loop, and the objective function that MINUIT calls.
#pragma once

#include "../dirade.h"
#include "../vulfit.h"
