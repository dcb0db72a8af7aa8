// eval.h -- the expression evaluator and its process-wide variable table.
// Every numeric answer field and every parameter expression is evaluated here.
#pragma once

#include <array>
#include <string_view>

#include "ftext.h"

inline constexpr int eval_max_vars = 256;
inline constexpr int eval_name_len = 32;

// The variable table. Names are upper case (a..z only), blank-padded, compared over all 32
// characters; entries stay in the order of their first definition. Written only through the
// routines below; anyone may read it.
struct Evaltab {
    std::array<double, eval_max_vars + 1> value{};                 // [1..count]; [0] unused
    int count = 0;                                                  // entries in use
    std::array<FText<eval_name_len>, eval_max_vars + 1> name{};    // [1..count]; [0] unused
};
inline Evaltab evaltab;  // lives as long as the process; starts empty

// Token kinds of evaltoken (function only in the evaluator's own token list).
enum class EvalTok {
    end, invalid, number, ident, function, true_, false_, open, close, comma, assign,
    eq, ne, gt, ge, lt, le, and_, or_, not_, power, mul, div, add, sub,
};

// Evaluates expr (with an optional leading "NAME ="): true and value set; false after a
// message on the screen, value unchanged (a failed assignment leaves the result in value).
bool eval(std::string_view expr, double& value);
bool loc_eval(std::string_view expr, double& value);  // the same; the name callers use
std::string_view eval_last_error();    // the message of the last evaluation that failed

// Defines or replaces a variable (name upper-cased, cut to 32); false when new and full.
bool evaldefine(std::string_view name, double value);
// True and the value when the upper-cased name is defined.
bool evallookup(std::string_view name, double& value);
bool load_sym(std::string_view name, float value);   // evaldefine of the widened value
void evalinit();                                     // E and PI, once per process
// Removes every entry whose name equals name as given (not upper-cased); true if any.
bool evalclear(std::string_view name);
void evaldump();                                     // every entry to the screen

// Writes every entry to file: flag 0 "NAME=value" lines, otherwise "\= NAME=value" lines.
// Values are written with 17 significant digits, so a reload restores them exactly.
void evalsave(std::string_view file, int flag);
// Evaluates every line of file (NAME = value lines define their variables).
void evalload(std::string_view file);

// True when name is one of the 18 lower-case function names; fun gets its number 1..18.
bool evalisfun(std::string_view name, int& fun);
double evaldofun(int fun, double x);

// Reads the next token of expr from pos (1-based, advanced past it); first..last its text.
void evaltoken(EvalTok& kind, std::string_view expr, int& pos, int& first, int& last);
