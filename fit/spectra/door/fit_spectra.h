// fit_spectra.h -- the spectra room as the other rooms see it: the spectrum dialog that
// loads a run and builds one spectrum, the weights its bins carry, and the spectrum title
// with the signs every report writes. The run reader stays inside.
#pragma once

#include "../getspect.h"
#include "../makespect.h"
#include "../titles.h"
