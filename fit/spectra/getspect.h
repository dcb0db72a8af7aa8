// getspect.h -- the spectrum selection dialog ("SPECT: "): a run-data file name in,
// one finished spectrum out.
#pragma once

#include <span>

#include "run_records.h"

// Loads the run named by filename (80 characters; asking for another name until one
// loads), runs the "SPECT: " dialog on the settings of column 1 and, at its blank
// line, builds the title and the spectrum. Returns 0 with filename holding the file
// that was loaded; the run records, both settings columns (column 2 = column 1),
// bin_in / err_in, npk, spectimes and cspectctrl hold the new spectrum. Every failure
// asks again or stops the program; nothing else returns.
int getspect(std::span<char> filename);

// Header field `values` of histogram k; 0 when the loaded run has no histogram k.
int iph(const Arr1<int, max_run_hists>& values, int k);
