// The engine's names for the encodings it shares with the channel layer
// (channels/key_number.h, core/crc16.h); errors go through Key_error.
#include "keyed/key_encoding.h"

#include "channels/key_number.h"
#include "core/crc16.h"
#include "core/error_numbers.h"
#include "keyed/key_settings.h"

int Key_encode_number(const uint8_t* text, int32_t len, uint8_t* out, int32_t seg_len, int32_t decimals) {
  int r = Key_number_encode(text, len, out, seg_len, decimals);
  if (r < 0) Key_error(err::STRING_LENGTH);
  return r;
}

bool Key_decode_number(uint8_t* seg, int32_t len) { return Key_number_decode(seg, len); }

uint16_t Key_crc16(const uint8_t* buf, size_t len, uint16_t start) { return crc16(buf, len, start); }
