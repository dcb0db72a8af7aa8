// kavrin_rungen.cpp -- writes realistic run-data files for tests, benchmarks and
// the demo: Poisson counts of a muon decay with a chosen polarization model.

#include <cmath>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "zog.h"

namespace {

const char* const usage_text =
    "usage: kavrin_rungen [options] FILE\n"
    "Writes a run-data file. Counts per bin are Poisson numbers\n"
    "(fixed seed) with mean  N0 exp(-t/tau) (1 + A P(t)) + B  for bins at and after\n"
    "time zero and B before it; t is (bin - t0) times the bin width.\n"
    "\n"
    "Histograms and bins:\n"
    "  --nhist N          histograms (default 2)\n"
    "  --nbins N          bins per histogram (default 8192)\n"
    "  --fsperbin CODE    bin-width code: 0-15 0.078125 ns*2^c, 16-28 0.048828125 ns*2^(c-16),\n"
    "                     above 28 femtoseconds (default 20, 0.78125 ns)\n"
    "  --ns-per-bin W     bin width in ns instead of a code (stored in femtoseconds)\n"
    "  --t0 BIN           time-zero bin, counted from 1 (default 200)\n"
    "  --good1 BIN        first good bin (default t0 + 5)\n"
    "  --good2 BIN        last good bin (default nbins - 1)\n"
    "  --bkgd1 BIN        first background bin (default 20)\n"
    "  --bkgd2 BIN        last background bin (default t0 - 20)\n"
    "  --bytes-per-bin W  storage: 0 packed (default), 1, 2 or 4 bytes a bin\n"
    "  --packed, --plain  the same as --bytes-per-bin 0 and 4\n"
    "  --htitles LIST     histogram titles, comma separated (default Hist1,Hist2,...)\n"
    "\n"
    "Counts and model:\n"
    "  --n0 N             counts per bin at t = 0 of a balanced histogram (default 1000)\n"
    "  --tau US           muon lifetime in microseconds (default 2.19714)\n"
    "  --asym A           asymmetry A (default 0.25)\n"
    "  --bkg B            background counts per bin (default 10)\n"
    "  --model M          P(t): exp     cos(2 pi f t + phi) exp(-lambda t)\n"
    "                           gauss   cos(2 pi f t + phi) exp(-(sigma t)^2 / 2)\n"
    "                           kt      cos(phi) (1/3 + 2/3 (1 - (sigma t)^2) exp(-(sigma t)^2 / 2))\n"
    "                           dynkt   cos(phi) G(t), the dynamic Kubo-Toyabe function of width\n"
    "                                   sigma and hop rate --hop (strong collisions, zero field)\n"
    "                           none    0   (default exp)\n"
    "  --hop PER_US       hop rate of dynkt (default 1)\n"
    "  --freq MHZ         precession frequency f (default 1.0)\n"
    "  --lambda PER_US    exponential relaxation rate (default 0.2)\n"
    "  --sigma PER_US     Gaussian or Kubo-Toyabe width (default 0.3)\n"
    "  --phases LIST      phase phi per histogram in degrees, comma separated\n"
    "                     (default 360 (h-1) / nhist)\n"
    "  --alpha LIST       detector balance per pair: N0 of the second histogram of pair k\n"
    "                     (histograms 2k-1, 2k) is alpha_k N0 (default 1)\n"
    "  --seed N           random seed (default 1)\n"
    "\n"
    "Run description:\n"
    "  --run N, --expt N  run and experiment number (default 1234, 567)\n"
    "  --title T, --sample T, --temperature T, --field T, --orient T, --lab T, --area T,\n"
    "  --method T, --apparatus T, --insert T, --das T, --experimenter T\n"
    "  --begin SECONDS    run start, seconds since 1970 (default 1700000000)\n"
    "  --elapsed SECONDS  run length (default 3600)\n"
    "  --scalers N        scalers (default 4): Clock, Mu-Stop, then events of each histogram\n"
    "  --format F         generic (default) or fubti; a Fub TI file carries --subtitle and\n"
    "                     the temperature and field texts as its comment1 and comment2\n"
    "  --subtitle T       subtitle of a Fub TI file (default Generated run)\n"
    "\n"
    "Comments and independent variables:\n"
    "  --comments N       comments, each a reply to the one before (default 1)\n"
    "  --temp-mean K      logged temperature: mean (default 10) and deviation\n"
    "  --temp-sd K        (default 0.05), in K\n"
    "  --field-mean G     logged field: mean (default 100) and deviation (default 0.5), in G\n"
    "  --field-sd G\n"
    "  --log-points N     values logged over the run per variable, 1 to 1000000 (default\n"
    "                     60); the summaries (low, high, mean, deviation, skewness) come\n"
    "                     from them, and a Fub TI file also stores them with their times\n"
    "  --no-indvars       no independent variables\n"
    "\n"
    "  --help             this text\n";

// Options as given, by name; values are parsed where used.
struct Options {
    std::map<std::string, std::string> v;
    std::string out;
    bool no_indvars = false;
};

const char* const value_options[] = {
    "nhist", "nbins", "fsperbin", "ns-per-bin", "t0", "good1", "good2", "bkgd1", "bkgd2",
    "bytes-per-bin", "htitles", "n0", "tau", "asym", "bkg", "model", "freq", "lambda", "sigma", "hop",
    "phases", "alpha", "seed", "run", "expt", "title", "sample", "temperature", "field", "orient",
    "lab", "area", "method", "apparatus", "insert", "das", "experimenter", "begin", "elapsed",
    "scalers", "format", "subtitle", "comments", "temp-mean", "temp-sd", "field-mean", "field-sd",
    "log-points",
};

[[noreturn]] void fail(const std::string& what)
{
    std::fprintf(stderr, "kavrin_rungen: %s\n", what.c_str());
    std::exit(1);
}

bool is_value_option(const std::string& name)
{
    for (const char* o : value_options)
        if (name == o) return true;
    return false;
}

Options parse(int argc, char** argv)
{
    Options o;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--help" || a == "-h") {
            std::fputs(usage_text, stdout);
            std::exit(0);
        }
        if (a.rfind("--", 0) != 0) {
            if (!o.out.empty()) fail("more than one output file given");
            o.out = a;
            continue;
        }
        a = a.substr(2);
        if (a == "packed") { o.v["bytes-per-bin"] = "0"; continue; }
        if (a == "plain") { o.v["bytes-per-bin"] = "4"; continue; }
        if (a == "no-indvars") { o.no_indvars = true; continue; }
        std::string val;
        const std::size_t eq = a.find('=');
        if (eq != std::string::npos) {
            val = a.substr(eq + 1);
            a = a.substr(0, eq);
        } else if (is_value_option(a)) {
            if (i + 1 >= argc) fail("--" + a + " needs a value");
            val = argv[++i];
        }
        if (!is_value_option(a)) fail("unknown option --" + a + " (see --help)");
        o.v[a] = val;
    }
    if (o.out.empty()) fail("no output file given (see --help)");
    return o;
}

double num(const Options& o, const char* name, double dflt)
{
    const auto it = o.v.find(name);
    if (it == o.v.end()) return dflt;
    char* end = nullptr;
    const double x = std::strtod(it->second.c_str(), &end);
    if (end == it->second.c_str() || *end != '\0' || !std::isfinite(x))
        fail(std::string("--") + name + ": not a number: " + it->second);
    return x;
}

long integer(const Options& o, const char* name, long dflt, long lo, long hi)
{
    const double x = num(o, name, static_cast<double>(dflt));
    if (x != std::floor(x) || x < static_cast<double>(lo) || x > static_cast<double>(hi))
        fail(std::string("--") + name + " must be a whole number from " + std::to_string(lo) +
             " to " + std::to_string(hi));
    return static_cast<long>(x);
}

std::string text(const Options& o, const char* name, const std::string& dflt)
{
    const auto it = o.v.find(name);
    return it == o.v.end() ? dflt : it->second;
}

std::vector<std::string> list(const Options& o, const char* name)
{
    std::vector<std::string> items;
    const auto it = o.v.find(name);
    if (it == o.v.end()) return items;
    std::string cur;
    for (const char ch : it->second + ",") {
        if (ch == ',') { items.push_back(cur); cur.clear(); }
        else cur += ch;
    }
    return items;
}

std::vector<double> numbers(const Options& o, const char* name)
{
    std::vector<double> v;
    for (const std::string& s : list(o, name)) {
        char* end = nullptr;
        const double x = std::strtod(s.c_str(), &end);
        if (end == s.c_str() || *end != '\0' || !std::isfinite(x))
            fail(std::string("--") + name + ": not a number: " + s);
        v.push_back(x);
    }
    return v;
}

// Seconds per bin of a code, as the library reads it.
double code_seconds(long c)
{
    if (c <= 15) return 7.8125e-11 * std::ldexp(1.0, static_cast<int>(c));
    if (c <= 28) return 4.8828125e-11 * std::ldexp(1.0, static_cast<int>(c) - 16);
    return static_cast<double>(c) * 1e-15;
}

// The static Kubo-Toyabe function in zero field at (sigma t)^2 = x2.
double static_kt(double x2) { return 1.0 / 3.0 + 2.0 / 3.0 * (1 - x2) * std::exp(-0.5 * x2); }

// The strong-collision dynamic Kubo-Toyabe function at k h, k < n, marched
// in time: G(t) = K(t) + nu int_0^t K(u) G(t - u) du with K the static
// function times e^(-nu u), by the trapezoid rule on h and h/2 combined.
// Past nu u = 40 the kernel is below 1e-17 of its start and is left out, so
// fast hopping costs a short sum per step rather than the whole history.
std::vector<double> dynamic_kt(double sigma, double nu, double h, std::size_t n)
{
    auto solve = [&](double step, std::size_t count) {
        std::vector<double> k(count), g(count);
        for (std::size_t i = 0; i < count; ++i) {
            const double t = step * static_cast<double>(i), x2 = sigma * sigma * t * t;
            k[i] = static_kt(x2) * std::exp(-nu * t);
        }
        const double reach = nu > 0 ? 40 / (nu * step) + 2 : static_cast<double>(count);
        g[0] = k[0];
        for (std::size_t i = 1; i < count; ++i) {
            const std::size_t mend = static_cast<double>(i) < reach ? i : static_cast<std::size_t>(reach);
            double sum = static_cast<double>(i) < reach ? 0.5 * k[i] * g[0] : 0.0;
            for (std::size_t m = 1; m < mend; ++m) sum += k[m] * g[i - m];
            g[i] = (k[i] + nu * step * sum) / (1 - 0.5 * nu * step * k[0]);
        }
        return g;
    };
    const std::vector<double> coarse = solve(h, n), fine = solve(h / 2, 2 * n - 1);
    std::vector<double> g(n);
    for (std::size_t i = 0; i < n; ++i) g[i] = (4 * fine[2 * i] - coarse[i]) / 3;
    return g;
}

enum class Model { exp, gauss, kt, dynkt, none };

struct Setup {
    long nhist, nbins, fscode, t0, good1, good2, bkgd1, bkgd2, bpb, scalers;
    double dt_us, n0, tau, asym, bkg, freq, lambda, sigma, hop;
    Model model;
    std::vector<double> dynkt;   // dynkt: G at k * dynkt_h
    double dynkt_h = 0;
    std::vector<double> phase_rad, n0_of;
    std::vector<std::string> htitle;
    unsigned long seed;
};

Setup setup_of(const Options& o)
{
    Setup s{};
    s.nhist = integer(o, "nhist", 2, 1, 1000);
    s.nbins = integer(o, "nbins", 8192, 1, 16777216);
    if (o.v.count("ns-per-bin") != 0) {
        const double ns = num(o, "ns-per-bin", 0);
        s.fscode = std::lround(ns * 1e6);
        if (ns <= 0 || s.fscode < 29 || s.fscode > 4294967295L)
            fail("--ns-per-bin must lie from 0.000029 to 4294.967295 ns");
    } else {
        s.fscode = integer(o, "fsperbin", 20, 0, 4294967295L);
    }
    s.dt_us = code_seconds(s.fscode) * 1e6;
    s.t0 = integer(o, "t0", std::min(200L, s.nbins), 1, s.nbins);
    s.good1 = integer(o, "good1", std::min(s.t0 + 5, s.nbins), 1, s.nbins);
    s.good2 = integer(o, "good2", std::max(s.nbins - 1, 1L), 1, s.nbins);
    s.bkgd1 = integer(o, "bkgd1", std::min(20L, s.t0), 1, s.nbins);
    s.bkgd2 = integer(o, "bkgd2", std::max(s.t0 - 20, s.bkgd1), 1, s.nbins);
    s.bpb = integer(o, "bytes-per-bin", 0, 0, 4);
    if (s.bpb == 3) fail("--bytes-per-bin must be 0, 1, 2 or 4");
    s.scalers = integer(o, "scalers", 4, 0, 100000);
    s.n0 = num(o, "n0", 1000);
    s.tau = num(o, "tau", 2.19714);
    s.asym = num(o, "asym", 0.25);
    s.bkg = num(o, "bkg", 10);
    s.freq = num(o, "freq", 1.0);
    s.lambda = num(o, "lambda", 0.2);
    s.sigma = num(o, "sigma", 0.3);
    if (s.n0 < 0 || s.bkg < 0 || s.tau <= 0) fail("--n0 and --bkg must be >= 0, --tau > 0");
    const std::string m = text(o, "model", "exp");
    if (m == "exp") s.model = Model::exp;
    else if (m == "gauss") s.model = Model::gauss;
    else if (m == "kt") s.model = Model::kt;
    else if (m == "dynkt") s.model = Model::dynkt;
    else if (m == "none") s.model = Model::none;
    else fail("--model must be exp, gauss, kt, dynkt or none");
    s.hop = num(o, "hop", 1.0);
    if (s.model == Model::dynkt) {
        if (!(s.hop >= 0) || !(s.sigma >= 0)) fail("--hop and --sigma must be >= 0");
        s.dynkt_h = std::min(0.01 / std::max(s.sigma, 1e-6), 0.02 / std::max(s.hop, 1e-6));
        const double tmax = static_cast<double>(s.nbins) * s.dt_us;
        if (tmax / s.dynkt_h > 2e5) fail("--model dynkt: the run is too long for its time step");
        s.dynkt = dynamic_kt(s.sigma, s.hop, s.dynkt_h, static_cast<std::size_t>(tmax / s.dynkt_h) + 3);
    }
    const std::vector<double> ph = numbers(o, "phases");
    const std::vector<double> alpha = numbers(o, "alpha");
    const std::vector<std::string> titles = list(o, "htitles");
    const double pi = std::acos(-1.0);
    for (long h = 0; h < s.nhist; ++h) {
        const double deg = ph.empty() ? 360.0 * static_cast<double>(h) / static_cast<double>(s.nhist)
                                      : ph[static_cast<std::size_t>(h) % ph.size()];
        s.phase_rad.push_back(deg * pi / 180.0);
        const double a = alpha.empty() ? 1.0 : alpha[static_cast<std::size_t>(h / 2) % alpha.size()];
        if (a < 0) fail("--alpha must be >= 0");
        s.n0_of.push_back(h % 2 == 1 ? a * s.n0 : s.n0);
        s.htitle.push_back(static_cast<std::size_t>(h) < titles.size() ? titles[static_cast<std::size_t>(h)]
                                                                     : "Hist" + std::to_string(h + 1));
    }
    s.seed = static_cast<unsigned long>(integer(o, "seed", 1, 0, 4294967295L));
    return s;
}

double polarization(const Setup& s, double t, double phase)
{
    const double pi = std::acos(-1.0);
    switch (s.model) {
    case Model::exp: return std::cos(2 * pi * s.freq * t + phase) * std::exp(-s.lambda * t);
    case Model::gauss: {
        const double x = s.sigma * t;
        return std::cos(2 * pi * s.freq * t + phase) * std::exp(-0.5 * x * x);
    }
    case Model::kt: {
        const double x2 = s.sigma * s.sigma * t * t;
        return std::cos(phase) * static_kt(x2);
    }
    case Model::dynkt: {
        const double x = t / s.dynkt_h;
        const std::size_t i = std::min(static_cast<std::size_t>(x), s.dynkt.size() - 2);
        const double f = x - static_cast<double>(i);
        return std::cos(phase) * ((1 - f) * s.dynkt[i] + f * s.dynkt[i + 1]);
    }
    case Model::none: return 0;
    }
    return 0;
}

std::vector<std::uint32_t> counts_of(const Setup& s, long h, std::mt19937_64& rng)
{
    std::vector<std::uint32_t> c(static_cast<std::size_t>(s.nbins));
    const long max_count = s.bpb == 1 ? 255 : s.bpb == 2 ? 65535 : 4294967295L;
    for (long r = 1; r <= s.nbins; ++r) {
        double mean = s.bkg;
        if (r >= s.t0) {
            const double t = static_cast<double>(r - s.t0) * s.dt_us;
            mean += s.n0_of[static_cast<std::size_t>(h)] * std::exp(-t / s.tau) *
                    (1 + s.asym * polarization(s, t, s.phase_rad[static_cast<std::size_t>(h)]));
        }
        long n = 0;
        if (mean > 0) n = std::poisson_distribution<long>(mean)(rng);
        if (n > max_count)
            fail("bin " + std::to_string(r) + " of histogram " + std::to_string(h + 1) + " holds " +
                 std::to_string(n) + " counts, more than " + std::to_string(s.bpb) +
                 " bytes a bin can store");
        c[static_cast<std::size_t>(r - 1)] = static_cast<std::uint32_t>(n);
    }
    return c;
}

void check(int ok, const char* what)
{
    if (ok != 1) fail(std::string("could not ") + what);
}

// Keeps the low bytes of each count: the element width the file stores.
std::vector<std::uint8_t> elements(const std::vector<std::uint32_t>& c, long w)
{
    std::vector<std::uint8_t> e(c.size() * static_cast<std::size_t>(w));
    for (std::size_t i = 0; i < c.size(); ++i)
        for (long b = 0; b < w; ++b)
            e[i * static_cast<std::size_t>(w) + static_cast<std::size_t>(b)] = static_cast<std::uint8_t>(c[i] >> (8 * b));
    return e;
}

// A logged quantity: values at evenly spaced times over the run, and their moments.
struct Logged {
    std::vector<double> v;
    std::vector<int> t;
    double low = 0, high = 0, mean = 0, sd = 0, skew = 0;
};

Logged logged(double mean, double sd, long points, long begin, long elapsed, std::mt19937_64& rng)
{
    Logged l;
    std::normal_distribution<double> g(mean, sd > 0 ? sd : 1e-300);
    for (long k = 0; k < points; ++k) {
        l.v.push_back(sd > 0 ? g(rng) : mean);
        l.t.push_back(static_cast<int>(begin + (points > 1 ? k * elapsed / (points - 1) : 0)));
    }
    if (points == 0) return l;
    l.low = l.high = l.v[0];
    double sum = 0;
    for (const double x : l.v) { l.low = std::min(l.low, x); l.high = std::max(l.high, x); sum += x; }
    l.mean = sum / static_cast<double>(points);
    double m2 = 0, m3 = 0;
    for (const double x : l.v) { m2 += (x - l.mean) * (x - l.mean); m3 += std::pow(x - l.mean, 3); }
    m2 /= static_cast<double>(points);
    m3 /= static_cast<double>(points);
    l.sd = std::sqrt(m2);
    l.skew = m2 > 0 ? m3 / std::pow(m2, 1.5) : 0;
    return l;
}

// Values logged per variable; -1 for none (--no-indvars). No values would
// leave no summary to write, so 0 is refused.
long log_points(const Options& o)
{
    return o.no_indvars ? -1 : integer(o, "log-points", 60, 1, 1000000);
}

// Why the last open or close for writing failed, as the library says it.
std::string write_error()
{
    char why[512];
    return ZOG_getWriteError(why, sizeof why) == 1 ? why : "unknown reason";
}

void write_notes(int fh, const Options& o, bool fub, long begin, long elapsed, unsigned long seed)
{
    const long ncomments = integer(o, "comments", 1, 0, 10000);
    if (ncomments > 0) {
        check(ZOG_setComments(fh, 0x01010005, static_cast<int>(ncomments)), "make the comments");
        for (long k = 1; k <= ncomments; ++k) {
            const int n = static_cast<int>(k);
            check(ZOG_setCommentPrev(fh, n, n - 1), "link a comment");
            check(ZOG_setCommentNext(fh, n, k < ncomments ? n + 1 : 0), "link a comment");
            check(ZOG_setCommentTime(fh, n, static_cast<int>(begin + elapsed * k / (ncomments + 1))), "date a comment");
            check(ZOG_setCommentAuthor(fh, n, "kavrin_rungen"), "sign a comment");
            check(ZOG_setCommentTitle(fh, n, ("Note " + std::to_string(k)).c_str()), "title a comment");
            check(ZOG_setCommentBody(fh, n, ("Generated comment " + std::to_string(k) + " of " +
                                             std::to_string(ncomments) + ".").c_str()), "write a comment");
        }
    }
    const long points = log_points(o);
    if (points < 0) return;
    std::mt19937_64 rng(seed ^ 0x5DEECE66DULL);  // apart from the counts' stream
    const Logged vars[2] = {
        logged(num(o, "temp-mean", 10.0), num(o, "temp-sd", 0.05), points, begin, elapsed, rng),
        logged(num(o, "field-mean", 100.0), num(o, "field-sd", 0.5), points, begin, elapsed, rng),
    };
    const char* names[2][3] = {{"Temp", "Sample temperature", "K"}, {"Field", "Applied field", "G"}};
    check(ZOG_setIndVars(fh, fub ? ZOG_IND_VAR_GRP_FUB_TI : ZOG_IND_VAR_GRP_GENERIC, 2), "make the variables");
    for (int n = 1; n <= 2; ++n) {
        const Logged& l = vars[n - 1];
        check(ZOG_setIndVarName(fh, n, names[n - 1][0]) & ZOG_setIndVarDescription(fh, n, names[n - 1][1]) &
              ZOG_setIndVarUnits(fh, n, names[n - 1][2]), "name a variable");
        check(ZOG_setIndVarLow(fh, n, l.low) & ZOG_setIndVarHigh(fh, n, l.high) &
              ZOG_setIndVarMean(fh, n, l.mean) & ZOG_setIndVarStddev(fh, n, l.sd) &
              ZOG_setIndVarSkewness(fh, n, l.skew), "set a variable's summary");
        if (!fub) continue;
        // In this order: reals take their size before their type.
        check(ZOG_setIndVarNumData(fh, n, static_cast<int>(points)), "shape a variable's array");
        check(ZOG_setIndVarElemSize(fh, n, 8), "shape a variable's array");
        check(ZOG_setIndVarDataType(fh, n, 2), "shape a variable's array");
        check(ZOG_setIndVarData(fh, n, l.v.data()), "store a variable's values");
        check(ZOG_setIndVarTimeData(fh, n, l.t.data()), "store a variable's times");
    }
}

void write_run(const Options& o, const Setup& s)
{
    const std::string format = text(o, "format", "generic");
    if (format != "generic" && format != "fubti") fail("--format must be generic or fubti");
    const bool fub = format == "fubti";
    log_points(o);  // refused before anything is built
    // Nothing reaches the file before ZOG_closeWrite: a refusal on the way
    // leaves an old file as it was and makes no new one.
    const int fh = ZOG_openWrite(o.out.c_str(), fub ? ZOG_FMT_FUB_TI : ZOG_FMT_GENERIC);
    if (fh < 0) fail(write_error());
    check(ZOG_setRunDesc(fh), "make the run description");
    const long begin = integer(o, "begin", 1700000000L, 0, 2147483647L);
    const long elapsed = integer(o, "elapsed", 3600, 0, 2147483647L - begin);
    check(ZOG_setRunNumber(fh, static_cast<int>(integer(o, "run", 1234, 0, 2147483647L))), "set the run number");
    check(ZOG_setExptNumber(fh, static_cast<int>(integer(o, "expt", 567, 0, 2147483647L))), "set the experiment number");
    check(ZOG_setTimeBegin(fh, static_cast<int>(begin)), "set the start");
    check(ZOG_setTimeEnd(fh, static_cast<int>(begin + elapsed)), "set the end");
    check(ZOG_setElapsedSec(fh, static_cast<int>(elapsed)), "set the elapsed time");
    struct { const char* opt; int (*set)(int, const char*) noexcept; const char* dflt; } texts[] = {
        {"title", ZOG_setTitle, "Generated run"}, {"sample", ZOG_setSample, "Test sample"},
        {"temperature", ZOG_setTemperature, "10.0 K"}, {"field", ZOG_setField, "100 G"},
        {"orient", ZOG_setOrient, "c-axis"}, {"lab", ZOG_setLab, "Generated"},
        {"area", ZOG_setArea, "M15"}, {"method", ZOG_setMethod, "TF-muSR"},
        {"apparatus", ZOG_setApparatus, "Spectrometer"}, {"insert", ZOG_setInsert, "Cryostat"},
        {"das", ZOG_setDas, "Generator"}, {"experimenter", ZOG_setExperimenter, "kavrin_rungen"},
    };
    for (const auto& t : texts) {
        if (fub && (t.set == ZOG_setTemperature || t.set == ZOG_setField)) continue;
        check(t.set(fh, text(o, t.opt, t.dflt).c_str()), t.opt);
    }
    if (fub) {
        check(ZOG_setSubtitle(fh, text(o, "subtitle", "Generated run").c_str()), "set the subtitle");
        check(ZOG_setComment1(fh, ("Temperature: " + text(o, "temperature", "10.0 K")).c_str()), "set comment1");
        check(ZOG_setComment2(fh, ("Field: " + text(o, "field", "100 G")).c_str()), "set comment2");
    }

    check(ZOG_setHists(fh, fub ? ZOG_HIST_GRP_FUB_TI : ZOG_HIST_GRP_GENERIC, static_cast<int>(s.nhist)),
          "make the histograms");
    std::mt19937_64 rng(s.seed);
    std::vector<double> events(static_cast<std::size_t>(s.nhist));
    double total = 0;
    for (long h = 0; h < s.nhist; ++h) {
        const int n = static_cast<int>(h + 1);
        const std::vector<std::uint32_t> c = counts_of(s, h, rng);
        double sum = 0;
        for (const std::uint32_t x : c) sum += x;
        events[static_cast<std::size_t>(h)] = sum;
        total += sum;
        check(ZOG_setHistType(fh, n, 1), "set a histogram type");
        check(ZOG_setHistNumBins(fh, n, static_cast<int>(s.nbins)), "set the bins");
        check(ZOG_setHistBytesPerBin(fh, n, static_cast<int>(s.bpb)), "set the bin storage");
        check(ZOG_setHistFsPerBin(fh, n, static_cast<int>(static_cast<std::uint32_t>(s.fscode))), "set the bin width");
        check(ZOG_setHistT0_Bin(fh, n, static_cast<int>(s.t0)), "set t0");
        check(ZOG_setHistT0_Ps(fh, n, static_cast<int>(std::lround((static_cast<double>(s.t0) - 0.5) * s.dt_us * 1e6))), "set t0_ps");
        check(ZOG_setHistGoodBin1(fh, n, static_cast<int>(s.good1)), "set good bins");
        check(ZOG_setHistGoodBin2(fh, n, static_cast<int>(s.good2)), "set good bins");
        check(ZOG_setHistBkgd1(fh, n, static_cast<int>(s.bkgd1)), "set background bins");
        check(ZOG_setHistBkgd2(fh, n, static_cast<int>(s.bkgd2)), "set background bins");
        check(ZOG_setHistNumEvents(fh, n, static_cast<int>(static_cast<std::uint32_t>(sum))), "set the events");
        check(ZOG_setHistTitle(fh, n, s.htitle[static_cast<std::size_t>(h)].c_str()), "set a title");
        if (s.bpb == 0) check(ZOG_setHistData(fh, n, c.data()), "store the bins");
        else check(ZOG_setHistData(fh, n, elements(c, s.bpb).data()), "store the bins");
    }

    check(ZOG_setScalers(fh, ZOG_SCALER_GRP, static_cast<int>(s.scalers)), "make the scalers");
    for (long k = 1; k <= s.scalers; ++k) {
        double tot = 0;
        std::string label;
        if (k == 1) { label = "Clock"; tot = static_cast<double>(elapsed) * 1000.0; }
        else if (k == 2) { label = "Mu-Stop"; tot = 1.25 * total; }
        else {
            const long h = (k - 3) % s.nhist;
            label = "Hist" + std::to_string(h + 1);
            tot = events[static_cast<std::size_t>(h)];
        }
        const int counts[2] = {static_cast<int>(static_cast<std::uint32_t>(std::fmod(tot, 4294967296.0))),
                               static_cast<int>(static_cast<std::uint32_t>(std::fmod(tot / 60.0, 4294967296.0)))};
        check(ZOG_setScalerCounts(fh, static_cast<int>(k), counts), "set scaler counts");
        check(ZOG_setScalerLabel(fh, static_cast<int>(k), label.c_str()), "set a scaler label");
    }
    write_notes(fh, o, fub, begin, elapsed, s.seed);
    if (ZOG_closeWrite(fh) != 1) fail(write_error());
    std::printf("kavrin_rungen: wrote %s: %ld histograms of %ld bins, %.0f events\n", o.out.c_str(),
                s.nhist, s.nbins, total);
}

}  // namespace

int main(int argc, char** argv)
{
    // Past a file-size limit the write then fails and says so, and its
    // unfinished file beside the old one goes, instead of the run being killed.
    std::signal(SIGXFSZ, SIG_IGN);
    const Options o = parse(argc, argv);
    write_run(o, setup_of(o));
    return 0;
}
