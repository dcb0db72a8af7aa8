// makespect.cpp -- spectrum construction: raw widths, the common packed width and time
// axis, background, packing, renormalisation and the combination by spectrum type.
#include "makespect.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>

#include "fio.h"
#include "int_round.h"
#include "run_records.h"
#include "spect_local.h"
#include "titles.h"

namespace {

// Per-slot work values of one construction (slots 1..4, index 0 unused).
struct SlotWork {
    bool used = false;
    int h = 0;            // histogram number
    float dtraw = 0;      // raw bin width, us
    int kt0 = 0;          // time-zero bin
    int kt1 = 0, kt2 = 0; // first and last raw bin
    int npac = 0;         // raw bins per packed bin
    float bkgd = 0;       // background per packed bin
    double dndt = 0;      // rate at t = 0 per packed bin (N0)
};

constexpr double two_pi = 2.0 * std::numbers::pi;

bool first_call = true;  // the first construction marks "no previous spectrum"
std::string why;         // the last failure's own message: the reason of a stop that follows

// A failure's message on the screen, kept as its reason; returns the result.
int refuse(int result, std::string_view layout, std::initializer_list<FVal> vals)
{
    fio_write(fio_stdout, layout, vals);
    why = fio_text(layout, vals);
    return result;
}

// Raw bin width in us of bin-width code c (0 for negative codes).
float code_width(int c)
{
    if (c < 0) return 0.0f;
    if (c <= 15) return std::ldexp(7.8125e-5f, c);
    if (c <= 27) return std::ldexp(4.8828125e-5f, c - 16);
    return static_cast<float>(c) * 1e-9f;
}

float* block(float* a, int s, int npk) { return a + static_cast<std::ptrdiff_t>(s - 1) * npk; }

// Every slot's histogram number names a histogram the run holds.
int check_histograms(int type, int nh, SlotWork* w)
{
    for (int s = 1; s <= nh; ++s) {
        const int h = ispectctrl.jhist(s);
        const int lowest = (type == 4 && s > 1) ? 0 : 1;
        if (h < lowest || h > runheader.nHists)
            return refuse(spect_bad_hist, "(' Histogram',I4,' is not in the range (1,',I2,')')",
                          {h, runheader.nHists});
        w[s].used = h > 0;
        w[s].h = h;
    }
    for (int s = 1; s <= nh; ++s) {
        if (!w[s].used || histhdrs.nbins(w[s].h) == stored_bins(w[s].h)) continue;
        return refuse(spect_hist_too_long,
                      "(' Histogram',I3,' has',I11,' bins, more than the data arrays hold (',I6,')')",
                      {w[s].h, static_cast<unsigned>(histhdrs.nbins(w[s].h)), max_hist_bins});
    }
    return spect_ok;
}

// Raw width, time zero and good range of each used slot.
int raw_bins(int nh, SlotWork* w, float& tbin, float& t1max, float& t2min)
{
    tbin = rspectctrl.r_ctl(rctl_width, 1);
    t1max = -100.0f;
    t2min = 1e9f;
    for (int s = 1; s <= nh; ++s) {
        SlotWork& x = w[s];
        if (!x.used) continue;
        const int h = x.h;
        x.dtraw = rspectctrl.raw_bin(s);
        if (x.dtraw < 1e-6f) x.dtraw = code_width(histhdrs.fsperbin(h));
        if (!(x.dtraw > 0.0f))
            return refuse(spect_bad_params, "(' Histogram',I3,' has no raw bin width (code',I11,')')",
                          {h, histhdrs.fsperbin(h)});
        x.kt0 = histhdrs.t0_bin(h);
        if (rspectctrl.raw_t0(s) > 0.0f) x.kt0 = trunc_int(rspectctrl.raw_t0(s) / x.dtraw);
        if (ispectctrl.it0(s) > 0) x.kt0 = ispectctrl.it0(s);
        x.kt1 = ispectctrl.igood(s, 1) > 0 ? ispectctrl.igood(s, 1) : histhdrs.goodbin1(h);
        x.kt2 = ispectctrl.igood(s, 2) > 0 ? ispectctrl.igood(s, 2) : histhdrs.goodbin2(h);
        x.kt2 = std::min(x.kt2, stored_bins(h) - 1);  // never past the stored counts
        const auto k0 = static_cast<std::int64_t>(x.kt0);
        t1max = std::max(t1max, x.dtraw * static_cast<float>(x.kt1 - k0));
        t2min = std::min(t2min, x.dtraw * static_cast<float>(x.kt2 - k0 + 1));
        tbin = std::max(tbin, x.dtraw);
    }
    return spect_ok;
}

// The packed width, a whole multiple of the coarsest raw width that every
// slot's raw width divides.
int packing_width(int nh, SlotWork* w, float& tbin, double& rbmax)
{
    rbmax = 0.0;
    for (int s = 1; s <= nh; ++s)
        if (w[s].used) rbmax = std::max(rbmax, static_cast<double>(w[s].dtraw));
    tbin = static_cast<float>(rbmax * std::max(1, nint(tbin / rbmax)));
    for (int s = 1; s <= nh; ++s) {
        SlotWork& x = w[s];
        if (!x.used) continue;
        x.npac = nint(tbin / x.dtraw);
        const float dtpac = x.dtraw * static_cast<float>(x.npac);
        if (std::fabs(dtpac / tbin - 1.0f) > 2e-5f)
            return refuse(spect_incompatible,
                          "(' *** Packing incompatibility ***',/,'Histogram',I3,' has a bin size ',"
                          "F12.6,' which is incompatible with ',/,F12.6,'ns (gives ',F12.6,')')",
                          {x.h, x.dtraw * 1000.0f, tbin * 1000.0f, dtpac * 1000.0f});
    }
    return spect_ok;
}

// The common time axis, the packed-bin count and each slot's first raw bin;
// the raw bins to pack must lie within the stored counts.
int time_axis(int nh, SlotWork* w, float tbin, double rbmax, float t1max, float t2min)
{
    float& first = rspectctrl.r_ctl(rctl_first, 1);
    float& last = rspectctrl.r_ctl(rctl_last, 1);
    float& width = rspectctrl.r_ctl(rctl_width, 1);
    const float asked_first = first, asked_last = last, asked_width = width;  // 0: the data's
    width = tbin;
    const float h = static_cast<float>((tbin - rbmax) / 2.0);

    // The edges e1 and e2 are 4-byte reals like the axis they set; only rbmax is 8-byte.
    if (first == 0.0f) first = t1max;
    const int n = nint((first - h) / rbmax);
    const float e1 = static_cast<float>(std::max(rbmax * n, static_cast<double>(t1max)));
    first = e1 + h;

    if (last == 0.0f) last = t2min;
    const int m = nint((last + h - e1) / tbin);
    const float e2 = std::min(e1 + tbin * static_cast<float>(m), t2min);
    last = e2 - h;

    const int npk = trunc_int((last - first) / tbin + 0.01f);
    // A range cut at the end of the good data ends between packed bins: the end kept is the
    // one on the grid for the same bins, which a replay asking for it reaches and keeps again.
    const float eg = e1 + tbin * static_cast<float>(npk + (2.0f * h > 0.01f * tbin ? 1 : 0));
    if (npk >= 1 && eg < e2 && trunc_int((eg - h - first) / tbin + 0.01f) == npk) last = eg - h;
    ispectctrl.npk = npk;
    spectimes = {tbin, first, last};
    if (npk < 1) {  // a range beside the good data, or one narrower than a bin
        // The settings stay as given, so that a second try names the same range.
        first = asked_first;
        last = asked_last;
        width = asked_width;
        return refuse(spect_bad_params,
                      "(' *** TIMES range',F11.6,' to',F11.6,' us holds no packed bin; good data "
                      "from',F11.6,' to',F11.6,' us')",
                      {asked_first == 0.0f ? t1max : asked_first,
                       asked_last == 0.0f ? t2min : asked_last, t1max, t2min});
    }
    fio_write(fio_stdout,
              "(' Ready to pack',I6,F10.6,'-',A,'s bins from',F10.6,' to',F11.6,1X,A,'s')",
              {npk, tbin, spchars.micro, first, last, spchars.micro});

    for (int s = 1; s <= nh; ++s) {
        SlotWork& x = w[s];
        if (!x.used) continue;
        const std::int64_t k1 =
            static_cast<std::int64_t>(nint((first - (tbin - x.dtraw) / 2.0f) / x.dtraw)) + x.kt0;
        const std::int64_t kend = k1 + static_cast<std::int64_t>(npk) * x.npac - 1;
        if (k1 < 1)
            return refuse(spect_before_bin1,
                          "(' Histogram',I3,': first raw bin to pack is',I8,', before bin 1')",
                          {x.h, k1});
        if (kend > stored_bins(x.h))
            return refuse(spect_pack_fail,
                          "(' Histogram',I3,': bins',I8,' to',I11,' to pack, but it holds',I8,"
                          "' bins')",
                          {x.h, k1, kend, stored_bins(x.h)});
        x.kt1 = static_cast<int>(k1);
    }
    return spect_ok;
}

// The mean count per raw bin before time zero, scaled to a packed bin.
void measure_background(int nh, SlotWork* w)
{
    for (int s = 1; s <= nh; ++s) {
        SlotWork& x = w[s];
        if (!x.used) continue;
        const int nb = stored_bins(x.h);  // at least the packed range, so >= 1
        int k1 = ispectctrl.ibg(s, 1) > 0 ? ispectctrl.ibg(s, 1) : histhdrs.bkgd1(x.h);
        int k2 = ispectctrl.ibg(s, 2) > 0 ? ispectctrl.ibg(s, 2) : histhdrs.bkgd2(x.h);
        k1 = std::min(std::max(k1, 1), nb);
        k2 = std::min(std::max(k2, k1), nb);
        const int* col = histograms.ih.col(x.h);
        float sum = 0.0f;
        for (int k = k1; k <= k2; ++k) sum += static_cast<float>(col[k - 1]);
        x.bkgd = sum * static_cast<float>(x.npac) / static_cast<float>(k2 - k1 + 1);
    }
}

// The background refined by a fit of two halves of the range, the counts
// above it and the rate N0 at time zero of each used slot.
int renormalise(int type, int nh, SlotWork* w, float tau)
{
    if (std::fabs(tau) < 1e-15f) return spect_renorm_fail;
    const int npk = ispectctrl.npk;
    const double width = rspectctrl.r_ctl(rctl_width, 1);
    const double a = rspectctrl.r_ctl(rctl_first, 1) - width / 2.0;
    const double c = rspectctrl.r_ctl(rctl_last, 1) + width / 2.0;
    const double expa = std::exp(-a / tau), expc = std::exp(-c / tau);
    // Halfway point in counts; kept inside the block, which it is for any sane tau.
    const int ib = std::clamp(nint((-tau * std::log((expa + expc) / 2.0) - a) / width), 0, npk);
    const double b = a + width * ib;
    const double expb = std::exp(-b / tau);

    double hhl = (c - a) + 0.1;
    if (type == 4) {
        const double f = rspectctrl.r_ctl(rctl_rrf, 1);
        hhl = 1.0 / (300.0 / (f * f * f * f + 0.1) + 1.0 / hhl);
    }
    const double hw = std::exp(-(hhl / tau) * (hhl / tau));
    const float tbin = spectimes.tbin;

    for (int s = 1; s <= nh; ++s) {
        rspectctrl.sum(s) = 0.0f;
        SlotWork& x = w[s];
        if (!x.used) continue;
        const float* v = block(fitdata.data1.data(), s, npk);
        double sumab = 0.0, sumbc = 0.0;
        for (int i = 0; i < ib; ++i) sumab += v[i];
        for (int i = ib; i < npk; ++i) sumbc += v[i];
        if (hw < 0.999 && npk > 5) {
            const double den = (b - a) * expc + (c - b) * expa - (c - a) * expb;
            if (std::fabs(den) < 1e-15) return spect_renorm_fail;
            const double fitted = ((expa - expb) * sumbc - (expb - expc) * sumab) * width / den;
            x.bkgd = static_cast<float>(hw * x.bkgd + (1.0 - hw) * fitted);
        }
        // The rate comes from the sum as its 4-byte row holds it.
        rspectctrl.sum(s) = static_cast<float>(sumab + sumbc - static_cast<double>(x.bkgd) * npk);
        x.dndt = static_cast<double>(rspectctrl.sum(s)) * tbin / ((expa - expc) * tau);
        if (std::fabs(x.dndt) < 1e-15) return spect_renorm_fail;
    }
    return spect_ok;
}

// Single-histogram asymmetry of block s in place: (N - B) e^(t/tau) / N0 - 1.
void one_hist_asymmetry(const SlotWork& x, int s, float tau)
{
    const int npk = ispectctrl.npk;
    float* v = block(fitdata.data1.data(), s, npk);
    float* e = block(fitdata.data2.data(), s, npk);
    const double step = std::exp(static_cast<double>(rspectctrl.r_ctl(rctl_width, 1)) / tau);
    double r = std::exp(static_cast<double>(rspectctrl.r_ctl(rctl_first, 1)) / tau) / x.dndt;
    for (int i = 0; i < npk; ++i) {
        // counts, background and sqrt(N + 1) are 4-byte reals; only the factor is 8-byte
        const float n = v[i];
        v[i] = static_cast<float>(static_cast<double>(n - x.bkgd) * r - 1.0);
        e[i] = static_cast<float>(static_cast<double>(std::sqrt(n + 1.0f)) * r);
        r *= step;
    }
}

// Types 2 and 3: forward F and backward B above background, per packed bin.
int two_hist(int type, const SlotWork* w)
{
    const int npk = ispectctrl.npk;
    float* v = fitdata.data1.data();
    float* e = fitdata.data2.data();
    const float* m = v + npk;
    rspectctrl.sum(1) = 0.0f;
    rspectctrl.sum(2) = 0.0f;
    for (int i = 0; i < npk; ++i) {
        const float ni = v[i], mi = m[i];
        const float f = ni - w[1].bkgd, b = mi - w[2].bkgd;
        if (f <= 0.0f || b <= 0.0f) return spect_asy_fail;
        rspectctrl.sum(1) += f;
        rspectctrl.sum(2) += b;
        if (type == 2) {
            v[i] = (f - b) / (f + b);
            e[i] = 2.0f * std::sqrt(mi * f * f + ni * b * b) / ((f + b) * (f + b));
        } else {
            v[i] = f / b;
            e[i] = std::sqrt(ni * b * b + mi * f * f) / (b * b);
        }
    }
    return spect_ok;
}

// Amplitude of the first ib values of a block and its error (weights 1/err^2).
// Like every stage of the frame but the rotation itself, in 4-byte reals.
void block_amplitude(const float* v, const float* e, int ib, float& amp, float& damp)
{
    float saw = 0.0f, sw = 0.0f;
    for (int i = 0; i < ib; ++i) {
        const float wt = 1.0f / (e[i] * e[i]);
        saw += v[i] * v[i] * wt;
        sw += wt;
    }
    amp = std::sqrt(2.0f * saw / sw + 1e-10f);
    damp = std::sqrt(2.0f / sw);
}

// Type 4: x (slots 1, 2) and y (slots 3, 4) components, equalised, rotated into the
// frame turning at the RRF frequency, then optionally rebinned and taken as modulus.
void rotating_frame(const SlotWork* w, float tau)
{
    int npk = ispectctrl.npk;
    float* v = fitdata.data1.data();
    float* e = fitdata.data2.data();
    for (int s = 1; s <= 4; ++s)
        if (w[s].used) one_hist_asymmetry(w[s], s, tau);
    if (w[2].used) join2asy(v, e, 1, 2, npk);

    const float first = rspectctrl.r_ctl(rctl_first, 1);
    const float last = rspectctrl.r_ctl(rctl_last, 1);
    const float width = rspectctrl.r_ctl(rctl_width, 1);
    float xmult = 2.0f, ymult = 0.0f;
    const bool have_y = w[3].used || w[4].used;
    if (have_y) {
        if (!w[3].used) {
            for (int i = 0; i < npk; ++i) {
                v[2 * npk + i] = -v[3 * npk + i];
                e[2 * npk + i] = e[3 * npk + i];
            }
        } else if (w[4].used) {
            join2asy(v, e, 3, 4, npk);
        }
        const float bend = std::min(first + 1.0f, last);
        const int ib = std::min(std::max(1, nint((bend - first) / width)), npk);
        float a1, da1, a3, da3;
        block_amplitude(v, e, ib, a1, da1);
        block_amplitude(v + 2 * npk, e + 2 * npk, ib, a3, da3);
        rspectctrl.arms(1) = a1;
        rspectctrl.arms(3) = a3;
        const float e1 = 1.0f / (da1 * da1), e3 = 1.0f / (da3 * da3);
        const float abar = (a3 * e3 + a1 * e1) / (e1 + e3);
        xmult = abar / a1;
        ymult = abar / a3;
    }

    const double f = rspectctrl.r_ctl(rctl_rrf, 1);
    const double step = two_pi * f * width;
    const double cstep = std::cos(step), sstep = std::sin(step);
    double cs = std::cos(two_pi * f * first), sn = std::sin(two_pi * f * first);
    if (f == 0.0) cs = 1.0, sn = 0.0;
    for (int i = 0; i < npk; ++i) {
        const double ax = double{xmult} * v[i], dax = double{xmult} * e[i];
        // Without y detectors the y component is exactly 0 (block 3 holds nothing).
        const double ay = have_y ? double{ymult} * v[2 * npk + i] : 0.0;
        const double day = have_y ? double{ymult} * e[2 * npk + i] : 0.0;
        v[i] = static_cast<float>(ax * cs + ay * sn);
        v[npk + i] = static_cast<float>(ay * cs - ax * sn);
        e[i] = static_cast<float>(std::sqrt(dax * cs * dax * cs + day * sn * day * sn));
        e[npk + i] = static_cast<float>(std::sqrt(dax * sn * dax * sn + day * cs * day * cs));
        if (f != 0.0) {
            const double c2 = cs * cstep - sn * sstep;
            sn = sn * cstep + cs * sstep;
            cs = c2;
        }
    }

    const float fin = rspectctrl.r_ctl(rctl_final, 1);
    if (fin == 0.0f) return;
    const int n = std::max(1, nint(std::fabs(fin) / width));
    const int nnew = npk / n;
    for (int half = 0; half < 2; ++half) {
        const float* vs = v + half * npk;
        const float* es = e + half * npk;
        for (int k = 0; k < nnew; ++k) {
            float sv = 0.0f, se = 0.0f;
            for (int i = k * n; i < (k + 1) * n; ++i) {
                sv += vs[i];
                se += es[i] * es[i];
            }
            v[half * nnew + k] = sv / static_cast<float>(n);
            e[half * nnew + k] = std::sqrt(se) / static_cast<float>(n);
        }
    }
    const float wide = static_cast<float>(n) * width;
    spectimes = {wide, first - width / 2.0f + wide / 2.0f, last - width / 2.0f + wide / 2.0f};
    ispectctrl.npk = npk = nnew;

    if (fin > 0.0f) return;
    for (int k = 0; k < npk; ++k) {
        const float re = v[k], im = v[npk + k], dre = e[k], dim = e[npk + k];
        v[k] = std::sqrt(re * re + im * im);
        e[k] = modulus_error(re, im, dre, dim);
        v[npk + k] = 0.0f;
        e[npk + k] = 0.0f;
    }
}

// The finished bins never hand the fit an undefined value or a zero error.
void guard_finished_bins(int type)
{
    const int n = (type == 4 ? 2 : 1) * ispectctrl.npk;
    float* v = fitdata.data1.data();
    float* e = fitdata.data2.data();
    for (int i = 0; i < n; ++i) {
        if (!std::isfinite(v[i])) v[i] = 0.0f, e[i] = no_weight_err;
        if (!(std::isfinite(e[i]) && e[i] > 0.0f)) e[i] = no_weight_err;
    }
}

int construct()
{
    const int type = ispectctrl.type();
    const int nh = slots_of_type(type);
    if (first_call) {
        ispectctrl.type(2) = no_previous_spectrum;
        first_call = false;
    }
    if (type < 0 || type > 4)
        return refuse(spect_bad_params, "(' Spectrum type',I7,' is not one of 0 to 4')", {type});
    SlotWork w[5];
    if (int r = check_histograms(type, nh, w); r != spect_ok) return r;
    copy_spect_column(1, 2);

    float tbin, t1max, t2min;
    double rbmax;
    if (int r = raw_bins(nh, w, tbin, t1max, t2min); r != spect_ok) return r;
    if (int r = packing_width(nh, w, tbin, rbmax); r != spect_ok) return r;
    if (int r = time_axis(nh, w, tbin, rbmax, t1max, t2min); r != spect_ok) return r;
    if (type != 0) measure_background(nh, w);

    const int npk = ispectctrl.npk;
    for (int s = 1; s <= nh; ++s)
        if (w[s].used)
            packi2r(histograms.ih.col(w[s].h) + (w[s].kt1 - 1),
                    block(fitdata.data1.data(), s, npk), npk, w[s].npac);

    float& tau = rspectctrl.r_ctl(rctl_tau, 1);
    if (tau == 0.0f) tau = muon_lifetime;
    if (type == 1 || type == 4)
        if (int r = renormalise(type, nh, w, tau); r != spect_ok) return r;

    switch (type) {
    case 0:
        for (int i = 1; i <= npk; ++i) fitdata.err_in(i) = std::sqrt(fitdata.bin_in(i) + 1.0f);
        break;
    case 1: one_hist_asymmetry(w[1], 1, tau); break;
    case 2:
    case 3:
        if (int r = two_hist(type, w); r != spect_ok) return r;
        break;
    default: rotating_frame(w, tau); break;
    }
    guard_finished_bins(type);
    return spect_ok;
}

}  // namespace

void packi2r(const int* raw, float* out, int n, int npac)
{
    if (n <= 0 || npac <= 0) return;
    for (int j = 0; j < n; ++j) {
        float s = 0.0f;
        for (int k = 0; k < npac; ++k) s += static_cast<float>(*raw++);
        out[j] = s;
    }
}

float modulus_error(float re, float im, float dre, float dim)
{
    // In 8-byte reals: squared products of large errors stay finite.
    const double x = re, y = im, sx = dre, sy = dim;
    const double m2 = x * x + y * y;
    if (!(m2 > 0.0)) return static_cast<float>(std::sqrt((sx * sx + sy * sy) / 2.0));
    return static_cast<float>(std::sqrt(((x * sx) * (x * sx) + (y * sy) * (y * sy)) / m2));
}

void join2asy(float* val_a, float* err_a, int k1, int k2, int n)
{
    if (k1 < 1 || k1 > 4 || k2 < 1 || k2 > 4) return;
    float* v1 = block(val_a, k1, n);
    float* e1 = block(err_a, k1, n);
    const float* v2 = block(val_a, k2, n);
    const float* e2 = block(err_a, k2, n);
    for (int i = 0; i < n; ++i) {
        const float w1 = 1.0f / (e1[i] * e1[i]);
        const float w2 = 1.0f / (e2[i] * e2[i]);
        v1[i] = (v1[i] * w1 - v2[i] * w2) / (w1 + w2);
        e1[i] = std::sqrt(1.0f / (w1 + w2));
    }
}

void makespect(int& ierr)
{
    why.clear();
    ierr = construct();
}

std::string makespect_reason(int result)
{
    if (!why.empty()) return why;
    const std::string_view m = spect_errmess(result);
    return std::string(m.substr(0, m.find_last_not_of(' ') + 1));
}

std::string_view spect_errmess(int result)
{
    // Entry n is the message of result -100 - n.
    static constexpr std::string_view errmess[] = {
        "Illegal histogram selections (JHIST)            ",
        "Error checking parameters                       ",
        "Packing Incompatibility                         ",
        "Packing failure                                 ",
        "                                                ",
        "Renormalization failure                         ",
        "Asy failure: Counts too low                     ",
        "Failure making one-hist Asymmetry               ",
        "Failure making RRF                              ",
        "Histogram too long for the data arrays          ",
        "First raw bin to pack is before bin 1           ",
    };
    const int n = -100 - result;
    if (n < 1 || n > static_cast<int>(std::size(errmess))) return errmess[4];
    return errmess[n - 1];
}
