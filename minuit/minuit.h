// minuit.h -- the minimiser's door: MINUIT's calling interface and its internal routines.
// The fitting program and its MIGRAD step call these; all state is in mnrecords.h.
#pragma once

#include <string>
#include <string_view>

#include "mnout.h"
#include "mnrecords.h"

// The objective function, FCN(NPAR, GRAD, FVAL, X, IFLAG, FUTIL). x and grad count from 1
// by external parameter number (x[0], grad[0] unused); x is MINUIT's own U, so a change of
// x[k] inside FCN changes parameter k. fval is set by FCN; IFLAG one of MnFlag, or from
// mn_flag_own on the caller's own (reaching FCN through CALL).
enum MnFlag : int {
    mn_flag_setup = 1,      // set-up
    mn_flag_gradient = 2,   // gradient wanted
    mn_flag_final = 3,      // final call
    mn_flag_value = 4,      // ordinary value
    mn_flag_own = 5,        // the first of the caller's own
};
using mnfcn = void (*)(int npar, double grad[], double& fval, double x[], int iflag,
                       void* futil);

// --- Calling interface -------------------------------------------------------------------
// Initialise everything; ird, iwr, isav are the read, output and save units.
void mninit(int ird, int iwr, int isav);
// Title of the task (first 50 characters).
void mnseti(std::string_view tit);
// Define or redefine external parameter k. wk 0 makes it constant; a = b = 0 no limits.
// ierflg 0 when accepted, 1 when refused (the reason is printed). Safe inside FCN.
void mnparm(int k, std::string_view cnamj, double uk, double wk, double a, double b,
            int& ierflg);
// Return codes of mnexcm.
enum MnCode : int {
    mn_ok = 0,           // the command ended normally
    mn_blank = 1,        // blank command
    mn_unreadable = 2,   // the command cannot be read
    mn_unknown = 3,      // unknown (or not possible here: SET TITLE, SET COVARIANCE)
    mn_abnormal = 4,     // abnormal end, such as a minimisation that did not converge
    mn_end = 10,         // END
    mn_exit = 11,        // EXIT or STOP
    mn_return = 12,      // RETURN
};
// Execute one command with llist numbers plist[0..llist-1]; ierflg one of MnCode.
void mnexcm(mnfcn fcn, std::string_view comand, const double plist[], int llist, int& ierflg,
            void* futil);
// Best value (0 when none), EDM, UP, variable and highest parameter number, ISW(2).
void mnstat(double& fmin, double& fedm, double& errdef, int& npari, int& nparx, int& istat);
// Parameter iuext (external; 0 or negative: internal number -iuext). chnam is the
// 10-character name. iuint: internal number, 0 when fixed, -1 when undefined.
void mnpout(int iuext, std::string& chnam, double& val, double& err, double& xlolim,
            double& xuplim, int& iuint);
// MINOS errors (0 when not computed), parabolic error and global correlation of a
// parameter (external number, or internal -number); all 0 for a parameter not variable.
void mnerrs(int number, double& eplus, double& eminus, double& eparab, double& gcc);
// External error matrix of the variable parameters into emat[ndim*ndim], row by row.
void mnemat(double emat[], int ndim);

// The MIGRAD step: minimise fcn from the engine's present state, leaving AMIN, EDM, VHMAT,
// ISW(1), ISW(2), ISW(4) and CSTATU as the commands expect. The engine has none of its own:
// the program sets its step at start-up, before the first command, and MIGRAD, MINIMIZE,
// MINOS, IMPROVE and the contours call the step last set.
using mnstep = void (*)(mnfcn fcn, void* futil);
void mn_set_migrad(mnstep step);

// --- Internal routines (the MIGRAD step and the commands use these) ----------------------
void mnamin(mnfcn fcn, void* futil);       // FCN at the current point, flag 4
void mnderi(mnfcn fcn, void* futil);       // first derivatives (GRD, G2, GSTEP)
void mnhess(mnfcn fcn, void* futil);       // full second-derivative matrix into VHMAT
// Line search from start along step (expected minimum at 1); slope = step . grad.
void mnline(mnfcn fcn, const double start[], double fstart, const double step[], double slope,
            double toler, void* futil);
void mnsimp(mnfcn fcn, void* futil);       // SIMPLEX
void mninex(const double pint[]);          // internal -> external values into U
void mnexin(double pint[]);                // external U -> internal values
double mnpint(double pexti, int i);        // external value of internal i -> internal
void mndxdi(double pint, int ipar, double& dxdi);  // d(external)/d(internal)
void mnwerr();                             // WERR and GLOBCC from VHMAT
void mnpsdf();                             // force VHMAT positive-definite
// Invert the symmetric n x n matrix a (row stride m, l >= n rows); ifail 1 when singular.
void mnvert(double a[], int l, int m, int n, int& ifail);
// Eigenvalues of the symmetric n x n matrix a (row stride ndima) into work[0..n-1],
// ascending; ifault 1 when they cannot be found.
void mneig(double a[], int ndima, int n, int mits, double work[], double precis, int& ifault);
void mnwarn(std::string_view copt, std::string_view corg, std::string_view cmes);
void mnprin(int inkode, double fval);      // parameter table
void mnmatu(int kode);                     // error matrix (kode 1) and correlations
void mnrset(int iopt);                     // forget the minimum (iopt 1 also the matrix)
// Forget every MINOS error: they hold for one minimum, one set of free parameters and one
// set of limits, and whatever changes one of these calls this.
void mn_drop_minos();
void mncler();                             // all parameters undefined
void mnfixp(int iint, int& ierr);          // fix internal parameter iint
void mnfree(int k);                        // release k; 0 the last fixed; -1 all
// Make sure of a minimum and an error matrix before MINOS and contours (cfrom names the caller).
void mncuve(mnfcn fcn, std::string_view cfrom, void* futil);
// FCN minimised over the other parameters with KE1CR (KE2CR) held at a along the crossing
// direction of mn7xcr; ierev 0 converged, 1 not converged, 2 call limit.
void mneval(mnfcn fcn, double anext, double& fnext, int& ierev, void* futil);
// MINOS errors of external parameter k (0: every variable parameter); maxcalls 0: default.
void mnmnos(mnfcn fcn, int k, int maxcalls, void* futil);
// One contour of FCN = AMIN + UP in parameters ke1, ke2 with nptu points into xptu[0..],
// yptu[0..]; ierrf the number of points found, or -1 when the parameters are not variable.
void mncont(mnfcn fcn, int ke1, int ke2, int nptu, double xptu[], double yptu[], int& ierrf,
            void* futil);
void mnsave();                             // SAVE on ISYSSA
// Printer plot of points x[0..n-1], y[0..n-1] marked by chpt[0..n-1].
void mnplot(const double xpt[], const double ypt[], const char chpt[], int nxypt, int npagwd,
            int npagln);
