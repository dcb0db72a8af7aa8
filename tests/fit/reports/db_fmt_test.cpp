// db_fmt_test.cpp -- DB file rows: free and fixed form, continuation lines, remarks.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "db_fmt.h"
#include "report_fixture.h"

namespace {

class DbFmt : public InFolder {
protected:
    // The lines one row gives on a file unit.
    std::string row(const std::vector<float>& xdx, std::string_view remark, int fixed)
    {
        std::remove("row.db");
        EXPECT_EQ(fio_open(80, "row.db"), 0);
        db_fmt(80, static_cast<int>(xdx.size() / 3), xdx, remark, fixed);
        fio_close(80);
        return slurp("row.db");
    }
};

std::string repeat(const std::string& s, int n)
{
    std::string r;
    for (int i = 0; i < n; ++i) r += s;
    return r;
}

const std::string fixed_col = " 1.50000000    0.100000   0.200000    ";  // 38 wide

struct RowCase {
    const char* what;
    std::vector<float> xdx;
    std::string remark;
    int fixed;
    std::string want;
};

TEST_F(DbFmt, Rows)
{
    const RowCase cases[] = {
        // the fit's own row: time without errors, signal with equal errors
        {"time and signal", {0.0125f, 0, 0, 0.2314f, 0.0123f, 0.0123f}, "", 0,
         "0.0125, 0., , 0.2314, 0.0123, , \n"},
        {"different errors", {1.5f, 0.1f, 0.2f}, "", 0, "1.5, 0.1, 0.2, \n"},
        {"zero and a negative value", {0, 0, 0, -2.25f, 1e-3f, 1e-3f}, "", 0,
         "0., 0., , -2.25, 0.001, , \n"},
        // 10 characters a column: past position 89 after the 9th
        {"continued", std::vector<float>(30, 0), "", 0,
         repeat("0., 0., , ", 9) + "\\\n" + repeat("0., 0., , ", 1) + "\n"},
        {"fixed, five columns", {1.5f, 0.1f, 0.2f, 1.5f, 0.1f, 0.2f, 1.5f, 0.1f, 0.2f,
                                 1.5f, 0.1f, 0.2f, 1.5f, 0.1f, 0.2f}, "", 1,
         repeat(fixed_col, 3) + "\n" + repeat(fixed_col, 2) + "\n"},
        {"fixed writes equal errors", {1.5f, 0.1f, 0.1f}, "", 7,
         " 1.50000000    0.100000   0.100000    \n"},
        {"remark after the row", {1.5f, 0.1f, 0.2f}, "run 17  ", 0,
         "1.5, 0.1, 0.2,  run 17\n"},
        {"remark, fixed", {1.5f, 0.1f, 0.2f}, "run 17", 1, fixed_col + " run 17\n"},
        {"remark, no room (free)", std::vector<float>(24, 0), std::string(60, 'r'), 0,
         repeat("0., 0., , ", 8) + " \n" + " " + std::string(60, 'r') + "\n"},
        {"remark, no room (fixed)", {1.5f, 0.1f, 0.2f, 1.5f, 0.1f, 0.2f}, std::string(60, 'r'), 1,
         repeat(fixed_col, 2) + "\\\n" + " " + std::string(60, 'r') + "\n"},
        // an empty line is never ended first: a blank line would end the data block
        {"long remark cut to 127", {}, std::string(200, 'q'), 0, " " + std::string(127, 'q') + "\n"},
        {"blank remark", {1.5f, 0.1f, 0.2f}, "    ", 0, "1.5, 0.1, 0.2, \n"},
        {"remark starting with NUL", {1.5f, 0.1f, 0.2f}, std::string("\0abc", 4), 0,
         "1.5, 0.1, 0.2, \n"},
        {"nothing at all", {}, "", 0, ""},
    };
    for (const RowCase& c : cases) EXPECT_EQ(row(c.xdx, c.remark, c.fixed), c.want) << c.what;
}

// A count beyond the columns handed in writes only those.
TEST_F(DbFmt, ColumnCountBoundedByArray)
{
    const float xdx[] = {1.5f, 0.1f, 0.2f};
    ASSERT_EQ(fio_open(80, "row.db"), 0);
    db_fmt(80, 40, xdx, "", 0);
    fio_close(80);
    EXPECT_EQ(slurp("row.db"), "1.5, 0.1, 0.2, \n");
}

TEST_F(DbFmt, WritelineAndScreen)
{
    DbLine buf("abc");
    int nch = 1;
    ASSERT_EQ(fio_open(80, "row.db"), 0);
    db_fmt_writeline(buf, nch, 80);  // nothing written, still blanked
    EXPECT_TRUE(buf.blank());
    buf = "abcdef";
    nch = 4;
    db_fmt_writeline(buf, nch, 80);
    EXPECT_EQ(nch, 1);
    fio_close(80);
    EXPECT_EQ(slurp("row.db"), "abc\n");

    const float xdx[] = {2.5f, 0.5f, 0.5f};
    std::fflush(stdout);
    testing::internal::CaptureStdout();
    db_fmt(-1, 1, xdx, "", 0);
    fio_flush_all();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "2.5, 0.5, , \n");
}

}  // namespace
