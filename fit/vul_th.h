// vul_th.h -- the theory of a fitted spectrum: signals by slot codes, terms, products,
// raw and asymmetry forms, written into bin_th.
#pragma once

// Theory of fitted spectrum ifit (1..100) for its bins ib1..ib2 into fitdata.bin_th at
// i_loc_0(ifit-1)+ib; nothing when ib2 < ib1. Needs vul_premap and vul_map(ifit) first.
void vul_th(int ifit, int ib1, int ib2);

// Row of the form table (1..20) that a signal with these codes meets; the first matching
// row wins. Rows: 1 OMNI table; 2-8 oscillating (2 Abragam, 3 Gaussian, 4 undamped,
// 5/6 complex table real/imaginary pass, 7 stretched, 8 exponential); 9-12 negative
// frequency (9 Bessel J0, 10 gzz, 11 polzz, 12 lfpol); 13-16 Kubo-Toyabe at zero field
// (13 gzf, 14 gen_zf, 15 gzz, 16 polzz); 17 exponential, 18 stretched, 19 power law,
// 20 spin glass.
int vul_th_form(int kfr, int krl, int khp, int kph, int n_omni, bool imaginary);

// True for the rows whose value a negative amplitude code scales by the amplitude.
bool vul_th_form_scaled(int form);
