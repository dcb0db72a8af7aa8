// rozude_dia.cpp -- the "ROZUDE: " command dialog over the point buffer: limits, scales,
// sizes, labels, points by hand, captions, hardcopies, DB dumps.
#include <cmath>
#include <string>
#include <vector>

#include "ask.h"
#include "pgadapter.h"
#include "plot_local.h"

namespace {

// Searched in this order: an abbreviation takes the first entry it fits (H is HEIGHT).
constexpr std::string_view commands =
    "        X_LIMITSY_LIMITSBOX     AXES    LOGSCALEWIDTH   HEIGHT  "
    "POINTSIZCHARSIZEINVSCALEEXIT    MARGINS DEVICE  TITLE   LABELS  "
    "TEXT    TICS    HARDCOPYCAPTION FONT    DB_DUMP KEEP    ADD     "
    "TERSE   REMEMBERRECALL  EDGR    PUBLISH NEXT    QUIT    ";
constexpr int ncommands = 31;

enum Cmd {
    c_empty = 1, c_xlim, c_ylim, c_box, c_axes, c_log, c_width, c_height, c_pointsiz,
    c_charsize, c_inv, c_exit, c_margins, c_device, c_title, c_labels, c_text, c_tics,
    c_hardcopy, c_caption, c_font, c_dbdump, c_keep, c_add, c_terse, c_remember, c_recall,
    c_edgr, c_publish, c_next, c_quit,
};

constexpr int db_unit = 80;

// What the dialog keeps for itself across calls; nothing reads it yet.
struct DialogKeep {
    FText<80> init_file{"ROZUDE.INIT"};   // settings file named by REMEMBER / RECALL
    bool init_write = false;              // its last use: REMEMBER (write) or RECALL (read)
    bool publish = false;                 // the answer of PUBLISH
};
DialogKeep keep;

// Each character of a text as one value, for the nA1 layouts.
std::vector<FVal> chars_of(std::string_view s)
{
    std::vector<FVal> v;
    for (const char c : s) v.emplace_back(c);
    return v;
}

// Fixed limits of one axis (lo, hi at r[k], r[k+1]): both ends automatic when both are
// given and do not rise.
void set_limits(int k, float a1, float a2, std::string_view what)
{
    auto& r = r_rozude_par.r;
    r[k] = a1;
    r[k + 1] = a2;
    if (a1 != 0.0f && a2 != 0.0f && a1 >= a2) r[k] = r[k + 1] = 0.0f;
    tell2(what, Val{"R", r[k]}, Val{"R", r[k + 1]});
}

// A size setting r[k] takes a1 when it reaches min (the test is above 0 when min is 0).
void set_size(int k, float a1, float min, std::string_view what)
{
    auto& r = r_rozude_par.r;
    if (min > 0.0f ? a1 >= min : a1 > 0.0f) r[k] = a1;
    tell1(what, Val{"R", r[k]});
}

bool some_not_positive(const std::array<float, rozude_max_points + 1>& v)
{
    for (int k = 1; k <= dopltl.npt; ++k)
        if (!(v[k] > 0.0f)) return true;
    return false;
}

// One axis of LOGSCALE or INVSCALE: l[on] from the question, confirmed when some value
// has no logarithm; once on, the other scale kind l[off] of that axis goes off.
void scale_question(int on, int off, std::string_view question, char axis,
                    const std::array<float, rozude_max_points + 1>& v)
{
    auto& l = l_rozude_par.l;
    l[on] = ask_if(question);
    if (l[on] && some_not_positive(v))
        l[on] = ask_if(std::string("There are zero or negative ") + axis +
                       " values.  Truncate? ");
    if (l[on]) l[off] = false;
}

void show_title()
{
    const auto& p = rozude_priv;
    fio_write(6, "(' Present Title:',/,1X,A)",
              p.nttl > 0 ? std::vector<FVal>{rozude_text(p.stitle, p.nttl)}
                         : std::vector<FVal>{});
}

void ask_title()
{
    show_title();
    FText<100> ans;
    ask1("Replacement? ", Val{"100S", ans.c});
    if (!ans.blank()) titlpl(100, ans);
}

void ask_labels()
{
    const auto& p = rozude_priv;
    fio_write(6, "(' Present X Label:',/,1X,100A1)", chars_of(rozude_text(p.sxlab, p.nlbx)));
    FText<100> ax;
    ask1("Replacement? ", Val{"100S", ax.c});
    if (!ax.blank()) hlab(100, ax);
    fio_write(6, "(' Present Y Label: ',/,1X,40A1)", chars_of(rozude_text(p.sylab, p.nlby)));
    FText<40> ay;
    ask1("Replacement? ", Val{"40S", ay.c});
    if (!ay.blank()) vlab(40, ay);
}

void position_hint()
{
    fio_write(6, "(' Position 1st character w/cursor & hit any key but CR:')");
}

void ask_caption()
{
    auto& p = rozude_priv;
    p.capt = "";
    ask1("Enter a line of Caption: ", Val{"132S", p.capt.c});
    p.nchcpt = static_cast<int>(p.capt.trimmed().size());
    ask1("Character size (\"): ", Val{"R", p.chscpt});
    ask1("Angle: ", Val{"R", p.angcpt});
    position_hint();
    p.do_caption = true;
    rozude_draw();
}

void set_font(float a1)
{
    static constexpr const char* said[5] = {"", "Using standard font", "Using roman font",
                                            "Using italic font", "Using script font"};
    // Nearest integer, halves away from zero; anything outside 1..4 (NaN too) is 1.
    const int f = a1 >= 0.5f && a1 < 4.5f ? static_cast<int>(std::lround(a1)) : 1;
    rozude_priv.font = f;
    tell0(said[f]);
}

// The code of a point as the dump writes it: blank and character codes as -1.
int dump_code(const Iptyp& c)
{
    const std::int32_t n = iptyp_int(c);
    return n > 99 || n < -99 ? -1 : n;
}

void db_dump()
{
    // Unit 80 may hold a DB file the caller has armed and not yet written; it is kept.
    const int unit = fio_is_open(db_unit) ? fio_free_unit(fio_max_unit, 84) : db_unit;
    if (unit < 0) {
        tell0("No free unit for a DB file");
        return;
    }
    int istat = 0;
    askfile("DB file to contain the point: ", unit, "W", istat);
    if (istat != 0) return;
    const auto& p = rozude_priv;
    fio_write(unit, "(' TITLE',/,1X,100A1)", chars_of(rozude_text(p.stitle, p.nttl)));
    fio_write(unit, "(' LABELS',/,1X,100A1)", chars_of(rozude_text(p.sxlab, p.nlbx)));
    fio_write(unit, "(1X,100A1)", chars_of(rozude_text(p.sylab, p.nlby)));
    fio_write(unit, "(/,' DATA X Y TYP')");
    for (int k = 1; k <= dopltl.npt; ++k)
        fio_write(unit, "(1X,A,',,, ',A,',,, ',I6,',,, ')",
                  {realtoch_f(dopltx.xset[k], 15, 7).full().substr(0, 15),
                   realtoch_f(doplty.yset[k], 15, 7).full().substr(0, 15),
                   dump_code(dopltl.lset[k])});
    fio_write(unit, "(/)");
    askfile_commit(unit);
    rozude_priv.no_change = true;
}

// Points typed in: a line, character symbols or integer codes, until X and Y are both 0.
// Points beyond the buffer's room are refused and counted like any other.
void add_points()
{
    if (dopltl.npt >= std::min(dopltl.maxpt, rozude_max_points) - 1) return;
    const bool line = ask_if("Entering a Line? ");
    const bool chars = !line && ask_if("Entering a Character? ");
    float x = 0.0f, y = 0.0f;
    for (bool first = true;; first = false) {
        Iptyp code = iptyp_of("    ");
        if (line) {
            ask2("Add (X,Y) point (0,0 when done): ", Val{"R", x}, Val{"R", y});
        } else if (chars) {
            ask3("Add (X,Y,CH) point (0,0 when done): ", Val{"R", x}, Val{"R", y},
                 Val{"4S", code});
        } else {
            std::int32_t n = 0;
            ask3("Add (X,Y,IPTYP) point (0,0,0 when done): ", Val{"R", x}, Val{"R", y},
                 Val{"I", n});
            code = iptyp_of(n);
        }
        if (x == 0.0f && y == 0.0f) return;
        if (line && first) rozude_add(x, y, iptyp_of(-1));   // the line starts in colour 1
        rozude_add(x, y, code);
    }
}

void test_device()
{
    if (rozude_ask_device("Format? (filename/device): ") > 0) pg_clos(true, false);
}

void settings_file(bool write, float a1)
{
    keep.init_file = "ROZUDE.INIT";
    if (a1 != 0.0f) ask1("ROZUDE_INIT Filename? ", Val{"72S", keep.init_file.c});
    keep.init_write = write;
    rozude_priv.no_change = true;
}

// Carries out one command; false when it leaves the dialog.
bool run_command(int icmd, float a1, float a2)
{
    auto& r = r_rozude_par.r;
    auto& l = l_rozude_par.l;
    auto& p = rozude_priv;
    switch (icmd) {
    case c_empty: rozude_draw(); break;
    case c_xlim: set_limits(3, a1, a2, "X limits changed to "); break;
    case c_ylim: set_limits(5, a1, a2, "Y limits changed to "); break;
    case c_box:
        l[3] = ask_if("Label Axes etc.? ");
        r[7] = l[3] ? 7.25f : 10.0f;
        r[8] = l[3] ? 6.0f : 8.0f;
        break;
    case c_axes:
        l[1] = ask_if("Plot X-axis? ");
        l[2] = ask_if("Plot Y-axis? ");
        break;
    case c_log:
        scale_question(5, 7, "Logarithmic X Scale? ", 'X', dopltx.xset);
        scale_question(6, 8, "Logarithmic Y Scale? ", 'Y', doplty.yset);
        break;
    case c_inv:
        scale_question(7, 5, "Inverse X Scale? ", 'X', dopltx.xset);
        scale_question(8, 6, "Inverse Y Scale? ", 'Y', doplty.yset);
        break;
    case c_width: set_size(7, a1, 0.0f, "Plot Width (\") now "); break;
    case c_height: set_size(8, a1, 0.0f, "Plot Height (\") now "); break;
    case c_pointsiz: set_size(12, a1, 0.0f, "Point size (\") now "); break;
    case c_charsize: set_size(11, a1, 0.02f, "Character size (\") now "); break;
    case c_margins:
        r[9] = a1;
        r[10] = a2;
        tell2("Lower left corner of plot now at (X,Y) = ", Val{"R", r[9]}, Val{"R", r[10]});
        break;
    case c_device: test_device(); break;
    case c_title: ask_title(); break;
    case c_labels: ask_labels(); break;
    case c_text:
        if (loc_batch()) break;
        position_hint();
        p.do_caption = true;
        rozude_draw();
        break;
    case c_tics:
        r[1] = a1;
        r[2] = a2;
        tell2("Tic intervals on X and Y axes (0.0=default): ", Val{"R", r[1]}, Val{"R", r[2]});
        break;
    case c_hardcopy:
        p.hardcopy = true;
        rozude_draw();
        break;
    case c_caption:
        if (!loc_batch()) ask_caption();
        break;
    case c_font: set_font(a1); break;
    case c_dbdump: db_dump(); break;
    case c_add: add_points(); break;
    case c_terse: l[4] = ask_if("Plot all symbols as dots, etc.? "); break;
    case c_remember: settings_file(true, a1); break;
    case c_recall: settings_file(false, a1); break;
    case c_edgr: break;
    case c_publish: keep.publish = ask_if("Use Publishers Convention [0.000 etc.]? "); break;
    case c_quit: ask_stop(0);
    case c_exit: rozude_clear(); return false;
    case c_keep: case c_next: return false;
    default: break;
    }
    return true;
}

void few_points_note()
{
    const int n = dopltl.npt;
    if (n >= 2) return;
    fio_write(6, "(/,/,/,' ***** ROZUDE called with only',I3,'  point(s).   Not worth "
                 "plotting.  Points are:',/,/)", {n});
    if (n == 1)
        fio_write(6, "(20X,'X = ',G14.7,',    Y = ',G14.7)", {dopltx.xset[1], doplty.yset[1]});
}

}  // namespace

void rozude()
{
    auto& p = rozude_priv;
    p.no_change = false;
    few_points_note();
    for (;;) {
        int icmd = 0;
        std::array<float, 2> a{};
        cmli1("ROZUDE: ", ncommands, -8, commands, icmd, Val{"2R", a});
        if (icmd == c_empty && p.no_change) {
            rozude_clear();
            break;
        }
        if (icmd != c_hardcopy && icmd != c_caption) p.no_change = false;
        if (!run_command(icmd, a[0], a[1])) break;
    }
    rozude_status.npt = dopltl.npt;
}
