// fuzz_seeds.cpp -- writes the decoder fuzzer's seed corpus: small run files of
// each kind, made by the library's own encoder.

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "zog.h"
#include "zog_local.h"

namespace {

bool run_file(const std::string& path, int fmt, int bpb, int nhist)
{
    const int fh = ZOG_openWrite(path.c_str(), fmt);
    if (fh < 0) return false;
    ZOG_setRunDesc(fh);
    ZOG_setRunNumber(fh, 42);
    ZOG_setTitle(fh, "seed run");
    ZOG_setSample(fh, "Ag");
    ZOG_setTemperature(fh, "10 K");
    ZOG_setSubtitle(fh, "sub");
    ZOG_setHists(fh, fmt == ZOG_FMT_FUB_TI ? ZOG_HIST_GRP_FUB_TI : ZOG_HIST_GRP_GENERIC, nhist);
    for (int n = 1; n <= nhist; ++n) {
        std::vector<std::uint32_t> bins(64);
        for (std::size_t i = 0; i < bins.size(); ++i) bins[i] = static_cast<std::uint32_t>((1000 >> (i / 8)) + (i % 3 == 0 ? 70000 * n : 0));
        ZOG_setHistNumBins(fh, n, 64);
        ZOG_setHistBytesPerBin(fh, n, bpb);
        ZOG_setHistT0_Bin(fh, n, 5);
        ZOG_setHistTitle(fh, n, "F");
        std::vector<std::uint8_t> e(4 * bins.size());
        ZOG_pack(64, 4, bins.data(), bpb == 0 ? 4 : bpb, e.data());
        ZOG_setHistData(fh, n, e.data());
    }
    ZOG_setScalers(fh, ZOG_SCALER_GRP, 2);
    const int counts[2] = {10, 3};
    ZOG_setScalerCounts(fh, 1, counts);
    ZOG_setScalerLabel(fh, 2, "Clock");
    return ZOG_closeWrite(fh) == 1;
}

// A tree of the other section kinds: comments, variables, arrays, a fixed header.
bool other_sections(const std::string& path)
{
    auto* head = static_cast<ZOG_SEC_GRP*>(ZOG_new(ZOG_ID_GRP, ZOG_FMT_FUB_TI));
    auto* vars = static_cast<ZOG_SEC_GRP*>(ZOG_new(ZOG_ID_GRP, ZOG_KIND_IND_VAR_ARRAY));
    auto* v = static_cast<ZOG_SEC_GEN_IND_VAR*>(ZOG_new(ZOG_ID_GEN_IND_VAR, 1));
    v->mean = 4.2; v->name = "T"; v->units = "K";
    auto* a = static_cast<ZOG_SEC_GEN_ARRAY*>(ZOG_new(ZOG_ID_GEN_ARRAY, 1));
    a->num = 3; a->elemSize = 8; a->type = 2; a->nBytes = 24; a->hasTime = 1;
    a->pData.alloc(24);
    a->pTimeData.alloc(12);
    ZOG_addToGroup(vars, v);
    ZOG_addToGroup(vars, a);
    auto* c = static_cast<ZOG_SEC_CMT*>(ZOG_new(ZOG_ID_CMT, 1));
    c->author = "me"; c->comment = "text";
    ZOG_addToGroup(head, ZOG_new(ZOG_ID_FIXED, 1));
    ZOG_addToGroup(head, vars);
    ZOG_addToGroup(head, c);
    ZOG_addToGroup(head, ZOG_new(0x01020006, 1));
    ZOG_setSizes(head);
    FILE* f = ZOG_openOutput(path.c_str());
    const bool ok = f != nullptr && ZOG_writeFile(f, head) == 1;
    if (f != nullptr) std::fclose(f);
    ZOG_free(head);
    return ok;
}

// A copy of a seed with one damaged place: the first array's type made 4 and
// its end section cut to 5 bytes, so the decoder's damaged paths start covered.
bool damaged_copy(const std::string& from, const std::string& to)
{
    FILE* in = std::fopen(from.c_str(), "rb");
    if (in == nullptr) return false;
    std::vector<std::uint8_t> b;
    for (int c; (c = std::fgetc(in)) != EOF;) b.push_back(static_cast<std::uint8_t>(c));
    std::fclose(in);
    if (b.size() < 12) return false;
    for (std::size_t p = 0; p + 24 <= b.size(); ++p) {
        if (bdecode_4(&b[p + 4]) == ZOG_ID_GEN_ARRAY && bdecode_4(&b[p]) >= 32) {
            bencode_4(&b[p + 20], 4);  // the type field
            break;
        }
    }
    b.resize(b.size() - 7);
    FILE* out = std::fopen(to.c_str(), "wb");
    if (out == nullptr) return false;
    const bool ok = std::fwrite(b.data(), 1, b.size(), out) == b.size();
    return std::fclose(out) == 0 && ok;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: zog_fuzz_seeds DIR\n");
        return 1;
    }
    const std::string dir = std::string(argv[1]) + "/";
    bool ok = true;
    ok &= run_file(dir + "packed", ZOG_FMT_GENERIC, 0, 2);
    ok &= run_file(dir + "plain4", ZOG_FMT_GENERIC, 4, 1);
    ok &= run_file(dir + "plain1", ZOG_FMT_GENERIC, 1, 3);
    ok &= run_file(dir + "fubti", ZOG_FMT_FUB_TI, 2, 2);
    ok &= other_sections(dir + "others");
    ok &= damaged_copy(dir + "others", dir + "damaged");
    return ok ? 0 : 1;
}
