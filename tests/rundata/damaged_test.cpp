// damaged_test.cpp -- files built here byte by byte, each whole but for one
// damaged place: an array whose counts disagree or of no known type, a section
// whose body passes its end, a damaged end of the file. Each opens with all
// that decodes whole readable; only the damaged part's getters fail.

#include <cstring>
#include <map>

#include "zog.h"
#include "zog_handle_local.h"
#include "zog_test_util.h"

namespace {

using fb::Sec;

constexpr std::uint32_t fub_run_desc = 0x02020001, fub_hists = 0x02020002, scalers = 0x02010004,
                        var_arrays = 0x01020006, comments_kind = 0x0C0C0C0C;

const std::uint16_t bins1[4] = {1, 300, 65535, 7};
const std::uint16_t bins2[4] = {9, 8, 7, 6};
const double reals2[3] = {1.5, -2.25, 1e10};

Bytes le16(const std::uint16_t* v, int n)
{
    Bytes b;
    for (int i = 0; i < n; ++i) fb::put16(b, v[i]);
    return b;
}

Bytes vaxd_all(const double* v, int n)
{
    Bytes b;
    for (int i = 0; i < n; ++i) fb::cat(b, fb::vaxd(v[i]));
    return b;
}

Bytes good_array1() { return fb::array(4, 2, 1, 8, le16(bins1, 4), {10, 20, 30, 40}); }

struct Parts {  // bodies that a case replaces
    Bytes array1 = good_array1();
    Bytes header1 = fb::hist_header(4, 2, 8, "Forw");
    Bytes comment2 = fb::comment(2, "second");
    Bytes end = fb::end_section();
};

// A Fub TI run: its description, two histograms of 2-byte bins, a scaler,
// two variables with arrays, two comments.
Bytes run_file(const Parts& p)
{
    Bytes desc = fb::ints({77, 5, 1700000000, 1700003600, 3600});
    fb::cat(desc, fb::texts({"whole run", "lab", "", "", "", "", "Ag", "", "", "me", "sub", "", "", ""}));
    const Sec hists = fb::group(fub_hists, {fb::leaf(ZOG_ID_GEN_HIST_HDR, 1, p.header1),
                                            fb::leaf(ZOG_ID_GEN_HIST_DAT, 1, fb::hist_data(le16(bins1, 4))),
                                            fb::leaf(ZOG_ID_GEN_HIST_HDR, 2, fb::hist_header(4, 2, 8, "Back")),
                                            fb::leaf(ZOG_ID_GEN_HIST_DAT, 2, fb::hist_data(le16(bins2, 4)))});
    Bytes sc = fb::ints({1000, 10});
    fb::cat(sc, fb::str("Clock"));
    const Sec vars = fb::group(var_arrays, {fb::leaf(ZOG_ID_GEN_IND_VAR, 1, fb::summary(4.25, "Temp")),
                                            fb::leaf(ZOG_ID_GEN_ARRAY, 1, p.array1),
                                            fb::leaf(ZOG_ID_GEN_IND_VAR, 2, fb::summary(100, "Field")),
                                            fb::leaf(ZOG_ID_GEN_ARRAY, 2, fb::array(3, 8, 2, 24, vaxd_all(reals2, 3)))});
    const Sec notes = fb::group(comments_kind, {fb::leaf(ZOG_ID_CMT, 1, fb::comment(1, "first")),
                                                fb::leaf(ZOG_ID_CMT, 2, p.comment2)});
    const Sec head = fb::group(ZOG_FMT_FUB_TI, {fb::leaf(fub_run_desc, 1, desc), hists,
                                                fb::group(scalers, {fb::leaf(ZOG_ID_GEN_SCALER, 1, sc)}),
                                                vars, notes});
    return fb::whole(head, p.end);
}

// What a reader gets of the run, field by field; a field it could not get
// reads "<fail>".
using Seen = std::map<std::string, std::string>;

std::string text(int (*get)(int, int, char*, int) noexcept, int fh, int n)
{
    char b[64];
    return get(fh, n, b, sizeof b) == 1 ? b : "<fail>";
}

template <class T>
std::string join(const T* v, int n)
{
    std::string s;
    for (int i = 0; i < n; ++i) s += (i > 0 ? "," : "") + std::to_string(v[i]);
    return s;
}

Seen seen_of(int fh)
{
    Seen s;
    char b[64];
    int damaged = -1;
    s["damaged"] = ZOG_getDamaged(fh, &damaged) == 1 ? std::to_string(damaged) : "<fail>";
    s["title"] = ZOG_getTitle(fh, b, sizeof b) == 1 ? b : "<fail>";
    std::uint16_t h[4];
    s["hist1"] = ZOG_getHistData(fh, 1, h, sizeof h) == 1 ? join(h, 4) : "<fail>";
    s["hist2"] = ZOG_getHistData(fh, 2, h, sizeof h) == 1 ? join(h, 4) : "<fail>";
    int counts[2];
    s["scaler"] = ZOG_getScalerCounts(fh, 1, counts) == 1 ? join(counts, 2) : "<fail>";
    double m = 0;
    s["mean1"] = ZOG_getIndVarMean(fh, 1, &m) == 1 ? std::to_string(m) : "<fail>";
    s["mean2"] = ZOG_getIndVarMean(fh, 2, &m) == 1 ? std::to_string(m) : "<fail>";
    std::uint16_t a1[4];
    s["array1"] = ZOG_getIndVarData(fh, 1, a1, sizeof a1) == 1 ? join(a1, 4) : "<fail>";
    int t1[4];
    s["times1"] = ZOG_getIndVarTimeData(fh, 1, t1, sizeof t1) == 1 ? join(t1, 4) : "<fail>";
    double a2[3];
    s["array2"] = ZOG_getIndVarData(fh, 2, a2, sizeof a2) == 1 ? join(a2, 3) : "<fail>";
    s["comment1"] = text(ZOG_getCommentBody, fh, 1);
    s["comment2"] = text(ZOG_getCommentBody, fh, 2);
    return s;
}

const Seen whole_run = {
    {"damaged", "0"}, {"title", "whole run"}, {"hist1", "1,300,65535,7"}, {"hist2", "9,8,7,6"},
    {"scaler", "1000,10"}, {"mean1", std::to_string(4.25)}, {"mean2", std::to_string(100.0)},
    {"array1", "1,300,65535,7"}, {"times1", "10,20,30,40"}, {"array2", join(reals2, 3)},
    {"comment1", "first"}, {"comment2", "second"},
};

// The whole run as a reader sees it with the fields named failing.
Seen whole_but(std::initializer_list<const char*> failing, const char* damaged = "1")
{
    Seen s = whole_run;
    s["damaged"] = damaged;
    for (const char* f : failing) s[f] = "<fail>";
    return s;
}

// Opens the file image and reads what it can; nothing when it does not open.
std::optional<Seen> open_and_read(const Bytes& b, const std::string& what)
{
    const std::string p = temp_path("damaged");
    put_file(p, b);
    int fmt = 0;
    const int fh = ZOG_openRead(p.c_str(), &fmt);
    std::remove(p.c_str());
    if (fh < 0) return std::nullopt;
    EXPECT_EQ(fmt, ZOG_FMT_FUB_TI) << what;
    const Seen s = seen_of(fh);
    EXPECT_EQ(ZOG_closeRead(fh), 1);
    return s;
}

TEST(Damaged, TheWholeRunReadsBack)
{
    EXPECT_EQ(open_and_read(run_file({}), "whole"), whole_run);
}

struct ArrayCase {
    const char* what;
    Bytes body;  // of array 1
};

std::vector<ArrayCase> damaged_arrays()
{
    const Bytes six = {1, 2, 3, 4, 5, 6}, eight = {1, 2, 3, 4, 5, 6, 7, 8};
    return {
        {"integers, nBytes below num x elemSize", fb::array(4, 2, 1, 6, six)},
        {"integers, nBytes above num x elemSize", fb::array(3, 2, 1, 8, eight)},
        {"raw bytes, nBytes below num x elemSize", fb::array(3, 3, 3, 8, eight)},
        {"raw bytes, nBytes above num x elemSize", fb::array(2, 3, 3, 8, eight)},
        {"type 4 with data", fb::array(2, 4, 4, 8, eight)},
        {"type 0 with data", fb::array(1, 4, 0, 4, {1, 2, 3, 4})},
        {"reals of 3 bytes", fb::array(2, 3, 2, 6, six)},
        {"integers of 3 bytes", fb::array(2, 3, 1, 6, six)},
        {"packed stream of 2 elements for 4", fb::array(4, 0, 1, 3, {2, 0, 0})},
        {"packed stream with a run past its bytes", fb::array(4, 0, 1, 5, {4, 0, 1, 9, 9})},
        {"data past the section's end", fb::array(4, 2, 1, 8, {1, 2})},
        {"times past the section's end", fb::ints({4, 2, 1, 1, 8, 0x01000100, 0x02000200})},
        {"a body shorter than its counts", fb::ints({4, 2, 1})},
        {"an empty body", {}},
    };
}

TEST(Damaged, ADamagedArrayLeavesTheRestReadable)
{
    for (const ArrayCase& c : damaged_arrays()) {
        Parts p;
        p.array1 = c.body;
        EXPECT_EQ(open_and_read(run_file(p), c.what), whole_but({"array1", "times1"})) << c.what;
    }
}

TEST(Damaged, ADamagedSectionOfAnotherTypeLeavesTheRestReadable)
{
    Parts hdr;
    hdr.header1 = fb::hist_header(4, 2, 8, "Forw");
    hdr.header1.resize(hdr.header1.size() - 2);  // the title's text passes the section's end
    EXPECT_EQ(open_and_read(run_file(hdr), "header"), whole_but({"hist1"}));

    Parts cmt;
    cmt.comment2 = fb::ints({2, 0, 0, 0});
    fb::put16(cmt.comment2, 40);  // an author of 40 bytes in a section of 2
    EXPECT_EQ(open_and_read(run_file(cmt), "comment"), whole_but({"comment2"}));
}

TEST(Damaged, ADamagedEndLeavesTheRunReadable)
{
    struct EndCase { std::string what; Bytes end; const char* damaged; };
    std::vector<EndCase> cases = {
        {"end section of size 0", section(0, ZOG_ID_EOF, 1), "1"},
        {"end section of size 11", section(11, ZOG_ID_EOF, 1), "1"},
        {"end section of a size past the file", section(100, ZOG_ID_EOF, 1), "1"},
        {"no end section", {}, "0"},
        {"end section of size 20", section(20, ZOG_ID_EOF, 1, Bytes(8, 0xEE)), "0"},
    };
    for (std::size_t k = 1; k <= 11; ++k) {
        const Bytes e = fb::end_section();
        cases.push_back({"end section cut to " + std::to_string(k) + " bytes", Bytes(e.begin(), e.begin() + static_cast<std::ptrdiff_t>(k)), "1"});
        cases.push_back({std::to_string(k) + " stray bytes in its place", Bytes(k, 0xA5), "1"});
        Bytes after = e;
        after.insert(after.end(), k, 0xA5);
        cases.push_back({std::to_string(k) + " stray bytes after it", after, "0"});
    }
    for (const EndCase& c : cases) {
        Parts p;
        p.end = c.end;
        EXPECT_EQ(open_and_read(run_file(p), c.what), whole_but({}, c.damaged)) << c.what;
    }
}

TEST(Damaged, FilesCutInsideTheRunStillFailToOpen)
{
    const Bytes whole = run_file({});
    const std::size_t tree = whole.size() - 12;  // the head group's tree, without the end section
    for (const std::size_t keep : {std::size_t{0}, std::size_t{11}, std::size_t{40}, tree / 2, tree - 1}) {
        EXPECT_FALSE(open_and_read(Bytes(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(keep)),
                                   "cut").has_value()) << keep;
    }
    Bytes bad_head = whole;
    bencode_4(&bad_head[12], 0x00FFFFFF);  // the head's index passes its section
    EXPECT_FALSE(open_and_read(bad_head, "head").has_value());
    for (int k = 0; k < zog_slots; ++k) EXPECT_EQ(zog_slot(k), nullptr);
}

TEST(Damaged, DamagedSectionsAreNeverWrittenBack)
{
    Parts p;
    p.array1 = fb::array(2, 4, 4, 8, Bytes(8, 1));
    ZOG_SEC* head = tree_of(run_file(p));
    ASSERT_NE(as_group(head), nullptr);
    EXPECT_TRUE(as_group(head)->damagedParts);
    EXPECT_FALSE(as_group(head)->incomplete);
    ZOG_setSizes(head);
    ZOG_CURSOR c;
    EXPECT_EQ(zog_encode_file(&c, head), 0);
    ASSERT_NE(c.refused, nullptr);
    EXPECT_EQ(c.refused->secID, ZOG_ID_GEN_ARRAY);
    EXPECT_NE(zog_refusal(c.refused).find("read damaged"), std::string::npos);
    ZOG_free(head);
}

}  // namespace
