// mnexcm.cpp -- the command language: one command word with its numbers, matched on its
// first three characters, and the SET/SHOW family.

#include <algorithm>
#include <cctype>
#include <cmath>
#include <string>
#include <vector>

#include "minuit_local.h"

namespace {

double word7(int k) { return mn7arg.word7[static_cast<std::size_t>(k)]; }
int iword7(int k) { return mn_int_arg(k); }  // truncated, as an integer field

void echo_command(std::string_view word, int llist)
{
    mnput(" **********");
    MnLine ln;
    ln.a(" **").i(mn7flg.icomnd, 5).a(" **").a(word);
    for (int k = 1; k <= llist; ++k) {
        ln.g(word7(k), 12, 4);
        if (k % 4 == 0 && k < llist) { mnput(ln); ln = MnLine(); ln.x(11); }
    }
    mnput(ln);
    mnput(" **********");
}

// Call limit and tolerance of a minimising command.
void set_limits_from_args()
{
    mn7cnv.nfcnmx = word7(1) >= 1 ? iword7(1) : mn_default_calls(mn7npr.npar);
    mn7min.epsi = (word7(2) > 0 ? word7(2) : 0.1) * mn7min.up;
    mn7min.apsi = mn7min.epsi;
}

int converged_code() { return mn7flg.isw[4] >= 1 ? mn_ok : mn_abnormal; }

int do_migrad(mnfcn fcn, void* futil)
{
    set_limits_from_args();
    mn_migrad(fcn, futil);
    return converged_code();
}

// MIGRAD, and when it does not converge SIMPLEX followed by MIGRAD again.
int do_minimize(mnfcn fcn, void* futil)
{
    set_limits_from_args();
    mn_migrad(fcn, futil);
    if (mn7flg.isw[4] >= 1 || mn7npr.npar < 1) return converged_code();
    mnsimp(fcn, futil);
    mn_migrad(fcn, futil);
    return converged_code();
}

int do_simplex(mnfcn fcn, void* futil)
{
    set_limits_from_args();
    mnsimp(fcn, futil);
    return converged_code();
}

int do_hesse(mnfcn fcn, void* futil)
{
    if (mn7npr.npar < 1) {
        mnput(" HESSE: NO VARIABLE PARAMETERS.");
        return mn_abnormal;
    }
    mn_hesse_limit = iword7(1) >= 1 ? iword7(1) : 0;
    mnhess(fcn, futil);
    mn_hesse_limit = 0;
    mnwerr();
    if (mn7flg.isw[5] >= 0) mnprin(2, mn7min.amin);
    if (mn7flg.isw[5] >= 1) mnmatu(1);
    return mn7flg.isw[2] >= 2 ? mn_ok : mn_abnormal;
}

// MINOS [maxcalls] [parno ...]: every variable parameter when none is named.
int do_minos(mnfcn fcn, int llist, void* futil)
{
    mn7min.epsi = 0.1 * mn7min.up;
    mn7min.apsi = mn7min.epsi;
    const int maxcalls = iword7(1);
    // A 0 in the list (the loop passes the zeros before the last number) names no parameter.
    std::vector<int> parnos;
    for (int k = 2; k <= llist; ++k)
        if (iword7(k) != 0) parnos.push_back(iword7(k));
    if (parnos.empty()) mnmnos(fcn, 0, maxcalls, futil);
    for (int k : parnos) mnmnos(fcn, k, maxcalls, futil);
    return mn7flg.isw[7] == 1 ? mn_abnormal : mn_ok;
}

// MNCONTOUR par1 par2 [npts]: 20 points unless told.
int do_mncontour(mnfcn fcn, int llist, void* futil)
{
    const int npts = llist >= 3 && iword7(3) > 0 ? std::min(iword7(3), maxcpt) : 20;
    std::vector<double> xp(static_cast<std::size_t>(npts)), yp(xp.size());
    int ierrf = 0;
    mn7min.epsi = 0.1 * mn7min.up;
    int ke1 = iword7(1), ke2 = iword7(2);
    if (ke1 == 0 && ke2 == 0 && mn7npr.npar == 2) {  // the two variable ones need no naming
        ke1 = mn7inx.nexofi[1];
        ke2 = mn7inx.nexofi[2];
    }
    mncont(fcn, ke1, ke2, npts, xp.data(), yp.data(), ierrf, futil);
    return ierrf == npts ? mn_ok : mn_abnormal;
}

int do_fix(int llist)
{
    if (llist < 1) {
        mnput(" FIX: NO PARAMETER NUMBERS GIVEN.");
        return mn_abnormal;
    }
    int code = mn_ok;
    for (int k = 1; k <= llist; ++k) {
        const int ke = iword7(k);
        const int iint = niofex_of(ke);
        if (iint == 0) {
            mnput(MnLine().a(" PARAMETER").i(ke, 4).a(" NOT VARIABLE.  IGNORED."));
            code = mn_abnormal;
            continue;
        }
        int ierr = 0;
        mnfixp(iint, ierr);
        if (ierr != 0) code = mn_abnormal;
    }
    return code;
}

int do_release(int llist)
{
    if (llist < 1) {
        mnput(" RELEASE: NO PARAMETER NUMBERS GIVEN.");
        return mn_abnormal;
    }
    for (int k = 1; k <= llist; ++k) {
        const int ke = iword7(k);
        if (ke < 1 || ke > mne || mn7inx.nvarl[ke] < 0) {
            mnput(MnLine().a(" PARAMETER").i(ke, 4).a(" NOT DEFINED.  IGNORED."));
            continue;
        }
        if (mn7inx.nvarl[ke] == 0) {
            mnput(MnLine().a(" PARAMETER").i(ke, 4).a(" IS CONSTANT.  IGNORED."));
            continue;
        }
        mnfree(ke);
    }
    return mn_ok;
}

int do_restore()
{
    const int code = iword7(1);
    if (code == 0) mnfree(-1);
    else if (code == 1) mnfree(0);
    else {
        mnput(MnLine().a(" RESTORE: ARGUMENT").i(code, 4).a(" NOT 0 OR 1.  IGNORED."));
        return mn_abnormal;
    }
    return mn_ok;
}

// FCN with the flag given; its value is kept only when FCN set one. A flag above the first
// of the caller's own means the function itself may have changed: minimum, matrix and
// convergence are forgotten.
int do_call(mnfcn fcn, void* futil)
{
    const int iflag = iword7(1);
    mninex(mn7int.x.data());
    const auto u0 = mn7ext.u;
    double f = mn7cns.undefi;
    fcn(mn7npr.npar, mn7der.gin.data(), f, mn7ext.u.data(), iflag, futil);
    ++mn7cnv.nfcn;
    if (mn7ext.u != u0) mn_drop_minos();  // FCN moved parameters: another point
    mnexin(mn7int.x.data());
    if (f != mn7cns.undefi) mn7min.amin = f;
    if (iflag == mn_flag_final) mn7min.fval3 = f;  // END, EXIT, STOP, RETURN need not repeat it
    if (iflag > mn_flag_own) mnrset(1);
    return mn_ok;
}

// END, EXIT, STOP, RETURN: the final call (flag 3) when the first number truncates to 0 and
// the minimum is not the value of the last final call.
void final_call(mnfcn fcn, void* futil)
{
    if (iword7(1) != 0 || mn7min.amin == mn7min.fval3) return;
    mninex(mn7int.x.data());
    double f = mn7cns.undefi;
    fcn(mn7npr.npar, mn7der.gin.data(), f, mn7ext.u.data(), mn_flag_final, futil);
    ++mn7cnv.nfcn;
    mn7min.fval3 = f;
}

std::string upper(std::string_view s)
{
    std::string u(s);
    for (char& c : u) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return u;
}

}  // namespace



void mnexcm(mnfcn fcn, std::string_view comand, const double plist[], int llist, int& ierflg,
            void* futil)
{
    std::string word = upper(comand);
    const auto b = word.find_first_not_of(' ');
    word = b == std::string::npos ? std::string() : word.substr(b);
    while (!word.empty() && word.back() == ' ') word.pop_back();
    if (word.empty()) { ierflg = mn_blank; return; }
    if (llist < 0 || llist > maxp || !std::isalpha(static_cast<unsigned char>(word[0]))) {
        mnput(MnLine().a(" COMMAND CANNOT BE READ: ").a(word));
        ierflg = mn_unreadable;
        return;
    }
    mn7arg.word7 = {};
    for (int k = 1; k <= llist; ++k) mn7arg.word7[static_cast<std::size_t>(k)] = plist[k - 1];
    mn7tit.cword = word;
    ++mn7flg.icomnd;
    if (mn7flg.isw[5] >= 0) echo_command(word, llist);
    mn7log.lphead = true;
    mn7cnv.nfcnlc = mn7cnv.nfcn;
    mn7flg.isw[7] = 0;
    const std::string key = word.substr(0, 3);
    const bool minos = word.compare(0, 4, "MINO") == 0;
    int code = mn_unknown;
    if (key == "MIN" && !minos) code = do_minimize(fcn, futil);
    else if (key == "MIG") code = do_migrad(fcn, futil);
    else if (key == "SIM") code = do_simplex(fcn, futil);
    else if (key == "HES") code = do_hesse(fcn, futil);
    else if (key == "SET" || key == "SHO") code = mn_set_show(fcn, word, llist, futil);
    else if (minos) code = do_minos(fcn, llist, futil);
    else if (key == "SAV") { mnsave(); code = mn_ok; }
    else if (key == "SCA") code = mn_scan(fcn, llist, futil);
    else if (key == "SEE") code = mn_seek(fcn, llist, futil);
    else if (key == "IMP") code = mn_improve(fcn, futil);
    else if (key == "CON") code = mn_contour_map(fcn, llist, futil);
    else if (key == "MNC") code = do_mncontour(fcn, llist, futil);
    else if (key == "FIX") code = do_fix(llist);
    else if (key == "REL") code = do_release(llist);
    else if (key == "RES") code = do_restore();
    else if (key == "CAL") code = do_call(fcn, futil);
    else if (key == "CLE") {
        mncler();
        if (mn7flg.isw[5] >= 1) mnput(" MINUIT MEMORY CLEARED. NO PARAMETERS NOW DEFINED.");
        code = mn_ok;
    } else if (key == "END") { final_call(fcn, futil); code = mn_end; }
    else if (key == "EXI" || key == "STO") { final_call(fcn, futil); code = mn_exit; }
    else if (key == "RET") { final_call(fcn, futil); code = mn_return; }
    if (code == mn_unknown) mnput(MnLine().a(" UNKNOWN COMMAND IGNORED:").a(word));
    mn7flg.isw[7] = (code == mn_abnormal) ? 1 : 0;
    ierflg = code;
}

namespace {

constexpr const char* strategy_text[3] = {
    "MINIMIZE THE NUMBER OF CALLS TO FUNCTION", "TRY TO BALANCE SPEED AGAINST RELIABILITY",
    "MAKE SURE MINIMUM TRUE, ERRORS CORRECT"};

// The SET/SHOW keywords, matched on three characters.
enum class Key { fcn, par, lim, cov, cor, pri, err, gra, nog, war, now, tit, str, eps, bat,
                 inte, ver, deb, nod, eig, min, none };
struct KeyName { const char* name; Key key; };
constexpr KeyName keys[] = {
    {"FCN", Key::fcn}, {"PAR", Key::par}, {"LIM", Key::lim}, {"COV", Key::cov},
    {"COR", Key::cor}, {"PRI", Key::pri}, {"ERR", Key::err}, {"GRA", Key::gra},
    {"NOG", Key::nog}, {"WAR", Key::war}, {"NOW", Key::now}, {"TIT", Key::tit},
    {"STR", Key::str}, {"EPS", Key::eps}, {"BAT", Key::bat}, {"INT", Key::inte},
    {"VER", Key::ver}, {"DEB", Key::deb}, {"NOD", Key::nod}, {"EIG", Key::eig},
    {"MIN", Key::min},
};

Key key_of(std::string_view rest)
{
    while (!rest.empty() && rest.front() == ' ') rest.remove_prefix(1);
    if (rest.size() < 3) return Key::none;
    for (const KeyName& k : keys)
        if (rest.substr(0, 3) == k.name) return k.key;
    return Key::none;
}

void show_eigenvalues()
{
    const int n = mn7npr.npar;
    if (mn7flg.isw[2] < 1 || n < 1) {
        mnput(MnLine().x(1).a(mn7tit.covmes[std::max(mn7flg.isw[2], 0)].trimmed()));
        return;
    }
    std::vector<double> a(static_cast<std::size_t>(n * n)), w(static_cast<std::size_t>(n));
    for (int i = 1; i <= n; ++i)
        for (int j = 1; j <= n; ++j) {
            const double d = std::sqrt(vhmat_at(i, i) * vhmat_at(j, j));
            a[static_cast<std::size_t>((i - 1) * n + j - 1)] = d > 0 ? vhmat_at(i, j) / d : 0;
        }
    int ifault = 0;
    mneig(a.data(), n, n, 50, w.data(), 1e-6, ifault);
    mnput(" EIGENVALUES OF SECOND-DERIVATIVE MATRIX:");
    MnLine ln;
    ln.x(7);
    for (int k = 0; k < n; ++k) {
        ln.e(w[static_cast<std::size_t>(k)], 12, 4);
        if ((k + 1) % 6 == 0 && k + 1 < n) { mnput(ln); ln = MnLine(); ln.x(7); }
    }
    mnput(ln);
}

// SET LIMITS: none given, all removed; one number, that parameter's; three, new limits.
int set_limits(int llist)
{
    const int k = iword7(1);
    auto change = [&](int ke) {
        const int i = niofex_of(ke);
        if (mn7inx.nvarl[ke] <= 0 || i == 0) {
            if (llist >= 1) mnput(MnLine().a(" LIMITS NOT CHANGED FOR FIXED PARAMETER:").i(ke, 4));
            return;
        }
        if (llist < 3) {
            if (mn7inx.nvarl[ke] == 4) {
                mnput(MnLine().a(" LIMITS REMOVED FROM PARAMETER").i(ke, 4));
                mn7inx.nvarl[ke] = 1;
                mn7ext.alim[ke] = mn7ext.blim[ke] = 0;
                if (mn7der.gstep[i] < 0) mn7der.gstep[i] = -mn7der.gstep[i];
            }
        } else {
            mn7inx.nvarl[ke] = 4;
            mn7ext.alim[ke] = std::min(word7(2), word7(3));
            mn7ext.blim[ke] = std::max(word7(2), word7(3));
            mnput(MnLine().a(" PARAMETER").i(ke, 3).a(" LIMITS SET TO").g(mn7ext.alim[ke], 15, 5)
                      .g(mn7ext.blim[ke], 15, 5));
            mn7der.gstep[i] = -std::min(std::fabs(mn7der.gstep[i]), 0.5);
        }
        mn7int.x[i] = mnpint(mn7ext.u[ke], i);
        mn7ext.u[ke] = mn_ext_of(i, mn7int.x[i]);
    };
    if (llist >= 3 && word7(2) == word7(3)) {
        mnput(" INVALID LIMITS: LOWER AND UPPER EQUAL.  IGNORED.");
        return mn_abnormal;
    }
    if (llist == 0 || k < 1) {
        for (int ke = 1; ke <= mn7npr.nu; ++ke) change(ke);
    } else {
        if (k > mne || mn7inx.nvarl[k] < 0) {
            mnput(MnLine().a(" PARAMETER").i(k, 4).a(" NOT DEFINED.  IGNORED."));
            return mn_abnormal;
        }
        change(k);
    }
    mn7log.lnolim = true;
    for (int i = 1; i <= mn7npr.npar; ++i)
        if (mn7inx.nvarl[mn7inx.nexofi[i]] == 4) mn7log.lnolim = false;
    // Internal coordinates changed: the matrix and the MINOS errors no longer apply.
    mn7flg.isw[2] = 0;
    mn_drop_minos();
    mn7min.dcovar = 1;
    mn7min.edm = mn7cns.bigedm;
    return mn_ok;
}

int set_parameter(int llist)
{
    const int k = iword7(1);
    if (llist < 2 || k < 1 || k > mne || mn7inx.nvarl[k] < 0) {
        mnput(" UNDEFINED PARAMETER NUMBER.  IGNORED.");
        return mn_abnormal;
    }
    mn7ext.u[k] = word7(2);
    const int i = niofex_of(k);
    if (i > 0) {
        mn7int.x[i] = mnpint(mn7ext.u[k], i);
        mn7ext.u[k] = mn_ext_of(i, mn7int.x[i]);
    }
    mnrset(0);
    return mn_ok;
}

// FCN's own gradient against central differences at the present point; FCN's is used
// only when every component agrees (SET GRADIENT 1 accepts it unchecked).
void check_gradient(mnfcn fcn, void* futil)
{
    const int n = mn7npr.npar;
    if (n < 1) return;
    if (mn7min.amin == mn7cns.undefi) mnamin(fcn, futil);
    mninex(mn7int.x.data());
    double f = 0;
    fcn(n, mn7der.gin.data(), f, mn7ext.u.data(), mn_flag_gradient, futil);
    ++mn7cnv.nfcn;
    std::vector<double> guser(static_cast<std::size_t>(n) + 1);
    for (int i = 1; i <= n; ++i) guser[static_cast<std::size_t>(i)] = mn7der.gin[mn7inx.nexofi[i]];
    mn7flg.isw[3] = 0;
    mnderi(fcn, futil);
    bool good = true;
    mnput(" CHECK OF GRADIENT CALCULATION IN FCN");
    mnput("            PARAMETER      G(IN FCN)   G(MINUIT)  DG(MINUIT)   AGREEMENT");
    for (int i = 1; i <= n; ++i) {
        double dxdi = 1;
        mndxdi(mn7int.x[i], i, dxdi);
        if (dxdi == 0) dxdi = 1;
        const double gu = guser[static_cast<std::size_t>(i)];
        const double gm = mn7der.grd[i] / dxdi, dg = mn7der.dgrd[i] / dxdi;
        const double tol = std::max(2.0 * dg, 0.05 * std::max(std::fabs(gm), std::fabs(gu)))
                           + mn7cns.epsma2 * (std::fabs(mn7min.amin) + mn7min.up);
        const bool agree = std::fabs(gu - gm) <= tol;
        good = good && agree;
        const int k = mn7inx.nexofi[i];
        mnput(MnLine().x(7).i(k, 5).x(2).a(mn7nam.cpnam[k].full()).e(gu, 12, 4).e(gm, 12, 4)
                  .e(dg, 12, 4).x(4).a(agree ? "GOOD" : " BAD"));
    }
    if (good) {
        mn7flg.isw[3] = 1;
        return;
    }
    mnput(" MINUIT DOES NOT ACCEPT DERIVATIVE CALCULATIONS BY FCN");
    mnput(" TO FORCE ACCEPTANCE, ENTER \"SET GRAD    1\"");
}

}  // namespace

// SET or SHOW with its keyword after the first three characters ("SETSTRAT", "SET STR",
// "SHOEPS", "SHOW EPS").
int mn_set_show(mnfcn fcn, std::string_view word, int llist, void* futil)
{
    const bool set = word.substr(0, 3) == "SET";
    std::string_view rest = word.substr(3);
    Key key = key_of(rest);
    if (key == Key::none && !set && !rest.empty() && rest.front() == 'W') key = key_of(rest.substr(1));
    if (key == Key::none) {
        mnput(MnLine().a(set ? " UNKNOWN SET COMMAND: " : " UNKNOWN SHOW COMMAND: ").a(word));
        return mn_unknown;
    }
    if (set) {
        switch (key) {
        case Key::par: return set_parameter(llist);
        case Key::lim: return set_limits(llist);
        case Key::cov:
            mnput(" SET COVARIANCE: NO MATRIX CAN BE READ FROM THIS INPUT.  IGNORED.");
            return mn_unknown;
        case Key::pri: mn7flg.isw[5] = std::clamp(iword7(1), -1, 3); return mn_ok;
        case Key::err:
            mn7min.up = word7(1) > 0 ? word7(1) : mn7cns.updflt;
            mn_drop_minos();
            mnwerr();
            return mn_ok;
        case Key::gra:
            mn7flg.isw[3] = 1;
            if (iword7(1) != 1) check_gradient(fcn, futil);
            return mn_ok;
        case Key::nog: mn7flg.isw[3] = 0; return mn_ok;
        case Key::war: mn7log.lwarn = true; return mn_ok;
        case Key::now: mn7log.lwarn = false; return mn_ok;
        case Key::tit:
            mnput(" SET TITLE: THE TITLE IS GIVEN WITH EACH FIT.  IGNORED.");
            return mn_unknown;
        case Key::str: mn7cnv.istrat = std::clamp(iword7(1), 0, 2); return mn_ok;
        case Key::eps:
            if (word7(1) > 0) {
                mn7cns.epsmac = word7(1);
                mn7cns.epsma2 = 2.0 * std::sqrt(mn7cns.epsmac);
            }
            return mn_ok;
        case Key::bat: mn7flg.isw[6] = 0; return mn_ok;
        case Key::inte: mn7flg.isw[6] = 1; return mn_ok;
        case Key::deb:
        case Key::nod: {
            const int v = key == Key::deb ? 1 : 0;
            const int n = iword7(1);
            if (llist < 1) mn7flg.idbg.fill(v);
            else if (n >= 0 && n <= 10) mn7flg.idbg[static_cast<std::size_t>(n)] = v;
            return mn_ok;
        }
        default:
            mnput(MnLine().a(" THIS QUANTITY CANNOT BE SET: ").a(word));
            return mn_unknown;
        }
    }
    switch (key) {
    case Key::fcn:
        if (mn7min.amin == mn7cns.undefi) mnamin(fcn, futil);
        mnprin(0, mn7min.amin);
        break;
    case Key::par:
    case Key::lim: mnprin(5, mn7min.amin); break;
    case Key::cov: mnmatu(1); break;
    case Key::cor: mnmatu(0); break;
    case Key::pri:
        mnput(" ALLOWED PRINT LEVELS ARE:");
        mnput("                           -1: NO OUTPUT EXCEPT FROM \"SHOW\"");
        mnput("                            0: REDUCED OUTPUT");
        mnput("                            1: NORMAL OUTPUT");
        mnput("                            2: EXTRA OUTPUT FOR PROBLEM CASES");
        mnput("                            3: MAXIMUM OUTPUT");
        mnput(MnLine().a(" CURRENT PRINTOUT LEVEL IS").i(mn7flg.isw[5], 3));
        break;
    case Key::err: mnput(MnLine().a(" ERRORS CORRESPOND TO FUNCTION CHANGE OF").g(mn7min.up, 13, 5)); break;
    case Key::gra:
    case Key::nog:
        mnput(mn7flg.isw[3] == 1 ? "      GRAD IS SET.  USER COMPUTES DERIVATIVES IN FCN."
                                 : "    NOGRAD IS SET.  DERIVATIVES NOT COMPUTED IN FCN.");
        break;
    case Key::war:
    case Key::now: mn_show_messages(1); break;
    case Key::tit:
        mnput(" TITLE OF CURRENT TASK IS:");
        mnput(MnLine().x(1).a(mn7tit.ctitl.trimmed()));
        break;
    case Key::str: {
        const int s = std::clamp(mn7cnv.istrat, 0, 2);
        mnput(MnLine().a(" NOW USING STRATEGY").i(mn7cnv.istrat, 2).a(": ").a(strategy_text[s]));
        break;
    }
    case Key::eps: mnput(MnLine().a(" FLOATING-POINT NUMBERS ASSUMED ACCURATE TO").e(mn7cns.epsmac, 10, 3)); break;
    case Key::bat:
    case Key::inte:
        mnput(mn7flg.isw[6] == 1 ? " INTERACTIVE MODE IS SET." : " BATCH MODE IS SET.");
        break;
    case Key::ver: mnput(MnLine().a(" THIS IS MINUIT VERSION:").a(mn7tit.cvrsn.trimmed())); break;
    case Key::deb:
    case Key::nod: mn_show_messages(2); break;
    case Key::eig: show_eigenvalues(); break;
    case Key::min: mnprin(4, mn7min.amin); break;
    case Key::none: break;
    }
    return mn_ok;
}
