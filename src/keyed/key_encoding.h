// Encodings the keyed engine keeps in its files, shared by the engine and its
// channel driver.
//
// Binary-numeric key segments (segment option B with d decimal places): the
// value as right-aligned decimal digits in the segment's length, zero-filled
// on the left ("0000012.50" for 12.5 in ten bytes, two places); a negative
// value has every byte of the segment xor 0x3F, so that it sorts below every
// positive one and below zero; an empty value (blank text, or the empty
// string) is a segment of NUL bytes.  Decoding rewrites a segment in place as
// the text a program reads back: leading zeros blank (but the last digit and
// a zero right before the point), a leading '-' for a negative value.
//
// The dictionary check value: CRC-16/ARC (polynomial 0xA001 reflected,
// given start value, no final xor).
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
