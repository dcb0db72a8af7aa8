// zog_test_util.h -- small helpers the run-data tests share: temporary files,
// byte images of files, and trees built in memory.
#pragma once

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "zog_local.h"

using Bytes = std::vector<std::uint8_t>;

inline std::string temp_path(const std::string& name)
{
    return testing::TempDir() + "zog_" + name + "_" + std::to_string(::getpid());
}

// A folder of the test's own, empty; remove it with std::filesystem::remove_all.
inline std::string scratch_dir(const std::string& name)
{
    std::string t = testing::TempDir() + "zog_" + name + "_XXXXXX";
    if (mkdtemp(t.data()) == nullptr) ADD_FAILURE() << "mkdtemp " << t;
    return t;
}

// The names in a folder, sorted.
inline std::vector<std::string> names_in(const std::string& dir)
{
    std::vector<std::string> v;
    for (const auto& e : std::filesystem::directory_iterator(dir)) v.push_back(e.path().filename().string());
    std::sort(v.begin(), v.end());
    return v;
}

inline Bytes file_bytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void put_file(const std::string& path, const Bytes& b)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
}

// The bytes a whole tree writes, end-of-file section included.
inline Bytes tree_bytes(ZOG_SEC* head)
{
    const std::string p = temp_path("tree");
    FILE* f = ZOG_openOutput(p.c_str());
    EXPECT_NE(f, nullptr);
    EXPECT_EQ(ZOG_writeFile(f, head), 1);
    std::fclose(f);
    Bytes b = file_bytes(p);
    std::remove(p.c_str());
    return b;
}

// Reads the whole file image back as a tree.
inline ZOG_SEC* tree_of(const Bytes& b)
{
    const std::string p = temp_path("read");
    put_file(p, b);
    FILE* f = ZOG_openInput(p.c_str());
    ZOG_SEC* head = ZOG_readFile(f);
    std::fclose(f);
    std::remove(p.c_str());
    return head;
}

template <class R>
R* make_rec(std::uint32_t secID, std::uint32_t inst)
{
    return static_cast<R*>(ZOG_new(secID, inst));
}

inline void put32(Bytes& b, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

// A core of a section, then its body bytes.
inline Bytes section(std::uint32_t size, std::uint32_t secID, std::uint32_t inst, const Bytes& body = {})
{
    Bytes b;
    put32(b, size);
    put32(b, secID);
    put32(b, inst);
    b.insert(b.end(), body.begin(), body.end());
    return b;
}

// Runs a fault-injection loop: body(k) with the k-th hook call failing, from
// k = 1 until a run no longer reaches the fault.
struct FaultAt {
    static inline int left = 0;
    static inline bool hit = false;
    static int hook(int) { if (--left == 0) { hit = true; return 1; } return 0; }
};

template <class F>
int fault_loop(F body, int most = 5000)
{
    int k = 1;
    for (; k <= most; ++k) {
        FaultAt::left = k;
        FaultAt::hit = false;
        zog_fault = FaultAt::hook;
        body(k);
        zog_fault = nullptr;
        if (!FaultAt::hit) break;
    }
    zog_fault = nullptr;
    return k;
}

// ---- files built byte by byte, apart from the library's encoder: each
// section's core, body and a group's index are laid out here by hand.
namespace fb {

inline void put16(Bytes& b, std::uint16_t v)
{
    b.push_back(static_cast<std::uint8_t>(v));
    b.push_back(static_cast<std::uint8_t>(v >> 8));
}

inline void cat(Bytes& b, const Bytes& more) { b.insert(b.end(), more.begin(), more.end()); }

inline Bytes str(const std::string& s)  // a counted string
{
    Bytes b;
    put16(b, static_cast<std::uint16_t>(s.size()));
    b.insert(b.end(), s.begin(), s.end());
    return b;
}

// A double as VAX D: 0.1f x 2^(e-128), the fraction's leading 1 not stored.
inline Bytes vaxd(double v)
{
    Bytes b;
    if (v == 0) return Bytes(8, 0);
    int e = 0;
    const double m = std::frexp(std::fabs(v), &e);  // |v| = m 2^e, m in [0.5, 1)
    const auto frac = static_cast<std::uint64_t>(std::ldexp(m, 56)) - (std::uint64_t{1} << 55);
    put16(b, static_cast<std::uint16_t>((v < 0 ? 0x8000 : 0) | (e + 128) << 7 | frac >> 48));
    put16(b, static_cast<std::uint16_t>(frac >> 32));
    put16(b, static_cast<std::uint16_t>(frac >> 16));
    put16(b, static_cast<std::uint16_t>(frac));
    return b;
}

// A section with what follows it in the file (a group's members).
struct Sec {
    Bytes bytes;
    std::uint32_t secID = 0, inst = 0;
};

inline Sec leaf(std::uint32_t secID, std::uint32_t inst, const Bytes& body)
{
    return {section(static_cast<std::uint32_t>(12 + body.size()), secID, inst, body), secID, inst};
}

// A group: its index points at each member from the end of the group's own section.
inline Sec group(std::uint32_t kind, const std::vector<Sec>& members)
{
    Bytes body, after;
    put32(body, static_cast<std::uint32_t>(members.size()));
    std::uint32_t mem = 0;
    for (const Sec& m : members) mem += static_cast<std::uint32_t>(m.bytes.size());
    put32(body, mem);
    std::uint32_t off = 0;
    for (const Sec& m : members) {
        put32(body, off);
        put32(body, m.secID);
        put32(body, m.inst);
        off += static_cast<std::uint32_t>(m.bytes.size());
        cat(after, m.bytes);
    }
    Sec g = leaf(0x01010003, kind, body);
    cat(g.bytes, after);
    return g;
}

inline Bytes end_section() { return section(12, 0x01010004, 1); }

inline Bytes whole(const Sec& head, const Bytes& end = end_section())
{
    Bytes b = head.bytes;
    cat(b, end);
    return b;
}

// Bodies.
inline Bytes ints(std::initializer_list<std::uint32_t> v)
{
    Bytes b;
    for (const std::uint32_t x : v) put32(b, x);
    return b;
}

inline Bytes texts(std::initializer_list<std::string> v)
{
    Bytes b;
    for (const std::string& s : v) cat(b, str(s));
    return b;
}

inline Bytes hist_header(std::uint32_t nBins, std::uint32_t bytesPerBin, std::uint32_t nBytes,
                         const std::string& title)
{
    Bytes b = ints({1, nBytes, nBins, bytesPerBin, 20, 0, 1, 1, nBins, 1, 1, 0});
    cat(b, str(title));
    return b;
}

inline Bytes hist_data(const Bytes& data)
{
    Bytes b = ints({static_cast<std::uint32_t>(data.size())});
    cat(b, data);
    return b;
}

inline Bytes summary(double mean, const std::string& name)
{
    Bytes b;
    for (const double x : {mean - 1, mean + 1, mean, 0.5, 0.0}) cat(b, vaxd(x));
    cat(b, texts({name, "", ""}));
    return b;
}

inline Bytes array(std::uint32_t num, std::uint32_t elemSize, std::uint32_t type, std::uint32_t nBytes,
                   const Bytes& data, const std::vector<std::uint32_t>& times = {})
{
    Bytes b = ints({num, elemSize, type, times.empty() ? 0U : 1U, nBytes});
    cat(b, data);
    for (const std::uint32_t t : times) put32(b, t);
    return b;
}

inline Bytes comment(std::uint32_t number, const std::string& text)
{
    Bytes b = ints({number, 0, 0, 0});
    cat(b, texts({"author", "title", text}));
    return b;
}

}  // namespace fb
