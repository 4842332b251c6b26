// CVS(: changing a string by mode bits, and converting text between
// encodings and code pages.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

// Encoding codes of the conversion names; a code page is its number (> 0).
enum : int {
  ENC_ANSI = -1,  // also ASCII and NATIVE (NATIVE is UTF8 under the UTF-8 mode)
  ENC_BASE64 = -2,
  ENC_UUENCODE = -3,
  ENC_UNICODE = -4,
  ENC_UTF8 = -5,
  ENC_URL = -6,
  ENC_BASE64URL = -7,
  ENC_BASE64ANY = -8,
  ENC_XML = -9,
  ENC_RTF = -10,
};

constexpr int CVS_MODE_MAX = 4096;

// s changed by the mode bits (1 strip leading, 2 trailing pad bytes, 4 upper,
// 8 lower case, 16 unprintable bytes to pad, 32 runs of pad to one, 256 word
// capitals, 512 accents folded, 64 / 128 to / from the locale's number
// characters).  utf8: the case changes touch only bytes below 0x80.
std::string Cvs_modes(const uint8_t* s, size_t len, int mode, uint8_t pad, bool utf8);

// The encoding code of a name (case-blind); error 43 for an unknown name.
int Cvs_encoding(const uint8_t* name, size_t len);
// Converts between the encodings named by names ("FROM-TO", or separated by
// ":", "=" or a space).  width: Base64 line width (0 none).  Errors: 46
// (empty names), 43 (unknown name, no separator, RTF as target, missing
// code-page file), 17 (a malformed XML entity).
std::string KestCVSTranslate(const uint8_t* src, size_t len, const uint8_t* names,
                             size_t names_len, int width);
