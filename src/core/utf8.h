// UTF-8 helpers for the string functions in UTF-8 mode (ws.Utf8_mode).
// A lead byte 192..223 starts a 2-byte sequence, 224..239 a 3-byte one,
// 240..255 a 4-byte one; continuation bytes are 10xxxxxx.  With bit 2 of
// ws.Utf8_mode a malformed or cut sequence is error 5, else the lead byte
// counts as one character.
#pragma once
#include <cstddef>
#include <cstdint>

int KestUtf8TrueInc(const uint8_t* s, int end, int start, int n);
const uint8_t* KestUtf8FindSep(const uint8_t* buf, uint8_t sep, int len);
int KestUtf8Field(const uint8_t* buf, uint8_t sep, int len, int field, int* start, int* flen);
int KestUtf8FieldCnt(const uint8_t* buf, uint8_t sep, int len);
int KestUtf8Len(const uint8_t* s, int len);
int KestUtf8Opt(int option_bit);
void KestUtf8CVS();
int KestUtf8ToWide(const uint8_t* s, int len);  // -> 16-bit units, in Utf8_wide_buf()
int KestUtf8FromWide(const uint16_t* w, int len);  // -> bytes, in Utf8_narrow_buf()
const uint16_t* Utf8_wide_buf();
const uint8_t* Utf8_narrow_buf();
