// seek_test.cpp -- positioning at a section by path without reading the tree,
// and streamed writing compared byte for byte with writing the built tree.

#include "zog.h"
#include "zog_test_util.h"

namespace {

constexpr std::uint32_t hist_grp = 0x02010002;

// A run file by handle: run description, 3 histograms, 2 scalers.
std::string run_file()
{
    const std::string p = temp_path("seekrun");
    const int fh = ZOG_openWrite(p.c_str(), ZOG_FMT_GENERIC);
    ZOG_setRunDesc(fh);
    ZOG_setTitle(fh, "seek");
    ZOG_setHists(fh, ZOG_HIST_GRP_GENERIC, 3);
    for (int n = 1; n <= 3; ++n) ZOG_setHistTitle(fh, n, std::string(static_cast<std::size_t>(n), 'h').c_str());
    ZOG_setScalers(fh, ZOG_SCALER_GRP, 2);
    EXPECT_EQ(ZOG_closeWrite(fh), 1);
    return p;
}

// The position of the section (secID, inst) in the file image, found by walking it.
long offset_of(const Bytes& b, std::uint32_t secID, std::uint32_t inst)
{
    for (std::size_t p = 0; p + 12 <= b.size(); p += bdecode_4(&b[p])) {
        if (bdecode_4(&b[p + 4]) == secID && bdecode_4(&b[p + 8]) == inst) return static_cast<long>(p);
        if (bdecode_4(&b[p]) < 12) break;
    }
    return -1;
}

TEST(Seek, PathsLandOnTheirSections)
{
    const std::string p = run_file();
    const Bytes b = file_bytes(p);
    FILE* f = ZOG_openInput(p.c_str());
    struct Case { std::vector<ZOG_PATH> path; long want; };
    const Case cases[] = {
        {{{ZOG_ID_GRP, hist_grp}, {ZOG_ID_GEN_HIST_HDR, 3}}, offset_of(b, ZOG_ID_GEN_HIST_HDR, 3)},
        {{{ZOG_ID_GRP, hist_grp}, {ZOG_ID_GEN_HIST_DAT, 1}}, offset_of(b, ZOG_ID_GEN_HIST_DAT, 1)},
        {{{ZOG_ID_GRP, 0x02010004}, {ZOG_ID_GEN_SCALER, 2}}, offset_of(b, ZOG_ID_GEN_SCALER, 2)},
        // a first pair that is no group: step over it, then scan on in file order
        {{{ZOG_ID_GEN_RUN_DESC, 1}, {ZOG_ID_GEN_HIST_HDR, 2}}, offset_of(b, ZOG_ID_GEN_HIST_HDR, 2)},
        {{{ZOG_ID_GRP, hist_grp}, {ZOG_ID_GEN_HIST_HDR, 4}}, -1},      // missing from the index
        {{{ZOG_ID_GEN_SCALER, 2}, {ZOG_ID_GEN_HIST_HDR, 1}}, -1},      // meets the end section
        {{{ZOG_ID_GEN_ARRAY, 1}}, -1},
    };
    for (const Case& c : cases) {
        std::vector<ZOG_PATH> path = c.path;
        path.push_back({0, 0});
        std::rewind(f);
        const long got = ZOG_fseek(f, path.data());
        EXPECT_EQ(got, c.want) << path[0].secID << "/" << path[1].secID;
        if (c.want >= 0) {
            EXPECT_EQ(std::ftell(f), c.want);
            ZOG_SEC* core = ZOG_peekCore(f);
            ASSERT_NE(core, nullptr);
            EXPECT_EQ(core->secID, c.path.back().secID);
            EXPECT_EQ(core->instanceID, c.path.back().instanceID);
        }
    }
    EXPECT_EQ(ZOG_fseekFirst(f), 20);
    EXPECT_EQ(std::ftell(f), 20);
    std::fseek(f, 0, SEEK_END);
    EXPECT_EQ(ZOG_peekCore(f), nullptr);
    std::fclose(f);
    std::remove(p.c_str());
}

TEST(Seek, HostileSizesEndTheScan)
{
    const std::string p = temp_path("hostile_seek");
    const ZOG_PATH path[] = {{ZOG_ID_GEN_SCALER, 9}, {0, 0}};
    for (const Bytes& b : {section(0, ZOG_ID_SEC, 1), section(5, ZOG_ID_SEC, 1),
                           section(1000, ZOG_ID_SEC, 1), section(12, ZOG_ID_SEC, 1)}) {
        put_file(p, b);
        FILE* f = ZOG_openInput(p.c_str());
        EXPECT_EQ(ZOG_fseek(f, path), -1);  // ends: never loops on a size that does not move
        std::fclose(f);
    }
    // A group whose index sends the search past the end of the file.
    Bytes body;
    put32(body, 1); put32(body, 0); put32(body, 0x7FFFFFF0); put32(body, ZOG_ID_GEN_SCALER); put32(body, 9);
    put_file(p, section(32, ZOG_ID_GRP, 5, body));
    FILE* f = ZOG_openInput(p.c_str());
    const ZOG_PATH deep[] = {{ZOG_ID_GRP, 5}, {ZOG_ID_GEN_SCALER, 9}, {0, 0}};
    EXPECT_EQ(ZOG_fseek(f, deep), -1);
    std::fclose(f);
    std::remove(p.c_str());
}

ZOG_SEC_GEN_SCALER* scaler(std::uint32_t n, const char* label)
{
    auto* s = make_rec<ZOG_SEC_GEN_SCALER>(ZOG_ID_GEN_SCALER, n);
    s->label = label;
    s->counts[0] = n * 10;
    return s;
}

TEST(Stream, StreamedFileEqualsTheWrittenTree)
{
    // Built: head { scaler 1, group { scaler 1, scaler 2 }, scaler 3 }
    ZOG_SEC_GRP* head = make_rec<ZOG_SEC_GRP>(ZOG_ID_GRP, ZOG_FMT_GENERIC);
    ZOG_SEC_GRP* inner = make_rec<ZOG_SEC_GRP>(ZOG_ID_GRP, hist_grp);
    ZOG_addToGroup(head, scaler(1, "one"));
    ZOG_addToGroup(head, inner);
    ZOG_addToGroup(inner, scaler(1, "a"));
    ZOG_addToGroup(inner, scaler(2, "bb"));
    ZOG_addToGroup(head, scaler(3, "three"));
    ZOG_setSizes(head);
    const Bytes built = tree_bytes(head);
    ZOG_free(head);

    const std::string p = temp_path("stream");
    FILE* f = ZOG_openOutput(p.c_str());
    ZOG_SEC_GRP* h = make_rec<ZOG_SEC_GRP>(ZOG_ID_GRP, ZOG_FMT_GENERIC);
    ZOG_SEC_GRP* g = make_rec<ZOG_SEC_GRP>(ZOG_ID_GRP, hist_grp);
    std::vector<ZOG_SEC*> loose;
    auto mem = [&](ZOG_SEC_GRP* grp, ZOG_SEC* m) { loose.push_back(m); return ZOG_writeGrpMem(f, grp, m); };
    ASSERT_EQ(ZOG_writeGrpStart(f, nullptr, h, 3), 1);
    EXPECT_EQ(mem(h, scaler(1, "one")), 1);
    ASSERT_EQ(ZOG_writeGrpStart(f, h, g, 2), 1);
    EXPECT_EQ(mem(g, scaler(1, "a")), 1);
    EXPECT_EQ(mem(g, scaler(2, "bb")), 1);
    EXPECT_EQ(ZOG_writeGrpEnd(f, g), 1);
    EXPECT_EQ(mem(h, scaler(3, "three")), 1);
    EXPECT_EQ(mem(h, scaler(4, "too many")), 0);  // no room was left for it
    EXPECT_EQ(ZOG_writeGrpEnd(f, h), 1);
    EXPECT_EQ(ZOG_writeEnd(f), 1);
    std::fclose(f);
    EXPECT_EQ(file_bytes(p), built);
    for (ZOG_SEC* m : loose) ZOG_free(m);
    ZOG_free(g);
    ZOG_free(h);
    std::remove(p.c_str());
}

TEST(Stream, CountsMustMatchAndGroupsGoWhole)
{
    const std::string p = temp_path("stream2");
    FILE* f = ZOG_openOutput(p.c_str());
    ZOG_SEC_GRP* h = make_rec<ZOG_SEC_GRP>(ZOG_ID_GRP, ZOG_FMT_GENERIC);
    ASSERT_EQ(ZOG_writeGrpStart(f, nullptr, h, 2), 1);
    ZOG_SEC* s = scaler(1, "x");
    EXPECT_EQ(ZOG_writeGrpMem(f, h, s), 1);
    EXPECT_EQ(ZOG_writeGrpEnd(f, h), 0);  // one member of the two announced
    // A group handed to writeGrpMem is written with its members.
    ZOG_SEC_GRP* g = make_rec<ZOG_SEC_GRP>(ZOG_ID_GRP, hist_grp);
    ZOG_addToGroup(g, scaler(1, "in"));
    EXPECT_EQ(ZOG_writeGrpMem(f, h, g), 1);
    EXPECT_EQ(ZOG_writeGrpEnd(f, h), 1);
    EXPECT_EQ(ZOG_writeEnd(f), 1);
    std::fclose(f);
    ZOG_SEC* back = tree_of(file_bytes(p));
    ASSERT_NE(as_group(back), nullptr);
    EXPECT_FALSE(as_group(back)->incomplete);
    ZOG_SEC_GRP* bg = as_group(as_group(back)->members->next);
    ASSERT_NE(bg, nullptr);
    EXPECT_EQ(bg->members->secID, ZOG_ID_GEN_SCALER);
    ZOG_free(back);
    ZOG_free(s);
    ZOG_free(g);
    ZOG_free(h);
    std::remove(p.c_str());
}

}  // namespace
