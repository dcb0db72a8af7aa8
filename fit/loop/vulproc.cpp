// vulproc.cpp -- the process around the main routine: what a signal does.
// A handler does only what is safe in a signal: a short message, the removal of the
// temporaries of unfinished rewrites (names kept ready by fio), and the end of the process.
// Buffers are not flushed there (a log blocked on a FIFO would block the handler too); the
// units are flushed before every question, so the log keeps what came before the last one.

#include <csignal>
#include <cstdio>
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

// Interrupt, termination, a terminal's hang-up and a reader gone from a pipe end the run
// with status 1.
void on_stop_signal(int sig)
{
    if (sig == SIGINT) tell_stderr("Interrupt\n");
    else if (sig == SIGHUP) tell_stderr("Hangup\n");
    else if (sig == SIGPIPE) tell_stderr("Broken pipe\n");
    else tell_stderr("Killed\n");
    ZOG_dropTemporaries();
    fio_remove_temporaries();
    _exit(1);
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
    fio_remove_temporaries();
    std::signal(SIGABRT, SIG_DFL);
    std::abort();
}

// KAVRIN_SIGNAL_AT="site:count:signal" raises the signal the count-th time a rewrite
// reaches the site (fio_whole_site: 1 placeholder made, 2 temporary made, 3 between the
// answer file and its table row), so a test can stop the run at that very moment.
int signal_site = 0, signal_count = 0, signal_number = 0;

void signal_at_site(FioWholeSite site)
{
    if (site == signal_site && --signal_count == 0) raise(signal_number);
}

void arm_signal_site()
{
    const char* at = std::getenv("KAVRIN_SIGNAL_AT");
    if (at == nullptr ||
        std::sscanf(at, "%d:%d:%d", &signal_site, &signal_count, &signal_number) != 3 ||
        signal_count < 1 || signal_number < 1 || signal_number >= NSIG)
        return;
    fio_whole_site = signal_at_site;
}

}  // namespace

void vulfit_signals()
{
    arm_signal_site();
    std::signal(SIGINT, on_stop_signal);
    std::signal(SIGTERM, on_stop_signal);
    // A closed terminal window ends the run the same way: a half-written answer file's
    // temporary is removed and the log keeps what was written. A run started to outlive
    // its terminal (nohup) goes on.
    if (std::signal(SIGHUP, on_stop_signal) == SIG_IGN) std::signal(SIGHUP, SIG_IGN);
    // A log's FIFO (or the screen's pipe) whose reader left: the lines can no longer be
    // delivered, which the run says as it ends, rather than dying in silence.
    if (std::signal(SIGPIPE, on_stop_signal) == SIG_IGN) std::signal(SIGPIPE, SIG_IGN);
    // A file-size limit makes the write fail with its reason, which the writer reports,
    // instead of ending the process.
    std::signal(SIGXFSZ, SIG_IGN);
    for (int sig : {SIGFPE, SIGQUIT, SIGTRAP, SIGABRT}) std::signal(sig, on_fault_signal);
}
