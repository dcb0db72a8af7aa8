// zog_seek.cpp -- working on a run file without its whole tree: positioning at a
// section named by a path, and writing a file group by group.

#include "zog_local.h"

namespace {

ZOG_SEC peeked;  // the one peeked core; every peek overwrites it

long tell(FILE* f) { return zog_fails(zs_tell) ? -1 : std::ftell(f); }

bool seek_to(FILE* f, long pos) { return !zog_fails(zs_seek) && std::fseek(f, pos, SEEK_SET) == 0; }

// Steps over the section whose core was just peeked; false at a size below a
// core or past the end of the file, so a scan always moves on or stops.
bool step_over(FILE* f, std::uint32_t size)
{
    const long pos = tell(f);
    if (pos < 0 || size < 12) return false;
    const std::int64_t left = zog_bytes_left(f, pos);
    if (left < 0 || size > left) return false;
    return seek_to(f, pos + static_cast<long>(size));
}

}  // namespace

ZOG_SEC* ZOG_peekCore(FILE* f)
{
    const long pos = tell(f);
    if (pos < 0) return nullptr;
    ZOG_CURSOR c;
    c.data.resize(12);
    c.lim = 12;
    const bool got = !zog_fails(zs_read) && std::fread(c.data.data(), 1, 12, f) == 12;
    if (!seek_to(f, pos) || !got) return nullptr;
    peeked = ZOG_SEC{};
    ZOG_CORE_proc(zop_decode, &c, &peeked);
    return &peeked;
}

ZOG_SEC* fseekNext(FILE* f, ZOG_SEC_GRP* group, std::uint32_t secID, std::uint32_t instanceID)
{
    if (group == nullptr) {
        for (;;) {
            ZOG_SEC* core = ZOG_peekCore(f);
            if (core == nullptr) return nullptr;
            if (core->secID == secID && core->instanceID == instanceID) return core;
            if (core->secID == ZOG_ID_EOF || !step_over(f, core->size)) return nullptr;
        }
    }
    for (const ZOG_INDEX& e : group->index) {
        if (e.secID != secID || e.instanceID != instanceID) continue;
        const long pos = tell(f);
        if (pos < 0) return nullptr;
        const std::int64_t left = zog_bytes_left(f, pos);
        if (left < 0 || e.offset > left || !seek_to(f, pos + static_cast<long>(e.offset))) return nullptr;
        ZOG_SEC* core = ZOG_peekCore(f);
        return core != nullptr && core->secID == secID && core->instanceID == instanceID ? core : nullptr;
    }
    return nullptr;
}

long ZOG_fseek(FILE* f, const ZOG_PATH* path)
{
    if (path == nullptr || path->secID == 0 || path->instanceID == 0) return -1;
    ZOG_SEC_GRP* group = nullptr;  // the group found for the previous pair, read alone
    for (;; ++path) {
        ZOG_SEC* found = fseekNext(f, group, path->secID, path->instanceID);
        ZOG_free(group);
        group = nullptr;
        if (found == nullptr) return -1;
        const ZOG_PATH* next = path + 1;
        if (next->secID == 0 || next->instanceID == 0) return tell(f);
        if (found->secID == ZOG_ID_GRP) {
            ZOG_SEC* g = ZOG_read(f, ZOG_IO_THIS);  // leaves the file at its first member
            group = as_group(g);
            if (group == nullptr) { ZOG_free(g); return -1; }
        } else if (found->secID == ZOG_ID_EOF || !step_over(f, found->size)) {
            return -1;
        }
    }
}

long ZOG_fseekFirst(FILE* f)
{
    // Past a leading core and the body of a fixed file header.
    return seek_to(f, 20) ? 20 : -1;
}

int ZOG_writeGrpStart(FILE* f, ZOG_SEC_GRP* parent, ZOG_SEC_GRP* group, int n)
{
    const long pos = tell(f);
    if (group == nullptr || n < 0 || pos < 0 || pos > 0x7FFFFFFF) return 0;
    group->parent = parent;
    group->groupPos = static_cast<std::int32_t>(pos);
    group->memSize = 0;
    group->index.clear();
    ZOG_dropMembers(group);
    group->num = 0;
    group->announced = static_cast<std::uint32_t>(n);
    const std::int64_t room = 20 + 12 * static_cast<std::int64_t>(n);  // the group's own section
    return room <= zog_max_section && seek_to(f, pos + static_cast<long>(room)) ? 1 : 0;
}

int ZOG_writeGrpMem(FILE* f, ZOG_SEC_GRP* group, ZOG_SEC* member)
{
    if (group == nullptr || member == nullptr || group->num >= group->announced) return 0;
    // A group member goes whole, its own members after it; its sizes first.
    ZOG_setSizes(member);
    member->size = static_cast<std::uint32_t>(ZOG_getSize(member));
    const int ok = as_group(member) != nullptr ? zog_write_subtree(f, member)
                                               : ZOG_write(f, member, ZOG_IO_THIS);
    if (ok == 0) return 0;
    addIndex(group, member);
    group->num += 1;
    group->memSize += static_cast<std::uint32_t>(ZOG_totSize(member));
    return 1;
}

int ZOG_writeGrpEnd(FILE* f, ZOG_SEC_GRP* group)
{
    if (group == nullptr || group->num != group->announced) return 0;  // the room would not fit
    const long pos = tell(f);
    if (pos < 0 || !seek_to(f, group->groupPos) || ZOG_write(f, group, ZOG_IO_THIS) == 0 ||
        !seek_to(f, pos))
        return 0;
    if (ZOG_SEC_GRP* p = group->parent) {
        addIndex(p, group);
        p->num += 1;
        p->memSize += static_cast<std::uint32_t>(ZOG_totSize(group));
    }
    return 1;
}
