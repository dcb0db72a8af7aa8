// dirade.cpp -- objective function: chi-square of all fitted spectra for MINUIT, with the
// hourly status file, the one-time hint, replotting and the hand-over to reports and dialogs.
#include "dirade.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "ask.h"
#include "fio.h"
#include "fit_records.h"
#include "minstatus.h"
#include "minuit.h"
#include "setup.h"
#include "vmath.h"
#include "vul_ini.h"
#include "vul_map.h"
#include "vul_plt.h"
#include "vul_prt.h"
#include "vul_th.h"
#include "workers.h"

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

// ---- the chi-square pass ----------------------------------------------------------------
//
// A spectrum of up to `chunk` fitted bins is one job, summed as the chi-square is defined:
// the residuals squared in extended precision, added one by one in bin order, rounded to
// double after each addition; its fit is the same to the last bit as it always was. The bins
// of a longer spectrum are cut into jobs at whole multiples of `chunk` bins from its bin 1,
// each summed in double: eight interleaved sums per block of bins, the blocks' sums added
// with a running compensation, and the jobs' sums likewise; this stays within 1e-14 or so of
// the defined sum at a fraction of its cost. A job also writes the theory of its bins. The
// jobs may run on several threads, but the cuts, the order of every sum and the order in
// which the jobs' sums are added do not depend on how many, so neither does the result.

constexpr int chunk = 1024;                  // bins per job, a multiple of the theory's blocks
constexpr long min_bins_per_thread = 8192;  // below this a thread costs more than it saves

struct Job {
    int spec = 0;          // fitted spectrum
    int ib1 = 0, ib2 = 0;  // its theory bins
    int chi_last = 0;      // last bin that enters the sum
    bool defined = false;  // the whole spectrum: the sum as defined
    double sum = 0;        // the job's result
};
std::vector<Job> jobs;  // of the current pass; keeps its size between calls

// Adds x to the compensated sum (s, c).
inline void add_comp(double& s, double& c, double x)
{
    const double t = s + x;
    c += (std::fabs(s) >= std::fabs(x)) ? (s - t) + x : (x - t) + s;
    s = t;
}

// What one job's blocks add up.
struct JobSum {
    const float* th;  // th[ib], b[ib], e[ib]: bin ib of the spectrum
    const float* b;
    const float* e;
    int chi_last;
    double s = 0, c = 0;
};

// Sum of ((th - b) / e)^2 over m bins, in eight interleaved running sums.
inline __attribute__((always_inline)) double block_chisq(const float* th, const float* b,
                                                         const float* e, int m)
{
    double acc[8] = {};
    int i = 0;
    for (; i + 8 <= m; i += 8)
        for (int j = 0; j < 8; ++j) {
            const double r = (double(th[i + j]) - double(b[i + j])) / double(e[i + j]);
            acc[j] += r * r;
        }
    for (int j = 0; i + j < m; ++j) {
        const double r = (double(th[i + j]) - double(b[i + j])) / double(e[i + j]);
        acc[j] += r * r;
    }
    return ((acc[0] + acc[4]) + (acc[1] + acc[5])) + ((acc[2] + acc[6]) + (acc[3] + acc[7]));
}

inline __attribute__((always_inline)) void sum_block(void* ctx, int ib, int n)
{
    JobSum& js = *static_cast<JobSum*>(ctx);
    const int m = std::min(n, js.chi_last - ib + 1);
    if (m > 0) add_comp(js.s, js.c, block_chisq(js.th + ib, js.b + ib, js.e + ib, m));
}

VM_WIDE_TARGET void sum_block_wide(void* ctx, int ib, int n) { sum_block(ctx, ib, n); }
void sum_block_base(void* ctx, int ib, int n) { sum_block(ctx, ib, n); }

void sum_block_defined(void* ctx, int ib, int n)
{
    JobSum& js = *static_cast<JobSum*>(ctx);
    for (int k = ib; k < ib + n && k <= js.chi_last; ++k) {
        const long double r = (static_cast<long double>(js.th[k]) - js.b[k]) / js.e[k];
        js.s = static_cast<double>(js.s + r * r);
    }
}

void run_job(void*, int i)
{
    Job& jb = jobs[static_cast<std::size_t>(i)];
    const int off = i_fit_ctl.i_loc_0(jb.spec - 1);
    JobSum js{fitdata.bin_th_data() + off - 1, fitdata.bin_data() + off - 1,
              fitdata.err_data() + off - 1, jb.chi_last};
    const VulThAfter sum = jb.defined ? sum_block_defined : vm_wide() ? sum_block_wide : sum_block_base;
    vul_th_range(jb.spec, jb.ib1, jb.ib2, sum, &js);
    jb.sum = js.s + js.c;
}

// Cuts spectrum j's theory bins into jobs; returns their bin count.
long add_jobs(int j)
{
    const int off = i_fit_ctl.i_loc_0(j - 1);
    const int first = std::max(fitbins.jj_bin(1, j), 1);
    const int last = std::min(fitbins.jj_bin(2, j), max_theory_points - off);
    const int chi_last = std::min(fitbins.jj_bin(2, j), max_fit_points - off);
    if (last < first) return 0;
    if (last - first < chunk) {
        jobs.push_back(Job{j, first, last, chi_last, true, 0});
    } else {
        for (int ib = first; ib <= last;) {
            const int end = std::min(last, (ib - 1) / chunk * chunk + chunk);
            jobs.push_back(Job{j, ib, end, chi_last, false, 0});
            ib = end + 1;
        }
    }
    return long(last) - first + 1;
}

}  // namespace

float dirade_cpu_seconds()
{
    return static_cast<float>(std::clock()) / CLOCKS_PER_SEC;
}

double dirade_chisq(const double* x)
{
    vul_premap(x);
    jobs.clear();
    long bins = 0;
    for (int j = 1; j <= used_spectra(); ++j) {
        bestfit.fbest_sp(j) = 0;
        vul_map(j, x);
        vul_th_prepare(j);
        bins += add_jobs(j);
    }
    const long fit = std::max(1L, bins / min_bins_per_thread);
    const int threads = int(std::min<long>(workers_available(), fit));
    workers_run(int(jobs.size()), threads, run_job, nullptr);

    double f = 0;
    std::size_t k = 0;
    for (int j = 1; j <= used_spectra(); ++j) {
        double s = 0, c = 0;
        for (; k < jobs.size() && jobs[k].spec == j; ++k) add_comp(s, c, jobs[k].sum);
        s += c;
        s = (s <= chisq_cap) ? s : chisq_cap;  // also a not-a-number sum
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
