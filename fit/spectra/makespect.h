// makespect.h -- spectrum construction: the loaded run's histograms, by the settings
// of column 1, become one packed spectrum in bin_in / err_in (block 1, and block 2
// for the imaginary half of a rotating-frame spectrum).
#pragma once

#include <string>
#include <string_view>

// Results of makespect; the dialog shows spect_errmess(result) for each failure.
enum SpectResult : int {
    spect_ok = 0,
    spect_bad_hist = -101,       // histogram number outside the loaded run
    spect_bad_params = -102,     // a type, bin width or time axis that gives no spectrum
    spect_incompatible = -103,   // a raw width that is no whole fraction of the packed one
    spect_pack_fail = -104,      // the packed range runs past the stored counts
    spect_renorm_fail = -106,    // lifetime, background fit or N0 below 1e-15
    spect_asy_fail = -107,       // background-free counts of 0 or below (types 2, 3)
    spect_hist_too_long = -110,  // a histogram whose counts the run reader could not hold
    spect_before_bin1 = -111,    // the first raw bin to pack lies before bin 1
};

// Error of a bin that carries no information: an undefined or zero error (a rotating-
// frame half without data, counts that make no rate) is replaced by this, so the
// bin weighs nothing in the chi-square and in run averaging and never divides by 0.
inline constexpr float no_weight_err = 1e18f;

// True for a bin that carries no weight: it is no fitted point and no degree of freedom.
inline bool weightless(float err) { return !(err < no_weight_err); }

// Error of the modulus |z| of a complex bin with parts re, im and errors dre, dim: the error
// propagated to |z|, sqrt((re dre)^2 + (im dim)^2) / |z|, which for equal errors is that
// error itself (the combination of the two errors as weights would be sqrt(2) too small
// and double every modulus fit's chi-square). At |z| = 0 the direction is unknown: the
// root mean square of the two errors. Near 0 the modulus itself lies above the signal's
// size (it is never negative), and that stays, as the measurement gives it.
float modulus_error(float re, float im, float dre, float dim);

// Builds the spectrum; ierr receives 0 or one of the failures above. On success
// ispectctrl.npk, spectimes, rows 9-12, 19-22, 27 and 29 of r_ctl column 1 and
// column 2 (a copy of column 1) describe it.
void makespect(int& ierr);

// out[j] = the sum of npac consecutive counts of raw from raw[j*npac], j = 0..n-1,
// accumulated in single precision; nothing when n or npac is not above 0.
void packi2r(const int* raw, float* out, int n, int npac);

// Block k2 (of n elements, blocks counted from 1) is folded, negated, into block k1
// with inverse-variance weights; block k2 stays. Nothing unless both lie in 1..4.
void join2asy(float* val_a, float* err_a, int k1, int k2, int n);

// Why the last construction failed with result, as one line: its own message when it wrote
// one, else the dialog's message for the result.
std::string makespect_reason(int result);

// The dialog's message for a construction result (48 characters, blank-padded);
// blank for a result that has no entry.
std::string_view spect_errmess(int result);
