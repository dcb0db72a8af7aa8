// parse.cpp -- answer parsing: the token splitter, field reading, conversions, typed stores.
// The parse state below is process-wide and outlives every question.
#include "parse.h"

#include <cassert>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>

#include "eval.h"
#include "fio.h"

namespace {

constexpr int parse_len = 512;     // characters of an answer line that are parsed
constexpr std::size_t max_set = 10;  // delimiters or ignored characters

// A delimiter or ignored-character set with its one saved copy.
struct CharSet {
    std::string now;
    std::string saved;
};

struct ParseState {
    std::array<char, parse_len> copy{};   // the answer being read, blank-padded
    int pos = 1;                          // scan position in copy, 1-based
    double deflt = 0.0;                   // value of an empty numeric field
    CharSet delims{",", ","};
    CharSet ignores{"[]", "[]"};
};
ParseState ps;

constexpr std::string_view type_letters_uc = "SAKMLIRDCW";
constexpr std::string_view type_letters_lc = "sakmlirdcw";

bool in_set(std::string_view set, char c) { return set.find(c) != std::string_view::npos; }

void set_add(std::string& set, char c)
{
    if (in_set(set, c)) return;
    if (set.size() >= max_set) set[max_set - 1] = c;
    else set += c;
}

// Removes c unless that would leave fewer than keep_min characters.
void set_delete(std::string& set, char c, std::size_t keep_min)
{
    const std::size_t i = set.find(c);
    if (i == std::string::npos || set.size() <= keep_min) return;
    set.erase(i, 1);
}

void set_assign(std::string& set, std::string_view s) { set = s.substr(0, max_set); }

// Byte view of element k (from 1) of size n, or an empty span outside a.
template <class B>
std::span<B> element(std::span<B> a, int k, std::size_t n)
{
    if (k < 1 || static_cast<std::size_t>(k) > a.size() / n) return {};
    return a.subspan((static_cast<std::size_t>(k) - 1) * n, n);
}

template <class T>
void store(T v, std::span<std::byte> a, int k)
{
    const std::span<std::byte> e = element(a, k, sizeof(T));
    if (!e.empty()) std::memcpy(e.data(), &v, sizeof(T));
}

template <class T>
T fetch(std::span<const std::byte> a, int k)
{
    T v{};
    const std::span<const std::byte> e = element(a, k, sizeof(T));
    if (!e.empty()) std::memcpy(&v, e.data(), sizeof(T));
    return v;
}

// Elements of v that its storage holds, at most count; a larger count is the caller's error.
int storable(const Val& v, int code, int count)
{
    const auto n = static_cast<std::size_t>(type_elem_bytes(code));
    if (n == 0 || !v.writable) return 0;
    assert(v.elem == 0 || v.elem == n || (code == type_c && v.elem == 4));
    assert(static_cast<std::size_t>(count) * n <= v.bytes);
    return static_cast<int>(std::min<std::size_t>(static_cast<std::size_t>(count), v.bytes / n));
}

// A text field (S, A, W): one token, doubled quotes stored once, blank-filled to the count.
void read_text(const Val& v, int count, bool keep)
{
    int first = 0, last = 0;
    gettoken(ps.copy, ps.delims.now, "", ps.pos, first, last);
    if (last < first && keep) return;
    const int n = storable(v, type_a, count);
    int k = 1;
    for (int i = first; i <= last && k <= n; ++i, ++k) {
        const char c = ps.copy[i - 1];
        if (c == '\'' && i < last && ps.copy[i] == '\'') ++i;
        setvala(c, v.span(), k);
    }
    for (; k <= n; ++k) setvala(' ', v.span(), k);
}

// Numeric elements: one token each, evaluated; an error is flagged, the rest still read.
void read_numbers(const Val& v, int code, int count, bool keep, int& error)
{
    const int n = code == type_unknown ? 0 : storable(v, code, count);
    for (int k = 1; k <= count; ++k) {
        int first = 0, last = 0;
        gettoken(ps.copy, ps.delims.now, ps.ignores.now, ps.pos, first, last);
        double x = ps.deflt;
        if (last < first) {
            if (keep) continue;
        } else if (!loc_eval(std::string_view(ps.copy.data() + first - 1,
                                              static_cast<std::size_t>(last - first + 1)), x)) {
            error = 1;
            continue;
        }
        if (k <= n) setvalue(x, v.span(), code, k);
    }
}

}  // namespace

int type_elem_bytes(int code)
{
    static constexpr int bytes[] = {0, 1, 1, 2, 2, 4, 4, 4, 8, 8, 1};  // by type code
    return code >= 0 && code <= type_w ? bytes[code] : 0;
}

void parse(std::string_view line)
{
    put_text(ps.copy, line);
    ps.pos = 1;
}

void parsevalue(const Val& v, bool keep, int& error)
{
    error = 0;
    int code = 0, count = 0;
    gettype(v.type, code, count);
    if (code == type_w) {
        const std::string saved = ps.delims.now;
        ps.delims.now = " ";
        read_text(v, count, keep);
        ps.delims.now = saved;
    } else if (code == type_s || code == type_a) {
        read_text(v, count, keep);
    } else {
        read_numbers(v, code, count, keep, error);
    }
}

void parse_set_defaultd(double d) { ps.deflt = d; }
void parse_set_default(double d) { parse_set_defaultd(d); }

void parse_add_delim(char c) { set_add(ps.delims.now, c); }
void parse_delete_delim(char c) { set_delete(ps.delims.now, c, 1); }
void parse_set_delims(std::string_view s) { set_assign(ps.delims.now, s); }
void parse_push_delims(std::string_view s) { ps.delims.saved = ps.delims.now; parse_set_delims(s); }
void parse_pop_delims() { ps.delims.now = ps.delims.saved; }
void parse_write_delims() {}

void parse_add_ignore(char c) { set_add(ps.ignores.now, c); }
void parse_delete_ignore(char c) { set_delete(ps.ignores.now, c, 0); }
void parse_set_ignore(std::string_view s) { set_assign(ps.ignores.now, s); }
void parse_push_ignore(std::string_view s) { ps.ignores.saved = ps.ignores.now; parse_set_ignore(s); }
void parse_pop_ignore() { ps.ignores.now = ps.ignores.saved; }

void parse_write_ignore()
{
    fio_list(fio_stdout, {"ASK ignored characters are now [", ps.ignores.now, "]"});
}

std::string_view parse_delims() { return ps.delims.now; }
std::string_view parse_ignores() { return ps.ignores.now; }

void gettype(std::string_view type, int& code, int& count)
{
    std::size_t i = 0;
    while (i < type.size() && type[i] == ' ') ++i;
    long n = 0;
    bool digits = false;
    for (; i < type.size() && type[i] >= '0' && type[i] <= '9'; ++i) {
        digits = true;
        n = std::min(n * 10 + (type[i] - '0'), 1L << 30);   // no overflow on absurd counts
    }
    count = digits ? static_cast<int>(n) : 1;
    code = 0;
    if (i < type.size()) {
        std::size_t p = type_letters_uc.find(type[i]);
        if (p == std::string_view::npos) p = type_letters_lc.find(type[i]);
        if (p != std::string_view::npos) code = static_cast<int>(p) + 1;
    }
}

void gettoken(std::span<char> line, std::string_view delims, std::string_view ignores,
              int& pos, int& first, int& last)
{
    const int len = static_cast<int>(line.size());
    // The character at p, an ignored one blanked first; NUL past the end.
    const auto at = [&](int p) -> char {
        if (p < 1 || p > len) return '\0';
        char& c = line[static_cast<std::size_t>(p - 1)];
        if (in_set(ignores, c)) c = ' ';
        return c;
    };
    const auto skip_spaces = [&] { while (pos <= len && at(pos) == ' ') ++pos; };
    if (pos < 1) pos = 1;
    skip_spaces();
    if (pos > len || at(pos) != '\'') {
        first = pos;
        last = pos - 1;
        for (char c; pos <= len && (c = at(pos)) != '\0' && !in_set(delims, c); ++pos)
            if (c != ' ') last = pos;
    } else {
        ++pos;
        first = pos;
        for (char c; pos <= len && (c = at(pos)) != '\0'; ++pos) {
            if (c != '\'') continue;
            if (pos == len || at(pos + 1) != '\'') break;   // the closing quote
            ++pos;                                           // a doubled quote
        }
        last = pos - 1;
        if (pos <= len && at(pos) != '\0') ++pos;
        skip_spaces();
    }
    skip_spaces();
    if (pos <= len && in_set(delims, at(pos)) && at(pos) != '\0') ++pos;
}

std::int32_t round_to_i4(double value)
{
    constexpr auto lo = std::numeric_limits<std::int32_t>::min();
    constexpr auto hi = std::numeric_limits<std::int32_t>::max();
    const double r = std::round(value);    // halves away from zero, exact for every double
    if (std::isnan(r) || r < lo) return lo;
    return r > hi ? hi : static_cast<std::int32_t>(r);
}

std::int16_t round_to_i2(double value)
{
    // Within the 4-byte range the low 16 bits are kept (70000 gives 4464); beyond it,
    // and for NaN, the 2-byte limits.
    const double r = std::round(value);
    if (std::isnan(r) || r < std::numeric_limits<std::int32_t>::min())
        return std::numeric_limits<std::int16_t>::min();
    if (r > std::numeric_limits<std::int32_t>::max()) return std::numeric_limits<std::int16_t>::max();
    const auto low = static_cast<std::uint32_t>(static_cast<std::int32_t>(r)) & 0xFFFFu;
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(low));
}

void setvalue(double value, std::span<std::byte> var, int code, int k)
{
    const bool truth = !(value == 0.0);   // a NaN counts as not 0
    switch (code) {
    case type_k: setvalk(truth ? 1 : 0, var, k); break;
    case type_m: setvalm(round_to_i2(value), var, k); break;
    case type_l: setvall(truth ? 1 : 0, var, k); break;
    case type_i: setvali(round_to_i4(value), var, k); break;
    case type_r: setvalr(static_cast<float>(value), var, k); break;
    case type_d: setvald(value, var, k); break;
    case type_c: setvalc({static_cast<float>(value), 0.0f}, var, k); break;
    default: break;
    }
}

void setvals(std::uint8_t v, std::span<std::byte> a, int k) { store(v, a, k); }
void setvala(char v, std::span<std::byte> a, int k) { store(v, a, k); }
void setvalk(std::int16_t v, std::span<std::byte> a, int k) { store(v, a, k); }
void setvalm(std::int16_t v, std::span<std::byte> a, int k) { store(v, a, k); }
void setvall(std::int32_t v, std::span<std::byte> a, int k) { store(v, a, k); }
void setvali(std::int32_t v, std::span<std::byte> a, int k) { store(v, a, k); }
void setvalr(float v, std::span<std::byte> a, int k) { store(v, a, k); }
void setvald(double v, std::span<std::byte> a, int k) { store(v, a, k); }
void setvalc(std::complex<float> v, std::span<std::byte> a, int k) { store(v, a, k); }

std::uint8_t getvals(std::span<const std::byte> a, int k) { return fetch<std::uint8_t>(a, k); }
char getvala(std::span<const std::byte> a, int k) { return fetch<char>(a, k); }
std::int16_t getvalk(std::span<const std::byte> a, int k) { return fetch<std::int16_t>(a, k); }
std::int16_t getvalm(std::span<const std::byte> a, int k) { return fetch<std::int16_t>(a, k); }
std::int32_t getvall(std::span<const std::byte> a, int k) { return fetch<std::int32_t>(a, k); }
std::int32_t getvali(std::span<const std::byte> a, int k) { return fetch<std::int32_t>(a, k); }
float getvalr(std::span<const std::byte> a, int k) { return fetch<float>(a, k); }
double getvald(std::span<const std::byte> a, int k) { return fetch<double>(a, k); }
std::complex<float> getvalc(std::span<const std::byte> a, int k)
{
    return fetch<std::complex<float>>(a, k);
}

void trimzero_vals(std::span<std::byte> a, int k, char c)
{
    if (getvals(a, k) == 0) setvals(static_cast<std::uint8_t>(c), a, k);
}

void trimzero_vala(std::span<std::byte> a, int k, char c)
{
    if (getvala(a, k) == '\0') setvala(c, a, k);
}
