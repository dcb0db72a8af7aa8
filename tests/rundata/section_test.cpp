// section_test.cpp -- section sizes, the tree's layout and offsets, reading
// whole, cut, corrupt and hostile files, searching, printing.

#include <algorithm>
#include <cstring>
#include <random>

#include "zog_test_util.h"

namespace {

constexpr std::uint32_t hist_grp = 0x02010002;

ZOG_SEC_GRP* group(std::uint32_t kind) { return make_rec<ZOG_SEC_GRP>(ZOG_ID_GRP, kind); }

ZOG_SEC_GEN_SCALER* scaler(std::uint32_t n, const char* label, std::uint32_t total = 7)
{
    auto* s = make_rec<ZOG_SEC_GEN_SCALER>(ZOG_ID_GEN_SCALER, n);
    s->counts[0] = total;
    s->counts[1] = 2;
    if (label != nullptr) s->label = label;
    return s;
}

TEST(SectionSize, BodiesOfTheTypes)
{
    auto* h = make_rec<ZOG_SEC_GEN_HIST_HDR>(ZOG_ID_GEN_HIST_HDR, 1);
    EXPECT_EQ(ZOG_getSize(h), 12 + 50);
    h->title = "abc";
    EXPECT_EQ(ZOG_getSize(h), 12 + 53);
    ZOG_SEC* s = scaler(1, "abc", 0x01020304);
    EXPECT_EQ(ZOG_getSize(s), 12 + 13);
    ZOG_CURSOR c;
    ASSERT_EQ(ZOG_encode(&c, s, ZOG_IO_THIS), 1);
    EXPECT_EQ(Bytes(c.data.begin() + 12, c.data.end()),
              (Bytes{4, 3, 2, 1, 2, 0, 0, 0, 3, 0, 'a', 'b', 'c'}));
    ZOG_SEC* gen = ZOG_new(ZOG_ID_GEN_RUN_DESC, 1);
    ZOG_SEC* fub = ZOG_new(ZOG_ID_FUB_TI_RUN_DESC, 1);
    EXPECT_EQ(ZOG_getSize(gen), 12 + 44);
    EXPECT_EQ(ZOG_getSize(fub), 12 + 48);
    auto* a = make_rec<ZOG_SEC_GEN_ARRAY>(ZOG_ID_GEN_ARRAY, 1);
    a->num = 3; a->elemSize = 8; a->type = 2; a->nBytes = 24; a->hasTime = 1;
    EXPECT_EQ(ZOG_getSize(a), 12 + 20 + 24 + 12);
    for (ZOG_SEC* r : {static_cast<ZOG_SEC*>(h), s, gen, fub, static_cast<ZOG_SEC*>(a)}) ZOG_free(r);
}

TEST(Tree, HeadWithTwoMembersLayout)
{
    ZOG_SEC_GRP* head = group(0x02010000);
    ZOG_addToGroup(head, scaler(1, "abc"));
    ZOG_addToGroup(head, scaler(2, nullptr));
    ZOG_setSizes(head);
    const Bytes b = tree_bytes(head);
    ASSERT_EQ(b.size(), 44U + 25 + 22 + 12);
    EXPECT_EQ(bdecode_4(&b[0]), 44U);
    EXPECT_EQ(bdecode_4(&b[8]), 0x02010000U);
    EXPECT_EQ(bdecode_4(&b[12]), 2U);        // num
    EXPECT_EQ(bdecode_4(&b[16]), 47U);       // memSize
    EXPECT_EQ(bdecode_4(&b[20]), 0U);        // offset of member 1
    EXPECT_EQ(bdecode_4(&b[32]), 25U);       // offset of member 2
    const std::size_t end = b.size() - 12;
    EXPECT_EQ(bdecode_4(&b[end]), 12U);
    EXPECT_EQ(bdecode_4(&b[end + 4]), ZOG_ID_EOF);
    EXPECT_EQ(bdecode_4(&b[end + 8]), 1U);
    ZOG_SEC* back = tree_of(b);
    ASSERT_NE(as_group(back), nullptr);
    EXPECT_FALSE(as_group(back)->incomplete);
    EXPECT_EQ(tree_bytes(back), b);
    ZOG_free(back);
    ZOG_free(head);
}

TEST(Tree, NestedGroupCountsInItsParent)
{
    ZOG_SEC_GRP* head = group(0x02010000);
    ZOG_SEC_GRP* inner = group(hist_grp);
    ZOG_addToGroup(head, inner);
    ZOG_addToGroup(inner, scaler(1, "a"));  // after adding: the sizes are stale
    ZOG_addToGroup(inner, scaler(2, "bb"));
    ZOG_addToGroup(head, scaler(3, nullptr));
    EXPECT_EQ(ZOG_setSizes(head), (20 + 24) + 23 + 24 + 22);
    EXPECT_EQ(inner->memSize, 23U + 24);
    EXPECT_EQ(head->index[1].offset, 44U + 47);
    ZOG_SEC* leaf = scaler(9, nullptr);
    EXPECT_EQ(ZOG_setSizes(leaf), 0);  // not a group
    ZOG_free(leaf);
    ZOG_free(head);
}

// Offsets go to the index entry of each member's pair, wherever it stands.
TEST(Tree, SizesFollowTheIndexInAnyOrder)
{
    ZOG_SEC_GRP* g = group(7);
    for (std::uint32_t i = 1; i <= 4; ++i) ZOG_addToGroup(g, scaler(i, std::string(i, 'x').c_str()));
    std::reverse(g->index.begin(), g->index.end());
    for (ZOG_INDEX& e : g->index) e.offset = 999;
    EXPECT_EQ(ZOG_setSizes(g), 23 + 24 + 25 + 26);
    const std::uint32_t want[] = {23 + 24 + 25, 23 + 24, 23, 0};  // scalers 4, 3, 2, 1
    for (std::size_t k = 0; k < 4; ++k) EXPECT_EQ(g->index[k].offset, want[k]) << k;
    g->index.pop_back();  // scaler 1 has no entry: the sizes stop there
    g->memSize = 5;
    EXPECT_EQ(ZOG_setSizes(g), 0);
    EXPECT_EQ(g->memSize, 5U);
    ZOG_free(g);
}

// Appending keeps working after a group's members were released.
TEST(Tree, AppendsAfterTheMembersAreReleased)
{
    ZOG_SEC_GRP* g = group(7);
    ZOG_addToGroup(g, scaler(1, nullptr));
    ZOG_addToGroup(g, scaler(2, nullptr));
    ASSERT_NE(ZOG_findMember(g, ZOG_ID_GEN_SCALER, 2), nullptr);  // looked up before the release
    const std::string p = temp_path("stream");
    FILE* f = ZOG_openOutput(p.c_str());
    ASSERT_EQ(ZOG_writeGrpStart(f, nullptr, g, 1), 1);  // releases the members
    std::fclose(f);
    std::remove(p.c_str());
    ZOG_addToGroup(g, scaler(3, nullptr));
    ZOG_addToGroup(g, scaler(4, nullptr));
    EXPECT_EQ(g->members->instanceID, 3U);
    EXPECT_EQ(g->members->next->instanceID, 4U);
    EXPECT_EQ(g->members->next->next, nullptr);
    EXPECT_EQ(ZOG_findMember(g, ZOG_ID_GEN_SCALER, 2), nullptr);
    EXPECT_EQ(ZOG_findMember(g, ZOG_ID_GEN_SCALER, 4), g->members->next);
    ZOG_free(g);
}

// Looking a member up by its pair finds what a walk of the list finds, with
// lookups and appends interleaved and pairs repeated (the first one counts).
TEST(Search, MemberLookupAgreesWithAWalkOfTheList)
{
    std::mt19937 rng(11);
    ZOG_SEC_GRP* g = group(7);
    for (int step = 0; step < 3000; ++step) {
        const auto id = static_cast<std::uint32_t>(1 + rng() % 400);
        if (rng() % 3 == 0) {
            ZOG_addToGroup(g, rng() % 2 ? static_cast<ZOG_SEC*>(scaler(id, nullptr)) : ZOG_new(ZOG_ID_GEN_HIST_HDR, id));
            continue;
        }
        const std::uint32_t sec = rng() % 2 ? ZOG_ID_GEN_SCALER : ZOG_ID_GEN_HIST_HDR;
        ZOG_SEC* walked = nullptr;
        for (ZOG_SEC* m = g->members; m != nullptr && walked == nullptr; m = m->next)
            if (m->secID == sec && m->instanceID == id) walked = m;
        ASSERT_EQ(ZOG_findMember(g, sec, id), walked) << "step " << step;
    }
    EXPECT_EQ(ZOG_findMember(g, ZOG_ID_GEN_SCALER, 0), nullptr);
    EXPECT_EQ(ZOG_findMember(nullptr, ZOG_ID_GEN_SCALER, 1), nullptr);
    ZOG_free(g);
}

TEST(Search, PathsThroughGroups)
{
    ZOG_SEC_GRP* head = group(0x02010000);
    ZOG_SEC_GRP* hists = group(hist_grp);
    for (std::uint32_t i = 1; i <= 3; ++i) ZOG_addToGroup(hists, ZOG_new(ZOG_ID_GEN_HIST_HDR, i));
    ZOG_addToGroup(head, scaler(1, nullptr));
    ZOG_addToGroup(head, hists);
    const ZOG_PATH p3[] = {{ZOG_ID_GRP, hist_grp}, {ZOG_ID_GEN_HIST_HDR, 3}, {0, 0}};
    ZOG_SEC* h3 = ZOG_search(head->members, p3);
    ASSERT_NE(h3, nullptr);
    EXPECT_EQ(h3->instanceID, 3U);
    const ZOG_PATH through_leaf[] = {{ZOG_ID_GEN_SCALER, 1}, {ZOG_ID_GEN_HIST_HDR, 3}, {0, 0}};
    EXPECT_EQ(ZOG_search(head->members, through_leaf), nullptr);
    const ZOG_PATH empty[] = {{0, 0}};
    EXPECT_EQ(ZOG_search(head->members, empty), nullptr);
    const ZOG_PATH missing[] = {{ZOG_ID_GRP, hist_grp}, {ZOG_ID_GEN_HIST_HDR, 4}, {0, 0}};
    EXPECT_EQ(ZOG_search(head->members, missing), nullptr);
    ZOG_free(head);
}

// A head group with three scalers, written whole.
Bytes three_member_file()
{
    ZOG_SEC_GRP* head = group(0x02010000);
    for (std::uint32_t i = 1; i <= 3; ++i) ZOG_addToGroup(head, scaler(i, "label"));
    ZOG_setSizes(head);
    Bytes b = tree_bytes(head);
    ZOG_free(head);
    return b;
}

std::uint32_t member_count(ZOG_SEC* g)
{
    std::uint32_t n = 0;
    for (ZOG_SEC* m = as_group(g)->members; m != nullptr; m = m->next) ++n;
    return n;
}

TEST(Read, FileCutInTheThirdMemberGivesTwoMembersFlagged)
{
    Bytes b = three_member_file();
    b.resize(68 + 2 * 25 + 10);
    ZOG_SEC* head = tree_of(b);
    ASSERT_NE(as_group(head), nullptr);
    EXPECT_EQ(member_count(head), 2U);
    EXPECT_TRUE(as_group(head)->incomplete);
    ZOG_free(head);
}

TEST(Read, EndSectionInPlaceOfAMemberEndsTheGroup)
{
    Bytes b = three_member_file();
    Bytes cut(b.begin(), b.begin() + 68 + 25);
    const Bytes eof = section(12, ZOG_ID_EOF, 1);
    cut.insert(cut.end(), eof.begin(), eof.end());
    ZOG_SEC* head = tree_of(cut);
    EXPECT_EQ(member_count(head), 1U);
    EXPECT_TRUE(as_group(head)->incomplete);
    ZOG_free(head);
}

TEST(Read, UnknownSectionIsSteppedOverAndWrittenBackBare)
{
    Bytes body;
    put32(body, 1); put32(body, 0);  // a head group of one member
    put32(body, 0); put32(body, 0x01020006); put32(body, 1);
    Bytes b = section(32, ZOG_ID_GRP, 0x02010000, body);
    const Bytes unknown = section(20, 0x01020006, 1, {1, 2, 3, 4, 5, 6, 7, 8});
    b.insert(b.end(), unknown.begin(), unknown.end());
    const Bytes eof = section(12, ZOG_ID_EOF, 1);
    b.insert(b.end(), eof.begin(), eof.end());
    ZOG_SEC* head = tree_of(b);
    ASSERT_EQ(member_count(head), 1U);
    ZOG_SEC* m = as_group(head)->members;
    EXPECT_EQ(m->secID, 0x01020006U);
    EXPECT_EQ(ZOG_getSize(m), 12);
    ZOG_setSizes(head);
    EXPECT_EQ(tree_bytes(head).size(), 32U + 12 + 12);
    testing::internal::CaptureStdout();
    ZOG_show(m, ZOG_IO_THIS);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "  CORE: size=[12], secID=[0x01020006], instanceID=[0x00000001]\n"
              "  UNKNOWN ZOG SECTION: [] \n\n");
    ZOG_free(head);
}

// Hostile files: each is refused or cut, never read outside its bytes.
struct HostileCase { const char* what; Bytes file; bool opens; };

std::vector<HostileCase> hostile_cases()
{
    std::vector<HostileCase> v;
    v.push_back({"empty file", {}, false});
    v.push_back({"size 0", section(0, ZOG_ID_GRP, 0x02010000, Bytes(8)), false});
    v.push_back({"size 11", section(11, ZOG_ID_GRP, 0x02010000), false});
    v.push_back({"size past the end", section(1000, ZOG_ID_GRP, 0x02010000, Bytes(8)), false});
    v.push_back({"size 4 GiB", section(0xFFFFFFFF, ZOG_ID_GRP, 0x02010000, Bytes(8)), false});
    Bytes billions;
    put32(billions, 3000000000U); put32(billions, 0);
    v.push_back({"index of 3e9 entries", section(20, ZOG_ID_GRP, 0x02010000, billions), false});
    Bytes bad_text;
    for (int i = 0; i < 48; ++i) bad_text.push_back(0);
    bad_text.push_back(0xFF); bad_text.push_back(0x7F);
    v.push_back({"title past its section", section(62, ZOG_ID_GEN_HIST_HDR, 1, bad_text), false});
    Bytes bad_dat;
    put32(bad_dat, 0x7FFFFFFF);
    v.push_back({"data bytes past the section", section(16, ZOG_ID_GEN_HIST_DAT, 1, bad_dat), false});
    Bytes arr;
    for (std::uint32_t x : {3U, 4U, 2U, 0U, 8U}) put32(arr, x);  // 3 floats in 8 bytes
    arr.resize(arr.size() + 8);
    v.push_back({"array bytes disagree", section(40, ZOG_ID_GEN_ARRAY, 1, arr), false});
    Bytes huge;
    for (std::uint32_t x : {0xFFFFFFFFU, 0xFFFFFFFFU, 1U, 0U, 0U}) put32(huge, x);  // num x elemSize past 64 bits
    v.push_back({"array size overflows", section(32, ZOG_ID_GEN_ARRAY, 1, huge), false});
    Bytes times;
    for (std::uint32_t x : {1000000U, 1U, 1U, 1U, 0U}) put32(times, x);  // a million times, none there
    v.push_back({"array times past the section", section(32, ZOG_ID_GEN_ARRAY, 1, times), false});
    return v;
}

TEST(Read, HostileFilesAreRefused)
{
    for (const HostileCase& c : hostile_cases()) {
        ZOG_SEC* head = tree_of(c.file);
        const bool whole = as_group(head) != nullptr && !as_group(head)->incomplete;
        EXPECT_EQ(whole, c.opens) << c.what;
        ZOG_free(head);
    }
}

TEST(Read, MemberCountsInTheBillionsEndAtTheFileEnd)
{
    Bytes body;
    put32(body, 0);  // num patched below; the index is not needed to read members
    put32(body, 0);
    Bytes b = section(20, ZOG_ID_GRP, 0x02010000, body);
    bencode_4(&b[12], 4000000000U);
    b[0] = 20;
    const Bytes s = section(12, ZOG_ID_SEC, 1);
    for (int i = 0; i < 3; ++i) b.insert(b.end(), s.begin(), s.end());
    // The index claims 4e9 entries in a 20-byte section: refused before allocating.
    ZOG_SEC* head = tree_of(b);
    EXPECT_EQ(head, nullptr);
}

TEST(Read, DeepNestingIsCutNotRecursed)
{
    Bytes b;
    const int depth = 100000;
    Bytes body;
    put32(body, 1); put32(body, 0); put32(body, 0); put32(body, ZOG_ID_GRP); put32(body, 7);
    const Bytes g = section(32, ZOG_ID_GRP, 7, body);
    b.reserve(static_cast<std::size_t>(depth) * g.size());
    for (int i = 0; i < depth; ++i) b.insert(b.end(), g.begin(), g.end());
    ZOG_SEC* head = tree_of(b);
    ASSERT_NE(as_group(head), nullptr);
    EXPECT_TRUE(as_group(head)->incomplete);
    ZOG_free(head);
    // Just inside the limit the same chain reads whole.
    Bytes ok;
    for (int i = 0; i < zog_max_depth - 1; ++i) ok.insert(ok.end(), g.begin(), g.end());
    Bytes last;
    put32(last, 0); put32(last, 0);
    const Bytes leaf = section(20, ZOG_ID_GRP, 7, last);
    ok.insert(ok.end(), leaf.begin(), leaf.end());
    ZOG_SEC* whole = tree_of(ok);
    ASSERT_NE(as_group(whole), nullptr);
    EXPECT_FALSE(as_group(whole)->incomplete);
    ZOG_free(whole);
}

TEST(Encode, InconsistentArraysAreNotWritten)
{
    auto* a = make_rec<ZOG_SEC_GEN_ARRAY>(ZOG_ID_GEN_ARRAY, 1);
    a->num = 3; a->elemSize = 4; a->type = 2; a->nBytes = 8;  // 3 reals need 12
    ASSERT_TRUE(a->pData.alloc(12));
    ZOG_CURSOR c;
    EXPECT_EQ(ZOG_encode(&c, a, ZOG_IO_THIS), 0);
    a->nBytes = 12;
    a->hasTime = 1;  // times claimed, none held
    EXPECT_EQ(ZOG_encode(&c, a, ZOG_IO_THIS), 0);
    ASSERT_TRUE(a->pTimeData.alloc(12));
    ZOG_CURSOR ok;
    EXPECT_EQ(ZOG_encode(&ok, a, ZOG_IO_THIS), 1);
    a->type = 1; a->elemSize = 6; a->nBytes = 12;  // 3 elements of 6 bytes are 18
    EXPECT_EQ(ZOG_encode(&c, a, ZOG_IO_THIS), 0);
    ZOG_free(a);
}

TEST(Write, FailedWritesAreReported)
{
    ZOG_SEC* s = scaler(1, "x");
    const std::string p = temp_path("ro");
    put_file(p, {});
    FILE* ro = std::fopen(p.c_str(), "rb");  // writes to it fail
    EXPECT_EQ(ZOG_write(ro, s, ZOG_IO_THIS), 0);
    std::fclose(ro);
    std::remove(p.c_str());
    ZOG_free(s);
}

// ---- printing

std::string shown(ZOG_SEC* r, bool heads)
{
    testing::internal::CaptureStdout();
    if (heads) ZOG_heads(r, ZOG_IO_THIS); else ZOG_show(r, ZOG_IO_THIS);
    return testing::internal::GetCapturedStdout();
}

TEST(Print, ShowAndHeadsTexts)
{
    ZOG_SEC* s = scaler(2, "abc", 1234);
    EXPECT_EQ(shown(s, false),
              "  CORE: size=[0], secID=[0x01020004], instanceID=[0x00000002]\n"
              "  ZOG_SEC_GEN_SCALER: counts[1]:[2], counts[0]:[1234]\n"
              "    label:\"abc\"\n\n");
    EXPECT_EQ(shown(s, true), "  Scaler      abc  total:        1234,  recent: 2\n");
    auto* d = make_rec<ZOG_SEC_GEN_RUN_DESC>(ZOG_ID_GEN_RUN_DESC, 1);
    d->runNumber = 42; d->exptNumber = 7; d->elapsedSec = 3725; d->timeBegin = 0; d->timeEnd = 86400;
    d->title = std::string(70, 't');
    d->temperature = "10 K";
    EXPECT_EQ(shown(d, true),
              "Run number:    42\n  exper num:   7\n"
              "  began:       Thu Jan  1 00:00:00 1970\n  ended:       Fri Jan  2 00:00:00 1970\n"
              "  elapsed:     1:02:05   (3725 seconds)\n  title:\n" + std::string(70, 't') +
              "\n  temperature: 10 K\n");
    d->title = std::string(63, 't');
    EXPECT_NE(shown(d, true).find("  title:       " + std::string(63, 't') + "\n"), std::string::npos);
    d->title = std::string(80, 't');
    EXPECT_NE(shown(d, true).find("  title:       " + std::string(80, 't') + "\n"), std::string::npos);
    auto* h = make_rec<ZOG_SEC_GEN_HIST_HDR>(ZOG_ID_GEN_HIST_HDR, 1);
    h->nBins = 10; h->fsPerBin = 17; h->title = "F";
    EXPECT_EQ(shown(h, true),
              "Hist title: F\n  nBins: 10,  nEvents: 0,  ns_per_Bin: 0.097656250\n"
              "  t0_ps: 0,  t0_bin: 0\n  goodBin1: 0,  goodBin2: 0,  bkgd1: 0,  bkgd2: 0\n");
    h->fsPerBin = 0;
    EXPECT_NE(shown(h, true).find("ns_per_Bin: 0.078125\n"), std::string::npos);
    h->fsPerBin = 25000000;
    EXPECT_NE(shown(h, true).find("ns_per_Bin: 25.000000\n"), std::string::npos);
    auto* v = make_rec<ZOG_SEC_GEN_IND_VAR>(ZOG_ID_GEN_IND_VAR, 1);
    v->low = 1; v->high = 2; v->mean = 1.5; v->name = "T"; v->units = "K";
    const std::string vs = shown(v, false);
    EXPECT_EQ(vs.substr(vs.find('\n') + 1),
              "  ZOG_SEC_GEN_IND_VAR: \n"
              "    mean:[1.5000000000], stddev:[0.0000000000], skewness:[0.0000000000]\n"
              "    low:[1.0000000000], high:[2.0000000000]\n    name:\"T\"\n    units:\"K\"\n\n");
    for (ZOG_SEC* r : {s, static_cast<ZOG_SEC*>(d), static_cast<ZOG_SEC*>(h), static_cast<ZOG_SEC*>(v)}) ZOG_free(r);
}

TEST(Print, FubTiCommentsAndGroups)
{
    auto* d = make_rec<ZOG_SEC_FUB_TI_RUN_DESC>(ZOG_ID_FUB_TI_RUN_DESC, 1);
    d->runNumber = 9; d->title = std::string(70, 'x'); d->subtitle = "sub"; d->comment2 = "c2";
    EXPECT_EQ(shown(d, true),
              "Run number:     9\n  exper num:    0\n"
              "  began:        Thu Jan  1 00:00:00 1970\n  ended:        Thu Jan  1 00:00:00 1970\n"
              "  elapsed:      0:00:00   (0 seconds)\n  title:        " + std::string(70, 'x') +
              "\n  subtitle:     sub\n  comment2:     c2\n");
    auto* c = make_rec<ZOG_SEC_CMT>(ZOG_ID_CMT, 2);
    c->number = 2; c->prevReply = 1; c->time = 86400; c->author = "ann"; c->comment = "hello";
    EXPECT_EQ(shown(c, true),
              "Comment number 2.       Re: #1.    \n    author: ann,     time: Fri Jan  2 00:00:00 1970\n"
              "hello\n");
    ZOG_SEC_GRP* g = group(7);
    ZOG_addToGroup(g, scaler(1, nullptr));
    EXPECT_EQ(shown(g, false),
              "  CORE: size=[0], secID=[0x01010003], instanceID=[0x00000007]\n"
              "  ZOG_SEC_GRP: num=[1], memSize=22\n"
              "  INDEX: offset=[0], secID=[0x01020004], instanceID=[0x00000001]\n\n");
    for (ZOG_SEC* r : {static_cast<ZOG_SEC*>(d), static_cast<ZOG_SEC*>(c), static_cast<ZOG_SEC*>(g)}) ZOG_free(r);
}

TEST(Print, ChainStopsAtTheEndSection)
{
    ZOG_SEC* a = ZOG_new(ZOG_ID_SEC, 1);
    a->next = ZOG_new(ZOG_ID_EOF, 1);
    a->next->next = ZOG_new(ZOG_ID_SEC, 2);
    testing::internal::CaptureStdout();
    ZOG_heads(a, ZOG_IO_CHAIN);
    ZOG_show(a, ZOG_IO_CHAIN);
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(out.find("instanceID=[0x00000002]"), std::string::npos);
    EXPECT_NE(out.find("  ZOG_EOF: \n"), std::string::npos);
    ZOG_free(a);
}

// ---- random trees: encode, decode, encode again gives the same bytes

ZText rand_text(std::mt19937& r)
{
    if (r() % 4 == 0) return std::nullopt;
    std::string s(r() % 20, 'a');
    for (char& ch : s) ch = static_cast<char>('a' + r() % 26);
    return s;
}

ZOG_SEC* rand_leaf(std::mt19937& r, std::uint32_t inst)
{
    static const std::uint32_t ids[] = {ZOG_ID_SEC, ZOG_ID_FIXED, ZOG_ID_CMT, ZOG_ID_GEN_RUN_DESC,
                                        ZOG_ID_GEN_HIST_HDR, ZOG_ID_GEN_HIST_DAT, ZOG_ID_GEN_SCALER,
                                        ZOG_ID_GEN_IND_VAR, ZOG_ID_GEN_ARRAY, ZOG_ID_FUB_TI_RUN_DESC};
    const std::uint32_t id = ids[r() % std::size(ids)];
    ZOG_SEC* s = ZOG_new(id, inst);
    switch (id) {
    case ZOG_ID_CMT: {
        auto* c = static_cast<ZOG_SEC_CMT*>(s);
        c->number = r(); c->time = r(); c->author = rand_text(r); c->comment = rand_text(r);
        break;
    }
    case ZOG_ID_GEN_RUN_DESC: {
        auto* d = static_cast<ZOG_SEC_GEN_RUN_DESC*>(s);
        d->runNumber = r(); d->title = rand_text(r); d->field = rand_text(r);
        break;
    }
    case ZOG_ID_FUB_TI_RUN_DESC: {
        auto* d = static_cast<ZOG_SEC_FUB_TI_RUN_DESC*>(s);
        d->elapsedSec = r(); d->comment3 = rand_text(r);
        break;
    }
    case ZOG_ID_GEN_HIST_HDR: {
        auto* h = static_cast<ZOG_SEC_GEN_HIST_HDR*>(s);
        h->nBins = r(); h->fsPerBin = r(); h->title = rand_text(r);
        break;
    }
    case ZOG_ID_GEN_HIST_DAT: {
        auto* d = static_cast<ZOG_SEC_GEN_HIST_DAT*>(s);
        d->nBytes = r() % 50;
        d->pData.alloc(d->nBytes);
        for (std::uint32_t i = 0; i < d->nBytes; ++i) d->pData.p[i] = static_cast<std::uint8_t>(r());
        break;
    }
    case ZOG_ID_GEN_SCALER: static_cast<ZOG_SEC_GEN_SCALER*>(s)->counts[0] = r(); break;
    case ZOG_ID_GEN_IND_VAR: {
        auto* v = static_cast<ZOG_SEC_GEN_IND_VAR*>(s);
        v->mean = static_cast<double>(r()) / 7; v->low = -1.25; v->units = rand_text(r);
        break;
    }
    case ZOG_ID_GEN_ARRAY: {
        auto* a = static_cast<ZOG_SEC_GEN_ARRAY*>(s);
        a->num = r() % 10; a->type = 1 + r() % 3; a->elemSize = a->type == 2 ? 8 : 2;
        a->nBytes = a->num * a->elemSize; a->hasTime = r() % 2;
        a->pData.alloc(a->nBytes);
        for (std::uint32_t i = 0; i < a->num; ++i) {
            if (a->type == 2) {
                const double x = i * 0.5;
                std::memcpy(a->pData.p + 8 * i, &x, 8);
            } else {
                a->pData.p[2 * i] = static_cast<std::uint8_t>(r());
            }
        }
        if (a->hasTime != 0) a->pTimeData.alloc(4 * a->num);
        break;
    }
    default: break;
    }
    return s;
}

ZOG_SEC_GRP* rand_group(std::mt19937& r, std::uint32_t inst, int depth)
{
    ZOG_SEC_GRP* g = group(inst);
    const int n = static_cast<int>(r() % 6);
    for (int i = 1; i <= n; ++i) {
        const auto k = static_cast<std::uint32_t>(i);
        ZOG_addToGroup(g, depth < 4 && r() % 4 == 0 ? rand_group(r, k, depth + 1) : rand_leaf(r, k));
    }
    return g;
}

TEST(Tree, RandomTreesRoundTrip)
{
    std::mt19937 r(2026);
    for (int k = 0; k < 60; ++k) {
        ZOG_SEC_GRP* head = rand_group(r, 0x02010000, 0);
        ZOG_setSizes(head);
        const Bytes b = tree_bytes(head);
        ZOG_SEC* back = tree_of(b);
        ASSERT_NE(as_group(back), nullptr);
        EXPECT_FALSE(as_group(back)->incomplete);
        EXPECT_EQ(tree_bytes(back), b) << "tree " << k;
        ZOG_free(back);
        ZOG_free(head);
    }
}

TEST(Read, EveryFaultGivesNoneOrTheWholeTree)
{
    std::mt19937 r(5);
    ZOG_SEC_GRP* head = rand_group(r, 0x02010000, 0);
    ZOG_addToGroup(head, rand_group(r, 3, 1));
    ZOG_setSizes(head);
    const Bytes b = tree_bytes(head);
    const std::string p = temp_path("faults");
    put_file(p, b);
    const int runs = fault_loop([&](int) {
        FILE* f = ZOG_openInput(p.c_str());
        if (f == nullptr) return;
        ZOG_SEC* t = ZOG_readFile(f);
        std::fclose(f);
        zog_fault = nullptr;
        if (as_group(t) != nullptr && !as_group(t)->incomplete) {
            EXPECT_EQ(tree_bytes(t), b);
        }
        ZOG_free(t);
    });
    EXPECT_GT(runs, 5);
    std::remove(p.c_str());
    ZOG_free(head);
}

}  // namespace
