// vul_pri.cpp -- the results dialogs: the fit's form, mapping, quality, spectra and signals
// on the screen; changes of parameters and fitted bin ranges; WRITE, IND_VAR and PLOT.
#include "vul_pri.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <string>
#include <string_view>

#include "ask.h"
#include "fit_records.h"
#include "fit_theory.h"
#include "int_round.h"
#include "minstatus.h"
#include "minuit.h"
#include "vul_ini.h"
#include "vul_plt.h"
#include "vul_prt.h"

namespace {

constexpr int scr = fio_stdout;   // every line of the dialogs goes to the screen
constexpr int dispar_scr = -1;    // ... and dispar names the screen so

// The default of empty numeric fields while new values are asked: a value nobody types,
// so that a field left empty is told from a typed one.
constexpr double novalue = -1.4011743859044995E-08;

// The prompt of mode m is entry m + 1 (prt_guess to prt_change), ten characters each,
// without its trailing blanks.
constexpr std::string_view prompts = "GUESS>    RESULTS>  STATUS>   CHANGE>   ";

// Matching takes the first entry that the typed word abbreviates (S is SPECTRUM, SI
// SIGNAL); the blank entry is the empty line.
constexpr int cmdlen = 8;
constexpr std::string_view cmds =
    "DESCRIBE" "MAPPING " "QUALITY " "SPECTRUM" "SIGNAL  " "PLOT    " "CHANGE  " "WRITE   "
    "FAKEDATA" "IND_VAR " "        ";
enum Cmd : int {
    c_describe = 1, c_mapping, c_quality, c_spectrum, c_signal, c_plot, c_change, c_write,
    c_fakedata, c_ind_var, c_leave
};
static_assert(cmds.size() == c_leave * cmdlen);

// What the dialog keeps for the process.
struct Dialog {
    ParVals v;                      // values and errors as shown, phases reduced
    std::array<float, 2> args{};    // the two numbers of the last command line
};
Dialog dia;

std::string_view prompt_of(int mode)
{
    const int m = std::clamp(mode, int(prt_guess), int(prt_change));
    const auto at = static_cast<std::size_t>(m) * 10;
    const std::string_view p = prompts.substr(at, 10);
    return p.substr(0, p.find_last_not_of(' ') + 1);
}

int spectrum_type(int j) { return i_fit_ctl.i_fit(ifit_type, j); }

// ---- what the fit looks like ---------------------------------------------------------------

void slot_line(const int* col)
{
    fio_write(scr, "(5X,10I4)",
              {col[0], col[1], col[2], col[3], col[4], col[5], col[6], col[7], col[8], col[9]});
}

void mapping(int mode)
{
    FText<28> date;
    cdate(date.span());
    fio_write(scr, "(1X,A)", {mntitle.minuit_title.trimmed()});
    fio_write(scr, "(16X,A)", {date});
    fio_write(scr, "(4X,I3,'  Spectra containing',I3,' \"Signals\".','   Mapping is:',/)",
              {i_fit_ctl.nspec, fitpar.nsig});
    fio_write(scr, "(5X,' NML BKG RPH RAS L/T0...[indir sig par]... ','= Spectrum [signal] "
                   "parameters:')");
    for (int j = 1; j <= used_spectra(); ++j) slot_line(fitpar.ifitsp.col(j));
    fio_write(scr, "(/,5X,' PHA ASY FRQ RLX HOP ...[ONMI TBL]... ','= Signal parameters:')");
    for (int s = 1; s <= used_signals(); ++s) slot_line(fitpar.ifitsg.col(s));
    if (mode == prt_guess) fio_write(scr, "(10X,'***  I N I T I A L   G U E S S  ***')");
    if (mode == prt_status || mode == prt_change)
        fio_write(scr, "(10X,'*** MODIFYING PARAMETERS ***')");
}

// The head of spectrum j: with its chi-square and ranges once there is a fit (results,
// status).
void spectrum_head(int mode, int j)
{
    if (mode != prt_results && mode != prt_status) {
        fio_write(scr, "(/,' SPECTRUM',I3,':')", {j});
        return;
    }
    const int first = fitbins.jj_bin(1, j), last = fitbins.jj_bin(2, j);
    const Arr2<int, n_ifit, max_spectra_arrays>& f = i_fit_ctl.i_fit;
    const Arr2<float, n_rfit, max_spectra_arrays>& r = r_fit_ctl.r_fit;
    fio_write(scr,
              "(/,' SPECTRUM',I3,':  Chisq =',F12.2,'  for',I5,'  bins',' (',I4,'  to',I5,')',/,"
              "15X,'out of',I6,'  available',F12.4,'-ns bins',/,15X,'from T1 =',F8.4,"
              "'  to T2 =',F8.4,' microsec.',/,7X,'\"t < 0  background\" in raw bins',I6,"
              "' through',I6)",
              {j, bestfit.fbest_sp(j), vul_spectrum_points(j), first, last, f(ifit_nbins, j),
               r(rfit_tbin, j) * 1000.0f, r(rfit_t1, j), r(rfit_t2, j), f(7, j), f(11, j)});
}

void quality(int mode, int npar)
{
    if (mode == prt_guess) return;  // no fit yet
    const double chi2 = bestfit.fmin;
    const int ndf = bestfit.ndata - npar;
    fio_write(scr,
              "(/,' Chisquared  =',F14.2,/,' Deg Freedom = ',I13,/,/,' Difference  =',F14.2,"
              "'  Standard Deviations.')",
              {chi2, ndf, vul_deviations(chi2, ndf)});
    for (int j = 1; j <= used_spectra(); ++j) spectrum_head(mode, j);
}

// Spectrum n, or every spectrum (imaginary halves skipped) when n is 0 or below, or beyond
// the fitted spectra as SIGNAL takes such a number; then the expressions.
void spectrum_cmd(int mode, int n)
{
    const int npx = vul_npx();
    const bool all = n <= 0 || n > used_spectra();
    for (int j = all ? 1 : n; j <= used_spectra();) {
        vul_map(j, dia.v.xx.data());
        spectrum_head(mode, j);
        vul_spectrum_lines(dispar_scr, npx, dia.v, std::abs(spectrum_type(j)));
        if (!all) break;
        j += spectrum_type(j) > 3 ? 2 : 1;
    }
    vul_expressions(scr);
}

// Signal s (0: all) under spectrum p (0: all, while the spectra differ in what the signals
// see). The heading follows the fit's current spectra, also for a single spectrum.
void signal_cmd()
{
    int s = nint(dia.args[0]), p = nint(dia.args[1]);
    if (s < 0 || s > used_signals()) s = 0;
    if (p < 0 || p > used_spectra()) p = 0;
    const bool anyrel = vul_anyrel();
    const int npx = vul_npx();
    const int s_first = s == 0 ? 1 : s, s_last = s == 0 ? used_signals() : s;
    for (int j = p == 0 ? 1 : p; j <= used_spectra();) {
        vul_map(j, dia.v.xx.data());
        const bool each = anyrel || vulmapi.nindirect > 0;
        if (each) fio_write(scr, "(/,1X,'SPECTRUM',I3,':')", {j});
        for (int k = s_first; k <= s_last; ++k) {
            // A later signal is joined by the kind of the signal before it.
            if (k == 1)
                fio_write(scr, "(' Signal',I3,':')", {k});
            else if (vulmapi.kas(k - 1) == 0)
                fio_write(scr, "(' Multiplied by Signal',I3,':')", {k});
            else
                fio_write(scr, "(' Plus Signal',I3,':')", {k});
            vul_signal_lines(dispar_scr, npx, dia.v, k);
        }
        if (p != 0 || !each) break;
        j += spectrum_type(j) > 3 ? 2 : 1;
    }
    vul_expressions(scr);
}

// ---- changes -------------------------------------------------------------------------------

// A parameter number as the change lines show it: three places, blanks removed.
std::string par_text(int p)
{
    std::string t = fio_format1("(I3)", {p});
    t.resize(static_cast<std::size_t>(nospaces(t)));
    return t;
}

void list_parameters()
{
    for (int i = 1; i <= used_parlines(); ++i) {
        const int p = bestfit.xparn(i);
        if (p < 1 || p > max_minuit_par) continue;
        fio_write(scr, "(' X(',A,')',T9,A10,'=',G14.6,' +/- ',G11.3)",
                  {par_text(p), bestfit.xname(p), dia.v.xx[p], dia.v.dx[p]});
    }
}

// Shows parameter j, asks its new value, step and limits (an empty field keeps what is
// shown) and redefines it in MINUIT; a step of 0 makes it a constant.
void change_one(int j, double* x)
{
    Bestfit& b = bestfit;
    double& xx = dia.v.xx[j];
    double& dx = dia.v.dx[j];
    fio_write(scr, "(' X(',A,')',T9,A9,G14.6,' +/-',G11.3,'  [',G10.3,'< X < ',G10.3,']')",
              {par_text(j), b.xname(j), xx, dx, b.xllim(j), b.xulim(j)});
    std::array<double, 4> nv{};
    parse_set_defaultd(novalue);
    ask1("   New  X  [, dX, Xmin, Xmax] > ", Val{"4D", nv});
    parse_set_defaultd(0);
    if (nv[0] != novalue) xx = nv[0];
    if (nv[1] != novalue) dx = nv[1];
    if (nv[2] != novalue) b.xllim(j) = nv[2];
    if (nv[3] != novalue) b.xulim(j) = nv[3];
    x[j] = xx;
    int refused = 0;  // MINUIT says why itself
    mnparm(j, b.xname(j).full(), xx, dx, b.xllim(j), b.xulim(j), refused);
    dirade_chisq(x);  // MINUIT forgets its minimum here; the fit shows the chi-square now
    minstatus(0);
    vul_premap(dia.v.xx.data());  // expressions shown next follow the new value
}

// Asks for new fitted ranges of every spectrum. True when they were asked: the number of
// fitted points is new, the chi-square at x is computed over the new ranges (for the
// spectra and for the status once MINUIT has forgotten its minimum) and the best
// chi-square is unknown (1e20).
bool bin_ranges(const double* x)
{
    if (!ask_if("Change fitted Bin Range(s)?")) return false;
    for (int j = 1; j <= used_spectra(); ++j) {
        const int n = i_fit_ctl.i_fit(ifit_nbins, j);
        int& lo = fitbins.jj_bin(1, j);
        int& hi = fitbins.jj_bin(2, j);
        fio_write(scr, "(' Spectrum',I2,'(',I5,' bins):  Range now',I5,' to',I5,$)",
                  {j, n, lo, hi});
        int first = 0, last = 0;
        ask2("+  -- New Range > ", Val{"I", first}, Val{"I", last});
        // Four bins at least where the spectrum has them, never before bin 1.
        if (first > 0) lo = std::max(1, std::min(first, n - 3));
        if (last > lo) hi = std::min(last, n);
        if (hi < lo) hi = std::max(n, lo);  // a kept last bin below the new first one
    }
    bestfit.ndata = vul_fitted_points();
    dirade_chisq(x);
    bestfit.fmin = 1.0e20f;
    return true;
}

// CHANGE, and prt_change at entry. True when the fitted ranges changed (the dialog then starts
// again from its entry).
bool parameter_change(double* x)
{
    fio_write(scr, "(10X,'*** MODIFYING PARAMETERS ***')");
    const int npx = vul_npx();
    for (;;) {
        int j = 0;
        if (changeparn >= 1 && changeparn <= npx) {
            j = changeparn;  // typed after CH at "MINUIT> "
            changeparn = 0;
        } else {
            ask1("Modify which parameter (number) > ", Val{"I", j});
        }
        if (j < 0)
            list_parameters();
        else if (j == 0)
            return bin_ranges(x);
        else if (j <= npx)
            change_one(j, x);
    }
}

// ---- answer file and independent variables -------------------------------------------------

void write_cmd()
{
    FText<80>& name = filenames.nameout;
    fio_write(scr, "('  Input file was  ',A)", {name.full().substr(0, 40)});
    FText<80> answer;
    int nch = 0;
    ask1s("Answer file is > ", Val{"80S", answer}, nch);
    if (nch > 0 && !answer.blank()) name = answer;  // the whole name, as OUTPUT keeps it
    vul_ini();
}

void ind_var_cmd()
{
    Indvar& v = indvar;
    v.nindvar = 0;  // the earlier list is dropped
    while (v.nindvar < max_indvar) {
        const int i = v.nindvar + 1;
        int nch = 0;
        ask4s("Independent Variable [Name, Value, +Err, -Err] > ", Val{"10S", v.viname(i)},
              Val{"D", v.vival(i)}, Val{"D", v.viep(i)}, Val{"D", v.viem(i)}, nch);
        if (nch == 0) return;
        v.nindvar = i;
    }
}

// ---- the dialog ----------------------------------------------------------------------------

// Command lines until the empty one (false), or until a change of the fitted ranges asks
// for the dialog to start again (true).
bool commands(int mode, int npar, double* x)
{
    const std::string_view prompt = prompt_of(mode);
    for (;;) {
        int icmd = 0;
        dia.args = {};
        cmli1(prompt, c_leave, -cmdlen, cmds, icmd, Val{"2R", dia.args});
        switch (icmd) {
        case c_describe: vul_fit_form(scr); break;
        case c_mapping: mapping(mode); break;
        case c_quality: quality(mode, npar); break;
        case c_spectrum: spectrum_cmd(mode, trunc_int(dia.args[0])); break;
        case c_signal: signal_cmd(); break;
        case c_plot: vul_plt(npar, x); break;
        case c_change:
            if (parameter_change(x)) return true;
            break;
        case c_write: write_cmd(); break;
        case c_fakedata: fake_data(); break;
        case c_ind_var: ind_var_cmd(); break;
        default: return false;
        }
    }
}

}  // namespace

void fake_data() { fio_write(scr, "(/,/,' Sorry, no FAKE_DATA utility yet!',/)"); }

void vul_pri(int mode, int npar, double* x)
{
    for (;;) {  // entry, and again after a change of the fitted ranges
        vul_prep_values(x, dia.v);
        if (mode == prt_plot) {
            vul_plt(npar, x);
            return;
        }
        if (mode == prt_change && parameter_change(x)) continue;
        if (!commands(mode, npar, x)) return;
    }
}
