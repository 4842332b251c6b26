// Expression evaluator: evaluates the compiled expression at ws.Exec_ptr into
// the accumulators and leaves the cursor on the code that ends it.  A numeric
// result is in ws.Num_acc with ws.Str_len -1; a string result is
// (ws.Str_ptr, ws.Str_len >= 0).
//
// Operators (codes 39..50, 249) bind by level: comparisons 1, + - 2,
// * / MOD 3, ^ 4; equal levels associate to the left.  AND (51) and OR (52)
// come after them, left to right, and skip their right side when the left
// side already decides.  A string operand joins the following "+" operands
// (concatenation) and becomes the numeric truth value 1 or 0 when a
// comparison follows.
#pragma once
#include <cstdint>

#include "core/decimal.h"
#include "core/variables.h"
#include "core/workspace.h"

// One operand into the accumulators; returns ws.Str_len.
int Get_value();
// A numeric scalar made current as Get_value makes its usual operand, a
// scalar by its index: the variable, its value (no element), its flags and
// the value in the accumulator.
[[gnu::always_inline]] inline void Num_scalar_current(Var_node* node) {
  ws.Cur_var = node;
  ws.Cur_val = &node->num;
  ws.Cur_elem = -1;
  ws.Var_flags = node->flags & ~VF_FIXED;
  ws.Num_acc = node->num;
  ws.Str_len = -1;
}
// Numeric expression (a string result is error 26).
void Eval_val();
// Eval_val's fast path alone: an expression of one or two plain operands
// (eval_fast.h) is evaluated and true returned; false, with nothing done,
// for any other.
bool Eval_val_simple();
// Eval_val after its fast path failed at the cursor (Eval_simple_at found
// no simple expression there, which changes nothing): the general way.
void Eval_val_general();
// String expression (a numeric result is error 26).
void Eval_str();
// Expression of either type.
void Eval_formula();
// Continues an expression after its first operand was fetched by Get_value.
void Eval_after_val();
// Numeric expression that must be an exact integer in the signed 32-bit
// range (error 41).
int32_t Eval_integer();
// Numeric expression times 100, rounded, signed 32-bit (error 41).
int32_t Eval_int100();
// Eval_integer with lo <= value and, when hi >= lo, value <= hi (error 41).
int32_t Eval_range(int32_t lo, int32_t hi);
// Rounds half away from zero to an integer; error 41 outside 32 bits.
int32_t To_integer(const Num_val& v);
// The numeric operator engine: the current operand is in the accumulators
// and the cursor is on an operator.  Returns the code that ends it.
uint8_t Xeval_val();
// Concatenates the "+" operands that follow the current string.
void Xeval_str();
// Compares the string (left, left_len) with the string accumulator for
// operator op (39..44); the accumulator becomes 1 or 0.  Returns the truth.
int Xcmp_str(uint8_t op, const uint8_t* left, int32_t left_len);

// Load a resolved variable (cursor just past its name): its value, its
// subscripts and, for strings, a substring "(" start ["," length] ")".
void Vnum_load(Var_node* node);
void Vstr_load(Var_node* node);

// An object reference operand (code 250 at the cursor): the property's
// value or the method's result into the accumulators; returns ws.Str_len.
// Filled by the object layer at start-up.
extern int (*Ret_object_hook)();
// The fast evaluator's object operand (eval_fast.h): a numeric property
// read that the object layer can answer at once, without running code or
// raising an error (its value to v, the code after it returned); null,
// with nothing done, for anything else.  Null until the object layer
// fills it.
extern const uint8_t* (*Obj_operand_hook)(const uint8_t* p, Num_val& v);
// A statement that begins with an object reference (an assignment to a
// property or a method call).
extern void (*Set_object_hook)();
// The object forms of directives below the object layer, the cursor after
// CLASS or OBJECT: DELETE OBJECT, RENAME CLASS.  RETURN in a method's own
// frame (true when it was one).
extern void (*Delete_object_hook)();
extern void (*Rename_class_hook)();
extern bool (*Method_return_hook)();
// RETURN value in a program called for a value (true when it was one).
extern bool (*Value_return_hook)();
// ON EVENT (the cursor after EVENT).
extern void (*On_event_hook)();

// System variables (codes 12..34) and built-in functions (72..131, 254); the
// cursor is just past the code byte.
int Ret_value(uint8_t code);
int Ret_function(uint8_t code);

// Pending ++/--: the evaluator queues them (run flag RF_INCDEC) and the
// executor applies them between statements with Do_incrdecr.
constexpr uint32_t INCDEC_MAX = 32;
void Queue_incrdecr(uint8_t kind, Num_val* v);
void Do_incrdecr();
