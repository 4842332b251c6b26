// The statement executor.
#pragma once
#include <cstdint>

#include "core/dispatch.h"

void Exec_line();
// Thrown by an operation that moved the program cursor itself (the line
// editor's SETCTL branch, an escape while waiting for a key): Exec_line
// carries on from ws.Exec_ptr, abandoning the statement in progress.
struct Stmt_restart {};
void Exec_go(uint32_t target);  // GOTO: jump to a line (program) or set the stop point (console)
void Set_console();
// IF: evaluates the condition and moves to the part that runs.
void Exec_if();
// RUN without a line (and CONTINUE at the console): the program goes on at
// its stop point, or (unless must_resume, then error 27) starts at its first
// line.
void Run_continue(bool must_resume);
// RESET: error state, SETERR and SETESC lines, the control stack, precision.
void Do_reset();

// The directive tables dir_jmp and ext_jmp: core/dispatch.h.
