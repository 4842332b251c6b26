// CALL, PROCESS, PERFORM and EXIT; errors that leave a called program; the
// error-handler program (ERRH, SETERR "name").
#include "terminal/tc_call.h"
#include "terminal/tc_channel.h"
#include "terminal/command_window.h"
#include "programs/call_directives.h"
#include "programs/perform_on.h"

#include <cstring>
#include <string>
#include <vector>

#include "core/host.h"
#include "core/masks.h"
#include "core/decimal.h"
#include "channels/open.h"
#include "core/codes.h"
#include "core/directives.h"
#include "core/errors.h"
#include "core/executor.h"
#include "core/evaluator.h"
#include "core/line_store.h"
#include "core/memory.h"
#include "core/messages.h"
#include "core/params.h"
#include "core/switches.h"
#include "core/variables.h"
#include "core/workspace.h"
#include "programs/error_handler.h"
#include "programs/arguments.h"
#include "programs/call_frame.h"

// The error-handler program (ERRH, SETERR "name"); empty: none.
static std::string err_pgm;
const std::string& Err_pgm_name() { return err_pgm; }
void Err_pgm_clear() { err_pgm.clear(); }
void Err_pgm_set(const std::string& name) { err_pgm = name; }

namespace {

constexpr int32_t CALL_NAME_MAX = 8192;

// EXIT ERR: the statement an unhandled error of a called program runs, so
// that the frame is popped and the error raised again at the call.
uint8_t exit_err[] = {code::D_EXIT, code::SV_ERR, code::EOL};

bool stmt_end(uint8_t c) { return (Cde_tbl[c] & CC_STMT_END) != 0; }

bool starts_with(const uint8_t* s, size_t n, const char* prefix) {
  size_t k = std::strlen(prefix);
  return n >= k && memicmp(s, prefix, k) == 0;
}

// At the console a call must end the statement: its return ends the line.
void console_end() {
  if (ws.Cur_stno == 0 && !stmt_end(*ws.Exec_ptr)) Rpt_error(err::TEXT_AFTER_STATEMENT);
}

// ", ERR=line" after the operands.
void opt_err() {
  if (*ws.Exec_ptr == code::COMMA && ws.Exec_ptr[1] == code::IOPT_FIRST + 4) ws.Exec_ptr++;
  Chk_err();
}

// A call's arguments, its ERR= and the end of the statement; the list is
// freed when the statement is refused.
Arg_rec* args_to_end() {
  ws.Stmt_save = ws.Exec_ptr;  // an ERR= after the arguments takes their errors too
  Arg_rec* list = Do_Args(false);
  try {
    opt_err();
    ws.Stmt_save = nullptr;
    console_end();
  } catch (...) {
    FreeArgList(list);
    throw;
  }
  return list;
}

// The name operand, copied into the work area (it must outlive the
// accumulator while the arguments are evaluated).
std::string name_operand() {
  Eval_str();
  if (ws.Str_len >= CALL_NAME_MAX + 1) Rpt_error(err::STRING_LENGTH);
  return std::string(reinterpret_cast<const char*>(ws.Str_ptr), size_t(ws.Str_len));
}

void put_name(const std::string& name) {
  uint8_t* p = Work_take(name.size());
  if (!name.empty()) std::memcpy(p, name.data(), name.size());
  ws.Str_ptr = p;
  ws.Str_len = int32_t(name.size());
}

struct List_guard {
  Arg_rec* list;
  ~List_guard() { FreeArgList(list); }
};

// The program a call of `name` goes to, by the name's prefix; *client set
// when it runs on the thin client.
std::string routed_name(std::string name, bool* client) {
  *client = false;
  const uint8_t* n = reinterpret_cast<const uint8_t*>(name.data());
  if (name.size() > 7 && starts_with(n, name.size(), "[http")) {
    return "*kest/web/call;;" + name;
  }
  // "[lcl]" is the client's machine when a client is attached, else the
  // plain name.
  if (name.size() > 5 && starts_with(n, name.size(), "[lcl]")) Kest_ChkLclPfx(name);
  n = reinterpret_cast<const uint8_t*>(name.data());
  if (name.size() >= 6 && starts_with(n, name.size(), "[vrl]") && Client_is_attached()) *client = true;
  if (name.size() > 5 && starts_with(n, name.size(), "[rpc:")) *client = true;
  return name;
}

// A call whose program runs on the thin client: the arguments go as texts,
// the values the client hands back are assigned to the variables passed
// by reference (all converted before any is assigned).
void client_call(const std::string& name, Arg_rec* list) {
  std::vector<Tc_call_arg> args;
  for (Arg_rec* a = list; a; a = a->next) {
    Tc_call_arg t;
    switch (a->kind) {
      case ARG_NUM_REF:
      case ARG_NUM_VAL: {
        char text[CONV_NORMAL_MAX];
        int k = Conv_normal(a->num, text);
        t.value.assign(text, size_t(k > 0 ? k : 0));
        break;
      }
      case ARG_STR_REF:
        t.is_string = true;
        if (a->var->str) t.value.assign(reinterpret_cast<const char*>(a->var->str->bytes()), a->var->str->len);
        break;
      case ARG_STR_VAL:
        t.is_string = true;
        if (a->str) t.value.assign(reinterpret_cast<const char*>(a->str->bytes()), a->str->len);
        break;
      default:
        Rpt_error(err::BAD_ARGUMENT);
    }
    args.push_back(std::move(t));
    if (args.size() > TC_CALL_MAX_ARGS) Rpt_error(err::NESTING_TOO_DEEP);
  }
  Io_touch();  // (the client's call goes through the terminal's channel)
  Wtty_call(name, args);
  std::vector<Num_val> nums(args.size());
  size_t i = 0;
  for (Arg_rec* a = list; a; a = a->next, ++i) {
    if (!args[i].returned || args[i].is_string) continue;
    const std::string& v = args[i].value;
    if (v.empty() || Conv_str_chk(reinterpret_cast<const uint8_t*>(v.data()), v.size(), nums[i]) != 0)
      Rpt_error_text(err::CONNECTION_LOST, "The client handed back a number that does not convert");
  }
  i = 0;
  for (Arg_rec* a = list; a; a = a->next, ++i) {
    if (!args[i].returned) continue;
    if (a->kind == ARG_NUM_REF) {
      Num_val v = nums[i];
      if ((a->var->flags & VF_INTEGER) && v.scale > 0) Set_scl(v, 0, 1);
      a->var->num = v;
      a->var->flags |= VF_ASSIGNED;
    } else if (a->kind == ARG_STR_REF) {
      const std::string& v = args[i].value;
      Str_blk* b = Get_str(v.size());
      if (!b) Rpt_error(err::OUT_OF_MEMORY);
      if (!v.empty()) std::memcpy(b->bytes(), v.data(), v.size());
      b->len = uint32_t(v.size());
      if (a->var->str) Ret_str(a->var->str);
      a->var->str = b;
      a->var->flags |= VF_ASSIGNED;
    }
  }
}

// Routing of a call by its name, the argument list built.
void route_call(std::string name, Arg_rec* list) {
  List_guard guard{list};
  bool client = false;
  name = routed_name(std::move(name), &client);
  if (client) {
    client_call(name, list);
    return;
  }
  put_name(name);
  guard.list = nullptr;  // the new context owns it from here
  Exec_subprogram(FORM_CALL, list);
}

// The statement the error-handler program last returned to.  When that
// same statement fails again before any other error, the handler is not
// called for it again: a handler that cannot mend the error would
// otherwise run it and fail for ever.
struct Handler_retry {
  uint8_t* stmt = nullptr;
  uint16_t line = 0;
  Call_frame* level = nullptr;
} handler_retry;

bool must_pass_to_caller() {
  if (!Sw_on(sw::NE)) return true;
  return (ws.Pgm_flags & PGM_LOADING) || (ws.Pgm_flags2 & (PGM2_FILE_EVENT | PGM2_ERR_HANDLER)) ||
         (ws.Start_flags & SF_NESTED);
}

// CALL's work past a bound call: the name in the string accumulator when
// literal (read in place), else at the cursor.
[[gnu::noinline]] void call_by_name(bool literal) {
  // The statement's ERR= takes the errors of the name too.
  ws.Stmt_save = ws.Exec_ptr;
  if (!literal) Eval_str();
  if (ws.Str_len >= CALL_NAME_MAX + 1) Rpt_error(err::STRING_LENGTH);
  ws.Stmt_save = nullptr;
  size_t n = size_t(ws.Str_len);
  if (!literal) {
    if (n > 0 && ws.Str_ptr[0] == '[') {
      // A name with a prefix may be routed elsewhere.
      ArgProcess(std::string(reinterpret_cast<const char*>(ws.Str_ptr), n));
      return;
    }
    // A bound call evaluates nothing more: the name stays where it is.
    if (Exec_call_bound(ws.Str_ptr, uint32_t(n))) return;
  }
  // Every call passes here: the name goes to the work area (it must outlive
  // the accumulator while the arguments are evaluated), nothing else is
  // copied.
  uint8_t* name = Work_take(n);
  if (n) std::memcpy(name, ws.Str_ptr, n);
  Arg_rec* list = args_to_end();
  ws.Str_ptr = name;
  ws.Str_len = int32_t(n);
  Exec_subprogram(FORM_CALL, list);
}

// CALL's way on from the statement loop when the bound call refused a
// literal name (Call_exit_path.named_call).
void call_literal() { call_by_name(true); }

}  // namespace

void Call_register_paths() { Call_register_loop_paths(call_literal); }

// CALL name [, argument ...] [, ERR=line]
void d_call() {
  // A name given as a plain literal is read in place: a bound call needs no
  // more of it, and any other call takes it as Eval_str would leave it.
  uint8_t* at = ws.Exec_ptr;
  uint32_t n;
  if (uint8_t* const end = Call_literal_name(at, &n)) {
    ws.Exec_ptr = end;
    if (Exec_call_bound(at + 3, n)) return;
    ws.Str_ptr = at + 3;
    ws.Str_len = int32_t(n);
    call_by_name(true);
    return;
  }
  call_by_name(false);
}

void ArgProcess(const std::string& name) {
  DropComndWdw();
  Arg_rec* list = args_to_end();
  route_call(name, list);
}

// PROCESS name [, argument ...]: the library program "*winproc" is called
// with the name and the arguments.
void d_proc() {
  // PROCESS SERVER name=path: the program-server form, spelled out.
  bool server = *ws.Exec_ptr == code::PREFIX2 && ws.Exec_ptr[1] == code::P2_SERVER;
  if (server) ws.Exec_ptr += 2;
  std::string name = name_operand();
  if (server && *ws.Exec_ptr != code::OP_EQ) Rpt_error(err::SYNTAX);
  if (*ws.Exec_ptr == code::OP_EQ) {
    ws.Exec_ptr++;
    DefineServer(name);
    return;
  }
  Arg_rec* head = nullptr;
  Arg_string(&head, reinterpret_cast<const uint8_t*>(name.data()), name.size());
  try {
    ws.Stmt_save = ws.Exec_ptr;  // an ERR= after the arguments takes their errors too
    if (*ws.Exec_ptr == code::COMMA && ws.Exec_ptr[1] != code::IOPT_FIRST + 4) {
      ws.Exec_ptr++;
      head->next = Do_Args(false);
    }
    opt_err();
    ws.Stmt_save = nullptr;
    console_end();
  } catch (...) {
    FreeArgList(head);
    throw;
  }
  route_call("*winproc", head);
}

// PERFORM name [, DOM=line] [, ERR=line]: the program runs with the
// caller's variables.
void Perform_logic_program(const std::string& name) {
  put_name(name);
  Exec_subprogram(FORM_PERFORM, nullptr);
}

void d_perf() {
  ws.Stmt_save = ws.Exec_ptr;  // the statement's ERR= takes the errors of the name too
  std::string name = name_operand();
  ws.Stmt_save = nullptr;
  if (*ws.Exec_ptr == code::D_ON) {
    ws.Exec_ptr++;
    Perform_On(false, name);
    return;
  }
  uint32_t dom = 0;
  for (;;) {
    uint8_t* p = ws.Exec_ptr;
    if (p[0] == code::COMMA && p[1] == code::IOPT_FIRST + 2) {  // DOM=
      ws.Exec_ptr = p + 2;
      dom = Get_line();
      continue;
    }
    if (p[0] == code::COMMA && p[1] == code::IOPT_FIRST + 4) {
      ws.Exec_ptr = p + 1;
      Chk_err();
      continue;
    }
    break;
  }
  console_end();
  if (name.empty() && Sw_on(sw::PlusN)) return;
  put_name(name);
  try {
    Exec_subprogram(FORM_PERFORM, nullptr);
  } catch (const Oru_error& e) {
    // A label missing at the entry point takes the DOM= branch.
    if (e.no == err::LABEL_NOT_FOUND && dom) ws.Err_line = dom;
    throw;
  }
}

// EXIT [n]
void d_exit() {
  if (ws.Call_status == -1) Rpt_error(err::NOT_IN_CALLED);
  if (!ws.Call_link) Rpt_error(err::NOT_IN_CALL);
  if (stmt_end(*ws.Exec_ptr)) {
    // From a program line, EXIT alone only pops the frame.
    if (ws.Cur_stno != 0) Exec_pop();
    else Exec_exit(false, 0);
    return;
  }
  Exec_exit(true, Eval_integer());
}

void Exec_exit(bool has_code, int n) {
  // Typed at the console: on line 0, and not the EXIT ERR an error runs
  // (console mode stays on while a program called from the console runs).
  bool typed = ws.Cur_stno == 0 && ws.Stmt_ptr != exit_err && (ws.Con_flags & CON_MODE);
  bool handler = (ws.Pgm_flags2 & PGM2_ERR_HANDLER) != 0;
  Exec_pop();
  if (handler && has_code) ws.Pgm_flags |= PGM_HANDLER_RAN;  // its error is not handed to it again
  if (typed) {
    ws.Con_flags |= CON_MODE;
    ws.Run_flags |= RF_STOP;
  }
  if (!has_code) return;
  if (ws.Start_flags & SF_NESTED) {
    // A nested execution (an I/O event program, ...) takes any exit code.
    if (ws.Cur_stno == 0) {
      ws.Call_err = n;
      return;
    }
  }
  // Error numbers are not negative: a negative n is a value out of range.
  if (n < 0) n = err::OUT_OF_RANGE;
  Io_touch();
  ws.Io_rty = 0;
  if (n == 127) {
    // The caller's cursor goes back to the start of its calling statement
    // and the escape is taken there, as an interrupt before it ran.
    ws.Exec_ptr = ws.Stmt_ptr;
    ws.Run_flags |= RF_ESCAPE;
    return;
  }
  if (ws.Cur_stno != 0) ws.Cmd_flags |= CMD_EXIT_ERR;  // the line where the error arose stays recorded
  Rpt_error(n);
}

bool Handle_program_error(int& n) {
  bool again = handler_retry.stmt == ws.Stmt_ptr && handler_retry.line == ws.Cur_stno &&
               handler_retry.level == ws.Call_link;
  handler_retry = {};
  if (ws.Pgm_flags & PGM_HANDLER_RAN) {
    ws.Pgm_flags &= ~uint32_t(PGM_HANDLER_RAN);
  } else if (!Err_pgm_name().empty() && !(ws.Pgm_flags2 & PGM2_ERR_HANDLER) && !again) {
    handler_retry = {ws.Stmt_ptr, ws.Cur_stno, ws.Call_link};
    std::string name = Err_pgm_name();
    uint8_t* exec = ws.Exec_ptr;
    ws.Exec_ptr = ws.Stmt_ptr;  // the handler's EXIT runs the failing statement again
    try {
      Catch_region region;
      Exec_call(name.c_str());
      ws.Pgm_flags2 |= PGM2_ERR_HANDLER;
      return true;
    } catch (const Oru_error&) {
      // The handler could not be started: its own error.
      ws.Exec_ptr = exec;
      n = 54;
      ws.Err_no = 54;
    }
  }
  if (ws.Call_link && must_pass_to_caller()) {
    ws.Exec_ptr = ws.Stmt_ptr = exit_err;
    ws.Cur_stno = 0;
    return true;
  }
  return false;
}

void Call_nested_with_args(const std::string& name) {
  if (name.size() >= CALL_NAME_MAX + 1) Rpt_error(err::STRING_LENGTH);
  Arg_rec* list = Do_Args(false);
  {
    List_guard guard{list};
    bool client = false;
    std::string routed = routed_name(name, &client);
    if (client) {
      client_call(routed, list);
      return;
    }
    put_name(routed);
    guard.list = nullptr;
  }
  uint8_t* exec = ws.Exec_ptr;
  uint8_t* stmt = ws.Stmt_ptr;
  bool started = false;
  int rc = Nested_call(FORM_CALL, list, PGM2_NESTED_CALL, &started);
  ws.Exec_ptr = exec;
  ws.Stmt_ptr = stmt;
  if (!started || rc > 0) Rpt_error(rc);
}
