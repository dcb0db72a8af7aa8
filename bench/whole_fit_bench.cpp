// whole_fit_bench.cpp -- wall time of a whole large raw fit through the objective function:
// 16 histograms of 16384 bins (a ring of detectors 22.5 degrees apart), two precessions
// damped at one rate, 8 free parameters, MIGRAD, HESSE and MINOS, on one thread and on all. The data go to a file that
// bench/whole_fit_bench.py fits again with iminuit and numpy as the peer.
//
//   build/release/bench/whole_fit_bench DATA_FILE [repeats]
//
// Prints per thread count one line "threads N migrad_s hesse_s minos_s calls_migrad
// calls_hesse calls_minos fmin | value error ... | minos- minos+ ...", the best of the
// repeats by total time.
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "fio.h"
#include "fit_loop.h"
#include "fit_records.h"
#include "fit_theory.h"
#include "minuit.h"

namespace {

constexpr int nhist = 16, nbins = 16384, nfree = 8;
constexpr float t1 = 0.000625f, tbin = 0.00125f;  // us: bin centres from 0.625 ns, 1.25 ns wide

struct Par {
    const char* name;
    double truth, start, step;
};
// Norm (counts per ns at time zero), background (relative to norm), phase (deg), asymmetry,
// frequency (MHz), rate (1/us), the second line's asymmetry and frequency.
constexpr std::array<Par, nfree> pars{{{"Norm", 1600, 1580, 10},
                                       {"Bkgd", 0.02, 0.022, 0.001},
                                       {"Phase", 20, 15, 2},
                                       {"Asym", 0.16, 0.15, 0.01},
                                       {"Freq", 7.3, 7.29, 0.01},
                                       {"Rate", 0.45, 0.5, 0.02},
                                       {"Asym2", 0.06, 0.05, 0.01},
                                       {"Freq2", 8.9, 8.91, 0.01}}};

double det_phase(int j) { return 22.5 * j; }

// The model of one bin, as the theory computes it, for the data.
double model(int j, double t, const double* p)
{
    const double pi = std::atan2(0.0, -1.0);
    const double bw = 1000.0 * double(tbin);
    const double e = std::exp(-t / double(muon_lifetime));
    const double ph = (p[2] + det_phase(j)) * pi / 180;
    const double g = (p[3] * std::cos(2 * pi * p[4] * t + ph) + p[6] * std::cos(2 * pi * p[7] * t + ph)) *
                     std::exp(-p[5] * t);
    return p[0] * bw * (p[1] + e * (1 + g));
}

// Spectra in the fit records and the data file: Poisson counts, errors sqrt(max(n, 1)).
void make_data(const char* path)
{
    fit_records_new_setup();
    fitpar.ifitsp.fill(0);
    fitpar.ifitsg.fill(0);
    std::mt19937_64 rng(20240611);
    std::array<double, nfree> truth{};
    for (int k = 0; k < nfree; ++k) truth[std::size_t(k)] = pars[std::size_t(k)].truth;
    std::vector<float> counts, errs;
    for (int j = 1; j <= nhist; ++j) {
        i_fit_ctl.nspec = j;
        i_fit_ctl.i_fit(ifit_type, j) = 0;
        i_fit_ctl.i_fit(ifit_nbins, j) = nbins;
        i_fit_ctl.i_loc_0(j) = i_fit_ctl.i_loc_0(j - 1) + nbins;
        r_fit_ctl.r_fit(rfit_t1, j) = t1;
        r_fit_ctl.r_fit(rfit_tbin, j) = tbin;
        fitbins.jj_bin(1, j) = 1;
        fitbins.jj_bin(2, j) = nbins;
        fitpar.ifitsp(sp_norm, j) = 1;
        fitpar.ifitsp(sp_bkgd, j) = 2;
        fitpar.ifitsp(sp_rpha, j) = nfree + j;  // the detector's phase, a fixed parameter
        for (int k = 1; k <= nbins; ++k) {
            const double t = double(t1) + (k - 1) * double(tbin);
            std::poisson_distribution<int> poisson(model(j - 1, t, truth.data()));
            const float n = float(poisson(rng));
            const int at = i_fit_ctl.i_loc_0(j - 1) + k;
            fitdata.bin(at) = n;
            fitdata.err(at) = std::sqrt(std::max(n, 1.0f));
            counts.push_back(n);
            errs.push_back(fitdata.err(at));
        }
    }
    const std::array<int, 5> sig1 = {3, 4, 5, 6, 0}, sig2 = {3, 7, 8, 6, 0};
    fitpar.nsig = 2;
    std::copy(sig1.begin(), sig1.end(), fitpar.ifitsg.col(1));
    std::copy(sig2.begin(), sig2.end(), fitpar.ifitsg.col(2));

    std::FILE* f = std::fopen(path, "wb");
    if (f == nullptr) {
        std::fprintf(stderr, "whole_fit_bench: cannot write %s\n", path);
        std::exit(2);
    }
    const std::int32_t head[2] = {nhist, nbins};
    const double times[3] = {double(t1), double(tbin), double(muon_lifetime)};
    std::fwrite(head, sizeof head, 1, f);
    std::fwrite(times, sizeof times, 1, f);
    std::fwrite(counts.data(), sizeof(float), counts.size(), f);
    std::fwrite(errs.data(), sizeof(float), errs.size(), f);
    std::fclose(f);
}

// MINUIT's calls of set-up and end are not the bench's business: every call evaluates.
void fcn(int npar, double grad[], double& f, double x[], int flag, void* futil)
{
    const bool plain = flag <= mn_flag_setup || flag == mn_flag_final;
    dirade(npar, grad, f, x, plain ? mn_flag_value : flag, futil);
}

struct Result {
    double migrad = 0, hesse = 0, minos = 0;  // seconds
    int calls[3] = {};
    double fmin = 0;
    std::array<double, nfree> value{}, error{}, lo{}, hi{};
    double total() const { return migrad + hesse + minos; }
};

double since(std::chrono::steady_clock::time_point t0)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

Result fit_once()
{
    Result r;
    mn_set_migrad(mnmigr);
    mninit(5, 30, 7);
    int ier = 0;
    bestfit.nxpar = 0;
    bestfit.nparx = 0;
    bestfit.fmin = 0;
    for (int k = 1; k <= nfree + nhist; ++k) {
        const bool free = k <= nfree;
        const double v = free ? pars[std::size_t(k - 1)].start : det_phase(k - nfree - 1);
        mnparm(k, free ? pars[std::size_t(k - 1)].name : "DetPhase", v,
               free ? pars[std::size_t(k - 1)].step : 0.0, 0, 0, ier);
        bestfit.xparn(++bestfit.nxpar) = k;
        bestfit.nparx = k;
    }
    auto t0 = std::chrono::steady_clock::now();
    mnexcm(fcn, "MIGRAD", nullptr, 0, ier, nullptr);
    r.migrad = since(t0);
    r.calls[0] = mn7cnv.nfcn;
    t0 = std::chrono::steady_clock::now();
    mnexcm(fcn, "HESSE", nullptr, 0, ier, nullptr);
    r.hesse = since(t0);
    r.calls[1] = mn7cnv.nfcn - r.calls[0];
    double fedm, errdef;
    int npari, nparx, istat;
    mnstat(r.fmin, fedm, errdef, npari, nparx, istat);
    for (int k = 1; k <= nfree; ++k) {
        std::string name;
        double lo, hi;
        int iint;
        mnpout(k, name, r.value[std::size_t(k - 1)], r.error[std::size_t(k - 1)], lo, hi, iint);
    }
    const int before = mn7cnv.nfcn;
    t0 = std::chrono::steady_clock::now();
    mnexcm(fcn, "MINOS", nullptr, 0, ier, nullptr);
    r.minos = since(t0);
    r.calls[2] = mn7cnv.nfcn - before;
    for (int k = 1; k <= nfree; ++k) {
        double ep, em, eparab, gcc;
        mnerrs(k, ep, em, eparab, gcc);
        r.lo[std::size_t(k - 1)] = em;
        r.hi[std::size_t(k - 1)] = ep;
    }
    return r;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: whole_fit_bench DATA_FILE [repeats]\n");
        return 2;
    }
    const int repeats = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;
    // The engine's printout goes to a scratch file: only the figures are wanted.
    const std::string scratch = (std::filesystem::temp_directory_path() /
                                 ("kavrin_bench_" + std::to_string(::getpid()) + ".out")).string();
    fio_open(30, scratch, FStatus::unknown);
    make_data(argv[1]);
    const int all = workers_available();
    for (const int threads : {1, all}) {
        workers_limit(threads);
        Result best;
        for (int k = 0; k < repeats; ++k) {
            const Result r = fit_once();
            if (k == 0 || r.total() < best.total()) best = r;
        }
        std::printf("threads %d %.4f %.4f %.4f %d %d %d %.10g |", threads, best.migrad, best.hesse,
                    best.minos, best.calls[0], best.calls[1], best.calls[2], best.fmin);
        for (int k = 0; k < nfree; ++k) std::printf(" %.9g %.6g", best.value[std::size_t(k)], best.error[std::size_t(k)]);
        std::printf(" |");
        for (int k = 0; k < nfree; ++k) std::printf(" %.6g %.6g", best.lo[std::size_t(k)], best.hi[std::size_t(k)]);
        std::printf("\n");
        std::fflush(stdout);
    }
    fio_close(30);
    std::remove(scratch.c_str());
    return 0;
}
