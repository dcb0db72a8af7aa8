// midata.cpp -- the title and parameter lines that open every fit.
// Bad parameter lines are reported and counted; the list is read to its end before the stop.

#include "midata.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>

#include "ask.h"
#include "fit_records.h"
#include "fit_theory.h"
#include "minuit.h"

namespace {

constexpr int lun_screen = 6;
constexpr int short_remark = 7;  // a longer remark gets a line of its own on the screen

// The echo of a refused line: every number, no remark.
constexpr const char* echo_full =
    "(I4,1X,A10,1P,2(1X,G14.7),2(1X,G11.4),:,1X,'\"',A,'\"')";

struct ParLine {
    int number = 0;
    FText<10> label;
    double value = 0, step = 0, lower = 0, upper = 0;
    FText<64> remark;
};

// Writes to the log, and in an interactive run also to the screen.
void both(bool on_screen, std::string_view layout, std::initializer_list<FVal> vals)
{
    fio_write(fileio.lunprt(), layout, vals);
    if (on_screen) fio_write(lun_screen, layout, vals);
}

void echo_refused(const ParLine& p)
{
    fio_write(lun_screen, echo_full, {p.number, p.label, p.value, p.step, p.lower, p.upper});
}

void echo_accepted(const ParLine& p, std::string_view remark)
{
    const bool inline_remark = !remark.empty() && remark.size() <= short_remark;
    const std::string_view tail = inline_remark ? remark : std::string_view{};
    if (p.step == 0) {
        const char* layout = "(I4,1X,A10,1P,1X,G14.7,15X,' Fixed      ',:,13X,'\"',A,'\"')";
        if (inline_remark) fio_write(lun_screen, layout, {p.number, p.label, p.value, tail});
        else fio_write(lun_screen, layout, {p.number, p.label, p.value});
    } else if (p.lower == 0 && p.upper == 0) {
        const char* layout =
            "(I4,1X,A10,1P,2(1X,G14.7),' Unbounded  ',:,13X,'\"',A,'\"')";
        if (inline_remark) fio_write(lun_screen, layout, {p.number, p.label, p.value, p.step, tail});
        else fio_write(lun_screen, layout, {p.number, p.label, p.value, p.step});
    } else if (inline_remark) {
        fio_write(lun_screen, echo_full,
                  {p.number, p.label, p.value, p.step, p.lower, p.upper, tail});
    } else {
        echo_refused(p);
    }
    if (!remark.empty() && !inline_remark)
        fio_write(lun_screen, "(16X,'\"',A,'\"')", {remark});
}

void store(const ParLine& p, int highest)
{
    const int k = bestfit.nxpar + 1;
    const int i = p.number;
    bestfit.xparn(k) = i;
    bestfit.nxpar = k;
    bestfit.nparx = highest;
    bestfit.xname(i) = p.label;
    bestfit.xbest(i) = p.value;
    bestfit.xerr(i) = bestfit.xerrp(i) = bestfit.xerrm(i) = p.step;
    bestfit.xllim(i) = p.lower;
    bestfit.xulim(i) = p.upper;
    bestfit.xcmnt(i) = p.remark;
    bestfit.xgcc(i) = 0;
}

void ask_line(ParLine& p)
{
    p.remark = "";
    ask7("Parameter #,LABEL,VALUE,ERR,LLIM,ULIM,REMARK > ", Val{"I", p.number},
         Val{"10A", p.label}, Val{"D", p.value}, Val{"D", p.step}, Val{"D", p.lower},
         Val{"D", p.upper}, Val{"64A", p.remark});
}

}  // namespace

void midata()
{
    const bool interactive = online != 0;
    const int log = fileio.lunprt();
    if (interactive) fio_write(lun_screen, "(A)", {" "});

    int nch = 0;
    ask1s("TITLE (or @Filename) > ", Val{"50A", mntitle.minuit_title}, nch);
    if (ask_eof() && mntitle.minuit_title.blank()) ask_stop(0);  // nothing more to fit
    const std::string_view title = mntitle.minuit_title.trimmed();
    const std::string_view shown = title.empty() ? mntitle.minuit_title.full().substr(0, 1) : title;
    mnseti(shown);
    fio_write(log, "(/,1X,A)", {shown});
    fio_write(log, "(4X,66('*'))");

    int fatal = 0, highest = 0;
    fit_records_new_fit();
    set_ask_echo(0);
    set_ask_delims(" ");
    for (;;) {
        ParLine p;
        const int passed = ask_passed_over();
        ask_line(p);
        if (ask_passed_over() != passed) {  // a replay without that parameter fits another model
            ++fatal;
            both(interactive, "(' ERROR:   A parameter line did not read and was passed over')", {});
        }
        if (p.number < 1) break;
        if (bestfit.nxpar >= max_minuit_par) {
            ++fatal;
            both(interactive, "(/,'FATAL ERROR. More than',I4,' Parameters!',/)", {max_minuit_par});
            break;
        }
        if (p.number > max_minuit_par) {
            ++fatal;
            both(interactive,
                 "(' ERROR:   Parameter number',I11,' greater than allowed maximum of ',I4)",
                 {p.number, max_minuit_par});
            if (interactive) echo_refused(p);
            continue;
        }
        if (!std::isfinite(p.value) || !std::isfinite(p.step) || !std::isfinite(p.lower) ||
            !std::isfinite(p.upper)) {
            ++fatal;
            both(interactive,
                 "(' ERROR:   Parameter number',I4,': value, step or limit is not a finite number')",
                 {p.number});
            if (interactive) echo_refused(p);
            continue;
        }
        int ierr = 0;
        mnparm(p.number, p.label.full(), p.value, p.step, p.lower, p.upper, ierr);
        if (ierr != 0) {
            ++fatal;
            both(interactive,
                 "(' ERROR:   Parameter number',I4,' rejected by Minuit!  Error code',I4,'.')",
                 {p.number, ierr});
            if (interactive) echo_refused(p);
            continue;
        }
        highest = std::max(highest, p.number);
        const std::string_view remark = p.remark.trimmed();
        if (interactive) echo_accepted(p, remark);
        if (!remark.empty()) fio_write(log, "(16X,'\"',A,'\"')", {remark});
        // Stored answer files may hold such a label: accepted, and said once here rather
        // than by every evaluation of the expressions.
        if (!vul_label_is_name(p.label.full()))
            both(true, "(' *** Parameter',I4,': label \"',A,'\" is no variable name;',"
                       "' expressions cannot use it')",
                 {p.number, p.label.trimmed()});
        store(p, highest);
    }
    set_ask_delims(",");
    set_ask_echo(1);
    if (fatal > 0) {
        constexpr std::string_view abort = "(/,I5,' FATAL ERRORS on Parameter inputs.  ABORT!',/,/)";
        both(interactive, abort, {fatal});
        ask_fail(fio_text(abort, {fatal}));
    }
}
