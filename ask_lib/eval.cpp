// eval.cpp -- expression evaluator: tokeniser, reduction sweeps, the variable table.
// Not reentrant: the token list is working storage shared by every evaluation.
#include "eval.h"

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "chars.h"
#include "fio.h"

namespace {

constexpr int max_entries = 255;   // token list, its parentheses included

// One entry of the token list.
struct Ent {
    EvalTok kind = EvalTok::end;
    double v = 0.0;                 // number entries
    int fun = 0;                    // function entries, 1..18
};

std::vector<Ent> list;              // working storage of eval, reused
std::vector<Ent> group;             // the group being reduced, reused
bool init_done = false;

// Same order as the function numbers 1..18.
constexpr std::string_view fun_names[] = {
    "sin", "cos", "tan", "asin", "acos", "atan", "sinh", "cosh", "tanh",
    "exp", "log", "log10", "sqrt", "aint", "anint", "min", "max", "abs",
};

std::string last_error;             // the message of the last evaluation that failed

// The one door for evaluation errors: message in 80 columns, then the expression quoted.
void eval_error(std::string_view msg, std::string_view expr)
{
    last_error = msg.substr(0, 80);
    std::string m(last_error);
    m.resize(80, ' ');
    fio_list(fio_stdout, {m, " \"", expr, "\""});
}

char upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

// Name as the table holds it: cut to 32, upper case (a..z only), blank-padded.
FText<eval_name_len> table_name(std::string_view name)
{
    FText<eval_name_len> f(name);
    str_upper(f.span());
    return f;
}

int find_name(const FText<eval_name_len>& n)
{
    for (int i = 1; i <= evaltab.count; ++i)
        if (evaltab.name[i] == n) return i;
    return 0;
}

bool is_digit(char c) { return c >= '0' && c <= '9'; }

// Identifier characters: letters, "_", "$", the micro sign (byte 181) and the two bytes
// of its UTF-8 form, which terminals send.
bool ident_start(std::string_view s, std::size_t i)
{
    const auto c = static_cast<unsigned char>(s[i]);
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == '$' || c == 0xB5)
        return true;
    return c == 0xC2 && i + 1 < s.size() && static_cast<unsigned char>(s[i + 1]) == 0xB5;
}

bool ident_char(std::string_view s, std::size_t i) { return ident_start(s, i) || is_digit(s[i]); }

// Length of the dotted operator at s[i] ("." already seen), 0 when none; sets kind.
std::size_t dotted(std::string_view s, std::size_t i, EvalTok& kind)
{
    static constexpr struct { std::string_view text; EvalTok kind; } ops[] = {
        {".EQ.", EvalTok::eq},     {".NE.", EvalTok::ne},   {".GT.", EvalTok::gt},
        {".GE.", EvalTok::ge},     {".LT.", EvalTok::lt},   {".LE.", EvalTok::le},
        {".AND.", EvalTok::and_},  {".OR.", EvalTok::or_},  {".NOT.", EvalTok::not_},
        {".TRUE.", EvalTok::true_}, {".FALSE.", EvalTok::false_},
    };
    for (const auto& op : ops) {
        if (s.size() - i < op.text.size()) continue;
        bool same = true;
        for (std::size_t k = 0; k < op.text.size() && same; ++k) same = upper(s[i + k]) == op.text[k];
        if (same) { kind = op.kind; return op.text.size(); }
    }
    return 0;
}

// Length of the number at s[i], 0 when there is none: digits, ".", digits (at least one
// digit), then an exponent only when a digit follows its letter and optional sign.
std::size_t number_len(std::string_view s, std::size_t i)
{
    std::size_t j = i, ndig = 0;
    while (j < s.size() && is_digit(s[j])) ++j, ++ndig;
    if (j < s.size() && s[j] == '.') {
        ++j;
        while (j < s.size() && is_digit(s[j])) ++j, ++ndig;
    }
    if (ndig == 0) return 0;
    if (j < s.size() && (s[j] == 'e' || s[j] == 'E' || s[j] == 'd' || s[j] == 'D')) {
        std::size_t k = j + 1;
        if (k < s.size() && (s[k] == '+' || s[k] == '-')) ++k;
        if (k < s.size() && is_digit(s[k])) {
            while (k < s.size() && is_digit(s[k])) ++k;
            j = k;
        }
    }
    return j - i;
}

// The number text as a double; false when it does not convert (overflow included).
bool to_double(std::string_view text, double& v)
{
    std::string t(text);
    for (char& c : t)
        if (c == 'd' || c == 'D') c = 'e';
    char* end = nullptr;
    const double x = std::strtod(t.c_str(), &end);
    if (end != t.c_str() + t.size() || std::isinf(x)) return false;
    v = x;
    return true;
}

bool is_num(const Ent& e) { return e.kind == EvalTok::number; }
bool is_bool(const Ent& e) { return e.kind == EvalTok::true_ || e.kind == EvalTok::false_; }
Ent num(double v) { return {EvalTok::number, v, 0}; }
Ent truth(bool b) { return {b ? EvalTok::true_ : EvalTok::false_, 0.0, 0}; }

// One left-to-right sweep over binary operators of one precedence: each match
// left op right is replaced by combine(...) in place of left, which may combine again.
template <class Ops, class Operand, class Combine>
void sweep_binary(std::vector<Ent>& g, Ops is_op, Operand operand, Combine combine)
{
    for (std::size_t i = 0; i + 2 < g.size();) {
        if (operand(g[i]) && is_op(g[i + 1].kind) && operand(g[i + 2])) {
            g[i] = combine(g[i], g[i + 1].kind, g[i + 2]);
            g.erase(g.begin() + static_cast<std::ptrdiff_t>(i) + 1,
                    g.begin() + static_cast<std::ptrdiff_t>(i) + 3);
        } else {
            ++i;
        }
    }
}

double arith(double a, EvalTok op, double b)
{
    switch (op) {
    case EvalTok::power: return std::pow(a, b);
    case EvalTok::mul: return a * b;
    case EvalTok::div: return a / b;
    case EvalTok::add: return a + b;
    default: return a - b;
    }
}

bool compare(double a, EvalTok op, double b)
{
    switch (op) {
    case EvalTok::eq: return a == b;
    case EvalTok::ne: return a != b;
    case EvalTok::gt: return a > b;
    case EvalTok::ge: return a >= b;
    case EvalTok::lt: return a < b;
    default: return a <= b;
    }
}

// Reduces one group (the entries between a pair of parentheses) by the sweeps in order.
void reduce(std::vector<Ent>& g)
{
    for (std::size_t i = 0; i + 1 < g.size(); ++i)         // functions
        if (g[i].kind == EvalTok::function && is_num(g[i + 1])) {
            g[i] = num(evaldofun(g[i].fun, g[i + 1].v));
            g.erase(g.begin() + static_cast<std::ptrdiff_t>(i) + 1);
        }
    for (std::size_t i = 0; i + 1 < g.size();)             // implicit multiplication
        if (is_num(g[i]) && is_num(g[i + 1])) {
            g[i].v *= g[i + 1].v;
            g.erase(g.begin() + static_cast<std::ptrdiff_t>(i) + 1);
        } else {
            ++i;
        }
    const auto numeric = [](double a, EvalTok op, double b) { return num(arith(a, op, b)); };
    const auto on_nums = [&](const Ent& a, EvalTok op, const Ent& b) { return numeric(a.v, op, b.v); };
    sweep_binary(g, [](EvalTok k) { return k == EvalTok::power; }, is_num, on_nums);
    sweep_binary(g, [](EvalTok k) { return k == EvalTok::mul || k == EvalTok::div; }, is_num, on_nums);
    if (g.size() >= 2 && g[0].kind == EvalTok::sub && is_num(g[1])) {   // unary minus
        g[0] = num(-g[1].v);
        g.erase(g.begin() + 1);
    }
    sweep_binary(g, [](EvalTok k) { return k == EvalTok::add || k == EvalTok::sub; }, is_num, on_nums);
    sweep_binary(
        g,
        [](EvalTok k) {
            return k == EvalTok::eq || k == EvalTok::ne || k == EvalTok::gt || k == EvalTok::ge ||
                   k == EvalTok::lt || k == EvalTok::le;
        },
        is_num, [](const Ent& a, EvalTok op, const Ent& b) { return truth(compare(a.v, op, b.v)); });
    bool logic = false;
    for (const Ent& e : g)
        logic = logic || e.kind == EvalTok::and_ || e.kind == EvalTok::or_ || e.kind == EvalTok::not_;
    if (!logic) return;
    for (Ent& e : g)
        if (is_num(e)) e = truth(e.v != 0.0);   // a NaN is not 0: true
    for (std::size_t i = 0; i + 1 < g.size(); ++i)         // not, one sweep
        if (g[i].kind == EvalTok::not_ && is_bool(g[i + 1])) {
            g[i] = truth(g[i + 1].kind == EvalTok::false_);
            g.erase(g.begin() + static_cast<std::ptrdiff_t>(i) + 1);
        }
    sweep_binary(
        g, [](EvalTok k) { return k == EvalTok::and_ || k == EvalTok::or_; }, is_bool,
        [](const Ent& a, EvalTok op, const Ent& b) {
            const bool x = a.kind == EvalTok::true_, y = b.kind == EvalTok::true_;
            return truth(op == EvalTok::and_ ? (x && y) : (x || y));
        });
}

// Builds the token list of expr from pos; false after a message.
bool build_list(std::string_view expr, int pos)
{
    list.clear();
    list.push_back({EvalTok::open, 0.0, 0});
    for (;;) {
        EvalTok kind;
        int first = 0, last = 0;
        evaltoken(kind, expr, pos, first, last);
        if (static_cast<int>(list.size()) + 1 >= max_entries + 1) {
            eval_error("EVAL: expression is too long", expr);
            return false;
        }
        const std::string_view text = expr.substr(first - 1, last - first + 1);
        Ent e{kind, 0.0, 0};
        switch (kind) {
        case EvalTok::end:
            list.push_back({EvalTok::close, 0.0, 0});
            return true;
        case EvalTok::invalid:
            eval_error("EVAL: invalid text starting " + std::string(expr.substr(first - 1, 11)), expr);
            return false;
        case EvalTok::number:
            if (!to_double(text, e.v)) {
                eval_error("EVAL: " + std::string(text) + " is not a valid number", expr);
                return false;
            }
            break;
        case EvalTok::ident:
            if (evallookup(text, e.v)) {
                e.kind = EvalTok::number;
            } else if (evalisfun(text, e.fun)) {
                e.kind = EvalTok::function;
            } else {
                eval_error("EVAL: " + std::string(text) + " is not defined", expr);
                return false;
            }
            break;
        default:
            break;
        }
        list.push_back(e);
    }
}

// Reduces the innermost groups until the list is one number; false after a message.
bool reduce_list(std::string_view expr, double& value)
{
    while (list[0].kind == EvalTok::open) {
        std::size_t c = 0;
        while (c < list.size() && list[c].kind != EvalTok::close) ++c;
        if (c == list.size()) {
            eval_error("EVAL: mismatched parenthesis", expr);
            return false;
        }
        std::size_t o = c;
        while (list[o].kind != EvalTok::open) --o;          // list[0] is an open
        std::vector<Ent>& g = group;
        g.assign(list.begin() + static_cast<std::ptrdiff_t>(o) + 1,
                 list.begin() + static_cast<std::ptrdiff_t>(c));
        reduce(g);
        if (g.size() != 1) {
            eval_error("EVAL: Invalid expression.", expr);
            return false;
        }
        Ent r = g[0];
        if (is_bool(r)) r = num(r.kind == EvalTok::true_ ? 1.0 : 0.0);
        if (!is_num(r)) {
            eval_error("EVAL: Invalid Expression.", expr);
            return false;
        }
        list[o] = r;
        list.erase(list.begin() + static_cast<std::ptrdiff_t>(o) + 1,
                   list.begin() + static_cast<std::ptrdiff_t>(c) + 1);
    }
    if (list.size() != 1 || !is_num(list[0])) {
        eval_error("EVAL: mismatched parenthesis", expr);
        return false;
    }
    value = list[0].v;
    return true;
}

}  // namespace

void evaltoken(EvalTok& kind, std::string_view s, int& pos, int& first, int& last)
{
    std::size_t i = pos > 0 ? static_cast<std::size_t>(pos - 1) : 0;
    while (i < s.size() && s[i] == ' ') ++i;
    first = static_cast<int>(i) + 1;
    std::size_t n = 1;
    if (i >= s.size()) {
        kind = EvalTok::end;
        n = 0;
    } else {
        const char c = s[i];
        // Two-character operators: second character next, else the one-character one.
        const auto pair = [&](char next, EvalTok two, EvalTok one) {
            if (i + 1 >= s.size() || s[i + 1] != next) return one;
            n = 2;
            return two;
        };
        switch (c) {
        case '=': kind = pair('=', EvalTok::eq, EvalTok::assign); break;
        case '>': kind = pair('=', EvalTok::ge, EvalTok::gt); break;
        case '<': kind = pair('=', EvalTok::le, EvalTok::lt); break;
        case '&': kind = EvalTok::and_; break;
        case '|': kind = EvalTok::or_; break;
        case '!': kind = EvalTok::not_; break;
        case '*': kind = pair('*', EvalTok::power, EvalTok::mul); break;
        case '/': kind = EvalTok::div; break;
        case '+': kind = EvalTok::add; break;
        case '-': kind = EvalTok::sub; break;
        case '(': kind = EvalTok::open; break;
        case ')': kind = EvalTok::close; break;
        case ',': kind = EvalTok::comma; break;
        default:
            if (c == '.' && (n = dotted(s, i, kind)) > 0) break;
            if ((n = number_len(s, i)) > 0) {
                kind = EvalTok::number;
            } else if (ident_start(s, i)) {
                kind = EvalTok::ident;
                n = 0;
                while (i + n < s.size() && ident_char(s, i + n)) n += s[i + n] == '\xC2' ? 2 : 1;
            } else {
                kind = EvalTok::invalid;
                n = 1;
            }
        }
    }
    last = first + static_cast<int>(n) - 1;
    pos = last + 1;
}

bool eval(std::string_view expr, double& value)
{
    evalinit();
    int pos = 1, first = 0, last = 0;
    EvalTok kind;
    evaltoken(kind, expr, pos, first, last);
    std::string_view target;
    if (kind == EvalTok::ident) {
        const std::string_view name = expr.substr(first - 1, last - first + 1);
        evaltoken(kind, expr, pos, first, last);
        if (kind == EvalTok::assign) target = name;
    }
    if (target.empty()) pos = 1;
    double v = 0.0;
    if (!build_list(expr, pos) || !reduce_list(expr, v)) return false;
    value = v;
    if (!target.empty() && !evaldefine(target, v)) {
        eval_error("EVAL: could not define " + std::string(target), expr);
        return false;
    }
    return true;
}

std::string_view eval_last_error() { return last_error; }

bool loc_eval(std::string_view expr, double& value) { return eval(expr, value); }

bool evaldefine(std::string_view name, double value)
{
    const FText<eval_name_len> n = table_name(name);
    int i = find_name(n);
    if (i == 0) {
        if (evaltab.count >= eval_max_vars) return false;
        i = ++evaltab.count;
        evaltab.name[i] = n;
    }
    evaltab.value[i] = value;
    return true;
}

bool evallookup(std::string_view name, double& value)
{
    const int i = find_name(table_name(name));
    if (i == 0) return false;
    value = evaltab.value[i];
    return true;
}

bool load_sym(std::string_view name, float value) { return evaldefine(name, value); }

void evalinit()
{
    if (init_done) return;
    init_done = true;
    evaldefine("E", std::exp(1.0));
    evaldefine("PI", 4.0 * std::atan(1.0));
}

bool evalclear(std::string_view name)
{
    const FText<eval_name_len> n(name);
    bool removed = false;
    for (int i = 1; i <= evaltab.count;) {
        if (evaltab.name[i] == n) {
            for (int j = i; j < evaltab.count; ++j) {
                evaltab.name[j] = evaltab.name[j + 1];
                evaltab.value[j] = evaltab.value[j + 1];
            }
            --evaltab.count;
            removed = true;
        } else {
            ++i;
        }
    }
    return removed;
}

bool evalisfun(std::string_view name, int& fun)
{
    while (!name.empty() && name.back() == ' ') name.remove_suffix(1);
    for (int i = 0; i < 18; ++i)
        if (name == fun_names[i]) {
            fun = i + 1;
            return true;
        }
    return false;
}

double evaldofun(int fun, double x)
{
    switch (fun) {
    case 1: return std::sin(x);
    case 2: return std::cos(x);
    case 3: return std::tan(x);
    case 4: return std::asin(x);
    case 5: return std::acos(x);
    case 6: return std::atan(x);
    case 7: return std::sinh(x);
    case 8: return std::cosh(x);
    case 9: return std::tanh(x);
    case 10: return std::exp(x);
    case 11: return std::log(x);
    case 12: return std::log10(x);
    case 13: return std::sqrt(x);
    case 14: return std::trunc(x);
    case 15: return std::round(x);   // halves away from zero, exact also near 0.5 and 2^52
    case 18: return std::fabs(x);
    default: return x;               // min and max of one number
    }
}

namespace {

// Variable files take the first free unit from 1 up to 19; -1 after the message when none.
int var_unit(std::string_view what)
{
    const int unit = fio_free_unit(1, 19);
    if (unit < 0) fio_list(fio_stdout, {"No available handles --- can't " + std::string(what) + " variables"});
    return unit;
}

void var_file_error(int unit, std::string_view file)
{
    fio_close(unit);
    fio_list(fio_stdout, {"Error in variable definition file " + std::string(file)});
}

// The value as a 25-column text that evaluates back to it. G25.17 keeps 17 significant
// digits, which restore every finite double exactly, but drops the "E" of a three-digit
// exponent ("0.1-299" would read as a difference), so those get E25.17E3. The non-finite
// values, which no number text holds, are written as expressions that give them, made of
// numbers alone: a variable of the same name as a function would hide it.
std::string value_text(double v)
{
    if (std::isnan(v)) return fio_format1("(A25)", {"0/0"});
    if (std::isinf(v)) return fio_format1("(A25)", {v > 0 ? "1E308*10" : "-1E308*10"});
    const std::string s = fio_format1("(1G25.17)", {v});
    const std::size_t digit = s.find_first_of("0123456789");
    if (s.find('E') == std::string::npos && s.find_first_of("+-", digit) != std::string::npos)
        return fio_format1("(E25.17E3)", {v});
    return s;
}

}  // namespace

void evaldump()
{
    for (int i = 1; i <= evaltab.count; ++i)
        fio_write(fio_stdout, "(' ',1A,'=',1G25.17)", {evaltab.name[i], evaltab.value[i]});
}

void evalsave(std::string_view file, int flag)
{
    const int unit = var_unit("save");
    if (unit < 0) return;
    if (fio_open(unit, file, FStatus::unknown) != 0) {
        var_file_error(unit, file);
        return;
    }
    const char* layout = flag == 0 ? "(A,'=',A)" : "('\\= ',A,'=',A)";
    for (int i = 1; i <= evaltab.count; ++i)
        if (fio_write(unit, layout, {evaltab.name[i], value_text(evaltab.value[i])}) != 0) {
            var_file_error(unit, file);
            return;
        }
    fio_close(unit);
}

void evalload(std::string_view file)
{
    const int unit = var_unit("load");
    if (unit < 0) return;
    if (fio_open(unit, file, FStatus::old) != 0) {
        var_file_error(unit, file);
        return;
    }
    for (FText<128> line;;) {
        const int r = fio_read(unit, line);
        if (r < 0) break;                               // end of file: loaded
        double v = 0.0;
        if (r > 0 || !eval(line.full(), v)) {
            var_file_error(unit, file);
            return;
        }
    }
    fio_close(unit);
}
