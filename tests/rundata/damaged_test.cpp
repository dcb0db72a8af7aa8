// damaged_test.cpp -- files built here byte by byte, each whole but for one
// damaged place: an array whose counts disagree or of no known type, a section
// whose body passes its end, a damaged end of the file. Each opens with all
// that decodes whole readable; only the damaged part's getters fail.

#include <cerrno>
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
        cases.push_back({std::to_string(k) + " stray bytes after it", after, "1"});
    }
    for (const EndCase& c : cases) {
        Parts p;
        p.end = c.end;
        EXPECT_EQ(open_and_read(run_file(p), c.what), whole_but({}, c.damaged)) << c.what;
    }
}

// ---- each damage said, with the byte where it lies

std::string damage_of(const Bytes& b)
{
    const std::string p = temp_path("said");
    put_file(p, b);
    int fmt = 0;
    const int fh = ZOG_openRead(p.c_str(), &fmt);
    std::remove(p.c_str());
    if (fh < 0) return "<refused>";
    char t[4000];
    const std::string d = ZOG_getDamage(fh, t, sizeof t) == 1 ? t : "<fail>";
    ZOG_closeRead(fh);
    return d;
}

// A group whose index names the sections `named`, while the file holds `held` after it.
Sec group_naming(std::uint32_t kind, const std::vector<Sec>& named, const std::vector<Sec>& held)
{
    Sec g = fb::group(kind, named);
    g.bytes.resize(12 + 8 + 12 * named.size());  // its own section only
    for (const Sec& m : held) fb::cat(g.bytes, m.bytes);
    return g;
}

// The pieces of the run of run_file, for files laid out otherwise.
struct Pieces {
    Sec desc, hists, vars, notes;
    std::vector<Sec> sc;  // scalers 1..3
};

Pieces pieces()
{
    Pieces p;
    Bytes desc = fb::ints({77, 5, 1700000000, 1700003600, 3600});
    fb::cat(desc, fb::texts({"whole run", "lab", "", "", "", "", "Ag", "", "", "me", "sub", "", "", ""}));
    p.desc = fb::leaf(fub_run_desc, 1, desc);
    p.hists = fb::group(fub_hists, {fb::leaf(ZOG_ID_GEN_HIST_HDR, 1, fb::hist_header(4, 2, 8, "Forw")),
                                    fb::leaf(ZOG_ID_GEN_HIST_DAT, 1, fb::hist_data(le16(bins1, 4)))});
    for (std::uint32_t k = 1; k <= 3; ++k) {
        Bytes sc = fb::ints({1000 * k, 10 * k});
        fb::cat(sc, fb::str("Clock"));
        p.sc.push_back(fb::leaf(ZOG_ID_GEN_SCALER, k, sc));
    }
    p.vars = fb::group(var_arrays, {fb::leaf(ZOG_ID_GEN_IND_VAR, 1, fb::summary(4.25, "Temp")),
                                    fb::leaf(ZOG_ID_GEN_ARRAY, 1, good_array1())});
    p.notes = fb::group(comments_kind, {fb::leaf(ZOG_ID_CMT, 1, fb::comment(1, "first"))});
    return p;
}

// A scaler group cut short: the members its index names that the file does
// not hold are missing, and the reader says which, and what it found there.
TEST(Damaged, AGroupCutShortSaysWhichMembersAreMissing)
{
    const Pieces p = pieces();
    const Sec sc3 = fb::group(scalers, p.sc);
    // The scaler group names three scalers but holds one: the sections after
    // it, as many as its index names, are taken for its members.
    const Sec head_a = fb::group(ZOG_FMT_FUB_TI, {p.desc, p.hists, group_naming(scalers, p.sc, {p.sc[0], p.vars, p.notes})});
    const std::size_t at_a = 20 + 3 * 12 + p.desc.bytes.size() + p.hists.bytes.size();
    EXPECT_EQ(damage_of(fb::whole(head_a)),
              "byte " + std::to_string(at_a) + ": group 0x02010004: its index names 2 members the file does not "
              "hold (section 0x01020004 2, section 0x01020004 3), but group 0x01020006, group 0x0C0C0C0C in their place");
    // Its index cut to one scaler while three follow: the head then holds
    // the other two in place of the groups it names.
    const Sec head_b = group_naming(ZOG_FMT_FUB_TI, {p.desc, p.hists, sc3, p.vars, p.notes},
                                    {p.desc, p.hists, fb::group(scalers, {p.sc[0]}), p.sc[1], p.sc[2], p.vars, p.notes});
    EXPECT_EQ(damage_of(fb::whole(head_b)),
              "byte 0: group 0x02020000: its index names 2 members the file does not hold (group 0x01020006, "
              "group 0x0C0C0C0C), but section 0x01020004 2, section 0x01020004 3 in their place");
    for (const Sec& head : {head_a, head_b}) {
        const auto seen = open_and_read(fb::whole(head), "cut scalers");
        ASSERT_TRUE(seen.has_value());
        EXPECT_EQ(seen->at("damaged"), "1");
        EXPECT_EQ(seen->at("scaler"), "1000,10");
        EXPECT_EQ(seen->at("comment1"), "<fail>");
        EXPECT_EQ(seen->at("mean1"), "<fail>");
    }
    // Whole, the same pieces say nothing.
    EXPECT_EQ(damage_of(fb::whole(fb::group(ZOG_FMT_FUB_TI, {p.desc, p.hists, sc3, p.vars, p.notes}))), "");
}

TEST(Damaged, TheEndsDamageIsSaidWhere)
{
    const Bytes whole = run_file({});
    const std::string end = std::to_string(whole.size() - 12);  // where the end section starts
    struct Case { const char* what; Bytes tail; std::string said; };
    const Case cases[] = {
        {"bytes after the end section", Bytes(5, 0xA5),
         "byte " + std::to_string(whole.size()) + ": 5 bytes after the end-of-file section"},
        {"nothing after it", {}, ""},
    };
    for (const Case& c : cases) {
        Bytes b = whole;
        fb::cat(b, c.tail);
        EXPECT_EQ(damage_of(b), c.said) << c.what;
    }
    Parts zero;
    zero.end = section(0, ZOG_ID_EOF, 1);
    EXPECT_EQ(damage_of(run_file(zero)), "byte " + end + ": section 0x01010004 1 claims 0 bytes, less than its core");
    Parts stray;
    stray.end = Bytes(5, 0xA5);
    EXPECT_EQ(damage_of(run_file(stray)), "byte " + end + ": the file ends 5 bytes on, inside a section's core");
}

// Many damaged parts: the first sixteen are named, the rest counted.
TEST(Damaged, ManyDamagedPartsAreCounted)
{
    std::vector<Sec> notes;
    for (std::uint32_t k = 1; k <= 20; ++k) notes.push_back(fb::leaf(ZOG_ID_CMT, k, fb::ints({k, 0, 0})));
    const std::string said = damage_of(fb::whole(fb::group(ZOG_FMT_FUB_TI, {fb::group(comments_kind, notes)})));
    std::size_t parts = 1;
    for (std::size_t at = said.find("; "); at != std::string::npos; at = said.find("; ", at + 2)) ++parts;
    EXPECT_EQ(parts, 17U) << said;
    EXPECT_TRUE(said.ends_with("; and 4 more damaged parts")) << said;
    EXPECT_EQ(said.substr(0, said.find("; ")), "byte 292: section 0x01010005 1: its body does not decode, its fields are not read");
}

// A refused file says why, by byte.
TEST(Damaged, ARefusedFileSaysWhy)
{
    const Bytes whole = run_file({});
    const std::string p = temp_path("why");
    struct Case { const char* what; Bytes bytes; std::string why; };
    const Case cases[] = {
        {"empty", {}, "the file is empty"},
        {"cut in the first core", Bytes(whole.begin(), whole.begin() + 11), "byte 0: the file ends 11 bytes on, inside a section's core"},
        {"cut in the head's index", Bytes(whole.begin(), whole.begin() + 40),
         "byte 0: group 0x02020000 claims 80 bytes, the file holds 40"},
        {"no group first", fb::whole(fb::leaf(ZOG_ID_GEN_SCALER, 1, fb::ints({1, 2}))),
         "its first section, section 0x01020004 1, is no group"},
        {"cut after its first member", Bytes(whole.begin(), whole.begin() + 20 + 5 * 12 + static_cast<std::ptrdiff_t>(pieces().desc.bytes.size())),
         "the file ends before member 2 of the 5 members of group 0x02020000 at byte 0"},
    };
    for (const Case& c : cases) {
        put_file(p, c.bytes);
        int fmt = 0;
        EXPECT_EQ(ZOG_openRead(p.c_str(), &fmt), -1) << c.what;
        char t[300];
        ASSERT_EQ(ZOG_getReadError(t, sizeof t), 1);
        EXPECT_EQ(std::string(t), c.why) << c.what;
    }
    std::remove(p.c_str());
    int fmt = 0;
    EXPECT_EQ(ZOG_openRead(p.c_str(), &fmt), -1);
    char t[300];
    ZOG_getReadError(t, sizeof t);
    EXPECT_EQ(std::string(t), std::strerror(ENOENT));
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
