// vulproc.cpp -- the process around the main routine: what a signal does.
// Every unit is closed (so the log keeps what was written) before the process ends.

#include <csignal>
#include <cstdlib>
#include <unistd.h>

#include "fio.h"
#include "vulfit.h"
#include "zog.h"

namespace {

void tell_stderr(const char* text, std::size_t n)
{
    ssize_t ignored = write(STDERR_FILENO, text, n);
    (void)ignored;
}

template <std::size_t N>
void tell_stderr(const char (&text)[N]) { tell_stderr(text, N - 1); }

// Interrupt, termination and a terminal's hang-up end the run with status 1.
void on_stop_signal(int sig)
{
    if (sig == SIGINT) tell_stderr("Interrupt\n");
    else if (sig == SIGHUP) tell_stderr("Hangup\n");
    else tell_stderr("Killed\n");
    ZOG_dropTemporaries();
    fio_close_all();
    std::_Exit(1);
}

// The faults end it with a core dump, as an abort does.
void on_fault_signal(int sig)
{
    switch (sig) {
    case SIGFPE: tell_stderr("Floating Exception\n"); break;
    case SIGQUIT: tell_stderr("Quit signal\n"); break;
    case SIGTRAP: tell_stderr("Trace trap\n"); break;
    default: tell_stderr("IOT Trap\n"); break;
    }
    ZOG_dropTemporaries();
    fio_close_all();
    std::signal(SIGABRT, SIG_DFL);
    std::abort();
}

}  // namespace

void vulfit_signals()
{
    std::signal(SIGINT, on_stop_signal);
    std::signal(SIGTERM, on_stop_signal);
    // A closed terminal window ends the run the same way: a half-written answer file's
    // temporary is removed and the log keeps what was written. A run started to outlive
    // its terminal (nohup) goes on.
    if (std::signal(SIGHUP, on_stop_signal) == SIG_IGN) std::signal(SIGHUP, SIG_IGN);
    // A file-size limit makes the write fail with its reason, which the writer reports,
    // instead of ending the process.
    std::signal(SIGXFSZ, SIG_IGN);
    for (int sig : {SIGFPE, SIGQUIT, SIGTRAP, SIGABRT}) std::signal(sig, on_fault_signal);
}
