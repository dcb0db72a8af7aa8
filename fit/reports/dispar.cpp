// dispar.cpp -- parameter lines: the fixed fields of one line and the value texts of
// MINUIT parameters and expressions.
#include "dispar.h"

#include <algorithm>
#include <string>

#include "chars.h"
#include "fio.h"
#include "fit_records.h"
#include "fit_spectra.h"
#include "numtext.h"

namespace {

constexpr int field_len = 32;  // every work text of a line

bool valid_number(int n, int npx) { return n >= 1 && n <= 299 && (n <= npx || n > 200); }

// The plus-minus sign as set_characters chose it.
std::string_view pm_text()
{
    const int n = std::clamp(spchars.length, 0, static_cast<int>(spchars.pm.size()));
    return spchars.pm.full().substr(0, static_cast<std::size_t>(n));
}

// s with every blank squeezed out, at least `least` characters long (blank-padded).
std::string compact(std::string s, int least)
{
    FText<field_len> t(s);
    const int n = nospaces(t.span());
    return std::string(t.full().substr(0, static_cast<std::size_t>(std::max(n, least))));
}

// Position (1-based) of the last expression that defines number; 0 when none does.
int expr_position(int number)
{
    int pos = 0;
    for (int e = 1; e <= used_expressions(); ++e)
        if (expressions.jexpr(e) == number) pos = e;
    return pos;
}

// Fills c from the text t and returns its length as the text counts it.
int put_value(std::span<char> c, std::string_view t)
{
    put_text(c, t);
    return static_cast<int>(std::min(t.size(), c.size()));
}

}  // namespace

void formparval(int number, const double* xx, const double* dx, int& lc, std::span<char> c,
                int pack)
{
    put_text(c, "");
    if (number > max_minuit_par) {
        const int at = std::min(number, max_parnum);
        const int pos = expr_position(number);
        const std::string t = fio_format1(pos <= 9 ? "(A12,' (Expr',I2,')')" : "(A12,' (Expr',I3,')')",
                                          {dbltoch_v(vulmapr.x_vul(at), 12, 8), pos});
        put_value(c, t);
        lc = static_cast<int>(t.find(')')) + 1;
    } else if (number >= 1 && dx[number] == 0) {
        put_value(c, dbltoch_v(xx[number], 10, 7).full().substr(0, 12));
        lc = 12;
    } else if (number >= 1 && pack == 0) {
        const std::string t = fio_format1("('(',A11,' ',A,A8,')')",
                                          {dbltoch_f(xx[number], 11, 8), pm_text(),
                                           dbltoch_f(dx[number], 8, 5)});
        put_value(c, t);
        lc = trimstop(std::string_view(c.data(), c.size()));
    } else if (number >= 1) {
        const std::string t = fio_format1("('(',A11,' ',A,A8,')')",
                                          {dbltoch_v(xx[number], 8, 5), pm_text(),
                                           dbltoch_v(dx[number], 7, 4)});
        put_value(c, t);
        lc = nospaces(c);
    } else {
        lc = 0;
    }
    if (lc < 2) lc = field_len;
}

void dispar(int lun, int npx, const double* xx, const double* dx, int number,
            std::string_view name, std::string_view description, std::string_view joiner,
            int modifier)
{
    const int unit = lun >= 0 ? lun : fio_stdout;
    if (!valid_number(number, npx)) {
        fio_write(unit, "('     ERROR!  Bad parameter number:',I6)", {number});
        return;
    }
    const std::string cpnum = compact(fio_format1("('(',I4,')')", {number}), 6);
    const std::string cpnam =
        compact(std::string(name.substr(0, std::min<std::size_t>(name.size(), 10))) + ":", 5);
    const int ldis = std::clamp(static_cast<int>(description.size()), 24, field_len);
    const FText<field_len> cdis(description);
    const std::string_view dis = cdis.full().substr(0, static_cast<std::size_t>(ldis));

    FText<field_len> cpval, cpmod;
    int lpval = 0, lpmod = 0;
    formparval(number, xx, dx, lpval, cpval.span(), 0);
    const std::string_view val = cpval.full().substr(0, static_cast<std::size_t>(lpval));
    if (!valid_number(modifier, npx)) {
        fio_write(unit, "(' ',3A,'= ',A,1X,A,1X,A)", {cpnum, cpnam, dis, val});
        return;
    }
    formparval(modifier, xx, dx, lpmod, cpmod.span(), lpval > 15 ? 1 : 0);
    fio_write(unit, "(' ',3A,'= ',A,1X,A,1X,A)",
              {cpnum, cpnam, dis, val, joiner,
               cpmod.full().substr(0, static_cast<std::size_t>(lpmod))});
}
