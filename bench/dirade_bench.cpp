// dirade_bench.cpp -- nanoseconds per fitted bin of one flag-4 evaluation of the objective
// function, for three typical set-ups, on one thread and on all, beside a bare scalar loop
// of A exp(-l t) cos(w t + p) chi-square measured in the same run. Run it on an optimised
// build; on a busy machine compare the ratios, and take the best of several rounds. The
// one-thread figures and the bare loop are the thread's processor time, which other work on
// the machine disturbs least; the all-thread figures are wall time.
//
//   build/release/bench/dirade_bench [rounds] [seconds per measurement] [cases, e.g. ac] [sse2]
//
// sse2 runs the kernels a processor without AVX2 would run. Cases d and e (16 raw spectra of
// 1024 and of 16384 bins) are timed on the wall clock at 1, 2, 4 and 8 threads instead: the
// cost of the threads themselves.
#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <string>
#include <vector>

#include "fit_loop.h"
#include "fit_records.h"
#include "fit_theory.h"

namespace {

using Slots = std::array<int, n_slots>;
std::array<double, max_minuit_par + 1> x{};
std::array<double, max_minuit_par + 1> grad{};
double seconds_each = 0.25;

void par(int p, double v)
{
    x[p] = v;
    bestfit.xparn(++bestfit.nxpar) = p;
    bestfit.nparx = std::max(bestfit.nparx, p);
}

void spectrum(int type, int n, float tbin, const Slots& slots)
{
    const int j = ++i_fit_ctl.nspec;
    i_fit_ctl.i_fit(ifit_type, j) = type;
    i_fit_ctl.i_fit(ifit_nbins, j) = n;
    i_fit_ctl.i_loc_0(j) = i_fit_ctl.i_loc_0(j - 1) + n;
    r_fit_ctl.r_fit(rfit_t1, j) = 0.5f * tbin;
    r_fit_ctl.r_fit(rfit_tbin, j) = tbin;
    fitbins.jj_bin(1, j) = 1;
    fitbins.jj_bin(2, j) = n;
    std::copy(slots.begin(), slots.end(), fitpar.ifitsp.col(j));
    for (int k = 1; k <= n; ++k) {  // data near the theory's scale, errors never 0
        const int at = i_fit_ctl.i_loc_0(j - 1) + k;
        fitdata.bin(at) = type == 0 ? 1000.0f * std::exp(-float(k) * tbin / 2.2f) : 0.1f;
        fitdata.err(at) = type == 0 ? std::sqrt(fitdata.bin(at)) + 1 : 0.02f;
    }
}

void signal(const Slots& slots)
{
    std::copy(slots.begin(), slots.end(), fitpar.ifitsg.col(++fitpar.nsig));
}

void fresh()
{
    fit_records_new_setup();
    fitpar.ifitsp.fill(0);
    fitpar.ifitsg.fill(0);
    bestfit.nxpar = 0;
    bestfit.nparx = 0;
    bestfit.fmin = 1e20;
}

double thread_seconds()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + 1e-9 * double(ts.tv_nsec);
}

double wall_seconds()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// Nanoseconds per bin of fn(), called until `seconds_each` have passed on the clock.
double ns_per_bin(long bins, const std::function<void()>& fn, double (*clock)())
{
    fn();  // warm up
    int reps = 0;
    const double t0 = clock();
    double elapsed = 0;
    do {
        fn();
        ++reps;
        elapsed = clock() - t0;
    } while (elapsed < seconds_each);
    return elapsed * 1e9 / (double(reps) * double(bins));
}

// ---- the bare loop ---------------------------------------------------------------------

constexpr int bare_bins = 16384;
std::vector<double> bare_t, bare_d, bare_e;
double bare_sink = 0;

void bare_setup()
{
    for (int k = 0; k < bare_bins; ++k) {
        const double t = 0.00125 * (k + 0.5);
        bare_t.push_back(t);
        bare_d.push_back(0.23 * std::exp(-0.6 * t) * std::cos(45.9 * t + 0.35) + 0.001 * (k % 7));
        bare_e.push_back(0.01 + 0.001 * (k % 3));
    }
}

// One chi-square of the scalar model over the bare loop's bins; the parameters move a
// little every call, as MINUIT's do.
void bare_once()
{
    static double a = 0.23;
    a += 1e-12;
    const double l = 0.6, w = 45.9, p = 0.35;
    double s = 0;
    for (int k = 0; k < bare_bins; ++k) {
        const double t = bare_t[std::size_t(k)];
        const double r = (a * std::exp(-l * t) * std::cos(w * t + p) - bare_d[std::size_t(k)]) /
                         bare_e[std::size_t(k)];
        s += r * r;
    }
    bare_sink += s;
}

// ---- the cases ---------------------------------------------------------------------------

// (a) 4 two-histogram asymmetry spectra of 2048 bins: Gaussian-damped cosine plus an
// exponential background term; alpha free.
void case_a()
{
    fresh();
    par(1, 10.0);  // phase
    par(2, 0.2);   // asymmetry
    par(3, 13.5);  // frequency
    par(4, 0.4);   // Gaussian width
    par(5, 0.05);  // background asymmetry
    par(6, 0.1);   // its rate
    par(7, 1.02);  // alpha
    signal({1, 2, 3, -4, 0});
    signal({0, 5, 0, 6, 0});
    for (int j = 0; j < 4; ++j) spectrum(2, 2048, 0.005f, {7});
}

// (b) 2 spectra of 8192 bins, dynamic Kubo-Toyabe in a longitudinal field (gzz).
void case_b()
{
    fresh();
    par(1, 1.0);   // phase slot, positive: analytic form
    par(2, 0.22);  // asymmetry
    par(3, 0.5);   // longitudinal field, MHz
    par(4, 0.35);  // width
    par(5, 0.8);   // hop rate
    signal({1, 2, -3, -4, 5});
    for (int j = 0; j < 2; ++j) spectrum(2, 8192, 0.0025f, {});
}

// (c) 8 raw spectra of 16384 bins, exponential-damped cosine.
void case_c()
{
    fresh();
    par(1, 5.0);   // norm, counts per ns
    par(2, 0.02);  // background
    par(3, 20.0);  // phase
    par(4, 0.23);  // asymmetry
    par(5, 7.3);   // frequency
    par(6, 0.6);   // rate
    signal({3, 4, 5, 6, 0});
    for (int j = 0; j < 8; ++j) spectrum(0, 16384, 0.00125f, {1, 2});
}

// (d) and (e): 16 raw spectra of `n` bins, exponential-damped cosine, as the whole-fit bench.
void raw16(int n)
{
    fresh();
    par(1, 5.0);
    par(2, 0.02);
    par(3, 20.0);
    par(4, 0.16);
    par(5, 7.3);
    par(6, 0.45);
    signal({3, 4, 5, 6, 0});
    for (int j = 0; j < 16; ++j) spectrum(0, n, 0.00125f, {1, 2});
}
void case_d() { raw16(1024); }
void case_e() { raw16(16384); }

constexpr std::array<int, 4> thread_counts{1, 2, 4, 8};

struct Case {
    const char* name;
    void (*setup)();
    std::vector<double> one, all;  // ns/bin per round
    std::array<std::vector<double>, thread_counts.size()> by_threads{};  // (d), (e)
    double rel = 0;                // chi-square against the literal sum
    double chi2 = 0;
};

long fitted_bins()
{
    long bins = 0;
    for (int j = 1; j <= i_fit_ctl.nspec; ++j) bins += fitbins.jj_bin(2, j) - fitbins.jj_bin(1, j) + 1;
    return bins;
}

// The chi-square as it is defined: each spectrum's residuals squared in extended
// precision, added one by one in bin order, rounded to double after each addition.
double literal_chisq()
{
    double f = 0;
    for (int j = 1; j <= i_fit_ctl.nspec; ++j) {
        double s = 0;
        for (int ib = fitbins.jj_bin(1, j); ib <= fitbins.jj_bin(2, j); ++ib) {
            const int k = i_fit_ctl.i_loc_0(j - 1) + ib;
            const long double r =
                (static_cast<long double>(fitdata.bin_th(k)) - fitdata.bin(k)) / fitdata.err(k);
            s = static_cast<double>(s + r * r);
        }
        f += s;
    }
    return f;
}

double one_call()
{
    x[1] += 1e-9;  // a new point each time, as MINUIT asks
    double f = 0;
    dirade(4, grad.data(), f, x.data(), 4, nullptr);
    return f;
}

double best(const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); }
double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv)
{
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    if (argc > 2) seconds_each = std::max(0.01, std::atof(argv[2]));
    const std::string which = argc > 3 ? argv[3] : "abc";
    if (argc > 4 && std::string(argv[4]) == "sse2") vm_select(false);
    bare_setup();
    std::array<Case, 3> cases{{{"(a) 4 x 2048 asymmetry, Gaussian cos + exponential", case_a, {}, {}},
                               {"(b) 2 x 8192 asymmetry, gzz in longitudinal field", case_b, {}, {}},
                               {"(c) 8 x 16384 raw, exponential-damped cosine", case_c, {}, {}}}};
    std::array<Case, 2> scaled{{{"(d) 16 x 1024 raw, exponential-damped cosine", case_d, {}, {}},
                                {"(e) 16 x 16384 raw, exponential-damped cosine", case_e, {}, {}}}};
    std::vector<double> bare;
    const int all = workers_available();
    for (int r = 0; r < rounds; ++r) {
        bare.push_back(ns_per_bin(bare_bins, bare_once, thread_seconds));
        for (Case& c : scaled) {
            if (which.find(c.name[1]) == std::string::npos) continue;
            c.setup();
            const long bins = fitted_bins();
            for (std::size_t k = 0; k < thread_counts.size(); ++k) {
                workers_limit(thread_counts[k]);
                c.by_threads[k].push_back(ns_per_bin(bins, [] { one_call(); }, wall_seconds));
            }
            c.chi2 = one_call();
            c.rel = std::max(c.rel, std::fabs(c.chi2 - literal_chisq()) / literal_chisq());
        }
        for (Case& c : cases) {
            if (which.find(c.name[1]) == std::string::npos) continue;
            c.setup();
            const long bins = fitted_bins();
            workers_limit(1);
            c.one.push_back(ns_per_bin(bins, [] { one_call(); }, thread_seconds));
            workers_limit(all);
            c.all.push_back(ns_per_bin(bins, [] { one_call(); }, wall_seconds));
            c.chi2 = one_call();
            c.rel = std::max(c.rel, std::fabs(c.chi2 - literal_chisq()) / literal_chisq());
        }
    }
    workers_limit(0);
    std::printf("vector set %s, %d threads for 'all', %d rounds of %.2f s each; best (median)\n",
                vm_name(), all, rounds, seconds_each);
    std::printf("bare scalar loop A exp(-l t) cos(w t + p) chi-square: %.2f (%.2f) ns/bin\n",
                best(bare), median(bare));
    std::printf("%-52s %16s %16s %13s %13s %9s\n", "case", "1 thread ns/bin", "all ns/bin",
                "1 thr/bare", "all/bare", "chi2 rel");
    for (const Case& c : cases) {
        if (c.one.empty()) continue;
        std::printf("%-52s %7.2f (%6.2f) %7.2f (%6.2f) %6.3f(%5.3f) %6.3f(%5.3f) %9.1e\n", c.name,
                    best(c.one), median(c.one), best(c.all), median(c.all), best(c.one) / best(bare),
                    median(c.one) / median(bare), best(c.all) / best(bare),
                    median(c.all) / median(bare), c.rel);
    }
    for (const Case& c : scaled) {
        if (c.by_threads[0].empty()) continue;
        std::printf("%-52s wall ns/bin, best (median):", c.name);
        for (std::size_t k = 0; k < thread_counts.size(); ++k)
            std::printf("  %d thr %.3f (%.3f)", thread_counts[k], best(c.by_threads[k]), median(c.by_threads[k]));
        std::printf("  chi2 rel %.1e\n", c.rel);
    }
    std::printf("(chi2 rel: largest relative difference from the literal extended-precision sum)\n");
    return bare_sink == 0;  // keeps the bare loop's result alive
}
