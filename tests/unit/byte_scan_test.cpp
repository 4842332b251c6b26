// Byte searches a word at a time (core/byte_scan.h), against a plain loop.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "core/byte_scan.h"

namespace {

// Bytes next to the one searched for in value (c ^ 1, c ^ 0x80, c - 1,
// c + 1) and the extremes: a test that borrowed across bytes, or saw only
// the low seven bits, would mark some of them.
std::vector<uint8_t> neighbours(uint8_t c) {
  return {uint8_t(c ^ 1), uint8_t(c ^ 0x80), uint8_t(c - 1), uint8_t(c + 1), 0, 0xFF, 0x80, 0x7F};
}

TEST(ByteScan, MatchMarksExactlyTheEqualBytes) {
  for (int c = 0; c < 256; c++) {
    const uint64_t spread = Byte_spread(uint8_t(c));
    const std::vector<uint8_t> other = neighbours(uint8_t(c));
    // Every pattern of equal bytes over the word, the rest taken in turn
    // from the neighbours.
    for (unsigned want = 0; want < 256; want++) {
      uint8_t w[8];
      for (int i = 0; i < 8; i++) w[i] = (want >> i & 1) ? uint8_t(c) : other[(i + want) % other.size()];
      unsigned expect = 0;
      for (int i = 0; i < 8; i++) expect |= unsigned(w[i] == uint8_t(c)) << i;
      ASSERT_EQ(Byte_match8(w, spread), expect) << "byte " << c << " pattern " << want;
    }
  }
}

// Every length up to three words and every place of the byte (or none),
// the run at the end of an allocation of exactly its length, so that a read
// past it is caught under the sanitizers.
TEST(ByteScan, FindIsTheFirstMatchAndReadsOnlyTheRun) {
  for (size_t n = 0; n <= 24; n++) {
    for (size_t at = 0; at <= n; at++) {
      std::unique_ptr<uint8_t[]> buf(new uint8_t[n ? n : 1]);
      for (size_t i = 0; i < n; i++) buf[i] = uint8_t('a' + i % 7);
      if (at < n) buf[at] = '\n';
      if (at + 3 < n) buf[at + 3] = '\n';  // a later one is not the answer
      const uint8_t* hit = Byte_find(buf.get(), n, '\n');
      if (at < n) {
        EXPECT_EQ(hit, buf.get() + at) << n << " " << at;
      } else {
        EXPECT_EQ(hit, nullptr) << n;
      }
    }
  }
}

// The cheap test's lowest mark is the first equal byte, whatever follows
// it (a byte one above the one searched for, right after it, is marked too:
// only the lowest mark counts).
TEST(ByteScan, ZeroFirstFindsTheFirstEqualByte) {
  for (int c = 0; c < 256; c++) {
    const std::vector<uint8_t> other = neighbours(uint8_t(c));
    for (int at = 0; at <= 8; at++) {
      uint8_t w[8];
      for (int i = 0; i < 8; i++) w[i] = other[(i + at) % other.size()] == uint8_t(c) ? uint8_t(c + 1) : other[(i + at) % other.size()];
      if (at < 8) w[at] = uint8_t(c);
      if (at + 1 < 8) w[at + 1] = uint8_t(c ^ 1);
      const uint64_t z = Byte_zero_first(Byte_word(w) ^ Byte_spread(uint8_t(c)));
      if (at < 8) {
        ASSERT_NE(z, 0u) << c << " " << at;
        ASSERT_EQ(Byte_place(z), at) << c;
      } else {
        ASSERT_EQ(z, 0u) << c;
      }
    }
  }
}

TEST(ByteScan, FindTellsNeighboursApart) {
  // 0x8A (a field separator) among bytes that differ from it in one bit.
  const uint8_t run[] = {0x8B, 0x0A, 0x88, 0x89, 0xCA, 0x8E, 0x9A, 0x0B, 0x8B, 0x8A, 0x01};
  EXPECT_EQ(Byte_find(run, sizeof run, 0x8A), run + 9);
  EXPECT_EQ(Byte_find(run, 9, 0x8A), nullptr);
  EXPECT_EQ(Byte_find(run, sizeof run, 0x00), nullptr);
  EXPECT_EQ(Byte_find(run, sizeof run, 0x01), run + 10);
}

}  // namespace
