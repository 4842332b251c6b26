// PREINPUT [NEXT] [/]text[,ctl] | PREINPUT [NEXT] ctl: queues input typed
// ahead by the program for the next INPUT on a device (see editor_keys.h).
// A number alone is a CTL value with no text.  NEXT puts the entry at the
// front of the queue instead of the end.
#include <cstring>

#include "core/codes.h"
#include "core/errors.h"
#include "core/evaluator.h"
#include "core/memory.h"
#include "core/workspace.h"
#include "terminal/editor_keys.h"
#include "terminal/terminal.h"

namespace {

inline bool ends_statement(uint8_t c) { return c == code::END_SCAN || (Cde_tbl[c] & CC_STMT_END); }

// CTL values are 16-bit: -32768..-1 and 0..65535, the upper half read as
// the negative codes (64519 is -1017).
int32_t ctl_operand() {
  int32_t v = Eval_integer();
  if (v < -32768 || v > 65535) Rpt_error(err::OUT_OF_RANGE);
  return v > 32767 ? v - 65536 : v;
}

}  // namespace

Preinput_entry* Preinput_take() {
  Preinput_entry* e = static_cast<Preinput_entry*>(ws.Preinput);
  if (e) ws.Preinput = e->next;
  return e;
}

void Preinput_clear() {
  while (Preinput_entry* e = Preinput_take()) Ret_blk(e);
}

static void d_prei_body() {
  bool front = false;
  if (*ws.Exec_ptr == code::D_NEXT) {
    front = true;
    ws.Exec_ptr++;
  }
  bool slash = false;
  if (*ws.Exec_ptr == code::OP_DIV) {
    slash = true;
    ws.Exec_ptr++;
  }
  Need_operand();
  Eval_formula();
  Preinput_entry* e;
  if (ws.Str_len < 0) {
    // A number alone: a CTL value (a '/' before it changes nothing).  A
    // second CTL value belongs to a text only: after a number the first
    // operand has the wrong type.
    int32_t ctl = To_integer(ws.Num_acc);
    if (ctl < -32768 || ctl > 65535) Rpt_error(err::OUT_OF_RANGE);
    if (*ws.Exec_ptr == code::COMMA && !At_err_tail()) Rpt_error(err::TYPE_MISMATCH);
    e = static_cast<Preinput_entry*>(Get_blk(sizeof(Preinput_entry)));
    e->ctl = ctl > 32767 ? ctl - 65536 : ctl;
  } else {
    int32_t n = ws.Str_len;
    e = static_cast<Preinput_entry*>(Get_blk(sizeof(Preinput_entry) + size_t(n)));
    e->len = n;
    e->slash = slash ? 1 : 0;
    if (n > 0) std::memcpy(e->text, ws.Str_ptr, size_t(n));
    if (*ws.Exec_ptr == code::COMMA && !At_err_tail()) {
      ws.Exec_ptr++;
      try {
        Need_operand();
        e->ctl = ctl_operand();
      } catch (...) {
        Ret_blk(e);
        throw;
      }
    }
  }
  if (!ends_statement(*ws.Exec_ptr) && !At_err_tail()) {
    Ret_blk(e);
    Rpt_error(err::SYNTAX);
  }
  if (front) {
    e->next = static_cast<Preinput_entry*>(ws.Preinput);
    ws.Preinput = e;
    return;
  }
  Preinput_entry** at = reinterpret_cast<Preinput_entry**>(&ws.Preinput);
  while (*at) at = &(*at)->next;
  *at = e;
}
void d_prei() {
  Err_tail_run([] { As_token_form(d_prei_body); });
}
