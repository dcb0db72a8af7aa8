// mnderi.cpp -- function values and derivatives: the first value at a start point, first
// derivatives by central differences, the line search, and the full second-derivative matrix.

#include <algorithm>
#include <cmath>
#include <vector>

#include "minuit_local.h"

namespace {

struct DeriTol {
    int ncyc;
    double tlrstp, tlrgrd;
};

// Cycles and tolerances of the derivative step search, by strategy.
DeriTol deri_tol()
{
    switch (std::clamp(mn7cnv.istrat, 0, 2)) {
    case 0: return {2, 0.5, 0.1};
    case 1: return {3, 0.3, 0.05};
    default: return {5, 0.1, 0.02};
    }
}

double eval_at_x(mnfcn fcn, void* futil) { return mn_fcn_at(fcn, mn7int.x.data(), futil); }

}  // namespace

void mnamin(mnfcn fcn, void* futil)
{
    if (mn7flg.isw[5] >= 1)
        mnput(" FIRST CALL TO USER FUNCTION AT NEW START POINT, WITH IFLAG=4.");
    mnexin(mn7int.x.data());
    mn7min.amin = eval_at_x(fcn, futil);
    mn7min.edm = mn7cns.bigedm;
}

// With ISW(3) = 1 FCN's own gradient (already in GIN) is taken; otherwise central
// differences, the step chosen so the rounding error of FCN and the curvature balance.
void mnderi(mnfcn fcn, void* futil)
{
    const int npar = mn7npr.npar;
    if (mn7flg.isw[3] == 1) {
        for (int i = 1; i <= npar; ++i) {
            double dd = 1;
            mndxdi(mn7int.x[i], i, dd);
            mn7der.grd[i] = mn7der.gin[mn7inx.nexofi[i]] * dd;
        }
        return;
    }
    const DeriTol t = deri_tol();
    const double dfmin = 8.0 * mn7cns.epsma2 * (std::fabs(mn7min.amin) + mn7min.up);
    const double vrysml = 8.0 * mn7cns.epsmac * mn7cns.epsmac;
    for (int i = 1; i <= npar; ++i) {
        const double xtf = mn7int.x[i];
        const double epspri = mn7cns.epsma2 + std::fabs(mn7der.grd[i] * mn7cns.epsma2);
        double stepb4 = 0;
        for (int cyc = 1; cyc <= t.ncyc; ++cyc) {
            const double optstp = std::sqrt(dfmin / (std::fabs(mn7der.g2[i]) + epspri));
            double step = std::max(optstp, std::fabs(0.1 * mn7der.gstep[i]));
            if (mn7der.gstep[i] < 0 && step > 0.5) step = 0.5;
            step = std::min(step, 10.0 * std::fabs(mn7der.gstep[i]));
            step = std::max(step, std::max(vrysml, 8.0 * std::fabs(mn7cns.epsma2 * xtf)));
            if (std::fabs((step - stepb4) / step) < t.tlrstp) break;
            mn7der.gstep[i] = std::copysign(step, mn7der.gstep[i] == 0 ? 1.0 : mn7der.gstep[i]);
            stepb4 = step;
            mn7int.x[i] = xtf + step;
            const double fs1 = eval_at_x(fcn, futil);
            mn7int.x[i] = xtf - step;
            const double fs2 = eval_at_x(fcn, futil);
            mn7int.x[i] = xtf;
            const double grbfor = mn7der.grd[i];
            mn7der.grd[i] = (fs1 - fs2) / (2.0 * step);
            mn7der.g2[i] = (fs1 + fs2 - 2.0 * mn7min.amin) / (step * step);
            mn7der.dgrd[i] = std::fabs(grbfor - mn7der.grd[i]);
            if (std::fabs(grbfor - mn7der.grd[i]) / (std::fabs(mn7der.grd[i]) + dfmin / step)
                < t.tlrgrd)
                break;
        }
    }
    mninex(mn7int.x.data());
}

// Parabolic search for the minimum along step from start: one value at 1, then parabolas
// through the best points, until the predicted point lies within toler of the best one.
// X becomes the best point, DIRIN the step to it and AMIN its value when it improved.
void mnline(mnfcn fcn, const double start[], double fstart, const double step[], double slope,
            double toler, void* futil)
{
    constexpr int maxpt = 12;
    constexpr double overal = 1000.0, undral = -100.0;
    const int npar = mn7npr.npar;
    double slamin = 0;
    for (int i = 1; i <= npar; ++i) {
        if (step[i] == 0) continue;
        const double r = std::fabs(start[i] / step[i]);
        slamin = (slamin == 0) ? r : std::min(slamin, r);
    }
    if (std::fabs(slamin) < mn7cns.epsmac) slamin = mn7cns.epsmac;
    slamin *= mn7cns.epsma2;

    std::vector<double> lam{0.0}, fv{fstart};
    double xvmin = 0, fvmin = fstart;
    auto eval = [&](double s) {
        for (int i = 1; i <= npar; ++i) mn7int.x[i] = start[i] + s * step[i];
        const double f = eval_at_x(fcn, futil);
        lam.push_back(s);
        fv.push_back(f);
        if (f < fvmin) { fvmin = f; xvmin = s; }
        return f;
    };
    const double f1 = eval(1.0);
    for (int n = 2; n < maxpt; ++n) {
        double next;
        if (xvmin == 0) {
            // No improvement yet: a parabola from f(0), the slope and the nearest point beyond
            // 0, pulled in by at least half and at most a tenth each time.
            double ls = 0, fls = 0;
            for (std::size_t k = 1; k < lam.size(); ++k)
                if (lam[k] > 0 && (ls == 0 || lam[k] < ls)) { ls = lam[k]; fls = fv[k]; }
            if (ls == 0) break;
            const double curv = 2.0 * (fls - fstart - slope * ls) / (ls * ls);
            next = (std::isfinite(curv) && curv > 0 && slope < 0) ? -slope / curv : 0.1 * ls;
            next = std::clamp(next, 0.1 * ls, 0.5 * ls);
        } else if (lam.size() < 3) {
            // f(1) improved: the parabola from f(0), the slope and f(1), or further out.
            const double curv = 2.0 * (f1 - fstart - slope);
            next = curv > 0 ? -slope / curv : 4.0;
        } else {
            // the three lowest points
            std::vector<int> idx(lam.size());
            for (std::size_t k = 0; k < idx.size(); ++k) idx[k] = static_cast<int>(k);
            auto key = [&](int k) {  // an undefined value ranks last
                const double f = fv[static_cast<std::size_t>(k)];
                return std::isnan(f) ? HUGE_VAL : f;
            };
            std::partial_sort(idx.begin(), idx.begin() + 3, idx.end(),
                              [&](int a, int b) { return key(a) < key(b); });
            const double la = lam[static_cast<std::size_t>(idx[0])], fa = fv[static_cast<std::size_t>(idx[0])];
            const double lb = lam[static_cast<std::size_t>(idx[1])], fb = fv[static_cast<std::size_t>(idx[1])];
            const double lc = lam[static_cast<std::size_t>(idx[2])], fc = fv[static_cast<std::size_t>(idx[2])];
            const double s1 = (fb - fa) / (lb - la), s2 = (fc - fa) / (lc - la);
            const double c2 = (s2 - s1) / (lc - lb);
            const double c1 = s1 - c2 * (la + lb);
            if (std::isfinite(c2) && c2 > 0) {
                next = -c1 / (2.0 * c2);
            } else {
                const double lmax = *std::max_element(lam.begin(), lam.end());
                const double lmin = *std::min_element(lam.begin(), lam.end());
                if (xvmin >= lmax) next = 2.0 * lmax;
                else if (xvmin <= lmin) next = lmin - (lmax - lmin);
                else break;
            }
        }
        const double slamax = std::min(overal, std::max(5.0, 4.0 * std::fabs(xvmin)));
        if (!std::isfinite(next)) break;
        next = std::clamp(next, undral, slamax);
        if (std::fabs(next - xvmin) < std::max(slamin, toler * std::fabs(next))) break;
        bool seen = false;
        for (double l : lam) seen = seen || std::fabs(next - l) < slamin;
        if (seen) break;
        eval(next);
    }
    // Without improvement the point stays exactly where it was (a NaN step must not leak).
    for (int i = 1; i <= npar; ++i) {
        mn7int.dirin[i] = xvmin == 0 ? 0.0 : xvmin * step[i];
        mn7int.x[i] = start[i] + mn7int.dirin[i];
    }
    if (fvmin < fstart) mn7min.amin = fvmin;
    mninex(mn7int.x.data());
}

// Second derivatives: a diagonal step per parameter that gives a set sag of FCN, then the
// off-diagonal terms from two more values each; inverted into VHMAT (twice the inverse).
void mnhess(mnfcn fcn, void* futil)
{
    const int npar = mn7npr.npar;
    if (npar < 1) return;
    if (mn7min.amin == mn7cns.undefi) mnamin(fcn, futil);
    mn7tit.cfrom = "HESSE   ";
    mn7cnv.nfcnfr = mn7cnv.nfcn;
    mn7tit.cstatu = "OK        ";
    if (mn7flg.isw[5] >= 2) mnput(" START COVARIANCE MATRIX CALCULATION.");
    static constexpr int ncycs[3] = {3, 5, 7};
    static constexpr double tlrstps[3] = {0.5, 0.3, 0.1};
    const int s = std::clamp(mn7cnv.istrat, 0, 2);

    const double fzero = eval_at_x(fcn, futil);
    if (fzero != mn7min.amin)
        mnwarn("D", "MNHESS", MnLine().a("function value differs from AMIN by ")
                                  .e(fzero - mn7min.amin, 12, 3).s);
    mn7min.amin = fzero;
    const double aimsag = std::sqrt(mn7cns.epsma2) * (std::fabs(mn7min.amin) + mn7min.up);
    // Per parameter: the settled step and FCN one step above and one below.
    std::vector<double> hd(static_cast<std::size_t>(npar) + 1), yy(hd.size()), ym(hd.size());
    bool failed = false, limit_hit = false, singular = false;
    // HESSE [maxcalls]: checked before each new batch of values.
    auto out_of_calls = [&] {
        if (failed || mn_hesse_limit <= 0 || mn7cnv.nfcn - mn7cnv.nfcnfr < mn_hesse_limit)
            return failed;
        if (mn7flg.isw[5] >= 0) mnput(" CALL LIMIT EXCEEDED IN HESSE.");
        mn7flg.isw[1] = 1;
        failed = limit_hit = true;
        return true;
    };
    for (int i = 1; i <= npar && !failed; ++i) {
        const double xtf = mn7int.x[i];
        const bool limited = mn7der.gstep[i] < 0;
        const double dmin = 8.0 * mn7cns.epsma2 * std::fabs(xtf) + 8.0 * mn7cns.epsmac;
        double d = mn7der.g2[i] > 0 ? std::sqrt(2.0 * aimsag / mn7der.g2[i])
                                    : 0.02 * std::fabs(mn7int.dirin[i]);
        if (!(d > dmin)) d = std::max(dmin, 0.02 * std::fabs(mn7int.dirin[i]));
        if (limited) d = std::min(d, 0.5);
        for (int cyc = 1; cyc <= ncycs[s]; ++cyc) {
            if (out_of_calls()) break;
            double sag = 0, fs1 = 0, fs2 = 0;
            for (int mult = 1; mult <= 5; ++mult) {
                mn7int.x[i] = xtf + d;
                fs1 = eval_at_x(fcn, futil);
                mn7int.x[i] = xtf - d;
                fs2 = eval_at_x(fcn, futil);
                mn7int.x[i] = xtf;
                sag = 0.5 * (fs1 + fs2 - 2.0 * mn7min.amin);
                if (sag != 0) break;
                if (limited && d >= 0.5) break;
                d *= 10.0;
                if (limited) d = std::min(d, 0.5);
            }
            if (sag == 0) {
                mnwarn("W", "HESSE", MnLine().a("Second derivative zero for parameter")
                                         .i(mn7inx.nexofi[i], 3).s);
                // The matrix is lost, but the others' derivatives are still wanted: a
                // MIGRAD that starts from here needs every component of the gradient.
                mn7der.grd[i] = (fs1 - fs2) / (2.0 * d);
                singular = true;
                break;
            }
            mn7der.g2[i] = 2.0 * sag / (d * d);
            mn7der.grd[i] = (fs1 - fs2) / (2.0 * d);
            mn7der.gstep[i] = limited ? -d : d;
            mn7int.dirin[i] = d;
            hd[static_cast<std::size_t>(i)] = d;
            yy[static_cast<std::size_t>(i)] = fs1;
            ym[static_cast<std::size_t>(i)] = fs2;
            const double dlast = d;
            d = std::sqrt(2.0 * aimsag / std::fabs(mn7der.g2[i]));
            if (limited) d = std::min(d, 0.5);
            d = std::clamp(d, std::max(dmin, 0.1 * dlast), 10.0 * dlast);
            // Only a settled step ends the cycles: an estimate that agrees with the one
            // before at a step still far from its aim leaves the mixed terms that step.
            if (std::fabs((d - dlast) / d) < tlrstps[s]) break;
        }
        vhmat_at(i, i) = mn7der.g2[i];
    }
    // Mixed terms from the diagonal and both anti-diagonal corners with the settled steps:
    // the third-order terms of the one-sided difference cancel, and its error is what a
    // strongly correlated pair's near-singular determinant magnifies.
    for (int i = 1; i <= npar && !failed && !singular; ++i) {
        const auto ii = static_cast<std::size_t>(i);
        const double hi = hd[ii];
        for (int j = 1; j < i && !out_of_calls(); ++j) {
            const auto jj = static_cast<std::size_t>(j);
            const double hj = hd[jj];
            const double xi = mn7int.x[i], xj = mn7int.x[j];
            mn7int.x[i] = xi + hi;
            mn7int.x[j] = xj + hj;
            const double fpp = eval_at_x(fcn, futil);
            mn7int.x[i] = xi - hi;
            mn7int.x[j] = xj - hj;
            const double fmm = eval_at_x(fcn, futil);
            mn7int.x[i] = xi;
            mn7int.x[j] = xj;
            vhmat_at(i, j) = (fpp + fmm - yy[ii] - ym[ii] - yy[jj] - ym[jj] + 2.0 * mn7min.amin)
                             / (2.0 * hi * hj);
        }
    }
    int ifail = 1;
    if (!failed && !singular) {
        std::vector<double> diag(hd.size());
        for (int i = 1; i <= npar; ++i) diag[static_cast<std::size_t>(i)] = vhmat_at(i, i);
        mn7flg.isw[2] = 3;
        mnpsdf();
        bool forced = false;
        for (int i = 1; i <= npar; ++i) forced = forced || vhmat_at(i, i) != diag[static_cast<std::size_t>(i)];
        std::vector<double> a(static_cast<std::size_t>(npar * npar));
        for (int i = 1; i <= npar; ++i)
            for (int j = 1; j <= npar; ++j)
                a[static_cast<std::size_t>((i - 1) * npar + j - 1)] = vhmat_at(i, j);
        mnvert(a.data(), npar, npar, npar, ifail);
        if (ifail == 0) {
            for (int i = 1; i <= npar; ++i)
                for (int j = 1; j <= i; ++j)
                    vhmat_at(i, j) = 2.0 * a[static_cast<std::size_t>((i - 1) * npar + j - 1)];
            mn7flg.isw[2] = forced ? 2 : 3;
            mn7min.dcovar = 0;
        } else {
            mnwarn("W", "HESSE", "Matrix inversion fails.");
        }
    }
    if (ifail != 0) {
        if (mn7flg.isw[5] >= 0) mnput("  MNHESS FAILS AND WILL RETURN DIAGONAL MATRIX.");
        for (int i = 1; i <= npar; ++i) {
            for (int j = 1; j < i; ++j) vhmat_at(i, j) = 0;
            const double g2 = mn7der.g2[i] > 0 ? mn7der.g2[i] : 1.0;
            vhmat_at(i, i) = 2.0 / g2;
        }
        mn7flg.isw[2] = 1;
        mn7min.dcovar = 1;
        mn7tit.cstatu = limit_hit ? "CALL LIMIT" : "FAILED    ";
    }
    mn7min.edm = mn_edm_of(mn7der.grd.data());
    mninex(mn7int.x.data());
    mnwerr();
    if (ifail == 0 && mn7flg.isw[5] >= 2) mnput(" COVARIANCE MATRIX CALCULATED SUCCESSFULLY");
}
