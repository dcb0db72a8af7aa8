// vul_plt.h -- the plot of a fitted spectrum with its theory: the "PLOT_FIT>" dialog, the
// redraw during a fit, and the destinations plot package, printer plot (log) and DB file.
#pragma once

#include <string_view>

enum PlotType : int { plt_raw = 0, plt_asy = 1, plt_err = 2, plt_pol = 3 };
enum PlotDest : int { dest_plot = 0, dest_printer = 1, dest_db = 2 };

// The dialog's settings and counters, kept for the whole process so that the redraws
// during a fit repeat the last plot chosen.
struct Vulplt {
    int jsp = 1;             // fitted spectrum to plot
    int isym = 0;            // point code of the data markers; 0 picks one per computation
    int ipltyp = plt_raw;    // PlotType
    double asymax = 0;       // what POL_SPEC divides by
    float tmin = 0;          // plotted times, us; 0: from the first bin
    float tmax = 0;          // ... 0 or below: to the last bin
    float tpac = 0;          // wanted group width, ns; 0: one bin a group
    int iprpl = dest_plot;   // PlotDest of the next computation (unit 80 open for dest_db)
    bool changed = false;    // a setting changed since the last computation
    int nplots = 0;          // computations in the plot package's buffer, not yet drawn
    int prev_jsp = 0;        // spectrum whose title the plot package holds; 0: none
    bool first_plot = true;  // the X label is still to be set
};
inline Vulplt vulplt;

// mode 0 or above: the "PLOT_FIT>" dialog when interactive; in batch a printer plot of
// spectrum 1 into the log. Below 0: the last chosen plot computed and drawn at once, asking
// nothing; when no device opens, replotting is switched off (until the next REPLOT).
// x[p] is MINUIT's parameter p (1..100), as the objective function has it.
void vul_plt(int mode, const double* x);

// Packed bins ipl1..ipl2 of spectrum jsp that a plot from tmin to tmax (us) in groups of
// tpac (ns) covers, and the bins a group holds; the last group may be incomplete and is
// then not plotted. ipl2 < ipl1 when nothing lies in the range.
struct PlotBins {
    int ipl1 = 1, ipl2 = 0, npac = 1;
};
PlotBins vul_plt_bins(int jsp, float tmin, float tmax, float tpac);
