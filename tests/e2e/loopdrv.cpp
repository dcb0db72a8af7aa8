// loopdrv.cpp -- the main routine's loop around a known objective function, for
// transcript tests of the loop that need no run files: a chi-square of independent
// Gaussians (parameter k centred on k, width k/10) plus 10, over ten fitted points.

#include "fit_records.h"
#include "vulfit.h"

namespace {

void quadratic(int, double*, double& f, double* x, int iflag, void*)
{
    if (iflag == 1) {
        bestfit.ndata = 10;
        return;
    }
    long double sum = 10;  // a minimum that prints the same on every machine
    for (int k = 1; k <= bestfit.nparx; ++k) {
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
