// dialog_run.h -- runs a piece of the program in a child process whose standard input is
// a pipe (batch) or a pseudo-terminal (interactive), and collects what it wrote and how it
// ended; the dialogs stop the process on some answers, so they cannot run in the test itself.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>

#include "ask.h"

struct DialogResult {
    std::string out;   // standard output and error as the user saw them
    int status = -1;   // exit status; -1 when the child did not exit normally
};

namespace dialog_detail {

// Everything the child writes, until it closes or `ms` pass without output.
inline std::string drain(int fd, int ms)
{
    std::string out;
    char buf[4096];
    for (;;) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, ms) <= 0) break;
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n <= 0) break;
        out.append(buf, static_cast<std::size_t>(n));
    }
    return out;
}

[[noreturn]] inline void child(const std::function<void()>& body)
{
    ::setenv("TERM", "dumb", 1);
    ::setenv("INPUTRC", "/dev/null", 1);
    body();
    fio_close_all();
    std::fflush(nullptr);
    ::_exit(0);
}

// A sanitizer build's leak checker ends a child that ran after the font library had with
// its table of suppressions used; that is not the program's output, so it is taken out.
inline void drop_leak_table(std::string& out)
{
    const std::string rule(53, '-');
    const std::string head = rule + "\nSuppressions used:\n";
    const std::size_t b = out.find(head);
    if (b == std::string::npos) return;
    const std::size_t e = out.find("\n" + rule + "\n", b + head.size());
    if (e == std::string::npos) return;
    std::size_t end = e + rule.size() + 2;
    if (end < out.size() && out[end] == '\n') ++end;  // the checker's closing empty line
    out.erase(b, end - b);
}

inline int status_of(pid_t pid)
{
    int ws = 0;
    ::waitpid(pid, &ws, 0);
    return WIFEXITED(ws) ? WEXITSTATUS(ws) : -1;
}

}  // namespace dialog_detail

// Runs body with input on standard input: through a pipe, or typed at a pseudo-terminal
// (tty true; its own echo is off, so the line editor's echo is what shows).
inline DialogResult run_dialog(const std::function<void()>& body, const std::string& input,
                               bool tty = false)
{
    std::fflush(nullptr);
    DialogResult r;
    if (tty) {
        termios t{};
        ::cfmakeraw(&t);
        t.c_lflag |= ICANON;
        t.c_oflag |= OPOST | ONLCR;
        t.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        int master = -1;
        const pid_t pid = ::forkpty(&master, nullptr, &t, nullptr);
        if (pid == 0) dialog_detail::child(body);
        if (::write(master, input.data(), input.size()) < 0) std::perror("write");
        r.out = dialog_detail::drain(master, 3000);
        ::close(master);
        r.status = dialog_detail::status_of(pid);
        std::string clean;  // the terminal's line ends
        for (char c : r.out)
            if (c != '\r') clean += c;
        r.out = clean;
        dialog_detail::drop_leak_table(r.out);
        return r;
    }
    int in[2], out[2];
    if (::pipe(in) != 0 || ::pipe(out) != 0) return r;
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(in[0], 0);
        ::dup2(out[1], 1);
        ::dup2(out[1], 2);
        ::close(in[0]), ::close(in[1]), ::close(out[0]), ::close(out[1]);
        dialog_detail::child(body);
    }
    ::close(in[0]);
    ::close(out[1]);
    if (::write(in[1], input.data(), input.size()) < 0) std::perror("write");
    ::close(in[1]);
    r.out = dialog_detail::drain(out[0], 10000);
    ::close(out[0]);
    r.status = dialog_detail::status_of(pid);
    dialog_detail::drop_leak_table(r.out);
    return r;
}
