// The command language: return codes, the final call of END/EXIT/STOP/RETURN, CALL,
// SET/SHOW as one word, parameter definitions and their messages.

#include <cmath>
#include <string_view>

#include "mn_test.h"

namespace {

struct FcnLog {
    int calls = 0, last_flag = 0, flag3 = 0;
    bool set_value = true;
};
FcnLog lg;

void quad(int, double[], double& f, double x[], int iflag, void*)
{
    ++lg.calls;
    lg.last_flag = iflag;
    if (iflag == 3) ++lg.flag3;
    if (lg.set_value) f = (x[1] - 1) * (x[1] - 1) + 2 * (x[2] + 1) * (x[2] + 1);
}

// The change dialog's way: a parameter redefined while FCN is running.
void redefine(int, double[], double& f, double x[], int iflag, void*)
{
    if (iflag == 6) {
        int ier;
        mnparm(1, "p1", 5.0, 0.5, 0, 0, ier);
        x[1] = 5.0;
    }
    f = x[1] * x[1];
}

// Its own gradient: exact, or all zero as the fitting program's objective function gives.
bool zero_gradient = false;
void quad_grad(int, double grad[], double& f, double x[], int iflag, void*)
{
    f = (x[1] - 1) * (x[1] - 1) + 2 * (x[2] + 1) * (x[2] + 1);
    if (iflag == 2) {
        grad[1] = zero_gradient ? 0 : 2 * (x[1] - 1);
        grad[2] = zero_gradient ? 0 : 4 * (x[2] + 1);
    }
}

}  // namespace

class Commands : public MnTest {
protected:
    void SetUp() override
    {
        MnTest::SetUp();
        lg = FcnLog();
        define(1, "p1", 0, 0.1);
        define(2, "p2", 0, 0.1);
    }
};

TEST_F(Commands, ReturnCodes)
{
    struct Row { const char* word; std::vector<double> args; int code; };
    const Row rows[] = {
        {"", {}, 1}, {"   ", {}, 1}, {"1MIG", {}, 2}, {"MIGRAD", {5}, 4}, {"MIGRAT", {}, 0},
        {"QUI", {}, 3}, {"FOO", {}, 3}, {"SETFOO", {}, 3}, {"SHOFOO", {}, 3},
        {"SETTIT", {}, 3}, {"SETCOV", {2}, 3}, {"END", {1}, 10}, {"EXIT", {1}, 11}, {"STOP", {1}, 11},
        {"RETURN", {1}, 12}, {"migrad", {}, 0}, {"HESSE", {}, 0}, {"FIX", {7}, 4},
        {"MINO", {}, 0}, {"MIN", {}, 0}, {"MNC", {1, 2, 4}, 0}, {"SHOMIN", {}, 0},
    };
    for (const Row& r : rows) EXPECT_EQ(command(quad, r.word, r.args), r.code) << r.word;
    EXPECT_TRUE(contains(out(), "\n UNKNOWN COMMAND IGNORED:FOO\n"));
    EXPECT_TRUE(contains(out(), " STATUS=SUCCESSFUL")) << out();   // MINO ran MINOS
    EXPECT_TRUE(contains(out(), "FROM MINOS")) << out();
    EXPECT_TRUE(contains(out(), "\n **   13 **MIGRAD\n"));   // echo with the command count
    EXPECT_TRUE(contains(out(), "\n **    1 **MIGRAD   5.000    \n"));
}

TEST_F(Commands, FinalCallOnlyWhenDueAndOnlyOnce)
{
    command(quad, "MIGRAD");
    EXPECT_EQ(command(quad, "END"), 10);
    EXPECT_EQ(lg.flag3, 1);
    EXPECT_EQ(lg.last_flag, 3);
    EXPECT_EQ(command(quad, "RETURN"), 12);    // minimum unchanged since the last final call
    EXPECT_EQ(lg.flag3, 1);
    command(quad, "SETPAR", {1, 3});
    command(quad, "MIGRAD");                    // a new minimum
    EXPECT_EQ(command(quad, "EXIT", {0.9}), 11);  // 0.9 truncates to 0
    EXPECT_EQ(lg.flag3, 2);
    command(quad, "CALL", {7});                 // forgets the minimum
    EXPECT_EQ(command(quad, "STOP", {2}), 11);    // first number 2: never a final call
    EXPECT_EQ(lg.flag3, 2);
    EXPECT_EQ(command(quad, "STOP"), 11);
    EXPECT_EQ(lg.flag3, 3);
}

TEST_F(Commands, CallKeepsValueOnlyWhenSetAndForgetsAboveFive)
{
    command(quad, "MIGRAD");
    double fmin, fedm, up;
    int npari, nparx, istat;
    command(quad, "CALL", {5});
    mnstat(fmin, fedm, up, npari, nparx, istat);
    EXPECT_EQ(lg.last_flag, 5);
    EXPECT_EQ(istat, 3);
    EXPECT_NEAR(fmin, 0, 1e-12);
    lg.set_value = false;
    mn7min.amin = 42;
    command(quad, "CALL", {4});
    EXPECT_EQ(mn7min.amin, 42);               // FCN set no value: AMIN kept
    lg.set_value = true;
    for (double flag : {6.0, 7.0}) {
        command(quad, "MIGRAD");
        EXPECT_EQ(command(quad, "CALL", {flag}), 0);
        mnstat(fmin, fedm, up, npari, nparx, istat);
        EXPECT_EQ(fmin, 0) << flag;
        EXPECT_EQ(istat, 0) << flag;
        EXPECT_EQ(mn7flg.isw[4], 0) << flag;
    }
}

TEST_F(Commands, ParameterRedefinedInsideFcn)
{
    command(redefine, "MIGRAD");
    EXPECT_EQ(command(redefine, "CALL", {6}), 0);
    std::string name;
    double v, e, lo, hi;
    int iint;
    mnpout(1, name, v, e, lo, hi, iint);
    EXPECT_EQ(name, "p1        ");
    EXPECT_EQ(v, 5.0);
    EXPECT_EQ(e, 0.5);
    EXPECT_EQ(iint, 1);
    EXPECT_EQ(command(redefine, "MIGRAD"), 0);
    EXPECT_NEAR(value(1), 0, 1e-4);
}

TEST_F(Commands, SetAndShowAsOneWord)
{
    EXPECT_EQ(command(quad, "SETSTRAT", {2}), 0);
    EXPECT_EQ(mn7cnv.istrat, 2);
    EXPECT_EQ(command(quad, "SET STR", {0}), 0);
    EXPECT_EQ(mn7cnv.istrat, 0);
    EXPECT_EQ(command(quad, "SETEPS", {9e-15}), 0);
    std::size_t m = out().size();
    EXPECT_EQ(command(quad, "SHOEPS"), 0);
    EXPECT_TRUE(contains(out_from(m), "\n FLOATING-POINT NUMBERS ASSUMED ACCURATE TO 0.900E-14\n"));
    m = out().size();
    EXPECT_EQ(command(quad, "SHOWSTR"), 0);
    EXPECT_TRUE(contains(out_from(m),
                         "\n NOW USING STRATEGY 0: MINIMIZE THE NUMBER OF CALLS TO FUNCTION\n"));
    EXPECT_EQ(command(quad, "SETPRI"), 0);    // no number: level 0
    EXPECT_EQ(mn7flg.isw[5], 0);
    EXPECT_EQ(command(quad, "SETERR", {0.5}), 0);
    EXPECT_EQ(mn7min.up, 0.5);
    EXPECT_EQ(command(quad, "SETERR"), 0);    // 0 or none: the default 1
    EXPECT_EQ(mn7min.up, 1.0);
    EXPECT_EQ(command(quad, "SETGRA", {1}), 0);
    EXPECT_EQ(mn7flg.isw[3], 1);
    EXPECT_EQ(command(quad, "SETNOG"), 0);
    EXPECT_EQ(mn7flg.isw[3], 0);
    EXPECT_EQ(command(quad, "SETNOW"), 0);
    EXPECT_FALSE(mn7log.lwarn);
    EXPECT_EQ(command(quad, "SETINT"), 0);
    EXPECT_EQ(mn7flg.isw[6], 1);
    EXPECT_EQ(command(quad, "SETBAT"), 0);
    EXPECT_EQ(mn7flg.isw[6], 0);
    mnseti("my fit");
    m = out().size();
    EXPECT_EQ(command(quad, "SHOTIT"), 0);
    EXPECT_EQ(out_from(m).substr(out_from(m).find(" TITLE")), " TITLE OF CURRENT TASK IS:\n my fit\n");
    EXPECT_EQ(command(quad, "MIGRAD"), 0);
    for (const char* w : {"SHOPAR", "SHOCOV", "SHOCOR", "SHOFCN", "SHOLIM", "SHOERR", "SHOPRI",
                          "SHOGRA", "SHOWAR", "SHOEIG", "SHOVER"})
        EXPECT_EQ(command(quad, w), 0) << w;
}

TEST_F(Commands, FixReleaseRestore)
{
    EXPECT_EQ(command(quad, "FIX", {2}), 0);
    EXPECT_EQ(mn7npr.npar, 1);
    EXPECT_EQ(command(quad, "FIX", {1}), 0);
    EXPECT_EQ(mn7npr.npar, 0);
    EXPECT_EQ(command(quad, "RESTORE", {1}), 0);   // the last fixed only
    EXPECT_EQ(mn7inx.niofex[1], 1);
    EXPECT_EQ(mn7inx.niofex[2], 0);
    EXPECT_EQ(command(quad, "FIX", {1}), 0);
    EXPECT_EQ(command(quad, "RESTORE"), 0);        // all
    EXPECT_EQ(mn7npr.npar, 2);
    EXPECT_EQ(command(quad, "FIX", {2}), 0);
    EXPECT_EQ(command(quad, "RELEASE", {2}), 0);
    EXPECT_EQ(mn7npr.npar, 2);
    EXPECT_EQ(mn7inx.nexofi[2], 2);
    EXPECT_EQ(command(quad, "REST", {3}), 4);
    EXPECT_EQ(command(quad, "MIGRAD"), 0);
    EXPECT_NEAR(value(2), -1, 1e-5);
}

TEST_F(Commands, ParameterDefinitionsAndRefusals)
{
    int ier = 0;
    std::size_t m = out().size();
    mnparm(101, "big", 1, 1, 0, 0, ier);
    EXPECT_EQ(ier, 1);
    EXPECT_EQ(out_from(m),
              " MINUIT USER ERROR.  PARAMETER NUMBER IS        101  ALLOWED RANGE IS ONE TO 100\n");
    mnparm(0, "zero", 1, 1, 0, 0, ier);
    EXPECT_EQ(ier, 1);
    mnparm(3, "same", 1, 1, 2, 2, ier);
    EXPECT_EQ(ier, 1);
    m = out().size();
    mnparm(3, "asy", 0.2, 0.01, 0.3, 0, ier);   // limits in either order, with a warning
    EXPECT_EQ(ier, 0);
    EXPECT_EQ(mn7ext.alim[3], 0);
    EXPECT_EQ(mn7ext.blim[3], 0.3);
    mnparm(4, "phase", 10, 0, 0, 0, ier);
    EXPECT_EQ(out_from(m),
              " MINUIT WARNING IN PARAM DEF\n"
              " ============== PARAMETER LIMITS WERE REVERSED.\n"
              "     3 'asy       '   0.20000      0.10000E-01     0.0000      0.30000    \n"
              "     4 'phase     '    10.000      constant\n");
    // A start value outside its limits is brought inside, with a warning.
    m = out().size();
    mnparm(5, "out", 2, 0.1, 0, 1, ier);
    EXPECT_EQ(ier, 0);
    EXPECT_TRUE(contains(out_from(m), " MINUIT WARNING IN PARAM DEF\n"
                                      " ============== VARIABLE   5 BROUGHT BACK INSIDE LIMITS.\n"))
        << out_from(m);
    EXPECT_LT(value(5), 1);
    EXPECT_GT(value(5), 0.999);
    // More than 50 variable parameters are refused.
    for (int k = 6; k <= 50; ++k) mnparm(k, "v", 0, 1, 0, 0, ier);
    EXPECT_EQ(mn7npr.npar, 49);
    mnparm(51, "v", 0, 1, 0, 0, ier);
    EXPECT_EQ(ier, 0);
    mnparm(52, "v", 0, 1, 0, 0, ier);
    EXPECT_EQ(ier, 1);
    EXPECT_EQ(mn7npr.npar, 50);
    std::string name;
    double v, e, lo, hi;
    int iint;
    mnpout(60, name, v, e, lo, hi, iint);
    EXPECT_EQ(iint, -1);
    EXPECT_EQ(name, "undefined ");
}

TEST_F(Commands, GradientOfFcnCheckedBeforeUse)
{
    zero_gradient = false;
    std::size_t m = out().size();
    EXPECT_EQ(command(quad_grad, "SETGRA"), 0);
    EXPECT_EQ(mn7flg.isw[3], 1);
    std::string o = out_from(m);
    EXPECT_TRUE(contains(o, "\n CHECK OF GRADIENT CALCULATION IN FCN\n")) << o;
    EXPECT_TRUE(contains(o, "    1  p1         -0.2000E+01 -0.2000E+01")) << o;
    EXPECT_FALSE(contains(o, " BAD")) << o;
    EXPECT_EQ(command(quad_grad, "MIGRAD"), 0);
    EXPECT_NEAR(value(1), 1, 1e-6);
    zero_gradient = true;
    command(quad_grad, "SETPAR", {1, 0});
    m = out().size();
    EXPECT_EQ(command(quad_grad, "SETGRA"), 0);
    o = out_from(m);
    EXPECT_EQ(mn7flg.isw[3], 0);
    EXPECT_TRUE(contains(o, " BAD\n")) << o;
    EXPECT_TRUE(contains(o, "\n MINUIT DOES NOT ACCEPT DERIVATIVE CALCULATIONS BY FCN\n"
                            " TO FORCE ACCEPTANCE, ENTER \"SET GRAD    1\"\n")) << o;
}

TEST_F(Commands, SetLimitsOnOneOrAll)
{
    command(quad, "MIGRAD");
    std::size_t m = out().size();
    EXPECT_EQ(command(quad, "SETLIM", {2, 0, -3}), 0);   // either order
    EXPECT_TRUE(contains(out_from(m), "\n PARAMETER  2 LIMITS SET TO    -3.0000         0.0000    \n"))
        << out_from(m);
    EXPECT_EQ(mn7inx.nvarl[2], 4);
    EXPECT_EQ(mn7ext.alim[2], -3);
    EXPECT_EQ(mn7flg.isw[2], 0);                          // the matrix no longer applies
    EXPECT_NEAR(value(2), -1, 1e-3);                      // value kept
    EXPECT_EQ(command(quad, "MIGRAD"), 0);
    EXPECT_NEAR(value(2), -1, 2e-3);
    m = out().size();
    EXPECT_EQ(command(quad, "SETLIM", {2}), 0);
    EXPECT_TRUE(contains(out_from(m), "\n LIMITS REMOVED FROM PARAMETER   2\n"));
    EXPECT_EQ(mn7inx.nvarl[2], 1);
    EXPECT_EQ(command(quad, "SETLIM", {1, 0.5, 0.5}), 4);
    EXPECT_EQ(command(quad, "SETLIM", {1, -5, 5}), 0);
    EXPECT_EQ(command(quad, "SETLIM", {2, -5, 5}), 0);
    EXPECT_EQ(command(quad, "SETLIM"), 0);               // all removed
    EXPECT_EQ(mn7inx.nvarl[1], 1);
    EXPECT_EQ(mn7inx.nvarl[2], 1);
    EXPECT_TRUE(mn7log.lnolim);
}

// Numbers past the integer range, infinite or NaN, wherever a command takes a count or a
// parameter number: each reads as a large count (up to 1e9) or an unknown parameter (the
// sanitizer build checks the conversions), and the minimisations still converge.
TEST_F(Commands, NumbersPastTheIntegerRange)
{
    const double inf = INFINITY, nan = NAN;
    const std::vector<std::vector<double>> numbers = {
        {1e10}, {-1e10}, {1e300, 1e300}, {inf}, {-inf, 1e10}, {nan, nan}, {1, 1e10, 1e10}};
    const char* words[] = {"MIGRAD", "MINIMIZE", "SIMPLEX", "HESSE", "IMPROVE", "SEEK", "SCAN",
                           "CONTOUR", "MNCONTOUR", "MINOS", "FIX", "RELEASE", "RESTORE",
                           "SETPRI", "SETSTR", "CALL", "SETPAR", "SETLIM"};
    for (const char* w : words)
        for (const std::vector<double>& n : numbers) {
            // SEEK and IMPROVE would spend the count they were given on the search
            const std::string_view word(w);
            if ((word == "SEEK" || word == "IMPROVE") && n[0] > 1e9) continue;
            const int code = command(quad, w, n);
            EXPECT_TRUE(code == 0 || code == 4) << w << " " << n[0] << ": " << code;
            command(quad, "SETPAR", {1, 0});  // back to the start for the next command
            command(quad, "SETPAR", {2, 0});
            command(quad, "SETLIM");
            command(quad, "RESTORE");
            command(quad, "SETPRI", {0});
        }
    EXPECT_EQ(mn7npr.npar, 2);
    EXPECT_EQ(command(quad, "MIGRAD", {1e10, 1e10}), 0);
    EXPECT_NEAR(mn7ext.u[1], 1.0, 1e-3);
    EXPECT_EQ(command(quad, "MIGRAD", {1e10}), 0);
    EXPECT_NEAR(mn7ext.u[2], -1.0, 1e-3);
}
