// chars.h -- small routines on blank-padded texts and raw byte buffers.
// A blank here is a space or a NUL; positions count from 1. Nothing reads or writes outside
// the span it is given, whatever count the caller passes. Texts that are only read come as
// string_view (a literal has no NUL then; an FText converts).
#pragma once

#include <span>
#include <string_view>

// Copies bytes 1..n of from to to, first byte first; n below 1 copies nothing.
void movec(int n, std::string_view from, std::span<char> to);
// Sets bytes 1..n of buf to ch.
void setc(int n, std::span<char> buf, char ch);
// Sets bytes 1..n of buf to the first character of str (a space when str is empty).
void sets(int n, std::span<char> buf, std::string_view str);
// n outside 0..1000 becomes 0; then n is lowered past trailing blanks of str(1:n).
// A count beyond the text's own length is taken as that length.
void trim_blnk(int& n, std::string_view str);
// n = the significant length of str; the trailing NULs passed on the way become spaces.
void chtrim_blnk(int& n, std::span<char> str);
// The first non-blank position among 1..length-1; the length when there is none.
int trimstart(std::string_view str);
// The last non-blank position; 0 for an all-blank text.
int trimstop(std::string_view str);
// As trimstop, but at least 1.
int chtrim(std::string_view str);
// Squeezes every blank out of str (the rest becomes spaces); the bytes kept, at least 1.
int nospaces(std::span<char> str);
// Upper-cases a..z in the first n bytes of buf (never past its end); other bytes stay.
void case_upper(int n, std::span<char> buf);
// Upper-cases a..z in the whole of str.
void str_upper(std::span<char> str);
