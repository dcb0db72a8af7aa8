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
    ZOG_getDamaged(fh, &v);
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
    if (ZOG_getComments(fh, &type, &num) == 1) {
        for (int n = 1; n <= num && n <= 16; ++n) {
            ZOG_getCommentTime(fh, n, &v);
            ZOG_getCommentBody(fh, n, text, sizeof text);
        }
    }
    if (ZOG_getIndVars(fh, &type, &num) == 1) {
        for (int n = 1; n <= num && n <= 16; ++n) {
            double x = 0;
            int count = 0;
            ZOG_getIndVarMean(fh, n, &x);
            ZOG_getIndVarUnits(fh, n, text, 5);
            if (ZOG_getIndVarNumData(fh, n, &count) != 1 || count < 0 || count > (1 << 16)) continue;
            std::vector<std::uint8_t> out(8 * static_cast<std::size_t>(count) + 8);
            ZOG_getIndVarData(fh, n, out.data(), static_cast<int>(out.size()));
            ZOG_getIndVarTimeData(fh, n, reinterpret_cast<int*>(out.data()), static_cast<int>(out.size()));
        }
    }
    ZOG_closeRead(fh);
}

// Positions by a few paths that exist in the seed files.
void seek(int fd)
{
    FILE* f = fdopen(dup(fd), "rb");
    if (f == nullptr) return;
    const ZOG_PATH paths[][3] = {
        {{ZOG_ID_GRP, 0x02010002}, {ZOG_ID_GEN_HIST_DAT, 2}, {0, 0}},
        {{ZOG_ID_GEN_RUN_DESC, 1}, {ZOG_ID_GEN_SCALER, 2}, {0, 0}},
        {{ZOG_ID_GRP, 0x01020006}, {ZOG_ID_GEN_ARRAY, 1}, {0, 0}},
    };
    for (const auto& p : paths) {
        std::rewind(f);
        ZOG_fseek(f, p);
    }
    std::fclose(f);
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
    seek(fd);
    return 0;
}
