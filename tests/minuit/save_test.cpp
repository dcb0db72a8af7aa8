// SAVE: the lines written on the save unit, and the questions it puts itself when that
// unit is not open in an interactive run.

#include <unistd.h>

#include <cmath>

#include "mn_test.h"

namespace {

void quad(int, double[], double& f, double x[], int, void*)
{
    f = (x[1] - 1) * (x[1] - 1) + 4 * (x[2] - 0.5) * (x[2] - 0.5);
}

std::string slurp(const std::string& path)
{
    std::ifstream in(path);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

// Standard input replaced by a pipe holding text, for the length of a test.
class StdinFrom {
public:
    explicit StdinFrom(const std::string& text)
    {
        int p[2];
        EXPECT_EQ(::pipe(p), 0);
        EXPECT_EQ(::write(p[1], text.data(), text.size()), static_cast<ssize_t>(text.size()));
        ::close(p[1]);
        saved_ = ::dup(0);
        ::dup2(p[0], 0);
        ::close(p[0]);
    }
    ~StdinFrom()
    {
        ::dup2(saved_, 0);
        ::close(saved_);
    }
    // What is left unread.
    static std::string rest()
    {
        std::string s;
        char c;
        while (::read(0, &c, 1) == 1) s += c;
        return s;
    }

private:
    int saved_ = -1;
};

}  // namespace

class Save : public MnTest {
protected:
    std::string save_path_;
    void SetUp() override
    {
        MnTest::SetUp();
        save_path_ = path_ + ".sav";
        define(1, "a", 0, 0.1);
        define(2, "b", 0.2, 0.1, 0, 1);
        define(3, "k", 7, 0);
        command(quad, "MIGRAD", {0, 0.0001});
    }
    void TearDown() override
    {
        fio_close(7);
        std::remove(save_path_.c_str());
        MnTest::TearDown();
    }
};

TEST_F(Save, WritesOnTheOpenSaveUnit)
{
    ASSERT_EQ(fio_open(7, save_path_, FStatus::unknown), 0);
    fio_write(7, "(A)", {"already here"});
    EXPECT_EQ(command(quad, "SAVE"), 0);
    fio_flush_all();
    const std::string s = slurp(save_path_);
    EXPECT_EQ(s.substr(0, 13), "already here\n");
    // Values are written to 10 digits; the definitions read back as MINUIT parameter lines.
    char want1[200], want2[200];
    std::snprintf(want1, sizeof want1, "    1 'a         '   %.9E   %.9E\n", value(1), error(1));
    std::snprintf(want2, sizeof want2, "    2 'b         '   %.9E   %.9E   0.000000000E+00   1.000000000E+00\n",
                  value(2), error(2));
    EXPECT_TRUE(contains(s, want1)) << s << want1;
    EXPECT_TRUE(contains(s, want2)) << s << want2;
    EXPECT_TRUE(contains(s, "    3 'k         '   7.000000000E+00   0.000000000E+00\n\nSET ERRDEF   1.000000000E+00\nSET COVARIANCE     2\n")) << s;
    EXPECT_EQ(s.substr(s.size() - 7), "RETURN\n");
}

TEST_F(Save, BatchWithoutSaveUnitWritesNothing)
{
    mn7flg.isw[6] = 0;
    const std::size_t m = out().size();
    EXPECT_EQ(command(quad, "SAVE"), 0);
    EXPECT_TRUE(contains(out_from(m), " MINUIT WARNING IN SAVE\n ============== UNIT  7 NOT OPEN.  NOTHING SAVED.\n"));
    EXPECT_FALSE(fio_is_open(7));
}

TEST_F(Save, InteractiveAsksForNameAndRewindReadingOnlyItsLines)
{
    mn7flg.isw[6] = 1;
    {
        std::ofstream old(save_path_);
        old << "old line\n";
    }
    {
        StdinFrom in(save_path_ + "\nno\nMIGRAD\n");
        const std::size_t m = out().size();
        EXPECT_EQ(command(quad, "SAVE"), 0);
        const std::string o = out_from(m);
        EXPECT_TRUE(contains(o, "\n PLEASE GIVE FILE NAME:\n SHOULD UNIT  7 BE REWOUND BEFORE WRITING TO IT?\n")) << o;
        EXPECT_EQ(StdinFrom::rest(), "MIGRAD\n");
    }
    fio_close(7);
    std::string s = slurp(save_path_);
    EXPECT_EQ(s.substr(0, 9), "old line\n");          // not rewound: written after it
    EXPECT_TRUE(contains(s, "    1 'a         '"));
    {
        StdinFrom in(save_path_ + "\nYes\n");
        EXPECT_EQ(command(quad, "SAVE"), 0);
    }
    fio_close(7);
    s = slurp(save_path_);
    EXPECT_EQ(s.substr(0, 6), "    1 ");            // rewound: rewritten from the start
}
