// loopdrv.cpp -- the main routine's loop around a known objective function, for
// transcript tests of the loop that need no run files: a chi-square of independent
// Gaussians (each parameter k that MINUIT knows centred on k, width k/10) plus 10, over
// ten fitted points.
// Parameter 9 does not enter it (a flat direction, so HESSE fails), parameter 8 enters
// with the opposite sign (a maximum, so HESSE forces the matrix positive-definite), and
// the calls of
// flags 3 (final), 5 (PE), 6 (CH) and 7 (PL) say so on the screen, so a transcript
// shows when each is made.

#include <string>

#include "fio.h"
#include "fit_loop.h"
#include "fit_records.h"

namespace {

constexpr int concave_par = 8, flat_par = 9;

void quadratic(int, double*, double& f, double* x, int iflag, void*)
{
    if (iflag == mn_flag_setup) {
        bestfit.ndata = 10;
        return;
    }
    if (iflag == mn_flag_final) fio_write(6, "(A)", {" LOOPDRV: final call"});
    if (iflag == flag_peek) fio_write(6, "(A)", {" LOOPDRV: peek"});
    if (iflag == flag_change) fio_write(6, "(' LOOPDRV: change, parameter',I4)", {changeparn});
    if (iflag == flag_plot) fio_write(6, "(A)", {" LOOPDRV: plot"});
    long double sum = 10;  // a minimum that prints the same on every machine
    for (int k = 1; k <= bestfit.nparx; ++k) {
        std::string name;
        double value = 0, error = 0, lower = 0, upper = 0;
        int internal = 0;
        mnpout(k, name, value, error, lower, upper, internal);
        if (internal < 0 || k == flat_par) continue;  // not defined, or flat
        const long double d = (x[k] - k) / (0.1L * k);
        sum += (k == concave_par) ? -d * d : d * d;
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
