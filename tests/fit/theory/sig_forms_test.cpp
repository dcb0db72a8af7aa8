// sig_forms_test.cpp -- the table of signal forms against the three rules it replaces, for
// every combination of slot signs: the theory's form, the set-up's table question and the
// report's slot lines, each written here as the rule reads, not as the table holds it.
#include <gtest/gtest.h>

#include <string>

#include "sig_forms.h"
#include "vul_th.h"

namespace {

// The theory's form rows, first match wins (phase code only where a row reads it).
int form_rule(int frq, int rlx, int hop, int pha, int n_omni, bool imaginary)
{
    if (rlx == 0 && hop == 0 && n_omni > 0) return 1;
    if (frq > 0) {
        if (rlx < 0 && hop > 0) return 2;
        if (rlx < 0) return 3;
        if (rlx == 0 && hop == 0) return 4;
        if (rlx == 0) return imaginary ? 6 : 5;
        return hop > 0 ? 7 : 8;
    }
    if (frq < 0) {
        if (rlx == 0 && hop == 0) return 9;
        if (hop != 0 && pha > 0) return 10;
        if (hop != 0) return 11;
        return 12;
    }
    if (rlx < 0 && hop == 0) return 13;
    if (rlx < 0 && hop < 0) return 14;
    if (rlx < 0) return pha > 0 ? 15 : 16;
    if (hop == 0) return 17;
    if (hop > 0) return 18;
    return pha == 0 ? 19 : 20;
}

bool scaled_rule(int form) { return form == 1 || (form >= 9 && form <= 16); }

// The set-up's question by the stored slots (no table slot set so far): its prompt or "".
std::string question_rule(int frq, int rlx, int hop, int pha)
{
    if (frq > 0) return rlx == 0 && hop != 0 ? "G_CMPLX(t) TABLE File name > " : "";
    if (pha != 0) return "";
    if (frq < 0 && hop == 0 && rlx != 0) return "LF G(t) TABLE File name > ";
    if (hop > 0 && rlx < 0) return "G(t) TABLE File name > ";
    return "";
}

// The report's lines of the phase, frequency, relaxation and hop slots, as
// "name:description" with ~ for the micro sign; "" for no line. An empty slot has none.
struct Lines {
    std::string pha, frq, rlx, hop;
};

Lines lines_rule(int frq, int rlx, int hop, int pha)
{
    Lines l;
    if (pha != 0) {
        if (frq == 0 && rlx >= 0 && hop < 0) l.pha = "Q:Vesk SG Order Parameter";
        else if (frq == 0 && rlx < 0 && hop > 0) l.pha = "TRP:Trap Rate (microsec^-1)";
        else l.pha = "PHI:Initial Phase (degrees)+";
    }
    if (frq > 0) l.frq = "NU:Frequency (MHz)   ";
    if (frq < 0) l.frq = "FLF:Long. Field Freq. (MHz)";
    const bool sigma = rlx < 0 || (rlx > 0 && hop < 0);
    const bool lambda = rlx > 0 && hop >= 0;
    if (sigma) l.rlx = "RLX:Sigma or Delta (~s^-1) ";
    if (sigma && hop != 0) l.hop = "HOP:Hop Rate (microsec^-1) ";
    if (lambda) l.rlx = "RLX:Lambda (microsec^-1)   ";
    if (lambda && hop > 0) l.hop = "PWR:Power of t in Exp Relax";
    return l;
}

std::string line_of(const SigLabel* l, int code)
{
    if (l == nullptr || code == 0) return "";
    std::string s = std::string(l->name) + ":" + l->text;
    if (l->after_micro != nullptr) s += std::string("~") + l->after_micro;
    if (l->phase_offset) s += "+";
    return s;
}

template <class Fn>
void each_combination(Fn fn)
{
    for (int pha : {-1, 0, 1})
        for (int frq : {-2, 0, 3})
            for (int rlx : {-4, 0, 4})
                for (int hop : {-5, 0, 5})
                    for (int n_omni : {0, 2})
                        for (bool imag : {false, true}) fn(pha, frq, rlx, hop, n_omni, imag);
}

std::string where(int pha, int frq, int rlx, int hop, int n_omni, bool imaginary)
{
    return "pha " + std::to_string(pha) + " frq " + std::to_string(frq) + " rlx " +
           std::to_string(rlx) + " hop " + std::to_string(hop) + " n_omni " +
           std::to_string(n_omni) + (imaginary ? " imaginary" : "");
}

TEST(SigForms, TheoryFormAndScalingByTheRule)
{
    each_combination([](int pha, int frq, int rlx, int hop, int n_omni, bool imaginary) {
        const SigForm& f = sig_form({pha, frq, rlx, hop, n_omni, imaginary});
        const int want = form_rule(frq, rlx, hop, pha, n_omni, imaginary);
        EXPECT_EQ(static_cast<int>(f.kernel), want) << where(pha, frq, rlx, hop, n_omni, imaginary);
        EXPECT_EQ(f.scaled, scaled_rule(want)) << where(pha, frq, rlx, hop, n_omni, imaginary);
    });
    for (int form : {-1, 0, 21, 1000}) EXPECT_FALSE(vul_th_form_scaled(form)) << form;
}

TEST(SigForms, TableQuestionByTheRule)
{
    each_combination([](int pha, int frq, int rlx, int hop, int n_omni, bool imaginary) {
        if (n_omni > 0 || imaginary) return;  // the set-up meets neither
        const SigAsk* q = sig_form({pha, frq, rlx, hop}).ask;
        const std::string got =
            q != nullptr && !(q->empty_phase && pha != 0) ? std::string(q->prompt) : "";
        EXPECT_EQ(got, question_rule(frq, rlx, hop, pha)) << where(pha, frq, rlx, hop, 0, false);
        if (q != nullptr) {
            EXPECT_NE(q->reader, nullptr);
        }
    });
    EXPECT_EQ(sig_ask_omni.prompt, "OMNI G(t) TABLE File name > ");
    EXPECT_NE(sig_ask_omni.reader, nullptr);
}

TEST(SigForms, ReportLinesByTheRule)
{
    each_combination([](int pha, int frq, int rlx, int hop, int n_omni, bool imaginary) {
        const SigForm& f = sig_form({pha, frq, rlx, hop, n_omni, imaginary});
        const Lines want = lines_rule(frq, rlx, hop, pha);
        const std::string at = where(pha, frq, rlx, hop, n_omni, imaginary);
        EXPECT_EQ(line_of(f.pha, pha), want.pha) << at;
        EXPECT_EQ(line_of(f.frq, frq), want.frq) << at;
        EXPECT_EQ(line_of(f.rlx, rlx), want.rlx) << at;
        EXPECT_EQ(line_of(f.hop, hop), want.hop) << at;
    });
}

}  // namespace
