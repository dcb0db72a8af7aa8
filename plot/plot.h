// plot.h -- the plot package as other folders see it: a buffer of points, the settings they are
// drawn with, one drawing at once (rozude_next) or the "ROZUDE: " dialog over them (rozude).
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

inline constexpr int rozude_max_points = 10000;   // the buffer never holds more

// A point code: four bytes read either as four characters or as a little-endian 4-byte
// integer. "    " joins a point to its blank-coded predecessor; -n sets pen colour n; a
// character and three blanks draws that character; any other integer n is a marker.
using Iptyp = std::array<char, 4>;
Iptyp iptyp_of(std::int32_t n);          // the integer's four bytes
Iptyp iptyp_of(std::string_view s);      // the first four characters, blank-padded
std::int32_t iptyp_int(const Iptyp& c);  // the four bytes read as the integer

// ---- The shared records ------------------------------------------------------------------
// The point buffer: points in the order they were added, which is the drawing order. Written
// by doplch and the dialog's ADD; emptied by EXIT and by rozude_next.
struct Dopltx {
    std::array<float, rozude_max_points + 1> xset{};   // [1..10000] X of each point; [0] unused
};
inline Dopltx dopltx;
struct Doplty {
    std::array<float, rozude_max_points + 1> yset{};   // [1..10000] Y of each point; [0] unused
};
inline Doplty doplty;
struct Dopltl {
    std::array<Iptyp, rozude_max_points + 1> lset{};   // [1..10000] code of each point
    int npt = 0;                        // points in the buffer
    int maxpt = rozude_max_points;      // capacity (doplmx), never above 10000 in effect
    int ignpt = 0;                      // points refused since the buffer was last emptied
};
inline Dopltl dopltl;

// Plot settings; they hold from the start of the process until changed, across plots.
struct RRozudePar {
    std::array<float, 13> r{
        0.0f,
        0.0f, 0.0f,      // (1), (2) tick interval of X and Y; 0: the plot library chooses
        0.0f, 0.0f,      // (3), (4) fixed low and high X limit; 0: that end is automatic
        0.0f, 0.0f,      // (5), (6) the same for Y
        10.0f, 10.0f,    // (7), (8) hardcopy plot width and height, inches
        1.0f, 1.0f,      // (9), (10) hardcopy lower-left corner X and Y, inches
        0.25f,           // (11) character size, inches
        0.125f,          // (12) point (marker) size, inches
    };                   // [0] unused
};
inline RRozudePar r_rozude_par;
struct LRozudePar {
    std::array<bool, 9> l{
        false,
        true,            // (1) draw the X axis, the line Y = 0
        true,            // (2) draw the Y axis, the line X = 0
        true,            // (3) write labels and title, with margins for them
        false,           // (4) terse: every marker a dot
        false, false,    // (5), (6) logarithmic X, Y
        false, false,    // (7), (8) inverse X, Y (a logarithmic scale of 1/X)
    };                   // [0] unused
};
inline LRozudePar l_rozude_par;
struct RozudeStatus {
    int npt = 0;         // points left in the buffer when rozude or rozude_next last returned
};
inline RozudeStatus rozude_status;

// ---- Filling the buffer ------------------------------------------------------------------
// Appends (x, y) with its code; a full buffer refuses the point and counts it in ignpt.
void doplch(float x, float y, std::int32_t code);
void doplch(float x, float y, std::string_view code);
void doplch(float x, float y, char code) = delete;   // a lone char would pass as an integer
// As doplch with the blank code: a line point.
void doplpt(float x, float y);
// Capacity of the buffer, not checked (a value above 10000 still holds 10000 points).
void doplmx(int n);

// ---- Settings ------------------------------------------------------------------------------
// X limits become xlo, xhi only when xlo < xhi; Y likewise (0 leaves an end automatic).
void setlim(float xlo, float xhi, float ylo, float yhi);
// Hardcopy plot width and height in inches, not checked.
void ccdim(float width, float height);
// Hardcopy lower-left corner in inches, not checked.
void rozude_margins(float x, float y);
// Character and point size in inches; each is taken only when above 0.
void chsize(float char_size, float point_size);
// Draw the zero axes Y = 0 (lx) and X = 0 (ly).
void doaxes(bool lx, bool ly);

// Labels: n characters of text (0 when n is negative), trailing blanks and NULs dropped, cut
// to 100 (X label, title) or 40 (Y label) characters; a length of 0 leaves no label.
void hlab(int n, std::string_view text);
void vlab(int n, std::string_view text);
void titlpl(int n, std::string_view text);

// Accepted for callers that route output; they do nothing.
void rozude_luns(int lun1, int lun2);
void rozude_lun(int lun);
void rozude_recall(std::string_view file);

// ---- Drawing ---------------------------------------------------------------------------------
// Draws the buffer once on the default device and empties it, asking nothing: false when
// no device opened or its plot file could not be written whole (the backend or the plot
// package has said why) and the drawing, with its points, was given up. rozude_status.npt
// is 0 on return.
bool rozude_next();
// The "ROZUDE: " dialog over the buffer; returns when the user leaves it (EXIT empties the
// buffer, KEEP and NEXT keep it); rozude_status.npt is set on return.
void rozude();

// ---- Long names: the same doors -------------------------------------------------------------
inline void rozude_char(float x, float y, std::int32_t code) { doplch(x, y, code); }
inline void rozude_char(float x, float y, std::string_view code) { doplch(x, y, code); }
void rozude_char(float x, float y, char code) = delete;
inline void rozude_point(float x, float y) { doplpt(x, y); }
inline void rozude_buff(int n) { doplmx(n); }
inline void rozude_limits(float xlo, float xhi, float ylo, float yhi)
    { setlim(xlo, xhi, ylo, yhi); }
inline void rozude_size(float width, float height) { ccdim(width, height); }
inline void rozude_char_size(float char_size, float point_size)
    { chsize(char_size, point_size); }
inline void rozude_axes(bool lx, bool ly) { doaxes(lx, ly); }
