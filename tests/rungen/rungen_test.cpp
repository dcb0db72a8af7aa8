// rungen_test.cpp -- the run-file generator: its files read back by handle, the
// totals and shapes it was asked for, determinism, refusals.

#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "zog.h"
#include "zog_local.h"

namespace {

std::string temp(const std::string& name)
{
    return testing::TempDir() + "rungen_" + name + "_" + std::to_string(::getpid()) + ".dat";
}

std::string bytes_of(const std::string& p)
{
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Runs the generator; its standard error into *err.
int run_err(const std::string& args, std::string* err)
{
    const std::string e = temp("stderr"), said = temp("said");
    const std::string cmd =
        std::string(KAVRIN_RUNGEN) + " " + args + " >'" + said + "' 2>'" + e + "'";
    const int rc = std::system(cmd.c_str());
    std::remove(said.c_str());
    *err = bytes_of(e);
    std::remove(e.c_str());
    return WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
}

int run(const std::string& args)
{
    std::string err;
    return run_err(args, &err);
}

bool exists(const std::string& p)
{
    std::ifstream in(p);
    return in.good();
}

struct Hist {
    int nbins = 0, fs = 0, t0 = 0, g1 = 0, g2 = 0, b1 = 0, b2 = 0, events = 0, bpb = -1;
    std::string title;
    std::vector<std::uint32_t> counts;
};

struct RunFile {
    int fmt = 0, number = 0;
    std::string sample, temperature, title;
    std::vector<Hist> hists;
    std::vector<std::string> scaler_labels;
};

bool read_run(const std::string& p, RunFile* r)
{
    const int fh = ZOG_openRead(p.c_str(), &r->fmt);
    if (fh < 0) return false;
    char t[100];
    ZOG_getRunNumber(fh, &r->number);
    ZOG_getSample(fh, t, 100); r->sample = t;
    ZOG_getTemperature(fh, t, 100); r->temperature = t;
    ZOG_getTitle(fh, t, 100); r->title = t;
    int type = 0, n = 0;
    bool ok = ZOG_getHists(fh, &type, &n) == 1 && type == ZOG_HIST_GRP_GENERIC;
    for (int i = 1; ok && i <= n; ++i) {
        Hist h;
        ok = ZOG_getHistNumBins(fh, i, &h.nbins) + ZOG_getHistFsPerBin(fh, i, &h.fs) +
             ZOG_getHistT0_Bin(fh, i, &h.t0) + ZOG_getHistGoodBin1(fh, i, &h.g1) +
             ZOG_getHistGoodBin2(fh, i, &h.g2) + ZOG_getHistBkgd1(fh, i, &h.b1) +
             ZOG_getHistBkgd2(fh, i, &h.b2) + ZOG_getHistNumEvents(fh, i, &h.events) +
             ZOG_getHistBytesPerBin(fh, i, &h.bpb) + ZOG_getHistTitle(fh, i, t, 100) == 10;
        h.title = t;
        const int w = h.bpb == 0 ? 4 : h.bpb;
        std::vector<std::uint8_t> raw(static_cast<std::size_t>(w) * static_cast<std::size_t>(h.nbins));
        ok = ok && ZOG_getHistData(fh, i, raw.data(), static_cast<int>(raw.size())) == 1;
        for (int b = 0; ok && b < h.nbins; ++b) {
            std::uint32_t v = 0;
            for (int k = 0; k < w; ++k) v |= static_cast<std::uint32_t>(raw[static_cast<std::size_t>(b * w + k)]) << (8 * k);
            h.counts.push_back(v);
        }
        r->hists.push_back(h);
    }
    if (ZOG_getScalers(fh, &type, &n) == 1) {
        for (int i = 1; i <= n; ++i) {
            ZOG_getScalerLabel(fh, i, t, 100);
            r->scaler_labels.push_back(t);
        }
    }
    ZOG_closeRead(fh);
    return ok;
}

double sum(const std::vector<std::uint32_t>& c, int from, int to)  // bins from..to, from 1
{
    double s = 0;
    for (int b = from; b <= to; ++b) s += c[static_cast<std::size_t>(b - 1)];
    return s;
}

TEST(Rungen, DefaultsReadBackWithTheirTotals)
{
    const std::string p = temp("defaults");
    ASSERT_EQ(run("--sample Silver --temperature '4.2 K' " + p), 0);
    RunFile r;
    ASSERT_TRUE(read_run(p, &r));
    EXPECT_EQ(r.fmt, ZOG_FMT_GENERIC);
    EXPECT_EQ(r.number, 1234);
    EXPECT_EQ(r.sample, "Silver");
    EXPECT_EQ(r.temperature, "4.2 K");
    ASSERT_EQ(r.hists.size(), 2U);
    EXPECT_EQ(r.scaler_labels, (std::vector<std::string>{"Clock", "Mu-Stop", "Hist1", "Hist2"}));
    const double dt = 0.78125e-3, tau = 2.19714;  // microseconds
    for (const Hist& h : r.hists) {
        EXPECT_EQ(h.nbins, 8192);
        EXPECT_EQ(h.fs, 20);
        EXPECT_EQ(h.t0, 200);
        EXPECT_EQ(h.g1, 205);
        EXPECT_EQ(h.g2, 8191);
        EXPECT_EQ(h.b1, 20);
        EXPECT_EQ(h.b2, 180);
        EXPECT_EQ(h.bpb, 0);
        EXPECT_EQ(static_cast<double>(h.events), sum(h.counts, 1, h.nbins));
        // Background bins average B = 10; the decay sums to about N0 tau / dt.
        EXPECT_NEAR(sum(h.counts, 20, 180) / 161, 10.0, 5 * std::sqrt(10.0 / 161));
        double want = 0;
        for (int b = 200; b <= 8192; ++b) want += 1000 * std::exp(-(b - 200) * dt / tau) + 10;
        EXPECT_NEAR(sum(h.counts, 200, 8192), want, 0.002 * want);  // the asymmetry averages out
    }
    std::remove(p.c_str());
}

TEST(Rungen, PackedAndPlainHoldTheSameCountsAndSeedsRepeat)
{
    const std::string a = temp("a"), b = temp("b"), c = temp("c");
    const std::string opts = "--nhist 3 --nbins 3000 --model gauss --seed 9 ";
    ASSERT_EQ(run(opts + "--packed " + a), 0);
    ASSERT_EQ(run(opts + "--plain " + b), 0);
    ASSERT_EQ(run(opts + "--packed " + c), 0);
    EXPECT_EQ(bytes_of(a), bytes_of(c));
    EXPECT_LT(bytes_of(a).size(), bytes_of(b).size() / 2);
    RunFile ra, rb;
    ASSERT_TRUE(read_run(a, &ra));
    ASSERT_TRUE(read_run(b, &rb));
    ASSERT_EQ(ra.hists.size(), 3U);
    for (std::size_t h = 0; h < 3; ++h) EXPECT_EQ(ra.hists[h].counts, rb.hists[h].counts);
    ASSERT_EQ(run(opts + "--seed 10 " + c), 0);
    RunFile rc;
    ASSERT_TRUE(read_run(c, &rc));
    EXPECT_NE(rc.hists[0].counts, ra.hists[0].counts);
    for (const auto& p : {a, b, c}) std::remove(p.c_str());
}

// Asymmetry (F - alpha B) / (F + alpha B) over a stretch of bins after t0.
double asym(const RunFile& r, int from, int to, double alpha = 1)
{
    const double f = sum(r.hists[0].counts, from, to) - 10.0 * (to - from + 1);
    const double b = (sum(r.hists[1].counts, from, to) - 10.0 * (to - from + 1)) / alpha;
    return (f - b) / (f + b);
}

TEST(Rungen, ModelsShapeTheAsymmetry)
{
    const std::string p = temp("model");
    // Zero frequency, phases 0 and 180: a relaxing asymmetry, +A at t = 0.
    ASSERT_EQ(run("--nbins 4000 --n0 5000 --freq 0 --lambda 0.5 --alpha 0.8 --seed 3 " + p), 0);
    RunFile r;
    ASSERT_TRUE(read_run(p, &r));
    const double dt = 0.78125e-3;
    EXPECT_NEAR(asym(r, 200, 263, 0.8), 0.25 * std::exp(-0.5 * 32 * dt), 0.01);
    EXPECT_NEAR(asym(r, 2700, 2900, 0.8), 0.25 * std::exp(-0.5 * 2600 * dt), 0.01);
    // Without a signal the pair's totals differ by the balance alone.
    ASSERT_EQ(run("--nbins 4000 --model none --alpha 0.8 --bkg 0 " + p), 0);
    RunFile n;
    ASSERT_TRUE(read_run(p, &n));
    EXPECT_NEAR(sum(n.hists[1].counts, 200, 4000) / sum(n.hists[0].counts, 200, 4000), 0.8, 0.005);
    // 1 MHz precession: the asymmetry changes sign half a period later.
    ASSERT_EQ(run("--nbins 2000 --n0 5000 --freq 1 --lambda 0 --seed 4 " + p), 0);
    RunFile q;
    ASSERT_TRUE(read_run(p, &q));
    EXPECT_NEAR(asym(q, 200, 220), 0.25, 0.01);
    EXPECT_NEAR(asym(q, 830, 850), -0.25, 0.01);  // 0.5 us = 640 bins later
    // Static Kubo-Toyabe: the dip reaches -A/3 x ~0.8 near sigma t = sqrt(3), then 1/3 recovers.
    ASSERT_EQ(run("--nbins 8000 --n0 5000 --model kt --sigma 1.0 --seed 5 " + p), 0);
    RunFile k;
    ASSERT_TRUE(read_run(p, &k));
    const int dip = 200 + static_cast<int>(std::sqrt(3.0) / dt);
    const double kt_dip = 1.0 / 3 + 2.0 / 3 * (1 - 3) * std::exp(-1.5);
    EXPECT_NEAR(asym(k, dip - 20, dip + 20), 0.25 * kt_dip, 0.02);
    std::remove(p.c_str());
}

TEST(Rungen, CommentsAndVariablesInBothFormats)
{
    const std::string p = temp("notes");
    ASSERT_EQ(run("--format fubti --comments 3 --log-points 40 --temp-mean 4.2 --temp-sd 0.1 "
                  "--nbins 500 " + p), 0);
    int fmt = 0, type = 0, num = 0, v = 0;
    int fh = ZOG_openRead(p.c_str(), &fmt);
    ASSERT_GE(fh, 0);
    EXPECT_EQ(fmt, ZOG_FMT_FUB_TI);
    EXPECT_EQ(ZOG_getRunDesc(fh, &type), 1);
    EXPECT_EQ(type, ZOG_RUN_DESC_FUB_TI);
    char t[80];
    EXPECT_EQ(ZOG_getComment1(fh, t, 80), 1);
    EXPECT_STREQ(t, "Temperature: 10.0 K");
    EXPECT_EQ(ZOG_getHists(fh, &type, &num), 1);
    EXPECT_EQ(type, ZOG_HIST_GRP_FUB_TI);
    EXPECT_EQ(ZOG_getComments(fh, &type, &num), 1);
    EXPECT_EQ(num, 3);
    EXPECT_EQ(ZOG_getCommentNext(fh, 2, &v), 1);
    EXPECT_EQ(v, 3);
    ASSERT_EQ(ZOG_getIndVars(fh, &type, &num), 1);
    EXPECT_EQ(type, ZOG_IND_VAR_GRP_FUB_TI);
    EXPECT_EQ(num, 2);
    double mean = 0, sd = 0, low = 0;
    ZOG_getIndVarMean(fh, 1, &mean);
    ZOG_getIndVarStddev(fh, 1, &sd);
    ZOG_getIndVarLow(fh, 1, &low);
    EXPECT_NEAR(mean, 4.2, 0.1);
    EXPECT_NEAR(sd, 0.1, 0.05);
    ASSERT_EQ(ZOG_getIndVarNumData(fh, 1, &v), 1);
    EXPECT_EQ(v, 40);
    std::vector<double> vals(40);
    std::vector<int> times(40);
    ASSERT_EQ(ZOG_getIndVarData(fh, 1, vals.data(), 320), 1);
    ASSERT_EQ(ZOG_getIndVarTimeData(fh, 1, times.data(), 160), 1);
    double s = 0, lo = vals[0];
    for (const double x : vals) { s += x; lo = std::min(lo, x); }
    EXPECT_DOUBLE_EQ(s / 40, mean);
    EXPECT_EQ(lo, low);
    EXPECT_EQ(times[0], 1700000000);
    EXPECT_EQ(times[39], 1700000000 + 3600);
    ZOG_closeRead(fh);

    ASSERT_EQ(run("--nbins 500 " + p), 0);  // generic: summaries, no arrays
    fh = ZOG_openRead(p.c_str(), &fmt);
    EXPECT_EQ(ZOG_getIndVars(fh, &type, &num), 1);
    EXPECT_EQ(type, ZOG_IND_VAR_GRP_GENERIC);
    EXPECT_EQ(ZOG_getIndVarMean(fh, 2, &mean), 1);
    EXPECT_NEAR(mean, 100, 0.5);
    EXPECT_EQ(ZOG_getIndVarNumData(fh, 1, &v), 0);
    EXPECT_EQ(ZOG_getComments(fh, &type, &num), 1);
    EXPECT_EQ(num, 1);
    ZOG_closeRead(fh);

    ASSERT_EQ(run("--nbins 500 --no-indvars --comments 0 " + p), 0);
    fh = ZOG_openRead(p.c_str(), &fmt);
    EXPECT_EQ(ZOG_getIndVars(fh, &type, &num), 0);
    EXPECT_EQ(ZOG_getComments(fh, &type, &num), 0);
    ZOG_closeRead(fh);
    std::remove(p.c_str());
}

TEST(Rungen, SeeksLandOnTheNamedSections)
{
    const std::string p = temp("seek");
    ASSERT_EQ(run("--nhist 4 --nbins 700 " + p), 0);
    FILE* f = ZOG_openInput(p.c_str());
    ASSERT_NE(f, nullptr);
    for (std::uint32_t n = 1; n <= 4; ++n) {
        for (const std::uint32_t id : {ZOG_ID_GEN_HIST_HDR, ZOG_ID_GEN_HIST_DAT}) {
            const ZOG_PATH path[] = {{ZOG_ID_GRP, ZOG_HIST_GRP_GENERIC}, {id, n}, {0, 0}};
            std::rewind(f);
            ASSERT_GT(ZOG_fseek(f, path), 0);
            ZOG_SEC* r = ZOG_read(f, ZOG_IO_THIS);
            ASSERT_NE(r, nullptr);
            EXPECT_EQ(r->secID, id);
            EXPECT_EQ(r->instanceID, n);
            if (id == ZOG_ID_GEN_HIST_HDR) {
                EXPECT_EQ(static_cast<ZOG_SEC_GEN_HIST_HDR*>(r)->nBins, 700U);
            }
            ZOG_free(r);
        }
    }
    const ZOG_PATH sc[] = {{ZOG_ID_GRP, ZOG_SCALER_GRP}, {ZOG_ID_GEN_SCALER, 2}, {0, 0}};
    std::rewind(f);
    EXPECT_GT(ZOG_fseek(f, sc), 0);
    std::fclose(f);
    std::remove(p.c_str());
}

TEST(Rungen, RefusalsAndHelp)
{
    const std::string p = temp("refuse");
    EXPECT_EQ(run("--help"), 0);
    EXPECT_EQ(run("--bogus 1 " + p), 1);
    EXPECT_EQ(run("--nhist"), 1);
    EXPECT_EQ(run("--model spline " + p), 1);
    EXPECT_EQ(run("--bytes-per-bin 1 --n0 1000 " + p), 1);  // counts above 255
    EXPECT_EQ(run("--bytes-per-bin 2 --n0 1000 --nbins 500 " + p), 0);
    EXPECT_EQ(run("--ns-per-bin 0.00001 " + p), 1);          // below 29 fs
    EXPECT_EQ(run(""), 1);
    EXPECT_EQ(run("--format vax " + p), 1);
    std::remove(p.c_str());
}

// A refused run leaves no output of its own: an old file as it was, else none.
TEST(Rungen, RefusedRunsLeaveAnOldFileAndMakeNoNewOne)
{
    const std::string p = temp("keep");
    std::remove(p.c_str());
    struct Case { const char* args; const char* says; };
    const Case cases[] = {
        {"--bytes-per-bin 1 --n0 1000 ", "more than 1 bytes a bin can store"},
        {"--log-points 0 ", "--log-points must be a whole number from 1 to 1000000"},
        {"--format fubti --log-points 0 ", "--log-points must be a whole number from 1 to 1000000"},
        {"--log-points -1 ", "--log-points must be a whole number from 1 to 1000000"},
    };
    std::string err;
    for (const Case& c : cases) {
        EXPECT_EQ(run_err(std::string(c.args) + p, &err), 1) << c.args;
        EXPECT_NE(err.find(c.says), std::string::npos) << err;
        EXPECT_FALSE(exists(p)) << c.args;
    }
    ASSERT_EQ(run("--nbins 300 --run 77 " + p), 0);
    const std::string old = bytes_of(p);
    for (const Case& c : cases) {
        EXPECT_EQ(run_err(std::string(c.args) + "--nbins 300 " + p, &err), 1) << c.args;
        EXPECT_EQ(bytes_of(p), old) << c.args;
    }
    RunFile r;
    ASSERT_TRUE(read_run(p, &r));
    EXPECT_EQ(r.number, 77);
    // One logged value is its own summary.
    ASSERT_EQ(run("--nbins 300 --log-points 1 --temp-mean 10 --temp-sd 0.05 " + p), 0);
    int fmt = 0;
    const int fh = ZOG_openRead(p.c_str(), &fmt);
    ASSERT_GE(fh, 0);
    double mean = 0, low = 0, high = 0, sd = -1;
    ZOG_getIndVarMean(fh, 1, &mean);
    ZOG_getIndVarLow(fh, 1, &low);
    ZOG_getIndVarHigh(fh, 1, &high);
    ZOG_getIndVarStddev(fh, 1, &sd);
    EXPECT_NEAR(mean, 10, 0.25);
    EXPECT_EQ(low, mean);
    EXPECT_EQ(high, mean);
    EXPECT_EQ(sd, 0);
    ZOG_closeRead(fh);
    std::remove(p.c_str());
}

// A file-size limit stops the write part way: the generator says why and
// exits 1, the old file stays whole and nothing is left beside it.
TEST(Rungen, AFileSizeLimitKeepsTheOldFile)
{
    std::string dir = testing::TempDir() + "rungen_fsize_XXXXXX";
    ASSERT_NE(mkdtemp(dir.data()), nullptr);
    const std::string p = dir + "/run.dat", said = dir + "/said", err = dir + "/err";
    ASSERT_EQ(run("--nbins 100 " + p), 0);
    const std::string old = bytes_of(p);
    std::fflush(nullptr);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {  // the limit and the signal's default action for the generator alone
        std::signal(SIGXFSZ, SIG_DFL);
        struct rlimit lim{};
        getrlimit(RLIMIT_FSIZE, &lim);
        lim.rlim_cur = 8192;
        if (setrlimit(RLIMIT_FSIZE, &lim) != 0) _exit(100);
        const std::string cmd = std::string(KAVRIN_RUNGEN) + " --plain --nbins 20000 " + p + " >'" + said + "' 2>'" + err + "'";
        const int rc = std::system(cmd.c_str());
        _exit(WIFEXITED(rc) ? WEXITSTATUS(rc) : 101);
    }
    int status = -1;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_NE(bytes_of(err).find("File too large"), std::string::npos) << bytes_of(err);
    EXPECT_EQ(bytes_of(p), old);
    std::remove(err.c_str());
    std::remove(said.c_str());
    std::vector<std::string> left;
    for (const auto& e : std::filesystem::directory_iterator(dir)) left.push_back(e.path().filename().string());
    EXPECT_EQ(left, std::vector<std::string>{"run.dat"});
    std::filesystem::remove_all(dir);
}

// A signal while the run is written, sent by the library's fault hook at a
// chosen moment: the generator dies of it, and the folder holds the old file
// as it was (or, for a new name, nothing), never a temporary.
int signalled_run(const std::string& file, int site, int sig)
{
    const std::string at = "RUNGEN_SIGNAL_AT=" + std::to_string(site) + " " + std::to_string(sig);
    std::fflush(nullptr);
    const pid_t child = fork();
    if (child == 0) {
        const int null = ::open("/dev/null", O_RDONLY);  // read only: no device is written
        if (null >= 0) { ::dup2(null, STDOUT_FILENO); ::dup2(null, STDERR_FILENO); }
        char* const argv[] = {const_cast<char*>(KAVRIN_RUNGEN_SIGNALLED), const_cast<char*>("--nhist"),
                              const_cast<char*>("16"), const_cast<char*>("--nbins"), const_cast<char*>("8192"),
                              const_cast<char*>(file.c_str()), nullptr};
        char* const envp[] = {const_cast<char*>(at.c_str()), nullptr};
        ::execve(argv[0], argv, envp);
        _exit(127);
    }
    int status = -1;
    if (child < 0 || waitpid(child, &status, 0) != child) return -1;
    return status;
}

TEST(Rungen, ASignalWhileWritingLeavesNoTemporary)
{
    std::string dir = testing::TempDir() + "rungen_signal_XXXXXX";
    ASSERT_NE(mkdtemp(dir.data()), nullptr);
    const std::string p = dir + "/run.dat", fresh = dir + "/new.dat";
    ASSERT_EQ(run("--nbins 100 " + p), 0);
    const std::string old = bytes_of(p);
    struct Case { int site; const char* when; };
    const Case moments[] = {{zs_write, "the temporary just made"}, {zs_flush, "all bytes written"},
                            {zs_rename, "before the rename"}};
    for (const Case& m : moments) {
        for (const int sig : {SIGINT, SIGTERM, SIGHUP}) {
            for (const std::string& target : {p, fresh}) {
                const int status = signalled_run(target, m.site, sig);
                EXPECT_TRUE(status != -1 && WIFSIGNALED(status) && WTERMSIG(status) == sig)
                    << strsignal(sig) << ", " << m.when << ": status " << status;
                std::vector<std::string> left;
                for (const auto& e : std::filesystem::directory_iterator(dir)) left.push_back(e.path().filename().string());
                EXPECT_EQ(left, std::vector<std::string>{"run.dat"}) << strsignal(sig) << ", " << m.when;
                EXPECT_EQ(bytes_of(p), old) << strsignal(sig) << ", " << m.when;
            }
        }
    }
    std::filesystem::remove_all(dir);
}

}  // namespace
