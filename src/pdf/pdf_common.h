// Helpers both PDF back ends share: font-flag letters, the option long
// mnemonic's argument and bookmark paths.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// Style flags of a font slot
enum : uint32_t {
  PFF_BOLD = 0x1,
  PFF_ITALIC = 0x2,
  PFF_PROPORTIONAL = 0x4,  // library back end: decided by the font
  PFF_CENTRE = 0x10,
  PFF_RIGHT = 0x20,
  PFF_WRAP = 0x40,
  PFF_UNDERLINE = 0x80,
  PFF_REVERSE = 0x100,     // set and cleared by 'BR' / 'ER'
  PFF_AMPERSAND = 0x200,
  PFF_NUMERIC = 0x400,
  PFF_BACKGROUND = 0x8000,
};

// Applies flag letters (B I C R L # N W U _ & S, any case; others ignored)
// to flags and returns the result.
uint32_t Pdf_font_flag_letters(const uint8_t* p, size_t n, uint32_t flags);

// The argument of the option long mnemonic (operations 40 and 45): one byte
// with the name's length, the name, then the value with a length prefix of
// one byte (wide: four bytes big-endian).  False when the lengths disagree
// with the argument (the caller raises error 29).
bool Pdf_option_arg(const uint8_t* p, uint32_t n, bool wide, std::string& name, std::string& value);

// The titles of a bookmark path: runs of bytes of 32 or more, separated by
// any byte below 32 (empty runs dropped).
std::vector<std::string> Pdf_bookmark_titles(const std::string& value);
