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

// Failures noted on the way are all named at the end, each once and in order, and the
// run ends with the most serious status noted; a fatal stop names them before its own.
TEST(AskPiped, FailuresNotedForTheEnd)
{
    struct Case {
        const char* what;
        std::vector<std::string> steps;
        std::string want;
        int status;
    } const cases[] = {
        {"none", {"stop:0"}, "", 0},
        {"one", {"failend:3:  not converged  ", "stop:0"}, "not converged\n", 3},
        {"lowest wins, each once",
         {"failend:3:late", "failend:2:refused", "failend:3:late", "failend:1:lost", "stop:0"},
         "late\nrefused\nlost\n", 1},
        {"a fatal stop names them first", {"failend:2:refused", "fail:*** stopped"},
         "refused\n*** stopped\n", 1},
        {"a stop with its own status keeps it", {"failend:2:refused", "stop:1"}, "", 1},
    };
    for (const Case& c : cases) {
        Scratch s;
        const RunResult r = run_piped(s, c.steps, "");
        EXPECT_EQ(r.out, c.want) << c.what;
        EXPECT_EQ(r.status, c.status) << c.what;
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

// A logical line stops at 1024 characters: one that would pass it is read to where its
// pieces end and refused whole, so no part of it answers and the next answer stays in step;
// the question is put again.
TEST(AskPiped, LogicalLineLimit)
{
    Scratch s;
    std::string input = "1,\\\n";                                   // placed at 1..3
    for (int k = 0; k < 7; ++k) input += std::string(128, ' ') + "\\\n";  // up to 899
    input += std::string(127, 'x') + "\\\n";                        // would pass 1024
    input += "5\n4\n6\n";                                          // 5 ends the long line
    s.write("f", input);
    const RunResult r = run_piped(s, {"echo:0", "file:f", "ask:I,I:N > ", "ask:I:M > "}, "");
    EXPECT_EQ(r.out,
              " *** ASK:  Answer line longer than 1024 characters refused: \"1,\"...\n"
              "=> 4|0\n=> 6\n");
}

// A batch run that refused an answer goes on with the next line as the keyboard would, but
// names the line and why on standard error at its end, each line once, and ends with status
// 2: a script's typing error looked like a clean run. At the keyboard the user sees the
// message and answers again: the run ends with 0.
TEST(AskPiped, RefusedAnswersNamedAtTheEnd)
{
    const std::string long_line = "1," + std::string(1100, ' ') + "2";
    const struct {
        const char* what;
        std::vector<std::string> steps;
        std::string input;
        std::string want;          // what the questions stored
        std::string reasons;       // the end of the output: standard error's lines
    } cases[] = {
        {"a field that does not evaluate", {"ask:I:N > ", "stop:0"}, "2O\n5\n", "=> 5\n",
         "Answer refused: \"2O\" (EVAL: O is not defined)\n"},
        {"the same line twice, named once", {"ask:I:N > ", "ask:I:M > ", "stop:0"},
         "2O\n5\n2O\n6\n", "=> 5\n=> 6\n",
         "Answer refused: \"2O\" (EVAL: O is not defined)\n"},
        {"two lines", {"ask:I,D:N > ", "stop:0"}, "1,x\n1,y+\n1,2\n", "=> 1|2\n",
         "Answer refused: \"1,x\" (EVAL: x is not defined)\n"
         "Answer refused: \"1,y+\" (EVAL: y is not defined)\n"},
        {"a line past 1024 characters", {"ask:I,I:N > ", "stop:0"},
         long_line.substr(0, 600) + "\\\n" + long_line.substr(600) + "\n3,4\n", "=> 3|4\n",
         "Answer refused: \"1,\"... (longer than 1024 characters)\n"},
        {"neither yes nor no", {"if:Go? ", "stop:0"}, "maybe\ny\n", "=> T\n",
         "Answer refused: \"maybe\" (not Y or N)\n"},
    };
    for (const auto& c : cases) {
        Scratch s;
        const RunResult r = run_piped(s, c.steps, c.input);
        EXPECT_EQ(stored(r.out), c.want) << c.what;
        ASSERT_GE(r.out.size(), c.reasons.size()) << c.what;
        EXPECT_EQ(r.out.substr(r.out.size() - c.reasons.size()), c.reasons) << c.what << r.out;
        EXPECT_EQ(r.status, 2) << c.what;
    }
    Scratch s;
    const RunResult t =
        run_pty(s, {"ask:I:N > ", "stop:0"}, {{"N > ", "2O\n"}, {"N > ", "5\n"}});
    EXPECT_EQ(stored(t.out), "=> 5\n");
    EXPECT_EQ(t.out.find("Answer refused"), std::string::npos);
    EXPECT_EQ(t.status, 0);
}

// A long answer reaches the batch transcript whole, however narrow the terminal type.
TEST(AskPiped, LongAnswerEchoedWhole)
{
    Scratch s;
    const std::string answer = "1," + std::string(100, ' ') + "2";
    const RunResult r = run_piped(s, {"ask:I,I:N > "}, answer + "\n");
    EXPECT_EQ(r.out, "N > " + answer + "\n=> 1|2\n");
}

// A script on standard input reaches the answer parser byte for byte, as the same lines do
// from an "@" file: no key of a line editor acts on it (a TAB completed file names and glued
// fields, ^A moved the cursor, the micro sign 0xB5 began a numeric argument where the user's
// settings make bytes above 127 Meta keys, a ^D byte ended the input, a CR accepted half a
// line), and each line is shown after its prompt (its controls made visible).
struct BytesCase {
    const char* what;
    std::vector<std::string> steps;
    std::string lines;
    std::string want;   // what the questions stored
};

const BytesCase bytes_cases[] = {
    {"TAB is no delimiter, so the field does not evaluate", {"ask:I,8A,D:N > "},
     "1\tAlpha\t1\n2,Beta,3\n", "=> 2|[Beta]|3\n"},
    {"TAB inside a text", {"ask:8A,I:N > "}, "a\tb,4\n", "=> [a\tb]|4\n"},
    {"control byte", {"ask:8A:N > "}, "x\001y\n", "=> [x\001y]\n"},
    {"micro sign is a letter", {"ask:D:N > "}, "\\=\xb5=2\n\xb5*3\n", "=> 6\n"},
    {"^D bytes are data", {"ask:8A,I:N > ", "ask:8A:M > ", "ask:I:K > "},
     "a\004b,5\n\004\n9\n", "=> [a\004b]|5\n=> [\004]\n=> 9\n"},
    {"CR LF line ends", {"ask:I:N > ", "ask:I:M > "}, "5\r\n6\r\n", "=> 5\n=> 6\n"},
    {"bytes above 127 in a text", {"ask:8A:N > "}, "\xe9t\xe9\n", "=> [\xe9t\xe9]\n"},
};

// What the screen shows of text: its C0 controls but TAB as ^@ .. ^_.
std::string caret(const std::string& text)
{
    std::string r;
    for (const char c : text) {
        if (static_cast<unsigned char>(c) >= 0x20 || c == '\t' || c == '\n') {
            r += c;
        } else {
            r += '^';
            r += static_cast<char>(c + 64);
        }
    }
    return r;
}

TEST(AskPiped, BytesAreDataAsInAnIndirectFile)
{
    for (const BytesCase& c : bytes_cases) {
        Scratch s;
        s.write("inputrc", "set convert-meta on\n");
        const RunResult piped =
            run_piped(s, c.steps, c.lines, {"INPUTRC=" + (s.dir / "inputrc").string()});
        EXPECT_EQ(stored(piped.out), caret(c.want)) << c.what;
        std::size_t from = 0;
        for (std::size_t end; (end = c.lines.find('\n', from)) != std::string::npos; from = end + 1) {
            std::string line = c.lines.substr(from, end - from);
            if (!line.empty() && line.back() == '\r') line.pop_back();
            EXPECT_NE(piped.out.find("> " + caret(line) + "\n"), std::string::npos) << c.what;
        }
        s.write("f", c.lines);
        std::vector<std::string> steps{"echo:0"};
        steps.insert(steps.end(), c.steps.begin(), c.steps.end());
        EXPECT_EQ(stored(run_piped(s, steps, "@f\n").out), caret(c.want)) << c.what << " (@ file)";
    }
}

// A user's line-editor settings are for the keyboard: a script is read without them.
TEST(AskPiped, InputrcDoesNotApply)
{
    Scratch s;
    s.write("inputrc", "\"5\": \"7\"\n");
    const RunResult r =
        run_piped(s, {"ask:I:N > "}, "5\n", {"INPUTRC=" + (s.dir / "inputrc").string()});
    EXPECT_EQ(r.out, "N > 5\n=> 5\n");
}

// Nothing past an answer is read: a shell command reads the script's next line itself.
TEST(AskPiped, ShellReadsTheNextLine)
{
    Scratch s;
    const RunResult r =
        run_piped(s, {"ask:I:N > "}, "$read x; echo \"got $x\"\nfor the shell\n7\n");
    EXPECT_EQ(r.out, "N > $read x; echo \"got $x\"\ngot for the shell\nN > 7\n=> 7\n");
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

// ^D at a question ends the input as the end of a script does: that question and every
// later one read an empty answer without waiting. At the calculator it does the same: the
// question put again reads an empty answer. In the help browser it ends only the browser,
// and the question is put again.
TEST(AskPty, EndOfInputAtTerminal)
{
    Scratch s;
    s.write("users.hlp", "1 ALPHA\n text\n");
    const struct {
        const char* what;
        std::vector<std::string> steps;
        std::vector<Typed> typed;
        const char* want;         // what the questions stored, then the last end-of-input flag
        const char* transcript;   // the whole screen, when given
    } cases[] = {
        {"at a question", {"ask:I=4:N > ", "eof", "askd:I=4:M > ", "eof"}, {{"N > ", "\x04"}},
         "=> 0\n=> 4\neof=T", "N > \n=> 0\neof=T\nM > {4} \n=> 4\neof=T\n"},
        {"at the calculator", {"ask:I=4:N > ", "eof", "ask:I:M > "},
         {{"N > ", "\\C\n"}, {"CALC> ", "\x04"}}, "=> 0\n=> 0\neof=T",
         "N > \\C\nCALC> \nN > \n=> 0\neof=T\nM > \n=> 0\n"},
        {"in the help browser", {"help:" + s.dir.string() + ",users", "ask:I:N > ", "eof"},
         {{"N > ", "??\n"}, {"topic? ", "\x04"}, {"N > ", "6\n"}}, "=> 6\neof=F", nullptr},
    };
    for (const auto& c : cases) {
        const RunResult r = run_pty(s, c.steps, c.typed);
        const std::size_t flag = r.out.rfind("eof=");
        ASSERT_NE(flag, std::string::npos) << c.what;
        EXPECT_EQ(stored(r.out) + r.out.substr(flag, 5), c.want) << c.what;
        if (c.transcript != nullptr) {
            EXPECT_EQ(r.out, c.transcript) << c.what;
        }
        EXPECT_EQ(r.status, 0) << c.what;
    }
}

// At a terminal the answers are kept for recall, but only the last 2000 of them, so a long
// session neither fills the memory nor slows down. M-< recalls the oldest line kept.
TEST(AskPty, HistoryKeepsTheLastLines)
{
    Scratch s;
    std::vector<Typed> typed;
    for (int k = 1; k <= 2005; ++k) typed.push_back({"N > ", std::to_string(k) + "\n"});
    typed.push_back({"N > ", "\x1b<\n"});
    const RunResult r = run_pty(s, {"repeat:2006:ask:I:N > "}, typed);
    const std::string got = stored(r.out);
    ASSERT_GE(got.size(), 5u);
    EXPECT_EQ(got.substr(got.rfind("=> ")), "=> 6\n");
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
