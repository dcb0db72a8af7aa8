// help_test.cpp -- the help browser at a terminal, reached by "??" from a question.
// The fixture has two levels, a hidden line, a key without sub-keys and a long text line.

#include <gtest/gtest.h>

#include <cstdlib>

#include "ask_run.h"

namespace {

const std::string help_dir = KAVRIN_TEST_DATA "/help";
const std::string banner =
    "help-unx: " + help_dir + "/users.hlp\n \n    Information available:\n \n";
const std::string top_list =
    "FIT                 FILES               FORMATS             EMPTY               \n\n";

struct HelpEnv {
    explicit HelpEnv(const char* dir)
    {
        if (dir != nullptr) ::setenv("VULHELP", dir, 1);
        else ::unsetenv("VULHELP");
    }
    ~HelpEnv() { ::unsetenv("VULHELP"); }
};

struct BrowseCase {
    const char* what;
    std::vector<Typed> typed;   // after "??" at the question, up to the question again
    std::string shown;          // what the browser shows after its top-level listing
};

const BrowseCase browse_cases[] = {
    {"levels",
     {{"topic? ", "fi\n"}, {"FIT topic? ", "\n"}, {"topic? ", "\n"}},
     "topic? fi\nFIT\n How to fit.\n\n Additional information available:\n\n"
     "MIGRAD              MINOS               \nFIT topic? \n"
     "FILES\n " + std::string(126, 'x') + "1 BOGUS\n\ntopic? \n"},
    {"two words, then no match",
     {{"topic? ", "fit mig\n"}, {"FIT topic? ", "\n"}, {"topic? ", "nomatch\n"},
      {"topic? ", "\n"}},
     "topic? fit mig\nFIT MIGRAD\n The MIGRAD step.\n\nFIT topic? \n\ntopic? nomatch\n"
     "No match found for nomatch.\nTry the following:\n\n" + top_list + "topic? \n"},
    // keys stand in 19 columns and a blank; a longer key keeps its length
    {"long keys listed whole",
     {{"topic? ", "fo\n"}, {"FORMATS topic? ", "\n"}, {"topic? ", "\n"}},
     "topic? fo\nFORMATS\n Layouts.\n\n Additional information available:\n\n"
     "LAYOUTS_OF_MANY_COLUMNS NINETEEN_CHARACTER  \nFORMATS topic? \n\ntopic? \n"},
    // a key without sub-keys, asked for one, says so and returns instead of asking forever
    {"level without keys returns",
     {{"topic? ", "empty sub\n"}, {"topic? ", "\n"}},
     "topic? empty sub\nNo match found for EMPTY sub.\nTry the following:\n\n\ntopic? \n"},
};

TEST(Help, Browses)
{
    HelpEnv env(help_dir.c_str());
    for (const BrowseCase& c : browse_cases) {
        Scratch s;
        std::vector<Typed> typed{{"N > ", "??\n"}};
        typed.insert(typed.end(), c.typed.begin(), c.typed.end());
        typed.push_back({"N > ", "1\n"});
        const RunResult r = run_pty(s, {"ask:I:N > "}, typed);
        EXPECT_EQ(r.out, "N > ??\n" + banner + top_list + c.shown + "N > 1\n=> 1\n") << c.what;
    }
}

TEST(Help, SettingsAndMissingFiles)
{
    Scratch s;
    {
        HelpEnv env(nullptr);
        const RunResult r = run_pty(s, {"ask:I:N > "}, {{"N > ", "??\n"}, {"N > ", "1\n"}});
        EXPECT_EQ(r.out,
                  "N > ??\n'setenv VULHELP <helpdir>' and restart program.\nN > 1\n=> 1\n");
    }
    const RunResult r = run_pty(s, {"help:" + help_dir + "/,nosuch", "ask:I:N > "},
                                {{"N > ", "\\H\n"}, {"N > ", "1\n"}});
    EXPECT_EQ(r.out, "N > \\H\nhelp-unx: path trimming: 0 ..." + help_dir + "/" +
                         std::string(80 - help_dir.size() - 1, ' ') + "...\n"
                         "help-unx: Help file unavailable: " + help_dir + "/nosuch.hlp\n"
                         "N > 1\n=> 1\n");
    // A directory without its "/" gets one; "??" followed by a name reads that library.
    const RunResult l = run_pty(s, {"help: " + help_dir + ",nosuch", "ask:I:N > "},
                                {{"N > ", "??users\n"}, {"topic? ", "\n"}, {"N > ", "1\n"}});
    EXPECT_EQ(l.out, "N > ??users\nhelp-unx: path trimming: 1 ... " + help_dir +
                         std::string(80 - help_dir.size() - 1, ' ') + "...\n" + banner +
                         top_list + "topic? \nN > 1\n=> 1\n");
    // In batch "??" is skipped.
    const RunResult b = run_piped(s, {"ask:I:N > "}, "??\n2\n");
    EXPECT_EQ(b.out, "N > ??\nN > 2\n=> 2\n");
}

}  // namespace
