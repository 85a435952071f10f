#ifndef VEMO_NUMERIC_BENCH_ARRAY_LOOPS_HPP
#define VEMO_NUMERIC_BENCH_ARRAY_LOOPS_HPP

// Loops that do what sq_n and sqrt_n do, each compiled in a translation unit
// of its own with the flags its name says, for the array benchmark to set
// against the library.

#include <cstddef>

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

#endif  // VEMO_NUMERIC_BENCH_ARRAY_LOOPS_HPP
