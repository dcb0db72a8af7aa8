// int_round.h -- typed reals to whole numbers that never overflow, shared by every room of
// the fitting program: NaN gives 0, anything beyond the limit becomes the limit.
#pragma once

#include <algorithm>
#include <cmath>

// r (already rounded or truncated) limited to -lim..lim; NaN gives 0.
inline int int_within(double r, double lim)
{
    if (std::isnan(r)) return 0;
    return static_cast<int>(std::clamp(r, -lim, lim));
}

// The whole int range: for counts and numbers that are stored as they are.
inline constexpr double int_full = 2147483647.0;
// Nearest integer, halves away from zero.
inline int nint(double x) { return int_within(std::round(x), int_full); }
// Truncated toward zero.
inline int trunc_int(double x) { return int_within(std::trunc(x), int_full); }

// Well inside an int (1e9): for numbers that a few additions follow, such as bin ranges.
inline constexpr double int_room = 1e9;
inline int nint_room(double x) { return int_within(std::round(x), int_room); }
inline int trunc_room(double x) { return int_within(std::trunc(x), int_room); }
