// pending_getspect.cpp -- stand-in for the spectrum dialog until it lands (delete this
// file then): no run can be loaded yet.
#include <span>

#include "ask.h"
#include "setup.h"
#include "setup_local.h"

int getspect(std::span<char>)
{
    fio_write(fio_stdout, "(/,' *** stopped -- No ZOG Filename ***',/)");
    ask_stop(1);
    return 0;
}
