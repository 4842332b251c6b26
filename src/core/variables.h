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
#include <string>
#include <vector>

#include "core/decimal.h"

struct Str_blk;

// Var_node flags
enum : uint32_t {
  VF_INTEGER = 1,      // name ends in "%": stores truncate to 0 places
  VF_RECORD = 2,       // record variable (value built from an I/O list)
  VF_ASSIGNED = 0x104, // set together whenever assigned or dimensioned
  VF_CHANGED = 4,      // the changed flag inside VF_ASSIGNED: CHG( reads and clears it
  VF_READ_ONLY = 8,    // every assignment is error 61
  VF_LOCAL_TEMP = 32,
  VF_FIXED = 128,      // fixed-length string: assignment pads or truncates
  VF_TEMPLATE = 0x200,
  VF_WITH = 0x400,     // the WITH reader (a name beginning "."), read-only
  VF_SHADOW = 0x800,   // a method's variable named as some class's property: bound for one run only
  VF_UNTEMPLATED = 0x1000,  // its template was removed (an empty template text): its fields are error 47
  VF_FIELD = 0x2000,        // a record's field ("R$.A"): a number stored into it must fit the field
};
// ws.Var_flags bit 128: the last string operand was a substring.  The node's
// own VF_FIXED bit is never copied into ws.Var_flags, so the two cannot mix.
constexpr uint32_t VAR_SUBSTRING = 128;

struct HSH_table;
struct Loc_frame;

// Dimensioning limit: elements of one array, and the span of a dimension.
constexpr int32_t DIM_LIMIT = 10000000;

// A variable.  An array has element storage (elems); its dimensions that
// were not given have size 1 and base 0, so the element of subscripts
// (i1, i2, i3) is always number
//   (i1 - base1) * size2 * size3 + (i2 - base2) * size3 + (i3 - base3)
// and a missing subscript counts as that dimension's base.  A scalar has all
// sizes 0.  An associative array is one-dimensional with base 1; its table
// maps each key to its element number and the storage holds at least as
// many elements as the table has buckets.
//
// The first 64 bytes hold everything a kept program's variable is tested
// for before it is cleared for the next call (programs/var_keep.h): the
// left branch, frames, storage, record, string, the flags and dimensions;
// the clear empties the flags, masks, dimensions and value, which lie
// together.
// The longest variable name held: a template field's variable
// "record.field" (a record's name of up to 127 characters, the dot and a
// field's name of up to 127 with the "$" of a text field).
constexpr int VAR_NAME_MAX = 256;

struct Var_node {
  Var_node* left = nullptr;
  Loc_frame* frames = nullptr;  // newest frame that saved this variable
  void* elems = nullptr;        // Mem_blk: Num_val per element, or Str_blk* per element
  HSH_table* assoc = nullptr;   // associative array: key -> element number
  uint8_t* rec_list = nullptr;  // record variable: its compiled field list (Mem_blk)
  Str_blk* str = nullptr;       // string scalar (null: empty)
  uint32_t flags = 0;
  uint16_t read_mask = 0;   // access bits required to read (0: none)
  uint16_t write_mask = 0;  // access bits required to assign (0: none)
  uint8_t dims = 0;         // dimensions given when it was dimensioned (0..3)
  Num_val num;              // numeric scalar
  Var_node* right = nullptr;
  int32_t size[3] = {0, 0, 0};  // elements per dimension (all 0: no array)
  int32_t base[3] = {0, 0, 0};  // lowest subscript per dimension
  uint8_t type = 0;  // code 1 numeric, 2 string
  uint16_t name_len = 0;
  // Names written in a program have at most 127 characters; a template
  // field's variable is named "record.field" (up to VAR_NAME_MAX).
  char name[VAR_NAME_MAX + 1];
};

// Localisation frame: the saved state of one variable (LOCAL, subprogram
// entry).  Frames chain from ws.Loc_chain (newest first) and, per variable,
// from node->frames through prev.  A frame whose node was freed has a null
// node and is simply dropped when popped.
constexpr uint32_t LF_ARRAY = 16;  // in Loc_frame::flags: the array was saved
struct Loc_frame {
  Loc_frame* link = nullptr;  // next older frame on ws.Loc_chain
  Var_node* node = nullptr;
  Loc_frame* prev = nullptr;  // the node's previous newest frame
  uint32_t flags = 0;         // the node's flags, | LF_ARRAY for an array frame
  uint16_t read_mask = 0, write_mask = 0;
  uint8_t type = 0;
  uint8_t dims = 0;
  uint8_t* rec_list = nullptr;
  Num_val num;             // scalar frame
  Str_blk* str = nullptr;  // scalar frame
  int32_t size[3] = {0, 0, 0};  // array frame
  int32_t base[3] = {0, 0, 0};
  void* elems = nullptr;
  HSH_table* assoc = nullptr;
};

inline bool Is_array(const Var_node* n) { return n->elems != nullptr; }

// Moves whenever a variable node is made or freed, or given a tree link,
// array storage, a record template, a localisation frame or the integer
// flag after it was made (what a clear of the nodes tests): a bound call's
// return that finds it where the call left it knows the called program's
// nodes are as the call found them (programs/call_frame.cpp).
inline uint64_t Var_shape_gen = 1;
inline void Var_shape_changed() { ++Var_shape_gen; }
// The integer flag of a variable's flags, lent to a variable bound to it
// (ENTER's reference): one that takes it changes its shape.
inline uint32_t Var_lend_integer(uint32_t from_flags) {
  if (from_flags & VF_INTEGER) Var_shape_changed();
  return from_flags & VF_INTEGER;
}
// Elements of an array (0 for a scalar).
inline uint32_t Var_count(const Var_node* n) {
  return n->elems ? uint32_t(n->size[0]) * uint32_t(n->size[1]) * uint32_t(n->size[2]) : 0;
}
inline Num_val* Num_elem(Var_node* n, uint32_t e) { return static_cast<Num_val*>(n->elems) + e; }
inline Str_blk** Str_elem(Var_node* n, uint32_t e) { return static_cast<Str_blk**>(n->elems) + e; }

// Finds or creates the variable named by the compiled reference at
// ws.Exec_ptr, which points at its code byte (1 numeric, 2 string), in the
// inline form (code, length, name) or the indexed form (code, 0x80|high, low:
// ws.Var_index, names in ws.Name_index/ws.Name_pool).  Moves the cursor past
// the reference, sets ws.Cur_var and returns the node.  Error 61 when the
// node's read mask has a bit ws.Var_mask lacks; 49 for a bad reference.
Var_node* Find_var();
// Finds or creates a variable by code (1 or 2) and name (case-blind).
Var_node* Find_var_name(uint8_t type, const uint8_t* name, int len);
// A numeric name that begins with "." is no variable: it reads the current
// WITH value (ws.With_ctx) through one shared read-only node, refreshed at
// each lookup and never kept in a tree or in ws.Var_index.
inline bool Is_with_reader(uint8_t type, const uint8_t* name, int len) {
  return type == 1 && len > 0 && name[0] == '.';
}
Var_node* With_reader();
// Finds without creating; null when absent.
Var_node* Look_var_name(uint8_t type, const uint8_t* name, int len);

// The slots of one variable table bound while a program method's frame runs,
// noted for its return: the program layer then resets only those slots, not
// every slot of the program's table.  Every place that binds a slot of
// ws.Var_index to a node notes it; a bind into another table is not noted.
// count above VAR_BIND_NOTE_MAX: the list is incomplete (the whole table is
// walked).  Null while no method frame notes (one test per bind).
constexpr uint32_t VAR_BIND_NOTE_MAX = 24;
struct Var_bind_note {
  Var_node** table = nullptr;
  uint32_t count = 0;
  uint16_t slots[VAR_BIND_NOTE_MAX];
};
extern Var_bind_note* Var_bind_noting;
inline void Var_note_bind(Var_node** table, uint32_t idx) {
  if (Var_bind_note* n = Var_bind_noting; n && n->table == table) {
    if (n->count < VAR_BIND_NOTE_MAX) n->slots[n->count] = uint16_t(idx);
    n->count++;
  }
}

// Names the program layer answers before the program's own trees: loaded
// variable-data sets and the properties of the running object.  Null while
// nothing of the kind exists, so the plain lookup costs one test.
extern Var_node* (*Var_lookup_hook)(uint8_t type, const uint8_t* name, int len);
// Set by the hook when the node it answered must not be bound to the
// compiled reference (it belongs to the context the code runs in now, not
// to the reference: a calling object's property).
extern bool Var_bind_refused;
// Set by the hook when the plain variable found may be bound for this run
// of the code only (the next run may find a property under its name): the
// node is marked VF_SHADOW, and the program layer clears its slot when the
// run ends.
extern bool Var_bind_shadow;
// Called when the variables of a call level are cleared (Clr_var): the
// program layer drops what belongs to them.
extern void (*Var_clear_hook)();
// CLEAR (the plain form) inside an object's code: the object layer clears
// the running object's properties.
extern void (*Clear_object_hook)();
// The trees' order: case-blind over the shorter length, then the shorter
// name first.
int Var_name_cmp(const uint8_t* a, int alen, const char* b, int blen);
// Search of one tree ordered that way (null when absent).
Var_node* Var_tree_find(Var_node* root, const uint8_t* name, int len);
// A balanced tree of nodes given in ascending order; returns the root.
Var_node* Var_tree_build(Var_node** nodes, size_t count);
// A new, empty node (not linked into any tree).
Var_node* Var_node_new(uint8_t type, const uint8_t* name, int len);

// Clears the program (local) variables: pending ++/-- are applied, every
// localisation frame is popped, both local trees are freed and the
// ws.Var_index entries are forgotten.
void Clr_var();
inline void Clr_variables() { Clr_var(); }
// Frees the global variables (shut-down).
void Clr_glo_var();
// Frees a tree: children first, then each node's array, string, record list
// and the node; frames that saved a freed node lose their node pointer.
void Clr_tree(Var_node* root);
// Frees an array's element strings, storage and assoc table; the variable
// becomes a scalar again (sizes 0).
void Clr_array(Var_node* node);
// Makes node a one-dimensional array of count empty elements, subscripts
// first..first+count-1 (error 41 for a bad count); the old array goes.
void Dim_vector(Var_node* node, int32_t first, int32_t count);
// Makes node an array of the given shape (bases and sizes of the three
// dimensions, dims of them given), its elements empty; the old array goes.
void Dim_like(Var_node* node, const int32_t base[3], const int32_t size[3], uint8_t dims);
// Hands an array's element storage to the per-statement temporaries (or
// clears it at once when all their slots are taken); the node loses it.
void Ret_temp_array(Var_node* node);
// Makes target an array of the source's dimensions holding copies of its
// elements (strings duplicated; numbers truncated to 0 places when the
// target is an integer array and the source is not).  Error 26 on a type
// mismatch, 42 when the source is not an array.
void Copy_Array(Var_node* target, Var_node* source);

// ---- arrays ----
// The cursor is on "[" (or "(" after a numeric name): evaluates the
// subscripts and returns the element number; the cursor ends past the
// closing bracket.  A string subscript addresses an associative array.
// Error 42 when a subscript lies outside its dimension or the variable has
// no storage.
uint32_t Find_sub(Var_node* node);
[[noreturn]] void Find_sub_err();
// Element number of the key in the string accumulator; the array becomes
// associative on its first key (error 42 when it was dimensioned normally).
uint32_t Find_Assoc(Var_node* node);
// Element of the running whole-array assignment (error 42 outside one, or
// past the array's end).
uint32_t Find_nxt(Var_node* node);
// A range of elements: per dimension lo..hi (dimensions not named hold
// their base), running downwards when the ranges were written high to low.
struct Let_range {
  int32_t lo[3] = {};
  int32_t hi[3] = {};
  uint8_t dims = 0;
  bool down = false;
  uint32_t count = 0;
};
// Reads the range list at the cursor ("{" ... "}") for node; with define
// set a variable without storage is dimensioned by it.  Error 42 for mixed
// directions, a range outside the array or an array without storage.
void LetDefRange(Var_node* node, Let_range& r, bool define);
// Element number of the index-th element of the range (from the far end when
// it runs downwards); error 42 when the range does not hold count elements.
uint32_t LetGetRange(const Let_range& r, const Var_node* node, uint32_t index, uint32_t count);
// The cursor is on "[": parses a dimension list (n: subscripts 0..n; a:b:
// subscripts a..b) and gives the node new zeroed storage of elem_size bytes
// per element, freeing the old; returns the element count.  Error 41 for a
// bad dimension.
uint32_t Def_sub(Var_node* node, size_t elem_size);
// DIM (local 0) and LOCAL DIM (local 1) from the cursor.
void Do_dim(int local);

// ---- localisation ----
// Localize_var saves the scalar (value, record list, flags, masks) in a new
// frame and leaves the variable empty (keeping only the integer flag);
// Localize_array saves the array (dimensions, storage, assoc table) and
// leaves no array.  Both push the frame on ws.Loc_chain.
Loc_frame* Localize_var(Var_node* node);
Loc_frame* Localize_array(Var_node* node);
// Pops the newest frame of ws.Loc_chain, restoring what it saved.
void Delocalize_var();
// Pops every frame.
void Delocalize_all();
// Pops the frames above `frame`, leaving ws.Loc_chain at it (every frame
// when it is not on the chain).  Flow control keeps ws.Loc_chain in its
// frames and calls this to undo the LOCALs of a block.
void Delocalize_to(Loc_frame* frame);
// Pops the temporary frames (node flag VF_LOCAL_TEMP) down to `frame`.
void Delocalize_temp(Loc_frame* frame);

// Error 61 unless the node may be assigned under ws.Var_mask.
void Check_assignable(const Var_node* node);

// Stores ws.Num_acc into *dst, the value slot of node (its scalar or one of
// its elements), with the
// adjustments of an assignment: truncated to 0 places for an integer
// variable; otherwise rounded to the PRECISION when it has more places, the
// ROUND flag is off and (ws.Math_flags | 1) & RN is not zero.  Marks the node
// assigned.  The caller clears ws.Math_flags before evaluating the value.
// A dst that no longer lies in the node (its array was freed or moved while
// the right side was evaluated) is error 42 and nothing is written.
void Store_num(Var_node* node, Num_val* dst);

// An assignment target, captured right after the target was fetched
// (Get_value) and before the right side is evaluated, which may clobber the
// resolved-variable state in ws.
// Called with every variable node created by name (null: nothing to do);
// the data dictionary gives the node its access bits.
extern void (*Var_created_hook)(Var_node* n);

struct Let_target {
  Var_node* node = nullptr;
  void* val = nullptr;        // Num_val* or Str_blk** (the slot of the string)
  int32_t str_len = -1;       // -1 numeric; else length of the (sub)string
  int32_t sub_pos = 0;        // substring start, 0-based
  int32_t sub_len = 0;        // length of the whole string
  uint32_t flags = 0;         // ws.Var_flags: VAR_SUBSTRING when a substring
  int32_t elem = -1;          // array element (-1: the scalar)
};
// Captures the target from ws.Cur_var, ws.Cur_val, ws.Str_len, ws.Sub_pos,
// ws.Sub_len and ws.Var_flags.
void Let_define(Let_target& t);
// Assigns the accumulator to the target: a numeric target needs a number
// (error 26; integer variables truncate), a string target a string (error
// 26); a substring target has that part of the string replaced.  An array
// element is addressed again by its number, so the right side may have
// moved the array's storage (an associative array that grew).
void Let_assign(const Let_target& t);
// The string accumulator as the whole value of a plain scalar string (not
// fixed-length, not a record): the store Let_assign makes for such a target,
// for callers that located the node themselves (READ).  Error 26 for a number.
void Let_string_scalar(Var_node* node);
// Compound assignment to a target already fetched (ws.Str_ptr/Str_len its
// present text), the cursor after the operator op (45..50) on the right
// side: numbers through the decimal operator, then the Store_num rules;
// strings take "+" (append) and "*" (repeat, a non-negative integer count),
// any other operator is error 26.
void Let_compound(const Let_target& t, uint8_t op);
// Stores ws.Num_acc into a numeric target as LET does (Store_num rules).
void Let_store_num(const Let_target& t);
// The value slot of a target as it is now (error 42 when its element no
// longer exists).
void* Let_slot(const Let_target& t);

// ---- records (records.cpp) ----
// Resolves the field reference at the cursor (247 and the record's name,
// then the field's own item): the variable named record "." field, created
// when absent.  Moves the cursor past the field's name (subscripts or a
// substring may follow), sets ws.Cur_var; error 61 as Find_var.
Var_node* Find_field();
// Error 41 when the number cannot be stored in the template field that the
// compiled reference at p names (an N field too narrow for its text, a
// binary field's range); nothing for any other reference.
void Check_field_fits(const uint8_t* p, const Num_val& value);
// The same for a field's own variable (VF_FIELD): READ, INPUT, READ DATA
// and every other store into it go through Store_num, which asks here.
void Check_field_node_fits(const Var_node* node, const Num_val& value);
// The cursor is after "DIM R$:": "IOLIST" and an inline list of plain
// variables and "*" (error 81 for anything else), or a template string
// "NAME:C(10),AMT:N(8)" (Not_built for a number or a compiled list image).
// The node becomes a record (VF_RECORD, its field list in rec_list) and
// every field is created with its empty value.  Error 81 for a bad
// template, 41 for a bad width.
void Def_record(Var_node* node);
// The fields of a record as its field list holds them, in order.
// A delimited field's delim besides a byte: ended by the record separator,
// or by nothing.
constexpr uint16_t DELIM_DEFAULT = 0x100;
constexpr uint16_t DELIM_NONE = 0xFFFF;
struct Record_field {
  uint8_t type;       // code 1 numeric, 2 string, '*' skip
  uint8_t form;       // 'P' plain, 'C' 'N' fixed width, 'D' delimited, 'I' 'U' binary
  uint32_t width;     // 'C' 'N' 'I' 'U'
  uint16_t delim;     // 'D': the byte, DELIM_DEFAULT or DELIM_NONE
  uint16_t count;     // array field: its elements (0 a plain field)
  std::string name;   // upper-cased, "$" ending a string field's
  std::string desc;   // a template field's description
};
std::vector<Record_field> Record_fields(const Var_node* node);
// Builds the record's text from its fields into node->str.
void Gen_record(Var_node* node);
// Splits node->str into the record's fields (a short record leaves the
// remaining fields empty); error 43 when a numeric field's text is no
// number.
void Let_record(Var_node* node);
