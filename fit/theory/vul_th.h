// vul_th.h -- the theory of a fitted spectrum: signals by slot codes, terms, products,
// raw and asymmetry forms, written into bin_th.
#pragma once

// Theory of fitted spectrum ifit (1..100) for its bins ib1..ib2 into fitdata.bin_th at
// i_loc_0(ifit-1)+ib; nothing when ib2 < ib1. Needs vul_premap and vul_map(ifit) first.
void vul_th(int ifit, int ib1, int ib2);

// The same in two steps, for passes that share the bins out among threads:
// vul_th_prepare settles everything of spectrum ifit that does not depend on time (after
// vul_map(ifit), on one thread); vul_th_range then writes bins ib1..ib2 of it, and may run
// on several threads at once for disjoint ranges of prepared spectra. After each block of
// bins ib..ib+n-1 is written, after(ctx, ib, n) is called on the same thread (when given).
// A bin's value does not depend on the range it was asked in.
using VulThAfter = void (*)(void* ctx, int ib, int n);
void vul_th_prepare(int ifit);
void vul_th_range(int ifit, int ib1, int ib2, VulThAfter after, void* ctx);

// The theory N0*Y of bins ib1..ib1+n-1 of prepared spectrum ifit in double precision into
// y[0..n-1], as it is before rounding to bin_th; bin_th is left alone.
void vul_th_values(int ifit, int ib1, int n, double* y);

// Number (1..20) of the form that a signal with these codes meets, as sig_form
// (sig_forms.h) chooses it: the SigKernel's number.
int vul_th_form(int kfr, int krl, int khp, int kph, int n_omni, bool imaginary);

// True for the forms whose value a negative amplitude code scales by the amplitude; false
// for numbers that name no form.
bool vul_th_form_scaled(int form);
