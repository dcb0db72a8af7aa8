// zog_local.h -- inside the run-data library: field codecs, section records and
// their tree, bin packing, positioning. Only rundata/ and its tests include it.
#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

// ---- fault injection: every file operation and allocation of the library asks
// the hook first; a non-zero answer makes that operation fail. Site codes are
// never reused.
inline int (*zog_fault)(int site) = nullptr;
enum ZogSite : int {
    zs_open_in = 1, zs_open_out = 2, zs_tell = 3, zs_seek = 4, zs_read = 5,
    zs_write = 6, zs_flush = 7, zs_close = 8, zs_new_record = 9, zs_grow = 10,
    zs_read_buffer = 11, zs_text = 12, zs_data = 13, zs_slot_alloc = 14,
    zs_file_end = 15, zs_temp = 16, zs_rename = 17,
};
inline bool zog_fails(int site) { return zog_fault != nullptr && zog_fault(site) != 0; }

// ---- limits
constexpr std::int64_t zog_max_section = 0x7FFFFFF0;  // bytes of one section or one encode
constexpr int zog_max_depth = 16;                     // group nesting a file may have
constexpr std::uint32_t zog_max_text = 65535;         // a counted string's length field

// ---- Part of the section codec: the cursor over one pass's bytes
struct ZOG_SEC;
struct ZOG_CURSOR {
    std::vector<std::uint8_t> data;  // the pass's bytes (grown by the encoder)
    std::int32_t pos = 0;            // where the next field is read or written
    std::int32_t count = 0;          // bytes the field codecs moved in this pass
    std::int32_t lim = 0;            // end of the section in hand: no field passes it
    bool bad = false;                // once set, reads give 0 and writes nothing
    bool nomem = false;              // a decode failed for want of memory, not for its bytes
    ZOG_SEC* refused = nullptr;      // the record an encode could not write
};

using ZText = std::optional<std::string>;  // a text field: absent, or a text

// raw forms, at a byte address
void bencode_2(std::uint8_t* p, std::uint16_t v);
std::uint16_t bdecode_2(const std::uint8_t* p);
void bencode_4(std::uint8_t* p, std::uint32_t v);
std::uint32_t bdecode_4(const std::uint8_t* p);
void bencode_8(std::uint8_t* p, const std::uint8_t* v);
void bdecode_8(const std::uint8_t* p, std::uint8_t* v);
void bencode_float(std::uint8_t* p, float v);
float bdecode_float(const std::uint8_t* p);
void bencode_double(std::uint8_t* p, double v);
double bdecode_double(const std::uint8_t* p);

// cursor forms: a field that would pass c->lim sets c->bad instead
bool cursor_room(ZOG_CURSOR* c, std::int64_t width);  // false (and bad) when it does not fit
void encode_4(ZOG_CURSOR* c, std::uint32_t v);
std::uint32_t decode_4(ZOG_CURSOR* c);
void encode_str(ZOG_CURSOR* c, const ZText* t);
void decode_str(ZOG_CURSOR* c, ZText* t);
void encode_float(ZOG_CURSOR* c, const float* v);
void decode_float(ZOG_CURSOR* c, float* v);
void encode_double(ZOG_CURSOR* c, const double* v);
void decode_double(ZOG_CURSOR* c, double* v);
void encode_bytes(ZOG_CURSOR* c, const std::uint8_t* p, std::uint32_t n);
void decode_bytes(ZOG_CURSOR* c, std::uint8_t* p, std::uint32_t n);
std::int64_t str_size(const ZText& t);  // 2 + its length

// ---- section records
struct ZOG_SEC;
using ZOG_PROC = std::int64_t (*)(int op, ZOG_CURSOR* c, ZOG_SEC* rec);

enum ZogOp : int { zop_encode = 0, zop_decode = 1, zop_free = 2, zop_size = 3,
                   zop_show = 4, zop_heads = 5 };
enum ZogIo : int { ZOG_IO_THIS = 1, ZOG_IO_CHAIN = 2, ZOG_IO_GROUP = 3 };

constexpr std::uint32_t ZOG_ID_SEC = 0x01010001;
constexpr std::uint32_t ZOG_ID_FIXED = 0x01010002;
constexpr std::uint32_t ZOG_ID_GRP = 0x01010003;
constexpr std::uint32_t ZOG_ID_EOF = 0x01010004;
constexpr std::uint32_t ZOG_ID_CMT = 0x01010005;
constexpr std::uint32_t ZOG_ID_GEN_RUN_DESC = 0x01020001;
constexpr std::uint32_t ZOG_ID_GEN_HIST_HDR = 0x01020002;
constexpr std::uint32_t ZOG_ID_GEN_HIST_DAT = 0x01020003;
constexpr std::uint32_t ZOG_ID_GEN_SCALER = 0x01020004;
constexpr std::uint32_t ZOG_ID_GEN_IND_VAR = 0x01020005;
constexpr std::uint32_t ZOG_ID_GEN_ARRAY = 0x01020007;
constexpr std::uint32_t ZOG_ID_FUB_TI_RUN_DESC = 0x02020001;
constexpr std::uint32_t ZOG_KIND_IND_VAR = 0x01020005;       // summaries only
constexpr std::uint32_t ZOG_KIND_IND_VAR_ARRAY = 0x01020006; // summary + array each

// The head every record starts with.
struct ZOG_SEC {
    ZOG_SEC* next = nullptr;        // next record of the same list
    std::uint32_t size = 0;         // bytes of the whole section, core included
    std::uint32_t secID = 0;        // section type
    std::uint32_t instanceID = 0;   // number among its type, or a group's kind
    std::int32_t recordSize = 0;    // bytes of the type's record, set by ZOG_new
    ZOG_PROC proc = nullptr;        // the type's handler, set by ZOG_new
    // Read from a file whose bytes for its body do not decode: kept, without
    // its body, only so the sections after it stay readable. No getter finds
    // it and the encoder refuses it.
    bool damaged = false;
    virtual ~ZOG_SEC() = default;
};

// A buffer from std::malloc with its size; freed with std::free.
struct ZOG_BYTES {
    std::uint8_t* p = nullptr;
    std::uint32_t cap = 0;  // bytes at p
    ZOG_BYTES() = default;
    ZOG_BYTES(const ZOG_BYTES&) = delete;
    ZOG_BYTES& operator=(const ZOG_BYTES&) = delete;
    ~ZOG_BYTES() { reset(); }
    void reset();
    bool alloc(std::int64_t n);  // zero-filled; false (keeping nothing) on failure
    void adopt(void* q, std::uint32_t n) { reset(); p = static_cast<std::uint8_t*>(q); cap = n; }
};

struct ZOG_INDEX {
    std::uint32_t offset = 0;  // bytes from the end of the group's section to the member
    std::uint32_t secID = 0;
    std::uint32_t instanceID = 0;
};

struct ZOG_SEC_GRP : ZOG_SEC {
    std::uint32_t num = 0;          // members (and index entries)
    std::uint32_t memSize = 0;      // bytes of all members in the file
    std::vector<ZOG_INDEX> index;   // one entry per member, member order
    ZOG_SEC* members = nullptr;     // the member list
    ZOG_SEC* tail = nullptr;        // its last record, when known: appends need not walk it
    std::int32_t groupPos = 0;      // file position of the group's section (streaming)
    ZOG_SEC_GRP* parent = nullptr;  // enclosing group (streaming)
    bool incomplete = false;        // reading ended before all of the group arrived
    bool damagedParts = false;      // the read (of a head) kept damaged sections or met a damaged end
    std::string damage;             // what those are, in words, "; " between them
    std::uint32_t announced = 0;    // members a streamed group's start left room for
    // Each (secID, instanceID)'s first member, as far as the list has been looked
    // through: a getter of every one of many members stays linear in all. Only
    // appends change a list; whoever empties one clears this too.
    std::unordered_map<std::uint64_t, ZOG_SEC*> seen;
    ZOG_SEC* seenLast = nullptr;    // the last member entered in seen
};

struct ZOG_SEC_FIXED : ZOG_SEC {
    std::uint32_t fileSize = 0, formatID = 0;
};

struct ZOG_SEC_CMT : ZOG_SEC {
    std::uint32_t number = 0, prevReply = 0, nextReply = 0, time = 0;
    ZText author, title, comment;
};

// The fields both run descriptions share, in file order.
struct ZOG_RUN_DESC : ZOG_SEC {
    std::uint32_t exptNumber = 0, runNumber = 0, timeBegin = 0, timeEnd = 0, elapsedSec = 0;
    ZText title, lab, area, method, apparatus, insert, sample, orient, das, experimenter;
};
struct ZOG_SEC_GEN_RUN_DESC : ZOG_RUN_DESC {
    ZText temperature, field;
};
struct ZOG_SEC_FUB_TI_RUN_DESC : ZOG_RUN_DESC {
    ZText subtitle, comment1, comment2, comment3;
};

struct ZOG_SEC_GEN_HIST_HDR : ZOG_SEC {
    std::uint32_t histType = 0, nBytes = 0, nBins = 0, bytesPerBin = 0, fsPerBin = 0,
                  t0_ps = 0, t0_bin = 0, goodBin1 = 0, goodBin2 = 0, bkgd1 = 0, bkgd2 = 0,
                  nEvents = 0;
    ZText title;
};

struct ZOG_SEC_GEN_HIST_DAT : ZOG_SEC {
    std::uint32_t nBytes = 0;  // bytes of data; never more than pData.cap
    ZOG_BYTES pData;
};

struct ZOG_SEC_GEN_SCALER : ZOG_SEC {
    std::uint32_t counts[2] = {0, 0};  // total, recent
    ZText label;
};

struct ZOG_SEC_GEN_IND_VAR : ZOG_SEC {
    double low = 0, high = 0, mean = 0, stddev = 0, skewness = 0;
    ZText name, description, units;
};

struct ZOG_SEC_GEN_ARRAY : ZOG_SEC {
    std::uint32_t num = 0, elemSize = 0, type = 0, hasTime = 0, nBytes = 0;
    ZOG_BYTES pData;      // elements in memory form
    ZOG_BYTES pTimeData;  // num 4-byte times when hasTime is not 0
};

// Element types and sizes an array's data can be stored as: integers plain
// at 1, 2 or 4 bytes or packed (size 0), reals at 4 or 8 bytes, raw bytes at
// any size.
bool zog_array_layout(std::uint32_t type, std::uint32_t elemSize);
// What the encoder asks of an array before writing it: its data has the
// layout its shape gives (a packed stream holding exactly num elements), and
// its times, when it has them, are num.
bool zog_array_data_ok(const ZOG_SEC_GEN_ARRAY* r);
bool zog_array_times_ok(const ZOG_SEC_GEN_ARRAY* r);

// ---- factory and handlers
ZOG_SEC* ZOG_new(std::uint32_t secID, std::uint32_t instanceID);
std::int64_t ZOG_CORE_proc(int op, ZOG_CURSOR* c, ZOG_SEC* core);
std::int64_t ZOG_INDEX_proc(int op, ZOG_CURSOR* c, ZOG_INDEX* entry);
inline ZOG_SEC_GRP* as_group(ZOG_SEC* s)
{
    return s != nullptr && s->secID == ZOG_ID_GRP ? static_cast<ZOG_SEC_GRP*>(s) : nullptr;
}
void zog_print_time(const char* fmt, std::uint32_t t);  // the 24-character local time

// ---- the section tree
struct ZOG_PATH { std::uint32_t secID, instanceID; };  // a path ends at a 0 in either

FILE* ZOG_openInput(const char* path);
FILE* ZOG_openOutput(const char* path);
void ZOG_free(ZOG_SEC* rec);
std::int64_t ZOG_getSize(ZOG_SEC* rec);
std::int64_t ZOG_totSize(ZOG_SEC* rec);
int ZOG_encode(ZOG_CURSOR* c, ZOG_SEC* rec, int option);
ZOG_SEC* ZOG_decode(ZOG_CURSOR* c);
void ZOG_show(ZOG_SEC* rec, int option);
void ZOG_heads(ZOG_SEC* rec, int option);
int ZOG_write(FILE* f, ZOG_SEC* rec, int option);
int ZOG_writeEnd(FILE* f);
int ZOG_writeFile(FILE* f, ZOG_SEC* head);
ZOG_SEC* ZOG_read(FILE* f, int option);
// The head; as_group(head)->incomplete when its tree did not arrive whole,
// ->damagedParts when it did but damaged sections were kept or the file's end
// (after the head's tree) is damaged.
ZOG_SEC* ZOG_readFile(FILE* f);
// The same, with why (when given) what made the read incomplete or refused it,
// in words; empty when the head's tree arrived whole.
ZOG_SEC* zog_read_file(FILE* f, std::string* why);
void ZOG_add(ZOG_SEC** list, ZOG_SEC* rec);
void ZOG_addToGroup(ZOG_SEC_GRP* grp, ZOG_SEC* rec);
void addIndex(ZOG_SEC_GRP* grp, ZOG_SEC* rec);
std::int64_t ZOG_setSizes(ZOG_SEC* grp);
void ZOG_assignCore(ZOG_SEC* core, ZOG_SEC* rec);
ZOG_SEC* ZOG_search(ZOG_SEC* list, const ZOG_PATH* path);
inline std::uint64_t zog_pair_key(std::uint32_t secID, std::uint32_t instanceID)
{
    return static_cast<std::uint64_t>(secID) << 32 | instanceID;
}
// The first member (secID, instanceID) of g, as ZOG_search finds it, without
// walking the members already looked through.
ZOG_SEC* ZOG_findMember(ZOG_SEC_GRP* g, std::uint32_t secID, std::uint32_t instanceID);
// Empties g's member list (freeing the members) and forgets what was looked up.
void ZOG_dropMembers(ZOG_SEC_GRP* g);
// Encodes a record with its members (not the records after it).
int zog_encode_subtree(ZOG_CURSOR* c, ZOG_SEC* rec);
// Writes a record with its members at the current position; 1 or 0.
int zog_write_subtree(FILE* f, ZOG_SEC* rec);
// Bytes from pos to the end of the file; -1 when that cannot be told.
std::int64_t zog_bytes_left(FILE* f, std::int64_t pos);

// ---- a file written by handle
struct ZOG_TARGET {
    std::string path;     // the file to make, links followed (absolute but for a FIFO or a device)
    bool direct = false;  // written into path itself: no regular file there, or no room beside it
};
// Settles where a file opened for writing goes, checking that it can be
// written; touches nothing. false with the reason.
bool zog_target(const char* name, ZOG_TARGET* t, std::string* why);
// Makes t's file hold the n bytes: written beside it, then renamed over it, so
// a failure leaves an old file as it was and leaves no new one. false with the reason.
bool zog_replace(const ZOG_TARGET& t, const std::uint8_t* p, std::size_t n, std::string* why);
// Why the encoder refused a record (c.refused), in words.
std::string zog_refusal(const ZOG_SEC* rec);
// Encodes a whole file: the tree from head with ZOG_IO_CHAIN, then the
// end-of-file section; 1 or 0.
int zog_encode_file(ZOG_CURSOR* c, ZOG_SEC* head);

// ---- positioning and streamed writing
ZOG_SEC* ZOG_peekCore(FILE* f);  // the library's one peeked core; the next peek overwrites it
ZOG_SEC* fseekNext(FILE* f, ZOG_SEC_GRP* group, std::uint32_t secID, std::uint32_t instanceID);
long ZOG_fseek(FILE* f, const ZOG_PATH* path);
long ZOG_fseekFirst(FILE* f);
int ZOG_writeGrpStart(FILE* f, ZOG_SEC_GRP* parent, ZOG_SEC_GRP* group, int n);
int ZOG_writeGrpMem(FILE* f, ZOG_SEC_GRP* group, ZOG_SEC* member);
int ZOG_writeGrpEnd(FILE* f, ZOG_SEC_GRP* group);

// ---- bin packing: widths 1, 2, 4; 0 is the packed stream
std::int64_t ZOG_pack(int num, int inSize, const void* in, int outSize, void* out);
std::int64_t ZOG_unpack(int num, int inSize, const void* in, int outSize, void* out);
std::int64_t ZOG_SEC_GEN_HIST_pack(int num, int inSize, const void* in, int outSize, void* out);
std::int64_t ZOG_SEC_GEN_HIST_unpack(int num, int inSize, const void* in, int outSize, void* out);
std::int64_t ZOG_SEC_GEN_HIST_dopack(int num, int inSize, const void* in, int outSize, void* out);
std::uint32_t varBinArray(const void* array, int size, std::int64_t i);
int n_bytes_needed(std::uint32_t v);
void next_few_bins(std::int64_t remaining, int inSize, const std::uint8_t* in, int w,
                   std::int64_t* n, int* wNext);
// Whether inBytes of packed stream hold exactly num bins, no more bytes and no fewer.
bool zog_stream_ok(std::int64_t num, const std::uint8_t* in, std::int64_t inBytes);
// Bytes a packed stream of num bins may take at most.
inline std::int64_t zog_pack_bound(std::int64_t num) { return 7 * num + 3 * (num / 65535); }
