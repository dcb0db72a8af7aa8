// fit_setup.h -- the set-up room as the other rooms see it: the title and parameter lines
// that open a fit (midata) and the "DIRADE>" set-up with the storing of spectra.
#pragma once

#include "../midata.h"
#include "../setup.h"
