// Variable name trees and lookup.
//
// Each tree is an unbalanced binary search tree ordered by a case-blind name
// comparison.  Names normally arrive upper-cased from the compiler (unless
// system parameter MC is set), so the comparison rarely sees mixed case; it
// is still case-blind so that A and a are one variable in every mode.  A
// search path that grows past twice the depth of a balanced tree of the same
// size triggers a rebuild into a balanced tree; compiled references cache
// their node in ws.Var_index, so the trees are searched once per reference
// and program load.
#include "core/hooks.h"
#include "core/variables.h"

#include <cstring>
#include <new>
#include <vector>

#include "core/codes.h"
#include "core/control_stack.h"
#include "core/errors.h"
#include "core/evaluator.h"
#include "core/line_store.h"
#include "core/memory.h"
#include "core/workspace.h"

namespace {

inline uint8_t fold(uint8_t c) { return (c >= 'a' && c <= 'z') ? uint8_t(c - 32) : c; }

}  // namespace

Var_node* (*Var_lookup_hook)(uint8_t type, const uint8_t* name, int len) = nullptr;
bool Var_bind_refused = false;
bool Var_bind_shadow = false;
Var_bind_note* Var_bind_noting = nullptr;
void (*Var_clear_hook)() = nullptr;
void (*Clear_object_hook)() = nullptr;
void (*Var_created_hook)(Var_node* n) = nullptr;

int Var_name_cmp(const uint8_t* a, int alen, const char* b, int blen) {
  int n = alen < blen ? alen : blen;
  for (int i = 0; i < n; i++) {
    uint8_t x = fold(a[i]), y = fold(uint8_t(b[i]));
    if (x != y) return x < y ? -1 : 1;
  }
  return alen - blen;
}

namespace {
inline int name_cmp(const uint8_t* a, int alen, const char* b, int blen) { return Var_name_cmp(a, alen, b, blen); }

Var_node** tree_of(uint8_t type, const uint8_t* name, int len) {
  bool global = len > 0 && name[0] == '%';
  if (type == code::STR_VAR) return global ? &ws.Glo_str_tree : &ws.Loc_str_tree;
  return global ? &ws.Glo_num_tree : &ws.Loc_num_tree;
}

void collect(Var_node* n, std::vector<Var_node*>& out) {
  while (n) {
    collect(n->left, out);
    out.push_back(n);
    n = n->right;
  }
}

Var_node* build(std::vector<Var_node*>& v, size_t lo, size_t hi) {
  if (lo >= hi) return nullptr;
  size_t mid = lo + (hi - lo) / 2;
  Var_node* n = v[mid];
  n->left = build(v, lo, mid);
  n->right = build(v, mid + 1, hi);
  return n;
}

size_t tree_size(Var_node* n) {
  size_t c = 0;
  while (n) {
    c += 1 + tree_size(n->left);
    n = n->right;
  }
  return c;
}

void rebuild(Var_node** root) {
  Var_shape_changed();
  std::vector<Var_node*> v;
  collect(*root, v);
  *root = build(v, 0, v.size());
}

void free_node(Var_node* n) {
  Var_shape_changed();
  for (Loc_frame* f = n->frames; f; f = f->prev) f->node = nullptr;
  Clr_array(n);
  if (n->str) Ret_str(n->str);
  if (n->rec_list) Ret_blk(n->rec_list);
  n->~Var_node();
  Ret_blk(n);
}

void forget_index() {
  if (ws.Var_index)
    for (uint32_t i = 0; i < ws.Var_index_cnt; i++) ws.Var_index[i] = nullptr;
}

}  // namespace

Var_node* Var_tree_find(Var_node* n, const uint8_t* name, int len) {
  while (n) {
    int c = name_cmp(name, len, n->name, n->name_len);
    if (c == 0) return n;
    n = c < 0 ? n->left : n->right;
  }
  return nullptr;
}

Var_node* Var_tree_build(Var_node** nodes, size_t count) {
  Var_shape_changed();
  std::vector<Var_node*> v(nodes, nodes + count);
  return build(v, 0, v.size());
}

Var_node* Var_node_new(uint8_t type, const uint8_t* name, int len) {
  if (len < 1 || len > VAR_NAME_MAX) Rpt_error(err::INTERNAL_CODE);
  // Every field but the name has an initialiser; the name is copied and
  // ended below: the block needs no clearing first.
  void* b = Get_blk_nc(sizeof(Var_node));
  if (!b) Rpt_error(err::OUT_OF_MEMORY);
  Var_shape_changed();
  Var_node* n = new (b) Var_node;
  n->type = type;
  n->name_len = uint16_t(len);
  std::memcpy(n->name, name, size_t(len));
  n->name[len] = 0;
  if (type == code::NUM_VAR && name[len - 1] == '%') n->flags |= VF_INTEGER;
  return n;
}

Var_node* With_reader() {
  static Var_node node = [] {
    Var_node n;
    n.type = code::NUM_VAR;
    n.flags = VF_READ_ONLY | VF_WITH;
    n.name_len = 1;
    n.name[0] = '.';
    n.name[1] = 0;
    return n;
  }();
  node.num = Num_val{ws.With_ctx, 0, 0};
  return &node;
}

Var_node* Look_var_name(uint8_t type, const uint8_t* name, int len) {
  if (Var_lookup_hook)
    if (Var_node* h = Var_lookup_hook(type, name, len)) return h;
  if (Is_with_reader(type, name, len)) return With_reader();
  Var_node* n = *tree_of(type, name, len);
  while (n) {
    int c = name_cmp(name, len, n->name, n->name_len);
    if (c == 0) return n;
    n = c < 0 ? n->left : n->right;
  }
  return nullptr;
}

Var_node* Find_var_name(uint8_t type, const uint8_t* name, int len) {
  if (len < 1 || len > VAR_NAME_MAX) Rpt_error(err::INTERNAL_CODE);
  if (Var_lookup_hook)
    if (Var_node* h = Var_lookup_hook(type, name, len)) return h;
  if (Is_with_reader(type, name, len)) return With_reader();
  Var_node** root = tree_of(type, name, len);
  Var_node** link = root;
  int depth = 0;
  while (*link) {
    int c = name_cmp(name, len, (*link)->name, (*link)->name_len);
    if (c == 0) return *link;
    link = c < 0 ? &(*link)->left : &(*link)->right;
    depth++;
  }
  Var_node* n = Var_node_new(type, name, len);
  if (Var_created_hook) Var_created_hook(n);
  *link = n;
  // A path deeper than 32 can only come from a lopsided tree (names added in
  // order); rebuild when it is also deeper than twice a balanced tree's.
  if (depth > 32) {
    size_t count = tree_size(*root);
    int balanced = 0;
    while ((size_t(1) << balanced) <= count) balanced++;
    if (depth > 2 * balanced) rebuild(root);
  }
  return n;
}

Var_node* Find_var() {
  uint8_t* p = ws.Exec_ptr;
  uint8_t type = p[0];
  Var_node* node;
  if (p[1] & 0x80) {
    uint32_t idx = (uint32_t(p[1] & 0x7F) << 8) | p[2];
    ws.Exec_ptr = p + 3;
    node = idx < ws.Var_index_cnt ? ws.Var_index[idx] : nullptr;
    if (!node) {
      if (idx >= ws.Name_cnt || !ws.Name_index || !ws.Name_pool) Rpt_error(err::INTERNAL_CODE);
      const uint8_t* nm = Var_name_entry(idx);
      Var_bind_refused = Var_bind_shadow = false;
      node = Find_var_name(type, nm + 1, nm[0]);
      if (Var_bind_shadow) node->flags |= VF_SHADOW;
      if (idx < ws.Var_index_cnt && !(node->flags & VF_WITH) && !Var_bind_refused) {
        ws.Var_index[idx] = node;
        Var_note_bind(ws.Var_index, idx);
      }
    }
    if (node->type != type) Rpt_error(err::INTERNAL_CODE);
  } else {
    int len = p[1];
    node = Find_var_name(type, p + 2, len);
    ws.Exec_ptr = p + 2 + len;
  }
  ws.Cur_var = node;
  if (node->read_mask & ~ws.Var_mask) Rpt_error(err::NOT_ACCESSIBLE);
  return node;
}

void Check_assignable(const Var_node* node) {
  if (!node) Rpt_error(err::SYNTAX);  // a value (a literal, a function) where a variable must stand
  if ((node->flags & VF_READ_ONLY) || (node->write_mask & ~ws.Var_mask)) Rpt_error(err::NOT_ACCESSIBLE);
}

void Clr_tree(Var_node* root) {
  // Without recursion or a stack (a lopsided tree may be deep): a node with
  // a left child is rotated right until the top has none, then freed.
  while (root) {
    if (Var_node* l = root->left) {
      root->left = l->right;
      l->right = root;
      root = l;
    } else {
      Var_node* r = root->right;
      free_node(root);
      root = r;
    }
  }
}

void Clr_var() {
  if (ws.Incdec_cnt) Do_incrdecr();
  Core_hook.clear_arg_vars();  // the callee's variables bound to arguments go with the trees
  ws.Pgm_flags |= PGM_VARS_CLEARED;
  Delocalize_all();
  Ctl_forget_locals();
  Clr_tree(ws.Loc_num_tree);
  Clr_tree(ws.Loc_str_tree);
  ws.Loc_num_tree = ws.Loc_str_tree = nullptr;
  forget_index();
  ws.Cur_var = nullptr;
  ws.Cur_val = nullptr;
  ws.Cur_elem = -1;
  if (Var_clear_hook) Var_clear_hook();
}

void Clr_glo_var() {
  if (ws.Incdec_cnt) Do_incrdecr();
  Clr_tree(ws.Glo_num_tree);
  Clr_tree(ws.Glo_str_tree);
  ws.Glo_num_tree = ws.Glo_str_tree = nullptr;
  forget_index();
  ws.Cur_var = nullptr;
  ws.Cur_val = nullptr;
  ws.Cur_elem = -1;
}
