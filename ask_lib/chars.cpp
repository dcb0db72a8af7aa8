// chars.cpp -- copying, filling, trimming and upper-casing bytes of texts.
// Every count is clipped to the span it applies to.

#include "chars.h"

#include <algorithm>
#include <array>
#include <cstddef>

namespace {

bool blank(char c) { return c == ' ' || c == '\0'; }

// How many of the first n bytes of a span of size len may be touched.
std::size_t clip(int n, std::size_t len) { return n <= 0 ? 0 : std::min(static_cast<std::size_t>(n), len); }

// Only a..z change, whatever the locale; bytes 128..255 stay as they are.
constexpr std::array<unsigned char, 256> upper_table = [] {
    std::array<unsigned char, 256> t{};
    for (int i = 0; i < 256; ++i) t[static_cast<std::size_t>(i)] = static_cast<unsigned char>(i);
    for (int c = 'a'; c <= 'z'; ++c) t[static_cast<std::size_t>(c)] = static_cast<unsigned char>(c - 'a' + 'A');
    return t;
}();

// The one body of case_upper (sel 0: count and buffer) and str_upper (sel 1: whole text).
void upper_body(int sel, int n, std::span<char> buf)
{
    const std::size_t len = sel == 1 ? buf.size() : clip(n, buf.size());
    for (std::size_t i = 0; i < len; ++i)
        buf[i] = static_cast<char>(upper_table[static_cast<unsigned char>(buf[i])]);
}

}  // namespace

void movec(int n, std::string_view from, std::span<char> to)
{
    const std::size_t k = clip(n, std::min(from.size(), to.size()));
    std::copy_n(from.begin(), k, to.begin());
}

void setc(int n, std::span<char> buf, char ch)
{
    std::fill_n(buf.begin(), clip(n, buf.size()), ch);
}

void sets(int n, std::span<char> buf, std::string_view str)
{
    setc(n, buf, str.empty() ? ' ' : str[0]);
}

void trim_blnk(int& n, std::string_view str)
{
    if (n < 0 || n > 1000) n = 0;
    n = static_cast<int>(clip(n, str.size()));
    while (n > 0 && blank(str[static_cast<std::size_t>(n - 1)])) --n;
}

void chtrim_blnk(int& n, std::span<char> str)
{
    std::size_t k = str.size();
    while (k > 0 && blank(str[k - 1])) {
        str[k - 1] = ' ';
        --k;
    }
    n = static_cast<int>(k);
}

int trimstart(std::string_view str)
{
    for (std::size_t i = 0; i + 1 < str.size(); ++i)
        if (!blank(str[i])) return static_cast<int>(i + 1);
    return static_cast<int>(str.size());
}

int trimstop(std::string_view str)
{
    std::size_t k = str.size();
    while (k > 0 && blank(str[k - 1])) --k;
    return static_cast<int>(k);
}

int chtrim(std::string_view str) { return std::max(trimstop(str), 1); }

int nospaces(std::span<char> str)
{
    std::size_t w = 0;
    for (char c : str)
        if (!blank(c)) str[w++] = c;
    std::fill(str.begin() + static_cast<std::ptrdiff_t>(w), str.end(), ' ');
    return std::max(static_cast<int>(w), 1);
}

void case_upper(int n, std::span<char> buf) { upper_body(0, n, buf); }

void str_upper(std::span<char> str) { upper_body(1, 0, str); }
