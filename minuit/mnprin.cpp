// mnprin.cpp -- the engine's reports: parameter table, error and correlation matrices,
// warnings. Layouts are MINUIT's; every line goes through mnput.

#include <algorithm>
#include <cmath>
#include <vector>

#include "minuit_local.h"

namespace {

void store_message(int ity, std::string_view corg, std::string_view cmes)
{
    ++mn7cnv.nwrmes[ity];
    const int ic = mn7wri.icirc[ity] % maxmes + 1;
    mn7wri.icirc[ity] = ic;
    mn7wrc.origin[ic][ity] = corg;
    mn7wrc.warmes[ic][ity] = cmes;
    mn7wri.nfcwar[ic][ity] = mn7cnv.nfcn;
}

// Right ends of the four value columns of the parameter table sit at 28, 42, 56, 70.
MnLine table_head(std::string_view lead, std::string_view c1, std::string_view c2,
                  std::string_view c3, std::string_view c4)
{
    MnLine ln;
    ln.a(lead).aw(c1, 28 - static_cast<int>(lead.size())).x(4).aw(c2, 10).x(4).aw(c3, 10)
        .x(4).aw(c4, 10);
    while (!ln.s.empty() && ln.s.back() == ' ') ln.s.pop_back();
    return ln;
}

}  // namespace

void mnwarn(std::string_view copt, std::string_view corg, std::string_view cmes)
{
    const bool warning = copt.substr(0, 1) == "W";
    const int ity = warning ? 1 : 2;
    if (warning ? mn7log.lwarn : mn7flg.idbg[0] >= 1) {
        mnput(MnLine().a(warning ? " MINUIT WARNING IN " : " MINUIT DEBUG FOR  ").a(corg));
        mnput(MnLine().a(" ============== ").a(cmes));
    }
    store_message(ity, corg, cmes);
}

// The stored warnings (ity 1) or debug messages (2), oldest first.
void mn_show_messages(int ity)
{
    const int n = std::min(mn7cnv.nwrmes[ity], maxmes);
    if (n == 0) {
        mnput(ity == 1 ? " NO WARNING MESSAGES." : " NO DEBUG MESSAGES.");
        return;
    }
    mnput(MnLine().a(ity == 1 ? " LAST" : " LAST").i(n, 3)
              .a(ity == 1 ? " WARNING MESSAGES:" : " DEBUG MESSAGES:"));
    mnput("   CALLS  ORIGIN         MESSAGE");
    for (int j = 1; j <= n; ++j) {
        const int ic = (mn7wri.icirc[ity] - n + j - 1 + maxmes) % maxmes + 1;
        mnput(MnLine().i(mn7wri.nfcwar[ic][ity], 8).x(2).a(mn7wrc.origin[ic][ity].full())
                  .x(5).a(mn7wrc.warmes[ic][ity].trimmed()));
    }
}

// inkode 0 heading only, 1 values and errors, 2 with internal step and value, 3 with step
// and first derivative, 4 with MINOS errors, 5 as 1..3 chosen by ISW(2).
void mnprin(int inkode, double fval)
{
    if (mn7npr.nu == 0) {
        mnput(" THERE ARE CURRENTLY NO PARAMETERS DEFINED");
        return;
    }
    int ikode = inkode;
    if (inkode == 5) ikode = std::min(mn7flg.isw[2] + 1, 3);
    MnLine l1;
    l1.a(" FCN=");
    if (fval == mn7cns.undefi) l1.a("       unknown");
    else l1.g(fval, 18, 10);
    l1.a(" FROM ").a(mn7tit.cfrom.full()).a("  STATUS=").a(mn7tit.cstatu.full())
        .i(mn7cnv.nfcn - mn7cnv.nfcnfr, 6).a(" CALLS").i(mn7cnv.nfcn, 9).a(" TOTAL");
    mnput("");
    mnput(l1);
    MnLine l2;
    l2.x(21).a("EDM=");
    if (mn7min.edm == mn7cns.bigedm) l2.a("  unknown ");
    else l2.e(mn7min.edm, 10, 2);
    l2.a("    STRATEGY=").i(mn7cnv.istrat, 2).x(6).a(mn7tit.covmes[std::clamp(mn7flg.isw[2], 0, 3)]
                                                  .trimmed());
    mnput(l2);
    if (ikode == 0) return;

    static constexpr std::string_view up1[5][4] = {
        {}, {"", "", "", ""}, {"", "", "INTERNAL", "INTERNAL"}, {"", "", "STEP", "FIRST"},
        {"", "PARABOLIC", "", ""}};
    static constexpr std::string_view lo1[5][4] = {
        {}, {"VALUE", "ERROR", "", ""}, {"VALUE", "ERROR", "STEP SIZE", "VALUE"},
        {"VALUE", "ERROR", "SIZE", "DERIVATIVE"}, {"VALUE", "ERROR", "NEGATIVE", "POSITIVE"}};
    MnLine h1 = table_head("  EXT PARAMETER ", up1[ikode][0], up1[ikode][1], up1[ikode][2],
                           up1[ikode][3]);
    if (ikode == 4) h1.x(11).a("MINOS ERRORS");  // over both MINOS columns
    mnput(h1);
    mnput(table_head("  NO.   NAME", lo1[ikode][0], lo1[ikode][1], lo1[ikode][2],
                     lo1[ikode][3]));
    for (int k = 1; k <= mn7npr.nu; ++k) {
        if (mn7inx.nvarl[k] < 0) continue;
        MnLine ln;
        ln.i(k, 4).x(2).a(mn7nam.cpnam[k].full()).x(2).g(mn7ext.u[k], 14, 6);
        const int i = mn7inx.niofex[k];
        if (i == 0) {
            ln.a(mn7inx.nvarl[k] == 0 ? "     constant" : "        fixed");
        } else {
            ln.g(mn7err.werr[i], 14, 5);
            if (ikode == 2) ln.g(mn7int.dirin[i], 14, 5).g(mn7int.x[i], 14, 5);
            if (ikode == 3) ln.g(mn7int.dirin[i], 14, 5).g(mn7der.grd[i], 14, 5);
            if (ikode == 4) {
                if (mn7err.ern[i] != 0) ln.g(mn7err.ern[i], 14, 5); else ln.x(14);
                if (mn7err.erp[i] != 0) ln.g(mn7err.erp[i], 14, 5);
            }
        }
        while (!ln.s.empty() && ln.s.back() == ' ') ln.s.pop_back();
        mnput(ln);
    }
    if (mn7min.up != mn7cns.updflt)
        mnput(MnLine().x(31).a("ERR DEF=").g(mn7min.up, 10, 4));
}

// kode 1: the external error matrix, then (always) the global and individual correlations.
void mnmatu(int kode)
{
    const int npar = mn7npr.npar;
    if (mn7flg.isw[2] < 1) {
        mnput(MnLine().x(1).a(mn7tit.covmes[std::max(mn7flg.isw[2], 0)].trimmed()));
        return;
    }
    if (npar == 0) {
        mnput(" MNMATU: NPAR=0");
        return;
    }
    std::vector<double> e(static_cast<std::size_t>(npar * npar));
    mnemat(e.data(), npar);
    auto at = [&](int i, int j) { return e[static_cast<std::size_t>((i - 1) * npar + j - 1)]; };
    constexpr int per_line = 10;
    if (kode == 1) {
        mnput("");
        mnput(MnLine().a(" EXTERNAL ERROR MATRIX.    NDIM=").i(mne, 4).a("    NPAR=").i(npar, 3)
                  .a("    ERR DEF=").g(mn7min.up, 10, 3));
        for (int i = 1; i <= npar; ++i) {
            MnLine ln;
            ln.x(1);
            for (int j = 1; j <= npar; ++j) {
                ln.x(1).e(at(i, j), 10, 3);
                if (j % per_line == 0 && j < npar) { mnput(ln); ln = MnLine(); ln.x(1); }
            }
            mnput(ln);
        }
    }
    mnput(" PARAMETER  CORRELATION COEFFICIENTS");
    MnLine h;
    h.a("       NO.  GLOBAL ");
    for (int j = 1; j <= npar; ++j) h.i(mn7inx.nexofi[j], 8);
    mnput(h);
    for (int i = 1; i <= npar; ++i) {
        MnLine ln;
        ln.x(6).i(mn7inx.nexofi[i], 4).x(2).f(mn7err.globcc[i], 7, 5);
        for (int j = 1; j <= npar; ++j) {
            const double d = at(i, i) * at(j, j);
            ln.x(1).f(d > 0 ? at(i, j) / std::sqrt(d) : 0.0, 7, 3);
            if (j % per_line == 0 && j < npar) { mnput(ln); ln = MnLine(); ln.x(19); }
        }
        mnput(ln);
    }
}
