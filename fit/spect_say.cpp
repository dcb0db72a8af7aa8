// spect_say.cpp -- the screen door of the run reader, spectrum dialog and construction.
#include <cstdarg>
#include <cstdio>

#include "spect_local.h"

void spect_say(const char* fmt, ...)
{
    std::va_list ap;
    va_start(ap, fmt);
    std::vprintf(fmt, ap);
    va_end(ap);
    std::putchar('\n');
    std::fflush(stdout);
}
