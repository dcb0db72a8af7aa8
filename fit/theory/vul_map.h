// vul_map.h -- parameter mapping: the value of every parameter number, and for one fitted
// spectrum the signed code and number of every slot (indirect numbers followed).
#pragma once

#include <string_view>

#include "fit_records.h"

// Parameter values as MINUIT hands them: x_mn[p] is parameter p (1..100), [0] unused.

// Fills vulmapr.x_vul from x_mn and the parameter expressions (labels first become
// evaluator variables); resets the cached first-raw norm number. False when an expression
// failed to evaluate (after the evaluator's message; its value stays as it was).
bool vul_premap(const double* x_mn);
// True when a parameter label (trailing blanks aside) can name an evaluator variable, so
// that expressions can use the parameter's value by it.
bool vul_label_is_name(std::string_view label);
// Value of parameter number j as vul_premap left it; numbers the value table does not hold
// read as 0.
inline double xv(int j) { return (j >= 1 && j <= max_parnum) ? vulmapr.x_vul(j) : 0.0; }
// Fills vulmapi for fitted spectrum jspec (1..nspec); x_mn is not used.
void vul_map(int jspec, const double* x_mn);
// Resolves one signal slot value into code k and number j, following 101..110 through
// spectrum jspec's slots (a negative signal slot forces a negative code).
void map1par(int slot, int jspec, int& k, int& j);
// Warns about slot numbers that point nowhere, then vul_premap(x_mn). Only warns.
void vul_checkmap(const double* x_mn);
// " ** MAPPING ERROR **  " what n "  parameter" k text "!" on the screen and in the log.
void badmap(std::string_view what, int n, int k, std::string_view text);
