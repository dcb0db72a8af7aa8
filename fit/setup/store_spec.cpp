// store_spec.cpp -- SPECTRUM and ADD_SPEC of the set-up dialog: a run built by the spectrum
// dialog becomes one fitted spectrum (two for a complex one), or is averaged into the last.
#include <algorithm>
#include <cmath>
#include <string_view>

#include "ask.h"
#include "fit_records.h"
#include "fit_spectra.h"
#include "minuit.h"
#include "run_records.h"
#include "setup.h"
#include "setup_local.h"

namespace {

constexpr std::string_view only_99 = "(/,' *** Only 99 SPECTRA allowed! ***',/)";

// The answer to "DATA File name > ", shown back in either mode.
FText<80> ask_data_file()
{
    FText<80> name;
    int nch = 0;
    ask1s("DATA File name > ", Val{"80A", name}, nch);
    fio_list(fio_stdout, {name});
    return name;
}

// Loads and builds the run through the spectrum dialog (which returns only with a finished
// spectrum); a fit still without a title of its own takes the spectrum's. The name of the
// file that loaded: after a failure the dialog may have gone on to another one.
FText<80> build_run(const FText<80>& name)
{
    FText<80> file = name;
    spect_dialog(file.span());
    const std::string_view t = mntitle.minuit_title.trimmed();
    if (t.empty() || t == "TITLE") {
        mntitle.minuit_title = cspectctrl.title.full().substr(0, 50);
        mnseti(mntitle.minuit_title.full());
    }
    return file;
}

// Fitted spectrum j from n points of the finished spectrum, starting after `skip` of them.
void store_block(int j, int n, int skip, bool imaginary)
{
    IFitCtl& f = i_fit_ctl;
    f.i_loc_0(j) = f.i_loc_0(j - 1) + n;
    for (int r = 1; r <= n_ictl; ++r) f.i_fit(r, j) = ispectctrl.i_ctl(r, 2);
    if (imaginary) f.i_fit(ifit_type, j) = -f.i_fit(ifit_type, j);
    f.i_fit(ifit_nbins, j) = n;
    fitbins.jj_bin(1, j) = 1;
    fitbins.jj_bin(2, j) = n;
    for (int r = 1; r <= n_rctl; ++r) r_fit_ctl.r_fit(r, j) = rspectctrl.r_ctl(r, 2);
    r_fit_ctl.r_fit(rfit_t1, j) = spectimes.t1;
    r_fit_ctl.r_fit(rfit_t2, j) = spectimes.t2;
    r_fit_ctl.r_fit(rfit_tbin, j) = spectimes.tbin;
    const int q = f.i_loc_0(j - 1);
    std::copy_n(&fitdata.bin_in(skip + 1), n, &fitdata.bin(q + 1));
    std::copy_n(&fitdata.err_in(skip + 1), n, &fitdata.err(q + 1));
}

// The log (and, at the keyboard, screen) lines of one stored or added block.
void report_block(bool add, int num, int n)
{
    const std::string_view t = cspectctrl.title.trimmed();
    const int log = fileio.lunprt();
    if (add) {
        fio_write(log, "(/,/,' Add to  ',I2,': Run #',A,/)", {num, t});
        if (online) fio_write(fio_stdout, "(1X,'  Add to   ',I2,': ',A)", {num, t});
    } else {
        fio_write(log, "(/,/,' Spectrum',I2,': Run #',A,/)", {num, t});
        if (online) fio_write(fio_stdout, "(1X,'  Spectrum ',I2,': ',A)", {num, t});
    }
    fio_write(log, "(/,1X,I6,' bins from T_1 =',F7.3,' to T_2 =',F7.3,', T_BIN =',F9.6,' microsec.',/)",
              {n, spectimes.t1, spectimes.t2, spectimes.tbin});
}

// Two times of packed bins agree when they differ by less than a ten-thousandth of a bin.
bool same_time(float a, float b, float tbin)
{
    return std::fabs(a - b) <= 1e-4f * std::fabs(tbin);
}

// The added run must lie on the bins of the spectrum it goes into; false after the message.
bool run_matches(int target)
{
    const IFitCtl& f = i_fit_ctl;
    constexpr std::string_view int_layout =
        "(/,' *** ADD_SPEC: ',A,I8,' differs from',I8,' of spectrum',I3,'; run not added ***',/)";
    constexpr std::string_view time_layout =
        "(/,' *** ADD_SPEC: ',A,F11.6,' us differs from',F11.6,' us of spectrum',I3,"
        "'; run not added ***',/)";
    const float tbin = r_fit_ctl.r_fit(rfit_tbin, target), t1 = r_fit_ctl.r_fit(rfit_t1, target);
    if (ispectctrl.type(2) != f.i_fit(ifit_type, target)) {
        setup_message(int_layout, {"type", ispectctrl.type(2), f.i_fit(ifit_type, target), target});
    } else if (ispectctrl.npk != f.i_fit(ifit_nbins, target)) {
        setup_message(int_layout, {"bin count", ispectctrl.npk, f.i_fit(ifit_nbins, target), target});
    } else if (!same_time(spectimes.tbin, tbin, tbin)) {
        setup_message(time_layout, {"bin width", spectimes.tbin, tbin, target});
    } else if (!same_time(spectimes.t1, t1, tbin)) {
        setup_message(time_layout, {"first time", spectimes.t1, t1, target});
    } else {
        return true;
    }
    return false;
}

}  // namespace

bool store_spectrum(const float* args)
{
    IFitCtl& f = i_fit_ctl;
    if (f.nspec >= max_fit_spectra) {  // refused before its file name is read
        setup_message(only_99);
        return false;
    }
    const int j = f.nspec + 1;
    for (int r = 1; r <= n_ictl; ++r) ispectctrl.i_ctl(r, 1) = 0;  // the file's values apply
    for (int r = 1; r <= n_rctl; ++r) rspectctrl.r_ctl(r, 1) = 0;
    const int nexpr_before = expressions.nexpr;
    for (int i = 1; i <= n_slots; ++i) {
        const int k = slot_number(args[i - 1]);
        fitpar.ifitsp(i, j) = k;
        if (std::abs(k) > 200) new_expression(k);
    }
    filenames.namedf(j) = build_run(ask_data_file());

    // A complex spectrum needs room for both halves, or it is not stored at all (nor are
    // the expressions its line asked for).
    const int m = ispectctrl.type(1) > 3 ? 2 : 1;
    if (f.nspec + m > max_fit_spectra) {
        setup_message(only_99);
        expressions.nexpr = nexpr_before;
        return false;
    }
    // The imaginary half follows after npk points; both lie in the work arrays.
    const int npk = std::clamp(ispectctrl.npk, 0, max_build_points / m);
    const int room = max_fit_points - f.i_loc_0(f.nspec);
    const int n = std::min(npk, room / m);
    if (npk <= 1) {
        setup_message("(/,' *** Spectrum',I3,' has',I7,' packed bin(s); not stored ***',/)", {j, npk});
        expressions.nexpr = nexpr_before;
        return false;
    }
    if (n <= 1) {
        setup_message("(/,' *** Spectrum',I3,' not stored: all',I7,' packed points are in use ***',/)",
                      {j, max_fit_points});
        expressions.nexpr = nexpr_before;
        return false;
    }
    if (n < npk) {
        setup_message("(/,' *** Spectrum',I3,' cut from',I7,' to',I7,' bins: no room for more ***',/)",
                      {j, npk, n});
        spectimes.t2 -= static_cast<float>(npk - n) * spectimes.tbin;  // where the kept bins end
    }
    ispectctrl.npk = n;

    sptitles.sptitle(j) = cspectctrl.title.full();
    for (int p = 0; p < m; ++p) {
        if (p == 1) std::copy_n(fitpar.ifitsp.col(j), n_slots, fitpar.ifitsp.col(j + 1));
        store_block(j + p, n, p * npk, p == 1);
        report_block(false, j + p, n);
    }
    f.nspec = j + m - 1;
    return true;
}

bool store_add_spec()
{
    const IFitCtl& f = i_fit_ctl;
    if (f.nspec <= 0) {
        setup_message("(/,' *** ADD_SPEC: no spectrum yet to add a run to ***',/)");
        return false;
    }
    // The last spectrum made: both halves when it was complex.
    const int halves = (f.nspec >= 2 && f.i_fit(ifit_type, f.nspec) < -3) ? 2 : 1;
    const int target = f.nspec - halves + 1;
    copy_spect_column(2, 1);  // the added run starts from the last spectrum's settings
    build_run(ask_data_file());
    if (!run_matches(target)) return false;

    // Bin by bin, inverse-variance weights; the imaginary half follows the real one.
    const int n = ispectctrl.npk;
    int s = 0;
    for (int p = 0; p < halves; ++p) {
        report_block(true, target + p, n);
        const int q0 = f.i_loc_0(target + p - 1);
        for (int k = 1; k <= n; ++k) {
            ++s;
            float& b = fitdata.bin(q0 + k);
            float& e = fitdata.err(q0 + k);
            // Two weightless bins stay one, not a bin of error 7e17 that would count.
            const bool none = weightless(e) && weightless(fitdata.err_in(s));
            const float w_old = 1.0f / (e * e);
            const float w_new = 1.0f / (fitdata.err_in(s) * fitdata.err_in(s));
            b = (w_old * b + w_new * fitdata.bin_in(s)) / (w_old + w_new);
            e = none ? no_weight_err : 1.0f / std::sqrt(w_old + w_new);
        }
    }
    return true;
}
