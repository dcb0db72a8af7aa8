// fit_records.cpp -- the reset rules of the shared fit records.
// The records themselves are inline instances in fit_records.h.
#include "fit_records.h"

#include <cmath>

void fit_records_startup(int interactive)
{
    constexpr int units[] = {1, 2, 6, 4, 7};
    for (int i = 1; i <= 5; ++i) fileio.lun(i) = units[i - 1];
    online = interactive;
}

void fit_records_new_fit()
{
    bestfit.nxpar = 0;
}

void fit_records_new_setup()
{
    fitpar.nsig = 0;
    i_fit_ctl.nspec = 0;
    i_fit_ctl.i_loc_0(0) = 0;
    expressions.nexpr = 0;
    expressions.jexpr.fill(0);
    indvar.nindvar = 0;
    refcon.refcon(1) = 2.0 * std::atan2(0.0, -1.0);  // 2 pi from atan(0/-1), as always
    refcon.refcon(2) = 360.0 / refcon.refcon(1);
}
