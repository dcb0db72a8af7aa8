// zog_pack.cpp -- histogram bins plain (1, 2 or 4 bytes each) or packed as runs
// that store each stretch of bins in the fewest bytes its largest bin needs.

#include <cstring>

#include "zog_local.h"

namespace {

constexpr std::int64_t max_run = 65535;  // a run's count is 16 bits wide

bool plain_width(int w) { return w == 1 || w == 2 || w == 4; }

void put_elem(void* array, int size, std::int64_t i, std::uint32_t v)
{
    auto* p = static_cast<std::uint8_t*>(array) + i * size;
    if (size == 1) {
        *p = static_cast<std::uint8_t>(v);
    } else if (size == 2) {
        const auto h = static_cast<std::uint16_t>(v);
        std::memcpy(p, &h, 2);
    } else {
        std::memcpy(p, &v, 4);
    }
}

// num elements from width a to width b (both plain); narrowing keeps the low bytes.
void convert(std::int64_t num, int a, const void* in, int b, void* out)
{
    if (a == b) {
        std::memcpy(out, in, static_cast<std::size_t>(num * a));
        return;
    }
    for (std::int64_t i = 0; i < num; ++i) put_elem(out, b, i, varBinArray(in, a, i));
}

std::int64_t pack(std::int64_t num, int a, const std::uint8_t* in, std::uint8_t* out)
{
    if (num <= 0) return 0;
    std::int64_t placed = 0, bytes = 0;
    int w = n_bytes_needed(varBinArray(in, a, 0));
    while (placed < num) {
        std::int64_t n = 0;
        int wNext = 0;
        next_few_bins(num - placed, a, in + placed * a, w, &n, &wNext);
        bencode_2(out + bytes, static_cast<std::uint16_t>(n));
        out[bytes + 2] = static_cast<std::uint8_t>(w);
        bytes += 3;
        if (w != 0) {
            convert(n, a, in + placed * a, w, out + bytes);
            bytes += n * w;
        }
        placed += n;
        w = wNext;
    }
    return bytes;
}

// Trusts the stream (see zog_stream_ok) but never writes past num elements.
std::int64_t unpack(std::int64_t num, const std::uint8_t* in, int b, std::uint8_t* out)
{
    std::int64_t placed = 0, pos = 0;
    while (placed < num) {
        std::int64_t n = bdecode_2(in + pos);
        const int w = in[pos + 2];
        if (n > num - placed) n = num - placed;
        if (w == 0) std::memset(out + placed * b, 0, static_cast<std::size_t>(n * b));
        else if (plain_width(w)) convert(n, w, in + pos + 3, b, out + placed * b);
        else return 0;
        pos += 3 + n * w;
        placed += n;
    }
    return num * b;
}

}  // namespace

std::uint32_t varBinArray(const void* array, int size, std::int64_t i)
{
    const auto* p = static_cast<const std::uint8_t*>(array) + i * size;
    if (size == 1) return *p;
    if (size == 2) {
        std::uint16_t h;
        std::memcpy(&h, p, 2);
        return h;
    }
    if (size == 4) {
        std::uint32_t v;
        std::memcpy(&v, p, 4);
        return v;
    }
    return 0;
}

int n_bytes_needed(std::uint32_t v)
{
    if ((v & 0xFFFF0000U) != 0) return 4;
    if ((v & 0x0000FF00U) != 0) return 2;
    return v != 0 ? 1 : 0;
}

// How many of the bins at in go into a run of width w, and the next run's width.
// Narrower bins stay in the run until splitting them off (3 bytes per change of
// width, and 3 to resume the wide run) costs no more than keeping them.
void next_few_bins(std::int64_t remaining, int inSize, const std::uint8_t* in, int w,
                   std::int64_t* n, int* wNext)
{
    std::int64_t i = 0;      // bins accepted into the run
    std::int64_t j = 0;      // of them, the narrower stretch since the last bin of width w
    std::int64_t keep = 0;   // the stretch's cost inside the run
    std::int64_t split = 0;  // its cost as runs of its own
    int e = 0;               // width of the stretch's first bin
    int prev = 0;            // width of the stretch's last bin
    for (std::int64_t k = 0;; ++k) {
        const int h = n_bytes_needed(varBinArray(in, inSize, k));
        if (h > w) { *n = i; *wNext = h; return; }
        if (h == w) {
            ++i;
            j = keep = split = 0;
        } else {
            if (j == 0) { e = h; split += h + 3; }
            else split += h + (h != prev ? 3 : 0);
            keep += w;
            prev = h;
            if (keep >= split + 3) { *n = i - j; *wNext = e; return; }
            ++i;
            ++j;
        }
        if (i == remaining) { *n = i; *wNext = h; return; }
        if (i == max_run) { *n = max_run; *wNext = h; return; }
    }
}

bool zog_stream_ok(std::int64_t num, const std::uint8_t* in, std::int64_t inBytes)
{
    std::int64_t placed = 0, pos = 0;
    while (placed < num) {
        if (pos + 3 > inBytes) return false;
        const std::int64_t n = bdecode_2(in + pos);
        const int w = in[pos + 2];
        if ((w != 0 && !plain_width(w)) || n > num - placed) return false;
        pos += 3 + n * w;
        if (pos > inBytes) return false;
        placed += n;
    }
    return pos == inBytes;
}

std::int64_t ZOG_SEC_GEN_HIST_dopack(int num, int inSize, const void* in, int outSize, void* out)
{
    if (num <= 0) return 0;
    const auto* src = static_cast<const std::uint8_t*>(in);
    auto* dst = static_cast<std::uint8_t*>(out);
    if (plain_width(inSize) && plain_width(outSize)) {
        convert(num, inSize, in, outSize, out);
        return static_cast<std::int64_t>(num) * outSize;
    }
    if (plain_width(inSize) && outSize == 0) return pack(num, inSize, src, dst);
    if (inSize == 0 && plain_width(outSize)) return unpack(num, src, outSize, dst);
    return 0;
}

// The two directions share their byte layouts, so one body serves both.
std::int64_t ZOG_SEC_GEN_HIST_pack(int num, int inSize, const void* in, int outSize, void* out)
{
    return ZOG_SEC_GEN_HIST_dopack(num, inSize, in, outSize, out);
}

std::int64_t ZOG_SEC_GEN_HIST_unpack(int num, int inSize, const void* in, int outSize, void* out)
{
    return ZOG_SEC_GEN_HIST_dopack(num, inSize, in, outSize, out);
}

std::int64_t ZOG_pack(int num, int inSize, const void* in, int outSize, void* out)
{
    return ZOG_SEC_GEN_HIST_pack(num, inSize, in, outSize, out);
}

std::int64_t ZOG_unpack(int num, int inSize, const void* in, int outSize, void* out)
{
    return ZOG_SEC_GEN_HIST_unpack(num, inSize, in, outSize, out);
}
