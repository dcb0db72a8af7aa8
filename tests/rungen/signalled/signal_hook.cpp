// signal_hook.cpp -- linked into a test build of the generator: the library's
// fault hook sends it a signal at one site, named by RUNGEN_SIGNAL_AT="site sig".

#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "zog_local.h"

namespace {

int site = 0, sig = 0;

int send_at(int s)
{
    if (s == site) {
        site = 0;
        ::kill(::getpid(), sig);
    }
    return 0;
}

// Before the generator's main: the hook is in place for its whole run.
[[maybe_unused]] const bool installed = [] {
    const char* at = std::getenv("RUNGEN_SIGNAL_AT");
    if (at == nullptr || std::sscanf(at, "%d %d", &site, &sig) != 2) return false;
    zog_fault = send_at;
    return true;
}();

}  // namespace
