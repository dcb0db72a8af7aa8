// ftext.h -- fixed-length, blank-padded text fields (no terminator).
// Trailing blanks are not significant; assigning cuts or pads to the length.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <span>
#include <string>
#include <string_view>

// Copy s into f, cut to f's length and padded with blanks; no NUL is written.
inline void put_text(std::span<char> f, std::string_view s)
{
    const std::size_t n = std::min(f.size(), s.size());
    std::copy_n(s.data(), n, f.data());
    std::fill(f.begin() + static_cast<std::ptrdiff_t>(n), f.end(), ' ');
}

// The text of f without its trailing blanks.
inline std::string_view text_of(std::span<const char> f)
{
    std::size_t n = f.size();
    while (n > 0 && f[n - 1] == ' ') --n;
    return {f.data(), n};
}

// A field of exactly N characters, blank at construction.
template <std::size_t N>
struct FText {
    std::array<char, N> c;

    FText() { c.fill(' '); }
    FText(std::string_view s) { put_text(c, s); }  // NOLINT: fields take texts freely
    FText& operator=(std::string_view s) { put_text(c, s); return *this; }

    static constexpr std::size_t size() { return N; }
    // A contiguous range, so a field passes wherever a std::span<char> is taken.
    char* data() { return c.data(); }
    const char* data() const { return c.data(); }
    char* begin() { return c.data(); }
    char* end() { return c.data() + N; }
    const char* begin() const { return c.data(); }
    const char* end() const { return c.data() + N; }
    std::string_view full() const { return {c.data(), N}; }  // with trailing blanks
    operator std::string_view() const { return full(); }    // NOLINT: read as a whole field
    std::string_view trimmed() const { return text_of(c); }
    std::string str() const { return std::string(trimmed()); }
    std::span<char> span() { return c; }
    std::span<const char> span() const { return c; }
    char& at1(std::size_t i) { return c[i - 1]; }               // 1-based, as the text counts
    char at1(std::size_t i) const { return c[i - 1]; }
    bool blank() const { return trimmed().empty(); }
    bool operator==(const FText& o) const { return c == o.c; }
};
