// spect_local.h -- what the spectrum dialog and the construction share inside their room:
// the slots of a spectrum type.
#pragma once

// Histogram slots a spectrum type uses: 1 for raw counts and one-histogram asymmetry,
// 2 for asymmetry and ratio, 4 for the rotating frame.
inline int slots_of_type(int type) { return type <= 1 ? 1 : type <= 3 ? 2 : 4; }
