// titles_test.cpp -- spectrum titles (run number, run title, histogram tag) and the
// sign characters.
#include <gtest/gtest.h>

#include <string>

#include "fio.h"
#include "run_records.h"
#include "titles.h"

namespace {

void run(int number, std::string_view title)
{
    runheader.runNumber = number;
    runheader.title = title;
    histhdrs.htitle(1) = "Forw";
    histhdrs.htitle(2) = "Back";
    histhdrs.htitle(3) = "Back";
    histhdrs.htitle(10) = "ABCDEFGHIJ";
}

std::string title() { return cspectctrl.title.str(); }

}  // namespace

struct TitleCase {
    const char* what;
    int run;
    const char* run_title;
    void (*make)();
    const char* want;
};

const TitleCase title_cases[] = {
    {"one histogram", 1234, "Cu 10K", [] { vul_title1(3); }, "  1234: Cu 10K  [H 3: Back]"},
    {"asymmetry", 1234, "Cu 10K", [] { vul_title2(1, 2); }, "  1234: Cu 10K  [1 vs 2] ASY"},
    {"asymmetry, h1 above 9", 1234, "Cu 10K", [] { vul_title2(10, 2); },
     "  1234: Cu 10K  [10vs 2] ASY"},
    {"asymmetry without h2", 1234, "Cu 10K", [] { vul_title2(3, 0); },
     "  1234: Cu 10K  [H 3: Back]"},
    {"rotating frame", 1234, "Cu 10K", [] { vul_title4(1, 2, 3, 4); },
     "  1234: Cu 10K  (1,2,3,4) RRF"},
    {"rotating frame, empty slots", 1234, "Cu 10K", [] { vul_title4(1, 2, 0, 0); },
     "  1234: Cu 10K  (1,2,0,0) RRF"},
    {"rotating frame, two digits", 7, "x", [] { vul_title4(10, 2, 0, 9); },
     "     7: x  (10,2,0,9) RRF"},
    {"no tag for h 0", 1234, "Cu 10K", [] { vul_title1(0); }, "  1234: Cu 10K"},
    {"no tag for h1 0", 1234, "Cu 10K", [] { vul_title4(0, 2, 3, 4); }, "  1234: Cu 10K"},
    {"run and title only", 1234, "Cu 10K", [] { vul_title(); }, "  1234: Cu 10K"},
    {"seven-digit run number", 1234567, "Cu", [] { vul_title(); }, "234567: Cu"},
    {"run number 0", 0, "Cu", [] { vul_title(); }, "      : Cu"},
    {"blank run title", 55, "", [] { vul_title1(1); }, "    55:    [H 1: Forw]"},
    {"ten-character histogram title", 1, "T", [] { vul_title1(10); },
     "     1: T  [H10: ABCDEFGHIJ]"},
    {"histogram without a header", 1, "T", [] { vul_title1(11); }, "     1: T  [H11:  ]"},
};

TEST(Titles, Cases)
{
    for (const auto& c : title_cases) {
        run(c.run, c.run_title);
        c.make();
        EXPECT_EQ(title(), c.want) << c.what;
    }
}

// A run title reaching to the end of the work field: the tag finds no room, the title
// keeps its first 100 characters, and nothing is written past the field.
TEST(Titles, LongRunTitleLeavesNoRoomForTheTag)
{
    const std::string long_title(254, 'x');
    run(1234, long_title);
    vul_title4(1, 2, 3, 4);
    EXPECT_EQ(title(), "  1234: " + std::string(92, 'x'));
    // ending at 95: the tag starts at 105 and is cut at 110, so the title is unchanged
    run(1234, std::string(95, 'y'));
    vul_title2(1, 2);
    EXPECT_EQ(title(), "  1234: " + std::string(92, 'y'));
    // ending at 88 (position 96): the tag starts at 98, three of its characters fit
    run(1234, std::string(88, 'z'));
    vul_title2(1, 2);
    EXPECT_EQ(title(), "  1234: " + std::string(88, 'z') + "  [1");
}

TEST(Titles, Characters)
{
    // made: what a UTF-8 terminal reads the screen's bytes as (ASCII's texts still carry the
    // Latin-1 micro of DISPLAY and of the plot's label)
    struct { int iset; const char* pm; int len; char micro; FCharset made; } cases[] = {
        {1, "\xB1    ", 1, '\xB5', FCharset::latin1}, {2, "\xF1    ", 1, '\xE6', FCharset::cp437},
        {0, "+/-  ", 3, 'u', FCharset::latin1},      {3, "+/-  ", 3, 'u', FCharset::latin1},
    };
    for (const auto& c : cases) {
        set_characters(c.iset);
        EXPECT_EQ(spchars.pm.full(), c.pm) << c.iset;
        EXPECT_EQ(spchars.length, c.len) << c.iset;
        EXPECT_EQ(spchars.micro, c.micro) << c.iset;
        EXPECT_EQ(fio_made_in(), c.made) << c.iset;
    }
    set_characters(1);
}
