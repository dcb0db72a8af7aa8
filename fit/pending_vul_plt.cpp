// pending_vul_plt.cpp -- stand-in for the plot of the fit until it lands; delete this file
// then. Does nothing.
#include "dirade.h"

void vul_plt(int, const double*) {}
