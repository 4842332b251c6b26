// Expression evaluation and operand fetch.
//
// Operands are read in place from the compiled code (see codes.h for the item
// forms): literals and string constants are never copied, a variable's
// string (or substring) is pointed at inside its own block.  The numeric
// operators run on an explicit stack of {operator, level, left value}: a
// pending operator is applied as soon as an operator of the same or a lower
// level follows, so equal levels associate to the left and the stack never
// holds more than one entry per level.
#include "core/evaluator.h"

#include <cstring>

#include "core/codes.h"
#include "core/directives.h"
#include "core/errors.h"
#include "core/eval_fast.h"
#include "core/line_store.h"
#include "core/memory.h"
#include "core/utf8.h"
#include "core/variables.h"
#include "core/workspace.h"
#include "core/mask_match.h"

int (*Ret_object_hook)() = nullptr;
const uint8_t* (*Obj_operand_hook)(const uint8_t* p, Num_val& v) = nullptr;
void (*Set_object_hook)() = nullptr;
void (*Delete_object_hook)() = nullptr;
void (*Rename_class_hook)() = nullptr;
bool (*Method_return_hook)() = nullptr;
bool (*Value_return_hook)() = nullptr;
void (*On_event_hook)() = nullptr;

namespace {

// Operator levels by code - 39: = <> <= >= > < + - * / ^ MOD
constexpr uint8_t Lvl_tbl[12] = {1, 1, 1, 1, 1, 1, 2, 2, 3, 3, 4, 3};
constexpr int MAX_LEVEL = 4;

// String comparison outcomes by operator code - 39 (= <> <= >= > <).
constexpr char equ_tbl[] = "101100";
constexpr char gtr_tbl[] = "010110";
constexpr char les_tbl[] = "011001";

// Work-area space for a concatenation before it moves to a temporary string.
constexpr size_t CONCAT_WORK = 200;

uint8_t empty_string[1] = {0};

inline bool is_comparison(uint8_t c) { return c >= code::OP_EQ && c <= code::OP_LT; }

inline void set_number(int64_t mant) {
  ws.Num_acc = Num_val{};
  ws.Num_acc.mant = mant;
  ws.Str_len = -1;
}

void round_to_precision(Num_val& v) {
  if (v.scale > ws.Precision) Set_scl(v, ws.Precision, 1);
}

bool in_if_statement() { return ws.Stmt_ptr && *ws.Stmt_ptr == code::D_IF; }

// The current operand is a string inside a numeric expression: it joins the
// "+" operands that follow, and a comparison with the next string operand
// turns it into 1 or 0.  Anything else is error 26.
void string_operand() {
  if (*ws.Exec_ptr == code::OP_ADD) Xeval_str();
  uint8_t c = *ws.Exec_ptr;
  if (!is_comparison(c) && c != code::LIKE) Rpt_error(err::TYPE_MISMATCH);
  const uint8_t* left = ws.Str_ptr;
  int32_t left_len = ws.Str_len;
  ws.Exec_ptr++;
  if (Get_value() < 0) Rpt_error(err::TYPE_MISMATCH);
  if (*ws.Exec_ptr == code::OP_ADD) Xeval_str();
  if (c == code::LIKE)  // the position of the match, 0 when none
    set_number(Do_fnc_mask(ws.Prm.TL ? 2 : 1, left, size_t(left_len), ws.Str_ptr,
                           size_t(ws.Str_len)));
  else
    Xcmp_str(c, left, left_len);
}

// Binary operators 39..50 from the current operand on; returns the code that
// ends them.
uint8_t arith() {
  struct Pending {
    uint8_t op;
    uint8_t lvl;
    union {
      Num_val left;  // written before it is read: no need to clear it
    };
    Pending() {}
  } stack[MAX_LEVEL];
  int sp = 0;
  for (;;) {
    if (ws.Str_len >= 0) string_operand();
    uint8_t c = *ws.Exec_ptr;
    if (c == code::LIKE) Rpt_error(err::TYPE_MISMATCH);  // LIKE needs a string on its left
    int lvl = (c >= code::OP_EQ && c <= code::OP_MOD) ? Lvl_tbl[c - code::OP_EQ] : 0;
    while (sp > 0 && stack[sp - 1].lvl >= lvl) {
      sp--;
      ws.Num_acc2 = stack[sp].left;
      Evl_tbl[stack[sp].op - code::OP_EQ]();
      if (ws.Prm.RN & 64) round_to_precision(ws.Num_acc);
    }
    if (lvl == 0) return c;
    stack[sp].op = c;
    stack[sp].lvl = uint8_t(lvl);
    stack[sp].left = ws.Num_acc;
    ++sp;
    ws.Exec_ptr++;
    Get_value();
  }
}

[[noreturn]] void substring_error() { Rpt_error(err::SUBSTRING_RANGE); }

// "(" start ["," length] ")" after a string variable or element (*slot):
// the result points into the variable's own string.
void take_substring(Var_node* node, Str_blk** slot, int32_t elem) {
  ws.Exec_ptr++;
  int32_t start = Eval_integer();
  bool has_len = false;
  int32_t want = 0;
  if (*ws.Exec_ptr == code::COMMA) {
    ws.Exec_ptr++;
    want = Eval_integer();
    has_len = true;
  }
  if (*ws.Exec_ptr != code::RPAREN) Rpt_error(err::INTERNAL_CODE);
  ws.Exec_ptr++;

  // The index expressions may have resolved other variables, and may even
  // have moved the array's storage (a new key of an associative array).
  if (elem >= 0) {
    if (!node->elems || uint32_t(elem) >= Var_count(node)) Find_sub_err();
    slot = Str_elem(node, uint32_t(elem));
  }
  ws.Cur_var = node;
  ws.Cur_val = slot;
  ws.Cur_elem = elem;
  ws.Var_flags = (node->flags & ~VF_FIXED) | VAR_SUBSTRING;
  Str_blk* str = *slot;
  uint8_t* s = str ? str->bytes() : empty_string;
  int64_t len = str ? str->len : 0;
  ws.Sub_len = int32_t(len);

  bool bad = false;
  int64_t pos = 0, cnt = 0;
  if (start < 1) {
    if (has_len && want == 0 && ws.Prm.I0)
      start = 1;
    else
      bad = true;
  }
  if (has_len && want < 0) bad = true;
  if (!bad) {
    bool chars = (ws.Utf8_mode & UTF8_SUBSTR) != 0;
    pos = chars ? KestUtf8TrueInc(s, int(len), 0, start - 1) : int64_t(start) - 1;
    if (pos > len) {
      bad = true;
    } else if (!has_len) {
      cnt = len - pos;
    } else {
      cnt = chars ? KestUtf8TrueInc(s, int(len), int(pos), want) : want;
      if (pos + cnt > len) bad = true;
    }
  }
  if (bad) {
    if (!(ws.Prm.P47 && in_if_statement())) substring_error();
    pos = pos < 0 ? 0 : (pos > len ? len : pos);
    cnt = 0;
  }
  ws.Sub_pos = int32_t(pos);
  ws.Str_ptr = s + pos;
  ws.Str_len = int32_t(cnt);
}

// The fast path (eval_fast.h) for expressions of one or two plain operands.
inline bool eval_simple() {
  Num_val r;
  const uint8_t* q = Eval_simple_at(ws.Exec_ptr, r);
  if (!q) return false;
  ws.Exec_ptr = const_cast<uint8_t*>(q);
  ws.Num_acc = r;
  ws.Str_len = -1;
  return true;
}

int32_t exact_integer(Num_val v) {
  if (v.mant == 0) return 0;
  if (v.scale != 0) Set_scl(v, 0, -1);
  if (v.scale != 0 || v.mant < INT32_MIN || v.mant > INT32_MAX) Rpt_error(err::OUT_OF_RANGE);
  return int32_t(v.mant);
}

}  // namespace

int Get_value() {
  uint8_t* p = ws.Exec_ptr;
  uint8_t c = *p;
  if (c == code::NUM_VAR && (p[1] & 0x80)) {
    // The common case in a stored program: a numeric scalar by its index,
    // not followed by subscripts, a substring or ++/--.
    uint32_t idx = (uint32_t(p[1] & 0x7F) << 8) | p[2];
    Var_node* node = idx < ws.Var_index_cnt ? ws.Var_index[idx] : nullptr;
    uint8_t next = p[3];
    if (node && node->type == code::NUM_VAR && !(node->read_mask & ~ws.Var_mask) && next != code::LBRACKET &&
        next != code::LPAREN && next != code::WHOLE_ARRAY && next != code::INC_DEC && next != code::BLOCK_OPEN) {
      ws.Exec_ptr = p + 3;
      Num_scalar_current(node);
      return -1;
    }
  }
  switch (c) {
    case code::NUM_VAR: {
      Vnum_load(Find_var());
      if (*ws.Exec_ptr == code::INC_DEC) {
        uint8_t kind = ws.Exec_ptr[1];
        if (kind != code::INC_KIND && kind != code::DEC_KIND) Rpt_error(err::INTERNAL_CODE);
        Check_assignable(ws.Cur_var);  // ++ and -- assign (a read-only name, a WITH reader: 61)
        Queue_incrdecr(kind, static_cast<Num_val*>(ws.Cur_val));
        ws.Exec_ptr += 2;
      }
      return -1;
    }
    case code::STR_VAR:
      Vstr_load(Find_var());
      return ws.Str_len;
    case code::INC_DEC: {
      uint8_t kind = p[1];
      if (kind != code::INC_KIND && kind != code::DEC_KIND) Rpt_error(err::INTERNAL_CODE);
      ws.Exec_ptr = p + 2;
      if (*ws.Exec_ptr != code::NUM_VAR) Rpt_error(err::TYPE_MISMATCH);
      Vnum_load(Find_var());
      Check_assignable(ws.Cur_var);
      Num_val* slot = static_cast<Num_val*>(ws.Cur_val);
      Queue_incrdecr(kind, slot);
      uint32_t flags = ws.Math_flags;
      ws.Num_acc2 = *slot;
      set_number(1);
      if (kind == code::INC_KIND)
        Add_val();
      else
        Sub_val();
      ws.Math_flags = flags;
      return -1;
    }
    case code::NUM_LIT:
    case code::EXP_LIT: {
      const uint8_t* q = p + 1;
      if (ws.Lit_pool && (q[0] & 0x80)) {
        q = ws.Lit_pool + 7 * ((uint32_t(q[0] & 0x7F) << 8) | q[1]);
        ws.Exec_ptr = p + 3;
      } else {
        ws.Exec_ptr = p + 8;
      }
      set_number(int64_t(get_u48be(q + 1)));
      ws.Num_acc.scale = int8_t(q[0]);
      return -1;
    }
    case code::STR_LIT:
    case code::HEX_LIT: {
      uint16_t n = get_u16be(p + 1);
      ws.Str_ptr = p + 3;
      ws.Str_len = n;
      ws.Exec_ptr = p + 3 + n;
      return n;
    }
    case code::MNEM_LIT: {
      uint8_t* b = Work_take(3);
      b[0] = 27;
      b[1] = p[1];
      b[2] = p[2];
      ws.Str_ptr = b;
      ws.Str_len = 3;
      ws.Exec_ptr = p + 3;
      return 3;
    }
    case code::SMALL_INT:
      set_number(get_u16be(p + 1));
      ws.Exec_ptr = p + 3;
      return -1;
    case code::OP_ADD:
      ws.Exec_ptr = p + 1;
      return Get_value();
    case code::OP_SUB:
      ws.Exec_ptr = p + 1;
      if (Get_value() >= 0) Rpt_error(err::TYPE_MISMATCH);
      Neg_val(ws.Num_acc);
      return -1;
    case code::LPAREN: {
      uint32_t flags = ws.Math_flags;
      ws.Exec_ptr = p + 1;
      Eval_formula();
      if (*ws.Exec_ptr != code::RPAREN) Rpt_error(err::INTERNAL_CODE);
      ws.Exec_ptr++;
      if (ws.Str_len < 0 && (ws.Prm.RN & 0x100)) round_to_precision(ws.Num_acc);
      ws.Math_flags = flags;
      return ws.Str_len;
    }
    case code::OBJ_REF:
      if (!Ret_object_hook) Not_built("object references");
      return Ret_object_hook();
    case code::REC_VAR: {
      Var_node* field = Find_field();
      if (field->type == code::STR_VAR) {
        Vstr_load(field);
        return ws.Str_len;
      }
      Vnum_load(field);
      if (*ws.Exec_ptr == code::INC_DEC) {
        uint8_t kind = ws.Exec_ptr[1];
        if (kind != code::INC_KIND && kind != code::DEC_KIND) Rpt_error(err::INTERNAL_CODE);
        Queue_incrdecr(kind, static_cast<Num_val*>(ws.Cur_val));
        ws.Exec_ptr += 2;
      }
      return -1;
    }
    default:
      if (Cde_tbl[c] & CC_SYSVAR) {
        ws.Exec_ptr = p + 1;
        return Ret_value(c);
      }
      if (Cde_tbl[c] & CC_FUNCTION) {
        ws.Exec_ptr = p + 1;
        return Ret_function(c);
      }
      // A keyword, an option word or an operator such as '/' where a value
      // belongs: statements read as plain token sequences compile them
      // anywhere (SETCTL 5,READ), function arguments take '/' as a mark
      // (DRP(/)) that other functions do not accept.
      if ((Cde_tbl[c] & (CC_DIRECTIVE | CC_BINOP | CC_LOGOP)) || c == code::EXT_DIR ||
          (c >= code::IOPT_FIRST && c <= code::IOPT_LAST))
        Rpt_error(err::SYNTAX);
      Rpt_error(err::INTERNAL_CODE);
  }
}

// The element the code after a variable's name selects: a subscript list,
// the running element of a whole-array assignment, or -1 for the scalar.
static int32_t select_element(Var_node* node, bool numeric) {
  uint8_t c = *ws.Exec_ptr;
  if (c == code::LBRACKET || (numeric && c == code::LPAREN)) return int32_t(Find_sub(node));
  if (c == code::WHOLE_ARRAY) {
    ws.Exec_ptr++;
    return int32_t(Find_nxt(node));
  }
  if (c == code::BLOCK_OPEN) {  // a range: its element of the running index
    Let_range r;
    LetDefRange(node, r, false);
    if (!ws.Iter_on) Find_sub_err();
    return int32_t(LetGetRange(r, node, ws.Iter_index, ws.Iter_count));
  }
  return -1;
}

void Vnum_load(Var_node* node) {
  int32_t e = select_element(node, true);
  Num_val* v = e < 0 ? &node->num : Num_elem(node, uint32_t(e));
  ws.Cur_var = node;
  ws.Cur_val = v;
  ws.Cur_elem = e;
  ws.Var_flags = node->flags & ~VF_FIXED;
  ws.Num_acc = *v;
  ws.Str_len = -1;
}

void Vstr_load(Var_node* node) {
  int32_t e = select_element(node, false);
  if (e < 0 && (node->flags & VF_RECORD)) Gen_record(node);  // its text from its fields
  Str_blk** slot = e < 0 ? &node->str : Str_elem(node, uint32_t(e));
  if (*ws.Exec_ptr == code::LPAREN) {
    take_substring(node, slot, e);
    return;
  }
  ws.Cur_var = node;
  ws.Cur_val = slot;
  ws.Cur_elem = e;
  ws.Var_flags = node->flags & ~VF_FIXED;
  ws.Sub_pos = 0;
  if (*slot) {
    ws.Str_ptr = (*slot)->bytes();
    ws.Str_len = int32_t((*slot)->len);
  } else {
    ws.Str_ptr = empty_string;
    ws.Str_len = 0;
  }
  ws.Sub_len = ws.Str_len;
}

uint8_t Xeval_val() {
  uint8_t c = arith();
  while (c == code::OP_AND || c == code::OP_OR) {
    bool left = ws.Num_acc.mant != 0;
    ws.Exec_ptr++;
    if ((c == code::OP_AND) != left) {
      // The left side decides: skip the right operand, its operators and
      // further operands joined by the same logical operator.
      for (;;) {
        uint8_t s = Skip_value();
        if (!(Cde_tbl[s] & CC_BINOP) && s != c) break;
        ws.Exec_ptr++;
      }
      set_number(left ? 1 : 0);
      c = *ws.Exec_ptr;
    } else {
      Get_value();
      c = arith();
      set_number(ws.Num_acc.mant != 0 ? 1 : 0);
    }
  }
  return c;
}

void Xeval_str() {
  uint8_t* buf = Work_take(CONCAT_WORK);
  size_t room = CONCAT_WORK;
  size_t total = 0;
  Str_blk* tmp = nullptr;
  const size_t max = size_t(ws.Max_strlen < 0 ? 0 : ws.Max_strlen);
  auto append = [&](const uint8_t* s, size_t n) {
    if (n > max - total) Rpt_error(err::STRING_LENGTH);
    if (total + n > room) {
      size_t want = room * 2 > total + n ? room * 2 : total + n;
      if (want > max) want = max;
      Str_blk* b = Get_str_temp(want);
      if (!b) Rpt_error(err::OUT_OF_MEMORY);
      std::memcpy(b->bytes(), buf, total);
      if (tmp && b->link == tmp) {  // the outgrown block is next on the chain
        b->link = tmp->link;
        Ret_str(tmp);
      }
      tmp = b;
      buf = b->bytes();
      room = b->cap;
    }
    if (n) std::memcpy(buf + total, s, n);
    total += n;
  };
  append(ws.Str_ptr, size_t(ws.Str_len));
  while (*ws.Exec_ptr == code::OP_ADD) {
    ws.Exec_ptr++;
    if (Get_value() < 0) Rpt_error(err::TYPE_MISMATCH);
    append(ws.Str_ptr, size_t(ws.Str_len));
  }
  if (tmp) tmp->len = uint32_t(total);
  ws.Str_ptr = buf;
  ws.Str_len = int32_t(total);
}

int Xcmp_str(uint8_t op, const uint8_t* left, int32_t left_len) {
  if (!is_comparison(op)) Rpt_error(err::INTERNAL_CODE);
  int32_t n = left_len < ws.Str_len ? left_len : ws.Str_len;
  int r = n > 0 ? std::memcmp(left, ws.Str_ptr, size_t(n)) : 0;
  if (r == 0) r = (left_len > ws.Str_len) - (left_len < ws.Str_len);
  const char* tbl = r == 0 ? equ_tbl : (r > 0 ? gtr_tbl : les_tbl);
  int truth = tbl[op - code::OP_EQ] == '1';
  set_number(truth);
  return truth;
}

void Eval_after_val() {
  uint8_t c = *ws.Exec_ptr;
  if (ws.Str_len >= 0 && c == code::OP_ADD) {
    Xeval_str();
    c = *ws.Exec_ptr;
  }
  if (Cde_tbl[c] & (CC_BINOP | CC_LOGOP)) Xeval_val();
}

void Eval_formula() {
  Get_value();
  Eval_after_val();
}

[[gnu::noinline]] void Eval_val_general() {
  Get_value();
  if (Cde_tbl[*ws.Exec_ptr] & (CC_BINOP | CC_LOGOP)) Xeval_val();
  if (ws.Str_len >= 0) Rpt_error(err::TYPE_MISMATCH);
}

void Eval_val() {
  if (!eval_simple()) Eval_val_general();
}

bool Eval_val_simple() { return eval_simple(); }

void Eval_str() {
  if (Get_value() < 0) Rpt_error(err::TYPE_MISMATCH);
  if (*ws.Exec_ptr == code::OP_ADD) Xeval_str();
}

int32_t Eval_integer() {
  Eval_val();
  return exact_integer(ws.Num_acc);
}

int32_t Eval_int100() {
  Eval_val();
  Num_val v = ws.Num_acc;
  if (v.mant == 0) return 0;
  if (v.scale - 2 < -127) Rpt_error(err::OUT_OF_RANGE);
  v.scale = int8_t(v.scale - 2);
  return To_integer(v);
}

int32_t Eval_range(int32_t lo, int32_t hi) {
  int32_t v = Eval_integer();
  if (v < lo || (hi >= lo && v > hi)) Rpt_error(err::OUT_OF_RANGE);
  return v;
}

int32_t To_integer(const Num_val& value) {
  Num_val v = value;
  if (v.mant == 0) return 0;
  if (v.scale != 0) Set_scl(v, 0, 1);
  if (v.scale != 0 || v.mant < INT32_MIN || v.mant > INT32_MAX) Rpt_error(err::OUT_OF_RANGE);
  return int32_t(v.mant);
}

// ---- pending ++/-- ----

void Queue_incrdecr(uint8_t kind, Num_val* v) {
  if (ws.Incdec_cnt >= INCDEC_MAX) Rpt_error(err::NESTING_TOO_DEEP);
  ws.Incdec_kind[ws.Incdec_cnt] = kind;
  ws.Incdec_val[ws.Incdec_cnt] = v;
  ws.Incdec_cnt++;
  ws.Run_flags |= RF_INCDEC;
}

void Do_incrdecr() {
  uint32_t n = ws.Incdec_cnt;
  ws.Incdec_cnt = 0;
  ws.Run_flags &= ~RF_INCDEC;
  Num_val acc = ws.Num_acc, acc2 = ws.Num_acc2;
  int32_t str_len = ws.Str_len;
  uint32_t flags = ws.Math_flags;
  for (uint32_t i = 0; i < n; i++) {
    Num_val* v = ws.Incdec_val[i];
    ws.Num_acc2 = *v;
    ws.Num_acc = Num_val{};
    ws.Num_acc.mant = 1;
    if (ws.Incdec_kind[i] == code::INC_KIND)
      Add_val();
    else
      Sub_val();
    *v = ws.Num_acc;
  }
  ws.Num_acc = acc;
  ws.Num_acc2 = acc2;
  ws.Str_len = str_len;
  ws.Math_flags = flags;
}
