// sig_forms.cpp -- the table of signal forms: one row per sign pattern of the slot codes,
// naming the theory's kernel, the set-up's table question and the report's slot lines.
#include "sig_forms.h"

#include <array>
#include <cstdint>

#include "rlx_tables.h"

namespace {

// ---- table questions --------------------------------------------------------------------

std::string_view omni_title() { return omni_tbl_text.ttl_tbl.full(); }
std::string_view lf_title() { return lftbl_ttl.full().substr(0, 80); }
std::string_view rlx_title() { return tblttl.full(); }

constexpr SigAsk ask_rlx{0, "G(t) TABLE File name > ", 1, get_rlx_tbl, rlx_title, true};
constexpr SigAsk ask_lf{1, "LF G(t) TABLE File name > ", 2, get_lf_tbl, lf_title, true};
constexpr SigAsk ask_cmplx{2, "G_CMPLX(t) TABLE File name > ", 3, get_g_cmplx, nullptr, false};

// ---- report lines -----------------------------------------------------------------------

constexpr SigLabel lb_phi{"PHI", "Initial Phase (degrees)", nullptr, true};
constexpr SigLabel lb_q{"Q", "Vesk SG Order Parameter", nullptr, false};
constexpr SigLabel lb_trp{"TRP", "Trap Rate (microsec^-1)", nullptr, false};
constexpr SigLabel lb_nu{"NU", "Frequency (MHz)   ", nullptr, false};
constexpr SigLabel lb_flf{"FLF", "Long. Field Freq. (MHz)", nullptr, false};
constexpr SigLabel lb_sig{"RLX", "Sigma or Delta (", "s^-1) ", false};
constexpr SigLabel lb_hop{"HOP", "Hop Rate (microsec^-1) ", nullptr, false};
constexpr SigLabel lb_lam{"RLX", "Lambda (microsec^-1)   ", nullptr, false};
constexpr SigLabel lb_pwr{"PWR", "Power of t in Exp Relax", nullptr, false};

// ---- the rows ---------------------------------------------------------------------------

// Sign sets of a code: N negative, Z zero (the slot empty), P positive.
constexpr std::uint8_t N = 1, Z = 2, P = 4, NZ = N | Z, ZP = Z | P, NP = N | P, A = N | Z | P;

enum Tbl : std::uint8_t { t_any, t_set };             // table slots (6..10): any, some set
enum Pass : std::uint8_t { p_any, p_real, p_imag };  // pass of a complex spectrum

struct Row {
    std::uint8_t frq, rlx, hop, pha;
    Tbl tbl;
    Pass pass;
    SigForm form;
};

using K = SigKernel;
constexpr const SigLabel* no = nullptr;

// Taken in order, the first match wins. Rows of one kernel split only where the report's
// lines or the question differ: the relaxation slot reads "Sigma or Delta" (with "HOP")
// for a negative relaxation code, or a positive one with a negative hop code, "Lambda"
// (with "PWR") for other positive ones; an empty relaxation slot labels no hop slot.
constexpr Row rows[] = {
    // signs of frq, rlx, hop, pha; table slots; pass -> kernel, [A], question, slot lines
    {ZP, Z, Z, A, t_set, p_any, {K::omni, true, &sig_ask_omni, &lb_phi, &lb_nu, no, no}},
    {N, Z, Z, A, t_set, p_any, {K::omni, true, &sig_ask_omni, &lb_phi, &lb_flf, no, no}},
    // precession
    {P, N, P, A, t_any, p_any, {K::abragam, false, nullptr, &lb_phi, &lb_nu, &lb_sig, &lb_hop}},
    {P, N, NZ, A, t_any, p_any, {K::gauss_cos, false, nullptr, &lb_phi, &lb_nu, &lb_sig, &lb_hop}},
    {P, Z, Z, A, t_any, p_any, {K::cos, false, nullptr, &lb_phi, &lb_nu, no, no}},
    {P, Z, NP, A, t_any, p_real, {K::cmplx_re, false, &ask_cmplx, &lb_phi, &lb_nu, no, no}},
    {P, Z, NP, A, t_any, p_imag, {K::cmplx_im, false, &ask_cmplx, &lb_phi, &lb_nu, no, no}},
    {P, P, P, A, t_any, p_any, {K::stretch_cos, false, nullptr, &lb_phi, &lb_nu, &lb_lam, &lb_pwr}},
    {P, P, Z, A, t_any, p_any, {K::exp_cos, false, nullptr, &lb_phi, &lb_nu, &lb_lam, no}},
    {P, P, N, A, t_any, p_any, {K::exp_cos, false, nullptr, &lb_phi, &lb_nu, &lb_sig, &lb_hop}},
    // longitudinal field
    {N, Z, Z, A, t_any, p_any, {K::j0, true, nullptr, &lb_phi, &lb_flf, no, no}},
    {N, N, NP, P, t_any, p_any, {K::gzz_lf, true, nullptr, &lb_phi, &lb_flf, &lb_sig, &lb_hop}},
    {N, Z, NP, P, t_any, p_any, {K::gzz_lf, true, nullptr, &lb_phi, &lb_flf, no, no}},
    {N, P, P, P, t_any, p_any, {K::gzz_lf, true, nullptr, &lb_phi, &lb_flf, &lb_lam, &lb_pwr}},
    {N, P, N, P, t_any, p_any, {K::gzz_lf, true, nullptr, &lb_phi, &lb_flf, &lb_sig, &lb_hop}},
    {N, N, P, NZ, t_any, p_any, {K::polzz_lf, true, &ask_rlx, &lb_phi, &lb_flf, &lb_sig, &lb_hop}},
    {N, N, N, NZ, t_any, p_any, {K::polzz_lf, true, nullptr, &lb_phi, &lb_flf, &lb_sig, &lb_hop}},
    {N, Z, NP, NZ, t_any, p_any, {K::polzz_lf, true, nullptr, &lb_phi, &lb_flf, no, no}},
    {N, P, P, NZ, t_any, p_any, {K::polzz_lf, true, nullptr, &lb_phi, &lb_flf, &lb_lam, &lb_pwr}},
    {N, P, N, NZ, t_any, p_any, {K::polzz_lf, true, nullptr, &lb_phi, &lb_flf, &lb_sig, &lb_hop}},
    {N, N, Z, A, t_any, p_any, {K::lfpol, true, &ask_lf, &lb_phi, &lb_flf, &lb_sig, no}},
    {N, P, Z, A, t_any, p_any, {K::lfpol, true, &ask_lf, &lb_phi, &lb_flf, &lb_lam, no}},
    // zero field
    {Z, N, Z, A, t_any, p_any, {K::gzf, true, nullptr, &lb_phi, no, &lb_sig, no}},
    {Z, N, N, A, t_any, p_any, {K::gen_zf, true, nullptr, &lb_phi, no, &lb_sig, &lb_hop}},
    {Z, N, P, P, t_any, p_any, {K::gzz_zf, true, nullptr, &lb_trp, no, &lb_sig, &lb_hop}},
    {Z, N, P, NZ, t_any, p_any, {K::polzz_zf, true, &ask_rlx, &lb_trp, no, &lb_sig, &lb_hop}},
    {Z, ZP, Z, A, t_any, p_any, {K::exp, false, nullptr, &lb_phi, no, &lb_lam, no}},
    {Z, Z, P, A, t_any, p_any, {K::stretch, false, nullptr, &lb_phi, no, no, no}},
    {Z, P, P, A, t_any, p_any, {K::stretch, false, nullptr, &lb_phi, no, &lb_lam, &lb_pwr}},
    {Z, Z, N, Z, t_any, p_any, {K::power, false, nullptr, &lb_q, no, no, no}},
    {Z, P, N, Z, t_any, p_any, {K::power, false, nullptr, &lb_q, no, &lb_sig, &lb_hop}},
    {Z, Z, N, NP, t_any, p_any, {K::spin_glass, false, nullptr, &lb_q, no, no, no}},
    {Z, P, N, NP, t_any, p_any, {K::spin_glass, false, nullptr, &lb_q, no, &lb_sig, &lb_hop}},
};
constexpr int n_rows = static_cast<int>(std::size(rows));
static_assert(n_rows < 255);

// ---- lookup -----------------------------------------------------------------------------

// The theory looks a form up for every signal of every spectrum at each function value, so
// the first matching row of every combination is found once, at compile time.
constexpr int sign_index(int k) { return k < 0 ? 0 : (k == 0 ? 1 : 2); }  // bit of N, Z, P
constexpr int n_keys = 3 * 3 * 3 * 3 * 2 * 2;

constexpr int key_of(int pha, int frq, int rlx, int hop, bool tables, bool imaginary)
{
    return ((((sign_index(pha) * 3 + sign_index(frq)) * 3 + sign_index(rlx)) * 3 +
             sign_index(hop)) * 2 + (tables ? 1 : 0)) * 2 + (imaginary ? 1 : 0);
}

constexpr bool row_matches(const Row& r, int key)
{
    const bool imaginary = key % 2 != 0;
    const bool tables = (key / 2) % 2 != 0;
    const int hop = key / 4 % 3, rlx = key / 12 % 3, frq = key / 36 % 3, pha = key / 108;
    return (r.hop >> hop & 1) && (r.rlx >> rlx & 1) && (r.frq >> frq & 1) &&
           (r.pha >> pha & 1) && (r.tbl == t_any || tables) &&
           (r.pass == p_any || (r.pass == p_imag) == imaginary);
}

constexpr std::array<std::uint8_t, n_keys> build_index()
{
    std::array<std::uint8_t, n_keys> ix{};
    for (int key = 0; key < n_keys; ++key) {
        ix[key] = n_rows;  // none
        for (int i = 0; i < n_rows; ++i)
            if (row_matches(rows[i], key)) {
                ix[key] = static_cast<std::uint8_t>(i);
                break;
            }
    }
    return ix;
}
constexpr std::array<std::uint8_t, n_keys> row_of = build_index();

constexpr SigForm no_form{SigKernel::none, false, nullptr, nullptr, nullptr, nullptr, nullptr};

}  // namespace

const SigAsk sig_ask_omni{3, "OMNI G(t) TABLE File name > ", 3, get_omni_tbl, omni_title, false};

const SigForm& sig_form(const SigCodes& c)
{
    const int i = row_of[key_of(c.pha, c.frq, c.rlx, c.hop, c.n_omni > 0, c.imaginary)];
    return i < n_rows ? rows[i].form : no_form;
}

bool sig_kernel_scaled(SigKernel k)
{
    for (const Row& r : rows)
        if (r.form.kernel == k) return r.form.scaled;
    return false;
}
