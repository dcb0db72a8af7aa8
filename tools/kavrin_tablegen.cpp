// kavrin_tablegen.cpp -- writes relaxation-function table files computed from the
// physics: static and dynamic Kubo-Toyabe tables, complex and OMNI tables.

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <numbers>
#include <string>
#include <vector>

#include "kt_tablegen.h"

namespace {

const char help_text[] =
    "Usage: kavrin_tablegen KIND -o FILE [options]\n"
    "Writes a relaxation-function table file for the fitting program.\n"
    "Units are normalised: tn = Delta t, hn = nu/Delta, on = omega_L/Delta (angular).\n"
    "\n"
    "KIND lf -- static Kubo-Toyabe in a longitudinal field (the LF G(t) table)\n"
    "  --shape gauss|lorentz  field distribution (default gauss)\n"
    "  --dt X      time step in tn (gauss 0.04, lorentz 0.05)\n"
    "  --nt N      points per row (gauss 116, lorentz 178)\n"
    "  --dw X      field step in on (gauss 0.06, lorentz 0.22)\n"
    "  --rows N    field rows (gauss 86, lorentz 56)\n"
    "  --scaled    the time step of row on is dt/(1 + on/2)\n"
    "  The high-field limit is (rows-1)*dw; rows*nt must not exceed 10001.\n"
    "\n"
    "KIND dyn -- dynamic Kubo-Toyabe, strong collisions (the G(t) table)\n"
    "  --shape gauss|lorentz  (gauss)\n"
    "  --dt1 X (0.05) up to --t2 X (5), then --dt2 X (0.1) up to --tmax X (20), in tn;\n"
    "              past tmax the fitting program follows the decay of the last points\n"
    "  --hmin X (0.01) --hmax X (100) --per-decade N (20, 10 with a field axis): hop\n"
    "              points even in ln hn after hn = 0; hmax is where the fast-hopping\n"
    "              forms take over\n"
    "  --lf           add the default field axis: 63 slabs at q/Delta = 0, 0.04, ... 2.48\n"
    "              (q in MHz); the high-field form takes over at 2.52\n"
    "  --lf-slabs N   a field axis of N slabs instead\n"
    "  --lf-step DQ   slab step in q/Delta (0.05; 0.04 with --lf)\n"
    "  --fine M       solver steps per dt1 (4; more where nu h would exceed 0.25)\n"
    "\n"
    "KIND complex -- complex G(x) at x = 0, dx, ... (the G_CMPLX(t) table)\n"
    "  --func gauss|exp|onesided  exp(-x^2/2), exp(-x), or (e^(2 pi i x) - 1)/(2 pi i x),\n"
    "              the last a flat distribution of shifts from 0 to 1 (gauss)\n"
    "  --n N (2048)  --dx X (0.01; onesided: the step that ends the table at the\n"
    "              next whole x at or past 0.01 (n-1), a zero of Z, so that the cut\n"
    "              to 0 there is below 1e-5: 21/2047, x = 21, by default)\n"
    "\n"
    "KIND omni -- N-dimensional table (the OMNI G(t) table); one --axis LO:HI:N per axis\n"
    "  --func static-lf  axes tn, on               static LF Kubo-Toyabe (with --shape)\n"
    "  --func dyn        axes tn, hn               dynamic ZF Kubo-Toyabe\n"
    "  --func dyn-lf     axes tn, hn, on           dynamic LF Kubo-Toyabe\n"
    "\n"
    "Accuracy (each figure is checked by the fitting program's tests):\n"
    "  static functions: closed forms with one integral by 8-point Gauss-Legendre;\n"
    "    the Gaussian within 1e-9 of the direct average over the field distribution,\n"
    "    the Lorentzian equal to its zero-field form at on = 0 and within 1e-4 of the\n"
    "    long-time mean of cos^2 of the field angle (at tn = 40);\n"
    "  dynamic functions: the strong-collision equation solved by the product\n"
    "    trapezoid rule (e^-nu t integrated exactly) with Richardson extrapolation,\n"
    "    within 1e-5 of the converged solution at every hop rate; equal to the static\n"
    "    function at hn = 0, within 3/hn^2 of exp(-2 tn/hn) at fast hopping;\n"
    "  values are stored as 4-byte reals (relative 6e-8).\n"
    "  The fitting program interpolates to first order. What it gives on the\n"
    "  default tables, measured half-way between grid points (in time, field,\n"
    "  ln hn, between slabs) and past the tables' ends (tn to 30 static, 100\n"
    "  dynamic; on to 100, q/Delta to 20, hn to 1000):\n"
    "    lf gauss           8.2e-4 (rows to on = 5.1, then its high-field form)\n"
    "    lf lorentz         2.3e-3 in the table (on < 12.1); its analytic high-\n"
    "                       field form above: 2.9e-3 at on = 12.1, 2.4e-3 at 20,\n"
    "                       below 1e-3 only from on = 68\n"
    "    dyn, zero field    6.5e-4 (gauss and lorentz)\n"
    "    dyn gauss --lf     3.4e-3 at q/Delta < 0.2, 2.7e-3 at 0.2..2.52, 2.6e-3\n"
    "                       past tn = 20, 1.4e-3 from 2.52 on (near hn = 100)\n"
    "    dyn lorentz --lf   2.2e-3 at q/Delta < 0.2, 3.0e-3 at 0.2..2.52 (early\n"
    "                       times near 2.5), 2.2e-3 past tn = 20, 1e-4 from 2.52 on\n"
    "  1e-3 everywhere is out of reach within the record limits: lf lorentz would\n"
    "  need rows to on = 68, and a field axis about 126 slabs (step 0.02), 20 hop\n"
    "  points per decade and 250 times, 2.6 million values against 800000.\n";

[[noreturn]] void usage_error(const std::string& what)
{
    std::fprintf(stderr, "kavrin_tablegen: %s (see --help)\n", what.c_str());
    std::exit(2);
}

double num_arg(const std::string& opt, const char* v)
{
    if (v == nullptr) usage_error(opt + " needs a value");
    char* end = nullptr;
    const double x = std::strtod(v, &end);
    if (end == v || *end != '\0' || !std::isfinite(x)) usage_error(opt + ": not a number: " + v);
    return x;
}

int int_arg(const std::string& opt, const char* v)
{
    const double x = num_arg(opt, v);
    if (x != std::floor(x) || x < 0 || x > 1e7) usage_error(opt + ": not a count: " + v);
    return int(x);
}

void need(bool ok, const std::string& what)
{
    if (!ok) usage_error(what);
}

ktgen::OmniAxis axis_arg(const char* v, const std::string& label)
{
    if (v == nullptr) usage_error("--axis needs LO:HI:N");
    double lo = 0, hi = 0;
    int n = 0;
    char extra = 0;
    if (std::sscanf(v, "%lf:%lf:%d%c", &lo, &hi, &n, &extra) != 3 || n < 2 || !(hi > lo))
        usage_error(std::string("--axis wants LO:HI:N with HI > LO and N >= 2, not ") + v);
    ktgen::OmniAxis a{label, {}};
    for (int i = 0; i < n; ++i) a.x.push_back(lo + (hi - lo) * i / (n - 1));
    return a;
}

// The OMNI values, axis 1 running fastest; dynamic ones solved once per (hn, on).
std::vector<float> omni_values(const std::string& func, char shape, std::vector<ktgen::OmniAxis>& ax)
{
    const std::vector<double>& t = ax[0].x;
    std::vector<float> v;
    if (func == "static-lf") {
        need(ax.size() == 2, "--func static-lf takes 2 axes");
        for (double on : ax[1].x) {
            std::vector<double> tt(t);
            for (double& x : tt) x = std::max(x, 0.0);
            // The integral runs from 0: solve on the sorted, non-negative times.
            const auto g =
                shape == 'l' ? ktdyn::kt_static_lorentz(tt, on) : ktdyn::kt_static_gauss(tt, on);
            for (double x : g) v.push_back(float(x));
        }
        return v;
    }
    const bool lf = func == "dyn-lf";
    need(func == "dyn" || lf, "unknown --func " + func);
    need(ax.size() == (lf ? 3u : 2u), "--func " + func + " takes " + (lf ? "3" : "2") + " axes");
    const std::vector<double> ons = lf ? ax[2].x : std::vector<double>{0.0};
    for (double on : ons)
        for (double hn : ax[1].x) {
            need(hn >= 0 && on >= 0, "hop rates and fields of the axes must not be negative");
            const auto c = ktdyn::kt_dynamic_curve(shape, on, hn, 0.05, 4, t.back());
            for (double x : t) v.push_back(float(x <= 0 ? 1.0 : ktdyn::grid_at(c.g, c.h, x)));
        }
    return v;
}

std::complex<double> cmplx_func(const std::string& f, double x)
{
    if (f == "gauss") return std::exp(-x * x / 2);
    if (f == "exp") return std::exp(-x);
    const double a = 2 * std::numbers::pi * x;
    if (a < 1e-6) return {1.0, a / 2};
    return (std::exp(std::complex<double>(0, a)) - 1.0) / std::complex<double>(0, a);
}

}  // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    for (const auto& a : args)
        if (a == "--help" || a == "-h") {
            std::fputs(help_text, stdout);
            return 0;
        }
    if (args.empty()) usage_error("no KIND given");
    const std::string kind = args[0];
    std::string out, func = kind == "complex" ? "gauss" : "static-lf";
    char shape = 'g';
    ktgen::LfSpec lf;
    bool lf_dt = false, lf_dw = false, lf_nt = false, lf_rows = false;
    ktgen::DynSpec dyn;
    bool dyn_field = false;
    int dyn_given = 0;   // 1 --per-decade, 2 --lf-slabs, 4 --lf-step
    int cn = 2048;
    double cdx = 0.01;
    bool cdx_given = false;
    std::vector<ktgen::OmniAxis> axes;
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& o = args[i];
        const char* v = i + 1 < args.size() ? args[i + 1].c_str() : nullptr;
        auto take = [&] { ++i; return v; };
        if (o == "-o") { need(v != nullptr, "-o needs a file name"); out = take(); }
        else if (o == "--shape") {
            const std::string s = v != nullptr ? take() : "";
            need(s == "gauss" || s == "lorentz", "--shape is gauss or lorentz");
            shape = s == "lorentz" ? 'l' : 'g';
        }
        else if (o == "--scaled") lf.scaled = true;
        else if (o == "--dt") { lf.dt = num_arg(o, take()); lf_dt = true; }
        else if (o == "--nt") { lf.nt = int_arg(o, take()); lf_nt = true; }
        else if (o == "--dw") { lf.dw = num_arg(o, take()); lf_dw = true; }
        else if (o == "--rows") { lf.nrow = int_arg(o, take()); lf_rows = true; }
        else if (o == "--dt1") dyn.dt1 = num_arg(o, take());
        else if (o == "--t2") dyn.t2 = num_arg(o, take());
        else if (o == "--dt2") dyn.dt2 = num_arg(o, take());
        else if (o == "--tmax") dyn.tmax = num_arg(o, take());
        else if (o == "--hmin") dyn.hmin = num_arg(o, take());
        else if (o == "--hmax") dyn.hmax = num_arg(o, take());
        else if (o == "--per-decade") { dyn.per_decade = int_arg(o, take()); dyn_given |= 1; }
        else if (o == "--lf") dyn_field = true;
        else if (o == "--lf-slabs") { dyn.nslab = int_arg(o, take()); dyn_given |= 2; }
        else if (o == "--lf-step") { dyn.dq = num_arg(o, take()); dyn_given |= 4; }
        else if (o == "--fine") dyn.fine = int_arg(o, take());
        else if (o == "--func") { need(v != nullptr, "--func needs a name"); func = take(); }
        else if (o == "--n") cn = int_arg(o, take());
        else if (o == "--dx") { cdx = num_arg(o, take()); cdx_given = true; }
        else if (o == "--axis") axes.push_back(axis_arg(take(), "axis " + std::to_string(axes.size() + 1)));
        else usage_error("unknown option " + o);
    }
    need(!out.empty(), "no output file (-o FILE)");
    bool ok = false;
    std::string why = "cannot write " + out;
    if (kind == "lf") {
        const ktgen::LfSpec d = ktgen::lf_defaults(shape);
        lf.shape = shape;
        if (!lf_dt) lf.dt = d.dt;
        if (!lf_dw) lf.dw = d.dw;
        if (!lf_nt) lf.nt = d.nt;
        if (!lf_rows) lf.nrow = d.nrow;
        need(lf.dt > 0 && lf.dw > 0, "--dt and --dw must be positive");
        need(lf.nt >= 2 && lf.nrow >= 2, "--nt and --rows must be at least 2");
        need(long(lf.nt) * lf.nrow <= 10001, "rows * nt must not exceed 10001");
        ok = ktgen::write_lf_table(out, lf);
    } else if (kind == "dyn") {
        const ktgen::DynSpec d = ktgen::dyn_defaults(shape, dyn_field);
        dyn.shape = shape;
        if (!(dyn_given & 2)) dyn.nslab = d.nslab;
        if (!(dyn_given & 4)) dyn.dq = d.dq;
        if (!(dyn_given & 1)) dyn.per_decade = ktgen::dyn_defaults(shape, dyn.nslab > 0).per_decade;
        need(dyn.dt1 > 0 && dyn.dt2 > 0 && dyn.t2 >= dyn.dt1 && dyn.tmax > dyn.t2,
             "need dt1, dt2 > 0 and dt1 <= t2 < tmax");
        need(dyn.hmin > 0 && dyn.hmax > dyn.hmin && dyn.per_decade >= 1,
             "need 0 < hmin < hmax and per-decade >= 1");
        need(dyn.fine >= 1 && dyn.dq > 0, "need fine >= 1 and lf-step > 0");
        need(std::fabs(dyn.dt2 / (dyn.dt1 / dyn.fine) - std::round(dyn.dt2 / (dyn.dt1 / dyn.fine))) < 1e-9,
             "dt2 must be a multiple of dt1/fine");
        if (dyn.tmax < 20)
            std::fprintf(stderr,
                         "kavrin_tablegen: note: the time axis ends at tn = %g; past it the fitting program\n"
                         "  continues the decay of the last points, which is within 6.5e-4 from tn = 20 on\n",
                         dyn.tmax);
        if (dyn.nslab > 0 && shape == 'g' && dyn.nslab * dyn.dq < 2.5)
            std::fprintf(stderr,
                         "kavrin_tablegen: note: the field axis ends at q/Delta = %g; the high-field form\n"
                         "  that takes over there is accurate to 2e-3 from q/Delta = 2.5 on\n",
                         dyn.nslab * dyn.dq);
        ok = ktgen::write_dyn_table(out, dyn, &why);
    } else if (kind == "complex") {
        need(func == "gauss" || func == "exp" || func == "onesided", "unknown --func " + func);
        need(cn >= 2 && cn <= 2048 && cdx > 0, "need 2 <= n <= 2048 and dx > 0");
        // Past its last point the table reads 0; the one-sided function falls only as 1/x,
        // so its table ends on one of its zeros, at whole x.
        if (func == "onesided" && !cdx_given) cdx = std::ceil(0.01 * (cn - 1) - 1e-9) / (cn - 1);
        ok = ktgen::write_cmplx_table(out, cn, cdx, [&](double x) { return cmplx_func(func, x); });
    } else if (kind == "omni") {
        need(!axes.empty(), "an OMNI table needs its axes (--axis LO:HI:N)");
        const std::vector<float> v = omni_values(func, shape, axes);
        need(v.size() <= 200000, "the table would hold more than 200000 values");
        const char* names[] = {"Delta*t", "nu/Delta", "omega/Delta"};
        if (func == "static-lf") names[1] = "omega/Delta";
        for (std::size_t k = 0; k < axes.size() && k < 3; ++k) axes[k].label = names[k];
        ok = ktgen::write_omni_table(out, "Kubo-Toyabe " + func, "polarization", axes, v);
    } else {
        usage_error("unknown KIND " + kind);
    }
    if (!ok) {
        std::fprintf(stderr, "kavrin_tablegen: %s\n", why.c_str());
        return 1;
    }
    return 0;
}
