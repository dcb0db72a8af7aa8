// minstatus.cpp -- MINUIT's state copied into the best-fit table after every command,
// and the short parameter table of the screen.

#include "minstatus.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "ask.h"
#include "fit_records.h"
#include "fit_theory.h"
#include "minuit.h"

namespace {

std::string_view cut(const FText<32>& t) { return t.trimmed(); }

}  // namespace

void minstatus(int lun)
{
    Bestfit& b = bestfit;
    mnstat(b.fmin, b.fedm, b.errdef, b.npari, b.nparx, b.istat);
    // MINUIT forgets its minimum after PLot, CHange and a redefined parameter and reports 0;
    // the chi-square at its current values, when the objective function has computed it,
    // is what the fit shows instead.
    if (b.fmin == 0 && b.istat == 0) dirade_chisq_at(mn7ext.u.data(), b.nparx, b.fmin);
    const double reduced = b.fmin / std::max(b.ndata - b.npari, 1);
    const bool print = lun >= 1;
    if (print) {
        const FText<32> chi = dbltoch_v(b.fmin, 8, 6), red = dbltoch_v(reduced, 8, 6),
                        edm = dbltoch_v(b.fedm, 8, 5);
        fio_write(lun,
                  "(' Chi Squared = ',A,'  Reduced = ',A,'  EDM = ',A,/,4X,"
                  "'Name         Value       Error    ',' PosError  NegError  Lower  Upper  gCC')",
                  {cut(chi), cut(red), cut(edm)});
    }
    for (int i = 1; i <= std::min(b.nparx, max_minuit_par); ++i) {
        std::string name;
        double value = 0, error = 0, lower = 0, upper = 0;
        int internal = 0;
        mnpout(i, name, value, error, lower, upper, internal);
        if (internal < 0) continue;
        const bool variable = internal > 0;
        b.xname(i) = name;
        b.xbest(i) = value;
        b.xerr(i) = error;
        if (variable) {
            b.xllim(i) = lower;
            b.xulim(i) = upper;
        }
        double plus = 0, minus = 0, parabolic = 0, gcc = 0;
        mnerrs(i, plus, minus, parabolic, gcc);
        if (error != 0) b.xerr(i) = std::max(error, parabolic);
        b.xerrp(i) = plus;
        b.xerrm(i) = std::fabs(minus);
        b.xgcc(i) = gcc;
        if (!print) continue;

        FText<32> tv = dbltoch_f(value, 12, 7), te, tp, tm, tl, tu, tg;
        if (variable) {
            te = dbltoch_f(b.xerr(i), 9, 6);
            if (plus != 0) tp = dbltoch_f(b.xerrp(i), 9, 6);
            if (minus != 0) tm = dbltoch_f(b.xerrm(i), 9, 6);
            if (lower != 0 || upper != 0) {
                tl = dbltoch_v(lower, 6, 4);
                tu = dbltoch_v(upper, 6, 4);
            }
            if (gcc != 0) tg = dbltoch_v(gcc, 6, 4);
        }
        fio_write(lun, "(1X,I2,1X,A,A13,A10,1X,2A10,1X,2A7,A7)",
                  {i, FText<10>(name), tv.full(), te.full(), tp.full(), tm.full(), tl.full(),
                   tu.full(), tg.full()});
    }
}
