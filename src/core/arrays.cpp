// Arrays: dimensioning (DIM, REDIM), element addressing, associative arrays,
// the release of element storage and the array forms of DIM( (bounds,
// searches, sum).
//
// Element storage is one Mem_blk: a Num_val per element for a numeric array,
// a Str_blk* per element (null: empty) for a string array, in row-major
// order (see Var_node).  Whoever frees or moves a storage block also fixes
// the pending ++/-- entries that point into it, so a queued increment never
// writes into freed memory.
#include <algorithm>
#include <cstring>
#include <string>

#include "core/codes.h"
#include "core/directives.h"
#include "core/errors.h"
#include "core/evaluator.h"
#include "core/array_search.h"
#include "core/hash_table.h"
#include "core/line_store.h"
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
  if (!p) Rpt_error(err::OUT_OF_MEMORY);
  return p;
}

// A subscript: truncated to an integer (1E1 is 10); outside 32 bits it
// cannot address anything.
int32_t subscript(Num_val v) {
  if (v.scale != 0) Set_scl(v, 0, 0);
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
  if (*ws.Exec_ptr != code::LBRACKET) Rpt_error(err::SYNTAX);
  ws.Exec_ptr++;
  Dims d;
  for (;;) {
    if (d.dims == 3) Rpt_error(err::OUT_OF_RANGE);
    int32_t a = Eval_integer();
    int64_t lo = 0, hi = a;
    if (*ws.Exec_ptr == code::LABEL_END) {
      ws.Exec_ptr++;
      lo = a;
      hi = Eval_integer();
    }
    if (lo < -DIM_LIMIT || lo > DIM_LIMIT || hi < lo || hi > lo + DIM_LIMIT) Rpt_error(err::OUT_OF_RANGE);
    int64_t n = hi - lo + 1;
    if (n > DIM_LIMIT || int64_t(d.count) * n > DIM_LIMIT) Rpt_error(err::OUT_OF_RANGE);
    d.size[d.dims] = int32_t(n);
    d.base[d.dims] = int32_t(lo);
    d.count *= uint32_t(n);
    d.dims++;
    if (*ws.Exec_ptr != code::COMMA) break;
    ws.Exec_ptr++;
  }
  if (*ws.Exec_ptr != code::RBRACKET) Rpt_error(err::SYNTAX);
  ws.Exec_ptr++;
  return d;
}

void set_dims(Var_node* n, const Dims& d, void* storage) {
  Var_shape_changed();
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
  if (!b) Rpt_error(err::OUT_OF_MEMORY);
  std::memset(b->bytes(), fill, size_t(len));
  b->len = uint32_t(len);
  return b;
}

// The length clause of a string DIM: "(" length ["," fill] ")".
void dim_length(Var_node* n) {
  ws.Exec_ptr++;
  int32_t len = Eval_integer();
  if (len < 0 || len > ws.Max_strlen) Rpt_error(err::OUT_OF_RANGE);
  uint8_t fill = ' ';
  if (*ws.Exec_ptr == code::COMMA) {
    ws.Exec_ptr++;
    Eval_str();
    fill = ws.Str_len > 0 ? ws.Str_ptr[0] : uint8_t(prmblk.Plus_P);
  }
  if (*ws.Exec_ptr != code::RPAREN) Rpt_error(err::SYNTAX);
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

void Find_sub_err() { Rpt_error(err::BAD_SUBSCRIPT); }

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
  if (*ws.Exec_ptr != close) Rpt_error(err::INTERNAL_CODE);
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
    if (!t) Rpt_error(err::OUT_OF_MEMORY);
    void* storage = Get_blk(esize * (t->mask + 1));
    if (!storage) {
      HSH_Delete(t);
      Rpt_error(err::OUT_OF_MEMORY);
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
  if (n > uint32_t(DIM_LIMIT)) Rpt_error(err::OUT_OF_RANGE);
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
  if (!HSH_AddKey(t, ws.Str_ptr, ws.Str_len, n)) Rpt_error(err::OUT_OF_MEMORY);
  node->size[0] = int32_t(n);
  return n - 1;
}

// A range list "{" r ["," r ["," r]] "}", each r "a", "a:b" or "/" (the
// whole dimension).  Dimensions not named are held at their base.
void LetDefRange(Var_node* node, Let_range& r, bool define) {
  if (*ws.Exec_ptr != code::BLOCK_OPEN) Rpt_error(err::INTERNAL_CODE);
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
  if (*ws.Exec_ptr != code::BLOCK_CLOSE) Rpt_error(err::INTERNAL_CODE);
  ws.Exec_ptr++;
  r.down = dir < 0;
  if (!node->elems && define) {
    // A variable without storage is dimensioned by the range.
    Dims dm;
    dm.dims = r.dims;
    for (int d = 0; d < r.dims; d++) {
      int64_t n = int64_t(r.hi[d]) - r.lo[d] + 1;
      if (n > DIM_LIMIT || int64_t(dm.count) * n > DIM_LIMIT) Rpt_error(err::OUT_OF_RANGE);
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

void Dim_vector(Var_node* node, int32_t first, int32_t count) {
  if (count < 1 || count > DIM_LIMIT) Rpt_error(err::OUT_OF_RANGE);
  Dims d;
  d.size[0] = count;
  d.base[0] = first;
  d.count = uint32_t(count);
  d.dims = 1;
  void* storage = new_storage(d.count, elem_size(node));
  std::memset(storage, 0, d.count * elem_size(node));
  Clr_array(node);
  set_dims(node, d, storage);
}

void Dim_like(Var_node* node, const int32_t base[3], const int32_t size[3], uint8_t dims) {
  Dims d;
  d.dims = dims;
  uint64_t count = 1;
  for (int i = 0; i < 3; i++) {
    if (size[i] < 1 || size[i] > DIM_LIMIT) Rpt_error(err::OUT_OF_RANGE);
    d.size[i] = size[i];
    d.base[i] = base[i];
    count *= uint64_t(size[i]);
  }
  if (count > uint64_t(DIM_LIMIT)) Rpt_error(err::OUT_OF_RANGE);
  d.count = uint32_t(count);
  void* storage = new_storage(d.count, elem_size(node));
  std::memset(storage, 0, d.count * elem_size(node));
  Clr_array(node);
  set_dims(node, d, storage);
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
  if (target->type != source->type) Rpt_error(err::TYPE_MISMATCH);
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
        if (!b) Rpt_error(err::OUT_OF_MEMORY);
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
      if (!keys) Rpt_error(err::OUT_OF_MEMORY);
      HSH_iter it;
      HSH_IndexInit(source->assoc, &it);
      while (HSH_entry* e = HSH_IndexNext(&it))
        if (!HSH_AddKey(keys, e->key(), int(e->key_len), e->value)) Rpt_error(err::OUT_OF_MEMORY);
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
    if (c != code::NUM_VAR && c != code::STR_VAR) Rpt_error(err::SYNTAX);
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
    if (c != code::NUM_VAR && c != code::STR_VAR) Rpt_error(err::SYNTAX);
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

// ---- DIM( over arrays: bounds, searches, sum ----

namespace {

constexpr uint8_t SEL_COUNT = 0x6C;  // NUM(
constexpr uint8_t SEL_UPPER = 0x7B;  // MAX(
constexpr uint8_t SEL_LOWER = 0x7C;  // MIN(

// The array reference of a DIM( form: its name and an optional [ALL].
Var_node* array_name() {
  uint8_t c = *ws.Exec_ptr;
  if (c != code::NUM_VAR && c != code::STR_VAR) Rpt_error(err::SYNTAX);
  Var_node* n = Find_var();
  if (*ws.Exec_ptr == code::WHOLE_ARRAY) ws.Exec_ptr++;
  return n;
}

// The elements a search visits: per dimension lo..hi (subscripts), clipped
// to the array's bounds.  Dimensions the range list does not name are taken
// whole.
struct Search_box {
  int64_t lo[3], hi[3];
};

Search_box whole_box(const Var_node* n) {
  Search_box b;
  for (int d = 0; d < 3; d++) {
    b.lo[d] = n->base[d];
    b.hi[d] = int64_t(n->base[d]) + n->size[d] - 1;
  }
  return b;
}

// A range list "{" r {"," r} "}", r "a", "a:b" or "/" (the whole
// dimension); the ends may be given in either order.
Search_box range_box(const Var_node* n) {
  ws.Exec_ptr++;  // "{"
  Search_box b = whole_box(n);
  for (int d = 0;; d++) {
    if (d == 3) Find_sub_err();
    if (*ws.Exec_ptr == code::OP_DIV) {
      ws.Exec_ptr++;
    } else {
      Eval_val();
      int64_t a = subscript(ws.Num_acc), z = a;
      if (*ws.Exec_ptr == code::LABEL_END) {
        ws.Exec_ptr++;
        Eval_val();
        z = subscript(ws.Num_acc);
      }
      if (a > z) std::swap(a, z);
      b.lo[d] = std::max(a, b.lo[d]);
      b.hi[d] = std::min(z, b.hi[d]);
    }
    if (*ws.Exec_ptr != code::COMMA) break;
    ws.Exec_ptr++;
  }
  if (*ws.Exec_ptr != code::BLOCK_CLOSE) Rpt_error(err::INTERNAL_CODE);
  ws.Exec_ptr++;
  return b;
}

Search_box array_box(const Var_node* n) {
  if (*ws.Exec_ptr == code::WHOLE_ARRAY) {
    ws.Exec_ptr++;
    return whole_box(n);
  }
  if (*ws.Exec_ptr == code::BLOCK_OPEN) return range_box(n);
  return whole_box(n);
}

// Calls visit(element number) for each element of the box in row order
// (the last subscript fastest), or in reverse, until visit returns false.
template <class F>
void visit_box(const Var_node* n, const Search_box& b, bool reverse, F visit) {
  for (int d = 0; d < 3; d++)
    if (b.lo[d] > b.hi[d]) return;
  int64_t cnt[3], sub[3];
  uint64_t total = 1;
  for (int d = 0; d < 3; d++) {
    cnt[d] = b.hi[d] - b.lo[d] + 1;
    total *= uint64_t(cnt[d]);
  }
  for (uint64_t k = 0; k < total; k++) {
    uint64_t at = reverse ? total - 1 - k : k;
    for (int d = 2; d >= 0; d--) {
      sub[d] = b.lo[d] + int64_t(at % uint64_t(cnt[d]));
      at /= uint64_t(cnt[d]);
    }
    int64_t e = ((sub[0] - n->base[0]) * n->size[1] + (sub[1] - n->base[1])) * n->size[2] + (sub[2] - n->base[2]);
    if (!visit(uint32_t(e))) return;
  }
}

// An element against a value: -1, 0, 1.  Strings compare byte by byte and
// then by length; an element never assigned is the empty string.
int cmp_num(const Num_val& elem, const Num_val& value) {
  ws.Num_acc2 = elem;
  ws.Num_acc = value;
  return Cmp_val();
}
int cmp_bytes(const uint8_t* a, size_t al, const uint8_t* b, size_t bl) {
  size_t n = std::min(al, bl);
  int c = n ? std::memcmp(a, b, n) : 0;
  if (c != 0) return c < 0 ? -1 : 1;
  return al < bl ? -1 : (al > bl ? 1 : 0);
}
int cmp_str(const Str_blk* elem, const std::string& value) {
  return cmp_bytes(elem ? elem->bytes() : nullptr, elem ? elem->len : 0,
                   reinterpret_cast<const uint8_t*>(value.data()), value.size());
}
int cmp_elems(Var_node* n, uint32_t a, uint32_t b) {
  if (n->type == code::STR_VAR) {
    const Str_blk* x = *Str_elem(n, a);
    const Str_blk* y = *Str_elem(n, b);
    return cmp_bytes(x ? x->bytes() : nullptr, x ? x->len : 0, y ? y->bytes() : nullptr, y ? y->len : 0);
  }
  return cmp_num(*Num_elem(n, a), *Num_elem(n, b));
}

bool relation_holds(uint8_t op, int c) {
  switch (op) {
    case code::OP_EQ: return c == 0;
    case code::OP_NE: return c != 0;
    case code::OP_LE: return c <= 0;
    case code::OP_GE: return c >= 0;
    case code::OP_GT: return c > 0;
    case code::OP_LT: return c < 0;
    default: Rpt_error(err::INTERNAL_CODE);
  }
}

// No element found: error 11, through the END= line when one was given.
[[noreturn]] void not_found(uint32_t end_line) {
  if (end_line) {
    ws.Err_line = end_line;
    ws.Stmt_save = nullptr;
  }
  Rpt_error(err::MISSING_RECORD);
}

}  // namespace

void Dim_bounds() {
  ws.Exec_ptr++;  // READ
  uint8_t sel = *ws.Exec_ptr++;
  Var_node* n = array_name();
  int d = 1;
  if (*ws.Exec_ptr == code::COMMA) {
    ws.Exec_ptr++;
    d = Eval_range(1, 3);
  }
  int i = d - 1;
  bool empty = !n->elems || d > n->dims || n->size[i] == 0;
  int64_t v;
  if (sel == SEL_COUNT)
    v = empty ? 0 : n->size[i];
  else if (sel == SEL_UPPER)
    v = empty ? -1 : int64_t(n->base[i]) + n->size[i] - 1;
  else
    v = empty ? 0 : n->base[i];
  ws.Num_acc = Num_val{};
  ws.Num_acc.mant = v;
  ws.Str_len = -1;
}

void Dim_find() {
  ws.Exec_ptr++;  // FIND
  int extreme = 0;  // 1 the largest element, -1 the smallest
  if (*ws.Exec_ptr == SEL_UPPER || *ws.Exec_ptr == SEL_LOWER) {
    extreme = *ws.Exec_ptr == SEL_UPPER ? 1 : -1;
    ws.Exec_ptr++;
  }
  uint8_t c = *ws.Exec_ptr;
  if (c != code::NUM_VAR && c != code::STR_VAR) Rpt_error(err::SYNTAX);
  Var_node* n = Find_var();
  if (!n->elems) {
    // Without storage a range list cannot be laid out: error 42 before it.
    Find_sub_err();
  }
  Search_box box = array_box(n);
  uint8_t op = 0;
  Num_val num{};
  std::string str;
  if (!extreme) {
    op = *ws.Exec_ptr++;
    if (op < code::OP_EQ || op > code::OP_LT) Rpt_error(err::INTERNAL_CODE);
    Eval_formula();
    bool is_str = ws.Str_len >= 0;
    if (is_str != (n->type == code::STR_VAR)) Rpt_error(err::TYPE_MISMATCH);
    if (is_str)
      str.assign(reinterpret_cast<const char*>(ws.Str_ptr), size_t(ws.Str_len));
    else
      num = ws.Num_acc;
  }
  int32_t occ = 1;
  if (!extreme && *ws.Exec_ptr == code::COMMA) {
    ws.Exec_ptr++;
    occ = Eval_integer();
  }
  uint32_t end_line = 0;
  if (*ws.Exec_ptr == code::IOPT_FIRST + 3) {  // END=
    ws.Exec_ptr++;
    end_line = Get_line();
  }
  if (!n->elems) Find_sub_err();  // the value's evaluation may have freed it
  Num_val saved_acc2 = ws.Num_acc2;
  int64_t found = -1;
  if (extreme) {
    visit_box(n, box, false, [&](uint32_t e) {
      if (found < 0 || cmp_elems(n, e, uint32_t(found)) == extreme) found = e;
      return true;
    });
  } else {
    int64_t want = occ < 0 ? -int64_t(occ) : occ;
    int64_t hits = 0;
    bool is_str = n->type == code::STR_VAR;
    visit_box(n, box, occ < 0, [&](uint32_t e) {
      int r = is_str ? cmp_str(*Str_elem(n, e), str) : cmp_num(*Num_elem(n, e), num);
      if (!relation_holds(op, r)) return true;
      ++hits;
      if (want != 0 && hits == want) {
        found = e;
        return false;
      }
      return true;
    });
    if (want == 0) found = hits;
  }
  ws.Num_acc2 = saved_acc2;
  if (found < 0) not_found(end_line);
  ws.Num_acc = Num_val{};
  ws.Num_acc.mant = found;
  ws.Str_len = -1;
}

void Dim_assoc() {
  if (ws.Exec_ptr[1] != code::P2_ASSOC) Rpt_error(err::INTERNAL_CODE);
  ws.Exec_ptr += 2;
  Var_node* n = array_name();
  if (*ws.Exec_ptr != code::COMMA) Rpt_error(err::SYNTAX);
  ws.Exec_ptr++;
  Eval_str();
  uint32_t e = n->assoc ? HSH_GetKey(n->assoc, ws.Str_ptr, ws.Str_len) : 0;
  ws.Num_acc = Num_val{};
  ws.Num_acc.mant = e;
  ws.Str_len = -1;
}

void Dim_sum() {
  if (ws.Exec_ptr[1] != 150) Rpt_error(err::INTERNAL_CODE);  // the ADD prefix and code
  ws.Exec_ptr += 2;
  Var_node* n = array_name();
  if (n->type != code::NUM_VAR) Rpt_error(err::TYPE_MISMATCH);
  if (!n->elems) Find_sub_err();
  Num_val saved_acc2 = ws.Num_acc2;
  Num_val sum{};
  uint32_t count = Var_count(n);
  for (uint32_t e = 0; e < count; e++) {
    ws.Num_acc2 = sum;
    ws.Num_acc = *Num_elem(n, e);
    Add_val();
    sum = ws.Num_acc;
  }
  ws.Num_acc2 = saved_acc2;
  ws.Num_acc = sum;
  ws.Str_len = -1;
}
