// spect_local.h -- small helpers that the spectrum dialog and the construction share
// inside fit/: number conversions that never overflow, the slots of a spectrum type.
#pragma once

#include <algorithm>
#include <cmath>

// Nearest integer, halves away from zero; clamped to the int range, NaN gives 0.
inline int nint(double x)
{
    if (std::isnan(x)) return 0;
    constexpr double lim = 2147483647.0;
    return static_cast<int>(std::clamp(std::round(x), -lim, lim));
}

// x truncated toward zero; clamped like nint.
inline int trunc_int(double x)
{
    if (std::isnan(x)) return 0;
    constexpr double lim = 2147483647.0;
    return static_cast<int>(std::clamp(std::trunc(x), -lim, lim));
}

// Histogram slots a spectrum type uses: 1 for raw counts and one-histogram asymmetry,
// 2 for asymmetry and ratio, 4 for the rotating frame.
inline int slots_of_type(int type) { return type <= 1 ? 1 : type <= 3 ? 2 : 4; }
