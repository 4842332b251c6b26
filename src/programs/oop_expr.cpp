// Expression methods and GET expressions made ready to run fast.
//
// A method's expression is kept as self-contained code with its names
// inline; looking each name up by text at every call (parameters, then the
// object's properties, then the program's variables) is most of a call's
// cost.  At the first call the expression is copied once more with every
// variable name (and each object reference's handle name) turned into an
// index of a name table of its own:
//
//   code   the body after "=", names as 3-byte indexed items, ending 255
//   pool   per name: a length byte and the text (the form of a program's
//          name pool); index[i] is name i's offset in pool
//   slots  the variable table installed as ws.Var_index while it runs:
//          a parameter's slot holds its node (one node per parameter, kept
//          from call to call), a property's slot the running object's
//          variable for it, every other slot starts empty and is filled by
//          the usual lookup (the temporary trees, system properties, the
//          object's own variables) for this call only
//
// The property slots are bound once per object and kept while the object,
// its serial and oop.class_epoch stay the same (none of its instances
// freed, no class redefined since).
// While the expression runs, ws's name table is this one (with a variable
// table identity of its own, ws.Names_id); everything is put back on every
// path.  A property name after "'" stays inline: it names a member, not a
// variable.
//
// Cases the fast form does not take (the general path runs them exactly as
// before): variables loaded by LOAD DATA are present (they are looked up
// before anything else), the expression is already running (recursion), or
// its form is not the one DEF CLASS makes.
#include <cstring>
#include <string>
#include <vector>

#include "core/codes.h"
#include "core/errors.h"
#include "core/evaluator.h"
#include "core/line_store.h"
#include "core/memory.h"
#include "core/variables.h"
#include "core/workspace.h"
#include "programs/arguments.h"
#include "programs/call_frame.h"
#include "programs/oop_internal.h"
#include "programs/var_data.h"

struct Oop_fast_expr {
  bool usable = false;  // false: the general path runs this expression
  bool busy = false;    // running now (a recursive call takes the general path)
  bool orphan = false;  // its method went while it ran: freed when it ends
  std::vector<uint8_t> code;
  std::vector<uint16_t> index;
  std::vector<uint8_t> pool;
  std::vector<uint8_t> types;        // per name: NUM_VAR or STR_VAR
  std::vector<const Oop_name*> ids;  // per name: its registry id (null: no class declared such a name)
  std::vector<int> param_of;         // per name: the parameter it is, or -1
  std::vector<Var_node*> params;     // one reusable node per parameter
  std::vector<Var_node*> bound;      // per name: the property variable of last_obj (or null)
  std::vector<Var_node*> slots;      // the table ws.Var_index points at
  uint32_t names_id = 0;
  Oop_object* last_obj = nullptr;
  uint64_t last_serial = 0;
  uint32_t last_epoch = 0;
  // The body as a chain of numeric operands joined by "+" and "-" (empty:
  // it is not one): each operand a parameter, a name of the table (a
  // property once bound) or a constant.
  struct Chain_item {
    uint8_t op;     // OP_ADD or OP_SUB (the first item's is unused)
    uint8_t kind;   // CHAIN_PARAM, CHAIN_NAME, CHAIN_CONST
    uint16_t index; // the parameter's number or the name's table index
    Num_val value;  // a constant's value
  };
  std::vector<Chain_item> chain;
  ~Oop_fast_expr() {
    for (Var_node* v : params) Clr_tree(v);
  }
};

bool Oop_fast_expr_ready(const Oop_fast_expr* f) { return f && f->usable && !f->busy; }

void Oop_fast_expr_free(Oop_fast_expr* f) {
  if (!f) return;
  if (f->busy) {
    f->orphan = true;
    return;
  }
  delete f;
}

namespace {

// The name table index of (type, text), added when new.
uint32_t intern(Oop_fast_expr& f, uint8_t type, const uint8_t* name, int len) {
  for (size_t i = 0; i < f.index.size(); i++) {
    const uint8_t* e = f.pool.data() + f.index[i];
    if (e[0] == len && std::memcmp(e + 1, name, size_t(len)) == 0 && f.types[i] == type)
      return uint32_t(i);
  }
  if (f.pool.size() + size_t(len) + 1 > 0xFFFF || f.index.size() >= 0x7FFF) Rpt_error(err::BAD_CLASS);
  f.index.push_back(uint16_t(f.pool.size()));
  f.pool.push_back(uint8_t(len));
  f.pool.insert(f.pool.end(), name, name + len);
  f.types.push_back(type);
  f.ids.push_back(OopFindName(type == code::STR_VAR ? 2 : 1, len, reinterpret_cast<const char*>(name)));
  f.param_of.push_back(-1);
  return uint32_t(f.index.size() - 1);
}

enum : uint8_t { CHAIN_PARAM, CHAIN_NAME, CHAIN_CONST };
constexpr size_t CHAIN_MAX = 16;

// The body's code (f.code, names indexed) read as a chain of plain numeric
// operands joined by "+" and "-", up to its end; f.chain stays empty for
// any other form.
void build_chain(Oop_fast_expr& f) {
  for (const Var_node* v : f.params)
    if (v->type != code::NUM_VAR) return;
  const uint8_t* p = f.code.data();
  std::vector<Oop_fast_expr::Chain_item> chain;
  uint8_t op = code::OP_ADD;
  for (;;) {
    if (chain.size() == CHAIN_MAX) return;
    Oop_fast_expr::Chain_item it{};
    it.op = op;
    uint8_t c = p[0];
    if (c == code::NUM_VAR) {
      if (!(p[1] & 0x80)) return;
      uint32_t idx = (uint32_t(p[1] & 0x7F) << 8) | p[2];
      if (idx >= f.types.size() || f.types[idx] != code::NUM_VAR) return;
      if (f.param_of[idx] >= 0) {
        it.kind = CHAIN_PARAM;
        it.index = uint16_t(f.param_of[idx]);
      } else {
        it.kind = CHAIN_NAME;
        it.index = uint16_t(idx);
      }
      p += 3;
    } else if (c == code::SMALL_INT) {
      it.kind = CHAIN_CONST;
      it.value.mant = get_u16be(p + 1);
      p += 3;
    } else if (c == code::NUM_LIT || c == code::EXP_LIT) {
      // In line: the scale, then 48 bits of mantissa.
      it.kind = CHAIN_CONST;
      it.value.mant = int64_t(get_u48be(p + 2));
      it.value.scale = int8_t(p[1]);
      p += 8;
    } else {
      return;
    }
    chain.push_back(it);
    c = *p;
    if (c == code::EOL) break;
    if (c != code::OP_ADD && c != code::OP_SUB) return;
    op = c;
    p++;
  }
  f.chain = std::move(chain);
}

// Builds the fast form; leaves usable false for a form it does not take.
void build(Oop_fast_expr& f, const std::vector<uint8_t>& expr) {
  const uint8_t* p = expr.data();
  const uint8_t* limit = expr.data() + expr.size();
  std::vector<std::pair<const uint8_t*, uint8_t>> params;  // name item, type
  if (*p == code::LPAREN) {
    p++;
    if (*p == code::OP_MUL) p++;
    while (*p != code::RPAREN) {
      uint8_t t = *p;
      if (t != code::NUM_VAR && t != code::STR_VAR) return;
      if (p[1] & 0x80) return;
      params.push_back({p, t});
      p += 2 + p[1];
      if (*p == code::WHOLE_ARRAY) return;  // an array parameter: the general path's rules
      if (*p == code::COMMA) p++;
      if (p >= limit) return;
    }
    p++;
    if (*p != code::OP_EQ) return;
    p++;
  }
  for (auto& [at, t] : params) {
    uint32_t i = intern(f, t, at + 2, at[1]);
    if (f.param_of[i] >= 0) return;  // a name given twice
    f.param_of[i] = int(f.params.size());
    f.params.push_back(Var_node_new(t, at + 2, at[1]));
  }
  bool member_next = false;  // the item after "'" or a handle's name is a member name
  while (p < limit && *p != code::EOL) {
    uint8_t c = *p;
    size_t n = Scan_size(p, limit);
    bool var = c == code::NUM_VAR || c == code::STR_VAR;
    if ((var && !member_next) || c == code::OBJ_REF) {
      if (p[1] & 0x80) return;  // already indexed: not the self-contained form
      uint8_t type = c == code::OBJ_REF ? uint8_t(code::NUM_VAR) : c;
      uint32_t idx = intern(f, type, p + 2, p[1]);
      f.code.push_back(c);
      f.code.push_back(uint8_t(0x80 | (idx >> 8)));
      f.code.push_back(uint8_t(idx));
    } else {
      f.code.insert(f.code.end(), p, p + n);
    }
    member_next = c == code::OBJ_REF || c == code::OBJ_CHAIN;
    p += n;
  }
  f.code.push_back(code::EOL);
  f.bound.assign(f.index.size(), nullptr);
  f.slots.assign(f.index.size(), nullptr);
  f.names_id = New_names_id();
  f.usable = true;
  build_chain(f);
}

// A parameter's node takes its argument's value (as the general path's
// fresh node would).
void set_param(Var_node* v, Arg_rec* a) {
  bool numeric_arg = a->kind == ARG_NUM_REF || a->kind == ARG_NUM_VAL;
  if (v->type == code::NUM_VAR) {
    if (!numeric_arg) Rpt_error(err::TYPE_MISMATCH);
    v->num = a->num;
    return;
  }
  const Str_blk* s = nullptr;
  if (a->kind == ARG_STR_REF && a->var && a->var->str) s = a->var->str;
  else if (a->str) s = a->str;
  else if (numeric_arg) Rpt_error(err::TYPE_MISMATCH);
  uint32_t len = s ? s->len : 0;
  if (!v->str || v->str->cap < len || v->str->cap == 0) {
    if (v->str) Ret_str(v->str);
    v->str = nullptr;
    if (len == 0) return;
    v->str = Get_str(len);
  }
  if (len) std::memcpy(v->str->bytes(), s->bytes(), len);
  v->str->len = len;
}

}  // namespace

namespace {

// The property slots (f->bound), bound for the object o.
void bind_props_now(Oop_fast_expr* f, Oop_object* o) {
  f->last_obj = nullptr;
  size_t n = f->slots.size();
  for (size_t i = 0; i < n; i++) {
    f->bound[i] = nullptr;
    if (f->param_of[i] >= 0) continue;
    const Oop_name* id = f->ids[i];
    if (!id) {
      // A name registered since (a class defined later) is looked up now.
      const uint8_t* e = f->pool.data() + f->index[i];
      id = f->ids[i] = OopFindName(f->types[i] == code::STR_VAR ? 2 : 1, e[0], reinterpret_cast<const char*>(e + 1));
    }
    if (id && id->sys == SYS_NONE)
      if (Prop_inst* pi = Oop_inst(o, id, true)) f->bound[i] = pi->var;
  }
  f->last_obj = o;
  f->last_serial = o->serial;
  f->last_epoch = oop.class_epoch;
}

inline void bind_props(Oop_fast_expr* f, Oop_object* o) {
  if (f->last_obj != o || f->last_serial != o->serial || f->last_epoch != oop.class_epoch) bind_props_now(f, o);
}

// A body that is a chain (build_chain) evaluated straight from the
// arguments' numbers and the object's bound property variables, as the
// evaluator would (left to right, the same flags, rounding and errors):
// no name table installed, no state saved, since nothing in it can look a
// name up or run code.  False, with nothing done, when it does not fit:
// the count of numbers is not the parameters' (the general path raises
// the error), a name is no readable numeric property of the object, or the
// precision the expression runs with is not the caller's.
[[gnu::always_inline]] inline bool run_chain(Oop_fast_expr* f, Oop_object* o, Oop_class* c, const Num_val* nums,
                                             size_t count) {
  if (count != f->params.size()) return false;
  if (!Oop_caller_precision_fits(o, c)) return false;
  bind_props(f, o);
  for (const auto& it : f->chain) {
    if (it.kind != CHAIN_NAME) continue;
    const Var_node* v = f->bound[it.index];
    if (!v || v->type != code::NUM_VAR || (v->read_mask && (v->read_mask & ~ws.Var_mask))) return false;
  }
  auto operand = [&](const Oop_fast_expr::Chain_item& it) -> Num_val {
    if (it.kind == CHAIN_PARAM) return nums[it.index];
    if (it.kind == CHAIN_NAME) return f->bound[it.index]->num;
    return it.value;
  };
  Num_val acc = operand(f->chain[0]);
  for (size_t i = 1; i < f->chain.size(); i++) {
    const auto& it = f->chain[i];
    Num_val b = operand(it);
    ws.Num_acc2 = acc;
    int64_t r;
    bool add = it.op == code::OP_ADD;
    if (acc.scale == b.scale && !(add ? __builtin_add_overflow(acc.mant, b.mant, &r)
                                      : __builtin_sub_overflow(acc.mant, b.mant, &r))) [[likely]] {
      ws.Math_flags |= 2;
      acc.mant = r;
    } else {
      ws.Num_acc = b;
      ws.Str_len = -1;
      if (add) Add_val();
      else Sub_val();
      acc = ws.Num_acc;
    }
    if ((ws.Prm.RN & 64) && acc.scale > ws.Precision) Set_scl(acc, ws.Precision, 1);
  }
  ws.Num_acc = acc;
  ws.Str_len = -1;
  return true;
}

// Runs the fast form with the arguments as a list (args, freed here) or as
// numbers already read (nums, count).
bool run_fast(Oop_object* o, Oop_class* c, const std::vector<uint8_t>& expr, Arg_rec* args, const Num_val* nums,
              size_t count, const Oop_name* method_name, Oop_fast_expr** fast) {
  if (!fast || LoadData_any()) return false;
  if (!*fast) {
    auto* f = new Oop_fast_expr;
    try {
      build(*f, expr);
    } catch (...) {
      delete f;
      throw;
    }
    *fast = f;
  }
  Oop_fast_expr* f = *fast;
  if (!f->usable || f->busy) return false;
  if (!f->chain.empty()) {
    // A list of numbers only (none for a GET expression) takes the chain
    // as well; the list is freed as the general path frees it.
    union Num_slot {
      Num_val v;  // written before it is read
      Num_slot() {}
    } slots[CHAIN_MAX];
    const Num_val* chain_nums = nums;
    size_t chain_count = count;
    if (!nums) {
      size_t n = 0;
      const Arg_rec* a = args;
      for (; a && n < CHAIN_MAX && (a->kind == ARG_NUM_VAL || a->kind == ARG_NUM_REF); a = a->next) slots[n++].v = a->num;
      if (!a) {
        chain_nums = &slots[0].v;
        chain_count = n;
      }
    }
    if (chain_nums) {
      bool done;
      try {
        done = run_chain(f, o, c, chain_nums, chain_count);
      } catch (...) {
        FreeArgList(args);
        throw;
      }
      if (done) {
        FreeArgList(args);
        return true;
      }
    }
  }

  // The expression's context, with the name table that the fast form puts
  // in place of the caller's.
  struct Restore : Oop_expr_context {
    Oop_fast_expr* f;
    uint16_t* name_index = ws.Name_index;
    uint8_t* name_pool = ws.Name_pool;
    Var_node** var_index = ws.Var_index;
    uint32_t name_cnt = ws.Name_cnt, name_cap = ws.Name_cap;
    uint32_t var_cnt = ws.Var_index_cnt, var_cap = ws.Var_index_cap;
    uint32_t pool_size = ws.Name_pool_size, pool_cap = ws.Name_pool_cap;
    uint32_t names_id = ws.Names_id;
    uint8_t* lit_pool = ws.Lit_pool;
    Restore(Oop_fast_expr* fe, Arg_rec* a) : Oop_expr_context(a), f(fe) {}
    ~Restore() {
      ws.Name_index = name_index;
      ws.Name_pool = name_pool;
      ws.Var_index = var_index;
      ws.Name_cnt = name_cnt;
      ws.Name_cap = name_cap;
      ws.Var_index_cnt = var_cnt;
      ws.Var_index_cap = var_cap;
      ws.Name_pool_size = pool_size;
      ws.Name_pool_cap = pool_cap;
      ws.Names_id = names_id;
      ws.Lit_pool = lit_pool;
      f->busy = false;
      if (f->orphan) delete f;
    }
  } restore{f, args};
  f->busy = true;

  // The parameters take their arguments.
  if (nums) {
    size_t i = 0;
    for (Var_node* v : f->params) {
      if (i == count) Rpt_error(err::BAD_ARGUMENT);
      if (v->type != code::NUM_VAR) Rpt_error(err::TYPE_MISMATCH);
      v->num = nums[i++];
    }
  } else {
    Arg_rec* a = args;
    for (Var_node* v : f->params) {
      if (!a) Rpt_error(err::BAD_ARGUMENT);
      set_param(v, a);
      a = a->next;
    }
  }
  bind_props(f, o);
  size_t n = f->slots.size();
  for (size_t i = 0; i < n; i++) {
    int k = f->param_of[i];
    f->slots[i] = k >= 0 ? f->params[size_t(k)] : f->bound[i];
  }

  ws.Name_index = f->index.data();
  ws.Name_pool = f->pool.data();
  ws.Var_index = f->slots.data();
  ws.Name_cnt = ws.Var_index_cnt = uint32_t(n);
  ws.Name_cap = 0;  // never grown or freed by the context
  ws.Var_index_cap = uint32_t(n);
  ws.Name_pool_size = uint32_t(f->pool.size());
  ws.Name_pool_cap = 0;
  ws.Names_id = f->names_id;
  ws.Lit_pool = nullptr;
  Oop_run_guard guard(o->slot, method_name, Call_depth(), true);
  Oop_set_precision_for(o, c);
  ws.Exec_ptr = f->code.data();
  Eval_formula();
  Oop_keep_expr_string();
  return true;
}

}  // namespace

bool Oop_fast_expression(Oop_object* o, Oop_class* c, const std::vector<uint8_t>& expr, Arg_rec* args,
                         const Oop_name* method_name, Oop_fast_expr** fast) {
  return run_fast(o, c, expr, args, nullptr, 0, method_name, fast);
}

bool Oop_fast_expression_nums(Oop_object* o, Oop_class* c, const std::vector<uint8_t>& expr, const Num_val* nums,
                              size_t count, const Oop_name* method_name, Oop_fast_expr** fast) {
  return run_fast(o, c, expr, nullptr, nums, count, method_name, fast);
}
