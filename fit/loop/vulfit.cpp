// vulfit.cpp -- the main routine: start-up, the restart point of every fit and the
// "MINUIT> " loop with the program's own commands and MINUIT's outcome in words.

#include "vulfit.h"

#include <cerrno>
#include <clocale>
#include <cstring>
#include <string>
#include <string_view>

#include "ask.h"
#include "dirade.h"
#include "fit_records.h"
#include "fit_reports.h"
#include "fit_setup.h"
#include "fit_spectra.h"
#include "mnmigr.h"

namespace {

constexpr std::string_view version_text = "Kavrin static  26-Jun-2003";
constexpr int lun_screen = 6;
constexpr int lun_log = 2;

// Physical constants known to every expression, in the order they are defined.
struct Constant {
    const char* name;
    double value;
};
constexpr Constant constants[] = {
    {"PI", 3.14159265358979},        {"GMU", 0.01355387908},     {"GMM", 1.3944703},
    {"C", 299792458},                {"HBAR", 6.582122e-22},     {"J_MEV", 1.6021892e-13},
    {"QE", 1.60217733e-19},          {"ALPHA", 0.007297353079644819},
    {"H_JS", 6.6260755e-34},         {"N0", 6.0221367e23},       {"KB_EV", 8.617385e-5},
    {"KB", 1.38066e-23},             {"ME", 0.51099906},         {"MP", 938.27231},
    {"MN", 939.56563},               {"MPI", 139.5669},          {"MPI0", 134.9626},
    {"MMU", 105.658389},             {"AMU", 931.49432},         {"KG", 5.6095860853e29},
    {"TN_S", 917},                   {"TPI", 26.03},             {"TPI0", 8.28e-8},
    {"TMU", static_cast<double>(2.19714f)},                      {"MU_BOHR", 5.78838263e-15},
    {"MU_NUCL", 3.15245166e-18},     {"HFMU", 4463.302},         {"FLUX", 2.06783461e-7},
    {"DT0BNC", 0.048828125},         {"BNC_BIN", 0.048828125},
};

bool screen_output = false;  // TOSC: MINUIT's printout on the screen; survives a restart
bool minimised = false;      // a minimisation of this fit has run; false at each restart
bool unconverged = false;    // the fit's last minimisation did not converge; reset per fit

// A batch fit that ends on a minimisation that did not converge has its results written all
// the same; the run says so at its end and exits with the status for it.
void note_unconverged()
{
    if (!unconverged || online != 0) return;
    const std::string title(mntitle.minuit_title.trimmed());
    ask_fail_at_end(" *** The last minimisation of the fit \"" + title + "\" did not converge",
                    ask_end_not_converged);
    unconverged = false;
}

void say(std::string_view line) { fio_write(lun_screen, "(A)", {line}); }
void say_minuit(std::string_view what) { fio_write(lun_screen, "(' MINUIT ',A,'.')", {what}); }

bool starts(std::string_view word, std::string_view head) { return word.starts_with(head); }

void run(mnfcn fcn, std::string_view word, const double* args, int n, int& code)
{
    mnexcm(fcn, word, args, n, code, nullptr);
}

void run_bare(mnfcn fcn, std::string_view word, int& code) { run(fcn, word, nullptr, 0, code); }

// The outcome of a HESSE by the matrix it left (istat, MINUIT's covariance status): the
// line for a forced matrix, and mn_abnormal when it failed. An accurate matrix is announced only
// after a HESSE of the user's own; after MIGRAD it goes without saying.
int hesse_outcome(int code, int istat, bool own)
{
    if (code == mn_abnormal) return code;
    if (istat == 3 && own) say(" Covariance matrix calculated.");
    else if (istat == 2) say(" Covariance matrix was forced positive-definite.");
    else if (istat <= 1) return mn_abnormal;
    return code;
}

void program_help()
{
    fio_write(lun_screen,
              "(' Kavrin commands:',/,' PLot    Plot data and fits       ',"
              "'      CHARSet [0|1|2]  ascii,latin1,dos',/,"
              "' CHange  Change parameters or bins','      TOSCreen    Output to screen',/,"
              "' PEek    Check fit status         ','      TOLOg       To log file fit.prt')");
    static constexpr const char* minuit_lines[] = {
        "",
        " List of MINUIT Interactive commands:",
        "",
        " CLEar     Reset all parameter names and values undefined",
        " CONtour   Make contour map of the user function",
        " EXIT/END  Finish up and stop / start over",
        " FIX       Cause parameter(s) to remain constant",
        " HESse     Calculate the Hessian or error matrix.",
        " IMPROVE   Search for a new minimum around current minimum",
        " MIGrad    Minimize by the method of Migrad",
        " MINImize  MIGRAD + SIMPLEX method if Migrad fails",
        " MINOs     Exact (non-linear) parameter error analysis",
        " MNContour Calculate one MINOS function contour",
        " QUIT      Stop abruptly",
        " RELease   Make previously FIXed parameters variable again",
        " REStore   Release last parameter fixed",
        " SAVe      Save current parameter values on a file",
        " SCAn      Scan the user function by varying parameters",
        " SEEk      Minimize by the method of Monte Carlo",
        " SET/SHOw  Set(show) various MINUIT constants or conditions",
        " SIMplex   Minimize by the method of Downhill Simplex",
        "",
    };
    for (const char* line : minuit_lines) say(line);
}

}  // namespace

void minsetout(int lun) { mn7iou.isyswr = lun; }

void vulfit_startup()
{
    // The character type from the environment, as readline sets it at its first prompt:
    // the screen's lines are converted for a UTF-8 terminal from the first one on.
    std::setlocale(LC_CTYPE, "");
    FText<64> version(version_text);
    fio_list(lun_screen, {version});
    for (const Constant& c : constants) evaldefine(FText<8>(c.name).full(), c.value);
    const bool batch = loc_batch();
    fit_records_startup(batch ? 0 : 1);
    set_characters(1);

    fio_close(lun_log);
    const char* log_name = batch ? "stdout" : "fit.prt";
    // Another run in this folder that holds the log refuses this one before anything of
    // the log is cut (it is emptied only at the first write below).
    int err = fio_open(lun_log, log_name, FStatus::unknown);
    if (err == 0 && (err = fio_lock(lun_log)) != 0) fio_close(lun_log);
    if (err != 0) {
        const std::string line =
            err == EWOULDBLOCK
                ? fio_format1("(' *** Log file ',A,' is in use by another run')", {log_name})
                : fio_format1("(' *** Cannot open the log file ',A,': ',A)",
                              {log_name, std::strerror(err)});
        ask_fail(line);
    }
    fio_rewind(lun_log);
    fio_write(lun_log, "(/,/,/,/,20X,'M I N U I T   ---   K A V R I N',/,A,/)", {version});
    mn_set_migrad(mnmigr);
    mninit(5, lun_log, 7);
}

void vulfit_restart(mnfcn fcn)
{
    minimised = false;
    midata();
    int code = 0;
    const double setup = mn_flag_setup, one = 1, eps = 9e-15;
    run(fcn, "CALL ", &setup, 1, code);
    run(fcn, "SETSTRAT", &one, 1, code);
    run_bare(fcn, "SHOEPS", code);
    run(fcn, "SETEPS", &eps, 1, code);
    run_bare(fcn, "SHOEPS", code);
    run(fcn, "SETPRI", &one, 1, code);
    unconverged = false;
    minstatus(0);
    set_ask_delims(",");
}

void vulfit_loop(mnfcn fcn)
{
    constexpr int max_numbers = 22;
    const double single_fifth = static_cast<double>(0.2f);
    for (;;) {
        const int saved_conv = mn7flg.isw[4];
        const double saved_fmin = bestfit.fmin;
        bool report = false, new_minimum = false, hesse_failed = false;

        FText<10> cmd;
        double args[max_numbers] = {};
        ask2("MINUIT> ", Val{"10W", cmd}, Val{"22D", args});
        int n = 0;
        for (int i = 0; i < max_numbers; ++i)
            if (args[i] != 0) n = i + 1;
        if (ask_eof() && cmd.blank() && n == 0) {
            // Input is exhausted: finish as EXIT does, so nothing of the fit is lost. With
            // no minimisation yet there is no fit: its start values written as a result
            // would replace the files of an earlier one.
            if (!minimised) {
                say(" *** Input ended before any minimisation: nothing written, "
                    "the files of an earlier fit are kept");
                ask_stop(0);
            }
            int code = 0;
            run_bare(fcn, "EXIT", code);
            note_unconverged();
            ask_stop(0);
        }
        case_upper(10, cmd.span());
        std::string word(cmd.trimmed());

        if (starts(word, "CHARS")) {
            set_characters(round_to_i4(args[0]));
            continue;
        }
        if (starts(word, "PL") || starts(word, "CH") || starts(word, "PE")) {
            double flag = flag_peek;
            if (starts(word, "PL")) {
                flag = flag_plot;
            } else if (starts(word, "CH")) {
                report = true;
                changeparn = round_to_i4(args[0]);
                flag = flag_change;
            }
            word = "CALL";
            args[0] = flag;
            n = 1;
        } else if (word == "SET" || word == "SHO" || word == "SHOW") {
            say(" Please omit the space from SET and SHOW commands");
            say(" For example: \"setstrat 1\"");
            ask_refused("no space after SET or SHOW");
            continue;
        } else if (word == "QUIT") {
            note_unconverged();
            ask_stop(0);
        } else if (starts(word, "?") || starts(word, "HELP")) {
            program_help();
            continue;
        } else if (starts(word, "TOSC")) {
            say(" Minuit output directed to screen");
            screen_output = true;
            minsetout(lun_screen);
            continue;
        } else if (starts(word, "TOLO")) {
            say(" Minuit output directed to log file fit.prt");
            screen_output = false;
            minsetout(lun_log);
            continue;
        }

        // The MINUIT step.
        const bool minimize = starts(word, "MIN") && !starts(word, "MINO");
        if (minimize) {
            // SIMPLEX first, with a looser tolerance than the one MINIMIZE gets.
            args[1] = 2 * args[1] + single_fifth;
            int simplex_code = 0;
            run(fcn, "SIMP", args, n, simplex_code);
            args[1] = (args[1] - single_fifth) * 0.5;
        }
        int code = 0;
        run(fcn, word, args, n, code);
        for (const std::string_view head : {"MIG", "MIN", "SIM", "SEE", "IMP", "MNC"})
            minimised = minimised || (starts(word, head) && code != mn_unreadable &&
                                      code != mn_unknown);
        if (code == mn_exit) {
            note_unconverged();
            ask_stop(0);
        }
        if (code == mn_blank) continue;
        minstatus(0);
        if (code == mn_unreadable || code == mn_unknown) {
            const bool unreadable = code == mn_unreadable;
            say(unreadable ? " MINUIT cannot read your command.  Try again."
                           : " MINUIT cannot interpret your command.  Try again.");
            ask_refused(unreadable ? "MINUIT cannot read it" : "MINUIT cannot interpret it");
            continue;
        }
        if (starts(word, "SHO") && code == mn_ok && !screen_output) {
            minsetout(lun_screen);
            int again = 0;
            run(fcn, word, args, n, again);
            minsetout(lun_log);
        }
        if (starts(word, "HES")) {
            report = true;
            code = hesse_outcome(code, bestfit.istat, true);
        }
        if (starts(word, "IMP") || starts(word, "MINO") || starts(word, "MNC")) {
            report = true;
            if (bestfit.fmin < saved_fmin) {
                new_minimum = true;
                say_minuit("found a new minimum");
            }
        }
        if (starts(word, "MIG") || minimize) {
            if (code >= mn_abnormal) {
                run_bare(fcn, "SIMPL", code);
                run_bare(fcn, "HESSE", code);
                run_bare(fcn, "MIGR", code);
            }
            // The errors shown come from this HESSE: a failed one is no converged fit.
            int hesse_code = 0, npari = 0, nparx = 0, istat = 0;
            run_bare(fcn, "HESSE", hesse_code);
            double fmin = 0, fedm = 0, errdef = 0;
            mnstat(fmin, fedm, errdef, npari, nparx, istat);
            hesse_failed = hesse_outcome(hesse_code, istat, false) == mn_abnormal;
        }
        if (starts(word, "MIG") || starts(word, "SIM") || starts(word, "SCA") ||
            starts(word, "SEE") || minimize || new_minimum) {
            report = true;
            if (code == mn_ok) {
                say_minuit(hesse_failed ? "admits failure" : "converged");
            } else if (code >= mn_abnormal) {
                if (bestfit.fmin == saved_fmin && saved_conv >= 1) {
                    mn7flg.isw[4] = saved_conv;
                    say_minuit("failed to find improvement");
                } else {
                    say_minuit("failed");
                }
            }
        } else if (code == mn_abnormal) {
            say_minuit("admits failure");
        }
        // What the fit's results now rest on: a minimisation, or a search that moved them.
        const bool moved = bestfit.fmin < saved_fmin;
        if (starts(word, "MIG") || minimize || starts(word, "SIM") || starts(word, "IMP") ||
            ((starts(word, "SEE") || starts(word, "SCA") || new_minimum) && moved))
            unconverged = mn7flg.isw[4] < 1;
        if (code > mn_abnormal) fio_write(lun_screen, "(' MINUIT returns code',I5,'.')", {code});
        if (report) minstatus(lun_screen);
        if (starts(word, "END")) {
            note_unconverged();
            return;
        }
    }
}
