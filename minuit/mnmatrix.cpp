// mnmatrix.cpp -- the covariance matrix: inversion, eigenvalues, forcing positive-definite,
// errors and global correlations from it, and the external error matrix handed out.

#include <algorithm>
#include <cmath>
#include <vector>

#include <Eigen/Dense>

#include "minuit_local.h"

namespace {

using Mat = Eigen::MatrixXd;

// VHMAT of the NPAR variable parameters as a full matrix.
Mat vh_full()
{
    const int n = mn7npr.npar;
    Mat m(n, n);
    for (int i = 1; i <= n; ++i)
        for (int j = 1; j <= i; ++j) m(i - 1, j - 1) = m(j - 1, i - 1) = vhmat_at(i, j);
    return m;
}


}  // namespace

// Scaled to unit diagonal first, so that ill-scaled parameters do not spoil the inverse.
void mnvert(double a[], int l, int m, int n, int& ifail)
{
    ifail = 0;
    if (n < 1 || n > l || n > m) { ifail = 1; return; }
    Eigen::Map<Eigen::Matrix<double, Eigen::Dynamic, Eigen::Dynamic, Eigen::RowMajor>,
               0, Eigen::OuterStride<>> am(a, n, n, Eigen::OuterStride<>(m));
    Eigen::VectorXd s(n);
    for (int i = 0; i < n; ++i) {
        if (!(am(i, i) > 0)) { ifail = 1; return; }
        s(i) = 1.0 / std::sqrt(am(i, i));
    }
    Mat sc = s.asDiagonal() * Mat(am) * s.asDiagonal();
    Eigen::LDLT<Mat> ldlt(sc);
    if (ldlt.info() != Eigen::Success || !ldlt.isPositive()) { ifail = 1; return; }
    Mat inv = ldlt.solve(Mat::Identity(n, n));
    if (!inv.allFinite()) { ifail = 1; return; }
    am = s.asDiagonal() * inv * s.asDiagonal();
}

void mneig(double a[], int ndima, int n, int /*mits*/, double work[], double /*precis*/,
           int& ifault)
{
    ifault = 0;
    Eigen::Map<Eigen::Matrix<double, Eigen::Dynamic, Eigen::Dynamic, Eigen::RowMajor>,
               0, Eigen::OuterStride<>> am(a, n, n, Eigen::OuterStride<>(ndima));
    Eigen::SelfAdjointEigenSolver<Mat> es(Mat(am), Eigen::EigenvaluesOnly);
    if (es.info() != Eigen::Success) { ifault = 1; return; }
    for (int i = 0; i < n; ++i) work[i] = es.eigenvalues()(i);
}

// Negative or zero diagonal elements are made small and positive; then, when the smallest
// eigenvalue of the correlation form is not clearly positive, the diagonal is raised.
void mnpsdf()
{
    const int n = mn7npr.npar;
    if (n < 1) return;
    const double epsmin = 1.0e-6;
    const double epspdf = std::max(epsmin, mn7cns.epsma2);
    double dgmin = vhmat_at(1, 1);
    for (int i = 1; i <= n; ++i) {
        const double d = vhmat_at(i, i);
        if (d <= 0) {
            mnwarn("W", mn7tit.cfrom.trimmed(),
                   MnLine().a("Negative diagonal element").i(i, 3).a(" in Error Matrix").s);
        }
        dgmin = std::min(dgmin, d);
    }
    if (dgmin <= 0) {
        const double dg = 1.0 + epspdf - dgmin;
        mnwarn("W", mn7tit.cfrom.trimmed(),
               MnLine().e(dg, 11, 2).a(" added to diagonal of error matrix").s);
        for (int i = 1; i <= n; ++i) vhmat_at(i, i) += dg;
    }
    Mat m = vh_full();
    Eigen::VectorXd s(n);
    for (int i = 0; i < n; ++i) s(i) = 1.0 / std::sqrt(m(i, i));
    Mat c = s.asDiagonal() * m * s.asDiagonal();
    Eigen::SelfAdjointEigenSolver<Mat> es(c, Eigen::EigenvaluesOnly);
    const double pmin = es.eigenvalues()(0), pmax = es.eigenvalues()(n - 1);
    if (pmin > epspdf * std::max(std::fabs(pmax), 1.0)) return;
    const double padd = 1.0e-3 * std::max(std::fabs(pmax), 1.0) - pmin;
    for (int i = 1; i <= n; ++i) vhmat_at(i, i) *= 1.0 + padd;
    mn7tit.cstatu = "NOT POSDEF";
    mnwarn("W", mn7tit.cfrom.trimmed(),
           MnLine().a("MATRIX FORCED POS-DEF BY ADDING").g(padd, 12, 4).a(" TO DIAGONAL.").s);
    if (mn7flg.isw[2] >= 2) mn7flg.isw[2] = 2;
}

// Parabolic errors in external units, through the limit transform (half the width of the
// image of +-1 internal sigma), and global correlations from the inverse matrix.
void mnwerr()
{
    const int n = mn7npr.npar;
    if (mn7flg.isw[2] < 1) return;
    for (int i = 1; i <= n; ++i) {
        const int k = mn7inx.nexofi[i];
        const double dx = std::sqrt(std::fabs(vhmat_at(i, i) * mn7min.up));
        if (mn7inx.nvarl[k] != 4) {
            mn7err.werr[i] = dx;
            continue;
        }
        const double u0 = mn_ext_of(i, mn7int.x[i]);
        double du1 = mn_ext_of(i, mn7int.x[i] + dx) - u0;
        const double du2 = mn_ext_of(i, mn7int.x[i] - dx) - u0;
        if (dx > 1.0) du1 = mn7ext.blim[k] - mn7ext.alim[k];
        mn7err.werr[i] = 0.5 * (std::fabs(du1) + std::fabs(du2));
    }
    Mat m = vh_full();
    Eigen::LDLT<Mat> ldlt(m);
    const bool ok = ldlt.info() == Eigen::Success && ldlt.isPositive();
    const Mat inv = ok ? Mat(ldlt.solve(Mat::Identity(n, n))) : Mat();
    for (int i = 1; i <= n; ++i) {
        mn7err.globcc[i] = 0;
        if (!ok) continue;
        const double denom = m(i - 1, i - 1) * inv(i - 1, i - 1);
        if (denom >= 1.0) mn7err.globcc[i] = std::sqrt(1.0 - 1.0 / denom);
    }
}

void mnemat(double emat[], int ndim)
{
    if (mn7flg.isw[2] < 1) return;
    int n = mn7npr.npar;
    if (ndim < n) {
        mnput(" USER-DIMENSIONED  ARRAY EMAT NOT BIG ENOUGH. REDUCED MATRIX CALCULATED.");
        n = ndim;
    }
    std::vector<double> d(static_cast<std::size_t>(n) + 1);
    for (int i = 1; i <= n; ++i) mndxdi(mn7int.x[i], i, d[static_cast<std::size_t>(i)]);
    for (int i = 1; i <= n; ++i)
        for (int j = 1; j <= n; ++j)
            emat[(i - 1) * ndim + (j - 1)] = d[static_cast<std::size_t>(i)] * vhmat_at(i, j)
                                             * d[static_cast<std::size_t>(j)] * mn7min.up;
}

double mn_edm_of(const double grd[])
{
    double edm = 0;
    for (int i = 1; i <= mn7npr.npar; ++i) {
        double s = 0;
        for (int j = 1; j < i; ++j) s += grd[i] * vhmat_at(i, j) * grd[j];
        edm += s + 0.5 * grd[i] * grd[i] * vhmat_at(i, i);
    }
    return edm * 0.5 * (1.0 + 3.0 * mn7min.dcovar);
}
