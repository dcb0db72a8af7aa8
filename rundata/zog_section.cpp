// zog_section.cpp -- the section tree: encoding, decoding, reading and writing
// whole files, group sizes and index offsets, searching by path, printing.

#include <sys/stat.h>

#include <new>
#include <unordered_map>

#include "zog_local.h"

namespace {

// Visits rec, then (when descend) its members depth first, each member list
// followed along next, then (when root_next) the records after rec, likewise.
// No recursion: nesting depth comes from the data. f answers false to stop.
template <class F>
bool walk(ZOG_SEC* rec, bool root_next, bool descend, bool stop_at_eof, F f)
{
    struct Item { ZOG_SEC* r; bool next; };
    std::vector<Item> stack;
    if (rec != nullptr) stack.push_back({rec, root_next});
    while (!stack.empty()) {
        const Item it = stack.back();
        stack.pop_back();
        if (!f(it.r)) return false;
        if (it.next && it.r->next != nullptr && !(stop_at_eof && it.r->secID == ZOG_ID_EOF))
            stack.push_back({it.r->next, true});
        ZOG_SEC_GRP* g = as_group(it.r);
        if (descend && g != nullptr && g->members != nullptr) stack.push_back({g->members, true});
    }
    return true;
}

// Appends one section (core and body) to the cursor's buffer, grown zero-filled.
bool encode_one(ZOG_CURSOR* c, ZOG_SEC* r)
{
    c->refused = r;  // until it is written
    const std::int64_t size = ZOG_getSize(r);
    const std::int64_t total = static_cast<std::int64_t>(c->pos) + size;
    if (r->damaged || size < 12 || total > zog_max_section) return false;
    if (zog_fails(zs_grow)) { c->nomem = true; return false; }
    c->data.resize(static_cast<std::size_t>(total));
    c->lim = static_cast<std::int32_t>(total);
    r->size = static_cast<std::uint32_t>(size);
    const std::int32_t start = c->pos;
    if (ZOG_CORE_proc(zop_encode, c, r) == 0 || r->proc(zop_encode, c, r) == 0 || c->bad ||
        c->pos != start + size)  // the body wrote what its size promised
        return false;
    c->refused = nullptr;
    return true;
}

int encode_walk(ZOG_CURSOR* c, ZOG_SEC* rec, bool root_next, bool descend)
{
    try {
        return walk(rec, root_next, descend, false, [c](ZOG_SEC* r) { return encode_one(c, r); })
                   ? 1 : 0;
    } catch (const std::bad_alloc&) {
        c->nomem = true;
        return 0;
    }
}

void print_walk(ZOG_SEC* rec, int option, int op)
{
    const bool chain = option == ZOG_IO_CHAIN;
    try {
        walk(rec, chain, chain, true, [op](ZOG_SEC* r) {
            ZOG_CORE_proc(op, nullptr, r);
            r->proc(op, nullptr, r);
            if (op == zop_show) std::printf("\n");
            return true;
        });
    } catch (const std::bad_alloc&) {
    }
}

int write_cursor(FILE* f, const ZOG_CURSOR& c)
{
    const std::size_t n = static_cast<std::size_t>(c.count);
    return zog_fails(zs_write) || std::fwrite(c.data.data(), 1, n, f) != n ? 0 : 1;
}

// What one read met. A section that cannot be read whole makes the read
// incomplete; only a clean end of the file, at a section boundary, does not.
// A section kept damaged leaves it complete but damaged. Each says where.
struct ReadState {
    bool incomplete = false;
    std::string why;                  // the first thing that made it incomplete
    std::vector<std::string> damage;  // each damaged part, in file order, the first few
    std::size_t unsaid = 0;           // damaged parts beyond those
    long at = 0;                      // where the last section read began
};

std::string at_byte(long pos) { return "byte " + std::to_string(pos) + ": "; }

// A damaged file names its first parts; the rest are counted, so that a file
// of many small damaged sections cannot make the words outgrow it.
constexpr std::size_t damage_named = 16;

void harm(ReadState* st, std::string what)
{
    if (st->damage.size() < damage_named) st->damage.push_back(std::move(what));
    else ++st->unsaid;
}

void cut(ReadState* st, const std::string& why)
{
    if (!st->incomplete) st->why = why;
    st->incomplete = true;
}

// A section's pair in words: a group by its kind, any other by its number.
std::string pair_text(std::uint32_t secID, std::uint32_t instanceID)
{
    char t[48];
    if (secID == ZOG_ID_GRP) std::snprintf(t, sizeof t, "group 0x%08lX", static_cast<unsigned long>(instanceID));
    else std::snprintf(t, sizeof t, "section 0x%08lX %lu", static_cast<unsigned long>(secID), static_cast<unsigned long>(instanceID));
    return t;
}

// The first few of a list of pairs, and how many more there are.
std::string pairs_text(const std::vector<std::uint64_t>& keys)
{
    constexpr std::size_t shown = 4;
    std::string t;
    for (std::size_t i = 0; i < keys.size() && i < shown; ++i)
        t += (i > 0 ? ", " : "") + pair_text(static_cast<std::uint32_t>(keys[i] >> 32), static_cast<std::uint32_t>(keys[i]));
    if (keys.size() > shown) t += " and " + std::to_string(keys.size() - shown) + " more";
    return t;
}

// A group read whole holds the members its index names; what it names but
// does not hold (the file holds other sections there) is damage, said by name.
void check_index(const ZOG_SEC_GRP* g, long pos, ReadState* st)
{
    std::unordered_map<std::uint64_t, int> held;  // pair -> 1 held, 2 held and named
    for (const ZOG_SEC* m = g->members; m != nullptr; m = m->next) held.emplace(zog_pair_key(m->secID, m->instanceID), 1);
    std::vector<std::uint64_t> missing, instead;
    for (const ZOG_INDEX& e : g->index) {
        const auto it = held.find(zog_pair_key(e.secID, e.instanceID));
        if (it == held.end()) missing.push_back(zog_pair_key(e.secID, e.instanceID));
        else it->second = 2;
    }
    if (missing.empty()) return;
    for (const ZOG_SEC* m = g->members; m != nullptr; m = m->next)
        if (auto it = held.find(zog_pair_key(m->secID, m->instanceID)); it->second == 1) {
            instead.push_back(it->first);
            it->second = 2;
        }
    std::string t = at_byte(pos) + pair_text(g->secID, g->instanceID) + ": its index names " +
                    std::to_string(missing.size()) + (missing.size() == 1 ? " member" : " members") +
                    " the file does not hold (" + pairs_text(missing) + ")";
    if (!instead.empty()) t += ", but " + pairs_text(instead) + " in their place";
    harm(st, t);
}

ZOG_SEC* read_section(FILE* f, ReadState* st);

void read_members(FILE* f, ZOG_SEC_GRP* g, long pos, int depth, ReadState* st)
{
    if (g->num > 0 && depth >= zog_max_depth) {  // nesting this deep is refused
        g->incomplete = true;
        cut(st, at_byte(pos) + "groups nested deeper than " + std::to_string(zog_max_depth));
        return;
    }
    ZOG_SEC* tail = nullptr;
    for (std::uint32_t i = 0; i < g->num; ++i) {
        ZOG_SEC* m = read_section(f, st);
        if (m == nullptr || m->secID == ZOG_ID_EOF) {
            const std::string which = std::to_string(i + 1) + " of the " + std::to_string(g->num) +
                                      " members of " + pair_text(g->secID, g->instanceID) + " at byte " +
                                      std::to_string(pos);
            if (m != nullptr) cut(st, at_byte(st->at) + "an end-of-file section in place of member " + which);
            else cut(st, "the file ends before member " + which);
            ZOG_free(m);
            g->incomplete = true;
            return;
        }
        if (tail == nullptr) g->members = m; else tail->next = m;
        tail = g->tail = m;
        if (ZOG_SEC_GRP* sub = as_group(m)) {
            read_members(f, sub, st->at, depth + 1, st);
            if (sub->incomplete) { g->incomplete = true; return; }
        }
    }
    check_index(g, pos, st);
}

// One section at the current position, its body decoded, no members.
ZOG_SEC* read_section(FILE* f, ReadState* st)
{
    const long pos = zog_fails(zs_tell) ? -1 : std::ftell(f);
    if (pos < 0) {
        cut(st, "cannot tell where the file stands");
        return nullptr;
    }
    st->at = pos;
    const std::int64_t left = zog_bytes_left(f, pos);
    if (left == 0) return nullptr;  // the file ends here
    if (left < 0) {
        cut(st, "cannot tell the size of the file");
        return nullptr;
    }
    if (left < 12) {
        cut(st, at_byte(pos) + "the file ends " + std::to_string(left) + " bytes on, inside a section's core");
        return nullptr;
    }
    std::uint8_t head[12];
    if (zog_fails(zs_read) || std::fread(head, 1, 12, f) != 12 || zog_fails(zs_seek) ||
        std::fseek(f, pos, SEEK_SET) != 0) {
        cut(st, at_byte(pos) + "cannot be read");
        return nullptr;
    }
    const std::uint32_t size = bdecode_4(head);
    const auto what = [&] { return at_byte(pos) + pair_text(bdecode_4(head + 4), bdecode_4(head + 8)); };
    if (size < 12 || size > left || size > zog_max_section) {  // checked before anything is allocated
        cut(st, what() + " claims " + std::to_string(size) + " bytes" +
                    (size < 12 ? ", less than its core" : size > left ? ", the file holds " + std::to_string(left) : ", more than a section may have"));
        return nullptr;
    }
    if (zog_fails(zs_read_buffer)) {
        cut(st, "out of memory");
        return nullptr;
    }
    ZOG_CURSOR c;
    ZOG_SEC* rec = nullptr;
    bool got = false;
    try {
        c.data.resize(size);
        c.lim = static_cast<std::int32_t>(size);
        got = !zog_fails(zs_read) && std::fread(c.data.data(), 1, size, f) == size;
        if (got) rec = ZOG_decode(&c);
    } catch (const std::bad_alloc&) {
        c.nomem = true;
    }
    if (rec == nullptr) cut(st, c.nomem ? std::string("out of memory") : what() + (got ? " does not decode" : " cannot be read"));
    else if (rec->damaged) harm(st, what() + ": its body does not decode, its fields are not read");
    return rec;
}

ZOG_SEC* read_option(FILE* f, int option, ReadState* st)
{
    ZOG_SEC* rec = read_section(f, st);
    if (rec == nullptr) return nullptr;
    ZOG_SEC_GRP* g = as_group(rec);
    if (g != nullptr && (option == ZOG_IO_CHAIN || option == ZOG_IO_GROUP)) read_members(f, g, st->at, 1, st);
    if (rec->secID == ZOG_ID_EOF || option != ZOG_IO_CHAIN) return rec;
    if (g != nullptr && g->incomplete) return rec;  // nothing after a group cut short
    // The records after it, up to the end-of-file section. Whatever goes wrong
    // there (a cut or zero-size end section, stray bytes, bytes after the end
    // section) leaves the record whole: the read is only marked damaged.
    ReadState after;
    ZOG_SEC* tail = rec;
    for (;;) {
        ZOG_SEC* nx = read_section(f, &after);
        if (nx == nullptr) break;
        if (nx->secID == ZOG_ID_EOF) {
            ZOG_free(nx);
            const long end = std::ftell(f);
            if (const std::int64_t more = end < 0 ? 0 : zog_bytes_left(f, end); more > 0)
                harm(&after, at_byte(end) + std::to_string(more) + " bytes after the end-of-file section");
            break;
        }
        tail->next = nx;
        tail = nx;
        if (ZOG_SEC_GRP* ng = as_group(nx)) {
            read_members(f, ng, after.at, 1, &after);
            if (ng->incomplete) break;
        }
    }
    if (after.incomplete) harm(&after, after.why);
    for (std::string& d : after.damage) harm(st, std::move(d));
    st->unsaid += after.unsaid;
    return rec;
}

// The index entry of member k whose pair is (secID, instanceID). Entries stand
// in member order, so entry k is tried first; only an index out of that order
// is searched, once, through a table of each pair's first entry.
struct IndexFinder {
    std::vector<ZOG_INDEX>& index;
    std::unordered_map<std::uint64_t, std::size_t> first;
    bool built = false;

    ZOG_INDEX* find(std::size_t k, std::uint32_t secID, std::uint32_t instanceID)
    {
        if (k < index.size() && index[k].secID == secID && index[k].instanceID == instanceID)
            return &index[k];
        if (!built) {
            first.reserve(index.size());
            for (std::size_t i = 0; i < index.size(); ++i) first.emplace(zog_pair_key(index[i].secID, index[i].instanceID), i);
            built = true;
        }
        const auto it = first.find(zog_pair_key(secID, instanceID));
        return it == first.end() ? nullptr : &index[it->second];
    }
};

std::int64_t set_sizes(ZOG_SEC* rec, int depth)
{
    ZOG_SEC_GRP* g = as_group(rec);
    if (g == nullptr || depth > 4 * zog_max_depth) return 0;
    std::int64_t off = 0;
    IndexFinder finder{g->index, {}, false};
    std::size_t k = 0;
    for (ZOG_SEC* m = g->members; m != nullptr; m = m->next, ++k) {
        ZOG_INDEX* e = finder.find(k, m->secID, m->instanceID);
        if (e == nullptr) return off;  // memSize keeps its old value
        e->offset = static_cast<std::uint32_t>(off);
        if (as_group(m) != nullptr) off += set_sizes(m, depth + 1);
        off += ZOG_getSize(m);
    }
    g->memSize = static_cast<std::uint32_t>(off);
    return off;
}

}  // namespace

std::int64_t zog_bytes_left(FILE* f, std::int64_t pos)
{
    struct stat st{};
    if (zog_fails(zs_file_end) || fstat(fileno(f), &st) != 0) return -1;
    return static_cast<std::int64_t>(st.st_size) - pos;
}

FILE* ZOG_openInput(const char* path)
{
    if (path == nullptr || zog_fails(zs_open_in)) return nullptr;
    return std::fopen(path, "rb");
}

FILE* ZOG_openOutput(const char* path)
{
    if (path == nullptr || zog_fails(zs_open_out)) return nullptr;
    return std::fopen(path, "wb");
}

// Releases rec, the records after it and all they own, without recursion: a
// group's members are moved onto the list being released.
void ZOG_free(ZOG_SEC* rec)
{
    while (rec != nullptr) {
        ZOG_SEC* next = rec->next;
        if (ZOG_SEC_GRP* g = as_group(rec); g != nullptr && g->members != nullptr) {
            ZOG_SEC* last = g->members;
            while (last->next != nullptr) last = last->next;
            last->next = next;
            next = g->members;
            g->members = nullptr;
        }
        rec->proc(zop_free, nullptr, rec);
        delete rec;
        rec = next;
    }
}

std::int64_t ZOG_getSize(ZOG_SEC* rec) { return 12 + rec->proc(zop_size, nullptr, rec); }

std::int64_t ZOG_totSize(ZOG_SEC* rec)
{
    const ZOG_SEC_GRP* g = as_group(rec);
    return static_cast<std::int64_t>(rec->size) + (g != nullptr ? g->memSize : 0);
}

int ZOG_encode(ZOG_CURSOR* c, ZOG_SEC* rec, int option)
{
    const bool chain = option == ZOG_IO_CHAIN;
    return encode_walk(c, rec, chain, chain);
}

int zog_encode_subtree(ZOG_CURSOR* c, ZOG_SEC* rec) { return encode_walk(c, rec, false, true); }

ZOG_SEC* ZOG_decode(ZOG_CURSOR* c)
{
    const std::int32_t start = c->pos, outer = c->lim;
    ZOG_SEC core;
    if (ZOG_CORE_proc(zop_decode, c, &core) == 0) return nullptr;
    if (core.size < 12 || static_cast<std::int64_t>(start) + core.size > outer) {
        c->bad = true;
        return nullptr;
    }
    ZOG_SEC* rec = ZOG_new(core.secID, core.instanceID);
    if (rec == nullptr) {
        c->nomem = true;
        return nullptr;
    }
    ZOG_assignCore(&core, rec);
    c->lim = static_cast<std::int32_t>(start + core.size);  // the body stays inside its section
    bool ok = false;
    try {
        ok = rec->proc(zop_decode, c, rec) != 0 && !c->bad;
    } catch (const std::bad_alloc&) {
        c->nomem = true;
    }
    c->lim = outer;
    if (!ok) {
        // A body that does not decode lies inside its section all the same, so
        // the record is kept, damaged and bodiless, and the sections after it
        // still read. Not so a group (where its members end is in its body),
        // nor a failure for want of memory, which says nothing of the bytes.
        if (c->nomem || as_group(rec) != nullptr) {
            ZOG_free(rec);
            c->bad = true;
            return nullptr;
        }
        rec->proc(zop_free, nullptr, rec);
        rec->damaged = true;
        c->bad = false;
    }
    c->pos = static_cast<std::int32_t>(start + core.size);  // steps over what the type does not read
    return rec;
}

void ZOG_show(ZOG_SEC* rec, int option) { print_walk(rec, option, zop_show); }
void ZOG_heads(ZOG_SEC* rec, int option) { print_walk(rec, option, zop_heads); }

int ZOG_write(FILE* f, ZOG_SEC* rec, int option)
{
    if (rec == nullptr) return 1;
    ZOG_CURSOR c;
    return ZOG_encode(&c, rec, option) != 0 ? write_cursor(f, c) : 0;
}

int zog_write_subtree(FILE* f, ZOG_SEC* rec)
{
    ZOG_CURSOR c;
    return zog_encode_subtree(&c, rec) != 0 ? write_cursor(f, c) : 0;
}

int ZOG_writeEnd(FILE* f)
{
    ZOG_SEC* end = ZOG_new(ZOG_ID_EOF, 1);
    if (end == nullptr) return 0;
    const int ok = ZOG_write(f, end, ZOG_IO_THIS);
    ZOG_free(end);
    return ok;
}

int zog_encode_file(ZOG_CURSOR* c, ZOG_SEC* head)
{
    if (ZOG_encode(c, head, ZOG_IO_CHAIN) == 0) return 0;
    ZOG_SEC* end = ZOG_new(ZOG_ID_EOF, 1);
    if (end == nullptr) {
        c->nomem = true;
        return 0;
    }
    const int ok = ZOG_encode(c, end, ZOG_IO_THIS);
    if (c->refused == end) c->refused = nullptr;
    ZOG_free(end);
    return ok;
}

int ZOG_writeFile(FILE* f, ZOG_SEC* head)
{
    if (zog_fails(zs_seek) || std::fseek(f, 0, SEEK_SET) != 0) return 0;
    ZOG_CURSOR c;
    return zog_encode_file(&c, head) != 0 ? write_cursor(f, c) : 0;
}

ZOG_SEC* ZOG_read(FILE* f, int option)
{
    ReadState st;
    return read_option(f, option, &st);
}

ZOG_SEC* ZOG_readFile(FILE* f) { return zog_read_file(f, nullptr); }

ZOG_SEC* zog_read_file(FILE* f, std::string* why)
{
    ReadState st;
    ZOG_SEC* head = nullptr;
    if (zog_fails(zs_seek) || std::fseek(f, 0, SEEK_SET) != 0) cut(&st, "cannot be read");
    else head = read_option(f, ZOG_IO_CHAIN, &st);
    if (head == nullptr && !st.incomplete) cut(&st, "the file is empty");
    if (ZOG_SEC_GRP* g = as_group(head)) {
        g->incomplete = g->incomplete || st.incomplete;
        for (const std::string& d : st.damage) g->damage += (g->damage.empty() ? "" : "; ") + d;
        if (st.unsaid > 0) g->damage += "; and " + std::to_string(st.unsaid) + " more damaged parts";
        g->damagedParts = !st.damage.empty();
    } else if (head != nullptr) {
        cut(&st, "its first section, " + pair_text(head->secID, head->instanceID) + ", is no group");
    }
    if (why != nullptr) *why = st.why;
    return head;
}

void ZOG_add(ZOG_SEC** list, ZOG_SEC* rec)
{
    while (*list != nullptr) list = &(*list)->next;
    *list = rec;
}

void addIndex(ZOG_SEC_GRP* grp, ZOG_SEC* rec)
{
    grp->index.push_back({grp->memSize, rec->secID, rec->instanceID});
}

void ZOG_addToGroup(ZOG_SEC_GRP* grp, ZOG_SEC* rec)
{
    if (rec == nullptr) return;
    rec->size = static_cast<std::uint32_t>(ZOG_getSize(rec));
    addIndex(grp, rec);  // first: it may throw, and then nothing has changed
    ZOG_add(grp->members != nullptr && grp->tail != nullptr ? &grp->tail->next : &grp->members, rec);
    for (grp->tail = rec; grp->tail->next != nullptr;) grp->tail = grp->tail->next;
    grp->num += 1;
    grp->memSize += static_cast<std::uint32_t>(ZOG_totSize(rec));
}

std::int64_t ZOG_setSizes(ZOG_SEC* grp) { return set_sizes(grp, 0); }

void ZOG_assignCore(ZOG_SEC* core, ZOG_SEC* rec)
{
    rec->size = core->size;
    rec->secID = core->secID;
    rec->instanceID = core->instanceID;
}

ZOG_SEC* ZOG_findMember(ZOG_SEC_GRP* g, std::uint32_t secID, std::uint32_t instanceID)
{
    if (g == nullptr || secID == 0 || instanceID == 0) return nullptr;
    try {
        for (ZOG_SEC* m = g->seenLast == nullptr ? g->members : g->seenLast->next; m != nullptr; m = m->next) {
            g->seen.emplace(zog_pair_key(m->secID, m->instanceID), m);
            g->seenLast = m;
        }
    } catch (const std::bad_alloc&) {  // no room for the table: look the slow way
        g->seen.clear();
        g->seenLast = nullptr;
        const ZOG_PATH path[] = {{secID, instanceID}, {0, 0}};
        return ZOG_search(g->members, path);
    }
    const auto it = g->seen.find(zog_pair_key(secID, instanceID));
    return it == g->seen.end() ? nullptr : it->second;
}

void ZOG_dropMembers(ZOG_SEC_GRP* g)
{
    ZOG_free(g->members);
    g->members = g->tail = nullptr;
    g->seen.clear();
    g->seenLast = nullptr;
}

ZOG_SEC* ZOG_search(ZOG_SEC* list, const ZOG_PATH* path)
{
    if (path == nullptr || path->secID == 0 || path->instanceID == 0) return nullptr;
    for (;;) {
        ZOG_SEC* r = list;
        while (r != nullptr && !(r->secID == path->secID && r->instanceID == path->instanceID))
            r = r->next;
        if (r == nullptr) return nullptr;
        ++path;
        if (path->secID == 0 || path->instanceID == 0) return r;
        ZOG_SEC_GRP* g = as_group(r);
        if (g == nullptr) return nullptr;
        list = g->members;
    }
}
