// cmli_test.cpp -- command tables: prefixes with abbreviation on and off, upper-casing, the
// empty line, "?" listings, HELP, and unknown words at the keyboard and in batch.

#include <gtest/gtest.h>

#include <cstdlib>

#include "ask_run.h"

namespace {

// The message on the screen, then the same text as the stop's reason on standard error.
std::string unknown(const std::string& word8)
{
    const std::string text = "*** CMLI -- Unrecognized Command \"" + word8 + "\"";
    return " " + text + "\n\n" + text + "\n";
}

struct CmliCase {
    const char* what;
    std::vector<std::string> steps;
    const char* input;
    std::string want;
    int status;
};

const CmliCase cmli_cases[] = {
    {"first prefix match", {"cmli:MINIMIZE/MIGRAD::C> "}, "m\n", "C> m\nicmd=1\n", 0},
    {"longer prefix", {"cmli:MINIMIZE/MIGRAD::C> "}, "mig\n", "C> mig\nicmd=2\n", 0},
    {"fields after the word", {"cmli:SIGNAL/SPECTRUM:I,I:D> "}, "spec 3,4\n",
     "D> spec 3,4\nicmd=2\n=> 3|4\n", 0},
    {"blank entry for the empty line", {"cmli:SIGNAL//SPECTRUM::D> "}, "\n", "D> \nicmd=2\n", 0},
    {"no table asks nothing", {"cmli:-::D> "}, "x\n", "icmd=0\n", 0},
    {"abbreviation off", {"cmliopt:1,0,0", "cmli:MINIMIZE/MIGRAD::C> "}, "mig\n",
     "C> mig\n" + unknown("MIG     "), 1},
    {"abbreviation off, whole word", {"cmliopt:1,0,0", "cmli:MINIMIZE/MIGRAD::C> "}, "migrad\n",
     "C> migrad\nicmd=2\n", 0},
    {"upper-casing off", {"cmliopt:0,1,0", "cmli:MINIMIZE/MIGRAD::C> "}, "migrad\n",
     "C> migrad\n" + unknown("migrad  "), 1},
    {"empty line unknown", {"cmli:MINIMIZE/MIGRAD::C> "}, "\n",
     "C> \n" + unknown("        "), 1},
    {"? stops a batch run", {"cmli:MINIMIZE/MIGRAD::C> "}, "?\n",
     "C> ?\n" + unknown("?       "), 1},
    {"HELP stops a batch run", {"cmli:MINIMIZE/MIGRAD::C> "}, "help\n",
     "C> help\n" + unknown("HELP    "), 1},
};

TEST(Cmli, Batch)
{
    for (const CmliCase& c : cmli_cases) {
        Scratch s;
        const RunResult r = run_piped(s, c.steps, c.input);
        EXPECT_EQ(r.out, c.want) << c.what;
        EXPECT_EQ(r.status, c.status) << c.what;
    }
}

TEST(Cmli, InteractiveAsksAgainAndLists)
{
    Scratch s;
    const RunResult r = run_pty(s, {"cmli:MINIMIZE/MIGRAD/SIMPLEX/HESSE/MINOS/CONTOUR/SCAN/"
                                    "IMPROVE::C> "},
                                {{"C> ", "bogus\n"}, {"C> ", "?\n"}, {"C> ", "sc\n"}});
    EXPECT_EQ(r.out, "C> bogus\n *** CMLI -- Unrecognized Command \"BOGUS   \"\n\nC> ?\n"
                     "  8 CMLI Commands:\n"
                     " MINIMIZE  MIGRAD    SIMPLEX   HESSE     MINOS     CONTOUR   SCAN        \n"
                     " IMPROVE" + std::string(65, ' ') + "\n  \nC> sc\nicmd=7\n");
}

// An unknown word from an indirect file drops every level, so the user answers it.
TEST(Cmli, UnknownWordClosesIndirectFiles)
{
    Scratch s;
    s.write("outer", "@inner\nMIGRAD\n");
    s.write("inner", "bogus\nMIGRAD\n");
    const RunResult r = run_pty(s, {"echo:0", "cmli:MINIMIZE/MIGRAD::C> ", "interact"},
                                {{"C> ", "@outer\n"}, {"C> ", "min\n"}});
    EXPECT_EQ(r.out, "C> @outer\n *** CMLI -- Unrecognized Command \"BOGUS   \"\n\n"
                     "C> min\nicmd=1\ninteract=T\n");
}

TEST(Cmli, IndirectAllowedKeepsFiles)
{
    Scratch s;
    s.write("f", "bogus\nMIGRAD\n");
    const RunResult r = run_pty(s, {"echo:0", "cmliopt:1,1,1", "cmli:MINIMIZE/MIGRAD::C> "},
                                {{"C> ", "@f\n"}});
    EXPECT_EQ(r.out, "C> @f\n *** CMLI -- Unrecognized Command \"BOGUS   \"\n\nicmd=2\n");
}

TEST(Cmli, HelpOpensTheBrowser)
{
    ::setenv("VULHELP", KAVRIN_TEST_DATA "/help", 1);
    Scratch s;
    const RunResult r = run_pty(s, {"cmli:MINIMIZE/MIGRAD::C> "},
                                {{"C> ", "help\n"}, {"topic? ", "\n"}, {"C> ", "mi\n"}});
    ::unsetenv("VULHELP");
    EXPECT_EQ(r.out, "C> help\nhelp-unx: " KAVRIN_TEST_DATA "/help/users.hlp\n \n"
                     "    Information available:\n \n"
                     "FIT                 FILES               FORMATS             EMPTY"
                     "               \n\ntopic? \nC> mi\nicmd=1\n");
}

}  // namespace
