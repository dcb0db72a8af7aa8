// rozude_buf.cpp -- the point buffer, the settings doors and the labels of the plot package.
// Every door here only changes state; drawing lives in rozude_draw.cpp.
#include <algorithm>
#include <cstring>

#include "chars.h"
#include "plot_local.h"

Iptyp iptyp_of(std::int32_t n)
{
    Iptyp c;
    std::memcpy(c.data(), &n, sizeof n);   // the machine's byte order: little-endian
    return c;
}

Iptyp iptyp_of(std::string_view s)
{
    Iptyp c;
    put_text(c, s);
    return c;
}

std::int32_t iptyp_int(const Iptyp& c)
{
    std::int32_t n;
    std::memcpy(&n, c.data(), sizeof n);
    return n;
}

void rozude_add(float x, float y, const Iptyp& code)
{
    // The capacity may have been set above the arrays; they bound it.
    if (dopltl.npt >= std::min(dopltl.maxpt, rozude_max_points)) {
        ++dopltl.ignpt;
        return;
    }
    const int k = ++dopltl.npt;
    dopltx.xset[k] = x;
    doplty.yset[k] = y;
    dopltl.lset[k] = code;
}

void rozude_clear()
{
    dopltl.npt = 0;
    dopltl.ignpt = 0;
}

void doplch(float x, float y, std::int32_t code) { rozude_add(x, y, iptyp_of(code)); }
void doplch(float x, float y, std::string_view code) { rozude_add(x, y, iptyp_of(code)); }
void doplpt(float x, float y) { rozude_add(x, y, iptyp_of("    ")); }
void doplmx(int n) { dopltl.maxpt = n; }

void setlim(float xlo, float xhi, float ylo, float yhi)
{
    auto& r = r_rozude_par.r;
    if (xlo < xhi) {
        r[3] = xlo;
        r[4] = xhi;
    }
    if (ylo < yhi) {
        r[5] = ylo;
        r[6] = yhi;
    }
}

void ccdim(float width, float height)
{
    r_rozude_par.r[7] = width;
    r_rozude_par.r[8] = height;
}

void rozude_margins(float x, float y)
{
    r_rozude_par.r[9] = x;
    r_rozude_par.r[10] = y;
}

void chsize(float char_size, float point_size)
{
    if (char_size > 0.0f) r_rozude_par.r[11] = char_size;
    if (point_size > 0.0f) r_rozude_par.r[12] = point_size;
}

void doaxes(bool lx, bool ly)
{
    l_rozude_par.l[1] = lx;
    l_rozude_par.l[2] = ly;
}

namespace {

// The label rule: n (0 when negative), past trailing blanks and NULs, cut to the field.
int set_label(int n, std::string_view text, std::span<char> field)
{
    int len = std::max(n, 0);
    trim_blnk(len, text);
    len = std::min(len, static_cast<int>(field.size()));
    movec(len, text, field);
    return len;
}

}  // namespace

void hlab(int n, std::string_view text)
{
    rozude_priv.nlbx = set_label(n, text, rozude_priv.sxlab.span());
}

void vlab(int n, std::string_view text)
{
    rozude_priv.nlby = set_label(n, text, rozude_priv.sylab.span());
}

void titlpl(int n, std::string_view text)
{
    rozude_priv.stitle = "";
    rozude_priv.nttl = set_label(n, text, rozude_priv.stitle.span());
}

void rozude_luns(int, int) {}
void rozude_lun(int) {}
void rozude_recall(std::string_view) {}
