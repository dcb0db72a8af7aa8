// mn_problems.h -- the test problems of the engine comparison, shared by name with
// mn_compare.py, which defines the same functions and data for iminuit.
#pragma once

#include <cmath>
#include <vector>

struct MnProblem {
    const char* name;
    double up;
    std::vector<const char*> names;
    std::vector<double> start, step, lo, hi;   // lo == hi == 0: no limits
    double (*f)(const double* x);              // x[0..n-1]
};

namespace mnp {

// Deterministic "noise" shared with the Python side.
inline double wiggle(int i) { return std::sin(12.9898 * i + 78.233) * 0.5; }

inline double line(const double* x)
{
    double f = 0;
    for (int i = 0; i < 20; ++i) {
        const double t = i, y = 1.0 + 2.0 * t + 0.2 * wiggle(i);
        const double r = (y - x[0] - x[1] * t) / 0.2;
        f += r * r;
    }
    return f;
}

inline double gauss_nll(const double* x)
{
    double f = 0;
    for (int i = 0; i < 50; ++i) {
        const double s = 5.0 + 2.0 * wiggle(i);
        f += (s - x[0]) * (s - x[0]) / (2 * x[1] * x[1]) + std::log(x[1]);
    }
    return f;
}

inline double rosenbrock(const double* x)
{
    return 100 * std::pow(x[1] - x[0] * x[0], 2) + std::pow(1 - x[0], 2);
}

// A muon-spin-rotation-like signal: A exp(-lambda t) cos(2 pi nu t + phi) + B over 200 bins.
inline double musr_model(const double* x, double t)
{
    return x[0] * std::exp(-x[1] * t) * std::cos(2 * M_PI * x[2] * t + x[3]) + x[4];
}
inline double musr(const double* x)
{
    const double truth[5] = {0.22, 0.35, 1.36, 0.3, 0.02};
    double f = 0;
    for (int i = 0; i < 200; ++i) {
        const double t = 0.05 * i, sg = 0.01 * std::exp(0.05 * t);
        const double y = musr_model(truth, t) + sg * wiggle(i);
        const double r = (y - musr_model(x, t)) / sg;
        f += r * r;
    }
    return f;
}

inline const std::vector<MnProblem>& problems()
{
    static const std::vector<MnProblem> p = {
        {"line", 1.0, {"a", "b"}, {0, 0}, {0.1, 0.1}, {0, 0}, {0, 0}, line},
        {"gauss_nll", 0.5, {"mu", "sigma"}, {4, 1}, {0.5, 0.2}, {0, 0.01}, {0, 10}, gauss_nll},
        {"rosenbrock", 1.0, {"x", "y"}, {-1.2, 1}, {0.1, 0.1}, {0, 0}, {0, 0}, rosenbrock},
        {"musr", 1.0, {"asy", "lambda", "nu", "phi", "bkg"}, {0.2, 0.5, 1.3, 0.0, 0.0},
         {0.02, 0.05, 0.05, 0.1, 0.01}, {0, 0, 0, 0, 0}, {0.5, 0, 0, 0, 0}, musr},
    };
    return p;
}

}  // namespace mnp
