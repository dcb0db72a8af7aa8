// mnscan.cpp -- the exploring commands: SCAN of one parameter, SEEK (Monte Carlo search),
// IMPROVE (search for another minimum), CONTOUR (printer map), and the printer plot.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "minuit_local.h"

namespace {

// Internal error of internal parameter i: the parabolic error through the transform.
double internal_error(int i)
{
    double dxdi = 1;
    mndxdi(mn7int.x[i], i, dxdi);
    double d = (dxdi > 0 && mn7err.werr[i] > 0) ? mn7err.werr[i] / dxdi : std::fabs(mn7int.dirin[i]);
    if (!(d > 0)) d = 0.1;
    return d;
}

// Range of external parameter k over devs parabolic errors, inside its limits.
void scan_range(int k, double devs, double& lo, double& hi)
{
    const int i = mn7inx.niofex[k];
    const double e = (i > 0 && mn7err.werr[i] > 0) ? mn7err.werr[i] : 0.1 * (1 + std::fabs(mn7ext.u[k]));
    lo = mn7ext.u[k] - devs * e;
    hi = mn7ext.u[k] + devs * e;
    if (mn7inx.nvarl[k] == 4) {
        lo = std::max(lo, mn7ext.alim[k]);
        hi = std::min(hi, mn7ext.blim[k]);
    }
}

// Uniform numbers in (0, 1), the same sequence in every run.
double uniform()
{
    static std::uint64_t s = 0x2545F4914F6CDD1DULL;
    s = s * 6364136223846793005ULL + 1442695040888963407ULL;
    return (static_cast<double>(s >> 11) + 0.5) / 9007199254740992.0;
}

void put_value_at(int k, double u)
{
    const int i = mn7inx.niofex[k];
    mn7ext.u[k] = u;
    if (i > 0) mn7int.x[i] = mnpint(u, i);
}

// Rows of a character picture in a frame: y values at the left every fifth row (top row y1),
// x values under every tenth column (first column x0).
void put_framed(const std::vector<std::string>& rows, double x0, double x1, double y0, double y1)
{
    const int nrow = static_cast<int>(rows.size());
    const int ncol = nrow > 0 ? static_cast<int>(rows[0].size()) : 0;
    for (int r = 0; r < nrow; ++r) {
        MnLine ln;
        if (r % 5 == 0 || r == nrow - 1) ln.g(y1 - (y1 - y0) * r / std::max(nrow - 1, 1), 14, 5);
        else ln.x(14);
        mnput(ln.a("  I").a(rows[static_cast<std::size_t>(r)]).a("I"));
    }
    std::string axis(static_cast<std::size_t>(ncol), '-');
    for (int c = 0; c < ncol; c += 10) axis[static_cast<std::size_t>(c)] = '+';
    mnput(MnLine().x(14).a("  I").a(axis).a("I"));
    MnLine lab;
    lab.x(11);
    for (int c = 0; c < ncol; c += 10) lab.g(x0 + (x1 - x0) * c / std::max(ncol - 1, 1), 10, 3);
    mnput(lab);
}

}  // namespace

void mnplot(const double xpt[], const double ypt[], const char chpt[], int nxypt, int npagwd,
            int npagln)
{
    if (nxypt < 1) return;
    const int ncol = std::clamp(npagwd - 20, 20, 100);
    const int nrow = std::clamp(npagln - 16, 10, 50);
    // The frame spans the finite points only; a value FCN could not give is not plotted.
    double x0 = HUGE_VAL, x1 = -HUGE_VAL, y0 = HUGE_VAL, y1 = -HUGE_VAL;
    for (int k = 0; k < nxypt; ++k) {
        if (!std::isfinite(xpt[k]) || !std::isfinite(ypt[k])) continue;
        x0 = std::min(x0, xpt[k]); x1 = std::max(x1, xpt[k]);
        y0 = std::min(y0, ypt[k]); y1 = std::max(y1, ypt[k]);
    }
    if (x0 > x1) return;
    if (x1 <= x0) { x0 -= 0.5 * (1 + std::fabs(x0)); x1 = x0 + 1 + std::fabs(x0); }
    if (y1 <= y0) { y0 -= 0.5 * (1 + std::fabs(y0)); y1 = y0 + 1 + std::fabs(y0); }
    std::vector<std::string> grid(static_cast<std::size_t>(nrow), std::string(static_cast<std::size_t>(ncol), ' '));
    for (int k = 0; k < nxypt; ++k) {
        if (!std::isfinite(xpt[k]) || !std::isfinite(ypt[k])) continue;
        const int c = std::clamp(static_cast<int>(std::lround((xpt[k] - x0) / (x1 - x0) * (ncol - 1))),
                                 0, ncol - 1);
        const int r = std::clamp(static_cast<int>(std::lround((y1 - ypt[k]) / (y1 - y0) * (nrow - 1))),
                                 0, nrow - 1);
        char& cell = grid[static_cast<std::size_t>(r)][static_cast<std::size_t>(c)];
        cell = (cell == ' ' || cell == chpt[k]) ? chpt[k] : '&';   // '&': points overlap
    }
    put_framed(grid, x0, x1, y0, y1);
}

// SCAN [parno] [numpts] [from] [to]: FCN along one parameter, the others held. A lower
// value found becomes the current point.
int mn_scan(mnfcn fcn, int llist, void* futil)
{
    if (mn7min.amin == mn7cns.undefi) mnamin(fcn, futil);
    const int kpar = llist >= 1 ? mn_int_arg(1) : 0;
    // 40 points unless told, at most 100, the range's two ends included.
    int npts = llist >= 2 ? mn_int_arg(2) : 0;
    npts = npts < 1 ? 40 : std::clamp(npts, 2, 100);
    const int nfcn0 = mn7cnv.nfcn;
    std::vector<int> todo;
    if (kpar > 0) {
        if (kpar > mne || mn7inx.nvarl[kpar] < 0) {
            mnput(MnLine().a(" PARAMETER").i(kpar, 4).a(" NOT DEFINED.  NO SCAN."));
            return mn_abnormal;
        }
        todo.push_back(kpar);
    } else {
        for (int i = 1; i <= mn7npr.npar; ++i) todo.push_back(mn7inx.nexofi[i]);
    }
    for (int k : todo) {
        double lo, hi;
        scan_range(k, 2.0, lo, hi);
        // An absent number reads 0, so SCAN 1, 20, -3 scans from -3 to 0 (the loop drops
        // trailing zeros); from not below to leaves the default range.
        if (mn7arg.word7[3] < mn7arg.word7[4]) {
            lo = mn7arg.word7[3];
            hi = mn7arg.word7[4];
            if (mn7inx.nvarl[k] == 4) { lo = std::max(lo, mn7ext.alim[k]); hi = std::min(hi, mn7ext.blim[k]); }
        }
        const double u0 = mn7ext.u[k];
        double ubest = u0, fbest = mn7min.amin;
        std::vector<char> ch(static_cast<std::size_t>(npts), '*');
        for (int j = 0; j < npts; ++j) {
            const double u = lo + (hi - lo) * j / (npts - 1);
            put_value_at(k, u);
            const double f = mn_fcn_at(fcn, mn7int.x.data(), futil);
            mn7rpt.xpt[static_cast<std::size_t>(j + 1)] = mn7ext.u[k];
            mn7rpt.ypt[static_cast<std::size_t>(j + 1)] = f;
            if (f < fbest) { fbest = f; ubest = u; }
        }
        put_value_at(k, ubest);
        mninex(mn7int.x.data());
        if (fbest < mn7min.amin) {
            mn7min.amin = fbest;
            mn7min.edm = mn7cns.bigedm;
            mn7flg.isw[4] = 0;
            mn7log.lnewmn = true;
            mn_drop_minos();
        }
        if (mn7flg.isw[5] >= 0) {
            mnput("");
            mnput(MnLine().a(" SCAN OF PARAMETER NO.").i(k, 3).a(",  ").a(mn7nam.cpnam[k].trimmed()));
            mnplot(mn7rpt.xpt.data() + 1, mn7rpt.ypt.data() + 1, ch.data(), npts, mn7iou.npagwd,
                   mn7iou.npagln);
        }
    }
    mn7tit.cfrom = "SCAN    ";
    mn7cnv.nfcnfr = nfcn0;
    mn7tit.cstatu = mn7log.lnewmn ? "NEW MINIMU" : "NO CHANGE ";
    if (mn7flg.isw[5] >= 0) mnprin(5, mn7min.amin);
    return mn_ok;
}

// SEEK [maxcalls] [devs]: random points in the box of devs errors about the best point so
// far; a lower point becomes the new centre.
int mn_seek(mnfcn fcn, int /*llist*/, void* futil)
{
    const int n = mn7npr.npar;
    if (n < 1) return mn_abnormal;
    if (mn7min.amin == mn7cns.undefi) mnamin(fcn, futil);
    const int maxcalls = mn7arg.word7[1] >= 1 ? mn_int_arg(1) : mn_default_calls(n);
    const double devs = mn7arg.word7[2] > 0 ? mn7arg.word7[2] : 3.0;
    const int nfcn0 = mn7cnv.nfcn;
    if (mn7flg.isw[5] >= 1)
        mnput(MnLine().a(" MNSEEK: MONTE CARLO MINIMIZATION USING METROPOLIS ALGORITHM").a(""));
    std::vector<double> box(static_cast<std::size_t>(n) + 1), xt(box.size());
    for (int i = 1; i <= n; ++i) box[static_cast<std::size_t>(i)] = devs * internal_error(i);
    const double f0 = mn7min.amin;
    while (mn7cnv.nfcn - nfcn0 < maxcalls) {
        for (int i = 1; i <= n; ++i)
            xt[static_cast<std::size_t>(i)] = mn7int.x[i] + (2 * uniform() - 1) * box[static_cast<std::size_t>(i)];
        const double f = mn_fcn_at(fcn, xt.data(), futil);
        if (f < mn7min.amin) {
            mn7min.amin = f;
            for (int i = 1; i <= n; ++i) mn7int.x[i] = xt[static_cast<std::size_t>(i)];
        }
    }
    mninex(mn7int.x.data());
    mn7tit.cfrom = "SEEK    ";
    mn7cnv.nfcnfr = nfcn0;
    if (mn7min.amin < f0) {
        mn7min.edm = mn7cns.bigedm;
        mn7flg.isw[4] = 0;
        mn7log.lnewmn = true;
        mn_drop_minos();
        mn7tit.cstatu = "IMPROVEMNT";
    } else {
        mn7tit.cstatu = "UNCHANGED ";
    }
    if (mn7flg.isw[5] >= 0) mnprin(1, mn7min.amin);
    return mn_ok;
}

// IMPROVE [maxcalls]: minimise from random points of the box three errors wide on each side
// of the minimum, until one ends clearly lower than the present minimum or the calls are
// spent; the first such minimum replaces the present one.
int mn_improve(mnfcn fcn, void* futil)
{
    const int n = mn7npr.npar;
    if (n < 1) return mn_abnormal;
    mncuve(fcn, "IMPROVE", futil);
    const int maxcalls = mn7arg.word7[1] >= 1 ? mn_int_arg(1) : 4 * mn_default_calls(n);
    const int nfcn0 = mn7cnv.nfcn;
    const MnSnap base = mn_take();
    std::vector<double> box(static_cast<std::size_t>(n) + 1);
    for (int i = 1; i <= n; ++i) box[static_cast<std::size_t>(i)] = 3.0 * internal_error(i);
    bool found = false;
    if (mn7flg.isw[5] >= 1) mnput(" START ATTEMPT TO IMPROVE ON CURRENT MINIMUM.");
    while (!found && mn7cnv.nfcn - nfcn0 < maxcalls) {
        mn_put(base);
        for (int i = 1; i <= n; ++i)
            mn7int.x[i] += (2 * uniform() - 1) * box[static_cast<std::size_t>(i)];
        mn7min.amin = mn_fcn_at(fcn, mn7int.x.data(), futil);
        mn7flg.isw[2] = 0;
        mn7flg.isw[4] = 0;
        const int itaur = mn7cnv.itaur;
        mn7cnv.itaur = 1;
        mn7cnv.nfcnmx = std::min(mn_default_calls(n), maxcalls - (mn7cnv.nfcn - nfcn0));
        if (mn7cnv.nfcnmx > 0) mn_migrad(fcn, futil);
        mn7cnv.itaur = itaur;
        found = mn7min.amin < base.min.amin - 0.01 * mn7min.up;
    }
    if (!found) mn_put(base);
    mn7tit.cfrom = "IMPROVE ";
    mn7cnv.nfcnfr = nfcn0;
    if (!found) {
        if (mn7flg.isw[5] >= 0) mnput(" IMPROVE HAS RETURNED TO REGION OF ORIGINAL MINIMUM");
        mn7tit.cstatu = "UNCHANGED ";
        if (mn7flg.isw[5] >= 0) mnprin(5, mn7min.amin);
        return mn_ok;
    }
    if (mn7flg.isw[5] >= 0) mnput(" IMPROVE HAS FOUND A TRULY NEW MINIMUM");
    mn7log.lnewmn = true;
    mn7flg.isw[4] = 0;
    mn7min.apsi = 0.1 * mn7min.up;
    mn7cnv.nfcnmx = mn_default_calls(n);
    mn_migrad(fcn, futil);
    return mn7flg.isw[4] >= 1 ? mn_ok : mn_abnormal;
}

// CONTOUR [par1] [par2] [devs] [ngrid]: a printer map of FCN over two parameters, the others
// held; each cell shows in how many UP-sigma band it lies (0 inside one sigma, '.' beyond 9).
int mn_contour_map(mnfcn fcn, int llist, void* futil)
{
    const int k1 = llist >= 1 ? mn_int_arg(1) : 0;
    const int k2 = llist >= 2 ? mn_int_arg(2) : 0;
    if (niofex_of(k1) == 0 || niofex_of(k2) == 0 || k1 == k2) {
        mnput(" INVALID PARAMETER NUMBERS FOR CONTOUR.  BOTH MUST BE VARIABLE AND DIFFERENT.");
        return mn_abnormal;
    }
    if (mn7min.amin == mn7cns.undefi) mnamin(fcn, futil);
    const double devs = mn7arg.word7[3] > 0 ? mn7arg.word7[3] : 2.0;
    const int ngrid = mn7arg.word7[4] >= 2 ? std::min(mn_int_arg(4), 51) : 25;
    double xlo, xhi, ylo, yhi;
    scan_range(k1, devs, xlo, xhi);
    scan_range(k2, devs, ylo, yhi);
    const MnSnap base = mn_take();
    const int nfcn0 = mn7cnv.nfcn;
    std::vector<std::string> rows;
    for (int r = 0; r < ngrid; ++r) {
        std::string row;
        const double y = yhi - (yhi - ylo) * r / (ngrid - 1);
        for (int c = 0; c < ngrid; ++c) {
            const double x = xlo + (xhi - xlo) * c / (ngrid - 1);
            mn_put(base);
            put_value_at(k1, x);
            put_value_at(k2, y);
            const double f = mn_fcn_at(fcn, mn7int.x.data(), futil);
            const double d = (f - base.min.amin) / base.min.up;
            const int band = std::isfinite(d) ? static_cast<int>(std::sqrt(std::max(d, 0.0))) : 99;
            row += band <= 9 ? static_cast<char>('0' + band) : '.';
        }
        rows.push_back(row);
    }
    mn_put(base);
    mninex(mn7int.x.data());
    mn7tit.cfrom = "CONTOUR ";
    mn7cnv.nfcnfr = nfcn0;
    if (mn7flg.isw[5] >= -1) {
        mnput("");
        mnput(MnLine().a(" CONTOUR MAP OF FCN IN PARAMETERS").i(k1, 3).a(" (").a(mn7nam.cpnam[k1].trimmed())
                  .a(") ACROSS AND").i(k2, 3).a(" (").a(mn7nam.cpnam[k2].trimmed()).a(") UP"));
        mnput(MnLine().a(" DIGIT N: FCN BETWEEN AMIN + N**2 UP AND AMIN + (N+1)**2 UP.   UP=").g(mn7min.up, 10, 4));
        put_framed(rows, xlo, xhi, ylo, yhi);
    }
    return mn_ok;
}
