// zog_handle.cpp -- run files by handle: the 16 slots, opening and closing, and
// the run description, histogram and scaler fields of a slot's section tree.

#include <cerrno>
#include <cmath>
#include <cstring>

#include "zog.h"
#include "zog_handle_local.h"

namespace {

Slot slots[zog_slots];  // the open files; one thread uses them
std::string write_error;  // why the last ZOG_openWrite or ZOG_closeWrite failed
std::string read_error;   // why the last ZOG_openRead failed

ZOG_SEC_GRP* new_group(std::uint32_t kind)
{
    return static_cast<ZOG_SEC_GRP*>(ZOG_new(ZOG_ID_GRP, kind));
}

int lowest_free_slot()
{
    for (int k = 0; k < zog_slots; ++k)
        if (slots[k].mode == SlotMode::free) return k;
    return -1;
}

void release(Slot* s)
{
    ZOG_free(s->head);
    *s = Slot{};
}

// ---- run description

ZOG_RUN_DESC* run_desc_of(int fh)
{
    Slot* s = zog_slot(fh);
    if (s == nullptr) return nullptr;
    const std::uint32_t id = zog_is_fub(s) ? ZOG_ID_FUB_TI_RUN_DESC : ZOG_ID_GEN_RUN_DESC;
    return static_cast<ZOG_RUN_DESC*>(zog_member(s->head, id, 1));
}

template <class R>
R* desc_of_type(int fh, std::uint32_t id)
{
    Slot* s = zog_slot(fh);
    return s == nullptr ? nullptr : static_cast<R*>(zog_member(s->head, id, 1));
}

using RunInt = std::uint32_t ZOG_RUN_DESC::*;
using RunText = ZText ZOG_RUN_DESC::*;
using GenText = ZText ZOG_SEC_GEN_RUN_DESC::*;
using FubText = ZText ZOG_SEC_FUB_TI_RUN_DESC::*;

int get_run_int(int fh, RunInt f, int* v)
{
    return zog_guard([&] { return zog_get_int(run_desc_of(fh), f, v); });
}
int set_run_int(int fh, RunInt f, int v)
{
    return zog_guard([&] { return zog_set_int(run_desc_of(fh), f, v); });
}
int get_run_text(int fh, RunText f, char* buf, int len)
{
    return zog_guard([&] { return zog_get_text_field(run_desc_of(fh), f, buf, len); });
}
int set_run_text(int fh, RunText f, const char* t)
{
    return zog_guard([&] { return zog_set_text_field(run_desc_of(fh), f, t); });
}
int get_gen_text(int fh, GenText f, char* buf, int len)
{
    return zog_guard([&] {
        return zog_get_text_field(desc_of_type<ZOG_SEC_GEN_RUN_DESC>(fh, ZOG_ID_GEN_RUN_DESC), f,
                                  buf, len);
    });
}
int set_gen_text(int fh, GenText f, const char* t)
{
    return zog_guard([&] {
        return zog_set_text_field(desc_of_type<ZOG_SEC_GEN_RUN_DESC>(fh, ZOG_ID_GEN_RUN_DESC), f, t);
    });
}
int get_fub_text(int fh, FubText f, char* buf, int len)
{
    return zog_guard([&] {
        return zog_get_text_field(desc_of_type<ZOG_SEC_FUB_TI_RUN_DESC>(fh, ZOG_ID_FUB_TI_RUN_DESC),
                                  f, buf, len);
    });
}
int set_fub_text(int fh, FubText f, const char* t)
{
    return zog_guard([&] {
        return zog_set_text_field(desc_of_type<ZOG_SEC_FUB_TI_RUN_DESC>(fh, ZOG_ID_FUB_TI_RUN_DESC),
                                  f, t);
    });
}

// ---- histograms and scalers

ZOG_SEC_GRP* hist_group(Slot* s)
{
    if (s == nullptr) return nullptr;
    const std::uint32_t kind = zog_is_fub(s) ? ZOG_HIST_GRP_FUB_TI : ZOG_HIST_GRP_GENERIC;
    return as_group(zog_member(s->head, ZOG_ID_GRP, kind));
}

ZOG_SEC_GRP* scaler_group(Slot* s)
{
    return s == nullptr ? nullptr : as_group(zog_member(s->head, ZOG_ID_GRP, ZOG_SCALER_GRP));
}

ZOG_SEC_GEN_HIST_HDR* hdr_of(int fh, int n)
{
    return static_cast<ZOG_SEC_GEN_HIST_HDR*>(
        zog_member(hist_group(zog_slot(fh)), ZOG_ID_GEN_HIST_HDR, static_cast<std::uint32_t>(n)));
}

ZOG_SEC_GEN_HIST_DAT* dat_of(int fh, int n)
{
    return static_cast<ZOG_SEC_GEN_HIST_DAT*>(
        zog_member(hist_group(zog_slot(fh)), ZOG_ID_GEN_HIST_DAT, static_cast<std::uint32_t>(n)));
}

ZOG_SEC_GEN_SCALER* scaler_of(int fh, int n)
{
    return static_cast<ZOG_SEC_GEN_SCALER*>(
        zog_member(scaler_group(zog_slot(fh)), ZOG_ID_GEN_SCALER, static_cast<std::uint32_t>(n)));
}

using HdrInt = std::uint32_t ZOG_SEC_GEN_HIST_HDR::*;

int get_hdr_int(int fh, int n, HdrInt f, int* v)
{
    return zog_guard([&] { return zog_get_int(hdr_of(fh, n), f, v); });
}
int set_hdr_int(int fh, int n, HdrInt f, int v)
{
    return zog_guard([&] { return zog_set_int(hdr_of(fh, n), f, v); });
}

// Seconds per bin of a bin-width code.
double seconds_of_code(std::uint32_t v)
{
    if (v <= 15) return 7.8125e-11 * std::ldexp(1.0, static_cast<int>(v));
    if (v <= 28) return 4.8828125e-11 * std::ldexp(1.0, static_cast<int>(v) - 16);
    return v * 1e-15;
}

constexpr std::uint32_t first_fs_code = 29;  // below it a code is a resolution code

}  // namespace

// ---- shared with the other handle files

Slot* zog_slot(int fh)
{
    if (fh < 0 || fh >= zog_slots || slots[fh].mode == SlotMode::free) return nullptr;
    return &slots[fh];
}

bool zog_is_fub(const Slot* s) { return s->head->instanceID == static_cast<std::uint32_t>(ZOG_FMT_FUB_TI); }

ZOG_SEC* zog_member(ZOG_SEC* grp, std::uint32_t secID, std::uint32_t instanceID)
{
    ZOG_SEC* m = ZOG_findMember(as_group(grp), secID, instanceID);
    return m != nullptr && m->damaged ? nullptr : m;
}

int zog_add_member(Slot* s, ZOG_SEC* rec)
{
    if (rec == nullptr) return 0;
    if (zog_member(s->head, rec->secID, rec->instanceID) != nullptr) {  // never twice
        ZOG_free(rec);
        return 0;
    }
    try {
        ZOG_addToGroup(s->head, rec);
    } catch (...) {
        ZOG_free(rec);
        return 0;
    }
    return 1;
}

int zog_add_group(Slot* s, std::uint32_t kind, int num, std::initializer_list<std::uint32_t> per_item)
{
    if (s == nullptr || num < 0 || zog_member(s->head, ZOG_ID_GRP, kind) != nullptr) return 0;
    ZOG_SEC_GRP* g = new_group(kind);
    if (g == nullptr) return 0;
    try {
        for (int i = 1; i <= num; ++i) {
            for (std::uint32_t id : per_item) {
                ZOG_SEC* m = ZOG_new(id, static_cast<std::uint32_t>(i));
                if (m == nullptr) { ZOG_free(g); return 0; }
                ZOG_addToGroup(g, m);
            }
        }
    } catch (...) {
        ZOG_free(g);
        return 0;
    }
    return zog_add_member(s, g);
}

void zog_refused(const std::string& why) { write_error = why; }

int zog_get_text_out(const ZText& t, char* buf, int len)
{
    if (buf == nullptr || len < 1) return 0;
    const std::size_t have = t ? t->size() : 0;
    const std::size_t n = have < static_cast<std::size_t>(len) ? have : static_cast<std::size_t>(len);
    if (n > 0) std::memcpy(buf, t->data(), n);
    std::memset(buf + n, 0, static_cast<std::size_t>(len) - n);
    buf[len - 1] = '\0';
    return 1;
}

int zog_set_text_in(ZText* t, const char* text)
{
    if (text == nullptr) { t->reset(); return 1; }
    const std::size_t n = strnlen(text, zog_max_text);  // a counted string holds no more
    if (zog_fails(zs_text)) return 0;
    t->emplace(text, n);
    return 1;
}

int zog_get_group(const ZOG_SEC_GRP* g, int* type, int* num, std::uint32_t per)
{
    if (g == nullptr || type == nullptr || num == nullptr) return 0;
    *type = static_cast<int>(g->instanceID);
    *num = static_cast<int>(g->num / per);
    return 1;
}

int zog_get_buffer(const ZOG_BYTES& b, std::uint32_t nBytes, void** p, int* n)
{
    if (p == nullptr || n == nullptr) return 0;
    *p = b.p;
    *n = static_cast<int>(nBytes);
    return 1;
}

bool zog_take_buffer(ZOG_BYTES* b, void* p, int nBytes)
{
    if (nBytes < 0 || (p == nullptr && nBytes > 0)) return false;
    b->adopt(p, static_cast<std::uint32_t>(nBytes));
    return true;
}

// ---- files

// The reason of a failed open, kept for ZOG_getReadError; -1.
int refuse_read(const char* why)
{
    try {
        read_error = why;
    } catch (...) {
        read_error.clear();  // no room for the words: the getter says so
    }
    return -1;
}

extern "C" int ZOG_openRead(const char* name, int* fmtID) noexcept
{
    const int k = lowest_free_slot();
    if (k < 0) return refuse_read("sixteen run files are open");
    if (name == nullptr) return refuse_read("no file name");
    errno = 0;
    FILE* f = ZOG_openInput(name);
    if (f == nullptr) return refuse_read(std::strerror(errno != 0 ? errno : EIO));
    ZOG_SEC* head = nullptr;
    std::string why;
    try {
        head = zog_read_file(f, &why);
    } catch (...) {
        ZOG_free(head);
        head = nullptr;
        why = "out of memory";
    }
    ZOG_SEC_GRP* g = as_group(head);
    if (g == nullptr || g->incomplete) {  // a damaged or cut file is not opened
        ZOG_free(head);
        std::fclose(f);
        return refuse_read(why.c_str());
    }
    slots[k] = Slot{f, g, SlotMode::read, {}};
    if (fmtID != nullptr) *fmtID = static_cast<int>(g->instanceID);
    read_error.clear();
    return k;
}

extern "C" int ZOG_getReadError(char* buf, int len) noexcept
{
    return zog_guard([&] { return zog_get_text_out(ZText(read_error.empty() ? "" : read_error), buf, len); });
}

// Nothing is written until the close: a file being written stays as it was.
extern "C" int ZOG_openWrite(const char* name, int fmtID) noexcept
{
    try {
        const int k = lowest_free_slot();
        if (k < 0) {
            write_error = "sixteen run files are open";
            return -1;
        }
        ZOG_TARGET t;
        if (!zog_target(name, &t, &write_error)) return -1;
        ZOG_SEC_GRP* g = new_group(static_cast<std::uint32_t>(fmtID));
        if (g == nullptr) {
            write_error = "out of memory";
            return -1;
        }
        slots[k] = Slot{nullptr, g, SlotMode::write, std::move(t)};
        write_error.clear();
        return k;
    } catch (...) {
        write_error = "out of memory";  // no earlier call's reason stands for this one
        return -1;
    }
}

extern "C" int ZOG_closeRead(int fh) noexcept
{
    Slot* s = zog_slot(fh);
    if (s == nullptr || s->mode != SlotMode::read) return 0;
    std::fclose(s->f);
    release(s);
    return 1;
}

// The whole file is encoded before anything is written, and written beside
// the old one: a refusal or a failing write leaves the old file as it was.
extern "C" int ZOG_closeWrite(int fh) noexcept
{
    Slot* s = zog_slot(fh);
    if (s == nullptr || s->mode != SlotMode::write) return 0;
    const int ok = zog_guard([&] {
        ZOG_setSizes(s->head);
        ZOG_CURSOR c;
        if (zog_encode_file(&c, s->head) == 0) {
            write_error = "cannot write " + s->target.path + ": " +
                          (c.nomem ? std::string("out of memory") : zog_refusal(c.refused));
            return 0;
        }
        if (!zog_replace(s->target, c.data.data(), static_cast<std::size_t>(c.count), &write_error)) return 0;
        write_error.clear();
        return 1;
    });
    if (ok == 0 && write_error.empty()) write_error = "out of memory";
    release(s);
    return ok;
}

extern "C" int ZOG_getWriteError(char* buf, int len) noexcept
{
    return zog_guard([&] { return zog_get_text_out(ZText(write_error), buf, len); });
}

extern "C" int ZOG_getDamaged(int fh, int* damaged) noexcept
{
    const Slot* s = zog_slot(fh);
    if (s == nullptr || damaged == nullptr) return 0;
    *damaged = s->mode == SlotMode::read && s->head->damagedParts ? 1 : 0;
    return 1;
}

extern "C" int ZOG_getDamage(int fh, char* buf, int len) noexcept
{
    const Slot* s = zog_slot(fh);
    if (s == nullptr) return 0;
    return zog_guard([&] { return zog_get_text_out(ZText(s->mode == SlotMode::read ? s->head->damage : ""), buf, len); });
}

// ---- run description

extern "C" int ZOG_getRunDesc(int fh, int* type) noexcept
{
    ZOG_RUN_DESC* r = run_desc_of(fh);
    if (r == nullptr || type == nullptr) return 0;
    *type = static_cast<int>(r->secID);
    return 1;
}

extern "C" int ZOG_setRunDesc(int fh) noexcept
{
    return zog_guard([&] {
        Slot* s = zog_slot(fh);
        if (s == nullptr) return 0;
        return zog_add_member(s, ZOG_new(zog_is_fub(s) ? ZOG_ID_FUB_TI_RUN_DESC : ZOG_ID_GEN_RUN_DESC, 1));
    });
}

// clang-format off
extern "C" int ZOG_getExptNumber(int fh, int* v) noexcept { return get_run_int(fh, &ZOG_RUN_DESC::exptNumber, v); }
extern "C" int ZOG_setExptNumber(int fh, int v) noexcept  { return set_run_int(fh, &ZOG_RUN_DESC::exptNumber, v); }
extern "C" int ZOG_getRunNumber(int fh, int* v) noexcept  { return get_run_int(fh, &ZOG_RUN_DESC::runNumber, v); }
extern "C" int ZOG_setRunNumber(int fh, int v) noexcept   { return set_run_int(fh, &ZOG_RUN_DESC::runNumber, v); }
extern "C" int ZOG_getElapsedSec(int fh, int* v) noexcept { return get_run_int(fh, &ZOG_RUN_DESC::elapsedSec, v); }
extern "C" int ZOG_setElapsedSec(int fh, int v) noexcept  { return set_run_int(fh, &ZOG_RUN_DESC::elapsedSec, v); }
extern "C" int ZOG_getTimeBegin(int fh, int* v) noexcept  { return get_run_int(fh, &ZOG_RUN_DESC::timeBegin, v); }
extern "C" int ZOG_setTimeBegin(int fh, int v) noexcept   { return set_run_int(fh, &ZOG_RUN_DESC::timeBegin, v); }
extern "C" int ZOG_getTimeEnd(int fh, int* v) noexcept    { return get_run_int(fh, &ZOG_RUN_DESC::timeEnd, v); }
extern "C" int ZOG_setTimeEnd(int fh, int v) noexcept     { return set_run_int(fh, &ZOG_RUN_DESC::timeEnd, v); }

extern "C" int ZOG_getTitle(int fh, char* b, int n) noexcept        { return get_run_text(fh, &ZOG_RUN_DESC::title, b, n); }
extern "C" int ZOG_setTitle(int fh, const char* t) noexcept         { return set_run_text(fh, &ZOG_RUN_DESC::title, t); }
extern "C" int ZOG_getLab(int fh, char* b, int n) noexcept          { return get_run_text(fh, &ZOG_RUN_DESC::lab, b, n); }
extern "C" int ZOG_setLab(int fh, const char* t) noexcept           { return set_run_text(fh, &ZOG_RUN_DESC::lab, t); }
extern "C" int ZOG_getArea(int fh, char* b, int n) noexcept         { return get_run_text(fh, &ZOG_RUN_DESC::area, b, n); }
extern "C" int ZOG_setArea(int fh, const char* t) noexcept          { return set_run_text(fh, &ZOG_RUN_DESC::area, t); }
extern "C" int ZOG_getMethod(int fh, char* b, int n) noexcept       { return get_run_text(fh, &ZOG_RUN_DESC::method, b, n); }
extern "C" int ZOG_setMethod(int fh, const char* t) noexcept        { return set_run_text(fh, &ZOG_RUN_DESC::method, t); }
extern "C" int ZOG_getApparatus(int fh, char* b, int n) noexcept    { return get_run_text(fh, &ZOG_RUN_DESC::apparatus, b, n); }
extern "C" int ZOG_setApparatus(int fh, const char* t) noexcept     { return set_run_text(fh, &ZOG_RUN_DESC::apparatus, t); }
extern "C" int ZOG_getInsert(int fh, char* b, int n) noexcept       { return get_run_text(fh, &ZOG_RUN_DESC::insert, b, n); }
extern "C" int ZOG_setInsert(int fh, const char* t) noexcept        { return set_run_text(fh, &ZOG_RUN_DESC::insert, t); }
extern "C" int ZOG_getSample(int fh, char* b, int n) noexcept       { return get_run_text(fh, &ZOG_RUN_DESC::sample, b, n); }
extern "C" int ZOG_setSample(int fh, const char* t) noexcept        { return set_run_text(fh, &ZOG_RUN_DESC::sample, t); }
extern "C" int ZOG_getOrient(int fh, char* b, int n) noexcept       { return get_run_text(fh, &ZOG_RUN_DESC::orient, b, n); }
extern "C" int ZOG_setOrient(int fh, const char* t) noexcept        { return set_run_text(fh, &ZOG_RUN_DESC::orient, t); }
extern "C" int ZOG_getDas(int fh, char* b, int n) noexcept          { return get_run_text(fh, &ZOG_RUN_DESC::das, b, n); }
extern "C" int ZOG_setDas(int fh, const char* t) noexcept           { return set_run_text(fh, &ZOG_RUN_DESC::das, t); }
extern "C" int ZOG_getExperimenter(int fh, char* b, int n) noexcept { return get_run_text(fh, &ZOG_RUN_DESC::experimenter, b, n); }
extern "C" int ZOG_setExperimenter(int fh, const char* t) noexcept  { return set_run_text(fh, &ZOG_RUN_DESC::experimenter, t); }

extern "C" int ZOG_getTemperature(int fh, char* b, int n) noexcept { return get_gen_text(fh, &ZOG_SEC_GEN_RUN_DESC::temperature, b, n); }
extern "C" int ZOG_setTemperature(int fh, const char* t) noexcept  { return set_gen_text(fh, &ZOG_SEC_GEN_RUN_DESC::temperature, t); }
extern "C" int ZOG_getField(int fh, char* b, int n) noexcept       { return get_gen_text(fh, &ZOG_SEC_GEN_RUN_DESC::field, b, n); }
extern "C" int ZOG_setField(int fh, const char* t) noexcept        { return set_gen_text(fh, &ZOG_SEC_GEN_RUN_DESC::field, t); }
extern "C" int ZOG_getSubtitle(int fh, char* b, int n) noexcept    { return get_fub_text(fh, &ZOG_SEC_FUB_TI_RUN_DESC::subtitle, b, n); }
extern "C" int ZOG_setSubtitle(int fh, const char* t) noexcept     { return set_fub_text(fh, &ZOG_SEC_FUB_TI_RUN_DESC::subtitle, t); }
extern "C" int ZOG_getComment1(int fh, char* b, int n) noexcept    { return get_fub_text(fh, &ZOG_SEC_FUB_TI_RUN_DESC::comment1, b, n); }
extern "C" int ZOG_setComment1(int fh, const char* t) noexcept     { return set_fub_text(fh, &ZOG_SEC_FUB_TI_RUN_DESC::comment1, t); }
extern "C" int ZOG_getComment2(int fh, char* b, int n) noexcept    { return get_fub_text(fh, &ZOG_SEC_FUB_TI_RUN_DESC::comment2, b, n); }
extern "C" int ZOG_setComment2(int fh, const char* t) noexcept     { return set_fub_text(fh, &ZOG_SEC_FUB_TI_RUN_DESC::comment2, t); }
extern "C" int ZOG_getComment3(int fh, char* b, int n) noexcept    { return get_fub_text(fh, &ZOG_SEC_FUB_TI_RUN_DESC::comment3, b, n); }
extern "C" int ZOG_setComment3(int fh, const char* t) noexcept     { return set_fub_text(fh, &ZOG_SEC_FUB_TI_RUN_DESC::comment3, t); }
// clang-format on

// ---- histograms

extern "C" int ZOG_getHists(int fh, int* type, int* num) noexcept
{
    return zog_get_group(hist_group(zog_slot(fh)), type, num, 2);
}

extern "C" int ZOG_setHists(int fh, int type, int num) noexcept
{
    return zog_guard([&] {
        return zog_add_group(zog_slot(fh), static_cast<std::uint32_t>(type), num,
                             {ZOG_ID_GEN_HIST_HDR, ZOG_ID_GEN_HIST_DAT});
    });
}

// clang-format off
extern "C" int ZOG_getHistType(int fh, int n, int* v) noexcept        { return get_hdr_int(fh, n, &ZOG_SEC_GEN_HIST_HDR::histType, v); }
extern "C" int ZOG_setHistType(int fh, int n, int v) noexcept         { return set_hdr_int(fh, n, &ZOG_SEC_GEN_HIST_HDR::histType, v); }
extern "C" int ZOG_getHistNumBytes(int fh, int n, int* v) noexcept    { return get_hdr_int(fh, n, &ZOG_SEC_GEN_HIST_HDR::nBytes, v); }
extern "C" int ZOG_setHistNumBytes(int fh, int n, int v) noexcept     { return set_hdr_int(fh, n, &ZOG_SEC_GEN_HIST_HDR::nBytes, v); }
extern "C" int ZOG_getHistNumBins(int fh, int n, int* v) noexcept     { return get_hdr_int(fh, n, &ZOG_SEC_GEN_HIST_HDR::nBins, v); }
extern "C" int ZOG_setHistNumBins(int fh, int n, int v) noexcept      { return set_hdr_int(fh, n, &ZOG_SEC_GEN_HIST_HDR::nBins, v); }
extern "C" int ZOG_getHistBytesPerBin(int fh, int n, int* v) noexcept { return get_hdr_int(fh, n, &ZOG_SEC_GEN_HIST_HDR::bytesPerBin, v); }
extern "C" int ZOG_setHistBytesPerBin(int fh, int n, int v) noexcept  { return set_hdr_int(fh, n, &ZOG_SEC_GEN_HIST_HDR::bytesPerBin, v); }
extern "C" int ZOG_getHistFsPerBin(int fh, int n, int* v) noexcept    { return get_hdr_int(fh, n, &ZOG_SEC_GEN_HIST_HDR::fsPerBin, v); }
extern "C" int ZOG_setHistFsPerBin(int fh, int n, int v) noexcept     { return set_hdr_int(fh, n, &ZOG_SEC_GEN_HIST_HDR::fsPerBin, v); }
extern "C" int ZOG_getHistT0_Ps(int fh, int n, int* v) noexcept       { return get_hdr_int(fh, n, &ZOG_SEC_GEN_HIST_HDR::t0_ps, v); }
extern "C" int ZOG_setHistT0_Ps(int fh, int n, int v) noexcept        { return set_hdr_int(fh, n, &ZOG_SEC_GEN_HIST_HDR::t0_ps, v); }
extern "C" int ZOG_getHistT0_Bin(int fh, int n, int* v) noexcept      { return get_hdr_int(fh, n, &ZOG_SEC_GEN_HIST_HDR::t0_bin, v); }
extern "C" int ZOG_setHistT0_Bin(int fh, int n, int v) noexcept       { return set_hdr_int(fh, n, &ZOG_SEC_GEN_HIST_HDR::t0_bin, v); }
extern "C" int ZOG_getHistGoodBin1(int fh, int n, int* v) noexcept    { return get_hdr_int(fh, n, &ZOG_SEC_GEN_HIST_HDR::goodBin1, v); }
extern "C" int ZOG_setHistGoodBin1(int fh, int n, int v) noexcept     { return set_hdr_int(fh, n, &ZOG_SEC_GEN_HIST_HDR::goodBin1, v); }
extern "C" int ZOG_getHistGoodBin2(int fh, int n, int* v) noexcept    { return get_hdr_int(fh, n, &ZOG_SEC_GEN_HIST_HDR::goodBin2, v); }
extern "C" int ZOG_setHistGoodBin2(int fh, int n, int v) noexcept     { return set_hdr_int(fh, n, &ZOG_SEC_GEN_HIST_HDR::goodBin2, v); }
extern "C" int ZOG_getHistBkgd1(int fh, int n, int* v) noexcept       { return get_hdr_int(fh, n, &ZOG_SEC_GEN_HIST_HDR::bkgd1, v); }
extern "C" int ZOG_setHistBkgd1(int fh, int n, int v) noexcept        { return set_hdr_int(fh, n, &ZOG_SEC_GEN_HIST_HDR::bkgd1, v); }
extern "C" int ZOG_getHistBkgd2(int fh, int n, int* v) noexcept       { return get_hdr_int(fh, n, &ZOG_SEC_GEN_HIST_HDR::bkgd2, v); }
extern "C" int ZOG_setHistBkgd2(int fh, int n, int v) noexcept        { return set_hdr_int(fh, n, &ZOG_SEC_GEN_HIST_HDR::bkgd2, v); }
extern "C" int ZOG_getHistNumEvents(int fh, int n, int* v) noexcept   { return get_hdr_int(fh, n, &ZOG_SEC_GEN_HIST_HDR::nEvents, v); }
extern "C" int ZOG_setHistNumEvents(int fh, int n, int v) noexcept    { return set_hdr_int(fh, n, &ZOG_SEC_GEN_HIST_HDR::nEvents, v); }
// clang-format on

extern "C" int ZOG_getHistTitle(int fh, int n, char* buf, int len) noexcept
{
    return zog_guard([&] { return zog_get_text_field(hdr_of(fh, n), &ZOG_SEC_GEN_HIST_HDR::title, buf, len); });
}

extern "C" int ZOG_setHistTitle(int fh, int n, const char* text) noexcept
{
    return zog_guard([&] { return zog_set_text_field(hdr_of(fh, n), &ZOG_SEC_GEN_HIST_HDR::title, text); });
}

extern "C" int ZOG_getHistpData(int fh, int n, void** pData, int* nBytes) noexcept
{
    ZOG_SEC_GEN_HIST_DAT* d = dat_of(fh, n);
    return d == nullptr ? 0 : zog_get_buffer(d->pData, d->nBytes, pData, nBytes);
}

extern "C" int ZOG_setHistpData(int fh, int n, void* pData, int nBytes) noexcept
{
    ZOG_SEC_GEN_HIST_DAT* d = dat_of(fh, n);
    if (d == nullptr || !zog_take_buffer(&d->pData, pData, nBytes)) return 0;
    d->nBytes = d->pData.cap;
    if (ZOG_SEC_GEN_HIST_HDR* h = hdr_of(fh, n)) h->nBytes = d->nBytes;
    return 1;
}

extern "C" int ZOG_getHistData(int fh, int n, void* data, int bufBytes) noexcept
{
    const ZOG_SEC_GEN_HIST_HDR* h = hdr_of(fh, n);
    const ZOG_SEC_GEN_HIST_DAT* d = dat_of(fh, n);
    if (h == nullptr || d == nullptr || data == nullptr || h->nBins > 0x7FFFFFFF) return 0;
    const int w = static_cast<int>(h->bytesPerBin);
    const std::int64_t bins = h->nBins;
    if (w == 0) {
        if (4 * bins > bufBytes || !zog_stream_ok(bins, d->pData.p, d->nBytes)) return 0;
        ZOG_unpack(static_cast<int>(bins), 0, d->pData.p, 4, data);
        return 1;
    }
    if (w != 1 && w != 2 && w != 4) return 0;
    if (bins * w > bufBytes || bins * w > d->nBytes) return 0;
    ZOG_unpack(static_cast<int>(bins), w, d->pData.p, w, data);
    return 1;
}

extern "C" int ZOG_setHistData(int fh, int n, const void* data) noexcept
{
    ZOG_SEC_GEN_HIST_HDR* h = hdr_of(fh, n);
    ZOG_SEC_GEN_HIST_DAT* d = dat_of(fh, n);
    if (h == nullptr || d == nullptr || (data == nullptr && h->nBins > 0)) return 0;
    const int w = static_cast<int>(h->bytesPerBin);
    const std::int64_t bins = h->nBins;
    if ((w != 0 && w != 1 && w != 2 && w != 4) || bins > 0x7FFFFFFF) return 0;
    const std::int64_t room = w == 0 ? zog_pack_bound(bins) : bins * w;
    if (!d->pData.alloc(room)) {
        d->nBytes = 0;
        return 0;
    }
    const std::int64_t made = ZOG_pack(static_cast<int>(bins), w == 0 ? 4 : w, data, w, d->pData.p);
    d->nBytes = h->nBytes = static_cast<std::uint32_t>(made);
    return 1;
}

extern "C" int ZOG_getHistSecondsPerBin(int fh, int n, double* seconds) noexcept
{
    const ZOG_SEC_GEN_HIST_HDR* h = hdr_of(fh, n);
    if (h == nullptr || seconds == nullptr) return 0;
    *seconds = seconds_of_code(h->fsPerBin);
    return 1;
}

extern "C" int ZOG_setHistSecondsPerBin(int fh, int n, double seconds) noexcept
{
    ZOG_SEC_GEN_HIST_HDR* h = hdr_of(fh, n);
    if (h == nullptr || !(seconds >= 0.0) || seconds > 4.294967295e-06) return 0;
    const double fs = std::nearbyint(seconds * 1e15);
    if (fs < first_fs_code || fs > 4294967295.0) return 0;
    h->fsPerBin = static_cast<std::uint32_t>(fs);
    return 1;
}

extern "C" int ZOG_getHistpTimeData(int, int, void**) noexcept { return 1; }
extern "C" int ZOG_getHistTimeData(int, int, void*) noexcept { return 1; }
extern "C" int ZOG_setHistpTimeData(int, int, void*) noexcept { return 1; }
extern "C" int ZOG_setHistTimeData(int, int, const void*) noexcept { return 1; }

// ---- scalers

extern "C" int ZOG_getScalers(int fh, int* type, int* num) noexcept
{
    return zog_get_group(scaler_group(zog_slot(fh)), type, num, 1);
}

extern "C" int ZOG_setScalers(int fh, int type, int num) noexcept
{
    return zog_guard([&] {
        return zog_add_group(zog_slot(fh), static_cast<std::uint32_t>(type), num, {ZOG_ID_GEN_SCALER});
    });
}

extern "C" int ZOG_getScalerLabel(int fh, int n, char* buf, int len) noexcept
{
    return zog_guard([&] { return zog_get_text_field(scaler_of(fh, n), &ZOG_SEC_GEN_SCALER::label, buf, len); });
}

extern "C" int ZOG_setScalerLabel(int fh, int n, const char* text) noexcept
{
    return zog_guard([&] { return zog_set_text_field(scaler_of(fh, n), &ZOG_SEC_GEN_SCALER::label, text); });
}

extern "C" int ZOG_getScalerCounts(int fh, int n, int counts[2]) noexcept
{
    const ZOG_SEC_GEN_SCALER* r = scaler_of(fh, n);
    if (r == nullptr || counts == nullptr) return 0;
    counts[0] = static_cast<int>(r->counts[0]);
    counts[1] = static_cast<int>(r->counts[1]);
    return 1;
}

extern "C" int ZOG_setScalerCounts(int fh, int n, const int counts[2]) noexcept
{
    ZOG_SEC_GEN_SCALER* r = scaler_of(fh, n);
    if (r == nullptr || counts == nullptr) return 0;
    r->counts[0] = static_cast<std::uint32_t>(counts[0]);
    r->counts[1] = static_cast<std::uint32_t>(counts[1]);
    return 1;
}
