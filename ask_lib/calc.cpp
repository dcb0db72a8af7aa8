// calc.cpp -- the calculator of "\C": expressions evaluated one line at a time.
// Its lines are not echoed; an empty line returns to the question.

#include <algorithm>

#include "askq_local.h"
#include "eval.h"
#include "fio.h"

namespace {

AskState& st = ask_state;

// The next calculator line, whole: typed at "CALC> " (the end of input ends the calculator
// and is the end for every later question too), or in batch the innermost file's next line.
bool calc_line(std::string& line)
{
    if (!st.batch) {
        terminal_line("CALC> ", line);
        return true;
    }
    return ask_luns.depth >= 1 && fio_read_line(ask_luns.lun[ask_luns.depth], line) == 0;
}

// A line typed at "CALC> " goes into an open journal as what redoes it at a question: an
// expression as "\=" and a backslash command as it stands. One that ends in "\" would
// continue into the next line at a question, so it cannot be replayed: it goes in as a
// comment, and the user is told.
void journal_calc(std::string_view line)
{
    if (!st.journal || st.batch) return;
    journal_prompt("CALC> ");
    const std::string redo = line[0] == '\\' ? std::string(line) : "\\=" + std::string(line);
    if (line.back() != '\\') {
        journal_put(redo, false);
        return;
    }
    journal_put("!" + redo, false);
    ask_write(" *** ASK:  A line ending in \"\\\" cannot be replayed; journalled as a comment");
}

}  // namespace

void show_value(double v) { fio_write(fio_stdout, "(G20.8)", {v}); }

void calculator()
{
    st.calc = true;
    std::string buf;
    while (calc_line(buf)) {
        const std::string_view text = ask_trim(buf);
        if (text.empty()) break;
        if (text[0] == '\\') {                  // a backslash command, as at the question
            put_text(st.line, text);
            st.pn = static_cast<int>(text.size());
            if (text.size() >= 2 && (text[1] == 'C' || text[1] == 'c')) continue;
            const std::string command(text);    // the command may read a line of its own
            if (backslash_command(true)) journal_calc(command);
            break;
        }
        journal_calc(text);
        double v = 0.0;
        if (loc_eval(text, v) && !st.batch && ask_luns.caller_flag == 0) show_value(v);
    }
    st.calc = false;
}
