// fit_records.h -- the fitting program's shared records: fit definition, fitted data,
// best-fit table, mapping results and a few single values; all live for the process.
//
// Arrays are indexed as the fit's own numbering counts, from 1 unless the lower
// bound is given, through operator(): `fitpar.ifitsp(slot, spec)`. Two-dimensional
// records are column-major, so one column (one spectrum's or signal's slots) is
// contiguous: `fitpar.ifitsp.col(j)` points at slot 1 of spectrum j. Accessors are
// bounds-asserted in debug builds only; the limits below keep every index in range
// once the set-up dialog has checked its input.
//
// Who writes what (everyone else only reads):
//   fitpar, i_fit_ctl, expressions, indvar, filenames   set-up dialog and spectrum storing
//   r_fit_ctl, fitbins, sptitles, fitdata.data3          spectrum storing (fitbins also CHANGE)
//   fitdata.data1/data2                                  spectrum construction; bin_th: vul_th
//   bestfit                                              parameter lines, minstatus, dirade
//   vulmapr, vulmapi                                     vul_premap / vul_map
//   replot                                               REPLOT sets, dirade counts
#pragma once

#include <algorithm>
#include <array>
#include <cassert>
#include <cstddef>

#include "ftext.h"

// ---- limits ---------------------------------------------------------------------

inline constexpr int max_minuit_par = 100;      // parameter numbers handed to MINUIT: 1..100
inline constexpr int max_parnum = 300;          // value table of parameter numbers: 1..300
inline constexpr int max_signals = 100;         // a further SIGNAL line is ignored
inline constexpr int max_fit_spectra = 99;      // fitted spectra in use
inline constexpr int max_spectra_arrays = 100;  // ... while the per-spectrum arrays hold 100
inline constexpr int max_expressions = 100;
inline constexpr int max_indvar = 10;
inline constexpr int max_fit_points = 262144;    // packed fitted points, all spectra together
inline constexpr int max_build_points = 1048576; // values (and errors) of one spectrum in build
inline constexpr int max_theory_points = 524288; // bin_th, the first part of data1
inline constexpr int n_slots = 10;               // slots of a signal or a spectrum
inline constexpr int n_ifit = 30;                // rows of i_fit
inline constexpr int n_rfit = 35;                // rows of r_fit

// Default muon lifetime in microseconds: a 4-byte real wherever it is used or
// compared (2.1971399784088135 when widened).
inline constexpr float muon_lifetime = 2.19714f;

// ---- 1-based arrays --------------------------------------------------------------

// A fixed array indexed Lo..Hi, as the records count.
template <class T, int Lo, int Hi>
struct FArray {
    static_assert(Hi >= Lo);
    static constexpr int lo = Lo, hi = Hi;
    static constexpr std::size_t count = static_cast<std::size_t>(Hi - Lo + 1);
    std::array<T, count> v{};

    T& operator()(int i) { assert(i >= Lo && i <= Hi); return v[static_cast<std::size_t>(i - Lo)]; }
    const T& operator()(int i) const
    {
        assert(i >= Lo && i <= Hi);
        return v[static_cast<std::size_t>(i - Lo)];
    }
    T* data() { return v.data(); }  // the element at Lo
    const T* data() const { return v.data(); }
    auto begin() { return v.begin(); }
    auto end() { return v.end(); }
    auto begin() const { return v.begin(); }
    auto end() const { return v.end(); }
    void fill(const T& x) { v.fill(x); }
};

template <class T, int N>
using Arr1 = FArray<T, 1, N>;

// A fixed R by C array indexed (1..R, 1..C), column-major.
template <class T, int R, int C>
struct Arr2 {
    static constexpr int rows = R, cols = C;
    std::array<T, static_cast<std::size_t>(R) * C> v{};

    static constexpr std::size_t at(int i, int j)
    {
        return static_cast<std::size_t>(j - 1) * R + static_cast<std::size_t>(i - 1);
    }
    T& operator()(int i, int j)
    {
        assert(i >= 1 && i <= R && j >= 1 && j <= C);
        return v[at(i, j)];
    }
    const T& operator()(int i, int j) const
    {
        assert(i >= 1 && i <= R && j >= 1 && j <= C);
        return v[at(i, j)];
    }
    T* col(int j) { assert(j >= 1 && j <= C); return v.data() + at(1, j); }  // rows 1..R of j
    const T* col(int j) const { assert(j >= 1 && j <= C); return v.data() + at(1, j); }
    void fill(const T& x) { v.fill(x); }
};

// ---- fit definition -----------------------------------------------------------------

// Slots of a spectrum column of ifitsp (the sign of a slot selects a variant).
enum SpecSlot : int { sp_norm = 1, sp_bkgd = 2, sp_rpha = 3, sp_rasy = 4, sp_lt0 = 5 };
// Slots of a signal column of ifitsg; 6..10 are the OMNI table arguments.
enum SigSlot : int { sg_pha = 1, sg_asy = 2, sg_frq = 3, sg_rlx = 4, sg_hop = 5 };

struct Fitpar {
    int nsig = 0;                                         // signals 0..100; 0 at each set-up
    Arr2<int, n_slots, max_spectra_arrays> ifitsp;        // (slot, spectrum): signed par numbers
    Arr2<int, n_slots, max_signals> ifitsg;               // (slot, signal): signed par numbers
};
inline Fitpar fitpar;

struct IFitCtl {
    int nspec = 0;                                        // fitted spectra 0..99; 0 at each set-up
    FArray<int, 0, 99> i_loc_0;                           // (j): packed points before spectrum j+1
    Arr2<int, n_ifit, max_spectra_arrays> i_fit;          // (1..26 settings, 30 bin count; spec)
};
inline IFitCtl i_fit_ctl;

// Row names of i_fit and r_fit that the fit reads directly.
inline constexpr int ifit_type = 1;     // 0..4; -4 on the imaginary half of a complex spectrum
inline constexpr int ifit_nbins = 30;   // packed bins of the spectrum
inline constexpr int rfit_rrf = 13;     // rotating-frame frequency, MHz
inline constexpr int rfit_t1 = 31;      // centre of the first packed bin, us
inline constexpr int rfit_t2 = 32;      // end of the time axis, us
inline constexpr int rfit_tbin = 33;    // packed bin width, us

struct RFitCtl {
    Arr2<float, n_rfit, max_spectra_arrays> r_fit;        // (1..30 settings, 31 t1, 32 t2, 33 tbin)
};
inline RFitCtl r_fit_ctl;

struct Fitbins {
    Arr2<int, 2, max_spectra_arrays> jj_bin;              // (1 first, 2 last fitted bin; spec)
};
inline Fitbins fitbins;

// data1 is bin_in while a spectrum is built and bin_th (its first 524288) in the fit;
// data2 is err_in; data3 holds bin (1..262144) and then err.
struct Fitdata {
    Arr1<float, max_build_points> data1;
    Arr1<float, max_build_points> data2;
    Arr1<float, 2 * max_fit_points> data3;

    float& bin_in(int k) { return data1(k); }
    float& err_in(int k) { return data2(k); }
    float& bin_th(int k) { assert(k <= max_theory_points); return data1(k); }
    float& bin(int k) { assert(k <= max_fit_points); return data3(k); }
    float& err(int k) { assert(k >= 1 && k <= max_fit_points); return data3(max_fit_points + k); }
    // The same at a 0-based pointer: element k of the named array is p[k - 1].
    float* bin_th_data() { return data1.data(); }
    float* bin_data() { return data3.data(); }
    float* err_data() { return data3.data() + max_fit_points; }
};
inline Fitdata fitdata;

struct Sptitles {
    Arr1<FText<100>, max_spectra_arrays> sptitle;         // not set for imaginary halves
};
inline Sptitles sptitles;

struct Expressions {
    int nexpr = 0;                                        // 0..100; 0 at each set-up
    Arr1<int, max_expressions> jexpr;                     // par number (>200) expression e defines
    Arr1<FText<80>, max_expressions> sexpr;               // texts as typed
    Arr1<int, max_expressions> nchexpr;                   // typed length of each text
};
inline Expressions expressions;

struct Filenames {
    FText<80> nameout;                                    // answer file
    Arr1<FText<40>, 3> nametbl;                           // 1 relaxation, 2 LF, 3 OMNI or complex
    Arr1<FText<80>, max_spectra_arrays> namedf;           // run file per fitted spectrum
};
inline Filenames filenames;

struct Indvar {
    Arr1<double, max_indvar> vival;                       // values
    Arr1<double, max_indvar> viep;                        // plus errors
    Arr1<double, max_indvar> viem;                        // minus errors
    int nindvar = 0;                                      // 0..10; 0 at each set-up
    Arr1<FText<10>, max_indvar> viname;
};
inline Indvar indvar;

// ---- best-fit table and MINUIT's status, by parameter number -----------------------------

struct Bestfit {
    Arr1<FText<64>, max_minuit_par> xcmnt;                // remark of each parameter line
    Arr1<double, max_minuit_par> xbest;                   // values
    Arr1<double, max_minuit_par> xerr;                    // parabolic errors
    Arr1<double, max_minuit_par> xerrp;                   // positive MINOS errors
    Arr1<double, max_minuit_par> xerrm;                   // negative MINOS errors, as magnitudes
    Arr1<double, max_minuit_par> xllim;                   // lower limits
    Arr1<double, max_minuit_par> xulim;                   // upper limits
    Arr1<double, max_minuit_par> xgcc;                    // global correlation coefficients
    Arr1<FText<10>, max_minuit_par> xname;                // labels
    int nxpar = 0;                                        // accepted parameter lines
    Arr1<int, max_minuit_par> xparn;                      // their numbers, in line order
    int ndata = 0;                                        // fitted points, set after the set-up
    Arr1<double, max_spectra_arrays> fbest_sp;            // chi-square per spectrum, last call
    double fmin = 0;                                      // best chi-square known
    double fedm = 0;                                      // MINUIT's estimated distance to min
    double errdef = 0;                                    // MINUIT's error definition
    int npari = 0;                                        // variable parameters
    int nparx = 0;                                        // highest parameter number defined
    int istat = 0;                                        // covariance: 0 none .. 3 accurate
};
inline Bestfit bestfit;

// ---- single values ----------------------------------------------------------------------

struct Fileio {
    Arr1<int, 5> lun;                                     // 1, 2, 6, 4, 7 from start-up
    int lunprt() const { return lun(2); }                 // log file: every report
    int lunscr() const { return lun(3); }                 // screen
    int lunans() const { return lun(5); }                 // answer file, MINUIT's save unit
};
inline Fileio fileio;

inline int online = 0;                                    // 1 interactive, 0 batch

struct Mntitle {
    FText<50> minuit_title;
};
inline Mntitle mntitle;

struct Refcon {
    Arr1<double, 2> refcon;                               // 1: 2 pi; 2: degrees per radian
};
inline Refcon refcon;

inline int changeparn = 0;                                // parameter number after CH

// Automatic replotting during a fit: set by REPLOT at "DIRADE>", counted by dirade; both
// carry over into later fits of the same run.
struct Replot {
    int interval = 0;                                     // redraw every so many calls
    int maxcount = 0;                                     // largest number of redraws
    bool on = false;                                      // interval * maxcount > 0
    int calls = 0;                                        // calls since the last redraw
    int done = 0;                                         // redraws so far
};
inline Replot replot;

// ---- mapping results (written by vul_premap / vul_map) -------------------------------------

struct Vulmapr {
    Arr1<double, max_parnum> x_vul;                       // value of every parameter number
};
inline Vulmapr vulmapr;

// k* are signed codes, j* the parameter numbers |k|; 0 means an empty slot.
struct Vulmapi {
    int firstraw = 0;                                     // Norm number of the first raw spectrum
    int klt0 = 0, jlt0 = 0;                               // slot 5: lifetime (+) / t0 shift (-)
    int knorm = 0, jnorm = 0;                             // slot 1: Norm (raw) or Alpha
    int kbkgd = 0, jbkgd = 0;                             // slot 2 when firstraw != 0
    int kbeta = 0, jbeta = 0;                             // slot 2 when firstraw == 0
    int krasy = 0, jrasy = 0;                             // slot 4
    int krpha = 0, jrpha = 0;                             // slot 3
    Arr1<int, max_signals> kph, jph;                      // per signal: slot 1, phase
    Arr1<int, max_signals> kas, jas;                      // slot 2, amplitude
    Arr1<int, max_signals> kfr, jfr;                      // slot 3, frequency
    Arr1<int, max_signals> krl, jrl;                      // slot 4, relaxation
    Arr1<int, max_signals> khp, jhp;                      // slot 5, hop
    Arr1<int, max_signals> n_omni;                        // non-empty OMNI slots per signal
    Arr2<int, 5, max_signals> k_omni;                     // their par numbers, empty ones skipped
    int nindirect = 0;                                    // indirect signal slots met
};
inline Vulmapi vulmapi;

// ---- counts for loops ------------------------------------------------------------------

// The counts as loops over the arrays use them: never past an array, whatever was stored.
inline int used_signals() { return std::clamp(fitpar.nsig, 0, max_signals); }
inline int used_spectra() { return std::clamp(i_fit_ctl.nspec, 0, max_spectra_arrays); }
inline int used_parlines() { return std::clamp(bestfit.nxpar, 0, max_minuit_par); }
inline int used_expressions() { return std::clamp(expressions.nexpr, 0, max_expressions); }

// ---- reset rules ---------------------------------------------------------------------

// Process start: fileio = 1, 2, 6, 4, 7 and the mode; everything else stays zero/blank.
void fit_records_startup(int interactive);

// Start of every fit (title and parameter lines): no accepted parameter lines yet.
void fit_records_new_fit();

// Start of every set-up: no signals, spectra, expressions or independent variables,
// i_loc_0(0) = 0, and the reference constants 2 pi and degrees per radian.
void fit_records_new_setup();
