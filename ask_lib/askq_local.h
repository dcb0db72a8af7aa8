// askq_local.h -- state and helpers shared by the question engine and its line commands.
// Only the engine's own files (askq, getinput, linecmd, calc, cmli, help) include this.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "askq.h"

inline constexpr int ask_phys_len = 132;    // one physical line as the journal writes it
inline constexpr int ask_line_len = 1024;   // one logical answer line
inline constexpr int ask_prompt_len = 131;  // the prompt buffer
inline constexpr int ask_max_depth = 10;    // nested indirect files

// Where a physical line came from; the line commands decide by it.
enum class Source { terminal, caller, indirect };

// The loop of "\L": one for the whole process, owned by the file it rewinds.
struct AskLoop {
    int count = 0;            // passes wanted after the first
    int pass = 0;             // 0 when no loop runs
    bool in_caller = false;   // owner is the caller's unit, else an indirect level
    int level = 0;            // owner's level (indirect)
    int unit = 0;             // owner's unit
};

// The engine's state for the life of the process. Written only by the engine and its line
// commands; one question is under way at a time.
struct AskState {
    std::array<char, ask_line_len> line{};   // the logical answer line
    std::string pline;                       // the last physical line read, whole
    int pn = 0;                              // its significant length
    Source src = Source::terminal;           // where the last physical line came from
    std::string prompt;                      // the question's prompt, at most 131 characters
    std::string terminal_prompt;             // what the terminal was last shown
    bool batch = false;                      // standard input is not a terminal
    bool echo = true;                        // echo lines read from files
    bool journal = false;                    // a journal is open
    int journal_unit = 0;
    bool journal_prompts = true;             // write prompts into the journal as comments
    bool calc = false;                       // the calculator is reading its lines
    AskLoop loop;
    bool suspended = false;                  // indirect input put aside by "\-@"
    AskLuns saved;                           // the levels put aside
};
inline AskState ask_state;

// The significant text of a field: trailing blanks dropped, trailing NULs made blanks.
std::string_view ask_trim(std::span<char> f);
// The logical line from position a to b (1-based, inclusive, clipped), as typed.
std::string_view line_part(int a, int b);
std::string line_name(int a, int b);    // a file name there: trailing blanks dropped
// Position of the last significant character of the logical line (0 when blank).
int line_last();

// ---- Answer sources (askq.cpp) ----------------------------------------------------------
bool line_command();                    // linecmd.cpp: true when the line was a command
// Opens name as the new innermost indirect file; shown is the name its message gives.
void open_indirect(std::string_view name, std::string_view shown, bool programmatic);
void close_level();                     // closes the innermost indirect file
void leave_caller();                    // answers no longer come from the caller's unit

void ask_write(std::string_view text);  // one line on standard output
void ask_flush();

// ---- Standard input (getinput.cpp) --------------------------------------------------------
// One line at prompt (shown whole): readline at a terminal, in batch read as it stands and
// shown after the prompt; nullopt at the end of input. For "\T" and the help browser: their
// end of input ends only them, not the run's input.
std::optional<std::string> input_line(std::string_view prompt);
// As getinput, the line whole: at the end of input line is empty, and standard input is
// not read again (the calculator's end of input is the run's too).
void terminal_line(std::string_view prompt, std::string& line);

// ---- Journal and loop (linecmd.cpp) -------------------------------------------------------
// A typed physical line into the journal (first: it begins a logical line).
void journal_line(std::string_view prompt, std::string_view line, bool first);
void journal_prompt(std::string_view prompt);  // as a comment, when prompts are on
// text as lines that replay whole; continues: a final "\" goes on into the next line.
void journal_put(std::string_view text, bool continues);
void loop_next();                          // "\L" again or its file ended
bool loop_owns_innermost();                // the innermost source is the loop's file

// ---- Calculator (calc.cpp) ----------------------------------------------------------------
void calculator();
void show_value(double v);                 // (G20.8) when the answer came from the user
bool backslash_command(bool at_calc);      // false: unknown letter
