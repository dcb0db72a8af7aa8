// getrun_test.cpp -- the run reader on run files written through the library: fields,
// widths, limits, refusals and the handle that is always given back.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "getrun.h"
#include "run_file.h"
#include "run_records.h"

namespace {

struct Loaded {
    int result;
    std::string out;
    std::string err;  // standard error: the library's reason in a batch run
};

Loaded load(const std::string& path)
{
    FText<80> name(path);
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    const int r = getrun(name.span());
    std::string out = testing::internal::GetCapturedStdout();
    return {r, out, testing::internal::GetCapturedStderr()};
}

Loaded write_and_load(const std::string& tag, const RunSpec& s)
{
    const std::string p = run_path(tag);
    EXPECT_TRUE(write_run(p, s)) << tag;
    Loaded l = load(p);
    std::remove(p.c_str());
    return l;
}

// No run file stays open: the next open takes the first slot.
void expect_no_handle_left()
{
    const std::string p = run_path("probe");
    ASSERT_TRUE(write_run(p, RunSpec{}));
    int fmt = 0;
    const int fh = ZOG_openRead(p.c_str(), &fmt);
    EXPECT_EQ(fh, 0);
    if (fh >= 0) ZOG_closeRead(fh);
    std::remove(p.c_str());
}

}  // namespace

TEST(Getrun, LoadsDescriptionHistogramsAndScalers)
{
    RunSpec s;
    s.title = std::string(300, 't');
    s.sample = std::string(100, 's');
    s.scalers = 3;
    s.hists = {RunHist{.nbins = 50, .title = "Forward counter"},
               RunHist{.nbins = 60, .code = 4, .t0_bin = 20, .good1 = 25, .good2 = 59,
                       .bkg1 = 2, .bkg2 = 15, .t0_ps = 12345, .title = "B"}};
    const Loaded l = write_and_load("full", s);
    EXPECT_EQ(l.result, 0);
    EXPECT_EQ(l.out, "");
    const Runheader& r = runheader;
    EXPECT_EQ(r.fmtID, 0x02010000);
    EXPECT_EQ(r.runNumber, 1234);
    EXPECT_EQ(r.exptNumber, 77);
    EXPECT_EQ(r.timeBegin, 1000);
    EXPECT_EQ(r.timeEnd, 4600);
    EXPECT_EQ(r.elapsedSec, 3600);
    EXPECT_EQ(r.title.str(), std::string(254, 't'));   // the field less one
    EXPECT_EQ(r.sample.str(), std::string(80, 's'));   // through the work text: all 80
    EXPECT_EQ(r.lab.str(), "lab");
    EXPECT_EQ(r.temperature.str(), "10.0");
    EXPECT_EQ(r.field.str(), "100");
    EXPECT_EQ(r.nHists, 2);
    EXPECT_EQ(r.nSclrs, 3);
    EXPECT_EQ(scalers.sclrlabel(3).str(), "S3");
    EXPECT_EQ(scalers.totalcount(3), 30);
    EXPECT_EQ(scalers.lastcount(3), 3);
    EXPECT_EQ(histhdrs.nbins(2), 60);
    EXPECT_EQ(histhdrs.fsperbin(2), 4);
    EXPECT_EQ(histhdrs.t0_ps(2), 12345);
    EXPECT_EQ(histhdrs.t0_bin(2), 20);
    EXPECT_EQ(histhdrs.goodbin1(2), 25);
    EXPECT_EQ(histhdrs.goodbin2(2), 59);
    EXPECT_EQ(histhdrs.bkgd1(2), 2);
    EXPECT_EQ(histhdrs.bkgd2(2), 15);
    EXPECT_EQ(histhdrs.nevents(2), 2000);
    EXPECT_EQ(histhdrs.htitle(1).str(), "Forward co");
    EXPECT_EQ(histhdrs.htitle(2).str(), "B");
    EXPECT_EQ(histograms.ih(1, 1), 1);
    EXPECT_EQ(histograms.ih(50, 1), 50);
    EXPECT_EQ(histograms.ih(60, 2), 60);
    expect_no_handle_left();
}

// 1-, 2- and 4-byte and packed bins arrive as the same 4-byte counts, widened without sign.
TEST(Getrun, BinWidthsGiveTheSameCounts)
{
    const auto counts = [](int k) { return static_cast<std::uint32_t>((k * 37) % 251 + (k == 3) * 4); };
    const auto big = [](int k) { return static_cast<std::uint32_t>(60000 + k); };
    RunSpec s;
    s.hists = {RunHist{.nbins = 300, .bytes_per_bin = 1, .counts = counts},
               RunHist{.nbins = 300, .bytes_per_bin = 2, .counts = counts},
               RunHist{.nbins = 300, .bytes_per_bin = 4, .counts = counts},
               RunHist{.nbins = 300, .bytes_per_bin = 0, .counts = counts},
               RunHist{.nbins = 300, .bytes_per_bin = 2, .counts = big}};
    ASSERT_EQ(write_and_load("widths", s).result, 0);
    for (int k = 1; k <= 300; ++k) {
        const int want = static_cast<int>(counts(k));
        ASSERT_EQ(histograms.ih(k, 1), want) << k;
        ASSERT_EQ(histograms.ih(k, 2), want) << k;
        ASSERT_EQ(histograms.ih(k, 3), want) << k;
        ASSERT_EQ(histograms.ih(k, 4), want) << k;
        ASSERT_EQ(histograms.ih(k, 5), 60000 + k) << k;   // no sign from the 2-byte width
    }
    EXPECT_EQ(histograms.ih(1, 1), 37);
    EXPECT_GT(histograms.ih(6, 1), 200);                  // 222: no sign from 1 byte
}

TEST(Getrun, TakesTenHistogramsAndAHundredTwentyEightScalers)
{
    RunSpec s;
    s.hists.assign(12, RunHist{.nbins = 20});
    s.scalers = 200;
    ASSERT_EQ(write_and_load("many", s).result, 0);
    EXPECT_EQ(runheader.nHists, 10);
    EXPECT_EQ(runheader.nSclrs, 128);
    EXPECT_EQ(scalers.sclrlabel(128).str(), "S128");
    // a run without scalers after one with them
    RunSpec t;
    t.hists = {RunHist{}};
    ASSERT_EQ(write_and_load("noscalers", t).result, 0);
    EXPECT_EQ(runheader.nSclrs, 0);
    // a histogram group without members
    RunSpec e;
    ASSERT_EQ(write_and_load("nohists", e).result, 0);
    EXPECT_EQ(runheader.nHists, 0);
}

// A histogram longer than the column, or with a count of 2**31 or more, is skipped:
// its column reads 0, its header stays, the run still loads.
TEST(Getrun, TooManyBins)
{
    for (int j = 1; j <= 2; ++j)
        for (int k = 1; k <= max_hist_bins; k += 4096) histograms.ih(k, j) = 7;
    RunSpec s;
    s.hists = {RunHist{.nbins = 300000, .counts = [](int) { return 5u; }},
               RunHist{.nbins = -5, .data = false}, RunHist{.nbins = 10}};
    const Loaded l = write_and_load("toolong", s);
    EXPECT_EQ(l.result, 0);
    EXPECT_EQ(l.out,
              " Histogram  1 skipped because it has too many bins:   300000\n"
              " Data arrays are only dimensioned for  262144.\n"
              " Histogram  2 skipped because it has too many bins:       -5\n"
              " Data arrays are only dimensioned for  262144.\n");
    EXPECT_EQ(histhdrs.nbins(1), 300000);
    EXPECT_EQ(stored_bins(1), 0);
    EXPECT_EQ(stored_bins(2), 0);
    for (int j = 1; j <= 2; ++j)
        for (int k = 1; k <= max_hist_bins; k += 4096) ASSERT_EQ(histograms.ih(k, j), 0) << k;
    EXPECT_EQ(histograms.ih(10, 3), 10);
}

struct RefuseCase {
    const char* tag;
    RunSpec spec;
    int result;
    const char* lines;   // %s stands for the file name
    const char* why;     // the reason on standard error
};

TEST(Getrun, Refusals)
{
    const RefuseCase cases[] = {
        {"fubti", RunSpec{.fmt = ZOG_FMT_FUB_TI, .hists = {RunHist{}}}, -1,
         " Run format ID is 02020000 vs 02010000\n getRun: Failure opening file %s\n",
         " getRun: file %s: its format ID is 02020000, not 02010000\n"},
        {"nogroup", RunSpec{.hists = {RunHist{}}, .hist_group = 0}, -2,
         " getRun: file %s could not be read properly.\n",
         " getRun: file %s: it has no histogram group of kind 02010002\n"},
        {"othergroup", RunSpec{.hists = {}, .hist_group = 0x02010003}, -2,
         " getRun: file %s could not be read properly.\n",
         " getRun: file %s: it has no histogram group of kind 02010002\n"},
        {"nodata", RunSpec{.hists = {RunHist{.data = false}}}, -2,
         " getRun: file %s could not be read properly.\n", " getRun: file %s: histogram 1 cannot be read\n"},
    };
    for (const auto& c : cases) {
        const std::string p = run_path(c.tag);
        ASSERT_TRUE(write_run(p, c.spec)) << c.tag;
        const Loaded l = load(p);
        std::remove(p.c_str());
        EXPECT_EQ(l.result, c.result) << c.tag;
        char want[512];
        std::snprintf(want, sizeof want, c.lines, p.c_str());
        EXPECT_EQ(l.out, want) << c.tag;
        std::snprintf(want, sizeof want, c.why, p.c_str());
        EXPECT_EQ(l.err, want) << c.tag;
        expect_no_handle_left();
    }
    const Loaded missing = load("/nonexistent/run.zog");
    EXPECT_EQ(missing.result, -1);
    EXPECT_EQ(missing.out, " getRun: Failure opening file /nonexistent/run.zog\n");
    EXPECT_EQ(missing.err, " getRun: file /nonexistent/run.zog: No such file or directory\n");
    expect_no_handle_left();
}

// A damaged run that loads all the reader needs loads, and its damage is said.
TEST(Getrun, ADamagedRunLoadsAndSaysItsDamage)
{
    const std::string p = run_path("trailing");
    ASSERT_TRUE(write_run(p, RunSpec{.hists = {RunHist{}}}));
    std::FILE* f = std::fopen(p.c_str(), "ab");
    ASSERT_NE(f, nullptr);
    const long size = (std::fseek(f, 0, SEEK_END), std::ftell(f));
    std::fputs("junk", f);
    std::fclose(f);
    const Loaded l = load(p);
    EXPECT_EQ(l.result, 0);
    EXPECT_EQ(l.out, "");
    EXPECT_EQ(l.err, " getRun: file " + p + ": loaded, damaged: byte " + std::to_string(size) +
                         ": 4 bytes after the end-of-file section\n");
    std::remove(p.c_str());
    expect_no_handle_left();
}
