// setup_local.h -- helpers shared by the set-up dialog and the spectrum storing only.
#pragma once

#include <cmath>
#include <limits>
#include <initializer_list>
#include <string_view>

#include "fio.h"

// A slot number from a typed real: truncated toward zero; values beyond an int (or not a
// number) become a number no table knows, never undefined behaviour.
inline int slot_number(float a)
{
    if (std::isnan(a)) return std::numeric_limits<int>::max();
    const double t = std::trunc(static_cast<double>(a));
    if (t >= 2147483647.0) return std::numeric_limits<int>::max();
    if (t <= -2147483647.0) return -std::numeric_limits<int>::max();
    return static_cast<int>(t);
}

// A set-up step that could not be carried out (its message already written): at the
// keyboard the dialog asks again, a batch run stops with status 1 and the last message of
// the set-up's checks as its reason.
void setup_failed();

// A message line of the set-up's own checks on the screen and in the log; the set-up keeps
// its text as the reason of a stop that may follow.
void setup_message(std::string_view layout, std::initializer_list<FVal> vals = {});
