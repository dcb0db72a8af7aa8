// askq.h -- the question engine: every question of the system, its answer sources and settings.
// One body (baseask) behind the ask families; answers come from the caller's unit, indirect files
// or standard input (through GNU readline at a terminal, as it stands otherwise).
#pragma once

#include <array>
#include <span>
#include <string_view>

#include "parse.h"

// Where answers come from. Written by the engine and its line commands; callers may read it.
struct AskLuns {
    int depth = 0;                // open indirect files, 0..10; level depth is the innermost
    std::array<int, 11> lun{};    // [1..10] unit of the indirect file at each level; [0] unused
    int caller_flag = 0;          // not 0: answer lines come from caller_unit, ahead of all else
    int caller_unit = 0;          // the caller-given unit
};
inline AskLuns ask_luns;          // lives as long as the process

// The question forms: plain (an empty field takes the parse default, a text field blanks),
// shown (the prompt shows the current values in braces; an empty field keeps its value).
enum class AskForm { plain, shown };

// Puts one question: shows prompt, reads one logical answer line (carrying out answer-line
// commands and asking again after each, and after a field that does not evaluate) and parses
// it into v, one field each. With no fields the prompt is only written, and only when the
// answer would come from the keyboard. nch, when given and fields were read, receives the
// significant length of the last physical line (0: empty answer).
void baseask(std::string_view prompt, std::span<const Val> v, AskForm form, int* nch);
// How many answer lines from a file or a script a question has passed over so far because a
// field did not read (the question then took the next line): a caller that must not lose a
// line compares the count before and after its question.
int ask_passed_over();

inline void ask0(std::string_view p) { baseask(p, {}, AskForm::plain, nullptr); }
inline void ask0s(std::string_view p, int& nch) { baseask(p, {}, AskForm::plain, &nch); }
inline void ask1(std::string_view p, const Val& a)
    { baseask(p, val_list(a), AskForm::plain, nullptr); }
inline void ask2(std::string_view p, const Val& a, const Val& b)
    { baseask(p, val_list(a, b), AskForm::plain, nullptr); }
inline void ask3(std::string_view p, const Val& a, const Val& b, const Val& c)
    { baseask(p, val_list(a, b, c), AskForm::plain, nullptr); }
inline void ask4(std::string_view p, const Val& a, const Val& b, const Val& c, const Val& d)
    { baseask(p, val_list(a, b, c, d), AskForm::plain, nullptr); }
inline void ask5(std::string_view p, const Val& a, const Val& b, const Val& c, const Val& d,
                 const Val& e)
    { baseask(p, val_list(a, b, c, d, e), AskForm::plain, nullptr); }
inline void ask6(std::string_view p, const Val& a, const Val& b, const Val& c, const Val& d,
                 const Val& e, const Val& f)
    { baseask(p, val_list(a, b, c, d, e, f), AskForm::plain, nullptr); }
inline void ask7(std::string_view p, const Val& a, const Val& b, const Val& c, const Val& d,
                 const Val& e, const Val& f, const Val& g)
    { baseask(p, val_list(a, b, c, d, e, f, g), AskForm::plain, nullptr); }
inline void ask8(std::string_view p, const Val& a, const Val& b, const Val& c, const Val& d,
                 const Val& e, const Val& f, const Val& g, const Val& h)
    { baseask(p, val_list(a, b, c, d, e, f, g, h), AskForm::plain, nullptr); }
inline void ask9(std::string_view p, const Val& a, const Val& b, const Val& c, const Val& d,
                 const Val& e, const Val& f, const Val& g, const Val& h, const Val& i)
    { baseask(p, val_list(a, b, c, d, e, f, g, h, i), AskForm::plain, nullptr); }
inline void ask10(std::string_view p, const Val& a, const Val& b, const Val& c, const Val& d,
                  const Val& e, const Val& f, const Val& g, const Val& h, const Val& i,
                  const Val& j)
    { baseask(p, val_list(a, b, c, d, e, f, g, h, i, j), AskForm::plain, nullptr); }
inline void ask11(std::string_view p, const Val& a, const Val& b, const Val& c, const Val& d,
                  const Val& e, const Val& f, const Val& g, const Val& h, const Val& i,
                  const Val& j, const Val& k)
    { baseask(p, val_list(a, b, c, d, e, f, g, h, i, j, k), AskForm::plain, nullptr); }
inline void ask12(std::string_view p, const Val& a, const Val& b, const Val& c, const Val& d,
                  const Val& e, const Val& f, const Val& g, const Val& h, const Val& i,
                  const Val& j, const Val& k, const Val& l)
    { baseask(p, val_list(a, b, c, d, e, f, g, h, i, j, k, l), AskForm::plain, nullptr); }
inline void ask13(std::string_view p, const Val& a, const Val& b, const Val& c, const Val& d,
                  const Val& e, const Val& f, const Val& g, const Val& h, const Val& i,
                  const Val& j, const Val& k, const Val& l, const Val& m)
    { baseask(p, val_list(a, b, c, d, e, f, g, h, i, j, k, l, m), AskForm::plain, nullptr); }
inline void ask14(std::string_view p, const Val& a, const Val& b, const Val& c, const Val& d,
                  const Val& e, const Val& f, const Val& g, const Val& h, const Val& i,
                  const Val& j, const Val& k, const Val& l, const Val& m, const Val& n)
    { baseask(p, val_list(a, b, c, d, e, f, g, h, i, j, k, l, m, n), AskForm::plain, nullptr); }
inline void ask15(std::string_view p, const Val& a, const Val& b, const Val& c, const Val& d,
                  const Val& e, const Val& f, const Val& g, const Val& h, const Val& i,
                  const Val& j, const Val& k, const Val& l, const Val& m, const Val& n,
                  const Val& o)
    { baseask(p, val_list(a, b, c, d, e, f, g, h, i, j, k, l, m, n, o), AskForm::plain, nullptr); }
inline void ask16(std::string_view p, const Val& a, const Val& b, const Val& c, const Val& d,
                  const Val& e, const Val& f, const Val& g, const Val& h, const Val& i,
                  const Val& j, const Val& k, const Val& l, const Val& m, const Val& n,
                  const Val& o, const Val& q)
    { baseask(p, val_list(a, b, c, d, e, f, g, h, i, j, k, l, m, n, o, q),
              AskForm::plain, nullptr); }
inline void ask17(std::string_view p, const Val& a, const Val& b, const Val& c, const Val& d,
                  const Val& e, const Val& f, const Val& g, const Val& h, const Val& i,
                  const Val& j, const Val& k, const Val& l, const Val& m, const Val& n,
                  const Val& o, const Val& q, const Val& r)
    { baseask(p, val_list(a, b, c, d, e, f, g, h, i, j, k, l, m, n, o, q, r),
              AskForm::plain, nullptr); }
inline void ask18(std::string_view p, const Val& a, const Val& b, const Val& c, const Val& d,
                  const Val& e, const Val& f, const Val& g, const Val& h, const Val& i,
                  const Val& j, const Val& k, const Val& l, const Val& m, const Val& n,
                  const Val& o, const Val& q, const Val& r, const Val& s)
    { baseask(p, val_list(a, b, c, d, e, f, g, h, i, j, k, l, m, n, o, q, r, s),
              AskForm::plain, nullptr); }
inline void ask19(std::string_view p, const Val& a, const Val& b, const Val& c, const Val& d,
                  const Val& e, const Val& f, const Val& g, const Val& h, const Val& i,
                  const Val& j, const Val& k, const Val& l, const Val& m, const Val& n,
                  const Val& o, const Val& q, const Val& r, const Val& s, const Val& t)
    { baseask(p, val_list(a, b, c, d, e, f, g, h, i, j, k, l, m, n, o, q, r, s, t),
              AskForm::plain, nullptr); }
inline void ask20(std::string_view p, const Val& a, const Val& b, const Val& c, const Val& d,
                  const Val& e, const Val& f, const Val& g, const Val& h, const Val& i,
                  const Val& j, const Val& k, const Val& l, const Val& m, const Val& n,
                  const Val& o, const Val& q, const Val& r, const Val& s, const Val& t,
                  const Val& u)
    { baseask(p, val_list(a, b, c, d, e, f, g, h, i, j, k, l, m, n, o, q, r, s, t, u),
              AskForm::plain, nullptr); }
inline void ask1d(std::string_view p, const Val& a)
    { baseask(p, val_list(a), AskForm::shown, nullptr); }
inline void ask2d(std::string_view p, const Val& a, const Val& b)
    { baseask(p, val_list(a, b), AskForm::shown, nullptr); }
inline void ask3d(std::string_view p, const Val& a, const Val& b, const Val& c)
    { baseask(p, val_list(a, b, c), AskForm::shown, nullptr); }
inline void ask4d(std::string_view p, const Val& a, const Val& b, const Val& c, const Val& d)
    { baseask(p, val_list(a, b, c, d), AskForm::shown, nullptr); }
inline void ask5d(std::string_view p, const Val& a, const Val& b, const Val& c, const Val& d,
                  const Val& e)
    { baseask(p, val_list(a, b, c, d, e), AskForm::shown, nullptr); }
inline void ask6d(std::string_view p, const Val& a, const Val& b, const Val& c, const Val& d,
                  const Val& e, const Val& f)
    { baseask(p, val_list(a, b, c, d, e, f), AskForm::shown, nullptr); }
inline void ask7d(std::string_view p, const Val& a, const Val& b, const Val& c, const Val& d,
                  const Val& e, const Val& f, const Val& g)
    { baseask(p, val_list(a, b, c, d, e, f, g), AskForm::shown, nullptr); }
inline void ask8d(std::string_view p, const Val& a, const Val& b, const Val& c, const Val& d,
                  const Val& e, const Val& f, const Val& g, const Val& h)
    { baseask(p, val_list(a, b, c, d, e, f, g, h), AskForm::shown, nullptr); }
inline void ask9d(std::string_view p, const Val& a, const Val& b, const Val& c, const Val& d,
                  const Val& e, const Val& f, const Val& g, const Val& h, const Val& i)
    { baseask(p, val_list(a, b, c, d, e, f, g, h, i), AskForm::shown, nullptr); }
inline void ask10d(std::string_view p, const Val& a, const Val& b, const Val& c, const Val& d,
                   const Val& e, const Val& f, const Val& g, const Val& h, const Val& i,
                   const Val& j)
    { baseask(p, val_list(a, b, c, d, e, f, g, h, i, j), AskForm::shown, nullptr); }
inline void ask1s(std::string_view p, const Val& a, int& nch)
    { baseask(p, val_list(a), AskForm::plain, &nch); }
inline void ask2s(std::string_view p, const Val& a, const Val& b, int& nch)
    { baseask(p, val_list(a, b), AskForm::plain, &nch); }
inline void ask3s(std::string_view p, const Val& a, const Val& b, const Val& c, int& nch)
    { baseask(p, val_list(a, b, c), AskForm::plain, &nch); }
inline void ask4s(std::string_view p, const Val& a, const Val& b, const Val& c, const Val& d,
                  int& nch)
    { baseask(p, val_list(a, b, c, d), AskForm::plain, &nch); }
inline void ask5s(std::string_view p, const Val& a, const Val& b, const Val& c, const Val& d,
                  const Val& e, int& nch)
    { baseask(p, val_list(a, b, c, d, e), AskForm::plain, &nch); }
inline void ask6s(std::string_view p, const Val& a, const Val& b, const Val& c, const Val& d,
                  const Val& e, const Val& f, int& nch)
    { baseask(p, val_list(a, b, c, d, e, f), AskForm::plain, &nch); }
inline void ask7s(std::string_view p, const Val& a, const Val& b, const Val& c, const Val& d,
                  const Val& e, const Val& f, const Val& g, int& nch)
    { baseask(p, val_list(a, b, c, d, e, f, g), AskForm::plain, &nch); }
inline void ask8s(std::string_view p, const Val& a, const Val& b, const Val& c, const Val& d,
                  const Val& e, const Val& f, const Val& g, const Val& h, int& nch)
    { baseask(p, val_list(a, b, c, d, e, f, g, h), AskForm::plain, &nch); }
inline void ask9s(std::string_view p, const Val& a, const Val& b, const Val& c, const Val& d,
                  const Val& e, const Val& f, const Val& g, const Val& h, const Val& i, int& nch)
    { baseask(p, val_list(a, b, c, d, e, f, g, h, i), AskForm::plain, &nch); }
inline void ask10s(std::string_view p, const Val& a, const Val& b, const Val& c, const Val& d,
                   const Val& e, const Val& f, const Val& g, const Val& h, const Val& i,
                   const Val& j, int& nch)
    { baseask(p, val_list(a, b, c, d, e, f, g, h, i, j), AskForm::plain, &nch); }
inline void ask11s(std::string_view p, const Val& a, const Val& b, const Val& c, const Val& d,
                   const Val& e, const Val& f, const Val& g, const Val& h, const Val& i,
                   const Val& j, const Val& k, int& nch)
    { baseask(p, val_list(a, b, c, d, e, f, g, h, i, j, k), AskForm::plain, &nch); }
inline void ask12s(std::string_view p, const Val& a, const Val& b, const Val& c, const Val& d,
                   const Val& e, const Val& f, const Val& g, const Val& h, const Val& i,
                   const Val& j, const Val& k, const Val& l, int& nch)
    { baseask(p, val_list(a, b, c, d, e, f, g, h, i, j, k, l), AskForm::plain, &nch); }
inline void ask13s(std::string_view p, const Val& a, const Val& b, const Val& c, const Val& d,
                   const Val& e, const Val& f, const Val& g, const Val& h, const Val& i,
                   const Val& j, const Val& k, const Val& l, const Val& m, int& nch)
    { baseask(p, val_list(a, b, c, d, e, f, g, h, i, j, k, l, m), AskForm::plain, &nch); }
inline void ask14s(std::string_view p, const Val& a, const Val& b, const Val& c, const Val& d,
                   const Val& e, const Val& f, const Val& g, const Val& h, const Val& i,
                   const Val& j, const Val& k, const Val& l, const Val& m, const Val& n, int& nch)
    { baseask(p, val_list(a, b, c, d, e, f, g, h, i, j, k, l, m, n), AskForm::plain, &nch); }
inline void ask15s(std::string_view p, const Val& a, const Val& b, const Val& c, const Val& d,
                   const Val& e, const Val& f, const Val& g, const Val& h, const Val& i,
                   const Val& j, const Val& k, const Val& l, const Val& m, const Val& n,
                   const Val& o, int& nch)
    { baseask(p, val_list(a, b, c, d, e, f, g, h, i, j, k, l, m, n, o), AskForm::plain, &nch); }
inline void ask16s(std::string_view p, const Val& a, const Val& b, const Val& c, const Val& d,
                   const Val& e, const Val& f, const Val& g, const Val& h, const Val& i,
                   const Val& j, const Val& k, const Val& l, const Val& m, const Val& n,
                   const Val& o, const Val& q, int& nch)
    { baseask(p, val_list(a, b, c, d, e, f, g, h, i, j, k, l, m, n, o, q), AskForm::plain, &nch); }
inline void ask17s(std::string_view p, const Val& a, const Val& b, const Val& c, const Val& d,
                   const Val& e, const Val& f, const Val& g, const Val& h, const Val& i,
                   const Val& j, const Val& k, const Val& l, const Val& m, const Val& n,
                   const Val& o, const Val& q, const Val& r, int& nch)
    { baseask(p, val_list(a, b, c, d, e, f, g, h, i, j, k, l, m, n, o, q, r),
              AskForm::plain, &nch); }
inline void ask18s(std::string_view p, const Val& a, const Val& b, const Val& c, const Val& d,
                   const Val& e, const Val& f, const Val& g, const Val& h, const Val& i,
                   const Val& j, const Val& k, const Val& l, const Val& m, const Val& n,
                   const Val& o, const Val& q, const Val& r, const Val& s, int& nch)
    { baseask(p, val_list(a, b, c, d, e, f, g, h, i, j, k, l, m, n, o, q, r, s),
              AskForm::plain, &nch); }
inline void ask19s(std::string_view p, const Val& a, const Val& b, const Val& c, const Val& d,
                   const Val& e, const Val& f, const Val& g, const Val& h, const Val& i,
                   const Val& j, const Val& k, const Val& l, const Val& m, const Val& n,
                   const Val& o, const Val& q, const Val& r, const Val& s, const Val& t, int& nch)
    { baseask(p, val_list(a, b, c, d, e, f, g, h, i, j, k, l, m, n, o, q, r, s, t),
              AskForm::plain, &nch); }
inline void ask20s(std::string_view p, const Val& a, const Val& b, const Val& c, const Val& d,
                   const Val& e, const Val& f, const Val& g, const Val& h, const Val& i,
                   const Val& j, const Val& k, const Val& l, const Val& m, const Val& n,
                   const Val& o, const Val& q, const Val& r, const Val& s, const Val& t,
                   const Val& u, int& nch)
    { baseask(p, val_list(a, b, c, d, e, f, g, h, i, j, k, l, m, n, o, q, r, s, t, u),
              AskForm::plain, &nch); }

// set_ask_indir(0, 0) drops one level of indirect input (or leaves the caller's unit first).
// flag not 0: answer lines come from unit (kept when 0) until it ends or "\-I".
void set_ask_indir(int flag, int unit);
// Drops every level of indirect input, the caller's unit first: the next answer is read from
// standard input (the keyboard at a terminal), as after an answer a file got wrong.
void drop_ask_indir();
void set_ask_delims(std::string_view delims);   // the answer delimiters become these
void set_ask_echo(int flag);                    // echo lines read from files (initially on)
// Opens name as the innermost indirect file; more than 10 levels stop the program.
void set_ask_file(std::string_view name);

bool interact();    // the next answer comes from the keyboard
bool loc_batch();   // standard input is not a terminal
// Ends the process with status: the line buffers flushed, every unit closed.
[[noreturn]] void ask_stop(int status);
// A failed run's end: reason (its blanks at both ends dropped) as one line on standard error,
// so a driver of batch runs sees why even when the messages went to the log; then status 1.
[[noreturn]] void ask_fail(std::string_view reason);
// Exit statuses of a run that ends normally in spite of something gone wrong (the README
// lists them); the most serious one noted wins: failed, then refused, then not converged.
enum AskEndStatus {
    ask_end_failed = 1,         // a file not written whole, a stop of the run
    ask_end_refused = 2,        // a batch run refused an answer and went on
    ask_end_not_converged = 3,  // the last minimisation did not converge
};
// A failure that must not cut the run short (a batch run still finishes its work): every
// reason noted (each distinct line once, in order) goes to standard error at the run's normal
// end, ask_stop(0), which then exits with the most serious status noted.
void ask_fail_at_end(std::string_view reason, AskEndStatus status = ask_end_failed);

// The answer just read is refused and its question put again: a batch run notes the line
// and why for its end (status 2, each line once), so a typing error in a script is not lost
// among the messages.
void ask_refused(std::string_view why);

// The read of standard input for a question: prompt (its first 80 characters) through readline
// at a terminal, or shown with the answer after it in batch; line receives the answer
// blank-filled, or blanks at the end of input. Once a question has met the end (^D at a
// terminal), standard input is not read again: every later question gets an empty answer.
void getinput(std::string_view prompt, std::span<char> line);
// True when a question has met the end of standard input; the fitting program ends its run
// on it.
bool ask_eof();
// True when no one will answer a question put again: standard input is not a terminal, or
// its end has been met. A failed step then stops the run instead of asking again.
bool ask_unattended();
