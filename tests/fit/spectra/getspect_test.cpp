// getspect_test.cpp -- the "SPECT: " dialog driven through standard input, in batch (a
// pipe) and interactively (a pseudo-terminal), on run files written for each test.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "ask.h"
#include "dialog_run.h"
#include "getspect.h"
#include "run_file.h"
#include "run_records.h"
#include "titles.h"

namespace {

// A run of four histograms of 100 bins of 10 ns: t0 at 10, good 12..99, background 1..8.
struct RunFixture {
    std::string path;
    explicit RunFixture(const std::string& tag, RunSpec spec = {})
        : path(run_path(tag))
    {
        if (spec.hists.empty())
            for (int j = 1; j <= 4; ++j)
                spec.hists.push_back(RunHist{.title = "H" + std::to_string(j),
                                             .counts = [j](int k) { return k < 10 ? 5u + j : 2000u - 10 * k + 10 * j; }});
        EXPECT_TRUE(write_run(path, spec));
    }
    ~RunFixture() { std::remove(path.c_str()); }
};

// The settings and spectrum after getspect, as lines the test can compare.
void report()
{
    std::string ictl, rctl;
    for (int r = 1; r <= n_ictl; ++r) ictl += " " + std::to_string(ispectctrl.i_ctl(r, 1));
    for (int r = 1; r <= 14; ++r) {
        char b[32];
        std::snprintf(b, sizeof b, " %g", rspectctrl.r_ctl(r, 1));
        rctl += b;
    }
    bool same = true;
    for (int r = 1; r <= n_ictl; ++r) same = same && ispectctrl.i_ctl(r, 1) == ispectctrl.i_ctl(r, 2);
    fio_write(fio_stdout, "(' =I',A,/,' =R',A,/,' =npk',I7,' col2 ',L1,/,' =title ',A)",
              {ictl, rctl, ispectctrl.npk, same, cspectctrl.title.trimmed()});
}

// Both settings columns zero and no title, as at the start of the program; the plain
// ASCII signs ("us") that the expected lines show.
void fresh_settings()
{
    set_characters(0);
    ispectctrl.i_ctl.fill(0);
    ispectctrl.npk = 0;
    rspectctrl.r_ctl.fill(0.0f);
    cspectctrl.title = "";
}

DialogResult spect(const std::string& file, const std::string& input, bool tty = false)
{
    return run_dialog(
        [&] {
            fresh_settings();
            FText<80> name(file);
            getspect(name.span());
            report();
            fio_write(fio_stdout, "(' =file ',A)", {name.trimmed()});
        },
        input, tty);
}

// The lines of the report (those starting " ="), for compact comparisons.
std::string report_of(const std::string& out)
{
    std::string r;
    std::size_t pos = 0;
    while (pos < out.size()) {
        std::size_t end = out.find('\n', pos);
        if (end == std::string::npos) end = out.size();
        const std::string line = out.substr(pos, end - pos);
        if (line.rfind(" =", 0) == 0) r += line + "\n";
        pos = end + 1;
    }
    return r;
}

}  // namespace

// The lines of out that contain key, each with its line end.
std::string lines_with(const std::string& out, const std::string& key)
{
    std::string r;
    std::size_t pos = 0;
    while (pos < out.size()) {
        std::size_t end = out.find('\n', pos);
        if (end == std::string::npos) end = out.size();
        const std::string line = out.substr(pos, end - pos);
        if (line.find(key) != std::string::npos) r += line + "\n";
        pos = end + 1;
    }
    return r;
}

TEST(Getspect, BatchSelectionEndsAtTheBlankLine)
{
    RunFixture run("batch1");
    const DialogResult r = spect(run.path, "SPEC_TYP 2\nHIST_# 1,2\nBACKGRND 3,5\n\n");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out,
              "\n"
              " Run #  1234: Cu 10K\n"
              "SPECT: SPEC_TYP 2\n"
              "SPECT: HIST_# 1,2\n"
              "SPECT: BACKGRND 3,5\n"
              "SPECT: \n"
              " Ready to pack    88  0.010000-us bins from  0.020000 to   0.900000 us\n"
              " =I 2 0 1 2 0 0 3 0 0 0 5 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0\n"
              " =R 0 0 0 0 0 0 0 0 2.19714 0.02 0.9 0.01 0 0\n"
              " =npk     88 col2 T\n"
              " =title   1234: Cu 10K  [1 vs 2] ASY\n"
              " =file " + run.path + "\n");
}

// Numbers are truncated (rounded for the type), a command sets every slot of the type,
// and DISPLAY shows column 1 and the file's defaults of the selected histograms.
TEST(Getspect, DisplayShowsSettingsAndFileDefaults)
{
    RunFixture run("display");
    const DialogResult r = spect(run.path,
                                 "SPEC_TYP 2.5\nHIST_# 3.9,1.2\nINVERT 1.7\n"
                                 "MARKERS 11.9,14.2,80.8,12,15,70\nRAW_BINS 0.625,100\n"
                                 "TIMES 0.1,0.8,20\nLIFETIME 2.2\nBACKGRND 2.5,7.9\nDISPLAY\nQUIT\n");
    EXPECT_EQ(r.status, 0);
    const std::string display =
        "SPECT: DISPLAY\n"
        "\n"
        "     VUL_SPEC Selectable Parameters DISPLAY:\n"
        "\n"
        "     (a zero means to take the Default, see below)\n"
        "\n"
        "     3 = Spectrum Type:  0: N(t)  1: A(t)  2: (B-F)/(B+F)  3: B/F  4: RRF\n"
        "     1 = Inversion; 0 normally, 1 to INVERT bin sequence\n"
        "\n"
        "     3     1     0     0 = Histogram #(s) for A(t) and B(t)\n"
        "     2     0     0     0 = First bin of t<0 Background data\n"
        "     7     0     0     0 = Last  bin of t<0 Background data\n"
        "    11    12     0     0 = Bin # of t=0\n"
        "    14    15     0     0 = 1_st bin of raw data to pack in\n"
        "    80    70     0     0 = Last bin of raw data to pack in\n"
        "\n"
        "   0.0006   0.0000   0.0000   0.0000 = (Override) time/raw bin [\xB5s]\n"
        "   0.1000   0.0000   0.0000   0.0000 = (Override) time [\xB5s] to true t=0\n"
        "                              2.2000 = Muon Lifetime [\xB5s].\n"
        "                              0.1000 = Desired centre of 1_st packed bin [\xB5s]\n"
        "                              0.8000 = Desired centre of last packed bin [\xB5s]\n"
        "                              0.0200 = Desired packed bin size [\xB5s]\n"
        "                              0.0000 = Freq (MHz) of Rotating Ref Frame\n"
        "                              0.0000 = Desired final RRF bin size [\xB5s]\n"
        "\n"
        "\n"
        "     DEFAULTS (from data file):\n"
        "\n"
        "      1      1      0      0 = First bin of t<0 Background data\n"
        "      8      8      0      0 = Last  bin of t<0 Background data\n"
        "     10     10      0      0 = Bin # of t=0\n"
        "     12     12      0      0 = First bin of good data\n"
        "     99     99      0      0 = Last bin of good data\n"
        "\n"
        "            2.197140 = Muon Lifetime [\xB5s].\n"
        "\n"
        "SPECT: QUIT\n";
    ASSERT_GE(r.out.size(), display.size());
    EXPECT_EQ(r.out.substr(r.out.size() - display.size()), display);
}

struct LineCase {
    const char* input;   // ends at QUIT
    const char* key;     // the lines of the transcript that hold it ...
    const char* want;    // ... are these
};

const LineCase line_cases[] = {
    // type: halves away from zero, then limited to 0..4; type 4 asks what is still 0
    {"SPEC_TYP 1.49\nDISPLAY\nQUIT\n", "Spectrum Type:", "     1 = Spectrum Type:  0: N(t)  1: A(t)  2: (B-F)/(B+F)  3: B/F  4: RRF"},
    {"SPEC_TYP -0.5\nDISPLAY\nQUIT\n", "Spectrum Type:", "     0 = Spectrum Type:  0: N(t)  1: A(t)  2: (B-F)/(B+F)  3: B/F  4: RRF"},
    {"SPEC_TYP 7\n10.5\n-0.2\nDISPLAY\nQUIT\n", "(M", "Rotating Reference Frame frequency (MHz): 10.5\n"
     "                             10.5000 = Freq (MHz) of Rotating Ref Frame"},
    {"SPEC_TYP 7\n10.5\n-0.2\nDISPLAY\nQUIT\n", "RRF", "Final (RRF) Packed Bin Size (microsec)  : -0.2\n"
     "     4 = Spectrum Type:  0: N(t)  1: A(t)  2: (B-F)/(B+F)  3: B/F  4: RRF\n"
     "                             -0.2000 = Desired final RRF bin size [\xB5s]"},
    {"SPEC_TYP 4,3\n0.1\nDISPLAY\nQUIT\n", "RRF", "Final (RRF) Packed Bin Size (microsec)  : 0.1\n"
     "     4 = Spectrum Type:  0: N(t)  1: A(t)  2: (B-F)/(B+F)  3: B/F  4: RRF\n"
     "                              0.1000 = Desired final RRF bin size [\xB5s]"},
    // a HIST_# line before the type is raised sets only the slots of the old type
    {"HIST_# 1,2\nSPEC_TYP 2\nDISPLAY\nQUIT\n", "Histogram #", "     1     0     0     0 = Histogram #(s) for A(t) and B(t)"},
    // T is TIMES, R is RAW_BINS; the answer file's long words select by their first 8
    {"T 0.1,0.8,20\nR 1,2\nDISPLAY\nQUIT\n", "[\xB5s]", "   0.0010   0.0000   0.0000   0.0000 = (Override) time/raw bin [\xB5s]\n"
     "   0.0020   0.0000   0.0000   0.0000 = (Override) time [\xB5s] to true t=0\n"
     "                              0.0000 = Muon Lifetime [\xB5s].\n"
     "                              0.1000 = Desired centre of 1_st packed bin [\xB5s]\n"
     "                              0.8000 = Desired centre of last packed bin [\xB5s]\n"
     "                              0.0200 = Desired packed bin size [\xB5s]\n"
     "                              0.0000 = Desired final RRF bin size [\xB5s]\n"
     "            2.197140 = Muon Lifetime [\xB5s]."},
    {"RAW_BINS_Tbin_T0ns 3,4\nLIFETIME_us 2.5\nDISPLAY\nQUIT\n", "Override", "   0.0030   0.0000   0.0000   0.0000 = (Override) time/raw bin [\xB5s]\n"
     "   0.0040   0.0000   0.0000   0.0000 = (Override) time [\xB5s] to true t=0"},
    {"LIFETIME_us 2.5\nDISPLAY\nQUIT\n", "Lifetime [\xB5s].", "                              2.5000 = Muon Lifetime [\xB5s].\n"
     "            2.197140 = Muon Lifetime [\xB5s]."},
};

TEST(Getspect, CommandNumbers)
{
    RunFixture run("numbers");
    for (const auto& c : line_cases) {
        const DialogResult r = spect(run.path, c.input);
        EXPECT_EQ(r.status, 0) << c.input;
        EXPECT_EQ(lines_with(r.out, c.key), std::string(c.want) + "\n") << c.input;
    }
}

TEST(Getspect, Runpar)
{
    RunFixture run("runpar");
    const DialogResult r = spect(run.path, "RUNPAR\nQUIT\n");
    EXPECT_EQ(r.status, 0);
    const std::string pad40(34, ' ');
    EXPECT_EQ(r.out,
              "\n Run #  1234: Cu 10K\n"
              "SPECT: RUNPAR\n"
              "\n"
              "          RunHeader information:\n"
              "          =====================\n"
              "\n"
              " fmtID (should be 2010000):  2010000\n"
              " exptNumber:     77\n"
              " runNumber:    1234\n"
              " timeBegin:        1000 s [since 00:00:00 GMT, 1 Jan 1970]\n"
              " timeEnd:          4600 s [since 00:00:00 GMT, 1 Jan 1970]\n"
              " elapsedSec:       3600 s [= timeEnd - timeBegin]\n"
              " nSclrs:      0\n"
              " nHists:      4\n"
              "\n"
              " title: Cu 10K" + std::string(249, ' ') + "\n"
              " lab:          lab" + std::string(37, ' ') + "\n"
              " area:         area" + std::string(36, ' ') + "\n"
              " method:       TF" + std::string(38, ' ') + "\n"
              " apparatus:    app" + std::string(37, ' ') + "\n"
              " insert:       ins" + std::string(37, ' ') + "\n"
              " sample:       sample" + std::string(74, ' ') + "\n"
              " orient:       ori" + std::string(37, ' ') + "\n"
              " das:          das" + std::string(37, ' ') + "\n"
              " experimenter: me" + std::string(38, ' ') + "\n"
              " temperature:  10.0" + std::string(36, ' ') + " [K]\n"
              " field:        100" + std::string(37, ' ') + " [G]\n"
              "\n"
              "SPECT: QUIT\n");
}

struct StopCase {
    const char* what;
    bool good_file;
    const char* input;
    int status;
    const char* tail;   // the transcript ends so (a stop's reason last, from standard error)
};

const StopCase stop_cases[] = {
    {"QUIT writes nothing", true, "QUIT\nDISPLAY\n", 0, "SPECT: QUIT\n"},
    {"no run file", false, "", 1, " getRun: Failure opening file nosuchfile\n"
     " getRun: file nosuchfile: No such file or directory\n\n"
     " *** stopped -- No ZOG Filename ***\n\n*** stopped -- No ZOG Filename ***\n"},
    {"FILENAME in batch", true, "FILENAME\n", 1, "SPECT: FILENAME\n\n *** stopped -- No ZOG Filename ***\n\n"
     "*** stopped -- No ZOG Filename ***\n"},
    {"failed construction", true, "HIST_# 5\n\n", 1, " Histogram   5 is not in the range (1, 4)\n"
     "\n\n *** makeSpect: Problems Making Spectrum ***\n"
     " Illegal histogram selections (JHIST)            \n\n\n"
     "Histogram   5 is not in the range (1, 4)\n"},
    {"TIMES beside the data", true, "HIST_# 1\nTIMES 50,60,20\n\n", 1,
     " *** TIMES range  50.000000 to  60.000000 us holds no packed bin; good data from"
     "   0.020000 to   0.900000 us\n"
     "\n\n *** makeSpect: Problems Making Spectrum ***\n"
     " Error checking parameters                       \n\n\n"
     "*** TIMES range  50.000000 to  60.000000 us holds no packed bin; good data from"
     "   0.020000 to   0.900000 us\n"},
    {"unknown command", true, "FOO 1\n", 1, "SPECT: FOO 1\n *** CMLI -- Unrecognized Command \"FOO     \"\n\n"
     "*** CMLI -- Unrecognized Command \"FOO     \"\n"},
};

TEST(Getspect, BatchStops)
{
    RunFixture run("stops");
    for (const auto& c : stop_cases) {
        const DialogResult r = spect(c.good_file ? run.path : "nosuchfile", c.input);
        EXPECT_EQ(r.status, c.status) << c.what;
        const std::string tail = c.tail;
        ASSERT_GE(r.out.size(), tail.size()) << c.what << r.out;
        EXPECT_EQ(r.out.substr(r.out.size() - tail.size()), tail) << c.what;
    }
}

// A second spectrum starts from column 1 cleared (as a new SPECTRUM line clears it);
// PREVIOUS brings back the first spectrum's settings, and the same spectrum follows.
TEST(Getspect, PreviousRestoresTheLastSpectrum)
{
    RunFixture run("previous");
    const DialogResult r = run_dialog(
        [&] {
            fresh_settings();
            FText<80> name(run.path);
            getspect(name.span());
            report();
            for (int k = 1; k <= n_ictl; ++k) ispectctrl.i_ctl(k, 1) = 0;  // as SPECTRUM does
            for (int k = 1; k <= n_rctl; ++k) rspectctrl.r_ctl(k, 1) = 0;
            getspect(name.span());
            report();
        },
        "SPEC_TYP 1\nHIST_# 2\nMARKERS 10,20,90\nLIFETIME 2.1\n\nPREVIOUS\n\n");
    EXPECT_EQ(r.status, 0) << r.out;
    const std::string first =
        " =I 1 0 2 0 0 0 0 0 0 0 0 0 0 0 10 0 0 0 20 0 0 0 90 0 0 0\n"
        " =R 0 0 0 0 0 0 0 0 2.1 0.1 0.81 0.01 0 0\n"
        " =npk     71 col2 T\n"
        " =title   1234: Cu 10K  [H 2: H2]\n";
    EXPECT_EQ(report_of(r.out), first + first);
}

// ---- interactive ---------------------------------------------------------------------------

// At the keyboard: a file that does not load is asked for again; invalid histograms are
// asked again; empty BACKGRND, MARKERS, RAW_BINS and TIMES fields ask, showing the file's values.
TEST(Getspect, InteractiveQuestions)
{
    RunFixture run("tty");
    const std::string input = "\n" + run.path + "\n"
                              "SPEC_TYP 9\n2\n"
                              "HIST_# 7,2\n3,4\n"
                              "BACKGRND 3,5\n2,6\n"
                              "MARKERS 0,0,0,11,15\n11\n\n90\n"
                              "RAW_BINS 0,0,5,100\n\n104\n"
                              "TIMES\n0.05,0.85\n20\n"
                              "\n";
    const DialogResult r = spect("nosuchfile", input, true);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out,
              " getRun: Failure opening file nosuchfile\n"
              " getRun: file nosuchfile: No such file or directory\n"
              "Enter ZOG Filename: Enter ZOG Filename: \n"
              " Run #  1234: Cu 10K\n"
              "SPECT:  Spectrum Type?  0: raw N(t)\n"
              "                 1: [N(t)-B]/N0expt - 1\n"
              "                 2: (A-B)/(A+B)\n"
              "                 3: A/B\n"
              "                4: Complex [RRF]: "
              "SPECT:  Of  4,  Which  2 Histogram(s)? "
              "SPECT:  File says t<0 Background is in bin range     1,     8 -- New range: "
              "SPECT:  File says  t=0 at bin [10]:   1st good data in bin [12]:  Last good data in bin [99]: "
              "SPECT:  Raw Bin Size [ns] = [10.]:  Time [ns] from L edge of bin 1 to t=0 is [105.]: "
              "SPECT: Centres of (1st,last) Packed Bins (us): Time per Bin (ns): "
              "SPECT:  Ready to pack    19  0.020000-us bins from  0.055000 to   0.440000 us\n"
              " =I 2 0 3 4 0 0 3 2 0 0 5 6 0 0 11 11 0 0 0 15 0 0 90 0 0 0\n"
              " =R 0 0.005 0 0 0.104 0.1 0 0 2.19714 0.055 0.44 0.02 0 0\n"
              " =npk     19 col2 T\n"
              " =title   1234: Cu 10K  [3 vs 4] ASY\n"
              " =file " + run.path + "\n");
}

// With the keyboard's input at its end, the file question gives up.
TEST(Getspect, FileQuestionEndsWithTheInput)
{
    const DialogResult r = spect("nosuchfile", "\n\x04", true);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, " getRun: Failure opening file nosuchfile\n"
                     " getRun: file nosuchfile: No such file or directory\n"
                     "Enter ZOG Filename: Enter ZOG Filename: \n\n"
                     " *** stopped -- No ZOG Filename ***\n\n*** stopped -- No ZOG Filename ***\n");
}

// TITLE shows the title; "." blanks it, an empty answer keeps it; the blank line that
// ends the dialog builds the automatic title anyway.
TEST(Getspect, TitleAnswers)
{
    RunFixture run("title");
    const DialogResult r = spect(run.path, "TITLE\nMy own\nTITLE\n\nTITLE\n.\nTITLE\n\nHIST_# 1\n\n", true);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(lines_with(r.out, "Current TITLE"),
              "SPECT:      Current TITLE:  " + std::string(100, ' ') + "\n"
              ": SPECT:      Current TITLE:  My own" + std::string(94, ' ') + "\n"
              ": SPECT:      Current TITLE:  My own" + std::string(94, ' ') + "\n"
              ": SPECT:      Current TITLE:  " + std::string(100, ' ') + "\n");
    EXPECT_EQ(lines_with(r.out, "=title"), " =title   1234: Cu 10K  [H 1: H1]\n");
}

// A failed construction at the keyboard goes back to the prompt; the fifth one stops.
TEST(Getspect, FifthFailureStops)
{
    RunFixture run("fifth");
    const DialogResult r = spect(run.path, "SPEC_TYP 1\nHIST_# 1\nLIFETIME 1e-20\n\n\n\n\n\n", true);
    EXPECT_EQ(r.status, 1);
    std::size_t n = 0;
    for (std::size_t p = 0; (p = r.out.find("Renormalization failure", p)) != std::string::npos; ++p)
        ++n;
    EXPECT_EQ(n, 6u);  // the fifth's also as the stop's reason
    EXPECT_EQ(r.out.substr(r.out.size() - 24), "Renormalization failure\n");
    EXPECT_EQ(lines_with(r.out, "=npk"), "");
}

// An answer file replayed at the terminal: a failed construction drops it, and the
// dialog goes on at the keyboard.
TEST(Getspect, FailureDropsTheAnswerFile)
{
    RunFixture run("replay");
    const std::string answers = run_path("answers");
    {
        FILE* f = std::fopen(answers.c_str(), "w");
        std::fputs("SPEC_TYP 2\nHIST_# 1\n\nQUIT\n", f);
        std::fclose(f);
    }
    const DialogResult r = run_dialog(
        [&] {
            fresh_settings();
            set_ask_file(answers);
            FText<80> name(run.path);
            getspect(name.span());
            report();
        },
        "HIST_# 1,2\n\n", true);
    std::remove(answers.c_str());
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(lines_with(r.out, "=title"), " =title   1234: Cu 10K  [1 vs 2] ASY\n");
    EXPECT_EQ(lines_with(r.out, "Problems"), " *** makeSpect: Problems Making Spectrum ***\n");
}

// FILENAME at the keyboard loads another run as the dialog's start does: a name that does
// not load is asked for again, and the run that loads is named; the settings stay.
TEST(Getspect, FilenameLoadsAndNamesAnotherRun)
{
    RunFixture first("fname1");
    RunFixture second("fname2", RunSpec{.run_number = 4321, .title = "Ag 5K",
                                        .hists = {RunHist{.title = "Fw"}}});
    const DialogResult r = spect(first.path, "HIST_# 1\nFILENAME\nnosuchfile\n" + second.path + "\n\n", true);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out.substr(0, r.out.find(" Ready")),
              "\n Run #  1234: Cu 10K\n"
              "SPECT: SPECT: \n" + std::string(100, ' ') + "\n"
              "Enter ZOG Filename:  getRun: Failure opening file nosuchfile\n"
              " getRun: file nosuchfile: No such file or directory\n"
              "Enter ZOG Filename: \n"
              " Run #  4321: Ag 5K\n"
              "SPECT: ");
    EXPECT_EQ(lines_with(r.out, "=title"), " =title   4321: Ag 5K  [H 1: Fw]\n");
    EXPECT_EQ(lines_with(r.out, "=file"), " =file " + second.path + "\n");
}
