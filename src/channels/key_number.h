// Binary-numeric key segments (segment option B with d decimal places), the
// one copy of their encoding: the keyed engine keeps them in its files and
// the channel layer builds them for memory files and KEY= given in parts.
//
// The value is right-aligned decimal digits in the segment's length,
// zero-filled on the left ("0000012.50" for 12.5 in ten bytes, two places),
// so that byte order is numeric order; a negative value has every byte of
// the segment xor 0x3F, so that it sorts below zero and every positive one;
// an empty value (blank text, or the empty string) is a segment of NUL
// bytes.  Decoding rewrites a segment in place as the text a program reads
// back: leading zeros blank (but the last digit and a zero right before the
// point), a leading '-' for a negative value.
//
// Header-only and free of the interpreter: the keyed engine (library
// orukeyed, which links nothing of the interpreter) includes it too.  The
// functions raise nothing; each caller raises its own way.
#pragma once
#include <cctype>
#include <cstdint>
#include <cstring>
#include <string>

// Encodes text (len bytes) into out (seg_len bytes) with `decimals` places.
// Returns 1 for an empty or zero value, 0 otherwise, and -1, writing
// nothing, for a value that does not fit (a negative one also needs room
// for the sign, and the "0" before the point, shown when it is read back).
inline int Key_number_encode(const uint8_t* text, int32_t len, uint8_t* out, int32_t seg_len, int32_t decimals) {
  if (seg_len <= 0) return 1;
  while (len > 0 && text[len - 1] == ' ') len--;
  int32_t i = 0;
  while (i < len && text[i] == ' ') i++;
  if (i >= len || text[i] == 0) {
    std::memset(out, 0, size_t(seg_len));
    return 1;
  }
  bool neg = false;
  if (text[i] == '+' || text[i] == '-') neg = text[i++] == '-';
  while (i < len && text[i] == '0') i++;
  std::string num;
  while (i < len && std::isdigit(text[i])) num += char(text[i++]);
  bool int_empty = num.empty();
  bool nonzero = !num.empty();
  if (decimals > 0) {
    num += '.';
    int32_t d = 0;
    if (i < len && text[i] == '.') {
      i++;
      for (; d < decimals && i < len && std::isdigit(text[i]); d++, i++) {
        if (text[i] != '0') nonzero = true;
        num += char(text[i]);
      }
    }
    for (; d < decimals; d++) num += '0';
  }
  int32_t need = int32_t(num.size());
  if (neg && nonzero) need += 1 + (int_empty && decimals > 0 ? 1 : 0);
  if (need > seg_len) return -1;
  std::memset(out, '0', size_t(seg_len));
  std::memcpy(out + seg_len - int32_t(num.size()), num.data(), num.size());
  if (neg && nonzero)
    for (int32_t k = 0; k < seg_len; k++) out[k] ^= 0x3F;
  return nonzero ? 0 : 1;
}

// Rewrites an encoded segment in place as right-aligned text; NUL bytes
// become blanks.  Returns false, leaving the segment unchanged, when it holds
// no value that can be shown in its length.
inline bool Key_number_decode(uint8_t* seg, int32_t len) {
  if (len <= 0) return true;
  bool all_nul = true;
  for (int32_t k = 0; k < len; k++)
    if (seg[k] != 0) all_nul = false;
  if (all_nul) {
    std::memset(seg, ' ', size_t(len));
    return true;
  }
  bool neg = !(std::isdigit(seg[0]) || seg[0] == '.');
  if (neg)
    for (int32_t k = 0; k < len; k++) seg[k] ^= 0x3F;
  // Leading zeros become blanks, except the last byte and a zero right
  // before the point.
  int32_t i = 0;
  while (i < len - 1 && seg[i] == '0' && seg[i + 1] != '.') i++;
  if (neg && i == 0) {
    for (int32_t k = 0; k < len; k++) seg[k] ^= 0x3F;  // no room for the sign
    return false;
  }
  std::memset(seg, ' ', size_t(i));
  if (neg) seg[i - 1] = '-';
  return true;
}
