// report_vul_ini_test.cpp -- answer file, table-row file, parameter card and date text.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "askq.h"
#include "report_fixture.h"
#include "vul_ini.h"

namespace {

std::string captured(void (*body)())
{
    testing::internal::CaptureStdout();
    body();
    fio_flush_all();
    return testing::internal::GetCapturedStdout();
}

void put_file(const std::string& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

class VulIni : public InFolder {
protected:
    void SetUp() override
    {
        InFolder::SetUp();
        report_fit(x);
    }
    void TearDown() override
    {
        vul_ini_fault = nullptr;
        InFolder::TearDown();
    }
    Pars x{};
};

// The whole of both files for a fit with independent variables, two signals (one with an
// expression, one with a table), a plain and a complex spectrum whose expression was stored
// before the signal's.
TEST_F(VulIni, FullAnswerFileAndTableRow)
{
    EXPECT_EQ(captured(vul_ini), "");
    EXPECT_EQ(slurp("fit.dat"), fixture("report_full.ans"));
    EXPECT_EQ(slurp("fit.aat"), fixture("report_full.aat"));
    EXPECT_EQ(listing(), "fit.aat\nfit.dat\n");  // no temporary left behind

    // Unit 7 stays on the answer file: MINUIT's SAVE writes after "END ".
    ASSERT_TRUE(fio_is_open(7));
    EXPECT_EQ(fio_name(7), "fit.dat");
    fio_write(7, "('SAVE LINE')");
    fio_close(7);
    EXPECT_EQ(slurp("fit.dat"), fixture("report_full.ans") + "SAVE LINE\n");
}

TEST_F(VulIni, NoIndependentVariablesNoExtras)
{
    indvar.nindvar = 0;
    fitpar.nsig = 1;
    expressions.nexpr = 0;
    fitpar.ifitsg(sg_frq, 1) = 3;
    i_fit_ctl.nspec = 1;
    filenames.nameout = "plain";
    vul_ini();
    EXPECT_EQ(slurp("plain.A"),
              "  IND_VAR = 0,,, \\\n"
              "  ALPHA     =   1.0213000000,  0.010100,  , \\\n"
              "  ASY       =   0.2487000000,  0.003500,  0.002900, \\\n"
              "  FREQ      =   1.3554100000,  0.002100,  , \\\n"
              "  PHASE     =  370.500000000,  2.500000,  , \\\n"
              "  RELAXATION=  -0.1234567000,  0.011000,  0.013000, \\\n"
              "  DELTA     =   0.3500000000,  0.000000,  , \\\n"
              "   CHI_SQ =  312.46    ,1,, \\\n"
              "  N_DEG_FR=     95,,, \\\n"
              "    Ag 10K TF 100G\n");
    const std::string ans = slurp("plain");
    // No IND_VAR command and no empty line that would end the set-up early.
    EXPECT_NE(ans.find("OUTPUT \nplain\n!---------------------- Independent Variable(s): \n"
                       "!===================================================== SIGNAL"),
              std::string::npos);
}

// Ten variables end the IND_VAR question by themselves: no empty line follows them.
TEST_F(VulIni, TenVariablesNeedNoEmptyLine)
{
    indvar.nindvar = 10;
    for (int i = 3; i <= 10; ++i) indvar.viname(i) = "V" + std::to_string(i);
    vul_ini();
    const std::string ans = slurp("fit.dat");
    EXPECT_NE(ans.find("  V10       ,  0.00000000    ,  0.00000000    ,  0.00000000    \n"
                       "!===================================================== SIGNAL"),
              std::string::npos);
}

// Texts that the answer parser would cut or split go in quotes; names are not cut.
TEST_F(VulIni, TextsReadBackWhole)
{
    mntitle.minuit_title = "Ag, 10K";
    const std::string long_name(79, 'n');
    filenames.nameout = long_name + "x";
    filenames.namedf(1) = "runs,1234.zog";
    filenames.namedf(2) = "$HOME/!run.zog";  // not a shell line on replay
    expressions.sexpr(2) = "max(FREQ,2)";
    expressions.nchexpr(2) = 11;
    vul_ini();
    const std::string ans = slurp(long_name + "x");
    EXPECT_EQ(ans.substr(0, 11), " 'Ag, 10K'\n");
    EXPECT_NE(ans.find("OUTPUT \n" + long_name + "x\n"), std::string::npos);
    EXPECT_NE(ans.find("\n 'max(FREQ,2)'\n"), std::string::npos);
    EXPECT_NE(ans.find("\n'runs,1234.zog'\n"), std::string::npos);
    EXPECT_NE(ans.find("\n'$HOME/!run.zog'\n"), std::string::npos);
    EXPECT_EQ(slurp(long_name + "x."), "");
    EXPECT_NE(slurp(long_name + "x.A"), "");
}

// A name that holds a comma is quoted in the row, so that a comma-separated reader gets it
// as one field; a quoted table name still puts "(Table file)" in its column.
TEST_F(VulIni, CommasInNamesKeepTheirFields)
{
    bestfit.xname(3) = "F,q";
    indvar.viname(1) = "T,K";
    indvar.viname(2) = "it's";
    add_signal({0, 2, 5, 0, 6, 0, 0, 0, 0, 0});  // the complex table's question
    tbl_loaded.cmplx_name = "kt,1.tbl";
    vul_ini();
    const std::string row = slurp("fit.aat");
    EXPECT_EQ(row.substr(0, 110), "  'T,K'     =  10.2500000    , 0.100    , 0.100    , \\\n"
                                  "  'it''s'   =  100.000000    ,  1.00    ,  2.00    , \\\n") << row;
    EXPECT_NE(row.find("\n  'F,q'     =   1.3554100000,  0.002100,  , \\\n"), std::string::npos) << row;
    const std::string ans = slurp("fit.dat");
    EXPECT_NE(ans.find("\n'kt,1.tbl'" + std::string(30 + 25, ' ') + "(Table file)\n"),
              std::string::npos) << ans;
    EXPECT_NE(ans.find("\n  'T,K'     ,  10.2500000    ,"), std::string::npos) << ans;
    EXPECT_NE(ans.find("\n  'it''s'   ,  100.000000    ,"), std::string::npos) << ans;
    EXPECT_NE(ans.find("\n         3  F,q         1.35541"), std::string::npos) << ans;
}

// The title ends the row: a comma in it would split its field, a quote is doubled as in
// the names, and a last backslash would continue the row into the next one gathered after it.
TEST_F(VulIni, TitleInTheRowKeepsItsField)
{
    const struct {
        const char* title;
        const char* last_line;
    } cases[] = {
        {"Ag 10K TF 100G", "    Ag 10K TF 100G\n"},
        {"Ag, 10K", "    'Ag, 10K'\n"},
        {"O'Neil's run", "    'O''Neil''s run'\n"},
        {"scan 5 \\", "    'scan 5 \\'\n"},
        {"a\\b", "    a\\b\n"},
    };
    for (const auto& c : cases) {
        mntitle.minuit_title = c.title;
        vul_ini();
        const std::string row = slurp("fit.aat");
        const std::size_t last = row.rfind('\n', row.size() - 2);
        EXPECT_EQ(row.substr(last + 1), c.last_line) << c.title;
        EXPECT_EQ(row.substr(last - 23, 24), "  N_DEG_FR=    195,,, \\\n") << c.title;
    }
}

// Every card reads back through the parameter question to the label, numbers and remark it
// was written from, however many quotes, blanks and backslashes they hold; a card longer
// than an answer line goes on in continued lines of at most 132 characters.
TEST_F(VulIni, CardsReadBackWhole)
{
    struct CardCase {
        std::string label, remark;
    };
    const CardCase cases[] = {
        {"Asym", "''''''it's '''''''''' a 'b' '''''''''' x'y'z ''''''''' the end!!"},
        {"''''''''''", std::string(64, '\'')},
        {"a''b", std::string(64, '\\')},
        {"A B\\", "ends in a backslash \\"},
        {"\\-E", "!not a comment"},
        {"''", ""},
        {"x", "\\"},
    };
    for (const CardCase& c : cases) {
        ASSERT_EQ(fio_open(45, "card.txt"), 0);
        mnformat(45, 42, c.label, 0.25, 0.0125, -3.5, 1e6, c.remark);
        fio_close(45);
        const std::string text = slurp("card.txt");
        std::size_t b = 0;
        for (std::size_t e; (e = text.find('\n', b)) != std::string::npos; b = e + 1)
            EXPECT_LE(e - b, 132u) << c.label;

        ASSERT_EQ(fio_open(45, "card.txt", FStatus::old), 0);
        set_ask_indir(1, 45);
        set_ask_delims(" ");
        int number = 0;
        FText<10> label;
        double value = 0, err = 0, lower = 0, upper = 0;
        FText<64> remark;
        ask7("P > ", Val{"I", number}, Val{"10A", label}, Val{"D", value}, Val{"D", err},
             Val{"D", lower}, Val{"D", upper}, Val{"64A", remark});
        set_ask_delims(",");
        set_ask_indir(0, 0);
        fio_close(45);
        EXPECT_EQ(number, 42) << c.label;
        EXPECT_EQ(label.trimmed(), c.label) << c.label;
        EXPECT_EQ(remark.trimmed(), c.remark) << c.label;
        EXPECT_EQ(value, 0.25) << c.label;
        EXPECT_EQ(err, 0.0125) << c.label;
        EXPECT_EQ(lower, -3.5) << c.label;
        EXPECT_EQ(upper, 1e6) << c.label;
    }
}

// A table line names the file the table was read from: a later question of the same kind
// only replaced the recorded name, and the OMNI and complex tables share one entry.
TEST_F(VulIni, TableLinesNameTheTablesRead)
{
    tbl_loaded.rlx_name = "tables/first.tbl";   // nametbl(1) holds the later answer
    add_signal({0, 2, 5, 0, 6, 0, 0, 0, 0, 0});  // the complex table's question
    add_signal({0, 2, 5, 0, 0, 4, 0, 0, 0, 0});  // an OMNI slot: the OMNI question
    tbl_loaded.cmplx_name = "c.tbl";
    tbl_loaded.omni_name = "o.tbl";
    filenames.nametbl(3) = "o.tbl";
    vul_ini();
    const std::string ans = slurp("fit.dat");
    const std::string pad(25, ' ');
    auto line = [&](const std::string& name) {
        return "\n" + name + std::string(40 - name.size(), ' ') + pad + "(Table file)\n";
    };
    EXPECT_NE(ans.find("!         Pha   Asy   Frq   Rlx   Hop            5x[OMNI_TBL]" +
                       line("tables/first.tbl")),
              std::string::npos);
    EXPECT_EQ(ans.find("kt_dyn"), std::string::npos);
    EXPECT_NE(ans.find("SIGNAL     0,    2,    5,    0,    6,    0,    0,    0,    0,    0\n"
                       "!         Pha   Asy   Frq   Rlx   Hop            5x[OMNI_TBL]" +
                       line("c.tbl") + "SIGNAL     0,    2,    5,    0,    0,    4"),
              std::string::npos);
    EXPECT_NE(ans.find("5x[OMNI_TBL]" + line("o.tbl") + "!=="), std::string::npos);
}

// An interactive user may give the MINUIT commands: each written with all 80 characters.
TEST_F(VulIni, CustomMinuitCommands)
{
    put_file("answers", "y\nSET PRINT 0\nn\nMIGRAD 500\ny\n");
    ASSERT_EQ(fio_open(71, "answers", FStatus::old), 0);
    set_ask_indir(1, 71);
    online = 1;
    testing::internal::CaptureStdout();
    vul_ini();
    fio_flush_all();
    testing::internal::GetCapturedStdout();
    online = 0;
    set_ask_indir(0, 0);
    fio_close(71);
    const std::string ans = slurp("fit.dat");
    const std::string pad(70, ' ');
    EXPECT_EQ(ans.substr(ans.find("!---------------------- MINUIT")),
              "!---------------------- MINUIT Commands follow:\nSET PRINT 0" + pad.substr(1) +
                  "\nMIGRAD 500" + pad + "\nEND \n");
}

// MIN= renews title, cards and comments and keeps the old file's rest whole, also lines
// longer than 80 characters; the old file had one card fewer than this fit.
TEST_F(VulIni, ShortRewrite)
{
    put_file("fit.dat", fixture("report_full.ans"));
    mntitle.minuit_title = "Ag 10K second";
    report_par(x, 7, "EXTRA", 1.5, 0.1, 0, 0);
    filenames.nameout = "Min=fit.dat";
    vul_ini();
    EXPECT_EQ(slurp("fit.dat"), fixture("report_min.ans"));
    EXPECT_FALSE(fio_is_open(7));
    EXPECT_EQ(listing(), "fit.aat\nfit.dat\n");
}

// An old file that cannot be read to its end is kept as it was: rewritten, its rest would
// be lost. Its table row is not written either: the pair always comes from one fit.
TEST_F(VulIni, ShortRewriteOfAnUnreadableFileKeepsIt)
{
    put_file("fit.dat", "old answer\n");
    filenames.nameout = "min=fit.dat";
    vul_ini_fault = [](int site) { return site == 4 ? 1 : 0; };
    EXPECT_EQ(captured(vul_ini),
              " *** Answer file not written: fit.dat (Input/output error)\n"
              " *** Table row not written: fit.aat (its answer file was not written)\n");
    EXPECT_EQ(slurp("fit.dat"), "old answer\n");
    EXPECT_EQ(listing(), "fit.dat\n");
    EXPECT_FALSE(fio_is_open(7));
}

TEST_F(VulIni, ShortRewriteWithoutOldFile)
{
    filenames.nameout = "min=new.dat";
    vul_ini();
    const std::string ans = slurp("new.dat");
    EXPECT_EQ(ans.substr(ans.size() - 20), "OUTPUT \nmin=new.dat\n");
}

// A failure anywhere leaves both old files as they were (the pair always comes from one
// fit) and no temporary behind; each file says why.
TEST_F(VulIni, FailedWriteKeepsOldFile)
{
    struct FaultCase {
        int site;
        const char* message;
    };
    const FaultCase cases[] = {
        {1, " *** Table row not written: fit.aat (No space left on device)\n"
            " *** Answer file not written: fit.dat (its table row was not written)\n"},
        {2, " *** Answer file not written: fit.dat (No space left on device)\n"
            " *** Table row not written: fit.aat (its answer file was not written)\n"},
        {3, " *** Answer file not written: fit.dat (No space left on device)\n"
            " *** Table row not written: fit.aat (its answer file was not written)\n"},
    };
    static int fail_at = 0;
    vul_ini_fault = [](int site) { return site == fail_at ? 1 : 0; };
    for (const FaultCase& c : cases) {
        put_file("fit.dat", "old answer\n");
        put_file("fit.aat", "old row\n");
        fail_at = c.site;
        EXPECT_EQ(captured(vul_ini), c.message) << c.site;
        EXPECT_EQ(slurp("fit.dat"), "old answer\n") << c.site;
        EXPECT_EQ(slurp("fit.aat"), "old row\n") << c.site;
        EXPECT_EQ(listing(), "fit.aat\nfit.dat\n") << c.site;
        EXPECT_FALSE(fio_is_open(7)) << c.site;
    }
}

TEST_F(VulIni, UnusableNames)
{
    filenames.nameout = "";
    EXPECT_EQ(captured(vul_ini),
              " *** No answer file name: answer file and table row not written\n");
    filenames.nameout = "no_such_folder/fit.dat";
    EXPECT_EQ(captured(vul_ini),
              " *** Table row not written: no_such_folder/fit.aat (No such file or directory)\n"
              " *** Answer file not written: no_such_folder/fit.dat (No such file or directory)\n");
    EXPECT_EQ(listing(), "");
}

// The file names: MIN= prefix, two blanks skipped, the row file's marked extension.
TEST(VulIniNames, Rule)
{
    struct NameCase {
        const char* nameout;
        bool min;
        const char* file;
        const char* table;
    };
    constexpr NameCase cases[] = {
        {"fit.dat", false, "fit.dat", "fit.aat"},
        {"fit.Dat", false, "fit.Dat", "fit.Aat"},
        {"fit", false, "fit", "fit.A"},
        {"fit.", false, "fit.", "fit.A"},
        {"fit.9z", false, "fit.9z", "fit.Az"},
        {"fit.{z", false, "fit.{z", "fit.az"},
        {"fit.\xe9z", false, "fit.\xe9z", "fit.Az"},
        {"a.b.c", false, "a.b.c", "a.a.c"},
        // an extension beginning with a or A: the row file gets ".row" behind the name
        {"fit.ans", false, "fit.ans", "fit.ans.row"},
        {"fit.Ans", false, "fit.Ans", "fit.Ans.row"},
        // a dot in a folder name is not the extension
        {"./runs/fit.dat", false, "./runs/fit.dat", "./runs/fit.aat"},
        {"../fit", false, "../fit", "../fit.A"},
        {"min=old.ans", true, "old.ans", "old.ans.row"},
        {"MiN  =  old.dat", true, "old.dat", "old.aat"},
        {"MIN=   old.dat", true, " old.dat", " old.aat"},
        {"r=5.dat", false, "r=5.dat", "r=5.aat"},
        {"run=5.dat", false, "run=5.dat", "run=5.aat"},
        {"mint=5.dat", false, "mint=5.dat", "mint=5.aat"},
        {"  fit.dat  ", false, "fit.dat", "fit.aat"},
        {"MIN=", true, "", ""},
        {"", false, "", ""},
    };
    for (const NameCase& c : cases) {
        const AnswerNames n = vul_ini_names(c.nameout);
        EXPECT_EQ(n.min_mode, c.min) << c.nameout;
        EXPECT_EQ(n.file, c.file) << c.nameout;
        EXPECT_EQ(n.table, c.table) << c.nameout;
    }
    EXPECT_EQ(vul_ini_names(std::string("fit.dat\0\0  ", 11)).file, "fit.dat");
}

std::string card(int p, std::string_view label, double v, double step, double lo, double hi,
                 std::string_view remark)
{
    testing::internal::CaptureStdout();
    mnformat(fio_stdout, p, label, v, step, lo, hi, remark);
    fio_flush_all();
    return testing::internal::GetCapturedStdout();
}

TEST(Mnformat, Cards)
{
    struct CardCase {
        int p;
        const char* label;
        double v, step, lo, hi;
        const char* remark;
        std::string want;
    };
    const std::string r64(64, 'r');
    const CardCase cases[] = {
        {3, "ASY", 0.25, 0.01, 0, 0, "free",
         "         3  ASY            0.25      0.01         0         0   'free'\n"},
        {12, "FREQ      ", 1, 0.5, -2, 2, "  ",
         "        12  FREQ             1.       0.5       -2.        2.   \n"},
        // a full-width label keeps a blank before a value that fills its field
        {5, "RELAXATION", -0.1234567, 0.012, 0, 0, "",
         "         5  RELAXATION -0.123457     0.012         0         0   \n"},
        {5, "RELAXATION", 0.25, 0.012, 0, 0, "",
         "         5  RELAXATION     0.25     0.012         0         0   \n"},
        // a label with a blank goes in quotes; a quote in a remark is doubled
        {7, "A B", 1e-5, 0, 0, 0, "it's",
         "         7  'A B'         1.E-5         0         0         0   'it''s'\n"},
        // no label at all: the value must not be read as the label
        {8, "", 2, 0, 0, 0, "", "         8  ''               2.         0         0         0   \n"},
        {100, "X", 123456789, 1, 0, 0, r64.c_str(),
         "       100  X         1.23456E8        1.         0         0   '" + r64 + "'\n"},
    };
    for (const CardCase& c : cases)
        EXPECT_EQ(card(c.p, c.label, c.v, c.step, c.lo, c.hi, c.remark), c.want) << c.label;
}

TEST(Cdate, LocalTimeText)
{
    cdate_clock = report_clock;
    FText<30> t("..............................");
    cdate(t.span());
    EXPECT_EQ(t.full(), "10:11:12.34 2026-12-10      ..");
    char shortbuf[10];
    cdate(shortbuf);
    EXPECT_EQ(std::string_view(shortbuf, 10), "10:11:12.3");
    cdate_clock = [] { return timespec{1796947199, 999999999}; };
    cdate(t.span());
    EXPECT_EQ(t.full().substr(0, 28), "23:59:59.99 2026-12-10      ");
    cdate_clock = cdate_realtime;
}

}  // namespace
