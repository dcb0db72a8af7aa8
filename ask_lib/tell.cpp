// tell.cpp -- message lines: one body behind tell0..tell10 and tell1d..tell10d.
// Lines are at most 131 characters; a value that does not fit starts a new line.
#include "tell.h"

#include <algorithm>
#include <array>
#include <string>

#include "fio.h"
#include "numtext.h"

namespace {

using Line = std::span<char>;   // the output line, tell_line_len characters

// Copies s into line at pos, never past the line's end; pos advances by what was copied.
void put(Line line, int& pos, std::string_view s)
{
    const int room = std::max(0, static_cast<int>(line.size()) - pos + 1);
    const int n = std::min(room, static_cast<int>(s.size()));
    std::copy_n(s.data(), n, line.begin() + (pos - 1));
    pos += n;
}

// Writes positions 1..pos of the line as a free-form record behind one blank item.
void write_line(Line line, int pos)
{
    if (pos <= 1) return;
    const auto n = static_cast<std::size_t>(std::min(pos, static_cast<int>(line.size())));
    fio_list(fio_stdout, {" ", std::string_view(line.data(), n)});
}

// The line so far goes out and building starts again at its first position.
void restart(Line line, int& pos)
{
    write_line(line, pos);
    std::fill(line.begin(), line.end(), ' ');
    pos = 1;
}

// Builds text and the values into line (braced: "text{v1, v2}"); returns the next position.
int build(std::string_view text, std::span<const Val> v, Line line, bool braced)
{
    const int len = static_cast<int>(line.size());
    std::fill(line.begin(), line.end(), ' ');
    int pos = 1;
    put(line, pos, text);
    if (v.empty()) return pos;
    if (braced) {
        if (pos + 1 > len) return pos;
        put(line, pos, "{");
    }
    for (std::size_t i = 0; i < v.size(); ++i) {
        if (i > 0) {
            if (pos + 2 > len) {
                if (i == 1) fio_list(fio_stdout, {"TELL: (pos+2 .gt. len(line))", pos, len});
                return pos;                     // no closing brace either
            }
            put(line, pos, ", ");
        }
        tell_arr_out(v[i], line, pos);
    }
    if (braced && pos <= len - 1) put(line, pos, "}");
    return pos;
}

int copy_field(std::span<char, 32> buf, std::string_view s)
{
    std::fill(buf.begin(), buf.end(), ' ');
    const std::size_t n = std::min(s.size(), buf.size());
    std::copy_n(s.data(), n, buf.begin());
    return static_cast<int>(n);
}

}  // namespace

void tell_n(std::string_view text, std::span<const Val> v)
{
    std::array<char, tell_line_len> line;
    write_line(line, build(text, v, line, false));
}

void tell_nd(std::string_view text, std::span<const Val> v, std::span<char> out)
{
    std::array<char, tell_line_len> line;
    build(text, v, line, true);
    put_text(out, std::string_view(line.data(), line.size()));
}

void tell_arr_out(const Val& v, std::span<char> line, int& pos)
{
    int code = 0, count = 0;
    gettype(v.type, code, count);
    const int len = static_cast<int>(line.size());
    if (code == type_unknown) {
        fio_write(fio_stdout, "(/,'  *** TELL:  Type unrecognizable! ****',/)");
        return;
    }
    const auto size = static_cast<std::size_t>(type_elem_bytes(code));
    count = static_cast<int>(std::min(static_cast<std::size_t>(std::max(count, 0)), v.bytes / size));
    if (code == type_s || code == type_a || code == type_w) {
        std::string s(reinterpret_cast<const char*>(v.data), static_cast<std::size_t>(count));
        std::replace(s.begin(), s.end(), '\0', ' ');
        if (v.writable) std::copy(s.begin(), s.end(), reinterpret_cast<char*>(v.data));
        s.erase(s.find_last_not_of(' ') + 1);
        if (pos + static_cast<int>(s.size()) + 1 > len) restart(line, pos);
        put(line, pos, s);                      // a text longer than the line is cut
        return;
    }
    for (int k = 1; k <= count; ++k) {
        std::array<char, 32> buf;
        const int m = setstr(v.span(), buf, code, k);
        if (m + pos + 2 > len) restart(line, pos);
        if (count > 1 && k == 1) put(line, pos, "[");
        put(line, pos, std::string_view(buf.data(), static_cast<std::size_t>(m)));
        if (count > 1) put(line, pos, k < count ? ", " : "]");
    }
}

int setstr(std::span<const std::byte> var, std::span<char, 32> buf, int code, int k)
{
    std::fill(buf.begin(), buf.end(), ' ');
    switch (code) {
    case type_k: return setstr_l(buf, getvalk(var, k) != 0);
    case type_l: return setstr_l(buf, getvall(var, k) != 0);
    case type_m: return setstr_i(buf, getvalm(var, k));
    case type_i: return setstr_i(buf, getvali(var, k));
    case type_r: return setstr_r(buf, getvalr(var, k), 6);
    case type_d: return setstr_r(buf, static_cast<float>(getvald(var, k)), 8);
    case type_c: return setstr_c(buf, getvalc(var, k), 5);
    default: return 0;
    }
}

int setstr_i(std::span<char, 32> buf, std::int32_t v)
{
    const std::string s = fio_format1("(I32)", {v});
    return copy_field(buf, std::string_view(s).substr(std::min(s.find_first_not_of(' '), s.size())));
}

int setstr_l(std::span<char, 32> buf, bool v)
{
    buf[0] = v ? 'T' : 'F';
    return 1;
}

int setstr_r(std::span<char, 32> buf, float v, int nsig)
{
    std::array<char, 12> field;
    int sig = nsig;                             // encdx changes its copy
    encdx(v, field, 1, 12, -1, sig);
    const std::string_view s(field.data(), field.size());
    return copy_field(buf, s.substr(0, std::min(s.find(' '), s.size())));
}

int setstr_c(std::span<char, 32> buf, std::complex<float> v, int nsig)
{
    std::array<char, 32> re, im;
    const int nr = setstr_r(re, v.real(), nsig);
    const int ni = setstr_r(im, v.imag(), nsig);
    const std::string s = "(" + std::string(re.data(), static_cast<std::size_t>(nr)) + "," +
                          std::string(im.data(), static_cast<std::size_t>(ni)) + ")";
    return copy_field(buf, s);
}

void tellbase(std::string_view text) { tell_n(text, {}); }
void tell0(std::string_view text) { tell_n(text, {}); }

void tell1(std::string_view t, const Val& a) { tell_n(t, val_list(a)); }
void tell2(std::string_view t, const Val& a, const Val& b) { tell_n(t, val_list(a, b)); }
void tell3(std::string_view t, const Val& a, const Val& b, const Val& c)
    { tell_n(t, val_list(a, b, c)); }
void tell4(std::string_view t, const Val& a, const Val& b, const Val& c, const Val& d)
    { tell_n(t, val_list(a, b, c, d)); }
void tell5(std::string_view t, const Val& a, const Val& b, const Val& c, const Val& d, const Val& e)
    { tell_n(t, val_list(a, b, c, d, e)); }
void tell6(std::string_view t, const Val& a, const Val& b, const Val& c, const Val& d, const Val& e,
           const Val& f)
    { tell_n(t, val_list(a, b, c, d, e, f)); }
void tell7(std::string_view t, const Val& a, const Val& b, const Val& c, const Val& d, const Val& e,
           const Val& f, const Val& g)
    { tell_n(t, val_list(a, b, c, d, e, f, g)); }
void tell8(std::string_view t, const Val& a, const Val& b, const Val& c, const Val& d, const Val& e,
           const Val& f, const Val& g, const Val& h)
    { tell_n(t, val_list(a, b, c, d, e, f, g, h)); }
void tell9(std::string_view t, const Val& a, const Val& b, const Val& c, const Val& d, const Val& e,
           const Val& f, const Val& g, const Val& h, const Val& i)
    { tell_n(t, val_list(a, b, c, d, e, f, g, h, i)); }
void tell10(std::string_view t, const Val& a, const Val& b, const Val& c, const Val& d,
            const Val& e, const Val& f, const Val& g, const Val& h, const Val& i, const Val& j)
    { tell_n(t, val_list(a, b, c, d, e, f, g, h, i, j)); }

void tell1d(std::string_view t, const Val& a, std::span<char> out) { tell_nd(t, val_list(a), out); }
void tell2d(std::string_view t, const Val& a, const Val& b, std::span<char> out)
    { tell_nd(t, val_list(a, b), out); }
void tell3d(std::string_view t, const Val& a, const Val& b, const Val& c, std::span<char> out)
    { tell_nd(t, val_list(a, b, c), out); }
void tell4d(std::string_view t, const Val& a, const Val& b, const Val& c, const Val& d,
            std::span<char> out)
    { tell_nd(t, val_list(a, b, c, d), out); }
void tell5d(std::string_view t, const Val& a, const Val& b, const Val& c, const Val& d,
            const Val& e, std::span<char> out)
    { tell_nd(t, val_list(a, b, c, d, e), out); }
void tell6d(std::string_view t, const Val& a, const Val& b, const Val& c, const Val& d,
            const Val& e, const Val& f, std::span<char> out)
    { tell_nd(t, val_list(a, b, c, d, e, f), out); }
void tell7d(std::string_view t, const Val& a, const Val& b, const Val& c, const Val& d,
            const Val& e, const Val& f, const Val& g, std::span<char> out)
    { tell_nd(t, val_list(a, b, c, d, e, f, g), out); }
void tell8d(std::string_view t, const Val& a, const Val& b, const Val& c, const Val& d,
            const Val& e, const Val& f, const Val& g, const Val& h, std::span<char> out)
    { tell_nd(t, val_list(a, b, c, d, e, f, g, h), out); }
void tell9d(std::string_view t, const Val& a, const Val& b, const Val& c, const Val& d,
            const Val& e, const Val& f, const Val& g, const Val& h, const Val& i,
            std::span<char> out)
    { tell_nd(t, val_list(a, b, c, d, e, f, g, h, i), out); }
void tell10d(std::string_view t, const Val& a, const Val& b, const Val& c, const Val& d,
             const Val& e, const Val& f, const Val& g, const Val& h, const Val& i, const Val& j,
             std::span<char> out)
    { tell_nd(t, val_list(a, b, c, d, e, f, g, h, i, j), out); }
