// tables_test.cpp -- the table readers (good and bad files) and the lookups of
// polzz, lfpol, lookup_tbl and g_cmplx on tables whose values are linear in
// each index, so that a cross term or an off-by-one shows at once.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <functional>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "../../../tools/kt_tablegen.h"
#include "relax.h"
#include "tbl_scratch.h"

namespace {

namespace fs = std::filesystem;

// A record file built byte by byte, so that framing faults can be made.
struct Raw {
    std::vector<unsigned char> b;
    void u32(std::uint32_t v) { for (int k = 0; k < 4; ++k) b.push_back((v >> (8 * k)) & 0xff); }
    void word(const void* p) { std::uint32_t v; std::memcpy(&v, p, 4); u32(v); }
    void rec(const std::vector<unsigned char>& body, long tail = -1)
    {
        u32(std::uint32_t(body.size()));
        b.insert(b.end(), body.begin(), body.end());
        u32(tail < 0 ? std::uint32_t(body.size()) : std::uint32_t(tail));
    }
    void save(const std::string& path) const
    {
        std::FILE* f = std::fopen(path.c_str(), "wb");
        ASSERT_NE(f, nullptr);
        std::fwrite(b.data(), 1, b.size(), f);
        std::fclose(f);
    }
};

std::vector<unsigned char> text_body(const std::string& s, std::size_t n)
{
    std::string t = s;
    t.resize(n, ' ');
    return {t.begin(), t.end()};
}
template <class T>
std::vector<unsigned char> words_body(const std::vector<T>& v, std::size_t extra = 0)
{
    Raw r;
    for (const T& x : v) r.word(&x);
    r.b.resize(r.b.size() + extra, 0xab);
    return r.b;
}

// ---- table descriptions the tests vary ----

struct RlxDesc {
    std::string title = "ZF Gaussian KT with hopping, test table";
    std::vector<std::int32_t> pai = std::vector<std::int32_t>(16, 0);
    std::vector<float> par = std::vector<float>(16, 0.0f);
    std::vector<float> dat;
    std::size_t extra = 0;        // bytes after the items of every record
};

// nt 30 (second region from point 11), 8 hop points 0, 0.1, 0.2 ... 6.4, 4 slabs
// of step 0.5; T(i, j, s) = 0.01 i + 0.001 j + 0.1 s.
constexpr double ka = 0.01, kb = 0.001, kc = 0.1;
RlxDesc linear_rlx(bool slabs)
{
    RlxDesc d;
    const int nt = 30, nh = 8, ns = slabs ? 4 : 1;
    d.pai[0] = slabs ? 3 : 2;
    d.pai[1] = nt;
    d.pai[2] = nh;
    d.pai[3] = 2;
    d.pai[4] = 11;
    d.pai[5] = slabs ? ns : 0;
    d.par[0] = 0.1f;
    d.par[1] = 1.0f;
    d.par[2] = 0.2f;
    d.par[3] = 4.8f;
    d.par[4] = float(std::log(2.0));
    d.par[5] = float(std::log(0.1));
    d.par[7] = 0.1f;
    d.par[8] = 6.4f;
    d.par[9] = 0.5f;
    for (int s = 1; s <= ns; ++s)
        for (int i = 1; i <= nt; ++i)
            for (int j = 1; j <= nh; ++j) d.dat.push_back(float(ka * i + kb * j + kc * s));
    return d;
}

void write_rlx(const std::string& path, const RlxDesc& d)
{
    Raw r;
    r.rec(text_body(d.title, 80 + d.extra));
    r.rec(words_body(d.pai, d.extra));
    r.rec(words_body(d.par, d.extra));
    r.rec(words_body(d.dat, d.extra));
    r.save(path);
}

struct LfDesc {
    std::string title = "Static Gaussian KT in LF, test table";
    std::vector<std::int32_t> pai = std::vector<std::int32_t>(16, 0);
    std::vector<float> par = std::vector<float>(16, 0.0f);
    std::vector<float> dat;
};

// 20 time points of step 0.25, 6 rows of field step 1 (limit 5);
// T(i, r) = 0.01 i + 0.1 r.
LfDesc linear_lf(int first = 2)
{
    LfDesc d;
    d.pai[0] = first;
    d.pai[1] = 20;
    d.pai[2] = 6;
    d.par[0] = 0.25f;
    d.par[2] = 1.0f;
    d.par[3] = 5.0f;
    for (int r = 1; r <= 6; ++r)
        for (int i = 1; i <= 20; ++i) d.dat.push_back(float(0.01 * i + 0.1 * r));
    return d;
}

void write_lf(const std::string& path, const LfDesc& d)
{
    Raw r;
    r.rec(text_body(d.title, 80));
    r.rec(words_body(d.pai));
    r.rec(words_body(d.par));
    r.rec(words_body(d.dat));
    r.save(path);
}

struct OmniDesc {
    std::vector<std::int32_t> head{3, 7, 8, 9};
    std::vector<std::int32_t> len{5, 4, 3};
    std::vector<float> axes;
    std::vector<float> dat;
};

// Three axes with uneven spacing; y = 1 + 0.1 k1 + 0.01 k2 + 0.001 k3.
OmniDesc linear_omni()
{
    OmniDesc d;
    d.axes = {0, 0.5, 1.5, 3, 5, /**/ -1, 0, 2, 6, /**/ 10, 20, 40};
    for (int k3 = 1; k3 <= 3; ++k3)
        for (int k2 = 1; k2 <= 4; ++k2)
            for (int k1 = 1; k1 <= 5; ++k1) d.dat.push_back(float(1 + 0.1 * k1 + 0.01 * k2 + 0.001 * k3));
    return d;
}

void write_omni(const std::string& path, const OmniDesc& d)
{
    Raw r;
    r.rec(words_body(d.head));
    r.rec(words_body(d.len));
    r.rec(text_body("OMNI test table", 160));
    r.rec(text_body("", 80 * d.len.size()));
    r.rec(words_body(d.axes));
    r.rec(words_body(d.dat));
    r.save(path);
}

void write_cmplx(const std::string& path, std::int32_t n, float dx, int values)
{
    Raw r;
    std::vector<unsigned char> head;
    Raw h;
    h.word(&n);
    h.word(&dx);
    r.rec(h.b);
    std::vector<float> re, im;
    for (int k = 0; k < values; ++k) {
        re.push_back(float(1 - 0.1 * k));
        im.push_back(float(0.5 * k));
    }
    r.rec(words_body(re));
    r.rec(words_body(im));
    r.save(path);
}

// ---- good files ----

TEST(TableRead, LongitudinalFieldFlagsAndRereading)
{
    const std::string p = tmp_path("lf.tbl");
    LfDesc d = linear_lf(-2);
    write_lf(p, d);
    ASSERT_TRUE(read_lf_tbl(p));
    EXPECT_EQ(tbl_loaded.lf_name.trimmed(), p);   // the name the answer file records
    EXPECT_EQ(lftbl_pai(1), 2);         // -2 stored as 2 ...
    EXPECT_EQ(lftbl_ctl(2), 1);         // ... with the scaled time axis
    EXPECT_EQ(lftbl_ctl(1), 1);         // "ic G" in characters 5 to 8
    EXPECT_EQ(lftbl_ttl.trimmed(), "Static Gaussian KT in LF, test table");
    d = linear_lf(2);
    d.title = "Static Lorentzian";
    d.dat.assign(d.dat.size(), 0.5f);
    write_lf(p, d);
    ASSERT_TRUE(read_lf_tbl(p));
    EXPECT_EQ(lftbl_ctl(1), 0);
    EXPECT_EQ(lftbl_ctl(2), 0);
    EXPECT_EQ(lftbl_dat(1), 0.5f);      // the second reading replaced the first
    // A file that cannot be opened leaves the records: the message shows the loaded 2.
    EXPECT_FALSE(read_lf_tbl(tmp_path("no_such.tbl")));
    EXPECT_EQ(lf_tbl_fail_lines("x")[2], "     *** GET_LF_TBL ***  Cannot read     2-dim Table \"x\"");
}

TEST(TableRead, LongerRecordsAreAcceptedAndSkipped)
{
    const std::string p = tmp_path("rlx_long.tbl");
    RlxDesc d = linear_rlx(true);
    d.extra = 12;
    write_rlx(p, d);
    std::string why;
    ASSERT_TRUE(read_rlx_tbl(p, &why)) << why;
    EXPECT_EQ(tblpai(6), 4);
    EXPECT_FLOAT_EQ(tbldat(30 * 8 * 4), float(ka * 30 + kb * 8 + kc * 4));
    EXPECT_EQ(tbldat(30 * 8 * 4 + 1), 0.0f);   // nothing past the count
}

TEST(TableRead, OmniAndComplex)
{
    const std::string p = tmp_path("omni.tbl");
    write_omni(p, linear_omni());
    std::string why;
    ASSERT_TRUE(read_omni_tbl(p, &why)) << why;
    EXPECT_EQ(omni_tbl_size.ndim, 3);
    EXPECT_EQ(omni_tbl_size.code(3), 9);
    EXPECT_EQ(omni_tbl_locx.ntot, 60);
    EXPECT_EQ(omni_tbl_locx.loc_x0_tbl(3), 9);
    EXPECT_EQ(omni_tbl_text.ttl_tbl.trimmed(), "OMNI test table");
    const std::string c = tmp_path("cmplx.tbl");
    write_cmplx(c, 11, 0.5f, 11);
    ASSERT_TRUE(read_g_cmplx(c, &why)) << why;
    EXPECT_EQ(g_cmplx_tbl.n, 11);
    EXPECT_FLOAT_EQ(g_cmplx_tbl.xmax, 5.0f);
}

// ---- bad files: each is refused, with its reason ----

struct BadCase {
    const char* name;
    std::function<void(const std::string&)> make;
    std::function<bool(const std::string&, std::string*)> read;
    const char* why;   // part of the reason
};

bool rd_rlx(const std::string& p, std::string* w) { return read_rlx_tbl(p, w); }
bool rd_lf(const std::string& p, std::string* w) { return read_lf_tbl(p, w); }
bool rd_omni(const std::string& p, std::string* w) { return read_omni_tbl(p, w); }
bool rd_cmplx(const std::string& p, std::string* w) { return read_g_cmplx(p, w); }

template <class D, class F>
std::function<void(const std::string&)> varied(D (*base)(), F change, void (*write)(const std::string&, const D&))
{
    return [=](const std::string& p) { D d = base(); change(d); write(p, d); };
}
RlxDesc rlx3() { return linear_rlx(true); }
LfDesc lf2() { return linear_lf(2); }

const BadCase bad_cases[] = {
    {"missing file", [](const std::string&) {}, rd_rlx, "cannot open"},
    {"rlx one time point", varied(rlx3, [](RlxDesc& d) { d.pai[1] = 1; d.dat.resize(32); }, write_rlx), rd_rlx,
     "at least 2 time"},
    {"rlx one hop point", varied(rlx3, [](RlxDesc& d) { d.pai[2] = 1; }, write_rlx), rd_rlx, "2 hop"},
    {"rlx no slab", varied(rlx3, [](RlxDesc& d) { d.pai[5] = 0; }, write_rlx), rd_rlx, "no slab"},
    {"rlx over capacity", varied(rlx3, [](RlxDesc& d) { d.pai[1] = 30000; }, write_rlx), rd_rlx, "more than the 800000"},
    {"rlx count overflows", varied(rlx3, [](RlxDesc& d) { d.pai[1] = 1 << 30; d.pai[2] = 1 << 30; }, write_rlx), rd_rlx,
     "more than the 800000"},
    {"rlx short data", varied(rlx3, [](RlxDesc& d) { d.dat.pop_back(); }, write_rlx), rd_rlx, "record 4 holds"},
    {"rlx zero time step", varied(rlx3, [](RlxDesc& d) { d.par[0] = 0; }, write_rlx), rd_rlx, "time step"},
    {"rlx NaN parameter", varied(rlx3, [](RlxDesc& d) { d.par[2] = NAN; }, write_rlx), rd_rlx, "not a number"},
    {"rlx times end early", varied(rlx3, [](RlxDesc& d) { d.par[3] = 9.0f; }, write_rlx), rd_rlx, "before the table's end"},
    {"rlx region start outside", varied(rlx3, [](RlxDesc& d) { d.pai[4] = 31; }, write_rlx), rd_rlx, "outside 1..30"},
    {"rlx hops end early", varied(rlx3, [](RlxDesc& d) { d.par[8] = 100.0f; }, write_rlx), rd_rlx, "below the fast-hopping"},
    {"rlx hop point 2 mismatch", varied(rlx3, [](RlxDesc& d) { d.par[7] = 0.3f; }, write_rlx), rd_rlx, "logarithm"},
    {"rlx zero slab step", varied(rlx3, [](RlxDesc& d) { d.par[9] = 0; }, write_rlx), rd_rlx, "slab step"},
    {"rlx NaN value", varied(rlx3, [](RlxDesc& d) { d.dat[7] = NAN; }, write_rlx), rd_rlx, "not a number"},
    {"lf dimension 3", varied(lf2, [](LfDesc& d) { d.pai[0] = 3; }, write_lf), rd_lf, "dimension is 3"},
    {"lf over capacity", varied(lf2, [](LfDesc& d) { d.pai[1] = 2000; }, write_lf), rd_lf, "more than the 10001"},
    {"lf one row", varied(lf2, [](LfDesc& d) { d.pai[2] = 1; }, write_lf), rd_lf, "2 field rows"},
    {"lf rows below the limit", varied(lf2, [](LfDesc& d) { d.par[3] = 5.5f; }, write_lf), rd_lf, "needs 7"},
    {"lf zero field step", varied(lf2, [](LfDesc& d) { d.par[2] = 0; }, write_lf), rd_lf, "field step"},
    {"lf no high-field limit", varied(lf2, [](LfDesc& d) { d.par[3] = 0; }, write_lf), rd_lf, "high-field limit"},
    {"lf bad closing length",
     [](const std::string& p) {
         LfDesc d = linear_lf();
         Raw r;
         r.rec(text_body(d.title, 80));
         r.rec(words_body(d.pai), 60);
         r.save(p);
     },
     rd_lf, "closing length"},
    {"lf count past end of file",
     [](const std::string& p) {
         Raw r;
         r.rec(text_body("x", 80));
         r.u32(1000000);
         r.save(p);
     },
     rd_lf, "more than the file holds"},
    {"lf file ends early",
     [](const std::string& p) {
         LfDesc d = linear_lf();
         Raw r;
         r.rec(text_body(d.title, 80));
         r.rec(words_body(d.pai));
         r.rec(words_body(d.par));
         r.save(p);
     },
     rd_lf, "record 4 is missing"},
    {"omni no axes", [](const std::string& p) { OmniDesc d = linear_omni(); d.head[0] = 0; write_omni(p, d); },
     rd_omni, "0 axes"},
    {"omni 11 axes", [](const std::string& p) { OmniDesc d = linear_omni(); d.head[0] = 11; write_omni(p, d); },
     rd_omni, "11 axes"},
    {"omni too many axis values",
     [](const std::string& p) { OmniDesc d = linear_omni(); d.len = {600, 401, 1}; write_omni(p, d); }, rd_omni,
     "1002 axis values"},
    {"omni too many values",
     [](const std::string& p) { OmniDesc d = linear_omni(); d.len = {300, 300, 3}; write_omni(p, d); }, rd_omni,
     "270000 values"},
    {"omni empty axis",
     [](const std::string& p) { OmniDesc d = linear_omni(); d.len[1] = 0; write_omni(p, d); }, rd_omni,
     "axis 2 has 0"},
    {"omni axis not increasing",
     [](const std::string& p) { OmniDesc d = linear_omni(); d.axes[6] = -1; write_omni(p, d); }, rd_omni,
     "axis 2 do not increase"},
    {"cmplx one point", [](const std::string& p) { write_cmplx(p, 1, 0.1f, 1); }, rd_cmplx, "at least 2"},
    {"cmplx zero step", [](const std::string& p) { write_cmplx(p, 4, 0.0f, 4); }, rd_cmplx, "step"},
    {"cmplx too many", [](const std::string& p) { write_cmplx(p, 2049, 0.1f, 4); }, rd_cmplx, "2048"},
    {"cmplx short", [](const std::string& p) { write_cmplx(p, 10, 0.1f, 9); }, rd_cmplx, "record 2 holds 36"},
};

TEST(TableRead, BadFilesAreRefusedWithTheirReason)
{
    for (const auto& c : bad_cases) {
        SCOPED_TRACE(c.name);
        const std::string p = tmp_path(std::string("bad_") + std::to_string(&c - bad_cases));
        fs::remove(p);
        c.make(p);
        std::string why;
        EXPECT_FALSE(c.read(p, &why));
        EXPECT_NE(why.find(c.why), std::string::npos) << why;
    }
    EXPECT_FALSE(tbl_loaded.lf);   // a refused table is not taken, nor its name
    EXPECT_TRUE(tbl_loaded.lf_name.blank());
}

// ---- the messages, and the stop with status 1 ----

TEST(TableMessage, LinesOfEachReader)
{
    const std::vector<std::string> rlx = {
        "", "", "          *** GETRLXTBL failed to find your file:", "gauss.tbl   ", "",
        "     For a sample Relaxation Function Table     (ZF Gaussian Kubo-Toyabe with Hopping)",
        "     try USR1:[VUL.TBL]GAUSS.TBL,", "", ""};
    EXPECT_EQ(rlx_tbl_fail_lines("gauss.tbl   "), rlx);
    lftbl_pai(1) = 3;
    EXPECT_EQ(lf_tbl_fail_lines("lf.tbl  "),
              (std::vector<std::string>{"", "", "     *** GET_LF_TBL ***  Cannot read     3-dim Table \"lf.tbl  \"", ""}));
    omni_tbl_size.ndim = 11;
    EXPECT_EQ(omni_tbl_fail_lines("o"),
              (std::vector<std::string>{"", "", "     *** GET_OMNI_TBL ***  Cannot read    11-dim Table \"o\"", ""}));
    EXPECT_EQ(g_cmplx_fail_lines("c.tbl   ", true),
              (std::vector<std::string>{"  Complex Table > internal array size =  2048", "", "",
                                        "     *** GET_G_CMPLX ***  Cannot read Table \"c.tbl\"", ""}));
    EXPECT_EQ(g_cmplx_fail_lines("   ", false)[2], "     *** GET_G_CMPLX ***  Cannot read Table \" \"");
}

using TableDeath = ::testing::Test;

TEST(TableDeath, BadFileStopsWithStatusOne)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const std::string p = tmp_path("lf3.tbl");
    LfDesc d = linear_lf(3);
    write_lf(p, d);
    // The screen is sent to standard error so that the death test sees it.
    EXPECT_EXIT({ dup2(2, 1); get_lf_tbl(p); }, ::testing::ExitedWithCode(1),
                "GET_LF_TBL \\*\\*\\*  Cannot read     3-dim Table");
    const std::string c = tmp_path("big.tbl");
    write_cmplx(c, 2049, 0.1f, 4);
    EXPECT_EXIT({ dup2(2, 1); get_g_cmplx(c); }, ::testing::ExitedWithCode(1),
                "internal array size =  2048");
    EXPECT_EXIT({ dup2(2, 1); get_rlx_tbl(tmp_path("none.tbl")); }, ::testing::ExitedWithCode(1),
                "GETRLXTBL failed to find your file");
    EXPECT_EXIT({ dup2(2, 1); get_omni_tbl(tmp_path("none.tbl")); }, ::testing::ExitedWithCode(1),
                "GET_OMNI_TBL \\*\\*\\*  Cannot read");
}

// With no table read, the tabulated forms give 1 (the complex one 0) and say so once. The
// reset clears the notices too, so the test does not depend on what ran before it.
TEST(NoTable, DefinedResultAndOneNotice)
{
    tbl_loaded = {};
    testing::internal::CaptureStdout();
    double g = 0, d1, d2, d3;
    for (int k = 0; k < 3; ++k) {
        polzz(1.0, 1.0, 0.5, 0.0, g, d1, d2, d3);
        EXPECT_EQ(g, 1.0);
        lfpol(1.0, 1.0, 0.5, g, d1, d2);
        EXPECT_EQ(g, 1.0);
        EXPECT_EQ(omni_pol(1.0, 1.0, {}), 1.0);
        EXPECT_EQ(g_cmplx(0.5f), std::complex<float>(0, 0));
    }
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(out, "  *** POLZZ: no relaxation-function table has been read; G = 1 used \n"
                   "  *** LFPOL: no longitudinal-field table has been read; G = 1 used \n"
                   "  *** OMNI_POL: no OMNI table has been read; G = 1 used \n");
}

// ---- lookups on linear tables ----

// Position of tn on the time axis of linear_rlx, counted from 1.
double time_pos(double tn) { return tn <= 1.0 ? 1 + tn / 0.1 : 11 + (tn - 1.0) / 0.2; }
double hop_pos(double hn)
{
    return std::log(hn) < std::log(0.1) ? 1 + hn / 0.1 : 2 + std::log(hn / 0.1) / std::log(2.0);
}

TEST(Polzz, ExactOnALinearTable)
{
    const std::string p = tmp_path("rlx_lin.tbl");
    write_rlx(p, linear_rlx(true));
    ASSERT_TRUE(read_rlx_tbl(p));
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> ut(0.01, 4.79), uh(0.0, 6.39), uq(0.0, 1.49);
    double d1, d2, d3, g;
    for (int k = 0; k < 2000; ++k) {
        const double delta = 0.5 + k % 3, tn = ut(rng), hn = k % 5 == 0 ? 0.05 * uh(rng) / 6.4 : uh(rng);
        const double fq = k % 7 == 0 ? 0.0 : uq(rng);   // q = 0: slab 1 only
        polzz(tn / delta, delta, hn * delta, fq * delta, g, d1, d2, d3);
        const double c = fq / 0.5;   // from zero field to the second slab with q^2
        const double want = ka * time_pos(tn) + kb * hop_pos(hn) + kc * (fq > 0 ? 1 + (c < 1 ? c * c : c) : 1);
        ASSERT_NEAR(g, want, 2e-6) << "tn " << tn << " hn " << hn << " q " << fq;
        ASSERT_EQ(d1 + d2 + d3, 0.0);
    }
    // hn of 0 or below: the linear first hop interval, ah = hn / 0.1 (here -0.5).
    for (double hn : {0.0, -0.05}) {
        polzz(1.3, 1.0, hn, 0.0, g, d1, d2, d3);
        EXPECT_NEAR(g, ka * time_pos(1.3) + kb * (1 + hn / 0.1) + kc, 2e-6) << hn;
    }
    // Past the last slab the last slab moves linearly to the high-field form
    // where that takes over (q/delta 2), without reading past the table.
    double high;
    polzz(1.0, 1.0, 0.15, 2.0, high, d1, d2, d3);
    polzz(1.0, 1.0, 0.15, 1.8, g, d1, d2, d3);
    EXPECT_NEAR(g, 0.4 * (ka * time_pos(1.0) + kb * hop_pos(0.15) + kc * 4) + 0.6 * high, 2e-6);
    // Zero or negative normalised time: exactly 1.
    polzz(0.0, 1.0, 0.3, 0.0, g, d1, d2, d3);
    EXPECT_EQ(g, 1.0);
    polzz(-1.0, 2.0, 0.3, 0.0, g, d1, d2, d3);
    EXPECT_EQ(g, 1.0);
}

TEST(Polzz, AnalyticBranches)
{
    const std::string p = tmp_path("rlx_lin2.tbl");
    RlxDesc d = linear_rlx(false);
    write_rlx(p, d);
    ASSERT_TRUE(read_rlx_tbl(p));
    double g, d1, d2, d3;
    // Fast hopping from the limit on, at zero field (q ignored without a third axis).
    polzz(2.0, 1.0, 6.4, 5.0, g, d1, d2, d3);
    EXPECT_NEAR(g, std::exp(-2 * 2.0 / 6.4), 1e-12);
    // Long times: the last time point, hop-interpolated, decaying as the last
    // points of its hop columns do. This table rises in time: from hn = 1 on it
    // holds; below, it decays at the slow-hopping rate hn (1 - Gs)(1 - 0.11 hn^2),
    // Gs the last value of the static column (here 0.401).
    polzz(6.0, 1.0, 0.4, 0.0, g, d1, d2, d3);
    EXPECT_NEAR(g, (ka * 30 + kb * 4 + kc) * std::exp(-0.4 * (1 - 0.401) * (1 - 0.11 * 0.16) * (6.0 - 4.8)), 1e-6);
    polzz(6.0, 1.0, 3.2, 0.0, g, d1, d2, d3);
    EXPECT_NEAR(g, ka * 30 + kb * 7 + kc, 1e-6);
    // A table whose columns decay as e^(-k_j tn), k_j = 0.05 j: the rate is
    // interpolated between the columns like the values.
    {
        RlxDesc e = linear_rlx(false);
        for (int i = 1; i <= 30; ++i)
            for (int j = 1; j <= 8; ++j) {
                const double tn = i < 11 ? (i - 1) * 0.1 : 1.0 + (i - 11) * 0.2;
                e.dat[std::size_t((i - 1) * 8 + j - 1)] = float(std::exp(-0.05 * j * tn));
            }
        write_rlx(p, e);
        ASSERT_TRUE(read_rlx_tbl(p));
        const double hn = 0.1 * std::pow(2.0, 2.25);   // a quarter past hop point 4
        const double k = 0.05 * (4 + 0.25), last = 0.75 * std::exp(-0.2 * 4.8) + 0.25 * std::exp(-0.25 * 4.8);
        polzz(9.0, 1.0, hn, 0.0, g, d1, d2, d3);
        EXPECT_NEAR(g, last * std::exp(-k * (9.0 - 4.8)), 1e-6);
        write_rlx(p, d);
        ASSERT_TRUE(read_rlx_tbl(p));
    }
    // Code 3 never hops fast: hn is held just below the limit.
    d.pai[3] = 3;
    write_rlx(p, d);
    ASSERT_TRUE(read_rlx_tbl(p));
    polzz(2.0, 1.0, 100.0, 0.0, g, d1, d2, d3);
    EXPECT_NEAR(g, ka * time_pos(2.0) + kb * hop_pos(6.4f - 0.01f) + kc, 2e-6);
    // The Abragam form for fast hopping, whatever delta is, and its limit.
    d.pai[3] = 2;
    d.par[11] = 3.0f;
    write_rlx(p, d);
    ASSERT_TRUE(read_rlx_tbl(p));
    for (double delta : {0.5, 1.0, 2.0}) {
        polzz(1.5, delta, 13.0 * delta, 0.0, g, d1, d2, d3);
        const double h = 13.0 * delta, t = 1.5;
        EXPECT_NEAR(g, std::exp(-(3.0 / (h * h)) * (std::exp(-h * t) - 1 + h * t)), 1e-12);
    }
}

// X(on) and W(theta) of the analytic forms, written out.
double form_x(double on) { return 1 / on * (1 + 1 / (on * on)) * std::atan(on) - 1 / (on * on); }
double form_w(double th)
{
    const double k = 1 / (1 + th / 2);
    return k * std::cos(th) - k * k / 2 * std::sin(th);
}

// The analytic forms of a table with a field axis (4 slabs of step 0.5, so q/delta 2 and up
// is high field) and those of the square-root code 11, each against its formula.
TEST(Polzz, AnalyticFormsWithAFieldAxis)
{
    const std::string p = tmp_path("rlx_lin4.tbl");
    RlxDesc d = linear_rlx(true);
    const double tp = 2 * 3.1415927410125732;   // as the function holds it
    struct Row {
        int code;
        double tn, hn, fq;                         // delta is 1
        std::function<double()> want;
    };
    // slab s at tn 6, hn 0.4 (hop point 4), past the table's end at 4.8
    auto tail = [](int s) {
        const double gs = 0.3 + 0.001 + 0.1 * s;
        return (ka * 30 + kb * 4 + kc * s) * std::exp(-0.4 * (1 - gs) * (1 - 0.11 * 0.16) * (6.0 - 4.8));
    };
    const Row rows[] = {
        // fast hopping in a field below the high-field slabs: narrowed, and
        // slowed by the field (the high-field forms, and the Lorentzian's fast
        // hopping in a field, are checked against the strong-collision solution
        // in kt_reference_test)
        {2, 1.3, 10.0, 1.0, [&] { return std::exp(-(2 * 1.3 / 10.0) / (1 + tp * tp / 100.0)); }},
        // long times on the field axis: each slab's last value, on this table
        // rising in time decaying at the slow-hopping rate of the slab (its static
        // column ends at Gs = 0.301 + 0.1 s), combined between the slabs
        {2, 6.0, 0.4, 0.75, [&] { return 0.5 * tail(2) + 0.5 * tail(3); }},
        {2, 6.0, 0.4, 0.25, [&] { return 0.75 * tail(1) + 0.25 * tail(2); }},
        {1, 6.0, 0.4, 0.25, [&] { return 0.75 * tail(1) + 0.25 * tail(2); }},
        // code 11: the square-root forms, fast and at long times
        {11, 1.3, 8.0, 0.0, [] { return std::exp(-2 * std::sqrt(1.3 / 8.0)); }},
        {11, 6.0, 3.0, 0.0, [] { return std::exp(-2 * std::sqrt(6.0 / 3.0)); }},
        {11, 6.0, 0.5, 0.0, [] {
             return (std::exp(-2 * 6.0 * 0.5 / 3) + 2 * (1 - 6.0) * std::exp(-6.0)) / 3;
         }},
    };
    int loaded_code = 0;
    for (const Row& r : rows) {
        if (r.code != loaded_code) {
            d.pai[3] = r.code;
            write_rlx(p, d);
            ASSERT_TRUE(read_rlx_tbl(p));
            loaded_code = r.code;
        }
        SCOPED_TRACE(testing::Message() << "code " << r.code << " tn " << r.tn << " hn " << r.hn
                                        << " q " << r.fq);
        double g, d1, d2, d3;
        polzz(r.tn, 1.0, r.hn, r.fq, g, d1, d2, d3);
        EXPECT_NEAR(g, r.want(), 1e-6);
    }
}

// Values just past the tables are poisoned: no argument may reach them. The
// Lorentzian (code 1) solves fast hopping and high fields itself; it too gives
// a number for every argument, infinite ones included, and NaN for a NaN hop rate.
TEST(Polzz, NeverReadsOutsideItsTable)
{
    const std::string p = tmp_path("rlx_lin3.tbl");
    RlxDesc d = linear_rlx(true);
    for (int code : {2, 1}) {
        d.pai[3] = code;
        write_rlx(p, d);
        ASSERT_TRUE(read_rlx_tbl(p));
        for (int k = 30 * 8 * 4 + 1; k <= 30 * 8 * 5; ++k) tbldat(k) = NAN;
        const double big = 1e12, inf = HUGE_VAL;
        const std::vector<double> all{0.0, 1e-300, 0.099, 0.1, 4.79, 4.8, 6.39, 6.4, 1e6, big, inf};
        const std::vector<double> few{0.0, 1e-300, 0.1, 6.4, big, inf};
        double g, d1, d2, d3;
        for (double tn : code == 1 ? few : all)
            for (double hn : code == 1 ? few : all) {
                if (std::isinf(tn)) continue;   // a time is finite

                for (double fq : {0.0, 1.49, 1.5, 1.99, 2.0, 1e9, inf}) {
                    SCOPED_TRACE(testing::Message() << "code " << code << " tn " << tn << " hn " << hn
                                                    << " q " << fq);
                    polzz(tn, 1.0, hn, fq, g, d1, d2, d3);
                    ASSERT_FALSE(std::isnan(g));
                    polzz(-tn, -1.0, -hn, fq, g, d1, d2, d3);   // negative width
                    ASSERT_FALSE(std::isnan(g));
                    polzz(tn, 0.0, hn, fq, g, d1, d2, d3);      // no width
                    ASSERT_FALSE(std::isnan(g));
                }
            }
        polzz(1.0, 1.0, NAN, 3.0, g, d1, d2, d3);
        EXPECT_TRUE(std::isnan(g)) << code;
    }
}

// A table whose points all lie at one time (its second region from the first point,
// with no step, where the table ends) gives no span to take a decay rate over: past
// its end it holds its last values, or decays at the slow-hopping rate below hn = 1,
// and never turns infinite or NaN.
TEST(Polzz, ATimeAxisOfNoLengthStillContinues)
{
    const std::string p = tmp_path("rlx_one_time.tbl");
    RlxDesc d = linear_rlx(false);
    d.pai[4] = 1;
    d.par[1] = 2.5f;
    d.par[2] = 0.0f;
    d.par[3] = 2.5f;
    d.dat.clear();
    for (int i = 1; i <= 30; ++i)
        for (int j = 1; j <= 8; ++j) d.dat.push_back(float(0.9 - 0.01 * i + 0.001 * j));
    write_rlx(p, d);
    std::string why;
    ASSERT_TRUE(read_rlx_tbl(p, &why)) << why;
    const double last = 0.9 - 0.3 + 0.004, gs = 0.9 - 0.3 + 0.001;   // hop point 4 (hn 0.4), static
    double g, d1, d2, d3;
    for (double tn : {2.5 - 1e-9, 2.5, 2.5 + 1e-9, 3.0, 10.0, 100.0}) {
        polzz(tn, 1.0, 0.4, 0.0, g, d1, d2, d3);
        ASSERT_TRUE(std::isfinite(g)) << tn;
        EXPECT_NEAR(g, last * std::exp(-0.4 * (1 - gs) * (1 - 0.11 * 0.16) * (tn - 2.5)), 1e-6) << tn;
        polzz(tn, 1.0, 3.2, 0.0, g, d1, d2, d3);   // hop point 7: held
        ASSERT_TRUE(std::isfinite(g)) << tn;
        EXPECT_NEAR(g, 0.9 - 0.3 + 0.007, 1e-6) << tn;
    }
}

TEST(Lfpol, ExactOnALinearTable)
{
    const std::string p = tmp_path("lf_lin.tbl");
    write_lf(p, linear_lf(2));
    ASSERT_TRUE(read_lf_tbl(p));
    const double two_pi = 6.28318530718;
    std::mt19937 rng(3);
    std::uniform_real_distribution<double> ut(0.001, 6.0), uw(0.0, 4.99);
    double g, d1, d2;
    for (int k = 0; k < 2000; ++k) {
        const double delta = 0.7 + k % 4, tn = ut(rng), on = uw(rng);
        const double f = (k % 2 ? 1 : -1) * on * delta / two_pi;   // sign does not matter
        lfpol(tn / delta, delta, f, g, d1, d2);
        const double it = std::min(1 + tn / 0.25, 20.0);           // held at the last time
        ASSERT_NEAR(g, 0.01 * it + 0.1 * (1 + on), 2e-6) << tn << " " << on;
    }
    // At the limit the analytic form takes over: Gaussian, a = 2/on^2 - 2/on^4.
    const double on = 6.0, tn = 0.8, a = 2 / (on * on) - 2 / (on * on * on * on);
    lfpol(tn, 1.0, on / two_pi, g, d1, d2);
    EXPECT_NEAR(g, a * std::exp(-tn * tn / 2) * std::cos(on * tn) + 1 - a, 1e-9);
    lfpol(0.0, 1.0, 0.3, g, d1, d2);
    EXPECT_EQ(g, 1.0);
    // Exactly at the limit (on = 5) the analytic form applies, just below it the table.
    double f = 5 / two_pi;
    while (two_pi * f < 5) f = std::nextafter(f, 10.0);
    while (two_pi * f > 5) f = std::nextafter(f, 0.0);
    ASSERT_EQ(two_pi * f, 5.0);
    const double a5 = 2 / 25.0 - 2 / 625.0;
    lfpol(0.8, 1.0, f, g, d1, d2);
    EXPECT_NEAR(g, a5 * std::exp(-0.32) * std::cos(4.0) + 1 - a5, 1e-12);
    lfpol(0.8, 1.0, std::nextafter(f, 0.0), g, d1, d2);
    EXPECT_NEAR(g, 0.01 * (1 + 0.8 / 0.25) + 0.1 * 6, 1e-5);   // the last row
    // Poisoned values after the table are never reached.
    for (int k = 121; k <= 200; ++k) lftbl_dat(k) = NAN;
    for (double t : {0.0, 1e-9, 4.99, 5.0, 1e9})
        for (double w : {0.0, 4.999, 4.9999999, 5.0, 1e9}) {
            lfpol(t, 1.0, w / two_pi, g, d1, d2);
            ASSERT_FALSE(std::isnan(g)) << t << " " << w;
            lfpol(-t, -1.0, -w / two_pi, g, d1, d2);
            ASSERT_FALSE(std::isnan(g)) << -t << " " << w;
        }
}

// Any title but "ic G" in characters 5 to 8 gives the Lorentzian high-field form.
TEST(Lfpol, LorentzianHighFieldForm)
{
    const std::string p = tmp_path("lf_lor.tbl");
    LfDesc d = linear_lf(2);
    d.title = "Static Lorentzian KT in LF";
    write_lf(p, d);
    ASSERT_TRUE(read_lf_tbl(p));
    ASSERT_EQ(lftbl_ctl(1), 0);
    double g, d1, d2;
    for (double on : {5.5, 12.0})
        for (double tn : {0.3, 2.0}) {
            lfpol(tn / 2, 2.0, on * 2 / 6.28318530718, g, d1, d2);
            const double a = form_x(on);
            EXPECT_NEAR(g, a * std::exp(-tn) * form_w(on * tn) + 1 - a, 1e-12) << on << " " << tn;
        }
}

TEST(Lfpol, ScaledTimeAxisFollowsTheActualField)
{
    const std::string p = tmp_path("lf_scaled.tbl");
    write_lf(p, linear_lf(-2));
    ASSERT_TRUE(read_lf_tbl(p));
    double g, d1, d2;
    const double on = 1.5, tn = 1.1, s = 0.25 / (1 + on / 2);
    lfpol(tn, 1.0, on / 6.28318530718, g, d1, d2);
    EXPECT_NEAR(g, 0.01 * (1 + tn / s) + 0.1 * (1 + on), 2e-6);
}

TEST(LookupTbl, FirstOrderWithoutCrossTerms)
{
    const std::string p = tmp_path("omni_lin.tbl");
    write_omni(p, linear_omni());
    ASSERT_TRUE(read_omni_tbl(p));
    // Position of x on an axis, counted from 1.
    auto pos = [](const std::vector<double>& ax, double x) {
        if (x <= ax.front()) return 1.0;
        if (x >= ax.back()) return double(ax.size());
        std::size_t k = 0;
        while (ax[k + 1] <= x) ++k;
        return k + 1 + (x - ax[k]) / (ax[k + 1] - ax[k]);
    };
    const std::vector<double> a1{0, 0.5, 1.5, 3, 5}, a2{-1, 0, 2, 6}, a3{10, 20, 40};
    std::mt19937 rng(11);
    std::uniform_real_distribution<double> u1(-1, 6), u2(-2, 7), u3(5, 45);
    for (int k = 0; k < 3000; ++k) {
        double x[3] = {u1(rng), u2(rng), u3(rng)};
        if (k % 10 == 0) x[k % 3] = std::vector<double>{0.5, 2, 20}[std::size_t(k % 3)];   // on a grid value
        double y = 0;
        std::int32_t out = 7, j[3] = {0, 0, 0};
        lookup_tbl(x, y, out, j);
        const double want = 1 + 0.1 * pos(a1, x[0]) + 0.01 * pos(a2, x[1]) + 0.001 * pos(a3, x[2]);
        ASSERT_NEAR(y, want, 1e-6) << x[0] << " " << x[1] << " " << x[2];
        const bool low1 = x[0] <= 0, high1 = x[0] >= 5;
        const bool clamped = low1 || high1 || x[1] <= -1 || x[1] >= 6 || x[2] <= 10 || x[2] >= 40;
        ASSERT_EQ(out, clamped ? 1 : 0);
        ASSERT_EQ(j[0], low1 ? -1 : high1 ? 1 : 0);   // an unclamped axis keeps its entry
    }
    // Two axes half-way: y0 plus the two half steps, not the mean of four corners.
    OmniDesc d = linear_omni();
    for (std::size_t i = 0; i < d.dat.size(); ++i) d.dat[i] = float((i % 5) * ((i / 5) % 4));   // k1 k2 terms
    write_omni(p, d);
    ASSERT_TRUE(read_omni_tbl(p));
    const double x[3] = {1.0, 1.0, 10};   // half-way on axes 1 and 2
    double y;
    std::int32_t out, j[3] = {};
    lookup_tbl(x, y, out, j);
    // lower corner (k1 2, k2 2) = 1; along axis 1: (3,2) = 2; along axis 2: (2,3) = 2.
    EXPECT_NEAR(y, 1 + ((2 - 1) + (2 - 1)) / 2.0, 1e-6);
}

TEST(OmniPol, ArgumentsAndShortRateLists)
{
    const std::string p = tmp_path("omni_lin2.tbl");
    write_omni(p, linear_omni());
    ASSERT_TRUE(read_omni_tbl(p));
    const double rates[2] = {4.0, 60.0};
    // axis 1 = r1 t = 2*0.75, axis 2 = 4/2, axis 3 = 60/2.
    EXPECT_NEAR(omni_pol(0.75, 2.0, rates), 1 + 0.1 * 3 + 0.01 * 3 + 0.001 * 2.5, 1e-6);
    // A missing rate reads as 0: axis 3 at its low end.
    EXPECT_NEAR(omni_pol(0.75, 2.0, std::span<const double>(rates, 1)), 1 + 0.1 * 3 + 0.01 * 3 + 0.001, 1e-6);
    EXPECT_EQ(omni_pol(0.0, 2.0, rates), 1.0);
    EXPECT_EQ(omni_pol(-0.75, 2.0, rates), 1.0);
    // even in its first rate, as the other forms in their widths
    EXPECT_EQ(omni_pol(0.75, -2.0, rates), omni_pol(0.75, 2.0, rates));
}

TEST(GCmplx, LinearBetweenPointsAndDefinedEverywhere)
{
    const std::string c = tmp_path("cmplx2.tbl");
    write_cmplx(c, 11, 0.5f, 11);   // re = 1 - 0.1 k, im = 0.5 k at x = 0.5 k
    ASSERT_TRUE(read_g_cmplx(c));
    struct Row { float x; float re, im; };
    const Row rows[] = {
        {0.0f, 1.0f, 0.0f}, {0.25f, 0.95f, 0.25f}, {4.9f, 0.02f, 4.9f},   // first point, inside, last interval
        {5.0f, 0.0f, 0.0f}, {1e30f, 0.0f, 0.0f},                           // at and beyond xmax
        {-0.25f, 1.05f, -0.25f},                                           // first interval's line
        {-0.5f, 1.1f, -0.5f}, {-1e30f, 1.1f, -0.5f},                      // held at -dx
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.x);
        const std::complex<float> z = g_cmplx(r.x);
        EXPECT_NEAR(z.real(), r.re, 1e-5);
        EXPECT_NEAR(z.imag(), r.im, 1e-5);
    }
    EXPECT_EQ(g_cmplx(std::nanf("")), std::complex<float>(0, 0));
    EXPECT_NEAR(g_cmplx(std::nextafter(5.0f, 0.0f)).real(), 0.0f, 1e-5);   // a rounding below xmax
}

}  // namespace
