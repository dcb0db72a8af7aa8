// getrun.h -- the run reader: loads one run-data file into the run records
// (runheader, histhdrs, histograms, scalers of run_records.h).
#pragma once

#include <span>

// filename: the caller's blank-padded field. Returns 0 when the run was loaded, -1
// when the file did not open or is not of the generic kind, -2 when a part of it did
// not arrive (the records then hold a mixture of the old and new run). No run file
// is open after any return.
int getrun(std::span<const char> filename);
