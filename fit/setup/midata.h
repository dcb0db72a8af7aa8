// midata.h -- the title and parameter lines that open every fit.
#pragma once

// Reads the title and the parameter lines into MINUIT and bestfit (stops the process on
// fatal parameter errors).
void midata();
