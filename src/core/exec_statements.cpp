// EXECUTE, BEGIN and WITH / END WITH.
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
#include "core/evaluator.h"
#include "core/memory.h"
#include "core/nested_run.h"
#include "core/variables.h"
#include "core/workspace.h"
#include "programs/perform_on.h"

namespace {

// WITH stack: the current value and up to WITH_MAX saved ones.
constexpr int WITH_MAX = 20;
Num_val with_saved[WITH_MAX];
int with_count = 0;
Num_val with_value{};

bool stmt_end(uint8_t c) { return (Cde_tbl[c] & CC_STMT_END) != 0 || c == code::END_SCAN; }

}  // namespace

int Exec_text(const std::string& text) {
  Nested_run_guard saved(NESTED_UNWIND | NESTED_STOP);
  int cpl = ws.Cpl_err;
  struct Cpl_back {
    int v;
    ~Cpl_back() { ws.Cpl_err = v; }
  } cpl_back{cpl};
  uint8_t* p = Work_take(text.size() + 1);
  if (!text.empty()) std::memcpy(p, text.data(), text.size());
  p[text.size()] = 0;
  ws.Str_ptr = p;
  ws.Str_len = int32_t(text.size());
  ws.Cur_stno = 0;
  ws.Call_status = -1;
  ws.Cpl_err = -1;
  Exec_command(0);
  if (ws.Cpl_err > 0) return ws.Cpl_err;
  return ws.Call_status > 0 ? ws.Call_status : 0;
}

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
  if (!stmt_end(*ws.Exec_ptr)) Rpt_error(20);
  // A "[vrl]" text runs on the thin client.
  if (text.size() > 5 && text.compare(0, 5, "[vrl]") == 0 && Client_is_attached()) {
    Client_requests.statement(text.substr(5));
    return;
  }
  int err = Exec_text(text);
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

// WITH n: n becomes the current WITH value, the previous one is kept (20
// at most, then error 27).  END WITH takes the previous one back.
void d_with() {
  Eval_val();
  if (with_count >= WITH_MAX) Rpt_error(27);
  with_saved[with_count++] = with_value;
  with_value = ws.Num_acc;
}

void End_with() {
  if (with_count == 0) Rpt_error(27);
  with_value = with_saved[--with_count];
}

void With_clear() {
  with_count = 0;
  with_value = Num_val{};
}

const Num_val& With_value() { return with_value; }
