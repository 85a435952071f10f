#ifndef VEMO_NUMERIC_X86_SPLIT_KERNELS_HPP
#define VEMO_NUMERIC_X86_SPLIT_KERNELS_HPP

// The kernels of one split on a menu of refined roots: Roots names the
// menu (Roots::split(index)) and the pass over the arrays
// (Roots::each<Refined, Instruction, Stores>(x, n, y, prefetch_bytes)). The
// kernels take any overlap, stream only where the arrays are apart, and ask
// for x's lines as far ahead as their caller says.

#include "array_kernels.hpp"

#ifdef VEMO_NUMERIC_X86_KERNELS

#include "x86/kernels.hpp"
#include "x86/lane_ops.hpp"

#include <array>
#include <cstddef>

namespace vemo {
namespace numeric {
namespace detail {
namespace {

template <class Roots, std::size_t Index, Stores S>
void split_pass(const double* x, std::size_t n, double* y, std::size_t prefetch_bytes) noexcept {
  Roots::template each<Roots::split(Index).refined, Roots::split(Index).instruction, S>(
      x, n, y, prefetch_bytes);
}

// A block copied to the stack is in L1 already: nothing to prefetch.
template <class Roots, std::size_t Index>
void split_pass_from_copy(const double* x, std::size_t n, double* y) noexcept {
  split_pass<Roots, Index, Stores::cached>(x, n, y, 0);
}

template <class Roots, std::size_t Index>
void split_cached(const double* x, std::size_t n, double* y, std::size_t prefetch_bytes) noexcept {
  if (overwrites_unread(x, n, y)) {
    through_copies_from_the_back<split_pass_from_copy<Roots, Index>>(x, n, y);
  } else {
    split_pass<Roots, Index, Stores::cached>(x, n, y, prefetch_bytes);
  }
}

template <class Roots, std::size_t Index>
void split_streaming(const double* x, std::size_t n, double* y,
                     std::size_t prefetch_bytes) noexcept {
  if (apart(x, n, y)) {
    split_pass<Roots, Index, Stores::streaming>(x, n, y, prefetch_bytes);
  } else {
    split_cached<Roots, Index>(x, n, y, prefetch_bytes);
  }
}

template <class Roots, std::size_t Index>
constexpr SplitKernels split_kernels_of() {
  return {Roots::split(Index), split_cached<Roots, Index>, split_streaming<Roots, Index>};
}

// The kernels of every split on the menu of Roots, Count of them: one entry
// per index, made by the compiler, so that the list is never shorter.
template <std::size_t... Index>
struct Indices {};
template <std::size_t Count, std::size_t... Index>
struct IndicesTo : IndicesTo<Count - 1, Count - 1, Index...> {};
template <std::size_t... Index>
struct IndicesTo<0, Index...> {
  using type = Indices<Index...>;
};

// Constant expressions, so that the tables they make are constant-initialised:
// filled before any code of the process runs, static constructors included.
template <class Roots, std::size_t... Index>
constexpr std::array<SplitKernels, sizeof...(Index)> menu_kernels(Indices<Index...> /*indices*/) {
  return {{split_kernels_of<Roots, Index>()...}};
}

template <class Roots, std::size_t Count>
constexpr std::array<SplitKernels, Count> menu_kernels() {
  return menu_kernels<Roots>(typename IndicesTo<Count>::type{});
}

}  // namespace
}  // namespace detail
}  // namespace numeric
}  // namespace vemo

#endif  // VEMO_NUMERIC_X86_KERNELS

#endif  // VEMO_NUMERIC_X86_SPLIT_KERNELS_HPP
