// fuzz_decode.cpp -- libFuzzer target: any bytes as a run file, opened by handle
// and read field by field, and decoded as a tree that is encoded again.

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "zog.h"
#include "zog_local.h"

namespace {

int memfile()
{
    static const int fd = memfd_create("zog_fuzz", 0);
    return fd;
}

void read_by_handle(const std::string& name)
{
    int fmt = 0;
    const int fh = ZOG_openRead(name.c_str(), &fmt);
    if (fh < 0) return;
    int v = 0, type = 0, num = 0;
    char text[300];
    ZOG_getRunDesc(fh, &type);
    ZOG_getRunNumber(fh, &v);
    ZOG_getTitle(fh, text, sizeof text);
    ZOG_getTemperature(fh, text, 40);
    ZOG_getComment3(fh, text, 1);
    if (ZOG_getHists(fh, &type, &num) == 1) {
        for (int n = 1; n <= num && n <= 64; ++n) {
            int bins = 0, w = 0;
            ZOG_getHistTitle(fh, n, text, 10);
            double s = 0;
            ZOG_getHistSecondsPerBin(fh, n, &s);
            if (ZOG_getHistNumBins(fh, n, &bins) != 1 || ZOG_getHistBytesPerBin(fh, n, &w) != 1) continue;
            if (bins < 0 || bins > (1 << 20)) continue;
            std::vector<std::uint8_t> out(4 * static_cast<std::size_t>(bins) + 1);
            ZOG_getHistData(fh, n, out.data(), static_cast<int>(out.size()));
            ZOG_getHistData(fh, n, out.data(), bins);  // too small for wide bins
        }
    }
    if (ZOG_getScalers(fh, &type, &num) == 1) {
        for (int n = 1; n <= num && n <= 64; ++n) {
            int counts[2];
            ZOG_getScalerCounts(fh, n, counts);
            ZOG_getScalerLabel(fh, n, text, sizeof text);
        }
    }
    ZOG_closeRead(fh);
}

void reencode(int fd)
{
    FILE* f = fdopen(dup(fd), "rb");
    if (f == nullptr) return;
    ZOG_SEC* head = ZOG_readFile(f);
    std::fclose(f);
    if (head == nullptr) return;
    ZOG_setSizes(head);
    ZOG_CURSOR c;
    ZOG_encode(&c, head, ZOG_IO_CHAIN);
    ZOG_free(head);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const int fd = memfile();
    if (fd < 0 || ftruncate(fd, 0) != 0) return 0;
    if (size > 0 && pwrite(fd, data, size, 0) != static_cast<ssize_t>(size)) return 0;
    read_by_handle("/proc/self/fd/" + std::to_string(fd));
    reencode(fd);
    return 0;
}
