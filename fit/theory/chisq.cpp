// chisq.cpp -- the chi-square of every fitted spectrum against its theory, the pass that
// the objective function, the results dialogs and the fit status all take it from.
#include "chisq.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include "fit_records.h"
#include "vmath.h"
#include "vul_map.h"
#include "vul_th.h"
#include "workers.h"

namespace {

constexpr double chisq_cap = 1e33;  // one spectrum's share, so one bad spectrum stays finite

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

void dirade_chisq_forget() { last_chisq.known = false; }
