// linecmd.cpp -- answer lines that are commands to the library itself: indirect files,
// journals, comments, messages, the shell, help and the backslash commands.

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>

#include "askq_local.h"
#include "eval.h"
#include "fio.h"
#include "help.h"
#include "parse.h"

namespace {

AskState& st = ask_state;

char at(int pos) { return st.line[static_cast<std::size_t>(pos - 1)]; }

char upper(char c) { return static_cast<char>(std::toupper(static_cast<unsigned char>(c))); }

bool from_file() { return st.src != Source::terminal; }

void end_journal()
{
    if (st.journal) fio_close(st.journal_unit);
    st.journal = false;
}

// "@+": a journal replaces the one open; a failed open leaves none, silently.
void start_journal(const std::string& name)
{
    end_journal();
    const int unit = fio_free_unit(83, fio_max_unit);
    if (unit < 0) return;
    if (fio_open(unit, name, FStatus::unknown) != 0) {
        fio_close(unit);
        return;
    }
    st.journal = true;
    st.journal_unit = unit;
}

void at_command()
{
    if (at(2) == '-') {
        end_journal();
        return;
    }
    leave_caller();
    if (at(2) == '+')
        start_journal(line_name(3, 80));
    else if (at(2) == '#')
        evalsave(line_name(3, 80), 1);
    else
        open_indirect(line_name(2, 80), line_part(2, 33), false);
}

// A '"' line from a file is shown to the user at the keyboard.
void message_line()
{
    if (st.batch || !from_file()) return;
    fio_write(fio_stdout, "(1X,A)", {line_part(1, line_last())});
}

void shell_line()
{
    const std::string cmd(text_of(line_part(2, ask_line_len)));
    ask_flush();
    const int status = std::system(cmd.c_str());  // the command speaks for itself
    (void)status;
}

void help_line(std::string_view topic, int lib_from)
{
    if (st.batch || ask_luns.caller_flag != 0) return;
    std::string lib(cb_ask_help.lib.full());
    if (line_last() > 3) lib = line_part(lib_from, line_last());
    help(cb_ask_help.dir.full(), lib, topic);
}

// "\T": a text file on the screen, each line after one blank.
void type_file()
{
    std::string name;
    if (text_of(line_part(3, 6)).empty()) {
        if (st.batch || ask_luns.caller_flag != 0) return;
        name = text_of(input_line("Filename to TYPE? ").value_or("").substr(0, 77));
    } else {
        name = line_name(3, 80);
    }
    const int unit = fio_free_unit(84, 99);
    if (unit < 0) return;
    bool ok = fio_open(unit, name, FStatus::old) == 0;
    std::array<char, 80> rec{};
    int r = 0;
    while (ok && (r = fio_read(unit, rec)) == 0)
        fio_write(fio_stdout, "(1x,a79)", {std::string_view(rec.data(), rec.size())});
    ok = ok && r == -1;
    if (!ok && !st.batch) {
        std::string shown = name;             // the name tried, left in its field
        shown.resize(std::max<std::size_t>(shown.size(), 32), ' ');
        fio_write(fio_stdout, "(' *** ASK:  Cannot Open ',A32,' on LUN',I3)", {shown, unit});
    }
    fio_close(unit);
}

void suspend()
{
    if (ask_luns.depth < 1 || st.suspended) return;
    st.saved = ask_luns;
    st.suspended = true;
    ask_luns.depth = 0;
    ask_luns.lun.fill(0);
    fio_write(fio_stdout, "(' *** ASK:  Indirect input Suspended',' by \"\\-@\" command.  "
                          "Resume with \"\\@\"  ***')");
}

void resume()
{
    if (!st.suspended || ask_luns.depth != 0) return;
    ask_luns.depth = st.saved.depth;
    ask_luns.lun = st.saved.lun;
    st.suspended = false;
}

// The loop's own file is the source of the line just read.
bool line_from_loop_file()
{
    if (st.loop.in_caller) return st.src == Source::caller;
    return st.src == Source::indirect && loop_owns_innermost();
}

void rewind_loop_file()
{
    fio_rewind(st.loop.in_caller ? ask_luns.caller_unit : st.loop.unit);
}

// "\L count": the lines of this file so far run again, count more times.
void loop_command()
{
    if (st.loop.pass >= 1) {
        if (line_from_loop_file()) loop_next();   // one loop at a time: others are ignored
        return;
    }
    double v = 0.0;
    if (!loc_eval(line_part(3, line_last()), v) || std::isnan(v)) v = 0.0;
    st.loop.count = static_cast<int>(std::clamp(std::trunc(v), -1e9, 1e9));
    if (ask_luns.depth >= 1) {
        st.loop.in_caller = false;
        st.loop.level = ask_luns.depth;
        st.loop.unit = ask_luns.lun[ask_luns.depth];
    } else if (ask_luns.caller_flag != 0) {
        st.loop.in_caller = true;
    } else {
        return;                                   // typed: nothing to run again
    }
    rewind_loop_file();
    st.loop.pass = 1;
}

}  // namespace

bool loop_owns_innermost()
{
    return st.loop.pass > 0 && !st.loop.in_caller && ask_luns.depth == st.loop.level &&
           ask_luns.lun[ask_luns.depth] == st.loop.unit;
}

void loop_next()
{
    if (st.loop.pass < st.loop.count) {
        ++st.loop.pass;
        rewind_loop_file();
        return;
    }
    st.loop.pass = 0;                             // and the file counts as ended
    if (st.loop.in_caller)
        leave_caller();
    else if (ask_luns.depth == st.loop.level)
        close_level();
}

// Writes text into the journal so that a replay reads it back whole: past the width of a
// physical line it goes on in continued lines. A text that must end where it ends (a prompt
// comment, a calculator line) but ends in "\" is followed by an empty line, which ends the
// logical line there instead of continuing it into the next answer.
void journal_put(std::string_view text, bool continues)
{
    constexpr std::size_t width = ask_phys_len;
    while (text.size() > width) {
        fio_write(st.journal_unit, "(A,'\\')", {text.substr(0, width - 1)});
        text.remove_prefix(width - 1);
    }
    fio_write(st.journal_unit, "(A)", {text});
    const std::string_view sig = text_of(text);
    if (!continues && !sig.empty() && sig.back() == '\\') fio_write(st.journal_unit, "()");
    fio_flush_all();
}

void journal_prompt(std::string_view prompt)
{
    if (st.journal_prompts) journal_put("!! " + std::string(text_of(prompt)) + " ", false);
}

// Commands, comments and messages stay in the first column so that a replay reads them as
// such; answers are indented by one blank, but only an answer of one line that has room for
// it: a longer or continued one goes in as it stands (its first character marks no
// command, so it reads the same), since its blank would push its last character past the
// 512 that are parsed or the whole line past 1024.
// A continuation line follows its line directly, with no prompt comment or blank that would
// land inside the answer. A calculator call goes in as a comment, its lines after it as the
// commands that redo them at a question (calc.cpp): the calculator of a replay would read
// the file in batch, else the keyboard.
void journal_line(std::string_view prompt, std::string_view line, bool first)
{
    if (first) journal_prompt(prompt);
    const bool calc_call = first && line.size() >= 2 && line[0] == '\\' && upper(line[1]) == 'C';
    const bool first_col = !first || (!line.empty() && std::string_view("\\@?$!\"").find(line[0]) !=
                                                           std::string_view::npos);
    if (calc_call)
        journal_put("!" + std::string(line), true);
    else if (first_col || line.size() >= static_cast<std::size_t>(ask_phys_len) ||
             (!line.empty() && line.back() == '\\'))
        journal_put(line, true);
    else
        journal_put(" " + std::string(line), true);
}

bool backslash_command(bool at_calc)
{
    const bool minus = at(2) == '-';
    const char letter = upper(minus ? at(3) : at(2));
    const bool interactive = !st.batch;
    if (!minus) {
        switch (letter) {
        case 'C': if (!at_calc) calculator(); return true;
        case '=': {
            double v = 0.0;
            if (loc_eval(line_part(3, line_last()), v) && interactive &&
                ask_luns.caller_flag == 0)
                show_value(v);
            return true;
        }
        case 'T': type_file(); return true;
        case 'D':
            parse_add_delim(at(3));
            if (interactive) parse_write_delims();
            return true;
        case 'G':
            parse_add_ignore(at(3));
            if (interactive) parse_write_ignore();
            return true;
        case 'E': st.echo = true; return true;
        case 'N': st.journal_prompts = true; return true;
        case '@': resume(); return true;
        case 'H': help_line("ASK", 3); return true;
        case 'L': loop_command(); return true;
        default: break;
        }
    } else {
        switch (letter) {
        case 'D':
            parse_delete_delim(at(4));
            if (interactive) parse_write_delims();
            return true;
        case 'G':
            parse_delete_ignore(at(4));
            if (interactive) parse_write_ignore();
            return true;
        case 'E': st.echo = false; return true;
        case 'N': st.journal_prompts = false; return true;
        case '@': suspend(); return true;
        case 'I': leave_caller(); return true;
        default: break;
        }
    }
    if (interactive && !at_calc) {
        const std::string two{at(1), upper(at(2))};
        fio_write(fio_stdout, "(' *** ASK:  Unknown Command \"',A2,'\"')", {two});
    }
    return false;
}

bool line_command()
{
    switch (at(1)) {
    case '@': at_command(); return true;
    case '!': return true;
    case '"': message_line(); return true;
    case '$': shell_line(); return true;
    case '\\': backslash_command(false); return true;
    case '?':
        if (at(2) != '?') return false;
        help_line(" ", 3);
        return true;
    default: return false;
    }
}
