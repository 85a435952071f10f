#ifndef VEMO_NUMERIC_BENCH_ARRAY_LOOPS_HPP
#define VEMO_NUMERIC_BENCH_ARRAY_LOOPS_HPP

// Loops that do what sq_n and sqrt_n do, each compiled in a translation unit
// of its own with the flags its name says, for the array benchmark to set
// against the library.

#include <cstddef>

// What sq_n and sqrt_n are, and every way the benchmarks time beside them.
using ArrayFunction = void (*)(const double* x, std::size_t n, double* y);

// The loops written inline, built with -O3 -march=native -fno-math-errno: as
// fast as the compiler makes them for this machine.
void sq_loop_native(const double* x, std::size_t n, double* y);
void sqrt_loop_native(const double* x, std::size_t n, double* y);

// Eigen's array expressions, built with -O3 -march=native and
// EIGEN_FAST_MATH=0, so that its roots are correctly rounded too.
void sq_eigen_native(const double* x, std::size_t n, double* y);
void sqrt_eigen_native(const double* x, std::size_t n, double* y);

// Eigen's root with its default EIGEN_FAST_MATH, which on AVX-512 machines
// computes double roots from an estimate and two Newton steps: faster, but
// often one unit in the last place off.
void sqrt_eigen_fast_native(const double* x, std::size_t n, double* y);

// The correctly rounded peers, each guarded as sqrt is (+0.0 for negatives
// and NaNs) and built for this machine: SLEEF's vector roots with 0.5 and 3.5
// ulp bounds, Highway's hn::Sqrt and xsimd's xsimd::sqrt.
void sqrt_sleef_u05_native(const double* x, std::size_t n, double* y);
void sqrt_sleef_u35_native(const double* x, std::size_t n, double* y);
void sqrt_highway_native(const double* x, std::size_t n, double* y);
void sqrt_xsimd_native(const double* x, std::size_t n, double* y);

// sqrt_n's AVX-512F kernel of version 1.3.0, kept as the reference that the
// current kernels are measured against.
void sqrt_n_refined_1_3_0(const double* x, std::size_t n, double* y);

#endif  // VEMO_NUMERIC_BENCH_ARRAY_LOOPS_HPP
