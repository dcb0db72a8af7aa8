// main.cpp -- the kavrin process: signal handlers, then the main routine, which ends the
// process itself (every stop closes the units first).

#include "fit_loop.h"

void MAIN__()
{
    vulfit_startup();
    for (;;) {
        vulfit_restart(dirade);
        vulfit_loop(dirade);
    }
}

int main()
{
    vulfit_signals();
    MAIN__();
}
