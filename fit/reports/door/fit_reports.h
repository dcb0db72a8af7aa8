// fit_reports.h -- the reports room as the other rooms see it: the report and results
// dialogs (vul_prt), the plot (vul_plt), the answer and table-row files (vul_ini) and the
// fit status from MINUIT (minstatus). The parameter lines, DB rows and dialogs stay inside.
#pragma once

#include "../minstatus.h"
#include "../vul_ini.h"
#include "../vul_plt.h"
#include "../vul_prt.h"
