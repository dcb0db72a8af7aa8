// minuit_local.h -- helpers shared by the engine's files only (no other folder includes this).
// Transforms, the EDM formula and counted FCN calls used by several routines.
#pragma once

#include <algorithm>
#include <cmath>

#include "minuit.h"

// Number of the internal parameter, by external number, or 0.
inline int niofex_of(int k) { return (k >= 1 && k <= mne) ? mn7inx.niofex[k] : 0; }

// Internal -> external value of internal parameter i at internal value pint.
double mn_ext_of(int i, double pint);

// EDM from the gradient and VHMAT (twice the inverse Hessian), with DCOVAR's correction.
double mn_edm_of(const double grd[]);

// Default call limit of a minimisation: 200 + 100 NPAR + 5 NPAR^2.
inline int mn_default_calls(int npar) { return 200 + 100 * npar + 5 * npar * npar; }

// Command number k as an integer: truncated, and held within +-1e9 (a NaN gives 0), so that
// a number past the integer range is a large count or an unknown parameter, never undefined.
inline int mn_int_arg(int k)
{
    const double v = mn7arg.word7[static_cast<std::size_t>(k)];
    return v == v ? static_cast<int>(std::clamp(std::trunc(v), -1e9, 1e9)) : 0;
}

// Origin of a warning raised on a command's behalf: the command word (10 characters).
inline std::string_view mn_origin()
{
    std::string_view w = mn7tit.cword.trimmed();
    return w.empty() ? mn7tit.cfrom.trimmed() : w.substr(0, 10);
}

// Call limit of the HESSE command's own mnhess (0: none); other callers never set it.
inline int mn_hesse_limit = 0;

// The MIGRAD step set by mn_set_migrad.
void mn_migrad(mnfcn fcn, void* futil);

// Call FCN at the internal point pint with flag 4 and count it.
double mn_fcn_at(mnfcn fcn, const double pint[], void* futil);
void mn_show_messages(int ity);  // stored warnings (1) or debug messages (2)
int mn_set_show(mnfcn fcn, std::string_view word, int llist, void* futil);  // SET/SHOW

// The whole minimisation state, for routines that minimise with parameters held and must
// come back to the minimum afterwards.
struct MnSnap {
    Mn7ext ext; Mn7err err; Mn7inx inx; Mn7int in; Mn7fx2 fx2; Mn7der der; Mn7fx3 fx3;
    Mn7fx1 fx1; Mn7var var; Mn7npr npr; Mn7min min; std::array<int, 8> isw{};
    int istrat = 1, nfcnfr = 0;
    FText<8> cfrom;
    FText<10> cstatu;
};
MnSnap mn_take();
void mn_put(const MnSnap& s);
// The state mneval starts each of its minimisations from.
inline MnSnap mn_eval_base;

// Crossing of FCN = AMIN + UP along mn7xcr's direction from a = 0, a in units of the
// direction; false when none was found (at_limit when a limit came first, newmin when a value
// below the minimum turned up: the state is then that point's). maxcalls > 0 bounds its calls.
struct MnCross { double a = 0; bool found = false, at_limit = false, newmin = false; };
MnCross mn_cross(mnfcn fcn, double amax, void* futil, int maxcalls = 0);

// The exploring commands (mnscan.cpp); each returns mnexcm's code.
int mn_scan(mnfcn fcn, int llist, void* futil);
int mn_seek(mnfcn fcn, int llist, void* futil);
int mn_improve(mnfcn fcn, void* futil);
int mn_contour_map(mnfcn fcn, int llist, void* futil);
