// fio.cpp -- the unit table, the layout interpreter and the free-form writer.
// Numbers are converted with the C library in the "C" manner ('.' always; no locale use).

#include "fio.h"

#include <fcntl.h>
#include <langinfo.h>
#include <strings.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "fio_local.h"

// ---- Unit table ----------------------------------------------------------------------------

namespace fio_detail {

Unit& unit_slot(int unit)
{
    static std::array<Unit, fio_max_unit + 1> u = [] {
        std::array<Unit, fio_max_unit + 1> t{};
        t[fio_stderr] = {stderr, "", false, true, false, false, Last::none};
        t[fio_stdin] = {stdin, "", false, false, true, false, Last::none};
        t[fio_stdout] = {stdout, "", false, true, false, false, Last::none};
        return t;
    }();
    return u[static_cast<std::size_t>(unit)];
}

Unit* unit_of(int unit)
{
    if (unit < 0 || unit > fio_max_unit) return nullptr;
    Unit& u = unit_slot(unit);
    return u.f ? &u : nullptr;
}

std::string unit_path(std::string_view path)
{
    while (!path.empty() && (path.back() == ' ' || path.back() == '\0')) path.remove_suffix(1);
    return std::string(path);
}

}  // namespace fio_detail

namespace {

using fio_detail::Last;
using fio_detail::Unit;
using fio_detail::unit_of;

// The unit's first write error as its errno (the reason, not just "it failed"); 0 while the
// stream is sound. Needs errno cleared before the writes it looks at.
int note_error(Unit& u)
{
    if (u.err == 0 && std::ferror(u.f)) u.err = errno != 0 ? errno : EIO;
    return u.err;
}

// Ready the unit for writing: switch direction, cut an old file after the records kept.
std::FILE* begin_write(int unit)
{
    Unit* u = unit_of(unit);
    if (u == nullptr) return nullptr;
    if (!u->writable) {
        if (u->err == 0) u->err = u->ro_why;  // said at the end, not lost in silence
        return nullptr;
    }
    u->writes = true;
    if (unit == fio_stderr) std::fflush(stdout);  // keep screen and error lines in order
    if (u->last == Last::read) std::fseek(u->f, 0, SEEK_CUR);
    if (u->rewrite) {
        std::fflush(u->f);
        const long at = std::ftell(u->f);
        if (at >= 0 && ftruncate(fileno(u->f), at) != 0) { /* keep writing over the old tail */ }
        u->rewrite = false;
    }
    u->last = Last::write;
    return u->f;
}

// ---- Number text ---------------------------------------------------------------------------

// |x| rounded to n significant digits (n >= 1): digits d1..dn and X with |x| = d1.d2..dn E X.
// The C library rounds the exact binary value to nearest, ties to even.
struct Sig {
    std::string dig;
    int exp = 0;
};

Sig sig_digits(double a, int n)
{
    std::string buf(static_cast<std::size_t>(n) + 32, '\0');
    const int len = std::snprintf(buf.data(), buf.size(), "%.*e", n - 1, a);
    buf.resize(static_cast<std::size_t>(len));
    Sig s;
    const std::size_t e = buf.find('e');
    for (std::size_t i = 0; i < e; ++i)
        if (buf[i] != '.') s.dig += buf[i];
    s.exp = std::atoi(buf.c_str() + e + 1);
    return s;
}

std::string stars(int w) { return std::string(static_cast<std::size_t>(w > 0 ? w : 1), '*'); }

// Right-justify t in w columns; asterisks when it does not fit; w = 0 keeps t as it is.
std::string justify(const std::string& t, int w)
{
    if (w == 0) return t;
    const auto uw = static_cast<std::size_t>(w);
    if (t.size() > uw) return stars(w);
    return std::string(uw - t.size(), ' ') + t;
}

enum class Plus : unsigned char { none, always };  // SS (default) or SP

std::string sign_text(bool neg, Plus plus) { return neg ? "-" : (plus == Plus::always ? "+" : ""); }

// Infinity and NaN in a numeric field, as the Fortran runtime writes them.
std::string nonfinite(double x, int w, Plus plus)
{
    if (std::isnan(x)) return justify("NaN", w == 0 ? 3 : w);
    const bool neg = x < 0;
    const bool sign = neg || plus == Plus::always;
    const int room = (w == 0 ? 9 : w) - (sign ? 1 : 0);
    std::string t = sign_text(neg, plus) + (room >= 8 ? "Infinity" : "Inf");
    if (room < 3) return stars(w);
    return justify(t, w);
}

std::string zeros(int n) { return std::string(static_cast<std::size_t>(n > 0 ? n : 0), '0'); }

// Fw.d with scale factor k (the value times 10^k).
std::string f_text(double x, int w, int d, int k, Plus plus)
{
    if (!std::isfinite(x)) return nonfinite(x, w, plus);
    const double a = std::fabs(x);
    const int prec = d + k;
    std::string s;
    if (prec >= 0) {
        std::string buf(400 + static_cast<std::size_t>(prec), '\0');
        buf.resize(static_cast<std::size_t>(std::snprintf(buf.data(), buf.size(), "%.*f", prec, a)));
        s = buf;
    } else {  // rounding to tens or more: only a large negative scale factor gets here
        char buf[400];
        std::snprintf(buf, sizeof buf, "%.0f", a * std::pow(10.0, prec));
        s = std::string(buf) + zeros(-prec);
    }
    const std::size_t dot = s.find('.');
    std::string ip = s.substr(0, dot), fp = dot == std::string::npos ? "" : s.substr(dot + 1);
    if (k > 0) {  // move the point right by k
        ip += fp.substr(0, static_cast<std::size_t>(k));
        fp.erase(0, static_cast<std::size_t>(k));
    } else if (k < 0) {  // and left by -k
        const std::string all = zeros(-k - static_cast<int>(ip.size()) + 1) + ip + fp;
        const std::size_t cut = all.size() - static_cast<std::size_t>(d);
        ip = all.substr(0, cut);
        fp = all.substr(cut);
    }
    const std::size_t nz = ip.find_first_not_of('0');
    ip = nz == std::string::npos ? "" : ip.substr(nz);
    const std::string sg = sign_text(std::signbit(x), plus);
    std::string t = sg + (ip.empty() ? "0" : ip) + "." + fp;
    if (ip.empty() && (w == 0 || t.size() > static_cast<std::size_t>(w)))
        t = sg + "." + fp;  // the leading zero is optional, and F0.d leaves it out
    return justify(t, w);
}

// The exponent part of an E field: "E+05", "+105", or with e digits "E+005"; empty when
// the exponent does not fit.
std::string exp_text(int x, int e, char letter)
{
    const int ax = std::abs(x);
    const char sg = x < 0 ? '-' : '+';
    std::string digits = std::to_string(ax);
    if (e > 0) {
        if (static_cast<int>(digits.size()) > e) return "";
        return std::string(1, letter) + sg + zeros(e - static_cast<int>(digits.size())) + digits;
    }
    if (ax <= 99) return std::string(1, letter) + sg + zeros(2 - static_cast<int>(digits.size())) + digits;
    if (ax <= 999) return std::string(1, sg) + digits;
    return "";
}

// Ew.d[Ee] (and Dw.d with letter 'D') with scale factor k; ESw.d[Ee] when sci.
std::string e_text(double x, int w, int d, int e, int k, bool sci, char letter, Plus plus)
{
    if (!std::isfinite(x)) return nonfinite(x, w, plus);
    const double a = std::fabs(x);
    if (sci) k = 1;
    if (k <= -d || k >= d + 2) return stars(w);
    const int n = k <= 0 ? d + k : d + 1;
    Sig s = sig_digits(a, n);
    int xp = a == 0.0 ? 0 : s.exp + 1 - k;
    std::string mant;
    bool lead_zero = false;
    if (k <= 0) {
        mant = "0." + zeros(-k) + s.dig;
        lead_zero = true;
    } else {
        mant = s.dig.substr(0, static_cast<std::size_t>(k)) + "." + s.dig.substr(static_cast<std::size_t>(k));
    }
    const std::string et = exp_text(xp, e, letter);
    if (et.empty()) return stars(w);
    const std::string sg = sign_text(std::signbit(x), plus);
    std::string t = sg + mant + et;
    if (w > 0 && lead_zero && t.size() > static_cast<std::size_t>(w)) t = sg + mant.substr(1) + et;
    return justify(t, w);
}

// Gw.d[Ee]: fixed point with d significant digits and blanks for the exponent when the
// rounded value lies in 0.1 <= |v| < 10^d (zero too), otherwise Ew.d[Ee] with the scale factor.
std::string g_real(double x, int w, int d, int e, int k, Plus plus)
{
    if (!std::isfinite(x)) return nonfinite(x, w, plus);
    const int nb = e > 0 ? e + 2 : 4;
    const double a = std::fabs(x);
    if (d > 0) {
        int before = 1;  // digits before the point in fixed form
        if (a != 0.0) before = sig_digits(a, d).exp + 1;
        if (before >= 0 && before <= d) {
            const int fw = w - nb;
            if (w > 0 && fw <= 0) return stars(w);
            const std::string f = f_text(x, w > 0 ? fw : 0, d - before, 0, plus);
            if (f.find('*') != std::string::npos) return stars(w);
            return f + std::string(static_cast<std::size_t>(nb), ' ');
        }
    }
    return e_text(x, w, d, e, k, false, 'E', plus);
}

std::string i_text(long long v, int w, int m, Plus plus)
{
    const unsigned long long mag = v < 0 ? 0ULL - static_cast<unsigned long long>(v) : static_cast<unsigned long long>(v);
    std::string digits = (m == 0 && mag == 0) ? "" : std::to_string(mag);
    if (m > 0 && static_cast<int>(digits.size()) < m) digits = zeros(m - static_cast<int>(digits.size())) + digits;
    if (w == 0 && digits.empty()) digits = "0";  // I0 of zero still writes a digit
    return justify(sign_text(v < 0, plus) + digits, w);
}

// Zw.m: the value's bits in hexadecimal (the 32 bits of a 4-byte integer when it is one),
// at least m digits with leading zeros.
std::string z_text(long long v, int w, int m)
{
    const bool four = v >= -2147483648LL && v <= 4294967295LL;
    const unsigned long long bits = four ? static_cast<std::uint32_t>(v) : static_cast<unsigned long long>(v);
    char buf[24];
    std::snprintf(buf, sizeof buf, "%llX", bits);
    std::string digits = buf;
    if (m > 0 && static_cast<int>(digits.size()) < m) digits = zeros(m - static_cast<int>(digits.size())) + digits;
    return justify(digits, w);
}

// A real as the nearest integer, saturating; NaN has none.
bool round_to_integer(double x, long long& out)
{
    if (std::isnan(x)) return false;
    const double r = std::nearbyint(x);
    if (r >= 9.2233720368547758e18) out = std::numeric_limits<long long>::max();
    else if (r <= -9.2233720368547758e18) out = std::numeric_limits<long long>::min();
    else out = static_cast<long long>(r);
    return true;
}

// The magnitude of a real as free-form text: at most 9 significant digits, no trailing zeros.
std::string list_magnitude(double a)
{
    if (std::isnan(a)) return "NaN";
    if (std::isinf(a)) return "Infinity";
    if (a == 0.0) return "0.";
    Sig s = sig_digits(a, 9);
    while (s.dig.size() > 1 && s.dig.back() == '0') s.dig.pop_back();
    const int nd = static_cast<int>(s.dig.size());
    if (s.exp >= 0 && s.exp <= 8) {
        if (nd <= s.exp + 1) return s.dig + zeros(s.exp + 1 - nd) + ".";
        return s.dig.substr(0, static_cast<std::size_t>(s.exp + 1)) + "." + s.dig.substr(static_cast<std::size_t>(s.exp + 1));
    }
    if (s.exp < 0 && s.exp >= -4) return "0." + zeros(-s.exp - 1) + s.dig;
    const std::string xd = std::to_string(std::abs(s.exp));
    return s.dig.substr(0, 1) + "." + s.dig.substr(1) + (s.exp < 0 ? "E-" : "E+") + zeros(2 - static_cast<int>(xd.size())) + xd;
}

// One free-form item with its leading blank(s).
std::string list_item(const FVal& v)
{
    switch (v.kind()) {
    case FVal::Kind::integer: return " " + std::to_string(v.integer());
    case FVal::Kind::real:
        return std::string(" ") + (std::signbit(v.real()) && !std::isnan(v.real()) ? "-" : " ") +
               list_magnitude(std::fabs(v.real()));
    case FVal::Kind::logical: return v.integer() ? " T" : " F";
    case FVal::Kind::text: break;
    }
    return std::string(v.text());
}

// ---- Layout parsing ------------------------------------------------------------------------

enum class Op : unsigned char {
    open, close,                          // group parentheses
    i, f, e, es, d, g, l, z, a,           // value fields
    x, t, tl, tr, slash, colon, dollar,   // positioning and control
    text, scale, sp, ss,                  // literal text, kP, sign control
};

struct Tok {
    Op op = Op::text;
    int rep = 1;
    int w = -1, d = -1, e = 0;   // -1: not given
    std::string text;
};

bool is_value_field(Op op) { return op >= Op::i && op <= Op::a; }

struct Layout {
    std::vector<Tok> toks;  // the inside of the outer parentheses
    std::size_t revert = 0; // where a layout starts again when values remain
    bool has_fields = false;
};

class Parser {
public:
    explicit Parser(std::string_view s) : s_(s) {}

    Layout parse()
    {
        Layout lay;
        skip_blanks();
        if (pos_ < s_.size() && s_[pos_] == '(') ++pos_;
        std::vector<std::size_t> opens;
        while (true) {
            skip_blanks();
            if (pos_ >= s_.size()) break;
            const char c = s_[pos_];
            if (c == ',') { ++pos_; continue; }
            if (c == ')') {
                ++pos_;
                if (opens.empty()) break;  // the outer one
                close_group(lay, opens);
                continue;
            }
            Tok t;
            if (!token(t)) continue;  // an unknown character, passed over
            if (t.op == Op::open) {
                if (opens.empty()) lay.revert = lay.toks.size();
                opens.push_back(lay.toks.size());
            }
            if (is_value_field(t.op)) lay.has_fields = true;
            lay.toks.push_back(std::move(t));
        }
        while (!opens.empty()) close_group(lay, opens);  // what the text left open
        return lay;
    }

private:
    static void close_group(Layout& lay, std::vector<std::size_t>& opens)
    {
        opens.pop_back();
        Tok t;
        t.op = Op::close;
        lay.toks.push_back(t);
    }
    void skip_blanks()
    {
        while (pos_ < s_.size() && (s_[pos_] == ' ' || s_[pos_] == '\t')) ++pos_;
    }
    char peek_upper()
    {
        skip_blanks();
        if (pos_ >= s_.size()) return '\0';
        const char c = s_[pos_];
        return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
    }
    // A decimal number, or -1 when none stands here. Large values are capped: fields wider
    // than a few thousand columns are no use and must not make us allocate without bound.
    int number()
    {
        skip_blanks();
        if (pos_ >= s_.size() || s_[pos_] < '0' || s_[pos_] > '9') return -1;
        int v = 0;
        while (pos_ < s_.size() && s_[pos_] >= '0' && s_[pos_] <= '9') {
            v = std::min(v * 10 + (s_[pos_] - '0'), 9999);
            ++pos_;
        }
        return v;
    }
    void width_digits(Tok& t, bool with_d, bool with_e)
    {
        t.w = number();
        if (with_d && peek_upper() == '.') { ++pos_; t.d = number(); }
        if (with_e && peek_upper() == 'E') { ++pos_; t.e = std::max(number(), 1); }
    }
    bool quoted(Tok& t)
    {
        const char q = s_[pos_++];
        while (pos_ < s_.size()) {
            if (s_[pos_] == q) {
                if (pos_ + 1 < s_.size() && s_[pos_ + 1] == q) { t.text += q; pos_ += 2; continue; }
                ++pos_;
                return true;
            }
            t.text += s_[pos_++];
        }
        return true;
    }
    // One descriptor with its repeat count into t; false when none stands here.
    bool token(Tok& t)
    {
        int sign = 1;
        if (s_[pos_] == '-' || s_[pos_] == '+') { sign = s_[pos_] == '-' ? -1 : 1; ++pos_; }
        const int rep = number();
        t.rep = rep > 0 ? rep : 1;
        const char c = peek_upper();
        if (c == '\0') return false;
        ++pos_;
        switch (c) {
        case '(': t.op = Op::open; return true;
        case '\'': case '"': --pos_; t.op = Op::text; return quoted(t);
        case 'H':  // nHtext
            t.op = Op::text;
            t.text = std::string(s_.substr(pos_, static_cast<std::size_t>(std::max(rep, 0))));
            pos_ += t.text.size();
            t.rep = 1;
            return true;
        case 'P': t.op = Op::scale; t.w = sign * std::max(rep, 0); t.rep = 1; return true;
        case 'I': t.op = Op::i; width_digits(t, true, false); return true;
        case 'F': t.op = Op::f; width_digits(t, true, false); return true;
        case 'D': t.op = Op::d; width_digits(t, true, false); return true;
        case 'G': t.op = Op::g; width_digits(t, true, true); return true;
        case 'L': t.op = Op::l; width_digits(t, false, false); return true;
        case 'A': t.op = Op::a; width_digits(t, false, false); return true;
        case 'Z': t.op = Op::z; width_digits(t, true, false); return true;
        case 'E':
            t.op = Op::e;
            if (peek_upper() == 'S') { ++pos_; t.op = Op::es; }
            width_digits(t, true, true);
            return true;
        case 'X': t.op = Op::x; return true;
        case 'T':
            t.op = Op::t;
            if (peek_upper() == 'L') { ++pos_; t.op = Op::tl; }
            else if (peek_upper() == 'R') { ++pos_; t.op = Op::tr; }
            t.w = std::max(number(), 0);
            return true;
        case 'S':
            t.op = Op::ss;
            if (peek_upper() == 'P') { ++pos_; t.op = Op::sp; }
            else if (peek_upper() == 'S') ++pos_;
            return true;
        case 'B':  // BN, BZ: input only
            if (peek_upper() == 'N' || peek_upper() == 'Z') ++pos_;
            return false;
        case '/': t.op = Op::slash; return true;
        case ':': t.op = Op::colon; return true;
        case '$': case '\\': t.op = Op::dollar; return true;
        default: return false;
        }
    }

    std::string_view s_;
    std::size_t pos_ = 0;
};

// ---- Layout interpretation -----------------------------------------------------------------

struct Record {
    std::vector<std::string> lines;
    std::string cur;
    std::size_t col = 0;   // next column, from 0
    bool open = false;     // '$': the last line has no end

    void put(std::string_view t)
    {
        if (col > cur.size()) cur.resize(col, ' ');
        for (char ch : t) {
            if (col < cur.size()) cur[col] = ch;
            else cur.push_back(ch);
            ++col;
        }
    }
    void end_line()
    {
        lines.push_back(std::move(cur));
        cur.clear();
        col = 0;
    }
};

// The text of one value in one field.
std::string field_text(const Tok& t, const FVal& v, int scale, Plus plus)
{
    const bool num = v.kind() == FVal::Kind::integer || v.kind() == FVal::Kind::real;
    const double r = v.kind() == FVal::Kind::real ? v.real() : static_cast<double>(v.integer());
    const int w = std::max(t.w, 0);
    switch (t.op) {
    case Op::i: {
        long long n = v.integer();
        if (!num || (v.kind() == FVal::Kind::real && !round_to_integer(v.real(), n))) return stars(w);
        return i_text(n, w, t.d, plus);
    }
    case Op::z: {
        long long n = v.integer();
        if (!num || (v.kind() == FVal::Kind::real && !round_to_integer(v.real(), n))) return stars(w);
        return z_text(n, w, t.d);
    }
    case Op::f:
        if (!num) return stars(w);
        if (t.w < 0) return list_item(v);
        return f_text(r, w, std::max(t.d, 0), scale, plus);
    case Op::e: case Op::es: case Op::d:
        if (!num) return stars(w);
        if (t.w < 0) return list_item(v);
        return e_text(r, w, std::max(t.d, 0), t.e, scale, t.op == Op::es, t.op == Op::d ? 'D' : 'E', plus);
    case Op::g:
        if (v.kind() == FVal::Kind::integer) return i_text(v.integer(), w, -1, plus);
        if (v.kind() == FVal::Kind::logical) return justify(v.integer() ? "T" : "F", w);
        if (v.kind() == FVal::Kind::text) {
            Tok a = t;
            a.op = Op::a;
            return field_text(a, v, scale, plus);
        }
        if (t.w < 0) return list_item(v);
        return g_real(r, w, std::max(t.d, 0), t.e, scale, plus);
    case Op::l:
        if (v.kind() == FVal::Kind::text) return stars(w);
        return justify(v.integer() != 0 || (v.kind() == FVal::Kind::real && r != 0.0) ? "T" : "F",
                       t.w < 0 ? 2 : w);
    case Op::a: {
        std::string s = std::string(v.text());
        if (v.kind() != FVal::Kind::text) {
            s = list_item(v);
            s.erase(0, s.find_first_not_of(' '));
        }
        if (t.w < 0) return s;
        const auto uw = static_cast<std::size_t>(w);
        return s.size() >= uw ? s.substr(0, uw) : std::string(uw - s.size(), ' ') + s;
    }
    default: return "";
    }
}

Record run_layout(std::string_view layout, FVals vals)
{
    const Layout lay = Parser(layout).parse();
    Record rec;
    struct Frame { std::size_t open; int left; };
    std::vector<Frame> groups;
    std::size_t vi = 0, pos = 0;
    int scale = 0;
    Plus plus = Plus::none;
    bool used = false;  // a value went out since the layout (re)started
    const auto& toks = lay.toks;

    while (true) {
        if (pos >= toks.size()) {
            if (vi >= vals.size() || !used || !lay.has_fields) break;
            rec.end_line();
            pos = lay.revert;
            groups.clear();
            used = false;
            continue;
        }
        const Tok& t = toks[pos];
        if (is_value_field(t.op)) {
            for (int r = 0; r < t.rep; ++r) {
                if (vi >= vals.size()) goto done;
                rec.put(field_text(t, vals[vi++], scale, plus));
                used = true;
            }
            ++pos;
            continue;
        }
        switch (t.op) {
        case Op::open: groups.push_back({pos, t.rep - 1}); break;
        case Op::close:
            if (!groups.empty() && groups.back().left > 0) {
                --groups.back().left;
                pos = groups.back().open;
            } else if (!groups.empty()) {
                groups.pop_back();
            }
            break;
        case Op::text:
            for (int r = 0; r < t.rep; ++r) rec.put(t.text);
            break;
        case Op::x: case Op::tr: rec.col += static_cast<std::size_t>(t.rep * std::max(t.w, 1)); break;
        case Op::t: rec.col = static_cast<std::size_t>(std::max(t.w, 1) - 1); break;
        case Op::tl: rec.col -= std::min(rec.col, static_cast<std::size_t>(t.w)); break;
        case Op::slash:
            for (int r = 0; r < t.rep; ++r) rec.end_line();
            break;
        case Op::colon:
            if (vi >= vals.size()) goto done;
            break;
        case Op::dollar: rec.open = true; break;
        case Op::scale: scale = t.w; break;
        case Op::sp: plus = Plus::always; break;
        case Op::ss: plus = Plus::none; break;
        default: break;
        }
        ++pos;
    }
done:
    rec.lines.push_back(std::move(rec.cur));
    return rec;
}

// ---- The screen ----------------------------------------------------------------------------

FCharset made_in = FCharset::latin1;

// Code page 437's characters 128..255.
constexpr std::array<char16_t, 128> cp437_high = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7,   // 80
    0x00EA, 0x00EB, 0x00E8, 0x00EF, 0x00EE, 0x00EC, 0x00C4, 0x00C5,
    0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9,   // 90
    0x00FF, 0x00D6, 0x00DC, 0x00A2, 0x00A3, 0x00A5, 0x20A7, 0x0192,
    0x00E1, 0x00ED, 0x00F3, 0x00FA, 0x00F1, 0x00D1, 0x00AA, 0x00BA,   // A0
    0x00BF, 0x2310, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB,
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x2561, 0x2562, 0x2556,   // B0
    0x2555, 0x2563, 0x2551, 0x2557, 0x255D, 0x255C, 0x255B, 0x2510,
    0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F,   // C0
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x2567,
    0x2568, 0x2564, 0x2565, 0x2559, 0x2558, 0x2552, 0x2553, 0x256B,   // D0
    0x256A, 0x2518, 0x250C, 0x2588, 0x2584, 0x258C, 0x2590, 0x2580,
    0x03B1, 0x00DF, 0x0393, 0x03C0, 0x03A3, 0x03C3, 0x00B5, 0x03C4,   // E0
    0x03A6, 0x0398, 0x03A9, 0x03B4, 0x221E, 0x03C6, 0x03B5, 0x2229,
    0x2261, 0x00B1, 0x2265, 0x2264, 0x2320, 0x2321, 0x00F7, 0x2248,   // F0
    0x00B0, 0x2219, 0x00B7, 0x221A, 0x207F, 0x00B2, 0x25A0, 0x00A0,
};

// The length (2..4) of the well-formed UTF-8 sequence that starts at s[i]; 0 when none does.
std::size_t utf8_length(std::string_view s, std::size_t i)
{
    const auto byte = [&](std::size_t k) { return k < s.size() ? static_cast<unsigned char>(s[k]) : 0U; };
    const unsigned c = byte(i);
    unsigned lo = 0x80, hi = 0xBF;  // the second byte's range; the later ones take 80..BF
    std::size_t n = 0;
    if (c >= 0xC2 && c <= 0xDF) n = 2;
    else if (c >= 0xE0 && c <= 0xEF) n = 3;
    else if (c >= 0xF0 && c <= 0xF4) n = 4;
    else return 0;
    if (c == 0xE0) lo = 0xA0;       // no overlong forms
    if (c == 0xED) hi = 0x9F;       // no surrogates
    if (c == 0xF0) lo = 0x90;
    if (c == 0xF4) hi = 0x8F;       // nothing past U+10FFFF
    for (std::size_t k = 1; k < n; ++k) {
        const unsigned x = byte(i + k);
        if (x < (k == 1 ? lo : 0x80U) || x > (k == 1 ? hi : 0xBFU)) return 0;
    }
    return n;
}

void put_utf8(std::string& out, char32_t u)
{
    if (u < 0x800) {
        out += static_cast<char>(0xC0 | (u >> 6));
    } else {
        out += static_cast<char>(0xE0 | (u >> 12));
        out += static_cast<char>(0x80 | ((u >> 6) & 0x3F));
    }
    out += static_cast<char>(0x80 | (u & 0x3F));
}

enum class Screen : signed char { unknown = -1, none, utf8, bytes };

// Whether the stream is a terminal, and one that takes UTF-8; decided once per stream, after
// the program has set its locale.
Screen screen_of(std::FILE* f)
{
    static Screen out = Screen::unknown, err = Screen::unknown;
    Screen* known = f == stdout ? &out : f == stderr ? &err : nullptr;
    if (known == nullptr) return Screen::none;
    if (*known == Screen::unknown) {
        const char* cs = nl_langinfo(CODESET);
        const bool utf8 = cs != nullptr && (strcasecmp(cs, "UTF-8") == 0 || strcasecmp(cs, "utf8") == 0);
        *known = isatty(fileno(f)) == 0 ? Screen::none : utf8 ? Screen::utf8 : Screen::bytes;
    }
    return *known;
}

bool utf8_screen(std::FILE* f) { return screen_of(f) == Screen::utf8; }

// How the unit's reader takes a line: the screen and the log are read by people, every
// other file by programs.
FOneLine reader_of(int unit, std::FILE* f)
{
    if (unit != fio_stdout && unit != fio_stderr)
        return unit == 2 ? FOneLine::shown : FOneLine::stored;
    return screen_of(f) == Screen::bytes ? FOneLine::shown_8bit : FOneLine::shown;
}

// Writes lines to the unit, the last without its end when open.
int put_lines(int unit, const std::vector<std::string>& lines, bool open)
{
    std::FILE* f = begin_write(unit);
    if (f == nullptr) {
        const Unit* u = unit_of(unit);
        return u != nullptr && u->err != 0 ? u->err : EBADF;
    }
    const bool utf8 = utf8_screen(f);  // before errno is cleared: isatty may set it
    const FOneLine how = reader_of(unit, f);
    errno = 0;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string one = fio_one_line(lines[i], how);
        const std::string converted = utf8 ? fio_utf8(one, made_in) : std::string();
        const std::string& line = utf8 ? converted : one;
        std::fwrite(line.data(), 1, line.size(), f);
        if (i + 1 < lines.size() || !open) std::fputc('\n', f);
    }
    if (open) std::fflush(f);  // a prompt must show before the answer is read
    return note_error(*unit_of(unit));
}

}  // namespace

// ---- Units ---------------------------------------------------------------------------------

int fio_open(int unit, std::string_view path, FStatus status)
{
    if (unit < 0 || unit > fio_max_unit) return EBADF;
    fio_close(unit);
    const std::string name = fio_detail::unit_path(path);
    if (name.empty()) return ENOENT;
    struct stat st {};
    const bool exists = ::stat(name.c_str(), &st) == 0;
    if (exists && S_ISDIR(st.st_mode)) return EISDIR;
    if (status == FStatus::old && !exists) return ENOENT;
    if (status == FStatus::new_file && exists) return EEXIST;
    Unit& u = fio_detail::unit_slot(unit);
    std::FILE* f = nullptr;
    bool writable = true, readable = true;
    int ro_why = 0;
    if (exists && S_ISFIFO(st.st_mode) && status != FStatus::old) {
        // Written only: a FIFO this process also read would swallow its own lines (lost
        // when the process ends) and never block for a reader. The open waits for one.
        const int fd = ::open(name.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
        if (fd >= 0 && (f = ::fdopen(fd, "w")) == nullptr) ::close(fd);
        readable = false;
    } else if (exists) {
        // Not handed to the shell's commands: a command left running must not keep a
        // unit's file (nor the lock on it) once this process has ended.
        f = std::fopen(name.c_str(), "r+e");
        // Only a file opened to be read may fall back to reading: a file to be written
        // that may not be is refused here, with its reason, rather than lost in silence.
        if (f == nullptr && (errno == EACCES || errno == EROFS) && status == FStatus::old) {
            ro_why = errno;
            f = std::fopen(name.c_str(), "re");
            writable = false;
        }
    } else {
        // Created without cutting: a file that another process made meanwhile (and may
        // hold locked) is not emptied here but at the first write, like any old file.
        const int fd = ::open(name.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | (status == FStatus::new_file ? O_EXCL : 0), 0666);
        if (fd >= 0 && (f = ::fdopen(fd, "r+")) == nullptr) ::close(fd);
    }
    if (f == nullptr) return errno != 0 ? errno : EIO;
    u = {f, name, true, writable, readable, writable && readable, Last::none};
    u.writes = status != FStatus::old;
    u.ro_why = ro_why;
    return 0;
}

void fio_close(int unit)
{
    Unit* u = unit_of(unit);
    if (u == nullptr) return;
    if (u->whole) {
        fio_detail::whole_drop(unit);
        return;
    }
    if (u->owned) std::fclose(u->f);
    else std::fflush(u->f);
    *u = Unit{};
}

void fio_rewind(int unit)
{
    Unit* u = unit_of(unit);
    if (u == nullptr || !u->owned) return;
    std::fflush(u->f);
    std::rewind(u->f);
    u->rewrite = u->writable;
    u->err = 0;  // rewind clears the stream's error too: the file starts again
    u->last = Last::none;
}

bool fio_is_open(int unit) { return unit_of(unit) != nullptr; }

int fio_free_unit(int from, int to)
{
    const auto fixed = [](int n) { return n == 2 || n == 3 || n == 7 || n == 80; };
    const int step = from <= to ? 1 : -1;
    for (int n = from;; n += step) {
        if (n >= 0 && n <= fio_max_unit && !fixed(n) && !fio_is_open(n)) return n;
        if (n == to) return -1;
    }
}

std::FILE* fio_file(int unit)
{
    Unit* u = unit_of(unit);
    return u ? u->f : nullptr;
}

std::string_view fio_name(int unit)
{
    Unit* u = unit_of(unit);
    return u ? std::string_view(u->name) : std::string_view();
}

int fio_detail::flush_error(Unit& u)
{
    errno = 0;
    std::fflush(u.f);
    return note_error(u);
}

int fio_lost(int unit)
{
    Unit* u = unit_of(unit);
    if (u == nullptr || !u->owned || u->whole) return 0;
    if (!u->writable) return u->err;
    return fio_detail::flush_error(*u);
}

int fio_flush(int unit)
{
    Unit* u = unit_of(unit);
    return u == nullptr || !u->writable ? 0 : fio_detail::flush_error(*u);
}

void fio_flush_all()
{
    for (int n = 0; n <= fio_max_unit; ++n) {
        Unit& u = fio_detail::unit_slot(n);
        if (u.f && u.writable) fio_detail::flush_error(u);
    }
}

void fio_close_all()
{
    for (int n = 0; n <= fio_max_unit; ++n) {
        Unit* u = unit_of(n);
        if (u != nullptr && u->owned) fio_close(n);
    }
    fio_flush_all();
}

// ---- Record reads --------------------------------------------------------------------------

int fio_read_line(int unit, std::string& line)
{
    line.clear();
    Unit* u = unit_of(unit);
    if (u == nullptr || !u->readable) return 1;
    if (unit == fio_stdin) std::fflush(stdout);  // the question before the answer
    if (u->last == Last::write) std::fseek(u->f, 0, SEEK_CUR);
    u->last = Last::read;
    bool any = false;
    if (u->f == stdin) {
        for (char c = 0;;) {
            const ssize_t n = ::read(STDIN_FILENO, &c, 1);
            if (n < 0 && errno == EINTR) continue;
            if (n != 1) break;
            any = true;
            if (c == '\n') break;
            line.push_back(c);
        }
    } else {
        for (int ch = 0; (ch = std::getc(u->f)) != EOF;) {
            any = true;
            if (ch == '\n') break;
            line.push_back(static_cast<char>(ch));
        }
    }
    if (!any) return -1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return 0;
}

int fio_read(int unit, std::span<char> rec)
{
    std::string line;
    const int rc = fio_read_line(unit, line);
    put_text(rec, rc == 0 ? std::string_view(line) : std::string_view());
    return rc;
}

// ---- Layouts and free-form lines -----------------------------------------------------------

int fio_write(int unit, std::string_view layout, FVals vals)
{
    if (fio_file(unit) == nullptr) return EBADF;
    const Record r = run_layout(layout, vals);
    return put_lines(unit, r.lines, r.open);
}

std::vector<std::string> fio_format(std::string_view layout, FVals vals)
{
    return run_layout(layout, vals).lines;
}

std::string fio_format1(std::string_view layout, FVals vals)
{
    return std::move(run_layout(layout, vals).lines.front());
}

std::string fio_text(std::string_view layout, FVals vals)
{
    std::string text;
    for (const std::string& line : run_layout(layout, vals).lines) {
        const std::size_t a = line.find_first_not_of(' ');
        if (a == std::string::npos) continue;
        if (!text.empty()) text += ' ';
        text.append(line, a, line.find_last_not_of(' ') - a + 1);
    }
    return text;
}

std::vector<std::string> fio_list_format(FVals vals)
{
    std::vector<std::string> lines;
    std::string cur = vals.empty() ? "" : " ";  // nothing to write: an empty line
    bool items = false;
    for (const FVal& v : vals) {
        const std::string t = list_item(v);
        if (items && cur.size() + t.size() >= 80) {
            lines.push_back(std::move(cur));
            cur = " ";
        }
        cur += t;
        items = true;
    }
    lines.push_back(std::move(cur));
    return lines;
}

int fio_list(int unit, FVals vals)
{
    if (fio_file(unit) == nullptr) return EBADF;
    return put_lines(unit, fio_list_format(vals), false);
}

// ---- The screen ----------------------------------------------------------------------------

void fio_made_in(FCharset cs) { made_in = cs; }

FCharset fio_made_in() { return made_in; }

std::string fio_utf8(std::string_view text, FCharset cs)
{
    std::string out;
    out.reserve(text.size() + text.size() / 4);
    for (std::size_t i = 0; i < text.size();) {
        const auto b = static_cast<unsigned char>(text[i]);
        if (b < 0x80) {
            out += text[i++];
        } else if (const std::size_t n = utf8_length(text, i); n > 0) {
            out.append(text, i, n);
            i += n;
        } else {
            const char32_t u = cs == FCharset::cp437 ? cp437_high[b - 0x80U] : b < 0xA0 ? 0xFFFD : b;
            put_utf8(out, u);
            ++i;
        }
    }
    return out;
}

std::string fio_screen_text(int unit, std::string_view text)
{
    const Unit* u = unit_of(unit);
    const bool utf8 = u != nullptr && utf8_screen(u->f);
    const std::string one =
        fio_one_line(text, u != nullptr ? reader_of(unit, u->f) : FOneLine::shown);
    return utf8 ? fio_utf8(one, made_in) : one;
}

std::string fio_one_line(std::string_view text, FOneLine how)
{
    const bool shown = how != FOneLine::stored;
    const bool c1 = made_in == FCharset::latin1;  // code page 437 draws letters at 128..159
    const auto at = [&](std::size_t k) {
        return k < text.size() ? static_cast<unsigned char>(text[k]) : 0U;
    };
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const unsigned b = at(i);
        // A UTF-8 character from U+00A0 on is text to a reader of UTF-8; U+0080..U+009F
        // (C2 80..C2 9F) is a control to it, as its second byte is to any other reader.
        if (c1 && b >= 0xC2 && how != FOneLine::shown_8bit && !(b == 0xC2 && at(i + 1) < 0xA0)) {
            if (const std::size_t n = utf8_length(text, i); n > 0) {
                out.append(text, i, n);
                i += n;
                continue;
            }
        }
        ++i;
        const bool control =
            b < 0x20 ? !(shown && b == '\t') : b == 0x7F || (c1 && b >= 0x80 && b < 0xA0);
        if (!control) {
            out += static_cast<char>(b);
        } else if (!shown) {
            out += ' ';
        } else {
            if (b >= 0x80) out += "M-";
            out += '^';
            out += b == 0x7F ? '?' : static_cast<char>((b & 0x1F) + 0x40);
        }
    }
    return out;
}
