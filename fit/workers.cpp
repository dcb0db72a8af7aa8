// workers.cpp -- the passes over the fitted bins, on OpenMP's threads (GCC's libgomp). The
// runtime keeps its threads between passes and lets them spin a while before they sleep, as
// OMP_WAIT_POLICY and GOMP_SPINCOUNT say; MINUIT asks again within microseconds.
#include "workers.h"

#include <omp.h>
#include <pthread.h>
#include <sched.h>
#include <signal.h>

#include <algorithm>
#include <cstdlib>
#include <thread>

namespace {

constexpr int max_threads = 256;

int processors()
{
    cpu_set_t set;
    if (sched_getaffinity(0, sizeof set, &set) == 0 && CPU_COUNT(&set) > 0) return CPU_COUNT(&set);
    return int(std::thread::hardware_concurrency());
}

// Worker threads never take the process's asynchronous signals: an interrupt still reaches
// the main thread, whose handler closes the files. A fault a job causes stays the thread's
// own and unblocked, so its handler runs as on the main thread; the kernel would end the
// process without it if the fault were blocked.
sigset_t async_signals()
{
    sigset_t set;
    sigfillset(&set);
    for (const int sig : {SIGFPE, SIGSEGV, SIGBUS, SIGILL, SIGTRAP, SIGABRT, SIGSYS}) sigdelset(&set, sig);
    return set;
}

// The runtime starts its threads inside a pass and they inherit the starting thread's mask:
// a pass that may start threads runs with the asynchronous signals blocked, and each worker
// also blocks them itself before its first job, should the runtime start one later.
int started = 1;  // most threads any pass has used
thread_local bool masked = false;

int limit = 0;  // workers_limit's value; 0 for none

}  // namespace

int workers_default(const char* omp_num_threads, int processors)
{
    if (const char* s = omp_num_threads) {
        long v = 0;
        while (*s == ' ') ++s;
        for (; *s >= '0' && *s <= '9' && v <= max_threads; ++s) v = 10 * v + (*s - '0');
        if (v >= 1) return int(std::min<long>(v, max_threads));
    }
    return std::clamp(processors, 1, max_threads);
}

int workers_available()
{
    static const int count = workers_default(std::getenv("OMP_NUM_THREADS"), processors());
    return limit > 0 ? limit : count;
}

void workers_limit(int n) { limit = n > 0 ? (n < max_threads ? n : max_threads) : 0; }

void workers_run(int n, int threads, void (*job)(void* ctx, int i), void* ctx)
{
    if (n <= 0) return;
    threads = std::min(threads, n);
    if (threads <= 1) {
        for (int i = 0; i < n; ++i) job(ctx, i);
        return;
    }
    static const sigset_t blocked = async_signals();
    sigset_t old;
    const bool grows = threads > started;
    if (grows) pthread_sigmask(SIG_BLOCK, &blocked, &old);
    // One job at a time to whichever thread is free: each job writes only its own results.
#pragma omp parallel for num_threads(threads) schedule(dynamic, 1)
    for (int i = 0; i < n; ++i) {
        if (!masked && omp_get_thread_num() != 0) {
            pthread_sigmask(SIG_BLOCK, &blocked, nullptr);
            masked = true;
        }
        job(ctx, i);
    }
    if (grows) {
        pthread_sigmask(SIG_SETMASK, &old, nullptr);
        started = threads;
    }
}
