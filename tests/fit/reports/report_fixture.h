// report_fixture.h -- one finished fit in the records (two spectra, one complex; two signals,
// expressions, independent variables) and helpers to run the writers in a folder of their own.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "fio.h"
#include "fit_fixture.h"
#include "fit_spectra.h"
#include "fit_theory.h"
#include "vul_ini.h"

inline timespec report_clock() { return {1796897472, 345678901}; }  // 2026-12-10 10:11:12.34 UTC

// A fitted parameter line p with value, parabolic and MINOS errors, limits and remark.
inline void report_par(Pars& x, int p, std::string_view name, double v, double err, double ep,
                       double em, double lo = 0, double hi = 0, std::string_view remark = "")
{
    add_par(x, p, v, name);
    bestfit.xerr(p) = err;
    bestfit.xerrp(p) = ep;
    bestfit.xerrm(p) = em;
    bestfit.xllim(p) = lo;
    bestfit.xulim(p) = hi;
    bestfit.xcmnt(p) = remark;
}

inline void report_expr(int number, std::string_view text)
{
    const int e = ++expressions.nexpr;
    expressions.jexpr(e) = number;
    expressions.sexpr(e) = text;
    expressions.nchexpr(e) = static_cast<int>(text.size());
}

// The fit every report test starts from; x receives the parameter values.
inline void report_fit(Pars& x)
{
    clear_fit();
    for (int p = 1; p <= max_minuit_par; ++p) {
        bestfit.xname(p) = "";
        bestfit.xcmnt(p) = "";
        bestfit.xerr(p) = bestfit.xerrp(p) = bestfit.xerrm(p) = 0;
        bestfit.xllim(p) = bestfit.xulim(p) = 0;
    }
    expressions.nexpr = 0;
    indvar.nindvar = 0;
    tbl_loaded = {};  // no table read: the table lines take the recorded names
    fileio.lun(2) = 2;
    fileio.lun(3) = 6;
    fileio.lun(5) = 7;
    set_characters(0);
    cdate_clock = report_clock;

    mntitle.minuit_title = "Ag 10K TF 100G";
    filenames.nameout = "fit.dat";
    report_par(x, 1, "ALPHA", 1.0213, 0.0101, 0, 0);
    report_par(x, 2, "ASY", 0.2487, 0.0031, 0.0035, 0.0029, 0, 0.3, "initial asymmetry");
    report_par(x, 3, "FREQ", 1.35541, 0.0021, 0.0021, 0.0021, 0, 10, "it's free");
    report_par(x, 4, "PHASE", 370.5, 2.5, 0, 0);
    report_par(x, 5, "RELAXATION", -0.1234567, 0.012, 0.011, 0.013);
    report_par(x, 6, "DELTA", 0.35, 0, 0, 0);  // fixed
    bestfit.npari = 5;
    bestfit.fmin = 312.4567;

    // Signal 1 with a frequency expression, signal 2 a tabulated relaxation.
    add_signal({4, 2, 201, 5, 0, 0, 0, 0, 0, 0});
    add_signal({0, 2, 0, -6, 6, 0, 0, 0, 0, 0});
    filenames.nametbl(1) = "tables/kt_dyn.tbl";

    // Spectrum 1: asymmetry of histograms 1 and 2 with markers and backgrounds.
    const int j1 = add_spectrum(2, 100, 0.05f, 0.02f, {1, 0, 0, 0, 0, 0, 0, 0, 0, 0});
    Arr2<int, n_ifit, max_spectra_arrays>& f = i_fit_ctl.i_fit;
    Arr2<float, n_rfit, max_spectra_arrays>& r = r_fit_ctl.r_fit;
    f(3, j1) = 1, f(4, j1) = 2;
    f(7, j1) = 10, f(11, j1) = 50, f(8, j1) = 12, f(12, j1) = 52;
    f(15, j1) = 60, f(19, j1) = 65, f(23, j1) = 2000;
    f(16, j1) = 61, f(20, j1) = 66, f(24, j1) = 2001;
    r(9, j1) = muon_lifetime;
    r(10, j1) = 0.05f, r(11, j1) = 2.03f, r(12, j1) = 0.02f;
    filenames.namedf(j1) = "data/run_1234.zog";

    // Spectrum 2 and 3: one complex spectrum with an expression in its Alpha slot.
    const int j2 = add_spectrum(4, 50, 0.1f, 0.01f, {202, 0, 0, 0, 0, 0, 0, 0, 0, 0});
    const int j3 = add_spectrum(-4, 50, 0.1f, 0.01f, {202, 0, 0, 0, 0, 0, 0, 0, 0, 0});
    f(3, j2) = 1, f(4, j2) = 2, f(5, j2) = 3, f(6, j2) = 4;
    f(2, j2) = 1;
    r(1, j2) = 0.000625f, r(5, j2) = 0.1f;
    r(9, j2) = 2.2f;
    r(10, j2) = 0.1f, r(11, j2) = 0.59f, r(12, j2) = 0.01f;
    r(13, j2) = 13.5f, r(14, j2) = 0.01f;
    for (int i = 1; i <= 26; ++i) f(i, j3) = f(i, j2);
    f(1, j3) = -4;
    filenames.namedf(j2) = "data/run_1235.zog";

    // The set-up met the spectrum's expression first.
    report_expr(202, "2*ASY");
    report_expr(201, "FREQ/2");

    indvar.nindvar = 2;
    indvar.viname(1) = "TEMP";
    indvar.vival(1) = 10.25, indvar.viep(1) = 0.1, indvar.viem(1) = 0.1;
    indvar.viname(2) = "FIELD";
    indvar.vival(2) = 100, indvar.viep(2) = 1, indvar.viem(2) = 2;
    for (int j = 1; j <= 3; ++j) bestfit.fbest_sp(j) = 100 + j;
}

// The whole text of a file ("" when missing).
inline std::string slurp(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

inline std::string fixture(const std::string& name)
{
    return slurp(std::string(KAVRIN_TEST_DATA) + "/" + name);
}

// Runs the test body in an empty folder of its own and goes back afterwards.
class InFolder : public testing::Test {
protected:
    void SetUp() override
    {
        old_ = std::filesystem::current_path();
        const auto* info = testing::UnitTest::GetInstance()->current_test_info();
        dir_ = std::filesystem::path(testing::TempDir()) /
               (std::string("report_") + info->test_suite_name() + "_" + info->name());
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
        std::filesystem::current_path(dir_);
    }
    void TearDown() override
    {
        fio_close(7);
        std::filesystem::current_path(old_);
        std::filesystem::remove_all(dir_);
    }
    // Files of the folder, sorted, for checking that no temporary is left behind.
    std::string listing() const
    {
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::recursive_directory_iterator(dir_))
            if (e.is_regular_file()) names.push_back(std::filesystem::relative(e.path(), dir_));
        std::sort(names.begin(), names.end());
        std::string s;
        for (const auto& n : names) s += n + "\n";
        return s;
    }
    std::filesystem::path old_, dir_;
};
