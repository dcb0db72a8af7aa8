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

TEST(Help, BrowsesLevels)
{
    HelpEnv env(help_dir.c_str());
    Scratch s;
    const RunResult r = run_pty(s, {"ask:I:N > "},
                                {{"N > ", "??\n"}, {"topic? ", "fi\n"}, {"FIT topic? ", "\n"},
                                 {"topic? ", "\n"}, {"N > ", "1\n"}});
    EXPECT_EQ(r.out, "N > ??\n" + banner + top_list + "topic? fi\n"
                     "FIT\n How to fit.\n\n Additional information available:\n\n"
                     "MIGRAD              MINOS               \nFIT topic? \n"
                     "FILES\n " + std::string(126, 'x') + "1 BOGUS\n\ntopic? \nN > 1\n=> 1\n");
}

TEST(Help, TwoWordsAndNoMatch)
{
    HelpEnv env(help_dir.c_str());
    Scratch s;
    const RunResult r = run_pty(s, {"ask:I:N > "},
                                {{"N > ", "??\n"}, {"topic? ", "fit mig\n"},
                                 {"FIT topic? ", "\n"}, {"topic? ", "nomatch\n"},
                                 {"topic? ", "\n"}, {"N > ", "1\n"}});
    EXPECT_EQ(r.out, "N > ??\n" + banner + top_list + "topic? fit mig\n"
                     "FIT MIGRAD\n The MIGRAD step.\n\nFIT topic? \n\ntopic? nomatch\n"
                     "No match found for nomatch.\nTry the following:\n\n" + top_list +
                     "topic? \nN > 1\n=> 1\n");
}

// A key without sub-keys, asked for one, says so and returns instead of asking forever.
TEST(Help, LevelWithoutKeysReturns)
{
    HelpEnv env(help_dir.c_str());
    Scratch s;
    const RunResult r = run_pty(s, {"ask:I:N > "},
                                {{"N > ", "??\n"}, {"topic? ", "empty sub\n"},
                                 {"topic? ", "\n"}, {"N > ", "1\n"}});
    EXPECT_EQ(r.out, "N > ??\n" + banner + top_list + "topic? empty sub\n"
                     "No match found for EMPTY sub.\nTry the following:\n\n\ntopic? \n"
                     "N > 1\n=> 1\n");
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
    // In batch "??" is skipped.
    const RunResult b = run_piped(s, {"ask:I:N > "}, "??\n2\n");
    EXPECT_EQ(b.out, "N > ??\nN > 2\n=> 2\n");
}

}  // namespace
