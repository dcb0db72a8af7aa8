// setup.h -- the set-up dialog at "DIRADE>" (signals, spectra, expressions, answer-file
// name, independent variables, replotting) and the storing of fitted spectra.
#pragma once

#include <span>

#include "fit_spectra.h"

// The objective function's set-up (flag 1 or below): true when the call goes on to the
// chi-square (interactive), false when it returns without a function value (batch).
bool dirade_setup(int npar, double* x);

// Starts an empty set-up: records of the last fit, table flags and OMNI rule cleared.
void setup_begin();

// One SIGNAL line: ten slot numbers (truncated toward zero), expressions, table question.
void setup_signal(const float* args);

// A new parameter expression for number k (|slot| above 200): "Expression: ". The 101st
// stops the process with status 1.
void new_expression(int k);

// SPECTRUM with its ten slot numbers, ADD_SPEC without numbers. False when the command
// was refused with a message (the set-up dialog then asks again, or stops a batch run).
bool store_spectrum(const float* args);
bool store_add_spec();

// The end of the set-up (the empty line): false when it cannot end yet (no spectra or no
// signals, after the message); otherwise ndata, fmin and the value table are set.
bool setup_close(const double* x);

// The spectrum dialog the storing calls (returns only with a finished spectrum); tests
// put their own here.
inline int (*spect_dialog)(std::span<char> filename) = getspect;
