// dirade.cpp -- objective function: chi-square of all fitted spectra for MINUIT, with the
// hourly status file, the one-time hint, replotting and the hand-over to reports and dialogs.
#include "dirade.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <ctime>
#include <string>

#include "ask.h"
#include "fio.h"
#include "fit_records.h"
#include "minuit.h"
#include "vul_map.h"
#include "vul_th.h"

namespace {

constexpr int lun_status = 3;
constexpr double chisq_cap = 1e33;  // one spectrum's share, so one bad spectrum stays finite

void status_file_failed(int err)
{
    fio_write(fio_stdout, "(' DIRADE: cannot write the status file FIT.T (',A,')')",
              {std::strerror(err)});
}

// Rewrites "FIT.T" (whole, or the old one stays) with the hours so far, the best chi-square
// and the parameter cards.
void write_status_file(float hours)
{
    if (const int err = fio_open_whole(lun_status, "FIT.T"); err != 0) {
        status_file_failed(err);
        return;
    }
    constexpr std::string_view head =
        "(' KAVRIN status report after',F7.2,' hours:',/,/,/,' Chi Squared =',G15.7,'  for',/)";
    fio_write(lun_status, head, {hours, bestfit.fmin});
    for (int j = 1; j <= used_parlines(); ++j) {
        const int p = bestfit.xparn(j);
        if (p < 1 || p > max_minuit_par) continue;
        const double step = std::max({std::fabs(bestfit.xerr(p)), std::fabs(bestfit.xerrp(p)),
                                      std::fabs(bestfit.xerrm(p))});
        std::string name;
        double val = 0, err = 0, lo = 0, hi = 0;
        int iuint = 0;
        mnpout(p, name, val, err, lo, hi, iuint);
        mnformat(lun_status, p, name, bestfit.xbest(p), step, lo, hi, " ");
    }
    if (const int err = fio_commit(lun_status); err != 0) status_file_failed(err);
}

// Steps before the chi-square: status clock, first-call hint, gradient, replotting.
void before_chisq(int npar, double* grad, const double* x, int flag)
{
    DiradeKeep& k = dirade_keep;
    const float hours_now = dirade_clock() / 3600.0f;
    if (k.hours_last > 0 && hours_now - k.hours_last > 1) {
        k.hours_acc += hours_now - k.hours_last;
        write_status_file(k.hours_acc);
        k.hours_last = hours_now;
    }
    if (k.first_call) {
        k.hours_last = hours_now;
        k.first_call = false;
        if (online) fio_write(fio_stdout, "(10X,'Enter MINUIT Commands (use readahead if needed):')");
    }
    // Every defined parameter number, not only the accepted lines' count: numbers may skip.
    if (flag == 2 && grad != nullptr)
        for (int p = 1; p <= std::min(bestfit.nparx, max_minuit_par); ++p) grad[p] = 0;
    if (replot.on && replot.done < replot.maxcount) {
        if (++replot.calls >= replot.interval) {
            vul_plt(-npar, x);
            ++replot.done;
            replot.calls = 0;
        }
    }
}

// The last chi-square and the parameter values it was computed at (MINUIT's own U).
struct LastChisq {
    bool known = false;  // none yet in this set-up
    double f = 0;
    std::array<double, max_minuit_par + 1> x{};  // [p] parameter p
};
LastChisq last_chisq;

void note_chisq(const double* x, double f)
{
    LastChisq& l = last_chisq;
    std::copy_n(x, l.x.size(), l.x.begin());  // x is MINUIT's U, one value per number
    l.f = f;
    l.known = true;
}

// Sum of the squared normalised residuals of fitted spectrum j over its fitted bins.
double spectrum_chisq(int j)
{
    const int off = i_fit_ctl.i_loc_0(j - 1);
    const int first = std::max(fitbins.jj_bin(1, j), 1);
    const int last = std::min(fitbins.jj_bin(2, j), max_fit_points - off);
    const float* th = fitdata.bin_th_data() + off - 1;  // th[ib] is bin_th(off + ib)
    const float* b = fitdata.bin_data() + off - 1;
    const float* e = fitdata.err_data() + off - 1;
    double s = 0;
    for (int ib = first; ib <= last; ++ib) {
        const long double r = (static_cast<long double>(th[ib]) - b[ib]) / e[ib];
        s = static_cast<double>(s + r * r);
    }
    return (s <= chisq_cap) ? s : chisq_cap;  // also a not-a-number sum
}

}  // namespace

float dirade_cpu_seconds()
{
    return static_cast<float>(std::clock()) / CLOCKS_PER_SEC;
}

double dirade_chisq(const double* x)
{
    double f = 0;
    vul_premap(x);
    for (int j = 1; j <= used_spectra(); ++j) {
        bestfit.fbest_sp(j) = 0;
        vul_map(j, x);
        vul_th(j, fitbins.jj_bin(1, j), fitbins.jj_bin(2, j));
        const double s = spectrum_chisq(j);
        f += s;
        bestfit.fbest_sp(j) = s;
    }
    if (bestfit.fmin <= 0) bestfit.fmin = f;  // MINUIT had no minimum at the last look
    note_chisq(x, f);
    return f;
}

bool dirade_chisq_at(const double* x, int n, double& f)
{
    const LastChisq& l = last_chisq;
    if (!l.known || n > max_minuit_par) return false;
    for (int p = 1; p <= n; ++p)
        if (l.x[static_cast<std::size_t>(p)] != x[p]) return false;
    f = l.f;
    return true;
}

void dirade(int npar, double* grad, double& f, double* x, int flag, void*)
{
    if (flag <= 1) {
        last_chisq.known = false;  // other spectra, other model
        if (!dirade_setup(npar, x)) return;
    }
    before_chisq(npar, grad, x, flag);
    f = dirade_chisq(x);
    switch (flag) {
    case 3:
        minstatus(0);
        vul_prt(1, npar, x);
        if (online) {
            const FText<80> old = filenames.nameout;
            creplace("Answer file is?", old.trimmed(), filenames.nameout.span());
        }
        vul_ini();
        if (online && ask_if("Want one last chance to Plot?")) vul_prt(2, npar, x);
        break;
    case 5:
        if (online) vul_prt(2, npar, x);
        break;
    case 6:
        if (online) vul_prt(3, npar, x);
        break;
    case 7:
        if (online) vul_prt(4, npar, x);
        break;
    default:
        break;
    }
}
