// Arguments of subprogram calls: the list CALL builds (Do_Args), the
// binding ENTER makes (d_ente) and the values that flow back when the
// frame is popped.
#pragma once
#include <cstdint>
#include <vector>

#include "core/decimal.h"
#include "core/variables.h"

struct Var_node;
struct Str_blk;

// Argument kinds
enum : uint8_t {
  ARG_NUM_REF = 1,     // a numeric variable by reference (num: its value at the call)
  ARG_STR_REF = 2,     // a string variable by reference: the callee takes its block
  ARG_NUM_VAL = 3,     // a number (num)
  ARG_STR_VAL = 5,     // a string (str, owned)
  ARG_ARRAY = 57,      // a whole array by reference: its storage moves to the callee
  ARG_RECORD = 60,     // a record's text (str, owned) and field list (rec_list, owned)
};

struct Arg_rec {
  Arg_rec* next = nullptr;
  Var_node* var = nullptr;    // the caller's variable (kinds 1, 2, 57, 60)
  Var_node* bound = nullptr;  // the callee's variable ENTER bound to it
  Num_val num;
  Str_blk* str = nullptr;
  uint8_t* rec_list = nullptr;
  uint8_t kind = 0;
  bool in_frame = false;  // one of a call frame's own records (Call_frame::args): never pooled or freed
};

// ENTER's items bound once per loaded program.  The first ENTER of a
// program image that runs to its end with plain items (variables named by
// their table index, no "*", no ERR=) is kept in the program's record
// (Prog_obj::enter_plan) with each item's form; a later call of the program
// binds from it without reading the item codes again.  The record owns the
// plan and the image it points into, which never changes while the record
// lives.
struct Enter_item {
  uint8_t* code;  // the item's variable reference
  uint8_t* dflt;  // its default expression (after "="), or null
  uint16_t idx;   // the variable's table slot
  uint8_t type;   // code 1 numeric, 2 string
  bool by_value;  // "(V)"
  bool whole;     // "A[ALL]"
  uint8_t by_ref; // the argument kind a plain scalar item takes by reference (0: none)
};

constexpr uint32_t ENTER_PLAN_MAX = 64;

struct Enter_plan {
  const uint8_t* stmt = nullptr;  // the cursor where the items begin (after ENTER's code)
  uint8_t* end = nullptr;         // the cursor after the items
  uint32_t count = 0;
  bool distinct = false;  // no two items name the same variable
  bool refs_only = false; // every item takes a plain scalar by reference (by_ref set)
  Enter_item items[ENTER_PLAN_MAX];
};

// A variable passed by reference, bound to the callee's scalar v: v takes
// the caller's access masks, and the binding is what the value flows back
// through at the return.
inline void Arg_bind_ref(Arg_rec* a, Var_node* v) {
  v->read_mask = a->var->read_mask;
  v->write_mask = a->var->write_mask;
  a->bound = v;
}

// A string passed by reference: its text is lent to v until the return
// and v bound to it.  Returns v's former text, for the caller to give back.
// An item that names the caller's very variable (one of a loaded data set,
// which every call level finds) holds the text already: it stays unbound,
// so that nothing comes back over it at the return.
inline Str_blk* Arg_lend_str(Arg_rec* a, Var_node* v) {
  if (v == a->var) [[unlikely]]
    return nullptr;
  Str_blk* old = v->str;
  v->str = a->var->str;
  a->var->str = nullptr;
  Arg_bind_ref(a, v);
  return old;
}

// Parses the argument list at the cursor up to the end of the statement,
// an ERR= clause, ")" or code 178; null when empty.  A placeholder "*" ends
// the list when allow_placeholder is set, else error 20.  Reference and
// array arguments need write access (error 61).  An error frees what was
// built.
Arg_rec* Do_Args(bool allow_placeholder);
void FreeArgList(Arg_rec* list);
// rest appended to list (either may be null); the joined list.
Arg_rec* Arg_join(Arg_rec* list, Arg_rec* rest);
// Appends a value argument (a number, or a string of len bytes).
Arg_rec* Arg_number(Arg_rec** tail_link, const Num_val& v);
Arg_rec* Arg_string(Arg_rec** tail_link, const uint8_t* s, size_t len);
// Appends a string variable passed by reference.
Arg_rec* Arg_string_ref(Arg_rec** tail_link, Var_node* v);

// Forgets every binding of the list (its callee's variables are gone).
void Clr_arg_vars(Arg_rec* list);
// Forgets every binding of the current argument list (the callee's
// variables are about to be freed).
void Clr_arg_var();
// Forgets every binding, of the current argument list and of each saved
// caller's, whose caller's or bound variable is one gone picks (nodes about
// to be freed while the calls run): nothing goes back through it.  A
// reference to a caller's variable that goes (in a list of its own records,
// not a call frame's) becomes its value, for an ENTER yet to run.
void Args_unbind_nodes(bool (*gone)(const Var_node* v, const void* ctx), const void* ctx);
// Start-up registration (App_wire): the terminal layer's calls of argument
// lists and nested programs (Term_calls), the PDF channels' utility calls.
void Args_register_calls();
// The values that flow back to the caller before the callee's variables
// go: numbers, string blocks, arrays, records.  Records whose fields must
// be filled again once the caller's context is back are collected.
void Args_flow_back(Arg_rec* list, std::vector<Var_node*>& refill);
// Fills the fields of the collected records again (caller's context).
void Args_refill(const std::vector<Var_node*>& refill);
