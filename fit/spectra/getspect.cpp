// getspect.cpp -- the spectrum selection dialog: loads the run, edits the settings of
// column 1 at "SPECT: ", and at the blank line builds the title and the spectrum.
#include "getspect.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "ask.h"
#include "getrun.h"
#include "int_round.h"
#include "makespect.h"
#include "run_records.h"
#include "spect_local.h"
#include "titles.h"

namespace {

// The command table, eight characters an entry, in the order that abbreviations try
// them (T is TIMES before TITLE, R is RAW_BINS before RUNPAR); the last is the blank line.
constexpr int n_commands = 15;
constexpr std::string_view command_table =
    "BACKGRNDDISPLAY FILENAMEHIST_#  INVERT  LIFETIMEMARKERS PREVIOUSRAW_BINSSPEC_TYP"
    "TIMES   TITLE   RUNPAR  QUIT            ";
enum Command : int {
    c_backgrnd = 1, c_display, c_filename, c_hist, c_invert, c_lifetime, c_markers,
    c_previous, c_raw_bins, c_spec_typ, c_times, c_title, c_runpar, c_quit, c_blank,
};
static_assert(command_table.size() == n_commands * 8);

constexpr int max_problems = 5;  // failed constructions in one call before the stop

FText<80> fname;           // the file being loaded
float args[16];            // the numbers of the last "SPECT: " line
int problems = 0;          // failed constructions in this call
int nh = 1;                // histogram slots of the current type

[[noreturn]] void stop_no_file()
{
    constexpr std::string_view stopped = "(/,' *** stopped -- No ZOG Filename ***',/)";
    fio_write(fio_stdout, stopped);
    ask_fail(fio_text(stopped));
}

// Raw bin width in ns of bin-width code c, as the RAW_BINS question shows it.
float code_width_ns(int c)
{
    if (c < 0) return 0.0f;
    if (c <= 15) return std::ldexp(0.078125f, c);
    if (c <= 27) return std::ldexp(0.048828125f, c - 16);
    return static_cast<float>(c) * 0.000001f;
}

// Asks "Enter ZOG Filename: " until a name is given; stops when nobody can answer.
void ask_file_name()
{
    if (!interact()) stop_no_file();
    for (;;) {
        int nch = 0;
        ask1s("Enter ZOG Filename: ", Val{"80A", fname}, nch);
        if (nch > 0) return;
        if (ask_eof()) stop_no_file();
    }
}

// Loads fname (asking for others until one loads), hands its name back to the caller's
// field and names the run that is now loaded.
void load_run(std::span<char> filename)
{
    while (getrun(fname.span()) != 0) ask_file_name();
    put_text(filename, fname.full());
    fio_write(fio_stdout, "(/,' Run #',I6,': ',A)",
              {runheader.runNumber, runheader.title.trimmed()});
}

void replace_int(std::string_view prompt, int old, int& now) { replace(prompt, old, now, "I"); }

void show_title() { fio_write(fio_stdout, "(/,A)", {cspectctrl.title}); }

// ---- the commands ------------------------------------------------------------------

void cmd_backgrnd()
{
    for (int s = 1; s <= nh; ++s) {
        ispectctrl.ibg(s, 1) = ispectctrl.ibg(s, 2) = 0;
        int first = trunc_int(args[2 * s - 2]);
        int last = trunc_int(args[2 * s - 1]);
        const int h = ispectctrl.jhist(s);
        if (last <= 0 && h > 0 && interact()) {
            fio_write(fio_stdout, "(' File says t<0 Background is in bin range',I6,',',I6,$)",
                      {iph(histhdrs.bkgd1, h), iph(histhdrs.bkgd2, h)});
            ask2(" -- New range: ", Val{"I", first}, Val{"I", last});
        }
        if (first > 0) ispectctrl.ibg(s, 1) = first;
        if (last > 0) ispectctrl.ibg(s, 2) = last;
    }
}

void cmd_display()
{
    if (interact()) show_title();
    const FMadeIn latin1(FCharset::latin1);  // its micro signs, whatever CHARSET chose
    std::vector<FVal> v;
    for (int r = 1; r <= n_ictl; ++r) v.emplace_back(ispectctrl.i_ctl(r, 1));
    for (int r = 1; r <= 14; ++r) v.emplace_back(rspectctrl.r_ctl(r, 1));
    fio_write(fio_stdout,
              "(/,5X,'VUL_SPEC Selectable Parameters DISPLAY:',/,/,5X,'(a zero means to take "
              "the Default, see below)',/,/,I6,' = Spectrum Type:  0: N(t)  1: A(t)  ','2: "
              "(B-F)/(B+F)  3: B/F  4: RRF',/,I6,' = Inversion; 0 normally, 1 to INVERT bin "
              "sequence',/,/,4I6,' = Histogram #(s) for A(t) and B(t)',/,4I6,' = First bin of "
              "t<0 Background data',/,4I6,' = Last  bin of t<0 Background data',/,4I6,' = Bin # "
              "of t=0',/,4I6,' = 1_st bin of raw data to pack in',/,4I6,' = Last bin of raw "
              "data to pack in',/,/,4F9.4,' = (Override) time/raw bin [\xB5s]',/,4F9.4,' = "
              "(Override) time [\xB5s] to true t=0',/,F36.4,' = Muon Lifetime [\xB5s].',/,F36.4,"
              "' = Desired centre of 1_st packed bin [\xB5s]',/,F36.4,' = Desired centre of last "
              "packed bin [\xB5s]',/,F36.4,' = Desired packed bin size [\xB5s]',/,F36.4,' = Freq "
              "(MHz) of Rotating Ref Frame',/,F36.4,' = Desired final RRF bin size [\xB5s]',/)",
              v);
    v.clear();
    const Arr1<int, max_run_hists>* fields[] = {&histhdrs.bkgd1, &histhdrs.bkgd2,
                                                &histhdrs.t0_bin, &histhdrs.goodbin1,
                                                &histhdrs.goodbin2};
    for (const auto* f : fields)
        for (int s = 1; s <= 4; ++s) v.emplace_back(iph(*f, ispectctrl.jhist(s)));
    v.emplace_back(muon_lifetime);
    fio_write(fio_stdout,
              "(/,5X,'DEFAULTS (from data file):',/,/,4I7,' = First bin of t<0 Background "
              "data',/,4I7,' = Last  bin of t<0 Background data',/,4I7,' = Bin # of t=0',/,"
              "4I7,' = First bin of good data',/,4I7,' = Last bin of good data',/,/,F20.6,' = "
              "Muon Lifetime [\xB5s].',/)",
              v);
}

void cmd_hist()
{
    for (int s = 1; s <= nh; ++s) ispectctrl.jhist(s) = trunc_int(args[s - 1]);
    if (!interact()) return;
    for (int s = 1; s <= nh; ++s) {
        const int h = ispectctrl.jhist(s);
        const bool ok = (h >= 1 && h <= runheader.nHists) ||
                        (h <= 0 && s > 1 && ispectctrl.type() == 4);
        if (ok) continue;
        fio_write(fio_stdout, "(' Of',I3,',  Which',I3,$)", {runheader.nHists, nh});
        const std::string type = fio_format1("(I3,'I')", {nh});  // "  2I" for two slots
        ask1(" Histogram(s)? ",
             Val{type, std::span<int>(&ispectctrl.jhist(1), static_cast<std::size_t>(nh))});
        return;
    }
}

void cmd_markers()
{
    for (int s = 1; s <= nh; ++s) {
        const float* a = args + 3 * (s - 1);
        ispectctrl.it0(s) = trunc_int(a[0]);
        ispectctrl.igood(s, 1) = trunc_int(a[1]);
        ispectctrl.igood(s, 2) = trunc_int(a[2]);
        const int h = ispectctrl.jhist(s);
        if (a[0] != 0 || a[1] != 0 || a[2] != 0 || h <= 0 || !interact()) continue;
        replace_int("File says  t=0 at bin", iph(histhdrs.t0_bin, h), ispectctrl.it0(s));
        replace_int(" 1st good data in bin", iph(histhdrs.goodbin1, h), ispectctrl.igood(s, 1));
        replace_int("Last good data in bin", iph(histhdrs.goodbin2, h), ispectctrl.igood(s, 2));
    }
}

void cmd_raw_bins()
{
    for (int s = 1; s <= nh; ++s) {
        float width = args[2 * s - 2], t0 = args[2 * s - 1];
        const int h = ispectctrl.jhist(s);
        if (width == 0 && t0 == 0 && h > 0 && interact()) {
            const int c = iph(histhdrs.fsperbin, h);
            width = code_width_ns(c);
            t0 = static_cast<float>(iph(histhdrs.t0_ps, h)) * 0.001f;
            const int kt0 = iph(histhdrs.t0_bin, h);
            if (c <= 31 && t0 < 0.01f * width * static_cast<float>(kt0 - 1))
                t0 = width * (static_cast<float>(kt0) + 0.5f);
            const float w_old = width, t_old = t0;
            replace("Raw Bin Size [ns] =", w_old, width, "R");
            replace("Time [ns] from L edge of bin 1 to t=0 is", t_old, t0, "R");
        }
        rspectctrl.raw_bin(s) = width / 1000.0f;
        rspectctrl.raw_t0(s) = t0 / 1000.0f;
    }
}

void cmd_spec_typ()
{
    int type = nint(args[0]);
    rspectctrl.r_ctl(rctl_rrf, 1) = args[1];
    rspectctrl.r_ctl(rctl_final, 1) = args[2];
    if ((type < 0 || type > 4) && interact()) {
        ask0("Spectrum Type?  0: raw N(t)");
        ask0("                1: [N(t)-B]/N0expt - 1");
        ask0("                2: (A-B)/(A+B)");
        ask0("                3: A/B");
        ask1("                4: Complex [RRF]: ", Val{"I", type});
    }
    ispectctrl.type() = std::clamp(type, 0, 4);
    if (ispectctrl.type() != 4) return;
    if (rspectctrl.r_ctl(rctl_rrf, 1) == 0)
        ask1("Rotating Reference Frame frequency (MHz): ", Val{"R", rspectctrl.r_ctl(rctl_rrf, 1)});
    if (rspectctrl.r_ctl(rctl_final, 1) == 0)
        ask1("Final (RRF) Packed Bin Size (microsec)  : ",
             Val{"R", rspectctrl.r_ctl(rctl_final, 1)});
}

void cmd_times()
{
    float& first = rspectctrl.r_ctl(rctl_first, 1);
    float& last = rspectctrl.r_ctl(rctl_last, 1);
    first = args[0];
    last = args[1];
    float ns = args[2];
    if (args[0] == 0 && args[1] == 0 && args[2] == 0 && interact()) {
        ask2("Centres of (1st,last) Packed Bins (us): ", Val{"R", first}, Val{"R", last});
        ask1("Time per Bin (ns): ", Val{"R", ns});
    }
    rspectctrl.r_ctl(rctl_width, 1) = ns / 1000.0f;
}

void cmd_title()
{
    if (interact())
        fio_write(fio_stdout,
                  "(5X,'Current TITLE:  ',A,/,5X,'Enter Replacement Title ( < 80 char)')",
                  {cspectctrl.title});
    FText<80> answer;
    int nch = 0;
    ask1s(": ", Val{"80A", answer}, nch);
    if (nch == 0) return;
    cspectctrl.title = answer.trimmed() == "." ? std::string_view(" ") : answer.trimmed();
}

void cmd_runpar()
{
    const Runheader& r = runheader;
    fio_write(fio_stdout,
              "(/,10X,'RunHeader information:',/,10X,'=====================',/,/,' fmtID "
              "(should be 2010000): ',Z8,/,' exptNumber: ',I6,/,' runNumber:  ',I6,/,' "
              "timeBegin:  ',I10,' s [since 00:00:00 GMT, 1 Jan 1970]',/,' timeEnd:    ',I10,"
              "' s [since 00:00:00 GMT, 1 Jan 1970]',/,' elapsedSec: ',I10,' s [= timeEnd - "
              "timeBegin]',/,' nSclrs: ',I6,/,' nHists: ',I6,/,/,' title: ',A,/,' lab:          "
              "',A,/,' area:         ',A,/,' method:       ',A,/,' apparatus:    ',A,/,' "
              "insert:       ',A,/,' sample:       ',A,/,' orient:       ',A,/,' das:          "
              "',A,/,' experimenter: ',A,/,' temperature:  ',A,' [K]',/,' field:        ',A,' "
              "[G]',/)",
              {r.fmtID, r.exptNumber, r.runNumber, r.timeBegin, r.timeEnd, r.elapsedSec, r.nSclrs,
               r.nHists, r.title, r.lab, r.area, r.method, r.apparatus, r.insert, r.sample,
               r.orient, r.das, r.experimenter, r.temperature, r.field});
}

// ---- the end of the dialog -----------------------------------------------------------

void build_title()
{
    const int t = ispectctrl.type();
    if (t < 0 || t > 4) vul_title();
    else if (t <= 1) vul_title1(ispectctrl.jhist(1));
    else if (t <= 3) vul_title2(ispectctrl.jhist(1), ispectctrl.jhist(2));
    else vul_title4(ispectctrl.jhist(1), ispectctrl.jhist(2), ispectctrl.jhist(3),
                    ispectctrl.jhist(4));
}

// True when the spectrum was made; otherwise the failure has been reported and the
// dialog goes on (or the program has stopped).
bool finish_spectrum()
{
    build_title();
    int ierr = 0;
    makespect(ierr);
    if (ierr == 0) {
        copy_spect_column(1, 2);
        return true;
    }
    fio_write(fio_stdout, "(/,/,1X,'*** makeSpect: Problems Making Spectrum ***',/,1X,A,/,/)",
              {spect_errmess(ierr)});
    if (ask_unattended()) ask_fail(makespect_reason(ierr));
    if (!interact()) set_ask_indir(0, 0);  // an answer file at the terminal: go on by hand
    if (++problems >= max_problems) ask_fail(makespect_reason(ierr));
    return false;
}

}  // namespace

int iph(const Arr1<int, max_run_hists>& values, int k)
{
    return k >= 1 && k <= runheader.nHists ? values(k) : 0;
}

int getspect(std::span<char> filename)
{
    fname = std::string_view(filename.data(), filename.size());
    problems = 0;
    load_run(filename);

    for (;;) {
        nh = slots_of_type(ispectctrl.type());
        int icmd = 0;
        for (float& a : args) a = 0;
        cmli1("SPECT: ", n_commands, -8, command_table, icmd, Val{"16R", args});
        switch (icmd) {
        case c_backgrnd: cmd_backgrnd(); break;
        case c_display: cmd_display(); break;
        case c_filename:
            if (interact()) show_title();
            ask_file_name();
            load_run(filename);
            break;
        case c_hist: cmd_hist(); break;
        case c_invert: ispectctrl.invert() = trunc_int(args[0]); break;
        case c_lifetime: rspectctrl.r_ctl(rctl_tau, 1) = args[0]; break;
        case c_markers: cmd_markers(); break;
        case c_previous: copy_spect_column(2, 1); break;
        case c_raw_bins: cmd_raw_bins(); break;
        case c_spec_typ: cmd_spec_typ(); break;
        case c_times: cmd_times(); break;
        case c_title: cmd_title(); break;
        case c_runpar: cmd_runpar(); break;
        case c_quit: ask_stop(0);
        default:
            if (finish_spectrum()) return 0;
            break;
        }
    }
}
