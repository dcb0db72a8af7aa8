// chisq.h -- the chi-square of every fitted spectrum against its theory, and the last one
// computed.
#pragma once

// The chi-square of every fitted spectrum against the theory at x: bestfit.fbest_sp and
// bin_th are rewritten; fmin takes the sum when it is 0 or below. Returns the sum.
double dirade_chisq(const double* x);

// The chi-square last computed when it was computed at the parameter values x[1..n] (by
// number, MINUIT's own values); false when it was not, or none was since the set-up.
bool dirade_chisq_at(const double* x, int n, double& f);

// Forgets the last chi-square: a new set-up brings other spectra and another model.
void dirade_chisq_forget();
