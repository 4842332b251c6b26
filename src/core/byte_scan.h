// Byte searches a word (8 bytes) at a time, in plain C++: which bytes of a
// word equal a given byte, as a bit mask (bit i: byte i), and the first
// such byte of a run; and which of 16 bytes equal 16 others, a loop the
// compiler does as one 16-byte compare.  Lines and fields are a few dozen
// bytes: a call to the library's search and the registers its caller saves
// around it cost more than the search.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

static_assert(std::endian::native == std::endian::little, "byte i of a word read from memory is its bits 8i to 8i+7");

// c in every byte of a word.
constexpr uint64_t Byte_spread(uint8_t c) { return uint64_t(0x0101010101010101) * c; }

// The 8 bytes at p as one word (p may sit anywhere).
[[gnu::always_inline]] inline uint64_t Byte_word(const uint8_t* p) {
  uint64_t w;
  std::memcpy(&w, p, sizeof w);
  return w;
}

// The top bit of every byte of w that is zero, and no other bit.  (No
// carry crosses a byte: each byte's low seven bits are added apart.)
constexpr uint64_t Byte_zeros(uint64_t w) {
  constexpr uint64_t low7 = 0x7F7F7F7F7F7F7F7F;
  return ~(((w & low7) + low7) | w | low7);
}

// Not zero when a byte of w is zero: then its lowest set bit is the top bit
// of the lowest zero byte (bits above it may be set for other bytes).
// Cheaper than Byte_zeros where only the first zero byte counts.
constexpr uint64_t Byte_zero_first(uint64_t w) {
  return (w - uint64_t(0x0101010101010101)) & ~w & uint64_t(0x8080808080808080);
}

// The place (0 to 7) of the byte whose top bit is the lowest set bit of z.
constexpr int Byte_place(uint64_t z) { return std::countr_zero(z) >> 3; }

// Byte_place of the lowest byte that is not zero, as a size: added to a
// pointer with no widening between (a line's end found this way is where
// the next line starts, which the next search waits for).
constexpr size_t Byte_at(uint64_t z) { return size_t(unsigned(std::countr_zero(z))) >> 3; }

// The bytes of the word at p equal to the byte spread over `spread`: bit i
// set when byte i is.  (The top bits gathered into the product's top byte
// by one multiplication: byte i's bit lands on bit 56 + i, no two on one.)
[[gnu::always_inline]] inline unsigned Byte_match8(const uint8_t* p, uint64_t spread) {
  const uint64_t z = Byte_zeros(Byte_word(p) ^ spread);
  return unsigned(((z >> 7) * uint64_t(0x0102040810204080)) >> 56);
}

// The bytes of w, each 0 or 1, as a bit mask (bit i: byte i).  (One
// multiplication gathers them into the product's top byte: byte i's bit
// lands on bit 56 + i, no two on one, and no carry reaches the top byte.)
constexpr unsigned Byte_bits(uint64_t w) { return unsigned((w * uint64_t(0x0102040810204080)) >> 56); }

// Which of the 16 bytes at p equal the 16 at want (byte i against byte i):
// word j of hits holds bytes 8j to 8j+7, each 1 when equal, else 0.  A
// loop of a fixed count over bytes with no exit, which the compiler does
// 16 bytes at a time where the processor compares that many at once.
[[gnu::always_inline]] inline void Byte_same16(const uint8_t* p, const uint8_t* want, uint64_t hits[2]) {
  uint8_t same[16];
  for (int i = 0; i < 16; i++) same[i] = uint8_t(p[i] == want[i]) & 1;
  std::memcpy(hits, same, sizeof same);
}

// Byte_same16 with 0xFF for each byte found (what the processor's compare
// gives), for callers that only test the words or take a place from them
// (Byte_at16); Byte_eq16_either against two patterns at once, byte i found
// when it equals byte i of either.
[[gnu::always_inline]] inline void Byte_eq16(const uint8_t* p, const uint8_t* want, uint64_t hits[2]) {
  uint8_t same[16];
  for (int i = 0; i < 16; i++) same[i] = uint8_t(-int(p[i] == want[i]));
  std::memcpy(hits, same, sizeof same);
}

[[gnu::always_inline]] inline void Byte_eq16_either(const uint8_t* p, const uint8_t* a, const uint8_t* b,
                                                    uint64_t hits[2]) {
  uint8_t same[16];
  for (int i = 0; i < 16; i++) same[i] = uint8_t(-int((p[i] == a[i]) | (p[i] == b[i])));
  std::memcpy(hits, same, sizeof same);
}

// The place (0 to 15) of the first byte found among the 16 of a
// Byte_same16 or Byte_eq16 (some byte found).
[[gnu::always_inline]] inline size_t Byte_at16(const uint64_t hits[2]) {
  return hits[0] ? Byte_at(hits[0]) : 8 + Byte_at(hits[1]);
}

// The first of the n bytes at p equal to c, or null; never reads outside
// [p, p + n).
[[gnu::always_inline]] inline const uint8_t* Byte_find(const uint8_t* p, size_t n, uint8_t c) {
  const uint64_t spread = Byte_spread(c);
  size_t i = 0;
  for (; i + 8 <= n; i += 8)
    if (const uint64_t z = Byte_zero_first(Byte_word(p + i) ^ spread)) return p + i + Byte_place(z);
  if (i == n) return nullptr;
  if (n >= 8) {
    // The last 8 bytes: the ones before i were searched already.
    const uint64_t z = Byte_zeros(Byte_word(p + n - 8) ^ spread) >> (8 * (8 - (n - i)));
    return z ? p + i + Byte_place(z) : nullptr;
  }
  for (; i < n; i++)
    if (p[i] == c) return p + i;
  return nullptr;
}
