// getinput.cpp -- the terminal read through GNU readline, and the batch test.
// readline is the only reader of standard input, so no answer is ever read ahead.

#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

#include <readline/history.h>
#include <readline/readline.h>

#include "askq_local.h"
#include "fio.h"

namespace {

bool at_eof = false;  // the last readline call found the end of standard input

// Without a terminal there is no screen to scroll: a wide line keeps long answers whole in
// the batch transcript instead of readline's horizontal scrolling.
void widen_for_batch()
{
    static bool done = false;
    if (done || isatty(STDIN_FILENO) != 0) return;
    done = true;
    rl_initialize();
    rl_set_screen_size(24, 4096);
}

}  // namespace

bool loc_batch() { return isatty(STDIN_FILENO) == 0; }

bool ask_eof() { return at_eof; }

void getinput(std::string_view prompt, std::span<char> line)
{
    const std::string shown(prompt.substr(0, 80));
    ask_flush();                                // our own lines first, then the prompt
    rl_instream = stdin;
    rl_outstream = stdout;                      // in batch the transcript shows the answer
    widen_for_batch();
    char* got = readline(fio_screen_text(fio_stdout, shown).c_str());
    at_eof = got == nullptr;
    if (got == nullptr) {
        put_text(line, "");
        fio_write(fio_stdout, "()");            // the prompt's line ends here
        ask_flush();
        return;
    }
    add_history(got);
    put_text(line, got);
    std::free(got);
}
