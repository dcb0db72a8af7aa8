// field_test.cpp -- VAX reals, integers and counted strings in their file bytes.

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "zog_local.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes f_bytes(float v) { Bytes b(4); bencode_float(b.data(), v); return b; }
Bytes d_bytes(double v) { Bytes b(8); bencode_double(b.data(), v); return b; }

std::uint32_t bits(float v) { std::uint32_t u; std::memcpy(&u, &v, 4); return u; }
std::uint64_t bits(double v) { std::uint64_t u; std::memcpy(&u, &v, 8); return u; }

// Values, their VAX F bytes, their VAX D bytes (empty: not checked).
struct RealCase { double v; Bytes f; Bytes d; };
const RealCase real_cases[] = {
    {1.0, {0x80, 0x40, 0, 0}, {0x80, 0x40, 0, 0, 0, 0, 0, 0}},
    {-1.0, {0x80, 0xC0, 0, 0}, {0x80, 0xC0, 0, 0, 0, 0, 0, 0}},
    {0.5, {0x00, 0x40, 0, 0}, {0x00, 0x40, 0, 0, 0, 0, 0, 0}},
    {3.0, {0x40, 0x41, 0, 0}, {0x40, 0x41, 0, 0, 0, 0, 0, 0}},
    {0.1, {}, {0xCC, 0x3E, 0xCC, 0xCC, 0xCC, 0xCC, 0xD0, 0xCC}},
    {INFINITY, {0xFF, 0x7F, 0xFF, 0xFF}, {0xFF, 0x7F, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}},
    {-INFINITY, {0xFF, 0xFF, 0xFF, 0xFF}, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}},
    {0.0, {0, 0, 0, 0}, {0, 0, 0, 0, 0, 0, 0, 0}},
    {-0.0, {0x00, 0x80, 0, 0}, {0x00, 0x80, 0, 0, 0, 0, 0, 0}},
};

TEST(VaxReal, BytesOfKnownValues)
{
    for (const RealCase& c : real_cases) {
        if (!c.f.empty()) {
            EXPECT_EQ(f_bytes(static_cast<float>(c.v)), c.f) << c.v;
            EXPECT_EQ(bits(bdecode_float(c.f.data())), bits(static_cast<float>(c.v))) << c.v;
        }
        EXPECT_EQ(d_bytes(c.v), c.d) << c.v;
        EXPECT_EQ(bits(bdecode_double(c.d.data())), bits(c.v)) << c.v;  // -0 keeps its sign
    }
}

TEST(VaxReal, ExactRangesRoundTrip)
{
    // Single: magnitudes 2^-126 .. below 2^127; double: 2^-128 .. below 2^127.
    const float fs[] = {std::ldexp(1.0F, -126), 1.17549435e-38F, 1.5F, 123456.789F, 1e30F,
                        std::ldexp(1.0F, 126), -2.5e-20F};
    for (float v : fs) EXPECT_EQ(bits(bdecode_float(f_bytes(v).data())), bits(v)) << v;
    const double ds[] = {std::ldexp(1.0, -128), 0.1, -7.25, 6.02214076e23, 1e38,
                         std::nextafter(std::ldexp(1.0, 127), 0.0) };
    for (double v : ds) {
        const double back = bdecode_double(d_bytes(v).data());
        EXPECT_EQ(bits(back), bits(v)) << v;
    }
}

TEST(VaxReal, LargestFiniteNeverBecomesInfinity)
{
    // The largest float below 2^127 fills every VAX F bit: that pattern means infinity.
    const float big = std::nextafter(std::ldexp(1.0F, 127), 0.0F);
    const Bytes b = f_bytes(big);
    EXPECT_NE(b, (Bytes{0xFF, 0x7F, 0xFF, 0xFF}));
    EXPECT_TRUE(std::isfinite(bdecode_float(b.data())));
    EXPECT_GT(bdecode_float(b.data()), 1.7e38F);
    // Finite values beyond the VAX range saturate to the largest finite pattern.
    for (float v : {std::numeric_limits<float>::max(), std::ldexp(1.0F, 127)}) {
        const float back = bdecode_float(f_bytes(v).data());
        EXPECT_TRUE(std::isfinite(back)) << v;
        EXPECT_EQ(f_bytes(-v)[1] & 0x80, 0x80);
    }
    const double dback = bdecode_double(d_bytes(std::numeric_limits<double>::max()).data());
    EXPECT_TRUE(std::isfinite(dback));
    EXPECT_GT(dback, 1.7e38);
}

TEST(VaxReal, OutOfRangeChoices)
{
    EXPECT_TRUE(std::isnan(bdecode_float(f_bytes(NAN).data())));
    EXPECT_TRUE(std::isnan(bdecode_double(d_bytes(NAN).data())));
    EXPECT_EQ(bdecode_float(f_bytes(1e-40F).data()), 0.0F);   // subnormal: zero
    EXPECT_EQ(bdecode_double(d_bytes(1e-300).data()), 0.0);   // below 2^-128: zero
    const std::uint8_t dirty[] = {0x00, 0x00, 0x12, 0x34};    // exponent 0, no sign
    EXPECT_EQ(bdecode_float(dirty), 0.0F);
    const std::uint8_t small[] = {0x80, 0x00, 0x00, 0x00};    // exponent 1: 2^-128
    EXPECT_EQ(bdecode_float(small), std::ldexp(1.0F, -128));
}

TEST(Integers, LittleEndian)
{
    std::uint8_t b[4];
    bencode_4(b, 0x01020304);
    EXPECT_EQ(b[0], 4);
    EXPECT_EQ(b[3], 1);
    EXPECT_EQ(bdecode_4(b), 0x01020304U);
    bencode_2(b, 0xBEEF);
    EXPECT_EQ(b[0], 0xEF);
    EXPECT_EQ(bdecode_2(b), 0xBEEF);
}

ZOG_CURSOR cursor_of(Bytes b)
{
    ZOG_CURSOR c;
    c.data = std::move(b);
    c.lim = static_cast<std::int32_t>(c.data.size());
    return c;
}

TEST(CountedString, AbsentAndEmptyBothWriteTwoZeroBytes)
{
    for (const ZText& t : {ZText{}, ZText{""}}) {
        ZOG_CURSOR c = cursor_of(Bytes(2, 0xAA));
        encode_str(&c, &t);
        EXPECT_EQ(c.data, (Bytes{0, 0}));
        EXPECT_EQ(c.pos, 2);
        c.pos = 0;
        ZText back;
        decode_str(&c, &back);
        ASSERT_TRUE(back.has_value());
        EXPECT_EQ(*back, "");
    }
}

TEST(CountedString, ZeroByteEndsTextButCursorSkipsAll)
{
    ZOG_CURSOR c = cursor_of({5, 0, 'a', 'b', 0, 'c', 'd', 0x77});
    ZText t;
    decode_str(&c, &t);
    EXPECT_EQ(*t, "ab");
    EXPECT_EQ(c.pos, 7);
    EXPECT_EQ(c.count, 7);
    EXPECT_FALSE(c.bad);
}

TEST(Cursor, LengthPastTheSectionIsRefusedBeforeCopying)
{
    ZOG_CURSOR c = cursor_of({0xFF, 0xFF, 'x'});
    ZText t;
    decode_str(&c, &t);
    EXPECT_TRUE(c.bad);
    EXPECT_FALSE(t.has_value());
    EXPECT_EQ(decode_4(&c), 0U);  // sticky
    ZOG_CURSOR d = cursor_of({1, 2, 3});
    EXPECT_EQ(decode_4(&d), 0U);
    EXPECT_TRUE(d.bad);
}

TEST(Cursor, TextLongerThanItsLengthFieldIsNotWritten)
{
    const ZText t = std::string(70000, 'x');
    ZOG_CURSOR c = cursor_of(Bytes(70002));
    encode_str(&c, &t);
    EXPECT_TRUE(c.bad);
    EXPECT_EQ(c.pos, 0);
}

}  // namespace
