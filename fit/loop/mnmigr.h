// mnmigr.h -- the fitting program's own MIGRAD step, set as the engine's step at start-up
// (mn_set_migrad), so that the engine calls it wherever it minimises by the variable-metric
// method. Works directly on the engine's records.
#pragma once

#include "minuit.h"

// Minimise fcn from the engine's present state (Davidon-Fletcher-Powell with Fletcher's
// switch); leaves AMIN, EDM, VHMAT, ISW(1), ISW(2), ISW(4), CSTATU as the commands expect.
// futil is handed to fcn unchanged. Not reentrant.
void mnmigr(mnfcn fcn, void* futil);
