// Skipping compiled items without evaluating them.
//
// Item sizes by code (codes.h has the full form, and Code_size):
//   0, 255            end: not skipped
//   206, 207, 227     remark / comment / TABLE data: the rest of the line
//   1, 2, 10, 247, 250  name: 3 bytes indexed (bit 7 of the next byte), else
//                     length byte + 2
//   3, 4              numeric literal: 8 bytes, 3 when the program has a
//                     literal pool and the next byte has bit 7 set
//   5, 6, 9           u16 BE length + 3
//   7, 8, 11, 252, 253  3 bytes
//   149               2 bytes
//   anything else     1 byte
// Skip_code uses exactly these sizes.  The value skippers also step over the
// operand byte of 12, 35, 66, 72, 251, 254 and of the functions that carry
// one (95, 98, 125, 127..130), so an operand byte is never taken for a
// bracket.  Every compiled line ends with 255, which stops every scan.
#include <cstddef>

#include "core/codes.h"
#include "core/control_stack.h"
#include "core/errors.h"
#include "core/line_store.h"
#include "core/workspace.h"

namespace {


bool is_end(uint8_t c) {
  return c == code::END_SCAN || c == code::EOL || c == code::D_REM || c == code::D_COMMENT ||
         c == code::D_TABLE;
}

// The code a value skipper reports: 255 for every end of the scan.
uint8_t stop_code(uint8_t c) { return is_end(c) ? uint8_t(code::EOL) : c; }

// Skip_code's size (codes.h); 0 for the codes that end a scan.
size_t code_size(const uint8_t* p) { return Code_size(p, ws.Lit_pool != nullptr); }

// The item size the value skippers use (operand bytes included).  A function
// code is followed directly by its arguments: the channel functions (IND(
// KEY( RCD( KEF( KEL( RNO( KEN() take their channel part there too, with no
// operand byte of their own.
size_t item_size(const uint8_t* p) { return Item_size(p, ws.Lit_pool != nullptr); }

bool opens(uint8_t c) {
  return c == code::LPAREN || c == code::LBRACKET || c == code::BLOCK_OPEN || c == code::ALT_FNC ||
         (c >= code::XFNC_PREFIX && c <= code::FNC_LAST && c != 88);
}

bool closes(uint8_t c) {
  return c == code::RPAREN || c == code::RBRACKET || c == code::BLOCK_CLOSE;
}

// Codes that cannot start a value: the value before them has ended.
bool ends_value(uint8_t c) {
  return is_end(c) || closes(c) || c == code::COMMA || c == code::STMT_SEP ||
         (Cde_tbl[c] & (CC_BINOP | CC_LOGOP)) != 0;
}

// From an opener at the cursor to just past its matching closer.
void skip_group() {
  uint8_t*& p = ws.Exec_ptr;
  int depth = 0;
  do {
    uint8_t c = *p;
    if (is_end(c) || c == code::STMT_SEP) Rpt_error(err::INTERNAL_CODE);
    if (closes(c)) {
      depth--;
      p++;
      continue;
    }
    if (opens(c)) depth++;
    p += item_size(p);
  } while (depth > 0);
}

}  // namespace

size_t Item_size(const uint8_t* p, const uint8_t* end) {
  if (p >= end) return 0;
  size_t avail = size_t(end - p);
  if (is_end(p[0])) return p[0] == code::END_SCAN || p[0] == code::EOL ? 1 : avail;
  if (avail < 2) return avail;
  size_t n = item_size(p);
  return n < avail ? n : avail;
}

size_t Scan_size(const uint8_t* p, const uint8_t* end) {
  size_t n = Item_size(p, end);
  if (n == 0 || n >= size_t(end - p)) Rpt_error(err::INTERNAL_CODE);
  return n;
}

uint8_t Skip_code() {
  uint8_t* p = ws.Exec_ptr;
  size_t n = code_size(p);
  if (n == 0) return code::EOL;
  ws.Exec_ptr = p + n;
  return p[0];
}

uint8_t Skip_var() {
  uint8_t*& p = ws.Exec_ptr;
  if (is_end(*p)) return code::EOL;
  p += item_size(p);
  if (*p == code::LBRACKET || *p == code::BLOCK_OPEN) skip_group();
  else if (*p == code::WHOLE_ARRAY) ++p;
  if (*p == code::LPAREN) skip_group();
  return *p;
}

uint8_t Skip_value() {
  uint8_t*& p = ws.Exec_ptr;
  for (;;) {
    uint8_t c = *p;
    if (c == code::INC_DEC) {
      p += 2;
    } else if (c == code::OP_ADD || c == code::OP_SUB || c == 88 || c == code::IOPT_FIRST) {
      p += 1;
    } else if (c == code::REC_VAR || c == code::OBJ_REF) {
      p += code_size(p);
      if (ends_value(*p)) return stop_code(*p);
    } else {
      break;
    }
  }
  uint8_t c = *p;
  if (c == code::NUM_VAR || c == code::STR_VAR) {
    Skip_var();
    while (*p == code::OBJ_CHAIN) {  // H'A'B
      ++p;
      Skip_var();
    }
    if (*p == code::INC_DEC) p += 2;
    return stop_code(*p);
  }
  if (ends_value(c)) return stop_code(c);
  if (opens(c)) skip_group();
  else p += item_size(p);
  return stop_code(*p);
}

uint8_t Skip_xpr() {
  for (;;) {
    uint8_t c = Skip_value();
    if (c != code::EOL && (Cde_tbl[c] & (CC_BINOP | CC_LOGOP))) {
      ws.Exec_ptr++;
      continue;
    }
    return c;
  }
}

uint8_t Skip_if() {
  uint8_t*& p = ws.Exec_ptr;
  // "IF expr" ending a program line opens a block IF: its part runs to the
  // ELSE or END IF of its own depth on a later line.
  if (is_end(*p) && ws.Cur_stno != 0) return Skip_if_block();
  int depth = 0;
  for (;;) {
    uint8_t c = *p;
    if (is_end(c)) return code::EOL;
    if (c == code::D_IF) {
      depth++;
    } else if (c == code::D_ELSE || c == code::D_END_IF) {
      if (depth == 0) {
        p++;
        return c;
      }
      depth--;  // an ELSE or END IF belongs to the innermost open IF
    }
    p += item_size(p);
  }
}
