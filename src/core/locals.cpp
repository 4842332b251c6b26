// Localisation frames (LOCAL, subprogram entry) and CLEAR.
//
// A frame takes over what the variable held (its value, or its array) and
// leaves the variable empty; popping the frame frees what the variable holds
// by then and puts the saved state back.  Frames form one chain, newest
// first, from ws.Loc_chain; each node also chains the frames that saved it
// (node->frames, through prev), so that freeing a node can cut its frames
// loose (their node pointer becomes null and popping them only frees what
// they saved).
#include <new>

#include "core/hooks.h"
#include "core/codes.h"
#include "core/directives.h"
#include "core/errors.h"
#include "core/evaluator.h"
#include "core/hash_table.h"
#include "core/memory.h"
#include "core/variables.h"
#include "core/workspace.h"

namespace {

Loc_frame* push_frame(Var_node* n) {
  auto* f = new (Get_blk(sizeof(Loc_frame))) Loc_frame;
  f->node = n;
  f->prev = n->frames;
  n->frames = f;
  Var_shape_changed();
  f->link = ws.Loc_chain;
  ws.Loc_chain = f;
  f->flags = n->flags;
  f->read_mask = n->read_mask;
  f->write_mask = n->write_mask;
  f->type = n->type;
  return f;
}

// Frees what a frame saved (its node is gone or the state is replaced).
void free_saved(Loc_frame* f) {
  if (f->flags & LF_ARRAY) {
    if (f->elems) {
      // A scratch node lets Clr_array free the storage and its strings.
      Var_node tmp;
      tmp.type = f->type;
      for (int i = 0; i < 3; i++) {
        tmp.size[i] = f->size[i];
        tmp.base[i] = f->base[i];
      }
      tmp.elems = f->elems;
      tmp.assoc = f->assoc;
      Clr_array(&tmp);
    } else if (f->assoc) {
      HSH_Delete(f->assoc);
    }
  } else {
    if (f->str) Ret_str(f->str);
    if (f->rec_list) Ret_blk(f->rec_list);
  }
  f->elems = nullptr;
  f->assoc = nullptr;
  f->str = nullptr;
  f->rec_list = nullptr;
}

}  // namespace

Loc_frame* Localize_var(Var_node* n) {
  Loc_frame* f = push_frame(n);
  f->num = n->num;
  f->str = n->str;
  f->rec_list = n->rec_list;
  n->num = Num_val{};
  n->str = nullptr;
  n->rec_list = nullptr;
  n->flags &= VF_INTEGER;
  return f;
}

Loc_frame* Localize_array(Var_node* n) {
  Loc_frame* f = push_frame(n);
  f->flags |= LF_ARRAY;
  for (int i = 0; i < 3; i++) {
    f->size[i] = n->size[i];
    f->base[i] = n->base[i];
    n->size[i] = n->base[i] = 0;
  }
  f->dims = n->dims;
  f->elems = n->elems;
  f->assoc = n->assoc;
  n->dims = 0;
  n->elems = nullptr;
  n->assoc = nullptr;
  return f;
}

void Delocalize_var() {
  Loc_frame* f = ws.Loc_chain;
  if (!f) return;
  ws.Loc_chain = f->link;
  Var_node* n = f->node;
  if (!n) {
    free_saved(f);
  } else {
    Var_shape_changed();
    n->frames = f->prev;
    if (f->flags & LF_ARRAY) {
      Clr_array(n);
      for (int i = 0; i < 3; i++) {
        n->size[i] = f->size[i];
        n->base[i] = f->base[i];
      }
      n->dims = f->dims;
      n->elems = f->elems;
      n->assoc = f->assoc;
    } else {
      if (n->str) Ret_str(n->str);
      if (n->rec_list) Ret_blk(n->rec_list);
      n->num = f->num;
      n->str = f->str;
      n->rec_list = f->rec_list;
      n->flags = f->flags & ~VF_LOCAL_TEMP;
      n->read_mask = f->read_mask;
      n->write_mask = f->write_mask;
    }
  }
  f->~Loc_frame();
  Ret_blk(f);
}

void Delocalize_all() {
  while (ws.Loc_chain) Delocalize_var();
}

void Delocalize_to(Loc_frame* saved) {
  while (ws.Loc_chain && ws.Loc_chain != saved) Delocalize_var();
}

void Delocalize_temp(Loc_frame* frame) {
  while (Loc_frame* f = ws.Loc_chain) {
    if (f->node && !(f->node->flags & VF_LOCAL_TEMP)) return;
    Delocalize_var();
    if (f == frame) return;
  }
}

// LOCAL var [= expression] {, var [= expression]} | LOCAL DIM list.  The
// expression is evaluated before the variable is localised, so it sees the
// outer value.
void d_locl() {
  if (*ws.Exec_ptr == code::D_DIM) {
    ws.Exec_ptr++;
    Do_dim(1);
    return;
  }
  for (;;) {
    uint8_t c = *ws.Exec_ptr;
    if (c != code::NUM_VAR && c != code::STR_VAR) Rpt_error(err::BAD_CLASS);
    Var_node* n = Find_var();
    Check_assignable(n);
    if (*ws.Exec_ptr == code::OP_EQ) {
      ws.Exec_ptr++;
      ws.Math_flags = 0;
      if (c == code::NUM_VAR)
        Eval_val();
      else
        Eval_str();
      // The outer string stays alive in the frame, so the accumulator may
      // still point into it.
      Localize_var(n);
      Let_target t;
      t.node = n;
      if (c == code::NUM_VAR) {
        t.val = &n->num;
        Let_store_num(t);
      } else {
        t.val = &n->str;
        t.str_len = 0;
        Let_assign(t);
      }
    } else {
      Localize_var(n);
    }
    c = *ws.Exec_ptr;
    if (c != code::COMMA) {
      if (!(Cde_tbl[c] & CC_STMT_END)) Rpt_error(err::BAD_CLASS);
      return;
    }
    ws.Exec_ptr++;
  }
}

// CLEAR: plain, every program variable; with a list, the listed variables
// only (Clear_select); CLEAR EXCEPT list, all but the listed ones
// (Clear_except).  Then RESET.
void d_clea() {
  uint8_t c = *ws.Exec_ptr;
  if (Cde_tbl[c] & CC_STMT_END) {
    if (Clear_object_hook) Clear_object_hook();
    Clr_var();
  } else if (c == code::EXCEPT) {
    ws.Exec_ptr++;
    Core_hook.clear_except(false);
  } else {
    Core_hook.clear_select();
  }
  d_rset();
}
