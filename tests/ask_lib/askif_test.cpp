// askif_test.cpp -- yes/no questions, replacement questions with their shown values, and
// file-name questions, answered through a pipe.

#include <gtest/gtest.h>

#include "ask_run.h"

namespace {

struct IfCase {
    const char* what;
    std::vector<std::string> steps;
    const char* input;
    std::string want;
};

const IfCase if_cases[] = {
    {"yes", {"if:Plot? "}, "yes\n", "Plot? yes\n=> T\n"},
    {"Yes", {"if:Plot? "}, "Yes\n", "Plot? Yes\n=> T\n"},
    {"n", {"if:Plot? "}, "n\n", "Plot? n\n=> F\n"},
    {"empty is no", {"if:Plot? "}, "\n", "Plot? \n=> F\n"},
    {"end of input is no", {"if:Plot? "}, "", "Plot? \n=> F\n"},
    {"asked again", {"if:Plot? "}, "1\nno\n", "Plot? 1\n Please answer Y or N.\nPlot? no\n=> F\n"},
    {"default kept", {"ifd:T:Log? "}, "\n", "Log? {Y} \n=> T T\n"},
    {"default replaced", {"ifd:T:Log? "}, "n\n", "Log? {Y} n\n=> F F\n"},
    {"quoted blank keeps", {"ifd:F:Log? "}, "' '\n", "Log? {N} ' '\n=> F F\n"},
    {"default asked again", {"ifd:F:Log? "}, "x\ny\n",
     "Log? {N} x\n Please answer Y or N.\nLog? {N} y\n=> T T\n"},
    {"replace integer", {"replace:I:123:Bins"}, "7\n", " Bins [123]: 7\n => 7\n"},
    {"replace empty takes the default", {"replace:I:123:Bins"}, "\n", " Bins [123]: \n => 0\n"},
    {"replace real", {"replace:R:0.078125:Width"}, "2.5\n", " Width [0.078125]: 2.5\n =>  2.5\n"},
    {"replace unknown type", {"replace:X:5:Bins"}, "",
     " Bins*** UNDEFINED TYPE \"X\" ***\n => 5\n"},
    {"creplace keeps", {"creplace:old.ans:Answer file is?"}, "\n",
     "Answer file is? [old.ans] > \n=> [old.ans]\n"},
    {"creplace takes", {"creplace:old.ans:Answer file is?"}, "new.ans\n",
     "Answer file is? [old.ans] > new.ans\n=> [new.ans]\n"},
    {"askfile empty", {"askfile:R:DB file: "}, "\n", "DB file: \n=> istat=1 open=F\n"},
};

TEST(AskIf, Answers)
{
    for (const IfCase& c : if_cases) {
        Scratch s;
        const RunResult r = run_piped(s, c.steps, c.input);
        EXPECT_EQ(r.out, c.want) << c.what;
    }
}

TEST(AskFile, OpensByMode)
{
    Scratch s;
    s.write("there", "x\n");
    const RunResult r = run_piped(s, {"askfile:R:F: ", "askfile:R:F: ", "askfile:U:F: "},
                                  "there\nmissing\nnew\n");
    EXPECT_EQ(r.out, "F: there\n=> istat=0 open=T\nF: missing\n"
                     "  Could not open file missing (No such file or directory) \n"
                     "=> istat=-1 open=F\nF: new\n=> istat=0 open=T\n");
    EXPECT_TRUE(std::filesystem::exists(s.dir / "new"));
}

// A file written whole (the DB files) that cannot be opened says why.
TEST(AskFile, WholeFileFailureGivesTheReason)
{
    Scratch s;
    const RunResult r = run_piped(s, {"askfile:W:F: "}, "no_folder/x.db\n");
    EXPECT_EQ(r.out, "F: no_folder/x.db\n"
                     "  Could not open file no_folder/x.db (No such file or directory) \n"
                     "=> istat=-1 open=F\n");
}

// A mode other than "R" or "U" opens nothing and reports the failure.
TEST(AskFile, UnknownModeFails)
{
    Scratch s;
    s.write("there", "x\n");
    const RunResult r = run_piped(s, {"askfile:Q:F: "}, "there\n");
    EXPECT_EQ(r.out, "F: there\n  Could not open file there \n=> istat=-1 open=F\n");
}

}  // namespace
