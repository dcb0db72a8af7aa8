// tblpol.cpp -- polarization functions read from the OMNI table (any number of
// axes up to 10) and from the complex table.

#include <cmath>

#include "relax.h"
#include "relax_local.h"

using namespace relax_detail;

double omni_pol(double t, double r1, std::span<const double> rates)
{
    double c[omni_dim_cap];
    r1 = std::fabs(r1);   // even in the first rate, as the widths of the other forms
    c[0] = r1 * t;
    if (!(c[0] > 0)) return std::isnan(c[0]) ? c[0] : 1.0;
    if (!tbl_loaded.omni) {
        relax_notice(tbl_loaded.told_omni, "*** OMNI_POL: no OMNI table has been read; G = 1 used");
        return 1;
    }
    const int ndim = omni_tbl_size.ndim;
    for (int i = 2; i <= ndim; ++i)
        c[i - 1] = std::size_t(i - 2) < rates.size() ? rates[std::size_t(i - 2)] / r1 : 0.0;
    double y = 0;
    std::int32_t if_out = 0;
    std::int32_t j_out[omni_dim_cap] = {};
    lookup_tbl({c, std::size_t(ndim)}, y, if_out, j_out);
    return y;
}

void lookup_tbl(std::span<const double> xxx, double& y, std::int32_t& if_out,
                std::span<std::int32_t> j_out)
{
    if_out = 0;
    const int ndim = omni_tbl_size.ndim;   // 1..10 once a table is read, else 0
    const auto& xv = omni_tbl_bins.x_tbl;
    const auto& yv = omni_tbl_data.y_tbl;
    int incr[omni_dim_cap + 1];
    int pos[omni_dim_cap + 1];
    double frac[omni_dim_cap + 1];
    int origin = 1;
    for (int ix = 1; ix <= ndim; ++ix) {
        const int nb = omni_tbl_size.nbins_tbl(ix);
        incr[ix] = ix == 1 ? 1 : omni_tbl_size.nbins_tbl(ix - 1) * incr[ix - 1];
        const int i0 = omni_tbl_locx.loc_x0_tbl(ix);
        const double x = std::size_t(ix - 1) < xxx.size() ? xxx[std::size_t(ix - 1)] : 0.0;
        int at = 0;
        frac[ix] = 0;
        if (x <= xv(i0 + 1)) {
            if_out = 1;
            if (std::size_t(ix - 1) < j_out.size()) j_out[std::size_t(ix - 1)] = -ix;
            at = i0 + 1;
        } else if (x >= xv(i0 + nb)) {
            if_out = 1;
            if (std::size_t(ix - 1) < j_out.size()) j_out[std::size_t(ix - 1)] = ix;
            at = i0 + nb;
        } else {
            int i1 = i0 + 1, i2 = i0 + nb;
            for (;;) {
                const int imid = (i1 + i2) / 2;
                const double xmid = xv(imid);
                if (imid == i1) {
                    at = imid;
                    frac[ix] = (x - xmid) / (xv(imid + 1) - xmid);
                    break;
                }
                if (x == xmid) {
                    at = imid;
                    break;
                }
                if (x < xmid) i2 = imid;
                else i1 = imid;
            }
        }
        pos[ix] = at - i0;
        origin += (pos[ix] - 1) * incr[ix];
    }
    const double y0 = yv(origin);
    double sum = y0;
    for (int ix = 1; ix <= ndim; ++ix)
        if (frac[ix] != 0) sum += frac[ix] * (yv(origin + incr[ix]) - y0);
    y = sum;
}

std::complex<float> g_cmplx(float x)
{
    const GCmplxTbl& tb = g_cmplx_tbl;
    if (!tbl_loaded.cmplx || !(x < tb.xmax) || tb.n < 2) return {0.0f, 0.0f};
    const float q = x / tb.dx;
    int k;
    float f;
    if (q > -1) {
        k = int(q) + 1;        // truncation: -1 < q < 0 stays on the first interval
        if (k > tb.n - 1) k = tb.n - 1;   // x a rounding below xmax
        f = q - float(k - 1);
    } else {
        k = 1;                 // held at the end of the first interval's line
        f = -1;
    }
    const auto& r = tb.pol_r;
    const auto& i = tb.pol_i;
    return {r(k) + f * (r(k + 1) - r(k)), i(k) + f * (i(k + 1) - i(k))};
}
