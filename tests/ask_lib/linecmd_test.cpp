// linecmd_test.cpp -- answer-line commands: journals and their replay, loops, the calculator,
// "\=" assignments, the shell, delimiters, suspension, typed files, messages.

#include <gtest/gtest.h>

#include "ask_run.h"

namespace {

// A journal keeps prompts as comments, answers indented, and commands, comments and
// messages in the first column, so replaying it answers the same questions in step.
TEST(Journal, WritesAndReplays)
{
    Scratch s;
    const RunResult w = run_piped(s, {"repeat:3:ask:I:N > "},
                                  "@+j.txt\n5\n!note\n\"msg\n\\E\n6\n@-\n7\n");
    EXPECT_EQ(stored(w.out), "=> 5\n=> 6\n=> 7\n");
    EXPECT_EQ(s.read("j.txt"),
              "!! N > \n 5\n!! N > \n!note\n!! N > \n\"msg\n!! N > \n\\E\n!! N > \n 6\n");
    const RunResult r = run_piped(s, {"echo:0", "repeat:2:ask:I:N > "}, "@j.txt\n");
    EXPECT_EQ(r.out, "N > @j.txt\n=> 5\n!! N >\n 6\n=> 6\n");   // "\\E" replayed too
}

// A continued answer goes in as its pieces alone, the first one too: a prompt comment or
// an indent between them would end the answer early or land inside it, and an indent before
// them would make the replayed line one character longer than the one typed.
TEST(Journal, ContinuedLinesReplayWhole)
{
    Scratch s;
    const std::vector<std::string> steps{"ask:8A,I:N > ", "ask:I:M > "};
    run_piped(s, steps, "@+j.txt\nab\\\ncd,\\\n4\n5\n");
    EXPECT_EQ(s.read("j.txt"), "!! N > \nab\\\ncd,\\\n4\n!! M > \n 5\n");
    const RunResult r = run_piped(s, steps, "@j.txt\n");
    EXPECT_EQ(stored(r.out), "=> [abcd]|4\n=> 5\n");
}

TEST(Journal, PromptsOffAndReplaced)
{
    Scratch s;
    run_piped(s, {"repeat:4:ask:I:N > "}, "@+a.txt\n1\n@+b.txt\n\\-N\n2\n\\N\n3\n4\n");
    EXPECT_EQ(s.read("a.txt"), "!! N > \n 1\n");    // switching journals is in neither
    EXPECT_EQ(s.read("b.txt"), "!! N > \n\\-N\n 2\n\\N\n!! N > \n 3\n!! N > \n 4\n");
}

// A calculator session goes into the journal as a comment and "\=" lines, so the journal
// replays in step in batch (where "\C" would read the file's next lines) and at the
// keyboard (where it would wait at "CALC> ").
TEST(Journal, CalculatorReplaysInStep)
{
    Scratch s;
    const std::vector<std::string> steps{"echo:0", "ask:I:N > ", "ask:I:M > "};
    const RunResult w = run_pty(s, steps,
                                {{"N > ", "@+j.txt\n"}, {"N > ", "\\C\n"}, {"CALC> ", "x=3\n"},
                                 {"CALC> ", "\\Q\n"}, {"N > ", "\\c\n"},
                                 {"CALC> ", "nosuch\n"}, {"CALC> ", "\n"}, {"N > ", "x+1\n"},
                                 {"M > ", "\\c\n"}, {"CALC> ", "\\=y=x+2\n"}, {"M > ", "y\n"}});
    EXPECT_EQ(stored(w.out), "=> 4\n=> 5\n");
    const std::string journal = s.read("j.txt");
    EXPECT_EQ(journal, "!! N > \n!\\C\n!! CALC> \n\\=x=3\n!! N > \n!\\c\n!! CALC> \n"
                       "\\=nosuch\n!! N > \n x+1\n!! M > \n!\\c\n!! CALC> \n\\=y=x+2\n"
                       "!! M > \n y\n");
    const RunResult batch = run_piped(s, steps, "@j.txt\n");
    EXPECT_EQ(stored(batch.out), "=> 4\n=> 5\n");
    const RunResult piped = run_piped(s, steps, journal);
    EXPECT_EQ(stored(piped.out), "=> 4\n=> 5\n");
    const RunResult typed = run_pty(s, steps, {{"N > ", "@j.txt\n"}});
    EXPECT_EQ(stored(typed.out), "=> 4\n=> 5\n");
    EXPECT_EQ(typed.out.find("CALC> "), std::string::npos);
}

// "0+0+...+12" of n characters (a leading zero of 012 makes n odd): a character or two cut
// from its end changes the value, or leaves a line that does not evaluate.
std::string sum_of_length(std::size_t n)
{
    std::string t = n % 2 == 0 ? "12" : "012";
    while (t.size() < n) t = "0+" + t;
    return t;
}

// A journal replays every accepted line whole. A full-width answer has no room for the blank
// that indents answers, and a calculator line of 131 or 132 characters none for its "\=":
// both were cut by a character or two on replay. A prompt ending in "\" made its comment
// line continue into the answer after it.
TEST(Journal, FullWidthLinesReplayWhole)
{
    std::string first_of_two;                     // 132 characters, continued
    while (first_of_two.size() < 130) first_of_two += "0+";
    first_of_two += "0\\";
    const struct {
        const char* what;
        std::vector<std::string> steps;
        std::vector<Typed> typed;       // after "@+j.txt" at the first "N > "
        const char* want;
    } cases[] = {
        {"answer of 131", {"ask:D:N > "}, {{"N > ", sum_of_length(131) + "\n"}}, "=> 12\n"},
        {"answer of 132", {"ask:D:N > "}, {{"N > ", sum_of_length(132) + "\n"}}, "=> 12\n"},
        {"continued from a line of 132", {"ask:D:N > ", "ask:I:M > "},
         {{"N > ", first_of_two + "\n"}, {"N > ", "+12\n"}, {"M > ", "7\n"}}, "=> 12\n=> 7\n"},
        {"calculator line of 131", {"ask:D:N > "},
         {{"N > ", "\\C\n"}, {"CALC> ", "v=" + sum_of_length(129) + "\n"}, {"CALC> ", "\n"},
          {"N > ", "v\n"}}, "=> 12\n"},
        {"calculator line of 132", {"ask:D:N > "},
         {{"N > ", "\\C\n"}, {"CALC> ", "v=" + sum_of_length(130) + "\n"}, {"CALC> ", "\n"},
          {"N > ", "v\n"}}, "=> 12\n"},
        {"calculator line ending in a backslash", {"ask:D:N > ", "ask:I:M > "},
         {{"N > ", "\\C\n"}, {"CALC> ", "w=2\\\n"}, {"CALC> ", "w=3\n"}, {"CALC> ", "\n"},
          {"N > ", "w\n"}, {"M > ", "4\n"}}, "=> 3\n=> 4\n"},
        {"prompt ending in a backslash", {"ask:I:N\\", "ask:I:M > "},
         {{"N\\ ", "5\n"}, {"M > ", "6\n"}}, "=> 5\n=> 6\n"},
    };
    for (const auto& c : cases) {
        Scratch s;
        std::vector<Typed> typed{{c.typed[0].expect, "@+j.txt\n"}};
        typed.insert(typed.end(), c.typed.begin(), c.typed.end());
        const RunResult w = run_pty(s, c.steps, typed);
        EXPECT_EQ(stored(w.out), c.want) << c.what;
        std::vector<std::string> steps{"echo:0"};
        steps.insert(steps.end(), c.steps.begin(), c.steps.end());
        const RunResult r = run_piped(s, steps, "@j.txt\n");
        EXPECT_EQ(stored(r.out), c.want) << c.what << "\n" << s.read("j.txt");
    }
}

// A logical line of n characters that tells every position apart (no blank, no delimiter).
std::string marked_line(std::size_t n)
{
    constexpr std::string_view marks = "abcdefghijklmnopqrstuvwxyz0123456789+-*/";
    std::string t;
    for (std::size_t i = 0; i < n; ++i) t += marks[i % marks.size()];
    return t;
}

// Every logical line up to the limit, split into physical lines of w characters and a "\"
// (the last without), replays from a journal to the characters typed. The journal put the
// indent of an answer before a continued one too, so that a line of 512 lost its last
// character to the parse on replay and one of 1024 was refused; a physical line of more than
// 132 characters was cut. Only an answer of one physical line with room for the indent keeps
// it, which the parse skips.
TEST(Journal, EveryLengthAndWidthReplaysAsTyped)
{
    for (const std::size_t n : {1, 131, 132, 133, 511, 512, 513, 1023, 1024}) {
        for (const std::size_t w : {37, 100, 131, 132}) {
            const std::string text = marked_line(n);
            std::vector<Typed> typed{{"N > ", "@+k.jou\n"}};
            for (std::size_t at = 0; at < n; at += w) {
                const bool last = at + w >= n;
                typed.push_back({"N > ", text.substr(at, w) + (last ? "\n" : "\\\n")});
            }
            const std::string what = std::to_string(n) + " by " + std::to_string(w);
            Scratch s;
            const RunResult t = run_pty(s, {"ask:1A:N > ", "line"}, typed);
            EXPECT_NE(t.out.find("line=[" + text + "]\n"), std::string::npos) << what;
            const std::string indent = n <= w && n < 132 ? " " : "";
            const RunResult r = run_piped(s, {"echo:0", "ask:1A:N > ", "line"}, "@k.jou\n");
            EXPECT_EQ(r.out, "N > @k.jou\n=> [" + text.substr(0, 1) + "]\nline=[" + indent + text +
                                 "]\n")
                << what << "\n" << s.read("k.jou");
        }
    }
}

// A physical line longer than 132 characters is read whole from every source: the
// parameter card below has its step in columns 133 to 136, and a cut made it 0.
TEST(AskSources, LongPhysicalLineReadWhole)
{
    const std::string card = "3 Freq" + std::string(120, ' ') + "1.98 0.01 0 0";
    ASSERT_EQ(card.size(), 139u);
    const std::vector<std::string> steps{"echo:0", "ask:I,8A,D,D,D,D:Par > "};
    const std::string want = "=> 3|[Freq]|1.98|0.01|0|0\n";
    {
        Scratch s;                                            // piped, as a batch script
        EXPECT_EQ(stored(run_piped(s, steps, "\\D \n" + card + "\n").out), want) << "piped";
    }
    {
        Scratch s;                                            // from an "@" file
        s.write("card.kav", "\\D \n" + card + "\n");
        EXPECT_EQ(stored(run_piped(s, steps, "@card.kav\n").out), want) << "@ file";
    }
    {
        Scratch s;                                            // typed into a journal, replayed
        const RunResult t = run_pty(s, steps, {{"Par > ", "@+k.jou\n"}, {"Par > ", "\\D \n"},
                                               {"Par > ", card + "\n"}});
        EXPECT_EQ(stored(t.out), want) << "typed";
        EXPECT_EQ(stored(run_piped(s, steps, "@k.jou\n").out), want) << "journal\n"
                                                                       << s.read("k.jou");
    }
}

// Opening or closing a journal is never journalled, so replaying one neither truncates
// another nor closes the journal open during the replay.
TEST(Journal, ReplayLeavesOtherJournalsAlone)
{
    Scratch s;
    run_piped(s, {"repeat:3:ask:I:N > "}, "@+j.txt\n5\n@+x.txt\n6\n@-\n7\n");
    EXPECT_EQ(s.read("j.txt"), "!! N > \n 5\n");
    EXPECT_EQ(s.read("x.txt"), "!! N > \n 6\n");
    const RunResult r = run_piped(s, {"echo:0", "repeat:2:ask:I:N > "}, "@+k.txt\n@j.txt\n8\n");
    EXPECT_EQ(stored(r.out), "=> 5\n=> 8\n");
    EXPECT_EQ(s.read("x.txt"), "!! N > \n 6\n");
    EXPECT_EQ(s.read("k.txt"), "!! N > \n@j.txt\n!! N > \n 8\n");
}

// "\L" runs the lines before it again; K goes 0 -> 4 with a count of 3.
TEST(Loop, RunsCountMoreTimes)
{
    Scratch s;
    s.write("loop", "\\=k=k+1\n\\L 3\nnever read\n");
    const RunResult r = run_piped(s, {"echo:0", "ask:D:N > "}, "\\=k=0\n@loop\nk\n");
    EXPECT_EQ(stored(r.out), "=> 4\n");
}

TEST(Loop, CountZeroRunsTwice)
{
    Scratch s;
    s.write("loop", "\\=k=k+1\n\\L 0\n");
    const RunResult r = run_piped(s, {"echo:0", "ask:D:N > "}, "\\=k=0\n@loop\nk\n");
    EXPECT_EQ(stored(r.out), "=> 2\n");
}

TEST(Loop, OverCallerUnit)
{
    Scratch s;
    s.write("c", "\\=k=k+1\n\\L 1\n");
    const RunResult r = run_piped(s, {"echo:0", "ask:D:A > ", "unit:30:c", "indir:1,30",
                                      "ask:D:B > "},
                                  "\\=k=0\n1\nk\n");
    EXPECT_EQ(stored(r.out), "=> 1\n=> 2\n");
}

// A loop whose file is closed by other means is forgotten: the next file to end is closed,
// not rewound.
TEST(Loop, ForgottenWhenItsFileCloses)
{
    Scratch s;
    s.write("loop", "7\n\\L 5\n");
    s.write("other", "1\n2\n");
    const RunResult r = run_piped(s, {"echo:0", "ask:I:N > ", "ask:I:N > ", "indir:0,0",
                                      "repeat:3:ask:I:N > "},
                                  "@loop\n@other\n4\n");
    EXPECT_EQ(stored(r.out), "=> 7\n=> 7\n=> 1\n=> 2\n=> 4\n");
}

// A file opened inside the loop's file ends as any file does; only the loop's own file is
// rewound.
TEST(Loop, NestedFileEndsNormally)
{
    Scratch s;
    s.write("loop", "@inner\n\\L 1\n");
    s.write("inner", "1\n");
    const RunResult r = run_piped(s, {"echo:0", "repeat:3:ask:I:N > "}, "@loop\n9\n");
    EXPECT_EQ(stored(r.out), "=> 1\n=> 1\n=> 9\n");
}

TEST(Assign, DefinesVariables)
{
    Scratch s;
    const RunResult r = run_piped(s, {"ask:D:N > "}, "\\=x=2*PI\nx/2\n");
    EXPECT_EQ(r.out, "N > \\=x=2*PI\nN > x/2\n=> 3.141592654\n");
}

TEST(Assign, ShowsValueAtTerminal)
{
    Scratch s;
    const RunResult r =
        run_pty(s, {"ask:D:N > "}, {{"N > ", "\\=x=2*PI\n"}, {"N > ", "x/2\n"}});
    EXPECT_EQ(r.out, "N > \\=x=2*PI\n       6.2831853    \nN > x/2\n=> 3.141592654\n");
}

TEST(Calculator, AtTerminal)
{
    Scratch s;
    const RunResult r = run_pty(s, {"ask:I:N > "},
                                {{"N > ", "\\C\n"}, {"CALC> ", "1+1\n"}, {"CALC> ", "\n"},
                                 {"N > ", "\\c\n"}, {"CALC> ", "\\=y=3\n"},
                                 {"N > ", "\\C\n"}, {"CALC> ", "\\Q\n"}, {"N > ", "y\n"}});
    EXPECT_EQ(r.out, "N > \\C\nCALC> 1+1\n       2.0000000    \nCALC> \n"
                     "N > \\c\nCALC> \\=y=3\n       3.0000000    \n"
                     "N > \\C\nCALC> \\Q\nN > y\n=> 3\n");
}

// In batch the calculator reads the innermost file's lines, shows nothing, and ends at an
// empty line; without a file it ends at once.
TEST(Calculator, InBatch)
{
    Scratch s;
    s.write("f", "\\C\ny=5\n\n8\n");
    const RunResult r = run_piped(s, {"echo:0", "ask:I:N > ", "ask:I:M > ", "ask:I:K > "},
                                  "@f\n\\C\ny\n2\n");
    EXPECT_EQ(r.out, "N > @f\n=> 8\nM > \\C\nM > y\n=> 5\nK > 2\n=> 2\n");
}

TEST(Shell, RunsAndAsksAgain)
{
    Scratch s;
    const RunResult r = run_piped(s, {"ask:I:N > "}, "$echo hi there\n5\n");
    EXPECT_EQ(r.out, "N > $echo hi there\nhi there\nN > 5\n=> 5\n");
}

TEST(Delims, AddRemoveAndIgnore)
{
    Scratch s;
    const RunResult r =
        run_piped(s, {"ask:I,I:A > ", "ask:I,I:B > ", "ask:I:C > ", "ask:I,I:D > "},
                  "\\d;\n5;6\n\\-d;\n,9\n\\g~\n~5\n\\dx\n3x4\n");
    EXPECT_EQ(stored(r.out), "=> 5|6\n=> 0|9\n=> 5\n=> 3|4\n");   // "\\dx" adds x, not X
}

TEST(Delims, IgnoredSetShownAtTerminal)
{
    Scratch s;
    const RunResult r = run_pty(s, {"ask:I:N > "}, {{"N > ", "\\g~\n"}, {"N > ", "~5\n"}});
    EXPECT_EQ(r.out, "N > \\g~\n ASK ignored characters are now [[]~]\nN > ~5\n=> 5\n");
}

TEST(Suspend, AndResume)
{
    Scratch s;
    s.write("f", "1\n\\-@\n3\n");
    const RunResult r = run_piped(s, {"repeat:3:ask:I:N > "}, "@f\n2\n\\@\n");
    EXPECT_EQ(r.out, "N > @f\n1\n=> 1\n\\-@\n"
                     " *** ASK:  Indirect input Suspended by \"\\-@\" command.  Resume with "
                     "\"\\@\"  ***\nN > 2\n=> 2\nN > \\@\n3\n=> 3\n");
}

TEST(CallerUnit, LeftByMinusI)
{
    Scratch s;
    s.write("c", "\\-I\n6\n");
    const RunResult r = run_piped(s, {"echo:0", "unit:30:c", "indir:1,30", "ask:I:N > "}, "9\n");
    EXPECT_EQ(r.out, "N > 9\n=> 9\n");
}

TEST(Unknown, CommandAtTerminalOnly)
{
    Scratch s;
    const RunResult t = run_pty(s, {"ask:I:N > "}, {{"N > ", "\\q\n"}, {"N > ", "1\n"}});
    EXPECT_EQ(t.out, "N > \\q\n *** ASK:  Unknown Command \"\\Q\"\nN > 1\n=> 1\n");
    const RunResult b = run_piped(s, {"ask:I:N > "}, "\\q\n1\n");
    EXPECT_EQ(b.out, "N > \\q\nN > 1\n=> 1\n");
}

TEST(TypeFile, ShowsLinesAndFailures)
{
    Scratch s;
    s.write("t.txt", "line one\nline two\n");
    const RunResult r = run_pty(s, {"ask:I:N > "},
                                {{"N > ", "\\Tt.txt\n"}, {"N > ", "\\T\n"},
                                 {"Filename to TYPE? ", "nosuch\n"}, {"N > ", "2\n"}});
    const std::string pad(71, ' ');           // each line fills its 80 columns
    EXPECT_EQ(r.out, "N > \\Tt.txt\n line one" + pad + "\n line two" + pad +
                         "\nN > \\T\nFilename to TYPE? nosuch\n"
                     " *** ASK:  Cannot Open nosuch                           on LUN 84\n"
                     "N > 2\n=> 2\n");
}

// Message lines from a file reach the user at the keyboard; in batch, or typed, they show
// nothing.
TEST(Message, FromFileAtTerminal)
{
    Scratch s;
    s.write("m", "\"Hello there\n5\n");
    const RunResult r = run_pty(s, {"echo:0", "ask:I:N > "}, {{"N > ", "@m\n"}});
    EXPECT_EQ(r.out, "N > @m\n \"Hello there\n=> 5\n");
    const RunResult b = run_piped(s, {"echo:0", "ask:I:N > "}, "@m\n");
    EXPECT_EQ(b.out, "N > @m\n=> 5\n");
    const RunResult t = run_pty(s, {"ask:I:N > "}, {{"N > ", "\"typed\n"}, {"N > ", "1\n"}});
    EXPECT_EQ(t.out, "N > \"typed\nN > 1\n=> 1\n");          // typed: shows nothing
}

// A saved not-a-number reloads as one, also where a variable SQRT hides the function.
TEST(SaveVariables, NotANumberWhateverIsDefined)
{
    Scratch s;
    run_piped(s, {"ask:I:N > "}, "\\=n=0/0\n\\=big=-1e308*10\n@#v.txt\n1\n");
    const RunResult r =
        run_piped(s, {"echo:0", "ask:D:N > ", "ask:D:M > "}, "\\=sqrt=4\n@v.txt\nn\nbig\n");
    const std::string got = stored(r.out);
    EXPECT_TRUE(got == "=> nan\n=> -inf\n" || got == "=> -nan\n=> -inf\n") << got;
}

// "@#" writes the variables as "\=" lines; replaying the file defines them again.
TEST(SaveVariables, ReplayDefines)
{
    Scratch s;
    run_piped(s, {"ask:I:N > "}, "\\=zz=7.25\n@#v.txt\n1\n");
    const RunResult r = run_piped(s, {"echo:0", "ask:D:N > "}, "@v.txt\nzz\n");
    EXPECT_EQ(stored(r.out), "=> 7.25\n");
}

}  // namespace
