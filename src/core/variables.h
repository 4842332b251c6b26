// Variables: name trees of local and global ("%") variables, scalar storage
// and assignment.
//
// Four binary trees hold the nodes: ws.Loc_num_tree / ws.Loc_str_tree for the
// program's variables, ws.Glo_num_tree / ws.Glo_str_tree for the globals (names
// beginning with "%").  Trees are ordered by a case-blind comparison of the
// names (byte-wise over the shorter length, then the shorter name first).  A
// numeric name ending in "%" is an integer variable: every number stored in it
// is truncated to 0 decimal places.
#pragma once
#include <cstdint>

#include "core/decimal.h"

struct Str_blk;

// Var_node flags
enum : uint32_t {
  VF_INTEGER = 1,      // name ends in "%": stores truncate to 0 places
  VF_RECORD = 2,       // record variable (value built from an I/O list)
  VF_ASSIGNED = 0x104, // set together whenever assigned or dimensioned
  VF_READ_ONLY = 8,    // every assignment is error 61
  VF_LOCAL_TEMP = 32,
  VF_FIXED = 128,      // fixed-length string: assignment pads or truncates
  VF_TEMPLATE = 0x200,
};
// ws.Var_flags bit 128: the last string operand was a substring.  The node's
// own VF_FIXED bit is never copied into ws.Var_flags, so the two cannot mix.
constexpr uint32_t VAR_SUBSTRING = 128;

struct Var_node {
  Var_node* left = nullptr;
  Var_node* right = nullptr;
  uint32_t flags = 0;
  uint16_t read_mask = 0;   // access bits required to read (0: none)
  uint16_t write_mask = 0;  // access bits required to assign (0: none)
  uint8_t type = 0;  // code 1 numeric, 2 string
  Num_val num;       // numeric scalar
  Str_blk* str = nullptr;  // string scalar (null: empty)
  uint8_t name_len = 0;
  char name[128];
};

// Finds or creates the variable named by the compiled reference at
// ws.Exec_ptr, which points at its code byte (1 numeric, 2 string), in the
// inline form (code, length, name) or the indexed form (code, 0x80|high, low:
// ws.Var_index, names in ws.Name_index/ws.Name_pool).  Moves the cursor past
// the reference, sets ws.Cur_var and returns the node.  Error 61 when the
// node's read mask has a bit ws.Var_mask lacks; 49 for a bad reference.
Var_node* Find_var();
// Finds or creates a variable by code (1 or 2) and name (case-blind).
Var_node* Find_var_name(uint8_t type, const uint8_t* name, int len);
// Finds without creating; null when absent.
Var_node* Look_var_name(uint8_t type, const uint8_t* name, int len);

// Frees every program (local) variable; pending ++/-- are applied first and
// ws.Var_index entries are forgotten.
void Clr_variables();
// Frees the global variables (shut-down).
void Clr_glo_var();

// Error 61 unless the node may be assigned under ws.Var_mask.
void Check_assignable(const Var_node* node);

// Stores ws.Num_acc into *dst, the value slot of node (its scalar), with the
// adjustments of an assignment: truncated to 0 places for an integer
// variable; otherwise rounded to the PRECISION when it has more places, the
// ROUND flag is off and (ws.Math_flags | 1) & RN is not zero.  Marks the node
// assigned.  The caller clears ws.Math_flags before evaluating the value.
void Store_num(Var_node* node, Num_val* dst);

// An assignment target, captured right after the target was fetched
// (Get_value) and before the right side is evaluated, which may clobber the
// resolved-variable state in ws.
struct Let_target {
  Var_node* node = nullptr;
  void* val = nullptr;        // Num_val* or Str_blk** (the slot of the string)
  int32_t str_len = -1;       // -1 numeric; else length of the (sub)string
  int32_t sub_pos = 0;        // substring start, 0-based
  int32_t sub_len = 0;        // length of the whole string
  uint32_t flags = 0;         // ws.Var_flags: VAR_SUBSTRING when a substring
};
// Captures the target from ws.Cur_var, ws.Cur_val, ws.Str_len, ws.Sub_pos,
// ws.Sub_len and ws.Var_flags.
void Let_define(Let_target& t);
// Assigns the accumulator to the target: a numeric target needs a number
// (error 26; integer variables truncate), a string target a string (error
// 26); a substring target has that part of the string replaced.
void Let_assign(const Let_target& t);
