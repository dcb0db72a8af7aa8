// ask_run.h -- runs the question-engine driver through a pipe or a pseudo-terminal.
// Each run gets a fresh scratch directory, so answer files can be written beside it.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

struct RunResult {
    std::string out;   // standard output and standard error, as the user saw them
    int status = -1;   // exit status, or -1 when the driver did not exit normally
};

// A scratch directory for one test, removed at the end.
struct Scratch {
    std::filesystem::path dir;
    Scratch()
    {
        char tmpl[] = "/tmp/askq_XXXXXX";
        dir = ::mkdtemp(tmpl);
    }
    ~Scratch() { std::filesystem::remove_all(dir); }
    void write(const std::string& name, const std::string& text) const
    {
        std::ofstream(dir / name) << text;
    }
    std::string read(const std::string& name) const
    {
        std::ifstream f(dir / name);
        return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
    }
};

namespace ask_run_detail {

// env: further "NAME=value" settings, after the usual ones.
inline void exec_driver(const std::filesystem::path& dir, const std::vector<std::string>& steps,
                        const std::vector<std::string>& env = {})
{
    if (::chdir(dir.c_str()) != 0) ::_exit(126);
    ::setenv("TERM", "dumb", 1);
    ::setenv("INPUTRC", "/dev/null", 1);
    ::setenv("ASAN_OPTIONS", "detect_leaks=0", 1);
    for (const std::string& e : env) {
        const std::size_t eq = e.find('=');
        ::setenv(e.substr(0, eq).c_str(), e.substr(eq + 1).c_str(), 1);
    }
    std::vector<char*> argv;
    static std::string prog = ASK_DRIVER;
    argv.push_back(prog.data());
    for (const std::string& s : steps) argv.push_back(const_cast<char*>(s.c_str()));
    argv.push_back(nullptr);
    ::execv(prog.c_str(), argv.data());
    ::_exit(127);
}

inline int wait_status(pid_t pid)
{
    int ws = 0;
    ::waitpid(pid, &ws, 0);
    return WIFEXITED(ws) ? WEXITSTATUS(ws) : -1;
}

// Reads fd until it has no more to give within ms milliseconds (or it closes).
inline bool read_some(int fd, std::string& out, int ms)
{
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, ms) <= 0) return false;
    char buf[4096];
    const ssize_t n = ::read(fd, buf, sizeof buf);
    if (n <= 0) return false;
    out.append(buf, static_cast<std::size_t>(n));
    return true;
}

}  // namespace ask_run_detail

// Standard input is a pipe holding input; the driver runs in batch mode.
inline RunResult run_piped(const Scratch& s, const std::vector<std::string>& steps,
                           const std::string& input, const std::vector<std::string>& env = {})
{
    int in[2], out[2];
    if (::pipe(in) != 0 || ::pipe(out) != 0) return {};
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(in[0], 0);
        ::dup2(out[1], 1);
        ::dup2(out[1], 2);
        ::close(in[0]); ::close(in[1]); ::close(out[0]); ::close(out[1]);
        ask_run_detail::exec_driver(s.dir, steps, env);
    }
    ::close(in[0]);
    ::close(out[1]);
    if (!input.empty() && ::write(in[1], input.data(), input.size()) < 0) {}
    ::close(in[1]);
    RunResult r;
    while (ask_run_detail::read_some(out[0], r.out, 10000)) {}
    ::close(out[0]);
    r.status = ask_run_detail::wait_status(pid);
    return r;
}

// One exchange at the terminal: wait until the output ends with expect, then type send.
struct Typed {
    std::string expect;
    std::string send;
};

// Standard input and output are a pseudo-terminal; each answer is typed only once its
// prompt is shown, as a user would. Ends with ^D (end of input) at the last prompt.
inline RunResult run_pty(const Scratch& s, const std::vector<std::string>& steps,
                         const std::vector<Typed>& typed)
{
    int master = -1;
    winsize ws_size{};
    ws_size.ws_row = 50;
    ws_size.ws_col = 200;                    // wide enough that readline never scrolls
    const pid_t pid = ::forkpty(&master, nullptr, nullptr, &ws_size);
    if (pid == 0) ask_run_detail::exec_driver(s.dir, steps);
    RunResult r;
    int ws = 0;
    bool reaped = false;
    std::size_t seen = 0;                    // output before the last answer typed
    auto wait_for = [&](const std::string& tail) {
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!(r.out.size() >= seen + tail.size() &&
                 r.out.compare(r.out.size() - tail.size(), tail.size(), tail) == 0)) {
            if (std::chrono::steady_clock::now() > until) return false;
            if (!ask_run_detail::read_some(master, r.out, 100) && !reaped &&
                ::waitpid(pid, &ws, WNOHANG) == pid)
                reaped = true;
            if (reaped && !ask_run_detail::read_some(master, r.out, 0)) return false;
        }
        seen = r.out.size();
        return true;
    };
    for (const Typed& t : typed) {
        if (!wait_for(t.expect)) break;
        if (::write(master, t.send.data(), t.send.size()) < 0) break;
    }
    while (ask_run_detail::read_some(master, r.out, 3000)) {}
    ::close(master);
    if (!reaped) ::waitpid(pid, &ws, 0);
    r.status = WIFEXITED(ws) ? WEXITSTATUS(ws) : -1;
    std::string clean;                       // the terminal's line ends read as "\n"
    for (char c : r.out)
        if (c != '\r') clean += c;
    r.out = clean;
    return r;
}

// Only the lines that show what the questions stored.
inline std::string stored(const std::string& out)
{
    std::string r;
    std::size_t from = 0;
    while (from < out.size()) {
        std::size_t end = out.find('\n', from);
        if (end == std::string::npos) end = out.size();
        const std::string line = out.substr(from, end - from);
        const std::size_t at = line.find("=> ");
        if (at != std::string::npos) r += line.substr(at) + "\n";
        from = end + 1;
    }
    return r;
}
