// The WITH stack (with_stack.cpp).
#pragma once
#include "core/decimal.h"

// END WITH: the previous WITH value comes back; error 27 when none is saved.
void End_with();
// Empties the stack (the control stack is cleared).
void With_clear();
// The current WITH value.
const Num_val& With_value();
