// PRINT: items are expressions separated by "," (code 37).  A "," just before
// the end of the statement keeps the output on the current line; every other
// PRINT ends its line.
#include "channels/print.h"

#include "channels/console_device.h"
#include "core/codes.h"
#include "core/directives.h"
#include "core/errors.h"
#include "core/evaluator.h"
#include "core/workspace.h"

namespace {

inline bool ends_statement(uint8_t c) { return c == code::END_SCAN || (Cde_tbl[c] & CC_STMT_END); }

}  // namespace

void Prt_value() {
  if (ws.Str_len >= 0) {
    Con_write(ws.Str_ptr, size_t(ws.Str_len));
    return;
  }
  Num_val v = ws.Num_acc;
  if (ws.Prm.RS && v.scale > ws.Precision) Set_scl(v, ws.Precision, 1);
  char buf[CONV_NORMAL_MAX + 1];
  int n = 0;
  if (v.mant >= 0) buf[n++] = ' ';
  n += Conv_normal(v, buf + n);
  Con_write(buf, size_t(n));
}

void d_prin() {
  for (;;) {
    uint8_t c = *ws.Exec_ptr;
    if (ends_statement(c)) break;
    if (c == code::COMMA) {  // an empty item
      ws.Exec_ptr++;
      if (ends_statement(*ws.Exec_ptr)) return;
      continue;
    }
    if (c == code::MNEM_LIT) Not_built("mnemonics");
    Eval_formula();
    Prt_value();
    c = *ws.Exec_ptr;
    if (c == code::COMMA) {
      ws.Exec_ptr++;
      if (ends_statement(*ws.Exec_ptr)) return;
    } else if (!ends_statement(c)) {
      Rpt_error(20);
    }
  }
  Con_newline();
}
