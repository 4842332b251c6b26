// Encodings the keyed engine keeps in its files (key_encoding.h draws them).
#include "keyed/key_encoding.h"

#include <cctype>
#include <cstring>
#include <string>

#include "keyed/key_settings.h"

int Key_encode_number(const uint8_t* text, int32_t len, uint8_t* out, int32_t seg_len, int32_t decimals) {
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
  // Room: the text itself, and for a negative value the sign (and the "0"
  // before the point) that decoding puts in front of it.
  int32_t need = int32_t(num.size());
  if (neg && nonzero) need += 1 + (int_empty && decimals > 0 ? 1 : 0);
  if (need > seg_len) Key_error(46);
  std::memset(out, '0', size_t(seg_len));
  std::memcpy(out + seg_len - int32_t(num.size()), num.data(), num.size());
  if (neg && nonzero)
    for (int32_t k = 0; k < seg_len; k++) out[k] ^= 0x3F;
  return nonzero ? 0 : 1;
}

bool Key_decode_number(uint8_t* seg, int32_t len) {
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

uint16_t Key_crc16(const uint8_t* buf, size_t len, uint16_t start) {
  uint16_t crc = start;
  for (size_t i = 0; i < len; i++) {
    crc = uint16_t(crc ^ buf[i]);
    for (int k = 0; k < 8; k++) crc = (crc & 1) ? uint16_t((crc >> 1) ^ 0xA001) : uint16_t(crc >> 1);
  }
  return crc;
}
