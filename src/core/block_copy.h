// Copies of a fixed-size plain block (a saved context, the I/O area) as a
// straight run of 32-byte pieces.  The compiler's own copy of a block of a
// few hundred bytes is usually a string instruction whose start-up costs
// more than the copy, and the library's copy spends a good part of its work
// choosing how to copy; a block saved and restored around every nested call
// is worth the straight line.  Each piece is a plain struct moved with
// std::memcpy: the compiler picks the widest moves the target has (one
// 32-byte move, or two of 16 bytes; CMakeLists.txt's ORU_NATIVE).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>

struct Block_piece {
  uint64_t w[4];
};
static_assert(sizeof(Block_piece) == 32, "a piece is 32 bytes");

template <size_t N>
[[gnu::always_inline]] inline void Block_copy(void* to, const void* from) {
  constexpr size_t width = sizeof(Block_piece);
  constexpr size_t done = N / width * width;
  auto* d = static_cast<unsigned char*>(to);
  const auto* s = static_cast<const unsigned char*>(from);
#pragma GCC unroll 64
  for (size_t i = 0; i < N / width; i++) {
    Block_piece v;
    std::memcpy(&v, s + i * width, width);  // either block may sit anywhere
    std::memcpy(d + i * width, &v, width);
  }
  if constexpr (N != done) std::memcpy(d + done, s + done, N - done);
}

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
