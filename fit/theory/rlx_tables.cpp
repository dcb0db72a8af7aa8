// rlx_tables.cpp -- reads the four kinds of relaxation-function table file.
// Files are untrusted: every count is checked before anything is stored past it.

#include "rlx_tables.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "ask.h"
#include "chars.h"

namespace {

// A sequential record file on its unit: each record is framed by its byte
// count, 4 bytes little-endian, before and after it. The first fault sticks in `why`.
struct RecFile {
    int unit = -1;
    std::FILE* f = nullptr;
    long left = 0;      // bytes not yet consumed
    int nrec = 0;       // records read so far
    std::string why;

    ~RecFile() { if (unit >= 0) fio_close(unit); }
    bool bad(std::string w) { if (why.empty()) why = std::move(w); return false; }
};

// Opens the named existing file on the first free unit from 11 up.
bool rec_open(RecFile& r, std::string_view name)
{
    r.unit = fio_free_unit(11, fio_max_unit);
    if (r.unit < 0) return r.bad("no free unit");
    const int err = fio_open(r.unit, name, FStatus::old);
    if (err != 0) {
        r.unit = -1;
        return r.bad(std::string("cannot open the file (") + std::strerror(err) + ")");
    }
    fio_rewind(r.unit);
    r.f = fio_file(r.unit);
    if (r.f == nullptr || std::fseek(r.f, 0, SEEK_END) != 0) return r.bad("cannot position in the file");
    r.left = std::ftell(r.f);
    if (r.left < 0 || std::fseek(r.f, 0, SEEK_SET) != 0) return r.bad("cannot position in the file");
    return true;
}

bool rec_u32(RecFile& r, std::uint32_t& v)
{
    unsigned char b[4];
    if (r.left < 4 || std::fread(b, 1, 4, r.f) != 4) return false;
    r.left -= 4;
    v = std::uint32_t(b[0]) | std::uint32_t(b[1]) << 8 | std::uint32_t(b[2]) << 16 |
        std::uint32_t(b[3]) << 24;
    return true;
}

// The file's little-endian 4-byte items as this machine's.
void from_le32(void* p, std::size_t count)
{
    if constexpr (std::endian::native == std::endian::big) {
        auto* b = static_cast<unsigned char*>(p);
        for (std::size_t i = 0; i < count; ++i, b += 4) {
            std::swap(b[0], b[3]);
            std::swap(b[1], b[2]);
        }
    } else {
        (void)p;
        (void)count;
    }
}

// Reads the next record: its first `need` bytes into dst, the rest skipped.
bool rec_read(RecFile& r, void* dst, std::size_t need)
{
    const int k = ++r.nrec;
    const std::string rec = "record " + std::to_string(k);
    std::uint32_t n = 0;
    if (!rec_u32(r, n)) return r.bad(rec + " is missing (end of file)");
    if (n > static_cast<std::uint32_t>(r.left) || r.left - long(n) < 4)
        return r.bad(rec + " claims " + std::to_string(n) + " bytes, more than the file holds");
    if (n < need)
        return r.bad(rec + " holds " + std::to_string(n) + " bytes, " + std::to_string(need) +
                     " needed");
    if (need > 0 && std::fread(dst, 1, need, r.f) != need) return r.bad(rec + " cannot be read");
    if (std::fseek(r.f, long(n - need), SEEK_CUR) != 0) return r.bad(rec + " cannot be skipped");
    r.left -= long(n);
    std::uint32_t tail = 0;
    if (!rec_u32(r, tail) || tail != n)
        return r.bad(rec + ": its closing length does not match its opening length");
    return true;
}

bool rec_ints(RecFile& r, std::int32_t* dst, std::size_t count)
{
    if (!rec_read(r, dst, 4 * count)) return false;
    from_le32(dst, count);
    return true;
}

bool rec_reals(RecFile& r, float* dst, std::size_t count)
{
    if (!rec_read(r, dst, 4 * count)) return false;
    from_le32(dst, count);
    for (std::size_t i = 0; i < count; ++i)
        if (!std::isfinite(dst[i])) return r.bad("record " + std::to_string(r.nrec) +
                                                 " holds a value that is not a number");
    return true;
}

bool fail(std::string* why, const std::string& w)
{
    if (why != nullptr) *why = w;
    return false;
}

// The reason of a failed record step.
bool finish(RecFile& r, std::string* why) { return fail(why, r.why); }

// The screen while interactive, else the log file.
int rlx_msg_unit()
{
    const int unit = online != 0 ? fileio.lunscr() : fileio.lunprt();
    return fio_is_open(unit) ? unit : fio_stdout;   // a log not yet open: the screen
}

std::string num(double v) { char b[32]; std::snprintf(b, sizeof b, "%g", v); return b; }

void say_lines(int unit, const std::vector<std::string>& lines)
{
    for (const auto& l : lines) fio_write(unit, "(A)", {l});
}

// The reader's own message is fixed text; the reason follows it where that message goes
// when the run is interactive, else in the log, and on standard error.
[[noreturn]] void tbl_stop(std::string_view name, const std::string& why)
{
    constexpr std::string_view layout = "(' *** Table file ',A,': ',A)";
    fio_write(rlx_msg_unit(), layout, {text_of(name), why});
    ask_fail(fio_text(layout, {text_of(name), why}));
}

// Checks of the relaxation table's own parameters against its data.
bool rlx_params_ok(std::string* why)
{
    const int nt = tblpai(2), nh = tblpai(3), i5 = tblpai(5);
    const double p1 = tblpar(1), p2 = tblpar(2), p3 = tblpar(3), p4 = tblpar(4);
    const double p5 = tblpar(5), p6 = tblpar(6), p8 = tblpar(8), p9 = tblpar(9);
    constexpr double slack = 1e-6;
    if (!(p1 > 0)) return fail(why, "the time step (real 1) is not positive");
    if (!(p4 > 0)) return fail(why, "the end of the time axis (real 4) is not positive");
    if (i5 < 1 || i5 > nt)
        return fail(why, "the second time region starts at point " + std::to_string(i5) +
                             ", outside 1.." + std::to_string(nt));
    if (std::min(p2, p4) / p1 > nt + slack)
        return fail(why, "the time points end before the first region does");
    if (p4 > p2) {
        if (!(p3 > 0)) return fail(why, "the time step of the second region (real 3) is not positive");
        if ((p4 - p2) / p3 > nt - i5 + 1 + slack)
            return fail(why, "the time points end at " + num(p2 + (nt - i5) * p3) +
                                 ", before the table's end " + num(p4));
    }
    if (!(p5 > 0)) return fail(why, "the log hop-rate step (real 5) is not positive");
    if (!(p8 > 0)) return fail(why, "the hop rate of hop point 2 (real 8) is not positive");
    if (!(p9 > 0)) return fail(why, "the fast-hopping limit (real 9) is not positive");
    if (std::fabs(std::log(p8) - p6) > 1e-3 * std::max(1.0, std::fabs(p6)))
        return fail(why, "hop point 2 is given as " + num(p8) + " but its logarithm as " + num(p6));
    if ((std::log(p9) - p6) / p5 > nh - 1 + slack)
        return fail(why, "the hop points end at " + num(std::exp(p6 + (nh - 2) * p5)) +
                             ", below the fast-hopping limit " + num(p9));
    if (tblpai(1) == 3 && !(tblpar(10) > 0))
        return fail(why, "the slab step (real 10) is not positive");
    return true;
}

}  // namespace

// ---- relaxation-function table ----

bool read_rlx_tbl(std::string_view name, std::string* why)
{
    RecFile r;
    if (!rec_open(r, name)) return finish(r, why);   // a missing file leaves the records
    tblttl = "";
    tblpai.fill(0);
    tblpar.fill(0);
    tbldat.fill(0.0f);
    tbl_loaded.rlx = false;
    tbl_loaded.rlx_name = "";
    if (!rec_read(r, tblttl.c.data(), 80) || !rec_ints(r, tblpai.data(), 16))
        return finish(r, why);
    const int nt = tblpai(2), nh = tblpai(3);
    const bool slabs = tblpai(1) == 3;
    if (nt < 2 || nh < 2)
        return fail(why, "the table needs at least 2 time and 2 hop points, not " +
                             std::to_string(nt) + " and " + std::to_string(nh));
    if (slabs && tblpai(6) < 1) return fail(why, "the table has no slab (integer 6)");
    const long long count = 1LL * nt * nh * (slabs ? tblpai(6) : 1);
    if (count > rlx_tbl_cap)
        return fail(why, std::to_string(count) + " values, more than the " +
                             std::to_string(rlx_tbl_cap) + " the table holds");
    if (!rec_reals(r, tblpar.data(), 16)) return finish(r, why);
    if (!rlx_params_ok(why)) return false;
    if (!rec_reals(r, tbldat.data(), std::size_t(count))) return finish(r, why);
    tbl_loaded.rlx = true;
    tbl_loaded.rlx_name = name;
    return true;
}

std::vector<std::string> rlx_tbl_fail_lines(std::string_view name)
{
    return fio_format("(/,/,10X,'*** GETRLXTBL failed',' to find your file:',/,A,/,/,5X,"
                      "'For a sample Relaxation Function Table',5X,"
                      "'(ZF Gaussian Kubo-Toyabe with Hopping)',/,5X,"
                      "'try USR1:[VUL.TBL]GAUSS.TBL,',/,/)",
                      {name});
}

void get_rlx_tbl(std::string_view name)
{
    std::string why;
    if (read_rlx_tbl(name, &why)) return;
    say_lines(rlx_msg_unit(), rlx_tbl_fail_lines(name));
    tbl_stop(name, why);
}

// ---- longitudinal-field table ----

bool read_lf_tbl(std::string_view name, std::string* why)
{
    RecFile r;
    if (!rec_open(r, name)) return finish(r, why);   // a missing file leaves the records
    lftbl_ttl = "";
    lftbl_pai.fill(0);
    lftbl_par.fill(0);
    lftbl_ctl.fill(0);
    lftbl_dat.fill(0.0f);
    tbl_loaded.lf = false;
    tbl_loaded.lf_name = "";
    if (!rec_read(r, lftbl_ttl.c.data(), 80) ||
        !rec_ints(r, lftbl_pai.data(), 16) || !rec_reals(r, lftbl_par.data(), 16))
        return finish(r, why);
    if (lftbl_pai(1) != 2 && lftbl_pai(1) != -2)
        return fail(why, "the table's dimension is " + std::to_string(lftbl_pai(1)) + ", not 2");
    const int nt = lftbl_pai(2), nrow = lftbl_pai(3);
    if (nt < 2 || nrow < 2)
        return fail(why, "the table needs at least 2 time points and 2 field rows, not " +
                             std::to_string(nt) + " and " + std::to_string(nrow));
    const long long count = 1LL * nt * nrow;
    if (count > lf_tbl_cap)
        return fail(why, std::to_string(count) + " values, more than the " +
                             std::to_string(lf_tbl_cap) + " the table holds");
    if (!(lftbl_par(1) > 0)) return fail(why, "the time step (real 1) is not positive");
    if (!(lftbl_par(3) > 0)) return fail(why, "the field step (real 3) is not positive");
    if (!(lftbl_par(4) > 0)) return fail(why, "the high-field limit (real 4) is not positive");
    {
        // Below the high-field limit a lookup reads the row above its field.
        const double k = double(lftbl_par(4)) / lftbl_par(3);
        const double need = std::ceil(k * (1 - 1e-7)) + 1;
        if (nrow < need)
            return fail(why, std::to_string(nrow) + " field rows, but the high-field limit " +
                                 num(lftbl_par(4)) + " needs " + num(need));
    }
    if (!rec_reals(r, lftbl_dat.data(), std::size_t(count))) return finish(r, why);
    lftbl_ctl(2) = lftbl_pai(1) < 0 ? 1 : 0;
    lftbl_pai(1) = 2;
    lftbl_ctl(1) = lftbl_ttl.full().substr(4, 4) == "ic G" ? 1 : 0;
    tbl_loaded.lf = true;
    tbl_loaded.lf_name = name;
    return true;
}

// The layout both the LF and the OMNI reader fail with.
std::vector<std::string> cannot_read_lines(std::string_view who, int dim, std::string_view name)
{
    return fio_format("(/,/,5X,'*** ',A,' ***  Cannot read',I6,'-dim Table ',A1,A,A1,/)",
                      {who, dim, '"', name, '"'});
}

std::vector<std::string> lf_tbl_fail_lines(std::string_view name)
{
    return cannot_read_lines("GET_LF_TBL", lftbl_pai(1), name);
}

void get_lf_tbl(std::string_view name)
{
    std::string why;
    if (read_lf_tbl(name, &why)) return;
    say_lines(fio_stdout, lf_tbl_fail_lines(name));
    tbl_stop(name, why);
}

// ---- OMNI table ----

bool read_omni_tbl(std::string_view name, std::string* why)
{
    RecFile r;
    if (!rec_open(r, name)) return finish(r, why);   // a missing file leaves the records
    omni_tbl_size = {};
    omni_tbl_locx = {};
    omni_tbl_text = {};
    omni_tbl_bins.x_tbl.fill(0.0f);
    omni_tbl_data.y_tbl.fill(0.0f);
    tbl_loaded.omni = false;
    tbl_loaded.omni_name = "";
    std::int32_t head[4] = {};
    if (!rec_ints(r, head, 4)) return finish(r, why);
    omni_tbl_size.ndim = head[0];
    std::copy_n(head + 1, 3, omni_tbl_size.code.data());
    const int ndim = head[0];
    if (ndim < 1 || ndim > omni_dim_cap)
        return fail(why, "the table has " + std::to_string(ndim) + " axes, not 1 to 10");
    if (!rec_ints(r, omni_tbl_size.nbins_tbl.data(), std::size_t(ndim))) return finish(r, why);
    long long sum = 0, prod = 1;
    for (int ix = 1; ix <= ndim; ++ix) {
        const int n = omni_tbl_size.nbins_tbl(ix);
        if (n < 1) return fail(why, "axis " + std::to_string(ix) + " has " + std::to_string(n) + " values");
        omni_tbl_locx.loc_x0_tbl(ix) = int(sum);
        sum += n;
        prod = std::min(prod * n, 1LL << 40);
    }
    if (sum > omni_bins_cap)
        return fail(why, std::to_string(sum) + " axis values, more than the " +
                             std::to_string(omni_bins_cap) + " the table holds");
    if (prod > omni_data_cap)
        return fail(why, std::to_string(prod) + " values, more than the " +
                             std::to_string(omni_data_cap) + " the table holds");
    omni_tbl_locx.ntot = int(prod);
    char text[160];
    if (!rec_read(r, text, 160)) return finish(r, why);
    put_text(omni_tbl_text.ttl_tbl.span(), {text, 80});
    put_text(omni_tbl_text.y_lbl_tbl.span(), {text + 80, 80});
    std::vector<char> labels(80 * std::size_t(ndim));
    if (!rec_read(r, labels.data(), labels.size())) return finish(r, why);
    for (int ix = 1; ix <= ndim; ++ix)
        put_text(omni_tbl_text.x_lbl_tbl(ix).span(), {labels.data() + 80 * (ix - 1), 80});
    if (!rec_reals(r, omni_tbl_bins.x_tbl.data(), std::size_t(sum))) return finish(r, why);
    for (int ix = 1; ix <= ndim; ++ix) {
        const int i0 = omni_tbl_locx.loc_x0_tbl(ix);
        for (int k = 2; k <= omni_tbl_size.nbins_tbl(ix); ++k)
            if (!(omni_tbl_bins.x_tbl(i0 + k) > omni_tbl_bins.x_tbl(i0 + k - 1)))
                return fail(why, "the values of axis " + std::to_string(ix) + " do not increase");
    }
    if (!rec_reals(r, omni_tbl_data.y_tbl.data(), std::size_t(prod))) return finish(r, why);
    tbl_loaded.omni = true;
    tbl_loaded.omni_name = name;
    return true;
}

std::vector<std::string> omni_tbl_fail_lines(std::string_view name)
{
    return cannot_read_lines("GET_OMNI_TBL", omni_tbl_size.ndim, name);
}

void get_omni_tbl(std::string_view name)
{
    std::string why;
    if (read_omni_tbl(name, &why)) return;
    say_lines(fio_stdout, omni_tbl_fail_lines(name));
    tbl_stop(name, why);
}

// ---- complex table ----

bool read_g_cmplx(std::string_view name, std::string* why, bool* too_big)
{
    if (too_big != nullptr) *too_big = false;
    RecFile r;
    if (!rec_open(r, name)) return finish(r, why);   // a missing file leaves the records
    g_cmplx_tbl = {};
    tbl_loaded.cmplx = false;
    tbl_loaded.cmplx_name = "";
    unsigned char head[8];
    if (!rec_read(r, head, 8)) return finish(r, why);
    std::int32_t n = 0;
    float dx = 0;
    std::memcpy(&n, head, 4);
    std::memcpy(&dx, head + 4, 4);
    from_le32(&n, 1);
    from_le32(&dx, 1);
    g_cmplx_tbl.n = n;
    g_cmplx_tbl.dx = dx;
    if (n > cmplx_tbl_cap) {
        if (too_big != nullptr) *too_big = true;
        return fail(why, std::to_string(n) + " points, more than the 2048 the table holds");
    }
    if (n < 2) return fail(why, "the table needs at least 2 points, not " + std::to_string(n));
    if (!(dx > 0) || !std::isfinite(dx)) return fail(why, "the step is not a positive number");
    if (!rec_reals(r, g_cmplx_tbl.pol_r.data(), std::size_t(n)) ||
        !rec_reals(r, g_cmplx_tbl.pol_i.data(), std::size_t(n)))
        return finish(r, why);
    g_cmplx_tbl.xmax = float(n - 1) * dx;
    tbl_loaded.cmplx = true;
    tbl_loaded.cmplx_name = name;
    return true;
}

std::vector<std::string> g_cmplx_fail_lines(std::string_view name, bool too_big)
{
    std::vector<std::string> lines;
    if (too_big) lines = fio_list_format({" Complex Table > internal array size = ", cmplx_tbl_cap});
    const auto msg = fio_format("(/,/,5X,'*** GET_G_CMPLX ***  Cannot read Table ',A1,A,A1,/)",
                                {'"', name.substr(0, std::size_t(chtrim(name))), '"'});
    lines.insert(lines.end(), msg.begin(), msg.end());
    return lines;
}

void get_g_cmplx(std::string_view name)
{
    std::string why;
    bool too_big = false;
    if (read_g_cmplx(name, &why, &too_big)) return;
    say_lines(fio_stdout, g_cmplx_fail_lines(name, too_big));
    tbl_stop(name, why);
}
