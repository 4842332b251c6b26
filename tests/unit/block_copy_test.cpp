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

TEST(BlockCopy, CopiesWholePiecesAndTheTail) {
  unsigned char from[40], to[48];
  for (int i = 0; i < 40; i++) from[i] = static_cast<unsigned char>(i + 1);
  std::memset(to, 0xEE, sizeof to);
  Block_copy<37>(to + 1, from);
  EXPECT_EQ(to[0], 0xEE);
  EXPECT_EQ(std::memcmp(to + 1, from, 37), 0);
  EXPECT_EQ(to[38], 0xEE);
}

}  // namespace
