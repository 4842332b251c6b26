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

template <size_t N>
[[gnu::always_inline]] inline void Block_copy(void* to, const void* from) {
  constexpr size_t pieces = N / 16, tail = N % 16;
  auto* d = static_cast<unsigned char*>(to);
  const auto* s = static_cast<const unsigned char*>(from);
#pragma GCC unroll 64
  for (size_t i = 0; i < pieces; i++) {
    Block_piece v;
    std::memcpy(&v, s + i * 16, 16);  // unaligned loads and stores: either block may sit anywhere
#if defined(__x86_64__)
    asm("" : "+x"(v));  // kept in a register: the loop is not turned back into a string copy
#endif
    std::memcpy(d + i * 16, &v, 16);
  }
  if constexpr (tail != 0) std::memcpy(d + pieces * 16, s + pieces * 16, tail);
}

// A trivially copyable object copied as its block.
template <class T>
[[gnu::always_inline]] inline void Block_assign(T& to, const T& from) {
  static_assert(std::is_trivially_copyable_v<T>, "a block copy is for plain blocks");
  Block_copy<sizeof(T)>(&to, &from);
}

// Whether n bytes at a and b are the same, compared eight bytes at a time
// (names and short code runs: no call, no set-up).
[[gnu::always_inline]] inline bool Block_equal(const void* x, const void* y, size_t n) {
  const auto* a = static_cast<const unsigned char*>(x);
  const auto* b = static_cast<const unsigned char*>(y);
  for (; n >= 8; a += 8, b += 8, n -= 8) {
    unsigned long long u, v;
    std::memcpy(&u, a, 8);
    std::memcpy(&v, b, 8);
    if (u != v) return false;
  }
  if (n >= 4) {
    unsigned u, v;
    std::memcpy(&u, a, 4);
    std::memcpy(&v, b, 4);
    if (u != v) return false;
    a += 4, b += 4, n -= 4;
  }
  if (n >= 2) {
    unsigned short u, v;
    std::memcpy(&u, a, 2);
    std::memcpy(&v, b, 2);
    if (u != v) return false;
    a += 2, b += 2, n -= 2;
  }
  return n == 0 || *a == *b;
}
