// workers_test.cpp -- the worker pool: every job once, on the threads asked for, pass
// after pass; the default count from OMP_NUM_THREADS or the processors.
#include <gtest/gtest.h>

#include <atomic>
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

}  // namespace
