// workers_test.cpp -- the worker pool: every job once, on the threads asked for, pass
// after pass; the default count from OMP_NUM_THREADS or the processors; the signals a
// worker takes.
#include <gtest/gtest.h>

#include <pthread.h>
#include <signal.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

#include "workers.h"

namespace {

struct Tally {
    std::vector<std::atomic<int>> runs;
    std::mutex m;
    std::set<std::thread::id> threads;
    explicit Tally(int n) : runs(static_cast<std::size_t>(n)) {}
};

void count_job(void* ctx, int i)
{
    Tally& t = *static_cast<Tally*>(ctx);
    t.runs[static_cast<std::size_t>(i)].fetch_add(1);
    volatile double s = 0;
    for (int k = 0; k < 20000; ++k) s = s + k;  // long enough for the others to join in
    const std::lock_guard<std::mutex> lock(t.m);
    t.threads.insert(std::this_thread::get_id());
}

TEST(Workers, EveryJobOnceOnTheThreadsAskedFor)
{
    struct Case {
        int n, threads;
    };
    for (const Case c : {Case{0, 4}, Case{1, 8}, Case{5, 1}, Case{7, 3}, Case{64, 8}, Case{200, 2},
                         Case{3, 8}}) {
        for (int pass = 0; pass < 10; ++pass) {
            Tally t(c.n);
            workers_run(c.n, c.threads, count_job, &t);
            for (int i = 0; i < c.n; ++i)
                ASSERT_EQ(t.runs[static_cast<std::size_t>(i)].load(), 1)
                    << c.n << " jobs on " << c.threads << " threads, job " << i;
            EXPECT_LE(int(t.threads.size()), std::max(1, std::min(c.n, c.threads)));
            if (c.threads == 1) {
                EXPECT_TRUE(c.n == 0 || t.threads.count(std::this_thread::get_id()) == 1);
            }
        }
    }
}

TEST(Workers, DefaultCount)
{
    struct Case {
        const char* env;
        int processors, want;
    };
    const Case cases[] = {
        {nullptr, 8, 8}, {nullptr, 0, 1},  {"3", 8, 3},    {" 12", 8, 12}, {"4,2", 8, 4},
        {"0", 8, 8},     {"", 6, 6},       {"many", 6, 6}, {"-2", 6, 6},   {"100000", 8, 256},
    };
    for (const Case& c : cases)
        EXPECT_EQ(workers_default(c.env, c.processors), c.want) << (c.env ? c.env : "unset");
}

// A worker never takes an interrupt or a termination meant for the process (the main
// thread's handler closes the files), but a fault its own job causes reaches the handler
// on that thread, as it would on the main thread: blocked, a fault ends the process at once,
// without its message and with the log's last lines unwritten.
struct SignalSeen {
    std::thread::id main = std::this_thread::get_id();
    std::atomic<bool> on_worker{false};  // a job has run on a worker
    sigset_t mask{};                     // that worker's mask
};
std::atomic<int> traps{0};
void on_trap(int) { traps.fetch_add(1); }

void signal_job(void* ctx, int)
{
    SignalSeen& seen = *static_cast<SignalSeen*>(ctx);
    if (std::this_thread::get_id() != seen.main) {
        pthread_sigmask(SIG_BLOCK, nullptr, &seen.mask);
        raise(SIGTRAP);  // as a breakpoint or a trap instruction in the job would
        seen.on_worker = true;
        return;
    }
    // The main thread's job waits (a while at most) until a worker has taken the other.
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!seen.on_worker && std::chrono::steady_clock::now() < until) std::this_thread::yield();
}

TEST(Workers, FaultsReachTheirHandlerInterruptsTheMainThread)
{
    struct sigaction trap {}, old {};
    trap.sa_handler = on_trap;
    sigemptyset(&trap.sa_mask);
    ASSERT_EQ(sigaction(SIGTRAP, &trap, &old), 0);
    SignalSeen seen;
    workers_run(2, 2, signal_job, &seen);
    sigaction(SIGTRAP, &old, nullptr);
    ASSERT_TRUE(seen.on_worker) << "no job ran on a worker";
    EXPECT_EQ(traps.load(), 1);
    for (const int sig : {SIGINT, SIGTERM, SIGQUIT, SIGHUP, SIGUSR1})
        EXPECT_EQ(sigismember(&seen.mask, sig), 1) << "signal " << sig << " not blocked";
    for (const int sig : {SIGFPE, SIGSEGV, SIGBUS, SIGILL, SIGTRAP, SIGABRT})
        EXPECT_EQ(sigismember(&seen.mask, sig), 0) << "fault signal " << sig << " blocked";
}

}  // namespace
