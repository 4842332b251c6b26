// XEQ(, EVS( and EVN(: text typed by a user, run as a statement line or
// evaluated as an expression, inside the calling statement.
//
// The text cannot leave the caller's error handling: it runs nested, with
// every error it raises captured and raised again as the function's own
// (so the caller's ERR= clause, SETERR line or report takes it), and XEQ(
// refuses, before running anything, the statements that would move the
// caller's program cursor, its control stack, its error handling or its
// program text (error 59).  The program position, the temporaries and the
// pending ++/-- of the calling statement are put back on every way out.
#include <cstring>
#include <string>
#include <vector>

#include "core/codes.h"
#include "core/compiler.h"
#include "core/exec_command.h"
#include "core/control_stack.h"
#include "core/line_store.h"
#include "core/memory.h"
#include "core/nested_run.h"
#include "functions/fnc_args.h"
#include "functions/function_table.h"
#include "functions/user_functions.h"
#include "programs/call_directives.h"

namespace {

constexpr size_t EVAL_TEXT_MAX = 8192;
constexpr int EVAL_DEPTH_MAX = 100;  // with the user-function calls in progress

int eval_depth = 0;

struct Depth_guard {
  Depth_guard() {
    if (eval_depth + Fnc_call_depth() >= EVAL_DEPTH_MAX) Rpt_error(err::NESTING_TOO_DEEP);
    ++eval_depth;
  }
  ~Depth_guard() { --eval_depth; }
};

// The calling statement's temporaries, kept out of reach of the nested
// statements (which free their own between statements) and put back after.
struct Tmp_guard {
  Tmp_save tmp{};
  Tmp_guard() { SaveTmpMem(tmp); }
  ~Tmp_guard() { ResetTmpMem(tmp); }
};

std::string text_arg() {
  Fnc_str t = Fnc_string();
  if (size_t(t.len) > EVAL_TEXT_MAX) Rpt_error(err::STRING_LENGTH);
  return std::string(reinterpret_cast<const char*>(t.p), size_t(t.len));
}

// The pending ++/-- of the calling statement: an error captured inside
// would drop them with its own.
struct Incdec_save {
  uint32_t cnt = ws.Incdec_cnt;
  uint32_t flag = ws.Run_flags & RF_INCDEC;
  uint8_t kind[INCDEC_MAX];
  Num_val* val[INCDEC_MAX];
  Incdec_save() {
    std::memcpy(kind, ws.Incdec_kind, sizeof kind);
    std::memcpy(val, ws.Incdec_val, sizeof val);
  }
  void restore() {
    ws.Incdec_cnt = cnt;
    std::memcpy(ws.Incdec_kind, kind, sizeof kind);
    std::memcpy(ws.Incdec_val, val, sizeof val);
    ws.Run_flags = (ws.Run_flags & ~uint32_t(RF_INCDEC)) | flag;
  }
};

// Statements XEQ( refuses: they would move the caller's cursor, control
// stack, error handling or program.
bool refused(uint8_t c, uint8_t c2) {
  switch (c) {
    case code::D_RUN: case code::D_GOTO: case code::D_GOSUB: case code::D_RETURN:
    case code::D_ON: case code::D_END: case code::D_STOP: case code::D_START:
    case code::D_EXITTO: case code::D_FOR: case code::D_NEXT: case code::D_WHILE:
    case code::D_WEND: case code::D_SWITCH: case code::D_END_SWITCH: case code::D_SETERR:
    case code::D_SETESC: case code::D_RETRY: case code::D_RESET: case code::D_BEGIN:
    case code::D_CLEAR: case code::D_DELETE: case code::D_RENUMBER: case code::D_EDIT:
    case code::D_LOAD: case code::D_MERGE: case code::D_ESCAPE: case code::D_EXECUTE:
    case code::D_ENTER: case code::D_EXIT:
      return true;
    case code::D_DEF:  // DEF FN: a function whose body is the caller's program
      return c2 == code::NUM_VAR || c2 == code::STR_VAR;
    case code::EXT_DIR:
      switch (c2) {
        case code::X_REPEAT: case code::X_UNTIL: case code::X_CASE: case code::X_BREAK:
        case code::X_CONTINUE: case code::X_DEFAULT: case code::X_POP: case code::X_AUTO:
        case code::X_XFNC: case code::X_LOCAL: case code::X_WITH: case code::X_ERRH:
        case code::X_PROCESS:
          return true;
        default:
          return false;
      }
    default:
      return false;
  }
}

// Walks the statements of a compiled line (p after the line number) and
// refuses the line when one of them is refused.
void check_statements(uint8_t* p, uint8_t* end) {
  for (;;) {
    uint8_t c = *p;
    if (c == code::EOL || c == code::END_SCAN || c == code::D_REM || c == code::D_COMMENT) return;
    if (c == code::STMT_SEP || c == code::BLOCK_CLOSE || c == code::D_END_IF) {
      ++p;
      continue;
    }
    if (c == code::D_ELSE) {
      ++p;
      if (*p == code::BLOCK_OPEN) ++p;
      continue;
    }
    if (c == code::LABEL) {
      p += Item_size(p, end);
      if (*p == code::LABEL_END) ++p;
      continue;
    }
    if (refused(c, p + 1 < end ? p[1] : 0)) Rpt_error(err::NOT_IN_CALLED);
    if (c == code::D_IF) {
      uint8_t* save = ws.Exec_ptr;
      ws.Exec_ptr = p + 1;
      Skip_xpr();
      p = ws.Exec_ptr;
      ws.Exec_ptr = save;
      if (*p == code::THEN_BLOCK) p += 2;
      continue;
    }
    p += Item_size(p, end);
    while (p < end && *p != code::END_SCAN && !(Cde_tbl[*p] & CC_STMT_END)) p += Item_size(p, end);
    if (p >= end) return;
  }
}

// Runs the compiled line nested, as a console line does; returns -1 when it
// ran to its end, else the error that stopped it.
int run_nested(std::vector<uint8_t>& line) {
  Nested_run_guard<NESTED_UNWIND | NESTED_STOP> saved;
  ws.Cur_stno = 0;
  ws.Exec_ptr = ws.Stmt_ptr = line.data() + 2;
  ws.Call_status = -1;
  InternalExecLine();
  return ws.Call_status;
}

struct Value {
  bool is_str = false;
  Num_val num;
  std::string str;
  void take() {
    is_str = ws.Str_len >= 0;
    if (is_str) str.assign(reinterpret_cast<const char*>(ws.Str_ptr), size_t(ws.Str_len));
    else num = ws.Num_acc;
  }
  void give() const {
    if (is_str) Fnc_result_text(str);
    else Fnc_result(num);
  }
};

// EVS( and EVN(: the text is compiled as an expression and evaluated; a
// failure (compile error, error raised, value of the wrong type) gives the
// second argument when there is one, else the error is the function's.
void eval_text(bool want_str) {
  std::string text = text_arg();
  Value dflt;
  bool has_dflt = Fnc_more();
  if (has_dflt) {
    Eval_formula();
    dflt.take();
  }
  uint8_t* resume = ws.Exec_ptr;
  // An ERR= clause inside the text names a line of the text's own world:
  // the caller's error context is put back before an error goes on.
  uint8_t* stmt_save = ws.Stmt_save;
  uint32_t err_line = ws.Err_line;
  Depth_guard depth;
  Value got;
  int err = 0;
  {
    std::vector<uint8_t> code;
    err = Compile_expression(reinterpret_cast<const uint8_t*>(text.data()), text.size(), code);
    if (err == 0) {
      Incdec_save incdec;
      {
        Tmp_guard temps;
        Catch_region region;
        try {
          ws.Exec_ptr = code.data() + 2;
          Eval_formula();
          if (*ws.Exec_ptr != code::EOL) Rpt_error(err::SYNTAX);
          got.take();
        } catch (const Oru_error& e) {
          err = e.no;
        }
      }
      if (err) incdec.restore();
    }
  }
  ws.Exec_ptr = resume;
  ws.Stmt_save = stmt_save;
  ws.Err_line = err_line;
  if (err == 0 && got.is_str != want_str) err = 26;
  if (err) {
    if (!has_dflt) Rpt_error(err);
    if (dflt.is_str != want_str) Rpt_error(err::TYPE_MISMATCH);
    dflt.give();
    return;
  }
  got.give();
}

}  // namespace

// XEQ(text): runs the text as a statement line; gives 0 once it has run.
// An error inside is raised as XEQ('s own.  XEQ(name, arguments...) calls
// the program `name` with the arguments instead, as CALL does.
void fnc_fxeq() {
  std::string text = text_arg();
  if (Fnc_more()) {
    Call_nested_with_args(text);
    Fnc_result_int(0);
    return;
  }
  uint8_t* resume = ws.Exec_ptr;
  Depth_guard depth;
  std::vector<uint8_t> line;
  int err = Compile_text(text, line);
  if (err) Rpt_error(err);
  if (get_u16be(line.data()) != 0) Rpt_error(err::NOT_IN_CALLED);  // a numbered line would change the program
  check_statements(line.data() + 2, line.data() + line.size());
  int status;
  {
    Incdec_save incdec;
    {
      Tmp_guard temps;
      status = run_nested(line);
    }
    if (status >= 0) incdec.restore();
  }
  ws.Exec_ptr = resume;
  if (status >= 0) Rpt_error(status);
  Fnc_result_int(0);
}

void fnc_fevs() { eval_text(true); }
void fnc_fevn() { eval_text(false); }
