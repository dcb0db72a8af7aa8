// sig_forms.h -- the signal forms: which form the signs of a signal's slot codes select,
// and what the theory, the set-up's table question and the report's lines make of it.
//
// A new form is one row in sig_forms.cpp, its kernel (a SigKernel, its case in vul_th.cpp's
// form_block and, for recurrences, plan_steps) and its entry in the help's SIGNALS topic.
#pragma once

#include <string_view>

// The theory's kernels. vul_th_form reports these numbers (and tests name them); nothing
// depends on their order.
enum class SigKernel : int {
    none = 0,  // no row matched (never, for any signs: tested)
    omni = 1,
    abragam = 2,
    gauss_cos = 3,
    cos = 4,
    cmplx_re = 5,
    cmplx_im = 6,
    stretch_cos = 7,
    exp_cos = 8,
    j0 = 9,
    gzz_lf = 10,
    polzz_lf = 11,
    lfpol = 12,
    gzf = 13,
    gen_zf = 14,
    gzz_zf = 15,
    polzz_zf = 16,
    exp = 17,
    stretch = 18,
    power = 19,
    spin_glass = 20,
};

// A table question of the set-up: the prompt, the `nametbl` entry the answer goes to, the
// reader, and the title written after the read (null: none). A question asked only with an
// empty phase slot is skipped when it is set: the form then reads the table of its kind
// read last.
struct SigAsk {
    int kind;                              // 0..sig_ask_kinds-1: each kind is read once
    std::string_view prompt;
    int nametbl;                           // 1..3
    void (*reader)(std::string_view name);  // stops the process on a bad table
    std::string_view (*title)();
    bool empty_phase;                      // asked only when the phase slot is empty
};
inline constexpr int sig_ask_kinds = 4;
extern const SigAsk sig_ask_omni;  // every signal from the first with a table slot on

// The report line of one slot: label and description, and whether the line is joined by
// "+" to the spectrum's phase offset. With after_micro set, the description is text, the
// micro sign, after_micro.
struct SigLabel {
    const char* name;
    const char* text;
    const char* after_micro;
    bool phase_offset;
};

// One form. A slot's line is written only when the slot is set; a null label writes none.
struct SigForm {
    SigKernel kernel;
    bool scaled;              // a negative amplitude code scales the value by A ([A] in help)
    const SigAsk* ask;        // the set-up's table question, or null
    const SigLabel* pha;      // report lines of the phase, frequency, relaxation, hop slots
    const SigLabel* frq;
    const SigLabel* rlx;
    const SigLabel* hop;
};

// The signed codes a form is chosen by (only their signs count), the signal's count of
// set table slots (6..10), and the imaginary pass of a complex spectrum.
struct SigCodes {
    int pha = 0, frq = 0, rlx = 0, hop = 0;
    int n_omni = 0;
    bool imaginary = false;
};

// The form these codes select: the first row of the table that matches. Every combination
// of signs matches a row; the reference lives as long as the process.
const SigForm& sig_form(const SigCodes& c);

// Whether kernel k's forms are scaled by A for a negative amplitude code (every row of a
// kernel agrees: tested); false for none and for numbers no row names.
bool sig_kernel_scaled(SigKernel k);
