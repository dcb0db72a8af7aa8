// vul_map.cpp -- parameter mapping: value table, slot codes per spectrum, and the
// once-per-set-up check of every slot number.
#include "vul_map.h"

#include <algorithm>
#include <cmath>
#include <array>
#include <bit>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "eval.h"
#include "fio.h"
#include "fit_records.h"

namespace {

int cached_firstraw = 0;  // Norm number of the first raw spectrum; 0 until found

bool in_table(int j) { return j >= 1 && j <= max_parnum; }

// Numbers past 100 are not MINUIT's: their value stays as it was.
double xmn(const double* x_mn, int p)
{
    return (p >= 1 && p <= max_minuit_par) ? x_mn[p] : 0.0;
}

// The assignment text of one label, kept with the label and value it was made from.
// MINUIT mostly moves one parameter at a time, so most texts are reused as they stand;
// the text is still evaluated every time, since an expression may reassign a label.
// A label that is no variable name gets no text: the parameter line warned about it once,
// and its assignment would fail at every evaluation.
struct LabelText {
    bool made = false;
    FText<10> label;
    bool name = false;  // the label can name a variable
    std::uint64_t value_bits = 0;
    std::string text;  // empty for a label that is no name
};
std::array<LabelText, max_minuit_par + 1> label_texts;  // [p]

const std::string& label_text(int p, double value)
{
    LabelText& lt = label_texts[static_cast<std::size_t>(p)];
    const std::uint64_t bits = std::bit_cast<std::uint64_t>(value);
    if (!lt.made || !(lt.label == bestfit.xname(p)) || lt.value_bits != bits) {
        lt.made = true;
        lt.label = bestfit.xname(p);
        lt.name = vul_label_is_name(lt.label.full());
        lt.value_bits = bits;
        lt.text = lt.name ? fio_format1("(A,'=',G20.12)", {lt.label, value}) : std::string();
    }
    return lt.text;
}

// Copies the codes of one slot pair.
void code(int v, int& k, int& j)
{
    k = v;
    j = std::abs(v);
}

}  // namespace

bool vul_label_is_name(std::string_view label)
{
    while (!label.empty() && label.back() == ' ') label.remove_suffix(1);
    int pos = 1, first = 0, last = 0;
    EvalTok kind = EvalTok::end;
    evaltoken(kind, label, pos, first, last);
    if (kind != EvalTok::ident || first != 1) return false;
    evaltoken(kind, label, pos, first, last);
    return kind == EvalTok::end;
}

bool vul_premap(const double* x_mn)
{
    cached_firstraw = 0;
    Arr1<double, max_parnum>& vals = vulmapr.x_vul;
    if (expressions.nexpr < 1) {
        const int n = std::min(bestfit.nparx, max_minuit_par);
        for (int i = 1; i <= n; ++i) vals(i) = x_mn[i];
        return true;
    }
    // Labels become evaluator variables through the same text a user could type, so an
    // expression sees each value as G20.12 gives it.
    double unused = 0;
    for (int j = 1; j <= used_parlines(); ++j) {
        const int p = bestfit.xparn(j);
        if (p < 1 || p > max_minuit_par) continue;
        vals(p) = xmn(x_mn, p);
        const std::string& text = label_text(p, vals(p));
        if (!text.empty()) loc_eval(std::string_view(text).substr(0, 80), unused);
    }
    bool all = true;
    for (int e = 1; e <= used_expressions(); ++e) {
        double v = 0;
        if (!loc_eval(expressions.sexpr(e).trimmed(), v)) {
            all = false;
            continue;  // keeps the old value
        }
        if (in_table(expressions.jexpr(e))) vals(expressions.jexpr(e)) = v;
        all = all && std::isfinite(v);  // sqrt(-1) or 1/0 gives no value a model can use
    }
    return all;
}

void map1par(int slot, int jspec, int& k, int& j)
{
    k = slot;
    j = std::abs(slot);
    if (j >= 101 && j <= 110 && jspec >= 1 && jspec <= max_spectra_arrays) {
        ++vulmapi.nindirect;
        k = fitpar.ifitsp(j - 100, jspec);
        j = std::abs(k);
        if (slot < 0) k = -j;
    }
}

void vul_map(int jspec, const double*)
{
    if (jspec < 1 || jspec > max_spectra_arrays) return;
    Vulmapi& m = vulmapi;
    const int* sp = fitpar.ifitsp.col(jspec);  // sp[slot - 1]
    code(sp[sp_norm - 1], m.knorm, m.jnorm);
    m.firstraw = 0;
    if (std::abs(i_fit_ctl.i_fit(ifit_type, jspec)) <= 1) {
        if (cached_firstraw == 0)
            for (int s = jspec; s >= 1; --s)
                if (std::abs(i_fit_ctl.i_fit(ifit_type, s)) <= 1)
                    cached_firstraw = std::abs(fitpar.ifitsp(sp_norm, s));
        m.firstraw = cached_firstraw;
    }
    if (m.firstraw == m.jnorm) m.knorm = m.firstraw;  // the first raw norm is never relative
    if (m.firstraw != 0) code(sp[sp_bkgd - 1], m.kbkgd, m.jbkgd);
    else code(sp[sp_bkgd - 1], m.kbeta, m.jbeta);
    code(sp[sp_rpha - 1], m.krpha, m.jrpha);
    code(sp[sp_rasy - 1], m.krasy, m.jrasy);
    code(sp[sp_lt0 - 1], m.klt0, m.jlt0);

    m.nindirect = 0;
    for (int s = 1; s <= used_signals(); ++s) {
        const int* sg = fitpar.ifitsg.col(s);
        map1par(sg[sg_pha - 1], jspec, m.kph(s), m.jph(s));
        map1par(sg[sg_asy - 1], jspec, m.kas(s), m.jas(s));
        map1par(sg[sg_frq - 1], jspec, m.kfr(s), m.jfr(s));
        map1par(sg[sg_rlx - 1], jspec, m.krl(s), m.jrl(s));
        map1par(sg[sg_hop - 1], jspec, m.khp(s), m.jhp(s));
        m.n_omni(s) = 0;
        for (int slot = 6; slot <= n_slots; ++slot) {
            int k = 0, j = 0;
            map1par(sg[slot - 1], jspec, k, j);
            if (j != 0) m.k_omni(++m.n_omni(s), s) = j;  // the sign of a table slot is dropped
        }
    }
}

void vul_checkmap(const double* x_mn)
{
    // Defined numbers first: x_vul serves as the marker table until vul_premap refills it.
    Arr1<double, max_parnum>& def = vulmapr.x_vul;
    def.fill(0);
    for (int j = 1; j <= used_parlines(); ++j)
        if (in_table(bestfit.xparn(j))) def(bestfit.xparn(j)) = j;
    for (int e = 1; e <= used_expressions(); ++e)
        if (in_table(expressions.jexpr(e))) def(expressions.jexpr(e)) = e;

    for (int j = 1; j <= used_spectra(); ++j)
        for (int slot = 1; slot <= n_slots; ++slot) {
            const int k = fitpar.ifitsp(slot, j);
            if (k != 0 && (std::abs(k) >= max_parnum || def(std::abs(k)) == 0))
                badmap("Spectrum", j, k, "is invalid");
        }
    for (int s = 1; s <= used_signals(); ++s)
        for (int slot = 1; slot <= n_slots; ++slot) {
            const int k = fitpar.ifitsg(slot, s);
            const int a = std::abs(k);
            if (k == 0) continue;
            if (a >= 106 && a <= 110) {
                for (int j = 1; j <= used_spectra(); ++j)
                    if (fitpar.ifitsp(a - 100, j) == 0) {
                        badmap("Signal", s, k, "points to nothing");
                        break;
                    }
            } else if (a > max_parnum || def(a) == 0) {
                badmap("Signal", s, k, "is invalid");
            }
        }
    vul_premap(x_mn);
}

void badmap(std::string_view what, int n, int k, std::string_view text)
{
    constexpr std::string_view layout = "(' ** MAPPING ERROR **  ',A,I3,'  parameter',I6,2X,A,'!')";
    fio_write(fio_stdout, layout, {what, n, k, text});
    if (fileio.lunprt() > 0) fio_write(fileio.lunprt(), layout, {what, n, k, text});
}
