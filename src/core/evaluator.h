// Expression evaluator: evaluates the compiled expression at ws.Exec_ptr into
// the accumulators and leaves the cursor on the code that ends it.  A numeric
// result is in ws.Num_acc with ws.Str_len -1; a string result is
// (ws.Str_ptr, ws.Str_len >= 0).
#pragma once
#include <cstdint>

#include "core/decimal.h"

struct Var_node;

int Get_value();
void Eval_val();
void Eval_str();
void Eval_formula();
void Eval_after_val();
int32_t Eval_integer();
int32_t Eval_int100();
int32_t Eval_range(int32_t lo, int32_t hi);
int32_t To_integer(const Num_val& v);
uint8_t Xeval_val();
void Xeval_str();
int Xcmp_str(uint8_t op);
void Vnum_load(Var_node* node);
void Vstr_load(Var_node* node);
