#ifndef VEMO_NUMERIC_X86_DISPATCH_HPP
#define VEMO_NUMERIC_X86_DISPATCH_HPP

// sq_n, sqrt_n and array_kernel() on x86: which kernel each call takes.

#include "array_kernels.hpp"

#ifdef VEMO_NUMERIC_X86_KERNELS

#include <cstddef>

namespace vemo {
namespace numeric {
namespace detail {

void sq_n_x86(const double* x, std::size_t n, double* y) noexcept;
void sqrt_n_x86(const double* x, std::size_t n, double* y) noexcept;
const char* array_kernel_x86() noexcept;

}  // namespace detail
}  // namespace numeric
}  // namespace vemo

#endif  // VEMO_NUMERIC_X86_KERNELS

#endif  // VEMO_NUMERIC_X86_DISPATCH_HPP
