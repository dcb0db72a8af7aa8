// pending_vul_prt.cpp -- stand-in for the reports and dialogs until it lands; delete this file
// then. Does nothing.
#include "dirade.h"

void vul_prt(int, int, const double*) {}
