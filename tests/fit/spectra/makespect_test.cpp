// makespect_test.cpp -- spectrum construction on small runs put into the run records:
// packing, widths, time axis, the five spectrum types, errors and every failure.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "makespect.h"
#include "run_records.h"
#include "spect_fixture.h"
#include "titles.h"

namespace {

int build(std::string* out = nullptr)
{
    testing::internal::CaptureStdout();
    int ierr = 12345;
    makespect(ierr);
    const std::string text = testing::internal::GetCapturedStdout();
    if (out) *out = text;
    return ierr;
}

float& r1(int row) { return rspectctrl.r_ctl(row, 1); }
float val(int i) { return fitdata.bin_in(i); }
float err(int i) { return fitdata.err_in(i); }

constexpr double two_pi = 6.283185307179586;
constexpr double tau = 2.1971399784088135;

}  // namespace

// ---- packi2r and join2asy -------------------------------------------------------------

TEST(Packi2r, SumsConsecutiveCounts)
{
    const int raw[] = {1, 2, 3, 4, 5, 6, 7};
    float out[4] = {-1, -1, -1, -1};
    packi2r(raw, out, 3, 2);
    EXPECT_EQ(out[0], 3.0f);
    EXPECT_EQ(out[1], 7.0f);
    EXPECT_EQ(out[2], 11.0f);
    EXPECT_EQ(out[3], -1.0f);
    packi2r(raw, out, 0, 2);  // nothing for n or npac not above 0
    packi2r(raw, out, 2, 0);
    packi2r(raw, out, 2, -1);
    EXPECT_EQ(out[0], 3.0f);
}

TEST(Join2asy, WeightedMeanOfOneAndNegatedOther)
{
    // blocks of 2: block 1 = (0.2, 0.4) +- (1, 2), block 2 = (0.1, -0.2) +- (1, 1)
    float v[8] = {0.2f, 0.4f, 0.1f, -0.2f, 9, 9, 9, 9};
    float e[8] = {1, 2, 1, 1, 9, 9, 9, 9};
    join2asy(v, e, 1, 2, 2);
    EXPECT_NEAR(v[0], 0.05, 1e-7);                    // (0.2 - 0.1) / 2
    EXPECT_NEAR(e[0], std::sqrt(0.5), 1e-7);
    EXPECT_NEAR(v[1], 0.24, 1e-7);                    // (0.4/4 + 0.2) / 1.25
    EXPECT_NEAR(e[1], std::sqrt(1 / 1.25), 1e-7);
    EXPECT_EQ(v[2], 0.1f);                            // block 2 unchanged
    join2asy(v, e, 0, 2, 2);
    join2asy(v, e, 1, 5, 2);
    EXPECT_NEAR(v[0], 0.05, 1e-7);
}

// The weighted mean is formed in 4-byte reals, as the arrays are.
TEST(Join2asy, FourByteArithmetic)
{
    float v[6] = {0.31f, -0.27f, 0.123456f, 0.11f, 0.4f, -0.0713f};
    float e[6] = {0.07f, 0.013f, 0.0521f, 0.13f, 0.021f, 0.0077f};
    float want_v[3], want_e[3];
    for (int i = 0; i < 3; ++i) {
        const float w1 = 1.0f / (e[i] * e[i]), w2 = 1.0f / (e[3 + i] * e[3 + i]);
        want_v[i] = (v[i] * w1 - v[3 + i] * w2) / (w1 + w2);
        want_e[i] = std::sqrt(1.0f / (w1 + w2));
    }
    join2asy(v, e, 1, 2, 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(v[i], want_v[i]) << i;
        EXPECT_EQ(e[i], want_e[i]) << i;
    }
}

// ---- raw widths, packed width and time axis ---------------------------------------------

// Two 1-ns overrides with a 10-ns packed width: 10 raw bins to a packed bin.
TEST(Makespect, RawOverrideAndRequestedWidth)
{
    new_run(2);
    set_hist(1, {.nbins = 400, .t0 = 10, .good1 = 20, .good2 = 399}, [](int) { return 1.0; });
    set_hist(2, {.nbins = 400, .t0 = 10, .good1 = 20, .good2 = 399}, [](int) { return 2.0; });
    ispectctrl.jhist(1) = 1;
    ispectctrl.jhist(2) = 2;
    r1(1) = r1(2) = 0.001f;
    r1(rctl_width) = 0.01f;
    ispectctrl.i_ctl(1, 1) = 0;
    ASSERT_EQ(build(), 0);
    EXPECT_FLOAT_EQ(spectimes.tbin, 0.01f);
    EXPECT_EQ(val(1), 10.0f);                 // ten 1-count bins
    EXPECT_EQ(err(1), std::sqrt(11.0f));
    EXPECT_FLOAT_EQ(r1(rctl_width), 0.01f);
}

// Codes 3 (0.625 ns) and 4 (1.25 ns), no width asked: 1.25 ns, npac 2 and 1.
TEST(Makespect, CoarsestRawWidthWins)
{
    new_run(2);
    set_hist(1, {.nbins = 200, .code = 3, .t0 = 10, .good1 = 20, .good2 = 199, .bkg1 = 1,
                 .bkg2 = 5}, [](int k) { return k < 10 ? 0.0 : 30.0; });
    set_hist(2, {.nbins = 200, .code = 4, .t0 = 10, .good1 = 20, .good2 = 199, .bkg1 = 1,
                 .bkg2 = 5}, [](int k) { return k < 10 ? 0.0 : 20.0; });
    ispectctrl.type() = 2;
    ispectctrl.jhist(1) = 1;
    ispectctrl.jhist(2) = 2;
    ASSERT_EQ(build(), 0);
    EXPECT_FLOAT_EQ(spectimes.tbin, 0.00125f);
    EXPECT_FLOAT_EQ(val(1), (60.0f - 20.0f) / 80.0f);  // F = 2 x 30, B = 20
}

struct WidthCase { float raw1, raw2, want_width; int result; };
constexpr WidthCase width_cases[] = {
    {0.001f, 0.0015f, 0.003f, 0},       // 3 ns: npac 3 and 2, both exact
    {0.001f, 0.0015f, 0.002f, -103},    // 1.5 ns x NINT(2/1.5): the 1-ns slot gives 2 ns
};

TEST(Makespect, PackingCompatibility)
{
    for (const auto& c : width_cases) {
        new_run(2);
        set_hist(1, {.nbins = 600, .t0 = 10, .good1 = 20, .good2 = 599}, [](int) { return 5.0; });
        set_hist(2, {.nbins = 600, .t0 = 10, .good1 = 20, .good2 = 599}, [](int) { return 5.0; });
        ispectctrl.type() = 3;
        ispectctrl.jhist(1) = 1;
        ispectctrl.jhist(2) = 2;
        ispectctrl.ibg(1, 1) = ispectctrl.ibg(2, 1) = 1;   // background of 5: never 0
        ispectctrl.ibg(1, 2) = ispectctrl.ibg(2, 2) = 1;
        r1(1) = c.raw1;
        r1(2) = c.raw2;
        r1(rctl_width) = c.want_width;
        histograms.ih(1, 1) = histograms.ih(1, 2) = 1;
        std::string out;
        EXPECT_EQ(build(&out), c.result) << c.want_width;
        if (c.result == -103) {
            EXPECT_EQ(out, " *** Packing incompatibility ***\n"
                           "Histogram  1 has a bin size     1.000000 which is incompatible with \n"
                           "    1.500000ns (gives     2.000000)\n");
        }
    }
}

// Which value of time zero, first and last bin wins, seen through the first packed
// count (counts equal to the row number).
struct MarkerCase { float raw_bin, raw_t0; int it0, good1, good2; float first_val; int npk; };
constexpr MarkerCase marker_cases[] = {
    {0, 0, 0, 0, 0, 30, 70},              // file: t0 10, good 30..150 -> 99 (nbins - 1)
    {0, 0.055f, 0, 0, 0, 30, 70},         // raw_t0 55 ns -> kt0 5; good from the file
    {0, 0.055f, 20, 0, 0, 30, 70},        // it0 wins over raw_t0
    {0, 0, 0, 40, 60, 40, 21},            // good bins of the settings
    {1e-7f, 0, 0, 0, 0, 30, 70},          // an override below 1e-6 us is ignored
};

TEST(Makespect, MarkersAndGoodBins)
{
    for (const auto& c : marker_cases) {
        new_run(1);
        set_hist(1, {.nbins = 100, .t0 = 10, .good1 = 30, .good2 = 150},
                 [](int k) { return k; });
        r1(1) = c.raw_bin;
        r1(5) = c.raw_t0;
        ispectctrl.jhist(1) = 1;
        ispectctrl.it0(1) = c.it0;
        ispectctrl.igood(1, 1) = c.good1;
        ispectctrl.igood(1, 2) = c.good2;
        ASSERT_EQ(build(), 0) << c.it0 << " " << c.raw_t0;
        EXPECT_EQ(val(1), c.first_val);
        EXPECT_EQ(ispectctrl.npk, c.npk);
    }
}

// The time zero chosen moves the time axis, not the bins packed.
TEST(Makespect, TimeAxisFollowsTimeZero)
{
    new_run(1);
    set_hist(1, {.nbins = 100, .t0 = 10, .good1 = 30, .good2 = 99}, [](int k) { return k; });
    ispectctrl.jhist(1) = 1;
    std::string out;
    ASSERT_EQ(build(&out), 0);
    EXPECT_EQ(out, " Ready to pack    70  0.010000-us bins from  0.200000 to   0.900000 us\n");
    EXPECT_FLOAT_EQ(spectimes.t1, 0.2f);
    EXPECT_FLOAT_EQ(spectimes.t2, 0.9f);
    EXPECT_FLOAT_EQ(spectimes.tbin, 0.01f);
    set_characters(1);
    ispectctrl.it0(1) = 20;
    r1(rctl_first) = r1(rctl_last) = 0.0f;  // the construction wrote the centres it used
    ASSERT_EQ(build(&out), 0);
    EXPECT_EQ(out, " Ready to pack    70  0.010000-\xB5s bins from  0.100000 to   0.800000 \xB5s\n");
    set_characters(0);
    EXPECT_EQ(val(1), 30.0f);
}

// The last edge is e1 + tbin m in 4-byte reals: 0.05 + 1654 x 0.01 is 16.589998 there,
// where an 8-byte sum would round back to 16.590000.
TEST(Makespect, TimeAxisEdgesInFourByteReals)
{
    new_run(1);
    set_hist(1, {.nbins = 2000, .t0 = 100, .good1 = 105, .good2 = 1758}, [](int) { return 9.0; });
    ispectctrl.jhist(1) = 1;
    std::string out;
    ASSERT_EQ(build(&out), 0);
    EXPECT_EQ(out, " Ready to pack  1654  0.010000-us bins from  0.050000 to  16.589998 us\n");
    EXPECT_EQ(spectimes.t2, 0.05f + 0.01f * 1654.0f);
}

// ---- spectrum types ------------------------------------------------------------------------

// Type 0: raw counts with sqrt(N + 1); no background even when one is given.
TEST(Makespect, RawCountsKeepBackground)
{
    new_run(1);
    set_hist(1, {.nbins = 50, .t0 = 5, .good1 = 6, .good2 = 49, .bkg1 = 1, .bkg2 = 4},
             [](int k) { return k < 5 ? 100.0 : 3.0 * k; });
    ispectctrl.jhist(1) = 1;
    ispectctrl.ibg(1, 1) = 1;
    ispectctrl.ibg(1, 2) = 4;
    ASSERT_EQ(build(), 0);
    EXPECT_EQ(val(1), 18.0f);
    EXPECT_EQ(err(1), std::sqrt(19.0f));
    EXPECT_EQ(val(2), 21.0f);
}

// Small two-histogram fixture, checked against hand-computed values. Rows 1-2 hold
// the backgrounds 10 and 5, rows 5-14 the counts; bins of 10 ns, t0 at row 3.
namespace {
constexpr double fwd[] = {110, 70, 50, 30, 20, 15, 14, 13, 12, 11};
constexpr double bwd[] = {55, 45, 25, 25, 15, 10, 9, 8, 7, 6};

void two_hist_fixture(int type)
{
    new_run(2);
    const HistSpec spec{.nbins = 20, .t0 = 3, .good1 = 5, .good2 = 14, .bkg1 = 1, .bkg2 = 2};
    set_hist(1, spec, [](int k) { return k <= 2 ? 10.0 : k >= 5 && k <= 14 ? fwd[k - 5] : 0.0; });
    set_hist(2, spec, [](int k) { return k <= 2 ? 5.0 : k >= 5 && k <= 14 ? bwd[k - 5] : 0.0; });
    ispectctrl.type() = type;
    ispectctrl.jhist(1) = 1;
    ispectctrl.jhist(2) = 2;
}
}  // namespace

TEST(Makespect, TwoHistogramAsymmetryByHand)
{
    two_hist_fixture(2);
    ASSERT_EQ(build(), 0);
    ASSERT_EQ(ispectctrl.npk, 10);
    // bin 1: F 100, B 50: 50/150; error 2 sqrt(55*100^2 + 110*50^2) / 150^2
    EXPECT_NEAR(val(1), 0.3333333, 1e-6);
    EXPECT_NEAR(err(1), 0.0807373, 1e-6);
    // bin 2: F 60, B 40: 0.2; error 2 sqrt(45*3600 + 70*1600) / 100^2
    EXPECT_NEAR(val(2), 0.2, 1e-6);
    EXPECT_NEAR(err(2), 0.1046900, 1e-6);
    // bin 10: F 1, B 1: 0; error 2 sqrt(6 + 11) / 4
    EXPECT_NEAR(val(10), 0.0, 1e-7);
    EXPECT_NEAR(err(10), 2.0615528, 1e-6);
    EXPECT_FLOAT_EQ(rspectctrl.sum(1), 245.0f);  // sum of F
    EXPECT_FLOAT_EQ(rspectctrl.sum(2), 155.0f);  // sum of B
}

TEST(Makespect, RatioByHand)
{
    two_hist_fixture(3);
    ASSERT_EQ(build(), 0);
    // bin 1: 100/50; error sqrt(110*50^2 + 55*100^2) / 50^2
    EXPECT_NEAR(val(1), 2.0, 1e-6);
    EXPECT_NEAR(err(1), 0.3633180, 1e-6);
    // bin 3: 40/20; error sqrt(50*400 + 25*1600) / 400
    EXPECT_NEAR(val(3), 2.0, 1e-6);
    EXPECT_NEAR(err(3), 0.6123724, 1e-6);
}

// A forward count exactly at background fails the asymmetry.
TEST(Makespect, TwoHistogramCountsTooLow)
{
    two_hist_fixture(2);
    histograms.ih(9, 1) = 10;  // bin 5: F = 0
    std::string out;
    EXPECT_EQ(build(&out), -107);
    EXPECT_EQ(spect_errmess(-107), "Asy failure: Counts too low                     ");
}

// Single-histogram asymmetry of a noiseless precessing signal recovers its asymmetry,
// its N0 and its error sqrt(N + 1) e^(t/tau) / N0.
TEST(Makespect, SingleHistogramRecoversAsymmetry)
{
    constexpr double n0 = 20000, b = 25, a = 0.2, f = 20;
    new_run(1);
    set_hist(1, {.nbins = 2000, .t0 = 100, .good1 = 105, .good2 = 1100, .bkg1 = 5, .bkg2 = 90},
             [&](int k) { return k < 100 ? b : musr_counts((k - 100) * 0.01, n0, b, a, f); });
    ispectctrl.type() = 1;
    ispectctrl.jhist(1) = 1;
    ASSERT_EQ(build(), 0);
    const int npk = ispectctrl.npk;
    ASSERT_EQ(npk, 996);
    double worst = 0;
    for (int i = 1; i <= npk; ++i) {
        const double t = spectimes.t1 + (i - 1) * double(spectimes.tbin);
        const double n = musr_counts(t, n0, b, a, f);
        const double r = std::exp(t / tau) / n0;
        worst = std::max(worst, std::fabs(val(i) - a * std::cos(two_pi * f * t)) / err(i));
        ASSERT_NEAR(err(i), std::sqrt(std::round(n) + 1) * r, 3e-3 * err(i)) << i;
    }
    EXPECT_LT(worst, 0.1);  // within a tenth of an error bar everywhere
    const double a0 = spectimes.t1 - 0.005, c0 = spectimes.t2 + 0.005;
    const double sum_want = n0 * tau / 0.01 * (std::exp(-a0 / tau) - std::exp(-c0 / tau));
    EXPECT_NEAR(rspectctrl.sum(1) / sum_want, 1.0, 1e-3);
    EXPECT_FLOAT_EQ(r1(rctl_tau), 2.19714f);  // the default lifetime filled in
}

// With npk of 5 or less the measured background stays.
TEST(Makespect, ShortSpectrumKeepsMeasuredBackground)
{
    new_run(1);
    set_hist(1, {.nbins = 40, .t0 = 10, .good1 = 12, .good2 = 16, .bkg1 = 1, .bkg2 = 8},
             [](int k) { return k < 10 ? 7.0 : 1007.0; });
    ispectctrl.type() = 1;
    ispectctrl.jhist(1) = 1;
    ASSERT_EQ(build(), 0);
    ASSERT_EQ(ispectctrl.npk, 5);
    EXPECT_FLOAT_EQ(rspectctrl.sum(1), 5000.0f);   // 5 x (1007 - 7)
    // a background range past the last bin ends there: rows beyond hold another run
    for (int k = 41; k <= 60; ++k) histograms.ih(k, 1) = 1000000;
    for (int k = 31; k <= 40; ++k) histograms.ih(k, 1) = 17;
    ispectctrl.ibg(1, 1) = 31;
    ispectctrl.ibg(1, 2) = 60;
    rspectctrl.r_ctl.fill(0.0f);
    ASSERT_EQ(build(), 0);
    EXPECT_FLOAT_EQ(rspectctrl.sum(1), 4950.0f);   // 5 x (1007 - 17)
}

// N0 comes from the counts above background as their 4-byte row holds them: 5 x 4000001
// is no 4-byte real, and the rate from the exact sum would move every value by 5e-8. The
// counts less the background (1/3) are a 4-byte difference too.
TEST(Makespect, RateFromTheFourByteSum)
{
    new_run(1);
    set_hist(1, {.nbins = 40, .t0 = 10, .good1 = 11, .good2 = 15, .bkg1 = 1, .bkg2 = 3},
             [](int k) { return k == 1 ? 1.0 : k < 10 ? 0.0 : 4000001.0; });
    ispectctrl.type() = 1;
    ispectctrl.jhist(1) = 1;
    ASSERT_EQ(build(), 0);
    ASSERT_EQ(ispectctrl.npk, 5);
    ASSERT_NE(static_cast<double>(rspectctrl.sum(1)), 20000005.0);
    const float t = 2.19714f;
    const double w = r1(rctl_width);
    const double a = r1(rctl_first) - w / 2.0, c = r1(rctl_last) + w / 2.0;
    const double expa = std::exp(-a / t), expc = std::exp(-c / t);
    const double dndt = static_cast<double>(rspectctrl.sum(1)) * spectimes.tbin / ((expa - expc) * t);
    double r = std::exp(static_cast<double>(r1(rctl_first)) / t) / dndt;
    const double step = std::exp(w / t);
    const float above = 4000001.0f - 1.0f / 3.0f;
    ASSERT_NE(static_cast<double>(above), 4000001.0 - static_cast<double>(1.0f / 3.0f));
    for (int i = 1; i <= 5; ++i, r *= step) {
        EXPECT_EQ(val(i), static_cast<float>(static_cast<double>(above) * r - 1.0)) << i;
        EXPECT_EQ(err(i), static_cast<float>(static_cast<double>(std::sqrt(4000002.0f)) * r)) << i;
    }
}

// ---- rotating reference frame ---------------------------------------------------------------

namespace {
// Slots 1-4 get forward, backward, up, down counters of a signal precessing at f MHz.
void rrf_fixture(double f, int slots)
{
    constexpr double n0 = 50000, b = 10, a = 0.25;
    new_run(4);
    const HistSpec spec{.nbins = 1200, .t0 = 100, .good1 = 101, .good2 = 1199, .bkg1 = 5,
                        .bkg2 = 90};
    const double phase[] = {0, two_pi / 2, -two_pi / 4, two_pi / 4};
    for (int j = 1; j <= 4; ++j)
        set_hist(j, spec, [&, j](int k) {
            return k < 100 ? b : musr_counts((k - 100) * 0.01, n0, b, a, f, phase[j - 1]);
        });
    ispectctrl.type() = 4;
    for (int s = 1; s <= slots; ++s) ispectctrl.jhist(s) = s;
    rspectctrl.r_ctl(rctl_rrf, 1) = 10.0f;
    r1(rctl_width) = 0.01f;
}
}  // namespace

// A signal at 10.3 MHz seen in a frame turning at 10 MHz precesses at 0.3 MHz.
TEST(Makespect, RotatingFrameDifferenceFrequency)
{
    rrf_fixture(10.3, 4);
    r1(rctl_final) = 0.1f;  // ten packed bins to one: the sum frequency averages out
    ASSERT_EQ(build(), 0);
    const int npk = ispectctrl.npk;
    ASSERT_GT(npk, 80);
    EXPECT_FLOAT_EQ(spectimes.tbin, 0.1f);
    double worst = 0;
    for (int i = 1; i <= npk; ++i) {
        const double t = spectimes.t1 + (i - 1) * double(spectimes.tbin);
        // a 0.1-us bin averages the 0.3-MHz signal by sinc(pi 0.3 0.1)
        const double amp = 0.25 * std::sin(M_PI * 0.03) / (M_PI * 0.03);
        worst = std::max(worst, std::fabs(val(i) - amp * std::cos(two_pi * 0.3 * t)));
        worst = std::max(worst, std::fabs(val(npk + i) - amp * std::sin(two_pi * 0.3 * t)));
    }
    EXPECT_LT(worst, 0.01);
    EXPECT_NEAR(rspectctrl.arms(1), 0.25, 0.01);
    EXPECT_NEAR(rspectctrl.arms(3), 0.25, 0.01);
}

// Slot 1 alone: real 2 a cos, imaginary -2 a sin of the frame angle, a the
// single-histogram asymmetry of slot 1.
TEST(Makespect, RotatingFrameOneSlot)
{
    rrf_fixture(10.3, 1);
    ispectctrl.type() = 1;
    ASSERT_EQ(build(), 0);
    const int npk = ispectctrl.npk;
    std::vector<float> asy(fitdata.data1.data(), fitdata.data1.data() + npk);
    rrf_fixture(10.3, 1);
    ASSERT_EQ(build(), 0);
    ASSERT_EQ(ispectctrl.npk, npk);
    for (int i = 1; i <= npk; ++i) {
        const double t = spectimes.t1 + (i - 1) * double(spectimes.tbin);
        ASSERT_NEAR(val(i), 2 * asy[i - 1] * std::cos(two_pi * 10 * t), 1e-5) << i;
        ASSERT_NEAR(val(npk + i), -2 * asy[i - 1] * std::sin(two_pi * 10 * t), 1e-5) << i;
    }
}

// Final width below 0: the modulus in the real half, an imaginary half without data.
TEST(Makespect, RotatingFrameModulus)
{
    rrf_fixture(10.3, 4);
    r1(rctl_final) = -0.1f;
    ASSERT_EQ(build(), 0);
    const int npk = ispectctrl.npk;
    for (int i = 1; i <= npk; ++i) {
        EXPECT_NEAR(val(i), 0.25 * std::sin(M_PI * 0.03) / (M_PI * 0.03), 0.01);
        EXPECT_GT(err(i), 0.0f);
        EXPECT_LT(err(i), 1.0f);
        EXPECT_EQ(val(npk + i), 0.0f);
        EXPECT_EQ(err(npk + i), no_weight_err);  // never an error of 0 for the fit
    }
}

// Equalisation, final width and modulus work in 4-byte reals; only the rotation (and the
// renormalisation before it) and the modulus's error are carried in 8-byte reals.
TEST(Makespect, RotatingFrameStagesInFourByteReals)
{
    const auto run = [](int slots, int h1, float final_width, float rrf) {
        rrf_fixture(10.3, slots);
        ispectctrl.jhist(1) = h1;
        ispectctrl.jhist(2) = h1 + 1;
        rspectctrl.r_ctl(rctl_rrf, 1) = rrf;
        r1(rctl_final) = final_width;
        EXPECT_EQ(build(), 0);
        const int n = ispectctrl.npk;
        std::vector<float> out(fitdata.data1.data(), fitdata.data1.data() + 2 * n);
        out.insert(out.end(), fitdata.data2.data(), fitdata.data2.data() + 2 * n);
        return out;  // values of both halves, then their errors
    };
    // Without y counters block 1 is 2 x; counters 3 and 4 in slots 1 and 2 give y.
    const std::vector<float> xs = run(2, 1, 0.0f, 0.0f), ys = run(2, 3, 0.0f, 0.0f);
    const std::size_t npk = xs.size() / 4;
    const int ib = 100;  // the first microsecond
    float amp[2], damp[2];
    for (int c = 0; c < 2; ++c) {
        const std::vector<float>& b = c == 0 ? xs : ys;
        float saw = 0.0f, sw = 0.0f;
        for (int i = 0; i < ib; ++i) {
            const float a = b[i] / 2.0f, da = b[2 * npk + i] / 2.0f;
            const float wt = 1.0f / (da * da);
            saw += a * a * wt;
            sw += wt;
        }
        amp[c] = std::sqrt(2.0f * saw / sw + 1e-10f);
        damp[c] = std::sqrt(2.0f / sw);
    }
    const float e1 = 1.0f / (damp[0] * damp[0]), e3 = 1.0f / (damp[1] * damp[1]);
    const float abar = (amp[1] * e3 + amp[0] * e1) / (e1 + e3);
    const float xmult = abar / amp[0], ymult = abar / amp[1];
    const std::vector<float> all = run(4, 1, 0.0f, 0.0f);  // frequency 0: no turn
    ASSERT_EQ(all.size(), xs.size());
    EXPECT_EQ(rspectctrl.arms(1), amp[0]);
    EXPECT_EQ(rspectctrl.arms(3), amp[1]);
    for (std::size_t i = 0; i < npk; ++i) {
        ASSERT_EQ(all[i], static_cast<float>(double{xmult} * (xs[i] / 2.0f))) << i;
        ASSERT_EQ(all[npk + i], static_cast<float>(double{ymult} * (ys[i] / 2.0f))) << i;
    }
    // Two packed bins to one, then the modulus of the pairs.
    const std::vector<float> turned = run(4, 1, 0.0f, 10.0f);
    const std::vector<float> wide = run(4, 1, 0.02f, 10.0f);
    const std::vector<float> modulus = run(4, 1, -0.02f, 10.0f);
    const std::size_t nn = npk / 2;
    ASSERT_EQ(wide.size(), 4 * nn);
    for (std::size_t k = 0; k < nn; ++k)
        for (std::size_t half = 0; half < 2; ++half) {
            const float* v = turned.data() + half * npk + 2 * k;
            const float* e = turned.data() + 2 * npk + half * npk + 2 * k;
            const float sv = v[0] + v[1], se = e[0] * e[0] + e[1] * e[1];
            ASSERT_EQ(wide[half * nn + k], sv / 2.0f) << k;
            ASSERT_EQ(wide[2 * nn + half * nn + k], std::sqrt(se) / 2.0f) << k;
        }
    for (std::size_t k = 0; k < nn; ++k) {
        const float re = wide[k], im = wide[nn + k], dre = wide[2 * nn + k], dim = wide[3 * nn + k];
        ASSERT_EQ(modulus[k], std::sqrt(re * re + im * im)) << k;
        ASSERT_EQ(modulus[2 * nn + k], modulus_error(re, im, dre, dim)) << k;
    }
}

// The stated error of a modulus is the scatter that |z| shows: many noisy complex values
// around one point, with equal and unequal errors of the two parts and the point in several
// directions. (Combining the two errors as weights states sqrt(2) too little for equal
// errors, so every modulus fit's chi-square came out twice its degrees of freedom.)
TEST(Makespect, ModulusErrorIsTheScatterOfTheModulus)
{
    struct Case {
        double size, angle_deg, sx, sy;
    };
    const Case cases[] = {
        {30, 0, 1, 1}, {30, 37, 1, 1}, {30, 90, 1, 1}, {30, 0, 1, 3},
        {90, 45, 1, 3}, {90, 90, 1, 3}, {60, 120, 2, 0.5}, {60, 200, 0.5, 2},
    };
    std::mt19937_64 rng(20261210);
    std::normal_distribution<double> g(0.0, 1.0);
    constexpr int n = 20000;
    for (const Case& c : cases) {
        const double x0 = c.size * std::cos(c.angle_deg * M_PI / 180);
        const double y0 = c.size * std::sin(c.angle_deg * M_PI / 180);
        double s = 0, s2 = 0, stated = 0;
        for (int k = 0; k < n; ++k) {
            const double x = x0 + c.sx * g(rng), y = y0 + c.sy * g(rng);
            const double m = std::hypot(x, y);
            s += m;
            s2 += m * m;
            stated += modulus_error(float(x), float(y), float(c.sx), float(c.sy));
        }
        const double mean = s / n, scatter = std::sqrt((s2 - n * mean * mean) / (n - 1));
        EXPECT_NEAR(stated / n / scatter, 1.0, 0.03)
            << "size " << c.size << " at " << c.angle_deg << " deg, errors " << c.sx << ", " << c.sy;
    }
    // No signal: |z| follows the Rayleigh law, sigma sqrt(pi/2) on average above the true 0
    // (the modulus's own bias, kept) and scattered by sigma sqrt(2 - pi/2); the stated error
    // is sigma, never less than the scatter.
    double s = 0, s2 = 0;
    for (int k = 0; k < n; ++k) {
        const double x = g(rng), y = g(rng), m = std::hypot(x, y);
        s += m;
        s2 += m * m;
        EXPECT_FLOAT_EQ(modulus_error(float(x), float(y), 1.0f, 1.0f), 1.0f);
    }
    const double mean = s / n, scatter = std::sqrt((s2 - n * mean * mean) / (n - 1));
    EXPECT_NEAR(mean, std::sqrt(M_PI / 2), 0.02);
    EXPECT_NEAR(scatter, std::sqrt(2 - M_PI / 2), 0.02);
    // At 0 itself: the root mean square of the two errors; no errors give 0 (made weightless
    // later); errors near the no-weight marker stay finite.
    EXPECT_FLOAT_EQ(modulus_error(0, 0, 3, 4), float(std::sqrt(12.5)));
    EXPECT_EQ(modulus_error(0.2f, 0.1f, 0, 0), 0.0f);
    EXPECT_FLOAT_EQ(modulus_error(0.2f, 0.1f, no_weight_err, no_weight_err), no_weight_err);
}

// A final width beyond the whole range leaves no bins, and that is no failure.
TEST(Makespect, RotatingFrameWiderThanRange)
{
    rrf_fixture(10.3, 2);
    r1(rctl_final) = 100.0f;
    EXPECT_EQ(build(), 0);
    EXPECT_EQ(ispectctrl.npk, 0);
}

// Frequency 0 and no y counters: the imaginary half has no data, and no bin of it
// reaches the fit with an error of 0.
TEST(Makespect, ZeroErrorsBecomeWeightless)
{
    rrf_fixture(10.3, 2);
    rspectctrl.r_ctl(rctl_rrf, 1) = 0.0f;
    rspectctrl.r_ctl(rctl_final, 1) = 0.0f;
    ASSERT_EQ(build(), 0);
    const int npk = ispectctrl.npk;
    for (int i = 1; i <= npk; ++i) {
        const double t = spectimes.t1 + (i - 1) * double(spectimes.tbin);
        ASSERT_NEAR(val(i), 0.5 * std::cos(two_pi * 10.3 * t), 0.02);  // 2 x the joined asymmetry
        ASSERT_GT(err(i), 0.0f);
        ASSERT_EQ(val(npk + i), 0.0f);
        ASSERT_EQ(err(npk + i), no_weight_err);
    }
}

// ---- refusals: every code the construction returns ---------------------------------------------

namespace {
void one_hist_fixture()
{
    new_run(3);
    for (int j = 1; j <= 3; ++j)
        set_hist(j, {.nbins = 100, .t0 = 10, .good1 = 12, .good2 = 99}, [](int) { return 50.0; });
    ispectctrl.type() = 1;
    ispectctrl.jhist(1) = 1;
}
}  // namespace

struct RefusalCase {
    const char* what;
    void (*setup)();
    int result;
    const char* lines;   // what makespect writes ("" for nothing before the failure)
};

const RefusalCase refusal_cases[] = {
    {"histogram above nHists", [] { ispectctrl.jhist(1) = 4; }, -101,
     " Histogram   4 is not in the range (1, 3)\n"},
    {"histogram 0 in slot 1", [] { ispectctrl.jhist(1) = 0; }, -101,
     " Histogram   0 is not in the range (1, 3)\n"},
    {"type 4 slot 2 negative",
     [] { ispectctrl.type() = 4; ispectctrl.jhist(2) = -1; }, -101,
     " Histogram  -1 is not in the range (1, 3)\n"},
    {"type restored as no previous spectrum", [] { ispectctrl.type() = -98765; }, -102,
     " Spectrum type -98765 is not one of 0 to 4\n"},
    {"negative bin-width code", [] { histhdrs.fsperbin(1) = -1; }, -102,
     " Histogram  1 has no raw bin width (code         -1)\n"},
    // a range that holds no bin is named, never counted as a negative number of bins
    {"good range empty", [] { ispectctrl.igood(1, 1) = 60; ispectctrl.igood(1, 2) = 50; }, -102,
     " *** TIMES range   0.500000 to   0.410000 us holds no packed bin; good data from"
     "   0.500000 to   0.410000 us\n"},
    {"TIMES after the good data",
     [] { rspectctrl.r_ctl(rctl_first, 1) = 7; rspectctrl.r_ctl(rctl_last, 1) = 9; }, -102,
     " *** TIMES range   7.000000 to   9.000000 us holds no packed bin; good data from"
     "   0.020000 to   0.900000 us\n"},
    {"TIMES before the good data",
     [] { rspectctrl.r_ctl(rctl_first, 1) = -3; rspectctrl.r_ctl(rctl_last, 1) = -1; }, -102,
     " *** TIMES range  -3.000000 to  -1.000000 us holds no packed bin; good data from"
     "   0.020000 to   0.900000 us\n"},
    {"TIMES reversed", [] { rspectctrl.r_ctl(rctl_first, 1) = 0.5f; rspectctrl.r_ctl(rctl_last, 1) = 0.1f; },
     -102, " *** TIMES range   0.500000 to   0.100000 us holds no packed bin; good data from"
     "   0.020000 to   0.900000 us\n"},
    {"lifetime below 1e-15", [] { rspectctrl.r_ctl(rctl_tau, 1) = 1e-20f; }, -106,
     " Ready to pack    88  0.010000-us bins from  0.020000 to   0.900000 us\n"},
    {"no counts above background",
     [] { ispectctrl.igood(1, 2) = 16; ispectctrl.ibg(1, 1) = 20; ispectctrl.ibg(1, 2) = 30; },
     -106, " Ready to pack     5  0.010000-us bins from  0.020000 to   0.070000 us\n"},
    {"histogram longer than the column", [] { histhdrs.nbins(1) = 300000; }, -110,
     " Histogram  1 has     300000 bins, more than the data arrays hold (262144)\n"},
    {"bin count of 2**31 or more", [] { histhdrs.nbins(1) = -5; }, -110,
     " Histogram  1 has 4294967291 bins, more than the data arrays hold (262144)\n"},
    {"first raw bin 0", [] { histhdrs.goodbin1(1) = 0; }, -111,
     " Ready to pack   100  0.010000-us bins from -0.100000 to   0.900000 us\n"
     " Histogram  1: first raw bin to pack is       0, before bin 1\n"},
};

TEST(Makespect, Refusals)
{
    for (const auto& c : refusal_cases) {
        one_hist_fixture();
        c.setup();
        std::string out;
        EXPECT_EQ(build(&out), c.result) << c.what;
        EXPECT_EQ(out, c.lines) << c.what;
        EXPECT_NE(spect_errmess(c.result).find_first_not_of(' '), std::string_view::npos);
        // a stop's reason: the failure's own line, else the dialog's message for the result
        const std::string body = out.substr(0, out.size() - 1);           // without the last end
        const std::size_t from = body.rfind('\n') == std::string::npos ? 0 : body.rfind('\n') + 1;
        const std::string own = body.substr(from + 1);                     // without its blank
        EXPECT_EQ(makespect_reason(c.result), c.result == -106 ? "Renormalization failure" : own)
            << c.what;
    }
}

// A refused TIMES range stays in the settings as it was given (DISPLAY shows it, an answer
// file would keep it), so the dialog's next try refuses it in the same words.
TEST(Makespect, RefusedTimesStayAsGiven)
{
    struct Given { float first, last, width; };
    for (const Given g : {Given{7, 9, 0}, Given{7, 9, 0.03f}, Given{0.5f, 0.1f, 0}, Given{0, -1, 0},
                          Given{0.5f, 0.505f, 0.01f}}) {
        one_hist_fixture();
        rspectctrl.r_ctl(rctl_first, 1) = g.first;
        rspectctrl.r_ctl(rctl_last, 1) = g.last;
        rspectctrl.r_ctl(rctl_width, 1) = g.width;
        std::string once, again;
        ASSERT_EQ(build(&once), -102) << g.first << " " << g.last;
        EXPECT_EQ(rspectctrl.r_ctl(rctl_first, 1), g.first);
        EXPECT_EQ(rspectctrl.r_ctl(rctl_last, 1), g.last);
        EXPECT_EQ(rspectctrl.r_ctl(rctl_width, 1), g.width);
        EXPECT_EQ(build(&again), -102);
        EXPECT_EQ(again, once);
    }
}

// Nothing but the first-call mark changes on -101; column 2 holds column 1 after -103.
TEST(Makespect, WhatAFailureLeaves)
{
    two_hist_fixture(2);
    ispectctrl.jhist(2) = 0;  // type 2 needs both
    ispectctrl.i_ctl(5, 2) = 77;
    EXPECT_EQ(build(), -101);
    EXPECT_EQ(ispectctrl.i_ctl(5, 2), 77);
    EXPECT_NE(ispectctrl.type(2), 2);
    ispectctrl.jhist(2) = 2;
    rspectctrl.raw_bin(1) = 0.001f;
    rspectctrl.raw_bin(2) = 0.0015f;
    rspectctrl.r_ctl(rctl_width, 1) = 0.002f;
    EXPECT_EQ(build(), -103);
    EXPECT_EQ(ispectctrl.type(2), 2);
    EXPECT_EQ(ispectctrl.i_ctl(5, 2), 0);
}

struct MessCase { int result; const char* text; };
constexpr MessCase mess_cases[] = {
    {-101, "Illegal histogram selections (JHIST)"}, {-102, "Error checking parameters"},
    {-103, "Packing Incompatibility"},              {-104, "Packing failure"},
    {-105, ""},                                     {-106, "Renormalization failure"},
    {-107, "Asy failure: Counts too low"},          {-108, "Failure making one-hist Asymmetry"},
    {-109, "Failure making RRF"},
    {-110, "Histogram too long for the data arrays"},
    {-111, "First raw bin to pack is before bin 1"},
    {-100, ""}, {-112, ""}, {0, ""}, {5, ""},
};

TEST(Makespect, MessageTable)
{
    for (const auto& c : mess_cases) {
        const std::string_view m = spect_errmess(c.result);
        EXPECT_EQ(m.size(), 48u) << c.result;
        EXPECT_EQ(m.substr(0, m.find_last_not_of(' ') + 1), c.text) << c.result;
    }
}
