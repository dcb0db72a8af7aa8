// numtext.cpp -- the number-to-text routines behind reports, parameter cards and prompts.
// Products that are truncated are formed in long double (64-bit mantissa) first.

#include "numtext.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

namespace {

using i64 = std::int64_t;

// Truncation toward zero that saturates instead of overflowing.
i64 trunc_sat(long double x)
{
    if (!(x == x)) return 0;
    constexpr long double lim = 9.2e18L;
    if (x >= lim) return static_cast<i64>(lim);
    if (x <= -lim) return -static_cast<i64>(lim);
    return static_cast<i64>(x);
}

int to_int_sat(i64 v)
{
    return static_cast<int>(std::clamp<i64>(v, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

// 10^k for k >= 0 by repeated multiplication (exact as far as the mantissa holds).
long double pow10_ld(int k)
{
    long double p = 1.0L;
    for (int i = 0; i < k; ++i) p *= 10.0L;
    return p;
}

// a times 10^k, dividing by 10^-k for negative k so that exact powers stay exact.
long double scale10(long double a, int k) { return k >= 0 ? a * pow10_ld(k) : a / pow10_ld(-k); }

int digit_count(i64 v)
{
    int n = 1;
    for (; v >= 10; v /= 10) ++n;
    return n;
}

void put_field(std::span<char> buf, int width, const std::string& text, int at)
{
    const std::size_t w = std::min(static_cast<std::size_t>(std::max(width, 0)), buf.size());
    std::fill_n(buf.begin(), w, ' ');
    for (std::size_t i = 0; i < text.size(); ++i) {
        const std::size_t p = static_cast<std::size_t>(at) + i;
        if (p < w) buf[p] = text[i];
    }
}

// Drops the last character while the text is longer than max_len.
void fit(std::string& t, int max_len)
{
    if (max_len >= 0 && static_cast<int>(t.size()) > max_len) t.resize(static_cast<std::size_t>(max_len));
}

// The text placed in the field: left, centred (the odd blank to the right) or right.
void justify_into(std::span<char> buf, int width, std::string t, int just, int& nsig)
{
    fit(t, width);
    nsig = static_cast<int>(t.size());
    const int room = std::max(width - nsig, 0);
    put_field(buf, width, t, just < 0 ? 0 : (just == 0 ? room / 2 : room));
}

}  // namespace

// ---- btd -----------------------------------------------------------------------------------

bool btd(int value, std::span<char> buf, int nchar, int& ndig, char fill)
{
    const bool neg = value < 0;
    i64 mag = value < 0 ? -static_cast<i64>(value) : value;  // -2147483648 included
    ndig = (mag == 0 ? 0 : digit_count(mag)) + (neg ? 1 : 0);
    int w = nchar > 0 ? nchar : ndig;
    w = std::min({w, 12, static_cast<int>(buf.size())});
    bool sign_due = neg;
    for (int p = w; p >= 1; --p) {
        char& c = buf[static_cast<std::size_t>(p - 1)];
        c = fill;
        if (mag > 0) {
            c = static_cast<char>('0' + mag % 10);
            mag /= 10;
        } else if (sign_due) {
            c = '-';
            sign_due = false;
        }
    }
    return nchar >= 13;
}

// ---- encdx ---------------------------------------------------------------------------------

void encdx(float value, std::span<char> buf, int ndig, int width, int just, int& nsig)
{
    const bool keep_zeros = nsig < 0;
    const int kmin = nsig < 0 ? -nsig : nsig;
    nsig = kmin;
    put_field(buf, width, "", 0);

    if (value == 0.0f) {  // "0" at position 1, width/2 + 1 or width
        put_field(buf, width, "0", just < 0 ? 0 : (just == 0 ? width / 2 : width - 1));
        nsig = 1;
        return;
    }
    if (!std::isfinite(value)) {  // no logarithm of these
        justify_into(buf, width, std::isnan(value) ? "NaN" : (value < 0 ? "-Inf" : "Inf"), just, nsig);
        return;
    }

    const double a = std::fabs(static_cast<double>(value));
    const int L = static_cast<int>(trunc_sat(std::log10(a) + 0.5));
    const int s = std::min(std::max(ndig, nsig), width - 2);

    long double y = scale10(a, s - L);
    const i64 n = trunc_sat(y + 0.5L);
    if (y > 0 && std::fabs(y - static_cast<long double>(n)) / y < scale10(1.0L, -std::min(s, 6)))
        y = static_cast<long double>(n);  // snap to s or s+1 digits when that close
    const i64 m = trunc_sat(scale10(y, 6 - s) + 0.5L);

    // The digit string by btd: at most 7 digits for the fields callers use.
    char dbuf[12];
    int k = 0;
    btd(to_int_sat(m), dbuf, 0, k, '0');
    std::string D(dbuf, static_cast<std::size_t>(std::clamp(k, 0, 12)));
    if (D.empty()) D = "0";
    k = static_cast<int>(D.size());
    const int e = L + k - 7;
    if (k == width && k > 1) D.pop_back();

    std::string t = D.substr(0, 1) + "." + D.substr(1);
    const bool neg = value < 0;
    auto add_minus = [&] {
        if (!neg) return;
        fit(t, width - 1);
        t.insert(0, "-");
    };

    if (e >= 2 - width && e >= -3 && e <= ndig) {
        if (e > 0) {
            std::string digits = D;
            if (static_cast<int>(digits.size()) < e + 1) digits.append(static_cast<std::size_t>(e + 1) - digits.size(), '0');
            t = digits.substr(0, static_cast<std::size_t>(e + 1)) + "." + digits.substr(static_cast<std::size_t>(e + 1));
        } else if (e < 0) {
            t = "." + std::string(static_cast<std::size_t>(-e - 1), '0') + D;
            fit(t, width);  // cut, not rounded
        }
        while (!t.empty() && t.back() == '0' && (!keep_zeros || static_cast<int>(t.size()) > kmin))
            t.pop_back();
        if (t.front() == '.') {
            t.insert(0, "0");
            fit(t, width);
        }
        add_minus();
        if (t.back() == '.' && just < 2) t.pop_back();
    } else {
        while (t.back() == '0') t.pop_back();  // the point stays: "1.E7"
        add_minus();
        if (e != 0) {
            const std::string xt = "E" + std::string(e < 0 ? "-" : "") + std::to_string(std::abs(e));
            if (static_cast<int>(t.size() + xt.size()) > width)
                t.resize(static_cast<std::size_t>(std::max(width - static_cast<int>(xt.size()), 0)));
            t += xt;
        }
    }
    justify_into(buf, width, t, just, nsig);
}

// ---- rshc ----------------------------------------------------------------------------------

void rshc(int n, int m, std::span<char> buf)
{
    const i64 size = static_cast<i64>(buf.size());
    for (i64 i = std::min<i64>(m, size); i >= 1; --i) {
        const i64 to = i + n;
        if (to >= 1 && to <= size) buf[static_cast<std::size_t>(to - 1)] = buf[static_cast<std::size_t>(i - 1)];
    }
}

// ---- dbltoch_f, dbltoch_v ------------------------------------------------------------------

FText<32> dbltoch_f(double value, int iwid, int ndp)
{
    FText<32> out;
    if (iwid < 3 || iwid > 32) iwid = 32;
    if (!std::isfinite(value)) {  // before any logarithm or conversion
        out = "NAN";
        return out;
    }
    ndp = std::max(ndp, 0);
    long double a = std::fabs(value);
    int e = 0;
    if (a != 0.0L) {
        // compared with the doubles nearest to the powers, so that 1e105 counts as 10^105
        e = static_cast<int>(trunc_sat(std::log10(static_cast<double>(a)) + 1000.000001)) - 1000;
        if (static_cast<double>(a) < std::pow(10.0, e)) --e;
        if (static_cast<double>(a) >= std::pow(10.0, e + 1)) ++e;
    }
    const int ae = std::abs(e);
    const int X = ae <= 9 ? 3 : (ae <= 99 ? 4 : 5);
    int ne = 0;
    std::string xt;
    if (std::min(ndp, iwid - std::max(e, 0) - 3) < 0 || -e > X || a >= 2000000000.0L) {
        long double p = std::pow(10.0, std::abs(e));
        if (!std::isfinite(static_cast<double>(p))) p = std::pow(10.0L, std::abs(e));  // subnormals
        a = e >= 0 ? a / p : a * p;  // mantissa from 1 to below 10
        xt = std::string("E") + (e < 0 ? "-" : "+") + std::to_string(ae);
        ne = X;
    }

    constexpr i64 e8 = 100000000;
    i64 I = 0, F1 = 0, F2 = 0;
    int N = 0;
    int B = 0;
    for (int pass = 0; pass < 2; ++pass) {
        I = trunc_sat(a);
        const long double fr = (a - static_cast<long double>(I)) * 1e8L;
        F1 = trunc_sat(fr);
        F2 = trunc_sat((fr - static_cast<long double>(F1)) * 1e8L + 0.5L);
        if (pass == 0) B = digit_count(I);
        N = std::max(std::min({iwid - B - ne - 2, ndp, 16}), 0);
        if (N > 7) {
            F2 += static_cast<i64>(pow10_ld(16 - N)) / 2;
            if (F2 >= e8) { F2 -= e8; ++F1; }
        } else {
            F1 += static_cast<i64>(pow10_ld(8 - N)) / 2;
        }
        if (F1 >= e8) { F1 -= e8; ++I; }
        if (digit_count(I) <= B) break;
        B = digit_count(I);  // one digit more, one decimal fewer
    }

    const std::string frac = [&] {
        std::string f1 = std::to_string(F1), f2 = std::to_string(F2);
        return std::string(8 - std::min<std::size_t>(8, f1.size()), '0') + f1 +
               std::string(8 - std::min<std::size_t>(8, f2.size()), '0') + f2;
    }();
    std::string t(static_cast<std::size_t>(std::max(iwid - B - N - ne - 2, 0)), ' ');
    t += value < 0 ? '-' : ' ';
    t += std::to_string(I);
    t += '.';
    t += frac.substr(0, static_cast<std::size_t>(N));
    fit(t, std::max(iwid - ne, 0));
    t += xt;
    if (static_cast<int>(t.size()) > iwid) t.erase(0, t.size() - static_cast<std::size_t>(iwid));  // the exponent ends at iwid
    out = t;
    return out;
}

FText<32> dbltoch_v(double value, int iwid, int ndp)
{
    const FText<32> f = dbltoch_f(value, iwid, ndp);
    const std::string_view s = f.full();
    if (s.find('.') == std::string_view::npos) return f;
    std::string t(s.substr(s.find_first_not_of(' ')));
    std::size_t end = t.find('E');
    if (end == std::string::npos) {
        end = t.find_last_not_of(std::string(" \0", 2));
        end = end == std::string::npos ? 0 : end + 1;
    }
    std::string mant = t.substr(0, end), rest = t.substr(end);
    while (mant.size() > 2 && mant.back() == '0') mant.pop_back();
    return FText<32>(mant + rest);
}

FText<32> realtoch_f(float value, int iwid, int ndp) { return dbltoch_f(static_cast<double>(value), iwid, ndp); }

FText<32> realtoch_v(float value, int iwid, int ndp) { return dbltoch_v(static_cast<double>(value), iwid, ndp); }
