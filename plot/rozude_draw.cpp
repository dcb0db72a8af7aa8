// rozude_draw.cpp -- one drawing of the point buffer: open a device, frame, points, close.
// Everything reaches the plot library through pgadapter.h.
#include <algorithm>
#include <array>
#include <cmath>
#include <string>

#include "ask.h"
#include "pgadapter.h"
#include "plot_local.h"

namespace {

constexpr float no_positive = 1e20f;   // smallest positive value when there is none
constexpr int log_unit = 2;             // the log file, fixed for the whole system

int open_named_device() { return rozude_ask_device("Format? (filename/devicetype): "); }

// The hardcopy device, or the default device and, for a user at the terminal, a named one
// when that fails. In batch the next line of the script is no device name, and a drawing
// the program started by itself must not take a line typed for another question.
bool open_device(DrawBy by)
{
    auto& p = rozude_priv;
    if (p.hardcopy) {
        p.hardcopy = false;
        return open_named_device() > 0;
    }
    // The user would otherwise see nothing happen and not know why.
    if (by == DrawBy::user && pg_default_draws_nothing())
        fio_write(fio_stdout, "(' No plot device is open: set PGPLOT_DEV, or use HARDCOPY')");
    if (pg_open(" ") > 0) return true;
    return by == DrawBy::user && !loc_batch() && open_named_device() > 0;
}

// Margins of a labelled plot and where its labels stand, in character sizes and in label
// heights; set_viewport and draw_labels go together.
constexpr float lab_left = 4.8f, lab_bottom = 5.2f;    // margins, character sizes
constexpr float disp_x = 3.2f, disp_y = 2.2f, disp_title = 1.0f;   // label heights out

// The viewport in inches: the hardcopy settings, or margins from the character size.
void set_viewport(bool hardcopy, float sx2, float sy2)
{
    auto& r = r_rozude_par.r;
    const float cs = r[11];
    if (hardcopy) {
        if (r[7] + r[9] > sx2) r[7] = sx2 - r[9];
        if (r[8] + r[10] > sy2) r[8] = sy2 - r[10];
        pg_vsiz(r[9], r[7], r[10], r[8]);
    } else if (l_rozude_par.l[3]) {
        // Room beside the frame for the numbers, a gap, then the label (at 1.2 times the
        // size, descenders and accents included) and a margin to the edge: the backend's
        // letters come out taller than the classic library's.
        pg_vsiz(lab_left * cs, sx2 - 1.5f * cs, lab_bottom * cs, sy2 - 2.5f * cs);
    } else {
        pg_vsiz(1.5f * cs, sx2 - 1.5f * cs, 1.5f * cs, sy2 - 0.1f);
    }
}

// A coordinate on its axis: itself, its log10 on a logarithmic axis, -log10 on an inverse
// one. Zero and negative values there are not finite, and the drawing skips them.
template <class T>
T on_axis(T v, bool log, bool inv)
{
    if (log) return std::log10(v);
    if (inv) return -std::log10(v);
    return v;
}

// One axis of the world window: data range, margins, fixed ends, log or inverse. The data
// range holds single-precision values; all that is made of it is formed in double, since
// data near the largest float would overflow there.
struct AxisRange {
    double lo = 0.0, hi = 0.0;    // data range, then the window
    float minpos = no_positive;   // smallest positive value
};

void widen(AxisRange& a)
{
    float lo = static_cast<float>(a.lo), hi = static_cast<float>(a.hi);
    if (hi - lo < 1e-5f) {
        lo -= 1e-5f;
        hi += 1e-5f;
    }
    a.lo = lo;
    a.hi = hi;
    // A value too large for that widening to show would leave an empty window.
    if (a.lo == a.hi) {
        const double d = std::fabs(a.lo) * 1e-5;
        a.lo -= d;
        a.hi += d;
    }
}

void window_ends(AxisRange& a, float fixlo, float fixhi, bool log, bool inv)
{
    widen(a);
    double lo = 0.0, hi = 0.0;
    pg_rnge(a.lo, a.hi, lo, hi);
    if (fixlo != fixhi) {
        if (fixlo != 0.0f) lo = fixlo;
        if (fixhi != 0.0f) hi = fixhi;
    }
    if (log || inv) {
        lo = std::max(lo, static_cast<double>(a.minpos));
        lo = on_axis(lo, log, inv);
        hi = on_axis(hi, log, inv);
    }
    a.lo = lo;
    a.hi = hi;
}

// The data range of one coordinate array over its finite values (the first slot's
// contents when the buffer is empty).
AxisRange data_range(const std::array<float, rozude_max_points + 1>& v, int n)
{
    AxisRange a;
    int first = 1;
    while (first <= n && !std::isfinite(v[first])) ++first;
    const float v1 = first <= n ? v[first] : (std::isfinite(v[1]) ? v[1] : 0.0f);
    a.lo = v1;
    a.hi = static_cast<float>(static_cast<double>(v1) + 1e-8);
    for (int k = first; k <= n; ++k) {
        const float x = v[k];
        if (!std::isfinite(x)) continue;
        if (x < a.lo) a.lo = x;
        if (x > a.hi) a.hi = x;
        if (x > 0.0f && x < a.minpos) a.minpos = x;
    }
    return a;
}

bool is_blank_code(const Iptyp& c) { return c == Iptyp{' ', ' ', ' ', ' '}; }

// Pen colour of the negative code n: -n, or 1 beyond 8.
int colour_of(std::int32_t n) { return n < -8 ? 1 : -n; }

// Marker number of the integer code n (colour n+1).
int marker_of(int n)
{
    static constexpr int marker[8] = {0, 4, 7, 10, 11, 12, 5, 3};
    return n >= 0 && n <= 7 ? marker[n] : n;
}

struct Pt {
    float x, y;
    bool ok;   // both coordinates finite on their axes
};

Pt axis_point(int k)
{
    const auto& l = l_rozude_par.l;
    const float x = on_axis(dopltx.xset[k], l[5], l[7]);
    const float y = on_axis(doplty.yset[k], l[6], l[8]);
    return {x, y, std::isfinite(x) && std::isfinite(y)};
}

// First pass: lines, colours and the starts of lines.
void first_pass()
{
    pg_sci(1);
    Iptyp prev = iptyp_of(-1);
    bool restart = true;   // the next point starts afresh: first, or after a skipped point
    for (int k = 1; k <= dopltl.npt; ++k) {
        const Iptyp& code = dopltl.lset[k];
        const Pt p = axis_point(k);
        if (!p.ok) {
            restart = true;
            continue;
        }
        const std::int32_t n = iptyp_int(code);
        const bool blank = is_blank_code(code);
        if (restart || code != prev) {
            if (!blank && n < 0) pg_sci(colour_of(n));
            pg_move(p.x, p.y);
            pg_pt1(p.x, p.y, -1);
        } else if (blank) {
            pg_draw(p.x, p.y);
        } else if (n < 0) {
            pg_pt1(p.x, p.y, -1);
        }
        prev = code;
        restart = false;
    }
}

// Second pass: markers and character symbols.
void second_pass()
{
    const auto& r = r_rozude_par.r;
    const bool dots = r[12] < 0.005f || l_rozude_par.l[4];
    for (int k = 1; k <= dopltl.npt; ++k) {
        const Iptyp& code = dopltl.lset[k];
        const std::int32_t n = iptyp_int(code);
        if (is_blank_code(code) || n < 0) continue;
        const Pt p = axis_point(k);
        if (!p.ok) continue;
        if (dots) {
            pg_pt1(p.x, p.y, -1);
        } else if (code[1] == ' ' && code[2] == ' ' && code[3] == ' ') {
            pg_pt1(p.x, p.y, static_cast<signed char>(code[0]));
        } else {
            pg_sci(n >= 8 ? 1 : n + 1);
            pg_pt1(p.x, p.y, marker_of(n));
            pg_sci(1);
        }
    }
}

// One label centred on a side of the frame; a text too long for the picture is drawn
// smaller, so that it stays whole: room is the length it may take, in inches.
void draw_label(const char* side, float disp, std::string_view text, float size, float room)
{
    const float len = pg_len_inches(text);
    const float scale = len > room && room > 0.0f ? room / len : 1.0f;
    if (scale < 1.0f) pg_sch(size * scale);
    pg_mtxt(side, disp / scale, 0.5f, 0.5f, text);
    if (scale < 1.0f) pg_sch(size);
}

void draw_labels(float chbase, float sx2, float sy2)
{
    const auto& p = rozude_priv;
    const float size = 1.2f * r_rozude_par.r[11] / chbase;
    pg_sch(size);
    if (!l_rozude_par.l[3]) return;
    // A label centred on the frame may reach as far as the nearer edge of the picture,
    // less a margin of a tenth of an inch.
    float x1 = 0.0f, x2 = 0.0f, y1 = 0.0f, y2 = 0.0f;
    pg_qvp_inches(x1, x2, y1, y2);
    const float xroom = 2.0f * std::min(0.5f * (x1 + x2), sx2 - 0.5f * (x1 + x2)) - 0.2f;
    const float yroom = 2.0f * std::min(0.5f * (y1 + y2), sy2 - 0.5f * (y1 + y2)) - 0.2f;
    if (p.nlbx > 0) draw_label("B", disp_x, rozude_text(p.sxlab, p.nlbx), size, xroom);
    if (p.nlby > 0) draw_label("L", disp_y, rozude_text(p.sylab, p.nlby), size, yroom);
    if (p.nttl > 0) draw_label("T", disp_title, rozude_text(p.stitle, p.nttl), size, xroom);
}

void draw_caption(float chbase)
{
    auto& p = rozude_priv;
    if (p.nchcpt <= 0) return;
    if (p.do_caption) {
        p.do_caption = false;
        pg_curs(p.xcpt, p.ycpt);
    }
    pg_sch(p.chscpt / chbase);
    pg_ptxt(p.xcpt, p.ycpt, p.angcpt, 0.0f, rozude_text(p.capt, p.nchcpt));
}

// A plot file lost is said once, on the screen and in the log; a batch run then ends with
// status 1 after the rest of its work.
void report_lost(const PgLost& lost)
{
    const std::string line = fio_format1("(' *** Plot file not written: ',A,' (',A,')')",
                                         {lost.file, lost.reason});
    fio_write(fio_stdout, "(A)", {line});
    if (fio_is_open(log_unit)) fio_write(log_unit, "(A)", {line});
    if (loc_batch()) ask_fail_at_end(line);
}

}  // namespace

// A "?" is answered here: the plot library would prompt by itself and, at the end of input,
// never stop.
int rozude_ask_device(std::string_view prompt)
{
    auto& p = rozude_priv;
    for (;;) {
        if (!loc_batch()) pg_ldev();
        // Read longer than the name holds, so that a cut is said rather than made silently.
        std::array<char, 1024> typed{};
        ask1(prompt, Val{"1024S", typed});
        std::string_view name(typed.data(), typed.size());
        name = name.substr(0, name.find_last_not_of(std::string_view(" \0", 2)) + 1);
        p.devname = name;
        if (name.size() > p.devname.size())
            fio_write(fio_stdout, "(' *** Device name longer than ',I0,' characters cut to: ',A)",
                      {int(p.devname.size()), p.devname.trimmed()});
        if (p.devname.trimmed() != "?") return pg_open(p.devname);
    }
}

DrawEnd rozude_draw(DrawBy by)
{
    auto& p = rozude_priv;
    const auto& r = r_rozude_par.r;
    const auto& l = l_rozude_par.l;
    p.no_change = true;
    const bool hardcopy = p.hardcopy;
    if (!open_device(by)) return DrawEnd::no_device;

    float sx1 = 0.0f, sx2 = 0.0f, sy1 = 0.0f, sy2 = 0.0f;
    pg_qvsz(sx1, sx2, sy1, sy2);
    set_viewport(hardcopy, sx2, sy2);
    pg_bbuf();
    const float chbase = pg_qcs_inches();
    pg_scf(p.font);

    AxisRange ax = data_range(dopltx.xset, dopltl.npt);
    AxisRange ay = data_range(doplty.yset, dopltl.npt);
    window_ends(ax, r[3], r[4], l[5], l[7]);
    window_ends(ay, r[5], r[6], l[6], l[8]);
    pg_swin(ax.lo, ax.hi, ay.lo, ay.hi);

    pg_sch(r[11] / chbase);
    pg_box(l[5] || l[7] ? "BCLNTS" : "BCNTS", r[1], 0, " ", 0.0f, 0);
    pg_box(" ", 0.0f, 0, l[6] || l[8] ? "BCLNTS" : "BCNTS", r[2], 0);
    if (l[1]) {
        pg_sls(2);
        pg_box("A", 0.0f, 0, " ", 0.0f, 0);
        pg_sls(1);
    }
    if (l[2]) {
        pg_sls(2);
        pg_box(" ", 0.0f, 0, "A", 0.0f, 0);
        pg_sls(1);
    }
    draw_labels(chbase, sx2, sy2);
    first_pass();
    pg_sch(2.0f * r[12] / chbase);
    second_pass();

    if (dopltl.ignpt > 0)
        fio_write(6, "(' Too many points!',I7,' points plotted,',I8,' ignored.')",
                  {dopltl.npt, dopltl.ignpt});
    draw_caption(chbase);
    pg_ebuf();
    // A drawing the program started by itself asks nothing: a line typed ahead is for the
    // question after it.
    const PgLost lost = pg_clos(by == DrawBy::user);
    if (lost.file.empty()) return DrawEnd::drawn;
    report_lost(lost);
    return DrawEnd::file_lost;
}

bool rozude_next()
{
    const bool drawn = rozude_draw(DrawBy::program) == DrawEnd::drawn;
    rozude_clear();   // drawn, or given up: its points would only stale the next plot
    rozude_status.npt = 0;
    return drawn;
}
