// User-defined functions (DEF FN, FNEND, the FN call) and the defaults of
// program arguments (DEF ARG).
//
// Compiled forms (after the DEF code 156):
//   name [ "(" param {"," param} ")" ] "=" expression     single-line
//   name [ "(" param {"," param} ")" ]  (end of statement) multi-line: the
//        body is the following lines up to the line that starts with FNEND
// name is a variable item (code 1 numeric, 2 string; inline or indexed); a
// name beginning with "%" is global and lives for the whole process.  A
// param is [149 209 (LOCAL)] variable item [57 ([ALL]: a whole array)].
// A call is 88 (FN), the name item and optionally "(" arguments ")".
#pragma once
#include <cstdint>
#include <string>

// The RETURN of a multi-line function body (the newest frame carries the
// function tag; the cursor stands after RETURN): evaluates the value, hands
// it to the call, pops the frame and stops the body's execution.
void Fnc_return();
// Forgets the program's (local) functions (those of the current program
// context, ws.Fnc_ctx); global ones stay.
void Clr_function();
// Number of user-function calls in progress.
int Fnc_call_depth();

// ---- defaults of program arguments (DEF ARG) ----
// 1 with the default of argument n in the string accumulator, else 0.
int Kest_GetDefArg(int n);
// The highest argument index that holds a default (0: none).
int Kest_GetNArg();
void Kest_ClrDefArg();
