// pgadapter.cpp -- the plot package's one contact with the plot backend (cpgplot, giza).
// Each workaround below is for a measured difference from the classic library.
#include "pgadapter.h"

#include <cpgplot.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>
#include <string>

#include "fio.h"

namespace {

float pen_x = 0.0f, pen_y = 0.0f;   // the pen, kept here: the backend forgets it

// One argument of a traced call: a number, or a text shown in quotes.
struct Arg {
    Arg(double v) : d(v) {}                     // NOLINT: numbers and texts mix freely
    Arg(std::string_view v) : s(v), text(true) {}  // NOLINT
    Arg(const char* v) : s(v), text(true) {}    // NOLINT
    double d = 0.0;
    std::string_view s;
    bool text = false;
};

void trace(const char* name, std::initializer_list<Arg> args = {})
{
    if (pg_trace == nullptr) return;
    std::string line = name;
    char num[32];
    for (const Arg& a : args) {
        if (a.text) {
            line.append(" \"").append(a.s).append("\"");
        } else {
            std::snprintf(num, sizeof num, " %g", a.d);
            line += num;
        }
    }
    pg_trace(line);
}

std::string trimmed(std::string_view s)
{
    const auto a = s.find_first_not_of(" \0", 0, 2);
    if (a == std::string_view::npos) return {};
    const auto b = s.find_last_not_of(" \0", std::string_view::npos, 2);
    return std::string(s.substr(a, b - a + 1));
}

std::string qinf(const char* item)
{
    char v[256];
    int len = sizeof v;
    cpgqinf(item, v, &len);
    return std::string(v, static_cast<std::size_t>(std::max(0, std::min(len, 255))));
}

// The backend opens nothing for a blank name and ignores its environment: choose here.
std::string default_device()
{
    const char* dev = std::getenv("PGPLOT_DEV");
    if (dev != nullptr && !trimmed(dev).empty()) return trimmed(dev);
    const char* disp = std::getenv("DISPLAY");
    if (disp != nullptr && *disp != '\0') return "/xw";
    return "/null";
}

// The backend "opens" a file in a missing or read-only directory and fails only at the
// close, having drawn nothing: refuse such a file at the open, as the classic library does.
bool file_writable()
{
    const std::string type = qinf("TYPE");
    if (type == "/null" || type == "/xw") return true;
    const std::string file = qinf("FILE");
    const auto slash = file.rfind('/');
    const std::string dir = slash == std::string::npos ? "." : file.substr(0, slash + 1);
    return ::access(dir.c_str(), W_OK | X_OK) == 0;
}

// Any byte above 127 blanks the rest of the backend's page: the micro and plus-minus signs
// become the backend's escapes, other such bytes a '?'. Labels keep their bytes elsewhere.
std::string backend_text(std::string_view s)
{
    std::string out;
    for (const char c : s) {
        const auto b = static_cast<unsigned char>(c);
        if (b == 181) out += "\\gm";
        else if (b == 177) out += "\\(2233)";
        else if (b >= 128) out += '?';
        else if (b == 0) out += ' ';   // would end the C string
        else out += c;
    }
    return out;
}

// A window edge the backend cannot take (equal edges fall back to 0..1 there, NaN is taken
// silently) is mended: a missing edge one unit from the other, equal edges pulled apart.
void mend_edges(float& a, float& b)
{
    if (!std::isfinite(a) && !std::isfinite(b)) { a = 0.0f; b = 1.0f; }
    else if (!std::isfinite(a)) a = b - 1.0f;
    else if (!std::isfinite(b)) b = a + 1.0f;
    if (a == b) {
        const float d = std::max(std::fabs(a) * 1e-4f, 1e-5f);
        a -= d;
        b += d;
    }
}

}  // namespace

int pg_open(std::string_view device)
{
    std::string dev = trimmed(device);
    if (dev.empty()) dev = default_device();
    trace("pgopen", {std::string_view(dev)});
    if (dev.find('?') != std::string::npos) return 0;   // the backend would prompt forever
    fio_flush_all();
    const int id = cpgopen(dev.c_str());
    if (id > 0 && !file_writable()) {
        const std::string file = qinf("FILE");
        cpgclos();
        fio_flush_all();
        fio_write(fio_stdout, "(' Cannot write the plot file ',A)", {file});
        return 0;
    }
    return id;
}

void pg_ldev()
{
    trace("pgldev");
    fio_flush_all();
    cpgldev();
    std::fflush(stdout);
}

void pg_clos()
{
    trace("pgclos");
    cpgclos();
}

void pg_bbuf() { trace("pgbbuf"); cpgbbuf(); }
void pg_ebuf() { trace("pgebuf"); cpgebuf(); }

void pg_qvsz(float& x1, float& x2, float& y1, float& y2)
{
    cpgqvsz(1, &x1, &x2, &y1, &y2);
    trace("pgqvsz", {x1, x2, y1, y2});
}

void pg_vsiz(float xleft, float xright, float ybot, float ytop)
{
    trace("pgvsiz", {xleft, xright, ybot, ytop});
    cpgvsiz(xleft, xright, ybot, ytop);
}

// The backend's height in inches is wrong on every file device; its normalised height is
// right, so scale that by the view surface.
float pg_qcs_inches()
{
    float xch = 0.0f, ych = 0.0f, x1 = 0.0f, x2 = 0.0f, y1 = 0.0f, y2 = 0.0f;
    cpgqcs(0, &xch, &ych);
    cpgqvsz(1, &x1, &x2, &y1, &y2);
    const float h = ych * (y2 - y1);
    trace("pgqcs", {h});
    return h > 0.0f ? h : 1.0f / 6.0f;   // a sixth of an inch where the device says nothing
}

void pg_scf(int font) { trace("pgscf", {double(font)}); cpgscf(font); }

void pg_rnge(float x1, float x2, float& xlo, float& xhi)
{
    cpgrnge(x1, x2, &xlo, &xhi);
    trace("pgrnge", {x1, x2, xlo, xhi});
}

void pg_swin(float x1, float x2, float y1, float y2)
{
    mend_edges(x1, x2);
    mend_edges(y1, y2);
    trace("pgswin", {x1, x2, y1, y2});
    cpgswin(x1, x2, y1, y2);
}

void pg_sch(float size) { trace("pgsch", {size}); cpgsch(size); }

void pg_box(const char* xopt, float xtick, int nxsub, const char* yopt, float ytick, int nysub)
{
    trace("pgbox", {xopt, xtick, double(nxsub), yopt, ytick, double(nysub)});
    cpgbox(xopt, xtick, nxsub, yopt, ytick, nysub);
}

void pg_sls(int style) { trace("pgsls", {double(style)}); cpgsls(style); }
void pg_sci(int colour) { trace("pgsci", {double(colour)}); cpgsci(colour); }

void pg_mtxt(const char* side, float disp, float coord, float fjust, std::string_view text)
{
    trace("pgmtxt", {side, disp, coord, fjust, text});
    cpgmtxt(side, disp, coord, fjust, backend_text(text).c_str());
}

void pg_ptxt(float x, float y, float angle, float fjust, std::string_view text)
{
    trace("pgptxt", {x, y, angle, fjust, text});
    cpgptxt(x, y, angle, fjust, backend_text(text).c_str());
}

void pg_move(float x, float y)
{
    trace("pgmove", {x, y});
    pen_x = x;
    pen_y = y;
    cpgmove(x, y);
}

// The backend draws only the first segment after a move: every segment is its own
// move and draw, from the pen kept here.
void pg_draw(float x, float y)
{
    trace("pgdraw", {x, y});
    cpgmove(pen_x, pen_y);
    cpgdraw(x, y);
    pen_x = x;
    pen_y = y;
}

void pg_pt1(float x, float y, int symbol)
{
    trace("pgpt1", {x, y, double(symbol)});
    cpgpt1(x, y, symbol);
}

// Without a cursor the backend reports success at (0,0): ask the device first.
bool pg_curs(float& x, float& y)
{
    trace("pgcurs");
    if (qinf("CURSOR") != "YES") return false;
    float cx = x, cy = y;
    char ch = ' ';
    fio_flush_all();
    if (cpgcurs(&cx, &cy, &ch) != 1) return false;
    x = cx;
    y = cy;
    return true;
}

// The backend's font library keeps its caches until the process ends; the leak checker of
// the sanitizer builds would count them as ours. Without a sanitizer nothing calls this.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libfontconfig.so\nleak:libcairo.so\nleak:libfreetype.so\nleak:libpixman\n";
}
