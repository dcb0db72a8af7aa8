// report_dispar_test.cpp -- parameter lines: fields, value texts, refused numbers, modifiers.
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "dispar.h"
#include "fio.h"
#include "fit_fixture.h"
#include "fit_spectra.h"

namespace {

struct Values {
    Pars xx{}, dx{};
};

std::string line_of(const Values& v, int npx, int number, std::string_view name,
                    std::string_view description, std::string_view joiner, int modifier)
{
    testing::internal::CaptureStdout();
    dispar(-1, npx, v.xx.data(), v.dx.data(), number, name, description, joiner, modifier);
    fio_flush_all();
    return testing::internal::GetCapturedStdout();
}

class Dispar : public testing::Test {
protected:
    void SetUp() override
    {
        clear_fit();
        set_characters(0);
        v.xx[12] = 45.5, v.dx[12] = 1.25;
        v.xx[3] = 10.0, v.dx[3] = 0.5;
        v.xx[7] = 0.12345678, v.dx[7] = 0.0012345;
        v.xx[5] = 2.5, v.dx[5] = 0;  // fixed
        vulmapr.x_vul(201) = 0.5;
        vulmapr.x_vul(299) = -3;
        expressions.nexpr = 12;
        for (int e = 1; e <= 12; ++e) expressions.jexpr(e) = 250;
        expressions.jexpr(1) = 201;
        expressions.jexpr(12) = 299;
    }
    void TearDown() override { set_characters(0); }  // the signs other tests expect
    Values v;
};

struct LineCase {
    int number;
    const char* name;
    const char* description;
    const char* joiner;
    int modifier;
    const char* want;
};

// npx is 20 in every row.
constexpr LineCase line_cases[] = {
    // the typical line, a packed modifier after a value with error
    {12, "PHI", "Initial Phase (degrees)", "+", 3,
     " (12)  PHI: Initial Phase (degrees) = ( 45.5000000 +/- 1.25000) + (10.+/-0.5)\n"},
    {7, "A", "Asymmetry at t=0 ", "*", 0,
     " (7)   A:   Asymmetry at t=0        = ( 0.12345678 +/- 0.00123)\n"},
    {12, "A", "Asymmetry at t=0 ", "*", 7,
     " (12)  A:   Asymmetry at t=0        = ( 45.5000000 +/- 1.25000) * (0.12346+/-0.0012)\n"},
    // a fixed parameter: its value alone in 12 columns; a modifier after it is unpacked
    {5, "N", "Norm;  Counts/ns at t=0", " ", 0,
     " (5)   N:   Norm;  Counts/ns at t=0 = 2.5         \n"},
    {5, "RN", "Relative Normalization", "*", 7,
     " (5)   RN:  Relative Normalization  = 2.5          * ( 0.12345678 +/- 0.00123)\n"},
    // expressions: their value and list position; none in the list gives 0
    {201, "Om1", "Omni Table param", " ", 0,
     " (201) Om1: Omni Table param        = 0.5          (Expr 1)\n"},
    {299, "R", "Asym scaling factor", " ", 0,
     " (299) R:   Asym scaling factor     = -3.          (Expr 12)\n"},
    {250, "TH", "Phase offset (degrees)", " ", 0,
     " (250) TH:  Phase offset (degrees)  = 0.           (Expr 11)\n"},
    {220, "TH", "Phase offset (degrees)", " ", 0,
     " (220) TH:  Phase offset (degrees)  = 0.           (Expr 0)\n"},
    // blanks inside a label are squeezed out; an invalid modifier is left out
    {7, "A B", "Asymmetry at t=0 ", "*", 150,
     " (7)   AB:  Asymmetry at t=0        = ( 0.12345678 +/- 0.00123)\n"},
    {7, "A", "Asymmetry at t=0 ", "*", 21,
     " (7)   A:   Asymmetry at t=0        = ( 0.12345678 +/- 0.00123)\n"},
    // refused numbers: 0, above npx, 101..200, 300
    {0, "A", "x", " ", 0, "     ERROR!  Bad parameter number:     0\n"},
    {21, "A", "x", " ", 0, "     ERROR!  Bad parameter number:    21\n"},
    {101, "A", "x", " ", 0, "     ERROR!  Bad parameter number:   101\n"},
    {200, "A", "x", " ", 0, "     ERROR!  Bad parameter number:   200\n"},
    {300, "A", "x", " ", 0, "     ERROR!  Bad parameter number:   300\n"},
};

TEST_F(Dispar, Lines)
{
    for (const LineCase& c : line_cases)
        EXPECT_EQ(line_of(v, 20, c.number, c.name, c.description, c.joiner, c.modifier), c.want)
            << c.number << " " << c.name;
}

TEST_F(Dispar, OneCharacterSignAndUnits)
{
    set_characters(1);
    EXPECT_EQ(line_of(v, 20, 7, "A", "Asymmetry at t=0 ", "*", 12),
              " (7)   A:   Asymmetry at t=0        = ( 0.12345678 \xb1 0.00123) * (45.5\xb1"
              "1.25)\n");
    // The log unit takes the line when lun is 0 or more.
    const std::string path =
        testing::TempDir() + "report_dispar_" + std::to_string(::getpid()) + ".txt";
    ASSERT_EQ(fio_open(2, path), 0);
    dispar(2, 20, v.xx.data(), v.dx.data(), 0, "A", "x", " ", 0);
    fio_close(2);
    ASSERT_EQ(fio_open(2, path, FStatus::old), 0);
    std::string got;
    EXPECT_EQ(fio_read_line(2, got), 0);
    fio_close(2);
    EXPECT_EQ(got, "     ERROR!  Bad parameter number:     0");
}

TEST_F(Dispar, ValueTexts)
{
    FText<32> c;
    int lc = 0;
    formparval(7, v.xx.data(), v.dx.data(), lc, c.span(), 0);
    EXPECT_EQ(c.full().substr(0, static_cast<std::size_t>(lc)), "( 0.12345678 +/- 0.00123)");
    formparval(7, v.xx.data(), v.dx.data(), lc, c.span(), 1);
    EXPECT_EQ(c.full().substr(0, static_cast<std::size_t>(lc)), "(0.12346+/-0.0012)");
    formparval(5, v.xx.data(), v.dx.data(), lc, c.span(), 1);
    EXPECT_EQ(lc, 12);
    EXPECT_EQ(c.trimmed(), "2.5");
}

}  // namespace
