// workers.cpp -- the worker pool: threads that wait for a pass, claim its jobs one by one
// and sleep again when the passes stop coming.
//
// A pass's jobs are claimed through one word holding the pass number and the next job, so a
// thread that wakes after its pass has ended can claim nothing, and the caller never waits
// for threads that come too late to help. Before a new pass is set up the word is closed
// (its next job past any count), so no claim of the old pass can slip in while it changes.
// Between the passes of one minimisation (MINUIT asks again within microseconds) the
// threads poll for a short while before they sleep.
#include "workers.h"

#include <pthread.h>
#include <sched.h>
#include <signal.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdlib>
#include <mutex>
#include <thread>
#include <vector>

namespace {

constexpr auto poll_time = std::chrono::microseconds(100);  // polling before sleeping
constexpr int max_threads = 256;

int processors()
{
    cpu_set_t set;
    if (sched_getaffinity(0, sizeof set, &set) == 0 && CPU_COUNT(&set) > 0) return CPU_COUNT(&set);
    return int(std::thread::hardware_concurrency());
}

// Tells the processor this thread is spinning (lets its sibling thread run on x86).
inline void spin_pause()
{
#if defined(__x86_64__) || defined(__i386__)
    __builtin_ia32_pause();
#elif defined(__aarch64__)
    asm volatile("yield");
#endif
}

// Calls ready() until it is true or the polling time is over; true when it became true.
// After a few pauses it yields the processor between looks: on a busy machine a polling
// thread must not keep a worker that holds a job (and so the whole pass) off its core.
template <class Ready>
bool poll(Ready ready)
{
    const auto until = std::chrono::steady_clock::now() + poll_time;
    for (int k = 0;; ++k) {
        if (ready()) return true;
        if (k < 64) {
            spin_pause();
        } else {
            std::this_thread::yield();
            if (std::chrono::steady_clock::now() > until) return false;
        }
    }
}

class Pool {
public:
    ~Pool();
    void run(int n, int threads, void (*job)(void*, int), void* ctx);

private:
    static constexpr std::uint64_t closed = 0xffffffffu;
    static std::uint64_t word(std::uint64_t pass, std::uint64_t next) { return pass << 32 | next; }
    void start_threads(int count);
    void serve(int index);
    void claim_all(std::uint32_t pass);

    std::mutex m_;
    std::condition_variable wake_;      // a new pass or the end
    std::condition_variable finished_;  // the last job of a pass is done
    std::vector<std::thread> threads_;
    std::atomic<std::uint64_t> ticket_{0};  // pass number << 32 | next job of that pass
    std::atomic<std::uint32_t> opened_{0};  // number of the last pass opened
    std::atomic<int> n_{0};                 // jobs of the current pass
    std::atomic<int> done_{0};              // jobs of the current pass finished
    std::atomic<int> helpers_{0};           // workers 0..helpers-1 take part in the pass
    std::atomic<bool> stop_{false};
    void (*job_)(void*, int) = nullptr;     // written before a pass is published
    void* ctx_ = nullptr;
};

Pool::~Pool()
{
    {
        std::lock_guard<std::mutex> lock(m_);
        stop_ = true;
    }
    wake_.notify_all();
    for (std::thread& t : threads_) t.join();
}

// New threads never take the process's asynchronous signals: an interrupt still reaches
// the main thread, whose handler closes the files. A fault a job causes stays the thread's
// own and unblocked, so its handler runs as on the main thread; the kernel would end the
// process without it if the fault were blocked.
void Pool::start_threads(int count)
{
    sigset_t all, old;
    sigfillset(&all);
    for (const int sig : {SIGFPE, SIGSEGV, SIGBUS, SIGILL, SIGTRAP, SIGABRT, SIGSYS}) sigdelset(&all, sig);
    pthread_sigmask(SIG_BLOCK, &all, &old);
    while (int(threads_.size()) < count) {
        const int index = int(threads_.size());
        threads_.emplace_back([this, index] { serve(index); });
    }
    pthread_sigmask(SIG_SETMASK, &old, nullptr);
}

// Claims jobs of pass `pass` until none is left (or the pass is over).
void Pool::claim_all(std::uint32_t pass)
{
    std::uint64_t cur = ticket_.load(std::memory_order_acquire);
    for (;;) {
        if (cur >> 32 != pass) return;
        const std::uint64_t i = cur & 0xffffffffu;
        if (i >= std::uint64_t(n_.load(std::memory_order_relaxed))) return;
        if (!ticket_.compare_exchange_weak(cur, cur + 1, std::memory_order_acq_rel)) continue;
        // The claim holds the pass open: job_ and ctx_ stay as published until it is done.
        job_(ctx_, int(i));
        if (done_.fetch_add(1, std::memory_order_acq_rel) + 1 == n_.load(std::memory_order_relaxed)) {
            std::lock_guard<std::mutex> lock(m_);
            finished_.notify_one();
        }
        cur = ticket_.load(std::memory_order_acquire);
    }
}

void Pool::serve(int index)
{
    std::uint32_t seen = 0;
    for (;;) {
        auto news = [&] {
            return stop_.load(std::memory_order_acquire) ||
                   opened_.load(std::memory_order_acquire) != seen;
        };
        if (!poll(news)) {
            std::unique_lock<std::mutex> lock(m_);
            wake_.wait(lock, news);
        }
        if (stop_.load(std::memory_order_acquire)) return;
        seen = opened_.load(std::memory_order_acquire);
        if (index < helpers_.load(std::memory_order_relaxed)) claim_all(seen);
    }
}

void Pool::run(int n, int threads, void (*job)(void*, int), void* ctx)
{
    const int helpers = std::min(threads, n) - 1;
    if (helpers < 1) {
        for (int i = 0; i < n; ++i) job(ctx, i);
        return;
    }
    if (int(threads_.size()) < helpers) start_threads(helpers);
    const std::uint32_t pass = opened_.load(std::memory_order_relaxed) + 1;
    ticket_.store(word(pass, closed), std::memory_order_seq_cst);
    {
        std::lock_guard<std::mutex> lock(m_);
        job_ = job;
        ctx_ = ctx;
        n_.store(n, std::memory_order_relaxed);
        done_.store(0, std::memory_order_relaxed);
        helpers_.store(helpers, std::memory_order_relaxed);
        ticket_.store(word(pass, 0), std::memory_order_release);
        opened_.store(pass, std::memory_order_release);
    }
    wake_.notify_all();
    claim_all(pass);
    auto all_done = [&] { return done_.load(std::memory_order_acquire) == n; };
    if (!poll(all_done)) {
        std::unique_lock<std::mutex> lock(m_);
        finished_.wait(lock, all_done);
    }
}

Pool& pool()
{
    static Pool p;
    return p;
}

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
    pool().run(n, threads, job, ctx);
}
