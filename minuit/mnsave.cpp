// mnsave.cpp -- SAVE: the parameter definitions (and error definition and matrix) as lines
// MINUIT's own input syntax reads back, written on the save unit ISYSSA.

#include <cctype>
#include <string>
#include <vector>

#include "fio.h"
#include "minuit_local.h"

namespace {

// One line straight from standard input, nothing beyond it consumed. False at end of input.
bool read_stdin_line(std::string& line) { return fio_read_line(fio_stdin, line) == 0; }

// Connect the save unit on a file the user names; false when nothing can be written.
bool open_save_unit(int lun)
{
    if (fio_is_open(lun)) return true;
    if (mn7flg.isw[6] != 1) {
        mnwarn("W", "SAVE", MnLine().a("UNIT").i(lun, 3).a(" NOT OPEN.  NOTHING SAVED.").s);
        return false;
    }
    mnput(" PLEASE GIVE FILE NAME:");
    std::string name;
    if (!read_stdin_line(name) || name.find_first_not_of(' ') == std::string::npos) {
        mnput(" NO FILE NAME GIVEN.  NOTHING SAVED.");
        return false;
    }
    if (fio_open(lun, name, FStatus::unknown) != 0) {
        mnput(MnLine().a(" CANNOT OPEN FILE ").a(name).a(".  NOTHING SAVED."));
        return false;
    }
    mnput(MnLine().a(" SHOULD UNIT").i(lun, 3).a(" BE REWOUND BEFORE WRITING TO IT?"));
    std::string yes;
    read_stdin_line(yes);
    const auto b = yes.find_first_not_of(' ');
    if (b == std::string::npos || std::toupper(static_cast<unsigned char>(yes[b])) != 'Y') {
        std::string rec;                  // write after what the file holds
        while (fio_read_line(lun, rec) == 0) {}
    }
    return true;
}

void save_line(int lun, const MnLine& ln) { fio_write(lun, "(A)", {ln.s}); }

}  // namespace

void mnsave()
{
    const int lun = mn7iou.isyssa;
    if (!open_save_unit(lun)) return;
    for (int k = 1; k <= mn7npr.nu; ++k) {
        if (mn7inx.nvarl[k] < 0) continue;
        const int i = mn7inx.niofex[k];
        MnLine ln;
        ln.i(k, 5).a(" '").a(mn7nam.cpnam[k].full()).a("'");
        ln.a(fio_format1("(1X,1PE17.9)", {mn7ext.u[k]}));
        const double err = i > 0 ? mn7err.werr[i] : 0.0;
        if (mn7inx.nvarl[k] > 0) ln.a(fio_format1("(1X,1PE17.9)", {err}));
        else ln.a(fio_format1("(1X,1PE17.9)", {0.0}));
        if (mn7inx.nvarl[k] == 4)
            ln.a(fio_format1("(2(1X,1PE17.9))", {mn7ext.alim[k], mn7ext.blim[k]}));
        save_line(lun, ln);
    }
    save_line(lun, MnLine());
    save_line(lun, MnLine().a("SET ERRDEF").a(fio_format1("(1X,1PE17.9)", {mn7min.up})));
    const int n = mn7npr.npar;
    if (mn7flg.isw[2] >= 1 && n > 0) {
        save_line(lun, MnLine().a("SET COVARIANCE").i(n, 6));
        std::vector<double> e(static_cast<std::size_t>(n * n));
        mnemat(e.data(), n);
        for (int r = 0; r < n; ++r) {
            MnLine ln;
            for (int c = 0; c < n; ++c) {
                ln.a(fio_format1("(1PE14.6)", {e[static_cast<std::size_t>(r * n + c)]}));
                if ((c + 1) % 5 == 0 && c + 1 < n) { save_line(lun, ln); ln = MnLine(); }
            }
            save_line(lun, ln);
        }
    }
    save_line(lun, MnLine().a("RETURN"));
    fio_flush_all();
    if (mn7flg.isw[5] >= 1)
        mnput(MnLine().a(" CURRENT VALUES WILL BE SAVED ON UNIT").i(lun, 3).a(": ").a(fio_name(lun)));
}
