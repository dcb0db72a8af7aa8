// parse.h -- answer fields: type strings, the token splitter, typed element stores.
// One answer line is split into tokens here and each field stored in the caller's variable.
#pragma once

#include <array>
#include <complex>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <type_traits>
#include <vector>

#include "ftext.h"

// Type codes: the position of the letter in "SAKMLIRDCW"; 0 for an unknown letter.
enum TypeCode : int {
    type_unknown = 0,
    type_s = 1,   // untyped bytes, count bytes, one token
    type_a = 2,   // text of count characters, one token
    type_k = 3,   // 2-byte logicals
    type_m = 4,   // 2-byte integers
    type_l = 5,   // 4-byte logicals
    type_i = 6,   // 4-byte integers
    type_r = 7,   // 4-byte reals
    type_d = 8,   // 8-byte reals
    type_c = 9,   // complex: two 4-byte reals
    type_w = 10,  // text like A, read with the blank as the only delimiter
};

// Bytes of one element of a type code (1 for the texts, 0 for unknown).
int type_elem_bytes(int code);

namespace val_detail {
template <class T> struct is_span : std::false_type {};
template <class T, std::size_t E> struct is_span<std::span<T, E>> : std::true_type {};
template <class T> struct is_vector : std::false_type {};
template <class T, class A> struct is_vector<std::vector<T, A>> : std::true_type {};

// Element size of a variable's scalar type, for the debug check against the letter; 0: any.
template <class T> constexpr std::size_t elem_size()
{
    if constexpr (std::is_arithmetic_v<T>) return sizeof(T);
    else if constexpr (std::is_array_v<T>) return elem_size<std::remove_extent_t<T>>();
    else if constexpr (requires { typename T::value_type; std::tuple_size<T>::value; })
        return elem_size<typename T::value_type>();
    else if constexpr (requires { T::size(); &T::full; }) return 1;  // FText<N>
    else if constexpr (std::is_same_v<T, std::complex<float>>) return 8;
    else return 0;
}
}  // namespace val_detail

// A caller's variable with its field type string, as the ask, parse and tell families take it:
//   int n; double x[22]; FText<10> w;  std::complex<float> z;  std::vector<float> v(3);
//   Val{"I", n}, Val{"22D", x}, Val{"10W", w}, Val{"C", z}, Val{"3R", v}, Val{"4S", span}
// The variable's size travels along: a count beyond it is cut, so nothing is ever stored
// outside the variable. A const or temporary variable is read-only (for tell only); a Val
// must not outlive its variable.
struct Val {
    std::string_view type;        // field type string: optional count, one letter
    std::byte* data = nullptr;    // the variable's first byte
    std::size_t bytes = 0;        // its size in bytes
    std::size_t elem = 0;         // its scalar element size, 0 when not known
    bool writable = false;        // false for a const or temporary variable

    template <class T>
        requires(!std::is_pointer_v<std::remove_cvref_t<T>>)
    Val(std::string_view t, T&& v) : type(t)
    {
        using U = std::remove_cvref_t<T>;
        constexpr bool is_mut = std::is_lvalue_reference_v<T> &&
                                !std::is_const_v<std::remove_reference_t<T>>;
        if constexpr (val_detail::is_span<U>::value || val_detail::is_vector<U>::value) {
            using E = std::remove_reference_t<decltype(*v.data())>;
            static_assert(std::is_trivially_copyable_v<E>, "a field holds plain values");
            data = reinterpret_cast<std::byte*>(const_cast<std::remove_const_t<E>*>(v.data()));
            bytes = v.size() * sizeof(E);
            elem = val_detail::elem_size<std::remove_const_t<E>>();
            writable = !std::is_const_v<E> && (val_detail::is_span<U>::value || is_mut);
        } else {
            static_assert(std::is_trivially_copyable_v<U>, "a field holds plain values");
            data = reinterpret_cast<std::byte*>(const_cast<U*>(&v));
            bytes = sizeof(U);
            elem = val_detail::elem_size<U>();
            writable = is_mut;
        }
    }

    std::span<std::byte> span() const { return {data, bytes}; }
};

// The fields of one call as an array, for the one body a family of entries forwards to:
// baseask(p, val_list(a, b), ...). The array lives to the end of that statement.
template <class... V>
std::array<Val, sizeof...(V)> val_list(const V&... v) { return {v...}; }

// ---- Parse state and the reading of fields ----------------------------------------------

// Starts a new answer: the line, cut or blank-padded to 512 characters, is scanned from 1.
void parse(std::string_view line);

// Reads the next field(s) of the answer into v. keep: an empty field leaves the variable
// (element) as it was instead of taking the default. error is 0, or 1 when a numeric token
// did not evaluate (the evaluator has said why); the other elements are still read.
void parsevalue(const Val& v, bool keep, int& error);

void parse_set_defaultd(double d);   // value of an empty numeric field, initially 0
void parse_set_default(double d);    // the same

// Answer delimiters (initially ","), at most 10; the last one cannot be deleted.
void parse_add_delim(char c);
void parse_delete_delim(char c);
void parse_set_delims(std::string_view s);
void parse_push_delims(std::string_view s);  // one saved level; a second push overwrites
void parse_pop_delims();
void parse_write_delims();                   // shows nothing

// Ignored characters of numeric fields (initially "[" and "]"), at most 10; may be emptied.
void parse_add_ignore(char c);
void parse_delete_ignore(char c);
void parse_set_ignore(std::string_view s);
void parse_push_ignore(std::string_view s);
void parse_pop_ignore();
void parse_write_ignore();                   // " ASK ignored characters are now [...]"

// The sets in force, for the answer-line commands and tests.
std::string_view parse_delims();
std::string_view parse_ignores();

// Decodes a field type string: code 0..10 and count (1 without digits).
void gettype(std::string_view type, int& code, int& count);

// Finds the next token of line from pos (1-based); first..last is the token (last = first-1
// when empty). Ignored characters met are blanked in line itself.
void gettoken(std::span<char> line, std::string_view delims, std::string_view ignores,
              int& pos, int& first, int& last);

// Converts value for type code 3..9 and stores it as element k (from 1) of var.
void setvalue(double value, std::span<std::byte> var, int code, int k);

// Integer conversions, rounding halves away from zero. Out-of-range values saturate, NaN
// gives the lower limit (the rounding treats it as negative). round_to_i2 keeps the low
// 16 bits of a value within the 4-byte range (70000 gives 4464), else saturates too.
std::int32_t round_to_i4(double value);
std::int16_t round_to_i2(double value);

// ---- Typed element store and fetch (element k from 1; outside the buffer: no effect, 0) --

void setvals(std::uint8_t v, std::span<std::byte> a, int k);
void setvala(char v, std::span<std::byte> a, int k);
void setvalk(std::int16_t v, std::span<std::byte> a, int k);
void setvalm(std::int16_t v, std::span<std::byte> a, int k);
void setvall(std::int32_t v, std::span<std::byte> a, int k);
void setvali(std::int32_t v, std::span<std::byte> a, int k);
void setvalr(float v, std::span<std::byte> a, int k);
void setvald(double v, std::span<std::byte> a, int k);
void setvalc(std::complex<float> v, std::span<std::byte> a, int k);

std::uint8_t getvals(std::span<const std::byte> a, int k);
char getvala(std::span<const std::byte> a, int k);
std::int16_t getvalk(std::span<const std::byte> a, int k);
std::int16_t getvalm(std::span<const std::byte> a, int k);
std::int32_t getvall(std::span<const std::byte> a, int k);
std::int32_t getvali(std::span<const std::byte> a, int k);
float getvalr(std::span<const std::byte> a, int k);
double getvald(std::span<const std::byte> a, int k);
std::complex<float> getvalc(std::span<const std::byte> a, int k);

// When byte (character) k holds NUL, it becomes c.
void trimzero_vals(std::span<std::byte> a, int k, char c);
void trimzero_vala(std::span<std::byte> a, int k, char c);
