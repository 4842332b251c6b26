// What the functions ask about the running program and its callers: the
// call levels and the program paths.  A program typed at the console (the
// edit list) has no path: its path is the empty string.
#pragma once
#include <functional>
#include <string>

// Subprogram call levels above the running program (0: no caller).
int Call_depth();
// The path of the program at call level `level` (0 the running program,
// 1 its caller, ... up to Call_depth()).
std::string Program_path(int level);
// The line the program at call level `level` is at: its current statement's
// line (0 the running program), the line of its call for a caller (0 when
// the call was typed at the console).
int Program_line(int level);
// Runs fn with the program at call level `level` made the current one for
// its duration (its lines, names and flags), the running program's context
// restored afterwards however fn ends.
void Program_at_level(int level, const std::function<void()>& fn);
