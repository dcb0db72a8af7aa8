// db_fmt.h -- one data row of a DB file: columns of a value with its plus and minus
// error, free form (comma-separated) or fixed columns, with an optional remark.
#pragma once

#include <span>
#include <string_view>

#include "ftext.h"

inline constexpr int db_line_chars = 256;  // the line buffer
using DbLine = FText<db_line_chars>;

// Writes one row of n columns on unit lun (the screen, unit 6, when lun is negative).
// xdx holds column k at xdx[3(k-1)] .. xdx[3(k-1)+2]: value, plus error, minus error;
// columns past the end of xdx are not written. fixed 0: free form, "v, e+, e-, " per
// column (an empty minus field when both errors are equal), continued with "\" past
// position 89; otherwise fixed columns, at most three a line. A remark not blank (and not
// starting with NUL) follows the row, on a line of its own when it would pass 128.
void db_fmt(int lun, int n, std::span<const float> xdx, std::string_view remark, int fixed);

// When nch is above 1, writes characters 1..nch-1 of line as one record on unit lun (6
// when lun is negative); always blanks the line and sets nch to 1.
void db_fmt_writeline(DbLine& line, int& nch, int lun);
