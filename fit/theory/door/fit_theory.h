// fit_theory.h -- the theory room as the other rooms see it: parameter values mapped to the
// slots of each fitted spectrum, the table of signal forms (what the set-up asks and the
// report shows of each), the theory of the bins, the chi-square against the data, the
// relaxation-function tables, and the dynamic Kubo-Toyabe physics that the table generator
// shares. The relaxation functions stay inside.
#pragma once

#include "../chisq.h"
#include "../kt_dyn.h"
#include "../rlx_tables.h"
#include "../sig_forms.h"
#include "../vul_map.h"
#include "../vul_th.h"
// The vector set and the thread count, which tests and benches choose.
#include "../vmath.h"
#include "../workers.h"
