// rozude_draw.cpp -- one drawing of the point buffer: open a device, frame, points, close.
#include "plot_local.h"

DrawEnd rozude_draw()
{
    rozude_priv.no_change = true;
    return DrawEnd::no_device;
}

void rozude_next()
{
    rozude_draw();
    rozude_clear();
    rozude_status.npt = 0;
}
