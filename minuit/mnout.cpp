// mnout.cpp -- the engine's one line writer and its number fields, both on the shared
// Fortran-style I/O: each field is one edit descriptor, each line one record on ISYSWR.

#include <string>

#include "fio.h"
#include "minuit_local.h"

namespace {

// One value through one edit descriptor, such as "G12.4".
std::string field(const std::string& desc, FVal v)
{
    const FVal vals[] = {v};
    return fio_format1("(" + desc + ")", vals);
}

std::string wd(char c, int w, int d) { return c + std::to_string(w) + "." + std::to_string(d); }

}  // namespace

MnLine& MnLine::i(long v, int w) { s += field("I" + std::to_string(w), v); return *this; }
MnLine& MnLine::f(double v, int w, int d) { s += field(wd('F', w, d), v); return *this; }
MnLine& MnLine::e(double v, int w, int d) { s += field(wd('E', w, d), v); return *this; }
MnLine& MnLine::g(double v, int w, int d) { s += field(wd('G', w, d), v); return *this; }
MnLine& MnLine::aw(std::string_view t, int w) { s += field("A" + std::to_string(w), t); return *this; }

void mnput(std::string_view line) { fio_write(mn7iou.isyswr, "(A)", {line}); }

void mn_put_values(const char* lead, const double v[], int count, int w, int d)
{
    MnLine ln;
    if (lead != nullptr) ln.a(lead);
    ln.x(1);
    for (int k = 0; k < count; ++k) {
        ln.g(v[k], w, d);
        if ((k + 1) % 10 == 0 && k + 1 < count) {
            mnput(ln);
            ln = MnLine();
            ln.x(1);
        }
    }
    mnput(ln);
}
