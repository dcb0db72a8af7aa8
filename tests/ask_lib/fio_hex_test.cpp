// fio_hex_test.cpp -- the hexadecimal field Zw and Zw.m of the layout writer.
#include <gtest/gtest.h>

#include "fio.h"

struct HexCase { const char* layout; long long v; const char* want; };
constexpr HexCase hex_cases[] = {
    {"(Z8.8)", 0x02020000, "02020000"},          // leading zeros up to m digits
    {"(Z8)", 0x02010000, " 2010000"},            // right-aligned without them
    {"(Z8.8)", -1, "FFFFFFFF"},                  // a negative 4-byte integer's bits
    {"(Z4)", 0x12345, "****"},                   // too wide for its field
    {"(Z)", 255, "FF"},                          // at its own length
    {"(' id ',Z8.8,' vs ',Z8.8)", 0x01020001, " id 01020001 vs "},  // stops at the next field
};

TEST(FioHex, Fields)
{
    for (const auto& c : hex_cases)
        EXPECT_EQ(fio_format1(c.layout, {c.v}), c.want) << c.layout;
    EXPECT_EQ(fio_format1("(Z8.8)", {1.6}), "00000002");  // a real is rounded first
}
