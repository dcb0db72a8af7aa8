// vul_prt.cpp -- the fit report: heading, slot mapping, fit quality, spectra and signals
// as parameter lines, expressions; and vul_prt, the report's and dialogs' one entry.
#include "vul_prt.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "chars.h"
#include "dispar.h"
#include "fio.h"
#include "fit_spectra.h"
#include "fit_theory.h"
#include "vul_ini.h"
#include "vul_pri.h"

namespace {

// A blank line is a record holding one blank ("(1X)" alone would write an empty record).
constexpr std::string_view blank_line = "(' ')";

// One row of a label table: which parameter, its label and description, and what it is
// combined with (joiner and modifier number, 0 for none).
struct ParLine {
    int number;
    const char* name;
    std::string description;
    const char* joiner;
    int modifier;
};

void put_lines(int lun, int npx, const ParVals& v, std::initializer_list<ParLine> rows)
{
    for (const ParLine& r : rows)
        if (r.number != 0)
            dispar(lun, npx, v.xx.data(), v.dx.data(), r.number, r.name, r.description, r.joiner,
                   r.modifier);
}

std::string micro_text(std::string_view before, std::string_view after)
{
    return std::string(before) + spchars.micro + std::string(after);
}

// Lines of the spectrum just mapped; type is |i_fit(1)|, so both halves of a complex
// spectrum take the same rows.
void spectrum_lines(int lun, int npx, const ParVals& v, int type)
{
    const Vulmapi& m = vulmapi;
    const bool raw = type <= 1;
    // Of the Bkgd and Beta pairs only the one this mapping set is current.
    const int bkgd = raw && m.firstraw != 0 ? m.jbkgd : 0;
    const int beta = !raw && m.firstraw == 0 ? m.jbeta : 0;
    put_lines(lun, npx, v, {
        {m.klt0 > 0 ? m.jlt0 : 0, "Tau", micro_text("Muon Lifetime (", "s) "), " ", 0},
        {m.klt0 < 0 ? m.jlt0 : 0, "dT0", "Shift of t=0 (microsec)", " ", 0},
        {m.knorm != 0 && !raw ? m.jnorm : 0, "Alp", "Alpha (rel N for Asy)", " ", 0},
        {m.knorm != 0 && raw && (m.knorm > 0 || m.jnorm == m.firstraw) ? m.jnorm : 0, "N",
         "Norm;  Counts/ns at t=0", " ", 0},
        {m.knorm < 0 && raw && m.jnorm != m.firstraw ? m.jnorm : 0, "RN",
         "Relative Normalization", "*", m.firstraw},
        {bkgd, "B", "Fractional background", " ", 0},
        {beta, "RA", "Beta (Asy ratio in Spec)", " ", 0},
        {m.jrpha, "TH", "Phase offset (degrees)", " ", 0},
        {m.jrasy, "R", "Asym scaling factor", " ", 0},
    });
}

// Line of a set slot by its form's label (none for a null label).
ParLine slot_line(const SigLabel* l, int number, int jrpha)
{
    if (l == nullptr) return {0, "", "", " ", 0};
    std::string text = l->after_micro != nullptr ? micro_text(l->text, l->after_micro) : l->text;
    if (l->phase_offset) return {number, l->name, std::move(text), "+", jrpha};
    return {number, l->name, std::move(text), " ", 0};
}

// Lines of signal s under the spectrum just mapped.
void signal_lines(int lun, int npx, const ParVals& v, int s)
{
    const Vulmapi& m = vulmapi;
    const SigForm& f = sig_form({m.kph(s), m.kfr(s), m.krl(s), m.khp(s), m.n_omni(s)});
    put_lines(lun, npx, v, {
        slot_line(f.pha, m.jph(s), m.jrpha),
        {m.kas(s) != 0 ? m.jas(s) : 0, "A", "Asymmetry at t=0 ", "*", m.jrasy},
        slot_line(f.frq, m.jfr(s), m.jrpha),
        slot_line(f.rlx, m.jrl(s), m.jrpha),
        slot_line(f.hop, m.jhp(s), m.jrpha),
    });
    const int n = std::min(m.n_omni(s), 5);
    for (int k = 1; k <= n; ++k) {
        const std::string name = "Om" + std::to_string(k);
        dispar(lun, npx, v.xx.data(), v.dx.data(), m.k_omni(k, s), name, "Omni Table param",
               " ", 0);
    }
}

// Heading: title, answer file, date, and the slot numbers of every spectrum and signal.
void heading(int lun)
{
    fio_write(lun, "(/,/,/,/)");
    fio_write(lun, blank_line);
    fio_write(lun, "(1X,72('='))");
    const std::string_view title = mntitle.minuit_title.full();
    const std::string_view out = filenames.nameout.full();
    fio_write(lun, "(1X,A,' <-- ',A)",
              {title.substr(0, static_cast<std::size_t>(chtrim(title))),
               out.substr(0, static_cast<std::size_t>(chtrim(out)))});
    fio_write(lun, "(1X,72('='))");
    FText<28> date;
    cdate(date.span());
    fio_write(lun, "(16X,A)", {date});
    fio_write(lun, blank_line);

    fio_write(lun, "(5X,I2,'  Spectra containing',I4,' \"Signals\":','   Mapping is',/)",
              {i_fit_ctl.nspec, fitpar.nsig});
    fio_write(lun, "(5X,'  NML BKG RPH RAS L/T0...[indir addr]... ','= Spectrum [signal] parameters:')");
    auto slots = [lun](const int* col) {
        fio_write(lun, "(5X,10I4)", {col[0], col[1], col[2], col[3], col[4], col[5], col[6],
                                     col[7], col[8], col[9]});
    };
    for (int j = 1; j <= used_spectra(); ++j) slots(fitpar.ifitsp.col(j));
    fio_write(lun, "(/,5X,'  PHA ASY FRQ RLX HOP ...[OMNI Table]...','= Signal parameters:')");
    for (int s = 1; s <= used_signals(); ++s) slots(fitpar.ifitsg.col(s));
    fio_write(lun, blank_line);
}

// The form of the fit and its chi-square against the degrees of freedom.
void quality(int lun, int npar)
{
    vul_fit_form(lun);
    const double chi2 = bestfit.fmin;
    const int ndf = vul_fitted_points() - npar;
    fio_write(lun, "(/)");
    fio_write(lun,
              "(/,' Chisquared  =',F11.1,/,' Deg Freedom = ',I8,/,/,' Difference  =',F12.2,"
              "'  Standard Deviations.')",
              {chi2, ndf, vul_deviations(chi2, ndf)});
}

constexpr const char* spectrum_head =
    "(/,' SPECTRUM',I3,':',:,'  Chisq =',F10.1,' for',I5,' bins',' (',I4,' to',I5,')',/,15X,"
    "'out of',I6,'  available',F12.4,'-ns bins',/,15X,'from T1 =',F8.4,'  to T2 =',F8.4,"
    "' microsec.',/,7X,'\"t < 0  background\" in raw bins',I6,' through',I6)";

void spectra_part(int lun, int mode, int npx, const ParVals& v)
{
    for (int j = 1; j <= used_spectra(); ++j) {
        vul_map(j, v.xx.data());
        if (mode == prt_results) {
            const int first = fitbins.jj_bin(1, j), last = fitbins.jj_bin(2, j);
            const Arr2<int, n_ifit, max_spectra_arrays>& f = i_fit_ctl.i_fit;
            const Arr2<float, n_rfit, max_spectra_arrays>& r = r_fit_ctl.r_fit;
            fio_write(lun, spectrum_head,
                      {j, bestfit.fbest_sp(j), vul_spectrum_points(j), first, last,
                       f(ifit_nbins, j), r(rfit_tbin, j) * 1000.0f, r(rfit_t1, j), r(rfit_t2, j),
                       f(7, j), f(11, j)});
            fio_write(lun, blank_line);
        } else {
            fio_write(lun, spectrum_head, {j});
        }
        spectrum_lines(lun, npx, v, std::abs(i_fit_ctl.i_fit(ifit_type, j)));
    }
}

// Signals under every spectrum (imaginary halves skipped) when spectra differ in what the
// signals see; else once.
void signals_part(int lun, int npx, const ParVals& v, bool anyrel)
{
    fio_write(lun, "(/,' Signals:')");
    if (used_signals() < 1 || used_spectra() < 1) return;
    for (int j = 1; j <= used_spectra();) {
        vul_map(j, v.xx.data());
        const bool each = anyrel || vulmapi.nindirect > 0;
        if (each) fio_write(lun, "(/,1X,'Spectrum',I3,':')", {j});
        for (int s = 1; s <= used_signals(); ++s) {
            if (s == 1)
                fio_write(lun, "(' Signal',I3,':')", {s});
            else if (vulmapi.kas(s) == 0)
                fio_write(lun, "(' Multiplied by Signal',I3,':')", {s});
            else
                fio_write(lun, "(' Plus Signal',I3,':')", {s});
            signal_lines(lun, npx, v, s);
            fio_write(lun, blank_line);
        }
        if (!each) break;
        j += i_fit_ctl.i_fit(ifit_type, j) > 3 ? 2 : 1;
    }
}

void expressions_part(int lun)
{
    if (used_expressions() < 1) return;
    fio_write(lun, "(/,' Expressions:')");
    for (int e = 1; e <= used_expressions(); ++e) {
        const int n = std::clamp(expressions.nchexpr(e), 1, 80);
        // A failed line is dropped; the next one is still written.
        fio_write(lun, "(I3,'. (',I3,') ',A)",
                  {e, expressions.jexpr(e),
                   expressions.sexpr(e).full().substr(0, static_cast<std::size_t>(n))});
    }
}

}  // namespace

void vul_fit_form(int lun)
{
    fio_write(lun,
              "(8X,' Fit of',I3,' Spectra to the form',/,/,15X,' F(t) = SIGNAL or',/,/,5X,"
              "' F(t) = N(B + EXP(-t/TMU) (1 + SIGNAL)),',/,/,' where \"SIGNAL\" is a sum of "
              "up to 32 terms ','including',/,' Zero field (Exponential, Gaussian, or','  "
              "Tabulated function),',/,' Static Gaussian or Lorentzian Longitudinal Field,',/,"
              "' or Transverse-field with Exponential or Abragam',' relaxation')",
              {i_fit_ctl.nspec});
}

double vul_deviations(double chi2, int ndf)
{
    if (chi2 > 0 && ndf > 0)
        return std::sqrt(2 * chi2) - static_cast<float>(std::sqrt(2.0 * ndf - 1));
    return 99999.99f;
}

void vul_spectrum_lines(int lun, int npx, const ParVals& v, int type)
{
    spectrum_lines(lun, npx, v, type);
}
void vul_signal_lines(int lun, int npx, const ParVals& v, int s) { signal_lines(lun, npx, v, s); }
void vul_expressions(int lun) { expressions_part(lun); }

int vul_spectrum_points(int j)
{
    if (j < 1 || j > used_spectra()) return 0;
    const int off = i_fit_ctl.i_loc_0(j - 1);
    const int first = std::max(fitbins.jj_bin(1, j), 1);
    const int last = std::min(fitbins.jj_bin(2, j), max_fit_points - off);
    int n = 0;
    for (int k = off + first; k <= off + last; ++k) n += weightless(fitdata.err(k)) ? 0 : 1;
    return n;
}

int vul_fitted_points()
{
    int n = 0;
    for (int j = 1; j <= used_spectra(); ++j) n += vul_spectrum_points(j);
    return n;
}

int vul_npx() { return std::clamp(bestfit.nparx, 0, max_minuit_par); }

bool vul_anyrel()
{
    for (int j = 1; j <= used_spectra(); ++j)
        if (fitpar.ifitsp(sp_rpha, j) != 0 || fitpar.ifitsp(sp_rasy, j) != 0) return true;
    return false;
}

void vul_prep_values(const double* x, ParVals& v)
{
    const int npx = vul_npx();
    Bestfit& b = bestfit;
    for (int i = 1; i <= npx; ++i) {
        if (b.xerrp(i) == 0) b.xerrp(i) = b.xerr(i);
        if (b.xerrm(i) == 0) b.xerrm(i) = b.xerr(i);
        v.dx[i] = std::max(b.xerr(i), (std::fabs(b.xerrm(i)) + std::fabs(b.xerrp(i))) / 2);
        v.xx[i] = x[i];
    }
    auto reduce = [&v, npx](int j) {
        if (j <= 0 || j >= npx) return;  // npx itself is left as it is
        double p = std::fmod(v.xx[j], 360.0);
        if (p < -90) p += 360;
        v.xx[j] = p;
        v.dx[j] = std::fabs(v.dx[j]);
    };
    for (int s = 1; s <= used_signals(); ++s) reduce(fitpar.ifitsg(sg_pha, s));
    for (int j = 1; j <= used_spectra(); ++j) reduce(fitpar.ifitsp(sp_rpha, j));
    vul_premap(v.xx.data());
}

void vul_prb(int mode, int npar, const double* x)
{
    const int lun = fileio.lunprt();
    const int npx = vul_npx();
    ParVals v;
    vul_prep_values(x, v);
    heading(lun);
    if (mode == prt_guess) fio_write(lun, "(10X,'***  I N I T I A L   G U E S S  ***')");
    const bool anyrel = vul_anyrel();
    if (mode == prt_results) quality(lun, npar);
    fio_write(lun, blank_line);
    spectra_part(lun, mode, npx, v);
    signals_part(lun, npx, v, anyrel);
    expressions_part(lun);
    fio_write(lun, "(/,/,/,/)");
}

void vul_prt(int mode, int npar, double* x)
{
    if (mode <= prt_results) vul_prb(mode, npar, x);
    if (online != 0) vul_pri(mode, npar, x);  // CHANGE> writes into MINUIT's own x
}
