// askq.cpp -- the question engine: one body behind every ask entry point.
// Logical answer lines are assembled here from the caller's unit, the indirect files or the
// terminal; line commands go to linecmd.cpp, answers to the field parser.

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "askq_local.h"
#include "chars.h"
#include "eval.h"
#include "fio.h"
#include "parse.h"
#include "tell.h"

namespace {

AskState& st = ask_state;
int passed_over = 0;  // lines of files and scripts whose fields did not read (ask_passed_over)

// The prompt for a terminal read: the shown form puts the current values in braces.
std::string terminal_prompt(std::span<const Val> v, AskForm form)
{
    std::array<char, ask_prompt_len> buf{};
    if (form == AskForm::shown)
        tell_nd(st.prompt, v, buf);
    else
        put_text(buf, st.prompt);
    std::string p(text_of(buf));
    return p + ' ';                   // "MINUIT> " stays as it is; "N >" gets its blank
}

// Reads one physical line, whole, from the first source that has one; ended sources are left.
void read_physical(std::span<const Val> v, AskForm form)
{
    for (;;) {
        if (ask_luns.caller_flag != 0) {
            if (fio_read_line(ask_luns.caller_unit, st.pline) == 0) {
                st.src = Source::caller;
                break;
            }
            if (st.loop.pass > 0 && st.loop.in_caller)
                loop_next();
            else
                leave_caller();
            continue;
        }
        if (ask_luns.depth >= 1) {
            if (fio_read_line(ask_luns.lun[ask_luns.depth], st.pline) == 0) {
                st.src = Source::indirect;
                break;
            }
            if (loop_owns_innermost())
                loop_next();
            else
                close_level();
            continue;
        }
        st.terminal_prompt = terminal_prompt(v, form);
        terminal_line(st.terminal_prompt, st.pline);
        st.src = Source::terminal;
        break;
    }
    st.pn = static_cast<int>(ask_trim(st.pline).size());
}

// The logical line as a refusal names it: in quotes, its first 60 characters.
std::string quoted_line()
{
    constexpr std::size_t shown = 60;
    const std::string_view text = line_part(1, line_last());
    if (text.size() <= shown) return '"' + std::string(text) + '"';
    return '"' + std::string(text_of(text.substr(0, shown))) + "\"...";
}

// Assembles one logical line: physical lines ending in "\" continue it, each one
// overwriting the backslash of the one before; a physical line longer than 132 characters
// is taken whole. A logical line that would pass 1024 characters is read to its end and
// refused whole (false): no part of it answers, and the question is put again.
bool read_logical(std::span<const Val> v, AskForm form)
{
    std::fill(st.line.begin(), st.line.end(), ' ');
    int pos = 1;
    bool journalled = true;    // a line that opens or closes a journal is kept out of them all
    bool too_long = false;
    for (;;) {
        read_physical(v, form);
        const int n = st.pn;
        const std::string_view text(st.pline.data(), static_cast<std::size_t>(n));
        if (pos == 1) journalled = !text.starts_with("@+") && !text.starts_with("@-");
        if (st.src == Source::terminal && st.journal && journalled)
            journal_line(st.terminal_prompt, text, pos == 1);
        if (st.src != Source::terminal && st.echo)
            fio_write(fio_stdout, pos == 1 ? "(A)" : "('+',A)", {text});
        if (n == 0) {                           // an empty line ends it; a pending "\" goes
            st.line[static_cast<std::size_t>(pos - 1)] = ' ';
            break;
        }
        too_long = too_long || pos + n - 1 > ask_line_len;
        if (!too_long) {
            std::copy_n(text.begin(), n, st.line.begin() + (pos - 1));
            std::fill(st.line.begin() + (pos - 1 + n), st.line.end(), ' ');
            pos += n - 1;
        }
        if (text.back() != '\\') break;
    }
    if (!too_long) return true;
    ask_write(" *** ASK:  Answer line longer than 1024 characters refused: " + quoted_line());
    return false;
}

// The answer just read is refused: a line of a file or a script is counted as passed over.
void refuse_line(std::string_view why)
{
    if (st.src != Source::terminal || st.batch) ++passed_over;
    ask_refused(why);
}

// First unit not open counting down from 82; 0 when the search reaches it.
int free_unit_down()
{
    return std::max(fio_free_unit(82, 1), 0);
}

}  // namespace

std::string_view ask_trim(std::span<char> f)
{
    int n = 0;
    chtrim_blnk(n, f);
    return {f.data(), static_cast<std::size_t>(n)};
}

std::string_view line_part(int a, int b)
{
    a = std::max(a, 1);
    b = std::min(b, ask_line_len);
    if (b < a) return {};
    return {st.line.data() + (a - 1), static_cast<std::size_t>(b - a + 1)};
}

std::string line_name(int a, int b) { return std::string(text_of(line_part(a, b))); }

int line_last() { return static_cast<int>(text_of(st.line).size()); }

void baseask(std::string_view prompt, std::span<const Val> v, AskForm form, int* nch)
{
    st.batch = loc_batch();
    st.prompt.assign(prompt.substr(0, ask_prompt_len));
    if (v.empty()) {
        if (ask_luns.caller_flag == 0 && ask_luns.depth <= 0)
            fio_write(fio_stdout, "(' ',A)", {st.prompt});
        return;
    }
    for (;;) {
        if (!read_logical(v, form)) {
            refuse_line("longer than 1024 characters");
            continue;
        }
        st.batch = loc_batch();
        if (line_command()) continue;
        parse({st.line.data(), st.line.size()});
        int error = 0;
        for (const Val& f : v) {
            parsevalue(f, form == AskForm::shown, error);
            if (error != 0) break;              // fields stored so far keep their values
        }
        if (error == 0) break;
        refuse_line(eval_last_error());
    }
    if (nch != nullptr) *nch = st.pn;
}

int ask_passed_over() { return passed_over; }

// ---- Answer sources ---------------------------------------------------------------------

void close_level()
{
    if (ask_luns.depth < 1) return;
    const int unit = ask_luns.lun[ask_luns.depth];
    if (loop_owns_innermost()) st.loop.pass = 0;   // a loop never outlives its file
    fio_close(unit);
    ask_luns.lun[ask_luns.depth] = 0;
    --ask_luns.depth;
}

void leave_caller()
{
    if (ask_luns.caller_flag == 0) return;
    if (st.loop.pass > 0 && st.loop.in_caller) st.loop.pass = 0;
    ask_luns.caller_flag = 0;
}

void open_indirect(std::string_view name, std::string_view shown, bool programmatic)
{
    leave_caller();
    if (ask_luns.depth >= ask_max_depth) {
        constexpr std::string_view too_deep =
            "(/,' *** ASK:  Attempt to nest Indirect',' files more than 10 deep ***',/)";
        fio_write(fio_stdout, too_deep);
        if (programmatic || st.batch) ask_fail(fio_text(too_deep));
        close_level();                          // the new file takes the innermost's place
    }
    ++ask_luns.depth;
    const int unit = free_unit_down();
    if (unit != 0 && fio_open(unit, name, FStatus::old) == 0) {
        ask_luns.lun[ask_luns.depth] = unit;
        return;
    }
    if (!st.batch) {
        fio_write(fio_stdout, "(' *** ASK:  Cannot Open #',I2,' Indirect file on LUN',I3,"
                              "': ',A32)", {ask_luns.depth, unit, shown});
    }
    if (unit != 0) fio_close(unit);
    ask_luns.lun[ask_luns.depth] = 0;
    ask_luns.depth = std::max(ask_luns.depth - 1, 0);
}

void ask_refused(std::string_view why)
{
    if (loc_batch())
        ask_fail_at_end("Answer refused: " + quoted_line() + " (" + std::string(why) + ")",
                        ask_end_refused);
}

void ask_write(std::string_view text) { fio_write(fio_stdout, "(A)", {text}); }

void ask_flush() { fio_flush_all(); }

namespace {
// The reasons of ask_fail_at_end, in order, and the most serious status among them (0: none).
std::vector<std::string> failed_at_end;
int failed_status = 0;
}

void ask_fail_at_end(std::string_view reason, AskEndStatus status)
{
    if (std::find(failed_at_end.begin(), failed_at_end.end(), reason) == failed_at_end.end())
        failed_at_end.emplace_back(reason);
    if (failed_status == 0 || status < failed_status) failed_status = status;
}

// A file that lost lines on the way (a full disk, a size limit: the log above all) is no
// finished run either: said on the screen, and in batch the run ends with status 1.
static void note_lost_files()
{
    for (int n = 1; n <= fio_max_unit; ++n) {
        const int err = fio_lost(n);
        if (err == 0) continue;
        const std::string line = fio_format1("(' *** File not written whole: ',A,' (',A,')')",
                                             {fio_name(n), std::strerror(err)});
        fio_write(fio_stdout, "(A)", {line});
        if (loc_batch()) ask_fail_at_end(line);
    }
}

// One reason as one line on standard error, its blanks at both ends dropped.
static void write_reason(std::string_view reason)
{
    const auto first = reason.find_first_not_of(' ');
    const auto last = reason.find_last_not_of(' ');
    if (first == std::string_view::npos) return;
    fio_write(fio_stderr, "(A)", {reason.substr(first, last - first + 1)});
}

void ask_stop(int status)
{
    if (status == 0) note_lost_files();
    if (status == 0 && failed_status != 0) {
        ask_flush();  // the screen's lines stay before the reasons
        for (const std::string& r : failed_at_end) write_reason(r);
        status = failed_status;
    }
    ask_flush();
    fio_close_all();
    std::exit(status);
}

void ask_fail(std::string_view reason)
{
    ask_flush();  // the screen's lines stay before the reasons
    for (const std::string& r : failed_at_end) write_reason(r);
    write_reason(reason);
    ask_stop(1);
}

// ---- Settings and tests -------------------------------------------------------------------

void set_ask_indir(int flag, int unit)
{
    if (ask_luns.caller_flag == 0 && flag == 0 && ask_luns.depth != 0) close_level();
    if (flag == 0) leave_caller();
    ask_luns.caller_flag = flag;
    if (unit != 0) ask_luns.caller_unit = unit;
}

void drop_ask_indir()
{
    while (ask_luns.caller_flag != 0 || ask_luns.depth > 0) set_ask_indir(0, 0);
}

void set_ask_delims(std::string_view delims)
{
    parse_set_delims(delims);
    if (!loc_batch()) parse_write_delims();
}

void set_ask_echo(int flag) { st.echo = flag != 0; }

void set_ask_file(std::string_view name)
{
    st.batch = loc_batch();
    open_indirect(name, name, true);
}

bool interact()
{
    return !loc_batch() && ask_luns.caller_flag == 0 && ask_luns.depth <= 0;
}
