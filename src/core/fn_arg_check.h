// The argument counts of the built-in functions, checked when a line is
// compiled: a call with a count its function does not take is a syntax
// error when it is entered, not an error of the run.
#pragma once
#include <cstddef>
#include <cstdint>

// Walks one compiled line body (from the first code after the line number
// to the end code) and returns 0, or 20 when a function call has a count of
// arguments (or, for a literal or a plain variable as first argument, a
// kind) its function does not take.
int Check_fn_args(const uint8_t* p, const uint8_t* end);
