// mnmigr.cpp -- the variable-metric minimisation step of the fit, on the engine's records.
// Labels follow the step names: start, R restart, G gradient, B begin series, M iterate,
// U update, F no improvement, T termination, V convergence, E end.

#include <cmath>

#include "mnmigr.h"

namespace {

// Working storage; nothing carries over from one call to the next.
struct Migr {
    std::array<double, mni + 1> gs{}, step{}, xxs{}, flnu{}, vg{};
    double rhotol = 0, fs = 0, fzero = 0;
    int nfcnmg = 0, npfn = 0, iswtr = 0, nparx = 0, lenv = 0;
    int nrstrt = 0, npsdf = 0, lined2 = 0, iter = 0;
    bool ldebug = false;
    // The diagonal of the last accurate matrix this call started from or computed; while
    // set, the matrix is called accurate only as long as the updates keep it within
    // acc_drift of it.
    std::array<double, mni + 1> vref{};
    bool has_ref = false;
};
Migr mg;

enum class Lbl { R, G, B, M, U, F, T, V, E, done };

constexpr double f32(float v) { return static_cast<double>(v); }  // constants kept in single precision

double& v(int i, int j) { return vhmat_at(i, j); }

// Relative change of a diagonal element beyond which an updated matrix is no longer the
// accurate one it came from: an update from a step of rounding noise (a MIGRAD started at
// its minimum) can spoil every error while the status still claims accuracy.
constexpr double acc_drift = 1e-3;

void take_reference()
{
    mg.has_ref = mn7flg.isw[2] >= 3;
    for (int i = 1; i <= mn7npr.npar; ++i) mg.vref[i] = v(i, i);
}

bool drifted()
{
    for (int i = 1; i <= mn7npr.npar; ++i)
        if (!(std::fabs(v(i, i) - mg.vref[i]) <= acc_drift * std::fabs(mg.vref[i]))) return true;
    return false;
}

void write_vhmat(const char* what, int count)
{
    mn_put_values(what, mn7var.vhmat.data() + 1, count, 10, 3);
}

// The extra call that lets FCN compute its own gradient, then the derivatives.
void gradient_here(mnfcn fcn, void* futil)
{
    mninex(mn7int.x.data());
    if (mn7flg.isw[3] == 1) {
        fcn(mg.nparx, mn7der.gin.data(), mg.fzero, mn7ext.u.data(), mn_flag_gradient, futil);
        ++mn7cnv.nfcn;
    }
    mnderi(fcn, futil);
}

Lbl step_r(mnfcn fcn, void* futil)
{
    if (mg.nrstrt > mn7cnv.istrat) {
        mn7tit.cstatu = "FAILED    ";
        mn7flg.isw[4] = -1;
        return Lbl::T;
    }
    mnhess(fcn, futil);
    mnwerr();
    mg.npsdf = 0;
    take_reference();
    // A failed HESSE (a second derivative of zero, say) leaves a diagonal matrix and a
    // gradient not to be trusted: the gradient is computed afresh before the iterations.
    return mn7flg.isw[2] >= 2 ? Lbl::B : Lbl::G;
}

Lbl step_g(mnfcn fcn, void* futil)
{
    const int npar = mn7npr.npar;
    gradient_here(fcn, futil);
    if (mn7flg.isw[2] >= 1) return Lbl::B;
    for (int i = 1; i <= npar; ++i) {
        mg.xxs[i] = mn7int.x[i];
        mg.step[i] = 0;
    }
    ++mg.lined2;
    if (mg.lined2 < (mn7cnv.istrat + 1) * npar) {
        for (int i = 1; i <= npar; ++i) {
            if (mn7der.g2[i] > 0) continue;             // also catches a NaN
            mg.step[i] = mn7der.grd[i] >= 0 ? -std::fabs(mn7der.gstep[i])
                                            : std::fabs(mn7der.gstep[i]);
            const double gdel = mg.step[i] * mn7der.grd[i];
            mg.fs = mn7min.amin;
            mnline(fcn, mg.xxs.data(), mg.fs, mg.step.data(), gdel, f32(0.05f), futil);
            mnwarn("D", "MNMIGR", "Negative G2 line search");
            if (mg.ldebug)
                mnput(MnLine().a(" Negative G2 line search, param ").i(mn7inx.nexofi[i], 3)
                          .g(mg.fs, 13, 3).g(mn7min.amin, 13, 3));
            return Lbl::G;
        }
    }
    // Diagonal start matrix. A NaN second derivative counts as missing, like a negative one.
    for (int i = 1; i <= npar; ++i) {
        for (int j = 1; j < i; ++j) v(i, j) = 0;
        if (!(mn7der.g2[i] > 0)) mn7der.g2[i] = 1;
        v(i, i) = 2.0 / mn7der.g2[i];
    }
    mn7min.dcovar = 1;
    if (mg.ldebug) {
        mnput(" DEBUG MNMIGR, STARTING MATRIX DIAGONAL,  VHMAT=");
        mn_put_values(nullptr, mn7var.vhmat.data() + 1, mg.lenv, 10, 2);
    }
    return Lbl::B;
}

Lbl step_b()
{
    const int npar = mn7npr.npar;
    ++mg.nrstrt;
    if (mg.nrstrt > mn7cnv.istrat + 1) {
        mn7tit.cstatu = "FAILED    ";
        return Lbl::T;
    }
    mg.fs = mn7min.amin;
    for (int i = 1; i <= npar; ++i) {
        mg.gs[i] = mn7der.grd[i];
        mg.xxs[i] = mn7int.x[i];
    }
    double edm = 0;
    for (int i = 1; i <= npar; ++i) {
        double ri = 0;
        for (int j = 1; j < i; ++j) ri += mg.gs[i] * v(i, j) * mg.gs[j];
        edm += ri + 0.5 * mg.gs[i] * mg.gs[i] * v(i, i);
    }
    mn7min.edm = edm * 0.5 * (1.0 + 3.0 * mn7min.dcovar);
    if (mn7min.edm < 0) {
        mnwarn("W", "MIGRAD", "STARTING MATRIX NOT POS-DEFINITE.");
        mn7flg.isw[2] = 0;
        mn7min.dcovar = 1;
        return Lbl::G;
    }
    if (mn7flg.isw[2] == 0) mn7min.edm = mn7cns.bigedm;
    mg.iter = 0;
    mninex(mn7int.x.data());
    mnwerr();
    if (mg.iswtr >= 1) mnprin(3, mn7min.amin);
    if (mg.iswtr >= 2) mnmatu(0);
    return Lbl::M;
}

// M1..M7: Newton step from the last accepted point and the line search along it.
Lbl step_m(mnfcn fcn, void* futil)
{
    const int npar = mn7npr.npar;
    if (mn7cnv.nfcn - mg.npfn >= mn7cnv.nfcnmx) {
        mn7flg.isw[1] = 1;
        if (mn7flg.isw[5] >= 0) mnput(" CALL LIMIT EXCEEDED IN MIGRAD.");
        mn7tit.cstatu = "CALL LIMIT";
        return Lbl::T;
    }
    double gdel = 0, gssq = 0;
    for (int i = 1; i <= npar; ++i) {
        double ri = 0;
        for (int j = 1; j <= npar; ++j) ri += v(i, j) * mg.gs[j];
        mg.step[i] = -0.5 * ri;
        gdel += mg.step[i] * mg.gs[i];
        gssq += mg.gs[i] * mg.gs[i];
    }
    if (gssq == 0) {
        mnwarn("D", "MIGRAD", " FIRST DERIVATIVES OF FCN ARE ALL ZERO");
        return Lbl::V;
    }
    if (gdel >= 0) {
        mnwarn("D", "MIGRAD", " NEWTON STEP NOT DESCENT.");
        if (mg.npsdf == 1) return Lbl::R;
        mnpsdf();
        mg.npsdf = 1;
        return Lbl::M;
    }
    mnline(fcn, mg.xxs.data(), mg.fs, mg.step.data(), gdel, f32(0.05f), futil);
    if (mn7min.amin == mg.fs) return Lbl::F;
    mn7tit.cfrom = "MIGRAD  ";
    mn7cnv.nfcnfr = mg.nfcnmg;
    mn7tit.cstatu = "PROGRESS  ";
    gradient_here(fcn, futil);
    mg.npsdf = 0;
    return Lbl::U;
}

// M8..M18: the matrix update from the change of gradient over the step.
Lbl step_u()
{
    const int npar = mn7npr.npar;
    double edm = 0, gdgssq = 0, gvg = 0, delgam = 0;
    for (int i = 1; i <= npar; ++i) {
        double ri = 0, vgi = 0;
        for (int j = 1; j <= npar; ++j) {
            ri += v(i, j) * mn7der.grd[j];
            vgi += v(i, j) * (mn7der.grd[j] - mg.gs[j]);
        }
        mg.vg[i] = 0.5 * vgi;
        const double gami = mn7der.grd[i] - mg.gs[i];
        gdgssq += gami * gami;
        gvg += gami * mg.vg[i];
        delgam += mn7int.dirin[i] * gami;
        edm += 0.5 * mn7der.grd[i] * ri;
    }
    mn7min.edm = edm * 0.5 * (1.0 + 3.0 * mn7min.dcovar);
    if (mn7min.edm < 0 || gvg <= 0) {
        mnwarn("D", "MIGRAD", "NOT POS-DEF. EDM OR GVG NEGATIVE.");
        mn7tit.cstatu = "NOT POSDEF";
        if (mg.npsdf == 1) return Lbl::T;
        mnpsdf();
        mg.npsdf = 1;
        return Lbl::U;
    }
    ++mg.iter;
    if (mg.iswtr >= 3 || (mg.iswtr == 2 && mg.iter % 10 == 1)) {
        mnwerr();
        mnprin(3, mn7min.amin);
    }
    if (gdgssq == 0) mnwarn("D", "MIGRAD", "NO CHANGE IN FIRST DERIVATIVES OVER LAST STEP");
    if (delgam < 0) mnwarn("D", "MIGRAD", "FIRST DERIVATIVES INCREASING ALONG SEARCH LINE");
    mn7tit.cstatu = "IMPROVEMNT";
    if (mg.ldebug) write_vhmat(" VHMAT 1 =", 10);
    // Unchanged derivatives over the step (DELGAM 0) carry no curvature: the matrix stays.
    if (delgam != 0) {
        double dsum = 0, vsum = 0;
        for (int i = 1; i <= npar; ++i)
            for (int j = 1; j <= i; ++j) {
                const double d = mn7int.dirin[i] * mn7int.dirin[j] / delgam
                                 - mg.vg[i] * mg.vg[j] / gvg;
                dsum += std::fabs(d);
                v(i, j) += 2.0 * d;
                vsum += std::fabs(v(i, j));
            }
        // A matrix that became all zero has changed completely.
        mn7min.dcovar = 0.5 * (mn7min.dcovar + (vsum > 0 ? dsum / vsum : 1.0));
    }
    if (mg.iswtr >= 3 || mg.ldebug)
        mnput(MnLine().a(" RELATIVE CHANGE IN COV. MATRIX=").f(100.0 * mn7min.dcovar, 5, 1).a("%"));
    if (mg.ldebug) write_vhmat(" VHMAT 2 =", 10);
    if (delgam > gvg) {
        for (int i = 1; i <= npar; ++i) mg.flnu[i] = mn7int.dirin[i] / delgam - mg.vg[i] / gvg;
        for (int i = 1; i <= npar; ++i)
            for (int j = 1; j <= i; ++j) v(i, j) += 2.0 * gvg * mg.flnu[i] * mg.flnu[j];
    }
    int& isw2 = mn7flg.isw[2];
    if (mg.has_ref && isw2 == 3 && drifted()) isw2 = 1;
    if (mn7min.edm < f32(0.1f) * mg.rhotol) return Lbl::V;
    for (int i = 1; i <= npar; ++i) {
        mg.xxs[i] = mn7int.x[i];
        mg.gs[i] = mn7der.grd[i];
    }
    mg.fs = mn7min.amin;
    if (isw2 == 0 && mn7min.dcovar < 0.5) isw2 = 1;
    if (isw2 == 3 && mn7min.dcovar > f32(0.1f)) isw2 = 1;
    // Drifted from an accurate matrix: only a new HESSE makes it accurate again.
    if (isw2 == 1 && mn7min.dcovar < f32(0.05f) && !mg.has_ref) isw2 = 3;
    return Lbl::M;
}

Lbl step_f()
{
    if (mg.iswtr >= 1) mnput(" MIGRAD FAILS TO FIND IMPROVEMENT");
    for (int i = 1; i <= mn7npr.npar; ++i) mn7int.x[i] = mg.xxs[i];
    if (mn7min.edm < 0.5 * mg.rhotol) return Lbl::V;
    if (mn7min.edm < std::fabs(mn7cns.epsma2 * mn7min.amin)) {
        if (mg.iswtr >= 0) mnput(" MACHINE ACCURACY LIMITS FURTHER IMPROVEMENT.");
        return Lbl::V;
    }
    if (mn7cnv.istrat <= 0) {
        if (mn7flg.isw[5] >= 0) mnput(" MIGRAD FAILS WITH STRATEGY=0.   WILL TRY WITH STRATEGY=1.");
        mn7cnv.istrat = 1;
    }
    return Lbl::R;
}

Lbl step_t()
{
    if (mg.iswtr >= 0) mnput(" MIGRAD TERMINATED WITHOUT CONVERGENCE.");
    if (mn7flg.isw[2] == 3) mn7flg.isw[2] = 1;
    mn7flg.isw[4] = -1;
    return Lbl::E;
}

Lbl step_v(mnfcn fcn, void* futil)
{
    if (mg.iswtr >= 0) {
        mnput("");
        mnput(" MIGRAD MINIMIZATION HAS CONVERGED.");
    }
    const int istrat = mn7cnv.istrat;
    if (mn7cnv.itaur == 0 && (istrat >= 2 || (istrat == 1 && mn7flg.isw[2] < 3))) {
        if (mn7flg.isw[5] >= 0) {
            mnput("");
            mnput(" MIGRAD WILL VERIFY CONVERGENCE AND ERROR MATRIX.");
        }
        mnhess(fcn, futil);
        mnwerr();
        mg.npsdf = 0;
        take_reference();
        if (mn7min.edm > mg.rhotol) return Lbl::B;
    }
    mn7tit.cstatu = "CONVERGED ";
    mn7flg.isw[4] = 1;
    return Lbl::E;
}

void step_e()
{
    mn7tit.cfrom = "MIGRAD  ";
    mn7cnv.nfcnfr = mg.nfcnmg;
    mninex(mn7int.x.data());
    mnwerr();
    if (mg.iswtr >= 0) mnprin(3, mn7min.amin);
    if (mg.iswtr >= 1) mnmatu(1);
}

}  // namespace

void mnmigr(mnfcn fcn, void* futil)
{
    const int npar = mn7npr.npar;
    if (npar <= 0) return;
    if (mn7min.amin == mn7cns.undefi) mnamin(fcn, futil);
    const auto x0 = mn7int.x;
    mg = Migr();
    mg.ldebug = mn7flg.idbg[4] >= 1;
    mn7tit.cfrom = "MIGRAD  ";
    mn7cnv.nfcnfr = mg.nfcnmg = mg.npfn = mn7cnv.nfcn;
    mn7tit.cstatu = "INITIATE  ";
    mg.iswtr = mn7flg.isw[5] - 2 * mn7cnv.itaur;
    mg.nparx = npar;
    mg.lenv = npar * (npar + 1) / 2;
    mn7flg.isw[4] = -1;
    mg.rhotol = f32(0.005f) * mn7min.apsi;
    take_reference();
    if (mg.iswtr >= 1)
        mnput(MnLine().a(" START MIGRAD MINIMIZATION.  STRATEGY").i(mn7cnv.istrat, 2)
                  .a(".  CONVERGENCE WHEN EDM .LT.").e(mg.rhotol, 9, 2));
    Lbl at = (mn7cnv.istrat < 2 || mn7flg.isw[2] >= 3) ? Lbl::G : Lbl::R;
    while (at != Lbl::done) {
        switch (at) {
        case Lbl::R: at = step_r(fcn, futil); break;
        case Lbl::G: at = step_g(fcn, futil); break;
        case Lbl::B: at = step_b(); break;
        case Lbl::M: at = step_m(fcn, futil); break;
        case Lbl::U: at = step_u(); break;
        case Lbl::F: at = step_f(); break;
        case Lbl::T: at = step_t(); break;
        case Lbl::V: at = step_v(fcn, futil); break;
        case Lbl::E: step_e(); at = Lbl::done; break;
        case Lbl::done: break;
        }
    }
    if (mn7int.x != x0) mn_drop_minos();   // another point, another minimum
}
