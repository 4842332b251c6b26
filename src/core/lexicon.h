// The keyword lexicon, loaded from the library file "lextbl.<language>".
//
// File: three sections, each a u16 big-endian length and that many bytes:
//   Lex_tbl   6-byte entries sorted by keyword text:
//             code, second code (0 = none), flags, text length,
//             u16 BE offset of the text in Lex_name (0xFFFF: text follows the entry)
//   Lex_name  the keyword texts
//   Lex_ptrs  for listing: u16 BE byte offsets (into Lex_tbl) of the entry to
//             print for each code; 0xFFFE prints nothing, 0xFFFF is error 49.
//             LEX_PTRS_SIZE bytes: bank 0 (256 slots) for single codes, then
//             one 256-slot bank per prefix of LEX_BANK_PREFIX, in that order,
//             indexed by the second byte.
// Invariants checked by Load_lex: entries are sorted by their first byte, every
// text lies inside Lex_name and is 1..255 bytes, every pointer is 0xFFFE,
// 0xFFFF or the offset of an entry.
// Entry flags: 64 only used for listing; 16 the word followed by "'" is an
// object name; 8 the word may be a label; 4 a word of one directive's own
// (matched only where that directive's operands are read, never listed by
// its code alone: the lister asks for it with Lex_own_text).
#pragma once
#include <cstddef>
#include <cstdint>
#include <string_view>

enum : uint8_t {
  LEX_LIST_ONLY = 64,
  LEX_OBJECT_NAME = 16,
  LEX_MAY_BE_LABEL = 8,
  LEX_OWN_WORD = 4,
};

// Codes followed by a second byte that selects the keyword to list.
inline constexpr uint8_t LEX_BANK_PREFIX[] = {12, 35, 72, 132, 149, 251, 254};
inline constexpr size_t LEX_BANKS = 1 + sizeof LEX_BANK_PREFIX;
inline constexpr size_t LEX_PTRS_SIZE = LEX_BANKS * 512;
// Bank of a code (0: a single code).
inline constexpr size_t Lex_bank(uint8_t code) {
  for (size_t i = 0; i < sizeof LEX_BANK_PREFIX; ++i)
    if (LEX_BANK_PREFIX[i] == code) return i + 1;
  return 0;
}

struct Lex_match {
  uint8_t code = 0;   // 0: no keyword at this position
  uint8_t code2 = 0;  // second code of a two-byte keyword (0: none)
  uint8_t flags = 0;
  int consumed = 0;   // input bytes covered (blank runs included)
};

int Init_lex();                   // language from ORULANG, LANG, else "en"; 0 or an error
int Load_lex(const char* path);   // 0, 12 (no file) or 13 (file too short)
void Clear_lex();
bool Lex_loaded();
// Looks up the keyword at p (n bytes of input remain).  prev_dcolon: the word
// follows "::".  The longest matching keyword wins.  own_words: the words
// of a directive's own (flag 4) take part.
Lex_match Find_lex(const uint8_t* p, size_t n, bool prev_dcolon, bool own_words = false);
// The text of the directive's own word of a single code (empty: none).
std::string_view Lex_own_text(uint8_t code);
// The listing text of a code (code2 for two-byte forms).  Empty view with
// *nothing set for 0xFFFE; raises error 49 for 0xFFFF.
std::string_view Lex_text(uint8_t code, uint8_t code2, bool* nothing = nullptr);
// User aliases (ULEX): alias takes the code, second code and flags of the
// lexicon entry (entries 1 and up) whose text equals keyword exactly.  Aliases
// are tried before the lexicon, newest first.  Returns 0, 46 (empty alias),
// 64 (no lexicon) or 71 (no such keyword).
int Lex_add_alias(std::string_view alias, std::string_view keyword);
void Lex_clear_aliases();
