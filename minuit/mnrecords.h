// mnrecords.h -- the minimiser's shared state: MINUIT's records by their published names.
// One instance each, for the life of the process; arrays count from 1 where MINUIT's do ([0] unused).
#pragma once

#include <array>
#include <cstddef>
#include <utility>

#include "ftext.h"

constexpr int mne = 100;                  // external parameters (numbers 1..100)
constexpr int mni = 50;                   // internal (variable) parameters
constexpr int mnihl = mni * (mni + 1) / 2;  // packed triangle of the internal matrix
constexpr int maxp = 30;                  // numbers accepted on one command
constexpr int maxmes = 10;                // warnings kept for SHOW WARNINGS

// Parameter names by external number; "undefined" marks a free slot.
struct Mn7nam {
    std::array<FText<10>, mne + 1> cpnam;
};
inline Mn7nam mn7nam;

// External values and limits, by external number.
struct Mn7ext {
    std::array<double, mne + 1> u{};      // current external values
    std::array<double, mne + 1> alim{};   // lower limits (NVARL 4 only)
    std::array<double, mne + 1> blim{};   // upper limits
};
inline Mn7ext mn7ext;

// Errors by internal number.
struct Mn7err {
    // MINOS errors, 0 when not computed: of the present minimum, free set and limits only
    // (mn_drop_minos forgets them when one of these changes).
    std::array<double, mni + 1> erp{};     // MINOS positive errors
    std::array<double, mni + 1> ern{};     // MINOS negative errors (negative numbers)
    std::array<double, mni + 1> werr{};    // parabolic errors in external units
    std::array<double, mni + 1> globcc{};  // global correlation coefficients
};
inline Mn7err mn7err;

// Numbering: NVARL 0 constant, 1 variable without limits, 4 with limits, -1 undefined.
struct Mn7inx {
    std::array<int, mne + 1> nvarl{};     // kind of each external parameter
    std::array<int, mne + 1> niofex{};    // internal number of an external one, 0 when not variable
    std::array<int, mni + 1> nexofi{};    // external number of an internal one
};
inline Mn7inx mn7inx;

// Internal values.
struct Mn7int {
    std::array<double, mni + 1> x{};      // internal values of the variable parameters
    std::array<double, mni + 1> xt{};     // trial values
    std::array<double, mni + 1> dirin{};  // last step taken (line search) or the internal error
};
inline Mn7int mn7int;

// Saved internal values of parameters fixed by FIX (stack of NPFIX).
struct Mn7fx2 {
    std::array<double, mni + 1> xs{}, xts{}, dirins{};
};
inline Mn7fx2 mn7fx2;

// Derivatives by internal number; GIN is FCN's own gradient by external number.
struct Mn7der {
    std::array<double, mni + 1> grd{};    // first derivatives
    std::array<double, mni + 1> g2{};     // second-derivative estimates
    std::array<double, mni + 1> gstep{};  // derivative steps; negative for a limited parameter
    std::array<double, mne + 1> gin{};    // gradient array handed to FCN
    std::array<double, mni + 1> dgrd{};   // uncertainty of GRD
};
inline Mn7der mn7der;

struct Mn7fx3 {
    std::array<double, mni + 1> grds{}, g2s{}, gsteps{};
};
inline Mn7fx3 mn7fx3;

struct Mn7fx1 {
    std::array<int, mni + 1> ipfix{};     // external numbers of fixed parameters, last fixed on top
    int npfix = 0;
};
inline Mn7fx1 mn7fx1;

// Covariance in internal coordinates, twice the inverse second-derivative matrix,
// packed by rows: element (i, j), j <= i, at i(i-1)/2 + j.
struct Mn7var {
    std::array<double, mnihl + 1> vhmat{};
};
inline Mn7var mn7var;

struct Mn7vat {
    std::array<double, mnihl + 1> vthmat{};  // working copy
};
inline Mn7vat mn7vat;

struct Mn7npr {
    int maxint = mni;                     // internal dimension
    int npar = 0;                         // variable parameters now
    int maxext = mne;                     // external dimension
    int nu = 0;                           // highest defined external number
};
inline Mn7npr mn7npr;

struct Mn7iou {
    int isysrd = 5;                       // read unit
    int isyswr = 6;                       // output unit of all printout
    int isyssa = 7;                       // save unit
    int npagwd = 120, npagln = 56, newpag = 0;
};
inline Mn7iou mn7iou;

struct Mn7tit {
    FText<8> cfrom;                       // command that produced the present state
    FText<10> cstatu;                     // its outcome
    FText<50> ctitl;                      // title of the task
    FText<20> cword;                      // command being executed
    FText<10> cundef;                     // name of a free slot
    FText<6> cvrsn;                       // release
    std::array<FText<22>, 4> covmes;      // by ISW(2)
};
inline Mn7tit mn7tit;

// ISW(1) call limit reached; ISW(2) covariance status 0 none, 1 approximate, 2 forced
// positive-definite, 3 accurate; ISW(3) 1 when FCN's gradient is used; ISW(4) 1 converged,
// -1 failed, 0 undecided; ISW(5) print level -1..3; ISW(6) 1 interactive, 0 batch;
// ISW(7) 1 when the last command ended abnormally.
struct Mn7flg {
    std::array<int, 8> isw{};             // [1..7]
    std::array<int, 11> idbg{};           // [0..10] debug switches
    int nblock = 0;
    int icomnd = 0;                       // commands executed, for the echo
};
inline Mn7flg mn7flg;

struct Mn7min {
    double amin = 0;                      // best function value, UNDEFI when none
    double up = 1;                        // error definition
    double edm = 0;                       // estimated distance to the minimum
    double fval3 = 0;                     // value of the last flag-3 call
    double epsi = 0;                      // tolerance of the current command
    double apsi = 0;                      // tolerance handed to the MIGRAD step
    double dcovar = 1;                    // relative change of the matrix, 1 when unknown
};
inline Mn7min mn7min;

struct Mn7cnv {
    int nfcn = 0;                         // FCN calls in all
    int nfcnmx = 0;                       // call limit of the current command
    int nfcnlc = 0;                       // calls at the last command
    int nfcnfr = 0;                       // calls at the start of CFROM
    int itaur = 0;                        // 1 inside MINOS and contours
    int istrat = 1;                       // strategy 0..2
    std::array<int, 3> nwrmes{};          // [1] warnings, [2] debug messages counted
};
inline Mn7cnv mn7cnv;

struct Mn7arg {
    std::array<double, maxp + 1> word7{};  // numbers of the current command, [1..]
};
inline Mn7arg mn7arg;

struct Mn7log {
    bool lwarn = true;                    // print warnings
    bool lrepor = false;                  // echo the command
    bool limset = false;                  // a parameter came back inside its limits
    bool lnolim = true;                   // no parameter has limits
    bool lnewmn = false;                  // a new minimum was found
    bool lphead = true;                   // next parameter definition prints the heading
};
inline Mn7log mn7log;

struct Mn7cns {
    double epsmac = 0;                    // relative accuracy of FCN
    double epsma2 = 0;                    // 2 sqrt(EPSMAC)
    double vlimlo = -1e15, vlimhi = 1e15;
    double undefi = -54321.0;             // "no value"
    double bigedm = 123456.0;             // "EDM unknown"
    double updflt = 1.0;                  // default UP
};
inline Mn7cns mn7cns;

// The last MAXMES warnings ([.][1]) and debug messages ([.][2]), circular.
struct Mn7wrc {
    std::array<std::array<FText<10>, 3>, maxmes + 1> origin;
    std::array<std::array<FText<60>, 3>, maxmes + 1> warmes;
};
inline Mn7wrc mn7wrc;

struct Mn7wri {
    std::array<std::array<int, 3>, maxmes + 1> nfcwar{};
    std::array<int, 3> icirc{};
};
inline Mn7wri mn7wri;

// Element (i, j) of VHMAT, either order.
inline double& vhmat_at(int i, int j)
{
    if (j > i) std::swap(i, j);
    return mn7var.vhmat[static_cast<std::size_t>(i * (i - 1) / 2 + j)];
}

// The crossing search of MINOS and contours: parameters KE1CR (and KE2CR, 0 for MINOS) are
// held at XMIDCR + a XDIRCR (and YMIDCR + a YDIRCR) while the others are minimised.
struct Mn7xcr {
    double xmidcr = 0, ymidcr = 0, xdircr = 0, ydircr = 0;
    int ke1cr = 0, ke2cr = 0;
};
inline Mn7xcr mn7xcr;

// Points of the last contour or scan, for the printer plot.
constexpr int maxcpt = 101;
struct Mn7rpt {
    std::array<double, maxcpt + 1> xpt{}, ypt{};
};
inline Mn7rpt mn7rpt;
