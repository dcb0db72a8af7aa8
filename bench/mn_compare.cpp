// mn_compare.cpp -- runs each comparison problem through the engine (MIGRAD, then HESSE, as
// the fitting program does) and prints one line per problem for mn_compare.py:
//   name fmin nfcn_migrad nfcn_hesse v1 e1 v2 e2 ... | c11 c12 ... cnn | f1 ... fn d11 ... dnn
//   | nfcn_minos m1- m1+ ...
// (e, c: the errors and the external covariance matrix, row by row, after HESSE; f, d: those
// MIGRAD closed with).

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "fio.h"
#include "fit_loop.h"
#include "minuit.h"
#include "mn_problems.h"

namespace {

const MnProblem* current = nullptr;

void fcn(int, double[], double& f, double x[], int, void*) { f = current->f(x + 1); }

// Parameter k's value or parabolic error as MINUIT reports it.
double value_or_error(int k, bool error)
{
    std::string name;
    double v, e, lo, hi;
    int iint;
    mnpout(k, name, v, e, lo, hi, iint);
    return error ? e : v;
}
double value_of(int k) { return value_or_error(k, false); }
double error_of(int k) { return value_or_error(k, true); }

}  // namespace

int main()
{
    // The engine's printout goes to a scratch file: only the figures are wanted.
    const std::string scratch = (std::filesystem::temp_directory_path() /
                                 ("kavrin_bench_" + std::to_string(::getpid()) + ".out")).string();
    fio_open(30, scratch, FStatus::unknown);
    for (const MnProblem& p : mnp::problems()) {
        current = &p;
        mn_set_migrad(mnmigr);
        mninit(5, 30, 7);
        int ier = 0;
        const int n = static_cast<int>(p.start.size());
        for (int k = 0; k < n; ++k)
            mnparm(k + 1, p.names[static_cast<std::size_t>(k)], p.start[static_cast<std::size_t>(k)],
                   p.step[static_cast<std::size_t>(k)], p.lo[static_cast<std::size_t>(k)],
                   p.hi[static_cast<std::size_t>(k)], ier);
        const double up[1] = {p.up};
        mnexcm(fcn, "SETERR", up, 1, ier, nullptr);
        mnexcm(fcn, "MIGRAD", nullptr, 0, ier, nullptr);
        const int nmig = mn7cnv.nfcn;
        std::vector<double> migrad_errors, migrad_cov(static_cast<std::size_t>(n * n));
        for (int k = 1; k <= n; ++k) migrad_errors.push_back(error_of(k));
        mnemat(migrad_cov.data(), n);
        mnexcm(fcn, "HESSE", nullptr, 0, ier, nullptr);
        double fmin, fedm, errdef;
        int npari, nparx, istat;
        mnstat(fmin, fedm, errdef, npari, nparx, istat);
        std::printf("%s %.10g %d %d", p.name, fmin, nmig, mn7cnv.nfcn);
        for (int k = 1; k <= n; ++k) std::printf(" %.17g %.9g", value_of(k), error_of(k));
        std::vector<double> cov(static_cast<std::size_t>(n * n));
        mnemat(cov.data(), n);
        std::printf(" |");
        for (double c : cov) std::printf(" %.9g", c);
        std::printf(" |");
        for (double e : migrad_errors) std::printf(" %.9g", e);
        for (double c : migrad_cov) std::printf(" %.9g", c);
        const int nhes = mn7cnv.nfcn;
        mnexcm(fcn, "MINOS", nullptr, 0, ier, nullptr);
        std::printf(" | %d", mn7cnv.nfcn - nhes);
        for (int k = 1; k <= n; ++k) {
            double ep, em, eparab, gcc;
            mnerrs(k, ep, em, eparab, gcc);
            std::printf(" %.6g %.6g", em, ep);
        }
        std::printf("\n");
    }
    fio_close(30);
    std::remove(scratch.c_str());
}
