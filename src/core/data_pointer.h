// The DATA pointer: the line of the next value for READ DATA and the offset
// of that value inside the line (0: the line's start, its DATA statement not
// entered yet).  It belongs to the running program's context (the
// workspace's Data_line and Data_offset): a call saves the caller's with the
// rest of its context, the called program starts at its own first line, and
// the return brings the caller's back.  DATA, READ DATA and RESTORE live in
// channels/data_statements.cpp; RUN, END, RESET and the loading of another
// program set the pointer back.
#pragma once
#include <cstdint>

#include "core/workspace.h"

// Sets the DATA pointer to a line (0: the first line).
inline void Data_restore(uint32_t line) {
  ws.Data_line = line;
  ws.Data_offset = 0;
}
