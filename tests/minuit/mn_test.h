// mn_test.h -- a fresh engine per test, its printout captured from a file unit.
#pragma once

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "fio.h"
#include "minuit.h"

// Output unit of the engine during a test.
constexpr int mn_test_unit = 21;

class MnTest : public testing::Test {
protected:
    std::string path_;

    void SetUp() override
    {
        // Suite, test and process in the name: test processes of several build trees
        // (and like-named tests of two suites) run at the same time.
        const auto* info = testing::UnitTest::GetInstance()->current_test_info();
        path_ = testing::TempDir() + "mn_" + info->test_suite_name() + "_" + info->name() + "_" +
                std::to_string(getpid()) + ".out";
        ASSERT_EQ(fio_open(mn_test_unit, path_, FStatus::unknown), 0);
        mninit(5, mn_test_unit, 7);
    }
    void TearDown() override
    {
        fio_close(mn_test_unit);
        if (!HasFailure()) std::remove(path_.c_str());
    }
    // Everything printed so far.
    std::string out()
    {
        fio_flush_all();
        std::ifstream in(path_);
        std::stringstream ss;
        ss << in.rdbuf();
        return ss.str();
    }
    // Printout after the position mark (a size of out() taken earlier).
    std::string out_from(std::size_t mark) { return out().substr(mark); }
    static void define(int k, const char* name, double v, double step, double lo = 0,
                       double hi = 0)
    {
        int ier = -1;
        mnparm(k, name, v, step, lo, hi, ier);
        ASSERT_EQ(ier, 0);
    }
    static int command(mnfcn fcn, const char* word, std::vector<double> args = {})
    {
        int ier = -1;
        mnexcm(fcn, word, args.data(), static_cast<int>(args.size()), ier, nullptr);
        return ier;
    }
    static double value(int k)
    {
        std::string name;
        double v, e, lo, hi;
        int iint;
        mnpout(k, name, v, e, lo, hi, iint);
        return v;
    }
    static double error(int k)
    {
        std::string name;
        double v, e, lo, hi;
        int iint;
        mnpout(k, name, v, e, lo, hi, iint);
        return e;
    }
};

inline bool contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}
