// Byte searches a word at a time (core/byte_scan.h), against a plain loop.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
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

// Every byte value against every pattern byte's neighbours, at each of the
// 16 places (the first and last of each word among them): exactly the
// equal bytes come out as 1, in the word and place they came from, and
// their bits gathered give the same mask as a plain loop.
TEST(ByteScan, Same16MarksEachEqualByteInItsPlace) {
  for (int c = 0; c < 256; c++) {
    uint8_t want[16];
    for (int i = 0; i < 16; i++) want[i] = uint8_t(c);
    const std::vector<uint8_t> other = neighbours(uint8_t(c));
    for (unsigned pattern : {0x0000u, 0x0001u, 0x0080u, 0x0100u, 0x8000u, 0x8001u, 0x0180u, 0xFFFFu, 0x5A5Au, 0xA5A5u}) {
      uint8_t p[16];
      for (int i = 0; i < 16; i++) {
        const uint8_t o = other[(i + pattern) % other.size()];
        p[i] = (pattern >> i & 1) ? uint8_t(c) : o == uint8_t(c) ? uint8_t(c + 1) : o;
      }
      uint64_t hits[2];
      Byte_same16(p, want, hits);
      for (int i = 0; i < 16; i++)
        ASSERT_EQ((hits[i / 8] >> (8 * (i % 8))) & 0xFF, pattern >> i & 1) << "byte " << c << " place " << i;
      ASSERT_EQ(Byte_bits(hits[0]) | Byte_bits(hits[1]) << 8, pattern) << "byte " << c;
      // Against two patterns: the places equal to either.  The second
      // pattern matches in places 3 and 12 only (elsewhere a byte that p
      // does not hold).
      int none = 0;
      while (std::count(p, p + 16, uint8_t(none))) none++;
      uint8_t second[16];
      for (int i = 0; i < 16; i++) second[i] = uint8_t(none);
      second[3] = p[3];
      second[12] = p[12];
      // The 0xFF forms: the same places, each byte 0xFF or 0, and the
      // first place found by Byte_at16 from whichever word holds it (in
      // either form).
      uint64_t eq[2], eq_either[2];
      Byte_eq16(p, want, eq);
      Byte_eq16_either(p, want, second, eq_either);
      for (int i = 0; i < 16; i++) {
        ASSERT_EQ((eq[i / 8] >> (8 * (i % 8))) & 0xFF, (pattern >> i & 1) * 0xFFu) << "byte " << c << " place " << i;
        ASSERT_EQ((eq_either[i / 8] >> (8 * (i % 8))) & 0xFF, ((pattern | 0x1008u) >> i & 1) * 0xFFu)
            << "byte " << c << " place " << i;
      }
      if (pattern) {
        ASSERT_EQ(Byte_at16(eq), size_t(std::countr_zero(pattern))) << "byte " << c;
        ASSERT_EQ(Byte_at16(hits), size_t(std::countr_zero(pattern))) << "byte " << c;
        ASSERT_EQ(Byte_at16(eq_either), size_t(std::countr_zero(pattern | 0x1008u))) << "byte " << c;
      }
    }
  }
}

// Each pattern byte is compared with the byte in its own place only.
TEST(ByteScan, Same16ComparesPlaceByPlace) {
  uint8_t p[16], want[16];
  for (int i = 0; i < 16; i++) p[i] = want[i] = uint8_t(i * 17);
  want[15] = 0;  // the last place differs, its value is in place 0
  uint64_t hits[2];
  Byte_same16(p, want, hits);
  EXPECT_EQ(Byte_bits(hits[0]) | Byte_bits(hits[1]) << 8, 0x7FFFu);
}

// Every one of the 256 masks of a word, each byte 0 or 1, gathered.
TEST(ByteScan, BitsGathersEveryMask) {
  for (unsigned m = 0; m < 256; m++) {
    uint64_t w = 0;
    for (int i = 0; i < 8; i++) w |= uint64_t(m >> i & 1) << (8 * i);
    ASSERT_EQ(Byte_bits(w), m);
  }
}

}  // namespace
