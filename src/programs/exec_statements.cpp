// EXECUTE and BEGIN.
#include <cstring>
#include <string>

#include "channels/channel.h"
#include "channels/close.h"
#include "channels/transaction.h"
#include "core/codes.h"
#include "core/exec_command.h"
#include "core/control_stack.h"
#include "core/directives.h"
#include "core/errors.h"
#include "core/host.h"
#include "core/line_store.h"
#include "core/evaluator.h"
#include "core/memory.h"
#include "core/variables.h"
#include "core/workspace.h"
#include "programs/perform_on.h"

namespace {

bool stmt_end(uint8_t c) { return (Cde_tbl[c] & CC_STMT_END) != 0 || c == code::END_SCAN; }

}  // namespace

// EXECUTE text: the text runs as a console line, the program's position
// kept; an error inside is raised again here.  EXECUTE text ON target
// registers the text as logic of another program.
void d_exec() {
  Eval_str();
  std::string text(reinterpret_cast<const char*>(ws.Str_ptr), size_t(ws.Str_len));
  if (*ws.Exec_ptr == code::D_ON) {
    ws.Exec_ptr++;
    Perform_On(true, text);
    return;
  }
  if (*ws.Exec_ptr == code::COMMA && ws.Exec_ptr[1] == code::IOPT_FIRST + 4) ws.Exec_ptr++;
  Chk_err();
  if (!stmt_end(*ws.Exec_ptr)) Rpt_error(err::SYNTAX);
  // A "[vrl]" text runs on the thin client.
  if (text.size() > 5 && text.compare(0, 5, "[vrl]") == 0 && Client_is_attached()) {
    Client_requests.statement(text.substr(5));
    return;
  }
  uint32_t cleared = Programs_cleared;
  struct Watch {
    const void* outer = Clr_watch_link;
    Watch() { Clr_watch_link = ws.Call_link; }
    ~Watch() { Clr_watch_link = outer; }
  } watch;
  int err = Exec_text(text);
  // The text cleared or replaced the program this line belongs to: the
  // line is gone, so the program ends as after a DELETE of all its lines.
  if (cleared != Programs_cleared && ws.Cur_stno != 0) {
    ws.Exec_ptr = Last_line()->bytes() + 2;
    ws.Stmt_ptr = ws.Exec_ptr;
    ws.Cur_stno = LAST_LINE_NO;
    ws.Cur_edit_blk = nullptr;  // (the position put back was in the old program)
    ws.Cur_line_rec = nullptr;
    ws.Cur_line_no = 65001;
  }
  if (err > 0) Rpt_error(err);
}

// BEGIN: the program's channels are closed and its variables cleared, as
// after RUN.
void d_begi() {
  Txn_end_run();
  Cls_files();
  Clr_var();
  d_rset();
}
