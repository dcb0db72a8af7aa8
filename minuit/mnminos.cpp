// mnminos.cpp -- MINOS errors and the crossing search they share with contours: FCN is
// minimised with one or two parameters held, until it has risen by UP.

#include <algorithm>
#include <cmath>
#include <vector>

#include "minuit_local.h"

MnSnap mn_take()
{
    MnSnap s;
    s.ext = mn7ext; s.err = mn7err; s.inx = mn7inx; s.in = mn7int; s.fx2 = mn7fx2;
    s.der = mn7der; s.fx3 = mn7fx3; s.fx1 = mn7fx1; s.var = mn7var; s.npr = mn7npr;
    s.min = mn7min; s.isw = mn7flg.isw; s.istrat = mn7cnv.istrat; s.nfcnfr = mn7cnv.nfcnfr;
    s.cfrom = mn7tit.cfrom; s.cstatu = mn7tit.cstatu;
    return s;
}

void mn_put(const MnSnap& s)
{
    mn7ext = s.ext; mn7err = s.err; mn7inx = s.inx; mn7int = s.in; mn7fx2 = s.fx2;
    mn7der = s.der; mn7fx3 = s.fx3; mn7fx1 = s.fx1; mn7var = s.var; mn7npr = s.npr;
    mn7min = s.min; mn7flg.isw = s.isw; mn7cnv.istrat = s.istrat; mn7cnv.nfcnfr = s.nfcnfr;
    mn7tit.cfrom = s.cfrom; mn7tit.cstatu = s.cstatu;
}

void mncuve(mnfcn fcn, std::string_view cfrom, void* futil)
{
    if (mn7flg.isw[4] < 1) {
        if (mn7flg.isw[5] >= 0)
            mnput(MnLine().a(" FUNCTION MUST BE MINIMIZED BEFORE CALLING ").a(cfrom));
        mn7min.apsi = mn7min.epsi > 0 ? mn7min.epsi : 0.1 * mn7min.up;
        mn7cnv.nfcnmx = mn_default_calls(mn7npr.npar);
        mn_migrad(fcn, futil);
    }
    if (mn7flg.isw[2] < 3) {
        mnhess(fcn, futil);
        mnwerr();
    }
}

void mneval(mnfcn fcn, double anext, double& fnext, int& ierev, void* futil)
{
    mn_put(mn_eval_base);
    const int ke[2] = {mn7xcr.ke1cr, mn7xcr.ke2cr};
    const double target[2] = {mn7xcr.xmidcr + anext * mn7xcr.xdircr,
                              mn7xcr.ymidcr + anext * mn7xcr.ydircr};
    // Start the others where the matrix expects their minimum for the held values.
    int ih[2] = {0, 0};
    double dh[2] = {0, 0};
    for (int h = 0; h < 2; ++h) {
        if (ke[h] == 0) continue;
        ih[h] = niofex_of(ke[h]);
        if (ih[h] > 0) dh[h] = mnpint(target[h], ih[h]) - mn7int.x[ih[h]];
    }
    double w[2] = {0, 0};
    if (ih[0] > 0 && ih[1] > 0) {
        const double a = vhmat_at(ih[0], ih[0]), b = vhmat_at(ih[0], ih[1]),
                     c = vhmat_at(ih[1], ih[1]), det = a * c - b * b;
        if (det > 0) { w[0] = (c * dh[0] - b * dh[1]) / det; w[1] = (a * dh[1] - b * dh[0]) / det; }
    } else if (ih[0] > 0 && vhmat_at(ih[0], ih[0]) > 0) {
        w[0] = dh[0] / vhmat_at(ih[0], ih[0]);
    }
    if (mn7flg.isw[2] >= 1)
        for (int j = 1; j <= mn7npr.npar; ++j)
            if (j != ih[0] && j != ih[1])
                for (int h = 0; h < 2; ++h)
                    if (ih[h] > 0) mn7int.x[j] += vhmat_at(j, ih[h]) * w[h];
    for (int h = 0; h < 2; ++h)
        if (ih[h] > 0) mn7int.x[ih[h]] += dh[h];
    mninex(mn7int.x.data());
    for (int h = 0; h < 2; ++h) {
        if (ke[h] == 0) continue;
        mn7ext.u[ke[h]] = target[h];
        const int i = niofex_of(ke[h]);
        int ierr = 0;
        if (i > 0) mnfixp(i, ierr);
    }
    mnexin(mn7int.x.data());
    mn7min.amin = mn_fcn_at(fcn, mn7int.x.data(), futil);
    mn7flg.isw[1] = 0;
    mn7flg.isw[4] = 0;
    ierev = 0;
    if (mn7npr.npar > 0) {
        const int itaur = mn7cnv.itaur;
        mn7cnv.itaur = 1;
        mn7cnv.nfcnmx = mn_default_calls(mn7npr.npar);
        mn_migrad(fcn, futil);
        mn7cnv.itaur = itaur;
        ierev = mn7flg.isw[1] == 1 ? 2 : (mn7flg.isw[4] >= 1 ? 0 : 1);
    }
    fnext = mn7min.amin;
}

// Secant steps on the square root of the rise, which is linear in a for a parabola, so a
// nearly parabolic problem needs one or two minimisations. Once the crossing is bracketed the
// steps stay inside the bracket; an end kept twice running has its weight halved (so one bad
// end cannot hold the steps back). The accepted point is moved by the same model onto the
// crossing itself, so a rise within 1% of UP is close enough (the moved point is then good to
// a small fraction of that). maxcalls > 0 ends the search once that many calls have been made.
MnCross mn_cross(mnfcn fcn, double amax, void* futil, int maxcalls)
{
    MnCross r;
    const double amin0 = mn_eval_base.min.amin, up = mn_eval_base.min.up;
    const double target = std::sqrt(up);
    const int nfcn0 = mn7cnv.nfcn;
    double alo = 0, glo = 0, aprev = 0, gprev = 0;  // highest point below the crossing, and the one before
    double ahi = 0, ghi = 0;                          // lowest point above it (ahi 0: none yet)
    int kept = 0;                                     // >0: ahi kept that often running, <0: alo
    double a = std::min(1.0, 0.999 * amax);
    for (int it = 0; it < 16; ++it) {
        if (maxcalls > 0 && mn7cnv.nfcn - nfcn0 >= maxcalls) return r;
        double f = 0;
        int ierev = 0;
        mneval(fcn, a, f, ierev, futil);
        const double d = f - amin0;
        if (d < -0.001 * up) {
            r.newmin = true;
            return r;
        }
        const double g = std::sqrt(std::max(d, 0.0));
        if (std::fabs(d - up) < 0.01 * up) {
            r.a = g > 0 ? a * (1.0 + (target - g) / g) : a;
            if (r.a > 0.999 * amax) r.a = a;
            r.found = true;
            return r;
        }
        if (d > up) {
            if (ahi == 0 || a < ahi) { ahi = a; ghi = g; }
            kept = kept < 0 ? kept - 1 : -1;
        } else {
            if (a >= 0.999 * amax) {
                r.at_limit = true;
                return r;
            }
            if (a > alo) { aprev = alo; gprev = glo; alo = a; glo = g; }
            kept = kept > 0 ? kept + 1 : 1;
        }
        double next;
        if (ahi > 0) {
            double wlo = target - glo, whi = ghi - target;  // distances of the ends from the target
            if (kept >= 2) whi *= 0.5;                      // ahi kept: lean towards it
            if (kept <= -2) wlo *= 0.5;
            next = (wlo + whi > 0) ? alo + wlo * (ahi - alo) / (wlo + whi) : 0.5 * (alo + ahi);
            const double w = ahi - alo;
            next = std::clamp(next, alo + 0.001 * w, ahi - 0.001 * w);
        } else {
            next = (glo > gprev) ? alo + (target - glo) * (alo - aprev) / (glo - gprev) : 2.0 * alo;
            next = std::clamp(next, 1.001 * alo, 4.0 * alo);
        }
        a = std::min(next, 0.999 * amax);
    }
    return r;
}

namespace {

// mneval left the state at a point below the minimum: take its values with every parameter
// free again and minimise from there.
void restart_from_lower_point(mnfcn fcn, std::string_view cfrom, void* futil)
{
    const auto u = mn7ext.u;
    const double f = mn7min.amin;
    mn_put(mn_eval_base);
    mn7ext.u = u;
    mnexin(mn7int.x.data());
    mn7min.amin = f;
    mn7log.lnewmn = true;
    if (mn7flg.isw[5] >= 0) {
        mnput(" NEW MINIMUM FOUND.  GO BACK TO MINIMIZATION STEP.");
        mnput(" =================================================");
    }
    mn7flg.isw[4] = 0;
    mn7flg.isw[2] = 0;
    mncuve(fcn, cfrom, futil);
}

// One parameter, both directions; the results go to erp/ern of its internal number.
// Returns false when a new minimum turned up (the state is then at that point).
// maxcalls bounds the calls spent on this parameter, both directions together.
bool minos_one(mnfcn fcn, int k, int maxcalls, double& erp, double& ern, bool& failed,
               void* futil)
{
    const int i = niofex_of(k);
    const int nfcn0 = mn7cnv.nfcn;
    const double u0 = mn7ext.u[k];
    double sigma = mn7err.werr[i];
    if (!(sigma > 0)) sigma = std::sqrt(std::fabs(vhmat_at(i, i) * mn7min.up));
    for (int isig : {1, -1}) {
        if (mn7flg.isw[5] >= 1)
            mnput(MnLine().a(" DETERMINATION OF ").a(isig > 0 ? "POSITIVE" : "NEGATIVE")
                      .a(" MINOS ERROR FOR PARAMETER").i(k, 3).x(1).a(mn7nam.cpnam[k].trimmed()));
        mn7xcr = Mn7xcr{u0, 0, isig * sigma, 0, k, 0};
        double amax = HUGE_VAL;
        if (mn7inx.nvarl[k] == 4)
            amax = (isig > 0 ? mn7ext.blim[k] - u0 : u0 - mn7ext.alim[k]) / sigma;
        const int left = maxcalls - (mn7cnv.nfcn - nfcn0);
        const MnCross c = left > 0 ? mn_cross(fcn, amax, futil, left) : MnCross{};
        if (c.newmin) return false;
        mn_put(mn_eval_base);
        const double e = c.found ? isig * c.a * sigma : 0.0;
        (isig > 0 ? erp : ern) = e;
        if (!c.found && mn7cnv.nfcn - nfcn0 >= maxcalls) {
            failed = true;
            mnwarn("W", "MINOS", MnLine().a("CALL LIMIT EXCEEDED FOR ").a(isig > 0 ? "POSITIVE" : "NEGATIVE")
                                     .a(" ERROR OF PARAMETER").i(k, 3).s);
        } else if (c.at_limit) {
            mnwarn("W", "MINOS", MnLine().a(isig > 0 ? "POSITIVE" : "NEGATIVE")
                                     .a(" MINOS ERROR OF PARAMETER").i(k, 3).a(" EXCEEDS ITS LIMIT.").s);
        } else if (!c.found) {
            failed = true;
            mnwarn("W", "MINOS", MnLine().a("CANNOT FIND ").a(isig > 0 ? "POSITIVE" : "NEGATIVE")
                                     .a(" MINOS ERROR OF PARAMETER").i(k, 3).s);
        } else if (mn7flg.isw[5] >= 1) {
            mnput(MnLine().a("        THE ").a(isig > 0 ? "POSITIVE" : "NEGATIVE")
                      .a(" MINOS ERROR OF PARAMETER").i(k, 3).a(" IS").e(e, 12, 4));
        }
    }
    return true;
}

}  // namespace

void mnmnos(mnfcn fcn, int k, int maxcalls, void* futil)
{
    if (mn7npr.npar < 1) {
        mnput(" THERE ARE NO MINOS ERRORS TO CALCULATE.");
        return;
    }
    mncuve(fcn, "MINOS", futil);
    const int nfcn0 = mn7cnv.nfcn;
    // MINOS [maxcalls]: a bound for each parameter's pair of crossings.
    const int limit = maxcalls > 0 ? maxcalls : 2 * mn_default_calls(mn7npr.npar);
    bool failed = false;
    for (int restart = 0; restart <= 5; ++restart) {
        mn_eval_base = mn_take();
        std::vector<int> todo;
        if (k > 0) todo.push_back(k);
        else
            for (int i = 1; i <= mn7npr.npar; ++i) todo.push_back(mn7inx.nexofi[i]);
        std::vector<double> ep(todo.size()), em(todo.size());
        bool newmin = false;
        for (std::size_t t = 0; t < todo.size() && !newmin; ++t) {
            if (niofex_of(todo[t]) == 0) {
                mnput(MnLine().a(" PARAMETER").i(todo[t], 4).a(" NOT VARIABLE.  NO MINOS ERROR."));
                continue;
            }
            newmin = !minos_one(fcn, todo[t], limit, ep[t], em[t], failed, futil);
        }
        if (newmin) {
            restart_from_lower_point(fcn, "MINOS", futil);
            continue;
        }
        mn_put(mn_eval_base);
        for (std::size_t t = 0; t < todo.size(); ++t) {
            const int i = niofex_of(todo[t]);
            if (i == 0) continue;
            mn7err.erp[i] = ep[t];
            mn7err.ern[i] = em[t];
        }
        break;
    }
    mn7tit.cfrom = "MINOS   ";
    mn7cnv.nfcnfr = nfcn0;
    mn7tit.cstatu = failed ? "FAILURE   " : "SUCCESSFUL";
    if (failed) mn7flg.isw[7] = 1;
    if (mn7flg.isw[5] >= 0) mnprin(4, mn7min.amin);
}

// Points on FCN = AMIN + UP along rays of the one-sigma ellipse of the two parameters.
void mncont(mnfcn fcn, int ke1, int ke2, int nptu, double xptu[], double yptu[], int& ierrf,
            void* futil)
{
    ierrf = -1;
    if (niofex_of(ke1) == 0 || niofex_of(ke2) == 0 || ke1 == ke2) {
        mnput(" INVALID PARAMETER NUMBERS FOR MNCONTOUR.  BOTH MUST BE VARIABLE AND DIFFERENT.");
        return;
    }
    nptu = std::clamp(nptu, 1, maxcpt);
    mncuve(fcn, "MNContour", futil);
    const int nfcn0 = mn7cnv.nfcn;
    for (int restart = 0; restart <= 5; ++restart) {
        mn_eval_base = mn_take();
        const int n = mn7npr.npar;
        std::vector<double> e(static_cast<std::size_t>(n * n));
        mnemat(e.data(), n);
        const int i1 = niofex_of(ke1), i2 = niofex_of(ke2);
        auto em = [&](int a, int b) { return e[static_cast<std::size_t>((a - 1) * n + b - 1)]; };
        // Cholesky factor of the 2 x 2 covariance: the unit circle maps onto the ellipse.
        const double l11 = std::sqrt(std::max(em(i1, i1), 0.0));
        const double l21 = l11 > 0 ? em(i2, i1) / l11 : 0.0;
        const double l22 = std::sqrt(std::max(em(i2, i2) - l21 * l21, 0.0));
        const double xm = mn7ext.u[ke1], ym = mn7ext.u[ke2];
        int found = 0;
        bool newmin = false;
        for (int p = 0; p < nptu && !newmin; ++p) {
            const double th = 2.0 * M_PI * p / nptu;
            const double dx = l11 * std::cos(th), dy = l21 * std::cos(th) + l22 * std::sin(th);
            mn7xcr = Mn7xcr{xm, ym, dx, dy, ke1, ke2};
            double amax = HUGE_VAL;
            auto bound = [&](int k, double mid, double d) {
                if (mn7inx.nvarl[k] != 4 || d == 0) return;
                amax = std::min(amax, ((d > 0 ? mn7ext.blim[k] : mn7ext.alim[k]) - mid) / d);
            };
            bound(ke1, xm, dx);
            bound(ke2, ym, dy);
            const MnCross c = mn_cross(fcn, amax, futil);
            if (c.newmin) { newmin = true; break; }
            if (!c.found) continue;
            xptu[found] = xm + c.a * dx;
            yptu[found] = ym + c.a * dy;
            ++found;
        }
        if (newmin) {
            restart_from_lower_point(fcn, "MNContour", futil);
            continue;
        }
        mn_put(mn_eval_base);
        ierrf = found;
        break;
    }
    mn7tit.cfrom = "MNContour";
    mn7cnv.nfcnfr = nfcn0;
    mn7tit.cstatu = ierrf == nptu ? "SUCCESSFUL" : "FAILURE   ";
    mninex(mn7int.x.data());
    if (ierrf < 0 || mn7flg.isw[5] < 0) return;
    mnput("");
    mnput(MnLine().a(" CONTOUR OF FCN = AMIN + UP IN PARAMETERS").i(ke1, 3).a(" (")
              .a(mn7nam.cpnam[ke1].trimmed()).a(") AND").i(ke2, 3).a(" (")
              .a(mn7nam.cpnam[ke2].trimmed()).a("),").i(ierrf, 4).a(" POINTS"));
    std::vector<double> px(static_cast<std::size_t>(ierrf) + 1), py(px.size());
    std::vector<char> ch(px.size(), '*');
    for (int p = 0; p < ierrf; ++p) {
        mnput(MnLine().i(p + 1, 6).g(xptu[p], 16, 7).g(yptu[p], 16, 7));
        px[static_cast<std::size_t>(p)] = xptu[p];
        py[static_cast<std::size_t>(p)] = yptu[p];
    }
    px[static_cast<std::size_t>(ierrf)] = mn7ext.u[ke1];
    py[static_cast<std::size_t>(ierrf)] = mn7ext.u[ke2];
    ch[static_cast<std::size_t>(ierrf)] = 'X';
    mnplot(px.data(), py.data(), ch.data(), ierrf + 1, mn7iou.npagwd, mn7iou.npagln);
}
