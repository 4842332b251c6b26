// The WITH stack (with_stack.cpp).
#pragma once

// END WITH: the previous WITH value comes back; error 27 when none is saved.
void End_with();
// Empties the stack (the control stack is cleared).
void With_clear();
// The current WITH value is ws.With_ctx; names that begin with "." read it
// (core/variables.h).
