// loopdrv.cpp -- the main routine's loop around a known objective function, for
// transcript tests of the loop that need no run files: a chi-square of independent
// Gaussians (parameter k centred on k, width k/10) plus 10, over ten fitted points.
// Parameter 9 does not enter it (a flat direction, so HESSE fails), and the calls of
// flags 3 (final), 5 (PE), 6 (CH) and 7 (PL) say so on the screen, so a transcript
// shows when each is made.

#include "fio.h"
#include "fit_records.h"
#include "vulfit.h"

namespace {

constexpr int flat_par = 9;

void quadratic(int, double*, double& f, double* x, int iflag, void*)
{
    if (iflag == 1) {
        bestfit.ndata = 10;
        return;
    }
    if (iflag == 3) fio_write(6, "(A)", {" LOOPDRV: final call"});
    if (iflag == 5) fio_write(6, "(A)", {" LOOPDRV: peek"});
    if (iflag == 6) fio_write(6, "(' LOOPDRV: change, parameter',I4)", {changeparn});
    if (iflag == 7) fio_write(6, "(A)", {" LOOPDRV: plot"});
    long double sum = 10;  // a minimum that prints the same on every machine
    for (int k = 1; k <= bestfit.nparx; ++k) {
        if (k == flat_par) continue;
        const long double d = (x[k] - k) / (0.1L * k);
        sum += d * d;
    }
    f = static_cast<double>(sum);
}

}  // namespace

void MAIN__()
{
    vulfit_startup();
    for (;;) {
        vulfit_restart(quadratic);
        vulfit_loop(quadratic);
    }
}

int main()
{
    vulfit_signals();
    MAIN__();
}
