// mnstat.cpp -- what the caller reads back: status, one parameter, its errors.
// None of these changes the engine's state.

#include "minuit_local.h"

void mnstat(double& fmin, double& fedm, double& errdef, int& npari, int& nparx, int& istat)
{
    const bool none = mn7min.amin == mn7cns.undefi;
    fmin = none ? 0.0 : mn7min.amin;
    fedm = mn7min.edm;
    errdef = mn7min.up;
    npari = mn7npr.npar;
    nparx = mn7npr.nu;
    istat = none ? 0 : mn7flg.isw[2];
}

void mnpout(int iuext, std::string& chnam, double& val, double& err, double& xlolim,
            double& xuplim, int& iuint)
{
    xlolim = xuplim = err = val = 0;
    iuint = -1;
    int k = iuext;
    if (iuext <= 0) {                     // by internal number
        const int i = -iuext;
        k = (i >= 1 && i <= mn7npr.npar) ? mn7inx.nexofi[i] : 0;
    }
    if (k < 1 || k > mn7npr.nu || mn7inx.nvarl[k] < 0) {
        chnam = std::string(mn7tit.cundef.full());
        return;
    }
    chnam = std::string(mn7nam.cpnam[k].full());
    val = mn7ext.u[k];
    iuint = mn7inx.niofex[k];
    if (iuint > 0) err = mn7err.werr[iuint];
    if (mn7inx.nvarl[k] == 4) {
        xlolim = mn7ext.alim[k];
        xuplim = mn7ext.blim[k];
    }
}

void mnerrs(int number, double& eplus, double& eminus, double& eparab, double& gcc)
{
    eplus = eminus = eparab = gcc = 0;
    int i = number < 0 ? -number : niofex_of(number);
    if (i < 1 || i > mn7npr.npar) return;
    eplus = mn7err.erp[i];
    eminus = mn7err.ern[i];
    eparab = mn7err.werr[i];
    gcc = mn7err.globcc[i];               // 0 until a matrix gives one
}
