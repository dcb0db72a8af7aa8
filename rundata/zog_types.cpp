// zog_types.cpp -- the section types: the factory and each type's handler, which
// encodes, decodes, sizes, frees and prints its body.

#include <cstdlib>
#include <cstring>
#include <ctime>
#include <new>
#include <span>

#include "zog_local.h"

void ZOG_BYTES::reset()
{
    std::free(p);
    p = nullptr;
    cap = 0;
}

bool ZOG_BYTES::alloc(std::int64_t n)
{
    reset();
    if (n < 0 || n > zog_max_section || zog_fails(zs_data)) return false;
    p = static_cast<std::uint8_t*>(std::calloc(n > 0 ? static_cast<std::size_t>(n) : 1, 1));
    if (p == nullptr) return false;
    cap = static_cast<std::uint32_t>(n);
    return true;
}

void zog_print_time(const char* fmt, std::uint32_t t)
{
    const std::time_t tt = static_cast<std::time_t>(t);
    std::tm tm{};
    char text[64] = "";
    if (localtime_r(&tt, &tm) != nullptr) std::strftime(text, sizeof text, "%a %b %e %H:%M:%S %Y", &tm);
    std::printf(fmt, text);
}

namespace {

long L(std::uint32_t v) { return static_cast<long>(v); }

// A text line printed only when the field has a text.
void print_text(const char* fmt, const ZText& t)
{
    if (t) std::printf(fmt, t->c_str());
}

// A heads line: the label padded to the column where values begin.
void print_label(int width, const char* label, const ZText& t)
{
    if (t) std::printf("%-*s%s\n", width, label, t->c_str());
}

const char* text_or_empty(const ZText& t) { return t ? t->c_str() : ""; }

// A body of 4-byte integers, then VAX D reals, then texts; every typed body is
// such a list. Handles encode, decode, free and size; the printers are the types' own.
struct Fields {
    std::span<std::uint32_t* const> ints;
    std::span<double* const> reals;
    std::span<ZText* const> texts;
};

std::int64_t body_op(int op, ZOG_CURSOR* c, const Fields& f)
{
    switch (op) {
    case zop_encode:
        for (std::uint32_t* v : f.ints) encode_4(c, *v);
        for (double* v : f.reals) encode_double(c, v);
        for (ZText* t : f.texts) encode_str(c, t);
        return !c->bad;
    case zop_decode:
        for (std::uint32_t* v : f.ints) *v = decode_4(c);
        for (double* v : f.reals) decode_double(c, v);
        for (ZText* t : f.texts) decode_str(c, t);
        return !c->bad;
    case zop_free:
        for (ZText* t : f.texts) t->reset();
        return 1;
    case zop_size: {
        std::int64_t n = 4 * static_cast<std::int64_t>(f.ints.size()) +
                         8 * static_cast<std::int64_t>(f.reals.size());
        for (ZText* t : f.texts) n += str_size(*t);
        return n;
    }
    default: return 1;  // nothing to do for other codes
    }
}

// Body-less types: the plain section, the end-of-file section, unknown types.
std::int64_t bodyless_proc(int op, const char* show_line)
{
    if (op == zop_show) std::printf("%s", show_line);
    return op == zop_size ? 0 : 1;
}

std::int64_t sec_proc(int op, ZOG_CURSOR*, ZOG_SEC*) { return bodyless_proc(op, "  ZOG_SEC: \n"); }
std::int64_t eof_proc(int op, ZOG_CURSOR*, ZOG_SEC*) { return bodyless_proc(op, "  ZOG_EOF: \n"); }
std::int64_t unknown_proc(int op, ZOG_CURSOR*, ZOG_SEC*)
{
    return bodyless_proc(op, "  UNKNOWN ZOG SECTION: [] \n");
}

std::int64_t fixed_proc(int op, ZOG_CURSOR* c, ZOG_SEC* rec)
{
    auto* r = static_cast<ZOG_SEC_FIXED*>(rec);
    std::uint32_t* ints[] = {&r->fileSize, &r->formatID};
    switch (op) {
    case zop_show:
        std::printf("  ZOG_SEC_FIXED: fileSize=[%ld], formatID=[0x%08lX]\n", L(r->fileSize),
                    static_cast<unsigned long>(r->formatID));
        return 1;
    default: return body_op(op, c, {ints, {}, {}});
    }
}

std::int64_t grp_proc(int op, ZOG_CURSOR* c, ZOG_SEC* rec)
{
    auto* g = static_cast<ZOG_SEC_GRP*>(rec);
    switch (op) {
    case zop_encode:
        if (g->num != g->index.size()) return 0;  // the index must stand for every member
        encode_4(c, g->num);
        encode_4(c, g->memSize);
        for (ZOG_INDEX& e : g->index) ZOG_INDEX_proc(zop_encode, c, &e);
        return !c->bad;
    case zop_decode: {
        g->num = decode_4(c);
        g->memSize = decode_4(c);
        if (!cursor_room(c, 12 * static_cast<std::int64_t>(g->num))) return 0;  // before reserving
        if (zog_fails(zs_data)) { c->nomem = true; return 0; }
        g->index.resize(g->num);
        for (ZOG_INDEX& e : g->index) ZOG_INDEX_proc(zop_decode, c, &e);
        return !c->bad;
    }
    case zop_free:
        g->index.clear();
        ZOG_dropMembers(g);
        return 1;
    case zop_size: return 8 + 12 * static_cast<std::int64_t>(g->index.size());
    case zop_show:
        std::printf("  ZOG_SEC_GRP: num=[%ld], memSize=%ld\n", L(g->num), L(g->memSize));
        for (ZOG_INDEX& e : g->index) ZOG_INDEX_proc(zop_show, nullptr, &e);
        return 1;
    default: return 1;
    }
}

std::int64_t cmt_proc(int op, ZOG_CURSOR* c, ZOG_SEC* rec)
{
    auto* r = static_cast<ZOG_SEC_CMT*>(rec);
    ZText* texts[] = {&r->author, &r->title, &r->comment};
    std::uint32_t* ints[] = {&r->number, &r->prevReply, &r->nextReply, &r->time};
    switch (op) {
    case zop_show:
        std::printf("  ZOG_SEC_CMT: \n");
        std::printf("    number:[%ld],  prevReply:[%ld],  nextReply:[%ld]\n", L(r->number),
                    L(r->prevReply), L(r->nextReply));
        zog_print_time("    time:[%s]\n", r->time);
        print_text("    author:\"%s\"\n", r->author);
        print_text("    title:\"%s\"\n", r->title);
        print_text("    comment:\"%s\"\n", r->comment);
        return 1;
    case zop_heads:
        std::printf("Comment number %ld.     ", L(r->number));
        if (r->prevReply != 0) std::printf("  Re: #%ld.    ", L(r->prevReply));
        if (r->nextReply != 0) std::printf("  Next: #%ld.", L(r->nextReply));
        std::printf("\n    author: %s,     time: ", text_or_empty(r->author));
        zog_print_time("%s\n", r->time);
        print_text("    title: %s\n", r->title);
        print_text("%s\n", r->comment);
        return 1;
    default: return body_op(op, c, {ints, {}, texts});
    }
}

// ---- run descriptions: the generic and the Fub TI one share their head fields

template <class R>
struct TextRow {
    const char* name;  // the field's name, the label of show
    ZText R::*field;
};

using GenRow = TextRow<ZOG_SEC_GEN_RUN_DESC>;
using FubRow = TextRow<ZOG_SEC_FUB_TI_RUN_DESC>;
using GenD = ZOG_SEC_GEN_RUN_DESC;
using FubD = ZOG_SEC_FUB_TI_RUN_DESC;

// Texts in file order.
const GenRow gen_texts[] = {
    {"title", &GenD::title}, {"lab", &GenD::lab}, {"area", &GenD::area},
    {"method", &GenD::method}, {"apparatus", &GenD::apparatus}, {"insert", &GenD::insert},
    {"sample", &GenD::sample}, {"orient", &GenD::orient}, {"das", &GenD::das},
    {"experimenter", &GenD::experimenter}, {"temperature", &GenD::temperature},
    {"field", &GenD::field},
};
const FubRow fub_texts[] = {
    {"title", &FubD::title}, {"lab", &FubD::lab}, {"area", &FubD::area},
    {"method", &FubD::method}, {"apparatus", &FubD::apparatus}, {"insert", &FubD::insert},
    {"sample", &FubD::sample}, {"orient", &FubD::orient}, {"das", &FubD::das},
    {"experimenter", &FubD::experimenter}, {"subtitle", &FubD::subtitle},
    {"comment1", &FubD::comment1}, {"comment2", &FubD::comment2},
    {"comment3", &FubD::comment3},
};
// Heads order after the title, with labels.
const GenRow gen_heads[] = {
    {"  sample:", &GenD::sample}, {"  orient:", &GenD::orient},
    {"  temperature:", &GenD::temperature}, {"  field:", &GenD::field},
    {"  lab:", &GenD::lab}, {"  area:", &GenD::area}, {"  das:", &GenD::das},
    {"  apparatus:", &GenD::apparatus}, {"  insert:", &GenD::insert},
};
const FubRow fub_heads[] = {
    {"  sample:", &FubD::sample}, {"  orient:", &FubD::orient},
    {"  subtitle:", &FubD::subtitle}, {"  lab:", &FubD::lab}, {"  area:", &FubD::area},
    {"  das:", &FubD::das}, {"  apparatus:", &FubD::apparatus},
    {"  insert:", &FubD::insert}, {"  comment1:", &FubD::comment1},
    {"  comment2:", &FubD::comment2}, {"  comment3:", &FubD::comment3},
};

// The heads summary; width is the column where values begin (15 generic, 16 Fub TI).
template <class R, std::size_t N>
void run_desc_heads(R* r, int width, const TextRow<R> (&rows)[N])
{
    std::printf("%-*s%ld\n", width, "Run number:", L(r->runNumber));
    std::printf("%-*s%ld\n", width, "  exper num:", L(r->exptNumber));
    print_label(width, "  operator:", r->experimenter);
    print_label(width, "  method:", r->method);
    std::printf("%-*s", width, "  began:");
    zog_print_time("%s\n", r->timeBegin);
    std::printf("%-*s", width, "  ended:");
    zog_print_time("%s\n", r->timeEnd);
    const std::uint32_t s = r->elapsedSec;
    std::printf("%-*s%ld:%.2d:%.2d   (%ld seconds)\n", width, "  elapsed:", L(s / 3600),
                static_cast<int>(s / 60 % 60), static_cast<int>(s % 60), L(s));
    if (r->title) {
        const std::size_t n = r->title->size();
        if (width == 15 && n >= 64 && n <= 79)
            std::printf("  title:\n%s\n", r->title->c_str());  // a long title on its own line
        else
            print_label(width, "  title:", r->title);
    }
    for (const TextRow<R>& row : rows) print_label(width, row.name, r->*row.field);
}

template <class R, std::size_t N, std::size_t H>
std::int64_t run_desc_proc(int op, ZOG_CURSOR* c, R* r, const TextRow<R> (&texts)[N],
                           const char* heading, int width, const TextRow<R> (&heads)[H])
{
    std::uint32_t* ints[] = {&r->exptNumber, &r->runNumber, &r->timeBegin, &r->timeEnd,
                             &r->elapsedSec};
    ZText* fields[N];
    for (std::size_t i = 0; i < N; ++i) fields[i] = &(r->*texts[i].field);
    switch (op) {
    case zop_show:
        std::printf("  %s: expt:[%ld], run:[%ld]\n", heading, L(r->exptNumber), L(r->runNumber));
        zog_print_time("    timeBegin:[%s]\n", r->timeBegin);
        zog_print_time("    timeEnd:[%s]\n", r->timeEnd);
        std::printf("    elapsedSec:[%ld]\n", L(r->elapsedSec));
        for (const TextRow<R>& t : texts)
            if (r->*t.field) std::printf("    %s:\"%s\"\n", t.name, (r->*t.field)->c_str());
        return 1;
    case zop_heads: run_desc_heads(r, width, heads); return 1;
    default: return body_op(op, c, {ints, {}, fields});
    }
}

std::int64_t gen_run_desc_proc(int op, ZOG_CURSOR* c, ZOG_SEC* rec)
{
    return run_desc_proc(op, c, static_cast<GenD*>(rec), gen_texts, "ZOG_SEC_GEN_RUN_DESC", 15,
                         gen_heads);
}

std::int64_t fub_run_desc_proc(int op, ZOG_CURSOR* c, ZOG_SEC* rec)
{
    return run_desc_proc(op, c, static_cast<FubD*>(rec), fub_texts, "ZOG_SEC_FUB_TI_RUN_DESC", 16,
                         fub_heads);
}

// ---- histograms

void print_ns_per_bin(std::uint32_t code)
{
    // Codes 0-15 print with six decimals: with none, every width below half a
    // nanosecond would read as 0.
    if (code <= 15)
        std::printf("ns_per_Bin: %lf\n", 0.078125 * static_cast<double>(1U << code));
    else if (code <= 28)
        std::printf("ns_per_Bin: %.9lf\n", 0.048828125 * static_cast<double>(1U << (code - 16)));
    else
        std::printf("ns_per_Bin: %lf\n", code * 0.000001);
}

std::int64_t hist_hdr_proc(int op, ZOG_CURSOR* c, ZOG_SEC* rec)
{
    auto* r = static_cast<ZOG_SEC_GEN_HIST_HDR*>(rec);
    std::uint32_t* ints[] = {&r->histType, &r->nBytes,   &r->nBins,    &r->bytesPerBin,
                             &r->fsPerBin, &r->t0_ps,    &r->t0_bin,   &r->goodBin1,
                             &r->goodBin2, &r->bkgd1,    &r->bkgd2,    &r->nEvents};
    ZText* texts[] = {&r->title};
    switch (op) {
    case zop_show:
        std::printf("  ZOG_SEC_GEN_HIST_HDR: histType:[0x%08lX]\n",
                    static_cast<unsigned long>(r->histType));
        std::printf("    nBytes:[%ld], nBins:[%ld], nEvents:[%ld]\n", L(r->nBytes), L(r->nBins),
                    L(r->nEvents));
        std::printf("    bytesPerBin:[%ld], fsPerBin:[%ld], t0_ps:[%ld], t0_bin:[%ld]\n",
                    L(r->bytesPerBin), L(r->fsPerBin), L(r->t0_ps), L(r->t0_bin));
        std::printf("    goodBin1:[%ld], goodBin2:[%ld], bkgd1:[%ld], bkgd2:[%ld]\n",
                    L(r->goodBin1), L(r->goodBin2), L(r->bkgd1), L(r->bkgd2));
        print_text("    title:\"%s\"\n", r->title);
        return 1;
    case zop_heads:
        print_text("Hist title: %s\n", r->title);
        std::printf("  nBins: %ld,  nEvents: %ld,  ", L(r->nBins), L(r->nEvents));
        print_ns_per_bin(r->fsPerBin);
        std::printf("  t0_ps: %ld,  t0_bin: %ld\n", L(r->t0_ps), L(r->t0_bin));
        std::printf("  goodBin1: %ld,  goodBin2: %ld,  bkgd1: %ld,  bkgd2: %ld\n",
                    L(r->goodBin1), L(r->goodBin2), L(r->bkgd1), L(r->bkgd2));
        return 1;
    default: return body_op(op, c, {ints, {}, texts});
    }
}

std::int64_t hist_dat_proc(int op, ZOG_CURSOR* c, ZOG_SEC* rec)
{
    auto* r = static_cast<ZOG_SEC_GEN_HIST_DAT*>(rec);
    switch (op) {
    case zop_encode:
        if (r->nBytes > r->pData.cap) return 0;
        encode_4(c, r->nBytes);
        encode_bytes(c, r->pData.p, r->nBytes);
        return !c->bad;
    case zop_decode: {
        const std::uint32_t n = decode_4(c);
        if (!cursor_room(c, n)) return 0;
        if (!r->pData.alloc(n)) { c->nomem = true; return 0; }
        decode_bytes(c, r->pData.p, n);
        r->nBytes = n;
        return !c->bad;
    }
    case zop_free: r->pData.reset(); r->nBytes = 0; return 1;
    case zop_size: return 4 + static_cast<std::int64_t>(r->nBytes);
    case zop_show: std::printf("  ZOG_SEC_GEN_HIST_DAT: nBytes:[%ld]\n", L(r->nBytes)); return 1;
    default: return 1;
    }
}

std::int64_t scaler_proc(int op, ZOG_CURSOR* c, ZOG_SEC* rec)
{
    auto* r = static_cast<ZOG_SEC_GEN_SCALER*>(rec);
    std::uint32_t* ints[] = {&r->counts[0], &r->counts[1]};
    ZText* texts[] = {&r->label};
    switch (op) {
    case zop_show:
        std::printf("  ZOG_SEC_GEN_SCALER: counts[1]:[%ld], counts[0]:[%ld]\n", L(r->counts[1]),
                    L(r->counts[0]));
        print_text("    label:\"%s\"\n", r->label);
        return 1;
    case zop_heads:
        std::printf("  Scaler ");
        if (r->label) std::printf("%8s", r->label->c_str());
        else std::printf("???     ");
        std::printf("  total: %11ld,  recent: %ld\n", L(r->counts[0]), L(r->counts[1]));
        return 1;
    default: return body_op(op, c, {ints, {}, texts});
    }
}

std::int64_t ind_var_proc(int op, ZOG_CURSOR* c, ZOG_SEC* rec)
{
    auto* r = static_cast<ZOG_SEC_GEN_IND_VAR*>(rec);
    double* reals[] = {&r->low, &r->high, &r->mean, &r->stddev, &r->skewness};
    ZText* texts[] = {&r->name, &r->description, &r->units};
    switch (op) {
    case zop_show:
        std::printf("  ZOG_SEC_GEN_IND_VAR: \n");
        std::printf("    mean:[%.10f], stddev:[%.10f], skewness:[%.10f]\n", r->mean, r->stddev,
                    r->skewness);
        std::printf("    low:[%.10f], high:[%.10f]\n", r->low, r->high);
        print_text("    name:\"%s\"\n", r->name);
        print_text("    description:\"%s\"\n", r->description);
        print_text("    units:\"%s\"\n", r->units);
        return 1;
    case zop_heads:
        print_text("Independent variable: %s\n", r->name);
        print_text("  description: %s\n", r->description);
        std::printf("  mean: %.9lf,  stddev: %.9lf,  skewness: %.9lf\n", r->mean, r->stddev,
                    r->skewness);
        std::printf("  low:  %.9lf,  high:   %.9lf,  ", r->low, r->high);
        std::printf("units: %s\n", text_or_empty(r->units));
        return 1;
    default: return body_op(op, c, {{}, reals, texts});
    }
}

// Whether an array's shape has a layout and its byte count is the one that
// layout gives; other types hold no data.
bool array_shape_ok(const ZOG_SEC_GEN_ARRAY* r)
{
    if (r->type < 1 || r->type > 3) return r->nBytes == 0;
    if (!zog_array_layout(r->type, r->elemSize)) return false;
    const std::uint64_t want = static_cast<std::uint64_t>(r->num) * r->elemSize;  // no overflow: both below 2^32
    return (r->type == 1 && r->elemSize == 0) || r->nBytes == want;
}

std::int64_t array_proc(int op, ZOG_CURSOR* c, ZOG_SEC* rec)
{
    auto* r = static_cast<ZOG_SEC_GEN_ARRAY*>(rec);
    std::uint32_t* ints[] = {&r->num, &r->elemSize, &r->type, &r->hasTime, &r->nBytes};
    const std::int64_t times = r->hasTime != 0 ? 4 * static_cast<std::int64_t>(r->num) : 0;
    switch (op) {
    case zop_encode:
        if (!zog_array_data_ok(r) || !zog_array_times_ok(r)) return 0;
        for (std::uint32_t* v : ints) encode_4(c, *v);
        if (r->type == 2) {
            for (std::uint32_t i = 0; i < r->num; ++i) {
                if (r->elemSize == 4) {
                    float v;
                    std::memcpy(&v, r->pData.p + 4 * static_cast<std::size_t>(i), 4);
                    encode_float(c, &v);
                } else {
                    double v;
                    std::memcpy(&v, r->pData.p + 8 * static_cast<std::size_t>(i), 8);
                    encode_double(c, &v);
                }
            }
        } else if (r->type == 1 || r->type == 3) {
            encode_bytes(c, r->pData.p, r->nBytes);
        }
        for (std::int64_t i = 0; i < times / 4; ++i) {
            std::uint32_t t;
            std::memcpy(&t, r->pTimeData.p + 4 * i, 4);
            encode_4(c, t);
        }
        return !c->bad;
    case zop_decode: {
        for (std::uint32_t* v : ints) *v = decode_4(c);
        const std::int64_t nt = r->hasTime != 0 ? 4 * static_cast<std::int64_t>(r->num) : 0;
        if (c->bad || !array_shape_ok(r) || !cursor_room(c, r->nBytes + nt)) return 0;
        if (!r->pData.alloc(r->nBytes)) { c->nomem = true; return 0; }
        if (r->type == 2) {
            for (std::uint32_t i = 0; i < r->num; ++i) {
                if (r->elemSize == 4) {
                    float v = 0;
                    decode_float(c, &v);
                    std::memcpy(r->pData.p + 4 * static_cast<std::size_t>(i), &v, 4);
                } else {
                    double v = 0;
                    decode_double(c, &v);
                    std::memcpy(r->pData.p + 8 * static_cast<std::size_t>(i), &v, 8);
                }
            }
        } else if (r->type == 1 || r->type == 3) {
            decode_bytes(c, r->pData.p, r->nBytes);
        }
        if (!zog_array_data_ok(r)) return 0;  // a packed stream that does not hold num elements
        if (nt > 0) {
            if (!r->pTimeData.alloc(nt)) { c->nomem = true; return 0; }
            for (std::int64_t i = 0; i < nt / 4; ++i) {
                const std::uint32_t t = decode_4(c);
                std::memcpy(r->pTimeData.p + 4 * i, &t, 4);
            }
        }
        return !c->bad;
    }
    case zop_free: r->pData.reset(); r->pTimeData.reset(); return 1;
    case zop_size: return 20 + static_cast<std::int64_t>(r->nBytes) + times;
    case zop_show:
        std::printf("  ZOG_SEC_GEN_ARRAY: \n");
        std::printf("    num:[%ld], elemSize:[%ld], type:[%ld], hasTime:[%ld], nBytes:[%ld]\n",
                    L(r->num), L(r->elemSize), L(r->type), L(r->hasTime), L(r->nBytes));
        return 1;
    default: return 1;
    }
}

template <class R>
ZOG_SEC* make(ZOG_PROC proc)
{
    R* r = new (std::nothrow) R();
    if (r == nullptr) return nullptr;
    r->recordSize = static_cast<std::int32_t>(sizeof(R));
    r->proc = proc;
    return r;
}

}  // namespace

bool zog_array_layout(std::uint32_t type, std::uint32_t elemSize)
{
    switch (type) {
    case 1: return elemSize == 0 || elemSize == 1 || elemSize == 2 || elemSize == 4;
    case 2: return elemSize == 4 || elemSize == 8;
    case 3: return true;
    default: return false;
    }
}

bool zog_array_data_ok(const ZOG_SEC_GEN_ARRAY* r)
{
    if (!array_shape_ok(r) || r->nBytes > r->pData.cap) return false;
    return r->type != 1 || r->elemSize != 0 || zog_stream_ok(r->num, r->pData.p, r->nBytes);
}

bool zog_array_times_ok(const ZOG_SEC_GEN_ARRAY* r)
{
    return r->hasTime == 0 || 4 * static_cast<std::int64_t>(r->num) <= r->pTimeData.cap;
}

std::string zog_refusal(const ZOG_SEC* rec)
{
    if (rec == nullptr) return "out of memory";
    char head[64];
    std::snprintf(head, sizeof head, "section 0x%08lX %lu: ", static_cast<unsigned long>(rec->secID),
                  static_cast<unsigned long>(rec->instanceID));
    std::string why;
    if (rec->damaged) {
        why = "it was read damaged";
    } else if (rec->secID == ZOG_ID_GEN_ARRAY) {
        const auto* a = static_cast<const ZOG_SEC_GEN_ARRAY*>(rec);
        char t[200];
        const auto u = [](std::uint32_t v) { return static_cast<unsigned long>(v); };
        if (!zog_array_times_ok(a))
            std::snprintf(t, sizeof t, "%lu times need %lu bytes, %lu held", u(a->num), 4 * u(a->num),
                          u(a->pTimeData.cap));
        else if (a->nBytes > a->pData.cap)
            std::snprintf(t, sizeof t, "it claims %lu bytes of data, %lu held", u(a->nBytes), u(a->pData.cap));
        else if (a->type == 1 && a->elemSize == 0)
            std::snprintf(t, sizeof t, "its %lu bytes of packed data do not hold %lu elements", u(a->nBytes), u(a->num));
        else
            std::snprintf(t, sizeof t, "%lu elements of type %lu and %lu bytes cannot be %lu bytes of data",
                          u(a->num), u(a->type), u(a->elemSize), u(a->nBytes));
        why = t;
    } else if (rec->secID == ZOG_ID_GRP) {
        why = "its index does not stand for its members";
    } else {
        why = "it cannot be encoded (a text beyond 65535 bytes, data beyond its buffer, or a file beyond 2 GiB)";
    }
    return head + why;
}

ZOG_SEC* ZOG_new(std::uint32_t secID, std::uint32_t instanceID)
{
    if (zog_fails(zs_new_record)) return nullptr;
    ZOG_SEC* r = nullptr;
    switch (secID) {
    case ZOG_ID_SEC: r = make<ZOG_SEC>(sec_proc); break;
    case ZOG_ID_FIXED: r = make<ZOG_SEC_FIXED>(fixed_proc); break;
    case ZOG_ID_GRP: r = make<ZOG_SEC_GRP>(grp_proc); break;
    case ZOG_ID_EOF: r = make<ZOG_SEC>(eof_proc); break;
    case ZOG_ID_CMT: r = make<ZOG_SEC_CMT>(cmt_proc); break;
    case ZOG_ID_GEN_RUN_DESC: r = make<ZOG_SEC_GEN_RUN_DESC>(gen_run_desc_proc); break;
    case ZOG_ID_GEN_HIST_HDR: r = make<ZOG_SEC_GEN_HIST_HDR>(hist_hdr_proc); break;
    case ZOG_ID_GEN_HIST_DAT: r = make<ZOG_SEC_GEN_HIST_DAT>(hist_dat_proc); break;
    case ZOG_ID_GEN_SCALER: r = make<ZOG_SEC_GEN_SCALER>(scaler_proc); break;
    case ZOG_ID_GEN_IND_VAR: r = make<ZOG_SEC_GEN_IND_VAR>(ind_var_proc); break;
    case ZOG_ID_GEN_ARRAY: r = make<ZOG_SEC_GEN_ARRAY>(array_proc); break;
    case ZOG_ID_FUB_TI_RUN_DESC: r = make<ZOG_SEC_FUB_TI_RUN_DESC>(fub_run_desc_proc); break;
    default: r = make<ZOG_SEC>(unknown_proc); break;
    }
    if (r != nullptr) {
        r->secID = secID;
        r->instanceID = instanceID;
    }
    return r;
}

std::int64_t ZOG_CORE_proc(int op, ZOG_CURSOR* c, ZOG_SEC* core)
{
    switch (op) {
    case zop_encode:
        encode_4(c, core->size); encode_4(c, core->secID); encode_4(c, core->instanceID);
        return !c->bad;
    case zop_decode:
        core->size = decode_4(c); core->secID = decode_4(c); core->instanceID = decode_4(c);
        return !c->bad;
    case zop_size: return 12;
    case zop_show:
        std::printf("  CORE: size=[%ld], secID=[0x%08lX], instanceID=[0x%08lX]\n", L(core->size),
                    static_cast<unsigned long>(core->secID),
                    static_cast<unsigned long>(core->instanceID));
        return 1;
    default: return 1;
    }
}

std::int64_t ZOG_INDEX_proc(int op, ZOG_CURSOR* c, ZOG_INDEX* e)
{
    switch (op) {
    case zop_encode:
        encode_4(c, e->offset); encode_4(c, e->secID); encode_4(c, e->instanceID);
        return !c->bad;
    case zop_decode:
        e->offset = decode_4(c); e->secID = decode_4(c); e->instanceID = decode_4(c);
        return !c->bad;
    case zop_size: return 12;
    case zop_show:
        std::printf("  INDEX: offset=[%ld], secID=[0x%08lX], instanceID=[0x%08lX]\n", L(e->offset),
                    static_cast<unsigned long>(e->secID), static_cast<unsigned long>(e->instanceID));
        return 1;
    default: return 1;
    }
}
