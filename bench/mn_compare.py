#!/usr/bin/python3
"""Side-by-side comparison of the engine (bench/mn_compare) with iminuit on the same problems.

Run with Debian's own Python, which sees python3-iminuit:
    /usr/bin/python3 bench/mn_compare.py build/release/bench/mn_compare

Besides each side's own MIGRAD, HESSE and MINOS (values, errors, call counts), iminuit's HESSE
is run at the engine's minimum: there the parabolic errors must agree within 1 % and every
covariance element within 1 % of sqrt(c_ii c_jj), both after the engine's HESSE and for the
matrix its MIGRAD closed with; the exit status is 1 when one does not.
(The two MIGRADs may stop at slightly different points of a flat valley, where the errors
themselves differ.)
"""
import math
import subprocess
import sys

from iminuit import Minuit


def wiggle(i):
    return math.sin(12.9898 * i + 78.233) * 0.5


def line(a, b):
    f = 0.0
    for i in range(20):
        t = float(i)
        y = 1.0 + 2.0 * t + 0.2 * wiggle(i)
        f += ((y - a - b * t) / 0.2) ** 2
    return f


def gauss_nll(mu, sigma):
    f = 0.0
    for i in range(50):
        s = 5.0 + 2.0 * wiggle(i)
        f += (s - mu) ** 2 / (2 * sigma * sigma) + math.log(sigma)
    return f


def rosenbrock(x, y):
    return 100 * (y - x * x) ** 2 + (1 - x) ** 2


def musr_model(p, t):
    return p[0] * math.exp(-p[1] * t) * math.cos(2 * math.pi * p[2] * t + p[3]) + p[4]


def musr(asy, lam, nu, phi, bkg):
    truth = (0.22, 0.35, 1.36, 0.3, 0.02)
    x = (asy, lam, nu, phi, bkg)
    f = 0.0
    for i in range(200):
        t = 0.05 * i
        sg = 0.01 * math.exp(0.05 * t)
        y = musr_model(truth, t) + sg * wiggle(i)
        f += ((y - musr_model(x, t)) / sg) ** 2
    return f


PROBLEMS = {
    "line": (line, 1.0, [0, 0], [0.1, 0.1], [None, None]),
    "gauss_nll": (gauss_nll, 0.5, [4, 1], [0.5, 0.2], [None, (0.01, 10)]),
    "rosenbrock": (rosenbrock, 1.0, [-1.2, 1], [0.1, 0.1], [None, None]),
    "musr": (musr, 1.0, [0.2, 0.5, 1.3, 0.0, 0.0], [0.02, 0.05, 0.05, 0.1, 0.01],
             [(0, 0.5), None, None, None, None]),
}


def make_minuit(name, start, step):
    """A Minuit of the problem at start with steps step, its UP and limits set."""
    f, up, _, _, limits = PROBLEMS[name]
    m = Minuit(f, *start)
    m.errordef = up
    m.errors = step
    for k, lim in enumerate(limits):
        if lim is not None:
            m.limits[k] = lim
    return m


def run_iminuit(name):
    _, _, start, step, _ = PROBLEMS[name]
    m = make_minuit(name, start, step)
    m.migrad()
    nmig = m.nfcn
    m.hesse()
    nhes = m.nfcn
    res = (m.fval, nmig, m.nfcn, list(m.values), list(m.errors))
    m.minos()
    minos = [(m.merrors[p].lower, m.merrors[p].upper) for p in m.parameters]
    return res + (m.nfcn - nhes, minos)


def iminuit_hesse_at(name, vals, errs):
    """iminuit's HESSE at the given point: its errors and covariance matrix (rows)."""
    m = make_minuit(name, vals, errs)
    m.hesse()
    n = len(vals)
    return list(m.errors), [[m.covariance[i, j] for j in range(n)] for i in range(n)]


TOLERANCE = 0.01


def main():
    exe = sys.argv[1] if len(sys.argv) > 1 else "build/release/bench/mn_compare"
    ours = subprocess.run([exe], check=True, capture_output=True, text=True).stdout.split("\n")
    print("| problem | par | engine value | iminuit value | engine error | iminuit error |")
    print("|---|---|---|---|---|---|")
    calls = []
    minos_rows = []
    hesse_rows = []
    cov_rows = []
    worst = 0.0
    for row in filter(None, ours):
        head, covtext, migtext, tail = row.split("|")
        w = head.split()
        name, fmin, nmig, ntot = w[0], float(w[1]), int(w[2]), int(w[3])
        vals = [float(v) for v in w[4::2]]
        errs = [float(e) for e in w[5::2]]
        n = len(vals)
        herrs, hcov = iminuit_hesse_at(name, vals, errs)
        m = [float(x) for x in migtext.split()]
        for after, e_after, c in (("HESSE", errs, [float(x) for x in covtext.split()]),
                                  ("MIGRAD", m[:n], m[n:])):
            cov = [c[i * n:(i + 1) * n] for i in range(n)]
            for k in range(n):
                d = abs(e_after[k] - herrs[k]) / herrs[k]
                worst = max(worst, d)
                hesse_rows.append(f"| {name} | {after} | {k + 1} | {e_after[k]:.6g}"
                                  f" | {herrs[k]:.6g} | {100 * d:.3f} |")
            for i in range(n):
                for j in range(i + 1):
                    scale = math.sqrt(hcov[i][i] * hcov[j][j])
                    d = abs(cov[i][j] - hcov[i][j]) / scale
                    worst = max(worst, d)
                    cov_rows.append(f"| {name} | {after} | {i + 1},{j + 1} | {cov[i][j]:.6g}"
                                    f" | {hcov[i][j]:.6g} | {100 * d:.3f} |")
        t = tail.split()
        nmin = int(t[0])
        merr = [(float(t[1 + 2 * k]), float(t[2 + 2 * k])) for k in range(len(vals))]
        ifmin, inmig, intot, ivals, ierrs, inmin, imerr = run_iminuit(name)
        for k, (v, e, iv, ie) in enumerate(zip(vals, errs, ivals, ierrs)):
            print(f"| {name} | {k + 1} | {v:.7g} | {iv:.7g} | {e:.5g} | {ie:.5g} |")
        for k, ((lo, hi), (ilo, ihi)) in enumerate(zip(merr, imerr)):
            minos_rows.append(f"| {name} | {k + 1} | {lo:.5g} | {ilo:.5g} | {hi:.5g} | {ihi:.5g} |")
        calls.append((name, fmin, ifmin, nmig, inmig, ntot, intot, nmin, inmin))
    print()
    print("The engine's matrix after its HESSE and as its MIGRAD closed, against iminuit's HESSE")
    print("at the engine's minimum:")
    print()
    print("| problem | engine matrix after | par | engine error | iminuit error | difference % |")
    print("|---|---|---|---|---|---|")
    print("\n".join(hesse_rows))
    print()
    print("| problem | engine matrix after | element | engine covariance | iminuit covariance"
          " | difference % of sqrt(c_ii c_jj) |")
    print("|---|---|---|---|---|---|")
    print("\n".join(cov_rows))
    print()
    print("| problem | par | engine MINOS - | iminuit MINOS - | engine MINOS + | iminuit MINOS + |")
    print("|---|---|---|---|---|---|")
    print("\n".join(minos_rows))
    print()
    print("| problem | engine minimum | iminuit minimum | engine calls MIGRAD | iminuit calls MIGRAD"
          " | engine calls +HESSE | iminuit calls +HESSE | engine calls MINOS | iminuit calls MINOS |")
    print("|---|---|---|---|---|---|---|---|---|")
    for name, fmin, ifmin, nmig, inmig, ntot, intot, nmin, inmin in calls:
        print(f"| {name} | {fmin:.10g} | {ifmin:.10g} | {nmig} | {inmig} | {ntot} | {intot}"
              f" | {nmin} | {inmin} |")
    print()
    verdict = "within" if worst <= TOLERANCE else "NOT within"
    print(f"Largest HESSE difference: {100 * worst:.3f} % ({verdict} {100 * TOLERANCE:.0f} %)")
    return 0 if worst <= TOLERANCE else 1


if __name__ == "__main__":
    sys.exit(main())
