// LET and the assignment of values to variables.
//
// A numeric store takes the 10-byte value as it is, except that an integer
// variable truncates it to 0 places and any other variable may round it to
// the PRECISION (see Store_num).  A string store replaces the variable's
// block, reusing it when the new text fits with less than 64 spare bytes, or
// taking over the evaluator's newest temporary block when the text is that
// block.  A substring target has just that stretch of the string replaced,
// so the string may grow or shrink; a fixed-length string keeps its length.
//
// Compound assignment (target, code 65, the operator 45..50, expression):
// a number takes its present value through the decimal operator and is
// stored by the same rules; a string takes "+=" (append) and "*=" (repeat).
// Appending writes into the variable's own block when that block has at
// least APPEND_SPARE spare bytes and the text fits; otherwise the value moves
// to a new block with that much room after it, so a string grown piece by
// piece is copied once per capacity step, not on every statement.
#include <algorithm>
#include <cstring>
#include <string>

#include "core/codes.h"
#include "core/decimal.h"
#include "core/directives.h"
#include "core/errors.h"
#include "core/evaluator.h"
#include "core/line_store.h"
#include "core/memory.h"
#include "core/params.h"
#include "core/variables.h"
#include "core/workspace.h"
#include "core/nested_run.h"

namespace {

constexpr size_t APPEND_SPARE = 128;

Str_blk* new_str(size_t n) {
  Str_blk* b = Get_str(n);
  if (!b) Rpt_error(err::OUT_OF_MEMORY);
  return b;
}

// The string accumulator as the new whole value of *slot.
void store_whole(Str_blk** slot) {
  Str_blk* old = *slot;
  size_t n = size_t(ws.Str_len);
  if (n == 0) {
    *slot = nullptr;
    if (old) Ret_str(old);
    return;
  }
  if (Str_fits_in_place(old, n)) {
    std::memmove(old->bytes(), ws.Str_ptr, n);
    old->len = uint32_t(n);
    return;
  }
  Str_blk* t = ws.Tmp_strs;
  if (t && t->bytes() == ws.Str_ptr && t->len == n) {
    ws.Tmp_strs = t->link;  // the newest temporary becomes the variable's
    t->link = nullptr;
    *slot = t;
  } else {
    *slot = Save_str();
    if (!*slot) Rpt_error(err::OUT_OF_MEMORY);
  }
  if (old) Ret_str(old);
}

// Fixed-length string: the text is written over the stretch
// [pos, pos + width) of the present value, padded with blanks or cut.
void store_fixed(Str_blk* b, size_t pos, size_t width) {
  size_t n = size_t(ws.Str_len) < width ? size_t(ws.Str_len) : width;
  std::memmove(b->bytes() + pos, ws.Str_ptr, n);
  std::memset(b->bytes() + pos + n, ' ', width - n);
}

void store_string(const Let_target& t, Str_blk** slot) {
  Str_blk* old = *slot;
  size_t whole = old ? old->len : 0;
  bool sub = (t.flags & VAR_SUBSTRING) != 0;
  size_t pos = sub ? size_t(t.sub_pos) : 0;
  size_t cut = sub ? size_t(t.str_len) : whole;
  // The stretch was valid when the target was fetched; the right side may
  // have shortened the variable since (a function with side effects).
  if (pos > whole) pos = whole;
  if (cut > whole - pos) cut = whole - pos;
  if (t.node && (t.node->flags & VF_FIXED) && old) {
    store_fixed(old, pos, cut);
    return;
  }
  if (!sub) {
    store_whole(slot);
    return;
  }
  size_t n = size_t(ws.Str_len);
  size_t total = whole - cut + n;
  if (total > size_t(ws.Max_strlen)) Rpt_error(err::STRING_LENGTH);
  if (total == 0) {
    *slot = nullptr;
    if (old) Ret_str(old);
    return;
  }
  // A new block: the new text may point into the old one.
  Str_blk* b = new_str(total);
  uint8_t* d = b->bytes();
  if (pos) std::memcpy(d, old->bytes(), pos);
  if (n) std::memcpy(d + pos, ws.Str_ptr, n);
  if (whole - pos - cut) std::memcpy(d + pos + n, old->bytes() + pos + cut, whole - pos - cut);
  b->len = uint32_t(total);
  *slot = b;
  if (old) Ret_str(old);
}

}  // namespace

void* Let_slot(const Let_target& t) {
  if (t.elem < 0 || !t.node) return t.val;
  Var_node* n = t.node;
  if (!n->elems || uint32_t(t.elem) >= Var_count(n)) Find_sub_err();
  if (n->type == code::STR_VAR) return Str_elem(n, uint32_t(t.elem));
  return Num_elem(n, uint32_t(t.elem));
}

void Store_num(Var_node* node, Num_val* dst) {
  if (dst != &node->num) {
    // An element: the right side may have freed or moved the storage.
    auto* lo = static_cast<Num_val*>(node->elems);
    if (!lo || dst < lo || dst >= lo + Var_count(node)) Find_sub_err();
  }
  Num_val v = ws.Num_acc;
  if (v.scale > 0) {
    if (node->flags & VF_INTEGER) {
      Set_scl(v, 0, 0);
    } else if (v.scale > ws.Precision && !(ws.Num_flags & NF_ROUND) &&
               ((ws.Math_flags | 1) & ws.Prm.RN)) {
      Set_scl(v, ws.Precision, 1);
    }
  }
  // A template field refuses a number it cannot hold (error 41) and keeps
  // its value.
  if (node->flags & VF_FIELD) Check_field_node_fits(node, v);
  *dst = v;
  node->flags |= VF_ASSIGNED;
}

void Let_store_num(const Let_target& t) {
  if (ws.Str_len >= 0) Rpt_error(err::TYPE_MISMATCH);
  Store_num(t.node, static_cast<Num_val*>(Let_slot(t)));
}

void Let_define(Let_target& t) {
  t.node = ws.Cur_var;
  t.val = ws.Cur_val;
  t.str_len = ws.Str_len;
  t.sub_pos = ws.Sub_pos;
  t.sub_len = ws.Sub_len;
  t.flags = ws.Var_flags;
  t.elem = ws.Cur_elem;
}

void Let_string_scalar(Var_node* node) {
  if (ws.Str_len < 0) Rpt_error(err::TYPE_MISMATCH);
  store_whole(&node->str);
  node->flags |= VF_ASSIGNED;
}

void Let_assign(const Let_target& t) {
  void* slot = Let_slot(t);
  if (!slot) Rpt_error(err::INTERNAL_CODE);
  if (t.str_len < 0) {
    if (ws.Str_len >= 0) Rpt_error(err::TYPE_MISMATCH);
    Num_val v = ws.Num_acc;
    if (t.node && (t.node->flags & VF_INTEGER) && v.scale > 0) Set_scl(v, 0, 0);
    if (t.node && (t.node->flags & VF_FIELD)) Check_field_node_fits(t.node, v);
    *static_cast<Num_val*>(slot) = v;
  } else {
    if (ws.Str_len < 0) Rpt_error(err::TYPE_MISMATCH);
    store_string(t, static_cast<Str_blk**>(slot));
    // A record takes the text and splits it into its fields.
    if (t.node && (t.node->flags & VF_RECORD) && t.elem < 0) Let_record(t.node);
  }
  if (t.node) t.node->flags |= VF_ASSIGNED;
}

namespace {

// S$ += text for a plain string variable or element: in place when the
// block has the room, else into a new block with APPEND_SPARE bytes to spare.
void append_plain(const Let_target& t) {
  Eval_str();
  auto* slot = static_cast<Str_blk**>(Let_slot(t));
  Str_blk* old = *slot;
  size_t len = old ? old->len : 0;
  size_t n = size_t(ws.Str_len);
  size_t max = size_t(ws.Max_strlen < 0 ? 0 : ws.Max_strlen);
  if (n > max || len > max - n) Rpt_error(err::STRING_LENGTH);
  if (n != 0) {
    // A locked block has capacity 0: never written in place.
    if (old && old->cap >= len + n && old->cap - len >= APPEND_SPARE) {
      std::memmove(old->bytes() + len, ws.Str_ptr, n);  // the text may be the value itself
      old->len = uint32_t(len + n);
    } else {
      size_t total = len + n;
      Str_blk* b = new_str(total + APPEND_SPARE < max ? total + APPEND_SPARE : max);
      if (len) std::memcpy(b->bytes(), old->bytes(), len);
      std::memcpy(b->bytes() + len, ws.Str_ptr, n);
      b->len = uint32_t(total);
      *slot = b;
      if (old) Ret_str(old);
    }
  }
  t.node->flags |= VF_ASSIGNED;
}

}  // namespace

void Let_compound(const Let_target& t, uint8_t op) {
  if (op < code::OP_ADD || op > code::OP_MOD) Rpt_error(err::INTERNAL_CODE);
  ws.Math_flags = 0;
  if (t.str_len < 0) {
    Num_val present = *static_cast<Num_val*>(Let_slot(t));
    Eval_val();
    ws.Num_acc2 = present;
    Evl_tbl[op - code::OP_EQ]();
    if ((ws.Prm.RN & 64) && ws.Num_acc.scale > ws.Precision) Set_scl(ws.Num_acc, ws.Precision, 1);
    Let_store_num(t);
    return;
  }
  if (op != code::OP_ADD && op != code::OP_MUL) Rpt_error(err::TYPE_MISMATCH);
  bool plain = t.node && !(t.node->flags & (VF_FIXED | VF_RECORD)) && !(t.flags & VAR_SUBSTRING);
  if (op == code::OP_ADD && plain) {
    append_plain(t);
    return;
  }
  // The present value (a substring, a fixed-length or record value) is
  // copied first: the right side may change the variable.
  std::string present(reinterpret_cast<const char*>(ws.Str_ptr), size_t(ws.Str_len > 0 ? ws.Str_len : 0));
  size_t max = size_t(ws.Max_strlen < 0 ? 0 : ws.Max_strlen);
  std::string result;
  if (op == code::OP_ADD) {
    Eval_str();
    if (size_t(ws.Str_len) > max - std::min(max, present.size())) Rpt_error(err::STRING_LENGTH);
    result = present;
    result.append(reinterpret_cast<const char*>(ws.Str_ptr), size_t(ws.Str_len));
  } else {
    int32_t n = Eval_integer();
    if (n < 0) Rpt_error(err::OUT_OF_RANGE);
    if (!present.empty() && size_t(n) > max / present.size()) Rpt_error(err::STRING_LENGTH);
    result.reserve(present.size() * size_t(n));
    for (int32_t i = 0; i < n; ++i) result += present;
  }
  ws.Str_ptr = reinterpret_cast<uint8_t*>(result.data());
  ws.Str_len = int32_t(result.size());
  Let_assign(t);
}

namespace {

// One target from the cursor: "=" and the value, "op=" and the value, or a
// postfix ++/-- alone.
// A number stored into a template field that cannot hold it (error 41)
// leaves the field as it was, so the record keeps its bytes.
class Field_keep {
 public:
  Field_keep(const uint8_t* ref, const Let_target& t) : ref_(ref), t_(t) {
    if (*ref != code::REC_VAR || t.str_len >= 0) return;
    old_ = *static_cast<Num_val*>(Let_slot(t));
    flags_ = t.node->flags;
    armed_ = true;
  }
  // Error 41 (the old value back) when the stored number does not fit.
  void check() {
    if (!armed_) return;
    Check_field_fits(ref_, *static_cast<Num_val*>(Let_slot(t_)));
    armed_ = false;
  }
  ~Field_keep() {
    if (!armed_) return;
    *static_cast<Num_val*>(Let_slot(t_)) = old_;
    t_.node->flags = flags_;
  }
  Field_keep(const Field_keep&) = delete;
  Field_keep& operator=(const Field_keep&) = delete;

 private:
  const uint8_t* ref_;
  const Let_target& t_;
  Num_val old_;
  uint32_t flags_ = 0;
  bool armed_ = false;
};

void let_one() {
  const uint8_t* ref = ws.Exec_ptr;
  Get_value();
  Check_assignable(ws.Cur_var);
  Let_target t;
  Let_define(t);
  Field_keep keep(ref, t);
  if (*ws.Exec_ptr == code::ASSIGN_OP) {
    uint8_t op = ws.Exec_ptr[1];
    ws.Exec_ptr += 2;
    Let_compound(t, op);
    keep.check();
    return;
  }
  if (*ws.Exec_ptr != code::OP_EQ) {
    // "A[ALL]++": the queued step applies to this element now.
    if (t.str_len < 0 && (ws.Run_flags & RF_INCDEC)) {
      Do_incrdecr();
      keep.check();
      return;
    }
    Rpt_error(err::SYNTAX);
  }
  ws.Exec_ptr++;
  ws.Math_flags = 0;
  if (t.str_len < 0) {
    Eval_val();
    Let_store_num(t);
    keep.check();
  } else {
    Eval_str();
    Let_assign(t);
  }
}

// Runs the target at the cursor once per element, count times: each
// element's assignment is a statement of its own (its ++/-- apply before
// the next).  check tells whether the target still has count elements.
template <class Check>
void let_each(uint8_t* target, uint32_t count, Check check) {
  Iter_guard guard;
  uint8_t* end = nullptr;
  for (uint32_t i = 0; i < count; i++) {
    ws.Iter_on = true;
    ws.Iter_index = i;
    ws.Iter_count = count;
    ws.Exec_ptr = target;
    let_one();
    if (ws.Incdec_cnt) Do_incrdecr();
    end = ws.Exec_ptr;
    if (i + 1 < count) check();
  }
  ws.Exec_ptr = end;
}

// The variable named at p when the code after its name is `follow` ("[ALL]"
// or a range list), else null; the cursor is left where it was.
Var_node* array_followed_by(uint8_t* p, uint8_t follow) {
  if (*p != code::NUM_VAR && *p != code::STR_VAR) return nullptr;
  uint8_t* save = ws.Exec_ptr;
  ws.Exec_ptr = p;
  Var_node* n = Find_var();
  bool found = *ws.Exec_ptr == follow;
  ws.Exec_ptr = save;
  return found ? n : nullptr;
}
Var_node* whole_array_at(uint8_t* p) { return array_followed_by(p, code::WHOLE_ARRAY); }
Var_node* ranged_array_at(uint8_t* p) { return array_followed_by(p, code::BLOCK_OPEN); }

// A[ALL] = expression: the assignment runs once per element, the right side
// evaluated anew each time; a whole array on the right supplies its element
// of the same index.  A target without elements first takes the dimensions
// of a whole array that starts the right side (with switch AD, so does one
// of another element count).
void let_whole(Var_node* n) {
  uint8_t* target = ws.Exec_ptr;
  Check_assignable(n);
  Skip_var();
  if (*ws.Exec_ptr == code::OP_EQ) {  // a compound operator needs the target's elements
    Var_node* src = whole_array_at(ws.Exec_ptr + 1);
    // With switch AD a target of another element count takes the source's
    // shape too.
    if (src && src != n && src->type == n->type && src->elems &&
        (!n->elems || (Sw_on(sw::AD) && Var_count(n) != Var_count(src))))
      Copy_Array(n, src);
  }
  if (!n->elems) Find_sub_err();
  uint32_t count = Var_count(n);
  if (count == 0) {  // an associative array without keys: nothing to assign
    if (*ws.Exec_ptr == code::OP_EQ) {
      ws.Exec_ptr++;
      Skip_xpr();
    } else if (*ws.Exec_ptr == code::ASSIGN_OP) {
      ws.Exec_ptr += 2;
      Skip_xpr();
    }
    return;
  }
  let_each(target, count, [&] {
    if (!n->elems || Var_count(n) != count) Find_sub_err();
  });
}

// A{r1, r2, r3} = expression: as a whole-array assignment over the elements
// of the range, the last dimension fastest (from the far end of a range
// written high to low).  A variable without storage is dimensioned by the
// range first; a ranged or whole array on the right supplies its element of
// the same running index, and must have as many.
void let_range(Var_node* n) {
  uint8_t* target = ws.Exec_ptr;
  Check_assignable(n);
  Find_var();
  Let_range r;
  LetDefRange(n, r, true);
  if (r.count == 0) Find_sub_err();
  let_each(target, r.count, [] {});
}

}  // namespace

// LET target = expression [, target = expression]...
void d_let() {
  for (;;) {
    uint8_t c = *ws.Exec_ptr;
    if (c == code::OBJ_REF) Not_built("object properties");
    if (c != code::NUM_VAR && c != code::STR_VAR && c != code::REC_VAR) Rpt_error(err::SYNTAX);
    if (Var_node* whole = whole_array_at(ws.Exec_ptr))
      let_whole(whole);
    else if (Var_node* ranged = ranged_array_at(ws.Exec_ptr))
      let_range(ranged);
    else
      let_one();
    if (*ws.Exec_ptr != code::COMMA) return;
    ws.Exec_ptr++;
  }
}
