// tell.h -- message lines: a text followed by typed values in a compact layout.
// tellN writes the line on the screen; tellNd builds "text{v1, v2}" for a prompt instead.
#pragma once

#include <complex>
#include <cstdint>
#include <span>
#include <string_view>

#include "parse.h"

inline constexpr int tell_line_len = 131;

// The bodies: text and the values, written as one line (tell_n) or built into out,
// blank-filled to its whole length (tell_nd), writing nothing.
void tell_n(std::string_view text, std::span<const Val> v);
void tell_nd(std::string_view text, std::span<const Val> v, std::span<char> out);

void tellbase(std::string_view text);
void tell0(std::string_view text);
void tell1(std::string_view t, const Val& a);
void tell2(std::string_view t, const Val& a, const Val& b);
void tell3(std::string_view t, const Val& a, const Val& b, const Val& c);
void tell4(std::string_view t, const Val& a, const Val& b, const Val& c, const Val& d);
void tell5(std::string_view t, const Val& a, const Val& b, const Val& c, const Val& d,
           const Val& e);
void tell6(std::string_view t, const Val& a, const Val& b, const Val& c, const Val& d,
           const Val& e, const Val& f);
void tell7(std::string_view t, const Val& a, const Val& b, const Val& c, const Val& d,
           const Val& e, const Val& f, const Val& g);
void tell8(std::string_view t, const Val& a, const Val& b, const Val& c, const Val& d,
           const Val& e, const Val& f, const Val& g, const Val& h);
void tell9(std::string_view t, const Val& a, const Val& b, const Val& c, const Val& d,
           const Val& e, const Val& f, const Val& g, const Val& h, const Val& i);
void tell10(std::string_view t, const Val& a, const Val& b, const Val& c, const Val& d,
            const Val& e, const Val& f, const Val& g, const Val& h, const Val& i,
            const Val& j);

void tell1d(std::string_view t, const Val& a, std::span<char> out);
void tell2d(std::string_view t, const Val& a, const Val& b, std::span<char> out);
void tell3d(std::string_view t, const Val& a, const Val& b, const Val& c, std::span<char> out);
void tell4d(std::string_view t, const Val& a, const Val& b, const Val& c, const Val& d,
            std::span<char> out);
void tell5d(std::string_view t, const Val& a, const Val& b, const Val& c, const Val& d,
            const Val& e, std::span<char> out);
void tell6d(std::string_view t, const Val& a, const Val& b, const Val& c, const Val& d,
            const Val& e, const Val& f, std::span<char> out);
void tell7d(std::string_view t, const Val& a, const Val& b, const Val& c, const Val& d,
            const Val& e, const Val& f, const Val& g, std::span<char> out);
void tell8d(std::string_view t, const Val& a, const Val& b, const Val& c, const Val& d,
            const Val& e, const Val& f, const Val& g, const Val& h, std::span<char> out);
void tell9d(std::string_view t, const Val& a, const Val& b, const Val& c, const Val& d,
            const Val& e, const Val& f, const Val& g, const Val& h, const Val& i,
            std::span<char> out);
void tell10d(std::string_view t, const Val& a, const Val& b, const Val& c, const Val& d,
             const Val& e, const Val& f, const Val& g, const Val& h, const Val& i,
             const Val& j, std::span<char> out);

// Appends one value, all its elements, to line (131 characters) at pos (1-based, advanced).
// A value that does not fit writes the line so far and starts it again at pos 1.
void tell_arr_out(const Val& v, std::span<char> line, int& pos);

// The text of element k of var for type code into buf (blank-filled first); its length.
int setstr(std::span<const std::byte> var, std::span<char, 32> buf, int code, int k);
int setstr_i(std::span<char, 32> buf, std::int32_t v);            // left-aligned digits
int setstr_l(std::span<char, 32> buf, bool v);                    // "T" or "F"; 1
int setstr_r(std::span<char, 32> buf, float v, int nsig);         // encdx text
int setstr_c(std::span<char, 32> buf, std::complex<float> v, int nsig);  // "(re,im)"
