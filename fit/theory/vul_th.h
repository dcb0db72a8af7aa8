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

// Row of the form table (1..20) that a signal with these codes meets; the first matching
// row wins. Rows: 1 OMNI table; 2-8 oscillating (2 Abragam, 3 Gaussian, 4 undamped,
// 5/6 complex table real/imaginary pass, 7 stretched, 8 exponential); 9-12 negative
// frequency (9 Bessel J0, 10 gzz, 11 polzz, 12 lfpol); 13-16 Kubo-Toyabe at zero field
// (13 gzf, 14 gen_zf, 15 gzz, 16 polzz); 17 exponential, 18 stretched, 19 power law,
// 20 spin glass.
int vul_th_form(int kfr, int krl, int khp, int kph, int n_omni, bool imaginary);

// True for the rows whose value a negative amplitude code scales by the amplitude.
bool vul_th_form_scaled(int form);
