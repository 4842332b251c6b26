// I/O lists: the items a record directive reads into or writes from.
//
// A list is a run of compiled items separated by ',' (code 37) and ended by
// a statement end.  Besides values and variables it may hold:
//   132 141 value   SEP=: the field separator for the items that follow
//                   ("/" none, else the first character of the text)
//   132 137 ref     IOL=: the items of an IOLIST statement or stored list
//   136 line        ERR=: the statement's error branch
// Lists walked, in order: the statement's own items; when it has none, the
// statement's IOL= list, else the channel's own IOL= list.  IOL= references
// nest up to 9 deep (error 32).
//
// Iol_block (a channel's stored list, a Get_blk block):
//   u16 BE   total length = item bytes + 3
//   u8       0xB9 (the IOLIST code)
//   items
//   u8       255 (not counted: the walk stops at it)
#pragma once
#include <cstddef>
#include <cstdint>

#include "channels/io_options.h"
#include "core/codes.h"
#include "core/workspace.h"

struct Var_node;

// IOL= in an option list (cursor after the word): the statement's list.
void Iol_option();
// Next item of the walk, with ws.Exec_ptr on it; 255 at the end (the cursor
// is then back at the end of the statement).
uint8_t Io_args();
// Io_args with its two usual steps taken inline: an item (after at most
// one ',') that is no SEP=, IOL= or ERR=, and the end of a statement walked
// at the top level.  Everything else goes to Io_args.
inline uint8_t Io_next() {
  uint8_t* p = ws.Exec_ptr;
  uint8_t c = *p;
  if (c == code::COMMA) c = *++p;
  if (c != code::COMMA && c != iopt::EXT && c != iopt::ERR) {
    if (c != code::END_SCAN && !(Cde_tbl[c] & CC_STMT_END)) {
      if (ws.Iol_depth < 0) ws.Iol_depth = 0;  // the statement has items of its own
      ws.Exec_ptr = p;
      return c;
    }
    if (ws.Iol_depth == 0) {
      ws.Exec_ptr = p;
      return code::EOL;
    }
  }
  ws.Exec_ptr = p;
  return Io_args();
}
// The byte length of the items at p, up to the end of their statement.
int32_t Iol_items_len(const uint8_t* items);
// A stored list from compiled items (a Get_blk block; Ret_blk frees it).
uint8_t* Iol_make_block(const uint8_t* items, size_t len);
// The items of an IOLIST reference at the cursor (a line or label of an
// IOLIST statement, or a string holding a compiled list); the cursor moves
// past the reference.  Error 45 when it names no list.
const uint8_t* Check_iol();
// The items of the IOLIST statement of line n (an IOLIST reference written
// as a number in an expression's place); error 45 when it is none.
const uint8_t* Iol_items_at_line(uint16_t n);
// The items of a string holding a compiled list (u16 length, the IOLIST
// code, items, 255), in a temporary copy; error 45 when it is none.
const uint8_t* Iol_items_of_string(const uint8_t* s, int32_t len);

// Whole arrays in a list (A[ALL]) and ranged references (A{1:3}): the
// element count of the array at the cursor, or of the range (the cursor
// moves past the reference).  Error 42 without elements.
uint32_t Io_all(Var_node** node);
// Whether the variable item at the cursor is a whole array (A[ALL]): the
// name's reference (3 bytes by index, else the code, the name's length
// byte and the name), then [ALL].
inline bool Io_whole_array_at_cursor() {
  const uint8_t* p = ws.Exec_ptr;
  if (*p != code::NUM_VAR && *p != code::STR_VAR) return false;
  const size_t ref = (p[1] & 0x80) ? 3 : size_t(p[1]) + 2;
  return p[ref] == code::WHOLE_ARRAY;
}
// The same, or a ranged reference (A{1:3}): an item of the I/O lists that
// stands for several elements in turn.
inline bool Io_array_item_at_cursor() {
  const uint8_t* p = ws.Exec_ptr;
  if (*p != code::NUM_VAR && *p != code::STR_VAR) return false;
  const size_t ref = (p[1] & 0x80) ? 3 : size_t(p[1]) + 2;
  return p[ref] == code::WHOLE_ARRAY || p[ref] == code::BLOCK_OPEN;
}
// PRINT's and INPUT's whole-array items: each() once for every element of
// the array at the cursor, in element order, with the cursor back on the
// item and that element current (the iteration fields of the workspace,
// put back afterwards); the cursor is left where the last each() left it.
void Io_each_element(void (*each)(void*), void* ctx);
template <class Each>
void Io_each_element(Each&& each) {
  Io_each_element([](void* c) { (*static_cast<Each*>(c))(); }, &each);
}
