// mnout.cpp -- the engine's one line writer and its number fields (Fortran edit layouts).
// Every printed line of the engine passes mnput, which writes it on the output unit ISYSWR.

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "minuit_local.h"

namespace {

std::string stars(int w) { return std::string(static_cast<std::size_t>(w), '*'); }

std::string right(std::string t, int w)
{
    if (static_cast<int>(t.size()) > w) return stars(w);
    return std::string(static_cast<std::size_t>(w) - t.size(), ' ') + t;
}

}  // namespace

// Ew.d: «0.», d digits and the exponent, right-justified; asterisks when it does not fit.
std::string mn_fmt_e(double v, int w, int d)
{
    if (!std::isfinite(v)) return right(std::isnan(v) ? "NaN" : (v < 0 ? "-Inf" : "Inf"), w);
    std::string digits(static_cast<std::size_t>(d), '0');
    int ex = 0;
    if (v != 0) {
        char buf[64];
        std::snprintf(buf, sizeof buf, "%.*e", d - 1, std::fabs(v));  // m.mmmme+XX
        digits.clear();
        const char* p = buf;
        for (; *p != 'e'; ++p)
            if (*p != '.') digits += *p;
        ex = std::atoi(p + 1) + 1;
    }
    char eb[16];
    if (std::abs(ex) <= 99) std::snprintf(eb, sizeof eb, "E%c%02d", ex < 0 ? '-' : '+', std::abs(ex));
    else std::snprintf(eb, sizeof eb, "%c%03d", ex < 0 ? '-' : '+', std::abs(ex));
    std::string t = (v < 0 ? "-0." : "0.") + digits + eb;
    if (static_cast<int>(t.size()) == w + 1 && v >= 0) t.erase(0, 1);  // optional leading zero
    return right(t, w);
}

// Gw.d: fixed point with d significant digits and 4 trailing blanks for 0.1 <= |v| < 10^d
// (and zero), the E form otherwise.
std::string mn_fmt_g(double v, int w, int d)
{
    if (!std::isfinite(v)) return mn_fmt_e(v, w, d);
    int dec = -1;
    if (v == 0) {
        dec = d - 1;
    } else {
        char buf[64];
        std::snprintf(buf, sizeof buf, "%.*e", d - 1, std::fabs(v));
        const int k = std::atoi(std::strchr(buf, 'e') + 1);   // exponent after rounding
        if (k >= -1 && k < d) dec = d - 1 - k;
    }
    if (dec < 0) return mn_fmt_e(v, w, d);
    char buf[96];
    std::snprintf(buf, sizeof buf, "%.*f", dec, v);
    return right(buf, w - 4) + "    ";
}

MnLine& MnLine::i(long v, int w) { s += right(std::to_string(v), w); return *this; }

MnLine& MnLine::f(double v, int w, int d)
{
    char buf[96];
    std::snprintf(buf, sizeof buf, "%.*f", d, v);
    s += right(buf, w);
    return *this;
}

MnLine& MnLine::e(double v, int w, int d) { s += mn_fmt_e(v, w, d); return *this; }
MnLine& MnLine::g(double v, int w, int d) { s += mn_fmt_g(v, w, d); return *this; }

MnLine& MnLine::aw(std::string_view t, int w)
{
    const std::size_t n = static_cast<std::size_t>(w);
    if (t.size() >= n) s += t.substr(0, n);
    else s += std::string(n - t.size(), ' ') + std::string(t);
    return *this;
}

void mnput(std::string_view line)
{
    std::FILE* f = mn7iou.isyswr == 0 ? stderr : stdout;
    std::fwrite(line.data(), 1, line.size(), f);
    std::fputc('\n', f);
}

void mn_put_values(const char* lead, const double v[], int count, int w, int d)
{
    MnLine ln;
    if (lead != nullptr) ln.a(lead);
    ln.x(1);
    for (int k = 0; k < count; ++k) {
        ln.g(v[k], w, d);
        if ((k + 1) % 10 == 0 && k + 1 < count) {
            mnput(ln);
            ln = MnLine();
            ln.x(1);
        }
    }
    mnput(ln);
}
