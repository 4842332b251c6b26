// Arguments of subprogram calls: building the list (CALL), binding it
// (ENTER) and handing values back (EXIT).
//
// A reference argument lends the caller's variable to the callee for the
// length of the call: a number is copied in and copied back; a string's
// block, an array's storage and a record's text move to the callee's
// variable and back, so that the caller's variable never shares memory with
// the callee's while both exist.
#include "programs/arguments.h"

#include <cassert>
#include <cstddef>
#include <cstring>
#include <new>
#include <type_traits>

#include "channels/io_list.h"
#include "core/codes.h"
#include "core/directives.h"
#include "core/errors.h"
#include "core/evaluator.h"
#include "core/hash_table.h"
#include "core/line_store.h"
#include "core/memory.h"
#include "core/variables.h"
#include "core/workspace.h"
#include "programs/call_directives.h"
#include "programs/call_frame.h"
#include "programs/program_list.h"
#include "programs/program_load.h"
#include "pdf/pdf_channel.h"
#include "programs/value_call.h"
#include "terminal/program_calls.h"

namespace {

// IOL= in an argument list (the option's second byte), and how deep IOLIST
// references may lead from one another (as in an I/O list).
constexpr uint8_t IOL_OPTION = 137;
constexpr int IOL_ARG_DEPTH = 16;

bool stmt_end(uint8_t c) { return (Cde_tbl[c] & CC_STMT_END) != 0; }

// The end of one argument: a comma, the end of the statement, ERR= or ")".
bool arg_end(uint8_t c) {
  return c == code::COMMA || stmt_end(c) || c == code::IOPT_FIRST + 4 || c == code::RPAREN;
}

// Freed records are kept for the next calls (most calls pass a few).
constexpr int ARG_CACHE_MAX = 32;
Arg_rec* arg_cache = nullptr;
int arg_cached = 0;

[[gnu::always_inline]] inline Arg_rec* new_arg(Arg_rec**& tail, uint8_t kind) {
  void* b;
  if (arg_cache) {
    b = arg_cache;
    arg_cache = arg_cache->next;
    arg_cached--;
  } else {
    b = Get_blk(sizeof(Arg_rec));
    if (!b) Rpt_error(err::OUT_OF_MEMORY);
  }
  Arg_rec* a = new (b) Arg_rec();
  a->kind = kind;
  *tail = a;
  tail = &a->next;
  return a;
}

Str_blk* copy_str(const uint8_t* s, size_t n) {
  Str_blk* b = Get_str(n);
  if (!b) Rpt_error(err::OUT_OF_MEMORY);
  if (n) std::memcpy(b->bytes(), s, n);
  b->len = uint32_t(n);
  return b;
}

Str_blk* copy_of(const Str_blk* s) { return s ? copy_str(s->bytes(), s->len) : copy_str(nullptr, 0); }

uint8_t* copy_blk(const uint8_t* blk) {
  if (!blk) return nullptr;
  size_t n = Blk_size(blk);
  auto* b = static_cast<uint8_t*>(Get_blk(n));
  if (!b) Rpt_error(err::OUT_OF_MEMORY);
  std::memcpy(b, blk, n);
  return b;
}

bool writable(const Var_node* v) { return !(v->flags & VF_READ_ONLY) && !(v->write_mask & ~ws.Var_mask); }

// The array storage of `from` moves to `to` (which has none).
void move_array(Var_node* to, Var_node* from) {
  Var_shape_changed();
  for (int i = 0; i < 3; i++) {
    to->size[i] = from->size[i];
    to->base[i] = from->base[i];
    from->size[i] = from->base[i] = 0;
  }
  to->dims = from->dims;
  to->elems = from->elems;
  to->assoc = from->assoc;
  from->dims = 0;
  from->elems = nullptr;
  from->assoc = nullptr;
}

bool is_bound(const Var_node* v) {
  for (Arg_rec* a = ws.Arg_list; a; a = a->next)
    if (a->bound == v) return true;
  return false;
}

[[noreturn]] void mismatch() { Rpt_error(err::BAD_ARGUMENT); }

// Binds one argument to the callee's variable v.
[[gnu::always_inline]] inline void bind(Arg_rec* a, Var_node* v, bool by_value, bool whole) {
  if ((a->kind == ARG_ARRAY) != whole) mismatch();
  bool numeric = v->type == code::NUM_VAR;
  switch (a->kind) {
    case ARG_NUM_REF:
    case ARG_NUM_VAL: {
      if (!numeric || Is_array(v)) mismatch();
      Num_val n = a->num;
      if ((v->flags & VF_INTEGER) && n.scale > 0) Set_scl(n, 0, 1);
      v->num = n;
      v->flags |= VF_ASSIGNED;
      if (a->kind == ARG_NUM_REF && !by_value) {
        v->flags |= Var_lend_integer(a->var->flags);
        Arg_bind_ref(a, v);
      }
      return;
    }
    case ARG_STR_REF:
    case ARG_STR_VAL:
    case ARG_RECORD: {
      if (numeric || Is_array(v)) mismatch();
      Str_blk* old = v->str;
      if (a->kind == ARG_STR_REF && !by_value) {
        old = Arg_lend_str(a, v);
      } else if (a->kind == ARG_STR_REF) {
        v->str = copy_of(a->var->str);
      } else if (a->kind == ARG_RECORD && !by_value) {
        if (v->rec_list) Ret_blk(v->rec_list);
        Var_shape_changed();
        v->rec_list = a->rec_list;
        a->rec_list = nullptr;
        v->str = a->str;
        a->str = nullptr;
        v->flags |= VF_RECORD;
        a->bound = v;
      } else {
        v->str = a->str ? a->str : copy_str(nullptr, 0);
        a->str = nullptr;
      }
      if (old) Ret_str(old);
      v->flags |= VF_ASSIGNED;
      if (a->bound == v && a->kind == ARG_RECORD) Let_record(v);
      return;
    }
    case ARG_ARRAY:
      if (by_value || v->type != a->var->type) mismatch();
      Clr_array(v);
      move_array(v, a->var);
      v->flags |= VF_ASSIGNED;
      a->bound = v;
      return;
    default:
      mismatch();
  }
}

// A default value ("= expression") bound to v.
void bind_default(Var_node* v) {
  ws.Math_flags = 0;
  if (v->type == code::NUM_VAR) {
    Eval_val();
    if (Is_array(v)) mismatch();
    Store_num(v, &v->num);
    return;
  }
  Eval_str();
  Str_blk* b = copy_str(ws.Str_ptr, size_t(ws.Str_len));
  if (v->str) Ret_str(v->str);
  v->str = b;
  v->flags |= VF_ASSIGNED;
}

bool tree_used(const Var_node* n) {
  for (; n; n = n->right) {
    if ((n->flags & VF_ASSIGNED) || n->frames || n->elems) return true;
    if (tree_used(n->left)) return true;
  }
  return false;
}

// The caller's variable named at the cursor, as Find_var finds it: its
// bound table slot first.
Var_node* arg_var() {
  uint8_t* p = ws.Exec_ptr;
  if (p[1] & 0x80) {
    uint32_t idx = (uint32_t(p[1] & 0x7F) << 8) | p[2];
    Var_node* v = idx < ws.Var_index_cnt ? ws.Var_index[idx] : nullptr;
    if (v && v->type == p[0] && !(v->read_mask & ~ws.Var_mask)) {
      ws.Exec_ptr = p + 3;
      ws.Cur_var = v;
      return v;
    }
  }
  return Find_var();
}

// The callee's variable named at the cursor, whatever the program's access
// mask: its table slot when bound (a called program usually finds its
// variables of the last call there), else looked up by name.
Var_node* enter_var() {
  uint8_t* p = ws.Exec_ptr;
  if (p[1] & 0x80) {
    uint32_t idx = (uint32_t(p[1] & 0x7F) << 8) | p[2];
    Var_node* v = idx < ws.Var_index_cnt ? ws.Var_index[idx] : nullptr;
    if (v && v->type == p[0]) {
      ws.Exec_ptr = p + 3;
      ws.Cur_var = v;
      return v;
    }
  }
  uint32_t mask = ws.Var_mask;
  ws.Var_mask = 0xFFFFFFFF;
  Var_node* v;
  try {
    v = Find_var();
  } catch (...) {
    ws.Var_mask = mask;
    throw;
  }
  ws.Var_mask = mask;
  return v;
}

// ENTER alone: the callee takes over the caller's variables.
void enter_shared() {
  Call_frame* f = ws.Call_link;
  if (!f) Rpt_error(err::BAD_ARGUMENT);
  if (f->Pgm_flags & PGM_SHARES_VARS) return;
  if (tree_used(ws.Loc_num_tree) || tree_used(ws.Loc_str_tree)) Rpt_error(err::BAD_ARGUMENT);
  Clr_var();
  ws.Loc_num_tree = f->Loc_num_tree;
  ws.Loc_str_tree = f->Loc_str_tree;
  f->Loc_num_tree = f->Loc_str_tree = nullptr;
  f->Pgm_flags |= PGM_SHARES_VARS;
  ws.Pgm_flags &= ~uint32_t(PGM_VARS_CLEARED);
}

}  // namespace

Arg_rec* Arg_number(Arg_rec** tail, const Num_val& v) {
  Arg_rec** t = tail;
  Arg_rec* a = new_arg(t, ARG_NUM_VAL);
  a->num = v;
  return a;
}

Arg_rec* Arg_string(Arg_rec** tail, const uint8_t* s, size_t len) {
  Arg_rec** t = tail;
  Arg_rec* a = new_arg(t, ARG_STR_VAL);
  a->str = copy_str(s, len);
  return a;
}

Arg_rec* Arg_string_ref(Arg_rec** tail, Var_node* v) {
  Arg_rec** t = tail;
  Arg_rec* a = new_arg(t, ARG_STR_REF);
  a->var = v;
  return a;
}

void FreeArgList(Arg_rec* list) {
  // A bound call's records (Exec_call_bound): all a call frame's own, all
  // references, none owning storage.
  if (list && list->in_frame) {
#ifndef NDEBUG
    for (Arg_rec* a = list; a; a = a->next) assert(a->in_frame && !a->str && !a->rec_list);
#endif
    return;
  }
  while (list) {
    Arg_rec* next = list->next;
    if (list->str) Ret_str(list->str);
    if (list->rec_list) Ret_blk(list->rec_list);
    static_assert(std::is_trivially_destructible_v<Arg_rec>, "a kept record is reused without its destructor");
    if (list->in_frame) {
      list->str = nullptr;
      list->rec_list = nullptr;
    } else if (arg_cached < ARG_CACHE_MAX) {
      list->next = arg_cache;
      arg_cache = list;
      arg_cached++;
    } else {
      Ret_blk(list);
    }
    list = next;
  }
}

Arg_rec* Do_Args(bool allow_placeholder) {
  Arg_rec* head = nullptr;
  Arg_rec** tail = &head;
  try {
    // The usual arguments, scalar variables named by their bound table
    // slots and passed by reference, are taken in a short loop; at anything
    // else (an expression, an array, a record, a string passed twice, a
    // variable that is not accessible) the general loop below goes on from
    // there.
    uint8_t* p = ws.Exec_ptr;
    const uint32_t mask = ws.Var_mask;
    for (;;) {
      uint8_t c = p[0];
      if (c == code::COMMA) {
        p++;
        continue;
      }
      if ((c != code::NUM_VAR && c != code::STR_VAR) || !(p[1] & 0x80)) break;
      uint32_t idx = (uint32_t(p[1] & 0x7F) << 8) | p[2];
      if (idx >= ws.Var_index_cnt) break;
      Var_node* v = ws.Var_index[idx];
      if (!v || v->type != c || ((v->read_mask | v->write_mask) & ~mask) || (v->flags & (VF_READ_ONLY | VF_RECORD)))
        break;
      uint8_t next = p[3];
      if (next != code::COMMA && !stmt_end(next) && next != code::IOPT_FIRST + 4 && next != code::RPAREN) break;
      Arg_rec* a;
      if (c == code::NUM_VAR) {
        a = new_arg(tail, ARG_NUM_REF);
        a->num = v->num;
      } else {
        bool again = false;
        for (Arg_rec* q = head; q; q = q->next) again |= q->kind == ARG_STR_REF && q->var == v;
        if (again) break;
        a = new_arg(tail, ARG_STR_REF);
      }
      a->var = v;
      ws.Cur_var = v;
      p += 3;
    }
    ws.Exec_ptr = p;
    // IOL=ref among the arguments: the items of that IOLIST are arguments
    // in its place; where its line ends the list goes on after the reference.
    uint8_t* resume[IOL_ARG_DEPTH];
    int depth = 0;
    for (;;) {
      uint8_t c = *ws.Exec_ptr;
      // Variables first: most arguments are.
      if (c != code::NUM_VAR && c != code::STR_VAR) {
        if (c == code::COMMA) {
          ws.Exec_ptr++;
          continue;
        }
        if (c == code::IOPT_FIRST && ws.Exec_ptr[1] == IOL_OPTION) {
          ws.Exec_ptr += 2;
          const uint8_t* items = Check_iol();
          if (depth == IOL_ARG_DEPTH) Rpt_error(err::MISSING_KEY_DESC);
          resume[depth++] = ws.Exec_ptr;
          ws.Exec_ptr = const_cast<uint8_t*>(items);
          continue;
        }
        if (depth > 0 && (stmt_end(c) || c == code::END_SCAN)) {
          ws.Exec_ptr = resume[--depth];
          continue;
        }
        if (stmt_end(c) || c == code::IOPT_FIRST + 4 || c == code::RPAREN || c == code::D_FOR) break;
        if (c == code::OP_MUL) {
          if (allow_placeholder) break;
          Rpt_error(err::SYNTAX);
        }
      } else {
        uint8_t* save = ws.Exec_ptr;
        Var_node* v = arg_var();
        uint8_t next = *ws.Exec_ptr;
        if (next == code::WHOLE_ARRAY) {
          if (!writable(v)) Rpt_error(err::NOT_ACCESSIBLE);
          ws.Exec_ptr++;
          Arg_rec* a = new_arg(tail, ARG_ARRAY);
          a->var = v;
          continue;
        }
        if (arg_end(next)) {
          if (!writable(v)) Rpt_error(err::NOT_ACCESSIBLE);
          if (c == code::NUM_VAR) {
            Arg_rec* a = new_arg(tail, ARG_NUM_REF);
            a->var = v;
            a->num = v->num;
          } else if (v->flags & VF_RECORD) {
            Gen_record(v);
            Arg_rec* a = new_arg(tail, ARG_RECORD);
            a->var = v;
            a->str = copy_of(v->str);
            a->rec_list = copy_blk(v->rec_list);
          } else {
            bool again = false;
            for (Arg_rec* p = head; p; p = p->next)
              if (p->kind == ARG_STR_REF && p->var == v) again = true;
            if (again) {
              Arg_rec* a = new_arg(tail, ARG_STR_VAL);
              a->str = copy_of(v->str);
            } else {
              Arg_rec* a = new_arg(tail, ARG_STR_REF);
              a->var = v;
            }
          }
          continue;
        }
        ws.Exec_ptr = save;  // an expression that begins with a variable
      }
      ws.Math_flags = 0;
      Eval_formula();
      if (ws.Str_len < 0) {
        Arg_rec* a = new_arg(tail, ARG_NUM_VAL);
        a->num = ws.Num_acc;
      } else {
        Arg_rec* a = new_arg(tail, ARG_STR_VAL);
        a->str = copy_str(ws.Str_ptr, size_t(ws.Str_len));
      }
    }
  } catch (...) {
    FreeArgList(head);
    throw;
  }
  return head;
}

namespace {

// Whether the plan's items name different variables (slots differ or types
// differ): two names never share a variable.
bool items_distinct(const Enter_plan& plan) {
  for (uint32_t i = 0; i < plan.count; i++)
    for (uint32_t j = 0; j < i; j++)
      if (plan.items[i].idx == plan.items[j].idx && plan.items[i].type == plan.items[j].type) return false;
  return true;
}

// The plan of the running program's ENTER at the cursor, if it has one.
const Enter_plan* plan_here() {
  Prog_obj* rec = ws.Pgm_cache_ent;
  if (!rec || !rec->enter_plan || !ws.Pgm_image || rec->image != ws.Pgm_image) return nullptr;
  auto* plan = static_cast<const Enter_plan*>(rec->enter_plan);
  return plan->stmt == ws.Exec_ptr ? plan : nullptr;
}

// The binding of the general walk below, from the plan: the same checks
// in the same order.
[[gnu::noinline]] void enter_planned(const Enter_plan& plan) {
  Arg_rec* a = ws.Arg_list;
  // A variable can be bound already only to an argument bound before this
  // ENTER, or to an earlier item of it: with no argument bound yet (the
  // first ENTER of a call) and items naming different variables, none is,
  // and the search of the list is left out.
  bool search = !plan.distinct;
  for (Arg_rec* b = a; b && !search; b = b->next) search = b->bound != nullptr;
  Var_node** slots = ws.Var_index;
  uint32_t slot_cnt = ws.Var_index_cnt;
  for (uint32_t i = 0; i < plan.count; i++) {
    const Enter_item& it = plan.items[i];
    Var_node* v = it.idx < slot_cnt ? slots[it.idx] : nullptr;
    if (v && v->type == it.type) {
      ws.Cur_var = v;
    } else {
      ws.Exec_ptr = it.code;
      v = enter_var();
      slots = ws.Var_index;
      slot_cnt = ws.Var_index_cnt;
    }
    uint32_t vf = v->flags;
    if ((vf & (VF_RECORD | VF_READ_ONLY)) || (search && is_bound(v))) Rpt_error(err::BAD_ARGUMENT);
    if (a && a->kind == it.by_ref && !a->bound && !v->elems) {
      // A variable passed by reference to a scalar: bind's cases for it,
      // with the checks that can fail made above.
      Var_node* c = a->var;
      if (a->kind == ARG_NUM_REF && !(vf & VF_INTEGER)) {
        v->num = a->num;
        v->flags = vf | VF_ASSIGNED | Var_lend_integer(c->flags);
        Arg_bind_ref(a, v);
        a = a->next;
        continue;
      }
      if (a->kind == ARG_STR_REF) {
        Str_blk* old = Arg_lend_str(a, v);
        v->flags = vf | VF_ASSIGNED;
        a = a->next;
        if (old) Ret_str(old);
        continue;
      }
    }
    if (!a) {
      if (!it.dflt || it.whole) Rpt_error(err::BAD_ARGUMENT);
      ws.Exec_ptr = it.dflt;
      bind_default(v);
    } else {
      if (a->bound) Rpt_error(err::BAD_ARGUMENT);
      bind(a, v, it.by_value, it.whole);
      a = a->next;
    }
  }
  ws.Exec_ptr = plan.end;
}

void enter_list();

}  // namespace

// ENTER [ERR=line,] [item {, item}] [, ERR=line]
void d_ente() {
  Chk_err();
  if (ws.Err_line && *ws.Exec_ptr == code::COMMA) ws.Exec_ptr++;
  if (stmt_end(*ws.Exec_ptr)) {
    enter_shared();
    return;
  }
  // An ERR= after the list takes the list's errors too.
  if (!ws.Err_line) ws.Stmt_save = ws.Exec_ptr;
  enter_list();
  ws.Stmt_save = nullptr;
}

namespace {

// ENTER's list of items (the cursor on the first), bound to the arguments.
void enter_list() {
  if (!ws.Call_link) Rpt_error(err::BAD_ARGUMENT);
  if (const Enter_plan* plan = plan_here()) {
    enter_planned(*plan);
    return;
  }
  // A plan is recorded while the items are walked, for an image program
  // that has none yet.
  Prog_obj* rec = ws.Pgm_cache_ent;
  bool record = rec && !rec->enter_plan && !rec->enter_plan_tried && ws.Pgm_image && rec->image == ws.Pgm_image &&
                !ws.Err_line;
  if (record) rec->enter_plan_tried = true;
  Enter_plan plan;
  plan.stmt = ws.Exec_ptr;
  Arg_rec* a = ws.Arg_list;
  for (;;) {
    uint8_t c = *ws.Exec_ptr;
    if (c == code::OP_MUL) {
      record = false;
      ws.Exec_ptr++;
      if (!a) break;
      a = a->next;
    } else {
      bool by_value = c == code::LPAREN;
      if (by_value) c = *++ws.Exec_ptr;
      if (c != code::NUM_VAR && c != code::STR_VAR) Rpt_error(err::BAD_ARGUMENT);
      Enter_item it{};
      if (record && (ws.Exec_ptr[1] & 0x80) && plan.count < ENTER_PLAN_MAX) {
        it.code = ws.Exec_ptr;
        it.idx = uint16_t(((ws.Exec_ptr[1] & 0x7F) << 8) | ws.Exec_ptr[2]);
        it.type = c;
        it.by_value = by_value;
      } else {
        record = false;
      }
      Var_node* v = enter_var();
      if (by_value) {
        if (*ws.Exec_ptr != code::RPAREN) Rpt_error(err::BAD_ARGUMENT);
        ws.Exec_ptr++;
      }
      bool whole = *ws.Exec_ptr == code::WHOLE_ARRAY;
      if (whole) ws.Exec_ptr++;
      if ((v->flags & (VF_RECORD | VF_READ_ONLY)) || is_bound(v)) Rpt_error(err::BAD_ARGUMENT);
      bool has_default = *ws.Exec_ptr == code::OP_EQ;
      if (record) {
        it.whole = whole;
        it.by_ref = by_value || whole ? 0 : c == code::NUM_VAR ? ARG_NUM_REF : ARG_STR_REF;
        it.dflt = has_default ? ws.Exec_ptr + 1 : nullptr;
        plan.items[plan.count++] = it;
      }
      if (!a) {
        if (!has_default || whole) Rpt_error(err::BAD_ARGUMENT);
        ws.Exec_ptr++;
        bind_default(v);
      } else {
        if (has_default) {
          ws.Exec_ptr++;
          Skip_xpr();
        }
        if (a->bound) Rpt_error(err::BAD_ARGUMENT);
        bind(a, v, by_value, whole);
        a = a->next;
      }
    }
    c = *ws.Exec_ptr;
    if (c == code::COMMA) {
      ws.Exec_ptr++;
      if (*ws.Exec_ptr == code::IOPT_FIRST + 4) {
        Chk_err();
        record = false;
        break;
      }
      continue;
    }
    if (c == code::IOPT_FIRST + 4) {
      Chk_err();
      record = false;
      break;
    }
    if (!stmt_end(c)) Rpt_error(err::BAD_ARGUMENT);
    break;
  }
  if (!record || ws.Pgm_cache_ent != rec || ws.Pgm_image != rec->image) return;
  plan.end = ws.Exec_ptr;
  plan.distinct = items_distinct(plan);
  plan.refs_only = true;
  for (uint32_t i = 0; i < plan.count; i++) plan.refs_only &= plan.items[i].by_ref != 0;
  size_t size = offsetof(Enter_plan, items) + sizeof(Enter_item) * plan.count;
  void* b = Get_blk(size);
  if (!b) return;  // the next call walks the items again
  std::memcpy(b, &plan, size);
  rec->enter_plan = b;
}

}  // namespace

void Clr_arg_vars(Arg_rec* list) {
  for (Arg_rec* a = list; a; a = a->next) a->bound = nullptr;
}

void Clr_arg_var() { Clr_arg_vars(ws.Arg_list); }

void Args_unbind_nodes(bool (*gone)(const Var_node*, const void*), const void* ctx) {
  auto unbind = [&](Arg_rec* list) {
    for (Arg_rec* a = list; a; a = a->next) {
      const bool var_gone = a->var && gone(a->var, ctx);
      if (a->bound && (var_gone || gone(a->bound, ctx))) a->bound = nullptr;
      if (!var_gone || a->in_frame) continue;
      // An ENTER still to come takes the value the caller's variable had
      // (a string's text, unless lent already, moves to the record).
      if (a->kind == ARG_NUM_REF) {
        a->kind = ARG_NUM_VAL;
        a->var = nullptr;
      } else if (a->kind == ARG_STR_REF) {
        a->kind = ARG_STR_VAL;
        a->str = a->var->str;
        a->var->str = nullptr;
        a->var = nullptr;
      }
    }
  };
  unbind(ws.Arg_list);
  for (Call_frame* f = ws.Call_link; f; f = f->Call_link) unbind(f->Arg_list);
}

void Args_flow_back(Arg_rec* list, std::vector<Var_node*>& refill) {
  for (Arg_rec* a = list; a; a = a->next) {
    Var_node* v = a->bound;
    if (!v) continue;
    a->bound = nullptr;
    Var_node* c = a->var;
    if (!c) continue;
    uint32_t cf = c->flags;
    if (!(cf & (VF_READ_ONLY | VF_INTEGER))) {
      // The usual cases first: a number goes back as it is, a lent string
      // comes home.
      if (a->kind == ARG_NUM_REF) {
        c->num = v->num;
        c->flags = cf | VF_ASSIGNED;
        continue;
      }
      if (a->kind == ARG_STR_REF) {
        if (c->str) Ret_str(c->str);
        c->str = v->str;
        v->str = nullptr;
        c->flags = cf | VF_ASSIGNED;
        continue;
      }
    }
    if (cf & VF_READ_ONLY) {
      // The caller's variable keeps what it had; a lent block comes home.
      if (a->kind == ARG_STR_REF && !c->str) {
        c->str = v->str;
        v->str = nullptr;
      } else if (a->kind == ARG_ARRAY) {
        move_array(c, v);
      }
      continue;
    }
    switch (a->kind) {
      case ARG_NUM_REF: {
        Num_val n = v->num;
        if ((c->flags & VF_INTEGER) && n.scale > 0) Set_scl(n, 0, 1);
        c->num = n;
        c->flags |= VF_ASSIGNED;
        break;
      }
      case ARG_STR_REF:
        if (c->str) Ret_str(c->str);
        c->str = v->str;
        v->str = nullptr;
        c->flags |= VF_ASSIGNED;
        break;
      case ARG_ARRAY:
        Clr_array(c);
        move_array(c, v);
        break;
      case ARG_RECORD:
        if (v->flags & VF_RECORD) Gen_record(v);
        if (c->str) Ret_str(c->str);
        c->str = v->str;
        v->str = nullptr;
        refill.push_back(c);
        break;
      default:
        break;
    }
  }
}

void Args_refill(const std::vector<Var_node*>& refill) {
  for (Var_node* c : refill)
    if (c->flags & VF_RECORD) Let_record(c);
}

Arg_rec* Arg_join(Arg_rec* list, Arg_rec* rest) {
  if (!list) return rest;
  Arg_rec* last = list;
  while (last->next) last = last->next;
  last->next = rest;
  return list;
}

// The terminal layer's calls of utility programs and methods, and the PDF
// channels' utility programs.
static int call_nested_program(bool* started) { return Nested_call(FORM_CALL, nullptr, PGM2_NESTED_CALL, started); }
void Args_register_calls() {
  Term_calls.args_at_cursor = Do_Args;
  Term_calls.arg_number = Arg_number;
  Term_calls.arg_string = Arg_string;
  Term_calls.join = Arg_join;
  Term_calls.free_args = FreeArgList;
  Term_calls.call_by_name = ArgProcess;
  Term_calls.call_nested = call_nested_program;
  Term_calls.program_path = Current_program_path;
  Pdf_value_call = Value_call_strings;
}
