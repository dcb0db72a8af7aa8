// mninit.cpp -- start-up of the engine, its title, the MIGRAD step it calls, and the resets
// of parameters and minimum.
// mninit sets every record to its initial state; mncler and mnrset forget parts of it.

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

#include "minuit_local.h"

namespace {

// A program that never set its step has no MIGRAD: that is its fault, not the user's.
void no_migrad_step(mnfcn, void*)
{
    std::fputs("MINUIT: no MIGRAD step was set (mn_set_migrad) before a minimisation\n", stderr);
    std::abort();
}

mnstep migrad_step = no_migrad_step;

}  // namespace

void mn_set_migrad(mnstep step) { migrad_step = step != nullptr ? step : no_migrad_step; }

void mn_migrad(mnfcn fcn, void* futil) { migrad_step(fcn, futil); }

void mninit(int ird, int iwr, int isav)
{
    mn7iou.isysrd = ird;
    mn7iou.isyswr = iwr;
    mn7iou.isyssa = isav;
    mn7tit.cvrsn = "96.03";
    mn7tit.cundef = "undefined";
    mn7tit.covmes[0] = "NO ERROR MATRIX       ";
    mn7tit.covmes[1] = "ERR MATRIX APPROXIMATE";
    mn7tit.covmes[2] = "ERR MATRIX NOT POS-DEF";
    mn7tit.covmes[3] = "ERROR MATRIX ACCURATE ";
    mn7tit.ctitl = "";
    // FCN is taken as accurate to 8 units of rounding of a double.
    mn7cns.epsmac = 8.0 * std::numeric_limits<double>::epsilon() / 2;
    mn7cns.epsma2 = 2.0 * std::sqrt(mn7cns.epsmac);
    mn7cns.updflt = 1.0;
    mn7min.up = mn7cns.updflt;
    mn7cnv.istrat = 1;
    mn7cnv.itaur = 0;
    mn7cnv.nwrmes = {};
    mn7wri.icirc = {};
    mn7flg.isw = {};
    mn7flg.idbg = {};
    mn7flg.isw[5] = 1;                    // print level 1
    mn7flg.isw[6] = ::isatty(0) ? 1 : 0;  // interactive when input is a terminal
    mn7flg.icomnd = 0;
    mn7log.lwarn = true;
    mn7log.lrepor = false;
    mncler();
    mnput(MnLine().a("  MINUIT RELEASE ").a(mn7tit.cvrsn.full())
              .a(" INITIALIZED.   DIMENSIONS ").i(mne, 3).a("/").i(mni, 3)
              .a("  EPSMAC=").e(mn7cns.epsmac, 10, 2));
}

void mnseti(std::string_view tit) { mn7tit.ctitl = tit; }

// Every parameter undefined; the minimum, matrix and fixed list forgotten.
void mncler()
{
    for (int k = 1; k <= mne; ++k) {
        mn7nam.cpnam[k] = mn7tit.cundef.full();
        mn7inx.nvarl[k] = -1;
        mn7inx.niofex[k] = 0;
        mn7ext.u[k] = mn7ext.alim[k] = mn7ext.blim[k] = 0;
    }
    mn7npr.npar = 0;
    mn7npr.nu = 0;
    mn7fx1.npfix = 0;
    mn7log.lnolim = true;
    mn7log.lphead = true;
    mn7cnv.nfcn = 0;
    mn7cnv.nfcnfr = 0;
    mn7tit.cfrom = "CLEAR   ";
    mn7tit.cstatu = "UNDEFINED ";
    mnrset(1);
}

// Forget the minimum, the convergence flag and the MINOS errors; iopt 1 also the error
// matrix and the call-limit flag.
void mnrset(int iopt)
{
    mn7min.amin = mn7cns.undefi;
    mn7min.fval3 = 2.0 * std::fabs(mn7min.amin) + 1.0;
    mn7min.edm = mn7cns.bigedm;
    mn7tit.cstatu = "RESET     ";
    mn_drop_minos();
    for (int i = 1; i <= mni; ++i) mn7err.globcc[i] = 0;
    mn7log.lnewmn = false;
    mn7flg.isw[4] = 0;                    // no minimum, so nothing converged
    if (iopt >= 1) {
        mn7flg.isw[1] = 0;
        mn7flg.isw[2] = 0;
        mn7min.dcovar = 1.0;
    }
}

void mn_drop_minos()
{
    for (int i = 1; i <= mni; ++i) mn7err.erp[i] = mn7err.ern[i] = 0;
}
