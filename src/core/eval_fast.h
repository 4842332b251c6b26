// The fast path of numeric evaluation, shared by the evaluator (Eval_val)
// and the statement loop (numeric assignment and IF conditions without a
// call).  Expressions of one or two plain operands are the bulk of loop
// bodies; they are evaluated here without the operator stack, with the same
// results, flags and rounding as the general evaluator and the decimal
// operators.  Anything the fast path does not know is left untouched for the
// general evaluator: every function here either succeeds completely or
// returns null having changed nothing.
//
// The cursor is passed and returned in a register; the caller stores it in
// ws.Exec_ptr.  Only the evaluator, the statement loop and the object
// layer's property assignment include this.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "core/codes.h"
#include "core/decimal.h"
#include "core/evaluator.h"
#include "core/variables.h"
#include "core/workspace.h"

namespace eval_fast {

// A readable numeric variable by its index (code 1, 0x80|high, low at p).
[[gnu::always_inline]] inline Var_node* indexed_num(const uint8_t* p) {
  if (!(p[1] & 0x80)) return nullptr;
  uint32_t idx = (uint32_t(p[1] & 0x7F) << 8) | p[2];
  if (idx >= ws.Var_index_cnt) return nullptr;
  Var_node* node = ws.Var_index[idx];
  if (!node || node->type != code::NUM_VAR) return nullptr;
  // Most variables carry no access bits: one test for them.
  if (node->read_mask && (node->read_mask & ~ws.Var_mask)) [[unlikely]] return nullptr;
  return node;
}

// A numeric variable that may be read and assigned (Get_value's and
// Check_assignable's conditions), as a target in the statement loop.
[[gnu::always_inline]] inline bool assignable_num(const Var_node* node) {
  if (node->type != code::NUM_VAR || (node->flags & VF_READ_ONLY)) return false;
  static_assert(offsetof(Var_node, write_mask) == offsetof(Var_node, read_mask) + 2, "the masks side by side");
  uint32_t masks;
  std::memcpy(&masks, &node->read_mask, 4);
  if (masks && ((node->read_mask | node->write_mask) & ~ws.Var_mask)) [[unlikely]] return false;
  return true;
}

// True for the codes after a numeric variable's name that make it more than
// a plain scalar: ++/--, "(", "[" and "[ALL]".
constexpr struct More_tbl {
  bool v[256] = {};
  constexpr More_tbl() {
    v[code::INC_DEC] = v[code::LPAREN] = v[code::LBRACKET] = v[code::WHOLE_ARRAY] = v[code::BLOCK_OPEN] = true;
  }
} more_tbl;

inline bool more_than_scalar(uint8_t next) { return more_tbl.v[next]; }

// A numeric literal (code 3 or 4 at p), from the pool or in line.
[[gnu::always_inline]] inline const uint8_t* literal_operand(const uint8_t* p, Num_val& v) {
  const uint8_t* q = p + 1;
  const uint8_t* next = p + 8;
  if (ws.Lit_pool && (q[0] & 0x80)) {
    q = ws.Lit_pool + 7 * ((uint32_t(q[0] & 0x7F) << 8) | q[1]);
    next = p + 3;
  }
  v = Num_val{};
  v.mant = int64_t(get_u48be(q + 1));
  v.scale = int8_t(q[0]);
  return next;
}

// An element of a one-dimensional numeric array by one subscript, a small
// integer or a plain integral scalar, in range and not followed by ++/--;
// q is at the "[" after the array's name.
[[gnu::always_inline]] inline const uint8_t* element_operand(const Var_node* node, const uint8_t* q, Num_val& v) {
  int64_t sub;
  if (q[1] == code::SMALL_INT) {
    sub = get_u16be(q + 2);
    q += 4;
  } else {
    // A scalar: the "]" tested below is none of the codes that would make
    // it more.
    const Var_node* s = q[1] == code::NUM_VAR ? indexed_num(q + 1) : nullptr;
    if (!s || s->num.scale != 0) return nullptr;
    sub = s->num.mant;
    q += 4;
  }
  // One dimension: the sizes of the other two are 1 (one 64-bit test).
  uint64_t upper;
  static_assert(sizeof node->size == 12, "three 32-bit sizes");
  std::memcpy(&upper, &node->size[1], 8);
  if (q[0] != code::RBRACKET || q[1] == code::INC_DEC || !node->elems || upper != (uint64_t(1) << 32 | 1))
    return nullptr;
  // One unsigned test for both ends (the size is never negative).
  uint64_t i = uint64_t(sub) - uint64_t(int64_t(node->base[0]));
  if (i >= uint64_t(node->size[0])) return nullptr;
  v = static_cast<const Num_val*>(node->elems)[i];
  return q + 1;
}

// An operand read without side effects or errors: a plain indexed numeric
// scalar, an element as element_operand takes it, a small integer, a
// numeric literal or a numeric property through a filled call site.
// Returns the code after it, null for anything else.
[[gnu::always_inline]] inline const uint8_t* simple_operand(const uint8_t* p, Num_val& v) {
  uint8_t c = p[0];
  if (c == code::NUM_VAR) {
    Var_node* node = indexed_num(p);
    if (!node) return nullptr;
    uint8_t next = p[3];
    if (!more_than_scalar(next)) {
      v = node->num;
      return p + 3;
    }
    return next == code::LBRACKET ? element_operand(node, p + 3, v) : nullptr;
  }
  if (c == code::SMALL_INT) {
    v = Num_val{};
    v.mant = get_u16be(p + 1);
    return p + 3;
  }
  if (c == code::NUM_LIT || c == code::EXP_LIT) return literal_operand(p, v);
  // A property read "h'NAME" with both names indexed (not a method call):
  // the object layer answers it when its call site is filled.
  if (c == code::OBJ_REF && (p[1] & 0x80) && p[3] == code::NUM_VAR && (p[4] & 0x80) && p[6] != code::LPAREN &&
      Obj_operand_hook) {
    // Through a value of its own: the caller's stays in registers (its
    // address would otherwise escape to the hook on every path).
    Num_val got;
    const uint8_t* q = Obj_operand_hook(p, got);
    if (q) v = got;
    return q;
  }
  return nullptr;
}

}  // namespace eval_fast

// "a", or "a op b" with op one of = <> <= >= > < + -, for simple operands a
// and b and nothing more to the expression, at p.  The value goes to out
// (the caller puts it in ws.Num_acc with ws.Str_len -1); ws.Num_acc2 and
// ws.Math_flags are set as the decimal operators set them.  Returns the code
// after the expression; null, with nothing done, for any other expression.
// The rest of such an expression after its first operand a: p is on the
// code after a, which is an operator.
[[gnu::always_inline]] inline const uint8_t* Eval_simple_rest(const Num_val& a, const uint8_t* p, Num_val& out) {
  using namespace eval_fast;
  uint8_t c = *p;
  if (c < code::OP_EQ || c > code::OP_SUB) return nullptr;
  Num_val b;
  const uint8_t* q = simple_operand(p + 1, b);
  if (!q || (Cde_tbl[*q] & (CC_BINOP | CC_LOGOP))) return nullptr;
  ws.Num_acc2 = a;
  int64_t r;
  // The operators below may raise an error: the cursor is past the
  // expression then, as the general evaluator leaves it.
  auto slow = [q]() {
    ws.Exec_ptr = const_cast<uint8_t*>(q);
    ws.Str_len = -1;
  };
  // The cheap cases of Add_val, Sub_val and Cmp_val; the rest goes to them.
  if (c == code::OP_ADD) {
    if (a.scale == b.scale && !__builtin_add_overflow(a.mant, b.mant, &r)) [[likely]] {
      ws.Math_flags |= 2;
      b.mant = r;
      out = b;
    } else {
      slow();
      ws.Num_acc = b;
      Add_val();
      out = ws.Num_acc;
    }
  } else if (c == code::OP_SUB) {
    if (a.scale == b.scale && !__builtin_sub_overflow(a.mant, b.mant, &r)) [[likely]] {
      ws.Math_flags |= 2;
      b.mant = r;
      out = b;
    } else {
      slow();
      ws.Num_acc = b;
      Sub_val();
      out = ws.Num_acc;
    }
  } else if (a.scale == b.scale && !((ws.Prm.RN & 0x200) && a.scale > ws.Precision)) {
    int cmp = (a.mant > b.mant) - (a.mant < b.mant);
    bool t;
    switch (c) {
      case code::OP_EQ: t = cmp == 0; break;
      case code::OP_NE: t = cmp != 0; break;
      case code::OP_LE: t = cmp <= 0; break;
      case code::OP_GE: t = cmp >= 0; break;
      case code::OP_GT: t = cmp > 0; break;
      default: t = cmp < 0; break;
    }
    b.mant = t;
    b.scale = 0;
    out = b;
  } else {
    slow();
    ws.Num_acc = b;
    Evl_tbl[c - code::OP_EQ]();
    out = ws.Num_acc;
  }
  if ((ws.Prm.RN & 64) && out.scale > ws.Precision) {
    slow();
    Set_scl(out, ws.Precision, 1);
  }
  return q;
}

[[gnu::always_inline]] inline const uint8_t* Eval_simple_at(const uint8_t* p, Num_val& out) {
  using namespace eval_fast;
  Num_val a;
  p = simple_operand(p, a);
  if (!p) return nullptr;
  if (!(Cde_tbl[*p] & (CC_BINOP | CC_LOGOP))) {
    out = a;
    return p;
  }
  return Eval_simple_rest(a, p, out);
}
