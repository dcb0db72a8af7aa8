// vmath.cpp -- array exp and pow through SLEEF's vector functions (1-ulp variants): on
// x86-64 four lanes with AVX2 and FMA, else two lanes of SSE2; on AArch64 two lanes of
// Advanced SIMD; elsewhere SLEEF's scalar functions. Each set is called by its own name, not
// through SLEEF's dispatcher, whose first call per function settles a pointer that threads
// would otherwise race to write.
#include "vmath.h"

#include <sleef.h>

#if defined(__x86_64__)
#include <immintrin.h>

// sleef.h declares its four-lane functions only when the whole file is built for AVX; these
// two are called only from functions below that switch AVX2 on.
extern "C" {
__m256d Sleef_expd4_u10avx2(__m256d);
__m256d Sleef_powd4_u10avx2(__m256d, __m256d);
}

#elif defined(__aarch64__)
#include <arm_neon.h>
#endif

// Each function runs whole groups of lanes, then the last, partial group through a padded
// copy, so no lane reads or writes past the arrays.
#define VM_GROUPS(W, load, store, call)                              \
    int i = 0;                                                       \
    for (; i + (W) <= n; i += (W)) store(y + i, call(load(x + i)));  \
    if (i < n) {                                                     \
        double in[W] = {}, out[W];                                   \
        for (int k = 0; i + k < n; ++k) in[k] = x[i + k];            \
        store(out, call(load(in)));                                  \
        for (int k = 0; i + k < n; ++k) y[i + k] = out[k];           \
    }

// The exp and pow of a two-lane set.
#define VM_TWO_LANES(exp_name, pow_name, vec, load, store, set1, sleef_exp, sleef_pow) \
    void exp_name(const double* x, double* y, int n) { VM_GROUPS(2, load, store, sleef_exp) } \
    void pow_name(const double* x, double p, double* y, int n)                 \
    {                                                                          \
        const vec vp = set1(p);                                                \
        const auto call = [vp](vec v) { return sleef_pow(v, vp); };            \
        VM_GROUPS(2, load, store, call)                                        \
    }

#if defined(__x86_64__)

namespace {

bool cpu_wide()
{
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
}

const bool have_wide = cpu_wide();
bool use_wide = have_wide;

__attribute__((target("avx2,fma"))) void exp_avx2(const double* x, double* y, int n)
{
#define CALL(v) Sleef_expd4_u10avx2(v)
    VM_GROUPS(4, _mm256_loadu_pd, _mm256_storeu_pd, CALL)
#undef CALL
}

__attribute__((target("avx2,fma"))) void pow_avx2(const double* x, double p, double* y, int n)
{
    const __m256d vp = _mm256_set1_pd(p);
#define CALL(v) Sleef_powd4_u10avx2(v, vp)
    VM_GROUPS(4, _mm256_loadu_pd, _mm256_storeu_pd, CALL)
#undef CALL
}

VM_TWO_LANES(exp_sse, pow_sse, __m128d, _mm_loadu_pd, _mm_storeu_pd, _mm_set1_pd, Sleef_expd2_u10sse2,
             Sleef_powd2_u10sse2)

}  // namespace

void vm_exp(const double* x, double* y, int n)
{
    if (use_wide) exp_avx2(x, y, n);
    else exp_sse(x, y, n);
}

void vm_pow(const double* x, double p, double* y, int n)
{
    if (use_wide) pow_avx2(x, p, y, n);
    else pow_sse(x, p, y, n);
}

bool vm_wide() { return use_wide; }

void vm_select(bool wide) { use_wide = wide && have_wide; }

const char* vm_name() { return use_wide ? "AVX2" : "SSE2"; }

#elif defined(__aarch64__)

// Advanced SIMD is part of every AArch64 processor: nothing to choose at run time.
VM_TWO_LANES(vm_exp, vm_pow, float64x2_t, vld1q_f64, vst1q_f64, vdupq_n_f64, Sleef_expd2_u10advsimd,
             Sleef_powd2_u10advsimd)

bool vm_wide() { return false; }

void vm_select(bool) {}

const char* vm_name() { return "AdvSIMD"; }

#else

void vm_exp(const double* x, double* y, int n)
{
    for (int i = 0; i < n; ++i) y[i] = Sleef_exp_u10(x[i]);
}

void vm_pow(const double* x, double p, double* y, int n)
{
    for (int i = 0; i < n; ++i) y[i] = Sleef_pow_u10(x[i], p);
}

bool vm_wide() { return false; }

void vm_select(bool) {}

const char* vm_name() { return "scalar"; }

#endif

#undef VM_TWO_LANES
#undef VM_GROUPS
