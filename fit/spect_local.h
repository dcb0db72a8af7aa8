// spect_local.h -- what the run reader, the spectrum dialog and the construction share
// inside fit/: their one door to the screen.
#pragma once

// Writes one or more lines (separated by '\n') on the screen, printf-style.
[[gnu::format(printf, 1, 2)]] void spect_say(const char* fmt, ...);
