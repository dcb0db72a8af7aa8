// setup.cpp -- the set-up dialog at "DIRADE>": signals with their table questions, parameter
// expressions, answer-file name, independent variables, replotting and the closing checks.
#include "setup.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <string>
#include <string_view>
#include <vector>

#include "ask.h"
#include "fit_records.h"
#include "fit_reports.h"
#include "fit_theory.h"
#include "setup_local.h"

namespace {

// Entries of 8 characters, first match first; the blank one is the empty line.
constexpr std::string_view dirade_table = "SIGNAL  SPECTRUMADD_SPECOUTPUT  IND_VAR REPLOT          ";
enum DiradeCmd : int { cmd_signal = 1, cmd_spectrum, cmd_add_spec, cmd_output, cmd_ind_var,
                       cmd_replot, cmd_end };

// Kinds of table read in this set-up (each at most once), and the OMNI rule: once a
// signal has an OMNI slot, every later signal gets the OMNI question instead of its own.
struct SetupTables {
    std::array<bool, sig_ask_kinds> loaded{};  // [SigAsk::kind]
    bool omni_question = false;
};
SetupTables tables;

std::string last_message;  // the text of the last check that spoke, for a batch stop's reason

constexpr std::string_view title_layout = "(10X,'Title of Relaxation-Function TABLE:',/,1X,20A4)";

// The table's 80-character title in the twenty 4-character pieces of its layout.
void write_table_title(std::string_view title80)
{
    std::array<std::string, 20> piece;
    std::vector<FVal> vals;
    for (std::size_t i = 0; i < piece.size(); ++i) {
        piece[i] = std::string(title80.substr(std::min<std::size_t>(4 * i, title80.size()), 4));
        piece[i].resize(4, ' ');
        vals.emplace_back(std::string_view(piece[i]));
    }
    fio_write(fio_stdout, title_layout, vals);
}

// One table question: the answer replaces the recorded name; the table is read only when
// its kind has not been read in this set-up.
void table_question(const SigAsk& q)
{
    ask1(q.prompt, Val{"40A", filenames.nametbl(q.nametbl)});
    bool& loaded = tables.loaded[static_cast<std::size_t>(q.kind)];
    if (loaded) return;
    // The readers take an 80-character name, blanks and all: their messages show it so.
    const FText<80> name = filenames.nametbl(q.nametbl).full();
    q.reader(name.full());  // stops the process on a bad table
    loaded = true;
    if (q.title != nullptr) write_table_title(q.title());
}

// At most one table question, chosen by the stored slots of signal s.
void signal_table(int s)
{
    const int pha = fitpar.ifitsg(sg_pha, s), frq = fitpar.ifitsg(sg_frq, s);
    const int rlx = fitpar.ifitsg(sg_rlx, s), hop = fitpar.ifitsg(sg_hop, s);
    // Without the OMNI rule this signal has no table slot set.
    const SigAsk* q = tables.omni_question ? &sig_ask_omni : sig_form({pha, frq, rlx, hop}).ask;
    if (q != nullptr && !(q->empty_phase && pha != 0)) table_question(*q);
}

void output_question()
{
    ask1("\"Initial Guess\" File for RESULTS > ", Val{"80A", filenames.nameout});
}

// False when the list is full already (the message written).
bool ind_var_questions()
{
    Indvar& v = indvar;
    if (v.nindvar >= max_indvar) {
        setup_message("(/,' *** Only',I3,' Independent Variables allowed! ***',/)", {max_indvar});
        return false;
    }
    while (v.nindvar < max_indvar) {
        const int i = v.nindvar + 1;
        int nch = 0;
        ask4s("Independent Variable [NAME, VALUE, +ERR, -ERR] > ", Val{"10A", v.viname(i)},
              Val{"D", v.vival(i)}, Val{"D", v.viep(i)}, Val{"D", v.viem(i)}, nch);
        if (nch == 0) return true;
        v.nindvar = i;
    }
    return true;
}

// The expressions so far with the labels at their parameter lines' values, as the first
// evaluation of the fit will take them: true when every one gives a value. One that does
// not would leave its slot as it was and fail at every evaluation.
bool expression_evaluates()
{
    std::array<double, max_minuit_par + 1> x{};
    for (int j = 1; j <= used_parlines(); ++j) {
        const int p = bestfit.xparn(j);
        if (p >= 1 && p <= max_minuit_par) x[static_cast<std::size_t>(p)] = bestfit.xbest(p);
    }
    return vul_premap(x.data());
}

// A count REPLOT asks for. At the keyboard "?" shows REPLOT's help and asks again, as it
// lists the commands at the dialog's prompt; any other answer reads as the number it is.
int replot_count(std::string_view prompt)
{
    int n = 0;
    while (interact()) {
        FText<512> typed;  // as much of the line as the parse of a number reads
        ask1(prompt, Val{"512A", typed});
        if (typed.trimmed() == "?") {
            help(cb_ask_help.dir.full(), cb_ask_help.lib.full(), "DIRADE REPLOT");
            continue;
        }
        parse(typed.full());
        int error = 0;
        parsevalue(Val{"I", n}, false, error);
        if (error == 0) return n;
        ask_refused(eval_last_error());
    }
    ask1(prompt, Val{"I", n});
    return n;
}

void replot_settings(const float* args)
{
    replot.interval = slot_number(args[0]);
    if (replot.interval == 0) replot.interval = replot_count("Replot each ? passes: ");
    replot.maxcount = slot_number(args[1]);
    if (replot.maxcount == 0) replot.maxcount = replot_count("Maximum # of Replots: ");
    replot.on = static_cast<long long>(replot.interval) * replot.maxcount > 0;
    replot.calls = 0;
    replot.done = 0;
}

}  // namespace

void setup_failed()
{
    if (ask_unattended()) ask_fail(last_message);
}

void setup_message(std::string_view layout, std::initializer_list<FVal> vals)
{
    fio_write(fio_stdout, layout, vals);
    fio_write(fileio.lunprt(), layout, vals);
    last_message = fio_text(layout, vals);
}

void setup_begin()
{
    fit_records_new_setup();
    tables = SetupTables{};
}

void new_expression(int k)
{
    Expressions& e = expressions;
    if (e.nexpr >= max_expressions) {
        constexpr std::string_view too_many =
            "(/,/,' **** DIRADE cannot store more than',I3,' Expressions to Evaluate! ****',/)";
        fio_write(fio_stdout, too_many, {max_expressions});
        ask_fail(fio_text(too_many, {max_expressions}));
    }
    const int n = ++e.nexpr;
    e.jexpr(n) = std::abs(k);
    for (;;) {
        int nch = 0;
        ask1s("Expression: ", Val{"80A", e.sexpr(n)}, nch);
        e.nchexpr(n) = nch;
        if (expression_evaluates()) return;
        const std::string reason = fio_format1(
            "(' *** Expression for',I4,' does not evaluate with the initial parameter values: ',A)",
            {e.jexpr(n), e.sexpr(n).trimmed()});
        setup_message("(A)", {reason});
        if (ask_unattended()) ask_fail(reason);
        drop_ask_indir();  // a replayed file's next lines are no expressions: the user answers
    }
}

void setup_signal(const float* args)
{
    if (fitpar.nsig >= max_signals) return;  // a further signal is ignored
    const int s = ++fitpar.nsig;
    for (int i = 1; i <= n_slots; ++i) {
        const int k = slot_number(args[i - 1]);
        fitpar.ifitsg(i, s) = k;
        if (std::abs(k) > 200) new_expression(k);
        if (i >= 6 && k != 0) tables.omni_question = true;
    }
    signal_table(s);
}

bool setup_close(const double* x)
{
    if (!loc_batch()) set_ask_indir(0, 0);  // a replayed answer file hands over here
    const bool no_spectra = i_fit_ctl.nspec <= 0, no_signals = fitpar.nsig <= 0;
    constexpr std::string_view missing = "(' ERROR!   There are no ',A,' defined! ')";
    if (no_spectra) fio_write(fio_stdout, missing, {"spectra"});
    if (no_signals) fio_write(fio_stdout, missing, {"signals"});
    if (no_spectra || no_signals) {
        last_message = fio_text(missing, {no_spectra ? "spectra" : "signals"});
        setup_failed();
        return false;
    }
    bestfit.fmin = 1e20;
    bestfit.ndata = vul_fitted_points();
    vul_checkmap(x);
    return true;
}

bool dirade_setup(int npar, double* x)
{
    setup_begin();
    for (;;) {
        std::array<float, n_slots> args{};
        int icmd = 0;
        cmli1("DIRADE>", 7, 8, dirade_table, icmd, Val{"10R", args});
        bool ok = true;
        switch (icmd) {
        case cmd_signal: setup_signal(args.data()); break;
        case cmd_spectrum: ok = store_spectrum(args.data()); break;
        case cmd_add_spec: ok = store_add_spec(); break;
        case cmd_output: output_question(); break;
        case cmd_ind_var: ok = ind_var_questions(); break;
        case cmd_replot: replot_settings(args.data()); break;
        case cmd_end:
            if (!setup_close(x)) continue;
            if (loc_batch()) return false;  // MINUIT keeps its own value for this call
            vul_prt(prt_guess, npar, x);
            return true;
        default: break;
        }
        if (!ok) setup_failed();
    }
}
