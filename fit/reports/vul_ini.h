// vul_ini.h -- the answer file that replays a fit, the table-row file of its results,
// one MINUIT parameter card, and the date text of the reports.
#pragma once

#include <ctime>
#include <span>
#include <string>
#include <string_view>

// Writes the table-row file and the answer file named by filenames.nameout ("MIN=" in
// front: only title, cards and comments are renewed and the old file's rest follows). Each
// replaces what its name points to whole, or not at all (fio_open_whole), and both are
// locked before either is written: another run holding one stops this run (status 1). The
// two come from the same fit: both are written, or neither is (fio_commit_all). Each file
// not written is said on the screen with its reason, and a batch run then ends with
// status 1. Unit 7 stays on the answer file (MINUIT's SAVE writes after it).
void vul_ini();

// One parameter card on unit: number, label, value, step, limits, and the remark quoted;
// a card longer than an answer line (132) goes on in lines continued by a last "\".
void mnformat(int unit, int p, std::string_view label, double value, double step, double lower,
              double upper, std::string_view remark);

// Characters 1..28 of text become "hh:mm:ss.ss yyyy-mm-dd" of local time and six blanks;
// characters after 28 are not changed (a shorter text takes what fits).
void cdate(std::span<char> text);

// The clock cdate reads; tests put a fixed time here.
timespec cdate_realtime();
inline timespec (*cdate_clock)() = cdate_realtime;

// The file names vul_ini derives from an answer-file name: the file itself (after a "MIN="
// prefix), whether the short rewrite is asked, and the table-row file.
struct AnswerNames {
    std::string file;
    bool min_mode = false;
    std::string table;
};
AnswerNames vul_ini_names(std::string_view nameout);

// Fault sites of vul_ini's writing, for tests: a hook that returns non-zero makes that site
// fail as a full disk would. 1 table row written, 2 answer head written, 3 answer complete,
// 4 old answer file read ("MIN=").
inline int (*vul_ini_fault)(int site) = nullptr;
