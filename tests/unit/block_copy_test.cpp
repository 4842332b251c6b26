// Fixed-size block copies and the short compare (core/block_copy.h).
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "core/block_copy.h"

namespace {

// Every length up to past two words, a difference at every position (the
// overlapping last piece must see it, and a run that ends at either end of
// its buffer must not be read past: the buffers are exactly n bytes).
TEST(BlockEqual, EveryLengthAndEveryDifference) {
  for (size_t n = 0; n <= 40; n++) {
    std::vector<unsigned char> a(n), b(n);
    for (size_t i = 0; i < n; i++) a[i] = b[i] = static_cast<unsigned char>('a' + i % 26);
    EXPECT_TRUE(Block_equal(a.data(), b.data(), n)) << n;
    for (size_t i = 0; i < n; i++) {
      b[i] ^= 0x20;
      EXPECT_FALSE(Block_equal(a.data(), b.data(), n)) << n << " at " << i;
      b[i] ^= 0x20;
    }
  }
}

TEST(BlockEqual, OnlyTheGivenBytesCount) {
  const char x[] = "calleeXYZ", y[] = "calleeABC";
  EXPECT_TRUE(Block_equal(x, y, 6));
  EXPECT_FALSE(Block_equal(x, y, 7));
  EXPECT_TRUE(Block_equal(x + 1, y + 1, 5));
  EXPECT_TRUE(Block_equal(x, y, 0));
}

// A copy of N bytes between odd addresses: every byte, nothing before or
// after.
template <size_t N>
void expect_exact_copy() {
  std::vector<unsigned char> from(N + 3), to(N + 5, 0xEE);
  for (size_t i = 0; i < from.size(); i++) from[i] = static_cast<unsigned char>(i * 7 + 1);
  Block_copy<N>(to.data() + 1, from.data() + 3);
  EXPECT_EQ(to[0], 0xEE) << N;
  EXPECT_EQ(std::memcmp(to.data() + 1, from.data() + 3, N), 0) << N;
  for (size_t i = N + 1; i < to.size(); i++) EXPECT_EQ(to[i], 0xEE) << N << " at " << i;
}

// Fewer bytes than a piece, whole pieces, pieces and a tail of every kind
// (a 16-byte half, a few bytes), and a context's size.
TEST(BlockCopy, CopiesWholePiecesAndTheTail) {
  expect_exact_copy<5>();
  expect_exact_copy<16>();
  expect_exact_copy<32>();
  expect_exact_copy<37>();
  expect_exact_copy<48>();
  expect_exact_copy<64>();
  expect_exact_copy<95>();
  expect_exact_copy<240>();
  expect_exact_copy<304>();
}

}  // namespace
