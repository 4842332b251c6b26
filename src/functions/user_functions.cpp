// DEF in all its forms, FNEND, the FN call of user-defined functions and the
// defaults of program arguments.
//
// A local function's definition stays where it was compiled, in its program
// line: the record keeps the DEF line and the offsets of the DEF code and of
// the body (the code after the name) inside that line.  Every call finds the
// line again and checks that the same DEF still stands there, so a program
// edit that replaced or removed the line can never leave a dangling body:
// the function is then looked for afresh (Load_fncs), and error 25 when it
// is gone.  A global function ("%" name) outlives the program, so its
// definition is copied, every indexed variable reference rewritten in the
// inline form (code, length, name) that any program resolves by name.
//
// A multi-line body runs as a nested execution: the call pushes a GOSUB frame
// to the line after the DEF, retags it TAG_FUNCTION and sets ws.Call_status
// to -1; RETURN value (Fnc_return) hands the value to the innermost call,
// sets ws.Call_status to -2 and stops the nested execution.  An error inside
// the body ends it with ws.Call_status holding the error number.
#include "functions/user_functions.h"

#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/codes.h"
#include "core/exec_command.h"
#include "core/control_stack.h"
#include "core/directives.h"
#include "core/errors.h"
#include "core/evaluator.h"
#include "core/host.h"
#include "core/line_store.h"
#include "core/memory.h"
#include "core/nested_run.h"
#include "core/messages.h"
#include "core/params.h"
#include "core/process_config.h"
#include "core/variables.h"
#include "core/workspace.h"
#include "functions/fnc_args.h"
#include "functions/function_table.h"
#include "programs/call_frame.h"
#include "programs/objects.h"
#include "programs/program_list.h"

namespace {

constexpr int FNC_DEPTH_MAX = 100;  // calls in progress before a further one is error 25
constexpr int DEF_ARG_MAX = 20;

// Function tokens and system variables that select a DEF form.
constexpr uint8_t TOK_ARG = 0x4B, TOK_CHR = 0x50, TOK_LCS = 0x63, TOK_MSG = 0x6A, TOK_UCS = 0x78;
constexpr uint8_t TOK2_DTE = 0x68, TOK2_CVS = 0x6C, TOK2_SEP_X = 0xA6;  // after 0x48
constexpr uint8_t TOK2_SEP = 0x6A;                   // after 0xFE
constexpr uint8_t SV_CTL = 0x0F, SV_EOM = 0x12, SV_ERR = 0x13, SV_GID = 0x14, SV_HWD = 0x15,
                  SV_RET = 0x19, SV_UID = 0x1D;
constexpr uint8_t SV2_LFA = 0x1A, SV2_LFO = 0x1B, SV2_LPG = 0x1D, SV2_NID = 0x34;  // after 0x0C
constexpr uint8_t P2_OBJECT = 0x40, P2_CLASS = 0x42;                              // after 251

struct Fnc_def {
  std::string name;  // as compiled
  uint8_t type = 1;  // 1 numeric, 2 string
  bool defined = false;
  uint16_t line = 0;      // the DEF line (0: a global single-line function)
  uint32_t def_off = 0;   // local: offset of the DEF code in its line
  uint32_t body_off = 0;  // local: offset of the body in its line
  std::vector<uint8_t> text;  // global: the body, inline names, ended by EOL
  std::string path;           // global multi-line: the program that holds the body
  bool global() const { return !name.empty() && name[0] == '%'; }
};

using Fnc_vec = std::vector<std::unique_ptr<Fnc_def>>;
// The program's functions belong to its context (ws.Fnc_ctx), so that a
// called program has its own and the caller's are there again after EXIT.
Fnc_vec& Fnc_list() {
  if (!ws.Fnc_ctx) ws.Fnc_ctx = new Fnc_vec;
  return *static_cast<Fnc_vec*>(ws.Fnc_ctx);
}
std::vector<std::unique_ptr<Fnc_def>> Gfnc_list;  // "%" functions, for the process
int Fnc_depth = 0;

// The value a RETURN hands back to the innermost multi-line call.
struct Call_result {
  bool is_str = false;
  Num_val num;
  std::string str;
};
Call_result* cur_call = nullptr;

std::string def_args[DEF_ARG_MAX + 1];
bool def_arg_set[DEF_ARG_MAX + 1] = {};
int nDefArgMax = 0;

[[noreturn]] void syntax() { Rpt_error(err::SYNTAX); }

// Makes s the string accumulator (a program name for Exec_subprogram).
void put_str_acc(const std::string& s) {
  uint8_t* p = Work_take(s.size());
  if (!s.empty()) std::memcpy(p, s.data(), s.size());
  ws.Str_ptr = p;
  ws.Str_len = int32_t(s.size());
}

// ---- names ----

struct Name_ref {
  uint8_t type = 0;
  std::string name;
  size_t size = 0;  // bytes of the item
};

// Reads a variable item (code 1 or 2, inline or indexed).  False when the
// bytes are not one.
bool read_name(const uint8_t* p, Name_ref& r) {
  if (p[0] != code::NUM_VAR && p[0] != code::STR_VAR) return false;
  r.type = p[0];
  if (p[1] & 0x80) {
    const uint8_t* e = Var_name_entry(uint32_t(p[1] & 0x7F) << 8 | p[2]);
    if (!e || e[0] == 0 || e[0] == 255) return false;
    r.name.assign(reinterpret_cast<const char*>(e + 1), e[0]);
    r.size = 3;
    return true;
  }
  if (p[1] == 0) return false;
  r.name.assign(reinterpret_cast<const char*>(p + 2), p[1]);
  r.size = size_t(p[1]) + 2;
  return true;
}

bool same_name(const std::string& a, const std::string& b) {
  return a.size() == b.size() && memicmp(a.data(), b.data(), a.size()) == 0;
}

// The record of a function, made (undefined) at the head of its list when
// there is none.
Fnc_def& Loc_fnc(uint8_t type, const std::string& name) {
  auto& list = !name.empty() && name[0] == '%' ? Gfnc_list : Fnc_list();
  for (auto& f : list)
    if (f->type == type && same_name(f->name, name)) return *f;
  auto f = std::make_unique<Fnc_def>();
  f->type = type;
  f->name = name;
  list.insert(list.begin(), std::move(f));
  return *list.front();
}

// ---- program lines ----

// The bytes of program line n (null when there is none); the line store's
// cursor and the string accumulator are left as they were.
const uint8_t* program_line(uint16_t n, int32_t* len) {
  Line_pos pos = Save_line_pos();
  uint8_t* sp = ws.Str_ptr;
  int32_t sl = ws.Str_len;
  uint16_t got = Find_line(n);
  const uint8_t* line = ws.Str_ptr;
  *len = ws.Str_len;
  Restore_line_pos(pos);
  ws.Str_ptr = sp;
  ws.Str_len = sl;
  return got == n ? line : nullptr;
}

// The first statement of a line's statements (past a leading label).
const uint8_t* first_statement(const uint8_t* p) {
  if (p[0] == code::LABEL) {
    p += (p[1] & 0x80) ? 3 : size_t(p[1]) + 2;
    if (*p == code::LABEL_END) ++p;
  }
  return p;
}

// The code that ends the statement at p (";", the end of the line, ...),
// parentheses counted.
uint8_t* statement_end(uint8_t* p) {
  const uint8_t* end = Code_end(p);
  int level = 0;
  for (;;) {
    uint8_t c = *p;
    if (c == code::EOL || c == code::END_SCAN || ((Cde_tbl[c] & CC_STMT_END) && level == 0)) return p;
    if (c == code::LPAREN || (c >= code::FNC_FIRST && c <= code::FNC_LAST && c != 88) ||
        c == code::XFNC_PREFIX || c == code::ALT_FNC)
      level++;
    else if (c == code::RPAREN)
      level--;
    p += Scan_size(p, end);
  }
}

// Past the ")" of a parameter list that starts at p ("(").
const uint8_t* after_params(const uint8_t* p) {
  const uint8_t* end = Code_end(p);
  ++p;
  while (*p != code::RPAREN) {
    if (*p == code::EOL || *p == code::END_SCAN) Rpt_error(err::FUNCTION_UNDEFINED);
    p += Scan_size(p, end);
  }
  return p + 1;
}

// The body of a defined function, or null when it is not (or no longer)
// defined.
const uint8_t* body_of(Fnc_def& f) {
  if (!f.defined) return nullptr;
  if (f.global()) return f.text.data();
  int32_t len = 0;
  const uint8_t* line = program_line(f.line, &len);
  Name_ref r;
  if (line && f.body_off < uint32_t(len) && f.def_off + 1 < f.body_off && line[f.def_off] == code::D_DEF &&
      read_name(line + f.def_off + 1, r) && f.def_off + 1 + r.size == f.body_off && r.type == f.type &&
      same_name(r.name, f.name))
    return line + f.body_off;
  f.defined = false;
  return nullptr;
}

// A copy of the statement from p to its end, the indexed variable references
// written inline, ended by EOL.
std::vector<uint8_t> copy_inline(uint8_t* p) {
  uint8_t* stop = statement_end(p);
  const uint8_t* end = Code_end(p);
  std::vector<uint8_t> out;
  while (p < stop) {
    size_t n = Scan_size(p, end);
    Name_ref r;
    if ((p[0] == code::NUM_VAR || p[0] == code::STR_VAR) && (p[1] & 0x80)) {
      if (!read_name(p, r) || r.name.size() > 127) Rpt_error(err::INTERNAL_CODE);
      out.push_back(p[0]);
      out.push_back(uint8_t(r.name.size()));
      out.insert(out.end(), r.name.begin(), r.name.end());
    } else {
      out.insert(out.end(), p, p + n);
    }
    p += n;
  }
  out.push_back(code::EOL);
  return out;
}

// ---- DEF FN ----

void skip_body(Fnc_def& f);

// Defines the function whose name item is at the cursor (just after DEF).
void def_fn() {
  if (ws.Cur_stno == 0) Rpt_error(err::NOT_AT_CONSOLE);
  uint8_t* def_code = ws.Exec_ptr - 1;
  Name_ref r;
  if (!read_name(ws.Exec_ptr, r)) syntax();
  Fnc_def& f = Loc_fnc(r.type, r.name);
  uint8_t* body = ws.Exec_ptr + r.size;
  const uint8_t* q = *body == code::LPAREN ? after_params(body) : body;
  bool single = *q == code::OP_EQ;
  if (f.global()) {
    // A multi-line body stays in its program file: the call enters that
    // program as PERFORM does and runs the lines after the DEF.
    if (!single && (!ws.Cur_pgm || !ws.Cur_pgm->path || !*ws.Cur_pgm->path)) Rpt_error(err::FUNCTION_UNDEFINED);
    f.text = copy_inline(body);
    f.line = single ? 0 : ws.Cur_stno;
    f.path = single ? std::string() : std::string(ws.Cur_pgm->path);
    f.defined = true;
    if (single) {
      ws.Exec_ptr = statement_end(body);
      return;
    }
    skip_body(f);
    return;
  }
  int32_t len = 0;
  const uint8_t* line = program_line(ws.Cur_stno, &len);
  if (!line || def_code < line || body >= line + len) Rpt_error(err::NOT_AT_CONSOLE);  // not the program's own line
  f.line = ws.Cur_stno;
  f.def_off = uint32_t(def_code - line);
  f.body_off = uint32_t(body - line);
  f.defined = true;
  if (single) {
    ws.Exec_ptr = statement_end(body);
    return;
  }
  skip_body(f);
}

// The body's lines are not executed where they are defined: on after the
// line that starts with FNEND, or at the next line that starts with another
// DEF FN.
void skip_body(Fnc_def& f) {
  Line_pos pos = Save_line_pos();
  uint16_t n = ws.Cur_stno;
  for (;;) {
    n = Next_line(n);
    if (n >= LAST_LINE_NO) {
      Restore_line_pos(pos);
      f.defined = false;
      Rpt_error(err::FUNCTION_UNDEFINED);
    }
    const uint8_t* s = first_statement(ws.Str_ptr + 2);
    if (s[0] == code::EXT_DIR && s[1] == code::X_XFNC) {
      n = Next_line(n);
      break;
    }
    if (s[0] == code::D_DEF && (s[1] == code::NUM_VAR || s[1] == code::STR_VAR)) break;
  }
  ws.Cur_stno = n;
  ws.Exec_ptr = ws.Str_ptr + 2;
}

// Runs DEF FN on every line whose first statement is one, so that functions
// defined further on are known.  A definition that fails stays undefined.
void Load_fncs() {
  uint8_t* exec = ws.Exec_ptr;
  uint16_t stno = ws.Cur_stno;
  Line_pos pos = Save_line_pos();
  uint8_t* sp = ws.Str_ptr;
  int32_t sl = ws.Str_len;
  std::vector<uint16_t> lines;
  for (uint16_t n = First_line(); n < LAST_LINE_NO; n = Next_line(n)) {
    const uint8_t* s = first_statement(ws.Str_ptr + 2);
    if (s[0] == code::D_DEF && (s[1] == code::NUM_VAR || s[1] == code::STR_VAR)) lines.push_back(n);
  }
  for (uint16_t n : lines) {
    if (Find_line(n) != n) continue;
    ws.Cur_stno = n;
    ws.Exec_ptr = const_cast<uint8_t*>(first_statement(ws.Str_ptr + 2)) + 1;
    Catch_region region;
    try {
      def_fn();
    } catch (const Oru_error&) {
    }
  }
  ws.Exec_ptr = exec;
  ws.Cur_stno = stno;
  Restore_line_pos(pos);
  ws.Str_ptr = sp;
  ws.Str_len = sl;
}

// ---- the call ----

struct Arg_val {
  Var_node* param = nullptr;
  bool local = false;
  bool whole = false;
  Num_val num;
  std::string str;
  Var_node* array = nullptr;  // whole-array argument
};

// The parameter item at p: LOCAL mark, the variable (resolved), [ALL] mark.
// Returns the position after it.
const uint8_t* read_param(const uint8_t* p, Arg_val& a) {
  a.local = p[0] == code::EXT_DIR && p[1] == code::X_LOCAL;
  if (a.local) p += 2;
  if (p[0] != code::NUM_VAR && p[0] != code::STR_VAR) syntax();
  uint8_t* save = ws.Exec_ptr;
  ws.Exec_ptr = const_cast<uint8_t*>(p);
  a.param = Find_var();
  p = ws.Exec_ptr;
  ws.Exec_ptr = save;
  a.whole = *p == code::WHOLE_ARRAY;
  if (a.whole) ++p;
  return p;
}

// Evaluates the call's argument at the cursor for parameter a.
void eval_arg(Arg_val& a) {
  uint8_t* p = ws.Exec_ptr;
  bool var = p[0] == code::NUM_VAR || p[0] == code::STR_VAR;
  size_t vsize = var ? ((p[1] & 0x80) ? 3 : size_t(p[1]) + 2) : 0;
  bool whole_arg = var && p[vsize] == code::WHOLE_ARRAY;
  if (a.whole) {
    if (!whole_arg || p[0] != a.param->type) Rpt_error(err::TYPE_MISMATCH);
    Var_node* src = Find_var();
    ++ws.Exec_ptr;  // [ALL]
    if (!Is_array(src)) Rpt_error(err::BAD_SUBSCRIPT);
    a.array = src;
    return;
  }
  if (whole_arg) Rpt_error(err::TYPE_MISMATCH);
  Eval_formula();
  if ((ws.Str_len < 0) != (a.param->type == code::NUM_VAR)) Rpt_error(err::TYPE_MISMATCH);
  if (ws.Str_len < 0) {
    a.num = ws.Num_acc;
    if (ws.Prm.RS && a.num.scale > ws.Precision) Set_scl(a.num, ws.Precision, 1);
  } else {
    a.str.assign(reinterpret_cast<const char*>(ws.Str_ptr), size_t(ws.Str_len));
  }
}

void assign_param(Arg_val& a) {
  Var_node* n = a.param;
  if (a.whole) {
    if (a.array->read_mask & ~ws.Var_mask) Rpt_error(err::NOT_ACCESSIBLE);
    Check_assignable(n);
    if (a.local) Localize_array(n);
    if (a.array != n) Copy_Array(n, a.array);
    return;
  }
  Check_assignable(n);
  if (a.local) {
    Localize_var(n);
    n->flags |= VF_LOCAL_TEMP;
  }
  Let_target t;
  t.node = n;
  if (n->type == code::NUM_VAR) {
    t.val = &n->num;
    ws.Num_acc = a.num;
    ws.Str_len = -1;
    Let_store_num(t);
  } else {
    t.val = &n->str;
    t.str_len = 0;
    uint8_t* w = Work_take(a.str.size());
    if (!a.str.empty()) std::memcpy(w, a.str.data(), a.str.size());
    ws.Str_ptr = w;
    ws.Str_len = int32_t(a.str.size());
    Let_assign(t);
  }
}

// Binds the call's arguments (cursor on "(") to the parameter list at
// params ("(").  With !F clear every argument is evaluated first and the
// parameters are assigned from the last to the first; with !F each is
// assigned as soon as its argument is known.
void Fnc_do_arg(const uint8_t* params) {
  bool at_once = Sw_on(sw::BangF);
  std::vector<Arg_val> args;
  const uint8_t* dp = params + 1;
  ++ws.Exec_ptr;
  for (;;) {
    Arg_val a;
    dp = read_param(dp, a);
    eval_arg(a);
    if (at_once)
      assign_param(a);
    else
      args.push_back(std::move(a));
    bool more_call = *ws.Exec_ptr == code::COMMA, more_def = *dp == code::COMMA;
    if (more_call != more_def) Rpt_error(err::FUNCTION_UNDEFINED);
    if (!more_call) break;
    ++ws.Exec_ptr;
    ++dp;
  }
  if (*ws.Exec_ptr != *dp || *dp != code::RPAREN) Rpt_error(err::FUNCTION_UNDEFINED);
  ++ws.Exec_ptr;
  for (size_t i = args.size(); i-- > 0;) assign_param(args[i]);
}

// Runs a multi-line body to its RETURN.  Everything the nested execution
// may change is put back on every way out.
void run_body(const Fnc_def& f, Call_result& res) {
  Nested_run_guard<NESTED_STOP> saved;
  struct Saved_call {
    uint32_t seterr = ws.Seterr_line;
    uint32_t in_seterr = ws.Pgm_flags2 & PGM2_IN_SETERR;
    Call_result* call = cur_call;
    ~Saved_call() {
      ws.Seterr_line = seterr;
      ws.Pgm_flags2 = (ws.Pgm_flags2 & ~uint32_t(PGM2_IN_SETERR)) | in_seterr;
      cur_call = call;
    }
  } saved_call;
  // A global function's body runs in its own program, entered with the
  // caller's variables; the frame goes again on every way out.
  bool entered = false;
  if (f.global()) {
    put_str_acc(f.path);
    Exec_subprogram(FORM_PERFORM, nullptr);
    entered = true;
  }
  int status = -1;
  try {
    uint32_t depth = ws.Ctl_depth;
    ws.Seterr_line = 0;  // the caller's SETERR line does not take errors of the body
    ws.Pgm_flags2 &= ~uint32_t(PGM2_IN_SETERR);
    ws.Cur_stno = f.line;  // the frame's origin; a call typed at the console works too
    Internal_gosub(uint32_t(f.line) + 1);
    ws.Ctl_stack->tag = TAG_FUNCTION;
    ws.Call_status = -1;
    cur_call = &res;
    InternalExecLine();
    status = ws.Call_status;
    if (status != -2)
      while (ws.Ctl_depth > depth) Exec_unstack();
  } catch (...) {
    if (entered) Exec_pop();
    throw;
  }
  if (entered) Exec_pop();
  if (status == -2) return;
  int e = status == -1 ? 59 : status;
  if (e == 0) ws.Io_rty = 0;
  Rpt_error(e);
}

void call_function() {
  Name_ref r;
  if (!read_name(ws.Exec_ptr, r)) Rpt_error(err::INTERNAL_CODE);
  ws.Exec_ptr += r.size;
  Fnc_def* f = &Loc_fnc(r.type, r.name);
  const uint8_t* body = body_of(*f);
  if (!body) {
    Load_fncs();
    body = body_of(*f);
  }
  if (!body) Rpt_error(err::FUNCTION_UNDEFINED);
  bool call_args = *ws.Exec_ptr == code::LPAREN;
  if (call_args != (*body == code::LPAREN)) Rpt_error(err::FUNCTION_UNDEFINED);
  if (Fnc_depth > FNC_DEPTH_MAX) Rpt_error(err::FUNCTION_UNDEFINED);

  Loc_frame* locals = ws.Loc_chain;
  ++Fnc_depth;
  Call_result res;
  uint8_t* after = nullptr;
  int err = -1;
  Tmp_save tmp{};
  bool tmp_saved = false;
  {
    Catch_region region;
    try {
      if (call_args) Fnc_do_arg(body);
      after = ws.Exec_ptr;
      SaveTmpMem(tmp);
      tmp_saved = true;
      const uint8_t* q = *body == code::LPAREN ? after_params(body) : body;
      if (*q == code::OP_EQ) {
        ws.Exec_ptr = const_cast<uint8_t*>(q) + 1;
        Eval_formula();
        res.is_str = ws.Str_len >= 0;
        if (res.is_str)
          res.str.assign(reinterpret_cast<const char*>(ws.Str_ptr), size_t(ws.Str_len));
        else
          res.num = ws.Num_acc;
      } else {
        run_body(*f, res);
      }
      if (res.is_str != (f->type == code::STR_VAR)) Rpt_error(err::TYPE_MISMATCH);
    } catch (const Oru_error& e) {
      err = e.no;
    }
  }
  Delocalize_to(locals);
  if (tmp_saved) ResetTmpMem(tmp);
  --Fnc_depth;
  if (err >= 0) Rpt_error(err);
  ws.Exec_ptr = after;
  if (res.is_str) {
    uint8_t* out = Rsv_out(int64_t(res.str.size()));
    if (!res.str.empty()) std::memcpy(out, res.str.data(), res.str.size());
  } else {
    Fnc_result(res.num);
  }
}

// ---- the other DEF forms ----

void close_paren() {
  if (*ws.Exec_ptr != code::RPAREN) syntax();
  ++ws.Exec_ptr;
}

std::string_view str_acc() {
  return {reinterpret_cast<const char*>(ws.Str_ptr), size_t(ws.Str_len)};
}

// DEF LCS(s), DEF UCS(s), DEF CVS(s): a 256-byte table, or "" to reload it.
void def_table(int first, uint8_t* table) {
  Eval_str();
  std::string s(str_acc());
  close_paren();
  Load_tbl(first, table, s);
}

// DEF MSG(key, text) and DEF MSG(key, DELETE).
void def_msg() {
  Eval_formula();
  bool named = ws.Str_len >= 0;
  std::string key;
  int32_t n = 0;
  if (named) {
    if (ws.Str_len == 0) Rpt_error(err::STRING_LENGTH);
    key.assign(str_acc());
  } else {
    n = To_integer(ws.Num_acc);
    if (n < -1) Rpt_error(err::OUT_OF_RANGE);
  }
  Fnc_comma();
  bool del = *ws.Exec_ptr == code::D_DELETE;
  std::string text;
  if (del) {
    ++ws.Exec_ptr;
  } else {
    Eval_str();
    text.assign(str_acc());
  }
  close_paren();
  if (named) {
    if (del)
      Msg_undefine_named(key);
    else
      Msg_define_named(key, text);
  } else if (n == -1) {
    Set_ext_error(del ? std::string() : text);
  } else if (del) {
    Msg_undefine(n);
  } else {
    Msg_define(n, text);
  }
}

// DEF ARG(n) = s: the default of program argument n; DEF ARG(n) clears it.
void Kest_SetDefArg() {
  int32_t n = Eval_range(0, DEF_ARG_MAX);
  close_paren();
  def_args[n].clear();
  def_arg_set[n] = false;
  if (*ws.Exec_ptr == code::OP_EQ) {
    ++ws.Exec_ptr;
    Eval_str();
    def_args[n].assign(str_acc());
    def_arg_set[n] = true;
  }
  nDefArgMax = 0;
  for (int i = DEF_ARG_MAX; i >= 1; --i)
    if (def_arg_set[i]) {
      nDefArgMax = i;
      break;
    }
}

// DEF SEP(s): the separator string (at most 20 bytes); the field separator
// becomes its first byte, or 0x8A when it is empty.
void def_sep() {
  Eval_str();
  if (ws.Str_len > 20) Rpt_error(err::STRING_LENGTH);
  prmblk.Sep_str[0] = uint8_t(ws.Str_len);
  if (ws.Str_len > 0) std::memcpy(prmblk.Sep_str + 1, ws.Str_ptr, size_t(ws.Str_len));
  prmblk.FS = ws.Str_len > 0 ? ws.Str_ptr[0] : 0x8A;
  close_paren();
}

// The "=" after a system variable of a DEF form.
void def_equals() {
  if (*ws.Exec_ptr != code::OP_EQ) syntax();
  ++ws.Exec_ptr;
}

std::string def_string(size_t max) {
  def_equals();
  Eval_str();
  if (size_t(ws.Str_len) > max) Rpt_error(err::STRING_LENGTH);
  return std::string(str_acc());
}

// DEF UID=name [LOCK], DEF GID=name [LOCK]: LOCK changes the real id too.
void def_user(bool group) {
  def_equals();
  Eval_formula();
  bool permanent = *ws.Exec_ptr == code::D_LOCK;
  if (permanent) ++ws.Exec_ptr;
  if (group)
    Change_groupid(permanent);
  else
    Change_userid(permanent);
}

void def_sysvar(uint8_t sv) {
  ++ws.Exec_ptr;
  switch (sv) {
    case SV_UID: def_user(false); return;
    case SV_GID: def_user(true); return;
    case SV_CTL:
      def_equals();
      ws.Ctl_value = Eval_range(-32000, 32000);
      return;
    case SV_ERR:
      def_equals();
      ws.Err_no = Eval_range(0, 32767);
      return;
    case SV_RET:
      def_equals();
      ws.Last_errno = Eval_range(256, 33023) - 256;
      return;
    case SV_EOM: {
      std::string s = def_string(sizeof ws.Eom_chars);
      std::memcpy(ws.Eom_chars, s.data(), s.size());
      ws.Eom_len = uint8_t(s.size());
      return;
    }
    case SV_HWD: {
      std::string s = def_string(512);
      szSysHomeDir = s.empty() ? szSysCurDir : s;
      return;
    }
    default:
      syntax();
  }
}

void def_ext_sysvar(uint8_t sv) {
  ws.Exec_ptr += 2;
  switch (sv) {
    case SV2_NID: {
      std::string s = def_string(sizeof ws.Node_id - 1);
      std::memset(ws.Node_id, 0, sizeof ws.Node_id);
      std::memcpy(ws.Node_id, s.data(), s.size());
      return;
    }
    case SV2_LFA:
      def_equals();
      ws.Lfa_chan = uint16_t(Eval_range(0, 65000));
      return;
    case SV2_LFO:
      def_equals();
      ws.Lfo_chan = uint16_t(Eval_range(0, 65000));
      return;
    case SV2_LPG: {
      std::string s = def_string(sizeof ws.Lpg_text);
      if (s.empty()) Rpt_error(err::STRING_LENGTH);
      std::memset(ws.Lpg_text, 0, sizeof ws.Lpg_text);
      std::memcpy(ws.Lpg_text, s.data(), s.size());
      ws.Lpg_len = uint16_t(s.size());
      return;
    }
    default:
      syntax();
  }
}

}  // namespace

// DEF: the form is chosen by the code after DEF.
void d_def() {
  uint8_t* p = ws.Exec_ptr;
  switch (p[0]) {
    case code::NUM_VAR:
    case code::STR_VAR:
      def_fn();
      return;
    case TOK_LCS:
      ++ws.Exec_ptr;
      def_table(144, Lowercs);
      return;
    case TOK_UCS:
      ++ws.Exec_ptr;
      def_table(140, Uppercs);
      return;
    case TOK_MSG:
      ++ws.Exec_ptr;
      def_msg();
      return;
    case TOK_CHR: {
      ++ws.Exec_ptr;
      Eval_str();
      if (ws.Str_len != 256) Rpt_error(err::STRING_LENGTH);
      std::memcpy(Printables, ws.Str_ptr, 256);
      close_paren();
      return;
    }
    case TOK_ARG:
      ++ws.Exec_ptr;
      Kest_SetDefArg();
      return;
    case code::XFNC_PREFIX:
      ws.Exec_ptr += 2;
      if (p[1] == TOK2_CVS) {
        def_table(148, Accents);
      } else if (p[1] == TOK2_SEP_X) {
        def_sep();
      } else if (p[1] == TOK2_DTE) {
        Eval_str();
        std::string s(str_acc());
        close_paren();
        Load_dte(s);
      } else {
        syntax();
      }
      return;
    case code::ALT_FNC:
      ws.Exec_ptr += 2;
      if (p[1] != TOK2_SEP) syntax();
      def_sep();
      return;
    case code::EXT_SYSVAR:
      def_ext_sysvar(p[1]);
      return;
    case code::PREFIX2:
      if (p[1] == P2_OBJECT) {
        ws.Exec_ptr = p + 2;
        DefObject();
        return;
      }
      if (p[1] == P2_CLASS) {
        ws.Exec_ptr = p + 2;
        OopLoadClass();
        return;
      }
      syntax();
    default:
      if (p[0] >= code::SYSVAR_FIRST && p[0] <= code::SYSVAR_LAST) {
        def_sysvar(p[0]);
        return;
      }
      syntax();
  }
}

// FNEND met in the flow of the program: the end of a multi-line function
// body reached without RETURN (error 59), or a stray FNEND (error 45).
void d_xfnc() {
  for (const Ctl_frame* f = ws.Ctl_stack; f; f = f->link)
    if (f->tag == TAG_FUNCTION) Rpt_error(err::NOT_IN_CALLED);
  Rpt_error(err::BAD_LINE_REF);
}

// FN name [(arguments)]: the call of a user-defined function.  The cursor
// stands on the name; it ends after the call.
void fnc_fnc() { call_function(); }

void Fnc_return() {
  if (!cur_call) Rpt_error(err::NOTHING_TO_RETRY);
  uint8_t c = *ws.Exec_ptr;
  if (c == code::EOL || (Cde_tbl[c] & CC_STMT_END)) Rpt_error(err::NOTHING_TO_RETRY);
  Eval_formula();
  cur_call->is_str = ws.Str_len >= 0;
  if (cur_call->is_str)
    cur_call->str.assign(reinterpret_cast<const char*>(ws.Str_ptr), size_t(ws.Str_len));
  else
    cur_call->num = ws.Num_acc;
  ws.Call_status = -2;
  ws.Run_flags |= RF_STOP;
  Exec_unstack();
}

void Clr_function() {
  delete static_cast<Fnc_vec*>(ws.Fnc_ctx);
  ws.Fnc_ctx = nullptr;
}

int Fnc_call_depth() { return Fnc_depth; }

int Kest_GetDefArg(int n) {
  if (n < 0 || n > nDefArgMax) return 0;
  if (def_arg_set[n]) {
    ws.Str_ptr = reinterpret_cast<uint8_t*>(def_args[n].data());
    ws.Str_len = int32_t(def_args[n].size());
    return 1;
  }
  if (n <= prmblk.Argc) return 0;
  ws.Str_ptr = Work_take(0);
  ws.Str_len = 0;
  return 1;
}

int Kest_GetNArg() { return nDefArgMax; }

void Kest_ClrDefArg() {
  for (int i = 0; i <= DEF_ARG_MAX; ++i) {
    def_args[i].clear();
    def_arg_set[i] = false;
  }
  nDefArgMax = 0;
}
