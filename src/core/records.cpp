// Record (composite) variables.
//
// A record is a string variable (node flag VF_RECORD) whose rec_list holds a
// field list.  Its fields are ordinary variables named by the record's name,
// "." and the field's name: the fields of R$ are R$.NAME$, R$.QTY and so on
// (those of a global record %R$ are %R$.NAME$ ..., so they are global too).
// Reading the record as a string builds it from its fields (Gen_record);
// assigning a string to it splits the string into its fields (Let_record).
// The record's own string slot holds the last text built or assigned.
//
// Field list block (a Get_blk block; numbers big-endian):
//
//   u16  total length of the block, this word included
//   item*:
//     u8   type   1 numeric, 2 string, '*' skip (an empty field)
//     u8   form   'P' plain: ended by the record separator
//                 'C' text of a fixed width (padded with blanks or cut)
//                 'N' number right-aligned in a fixed width
//                 'D' text or number ended by its own delimiter
//                 'I' integer, big-endian two's complement of a fixed width
//                 'U' integer, big-endian unsigned of a fixed width
//                 'X' IEEE single (4 bytes)   'F' IEEE double (8 bytes)
//                 'E' IEEE double, written D in a template (8 bytes)
//                 'B' integer, two's complement (8 bytes)
//                 'Y' amount in ten-thousandths, two's complement (8 bytes)
//                 'M' text through a format mask, ended by the record
//                 separator (an I/O list's N:"##0"; the mask is the
//                 description)
//     u32  width  ('C' and 'N' 1..100,000,000; 'I' and 'U' 1..8; the size
//                 of X E F B Y; 0 otherwise)
//     u16  delim  ('D': 0..255 the byte, DELIM_DEFAULT the record separator,
//                 DELIM_NONE none: the field takes the rest of the record;
//                 binary forms: the byte order, ORDER_* below)
//     u16  count  elements of an array field ("NAME[n]": the field variable
//                 is an array 1..n, each element a field of this form);
//                 0 a plain field
//     u8   n      length of the field's name (0 for a skip)
//     n    name   upper-cased, "$" ending a string field's name
//     u16  d      length of the field's description (the text between
//                 the colons after a template field; an 'M' field's mask),
//                 then d bytes
//     u8   k      dimensions of an I/O list's whole array (0 otherwise),
//                 then k pairs of i32 base and i32 size
//   u8   255
//
// Invariant: every item lies inside the block and the list ends with 255;
// Def_record is the only writer.
//
// The record separator is system parameter FS, or a line feed when switch
// TX is on.  Plain fields (those of an inline IOLIST) are each followed by
// it; a template's fixed-width fields are not.
//
// Binary fields ('I', 'U', 'B') hold the integer part of the value; a value
// the width cannot hold (I: -2^(8w-1) .. 2^(8w-1)-1, U: 0 .. 2^(8w)-1) is
// error 41 and nothing of the record is built.  'Y' holds the value rounded
// to four places times 10,000.  'X', 'F' and 'E' hold the value as the
// nearest float or double (a value read back is that binary fraction's
// shortest decimal form).  A record that ends inside a binary field reads as
// if padded with zero bytes.
//
// Byte order of the binary forms, from the template's "/" letters: none or
// "/B" big-endian, "/L" little-endian, "/W" 16-bit words in little-endian
// order with each word's bytes big-endian, "/" alone the host's order
// (little-endian here); other combinations are error 81.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "core/hooks.h"
#include "core/codes.h"
#include "core/errors.h"
#include "core/evaluator.h"
#include "core/memory.h"
#include "core/messages.h"
#include "core/params.h"
#include "core/switches.h"
#include "core/variables.h"
#include "core/workspace.h"
#include "core/masks.h"

namespace {

constexpr uint32_t FIELD_WIDTH_MAX = 100000000;
constexpr uint32_t BINARY_WIDTH_MAX = 8;  // an integer's 64 bits
constexpr uint32_t TEMPLATE_INT_WIDTH_MAX = 6;  // I(n) and U(n) of a template
constexpr uint32_t ARRAY_FIELD_MAX = 10000;  // elements of one array field
constexpr uint32_t LIST_FIELD_WIDTH_MAX = 10240;  // CHR(n) and NUM(n) of an I/O list
constexpr int32_t LIST_FIELD_DECIMALS_MAX = 10;
constexpr uint8_t FNC_CHR = 80, FNC_NUM = 108;  // the conversion clauses' codes
enum : uint16_t { ORDER_BIG = 0, ORDER_LITTLE = 1, ORDER_WORDS = 2 };

bool binary_form(uint8_t form) {
  return form == 'I' || form == 'U' || form == 'X' || form == 'F' || form == 'E' || form == 'B' || form == 'Y';
}
bool fixed_form(uint8_t form) { return form == 'C' || form == 'N' || binary_form(form); }

// Big-endian bytes into the field's order and back (the same permutation
// both ways for these orders).
void reorder(uint8_t* b, uint32_t w, uint16_t order) {
  if (order == ORDER_LITTLE) {
    std::reverse(b, b + w);
  } else if (order == ORDER_WORDS && w % 2 == 0) {
    for (uint32_t i = 0; i < w / 2; i += 2) {
      std::swap(b[i], b[w - 2 - i]);
      std::swap(b[i + 1], b[w - 1 - i]);
    }
  }
}

struct Field {
  uint8_t type = 0;  // 1, 2 or '*'
  uint8_t form = 'P';
  uint32_t width = 0;
  uint16_t delim = DELIM_DEFAULT;
  uint16_t count = 0;  // array field: its elements
  // An I/O list's whole array: the array's bounds when the record was
  // defined (dims 0: an array field subscripted from 1)
  uint8_t dims = 0;
  int32_t base[3] = {0, 0, 0};
  int32_t size[3] = {1, 1, 1};
  std::string name;
  std::string desc;    // a template field's description
};

uint8_t record_separator() { return Sw_on(sw::TX) ? uint8_t('\n') : prmblk.FS; }

inline uint8_t up(uint8_t c) { return (c >= 'a' && c <= 'z') ? uint8_t(c - 32) : c; }

// The length-prefixed name of the reference at p (code, inline or indexed);
// *next is set past the reference.
std::string ref_name(const uint8_t* p, const uint8_t** next) {
  if (p[1] & 0x80) {
    uint32_t idx = (uint32_t(p[1] & 0x7F) << 8) | p[2];
    if (idx >= ws.Name_cnt || !ws.Name_index || !ws.Name_pool) Rpt_error(err::INTERNAL_CODE);
    const uint8_t* nm = ws.Name_pool + ws.Name_index[idx];
    *next = p + 3;
    return std::string(reinterpret_cast<const char*>(nm + 1), nm[0]);
  }
  *next = p + 2 + p[1];
  return std::string(reinterpret_cast<const char*>(p + 2), p[1]);
}

// A field's name from its item: a text field named with 127 characters
// has its "$" left out of the item (a name held inline has at most 127).
std::string field_ref_name(uint8_t type, const uint8_t* p, const uint8_t** next) {
  std::string name = ref_name(p, next);
  if (type == code::STR_VAR && (name.empty() || name.back() != '$')) name += '$';
  return name;
}

// The field variable of record `rec` (its name as written, "$" included):
// named "rec.field", longer than a name a program can write.  A name too
// long even so (a long REC= prefix before a field's name) is error 23.
Var_node* field_var(const std::string& rec, uint8_t type, const std::string& field) {
  std::string full = rec + "." + field;
  if (full.size() > size_t(VAR_NAME_MAX)) Rpt_error(err::BAD_NAME);
  Var_node* n = Find_var_name(type, reinterpret_cast<const uint8_t*>(full.data()), int(full.size()));
  if (n) n->flags |= VF_FIELD;
  return n;
}

std::vector<Field> read_list(const uint8_t* blk) {
  std::vector<Field> out;
  const uint8_t* p = blk + 2;
  const uint8_t* end = blk + get_u16be(blk);
  while (p < end && *p != 255) {
    if (end - p < 13 || end - p < 13 + p[10]) Rpt_error(err::INTERNAL_CODE);
    Field f;
    f.type = p[0];
    f.form = p[1];
    f.width = get_u32be(p + 2);
    f.delim = get_u16be(p + 6);
    f.count = get_u16be(p + 8);
    f.name.assign(reinterpret_cast<const char*>(p + 11), p[10]);
    const uint8_t* d = p + 11 + p[10];
    size_t dn = get_u16be(d);
    if (size_t(end - d) < 2 + dn) Rpt_error(err::INTERNAL_CODE);
    f.desc.assign(reinterpret_cast<const char*>(d + 2), dn);
    const uint8_t* b = d + 2 + dn;
    if (end - b < 1 || b[0] > 3 || end - b < 1 + 8 * b[0]) Rpt_error(err::INTERNAL_CODE);
    f.dims = b[0];
    for (int i = 0; i < f.dims; i++) {
      f.base[i] = int32_t(get_u32be(b + 1 + 8 * i));
      f.size[i] = int32_t(get_u32be(b + 5 + 8 * i));
    }
    out.push_back(std::move(f));
    p = b + 1 + 8 * f.dims;
  }
  return out;
}

uint8_t* write_list(const std::vector<Field>& fields) {
  size_t n = 3;
  for (const Field& f : fields) n += 14 + f.name.size() + f.desc.size() + 8 * f.dims;
  if (n > 0xFFFF) Rpt_error(err::BAD_IOLIST_ITEM);
  auto* b = static_cast<uint8_t*>(Get_blk(n));
  if (!b) Rpt_error(err::OUT_OF_MEMORY);
  put_u16be(b, uint16_t(n));
  uint8_t* p = b + 2;
  for (const Field& f : fields) {
    p[0] = f.type;
    p[1] = f.form;
    put_u32be(p + 2, f.width);
    put_u16be(p + 6, f.delim);
    put_u16be(p + 8, f.count);
    p[10] = uint8_t(f.name.size());
    std::memcpy(p + 11, f.name.data(), f.name.size());
    p += 11 + f.name.size();
    put_u16be(p, uint16_t(f.desc.size()));
    if (!f.desc.empty()) std::memcpy(p + 2, f.desc.data(), f.desc.size());
    p += 2 + f.desc.size();
    *p++ = f.dims;
    for (int i = 0; i < f.dims; i++) {
      put_u32be(p, uint32_t(f.base[i]));
      put_u32be(p + 4, uint32_t(f.size[i]));
      p += 8;
    }
  }
  *p = 255;
  return b;
}

// ---- template strings: NAME:T(n) {, NAME:T(n)} ----

struct Tpl_reader {
  const uint8_t* s;
  size_t len;
  size_t pos = 0;
  bool at(char c) const { return pos < len && s[pos] == uint8_t(c); }
  [[noreturn]] static void bad() { Rpt_error(err::BAD_IOLIST_ITEM); }
  void expect(char c) {
    if (!at(c)) bad();
    ++pos;
  }
  uint32_t number() {
    if (pos >= len || s[pos] < '0' || s[pos] > '9') bad();
    uint32_t v = 0;
    while (pos < len && s[pos] >= '0' && s[pos] <= '9') {
      v = v * 10 + uint32_t(s[pos++] - '0');
      if (v > FIELD_WIDTH_MAX) bad();
    }
    return v;
  }
};

// Compiles a template string into fields.  Names are letters, digits, "."
// and "_" (first a letter or "_"), upper-cased; "*" instead of a name is a
// skip field.  T is C (text), N (number), I or U (binary integers); n is the
// width (1..100,000,000; 1..8 for I and U), "*" a field ended by the
// record separator, "*=d" by byte d, "*=" by nothing ("n*", "n*=d": the
// same, with the width the value is expected to have).  A ":" after ")"
// starts a comment that runs to the next ":".  Any fault of the text is
// error 81.
std::vector<Field> BBX_comp(const uint8_t* s, size_t len) {
  std::vector<Field> out;
  Tpl_reader r{s, len};
  while (r.pos < len) {
    Field f;
    if (r.at('*')) {
      ++r.pos;
      f.type = '*';
    } else {
      auto name_char = [&](uint8_t c, bool first) {
        bool letter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
        return letter || (!first && ((c >= '0' && c <= '9') || c == '.'));
      };
      if (r.pos >= len || !name_char(s[r.pos], true)) Tpl_reader::bad();
      while (r.pos < len && name_char(s[r.pos], false)) f.name += char(up(s[r.pos++]));
      if (r.at('[')) {  // an array field of n elements
        ++r.pos;
        uint32_t n = r.number();
        if (n < 1 || n > ARRAY_FIELD_MAX) Tpl_reader::bad();
        f.count = uint16_t(n);
        r.expect(']');
      }
    }
    r.expect(':');
    if (r.pos >= len) Tpl_reader::bad();
    uint8_t t = up(s[r.pos++]);
    bool binary = t == 'I' || t == 'U';
    uint32_t size = t == 'X' ? 4 : (t == 'B' || t == 'D' || t == 'F' || t == 'Y') ? 8 : 0;
    if (t != 'C' && t != 'N' && !binary && !size) Tpl_reader::bad();
    uint16_t order = ORDER_BIG;
    if (r.at('/')) {  // the byte order of a binary field
      if (!binary && !size) Tpl_reader::bad();
      ++r.pos;
      unsigned flags = 0;
      while (r.pos < len && (up(s[r.pos]) == 'B' || up(s[r.pos]) == 'W' || up(s[r.pos]) == 'L')) {
        uint8_t c = up(s[r.pos++]);
        flags |= c == 'B' ? 1u : c == 'W' ? 2u : 4u;
      }
      if (!flags) flags = 7;
      if (flags == 1) order = ORDER_BIG;
      else if (flags == 2) order = ORDER_WORDS;
      else if (flags == 4 || flags == 7) order = ORDER_LITTLE;  // "/" alone: the host's order
      else Tpl_reader::bad();
    }
    if (size) {
      // The fixed-size forms take no width.
      f.form = t == 'D' ? uint8_t('E') : t;
      f.width = size;
      f.delim = order;
    } else {
    r.expect('(');
    // "n*": a width followed by "*" is a delimited field too (the width
    // only says how wide the value is expected to be).
    size_t star = r.pos;
    while (star < len && s[star] >= '0' && s[star] <= '9') ++star;
    if (star > r.pos && star < len && s[star] == '*') {
      if (r.number() < 1) Tpl_reader::bad();
    }
    if (r.at('*')) {
      if (binary) Tpl_reader::bad();  // a binary field has no delimiter
      ++r.pos;
      f.form = 'D';
      f.delim = DELIM_DEFAULT;
      if (r.at('=')) {
        ++r.pos;
        f.delim = r.at(')') ? DELIM_NONE : uint16_t(r.number());
        if (f.delim > 255 && f.delim != DELIM_NONE) Tpl_reader::bad();
      }
    } else {
      uint32_t w = r.number();
      if (w < 1 || w > (binary ? TEMPLATE_INT_WIDTH_MAX : FIELD_WIDTH_MAX)) Tpl_reader::bad();
      f.form = t;
      f.width = w;
      if (binary) f.delim = order;
    }
    r.expect(')');
    }
    if (r.at(':')) {  // description up to the next ":"
      ++r.pos;
      size_t from = r.pos;
      while (r.pos < len && s[r.pos] != ':') ++r.pos;
      f.desc.assign(reinterpret_cast<const char*>(s + from), r.pos - from);
      r.expect(':');
    }
    if (f.type != '*') {
      f.type = t == 'C' ? code::STR_VAR : code::NUM_VAR;
      // Up to 127 characters, the "$" of a text field not counted.
      if (f.name.size() > 127) Tpl_reader::bad();
      if (t == 'C') f.name += '$';
    }
    out.push_back(std::move(f));
    if (r.pos >= len) break;
    r.expect(',');
    if (r.pos >= len) Tpl_reader::bad();  // a trailing ","
  }
  if (out.empty()) Tpl_reader::bad();
  return out;
}

// ---- building and splitting ----

std::string record_name(const Var_node* n) { return std::string(n->name, n->name_len); }

// A numeric field's value as a binary field of f.width bytes (error 41
// when the width cannot hold it).
void append_binary(std::string& out, const Num_val& value, const Field& f) {
  uint32_t w = f.width;
  uint8_t bytes[BINARY_WIDTH_MAX];
  if (f.form == 'X' || f.form == 'F' || f.form == 'E') {
    double d = Val_to_dbl(value);
    if (f.form == 'X') {
      if (std::fabs(d) > 3.4028234663852886e38) Rpt_error(err::OUT_OF_RANGE);  // no float holds it
      float x = float(d);
      uint32_t u;
      std::memcpy(&u, &x, 4);
      put_u32be(bytes, u);
    } else {
      uint64_t u;
      std::memcpy(&u, &d, 8);
      put_u32be(bytes, uint32_t(u >> 32));
      put_u32be(bytes + 4, uint32_t(u));
    }
  } else {
    Num_val v = value;
    Set_scl(v, f.form == 'Y' ? 4 : 0, f.form == 'Y' ? 1 : 0);  // the integer part, or ten-thousandths
    if (f.form == 'Y') {
      if (v.scale != 4) Rpt_error(err::OUT_OF_RANGE);  // too large to carry four places
      v.scale = 0;
    }
    bool fits;
    if (f.form == 'I' || f.form == 'B' || f.form == 'Y') {
      fits = w >= 8 || (v.mant >= -(int64_t(1) << (8 * w - 1)) && v.mant < (int64_t(1) << (8 * w - 1)));
    } else {
      fits = v.mant >= 0 && (w >= 8 || v.mant < (int64_t(1) << (8 * w)));
    }
    if (!fits) Rpt_error(err::OUT_OF_RANGE);
    Cnv_bin(v, bytes, w);
  }
  reorder(bytes, w, f.delim);
  out.append(reinterpret_cast<const char*>(bytes), w);
}

// The number a binary field's bytes hold (n <= width; missing bytes at the
// end are zeros).
Num_val binary_value(const Field& f, const uint8_t* s, size_t n) {
  uint8_t bytes[BINARY_WIDTH_MAX + 1] = {};  // a leading zero makes U unsigned
  std::memcpy(bytes + 1, s, std::min<size_t>(n, f.width));
  reorder(bytes + 1, f.width, f.delim);
  if (f.form == 'X' || f.form == 'F' || f.form == 'E') {
    double d;
    if (f.form == 'X') {
      uint32_t u = get_u32be(bytes + 1);
      float x;
      std::memcpy(&x, &u, 4);
      if (!std::isfinite(x)) Rpt_error(err::OUT_OF_RANGE);
      // The float's own shortest form: 0.1 stored reads back as 0.1.
      char text[32];
      auto [end, ec] = std::to_chars(text, text + sizeof text, x);
      Num_val v;
      if (ec != std::errc() || Conv_str_chk(reinterpret_cast<const uint8_t*>(text), size_t(end - text), v) != 0)
        Dbl_to_val(double(x), v);
      return v;
    } else {
      uint64_t u = (uint64_t(get_u32be(bytes + 1)) << 32) | get_u32be(bytes + 5);
      std::memcpy(&d, &u, 8);
    }
    if (!std::isfinite(d)) Rpt_error(err::OUT_OF_RANGE);  // no number of ours: infinity or not a number
    Num_val v;
    Dbl_to_val(d, v);
    return v;
  }
  if (f.form == 'Y') {
    Num_val v = Cnv_dec(bytes + 1, 8);
    v.scale = 4;
    return v;
  }
  if (f.form == 'I' || f.form == 'B') return Cnv_dec(bytes + 1, f.width);
  // An unsigned field of 8 bytes past 2^63 - 1 is no integer of ours.
  if (f.width >= 8 && (bytes[1] & 0x80)) Rpt_error(err::NUMERIC_OVERFLOW);
  return Cnv_dec(bytes, size_t(f.width) + 1);
}

// The value slots of a field variable: the scalar, or element e of an
// array field.
Num_val* num_slot(Var_node* v, uint32_t e, const Field& f) {
  if (!f.count) return &v->num;
  if (!v->elems || e >= Var_count(v)) Rpt_error(err::BAD_SUBSCRIPT);
  return static_cast<Num_val*>(v->elems) + e;
}
Str_blk** str_slot(Var_node* v, uint32_t e, const Field& f) {
  if (!f.count) return &v->str;
  if (!v->elems || e >= Var_count(v)) Rpt_error(err::BAD_SUBSCRIPT);
  return static_cast<Str_blk**>(v->elems) + e;
}

// A template's N or separator-ended numeric field (a scalar) that holds no
// value yet: not assigned since the template was set (a separator-ended
// one: or split from an empty field).
bool unset_field(const Var_node* v, const Field& f) {
  return (f.form == 'D' || f.form == 'N') && !f.count && !(v->flags & VF_ASSIGNED);
}

// A number rounded to d decimals, written with exactly d of them (NUM(n,d)
// of an I/O list).
std::string fixed_decimals(Num_val v, int d) {
  Set_scl(v, d, 1);
  char buf[CONV_NORMAL_MAX];
  std::string t(buf, size_t(Int_text(v.mant, buf)));
  const bool neg = !t.empty() && t[0] == '-';
  if (neg) t.erase(0, 1);
  if (d > 0) {
    if (t.size() <= size_t(d)) t.insert(0, size_t(d) + 1 - t.size(), '0');
    t.insert(t.size() - size_t(d), 1, '.');
  }
  if (neg) t.insert(0, 1, '-');
  return t;
}

// A number's text in a text field: an N field whose width cannot hold the
// whole text is error 41 (cutting it would store another number).
std::string number_text(const Num_val& value, const Field& f) {
  char buf[CONV_NORMAL_MAX];
  std::string text(buf, size_t(Conv_normal(value, buf)));
  if (f.form == 'N' && text.size() > f.width) Rpt_error(err::OUT_OF_RANGE);
  return text;
}

// A number's text in a text field of the record: an N field with a count of
// decimals (NUM(n,d) of an I/O list) writes exactly that many; what its width
// cannot hold is error 41 as for any N field.
std::string field_number_text(const Num_val& value, const Field& f) {
  if (f.form == 'M') {  // through the field's mask
    std::string text;
    const int err = Conv_val_viafmt(value, reinterpret_cast<const uint8_t*>(f.desc.data()), f.desc.size(), text);
    if (err) Rpt_error(err);
    return text;
  }
  if (f.form != 'N' || f.delim > LIST_FIELD_DECIMALS_MAX) return number_text(value, f);
  std::string text = fixed_decimals(value, f.delim);
  if (text.size() > f.width) Rpt_error(err::OUT_OF_RANGE);
  return text;
}

void append_value(std::string& out, Var_node* v, uint32_t e, const Field& f) {
  if (binary_form(f.form)) {
    append_binary(out, v->type == code::NUM_VAR ? *num_slot(v, e, f) : Num_val{}, f);
    return;
  }
  std::string text;
  if (v->type == code::NUM_VAR && unset_field(v, f)) {
    // A field not given a value: an N field holds its fill byte "0"
    // repeated, a separator-ended field its separator only.
    if (f.form == 'N') text.assign(f.width, '0');
  } else if (f.form == 'M') {
    const auto* m = reinterpret_cast<const uint8_t*>(f.desc.data());
    if (v->type == code::NUM_VAR) {
      text = field_number_text(*num_slot(v, e, f), f);
    } else {
      const Str_blk* b = *str_slot(v, e, f);
      const int err = Fmt_str(b ? b->bytes() : m, b ? b->len : 0, m, f.desc.size(), text);
      if (err) Rpt_error(err);
    }
  } else if (v->type == code::NUM_VAR) {
    text = field_number_text(*num_slot(v, e, f), f);
  } else if (Str_blk* b = *str_slot(v, e, f)) {
    text.assign(reinterpret_cast<const char*>(b->bytes()), b->len);
  }
  if (f.form == 'C' || f.form == 'N') {
    size_t w = f.width;
    if (text.size() >= w) {
      text.resize(w);
    } else if (f.form == 'N' || v->type == code::NUM_VAR) {
      text.insert(0, w - text.size(), ' ');
    } else {
      text.append(w - text.size(), ' ');
    }
  }
  out += text;
}

// A string field takes the text (a fixed-length one keeps its length).
void set_string(Var_node* v, uint32_t e, const Field& f, const uint8_t* s, size_t n) {
  Let_target t;
  t.node = v;
  t.val = str_slot(v, e, f);
  if (f.count) t.elem = int32_t(e);
  t.str_len = 0;
  ws.Str_ptr = const_cast<uint8_t*>(s);
  ws.Str_len = int32_t(n);
  Let_assign(t);
}

void set_number(Var_node* v, Num_val* dst, const uint8_t* s, size_t n) {
  Num_val x;
  size_t i = 0;
  while (i < n && s[i] == ' ') ++i;
  if (i < n) {
    int err = Conv_str_chk(s, n, x);
    if (err) Rpt_error(err);
  }
  ws.Num_acc = x;
  ws.Str_len = -1;
  ws.Math_flags = 0;
  // The record's own bytes are what the field holds: no fit to ask.
  const uint32_t field = v->flags & VF_FIELD;
  v->flags &= ~VF_FIELD;
  try {
    Store_num(v, dst);
  } catch (...) {
    v->flags |= field;
    throw;
  }
  v->flags |= field;
}

}  // namespace

namespace {

// Error 41 when value cannot be stored in the numeric field named field of
// the record variable whose name is the first rec_len bytes at rec; nothing
// when there is no such record (or its template was removed) or field.
void check_named_field_fits(const char* rec, size_t rec_len, std::string field, const Num_val& value) {
  for (char& c : field) c = char(up(uint8_t(c)));
  Var_node* r = Look_var_name(code::STR_VAR, reinterpret_cast<const uint8_t*>(rec), int(rec_len));
  if (!r || !r->rec_list || (r->flags & VF_UNTEMPLATED)) return;
  for (const Field& f : read_list(r->rec_list)) {
    if (f.type != code::NUM_VAR || f.name != field) continue;
    std::string scratch;
    if (binary_form(f.form))
      append_binary(scratch, value, f);
    else
      field_number_text(value, f);
    return;
  }
}

}  // namespace

void Check_field_fits(const uint8_t* p, const Num_val& value) {
  if (*p != code::REC_VAR) return;
  const uint8_t* q;
  std::string rec = ref_name(p, &q);
  if (*q != code::NUM_VAR) return;
  check_named_field_fits(rec.data(), rec.size(), ref_name(q, &q), value);
}

void Check_field_node_fits(const Var_node* node, const Num_val& value) {
  std::string full(node->name, node->name_len);
  size_t dot = full.rfind('.');
  if (node->type != code::NUM_VAR || dot == std::string::npos) return;
  check_named_field_fits(full.data(), dot, full.substr(dot + 1), value);
}

Var_node* Find_field() {
  const uint8_t* p = ws.Exec_ptr;
  if (*p != code::REC_VAR) Rpt_error(err::INTERNAL_CODE);
  const uint8_t* q;
  std::string rec = ref_name(p, &q);
  uint8_t type = *q;
  if (type != code::NUM_VAR && type != code::STR_VAR) Rpt_error(err::INTERNAL_CODE);
  std::string field = field_ref_name(type, q, &q);
  // A variable whose template was removed has no fields.
  if (Var_node* r = Look_var_name(code::STR_VAR, reinterpret_cast<const uint8_t*>(rec.data()), int(rec.size())))
    if (r->flags & VF_UNTEMPLATED) Rpt_error(err::SUBSTRING_RANGE);
  Var_node* n = field_var(rec, type, field);
  ws.Exec_ptr = const_cast<uint8_t*>(q);
  ws.Cur_var = n;
  if (n->read_mask & ~ws.Var_mask) Rpt_error(err::NOT_ACCESSIBLE);
  return n;
}

namespace {

// Standard templates: "_kest/kestdim.txt" under the library directory, read
// once.  Lines "NAME=definition"; a definition goes on over the following
// lines while a line ends with ","; blanks and tabs that begin a line are
// skipped and blanks that end it dropped.  Names match without regard to
// case.
const std::vector<std::pair<std::string, std::string>>& standard_templates() {
  static std::vector<std::pair<std::string, std::string>> all;
  static bool loaded = false;
  if (loaded) return all;
  loaded = true;
  std::FILE* fp = std::fopen((Lib_dir_path() + "/_kest/kestdim.txt").c_str(), "rb");
  if (!fp) return all;
  std::string line, name, def;
  bool going_on = false;
  auto finish = [&] {
    if (!name.empty()) all.emplace_back(name, def);
    name.clear();
    def.clear();
  };
  char buf[4096];
  while (std::fgets(buf, sizeof buf, fp)) {
    line = buf;
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r' || line.back() == ' ')) line.pop_back();
    size_t i = 0;
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
    line.erase(0, i);
    if (going_on) {
      def += line;
    } else {
      size_t eq = line.find('=');
      if (eq == std::string::npos || eq == 0) continue;
      finish();
      name = line.substr(0, eq);
      for (char& c : name) c = char(up(uint8_t(c)));
      def = line.substr(eq + 1);
    }
    going_on = !def.empty() && def.back() == ',';
    if (!going_on) finish();
  }
  finish();
  std::fclose(fp);
  return all;
}

// A template "+NAME": the standard template of that name (error 11 when
// the file has none).
std::string standard_template(const std::string& tpl) {
  std::string want = tpl.substr(1);
  for (char& c : want) c = char(up(uint8_t(c)));
  for (const auto& [name, def] : standard_templates())
    if (name == want) return def;
  Rpt_error(err::MISSING_RECORD);
}

// A conversion clause after ":" (the cursor on its function code): CHR(n)
// makes a fixed-width text field, NUM(n [,d]) a fixed-width number with d
// decimals (kept in the delimiter word, which an N field has no other use
// for); n is 0 to 10,240, d 0 to 10 (error 41).
void list_conversion(Field& f) {
  const uint8_t c = *ws.Exec_ptr;
  if (c != FNC_CHR && c != FNC_NUM) {
    // A string-valued format: a mask the field's value is written through,
    // taken when the record is defined (at most 8,192 bytes, error 46).
    // Anything else (A$:C(5), a numeric array) is no format.
    if (c != code::STR_LIT && c != code::HEX_LIT && c != code::STR_VAR) Rpt_error(err::BAD_IOLIST_ITEM);
    Eval_str();
    if (ws.Str_len > int32_t(FMT_MASK_MAX)) Rpt_error(err::STRING_LENGTH);
    f.form = 'M';
    f.desc.assign(reinterpret_cast<const char*>(ws.Str_ptr), size_t(ws.Str_len));
    return;
  }
  ws.Exec_ptr++;
  f.width = uint32_t(Eval_range(0, LIST_FIELD_WIDTH_MAX));
  f.form = c == FNC_CHR ? 'C' : 'N';
  if (c == FNC_NUM && *ws.Exec_ptr == code::COMMA) {
    ws.Exec_ptr++;
    f.delim = uint16_t(Eval_range(0, LIST_FIELD_DECIMALS_MAX));
  }
  if (*ws.Exec_ptr != code::RPAREN) Rpt_error(err::BAD_IOLIST_ITEM);
  ws.Exec_ptr++;
}

// The fields of compiled I/O-list items (an inline list, an IOLIST line, a
// compiled image): variables, whole arrays (A[ALL]: an array field with the
// array's present bounds) and "*" (error 81 otherwise), each
// variable with an optional conversion clause, up to the end of the
// statement or of the list.
std::vector<Field> list_fields() {
  std::vector<Field> fields;
  for (;;) {
    uint8_t c = *ws.Exec_ptr;
    Field f;
    if (c == code::OP_MUL) {
      f.type = '*';
      ws.Exec_ptr++;
    } else if (c == code::NUM_VAR || c == code::STR_VAR) {
      const uint8_t* q;
      f.type = c;
      f.name = ref_name(ws.Exec_ptr, &q);
      ws.Exec_ptr = const_cast<uint8_t*>(q);
      if (*ws.Exec_ptr == code::WHOLE_ARRAY) {
        ws.Exec_ptr++;
        const Var_node* a = Find_var_name(c, reinterpret_cast<const uint8_t*>(f.name.data()), int(f.name.size()));
        const uint32_t n = a ? Var_count(a) : 0;
        if (n == 0) Rpt_error(err::BAD_SUBSCRIPT);
        if (n > ARRAY_FIELD_MAX) Rpt_error(err::OUT_OF_RANGE);
        f.count = uint16_t(n);
        f.dims = a->dims ? a->dims : 1;  // the array's present bounds
        for (int i = 0; i < 3; i++) {
          f.base[i] = a->base[i];
          f.size[i] = a->size[i];
        }
      }
      if (*ws.Exec_ptr == code::COLON) {
        ws.Exec_ptr++;
        list_conversion(f);
      }
    } else {
      Rpt_error(err::BAD_IOLIST_ITEM);
    }
    fields.push_back(std::move(f));
    if (*ws.Exec_ptr != code::COMMA) break;
    ws.Exec_ptr++;
  }
  if (*ws.Exec_ptr != code::EOL && !(Cde_tbl[*ws.Exec_ptr] & CC_STMT_END)) Rpt_error(err::BAD_IOLIST_ITEM);
  return fields;
}

// The fields of the list at items (a line's or an image's), the cursor kept.
std::vector<Field> fields_of_items(const uint8_t* items) {
  uint8_t* resume = ws.Exec_ptr;
  ws.Exec_ptr = const_cast<uint8_t*>(items);
  std::vector<Field> fields;
  try {
    fields = list_fields();
  } catch (...) {
    ws.Exec_ptr = resume;
    throw;
  }
  ws.Exec_ptr = resume;
  return fields;
}

}  // namespace

void Def_record(Var_node* node) {
  std::vector<Field> fields;
  if (Is_line_ref(*ws.Exec_ptr)) {
    fields = fields_of_items(Core_hook.iolist_items());  // the list of an IOLIST line
  } else if (*ws.Exec_ptr == code::D_IOLIST) {
    // Inline I/O list: plain variables and "*", to the end of the statement.
    ws.Exec_ptr++;
    fields = list_fields();
  } else {
    Eval_formula();
    if (ws.Str_len < 0) {
      // A line number: the list of that IOLIST line.
      int64_t line = To_integer(ws.Num_acc);
      if (line < 1 || line > 65535) Rpt_error(err::OUT_OF_RANGE);
      uint8_t ref[4] = {code::LINE_REF, uint8_t(line >> 8), uint8_t(line), code::EOL};
      uint8_t* resume = ws.Exec_ptr;
      ws.Exec_ptr = ref;
      const uint8_t* items;
      try {
        items = Core_hook.iolist_items();
      } catch (...) {
        ws.Exec_ptr = resume;
        throw;
      }
      ws.Exec_ptr = resume;
      fields = fields_of_items(items);
    } else {
      std::string tpl(reinterpret_cast<const char*>(ws.Str_ptr), size_t(ws.Str_len));
      if (!tpl.empty() && uint8_t(tpl.back()) == 255)  // a compiled I/O-list image
        fields = fields_of_items(Core_hook.iolist_items_of_string(reinterpret_cast<const uint8_t*>(tpl.data()), int32_t(tpl.size())));
      else if (tpl.empty()) {
        // An empty template text removes the template: the variable keeps
        // the record's text as a plain string.
        if (node->rec_list) {
          Gen_record(node);
          Ret_blk(node->rec_list);
          node->rec_list = nullptr;
          node->flags = (node->flags & ~VF_RECORD) | VF_UNTEMPLATED;
          Var_shape_changed();
        }
        return;
      } else {
        if (tpl[0] == '+') tpl = standard_template(tpl);
        fields = BBX_comp(reinterpret_cast<const uint8_t*>(tpl.data()), tpl.size());
      }
    }
  }
  std::string rec = record_name(node);
  for (const Field& f : fields)
    if (f.type != '*' && rec.size() + 1 + f.name.size() > size_t(VAR_NAME_MAX)) Rpt_error(err::BAD_IOLIST_ITEM);
  uint8_t* blk = write_list(fields);
  if (node->rec_list) Ret_blk(node->rec_list);
  node->rec_list = blk;
  Var_shape_changed();
  if (node->str) {
    Ret_str(node->str);
    node->str = nullptr;
  }
  node->flags = (node->flags & ~(VF_FIXED | VF_UNTEMPLATED)) | VF_RECORD | VF_ASSIGNED;
  // Every field exists from now on: fixed-width text fields are
  // fixed-length strings of blanks, the others take an empty record.
  for (const Field& f : fields) {
    if (f.type == '*') continue;
    Var_node* v = field_var(rec, f.type, f.name);
    Check_assignable(v);
    if (f.count && f.dims) {
      Dim_like(v, f.base, f.size, f.dims);
    } else if (f.count) {
      Dim_vector(v, 1, f.count);
    } else if (v->type == code::NUM_VAR) {
      v->num = Num_val{};
      if (f.form == 'D' || f.form == 'N') {
        v->flags &= ~VF_ASSIGNED;  // holds its fill or separator only (unset_field)
        continue;
      }
    } else {
      v->flags &= ~VF_FIXED;
      if (v->str) Ret_str(v->str);
      v->str = nullptr;
      if (f.form == 'C') {
        v->str = Get_str(f.width);
        if (!v->str) Rpt_error(err::OUT_OF_MEMORY);
        std::memset(v->str->bytes(), ' ', f.width);
        v->str->len = f.width;
        v->flags |= VF_FIXED;
      }
    }
    v->flags |= VF_ASSIGNED;
  }
}

std::vector<Record_field> Record_fields(const Var_node* node) {
  std::vector<Record_field> out;
  if (!node->rec_list) return out;
  for (Field& f : read_list(node->rec_list))
    out.push_back({f.type, f.form, f.width, f.delim, f.count, std::move(f.name), std::move(f.desc)});
  return out;
}

void Gen_record(Var_node* node) {
  if (!node->rec_list) return;
  std::vector<Field> fields = read_list(node->rec_list);
  std::string rec = record_name(node);
  uint8_t sep = record_separator();
  std::string out;
  for (const Field& f : fields) {
    Var_node* v = f.type != '*' ? field_var(rec, f.type, f.name) : nullptr;
    for (uint32_t e = 0; e < (f.count ? f.count : 1u); ++e) {
      if (v)
        append_value(out, v, e, f);
      else if (fixed_form(f.form))  // a filler holds its fill bytes
        out.append(f.width, f.form == 'C' ? ' ' : f.form == 'N' ? '0' : '\0');
      if (f.form == 'P' || f.form == 'M' || (f.form == 'D' && f.delim == DELIM_DEFAULT))
        out += char(sep);
      else if (f.form == 'D' && f.delim != DELIM_NONE)
        out += char(f.delim);
      if (out.size() > size_t(ws.Max_strlen)) Rpt_error(err::STRING_LENGTH);
    }
  }
  Str_blk* b = nullptr;
  if (!out.empty()) {
    b = Get_str(out.size());
    if (!b) Rpt_error(err::OUT_OF_MEMORY);
    std::memcpy(b->bytes(), out.data(), out.size());
    b->len = uint32_t(out.size());
  }
  if (node->str) Ret_str(node->str);
  node->str = b;
}

void Let_record(Var_node* node) {
  if (!node->rec_list) return;
  std::vector<Field> fields = read_list(node->rec_list);
  std::string rec = record_name(node);
  std::string text;
  if (node->str) text.assign(reinterpret_cast<const char*>(node->str->bytes()), node->str->len);
  uint8_t sep = record_separator();
  const auto* s = reinterpret_cast<const uint8_t*>(text.data());
  size_t pos = 0, len = text.size();
  for (const Field& f : fields)
   for (uint32_t e = 0; e < (f.count ? f.count : 1u); ++e) {
    size_t start = pos, n;
    if (fixed_form(f.form)) {
      n = len - pos < f.width ? len - pos : f.width;
      pos += n;
    } else {
      int d = f.form == 'P' || f.delim == DELIM_DEFAULT ? sep : f.delim == DELIM_NONE ? -1 : int(f.delim);
      const void* hit = d < 0 ? nullptr : std::memchr(s + pos, d, len - pos);
      size_t stop = hit ? size_t(static_cast<const uint8_t*>(hit) - s) : len;
      n = stop - pos;
      pos = hit ? stop + 1 : len;
    }
    if (f.type == '*') continue;
    Var_node* v = field_var(rec, f.type, f.name);
    Check_assignable(v);
    if (binary_form(f.form)) {
      ws.Num_acc = binary_value(f, s + start, n);
      ws.Str_len = -1;
      ws.Math_flags = 0;
      Store_num(v, num_slot(v, e, f));
    } else if (v->type == code::NUM_VAR && f.form == 'M') {
      // the characters the mask shows besides digits, sign and point
      // (grouping, currency, fill) are not part of the number
      std::string t;
      for (size_t i = start; i < start + n; ++i) {
        const char c = char(s[i]);
        const bool numlike = (c >= '0' && c <= '9') || c == '-' || c == '+' || c == '.';
        if (numlike || f.desc.find(c) == std::string::npos) t += c;
      }
      set_number(v, num_slot(v, e, f), reinterpret_cast<const uint8_t*>(t.data()), t.size());
    } else if (v->type == code::NUM_VAR) {
      set_number(v, num_slot(v, e, f), s + start, n);
      if (f.form == 'D' && !f.count && n == 0) v->flags &= ~VF_ASSIGNED;  // no value
    } else
      set_string(v, e, f, s + start, n);
  }
}
