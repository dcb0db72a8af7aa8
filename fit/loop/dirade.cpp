// dirade.cpp -- objective function: the chi-square of all fitted spectra for MINUIT, with the
// hourly status file, the one-time hint, replotting and the hand-over to reports and dialogs.
#include "dirade.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <ctime>
#include <string>

#include "ask.h"
#include "fio.h"
#include "fit_records.h"
#include "fit_reports.h"
#include "fit_setup.h"
#include "fit_theory.h"
#include "minuit.h"

namespace {

constexpr int lun_status = 3;

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
    if (flag == mn_flag_gradient && grad != nullptr)
        for (int p = 1; p <= std::min(bestfit.nparx, max_minuit_par); ++p) grad[p] = 0;
    if (replot.on && replot.done < replot.maxcount) {
        if (++replot.calls >= replot.interval) {
            vul_plt(-npar, x);
            ++replot.done;
            replot.calls = 0;
        }
    }
}

}  // namespace

float dirade_cpu_seconds()
{
    return static_cast<float>(std::clock()) / CLOCKS_PER_SEC;
}

void dirade(int npar, double* grad, double& f, double* x, int flag, void*)
{
    if (flag <= mn_flag_setup) {
        dirade_chisq_forget();  // other spectra, other model
        if (!dirade_setup(npar, x)) return;
    }
    before_chisq(npar, grad, x, flag);
    f = dirade_chisq(x);
    switch (flag) {
    case mn_flag_final:
        minstatus(0);
        vul_prt(prt_results, npar, x);
        if (online) {
            const FText<80> old = filenames.nameout;
            creplace("Answer file is?", old.trimmed(), filenames.nameout.span());
        }
        vul_ini();
        if (online && ask_if("Want one last chance to Plot?")) vul_prt(prt_status, npar, x);
        break;
    case flag_peek:
        if (online) vul_prt(prt_status, npar, x);
        break;
    case flag_change:
        if (online) vul_prt(prt_change, npar, x);
        break;
    case flag_plot:
        if (online) vul_prt(prt_plot, npar, x);
        break;
    default:
        break;
    }
}
