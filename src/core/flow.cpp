// Flow-control directives: GOSUB and RETURN, FOR and NEXT, WHILE and WEND,
// REPEAT and UNTIL, SWITCH, CASE, DEFAULT and END SWITCH, BREAK, CONTINUE,
// POP, EXITTO, ON ... GOTO/GOSUB, IF, ELSE and END IF; and the forward scans
// they share.
//
// Compiled forms read here:
//   FOR   1 ref 39 start 59 limit [60 step]      (59 TO, 60 STEP)
//   FOR   count                                  (an expression)
//   NEXT  [1 ref]
//   IF    expr [66 55] ...                       (66 55: THEN followed by "{")
//   CASE  ([op] expr) separated by 37            (op one of 39..44)
//   ON    expr (180|179) ref (37 ref)...
// A block IF is "IF expr" ending its line; its part runs to a line whose
// ELSE or END IF is at depth 0 (block IFs nest; an ELSE that follows a
// one-line IF on the same line, or a "}", belongs to that IF).
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "core/hooks.h"
#include "core/codes.h"
#include "core/control_stack.h"
#include "core/directives.h"
#include "core/errors.h"
#include "core/evaluator.h"
#include "core/executor.h"
#include "core/hash_table.h"
#include "core/line_store.h"
#include "core/memory.h"
#include "core/variables.h"
#include "core/workspace.h"

namespace {

constexpr uint16_t X(uint8_t b) { return uint16_t(0x9500 | b); }  // 149 b
constexpr uint8_t RECORD_WORD = 63;                               // NEXT RECORD

// The cursor position of a scan, restored when the scan fails so that the
// error names the statement that started it.
struct Scan_start {
  uint16_t stno = ws.Cur_stno;
  uint8_t* ptr = ws.Exec_ptr;
  uint8_t* stmt = ws.Stmt_ptr;
  Line_pos pos = Save_line_pos();
  [[noreturn]] void fail(int n) const {
    ws.Cur_stno = stno;
    ws.Exec_ptr = ptr;
    ws.Stmt_ptr = stmt;
    Restore_line_pos(pos);
    Rpt_error(n);
  }
};

bool line_end(uint8_t c) {
  return c == code::EOL || c == code::END_SCAN || c == code::D_REM || c == code::D_COMMENT ||
         c == code::D_TABLE;
}

// On to the first code of the next program line; false at the end of the
// program or on a console line.
bool scan_next_line() {
  if (ws.Cur_stno == 0 || ws.Cur_stno >= LAST_LINE_NO) return false;
  uint16_t n = Next_line(ws.Cur_stno);
  if (n >= LAST_LINE_NO) return false;
  ws.Cur_stno = n;
  ws.Exec_ptr = ws.Str_ptr + 2;
  return true;
}

inline uint16_t code_at(const uint8_t* p) {
  if (p[0] == code::D_NEXT && p[1] == RECORD_WORD) return K_NEXT_RECORD;
  return p[0] == code::EXT_DIR ? X(p[1]) : p[0];
}

inline void step_item() { ws.Exec_ptr += Scan_size(ws.Exec_ptr, Code_end(ws.Exec_ptr)); }

// The cursor moves onto the closer matching the block open before it
// (nothing consumed of the closer).
void scan_to_closer(uint16_t close, uint16_t open) {
  Scan_start s;
  int depth = 0;
  bool after_slash = false;
  for (;;) {
    uint8_t* p = ws.Exec_ptr;
    if (line_end(*p)) {
      if (!scan_next_line()) s.fail(27);
      after_slash = false;
      continue;
    }
    uint16_t k = code_at(p);
    if (!after_slash) {
      if (k == close) {
        if (depth == 0) return;
        depth--;
      } else if (k == open) {
        depth++;
      }
    }
    after_slash = *p == code::OP_DIV;
    // THEN's block mark stands before the "{" it opens: the "{" is counted
    // as an opener of its own.
    if (*p == code::THEN_BLOCK) ws.Exec_ptr++;
    else step_item();
  }
}

void skip_code_pair() { ws.Exec_ptr += (*ws.Exec_ptr == code::EXT_DIR) ? 2 : 1; }

// Past a NEXT and its variable.
void past_next() {
  skip_code_pair();
  if (*ws.Exec_ptr == code::NUM_VAR || *ws.Exec_ptr == code::STR_VAR) Skip_code();
}

// Past an UNTIL and its condition.
void past_until() {
  skip_code_pair();
  Skip_xpr();
}

// To the end of the current statement (nothing consumed of the code ending it).
void to_statement_end() {
  for (;;) {
    uint8_t c = *ws.Exec_ptr;
    if (c == code::END_SCAN || (Cde_tbl[c] & CC_STMT_END)) return;
    step_item();
  }
}

bool is_block_if_end(uint8_t c) { return line_end(c); }

// From inside a block IF's part to its ELSE or END IF (stop_at_else) or END
// IF only; the cursor ends past it.  Returns the code found.
uint8_t skip_if_block(bool stop_at_else) {
  Scan_start s;
  int depth = 0;
  int single_ifs = 0;  // one-line IFs of this line still waiting for an ELSE
  uint8_t prev = 0;
  for (;;) {
    uint8_t* p = ws.Exec_ptr;
    uint8_t c = *p;
    if (line_end(c)) {
      if (!scan_next_line()) s.fail(27);
      single_ifs = 0;
      prev = 0;
      continue;
    }
    if (c == code::D_IF) {
      ws.Exec_ptr++;
      Skip_xpr();
      if (*ws.Exec_ptr == code::THEN_BLOCK) ws.Exec_ptr += 2;  // a braced IF: its ELSE follows a "}"
      else if (is_block_if_end(*ws.Exec_ptr)) depth++;
      else single_ifs++;
      prev = c;
      continue;
    }
    if (c == code::D_ELSE) {
      if (prev == code::BLOCK_CLOSE) {
      } else if (single_ifs > 0) {
        single_ifs--;
      } else if (depth == 0 && stop_at_else) {
        ws.Exec_ptr++;
        return c;
      }
    } else if (c == code::D_END_IF) {
      if (depth == 0) {
        ws.Exec_ptr++;
        return c;
      }
      depth--;
    }
    prev = c;
    step_item();
  }
}

// Stores ws.Num_acc as the loop's control value.
inline void store_control(Ctl_frame* f) {
  if (f->for_var) Store_num(f->for_var, f->for_val);
  else *f->for_val = ws.Num_acc;
}

// The loop whose body is skipped (a count of 0).
void skip_loop_body() {
  scan_to_closer(code::D_NEXT, code::D_FOR);
  past_next();
}

constexpr uint8_t X_LOCAL = 209;  // 149 209: LOCAL

// The array named at p when "[ALL]" follows it and ends the statement,
// else null; the cursor is left where it was.
Var_node* whole_array_alone(uint8_t* p) {
  if (*p != code::NUM_VAR && *p != code::STR_VAR) return nullptr;
  uint8_t* save = ws.Exec_ptr;
  ws.Exec_ptr = p;
  Var_node* n = Find_var();
  bool whole = ws.Exec_ptr[0] == code::WHOLE_ARRAY && (Cde_tbl[ws.Exec_ptr[1]] & CC_STMT_END);
  ws.Exec_ptr = save;
  return whole ? n : nullptr;
}

// FOR [LOCAL] v = A[ALL]: v takes the subscripts of A's first dimension
// (error 42 when A has no elements; an associative array without keys
// skips the loop).
void for_subscripts(const uint8_t* ref, Var_node* v, Var_node* a, bool local) {
  Skip_var();
  if (!a->elems) Find_sub_err();
  if (a->size[0] == 0) {
    if (ws.Cur_stno == 0) Rpt_error(err::NOT_AT_CONSOLE);
    skip_loop_body();
    return;
  }
  Num_val start, limit;
  start.mant = a->base[0];
  limit.mant = int64_t(a->base[0]) + a->size[0] - 1;
  Ctl_frame* f = Exec_stack(TAG_FOR);
  f->for_var = v;
  f->for_val = &v->num;
  f->step.mant = 1;
  f->limit = limit;
  f->for_flags = FOR_FAST;
  if (ref[1] & 0x80) std::memcpy(f->var_ref, ref, 3);
  if (local) Localize_var(v);
  ws.Num_acc = start;
  Store_num(v, &v->num);
}

// The next piece of a string loop into its variable: the text up to the
// next occurrence of the string's last byte.  False at the end.  (A loop
// whose variable went, with the data set that held it, counts its pieces
// alone.)
bool next_piece(Ctl_frame* f) {
  Str_blk* s = f->for_str;
  if (!s || f->for_pos >= s->len) return false;
  const uint8_t* b = s->bytes();
  uint8_t sep = b[s->len - 1];
  const void* hit = std::memchr(b + f->for_pos, sep, s->len - f->for_pos);
  uint32_t stop = uint32_t(static_cast<const uint8_t*>(hit) - b);  // found: the last byte is sep
  if (!f->for_var) [[unlikely]] {
    f->for_pos = stop + 1;
    return true;
  }
  Let_target t;
  t.node = f->for_var;
  t.val = &f->for_var->str;
  t.str_len = 0;
  ws.Str_ptr = const_cast<uint8_t*>(b + f->for_pos);
  ws.Str_len = int32_t(stop - f->for_pos);
  f->for_pos = stop + 1;
  Let_assign(t);
  return true;
}

// FOR [LOCAL] v$ = string: v$ takes each piece of the string, pieces being
// ended by the string's own last byte; an empty string skips the loop.
// FOR [LOCAL] v$ = A[ALL] on an associative array: v$ takes its keys in the
// order they were added (a key holding a zero byte counts as two pieces).
void for_string(uint8_t* ref, bool local) {
  Var_node* v = Find_var();
  Check_assignable(v);
  if (*ws.Exec_ptr != code::OP_EQ) Rpt_error(err::SYNTAX);
  ws.Exec_ptr++;
  std::string text;
  if (Var_node* a = whole_array_alone(ws.Exec_ptr)) {
    Skip_var();
    if (!a->assoc) Find_sub_err();
    std::vector<HSH_entry*> keys;
    HSH_iter it;
    HSH_IndexInit(a->assoc, &it);
    while (HSH_entry* e = HSH_IndexNext(&it)) keys.push_back(e);
    std::sort(keys.begin(), keys.end(), [](HSH_entry* x, HSH_entry* y) { return x->value < y->value; });
    for (HSH_entry* e : keys) {
      text.append(reinterpret_cast<const char*>(e->key()), e->key_len);
      text += '\0';
    }
  } else {
    Eval_str();
    text.assign(reinterpret_cast<const char*>(ws.Str_ptr), size_t(ws.Str_len));
  }
  if (text.empty()) {
    if (ws.Cur_stno == 0) Rpt_error(err::NOT_AT_CONSOLE);
    skip_loop_body();
    return;
  }
  Str_blk* copy = Get_str(text.size());
  if (!copy) Rpt_error(err::OUT_OF_MEMORY);
  std::memcpy(copy->bytes(), text.data(), text.size());
  copy->len = uint32_t(text.size());
  Ctl_frame* f;
  try {
    f = Exec_stack(TAG_FOR);
  } catch (...) {
    Ret_str(copy);
    throw;
  }
  f->for_str = copy;
  f->for_flags = FOR_STRING;
  f->for_var = v;
  if (ref[1] & 0x80) std::memcpy(f->var_ref, ref, 3);
  if (local) Localize_var(v);
  next_piece(f);
}

// ---- SWITCH ----

struct Selector {
  bool is_str = false;
  Num_val num;
  std::string str;
};

bool case_matches(const Selector& sel) {
  for (;;) {
    uint8_t op = code::OP_EQ;
    if (*ws.Exec_ptr >= code::OP_EQ && *ws.Exec_ptr <= code::OP_LT) op = *ws.Exec_ptr++;
    Eval_formula();
    bool hit;
    int c;
    if ((ws.Str_len >= 0) != sel.is_str) Rpt_error(err::TYPE_MISMATCH);
    if (sel.is_str) {
      size_t n = sel.str.size() < size_t(ws.Str_len) ? sel.str.size() : size_t(ws.Str_len);
      c = n ? std::memcmp(sel.str.data(), ws.Str_ptr, n) : 0;
      if (c == 0) c = sel.str.size() < size_t(ws.Str_len) ? -1 : (sel.str.size() > size_t(ws.Str_len) ? 1 : 0);
      c = c < 0 ? -1 : (c > 0 ? 1 : 0);
    } else {
      ws.Num_acc2 = sel.num;
      c = Cmp_val();
    }
    switch (op) {
      case code::OP_EQ: hit = c == 0; break;
      case code::OP_NE: hit = c != 0; break;
      case code::OP_LE: hit = c <= 0; break;
      case code::OP_GE: hit = c >= 0; break;
      case code::OP_GT: hit = c > 0; break;
      default: hit = c < 0; break;
    }
    if (hit) {
      to_statement_end();
      return true;
    }
    if (*ws.Exec_ptr != code::COMMA) return false;
    ws.Exec_ptr++;
  }
}

// The newest frame: none is error 27.
Ctl_frame* newest() {
  if (!ws.Ctl_stack) Rpt_error(err::NOTHING_TO_RETRY);
  return ws.Ctl_stack;
}

}  // namespace

uint16_t Skipto_code(uint16_t close, uint16_t open) {
  scan_to_closer(close, open);
  uint16_t k = code_at(ws.Exec_ptr);
  skip_code_pair();
  return k;
}

// ---- GOSUB, RETURN, ON, POP, EXITTO ----

namespace {

// GOSUB line ERR clause: the clause (a block, or the rest of the line) is
// passed over; the frame resumes after it and keeps where it starts.
[[gnu::noinline]] void gosub_with_clause(uint32_t target) {
  if (ws.Cur_stno == 0) Rpt_error(err::NOT_AT_CONSOLE);
  uint16_t origin = ws.Cur_stno;
  uint8_t*& p = ws.Exec_ptr;
  uint8_t* clause = ++p;
  if (*p == code::BLOCK_OPEN) {
    ++p;
    Skipto_code(code::BLOCK_CLOSE, code::BLOCK_OPEN);
  } else {
    while (!line_end(*p)) step_item();
  }
  Ctl_frame* f = Exec_stack(TAG_GOSUB);
  f->origin_line = origin;
  f->err_clause = clause;
  Exec_go(target);
}

}  // namespace

void True_gosub(uint32_t target) {
  if (*ws.Exec_ptr == code::SV_ERR) [[unlikely]] {
    gosub_with_clause(target);
    return;
  }
  Exec_stack(TAG_GOSUB);
  Exec_go(target);
}

bool OnErrUnstack() {
  Ctl_frame* ef = ws.Ctl_stack;
  while (ef && !ef->err_clause) ef = ef->link;
  if (!ef) return false;
  uint8_t* clause = ef->err_clause;
  uint16_t line = ef->origin_line;
  while (ws.Ctl_stack != ef) Exec_unstack();
  Exec_unstack();  // the GOSUB's own frame
  if (Find_line(line) != line) return false;  // (not met: the line is kept while its frame lives)
  ws.Cur_stno = line;
  ws.Exec_ptr = *clause == code::BLOCK_OPEN ? clause + 1 : clause;
  ws.Stmt_ptr = ws.Exec_ptr;
  return true;
}

void Internal_gosub(uint32_t target) {
  Exec_stack(TAG_GOSUB);
  Exec_go(target);
}

void d_gosu() { True_gosub(Get_line()); }

void d_rtrn() {
  Ctl_frame* f = ws.Ctl_stack;
  if (!f || f->tag != TAG_GOSUB) {
    if (Method_return_hook && Method_return_hook()) return;  // RETURN value of a method
    if (Value_return_hook && Value_return_hook()) return;    // of a program called for a value
    f = Switch_Flush(TAG_GOSUB);
  }
  if (f->tag == TAG_FUNCTION) {
    Core_hook.function_return();  // RETURN value ends a multi-line function body
    return;
  }
  Exec_return(f);
  Exec_unstack();
}

void d_on() {
  if (ws.Exec_ptr[0] == code::PREFIX2 && ws.Exec_ptr[1] == 72 && On_event_hook) {  // ON EVENT
    ws.Exec_ptr += 2;
    On_event_hook();
    return;
  }
  Eval_val();
  Num_val v = ws.Num_acc;
  Set_scl(v, 0, 0);
  int64_t n = v.mant < 0 ? 0 : v.mant;
  uint8_t kind = *ws.Exec_ptr;
  if (kind != code::D_GOTO && kind != code::D_GOSUB) Not_built("ON EVENT");
  ws.Exec_ptr++;
  // The entries: pick the n-th (the last when n passes the list) without
  // resolving the others.
  uint8_t* chosen = ws.Exec_ptr;
  for (int64_t i = 0;; ++i) {
    if (i <= n) chosen = ws.Exec_ptr;
    step_item();
    if (*ws.Exec_ptr != code::COMMA) break;
    ws.Exec_ptr++;
  }
  uint8_t* end = ws.Exec_ptr;
  ws.Exec_ptr = chosen;
  uint32_t target = Get_line();
  ws.Exec_ptr = end;
  if (kind == code::D_GOSUB) Internal_gosub(target);
  else Exec_go(target);
}

void d_pop() {
  Ctl_frame* f = newest();
  Ctl_frame* g = f;
  while (g && g->tag == TAG_SWITCH) g = g->link;
  if (g && g->tag == TAG_FUNCTION) Rpt_error(err::NOT_IN_CALLED);
  while (ws.Ctl_stack && ws.Ctl_stack->tag == TAG_SWITCH) Exec_unstack();
  Exec_unstack();
}

void d_exto() {
  uint32_t target = Get_line();
  d_pop();
  Exec_go(target);
}

// ---- FOR and NEXT ----

void For_release(Ctl_frame* f) {
  if (f->for_str) {
    Ret_str(f->for_str);
    f->for_str = nullptr;
  }
}

void d_for() {
  bool local = false;
  if (ws.Exec_ptr[0] == code::EXT_DIR && ws.Exec_ptr[1] == X_LOCAL) {
    local = true;
    ws.Exec_ptr += 2;
  }
  uint8_t* p = ws.Exec_ptr;
  if (*p == code::STR_VAR) {
    for_string(p, local);
    return;
  }
  if (*p == code::NUM_VAR) {
    Var_node* v = Find_var();
    if (*ws.Exec_ptr == code::OP_EQ) {
      Check_assignable(v);
      ws.Exec_ptr++;
      if (Var_node* a = whole_array_alone(ws.Exec_ptr)) {
        for_subscripts(p, v, a, local);
        return;
      }
      ws.Math_flags = 0;
      Eval_val();
      Num_val start = ws.Num_acc;
      // A FOR LOCAL evaluates all three values first, so that they see the
      // outer variable, and localises it once the frame stands.
      if (!local) Store_num(v, &v->num);
      if (*ws.Exec_ptr != code::TO) Rpt_error(err::SYNTAX);
      ws.Exec_ptr++;
      Eval_val();
      Num_val limit = ws.Num_acc;
      Num_val step;
      step.mant = 1;
      if (*ws.Exec_ptr == 60) {  // STEP
        ws.Exec_ptr++;
        Eval_val();
        step = ws.Num_acc;
        if (step.mant == 0) Rpt_error(err::ZERO_STEP);
      }
      Ctl_frame* f = Exec_stack(TAG_FOR);
      f->for_var = v;
      f->for_val = &v->num;
      f->step = step;
      f->limit = limit;
      if (p[1] & 0x80) std::memcpy(f->var_ref, p, 3);
      if (step.scale == limit.scale) f->for_flags |= FOR_FAST;
      if (local) {
        Localize_var(v);
        ws.Num_acc = start;
        Store_num(v, &v->num);
      }
      return;
    }
    ws.Exec_ptr = p;
  }
  if (local) Rpt_error(err::SYNTAX);  // FOR LOCAL needs "v = ..." 
  // The count form.
  bool on_var = false;
  Var_node* v = nullptr;
  if (*p == code::NUM_VAR) {
    v = Find_var();
    on_var = (Cde_tbl[*ws.Exec_ptr] & CC_STMT_END) || *ws.Exec_ptr == code::END_SCAN;
    ws.Exec_ptr = p;
  }
  Eval_val();
  Num_val count = ws.Num_acc;
  Set_scl(count, 0, -1);
  if (count.mant < 0 || count.mant > INT32_MAX) Rpt_error(err::OUT_OF_RANGE);
  if (count.mant == 0) {
    if (ws.Cur_stno == 0) Rpt_error(err::NOT_AT_CONSOLE);
    skip_loop_body();
    return;
  }
  if (on_var) Check_assignable(v);
  Ctl_frame* f = Exec_stack(TAG_FOR);
  f->step.mant = 1;
  f->limit = count;
  f->for_flags = FOR_FAST;
  Num_val one;
  one.mant = 1;
  if (on_var) {
    f->for_var = v;
    f->for_val = &v->num;
    f->for_flags |= FOR_STORE_LIMIT;
    if (p[1] & 0x80) std::memcpy(f->var_ref, p, 3);
    ws.Num_acc = one;
    Store_num(v, &v->num);
  } else {
    f->for_flags |= FOR_COUNT;
    f->counter = one;
    f->for_val = &f->counter;
  }
}

void d_next() {
  if (*ws.Exec_ptr == RECORD_WORD) {
    ws.Exec_ptr++;
    Core_hook.select_next();
    return;
  }
  Ctl_frame* f = ws.Ctl_stack;
  if (!f || f->tag != TAG_FOR) f = Switch_Flush(TAG_FOR);
  uint8_t* p = ws.Exec_ptr;
  if (*p == code::NUM_VAR || *p == code::STR_VAR) {
    if (std::memcmp(p, f->var_ref, 3) == 0) {  // the reference FOR compiled (never code 0)
      ws.Exec_ptr = p + 3;
    } else {
      Var_node* v = Find_var();
      if (v != f->for_var) Rpt_error(err::NEXT_WITHOUT_FOR);
    }
  }
  if (f->for_flags & FOR_STRING) {
    if (next_piece(f))
      Exec_return(f);
    else
      Exec_unstack();
    return;
  }
  Num_val* v = f->for_val;
  bool done;
  int64_t nv;
  if ((f->for_flags & FOR_FAST) && v->scale == f->step.scale && !__builtin_add_overflow(v->mant, f->step.mant, &nv)) {
    v->mant = nv;
    done = f->step.mant > 0 ? nv > f->limit.mant : nv < f->limit.mant;
  } else {
    ws.Num_acc2 = *v;
    ws.Num_acc = f->step;
    ws.Math_flags = 0;
    Add_val();
    store_control(f);
    ws.Num_acc2 = *v;
    ws.Num_acc = f->limit;
    int c = Cmp_val();
    done = f->step.mant > 0 ? c > 0 : c < 0;
  }
  if (!done) {
    Exec_return(f);
    return;
  }
  if (f->for_flags & FOR_STORE_LIMIT) {
    ws.Num_acc = f->limit;
    store_control(f);
  }
  Exec_unstack();
}

// ---- WHILE, REPEAT ----

void d_whil() {
  if (ws.Cur_stno == 0) Rpt_error(err::NOT_AT_CONSOLE);
  uint8_t* cond = ws.Exec_ptr;
  Eval_val();
  if (ws.Num_acc.mant != 0) {
    Ctl_frame* f = Exec_stack(TAG_WHILE);
    f->cond_ptr = cond;
    return;
  }
  Skipto_code(code::D_WEND, code::D_WHILE);
}

void d_wend() {
  if (ws.Cur_stno == 0) Rpt_error(err::NOT_AT_CONSOLE);
  Ctl_frame* f = ws.Ctl_stack;
  if (!f || f->tag != TAG_WHILE) f = Switch_Flush(TAG_WHILE);
  uint8_t* after = ws.Exec_ptr;
  ws.Exec_ptr = f->cond_ptr;
  Eval_val();
  if (ws.Num_acc.mant != 0) {
    Exec_return(f);
    return;
  }
  ws.Exec_ptr = after;
  Exec_unstack();
}

void (*Repeat_data_hook)() = nullptr;

void d_rept() {
  if (*ws.Exec_ptr == code::D_DATA) {
    ++ws.Exec_ptr;
    if (!Repeat_data_hook) Not_built("REPEAT DATA (the channel layer)");
    Repeat_data_hook();
    return;
  }
  Exec_stack(TAG_REPEAT);
}

void d_untl() {
  if (ws.Cur_stno == 0) Rpt_error(err::NOT_AT_CONSOLE);
  Ctl_frame* f = ws.Ctl_stack;
  if (!f || f->tag != TAG_REPEAT) f = Switch_Flush(TAG_REPEAT);
  Eval_val();
  if (ws.Num_acc.mant != 0) Exec_unstack();
  else Exec_return(f);
}

// ---- SWITCH ----

void d_swit() {
  if (ws.Cur_stno == 0) Rpt_error(err::NOT_AT_CONSOLE);
  Eval_formula();
  Selector sel;
  if (ws.Str_len >= 0) {
    sel.is_str = true;
    sel.str.assign(reinterpret_cast<const char*>(ws.Str_ptr), size_t(ws.Str_len));
  } else {
    sel.num = ws.Num_acc;
  }
  Scan_start s;
  int depth = 0;
  for (;;) {
    if (!scan_next_line()) s.fail(27);
    uint8_t* p = ws.Exec_ptr;
    if (*p == code::LABEL) {
      p += (p[1] & 0x80) ? 3 : size_t(p[1]) + 2;
      if (*p == code::LABEL_END) ++p;
    }
    uint16_t k = code_at(p);
    if (k == code::D_SWITCH) {
      depth++;
    } else if (k == code::D_END_SWITCH) {
      if (depth == 0) {
        ws.Exec_ptr = p + 1;
        return;
      }
      depth--;
    } else if (depth == 0 && k == X(code::X_CASE)) {
      ws.Exec_ptr = p + 2;
      ws.Stmt_ptr = p;
      if (case_matches(sel)) {
        Exec_stack(TAG_SWITCH);
        return;
      }
    } else if (depth == 0 && k == X(code::X_DEFAULT)) {
      ws.Exec_ptr = p + 2;
      Exec_stack(TAG_SWITCH);
      return;
    }
  }
}

// CASE reached in flow: the body above falls through into this one.
void d_case() { to_statement_end(); }

void d_dflt() {}

void d_eswt() {
  if (!ws.Ctl_stack || ws.Ctl_stack->tag != TAG_SWITCH) Rpt_error(err::NOTHING_TO_RETRY);
  Exec_unstack();
}

// ---- BREAK, CONTINUE ----

void d_brea() {
  Ctl_frame* f = newest();
  switch (f->tag) {
    case TAG_REPEAT:
      scan_to_closer(X(code::X_UNTIL), X(code::X_REPEAT));
      past_until();
      break;
    case TAG_FOR:
      scan_to_closer(code::D_NEXT, code::D_FOR);
      past_next();
      break;
    case TAG_WHILE:
      Skipto_code(code::D_WEND, code::D_WHILE);
      break;
    case TAG_SWITCH:
      Skipto_code(code::D_END_SWITCH, code::D_SWITCH);
      break;
    case TAG_SELECT:
      scan_to_closer(K_NEXT_RECORD, X(code::X_SELECT));
      ws.Exec_ptr += 2;  // NEXT RECORD
      break;
    default:
      Rpt_error(err::NOTHING_TO_RETRY);
  }
  Exec_unstack();
}

void d_cont() {
  if (ws.Cur_stno == 0) {
    Run_continue(true);  // at the console: the stopped program goes on
    return;
  }
  while (ws.Ctl_stack && ws.Ctl_stack->tag == TAG_SWITCH) Exec_unstack();
  Ctl_frame* f = newest();
  switch (f->tag) {
    case TAG_REPEAT: scan_to_closer(X(code::X_UNTIL), X(code::X_REPEAT)); break;
    case TAG_FOR: scan_to_closer(code::D_NEXT, code::D_FOR); break;
    case TAG_WHILE: scan_to_closer(code::D_WEND, code::D_WHILE); break;
    case TAG_SELECT: scan_to_closer(K_NEXT_RECORD, X(code::X_SELECT)); break;
    default: Rpt_error(err::NOTHING_TO_RETRY);
  }
}

// ---- IF, ELSE, END IF ----

void Exec_if() {
  Eval_val();
  Exec_if_part();
}

void Exec_if_part() {
  uint8_t*& p = ws.Exec_ptr;
  if (ws.Num_acc.mant != 0) {
    if (*p == code::THEN_BLOCK) p += 2;
    return;
  }
  if (*p == code::THEN_BLOCK) {
    p += 2;
    Skipto_code(code::BLOCK_CLOSE, code::BLOCK_OPEN);
    if (*p == code::D_ELSE) {
      p++;
      if (*p == code::BLOCK_OPEN) p++;
    }
    return;
  }
  if (Skip_if() == code::D_ELSE && *p == code::BLOCK_OPEN) p++;
}

void d_if() { Exec_if(); }

// ELSE reached in flow: the part it opens is passed over.
void d_else() {
  uint8_t*& p = ws.Exec_ptr;
  if (*p == code::BLOCK_OPEN) {
    p++;
    Skipto_code(code::BLOCK_CLOSE, code::BLOCK_OPEN);
    return;
  }
  if (line_end(*p) && ws.Cur_stno != 0) {
    skip_if_block(false);
    return;
  }
  while (!line_end(*p)) step_item();
}

void d_xtif() {}

// The block IF's skip for Skip_if: from the end of the IF line.
uint8_t Skip_if_block() { return skip_if_block(true); }
