// CRC-16/ARC: reflected polynomial 0xA001, the given start value, no final
// xor ("123456789" from 0 gives 0xBB3D).  The thin client's frames and the
// keyed files' dictionary check value use it.  Header-only, so that the
// keyed engine, which links nothing of the interpreter, shares this copy.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>

namespace crc16_detail {

constexpr uint16_t byte_entry(unsigned v) {
  uint16_t c = uint16_t(v);
  for (int k = 0; k < 8; k++) c = (c & 1) ? uint16_t((c >> 1) ^ 0xA001) : uint16_t(c >> 1);
  return c;
}

// low[i] is the byte-table entry for i, high[i] the entry for 16 * i; the
// table is linear over xor, so entry(x) = low[x & 15] ^ high[x >> 4].
constexpr std::array<uint16_t, 16> make_table(unsigned step) {
  std::array<uint16_t, 16> t{};
  for (unsigned i = 0; i < 16; i++) t[i] = byte_entry(i * step);
  return t;
}
inline constexpr auto low = make_table(1);
inline constexpr auto high = make_table(16);

}  // namespace crc16_detail

inline uint16_t crc16(const uint8_t* buf, size_t len, uint16_t start) {
  uint16_t crc = start;
  for (size_t i = 0; i < len; i++) {
    unsigned x = (buf[i] ^ crc) & 0xFF;
    crc = uint16_t((crc >> 8) ^ crc16_detail::low[x & 15] ^ crc16_detail::high[x >> 4]);
  }
  return crc;
}
