// The pieces of READ that its general path (record_io.cpp) and its kept
// fast path (read_sites.cpp) share: the inline field helpers (a field cut
// from a record, a plain number read, a short copy, the usual assignments),
// the bytes of the line left after the fields taken, and the general path
// itself.  Private to the channel layer.
#pragma once

#include <cstdint>
#include <cstring>

#include "core/byte_scan.h"
#include "core/codes.h"
#include "core/memory.h"
#include "core/variables.h"
#include "core/workspace.h"

// The bytes of the last line READ took that its items left unread
// (Rd_unconsumed).
extern int32_t Read_unconsumed;  // (record_io.cpp)

// READ, EXTRACT or FIND past READ's fast path (read_stmt: the statement is
// READ itself, at ws.Stmt_ptr): the current-I/O area set, the record read
// and its items assigned.
void Read_general(bool read_stmt);

namespace {

inline bool stmt_end(uint8_t c) { return c == code::END_SCAN || (Cde_tbl[c] & CC_STMT_END); }

// memchr, inline (core/byte_scan.h): a line and its fields are a few dozen
// bytes.
[[gnu::always_inline]] inline const uint8_t* find_byte(const uint8_t* p, size_t n, uint8_t c) {
  return Byte_find(p, n, c);
}

// READ's usual item: a string or numeric scalar named by its index (code,
// 0x80|high, low) that the program may read and assign, not a record,
// template, fixed-length string, read-only variable or array.  Null for
// anything else (read_target takes those, with their errors).
[[gnu::always_inline]] inline Var_node* plain_var(uint8_t type, uint32_t idx) {
  Var_node* node = idx < ws.Var_index_cnt ? ws.Var_index[idx] : nullptr;
  if (!node || node->type != type || ((node->read_mask | node->write_mask) & ~ws.Var_mask) ||
      (node->flags & (VF_RECORD | VF_TEMPLATE | VF_FIXED | VF_READ_ONLY)) || Is_array(node))
    return nullptr;
  return node;
}

// plain_var's variable at p, standing alone (a ',' or the statement's end
// after it).
[[gnu::always_inline]] inline Var_node* plain_item(const uint8_t* p) {
  uint8_t c = p[0];
  if ((c != code::STR_VAR && c != code::NUM_VAR) || !(p[1] & 0x80)) return nullptr;
  if (p[3] != code::COMMA && !stmt_end(p[3])) return nullptr;
  return plain_var(c, (uint32_t(p[1] & 0x7F) << 8) | p[2]);
}

// The field of a record of len bytes that starts at *pos, as Cnv_field's
// plain case cuts it: up to the separator sep (consumed) or the record's
// end.  *n is its length; *pos moves past it.
[[gnu::always_inline]] inline const uint8_t* cut_field(const uint8_t* rec, int32_t len, int32_t* pos, int32_t sep,
                                                       int32_t* n) {
  int32_t i = *pos;
  const uint8_t* hit = i < len ? find_byte(rec + i, size_t(len - i), uint8_t(sep)) : nullptr;
  int32_t e = hit ? int32_t(hit - rec) : len;
  *n = e > i ? e - i : 0;
  *pos = hit ? e + 1 : len;
  return rec + i;
}

// The text of a plain number field as Conv_str_chk reads it, in its
// common form: an optional sign, then at most 18 digits with at most one
// point, nothing else.  False for anything else (blanks, an exponent, no
// digit, more digits), which the general conversion takes.
[[gnu::always_inline]] inline bool plain_number(const uint8_t* s, int32_t n, Num_val& v) {
  int32_t i = 0;
  bool neg = false;
  if (n > 0 && (s[0] == '-' || s[0] == '+')) {
    neg = s[0] == '-';
    i = 1;
  }
  if (n - i < 1 || n - i > 19) return false;
  // The digits before the point, then those after it (19 at most: no
  // overflow).
  uint64_t mant = 0;
  int32_t k = i;
  uint32_t d;
  while (k < n && (d = uint32_t(s[k]) - '0') <= 9) {
    mant = mant * 10 + d;
    k++;
  }
  int32_t digits = k - i, after = 0;
  if (k < n) {
    if (s[k] != '.') return false;
    const int32_t first = ++k;
    while (k < n && (d = uint32_t(s[k]) - '0') <= 9) {
      mant = mant * 10 + d;
      k++;
    }
    if (k < n) return false;
    after = k - first;
    digits += after;
  }
  if (digits == 0 || digits > 18) return false;
  v = Num_val{};
  v.mant = neg ? -int64_t(mant) : int64_t(mant);
  v.scale = mant ? int8_t(after) : int8_t(0);
  return true;
}

// The N bytes at from and the N bytes that end n bytes after it (n <= 2N:
// the two may overlap; with n < N the second begins before from, which the
// caller's range must hold) moved to the same places of to, both read
// before either is written.
template <size_t N>
[[gnu::always_inline]] inline void copy_ends(uint8_t* to, const uint8_t* from, size_t n) {
  uint8_t head[N], tail[N];
  std::memcpy(head, from, N);
  std::memcpy(tail, from + n - N, N);
  std::memcpy(to, head, N);
  std::memcpy(to + n - N, tail, N);
}

// The first, middle and last bytes of 1 <= n < 4 (some the same one).
[[gnu::always_inline]] inline void copy_tiny(uint8_t* to, const uint8_t* from, size_t n) {
  const uint8_t a = from[0], b = from[n / 2], c = from[n - 1];
  to[0] = a;
  to[n / 2] = b;
  to[n - 1] = c;
}

// memcpy of n > 0 bytes, inline for the few dozen bytes of a usual field:
// two overlapping moves of 16, 8 or 4 bytes, or three single ones (never
// outside either range).
[[gnu::always_inline]] inline void copy_short(uint8_t* to, const uint8_t* from, size_t n) {
  if (n >= 16 && n <= 32) copy_ends<16>(to, from, n);
  else if (n >= 8 && n < 16) copy_ends<8>(to, from, n);
  else if (n >= 4 && n < 8) copy_ends<4>(to, from, n);
  else if (n >= 1 && n < 4) copy_tiny(to, from, n);
  else std::memcpy(to, from, n);
}

// plain_number's result for its commonest field, an integer of 1 to 8
// digits with an optional '-', read 8 bytes at once (the 8 bytes from the
// digits' start must lie before end); false, with v unchanged, for anything
// else.  The digits are checked and converted in one 64-bit word: the text
// moves to the word's high bytes (the low ones, zero, are leading zeros),
// each byte less '0' must be 0..9, and three multiplications join them.
[[gnu::always_inline]] inline bool short_integer(const uint8_t* s, int32_t n, const uint8_t* end, Num_val& v) {
  bool neg = n > 0 && s[0] == '-';
  s += neg;
  n -= neg;
  if (n < 1 || n > 8 || s + 8 > end) return false;
  const unsigned shift = 8 * unsigned(8 - n);
  const uint64_t mask = ~uint64_t(0) << shift;
  uint64_t d;
  std::memcpy(&d, s, 8);
  d = (d << shift) - (0x3030303030303030u & mask);
  if (((d | (d + 0x0606060606060606u)) & 0xF0F0F0F0F0F0F0F0u & mask) != 0) return false;
  d = d * 10 + (d >> 8);
  d = (((d & 0x000000FF000000FFu) * 0x000F424000000064u) + (((d >> 16) & 0x000000FF000000FFu) * 0x0000271000000001u)) >> 32;
  v = Num_val{};
  v.mant = neg ? -int64_t(uint32_t(d)) : int64_t(uint32_t(d));
  return true;
}

// memcpy of 1 <= n <= 64 bytes, inline: overlapping moves of 16, 8, 4 or
// single bytes (never outside either range).
[[gnu::always_inline]] inline void copy_upto64(uint8_t* to, const uint8_t* from, size_t n) {
  if (n >= 16) {
    // (Over 32: the middle's first and last 16 as well.)
    if (n > 32) copy_ends<16>(to + 16, from + 16, n - 32);
    copy_ends<16>(to, from, n);
  } else if (n >= 8) {
    copy_ends<8>(to, from, n);
  } else if (n >= 4) {
    copy_ends<4>(to, from, n);
  } else {
    copy_tiny(to, from, n);
  }
}

// Text assigned to a plain string variable, as Let_string_scalar assigns it.
[[gnu::always_inline]] inline void put_plain_string(Var_node* node, const uint8_t* text, int32_t n) {
  ws.Str_ptr = const_cast<uint8_t*>(text);
  ws.Str_len = n;
  if (Str_fits_in_place(node->str, size_t(n))) {  // Let_string_scalar's usual case
    copy_short(node->str->bytes(), text, size_t(n));
    node->str->len = uint32_t(n);
    node->flags |= VF_ASSIGNED;
  } else {
    Let_string_scalar(node);
  }
}

// A number assigned to a plain numeric variable, as LET stores it.
[[gnu::always_inline]] inline void put_plain_number(Var_node* node, const Num_val& v) {
  ws.Math_flags = 0;
  ws.Num_acc = v;
  ws.Str_len = -1;
  if (v.scale > 0) {
    Store_num(node, &node->num);
  } else {  // what Store_num does with a value without decimals
    node->num = v;
    node->flags |= VF_ASSIGNED;
  }
}

}  // namespace
