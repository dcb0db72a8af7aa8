// dispar.h -- one labelled parameter line of the reports and results dialogs: number,
// label, description, value with error, and optionally the parameter it is combined with.
#pragma once

#include <span>
#include <string_view>

// xx and dx are values and errors by parameter number ([p] is parameter p, 1..100; [0]
// unused), as the report prepares them. Numbers 201..299 show their expression's value.

// Writes " (n)   NAME: description = value [joiner modifier]" on unit lun (below 0: the
// screen). A number outside 1..npx and 201..299 writes the "ERROR!  Bad parameter number:"
// line instead; a modifier outside them is left out without a word.
void dispar(int lun, int npx, const double* xx, const double* dx, int number,
            std::string_view name, std::string_view description, std::string_view joiner,
            int modifier);

// The value text of parameter number into c (32 characters) and its written length into lc;
// pack 1 gives the compact form of a value with error.
void formparval(int number, const double* xx, const double* dx, int& lc, std::span<char> c,
                int pack);
