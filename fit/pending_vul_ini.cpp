// pending_vul_ini.cpp -- stand-in for the answer-file writer until it lands; delete this file
// then. Does nothing.
#include "dirade.h"

void vul_ini() {}
