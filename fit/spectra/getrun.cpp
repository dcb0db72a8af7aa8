// getrun.cpp -- the run reader: one run-data file into the run records, through the
// handle interface; the file is closed again before every return.
#include "getrun.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <string>

#include "ask.h"
#include "fit_records.h"
#include "run_records.h"
#include "zog.h"

namespace {

int fh = -1;           // handle of the file being read, -1 when none is open
FText<255> strbuf;     // work text of the getters whose fields are shorter
std::string why;       // what the library said of the last file: why it failed, or its damage

// Raw bins of one histogram at the file's width, before widening.
std::array<std::uint8_t, 4 * max_hist_bins> rawbuf;

// The file name for messages: up to its last character that is neither blank nor
// NUL, at least one character.
std::string name_of(std::span<const char> name)
{
    const std::string_view v(name.data(), name.size());
    return std::string(v.substr(0, v.empty() ? 0 : static_cast<std::size_t>(chtrim(v))));
}

// The format line, for what ("Run" or "Hist") and its words.
void say_format_id(const char* what, const char* words, int got, int want)
{
    fio_write(fio_stdout, "(' ',A,' format ID is ',Z8.8,' vs ',Z8.8)", {what, got, want});
    why = fio_format1("(A,' is ',Z8.8,', not ',Z8.8)", {words, got, want});
}

// The damage the library found in the open file, in its words; empty for none.
std::string damage()
{
    int damaged = 0;
    char t[2048];  // sixteen parts named, the rest counted
    if (ZOG_getDamaged(fh, &damaged) != 1 || damaged != 1 || ZOG_getDamage(fh, t, sizeof t) != 1) return {};
    return t;
}

// What went wrong, and the damage of the file, if any.
void fail_because(const std::string& what)
{
    const std::string d = damage();
    why = d.empty() ? what : what + "; damaged: " + d;
}

// The reason beside the reader's own line: in the log, and where a person sees
// it (the screen at the keyboard, else standard error).
void say_why(const std::string& name)
{
    constexpr std::string_view layout = "(' getRun: file ',A,': ',A)";
    const int log = fileio.lunprt();
    if (log != fio_stderr && log != fio_stdout && fio_is_open(log)) fio_write(log, layout, {name, why});
    fio_write(online != 0 ? fio_stdout : fio_stderr, layout, {name, why});
}

// A getter through strbuf; the field receives strbuf's first characters.
template <std::size_t N>
int get_via_strbuf(int (*get)(int, char*, int) noexcept, FText<N>& field)
{
    const int ok = zog_get_text(get, fh, strbuf.span());
    put_text(field.span(), strbuf.full().substr(0, N));
    return ok;
}

int read_run_description()
{
    Runheader& r = runheader;
    // One statement a getter: the operands of + have no order, and the calls do.
    int ok = ZOG_getExptNumber(fh, &r.exptNumber);
    ok += ZOG_getRunNumber(fh, &r.runNumber);
    ok += ZOG_getElapsedSec(fh, &r.elapsedSec);
    ok += ZOG_getTimeBegin(fh, &r.timeBegin);
    ok += ZOG_getTimeEnd(fh, &r.timeEnd);
    ok += zog_get_text(ZOG_getTitle, fh, r.title.span());
    ok += zog_get_text(ZOG_getLab, fh, r.lab.span());
    ok += zog_get_text(ZOG_getArea, fh, r.area.span());
    ok += zog_get_text(ZOG_getMethod, fh, r.method.span());
    ok += zog_get_text(ZOG_getApparatus, fh, r.apparatus.span());
    ok += zog_get_text(ZOG_getInsert, fh, r.insert.span());
    ok += get_via_strbuf(ZOG_getSample, r.sample);
    ok += get_via_strbuf(ZOG_getOrient, r.orient);
    ok += zog_get_text(ZOG_getDas, fh, r.das.span());
    ok += get_via_strbuf(ZOG_getExperimenter, r.experimenter);
    ok += get_via_strbuf(ZOG_getTemperature, r.temperature);
    ok += get_via_strbuf(ZOG_getField, r.field);
    return ok == 17;
}

// A missing scaler group is no error: the run then has no scalers.
void read_scalers()
{
    int kind = -1, num = 0;
    if (ZOG_getScalers(fh, &kind, &num) != 1 || kind != ZOG_SCALER_GRP) {
        runheader.nSclrs = 0;
        return;
    }
    runheader.nSclrs = std::clamp(num, 0, max_run_scalers);
    for (int i = 1; i <= runheader.nSclrs; ++i) {
        zog_get_text(ZOG_getScalerLabel, fh, i, strbuf.span());
        scalers.sclrlabel(i) = strbuf.full().substr(0, 10);
        int counts[2] = {scalers.totalcount(i), scalers.lastcount(i)};
        ZOG_getScalerCounts(fh, i, counts);
        scalers.totalcount(i) = counts[0];
        scalers.lastcount(i) = counts[1];
    }
}

int read_hist_header(int j)
{
    Histhdrs& hh = histhdrs;
    int ok = ZOG_getHistNumBins(fh, j, &hh.nbins(j));
    ok += ZOG_getHistFsPerBin(fh, j, &hh.fsperbin(j));
    ok += ZOG_getHistT0_Ps(fh, j, &hh.t0_ps(j));
    ok += ZOG_getHistT0_Bin(fh, j, &hh.t0_bin(j));
    ok += ZOG_getHistGoodBin1(fh, j, &hh.goodbin1(j));
    ok += ZOG_getHistGoodBin2(fh, j, &hh.goodbin2(j));
    ok += ZOG_getHistBkgd1(fh, j, &hh.bkgd1(j));
    ok += ZOG_getHistBkgd2(fh, j, &hh.bkgd2(j));
    ok += ZOG_getHistNumEvents(fh, j, &hh.nevents(j));
    ok += zog_get_text(ZOG_getHistTitle, fh, j, strbuf.span());
    hh.htitle(j) = strbuf.full().substr(0, 10);
    return ok == 10;
}

// The counts of histogram j as 4-byte counts in column j, 1- and 2-byte bins widened
// without sign. A histogram longer than the column is skipped with its column zeroed.
int read_hist_counts(int j)
{
    int* col = histograms.ih.col(j);
    const int nb = histhdrs.nbins(j);
    if (static_cast<unsigned>(nb) > static_cast<unsigned>(max_hist_bins)) {
        fio_write(fio_stdout,
                  "(' Histogram',I3,' skipped because it has too many bins:',I9,/,"
                  "' Data arrays are only dimensioned for',I8,'.')",
                  {j, nb, max_hist_bins});
        std::fill_n(col, max_hist_bins, 0);
        return 1;
    }
    int width = 0;
    if (ZOG_getHistBytesPerBin(fh, j, &width) != 1) return 0;
    if (width == 0) width = 4;  // packed bins arrive as 4-byte counts
    if (ZOG_getHistData(fh, j, rawbuf.data(), static_cast<int>(rawbuf.size())) != 1) return 0;
    const std::uint8_t* p = rawbuf.data();
    for (int k = 0; k < nb; ++k) {
        switch (width) {
        case 1: col[k] = p[k]; break;
        case 2: {
            std::uint16_t v;
            std::memcpy(&v, p + 2 * k, 2);
            col[k] = v;
            break;
        }
        default: std::memcpy(&col[k], p + 4 * k, 4); break;
        }
    }
    return 1;
}

// 0 when all arrived; -1 without a histogram group of the generic kind, else the
// number of the histogram that did not arrive.
int read_histograms()
{
    int kind = -1, num = 0;
    if (ZOG_getHists(fh, &kind, &num) != 1 || kind != ZOG_HIST_GRP_GENERIC) return -1;
    runheader.nHists = std::clamp(num, 0, max_run_hists);
    for (int j = 1; j <= runheader.nHists; ++j)
        if (!read_hist_header(j) || !read_hist_counts(j)) return j;
    return 0;
}

// Opens and reads the file: 0 loaded, -1 not opened or not of the generic kind,
// -2 opened but a part of it did not arrive.
int load(std::span<const char> filename)
{
    fh = zog_open_read(filename, &runheader.fmtID);
    if (fh < 0) {
        char t[1024];
        why = ZOG_getReadError(t, sizeof t) == 1 && t[0] != '\0' ? t : "no file name";
        return -1;
    }
    if (runheader.fmtID != ZOG_FMT_GENERIC) {
        say_format_id("Run", "its format ID", runheader.fmtID, ZOG_FMT_GENERIC);
        return -1;
    }
    int kind = 0;  // apart from fmtID, which keeps the format identifier
    if (ZOG_getRunDesc(fh, &kind) != 1) {
        fail_because("it has no run description");
        return -2;
    }
    if (kind != ZOG_RUN_DESC_GENERIC) {
        say_format_id("Hist", "the kind of its run description", kind, ZOG_RUN_DESC_GENERIC);
        return -1;
    }
    if (!read_run_description()) {
        fail_because("a field of its run description cannot be read");
        return -2;
    }
    read_scalers();
    if (const int j = read_histograms(); j != 0) {
        fail_because(j < 0 ? fio_format1("('it has no histogram group of kind ',Z8.8)", {ZOG_HIST_GRP_GENERIC})
                           : "histogram " + std::to_string(j) + " cannot be read");
        return -2;
    }
    if (const std::string d = damage(); !d.empty()) why = "loaded, damaged: " + d;
    return 0;
}

}  // namespace

int getrun(std::span<const char> filename)
{
    if (fh >= 0) ZOG_closeRead(fh);
    why.clear();
    const int result = load(filename);
    const std::string name = name_of(filename);
    if (result == -1) fio_write(fio_stdout, "(' getRun: Failure opening file ',A)", {name});
    if (result == -2)
        fio_write(fio_stdout, "(' getRun: file ',A,' could not be read properly.')", {name});
    if (!why.empty()) say_why(name);
    if (fh >= 0) ZOG_closeRead(fh);
    fh = -1;
    return result;
}
