// askq_test.cpp -- the question engine driven as the programs drive it: through a pipe
// (batch) and through a pseudo-terminal, with indirect files in a scratch directory.

#include <gtest/gtest.h>

#include "ask_run.h"

namespace {

struct PipedCase {
    const char* what;
    std::vector<std::string> steps;
    const char* input;
    std::string want;   // the whole transcript
};

// Answers typed on standard input: the transcript shows each prompt with the answer echoed
// after it, then what the question stored.
const PipedCase piped_cases[] = {
    {"two fields", {"ask:I,I:N > "}, "5,6\n", "N > 5,6\n=> 5|6\n"},
    {"missing field takes the default", {"ask:I,I:N > "}, "5\n", "N > 5\n=> 5|0\n"},
    {"surplus field ignored", {"ask:I,I:N > "}, "5,6,7\n", "N > 5,6,7\n=> 5|6\n"},
    {"shown values kept on empty", {"askd:I=10:Bins > "}, "\n", "Bins > {10} \n=> 10\n"},
    {"shown values replaced", {"askd:I=10,I=3:Bins > "}, ",4\n",
     "Bins > {10, 3} ,4\n=> 10|4\n"},
    {"empty answer length", {"asks:8A=old:Name > "}, "\n", "Name > \n=> [] nch=0\n"},
    {"answer length", {"asks:8A:Name > "}, "abc\n", "Name > abc\n=> [abc] nch=3\n"},
    {"prompt gets a blank", {"ask:I:N>"}, "1\n", "N> 1\n=> 1\n"},
    {"continued line", {"ask:I,I:N > "}, "1,\\\n2\n", "N > 1,\\\nN > 2\n=> 1|2\n"},
    {"three pieces", {"ask:3I:N > "}, "1,\\\n2,\\\n3\n", "N > 1,\\\nN > 2,\\\nN > 3\n=> 1 2 3\n"},
    // An empty physical line ends the logical line and drops the pending backslash.
    {"empty continuation", {"ask:I,I:N > ", "ask:I:M > "}, "4,\\\n\n7\n",
     "N > 4,\\\nN > \n=> 4|0\nM > 7\n=> 7\n"},
    {"empty first line", {"ask:I:N > ", "ask:I:M > "}, "\n8\n", "N > \n=> 0\nM > 8\n=> 8\n"},
    {"bad field asked again", {"ask:I,I:N > "}, "3,nosuch\n1,2\n",
     "N > 3,nosuch\n EVAL: nosuch is not defined" + std::string(53, ' ') + "\n  \"nosuch\"\n"
     "N > 1,2\n=> 1|2\n"},
    {"comment skipped", {"ask:I:N > "}, "!not an answer\n9\n", "N > !not an answer\nN > 9\n=> 9\n"},
    {"typed message shows nothing", {"ask:I:N > "}, "\"hello\n9\n", "N > \"hello\nN > 9\n=> 9\n"},
    {"no fields: prompt only", {"ask0:Just a line", "ask:I:N > "}, "2\n",
     " Just a line\nN > 2\n=> 2\n"},
};

TEST(AskPiped, Transcripts)
{
    for (const PipedCase& c : piped_cases) {
        Scratch s;
        const RunResult r = run_piped(s, c.steps, c.input);
        EXPECT_EQ(r.out, c.want) << c.what;
        EXPECT_EQ(r.status, 0) << c.what;
    }
}

// Once standard input is exhausted every question reads an empty answer, and says so.
TEST(AskPiped, EndOfInput)
{
    Scratch s;
    const RunResult r = run_piped(s, {"eof", "ask:I=5:N > ", "eof", "ask:I=5:N > ", "eof",
                                      "askd:I=5:K > "},
                                  "3");
    EXPECT_EQ(r.out, "eof=F\nN > 3\n=> 3\neof=F\nN > \n=> 0\neof=T\nK > {5} \n=> 5\n");
    EXPECT_EQ(r.status, 0);
}

TEST(AskPiped, BatchIsNotInteractive)
{
    Scratch s;
    s.write("f", "1\n");
    const RunResult r = run_piped(s, {"interact", "file:f", "interact", "ask0:hidden"}, "");
    EXPECT_EQ(r.out, "interact=F\ninteract=F\n");
}

// Answers from indirect files are echoed; a file that ends in the middle of a sequence of
// questions hands over to the next source.
TEST(AskPiped, NestedIndirectFiles)
{
    Scratch s;
    s.write("outer", "1\n@inner\n4\n");
    s.write("inner", "2\n3\n");
    const RunResult r = run_piped(s, {"repeat:5:ask:I:N > "}, "@outer\n5\n");
    EXPECT_EQ(r.out, "N > @outer\n1\n=> 1\n@inner\n2\n=> 2\n3\n=> 3\n4\n=> 4\nN > 5\n=> 5\n");
}

TEST(AskPiped, ContinuedLineFromFileEchoesPlus)
{
    Scratch s;
    s.write("f", "1,\\\n2\n");
    const RunResult r = run_piped(s, {"file:f", "ask:I,I:N > "}, "");
    EXPECT_EQ(r.out, "1,\\\n+2\n=> 1|2\n");
}

TEST(AskPiped, EchoOff)
{
    Scratch s;
    s.write("f", "1\n\\-E\n2\n\\E\n3\n");
    const RunResult r = run_piped(s, {"file:f", "repeat:3:ask:I:N > "}, "");
    EXPECT_EQ(r.out, "1\n=> 1\n\\-E\n=> 2\n3\n=> 3\n");
}

// The caller's unit comes first; at its end the flag drops and the unit stays open.
TEST(AskPiped, CallerUnit)
{
    Scratch s;
    s.write("c", "7\n");
    const RunResult r =
        run_piped(s, {"unit:30:c", "indir:1,30", "interact", "ask:I:N > ", "ask:I:N > "},
                  "8\n");
    EXPECT_EQ(r.out, "interact=F\n7\n=> 7\nN > 8\n=> 8\n");
}

// set_ask_indir(0, 0) drops one level; the question then reads the outer source.
TEST(AskPiped, DropOneLevel)
{
    Scratch s;
    s.write("outer", "1\n@inner\n3\n");
    s.write("inner", "2\n9\n");
    const RunResult r = run_piped(s, {"file:outer", "ask:I:N > ", "ask:I:N > ", "indir:0,0",
                                      "ask:I:N > "},
                                  "");
    EXPECT_EQ(r.out, "1\n=> 1\n@inner\n2\n=> 2\n3\n=> 3\n");
}

// Eleven nested files stop a batch run with status 1 after the message, which standard
// error repeats as the reason.
const std::string too_deep = "\n *** ASK:  Attempt to nest Indirect files more than 10 deep ***\n\n"
                             "*** ASK:  Attempt to nest Indirect files more than 10 deep ***\n";

TEST(AskPiped, NestingPastTenStops)
{
    Scratch s;
    s.write("self", "@self\n");
    const RunResult r = run_piped(s, {"ask:I:N > ", "ask:I:M > "}, "@self\n");
    const std::string& msg = too_deep;
    ASSERT_GE(r.out.size(), msg.size());
    EXPECT_EQ(r.out.substr(r.out.size() - msg.size()), msg);
    EXPECT_EQ(r.status, 1);
}

TEST(AskPiped, SetAskFileNestingStops)
{
    Scratch s;
    s.write("f", "1\n");
    std::vector<std::string> steps(11, "file:f");
    const RunResult r = run_piped(s, steps, "");
    EXPECT_EQ(r.out, too_deep);
    EXPECT_EQ(r.status, 1);
}

// In batch a missing indirect file is passed over silently; the question reads on.
TEST(AskPiped, MissingFileBatch)
{
    Scratch s;
    const RunResult r = run_piped(s, {"ask:I:N > "}, "@nosuch\n6\n");
    EXPECT_EQ(r.out, "N > @nosuch\nN > 6\n=> 6\n");
}

// A logical line stops at 1024 characters: the piece that would pass it is dropped, and
// the line still ends where its pieces end, so the next answer stays in step.
TEST(AskPiped, LogicalLineLimit)
{
    Scratch s;
    std::string input = "1,\\\n";                                   // placed at 1..3
    for (int k = 0; k < 7; ++k) input += std::string(128, ' ') + "\\\n";  // up to 899
    input += std::string(127, 'x') + "\\\n";                        // would pass 1024
    input += "5\n4\n";
    s.write("f", input);
    const RunResult r = run_piped(s, {"echo:0", "file:f", "ask:I,I:N > ", "ask:I:M > "}, "");
    EXPECT_EQ(r.out,
              " *** ASK:  Answer line longer than 1024 characters, line dropped\n"
              "=> 1|0\n=> 4\n");
}

// A long answer reaches the batch transcript whole, however narrow the terminal type.
TEST(AskPiped, LongAnswerEchoedWhole)
{
    Scratch s;
    const std::string answer = "1," + std::string(100, ' ') + "2";
    const RunResult r = run_piped(s, {"ask:I,I:N > "}, answer + "\n");
    EXPECT_EQ(r.out, "N > " + answer + "\n=> 1|2\n");
}

// ---- At a terminal ---------------------------------------------------------------------

TEST(AskPty, PromptAndAnswer)
{
    Scratch s;
    const RunResult r = run_pty(s, {"interact", "ask:I,I:N > ", "askd:I=10:Bins > "},
                                {{"N > ", "5,6\n"}, {"Bins > {10} ", "\n"}});
    EXPECT_EQ(r.out, "interact=T\nN > 5,6\n=> 5|6\nBins > {10} \n=> 10\n");
}

TEST(AskPty, ReadlineSeesEightyCharacters)
{
    Scratch s;
    const std::string prompt(100, 'p');
    const RunResult r = run_pty(s, {"ask:I:" + prompt}, {{std::string(80, 'p'), "1\n"}});
    EXPECT_EQ(r.out, std::string(80, 'p') + "1\n=> 1\n");
}

TEST(AskPty, EndOfInputAtTerminal)
{
    Scratch s;
    const RunResult r = run_pty(s, {"ask:I=4:N > ", "eof"}, {{"N > ", "\x04"}});
    EXPECT_EQ(r.out, "N > \n=> 0\neof=T\n");
}

TEST(AskPty, MissingFileInteractive)
{
    Scratch s;
    const RunResult r = run_pty(s, {"ask:I:N > "}, {{"N > ", "@nosuch\n"}, {"N > ", "3\n"}});
    EXPECT_EQ(r.out, "N > @nosuch\n *** ASK:  Cannot Open # 1 Indirect file on LUN 82: nosuch"
                     "                          \nN > 3\n=> 3\n");
}

TEST(AskPty, NestingPastTenReplacesInteractively)
{
    Scratch s;
    s.write("last", "42\n");
    for (int k = 1; k <= 9; ++k)
        s.write("f" + std::to_string(k), "@f" + std::to_string(k + 1) + "\n");
    s.write("f10", "@last\n");
    const RunResult r = run_pty(s, {"echo:0", "ask:I:N > ", "interact"}, {{"N > ", "@f1\n"}});
    EXPECT_EQ(r.out, "N > @f1\n\n *** ASK:  Attempt to nest Indirect files more than 10 deep ***"
                     "\n\n=> 42\ninteract=F\n");
    EXPECT_EQ(r.status, 0);
}

}  // namespace
