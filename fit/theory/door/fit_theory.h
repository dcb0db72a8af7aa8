// fit_theory.h -- the theory room as the other rooms see it: parameter values mapped to the
// slots of each fitted spectrum, the theory of its bins, the chi-square against the data,
// and the relaxation-function tables it reads. The relaxation functions stay inside.
#pragma once

#include "../chisq.h"
#include "../rlx_tables.h"
#include "../vul_map.h"
#include "../vul_th.h"
// The vector set and the thread count, which tests and benches choose.
#include "../vmath.h"
#include "../workers.h"
