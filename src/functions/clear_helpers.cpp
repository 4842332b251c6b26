// CLEAR with a variable list: CLEAR list clears the listed variables;
// CLEAR EXCEPT list clears all others.
//
// CLEAR EXCEPT takes everything a listed node holds (scalar value, string,
// record list, array storage and dimensions, associative table, flags and
// access masks) out of the node before the variables are cleared, and hands
// it to the node of the same name made afresh afterwards, so nothing is
// copied and a whole string array keeps every element.  A record's fields
// are cleared with the other variables and filled again from its text.
#include "functions/clear_helpers.h"

#include <cstring>
#include <string>
#include <vector>

#include "core/codes.h"
#include "core/errors.h"
#include "core/evaluator.h"
#include "core/memory.h"
#include "core/variables.h"
#include "core/workspace.h"
#include "programs/objects.h"

namespace {

struct Kept {
  uint8_t type = 0;
  std::string name;
  uint32_t flags = 0;
  uint16_t read_mask = 0, write_mask = 0;
  int32_t size[3] = {0, 0, 0};
  int32_t base[3] = {0, 0, 0};
  void* elems = nullptr;
  HSH_table* assoc = nullptr;
  uint8_t dims = 0;
  Num_val num;
  Str_blk* str = nullptr;
  uint8_t* rec_list = nullptr;
};

// Moves what the node holds into k; the node is left empty.
void take(Var_node* n, Kept& k) {
  k.type = n->type;
  k.name.assign(n->name, n->name_len);
  k.flags = n->flags;
  k.read_mask = n->read_mask;
  k.write_mask = n->write_mask;
  for (int i = 0; i < 3; ++i) {
    k.size[i] = n->size[i];
    k.base[i] = n->base[i];
    n->size[i] = n->base[i] = 0;
  }
  k.elems = n->elems;
  k.assoc = n->assoc;
  k.dims = n->dims;
  k.num = n->num;
  n->num = Num_val{};  // an object property's handle moves too: its reference stays held
  k.str = n->str;
  k.rec_list = n->rec_list;
  n->elems = nullptr;
  n->assoc = nullptr;
  n->dims = 0;
  n->str = nullptr;
  n->rec_list = nullptr;
}

void give(const Kept& k, Var_node* n) {
  n->flags = k.flags;
  n->read_mask = k.read_mask;
  n->write_mask = k.write_mask;
  for (int i = 0; i < 3; ++i) {
    n->size[i] = k.size[i];
    n->base[i] = k.base[i];
  }
  Var_shape_changed();
  n->elems = k.elems;
  n->assoc = k.assoc;
  n->dims = k.dims;
  n->num = k.num;
  n->str = k.str;
  n->rec_list = k.rec_list;
}

inline bool is_global(const Var_node* n) { return n->name_len > 0 && n->name[0] == '%'; }

}  // namespace

void Clear_except(bool all) {
  std::vector<Var_node*> nodes;
  for (;;) {
    uint8_t c = *ws.Exec_ptr;
    if (c != code::NUM_VAR && c != code::STR_VAR && c != code::OBJ_REF) Rpt_error(err::SYNTAX);
    // An object property keeps the variable that holds the object's handle.
    Var_node* n = c == code::OBJ_REF ? Oop_except_ref() : Find_var();
    if (*ws.Exec_ptr == code::WHOLE_ARRAY) ++ws.Exec_ptr;
    bool seen = false;
    for (Var_node* m : nodes) seen = seen || m == n;
    if (!seen && (all || !is_global(n))) nodes.push_back(n);
    if (*ws.Exec_ptr != code::COMMA) break;
    ++ws.Exec_ptr;
  }
  if (!(Cde_tbl[*ws.Exec_ptr] & CC_STMT_END) && *ws.Exec_ptr != code::END_SCAN) Rpt_error(err::SYNTAX);
  // Pending ++/-- may point at a listed value: they land before it moves.
  if (ws.Run_flags & RF_INCDEC) Do_incrdecr();
  // A record's text is brought up to date with its fields before it moves.
  for (Var_node* n : nodes)
    if ((n->flags & VF_RECORD) && n->rec_list && !Is_array(n)) Gen_record(n);
  std::vector<Kept> kept(nodes.size());
  for (size_t i = 0; i < nodes.size(); ++i) take(nodes[i], kept[i]);
  // Inside an object's own code its properties go too, but for the listed
  // ones, whose values were taken out above and come back below.
  if (Clear_object_hook) Clear_object_hook();
  Clr_var();
  if (all) Clr_glo_var();
  for (const Kept& k : kept) {
    Var_node* n = Find_var_name(k.type, reinterpret_cast<const uint8_t*>(k.name.data()), int(k.name.size()));
    give(k, n);
  }
  // A record's fields went with the other variables: its text fills them.
  for (const Kept& k : kept) {
    if (!(k.flags & VF_RECORD) || !k.rec_list) continue;
    Var_node* n = Look_var_name(k.type, reinterpret_cast<const uint8_t*>(k.name.data()), int(k.name.size()));
    if (n) Let_record(n);
  }
}

void Clear_select() {
  for (;;) {
    uint8_t c = *ws.Exec_ptr;
    if (c == code::OBJ_REF) {
      Oop_clear_ref();
      if (*ws.Exec_ptr != code::COMMA) break;
      ws.Exec_ptr++;
      continue;
    }
    if (c != code::NUM_VAR && c != code::STR_VAR) Rpt_error(err::SYNTAX);
    Var_node* n = Find_var();
    Check_assignable(n);
    if (*ws.Exec_ptr == code::WHOLE_ARRAY) {
      ws.Exec_ptr++;
      Clr_array(n);
      n->dims = 0;
      for (int i = 0; i < 3; ++i) n->size[i] = n->base[i] = 0;
    } else if (c == code::NUM_VAR) {
      n->num = Num_val{};
    } else if (n->str) {
      Ret_str(n->str);
      n->str = nullptr;
    }
    if (*ws.Exec_ptr != code::COMMA) break;
    ws.Exec_ptr++;
  }
}
