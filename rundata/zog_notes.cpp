// zog_notes.cpp -- run files by handle, continued: comments and independent
// variables (summaries, and arrays of logged values with their times).

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "zog.h"
#include "zog_handle_local.h"

namespace {

// Kinds of the groups the library itself knows; a comments group has none of them.
bool known_kind(std::uint32_t k)
{
    return k == static_cast<std::uint32_t>(ZOG_HIST_GRP_GENERIC) ||
           k == static_cast<std::uint32_t>(ZOG_HIST_GRP_FUB_TI) ||
           k == static_cast<std::uint32_t>(ZOG_SCALER_GRP) || k == ZOG_KIND_IND_VAR ||
           k == ZOG_KIND_IND_VAR_ARRAY;
}

// The comments group: the first group of the head that holds comments and
// nothing else; only when there is none, the first empty group whose kind is
// no other group's (a comments group made with no comments yet).
ZOG_SEC_GRP* comments_group(Slot* s)
{
    if (s == nullptr) return nullptr;
    ZOG_SEC_GRP* empty = nullptr;
    for (ZOG_SEC* m = s->head->members; m != nullptr; m = m->next) {
        ZOG_SEC_GRP* g = as_group(m);
        if (g == nullptr) continue;
        if (g->members == nullptr) {
            if (empty == nullptr && !known_kind(g->instanceID)) empty = g;
            continue;
        }
        bool all = true;
        for (ZOG_SEC* c = g->members; c != nullptr && all; c = c->next) all = c->secID == ZOG_ID_CMT;
        if (all) return g;
    }
    return empty;
}

ZOG_SEC_CMT* comment_of(int fh, int n)
{
    return static_cast<ZOG_SEC_CMT*>(
        zog_member(comments_group(zog_slot(fh)), ZOG_ID_CMT, static_cast<std::uint32_t>(n)));
}

ZOG_SEC_GRP* ind_var_group(Slot* s)
{
    if (s == nullptr) return nullptr;
    return as_group(zog_member(s->head, ZOG_ID_GRP, zog_is_fub(s) ? ZOG_KIND_IND_VAR_ARRAY : ZOG_KIND_IND_VAR));
}

ZOG_SEC_GEN_IND_VAR* summary_of(int fh, int n)
{
    return static_cast<ZOG_SEC_GEN_IND_VAR*>(
        zog_member(ind_var_group(zog_slot(fh)), ZOG_ID_GEN_IND_VAR, static_cast<std::uint32_t>(n)));
}

ZOG_SEC_GEN_ARRAY* array_of(int fh, int n)
{
    return static_cast<ZOG_SEC_GEN_ARRAY*>(
        zog_member(ind_var_group(zog_slot(fh)), ZOG_ID_GEN_ARRAY, static_cast<std::uint32_t>(n)));
}

using CmtInt = std::uint32_t ZOG_SEC_CMT::*;
using CmtText = ZText ZOG_SEC_CMT::*;
using VarReal = double ZOG_SEC_GEN_IND_VAR::*;
using VarText = ZText ZOG_SEC_GEN_IND_VAR::*;
using ArrInt = std::uint32_t ZOG_SEC_GEN_ARRAY::*;

int get_cmt_int(int fh, int n, CmtInt f, int* v) { return zog_guard([&] { return zog_get_int(comment_of(fh, n), f, v); }); }
int set_cmt_int(int fh, int n, CmtInt f, int v) { return zog_guard([&] { return zog_set_int(comment_of(fh, n), f, v); }); }
int get_cmt_text(int fh, int n, CmtText f, char* b, int len)
{
    return zog_guard([&] { return zog_get_text_field(comment_of(fh, n), f, b, len); });
}
int set_cmt_text(int fh, int n, CmtText f, const char* t)
{
    return zog_guard([&] { return zog_set_text_field(comment_of(fh, n), f, t); });
}

int get_var_real(int fh, int n, VarReal f, double* v)
{
    ZOG_SEC_GEN_IND_VAR* r = summary_of(fh, n);
    if (r == nullptr || v == nullptr) return 0;
    *v = r->*f;
    return 1;
}
int set_var_real(int fh, int n, VarReal f, double v)
{
    ZOG_SEC_GEN_IND_VAR* r = summary_of(fh, n);
    if (r == nullptr) return 0;
    r->*f = v;
    return 1;
}
int get_var_text(int fh, int n, VarText f, char* b, int len)
{
    return zog_guard([&] { return zog_get_text_field(summary_of(fh, n), f, b, len); });
}
int set_var_text(int fh, int n, VarText f, const char* t)
{
    return zog_guard([&] { return zog_set_text_field(summary_of(fh, n), f, t); });
}
int get_arr_int(int fh, int n, ArrInt f, int* v) { return zog_guard([&] { return zog_get_int(array_of(fh, n), f, v); }); }

// What an array holds can still be written: its data (when it has some) has
// the layout of its shape, its times (when it has them) are num.
bool held_ok(const ZOG_SEC_GEN_ARRAY* a)
{
    return (a->pData.p == nullptr || zog_array_data_ok(a)) && zog_array_times_ok(a);
}

// Why an array of a type that holds data (1 to 3) cannot have its element
// size; empty when it can. The encoder would refuse such an array whole.
std::string layout_refusal(const ZOG_SEC_GEN_ARRAY* a)
{
    if (a->type < 1 || a->type > 3 || zog_array_layout(a->type, a->elemSize)) return {};
    char t[160];
    std::snprintf(t, sizeof t, "section 0x%08lX %lu: elements of type %lu cannot be %lu bytes (%s)",
                  static_cast<unsigned long>(a->secID), static_cast<unsigned long>(a->instanceID),
                  static_cast<unsigned long>(a->type), static_cast<unsigned long>(a->elemSize),
                  a->type == 1 ? "integers: 1, 2 or 4, or 0 packed" : "reals: 4 or 8");
    return t;
}

// A shape field; refused when the shape would have no layout (set the element
// size of reals before their type) or the data or times held would no longer
// fit it, with the array left as it was.
int set_arr_shape(int fh, int n, ArrInt f, int v)
{
    return zog_guard([&] {
        ZOG_SEC_GEN_ARRAY* a = array_of(fh, n);
        if (a == nullptr) return 0;
        const std::uint32_t old = a->*f;
        a->*f = static_cast<std::uint32_t>(v);
        const std::string no_layout = layout_refusal(a);
        if (no_layout.empty() && held_ok(a)) return 1;
        a->*f = old;
        if (!no_layout.empty()) zog_refused(no_layout);
        return 0;
    });
}

// Takes a caller's buffer as an array's data or times (nBytes of them) unless
// the array could then not be written; a refused buffer stays the caller's.
int take_array_buffer(ZOG_SEC_GEN_ARRAY* a, ZOG_BYTES ZOG_SEC_GEN_ARRAY::*which, void* p, int nBytes)
{
    if (a == nullptr || nBytes < 0 || (p == nullptr && nBytes > 0)) return 0;
    ZOG_BYTES& b = a->*which;
    const bool data = which == &ZOG_SEC_GEN_ARRAY::pData;
    std::uint8_t* const old_p = b.p;
    const std::uint32_t old_cap = b.cap, old_n = a->nBytes;
    b.p = static_cast<std::uint8_t*>(p);
    b.cap = static_cast<std::uint32_t>(nBytes);
    if (data) a->nBytes = b.cap;
    if (!held_ok(a)) {
        b.p = old_p;
        b.cap = old_cap;
        a->nBytes = old_n;
        return 0;
    }
    if (old_p != b.p) std::free(old_p);
    return 1;
}

// Bytes of num elements of size bytes, in 64 bits (both counts are below 2^32).
std::int64_t bytes_of(std::uint32_t num, std::uint32_t size)
{
    return static_cast<std::int64_t>(static_cast<std::uint64_t>(num) * size > 0x7FFFFFFFFFFFULL
                                         ? 0x7FFFFFFFFFFFLL
                                         : static_cast<std::uint64_t>(num) * size);
}

}  // namespace

// ---- comments

extern "C" int ZOG_getComments(int fh, int* type, int* num) noexcept
{
    return zog_get_group(comments_group(zog_slot(fh)), type, num, 1);
}

extern "C" int ZOG_setComments(int fh, int type, int num) noexcept
{
    return zog_guard([&] {
        Slot* s = zog_slot(fh);
        if (s == nullptr || comments_group(s) != nullptr) return 0;  // one comments group a file
        return zog_add_group(s, static_cast<std::uint32_t>(type), num, {ZOG_ID_CMT});
    });
}

// clang-format off
extern "C" int ZOG_getCommentPrev(int fh, int n, int* v) noexcept { return get_cmt_int(fh, n, &ZOG_SEC_CMT::prevReply, v); }
extern "C" int ZOG_setCommentPrev(int fh, int n, int v) noexcept  { return set_cmt_int(fh, n, &ZOG_SEC_CMT::prevReply, v); }
extern "C" int ZOG_getCommentNext(int fh, int n, int* v) noexcept { return get_cmt_int(fh, n, &ZOG_SEC_CMT::nextReply, v); }
extern "C" int ZOG_setCommentNext(int fh, int n, int v) noexcept  { return set_cmt_int(fh, n, &ZOG_SEC_CMT::nextReply, v); }
extern "C" int ZOG_getCommentTime(int fh, int n, int* v) noexcept { return get_cmt_int(fh, n, &ZOG_SEC_CMT::time, v); }
extern "C" int ZOG_setCommentTime(int fh, int n, int v) noexcept  { return set_cmt_int(fh, n, &ZOG_SEC_CMT::time, v); }
extern "C" int ZOG_getCommentAuthor(int fh, int n, char* b, int l) noexcept  { return get_cmt_text(fh, n, &ZOG_SEC_CMT::author, b, l); }
extern "C" int ZOG_setCommentAuthor(int fh, int n, const char* t) noexcept   { return set_cmt_text(fh, n, &ZOG_SEC_CMT::author, t); }
extern "C" int ZOG_getCommentTitle(int fh, int n, char* b, int l) noexcept   { return get_cmt_text(fh, n, &ZOG_SEC_CMT::title, b, l); }
extern "C" int ZOG_setCommentTitle(int fh, int n, const char* t) noexcept    { return set_cmt_text(fh, n, &ZOG_SEC_CMT::title, t); }
extern "C" int ZOG_getCommentBody(int fh, int n, char* b, int l) noexcept    { return get_cmt_text(fh, n, &ZOG_SEC_CMT::comment, b, l); }
extern "C" int ZOG_setCommentBody(int fh, int n, const char* t) noexcept     { return set_cmt_text(fh, n, &ZOG_SEC_CMT::comment, t); }
// clang-format on

// ---- independent variables

extern "C" int ZOG_getIndVars(int fh, int* type, int* num) noexcept
{
    const ZOG_SEC_GRP* g = ind_var_group(zog_slot(fh));
    return zog_get_group(g, type, num, g != nullptr && g->instanceID == ZOG_KIND_IND_VAR_ARRAY ? 2 : 1);
}

extern "C" int ZOG_setIndVars(int fh, int type, int num) noexcept
{
    return zog_guard([&] {
        const auto kind = static_cast<std::uint32_t>(type);
        if (kind == ZOG_KIND_IND_VAR_ARRAY)
            return zog_add_group(zog_slot(fh), kind, num, {ZOG_ID_GEN_IND_VAR, ZOG_ID_GEN_ARRAY});
        return zog_add_group(zog_slot(fh), kind, num, {ZOG_ID_GEN_IND_VAR});
    });
}

// clang-format off
extern "C" int ZOG_getIndVarLow(int fh, int n, double* v) noexcept      { return get_var_real(fh, n, &ZOG_SEC_GEN_IND_VAR::low, v); }
extern "C" int ZOG_setIndVarLow(int fh, int n, double v) noexcept       { return set_var_real(fh, n, &ZOG_SEC_GEN_IND_VAR::low, v); }
extern "C" int ZOG_getIndVarHigh(int fh, int n, double* v) noexcept     { return get_var_real(fh, n, &ZOG_SEC_GEN_IND_VAR::high, v); }
extern "C" int ZOG_setIndVarHigh(int fh, int n, double v) noexcept      { return set_var_real(fh, n, &ZOG_SEC_GEN_IND_VAR::high, v); }
extern "C" int ZOG_getIndVarMean(int fh, int n, double* v) noexcept     { return get_var_real(fh, n, &ZOG_SEC_GEN_IND_VAR::mean, v); }
extern "C" int ZOG_setIndVarMean(int fh, int n, double v) noexcept      { return set_var_real(fh, n, &ZOG_SEC_GEN_IND_VAR::mean, v); }
extern "C" int ZOG_getIndVarStddev(int fh, int n, double* v) noexcept   { return get_var_real(fh, n, &ZOG_SEC_GEN_IND_VAR::stddev, v); }
extern "C" int ZOG_setIndVarStddev(int fh, int n, double v) noexcept    { return set_var_real(fh, n, &ZOG_SEC_GEN_IND_VAR::stddev, v); }
extern "C" int ZOG_getIndVarSkewness(int fh, int n, double* v) noexcept { return get_var_real(fh, n, &ZOG_SEC_GEN_IND_VAR::skewness, v); }
extern "C" int ZOG_setIndVarSkewness(int fh, int n, double v) noexcept  { return set_var_real(fh, n, &ZOG_SEC_GEN_IND_VAR::skewness, v); }
extern "C" int ZOG_getIndVarName(int fh, int n, char* b, int l) noexcept        { return get_var_text(fh, n, &ZOG_SEC_GEN_IND_VAR::name, b, l); }
extern "C" int ZOG_setIndVarName(int fh, int n, const char* t) noexcept         { return set_var_text(fh, n, &ZOG_SEC_GEN_IND_VAR::name, t); }
extern "C" int ZOG_getIndVarDescription(int fh, int n, char* b, int l) noexcept { return get_var_text(fh, n, &ZOG_SEC_GEN_IND_VAR::description, b, l); }
extern "C" int ZOG_setIndVarDescription(int fh, int n, const char* t) noexcept  { return set_var_text(fh, n, &ZOG_SEC_GEN_IND_VAR::description, t); }
extern "C" int ZOG_getIndVarUnits(int fh, int n, char* b, int l) noexcept       { return get_var_text(fh, n, &ZOG_SEC_GEN_IND_VAR::units, b, l); }
extern "C" int ZOG_setIndVarUnits(int fh, int n, const char* t) noexcept        { return set_var_text(fh, n, &ZOG_SEC_GEN_IND_VAR::units, t); }
extern "C" int ZOG_getIndVarNumData(int fh, int n, int* v) noexcept  { return get_arr_int(fh, n, &ZOG_SEC_GEN_ARRAY::num, v); }
extern "C" int ZOG_setIndVarNumData(int fh, int n, int v) noexcept   { return set_arr_shape(fh, n, &ZOG_SEC_GEN_ARRAY::num, v); }
extern "C" int ZOG_getIndVarElemSize(int fh, int n, int* v) noexcept { return get_arr_int(fh, n, &ZOG_SEC_GEN_ARRAY::elemSize, v); }
extern "C" int ZOG_setIndVarElemSize(int fh, int n, int v) noexcept  { return set_arr_shape(fh, n, &ZOG_SEC_GEN_ARRAY::elemSize, v); }
extern "C" int ZOG_getIndVarDataType(int fh, int n, int* v) noexcept { return get_arr_int(fh, n, &ZOG_SEC_GEN_ARRAY::type, v); }
extern "C" int ZOG_setIndVarDataType(int fh, int n, int v) noexcept  { return set_arr_shape(fh, n, &ZOG_SEC_GEN_ARRAY::type, v); }
extern "C" int ZOG_getIndVarHasTime(int fh, int n, int* v) noexcept  { return get_arr_int(fh, n, &ZOG_SEC_GEN_ARRAY::hasTime, v); }
// clang-format on

extern "C" int ZOG_getIndVarpData(int fh, int n, void** pData, int* nBytes) noexcept
{
    ZOG_SEC_GEN_ARRAY* a = array_of(fh, n);
    return a == nullptr ? 0 : zog_get_buffer(a->pData, a->nBytes, pData, nBytes);
}

extern "C" int ZOG_setIndVarpData(int fh, int n, void* pData, int nBytes) noexcept
{
    return take_array_buffer(array_of(fh, n), &ZOG_SEC_GEN_ARRAY::pData, pData, nBytes);
}

extern "C" int ZOG_getIndVarpTimeData(int fh, int n, void** pTimeData, int* nBytes) noexcept
{
    ZOG_SEC_GEN_ARRAY* a = array_of(fh, n);
    return a == nullptr ? 0 : zog_get_buffer(a->pTimeData, a->pTimeData.cap, pTimeData, nBytes);
}

extern "C" int ZOG_setIndVarpTimeData(int fh, int n, void* pTimeData, int nBytes) noexcept
{
    return take_array_buffer(array_of(fh, n), &ZOG_SEC_GEN_ARRAY::pTimeData, pTimeData, nBytes);
}

extern "C" int ZOG_getIndVarData(int fh, int n, void* data, int bufBytes) noexcept
{
    const ZOG_SEC_GEN_ARRAY* a = array_of(fh, n);
    if (a == nullptr || data == nullptr || !zog_array_layout(a->type, a->elemSize) || !zog_array_data_ok(a)) return 0;
    if (a->type == 1 && a->elemSize == 0) {  // packed integers, fetched as 4-byte ones
        if (bytes_of(a->num, 4) > bufBytes || a->num > 0x7FFFFFFF) return 0;
        ZOG_unpack(static_cast<int>(a->num), 0, a->pData.p, 4, data);
        return 1;
    }
    const std::int64_t n_bytes = bytes_of(a->num, a->elemSize);
    if (n_bytes > bufBytes) return 0;
    if (n_bytes > 0) std::memcpy(data, a->pData.p, static_cast<std::size_t>(n_bytes));
    return 1;
}

extern "C" int ZOG_setIndVarData(int fh, int n, const void* data) noexcept
{
    ZOG_SEC_GEN_ARRAY* a = array_of(fh, n);
    if (a == nullptr || a->num > 0x7FFFFFFF || !zog_array_layout(a->type, a->elemSize)) return 0;
    const bool packed = a->type == 1 && a->elemSize == 0;
    const std::int64_t room = packed ? zog_pack_bound(a->num) : bytes_of(a->num, a->elemSize);
    if (data == nullptr && room > 0) return 0;
    if (!a->pData.alloc(room)) {  // the old data is gone
        a->nBytes = 0;
        return 0;
    }
    if (a->type == 1) {
        a->nBytes = static_cast<std::uint32_t>(
            ZOG_pack(static_cast<int>(a->num), packed ? 4 : static_cast<int>(a->elemSize), data,
                     static_cast<int>(a->elemSize), a->pData.p));
    } else {
        if (room > 0) std::memcpy(a->pData.p, data, static_cast<std::size_t>(room));
        a->nBytes = static_cast<std::uint32_t>(room);
    }
    return 1;
}

extern "C" int ZOG_getIndVarTimeData(int fh, int n, int* times, int bufBytes) noexcept
{
    const ZOG_SEC_GEN_ARRAY* a = array_of(fh, n);
    if (a == nullptr || times == nullptr) return 0;
    if (a->hasTime == 0) return 1;
    const std::int64_t n_bytes = bytes_of(a->num, 4);
    if (n_bytes > bufBytes || n_bytes > a->pTimeData.cap) return 0;
    if (n_bytes > 0) std::memcpy(times, a->pTimeData.p, static_cast<std::size_t>(n_bytes));
    return 1;
}

extern "C" int ZOG_setIndVarTimeData(int fh, int n, const int* times) noexcept
{
    ZOG_SEC_GEN_ARRAY* a = array_of(fh, n);
    if (a == nullptr) return 0;
    const std::int64_t n_bytes = bytes_of(a->num, 4);
    if ((times == nullptr && n_bytes > 0) || !a->pTimeData.alloc(n_bytes)) return 0;
    if (n_bytes > 0) std::memcpy(a->pTimeData.p, times, static_cast<std::size_t>(n_bytes));
    a->hasTime = 1;
    return 1;
}
