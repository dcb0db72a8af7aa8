// demo_fit_bench.cpp -- wall time and objective-function calls of the whole batch fit of
// the demo (both fits of examples/demo.kav, set-up to EXIT), repeated in fresh processes.
//
//   bash scripts/demo.sh          (builds, makes the runs in build/demo)
//   build/release/bench/demo_fit_bench build/demo examples/demo.kav [repeats]
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "fit_loop.h"

namespace {

constexpr int max_fits = 8;

// Calls of the objective function per fit (a fit starts with its flag-1 call) and in all.
struct Calls {
    std::array<long, max_fits> per_fit{};
    int fits = 0;
    long evaluations = 0;  // flags 2 and 4: what MINUIT asks for while it works
};
Calls calls;
int report_fd = -1;

void counting_fcn(int npar, double grad[], double& f, double x[], int flag, void* futil)
{
    if (flag <= mn_flag_setup && calls.fits < max_fits) ++calls.fits;
    if (calls.fits > 0) ++calls.per_fit[static_cast<std::size_t>(calls.fits - 1)];
    if (flag == mn_flag_gradient || flag == mn_flag_value) ++calls.evaluations;
    dirade(npar, grad, f, x, flag, futil);
}

void report_calls()
{
    if (report_fd >= 0) (void)!::write(report_fd, &calls, sizeof calls);
}

// One whole batch run in a child process; the parent gets its calls through a pipe.
double run_once(const std::string& dir, const std::string& script, Calls& got)
{
    int fds[2];
    if (::pipe(fds) != 0) std::exit(2);
    const auto t0 = std::chrono::steady_clock::now();
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(fds[0]);
        report_fd = fds[1];
        if (::chdir(dir.c_str()) != 0 || std::freopen(script.c_str(), "r", stdin) == nullptr ||
            std::freopen("demo_fit_bench.out", "w", stdout) == nullptr)  // in the run folder
            ::_exit(3);
        std::atexit(report_calls);
        vulfit_startup();
        for (;;) {
            vulfit_restart(counting_fcn);
            vulfit_loop(counting_fcn);
        }
    }
    ::close(fds[1]);
    got = Calls{};
    const ssize_t n = ::read(fds[0], &got, sizeof got);
    ::close(fds[0]);
    int ws = 0;
    ::waitpid(pid, &ws, 0);
    const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    if (n != static_cast<ssize_t>(sizeof got) || !WIFEXITED(ws) || WEXITSTATUS(ws) != 0) {
        std::fprintf(stderr, "demo_fit_bench: the batch run failed (status %d)\n",
                     WIFEXITED(ws) ? WEXITSTATUS(ws) : -1);
        std::exit(1);
    }
    return s;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: demo_fit_bench RUN_DIR SCRIPT [repeats]\n");
        return 2;
    }
    const std::string dir = argv[1];
    const std::string script = std::filesystem::absolute(argv[2]).string();
    const int repeats = argc > 3 ? std::max(1, std::atoi(argv[3])) : 10;
    std::vector<double> wall;
    Calls got;
    for (int i = 0; i < repeats; ++i) wall.push_back(run_once(dir, script, got));
    std::sort(wall.begin(), wall.end());
    long total = 0;
    for (int k = 0; k < got.fits; ++k) total += got.per_fit[static_cast<std::size_t>(k)];
    std::printf("whole batch fit of the demo (%d fits, %d runs): wall time min %.1f ms, "
                "median %.1f ms\n",
                got.fits, repeats, 1e3 * wall.front(), 1e3 * wall[wall.size() / 2]);
    std::printf("objective-function calls: %ld in all (", total);
    for (int k = 0; k < got.fits; ++k)
        std::printf("%sfit %d: %ld", k ? ", " : "", k + 1, got.per_fit[static_cast<std::size_t>(k)]);
    std::printf("), %ld of them evaluations; %.1f us a call, process start-up included\n",
                got.evaluations, 1e6 * wall.front() / static_cast<double>(std::max(total, 1L)));
    return 0;
}
