// zog_test_util.h -- small helpers the run-data tests share: temporary files,
// byte images of files, and trees built in memory.
#pragma once

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
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
