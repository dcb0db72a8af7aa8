// vul_plt.cpp -- the plot of a fitted spectrum: grouped data points with their errors and
// the theory, as counts, asymmetry, polarization or fit error, into the plot package, a
// printer plot in the log or a DB file; the "PLOT_FIT>" dialog that chooses them.
#include "vul_plt.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <string>
#include <vector>

#include "ask.h"
#include "db_fmt.h"
#include "fit_records.h"
#include "fit_spectra.h"
#include "fit_theory.h"
#include "int_round.h"
#include "plot.h"

namespace {

constexpr int db_unit = 80;

constexpr int n_commands = 11;
constexpr std::string_view command_table =  // 8 characters an entry; order decides abbreviations
    "SPECTRUM" "TIMES   " "RAW_SPEC" "ASY_SPEC" "POL_SPEC" "ERR_SPEC" "PRINTER " "DB_DUMP "
    "DUMP    " "EXIT    " "        ";
enum Command : int {
    c_spectrum = 1, c_times, c_raw, c_asy, c_pol, c_err, c_printer, c_db_dump, c_dump, c_exit,
    c_empty
};

// ---- one spectrum's values ------------------------------------------------------------------

struct SpecValues {
    bool counts = false;    // |type| <= 1: Norm and Bkgd slots
    bool complex = false;   // |type| > 3
    double anorm = 1, alpha = 1, bkgnd = 0;
    double t1 = 0, tbin = 0, tbns = 0, tmu = 0;
    double t0shift = 0;     // added to the plotted times
};

// Needs vul_premap and vul_map of the spectrum.
SpecValues spectrum_values(int jsp)
{
    const Vulmapi& m = vulmapi;
    SpecValues s;
    const int type = std::abs(i_fit_ctl.i_fit(ifit_type, jsp));
    s.counts = type <= 1;
    s.complex = type > 3;
    s.t1 = r_fit_ctl.r_fit(rfit_t1, jsp);
    s.tbin = r_fit_ctl.r_fit(rfit_tbin, jsp);
    s.tbns = 1000.0 * s.tbin;
    s.tmu = m.klt0 > 0 ? xv(m.jlt0) : double(muon_lifetime);
    if (m.klt0 < 0) s.t0shift = xv(m.jlt0);
    if (s.counts) {
        // Slot 2 read as it stands: the mapping files it under Beta when the first count
        // spectrum has no Norm.
        s.bkgnd = xv(std::abs(fitpar.ifitsp(sp_bkgd, jsp)));
        if (m.jnorm > 0) {
            s.anorm = xv(m.jnorm) * s.tbns;
            if (m.knorm < 0 && m.firstraw > 0 && m.firstraw != m.jnorm) s.anorm *= xv(m.firstraw);
        }
    } else if (m.jnorm > 0 && !s.complex) {
        s.alpha = xv(m.jnorm);
    }
    return s;
}

// ---- groups of bins -------------------------------------------------------------------------

struct Group {
    double avgt = 0;   // mean time of the group's bins
    double tpl = 0;    // plotted time (t0 shift added)
    float y = 0, dy = 0, f = 0;
};

// Packed bins of the spectrum that exist in the arrays.
int packed_bins(int jsp)
{
    const int off = i_fit_ctl.i_loc_0(jsp - 1);
    return std::clamp(i_fit_ctl.i_fit(ifit_nbins, jsp), 0, std::max(0, max_fit_points - off));
}

// y, dy and f of a group as the plot type shows them.
void convert(Group& g, const SpecValues& s, int ipltyp, double asymax)
{
    const double e = s.counts ? std::exp(g.avgt / s.tmu) : 1.0;
    const double y = g.y, dy = g.dy, f = g.f;
    auto corrected = [&](double v) {
        if (s.counts) return (v / s.anorm - s.bkgnd) * e - 1;
        const double a = s.alpha;
        return ((a + 1) * v + (a - 1)) / ((a - 1) * v + (a + 1));
    };
    switch (ipltyp) {
    case plt_raw:
        if (s.counts) {
            g.y = float(y / s.tbns);
            g.dy = float(dy / s.tbns);
            g.f = float(f / s.tbns);
        }
        break;
    case plt_asy:
    case plt_pol: {
        double cy = corrected(y), cdy = s.counts ? dy * e / s.anorm : dy, cf = corrected(f);
        if (ipltyp == plt_pol) cy /= asymax, cdy /= asymax, cf /= asymax;
        g.y = float(cy), g.dy = float(cdy), g.f = float(cf);
        break;
    }
    case plt_err:
        if (s.counts) {
            g.y = float((y - f) * e / s.anorm);
            g.dy = float(dy * e / s.anorm);
        } else {
            g.y = float(y - f);
        }
        g.f = 0;
        break;
    default: break;
    }
}

// Calls f(first bin) for every complete group of b; a last incomplete group is left out.
template <class F>
void each_group(const PlotBins& b, F&& f)
{
    for (int first = b.ipl1; first <= b.ipl2 - b.npac + 1; first += b.npac) f(first);
}

// Mean time of the group that starts at bin first.
double group_time(const SpecValues& s, int first, int npac)
{
    return s.t1 + s.tbin * (first - 1) + 0.5 * (npac - 1) * s.tbin;
}

// The complete groups of bins ipl1..ipl2 (bin_th filled for them), converted.
std::vector<Group> make_groups(int jsp, const PlotBins& b, const SpecValues& s)
{
    std::vector<Group> out;
    const int off = i_fit_ctl.i_loc_0(jsp - 1);
    each_group(b, [&](int first) {
        double S = 0, W = 0, T = 0;
        for (int k = off + first; k < off + first + b.npac; ++k) {
            const double e = fitdata.err(k);
            const double w = 1.0 / (e * e);
            S += w * fitdata.bin(k);
            W += w;
            T += fitdata.bin_th(k);
        }
        Group g;
        g.avgt = group_time(s, first, b.npac);
        g.tpl = g.avgt + s.t0shift;
        g.y = float(S / W);
        g.dy = float(std::sqrt(1.0 / W));
        g.f = float(T / b.npac);
        convert(g, s, vulplt.ipltyp, vulplt.asymax);
        out.push_back(g);
    });
    return out;
}

// ---- the printer plot -------------------------------------------------------------------------

constexpr int pp_width = 106;  // the row between and with its two frame bars
constexpr std::string_view pp_frame = "(24X,'+',104('-'),'+')";
constexpr double pp_far = 1e6;  // a column beyond the row, also for values that have none

void printer_plot(const std::vector<Group>& groups)
{
    const int lun = fileio.lunprt();
    fio_write(lun, "(/,/,/,/)");
    fio_write(lun, pp_frame);
    double top = -1e14, bottom = 1e14;
    for (const Group& g : groups) {
        for (double v : {double(g.y) + g.dy, double(g.f)}) if (v > top) top = v;
        for (double v : {double(g.y) - g.dy, double(g.f)}) if (v < bottom) bottom = v;
    }
    if (!groups.empty() && !(top > bottom)) {
        // One value only: give it a range around itself so that it lands mid-row.
        const double mid = bottom, half = mid != 0 ? 0.1 * std::fabs(mid) : 1.0;
        top = mid + half;
        bottom = mid - half;
    }
    const double scale = 105.0 / (top - bottom);
    auto cut = [](double c) { return (c == c) ? int(std::clamp(c, -pp_far, pp_far)) : int(pp_far); };
    auto column = [&](double v) { return cut(std::floor((v - bottom) * scale + 0.5)); };
    std::array<char, pp_width + 1> pp;  // [1..106]
    pp.fill(' ');
    pp[1] = pp[pp_width] = '|';
    auto mark = [&](int c, char ch) { if (c >= 1 && c <= pp_width) pp[std::size_t(c)] = ch; };
    const int j0 = column(0.0);
    std::vector<FVal> vals;
    for (const Group& g : groups) {
        const int j1 = column(g.y), j2 = column(g.f);
        const int j3 = cut(std::floor(double(g.dy) * scale + 0.5));
        mark(j0, '.');
        mark(j1, 'O');
        mark(j1 + j3, '-');
        mark(j1 - j3, '-');
        if (j2 != j1) mark(j2, '*');
        vals.assign({FVal(g.avgt), FVal(g.y)});
        for (int c = 1; c <= pp_width; ++c) vals.emplace_back(pp[std::size_t(c)]);
        fio_write(lun, "('9',F9.5,G12.4,2X,106A1)", vals);
        for (int c : {j1, j1 + j3, j1 - j3, j2}) mark(c, ' ');
        pp[1] = pp[pp_width] = '|';
    }
    fio_write(lun, pp_frame);
}

// ---- the DB file ---------------------------------------------------------------------------

std::string_view db_ylabel(int ipltyp, const SpecValues& s)
{
    if (ipltyp == plt_err) return "Fit Error asymmetry";
    if (ipltyp == plt_asy) return (s.counts || s.complex) ? "Asymmetry" : "Corrected Asymmetry";
    return s.counts ? "Counts per nsec" : "Raw Asymmetry";
}

void db_file(const std::vector<Group>& groups, const SpecValues& s)
{
    fio_write(db_unit, "('TITLE',/,A)", {mntitle.minuit_title});
    fio_write(db_unit, "('LABELS',/,'TIME [',A,'s]')", {spchars.micro});
    fio_write(db_unit, "(A)", {db_ylabel(vulplt.ipltyp, s)});
    fio_write(db_unit, "(/,'DATA T SIGNAL')");
    for (const Group& g : groups) {
        const float row[] = {float(g.tpl), 0, 0, g.y, g.dy, g.dy};
        db_fmt(db_unit, 2, row, " ", 0);
    }
    fio_write(db_unit, "(/)");
    askfile_commit(db_unit);
}

// ---- the plot package -------------------------------------------------------------------------

std::string_view plot_ylabel(int ipltyp, const SpecValues& s)
{
    if (ipltyp == plt_pol) return "Muon Polarization";
    if (ipltyp == plt_err) return "Fit Error asymmetry";
    if (s.complex) return "Complex Asymmetry (RRF)";
    if (ipltyp == plt_asy) return s.counts ? "Asymmetry" : "Corrected Asymmetry";
    return s.counts ? "Counts per nsec" : "Raw Asymmetry";
}

void plot_package(int jsp, const std::vector<Group>& groups, const SpecValues& s)
{
    Vulplt& v = vulplt;
    ++v.nplots;
    if (jsp != v.prev_jsp) {
        const FText<100>& title = sptitles.sptitle(jsp);
        titlpl(static_cast<int>(title.trimmed().size()), title);
        v.prev_jsp = jsp;
    }
    if (v.first_plot) {
        v.first_plot = false;
        hlab(9, "TIME [\xB5s]");  // always the Latin-1 micro sign, whatever the reports use
    }
    for (const Group& g : groups) {
        if (v.isym == 0) v.isym = v.nplots % 19;
        const float t = float(g.tpl);
        const int bar = -(v.isym + 1);  // pen colour of the marker
        doplch(t, g.y, v.isym);
        doplch(t, g.y, bar);
        doplpt(t, g.y - g.dy);
        doplpt(t, g.y + g.dy);
        doplch(t, g.y, bar);
    }
    if (v.ipltyp != plt_err)  // the theory, one line in the colour of the last error bar
        for (const Group& g : groups) doplpt(float(g.tpl), g.f);
    const std::string_view label = plot_ylabel(v.ipltyp, s);
    vlab(static_cast<int>(label.size()), label);
}

// One computation of the spectrum chosen, sent to dest.
void compute(int dest, const double* x)
{
    Vulplt& v = vulplt;
    if (used_spectra() < 1) return;
    if (v.jsp < 1 || v.jsp > used_spectra()) v.jsp = 1;  // a later fit may have fewer spectra
    const int jsp = v.jsp;
    vul_premap(x);
    vul_map(jsp, x);
    const SpecValues s = spectrum_values(jsp);
    const PlotBins b = vul_plt_bins(jsp, v.tmin, v.tmax, v.tpac);
    vul_th(jsp, b.ipl1, b.ipl2);
    const std::vector<Group> groups = make_groups(jsp, b, s);
    if (dest == dest_db) db_file(groups, s);
    else if (dest == dest_printer) printer_plot(groups);
    else plot_package(jsp, groups, s);
}

// ---- the dialog ------------------------------------------------------------------------------

void dump(const double* x)
{
    Vulplt& v = vulplt;
    if (used_spectra() < 1) return;
    if (v.jsp < 1 || v.jsp > used_spectra()) v.jsp = 1;
    const int jsp = v.jsp;
    const PlotBins b = vul_plt_bins(jsp, v.tmin, v.tmax, v.tpac);
    const int off = i_fit_ctl.i_loc_0(jsp - 1);
    SpecValues s;
    s.t1 = r_fit_ctl.r_fit(rfit_t1, jsp);
    s.tbin = r_fit_ctl.r_fit(rfit_tbin, jsp);
    each_group(b, [&](int first) {
        double sum = 0, sq = 0;
        for (int k = off + first; k < off + first + b.npac; ++k) {
            sum += fitdata.bin(k);
            sq += double(fitdata.err(k)) * fitdata.err(k);
        }
        const double t = group_time(s, first, b.npac);
        doplch(float(t), float(sum), 5);
        fio_write(fio_stdout, "(' BIN [',F9.6,' ',A,'s] = ',G13.6,' +/-',G10.3)",
                  {t, spchars.micro, sum, std::sqrt(sq)});
    });
    titlpl(100, sptitles.sptitle(jsp));
    rozude();

    vul_premap(x);
    vul_map(jsp, x);
    vul_th(jsp, b.ipl1, b.ipl2);
    std::vector<FVal> vals;
    for (int i = 1; i <= n_ifit; ++i) vals.emplace_back(i_fit_ctl.i_fit(i, jsp));
    fio_write(fio_stdout, "(/,' I_FIT array is',/,/,(5(' ',I13)))", vals);
    vals.clear();
    for (int i = 1; i <= 33; ++i) vals.emplace_back(r_fit_ctl.r_fit(i, jsp));
    fio_write(fio_stdout, "(/,' R_FIT array is',/,/,(5(' ',G13.6)))", vals);
    vals.clear();
    for (int k = b.ipl1; k <= b.ipl2; ++k) {
        vals.emplace_back(k);
        vals.emplace_back(fitdata.bin_th(off + k));
    }
    fio_write(fio_stdout, "(/,' and VUL_TH returns BIN_TH array',/,/,(4(I5,':',G13.6,' ')))", vals);
}

// SPECTRUM: the number typed, or asked for until it names a fitted spectrum.
void choose_spectrum(float a1, float a2)
{
    Vulplt& v = vulplt;
    v.isym = trunc_room(a2);
    v.jsp = trunc_room(a1);
    const int nspec = i_fit_ctl.nspec;
    if (v.jsp >= 1 && v.jsp <= nspec) return;
    v.jsp = 1;
    if (nspec <= 1) return;
    do {
        fio_write(fio_stdout, "(' Of',I3,', ',$)", {nspec});
        ask1(" Which Spectrum shall we plot? ", Val{"I", v.jsp});
        v.jsp = std::clamp(v.jsp, 1, 31);
    } while (v.jsp > nspec);
}

void max_asymmetry(float a1)
{
    Vulplt& v = vulplt;
    v.asymax = a1;
    if (v.asymax == 0) ask1(" Max. Asymmetry? ", Val{"D", v.asymax});
    if (v.asymax == 0) v.asymax = 1.0;
}

// An armed DB file that was never written is let go, and the user told: no file is left
// empty in its place (an old one stays as it was).
void disarm()
{
    if (vulplt.iprpl == dest_db && fio_is_open(db_unit)) {
        fio_write(fio_stdout, "(' DB file ',A,' not written')", {fio_name(db_unit)});
        fio_close(db_unit);
    }
    vulplt.iprpl = dest_plot;
}

// The file is written whole by the next computation; the plot dialog's own DB_DUMP takes
// another unit meanwhile.
void db_dump_question()
{
    disarm();
    if (!ask_if("Dump to *.DB file? ")) return;
    int istat = 1;
    askfile("DB File: ", db_unit, "W", istat);
    if (istat == 0) vulplt.iprpl = dest_db;
}

// What follows a command: the prompt again, the empty-line action, or leaving the dialog.
enum class Step { prompt, empty, leave };

Step command(const double* x)
{
    Vulplt& v = vulplt;
    std::array<float, 3> a{};
    int icmd = 0;
    cmli1("PLOT_FIT>", n_commands, -8, command_table, icmd, Val{"3R", a});
    switch (icmd) {
    case c_spectrum: choose_spectrum(a[0], a[1]); break;
    case c_times: v.tmin = a[0], v.tmax = a[1], v.tpac = a[2]; break;
    case c_raw: v.ipltyp = plt_raw; break;
    case c_asy: v.ipltyp = plt_asy; break;
    case c_pol: v.ipltyp = plt_pol, max_asymmetry(a[0]); break;
    case c_err: v.ipltyp = plt_err; break;
    case c_printer:
        disarm();
        if (ask_if("Printer plot? ")) v.iprpl = dest_printer;
        break;
    case c_db_dump: db_dump_question(); break;
    case c_dump: dump(x); return Step::prompt;
    case c_exit:
        if (v.iprpl == dest_db) disarm();  // said now, while the user is still here
        return Step::leave;
    default: return Step::empty;
    }
    v.changed = true;
    return Step::prompt;
}

}  // namespace

PlotBins vul_plt_bins(int jsp, float tmin, float tmax, float tpac)
{
    PlotBins b;
    if (jsp < 1 || jsp > max_spectra_arrays) return b;
    const double t1 = r_fit_ctl.r_fit(rfit_t1, jsp), tbin = r_fit_ctl.r_fit(rfit_tbin, jsp);
    const int n = packed_bins(jsp);
    b.ipl1 = std::max(1, trunc_room((tmin - t1) / tbin + 1));
    b.ipl2 = n;
    if (tmax > 0) b.ipl2 = std::min(n, std::max(b.ipl1 + 3, nint_room((tmax - t1) / tbin) + 1));
    b.npac = std::max(1, nint_room(tpac / (1000.0 * tbin)));
    const int whole = (b.ipl2 - b.ipl1 + 1) / b.npac;
    if (whole > 0) b.ipl2 = std::min(b.ipl2, b.ipl1 + b.npac * whole);
    return b;
}

void vul_plt(int mode, const double* x)
{
    Vulplt& v = vulplt;
    const bool redraw = mode < 0;
    if (!redraw) {
        disarm();
        v.prev_jsp = 0;
        if (online == 0) {
            // No dialog without a keyboard: the log gets a printer plot, and that is all.
            v.jsp = 1;
            compute(dest_printer, x);
            return;
        }
    }
    // A redraw always draws; a destination armed in the dialog waits for the dialog.
    Step step = redraw ? Step::empty : Step::prompt;
    if (redraw) v.changed = true;
    for (;;) {
        if (step == Step::prompt) step = command(x);
        if (step == Step::leave) return;
        if (step == Step::prompt) continue;
        if (v.changed) {
            v.changed = false;
            const int dest = redraw ? dest_plot : v.iprpl;
            compute(dest, x);
            if (dest != dest_plot) {
                v.iprpl = dest_plot;
                step = Step::prompt;
            } else {
                step = redraw ? Step::empty : Step::prompt;
            }
            continue;
        }
        if (v.nplots == 0) return;
        if (redraw) {
            // A redraw that found no device stops the replotting; the fit goes on.
            if (!rozude_next()) replot.on = false;
        } else {
            rozude();
        }
        v.changed = false;
        v.nplots = 0;
        if (redraw) return;
        step = Step::prompt;
    }
}
