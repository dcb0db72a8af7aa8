// vmath.h -- elementary functions over arrays of doubles, and the choice of vector unit
// that the theory's and the chi-square's kernels follow.
//
// One binary serves every x86-64: the wide set (AVX2 with FMA) is taken when the processor
// has it, otherwise the SSE2 set. AArch64 has one set, Advanced SIMD; any other 64-bit
// target calls the functions one value at a time. Within one process every thread uses the
// same set, so results never depend on which thread computed them.
#pragma once

// y[i] = exp(x[i]) for i < n (within 1 ulp); x and y may be the same array.
void vm_exp(const double* x, double* y, int n);

// y[i] = pow(x[i], p) for i < n (within 1 ulp, the C library's special cases); x and y may
// be the same array.
void vm_pow(const double* x, double p, double* y, int n);

// True while the wide set is in use (never off x86-64).
bool vm_wide();

// Tests and benches: false forces the SSE2 set, true takes the wide one where the
// processor has it. Call only while no kernel runs.
void vm_select(bool wide);

// "AVX2", "SSE2", "AdvSIMD" or "scalar": the set in use, for bench tables.
const char* vm_name();

// Marks a kernel body that is compiled once per vector set: the wide copy is built for
// AVX2 (no FMA: results stay those of the plain arithmetic). Elsewhere both copies are the
// same code.
#if defined(__x86_64__)
#define VM_WIDE_TARGET __attribute__((target("avx2")))
#else
#define VM_WIDE_TARGET
#endif
