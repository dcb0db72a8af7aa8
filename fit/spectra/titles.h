// titles.h -- the spectrum title built from the loaded run and its histograms, and the
// plus-minus and micro signs that reports, plots and the construction write.
#pragma once

#include "ftext.h"

// spchars: chosen by set_characters; read by every report that writes the signs.
struct Spchars {
    int length = 3;          // significant characters of pm
    FText<5> pm{"+/-"};      // plus-minus sign, blank-padded
    char micro = 'u';        // micro sign
};
inline Spchars spchars;

// 1 Latin-1, 2 code page 437, anything else plain ASCII.
void set_characters(int iset);

// The title (cspectctrl) of a new spectrum: run number, run title and a tag naming
// the histograms. The tag is cut to the room the title leaves; never an error.
void vul_title();                              // run number and title only
void vul_title1(int h);                        // "[H h: htitle]"; no tag for h 0
void vul_title2(int h1, int h2);               // "[h1 vs h2] ASY"; h2 0: as vul_title1
void vul_title4(int h1, int h2, int h3, int h4);  // "(h1,h2,h3,h4) RRF"
