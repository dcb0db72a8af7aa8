// makespect_bench.cpp -- time of one spectrum construction from four full histograms
// (262144 bins each) for every spectrum type, unpacked and packed by 8.
#include <chrono>
#include <cmath>
#include <cstdio>

#include "fit_spectra.h"
#include "run_records.h"

namespace {

void fill_run()
{
    runheader.nHists = 4;
    for (int j = 1; j <= 4; ++j) {
        histhdrs.nbins(j) = max_hist_bins;
        histhdrs.fsperbin(j) = 0;  // 78 ps
        histhdrs.t0_bin(j) = 1000;
        histhdrs.goodbin1(j) = 1010;
        histhdrs.goodbin2(j) = max_hist_bins - 1;
        histhdrs.bkgd1(j) = 10;
        histhdrs.bkgd2(j) = 900;
        for (int k = 1; k <= max_hist_bins; ++k) {
            const double t = (k - 1000) * 7.8125e-5;
            const double phase = 1.5707963267948966 * (j - 1);
            const double n = 500000 * std::exp(-t / 2.19714) * (1 + 0.2 * std::cos(62.8 * t + phase));
            histograms.ih(k, j) = k < 1000 ? 20 : static_cast<int>(n) + 20;
        }
    }
}

double time_one(int type, float width, int repeats)
{
    const auto start = std::chrono::steady_clock::now();
    for (int r = 0; r < repeats; ++r) {
        ispectctrl.i_ctl.fill(0);
        rspectctrl.r_ctl.fill(0.0f);
        ispectctrl.type() = type;
        const int hists[] = {1, 3, 4, 2};
        for (int s = 1; s <= 4; ++s) ispectctrl.jhist(s) = hists[s - 1];
        rspectctrl.r_ctl(12, 1) = width;
        rspectctrl.r_ctl(13, 1) = 9.5f;
        int ierr = 0;
        makespect(ierr);
        if (ierr != 0) std::fprintf(stderr, "type %d failed: %d\n", type, ierr);
    }
    const std::chrono::duration<double, std::milli> d = std::chrono::steady_clock::now() - start;
    return d.count() / repeats;
}

}  // namespace

// The figures go to standard error; the construction's own lines to standard output.
int main()
{
    fill_run();
    std::fprintf(stderr, "spectrum construction, 4 x %d raw bins\n", max_hist_bins);
    for (float width : {0.0f, 0.000625f}) {
        for (int type = 0; type <= 4; ++type) {
            const double ms = time_one(type, width, 5);
            std::fprintf(stderr, "  type %d, %s: %8.2f ms (%d packed bins)\n", type,
                         width == 0 ? "unpacked " : "packed x8", ms, ispectctrl.npk);
        }
    }
}
