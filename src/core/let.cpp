// LET and the assignment of values to variables.
//
// A numeric store takes the 10-byte value as it is, except that an integer
// variable truncates it to 0 places and any other variable may round it to
// the PRECISION (see Store_num).  A string store replaces the variable's
// block, reusing it when the new text fits with less than 64 spare bytes, or
// taking over the evaluator's newest temporary block when the text is that
// block.  A substring target has just that stretch of the string replaced,
// so the string may grow or shrink; a fixed-length string keeps its length.
#include <cstring>

#include "core/codes.h"
#include "core/directives.h"
#include "core/errors.h"
#include "core/evaluator.h"
#include "core/memory.h"
#include "core/variables.h"
#include "core/workspace.h"

namespace {

Str_blk* new_str(size_t n) {
  Str_blk* b = Get_str(n);
  if (!b) Rpt_error(33);
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
  if (old && n < 10000 && old->cap >= n && old->cap - n < 64) {
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
    if (!*slot) Rpt_error(33);
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

void store_string(const Let_target& t) {
  Str_blk** slot = static_cast<Str_blk**>(t.val);
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
  if (total > size_t(ws.Max_strlen)) Rpt_error(46);
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

void Store_num(Var_node* node, Num_val* dst) {
  Num_val v = ws.Num_acc;
  if (v.scale > 0) {
    if (node->flags & VF_INTEGER) {
      Set_scl(v, 0, 0);
    } else if (v.scale > ws.Precision && !(ws.Num_flags & NF_ROUND) &&
               ((ws.Math_flags | 1) & ws.Prm.RN)) {
      Set_scl(v, ws.Precision, 1);
    }
  }
  *dst = v;
  node->flags |= VF_ASSIGNED;
}

void Let_define(Let_target& t) {
  t.node = ws.Cur_var;
  t.val = ws.Cur_val;
  t.str_len = ws.Str_len;
  t.sub_pos = ws.Sub_pos;
  t.sub_len = ws.Sub_len;
  t.flags = ws.Var_flags;
}

void Let_assign(const Let_target& t) {
  if (!t.val) Rpt_error(49);
  if (t.str_len < 0) {
    if (ws.Str_len >= 0) Rpt_error(26);
    Num_val v = ws.Num_acc;
    if (t.node && (t.node->flags & VF_INTEGER) && v.scale > 0) Set_scl(v, 0, 0);
    *static_cast<Num_val*>(t.val) = v;
  } else {
    if (ws.Str_len < 0) Rpt_error(26);
    store_string(t);
  }
  if (t.node) t.node->flags |= VF_ASSIGNED;
}

// LET target = expression [, target = expression]...
void d_let() {
  for (;;) {
    uint8_t c = *ws.Exec_ptr;
    if (c == code::OBJ_REF) Not_built("object properties");
    if (c == code::REC_VAR) Not_built("record variables");
    if (c != code::NUM_VAR && c != code::STR_VAR) Rpt_error(20);
    Get_value();
    Check_assignable(ws.Cur_var);
    Let_target t;
    Let_define(t);
    if (*ws.Exec_ptr != code::OP_EQ) Rpt_error(20);
    ws.Exec_ptr++;
    ws.Math_flags = 0;
    if (t.str_len < 0) {
      Eval_val();
      Store_num(t.node, static_cast<Num_val*>(t.val));
    } else {
      Eval_str();
      Let_assign(t);
    }
    if (*ws.Exec_ptr != code::COMMA) return;
    ws.Exec_ptr++;
  }
}
