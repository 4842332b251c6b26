// UTF-8 helpers for the string functions in UTF-8 mode (ws.Utf8_mode).
// A lead byte 192..223 starts a 2-byte sequence, 224..239 a 3-byte one,
// 240..255 a 4-byte one; continuation bytes are 10xxxxxx.  A sequence is
// valid when all its continuation bytes are present.  With UTF8_STRICT in
// ws.Utf8_mode a malformed or cut sequence (or a stray continuation byte) is
// error 5; otherwise the offending byte counts as one character.
#pragma once
#include <cstddef>
#include <cstdint>

#include "core/decimal.h"

// ws.Utf8_mode bits (system parameter U8)
enum : uint32_t {
  UTF8_STRICT = 2,   // malformed sequences are error 5
  UTF8_POS = 4,      // POS( works on characters
  UTF8_MID = 8,      // MID( lengths count characters
  UTF8_SUBSTR = 16,  // substring lengths count characters
  UTF8_CASE = 32,    // LCS( / UCS( change only bytes below 0x80
};

// Bytes covering n characters from start (walking no further than end), plus
// one for each character still missing when the text ends first.
int KestUtf8TrueInc(const uint8_t* s, int end, int start, int n);
// First separator byte outside multi-byte sequences, or null.
const uint8_t* KestUtf8FindSep(const uint8_t* buf, uint8_t sep, int len);
// Field number field (from 1): 1 and its start and length when it exists, else 0.
int KestUtf8Field(const uint8_t* buf, uint8_t sep, int len, int field, int* start, int* flen);
// Separators + 1, less one when the text ends with a separator.
int KestUtf8FieldCnt(const uint8_t* buf, uint8_t sep, int len);
int KestUtf8Len(const uint8_t* s, int len);
int KestUtf8Opt(int option_bit);

// CVS(number): the UTF-8 bytes of the code point in ws.Num_acc become the
// string accumulator.
void KestUtf8CVS();
// Text of several code points, built in 200 bytes of the work area and moved
// into a temporary of twice the size whenever fewer than 4 bytes remain.
struct Utf8_text {
  uint8_t* buf = nullptr;
  uint32_t cap = 0;
  uint32_t len = 0;
};
void Utf8_text_begin(Utf8_text& t);
void Utf8_text_add(Utf8_text& t, uint32_t code_point);  // error 41 at 0x200000 and above
void Utf8_text_end(Utf8_text& t);  // the text becomes the string accumulator
// Integer code point of a number (truncated); error 41 when negative or too large.
uint32_t Utf8_code_point(const Num_val& v);

// Conversions through process-wide buffers that stay valid until the next
// conversion of the same direction (fewer than 512 characters use a static
// buffer, longer texts a kept block).  len -1: the input is terminated.
// ToWide: byte 128 becomes U+20AC, a valid sequence led by a byte above 192
// is decoded (its low 16 bits kept), any other byte stands for itself; a zero
// unit follows.  FromWide: each unit becomes 1 to 3 bytes of UTF-8; a NUL
// follows.
int KestUtf8ToWide(const uint8_t* s, int len);  // -> 16-bit units, in Utf8_wide_buf()
int KestUtf8FromWide(const uint16_t* w, int len);  // -> bytes, in Utf8_narrow_buf()
const uint16_t* Utf8_wide_buf();
const uint8_t* Utf8_narrow_buf();
// Frees the kept conversion blocks (shut-down).
void Utf8_release_buffers();
