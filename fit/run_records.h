// run_records.h -- the loaded run (run description, histogram headers and counts,
// scalers) and the spectrum settings that the "SPECT: " dialog collects.
//
// Writers: getrun fills the four run records; getspect and makespect write the
// settings (column 1 the spectrum being built, column 2 the previous one); the
// spectrum storing copies columns before each getspect. Everyone else reads.
#pragma once

#include "fit_records.h"

// ---- the loaded run ---------------------------------------------------------------

inline constexpr int max_run_hists = 10;       // histograms held of one run
inline constexpr int max_run_scalers = 128;    // scalers held of one run
inline constexpr int max_hist_bins = 262144;   // rows of a histogram's count column

struct Runheader {
    int fmtID = 0;                 // format identifier as the open returned it
    int exptNumber = 0;
    int runNumber = 0;
    int timeBegin = 0;             // seconds since 1970-01-01 00:00 UTC
    int timeEnd = 0;
    int elapsedSec = 0;
    int nSclrs = 0;                // scalers held, 0..128
    int nHists = 0;                // histograms held, 0..10
    FText<255> title;
    FText<40> lab, area, method, apparatus, insert;
    FText<80> sample;
    FText<40> orient, das, experimenter, temperature, field;
};
inline Runheader runheader;

// Headers by histogram number 1..10. Bin numbers count rows of ih from 1.
struct Histhdrs {
    Arr1<int, max_run_hists> nbins;     // bins as the file says (may exceed the column)
    Arr1<int, max_run_hists> fsperbin;  // bin-width code
    Arr1<int, max_run_hists> t0_ps;     // time zero, ps
    Arr1<int, max_run_hists> t0_bin;
    Arr1<int, max_run_hists> goodbin1, goodbin2;
    Arr1<int, max_run_hists> bkgd1, bkgd2;   // background before time zero
    Arr1<int, max_run_hists> nevents;
    Arr1<FText<10>, max_run_hists> htitle;
};
inline Histhdrs histhdrs;

// Column j holds the counts of histogram j from row 1; rows past its bin count keep
// what an earlier run left there.
struct Histograms {
    Arr2<int, max_hist_bins, max_run_hists> ih;
};
inline Histograms histograms;

struct Scalers {
    Arr1<int, max_run_scalers> totalcount;
    Arr1<int, max_run_scalers> lastcount;
    Arr1<FText<10>, max_run_scalers> sclrlabel;
};
inline Scalers scalers;

// Rows of ih that hold counts of histogram h of the loaded run: its bin count when
// the column could take it, else 0 (the reader zeroed that column). The count is
// taken as unsigned, so a count of 2**31 or more is "too long", never negative.
inline int stored_bins(int h)
{
    const auto n = static_cast<unsigned>(histhdrs.nbins(h));
    return n <= static_cast<unsigned>(max_hist_bins) ? static_cast<int>(n) : 0;
}

// ---- spectrum settings ------------------------------------------------------------

inline constexpr int n_ictl = 26;
inline constexpr int n_rctl = 30;
inline constexpr int max_spect_slots = 4;
inline constexpr int no_previous_spectrum = -98765;   // type of column 2 before any spectrum

// 0 in a setting (or, where said, anything not above 0) takes the data file's value.
struct Ispectctrl {
    Arr2<int, n_ictl, 2> i_ctl;   // rows: 1 type, 2 invert, 3-6 jhist, 7-14 ibg,
                                  // 15-18 it0, 19-26 igood
    int npk = 0;                  // packed bins per block of the finished spectrum

    int& type(int c = 1) { return i_ctl(1, c); }
    int& invert(int c = 1) { return i_ctl(2, c); }
    int& jhist(int s, int c = 1) { return i_ctl(2 + s, c); }
    int& ibg(int s, int k, int c = 1) { return i_ctl(2 + 4 * k + s, c); }     // k 1 first, 2 last
    int& it0(int s, int c = 1) { return i_ctl(14 + s, c); }
    int& igood(int s, int k, int c = 1) { return i_ctl(14 + 4 * k + s, c); }  // k 1 first, 2 last
};
inline Ispectctrl ispectctrl;

// Row numbers of r_ctl that have one meaning each.
inline constexpr int rctl_tau = 9;      // muon lifetime, us (0: the default)
inline constexpr int rctl_first = 10;   // centre of the first packed bin, us
inline constexpr int rctl_last = 11;    // centre of the last packed bin, us
inline constexpr int rctl_width = 12;   // packed bin width, us
inline constexpr int rctl_rrf = 13;     // rotating-frame frequency, MHz
inline constexpr int rctl_final = 14;   // final rotating-frame bin width, us (<0: modulus)

struct Rspectctrl {
    Arr2<float, n_rctl, 2> r_ctl;   // rows: 1-4 raw_bin, 5-8 raw_t0, 9-14 above,
                                    // 19-22 sum, 27-30 arms (27 and 29 used)

    float& raw_bin(int s, int c = 1) { return r_ctl(s, c); }    // us, overrides the code
    float& raw_t0(int s, int c = 1) { return r_ctl(4 + s, c); } // us from bin 1's left edge
    float& sum(int s, int c = 1) { return r_ctl(18 + s, c); }   // counts above background
    float& arms(int k, int c = 1) { return r_ctl(26 + k, c); }  // rotating-frame amplitudes
};
inline Rspectctrl rspectctrl;

struct Cspectctrl {
    FText<100> title;               // the spectrum title
};
inline Cspectctrl cspectctrl;

// The finished spectrum's time axis, us: bin i lies at t1 + (i - 1) tbin.
struct Spectimes {
    float tbin = 0;                 // packed bin width
    float t1 = 0;                   // centre of the first bin
    float t2 = 0;                   // end of the axis (the last-centre value)
};
inline Spectimes spectimes;

// Column `to` of both settings arrays becomes a copy of column `from`.
inline void copy_spect_column(int from, int to)
{
    for (int r = 1; r <= n_ictl; ++r) ispectctrl.i_ctl(r, to) = ispectctrl.i_ctl(r, from);
    for (int r = 1; r <= n_rctl; ++r) rspectctrl.r_ctl(r, to) = rspectctrl.r_ctl(r, from);
}
