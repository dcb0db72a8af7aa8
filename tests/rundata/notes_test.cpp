// notes_test.cpp -- comments and independent variables by handle: every field
// round trips, arrays at each storage, times, the group each format finds.

#include <cstdlib>
#include <cstring>

#include "zog.h"
#include "zog_handle_local.h"
#include "zog_test_util.h"

namespace {

std::string text_of(int (*get)(int, int, char*, int) noexcept, int fh, int n)
{
    char b[100];
    return get(fh, n, b, sizeof b) == 1 ? std::string(b) : "<fail>";
}

void write_notes(const std::string& p, int fmt)
{
    const int fh = ZOG_openWrite(p.c_str(), fmt);
    ASSERT_GE(fh, 0);
    ASSERT_EQ(ZOG_setComments(fh, 0x0C0C0C0C, 2), 1);
    EXPECT_EQ(ZOG_setComments(fh, 0x0D0D0D0D, 1), 0);  // one comments group a file
    for (int n = 1; n <= 2; ++n) {
        EXPECT_EQ(ZOG_setCommentPrev(fh, n, n - 1), 1);
        EXPECT_EQ(ZOG_setCommentNext(fh, n, n == 1 ? 2 : 0), 1);
        EXPECT_EQ(ZOG_setCommentTime(fh, n, 1700000000 + n), 1);
        EXPECT_EQ(ZOG_setCommentAuthor(fh, n, ("author" + std::to_string(n)).c_str()), 1);
        EXPECT_EQ(ZOG_setCommentTitle(fh, n, "title"), 1);
        EXPECT_EQ(ZOG_setCommentBody(fh, n, "the body"), 1);
    }
    EXPECT_EQ(ZOG_setCommentTime(fh, 3, 5), 0);
    const int kind = fmt == ZOG_FMT_FUB_TI ? ZOG_IND_VAR_GRP_FUB_TI : ZOG_IND_VAR_GRP_GENERIC;
    ASSERT_EQ(ZOG_setIndVars(fh, kind, 3), 1);
    for (int n = 1; n <= 3; ++n) {
        EXPECT_EQ(ZOG_setIndVarLow(fh, n, n - 0.5), 1);
        EXPECT_EQ(ZOG_setIndVarHigh(fh, n, n + 0.5), 1);
        EXPECT_EQ(ZOG_setIndVarMean(fh, n, n + 0.125), 1);
        EXPECT_EQ(ZOG_setIndVarStddev(fh, n, 0.1), 1);
        EXPECT_EQ(ZOG_setIndVarSkewness(fh, n, -0.25), 1);
        EXPECT_EQ(ZOG_setIndVarName(fh, n, ("var" + std::to_string(n)).c_str()), 1);
        EXPECT_EQ(ZOG_setIndVarDescription(fh, n, "desc"), 1);
        EXPECT_EQ(ZOG_setIndVarUnits(fh, n, "K"), 1);
    }
    if (fmt == ZOG_FMT_FUB_TI) {
        // 1: five 2-byte integers; 2: the same packed; 3: four doubles with times
        const std::uint16_t ints2[5] = {1, 2, 300, 4, 5};
        const std::uint32_t ints4[5] = {1, 2, 300, 4, 70000};
        const double reals[4] = {1.5, -2.25, 1e10, 0.1};
        const int times[4] = {10, 20, 30, 40};
        const int layout[3][3] = {{5, 2, 1}, {5, 0, 1}, {4, 8, 2}};  // num, elemSize, type
        const void* data[3] = {ints2, ints4, reals};
        for (int n = 1; n <= 3; ++n) {
            EXPECT_EQ(ZOG_setIndVarNumData(fh, n, layout[n - 1][0]), 1);
            EXPECT_EQ(ZOG_setIndVarElemSize(fh, n, layout[n - 1][1]), 1);
            EXPECT_EQ(ZOG_setIndVarDataType(fh, n, layout[n - 1][2]), 1);
            EXPECT_EQ(ZOG_setIndVarData(fh, n, data[n - 1]), 1);
        }
        EXPECT_EQ(ZOG_setIndVarTimeData(fh, 3, times), 1);
    } else {
        int v = 0;
        EXPECT_EQ(ZOG_setIndVarNumData(fh, 1, 5), 0);  // summaries only: no arrays
        EXPECT_EQ(ZOG_getIndVarHasTime(fh, 1, &v), 0);
    }
    ASSERT_EQ(ZOG_closeWrite(fh), 1);
}

void check_notes(const std::string& p, int fmt)
{
    int id = 0, type = 0, num = 0, v = 0;
    const int fh = ZOG_openRead(p.c_str(), &id);
    ASSERT_GE(fh, 0);
    ASSERT_EQ(ZOG_getComments(fh, &type, &num), 1);
    EXPECT_EQ(type, 0x0C0C0C0C);
    EXPECT_EQ(num, 2);
    for (int n = 1; n <= 2; ++n) {
        EXPECT_EQ(ZOG_getCommentPrev(fh, n, &v), 1); EXPECT_EQ(v, n - 1);
        EXPECT_EQ(ZOG_getCommentNext(fh, n, &v), 1); EXPECT_EQ(v, n == 1 ? 2 : 0);
        EXPECT_EQ(ZOG_getCommentTime(fh, n, &v), 1); EXPECT_EQ(v, 1700000000 + n);
        EXPECT_EQ(text_of(ZOG_getCommentAuthor, fh, n), "author" + std::to_string(n));
        EXPECT_EQ(text_of(ZOG_getCommentTitle, fh, n), "title");
        EXPECT_EQ(text_of(ZOG_getCommentBody, fh, n), "the body");
    }
    const int kind = fmt == ZOG_FMT_FUB_TI ? ZOG_IND_VAR_GRP_FUB_TI : ZOG_IND_VAR_GRP_GENERIC;
    ASSERT_EQ(ZOG_getIndVars(fh, &type, &num), 1);
    EXPECT_EQ(type, kind);
    EXPECT_EQ(num, 3);
    for (int n = 1; n <= 3; ++n) {
        double x = 0;
        EXPECT_EQ(ZOG_getIndVarLow(fh, n, &x), 1); EXPECT_EQ(x, n - 0.5);
        EXPECT_EQ(ZOG_getIndVarHigh(fh, n, &x), 1); EXPECT_EQ(x, n + 0.5);
        EXPECT_EQ(ZOG_getIndVarMean(fh, n, &x), 1); EXPECT_EQ(x, n + 0.125);
        EXPECT_EQ(ZOG_getIndVarStddev(fh, n, &x), 1); EXPECT_EQ(x, 0.1);
        EXPECT_EQ(ZOG_getIndVarSkewness(fh, n, &x), 1); EXPECT_EQ(x, -0.25);
        EXPECT_EQ(text_of(ZOG_getIndVarName, fh, n), "var" + std::to_string(n));
        EXPECT_EQ(text_of(ZOG_getIndVarDescription, fh, n), "desc");
        EXPECT_EQ(text_of(ZOG_getIndVarUnits, fh, n), "K");
    }
    if (fmt == ZOG_FMT_FUB_TI) {
        std::uint16_t i2[6] = {};
        EXPECT_EQ(ZOG_getIndVarData(fh, 1, i2, 9), 0);  // five 2-byte elements need 10
        EXPECT_EQ(ZOG_getIndVarData(fh, 1, i2, 12), 1);
        EXPECT_EQ(i2[2], 300);
        void* p = nullptr;
        int nb = 0;
        EXPECT_EQ(ZOG_getIndVarpData(fh, 1, &p, &nb), 1);
        EXPECT_EQ(nb, 10);
        std::uint32_t i4[5] = {};
        EXPECT_EQ(ZOG_getIndVarData(fh, 2, i4, 20), 1);
        EXPECT_EQ(i4[4], 70000U);
        EXPECT_EQ(ZOG_getIndVarElemSize(fh, 2, &v), 1);
        EXPECT_EQ(v, 0);
        double r[4] = {};
        EXPECT_EQ(ZOG_getIndVarData(fh, 3, r, 32), 1);
        EXPECT_EQ(r[1], -2.25);
        EXPECT_EQ(r[3], 0.1);
        int t[4] = {};
        EXPECT_EQ(ZOG_getIndVarHasTime(fh, 3, &v), 1);
        EXPECT_EQ(v, 1);
        EXPECT_EQ(ZOG_getIndVarTimeData(fh, 3, t, 15), 0);
        EXPECT_EQ(ZOG_getIndVarTimeData(fh, 3, t, 16), 1);
        EXPECT_EQ(t[3], 40);
        EXPECT_EQ(ZOG_getIndVarHasTime(fh, 1, &v), 1);
        EXPECT_EQ(v, 0);
        t[0] = 77;
        EXPECT_EQ(ZOG_getIndVarTimeData(fh, 1, t, 16), 1);  // no times: nothing copied
        EXPECT_EQ(t[0], 77);
    }
    ZOG_closeRead(fh);
}

TEST(Notes, CommentsAndVariablesRoundTripInBothFormats)
{
    const std::string p = temp_path("notes");
    for (const int fmt : {ZOG_FMT_GENERIC, ZOG_FMT_FUB_TI}) {
        write_notes(p, fmt);
        check_notes(p, fmt);
    }
    std::remove(p.c_str());
}

TEST(Notes, ArrayGroupLayoutAndFormatLookup)
{
    const std::string p = temp_path("layout");
    const int fh = ZOG_openWrite(p.c_str(), ZOG_FMT_GENERIC);
    ASSERT_EQ(ZOG_setIndVars(fh, ZOG_IND_VAR_GRP_FUB_TI, 3), 1);
    int type = 0, num = 0;
    EXPECT_EQ(ZOG_getIndVars(fh, &type, &num), 0);  // a generic file looks for the other kind
    ZOG_SEC_GRP* g = as_group(zog_member(zog_slot(fh)->head, ZOG_ID_GRP, ZOG_KIND_IND_VAR_ARRAY));
    ASSERT_NE(g, nullptr);
    std::vector<std::pair<std::uint32_t, std::uint32_t>> order;
    for (ZOG_SEC* m = g->members; m != nullptr; m = m->next) order.emplace_back(m->secID, m->instanceID);
    EXPECT_EQ(order, (std::vector<std::pair<std::uint32_t, std::uint32_t>>{
                         {ZOG_ID_GEN_IND_VAR, 1}, {ZOG_ID_GEN_ARRAY, 1}, {ZOG_ID_GEN_IND_VAR, 2},
                         {ZOG_ID_GEN_ARRAY, 2}, {ZOG_ID_GEN_IND_VAR, 3}, {ZOG_ID_GEN_ARRAY, 3}}));
    ZOG_closeWrite(fh);
    std::remove(p.c_str());
}

// Element types and sizes, each either refused by ZOG_setIndVarData or
// written and read back the same; the file closes whole in every case.
struct Layout { std::uint32_t type, size; bool stored; };

std::vector<Layout> layouts()
{
    std::vector<Layout> v;
    for (const std::uint32_t type : {0U, 1U, 2U, 3U, 4U, 9U}) {
        for (const std::uint32_t size : {0U, 1U, 2U, 3U, 4U, 5U, 6U, 7U, 8U, 12U}) {
            const bool stored = (type == 1 && (size == 0 || size == 1 || size == 2 || size == 4)) ||
                                (type == 2 && (size == 4 || size == 8)) || type == 3;
            v.push_back({type, size, stored});
        }
    }
    return v;
}

constexpr int layout_num = 3;

// The bytes stored for a layout: integers 1, 2, 70000 (as 4-byte counts when
// packed), reals 1.5, -2.25, 0.125, raw bytes counting up.
Bytes layout_data(const Layout& l)
{
    Bytes b;
    if (l.type == 1) {
        const int w = l.size == 0 ? 4 : static_cast<int>(l.size);
        for (const std::uint32_t v : {1U, 2U, 70000U})
            for (int i = 0; i < w; ++i) b.push_back(static_cast<std::uint8_t>(static_cast<std::uint64_t>(v) >> (8 * std::min(i, 4))));
    } else if (l.type == 2 && l.size == 4) {
        for (const float v : {1.5F, -2.25F, 0.125F}) {
            std::uint8_t x[4];
            std::memcpy(x, &v, 4);
            b.insert(b.end(), x, x + 4);
        }
    } else if (l.type == 2 && l.size == 8) {
        for (const double v : {1.5, -2.25, 0.125}) {
            std::uint8_t x[8];
            std::memcpy(x, &v, 8);
            b.insert(b.end(), x, x + 8);
        }
    } else {
        for (std::uint32_t i = 0; i < layout_num * l.size; ++i) b.push_back(static_cast<std::uint8_t>(i + 1));
    }
    return b;
}

TEST(Arrays, EveryTypeAndOddSizeIsRefusedOrReadBack)
{
    const std::string p = temp_path("layouts");
    const std::vector<Layout> all = layouts();
    const int fh = ZOG_openWrite(p.c_str(), ZOG_FMT_FUB_TI);
    ASSERT_EQ(ZOG_setIndVars(fh, ZOG_IND_VAR_GRP_FUB_TI, static_cast<int>(all.size())), 1);
    for (std::size_t k = 0; k < all.size(); ++k) {
        const Layout& l = all[k];
        const int n = static_cast<int>(k + 1);
        const std::string what = "type " + std::to_string(l.type) + " size " + std::to_string(l.size);
        ASSERT_EQ(ZOG_setIndVarNumData(fh, n, layout_num), 1) << what;
        ASSERT_EQ(ZOG_setIndVarElemSize(fh, n, static_cast<int>(l.size)), 1) << what;
        const bool typed = l.type >= 1 && l.type <= 3;  // types that hold data refuse a size without a layout
        ASSERT_EQ(ZOG_setIndVarDataType(fh, n, static_cast<int>(l.type)), typed && !l.stored ? 0 : 1) << what;
        const Bytes data = layout_data(l);
        Bytes padded = data;
        padded.resize(data.size() + 64);  // a setter that read past the elements would take these
        EXPECT_EQ(ZOG_setIndVarData(fh, n, padded.data()), l.stored ? 1 : 0) << what;
        if (!l.stored) {
            void* p0 = nullptr;
            int nb = -1;
            EXPECT_EQ(ZOG_getIndVarpData(fh, n, &p0, &nb), 1);
            EXPECT_EQ(p0, nullptr) << what;  // nothing was stored
            EXPECT_EQ(nb, 0) << what;
            ASSERT_EQ(ZOG_setIndVarDataType(fh, n, 0), 1);  // an array without data, so the file closes
        }
    }
    ASSERT_EQ(ZOG_closeWrite(fh), 1);
    int id = 0;
    const int r = ZOG_openRead(p.c_str(), &id);
    ASSERT_GE(r, 0);
    for (std::size_t k = 0; k < all.size(); ++k) {
        const Layout& l = all[k];
        if (!l.stored) continue;
        const int n = static_cast<int>(k + 1);
        const std::string what = "type " + std::to_string(l.type) + " size " + std::to_string(l.size);
        const Bytes want = layout_data(l);
        Bytes got(want.size() + 8, 0xEE);
        EXPECT_EQ(ZOG_getIndVarData(r, n, got.data(), static_cast<int>(want.size())), 1) << what;
        EXPECT_EQ(Bytes(got.begin(), got.begin() + static_cast<std::ptrdiff_t>(want.size())), want) << what;
        EXPECT_EQ(got[want.size()], 0xEE) << what;
        int v = -1;
        EXPECT_EQ(ZOG_getIndVarElemSize(r, n, &v), 1);
        EXPECT_EQ(v, static_cast<int>(l.size)) << what;
    }
    int damaged = -1;
    EXPECT_EQ(ZOG_getDamaged(r, &damaged), 1);
    EXPECT_EQ(damaged, 0);
    ZOG_closeRead(r);
    std::remove(p.c_str());
}

// An array holding data or times: changes of its shape or buffers that the
// encoder could not write are refused, with the array left as it was.
TEST(Arrays, ShapeChangesThatWouldNotWriteAreRefused)
{
    const std::string p = temp_path("shape");
    const int fh = ZOG_openWrite(p.c_str(), ZOG_FMT_FUB_TI);
    ASSERT_EQ(ZOG_setIndVars(fh, ZOG_IND_VAR_GRP_FUB_TI, 3), 1);
    const double reals[3] = {1.5, -2.25, 0.125};
    const int times[3] = {10, 20, 30};
    // 1: three doubles with times
    ASSERT_EQ(ZOG_setIndVarNumData(fh, 1, 3) & ZOG_setIndVarElemSize(fh, 1, 8) & ZOG_setIndVarDataType(fh, 1, 2), 1);
    ASSERT_EQ(ZOG_setIndVarData(fh, 1, reals), 1);
    ASSERT_EQ(ZOG_setIndVarTimeData(fh, 1, times), 1);
    struct Change { const char* what; int (*set)(int, int, int) noexcept; int v; int ok; };
    const Change changes[] = {
        {"more elements", ZOG_setIndVarNumData, 4, 0},
        {"fewer elements", ZOG_setIndVarNumData, 2, 0},
        {"the same count", ZOG_setIndVarNumData, 3, 1},
        {"4-byte reals", ZOG_setIndVarElemSize, 4, 0},
        {"3-byte reals", ZOG_setIndVarElemSize, 3, 0},
        {"type 4", ZOG_setIndVarDataType, 4, 0},
        {"integers of 8 bytes", ZOG_setIndVarDataType, 1, 0},
        {"raw bytes of the same size", ZOG_setIndVarDataType, 3, 1},
        {"back to reals", ZOG_setIndVarDataType, 2, 1},
    };
    for (const Change& c : changes) EXPECT_EQ(c.set(fh, 1, c.v), c.ok) << c.what;
    // Buffers handed over must fit too; a refused one stays the caller's.
    void* small = std::malloc(16);
    EXPECT_EQ(ZOG_setIndVarpData(fh, 1, small, 16), 0);
    void* few = std::malloc(8);
    EXPECT_EQ(ZOG_setIndVarpTimeData(fh, 1, few, 8), 0);
    std::free(small);
    std::free(few);
    EXPECT_EQ(ZOG_setIndVarpTimeData(fh, 1, nullptr, 0), 0);  // times it has must be there
    // Without its data (times stay) the count may change within the times held.
    EXPECT_EQ(ZOG_setIndVarpData(fh, 1, nullptr, 0), 1);
    EXPECT_EQ(ZOG_setIndVarNumData(fh, 1, 4), 0);  // 4 times, 3 held
    EXPECT_EQ(ZOG_setIndVarNumData(fh, 1, 2), 1);
    const double two[2] = {7.5, 8.5};
    EXPECT_EQ(ZOG_setIndVarData(fh, 1, two), 1);
    // 2: packed integers hold exactly their count
    const std::uint32_t ints[5] = {1, 0, 0, 70000, 2};
    ASSERT_EQ(ZOG_setIndVarNumData(fh, 2, 5) & ZOG_setIndVarElemSize(fh, 2, 0) & ZOG_setIndVarDataType(fh, 2, 1), 1);
    ASSERT_EQ(ZOG_setIndVarData(fh, 2, ints), 1);
    EXPECT_EQ(ZOG_setIndVarNumData(fh, 2, 6), 0);
    EXPECT_EQ(ZOG_setIndVarNumData(fh, 2, 4), 0);
    EXPECT_EQ(ZOG_setIndVarElemSize(fh, 2, 4), 0);
    // 3: raw bytes of 3 each, any count once the data fits
    const std::uint8_t raw[6] = {1, 2, 3, 4, 5, 6};
    ASSERT_EQ(ZOG_setIndVarNumData(fh, 3, 2) & ZOG_setIndVarElemSize(fh, 3, 3) & ZOG_setIndVarDataType(fh, 3, 3), 1);
    ASSERT_EQ(ZOG_setIndVarData(fh, 3, raw), 1);
    EXPECT_EQ(ZOG_setIndVarElemSize(fh, 3, 2), 0);
    EXPECT_EQ(ZOG_setIndVarNumData(fh, 3, 3), 0);
    void* right = std::malloc(6);
    std::memcpy(right, raw, 6);
    static_cast<std::uint8_t*>(right)[0] = 9;
    EXPECT_EQ(ZOG_setIndVarpData(fh, 3, right, 6), 1);  // the library's now
    EXPECT_EQ(ZOG_setIndVarpData(fh, 3, right, 6), 1);  // handed again: still the one buffer
    ASSERT_EQ(ZOG_closeWrite(fh), 1);

    int id = 0, v = 0;
    const int r = ZOG_openRead(p.c_str(), &id);
    ASSERT_GE(r, 0);
    double d[2] = {};
    EXPECT_EQ(ZOG_getIndVarData(r, 1, d, sizeof d), 1);
    EXPECT_EQ(d[0], 7.5);
    EXPECT_EQ(d[1], 8.5);
    int t[3] = {};
    EXPECT_EQ(ZOG_getIndVarTimeData(r, 1, t, sizeof t), 1);
    EXPECT_EQ(t[1], 20);
    std::uint32_t u[5] = {};
    EXPECT_EQ(ZOG_getIndVarData(r, 2, u, sizeof u), 1);
    EXPECT_EQ(u[3], 70000U);
    std::uint8_t g[6] = {};
    EXPECT_EQ(ZOG_getIndVarData(r, 3, g, sizeof g), 1);
    EXPECT_EQ(g[0], 9);
    EXPECT_EQ(g[5], 6);
    EXPECT_EQ(ZOG_getIndVarNumData(r, 3, &v), 1);
    EXPECT_EQ(v, 2);
    ZOG_closeRead(r);
    std::remove(p.c_str());
}

// The comments group is the first that holds only comments; an empty group of
// a kind the library does not know counts only when there is none such.
// A shape without a layout is refused at its setter with the reason, and
// the array keeps its shape, so the file still closes with all the rest.
TEST(Arrays, AShapeWithoutALayoutIsRefusedAtItsSetter)
{
    const std::string p = temp_path("nolayout");
    const int fh = ZOG_openWrite(p.c_str(), ZOG_FMT_FUB_TI);
    ASSERT_EQ(ZOG_setRunDesc(fh) & ZOG_setTitle(fh, "kept"), 1);
    ASSERT_EQ(ZOG_setIndVars(fh, ZOG_IND_VAR_GRP_FUB_TI, 2), 1);
    ASSERT_EQ(ZOG_setIndVarName(fh, 2, "Field"), 1);
    struct Case { const char* what; int n; int (*set)(int, int, int) noexcept; int v; int ok; const char* why; };
    const Case cases[] = {
        {"reals' size first", 1, ZOG_setIndVarElemSize, 3, 1, ""},
        {"then their type", 1, ZOG_setIndVarDataType, 2, 0,
         "section 0x01020007 1: elements of type 2 cannot be 3 bytes (reals: 4 or 8)"},
        {"reals before a size", 2, ZOG_setIndVarDataType, 2, 0,
         "section 0x01020007 2: elements of type 2 cannot be 0 bytes (reals: 4 or 8)"},
        {"integers", 2, ZOG_setIndVarDataType, 1, 1, ""},
        {"integers of 3 bytes", 2, ZOG_setIndVarElemSize, 3, 0,
         "section 0x01020007 2: elements of type 1 cannot be 3 bytes (integers: 1, 2 or 4, or 0 packed)"},
        {"raw bytes of any size", 1, ZOG_setIndVarDataType, 3, 1, ""},
    };
    char why[200];
    for (const Case& c : cases) {
        EXPECT_EQ(c.set(fh, c.n, c.v), c.ok) << c.what;
        if (c.ok == 0) {
            ASSERT_EQ(ZOG_getWriteError(why, sizeof why), 1);
            EXPECT_EQ(std::string(why), c.why) << c.what;
        }
    }
    int type = -1, size = -1;
    EXPECT_EQ(ZOG_getIndVarDataType(fh, 2, &type) & ZOG_getIndVarElemSize(fh, 2, &size), 1);
    EXPECT_EQ(type, 1);
    EXPECT_EQ(size, 0);
    ASSERT_EQ(ZOG_closeWrite(fh), 1);
    int id = 0;
    const int r = ZOG_openRead(p.c_str(), &id);
    ASSERT_GE(r, 0);
    char t[20];
    EXPECT_EQ(ZOG_getTitle(r, t, sizeof t), 1);
    EXPECT_EQ(std::string(t), "kept");
    EXPECT_EQ(ZOG_getIndVarName(r, 2, t, sizeof t), 1);
    EXPECT_EQ(std::string(t), "Field");
    ZOG_closeRead(r);
    std::remove(p.c_str());
}

TEST(Notes, TheCommentsGroupIsTheOneWithComments)
{
    using fb::Sec;
    Bytes desc = fb::ints({1, 2, 0, 0, 0});
    for (int i = 0; i < 12; ++i) fb::cat(desc, fb::str(""));
    const Sec run = fb::leaf(ZOG_ID_GEN_RUN_DESC, 1, desc);
    const Sec empty_other = fb::group(0x0E0E0E0E, {});
    const Sec empty_hists = fb::group(ZOG_HIST_GRP_GENERIC, {});
    const Sec mixed = fb::group(0x0F0F0F0F, {fb::leaf(ZOG_ID_CMT, 1, fb::comment(1, "not this")),
                                             fb::leaf(ZOG_ID_GEN_SCALER, 1, fb::ints({1, 2, 0}))});
    const Sec real = fb::group(0x0C0C0C0C, {fb::leaf(ZOG_ID_CMT, 1, fb::comment(1, "one")),
                                            fb::leaf(ZOG_ID_CMT, 2, fb::comment(2, "two"))});
    struct Case { const char* what; std::vector<Sec> members; int kind; int num; const char* first; };
    const Case cases[] = {
        {"an empty group of unknown kind first", {run, empty_other, real}, 0x0C0C0C0C, 2, "one"},
        {"an empty histogram group first", {empty_hists, real}, 0x0C0C0C0C, 2, "one"},
        {"a mixed group first", {mixed, real}, 0x0C0C0C0C, 2, "one"},
        {"the real group first", {real, empty_other}, 0x0C0C0C0C, 2, "one"},
        {"only an empty group of unknown kind", {run, empty_hists, empty_other}, 0x0E0E0E0E, 0, nullptr},
        {"no comments group", {run, empty_hists, mixed}, 0, -1, nullptr},
    };
    const std::string p = temp_path("cmtgroup");
    for (const Case& c : cases) {
        put_file(p, fb::whole(fb::group(ZOG_FMT_GENERIC, c.members)));
        int id = 0, kind = 0, num = -1;
        const int fh = ZOG_openRead(p.c_str(), &id);
        ASSERT_GE(fh, 0) << c.what;
        EXPECT_EQ(ZOG_getComments(fh, &kind, &num), c.num >= 0 ? 1 : 0) << c.what;
        if (c.num >= 0) {
            EXPECT_EQ(kind, c.kind) << c.what;
            EXPECT_EQ(num, c.num) << c.what;
        }
        EXPECT_EQ(text_of(ZOG_getCommentBody, fh, 1), c.first != nullptr ? c.first : "<fail>") << c.what;
        EXPECT_EQ(ZOG_setCommentTime(fh, 2, 5), c.num == 2 ? 1 : 0) << c.what;
        ZOG_closeRead(fh);
    }
    std::remove(p.c_str());
}

}  // namespace
