// pgadapter.cpp -- the plot package's one contact with the plot backend (cpgplot, giza).
// Each workaround below is for a measured difference from the classic library.
#include "pgadapter.h"

#include <cpgplot.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <limits>
#include <string>

#include "askq.h"
#include "fio.h"

namespace {

float pen_x = 0.0f, pen_y = 0.0f;   // the pen, kept here: the backend forgets it
float win[4] = {0.0f, 1.0f, 0.0f, 1.0f};   // the world window last set: x1, x2, y1, y2
bool window_at_terminal = false;   // the open device is a window, a person at the keyboard
bool page_shown = false;           // a plot was sent to the open device

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

}  // namespace

bool pg_default_draws_nothing() { return default_device() == "/null"; }

namespace {

// ---- plot files ------------------------------------------------------------------------
// The backend writes its file by name, and a full disk or a size limit leaves it cut while
// the backend only prints a line. So it writes into the temporary of a whole-file unit
// beside the file, and the file is put in place only when it ends as its format ends.

// The file types the backend writes: the extension it adds to a name that lacks it, and the
// last bytes of a complete file.
struct FileType {
    std::string_view type, ext, trailer;
};
constexpr FileType file_types[] = {
    {"png", ".png", {"\0\0\0\0IEND\xAE\x42\x60\x82", 12}},
    {"ps", ".ps", "%%EOF\n"}, {"vps", ".ps", "%%EOF\n"}, {"cps", ".ps", "%%EOF\n"},
    {"eps", ".eps", "%%EOF\n"}, {"pdf", ".pdf", "%%EOF\n"}, {"vpdf", ".pdf", "%%EOF\n"},
    {"svg", ".svg", "</svg>\n"},
};

std::string lower(std::string_view s)
{
    std::string out(s);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

// The plot file of the open device.
struct PlotFile {
    int unit = -1;              // whole-file unit holding the temporary; -1: none
    std::string file;           // the name the user finds the plot under; empty: no file
    std::string written;        // the name the backend writes: the temporary, or the file
    std::string_view trailer;   // how a complete file ends
};
PlotFile plot_file;

// The name the backend gives the file of "prefix/type": the prefix, with the extension
// added unless it holds it somewhere (in any case); "giza" for an empty prefix.
std::string backend_file_name(std::string_view prefix, std::string_view ext)
{
    std::string p = trimmed(prefix);
    if (p.empty()) p = "giza";
    return lower(p).find(ext) != std::string::npos ? p : p + std::string(ext);
}

// The device name to hand to the backend for dev: a file device's file becomes a temporary
// beside it. Empty when the file cannot be written (said, with the reason).
std::string plot_file_open(const std::string& dev)
{
    plot_file = PlotFile{};
    const auto slash = dev.rfind('/');
    if (slash == std::string::npos) return dev;
    const std::string type = lower(trimmed(dev.substr(slash + 1)));
    const FileType* ft = nullptr;
    for (const FileType& t : file_types)
        if (t.type == type) ft = &t;
    if (ft == nullptr) return dev;   // a window, /null, or no device the backend knows
    plot_file.file = backend_file_name(std::string_view(dev).substr(0, slash), ft->ext);
    plot_file.written = plot_file.file;
    plot_file.trailer = ft->trailer;
    const int unit = fio_free_unit(fio_max_unit, 84);
    if (unit < 0) return dev;   // no unit to spare: written in place, still checked
    if (const int err = fio_open_whole(unit, plot_file.file); err != 0) {
        fio_flush_all();
        fio_write(fio_stdout, "(' Cannot write the plot file ',A,' (',A,')')",
                  {plot_file.file, std::strerror(err)});
        plot_file = PlotFile{};
        return {};
    }
    const std::string temp(fio_whole_temp(unit));
    // A name that takes no temporary (a FIFO, a folder closed to new files) is written in
    // place; so is one whose temporary lost the extension the backend would add again.
    if (temp.empty() || lower(temp).find(ft->ext) == std::string::npos) {
        fio_close(unit);
        return dev;
    }
    plot_file.unit = unit;
    plot_file.written = temp;
    return temp + dev.substr(slash);
}

// True when the file ends as a complete file of its format does.
bool complete(const std::string& name, std::string_view trailer)
{
    std::FILE* f = std::fopen(name.c_str(), "rb");
    if (f == nullptr) return false;
    std::string tail(trailer.size(), '\0');
    const bool ok = std::fseek(f, -static_cast<long>(trailer.size()), SEEK_END) == 0 &&
                    std::fread(tail.data(), 1, tail.size(), f) == tail.size() && tail == trailer;
    std::fclose(f);
    return ok;
}

// Why the backend could not finish the file: writing on at its end meets the same wall (a
// full disk, a size limit) and names it. The file is given up in any case.
std::string why_cut(const std::string& name)
{
    const int fd = ::open(name.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
    if (fd < 0) return std::strerror(errno);
    static const char block[4096] = {};
    int err = 0;
    for (int k = 0; k < 64 && err == 0; ++k)   // a size limit may let part of a block in
        if (::write(fd, block, sizeof block) < 0) err = errno;
    ::close(fd);
    return err != 0 ? std::strerror(err) : "the plot library could not write it whole";
}

// After the backend has closed the device: the file whole in its place, or the reason.
PgLost plot_file_close(bool keep)
{
    PlotFile pf = std::move(plot_file);
    plot_file = PlotFile{};
    PgLost lost;
    if (pf.file.empty()) return lost;
    const bool whole = complete(pf.written, pf.trailer);
    if (whole && keep && pf.unit >= 0) {
        if (const int err = fio_commit(pf.unit); err != 0) lost = {pf.file, std::strerror(err)};
        return lost;
    }
    if (!whole && keep) lost = {pf.file, why_cut(pf.written)};
    if (pf.unit >= 0) fio_close(pf.unit);   // the temporary goes, the old file stays
    else if (!keep) ::unlink(pf.written.c_str());
    return lost;
}

// Text outside ASCII. The backend draws a byte above 127 as nothing and blanks the rest
// of the page, and takes no UTF-8: every such character goes to it as its own escapes.
// Texts hold the bytes as made (Latin-1 or code page 437) or as typed at a UTF-8 terminal;
// both are read as characters first.

// The backend's Greek letters by their Latin keys, in Unicode order from Alpha (U+0391) and
// from alpha (U+03B1); a blank where Unicode has no letter (U+03A2).
constexpr std::string_view greek_keys = "ABGDEZYHIKLMNCOPR STUFXQW";

// Characters the backend has a form for.
struct Glyph {
    char32_t c;
    std::string_view text;
};
constexpr Glyph glyphs[] = {
    {0x00B0, "\\(2218)"}, {0x00B1, "\\(2233)"}, {0x00B5, "\\gm"}, {0x00B7, "\\(0229)"},
    {0x00D7, "\\(2227)"}, {0x00F7, "\\(2237)"}, {0x00A7, "\\(2276)"}, {0x00A9, "\\(0274)"},
    {0x00AE, "\\(0273)"}, {0x00B9, "\\u1\\d"}, {0x00B2, "\\u2\\d"}, {0x00B3, "\\u3\\d"},
    {0x00A0, " "},          {0x03C2, "\\gs"},       {0x00AD, "-"},
    {0x00B4, "\\(2216)"}, {0x00A8, "\\u..\\d"}, {0x00B8, "\\d,\\u"},
    {0x00AA, "\\ua\\d"}, {0x00BA, "\\uo\\d"}, {0x00BC, "\\u1\\d/\\d4\\u"},
    {0x00BD, "\\u1\\d/\\d2\\u"}, {0x00BE, "\\u3\\d/\\d4\\u"},
};

// A letter with an accent has no form in the backend, and its combining accents draw as
// blanks: the accent is set first, small and raised (lowered for the cedilla) after as
// many small blanks as raises, which puts it near the middle of the letter; the backend's
// backspaces (one a character, blanks included) then bring the pen back to where the
// accent started, and the letter is set there at full size, so that the text after it
// goes on as after the letter alone.
struct Accent {
    char key;                   // as in accent_keys below
    std::string_view lower, upper;  // the mark over a small and a capital letter
    int marks;                  // characters in the mark
    int raise_lower, raise_upper;   // raises (below 0: lowerings) of the mark
};
constexpr Accent accents[] = {
    {'`', "`", "`", 1, 1, 2},
    {'\'', "\\(2216)", "\\(2216)", 1, 1, 2},
    {'^', "\\^", "\\^", 1, 1, 2},
    {'~', "~", "~", 1, 2, 2},
    {':', "..", "\\(0229)\\(0229)", 2, 2, 2},
    {'o', "\\(2218)", "\\(2218)", 1, 1, 2},
    {',', ",", ",", 1, -1, -1},
};
// The Latin-1 letters from U+00C0 (capitals) and U+00E0 (small ones, y for U+00FF): the
// letter and its accent key; a blank for a character without one.
constexpr std::string_view accent_bases = "AAAAAA CEEEEIIII NOOOOO  UUUUY  ";
constexpr std::string_view accent_keys = "`'^~:o ,`'^:`'^: ~`'^~:  `'^:'  ";

std::string accented(char letter, char key)
{
    for (const Accent& a : accents) {
        if (a.key != key) continue;
        const bool small = std::islower(static_cast<unsigned char>(letter)) != 0;
        const int r = small ? a.raise_lower : a.raise_upper;
        const std::string up(r > 0 ? "\\u" : "\\d"), down(r > 0 ? "\\d" : "\\u");
        const int n = std::abs(r);
        std::string out;
        for (int k = 0; k < n; ++k) out += up;
        out.append(static_cast<std::size_t>(n), ' ');
        out += small ? a.lower : a.upper;
        for (int k = 0; k < n + a.marks; ++k) out += "\\b";
        for (int k = 0; k < n; ++k) out += down;
        return out + letter;
    }
    return "?";
}

// What the backend is given for character c; "?" for one it has no form for, so the place
// of such a character still shows.
std::string glyph_of(char32_t c)
{
    if (c >= 0x0391 && c <= 0x03A9 && greek_keys[c - 0x0391] != ' ')
        return std::string("\\g") + greek_keys[c - 0x0391];
    if (c >= 0x03B1 && c <= 0x03C9 && greek_keys[c - 0x03B1] != ' ')
        return std::string("\\g") +
               static_cast<char>(std::tolower(static_cast<unsigned char>(greek_keys[c - 0x03B1])));
    for (const Glyph& g : glyphs)
        if (g.c == c) return std::string(g.text);
    if (c == 0x00FF) return accented('y', ':');
    if (c >= 0x00C0 && c <= 0x00FE) {
        const std::size_t k = (c - 0x00C0) % 0x20;
        const char base = accent_bases[k];
        if (base != ' ')
            return accented(c >= 0x00E0 ? static_cast<char>(std::tolower(base)) : base,
                            accent_keys[k]);
    }
    return "?";
}

bool ascii(char b) { return static_cast<unsigned char>(b) - 1u < 0x7Fu; }   // and not NUL

// The next character of UTF-8 text at i (advanced); U+FFFD for a broken sequence.
char32_t next_char(std::string_view t, std::size_t& i)
{
    const auto b = static_cast<unsigned char>(t[i++]);
    if (b < 0x80) return b;
    const int more = b >= 0xF0 ? 3 : b >= 0xE0 ? 2 : b >= 0xC0 ? 1 : -1;
    if (more < 0) return 0xFFFD;
    char32_t c = b & (0x3F >> more);
    for (int k = 0; k < more; ++k) {
        if (i >= t.size() || (static_cast<unsigned char>(t[i]) & 0xC0) != 0x80) return 0xFFFD;
        c = (c << 6) | (static_cast<unsigned char>(t[i++]) & 0x3F);
    }
    return c;
}

// The backend also reads "_", "^", "{" and "}" as sub- and superscript markup, which the
// texts never mean: each goes with its backslash, drawn as itself. An escape written in a
// text (a backslash and the character after it) goes as written.
std::string backend_text(std::string_view s)
{
    const std::string utf8 = fio_utf8(s, fio_made_in());
    std::string out;
    for (std::size_t i = 0; i < utf8.size();) {
        const char32_t c = next_char(utf8, i);
        if (c == 0) out += ' ';   // would end the C string
        else if (c == '\\' && i < utf8.size() && ascii(utf8[i])) out += {'\\', utf8[i++]};
        else if (c == '_' || c == '^' || c == '{' || c == '}') out += {'\\', char(c)};
        else if (c < 0x80) out += static_cast<char>(c);
        else out += glyph_of(c);
    }
    return out;
}

// Keeps a window's plot on the screen until the user has seen it. The backend's own prompt
// reads a single byte, so the rest of the typed line became the next answer: the whole
// line is taken here, a byte at a time straight from the descriptor the line editor reads,
// so that lines typed ahead after it stay for the questions that follow.
void wait_for_return()
{
    fio_write(fio_stdout, "(' Press RETURN for next page: ',$)");
    fio_flush_all();
    std::string line;
    fio_read_line(fio_stdin, line);
}

// A window edge as the backend takes it, in single precision: held at the largest float
// beyond it; not a number when it has no finite value.
float window_edge(double v)
{
    constexpr double top = std::numeric_limits<float>::max();
    if (!std::isfinite(v)) return std::numeric_limits<float>::quiet_NaN();
    return static_cast<float>(std::clamp(v, -top, top));
}

// A window the backend cannot take (equal edges fall back to 0..1 there, NaN is taken
// silently) is mended: a missing edge one unit from the other, equal edges pulled apart.
void mend_edges(float& a, float& b)
{
    if (!std::isfinite(a) && !std::isfinite(b)) { a = 0.0f; b = 1.0f; }
    else if (!std::isfinite(a)) a = b - 1.0f;
    else if (!std::isfinite(b)) b = a + 1.0f;
    if (a == b) {
        const double d = std::max(std::fabs(a) * 1e-4, 1e-5);
        a = window_edge(a - d);
        b = window_edge(b + d);
    }
}

// A tick interval so small that the backend would never finish its ticks (it loops
// for ever at a millionth of the range) is left to the backend's own choice.
float bounded_tick(float tick, float a, float b)
{
    return tick > 0.0f && std::fabs(double(b) - a) / tick > 1000.0 ? 0.0f : tick;
}

// The backend ticks and numbers an axis for a window whose edges rise: on a reversed axis
// the numbers come out mirrored, and with one axis reversed the other axis's ticks land on
// the opposite edge pointing outward. So the backend draws the frame and the rising axes
// in the same window with both axes rising, which looks the same on the page, a reversed
// axis gets only its edges from it and is ticked and numbered here (major ticks at a round
// step, or at the powers of ten of a logarithmic axis, minor ones between, numbers 1.4
// character heights below or 0.7 left of the frame, clear of the ticks as the backend's
// own), and the zero lines are drawn here too:
// the backend draws them with its clipping opened up, past the frame.
std::string backend_opts(std::string_view opt, bool reversed)
{
    std::string out;
    for (const char c : opt) {
        const bool edge = std::string_view("BCbc").find(c) != std::string_view::npos;
        if (reversed ? edge : c != 'A' && c != 'a') out += c;
    }
    return out.empty() ? std::string(" ") : out;
}

bool has_opt(std::string_view opt, char c)
{
    return opt.find(c) != std::string_view::npos ||
           opt.find(static_cast<char>(c - 'A' + 'a')) != std::string_view::npos;
}

// A round major step for a range: the least of 1, 2, 5 or 10 times a power of ten that
// reaches a fifth of it; and its minor count.
double round_step(double range, int& nsub)
{
    const double r = 0.2 * range;
    const double p = std::pow(10.0, std::floor(std::log10(r)));
    const double m = r / p;
    const int mant = m <= 1.0 ? 1 : m <= 2.0 ? 2 : m <= 5.0 ? 5 : 10;
    nsub = mant == 2 ? 4 : 5;
    return mant * p;
}

// One tick at value v of the axis, inward from both edges, len a fraction of the frame.
// In double: the other axis's window may span more than the largest float.
void tick_at(bool yaxis, float v, float len, bool bottom, bool top)
{
    const float a1 = yaxis ? win[0] : win[2], a2 = yaxis ? win[1] : win[3];
    const double d = len * (double(a2) - a1);
    const auto seg = [&](float from, double to) {
        const auto t = static_cast<float>(to);
        if (yaxis) { cpgmove(from, v); cpgdraw(t, v); }
        else { cpgmove(v, from); cpgdraw(v, t); }
    };
    if (bottom) seg(a1, a1 + d);
    if (top) seg(a2, a2 - d);
}

// The line X = 0 (yaxis) or Y = 0 across the window when zero lies inside it, drawn in
// world coordinates, so the frame clips it.
void zero_line(bool yaxis)
{
    const float c1 = yaxis ? win[0] : win[2], c2 = yaxis ? win[1] : win[3];
    if (!(std::min(c1, c2) < 0.0f && std::max(c1, c2) > 0.0f)) return;
    if (yaxis) {
        cpgmove(0.0f, win[2]);
        cpgdraw(0.0f, win[3]);
    } else {
        cpgmove(win[0], 0.0f);
        cpgdraw(win[1], 0.0f);
    }
}

void reversed_axis(bool yaxis, std::string_view opt, float tick)
{
    // In double: the range of a window near the largest float has no float value.
    const double w1 = yaxis ? win[2] : win[0], w2 = yaxis ? win[3] : win[1];
    const double lo = std::min(w1, w2), hi = std::max(w1, w2);
    const bool log = has_opt(opt, 'L');
    const bool ticks = has_opt(opt, 'T'), minor = has_opt(opt, 'S'), nums = has_opt(opt, 'N');
    const bool bottom = has_opt(opt, 'B'), top = has_opt(opt, 'C');
    // Tick lengths: half and a quarter of a character height, as fractions of the frame.
    float xch = 0.0f, ych = 0.0f, vx1 = 0.0f, vx2 = 1.0f, vy1 = 0.0f, vy2 = 1.0f;
    cpgqcs(0, &xch, &ych);
    cpgqvp(0, &vx1, &vx2, &vy1, &vy2);
    const float unit = yaxis ? xch / (vx2 - vx1) : ych / (vy2 - vy1);
    int nsub = 1;
    const double step = log ? 1.0 : tick > 0.0f ? tick : round_step(hi - lo, nsub);
    if (!(step > 0.0) || (hi - lo) / step > 1000.0) return;
    if (log) nsub = 9;
    char text[64];
    for (double k = std::ceil(lo / step); k * step <= hi; k += 1.0) {
        const float v = static_cast<float>(k * step);
        if (ticks) tick_at(yaxis, v, 0.5f * unit, bottom, top);
        if (nums) {
            if (!log) {
                std::snprintf(text, sizeof text, "%g", std::fabs(v) < 1e-6 * step ? 0.0 : v);
            } else if (k == 0.0 || k == 1.0) {
                std::snprintf(text, sizeof text, "%s", k == 0.0 ? "1" : "10");
            } else {
                std::snprintf(text, sizeof text, "10\\u%d", static_cast<int>(k));
            }
            const auto at = static_cast<float>((v - w1) / (w2 - w1));
            pg_mtxt(yaxis ? "L" : "B", yaxis ? 0.7f : 1.4f, at, 0.5f, text);
        }
    }
    if (!minor) return;
    for (double k = std::floor(lo / step); k * step <= hi; k += 1.0)
        for (int j = 1; j < nsub; ++j) {
            const double v = log ? k + std::log10(j + 1.0) : (k + double(j) / nsub) * step;
            if (v > lo && v < hi) tick_at(yaxis, static_cast<float>(v), 0.25f * unit, bottom, top);
        }
}

}  // namespace

int pg_open(std::string_view device)
{
    std::string dev = trimmed(device);
    if (dev.empty()) dev = default_device();
    trace("pgopen", {std::string_view(dev)});
    if (dev.front() == '?') return 0;   // the backend would prompt, for ever at end of input
    const std::string to_backend = plot_file_open(dev);
    if (to_backend.empty()) return 0;
    fio_flush_all();
    const int id = cpgopen(to_backend.c_str());
    if (id <= 0) {
        plot_file_close(false);
        return id;
    }
    if (pg_test_paper_width > 0.0f) {   // the new size takes effect on a new page
        cpgpap(pg_test_paper_width, 0.75f);
        cpgpage();
    }
    // The backend would ask for RETURN at a window's close by itself (see pg_clos).
    cpgask(0);
    // After ^D at a terminal no one answers any more, as at the end of a script.
    window_at_terminal = !ask_unattended() && qinf("HARDCOPY") == "NO";
    page_shown = false;
    return id;
}

void pg_ldev()
{
    trace("pgldev");
    fio_flush_all();
    cpgldev();
    std::fflush(stdout);
}

// A plot on a window waits for RETURN before the window goes, when someone is there to
// press it; in batch it would take a line of the answers.
PgLost pg_clos(bool page_prompt, bool keep_file)
{
    trace("pgclos");
    if (page_prompt && window_at_terminal && page_shown) wait_for_return();
    window_at_terminal = page_shown = false;
    cpgclos();
    fio_flush_all();
    return plot_file_close(keep_file);
}

void pg_bbuf() { trace("pgbbuf"); cpgbbuf(); }

void pg_ebuf()
{
    trace("pgebuf");
    cpgebuf();
    page_shown = true;
}

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
// It answers for the current size, which the backend keeps from the last device: ask at
// size 1, or each drawing's texts would depend on the one before.
float pg_qcs_inches()
{
    float xch = 0.0f, ych = 0.0f, x1 = 0.0f, x2 = 0.0f, y1 = 0.0f, y2 = 0.0f;
    cpgsch(1.0f);
    cpgqcs(0, &xch, &ych);
    cpgqvsz(1, &x1, &x2, &y1, &y2);
    const float h = ych * (y2 - y1);
    trace("pgqcs", {h});
    return h > 0.0f ? h : 1.0f / 6.0f;   // a sixth of an inch where the device says nothing
}

// The length of a text at the current character height, in inches, from the backend's
// normalised length (its inches are wrong, as for pg_qcs_inches).
float pg_len_inches(std::string_view text)
{
    float xl = 0.0f, yl = 0.0f, x1 = 0.0f, x2 = 0.0f, y1 = 0.0f, y2 = 0.0f;
    cpglen(0, backend_text(text).c_str(), &xl, &yl);
    cpgqvsz(1, &x1, &x2, &y1, &y2);
    return xl * (x2 - x1);
}

void pg_qvp_inches(float& x1, float& x2, float& y1, float& y2)
{
    float v[4] = {}, s[4] = {};
    cpgqvp(0, &v[0], &v[1], &v[2], &v[3]);
    cpgqvsz(1, &s[0], &s[1], &s[2], &s[3]);
    x1 = v[0] * (s[1] - s[0]);
    x2 = v[1] * (s[1] - s[0]);
    y1 = v[2] * (s[3] - s[2]);
    y2 = v[3] * (s[3] - s[2]);
}

void pg_scf(int font) { trace("pgscf", {double(font)}); cpgscf(font); }

// The backend forms the range in single precision, which overflows to infinity for data
// near the largest float (and the window then falls back to 0..1): the same rule here.
void pg_rnge(double x1, double x2, double& xlo, double& xhi)
{
    const double d = x2 - x1;
    xlo = x1 - 0.1 * d;
    xhi = x2 + 0.1 * d;
    if (xlo < 0.0 && x1 >= 0.0) xlo = 0.0;
    if (xhi > 0.0 && x2 <= 0.0) xhi = 0.0;
    trace("pgrnge", {x1, x2, xlo, xhi});
}

void pg_swin(double x1, double x2, double y1, double y2)
{
    float e[4] = {window_edge(x1), window_edge(x2), window_edge(y1), window_edge(y2)};
    mend_edges(e[0], e[1]);
    mend_edges(e[2], e[3]);
    trace("pgswin", {e[0], e[1], e[2], e[3]});
    std::copy(e, e + 4, win);
    cpgswin(e[0], e[1], e[2], e[3]);
}

void pg_sch(float size) { trace("pgsch", {size}); cpgsch(size); }

void pg_box(const char* xopt, float xtick, int nxsub, const char* yopt, float ytick, int nysub)
{
    trace("pgbox", {xopt, xtick, double(nxsub), yopt, ytick, double(nysub)});
    const bool xrev = win[0] > win[1], yrev = win[2] > win[3];
    xtick = bounded_tick(xtick, win[0], win[1]);
    ytick = bounded_tick(ytick, win[2], win[3]);
    cpgswin(std::min(win[0], win[1]), std::max(win[0], win[1]), std::min(win[2], win[3]),
            std::max(win[2], win[3]));
    cpgbox(backend_opts(xopt, xrev).c_str(), xtick, nxsub, backend_opts(yopt, yrev).c_str(),
           ytick, nysub);
    cpgswin(win[0], win[1], win[2], win[3]);
    if (xrev) reversed_axis(false, xopt, xtick);
    if (yrev) reversed_axis(true, yopt, ytick);
    if (has_opt(xopt, 'A')) zero_line(false);
    if (has_opt(yopt, 'A')) zero_line(true);
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
