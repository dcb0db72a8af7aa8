// mnsimp.cpp -- SIMPLEX: the downhill simplex method of Nelder and Mead in internal
// coordinates, stopped when the spread of the simplex falls below the tolerance.

#include <algorithm>
#include <cmath>
#include <vector>

#include "minuit_local.h"

void mnsimp(mnfcn fcn, void* futil)
{
    const int n = mn7npr.npar;
    if (n < 1) return;
    if (mn7min.amin == mn7cns.undefi) mnamin(fcn, futil);
    const auto x0 = mn7int.x;
    mn7tit.cfrom = "SIMPLEX ";
    mn7cnv.nfcnfr = mn7cnv.nfcn;
    mn7tit.cstatu = "INITIATE  ";
    const int nfcn0 = mn7cnv.nfcn;
    const double target = mn7min.epsi;   // SIMPLEX [maxcalls] [tolerance]: EDM below tolerance x UP
    if (mn7flg.isw[5] >= 1)
        mnput(MnLine().a(" START SIMPLEX MINIMIZATION.    CONVERGENCE WHEN EDM .LT.")
                  .e(target, 10, 2));
    constexpr double alpha = 1.0, beta = 0.5, gamma = 2.0;
    using Pt = std::vector<double>;               // 1-based internal point
    std::vector<Pt> p(static_cast<std::size_t>(n) + 1, Pt(static_cast<std::size_t>(n) + 1));
    std::vector<double> y(static_cast<std::size_t>(n) + 1);
    auto f_at = [&](const Pt& q) { return mn_fcn_at(fcn, q.data(), futil); };

    // Start: the present point and one vertex per parameter, a parabolic error away on the
    // side where FCN is lower.
    for (int i = 1; i <= n; ++i) p[0][static_cast<std::size_t>(i)] = mn7int.x[i];
    y[0] = mn7min.amin;
    for (int k = 1; k <= n; ++k) {
        double dxdi = 1;
        mndxdi(mn7int.x[k], k, dxdi);
        double d = (dxdi > 0 && mn7err.werr[k] > 0) ? mn7err.werr[k] / dxdi : mn7int.dirin[k];
        if (!(std::fabs(d) > 0)) d = 0.1;
        if (mn7inx.nvarl[mn7inx.nexofi[k]] == 4) d = std::min(std::fabs(d), 1.0);
        Pt q = p[0];
        q[static_cast<std::size_t>(k)] += d;
        double fq = f_at(q);
        if (!(fq < y[0])) {
            Pt r = p[0];
            r[static_cast<std::size_t>(k)] -= d;
            const double fr = f_at(r);
            if (fr < fq || std::isnan(fq)) { q = r; fq = fr; }
        }
        p[static_cast<std::size_t>(k)] = q;
        y[static_cast<std::size_t>(k)] = std::isnan(fq) ? HUGE_VAL : fq;
    }
    bool converged = false;
    double edm = mn7cns.bigedm;
    Pt pbar(static_cast<std::size_t>(n) + 1), pstar = pbar, pstst = pbar;
    while (true) {
        int jl = 0, jh = 0;
        for (int j = 1; j <= n; ++j) {
            if (y[static_cast<std::size_t>(j)] < y[static_cast<std::size_t>(jl)]) jl = j;
            if (y[static_cast<std::size_t>(j)] > y[static_cast<std::size_t>(jh)]) jh = j;
        }
        int jh2 = jl;
        for (int j = 0; j <= n; ++j)
            if (j != jh && y[static_cast<std::size_t>(j)] > y[static_cast<std::size_t>(jh2)]) jh2 = j;
        const auto uh = static_cast<std::size_t>(jh), ul = static_cast<std::size_t>(jl);
        edm = y[uh] - y[ul];
        if (edm < target) { converged = true; break; }
        if (mn7cnv.nfcn - nfcn0 >= mn7cnv.nfcnmx) break;
        for (int i = 1; i <= n; ++i) {
            double s = 0;
            for (int j = 0; j <= n; ++j)
                if (j != jh) s += p[static_cast<std::size_t>(j)][static_cast<std::size_t>(i)];
            pbar[static_cast<std::size_t>(i)] = s / n;
        }
        for (int i = 1; i <= n; ++i) {
            const auto ui = static_cast<std::size_t>(i);
            pstar[ui] = (1 + alpha) * pbar[ui] - alpha * p[uh][ui];
        }
        const double ystar = f_at(pstar);
        if (ystar < y[ul]) {
            for (int i = 1; i <= n; ++i) {
                const auto ui = static_cast<std::size_t>(i);
                pstst[ui] = gamma * pstar[ui] + (1 - gamma) * pbar[ui];
            }
            const double ystst = f_at(pstst);
            if (ystst < ystar) { p[uh] = pstst; y[uh] = ystst; }
            else { p[uh] = pstar; y[uh] = ystar; }
            continue;
        }
        if (ystar < y[static_cast<std::size_t>(jh2)]) { p[uh] = pstar; y[uh] = ystar; continue; }
        if (ystar < y[uh]) { p[uh] = pstar; y[uh] = ystar; }
        for (int i = 1; i <= n; ++i) {
            const auto ui = static_cast<std::size_t>(i);
            pstst[ui] = beta * p[uh][ui] + (1 - beta) * pbar[ui];
        }
        const double ystst = f_at(pstst);
        if (ystst < y[uh]) { p[uh] = pstst; y[uh] = ystst; continue; }
        // Nothing better on the line: shrink towards the best vertex.
        for (int j = 0; j <= n; ++j) {
            if (j == jl) continue;
            const auto uj = static_cast<std::size_t>(j);
            for (int i = 1; i <= n; ++i) {
                const auto ui = static_cast<std::size_t>(i);
                p[uj][ui] = 0.5 * (p[uj][ui] + p[ul][ui]);
            }
            const double fj = f_at(p[uj]);
            y[uj] = std::isnan(fj) ? HUGE_VAL : fj;
        }
    }
    int jl = 0;
    for (int j = 1; j <= n; ++j)
        if (y[static_cast<std::size_t>(j)] < y[static_cast<std::size_t>(jl)]) jl = j;
    for (int i = 1; i <= n; ++i) mn7int.x[i] = p[static_cast<std::size_t>(jl)][static_cast<std::size_t>(i)];
    mn7min.amin = y[static_cast<std::size_t>(jl)];
    mn7min.edm = edm;
    mninex(mn7int.x.data());
    if (converged) {
        if (mn7flg.isw[5] >= 0) mnput(" SIMPLEX MINIMIZATION HAS CONVERGED.");
        mn7tit.cstatu = "CONVERGED ";
        mn7flg.isw[4] = 1;
    } else {
        if (mn7flg.isw[5] >= 0) mnput(" SIMPLEX TERMINATES WITHOUT CONVERGENCE.");
        mn7tit.cstatu = "CALL LIMIT";
        mn7flg.isw[1] = 1;
        mn7flg.isw[4] = -1;
    }
    if (mn7int.x != x0) mn_drop_minos();   // another point, another minimum
    if (mn7flg.isw[5] >= 0) mnprin(5, mn7min.amin);
}
