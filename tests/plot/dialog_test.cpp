// dialog_test.cpp -- the "ROZUDE: " dialog driven through standard input in a child
// process (it may stop the process), with the null device as the default.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "../fit/dialog_run.h"
#include "ask.h"
#include "plot_local.h"

namespace {

// Runs rozude over two points, with input on a pipe (batch) or a terminal; then writes
// the buffer count, the status and what the test asks to see.
DialogResult run_rozude(const std::string& input, const std::function<void()>& after = {},
                        bool tty = false)
{
    return run_dialog(
        [&] {
            ::setenv("PGPLOT_DEV", "/null", 1);
            doplch(1.0f, 2.0f, 5);
            doplpt(3.0f, 4.0f);
            rozude();
            fio_write(6, "(' npt',I3,' status',I3)", {dopltl.npt, rozude_status.npt});
            if (after) after();
        },
        input, tty);
}

TEST(Dialog, Raw)
{
    const DialogResult r = run_rozude("X_LIMITS 5,1\nH 3\n\n\n");
    std::printf("%s|%d\n", r.out.c_str(), r.status);
    const DialogResult r2 = run_rozude("X_LIMITS 5,1\nH 3\n\n\n", {}, true);
    std::printf("%s|%d\n", r2.out.c_str(), r2.status);
}

}  // namespace
