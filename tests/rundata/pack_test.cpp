// pack_test.cpp -- packed bin streams: exact byte counts and runs, round trips,
// width conversions, and streams that do not hold what they claim.

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "zog_local.h"

namespace {

using Bins = std::vector<std::uint32_t>;
struct Run { std::uint32_t n; int w; };

std::vector<std::uint8_t> packed(const Bins& b)
{
    std::vector<std::uint8_t> out(static_cast<std::size_t>(zog_pack_bound(static_cast<std::int64_t>(b.size())) + 1));
    const std::int64_t n = ZOG_pack(static_cast<int>(b.size()), 4, b.data(), 0, out.data());
    out.resize(static_cast<std::size_t>(n));
    return out;
}

std::vector<Run> runs_of(const std::vector<std::uint8_t>& s)
{
    std::vector<Run> r;
    for (std::size_t p = 0; p + 3 <= s.size();) {
        const Run run{bdecode_2(&s[p]), s[p + 2]};
        r.push_back(run);
        p += 3 + static_cast<std::size_t>(run.n) * run.w;
    }
    return r;
}

Bins repeat(std::uint32_t v, std::size_t n) { return Bins(n, v); }
Bins cat(Bins a, const Bins& b) { a.insert(a.end(), b.begin(), b.end()); return a; }

struct PackCase {
    const char* what;
    Bins bins;
    std::size_t bytes;
    std::vector<Run> runs;
};

std::vector<PackCase> pack_cases()
{
    return {
        {"1000 zeros", repeat(0, 1000), 3, {{1000, 0}}},
        {"70000 zeros", repeat(0, 70000), 6, {{65535, 0}, {4465, 0}}},
        {"six zeros split", {5, 0, 0, 0, 0, 0, 0, 5}, 11, {{1, 1}, {6, 0}, {1, 1}}},
        {"five zeros kept", {5, 0, 0, 0, 0, 0, 5}, 10, {{7, 1}}},
        {"wide around zeros", {70000, 0, 0, 70000}, 17, {{1, 4}, {2, 0}, {1, 4}}},
        {"wide then ones", {70000, 1, 1, 1}, 13, {{1, 4}, {3, 1}}},
        {"two-byte around ones", {300, 1, 1, 1, 1, 1, 1, 300}, 19, {{1, 2}, {6, 1}, {1, 2}}},
        {"cap then wider", cat(repeat(1, 65535), {70000}), 65548, {{65535, 1}, {0, 1}, {1, 4}}},
        {"cap then same", repeat(1, 65536), 65542, {{65535, 1}, {1, 1}}},
        {"over four bytes a bin", {1, 256, 65536, 1, 1, 256, 65536, 1}, 37,
         {{1, 1}, {1, 2}, {1, 4}, {2, 1}, {1, 2}, {2, 4}}},
    };
}

TEST(Pack, ExactRunsAndSizes)
{
    for (const PackCase& c : pack_cases()) {
        const auto s = packed(c.bins);
        EXPECT_EQ(s.size(), c.bytes) << c.what;
        const auto r = runs_of(s);
        ASSERT_EQ(r.size(), c.runs.size()) << c.what;
        for (std::size_t i = 0; i < r.size(); ++i) {
            EXPECT_EQ(r[i].n, c.runs[i].n) << c.what << " run " << i;
            EXPECT_EQ(r[i].w, c.runs[i].w) << c.what << " run " << i;
        }
        EXPECT_TRUE(zog_stream_ok(static_cast<std::int64_t>(c.bins.size()), s.data(),
                                  static_cast<std::int64_t>(s.size()))) << c.what;
        Bins back(c.bins.size(), 0xDEADBEEF);
        EXPECT_EQ(ZOG_unpack(static_cast<int>(c.bins.size()), 0, s.data(), 4, back.data()),
                  static_cast<std::int64_t>(4 * c.bins.size()));
        EXPECT_EQ(back, c.bins) << c.what;
    }
    EXPECT_EQ(packed({}).size(), 0U);
    EXPECT_EQ(packed(repeat(0, 1000)), (std::vector<std::uint8_t>{0xE8, 0x03, 0x00}));
}

TEST(Pack, UnpackToTwoBytesKeepsLowBytes)
{
    const auto s = packed({70000, 0, 0, 70000});
    std::vector<std::uint16_t> out(4);
    EXPECT_EQ(ZOG_unpack(4, 0, s.data(), 2, out.data()), 8);
    EXPECT_EQ(out, (std::vector<std::uint16_t>{4464, 0, 0, 4464}));
}

TEST(Pack, WidthPairs)
{
    const std::uint32_t in4[] = {0x12345678, 0x9ABC, 0xFF};
    std::uint8_t out1[3];
    EXPECT_EQ(ZOG_pack(3, 4, in4, 1, out1), 3);
    EXPECT_EQ(out1[0], 0x78);
    std::uint16_t out2[3];
    EXPECT_EQ(ZOG_pack(3, 4, in4, 2, out2), 6);
    EXPECT_EQ(out2[1], 0x9ABC);
    std::uint32_t wide[3];
    const std::uint8_t in1[] = {1, 2, 255};
    EXPECT_EQ(ZOG_unpack(3, 1, in1, 4, wide), 12);
    EXPECT_EQ(wide[2], 255U);
    std::uint8_t junk[16] = {};
    EXPECT_EQ(ZOG_pack(3, 3, in4, 4, junk), 0);  // a pair outside the table
    EXPECT_EQ(ZOG_pack(3, 0, in4, 0, junk), 0);
    EXPECT_EQ(varBinArray(in4, 3, 0), 0U);
}

TEST(Pack, RandomRoundTripsStayWithinTheBound)
{
    std::mt19937 rng(7);
    for (int k = 0; k < 50; ++k) {
        const std::size_t n = rng() % 3000;
        Bins b(n);
        for (auto& v : b) {
            const int kind = static_cast<int>(rng() % 5);
            v = kind == 0 ? 0 : kind == 1 ? rng() % 256 : kind == 2 ? rng() % 65536 : kind == 3 ? rng() : 1;
        }
        const auto s = packed(b);
        EXPECT_LE(static_cast<std::int64_t>(s.size()), zog_pack_bound(static_cast<std::int64_t>(n)));
        Bins back(n);
        ZOG_unpack(static_cast<int>(n), 0, s.data(), 4, back.data());
        EXPECT_EQ(back, b);
    }
}

TEST(PackedStream, ClaimsThatDoNotHoldAreRefused)
{
    const auto s = packed({5, 0, 0, 0, 0, 0, 0, 5});  // 8 bins
    const auto n = static_cast<std::int64_t>(s.size());
    EXPECT_FALSE(zog_stream_ok(7, s.data(), n));       // counts pass the bins asked for
    EXPECT_FALSE(zog_stream_ok(9, s.data(), n));       // stream ends before the bins
    EXPECT_FALSE(zog_stream_ok(8, s.data(), n - 1));   // last run's value cut
    auto longer = s;
    longer.push_back(0);
    EXPECT_FALSE(zog_stream_ok(8, longer.data(), n + 1));  // bytes left over
    auto bad_width = s;
    bad_width[2] = 3;
    EXPECT_FALSE(zog_stream_ok(8, bad_width.data(), n));
    EXPECT_TRUE(zog_stream_ok(0, s.data(), 0));
}

}  // namespace
