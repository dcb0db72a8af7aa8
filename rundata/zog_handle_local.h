// zog_handle_local.h -- what the handle files share: the slots and the field
// accessors every getter and setter goes through.
#pragma once

#include <initializer_list>

#include "zog_local.h"

constexpr int zog_slots = 16;

enum class SlotMode { free, read, write };
struct Slot {
    FILE* f = nullptr;             // the open file (reading)
    ZOG_SEC_GRP* head = nullptr;   // its section tree
    SlotMode mode = SlotMode::free;
    ZOG_TARGET target;             // writing: where the file goes at close
};

Slot* zog_slot(int fh);                  // null: bad handle or free slot
bool zog_is_fub(const Slot* s);          // the Fub TI format, by the head's kind
// Member (secID, instanceID) of a group; null when grp is null or no group,
// and when that member was read damaged.
ZOG_SEC* zog_member(ZOG_SEC* grp, std::uint32_t secID, std::uint32_t instanceID);
// Adds rec to the slot's head group, refusing a pair the head already has;
// takes rec in every case.
int zog_add_member(Slot* s, ZOG_SEC* rec);
// Makes a group of kind holding, for i = 1..num, one record of each id with
// instanceID i, and adds it to the head group; 0 with the head unchanged.
int zog_add_group(Slot* s, std::uint32_t kind, int num, std::initializer_list<std::uint32_t> per_item);
// A setter's refusal in words, for ZOG_getWriteError.
void zog_refused(const std::string& why);
int zog_get_text_out(const ZText& t, char* buf, int len);  // at most len-1 characters
int zog_set_text_in(ZText* t, const char* text);           // cut to a counted string
// A group's kind and its member count divided by per.
int zog_get_group(const ZOG_SEC_GRP* g, int* type, int* num, std::uint32_t per);
// A buffer's address and its valid bytes, no copy.
int zog_get_buffer(const ZOG_BYTES& b, std::uint32_t nBytes, void** p, int* n);
// Takes a caller's std::malloc buffer of nBytes bytes (nullptr with 0: none).
bool zog_take_buffer(ZOG_BYTES* b, void* p, int nBytes);

// One door for every call: nothing escapes, a throw answers failure.
template <class F>
int zog_guard(F f) noexcept
{
    try {
        return f();
    } catch (...) {
        return 0;
    }
}

template <class R, class T>
int zog_get_int(R* r, T R::*f, int* v)
{
    if (r == nullptr || v == nullptr) return 0;
    *v = static_cast<int>(r->*f);
    return 1;
}

template <class R, class T>
int zog_set_int(R* r, T R::*f, int v)
{
    if (r == nullptr) return 0;
    r->*f = static_cast<T>(v);
    return 1;
}

template <class R, class B>
int zog_get_text_field(R* r, ZText B::*f, char* buf, int len)
{
    return r == nullptr ? 0 : zog_get_text_out(r->*f, buf, len);
}

template <class R, class B>
int zog_set_text_field(R* r, ZText B::*f, const char* text)
{
    return r == nullptr ? 0 : zog_set_text_in(&(r->*f), text);
}
