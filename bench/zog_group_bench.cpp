// zog_group_bench.cpp -- time per member of building a large group of a run
// file: appending members (ZOG_addToGroup), recomputing offsets (ZOG_setSizes),
// encoding the whole file in memory, and the same through the handle
// (ZOG_setScalers; every scaler's counts and label set one by one; then
// ZOG_closeWrite, which sizes, encodes, writes and syncs the file beside the
// old one and renames it). Flat columns mean linear work;
// ZOG_closeWrite also pays a fixed cost per file (the sync), printed apart.
//
// usage: zog_group_bench [largest member count, default 1000000]
// The file goes to the temporary folder (TMPDIR): on a RAM disk its sync costs
// nothing and the ZOG_closeWrite column shows the encoding and copying alone.

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "zog.h"
#include "zog_local.h"

namespace {

using Clock = std::chrono::steady_clock;

double seconds_since(Clock::time_point t0)
{
    return std::chrono::duration<double>(Clock::now() - t0).count();
}

struct Times {
    double add = 1e300, sizes = 1e300, encode = 1e300, set = 1e300, each = 1e300, close = 1e300;  // best of the repeats, seconds
};

// One in-memory group of n scalers in a head group.
void in_memory(int n, Times* t)
{
    ZOG_SEC_GRP* head = static_cast<ZOG_SEC_GRP*>(ZOG_new(ZOG_ID_GRP, ZOG_FMT_GENERIC));
    ZOG_SEC_GRP* g = static_cast<ZOG_SEC_GRP*>(ZOG_new(ZOG_ID_GRP, ZOG_SCALER_GRP));
    std::vector<ZOG_SEC*> recs(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) recs[static_cast<std::size_t>(i)] = ZOG_new(ZOG_ID_GEN_SCALER, static_cast<std::uint32_t>(i + 1));
    Clock::time_point t0 = Clock::now();
    for (ZOG_SEC* r : recs) ZOG_addToGroup(g, r);
    t->add = std::min(t->add, seconds_since(t0));
    ZOG_addToGroup(head, g);
    t0 = Clock::now();
    const std::int64_t mem = ZOG_setSizes(head);
    t->sizes = std::min(t->sizes, seconds_since(t0));
    if (mem <= 0) std::fprintf(stderr, "zog_group_bench: ZOG_setSizes gave %lld\n", static_cast<long long>(mem));
    t0 = Clock::now();
    ZOG_CURSOR c;
    const int encoded = zog_encode_file(&c, head);
    t->encode = std::min(t->encode, seconds_since(t0));
    if (encoded != 1) std::fprintf(stderr, "zog_group_bench: encoding %d scalers failed\n", n);
    ZOG_free(head);
}

// The same group through the handle, written to path.
void by_handle(int n, const std::string& path, Times* t)
{
    const int fh = ZOG_openWrite(path.c_str(), ZOG_FMT_GENERIC);
    if (fh < 0) {
        std::fprintf(stderr, "zog_group_bench: cannot write %s\n", path.c_str());
        std::exit(1);
    }
    Clock::time_point t0 = Clock::now();
    const int made = ZOG_setScalers(fh, ZOG_SCALER_GRP, n);
    t->set = std::min(t->set, seconds_since(t0));
    t0 = Clock::now();
    int filled = 1;
    for (int k = 1; k <= n; ++k) {
        const int counts[2] = {k, 2 * k};
        filled &= ZOG_setScalerCounts(fh, k, counts) & ZOG_setScalerLabel(fh, k, "Clock");
    }
    t->each = std::min(t->each, seconds_since(t0));
    t0 = Clock::now();
    const int closed = ZOG_closeWrite(fh);
    t->close = std::min(t->close, seconds_since(t0));
    if (made != 1 || filled != 1 || closed != 1) {
        std::fprintf(stderr, "zog_group_bench: building %d scalers failed\n", n);
        std::exit(1);
    }
}

double ns_per(double seconds, int n) { return 1e9 * seconds / n; }

}  // namespace

int main(int argc, char** argv)
{
    const long largest = argc > 1 ? std::strtol(argv[1], nullptr, 10) : 1000000;
    const std::string path = (std::filesystem::temp_directory_path() /
                              ("zog_group_bench_" + std::to_string(::getpid()) + ".dat")).string();
    Times empty;
    for (int r = 0; r < 20; ++r) by_handle(0, path, &empty);
    std::printf("ZOG_closeWrite of a file without members: %.0f us (best of 20)\n", 1e6 * empty.close);
    std::printf("ns per member (best of repeats; files of n scalers)\n");
    std::printf("%10s %8s %14s %12s %12s %16s %12s %16s\n", "members", "repeats", "ZOG_addToGroup",
                "ZOG_setSizes", "encode file", "ZOG_setScalers", "set each", "ZOG_closeWrite");
    for (long n = 1000; n <= largest; n *= 10) {
        const int members = static_cast<int>(n);
        const int repeats = static_cast<int>(std::max(3L, 100000 / n));
        Times t;
        for (int r = 0; r < repeats; ++r) {
            in_memory(members, &t);
            by_handle(members, path, &t);
        }
        std::printf("%10d %8d %14.1f %12.1f %12.1f %16.1f %12.1f %16.1f\n", members, repeats,
                    ns_per(t.add, members), ns_per(t.sizes, members), ns_per(t.encode, members),
                    ns_per(t.set, members), ns_per(t.each, members), ns_per(t.close, members));
        std::fflush(stdout);
    }
    std::remove(path.c_str());
    return 0;
}
