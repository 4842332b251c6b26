// Arrays: dimensioning (DIM, REDIM), element addressing, associative arrays
// and the release of element storage.
//
// Element storage is one Mem_blk: a Num_val per element for a numeric array,
// a Str_blk* per element (null: empty) for a string array, in row-major
// order (see Var_node).  Whoever frees or moves a storage block also fixes
// the pending ++/-- entries that point into it, so a queued increment never
// writes into freed memory.
#include <cstring>

#include "core/codes.h"
#include "core/directives.h"
#include "core/errors.h"
#include "core/evaluator.h"
#include "core/hash_table.h"
#include "core/memory.h"
#include "core/params.h"
#include "core/variables.h"
#include "core/workspace.h"

namespace {

size_t elem_size(const Var_node* n) { return n->type == code::STR_VAR ? sizeof(Str_blk*) : sizeof(Num_val); }

// Pending ++/-- entries pointing into [old, old + bytes) move to the same
// offset in `moved`, or are dropped when moved is null.  The evaluator's
// current value pointer is forgotten the same way.
void relocate_refs(void* old, size_t bytes, void* moved) {
  auto* lo = static_cast<uint8_t*>(old);
  auto inside = [&](void* p) {
    auto* q = static_cast<uint8_t*>(p);
    return q >= lo && q < lo + bytes;
  };
  uint32_t kept = 0;
  for (uint32_t i = 0; i < ws.Incdec_cnt; i++) {
    Num_val* v = ws.Incdec_val[i];
    if (inside(v)) {
      if (!moved) continue;
      v = reinterpret_cast<Num_val*>(static_cast<uint8_t*>(moved) + (reinterpret_cast<uint8_t*>(v) - lo));
    }
    ws.Incdec_kind[kept] = ws.Incdec_kind[i];
    ws.Incdec_val[kept++] = v;
  }
  ws.Incdec_cnt = kept;
  if (!kept) ws.Run_flags &= ~RF_INCDEC;
  if (ws.Cur_val && inside(ws.Cur_val)) ws.Cur_val = nullptr;
}

void free_storage(void* elems, uint8_t type, uint32_t count) {
  if (!elems) return;
  if (type == code::STR_VAR) {
    auto** s = static_cast<Str_blk**>(elems);
    for (uint32_t i = 0; i < count; i++)
      if (s[i]) Ret_str(s[i]);
  }
  relocate_refs(elems, Blk_size(elems), nullptr);
  Ret_blk(elems);
}

void* new_storage(size_t count, size_t esize) {
  void* p = Get_blk(count * esize);
  if (!p) Rpt_error(33);
  return p;
}

// A subscript: truncated to an integer; outside 32 bits it cannot address
// anything.
int32_t subscript(Num_val v) {
  if (v.scale > 0) Set_scl(v, 0, 0);
  if (v.scale != 0 || v.mant < INT32_MIN || v.mant > INT32_MAX) Find_sub_err();
  return int32_t(v.mant);
}

struct Dims {
  int32_t size[3] = {1, 1, 1};
  int32_t base[3] = {0, 0, 0};
  uint8_t dims = 0;
  uint32_t count = 1;
};

// "[" n | a:b {"," n | a:b} "]" at the cursor.
Dims parse_dims() {
  if (*ws.Exec_ptr != code::LBRACKET) Rpt_error(20);
  ws.Exec_ptr++;
  Dims d;
  for (;;) {
    if (d.dims == 3) Rpt_error(41);
    int32_t a = Eval_integer();
    int64_t lo = 0, hi = a;
    if (*ws.Exec_ptr == code::LABEL_END) {
      ws.Exec_ptr++;
      lo = a;
      hi = Eval_integer();
    }
    if (lo < -DIM_LIMIT || lo > DIM_LIMIT || hi < lo || hi > lo + DIM_LIMIT) Rpt_error(41);
    int64_t n = hi - lo + 1;
    if (n > DIM_LIMIT || int64_t(d.count) * n > DIM_LIMIT) Rpt_error(41);
    d.size[d.dims] = int32_t(n);
    d.base[d.dims] = int32_t(lo);
    d.count *= uint32_t(n);
    d.dims++;
    if (*ws.Exec_ptr != code::COMMA) break;
    ws.Exec_ptr++;
  }
  if (*ws.Exec_ptr != code::RBRACKET) Rpt_error(20);
  ws.Exec_ptr++;
  return d;
}

void set_dims(Var_node* n, const Dims& d, void* storage) {
  for (int i = 0; i < 3; i++) {
    n->size[i] = d.size[i];
    n->base[i] = d.base[i];
  }
  n->dims = d.dims;
  n->elems = storage;
}

// A new string of len bytes, each `fill`.
Str_blk* filled_string(int32_t len, uint8_t fill) {
  if (len == 0) return nullptr;
  Str_blk* b = Get_str(size_t(len));
  if (!b) Rpt_error(33);
  std::memset(b->bytes(), fill, size_t(len));
  b->len = uint32_t(len);
  return b;
}

// The length clause of a string DIM: "(" length ["," fill] ")".
void dim_length(Var_node* n) {
  ws.Exec_ptr++;
  int32_t len = Eval_integer();
  if (len < 0 || len > ws.Max_strlen) Rpt_error(41);
  uint8_t fill = ' ';
  if (*ws.Exec_ptr == code::COMMA) {
    ws.Exec_ptr++;
    Eval_str();
    fill = ws.Str_len > 0 ? ws.Str_ptr[0] : uint8_t(prmblk.Plus_P);
  }
  if (*ws.Exec_ptr != code::RPAREN) Rpt_error(20);
  ws.Exec_ptr++;
  if (n->elems) {
    uint32_t count = Var_count(n);
    for (uint32_t i = 0; i < count; i++) {
      Str_blk** s = Str_elem(n, i);
      Str_blk* b = filled_string(len, fill);
      if (*s) Ret_str(*s);
      *s = b;
    }
    return;
  }
  Str_blk* b = filled_string(len, fill);
  if (n->str) Ret_str(n->str);
  n->str = b;
  n->flags = (n->flags & VF_LOCAL_TEMP) | VF_ASSIGNED;
}

}  // namespace

void Find_sub_err() { Rpt_error(42); }

uint32_t Find_sub(Var_node* node) {
  uint8_t close = *ws.Exec_ptr == code::LBRACKET ? code::RBRACKET : code::RPAREN;
  ws.Exec_ptr++;
  int32_t sub[3];
  int n = 0;
  for (;;) {
    Eval_formula();
    if (ws.Str_len >= 0) {  // a key: one subscript only
      if (n != 0 || *ws.Exec_ptr != close) Find_sub_err();
      uint32_t e = Find_Assoc(node);
      ws.Exec_ptr++;
      return e;
    }
    if (n == 3) Find_sub_err();
    sub[n++] = subscript(ws.Num_acc);
    if (*ws.Exec_ptr != code::COMMA) break;
    ws.Exec_ptr++;
  }
  if (*ws.Exec_ptr != close) Rpt_error(49);
  ws.Exec_ptr++;
  if (!node->elems) Find_sub_err();
  uint32_t e = 0;
  for (int d = 0; d < 3; d++) {
    int64_t i = d < n ? int64_t(sub[d]) - node->base[d] : 0;
    if (i < 0 || i >= node->size[d]) Find_sub_err();
    e = e * uint32_t(node->size[d]) + uint32_t(i);
  }
  return e;
}

uint32_t Find_Assoc(Var_node* node) {
  if (node->elems && !node->assoc) Find_sub_err();
  size_t esize = elem_size(node);
  if (!node->assoc) {
    HSH_table* t = HSH_Create();
    if (!t) Rpt_error(33);
    void* storage = Get_blk(esize * (t->mask + 1));
    if (!storage) {
      HSH_Delete(t);
      Rpt_error(33);
    }
    node->assoc = t;
    Dims d;
    d.size[0] = 0;
    d.base[0] = 1;
    d.dims = 1;
    set_dims(node, d, storage);
  }
  HSH_table* t = node->assoc;
  uint32_t v = HSH_GetKey(t, ws.Str_ptr, ws.Str_len);
  if (v) return v - 1;
  uint32_t n = uint32_t(node->size[0]) + 1;
  if (n > uint32_t(DIM_LIMIT)) Rpt_error(41);
  size_t cap = Blk_size(node->elems) / esize;
  if (n > cap) {
    size_t want = cap * 2 > size_t(t->mask) + 1 ? cap * 2 : size_t(t->mask) + 1;
    void* old = node->elems;
    void* moved = new_storage(want, esize);
    std::memcpy(moved, old, cap * esize);
    relocate_refs(old, cap * esize, moved);
    Ret_blk(old);
    node->elems = moved;
  }
  if (!HSH_AddKey(t, ws.Str_ptr, ws.Str_len, n)) Rpt_error(33);
  node->size[0] = int32_t(n);
  return n - 1;
}

// A range list "{" r ["," r ["," r]] "}", each r "a", "a:b" or "/" (the
// whole dimension).  Dimensions not named are held at their base.
void LetDefRange(Var_node* node, Let_range& r, bool define) {
  if (*ws.Exec_ptr != code::BLOCK_OPEN) Rpt_error(49);
  ws.Exec_ptr++;
  r = Let_range{};
  int dir = 0;  // 1 upwards, -1 downwards, 0 not known yet
  for (;;) {
    if (r.dims == 3) Find_sub_err();
    int d = r.dims;
    int32_t a, b;
    if (*ws.Exec_ptr == code::OP_DIV) {
      ws.Exec_ptr++;
      if (!node->elems || node->assoc) Find_sub_err();
      a = node->base[d];
      b = node->base[d] + node->size[d] - 1;
    } else {
      Eval_val();
      a = b = subscript(ws.Num_acc);
      if (*ws.Exec_ptr == code::LABEL_END) {
        ws.Exec_ptr++;
        Eval_val();
        b = subscript(ws.Num_acc);
      }
    }
    int this_dir = a < b ? 1 : (a > b ? -1 : 0);
    if (this_dir != 0) {
      if (dir != 0 && dir != this_dir) Find_sub_err();  // every range runs the same way
      dir = this_dir;
    }
    r.lo[d] = a < b ? a : b;
    r.hi[d] = a < b ? b : a;
    r.dims++;
    if (*ws.Exec_ptr != code::COMMA) break;
    ws.Exec_ptr++;
  }
  if (*ws.Exec_ptr != code::BLOCK_CLOSE) Rpt_error(49);
  ws.Exec_ptr++;
  r.down = dir < 0;
  if (!node->elems && define) {
    // A variable without storage is dimensioned by the range.
    Dims dm;
    dm.dims = r.dims;
    for (int d = 0; d < r.dims; d++) {
      int64_t n = int64_t(r.hi[d]) - r.lo[d] + 1;
      if (n > DIM_LIMIT || int64_t(dm.count) * n > DIM_LIMIT) Rpt_error(41);
      dm.size[d] = int32_t(n);
      dm.base[d] = r.lo[d];
      dm.count *= uint32_t(n);
    }
    void* storage = new_storage(dm.count, elem_size(node));
    Clr_array(node);
    set_dims(node, dm, storage);
  }
  if (!node->elems || node->assoc) Find_sub_err();
  r.count = 1;
  for (int d = 0; d < 3; d++) {
    if (d >= r.dims) r.lo[d] = r.hi[d] = node->base[d];
    if (r.lo[d] < node->base[d] || int64_t(r.hi[d]) >= int64_t(node->base[d]) + node->size[d]) Find_sub_err();
    r.count *= uint32_t(r.hi[d] - r.lo[d] + 1);
  }
}

uint32_t LetGetRange(const Let_range& r, const Var_node* node, uint32_t index, uint32_t count) {
  if (r.count != count || index >= count) Find_sub_err();
  if (r.down) index = count - 1 - index;
  int64_t sub[3];
  for (int d = 2; d >= 0; d--) {  // the last dimension varies fastest
    uint32_t n = uint32_t(r.hi[d] - r.lo[d] + 1);
    sub[d] = r.lo[d] + int64_t(index % n);
    index /= n;
  }
  uint32_t e = 0;
  for (int d = 0; d < 3; d++) e = e * uint32_t(node->size[d]) + uint32_t(sub[d] - node->base[d]);
  return e;
}

uint32_t Find_nxt(Var_node* node) {
  if (!ws.Iter_on || !node->elems || ws.Iter_index >= Var_count(node)) Find_sub_err();
  return ws.Iter_index;
}

uint32_t Def_sub(Var_node* node, size_t esize) {
  Dims d = parse_dims();
  void* storage = new_storage(d.count, esize);
  Clr_array(node);
  set_dims(node, d, storage);
  return d.count;
}

void Clr_array(Var_node* node) {
  if (node->elems) free_storage(node->elems, node->type, Var_count(node));
  if (node->assoc) HSH_Delete(node->assoc);
  node->elems = nullptr;
  node->assoc = nullptr;
  for (int i = 0; i < 3; i++) node->size[i] = node->base[i] = 0;
  node->dims = 0;
}

void Ret_temp_array(Var_node* node) {
  if (!node->elems) return;
  uint32_t strings = node->type == code::STR_VAR ? Var_count(node) : 0;
  if (!Hold_temp_array(node->elems, strings)) {
    Clr_array(node);
    return;
  }
  // The storage lives on until the end of the statement; pending ++/-- into
  // it stay valid and are applied to the dropped copy.
  node->elems = nullptr;
  Clr_array(node);
}

void Copy_Array(Var_node* target, Var_node* source) {
  if (target == source) return;
  if (target->type != source->type) Rpt_error(26);
  if (!source->elems) Find_sub_err();
  uint32_t count = Var_count(source);
  size_t esize = elem_size(source);
  size_t cap = Blk_size(source->elems) / esize;
  void* storage = new_storage(cap, esize);
  HSH_table* keys = nullptr;
  try {
    if (source->type == code::STR_VAR) {
      for (uint32_t i = 0; i < count; i++) {
        Str_blk* s = *Str_elem(source, i);
        if (!s || !s->len) continue;
        Str_blk* b = Get_str(s->len);
        if (!b) Rpt_error(33);
        std::memcpy(b->bytes(), s->bytes(), s->len);
        b->len = s->len;
        static_cast<Str_blk**>(storage)[i] = b;
      }
    } else {
      bool cut = (target->flags & VF_INTEGER) && !(source->flags & VF_INTEGER);
      for (uint32_t i = 0; i < count; i++) {
        Num_val v = *Num_elem(source, i);
        if (cut && v.scale > 0) Set_scl(v, 0, 0);
        static_cast<Num_val*>(storage)[i] = v;
      }
    }
    if (source->assoc) {
      keys = HSH_Create();
      if (!keys) Rpt_error(33);
      HSH_iter it;
      HSH_IndexInit(source->assoc, &it);
      while (HSH_entry* e = HSH_IndexNext(&it))
        if (!HSH_AddKey(keys, e->key(), int(e->key_len), e->value)) Rpt_error(33);
    }
  } catch (...) {
    free_storage(storage, source->type, count);
    if (keys) HSH_Delete(keys);
    throw;
  }
  Clr_array(target);
  Dims d;
  for (int i = 0; i < 3; i++) {
    d.size[i] = source->size[i];
    d.base[i] = source->base[i];
  }
  d.dims = source->dims;
  set_dims(target, d, storage);
  target->assoc = keys;
  target->flags |= VF_ASSIGNED;
}

// ---- DIM, LOCAL DIM, REDIM ----

void Do_dim(int local) {
  for (;;) {
    uint8_t c = *ws.Exec_ptr;
    if (c != code::NUM_VAR && c != code::STR_VAR) Rpt_error(20);
    Var_node* n = Find_var();
    Check_assignable(n);
    if (c == code::STR_VAR && *ws.Exec_ptr == code::LABEL_END) {  // R$: record layout
      ws.Exec_ptr++;
      if (local) Localize_var(n);
      Def_record(n);
      if (*ws.Exec_ptr != code::COMMA) return;
      ws.Exec_ptr++;
      continue;
    }
    if (local) Localize_array(n);
    if (c == code::NUM_VAR) {
      if (*ws.Exec_ptr == code::LBRACKET)
        Def_sub(n, sizeof(Num_val));
      else
        Clr_array(n);
    } else {
      bool array = *ws.Exec_ptr == code::LBRACKET;
      if (array) Def_sub(n, sizeof(Str_blk*));
      if (*ws.Exec_ptr == code::LPAREN)
        dim_length(n);
      else if (!array)
        Clr_array(n);
    }
    n->flags |= VF_ASSIGNED;
    if (*ws.Exec_ptr != code::COMMA) return;
    ws.Exec_ptr++;
  }
}

void d_dim() { Do_dim(0); }

// REDIM A[dims] {, B$[dims]}: each element whose subscripts lie inside both
// the old and the new bounds keeps its value; the rest are dropped.
void d_rdim() {
  for (;;) {
    uint8_t c = *ws.Exec_ptr;
    if (c != code::NUM_VAR && c != code::STR_VAR) Rpt_error(20);
    Var_node* n = Find_var();
    if (!n->elems || n->assoc) Find_sub_err();
    Check_assignable(n);
    Dims d = parse_dims();
    if (!n->elems || n->assoc) Find_sub_err();  // the bounds may have changed it
    size_t esize = elem_size(n);
    void* storage = new_storage(d.count, esize);
    auto* src = static_cast<uint8_t*>(n->elems);
    auto* dst = static_cast<uint8_t*>(storage);
    uint32_t e = 0;
    for (int32_t i = 0; i < n->size[0]; i++)
      for (int32_t j = 0; j < n->size[1]; j++)
        for (int32_t k = 0; k < n->size[2]; k++, e++) {
          int64_t s[3] = {int64_t(n->base[0]) + i, int64_t(n->base[1]) + j, int64_t(n->base[2]) + k};
          int64_t to = 0;
          bool inside = true;
          for (int x = 0; x < 3 && inside; x++) {
            int64_t r = s[x] - d.base[x];
            inside = r >= 0 && r < d.size[x];
            to = to * d.size[x] + r;
          }
          if (!inside) continue;
          std::memcpy(dst + size_t(to) * esize, src + size_t(e) * esize, esize);
          if (n->type == code::STR_VAR) *Str_elem(n, e) = nullptr;  // moved, not copied
        }
    uint32_t old_count = Var_count(n);
    void* old = n->elems;
    n->elems = nullptr;
    free_storage(old, n->type, old_count);
    set_dims(n, d, storage);
    n->flags |= VF_ASSIGNED;
    if (*ws.Exec_ptr != code::COMMA) return;
    ws.Exec_ptr++;
  }
}
