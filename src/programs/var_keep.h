// The keep of a returning program's variables for its next call (the
// bodies of Prog_keep_vars and Prog_keep_plain_vars), in line where a
// return runs them.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "core/control_stack.h"
#include "core/memory.h"
#include "core/variables.h"
#include "core/workspace.h"
#include "programs/arguments.h"
#include "programs/objects.h"
#include "programs/oop_keep.h"
#include "programs/program_list.h"
#include "programs/var_data.h"

namespace var_keep {

// Each node back to the state of a new one (its name, type and links
// kept).  False when a node is localised (a frame refers to it): the nodes
// are then freed as usual, after LOCAL's saved values came back, so the
// ones cleared already lose nothing.
bool clear_tree(Var_node* n);  // (programs/program_list.cpp)

// Whether n is the usual node (no left branch, no frame, no storage: a
// string passed by reference has gone back; not an integer).
[[gnu::always_inline]] inline bool usual_node(const Var_node* n) {
  return !(reinterpret_cast<uintptr_t>(n->frames) | reinterpret_cast<uintptr_t>(n->left) |
           reinterpret_cast<uintptr_t>(n->elems) | reinterpret_cast<uintptr_t>(n->assoc) | n->dims |
           reinterpret_cast<uintptr_t>(n->str) | reinterpret_cast<uintptr_t>(n->rec_list) |
           (n->flags & VF_INTEGER));
}

// A binding's string (null for a number) and flags with both access masks
// (as one word: flags low, masks high) into a cleared node n.
static_assert(std::endian::native == std::endian::little, "the flags are the word's low half");
[[gnu::always_inline]] inline void set_bound_piece(Var_node* n, Str_blk* str, uint64_t flags_masks) {
  n->str = str;
  std::memcpy(&n->flags, &flags_masks, sizeof flags_masks);
}

// A node known to be usual (no test) emptied as usual_clear empties it:
// the value and the flags with both access masks.
[[gnu::always_inline]] inline void clear_known(Var_node* n) {
  static_assert(sizeof(Num_val) == 16, "the value fills its 16 bytes");
  static_assert(offsetof(Var_node, read_mask) == offsetof(Var_node, flags) + 4 &&
                    offsetof(Var_node, write_mask) == offsetof(Var_node, flags) + 6,
                "the flags and the masks side by side");
  static constexpr uint8_t zeros[16] = {};
  std::memcpy(static_cast<void*>(&n->num), zeros, 16);
  std::memcpy(static_cast<void*>(&n->flags), zeros, 8);
}

// The usual nodes of the chain from n emptied (clear_known), up to the
// first node that is not usual: that node (left as it is), or null at the
// chain's end.  count, when given, counts the nodes emptied.
[[gnu::always_inline]] inline Var_node* clear_usual_run(Var_node* n, uint32_t* count = nullptr) {
  for (; n; n = n->right) {
    if (!usual_node(n)) [[unlikely]]
      return n;
    clear_known(n);
    if (count) ++*count;
  }
  return nullptr;
}

// Every node of the chain from n emptied: the usual ones by
// clear_usual_run, the others the long way.
[[gnu::always_inline]] inline bool clear_chain(Var_node* n) {
  while ((n = clear_usual_run(n))) {
    if (n->frames) return false;
    if (n->left && !clear_tree(n->left)) return false;
    if (n->elems || n->assoc || n->dims) Clr_array(n);
    if (n->str) {
      Ret_str(n->str);
      n->str = nullptr;
    }
    if (n->rec_list) {
      Ret_blk(n->rec_list);
      n->rec_list = nullptr;
    }
    n->num = Num_val{};
    n->read_mask = n->write_mask = 0;
    // Only a "%" name is an integer of its own (a reference may have lent
    // the flag).
    n->flags = (n->flags & VF_INTEGER) && n->type == code::NUM_VAR && n->name[n->name_len - 1] == '%'
                   ? uint32_t(VF_INTEGER)
                   : 0u;
    n = n->right;
  }
  return true;
}

// clear_chain's way while the nodes are usual, counting them into *count:
// false at the first node that is not (left as it is, for clear_chain's
// walk; the nodes before it are cleared).
[[gnu::always_inline]] inline bool clear_usual_chain(Var_node* n, uint32_t* count) {
  return !clear_usual_run(n, count);
}

// Whether the program names any global variable ("%" names): learnt once
// for the record (programs/program_list.cpp).
void learn_global_names(Prog_obj* rec);
// The table's slots of global variables cleared: they are not the
// program's and are looked up again.
void forget_global_slots();

// The running program's variable tables handed to its record for the next
// call (tag and epoch: the method they were kept for, or none).  (A
// method's keep has found no data set loaded: Var_clear_hook, which drops
// the data sets of the call level, would find nothing to do; nor would it
// with none loaded at all, which is the usual case, asked in line.)
[[gnu::always_inline]] inline bool hand_over_vars(Prog_obj* rec, const void* tag, uint32_t epoch) {
  rec->spare_tag = tag;
  rec->spare_epoch = epoch;
  rec->spare_num = ws.Loc_num_tree;
  rec->spare_str = ws.Loc_str_tree;
  rec->spare_index = ws.Var_index;
  ws.Loc_num_tree = ws.Loc_str_tree = nullptr;
  ws.Var_index = nullptr;
  ws.Cur_var = nullptr;
  ws.Cur_val = nullptr;
  ws.Cur_elem = -1;
  if (!tag && LoadData_any() && Var_clear_hook) Var_clear_hook();
  return true;
}

[[gnu::always_inline]] inline bool keep_vars() {
  Prog_obj* rec = ws.Pgm_cache_ent;
  if (!rec || !ws.Pgm_image || rec->spare_index || rec->parked || !ws.Var_index || ws.Var_index_cnt != rec->var_cnt)
    return false;
  // Variables found through the object layer or loaded data sets are not
  // the program's own: their slots must not be kept.
  if (ws.Incdec_cnt || ws.Loc_chain) return false;
  // While objects live only a method's own frame keeps (and the object
  // layer settles which of its slots stay bound).
  Method_keep method;
  if (Var_lookup_hook && !Oop_method_keep(rec, &method)) return false;
  if (ws.Arg_list) Clr_arg_var();
  ws.Pgm_flags |= PGM_VARS_CLEARED;
  if (ws.Ctl_stack) Ctl_forget_locals();
  if (!clear_chain(ws.Loc_num_tree) || !clear_chain(ws.Loc_str_tree)) return false;
  if (rec->global_names < 0) [[unlikely]]
    learn_global_names(rec);
  if (rec->global_names) forget_global_slots();
  return hand_over_vars(rec, method.tag, method.epoch);
}

// plain_keeps for a program without variables: no table, no trees (a
// variable made by name at run time has no slot, and is freed as usual);
// nothing kept, parked or not, nothing pending or localised.  The keep
// then keeps nothing, and the record counts as keeping its empty set.
// (In line where a caller must call nothing.)
[[gnu::always_inline]] inline bool plain_keeps_none_here(const Prog_obj* rec) {
  return !(rec->var_cnt | ws.Var_index_cnt | uint32_t(rec->parked) | ws.Incdec_cnt) &&
         !(reinterpret_cast<uintptr_t>(ws.Var_index) | reinterpret_cast<uintptr_t>(ws.Loc_num_tree) |
           reinterpret_cast<uintptr_t>(ws.Loc_str_tree) | reinterpret_cast<uintptr_t>(ws.Loc_chain) |
           reinterpret_cast<uintptr_t>(rec->spare_index) | reinterpret_cast<uintptr_t>(rec->spare_num) |
           reinterpret_cast<uintptr_t>(rec->spare_str));
}
[[gnu::noinline]] inline bool plain_keeps_none(const Prog_obj* rec) { return plain_keeps_none_here(rec); }

// plain_keeps' tests but the table's presence, as one word that is zero
// when they pass: the record has no variables kept, parked or not, its
// program names no global variable; nothing pending, nothing localised; the
// table's count is the record's.
[[gnu::always_inline]] inline uintptr_t plain_keeps_word(const Prog_obj* rec) {
  return reinterpret_cast<uintptr_t>(rec->spare_index) | uintptr_t(uint8_t(rec->global_names)) |
         uintptr_t(rec->parked) | uintptr_t(ws.Incdec_cnt) | reinterpret_cast<uintptr_t>(ws.Loc_chain) |
         uintptr_t(ws.Var_index_cnt ^ rec->var_cnt);
}

// Whether keep_plain_vars would keep the variables of rec's program, the
// object layer's hook and the argument list aside (plain_keeps_word, and a
// table, the record's), or there are none (plain_keeps_none).
[[gnu::always_inline]] inline bool plain_keeps(const Prog_obj* rec) {
  if (!plain_keeps_word(rec) && ws.Var_index) [[likely]]
    return true;
  return plain_keeps_none(rec);
}

// No object layer's hook and plain_keeps (keep_plain_vars' answer with no
// argument list).  (The hook first: a method's return, which always has
// it, asks no more.)
[[gnu::always_inline]] inline bool plain_keeps_unhooked(const Prog_obj* rec) {
  if (Var_lookup_hook) return false;
  if (!plain_keeps_word(rec) && ws.Var_index) [[likely]]
    return true;
  // (In line: the bound return's usual way calls nothing.)
  return plain_keeps_none_here(rec);
}

// keep_plain_vars' hand-over as the bound return takes it: no data set is
// loaded (a loaded one sets the lookup hook, with which the plain keep is
// never asked), and the workspace's table and trees are left naming the
// kept ones: the caller's context comes back over them (see
// release_image<true> in call_frame.cpp).
[[gnu::always_inline]] inline void hand_over_plain(Prog_obj* rec) {
  rec->spare_tag = nullptr;
  rec->spare_epoch = 0;
  rec->spare_num = ws.Loc_num_tree;
  rec->spare_str = ws.Loc_str_tree;
  rec->spare_index = ws.Var_index;
  ws.Cur_var = nullptr;
  ws.Cur_val = nullptr;
  ws.Cur_elem = -1;
}

[[gnu::always_inline]] inline bool keep_plain_vars(Prog_obj* rec) {
  // (The object layer's hook first: a method's return always has it.)
  if (Var_lookup_hook || ws.Arg_list || !plain_keeps(rec)) return false;
  ws.Pgm_flags |= PGM_VARS_CLEARED;
  if (ws.Ctl_stack) Ctl_forget_locals();
  if (!clear_chain(ws.Loc_num_tree) || !clear_chain(ws.Loc_str_tree)) return false;
  return hand_over_vars(rec, nullptr, 0);
}

}  // namespace var_keep
