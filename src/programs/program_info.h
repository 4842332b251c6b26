// What the functions ask about the running program and its callers: the
// call levels and the program paths.  A program typed at the console (the
// edit list) has no path: its path is the empty string.
#pragma once
#include <string>

// Subprogram call levels above the running program (0: no caller).
int Call_depth();
// The path of the program at call level `level` (0 the running program,
// 1 its caller, ... up to Call_depth()).
std::string Program_path(int level);
