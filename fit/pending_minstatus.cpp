// pending_minstatus.cpp -- stand-in for the fit-status table until it lands; delete this file
// then. Does nothing.
#include "dirade.h"

void minstatus(int) {}
