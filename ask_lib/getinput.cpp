// getinput.cpp -- standard input: at a terminal through GNU readline, in batch as it stands.
// Both read no further than the line they return, so a shell command or MINUIT's SAVE can
// read the next lines of standard input themselves.

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <unistd.h>

#include <readline/history.h>
#include <readline/readline.h>

#include "askq_local.h"
#include "fio.h"

namespace {

// Lines a terminal session keeps for recall; every answer of a long session would
// otherwise stay in memory and slow each line down.
constexpr int history_lines = 2000;

bool input_ended = false;  // a question met the end of standard input: it is not read again

void screen(std::string_view text)
{
    std::fwrite(text.data(), 1, text.size(), stdout);
}

// One line of a script, as the same line of an "@" file: every byte is data (TAB, control
// bytes, ^D, bytes above 127). The prompt goes out before the read waits, so a program that
// drives the run through pipes sees each question before it answers.
std::optional<std::string> script_line()
{
    std::string line;
    if (fio_read_line(fio_stdin, line) != 0) return std::nullopt;
    return line;
}

std::optional<std::string> keyboard_line(const std::string& prompt)
{
    static bool stifled = false;
    if (!stifled) {
        stifle_history(history_lines);
        stifled = true;
    }
    rl_instream = stdin;
    rl_outstream = stdout;
    char* got = readline(prompt.c_str());
    if (got == nullptr) return std::nullopt;
    std::string line(got);
    std::free(got);
    if (!line.empty() && line.back() == '\r') line.pop_back();  // as a file's record
    add_history(line.c_str());
    return line;
}

}  // namespace

bool loc_batch() { return isatty(STDIN_FILENO) == 0; }

bool ask_eof() { return input_ended; }

bool ask_unattended() { return input_ended || loc_batch(); }

std::optional<std::string> input_line(std::string_view prompt)
{
    const std::string shown = fio_screen_text(fio_stdout, prompt);  // as the screen's lines
    ask_flush();                                // our own lines first, then the prompt
    std::optional<std::string> got;
    if (input_ended || loc_batch()) {
        screen(shown);                          // the transcript shows prompt and answer
        if (!input_ended) got = script_line();
        screen(got ? fio_screen_text(fio_stdout, *got) + '\n' : "\n");
    } else {
        got = keyboard_line(shown);
        if (!got) screen("\n");                 // the prompt's line ends here
    }
    std::fflush(stdout);
    return got;
}

void terminal_line(std::string_view prompt, std::string& line)
{
    std::optional<std::string> got = input_line(prompt.substr(0, 80));
    if (!got) input_ended = true;
    line = got ? std::move(*got) : std::string();
}

void getinput(std::string_view prompt, std::span<char> line)
{
    std::string got;
    terminal_line(prompt, got);
    put_text(line, got);
}
