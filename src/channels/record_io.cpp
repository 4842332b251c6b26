// READ, EXTRACT, FIND, WRITE, INSERT, UPDATE, REMOVE and PURGE.
//
// Each directive fills the current-I/O area (Io_SetOptions) and calls the
// slots of the channel's driver.  A record being read is the current string
// the read slot left; its fields are assigned item by item.  A record being
// written is built in the channel's output buffer (buf_count bytes) and
// handed to the write slot; whatever fails, the buffer count is back at the
// record start for the next statement, so no half-built record is ever
// written later.
#include "channels/record_io.h"
#include "channels/journal.h"
#include "channels/chan_hooks.h"

#include <cstdlib>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#include <string>
#include <vector>

#include "channels/channel.h"
#include "channels/close.h"
#include "channels/dupl_write.h"
#include "channels/field_convert.h"
#include "channels/io_list.h"
#include "channels/rec_formats.h"
#include "channels/simple_files.h"
#include "channels/io_options.h"
#include "core/block_copy.h"
#include "core/codes.h"
#include "core/dispatch.h"
#include "core/directives.h"
#include "core/errors.h"
#include "core/evaluator.h"
#include "core/executor.h"
#include "core/kept_sums.h"
#include "core/host.h"
#include "core/line_store.h"
#include "core/memory.h"
#include "core/params.h"
#include "core/variables.h"
#include "core/workspace.h"
#include "core/masks.h"
// After the project's headers: it defines names (_rotl) that core/host.h
// declares as functions.
#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#endif

namespace {

constexpr int32_t DEFAULT_BUF_SIZE = 4096;
int32_t unconsumed = 0;

inline bool stmt_end(uint8_t c) { return c == code::END_SCAN || (Cde_tbl[c] & CC_STMT_END); }

inline bool is_var(uint8_t c) { return c == code::NUM_VAR || c == code::STR_VAR || c == code::REC_VAR; }

void release_lock(Fcb* f) {
  if (f->lock_len != 0 && Rec_unlock_hook) Rec_unlock_hook(f);
}

// On the way out of a failed write the buffer goes back to the record
// start (callers catch, call this and rethrow: no cost while nothing fails).
void drop_record(Fcb* f) {
  f->buf_count = f->rec_start;
  f->high_water = 0;
}

// Appends n bytes to the record: straight into the buffer when they fit,
// else through Wrt_field, which flushes.
inline void put_bytes(const uint8_t* p, int32_t n) {
  Fcb* f = ws.Cur_fcb;
  if (n <= f->buf_size - f->buf_count) {
    if (n > 0) std::memcpy(f->out_buf + f->buf_count, p, size_t(n));
    f->buf_count += n;
    return;
  }
  Wrt_field(p, n);
}

inline void put_byte(uint8_t b) {
  Fcb* f = ws.Cur_fcb;
  if (f->buf_count < f->buf_size) {
    f->out_buf[f->buf_count++] = b;
    return;
  }
  Wrt_field(&b, 1);
}

// A number in normal form, in buf (CONV_NORMAL_MAX bytes): returns its
// length.  An integer outside floating-point mode is Int_text's (Conv_normal's
// own result for it); everything else goes to Conv_normal.
inline bool integer_form(const Num_val& v) { return v.scale == 0 && !(ws.Num_flags & (NF_FLOATING | NF_ROUND | NF_NR)); }

int number_text(const Num_val& v, char* buf) {
  static_assert(CONV_NORMAL_MAX >= INT_TEXT_MAX, "room for an integer's text");
  return integer_form(v) ? Int_text(v.mant, buf) : Conv_normal(v, buf);
}

// "*" or "/" standing alone as an item (cursor on it): an empty field on
// WRITE, a skipped field on READ, optionally with a format ("*:CHR(4)").
bool empty_item_follows() {
  uint8_t n = ws.Exec_ptr[1];
  return n == code::COMMA || n == code::LABEL_END || stmt_end(n);
}

// Whether the variable at the cursor (code 1 or 2) is a whole array
// (A[ALL]): its reference is 3 bytes by index, else the code, the name's
// length byte and the name; [ALL] follows it.
bool whole_array_item() {
  const uint8_t* p = ws.Exec_ptr;
  size_t ref = (p[1] & 0x80) ? 3 : size_t(p[1]) + 2;
  return p[ref] == code::WHOLE_ARRAY;
}

// How an item's value goes into or comes out of its field: as it stands,
// through a field format (A$:CHR(10)) or through a mask (N:"##0.00").
struct Item_form {
  int kind = 0;  // 0 plain, 1 format item, 2 mask
  Fmt_item fi;
  const uint8_t* mask = nullptr;
  int32_t mask_len = 0;
};

// The ':' part after an item (the cursor on the ':'), when there is one.
void item_form(Item_form& form) {
  if (*ws.Exec_ptr != code::LABEL_END) return;
  ws.Exec_ptr++;
  if (Is_fmt_code(*ws.Exec_ptr)) {
    form.kind = 1;
    Fmt_parse(form.fi);
    return;
  }
  Eval_str();
  form.kind = 2;
  form.mask_len = ws.Str_len;
  uint8_t* m = Work_take(size_t(ws.Str_len) + 1);
  if (ws.Str_len) std::memcpy(m, ws.Str_ptr, size_t(ws.Str_len));
  form.mask = m;
}

// A value kept while the item's format is evaluated.
struct Saved_value {
  Num_val num;
  const uint8_t* p = nullptr;
  int32_t n = -1;
};

Saved_value save_value() {
  Saved_value v;
  v.num = ws.Num_acc;
  v.n = ws.Str_len;
  if (v.n > 0) {
    uint8_t* c = v.n > 2048 ? static_cast<uint8_t*>(Get_temp(size_t(v.n))) : Work_take(size_t(v.n));
    std::memcpy(c, ws.Str_ptr, size_t(v.n));
    v.p = c;
  }
  return v;
}

void restore_value(const Saved_value& v) {
  ws.Num_acc = v.num;
  ws.Str_len = v.n;
  ws.Str_ptr = const_cast<uint8_t*>(v.p);
}

// The text of a numeric field read through a mask: the characters the mask
// shows besides digits, sign and point (grouping, currency) are dropped.
void strip_mask_chars(const Item_form& form) {
  uint8_t* out = Work_take(size_t(ws.Str_len) + 1);
  int32_t n = 0;
  for (int32_t i = 0; i < ws.Str_len; i++) {
    uint8_t c = ws.Str_ptr[i];
    bool numlike = (c >= '0' && c <= '9') || c == '-' || c == '+' || c == '.';
    if (numlike || !std::memchr(form.mask, c, size_t(form.mask_len))) out[n++] = c;
  }
  ws.Str_ptr = out;
  ws.Str_len = n;
}

// A number divided by 10^s (the scale of a format item).
void scale_down(int s) {
  if (!s || ws.Num_acc.mant == 0) return;
  if (ws.Num_acc.scale + s > 127) Rpt_error(err::NUMERIC_OVERFLOW);
  ws.Num_acc.scale = int8_t(ws.Num_acc.scale + s);
}

// Assigns one field to the target captured in t.
void assign_field(const Let_target& t, const Field_in& fld, const Item_form& form) {
  if (fld.error) Rpt_error(fld.error);
  if (t.str_len < 0) {
    if (fld.null_value) {
      Load_Long(ws.Num_acc, -1);
      ws.Str_len = -1;
    } else if (fld.numeric) {
      ws.Num_acc = fld.num;
      ws.Str_len = -1;
      scale_down(fld.div_scale);
    } else {
      ws.Str_ptr = const_cast<uint8_t*>(fld.p);
      ws.Str_len = fld.n;
      if (form.kind == 2) strip_mask_chars(form);
      Conv_str();
      scale_down(fld.div_scale);
    }
    Let_store_num(t);
  } else {
    if (fld.numeric && !fld.null_value) {
      ws.Num_acc = fld.num;
      scale_down(fld.div_scale);
      Conv_val();
    } else {
      ws.Str_ptr = const_cast<uint8_t*>(fld.p);
      ws.Str_len = fld.null_value ? 0 : fld.n;
    }
    Let_assign(t);
  }
}

// Takes the next field for an item of the given form.
void take_field(const uint8_t* rec, int32_t len, int32_t* pos, const Item_form& form, Field_in& fld) {
  if (form.kind != 1) {
    Cnv_field(rec, len, pos, ws.Io_sep, fld);
    return;
  }
  if (ws.Io_sep == SEP_NONE || ws.Io_sep == SEP_TYPED) {
    // Typed fields: the format applies to the text of the next field.
    Field_in typed;
    Cnv_field(rec, len, pos, ws.Io_sep, typed);
    if (typed.numeric || typed.error) {
      fld = typed;
      return;
    }
    int32_t at = 0;
    Cnv_inpfmt(form.fi, typed.p, typed.n, &at, fld);
    return;
  }
  Cnv_inpfmt(form.fi, rec, len, pos, fld);
}

// The usual READ target, a plain scalar named by its index and standing
// alone as an item: its assignment target straight from its node, without
// loading the value the field is about to replace.  False, with nothing
// done, for anything else (an element, a substring, a record or template
// field, an item with a format, a name not looked up yet, a variable the
// program may not read): Get_value takes those, with their errors.
bool plain_target(Let_target& t) {
  const uint8_t* p = ws.Exec_ptr;
  uint8_t c = p[0];
  if ((c != code::STR_VAR && c != code::NUM_VAR) || !(p[1] & 0x80)) return false;
  uint32_t idx = (uint32_t(p[1] & 0x7F) << 8) | p[2];
  Var_node* node = idx < ws.Var_index_cnt ? ws.Var_index[idx] : nullptr;
  if (!node || node->type != c || (node->read_mask & ~ws.Var_mask) || (node->flags & (VF_RECORD | VF_TEMPLATE)))
    return false;
  uint8_t next = p[3];
  if (next != code::COMMA && !stmt_end(next)) return false;
  Check_assignable(node);
  t.node = node;
  t.str_len = c == code::STR_VAR ? 0 : -1;  // a string's present length matters only to substrings
  t.val = c == code::STR_VAR ? static_cast<void*>(&node->str) : static_cast<void*>(&node->num);
  t.sub_pos = 0;
  t.sub_len = 0;
  t.flags = node->flags & ~VF_FIXED;
  t.elem = -1;
  ws.Exec_ptr += 3;
  return true;
}

// The variable item at the cursor (its form already read when given) takes
// the next field.
void read_target(const uint8_t* rec, int32_t len, int32_t* pos, const Item_form* given) {
  Let_target t;
  if (given || !plain_target(t)) {
    Get_value();
    Check_assignable(ws.Cur_var);
    Let_define(t);
  }
  ws.Math_flags = 0;
  if (!given && *ws.Exec_ptr != code::LABEL_END) {  // the usual plain item
    static const Item_form plain;
    Field_in fld;
    Cnv_field(rec, len, pos, ws.Io_sep, fld);
    if (t.str_len >= 0 && !fld.numeric && !fld.error) {  // text into a string
      ws.Str_ptr = const_cast<uint8_t*>(fld.p);
      ws.Str_len = fld.n;
      Let_assign(t);
      return;
    }
    assign_field(t, fld, plain);
    return;
  }
  Item_form own;
  if (!given) item_form(own);
  const Item_form& form = given ? *given : own;
  Field_in fld;
  take_field(rec, len, pos, form, fld);
  assign_field(t, fld, form);
}

void read_into_var(const uint8_t* rec, int32_t len, int32_t* pos) { read_target(rec, len, pos, nullptr); }

// memchr, inline: a line and its fields are a few dozen bytes, for which
// the call and the registers the caller saves around it cost more than the
// search.  16 bytes at a time; never reads outside [p, p + n).
[[gnu::always_inline]] inline const uint8_t* find_byte(const uint8_t* p, size_t n, uint8_t c) {
#if defined(__SSE2__)
  const __m128i want = _mm_set1_epi8(char(c));
  size_t i = 0;
  for (; i + 16 <= n; i += 16) {
    __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
    if (unsigned m = unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(chunk, want)))) return p + i + __builtin_ctz(m);
  }
  if (i == n) return nullptr;
  if (n >= 16) {
    // The last 16 bytes: the ones before i were searched already.
    __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + n - 16));
    unsigned m = unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(chunk, want))) >> (16 - (n - i));
    return m ? p + i + __builtin_ctz(m) : nullptr;
  }
  for (; i < n; i++)
    if (p[i] == c) return p + i;
  return nullptr;
#else
  return static_cast<const uint8_t*>(std::memchr(p, c, n));
#endif
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

// memcpy of n > 0 bytes, inline for the few dozen bytes of a usual field:
// two overlapping moves of 16, 8 or 4 bytes, or three single ones (never
// outside either range).
[[gnu::always_inline]] inline void copy_short(uint8_t* to, const uint8_t* from, size_t n) {
  if (n >= 16 && n <= 32) {
    uint8_t head[16], tail[16];
    std::memcpy(head, from, 16);
    std::memcpy(tail, from + n - 16, 16);
    std::memcpy(to, head, 16);
    std::memcpy(to + n - 16, tail, 16);
  } else if (n >= 8 && n < 16) {
    uint64_t head, tail;
    std::memcpy(&head, from, 8);
    std::memcpy(&tail, from + n - 8, 8);
    std::memcpy(to, &head, 8);
    std::memcpy(to + n - 8, &tail, 8);
  } else if (n >= 4 && n < 8) {
    uint32_t head, tail;
    std::memcpy(&head, from, 4);
    std::memcpy(&tail, from + n - 4, 4);
    std::memcpy(to, &head, 4);
    std::memcpy(to + n - 4, &tail, 4);
  } else if (n >= 1 && n < 4) {
    // The first, middle and last bytes (some the same one).
    const uint8_t a = from[0], b = from[n / 2], c = from[n - 1];
    to[0] = a;
    to[n / 2] = b;
    to[n - 1] = c;
  } else {
    std::memcpy(to, from, n);
  }
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
    uint8_t a[16], b[16];
    std::memcpy(a, from, 16);
    std::memcpy(b, from + n - 16, 16);
    if (n > 32) {
      uint8_t c[16], d[16];
      std::memcpy(c, from + 16, 16);
      std::memcpy(d, from + n - 32, 16);
      std::memcpy(to + 16, c, 16);
      std::memcpy(to + n - 32, d, 16);
    }
    std::memcpy(to, a, 16);
    std::memcpy(to + n - 16, b, 16);
  } else if (n >= 8) {
    uint64_t a, b;
    std::memcpy(&a, from, 8);
    std::memcpy(&b, from + n - 8, 8);
    std::memcpy(to, &a, 8);
    std::memcpy(to + n - 8, &b, 8);
  } else if (n >= 4) {
    uint32_t a, b;
    std::memcpy(&a, from, 4);
    std::memcpy(&b, from + n - 4, 4);
    std::memcpy(to, &a, 4);
    std::memcpy(to + n - 4, &b, 4);
  } else {
    uint8_t a = from[0], b = from[n / 2], c = from[n - 1];
    to[0] = a;
    to[n / 2] = b;
    to[n - 1] = c;
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

// READ's usual item at the cursor, taken whole here: a string variable
// takes the next field's text, a numeric one its plain number.  False, with
// nothing done, for every other item or field (read_target takes those,
// with their conversions and errors).
[[gnu::always_inline]] inline bool read_plain_item(const uint8_t* rec, int32_t len, int32_t* pos) {
  const uint8_t* p = ws.Exec_ptr;
  int32_t sep = ws.Io_sep;
  Var_node* node;
  if (sep < 0 || !(node = plain_item(p))) return false;
  int32_t at = *pos, n;
  const uint8_t* text = cut_field(rec, len, &at, sep, &n);
  if (p[0] == code::STR_VAR) {
    put_plain_string(node, text, n);
  } else {
    Num_val v;
    if (!plain_number(text, n, v)) return false;
    put_plain_number(node, v);
  }
  *pos = at;
  ws.Exec_ptr = const_cast<uint8_t*>(p + 3);
  return true;
}
// An A[ALL] item: reads its form once, then runs element(form) with the
// iteration set to each element in turn and the item re-read from its start;
// the caller's iteration and the position after the item come back at the end.
template <class Element>
inline void for_each_element(Element&& element) {
  uint8_t* item = ws.Exec_ptr;
  Var_node* n;
  uint32_t count = Io_all(&n);
  Item_form form;
  item_form(form);
  uint8_t* after = ws.Exec_ptr;
  bool iter = ws.Iter_on;
  uint32_t index = ws.Iter_index, iter_count = ws.Iter_count;
  for (uint32_t i = 0; i < count; i++) {
    ws.Iter_on = true;
    ws.Iter_index = i;
    ws.Iter_count = count;
    ws.Exec_ptr = item;
    element(form);
  }
  ws.Iter_on = iter;
  ws.Iter_index = index;
  ws.Iter_count = iter_count;
  ws.Exec_ptr = after;
}

// A[ALL]: every element takes a field in turn.
void read_into_array(const uint8_t* rec, int32_t len, int32_t* pos) {
  for_each_element([&](Item_form& form) { read_target(rec, len, pos, &form); });
}

// Appends the current value to the record as a field.  The usual field
// and its separator go straight into the buffer when they fit, with one
// test of the room; the rest through put_bytes and put_byte, which flush.
void write_value() {
  int32_t sep = ws.Io_sep;
  if (sep == SEP_TYPED) {
    uint8_t hdr[TYPED_NUM_MAX];
    if (ws.Str_len < 0) {
      Wrt_field(hdr, Wrt_dynasep_num(ws.Num_acc, hdr));
    } else {
      const uint8_t* p = ws.Str_ptr;
      int32_t n = ws.Str_len;
      Wrt_field(hdr, Wrt_dynasep_str_hdr(n, hdr));
      Wrt_field(p, n);
    }
    return;
  }
  Fcb* f = ws.Cur_fcb;
  const int32_t room = f->buf_size - f->buf_count;
  char num[CONV_NORMAL_MAX];
  const uint8_t* p;
  int32_t n;
  if (ws.Str_len < 0) {
    // An integer's text straight into the buffer when it and the separator
    // fit whatever its length.
    if (integer_form(ws.Num_acc) && room > int32_t(INT_TEXT_MAX)) {
      uint8_t* to = f->out_buf + f->buf_count;
      n = Int_text(ws.Num_acc.mant, reinterpret_cast<char*>(to));
      if (sep >= 0) to[n++] = uint8_t(sep);
      f->buf_count += n;
      return;
    }
    n = number_text(ws.Num_acc, num);
    p = reinterpret_cast<const uint8_t*>(num);
  } else {
    p = ws.Str_ptr;
    n = ws.Str_len;
  }
  if (n < room) {  // room for the separator too
    uint8_t* to = f->out_buf + f->buf_count;
    if (n > 0) copy_short(to, p, size_t(n));
    if (sep >= 0) to[n++] = uint8_t(sep);
    f->buf_count += n;
    return;
  }
  put_bytes(p, n);
  if (sep >= 0) put_byte(uint8_t(sep));
}

// An item standing alone: a ',' or the statement's end after it.
inline bool item_alone(uint8_t next) { return next == code::COMMA || stmt_end(next); }

// The scalar at p (code 1 or 2) by its index, standing alone, looked up
// and readable: what Find_var finds for it; null for anything else (a name
// not looked up yet, one the program may not read, an element, a substring).
[[gnu::always_inline]] inline Var_node* alone_scalar(const uint8_t* p) {
  if (!(p[1] & 0x80) || !item_alone(p[3])) return nullptr;
  const uint32_t idx = (uint32_t(p[1] & 0x7F) << 8) | p[2];
  Var_node* const node = idx < ws.Var_index_cnt ? ws.Var_index[idx] : nullptr;
  if (!node || node->type != p[0] || (node->read_mask & ~ws.Var_mask)) return nullptr;
  return node;
}

// The usual item of a list being written, a string literal or a numeric
// scalar by its index standing alone (a ',' or the statement's end after
// it), taken as Eval_formula takes it: its value current, the cursor after
// it.  False, with nothing done, for anything else (an expression, a
// format, a variable the program may not read, a name not looked up yet),
// which Eval_formula takes with its errors.
[[gnu::always_inline]] inline bool plain_value() {
  const uint8_t* p = ws.Exec_ptr;
  const uint8_t c = p[0];
  if (c == code::STR_LIT || c == code::HEX_LIT) {
    const uint32_t n = get_u16be(p + 1);
    const uint8_t* const after = p + 3 + n;
    if (!item_alone(*after)) return false;
    ws.Str_ptr = const_cast<uint8_t*>(p + 3);
    ws.Str_len = int32_t(n);
    ws.Exec_ptr = const_cast<uint8_t*>(after);
    return true;
  }
  Var_node* const node = c == code::NUM_VAR ? alone_scalar(p) : nullptr;
  if (!node) return false;
  Num_scalar_current(node);
  ws.Exec_ptr = const_cast<uint8_t*>(p + 3);
  return true;
}

// Appends the current value through its form.
void write_formatted(const Item_form& form) {
  if (form.kind == 1) {
    Cnv_outfmt(form.fi);
    if (ws.Io_sep == SEP_TYPED) {
      uint8_t hdr[TYPED_NUM_MAX];
      const uint8_t* p = ws.Str_ptr;
      int32_t n = ws.Str_len;
      Wrt_field(hdr, Wrt_dynasep_str_hdr(n, hdr));
      Wrt_field(p, n);
      return;
    }
    Wrt_field(ws.Str_ptr, ws.Str_len);
    return;
  }
  if (form.kind == 2) {
    std::string out;
    int err = ws.Str_len < 0 ? Conv_val_viafmt(ws.Num_acc, form.mask, size_t(form.mask_len), out)
                             : Fmt_str(ws.Str_ptr, size_t(ws.Str_len), form.mask, size_t(form.mask_len), out);
    if (err) Rpt_error(err);
    uint8_t* p = Work_take(out.size() + 1);
    std::memcpy(p, out.data(), out.size());
    ws.Str_ptr = p;
    ws.Str_len = int32_t(out.size());
  }
  write_value();
}

// The value just evaluated, with the form that may follow it.
void write_item_value() {
  if (*ws.Exec_ptr != code::LABEL_END) {
    write_value();
    return;
  }
  Saved_value v = save_value();
  Item_form form;
  item_form(form);
  restore_value(v);
  write_formatted(form);
}

void write_array() {
  for_each_element([](const Item_form& form) {
    Get_value();
    write_formatted(form);
  });
}

// Common checks of the writing directives; returns the channel.
Fcb* prepare_output() {
  Fcb* f = ws.Cur_fcb;
  if (!f || (f->st1 & ST1_INPUT_ONLY) || (f->st2 & ST2_LOAD)) Rpt_error(err::WRONG_MODE);
  if (f->kind == FK_PROGRAM) Rpt_error(err::WRONG_FILE_KIND);
  if (!(f->st1 & ST1_WRITTEN) || f->kind == FK_MEMORY) Fio_call(FIO_WR_MODE);
  if (!f->out_buf || f->buf_size <= 0) Fcb_set_buffer(f, f->rec_size > 0 ? f->rec_size : DEFAULT_BUF_SIZE);
  return f;
}

// READ with a positioning step on indexed and binary files.
void apply_step(Fcb* f) {
  int32_t step = ws.Io_dir;
  if (!(ws.Io_opts & IO_STEP) || step == 1) return;
  if (f->kind != FK_INDEXED && f->kind != FK_BINARY) return;
  int64_t idx = int64_t(f->rec_index) + step - 1;
  if (idx < 0) {
    idx = 0;
    f->st2 |= ST2_BOF;
  }
  f->rec_index = int32_t(idx);
  f->byte_pos = idx * f->rec_size + (f->kind == FK_INDEXED ? 512 : 0);
}

// The kinds whose changes the update logs list.
bool logged_kind(const Fcb* f) { return f->kind == FK_KEYED || f->kind == FK_EFF || f->kind == FK_INDEXED; }

// WRITE, and INSERT and UPDATE without a variable list.
void write_statement() {
  bool keep_lock = false;
  if (*ws.Exec_ptr == code::D_LOCK) {
    ws.Exec_ptr++;
    keep_lock = true;
  }
  // The usual channel part, "(n)" with END= and ERR= at most, the short
  // way; its directive code as Io_SetOptions finds it (a statement with a
  // label ahead goes the long way).
  const uint8_t* s = ws.Stmt_ptr;
  if (!s || s[0] == code::LABEL || !Io_SetOptions_plain(s[0] == code::EXT_DIR ? s[1] : s[0])) Io_SetOptions(0);
  if (keep_lock) ws.Io_opts |= IO_EXCLUSIVE;
  Fcb* f = ws.Cur_fcb;
  if (f == ws.Con_fcb && Sw_on(sw::BangX)) {
    d_prin();
    return;
  }
  Dupl_check(f);
  prepare_output();
  if (!(f->ulog_status & ULOG_CHANGED) && Ulog_on() && logged_kind(f)) Journal_Add(f);
  Write_fields();
}

}  // namespace

// ---- events ----

int Run_io_event(Fcb* f, const char* event, uint32_t bit) {
  if (!f || !f->event_pgm || (f->event_mask & bit)) return -1;
  return Chan_hook.run_event_program(f, event, bit);
}

// ---- writing ----

void Wrt_flush(int c) {
  Fcb* f = ws.Cur_fcb;
  int32_t before = f->buf_count;
  Fio_call(FIO_FLUSH);
  // A flush slot that did not empty the buffer would make the caller loop.
  if (f->buf_count >= before && before > 0) Rpt_error(err::RECORD_TOO_LONG);
  if (c >= 0) {
    if (f->buf_count >= f->buf_size) Rpt_error(err::RECORD_TOO_LONG);
    f->out_buf[f->buf_count++] = uint8_t(c);
  }
}

void Wrt_field(const uint8_t* p, int32_t n) {
  Fcb* f = ws.Cur_fcb;
  while (n > 0) {
    int32_t room = f->buf_size - f->buf_count;
    if (room <= 0) {
      Wrt_flush(-1);
      continue;
    }
    int32_t k = n < room ? n : room;
    std::memcpy(f->out_buf + f->buf_count, p, size_t(k));
    f->buf_count += k;
    p += k;
    n -= k;
  }
}

void Wrt_field() {
  if (ws.Str_len < 0) Conv_val();
  Wrt_field(ws.Str_ptr, ws.Str_len);
}

namespace {

void write_record_slot(Fcb* f) {
  if (f->high_water > f->buf_count) f->buf_count = f->high_water;
  f->high_water = 0;
  if (f->event_pgm) Run_io_event(f, "PRE_WRITE", EV_PRE_WRITE);
  Fio_call(FIO_WRITE);
  f->buf_count = f->rec_start;
  ws.Bsy_count = 0;
  if (!(ws.Io_opts & IO_EXCLUSIVE)) release_lock(f);
  if (f->event_pgm) Run_io_event(f, "POST_WRITE", EV_POST_WRITE);
}

// The record built in f's buffer handed to the channel's write slot.  A
// serial file's usual line, which nothing has to be written out for, ends
// here as the slot would end it (Seq_line_end): no dispatch.
[[gnu::always_inline]] inline void write_record(Fcb* f) {
  if (f->kind == FK_SERIAL && ws.Cur_drv == Fio_tbl[FK_SERIAL + 1] && !f->event_pgm &&
      f->high_water <= f->buf_count && Seq_line_end(static_cast<Seq_fcb*>(f))) {
    f->high_water = 0;
    ws.Bsy_count = 0;
    if (!(ws.Io_opts & IO_EXCLUSIVE)) release_lock(f);
    return;
  }
  write_record_slot(f);
}

void write_fields(Fcb* f);

}  // namespace

void Wrt_record() {
  Fcb* f = ws.Cur_fcb;
  try {
    write_record(f);
  } catch (...) {
    drop_record(f);
    throw;
  }
}

void Write_fields() {
  Fcb* f = ws.Cur_fcb;
  try {
    write_fields(f);
  } catch (...) {
    drop_record(f);
    throw;
  }
}

namespace {

// The usual items at the start of the statement's own list, string
// literals and string and numeric scalars by their index standing alone
// (no record variable), each with its
// separator, put in f's buffer at once: as Io_next, plain_value and
// write_value take them, the buffer's fill kept in a register, and the
// current value and the cursor left as Get_value leaves them for the last
// (as READ's plain targets, the variable named last is not made current).
// Stops, the cursor on the item or the ',' before it, at anything else
// (another item, an option, the end of the list) and at an item that might
// not fit without a flush: the general loop goes on from there.  True when
// it took the whole list (the statement's end after its own items): the
// loop's Io_next would find nothing more.
[[gnu::always_inline]] inline bool put_usual_items(Fcb* f) {
  const int32_t sep = ws.Io_sep;
  uint8_t* const buf = f->out_buf;
  if (sep == SEP_TYPED || !buf) return false;
  const int32_t size = f->buf_size;
  int32_t count = f->buf_count;
  const uint8_t* p = ws.Exec_ptr;
  const uint8_t* const first = p;
  Var_node* last_var = nullptr;   // the last numeric item
  const uint8_t* last_text = nullptr;  // the last string item's
  int32_t last_len = -1;              // the last item's (-1: numeric)
  for (;;) {
    const uint8_t* const q = p + (p[0] == code::COMMA);  // Io_next takes one ',' before an item
    const uint8_t c = q[0];
    int32_t n;
    if (c == code::STR_LIT || c == code::HEX_LIT) {
      n = int32_t(get_u16be(q + 1));
      const uint8_t* const after = q + 3 + n;
      if (!item_alone(*after) || n >= size - count) break;  // (room for the separator too)
      if (n > 0) copy_short(buf + count, q + 3, size_t(n));
      last_text = q + 3;
      last_len = n;
      p = after;
    } else if (c == code::NUM_VAR) {
      Var_node* const node = alone_scalar(q);
      if (!node) break;
      const Num_val& v = node->num;
      const int32_t room = size - count;
      if (integer_form(v) && room > int32_t(INT_TEXT_MAX)) {
        n = Int_text(v.mant, reinterpret_cast<char*>(buf + count));
      } else if (room > int32_t(CONV_NORMAL_MAX)) {
        char text[CONV_NORMAL_MAX];
        n = Conv_normal(v, text);
        copy_short(buf + count, reinterpret_cast<const uint8_t*>(text), size_t(n));
      } else {
        break;
      }
      last_var = node;
      last_len = -1;
      p = q + 3;
    } else if (c == code::STR_VAR) {
      // A string scalar as Vstr_load reads it (a record's text is made from
      // its fields there: the general path's).
      Var_node* const node = alone_scalar(q);
      if (!node || (node->flags & VF_RECORD)) break;
      const Str_blk* const b = node->str;
      n = b ? int32_t(b->len) : 0;
      if (n >= size - count) break;  // (room for the separator too)
      if (n > 0) {
        copy_short(buf + count, b->bytes(), size_t(n));
        last_text = b->bytes();
      }
      last_len = n;
      p = q + 3;
    } else {
      break;
    }
    if (sep >= 0) buf[count + n++] = uint8_t(sep);
    count += n;
  }
  if (p == first) return false;
  f->buf_count = count;
  if (last_var) ws.Num_acc = last_var->num;
  if (last_text) ws.Str_ptr = const_cast<uint8_t*>(last_text);
  ws.Str_len = last_len;
  ws.Exec_ptr = const_cast<uint8_t*>(p);
  if (ws.Iol_depth < 0) ws.Iol_depth = 0;  // the statement has items of its own
  return ws.Iol_depth == 0 && stmt_end(*p);
}

// The items of the list from the cursor on (after the usual ones
// put_usual_items took) into the record.
void write_items_from() {
  for (;;) {
    uint8_t c = Io_next();
    if (c == code::EOL) break;
    if (plain_value()) {
      write_value();
      continue;
    }
    if ((c == code::OP_MUL || c == code::OP_DIV) && empty_item_follows()) {
      ws.Exec_ptr++;  // an empty field
      ws.Str_ptr = nullptr;
      ws.Str_len = 0;
      write_item_value();
      continue;
    }
    if (is_var(c) && c != code::REC_VAR && whole_array_item()) {
      write_array();
      continue;
    }
    Eval_formula();
    write_item_value();
  }
}

// The items of the statement's list (or of its IOL= list) into the record.
void write_items(Fcb* f) {
  if (!put_usual_items(f)) write_items_from();
}

void write_fields(Fcb* f) {
  int32_t start = f->buf_count;
  if (ws.Io_opts & IO_QMARK) {
    // WRITE RECORD: the value is the record as it stands.
    if (Io_args() != code::EOL) {
      Eval_formula();
      if (ws.Str_len < 0) Conv_val();
      Wrt_field(ws.Str_ptr, ws.Str_len);
    }
  } else {
    write_items(f);
  }
  if (ws.Io_tbl && f->buf_count > start) Cnv_table(f->out_buf + start, f->buf_count - start, ws.Io_tbl, ws.Io_tbl_len);
  write_record(f);
}

// Whether a WRITE on f, once its channel part is read, has nothing to do
// before its list: write_statement's steps up to Write_fields would find
// no duplicate to look up, nothing to refuse, no write mode to enter, no
// buffer to make and no update log to tell.  (Not the console, which
// WRITE may turn into PRINT.)
[[gnu::always_inline]] inline bool output_ready(const Fcb* f) {
  return f != ws.Con_fcb && !(Dupl_defs_open && !(f->st4 & ST4_DUP_CHECKED)) &&
         (f->st1 & (ST1_INPUT_ONLY | ST1_WRITTEN)) == ST1_WRITTEN && !(f->st2 & ST2_LOAD) &&
         f->kind != FK_PROGRAM && f->kind != FK_MEMORY && f->out_buf && f->buf_size > 0 &&
         (!logged_kind(f) || (f->ulog_status & ULOG_CHANGED) || !Ulog_on());
}

// WRITE [LOCK] (n) with END= and ERR= at most (n a literal), on a channel
// that is ready for output (output_ready): write_statement's work, its
// steps before the list found to have nothing to do.  False, with nothing
// done, for any other statement or channel.
bool write_usual() {
  const uint8_t* s = ws.Stmt_ptr;
  if (!s || s[0] != code::D_WRITE) return false;
  uint8_t* const at = ws.Exec_ptr;
  const bool keep_lock = *at == code::D_LOCK;
  ws.Exec_ptr = at + keep_lock;
  Io_plain in;
  if (!Io_plain_parse(in) || !output_ready(in.f)) {
    ws.Exec_ptr = at;
    return false;
  }
  Io_plain_apply(in, code::D_WRITE);
  if (keep_lock) ws.Io_opts |= IO_EXCLUSIVE;
  Fcb* const f = in.f;
  try {
    if (!put_usual_items(f)) write_items_from();
    write_record(f);
  } catch (...) {
    drop_record(f);
    throw;
  }
  return true;
}

}  // namespace

// ---- reading ----

void Assign_record_text(const uint8_t* p, int32_t n) {
  Get_value();
  Check_assignable(ws.Cur_var);
  Let_target t;
  Let_define(t);
  if (t.str_len < 0) Rpt_error(err::TYPE_MISMATCH);
  ws.Str_ptr = const_cast<uint8_t*>(p);
  ws.Str_len = n;
  Let_assign(t);
}

void Parse_read(const uint8_t* rec, int32_t len) {
  ws.Bsy_count = 0;
  int32_t pos = 0;
  if (ws.Io_opts & IO_QMARK) {
    // READ RECORD: the whole record into one string variable, or "/".
    uint8_t c = Io_args();
    if (c != code::EOL) {
      if (c == code::OP_DIV) {
        ws.Exec_ptr++;
      } else {
        if (c != code::STR_VAR && c != code::REC_VAR) Rpt_error(err::TYPE_MISMATCH);
        int32_t n = len;
        if (ws.Io_siz > 0 && ws.Io_siz < n) n = ws.Io_siz;
        Assign_record_text(rec, n);
        pos = n;
      }
    }
  } else {
    if (ws.Io_sep > 0)
      while (len > 0 && rec[len - 1] == 0) len--;
    for (;;) {
      uint8_t c = Io_next();
      if (c == code::EOL) break;
      if (read_plain_item(rec, len, &pos)) continue;
      if ((c == code::OP_MUL || c == code::OP_DIV) && empty_item_follows()) {
        ws.Exec_ptr++;  // a field skipped
        Item_form form;
        item_form(form);
        Field_in skipped;
        take_field(rec, len, &pos, form, skipped);
        continue;
      }
      if (!is_var(c)) Rpt_error(err::BAD_IOLIST_ITEM);
      if (c != code::REC_VAR && whole_array_item())
        read_into_array(rec, len, &pos);
      else
        read_into_var(rec, len, &pos);
    }
  }
  unconsumed = len > pos ? len - pos : 0;
}

int32_t Rd_unconsumed() { return unconsumed; }

namespace {

// READ's common case, taken in one pass from the serial channel's buffer
// into the variables:
//   READ (n[,END=line][,ERR=line]) V1[,V2]...
// n a small literal naming an open serial channel without I/O events, record
// locks or table, readable (no write mode); each Vi a plain string or
// numeric scalar by its index standing alone (plain_item), a numeric one's
// field a plain number; the whole line already in the read buffer.  The
// statement's I/O area is set and the line consumed first, as in the
// general path; an item or field the fast path does not take (found after
// earlier items were assigned) puts the line and the cursor back and
// returns false, and the general path takes the statement from its start:
// it sets the same I/O area and assigns the same values to the earlier items
// again (its refills, long lines, a last line without a newline,
// conversions and errors are its own).  What is left in the workspace is
// what the general path leaves.
//
// A statement's code is read once: the code from '(' to the code that ends
// the statement is kept in a small table by its address, with what was read
// from it (the channel number, the END= and ERR= lines, each item's type and
// index).  It is taken from there while the bytes at that address, in the
// current line or the program image, are the same, so a changed program is
// read afresh (code elsewhere, as the console's, on every statement).
//
// What depends on the run (the channel's record, the variables and their
// access, the current-I/O area) is looked up and checked by the first READ
// at a site; it is kept with the site, and the READs after it take it as it
// is while the statement loop's epoch (Exec_epoch) has not moved: then only
// the loop's inline paths and READ's fast path have run since, so the code,
// the channel, the variables and the parameters are what they were, and the
// current-I/O area is what the last fast READ left (set again when that was
// another site's).  Such a READ finds the line end, assigns the fields and
// steps the channel on.
constexpr int SITE_CODE = 48;   // most code bytes of a statement kept
constexpr int SITE_ITEMS = 12;  // most items
struct Read_site {
  const uint8_t* at = nullptr;  // the statement's '(' (null: free)
  uint8_t* end = nullptr;       // the code that ends the statement (at + len - 1)
  // The last READ here that took the fast path, kept while Exec_epoch is
  // still `epoch` (0: none): its channel, its variables, the line search
  // limit (Max_strlen), the channel's separator.
  uint64_t epoch = 0;
  Seq_fcb* sf = nullptr;
  Var_node* node[SITE_ITEMS];
  int32_t max = 0;
  int32_t sep = 0;
  // The newline, 32 times, then the separator, 32 times: what the kept
  // paths search a line for (loaded as they stand: a broadcast of a byte
  // takes three instructions).
  alignas(32) uint8_t nl_vec[32];
  uint8_t sep_vec[32];
  bool marks = false;               // lines shorter than 64 bytes are searched in one pass
  // The READ for the findings kept: read_known, or for marks and one string
  // item read_known_string (or its AVX2 form).  Called for the site of the
  // last fast READ (last_site) alone, whose current-I/O area is set.
  void (*known)(Read_site*) = nullptr;
  // Its usual line alone, for the statement loop (Read_again_fn): null when
  // the site has no such form.
  Read_again_fn again = nullptr;
  Read_again_loop_fn again_loop = nullptr;  // its loop (set with again)
  uint8_t code[SITE_CODE];      // its code, '(' to the code that ends the statement
  uint8_t len = 0;              // code bytes kept (9..SITE_CODE)
  uint8_t items = 0;
  uint8_t after = 0;            // offset of the code after ')'
  Io_plain chan{};              // f and after are set on each statement
  uint8_t type[SITE_ITEMS];     // code 1 or 2
  uint16_t idx[SITE_ITEMS];     // the variable's index
  Line_step step;               // a statement that ends its line: the step to the next
};
constexpr size_t SITES = 8;
Read_site read_sites[SITES];

[[gnu::always_inline]] inline uint64_t load8(const uint8_t* p) {
  uint64_t w;
  std::memcpy(&w, p, 8);
  return w;
}

// True when the n bytes at p lie in the current line of the edit list or in
// the program image, so they may be read.  Other code (the console's work
// area, ...) is read afresh on every statement.
[[gnu::always_inline]] inline bool code_holds(const uint8_t* p, size_t n) {
  if (const uint8_t* image = ws.Pgm_image) {
    const uint8_t* r = ws.Cur_line_rec;
    if (r && p >= r + 2 && p + n <= r + 2 + get_u16be(r)) return true;
    return p >= image && p + n <= image + ws.Pgm_size;
  }
  const Str_blk* b = ws.Cur_edit_blk;
  return b && p >= b->bytes() && p + n <= b->bytes() + b->len;
}

// The site kept for the statement whose '(' is at p, when its code is still
// there; else null.
Read_site* last_site = &read_sites[0];  // the entry the last fast READ used

inline Read_site& site_slot(const uint8_t* p) { return read_sites[(uintptr_t(p) ^ (uintptr_t(p) >> 7)) % SITES]; }

[[gnu::always_inline]] inline bool code_same(const Read_site& s, const uint8_t* p) {
  if (s.at != p || !code_holds(p, s.len)) return false;
  // The first and last 8 bytes, then those between (n >= 8).
  size_t n = s.len;
  if (load8(p) != load8(s.code) || load8(p + n - 8) != load8(s.code + n - 8)) return false;
  for (size_t i = 8; i + 8 < n; i += 8)
    if (load8(p + i) != load8(s.code + i)) return false;
  return true;
}

// Reads the statement at the cursor (on its '(') into its site: false when
// it is not READ's common form.
[[gnu::noinline, gnu::cold]] bool learn_site(const uint8_t* p) {
  Io_plain chan;
  if (!Io_plain_parse(chan)) return false;
  Read_site& s = site_slot(p);
  s.at = nullptr;
  s.epoch = 0;
  const uint8_t* q = chan.after;
  int n = 0;
  for (;;) {
    uint8_t c = *q;
    if (c == code::COMMA) c = *++q;
    if (stmt_end(c)) break;
    if (n == SITE_ITEMS || (c != code::STR_VAR && c != code::NUM_VAR) || !(q[1] & 0x80) ||
        (q[3] != code::COMMA && !stmt_end(q[3])))
      return false;
    s.type[n] = c;
    s.idx[n] = uint16_t((uint32_t(q[1] & 0x7F) << 8) | q[2]);
    n++;
    q += 3;
  }
  // No items of its own: the channel's IOL= list, the general path's.
  size_t len = size_t(q - p) + 1;
  if (n == 0 || len > SITE_CODE || len < 8) return false;
  std::memcpy(s.code, p, len);
  s.len = uint8_t(len);
  s.items = uint8_t(n);
  s.after = uint8_t(chan.after - p);
  s.chan = chan;
  s.end = const_cast<uint8_t*>(p) + len - 1;
  s.at = p;
  return true;
}

// The line at rec as Seq_next finds it: up to the first newline among the
// lim bytes there (avail >= lim bytes may be read).  len is its length
// without the newline and without the NUL bytes that pad it when the channel
// has a separator; a line shorter than 64 bytes is searched in one pass that
// marks its separators in seps (bit i: byte i), a longer one leaves each
// field's separator to cut_field.  False when no newline is within lim.
struct Line_scan {
  int32_t line_len;  // up to the newline
  int32_t len;       // the record: without trailing NULs
  uint64_t seps;     // marked separators (marked only)
  bool marked;
};

// The line found by a search for its newline from byte `searched` on (the
// bytes before it hold none).
[[gnu::always_inline]] inline bool scan_plain(const uint8_t* rec, int32_t searched, int32_t lim, int32_t sep,
                                              Line_scan& out) {
  out.marked = false;
  const uint8_t* nl = find_byte(rec + searched, size_t(lim - searched), '\n');
  if (!nl) return false;
  int32_t len = int32_t(nl - rec);
  out.line_len = len;
  if (sep > 0)
    while (len > 0 && rec[len - 1] == 0) len--;
  out.len = len;
  out.seps = 0;
  return true;
}

[[gnu::always_inline]] inline bool scan_line(const uint8_t* rec, int32_t lim, int32_t sep, Line_scan& out) {
  int32_t searched = 0;
#if defined(__SSE2__)
  if (lim >= 64 && sep > 0 && sep != '\n') {
    const __m128i want_nl = _mm_set1_epi8('\n'), want_sep = _mm_set1_epi8(char(sep));
    uint64_t seps = 0;
    int32_t line_len = -1;
    // Four chunks of 16 bytes, unrolled: each marks its separators and
    // stops at a newline.
    auto chunk = [&](int k) {
      __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(rec + k));
      unsigned nl = unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(c, want_nl)));
      seps |= uint64_t(unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(c, want_sep)))) << k;
      if (nl) line_len = k + __builtin_ctz(nl);
      return nl != 0;
    };
    if (chunk(0) || chunk(16) || chunk(32) || chunk(48)) {
      int32_t len = line_len;
      if (len > 0 && rec[len - 1] == 0) [[unlikely]]
        while (len > 0 && rec[len - 1] == 0) len--;
      out.line_len = line_len;
      out.len = len;
      out.seps = seps & ((uint64_t(1) << len) - 1);  // the marks inside the record (len < 64)
      out.marked = true;
      return true;
    }
    searched = 64;
  }
#endif
  return scan_plain(rec, searched, lim, sep, out);
}

// The next field of the scanned record, from *pos: its text and length;
// *pos moves past its separator.
[[gnu::always_inline]] inline const uint8_t* next_field(const uint8_t* rec, Line_scan& line, int32_t sep, int32_t* pos,
                                                        int32_t* flen) {
  if (!line.marked) return cut_field(rec, line.len, pos, sep, flen);
  // cut_field by the marks: the lowest one left is the next separator.
  const int32_t at = *pos;
  if (line.seps) {
    int32_t e = __builtin_ctzll(line.seps);
    line.seps &= line.seps - 1;
    *flen = e - at;
    *pos = e + 1;
  } else {
    *flen = line.len > at ? line.len - at : 0;
    *pos = line.len;
  }
  return rec + at;
}

// A site's items take the fields of the scanned record, each assigned as it
// is cut, into the site's variables (looked up by its first READ).  False at
// an item or field the fast path does not take (earlier items are assigned
// by then).
[[gnu::always_inline]] inline bool assign_items(Read_site* s, const uint8_t* rec, Line_scan& line, int32_t sep) {
  int32_t pos = 0;
  for (int i = 0, n = s->items; i < n; i++) {
    Var_node* node = s->node[i];
    int32_t flen;
    const uint8_t* text = next_field(rec, line, sep, &pos, &flen);
    if (s->type[i] == code::STR_VAR) {
      put_plain_string(node, text, flen);
    } else {
      Num_val v;
      if (!plain_number(text, flen, v)) return false;
      put_plain_number(node, v);
    }
  }
  unconsumed = line.len > pos ? line.len - pos : 0;
  return true;
}

// The current-I/O area of a site's READ, set again when another site's READ
// set it since.
[[gnu::noinline, gnu::cold]] void site_io_area(Read_site* s) {
  s->chan.f = s->sf;
  s->chan.after = s->at + s->after;
  Io_plain_apply(s->chan, code::D_READ);
  ws.Iol_depth = 0;
  last_site = s;
}

// READ when its site's findings do not hold (below).
void read_statement(Read_site* site, const uint8_t* p);

// READ at a site whose first fast READ's findings still hold (see above),
// for any line in the buffer: the line scanned, the channel stepped on, the
// fields assigned.
[[gnu::noinline]] bool read_known_any(Read_site* s) {
  Seq_fcb* const sf = s->sf;
  const int32_t at = sf->rd_pos;
  const int32_t avail = sf->rd_fill - at;
  if (avail <= 0) return false;
  const uint8_t* rec = sf->rd_buf + at;
  Line_scan line;
  if (!scan_line(rec, avail < s->max ? avail : s->max, s->sep, line)) return false;
  if (s != last_site) site_io_area(s);
  if (s->chan.has_err) ws.Err_line = s->chan.err_line;  // the loop clears it after each statement
  const int32_t rec_index = sf->rec_index, rec_count = sf->rec_count;
  sf->rd_pos = at + line.line_len + 1;
  sf->rec_count = rec_index;
  sf->rec_index = rec_index + 1;
  if (!assign_items(s, rec, line, s->sep)) {
    sf->rd_pos = at;
    sf->rec_count = rec_count;
    sf->rec_index = rec_index;
    return false;
  }
  ws.Exec_ptr = s->end;
  return true;
}

// read_known's way out: read_known_any, else the statement from its start.
[[gnu::noinline]] void read_known_slow(Read_site* s) {
  if (!read_known_any(s)) read_statement(s, s->at);
}

#if defined(__SSE2__)
// The vector steps of scan64, 16 bytes at a time: the bytes at p equal to
// the pattern at want (aligned: the newline's, the separator's), as a bit
// mask.
struct Lanes16 {
  static constexpr int width = 16;
  // The 64 bytes at from to `to`.
  [[gnu::always_inline]] static void copy64(uint8_t* to, const uint8_t* from) {
    for (int i = 0; i < 64; i += 16)
      _mm_storeu_si128(reinterpret_cast<__m128i*>(to + i),
                       _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + i)));
  }
  [[gnu::always_inline]] static unsigned same(const uint8_t* p, const uint8_t* want) {
    return unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)),
                                                     _mm_load_si128(reinterpret_cast<const __m128i*>(want)))));
  }
};
#endif

#if defined(__x86_64__) && defined(__GNUC__)
#define READ_AVX2 1
// The kept paths search 32 bytes at a time where the processor has AVX2,
// unless ORUNOAVX2 is set (non-empty), so the tests can run the 16-byte form
// on such a processor too: Block_wide_moves (core/block_copy.h).

// Lanes16, 32 bytes at a time.  Not always_inline: GCC refuses to force AVX2
// code into scan64's own (plain) body; they are inlined where scan64 lands,
// in the gnu::target("avx2") callers.  No vector crosses a call, so
// scan64's body has no AVX calling convention to follow.
struct Lanes32 {
  static constexpr int width = 32;
  [[gnu::target("avx2")]] static void copy64(uint8_t* to, const uint8_t* from) {
    const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(from));
    const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(from + 32));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(to), a);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(to + 32), b);
  }
  [[gnu::target("avx2")]] static unsigned same(const uint8_t* p, const uint8_t* want) {
    return unsigned(_mm256_movemask_epi8(_mm256_cmpeq_epi8(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(p)),
                                                           _mm256_load_si256(reinterpret_cast<const __m256i*>(want)))));
  }
};
#endif

#if defined(__SSE2__)
// scan64 past its first step (no newline in the bytes before k): the step at
// rec + k, and the ones after it while no newline is found.  False when no
// newline is in the 64 bytes.  First: only the first separator is wanted,
// so the steps after one was marked mark none.
template <class Lanes, int k, bool First>
[[gnu::always_inline]] inline bool scan64_from(const uint8_t* rec, const uint8_t* vecs, unsigned* nl,
                                               uint64_t* marks, int32_t* n) {
  *nl = Lanes::same(rec + k, vecs);
  if (!First || !*marks) *marks |= uint64_t(Lanes::same(rec + k, vecs + 32)) << k;
  *n = k;
  if constexpr (k + Lanes::width < 64) {
    if (!*nl) return scan64_from<Lanes, k + Lanes::width, First>(rec, vecs, nl, marks, n);
    return true;
  } else {
    return *nl != 0;
  }
}

// The line at rec (64 bytes there may be read) when its newline is among its
// first 64 bytes: its length to *len, and the separators among those bytes
// marked in *seps (bit i: byte i); vecs the site's patterns, the newline's
// and the separator's (Read_site::nl_vec).  False when no newline is there.
// Lanes::width bytes at a time (Lanes16, Lanes32).  First: the lowest mark
// is the first separator, and later ones may be missing.
template <class Lanes, bool First = false>
[[gnu::always_inline]] inline bool scan64(const uint8_t* rec, const uint8_t* vecs, uint64_t* seps, int32_t* len) {
  unsigned nl = Lanes::same(rec, vecs);
  uint64_t marks = Lanes::same(rec, vecs + 32);
  int32_t n = 0;
  if (!nl && !scan64_from<Lanes, Lanes::width, First>(rec, vecs, &nl, &marks, &n)) return false;
  *len = n + __builtin_ctz(nl);
  *seps = marks;
  return true;
}
#endif

// read_known_any for its usual line, shorter than 64 bytes with 64 bytes in
// the buffer, searched in one pass with the site's separator pattern, and
// for its usual items: strings whose block takes the text in place
// (put_plain_string's usual case), plain numbers without decimals.  It calls
// nothing on its way, so nothing can fail after an item is assigned and the
// channel steps on after the items: anything else, met after earlier items
// were assigned, goes to read_known_any, which starts afresh and assigns the
// same values again.  False, with the channel as it was, when it does not
// take the line; read_known is the whole READ statement, with its way out.
#if defined(__SSE2__)
// read_known_try after its scan: len the line's length (< 64, the newline at
// rec[len]), seps the separators marked in its 64 bytes.
// Its items alone: where the line goes on after the fields taken to *end.
[[gnu::always_inline]] inline bool known_items_assign(Read_site* s, const uint8_t* rec, int32_t len, uint64_t seps,
                                                      int items, int32_t* end) {
  // NUL padding before the newline: the general scan strips it.
  if (len > 0 && rec[len - 1] == 0) [[unlikely]]
    return false;
  seps &= (uint64_t(1) << len) - 1;  // the marks inside the line (len < 64)
  int32_t pos = 0;
  for (int i = 0; i < items; i++) {
    Var_node* const node = s->node[i];
    const uint8_t* const text = rec + pos;
    int32_t flen;
    if (seps) {
      int32_t e = __builtin_ctzll(seps);
      seps &= seps - 1;
      flen = e - pos;
      pos = e + 1;
    } else {
      flen = len - pos;  // >= 0: pos never passes len
      pos = len;
    }
    if (s->type[i] == code::STR_VAR) {
      Str_blk* const b = node->str;
      // Str_fits_in_place (flen < 64 here): 0 < flen, cap - 64 < flen <= cap.
      if (!b || flen == 0 || b->cap - uint32_t(flen) >= 64) [[unlikely]]
        goto again;
      copy_upto64(b->bytes(), text, size_t(flen));
      b->len = uint32_t(flen);
      node->flags |= VF_ASSIGNED;
      ws.Str_ptr = const_cast<uint8_t*>(text);
      ws.Str_len = flen;
    } else {
      Num_val v;
      if (!short_integer(text, flen, rec + 64, v) && (!plain_number(text, flen, v) || v.scale > 0)) [[unlikely]]
        goto again;
      // put_plain_number without decimals.
      ws.Math_flags = 0;
      ws.Num_acc = v;
      ws.Str_len = -1;
      node->num = v;
      node->flags |= VF_ASSIGNED;
    }
  }
  *end = pos;
  return true;
again:
  return false;
}

[[gnu::always_inline]] inline bool known_items_line(Read_site* s, const uint8_t* rec, int32_t len, uint64_t seps,
                                                    int items) {
  // The items first (nothing they do can fail here), then the channel.
  int32_t pos;
  if (!known_items_assign(s, rec, len, seps, items, &pos)) return false;
  {
    Seq_fcb* const f = s->sf;
    f->rd_pos += len + 1;
    f->rec_count = f->rec_index;
    f->rec_index++;
  }
  // Nothing can fail from here on: the ERR= line is not set (the statement
  // loop takes this path's statement as ended, with nothing to reset).
  unconsumed = len - pos;
  ws.Exec_ptr = s->end;
  Read_line_step = &s->step;
  return true;
}
#endif

// read_known_try for a site whose lines are searched Lanes::width bytes at
// a time.
#if defined(__SSE2__)
// Items: the site's count, or 0 for any count.
template <class Lanes, int Items = 0>
[[gnu::always_inline]] inline bool known_items_take(Read_site* s) {
  Seq_fcb* const sf = s->sf;
  const int32_t at = sf->rd_pos;
  if (sf->rd_fill - at < 64 || !s->marks) [[unlikely]]
    return false;
  const uint8_t* const rec = sf->rd_buf + at;
  uint64_t seps;
  int32_t len;
  return scan64<Lanes>(rec, s->nl_vec, &seps, &len) && known_items_line(s, rec, len, seps, Items ? Items : s->items);
}
#endif

// The scan of read_known_try's line: 16 bytes at a time.
[[gnu::always_inline]] inline bool read_known_try(Read_site* s) {
#if defined(__SSE2__)
  return known_items_take<Lanes16>(s);
#else
  return false;
#endif
}

[[gnu::noinline]] void read_known(Read_site* s) {
  if (!read_known_try(s)) read_known_slow(s);
}

// read_known for the commonest site, one string item on a channel with a
// separator (Read_site::one_string): read_known_try's scan and string
// assignment without the item loop, so the usual line needs fewer
// registers and no loop.  It takes what read_known_try takes and leaves
// what it leaves; anything else goes to read_known_slow.  The line is
// searched 16 bytes at a time, or 32 where the processor has AVX2
// (Read_site::known).
#if defined(__SSE2__)
// The usual line after the scan: len its length (< 64, the newline at
// rec[len]), seps with the first separator in its 64 bytes as the lowest
// mark.  False, with nothing done, when it is not the usual line.  Again:
// for the statement loop's loop of a file, which takes the site's kept step
// from the call's result (Read_line_step is not set).
// The field of such a line: its length to *flen, where the line goes on
// after it to *pos.  False when NUL bytes pad the line before its newline
// (the general scan strips them).
[[gnu::always_inline]] inline bool string_field(const uint8_t* rec, int32_t len, uint64_t seps, int32_t* flen,
                                                int32_t* pos) {
  if (len > 0 && rec[len - 1] == 0) [[unlikely]]
    return false;
  // Up to the first separator inside the line (len < 64), else the whole
  // line.
  const int32_t first = seps ? __builtin_ctzll(seps) : 64;
  *flen = len;
  *pos = len;
  if (first < len) {
    *flen = first;
    *pos = first + 1;
  }
  return true;
}

// Str_fits_in_place for a field shorter than 64 bytes: 0 < flen,
// cap - 64 < flen <= cap.
[[gnu::always_inline]] inline bool fits_short(uint32_t cap, int32_t flen) {
  return flen != 0 && cap - uint32_t(flen) < 64;
}

template <bool Again>
[[gnu::always_inline]] inline bool known_string_line(Read_site* s, Seq_fcb* sf, const uint8_t* rec, int32_t len,
                                                     uint64_t seps) {
  int32_t flen, pos;
  if (!string_field(rec, len, seps, &flen, &pos)) return false;
  Var_node* const node = s->node[0];
  Str_blk* const b = node->str;
  if (!b || !fits_short(b->cap, flen)) [[unlikely]]
    return false;
  // Nothing can fail from here on.  The copy comes last, with little else
  // left to keep in registers.
  node->flags |= VF_ASSIGNED;
  ws.Str_ptr = const_cast<uint8_t*>(rec);
  ws.Str_len = flen;
  sf->rd_pos += len + 1;
  sf->rec_count = sf->rec_index;
  sf->rec_index++;
  // No ERR= line: see known_items_line.
  unconsumed = len - pos;
  ws.Exec_ptr = s->end;
  if (!Again) Read_line_step = &s->step;
  b->len = uint32_t(flen);
  copy_upto64(b->bytes(), rec, size_t(flen));
  return true;
}

// The usual line of a one-string site, searched Lanes::width bytes at a
// time: read (true), or left as it was (false).
template <class Lanes, bool Again = false>
[[gnu::always_inline]] inline bool known_string_take(Read_site* s) {
  Seq_fcb* const sf = s->sf;
  const int32_t at = sf->rd_pos;
  if (sf->rd_fill - at < 64) [[unlikely]]
    return false;
  const uint8_t* const rec = sf->rd_buf + at;
  uint64_t seps;
  int32_t len;
  return scan64<Lanes, true>(rec, s->nl_vec, &seps, &len) && known_string_line<Again>(s, sf, rec, len, seps);
}
#endif

[[gnu::noinline]] void read_known_string(Read_site* s) {
#if defined(__SSE2__)
  if (!known_string_take<Lanes16>(s)) read_known_slow(s);
#else
  read_known(s);
#endif
}

#if defined(READ_AVX2)
// read_known_string searching 32 bytes at a time.
[[gnu::noinline, gnu::target("avx2")]] void read_known_string_avx2(Read_site* s) {
  if (!known_string_take<Lanes32>(s)) read_known_slow(s);
}

// read_known searching 32 bytes at a time.
[[gnu::noinline, gnu::target("avx2")]] void read_known_avx2(Read_site* s) {
  if (!known_items_take<Lanes32>(s)) read_known_slow(s);
}
#endif

// The site's usual line again, for the statement loop's loop of a file
// (Read_again_find): as the READ's kept form (Read_site::known) takes it,
// its kept step returned; null, with nothing done, for any other line.
// One form for each kept form.
#if defined(__SSE2__)
const Line_step* again_items(void* site) {
  auto* s = static_cast<Read_site*>(site);
  return known_items_take<Lanes16>(s) ? &s->step : nullptr;
}

// Two items (READ A$,K ...): the item loop unrolled.
const Line_step* again_items2(void* site) {
  auto* s = static_cast<Read_site*>(site);
  return known_items_take<Lanes16, 2>(s) ? &s->step : nullptr;
}

const Line_step* again_string(void* site) {
  auto* s = static_cast<Read_site*>(site);
  return known_string_take<Lanes16, true>(s) ? &s->step : nullptr;
}
#endif

#if defined(READ_AVX2)
[[gnu::target("avx2")]] const Line_step* again_items_avx2(void* site) {
  auto* s = static_cast<Read_site*>(site);
  return known_items_take<Lanes32>(s) ? &s->step : nullptr;
}

[[gnu::target("avx2")]] const Line_step* again_items2_avx2(void* site) {
  auto* s = static_cast<Read_site*>(site);
  return known_items_take<Lanes32, 2>(s) ? &s->step : nullptr;
}

[[gnu::target("avx2")]] const Line_step* again_string_avx2(void* site) {
  auto* s = static_cast<Read_site*>(site);
  return known_string_take<Lanes32, true>(s) ? &s->step : nullptr;
}
#endif

// The site's usual lines again, each followed by the sums listed after the
// READ, for the statement loop's loop of a file (Read_again_loop_fn): each
// line read as the one-line form of the site reads it (known_items_take,
// Items as there), then the pending work tested and the sums done as the
// statement loop does them by the list.  The channel's buffer, the patterns
// and the list are kept at hand; of what a line's READ leaves, the sums after
// it look at no more than its items do: the channel is stepped on past the
// lines read once, on the way out, and the cursor set only when the loop
// stops after a READ (on its other ways out, the statement loop sets it
// with the line state it goes to, or the sums' pending way out has).
#if defined(__SSE2__)
template <class Lanes, int Items>
[[gnu::always_inline]] inline const Line_step* again_lines(void* site, const Line_step* r, const Line_step* back,
                                                           const Kept_chain& chain) {
  auto* s = static_cast<Read_site*>(site);
  ORU_ASSERT(r == &s->step);
  alignas(32) uint8_t vecs[64];
  std::memcpy(vecs, s->nl_vec, 64);
  const Kept_chain list = chain;
  const int items = Items ? Items : s->items;
  const uint8_t* rec = s->sf->rd_buf + s->sf->rd_pos;
  const uint8_t* const last = s->sf->rd_buf + s->sf->rd_fill - 64;  // a line starts here at the latest
  int32_t lines = 0;
  const Line_step* t = back;
  while (rec <= last) {
    uint64_t seps;
    int32_t len, pos;
    if (!scan64<Lanes>(rec, vecs, &seps, &len) || !known_items_assign(s, rec, len, seps, items, &pos)) [[unlikely]]
      break;
    lines++;
    unconsumed = len - pos;
    rec += len + 1;
    ORU_ASSERT(ws.Cur_line_rec == r->from_rec && ws.Cur_stno == r->from_no);
    if (Work_pending()) [[unlikely]] {
      ws.Exec_ptr = s->end;
      t = nullptr;
      break;
    }
    t = kept_lines_listed(r, list.site, list.site + list.n, back);
    if (t != back) [[unlikely]]
      break;  // null when work became pending
  }
  if (lines) {
    // (The channel is the one the loop started with.)
    Seq_fcb* const sf = s->sf;
    const int32_t index = sf->rec_index + lines;
    sf->rd_pos = int32_t(rec - sf->rd_buf);
    sf->rec_count = index - 1;
    sf->rec_index = index;
  }
  return t;
}

// again_lines for a one-string site: the lines read as known_string_take
// reads them, with what does not change while the loop runs (the channel's
// buffer, the variable, its block, the patterns, the list) kept at hand.
// Of what a line's READ leaves, the sums after it look at none: the channel
// is stepped on past the lines read once, on the way out, and the current
// string and the cursor are set only when the loop stops after a READ (on
// its other ways out, the statement loop sets both with the line state it
// goes to, or the sums' pending way out has set them).
template <class Lanes, bool Whole>
[[gnu::always_inline]] inline const Line_step* again_string_run(void* site, const Line_step* r,
                                                                const Line_step* back, const Kept_chain& chain) {
  auto* s = static_cast<Read_site*>(site);
  ORU_ASSERT(r == &s->step);
  Str_blk* const b = s->node[0]->str;
  // The field lengths the block takes in place (fits_short), bit by length.
  const uint32_t cap = b->cap;
  uint64_t fits = 0;
  for (uint32_t n = 1; n < 64; n++)
    if (fits_short(cap, int32_t(n))) fits |= uint64_t(1) << n;
  alignas(32) uint8_t vecs[64];
  std::memcpy(vecs, s->nl_vec, 64);
  const Kept_chain list = chain;
  Let_site* const* const sums = list.site;
  Let_site* const* const sums_end = sums + list.n;
  const uint8_t* rec = s->sf->rd_buf + s->sf->rd_pos;
  const uint8_t* const last = s->sf->rd_buf + s->sf->rd_fill - 64;  // a line starts here at the latest
  int32_t lines = 0;
  const Line_step* t = back;
  while (rec <= last) {
    uint64_t seps;
    int32_t len, flen, pos;
    if (!scan64<Lanes, true>(rec, vecs, &seps, &len) || !string_field(rec, len, seps, &flen, &pos) ||
        !((fits >> flen) & 1)) [[unlikely]]
      break;
    b->len = uint32_t(flen);
    if constexpr (Whole)
      Lanes::copy64(b->bytes(), rec);
    else
      copy_upto64(b->bytes(), rec, size_t(flen));
    lines++;
    unconsumed = len - pos;
    ORU_ASSERT(ws.Cur_line_rec == r->from_rec && ws.Cur_stno == r->from_no);
    if (Work_pending()) [[unlikely]] {
      ws.Str_ptr = const_cast<uint8_t*>(rec);
      ws.Str_len = flen;
      ws.Exec_ptr = s->end;
      rec += len + 1;
      t = nullptr;
      break;
    }
    rec += len + 1;
    t = kept_lines_listed(r, sums, sums_end, back);
    if (t != back) [[unlikely]]
      break;  // null when work became pending
  }
  if (lines) {
    // (The channel and the variable are the ones the loop started with.)
    Seq_fcb* const sf = s->sf;
    s->node[0]->flags |= VF_ASSIGNED;
    const int32_t index = sf->rec_index + lines;
    sf->rd_pos = int32_t(rec - sf->rd_buf);
    sf->rec_count = index - 1;
    sf->rec_index = index;
  }
  return t;
}

// The run for the variable's block: one of 64 bytes or more (Str_capacity's
// sizes: 16, 64, 256, ...) takes the 64 bytes from the field's start whole,
// those past the field landing in its free room.
template <class Lanes>
[[gnu::always_inline]] inline const Line_step* again_string_block(void* site, const Line_step* r,
                                                                  const Line_step* back, const Kept_chain& chain) {
  const Str_blk* const b = static_cast<Read_site*>(site)->node[0]->str;
  if (!b) return back;
  if (b->cap >= 64) return again_string_run<Lanes, true>(site, r, back, chain);
  return again_string_run<Lanes, false>(site, r, back, chain);
}

const Line_step* again_string_lines(void* site, const Line_step* r, const Line_step* back, const Kept_chain& chain) {
  return again_string_block<Lanes16>(site, r, back, chain);
}
const Line_step* again_items_lines(void* site, const Line_step* r, const Line_step* back, const Kept_chain& chain) {
  return again_lines<Lanes16, 0>(site, r, back, chain);
}
const Line_step* again_items2_lines(void* site, const Line_step* r, const Line_step* back, const Kept_chain& chain) {
  return again_lines<Lanes16, 2>(site, r, back, chain);
}
#endif

#if defined(READ_AVX2)
[[gnu::target("avx2")]] const Line_step* again_string_lines_avx2(void* site, const Line_step* r,
                                                                  const Line_step* back, const Kept_chain& chain) {
  return again_string_block<Lanes32>(site, r, back, chain);
}
[[gnu::target("avx2")]] const Line_step* again_items_lines_avx2(void* site, const Line_step* r, const Line_step* back,
                                                                 const Kept_chain& chain) {
  return again_lines<Lanes32, 0>(site, r, back, chain);
}
[[gnu::target("avx2")]] const Line_step* again_items2_lines_avx2(void* site, const Line_step* r,
                                                                  const Line_step* back, const Kept_chain& chain) {
  return again_lines<Lanes32, 2>(site, r, back, chain);
}
#endif

// READ at a site on its first fast READ since the epoch moved: the site's
// code checked (or learned), the run checked, the findings kept.
[[gnu::noinline]] bool read_fresh(Read_site* s, const uint8_t* const p) {
  if (!code_same(*s, p)) {
    if (!learn_site(p)) return false;
    s = &site_slot(p);  // what code_same finds now
  }
  // Io_plain_parse's checks of the run.
  if (ws.Io_next_chan != 0 || Cmd_window_enabled()) return false;
  Fcb* f = Find_fp_cache;
  if (!f || f->channel != s->chan.chan) f = Find_fp(s->chan.chan);
  if (!f || f->kind != FK_SERIAL || (f->owner && Io_owner_other(f)) || (f->st3 & ST3_BUSY)) return false;
  int32_t sep = f->separator;
  if (f->event_pgm || f->lock_len != 0 || sep < 0 || (f->st1 & (ST1_WRITTEN | ST1_WRITE_ONLY))) return false;
  auto* sf = static_cast<Seq_fcb*>(f);
  if (sf->rd_pos >= sf->rd_fill) return false;  // a refill: the general path's
  for (int i = 0, n = s->items; i < n; i++)
    if (!(s->node[i] = plain_var(s->type[i], s->idx[i]))) return false;
  // What this READ and the ones after it at the site (while the epoch
  // holds) take as it is.
  const int32_t max = ws.Max_strlen > 0 ? ws.Max_strlen : INT32_MAX;
  s->sf = sf;
  s->max = max;
  s->sep = sep;
  s->marks = max >= 64 && sep > 0 && sep != '\n';
  s->known = read_known;
  s->again = nullptr;
  s->again_loop = nullptr;
  if (s->marks) {
    const bool one_string = s->items == 1 && s->type[0] == code::STR_VAR;
    if (one_string) s->known = read_known_string;
#if defined(__SSE2__)
    s->again = one_string ? again_string : s->items == 2 ? again_items2 : again_items;
    s->again_loop = one_string ? again_string_lines : s->items == 2 ? again_items2_lines : again_items_lines;
#endif
#if defined(READ_AVX2)
    if (Block_wide_moves) {
      s->known = one_string ? read_known_string_avx2 : read_known_avx2;
      s->again = one_string ? again_string_avx2 : s->items == 2 ? again_items2_avx2 : again_items_avx2;
      s->again_loop = one_string ? again_string_lines_avx2
                      : s->items == 2 ? again_items2_lines_avx2
                                      : again_items_lines_avx2;
    }
#endif
  }
  std::memset(s->nl_vec, '\n', sizeof s->nl_vec);
  std::memset(s->sep_vec, sep, sizeof s->sep_vec);
  // The statement's current-I/O area and the channel's read state, then the
  // line through the kept paths.
  const uint16_t st1 = f->st1, st2 = f->st2;
  s->chan.f = f;
  s->chan.after = p + s->after;
  Io_plain_apply(s->chan, code::D_READ);
  ws.Iol_depth = 0;
  last_site = s;
  f->st2 = uint16_t(st2 & ~ST2_SERIAL_NOT_FIFO);
  f->st1 = uint16_t(st1 | ST1_READ);
  ws.Bsy_count = 0;
  if (read_known_try(s) || read_known_any(s)) {
    // This READ set the statement's ERR= line with its current-I/O area:
    // the statement loop resets it after the statement, so the kept step
    // is not offered here.
    Read_line_step = nullptr;
    s->epoch = Exec_epoch;
    s->step.str = nullptr;
    if (s->code[s->len - 1] == code::EOL) Keep_line_step(s->step);
    return true;
  }
  f->st1 = st1;
  f->st2 = st2;
  ws.Exec_ptr = const_cast<uint8_t*>(p);
  s->epoch = 0;
  return false;
}

}  // namespace

// READ, EXTRACT and FIND.
namespace {

// The statement after its fast path: READ (n) with END= and ERR= at most
// takes the short way to its channel.
void read_general(bool read_stmt) {
  if (!read_stmt || !Io_SetOptions_plain(code::D_READ)) Io_SetOptions(0);
  Fcb* f = ws.Cur_fcb;
  if (!f) Rpt_error(err::WRONG_MODE);
  if (f == ws.Con_fcb && Sw_on(sw::BangX)) {
    dir_jmp[code::D_INPUT - int(code::EXT_DIR)]();  // INPUT, of the terminal layer
    return;
  }
  Read_record();
  Parse_read(ws.Str_ptr, ws.Str_len);
  if (ws.Io_stmt != code::D_EXTRACT) apply_step(f);
}

}  // namespace

void d_read() {
  const uint8_t* s = ws.Stmt_ptr;
  if (s && s[0] == code::D_READ) {
    d_read_stmt();
    return;
  }
  read_general(false);
}

namespace {

// READ when its site's findings do not hold: the fast path that checks them
// afresh, else the general path.
// (A save of the current-I/O area that a nested run owes is taken here: the
// READs after this one at a site, and at the other sites found since, run
// while the epoch holds, and a nested run moves it on at its start and at
// its end (Exec_line), so no save becomes owed while a site's findings hold.)
[[gnu::noinline]] void read_statement(Read_site* site, const uint8_t* p) {
  Io_touch();
  if (read_fresh(site, p)) return;
  // The general path: what READ's fast path kept no longer holds after it.
  ++Exec_epoch;
  const uint8_t* s = ws.Stmt_ptr;
  read_general(s && s[0] == code::D_READ);
}

}  // namespace

Read_again_fn Read_again_site(const uint8_t* p, void** site, Read_again_loop_fn* loop) {
  Read_site* const s = last_site;
  if (s->at != p || s->epoch != Exec_epoch) return nullptr;
  *site = s;
  *loop = s->again_loop;
  return s->again;
}

void d_read_stmt() {
  // A plain list from a serial channel's buffer is read at once: at once
  // from the site's findings while they hold.
  const uint8_t* const p = ws.Exec_ptr;
  Read_site* s = last_site;
  if (s->at == p && s->epoch == Exec_epoch) return s->known(s);
  // Another site's READ ran last: the current-I/O area is set again on the
  // way (read_known_any).
  if (s->at != p) s = &site_slot(p);
  if (s->at == p && s->epoch == Exec_epoch) return read_known_slow(s);
  read_statement(s, p);
}

void Read_record() {
  Fcb* f = ws.Cur_fcb;
  bool extract = ws.Io_stmt == code::D_EXTRACT;
  bool supplied = false;
  if (f->event_pgm) {
    ws.Str_ptr = nullptr;
    ws.Str_len = 0;
    supplied = Run_io_event(f, extract ? "PRE_EXTRACT" : "PRE_READ", extract ? EV_PRE_EXTRACT : EV_PRE_READ) == -2;
  }
  if (!supplied) {
    Fio_call(FIO_READ);
    if (!extract) release_lock(f);
    if (f->event_pgm) Run_io_event(f, extract ? "POST_EXTRACT" : "POST_READ", extract ? EV_POST_EXTRACT : EV_POST_READ);
  }
  uint8_t* rec = ws.Str_ptr;
  int32_t len = ws.Str_len < 0 ? 0 : ws.Str_len;
  if (ws.Io_tbl) {
    uint8_t* copy = len > 0 ? static_cast<uint8_t*>(Get_temp(size_t(len))) : nullptr;
    if (len) std::memcpy(copy, rec, size_t(len));
    Cnv_table(copy, len, ws.Io_tbl, ws.Io_tbl_len);
    rec = copy;
  }
  ws.Str_ptr = rec;
  ws.Str_len = len;
}

// ---- WRITE, INSERT, UPDATE ----

void d_wrte() {
  uint8_t* at = ws.Exec_ptr;
  if (!write_usual()) write_statement();
  KestDuplData(d_wrte, at, "WRITE");
}

// INSERT and UPDATE: as WRITE, told apart by the drivers through
// ws.Io_stmt.  With DATA they write the record from a list of variables to a
// channel, or to a file named instead of the channel:
//   INSERT DATA A$,N,B$,(1,ERR=100)      INSERT DATA A$,N,"name"
// The variables are plain names, elements (A[2]) or whole arrays (A[ALL]);
// the last item, after a ',', is the channel part or the name.  A file
// named is opened on the highest free program channel and closed again
// whatever happens.  The channel must not be input only (13) and must carry
// a stored I/O list, its record layout (84).
namespace {

// Moves the cursor past the variable reference at it (no "(" part).
void skip_list_var() {
  const uint8_t* end = Code_end(ws.Exec_ptr);
  uint8_t c = *ws.Exec_ptr;
  if (c != code::NUM_VAR && c != code::STR_VAR) Rpt_error(err::BAD_IOLIST_ITEM);
  ws.Exec_ptr += Scan_size(ws.Exec_ptr, end);
  if (*ws.Exec_ptr == code::WHOLE_ARRAY) {
    ws.Exec_ptr++;
  } else if (*ws.Exec_ptr == code::LBRACKET) {
    int level = 0;
    do {
      uint8_t k = *ws.Exec_ptr;
      if (k == code::LBRACKET) level++;
      else if (k == code::RBRACKET) level--;
      else if (stmt_end(k)) Rpt_error(err::SYNTAX);
      ws.Exec_ptr += Scan_size(ws.Exec_ptr, end);
    } while (level > 0);
  }
}

void Do_InsUpd(bool insert) {
  uint8_t code_of = insert ? code::X_INSERT : code::X_UPDATE;
  ws.Exec_ptr++;  // DATA
  uint8_t* vars = ws.Exec_ptr;
  uint8_t* target;
  for (;;) {
    target = ws.Exec_ptr;
    uint8_t c = *target;
    if (c != code::NUM_VAR && c != code::STR_VAR) break;
    skip_list_var();
    if (*ws.Exec_ptr != code::COMMA) break;
    ws.Exec_ptr++;
  }
  // The last item is the channel part or the file name.
  if (target == vars) Rpt_error(err::SYNTAX);
  uint8_t* vars_end = target;
  ws.Exec_ptr = target;
  Fcb* opened = nullptr;
  if (*ws.Exec_ptr == code::LPAREN) {
    Io_SetOptions(code_of);
    Dupl_check(ws.Cur_fcb);
  } else {
    Eval_str();
    int32_t len = ws.Str_len;
    uint8_t* name = Work_take(size_t(len) + 1);
    if (len) std::memcpy(name, ws.Str_ptr, size_t(len));
    while (*ws.Exec_ptr == code::COMMA && ws.Exec_ptr[1] == iopt::ERR) {
      ws.Exec_ptr++;
      Chk_err();
    }
    if (!stmt_end(*ws.Exec_ptr)) Rpt_error(err::SYNTAX);
    opened = Open_named(Highest_free_channel(), name, len, 0);
    ws.Io_stmt = code_of;
    ws.Io_opts = 0;
    ws.Io_sep = opened->separator;
    ws.Iol_depth = -1;
    ws.Io_tbl = nullptr;
  }
  uint8_t* after = ws.Exec_ptr;
  Fcb* building = nullptr;  // the channel whose buffer holds the record
  try {
    Fcb* f = ws.Cur_fcb;
    if (!f || (f->st1 & ST1_INPUT_ONLY)) Rpt_error(err::WRONG_MODE);
    if (!Iol_slot(f, 0)) Rpt_error(err::NO_IOLIST);
    prepare_output();
    building = f;
    int32_t start = f->buf_count;
    ws.Exec_ptr = vars;
    while (ws.Exec_ptr < vars_end) {
      if (*ws.Exec_ptr == code::COMMA) {
        ws.Exec_ptr++;
        continue;
      }
      if (whole_array_item()) {
        write_array();
      } else {
        Get_value();
        write_value();
      }
    }
    ws.Exec_ptr = after;
    if (ws.Io_tbl && f->buf_count > start)
      Cnv_table(f->out_buf + start, f->buf_count - start, ws.Io_tbl, ws.Io_tbl_len);
    write_record(f);
  } catch (...) {
    if (building) drop_record(building);
    ws.Exec_ptr = after;
    if (opened) CloseFile(opened);
    throw;
  }
  if (opened) CloseFile(opened);
}

}  // namespace

void d_inse() {
  uint8_t* at = ws.Exec_ptr;
  if (*ws.Exec_ptr == code::D_DATA)
    Do_InsUpd(true);
  else
    write_statement();
  KestDuplData(d_inse, at, "INSERT");
}

void d_upda() {
  uint8_t* at = ws.Exec_ptr;
  if (*ws.Exec_ptr == code::D_DATA)
    Do_InsUpd(false);
  else
    write_statement();
  KestDuplData(d_upda, at, "UPDATE");
}

// ---- REMOVE ----

// REMOVE CONTROL [/]id, ...: each control is removed by the thin client,
// which runs the statement text itself ("/" removes it with its children).
void remove_controls() {
  ws.Stmt_save = ws.Exec_ptr;
  Err_scan();
  std::vector<std::string> texts;
  for (;;) {
    bool all = *ws.Exec_ptr == code::OP_DIV;
    if (all) ++ws.Exec_ptr;
    int32_t id = Eval_integer();
    if (id < CONTROL_ID_MIN || id > CONTROL_ID_MAX) Rpt_error(err::OUT_OF_RANGE);
    texts.push_back("REMOVE CONTROL " + std::string(all ? "*" : "") + std::to_string(id));
    if (*ws.Exec_ptr != code::COMMA || ws.Exec_ptr[1] == code::IOPT_FIRST + 4) break;
    ++ws.Exec_ptr;
  }
  if (*ws.Exec_ptr == code::COMMA) {
    ++ws.Exec_ptr;
    Chk_err();
  }
  if (!Client_is_attached() || !Client_requests.statement)
    Rpt_error_text(err::NOT_BUILT, "REMOVE CONTROL needs an attached thin client (DEFTTY F)");
  for (const std::string& t : texts) Client_requests.statement(t);
}

void d_remo() {
  if (*ws.Exec_ptr == code::PREFIX2) {
    if (ws.Exec_ptr[1] != code::P2_CONTROL) Rpt_error(err::SYNTAX);
    ws.Exec_ptr += 2;
    As_token_form(remove_controls);
    return;
  }
  uint8_t* at = ws.Exec_ptr;
  Io_SetOptions(0);
  Fcb* f = ws.Cur_fcb;
  if (!f || (f->st2 & ST2_LOAD)) Rpt_error(err::WRONG_MODE);
  Dupl_check(f);
  if (!(f->st1 & ST1_WRITTEN)) {
    if (f->st1 & ST1_INPUT_ONLY) Rpt_error(err::WRONG_MODE);
    Fio_call(FIO_WR_MODE);
  }
  if (f->journal_id) Init_file_jrnl();
  if (!(f->ulog_status & ULOG_CHANGED) && Ulog_on() && logged_kind(f)) Journal_Add(f);
  if (f->event_pgm && Run_io_event(f, "PRE_REMOVE", EV_PRE_REMOVE) == -2) return;
  Fio_call(FIO_REMOVE);
  if (f->event_pgm) Run_io_event(f, "POST_REMOVE", EV_POST_REMOVE);
  ws.Bsy_count = 0;
  release_lock(f);
  KestDuplData(d_remo, at, "REMOVE");
}

// ---- PURGE ----

void d_purg() {
  Io_SetOptions(0);
  Purge_channel();
}

void Purge_channel() {
  Chan_hook.prog_cache_forget();  // kept program images are read again
  Fcb* f = ws.Cur_fcb;
  if (!f || (f->st1 & ST1_INPUT_ONLY)) Rpt_error(err::WRONG_MODE);
  if (f->event_pgm && Run_io_event(f, "PRE_PURGE", EV_PRE_PURGE) == -2) return;
  if (f->kind != FK_THIN_CLIENT && !Fio_supports(f->kind, FIO_PURGE)) Rpt_error(err::NOT_SUPPORTED);
  if (f->journal_id && Init_file_jrnl()) Journal_it('P', nullptr, 0, f);
  Fio_call(FIO_PURGE);
  f->st3 |= ST3_PURGED;
  if (f->event_pgm) Run_io_event(f, "POST_PURGE", EV_POST_PURGE);
}

// IOLIST: a list that I/O statements refer to; executing it does nothing.
void d_ioli() {
  while (!stmt_end(*ws.Exec_ptr)) Skip_code();
}

// ---- for other parts ----

int ReadNext(Fcb* f) {
  Io_save_guard keep;
  Select_channel(f);
  ws.Io_opts = IO_END_JMP;
  ws.Io_stmt = code::D_READ;
  ws.Io_key_len = 0;
  ws.Io_key_ptr = nullptr;
  ws.Io_kno = -1;
  try {
    Fio_call(FIO_READ);
  } catch (const End_of_data&) {
    return -1;
  }
  return 0;
}

int ReadViaKey(Fcb* f) {
  Io_save_guard keep;
  int32_t n = ws.Str_len < 0 ? 0 : ws.Str_len;
  uint8_t* key = Work_take(size_t(n) + 1);
  if (n) std::memcpy(key, ws.Str_ptr, size_t(n));
  Select_channel(f);
  ws.Io_opts = IO_KEY;
  ws.Io_stmt = code::D_READ;
  ws.Io_key_ptr = key;
  ws.Io_key_len = n;
  ws.Io_kno = -1;
  ws.Dom_line = 0;
  ws.End_line = 0;
  Catch_region region;
  try {
    Fio_call(FIO_SETKEY);
    Fio_call(FIO_READ);
  } catch (const Oru_error& e) {
    if (e.no == err::RECORD_BUSY) throw;  // busy: the statement retries
    return e.no;
  }
  return 0;
}
