// zog_field.cpp -- the byte layout of run-data fields: little-endian integers,
// counted strings, VAX F and D reals, and the bounded cursor that carries them.

#include <cmath>
#include <cstring>

#include "zog_local.h"

namespace {

// A VAX real as 16-bit words, w[0] first in the file.
void put_words(std::uint8_t* p, const std::uint16_t* w, int n)
{
    for (int i = 0; i < n; ++i) bencode_2(p + 2 * i, w[i]);
}

void get_words(const std::uint8_t* p, std::uint16_t* w, int n)
{
    for (int i = 0; i < n; ++i) w[i] = bdecode_2(p + 2 * i);
}

// Patterns the library gives values the VAX formats cannot hold. Not a number
// goes to exponent 0 with sign and fraction set (a reserved operand), which
// reads back as not a number; the largest finite patterns stay one step below
// the all-ones pattern, which reads as infinity.
constexpr std::uint16_t vax_nan_w0 = 0x8040;
constexpr std::uint16_t vax_f_max[2] = {0x7FFF, 0xFFFE};
constexpr std::uint16_t vax_d_max[4] = {0x7FFF, 0xFFFF, 0xFFFF, 0xFFF8};

}  // namespace

void bencode_2(std::uint8_t* p, std::uint16_t v)
{
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}

std::uint16_t bdecode_2(const std::uint8_t* p)
{
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

void bencode_4(std::uint8_t* p, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

std::uint32_t bdecode_4(const std::uint8_t* p)
{
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

void bencode_8(std::uint8_t* p, const std::uint8_t* v) { std::memcpy(p, v, 8); }
void bdecode_8(const std::uint8_t* p, std::uint8_t* v) { std::memcpy(v, p, 8); }

void bencode_float(std::uint8_t* p, float v)
{
    std::uint32_t u;
    std::memcpy(&u, &v, 4);
    const std::uint16_t sign = static_cast<std::uint16_t>((u >> 31) << 15);
    const std::uint32_t mag = u & 0x7FFFFFFF, e = mag >> 23, f = mag & 0x7FFFFF;
    std::uint16_t w[2] = {0, 0};
    if (mag == 0x7F800000) {
        w[0] = 0x7FFF; w[1] = 0xFFFF;                // infinity
    } else if (e == 255) {
        w[0] = vax_nan_w0; put_words(p, w, 2); return;
    } else if (e == 0) {
        // zero, and subnormals, which lie below the VAX range: signed zero
    } else if (e >= 254) {
        w[0] = vax_f_max[0]; w[1] = vax_f_max[1];    // 2^127 and up
    } else {
        w[0] = static_cast<std::uint16_t>((e + 2) << 7 | f >> 16);
        w[1] = static_cast<std::uint16_t>(f);
        if (w[0] == 0x7FFF && w[1] == 0xFFFF) w[1] = vax_f_max[1];  // not infinity
    }
    w[0] |= sign;
    put_words(p, w, 2);
}

float bdecode_float(const std::uint8_t* p)
{
    std::uint16_t w[2];
    get_words(p, w, 2);
    const bool neg = (w[0] & 0x8000) != 0;
    const std::uint32_t e = (w[0] >> 7) & 0xFF;
    const std::uint32_t frac = static_cast<std::uint32_t>(w[0] & 0x7F) << 16 | w[1];
    float v;
    if ((w[0] & 0x7FFF) == 0x7FFF && w[1] == 0xFFFF) {
        v = INFINITY;
    } else if (e == 0) {
        if (frac != 0 && neg) return NAN;  // reserved operand
        v = 0.0F;                          // zero; a "dirty" zero reads as zero
    } else if (e <= 2) {
        v = static_cast<float>(std::ldexp(static_cast<double>(frac | 0x800000), static_cast<int>(e) - 152));
    } else {
        const std::uint32_t u = (e - 2) << 23 | frac;
        std::memcpy(&v, &u, 4);
    }
    return neg ? -v : v;
}

void bencode_double(std::uint8_t* p, double v)
{
    std::uint64_t u;
    std::memcpy(&u, &v, 8);
    const std::uint16_t sign = static_cast<std::uint16_t>((u >> 63) << 15);
    const std::uint64_t mag = u & 0x7FFFFFFFFFFFFFFFULL;
    const std::uint64_t e = mag >> 52, f = mag & 0xFFFFFFFFFFFFFULL;
    std::uint16_t w[4] = {0, 0, 0, 0};
    if (mag == 0x7FF0000000000000ULL) {
        w[0] = 0x7FFF; w[1] = w[2] = w[3] = 0xFFFF;  // infinity
    } else if (e == 0x7FF) {
        w[0] = vax_nan_w0; put_words(p, w, 4); return;
    } else if (e < 895) {
        // below 2^-128: signed zero
    } else if (e >= 1150) {
        std::memcpy(w, vax_d_max, sizeof w);         // 2^127 and up
    } else {
        const std::uint64_t frac = f << 3;           // 55 VAX fraction bits
        w[0] = static_cast<std::uint16_t>((e - 894) << 7 | (frac >> 48));
        w[1] = static_cast<std::uint16_t>(frac >> 32);
        w[2] = static_cast<std::uint16_t>(frac >> 16);
        w[3] = static_cast<std::uint16_t>(frac);
    }
    w[0] |= sign;
    put_words(p, w, 4);
}

double bdecode_double(const std::uint8_t* p)
{
    std::uint16_t w[4];
    get_words(p, w, 4);
    const bool neg = (w[0] & 0x8000) != 0;
    const std::uint64_t e = (w[0] >> 7) & 0xFF;
    const std::uint64_t frac = static_cast<std::uint64_t>(w[0] & 0x7F) << 48 |
                               static_cast<std::uint64_t>(w[1]) << 32 |
                               static_cast<std::uint64_t>(w[2]) << 16 | w[3];
    double v;
    if ((w[0] & 0x7FFF) == 0x7FFF && w[1] == 0xFFFF && w[2] == 0xFFFF && w[3] == 0xFFFF) {
        v = INFINITY;
    } else if (e == 0) {
        if (frac != 0 && neg) return NAN;
        v = 0.0;
    } else {
        const std::uint64_t u = (e + 894) << 52 | frac >> 3;
        std::memcpy(&v, &u, 8);
    }
    return neg ? -v : v;
}

// ---- cursor forms

bool cursor_room(ZOG_CURSOR* c, std::int64_t width)
{
    if (c->bad) return false;
    if (width < 0 || c->pos < 0 || static_cast<std::int64_t>(c->pos) + width > c->lim ||
        static_cast<std::int64_t>(c->lim) > static_cast<std::int64_t>(c->data.size())) {
        c->bad = true;
        return false;
    }
    return true;
}

namespace {
void advance(ZOG_CURSOR* c, std::int64_t width)
{
    c->pos += static_cast<std::int32_t>(width);
    c->count += static_cast<std::int32_t>(width);
}
}  // namespace

void encode_4(ZOG_CURSOR* c, std::uint32_t v)
{
    if (!cursor_room(c, 4)) return;
    bencode_4(c->data.data() + c->pos, v);
    advance(c, 4);
}

std::uint32_t decode_4(ZOG_CURSOR* c)
{
    if (!cursor_room(c, 4)) return 0;
    const std::uint32_t v = bdecode_4(c->data.data() + c->pos);
    advance(c, 4);
    return v;
}

std::int64_t str_size(const ZText& t) { return 2 + (t ? static_cast<std::int64_t>(t->size()) : 0); }

void encode_str(ZOG_CURSOR* c, const ZText* t)
{
    const std::size_t n = *t ? (*t)->size() : 0;
    if (n > zog_max_text) { c->bad = true; return; }  // its length would not fit 16 bits
    if (!cursor_room(c, 2 + static_cast<std::int64_t>(n))) return;
    bencode_2(c->data.data() + c->pos, static_cast<std::uint16_t>(n));
    if (n > 0) std::memcpy(c->data.data() + c->pos + 2, (*t)->data(), n);
    advance(c, 2 + static_cast<std::int64_t>(n));
}

void decode_str(ZOG_CURSOR* c, ZText* t)
{
    if (!cursor_room(c, 2)) return;
    const std::uint16_t n = bdecode_2(c->data.data() + c->pos);
    if (!cursor_room(c, 2 + static_cast<std::int64_t>(n))) return;  // before allocating
    if (zog_fails(zs_text)) { c->bad = c->nomem = true; return; }
    const char* s = reinterpret_cast<const char*>(c->data.data() + c->pos + 2);
    t->emplace(s, strnlen(s, n));  // a zero byte ends the text
    advance(c, 2 + static_cast<std::int64_t>(n));
}

void encode_float(ZOG_CURSOR* c, const float* v)
{
    if (!cursor_room(c, 4)) return;
    bencode_float(c->data.data() + c->pos, *v);
    advance(c, 4);
}

void decode_float(ZOG_CURSOR* c, float* v)
{
    if (!cursor_room(c, 4)) return;
    *v = bdecode_float(c->data.data() + c->pos);
    advance(c, 4);
}

void encode_double(ZOG_CURSOR* c, const double* v)
{
    if (!cursor_room(c, 8)) return;
    bencode_double(c->data.data() + c->pos, *v);
    advance(c, 8);
}

void decode_double(ZOG_CURSOR* c, double* v)
{
    if (!cursor_room(c, 8)) return;
    *v = bdecode_double(c->data.data() + c->pos);
    advance(c, 8);
}

void encode_bytes(ZOG_CURSOR* c, const std::uint8_t* p, std::uint32_t n)
{
    if (!cursor_room(c, n)) return;
    if (n > 0) std::memcpy(c->data.data() + c->pos, p, n);
    advance(c, n);
}

void decode_bytes(ZOG_CURSOR* c, std::uint8_t* p, std::uint32_t n)
{
    if (!cursor_room(c, n)) return;
    if (n > 0) std::memcpy(p, c->data.data() + c->pos, n);
    advance(c, n);
}
