// handle_test.cpp -- run files through the handle interface: every field written
// and read back, slots, texts, bin widths, bins at each width, damaged files.

#include <grp.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cerrno>
#include <cmath>
#include <csignal>
#include <cstring>
#include <functional>
#include <thread>

#include "zog.h"
#include "zog_handle_local.h"
#include "zog_test_util.h"

namespace {

using TextGet = int (*)(int, char*, int) noexcept;
using TextSet = int (*)(int, const char*) noexcept;
using IntGet = int (*)(int, int*) noexcept;
using IntSet = int (*)(int, int) noexcept;
using HistGet = int (*)(int, int, int*) noexcept;
using HistSet = int (*)(int, int, int) noexcept;

struct TextField { const char* name; TextGet get; TextSet set; };
const TextField common_texts[] = {
    {"title", ZOG_getTitle, ZOG_setTitle}, {"lab", ZOG_getLab, ZOG_setLab},
    {"area", ZOG_getArea, ZOG_setArea}, {"method", ZOG_getMethod, ZOG_setMethod},
    {"apparatus", ZOG_getApparatus, ZOG_setApparatus}, {"insert", ZOG_getInsert, ZOG_setInsert},
    {"sample", ZOG_getSample, ZOG_setSample}, {"orient", ZOG_getOrient, ZOG_setOrient},
    {"das", ZOG_getDas, ZOG_setDas}, {"experimenter", ZOG_getExperimenter, ZOG_setExperimenter},
};
const TextField gen_texts[] = {
    {"temperature", ZOG_getTemperature, ZOG_setTemperature}, {"field", ZOG_getField, ZOG_setField},
};
const TextField fub_texts[] = {
    {"subtitle", ZOG_getSubtitle, ZOG_setSubtitle}, {"comment1", ZOG_getComment1, ZOG_setComment1},
    {"comment2", ZOG_getComment2, ZOG_setComment2}, {"comment3", ZOG_getComment3, ZOG_setComment3},
};
struct IntField { const char* name; IntGet get; IntSet set; };
const IntField run_ints[] = {
    {"expt", ZOG_getExptNumber, ZOG_setExptNumber}, {"run", ZOG_getRunNumber, ZOG_setRunNumber},
    {"elapsed", ZOG_getElapsedSec, ZOG_setElapsedSec}, {"begin", ZOG_getTimeBegin, ZOG_setTimeBegin},
    {"end", ZOG_getTimeEnd, ZOG_setTimeEnd},
};
struct HistField { const char* name; HistGet get; HistSet set; };
const HistField hist_ints[] = {
    {"type", ZOG_getHistType, ZOG_setHistType}, {"fs", ZOG_getHistFsPerBin, ZOG_setHistFsPerBin},
    {"t0ps", ZOG_getHistT0_Ps, ZOG_setHistT0_Ps}, {"t0", ZOG_getHistT0_Bin, ZOG_setHistT0_Bin},
    {"g1", ZOG_getHistGoodBin1, ZOG_setHistGoodBin1}, {"g2", ZOG_getHistGoodBin2, ZOG_setHistGoodBin2},
    {"b1", ZOG_getHistBkgd1, ZOG_setHistBkgd1}, {"b2", ZOG_getHistBkgd2, ZOG_setHistBkgd2},
    {"events", ZOG_getHistNumEvents, ZOG_setHistNumEvents},
};

std::string text_of(TextGet get, int fh, int len = 200)
{
    std::vector<char> b(static_cast<std::size_t>(len), 'X');
    if (get(fh, b.data(), len) != 1) return "<fail>";
    return b.data();
}

template <std::size_t N>
void put_text_field(char (&f)[N], const std::string& s)
{
    std::memset(f, ' ', N);
    std::memcpy(f, s.data(), std::min(N, s.size()));
}

bool all_slots_free()
{
    for (int k = 0; k < zog_slots; ++k)
        if (zog_slot(k) != nullptr) return false;
    return true;
}

// Bins of histogram i: a decay with values that need 1, 2 and 4 bytes.
std::vector<std::uint32_t> bins_of(int i, int n)
{
    std::vector<std::uint32_t> v(static_cast<std::size_t>(n));
    for (int k = 0; k < n; ++k)
        v[static_cast<std::size_t>(k)] = static_cast<std::uint32_t>(100000.0 * std::exp(-k / 30.0)) + static_cast<std::uint32_t>(i);
    return v;
}

constexpr int widths[] = {4, 0, 2, 1};  // bytesPerBin of histograms 1..4
constexpr int nbins = 300;

// Writes a generic file with every field set; 1 when every call succeeded.
// closed, when given, gets what ZOG_closeWrite answered (-1: not reached).
int write_full(const std::string& p, int fmt = ZOG_FMT_GENERIC, int* closed = nullptr)
{
    if (closed != nullptr) *closed = -1;
    const int fh = ZOG_openWrite(p.c_str(), fmt);
    if (fh < 0) return 0;
    int ok = ZOG_setRunDesc(fh);
    int k = 1;
    for (const IntField& f : run_ints) ok &= f.set(fh, 1000 * k++);
    for (const TextField& f : common_texts) ok &= f.set(fh, f.name);
    for (const TextField& f : fmt == ZOG_FMT_FUB_TI ? std::span<const TextField>(fub_texts)
                                                    : std::span<const TextField>(gen_texts))
        ok &= f.set(fh, f.name);
    const int hist_kind = fmt == ZOG_FMT_FUB_TI ? ZOG_HIST_GRP_FUB_TI : ZOG_HIST_GRP_GENERIC;
    ok &= ZOG_setHists(fh, hist_kind, 4);
    for (int i = 1; i <= 4; ++i) {
        int j = 1;
        for (const HistField& f : hist_ints) ok &= f.set(fh, i, i * 100 + j++);
        ok &= ZOG_setHistTitle(fh, i, ("hist " + std::to_string(i)).c_str());
        ok &= ZOG_setHistNumBins(fh, i, nbins);
        ok &= ZOG_setHistBytesPerBin(fh, i, widths[i - 1]);
        const auto b = bins_of(i, nbins);
        std::vector<std::uint8_t> in(4 * b.size());
        const int w = widths[i - 1] == 0 ? 4 : widths[i - 1];
        ZOG_pack(nbins, 4, b.data(), w, in.data());
        ok &= ZOG_setHistData(fh, i, in.data());
    }
    ok &= ZOG_setScalers(fh, ZOG_SCALER_GRP, 3);
    for (int i = 1; i <= 3; ++i) {
        const int counts[2] = {i * 11, i * 7};
        ok &= ZOG_setScalerCounts(fh, i, counts);
        ok &= ZOG_setScalerLabel(fh, i, ("sc" + std::to_string(i)).c_str());
    }
    const int c = ZOG_closeWrite(fh);
    if (closed != nullptr) *closed = c;
    return ok & c;
}

// Reads back what write_full wrote; the count of fields that differ.
int check_full(const std::string& p, int fmt = ZOG_FMT_GENERIC)
{
    int id = 0;
    const int fh = ZOG_openRead(p.c_str(), &id);
    if (fh < 0) return 1000;
    int bad = id != fmt;
    int type = 0;
    bad += ZOG_getRunDesc(fh, &type) != 1 ||
           type != (fmt == ZOG_FMT_FUB_TI ? ZOG_RUN_DESC_FUB_TI : ZOG_RUN_DESC_GENERIC);
    int k = 1;
    for (const IntField& f : run_ints) {
        int v = 0;
        bad += f.get(fh, &v) != 1 || v != 1000 * k++;
    }
    for (const TextField& f : common_texts) bad += text_of(f.get, fh) != f.name;
    for (const TextField& f : fmt == ZOG_FMT_FUB_TI ? std::span<const TextField>(fub_texts)
                                                    : std::span<const TextField>(gen_texts))
        bad += text_of(f.get, fh) != f.name;
    int num = 0;
    bad += ZOG_getHists(fh, &type, &num) != 1 || num != 4;
    for (int i = 1; i <= 4; ++i) {
        int j = 1;
        for (const HistField& f : hist_ints) {
            int v = 0;
            bad += f.get(fh, i, &v) != 1 || v != i * 100 + j++;
        }
        std::vector<char> t(20);
        bad += ZOG_getHistTitle(fh, i, t.data(), 20) != 1 || std::string(t.data()) != "hist " + std::to_string(i);
        int w = -1, n = 0;
        bad += ZOG_getHistBytesPerBin(fh, i, &w) != 1 || w != widths[i - 1];
        bad += ZOG_getHistNumBins(fh, i, &n) != 1 || n != nbins;
        const int ew = w == 0 ? 4 : w;
        std::vector<std::uint8_t> out(static_cast<std::size_t>(ew * nbins));
        bad += ZOG_getHistData(fh, i, out.data(), static_cast<int>(out.size())) != 1;
        const auto want = bins_of(i, nbins);
        for (int b = 0; b < nbins; ++b) {
            const std::uint32_t got = varBinArray(out.data(), ew, b);
            const std::uint32_t mask = ew == 4 ? 0xFFFFFFFF : ew == 2 ? 0xFFFF : 0xFF;
            bad += got != (want[static_cast<std::size_t>(b)] & mask);
        }
    }
    bad += ZOG_getScalers(fh, &type, &num) != 1 || type != ZOG_SCALER_GRP || num != 3;
    for (int i = 1; i <= 3; ++i) {
        int counts[2] = {0, 0};
        bad += ZOG_getScalerCounts(fh, i, counts) != 1 || counts[0] != i * 11 || counts[1] != i * 7;
        char t[10];
        bad += ZOG_getScalerLabel(fh, i, t, 10) != 1 || std::string(t) != "sc" + std::to_string(i);
    }
    bad += ZOG_closeRead(fh) != 1;
    return bad;
}

TEST(Handle, EveryFieldRoundTrips)
{
    const std::string p = temp_path("full");
    ASSERT_EQ(write_full(p), 1);
    EXPECT_EQ(check_full(p), 0);
    ASSERT_EQ(write_full(p, ZOG_FMT_FUB_TI), 1);
    EXPECT_EQ(check_full(p, ZOG_FMT_FUB_TI), 0);
    std::remove(p.c_str());
    EXPECT_TRUE(all_slots_free());
}

TEST(Handle, FormatChoosesTheRunDescription)
{
    const std::string p = temp_path("fmt");
    for (const int fmt : {ZOG_FMT_GENERIC, ZOG_FMT_FUB_TI, 0x12345678}) {
        ASSERT_EQ(write_full(p, fmt), 1);
        int id = 0;
        const int fh = ZOG_openRead(p.c_str(), &id);
        ASSERT_GE(fh, 0);
        EXPECT_EQ(id, fmt);
        const bool fub = fmt == ZOG_FMT_FUB_TI;
        EXPECT_EQ(text_of(ZOG_getTemperature, fh), fub ? "<fail>" : "temperature") << fmt;
        EXPECT_EQ(text_of(ZOG_getField, fh), fub ? "<fail>" : "field") << fmt;
        EXPECT_EQ(text_of(ZOG_getSubtitle, fh), fub ? "subtitle" : "<fail>") << fmt;
        EXPECT_EQ(text_of(ZOG_getComment3, fh), fub ? "comment3" : "<fail>") << fmt;
        EXPECT_EQ(text_of(ZOG_getTitle, fh), "title");
        ZOG_closeRead(fh);
    }
    std::remove(p.c_str());
}

TEST(Handle, SixteenSlotsThenRefusalAndReuse)
{
    const std::string p = temp_path("slots");
    ASSERT_EQ(write_full(p), 1);
    int id = 0;
    for (int k = 0; k < 16; ++k) EXPECT_EQ(ZOG_openRead(p.c_str(), &id), k);
    EXPECT_EQ(ZOG_openRead(p.c_str(), &id), -1);
    EXPECT_EQ(ZOG_openWrite(temp_path("w17").c_str(), ZOG_FMT_GENERIC), -1);
    EXPECT_EQ(ZOG_closeRead(3), 1);
    EXPECT_EQ(ZOG_closeRead(3), 0);  // already free
    EXPECT_EQ(ZOG_openRead(p.c_str(), &id), 3);
    for (int k = 0; k < 16; ++k) EXPECT_EQ(ZOG_closeRead(k), 1);
    EXPECT_TRUE(all_slots_free());
    std::remove(p.c_str());
}

TEST(Handle, BadHandlesAndMissingSectionsLeaveOutputsAlone)
{
    int v = 77;
    for (const int fh : {-1, 16, 5})
        EXPECT_EQ(ZOG_getRunNumber(fh, &v), 0) << fh;
    EXPECT_EQ(v, 77);
    const int fh = ZOG_openWrite(temp_path("empty").c_str(), ZOG_FMT_GENERIC);
    EXPECT_EQ(ZOG_getRunNumber(fh, &v), 0);  // no run description yet
    EXPECT_EQ(ZOG_setRunNumber(fh, 3), 0);
    EXPECT_EQ(ZOG_getHistNumBins(fh, 1, &v), 0);
    int t = 5, n = 6;
    EXPECT_EQ(ZOG_getHists(fh, &t, &n), 0);
    EXPECT_EQ(t + n + v, 5 + 6 + 77);
    ASSERT_EQ(ZOG_setRunDesc(fh), 1);
    EXPECT_EQ(ZOG_setRunNumber(fh, 3), 1);
    EXPECT_EQ(ZOG_getRunNumber(fh, &v), 1);  // a slot being written reads its own tree
    EXPECT_EQ(v, 3);
    EXPECT_EQ(ZOG_closeWrite(fh), 1);
    std::remove(temp_path("empty").c_str());
}

TEST(Handle, ClosesOfTheWrongKindFail)
{
    const std::string p = temp_path("kind");
    const int w = ZOG_openWrite(p.c_str(), ZOG_FMT_GENERIC);
    EXPECT_EQ(ZOG_closeRead(w), 0);
    EXPECT_EQ(ZOG_closeWrite(w), 1);
    int id = 0;
    const int r = ZOG_openRead(p.c_str(), &id);
    ASSERT_GE(r, 0);
    EXPECT_EQ(ZOG_closeWrite(r), 0);
    EXPECT_NE(zog_slot(r), nullptr);  // still open
    EXPECT_EQ(ZOG_closeRead(r), 1);
    std::remove(p.c_str());
}

TEST(Handle, DamagedFilesFailAtOpenWithTheSlotFree)
{
    const std::string p = temp_path("cut");
    ASSERT_EQ(write_full(p), 1);
    const Bytes whole = file_bytes(p);
    int id = 99;
    for (const std::size_t keep : {std::size_t{0}, std::size_t{30}, whole.size() / 2, whole.size() - 13}) {
        put_file(p, Bytes(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(keep)));
        EXPECT_EQ(ZOG_openRead(p.c_str(), &id), -1) << keep;
        EXPECT_TRUE(all_slots_free());
    }
    EXPECT_EQ(id, 99);
    Bytes flipped = whole;
    flipped[whole.size() / 2] ^= 0xFF;  // damage inside a data section may still decode
    put_file(p, flipped);
    const int fh = ZOG_openRead(p.c_str(), &id);
    if (fh >= 0) ZOG_closeRead(fh);
    put_file(p, section(12, ZOG_ID_SEC, 1));  // a first section that is no group
    EXPECT_EQ(ZOG_openRead(p.c_str(), &id), -1);
    EXPECT_EQ(ZOG_openRead(nullptr, &id), -1);
    EXPECT_TRUE(all_slots_free());
    std::remove(p.c_str());
}

TEST(Handle, SectionsAreNeverAddedTwice)
{
    const std::string p = temp_path("dup");
    const int fh = ZOG_openWrite(p.c_str(), ZOG_FMT_GENERIC);
    EXPECT_EQ(ZOG_setRunDesc(fh), 1);
    EXPECT_EQ(ZOG_setRunDesc(fh), 0);
    EXPECT_EQ(ZOG_setHists(fh, ZOG_HIST_GRP_GENERIC, 2), 1);
    EXPECT_EQ(ZOG_setHists(fh, ZOG_HIST_GRP_GENERIC, 5), 0);
    EXPECT_EQ(ZOG_setScalers(fh, ZOG_SCALER_GRP, 1), 1);
    EXPECT_EQ(ZOG_setScalers(fh, ZOG_SCALER_GRP, 1), 0);
    EXPECT_EQ(ZOG_setHists(fh, ZOG_HIST_GRP_GENERIC, -1), 0);
    int t = 0, n = 0;
    EXPECT_EQ(ZOG_getHists(fh, &t, &n), 1);
    EXPECT_EQ(n, 2);
    EXPECT_EQ(ZOG_closeWrite(fh), 1);
    const ZOG_SEC* head = tree_of(file_bytes(p));
    EXPECT_EQ(as_group(const_cast<ZOG_SEC*>(head))->num, 3U);
    ZOG_free(const_cast<ZOG_SEC*>(head));
    std::remove(p.c_str());
}

TEST(Handle, SevenMembersAreThreeHistograms)
{
    ZOG_SEC_GRP* head = make_rec<ZOG_SEC_GRP>(ZOG_ID_GRP, ZOG_FMT_GENERIC);
    auto* hists = make_rec<ZOG_SEC_GRP>(ZOG_ID_GRP, ZOG_HIST_GRP_GENERIC);
    for (std::uint32_t i = 1; i <= 7; ++i) ZOG_addToGroup(hists, ZOG_new(ZOG_ID_GEN_SCALER, i));
    ZOG_addToGroup(head, hists);
    ZOG_setSizes(head);
    const std::string p = temp_path("seven");
    put_file(p, tree_bytes(head));
    ZOG_free(head);
    int id = 0, t = 0, n = 0;
    const int fh = ZOG_openRead(p.c_str(), &id);
    EXPECT_EQ(ZOG_getHists(fh, &t, &n), 1);
    EXPECT_EQ(n, 3);
    EXPECT_EQ(ZOG_getHistNumBins(fh, 1, &n), 0);  // member 1 is no header
    ZOG_closeRead(fh);
    std::remove(p.c_str());
}

// ---- texts

TEST(Text, GetterCutsAndTerminates)
{
    const std::string p = temp_path("text");
    const int fh = ZOG_openWrite(p.c_str(), ZOG_FMT_GENERIC);
    ZOG_setRunDesc(fh);
    ZOG_setTitle(fh, "Thirteen char");
    char b[12];
    std::memset(b, 'X', sizeof b);
    EXPECT_EQ(ZOG_getTitle(fh, b, 10), 1);
    EXPECT_EQ(std::string(b, 10), std::string("Thirteen ") + '\0');
    EXPECT_EQ(b[10], 'X');  // nothing past len
    EXPECT_EQ(ZOG_getTitle(fh, b, 0), 0);
    EXPECT_EQ(text_of(ZOG_getLab, fh), "");  // never set: empty
    char field[10];
    std::memset(field, '?', sizeof field);
    EXPECT_EQ(zog_get_text(ZOG_getTitle, fh, field), 1);
    EXPECT_EQ(std::string(field, 10), "Thirteen  ");
    const std::string big(70000, 'y');
    EXPECT_EQ(ZOG_setSample(fh, big.c_str()), 1);
    std::vector<char> out(80000);
    ZOG_getSample(fh, out.data(), 80000);
    EXPECT_EQ(std::strlen(out.data()), 65535U);  // cut to what a counted string holds
    EXPECT_EQ(ZOG_closeWrite(fh), 1);
    int id = 0;
    const int r = ZOG_openRead(p.c_str(), &id);
    ASSERT_GE(r, 0);
    ZOG_getSample(r, out.data(), 80000);
    EXPECT_EQ(std::strlen(out.data()), 65535U);
    ZOG_closeRead(r);
    std::remove(p.c_str());
}

struct BindInCase { const char* field; std::size_t len; const char* want; };  // want null: no text
const BindInCase bind_in_cases[] = {
    {"abc   ", 6, "abc"}, {"ab\0cd ", 6, "ab"}, {"\0\0\0\0xy", 6, nullptr},
    {"\0\0\0", 3, ""}, {"      ", 6, ""}, {" a b  ", 6, " a b"},
};

TEST(Text, BindingRules)
{
    for (const BindInCase& c : bind_in_cases) {
        const auto t = zog_text_in(std::span<const char>(c.field, c.len));
        if (c.want == nullptr) {
            EXPECT_FALSE(t.has_value()) << c.len;
        } else {
            ASSERT_TRUE(t.has_value());
            EXPECT_EQ(*t, c.want);
        }
    }
    const std::string p = temp_path("bind");
    const int fh = ZOG_openWrite(p.c_str(), ZOG_FMT_GENERIC);
    ZOG_setRunDesc(fh);
    ZOG_setTitle(fh, "was");
    const char none[8] = {0, 0, 0, 0, 'z', 'z', 'z', 'z'};
    EXPECT_EQ(zog_set_text(ZOG_setTitle, fh, none), 1);
    EXPECT_EQ(text_of(ZOG_getTitle, fh), "");
    EXPECT_EQ(zog_open_read(none, nullptr), -1);
    ZOG_closeWrite(fh);
    char name[200];
    put_text_field(name, p);
    int id = 0;
    const int r = zog_open_read(name, &id);
    EXPECT_GE(r, 0);
    ZOG_closeRead(r);
    std::remove(p.c_str());
}

// ---- bin widths

TEST(BinWidth, CodesAndSeconds)
{
    const std::string p = temp_path("width");
    const int fh = ZOG_openWrite(p.c_str(), ZOG_FMT_GENERIC);
    ZOG_setHists(fh, ZOG_HIST_GRP_GENERIC, 1);
    struct { int code; double s; } reads[] = {
        {0, 7.8125e-11}, {15, 2.56e-06}, {16, 4.8828125e-11}, {28, 2.0e-07},
        {29, 2.9e-14}, {1000000, 1e-09}, {-1, 4.294967295e-06},
    };
    for (const auto& c : reads) {
        ZOG_setHistFsPerBin(fh, 1, c.code);
        double s = 0;
        EXPECT_EQ(ZOG_getHistSecondsPerBin(fh, 1, &s), 1);
        EXPECT_NEAR(s, c.s, c.s * 1e-12) << c.code;
    }
    struct { double s; int ok; int code; } sets[] = {
        {2.5e-08, 1, 25000000}, {1.0000004e-09, 1, 1000000}, {1.0000006e-09, 1, 1000001},
        {28.6e-15, 1, 29}, {28e-15, 0, 0}, {0.0, 0, 0}, {-1e-9, 0, 0}, {5e-06, 0, 0},
        {NAN, 0, 0}, {4.294967295e-06, 1, -1},
    };
    for (const auto& c : sets) {
        ZOG_setHistFsPerBin(fh, 1, 12345);
        EXPECT_EQ(ZOG_setHistSecondsPerBin(fh, 1, c.s), c.ok) << c.s;
        int code = 0;
        ZOG_getHistFsPerBin(fh, 1, &code);
        EXPECT_EQ(code, c.ok != 0 ? c.code : 12345) << c.s;
    }
    ZOG_closeWrite(fh);
    std::remove(p.c_str());
}

// ---- bins

TEST(Bins, CapacityShortDataAndBadStreams)
{
    const std::string p = temp_path("bins");
    const int fh = ZOG_openWrite(p.c_str(), ZOG_FMT_GENERIC);
    ZOG_setHists(fh, ZOG_HIST_GRP_GENERIC, 1);
    ZOG_setHistNumBins(fh, 1, 4);
    ZOG_setHistBytesPerBin(fh, 1, 0);
    const std::uint32_t in[4] = {70000, 0, 0, 70000};
    ASSERT_EQ(ZOG_setHistData(fh, 1, in), 1);
    int nb = 0;
    ZOG_getHistNumBytes(fh, 1, &nb);
    EXPECT_EQ(nb, 17);
    std::uint32_t out[5] = {9, 9, 9, 9, 9};
    EXPECT_EQ(ZOG_getHistData(fh, 1, out, 15), 0);  // room for fewer than 4 counts
    EXPECT_EQ(out[0], 9U);
    EXPECT_EQ(ZOG_getHistData(fh, 1, out, 16), 1);
    EXPECT_EQ(out[3], 70000U);
    EXPECT_EQ(out[4], 9U);
    ZOG_setHistNumBins(fh, 1, 5);  // the stream holds 4
    EXPECT_EQ(ZOG_getHistData(fh, 1, out, 20), 0);
    ZOG_setHistNumBins(fh, 1, 3);  // the stream holds more
    EXPECT_EQ(ZOG_getHistData(fh, 1, out, 20), 0);
    ZOG_setHistBytesPerBin(fh, 1, 4);  // 17 plain bytes hold 4 bins, not 5
    ZOG_setHistNumBins(fh, 1, 5);
    EXPECT_EQ(ZOG_getHistData(fh, 1, out, 20), 0);
    ZOG_setHistBytesPerBin(fh, 1, 3);
    ZOG_setHistNumBins(fh, 1, 1);
    EXPECT_EQ(ZOG_getHistData(fh, 1, out, 20), 0);
    EXPECT_EQ(ZOG_setHistData(fh, 1, in), 0);
    // A buffer handed over carries its size.
    void* raw = std::malloc(6);
    const std::uint8_t stream[6] = {2, 0, 1, 5, 6, 0};
    std::memcpy(raw, stream, 6);
    ASSERT_EQ(ZOG_setHistpData(fh, 1, raw, 6), 1);
    ZOG_setHistBytesPerBin(fh, 1, 0);
    ZOG_setHistNumBins(fh, 1, 2);
    EXPECT_EQ(ZOG_getHistData(fh, 1, out, 20), 0);  // one byte too many
    void* got = nullptr;
    int n = 0;
    EXPECT_EQ(ZOG_getHistpData(fh, 1, &got, &n), 1);
    EXPECT_EQ(got, raw);
    EXPECT_EQ(n, 6);
    EXPECT_EQ(ZOG_closeWrite(fh), 1);
    std::remove(p.c_str());
}

// ---- faults: every failing step gives exact values or a clean failure

TEST(Faults, WriteAndReadUnderEveryFault)
{
    const std::string p = temp_path("fault");
    const int runs = fault_loop([&](int) {
        const int wrote = write_full(p);
        zog_fault = nullptr;
        EXPECT_TRUE(all_slots_free());
        if (wrote == 1) {
            EXPECT_EQ(check_full(p), 0);
        }
    });
    EXPECT_GT(runs, 20);
    ASSERT_EQ(write_full(p), 1);
    const int reads = fault_loop([&](int) {
        const int bad = check_full(p);
        const bool hit = FaultAt::hit;
        zog_fault = nullptr;
        EXPECT_TRUE(bad == 0 || hit);
        // a failed read leaves a slot open only if check_full stopped before its close
        for (int k = 0; k < zog_slots; ++k) ZOG_closeRead(k);
    });
    EXPECT_GT(reads, 5);
    std::remove(p.c_str());
}

// ---- writing: nothing happens to a file before its close, and a close that
// fails leaves an old file as it was, no new one and no stray file beside

std::string write_error()
{
    char b[300];
    return ZOG_getWriteError(b, sizeof b) == 1 ? b : "<fail>";
}

// A folder of the test's own holding run.dat, a whole run, and its bytes.
struct OldRun {
    std::string dir, p;
    Bytes old;
    explicit OldRun(const std::string& name) : dir(scratch_dir(name)), p(dir + "/run.dat")
    {
        EXPECT_EQ(write_full(p), 1);
        old = file_bytes(p);
    }
    ~OldRun() { std::filesystem::remove_all(dir); }
};

TEST(CloseWrite, EveryFaultLeavesTheOldFileOrTheNewOne)
{
    const OldRun run("keep");
    const std::string &dir = run.dir, &p = run.p;
    const Bytes& old = run.old;
    int refused = 0;
    const int runs = fault_loop([&](int k) {
        int closed = -1;
        const int wrote = write_full(p, ZOG_FMT_FUB_TI, &closed);
        zog_fault = nullptr;
        EXPECT_TRUE(all_slots_free());
        EXPECT_EQ(names_in(dir), std::vector<std::string>{"run.dat"}) << k;
        if (closed == 1) {
            EXPECT_EQ(write_error(), "");
            if (wrote == 1) {
                EXPECT_EQ(check_full(p, ZOG_FMT_FUB_TI), 0) << k;
            } else {
                int id = 0;  // a setter failed: the file holds less, but whole
                const int fh = ZOG_openRead(p.c_str(), &id);
                EXPECT_GE(fh, 0) << k;
                ZOG_closeRead(fh);
            }
            put_file(p, old);
        } else {
            ++refused;
            EXPECT_EQ(file_bytes(p), old) << k;
            if (closed == 0) {
                EXPECT_NE(write_error().find(dir + "/run.dat"), std::string::npos) << write_error();
            }
        }
    });
    EXPECT_GT(runs, 20);
    EXPECT_GT(refused, 5);
}

TEST(CloseWrite, AnArrayTheEncoderRefusesKeepsTheOldFileAndSaysWhy)
{
    const OldRun run("refuse");
    const std::string fresh = run.dir + "/new.dat";
    for (const std::string& target : {run.p, fresh}) {
        const int fh = ZOG_openWrite(target.c_str(), ZOG_FMT_FUB_TI);
        ASSERT_GE(fh, 0);
        ZOG_setRunDesc(fh);
        ZOG_setTitle(fh, "lost");
        ASSERT_EQ(ZOG_setIndVars(fh, ZOG_IND_VAR_GRP_FUB_TI, 1), 1);
        // a shape whose data never came: three reals need 24 bytes
        ASSERT_EQ(ZOG_setIndVarNumData(fh, 1, 3) & ZOG_setIndVarElemSize(fh, 1, 8) & ZOG_setIndVarDataType(fh, 1, 2), 1);
        EXPECT_EQ(ZOG_closeWrite(fh), 0);
        EXPECT_TRUE(all_slots_free());
        EXPECT_EQ(write_error(), "cannot write " + target +
                                     ": section 0x01020007 1: 3 elements of type 2 and 8 bytes cannot be 0 bytes of data");
    }
    EXPECT_EQ(file_bytes(run.p), run.old);
    EXPECT_EQ(names_in(run.dir), std::vector<std::string>{"run.dat"});  // and no new.dat
    ASSERT_EQ(write_full(fresh), 1);
    EXPECT_EQ(write_error(), "");
}

constexpr uid_t nobody = 65534;

// The wait status of body run in a child process; -1 when there was none.
int child_status(const std::function<int()>& body)
{
    std::fflush(nullptr);
    const pid_t child = fork();
    if (child == 0) _exit(body());
    int status = -1;
    if (child < 0 || waitpid(child, &status, 0) != child) return -1;
    return status;
}

// The child's exit status of body run in a child process; -1 when it did not exit.
int in_child(const std::function<int()>& body)
{
    const int status = child_status(body);
    return status != -1 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Goes on as an ordinary user (root takes every folder, so a root process
// becomes "nobody"); false when dir cannot then be reached.
bool as_ordinary_user(const std::string& dir)
{
    if (::geteuid() == 0 && (::setgroups(0, nullptr) != 0 || ::setresgid(nobody, nobody, nobody) != 0 ||
                             ::setresuid(nobody, nobody, nobody) != 0))
        return false;
    return ::access(dir.c_str(), X_OK) == 0;
}

// A write the file system stops part way: a run of 16 kB written to p under
// a file-size limit of 4 kB (SIGXFSZ ignored, so the write fails with EFBIG).
// 0 when the close failed for that reason, naming the file it wrote.
int close_past_a_size_limit(const std::string& p)
{
    std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit lim{};
    getrlimit(RLIMIT_FSIZE, &lim);
    lim.rlim_cur = 4096;
    if (setrlimit(RLIMIT_FSIZE, &lim) != 0) return 10;
    const int w = ZOG_openWrite(p.c_str(), ZOG_FMT_GENERIC);
    ZOG_setHists(w, ZOG_HIST_GRP_GENERIC, 1);
    ZOG_setHistNumBins(w, 1, 4000);
    ZOG_setHistBytesPerBin(w, 1, 4);
    const std::vector<std::uint32_t> bins(4000, 7);
    if (ZOG_setHistData(w, 1, bins.data()) != 1) return 13;
    if (ZOG_closeWrite(w) != 0) return 11;
    const std::string why = write_error(), want = std::string(": ") + std::strerror(EFBIG);
    if (why.rfind("cannot write /", 0) != 0 || !why.ends_with(want)) return 12;
    return 0;
}

// Such a write fails the close and leaves the old file whole.
TEST(CloseWrite, AWriteCutShortKeepsTheOldFile)
{
    const std::string dir = scratch_dir("fsize");
    const std::string p = dir + "/run.dat";
    const int fh = ZOG_openWrite(p.c_str(), ZOG_FMT_GENERIC);
    ZOG_setRunDesc(fh);
    ZOG_setTitle(fh, "the old run");
    ASSERT_EQ(ZOG_closeWrite(fh), 1);
    const Bytes old = file_bytes(p);
    ASSERT_LT(old.size(), 1000U);
    EXPECT_EQ(in_child([&] { return close_past_a_size_limit(p); }), 0);
    EXPECT_EQ(file_bytes(p), old);
    EXPECT_EQ(names_in(dir), std::vector<std::string>{"run.dat"});
    std::filesystem::remove_all(dir);
}

TEST(CloseWrite, NothingIsWrittenBeforeTheClose)
{
    const OldRun run("lazy");
    const std::string &dir = run.dir, &p = run.p, fresh = dir + "/new.dat";
    const Bytes& old = run.old;
    const int a = ZOG_openWrite(p.c_str(), ZOG_FMT_GENERIC);
    const int b = ZOG_openWrite(fresh.c_str(), ZOG_FMT_GENERIC);
    ASSERT_GE(a, 0);
    ASSERT_GE(b, 0);
    EXPECT_EQ(file_bytes(p), old);
    EXPECT_EQ(names_in(dir), std::vector<std::string>{"run.dat"});
    int id = 0;
    const int r = ZOG_openRead(p.c_str(), &id);  // the old file still reads
    EXPECT_GE(r, 0);
    ZOG_closeRead(r);
    EXPECT_EQ(ZOG_closeWrite(a), 1);
    EXPECT_EQ(ZOG_closeWrite(b), 1);
    EXPECT_EQ(file_bytes(p), file_bytes(fresh));  // both an empty head group now
    // Where nothing can be written, the open fails and says why.
    EXPECT_EQ(ZOG_openWrite(dir.c_str(), ZOG_FMT_GENERIC), -1);
    EXPECT_EQ(write_error(), "cannot write " + dir + ": " + std::strerror(EISDIR));
    EXPECT_EQ(ZOG_openWrite((dir + "/no/such/folder/x.dat").c_str(), ZOG_FMT_GENERIC), -1);
    EXPECT_NE(write_error().find(std::strerror(ENOENT)), std::string::npos);
    EXPECT_EQ(ZOG_openWrite("", ZOG_FMT_GENERIC), -1);
    EXPECT_TRUE(all_slots_free());
}

TEST(CloseWrite, ALinkKeepsPointingAtTheRewrittenFileWithItsPermissions)
{
    const std::string dir = scratch_dir("link");
    const std::string real = dir + "/real.dat", link = dir + "/link.dat";
    ASSERT_EQ(write_full(real), 1);
    ASSERT_EQ(::chmod(real.c_str(), 0640), 0);
    ASSERT_EQ(::symlink("real.dat", link.c_str()), 0);
    ASSERT_EQ(write_full(link, ZOG_FMT_FUB_TI), 1);
    struct stat st{};
    ASSERT_EQ(::lstat(link.c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    ASSERT_EQ(::stat(real.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640U);
    EXPECT_EQ(check_full(real, ZOG_FMT_FUB_TI), 0);
    EXPECT_EQ(names_in(dir), (std::vector<std::string>{"link.dat", "real.dat"}));
    std::filesystem::remove_all(dir);
}

// Such a file is rewritten in place, and only when all of it has room: a
// write cut short by a size limit, or failing at once, leaves the old file
// whole there too.
TEST(CloseWrite, AFileInAFolderThatTakesNoNewFileIsRewrittenInPlace)
{
    const OldRun run("rofolder");
    const std::string &dir = run.dir, &p = run.p;
    if (::geteuid() == 0) {
        ASSERT_EQ(::chown(p.c_str(), nobody, nobody), 0);
    }
    ASSERT_EQ(::chmod(dir.c_str(), 0555), 0);
    const int rc = in_child([&] {
        if (!as_ordinary_user(dir)) return 77;
        if (const int cut = close_past_a_size_limit(p); cut != 0) return cut;
        if (file_bytes(p) != run.old) return 20;
        zog_fault = [](int site) { return site == zs_write ? 1 : 0; };
        const int failed = write_full(p, ZOG_FMT_FUB_TI);
        zog_fault = nullptr;
        if (failed != 0 || file_bytes(p) != run.old) return 24;
        if (write_full(p, ZOG_FMT_FUB_TI) != 1 || check_full(p, ZOG_FMT_FUB_TI) != 0) return 21;
        if (ZOG_openWrite((dir + "/new.dat").c_str(), ZOG_FMT_GENERIC) != -1) return 22;
        return write_error().find(std::strerror(EACCES)) != std::string::npos ? 0 : 23;
    });
    ::chmod(dir.c_str(), 0755);
    if (rc == 77) GTEST_SKIP() << "the test folder cannot be reached as an ordinary user";
    EXPECT_EQ(rc, 0);
    EXPECT_EQ(check_full(p, ZOG_FMT_FUB_TI), 0);
    EXPECT_EQ(names_in(dir), std::vector<std::string>{"run.dat"});
}

// A link to no file yet: the file is made where the link leads, whole or not
// at all, and the link stays a link.
TEST(CloseWrite, ALinkToNoFileYetGetsItsFileWholeOrNone)
{
    const std::string dir = scratch_dir("dangling");
    const std::string link = dir + "/link.dat", real = dir + "/sub/real.dat";
    ASSERT_TRUE(std::filesystem::create_directory(dir + "/sub"));
    ASSERT_EQ(::symlink("sub/real.dat", link.c_str()), 0);
    EXPECT_EQ(in_child([&] { return close_past_a_size_limit(link); }), 0);
    EXPECT_EQ(names_in(dir + "/sub"), std::vector<std::string>{});
    ASSERT_EQ(write_full(link), 1);
    struct stat st{};
    ASSERT_EQ(::lstat(link.c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_EQ(check_full(real), 0);
    EXPECT_EQ(names_in(dir + "/sub"), std::vector<std::string>{"real.dat"});
    std::filesystem::remove_all(dir);
}

// A rewritten file keeps its owner and group (root may give them away).
TEST(CloseWrite, TheOldFilesOwnerIsKept)
{
    if (::geteuid() != 0) GTEST_SKIP() << "only the superuser can make a file another user's";
    const OldRun run("owner");
    ASSERT_EQ(::chown(run.p.c_str(), nobody, nobody), 0);
    ASSERT_EQ(write_full(run.p, ZOG_FMT_FUB_TI), 1);
    struct stat st{};
    ASSERT_EQ(::stat(run.p.c_str(), &st), 0);
    EXPECT_EQ(st.st_uid, nobody);
    EXPECT_EQ(st.st_gid, nobody);
}

// A FIFO has no old file to keep: it is written in place, the same bytes.
TEST(CloseWrite, AFifoIsWrittenInPlace)
{
    const std::string dir = scratch_dir("fifo");
    const std::string fifo = dir + "/pipe", copy = dir + "/copy", plain = dir + "/plain";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::thread reader([&] {  // the FIFO's bytes into a file
        std::ifstream in(fifo, std::ios::binary);
        std::ofstream out(copy, std::ios::binary);
        out << in.rdbuf();
    });
    EXPECT_EQ(write_full(fifo), 1);
    reader.join();
    ASSERT_EQ(write_full(plain), 1);
    EXPECT_EQ(file_bytes(copy), file_bytes(plain));
    std::filesystem::remove_all(dir);
}

// ---- a signal during the close: the folder keeps the old file or gets the
// new one whole, and never a temporary beside it

// The fault hook sends the signal to this process at the site's first call.
struct SignalAt {
    static inline int site = 0, sig = 0;
    static int hook(int s)
    {
        if (s == site) {
            site = 0;
            ::kill(::getpid(), sig);
        }
        return 0;
    }
};

// write_full with sig sent at site; what it answered (100 + 1 when it wrote).
int write_signalled(const std::string& p, int sig, int site)
{
    SignalAt::site = site;
    SignalAt::sig = sig;
    zog_fault = SignalAt::hook;
    const int wrote = write_full(p, ZOG_FMT_FUB_TI);
    zog_fault = nullptr;
    return 100 + wrote;
}

std::string status_text(int status)
{
    if (status != -1 && WIFSIGNALED(status)) return std::string("killed by ") + strsignal(WTERMSIG(status));
    if (status != -1 && WIFEXITED(status)) return "exit " + std::to_string(WEXITSTATUS(status));
    return "no child";
}

struct SignalCase { int sig; int site; const char* when; };
const SignalCase signal_cases[] = {
    {SIGINT, zs_write, "the temporary just made"}, {SIGTERM, zs_write, "the temporary just made"},
    {SIGHUP, zs_write, "the temporary just made"}, {SIGINT, zs_flush, "all bytes written"},
    {SIGTERM, zs_flush, "all bytes written"}, {SIGHUP, zs_flush, "all bytes written"},
    {SIGINT, zs_close, "before its close"}, {SIGTERM, zs_close, "before its close"},
    {SIGHUP, zs_close, "before its close"}, {SIGINT, zs_rename, "before the rename"},
    {SIGTERM, zs_rename, "before the rename"}, {SIGHUP, zs_rename, "before the rename"},
};

// A program that leaves the signals at their default: it dies of the signal,
// and an old file stays as it was, a new one is not made.
TEST(CloseWrite, ASignalLeavesTheOldFileAndNoTemporary)
{
    const OldRun run("signal");
    const std::string fresh = run.dir + "/new.dat";
    for (const SignalCase& c : signal_cases) {
        for (const std::string& target : {run.p, fresh}) {
            const int status = child_status([&] { return write_signalled(target, c.sig, c.site); });
            EXPECT_EQ(status_text(status), std::string("killed by ") + strsignal(c.sig)) << c.when;
            EXPECT_EQ(names_in(run.dir), std::vector<std::string>{"run.dat"}) << strsignal(c.sig) << ", " << c.when;
            EXPECT_EQ(file_bytes(run.p), run.old) << c.when;
        }
    }
    // Nothing of the write outlives it: the program's own dispositions are back.
    ASSERT_EQ(write_full(fresh), 1);
    struct sigaction now{};
    ASSERT_EQ(sigaction(SIGTERM, nullptr, &now), 0);
    EXPECT_EQ(now.sa_handler, SIG_DFL);
}

// A handler of the program's own that ends the process removes the temporary
// through ZOG_dropTemporaries; an ignored signal lets the write finish.
TEST(CloseWrite, AProgramsOwnHandlerRemovesTheTemporary)
{
    const OldRun run("ownhandler");
    const int own = in_child([&] {
        struct sigaction sa{};
        sa.sa_handler = [](int) { ZOG_dropTemporaries(); _exit(7); };
        sigaction(SIGTERM, &sa, nullptr);
        return write_signalled(run.p, SIGTERM, zs_flush);
    });
    EXPECT_EQ(own, 7);
    EXPECT_EQ(names_in(run.dir), std::vector<std::string>{"run.dat"});
    EXPECT_EQ(file_bytes(run.p), run.old);
    const int ignored = in_child([&] {
        std::signal(SIGTERM, SIG_IGN);
        return write_signalled(run.p, SIGTERM, zs_write);
    });
    EXPECT_EQ(ignored, 101);
    EXPECT_EQ(names_in(run.dir), std::vector<std::string>{"run.dat"});
    EXPECT_EQ(check_full(run.p, ZOG_FMT_FUB_TI), 0);
}

// A rewrite in place cannot be undone: the signal waits until the file is
// whole, then ends the process.
TEST(CloseWrite, ASignalWaitsForARewriteInPlace)
{
    const OldRun run("signalinplace");
    if (::geteuid() == 0) {
        ASSERT_EQ(::chown(run.p.c_str(), nobody, nobody), 0);
    }
    ASSERT_EQ(::chmod(run.dir.c_str(), 0555), 0);
    const int status = child_status([&] {
        if (!as_ordinary_user(run.dir)) return 77;
        return write_signalled(run.p, SIGTERM, zs_write);
    });
    ::chmod(run.dir.c_str(), 0755);
    if (status != -1 && WIFEXITED(status) && WEXITSTATUS(status) == 77)
        GTEST_SKIP() << "the test folder cannot be reached as an ordinary user";
    EXPECT_EQ(status_text(status), std::string("killed by ") + strsignal(SIGTERM));
    EXPECT_EQ(check_full(run.p, ZOG_FMT_FUB_TI), 0);
    EXPECT_EQ(names_in(run.dir), std::vector<std::string>{"run.dat"});
}

}  // namespace
