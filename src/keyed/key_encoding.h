// Encodings the keyed engine keeps in its files, under the engine's names:
// binary-numeric key segments (drawn in channels/key_number.h, whose one
// copy the channel layer uses as EncodeBinNumSeg/DecodeBinNumSeg) and the
// dictionary check value, CRC-16/ARC (core/crc16.h).  Both are header-only,
// so the engine links nothing of the interpreter for them.
#pragma once
#include <cstddef>
#include <cstdint>

// Encodes text (len bytes) into out (seg_len bytes) with `decimals` places.
// Returns 1 for an empty or zero value, 0 otherwise.  A value that does not
// fit (a negative one also needs room for its sign when shown again) is
// error 46 and nothing is written.
int Key_encode_number(const uint8_t* text, int32_t len, uint8_t* out, int32_t seg_len, int32_t decimals);
// Rewrites an encoded segment in place as right-aligned text; NUL bytes
// become blanks.  Returns false, leaving the segment unchanged, when it holds
// no value that can be shown in its length.
bool Key_decode_number(uint8_t* seg, int32_t len);

uint16_t Key_crc16(const uint8_t* buf, size_t len, uint16_t start);
