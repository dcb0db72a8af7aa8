// rozude_dia.cpp -- the "ROZUDE: " command dialog over the point buffer.
#include "plot_local.h"

void rozude()
{
    rozude_status.npt = dopltl.npt;
}
