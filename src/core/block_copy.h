// Copies of a fixed-size plain block (a saved context, the I/O area) in
// 16-byte pieces written out in full.  The compiler's own copy of a block of
// a few hundred bytes is a string instruction whose start-up costs more than
// the copy, and the library's copy spends a good part of its work choosing
// how to copy; a block saved and restored around every nested call is worth
// the straight line.
#pragma once

#include <cstddef>
#include <cstring>
#include <type_traits>

typedef unsigned char Block_piece __attribute__((vector_size(16)));

// The whole Piece-sized pieces of an N-byte block (N / sizeof(Piece) of
// them); the caller copies what is left.
template <size_t N, class Piece>
[[gnu::always_inline]] inline void Block_copy_pieces(unsigned char* d, const unsigned char* s) {
  constexpr size_t width = sizeof(Piece);
#pragma GCC unroll 64
  for (size_t i = 0; i < N / width; i++) {
    Piece v;
    std::memcpy(&v, s + i * width, width);  // unaligned loads and stores: either block may sit anywhere
#if defined(__x86_64__)
    asm("" : "+x"(v));  // kept in a register: the loop is not turned back into a string copy
#endif
    std::memcpy(d + i * width, &v, width);
  }
}

template <size_t N>
[[gnu::always_inline]] inline void Block_copy(void* to, const void* from) {
  constexpr size_t done = N / 16 * 16;
  auto* d = static_cast<unsigned char*>(to);
  const auto* s = static_cast<const unsigned char*>(from);
  Block_copy_pieces<N, Block_piece>(d, s);
  if constexpr (N != done) std::memcpy(d + done, s + done, N - done);
}

#if defined(__x86_64__) && defined(__GNUC__)
#define BLOCK_COPY_WIDE 1
typedef unsigned char Block_piece32 __attribute__((vector_size(32)));

// Block_copy in 32-byte pieces, for the callers compiled for AVX2 (they
// choose it at run time: Block_wide_moves); the rest as Block_copy's.  (No
// target of its own: it is inlined, through the callers' own inline
// helpers, into a function of target "avx2", and never compiled elsewhere.)
template <size_t N>
[[gnu::always_inline]] inline void Block_copy_wide(void* to, const void* from) {
  constexpr size_t done = N / 32 * 32;
  auto* d = static_cast<unsigned char*>(to);
  const auto* s = static_cast<const unsigned char*>(from);
  Block_copy_pieces<N, Block_piece32>(d, s);
  if constexpr (N != done) Block_copy<N - done>(d + done, s + done);
}

// Block_copy_wide for a caller compiled without AVX2 that runs it only where
// Block_wide_moves holds: each piece moves through ymm15 in assembly, so
// the compiler sees no 32-byte value (an AVX2 function holding one keeps a
// realigned stack frame).  The caller ends its run of these moves with
// Block_wide_done before its own code goes on (the upper halves are left
// set until then).
struct [[gnu::may_alias]] Block_piece32_mem {
  unsigned char b[32];
};
template <size_t N>
[[gnu::always_inline]] inline void Block_copy_ymm(void* to, const void* from) {
  constexpr size_t done = N / 32 * 32;
  auto* d = static_cast<unsigned char*>(to);
  const auto* s = static_cast<const unsigned char*>(from);
#pragma GCC unroll 64
  for (size_t i = 0; i < N / 32; i++)
    asm volatile("vmovdqu %1, %%ymm15\n\tvmovdqu %%ymm15, %0"
                 : "=m"(*reinterpret_cast<Block_piece32_mem*>(d + i * 32))
                 : "m"(*reinterpret_cast<const Block_piece32_mem*>(s + i * 32))
                 : "xmm15");
  if constexpr (N != done) Block_copy<N - done>(d + done, s + done);
}
// The end of a run of Block_copy_ymm moves: the upper halves cleared.
[[gnu::always_inline]] inline void Block_wide_done() { asm volatile("vzeroupper"); }

// Whether the processor moves 32 bytes at once (AVX2), unless ORUNOAVX2 is
// set (non-empty), so that the tests can run the 16-byte form on such a
// processor too.  Decided once, at start-up (core/memory.cpp).
extern const bool Block_wide_moves;
#else
// No 32-byte form: the callers' wide forms are the 16-byte ones.
constexpr bool Block_wide_moves = false;
template <size_t N>
[[gnu::always_inline]] inline void Block_copy_wide(void* to, const void* from) {
  Block_copy<N>(to, from);
}
template <size_t N>
[[gnu::always_inline]] inline void Block_copy_ymm(void* to, const void* from) {
  Block_copy<N>(to, from);
}
[[gnu::always_inline]] inline void Block_wide_done() {}
#endif

// A trivially copyable object copied as its block.
template <class T>
[[gnu::always_inline]] inline void Block_assign(T& to, const T& from) {
  static_assert(std::is_trivially_copyable_v<T>, "a block copy is for plain blocks");
  Block_copy<sizeof(T)>(&to, &from);
}

// Whether n bytes at a and b are the same, compared eight bytes at a time
// (names and short code runs: no call, no set-up).  The last piece of a
// run of 2 bytes or more overlaps the one before it (a 6-byte name is two
// 4-byte compares), so nothing is read past either end.
template <class W>
[[gnu::always_inline]] inline bool Block_same_word(const unsigned char* a, const unsigned char* b) {
  W u, v;
  std::memcpy(&u, a, sizeof u);
  std::memcpy(&v, b, sizeof v);
  return u == v;
}

[[gnu::always_inline]] inline bool Block_equal(const void* x, const void* y, size_t n) {
  const auto* a = static_cast<const unsigned char*>(x);
  const auto* b = static_cast<const unsigned char*>(y);
  if (n >= 8) {
    for (size_t i = 0; i + 8 < n; i += 8)
      if (!Block_same_word<unsigned long long>(a + i, b + i)) return false;
    return Block_same_word<unsigned long long>(a + n - 8, b + n - 8);
  }
  if (n >= 4) return Block_same_word<unsigned>(a, b) && Block_same_word<unsigned>(a + n - 4, b + n - 4);
  if (n >= 2) return Block_same_word<unsigned short>(a, b) && Block_same_word<unsigned short>(a + n - 2, b + n - 2);
  return n == 0 || *a == *b;
}
