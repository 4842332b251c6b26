// Field conversion between record bytes and program values.
//
// Field separators of a statement (ws.Io_sep): 0..255 a byte that ends each
// field; -1 none (fields are read as typed fields); -2 BBx-style (a field
// ends at 0, LF, CR or 0x1C..0x1F); -3 typed fields written and read.
//
// Typed field: a type byte, then
//   0x00            empty string
//   0x01..0x7F      a string of that many bytes
//   0x81 0x82 0x84 0x86 0x88
//                   an integer of 1, 2, 4, 6 or 8 bytes, big-endian two's
//                   complement
//   0x91..0x98      the same plus 0x10: a scale byte (decimal places) first
//   0xEE            an error entry: the next byte is an error number
//   0xF2 / 0xF4     u16 / u32 big-endian length, then the string
// Any other type byte, or a field running past the record, is error 116.
//
// Format items: an I/O-list item may carry a field format after a ':'
// (value:CHR(10), N:NUM(6,2), A$:STR(","), B$:STR(-)).  The keyword is one
// of the function tokens below; its operands are the length (a number: the
// field's length; a string: its first character closes the field), then
// optionally a scale 0..20 (the value is multiplied by 10^scale on output
// and divided on input), LEN= the most bytes of a field closed by a
// character (1..4096), and SEP= the outer delimiter written after the field
// and taken after it on input (an empty text: the statement's separator).
// A formatted field is followed by no separator of its own.
//   CHR(  text, blank-padded or cut; input drops trailing blanks
//   LEN(  the same; input keeps trailing blanks
//   DEC(  a number through a mask of '#' with "0." and the scale's '0's
//   BIN(  big-endian two's complement, 1..6 bytes read, 1..8 written
//   INT(  big-endian unsigned when read, two's complement when written
//   NUM(  the absolute value in digits, zero-filled on the left
//   SGN(  digits over length - 1 followed by '+' or '-'
//   STR(  the text in double quotes, inner quotes doubled
//   STR(-) u16 BE length (FF FF: null), or FF and a u32 BE length, then the bytes
#pragma once
#include <cstdint>

#include "core/decimal.h"

constexpr int32_t SEP_NONE = -1;
constexpr int32_t SEP_BBX = -2;
constexpr int32_t SEP_TYPED = -3;

// One field taken from a record.
struct Field_in {
  const uint8_t* p = nullptr;  // text of a string field
  int32_t n = 0;
  bool numeric = false;        // a typed numeric field: value in num
  Num_val num;
  bool short_field = false;    // the record ended before the field's end
  int error = 0;               // typed error entry (0 none)
  bool null_value = false;     // STR(-) null: "" or -1
  int8_t div_scale = 0;        // a numeric value is divided by 10^div_scale
};

// Takes the next field of rec[0..len) at *pos with separator sep.
void Cnv_field(const uint8_t* rec, int32_t len, int32_t* pos, int32_t sep, Field_in& out);
// Skips one field as Cnv_field takes it (an error entry is skipped too).
void Cnv_skip_field(const uint8_t* rec, int32_t len, int32_t* pos, int32_t sep);

// Typed-field form of a value (a number, or the bytes p/n) into out, which
// holds at least TYPED_NUM_MAX bytes for a number; returns the length of
// the header (for strings, the bytes follow it) or of the whole number.
constexpr int TYPED_NUM_MAX = 10;
int Wrt_dynasep_num(const Num_val& v, uint8_t* out);
int Wrt_dynasep_str_hdr(int64_t n, uint8_t* out);

namespace fmt {
enum : uint8_t {
  BIN = 78,
  CHR = 80,
  DEC = 83,
  INT = 96,
  LEN = 100,
  NUM = 108,
  SGN = 114,
  STR = 117,
};
}  // namespace fmt

struct Fmt_item {
  uint8_t code = 0;
  bool prefixed = false;  // STR(-)
  int32_t length = 0;     // fixed length (0: closed by delim)
  int32_t delim = -1;     // closing character (-1 none)
  int32_t scale = 0;
  int32_t max_len = 0;    // LEN= of a closed field (0 none)
  int32_t outer = -1;     // outer delimiter (-1 none)
};

// Whether a function token is a format keyword.
bool Is_fmt_code(uint8_t c);
// Reads the format at the cursor (on its keyword); the cursor moves past
// its ')'.  Errors 41 and 46 for operands out of range.
void Fmt_parse(Fmt_item& fi);
// Takes the field at *pos through the format (out as Cnv_field leaves it);
// returns 1 when the record ended before the field did.
int Cnv_inpfmt(const Fmt_item& fi, const uint8_t* rec, int32_t len, int32_t* pos, Field_in& out);
// The current value (number or current string) through the format, with its
// delimiters, as the current string.
void Cnv_outfmt(const Fmt_item& fi);

// TBL= translation of p[0..n) in place: each byte b becomes
// table[(b & table[0]) + 1] when that lies inside the table, else b & table[0].
void Cnv_table(uint8_t* p, int32_t n, const uint8_t* table, int32_t table_len);

// The number in the accumulator as its normal text, as the current string
// (in the work area).
void Conv_val();
// The current string as a number in the accumulator (error 43 or 46 when it
// is no number; an empty or blank text is 0).
void Conv_str();
