// vul_ini.cpp -- the answer file that replays a fit, its table-row file, the parameter card
// and the date text. Each file replaces the old one whole, or not at all (fio_open_whole).
#include "vul_ini.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>
#include <vector>

#include "askif.h"
#include "askq.h"
#include "chars.h"
#include "fio.h"
#include "fit_records.h"
#include "fit_theory.h"
#include "numtext.h"
#include "vul_prt.h"

namespace {

// ---- texts as the answer parser reads them back ----------------------------------------------

// t without its trailing blanks and NULs.
std::string_view significant(std::string_view t)
{
    std::size_t n = t.size();
    while (n > 0 && (t[n - 1] == ' ' || t[n - 1] == '\0')) --n;
    return t.substr(0, n);
}

// t as the file will hold it, on one line (fio_one_line), without its trailing blanks: what
// the quoting must look at.
std::string stored(std::string_view t)
{
    return std::string(significant(fio_one_line(t, FOneLine::stored)));
}

std::string quoted(std::string_view t)
{
    std::string q = "'";
    for (char c : t) {
        q += c;
        if (c == '\'') q += '\'';
    }
    return q + "'";
}

// A text answer that reads back as t: quoted when a delimiter, a quote (the parser takes a
// doubled one for one, quoted or not) or leading blanks would otherwise change it on the
// way in, when its first character would make the line a command of the answer library
// (indirect file, comment, message, shell, \), or its last one continue the line.
std::string answer_text(std::string_view text, std::string_view delims = ",")
{
    const std::string s = stored(text);
    const std::string_view t = s;
    const bool plain = t.find_first_of(delims) == std::string_view::npos &&
                       t.find('\'') == std::string_view::npos &&
                       (t.empty() || (std::string_view(" @!\"$\\?").find(t.front()) ==
                                          std::string_view::npos &&
                                      t.back() != '\\'));
    return plain ? std::string(t) : quoted(t);
}

// The answer text of field f (its significant part), padded to the field's width so that
// what follows keeps its column when the text needed no quotes.
std::string answer_field(std::string_view f)
{
    std::string a = answer_text(significant(f));
    if (a.size() < f.size()) a.resize(f.size(), ' ');
    return a;
}

// A name or the title in a comma-separated row: quoted when it holds a comma (or a quote,
// so that the quoting stays plain to read) or ends in a backslash (which would continue the
// row's last line into the next row), padded to its field.
std::string row_field(std::string_view f)
{
    const std::string s = stored(f);
    const std::string_view t = s;
    const bool plain = t.find_first_of(",'") == std::string_view::npos && !t.ends_with('\\');
    std::string a = plain ? std::string(t) : quoted(t);
    if (a.size() < f.size()) a.resize(f.size(), ' ');
    return a;
}

// The longest physical line the question engine reads; a longer answer goes on in lines
// that each continue the one before through a last "\" (which the next line replaces).
constexpr std::size_t answer_line_max = 132;

// Writes text as one answer line; 0, or the write's errno.
int put_answer_line(int unit, std::string_view text)
{
    while (text.size() > answer_line_max) {
        const std::string piece = std::string(text.substr(0, answer_line_max - 1)) + "\\";
        if (const int err = fio_write(unit, "(A)", {piece}); err != 0) return err;
        text.remove_prefix(answer_line_max - 1);
    }
    return fio_write(unit, "(A)", {text});
}

// ---- writing one file ----------------------------------------------------------------------

// Lines to one unit with a sticky error: after the first failure nothing more is written.
struct Writer {
    int unit;
    int err = 0;

    void operator()(std::string_view layout, std::initializer_list<FVal> v = {})
    {
        if (err == 0) err = fio_write(unit, layout, FVals(v.begin(), v.size()));
    }
    // One answer line, continued over physical lines when long.
    void line(std::string_view text)
    {
        if (err == 0) err = put_answer_line(unit, text);
    }
    void fault(int site)
    {
        if (err == 0 && vul_ini_fault != nullptr && vul_ini_fault(site) != 0) err = ENOSPC;
    }
};

// Says why a file was not written; a batch run then ends with status 1 after its work.
void complain(std::string_view what, std::string_view name, std::string_view why)
{
    const std::string line = fio_format1("(1X,A,A,' (',A,')')", {what, name, why});
    fio_write(fio_stdout, "(A)", {line});
    if (online == 0) ask_fail_at_end(line);
}

// ---- the records in the files' terms -------------------------------------------------------

int degrees_of_freedom() { return vul_fitted_points() - bestfit.npari; }

double card_error(int p)
{
    const Bestfit& b = bestfit;
    return std::max(b.xerr(p), (std::fabs(b.xerrp(p)) + std::fabs(b.xerrm(p))) / 2);
}

bool valid_par(int p) { return p >= 1 && p <= max_minuit_par; }

std::string_view title_text()
{
    const std::string_view t = mntitle.minuit_title.full();
    return t.substr(0, static_cast<std::size_t>(chtrim(t)));
}

// ---- table-row file ----------------------------------------------------------------------

void table_row(Writer& w)
{
    const Indvar& iv = indvar;
    const int nv = std::clamp(iv.nindvar, 0, max_indvar);
    if (nv == 0) w("('  IND_VAR = 0,,, \\')");
    for (int i = 1; i <= nv; ++i)
        w("(2X,A,'=',1P,G16.9,',',1P,G10.3,',',1P,G10.3,', \\')",
          {row_field(iv.viname(i).full()), iv.vival(i), iv.viep(i), iv.viem(i)});
    const Bestfit& b = bestfit;
    for (int k = 1; k <= used_parlines(); ++k) {
        const int p = b.xparn(k);
        if (!valid_par(p)) continue;
        const FText<32> value = dbltoch_f(b.xbest(p), 14, 10);
        const bool two = b.xerrp(p) != b.xerrm(p);
        const FText<32> e1 = dbltoch_f(two ? b.xerrp(p) : card_error(p), 9, 6);
        const FText<32> e2 = two ? dbltoch_f(b.xerrm(p), 9, 6) : FText<32>();
        w("(2X,A,'= ',A,', ',A,', ',A,', \\')",
          {row_field(b.xname(p).full()), value.full().substr(0, 14), e1.full().substr(0, 9),
           two ? e2.full().substr(0, 9) : std::string_view(" ")});
    }
    w("('   CHI_SQ =',G12.5,',1,, \\',/,'  N_DEG_FR=',I7,',,, \\',/,4X,A)",
      {b.fmin, degrees_of_freedom(), row_field(title_text())});
}

// ---- answer file ---------------------------------------------------------------------------

// Title, cards, comment block and the OUTPUT answer: what both modes write.
void answer_head(Writer& w)
{
    w.line(" " + answer_text(significant(mntitle.minuit_title.full())));
    const Bestfit& b = bestfit;
    for (int k = 1; k <= used_parlines(); ++k) {
        const int p = b.xparn(k);
        if (!valid_par(p)) continue;
        if (w.err == 0)
            mnformat(w.unit, p, b.xname(p).full(), b.xbest(p), card_error(p), b.xllim(p),
                     b.xulim(p), b.xcmnt(p).full());
    }
    w("(' ',/,'\\-E  (do not Echo indirect input to ASK.)')");
    FText<28> date;
    cdate(date.span());
    w("('!====================== COMMENT for Last Run:',/,'!',I7,', ',G12.5,"
      "' = NDFR, CHISQ',/,'!',35X,A28)",
      {degrees_of_freedom(), b.fmin, date});
    w("('!====================== Name of TARGET \"Initial Guess\" File for RESULTS:')");
    w("('OUTPUT ')");
    w.line(answer_text(significant(filenames.nameout.full())));
}

// The expressions of the set-up, handed out slot by slot. A slot above 200 takes the next
// unused expression stored for its own number, so the file's order (signals, then spectra)
// matches each slot with its text whatever order the set-up met them in.
class ExprFeed {
public:
    ExprFeed() { used_.fill(false); }
    // The answer line for a slot value k (above 200 in magnitude).
    std::string line(int k)
    {
        const int n = std::abs(k);
        int e = find(n);
        if (e == 0) e = find(0);  // none left for the number: the next one in store order
        if (e == 0) return " 0";  // nothing stored at all; the question still needs a line
        used_[static_cast<std::size_t>(e)] = true;
        const int len = std::clamp(expressions.nchexpr(e), 1, 80);
        const std::string_view t = expressions.sexpr(e).full().substr(0, static_cast<std::size_t>(len));
        // Trailing blanks go: the typed length counts the leading blank a replay reads.
        const std::string_view sig = significant(t);
        return " " + (sig.empty() ? std::string(" ") : answer_text(sig));
    }

private:
    int find(int number) const
    {
        for (int e = 1; e <= used_expressions(); ++e)
            if (!used_[static_cast<std::size_t>(e)] && (number == 0 || expressions.jexpr(e) == number))
                return e;
        return 0;
    }
    std::array<bool, max_expressions + 1> used_;
};

void expression_lines(Writer& w, ExprFeed& feed, const int* slots)
{
    for (int i = 0; i < n_slots; ++i)
        if (std::abs(slots[i]) > 200) w.line(feed.line(slots[i]));
}

// The kind of table the set-up's question for this signal asks for; omni: some signal so
// far has an OMNI slot.
enum class TblKind { none, rlx, lf, omni, cmplx };
TblKind table_of(const int* sg, bool omni)
{
    const int pha = sg[sg_pha - 1], frq = sg[sg_frq - 1], rlx = sg[sg_rlx - 1],
              hop = sg[sg_hop - 1];
    if (omni) return TblKind::omni;
    if (frq > 0) return rlx == 0 && hop != 0 ? TblKind::cmplx : TblKind::none;
    if (pha != 0) return TblKind::none;
    if (frq < 0 && hop == 0 && rlx != 0) return TblKind::lf;
    if (hop > 0 && rlx < 0) return TblKind::rlx;
    return TblKind::none;
}

// The answer to that question: the file the table of that kind was read from, since the set-up
// reads each kind once and a later answer only replaces the recorded name; the recorded
// name when no table of the kind was read.
FText<40> table_answer(TblKind k)
{
    const TblLoaded& t = tbl_loaded;
    const FText<80>* read = k == TblKind::rlx ? &t.rlx_name : k == TblKind::lf ? &t.lf_name
                          : k == TblKind::omni ? &t.omni_name : &t.cmplx_name;
    const int entry = k == TblKind::rlx ? 1 : k == TblKind::lf ? 2 : 3;
    const std::string_view name = read->trimmed();
    return name.empty() ? filenames.nametbl(entry) : FText<40>(name);
}

void indvar_block(Writer& w)
{
    w("('!---------------------- Independent Variable(s): ')");
    const int nv = std::clamp(indvar.nindvar, 0, max_indvar);
    if (nv == 0) return;
    w("('IND_VAR')");
    for (int i = 1; i <= nv; ++i) {
        w("(2X,A,',',1P,G16.9,',',1P,G16.9,',',1P,G16.9)",
          {answer_field(indvar.viname(i).full()), indvar.vival(i), indvar.viep(i),
           indvar.viem(i)});
    }
    // The question ends at an empty answer, unless the tenth variable already ended it.
    if (nv < max_indvar) w("()");
}

void signal_block(Writer& w, ExprFeed& feed)
{
    w("('!',53('='),' SIGNAL Parameters:')");
    bool omni = false;
    for (int s = 1; s <= used_signals(); ++s) {
        const int* sg = fitpar.ifitsg.col(s);
        w("('SIGNAL ',I5,9(',',I5),/,'!         Pha   Asy   Frq   Rlx   Hop    ',8X,"
          "'5x[OMNI_TBL]')",
          {sg[0], sg[1], sg[2], sg[3], sg[4], sg[5], sg[6], sg[7], sg[8], sg[9]});
        expression_lines(w, feed, sg);
        for (int i = 5; i < n_slots; ++i) omni = omni || sg[i] != 0;
        if (const TblKind k = table_of(sg, omni); k != TblKind::none) {
            w("(A,25X,'(Table file)')", {answer_field(table_answer(k).full())});
        }
    }
}

// The layout with every I and F field at its least width (I0, F0.d), quoted texts kept.
std::string least_width(std::string_view layout)
{
    std::string out;
    bool quote = false;
    for (std::size_t i = 0; i < layout.size(); ++i) {
        const char c = layout[i];
        out += c;
        if (c == '\'') quote = !quote;
        if (quote || (c != 'I' && c != 'F')) continue;
        std::size_t k = i + 1;
        while (k < layout.size() && std::isdigit(static_cast<unsigned char>(layout[k])) != 0) ++k;
        if (k == i + 1) continue;
        out += '0';
        i = k - 1;
    }
    return out;
}

// A keyword line of the "SPECT: " dialog. A number too wide for its field would fill it with
// asterisks, which a replay cannot read and passes over: such a line has its numbers written
// at their least widths instead.
void keyword_line(Writer& w, std::string_view layout, std::initializer_list<FVal> v)
{
    const bool fits = fio_format1(layout, FVals(v.begin(), v.size())).find('*') == std::string::npos;
    if (fits) w(layout, v);
    else w(least_width(layout), v);
}

void spect_keywords(Writer& w, int j)
{
    const Arr2<int, n_ifit, max_spectra_arrays>& f = i_fit_ctl.i_fit;
    const Arr2<float, n_rfit, max_spectra_arrays>& r = r_fit_ctl.r_fit;
    auto v_text = [](float x) { return std::string(realtoch_v(x, 10, 6).trimmed()); };
    if (f(1, j) == 4)
        w("('SPEC_TYP ',I2,:,',',:,'  FRQRRF=',A,',  TBINRRF=',A)",
          {f(1, j), v_text(r(13, j)), v_text(r(14, j))});
    else
        w("('SPEC_TYP ',I2,:,',',:,'  FRQRRF=',A,',  TBINRRF=',A)", {f(1, j)});
    keyword_line(w, "('HIST_# ',I3,',',I3,',',I3,',',I3)", {f(3, j), f(4, j), f(5, j), f(6, j)});
    if (f(2, j) != 0) keyword_line(w, "('INVERT ',I2)", {f(2, j)});
    auto any = [&](int from, int to) {
        for (int i = from; i <= to; ++i)
            if (f(i, j) != 0) return true;
        return false;
    };
    if (any(7, 14))
        keyword_line(w,
                     "('BACKGRND ',I5,',',I5,',  ',I5,',',I5,',  ',I5,',',I5,',  ',I5,',',I5)",
                     {f(7, j), f(11, j), f(8, j), f(12, j), f(9, j), f(13, j), f(10, j), f(14, j)});
    if (any(15, 26))
        keyword_line(w,
                     "('MARKERS ',I5,',',I5,',',I6,', ',I5,',',I5,',',I6,', ',I5,',',I5,',',I6,"
                     "', ',I5,',',I5,',',I6)",
                     {f(15, j), f(19, j), f(23, j), f(16, j), f(20, j), f(24, j), f(17, j),
                      f(21, j), f(25, j), f(18, j), f(22, j), f(26, j)});
    bool raw = false;
    for (int i = 1; i <= 8; ++i) raw = raw || r(i, j) != 0;
    if (raw) {
        auto ns = [&](int i) { return r(i, j) * 1000.0f; };
        keyword_line(w,
                     "('RAW_BINS_Tbin_T0ns ',F10.5,',',F10.5,',  ',F10.5,',',F10.5,',  ',F10.5,"
                     "',',F10.5,',  ',F10.5,',',F10.5)",
                     {ns(1), ns(5), ns(2), ns(6), ns(3), ns(7), ns(4), ns(8)});
    }
    if (r(9, j) != 0 && r(9, j) != muon_lifetime)
        keyword_line(w, "('LIFETIME_us ',F12.6)", {r(9, j)});
    if (r(10, j) != 0 || r(11, j) != 0 || r(12, j) != 0)
        w("('TIMES  T1_us=',A,',  T2_us=',A,',  Tbin_ns=',A)",
          {v_text(r(10, j)), v_text(r(11, j)), v_text(r(12, j) * 1000.0f)});
    w("('   ')");
}

void spectrum_block(Writer& w, ExprFeed& feed)
{
    w("('!',53('='),' SPECTRUM Parameters:')");
    for (int j = 1; j <= used_spectra();) {
        const int* sp = fitpar.ifitsp.col(j);
        w("('SPECTRUM ',I5,9(',',I5))",
          {sp[0], sp[1], sp[2], sp[3], sp[4], sp[5], sp[6], sp[7], sp[8], sp[9]});
        if (i_fit_ctl.i_fit(ifit_type, j) <= 0)
            w("('!          Norm  Bkgd  RPha  RAsy  L/T0',8X,'5x[indirect]')");
        else
            w("('!         Alpha  Beta  RPha  RAsy  L/T0',8X,'5x[indirect]')");
        expression_lines(w, feed, sp);
        w.line(answer_text(significant(filenames.namedf(j).full())));
        spect_keywords(w, j);
        j += i_fit_ctl.i_fit(ifit_type, j) == 4 ? 2 : 1;  // the imaginary half is not asked for
    }
}

// Interactive users may give their own commands; everyone else gets MINIMIZE.
void minuit_commands(Writer& w)
{
    w("('!---------------------- MINUIT Commands follow:')");
    if (online != 0 && ask_if("Custom MINUIT Commands? ")) {
        do {
            FText<80> cmd;
            ask1("Next MINUIT Command > ", Val{"80A", cmd});
            w("(A)", {cmd});
        } while (!ask_if("Done? ") && !ask_eof());  // no more answers: the file ends here
    } else {
        w("('MINIMIZE')");
    }
    w("('END ')");
}

void answer_body(Writer& w)
{
    ExprFeed feed;
    indvar_block(w);
    signal_block(w, feed);
    spectrum_block(w, feed);
    w("('   ')");
    minuit_commands(w);
}

// The old answer file line by line, whole, without trailing blanks and NULs, into lines.
// 0 when it was read to its end, ENOENT when there is none, else why it could not be read
// (then it must not be replaced: its rest would be lost).
int read_old(const std::string& path, std::vector<std::string>& lines)
{
    const int unit = fio_free_unit(70, fio_max_unit);
    if (unit < 0) return EMFILE;
    if (const int err = fio_open(unit, path, FStatus::old); err != 0) return err;
    std::string line;
    while (fio_read_line(unit, line) == 0) lines.emplace_back(significant(line));
    std::FILE* f = fio_file(unit);
    int err = f != nullptr && std::ferror(f) != 0 ? EIO : 0;
    if (err == 0 && vul_ini_fault != nullptr && vul_ini_fault(4) != 0) err = EIO;
    fio_close(unit);
    return err;
}

// Where the old file's own part begins: after the answer to its OUTPUT command. A file
// without one is taken to have as many cards as this fit.
std::size_t old_tail_start(const std::vector<std::string>& old)
{
    for (std::size_t i = 1; i < old.size(); ++i) {
        std::string t(significant(old[i]));
        t.erase(0, t.find_first_not_of(' '));
        std::transform(t.begin(), t.end(), t.begin(), [](unsigned char c) { return std::toupper(c); });
        if (t != "OUTPUT") continue;
        std::size_t name_end = i + 1;  // the name may go on over continued lines
        while (name_end < old.size() && !old[name_end].empty() && old[name_end].back() == '\\')
            ++name_end;
        return name_end + 1;
    }
    return 1 + static_cast<std::size_t>(used_parlines()) + 8;
}

void old_tail(Writer& w, const std::vector<std::string>& old)
{
    for (std::size_t i = old_tail_start(old); i < old.size(); ++i)
        w("(A)", {old[i].empty() ? std::string_view(" ") : std::string_view(old[i])});
}

// One of the fit's two files: opened (and locked) before either is written, and put in
// place together with the other, so that the answer file and its row always come from the
// same fit: both are written or neither is.
struct OutFile {
    std::string_view what;    // the start of the message when it could not be written
    std::string_view kind;    // what it is, for the message when another run holds it
    std::string_view partner; // the reason given when only the other file failed
    std::string path;
    int unit = -1;
    bool open = false;
    int err = 0;              // why it was not written
};

// Another run holding the file stops this one at once; any other failure is noted.
void open_out(OutFile& f)
{
    f.err = f.unit < 0 ? EMFILE : fio_open_whole(f.unit, f.path, true);
    if (f.err == EWOULDBLOCK) {
        const std::string line =
            fio_format1("(' *** ',A,1X,A,' is in use by another run')", {f.kind, f.path});
        fio_write(fio_stdout, "(A)", {line});
        ask_fail(line);
    }
    f.open = f.err == 0;
}

// Each file not written says why: its own reason, or that its partner failed.
void complain_pair(OutFile& a, OutFile& b)
{
    for (OutFile* f : {&a, &b}) {
        if (f->open) fio_close(f->unit);  // the old file stays as it was
        f->open = false;
    }
    for (const OutFile* f : {&a, &b})  // the causes first
        if (f->err != 0) complain(f->what, f->path, std::strerror(f->err));
    for (const OutFile* f : {&a, &b})
        if (f->err == 0) complain(f->what, f->path, f->partner);
}

// The table row beside the answer file; but an answer file that is no file of a folder (a
// terminal, /dev/stdout) has nothing beside it to take a new file, so a row that is not
// there already is made in the working folder.
std::string row_path(const AnswerNames& n)
{
    struct stat st {};
    if (fio_in_folder(n.file) || ::lstat(n.table.c_str(), &st) == 0) return n.table;
    const std::size_t slash = n.table.rfind('/');
    return slash == std::string::npos ? n.table : n.table.substr(slash + 1);
}

}  // namespace

AnswerNames vul_ini_names(std::string_view nameout)
{
    AnswerNames n;
    std::size_t start = 0;
    const std::size_t eq = nameout.find('=');
    if (eq != std::string_view::npos && eq >= 3) {
        std::string head(nameout.substr(0, 3));
        std::transform(head.begin(), head.end(), head.begin(),
                       [](unsigned char c) { return std::toupper(c); });
        const std::string_view gap = nameout.substr(3, eq - 3);
        if (head == "MIN" && gap.find_first_not_of(' ') == std::string_view::npos) {
            n.min_mode = true;
            start = eq + 1;
        }
    }
    std::string_view file = nameout.substr(start);
    for (int k = 0; k < 2 && !file.empty() && file.front() == ' '; ++k) file.remove_prefix(1);
    n.file = std::string(significant(file));
    if (n.file.empty()) return n;

    // The row file marks the extension's first letter, in the last part of the path only,
    // so a dot in a folder name never sends it elsewhere.
    std::string t = n.file;
    const std::size_t base = t.rfind('/') == std::string::npos ? 0 : t.rfind('/') + 1;
    std::size_t dot = t.find('.', base);
    if (dot == std::string::npos) {
        t += '.';
        dot = t.size() - 1;
    }
    if (dot + 1 == t.size()) t += ' ';
    const auto c = static_cast<unsigned char>(t[dot + 1]);
    t[dot + 1] = c >= 97 && c <= 127 ? 'a' : 'A';
    // An extension already beginning with a or A would give the answer file's own name.
    n.table = t == n.file ? n.file + ".row" : t;
    return n;
}

void vul_ini()
{
    const AnswerNames names = vul_ini_names(filenames.nameout.full());
    const int lunans = fileio.lunans();
    fio_close(lunans);
    if (names.file.empty()) {
        fio_write(fio_stdout, "(' *** No answer file name: answer file and table row not written')");
        return;
    }
    // The old file is read whole before anything is written, since it is to be replaced.
    std::vector<std::string> old;
    const int old_err = names.min_mode ? read_old(names.file, old) : 0;

    OutFile row{"*** Table row not written: ", "Table row file", "its answer file was not written",
                row_path(names), fio_free_unit(70, fio_max_unit)};
    OutFile ans{"*** Answer file not written: ", "Answer file", "its table row was not written",
                names.file, lunans};
    open_out(row);
    if (old_err != 0 && old_err != ENOENT)
        ans.err = old_err;
    else
        open_out(ans);
    if (!row.open || !ans.open) return complain_pair(row, ans);

    Writer wr{row.unit}, wa{ans.unit};
    table_row(wr);
    wr.fault(1);
    answer_head(wa);
    wa.fault(2);
    if (names.min_mode)
        old_tail(wa, old);
    else
        answer_body(wa);
    wa.fault(3);
    // Each file's own reason, also for lines still in its buffer.
    row.err = wr.err != 0 ? wr.err : fio_flush(row.unit);
    ans.err = wa.err != 0 ? wa.err : fio_flush(ans.unit);
    if (row.err != 0 || ans.err != 0) return complain_pair(row, ans);

    const FioPut pair[] = {{row.unit, false}, {ans.unit, !names.min_mode}};
    int failed = -1;
    if (const int err = fio_commit_all(pair, failed); err != 0) {
        (failed == row.unit ? row : ans).err = err;
        row.open = ans.open = false;  // closed by the commit
        complain_pair(row, ans);
    }
}

// ---- parameter card ---------------------------------------------------------------------

namespace {

// A card value: single precision, at least 7 significant digits, right in 9 columns. A
// value single precision cannot hold (beyond its range, or lost below it) keeps its double
// in exponent form, so that the card reads back as the same parameter.
FText<9> card_number(double v)
{
    FText<9> t;
    if (std::isfinite(v) && v != 0 && (std::fabs(v) > FLT_MAX || std::fabs(v) < FLT_MIN)) {
        const FText<32> d = dbltoch_v(v, 9, 6);
        const std::string_view e = d.trimmed().substr(0, 9);
        std::copy(e.begin(), e.end(), t.c.end() - static_cast<std::ptrdiff_t>(e.size()));
        return t;
    }
    int nsig = 7;
    encdx(static_cast<float>(v), t.span(), 6, 9, 2, nsig);
    return t;
}

}  // namespace

void mnformat(int unit, int p, std::string_view label, double value, double step, double lower,
              double upper, std::string_view remark)
{
    const FText<10> field(fio_one_line(label, FOneLine::stored));
    const FText<9> v = card_number(value);
    // The parameter line is read with the blank as the only delimiter: a label with blanks
    // (or none at all) goes in quotes, and a full-width label keeps a blank before its value.
    const std::string_view name = field.trimmed();
    std::string lab = name.empty() ? quoted(name) : answer_text(name, " ");
    if (lab.size() == name.size()) lab = std::string(field.full());
    if (lab.size() < 10) lab.resize(10, ' ');
    if (lab.back() != ' ' && v.c[0] != ' ') lab += ' ';
    const std::string rem = stored(remark);
    const std::string tail = rem.empty() ? std::string(" ") : " " + quoted(rem);
    put_answer_line(unit, fio_format1("(I10,2X,A,4(A9,1X),1X,A)",
                                      {p, lab, v, card_number(step), card_number(lower),
                                       card_number(upper), tail}));
}

// ---- date text ----------------------------------------------------------------------------

timespec cdate_realtime()
{
    timespec t{};
    clock_gettime(CLOCK_REALTIME, &t);
    return t;
}

void cdate(std::span<char> text)
{
    const timespec t = cdate_clock();
    std::tm lt{};
    localtime_r(&t.tv_sec, &lt);
    const long hundredths = std::clamp(t.tv_nsec, 0L, 999999999L) / 10000000;
    const std::string s =
        fio_format1("(I2.2,':',I2.2,':',I2.2,'.',I2.2,1X,I4.4,'-',I2.2,'-',I2.2)",
                    {lt.tm_hour, lt.tm_min, lt.tm_sec, hundredths, lt.tm_year + 1900,
                     lt.tm_mon + 1, lt.tm_mday});
    FText<28> d(s);
    std::copy_n(d.data(), std::min<std::size_t>(28, text.size()), text.data());
}
