// fio_rename_test.cpp -- a unit keeps its file, position and all, under a new name.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "fio.h"

namespace {

std::string text_of_file(const std::string& path)
{
    std::ifstream in(path);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

TEST(FioRename, UnitFollowsItsFile)
{
    const std::string dir = testing::TempDir() + "fio_rename_" + std::to_string(::getpid()) + "_";
    const std::string tmp = dir + "fio_rename.tmp", final_name = dir + "fio_rename.txt";
    std::ofstream(final_name) << "old\n";
    ASSERT_EQ(fio_open(40, tmp), 0);
    fio_write(40, "('first')");
    EXPECT_EQ(fio_rename(40, final_name + "  "), 0);  // trailing blanks are not the name
    EXPECT_EQ(fio_name(40), final_name);
    EXPECT_EQ(text_of_file(final_name), "first\n");    // the old file is replaced
    fio_write(40, "('second')");                        // and writing goes on where it was
    fio_close(40);
    EXPECT_EQ(text_of_file(final_name), "first\nsecond\n");
    EXPECT_EQ(std::fopen(tmp.c_str(), "r"), nullptr);
    std::remove(final_name.c_str());

    EXPECT_EQ(fio_rename(40, final_name), EBADF);       // closed
    EXPECT_EQ(fio_rename(6, final_name), EBADF);        // a standard stream is not ours
    ASSERT_EQ(fio_open(40, tmp), 0);
    EXPECT_EQ(fio_rename(40, dir + "no_such_folder/x"), ENOENT);
    EXPECT_EQ(fio_name(40), tmp);
    fio_close(40);
    std::remove(tmp.c_str());
}

}  // namespace
