// rlx_tables.h -- the relaxation-function table records and their four readers.
// Written only by the readers at set-up; the tabulated functions read them.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fit_records.h"
#include "ftext.h"

// Record capacities; a file asking for more is refused.
inline constexpr int rlx_tbl_cap = 800000;     // values of the relaxation table
inline constexpr int lf_tbl_cap = 10001;       // values of the longitudinal-field table
inline constexpr int omni_dim_cap = 10;        // axes of the OMNI table
inline constexpr int omni_bins_cap = 1000;     // axis values, all axes together
inline constexpr int omni_data_cap = 200000;   // OMNI table values
inline constexpr int cmplx_tbl_cap = 2048;     // points of the complex table

// Relaxation-function table (dynamic Kubo-Toyabe). Arrays count from 1, as (i).
inline FText<80> tblttl;                                  // title
inline Arr1<std::int32_t, 16> tblpai;                     // (1..16) integer parameters
inline Arr1<float, 16> tblpar;                            // (1..16) real parameters
inline Arr1<float, rlx_tbl_cap> tbldat;                   // (1..800000) values

// The relaxation table's line-shape codes (tblpai(4)) that change its analytic forms.
enum RlxShape : int {
    rlx_lorentz = 1,    // Lorentzian forms
    rlx_hop_held = 3,   // Gaussian, the hop axis held just below hn_fast: never fast hopping
    rlx_sqrt = 11,      // square-root forms
};

// What the dynamic Kubo-Toyabe function reads of tblpai and tblpar, by name; the rest is
// not used. Taken from the records at each call, as they stand.
struct RlxTblHead {
    bool slabs = false;     // tblpai(1) is 3: a third axis (slabs), else one slab
    int nt = 0;             // tblpai(2) time points
    int nh = 0;             // tblpai(3) hop points
    int code = 0;           // tblpai(4) line shape, RlxShape; any other value Gaussian
    int i5 = 0;             // tblpai(5) first time point of the second time region
    int nslab = 0;          // tblpai(6) slabs
    float dt1 = 0;          // tblpar(1) time step of the first region
    float t2 = 0;           // tblpar(2) normalised time where the second region starts
    float dt2 = 0;          // tblpar(3) time step of the second region
    float tend = 0;         // tblpar(4) where the table ends: the long-time forms from here
    float dlnh = 0;         // tblpar(5) step of ln hn between hop points 2, 3, ...
    float lnh2 = 0;         // tblpar(6) ln hn of hop point 2
    float hn2 = 0;          // tblpar(8) hn of hop point 2 (hop point 1 is hn = 0)
    float hn_fast = 0;      // tblpar(9) hn from which the fast-hopping forms apply
    float dq = 0;           // tblpar(10) step of q/delta between slabs
    float sigma2 = 0;       // tblpar(12) when positive, the Abragam form's second moment
};
inline RlxTblHead rlx_tbl_head()
{
    RlxTblHead h;
    h.slabs = tblpai(1) == 3;
    h.nt = tblpai(2);
    h.nh = tblpai(3);
    h.code = tblpai(4);
    h.i5 = tblpai(5);
    h.nslab = tblpai(6);
    h.dt1 = tblpar(1);
    h.t2 = tblpar(2);
    h.dt2 = tblpar(3);
    h.tend = tblpar(4);
    h.dlnh = tblpar(5);
    h.lnh2 = tblpar(6);
    h.hn2 = tblpar(8);
    h.hn_fast = tblpar(9);
    h.dq = tblpar(10);
    h.sigma2 = tblpar(12);
    return h;
}

// Longitudinal-field table (static Kubo-Toyabe in a longitudinal field).
inline FText<160> lftbl_ttl;                              // the file supplies the first 80
inline Arr1<std::int32_t, 16> lftbl_pai;                  // (1) 2, (2) nt, (3) field rows
inline Arr1<float, 16> lftbl_par;                         // (1) time step, (3) field step,
                                                          // (4) high-field limit
inline Arr1<std::int32_t, 2> lftbl_ctl;                   // (1) Gaussian, (2) scaled time
inline Arr1<float, lf_tbl_cap> lftbl_dat;                 // (1..10001) row after row

// OMNI table: a polarization on an N-dimensional grid, axis 1 running fastest.
struct OmniTblSize {
    std::int32_t ndim = 0;                                // axes, 1..10
    Arr1<std::int32_t, 3> code;                           // (1..3) kept, not interpreted
    Arr1<std::int32_t, omni_dim_cap> nbins_tbl;           // (1..10) axis lengths
};
struct OmniTblLocx {
    std::int32_t ntot = 0;                                // product of the axis lengths
    Arr1<std::int32_t, omni_dim_cap> loc_x0_tbl;         // (1..10) before each axis
};
struct OmniTblText {
    FText<80> ttl_tbl;                                    // title
    FText<80> y_lbl_tbl;                                  // value label
    Arr1<FText<80>, omni_dim_cap> x_lbl_tbl;            // (1..10) axis labels
};
struct OmniTblBins {
    Arr1<float, omni_bins_cap> x_tbl;                     // (1..1000) axis values, axis 1 first
};
struct OmniTblData {
    Arr1<float, omni_data_cap> y_tbl;                     // (1..200000) table values
};
inline OmniTblSize omni_tbl_size;
inline OmniTblLocx omni_tbl_locx;
inline OmniTblText omni_tbl_text;
inline OmniTblBins omni_tbl_bins;
inline OmniTblData omni_tbl_data;

// Complex table: Z(x) at x = (k-1) dx, k = 1..n.
struct GCmplxTbl {
    std::int32_t n = 0;                                   // points, 2..2048
    float dx = 0;                                         // step
    float xmax = 0;                                       // (n-1) dx
    Arr1<float, cmplx_tbl_cap> pol_r;                     // (1..2048) real parts
    Arr1<float, cmplx_tbl_cap> pol_i;                     // (1..2048) imaginary parts
};
inline GCmplxTbl g_cmplx_tbl;

// Which kinds hold a table read since the start of the process, the name each was read
// from (as passed to its reader; the answer file records these, since a later table
// question of the set-up only replaces the recorded name), and whether the one notice of a
// missing table has been written.
struct TblLoaded {
    bool rlx = false, lf = false, omni = false, cmplx = false;
    FText<80> rlx_name, lf_name, omni_name, cmplx_name;   // blank until read
    bool told_rlx = false, told_lf = false, told_omni = false;
};
inline TblLoaded tbl_loaded;

// The readers. Each returns only when the table was read and checked; on any
// failure it writes its message and stops the program with exit status 1.
void get_rlx_tbl(std::string_view name);
void get_lf_tbl(std::string_view name);
void get_omni_tbl(std::string_view name);
void get_g_cmplx(std::string_view name);

// The same readers without the stop, for the readers above and for tests:
// true when the table was read; on false, *why (if given) names the fault and
// the records may be partly overwritten. `read_g_cmplx` sets *too_big when n
// exceeded the 2048 points (the case that gets its own size line).
bool read_rlx_tbl(std::string_view name, std::string* why = nullptr);
bool read_lf_tbl(std::string_view name, std::string* why = nullptr);
bool read_omni_tbl(std::string_view name, std::string* why = nullptr);
bool read_g_cmplx(std::string_view name, std::string* why = nullptr, bool* too_big = nullptr);

// The lines each reader writes when it fails (without their line ends).
std::vector<std::string> rlx_tbl_fail_lines(std::string_view name);
std::vector<std::string> lf_tbl_fail_lines(std::string_view name);
std::vector<std::string> omni_tbl_fail_lines(std::string_view name);
std::vector<std::string> g_cmplx_fail_lines(std::string_view name, bool too_big);
