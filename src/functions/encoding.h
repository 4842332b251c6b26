// Check values, packed numbers, byte swapping and key building: the
// algorithms behind CRC(, HSH(, LRC(, GAP(, GEP(, RDX(, PCK(, UPK(, I3E(,
// SWP( and KGN(.  Each works on plain bytes; the function handlers read the
// arguments and place the results.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "core/decimal.h"

// The 2-byte big-endian value of a seed string (exactly 2 bytes, error 46).
uint16_t Seed_value(const uint8_t* s, int64_t len);
// HSH( without an algorithm: for each byte, rotate the 16-bit value left by 1
// when its bit 15 is set, else by 2, then XOR the byte in.
uint16_t Native_hash(const uint8_t* s, size_t len, uint16_t seed);
// Exclusive OR of all bytes (0 for none).
uint8_t Lrc_value(const uint8_t* s, size_t len);
// GAP( (odd) and GEP( (even): bit 7 of every byte becomes the parity bit.
void Set_parity(const uint8_t* s, size_t len, bool odd, uint8_t* out);
// RDX(: 3 characters of the TRX( alphabet per 2 bytes; out holds len / 2 * 3.
// Errors: 46 (odd length), 41 (a value of 64000 or more, which no TRX( text
// gives and which has no characters).
void Radix_text(const uint8_t* s, size_t len, uint8_t* out);
// PCK(: n (0..8) base-100 digit bytes of the integer part of v; fs is the
// field-separator byte.  Errors: 41 (n out of range).
void Pack_number(const Num_val& v, int n, uint8_t fs, uint8_t* out);
// UPK(.  Errors: 46 (more than 8 bytes), 26 (a byte that is no digit).
Num_val Unpack_number(const uint8_t* s, size_t len, uint8_t fs);
// I3E(: a number as a big-endian IEEE 754 double, and back (exactly 8
// bytes, error 46).
void Ieee_bytes(const Num_val& v, uint8_t out[8]);
Num_val Ieee_value(const uint8_t* s, int64_t len);
// SWP( / Swap_it: bit 1 swaps the bytes of each pair, bit 2 the pairs of each
// 4-byte group, bit 4 the halves of each 8-byte group, in that order; bytes
// after the last whole pair or group stay.  Swaps buf in place.
void Swap_it(uint8_t* buf, size_t len, int m);

// KGN(: the value of key k built from a record and a key definition.
struct Key_source {
  const uint8_t* ext = nullptr;  // external key (null: none given)
  size_t ext_len = 0;
  const uint8_t* rec = nullptr;
  size_t rec_len = 0;
  const uint8_t* kdef = nullptr;
  size_t kdef_len = 0;
  int sep = -1;         // field separator; -1: none given (found in the record)
  bool wide = false;    // 8-byte entries (parameter FF 3 or 4)
  bool utf8 = false;    // fields found by the UTF-8 rules
};
// Errors: 41 (no such key, or a key without segments), 47 (a segment of the
// external key when none was given).
std::string Key_build(const Key_source& src, int64_t k);
