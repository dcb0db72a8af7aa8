// mnformat.cpp -- one MINUIT parameter card: number, label, value, step and limits as
// short texts, and the remark in quotes; for the answer file and the status file.
#include <string>

#include "dirade.h"
#include "fio.h"
#include "numtext.h"

namespace {

// A value of the card: single precision, at least 7 digits, right in 9 columns.
FText<9> card_number(double v)
{
    FText<9> t;
    int nsig = 7;
    encdx(static_cast<float>(v), t.span(), 6, 9, 2, nsig);
    return t;
}

}  // namespace

void mnformat(int unit, int p, std::string_view label, double value, double step, double lower,
              double upper, std::string_view remark)
{
    const FText<10> name(label);
    const std::string_view rem = text_of(std::span<const char>(remark.data(), remark.size()));
    const std::string tail = rem.empty() ? std::string(" ") : " '" + std::string(rem) + "'";
    fio_write(unit, "(I10,2X,A,4(A9,1X),1X,A)",
              {p, name, card_number(value), card_number(step), card_number(lower),
               card_number(upper), tail});
}
