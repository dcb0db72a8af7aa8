// minstatus.h -- MINUIT's state copied into the best-fit table, and the short parameter
// table of the screen.
#pragma once

// MINUIT's state into bestfit; lun 1 or more also prints the short table there.
void minstatus(int lun);
