// numtext.h -- integers and reals as fixed-length text for reports, cards, answers and dumps.
// Nothing here writes a line; callers place the text. Fields are blank-padded, no NUL.
#pragma once

#include <span>

#include "ftext.h"

// value as decimal digits right-aligned in nchar places (ndig places when nchar <= 0, at most
// 12, never past buf), the minus sign just in front and fill in front of that; a value with
// more digits than places keeps its lowest digits and no sign; 0 writes fill only.
// ndig = the digits of |value| plus one for a minus sign (0 for the value 0).
// Returns true when nchar is 13 or more.
bool btd(int value, std::span<char> buf, int nchar, int& ndig, char fill);

// value as short text in the first width characters of buf: at least nsig significant
// digits (ndig when larger), fixed form for decimal exponents up to ndig, else "1.5E-4";
// just < 0 left, 0 centred, > 0 right, >= 2 also keeps a trailing point ("1." not "1").
// A negative nsig keeps trailing zeros down to |nsig| characters. On return nsig is the
// length of the text. Infinity and NaN give "Inf", "-Inf", "NaN".
void encdx(float value, std::span<char> buf, int ndig, int width, int just, int& nsig);

// Characters 1..m of buf go to n+1..n+m, the last first, so an overlapping move is safe;
// positions outside buf are skipped.
void rshc(int n, int m, std::span<char> buf);

// value in fixed point with ndp decimals right-aligned in iwid places (3..32, else 32),
// switching to the exponent form ("1.2340E-4") when it does not fit or lies below 0.001;
// "NAN" for a value that is not finite.
FText<32> dbltoch_f(double value, int iwid, int ndp);
// The same left-aligned, the mantissa without its superfluous zeros ("3.14", "1.", "1.5E+5").
FText<32> dbltoch_v(double value, int iwid, int ndp);
// dbltoch_f and dbltoch_v of the value widened exactly (0.1f is 0.100000001490116...).
FText<32> realtoch_f(float value, int iwid, int ndp);
FText<32> realtoch_v(float value, int iwid, int ndp);
