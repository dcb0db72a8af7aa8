// mnparm.cpp -- parameter definitions, the internal/external transforms and FIX/RELEASE.
// Limits map a bounded external value to an unbounded internal one by a sine.

#include <algorithm>
#include <cmath>

#include "minuit_local.h"

namespace {

using VarSet = std::array<bool, mne + 1>;

// Origin named in mnpint's warning: the command running, or the definition itself.
std::string_view pint_origin;

bool is_fixed(int k)
{
    for (int j = 1; j <= mn7fx1.npfix; ++j)
        if (mn7fx1.ipfix[j] == k) return true;
    return false;
}

// Variable external parameters now (defined, not constant, not fixed).
VarSet variable_set()
{
    VarSet v{};
    for (int k = 1; k <= mne; ++k) v[k] = mn7inx.nvarl[k] > 0 && !is_fixed(k);
    return v;
}

// Renumber the internal parameters to be exactly the set var, in external order, carrying
// each survivor's internal data and its part of VHMAT along. A newcomer's matrix row is 0
// and its diagonal is filled by the caller.
void renumber(const VarSet& var)
{
    const Mn7int oint = mn7int;
    const Mn7der oder = mn7der;
    const Mn7err oerr = mn7err;
    const Mn7var ovar = mn7var;
    const auto oldof = mn7inx.niofex;
    auto vold = [&](int i, int j) {
        if (j > i) std::swap(i, j);
        return ovar.vhmat[static_cast<std::size_t>(i * (i - 1) / 2 + j)];
    };
    int n = 0;
    for (int k = 1; k <= mne; ++k) {
        mn7inx.niofex[k] = 0;
        if (!var[k]) continue;
        ++n;
        mn7inx.nexofi[n] = k;
        mn7inx.niofex[k] = n;
        const int o = oldof[k];
        if (o > 0) {
            mn7int.x[n] = oint.x[o];
            mn7int.xt[n] = oint.xt[o];
            mn7int.dirin[n] = oint.dirin[o];
            mn7der.grd[n] = oder.grd[o];
            mn7der.g2[n] = oder.g2[o];
            mn7der.gstep[n] = oder.gstep[o];
            mn7der.dgrd[n] = oder.dgrd[o];
            mn7err.werr[n] = oerr.werr[o];
            mn7err.erp[n] = oerr.erp[o];
            mn7err.ern[n] = oerr.ern[o];
            mn7err.globcc[n] = oerr.globcc[o];
        }
    }
    mn7npr.npar = n;
    for (int i = 1; i <= n; ++i) {
        const int oi = oldof[mn7inx.nexofi[i]];
        for (int j = 1; j <= i; ++j) {
            const int oj = oldof[mn7inx.nexofi[j]];
            vhmat_at(i, j) = (oi > 0 && oj > 0) ? vold(oi, oj) : 0.0;
        }
    }
}

void user_error(std::string_view what) { mnput(MnLine().a(" MINUIT USER ERROR.  ").a(what)); }

// The definition line MINUIT prints for each parameter.
void print_definition(int k)
{
    if (mn7flg.isw[5] < 0) return;
    if (mn7log.lphead) {
        mnput(" PARAMETER DEFINITIONS:");
        mnput("    NO.   NAME         VALUE      STEP SIZE      LIMITS");
        mn7log.lphead = false;
    }
    MnLine ln;
    ln.x(1).i(k, 5).a(" '").a(mn7nam.cpnam[k].full()).a("'").x(1).g(mn7ext.u[k], 13, 5);
    const int i = mn7inx.niofex[k];
    if (mn7inx.nvarl[k] == 0) ln.a("  constant");
    else if (mn7inx.nvarl[k] == 1) ln.g(i > 0 ? mn7err.werr[i] : 0, 13, 5).a("     no limits");
    else ln.g(i > 0 ? mn7err.werr[i] : 0, 13, 5).x(2).g(mn7ext.alim[k], 13, 5)
            .g(mn7ext.blim[k], 13, 5);
    mnput(ln);
}

void update_lnolim()
{
    mn7log.lnolim = true;
    for (int i = 1; i <= mn7npr.npar; ++i)
        if (mn7inx.nvarl[mn7inx.nexofi[i]] == 4) mn7log.lnolim = false;
}

// Internal step, derivative step and second-derivative guess of internal parameter i
// from an external error wk.
void seed_steps(int i, double wk)
{
    const int k = mn7inx.nexofi[i];
    double d = std::fabs(wk);
    if (mn7inx.nvarl[k] == 4) {
        double dxdi = 0;
        mndxdi(mn7int.x[i], i, dxdi);
        d = std::min(dxdi > 0 ? d / dxdi : 1.0, 1.0);  // internal range is only pi wide
    }
    if (d == 0) d = 1.0;
    mn7int.dirin[i] = d;
    mn7err.werr[i] = std::fabs(wk);
    mn7der.g2[i] = 2.0 * mn7min.up / (d * d);
    mn7der.grd[i] = 0;
    double gs = 0.1 * d;
    if (mn7inx.nvarl[k] == 4) gs = -std::min(gs, 0.5);
    mn7der.gstep[i] = gs;
    mn7der.dgrd[i] = 0;
}

}  // namespace

double mn_ext_of(int i, double pint)
{
    const int k = mn7inx.nexofi[i];
    if (mn7inx.nvarl[k] != 4) return pint;
    return mn7ext.alim[k] + 0.5 * (std::sin(pint) + 1.0) * (mn7ext.blim[k] - mn7ext.alim[k]);
}

void mninex(const double pint[])
{
    for (int i = 1; i <= mn7npr.npar; ++i) mn7ext.u[mn7inx.nexofi[i]] = mn_ext_of(i, pint[i]);
}

void mnexin(double pint[])
{
    mn7log.limset = false;
    for (int i = 1; i <= mn7npr.npar; ++i) pint[i] = mnpint(mn7ext.u[mn7inx.nexofi[i]], i);
}

// An external value at or beyond a limit is placed just inside it, with a warning.
double mnpint(double pexti, int i)
{
    const int k = mn7inx.nexofi[i];
    if (mn7inx.nvarl[k] != 4) return pexti;
    const double a = mn7ext.alim[k], b = mn7ext.blim[k];
    const double yy = 2.0 * (pexti - a) / (b - a) - 1.0;
    const double edge = 1.0 - mn7cns.epsma2;
    if (yy * yy < edge * edge) return std::asin(yy);
    // A value this routine already placed at the edge comes back from the sine within
    // rounding of it: keep it there without a fresh warning at every conversion.
    if (std::fabs(yy) < 1.0 - 0.5 * mn7cns.epsma2) return std::asin(yy < 0 ? -edge : edge);
    MnLine why;
    why.a("VARIABLE").i(k, 4);
    if (yy * yy > 1.0) why.a(" BROUGHT BACK INSIDE LIMITS.");
    else why.a(yy < 0 ? " IS AT ITS LOWER ALLOWED LIMIT." : " IS AT ITS UPPER ALLOWED LIMIT.");
    mn7log.limset = true;
    mnwarn("W", pint_origin.empty() ? mn_origin() : pint_origin, why.s);
    return std::asin(yy < 0 ? -edge : edge);
}

void mndxdi(double pint, int ipar, double& dxdi)
{
    const int k = mn7inx.nexofi[ipar];
    dxdi = 1.0;
    if (mn7inx.nvarl[k] == 4)
        dxdi = 0.5 * std::fabs((mn7ext.blim[k] - mn7ext.alim[k]) * std::cos(pint));
}

void mnparm(int k, std::string_view cnamj, double uk, double wk, double a, double b,
            int& ierflg)
{
    ierflg = 0;
    if (k < 1 || k > mne) {
        user_error(MnLine().a("PARAMETER NUMBER IS").i(k, 11).a("  ALLOWED RANGE IS ONE TO")
                       .i(mne, 4).s);
        ierflg = 1;
        return;
    }
    const bool variable = wk != 0;
    const bool limited = variable && (a != 0 || b != 0);
    if (limited && a == b) {
        user_error(MnLine().a("UPPER AND LOWER LIMITS EQUAL FOR PARAMETER").i(k, 4).s);
        ierflg = 1;
        return;
    }
    if (limited && a > b) mnwarn("W", "PARAM DEF", "PARAMETER LIMITS WERE REVERSED.");
    VarSet var = variable_set();
    var[k] = false;
    int nvar = 0;
    for (int j = 1; j <= mne; ++j) nvar += var[j] ? 1 : 0;
    if (variable && nvar >= mni) {
        user_error(MnLine().a(" TOO MANY VARIABLE PARAMETERS.  PARAMETER").i(k, 4)
                       .a(" REFUSED.").s);
        ierflg = 1;
        return;
    }
    // A redefinition drops any FIX on the parameter.
    int w = 0;
    for (int j = 1; j <= mn7fx1.npfix; ++j)
        if (mn7fx1.ipfix[j] != k) mn7fx1.ipfix[++w] = mn7fx1.ipfix[j];
    mn7fx1.npfix = w;

    mn7nam.cpnam[k] = cnamj;
    mn7ext.u[k] = uk;
    mn7ext.alim[k] = limited ? std::min(a, b) : 0;
    mn7ext.blim[k] = limited ? std::max(a, b) : 0;
    mn7inx.nvarl[k] = !variable ? 0 : (limited ? 4 : 1);
    mn7npr.nu = std::max(mn7npr.nu, k);
    var[k] = variable;
    renumber(var);
    if (variable) {
        const int i = mn7inx.niofex[k];
        pint_origin = "PARAM DEF";
        mn7int.x[i] = mnpint(uk, i);
        pint_origin = {};
        mn7ext.u[k] = mn_ext_of(i, mn7int.x[i]);
        seed_steps(i, wk);
    }
    update_lnolim();
    print_definition(k);
    mnrset(1);
}

void mnfixp(int iint, int& ierr)
{
    ierr = 0;
    if (iint < 1 || iint > mn7npr.npar) {
        mnput(MnLine().a(" MINUIT ERROR.  ARGUMENT TO MNFIXP=").i(iint, 5));
        ierr = 1;
        return;
    }
    const int k = mn7inx.nexofi[iint];
    if (mn7fx1.npfix >= mni) {
        mnput(MnLine().a(" MINUIT CANNOT FIX PARAMETER").i(k, 4)
                  .a(" MAXIMUM NUMBER THAT CAN BE FIXED IS").i(mni, 4));
        ierr = 1;
        return;
    }
    const int f = ++mn7fx1.npfix;
    mn7fx1.ipfix[f] = k;
    mn7fx2.xs[f] = mn7int.x[iint];
    mn7fx2.xts[f] = mn7int.xt[iint];
    const double vkk = vhmat_at(iint, iint);
    double dxdi = 1;
    mndxdi(mn7int.x[iint], iint, dxdi);
    mn7fx2.dirins[f] = (mn7flg.isw[2] >= 1 && vkk > 0) ? std::sqrt(vkk * mn7min.up)
                     : (dxdi > 0 ? mn7err.werr[iint] / dxdi : mn7int.dirin[iint]);
    mn7fx3.grds[f] = mn7der.grd[iint];
    mn7fx3.g2s[f] = mn7der.g2[iint];
    mn7fx3.gsteps[f] = mn7der.gstep[iint];
    // The others' matrix becomes the one with this parameter held at its value.
    if (vkk > 0) {
        const int n = mn7npr.npar;
        for (int i = 1; i <= n; ++i)
            for (int j = 1; j <= i; ++j)
                if (i != iint && j != iint)
                    vhmat_at(i, j) -= vhmat_at(i, iint) * vhmat_at(j, iint) / vkk;
    }
    renumber(variable_set());
    mn_drop_minos();   // another set of free parameters
    update_lnolim();
}

void mnfree(int k)
{
    if (k < 0) {
        while (mn7fx1.npfix > 0) mnfree(0);
        return;
    }
    if (mn7fx1.npfix < 1) {
        mnput(" CALL TO MNFREE IGNORED.  THERE ARE NO FIXED PARAMETERS");
        return;
    }
    int f = mn7fx1.npfix;
    if (k > 0) {
        f = 0;
        for (int j = 1; j <= mn7fx1.npfix; ++j)
            if (mn7fx1.ipfix[j] == k) f = j;
        if (f == 0) {
            mnput(MnLine().a(" IGNORED.  PARAMETER SPECIFIED IS ALREADY VARIABLE."));
            return;
        }
    }
    const int ke = mn7fx1.ipfix[f];
    const double dirins = mn7fx2.dirins[f], xts = mn7fx2.xts[f];
    const double grds = mn7fx3.grds[f], g2s = mn7fx3.g2s[f], gsteps = mn7fx3.gsteps[f];
    for (int j = f; j < mn7fx1.npfix; ++j) {
        mn7fx1.ipfix[j] = mn7fx1.ipfix[j + 1];
        mn7fx2.xs[j] = mn7fx2.xs[j + 1];
        mn7fx2.xts[j] = mn7fx2.xts[j + 1];
        mn7fx2.dirins[j] = mn7fx2.dirins[j + 1];
        mn7fx3.grds[j] = mn7fx3.grds[j + 1];
        mn7fx3.g2s[j] = mn7fx3.g2s[j + 1];
        mn7fx3.gsteps[j] = mn7fx3.gsteps[j + 1];
    }
    --mn7fx1.npfix;
    renumber(variable_set());
    const int i = mn7inx.niofex[ke];
    mn7int.x[i] = mnpint(mn7ext.u[ke], i);
    mn7int.xt[i] = xts;
    mn7int.dirin[i] = dirins;
    mn7der.grd[i] = grds;
    mn7der.g2[i] = g2s;
    mn7der.gstep[i] = gsteps;
    // The matrix knows nothing of its correlations: only an approximate diagonal term.
    vhmat_at(i, i) = dirins * dirins / mn7min.up;
    double dxdi = 1;
    mndxdi(mn7int.x[i], i, dxdi);
    mn7err.werr[i] = dirins * dxdi;
    mn7err.globcc[i] = 0;
    mn_drop_minos();   // another set of free parameters
    if (mn7flg.isw[2] > 1) mn7flg.isw[2] = 1;
    update_lnolim();
}

double mn_fcn_at(mnfcn fcn, const double pint[], void* futil)
{
    mninex(pint);
    double f = 0;
    fcn(mn7npr.npar, mn7der.gin.data(), f, mn7ext.u.data(), mn_flag_value, futil);
    ++mn7cnv.nfcn;
    return f;
}
